// Copies and colour fills: Blt (colour fill, copy and nearest-neighbour stretch, clipped by an
// attached clipper; an unscaled copy goes row by row), BltFast (unclipped same-format copies) and
// the device contexts' converting copy. A copy within one surface reads from a snapshot.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#if (defined(__x86_64__) || defined(__i386__)) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define PLATFORM_KEYED_ROWS_AVX2 1
#endif
#endif

#include "platform/display.h"
#include "platform/display_internal.h"
#include "platform/pixel_layout.h"
#include "platform/vector_support.h"

namespace platform {
namespace {

using display_internal::Misuse;

bool InKeyRange(uint32_t v, const ColorKey& k) {
  return v >= k.low && v <= k.high;
}

#if defined(PLATFORM_KEYED_ROWS_AVX2)
// Eight pixels a step, the same select as the SSE2 form below, and a row's last one to seven
// pixels under a lane mask. Only this function is built for AVX2, and it runs only where the
// processor has it.
__attribute__((target("avx2"))) void KeyedRows32Wide(uint8_t* dest, ptrdiff_t destPitch,
                                                     const uint8_t* src, ptrdiff_t srcPitch,
                                                     int32_t width, int32_t height,
                                                     const ColorKey& k) {
  const __m256i lows = _mm256_set1_epi32(static_cast<int>(k.low));
  const __m256i flip = _mm256_set1_epi32(static_cast<int>(0x80000000u));
  const __m256i spans = _mm256_xor_si256(_mm256_set1_epi32(static_cast<int>(k.high - k.low)), flip);
  const __m256i tail =
      _mm256_cmpgt_epi32(_mm256_set1_epi32(width % 8), _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7));
  for (int32_t row = 0; row < height; ++row, dest += destPitch, src += srcPitch) {
    int32_t i = 0;
    for (; i + 8 <= width; i += 8) {
      const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + 4 * i));
      const __m256i d = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(dest + 4 * i));
      const __m256i keep =
          _mm256_cmpgt_epi32(_mm256_xor_si256(_mm256_sub_epi32(v, lows), flip), spans);
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(dest + 4 * i), _mm256_blendv_epi8(d, v, keep));
    }
    if (i == width) continue;
    int* at = reinterpret_cast<int*>(dest + 4 * i);
    const __m256i v = _mm256_maskload_epi32(reinterpret_cast<const int*>(src + 4 * i), tail);
    const __m256i keep =
        _mm256_cmpgt_epi32(_mm256_xor_si256(_mm256_sub_epi32(v, lows), flip), spans);
    _mm256_maskstore_epi32(at, _mm256_and_si256(tail, keep), v);
  }
}
#endif

// One row, four pixels a step where SSE2 may run, the rest one by one.
void KeyedRow32(uint8_t* dest, const uint8_t* src, int32_t width, const ColorKey& k, bool sse2) {
  const uint32_t low = k.low, span = k.high - k.low;
  int32_t i = 0;
#if defined(__SSE2__)
  if (sse2) {
    // v - low > span, unsigned, as a signed compare of both sides with the top bit flipped.
    const __m128i lows = _mm_set1_epi32(static_cast<int>(low));
    const __m128i flip = _mm_set1_epi32(static_cast<int>(0x80000000u));
    const __m128i spans = _mm_xor_si128(_mm_set1_epi32(static_cast<int>(span)), flip);
    for (; i + 4 <= width; i += 4) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 4 * i));
      const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(dest + 4 * i));
      const __m128i keep = _mm_cmpgt_epi32(_mm_xor_si128(_mm_sub_epi32(v, lows), flip), spans);
      _mm_storeu_si128(reinterpret_cast<__m128i*>(dest + 4 * i),
                       _mm_or_si128(_mm_and_si128(keep, v), _mm_andnot_si128(keep, d)));
    }
  }
#else
  (void)sse2;
#endif
  for (; i < width; ++i) {
    uint32_t v, d;
    std::memcpy(&v, src + 4 * i, 4);
    std::memcpy(&d, dest + 4 * i, 4);
    const uint32_t out = v - low <= span ? d : v;
    std::memcpy(dest + 4 * i, &out, 4);
  }
}

// Writes count copies of the 32-bit word value from dest on with the processor's string store,
// which writes whole cache lines without reading them first: a long run goes at the speed of a
// plain memset. False where there is none, and nothing is written.
bool FillWords(uint8_t* dest, uint32_t value, size_t count) {
#if (defined(__x86_64__) || defined(__i386__)) && (defined(__GNUC__) || defined(__clang__))
  // The string store goes fastest from a cache line's start.
  for (; count > 0 && (reinterpret_cast<uintptr_t>(dest) & 63) != 0; --count, dest += 4) {
    std::memcpy(dest, &value, 4);
  }
  asm volatile("rep stosl" : "+D"(dest), "+c"(count) : "a"(value) : "memory");
  return true;
#else
  (void)dest;
  (void)value;
  (void)count;
  return false;
#endif
}

