#pragma once

#include "profiles/profile_commands.h"
#include "profiles/profile_store.h"

namespace tintara {

class CommandRegistry;
class CProfileBar;

// The Profile menu's flows as the desktop program runs them: on its message boxes, with the folders
// their file dialogs start in read from the settings and the folders the user went to stored there.
// The caller refills the profile box afterwards.

// Profile > Add: the position in the store of the last profile added, or -1 when none was.
int AddProfilesCommand(ProfileStore& store);
// Profile > Save As for the record at `index`.
void SaveProfileAsCommand(ProfileStore& store, int index);
// Before the main window closes: offers to save every record created in this run and not saved.
// False when the user cancelled (the program keeps running).
bool PromptSaveUnsavedProfiles(ProfileStore& store);

// The Profile menu (Add, Save As, Remove) on the profile store and the profile bar's "Profile:"
// choice, which the other commands share: Convert Image converts with the chosen profile, Create
// Profile adds the new one and chooses it, Batch lists the profiles in the bar's order.
class CProfileMenu {
 public:
  // Registers the menu's commands. The store and the bar must outlive the menu.
  CProfileMenu(CommandRegistry& commands, ProfileStore& store, CProfileBar& bar);

  ProfileStore& store() const { return store_; }
  CProfileBar& bar() const { return bar_; }

  // The profile of the selected "Profile:" entry; nullptr when nothing is selected.
  const ProfileRecord* SelectedProfile() const;
  // Refills "Profile:" after the store changed; the entry selected before stays selected.
  void RefillProfileBox();
  // Profile > Add: true when a profile was added; the last one added is then the selected entry.
  bool AddProfiles();

 private:
  ProfileStore& store_;
  CProfileBar& bar_;
};

}  // namespace tintara
