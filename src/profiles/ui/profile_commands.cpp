#include "profiles/ui/profile_commands.h"

#include <filesystem>
#include <new>
#include <string>
#include <vector>

#include "app/messages.h"
#include "app/settings.h"
#include "base/strings.h"
#include "base/result_codes.h"
#include "profiles/profile_file.h"

namespace tintara {

namespace {

constexpr int kCaptionWarning = 33029;
constexpr int kCaptionError = 33030;

std::vector<FileFilter> ProfileFilters() {
  return {{"Color profile (*.tnp)", {"*.tnp"}}, {"All files (*.*)", {"*.*"}}};
}

// The folder part of a chosen path; empty for a bare file name.
std::string FolderOf(const std::string& path) {
  return std::filesystem::path(path).parent_path().string();
}

enum class SaveOutcome { kSaved, kCancelled, kFailed };

// Save As for one record: the proposed name, the save dialog, the file, the remembered folder.
SaveOutcome SaveRecordAs(ProfileRecord& record) {
  CSettings& settings = Settings();
  FileDialogRequest request;
  request.kind = FileDialogRequest::Kind::kSave;
  request.title = "Save Profile";
  request.filters = ProfileFilters();
  request.folder = settings.SaveProfileFolder();
  request.fileName = ProposedProfileFileName(record.name);
  request.defaultSuffix = "tnp";
  request.confirmOverwrite = true;
  const FileDialogAnswer answer = Presenter().AskFiles(request);
  if (!answer.ok || answer.paths.empty() || answer.paths.front().empty()) return SaveOutcome::kCancelled;

  const std::string& path = answer.paths.front();
  const bool saved = SaveProfileFile(record, path);
  if (!saved) AppMessages().ShowError(kProfileSaveFailed);
  const std::string folder = FolderOf(path);
  if (!folder.empty()) settings.SetSaveProfileFolder(folder);
  return saved ? SaveOutcome::kSaved : SaveOutcome::kFailed;
}

// What the closing prompt calls the record: 'name' (description).
std::string PromptName(const ProfileRecord& record) {
  std::string name = "'" + record.name + "'";
  if (!record.description.empty()) name += " (" + record.description + ")";
  return name;
}

}  // namespace

int AddProfilesCommand(ProfileStore& store) {
  CSettings& settings = Settings();
  FileDialogRequest request;
  request.kind = FileDialogRequest::Kind::kOpenSeveral;
  request.title = "Add Profile";
  request.filters = ProfileFilters();
  request.folder = settings.LoadProfileFolder();
  request.defaultSuffix = "tnp";
  const FileDialogAnswer answer = Presenter().AskFiles(request);
  if (!answer.ok) return -1;

  int last = -1;
  for (const std::string& path : answer.paths) {
    try {
      ProfileRecord record;
      switch (ReadProfileFile(path, record)) {
        case ProfileFileStatus::kOk:
          // An added profile belongs to this run: it is neither the folder's nor waiting to be saved.
          record.InFolder = false;
          record.Unsaved = false;
          last = store.AddOrReplaceProfile(record);
          break;
        case ProfileFileStatus::kCannotRead:
          AppMessages().ShowError(kProfileLoadFailed);
          break;
        case ProfileFileStatus::kEmpty:
          break;
        case ProfileFileStatus::kForeign:
          Presenter().ShowMessageBox(StringOrEmpty(kCaptionError), kTextForeignProfile);
          break;
        case ProfileFileStatus::kOutOfMemory:
          AppMessages().ShowError(kOutOfMemory);
          return last;
      }
    } catch (const std::bad_alloc&) {
      AppMessages().ShowError(kOutOfMemory);
      return last;
    }
  }

  if (last >= 0 && !answer.paths.empty()) {
    const std::string folder = FolderOf(answer.paths.front());
    if (!folder.empty()) settings.SetLoadProfileFolder(folder);
  }
  return last;
}

void SaveProfileAsCommand(ProfileStore& store, int index) {
  if (index < 0 || index >= store.Count()) return;
  SaveRecordAs(store.At(index));
}

void RemoveProfileCommand(ProfileStore& store, int index) { store.RemoveProfile(index); }

bool PromptSaveUnsavedProfiles(ProfileStore& store) {
  for (int i = 0; i < store.Count(); ++i) {
    ProfileRecord& record = store.At(i);
    // A save that failed is asked about again: the user chose to keep this profile, and closing
    // now would lose it with nothing but the error to show for it. No or Cancel still end the
    // question.
    while (record.Unsaved) {
      const std::string text = "The color profile " + PromptName(record) + " is not saved.\nDo you want to save it?";
      const YesNoCancel choice = Presenter().AskYesNoCancel(StringOrEmpty(kCaptionWarning), text);
      if (choice == YesNoCancel::kCancel) return false;
      if (choice == YesNoCancel::kNo) break;
      if (SaveRecordAs(record) != SaveOutcome::kFailed) break;
    }
  }
  return true;
}

}  // namespace tintara
