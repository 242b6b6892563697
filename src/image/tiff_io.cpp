#include "image/tiff_io.h"

#include <tiffio.h>

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <functional>
#include <limits>
#include <memory>
#include <new>
#include <utility>
#include <vector>

#include "base/file_io.h"
#include "base/result_codes.h"
#include "image/image_input.h"

#ifdef _WIN32
#include <io.h>
#include <sys/stat.h>
#else
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

// The file as the library reads it: through plain reads at the reader's own descriptor, never a
// mapping of the file. A mapped file that another program cuts short while it is read ends the
// process with SIGBUS; a read past the new end merely comes back short, and the image is corrupt.
//
// One exception: the library's RGBA interface reads the tiles of an uncompressed tiled file only
// from a mapping (through plain reads it reports every tile of a file of several tiles as having
// the wrong size). For such a file the "mapping" handed to the library is a private copy of the
// file, read once, which a later change of the file cannot touch.
//
// A file being written goes through the same procedures, with writes of its own that keep the cause
// of a failed write: the library only says that a write failed, and the user is told why.
struct ReadSource {
  int fd = -1;
  bool copyForMapping = false;
  PageBlock copy;
  int writeErrno = 0;  // the errno of the first failed write
};

ReadSource& SourceOf(thandle_t handle) { return *static_cast<ReadSource*>(handle); }

#ifdef _WIN32
int64_t ReadSome(int fd, void* buffer, size_t bytes) {
  return _read(fd, buffer, static_cast<unsigned>(std::min<size_t>(bytes, 1u << 30)));
}
int64_t WriteSome(int fd, const void* buffer, size_t bytes) {
  return _write(fd, buffer, static_cast<unsigned>(std::min<size_t>(bytes, 1u << 30)));
}
int64_t SeekTo(int fd, int64_t offset, int whence) { return _lseeki64(fd, offset, whence); }
int64_t SizeOf(int fd) {
  struct _stat64 status {};
  return _fstat64(fd, &status) == 0 ? status.st_size : -1;
}
void CloseDescriptor(int fd) { _close(fd); }
#else
int64_t ReadSome(int fd, void* buffer, size_t bytes) { return read(fd, buffer, bytes); }
int64_t WriteSome(int fd, const void* buffer, size_t bytes) { return write(fd, buffer, bytes); }
int64_t SeekTo(int fd, int64_t offset, int whence) { return lseek(fd, static_cast<off_t>(offset), whence); }
int64_t SizeOf(int fd) {
  struct stat status {};
  return fstat(fd, &status) == 0 ? static_cast<int64_t>(status.st_size) : -1;
}
void CloseDescriptor(int fd) { close(fd); }
#endif

// Reads up to `bytes`, as many as the file still has; -1 on a read error.
int64_t ReadFully(int fd, uint8_t* buffer, uint64_t bytes) {
  uint64_t done = 0;
  while (done < bytes) {
    const int64_t got = ReadSome(fd, buffer + done, static_cast<size_t>(bytes - done));
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return -1;
    if (got == 0) break;
    done += static_cast<uint64_t>(got);
  }
  return static_cast<int64_t>(done);
}

tmsize_t SourceRead(thandle_t handle, void* buffer, tmsize_t bytes) {
  if (bytes <= 0) return 0;
  const int fd = SourceOf(handle).fd;
  return static_cast<tmsize_t>(ReadFully(fd, static_cast<uint8_t*>(buffer), static_cast<uint64_t>(bytes)));
}

tmsize_t SourceWrite(thandle_t, void*, tmsize_t) { return -1; }

tmsize_t TargetWrite(thandle_t handle, void* buffer, tmsize_t bytes) {
  ReadSource& target = SourceOf(handle);
  const auto* data = static_cast<const uint8_t*>(buffer);
  tmsize_t done = 0;
  while (done < bytes) {
    const int64_t wrote = WriteSome(target.fd, data + done, static_cast<size_t>(bytes - done));
    if (wrote < 0 && errno == EINTR) continue;
    if (wrote <= 0) {
      if (target.writeErrno == 0) target.writeErrno = wrote < 0 ? errno : EIO;
      return -1;
    }
    done += static_cast<tmsize_t>(wrote);
  }
  return done;
}

toff_t SourceSeek(thandle_t handle, toff_t offset, int whence) {
  if (offset > static_cast<toff_t>(std::numeric_limits<int64_t>::max())) return static_cast<toff_t>(-1);
  return static_cast<toff_t>(SeekTo(SourceOf(handle).fd, static_cast<int64_t>(offset), whence));
}

