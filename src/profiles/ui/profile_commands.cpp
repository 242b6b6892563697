#include "profiles/ui/profile_commands.h"

#include <string>

#include "app/messages.h"
#include "app/settings.h"

namespace tintara {

namespace {

// Runs `flow` with the folder setting read by `get`, and stores the folder the flow leaves behind
// with `set` when it changed.
template <typename Flow>
auto WithFolderSetting(std::string (CSettings::*get)() const, void (CSettings::*set)(const std::string&), Flow flow) {
  CSettings& settings = Settings();
  std::string folder = (settings.*get)();
  const auto result = flow(folder);
  if (folder != (settings.*get)()) (settings.*set)(folder);
  return result;
}

}  // namespace

int AddProfilesCommand(ProfileStore& store) {
  return WithFolderSetting(&CSettings::LoadProfileFolder, &CSettings::SetLoadProfileFolder,
                           [&](std::string& folder) { return AddProfileFiles(store, AppMessages(), folder); });
}

void SaveProfileAsCommand(ProfileStore& store, int index) {
  if (index < 0 || index >= store.Count()) return;
  WithFolderSetting(&CSettings::SaveProfileFolder, &CSettings::SetSaveProfileFolder,
                    [&](std::string& folder) { return SaveProfileAs(store.At(index), AppMessages(), folder); });
}

bool PromptSaveUnsavedProfiles(ProfileStore& store) {
  return WithFolderSetting(&CSettings::SaveProfileFolder, &CSettings::SetSaveProfileFolder,
                           [&](std::string& folder) { return AskSaveUnsavedProfiles(store, AppMessages(), folder); });
}

}  // namespace tintara
