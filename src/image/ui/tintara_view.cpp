#include "image/ui/tintara_view.h"

#include "image/ui/tintara_doc.h"

namespace tintara {

// A first cut that the image view's own work replaces: the document and the frame link against it.

CTintaraView::CTintaraView(CTintaraDoc* document, QWidget* parent)
    : QAbstractScrollArea(parent), document_(document), selection_(std::make_unique<CardSelection>(static_cast<const CardSelectionHost&>(*this))) {
  if (document_) document_->AddView(this);
}

CTintaraView::~CTintaraView() {
  if (document_) document_->RemoveView(this);
}

void CTintaraView::OnUpdate(int) { viewport()->update(); }
void CTintaraView::OnRealSize() {}
void CTintaraView::FitOnScreen() {}
void CTintaraView::OnEnterZoom() {}
void CTintaraView::OnZoomIn() {}
void CTintaraView::OnZoomOut() {}
void CTintaraView::ZoomToRect(double, const ImageRect&) {}
void CTintaraView::ZoomOutAt(QPoint) {}
double CTintaraView::ClampZoom(double z) const { return z; }
void CTintaraView::paintEvent(QPaintEvent*) {}
void CTintaraView::resizeEvent(QResizeEvent* event) { QAbstractScrollArea::resizeEvent(event); }
void CTintaraView::scrollContentsBy(int, int) { viewport()->update(); }
int CTintaraView::ImageWidth() const { return document_ ? document_->image().width() : 0; }
int CTintaraView::ImageHeight() const { return document_ ? document_->image().height() : 0; }
CardModel CTintaraView::MarkingCardModel() const { return CardModel::K7; }

}  // namespace tintara
