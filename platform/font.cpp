// The font service's choice of back end, the conversion of one GBK character, and the output of
// a character into a cell buffer, which every back end shares so that it always agrees with the
// 1-bit outline.
#include "platform/font.h"

#include <iconv.h>

#include <algorithm>
#include <cstring>
#include <mutex>
#include <vector>

#include "platform/env.h"
#include "platform/font_backends.h"

namespace platform {
namespace {

FontFactory& InstalledFactory() {
  static FontFactory factory;
  return factory;
}

// Writes value into pixel (x, y) of a 1- or 8-bit buffer when it lies inside.
void PutPixel(uint8_t* pixels, int64_t pitch, int bitsPerPixel, int32_t width, int32_t height,
              int64_t x, int64_t y, uint32_t value) {
  if (x < 0 || y < 0 || x >= width || y >= height) return;
  uint8_t* row = pixels + y * pitch;
  if (bitsPerPixel == 8) {
    row[x] = static_cast<uint8_t>(value);
    return;
  }
  const uint8_t bit = static_cast<uint8_t>(0x80u >> (x & 7));
  if (value != 0) {
    row[x >> 3] |= bit;
  } else {
    row[x >> 3] &= static_cast<uint8_t>(~bit);
  }
}

}  // namespace

uint32_t CharacterCode(const char* text) {
  const auto first = static_cast<uint8_t>(text[0]);
  if (first == 0) return 0;
  const auto second = static_cast<uint8_t>(text[1]);
  return second != 0 ? static_cast<uint32_t>(first) << 8 | second : first;
}

int64_t GlyphPitch(GlyphFormat format, int64_t width) {
  if (width <= 0) return 0;
  return format == GlyphFormat::kMono1 ? (width + 31) / 32 * 4 : (width + 3) / 4 * 4;
}

bool DrawCharacter(Font& font, const char* text, uint8_t* pixels, int64_t pitch, int bitsPerPixel,
                   int32_t width, int32_t height, int32_t x, int32_t y, uint32_t value) {
  if (text == nullptr || pixels == nullptr || (bitsPerPixel != 1 && bitsPerPixel != 8)) {
    return false;
  }
  int32_t advance = 0, lineHeight = 0;
  font.TextExtent(text, &advance, &lineHeight);
  GlyphMetrics m;
  const uint32_t code = CharacterCode(text);
  const int64_t size = font.GlyphOutline(code, GlyphFormat::kMono1, &m, nullptr, 0);
  if (size < 0) return false;
  std::vector<uint8_t> bits(static_cast<size_t>(size));
  if (size > 0 && font.GlyphOutline(code, GlyphFormat::kMono1, &m, bits.data(), bits.size()) < 0) {
    return false;
  }

  // Only the part of a box that lies inside the buffer is visited.
  auto span = [](int64_t from, int64_t count, int64_t limit, int64_t* lo, int64_t* hi) {
    *lo = std::max<int64_t>(0, -from);
    *hi = std::min<int64_t>(count, limit - from);
  };
  int64_t i0 = 0, i1 = 0, j0 = 0, j1 = 0;
  span(x, advance, width, &i0, &i1);
  span(y, lineHeight, height, &j0, &j1);
  for (int64_t j = j0; j < j1; ++j) {
    for (int64_t i = i0; i < i1; ++i) {
      PutPixel(pixels, pitch, bitsPerPixel, width, height, x + i, y + j, 0);
    }
  }
  const int64_t left = int64_t{x} + m.originX;
  const int64_t top = int64_t{y} + font.Metrics().ascent - m.originY;
  const int64_t glyphPitch = GlyphPitch(GlyphFormat::kMono1, m.blackBoxWidth);
  span(left, m.blackBoxWidth, width, &i0, &i1);
  span(top, m.blackBoxHeight, height, &j0, &j1);
  for (int64_t j = j0; j < j1; ++j) {
    const uint8_t* row = bits.data() + j * glyphPitch;
    for (int64_t i = i0; i < i1; ++i) {
      if ((row[i >> 3] & (0x80u >> (i & 7))) != 0) {
        PutPixel(pixels, pitch, bitsPerPixel, width, height, left + i, top + j, value);
      }
    }
  }
  return true;
}

std::unique_ptr<Font> CreateFont(const FontRequest& request) {
  if (const FontFactory& factory = InstalledFactory()) return factory(request);
  if (auto choice = EnvSetting("MORROW_FONT")) {
    if (*choice == "fake") return CreateFakeFont(request);
    return CreateFreeTypeFont(request, &*choice);
  }
  return CreateFreeTypeFont(request, nullptr);
}

void InstallFontFactory(FontFactory factory) {
  InstalledFactory() = std::move(factory);
}

bool GbkCodeToUnicode(uint32_t code, char32_t* out) {
  if (code < 0x80) {
    *out = code;
    return true;
  }
  if (code > 0xFFFF) return false;
  char in[2];
  size_t inLeft = 0;
  if (code <= 0xFF) {
    in[inLeft++] = static_cast<char>(code);
  } else {
    in[inLeft++] = static_cast<char>(code >> 8);
    in[inLeft++] = static_cast<char>(code & 0xFF);
  }
  static std::mutex mutex;
  static iconv_t cd = iconv_open("UTF-32LE", "CP936");
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  std::lock_guard<std::mutex> lock(mutex);
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  char* src = in;
  unsigned char utf32[8] = {};
  char* dst = reinterpret_cast<char*>(utf32);
  size_t dstLeft = sizeof utf32;
  // The whole input must make exactly one character.
  if (iconv(cd, &src, &inLeft, &dst, &dstLeft) == static_cast<size_t>(-1) || inLeft != 0 ||
      sizeof utf32 - dstLeft != 4) {
    return false;
  }
  *out = static_cast<char32_t>(utf32[0] | utf32[1] << 8 | utf32[2] << 16 |
                               static_cast<uint32_t>(utf32[3]) << 24);
  return true;
}

int OemCodePage() {
  return 936;
}

}  // namespace platform
