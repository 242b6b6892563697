#include <gtest/gtest.h>

#include <QHelpEvent>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>
#include <QToolTip>
#include <cmath>
#include <cstring>

#include "app/settings.h"
#include "card/card_layout.h"
#include "card/previous_outline.h"
#include "image/display_bitmap.h"
#include "image/image_buffer.h"
#include "card/ui/marking_tool.h"
#include "image/ui/tintara_view.h"
#include "support/scripted_presenter.h"
#include "support/test_environment.h"
#include "support/ui_view_mouse.h"

namespace tintara {
namespace {

const QRgb kGrey = qRgb(128, 128, 128);
const QRgb kWhite = qRgb(255, 255, 255);
const QRgb kBlack = qRgb(0, 0, 0);

// A plain grey photograph in a view at zoom 1 with the card marking, the mouse driven on the viewport
// as a user would.
class CardMarkingTest : public test::PrivateSettingsTest {
 protected:
  void Open(int width, int height, QSize viewSize) {
    ImageBuffer image;
    ASSERT_EQ(image.Allocate(width, height), 0);
    std::memset(image.pixels(), 128, static_cast<size_t>(width) * height * 3);
    ASSERT_EQ(FillDisplayBitmap(bitmap_, image, nullptr), 0);
    view_ = std::make_unique<CTintaraView>(nullptr);
    view_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    view_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    view_->resize(viewSize);
    view_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(view_.get()));
    marking_ = &CMarkingTool::Install(*view_, CardModel::K7);
    TintaraViewTestAccess::Show(*view_, bitmap_);
  }

  QPoint At(double x, double y) const { return test::ViewMouse(*view_).At(x, y); }
  void Press(QPoint p) { test::ViewMouse(*view_).Press(p); }
  void Release(QPoint p) { test::ViewMouse(*view_).Release(p); }
  void Click(QPoint p) { test::ViewMouse(*view_).Click(p); }
  void Move(QPoint p, Qt::MouseButtons buttons) { test::ViewMouse(*view_).Move(p, buttons); }

  void MarkUpright() {
    view_->OnToolCommand(ViewTool::kMark);
    for (QPoint p : {At(100, 100), At(300, 100), At(300, 500)}) Click(p);
  }

  QImage Grab() { return view_->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32); }
  // A window pixel of an image point drawn as the outline draws it.
  QPoint Drawn(double x, double y) const { return QPoint(int(std::ceil(view_->zoom() * x)), int(std::ceil(view_->zoom() * y))); }

  const CardLayout& Layout() const { return *marking_->selection().Layout(); }

  test::ScriptedPresenter presenter_;
  DisplayBitmap bitmap_;
  std::unique_ptr<CTintaraView> view_;
  CMarkingTool* marking_ = nullptr;  // the view's
};

TEST_F(CardMarkingTest, ThreePressesMarkTheCardAndHandOverToTheMoveTool) {
  Open(400, 600, {420, 620});
  QSignalSpy toolRequests(view_.get(), &CTintaraView::toolRequested);
  view_->OnToolCommand(ViewTool::kMark);
  // The last column and row (and beyond) cannot take a corner.
  Click(At(399.5, 200));
  Click(At(200, 599.5));
  EXPECT_EQ(marking_->selection().Clicked(), 0);

  Click(At(100, 100));
  Click(At(300, 100));
  EXPECT_TRUE(marking_->selection().InProgress());
  EXPECT_TRUE(presenter_.Of("once").empty());
  Click(At(300, 500));
  ASSERT_TRUE(marking_->selection().Complete());
  EXPECT_EQ(marking_->selection().Corners()[3], (PointD{100, 500}));
  EXPECT_EQ(Layout().areas.size(), 30u);
  EXPECT_EQ(Layout().Model(), CardModel::K7);
  EXPECT_EQ(view_->tool(), ViewTool::kMove);
  ASSERT_EQ(toolRequests.size(), 1);
  EXPECT_EQ(toolRequests[0][0].value<ViewTool>(), ViewTool::kMove);
  ASSERT_EQ(presenter_.Of("once").size(), 1u);
  EXPECT_EQ(presenter_.Of("once")[0].text.rfind("You have marked a Lumeno.", 0), 0u);
  EXPECT_FALSE(presenter_.Of("once")[0].choice);
  // The completed outline is remembered for the next photograph.
  const std::optional<PreviousOutline> stored = ParsePreviousOutline(Settings().PreviousOutline());
  ASSERT_TRUE(stored);
  EXPECT_EQ(stored->corners, marking_->selection().Corners());
  EXPECT_EQ(stored->imageWidth, 400);

  // With the Move tool a press pans (nothing to pan here) and keeps the outline.
  Click(At(200, 300));
  EXPECT_TRUE(marking_->selection().Complete());
  // A new Mark press starts a new outline.
  view_->OnToolCommand(ViewTool::kMark);
  Click(At(50, 60));
  EXPECT_EQ(marking_->selection().Clicked(), 1);
  EXPECT_EQ(marking_->selection().Layout(), nullptr);
}

