#pragma once

#include <cstdint>

namespace tintara {

// Turns a width x height image of packed 8-bit R, G, B pixels (rows width x 3 bytes apart) from
// `source` into `destination`, which becomes height x width. Clockwise the top row becomes the
// rightmost column; counter-clockwise it becomes the leftmost. The two blocks must not overlap.
// Nothing can fail: when the fast way's small working block cannot be had, the turn is made
// without it.
void TurnQuarter(const uint8_t* source, uint8_t* destination, int64_t width, int64_t height, bool clockwise);

}  // namespace tintara
