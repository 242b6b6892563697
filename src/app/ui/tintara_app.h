#pragma once

#include <memory>
#include <string>
#include <vector>

#include "app/settings_storage.h"
#include "engine/reference_data.h"
#include "profiles/profile_store.h"

#include <QStringList>

namespace tintara {

class CMainFrame;
class MessagePresenter;

// What a run of the program starts from.
struct StartupOptions {
  std::string programFolder;         // where Lumeno.dat and the help document lie
  std::string referenceDataPath;     // empty: Lumeno.dat in the program folder
  std::vector<std::string> files;    // images named on the command line
  // Where the main window keeps its placement, bar state and recent files; empty: the native
  // store the settings use (organisation "Lumeno", application "Tintara").
  std::unique_ptr<SettingsStorage> frameStore;
  // The program shows its boxes with real dialogs; a test keeps its own presenter instead.
  bool realDialogs = true;
};

// The command line of the desktop program: every argument that is not an option names an image
// to open. The program folder is the executable's.
StartupOptions OptionsFromCommandLine(const QStringList& arguments);

// The application: owns the reference sets, the profile store, the main window and the
// presenter of the message convention for the whole run.
class CTintaraApp {
 public:
  explicit CTintaraApp(StartupOptions options);
  ~CTintaraApp();
  CTintaraApp(const CTintaraApp&) = delete;
  CTintaraApp& operator=(const CTintaraApp&) = delete;

  // Start-up, in order: the settings, the main window (with its stored placement and bars),
  // showing it, the images of the command line, the reference data file, the profile folder, both
  // boxes of the profile bar. Returns 0 when the program is to run on, otherwise its exit
  // status: 1 after the message for a missing or corrupt reference data file.
  int InitInstance();

  // Start-up and then the event loop; the program's exit status.
  int Run();

  CMainFrame* mainFrame() const { return frame_.get(); }
  ProfileStore& profiles() { return profiles_; }
  const ReferenceSetList& references() const { return references_; }

 private:
  StartupOptions options_;
  ReferenceSetList references_;
  ProfileStore profiles_;
  std::unique_ptr<CMainFrame> frame_;
  std::unique_ptr<MessagePresenter> presenter_;
};

}  // namespace tintara
