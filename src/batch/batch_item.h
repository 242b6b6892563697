#pragma once

#include <functional>
#include <string>

#include "base/file_io.h"
#include "image/image_file.h"
#include "profiles/profile_record.h"

namespace tintara {

// Texts of the batch list.
inline constexpr char kSameAsSourceFolder[] = "<Same as source folder>";
inline constexpr char kOperationConvert[] = "Convert";
inline constexpr char kOperationEmbed[] = "Embed";
inline constexpr char kOutputCopy[] = "Copy";
inline constexpr char kOutputOverwrite[] = "Overwrite";
inline constexpr char kOutputSkip[] = "Skip";
inline constexpr char kStatusProcessing[] = "Processing...";
inline constexpr char kStatusSucceeded[] = "Succeeded";

// One entry of a batch job: six texts, as the batch list shows them.
struct BatchItem {
  std::string inputFile;  // full path
  std::string profile;    // the profile's text in the profile lists: name, or "name (description)"
  std::string operation = kOperationConvert;
  std::string destinationFolder = kSameAsSourceFolder;
  std::string output = kOutputCopy;
  std::string status;  // empty, "Succeeded", or "Failed (reason)"
};

// "Failed (" reason ")".
std::string FailedStatus(const std::string& reason);

// Where an item writes, as MakeBatchOutputPath finds it.
struct BatchOutputPath {
  std::string path;     // the file to write; empty when there is none
  bool skipped = false;  // "Skip", and the output file exists
  int code = 0;         // when the name could not be checked: why (a code of the destination or name)
};

// The path an item writes to. `destinationFolder` is empty for the source folder; the file name is
// joined to it with a "/" unless it already ends in a folder separator (on Windows "\" counts too;
// elsewhere a folder written with a final "\" is a folder whose name ends in "\"). "Overwrite" takes
// the path as it is; "Skip" gives up on an existing file; any other rule ("Copy") numbers the name,
// photo.jpg -> photo(1).jpg -> photo(2).jpg, until the name is free. A destination folder that is
// missing or not a folder, and a name whose existence cannot be checked (too long for the file
// system, in a folder this user may not look into), give a code instead of a path.
BatchOutputPath MakeBatchOutputPath(const std::string& destinationFolder, const std::string& inputPath,
                                    const std::string& outputRule);

// Converts the input with the profile (or, with `convert` false, writes it unchanged with the profile
// embedded) into the output MakeBatchOutputPath names. Returns an empty text on success, otherwise the
// reason, as the status column shows it. The input is read whole before the output is opened, and
// the output replaces an existing file only once it is complete, so a failed item leaves every file
// as it was. "Copy" and "Skip" never replace a file: a name that is taken by the time the output is
// complete (another run writing into the same folder) makes "Copy" go on to the next number and
// "Skip" skip.
std::string ProcessBatchItem(const std::string& inputPath, const ProfileRecord& profile, bool convert,
                             const std::string& destinationFolder, const std::string& outputRule, int jpegQuality);

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
  bool convert = true;
  std::string destinationFolder;  // empty for the source folder
  std::string outputRule;
  int jpegQuality = 90;
};

struct PreparedBatchItem {
  int readCode = 0;
  bool severalImages = false;  // as ImageReadInfo says it
  int convertCode = 0;
  int writeCode = 0;
  StagedFile output;  // the complete output, not yet in place
};

// False for the one kind of item that is made only in its turn: embedding under "Overwrite", whose
// output may be the input itself, which only the file system as it is in the item's turn can tell
// (and a file of several pages must not be overwritten by its first).
bool CanPrepareAhead(const BatchItemTask& task);

PreparedBatchItem PrepareBatchItem(const BatchItemTask& task);

// `prepared` is called at most once, and only for an item that gets as far as reading its input.
std::string CommitBatchItem(const BatchItemTask& task, const std::function<PreparedBatchItem&()>& prepared);

}  // namespace tintara
