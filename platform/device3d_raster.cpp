// The CPU device's pixels. Positions are fixed point in 1/256 pixel and edge functions are
// evaluated exactly in 128-bit integers, so coverage never depends on rounding; only u and v,
// interpolated from exact weights, go through doubles.
#include "platform/device3d_raster.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "platform/device3d.h"
#include "platform/pixel_layout.h"

namespace platform::device3d_internal {
namespace {

using Wide = __int128;

constexpr double kMaxCoordinate = 16777216.0;  // 2^24 pixels
constexpr int64_t kSub = 256;                  // snapping steps per pixel

bool Finite(const RasterVertex& v) {
  return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.u) && std::isfinite(v.v) &&
         std::fabs(v.x) <= kMaxCoordinate && std::fabs(v.y) <= kMaxCoordinate;
}

int64_t FloorDiv(int64_t a, int64_t b) {
  return a >= 0 ? a / b : -((-a + b - 1) / b);
}

int64_t CeilDiv(int64_t a, int64_t b) {
  return -FloorDiv(-a, b);
}

int64_t RoundToPixel(float v) {
  return static_cast<int64_t>(std::floor(static_cast<double>(v) + 0.5));
}

int Modulate(int a, int b) {
  return (a * b + 127) / 255;
}

// One edge a -> b of a triangle whose corners run clockwise on the screen: the function is
// positive inside, and a centre exactly on the edge counts only for a top or a left edge.
struct Edge {
  Wide dx, dy;
  int64_t ox, oy;
  bool topLeft;
  Edge(int64_t ax, int64_t ay, int64_t bx, int64_t by)
      : dx(Wide{bx} - ax),
        dy(Wide{by} - ay),
        ox(ax),
        oy(ay),
        topLeft((dy == 0 && dx > 0) || dy < 0) {}
  Wide At(int64_t px, int64_t py) const { return dx * (Wide{py} - oy) - dy * (Wide{px} - ox); }
  bool Covers(Wide e) const { return e > 0 || (e == 0 && topLeft); }
};

}  // namespace

Rasteriser::Layout Rasteriser::LayoutOf(const PixelFormat& f) {
  auto channel = [](uint32_t mask) {
    Channel c;
    c.mask = mask;
    if (mask == 0) return c;
    while (((mask >> c.shift) & 1u) == 0) ++c.shift;
    while (c.shift + c.width < 32 && ((mask >> (c.shift + c.width)) & 1u) != 0) ++c.width;
    return c;
  };
  Layout l;
  l.bytes = static_cast<int>(f.bitCount / 8);
  l.r = channel(f.redMask);
  l.g = channel(f.greenMask);
  l.b = channel(f.blueMask);
  l.a = channel(f.alphaMask);
  l.colour = f.redMask | f.greenMask | f.blueMask;
  const uint32_t all = f.bitCount >= 32 ? 0xFFFFFFFFu : (1u << f.bitCount) - 1u;
  l.fill = all & ~(l.colour | f.alphaMask);
  return l;
}

Rasteriser::Rgba Rasteriser::Decode(const Layout& l, uint32_t v) {
  auto widen = [v](const Channel& c) { return int{WidenTo8((v & c.mask) >> c.shift, c.width)}; };
  return Rgba{widen(l.r), widen(l.g), widen(l.b), l.a.width != 0 ? widen(l.a) : 255};
}

uint32_t Rasteriser::Encode(const Layout& l, const Rgba& c) {
  auto narrow = [](int v, const Channel& ch) -> uint32_t {
    if (ch.width == 0) return 0;
    const auto byte = static_cast<uint32_t>(v);
    const uint32_t n = ch.width <= 8 ? byte >> (8 - ch.width) : byte << (ch.width - 8);
    return (n << ch.shift) & ch.mask;
  };
  return narrow(c.r, l.r) | narrow(c.g, l.g) | narrow(c.b, l.b) | narrow(c.a, l.a) | l.fill;
}

Rasteriser::Rgba Rasteriser::Unpack(uint32_t argb) {
  return Rgba{static_cast<int>((argb >> 16) & 255u), static_cast<int>((argb >> 8) & 255u),
              static_cast<int>(argb & 255u), static_cast<int>(argb >> 24)};
}

