#include "app/ui/child_frame.h"

#include <QCloseEvent>

#include "app/ui/ui_text.h"
#include "image/ui/tintara_doc.h"
#include "image/ui/tintara_view.h"

namespace tintara {

QString LiteralWindowTitle(const QString& text) {
  QString escaped = text;
  escaped.replace(QStringLiteral("[*]"), QStringLiteral("[*][*]"));
  return escaped;
}

CChildFrame::CChildFrame(std::unique_ptr<CTintaraDoc> document, QWidget* parent)
    : QMdiSubWindow(parent), document_(std::move(document)) {
  setAttribute(Qt::WA_DeleteOnClose);
  view_ = new CTintaraView(document_.get(), this);
  setWidget(view_);
  connect(document_.get(), &CTintaraDoc::stateChanged, this, &CChildFrame::UpdateTitle);
  connect(view_, &CTintaraView::zoomChanged, this, &CChildFrame::UpdateTitle);
  UpdateTitle();
}

CChildFrame::~CChildFrame() {
  // The view observes the document, so it goes while the document still exists; as a child widget
  // it would otherwise outlive the document member.
  delete view_;
  view_ = nullptr;
}

std::string CChildFrame::DocumentTitle() const { return document_->Title(view_ ? view_->zoom() : 1.0); }

void CChildFrame::UpdateTitle() { setWindowTitle(LiteralWindowTitle(ui::ToQString(DocumentTitle()))); }

void CChildFrame::CloseWithoutAsking() {
  asked_ = true;
  close();
}

void CChildFrame::closeEvent(QCloseEvent* event) {
  if (!asked_ && document_->IsModified() && !document_->SaveModified()) {
    event->ignore();
    return;
  }
  QMdiSubWindow::closeEvent(event);
}

}  // namespace tintara
