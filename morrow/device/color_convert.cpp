// ConvertColorFormatBlt: a rectangle of pixels from one ColorFormat into another.
//
// Four routes, tried in order; each gives the pixels the per-channel route would give:
//  1. straight copy between equal formats,
//  2. colour key to alpha between formats that differ in alpha only,
//  3. fast loops from 8-bit palette or 24-bit sources into 5:6:5, 5:5:5 and X8R8G8B8 (and,
//     with key to alpha, into A1R5G5B5 and A8R8G8B8),
//  4. the per-channel route, which handles everything.
#include <cstddef>

#include "morrow/device/color_format.h"
#include "platform/pixel_layout.h"

namespace morrow {
namespace {

constexpr int kBayer[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};

bool SupportedBits(int bits) {
  return bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

uint32_t PixelMask(int bytes) {
  return bytes >= 4 ? 0xFFFFFFFFu : (1u << (bytes * 8)) - 1u;
}

using platform::ReadPixel;
using platform::WritePixel;

// One channel's conversion from width `from` to width `to`, planned once per call.
struct ChannelPlan {
  uint32_t mask = 0;
  int shift = 0;
  int from = 0;
  int to = 0;
  int drop = 0;  // narrowing: low bits dropped
  int grow = 0;  // widening: bits added
  uint64_t mul = 0, div = 1;
  uint32_t lowMask = 0;
  uint32_t max = 0;
  bool dither = false;
  uint32_t threshold[16] = {};

  uint32_t Extract(uint32_t v) const { return (v & mask) >> shift; }

  uint32_t Convert(uint32_t c, int bayer) const {
    if (to == 0 || from == 0) return 0;
    if (from == to) return c;
    if (to < from) {
      uint32_t n = c >> drop;
      if (dither && (c & lowMask) > threshold[bayer]) {
        ++n;
        if (n > max) n = max;
      }
      return n;
    }
    return static_cast<uint32_t>((uint64_t{c} << grow) + uint64_t{c} * mul / div);
  }
};

ChannelPlan Plan(uint32_t mask, int shift, int from, int to, bool dither) {
  ChannelPlan p;
  p.mask = mask;
  p.shift = shift;
  p.from = from;
  p.to = to;
  p.dither = dither;
  p.max = to >= 32 ? 0xFFFFFFFFu : (1u << to) - 1u;
  if (from > to && to > 0) {
    p.drop = from - to;
    p.lowMask = (1u << p.drop) - 1u;
    for (int m = 0; m < 16; ++m) {
      p.threshold[m] = static_cast<uint32_t>((static_cast<uint64_t>(m) << p.drop) >> 4);
    }
  } else if (to > from && from > 0) {
    p.grow = to - from;
    p.mul = (uint64_t{1} << p.grow) - 1;
    p.div = (uint64_t{1} << from) - 1;
  }
  return p;
}

// Everything a call needs, checked and copied once.
struct Job {
  uint8_t* dest;
  ptrdiff_t destPitch;
  const uint8_t* src;
  ptrdiff_t srcPitch;
  const uint8_t* plane;
  ptrdiff_t planePitch;
  ColorFormat df, sf, af;
  int destX, destY;
  Rect rect;
  bool mirror, dither, colourToBlack;
  bool wantsAlpha, usePlane, useSrcAlpha, keyToAlpha;
  uint32_t keyColour;

  int Width() const { return rect.right - rect.left; }
  int Height() const { return rect.bottom - rect.top; }
  const uint8_t* SrcRow(int row) const {
    return src + (rect.top + row) * srcPitch +
           static_cast<ptrdiff_t>(rect.left) * (sf.bitsPerPixel / 8);
  }
  const uint8_t* PlaneRow(int row) const {
    return plane + (rect.top + row) * planePitch +
           static_cast<ptrdiff_t>(rect.left) * (af.bitsPerPixel / 8);
  }
  uint8_t* DestPixel(int row, int i) const {
    int x = destX + (mirror ? Width() - 1 - i : i);
    return dest + (destY + row) * destPitch + static_cast<ptrdiff_t>(x) * (df.bitsPerPixel / 8);
  }
};

uint32_t SourceValue(const ColorFormat& f, const uint8_t* p, int bytes) {
  return bytes == 1 ? f.palette[*p] : ReadPixel(p, bytes);
}

int General(const Job& j) {
  const int sb = j.sf.bitsPerPixel / 8, db = j.df.bitsPerPixel / 8, ab = j.af.bitsPerPixel / 8;
  const ChannelPlan r = Plan(j.sf.redMask, j.sf.redShift, j.sf.redWidth, j.df.redWidth, j.dither);
  const ChannelPlan g =
      Plan(j.sf.greenMask, j.sf.greenShift, j.sf.greenWidth, j.df.greenWidth, j.dither);
  const ChannelPlan b =
      Plan(j.sf.blueMask, j.sf.blueShift, j.sf.blueWidth, j.df.blueWidth, j.dither);
  const ChannelPlan srcAlpha =
      Plan(j.sf.alphaMask, j.sf.alphaShift, j.sf.alphaWidth, j.df.alphaWidth, j.dither);
  const ChannelPlan planeAlpha =
      Plan(j.af.redMask, j.af.redShift, j.af.redWidth, j.df.alphaWidth, j.dither);
  const uint32_t fullAlpha = j.df.alphaWidth >= 32 ? 0xFFFFFFFFu : (1u << j.df.alphaWidth) - 1u;
  // The key in the source's own channel widths.
  const uint32_t keyR = ConvertChannelWidth((j.keyColour >> 16) & 255u, 8, j.sf.redWidth);
  const uint32_t keyG = ConvertChannelWidth((j.keyColour >> 8) & 255u, 8, j.sf.greenWidth);
  const uint32_t keyB = ConvertChannelWidth(j.keyColour & 255u, 8, j.sf.blueWidth);
  const int ds = j.df.alphaShift;

  for (int row = 0; row < j.Height(); ++row) {
    const uint8_t* sp = j.SrcRow(row);
    const uint8_t* ap = j.usePlane ? j.PlaneRow(row) : nullptr;
    const int dy = (j.destY + row) & 3;
    for (int i = 0; i < j.Width(); ++i) {
      const uint32_t v = SourceValue(j.sf, sp + i * sb, sb);
      const int dx = (j.destX + (j.mirror ? j.Width() - 1 - i : i)) & 3;
      const int bayer = kBayer[dy][dx];
      uint32_t out = j.df.fillMask;
      if (!j.colourToBlack) {
        out |= r.Convert(r.Extract(v), bayer) << j.df.redShift;
        out |= g.Convert(g.Extract(v), bayer) << j.df.greenShift;
        out |= b.Convert(b.Extract(v), bayer) << j.df.blueShift;
      }
      if (j.wantsAlpha) {
        uint32_t a;
        if (j.usePlane) {
          a = planeAlpha.Convert(planeAlpha.Extract(SourceValue(j.af, ap + i * ab, ab)), bayer);
        } else if (j.useSrcAlpha) {
          a = srcAlpha.Convert(srcAlpha.Extract(v), bayer);
        } else {
          a = fullAlpha;
          if (j.keyToAlpha && r.Extract(v) == keyR && g.Extract(v) == keyG &&
              b.Extract(v) == keyB) {
            a = 0;
          }
        }
        out |= ds < 32 ? (a << ds) : 0;
      }
      WritePixel(j.DestPixel(row, i), db, out);
    }
  }
  return 0;
}

// Equal formats: bytes as they are, with the fill bits set.
void StraightCopy(const Job& j) {
  const int bytes = j.df.bitsPerPixel / 8;
  const uint32_t fill = j.df.fillMask & PixelMask(bytes);
  for (int row = 0; row < j.Height(); ++row) {
    const uint8_t* sp = j.SrcRow(row);
    if (!j.mirror && fill == 0) {
      std::memcpy(j.DestPixel(row, 0), sp, static_cast<size_t>(j.Width()) * bytes);
      continue;
    }
    for (int i = 0; i < j.Width(); ++i) {
      WritePixel(j.DestPixel(row, i), bytes, ReadPixel(sp + i * bytes, bytes) | fill);
    }
  }
}

// Formats equal but for the alpha: pixels matching the key lose their alpha, all others get it.
void KeyToAlphaCopy(const Job& j) {
  const int bytes = j.df.bitsPerPixel / 8;
  const ColorFormat& f = j.df;
  auto channel = [](uint32_t byte, int width, int shift) -> uint32_t {
    if (width <= 0) return 0;
    uint32_t c = width <= 8 ? byte >> (8 - width) : byte << (width - 8);
    return shift < 32 ? c << shift : 0;
  };
  const uint32_t key = channel((j.keyColour >> 16) & 255u, f.redWidth, f.redShift) +
                       channel((j.keyColour >> 8) & 255u, f.greenWidth, f.greenShift) +
                       channel(j.keyColour & 255u, f.blueWidth, f.blueShift) + f.fillMask +
                       channel(255u, f.alphaWidth, f.alphaShift);
  const uint32_t colour = f.redMask | f.greenMask | f.blueMask;
  for (int row = 0; row < j.Height(); ++row) {
    const uint8_t* sp = j.SrcRow(row);
    for (int i = 0; i < j.Width(); ++i) {
      uint32_t v = ReadPixel(sp + i * bytes, bytes);
      uint32_t out;
      if (bytes == 4) {
        v |= ~colour;
        out = v == key ? (v & ~f.alphaMask) : v;
      } else {
        out = v == key ? (v & ~f.alphaMask) : (v | f.alphaMask);
      }
      WritePixel(j.DestPixel(row, i), bytes, out);
    }
  }
}

bool StandardRgbMasks(const ColorFormat& f) {
  return f.redMask == 0xFF0000u && f.greenMask == 0xFF00u && f.blueMask == 0xFFu;
}

bool Masks(const ColorFormat& f, uint32_t r, uint32_t g, uint32_t b, uint32_t a) {
  return f.redMask == r && f.greenMask == g && f.blueMask == b && f.alphaMask == a;
}

// Runs fn(entry) -> pixel over 8-bit palette or 24-bit sources, entry being 0x00RRGGBB.
template <typename Fn>
void FastLoop(const Job& j, Fn fn) {
  const int sb = j.sf.bitsPerPixel / 8, db = j.df.bitsPerPixel / 8;
  for (int row = 0; row < j.Height(); ++row) {
    const uint8_t* sp = j.SrcRow(row);
    uint8_t* dp = j.DestPixel(row, 0);
    if (sb == 1) {
      for (int i = 0; i < j.Width(); ++i) WritePixel(dp + i * db, db, fn(j.sf.palette[sp[i]]));
    } else {
      for (int i = 0; i < j.Width(); ++i) WritePixel(dp + i * db, db, fn(ReadPixel(sp + i * 3, 3)));
    }
  }
}

bool TryFastPath(const Job& j) {
  if (j.usePlane || j.dither || j.mirror || j.colourToBlack) return false;
  const bool palette = j.sf.bitsPerPixel == 8 && StandardRgbMasks(j.sf);
  const bool rgb24 = j.sf.bitsPerPixel == 24 && StandardRgbMasks(j.sf) && j.sf.alphaMask == 0;
  if (!palette && !rgb24) return false;
  const ColorFormat& d = j.df;
  const uint32_t fill = d.fillMask;
  if (!j.keyToAlpha) {
    if (d.alphaWidth != 0) return false;
    if (d.bitsPerPixel == 16 && Masks(d, 0xF800, 0x7E0, 0x1F, 0)) {
      FastLoop(j, [fill](uint32_t e) {
        return (((e >> 8) & 0xF800u) | ((e >> 5) & 0x7E0u) | ((e >> 3) & 0x1Fu)) | fill;
      });
      return true;
    }
    if (d.bitsPerPixel == 16 && Masks(d, 0x7C00, 0x3E0, 0x1F, 0)) {
      FastLoop(j, [fill](uint32_t e) {
        return (((e >> 9) & 0x7C00u) | ((e >> 6) & 0x3E0u) | ((e >> 3) & 0x1Fu)) | fill;
      });
      return true;
    }
    if (d.bitsPerPixel == 32 && StandardRgbMasks(d)) {
      FastLoop(j, [fill](uint32_t e) { return (e & 0xFFFFFFu) | fill; });
      return true;
    }
    return false;
  }
  const uint32_t key = j.keyColour & 0xFFFFFFu;
  if (d.bitsPerPixel == 16 && Masks(d, 0x7C00, 0x3E0, 0x1F, 0x8000)) {
    FastLoop(j, [key, fill](uint32_t e) {
      uint32_t a = (e & 0xFFFFFFu) == key ? 0u : 0x8000u;
      return ((e >> 9) & 0x7C00u) | ((e >> 6) & 0x3E0u) | ((e >> 3) & 0x1Fu) | a | fill;
    });
    return true;
  }
  if (d.bitsPerPixel == 32 && Masks(d, 0xFF0000, 0xFF00, 0xFF, 0xFF000000u)) {
    FastLoop(j, [key, fill](uint32_t e) {
      uint32_t c = e & 0xFFFFFFu;
      return c | (c == key ? 0u : 0xFF000000u) | fill;
    });
    return true;
  }
  return false;
}

// Checks the arguments and fills a job; -1 for a call that cannot be made, 1 for nothing to do.
int Prepare(uint8_t* dest, int destPitch, const ColorFormat* destFmt, const uint8_t* src,
            int srcPitch, const ColorFormat* srcFmt, const uint8_t* alphaPlane, int alphaPitch,
            const ColorFormat* alphaFmt, int destX, int destY, const Rect* srcRect, int mirror,
            int keyToAlpha, uint32_t keyColour, int dither, int colourToBlack, Job* j) {
  if (dest == nullptr || src == nullptr || destFmt == nullptr || srcFmt == nullptr ||
      srcRect == nullptr) {
    return -1;
  }
  j->dest = dest;
  j->destPitch = destPitch;
  j->src = src;
  j->srcPitch = srcPitch;
  j->plane = alphaPlane;
  j->planePitch = alphaPitch;
  j->df = *destFmt;
  j->sf = *srcFmt;
  j->af = alphaFmt != nullptr ? *alphaFmt : ColorFormat{};
  j->destX = destX;
  j->destY = destY;
  j->rect = *srcRect;
  j->mirror = mirror != 0;
  j->dither = dither != 0;
  j->colourToBlack = colourToBlack != 0;
  j->keyColour = keyColour;
  j->wantsAlpha = j->df.alphaWidth != 0;
  j->useSrcAlpha = j->wantsAlpha && j->sf.alphaWidth != 0;
  j->usePlane = j->wantsAlpha && alphaPlane != nullptr && j->sf.alphaWidth == 0;
  j->keyToAlpha = keyToAlpha != 0 && j->wantsAlpha && !j->useSrcAlpha && !j->usePlane;
  if (!SupportedBits(j->df.bitsPerPixel) || !SupportedBits(j->sf.bitsPerPixel)) return -1;
  if (j->usePlane && !SupportedBits(j->af.bitsPerPixel)) return -1;
  if (j->Width() <= 0 || j->Height() <= 0) return 1;
  return 0;
}

}  // namespace

int ConvertColorFormatBltGeneral(uint8_t* dest, int destPitch, const ColorFormat* destFmt,
                                 const uint8_t* src, int srcPitch, const ColorFormat* srcFmt,
                                 const uint8_t* alphaPlane, int alphaPitch,
                                 const ColorFormat* alphaFmt, int destX, int destY,
                                 const Rect* srcRect, int mirror, int keyToAlpha,
                                 uint32_t keyColour, int dither, int colourToBlack) {
  Job j;
  int ready =
      Prepare(dest, destPitch, destFmt, src, srcPitch, srcFmt, alphaPlane, alphaPitch, alphaFmt,
              destX, destY, srcRect, mirror, keyToAlpha, keyColour, dither, colourToBlack, &j);
  if (ready != 0) return ready < 0 ? -1 : 0;
  return General(j);
}

int ConvertColorFormatBlt(uint8_t* dest, int destPitch, const ColorFormat* destFmt,
                          const uint8_t* src, int srcPitch, const ColorFormat* srcFmt,
                          const uint8_t* alphaPlane, int alphaPitch, const ColorFormat* alphaFmt,
                          int destX, int destY, const Rect* srcRect, int mirror, int keyToAlpha,
                          uint32_t keyColour, int dither, int colourToBlack) {
  Job j;
  int ready =
      Prepare(dest, destPitch, destFmt, src, srcPitch, srcFmt, alphaPlane, alphaPitch, alphaFmt,
              destX, destY, srcRect, mirror, keyToAlpha, keyColour, dither, colourToBlack, &j);
  if (ready != 0) return ready < 0 ? -1 : 0;
  const bool sameRgb = j.df.bitsPerPixel == j.sf.bitsPerPixel && j.df.redMask == j.sf.redMask &&
                       j.df.greenMask == j.sf.greenMask && j.df.blueMask == j.sf.blueMask;
  if (!j.keyToAlpha && !j.usePlane && !j.colourToBlack && sameRgb &&
      j.df.alphaMask == j.sf.alphaMask) {
    StraightCopy(j);
    return 0;
  }
  if (j.keyToAlpha && !j.colourToBlack && sameRgb) {
    KeyToAlphaCopy(j);
    return 0;
  }
  if (TryFastPath(j)) return 0;
  return General(j);
}

}  // namespace morrow
