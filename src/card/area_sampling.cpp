#include "card/area_sampling.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <utility>

#include "base/result_codes.h"
#include "card/card_layout.h"

namespace tintara {
namespace {

// Corners are held within 2^40 pixels of the origin before scanning. That is far beyond any image
// the program can hold, and it keeps every product in the crossing arithmetic finite and exact to
// well under a pixel, however absurd a corner was dragged.
constexpr double kFarCoordinate = 1099511627776.0;

struct Edge {
  double x1, y1, x2, y2;
};

bool IsHorizontal(const Edge& e) { return e.y1 == e.y2; }
bool IsVertical(const Edge& e) { return e.x1 == e.x2; }

void Reverse(Edge& e) {
  std::swap(e.x1, e.x2);
  std::swap(e.y1, e.y2);
}

// +1 when the edge runs down the screen from its first end, -1 when up, 0 when horizontal.
int RunInY(const Edge& e) {
  if (e.y2 > e.y1) return 1;
  if (e.y2 < e.y1) return -1;
  return 0;
}

// Where a non-horizontal edge crosses row y, rounded to a whole pixel (std::round takes halves away
// from zero).
double CrossingX(const Edge& e, double y) {
  if (IsVertical(e)) return e.x1;
  return std::round(e.x1 + (y - e.y1) * (e.x2 - e.x1) / (e.y2 - e.y1));
}

// Joins the four edges into one closed path, each edge oriented along it, and returns the order of
// the edges in the path. `length` receives how many edges the path took up.
std::array<int, 4> ChainEdges(std::array<Edge, 4>& edges, double imageHeight, int& length) {
  for (Edge& e : edges) {
    if (e.x1 > e.x2) Reverse(e);
  }
  // The path starts at the leftmost end point, with the edge leaving it most steeply upwards; a
  // vertical edge counts as rising by the image's height per pixel.
  double lowX = edges[0].x1;
  for (const Edge& e : edges) lowX = std::min(lowX, e.x1);
  int start = -1;
  double startSlope = 0.0;
  for (int i = 0; i < 4; ++i) {
    const Edge& e = edges[i];
    if (e.x1 != lowX) continue;
    const double slope = IsVertical(e) ? -imageHeight : (e.y2 - e.y1) / (e.x2 - e.x1);
    if (start < 0 || slope < startSlope) {
      start = i;
      startSlope = slope;
    }
  }

  std::array<int, 4> chain{start, 0, 0, 0};
  std::array<bool, 4> used{};
  used[start] = true;
  length = 1;
  while (length < 4) {
    const Edge& last = edges[chain[length - 1]];
    int next = -1;
    for (int i = 0; i < 4 && next < 0; ++i) {
      if (used[i]) continue;
      Edge& e = edges[i];
      if (e.x1 == last.x2 && e.y1 == last.y2) {
        next = i;
      } else if (e.x2 == last.x2 && e.y2 == last.y2) {
        Reverse(e);
        next = i;
      }
    }
    if (next < 0) break;
    used[next] = true;
    chain[length++] = next;
  }
  return chain;
}

// Where the path runs straight through a vertex in y, both edges would cross the vertex row and the
// row would be filled from the wrong crossing on. One of the two gives up that row: the first edge
// when the second is shorter in y, otherwise the second. Its end at the vertex moves one row
// towards its other end and takes the x of the edge on that row.
void CountThroughVerticesOnce(std::array<Edge, 4>& edges, const std::array<int, 4>& chain,
                              int length) {
  if (length < 2) return;
  for (int p = 0; p < length; ++p) {
    Edge& a = edges[chain[p]];
    Edge& b = edges[chain[(p + 1) % length]];
    if (a.x2 != b.x1 || a.y2 != b.y1) continue;  // the path did not close here
    const int run = RunInY(a);
    if (run == 0 || run != RunInY(b)) continue;
    if (std::abs(b.y2 - b.y1) < std::abs(a.y2 - a.y1)) {
      const double y = a.y2 - run;
      a.x2 = CrossingX(a, y);
      a.y2 = y;
    } else {
      const double y = b.y1 + run;
      b.x1 = CrossingX(b, y);
      b.y1 = y;
    }
  }
}

uint8_t MeanByte(uint64_t sum, int64_t count) {
  return static_cast<uint8_t>(
      static_cast<int>(static_cast<double>(sum) / static_cast<double>(count) + 0.5));
}

double Brightness(const ColorArea& area) {
  return (area.mean[0] + area.mean[1] + area.mean[2]) / 3.0;
}

}  // namespace

std::array<PointD, 4> InsetQuad(const std::array<PointD, 4>& corners, double margin) {
  std::array<PointD, 4> q = corners;
  q[0].x += margin;
  q[0].y += margin;
  q[1].x -= margin;
  q[1].y += margin;
  q[2].x -= margin;
  q[2].y -= margin;
  q[3].x += margin;
  q[3].y -= margin;
  if (q[0].x > q[1].x) q[1].x = q[0].x;
  if (q[0].y > q[3].y) q[3].y = q[0].y;
  if (q[3].x > q[2].x) q[2].x = q[3].x;
  if (q[1].y > q[2].y) q[2].y = q[1].y;
  return q;
}

ScanResult ScanQuad(const std::array<PointD, 4>& quad, const PixelView& image) {
  ScanResult result;
  if (image.pixels == nullptr || image.width <= 0 || image.height <= 0) return result;

  std::array<PointD, 4> p;
  for (int i = 0; i < 4; ++i) {
    if (!std::isfinite(quad[i].x) || !std::isfinite(quad[i].y)) return result;
    p[i].x = std::clamp(std::round(quad[i].x), -kFarCoordinate, kFarCoordinate);
    p[i].y = std::clamp(std::round(quad[i].y), -kFarCoordinate, kFarCoordinate);
  }

  std::array<Edge, 4> edges;
  double minY = p[0].y;
  double maxY = p[0].y;
  for (int i = 0; i < 4; ++i) {
    const PointD& a = p[i];
    const PointD& b = p[(i + 1) % 4];
    edges[i] = {a.x, a.y, b.x, b.y};
    minY = std::min(minY, a.y);
    maxY = std::max(maxY, a.y);
  }

  int length = 0;
  const std::array<int, 4> chain = ChainEdges(edges, image.height, length);
  CountThroughVerticesOnce(edges, chain, length);

  // Horizontal edges add no crossings: their rows are filled between the neighbouring edges.
  std::array<Edge, 4> crossing;
  int crossingCount = 0;
  for (const Edge& e : edges) {
    if (!IsHorizontal(e)) crossing[crossingCount++] = e;
  }

  // Rows and spans are clipped to the image: an area may reach past its edges after a handle drag.
  const double firstRow = std::max(minY, 0.0);
  const double lastRow = std::min(maxY, image.height - 1.0);
  const double lastColumn = image.width - 1.0;
  const size_t stride = static_cast<size_t>(image.width) * 3;
  for (double y = firstRow; y <= lastRow; y += 1.0) {
    std::array<double, 4> xs;
    int n = 0;
    for (int i = 0; i < crossingCount; ++i) {
      const Edge& e = crossing[i];
      if (y >= std::min(e.y1, e.y2) && y <= std::max(e.y1, e.y2)) xs[n++] = CrossingX(e, y);
    }
    // At most four crossings: a plain insertion sort (GCC 12 misreads std::sort's small-range path
    // on a four-element array as running past it).
    for (int i = 1; i < n; ++i) {
      const double x = xs[i];
      int j = i;
      for (; j > 0 && xs[j - 1] > x; --j) xs[j] = xs[j - 1];
      xs[j] = x;
    }
    const uint8_t* row = image.pixels + static_cast<size_t>(y) * stride;
    for (int k = 0; k + 1 < n; k += 2) {
      const double xa = std::max(xs[k], 0.0);
      const double xb = std::min(xs[k + 1], lastColumn);
      if (xb < xa) continue;
      const size_t end = static_cast<size_t>(xb) * 3;
      for (size_t offset = static_cast<size_t>(xa) * 3; offset <= end; offset += 3) {
        result.sumR += row[offset];
        result.sumG += row[offset + 1];
        result.sumB += row[offset + 2];
        ++result.count;
      }
    }
  }
  return result;
}

Error ColorArea::Sample(const PixelView& image, double innerMargin, const CardCheckSettings& checks) {
  const ScanResult scan = ScanQuad(InsetQuad(corners, innerMargin), image);
  const int64_t n = scan.count;
  pixelCount = n;
  // Without pixels there is no mean; the area is invalid below and its mean is never trusted, so it
  // is left at 0 rather than divided by zero.
  if (n > 0) {
    mean = {MeanByte(scan.sumR, n), MeanByte(scan.sumG, n), MeanByte(scan.sumB, n)};
  } else {
    mean = {0, 0, 0};
  }
  Valid = true;
  Unreliable = false;
  if (n <= checks.errorPixels) {
    Valid = false;
    return kTooFewPixels;
  }
  if (n <= checks.warningPixels) {
    Unreliable = true;
    return kFewPixels;
  }
  return kOk;
}

Error CardLayout::SampleAreas(const PixelView& image, ReferenceSet& reference, const CardCheckSettings& checks) {
  const double margin = checks.Of(Model()).innerMargin;
  Error result;
  for (size_t i = 0; i < areas.size(); ++i) {
    ColorArea& area = areas[i];
    const Error finding = area.Sample(image, margin, checks);
    if (i < static_cast<size_t>(kMaxAreas)) {
      samples.R[i] = area.mean[0];
      samples.G[i] = area.mean[1];
      samples.B[i] = area.mean[2];
    }
    if (finding.ok()) continue;
    // An area that cannot be measured must not pull the fit; a reference set shorter than the card
    // has no entry to lower.
    if (i < reference.entries.size()) reference.entries[i].W = 0;
    if (result != kTooFewPixels) result = finding;
  }
  return result;
}

Error CardLayout::CheckWhiteArea(int area, const BrightnessLimits& limits) {
  if (area < 0 || static_cast<size_t>(area) >= areas.size()) return kOk;
  ColorArea& white = areas[area];
  const double a = Brightness(white);
  if (a > limits.high * 255) {
    white.Unreliable = true;
    return kWhiteTooBright;
  }
  if (a < limits.low * 255) {
    white.Valid = false;
    return kWhiteTooDark;
  }
  return kOk;
}

Error CardLayout::CheckBlackArea(int area, const BrightnessLimits& limits) {
  if (area < 0 || static_cast<size_t>(area) >= areas.size()) return kOk;
  ColorArea& black = areas[area];
  const double a = Brightness(black);
  if (a > limits.high * 255) {
    black.Valid = false;
    return kBlackTooBright;
  }
  if (a < limits.low * 255) {
    black.Unreliable = true;
    return kBlackTooDark;
  }
  return kOk;
}

Error CardLayoutK7::CheckWhite(const CardCheckSettings& checks) { return CheckWhiteArea(kK7WhiteArea, checks.k7.white); }

Error CardLayoutK7::CheckBlack(const CardCheckSettings& checks) { return CheckBlackArea(kK7BlackArea, checks.k7.black); }

Error CardLayoutK7::CheckCorners(const CardCheckSettings& checks) {
  if (areas.size() < static_cast<size_t>(kK7AreaCount)) return kOk;
  // The corner mean of each channel is the integer mean of the four corner areas, remainder
  // dropped.
  std::array<int, 3> cornerMean{};
  for (int c = 0; c < 3; ++c) {
    int sum = 0;
    for (const int i : kK7CornerAreas) sum += areas[i].mean[c];
    cornerMean[c] = sum / 4;
  }
  const double limit = checks.k7.corners * 255;
  Error result;
  for (const int i : kK7CornerAreas) {
    ColorArea& area = areas[i];
    for (int c = 0; c < 3; ++c) {
      const double deviation = area.mean[c] - cornerMean[c];
      if (deviation > limit || deviation < -limit) {
        area.Valid = false;
        result = kUnevenCorners;
      }
    }
  }
  return result;
}

Error CardLayoutK3::CheckWhite(const CardCheckSettings& checks) { return CheckWhiteArea(kK3WhiteArea, checks.k3.white); }

Error CardLayoutK3::CheckBlack(const CardCheckSettings& checks) { return CheckBlackArea(kK3BlackArea, checks.k3.black); }

}  // namespace tintara
