#include "image/jpeg_embed.h"

#include <cstdio>
#include <cstring>
#include <new>
#include <utility>
#include <vector>

#include "base/file_io.h"
#include "base/result_codes.h"
#include "image/image_input.h"
#include "image/jpeg_io.h"

namespace tintara {

namespace {

constexpr uint8_t kMarkerPrefix = 0xFF;
constexpr uint8_t kStartOfImage = 0xD8;
constexpr uint8_t kEndOfImage = 0xD9;
constexpr uint8_t kStartOfScan = 0xDA;
constexpr uint8_t kApp0 = 0xE0;
constexpr uint8_t kApp1 = 0xE1;
constexpr uint8_t kApp2 = 0xE2;
constexpr uint8_t kIccIdentifier[12] = {'I', 'C', 'C', '_', 'P', 'R', 'O', 'F', 'I', 'L', 'E', 0};

using Piece = CompressedJpeg::Piece;

bool IsStandalone(uint8_t marker) { return marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7); }

// Walks the header from SOI to the first SOS, every length checked against the file. False when the
// file does not begin with SOI, a segment runs past the end, or the file ends (or another image
// begins or this one ends) before a scan.
bool WalkHeader(const std::vector<uint8_t>& file, std::vector<Piece>& pieces, size_t& scanStart) {
  if (file.size() < 4 || file[0] != kMarkerPrefix || file[1] != kStartOfImage) return false;
  size_t at = 2;
  bool leading = true;
  for (;;) {
    if (at >= file.size()) return false;
    Piece piece;
    piece.start = at;
    if (file[at] != kMarkerPrefix) {
      while (at < file.size() && file[at] != kMarkerPrefix) ++at;
      piece.size = at - piece.start;
      pieces.push_back(piece);
      leading = false;
      continue;
    }
    while (at < file.size() && file[at] == kMarkerPrefix) ++at;  // fill bytes, then the marker
    if (at >= file.size()) return false;
    const uint8_t marker = file[at++];
    if (marker == kStartOfScan) {
      scanStart = piece.start;
      return true;
    }
    if (marker == 0x00 || marker == kStartOfImage || marker == kEndOfImage) return false;
    if (!IsStandalone(marker)) {
      if (at + 2 > file.size()) return false;
      const size_t length = static_cast<size_t>(file[at]) << 8 | file[at + 1];
      if (length < 2 || length > file.size() - at) return false;
      const uint8_t* content = file.data() + at + 2;
      piece.iccProfile = marker == kApp2 && length - 2 >= sizeof kIccIdentifier &&
                         std::memcmp(content, kIccIdentifier, sizeof kIccIdentifier) == 0;
      at += length;
    }
    leading = leading && (marker == kApp0 || marker == kApp1);
    piece.leadingApp = leading;
    piece.size = at - piece.start;
    pieces.push_back(piece);
  }
}

bool WriteBytes(std::FILE* f, const uint8_t* bytes, size_t size) {
  return size == 0 || std::fwrite(bytes, 1, size, f) == size;
}

}  // namespace

Error ReadCompressedJpeg(const std::string& path, CompressedJpeg& jpeg, std::vector<uint8_t>* iccProfile) {
  jpeg = CompressedJpeg{};
  if (iccProfile) iccProfile->clear();
  if (Error refusal = CheckImageFile(path); refusal.failed()) return refusal;
  CompressedJpeg read;
  try {
    if (const Error whole = ReadWholeFile(path, read.file, kJpegMaxPixelBytes); whole.failed()) {
      return whole == kFileTooLarge ? kImageTooLarge : kImageCorrupt;
    }
    if (!WalkHeader(read.file, read.header, read.scanStart)) return kImageCorrupt;
  } catch (const std::bad_alloc&) {
    return kImageTooLarge;
  }
  if (Error refusal = CheckJpegData(read.file, iccProfile); refusal.failed()) return refusal;
  jpeg = std::move(read);
  return kOk;
}

Error WriteCompressedJpeg(const CompressedJpeg& jpeg, const std::string& output, std::span<const uint8_t> profile) {
  const uint32_t chunks = jpeg_internal::IccChunkCount(profile.size());
  if (chunks > kJpegIccMaxChunks) return kProfileTooLargeForJpeg;
  if (jpeg.file.size() < 4 || jpeg.scanStart >= jpeg.file.size()) return kImageWriteFailed;  // none was read
  std::vector<std::vector<uint8_t>> segments;
  try {
    for (uint32_t i = 0; i < chunks; ++i) {
      std::vector<uint8_t> content = jpeg_internal::IccChunkContent(profile, i, chunks);
      const size_t length = content.size() + 2;
      content.insert(content.begin(), {kMarkerPrefix, kApp2, static_cast<uint8_t>(length >> 8),
                                       static_cast<uint8_t>(length & 0xFF)});
      segments.push_back(std::move(content));
    }
  } catch (const std::bad_alloc&) {
    return kImageTooLarge;
  }
  const std::vector<uint8_t>& file = jpeg.file;
  return WriteFileSafely(
      output,
      [&](std::FILE* f) {
        bool ok = WriteBytes(f, file.data(), 2);  // SOI
        for (const Piece& piece : jpeg.header) {
          if (piece.leadingApp) ok = ok && WriteBytes(f, file.data() + piece.start, piece.size);
        }
        for (const std::vector<uint8_t>& segment : segments) ok = ok && WriteBytes(f, segment.data(), segment.size());
        for (const Piece& piece : jpeg.header) {
          if (!piece.leadingApp && !piece.iccProfile) ok = ok && WriteBytes(f, file.data() + piece.start, piece.size);
        }
        // The first failed write stops the rest, so errno still holds its cause.
        return ok && WriteBytes(f, file.data() + jpeg.scanStart, file.size() - jpeg.scanStart);
      },
      kImageWriteFailed);
}

Error EmbedProfileInJpeg(const std::string& input, const std::string& output, std::span<const uint8_t> profile) {
  if (jpeg_internal::IccChunkCount(profile.size()) > kJpegIccMaxChunks) return kProfileTooLargeForJpeg;
  CompressedJpeg jpeg;
  if (Error refusal = ReadCompressedJpeg(input, jpeg); refusal.failed()) return refusal;
  return WriteCompressedJpeg(jpeg, output, profile);
}

}  // namespace tintara
