#pragma once

#include <deque>
#include <string>
#include <vector>

#include "app/messages.h"

namespace tintara::test {

// A presenter for tests: records everything shown and answers from queues of scripted answers.
// While installed (it installs itself for its lifetime) no test waits on a window.
class ScriptedPresenter : public MessagePresenter {
 public:
  struct Shown {
    // "box", "status", "once", "yesno", "yesnocancel", "description", "files", "folder", "jpeg",
    // "zoom"
    std::string kind;
    std::string caption;
    std::string text;
    bool choice = false;  // once dialogs: Continue/Cancel instead of OK
    int initial = 0;  // "jpeg" and "zoom": the value the dialog opened with
    int low = 0;      // "zoom": the range offered
    int high = 0;
  };

  ScriptedPresenter();
  ~ScriptedPresenter() override;

  // Answers, taken in order; an empty queue answers OK/Continue without the box ticked, No, Cancel,
  // and OK with the initial description.
  std::deque<OnceDialogAnswer> onceAnswers;
  std::deque<bool> yesNoAnswers;
  std::deque<YesNoCancel> yesNoCancelAnswers;
  std::deque<DescriptionAnswer> descriptionAnswers;
  // File, folder, JPEG quality and zoom dialogs; an empty queue answers Cancel. The requests made
  // are kept in fileRequests, the initial values in the "files", "folder", "jpeg" and "zoom" entries.
  std::deque<FileDialogAnswer> fileAnswers;
  std::deque<std::optional<std::string>> folderAnswers;
  std::deque<std::optional<int>> jpegQualityAnswers;
  std::deque<std::optional<int>> zoomAnswers;
  std::vector<FileDialogRequest> fileRequests;

  std::vector<Shown> shown;

  // The shown entries of one kind.
  std::vector<Shown> Of(const std::string& kind) const;

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
};

}  // namespace tintara::test
