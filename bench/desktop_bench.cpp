// The desktop program on a 24-megapixel photograph (6000 x 4000): repainting the image view at zooms
// from 1 % to 546 % (the highest a 6000-pixel side allows) with the scaled cache rebuilt and straight from the cache, opening an
// uncompressed TIFF up to the first painted view, Convert Image (conversion plus the rebuilt
// display) and Rotate. The view paints into the platform's backing store (offscreen unless QT_QPA_PLATFORM says
// otherwise). The process's resident memory after each case is reported beside what the document
// must hold: the image, its unconverted copy, the display bitmap and the visible cache.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QTest>
#include <QTemporaryDir>
#include <cstdio>
#include <fstream>
#include <memory>
#include <random>
#include <string>

#include "app/messages.h"
#include "app/settings.h"
#include "card/ui/marking_tool.h"
#include "engine/profile_engine.h"
#include "image/image_buffer.h"
#include "image/image_file.h"
#include "image/ui/tintara_doc.h"
#include "image/ui/tintara_view.h"
#include "profiles/profile_record.h"
#include "bench_support.h"

namespace {

using tintara::bench::BenchProfile;
using tintara::bench::QuietPresenter;

constexpr int kWidth = 6000;
constexpr int kHeight = 4000;
constexpr int kViewWidth = 1500;
constexpr int kViewHeight = 900;

std::string& PhotoPath() {
  static std::string path;
  return path;
}

// A photograph-like picture: smooth gradients with grain, written once as an uncompressed TIFF.
void WritePhoto(const std::string& path) {
  tintara::ImageBuffer image;
  image.Allocate(kWidth, kHeight);
  std::mt19937 random(7);
  uint8_t* p = image.pixels();
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x, p += 3) {
      const int grain = int(random() % 9) - 4;
      p[0] = uint8_t(std::clamp(40 + x * 180 / kWidth + grain, 0, 255));
      p[1] = uint8_t(std::clamp(60 + y * 150 / kHeight + grain, 0, 255));
      p[2] = uint8_t(std::clamp(200 - (x + y) * 150 / (kWidth + kHeight) + grain, 0, 255));
    }
  }
  if (tintara::WriteImageFile(path, tintara::ImageFormat::kTiff, image, {}, 90) != 0) {
    std::fprintf(stderr, "cannot write %s\n", path.c_str());
    std::exit(2);
  }
}

double ResidentMegabytes() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmRSS:", 0) == 0) return std::stod(line.substr(6)) / 1024.0;
  }
  return 0.0;
}

// What an open 24 MP document may hold: image and copy (3 bytes a pixel each), the display bitmap
// (4 bytes a pixel) and the cache of the visible part.
double AllowedMegabytes() {
  return (double(kWidth) * kHeight * (3 + 3 + 4) + double(kViewWidth + 1) * (kViewHeight + 1) * 4) / (1024.0 * 1024.0);
}

struct OpenDocument {
  std::unique_ptr<tintara::CTintaraDoc> doc = std::make_unique<tintara::CTintaraDoc>();
  std::unique_ptr<tintara::CTintaraView> view;
  double baselineMegabytes = ResidentMegabytes();

  bool Open() {
    if (!doc->OnOpenDocument(PhotoPath())) return false;
    view = std::make_unique<tintara::CTintaraView>(doc.get());
    view->resize(kViewWidth, kViewHeight);
    view->show();
    // Offscreen, a window paints only once it is exposed.
    if (!QTest::qWaitForWindowExposed(view.get())) return false;
    view->OnUpdate(tintara::CTintaraView::kHintFitAfterOpen);
    view->viewport()->repaint();
    return true;
  }
};

void ReportMemory(benchmark::State& state, const OpenDocument& open) {
  state.counters["held MB"] = ResidentMegabytes() - open.baselineMegabytes;
  state.counters["allowed MB"] = AllowedMegabytes();
}

// Every repaint rebuilds the scaled cache of the visible part at the zoom in percent.
void BM_RepaintRebuilt(benchmark::State& state) {
  OpenDocument open;
  if (!open.Open()) return state.SkipWithError("open failed");
  const double zoom = double(state.range(0)) / 100.0;
  open.view->ZoomToRect(zoom, {kWidth * 0.4, kHeight * 0.4, kWidth * 0.6, kHeight * 0.6});
  for (auto _ : state) {
    open.view->OnUpdate(0);
    open.view->viewport()->repaint();
  }
  state.counters["zoom %"] = open.view->zoom() * 100.0;
  ReportMemory(state, open);
}
BENCHMARK(BM_RepaintRebuilt)->Arg(1)->Arg(5)->Arg(25)->Arg(50)->Arg(100)->Arg(400)->Arg(546)
    ->Unit(benchmark::kMillisecond)->UseRealTime();

// Repaints with nothing changed: straight from the cache.
void BM_RepaintFromCache(benchmark::State& state) {
  OpenDocument open;
  if (!open.Open()) return state.SkipWithError("open failed");
  open.view->ZoomToRect(double(state.range(0)) / 100.0, {kWidth * 0.4, kHeight * 0.4, kWidth * 0.6, kHeight * 0.6});
  open.view->viewport()->repaint();
  for (auto _ : state) open.view->viewport()->repaint();
  state.counters["zoom %"] = open.view->zoom() * 100.0;
}
BENCHMARK(BM_RepaintFromCache)->Arg(5)->Arg(100)->Arg(400)->Unit(benchmark::kMillisecond)->UseRealTime();

