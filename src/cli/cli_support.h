#pragma once

#include <cstdint>
#include <string>

#include "engine/reference_data.h"

namespace tintara::cli {

// Upper bounds for files read whole: generous for real files, small enough that a wrong path to a
// huge file cannot exhaust memory.
inline constexpr uint64_t kMaxTextFileSize = 64ull << 20;
inline constexpr uint64_t kMaxProfileFileSize = 64ull << 20;

// Loads the reference sets, printing the system's message on failure. Returns an exit status.
int LoadReferenceSets(const std::string& path, ReferenceSetList& sets);

// Finds a set by exact name or by "#INDEX" (position in file order); -1 when there is none.
int FindReferenceSet(const ReferenceSetList& sets, const std::string& key);

}  // namespace tintara::cli
