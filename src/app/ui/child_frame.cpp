#include "app/ui/child_frame.h"

#include <QAction>
#include <QCloseEvent>
#include <QKeySequence>
#include <QMenu>

#include "base/ui/commands.h"
#include "base/ui/ui_text.h"
#include "image/ui/tintara_doc.h"
#include "image/ui/tintara_view.h"

namespace tintara {

namespace {

// The window's own menu closes it with the platform's Close keys, Ctrl+W among them here, which is
// File > Close's key too. A key that two commands of one window claim runs neither of them, so the
// menu leaves File > Close its keys (File > Close closes this same window) and keeps the others.
void LeaveFileCloseKeysToFileClose(QMdiSubWindow& window) {
  QMenu* menu = window.systemMenu();
  const cmd::CommandEntry* close = cmd::FindCommand(cmd::kClose);
  if (!menu || !close) return;
  for (QAction* action : menu->actions()) {
    QList<QKeySequence> keys = action->shortcuts();
    qsizetype removed = 0;
    for (const char* key : close->keys) {
      if (key) removed += keys.removeAll(QKeySequence(QString::fromLatin1(key), QKeySequence::PortableText));
    }
    if (removed > 0) action->setShortcuts(keys);
  }
}

}  // namespace

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
  LeaveFileCloseKeysToFileClose(*this);
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
