#include "image/ui/view_zoom.h"

#include <algorithm>
#include <cmath>

namespace tintara {

namespace {

// Halves of pixel counts are rounded down, also for a negative count.
int HalfDown(int64_t value) { return static_cast<int>(value >= 0 ? value / 2 : -((-value + 1) / 2)); }

int RoundHalfAway(double value) { return static_cast<int>(std::round(value)); }

}  // namespace

double ApplyUpperZoomLimit(double z, int width, int height) {
  z = std::min(z, kMaxZoom);
  const int longest = std::max(width, height);
  if (longest > 0) z = std::min(z, kMaxZoomedExtent / longest);
  return z;
}

double ApplyLowerZoomLimit(double z, int width, int height) {
  z = std::max(z, kMinZoom);
  if (width > 0 && z * width < 1.0) z = 1.0 / width;
  if (height > 0 && z * height < 1.0) z = 1.0 / height;
  return z;
}

double ClampZoom(double z, int width, int height) {
  return ApplyLowerZoomLimit(ApplyUpperZoomLimit(z, width, height), width, height);
}

ZoomPercentRange EnterZoomRange(double z, int width, int height) {
  ZoomPercentRange range;
  range.initial = static_cast<int>(std::ceil(z * 100.0));
  range.low = static_cast<int>(std::ceil(ApplyLowerZoomLimit(0.0, width, height) * 100.0));
  range.high = static_cast<int>(std::floor(ApplyUpperZoomLimit(kMaxZoom, width, height) * 100.0));
  return range;
}

int ZoomedExtent(int size, double z) { return static_cast<int>(std::ceil(size * z)); }

std::optional<int> ZoomToRectScroll(double low, double high, double z, int client, int extent) {
  if (extent <= client) return std::nullopt;
  const int start = RoundHalfAway(low * z);
  const int span = RoundHalfAway(high * z) - start;
  if (span < client) return start + HalfDown(span) - HalfDown(client);
  return start;
}

std::optional<int> ZoomOutScroll(double imagePoint, double z, int client, int extent) {
  if (extent <= client) return std::nullopt;
  return RoundHalfAway(imagePoint * z) - HalfDown(client);
}

int RealSizeScroll(int scroll, int oldExtent, int newExtent, int client) {
  const int64_t scaled = oldExtent > 0 ? static_cast<int64_t>(scroll) * newExtent / oldExtent : 0;
  return static_cast<int>(scaled) - HalfDown(client);
}

CacheGeometry VisibleCacheGeometry(double z, int scrollX, int scrollY, int clientWidth, int clientHeight,
                                   int width, int height) {
  CacheGeometry g;
  // Within the image, at least one pixel each way: a scroll position past the end (which the scroll
  // bars never give) must not make the stretch read outside the bitmap.
  auto span = [z](int scroll, int client, int size, int& first, int& end) {
    first = std::clamp(static_cast<int>(std::floor(scroll / z)), 0, size - 1);
    end = std::min(static_cast<int>(std::ceil((static_cast<double>(scroll) + client) / z)), size);
    if (end < first + 1) end = first + 1;
  };
  span(scrollX, clientWidth, width, g.srcLeft, g.srcRight);
  span(scrollY, clientHeight, height, g.srcTop, g.srcBottom);
  g.dstLeft = static_cast<int>(std::floor(g.srcLeft * z));
  g.dstTop = static_cast<int>(std::floor(g.srcTop * z));
  g.dstRight = static_cast<int>(std::ceil(g.srcRight * z));
  g.dstBottom = static_cast<int>(std::ceil(g.srcBottom * z));
  return g;
}

void NearestIndexTable(int sourceCount, int destinationCount, std::vector<int32_t>& table) {
  table.resize(static_cast<size_t>(std::max(destinationCount, 0)));
  const int64_t twiceDestination = 2 * static_cast<int64_t>(destinationCount);
  for (int i = 0; i < destinationCount; ++i) {
    table[static_cast<size_t>(i)] = static_cast<int32_t>((2 * static_cast<int64_t>(i) + 1) * sourceCount / twiceDestination);
  }
}

}  // namespace tintara
