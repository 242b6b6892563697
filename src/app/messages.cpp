#include "app/messages.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>

#include "app/settings.h"
#include "app/strings.h"
#include "base/result_codes.h"

namespace tintara {

namespace {

constexpr int kCaptionWarning = 33029;
constexpr int kCaptionError = 33030;
constexpr int kTextReplaceReadOnly = 40511;

std::string Caption(int id, const char* fallback) {
  const char* text = StringText(id);
  return text ? text : fallback;
}

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
  void EndProgram(int exitCode, bool) override {
    std::fflush(stdout);
    std::fflush(stderr);
    std::exit(exitCode);
  }
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

FileDialogAnswer MessagePresenter::AskFiles(const FileDialogRequest&) { return {}; }
std::optional<std::string> MessagePresenter::AskFolder(const std::string&, const std::string&) { return std::nullopt; }
std::optional<int> MessagePresenter::AskJpegQuality(int) { return std::nullopt; }
std::optional<int> MessagePresenter::AskZoomPercent(int, int, int) { return std::nullopt; }

MessagePresenter& Presenter() {
  MessagePresenter* presenter = Installed().load();
  return presenter ? *presenter : Console();
}

void SetPresenter(MessagePresenter* presenter) { Installed().store(presenter); }

void ShowErrorCode(int code) {
  if (code == kOk) return;
  MessagePresenter& presenter = Presenter();
  presenter.ShowMessageBox(Caption(kCaptionError, "Tintara Error"), ErrorCodeText(code));
  // Without the reference data nothing can be measured, so those codes end the program once the
  // current command has unwound; exhausted memory leaves nothing safe to unwind into.
  if (code == kReferenceDataMissing || code == kReferenceDataCorrupt) {
    presenter.EndProgram(1, false);
  } else if (code == kOutOfMemory) {
    presenter.EndProgram(1, true);
  }
}

void ShowWarning(int stringId) {
  Presenter().ShowMessageBox(Caption(kCaptionWarning, "Tintara Warning"), StringOrEmpty(stringId));
}

void ShowStatusText(int stringId) { Presenter().ShowStatus(StringOrEmpty(stringId)); }

bool ShowOnceMessage(int stringId, bool choice) {
  CSettings& settings = Settings();
  // A silenced message always means "go on", also for a message that offers Cancel.
  if (!settings.OnceMessageShouldShow(stringId)) return true;
  const OnceDialogAnswer answer = Presenter().ShowOnceDialog(StringOrEmpty(stringId), choice);
  // Cancel closes the box without reading the check box, so it never silences the message.
  if (answer.ok && answer.dontShowAgain) settings.SilenceOnceMessage(stringId);
  return answer.ok;
}

bool AskReplaceReadOnly() {
  return Presenter().AskYesNo(Caption(kCaptionWarning, "Tintara Warning"), StringOrEmpty(kTextReplaceReadOnly));
}

std::string AskProfileDescription(const std::string& initial, bool& save) {
  const DescriptionAnswer answer = Presenter().AskDescription(initial);
  if (!answer.ok) {
    save = false;
    return kCancelledDescription;
  }
  save = answer.saveToDisk;
  return answer.description;
}

}  // namespace tintara
