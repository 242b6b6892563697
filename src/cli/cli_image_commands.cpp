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
#include "image/image_document.h"
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
  const std::string profilePath = *a.Value("--profile");

  CliPresenter presenter;
  int quality = Settings().JPEGQuality();
  if (convert) {
    if (auto text = a.Value("--quality")) {
      const auto q = ParseSettingValue(*SettingRuleOf("JPEGQuality"), "--quality", *text, error);
      if (!q) return Fail(kExitUsage, error);
      quality = static_cast<int>(*q);
    }
  }
  // Both names are looked at before anything is read or written.
  for (const std::string* path : {&output, &input}) {
    if (ImageFormatOf(*path) == ImageFormat::kUnknown) {
      return Fail(kExitFailure, WithPath(ErrorCodeText(kUnsupportedImageType), *path));
    }
  }
  if (int status = CheckOutputFile(output, {input, profilePath})) return status;

  ProfileRecord profile;
  if (int status = LoadProfileFor(profilePath, convert, profile)) return status;
  // Any maker's profile may be embedded, but it must be an ICC profile.
  if (!convert && !LooksLikeIccProfile(profile.bytes)) {
    return Fail(kExitFailure, WithPath(ErrorCodeText(kNotAnIccProfile), profilePath));
  }

  // The desktop program's document, with its refusals, checks and writers, holding the image once:
  // a conversion needs no way back here, and nothing is shown on a screen. A JPEG embedded into a
  // JPEG keeps its compressed data, so the image's own bytes go into the output unchanged, and its
  // pixels are never held.
  ImageDocumentOptions options;
  options.keepUnconverted = false;
  options.keepDisplay = false;
  options.keepCompressedJpeg = !convert && ImageFormatOf(output) == ImageFormat::kJpeg;
  ImageDocument document(options);
  SilentMessages silent;
  const Messages messages = silent.messages();
  if (const Error opened = document.Open(input, messages); opened.failed()) {
    return Fail(kExitFailure, CliErrorText(opened));
  }
  if (convert) {
    // A converted image no longer matches the camera's profile, so it carries none.
    if (const Error converted = document.Convert(&profile, messages); converted.failed()) {
      return Fail(kExitFailure, CliErrorText(converted));
    }
  } else {
    document.EmbedProfile(profile.bytes, profile.name);
  }
  document.SetJpegQuality(quality);
  const Error saved = document.SaveTo(output, messages);
  if (saved.code() == kProfileTooLargeForJpeg) return Fail(kExitFailure, WithPath(ErrorCodeText(saved.code()), profilePath));
  if (saved.failed()) return Fail(kExitFailure, CliErrorText(saved));
  return kExitOk;
}

}  // namespace

int CommandConvert(const GlobalOptions&, const std::vector<std::string>& args) { return ConvertOrEmbed(args, true); }
int CommandEmbed(const GlobalOptions&, const std::vector<std::string>& args) { return ConvertOrEmbed(args, false); }

}  // namespace tintara::cli