TEST_F(CardMarkingTest, PreviewFollowsThePointerAndEscapeAToolOrATurnDropsIt) {
  Open(400, 600, {420, 620});
  view_->OnToolCommand(ViewTool::kMark);
  Click(At(100, 100));
  Click(At(300, 100));
  Move(At(300.4, 500.2), Qt::NoButton);
  EXPECT_EQ(marking_->selection().RubberPoint(), (PointD{300, 500}));
  // The preview shows the whole parallelogram: its fourth side runs down x = 100.
  QImage shot = Grab();
  const QPoint left = Drawn(100, 300);
  EXPECT_NE(shot.pixel(left), kGrey);
  EXPECT_EQ(shot.pixel(left + QPoint(3, 0)), kGrey);
  // Past the image the rubber point stays on its last pixel.
  Move(At(600, 900), Qt::NoButton);
  EXPECT_EQ(marking_->selection().RubberPoint(), (PointD{399, 599}));

  QTest::keyClick(view_.get(), Qt::Key_Escape);
  EXPECT_FALSE(marking_->selection().InProgress());
  EXPECT_EQ(Grab().pixel(left), kGrey);

  Click(At(100, 100));
  view_->OnToolCommand(ViewTool::kZoomIn);
  EXPECT_EQ(marking_->selection().Clicked(), 0);
  // A quarter turn of the image drops a partial outline: its corners would lie elsewhere now.
  view_->OnToolCommand(ViewTool::kMark);
  Click(At(100, 100));
  view_->OnImageTurned(true);
  EXPECT_EQ(marking_->selection().Clicked(), 0);
}

TEST_F(CardMarkingTest, ModelTurnAndToolCommandsKeepACompleteOutline) {
  Open(400, 600, {420, 620});
  MarkUpright();
  const auto corners = marking_->selection().Corners();
  const double area9Top = Layout().areas[9].corners[0].y;
  EXPECT_LT(area9Top, 150);
  marking_->SetMarkedAreas({9});

  marking_->OnTurnSelection();  // F: the strip without areas goes to the top
  EXPECT_TRUE(Layout().Turned);
  EXPECT_GT(Layout().areas[9].corners[0].y, 450);
  EXPECT_EQ(Layout().AreaAt({200, 120}), -1);
  EXPECT_TRUE(marking_->markedAreas().empty());  // the numbers belonged to the old layout

  marking_->OnChooseCardModel(CardModel::K3);
  EXPECT_EQ(view_->tool(), ViewTool::kMark);
  EXPECT_EQ(marking_->selection().Corners(), corners);
  EXPECT_TRUE(Layout().Turned);
  EXPECT_EQ(Layout().areas.size(), 3u);
  EXPECT_EQ(ParsePreviousOutline(Settings().PreviousOutline())->model, CardModel::K3);

  // M again with a complete outline lays it out anew, crosses gone.
  marking_->selection().Layout()->areas[0].Valid = false;
  marking_->OnChooseCardModel(CardModel::K3);
  EXPECT_TRUE(Layout().areas[0].Valid);
  view_->OnToolCommand(ViewTool::kZoomOut);
  EXPECT_TRUE(marking_->selection().Complete());

  // M after one corner drops it.
  view_->OnToolCommand(ViewTool::kMark);
  Click(At(50, 50));
  marking_->OnChooseCardModel(CardModel::K7);
  EXPECT_FALSE(marking_->selection().InProgress());

  MarkUpright();
  marking_->OnUnmark();
  EXPECT_FALSE(marking_->selection().Complete());
  marking_->OnTurnSelection();  // nothing to turn
  EXPECT_EQ(marking_->selection().Layout(), nullptr);
}

