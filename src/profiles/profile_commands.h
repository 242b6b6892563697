#pragma once

#include <string>

#include "base/messages.h"
#include "profiles/profile_store.h"

namespace tintara {

// The Profile menu's flows and the save prompt at closing. They ask and tell through the message
// convention they are handed, so they run the same under the desktop program's dialogs and a
// test's scripted answers. Each file dialog starts in the folder it is given, and the flow leaves
// there the folder the user went to, for the caller to keep (the desktop program stores it in the
// settings). The caller refills the profile box afterwards.

// Profile > Add: reads every chosen file into the store, saying what is wrong with those it cannot
// use. Once a profile was added, `folder` becomes the folder of the selection. Returns the position
// of the last profile added, or -1 when none was.
int AddProfileFiles(ProfileStore& store, const Messages& messages, std::string& folder);

enum class SaveOutcome { kSaved, kCancelled, kFailed };

// Profile > Save As for `record`: proposes a file name, asks for the file and writes the record's
// bytes there (clearing Unsaved), or says that it could not. Unless the dialog was cancelled,
// `folder` becomes the folder of the path chosen.
SaveOutcome SaveProfileAs(ProfileRecord& record, const Messages& messages, std::string& folder);

// Profile > Remove for the record at `index`: it leaves the store, its file (if any) stays on disk.
void RemoveProfileCommand(ProfileStore& store, int index);

// Before the main window closes: offers to save every record created in this run and not saved,
// the save dialogs starting in `folder` (kept as SaveProfileAs keeps it). False when the user
// cancelled, in a question or in a save dialog: the program keeps running.
bool AskSaveUnsavedProfiles(ProfileStore& store, const Messages& messages, std::string& folder);

}  // namespace tintara
