#include "image/image_file_choosers.h"

#include <filesystem>
#include <system_error>

#include "base/file_names.h"
#include "image/image_file.h"

namespace tintara {

namespace {

FileFilter TiffFilter() { return {"TIFF file (*.tif; *.tiff)", {"*.tif", "*.tiff"}}; }
FileFilter JpegFilter() { return {"JPEG file (*.jpg; *.jpeg)", {"*.jpg", "*.jpeg"}}; }

// The folder part of a chosen path, without its last separator ("/" for a file at the root).
std::string FolderOf(const std::string& path) {
  const std::string name = FileNameOf(path);
  std::string folder = path.substr(0, path.size() - name.size());
  while (folder.size() > 1 && IsFolderSeparator(folder.back())) folder.pop_back();
  return folder;
}

// The one path a chooser answered with, or nullopt for Cancel (and for an answer without a path).
std::optional<std::string> ChosenPath(const FileDialogAnswer& answer) {
  if (!answer.ok || answer.paths.empty() || answer.paths.front().empty()) return std::nullopt;
  return answer.paths.front();
}

}  // namespace

FileDialogRequest OpenImageRequest(const std::string& folder) {
  FileDialogRequest request;
  request.kind = FileDialogRequest::Kind::kOpen;
  request.title = "Open";
  request.filters = {
      {"Supported files (*.tif; *.tiff; *.jpg; *.jpeg)", {"*.tif", "*.tiff", "*.jpg", "*.jpeg"}},
      TiffFilter(),
      JpegFilter(),
      {"All files (*.*)", {"*.*"}},
  };
  request.selectedFilter = kOpenSupportedFiles;
  request.folder = folder;
  return request;
}

FileDialogRequest SaveImageRequest(const std::string& currentName, const std::string& folder) {
  FileDialogRequest request;
  request.kind = FileDialogRequest::Kind::kSave;
  request.title = "Save As";
  request.filters = {TiffFilter(), JpegFilter()};
  request.selectedFilter = ImageFormatOf(currentName) == ImageFormat::kJpeg ? kSaveJpegFile : kSaveTiffFile;
  request.folder = folder;
  request.fileName = currentName;
  request.confirmOverwrite = true;
  return request;
}

std::optional<std::string> AskOpenImagePath(MessagePresenter& presenter, std::string& folder) {
  const std::optional<std::string> path = ChosenPath(presenter.AskFiles(OpenImageRequest(folder)));
  if (path) folder = FolderOf(*path);
  return path;
}

std::optional<std::string> AskSaveImagePath(MessagePresenter& presenter, const std::string& currentName,
                                            std::string& folder) {
  const FileDialogAnswer answer = presenter.AskFiles(SaveImageRequest(currentName, folder));
  const std::optional<std::string> path = ChosenPath(answer);
  if (!path) return std::nullopt;
  folder = FolderOf(*path);
  const std::string fitted = FitImageFileExtension(*path, answer.chosenFilter == kSaveJpegFile);
  // The dialog asked before replacing the name that was typed; a name the extension was added to
  // afterwards may name another file that exists, which must not be replaced without asking.
  std::error_code error;
  if (fitted != *path && std::filesystem::exists(std::filesystem::u8path(fitted), error) &&
      !presenter.AskYesNo("Save As", FileNameOf(fitted) + " already exists.\nDo you want to replace it?")) {
    return std::nullopt;
  }
  return fitted;
}

std::string FitImageFileExtension(const std::string& path, bool jpeg) {
  const ImageFormat wanted = jpeg ? ImageFormat::kJpeg : ImageFormat::kTiff;
  if (ImageFormatOf(path) == wanted) return path;
  return path + (jpeg ? ".jpg" : ".tif");
}

}  // namespace tintara
