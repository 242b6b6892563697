#pragma once

#include <QMdiSubWindow>
#include <memory>
#include <string>

namespace tintara {

class CTintaraDoc;
class CTintaraView;

// The window of one document inside the main window: it owns the document and shows it in one
// image view. Its title is the document's title, kept up to date as the document and the view's
// zoom change; closing it asks the document whether to save its changes first.
class CChildFrame : public QMdiSubWindow {
  Q_OBJECT

 public:
  explicit CChildFrame(std::unique_ptr<CTintaraDoc> document, QWidget* parent = nullptr);
  ~CChildFrame() override;

  CTintaraDoc* document() const { return document_.get(); }
  CTintaraView* view() const { return view_; }

  // For a close whose question was already answered (the main window asks about every document
  // before it closes any of them).
  void CloseWithoutAsking();

  // The document's title at the view's zoom, as the frame shows it.
  std::string DocumentTitle() const;
  void UpdateTitle();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  std::unique_ptr<CTintaraDoc> document_;
  CTintaraView* view_;
  bool asked_ = false;
};

// A title for QWidget::setWindowTitle that shows every character of `text`: a file called
// "a[*].tif" would otherwise lose its "[*]", which Qt reads as the modified marker.
QString LiteralWindowTitle(const QString& text);

}  // namespace tintara
