#pragma once

#include <set>
#include <string>

#include "app/messages.h"

namespace tintara::cli {

// The message convention on a terminal: every box becomes a line on stderr, questions take their
// safe answer (go on, do not replace), and an error box is remembered so the command can end with a
// failure status instead of reporting success. One command makes one presenter, and a box it shows
// again with the same text is not printed again: a settings store that cannot be written fails every
// value's write, and the user needs to read that once, not once per value.
class CliPresenter : public MessagePresenter {
 public:
  CliPresenter();
  ~CliPresenter() override;

  bool ErrorShown() const { return errorShown_; }
  // Findings shown since the presenter was made (one-time messages with Continue and Cancel).
  int FindingsShown() const { return findingsShown_; }

  // Answer Cancel to every finding instead of Continue.
  void SetStrict(bool strict) { strict_ = strict; }
  // The description to give when a new profile is named, instead of the proposed one.
  void SetDescription(const std::string& description) {
    description_ = description;
    hasDescription_ = true;
  }

  void ShowMessageBox(const std::string& caption, const std::string& text) override;
  void ShowStatus(const std::string& text) override;
  OnceDialogAnswer ShowOnceDialog(const std::string& text, bool choice) override;
  bool AskYesNo(const std::string& caption, const std::string& text) override;
  YesNoCancel AskYesNoCancel(const std::string& caption, const std::string& text) override;
  DescriptionAnswer AskDescription(const std::string& initial) override;

 private:
  bool errorShown_ = false;
  std::set<std::string> boxesShown_;  // caption and text of every box printed
  int findingsShown_ = 0;
  bool strict_ = false;
  bool hasDescription_ = false;
  std::string description_;
};

}  // namespace tintara::cli
