#pragma once

#include <QCursor>

namespace tintara {

// The tools of the image view, numbered as the main window counts them.
enum class ViewTool { kMove = 0, kMark = 1, kZoomIn = 2, kZoomOut = 3 };

// The magnifier cursors of the zoom tools, with a "+" (zoom in) or a "-" (zoom out) in the lens;
// the hot spot is the lens's centre. Drawn here rather than loaded, so they stay sharp at any
// screen scale.
QCursor ZoomCursor(bool zoomIn);

}  // namespace tintara
