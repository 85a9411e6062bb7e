// BMP loader. Uncompressed 24, 8 and 4-bit images are taken as they are (4-bit pixels widened to
// one byte each, rows turned top-down); every other variant (1-bit, 16 and 32-bit, bit fields,
// RLE8, RLE4) is converted into a top-down 24-bit image with rows padded to 4 bytes.
#include <climits>
#include <cstdlib>
#include <cstring>

#include "morrow/graphics/image_loader.h"
#include "morrow/graphics/image_loader_internal.h"
#include "morrow/system/log.h"

namespace morrow {
namespace {

using namespace image_internal;

constexpr uint32_t kBiRgb = 0;
constexpr uint32_t kBiRle8 = 1;
constexpr uint32_t kBiRle4 = 2;
constexpr uint32_t kBiBitfields = 3;

constexpr size_t kFileHeaderBytes = 14;
constexpr size_t kInfoHeaderBytes = 40;

struct BmpInfo {
  int64_t fileSize;
  uint32_t pixelOffset;
  uint32_t headerSize;
  int32_t width;
  int64_t rows;
  bool bottomUp;
  int bitCount;
  uint32_t compression;
  uint32_t colorsUsed;
  int64_t rowSize;  // bytes of one stored row of an uncompressed image
  uint32_t masks[3];
  uint32_t palette[256];  // 0x00RRGGBB
};

bool CompressionFits(int bitCount, uint32_t compression) {
  switch (compression) {
    case kBiRgb:
      return true;
    case kBiRle8:
      return bitCount == 8;
    case kBiRle4:
      return bitCount == 4;
    case kBiBitfields:
      return bitCount == 16 || bitCount == 32;
    default:
      return false;
  }
}

bool ReadHeaders(StreamSource* s, BmpInfo* info) {
  if (!MeasureStream(s, &info->fileSize)) return false;
  uint8_t fh[kFileHeaderBytes];
  uint8_t ih[kInfoHeaderBytes];
  if (!ReadExact(s, fh, sizeof fh) || fh[0] != 'B' || fh[1] != 'M') return false;
  if (!ReadExact(s, ih, sizeof ih)) return false;
  info->pixelOffset = Le32(fh + 10);
  info->headerSize = Le32(ih);
  info->width = static_cast<int32_t>(Le32(ih + 4));
  int32_t height = static_cast<int32_t>(Le32(ih + 8));
  info->bitCount = Le16(ih + 14);
  info->compression = Le32(ih + 16);
  info->colorsUsed = Le32(ih + 32);

  if (info->headerSize < kInfoHeaderBytes ||
      int64_t{kFileHeaderBytes} + info->headerSize > info->fileSize) {
    return false;
  }
  if (info->width <= 0 || height == 0 || height == INT32_MIN) return false;
  info->bottomUp = height > 0;
  info->rows = height > 0 ? int64_t{height} : -int64_t{height};
  if (info->width > kMaxImageSide || info->rows > kMaxImageSide) return false;
  switch (info->bitCount) {
    case 1:
    case 4:
    case 8:
    case 16:
    case 24:
    case 32:
      break;
    default:
      return false;
  }
  if (!CompressionFits(info->bitCount, info->compression)) return false;
  if (int64_t{info->pixelOffset} >= info->fileSize) return false;
  info->rowSize = (int64_t{info->bitCount} * info->width + 31) / 32 * 4;

  // Channel masks: the bit-field masks follow the 40-byte header (and sit at the same place
  // inside the larger headers); otherwise the defaults of the depth.
  if (info->compression == kBiBitfields) {
    uint8_t m[12];
    if (!SeekTo(s, kFileHeaderBytes + kInfoHeaderBytes) || !ReadExact(s, m, sizeof m)) {
      return false;
    }
    for (int i = 0; i < 3; ++i) {
      info->masks[i] = Le32(m + 4 * i);
      if (!IsContiguousMask(info->masks[i])) return false;
    }
  } else if (info->bitCount == 16) {
    info->masks[0] = 0x7C00;
    info->masks[1] = 0x03E0;
    info->masks[2] = 0x001F;
  } else {
    info->masks[0] = 0xFF0000;
    info->masks[1] = 0xFF00;
    info->masks[2] = 0xFF;
  }

  // The colour table follows the header, whatever its size. A colour count shorter than the
  // depth allows is legal; the entries it leaves out are black.
  std::memset(info->palette, 0, sizeof info->palette);
  if (info->bitCount <= 8) {
    uint32_t entries = 1u << info->bitCount;
    if (info->colorsUsed != 0 && info->colorsUsed < entries) entries = info->colorsUsed;
    uint8_t table[256 * 4];
    if (!SeekTo(s, int64_t{kFileHeaderBytes} + info->headerSize) ||
        !ReadExact(s, table, entries * 4)) {
      return false;
    }
    for (uint32_t i = 0; i < entries; ++i) {
      const uint8_t* e = table + 4 * i;
      info->palette[i] = (uint32_t{e[2]} << 16) | (uint32_t{e[1]} << 8) | e[0];
    }
  }
  return true;
}

bool UncompressedDataPresent(const BmpInfo& info) {
  return info.rowSize * info.rows <= info.fileSize - info.pixelOffset;
}

// Row i of the file as a row of the top-down image.
int64_t DestRow(const BmpInfo& info, int64_t i) {
  return info.bottomUp ? info.rows - 1 - i : i;
}

// 24-bit, 8-bit and 4-bit uncompressed images keep their pixels.
int LoadDirect(StreamSource* s, const BmpInfo& info, GraphImage* out) {
  int64_t pitch = info.bitCount == 4 ? (int64_t{info.width} + 3) / 4 * 4 : info.rowSize;
  if (!ImageSizeFits(info.width, info.rows, pitch) || !UncompressedDataPresent(info)) return -1;
  if (!SeekTo(s, info.pixelOffset)) return -1;
  auto* pixels = static_cast<uint8_t*>(AllocateZeroPixels(static_cast<size_t>(pitch * info.rows)));
  if (pixels == nullptr) return -1;
  uint8_t* row = nullptr;
  if (info.bitCount == 4) {
    row = static_cast<uint8_t*>(AllocatePixels(static_cast<size_t>(info.rowSize)));
    if (row == nullptr) {
      std::free(pixels);
      return -1;
    }
  }
  for (int64_t i = 0; i < info.rows; ++i) {
    uint8_t* dest = pixels + DestRow(info, i) * pitch;
    bool ok;
    if (info.bitCount == 4) {
      ok = ReadExact(s, row, static_cast<size_t>(info.rowSize));
      for (int32_t x = 0; ok && x < info.width; ++x) {
        uint8_t b = row[x / 2];
        dest[x] = (x & 1) != 0 ? (b & 0x0F) : (b >> 4);
      }
    } else {
      ok = ReadExact(s, dest, static_cast<size_t>(info.rowSize));
    }
    if (!ok) {
      std::free(row);
      std::free(pixels);
      return -1;
    }
  }
  std::free(row);
  if (info.bitCount == 24) {
    InitRgb24ColorFormat(&out->format);
  } else {
    InitPalette8ColorFormat(&out->format);
    std::memcpy(out->format.palette, info.palette, sizeof info.palette);
  }
  out->width = info.width;
  out->height = static_cast<int32_t>(info.rows);
  out->pitch = static_cast<int32_t>(pitch);
  out->pixels = pixels;
  return 0;
}

void PutRgb(uint8_t* p, uint32_t rgb) {
  p[0] = static_cast<uint8_t>(rgb);
  p[1] = static_cast<uint8_t>(rgb >> 8);
  p[2] = static_cast<uint8_t>(rgb >> 16);
}

struct ChannelMask {
  uint32_t mask;
  uint8_t shift;
  uint8_t width;
};

uint8_t Channel(uint32_t v, const ChannelMask& c) {
  return static_cast<uint8_t>(ConvertChannelWidth((v & c.mask) >> c.shift, c.width, 8));
}

// 1-bit, 16-bit and 32-bit rows (plain or bit fields) into 24-bit rows.
bool ConvertUncompressed(StreamSource* s, const BmpInfo& info, uint8_t* pixels, int64_t pitch) {
  if (!SeekTo(s, info.pixelOffset)) return false;
  auto* row = static_cast<uint8_t*>(AllocatePixels(static_cast<size_t>(info.rowSize)));
  if (row == nullptr) {
    WriteLog("ＤＩＢの作成に失敗しました3\n");
    return false;
  }
  ChannelMask c[3];
  for (int i = 0; i < 3; ++i) {
    c[i].mask = info.masks[i];
    MaskShiftAndWidth(c[i].mask, &c[i].shift, &c[i].width);
  }
  bool ok = true;
  for (int64_t i = 0; ok && i < info.rows; ++i) {
    ok = ReadExact(s, row, static_cast<size_t>(info.rowSize));
    uint8_t* dest = pixels + DestRow(info, i) * pitch;
    for (int32_t x = 0; ok && x < info.width; ++x, dest += 3) {
      if (info.bitCount == 1) {
        PutRgb(dest, info.palette[(row[x / 8] >> (7 - x % 8)) & 1]);
        continue;
      }
      uint32_t v = info.bitCount == 16 ? Le16(row + 2 * x) : Le32(row + 4 * x);
      dest[0] = Channel(v, c[2]);
      dest[1] = Channel(v, c[1]);
      dest[2] = Channel(v, c[0]);
    }
  }
  std::free(row);
  return ok;
}

// RLE8 and RLE4: the data runs from the pixel offset to the end of the file. Runs, deltas and
// absolute runs that leave the image are cut at its edge; data that ends early leaves the rest
// of the image black, as does a pixel never reached.
bool ConvertRunLength(StreamSource* s, const BmpInfo& info, uint8_t* pixels, int64_t pitch) {
  if (!SeekTo(s, info.pixelOffset)) return false;
  ChunkReader r;
  StartChunkReader(&r, s, info.fileSize - info.pixelOffset);
  const bool four = info.compression == kBiRle4;
  const int64_t width = info.width;
  int64_t x = 0;
  int64_t y = 0;
  auto put = [&](uint8_t index) {
    if (x < width) PutRgb(pixels + DestRow(info, y) * pitch + x * 3, info.palette[index]);
    if (x < width) ++x;
  };
  uint8_t pair[2];
  while (y < info.rows && NextBytes(&r, pair, 2)) {
    if (pair[0] != 0) {
      int n = pair[0];
      if (n > width - x) n = static_cast<int>(width - x);
      for (int i = 0; i < n; ++i) {
        put(four ? ((i & 1) != 0 ? (pair[1] & 0x0F) : (pair[1] >> 4)) : pair[1]);
      }
      continue;
    }
    switch (pair[1]) {
      case 0:  // end of line
        x = 0;
        ++y;
        break;
      case 1:  // end of bitmap
        return true;
      case 2: {  // delta
        uint8_t d[2];
        if (!NextBytes(&r, d, 2)) return true;
        x = x + d[0] < width ? x + d[0] : width;
        y += d[1];
        break;
      }
      default: {  // absolute run, padded to a 16-bit boundary
        int n = pair[1];
        int bytes = four ? (n + 1) / 2 : n;
        uint8_t run[256];
        if (!NextBytes(&r, run, static_cast<size_t>(bytes + (bytes & 1)))) return true;
        for (int i = 0; i < n; ++i) {
          put(four ? ((i & 1) != 0 ? (run[i / 2] & 0x0F) : (run[i / 2] >> 4)) : run[i]);
        }
        break;
      }
    }
  }
  return true;
}

int LoadConverted(StreamSource* s, const BmpInfo& info, GraphImage* out) {
  int64_t pitch = (int64_t{info.width} * 3 + 3) / 4 * 4;
  if (!ImageSizeFits(info.width, info.rows, pitch)) return -1;
  bool runLength = info.compression == kBiRle8 || info.compression == kBiRle4;
  if (!runLength && !UncompressedDataPresent(info)) return -1;
  auto* pixels = static_cast<uint8_t*>(AllocateZeroPixels(static_cast<size_t>(pitch * info.rows)));
  if (pixels == nullptr) {
    return WriteLog("２４ビットカラー化したグラフィックを格納するメモリ領域の確保に失敗しました\n");
  }
  bool ok = runLength ? ConvertRunLength(s, info, pixels, pitch)
                      : ConvertUncompressed(s, info, pixels, pitch);
  if (!ok) {
    std::free(pixels);
    return -1;
  }
  InitRgb24ColorFormat(&out->format);
  out->width = info.width;
  out->height = static_cast<int32_t>(info.rows);
  out->pitch = static_cast<int32_t>(pitch);
  out->pixels = pixels;
  return 0;
}

}  // namespace

int LoadBmpImage(StreamSource* stream, GraphImage* out) {
  BmpInfo info;
  if (!ReadHeaders(stream, &info)) return -1;
  bool direct = info.compression == kBiRgb &&
                (info.bitCount == 24 || info.bitCount == 8 || info.bitCount == 4);
  return direct ? LoadDirect(stream, info, out) : LoadConverted(stream, info, out);
}

}  // namespace morrow