int SourceClose(thandle_t) { return 0; }  // the descriptor stays with the reader

toff_t SourceSize(thandle_t handle) {
  const int64_t size = SizeOf(SourceOf(handle).fd);
  return size < 0 ? 0 : static_cast<toff_t>(size);
}

int SourceMap(thandle_t handle, void** base, toff_t* size) {
  ReadSource& source = SourceOf(handle);
  if (!source.copyForMapping) return 0;  // the library then reads
  const int64_t fileSize = SizeOf(source.fd);
  if (fileSize <= 0 || !source.copy.Allocate(static_cast<uint64_t>(fileSize))) return 0;
  const int64_t oldPosition = SeekTo(source.fd, 0, SEEK_CUR);
  const bool whole = SeekTo(source.fd, 0, SEEK_SET) == 0 &&
                     ReadFully(source.fd, source.copy.data(), static_cast<uint64_t>(fileSize)) == fileSize;
  SeekTo(source.fd, oldPosition, SEEK_SET);
  if (!whole) {
    source.copy.Free();
    return 0;
  }
  *base = source.copy.data();
  *size = static_cast<toff_t>(fileSize);
  return 1;
}

void SourceUnmap(thandle_t handle, void*, toff_t) { SourceOf(handle).copy.Free(); }

TIFF* OpenSource(ReadSource& source, const std::string& path, int* errorCount) {
  auto options = MakeOptions(errorCount);
  if (!options || SeekTo(source.fd, 0, SEEK_SET) != 0) return nullptr;
  // Mode "r" lets the library ask for a mapping, which SourceMap grants only as the private copy.
  return TIFFClientOpenExt(path.c_str(), "r", &source, SourceRead, SourceWrite, SourceSeek, SourceClose, SourceSize,
                           SourceMap, SourceUnmap, options.get());
}

struct DescriptorCloser {
  int fd;
  ~DescriptorCloser() {
    if (fd >= 0) CloseDescriptor(fd);
  }
};

// The photograph of a file that holds several images: a file may begin with a reduced-resolution
// preview (NewSubfileType bit 0), and the first image without that bit is the picture itself. The
// walk goes on only until a second full-resolution image (a second page) shows that the file holds
// more than one; a damaged later directory merely ends it.
struct ImageChoice {
  tdir_t directory = 0;
  bool severalImages = false;
};

constexpr tdir_t kMaxDirectoriesWalked = 1000;

ImageChoice ChooseImage(TIFF* tif) {
  ImageChoice choice;
  int fullResolution = 0;
  for (tdir_t index = 0;; ++index) {
    uint32_t subfileType = 0;
    TIFFGetField(tif, TIFFTAG_SUBFILETYPE, &subfileType);
    if ((subfileType & FILETYPE_REDUCEDIMAGE) == 0 && ++fullResolution == 1) choice.directory = index;
    if (fullResolution > 1 || index + 1 >= kMaxDirectoriesWalked || !TIFFReadDirectory(tif)) break;
  }
  choice.severalImages = fullResolution > 1;
  return choice;
}

// A test's action between opening the file and reading its pixels (see BeforePixelsForTesting).
thread_local const std::function<void()>* beforePixelsForTesting = nullptr;

// Opens the library for writing on the stream's file, through `target`, which keeps the cause of a
// failed write. The descriptor stays with the stream.
TIFF* OpenForWriting(std::FILE* f, const std::string& path, ReadSource& target, TIFFOpenOptions* options) {
#ifdef _WIN32
  target.fd = _fileno(f);
#else
  target.fd = fileno(f);
#endif
  if (target.fd < 0) return nullptr;
  return TIFFClientOpenExt(path.c_str(), "w", &target, SourceRead, TargetWrite, SourceSeek, SourceClose, SourceSize,
                           SourceMap, SourceUnmap, options);
}