Rasteriser::Rasteriser(const RasterState& state, const RasterImage& target, const Rect& scissor,
                       const RasterImage& texture, const ColorKey* key, bool hasUv)
    : state_(state),
      target_(target),
      targetLayout_(LayoutOf(target.format)),
      scissor_(scissor),
      texture_(texture),
      textureLayout_(LayoutOf(texture.format)),
      key_(key),
      textured_(hasUv && texture.pixels != nullptr && texture.width > 0 && texture.height > 0) {}

uint32_t Rasteriser::RawTexel(int64_t x, int64_t y) const {
  const uint8_t* p = texture_.pixels + y * texture_.pitch + x * textureLayout_.bytes;
  return ReadPixel(p, textureLayout_.bytes);
}

// A texel column or row from a position in texels: clamped into the texture or taken modulo
// its size. The position is finite: u and v are.
int64_t Rasteriser::Address(double texel, int32_t size) const {
  const double f = std::floor(texel);
  if (state_.address == kAddressWrap) {
    const double m = f - std::floor(f / size) * size;
    return m >= 0 && m < size ? static_cast<int64_t>(m) : 0;
  }
  if (!(f > 0)) return 0;
  return f >= size - 1 ? size - 1 : static_cast<int64_t>(f);
}

bool Rasteriser::Keyed(uint32_t raw) const {
  if (state_.colorKey == 0 || key_ == nullptr) return false;
  const uint32_t m = textureLayout_.colour;
  const uint32_t t = raw & m;
  return t >= (key_->low & m) && t <= (key_->high & m);
}

Rasteriser::Rgba Rasteriser::Sample(double u, double v) const {
  const int32_t w = texture_.width, h = texture_.height;
  if (state_.magFilter != kFilterLinear) {
    return Decode(textureLayout_, RawTexel(Address(u * w, w), Address(v * h, h)));
  }
  const double fx = u * w - 0.5, fy = v * h - 0.5;
  const double x0 = std::floor(fx), y0 = std::floor(fy);
  const int wx = std::clamp(static_cast<int>(std::floor((fx - x0) * 256)), 0, 255);
  const int wy = std::clamp(static_cast<int>(std::floor((fy - y0) * 256)), 0, 255);
  const int64_t xa = Address(x0, w), xb = Address(x0 + 1, w);
  const int64_t ya = Address(y0, h), yb = Address(y0 + 1, h);
  const uint32_t raw[4] = {RawTexel(xa, ya), RawTexel(xb, ya), RawTexel(xa, yb), RawTexel(xb, yb)};
  Rgba c[4];
  for (int i = 0; i < 4; ++i) c[i] = Decode(textureLayout_, raw[i]);
  auto mix = [wx, wy](int a, int b, int d, int e) {
    const int top = a * (256 - wx) + b * wx, bottom = d * (256 - wx) + e * wx;
    return (top * (256 - wy) + bottom * wy + 32768) >> 16;
  };
  // A texel that cannot be seen (alpha 0, or the key colour where the key discards) must lend no
  // colour to its visible neighbours: the colours are weighted by how much each texel shows.
  // Where every texel shows alike the weights cancel to the plain mix, taken the cheap way (so
  // opaque pictures filter bit for bit as they always did); where none shows there is nothing to
  // weight by and the plain mix stands too. The alpha is always the plain mix.
  const int alpha = mix(c[0].a, c[1].a, c[2].a, c[3].a);
  auto plain = [&] {
    return Rgba{mix(c[0].r, c[1].r, c[2].r, c[3].r), mix(c[0].g, c[1].g, c[2].g, c[3].g),
                mix(c[0].b, c[1].b, c[2].b, c[3].b), alpha};
  };
  int shows[4];
  for (int i = 0; i < 4; ++i) shows[i] = Keyed(raw[i]) ? 0 : c[i].a;
  if (shows[0] == shows[1] && shows[0] == shows[2] && shows[0] == shows[3]) return plain();
  const int64_t weight[4] = {int64_t{256 - wx} * (256 - wy), int64_t{wx} * (256 - wy),
                             int64_t{256 - wx} * wy, int64_t{wx} * wy};
  int64_t total = 0;
  for (int i = 0; i < 4; ++i) total += weight[i] * shows[i];
  if (total == 0) return plain();
  auto weighted = [&](int Rgba::*channel) {
    int64_t sum = 0;
    for (int i = 0; i < 4; ++i) sum += weight[i] * shows[i] * (c[i].*channel);
    return static_cast<int>((sum + total / 2) / total);
  };
  return Rgba{weighted(&Rgba::r), weighted(&Rgba::g), weighted(&Rgba::b), alpha};
}

