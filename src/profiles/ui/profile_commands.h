#pragma once

#include "profiles/profile_commands.h"
#include "profiles/profile_store.h"

namespace tintara {

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

}  // namespace tintara
