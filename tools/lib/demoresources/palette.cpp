#include "tools/lib/demoresources/palette.h"

#include <algorithm>
#include <cmath>

namespace demo {

namespace {

uint8_t Channel(double v) {
  return static_cast<uint8_t>(std::clamp(std::lround(v), 0L, 255L));
}

// An sRGB channel in linear light, 0-1.
double Linear(uint8_t v) {
  const double u = v / 255.0;
  return u > 0.04045 ? std::pow((u + 0.055) / 1.055, 2.4) : u / 12.92;
}

// sRGB to L*a*b*.
std::array<double, 3> Lab(Rgb c) {
  const double r = Linear(c.r), g = Linear(c.g), b = Linear(c.b);
  const double x = (0.4124 * r + 0.3576 * g + 0.1805 * b) / 0.95047;
  const double y = RelativeLuminance(c);
  const double z = (0.0193 * r + 0.1192 * g + 0.9505 * b) / 1.08883;
  auto f = [](double t) { return t > 0.008856 ? std::cbrt(t) : 7.787 * t + 16.0 / 116; };
  return {116 * f(y) - 16, 500 * (f(x) - f(y)), 200 * (f(y) - f(z))};
}

}  // namespace

Rgb Mix(Rgb a, Rgb b, double t) {
  return {Channel(a.r + (b.r - a.r) * t), Channel(a.g + (b.g - a.g) * t),
          Channel(a.b + (b.b - a.b) * t)};
}

Rgb Lighter(Rgb c, double t) {
  return Mix(c, {255, 255, 255}, t);
}

Rgb Darker(Rgb c, double t) {
  return Mix(c, {0, 0, 0}, t);
}

Rgb SlotShade(Rgb base, int slot) {
  static constexpr double kShades[8] = {0, 0.55, -0.5, 0.8, -0.75, 0.3, -0.3, 1.0};
  const double s = kShades[slot & 7];
  return s >= 0 ? Lighter(base, s * 0.7) : Darker(base, -s * 0.7);
}

double ColourDistance(Rgb a, Rgb b) {
  const auto p = Lab(a), q = Lab(b);
  return std::hypot(p[0] - q[0], p[1] - q[1], p[2] - q[2]);
}

double Lightness(Rgb c) {
  return Lab(c)[0];
}

double RelativeLuminance(Rgb c) {
  return 0.2126 * Linear(c.r) + 0.7152 * Linear(c.g) + 0.0722 * Linear(c.b);
}

double ContrastRatio(Rgb a, Rgb b) {
  const double la = RelativeLuminance(a), lb = RelativeLuminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

Rgb InkOn(Rgb plate) {
  constexpr Rgb kWhite = {255, 255, 255}, kBlack = {0, 0, 0};
  return ContrastRatio(kWhite, plate) >= ContrastRatio(kBlack, plate) ? kWhite : kBlack;
}

uint32_t NameHash(std::string_view name) {
  uint32_t h = 2166136261u;
  for (unsigned char c : name) h = (h ^ c) * 16777619u;
  return h;
}

bool LooksTransparent(Rgb c) {
  return (c.r >> 3) == 0 && (c.g >> 2) == 63 && (c.b >> 3) == 0;
}

}  // namespace demo
