// The font service: scalable fonts asked for by height, weight, character set and face, their
// metrics, the extent of a character, its glyph as a 1-bit or a 17-level bitmap, and the output
// of one character into a cell buffer.
//
// The library was written against a system font interface that takes GBK text. This service
// keeps only what the library relies on:
//   - a font is made from a FontRequest; creation fails only when no font matches or the font
//     file cannot be opened, so that the library's retries with other character sets run;
//   - a character is one byte, or two bytes of GBK; its code is the byte, or first << 8 | second;
//     a code that does not convert to Unicode gets the font's missing glyph;
//   - glyph bitmaps have rows padded to 4 bytes, the 1-bit form with its most significant bit
//     leftmost, the grey form one byte a pixel with levels 0..16 = (coverage x 16 + 127) / 255;
//     a blank glyph has size 0 and a 0 x 0 box.
//
// Back ends, chosen by MORROW_FONT when a font is made:
//   unset   FreeType over a face found by fontconfig (the face asked for, else WenQuanYi Micro
//           Hei Mono; the language by the character set; mono spacing).
//   fake    a font of fixed geometry for exact tests (CreateFakeFont, below).
//   PATH    FreeType over that font file alone; a missing or unreadable file fails every font.
// Either file is opened by the platform, without waiting, and read by FreeType through that
// descriptor: anything but a regular file (a named pipe, a folder, a device) fails the font at
// once after one line, "morrow: cannot read the font PATH: REASON".
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace platform {

// Character sets a font is asked for.
constexpr int kCharsetDefault = 1;
constexpr int kCharsetShiftJis = 128;
constexpr int kCharsetHangul = 129;
constexpr int kCharsetGb2312 = 134;

struct FontRequest {
  // Positive: the cell height (ascent + descent) in pixels; negative: the character height (the
  // em size); 0 counts as 16.
  int height = 0;
  // 100 x thickness; 600 and above is emboldened.
  int weight = 400;
  int charset = kCharsetGb2312;
  // GBK; empty asks for the default face.
  std::string face;
};

struct FontMetrics {
  int32_t height = 0;  // ascent + descent
  int32_t ascent = 0;
  int32_t maxCharWidth = 0;
};

struct GlyphMetrics {
  int32_t blackBoxWidth = 0;
  int32_t blackBoxHeight = 0;
  // The box's top-left corner from the pen on the baseline, y counting upwards.
  int32_t originX = 0;
  int32_t originY = 0;
  int32_t cellIncX = 0;  // the pen's advance
  int32_t cellIncY = 0;
};

enum class GlyphFormat {
  kMono1,   // 1 bit a pixel
  kGray17,  // one byte a pixel, levels 0..16
};

// Bytes of one row of a glyph bitmap: padded to 4 bytes.
int64_t GlyphPitch(GlyphFormat format, int64_t width);

class Font {
 public:
  virtual ~Font() = default;
  virtual FontMetrics Metrics() const = 0;
  // The extent of a zero-terminated text of one or two bytes (further bytes are not read): its
  // advance and the font's height.
  virtual void TextExtent(const char* text, int32_t* width, int32_t* height) = 0;
  // The glyph of a code. Fills metrics and returns the bitmap's size (pitch x box height); when
  // buffer is not null and bufferSize holds that size, the bitmap is written there. -1 when the
  // glyph cannot be had or the buffer is too small.
  virtual int64_t GlyphOutline(uint32_t code, GlyphFormat format, GlyphMetrics* metrics,
                               uint8_t* buffer, size_t bufferSize) = 0;
};

// Writes a zero-terminated text of one or two bytes into a buffer of 1 or 8 bits a pixel (1-bit
// rows most significant bit leftmost) with the pen at (x, y), the top of the line: the extent
// box (advance x height) is cleared to 0 and the glyph's set pixels, as its 1-bit outline gives
// them, take value (at 1 bit: set when value is not 0). Nothing is written outside
// width x height. False when the glyph cannot be had.
bool DrawCharacter(Font& font, const char* text, uint8_t* pixels, int64_t pitch, int bitsPerPixel,
                   int32_t width, int32_t height, int32_t x, int32_t y, uint32_t value);

// A font as MORROW_FONT chooses (see above), or by the installed factory; null when none can
// be made.
std::unique_ptr<Font> CreateFont(const FontRequest& request);

// The fixed-geometry font. For a size s (the height's magnitude, 0 counting as 16): height s,
// ascent s - s/4, maximum width s. A one-byte character advances s/2, a two-byte one s; 0x20 and
// 0xA1A1 are blank; every other code has a box of (advance - 2) x (ascent - 2) at origin
// (1, ascent - 1), blank when either side is below 1: level 16 but level 8 in its last column,
// every pixel set in the 1-bit form.
std::unique_ptr<Font> CreateFakeFont(const FontRequest& request);

// Replaces the back end for tests; an empty function puts MORROW_FONT's choice back.
using FontFactory = std::function<std::unique_ptr<Font>(const FontRequest&)>;
void InstallFontFactory(FontFactory factory);

// One character of GBK (a byte, or first << 8 | second) as a Unicode code point. False when the
// code is no character of code page 936.
bool GbkCodeToUnicode(uint32_t code, char32_t* out);

// The system's OEM code page: 936 here.
int OemCodePage();

}  // namespace platform
