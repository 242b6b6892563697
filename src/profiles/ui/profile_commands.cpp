#include "profiles/ui/profile_commands.h"

#include <string>

#include "app/messages.h"
#include "app/settings.h"
#include "base/ui/command_registry.h"
#include "base/ui/commands.h"
#include "profiles/ui/profile_bar.h"

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

CProfileMenu::CProfileMenu(CommandRegistry& commands, ProfileStore& store, CProfileBar& bar)
    : store_(store), bar_(bar) {
  commands.Register(cmd::kProfileAdd, [this] { AddProfiles(); });
  // Save As and Remove work on the chosen profile, and only while there is one.
  const auto onChosen = [this, &commands](int id, void (*command)(ProfileStore&, int)) {
    commands.Register(
        id,
        [this, command] {
          const int index = store_.IndexOf(bar_.SelectedProfileId());
          if (index < 0) return;
          command(store_, index);
          RefillProfileBox();
        },
        [this] { return SelectedProfile() != nullptr; });
  };
  onChosen(cmd::kProfileSaveAs, SaveProfileAsCommand);
  onChosen(cmd::kProfileRemove, RemoveProfileCommand);
}

const ProfileRecord* CProfileMenu::SelectedProfile() const { return store_.Find(bar_.SelectedProfileId()); }

void CProfileMenu::RefillProfileBox() { bar_.FillProfiles(store_); }

bool CProfileMenu::AddProfiles() {
  const int added = AddProfilesCommand(store_);
  RefillProfileBox();
  if (added >= 0) bar_.SelectProfile(store_.IdAt(added));
  return added >= 0;
}

}  // namespace tintara