// The plain file this program writes itself, and most cameras and editors write: uncompressed,
// strips of contiguous 8-bit R, G, B. Its strips can go straight into the buffer, in the order they
// are stored (the orientation is applied afterwards, as for every file). The RGBA interface gives the
// same bytes for such a file (alpha 255 added, then dropped) but needs a raster of 4 bytes per pixel
// and a second pass.
bool CanReadStripsDirectly(TIFF* tif, uint32_t width, uint16_t samples, uint16_t bits) {
  if (samples != 3 || bits != 8 || TIFFIsTiled(tif)) return false;
  uint16_t photometric = 0;
  if (!TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric) || photometric != PHOTOMETRIC_RGB) return false;
  uint16_t planar = 0;
  TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &planar);
  uint16_t sampleFormat = 0;
  TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLEFORMAT, &sampleFormat);
  uint16_t extraCount = 0;
  uint16_t* extraTypes = nullptr;
  TIFFGetFieldDefaulted(tif, TIFFTAG_EXTRASAMPLES, &extraCount, &extraTypes);
  return planar == PLANARCONFIG_CONTIG && sampleFormat == SAMPLEFORMAT_UINT && extraCount == 0 &&
         TIFFScanlineSize64(tif) == static_cast<uint64_t>(width) * 3;
}

int ReadStripsDirectly(TIFF* tif, uint32_t width, uint32_t height, ImageBuffer& buffer) {
  const int code = buffer.Allocate(static_cast<int32_t>(width), static_cast<int32_t>(height)).code();
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

// Alpha does not travel into the buffer, and the colours stay as the file stores them. The RGBA
// interface would multiply unassociated alpha (ExtraSamples 2) into the colours, so that red 200 at
// alpha 128 arrived as 100; associated alpha (1) it leaves alone, its colours being stored already
// multiplied, and so they are taken here as well. Marking every extra sample as unspecified, in the
// reader's copy of the directory only, makes the library pass the colours through unchanged.
void KeepStoredColours(TIFF* tif) {
  uint16_t count = 0;
  uint16_t* types = nullptr;
  if (!TIFFGetField(tif, TIFFTAG_EXTRASAMPLES, &count, &types) || count == 0) return;
  const std::vector<uint16_t> unspecified(count, EXTRASAMPLE_UNSPECIFIED);
  TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, count, unspecified.data());
}