TEST_F(CardMarkingTest, DraggingAHandleHidesTheAreasUntilRelease) {
  Open(400, 600, {420, 620});
  MarkUpright();
  const QPoint onArea9Edge = Drawn(150, Layout().areas[9].corners[0].y);
  EXPECT_NE(Grab().pixel(onArea9Edge), kGrey);
  marking_->selection().Layout()->areas[9].Valid = false;  // a cross from an earlier Create Profile

  // Any tool drags a handle; the cursor says so over it.
  view_->OnToolCommand(ViewTool::kMark);
  Move(At(302, 502), Qt::NoButton);
  EXPECT_EQ(view_->viewport()->cursor().shape(), Qt::SizeFDiagCursor);
  Move(At(298, 103), Qt::NoButton);
  EXPECT_EQ(view_->viewport()->cursor().shape(), Qt::SizeBDiagCursor);
  Press(At(302, 502));
  EXPECT_TRUE(marking_->handleDrag());
  EXPECT_EQ(marking_->draggedCorner(), 2);
  Move(At(320.3, 540.4), Qt::LeftButton);
  EXPECT_EQ(marking_->selection().Corners()[2], (PointD{320, 540}));
  EXPECT_EQ(marking_->selection().Handles()[2].position, (PointD{320, 540}));
  EXPECT_EQ(Grab().pixel(onArea9Edge), kGrey);  // no areas while dragging
  Move(At(415, 610), Qt::LeftButton);
  EXPECT_EQ(marking_->selection().Corners()[2], (PointD{400, 600}));  // held at the image's edge
  Release(At(415, 610));

  EXPECT_FALSE(marking_->handleDrag());
  EXPECT_EQ(marking_->draggedCorner(), 4);
  EXPECT_EQ(marking_->selection().Clicked(), 3);  // still the same outline, not a new Mark press
  EXPECT_EQ(Layout().corners[2], (PointD{400, 600}));
  for (const ColorArea& area : Layout().areas) EXPECT_TRUE(area.Valid) << area.index;
  // The areas are back, laid out for the new corners.
  const auto& q = Layout().areas[9].corners;
  const QPoint edge = Drawn((q[0].x + q[1].x) / 2, (q[0].y + q[1].y) / 2);
  const QImage after = Grab();
  int drawn = 0;
  for (int dy = -1; dy <= 1; ++dy) drawn += after.pixel(edge + QPoint(0, dy)) != kGrey;
  EXPECT_GT(drawn, 0);
  EXPECT_EQ(ParsePreviousOutline(Settings().PreviousOutline())->corners[2], (PointD{400, 600}));

  // With a zoom tool the press on a handle drags it, and the release that ends the drag is no
  // zoom click.
  view_->OnToolCommand(ViewTool::kZoomOut);
  const double zoom = view_->zoom();
  Press(At(400, 600));
  EXPECT_TRUE(marking_->handleDrag());
  Move(At(380, 580), Qt::LeftButton);
  Release(At(380, 580));
  EXPECT_EQ(view_->zoom(), zoom);
  EXPECT_EQ(marking_->selection().Corners()[2], (PointD{380, 580}));
}

// The drawing, pixel by pixel, at zoom 1 and 4: the outline dotted white on black, the handles
// white squares in a black frame centred on the corners, crosses on the areas with findings and
// the numbers Create Profile asks for.
TEST_F(CardMarkingTest, OutlineCrossesHandlesAndLabelsAreDrawnWhereTheyBelong) {
  for (const double zoom : {1.0, 4.0}) {
    SCOPED_TRACE(zoom);
    Open(60, 90, {250, 370});
    view_->ZoomToRect(zoom, {0, 0, 60, 90});
    ASSERT_EQ(view_->zoom(), zoom);
    view_->OnToolCommand(ViewTool::kMark);
    for (QPoint p : {At(10, 10), At(50, 10), At(50, 80)}) Click(p);
    ASSERT_TRUE(marking_->selection().Complete());
    marking_->selection().Layout()->areas[0].Valid = false;
    marking_->selection().Layout()->areas[20].Unreliable = true;
    view_->viewport()->repaint();
    const QImage shot = Grab();

    // The top edge, between the handles: only white and black, and both.
    const QPoint a = Drawn(10, 10), b = Drawn(50, 10);
    int white = 0, black = 0;
    for (int x = a.x() + 6; x < b.x() - 5; ++x) {
      const QRgb c = shot.pixel(x, a.y());
      ASSERT_TRUE(c == kWhite || c == kBlack) << x;
      (c == kWhite ? white : black)++;
      EXPECT_EQ(shot.pixel(x, a.y() - 2), kGrey) << x;
    }
    EXPECT_GT(white, 0);
    EXPECT_GT(black, 0);

    // The handle of corner 0: 8 x 8 from centre - 4, black frame, white inside.
    const QPoint c0(int(std::lround(zoom * 10)), int(std::lround(zoom * 10)));
    EXPECT_EQ(shot.pixel(c0 + QPoint(-4, -4)), kBlack);
    EXPECT_EQ(shot.pixel(c0 + QPoint(3, 3)), kBlack);
    EXPECT_EQ(shot.pixel(c0 + QPoint(-2, 1)), kWhite);
    EXPECT_EQ(shot.pixel(c0 + QPoint(-5, 0)), kGrey);
    EXPECT_EQ(shot.pixel(c0 + QPoint(4, 6)), kGrey);

    // Crosses meet at the areas' centres: red on the invalid one, yellow on the unreliable one,
    // none on a valid one.
    const auto centre = [&](int i) {
      const auto& q = Layout().areas[static_cast<size_t>(i)].corners;
      return Drawn((q[0].x + q[2].x) / 2, (q[0].y + q[2].y) / 2);
    };
    const auto hasNear = [&](const QImage& img, QPoint p, QRgb colour) {
      for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx)
          if (img.pixel(p + QPoint(dx, dy)) == colour) return true;
      return false;
    };
    EXPECT_TRUE(hasNear(shot, centre(0), qRgb(255, 0, 0)));
    EXPECT_TRUE(hasNear(shot, centre(20), qRgb(255, 255, 0)));
    EXPECT_EQ(shot.pixel(centre(10)), kGrey);

    if (zoom == 4.0) {
      // A label is white with black writing at the area's centre, gone again with an empty list.
      const auto whiteAround = [&](const QImage& img, QPoint p) {
        int n = 0;
        for (int dy = -4; dy <= 4; ++dy)
          for (int dx = -6; dx <= 6; ++dx) n += img.pixel(p + QPoint(dx, dy)) == kWhite;
        return n;
      };
      EXPECT_EQ(whiteAround(shot, centre(14)), 0);
      marking_->SetMarkedAreas({14});
      view_->viewport()->repaint();
      const QImage labelled = Grab();
      EXPECT_GT(whiteAround(labelled, centre(14)), 40);
      EXPECT_TRUE(hasNear(labelled, centre(14), kBlack) || hasNear(labelled, centre(14) + QPoint(2, 0), kBlack));
      marking_->SetMarkedAreas({});
      view_->viewport()->repaint();
      EXPECT_EQ(whiteAround(Grab(), centre(14)), 0);
    }
  }
}

