#include "image/jpeg_io.h"

// jpeglib.h needs FILE and size_t declared before it.
#include <algorithm>
#include <cerrno>
#include <csetjmp>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <new>
#include <system_error>
#include <utility>

// jpeglib.h first: it brings the library's configuration (version, arithmetic coding), which
// decides which message codes jerror.h declares. Read before it, jerror.h numbers the later codes
// differently from the library they are compared with.
#include <jpeglib.h>
#include <jerror.h>

#include "base/file_io.h"

// The pixel layout is RGB, 3 bytes per pixel. The extended colour spaces of libjpeg-turbo name that
// layout exactly, whatever the library's build-time RGB_PIXELSIZE, which lets rows be decoded straight
// into the pixel block and encoded straight from it.
#ifndef JCS_EXTENSIONS
#error "libjpeg-turbo with the extended colour spaces (JCS_EXT_RGB) is required"
#endif

namespace tintara {

void JpegImage::Release() {
  pixels.reset();
  width = 0;
  height = 0;
  profile.reset();
  profileSize = 0;
}

uint64_t JpegImage::PixelByteCount() const {
  if (width <= 0 || height <= 0) return 0;
  return static_cast<uint64_t>(width) * static_cast<uint64_t>(height) * 3u;
}

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
};

JumpingErrorManager& ErrorsOf(j_common_ptr cinfo) {
  return *reinterpret_cast<JumpingErrorManager*>(cinfo->err);
}

[[noreturn]] void JumpBack(j_common_ptr cinfo) { std::longjmp(ErrorsOf(cinfo).recovery, 1); }

[[noreturn]] void OnFatalError(j_common_ptr cinfo) {
  // Samples of other than 8 bits are a colour depth this program does not handle, not damage.
  if (cinfo->err->msg_code == JERR_BAD_PRECISION) ErrorsOf(cinfo).failure = kUnsupportedColourDepth;
  JumpBack(cinfo);
}

