#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/messages.h"
#include "engine/reference_data.h"

namespace tintara::cli {

// Loads the reference sets, printing the system's message on failure. Returns an exit status.
int LoadReferenceSets(const std::string& path, ReferenceSetList& sets);

// Finds a set by exact name or by "#INDEX" (position in file order); -1 when there is none.
int FindReferenceSet(const ReferenceSetList& sets, const std::string& key);

// Whether a command may write `output`: not when it is marked read-only, and not when it is the very
// file one of `inputs` names (the same file however it is written, hard links included), which the
// write would destroy. Prints why not and returns exit status 2 then, before anything is written;
// otherwise 0.
int CheckOutputFile(const std::string& output, const std::vector<std::string>& inputs);

// The message convention for a step of the core whose failure the command prints itself, from the
// Error the step returns: no box is printed, every question takes its safe answer (No, Cancel), and
// no one-time message is shown (they are for a person at the desktop program).
class SilentMessages final : public MessagePresenter, public OnceMessageFlags {
 public:
  Messages messages() { return Messages(*this, *this); }

  void ShowMessageBox(const std::string&, const std::string&) override {}
  void ShowStatus(const std::string&) override {}
  OnceDialogAnswer ShowOnceDialog(const std::string&, bool) override { return {true, false}; }
  bool AskYesNo(const std::string&, const std::string&) override { return false; }
  YesNoCancel AskYesNoCancel(const std::string&, const std::string&) override { return YesNoCancel::kCancel; }
  DescriptionAnswer AskDescription(const std::string&) override { return {}; }
  bool OnceMessageShouldShow(int) override { return false; }
  void SilenceOnceMessage(int) override {}
};

// An error of the core as a command prints it: its text, and its detail (the file concerned, after
// the cause when there is one) in parentheses.
std::string CliErrorText(const Error& error);

}  // namespace tintara::cli
