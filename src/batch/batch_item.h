#pragma once

#include <string>

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

// The path an item writes to, or an empty text when the item is to be skipped. `destinationFolder`
// is empty for the source folder. "Overwrite" takes the path as it is; "Skip" gives up on an existing
// file; any other rule ("Copy") numbers the name, photo.jpg -> photo(1).jpg -> photo(2).jpg, until
// the name is free.
std::string MakeBatchOutputPath(const std::string& destinationFolder, const std::string& inputPath,
                                const std::string& outputRule);

// Converts the input with the profile (or, with `convert` false, writes it unchanged with the profile
// embedded) into the output MakeBatchOutputPath names. Returns an empty text on success, otherwise the
// reason, as the status column shows it. The input is read whole before the output is opened, and
// the output replaces an existing file only once it is complete, so a failed item leaves every file
// as it was.
std::string ProcessBatchItem(const std::string& inputPath, const ProfileRecord& profile, bool convert,
                             const std::string& destinationFolder, const std::string& outputRule, int jpegQuality);

}  // namespace tintara
