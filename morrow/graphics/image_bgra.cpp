// The library's raw "BGRA" images: a 16-byte header (magic, channel-width word, width, height)
// and blue, green, red, alpha pixels of 8 or 16 bits per channel. 16-bit channels keep their
// high bytes.
#include <cstdlib>
#include <cstring>

#include "morrow/graphics/image_loader.h"
#include "morrow/graphics/image_loader_internal.h"

namespace morrow {
namespace {

using namespace image_internal;

constexpr uint32_t kEightBitChannels = 0x08080808;
constexpr uint32_t kSixteenBitChannels = 0x10101010;

}  // namespace

int LoadBgraImage(StreamSource* stream, GraphImage* out) {
  int64_t size;
  if (!MeasureStream(stream, &size)) return -1;
  uint8_t h[16];
  if (!ReadExact(stream, h, sizeof h) || std::memcmp(h, "BGRA", 4) != 0) return -1;
  const uint32_t channelWidths = Le32(h + 4);
  const int64_t width = static_cast<int32_t>(Le32(h + 8));
  const int64_t height = static_cast<int32_t>(Le32(h + 12));
  if (channelWidths != kEightBitChannels && channelWidths != kSixteenBitChannels) return -1;
  const int64_t pitch = width * 4;
  if (!ImageSizeFits(width, height, pitch)) return -1;
  const int64_t fileRow = channelWidths == kEightBitChannels ? pitch : width * 8;
  const int64_t here = Tell(stream);
  if (here < 0 || fileRow * height > size - here) return -1;

  auto* pixels = static_cast<uint8_t*>(AllocatePixels(static_cast<size_t>(pitch * height)));
  if (pixels == nullptr) return -1;
  if (channelWidths == kEightBitChannels) {
    if (!ReadExact(stream, pixels, static_cast<size_t>(pitch * height))) {
      std::free(pixels);
      return -1;
    }
  } else {
    auto* row = static_cast<uint8_t*>(AllocatePixels(static_cast<size_t>(fileRow)));
    bool ok = row != nullptr;
    for (int64_t y = 0; ok && y < height; ++y) {
      ok = ReadExact(stream, row, static_cast<size_t>(fileRow));
      uint8_t* dest = pixels + y * pitch;
      // Each 16-bit channel is little-endian: its high byte is the second.
      for (int64_t i = 0; ok && i < width * 4; ++i) dest[i] = row[2 * i + 1];
    }
    std::free(row);
    if (!ok) {
      std::free(pixels);
      return -1;
    }
  }
  InitColorFormatFromMasks(&out->format, 32, 0xFF0000u, 0xFF00u, 0xFFu, 0xFF000000u);
  out->width = static_cast<int32_t>(width);
  out->height = static_cast<int32_t>(height);
  out->pitch = static_cast<int32_t>(pitch);
  out->pixels = pixels;
  return 0;
}

}  // namespace morrow
