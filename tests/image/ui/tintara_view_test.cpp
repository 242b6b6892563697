#include "image/ui/tintara_view.h"

#include <gtest/gtest.h>

#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>

#include "image/ui/tintara_doc.h"
#include "image/ui/view_zoom.h"
#include "support/scripted_presenter.h"
#include "support/test_images.h"
#include "support/ui_view_mouse.h"

namespace tintara {
namespace {

// Every test counts in device pixels, so the whole suite also runs with a screen scale of 2.
class TintaraViewTest : public ::testing::Test {
 protected:
  void Open(int width, int height, QSize viewSize = {200, 150}) {
    ImageBuffer image;
    test::FillPattern(image, width, height, 3);
    ASSERT_EQ(FillDisplayBitmap(bitmap_, image, nullptr), 0);
    view_.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    view_.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    view_.resize(viewSize);
    view_.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view_));
    TintaraViewTestAccess::Show(view_, bitmap_);
  }

  QImage Grab() { return view_.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32); }

  QRgb ImagePixel(int u, int v) const {
    const uint8_t* p = bitmap_.bits() + bitmap_.stride() * v + 4 * u;
    return qRgb(p[2], p[1], p[0]);
  }

  void Scroll(int x, int y) {
    view_.horizontalScrollBar()->setValue(x);
    view_.verticalScrollBar()->setValue(y);
  }

  // Window pixel (x, y) of `shot` shows image pixel (column(x), row(y)) wherever the image is, and
  // the hatch (in its grey over the background) from ceil(W x z) and ceil(H x z) on.
  template <typename Column, typename Row>
  void ExpectPainted(const QImage& shot, Column column, Row row) {
    const QSize client = view_.ClientSize();
    ASSERT_EQ(shot.size(), client);
    const QPoint s = view_.ScrollPosition();
    const int imageRight = static_cast<int>(std::floor(bitmap_.width() * view_.zoom())) - s.x();
    const int imageBottom = static_cast<int>(std::floor(bitmap_.height() * view_.zoom())) - s.y();
    const int hatchLeft = static_cast<int>(std::ceil(bitmap_.width() * view_.zoom())) - s.x();
    const int hatchTop = static_cast<int>(std::ceil(bitmap_.height() * view_.zoom())) - s.y();
    const QRgb background = view_.viewport()->palette().color(view_.viewport()->backgroundRole()).rgb();
    int hatched = 0;
    for (int y = 0; y < client.height(); ++y) {
      for (int x = 0; x < client.width(); ++x) {
        const QRgb got = shot.pixel(x, y);
        if (x < imageRight && y < imageBottom) {
          ASSERT_EQ(got, ImagePixel(column(x), row(y))) << "window " << x << ", " << y;
        } else if (x >= hatchLeft || y >= hatchTop) {
          ASSERT_TRUE(got == background || got == qRgb(191, 191, 191)) << x << ", " << y;
          hatched += got != background;
        } else {
          ASSERT_EQ(got, background) << x << ", " << y;
        }
      }
    }
    if (hatchLeft < client.width() || hatchTop < client.height()) {
      EXPECT_GT(hatched, 0);
    }
  }

  test::ScriptedPresenter presenter_;
  DisplayBitmap bitmap_;
  CTintaraView view_{nullptr};
};

TEST_F(TintaraViewTest, ZoomCommandsKeepToTheLimits) {
  Open(1000, 800);
  EXPECT_EQ(view_.ImageWidth(), 1000);
  QSignalSpy zoomChanged(&view_, &CTintaraView::zoomChanged);

  // Enter Zoom: the dialog's range, then the answer taken as the zoom; the scroll position stays.
  Scroll(30, 40);
  presenter_.zoomAnswers.push_back(250);
  view_.OnEnterZoom();
  ASSERT_EQ(presenter_.Of("zoom").size(), 1u);
  EXPECT_EQ(presenter_.Of("zoom")[0].initial, 100);
  EXPECT_EQ(presenter_.Of("zoom")[0].low, 1);
  EXPECT_EQ(presenter_.Of("zoom")[0].high, 1600);
  EXPECT_DOUBLE_EQ(view_.zoom(), 2.5);
  EXPECT_EQ(view_.ScrollPosition(), QPoint(30, 40));
  EXPECT_EQ(view_.horizontalScrollBar()->maximum(), 2500 - view_.ClientSize().width());
  EXPECT_EQ(zoomChanged.count(), 1);

  // Zoom In shows the top-left corner; at 1600 % it stays there.
  view_.OnZoomIn();
  EXPECT_DOUBLE_EQ(view_.zoom(), 2.5 * kZoomInFactor);
  EXPECT_EQ(view_.ScrollPosition(), QPoint(0, 0));
  const double before = view_.zoom();
  view_.OnZoomOut();
  EXPECT_DOUBLE_EQ(view_.zoom(), before * kZoomOutFactor);
  EXPECT_NEAR(view_.zoom(), 2.5 * 8.0 / 9.0, 1e-12);  // not back where it was
  for (int i = 0; i < 12; ++i) view_.OnZoomIn();
  EXPECT_DOUBLE_EQ(view_.zoom(), 16.0);
  EXPECT_EQ(view_.horizontalScrollBar()->maximum(), 16000 - view_.ClientSize().width());

  // Zoom Out keeps the image point under the middle of the window there.
  Scroll(5000, 4000);
  const QSize client = view_.ClientSize();
  const QPointF middle = view_.WindowToImage(QPointF(client.width() / 2, client.height() / 2));
  view_.OnZoomOut();
  const QPointF after = view_.ImageToWindow(middle);
  EXPECT_NEAR(after.x(), client.width() / 2, 1.0);
  EXPECT_NEAR(after.y(), client.height() / 2, 1.0);

  EXPECT_GE(zoomChanged.count(), 15);
}

