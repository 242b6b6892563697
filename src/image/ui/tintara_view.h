#pragma once

#include <QAbstractScrollArea>
#include <QColor>
#include <QImage>
#include <memory>
#include <optional>
#include <vector>

#include "card/card_selection.h"
#include "card/ui/selection_painter.h"
#include "card/ui/view_tools.h"
#include "image/display_bitmap.h"

namespace tintara {

class CTintaraDoc;
class TintaraViewTestAccess;
class CardMarkingTestAccess;
struct PreviousOutline;

// A rectangle in image pixels (doubles, right and bottom exclusive).
struct ImageRect {
  double left = 0.0;
  double top = 0.0;
  double right = 0.0;
  double bottom = 0.0;
};

// The image view of one document: paints the document's display bitmap at the view's zoom over a
// cross-hatched background, scrolls in zoomed device pixels, and carries the zoom commands and the
// card selection of the document. Mouse and wheel events arrive at viewport().
//
// Positions, sizes and the scroll bars count device pixels, which are physical screen pixels: at
// Real Size one image pixel is one pixel of the screen also where the screen scales widgets (a
// device pixel ratio above 1). At a ratio of 1 device pixels are the viewport's own coordinates.
//
// The card is marked here: the Mark tool's three presses, the corner handles (drawn and hit-tested
// by the view, dragged with any tool), the Move tool's panning, the zoom tools and the drawing of
// the outline, its colour areas and their crosses over the image. The tool and the card model are
// the main window's, shared by all views: it hands them to each view (SetTool, SetCardModel) and
// runs the commands on the active one; a view asks for a tool itself with toolRequested.
class CTintaraView : public QAbstractScrollArea, private CardSelectionHost {
  Q_OBJECT

 public:
  // The view observes the document: it fits a newly opened image, paints again when the pixels
  // change and turns the card outline with the image. The title shows the view's zoom (zoom()).
  explicit CTintaraView(CTintaraDoc* document, QWidget* parent = nullptr);
  ~CTintaraView() override;

  CTintaraDoc* GetDocument() const { return document_; }

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
  // The device scroll position and the client (viewport) size in device pixels.
  QPoint ScrollPosition() const;
  QSize ClientSize() const;
  // Physical screen pixels per viewport coordinate.
  double DeviceRatio() const;

  // How often the scaled cache of the visible part has been rebuilt (it is rebuilt only after a
  // change of zoom, scroll position, client size or document).
  int cacheRebuilds() const { return cacheRebuilds_; }

  // The card outline on this document; turned with the image by the document's rotations.
  CardSelection& selection() { return *selection_; }
  const CardSelection& selection() const { return *selection_; }

  // The tool and card model as the main window has them, taken over without further effect.
  ViewTool tool() const { return tool_; }
  void SetTool(ViewTool tool);
  CardModel cardModel() const { return cardModel_; }
  void SetCardModel(CardModel model) { cardModel_ = model; }

  // The commands on this view. A tool command (Move, Mark's tool choice, Zoom-in, Zoom-out)
  // clears the zoom band and drops an outline still being marked; a complete one stays.
  void OnToolCommand(ViewTool tool);
  // Lumeno K7 / K3 (and the Mark button): the Mark tool with that model; a complete outline keeps
  // its corners and Turned and is laid out for the model, a partial one is dropped.
  void OnChooseCardModel(CardModel model);
  // Unmark (also Esc in the view): no outline, no zoom band.
  void OnUnmark();
  // 180° Selection: the card turned within a complete outline.
  void OnTurnSelection();
  // The document turned its image by a quarter: a complete outline turns with it, a partial one
  // is dropped.
  void OnImageTurned(bool clockwise);
  // Use Previous Outline: whether `outline` fits this image (same size), and placing it with the
  // view's card model (the main window chooses the outline's model first). Placing ends as a
  // marking does, with the Move tool.
  bool CanPlaceOutline(const PreviousOutline& outline) const;
  bool PlaceOutline(const PreviousOutline& outline);

  // The zoom band of the Zoom-in tool and whether a handle is being dragged (dragged corner 0..3,
  // else 4).
  const ZoomBand& zoomBand() const { return band_; }
  bool handleDrag() const { return handleDrag_; }
  int draggedCorner() const { return draggedCorner_; }
  // What the tool tip over a device point says: the colour area there, with the Move tool; empty
  // elsewhere.
  QString AreaTipAt(QPoint devicePoint) const;

  // Labels drawn at the centres of the listed colour areas (0-based area indices; the label shows
  // the number the user reads, index + 1) until the outline changes or is removed. An empty list
  // removes the labels.
  void SetMarkedAreas(std::vector<int> areaIndices);
  const std::vector<int>& markedAreas() const { return markedAreas_; }

 signals:
  // The zoom changed: the document's title shows it.
  void zoomChanged();
  // The outline was placed, completed, changed or removed: the commands on it change their state.
  void selectionChanged();
  // The view switches to another tool (the Move tool once an outline is complete); the main window
  // makes it every view's tool.
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
  friend class CardMarkingTestAccess;

  int ImageWidth() const override;
  int ImageHeight() const override;
  CardModel MarkingCardModel() const override;

  // The bitmap painted: the document's, or the one a test gave.
  const DisplayBitmap* Bitmap() const;
  void SetZoom(double z);
  // The scrolling area in device pixels; the scroll bars cover what the client does not show.
  void SetScrollArea(int width, int height);
  void UpdateScrollBars();
  void SetScrollPosition(std::optional<int> x, std::optional<int> y);
  void RebuildCache(const DisplayBitmap& bitmap, QSize client, QPoint scroll, double ratio);

  ViewMapping Mapping() const;
  // A viewport position (logical) in device pixels, and that point in image pixels.
  QPoint DevicePoint(QPointF position) const;
  PointD ImagePoint(QPoint devicePoint) const;
  PointD RoundedImagePoint(QPoint devicePoint) const;
  // Repaints a rectangle of device pixels, or the outline's area (with its labels), or the band.
  void UpdateDeviceRect(const QRect& rect);
  QRect OutlineRect() const;
  void UpdateOutline();
  void UpdateBand();
  void ClearBand();
  void ApplyToolCommand(ViewTool tool);
  // Ends a handle drag: the areas are laid out for the new corners.
  void EndHandleDrag();
  // The outline changed: the area numbers go, the main window hears of it.
  void OutlineChanged();
  void RememberOutline();
  void UpdateCursor(QPoint devicePoint);

  CTintaraDoc* document_;
  const DisplayBitmap* testBitmap_ = nullptr;
  double zoom_ = 1.0;
  int areaWidth_ = 0;
  int areaHeight_ = 0;
  std::unique_ptr<CardSelection> selection_;
  std::vector<int> markedAreas_;
  ViewTool tool_ = ViewTool::kMove;
  CardModel cardModel_ = CardModel::K7;
  bool handleDrag_ = false;
  int draggedCorner_ = 4;
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
