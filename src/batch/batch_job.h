#pragma once

#include <functional>
#include <string>
#include <vector>

#include "batch/batch_item.h"
#include "profiles/profile_store.h"

namespace tintara {

// What a running job tells whoever shows it: item `index` now has `status`; `done` of `pending` items
// are finished (done counts only after an item ends).
using BatchObserver = std::function<void(int index, const std::string& status, int done, int pending)>;

// Asked before each item starts; true ends the run there.
using BatchStopRequest = std::function<bool()>;

// Runs the job over `items`: items that succeeded before are left alone, every other item is reset
// and then processed in order, its status going to "Processing..." and then "Succeeded" or
// "Failed (reason)". Each item's profile is the store's record whose list text equals the item's
// profile text. When `stop` answers true before an item, the run ends with the item in hand
// finished and the rest still pending (empty status), so the next run takes them up. Returns the
// number of items that were pending.
int RunBatchJob(std::vector<BatchItem>& items, const ProfileStore& store, int jpegQuality,
                const BatchObserver& observer = {}, const BatchStopRequest& stop = {});

}  // namespace tintara
