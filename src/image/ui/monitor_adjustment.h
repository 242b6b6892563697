#pragma once

#include "image/display_bitmap.h"

namespace tintara {

// Adjusts the display bitmap, in place, from sRGB to the monitor's ICC profile (perceptual intent).
// The profile is the X11 root window's "_ICC_PROFILE" property; without one (another platform, no
// property, a profile that cannot be used) the bitmap stays as it is and false is returned, with no
// message. One colour transform is kept per monitor profile, not made again for every bitmap.
bool AdjustForMonitor(DisplayBitmap& bitmap);

}  // namespace tintara
