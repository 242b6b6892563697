#pragma once

#include <string>
#include <string_view>

namespace tintara {

// The file name without its folder: the text after the last "/" or "\" (the whole path when it has
// neither). Both separators count, as they do in every folder text the program stores.
std::string FileNameOf(std::string_view path);

// Whether the path ends in `extension` (given with its ".", in lower case), compared without regard
// to letter case. File types are told apart by this alone: ".tif", ".jpg", ".tnp".
bool HasExtension(std::string_view path, std::string_view extension);

}  // namespace tintara
