#include "app/ui/tintara_app.h"

#include <QApplication>
#include <QStringList>

#include "app/messages.h"
#include "app/program_folder.h"
#include "app/settings.h"
#include "app/settings_storage.h"
#include "base/result_codes.h"
#include "base/strings.h"
#include "app/ui/main_frame.h"
#include "app/ui/qt_presenter.h"
#include "base/ui/ui_text.h"

namespace tintara {

StartupOptions OptionsFromCommandLine(const QStringList& arguments) {
  StartupOptions options;
  options.programFolder = ProgramFolder();
  bool onlyFiles = false;
  for (qsizetype i = 1; i < arguments.size(); ++i) {
    const QString& argument = arguments[i];
    if (!onlyFiles && argument == QLatin1String("--")) {
      onlyFiles = true;
    } else if (onlyFiles || !argument.startsWith('-')) {
      options.files.push_back(ui::ToUtf8(argument));
    }
  }
  return options;
}

CTintaraApp::CTintaraApp(StartupOptions options) : options_(std::move(options)) {
  if (!options_.frameStore) options_.frameStore = MakeNativeSettingsStorage();
  if (options_.referenceDataPath.empty()) options_.referenceDataPath = options_.programFolder + "/Lumeno.dat";
}

CTintaraApp::~CTintaraApp() {
  // The presenter's boxes belong to the main window: it goes first.
  presenter_.reset();
  frame_.reset();
}

int CTintaraApp::InitInstance() {
  Settings();  // built and loaded before anything reads it

  frame_ = std::make_unique<CMainFrame>(profiles_, references_, *options_.frameStore, options_.programFolder);
  if (options_.realDialogs) presenter_ = std::make_unique<QtMessagePresenter>(frame_.get());

  // The window is shown before the images of the command line open: a document fits its first
  // view to the room the window gives it, and a window that was never shown has no room laid out.
  frame_->ShowWithStoredPlacement();
  for (const std::string& file : options_.files) frame_->OpenDocumentFile(file);

  // Without the reference data nothing can be measured: its message ends the program. The exit
  // status is returned from here, as an exit asked for before the event loop runs would be lost.
  const Error reference = LoadReferenceData(references_, options_.referenceDataPath);
  if (reference.failed()) {
    AppMessages().ShowError(reference);
    if (ErrorCodeEndsProgram(reference.code())) return 1;
  } else if (const Error scan = ScanProfileFolder(Settings().ProfileFolder(), profiles_);
             scan == kProfileFolderInvalid) {
    // The folder may only be out of reach for now (a drive not mounted yet): the status bar says
    // why the profile list is empty without holding up the start, and the setting stays as it is.
    Presenter().ShowStatus(ErrorCodeText(scan.code()));
  } else if (scan.failed()) {
    AppMessages().ShowError(scan.code());
    if (ErrorCodeEndsProgram(scan.code())) return 1;
  }

  frame_->RefillProfileBox();
  frame_->RefillReferenceBox();
  frame_->UpdateCommandUI();
  return 0;
}

int CTintaraApp::Run() {
  if (const int status = InitInstance(); status != 0) return status;
  return QApplication::exec();
}

}  // namespace tintara