int ReadThroughRgba(TIFF* tif, uint32_t width, uint32_t height, ImageBuffer& buffer) {
  char message[1024] = "";
  // A layout the RGBA interface cannot turn into colours (floating-point samples, an unknown
  // photometric interpretation) is a sound file this program cannot show, not a damaged one.
  if (!TIFFRGBAImageOK(tif, message)) {
    TIFFErrorExtR(tif, TIFFFileName(tif), "%s", message);
    return kUnsupportedColourDepth;
  }
  PageBlock raster;
  if (!raster.Allocate(static_cast<uint64_t>(width) * height * 4)) return kImageTooLarge;
  const int code = buffer.Allocate(static_cast<int32_t>(width), static_cast<int32_t>(height)).code();
  if (code != kOk) return code;
  auto* values = reinterpret_cast<uint32_t*>(raster.data());
  KeepStoredColours(tif);
  TIFFRGBAImage image{};
  // Stop on the first error: otherwise the library skips a strip it cannot read, leaves whatever the
  // raster held in its rows and still reports success.
  if (!TIFFRGBAImageBegin(&image, tif, 1, message)) {
    TIFFErrorExtR(tif, TIFFFileName(tif), "%s", message);
    return kImageCorrupt;
  }
  // The rows and columns as stored, first row first: the library would turn orientations 2 to 4
  // itself but mistakes 5 to 8 for them (a portrait would come out mirrored and on its side), so
  // every orientation is applied afterwards in one place.
  image.req_orientation = ORIENTATION_TOPLEFT;
  image.orientation = ORIENTATION_TOPLEFT;
  const int read = TIFFRGBAImageGet(&image, values, width, height);
  TIFFRGBAImageEnd(&image);
  if (!read) return kImageCorrupt;
  // Each value is R, G, B, A from the low byte.
  const uint64_t stride = static_cast<uint64_t>(width) * 3;
  for (uint32_t r = 0; r < height; ++r) {
    const uint32_t* source = values + static_cast<uint64_t>(r) * width;
    uint8_t* destination = buffer.pixels() + r * stride;
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

Error ReadTiffWith(const std::string& path, ImageBuffer& buffer, TiffReadInfo* info, Decoder decoder,
                   bool* readDirectly) {
  buffer.Release();
  if (info) *info = TiffReadInfo{};
  if (readDirectly) *readDirectly = false;

  int fd = -1;
  const Error opened = OpenImageForReading(path, fd);
  if (opened.failed()) return opened;
  const DescriptorCloser closer{fd};
  ReadSource source;
  source.fd = fd;
  int errors = 0;
  TiffHandle file(OpenSource(source, path, &errors));
  if (!file) return kImageCorrupt;
  const ImageChoice choice = ChooseImage(file.get());
  if (TIFFCurrentDirectory(file.get()) != choice.directory && !TIFFSetDirectory(file.get(), choice.directory)) {
    return kImageCorrupt;
  }
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
  if (info) {
    info->paletteNotice = bitsPerPixel < 24;
    info->severalImages = choice.severalImages;
  }

  // A header can declare any size in a file of a few bytes. Both blocks the read needs are sized
  // in 64 bits and checked before anything is allocated (the first test keeps the product far
  // from 64-bit overflow).
  if (width > static_cast<uint32_t>(std::numeric_limits<int32_t>::max()) ||
      height > static_cast<uint32_t>(std::numeric_limits<int32_t>::max()) ||
      static_cast<uint64_t>(width) * height * 4 > kMaxPixelBlockBytes) {
    return kImageTooLarge;
  }

  if (TIFFIsTiled(tif)) {  // read from the private copy (see ReadSource)
    file.reset();
    source.copyForMapping = true;
    file.reset(OpenSource(source, path, &errors));
    if (!file || (choice.directory != 0 && !TIFFSetDirectory(file.get(), choice.directory))) return kImageCorrupt;
    tif = file.get();
  }
  uint16_t orientation = ORIENTATION_TOPLEFT;
  TIFFGetFieldDefaulted(tif, TIFFTAG_ORIENTATION, &orientation);

  if (beforePixelsForTesting) (*beforePixelsForTesting)();
  const bool direct = decoder == Decoder::kAny && CanReadStripsDirectly(tif, width, samples, bits);
  if (readDirectly) *readDirectly = direct;
  const int errorsBeforePixels = errors;
  int code = direct ? ReadStripsDirectly(tif, width, height, buffer) : ReadThroughRgba(tif, width, height, buffer);
  if (code == kOk && errors != errorsBeforePixels) code = kImageCorrupt;
  if (code == kOk && info) code = CopyIccProfile(tif, info->iccProfile);
  file.reset();  // the private copy of a tiled file goes before the pixels may be turned
  if (code == kOk) code = TurnUpright(buffer, orientation).code();
  if (code != kOk) {  // never hand on a half-read image
    buffer.Release();
    if (info) info->iccProfile.clear();
  }
  return code;
}

BeforePixelsForTesting::BeforePixelsForTesting(std::function<void()> action)
    : action_(std::move(action)), previous_(beforePixelsForTesting) {
  beforePixelsForTesting = &action_;
}

BeforePixelsForTesting::~BeforePixelsForTesting() { beforePixelsForTesting = previous_; }

}  // namespace tiff_internal

Error ReadTiff(const std::string& path, ImageBuffer& buffer, TiffReadInfo* info) {
  return tiff_internal::ReadTiffWith(path, buffer, info, tiff_internal::Decoder::kAny, nullptr);
}

bool TiffHoldsSeveralImages(const std::string& path) {
  int fd = -1;
  if (OpenImageForReading(path, fd).failed()) return false;
  const DescriptorCloser closer{fd};
  ReadSource source;
  source.fd = fd;
  int errors = 0;
  TiffHandle file(OpenSource(source, path, &errors));
  return file && ChooseImage(file.get()).severalImages;
}

Error WriteTiff(const std::string& path, const ImageBuffer& buffer, std::span<const uint8_t> iccProfile) {
  if (buffer.empty() || buffer.width() <= 0 || buffer.height() <= 0) return kImageWriteFailed;
  if (iccProfile.size() > std::numeric_limits<uint32_t>::max()) return kImageWriteFailed;

  int errors = 0;
  auto options = MakeOptions(&errors);
  if (!options) return kImageWriteFailed;
  return WriteFileSafely(
      path,
      [&](std::FILE* f) {
        ReadSource target;
        TIFF* tif = OpenForWriting(f, path, target, options.get());
        if (!tif) return false;
        // The library buffers the rows and writes the directory when flushed; only an explicit flush
        // reports whether that worked (closing does not).
        bool ok = WriteFieldsAndRows(tif, buffer, iccProfile);
        ok = ok && TIFFFlush(tif) == 1;
        TIFFClose(tif);
        errno = target.writeErrno;  // the cause, when a write failed
        return ok && errors == 0;
      },
      kImageWriteFailed);
}

}  // namespace tintara
