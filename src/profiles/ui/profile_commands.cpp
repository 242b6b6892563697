#include "profiles/ui/profile_commands.h"

namespace tintara {

// A first cut that the Profile menu's own work replaces: the frame links against it.
int AddProfilesCommand(ProfileStore&) { return -1; }
void SaveProfileAsCommand(ProfileStore&, int) {}
void RemoveProfileCommand(ProfileStore& store, int index) { store.RemoveProfile(index); }
bool PromptSaveUnsavedProfiles(ProfileStore&) { return true; }

}  // namespace tintara
