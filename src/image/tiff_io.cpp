#include "image/tiff_io.h"

#include <tiffio.h>

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <limits>
#include <memory>
#include <new>
#include <system_error>

#include "base/file_io.h"
#include "base/result_codes.h"

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace tintara {

namespace {

// Counts the errors the library reports for one handle. Returning 0 lets the message go on to the
// library's default handler as well (standard error), so nothing of it is hidden and nothing of it
// reaches the user. The count matters because some of the library's readers report a damaged strip
// and still return success; a file with such an error is treated as corrupt.
int CountError(TIFF*, void* userData, const char*, const char*, va_list) {
  ++*static_cast<int*>(userData);
  return 0;
}

struct TiffCloser {
  void operator()(TIFF* tif) const { TIFFClose(tif); }
};
using TiffHandle = std::unique_ptr<TIFF, TiffCloser>;

struct OptionsDeleter {
  void operator()(TIFFOpenOptions* options) const { TIFFOpenOptionsFree(options); }
};

// Options shared by reading and writing: errors are counted in `errorCount`, and no single
// allocation inside the library may exceed the largest pixel block, whatever a file declares.
std::unique_ptr<TIFFOpenOptions, OptionsDeleter> MakeOptions(int* errorCount) {
  std::unique_ptr<TIFFOpenOptions, OptionsDeleter> options(TIFFOpenOptionsAlloc());
  if (options) {
    TIFFOpenOptionsSetErrorHandlerExtR(options.get(), CountError, errorCount);
    TIFFOpenOptionsSetMaxSingleMemAlloc(options.get(), static_cast<tmsize_t>(kMaxPixelBlockBytes));
  }
  return options;
}

// Opens `path` for reading. Only a non-empty regular file is handed to the library: opening a FIFO
// or a device would block or read forever. The library maps the file (its default): its unmapped
// path refuses sound uncompressed tiled files.
TIFF* OpenForReading(const std::string& path, int* errorCount) {
  auto options = MakeOptions(errorCount);
  if (!options) return nullptr;
#ifdef _WIN32
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec) || std::filesystem::file_size(path, ec) == 0 || ec) {
    return nullptr;
  }
  return TIFFOpenExt(path.c_str(), "r", options.get());
#else
  const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return nullptr;
  struct stat status {};
  if (fstat(fd, &status) != 0 || !S_ISREG(status.st_mode) || status.st_size == 0) {
    close(fd);
    return nullptr;
  }
  TIFF* tif = TIFFFdOpenExt(fd, path.c_str(), "r", options.get());
  if (!tif) close(fd);  // on success the handle owns the descriptor
  return tif;
#endif
}

// Opens the library for writing on the stream's file. The library takes a descriptor of its own,
// which TIFFClose closes; the stream stays with its owner.
TIFF* OpenForWriting(std::FILE* f, const std::string& path, TIFFOpenOptions* options) {
#ifdef _WIN32
  const int fd = _dup(_fileno(f));
#else
  const int fd = dup(fileno(f));
#endif
  if (fd < 0) return nullptr;
  TIFF* tif = TIFFFdOpenExt(fd, path.c_str(), "w", options);
  if (!tif) {
#ifdef _WIN32
    _close(fd);
#else
    close(fd);
#endif
  }
  return tif;
}

// The plain file this program writes itself, and most cameras and editors write: uncompressed,
// strips of contiguous 8-bit R, G, B, first row at the top. Its strips can go straight into the
// buffer. The RGBA interface gives the same bytes for such a file (alpha 255 added, then dropped)
// but needs a raster of 4 bytes per pixel and a second pass; for any other orientation it also
// flips rows or columns, so those files keep to it.
bool CanReadStripsDirectly(TIFF* tif, uint32_t width, uint16_t samples, uint16_t bits) {
  if (samples != 3 || bits != 8 || TIFFIsTiled(tif)) return false;
  uint16_t photometric = 0;
  if (!TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric) || photometric != PHOTOMETRIC_RGB) return false;
  uint16_t planar = 0;
  TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &planar);
  uint16_t orientation = 0;
  TIFFGetFieldDefaulted(tif, TIFFTAG_ORIENTATION, &orientation);
  uint16_t sampleFormat = 0;
  TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLEFORMAT, &sampleFormat);
  uint16_t extraCount = 0;
  uint16_t* extraTypes = nullptr;
  TIFFGetFieldDefaulted(tif, TIFFTAG_EXTRASAMPLES, &extraCount, &extraTypes);
  return planar == PLANARCONFIG_CONTIG && orientation == ORIENTATION_TOPLEFT &&
         sampleFormat == SAMPLEFORMAT_UINT && extraCount == 0 &&
         TIFFScanlineSize64(tif) == static_cast<uint64_t>(width) * 3;
}

