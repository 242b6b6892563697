#pragma once

#include <string>

#include "app/messages.h"
#include "profiles/profile_record.h"

namespace tintara::bench {

// A profile fitted to a plausible camera, so its curves and matrix are not trivial; made once.
const ProfileRecord& BenchProfile();

// Answers every box without a window, so a benchmark never waits on a person; messages go to stderr.
class QuietPresenter : public MessagePresenter {
 public:
  void ShowMessageBox(const std::string& caption, const std::string& text) override;
  void ShowStatus(const std::string&) override {}
  OnceDialogAnswer ShowOnceDialog(const std::string&, bool) override { return {true, true}; }
  bool AskYesNo(const std::string&, const std::string&) override { return false; }
  YesNoCancel AskYesNoCancel(const std::string&, const std::string&) override { return YesNoCancel::kNo; }
  DescriptionAnswer AskDescription(const std::string& initial) override { return {true, initial, false}; }
};

}  // namespace tintara::bench