// The instruction sets the keyed copies use, read once.
VectorSupport CopyLevel() {
  static const VectorSupport level = ReadVectorSupport();
  return level;
}

}  // namespace

// A keyed pixel keeps the destination's own value: the vector forms write each pixel, either
// with the source or with what it held, a select of whole vectors.
void display_internal::KeyedRows32(uint8_t* dest, ptrdiff_t destPitch, const uint8_t* src,
                                   ptrdiff_t srcPitch, int32_t width, int32_t height,
                                   const ColorKey& k, VectorSupport level) {
#if defined(PLATFORM_KEYED_ROWS_AVX2)
  if (level.avx2 && level.sse2) {
    KeyedRows32Wide(dest, destPitch, src, srcPitch, width, height, k);
    return;
  }
#endif
  for (int32_t row = 0; row < height; ++row, dest += destPitch, src += srcPitch) {
    KeyedRow32(dest, src, width, k, level.sse2);
  }
}

// ---- Blt and BltFast ----

DisplayResult Surface::Blt(const Rect* dest, Surface* src, const Rect* srcRect, uint32_t flags,
                           const BltFx* fx) {
  if (DisplayResult r = Writable("Blt on a dead surface"); r != DisplayResult::kOk) return r;
  if (locked_ || dcOut_) return DisplayResult::kSurfaceBusy;
  const bool depthBuffer = (format_.flags & kPixelZBuffer) != 0;
  if (((flags & kBltDepthFill) != 0) != depthBuffer) return DisplayResult::kInvalidParams;
  Rect d = dest != nullptr ? *dest : Rect{0, 0, width_, height_};
  if (d.Empty()) return DisplayResult::kInvalidRect;
  Rect visible = Intersect(d, Rect{0, 0, width_, height_});
  if (clipper_ != nullptr) {
    if (clipper_->IsDead()) {
      Misuse("Blt through a dead clipper");
      return DisplayResult::kDeadObject;
    }
    Rect area;
    if (clipper_->ClipArea(&area)) visible = Intersect(visible, area);
  } else if (!InsideSize(d, width_, height_)) {
    return DisplayResult::kInvalidRect;
  }
  const int32_t bpp = static_cast<int32_t>(format_.bitCount / 8);

  if ((flags & (kBltColorFill | kBltDepthFill)) != 0) {
    if (fx == nullptr) return DisplayResult::kInvalidParams;
    if (!visible.Empty()) {
      // The first row is filled by doubling what is already filled, the others copy it: whole
      // screens are filled at the speed of the memory. Rows that follow one another without a
      // gap are one run of memory, filled at once where the processor's string store can.
      const size_t rowBytes = static_cast<size_t>(visible.Width()) * static_cast<size_t>(bpp);
      uint8_t* first = Pixels() + static_cast<ptrdiff_t>(visible.top) * pitch_ + visible.left * bpp;
      const uint32_t value = depthBuffer ? fx->fillDepth : fx->fillColor;
      if (bpp == 4 && rowBytes == static_cast<size_t>(pitch_) &&
          FillWords(first, value, rowBytes / 4 * static_cast<size_t>(visible.Height()))) {
        AfterWrite();
        if (std::shared_ptr<Display> disp = display_.lock()) disp->PresentIfDue();
        return DisplayResult::kOk;
      }
      WritePixel(first, bpp, value);
      for (size_t done = static_cast<size_t>(bpp); done < rowBytes; done *= 2) {
        std::memcpy(first + done, first, std::min(done, rowBytes - done));
      }
      for (int32_t y = visible.top + 1; y < visible.bottom; ++y) {
        std::memcpy(Pixels() + static_cast<ptrdiff_t>(y) * pitch_ + visible.left * bpp, first,
                    rowBytes);
      }
      AfterWrite();
      if (std::shared_ptr<Display> disp = display_.lock()) disp->PresentIfDue();
    }
    return DisplayResult::kOk;
  }

  if (src == nullptr) return DisplayResult::kInvalidParams;
  if (DisplayResult r = src->Usable("Blt from a dead surface"); r != DisplayResult::kOk) return r;
  if (src != this && (src->locked_ || src->dcOut_)) return DisplayResult::kSurfaceBusy;
  if (!SamePixelLayout(format_, src->format_)) return DisplayResult::kInvalidPixelFormat;
  Rect s = srcRect != nullptr ? *srcRect : Rect{0, 0, src->width_, src->height_};
  if (!InsideSize(s, src->width_, src->height_)) return DisplayResult::kInvalidRect;
  const bool keyed = (flags & kBltKeySrc) != 0;
  if (keyed && !src->hasKey_) return DisplayResult::kNoColorKey;
  if (visible.Empty()) return DisplayResult::kOk;

  // A copy within one surface reads from a snapshot, so overlapping rectangles stay exact.
  std::vector<uint8_t> snapshot;
  const uint8_t* srcPixels = src->Pixels();
  int32_t srcPitch = src->pitch_;
  if (src->storage_ == storage_) {
    snapshot.assign(Pixels(),
                    Pixels() + static_cast<size_t>(pitch_) * static_cast<size_t>(height_));
    srcPixels = snapshot.data();
  }
  const int64_t dw = d.Width(), dh = d.Height(), sw = s.Width(), sh = s.Height();
  if (dw == sw && dh == sh && (!keyed || bpp == 4)) {
    // Unscaled, as every windowed present is: whole rows at once.
    const int32_t dx = s.left - d.left, dy = s.top - d.top;
    auto sourceRow = [&](int32_t y) {
      return srcPixels + static_cast<ptrdiff_t>(y + dy) * srcPitch +
             static_cast<ptrdiff_t>(visible.left + dx) * bpp;
    };
    auto destRow = [&](int32_t y) {
      return Pixels() + static_cast<ptrdiff_t>(y) * pitch_ + visible.left * bpp;
    };
    if (keyed) {
      if (!visible.Empty()) {
        display_internal::KeyedRows32(destRow(visible.top), pitch_, sourceRow(visible.top),
                                      srcPitch, visible.Width(), visible.Height(), src->key_,
                                      CopyLevel());
      }
    } else {
      for (int32_t y = visible.top; y < visible.bottom; ++y) {
        std::memcpy(destRow(y), sourceRow(y),
                    static_cast<size_t>(visible.Width()) * static_cast<size_t>(bpp));
      }
    }
    AfterWrite();
    if (std::shared_ptr<Display> disp = display_.lock()) disp->PresentIfDue();
    return DisplayResult::kOk;
  }
  for (int32_t y = visible.top; y < visible.bottom; ++y) {
    int32_t sy = s.top + static_cast<int32_t>((y - d.top) * sh / dh);
    const uint8_t* srow = srcPixels + static_cast<ptrdiff_t>(sy) * srcPitch;
    uint8_t* drow = Pixels() + static_cast<ptrdiff_t>(y) * pitch_;
    for (int32_t x = visible.left; x < visible.right; ++x) {
      int32_t sx = s.left + static_cast<int32_t>((x - d.left) * sw / dw);
      uint32_t v = ReadPixel(srow + sx * bpp, bpp);
      if (keyed && InKeyRange(v, src->key_)) continue;
      WritePixel(drow + x * bpp, bpp, v);
    }
  }
  AfterWrite();
  if (std::shared_ptr<Display> disp = display_.lock()) disp->PresentIfDue();
  return DisplayResult::kOk;
}

