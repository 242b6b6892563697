#pragma once

#include <QAbstractScrollArea>
#include <QImage>
#include <memory>

#include "card/card_selection.h"

namespace tintara {

class CTintaraDoc;

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
  void ZoomOutAt(QPoint windowPoint);

  // The zoom limits of the document's image: ClampZoom applies the upper, then the lower limit.
  double ClampZoom(double z) const;

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
  int ImageWidth() const override;
  int ImageHeight() const override;
  CardModel MarkingCardModel() const override;

  CTintaraDoc* document_;
  double zoom_ = 1.0;
  std::unique_ptr<CardSelection> selection_;
};

}  // namespace tintara
