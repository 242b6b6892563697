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

// Runs the job over `items`: items that succeeded before are left alone, every other item is reset
// and then processed in order, its status going to "Processing..." and then "Succeeded" or
// "Failed (reason)". Each item's profile is the store's record whose list text equals the item's
// profile text. Returns the number of items that were pending.
int RunBatchJob(std::vector<BatchItem>& items, const ProfileStore& store, int jpegQuality,
                const BatchObserver& observer = {});

}  // namespace tintara
