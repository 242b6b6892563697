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

  // Read the last byte of each block, so one shorter than promised shows up under the sanitizers. (A
  // loop over every pixel would cost seconds per large image in the instrumented build.)
  const volatile uint8_t lastPixel = image.pixels[image.PixelByteCount() - 1];
  (void)lastPixel;
  if (image.profileSize > 0) {
    const volatile uint8_t lastProfileByte = image.profile[image.profileSize - 1];
    (void)lastProfileByte;
  }
  return 0;
}
