#include "engine/colour_difference.h"

#include <cmath>

namespace tintara {

namespace {

constexpr double kPi = 3.14159265358979323846;

double Linear(uint8_t code) {
  const double v = code / 255.0;
  return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
}

double LabF(double t) {
  constexpr double delta = 6.0 / 29.0;
  return t > delta * delta * delta ? std::cbrt(t) : t / (3.0 * delta * delta) + 4.0 / 29.0;
}

double Degrees(double radians) { return radians * 180.0 / kPi; }
double Radians(double degrees) { return degrees * kPi / 180.0; }

}  // namespace

Lab SrgbToLab(uint8_t r, uint8_t g, uint8_t b) {
  const double R = Linear(r), G = Linear(g), B = Linear(b);
  const double X = 0.4124564 * R + 0.3575761 * G + 0.1804375 * B;
  const double Y = 0.2126729 * R + 0.7151522 * G + 0.0721750 * B;
  const double Z = 0.0193339 * R + 0.1191920 * G + 0.9503041 * B;
  const double fx = LabF(X / 0.95047), fy = LabF(Y / 1.0), fz = LabF(Z / 1.08883);
  return {116.0 * fy - 16.0, 500.0 * (fx - fy), 200.0 * (fy - fz)};
}

double DeltaE2000(const Lab& p, const Lab& q) {
  const double c1 = std::hypot(p.a, p.b), c2 = std::hypot(q.a, q.b);
  const double cMean = (c1 + c2) / 2.0;
  const double cMean7 = std::pow(cMean, 7.0);
  const double g = 0.5 * (1.0 - std::sqrt(cMean7 / (cMean7 + std::pow(25.0, 7.0))));
  const double a1 = (1.0 + g) * p.a, a2 = (1.0 + g) * q.a;
  const double c1p = std::hypot(a1, p.b), c2p = std::hypot(a2, q.b);
  auto hue = [](double b, double a) {
    if (a == 0.0 && b == 0.0) return 0.0;
    const double h = Degrees(std::atan2(b, a));
    return h < 0.0 ? h + 360.0 : h;
  };
  const double h1 = hue(p.b, a1), h2 = hue(q.b, a2);

  const double dL = q.L - p.L;
  const double dC = c2p - c1p;
  double dh = 0.0;
  if (c1p * c2p != 0.0) {
    dh = h2 - h1;
    if (dh > 180.0) dh -= 360.0;
    if (dh < -180.0) dh += 360.0;
  }
  const double dH = 2.0 * std::sqrt(c1p * c2p) * std::sin(Radians(dh / 2.0));

  const double lMean = (p.L + q.L) / 2.0;
  const double cpMean = (c1p + c2p) / 2.0;
  double hMean = h1 + h2;
  if (c1p * c2p != 0.0) {
    if (std::fabs(h1 - h2) <= 180.0) {
      hMean = (h1 + h2) / 2.0;
    } else {
      hMean = (h1 + h2 < 360.0) ? (h1 + h2 + 360.0) / 2.0 : (h1 + h2 - 360.0) / 2.0;
    }
  }
  const double t = 1.0 - 0.17 * std::cos(Radians(hMean - 30.0)) + 0.24 * std::cos(Radians(2.0 * hMean)) +
                   0.32 * std::cos(Radians(3.0 * hMean + 6.0)) - 0.20 * std::cos(Radians(4.0 * hMean - 63.0));
  const double dTheta = 30.0 * std::exp(-std::pow((hMean - 275.0) / 25.0, 2.0));
  const double cpMean7 = std::pow(cpMean, 7.0);
  const double rc = 2.0 * std::sqrt(cpMean7 / (cpMean7 + std::pow(25.0, 7.0)));
  const double l50 = (lMean - 50.0) * (lMean - 50.0);
  const double sl = 1.0 + 0.015 * l50 / std::sqrt(20.0 + l50);
  const double sc = 1.0 + 0.045 * cpMean;
  const double sh = 1.0 + 0.015 * cpMean * t;
  const double rt = -std::sin(Radians(2.0 * dTheta)) * rc;
  const double lTerm = dL / sl, cTerm = dC / sc, hTerm = dH / sh;
  return std::sqrt(lTerm * lTerm + cTerm * cTerm + hTerm * hTerm + rt * cTerm * hTerm);
}

double DeltaE2000(const uint8_t (&first)[3], const uint8_t (&second)[3]) {
  return DeltaE2000(SrgbToLab(first[0], first[1], first[2]), SrgbToLab(second[0], second[1], second[2]));
}

}  // namespace tintara