// From the Open command to the first painted view, fitted to the window.
void BM_OpenToFirstPaint(benchmark::State& state) {
  for (auto _ : state) {
    OpenDocument open;
    if (!open.Open()) return state.SkipWithError("open failed");
    state.PauseTiming();
    ReportMemory(state, open);
    open.view.reset();
    open.doc.reset();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_OpenToFirstPaint)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

// Convert Image: the conversion, the display rebuilt, and the view repainted.
void BM_ConvertImage(benchmark::State& state) {
  OpenDocument open;
  if (!open.Open()) return state.SkipWithError("open failed");
  for (auto _ : state) {
    open.doc->OnConvert(&BenchProfile());
    open.view->viewport()->repaint();
  }
  if (!open.doc->image().converted()) state.SkipWithError("the image was not converted");
  ReportMemory(state, open);
}
BENCHMARK(BM_ConvertImage)->Unit(benchmark::kMillisecond)->UseRealTime();

// Image > Rotate: the quarter turn of the pixels (and of the unconverted copy, once there is one),
// the display rebuilt, and the view repainted.
void BM_RotateInWindow(benchmark::State& state) {
  OpenDocument open;
  if (!open.Open()) return state.SkipWithError("open failed");
  for (auto _ : state) {
    open.doc->OnRotate(true);
    open.view->viewport()->repaint();
  }
  ReportMemory(state, open);
}
BENCHMARK(BM_RotateInWindow)->Unit(benchmark::kMillisecond)->UseRealTime();

// Dragging a corner handle of a marked card: each iteration is one pointer move with the button
// down and the repaint it asks for (only the outline's area), done before the next move as the
// window system would. Zoom 0 is the view fitted to the window; the release (the areas laid out
// anew and drawn) is timed once per run. Goal: well under 8 ms a move at fit and at 100 %.
// Counts the paints a widget receives (and the area they cover), so a measured move is known to
// have painted.
class PaintCounter : public QObject {
 public:
  int paints = 0;
  double pixels = 0;

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) {
      ++paints;
      const QRect r = static_cast<QPaintEvent*>(event)->rect();
      pixels += double(r.width()) * r.height();
    }
    return false;
  }
};

void BM_HandleDrag(benchmark::State& state) {
  OpenDocument open;
  if (!open.Open()) return state.SkipWithError("open failed");
  tintara::CTintaraView& view = *open.view;
  tintara::CMarkingTool& marking = tintara::CMarkingTool::Install(view, tintara::CardModel::K7);
  QWidget* viewport = view.viewport();
  const double ratio = view.DeviceRatio();
  const auto logical = [&](double x, double y) {
    const QPointF p = view.ImageToWindow({x, y});
    return QPointF(p.x() / ratio, p.y() / ratio);
  };
  const auto send = [&](QEvent::Type type, QPointF at, Qt::MouseButton button, Qt::MouseButtons buttons) {
    QMouseEvent event(type, at, viewport->mapToGlobal(at), button, buttons, {});
    QCoreApplication::sendEvent(viewport, &event);
    QCoreApplication::processEvents();  // the repaint the event asked for
  };
  // A K7 card upright in the middle of the photograph, marked with three presses.
  view.OnToolCommand(tintara::ViewTool::kMark);
  for (const auto& [x, y] : {std::pair{2200.0, 900.0}, {3800.0, 900.0}, {3800.0, 3300.0}}) {
    send(QEvent::MouseButtonPress, logical(x, y), Qt::LeftButton, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, logical(x, y), Qt::LeftButton, Qt::NoButton);
  }
  if (!marking.selection().Complete()) return state.SkipWithError("the card was not marked");
  if (state.range(0) == 100) view.ZoomToRect(1.0, {3300, 2900, 4300, 3700});
  viewport->repaint();

  const double cx = marking.selection().Corners()[2].x;
  const double cy = marking.selection().Corners()[2].y;
  send(QEvent::MouseButtonPress, logical(cx, cy), Qt::LeftButton, Qt::LeftButton);
  if (!marking.handleDrag()) return state.SkipWithError("the press missed the handle");
  PaintCounter counter;
  viewport->installEventFilter(&counter);
  int step = 0;
  for (auto _ : state) {
    const double d = 4.0 * (step++ % 8);
    send(QEvent::MouseMove, logical(cx + d, cy + d / 2), Qt::NoButton, Qt::LeftButton);
  }
  viewport->removeEventFilter(&counter);
  state.counters["paints/move"] = double(counter.paints) / double(step);
  state.counters["painted px/move"] = counter.pixels / double(step);
  QElapsedTimer release;
  release.start();
  send(QEvent::MouseButtonRelease, logical(cx, cy), Qt::LeftButton, Qt::NoButton);
  state.counters["release ms"] = double(release.nsecsElapsed()) / 1e6;
  state.counters["zoom %"] = view.zoom() * 100.0;
  if (marking.handleDrag()) state.SkipWithError("the drag did not end");
}
BENCHMARK(BM_HandleDrag)->Arg(0)->Arg(100)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  QTemporaryDir work;
  // The settings of whoever runs the benchmark stay untouched.
  qputenv("XDG_CONFIG_HOME", QDir(work.path()).filePath("config").toLocal8Bit());
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QuietPresenter presenter;
  tintara::SetPresenter(&presenter);
  PhotoPath() = QDir(work.path()).filePath("photo.tif").toStdString();
  WritePhoto(PhotoPath());
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  tintara::SetPresenter(nullptr);
  return 0;
}