TEST_F(TintaraViewTest, PaintsTheNearestPixelAndTheHatchAroundIt) {
  Open(900, 700);
  // 100 %, scrolled: straight from the bitmap.
  const QSize client = view_.ClientSize();
  view_.OnRealSize();
  Scroll(37, 21);
  ASSERT_EQ(view_.ScrollPosition(), QPoint(37, 21));
  ExpectPainted(Grab(), [](int x) { return x + 37; }, [](int y) { return y + 21; });

  // Whole zooms follow the coordinate mapping exactly, also scrolled to a position that is not a
  // multiple of the zoom.
  for (const double z : {2.0, 4.0, 16.0}) {
    view_.ZoomToRect(z, ImageRect{0, 0, 900, 700});
    Scroll(37, 21);
    const QPoint s = view_.ScrollPosition();
    ExpectPainted(Grab(), [&](int x) { return static_cast<int>((x + s.x()) / z); },
                  [&](int y) { return static_cast<int>((y + s.y()) / z); });
  }

  // Fractional zooms: the visible part stretched by whole rows and columns.
  for (const double z : {1.5, 0.37, 2.0 / 3.0, 0.1}) {
    view_.ZoomToRect(z, ImageRect{0, 0, 900, 700});
    Scroll(13, 9);
    const QPoint s = view_.ScrollPosition();
    const CacheGeometry g = VisibleCacheGeometry(z, s.x(), s.y(), client.width(), client.height(), 900, 700);
    std::vector<int32_t> columns, rows;
    NearestIndexTable(g.srcWidth(), g.dstWidth(), columns);
    NearestIndexTable(g.srcHeight(), g.dstHeight(), rows);
    ExpectPainted(Grab(), [&](int x) { return g.srcLeft + columns[x + s.x() - g.dstLeft]; },
                  [&](int y) { return g.srcTop + rows[y + s.y() - g.dstTop]; });
  }
}

TEST_F(TintaraViewTest, TheHatchMovesWithTheScrollPosition) {
  Open(20, 400);
  view_.OnRealSize();
  const QImage top = Grab();
  Scroll(0, 3);
  ASSERT_EQ(view_.ScrollPosition(), QPoint(0, 3));
  const QImage scrolled = Grab();
  const int hatchLeft = 20;
  for (int y = 0; y + 3 < top.height(); ++y) {
    for (int x = hatchLeft; x < top.width(); ++x) ASSERT_EQ(scrolled.pixel(x, y), top.pixel(x, y + 3)) << x << ", " << y;
  }
}

TEST_F(TintaraViewTest, TheCacheIsRebuiltOnlyWhenWhatItShowsChanges) {
  Open(300, 200);
  view_.ZoomToRect(2.0, ImageRect{0, 0, 300, 200});
  Grab();
  const int first = view_.cacheRebuilds();
  EXPECT_GE(first, 1);
  Grab();
  EXPECT_EQ(view_.cacheRebuilds(), first);  // repainted from the cache

  view_.resize(view_.size() + QSize(30, 20));
  Grab();
  Grab();
  EXPECT_EQ(view_.cacheRebuilds(), first + 1);

  Scroll(10, 0);
  Grab();
  Scroll(20, 0);
  Grab();
  Grab();
  EXPECT_EQ(view_.cacheRebuilds(), first + 3);

  view_.OnUpdate(0);  // the document changed
  Grab();
  EXPECT_EQ(view_.cacheRebuilds(), first + 4);

  view_.OnRealSize();  // 100 % paints from the bitmap itself
  Grab();
  EXPECT_EQ(view_.cacheRebuilds(), first + 4);
}

