#pragma once

#include "profiles/profile_store.h"

namespace tintara {

// The Profile menu's commands and the save prompt at closing. They ask and tell through the message
// convention (app/messages.h) and keep their folders in the settings, so they run in tests with
// scripted answers. The caller refills the profile box afterwards.

// Profile > Add: the position in the store of the last profile added, or -1 when none was.
int AddProfilesCommand(ProfileStore& store);
// Profile > Save As for the record at `index`.
void SaveProfileAsCommand(ProfileStore& store, int index);
// Profile > Remove for the record at `index`; its file stays on disk.
void RemoveProfileCommand(ProfileStore& store, int index);
// Before the main window closes: offers to save every record created in this run and not saved.
// False when the user chose Cancel (the program keeps running).
bool PromptSaveUnsavedProfiles(ProfileStore& store);

}  // namespace tintara