DisplayResult Surface::BltFast(int32_t x, int32_t y, Surface* src, const Rect* srcRect,
                               uint32_t flags) {
  if (DisplayResult r = Writable("BltFast on a dead surface"); r != DisplayResult::kOk) return r;
  if (locked_ || dcOut_) return DisplayResult::kSurfaceBusy;
  if (src == nullptr) return DisplayResult::kInvalidParams;
  if (DisplayResult r = src->Usable("BltFast from a dead surface"); r != DisplayResult::kOk) {
    return r;
  }
  if (src != this && (src->locked_ || src->dcOut_)) return DisplayResult::kSurfaceBusy;
  if (!SamePixelLayout(format_, src->format_)) return DisplayResult::kInvalidPixelFormat;
  Rect s = srcRect != nullptr ? *srcRect : Rect{0, 0, src->width_, src->height_};
  if (!InsideSize(s, src->width_, src->height_)) return DisplayResult::kInvalidRect;
  Rect d{x, y, x + s.Width(), y + s.Height()};
  if (!InsideSize(d, width_, height_)) return DisplayResult::kInvalidRect;
  const bool keyed = (flags & kBltFastSrcColorKey) != 0;
  if (keyed && !src->hasKey_) return DisplayResult::kNoColorKey;

  const int32_t bpp = static_cast<int32_t>(format_.bitCount / 8);
  const size_t rowBytes = static_cast<size_t>(s.Width() * bpp);
  std::vector<uint8_t> snapshot;
  const uint8_t* srcPixels = src->Pixels();
  if (src->storage_ == storage_) {
    snapshot.assign(Pixels(),
                    Pixels() + static_cast<size_t>(pitch_) * static_cast<size_t>(height_));
    srcPixels = snapshot.data();
  }
  auto sourceRow = [&](int32_t row) {
    return srcPixels + static_cast<ptrdiff_t>(s.top + row) * src->pitch_ + s.left * bpp;
  };
  auto destRow = [&](int32_t row) {
    return Pixels() + static_cast<ptrdiff_t>(y + row) * pitch_ + x * bpp;
  };
  if (keyed && bpp == 4 && !s.Empty()) {
    display_internal::KeyedRows32(destRow(0), pitch_, sourceRow(0), src->pitch_, s.Width(),
                                  s.Height(), src->key_, CopyLevel());
  }
  for (int32_t row = 0; row < s.Height() && !(keyed && bpp == 4); ++row) {
    const uint8_t* sp = sourceRow(row);
    uint8_t* dp = destRow(row);
    if (!keyed) {
      std::memcpy(dp, sp, rowBytes);
    } else {
      for (int32_t i = 0; i < s.Width(); ++i) {
        uint32_t v = ReadPixel(sp + i * bpp, bpp);
        if (!InKeyRange(v, src->key_)) WritePixel(dp + i * bpp, bpp, v);
      }
    }
  }
  AfterWrite();
  if (std::shared_ptr<Display> disp = display_.lock()) disp->PresentIfDue();
  return DisplayResult::kOk;
}

