#include "batch/batch_item.h"

#include <cstdio>
#include <filesystem>
#include <span>

#include "app/strings.h"
#include "base/file_io.h"
#include "base/file_names.h"
#include "base/result_codes.h"
#include "image/image_conversion.h"
#include "image/image_file.h"

namespace tintara {

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// The next name for a copy: a bracketed number of up to four digits just before the extension is
// counted up; anything else gets "(1)" there.
std::string NextCopyName(const std::string& path) {
  const size_t dotPosition = path.rfind('.');
  const long d = dotPosition == std::string::npos ? static_cast<long>(path.size()) : static_cast<long>(dotPosition);
  const size_t openPosition = path.rfind('(');
  if (d > 0 && path[d - 1] == ')' && openPosition != std::string::npos) {
    const long open = static_cast<long>(openPosition);
    if (open < d - 1 && d - open < 7) {
      const std::string digits = path.substr(open + 1, d - 1 - (open + 1));
      bool allDigits = true;
      for (char c : digits) allDigits = allDigits && c >= '0' && c <= '9';
      if (allDigits) {
        const long number = digits.empty() ? 0 : std::stol(digits);
        return path.substr(0, open + 1) + std::to_string(number + 1) + path.substr(d - 1);
      }
    }
  }
  return path.substr(0, d) + "(1)" + path.substr(d);
}

}  // namespace

std::string FailedStatus(const std::string& reason) { return "Failed (" + reason + ")"; }

std::string MakeBatchOutputPath(const std::string& destinationFolder, const std::string& inputPath,
                                const std::string& outputRule) {
  std::string path = inputPath;
  if (!destinationFolder.empty()) {
    // The folders D:\out and D:\out\ both give D:\out\photo.tif: a folder without its final
    // separator is joined to the name by the one that stood before the name in the input ("/" for
    // an input without a folder).
    const std::string name = FileNameOf(inputPath);
    std::string separator;
    if (!IsSeparator(destinationFolder.back())) {
      const size_t at = inputPath.size() - name.size();
      separator = at > 0 ? inputPath.substr(at - 1, 1) : "/";
    }
    path = destinationFolder + separator + name;
  }
  if (outputRule == kOutputOverwrite) return path;
  // "Exists" rather than "can be opened": a file this user cannot read must not be taken for a free
  // name and overwritten by a copy.
  for (;;) {
    std::error_code ec;
    if (!std::filesystem::exists(path, ec) && !ec) return path;
    if (outputRule == kOutputSkip) return {};
    path = NextCopyName(path);
  }
}

std::string ProcessBatchItem(const std::string& inputPath, const ProfileRecord& profile, bool convert,
                             const std::string& destinationFolder, const std::string& outputRule, int jpegQuality) {
  const std::string outputPath = MakeBatchOutputPath(destinationFolder, inputPath, outputRule);
  if (outputPath.empty()) return "Skipped";
  if (IsReadOnlyFile(outputPath)) return "Write protected file";
  if (std::FILE* f = std::fopen(inputPath.c_str(), "rb")) {
    std::fclose(f);
  } else {
    return ErrorCodeText(kCannotOpenImage);
  }
  const ImageFormat format = ImageFormatOf(inputPath);
  if (format == ImageFormat::kUnknown) return ErrorCodeText(kUnsupportedImageType);

  ImageBuffer image;
  int code = ReadImageFile(inputPath, image);
  if (code != kOk) return ErrorCodeText(code);
  // Nothing is undone in a batch, so the pixels are converted where they are: the same result as
  // converting from an unconverted copy, without holding the image twice.
  if (convert) {
    code = ConvertPixelsInPlace(image, profile);
    if (code != kOk) return ErrorCodeText(code);
  }
  const std::span<const uint8_t> embedded = convert ? std::span<const uint8_t>() : std::span<const uint8_t>(profile.bytes);
  code = WriteImageFile(outputPath, format, image, embedded, jpegQuality);
  if (code != kOk) return ErrorCodeText(kImageWriteFailed);
  return {};
}

}  // namespace tintara