TEST_F(TintaraViewTest, ZoomToolsZoomAtThePointAndToTheBand) {
  Open(400, 600, {200, 150});
  const test::ViewMouse mouse(view_);
  view_.OnToolCommand(ViewTool::kZoomIn);
  EXPECT_TRUE(view_.zoomBand().armed);
  mouse.Click(QPoint(100, 75));
  EXPECT_DOUBLE_EQ(view_.zoom(), 1.33);
  // A band drag fills the window with the band: wider than tall, so its width.
  const QPointF before = view_.WindowToImage({20, 20});
  mouse.Press(QPoint(20, 20));
  mouse.Move(QPoint(70, 40), Qt::LeftButton);
  EXPECT_TRUE(view_.zoomBand().active);
  mouse.Release(QPoint(70, 40));
  const double bandWidth = std::round(view_.WindowToImage({70, 40}).x()) - std::round(before.x());
  EXPECT_FALSE(view_.zoomBand().active);
  EXPECT_GT(view_.zoom(), 1.33 * 3);
  EXPECT_GT(bandWidth, 0.0);

  view_.OnToolCommand(ViewTool::kZoomOut);
  const double z = view_.zoom();
  mouse.Click(QPoint(50, 50));
  EXPECT_DOUBLE_EQ(view_.zoom(), view_.ClampZoom(z * (2.0 / 3.0)));

  // The Move tool pans by the pointer's movement.
  view_.OnToolCommand(ViewTool::kMove);
  const QPoint scroll = view_.ScrollPosition();
  mouse.Press(QPoint(100, 100));
  mouse.Move(QPoint(90, 80), Qt::LeftButton);
  mouse.Release(QPoint(90, 80));
  const double r = view_.DeviceRatio();
  EXPECT_EQ(view_.ScrollPosition(), scroll + QPoint(int(10 * r), int(20 * r)));
}

TEST(TintaraViewFrame, FitOnScreenFillsTheWorkspaceAndFitsTheImage) {
  ImageBuffer image;
  test::FillPattern(image, 400, 100);
  DisplayBitmap bitmap;
  ASSERT_EQ(FillDisplayBitmap(bitmap, image, nullptr), 0);

  QMainWindow main;
  auto* area = new QMdiArea;
  main.setCentralWidget(area);
  main.resize(700, 500);
  auto* view = new CTintaraView(nullptr);
  QMdiSubWindow* frame = area->addSubWindow(view);
  main.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&main));
  frame->setGeometry(50, 40, 300, 200);
  TintaraViewTestAccess::Show(*view, bitmap);

  QSignalSpy zoomChanged(view, &CTintaraView::zoomChanged);
  view->OnUpdate(CTintaraView::kHintFitAfterOpen);
  // The frame fills the workspace, so the fitted image is wholly in sight.
  EXPECT_EQ(frame->geometry(), QRect(QPoint(0, 0), area->viewport()->size()));
  const double ratio = view->DeviceRatio();
  const double fit = std::min((std::lround(view->width() * ratio) - 4.0) / 400,
                              (std::lround(view->height() * ratio) - 4.0) / 100);
  EXPECT_DOUBLE_EQ(view->zoom(), fit);
  EXPECT_EQ(view->ScrollPosition(), QPoint(0, 0));
  EXPECT_GE(zoomChanged.count(), 1);

  // A maximised frame keeps its place; the zoom still fits the view.
  frame->showMaximized();
  const QRect maximised = frame->geometry();
  view->FitOnScreen();
  EXPECT_EQ(frame->geometry(), maximised);
  EXPECT_DOUBLE_EQ(view->zoom(), std::min((std::lround(view->width() * ratio) - 4.0) / 400,
                                          (std::lround(view->height() * ratio) - 4.0) / 100));
}

// The view on a document opened from a file: fitted after opening, the file's pixels at Real Size,
// and the card outline's image turned with the document.
TEST(TintaraViewDocument, ShowsTheOpenedImageAndFollowsItsTurns) {
  test::ScriptedPresenter presenter;
  QTemporaryDir dir;
  const std::string path = dir.filePath("photo.tif").toStdString();
  test::WritePatternImage(path, 120, 90, 6);
  CTintaraDoc doc;
  CTintaraView view(&doc);
  view.resize(300, 200);
  view.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
  ASSERT_TRUE(doc.OnOpenDocument(path));
  EXPECT_NE(view.zoom(), 1.0);  // fitted to the window

  view.OnRealSize();
  const QImage shot = view.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
  ImageBuffer written;
  test::FillPattern(written, 120, 90, 6);
  const std::vector<uint8_t> file = test::PixelBytes(written);
  for (int y = 0; y < 90; ++y) {
    for (int x = 0; x < 120; ++x) {
      const uint8_t* p = file.data() + (y * 120 + x) * 3;
      ASSERT_EQ(shot.pixel(x, y), qRgb(p[0], p[1], p[2])) << x << ", " << y;
    }
  }

  doc.OnRotate(true);
  EXPECT_EQ(view.ImageWidth(), 90);
  EXPECT_EQ(view.ImageHeight(), 120);
  EXPECT_EQ(view.verticalScrollBar()->maximum(), std::max(0, 120 - view.ClientSize().height()));
}

}  // namespace
}  // namespace tintara
