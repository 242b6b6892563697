#pragma once

#include "app/messages.h"

namespace tintara::cli {

// The message convention on a terminal: every box becomes a line on stderr, questions take their
// safe answer (go on, do not replace), and an error box is remembered so the command can end with a
// failure status instead of reporting success.
class CliPresenter : public MessagePresenter {
 public:
  CliPresenter();
  ~CliPresenter() override;

  bool ErrorShown() const { return errorShown_; }

  void ShowMessageBox(const std::string& caption, const std::string& text) override;
  void ShowStatus(const std::string& text) override;
  OnceDialogAnswer ShowOnceDialog(const std::string& text, bool choice) override;
  bool AskYesNo(const std::string& caption, const std::string& text) override;
  YesNoCancel AskYesNoCancel(const std::string& caption, const std::string& text) override;
  DescriptionAnswer AskDescription(const std::string& initial) override;
  void EndProgram(int exitCode, bool immediately) override;

 private:
  bool errorShown_ = false;
};

}  // namespace tintara::cli
