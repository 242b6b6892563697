#pragma once

#include <optional>
#include <string>

#include "base/messages.h"

namespace tintara {

// The program's own file choosers for photographs (the Open command and the document's Save As), as
// requests put to a presenter, so they run in tests with scripted answers. The folders they start
// in are the caller's to keep ("LoadImagePath", "SaveImagePath"): each is handed in and, when the
// user chose a file, handed back as the folder of that file. Paths are UTF-8.

// The type entries of the two choosers, in their order.
enum OpenImageFilter { kOpenSupportedFiles, kOpenTiffFiles, kOpenJpegFiles, kOpenAllFiles };
enum SaveImageFilter { kSaveTiffFile, kSaveJpegFile };

// The requests as they are put to the presenter: the Open chooser starts in `folder`, the Save As
// chooser too, with `currentName` proposed and the JPEG entry chosen when that name is a JPEG one.
// An empty folder is left to the dialog.
FileDialogRequest OpenImageRequest(const std::string& folder);
FileDialogRequest SaveImageRequest(const std::string& currentName, const std::string& folder);

// Asks for an image to open; on OK sets `folder` to the file's folder and returns the path, nullopt
// for Cancel.
std::optional<std::string> AskOpenImagePath(MessagePresenter& presenter, std::string& folder);

// Asks for the name to save an image under; on OK sets `folder` to the chosen folder and returns the
// path made to fit the type entry chosen (FitImageFileExtension), nullopt for Cancel. When the
// extension added names another file that exists, the user is asked before it is replaced.
std::optional<std::string> AskSaveImagePath(MessagePresenter& presenter, const std::string& currentName,
                                            std::string& folder);

// A name whose extension (in any letter case) already belongs to the type is kept; any other gets
// ".jpg" or ".tif" appended, so "photo.png" becomes "photo.png.tif" and "photo" "photo.jpg".
std::string FitImageFileExtension(const std::string& path, bool jpeg);

}  // namespace tintara
