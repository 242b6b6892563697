#pragma once

#include <string>

namespace tintara {

// The description AskProfileDescription returns when the user cancels.
inline constexpr char kCancelledDescription[] = ">>>CANSELL<<<";

struct OnceDialogAnswer {
  bool ok = false;            // OK or Continue; false for Cancel or closing the box
  bool dontShowAgain = false;  // the check box as it was when the box closed
};

struct DescriptionAnswer {
  bool ok = false;  // false for Cancel
  std::string description;
  bool saveToDisk = false;
};

enum class YesNoCancel { kYes, kNo, kCancel };

// Everything a flow shows or asks goes through this interface: the desktop program implements it with
// real dialogs, tests with scripted answers, the command line on the console. Ending the program is a
// call here too, so a test sees it without the test process ending.
class MessagePresenter {
 public:
  virtual ~MessagePresenter() = default;

  // A message box with an OK button and the exclamation icon.
  virtual void ShowMessageBox(const std::string& caption, const std::string& text) = 0;
  // The first pane of the main window's status bar.
  virtual void ShowStatus(const std::string& text) = 0;
  // The one-time message box ("Tintara Message"): OK alone, or Continue and Cancel with `choice`.
  virtual OnceDialogAnswer ShowOnceDialog(const std::string& text, bool choice) = 0;
  virtual bool AskYesNo(const std::string& caption, const std::string& text) = 0;
  virtual YesNoCancel AskYesNoCancel(const std::string& caption, const std::string& text) = 0;
  // The "New Profile" dialog.
  virtual DescriptionAnswer AskDescription(const std::string& initial) = 0;
  // Ends the program with `exitCode`: at once, or once control returns to the event loop.
  virtual void EndProgram(int exitCode, bool immediately) = 0;
};

// The presenter in use; a console presenter until another is installed. Not owned.
MessagePresenter& Presenter();
void SetPresenter(MessagePresenter* presenter);  // nullptr restores the console presenter

// The message convention.
void ShowErrorCode(int code);
void ShowWarning(int stringId);
void ShowStatusText(int stringId);
bool ShowOnceMessage(int stringId, bool choice);
bool AskReplaceReadOnly();
// The entered description, or kCancelledDescription on Cancel; `save` is true only for OK with the
// save box ticked.
std::string AskProfileDescription(const std::string& initial, bool& save);

}  // namespace tintara
