#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/reference_data.h"
#include "image/image_buffer.h"

namespace tintara::render {

struct Point {
  double x = 0.0;
  double y = 0.0;
};

// A camera that the colour model can invert: the scene colour x (0..1 per channel) is mixed by a
// 3x3 matrix, scaled by the exposure, clipped, and encoded with a per-channel power 1/gamma.
struct Camera {
  double matrix[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
  double gain = 1.0;
  double gamma[3] = {1.0, 1.0, 1.0};

  // The 8-bit value the camera records for a scene colour given on 0..1.
  std::array<uint8_t, 3> Record(const std::array<double, 3>& scene, double light) const;
};

struct Scene {
  int width = 1600;
  int height = 1200;
  bool drawCard = true;
  bool k3 = false;                // K3 card instead of K7
  std::array<Point, 4> corners;   // the card outline, any order that runs around the card
  bool turned = false;            // the card lies turned by 180 degrees
  double perspective = 1.0;       // the edge P0-P1 shrunk to this fraction about its middle
  double noise = 0.0;             // standard deviation, in 8-bit levels
  double light = 0.0;             // light falls by this fraction from one side of the image to the other
  unsigned seed = 1;
};

// The outline in the order the program keeps it after three clicks: top-left, top-right,
// bottom-right, bottom-left as seen on screen.
std::array<Point, 4> ScreenOrder(std::array<Point, 4> corners);

// A card of the given long-edge length, centred at (cx, cy), turned by `degrees` clockwise from
// upright (long edge vertical). K7 cards are 0.6 as wide as long, K3 cards 0.4.
std::array<Point, 4> PlaceCard(double cx, double cy, double length, double degrees, bool k3);

// The image point of card coordinates (u, v) for the outline (in screen order) and orientation,
// with the same perspective correction the program's layout uses.
Point CardPoint(const std::array<Point, 4>& screen, bool turned, double u, double v);

// Draws the scene: a textured background (or, without a card, a still life of colour patches), the
// card body, and every colour area in the reference colour as the camera records it.
int Render(const Scene& scene, const ReferenceSet& reference, const Camera& camera, ImageBuffer& image);

}  // namespace tintara::render
