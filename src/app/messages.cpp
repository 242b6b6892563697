#include "app/messages.h"

#include <atomic>
#include <cstdio>

#include "app/settings.h"
#include "base/result_codes.h"

namespace tintara {

namespace {

// Used whenever no other presenter is installed, which is the case before any window exists: the
// message still reaches a person through standard error, and no question waits on a keyboard that
// nobody may be at. Every question takes the answer that goes on without changing or replacing
// anything.
class ConsolePresenter : public MessagePresenter {
 public:
  void ShowMessageBox(const std::string& caption, const std::string& text) override {
    std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
  }
  void ShowStatus(const std::string& text) override { std::fprintf(stderr, "%s\n", text.c_str()); }
  OnceDialogAnswer ShowOnceDialog(const std::string& text, bool) override {
    std::fprintf(stderr, "%s\n", text.c_str());
    return {true, false};
  }
  bool AskYesNo(const std::string& caption, const std::string& text) override {
    std::fprintf(stderr, "%s: %s (no)\n", caption.c_str(), text.c_str());
    return false;
  }
  YesNoCancel AskYesNoCancel(const std::string& caption, const std::string& text) override {
    std::fprintf(stderr, "%s: %s (cancel)\n", caption.c_str(), text.c_str());
    return YesNoCancel::kCancel;
  }
  DescriptionAnswer AskDescription(const std::string& initial) override { return {true, initial, false}; }
};

ConsolePresenter& Console() {
  static ConsolePresenter console;
  return console;
}

std::atomic<MessagePresenter*>& Installed() {
  static std::atomic<MessagePresenter*> presenter{nullptr};
  return presenter;
}

}  // namespace

MessagePresenter& Presenter() {
  MessagePresenter* presenter = Installed().load();
  return presenter ? *presenter : Console();
}

void SetPresenter(MessagePresenter* presenter) { Installed().store(presenter); }

Messages AppMessages() { return Messages(Presenter(), Settings()); }

bool ErrorCodeEndsProgram(int code) { return code == kReferenceDataMissing || code == kReferenceDataCorrupt; }

}  // namespace tintara
