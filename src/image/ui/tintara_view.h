#pragma once

#include <QAbstractScrollArea>
#include <QColor>
#include <QImage>
#include <memory>
#include <optional>
#include <vector>

#include "image/display_bitmap.h"
#include "image/ui/view_interaction.h"
#include "image/ui/view_mapping.h"
#include "image/ui/view_tools.h"

namespace tintara {

class CTintaraDoc;
class TintaraViewTestAccess;

// A rectangle in image pixels (doubles, right and bottom exclusive).
struct ImageRect {
  double left = 0.0;
  double top = 0.0;
  double right = 0.0;
  double bottom = 0.0;
};

// The image view of one document: paints the document's display bitmap at the view's zoom over a
// cross-hatched background, scrolls in zoomed device pixels, and carries the zoom commands, the zoom
// tools with their band and the Move tool's panning. Mouse and wheel events arrive at viewport().
//
// Positions, sizes and the scroll bars count device pixels, which are physical screen pixels: at
// Real Size one image pixel is one pixel of the screen also where the screen scales widgets (a
// device pixel ratio above 1). At a ratio of 1 device pixels are the viewport's own coordinates.
//
// What else works over the image (the card marking) is the view's interaction: it is offered every
// press, move, release and key before the view's own tools, and paints over the image. The tool is
// the main window's, shared by all views: it hands it to each view (SetTool) and runs the tool
// commands on the active one; a view asks for a tool itself with RequestTool.
class CTintaraView : public QAbstractScrollArea {
  Q_OBJECT

 public:
  // The view observes the document: it fits a newly opened image, paints again when the pixels
  // change and tells its interaction when the image turned. The title shows the view's zoom (zoom()).
  explicit CTintaraView(CTintaraDoc* document, QWidget* parent = nullptr);
  ~CTintaraView() override;

  CTintaraDoc* GetDocument() const { return document_; }
  // The size of the image shown (0 x 0 before there is one).
  int ImageWidth() const;
  int ImageHeight() const;

  // Displayed pixels per image pixel (1.0 at first).
  double zoom() const { return zoom_; }

  // After a change of the document: hint 0, or kHintFitAfterOpen to fit the view on the screen
  // after opening.
  static constexpr int kHintFitAfterOpen = 1025;
  void OnUpdate(int hint);

  // The zoom commands (Real Size, Fit on Screen, Enter Zoom, Zoom In, Zoom Out) and the operations
  // the zoom tools use.
  void OnRealSize();
  void FitOnScreen();
  void OnEnterZoom();
  void OnZoomIn();
  void OnZoomOut();
  void ZoomToRect(double requested, const ImageRect& rect);
  // `windowPoint` in device pixels of the viewport.
  void ZoomOutAt(QPoint windowPoint);

  // The zoom limits of the document's image: ClampZoom applies the upper, then the lower limit.
  double ClampZoom(double z) const;

  // The mapping between window points (device pixels of the viewport) and image points: window
  // (x, y) shows image ((x + sx) / z, (y + sy) / z) at the scroll position (sx, sy).
  QPointF WindowToImage(QPointF windowPoint) const;
  QPointF ImageToWindow(QPointF imagePoint) const;
  ViewMapping Mapping() const;
  // The device scroll position and the client (viewport) size in device pixels.
  QPoint ScrollPosition() const;
  QSize ClientSize() const;
  // Physical screen pixels per viewport coordinate.
  double DeviceRatio() const;

  // How often the scaled cache of the visible part has been rebuilt (it is rebuilt only after a
  // change of zoom, scroll position, client size or document).
  int cacheRebuilds() const { return cacheRebuilds_; }

  // The tool as the main window has it, taken over without further effect.
  ViewTool tool() const { return tool_; }
  void SetTool(ViewTool tool);
  // A tool command on this view (Move, Mark, Zoom-in, Zoom-out): the zoom band and the panning end,
  // and the interaction hears of the choice.
  void OnToolCommand(ViewTool tool);
  // The tool command, asked for by the view itself (the Move tool once a card is marked); the main
  // window hears of it through toolRequested and makes it every view's tool.
  void RequestTool(ViewTool tool);
  // The document turned its image by a quarter: the zoom band goes and the interaction turns with it.
  void OnImageTurned(bool clockwise);

  // The zoom band of the Zoom-in tool; CancelZoomBand drops it and leaves the tool ready for another.
  const ZoomBand& zoomBand() const { return band_; }
  void CancelZoomBand();

  // What else works over the image; the view owns it and offers it its events first.
  void SetInteraction(std::unique_ptr<ViewInteraction> interaction);
  ViewInteraction* interaction() const { return interaction_.get(); }
  // Repaints a rectangle of device pixels (what an interaction's drawing covered or will cover).
  void RepaintDeviceRect(const QRect& rect);
  // Sets the cursor for the pointer at a device point: the interaction's where it has one there,
  // else the tool's.
  void ShowCursorAt(QPoint devicePoint);

 signals:
  // The zoom changed: the document's title shows it.
  void zoomChanged();
  // The view switches to another tool; the main window makes it every view's tool.
  void toolRequested(tintara::ViewTool tool);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;
  bool viewportEvent(QEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  // Tests show a display bitmap of their own without a document file behind it.
  friend class TintaraViewTestAccess;

  // The bitmap painted: the document's, or the one a test gave.
  const DisplayBitmap* Bitmap() const;
  void SetZoom(double z);
  // The scrolling area in device pixels; the scroll bars cover what the client does not show.
  void SetScrollArea(int width, int height);
  void UpdateScrollBars();
  void SetScrollPosition(std::optional<int> x, std::optional<int> y);
  void RebuildCache(const DisplayBitmap& bitmap, QSize client, QPoint scroll, double ratio);

  // A viewport position (logical) in device pixels.
  QPoint DevicePoint(QPointF position) const;
  void UpdateBand();
  void ClearBand();
  // A release of the Zoom-in tool's band: zooms to what it spans, or a step at a click.
  void ZoomToBand(QPoint devicePoint);

  CTintaraDoc* document_;
  const DisplayBitmap* testBitmap_ = nullptr;
  std::unique_ptr<ViewInteraction> interaction_;
  double zoom_ = 1.0;
  int areaWidth_ = 0;
  int areaHeight_ = 0;
  ViewTool tool_ = ViewTool::kMove;
  bool panning_ = false;
  QPoint panPoint_;  // device pixels
  ZoomBand band_;
  QCursor zoomInCursor_;
  QCursor zoomOutCursor_;

  // The stretched visible part: cache pixel (i, j) shows the zoomed content pixel
  // (cacheLeft_ + i, cacheTop_ + j). It grows with the client and never shrinks.
  QImage cache_;
  int cacheLeft_ = 0;
  int cacheTop_ = 0;
  double cacheZoom_ = -1.0;
  QPoint cacheScroll_{-1, -1};
  QSize cacheClient_{-1, -1};
  double cacheRatio_ = -1.0;
  bool cacheInvalid_ = true;
  int cacheRebuilds_ = 0;
  std::vector<int32_t> columnTable_;
  std::vector<int32_t> rowTable_;
  QImage hatchTile_;
  QColor hatchTileBackground_;
};

}  // namespace tintara
