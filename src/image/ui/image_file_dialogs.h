#pragma once

#include <optional>
#include <string>

#include "app/messages.h"

namespace tintara {

// The program's own file choosers for photographs (the Open command and the document's Save As),
// asked through the message convention so they run in tests with scripted answers. Paths are UTF-8.

// The type entries of the two choosers, in their order.
enum OpenImageFilter { kOpenSupportedFiles, kOpenTiffFiles, kOpenJpegFiles, kOpenAllFiles };
enum SaveImageFilter { kSaveTiffFile, kSaveJpegFile };

// The requests as they are put to the presenter: the Open chooser starts in "LoadImagePath", the
// Save As chooser in "SaveImagePath" with `currentName` proposed and the JPEG entry chosen when that
// name is a JPEG one. Either folder is left to the dialog while its setting is empty.
FileDialogRequest OpenImageRequest();
FileDialogRequest SaveImageRequest(const std::string& currentName);

// Asks for an image to open; on OK stores the file's folder as "LoadImagePath" and returns the path,
// nullopt for Cancel.
std::optional<std::string> AskOpenImagePath();

// Asks for the name to save an image under; on OK stores the folder as "SaveImagePath" and returns
// the path made to fit the type entry chosen (FitImageFileExtension), nullopt for Cancel.
std::optional<std::string> AskSaveImagePath(const std::string& currentName);

// A name whose extension (in any letter case) already belongs to the type is kept; any other gets
// ".jpg" or ".tif" appended, so "photo.png" becomes "photo.png.tif" and "photo" "photo.jpg".
std::string FitImageFileExtension(const std::string& path, bool jpeg);

}  // namespace tintara