// ---- device contexts ----

std::shared_ptr<DeviceContext> DeviceContext::ForBitmap(uint8_t* bits, int32_t width,
                                                        int32_t height, int32_t pitch,
                                                        const PixelFormat& format,
                                                        const PaletteEntry* palette) {
  if (bits == nullptr || width < 1 || height < 1) return nullptr;
  uint32_t bpp = format.bitCount / 8;
  if (bpp < 1 || bpp > 4 || format.bitCount % 8 != 0) return nullptr;
  if (pitch < width * static_cast<int32_t>(bpp) && -pitch < width * static_cast<int32_t>(bpp)) {
    return nullptr;
  }
  auto dc = std::make_shared<DeviceContext>();
  dc->bits_ = bits;
  dc->width_ = width;
  dc->height_ = height;
  dc->pitch_ = pitch;
  dc->format_ = format;
  dc->palette_ = palette;
  return dc;
}

bool BitBlt(DeviceContext* dest, int32_t x, int32_t y, int32_t w, int32_t h, DeviceContext* src,
            int32_t sx, int32_t sy) {
  if (dest == nullptr || src == nullptr || dest->released_ || src->released_ ||
      dest->bits_ == nullptr || src->bits_ == nullptr) {
    return false;
  }
  if (w <= 0 || h <= 0) return true;
  // Clip the pair of rectangles against both contexts, moving them together.
  int64_t x0 = x, y0 = y, sx0 = sx, sy0 = sy, ww = w, hh = h;
  if (x0 < 0) {
    sx0 -= x0;
    ww += x0;
    x0 = 0;
  }
  if (y0 < 0) {
    sy0 -= y0;
    hh += y0;
    y0 = 0;
  }
  if (sx0 < 0) {
    x0 -= sx0;
    ww += sx0;
    sx0 = 0;
  }
  if (sy0 < 0) {
    y0 -= sy0;
    hh += sy0;
    sy0 = 0;
  }
  ww = std::min({ww, int64_t{dest->width_} - x0, int64_t{src->width_} - sx0});
  hh = std::min({hh, int64_t{dest->height_} - y0, int64_t{src->height_} - sy0});
  if (ww <= 0 || hh <= 0) return true;

  const int sbpp = static_cast<int>(src->format_.bitCount / 8);
  const int dbpp = static_cast<int>(dest->format_.bitCount / 8);
  LayoutCodec from(src->format_, src->palette_);
  LayoutCodec to(dest->format_, dest->palette_);
  const bool same = SamePixelLayout(src->format_, dest->format_);
  std::vector<uint8_t> snapshot;  // the same pixels on both sides: read from a copy
  const uint8_t* sbits = src->bits_;
  if (src->bits_ == dest->bits_) {
    size_t bytes = static_cast<size_t>(std::abs(src->pitch_)) * static_cast<size_t>(src->height_);
    snapshot.assign(src->bits_, src->bits_ + bytes);
    sbits = snapshot.data();
  }
  for (int64_t row = 0; row < hh; ++row) {
    const uint8_t* sp = sbits + (sy0 + row) * src->pitch_ + sx0 * sbpp;
    uint8_t* dp = dest->bits_ + (y0 + row) * dest->pitch_ + x0 * dbpp;
    for (int64_t i = 0; i < ww; ++i) {
      uint32_t v = ReadPixel(sp + i * sbpp, sbpp);
      if (!same) v = to.Encode(from.Decode(v));
      WritePixel(dp + i * dbpp, dbpp, v);
    }
  }
  if (std::shared_ptr<Surface> written = dest->surface_.lock()) written->AfterWrite();
  return true;
}

}  // namespace platform
