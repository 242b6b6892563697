#pragma once

#include <functional>
#include <string>
#include <vector>

#include "batch/batch_item.h"
#include "profiles/profile_store.h"

namespace tintara {

// What a running job tells whoever shows it: item `index` is now where `outcome` says (processing, or
// how it ended); `done` of `pending` items are finished (done counts only after an item ends).
using BatchObserver = std::function<void(int index, const BatchOutcome& outcome, int done, int pending)>;

// Asked before each item starts; true ends the run there.
using BatchStopRequest = std::function<bool()>;

// Runs the job over `items`: items that succeeded before are left alone, every other item is reset
// to pending and then processed in order, going to processing and then to its end. Each item's
// profile is the store's record with the item's identity; an item whose profile has left the store
// fails. When `stop` answers true before an item, the run ends with the item in hand finished and
// the rest still pending, so the next run takes them up. Returns the number of items that were
// pending.
//
// With more than one worker (`jobs` as BatchWorkerCount reads it) the workers read, convert and
// encode the next items while the calling thread names and puts in place the items in list order,
// so every name, status, report and output byte is that of the one-at-a-time run. At most one item
// per worker is ahead of the one in its turn, so no more than workers + 1 images are in memory
// however long the list. An item whose input may be an earlier item's output waits for every item
// before it. The workers share the cores among them: the pixel work of each stays on its own
// thread, and so does the calling thread's. With one worker the calling thread makes every item in
// its turn, its pixel work spread over every core.
int RunBatchJob(std::vector<BatchItem>& items, const ProfileStore& store, int jpegQuality,
                const BatchObserver& observer = {}, const BatchStopRequest& stop = {}, int jobs = 0);

// Each worker holds a photograph of up to a few hundred megabytes: a mistyped count must not ask for
// thousands of them, nor a machine of many cores for one each.
inline constexpr int kMaxBatchWorkers = 64;

// How many workers a run with `jobs` has: `jobs` itself, or for 0 (or less) one for each core; at
// least one and at most kMaxBatchWorkers.
int BatchWorkerCount(int jobs);

}  // namespace tintara
