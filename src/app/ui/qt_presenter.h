#pragma once

#include <QPointer>

#include "app/messages.h"

class QMainWindow;

namespace tintara {

// The message convention with real dialogs: every box is owned by the main window (centred on it,
// modal to it) with the exclamation icon, the status texts go to the first pane of its status bar,
// the choosers are Qt's file and folder dialogs, and the small dialogs are the program's own
// (COnceDialog, CProfileDescriptionDialog, CJPEGSaveDialog, CEnterZoomDialog). Installs itself for
// its lifetime.
class QtMessagePresenter : public MessagePresenter {
 public:
  explicit QtMessagePresenter(QMainWindow* owner);
  ~QtMessagePresenter() override;

  void ShowMessageBox(const std::string& caption, const std::string& text) override;
  void ShowStatus(const std::string& text) override;
  OnceDialogAnswer ShowOnceDialog(const std::string& text, bool choice) override;
  bool AskYesNo(const std::string& caption, const std::string& text) override;
  YesNoCancel AskYesNoCancel(const std::string& caption, const std::string& text) override;
  DescriptionAnswer AskDescription(const std::string& initial) override;
  FileDialogAnswer AskFiles(const FileDialogRequest& request) override;
  std::optional<std::string> AskFolder(const std::string& title, const std::string& initial) override;
  std::optional<int> AskJpegQuality(int initial) override;
  std::optional<int> AskZoomPercent(int initial, int low, int high) override;

 private:
  QPointer<QMainWindow> owner_;
};

}  // namespace tintara
