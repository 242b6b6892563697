#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace tintara {

// The arithmetic of the image view's zoom, kept apart from the widget so every limit, range and
// scroll position can be checked exactly. All sizes and positions are in device pixels of the view
// (one device pixel is one physical screen pixel), zooms are displayed pixels per image pixel.

inline constexpr double kMaxZoom = 16.0;      // 1600 %
inline constexpr double kMinZoom = 0.005;     // 0.5 %
inline constexpr double kMaxZoomedExtent = 32767.0;  // every zoomed coordinate stays within this
inline constexpr double kZoomInFactor = 1.3333333333333333;
inline constexpr double kZoomOutFactor = 0.6666666666666666;

// At most 16 and at most 32767 / max(width, height).
double ApplyUpperZoomLimit(double z, int width, int height);
// At least 0.005; then z x width and z x height at least 1 (z becomes 1 / width, then 1 / height).
double ApplyLowerZoomLimit(double z, int width, int height);
// The upper rule, then the lower one: for a very large image the lower rule wins.
double ClampZoom(double z, int width, int height);

// What the Enter Zoom dialog opens with: the current zoom and the range it accepts, in whole percent.
struct ZoomPercentRange {
  int initial = 0;  // ceil(z x 100)
  int low = 0;      // ceil(lower limit x 100)
  int high = 0;     // floor(upper limit x 100)
};
ZoomPercentRange EnterZoomRange(double z, int width, int height);

// The scrolling extent of one direction: ceil(size x z).
int ZoomedExtent(int size, double z);

// One direction of ZoomToRect: the rectangle [low, high) in image pixels mapped to the window at
// zoom z with the view scrolled to 0 (rounded half away from zero); a mapped span narrower than the
// client is centred, otherwise its start comes to the window's edge. Nothing when the scrolling
// extent does not exceed the client, since there is then nothing to scroll.
std::optional<int> ZoomToRectScroll(double low, double high, double z, int client, int extent);

// One direction of ZoomOutAt: the image coordinate `imagePoint` comes to the middle of the client
// at zoom z. Nothing when the extent does not exceed the client.
std::optional<int> ZoomOutScroll(double imagePoint, double z, int client, int extent);

// One direction of Real Size: the old scroll position scaled from the old extent to the new one
// (truncated), less half the client.
int RealSizeScroll(int scroll, int oldExtent, int newExtent, int client);

// Which part of the image the view's cache of the visible area holds, and where it goes: the client
// area scrolled to (scrollX, scrollY) in image pixels (left and top rounded down, right and bottom
// up and kept within the image, at least one pixel each way), and that part again in zoomed pixels
// (dstLeft = floor(left x z), ..., dstRight = ceil(right x z)). The part of the image shown is
// stretched over the whole destination, rows and columns repeated or dropped.
struct CacheGeometry {
  int srcLeft = 0, srcTop = 0, srcRight = 0, srcBottom = 0;
  int dstLeft = 0, dstTop = 0, dstRight = 0, dstBottom = 0;
  int srcWidth() const { return srcRight - srcLeft; }
  int srcHeight() const { return srcBottom - srcTop; }
  int dstWidth() const { return dstRight - dstLeft; }
  int dstHeight() const { return dstBottom - dstTop; }
};
CacheGeometry VisibleCacheGeometry(double z, int scrollX, int scrollY, int clientWidth, int clientHeight,
                                   int width, int height);

// The nearest-neighbour stretch of `sourceCount` pixels over `destinationCount`: destination pixel i
// shows source pixel floor((i + 1/2) x sourceCount / destinationCount), the one under its centre.
// Computed in integers, so it is exact for any sizes.
void NearestIndexTable(int sourceCount, int destinationCount, std::vector<int32_t>& table);

}  // namespace tintara
