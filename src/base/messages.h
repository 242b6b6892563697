#pragma once

#include <optional>
#include <string>
#include <vector>

#include "base/error.h"

namespace tintara {

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
// real dialogs, tests with scripted answers, the command line on the console. A flow is handed the
// presenter it uses; nothing here ends the program, which is for the application to decide.
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

// Which one-time messages the user has silenced ("Do not show this message again"); kept by the
// settings store.
class OnceMessageFlags {
 public:
  virtual ~OnceMessageFlags() = default;
  virtual bool OnceMessageShouldShow(int stringId) = 0;
  virtual void SilenceOnceMessage(int stringId) = 0;
};

// The message convention, as a flow is handed it: boxes and questions by string number on a
// presenter, with the one-time messages' flags kept in `once`. Cheap to copy; it refers to both.
class Messages {
 public:
  Messages(MessagePresenter& presenter, OnceMessageFlags& once) : presenter_(&presenter), once_(&once) {}

  MessagePresenter& presenter() const { return *presenter_; }

  // The error box ("Tintara Error") with the error's text and detail; nothing for success.
  void ShowError(const Error& error) const;
  // The warning box ("Tintara Warning") with string `stringId`, and `detail` (the file concerned,
  // say) on a line of its own when it is not empty.
  void ShowWarning(int stringId, const std::string& detail = {}) const;
  // String `stringId` in the status bar.
  void ShowStatus(int stringId) const;
  // A one-time message: true for OK or Continue, and always true once the user silenced it; Cancel
  // never silences it.
  bool ShowOnce(int stringId, bool choice) const;
  // "The file already exists, and is marked as read-only. Are you sure you want to replace it?"
  bool AskReplaceReadOnly() const;

 private:
  MessagePresenter* presenter_;
  OnceMessageFlags* once_;
};

}  // namespace tintara