TEST_F(CardMarkingTest, ToolTipNamesTheAreaUnderThePointer) {
  Open(400, 600, {420, 620});
  MarkUpright();
  const QPoint area9 = view_->ImageToWindow({150, 120}).toPoint();
  EXPECT_EQ(marking_->AreaTipAt(area9).toStdString(), "Area 10: not measured yet");
  ColorArea& measured = marking_->selection().Layout()->areas[9];
  measured.mean = {200, 120, 40};
  measured.pixelCount = 1024;
  measured.Unreliable = true;
  EXPECT_EQ(marking_->AreaTipAt(area9).toStdString(), "Area 10: unreliable\n1024 pixels\nMean colour R 200, G 120, B 40");
  EXPECT_TRUE(marking_->AreaTipAt(view_->ImageToWindow({150, 480}).toPoint()).isEmpty());
  QHelpEvent help(QEvent::ToolTip, At(150, 120), view_->viewport()->mapToGlobal(At(150, 120)));
  QCoreApplication::sendEvent(view_->viewport(), &help);
  EXPECT_TRUE(QToolTip::text().startsWith("Area 10: unreliable"));
  view_->OnToolCommand(ViewTool::kMark);  // only the Move tool explains areas
  EXPECT_TRUE(marking_->AreaTipAt(area9).isEmpty());
}

TEST_F(CardMarkingTest, PreviousOutlineComesBackOnAnImageOfTheSameSize) {
  Open(400, 600, {420, 620});
  MarkUpright();
  Press(At(300, 500));
  Move(At(310, 520), Qt::LeftButton);
  Release(At(310, 520));
  marking_->OnTurnSelection();
  const auto corners = marking_->selection().Corners();
  const std::optional<PreviousOutline> stored = ParsePreviousOutline(Settings().PreviousOutline());
  ASSERT_TRUE(stored);
  EXPECT_EQ(ParsePreviousOutline(FormatPreviousOutline(*stored))->corners, corners);

  marking_->OnUnmark();
  view_->OnToolCommand(ViewTool::kMark);
  ASSERT_TRUE(marking_->CanPlaceOutline(*stored));
  ASSERT_TRUE(marking_->PlaceOutline(*stored));
  EXPECT_EQ(marking_->selection().Corners(), corners);  // as dragged, no parallelogram
  EXPECT_TRUE(Layout().Turned);
  EXPECT_EQ(view_->tool(), ViewTool::kMove);

  Open(600, 400, {620, 420});
  EXPECT_FALSE(marking_->CanPlaceOutline(*stored));
  EXPECT_FALSE(marking_->PlaceOutline(*stored));
  EXPECT_FALSE(marking_->selection().Complete());

}

}  // namespace
}  // namespace tintara