void Rasteriser::Shade(int64_t x, int64_t y, double u, double v, const Rgba& diffuse) {
  if (x < scissor_.left || x >= scissor_.right || y < scissor_.top || y >= scissor_.bottom) return;
  Rgba tex{255, 255, 255, 255};
  if (textured_) {
    if (Keyed(RawTexel(Address(u * texture_.width, texture_.width),
                       Address(v * texture_.height, texture_.height)))) {
      return;
    }
    tex = Sample(u, v);
  }
  auto arg = [&](uint32_t which) { return which == kArgTexture ? tex : diffuse; };
  auto op = [](uint32_t o, int a, int b, int fallback) {
    switch (o) {
      case kOpModulate:
        return Modulate(a, b);
      case kOpSelectArg1:
        return a;
      case kOpSelectArg2:
        return b;
      default:
        return fallback;
    }
  };
  const Rgba c1 = arg(state_.colorArg1), c2 = arg(state_.colorArg2);
  const Rgba a1 = arg(state_.alphaArg1), a2 = arg(state_.alphaArg2);
  Rgba s{op(state_.colorOp, c1.r, c2.r, diffuse.r), op(state_.colorOp, c1.g, c2.g, diffuse.g),
         op(state_.colorOp, c1.b, c2.b, diffuse.b), op(state_.alphaOp, a1.a, a2.a, diffuse.a)};

  uint8_t* p = target_.pixels + y * target_.pitch + x * targetLayout_.bytes;
  if (state_.alphaBlend != 0) {
    const Rgba d = Decode(targetLayout_, ReadPixel(p, targetLayout_.bytes));
    auto factor = [&](uint32_t f, int sc, int dc) {
      switch (f) {
        case kBlendOne:
          return 255;
        case kBlendSrcAlpha:
          return s.a;
        case kBlendInvSrcAlpha:
          return 255 - s.a;
        case kBlendSrcColor:
          return sc;
        case kBlendInvDestColor:
          return 255 - dc;
        default:
          return 0;
      }
    };
    auto blend = [&](int sc, int dc) {
      const int out =
          (sc * factor(state_.srcBlend, sc, dc) + dc * factor(state_.destBlend, sc, dc) + 127) /
          255;
      return std::min(255, out);
    };
    s = Rgba{blend(s.r, d.r), blend(s.g, d.g), blend(s.b, d.b), blend(s.a, d.a)};
  }
  WritePixel(p, targetLayout_.bytes, Encode(targetLayout_, s));
}

