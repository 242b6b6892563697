// ReadJpeg over arbitrary file contents, the ICC reassembly from APP2 segments included. Beyond not
// crashing: a failure leaves the record empty and names one of the documented reasons, a success
// delivers a whole image inside the size limit, and a profile comes with its size or not at all.

#include <cstdint>

#include "fuzz_support.h"
#include "image/jpeg_io.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tintara;
  using tintara::fuzz::Check;

  const std::string path = fuzz::WriteScratchFile("input.jpg", data, size);

  JpegImage image;
  ResultCode code = kOk;
  const bool ok = ReadJpeg(path, image, &code);
  if (!ok) {
    Check(code == kImageCorrupt || code == kUnsupportedColourDepth || code == kImageTooLarge,
          "ReadJpeg failed with a code outside its list");
    Check(!image.pixels && image.width == 0 && image.height == 0 && !image.profile && image.profileSize == 0,
          "ReadJpeg failed but left data in the record");
    return 0;
  }
  Check(code == kOk, "ReadJpeg succeeded with a failure code");
  Check(image.pixels && image.width > 0 && image.height > 0, "ReadJpeg succeeded without an image");
  Check(image.PixelByteCount() <= kJpegMaxPixelBytes, "ReadJpeg delivered an image above the size limit");
  Check((image.profile != nullptr) == (image.profileSize > 0), "profile block and size disagree");

  // Touch every byte handed over, so a block shorter than promised shows up under the sanitizers.
  unsigned sum = 0;
  for (uint64_t i = 0; i < image.PixelByteCount(); ++i) sum += image.pixels[i];
  for (uint32_t i = 0; i < image.profileSize; ++i) sum += image.profile[i];
  (void)sum;
  return 0;
}
