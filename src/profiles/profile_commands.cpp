#include "profiles/profile_commands.h"

#include <filesystem>
#include <new>
#include <system_error>

#include "base/result_codes.h"
#include "base/strings.h"
#include "profiles/profile_file.h"

namespace tintara {

namespace {

constexpr int kCaptionWarning = 33029;
constexpr int kCaptionError = 33030;

// A file dialog of the Profile menu: profile files, "tnp" for a name typed without an extension,
// starting in `folder`.
FileDialogRequest ProfileFileRequest(FileDialogRequest::Kind kind, const char* title, const std::string& folder) {
  FileDialogRequest request;
  request.kind = kind;
  request.title = title;
  request.filters = {{"Color profile (*.tnp)", {"*.tnp"}}, {"All files (*.*)", {"*.*"}}};
  request.folder = folder;
  request.defaultSuffix = "tnp";
  return request;
}

// The folder part of a chosen path; empty for a bare file name.
std::string FolderOf(const std::string& path) {
  return std::filesystem::path(path).parent_path().string();
}

// What the closing prompt calls the record: 'name' (description).
std::string PromptName(const ProfileRecord& record) {
  std::string name = "'" + record.name + "'";
  if (!record.description.empty()) name += " (" + record.description + ")";
  return name;
}

bool IsEmptyFile(const std::string& path) {
  std::error_code ec;
  return std::filesystem::file_size(path, ec) == 0 && !ec;
}

}  // namespace

int AddProfileFiles(ProfileStore& store, const Messages& messages, std::string& folder) {
  const FileDialogAnswer answer =
      messages.presenter().AskFiles(ProfileFileRequest(FileDialogRequest::Kind::kOpenSeveral, "Add Profile", folder));
  if (!answer.ok) return -1;

  int last = -1;
  for (const std::string& path : answer.paths) {
    // A file without bytes holds no profile and no error worth a box: it is passed over.
    if (IsEmptyFile(path)) continue;
    try {
      ProfileRecord record;
      // Each box names the file on a line of its own: several may have been chosen at once.
      switch (ReadProfileFile(path, record).code()) {
        case kOk:
          // An added profile belongs to this run: it is neither the folder's nor waiting to be saved.
          record.InFolder = false;
          record.Unsaved = false;
          last = store.AddOrReplaceProfile(record);
          break;
        case kForeignProfile:
          messages.presenter().ShowMessageBox(StringOrEmpty(kCaptionError), std::string(kTextForeignProfile) + "\n" + path);
          break;
        case kOutOfMemory:
          messages.ShowError(kOutOfMemory);
          return last;
        default:
          messages.ShowError(Error(kProfileLoadFailed, path));
          break;
      }
    } catch (const std::bad_alloc&) {
      messages.ShowError(kOutOfMemory);
      return last;
    }
  }

  if (last >= 0 && !answer.paths.empty()) {
    if (const std::string chosen = FolderOf(answer.paths.front()); !chosen.empty()) folder = chosen;
  }
  return last;
}

SaveOutcome SaveProfileAs(ProfileRecord& record, const Messages& messages, std::string& folder) {
  FileDialogRequest request = ProfileFileRequest(FileDialogRequest::Kind::kSave, "Save Profile", folder);
  request.fileName = ProposedProfileFileName(record.name);
  request.confirmOverwrite = true;
  const FileDialogAnswer answer = messages.presenter().AskFiles(request);
  if (!answer.ok || answer.paths.empty() || answer.paths.front().empty()) return SaveOutcome::kCancelled;

  const std::string& path = answer.paths.front();
  const Error saved = SaveProfileFile(record, path);
  messages.ShowError(saved.failed() ? Error(saved.code(), path) : saved);
  if (const std::string chosen = FolderOf(path); !chosen.empty()) folder = chosen;
  return saved.ok() ? SaveOutcome::kSaved : SaveOutcome::kFailed;
}

void RemoveProfileCommand(ProfileStore& store, int index) { store.RemoveProfile(index); }

bool AskSaveUnsavedProfiles(ProfileStore& store, const Messages& messages, std::string& folder) {
  for (int i = 0; i < store.Count(); ++i) {
    ProfileRecord& record = store.At(i);
    // A save that failed is asked about again: the user chose to keep this profile, and closing
    // now would lose it with nothing but the error to show for it.
    while (record.Unsaved) {
      const std::string text = "The color profile " + PromptName(record) + " is not saved.\nDo you want to save it?";
      const YesNoCancel choice = messages.presenter().AskYesNoCancel(StringOrEmpty(kCaptionWarning), text);
      if (choice == YesNoCancel::kCancel) return false;
      if (choice == YesNoCancel::kNo) break;
      // Cancel in the save dialog takes the Yes back, not the wish to keep the profile: the
      // closing stops, as Cancel in the question would stop it, rather than lose the profile.
      if (SaveProfileAs(record, messages, folder) == SaveOutcome::kCancelled) return false;
    }
  }
  return true;
}

}  // namespace tintara
