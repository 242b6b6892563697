#pragma once

#include <optional>
#include <string>

#include "image/image_file_choosers.h"

namespace tintara {

// The Open chooser's request, starting in the stored "LoadImagePath".
FileDialogRequest OpenImageRequest();

// The Open command's chooser on the installed presenter, starting in the stored "LoadImagePath";
// on OK the file's folder is stored there and the path returned, nullopt for Cancel.
std::optional<std::string> AskOpenImagePath();

}  // namespace tintara