int ReadStripsDirectly(TIFF* tif, uint32_t width, uint32_t height, ImageBuffer& buffer) {
  const int code = buffer.Allocate(static_cast<int32_t>(width), static_cast<int32_t>(height));
  if (code != kOk) return code;
  uint32_t rowsPerStrip = 0;
  TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &rowsPerStrip);
  if (rowsPerStrip == 0 || rowsPerStrip > height) rowsPerStrip = height;
  const uint64_t stride = static_cast<uint64_t>(width) * 3;
  const uint32_t strips = TIFFNumberOfStrips(tif);
  uint32_t strip = 0;
  for (uint32_t row = 0; row < height; row += rowsPerStrip, ++strip) {
    if (strip >= strips) return kImageCorrupt;
    const uint32_t rows = std::min(rowsPerStrip, height - row);
    const auto wanted = static_cast<tmsize_t>(rows * stride);
    // Every strip must arrive whole; a short or failed one means the file is damaged.
    if (TIFFReadEncodedStrip(tif, strip, buffer.pixels() + row * stride, wanted) != wanted) return kImageCorrupt;
  }
  return kOk;
}

int ReadThroughRgba(TIFF* tif, uint32_t width, uint32_t height, ImageBuffer& buffer) {
  PageBlock raster;
  if (!raster.Allocate(static_cast<uint64_t>(width) * height * 4)) return kImageTooLarge;
  const int code = buffer.Allocate(static_cast<int32_t>(width), static_cast<int32_t>(height));
  if (code != kOk) return code;
  auto* values = reinterpret_cast<uint32_t*>(raster.data());
  // Stop on the first error: otherwise the library skips a strip it cannot read, leaves whatever the
  // raster held in its rows and still reports success.
  if (!TIFFReadRGBAImage(tif, width, height, values, 1)) return kImageCorrupt;
  // The raster's row 0 is the bottom row of the image; each value is R, G, B, A from the low byte.
  const uint64_t stride = static_cast<uint64_t>(width) * 3;
  for (uint32_t r = 0; r < height; ++r) {
    const uint32_t* source = values + static_cast<uint64_t>(r) * width;
    uint8_t* destination = buffer.pixels() + (height - 1 - r) * stride;
    for (uint32_t x = 0; x < width; ++x) {
      const uint32_t v = source[x];
      destination[0] = static_cast<uint8_t>(TIFFGetR(v));
      destination[1] = static_cast<uint8_t>(TIFFGetG(v));
      destination[2] = static_cast<uint8_t>(TIFFGetB(v));
      destination += 3;
    }
  }
  return kOk;
}

int CopyIccProfile(TIFF* tif, std::vector<uint8_t>& profile) {
  uint32_t count = 0;
  void* data = nullptr;
  if (TIFFGetField(tif, TIFFTAG_ICCPROFILE, &count, &data) && count > 0 && data) {
    try {
      const auto* bytes = static_cast<const uint8_t*>(data);
      profile.assign(bytes, bytes + count);
    } catch (const std::bad_alloc&) {
      return kImageTooLarge;
    }
  }
  return kOk;
}

bool WriteFieldsAndRows(TIFF* tif, const ImageBuffer& buffer, std::span<const uint8_t> iccProfile) {
  const auto width = static_cast<uint32_t>(buffer.width());
  const auto height = static_cast<uint32_t>(buffer.height());
  bool ok = TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, width) && TIFFSetField(tif, TIFFTAG_IMAGELENGTH, height) &&
            TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 3) && TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8) &&
            TIFFSetField(tif, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT) &&
            TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG) &&
            TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
  if (ok && !iccProfile.empty()) {
    ok = TIFFSetField(tif, TIFFTAG_ICCPROFILE, static_cast<uint32_t>(iccProfile.size()),
                      static_cast<const void*>(iccProfile.data()));
  }
  if (!ok) return false;
  // With these fields a scanline is exactly width x 3 bytes. Should the library ever disagree, the
  // rows could not be taken from the buffer at its size without reading past a row, so the write
  // fails instead.
  const uint64_t rowBytes = static_cast<uint64_t>(width) * 3;
  if (TIFFScanlineSize64(tif) != rowBytes) return false;
  std::unique_ptr<uint8_t[]> row(new (std::nothrow) uint8_t[rowBytes]);
  if (!row) return false;
  // The strip-size request is width x 3 rows, which the library grants unchanged for an
  // uncompressed file; readers see RowsPerStrip = 3 x width (one strip for most photographs).
  if (!TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(tif, width * 3))) return false;
  const uint8_t* source = buffer.pixels();
  for (uint32_t y = 0; y < height; ++y, source += rowBytes) {
    std::memcpy(row.get(), source, rowBytes);
    if (TIFFWriteScanline(tif, row.get(), y, 0) < 0) return false;
  }
  return true;
}

}  // namespace

