#include "app/ui/preferences_command.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <algorithm>
#include <string>
#include <vector>

#include "app/messages.h"
#include "app/settings.h"
#include "app/ui/child_frame.h"
#include "app/ui/main_frame.h"
#include "app/ui/preferences_dialog.h"
#include "base/ui/ui_text.h"
#include "image/ui/tintara_doc.h"
#include "profiles/profile_store.h"

namespace tintara {
namespace {

// Every open document once, even when several windows show it.
std::vector<CTintaraDoc*> OpenDocuments(const CMainFrame& frame) {
  std::vector<CTintaraDoc*> documents;
  for (QMdiSubWindow* window : frame.mdiArea()->subWindowList()) {
    auto* child = qobject_cast<CChildFrame*>(window);
    if (!child || !child->document()) continue;
    CTintaraDoc* document = child->document();
    if (std::find(documents.begin(), documents.end(), document) == documents.end()) documents.push_back(document);
  }
  return documents;
}

// The folder stays stored even when it cannot be used: the box says so, and the list shows what the
// scan found.
void RescanProfileFolder(CMainFrame& frame, const std::string& folder) {
  AppMessages().ShowError(ScanProfileFolder(folder, frame.profiles()));
  frame.RefillProfileBox();
}

}  // namespace

void RunPreferencesCommand(CMainFrame& frame) {
  CSettings& settings = Settings();
  const std::string previousFolder = settings.ProfileFolder();
  const bool previousMonitorFlag = settings.ICMFlag();
  const int previousQuality = settings.JPEGQuality();

  CPreferencesDialog dialog(&frame);
  if (dialog.exec() != QDialog::Accepted) {
    // "Use Defaults" has written these three already; Cancel takes them back. The other values it
    // reset stay at their defaults.
    settings.SetProfileFolder(previousFolder);
    settings.SetICMFlag(previousMonitorFlag);
    settings.SetJPEGQuality(previousQuality);
    return;
  }

  const std::string folder = ui::ToUtf8(dialog.path());
  const bool monitorFlag = dialog.adjustForMonitor();
  settings.SetProfileFolder(folder);
  settings.SetJPEGQuality(dialog.quality());
  settings.SetICMFlag(monitorFlag);
  if (dialog.resetHelp()) settings.ResetOnceMessages();

  // Exact comparison: on a file system that tells letter case apart, another case is another folder.
  if (folder != previousFolder) RescanProfileFolder(frame, folder);

  if (monitorFlag != previousMonitorFlag) {
    for (CTintaraDoc* document : OpenDocuments(frame)) {
      AppMessages().ShowError(document->RebuildDisplay());
    }
  }
}

}  // namespace tintara
