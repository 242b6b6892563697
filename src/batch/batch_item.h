#pragma once

#include <functional>
#include <optional>
#include <string>
#include <utility>

#include "base/error.h"
#include "base/file_io.h"
#include "image/image_file.h"
#include "profiles/profile_record.h"
#include "profiles/profile_store.h"

namespace tintara {

enum class BatchOperation { kConvert, kEmbed };

// What an item does when its output file is there already: write a numbered copy beside it,
// replace it, or leave it and skip the item.
enum class BatchOutputRule { kCopy, kOverwrite, kSkip };

enum class BatchState { kPending, kProcessing, kSucceeded, kSkipped, kFailed };

// Where an item stands: pending until a run takes it up, then processing, then one of its three
// ends. `reason` says why a failed item failed and is ok in every other state.
struct BatchOutcome {
  BatchState state = BatchState::kPending;
  Error reason;

  static BatchOutcome Succeeded() { return {BatchState::kSucceeded, {}}; }
  static BatchOutcome Skipped() { return {BatchState::kSkipped, {}}; }
  static BatchOutcome Failed(Error reason) { return {BatchState::kFailed, std::move(reason)}; }
};

// One entry of a batch job. The list shows it as six texts, made by the functions below.
struct BatchItem {
  std::string inputFile;  // full path
  ProfileId profile = kNoProfile;
  BatchOperation operation = BatchOperation::kConvert;
  std::string destinationFolder;  // empty: the input's own folder
  BatchOutputRule output = BatchOutputRule::kCopy;
  BatchOutcome outcome;
};

// The texts of the batch list, each made here and nowhere else.
inline constexpr char kSameAsSourceFolder[] = "<Same as source folder>";
std::string OperationText(BatchOperation operation);
std::string DestinationText(const std::string& destinationFolder);
std::string OutputRuleText(BatchOutputRule rule);
// The profile's text in the profile lists, or nothing for a profile that is not in `store`.
std::string ProfileText(ProfileId profile, const ProfileStore& store);
// Nothing while pending, "Processing...", "Succeeded", and "Failed (" reason ")" for a failed item,
// a skipped one giving "Skipped" as its reason.
std::string StatusText(const BatchOutcome& outcome);

// The rule an output rule's text names ("Copy", "Overwrite", "Skip", letter case as written), or
// nothing.
std::optional<BatchOutputRule> ParseOutputRule(const std::string& text);

// Where an item writes, as MakeBatchOutputPath finds it.
struct BatchOutputPath {
  std::string path;      // the file to write; empty when there is none
  bool skipped = false;  // "Skip", and the output file exists
  Error error;           // when the name could not be checked: why (the destination, or the name)
};

// The path an item writes to. `destinationFolder` is empty for the source folder; the file name is
// joined to it with a "/" unless it already ends in a folder separator (on Windows "\" counts too;
// elsewhere a folder written with a final "\" is a folder whose name ends in "\"). "Overwrite" takes
// the path as it is; "Skip" gives up on an existing file; "Copy" numbers the name,
// photo.jpg -> photo(1).jpg -> photo(2).jpg, until the name is free. A destination folder that is
// missing or not a folder, and a name whose existence cannot be checked (too long for the file
// system, in a folder this user may not look into), give an error instead of a path.
BatchOutputPath MakeBatchOutputPath(const std::string& destinationFolder, const std::string& inputPath,
                                    BatchOutputRule rule);

// Converts the input with the profile (or embeds the profile, the pixels unchanged) into the output
// MakeBatchOutputPath names. Returns how the item ended: succeeded, skipped, or failed with its
// reason. The input is read whole before the output is opened, and
// the output replaces an existing file only once it is complete, so a failed item leaves every file
// as it was. "Copy" and "Skip" never replace a file: a name that is taken by the time the output is
// complete (another run writing into the same folder) makes "Copy" go on to the next number and
// "Skip" skip.
BatchOutcome ProcessBatchItem(const std::string& inputPath, const ProfileRecord& profile, BatchOperation operation,
                              const std::string& destinationFolder, BatchOutputRule rule, int jpegQuality);

// ProcessBatchItem in two halves, so that a run can make items ahead of their turn while every
// decision that depends on the files already there (the output's name, Skip, a write-protected
// output, putting the file in place) is still taken in list order, on the disk as the items before
// left it. PrepareBatchItem does what depends only on the input: reading, converting and encoding
// into a staged file beside the output. CommitBatchItem takes the item through the steps of
// ProcessBatchItem in their order, asking for the prepared half at the step that needs it, so each
// refusal is the one the item would meet on its own.
struct BatchItemTask {
  std::string inputPath;
  const ProfileRecord* profile = nullptr;
  BatchOperation operation = BatchOperation::kConvert;
  std::string destinationFolder;  // empty for the source folder
  BatchOutputRule outputRule = BatchOutputRule::kCopy;
  int jpegQuality = 90;
};

struct PreparedBatchItem {
  Error read;
  bool severalImages = false;  // as ImageReadInfo says it
  Error convert;
  Error write;
  StagedFile output;  // the complete output, not yet in place
};

// False for the one kind of item that is made only in its turn: embedding under "Overwrite", whose
// output may be the input itself, which only the file system as it is in the item's turn can tell
// (and a file of several pages must not be overwritten by its first).
bool CanPrepareAhead(const BatchItemTask& task);

PreparedBatchItem PrepareBatchItem(const BatchItemTask& task);

// `prepared` is called at most once, and only for an item that gets as far as reading its input.
BatchOutcome CommitBatchItem(const BatchItemTask& task, const std::function<PreparedBatchItem&()>& prepared);

}  // namespace tintara
