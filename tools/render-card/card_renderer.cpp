#include "card_renderer.h"

#include <algorithm>
#include <cmath>
#include <random>

#include "base/result_codes.h"

namespace tintara::render {

namespace {

double Distance(const Point& a, const Point& b) { return std::hypot(a.x - b.x, a.y - b.y); }

// The colour areas as rectangles [u0, u1] x [v0, v1] of the card, from the layout formulas.
struct Rect {
  double u0, u1, v0, v1;
};

std::vector<Rect> AreaRects(bool k3) {
  std::vector<Rect> rects;
  if (k3) {
    for (int k = 0; k < 3; ++k) rects.push_back({0.0, 1.0, (5.0 + 211.0 * k) / 710.0, (205.0 + 211.0 * k) / 710.0});
    return rects;
  }
  for (int a = 0; a < 30; ++a) {
    const int c = a / 10;
    const int j = 9 - a % 10;
    rects.push_back({0.125 + 0.3 * c, 0.35 + 0.3 * c, (2.0 + 12.0 * j) / 140.0, (11.0 + 12.0 * j) / 140.0});
  }
  return rects;
}

// Whether p lies inside the convex quadrilateral q (either winding).
bool Inside(const std::array<Point, 4>& q, double x, double y) {
  int sign = 0;
  for (int i = 0; i < 4; ++i) {
    const Point& a = q[i];
    const Point& b = q[(i + 1) % 4];
    const double cross = (b.x - a.x) * (y - a.y) - (b.y - a.y) * (x - a.x);
    const int s = cross > 0 ? 1 : (cross < 0 ? -1 : 0);
    if (s == 0) continue;
    if (sign == 0) sign = s;
    if (s != sign) return false;
  }
  return true;
}

template <typename Paint>
void FillQuad(ImageBuffer& image, const std::array<Point, 4>& q, Paint paint) {
  double minX = q[0].x, maxX = q[0].x, minY = q[0].y, maxY = q[0].y;
  for (const Point& p : q) {
    minX = std::min(minX, p.x), maxX = std::max(maxX, p.x);
    minY = std::min(minY, p.y), maxY = std::max(maxY, p.y);
  }
  const int x0 = std::max(0, int(std::floor(minX))), x1 = std::min(image.width() - 1, int(std::ceil(maxX)));
  const int y0 = std::max(0, int(std::floor(minY))), y1 = std::min(image.height() - 1, int(std::ceil(maxY)));
  for (int y = y0; y <= y1; ++y) {
    for (int x = x0; x <= x1; ++x) {
      if (Inside(q, x, y)) paint(x, y, image.pixels() + (int64_t(y) * image.width() + x) * 3);
    }
  }
}

}  // namespace

std::array<uint8_t, 3> Camera::Record(const std::array<double, 3>& scene, double light) const {
  std::array<uint8_t, 3> out{};
  for (int c = 0; c < 3; ++c) {
    double v = 0.0;
    for (int k = 0; k < 3; ++k) v += matrix[c][k] * scene[k];
    v = std::clamp(v * gain * light, 0.0, 1.0);
    out[c] = uint8_t(std::lround(255.0 * std::pow(v, 1.0 / gamma[c])));
  }
  return out;
}

std::array<Point, 4> ScreenOrder(std::array<Point, 4> p) {
  int first = 0;
  for (int i = 1; i < 4; ++i) {
    if (p[i].x + p[i].y < p[first].x + p[first].y) first = i;
  }
  std::rotate(p.begin(), p.begin() + first, p.end());
  // Clockwise on screen: the edge leaving P0 that rises more (or falls less) goes to P1.
  auto rise = [&](const Point& q) {
    const double length = std::max(1e-12, Distance(p[0], q));
    return std::asin(std::clamp((p[0].y - q.y) / length, -1.0, 1.0));
  };
  if (rise(p[3]) > rise(p[1])) std::swap(p[1], p[3]);
  return p;
}

std::array<Point, 4> PlaceCard(double cx, double cy, double length, double degrees, bool k3) {
  const double width = length * (k3 ? 0.4 : 0.6);
  const double a = degrees * 3.14159265358979323846 / 180.0;
  const double cs = std::cos(a), sn = std::sin(a);
  const double local[4][2] = {{-width / 2, -length / 2}, {width / 2, -length / 2}, {width / 2, length / 2},
                              {-width / 2, length / 2}};
  std::array<Point, 4> corners;
  for (int i = 0; i < 4; ++i) {
    corners[i] = {cx + local[i][0] * cs - local[i][1] * sn, cy + local[i][0] * sn + local[i][1] * cs};
  }
  return corners;
}

Point CardPoint(const std::array<Point, 4>& p, bool turned, double u, double v) {
  const double d1 = std::pow(Distance(p[0], p[1]), 2), d3 = std::pow(Distance(p[0], p[3]), 2);
  // Portrait outlines have their origin at the top-left corner, landscape ones at the bottom-left;
  // a turned card starts from the opposite corner.
  int r = d3 >= d1 ? 0 : 3;
  if (turned) r = (r + 2) % 4;
  const Point q0 = p[r], q1 = p[(r + 1) % 4], q2 = p[(r + 2) % 4], q3 = p[(r + 3) % 4];
  auto length = [](const Point& a, const Point& b) {
    const double d = Distance(a, b);
    return d == 0.0 ? 1.0 : d;
  };
  const double l01 = length(q0, q1), l12 = length(q1, q2), l23 = length(q2, q3), l30 = length(q3, q0);
  const double s = u * l30 / (u * (l30 - l12) + l12);
  const double t = v * l01 / (v * (l01 - l23) + l23);
  return {(1 - s) * (1 - t) * q0.x + s * (1 - t) * q1.x + s * t * q2.x + (1 - s) * t * q3.x,
          (1 - s) * (1 - t) * q0.y + s * (1 - t) * q1.y + s * t * q2.y + (1 - s) * t * q3.y};
}

int Render(const Scene& scene, const ReferenceSet& reference, const Camera& camera, ImageBuffer& image) {
  int code = image.Allocate(scene.width, scene.height).code();
  if (code != kOk) return code;
  std::mt19937 random(scene.seed);
  std::normal_distribution<double> grain(0.0, 1.0);
  auto lightAt = [&](int x) { return 1.0 + scene.light * (0.5 - double(x) / std::max(1, scene.width - 1)); };
  auto put = [&](uint8_t* px, const std::array<double, 3>& colour, int x) {
    const std::array<uint8_t, 3> recorded = camera.Record(colour, lightAt(x));
    for (int c = 0; c < 3; ++c) {
      const double v = recorded[c] + (scene.noise > 0 ? scene.noise * grain(random) : 0.0);
      px[c] = uint8_t(std::clamp(std::lround(v), 0L, 255L));
    }
  };

  // Background: a soft diagonal gradient, or with no card a still life of colour patches.
  for (int y = 0; y < scene.height; ++y) {
    for (int x = 0; x < scene.width; ++x) {
      const double g = 0.35 + 0.3 * (double(x) / scene.width) * (double(y) / scene.height);
      std::array<double, 3> colour = {g, g * 0.95, g * 0.9};
      if (!scene.drawCard) {
        const int cell = ((x * 7) / std::max(1, scene.width)) + 7 * ((y * 5) / std::max(1, scene.height));
        const ReferenceEntry& e = reference.entries[size_t(cell) % reference.entries.size()];
        const double scale = std::max({e.R, e.G, e.B}) > 255 ? 65535.0 : 255.0;
        colour = {e.R / scale, e.G / scale, e.B / scale};
      }
      put(image.pixels() + (int64_t(y) * scene.width + x) * 3, colour, x);
    }
  }
  if (!scene.drawCard) return kOk;

  std::array<Point, 4> outline = ScreenOrder(scene.corners);
  if (scene.perspective != 1.0) {
    // The top edge further away: pull P0 and P1 towards their middle.
    const Point mid{(outline[0].x + outline[1].x) / 2, (outline[0].y + outline[1].y) / 2};
    for (int i : {0, 1}) {
      outline[i] = {mid.x + (outline[i].x - mid.x) * scene.perspective, mid.y + (outline[i].y - mid.y) * scene.perspective};
    }
  }
  FillQuad(image, outline, [&](int x, int, uint8_t* px) { put(px, {0.08, 0.08, 0.08}, x); });

  const std::vector<Rect> rects = AreaRects(scene.k3);
  double scale = 255.0;
  for (const ReferenceEntry& e : reference.entries) {
    if (std::max({e.R, e.G, e.B}) > 255) scale = 65535.0;
  }
  for (size_t a = 0; a < rects.size() && a < reference.entries.size(); ++a) {
    const Rect& r = rects[a];
    const std::array<Point, 4> quad = {CardPoint(outline, scene.turned, r.u0, r.v0),
                                       CardPoint(outline, scene.turned, r.u1, r.v0),
                                       CardPoint(outline, scene.turned, r.u1, r.v1),
                                       CardPoint(outline, scene.turned, r.u0, r.v1)};
    const ReferenceEntry& e = reference.entries[a];
    const std::array<double, 3> colour = {e.R / scale, e.G / scale, e.B / scale};
    FillQuad(image, quad, [&](int x, int, uint8_t* px) { put(px, colour, x); });
  }
  return kOk;
}

}  // namespace tintara::render
