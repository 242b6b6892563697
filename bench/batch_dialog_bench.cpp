// The Batch dialog while it converts 50 photographs of 12 megapixels (4000 x 3000; half uncompressed
// TIFF, half JPEG): how long the user-interface thread is ever kept from its event loop, and how long
// a full repaint of the dialog takes, at any moment of the run. A timer asks every 10 ms; how late
// it comes is how long the event loop was kept busy. Every 50 ms a repaint of the whole dialog (into
// a pixmap) is due; the time from then until it is painted is what a user would wait to see the
// list change. The window is offscreen
// unless QT_QPA_PLATFORM says otherwise.
//
//   batch_dialog_bench [COUNT]      (default 50)
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "app/messages.h"
#include "app/settings_storage.h"
#include "app/ui/main_frame.h"
#include "batch/ui/batch_dialog.h"
#include "engine/profile_engine.h"
#include "image/image_buffer.h"
#include "image/image_file.h"
#include "profiles/profile_record.h"
#include "bench_support.h"

// The program's icons live in the widget library as a resource, which a program must ask for by name.
static void InitResources() { Q_INIT_RESOURCE(tintara); }

namespace {

using tintara::bench::BenchProfile;
using tintara::bench::QuietPresenter;

constexpr int kWidth = 4000;
constexpr int kHeight = 3000;

// Smooth gradients with grain, so the JPEG compresses as a photograph does.
void WritePhoto(const std::string& path, tintara::ImageFormat format) {
  tintara::ImageBuffer image;
  if (image.Allocate(kWidth, kHeight) != 0) std::exit(2);
  std::mt19937 grain(7);
  std::uniform_int_distribution<int> noise(-6, 6);
  uint8_t* p = image.pixels();
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x, p += 3) {
      p[0] = uint8_t(std::clamp(40 + x * 180 / kWidth + noise(grain), 0, 255));
      p[1] = uint8_t(std::clamp(60 + y * 150 / kHeight + noise(grain), 0, 255));
      p[2] = uint8_t(std::clamp(200 - (x + y) * 150 / (kWidth + kHeight) + noise(grain), 0, 255));
    }
  }
  if (tintara::WriteImageFile(path, format, image, {}, 90) != 0) {
    std::fprintf(stderr, "cannot write %s\n", path.c_str());
    std::exit(2);
  }
}

double Percentile(std::vector<double> values, double q) {
  if (values.empty()) return 0.0;
  std::sort(values.begin(), values.end());
  return values[std::min(values.size() - 1, size_t(q * double(values.size())))];
}

}  // namespace

int main(int argc, char** argv) {
  const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 50;
  QTemporaryDir work;
  qputenv("XDG_CONFIG_HOME", QDir(work.path()).filePath("config").toLocal8Bit());
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  InitResources();
  QuietPresenter presenter;
  tintara::SetPresenter(&presenter);

  const std::string folder = work.path().toStdString();
  std::printf("preparing %d photographs of %d x %d in %s\n", count, kWidth, kHeight, folder.c_str());
  WritePhoto(folder + "/base.tif", tintara::ImageFormat::kTiff);
  WritePhoto(folder + "/base.jpg", tintara::ImageFormat::kJpeg);
  QStringList paths;
  for (int i = 0; i < count; ++i) {
    const std::string path = folder + "/photo" + std::to_string(i) + (i % 2 ? ".jpg" : ".tif");
    std::filesystem::copy_file(folder + (i % 2 ? "/base.jpg" : "/base.tif"), path);
    paths << QString::fromStdString(path);
  }

  tintara::ProfileStore store;
  store.AddOrReplaceProfile(BenchProfile());
  const tintara::ReferenceSetList references;
  auto frameStore = tintara::MakeFileSettingsStorage(folder + "/frame.ini");
  tintara::CMainFrame frame(store, references, *frameStore, folder);
  frame.RefillProfileBox();
  frame.resize(1200, 800);
  frame.show();

  tintara::CBatchDialog& dialog = tintara::CBatchDialog::Of(frame, frame.profileMenu());
  dialog.Initialise();
  dialog.show();
  dialog.AddFiles(paths);
  dialog.list()->selectAll();
  dialog.profileBox()->setCurrentIndex(0);
  emit dialog.profileBox()->activated(0);
  QCoreApplication::processEvents();

  QElapsedTimer clock;
  auto nowMs = [&] { return double(clock.nsecsElapsed()) / 1e6; };
  std::vector<double> gaps;       // ms the event loop was late for the 10 ms timer, the test's own paints left out
  double worstGapAt = 0.0;
  std::vector<double> paints;     // ms for a full paint of the dialog
  std::vector<double> latencies;  // ms from the moment a repaint was due until it was painted
  double lastTick = 0.0;
  double paintedSinceTick = 0.0;
  QTimer ticker;
  ticker.setTimerType(Qt::PreciseTimer);
  QObject::connect(&ticker, &QTimer::timeout, [&] {
    const double now = nowMs();
    gaps.push_back(std::max(0.0, now - lastTick - 10.0 - paintedSinceTick));
    if (gaps.back() >= *std::max_element(gaps.begin(), gaps.end())) worstGapAt = now;
    lastTick = now;
    paintedSinceTick = 0.0;
  });
  // Every 50 ms a repaint is due; how late it starts plus how long it takes is what the user waits.
  bool running = true;
  double due = 50.0;
  std::function<void()> paint = [&] {
    if (!running) return;
    const double start = nowMs();
    const QPixmap shot = dialog.grab();
    const double end = nowMs();
    (void)shot;
    paints.push_back(end - start);
    latencies.push_back(end - due);
    paintedSinceTick += end - start;
    due = end + 50.0;
    QTimer::singleShot(50, Qt::PreciseTimer, &dialog, paint);
  };

  QObject::connect(&dialog, &tintara::CBatchDialog::runFinished, &app, &QCoreApplication::quit);
  clock.start();
  ticker.start(10);
  QTimer::singleShot(50, Qt::PreciseTimer, &dialog, paint);
  dialog.processButton()->click();
  app.exec();
  const double total = double(clock.nsecsElapsed()) / 1e3 / 1e3;
  ticker.stop();
  running = false;

  int succeeded = 0;
  for (const tintara::BatchItem& item : dialog.items()) {
    succeeded += item.outcome.state == tintara::BatchState::kSucceeded;
  }
  std::printf("run: %d of %d items succeeded in %.1f s (%.2f s per photograph)\n", succeeded, count, total / 1000.0,
              total / 1000.0 / count);
  std::printf("event-loop gap beyond the 10 ms timer: max %.1f ms (ending %.0f ms into the run), p99 %.1f ms, "
              "median %.1f ms (%zu turns)\n",
              *std::max_element(gaps.begin(), gaps.end()), worstGapAt, Percentile(gaps, 0.99), Percentile(gaps, 0.5),
              gaps.size());
  std::printf("full repaint of the dialog: max %.1f ms, p99 %.1f ms, median %.1f ms (%zu paints)\n",
              *std::max_element(paints.begin(), paints.end()), Percentile(paints, 0.99), Percentile(paints, 0.5),
              paints.size());
  std::printf("repaint due until painted: max %.1f ms, p99 %.1f ms, median %.1f ms\n",
              *std::max_element(latencies.begin(), latencies.end()), Percentile(latencies, 0.99),
              Percentile(latencies, 0.5));
  tintara::SetPresenter(nullptr);
  return succeeded == count ? 0 : 1;
}
