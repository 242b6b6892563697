#include "batch/batch_job.h"

#include "app/strings.h"
#include "base/result_codes.h"
#include "profiles/profile_file.h"

namespace tintara {

namespace {

const ProfileRecord* FindProfile(const ProfileStore& store, const std::string& text) {
  for (const ProfileRecord& record : store.Records()) {
    if (ProfileBoxText(record) == text) return &record;
  }
  return nullptr;
}

}  // namespace

int RunBatchJob(std::vector<BatchItem>& items, const ProfileStore& store, int jpegQuality,
                const BatchObserver& observer, const BatchStopRequest& stop) {
  auto report = [&](int index, int done, int pending) {
    if (observer) observer(index, items[index].status, done, pending);
  };
  int pending = 0;
  for (BatchItem& item : items) {
    if (item.status == kStatusSucceeded) continue;
    item.status.clear();
    ++pending;
  }
  if (pending == 0) return 0;

  int done = 0;
  for (size_t i = 0; i < items.size(); ++i) {
    BatchItem& item = items[i];
    if (item.status == kStatusSucceeded) continue;
    if (stop && stop()) break;
    const int index = static_cast<int>(i);
    item.status = kStatusProcessing;
    report(index, done, pending);

    std::string reason;
    if (const ProfileRecord* profile = FindProfile(store, item.profile)) {
      const bool convert = item.operation != kOperationEmbed;
      const std::string folder = item.destinationFolder == kSameAsSourceFolder ? std::string() : item.destinationFolder;
      reason = ProcessBatchItem(item.inputFile, *profile, convert, folder, item.output, jpegQuality);
    } else {
      // The profile left the store since the item was made: nothing to convert with.
      reason = ErrorCodeText(kProfileLoadFailed);
    }
    item.status = reason.empty() ? std::string(kStatusSucceeded) : FailedStatus(reason);
    ++done;
    report(index, done, pending);
  }
  return pending;
}

}  // namespace tintara
