// TGA loader: true-colour and colour-mapped images of 16, 24 and 32 bits, plain or run-length
// coded, in any of the four storage orders. Files without the footer signature (the older
// layout, most files) are read from the start with alpha bits taken as alpha; with a footer, an
// extension area may switch the alpha bits off, or on for 16-bit pixels too.
#include <cstdlib>
#include <cstring>

#include "morrow/graphics/image_loader.h"
#include "morrow/graphics/image_loader_internal.h"

namespace morrow {
namespace {

using namespace image_internal;

constexpr int64_t kHeaderBytes = 18;
constexpr int64_t kFooterBytes = 26;
constexpr int64_t kExtensionBytes = 495;
constexpr int kMaxSide = 4095;  // the format's images stay below 4096 here

// Alpha modes: 0 no alpha, 1 alpha bits are alpha, 3 alpha bits are alpha also for 16-bit pixels.
struct TgaLayout {
  int alphaMode;
  int64_t dataEnd;  // where run-length data stops: the footer, or the end of the file
};

bool ReadLayout(StreamSource* s, int64_t size, TgaLayout* layout) {
  layout->alphaMode = 1;
  layout->dataEnd = size;
  if (size < kFooterBytes) return true;
  uint8_t footer[kFooterBytes];
  if (!SeekTo(s, size - kFooterBytes) || !ReadExact(s, footer, sizeof footer)) return false;
  if (std::memcmp(footer + 8, "TRUEVISION-XFILE", 16) != 0) return true;
  layout->dataEnd = size - kFooterBytes;
  const int64_t extension = Le32(footer);
  if (extension == 0) return true;
  if (extension + kExtensionBytes > size) return false;
  uint8_t area[kExtensionBytes];
  if (!SeekTo(s, extension) || !ReadExact(s, area, sizeof area)) return false;
  layout->alphaMode = area[kExtensionBytes - 1] == 3 ? 3 : 0;
  return true;
}

struct TgaImage {
  int width;
  int height;
  bool topDown;
  bool rightToLeft;
  bool mapped;
  int bytesPerPixel;     // of the image (the entry size for colour-mapped images)
  uint8_t map[256 * 4];  // colour-map entries, zero where the file gives none
  uint8_t* pixels;
};

// Element i in the file's order stored at its place in the top-down, left-to-right image.
void Place(const TgaImage& t, int64_t i, const uint8_t* element) {
  int64_t row = i / t.width;
  int64_t col = i % t.width;
  if (!t.topDown) row = t.height - 1 - row;
  if (t.rightToLeft) col = t.width - 1 - col;
  const uint8_t* src = t.mapped ? t.map + element[0] * t.bytesPerPixel : element;
  std::memcpy(t.pixels + (row * t.width + col) * t.bytesPerPixel, src,
              static_cast<size_t>(t.bytesPerPixel));
}

bool ReadPlain(StreamSource* s, int64_t size, const TgaImage& t) {
  const int64_t elementBytes = t.mapped ? 1 : t.bytesPerPixel;
  const int64_t rowBytes = elementBytes * t.width;
  const int64_t here = Tell(s);
  if (here < 0 || rowBytes * t.height > size - here) return false;
  auto* row = static_cast<uint8_t*>(AllocatePixels(static_cast<size_t>(rowBytes)));
  if (row == nullptr) return false;
  bool ok = true;
  for (int64_t y = 0; ok && y < t.height; ++y) {
    ok = ReadExact(s, row, static_cast<size_t>(rowBytes));
    for (int64_t x = 0; ok && x < t.width; ++x) Place(t, y * t.width + x, row + x * elementBytes);
  }
  std::free(row);
  return ok;
}

// Packets: bit 7 set repeats the one element that follows (low 7 bits + 1) times; clear, that
// many elements follow as they are. Decoding stops at the image's last pixel; data that runs out
// before it refuses the file.
bool ReadRunLength(StreamSource* s, int64_t dataEnd, const TgaImage& t) {
  const int64_t here = Tell(s);
  if (here < 0 || dataEnd <= here) return false;
  ChunkReader r;
  StartChunkReader(&r, s, dataEnd - here);
  const size_t elementBytes = t.mapped ? 1 : static_cast<size_t>(t.bytesPerPixel);
  const int64_t total = int64_t{t.width} * t.height;
  uint8_t element[4];
  int64_t i = 0;
  while (i < total) {
    uint8_t packet;
    if (!NextByte(&r, &packet)) return false;
    int n = (packet & 0x7F) + 1;
    if ((packet & 0x80) != 0) {
      if (!NextBytes(&r, element, elementBytes)) return false;
      for (; n > 0 && i < total; --n) Place(t, i++, element);
    } else {
      for (; n > 0 && i < total; --n) {
        if (!NextBytes(&r, element, elementBytes)) return false;
        Place(t, i++, element);
      }
    }
  }
  return true;
}

}  // namespace

int LoadTgaImage(StreamSource* stream, GraphImage* out) {
  int64_t size;
  if (!MeasureStream(stream, &size) || size < kHeaderBytes) return -1;
  TgaLayout layout;
  if (!ReadLayout(stream, size, &layout)) return -1;
  uint8_t h[kHeaderBytes];
  if (!SeekTo(stream, 0) || !ReadExact(stream, h, sizeof h)) return -1;
  const int idLength = h[0];
  const int mapType = h[1];
  const int type = h[2];
  const int mapFirst = Le16(h + 3);
  const int mapLength = Le16(h + 5);
  const int mapEntryBits = h[7];
  const int width = Le16(h + 12);
  const int height = Le16(h + 14);
  const int depth = h[16];
  const int descriptor = h[17];

  if (idLength != 0 || Le16(h + 8) != 0 || Le16(h + 10) != 0) return -1;
  if (type != 1 && type != 2 && type != 9 && type != 10) return -1;
  if (width < 1 || width > kMaxSide || height < 1 || height > kMaxSide) return -1;
  if (mapType > 1) return -1;

  auto* t = static_cast<TgaImage*>(std::calloc(1, sizeof(TgaImage)));
  if (t == nullptr) return -1;
  t->width = width;
  t->height = height;
  t->topDown = (descriptor & 0x20) != 0;
  t->rightToLeft = (descriptor & 0x10) != 0;
  t->mapped = type == 1 || type == 9;
  const int mapEntryBytes = (mapEntryBits + 7) / 8;
  int pixelBits;
  bool ok = true;
  if (t->mapped) {
    pixelBits = mapEntryBits;
    ok = mapType == 1 && depth == 8 && mapFirst + mapLength <= 256 &&
         (pixelBits == 16 || pixelBits == 24 || pixelBits == 32) &&
         ReadExact(stream, t->map + mapFirst * mapEntryBytes,
                   static_cast<size_t>(mapLength * mapEntryBytes));
  } else {
    pixelBits = depth;
    ok = pixelBits == 16 || pixelBits == 24 || pixelBits == 32;
    // A colour map beside true-colour pixels is not used; its bytes come before the pixels.
    if (ok && mapType == 1) ok = SeekTo(stream, kHeaderBytes + int64_t{mapLength} * mapEntryBytes);
  }
  if (layout.alphaMode == 3 && pixelBits == 24) ok = false;
  t->bytesPerPixel = pixelBits / 8;
  const int64_t pitch = int64_t{width} * t->bytesPerPixel;
  if (!ok || !ImageSizeFits(width, height, pitch)) {
    std::free(t);
    return -1;
  }
  t->pixels = static_cast<uint8_t*>(AllocateZeroPixels(static_cast<size_t>(pitch * height)));
  if (t->pixels == nullptr) {
    std::free(t);
    return -1;
  }
  ok = type >= 9 ? ReadRunLength(stream, layout.dataEnd, *t) : ReadPlain(stream, size, *t);
  if (!ok) {
    std::free(t->pixels);
    std::free(t);
    return -1;
  }

  const bool alphaBits = (layout.alphaMode & 1) != 0;
  if (pixelBits == 16) {
    InitColorFormatFromMasks(&out->format, 16, 0x7C00, 0x03E0, 0x001F,
                             layout.alphaMode == 3 ? 0x8000u : 0u);
  } else {
    InitColorFormatFromMasks(&out->format, pixelBits, 0xFF0000u, 0xFF00u, 0xFFu,
                             pixelBits == 32 && alphaBits ? 0xFF000000u : 0u);
  }
  out->width = width;
  out->height = height;
  out->pitch = static_cast<int32_t>(pitch);
  out->pixels = t->pixels;
  std::free(t);
  return 0;
}

}  // namespace morrow
