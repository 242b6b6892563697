#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/reference_data.h"

namespace tintara::cli {

// Loads the reference sets, printing the system's message on failure. Returns an exit status.
int LoadReferenceSets(const std::string& path, ReferenceSetList& sets);

// Finds a set by exact name or by "#INDEX" (position in file order); -1 when there is none.
int FindReferenceSet(const ReferenceSetList& sets, const std::string& key);

// Whether a command may write `output`: not when it is marked read-only, and not when it is the very
// file one of `inputs` names (the same file however it is written, hard links included), which the
// write would destroy. Prints why not and returns exit status 2 then, before anything is written;
// otherwise 0.
int CheckOutputFile(const std::string& output, const std::vector<std::string>& inputs);

}  // namespace tintara::cli