// The library only warns when the file ends early and then pads the missing rows with grey, so the
// reader would hand over an image that is partly invented. The same holds when the compressed data
// runs into a marker before the image is complete (a file cut short and closed again) or cannot be
// decoded: the library fills the rest of the scan with grey. Those warnings are failures here;
// every other warning (stray bytes before a marker and the like) takes the library's standard path.
bool MeansInventedPixels(int messageCode) {
  return messageCode == JWRN_JPEG_EOF || messageCode == JWRN_HIT_MARKER || messageCode == JWRN_HUFF_BAD_CODE ||
         messageCode == JWRN_ARITH_BAD_CODE;
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

void LimitScans(j_common_ptr cinfo) {
  if (!cinfo->is_decompressor) return;
  if (reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number > kMaxProgressiveScans) {
    ErrorsOf(cinfo).failure = kImageCorrupt;
    JumpBack(cinfo);
  }
}

constexpr unsigned kIccMarker = JPEG_APP0 + 2;
constexpr size_t kIccHeaderBytes = 14;  // identifier (12), sequence number, chunk count
constexpr uint8_t kIccIdentifier[12] = {'I', 'C', 'C', '_', 'P', 'R', 'O', 'F', 'I', 'L', 'E', 0};

// Rows handed to the library per call. Giving it several rows at once lets it decode a whole row
// group (for example the two rows of 2x2 chroma subsampling) straight into the block instead of
// through its own spare row.
constexpr JDIMENSION kRowsPerCall = 16;

// Puts the ICC profile carried by the kept APP2 segments into `image`. Anything inconsistent (chunk
// counts that disagree, a sequence number out of range or repeated, a chunk missing, no bytes at all)
// means the image simply has no profile; the chunks may come in any order.
void ReassembleProfile(jpeg_saved_marker_ptr markers, JpegImage& image) {
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
  if (size == 0 || size > UINT32_MAX) return;
  std::unique_ptr<uint8_t[]> profile(new (std::nothrow) uint8_t[size]);
  if (!profile) return;
  uint8_t* out = profile.get();
  for (int i = 1; i <= total; ++i) {
    std::memcpy(out, chunkData[i], chunkLength[i]);
    out += chunkLength[i];
  }
  image.profile = std::move(profile);
  image.profileSize = static_cast<uint32_t>(size);
}

struct DecodeState {
  jpeg_decompress_struct cinfo{};
  JumpingErrorManager errors{};
  jpeg_progress_mgr progress{};
  std::FILE* file = nullptr;
};

// Decodes the open file into `image`. A fatal library error returns false through the jump with the
// reason in state.errors.failure; the caller destroys the library object and closes the file.
bool Decode(DecodeState& state, JpegImage& image) {
  state.cinfo.err = jpeg_std_error(&state.errors.pub);
  state.errors.pub.error_exit = OnFatalError;
  state.errors.standardEmit = state.errors.pub.emit_message;
  state.errors.pub.emit_message = OnDecodeMessage;
  if (setjmp(state.errors.recovery) != 0) return false;

  jpeg_create_decompress(&state.cinfo);
  state.progress.progress_monitor = LimitScans;
  state.cinfo.progress = &state.progress;
  jpeg_save_markers(&state.cinfo, kIccMarker, 0xFFFF);
  jpeg_stdio_src(&state.cinfo, state.file);
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

  ReassembleProfile(state.cinfo.marker_list, image);

  jpeg_start_decompress(&state.cinfo);
  if (state.cinfo.output_width != width || state.cinfo.output_height != height ||
      state.cinfo.output_components != 3) {
    return false;
  }
  image.pixels.reset(new (std::nothrow) uint8_t[byteCount]);
  if (!image.pixels) {
    state.errors.failure = kImageTooLarge;
    return false;
  }
  image.width = static_cast<int32_t>(width);
  image.height = static_cast<int32_t>(height);

  const size_t stride = static_cast<size_t>(width) * 3u;
  uint8_t* const block = image.pixels.get();
  JSAMPROW rows[kRowsPerCall];
  while (state.cinfo.output_scanline < state.cinfo.output_height) {
    const JDIMENSION first = state.cinfo.output_scanline;
    const JDIMENSION wanted =
        std::min<JDIMENSION>(kRowsPerCall, state.cinfo.output_height - first);
    for (JDIMENSION i = 0; i < wanted; ++i) rows[i] = block + (first + i) * stride;
    // The stdio source never suspends, so no progress means the library has nothing more to give.
    if (jpeg_read_scanlines(&state.cinfo, rows, wanted) == 0) return false;
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
  const uint8_t* profile = nullptr;
  uint32_t profileSize = 0;
  int quality = 0;
};

void WriteProfileMarkers(j_compress_ptr cinfo, const uint8_t* profile, uint32_t size) {
  const uint32_t chunks = (size + kJpegIccChunkBytes - 1) / kJpegIccChunkBytes;
  for (uint32_t chunk = 0; chunk < chunks; ++chunk) {
    const uint32_t offset = chunk * kJpegIccChunkBytes;
    const uint32_t length = std::min(kJpegIccChunkBytes, size - offset);
    jpeg_write_m_header(cinfo, kIccMarker, length + static_cast<unsigned>(kIccHeaderBytes));
    for (uint8_t byte : kIccIdentifier) jpeg_write_m_byte(cinfo, byte);
    jpeg_write_m_byte(cinfo, static_cast<int>(chunk + 1));
    jpeg_write_m_byte(cinfo, static_cast<int>(chunks));
    const uint8_t* bytes = profile + offset;
    for (uint32_t i = 0; i < length; ++i) jpeg_write_m_byte(cinfo, bytes[i]);
  }
}

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
  if (state.profileSize > 0) WriteProfileMarkers(&state.cinfo, state.profile, state.profileSize);

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

}  // namespace

bool ReadJpeg(const std::string& path, JpegImage& image, ResultCode* failureCode) {
  image.Release();
  if (failureCode) *failureCode = kImageCorrupt;
  // Only regular files: opening a FIFO would block, and a device may never end.
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) return false;
  DecodeState state;
  state.file = std::fopen(path.c_str(), "rb");
  if (!state.file) return false;
  const bool ok = Decode(state, image);
  // Safe in every state, even when creation itself failed: the object was zeroed beforehand.
  jpeg_destroy_decompress(&state.cinfo);
  std::fclose(state.file);
  if (!ok) image.Release();
  if (failureCode) *failureCode = ok ? kOk : state.errors.failure;
  return ok;
}

bool WriteJpeg(const std::string& path, const uint8_t* pixels, int32_t width, int32_t height,
               const uint8_t* profile, uint32_t profileSize, int quality) {
  if (!pixels || width <= 0 || height <= 0) return false;
  if (width > JPEG_MAX_DIMENSION || height > JPEG_MAX_DIMENSION) return false;
  if (profileSize > 0 && !profile) return false;
  // The chunk count is one byte in each segment; a larger profile cannot be carried faithfully.
  if (profileSize > static_cast<uint64_t>(kJpegIccChunkBytes) * kJpegIccMaxChunks) return false;

  EncodeState state;
  state.pixels = pixels;
  state.width = static_cast<JDIMENSION>(width);
  state.height = static_cast<JDIMENSION>(height);
  state.profile = profile;
  state.profileSize = profileSize;
  state.quality = std::clamp(quality, 1, 100);

  // A failed save (full disk, size limit, library error) never destroys the file that was there.
  return WriteFileSafely(path, [&](std::FILE* f) {
    state.file = f;
    const bool encoded = Encode(state);
    jpeg_destroy_compress(&state.cinfo);
    return encoded;
  });
}

}  // namespace tintara
