#pragma once

#include <string>
#include <string_view>

namespace tintara {

// Whether `c` separates folders in a path: "/" and, on Windows, "\" as well. Elsewhere a "\" is an
// ordinary character of a file name, so "a\b.tif" is one file called that, not b.tif in folder a.
bool IsFolderSeparator(char c);

// The file name without its folder: the text after the last folder separator (the whole path when
// it has none).
std::string FileNameOf(std::string_view path);

// Whether the path ends in `extension` (given with its ".", in lower case), compared without regard
// to letter case. File types are told apart by this alone: ".tif", ".jpg", ".tnp".
bool HasExtension(std::string_view path, std::string_view extension);

}  // namespace tintara