void Rasteriser::Triangle(const RasterVertex& a, const RasterVertex& b, const RasterVertex& c,
                          uint32_t diffuse) {
  if (!Finite(a) || !Finite(b) || !Finite(c)) return;
  auto snap = [](float v) { return std::llround(static_cast<double>(v) * kSub); };
  struct P {
    int64_t x, y;
    double u, v;
  };
  P p0{snap(a.x), snap(a.y), a.u, a.v}, p1{snap(b.x), snap(b.y), b.u, b.v},
      p2{snap(c.x), snap(c.y), c.u, c.v};
  Wide area = Edge(p0.x, p0.y, p1.x, p1.y).At(p2.x, p2.y);
  if (area == 0) return;
  if ((state_.cullMode == kCullCcw && area < 0) || (state_.cullMode == kCullCw && area > 0)) return;
  if (area < 0) {
    std::swap(p1, p2);
    area = -area;
  }
  const Edge e0(p1.x, p1.y, p2.x, p2.y), e1(p2.x, p2.y, p0.x, p0.y), e2(p0.x, p0.y, p1.x, p1.y);
  const int64_t left =
      std::max<int64_t>(CeilDiv(std::min({p0.x, p1.x, p2.x}), kSub), scissor_.left);
  const int64_t right =
      std::min<int64_t>(FloorDiv(std::max({p0.x, p1.x, p2.x}), kSub), int64_t{scissor_.right} - 1);
  const int64_t top = std::max<int64_t>(CeilDiv(std::min({p0.y, p1.y, p2.y}), kSub), scissor_.top);
  const int64_t bottom =
      std::min<int64_t>(FloorDiv(std::max({p0.y, p1.y, p2.y}), kSub), int64_t{scissor_.bottom} - 1);
  const Rgba colour = Unpack(diffuse);
  const double whole = static_cast<double>(area);
  for (int64_t y = top; y <= bottom; ++y) {
    Wide w0 = e0.At(left * kSub, y * kSub), w1 = e1.At(left * kSub, y * kSub),
         w2 = e2.At(left * kSub, y * kSub);
    const Wide s0 = -e0.dy * kSub, s1 = -e1.dy * kSub, s2 = -e2.dy * kSub;
    for (int64_t x = left; x <= right; ++x, w0 += s0, w1 += s1, w2 += s2) {
      if (!e0.Covers(w0) || !e1.Covers(w1) || !e2.Covers(w2)) continue;
      const double f0 = static_cast<double>(w0), f1 = static_cast<double>(w1),
                   f2 = static_cast<double>(w2);
      Shade(x, y, (f0 * p0.u + f1 * p1.u + f2 * p2.u) / whole,
            (f0 * p0.v + f1 * p1.v + f2 * p2.v) / whole, colour);
    }
  }
}

void Rasteriser::Line(const RasterVertex& a, const RasterVertex& b, uint32_t diffuse) {
  if (!Finite(a) || !Finite(b)) return;
  const Rgba colour = Unpack(diffuse);
  const int64_t x1 = RoundToPixel(a.x), y1 = RoundToPixel(a.y);
  const int64_t x2 = RoundToPixel(b.x), y2 = RoundToPixel(b.y);
  const int64_t adx = x2 >= x1 ? x2 - x1 : x1 - x2, ady = y2 >= y1 ? y2 - y1 : y1 - y2;
  const int64_t sx = x2 < x1 ? -1 : 1, sy = y2 < y1 ? -1 : 1;
  const bool xMajor = adx >= ady;
  const int64_t n = xMajor ? adx : ady, minor = xMajor ? ady : adx;
  // Only the steps whose major coordinate lies inside the scissor are walked.
  const int64_t start = xMajor ? x1 : y1, step = xMajor ? sx : sy;
  const int64_t low = xMajor ? scissor_.left : scissor_.top;
  const int64_t high = (xMajor ? scissor_.right : scissor_.bottom) - 1;
  int64_t kFirst = step > 0 ? low - start : start - high;
  int64_t kLast = step > 0 ? high - start : start - low;
  kFirst = std::max<int64_t>(kFirst, 0);
  kLast = std::min<int64_t>(kLast, n - 1);
  for (int64_t k = kFirst; k <= kLast; ++k) {
    const int64_t along = start + step * k, across = minor * k / n;
    const int64_t x = xMajor ? along : x1 + sx * across;
    const int64_t y = xMajor ? y1 + sy * across : along;
    const double t = static_cast<double>(k) / static_cast<double>(n);
    Shade(x, y, a.u + (b.u - a.u) * t, a.v + (b.v - a.v) * t, colour);
  }
  if (state_.lastPixel != 0) Shade(x2, y2, b.u, b.v, colour);
}

void Rasteriser::Point(const RasterVertex& a) {
  if (!Finite(a)) return;
  Shade(RoundToPixel(a.x), RoundToPixel(a.y), a.u, a.v, Unpack(a.diffuse));
}

}  // namespace platform::device3d_internal
