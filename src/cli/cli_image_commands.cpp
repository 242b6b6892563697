// Commands over image files: converting with a profile and embedding a profile.
#include <cstdio>

#include "app/settings.h"
#include "base/strings.h"
#include "base/result_codes.h"
#include "cli/cli_args.h"
#include "cli/cli_commands.h"
#include "cli/cli_presenter.h"
#include "cli/cli_support.h"
#include "engine/icc_profile.h"
#include "image/image_conversion.h"
#include "image/image_file.h"
#include "profiles/profile_file.h"

namespace tintara::cli {

namespace {

// Reads the profile for `convert` (which needs a transform of this system) or `embed` (which takes
// any profile's bytes as they are).
int LoadProfileFor(const std::string& path, bool needTransform, ProfileRecord& record) {
  switch (ReadProfileFile(path, record).code()) {
    case kOk:
      return kExitOk;
    case kForeignProfile:
      if (!needTransform) return kExitOk;
      return Fail(kExitFailure, WithPath(ErrorCodeText(kForeignProfileConvert), path));
    case kOutOfMemory:
      return Fail(kExitFailure, WithPath(ErrorCodeText(kOutOfMemory), path));
    default:
      return Fail(kExitFailure, WithPath(ErrorCodeText(kProfileLoadFailed), path));
  }
}

int ConvertOrEmbed(const std::vector<std::string>& args, bool convert) {
  CommandArgs a;
  std::string error;
  if (!a.Parse(args, {}, convert ? std::set<std::string>{"--profile", "--quality"} : std::set<std::string>{"--profile"},
               error)) {
    return Fail(kExitUsage, error);
  }
  const char* usage = convert ? "convert needs --profile P.tnp IN OUT [--quality Q]" : "embed needs --profile P.tnp IN OUT";
  if (!a.Has("--profile") || a.Positionals().size() != 2) return Fail(kExitUsage, usage);
  const std::string& input = a.Positionals()[0];
  const std::string& output = a.Positionals()[1];

  CliPresenter presenter;
  int quality = 0;
  if (convert) {
    quality = Settings().JPEGQuality();
    if (auto text = a.Value("--quality")) {
      const auto q = ParseSettingValue(*SettingRuleOf("JPEGQuality"), "--quality", *text, error);
      if (!q) return Fail(kExitUsage, error);
      quality = static_cast<int>(*q);
    }
  }
  const ImageFormat outputFormat = ImageFormatOf(output);
  if (outputFormat == ImageFormat::kUnknown) {
    return Fail(kExitFailure, WithPath(ErrorCodeText(kUnsupportedImageType), output));
  }
  if (int status = CheckOutputFile(output, {input, *a.Value("--profile")})) return status;

  ProfileRecord profile;
  if (int status = LoadProfileFor(*a.Value("--profile"), convert, profile)) return status;

  if (!convert) {
    // Any maker's profile may be embedded, but it must be an ICC profile. The image's own bytes go
    // into the output unchanged (a JPEG keeps its compressed data), with the profile's bytes.
    if (!LooksLikeIccProfile(profile.bytes)) {
      return Fail(kExitFailure, WithPath(ErrorCodeText(kNotAnIccProfile), *a.Value("--profile")));
    }
    const int code = EmbedProfileInImageFile(input, output, outputFormat, profile.bytes, Settings().JPEGQuality());
    if (code == kOk) return kExitOk;
    if (code == kProfileTooLargeForJpeg) {
      return Fail(kExitFailure, WithPath(ErrorCodeText(code), *a.Value("--profile")));
    }
    const bool writing = code == kImageWriteFailed || code == kTooLargeForJpeg;
    return Fail(kExitFailure, WithPath(ErrorCodeText(code), writing ? output : input));
  }

  ImageBuffer image;
  int code = ReadImageFile(input, image);
  if (code != kOk) return Fail(kExitFailure, WithPath(ErrorCodeText(code), input));
  code = ConvertPixelsInPlace(image, profile);
  if (code != kOk) return Fail(kExitFailure, ErrorCodeText(code));
  // A converted image no longer matches the camera's profile, so it carries none.
  code = WriteImageFile(output, outputFormat, image, {}, quality);
  if (code != kOk) return Fail(kExitFailure, WithPath(ErrorCodeText(code), output));
  return kExitOk;
}

}  // namespace

int CommandConvert(const GlobalOptions&, const std::vector<std::string>& args) { return ConvertOrEmbed(args, true); }
int CommandEmbed(const GlobalOptions&, const std::vector<std::string>& args) { return ConvertOrEmbed(args, false); }

}  // namespace tintara::cli
