#pragma once

#include <optional>
#include <string>
#include <vector>

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

// One entry of a file dialog's type list: the text the user reads ("TIFF file (*.tif; *.tiff)") and
// the name patterns it stands for ({"*.tif", "*.tiff"}).
struct FileFilter {
  std::string label;
  std::vector<std::string> patterns;
};

// A file chooser as a flow asks for it.
struct FileDialogRequest {
  enum class Kind { kOpen, kOpenSeveral, kSave };
  Kind kind = Kind::kOpen;
  std::string title;
  std::vector<FileFilter> filters;
  int selectedFilter = 0;     // index into filters
  std::string folder;         // where the dialog starts; empty leaves it to the dialog
  std::string fileName;       // the name proposed (kSave)
  std::string defaultSuffix;  // appended by the dialog to a name typed without one ("tnp"); may be empty
  bool confirmOverwrite = false;
};

struct FileDialogAnswer {
  bool ok = false;  // false for Cancel
  std::vector<std::string> paths;  // one for kOpen and kSave, one or more for kOpenSeveral
  int chosenFilter = 0;            // index of the type entry in use when the dialog closed
};

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

  // Choosers and small dialogs of the desktop program. Where no person can answer (the console, the
  // command line) each one answers Cancel.
  virtual FileDialogAnswer AskFiles(const FileDialogRequest& request);
  // The folder browser: the chosen folder, or nullopt for Cancel.
  virtual std::optional<std::string> AskFolder(const std::string& title, const std::string& initial);
  // "JPEG Options": the chosen quality (1..100), or nullopt for Cancel.
  virtual std::optional<int> AskJpegQuality(int initial);
  // "Enter Zoom": a whole percentage within low..high, or nullopt for Cancel.
  virtual std::optional<int> AskZoomPercent(int initial, int low, int high);
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
