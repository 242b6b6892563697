#include "image/ui/monitor_adjustment.h"

namespace tintara {

// A first cut that the monitor adjustment's own work replaces.
bool AdjustForMonitor(DisplayBitmap&) { return false; }

}  // namespace tintara
