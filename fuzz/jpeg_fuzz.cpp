// ReadJpeg over arbitrary file contents: the ICC reassembly from APP2 segments, the EXIF orientation
// from APP1 and the arithmetic decoder's end-of-data test included. Beyond not crashing: a failure
// leaves the buffer and profile empty and names one of the documented reasons, a success delivers a
// whole image inside the size limit; the decode that only checks (used before embedding) comes to
// the same verdict; and embedding a profile at the marker level either refuses the file as the
// reader does or gives a file that reads back as the same pixels with the new profile.

#include <cstdint>
#include <cstring>
#include <vector>

#include "base/result_codes.h"
#include "fuzz_support.h"
#include "image/image_buffer.h"
#include "image/jpeg_embed.h"
#include "image/jpeg_io.h"

namespace {

// Not a valid ICC profile, which the marker-level embedding does not ask for: only its bytes travel.
const std::vector<uint8_t> kProfile = {'p', 'r', 'o', 'f', 'i', 'l', 'e', 0, 1, 2, 3};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tintara;
  using tintara::fuzz::Check;

  const std::string path = fuzz::WriteScratchFile("input.jpg", data, size);

  ImageBuffer image;
  std::vector<uint8_t> profile;
  const int code = ReadJpeg(path, image, &profile).code();
  Check(CheckJpegData({data, size}) == code || code == kImageTooLarge,
        "the checking decode and the read disagree");  // the read alone also needs a turned block
  const std::string embedded = fuzz::ScratchFolder() + "/embedded.jpg";
  const int embedCode = EmbedProfileInJpeg(path, embedded, kProfile).code();
  if (code != kOk) {
    Check(code == kImageCorrupt || code == kUnsupportedColourDepth || code == kImageTooLarge,
          "ReadJpeg failed with a code outside its list");
    Check(image.empty() && profile.empty(), "ReadJpeg failed but left data behind");
    Check(embedCode != kOk || code == kImageTooLarge, "a file the reader refuses was embedded into");
    return 0;
  }
  Check(!image.empty() && image.width() > 0 && image.height() > 0, "ReadJpeg succeeded without an image");
  Check(image.byteSize() <= kJpegMaxPixelBytes, "ReadJpeg delivered an image above the size limit");

  // Read the last byte of each block, so one shorter than promised shows up under the sanitizers. (A
  // loop over every pixel would cost seconds per large image in the instrumented build.)
  const volatile uint8_t lastPixel = image.pixels()[image.byteSize() - 1];
  (void)lastPixel;
  if (!profile.empty()) {
    const volatile uint8_t lastProfileByte = profile.back();
    (void)lastProfileByte;
  }

  // A header the marker walk finds unsound may still decode; anything it takes must read back alike.
  if (embedCode == kOk) {
    ImageBuffer again;
    std::vector<uint8_t> againProfile;
    Check(ReadJpeg(embedded, again, &againProfile) == kOk, "the embedded file does not read");
    Check(againProfile == kProfile, "the embedded file does not carry the profile");
    Check(again.width() == image.width() && again.height() == image.height() &&
              std::memcmp(again.pixels(), image.pixels(), image.byteSize()) == 0,
          "embedding changed the pixels");
  }
  return 0;
}
