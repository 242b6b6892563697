#pragma once

#include <cstdint>
#include <string>

#include "engine/reference_data.h"

namespace tintara::cli {

// Loads the reference sets, printing the system's message on failure. Returns an exit status.
int LoadReferenceSets(const std::string& path, ReferenceSetList& sets);

// Finds a set by exact name or by "#INDEX" (position in file order); -1 when there is none.
int FindReferenceSet(const ReferenceSetList& sets, const std::string& key);

}  // namespace tintara::cli
