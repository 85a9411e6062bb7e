// DDS loader for uncompressed surfaces: the format comes from a table of format codes stored in
// the FourCC field, or from the descriptor's bit count and channel masks. Block-compressed
// surfaces are not read.
#include <cstdlib>
#include <cstring>

#include "morrow/graphics/image_loader.h"
#include "morrow/graphics/image_loader_internal.h"

namespace morrow {
namespace {

using namespace image_internal;

constexpr size_t kDescriptorBytes = 124;
constexpr uint32_t kDdsdPitch = 0x8;
constexpr uint32_t kDdpfAlphaPixels = 0x1;
constexpr uint32_t kDdpfFourCc = 0x4;
constexpr uint32_t kDdpfRgb = 0x40;

struct FormatRow {
  uint32_t code;
  int bits;
  uint32_t red, green, blue, alpha;
};
constexpr FormatRow kFormats[] = {
    {20, 24, 0xFF0000, 0xFF00, 0xFF, 0},
    {21, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000},
    {22, 32, 0xFF0000, 0xFF00, 0xFF, 0},
    {23, 16, 0xF800, 0x7E0, 0x1F, 0},
    {24, 16, 0x7C00, 0x3E0, 0x1F, 0},
    {25, 16, 0x7C00, 0x3E0, 0x1F, 0x8000},
    {26, 16, 0xF00, 0xF0, 0xF, 0xF000},
    {27, 8, 0xE0, 0x1C, 0x3, 0},
    {29, 16, 0xE0, 0x1C, 0x3, 0xFF00},
    {30, 16, 0xF00, 0xF0, 0xF, 0},
    {31, 32, 0x3FF, 0xFFC00, 0x3FF00000, 0xC0000000},
    {32, 32, 0xFF, 0xFF00, 0xFF0000, 0xFF000000},
    {33, 32, 0xFF, 0xFF00, 0xFF0000, 0},
    {35, 32, 0x3FF00000, 0xFFC00, 0x3FF, 0xC0000000},
};

// A channel mask of the descriptor: one run of bits inside the pixel (alpha may be absent).
bool MaskFits(uint32_t mask, int bits, bool optional) {
  if (mask == 0) return optional;
  if (!IsContiguousMask(mask)) return false;
  return bits >= 32 || (mask >> bits) == 0;
}

}  // namespace

int LoadDdsImage(StreamSource* stream, GraphImage* out) {
  int64_t size;
  if (!MeasureStream(stream, &size)) return -1;
  uint8_t magic[4];
  uint8_t d[kDescriptorBytes];
  if (!ReadExact(stream, magic, sizeof magic) || std::memcmp(magic, "DDS ", 4) != 0) return -1;
  if (!ReadExact(stream, d, sizeof d)) return -1;
  const uint32_t flags = Le32(d + 4);
  const int64_t height = static_cast<int32_t>(Le32(d + 8));
  const int64_t width = static_cast<int32_t>(Le32(d + 12));
  const uint32_t pitchField = Le32(d + 16);
  const uint8_t* pf = d + 72;
  const uint32_t pfFlags = Le32(pf + 4);
  const uint32_t fourCc = Le32(pf + 8);

  int bits = 0;
  uint32_t red = 0, green = 0, blue = 0, alpha = 0;
  if (pfFlags == kDdpfFourCc) {
    // Only the format codes of the table; a FourCC naming a compressed format has no bit count
    // and no rows, so it is refused.
    const FormatRow* row = nullptr;
    for (const FormatRow& f : kFormats) {
      if (f.code == fourCc) row = &f;
    }
    if (row == nullptr) return -1;
    bits = row->bits;
    red = row->red;
    green = row->green;
    blue = row->blue;
    alpha = row->alpha;
  } else {
    if ((pfFlags & kDdpfRgb) != 0 && (pfFlags & kDdpfAlphaPixels) == 0) return -1;
    bits = static_cast<int>(Le32(pf + 12));
    red = Le32(pf + 16);
    green = Le32(pf + 20);
    blue = Le32(pf + 24);
    alpha = Le32(pf + 28);
    if (bits != 8 && bits != 16 && bits != 24 && bits != 32) return -1;
    if (!MaskFits(red, bits, false) || !MaskFits(green, bits, false) ||
        !MaskFits(blue, bits, false) || !MaskFits(alpha, bits, true)) {
      return -1;
    }
  }

  const int64_t minimumPitch = int64_t{bits / 8} * width;
  const int64_t pitch = (flags & kDdsdPitch) != 0 ? int64_t{pitchField} : minimumPitch;
  if (pitch < minimumPitch || !ImageSizeFits(width, height, pitch)) return -1;
  const int64_t here = Tell(stream);
  if (here < 0 || pitch * height > size - here) return -1;
  auto* pixels = static_cast<uint8_t*>(AllocatePixels(static_cast<size_t>(pitch * height)));
  if (pixels == nullptr) return -1;
  if (!ReadExact(stream, pixels, static_cast<size_t>(pitch * height))) {
    std::free(pixels);
    return -1;
  }
  InitColorFormatFromMasks(&out->format, bits, red, green, blue, alpha);
  out->width = static_cast<int32_t>(width);
  out->height = static_cast<int32_t>(height);
  out->pitch = static_cast<int32_t>(pitch);
  out->pixels = pixels;
  return 0;
}

}  // namespace morrow
