#include "image/jpeg_io.h"

// jpeglib.h needs FILE and size_t declared before it.
#include <algorithm>
#include <cerrno>
#include <csetjmp>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <utility>

// jpeglib.h first: it brings the library's configuration (version, arithmetic coding), which
// decides which message codes jerror.h declares. Read before it, jerror.h numbers the later codes
// differently from the library they are compared with.
#include <jpeglib.h>
#include <jerror.h>

#include "base/file_io.h"
#include "base/result_codes.h"
#include "image/image_input.h"

#ifdef _WIN32
#include <io.h>
#define TINTARA_FDOPEN _fdopen
#define TINTARA_CLOSE _close
#else
#include <unistd.h>
#define TINTARA_FDOPEN fdopen
#define TINTARA_CLOSE close
#endif

// The pixel layout is RGB, 3 bytes per pixel. The extended colour spaces of libjpeg-turbo name that
// layout exactly, whatever the library's build-time RGB_PIXELSIZE, which lets rows be decoded straight
// into the pixel block and encoded straight from it.
#ifndef JCS_EXTENSIONS
#error "libjpeg-turbo with the extended colour spaces (JCS_EXT_RGB) is required"
#endif

namespace tintara {

namespace {

// The library reports fatal errors through error_exit, which must not return. It jumps back to the
// recovery point set just before the first library call. Every frame it unwinds is a library frame or
// one of the callbacks below, none of which owns anything, and all state that must survive the jump
// lives in the caller's DecodeState / EncodeState, never in locals of the function that calls setjmp.
struct JumpingErrorManager {
  jpeg_error_mgr pub;  // first, so the library's pointer to it is a pointer to the whole
  std::jmp_buf recovery;
  void (*standardEmit)(j_common_ptr, int) = nullptr;
  ResultCode failure = kImageCorrupt;  // what a jump means for the reader's caller
  int writeErrno = 0;                   // why the file could not be written, when that ended it
};

JumpingErrorManager& ErrorsOf(j_common_ptr cinfo) {
  return *reinterpret_cast<JumpingErrorManager*>(cinfo->err);
}

[[noreturn]] void JumpBack(j_common_ptr cinfo) { std::longjmp(ErrorsOf(cinfo).recovery, 1); }

[[noreturn]] void OnFatalError(j_common_ptr cinfo) {
  switch (cinfo->err->msg_code) {
    case JERR_BAD_PRECISION:  // samples of other than 8 bits: a depth this program does not handle
      ErrorsOf(cinfo).failure = kUnsupportedColourDepth;
      break;
    case JERR_OUT_OF_MEMORY:
    case JERR_NO_BACKING_STORE:  // the decoder's buffers would exceed the reader's memory limit
      ErrorsOf(cinfo).failure = kImageTooLarge;
      break;
    case JERR_FILE_WRITE:  // raised right after the failed fwrite: errno still says why
      ErrorsOf(cinfo).writeErrno = errno;
      break;
    default:
      break;
  }
  JumpBack(cinfo);
}

// The library only warns when the file ends early and then pads the missing rows with grey, so the
// reader would hand over an image that is partly invented. The same holds when the compressed data
// runs into a marker before the image is complete (a file cut short and closed again), cannot be
// decoded, or misses a restart marker: the library fills the rest of the scan, or of the restart
// interval, with grey. Those warnings are failures here; every other warning (stray bytes before a
// marker and the like) takes the library's standard path.
bool MeansInventedPixels(int messageCode) {
  return messageCode == JWRN_JPEG_EOF || messageCode == JWRN_HIT_MARKER || messageCode == JWRN_HUFF_BAD_CODE ||
         messageCode == JWRN_ARITH_BAD_CODE || messageCode == JWRN_MUST_RESYNC;
}

void OnDecodeMessage(j_common_ptr cinfo, int level) {
  if (level < 0 && MeansInventedPixels(cinfo->err->msg_code)) {
    ErrorsOf(cinfo).failure = kImageCorrupt;
    JumpBack(cinfo);
  }
  ErrorsOf(cinfo).standardEmit(cinfo, level);
}

// A progressive file may hold any number of scans, each of which makes the decoder walk the whole
// coefficient buffer again; a small crafted file can so keep the reader busy for hours. Real encoders
// write about ten scans, so a file with far more is treated as damaged.
constexpr int kMaxProgressiveScans = 500;

// Arithmetic-coded data may legally run into the marker that follows it before the scan is decoded:
// the encoder leaves out the zero bytes at its end, and the decoder goes on as if it read zeros. So
// the library says nothing when such data is cut short or missing altogether, and the rest of the
// image comes out of invented zeros. In a sound file the data of the first scan runs out early only
// where what is left codes nothing but "no change": one flat colour to the end of the image (a black
// border, say). Such a scan is therefore taken only when its data lasted beyond its first row of
// blocks, and the image only when every row after that point is one colour. A uniform image coded
// this way (all its data used up in its first rows) cannot be told from a damaged one and is refused
// with them.
struct ProgressMonitor {
  jpeg_progress_mgr pub;  // first, so the library's pointer to it is a pointer to the whole
  bool dataEnded = false;
  JDIMENSION dataEndedAt = 0;  // iMCU rows decoded when the end of the data was seen
};

// Any marker but a restart marker (RST0 to RST7) ends the entropy-coded data of a scan.
bool EndsEntropyData(int marker) { return marker != 0 && (marker < JPEG_RST0 || marker > JPEG_RST0 + 7); }

void MonitorProgress(j_common_ptr cinfo) {
  if (!cinfo->is_decompressor) return;
  const auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
  if (d->input_scan_number > kMaxProgressiveScans) {
    ErrorsOf(cinfo).failure = kImageCorrupt;
    JumpBack(cinfo);
  }
  auto& monitor = *reinterpret_cast<ProgressMonitor*>(cinfo->progress);
  if (!d->arith_code || monitor.dataEnded || d->input_scan_number != 1 || !EndsEntropyData(d->unread_marker) ||
      d->input_iMCU_row >= d->total_iMCU_rows) {
    return;
  }
  monitor.dataEnded = true;
  monitor.dataEndedAt = d->input_iMCU_row;
  if (d->input_iMCU_row <= 1 && d->total_iMCU_rows > 2) {
    ErrorsOf(cinfo).failure = kImageCorrupt;
    JumpBack(cinfo);
  }
}

constexpr unsigned kExifMarker = JPEG_APP0 + 1;
constexpr unsigned kIccMarker = JPEG_APP0 + 2;
constexpr size_t kIccHeaderBytes = 14;  // identifier (12), sequence number, chunk count
constexpr uint8_t kIccIdentifier[12] = {'I', 'C', 'C', '_', 'P', 'R', 'O', 'F', 'I', 'L', 'E', 0};
constexpr uint8_t kExifIdentifier[6] = {'E', 'x', 'i', 'f', 0, 0};

// Rows handed to the library per call. Giving it several rows at once lets it decode a whole row
// group (for example the two rows of 2x2 chroma subsampling) straight into the block instead of
// through its own spare row.
constexpr JDIMENSION kRowsPerCall = 16;

// Puts the ICC profile carried by the kept APP2 segments into `profile`. Anything inconsistent (chunk
// counts that disagree, a sequence number out of range or repeated, a chunk missing, no bytes at all)
// means the image simply has no profile; the chunks may come in any order.
void ReassembleProfile(jpeg_saved_marker_ptr markers, std::vector<uint8_t>& profile) {
  const uint8_t* chunkData[256] = {};
  uint32_t chunkLength[256] = {};
  int total = -1;
  for (jpeg_saved_marker_ptr m = markers; m != nullptr; m = m->next) {
    if (m->marker != kIccMarker || m->data_length < kIccHeaderBytes) continue;
    if (std::memcmp(m->data, kIccIdentifier, sizeof kIccIdentifier) != 0) continue;
    const int sequence = m->data[12];
    const int count = m->data[13];
    if (total < 0) total = count;
    if (count != total) return;
    if (sequence == 0 || sequence > total || chunkData[sequence] != nullptr) return;
    chunkData[sequence] = m->data + kIccHeaderBytes;
    chunkLength[sequence] = static_cast<uint32_t>(m->data_length - kIccHeaderBytes);
  }
  if (total <= 0) return;
  uint64_t size = 0;
  for (int i = 1; i <= total; ++i) {
    if (chunkData[i] == nullptr) return;
    size += chunkLength[i];
  }
  if (size == 0) return;
  try {
    profile.reserve(size);
    for (int i = 1; i <= total; ++i) profile.insert(profile.end(), chunkData[i], chunkData[i] + chunkLength[i]);
  } catch (const std::bad_alloc&) {
    std::vector<uint8_t>().swap(profile);  // no memory for it: no profile
  }
}

// The orientation of the first EXIF segment; 1 without one.
int OrientationOf(jpeg_saved_marker_ptr markers) {
  for (jpeg_saved_marker_ptr m = markers; m != nullptr; m = m->next) {
    if (m->marker == kExifMarker && m->data_length >= sizeof kExifIdentifier &&
        std::memcmp(m->data, kExifIdentifier, sizeof kExifIdentifier) == 0) {
      return jpeg_internal::ExifOrientation({m->data, m->data_length});
    }
  }
  return 1;
}

struct DecodeState {
  jpeg_decompress_struct cinfo{};
  JumpingErrorManager errors{};
  ProgressMonitor progress{};
  std::FILE* file = nullptr;             // the source: an open file,
  std::span<const uint8_t> memory;       // or the bytes of one
  ImageBuffer* image = nullptr;          // where the rows go; none for a decode that only checks
  std::vector<uint8_t>* profile = nullptr;
  std::unique_ptr<uint8_t[]> scratch;    // the rows of a decode that only checks
  int orientation = 1;
  bool tailColourSeen = false;
  uint8_t tailColour[3] = {};
};

// Whether rows first .. first + count - 1, just decoded, are what a sound file can give after the
// end of its data (see ProgressMonitor): before that point anything, after it one colour.
bool RowsAfterDataEndAreFlat(DecodeState& state, JDIMENSION first, JDIMENSION count, const JSAMPROW* rows) {
  if (!state.progress.dataEnded) return true;
  // The first rows of the next iMCU row may still blend in colour of the last one with data.
  const uint64_t flatFrom = (static_cast<uint64_t>(state.progress.dataEndedAt) + 1) *
                            static_cast<uint64_t>(state.cinfo.max_v_samp_factor) * DCTSIZE;
  const size_t rowBytes = static_cast<size_t>(state.cinfo.output_width) * 3u;
  for (JDIMENSION i = 0; i < count; ++i) {
    if (first + i < flatFrom) continue;
    const uint8_t* row = rows[i];
    if (!state.tailColourSeen) {
      std::memcpy(state.tailColour, row, 3);
      state.tailColourSeen = true;
    }
    for (size_t x = 0; x < rowBytes; x += 3) {
      if (std::memcmp(row + x, state.tailColour, 3) != 0) return false;
    }
  }
  return true;
}

// Decodes the attached source into state.image (or only checks it). A fatal library error returns
// false through the jump with the reason in state.errors.failure; the caller destroys the library
// object and closes the file.
bool Decode(DecodeState& state) {
  state.cinfo.err = jpeg_std_error(&state.errors.pub);
  state.errors.pub.error_exit = OnFatalError;
  state.errors.standardEmit = state.errors.pub.emit_message;
  state.errors.pub.emit_message = OnDecodeMessage;
  if (setjmp(state.errors.recovery) != 0) return false;

  jpeg_create_decompress(&state.cinfo);
  state.progress.pub.progress_monitor = MonitorProgress;
  state.cinfo.progress = &state.progress.pub;
  jpeg_save_markers(&state.cinfo, kIccMarker, 0xFFFF);
  jpeg_save_markers(&state.cinfo, kExifMarker, 0xFFFF);
  if (state.file) {
    jpeg_stdio_src(&state.cinfo, state.file);
  } else {
    jpeg_mem_src(&state.cinfo, state.memory.data(), static_cast<unsigned long>(state.memory.size()));
  }
  jpeg_read_header(&state.cinfo, TRUE);

  // Only grey and three-component colour become RGB here; CMYK and YCCK would need a conversion
  // this program does not make, and their rows must not be passed off as RGB.
  switch (state.cinfo.jpeg_color_space) {
    case JCS_GRAYSCALE:
    case JCS_YCbCr:
    case JCS_RGB:
      break;
    default:
      state.errors.failure = kUnsupportedColourDepth;
      return false;
  }
  // Grey is widened by the library itself: each output pixel gets the grey value in R, G and B.
  state.cinfo.out_color_space = JCS_EXT_RGB;
  jpeg_calc_output_dimensions(&state.cinfo);
  const uint64_t width = state.cinfo.output_width;
  const uint64_t height = state.cinfo.output_height;
  if (width == 0 || height == 0 || state.cinfo.out_color_components != 3) return false;
  // Checked before the decoder sets up its own image-sized buffers, not only before our block.
  const uint64_t byteCount = width * height * 3u;
  if (byteCount > kJpegMaxPixelBytes) {
    state.errors.failure = kImageTooLarge;
    return false;
  }
  // What the pixel block leaves of the limit is the decoder's: its coefficient buffers for the whole
  // image are refused at the start (as "no backing store") rather than taken. At least one byte, as
  // 0 would mean no limit.
  state.cinfo.mem->max_memory_to_use = static_cast<long>(std::max<uint64_t>(kJpegMaxPixelBytes - byteCount, 1));
  state.orientation = OrientationOf(state.cinfo.marker_list);
  if (state.profile) ReassembleProfile(state.cinfo.marker_list, *state.profile);

  jpeg_start_decompress(&state.cinfo);
  if (state.cinfo.output_width != width || state.cinfo.output_height != height ||
      state.cinfo.output_components != 3) {
    return false;
  }
  const size_t stride = static_cast<size_t>(width) * 3u;
  uint8_t* block = nullptr;
  if (state.image) {
    const int code = state.image->Allocate(static_cast<int32_t>(width), static_cast<int32_t>(height)).code();
    if (code != kOk) {
      state.errors.failure = static_cast<ResultCode>(code);
      return false;
    }
    block = state.image->pixels();
  } else {
    state.scratch.reset(new (std::nothrow) uint8_t[stride * kRowsPerCall]);
    if (!state.scratch) {
      state.errors.failure = kImageTooLarge;
      return false;
    }
  }

  JSAMPROW rows[kRowsPerCall];
  while (state.cinfo.output_scanline < state.cinfo.output_height) {
    const JDIMENSION first = state.cinfo.output_scanline;
    const JDIMENSION wanted = std::min<JDIMENSION>(kRowsPerCall, state.cinfo.output_height - first);
    for (JDIMENSION i = 0; i < wanted; ++i) {
      rows[i] = block ? block + (first + i) * stride : state.scratch.get() + i * stride;
    }
    // The sources used never suspend, so no progress means the library has nothing more to give.
    const JDIMENSION got = jpeg_read_scanlines(&state.cinfo, rows, wanted);
    if (got == 0) return false;
    if (!RowsAfterDataEndAreFlat(state, first, got, rows)) {
      state.errors.failure = kImageCorrupt;
      return false;
    }
  }
  jpeg_finish_decompress(&state.cinfo);
  return true;
}

struct EncodeState {
  jpeg_compress_struct cinfo{};
  JumpingErrorManager errors{};
  std::FILE* file = nullptr;
  const uint8_t* pixels = nullptr;
  JDIMENSION width = 0;
  JDIMENSION height = 0;
  std::span<const uint8_t> profile;
  std::vector<std::vector<uint8_t>> profileSegments;  // made before the library is called
  int quality = 0;
};

// Encodes the pixels into the open file; false on a fatal library error (write errors included:
// the stdio destination raises one when a write or the final flush fails).
bool Encode(EncodeState& state) {
  state.cinfo.err = jpeg_std_error(&state.errors.pub);
  state.errors.pub.error_exit = OnFatalError;
  if (setjmp(state.errors.recovery) != 0) return false;

  jpeg_create_compress(&state.cinfo);
  jpeg_stdio_dest(&state.cinfo, state.file);
  state.cinfo.image_width = state.width;
  state.cinfo.image_height = state.height;
  state.cinfo.input_components = 3;
  state.cinfo.in_color_space = JCS_EXT_RGB;
  jpeg_set_defaults(&state.cinfo);
  jpeg_set_quality(&state.cinfo, state.quality, TRUE);
  jpeg_start_compress(&state.cinfo, TRUE);
  // After the JFIF header that jpeg_start_compress has written, before any image data.
  for (const std::vector<uint8_t>& content : state.profileSegments) {
    jpeg_write_marker(&state.cinfo, kIccMarker, content.data(), static_cast<unsigned>(content.size()));
  }

  const size_t stride = static_cast<size_t>(state.width) * 3u;
  JSAMPROW rows[kRowsPerCall];
  while (state.cinfo.next_scanline < state.cinfo.image_height) {
    const JDIMENSION first = state.cinfo.next_scanline;
    const JDIMENSION count = std::min<JDIMENSION>(kRowsPerCall, state.cinfo.image_height - first);
    // The library only reads input rows; its interface merely lacks the const.
    for (JDIMENSION i = 0; i < count; ++i) {
      rows[i] = const_cast<JSAMPLE*>(state.pixels + (first + i) * stride);
    }
    if (jpeg_write_scanlines(&state.cinfo, rows, count) == 0) return false;
  }
  jpeg_finish_compress(&state.cinfo);
  return true;
}

// Runs a decode and gives back what it came to; the library object is always destroyed (safe in
// every state, even when creation itself failed: the object was zeroed beforehand).
Error RunDecode(DecodeState& state) {
  const bool ok = Decode(state);
  jpeg_destroy_decompress(&state.cinfo);
  return ok ? kOk : state.errors.failure;
}

uint32_t ReadUnsigned(std::span<const uint8_t> bytes, size_t at, size_t size, bool littleEndian) {
  uint32_t value = 0;
  for (size_t i = 0; i < size; ++i) {
    const uint32_t byte = bytes[at + (littleEndian ? size - 1 - i : i)];
    value = value << 8 | byte;
  }
  return value;
}

}  // namespace

namespace jpeg_internal {

uint32_t IccChunkCount(uint64_t size) {
  return static_cast<uint32_t>(std::min<uint64_t>((size + kJpegIccChunkBytes - 1) / kJpegIccChunkBytes, UINT32_MAX));
}

std::vector<uint8_t> IccChunkContent(std::span<const uint8_t> profile, uint32_t index, uint32_t count) {
  const uint64_t offset = static_cast<uint64_t>(index) * kJpegIccChunkBytes;
  const size_t length = static_cast<size_t>(std::min<uint64_t>(kJpegIccChunkBytes, profile.size() - offset));
  std::vector<uint8_t> content(std::begin(kIccIdentifier), std::end(kIccIdentifier));
  content.push_back(static_cast<uint8_t>(index + 1));
  content.push_back(static_cast<uint8_t>(count));
  content.insert(content.end(), profile.begin() + static_cast<std::ptrdiff_t>(offset),
                 profile.begin() + static_cast<std::ptrdiff_t>(offset + length));
  return content;
}

int ExifOrientation(std::span<const uint8_t> app1) {
  constexpr int kUpright = 1;
  constexpr uint32_t kOrientationTag = 274;
  constexpr uint32_t kShort = 3;
  if (app1.size() < sizeof kExifIdentifier || std::memcmp(app1.data(), kExifIdentifier, sizeof kExifIdentifier) != 0) {
    return kUpright;
  }
  // A TIFF header, offsets counted from its first byte: byte order, 42, offset of the first directory.
  const std::span<const uint8_t> tiff = app1.subspan(sizeof kExifIdentifier);
  if (tiff.size() < 8) return kUpright;
  bool little = false;
  if (tiff[0] == 'I' && tiff[1] == 'I') {
    little = true;
  } else if (!(tiff[0] == 'M' && tiff[1] == 'M')) {
    return kUpright;
  }
  if (ReadUnsigned(tiff, 2, 2, little) != 42) return kUpright;
  const uint64_t directory = ReadUnsigned(tiff, 4, 4, little);
  if (directory + 2 > tiff.size()) return kUpright;
  const uint32_t entries = ReadUnsigned(tiff, static_cast<size_t>(directory), 2, little);
  for (uint32_t i = 0; i < entries; ++i) {
    const uint64_t entry = directory + 2 + 12ull * i;
    if (entry + 12 > tiff.size()) return kUpright;
    const auto at = static_cast<size_t>(entry);
    if (ReadUnsigned(tiff, at, 2, little) != kOrientationTag) continue;
    if (ReadUnsigned(tiff, at + 2, 2, little) != kShort || ReadUnsigned(tiff, at + 4, 4, little) != 1) return kUpright;
    const uint32_t value = ReadUnsigned(tiff, at + 8, 2, little);  // a SHORT sits at the start of its field
    return value >= 1 && value <= 8 ? static_cast<int>(value) : kUpright;
  }
  return kUpright;
}

}  // namespace jpeg_internal

Error ReadJpeg(const std::string& path, ImageBuffer& buffer, std::vector<uint8_t>* iccProfile) {
  buffer.Release();
  if (iccProfile) iccProfile->clear();
  int fd = -1;
  const Error opened = OpenImageForReading(path, fd);
  if (opened.failed()) return opened;
  std::FILE* file = TINTARA_FDOPEN(fd, "rb");
  if (!file) {
    TINTARA_CLOSE(fd);
    return kImageCorrupt;
  }
  DecodeState state;
  state.file = file;
  state.image = &buffer;
  state.profile = iccProfile;
  int code = RunDecode(state).code();
  std::fclose(file);
  // Turned once the decoder has given back its memory: a quarter turn needs a second block.
  if (code == kOk) code = TurnUpright(buffer, state.orientation).code();
  if (code != kOk) {
    buffer.Release();
    if (iccProfile) iccProfile->clear();
  }
  return code;
}

Error CheckJpegData(std::span<const uint8_t> file, std::vector<uint8_t>* iccProfile) {
  if (iccProfile) iccProfile->clear();
  if (file.empty()) return kImageCorrupt;  // the memory source refuses nothing to read by aborting
  DecodeState state;
  state.memory = file;
  state.profile = iccProfile;
  const Error checked = RunDecode(state);
  if (checked.failed() && iccProfile) iccProfile->clear();
  return checked;
}

Error WriteJpeg(const std::string& path, const uint8_t* pixels, int32_t width, int32_t height,
                std::span<const uint8_t> profile, int quality) {
  if (!pixels || width <= 0 || height <= 0) return kImageWriteFailed;
  if (width > kJpegMaxDimension || height > kJpegMaxDimension) return kTooLargeForJpeg;
  // The chunk count is one byte in each segment; a larger profile cannot be carried faithfully.
  const uint32_t chunks = jpeg_internal::IccChunkCount(profile.size());
  if (chunks > kJpegIccMaxChunks) return kProfileTooLargeForJpeg;

  EncodeState state;
  state.pixels = pixels;
  state.width = static_cast<JDIMENSION>(width);
  state.height = static_cast<JDIMENSION>(height);
  state.quality = std::clamp(quality, 1, 100);
  try {
    for (uint32_t i = 0; i < chunks; ++i) {
      state.profileSegments.push_back(jpeg_internal::IccChunkContent(profile, i, chunks));
    }
  } catch (const std::bad_alloc&) {
    return kImageWriteFailed;
  }

  // A failed save (full disk, size limit, library error) never destroys the file that was there.
  return WriteFileSafely(
      path,
      [&](std::FILE* f) {
        state.file = f;
        const bool encoded = Encode(state);
        jpeg_destroy_compress(&state.cinfo);
        errno = state.errors.writeErrno;  // the cause, when a write failed
        return encoded;
      },
      kImageWriteFailed);
}

}  // namespace tintara
