// ReadTiff over arbitrary file contents. Beyond not crashing, the reader must keep its promises: the
// buffer is empty after every failure, a result of 0 delivers an image of the declared kind, and the
// direct strip read gives exactly the pixels the library's RGBA interface gives for the same file.

#include <tiffio.h>

#include <cstdint>
#include <cstring>

#include "base/result_codes.h"
#include "fuzz_support.h"
#include "image/tiff_io.h"

namespace {

bool Init() {
  // The library's own messages are only noise here; the reader still counts the errors through
  // its per-handle handler.
  TIFFSetWarningHandler(nullptr);
  TIFFSetErrorHandler(nullptr);
  return true;
}

bool IsKnownCode(int code) {
  using namespace tintara;
  return code == kOk || code == kImageCorrupt || code == kUnsupportedColourDepth || code == kCompressedTiff ||
         code == kIllegalImageSize || code == kImageTooLarge;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tintara;
  using tintara::fuzz::Check;
  static const bool initialised = Init();
  (void)initialised;

  const std::string path = fuzz::WriteScratchFile("input.tif", data, size);

  ImageBuffer buffer;
  TiffReadInfo info;
  bool direct = false;
  const int code =
      tiff_internal::ReadTiffWith(path, buffer, &info, tiff_internal::Decoder::kAny, &direct).code();
  Check(IsKnownCode(code), "ReadTiff returned a code outside its list");
  if (code != kOk) {
    Check(buffer.empty(), "ReadTiff failed but left pixels in the buffer");
    return 0;
  }
  Check(!buffer.empty() && buffer.width() > 0 && buffer.height() > 0, "ReadTiff succeeded without an image");

  // Read the image's last byte, so a block shorter than width x height x 3 shows up as a fault.
  const uint64_t bytes = static_cast<uint64_t>(buffer.width()) * buffer.height() * 3;
  Check(buffer.byteSize() == bytes, "the pixel block does not have the image's size");
  const volatile uint8_t lastPixel = buffer.pixels()[bytes - 1];
  (void)lastPixel;

  if (direct) {
    ImageBuffer viaRgba;
    TiffReadInfo rgbaInfo;
    const int rgbaCode =
        tiff_internal::ReadTiffWith(path, viaRgba, &rgbaInfo, tiff_internal::Decoder::kRgbaOnly, nullptr).code();
    Check(rgbaCode == kOk, "the direct strip read accepted a file the RGBA interface refuses");
    Check(viaRgba.width() == buffer.width() && viaRgba.height() == buffer.height(),
          "the two decoders disagree on the image size");
    Check(std::memcmp(viaRgba.pixels(), buffer.pixels(), bytes) == 0, "the two decoders disagree on the pixels");
    Check(rgbaInfo.iccProfile == info.iccProfile, "the two decoders disagree on the ICC profile");
  }
  return 0;
}
