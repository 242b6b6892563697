#include "batch/batch_item.h"

#include <filesystem>
#include <optional>
#include <span>
#include <system_error>
#include <utility>

#include "base/strings.h"
#include "base/file_io.h"
#include "base/file_names.h"
#include "base/result_codes.h"
#include "image/image_conversion.h"
#include "image/image_file.h"
#include "profiles/profile_file.h"

namespace tintara {

namespace {

constexpr std::pair<BatchOutputRule, const char*> kOutputRuleTexts[] = {
    {BatchOutputRule::kCopy, "Copy"}, {BatchOutputRule::kOverwrite, "Overwrite"}, {BatchOutputRule::kSkip, "Skip"}};

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

Error CheckDestinationFolder(const std::string& folder) {
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
BatchOutputPath FirstFreeName(std::string path, BatchOutputRule rule) {
  BatchOutputPath result;
  for (;;) {
    std::error_code ec;
    const bool taken = std::filesystem::exists(std::filesystem::status(path, ec));
    if (!taken && ec == std::errc::no_such_file_or_directory) {
      result.path = path;
      return result;
    }
    if (!taken) {
      result.error = UncheckableCode(ec);
      return result;
    }
    if (rule == BatchOutputRule::kSkip) {
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

std::string OperationText(BatchOperation operation) {
  return operation == BatchOperation::kEmbed ? "Embed" : "Convert";
}

std::string DestinationText(const std::string& destinationFolder) {
  return destinationFolder.empty() ? std::string(kSameAsSourceFolder) : destinationFolder;
}

std::string OutputRuleText(BatchOutputRule rule) {
  for (const auto& [known, text] : kOutputRuleTexts) {
    if (known == rule) return text;
  }
  return {};
}

std::optional<BatchOutputRule> ParseOutputRule(const std::string& text) {
  for (const auto& [rule, known] : kOutputRuleTexts) {
    if (text == known) return rule;
  }
  return std::nullopt;
}

std::string ProfileText(ProfileId profile, const ProfileStore& store) {
  const ProfileRecord* record = store.Find(profile);
  return record ? ProfileBoxText(*record) : std::string();
}

std::string StatusText(const BatchOutcome& outcome) {
  std::string reason;
  switch (outcome.state) {
    case BatchState::kPending:
      return {};
    case BatchState::kProcessing:
      return "Processing...";
    case BatchState::kSucceeded:
      return "Succeeded";
    case BatchState::kSkipped:
      reason = "Skipped";
      break;
    case BatchState::kFailed:
      // The status column (and the command line's line per file) gives the reason's one text; a
      // detail such as the file would repeat the row's own input or stretch the row over two lines.
      reason = ErrorCodeText(outcome.reason.code());
      break;
  }
  return "Failed (" + reason + ")";
}

BatchOutputPath MakeBatchOutputPath(const std::string& destinationFolder, const std::string& inputPath,
                                    BatchOutputRule rule) {
  if (!destinationFolder.empty()) {
    // A missing folder is said as such, rather than showing later as a failed write.
    BatchOutputPath refused;
    refused.error = CheckDestinationFolder(destinationFolder);
    if (refused.error.failed()) return refused;
  }
  const std::string path = JoinedOutputPath(destinationFolder, inputPath);
  if (rule == BatchOutputRule::kOverwrite) return BatchOutputPath{path, false, {}};
  return FirstFreeName(path, rule);
}

bool CanPrepareAhead(const BatchItemTask& task) {
  return task.operation == BatchOperation::kConvert || task.outputRule != BatchOutputRule::kOverwrite;
}

PreparedBatchItem PrepareBatchItem(const BatchItemTask& task) {
  PreparedBatchItem prepared;
  const ImageFormat format = ImageFormatOf(task.inputPath);
  if (format == ImageFormat::kUnknown) return prepared;  // refused before anything is read
  // Staged in the output's folder, so that putting it in place is a rename on one file system.
  const std::string beside = JoinedOutputPath(task.destinationFolder, task.inputPath);
  if (task.operation == BatchOperation::kEmbed) {
    prepared.write = prepared.output.Write(beside, [&](const std::string& path) {
      return EmbedProfileInImageFile(task.inputPath, path, format, task.profile->bytes, task.jpegQuality);
    });
    return prepared;
  }
  ImageBuffer image;
  ImageReadInfo info;
  prepared.read = ReadImageFile(task.inputPath, image, &info);
  prepared.severalImages = info.severalImages;
  if (prepared.read.failed()) return prepared;
  // Nothing is undone in a batch, so the pixels are converted where they are: the same result as
  // converting from an unconverted copy, without holding the image twice.
  prepared.convert = ConvertPixelsInPlace(image, *task.profile);
  if (prepared.convert.failed()) return prepared;
  prepared.write = prepared.output.Write(
      beside, [&](const std::string& path) { return WriteImageFile(path, format, image, {}, task.jpegQuality); });
  return prepared;
}

BatchOutcome CommitBatchItem(const BatchItemTask& task, const std::function<PreparedBatchItem&()>& prepared) {
  const std::string& inputPath = task.inputPath;
  const BatchOutputRule rule = task.outputRule;
  BatchOutputPath output = MakeBatchOutputPath(task.destinationFolder, inputPath, rule);
  if (output.skipped) return BatchOutcome::Skipped();
  if (!output.path.empty() && IsReadOnlyFile(output.path)) return BatchOutcome::Failed(kOutputWriteProtected);
  // Nothing but a regular file is ever opened: a FIFO named like an image would stop the batch.
  if (const Error input = CheckInputFile(inputPath); input.failed()) {
    return BatchOutcome::Failed(Error(input == kFileIsFolder ? kImageFileIsFolder : kCannotOpenImage, input.detail()));
  }
  if (output.error.failed()) return BatchOutcome::Failed(output.error);
  const ImageFormat format = ImageFormatOf(inputPath);
  if (format == ImageFormat::kUnknown) return BatchOutcome::Failed(kUnsupportedImageType);

  // A write that failed without saying why is a failed write.
  auto writeFailure = [](const Error& error) {
    return BatchOutcome::Failed(error.failed() ? error : Error(kImageWriteFailed));
  };
  if (task.operation == BatchOperation::kEmbed && rule == BatchOutputRule::kOverwrite) {
    // Embedding reads the input itself, so that a JPEG keeps its compressed data and only its
    // profile changes; its refusals of the input come from there, the lost pages among them.
    const Error embedded =
        EmbedProfileInImageFile(inputPath, output.path, format, task.profile->bytes, task.jpegQuality);
    return embedded.ok() ? BatchOutcome::Succeeded() : writeFailure(embedded);
  }
  PreparedBatchItem& made = prepared();
  if (task.operation == BatchOperation::kConvert) {
    if (made.read.failed()) return BatchOutcome::Failed(made.read);
    // Overwritten by its first page alone, a file of several pages would lose the others.
    ImageReadInfo info;
    info.severalImages = made.severalImages;
    const Error keeps = CheckKeepsEveryImage(inputPath, output.path, info);
    if (keeps.failed()) return BatchOutcome::Failed(keeps);
    if (made.convert.failed()) return BatchOutcome::Failed(made.convert);
  }
  if (!made.output.staged()) return writeFailure(made.write);

  if (rule == BatchOutputRule::kOverwrite) {
    const Error placed = made.output.PlaceReplacing(output.path, kImageWriteFailed);
    return placed.ok() ? BatchOutcome::Succeeded() : BatchOutcome::Failed(placed);
  }
  // A copy takes its name only if that is still free once the file is complete, so two runs into
  // one folder never replace each other's files: a name taken meanwhile means the next number.
  for (;;) {
    const Error placed = made.output.PlaceAsNew(output.path, kImageWriteFailed);
    if (placed.ok()) return BatchOutcome::Succeeded();
    if (placed.code() != kFileNameTaken) return BatchOutcome::Failed(placed);
    if (rule == BatchOutputRule::kSkip) return BatchOutcome::Skipped();
    output = FirstFreeName(NextCopyName(output.path), rule);
    if (output.error.failed()) return BatchOutcome::Failed(output.error);
  }
}

BatchOutcome ProcessBatchItem(const std::string& inputPath, const ProfileRecord& profile, BatchOperation operation,
                              const std::string& destinationFolder, BatchOutputRule rule, int jpegQuality) {
  const BatchItemTask task{inputPath, &profile, operation, destinationFolder, rule, jpegQuality};
  std::optional<PreparedBatchItem> made;
  return CommitBatchItem(task, [&]() -> PreparedBatchItem& {
    if (!made) made = PrepareBatchItem(task);
    return *made;
  });
}

}  // namespace tintara
