#include "card/card_layout.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "base/result_codes.h"

namespace tintara {
namespace {

double Distance(const PointD& a, const PointD& b) {
  const double dx = b.x - a.x;
  const double dy = b.y - a.y;
  return std::sqrt(dx * dx + dy * dy);
}

// A collapsed edge would divide by zero in the perspective correction; counting it as one pixel
// long keeps a degenerate outline usable (its areas are merely tiny).
double EdgeLength(const PointD& a, const PointD& b) {
  const double length = Distance(a, b);
  return length == 0.0 ? 1.0 : length;
}

}  // namespace

int ComputeOrientation(const std::array<PointD, 4>& corners, bool turned) {
  const double dx1 = corners[1].x - corners[0].x;
  const double dy1 = corners[1].y - corners[0].y;
  const double dx3 = corners[3].x - corners[0].x;
  const double dy3 = corners[3].y - corners[0].y;
  const double d1 = dx1 * dx1 + dy1 * dy1;
  const double d3 = dx3 * dx3 + dy3 * dy3;
  if (d3 >= d1) return turned ? 3 : 1;
  return turned ? 2 : 4;
}

bool QuadContains(const std::array<PointD, 4>& quad, const PointD& point) {
  bool inside = false;
  for (size_t i = 0, j = 3; i < 4; j = i++) {
    const PointD& a = quad[j];
    const PointD& b = quad[i];
    // On the edge itself: the cross product vanishes and the point lies between the ends.
    const double cross = (b.x - a.x) * (point.y - a.y) - (b.y - a.y) * (point.x - a.x);
    if (cross == 0.0 && point.x >= std::min(a.x, b.x) && point.x <= std::max(a.x, b.x) &&
        point.y >= std::min(a.y, b.y) && point.y <= std::max(a.y, b.y)) {
      return true;
    }
    // A ray to the right crosses the edge: each edge counts its lower end, not its upper one, so a
    // vertex the ray passes through is counted once.
    if ((a.y > point.y) != (b.y > point.y)) {
      const double x = a.x + (point.y - a.y) * (b.x - a.x) / (b.y - a.y);
      if (point.x < x) inside = !inside;
    }
  }
  return inside;
}

double PerspectiveParameter(double u, double lengthAtZero, double lengthAtOne) {
  // With equal edges the correction is the identity; taking u as it is keeps an outline without
  // perspective free of the rounding that u * L / L would bring.
  if (lengthAtZero == lengthAtOne) return u;
  return u * lengthAtZero / (u * (lengthAtZero - lengthAtOne) + lengthAtOne);
}

int CardLayout::AddArea(const ColorArea& area) {
  areas.push_back(area);
  return static_cast<int>(areas.size());
}

void CardLayout::ClearAreas() { areas.clear(); }

int CardLayout::AreaAt(const PointD& point) const {
  for (size_t i = 0; i < areas.size(); ++i) {
    if (QuadContains(areas[i].corners, point)) return static_cast<int>(i);
  }
  return -1;
}

Error CardLayout::Layout() {
  ClearAreas();
  const std::span<const AreaCorners> table = AreaTable(Model());
  try {
    areas.reserve(table.size());
  } catch (const std::bad_alloc&) {
    // Whoever asked for the layout tells the user; a card without areas measures nothing.
    return kOutOfMemory;
  }

  // The card frame: Q0 is the card's origin corner, u runs from Q0 towards Q1, v from Q0 towards
  // Q3.
  const int r = ComputeOrientation() - 1;
  std::array<PointD, 4> q;
  for (int k = 0; k < 4; ++k) q[k] = corners[(r + k) % 4];
  const double l01 = EdgeLength(q[0], q[1]);
  const double l12 = EdgeLength(q[1], q[2]);
  const double l23 = EdgeLength(q[2], q[3]);
  const double l30 = EdgeLength(q[3], q[0]);

  int index = 0;
  for (const AreaCorners& tableCorners : table) {
    ColorArea area;
    for (int k = 0; k < 4; ++k) {
      const double s = PerspectiveParameter(tableCorners[k].u, l30, l12);
      const double t = PerspectiveParameter(tableCorners[k].v, l01, l23);
      const double w0 = (1 - s) * (1 - t);
      const double w1 = s * (1 - t);
      const double w2 = s * t;
      const double w3 = (1 - s) * t;
      // Table corner k goes to area corner (r + k) mod 4, so that area corner m lies towards
      // outline corner Pm whichever way the card lies.
      PointD& p = area.corners[(r + k) % 4];
      p.x = w0 * q[0].x + w1 * q[1].x + w2 * q[2].x + w3 * q[3].x;
      p.y = w0 * q[0].y + w1 * q[1].y + w2 * q[2].y + w3 * q[3].y;
    }
    area.Valid = true;
    area.Unreliable = false;
    area.mean = {0, 0, 0};
    area.index = index++;
    AddArea(area);
  }
  return kOk;
}

std::unique_ptr<CardLayout> MakeCardLayout(CardModel model) {
  if (model == CardModel::K3) return std::unique_ptr<CardLayout>(new (std::nothrow) CardLayoutK3());
  return std::unique_ptr<CardLayout>(new (std::nothrow) CardLayoutK7());
}

}  // namespace tintara
