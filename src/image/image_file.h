#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "base/error.h"
#include "image/image_buffer.h"

namespace tintara {

// Image files are told apart by extension alone, in any letter case.
enum class ImageFormat { kUnknown, kTiff, kJpeg };

// ".tif"/".tiff" or ".jpg"/".jpeg" at the end of the path (the text from its last ".").
ImageFormat ImageFormatOf(const std::string& path);

// What a read learns besides the pixels.
struct ImageReadInfo {
  bool paletteNotice = false;        // a TIFF of fewer than 24 bits per pixel was widened to RGB
  std::vector<uint8_t> iccProfile;  // an embedded profile, empty when none (or an incomplete one)
  bool severalImages = false;        // a TIFF of several full-resolution images: only the first was read
};

// Reads a TIFF or JPEG file, by its extension, into `buffer` (current pixels only; KeepUnconverted
// is left to the caller), upright as the file's orientation says. Returns 0 or the code of the
// refusal: 8 corrupt or unreadable, 9 colour depth, 20 compressed TIFF, 6 zero size, 7 too large,
// kImageFileIsFolder for a folder, kCannotOpenImage for a FIFO, device or socket (neither is opened),
// and kUnsupportedImageType for an extension that is neither. After a failure the buffer is empty.
// A file that cannot be opened carries the system's cause as the detail ("Permission denied").
Error ReadImageFile(const std::string& path, ImageBuffer& buffer, ImageReadInfo* info = nullptr);

// Writes the buffer's current pixels in `format`: uncompressed 8-bit RGB TIFF, or JPEG at `quality`,
// with `iccProfile` embedded when it is not empty. The target is replaced only by a complete file.
// Returns 0, kImageWriteFailed (with the system's cause as the detail when it gave one), or for JPEG
// kTooLargeForJpeg and kProfileTooLargeForJpeg.
Error WriteImageFile(const std::string& path, ImageFormat format, const ImageBuffer& buffer,
                   std::span<const uint8_t> iccProfile, int quality);

// kSeveralImagesInFile when writing `output` would replace `input` itself (the same file under any
// name) although `info` says it holds several images, of which only the first was read; 0 otherwise.
Error CheckKeepsEveryImage(const std::string& input, const std::string& output, const ImageReadInfo& info);

// The same guard for an image read a while ago (a document's): kSeveralImagesInFile when `output`
// is the very file `source` names and that file, as it is on the disk now, holds several images.
// Another program may have replaced it since it was read; what it held then does not count.
Error CheckFileKeepsEveryImage(const std::string& source, const std::string& output);

// Writes the image of `input` to `output` in `outputFormat` with `profile` embedded, the pixels
// unchanged. A JPEG into a JPEG keeps its compressed data as it is and only
// has its profile segments replaced (EmbedProfileInJpeg); any other pair is read and written again:
// a TIFF as uncompressed 8-bit RGB with the profile in its ICC tag, a TIFF into a JPEG encoded at
// `jpegQuality`. Any ICC profile may be embedded, not only one of this program, but it must be one:
// kNotAnIccProfile otherwise. Returns 0 or the code of the read, the check above, or the write.
Error EmbedProfileInImageFile(const std::string& input, const std::string& output, ImageFormat outputFormat,
                            std::span<const uint8_t> profile, int jpegQuality);

}  // namespace tintara