namespace tiff_internal {

int ReadTiffWith(const std::string& path, ImageBuffer& buffer, TiffReadInfo* info, Decoder decoder,
                 bool* readDirectly) {
  buffer.Release();
  if (info) {
    info->paletteNotice = false;
    info->iccProfile.clear();
  }
  if (readDirectly) *readDirectly = false;

  int errors = 0;
  TiffHandle file(OpenForReading(path, &errors));
  if (!file) return kImageCorrupt;
  TIFF* tif = file.get();

  // Fields the file does not carry stay 0.
  uint32_t width = 0;
  uint32_t height = 0;
  uint16_t bits = 0;
  uint16_t samples = 0;
  uint16_t compression = 0;
  TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &width);
  TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &height);
  TIFFGetField(tif, TIFFTAG_BITSPERSAMPLE, &bits);
  TIFFGetField(tif, TIFFTAG_SAMPLESPERPIXEL, &samples);
  TIFFGetField(tif, TIFFTAG_COMPRESSION, &compression);

  const uint32_t bitsPerPixel = static_cast<uint32_t>(samples) * bits;
  if (bitsPerPixel > 32 || width == 0 || height == 0 || compression != COMPRESSION_NONE) {
    if (bits > 8) return kUnsupportedColourDepth;
    if (compression != COMPRESSION_NONE) return kCompressedTiff;
    if (width == 0 || height == 0) return kIllegalImageSize;
    return kUnsupportedColourDepth;
  }
  if (info) info->paletteNotice = bitsPerPixel < 24;

  // A header can declare any size in a file of a few bytes. Both blocks the read needs are sized
  // in 64 bits and checked before anything is allocated (the first test keeps the product far
  // from 64-bit overflow).
  if (width > static_cast<uint32_t>(std::numeric_limits<int32_t>::max()) ||
      height > static_cast<uint32_t>(std::numeric_limits<int32_t>::max()) ||
      static_cast<uint64_t>(width) * height * 4 > kMaxPixelBlockBytes) {
    return kImageTooLarge;
  }

  const bool direct = decoder == Decoder::kAny && CanReadStripsDirectly(tif, width, samples, bits);
  if (readDirectly) *readDirectly = direct;
  const int errorsBeforePixels = errors;
  int code = direct ? ReadStripsDirectly(tif, width, height, buffer) : ReadThroughRgba(tif, width, height, buffer);
  if (code == kOk && errors != errorsBeforePixels) code = kImageCorrupt;
  if (code == kOk && info) code = CopyIccProfile(tif, info->iccProfile);
  if (code != kOk) buffer.Release();  // never hand on a half-read image
  return code;
}

}  // namespace tiff_internal

int ReadTiff(const std::string& path, ImageBuffer& buffer, TiffReadInfo* info) {
  return tiff_internal::ReadTiffWith(path, buffer, info, tiff_internal::Decoder::kAny, nullptr);
}

int WriteTiff(const std::string& path, const ImageBuffer& buffer, std::span<const uint8_t> iccProfile) {
  if (buffer.empty() || buffer.width() <= 0 || buffer.height() <= 0) return kImageWriteFailed;
  if (iccProfile.size() > std::numeric_limits<uint32_t>::max()) return kImageWriteFailed;

  int errors = 0;
  auto options = MakeOptions(&errors);
  if (!options) return kImageWriteFailed;
  const bool written = WriteFileSafely(path, [&](std::FILE* f) {
    TIFF* tif = OpenForWriting(f, path, options.get());
    if (!tif) return false;
    // The library buffers the rows and writes the directory when flushed; only an explicit flush
    // reports whether that worked (closing does not).
    bool ok = WriteFieldsAndRows(tif, buffer, iccProfile);
    ok = ok && TIFFFlush(tif) == 1;
    TIFFClose(tif);
    return ok && errors == 0;
  });
  return written ? kOk : kImageWriteFailed;
}

}  // namespace tintara
