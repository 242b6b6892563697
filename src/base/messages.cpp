#include "base/messages.h"

#include "base/strings.h"

namespace tintara {

namespace {

constexpr int kCaptionWarning = 33029;
constexpr int kCaptionError = 33030;
constexpr int kTextReplaceReadOnly = 40511;

std::string Caption(int id, const char* fallback) {
  const char* text = StringText(id);
  return text ? text : fallback;
}

}  // namespace

FileDialogAnswer MessagePresenter::AskFiles(const FileDialogRequest&) { return {}; }
std::optional<std::string> MessagePresenter::AskFolder(const std::string&, const std::string&) { return std::nullopt; }
std::optional<int> MessagePresenter::AskJpegQuality(int) { return std::nullopt; }
std::optional<int> MessagePresenter::AskZoomPercent(int, int, int) { return std::nullopt; }

void Messages::ShowError(const Error& error) const {
  if (error.ok()) return;
  presenter_->ShowMessageBox(Caption(kCaptionError, "Tintara Error"), ErrorText(error));
}

void Messages::ShowWarning(int stringId, const std::string& detail) const {
  std::string text = StringOrEmpty(stringId);
  if (!detail.empty()) text += "\n" + detail;
  presenter_->ShowMessageBox(Caption(kCaptionWarning, "Tintara Warning"), text);
}

void Messages::ShowStatus(int stringId) const { presenter_->ShowStatus(StringOrEmpty(stringId)); }

bool Messages::ShowOnce(int stringId, bool choice) const {
  // A silenced message always means "go on", also for a message that offers Cancel.
  if (!once_->OnceMessageShouldShow(stringId)) return true;
  const OnceDialogAnswer answer = presenter_->ShowOnceDialog(StringOrEmpty(stringId), choice);
  // Cancel closes the box without reading the check box, so it never silences the message.
  if (answer.ok && answer.dontShowAgain) once_->SilenceOnceMessage(stringId);
  return answer.ok;
}

bool Messages::AskReplaceReadOnly() const {
  return presenter_->AskYesNo(Caption(kCaptionWarning, "Tintara Warning"), StringOrEmpty(kTextReplaceReadOnly));
}

}  // namespace tintara
