#include "batch/batch_item.h"

#include <filesystem>
#include <optional>
#include <span>
#include <system_error>

#include "base/strings.h"
#include "base/file_io.h"
#include "base/file_names.h"
#include "base/result_codes.h"
#include "image/image_conversion.h"
#include "image/image_file.h"

namespace tintara {

namespace {

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

// Why a path could not be looked at, as the item's reason.
int UncheckableCode(const std::error_code& ec) {
  if (ec == std::errc::no_such_file_or_directory) return kDestinationFolderMissing;
  if (ec == std::errc::not_a_directory) return kDestinationNotAFolder;
  if (ec == std::errc::permission_denied || ec == std::errc::operation_not_permitted) return kDestinationFolderDenied;
  if (ec == std::errc::filename_too_long) return kOutputNameTooLong;
  return kOutputNameUncheckable;
}

int CheckDestinationFolder(const std::string& folder) {
  std::error_code ec;
  const std::filesystem::file_status status = std::filesystem::status(folder, ec);
  if (ec) return UncheckableCode(ec);
  return std::filesystem::is_directory(status) ? kOk : kDestinationNotAFolder;
}

// The first name from `path` on that no file carries, numbering on under any rule but "Skip". A name
// is free only when the file system says there is no such file. Any other failure to look (a name
// longer than the file system allows, a folder that may not be searched) says nothing about the
// name, and every numbered name after it would fail the same way: that ends the search with its
// reason. "Exists" rather than "can be opened": a file this user cannot read is not a free name.
BatchOutputPath FirstFreeName(std::string path, const std::string& outputRule) {
  BatchOutputPath result;
  for (;;) {
    std::error_code ec;
    const bool taken = std::filesystem::exists(std::filesystem::status(path, ec));
    if (!taken && ec == std::errc::no_such_file_or_directory) {
      result.path = path;
      return result;
    }
    if (!taken) {
      result.code = UncheckableCode(ec);
      return result;
    }
    if (outputRule == kOutputSkip) {
      result.skipped = true;
      return result;
    }
    path = NextCopyName(path);
  }
}

// The output's path before any numbering: the input's file name in the destination folder, or the
// input's own path for the source folder.
std::string JoinedOutputPath(const std::string& destinationFolder, const std::string& inputPath) {
  if (destinationFolder.empty()) return inputPath;
  const std::string name = FileNameOf(inputPath);
  std::string separator;
  if (!IsFolderSeparator(destinationFolder.back())) {
#ifdef _WIN32
    // The folders D:\out and D:\out\ both give D:\out\photo.tif: the folder is joined to the name
    // by the separator that stood before the name in the input ("/" for a bare name).
    const size_t at = inputPath.size() - name.size();
    separator = at > 0 ? inputPath.substr(at - 1, 1) : "/";
#else
    separator = "/";
#endif
  }
  return destinationFolder + separator + name;
}

}  // namespace

std::string FailedStatus(const std::string& reason) { return "Failed (" + reason + ")"; }

BatchOutputPath MakeBatchOutputPath(const std::string& destinationFolder, const std::string& inputPath,
                                    const std::string& outputRule) {
  if (!destinationFolder.empty()) {
    // A missing folder is said as such, rather than showing later as a failed write.
    BatchOutputPath refused;
    refused.code = CheckDestinationFolder(destinationFolder);
    if (refused.code != kOk) return refused;
  }
  const std::string path = JoinedOutputPath(destinationFolder, inputPath);
  if (outputRule == kOutputOverwrite) return BatchOutputPath{path};
  return FirstFreeName(path, outputRule);
}

bool CanPrepareAhead(const BatchItemTask& task) { return task.convert || task.outputRule != kOutputOverwrite; }

PreparedBatchItem PrepareBatchItem(const BatchItemTask& task) {
  PreparedBatchItem prepared;
  const ImageFormat format = ImageFormatOf(task.inputPath);
  if (format == ImageFormat::kUnknown) return prepared;  // refused before anything is read
  // Staged in the output's folder, so that putting it in place is a rename on one file system.
  const std::string beside = JoinedOutputPath(task.destinationFolder, task.inputPath);
  if (!task.convert) {
    prepared.output.Write(beside, [&](const std::string& path) {
      prepared.writeCode =
          EmbedProfileInImageFile(task.inputPath, path, format, task.profile->bytes, task.jpegQuality).code();
      return prepared.writeCode == kOk;
    });
    return prepared;
  }
  ImageBuffer image;
  ImageReadInfo info;
  prepared.readCode = ReadImageFile(task.inputPath, image, &info).code();
  prepared.severalImages = info.severalImages;
  if (prepared.readCode != kOk) return prepared;
  // Nothing is undone in a batch, so the pixels are converted where they are: the same result as
  // converting from an unconverted copy, without holding the image twice.
  prepared.convertCode = ConvertPixelsInPlace(image, *task.profile);
  if (prepared.convertCode != kOk) return prepared;
  prepared.output.Write(beside, [&](const std::string& path) {
    prepared.writeCode = WriteImageFile(path, format, image, {}, task.jpegQuality).code();
    return prepared.writeCode == kOk;
  });
  return prepared;
}

std::string CommitBatchItem(const BatchItemTask& task, const std::function<PreparedBatchItem&()>& prepared) {
  const std::string& inputPath = task.inputPath;
  BatchOutputPath output = MakeBatchOutputPath(task.destinationFolder, inputPath, task.outputRule);
  if (output.skipped) return "Skipped";
  if (!output.path.empty() && IsReadOnlyFile(output.path)) return "Write protected file";
  // Nothing but a regular file is ever opened: a FIFO named like an image would stop the batch.
  switch (CheckInputFile(inputPath)) {
    case InputFileCheck::kReadable:
      break;
    case InputFileCheck::kFolder:
      return ErrorCodeText(kImageFileIsFolder);
    default:
      return ErrorCodeText(kCannotOpenImage);
  }
  if (output.code != kOk) return ErrorCodeText(output.code);
  const ImageFormat format = ImageFormatOf(inputPath);
  if (format == ImageFormat::kUnknown) return ErrorCodeText(kUnsupportedImageType);

  auto writeFailure = [](int code) { return ErrorCodeText(code != kOk ? code : kImageWriteFailed); };
  if (!task.convert && task.outputRule == kOutputOverwrite) {
    // Embedding reads the input itself, so that a JPEG keeps its compressed data and only its
    // profile changes; its refusals of the input come from there, the lost pages among them.
    const int code =
        EmbedProfileInImageFile(inputPath, output.path, format, task.profile->bytes, task.jpegQuality).code();
    return code == kOk ? std::string() : writeFailure(code);
  }
  PreparedBatchItem& made = prepared();
  if (task.convert) {
    if (made.readCode != kOk) return ErrorCodeText(made.readCode);
    // Overwritten by its first page alone, a file of several pages would lose the others.
    ImageReadInfo info;
    info.severalImages = made.severalImages;
    const int code = CheckKeepsEveryImage(inputPath, output.path, info).code();
    if (code != kOk) return ErrorCodeText(code);
    if (made.convertCode != kOk) return ErrorCodeText(made.convertCode);
  }
  if (!made.output.staged()) return writeFailure(made.writeCode);

  if (task.outputRule == kOutputOverwrite) {
    return made.output.PlaceReplacing(output.path) ? std::string() : writeFailure(kOk);
  }
  // A copy takes its name only if that is still free once the file is complete, so two runs into
  // one folder never replace each other's files: a name taken meanwhile means the next number.
  for (;;) {
    const WriteOutcome outcome = made.output.PlaceAsNew(output.path);
    if (outcome == WriteOutcome::kWritten) return {};
    if (outcome == WriteOutcome::kFailed) return writeFailure(kOk);
    if (task.outputRule == kOutputSkip) return "Skipped";
    output = FirstFreeName(NextCopyName(output.path), task.outputRule);
    if (output.code != kOk) return ErrorCodeText(output.code);
  }
}

std::string ProcessBatchItem(const std::string& inputPath, const ProfileRecord& profile, bool convert,
                             const std::string& destinationFolder, const std::string& outputRule, int jpegQuality) {
  const BatchItemTask task{inputPath, &profile, convert, destinationFolder, outputRule, jpegQuality};
  std::optional<PreparedBatchItem> made;
  return CommitBatchItem(task, [&]() -> PreparedBatchItem& {
    if (!made) made = PrepareBatchItem(task);
    return *made;
  });
}

}  // namespace tintara
