// The font of fixed geometry (MORROW_FONT=fake): every size and every character has a box that
// a test can work out by hand, so drawn text can be checked pixel by pixel.
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "platform/font.h"
#include "platform/font_backends.h"

namespace platform {
namespace {

// Far beyond any cell the library keeps, and small enough that every product stays in 64 bits.
constexpr int64_t kMaxFakeSize = int64_t{1} << 20;

class FakeFont : public Font {
 public:
  explicit FakeFont(int height) {
    int64_t s = height == 0 ? 16 : std::llabs(static_cast<int64_t>(height));
    s_ = std::min(s, kMaxFakeSize);
  }

  FontMetrics Metrics() const override {
    FontMetrics m;
    m.height = static_cast<int32_t>(s_);
    m.ascent = static_cast<int32_t>(Ascent());
    m.maxCharWidth = static_cast<int32_t>(s_);
    return m;
  }

  void TextExtent(const char* text, int32_t* width, int32_t* height) override {
    *width = static_cast<int32_t>(Advance(CharacterCode(text)));
    *height = static_cast<int32_t>(s_);
  }

  int64_t GlyphOutline(uint32_t code, GlyphFormat format, GlyphMetrics* metrics, uint8_t* buffer,
                       size_t bufferSize) override {
    const int64_t advance = Advance(code);
    int64_t w = advance - 2, h = Ascent() - 2;
    if (code == 0x20 || code == 0xA1A1 || w < 1 || h < 1) w = h = 0;
    *metrics = GlyphMetrics{};
    metrics->blackBoxWidth = static_cast<int32_t>(w);
    metrics->blackBoxHeight = static_cast<int32_t>(h);
    metrics->originX = 1;
    metrics->originY = static_cast<int32_t>(Ascent() - 1);
    metrics->cellIncX = static_cast<int32_t>(advance);
    const int64_t pitch = GlyphPitch(format, w);
    const int64_t size = pitch * h;
    if (buffer == nullptr || size == 0) return size;
    if (bufferSize < static_cast<size_t>(size)) return -1;
    std::memset(buffer, 0, static_cast<size_t>(size));
    for (int64_t j = 0; j < h; ++j) {
      uint8_t* row = buffer + j * pitch;
      for (int64_t i = 0; i < w; ++i) {
        if (format == GlyphFormat::kMono1) {
          row[i >> 3] |= static_cast<uint8_t>(0x80u >> (i & 7));
        } else {
          row[i] = i == w - 1 ? 8 : 16;
        }
      }
    }
    return size;
  }

 private:
  int64_t Ascent() const { return s_ - s_ / 4; }
  int64_t Advance(uint32_t code) const { return code > 0xFF ? s_ : s_ / 2; }

  int64_t s_ = 16;
};

}  // namespace

std::unique_ptr<Font> CreateFakeFont(const FontRequest& request) {
  return std::make_unique<FakeFont>(request.height);
}

}  // namespace platform
