#pragma once

#include <QAbstractScrollArea>
#include <QColor>
#include <QImage>
#include <memory>
#include <optional>
#include <vector>

#include "card/card_selection.h"
#include "image/display_bitmap.h"

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
// cross-hatched background, scrolls in zoomed device pixels, and carries the zoom commands and the
// card selection of the document. Mouse and wheel events arrive at viewport().
//
// Positions, sizes and the scroll bars count device pixels, which are physical screen pixels: at
// Real Size one image pixel is one pixel of the screen also where the screen scales widgets (a
// device pixel ratio above 1). At a ratio of 1 device pixels are the viewport's own coordinates.
class CTintaraView : public QAbstractScrollArea, private CardSelectionHost {
  Q_OBJECT

 public:
  // The view registers itself with the document (its first view is the one whose zoom the title
  // shows) and leaves it again when destroyed.
  explicit CTintaraView(CTintaraDoc* document, QWidget* parent = nullptr);
  ~CTintaraView() override;

  CTintaraDoc* GetDocument() const { return document_; }

  // Displayed pixels per image pixel (1.0 at first).
  double zoom() const { return zoom_; }

  // Called by the document for every view after a change: hint 0, or kHintFitAfterOpen to fit the
  // view on the screen after opening.
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

 signals:
  // The zoom changed: the document's title shows it.
  void zoomChanged();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;

 private:
  // Tests show a display bitmap of their own without a document file behind it.
  friend class TintaraViewTestAccess;

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

  CTintaraDoc* document_;
  const DisplayBitmap* testBitmap_ = nullptr;
  double zoom_ = 1.0;
  int areaWidth_ = 0;
  int areaHeight_ = 0;
  std::unique_ptr<CardSelection> selection_;

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
