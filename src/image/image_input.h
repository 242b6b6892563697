#pragma once

#include <string>

#include "base/error.h"

namespace tintara {

// Opens an image file for reading, but only a regular file: what the path names is looked at before
// anything is opened (a FIFO named like an image would wait for a writer that may never come, and a
// device may do anything on being opened) and again on the open descriptor, which is opened without
// blocking, so a file swapped in between is caught too. Returns 0 with `fd` open for reading (the
// caller closes it), or the refusal, with the system's cause as its detail ("No such file or
// directory", "Permission denied"):
//   kImageFileIsFolder  the path names a folder;
//   kCannotOpenImage    a FIFO, device or socket;
//   kImageCorrupt       nothing readable by that name (what the readers have always said of it).
Error OpenImageForReading(const std::string& path, int& fd);

// The same look without keeping anything open: 0 for a regular file that can be opened for reading,
// otherwise the refusal above.
Error CheckImageFile(const std::string& path);

}  // namespace tintara
