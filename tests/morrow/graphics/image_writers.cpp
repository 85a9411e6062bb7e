#include "tests/morrow/graphics/image_writers.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>

// clang-format off
#include <jpeglib.h>
// clang-format on

#include "morrow/device/color_format.h"

namespace imagetest {
namespace {

uint32_t Hash(uint32_t v) {
  v ^= v >> 16;
  v *= 0x7feb352dU;
  v ^= v >> 15;
  v *= 0x846ca68bU;
  v ^= v >> 16;
  return v;
}

void MaskShift(uint32_t mask, int* shift, int* width) {
  *shift = 0;
  *width = 0;
  if (mask == 0) return;
  while (((mask >> *shift) & 1u) == 0) ++*shift;
  while (*shift + *width < 32 && ((mask >> (*shift + *width)) & 1u) != 0) ++*width;
}

uint32_t PackChannel(uint8_t v, uint32_t mask) {
  int shift, width;
  MaskShift(mask, &shift, &width);
  if (width == 0) return 0;
  uint32_t value = width <= 8 ? uint32_t{v} >> (8 - width) : uint32_t{v} << (width - 8);
  return (value << shift) & mask;
}

void PutBytes(std::string* out, uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) out->push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

}  // namespace

void PutLe16(std::string* out, uint32_t v) {
  PutBytes(out, v, 2);
}
void PutLe32(std::string* out, uint32_t v) {
  PutBytes(out, v, 4);
}

Rgba IndexedPicture::ColourAt(int x, int y) const {
  uint8_t i = At(x, y);
  uint32_t e = i < palette.size() ? palette[i] : 0;
  return {static_cast<uint8_t>(e >> 16), static_cast<uint8_t>(e >> 8), static_cast<uint8_t>(e),
          255};
}

Picture MakePicture(int width, int height, uint32_t seed) {
  Picture p;
  p.width = width;
  p.height = height;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      uint32_t h = Hash(seed * 7919u + static_cast<uint32_t>(y * width + x));
      p.pixels.push_back({static_cast<uint8_t>(h), static_cast<uint8_t>(h >> 8),
                          static_cast<uint8_t>(h >> 16), static_cast<uint8_t>(h >> 24)});
    }
  }
  return p;
}

Picture MakeBlockPicture(int width, int height, uint32_t seed) {
  Picture p;
  p.width = width;
  p.height = height;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      uint32_t h = Hash(seed * 7919u + static_cast<uint32_t>((y / 8) * 64 + x / 8));
      p.pixels.push_back({static_cast<uint8_t>(h), static_cast<uint8_t>(h >> 8),
                          static_cast<uint8_t>(h >> 16), static_cast<uint8_t>(h >> 24)});
    }
  }
  return p;
}

IndexedPicture MakeIndexedPicture(int width, int height, int colours, uint32_t seed) {
  IndexedPicture p;
  p.width = width;
  p.height = height;
  for (int i = 0; i < colours; ++i) p.palette.push_back(Hash(seed + 1000u + i) & 0xFFFFFF);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      // Runs of equal indices beside single pixels, so run-length coders use both kinds.
      uint32_t h = Hash(seed * 31u + static_cast<uint32_t>(y * width + x / ((y % 3) + 1)));
      p.indices.push_back(static_cast<uint8_t>(h % colours));
    }
  }
  return p;
}

uint8_t QuantizeChannel(uint8_t v, int width) {
  if (width >= 8) return v;
  return static_cast<uint8_t>(morrow::ConvertChannelWidth(v >> (8 - width), width, 8));
}

// ---- BMP ----

namespace {

std::string BmpHeaders(int width, int height, const BmpOptions& o, uint32_t tableBytes,
                       uint32_t dataBytes) {
  bool maskBlock = o.compression == 3 && o.headerSize == 40;
  uint32_t offset = 14 + o.headerSize + (maskBlock ? 12 : 0) + tableBytes;
  std::string out = "BM";
  PutLe32(&out, offset + dataBytes);
  PutLe32(&out, 0);
  PutLe32(&out, offset);
  PutLe32(&out, o.headerSize);
  PutLe32(&out, static_cast<uint32_t>(width));
  PutLe32(&out, static_cast<uint32_t>(o.topDown ? -height : height));
  PutLe16(&out, 1);
  PutLe16(&out, static_cast<uint32_t>(o.bitCount));
  PutLe32(&out, o.compression);
  PutLe32(&out, dataBytes);
  PutLe32(&out, 2835);
  PutLe32(&out, 2835);
  PutLe32(&out, o.colorsUsed);
  PutLe32(&out, 0);
  if (o.headerSize > 40 || maskBlock) {
    for (uint32_t m : o.masks) PutLe32(&out, m);
  }
  out.resize(14 + o.headerSize + (maskBlock ? 12 : 0), '\0');
  return out;
}

int64_t BmpRowBytes(int bits, int width) {
  return (int64_t{bits} * width + 31) / 32 * 4;
}

}  // namespace

std::string WriteBmp(const Picture& p, const BmpOptions& o) {
  BmpOptions opt = o;
  uint32_t masks[4] = {opt.masks[0], opt.masks[1], opt.masks[2], 0};
  if (masks[0] == 0) {
    masks[0] = opt.bitCount == 16 ? 0x7C00 : 0xFF0000;
    masks[1] = opt.bitCount == 16 ? 0x03E0 : 0xFF00;
    masks[2] = opt.bitCount == 16 ? 0x001F : 0xFF;
  }
  int64_t row = BmpRowBytes(opt.bitCount, p.width);
  std::string data;
  for (int i = 0; i < p.height; ++i) {
    int y = opt.topDown ? i : p.height - 1 - i;
    std::string r;
    for (int x = 0; x < p.width; ++x) {
      Rgba c = p.At(x, y);
      if (opt.bitCount == 24) {
        r += static_cast<char>(c.b);
        r += static_cast<char>(c.g);
        r += static_cast<char>(c.r);
      } else {
        // The unused bits carry noise, which a reader must ignore.
        uint32_t v = PackPixel({c.r, c.g, c.b, 0}, masks) |
                     (~(masks[0] | masks[1] | masks[2]) & (c.a * 0x01010101u));
        PutBytes(&r, v, opt.bitCount / 8);
      }
    }
    r.resize(static_cast<size_t>(row), '\0');
    data += r;
  }
  return BmpHeaders(p.width, p.height, opt, 0, static_cast<uint32_t>(data.size())) + data;
}

std::string EncodeBmpRunLength(const IndexedPicture& p, bool fourBit) {
  std::string out;
  for (int y = p.height - 1; y >= 0; --y) {
    int x = 0;
    while (x < p.width) {
      int run = 1;
      while (x + run < p.width && run < 255 && p.At(x + run, y) == p.At(x, y)) ++run;
      int literal = 1;
      while (x + literal < p.width && literal < 255 &&
             !(x + literal + 1 < p.width && p.At(x + literal, y) == p.At(x + literal + 1, y))) {
        ++literal;
      }
      if (run >= 2 || literal < 3) {
        int n = run >= 2 ? run : 1;
        uint8_t v = p.At(x, y);
        out += static_cast<char>(n);
        out += static_cast<char>(fourBit ? ((v & 15) << 4) | (v & 15) : v);
        x += n;
        continue;
      }
      out += '\0';
      out += static_cast<char>(literal);
      std::string bytes;
      for (int i = 0; i < literal; ++i) {
        uint8_t v = p.At(x + i, y);
        if (!fourBit) {
          bytes += static_cast<char>(v);
        } else if (i % 2 == 0) {
          bytes += static_cast<char>((v & 15) << 4);
        } else {
          bytes.back() = static_cast<char>(bytes.back() | (v & 15));
        }
      }
      if (bytes.size() % 2 != 0) bytes += '\0';
      out += bytes;
      x += literal;
    }
    out += '\0';
    out += static_cast<char>(y == 0 ? 1 : 0);
  }
  return out;
}

std::string WriteIndexedBmp(const IndexedPicture& p, const BmpOptions& o) {
  uint32_t entries = o.colorsUsed != 0 ? o.colorsUsed : (1u << o.bitCount);
  std::string table;
  for (uint32_t i = 0; i < entries; ++i) {
    uint32_t e = i < p.palette.size() ? p.palette[i] : 0;
    // The fourth byte is reserved; noise there must not reach the colours.
    PutLe32(&table, e | 0xA5000000u);
  }
  std::string data;
  if (o.compression == 1 || o.compression == 2) {
    data = EncodeBmpRunLength(p, o.compression == 2);
  } else {
    int64_t row = BmpRowBytes(o.bitCount, p.width);
    for (int i = 0; i < p.height; ++i) {
      int y = o.topDown ? i : p.height - 1 - i;
      std::string r(static_cast<size_t>(row), '\0');
      for (int x = 0; x < p.width; ++x) {
        uint8_t v = p.At(x, y);
        int bit = x * o.bitCount;
        int shift = 8 - o.bitCount - bit % 8;
        r[bit / 8] = static_cast<char>(r[bit / 8] | ((v & ((1 << o.bitCount) - 1)) << shift));
      }
      data += r;
    }
  }
  return BmpHeaders(p.width, p.height, o, static_cast<uint32_t>(table.size()),
                    static_cast<uint32_t>(data.size())) +
         table + data;
}

std::string WriteBmpWithRunLengthData(int width, int height, bool fourBit,
                                      const std::vector<uint32_t>& palette,
                                      const std::string& data) {
  BmpOptions o;
  o.bitCount = fourBit ? 4 : 8;
  o.compression = fourBit ? 2 : 1;
  std::string table;
  for (uint32_t i = 0; i < (1u << o.bitCount); ++i) {
    PutLe32(&table, i < palette.size() ? palette[i] : 0);
  }
  return BmpHeaders(width, height, o, static_cast<uint32_t>(table.size()),
                    static_cast<uint32_t>(data.size())) +
         table + data;
}

// ---- TGA ----

namespace {

void PutTgaElement(std::string* out, Rgba c, int bits) {
  if (bits == 16) {
    uint32_t v = ((c.r >> 3) << 10) | ((c.g >> 3) << 5) | (c.b >> 3) | (c.a >= 128 ? 0x8000 : 0);
    PutLe16(out, v);
    return;
  }
  *out += static_cast<char>(c.b);
  *out += static_cast<char>(c.g);
  *out += static_cast<char>(c.r);
  if (bits == 32) *out += static_cast<char>(c.a);
}

// Elements (pixels or indices) in the file's order, coded as the type asks.
std::string TgaBody(const std::vector<std::string>& elements, bool runLength) {
  std::string out;
  if (!runLength) {
    for (const std::string& e : elements) out += e;
    return out;
  }
  size_t i = 0;
  while (i < elements.size()) {
    size_t run = 1;
    while (i + run < elements.size() && run < 128 && elements[i + run] == elements[i]) ++run;
    if (run >= 2) {
      out += static_cast<char>(0x80 | (run - 1));
      out += elements[i];
      i += run;
      continue;
    }
    size_t raw = 1;
    while (i + raw < elements.size() && raw < 128 &&
           !(i + raw + 1 < elements.size() && elements[i + raw] == elements[i + raw + 1])) {
      ++raw;
    }
    out += static_cast<char>(raw - 1);
    for (size_t k = 0; k < raw; ++k) out += elements[i + k];
    i += raw;
  }
  return out;
}

std::string TgaFile(int width, int height, const TgaOptions& o, int mapLength,
                    const std::string& map, const std::vector<std::string>& elements) {
  bool mapped = o.type == 1 || o.type == 9;
  std::string out;
  out += '\0';
  out += static_cast<char>(mapped ? 1 : 0);
  out += static_cast<char>(o.type);
  PutLe16(&out, mapped ? static_cast<uint32_t>(o.mapFirst) : 0);
  PutLe16(&out, static_cast<uint32_t>(mapLength));
  out += static_cast<char>(mapped ? o.depth : 0);
  PutLe16(&out, 0);
  PutLe16(&out, 0);
  PutLe16(&out, static_cast<uint32_t>(width));
  PutLe16(&out, static_cast<uint32_t>(height));
  out += static_cast<char>(mapped ? 8 : o.depth);
  int alphaBits = o.depth == 32 ? 8 : o.depth == 16 ? 1 : 0;
  out += static_cast<char>((o.topDown ? 0x20 : 0) | (o.rightToLeft ? 0x10 : 0) | alphaBits);
  out += map;
  out += TgaBody(elements, o.type >= 9);
  if (o.footer) {
    uint32_t extension = 0;
    if (o.attributesType >= 0) {
      extension = static_cast<uint32_t>(out.size());
      std::string area(495, '\0');
      area[0] = static_cast<char>(495 & 0xFF);
      area[1] = static_cast<char>(495 >> 8);
      area[494] = static_cast<char>(o.attributesType);
      out += area;
    }
    PutLe32(&out, extension);
    PutLe32(&out, 0);
    out += "TRUEVISION-XFILE";
    out += '.';
    out += '\0';
  }
  return out;
}

// The picture pixel that the i-th stored element stands for.
void TgaSource(int i, int width, int height, const TgaOptions& o, int* x, int* y) {
  int row = i / width;
  int col = i % width;
  *y = o.topDown ? row : height - 1 - row;
  *x = o.rightToLeft ? width - 1 - col : col;
}

}  // namespace

std::string WriteTga(const Picture& p, const TgaOptions& o) {
  std::vector<std::string> elements;
  for (int i = 0; i < p.width * p.height; ++i) {
    int x, y;
    TgaSource(i, p.width, p.height, o, &x, &y);
    std::string e;
    PutTgaElement(&e, p.At(x, y), o.depth);
    elements.push_back(e);
  }
  return TgaFile(p.width, p.height, o, 0, "", elements);
}

std::string WriteIndexedTga(const IndexedPicture& p, const TgaOptions& o) {
  std::string map;
  for (uint32_t e : p.palette) {
    PutTgaElement(
        &map,
        {static_cast<uint8_t>(e >> 16), static_cast<uint8_t>(e >> 8), static_cast<uint8_t>(e), 255},
        o.depth);
  }
  std::vector<std::string> elements;
  for (int i = 0; i < p.width * p.height; ++i) {
    int x, y;
    TgaSource(i, p.width, p.height, o, &x, &y);
    elements.push_back(std::string(1, static_cast<char>(p.At(x, y) + o.mapFirst)));
  }
  return TgaFile(p.width, p.height, o, static_cast<int>(p.palette.size()), map, elements);
}

// ---- DDS ----

uint32_t PackPixel(Rgba c, const uint32_t masks[4]) {
  return PackChannel(c.r, masks[0]) | PackChannel(c.g, masks[1]) | PackChannel(c.b, masks[2]) |
         PackChannel(c.a, masks[3]);
}

std::string WriteDds(const Picture& p, const DdsOptions& o) {
  int bytes = o.bits / 8;
  uint32_t pitch = o.pitch != 0 ? o.pitch : static_cast<uint32_t>(bytes * p.width);
  std::string out = "DDS ";
  PutLe32(&out, 124);
  PutLe32(&out, 0x1 | 0x2 | 0x4 | 0x1000 | (o.pitch != 0 ? 0x8 : 0));
  PutLe32(&out, static_cast<uint32_t>(p.height));
  PutLe32(&out, static_cast<uint32_t>(p.width));
  PutLe32(&out, o.pitch);
  PutLe32(&out, 0);  // depth
  PutLe32(&out, 0);  // mip maps
  out.append(44, '\0');
  PutLe32(&out, 32);
  PutLe32(&out, o.pixelFlags);
  PutLe32(&out, o.fourCc);
  PutLe32(&out, static_cast<uint32_t>(o.bits));
  for (uint32_t m : o.masks) PutLe32(&out, m);
  PutLe32(&out, 0x1000);  // caps: texture
  out.append(16, '\0');
  for (int y = 0; y < p.height; ++y) {
    std::string row;
    for (int x = 0; x < p.width; ++x) PutBytes(&row, PackPixel(p.At(x, y), o.masks), bytes);
    row.resize(pitch, '\x77');
    out += row;
  }
  return out;
}

// ---- BGRA ----

std::string WriteBgra(const Picture& p, bool sixteenBit) {
  std::string out = "BGRA";
  PutLe32(&out, sixteenBit ? 0x10101010u : 0x08080808u);
  PutLe32(&out, static_cast<uint32_t>(p.width));
  PutLe32(&out, static_cast<uint32_t>(p.height));
  for (const Rgba& c : p.pixels) {
    for (uint8_t v : {c.b, c.g, c.r, c.a}) {
      if (sixteenBit) out += static_cast<char>(v ^ 0x5A);  // the low byte, which is dropped
      out += static_cast<char>(v);
    }
  }
  return out;
}

// ---- PNG ----

namespace {

struct PngSink {
  std::string* out;
  jmp_buf jump;
};

void PngWrite(png_structp png, png_bytep data, png_size_t length) {
  auto* sink = static_cast<PngSink*>(png_get_io_ptr(png));
  sink->out->append(reinterpret_cast<const char*>(data), length);
}
void PngFlush(png_structp) {}
[[noreturn]] void PngError(png_structp png, png_const_charp) {
  std::longjmp(static_cast<PngSink*>(png_get_error_ptr(png))->jump, 1);
}
void PngWarning(png_structp, png_const_charp) {}

// Plain C data only: the encoder's errors jump back into this function.
bool EncodePng(PngSink* sink, int width, int height, int depth, int colourType, bool interlaced,
               png_bytepp rows, const png_color* palette, int paletteSize,
               const png_byte* transAlpha, int transCount, const png_color_16* transColour) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, sink, PngError, PngWarning);
  png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
  if (info == nullptr) {
    png_destroy_write_struct(&png, nullptr);
    return false;
  }
  if (setjmp(sink->jump) != 0) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_set_write_fn(png, sink, PngWrite, PngFlush);
  png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), depth,
               colourType, interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (palette != nullptr) png_set_PLTE(png, info, palette, paletteSize);
  if (transAlpha != nullptr || transColour != nullptr) {
    png_set_tRNS(png, info, transAlpha, transCount, transColour);
  }
  png_write_info(png, info);
  png_write_image(png, rows);
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return true;
}

// Samples (already reduced to the depth) packed into PNG rows, most significant first.
std::string PackPngRows(const std::vector<uint32_t>& samples, int perRow, int depth, int rows) {
  size_t rowBytes = (static_cast<size_t>(perRow) * depth + 7) / 8;
  std::string out(rowBytes * rows, '\0');
  for (int y = 0; y < rows; ++y) {
    for (int i = 0; i < perRow; ++i) {
      uint32_t v = samples[static_cast<size_t>(y) * perRow + i];
      size_t bit = static_cast<size_t>(i) * depth;
      char* row = &out[y * rowBytes];
      if (depth == 16) {
        row[bit / 8] = static_cast<char>(v >> 8);
        row[bit / 8 + 1] = static_cast<char>(v);
      } else {
        row[bit / 8] = static_cast<char>(row[bit / 8] | (v << (8 - depth - bit % 8)));
      }
    }
  }
  return out;
}

std::string FinishPng(int width, int height, int depth, int colourType, bool interlaced,
                      std::string& packed, int samplesPerPixel, const png_color* palette,
                      int paletteSize, const png_byte* transAlpha, int transCount,
                      const png_color_16* transColour) {
  size_t rowBytes = (static_cast<size_t>(width) * samplesPerPixel * depth + 7) / 8;
  std::vector<png_bytep> rows;
  for (int y = 0; y < height; ++y) {
    rows.push_back(reinterpret_cast<png_bytep>(&packed[y * rowBytes]));
  }
  std::string out;
  PngSink sink{&out, {}};
  if (!EncodePng(&sink, width, height, depth, colourType, interlaced, rows.data(), palette,
                 paletteSize, transAlpha, transCount, transColour)) {
    return "";
  }
  return out;
}

uint32_t Reduce(uint8_t v, int depth) {
  return depth == 16 ? uint32_t{v} * 257u : uint32_t{v} >> (8 - depth);
}

}  // namespace

std::string WritePng(const Picture& p, const PngOptions& o) {
  int spp = o.colourType == 0 ? 1 : o.colourType == 4 ? 2 : o.colourType == 2 ? 3 : 4;
  std::vector<uint32_t> samples;
  for (const Rgba& c : p.pixels) {
    if (o.colourType == 0 || o.colourType == 4) {
      samples.push_back(Reduce(c.r, o.bitDepth));
      if (o.colourType == 4) samples.push_back(Reduce(c.a, o.bitDepth));
      continue;
    }
    samples.push_back(Reduce(c.r, o.bitDepth));
    samples.push_back(Reduce(c.g, o.bitDepth));
    samples.push_back(Reduce(c.b, o.bitDepth));
    if (o.colourType == 6) samples.push_back(Reduce(c.a, o.bitDepth));
  }
  std::string packed = PackPngRows(samples, p.width * spp, o.bitDepth, p.height);
  png_color_16 trans{};
  Rgba first = p.pixels[0];
  trans.gray = static_cast<png_uint_16>(Reduce(first.r, o.bitDepth));
  trans.red = static_cast<png_uint_16>(Reduce(first.r, o.bitDepth));
  trans.green = static_cast<png_uint_16>(Reduce(first.g, o.bitDepth));
  trans.blue = static_cast<png_uint_16>(Reduce(first.b, o.bitDepth));
  return FinishPng(p.width, p.height, o.bitDepth, o.colourType, o.interlaced, packed, spp, nullptr,
                   0, nullptr, 0, o.transparency ? &trans : nullptr);
}

std::string WriteIndexedPng(const IndexedPicture& p, int bitDepth, bool transparency) {
  std::vector<uint32_t> samples(p.indices.begin(), p.indices.end());
  std::string packed = PackPngRows(samples, p.width, bitDepth, p.height);
  std::vector<png_color> palette;
  for (uint32_t e : p.palette) {
    palette.push_back(
        {static_cast<png_byte>(e >> 16), static_cast<png_byte>(e >> 8), static_cast<png_byte>(e)});
  }
  std::vector<png_byte> alpha;
  for (size_t i = 0; i < p.palette.size() && i < 8; ++i) {
    alpha.push_back(static_cast<png_byte>(255 - 16 * i));
  }
  return FinishPng(p.width, p.height, bitDepth, PNG_COLOR_TYPE_PALETTE, false, packed, 1,
                   palette.data(), static_cast<int>(palette.size()),
                   transparency ? alpha.data() : nullptr, static_cast<int>(alpha.size()), nullptr);
}

// ---- JPEG ----

namespace {

struct JpegSink {
  jpeg_error_mgr err;
  jmp_buf jump;
};

[[noreturn]] void JpegError(j_common_ptr cinfo) {
  std::longjmp(reinterpret_cast<JpegSink*>(cinfo->err)->jump, 1);
}

// Plain C data only: the encoder's errors jump back into this function.
bool EncodeJpeg(JpegSink* sink, int width, int height, int components, const uint8_t* samples,
                bool progressive, bool adobeMarker, const jpeg_scan_info* scans, int scanCount,
                int quality, unsigned char** buffer, unsigned long* size) {
  jpeg_compress_struct* cinfo =
      static_cast<jpeg_compress_struct*>(std::calloc(1, sizeof(jpeg_compress_struct)));
  if (cinfo == nullptr) return false;
  cinfo->err = jpeg_std_error(&sink->err);
  sink->err.error_exit = JpegError;
  if (setjmp(sink->jump) != 0) {
    jpeg_destroy_compress(cinfo);
    std::free(cinfo);
    return false;
  }
  jpeg_create_compress(cinfo);
  jpeg_mem_dest(cinfo, buffer, size);
  cinfo->image_width = static_cast<JDIMENSION>(width);
  cinfo->image_height = static_cast<JDIMENSION>(height);
  cinfo->input_components = components;
  cinfo->in_color_space = components == 1 ? JCS_GRAYSCALE : components == 3 ? JCS_RGB : JCS_CMYK;
  jpeg_set_defaults(cinfo);
  jpeg_set_quality(cinfo, quality, TRUE);
  for (int i = 0; i < cinfo->num_components; ++i) {
    cinfo->comp_info[i].h_samp_factor = 1;
    cinfo->comp_info[i].v_samp_factor = 1;
  }
  if (components == 4) cinfo->write_Adobe_marker = adobeMarker ? TRUE : FALSE;
  if (progressive) jpeg_simple_progression(cinfo);
  if (scans != nullptr) {
    cinfo->scan_info = scans;
    cinfo->num_scans = scanCount;
  }
  jpeg_start_compress(cinfo, TRUE);
  while (cinfo->next_scanline < cinfo->image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(samples) +
                   static_cast<size_t>(cinfo->next_scanline) * width * components;
    jpeg_write_scanlines(cinfo, &row, 1);
  }
  jpeg_finish_compress(cinfo);
  jpeg_destroy_compress(cinfo);
  std::free(cinfo);
  return true;
}

}  // namespace

std::string WriteJpeg(const Picture& p, const JpegOptions& o) {
  std::vector<uint8_t> samples;
  for (const Rgba& c : p.pixels) {
    samples.push_back(c.r);
    if (o.components >= 3) {
      samples.push_back(c.g);
      samples.push_back(c.b);
    }
    if (o.components == 4) samples.push_back(c.a);
  }
  std::vector<jpeg_scan_info> scans;
  if (o.manyScans) {
    jpeg_scan_info dc{};
    dc.comps_in_scan = o.components;
    for (int c = 0; c < o.components; ++c) dc.component_index[c] = c;
    scans.push_back(dc);
    for (int c = 0; c < o.components; ++c) {
      for (int k = 1; k < 64; ++k) {
        jpeg_scan_info ac{};
        ac.comps_in_scan = 1;
        ac.component_index[0] = c;
        ac.Ss = k;
        ac.Se = k;
        scans.push_back(ac);
      }
    }
  }
  JpegSink sink{};
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  bool ok = EncodeJpeg(&sink, p.width, p.height, o.components, samples.data(), o.progressive,
                       o.adobeMarker, scans.empty() ? nullptr : scans.data(),
                       static_cast<int>(scans.size()), o.quality, &buffer, &size);
  std::string out = ok ? std::string(reinterpret_cast<char*>(buffer), size) : std::string();
  std::free(buffer);
  return out;
}

// ---- Reading back ----

Rgba ReadPixel(const morrow::GraphImage& image, int x, int y) {
  const morrow::ColorFormat& f = image.format;
  const auto* p = static_cast<const uint8_t*>(image.pixels) + static_cast<size_t>(y) * image.pitch +
                  static_cast<size_t>(x) * f.bytesPerPixel;
  uint32_t v = 0;
  for (int i = 0; i < f.bytesPerPixel; ++i) v |= uint32_t{p[i]} << (8 * i);
  if (f.bitsPerPixel == 8 && f.redMask > 0xFF) {
    uint32_t e = f.palette[v];
    return {static_cast<uint8_t>(e >> 16), static_cast<uint8_t>(e >> 8), static_cast<uint8_t>(e),
            255};
  }
  auto channel = [&](uint32_t mask) -> uint8_t {
    int shift, width;
    MaskShift(mask, &shift, &width);
    return static_cast<uint8_t>(morrow::ConvertChannelWidth((v & mask) >> shift, width, 8));
  };
  return {channel(f.redMask), channel(f.greenMask), channel(f.blueMask),
          f.alphaMask == 0 ? uint8_t{255} : channel(f.alphaMask)};
}

// ---- All fixtures ----

std::vector<NamedFile> AllFixtures() {
  std::vector<NamedFile> files;
  Picture pic = MakePicture(7, 5, 1);
  IndexedPicture pal16 = MakeIndexedPicture(9, 5, 16, 2);
  IndexedPicture pal256 = MakeIndexedPicture(9, 5, 200, 3);
  IndexedPicture pal2 = MakeIndexedPicture(13, 4, 2, 4);

  auto bmp = [&](const std::string& name, int bits, uint32_t compression, uint32_t header,
                 bool topDown, std::vector<uint32_t> masks = {}) {
    BmpOptions o;
    o.bitCount = bits;
    o.compression = compression;
    o.headerSize = header;
    o.topDown = topDown;
    for (size_t i = 0; i < masks.size() && i < 3; ++i) o.masks[i] = masks[i];
    if (bits >= 16) {
      files.push_back({name, WriteBmp(pic, o)});
    } else {
      const IndexedPicture& ip = bits == 1 ? pal2 : bits == 4 ? pal16 : pal256;
      files.push_back({name, WriteIndexedBmp(ip, o)});
    }
  };
  bmp("bmp-24", 24, 0, 40, false);
  bmp("bmp-24-topdown", 24, 0, 40, true);
  bmp("bmp-8", 8, 0, 40, false);
  bmp("bmp-8-v5", 8, 0, 124, false);
  bmp("bmp-4", 4, 0, 40, false);
  bmp("bmp-4-v4", 4, 0, 108, true);
  bmp("bmp-1", 1, 0, 40, false);
  bmp("bmp-16", 16, 0, 40, false);
  bmp("bmp-16-565", 16, 3, 40, false, {0xF800, 0x07E0, 0x001F});
  bmp("bmp-32", 32, 0, 40, false);
  bmp("bmp-32-bitfields-v5", 32, 3, 124, true, {0xFF, 0xFF00, 0xFF0000});
  bmp("bmp-rle8", 8, 1, 40, false);
  bmp("bmp-rle4", 4, 2, 40, false);
  {
    BmpOptions o;
    o.bitCount = 8;
    o.colorsUsed = 5;
    files.push_back({"bmp-8-short-palette", WriteIndexedBmp(MakeIndexedPicture(6, 3, 7, 5), o)});
  }
  // Run-length data with a delta and runs that reach past the right edge.
  files.push_back({"bmp-rle8-delta",
                   WriteBmpWithRunLengthData(6, 4, false, {0x112233, 0xFF0000, 0x00FF00},
                                             std::string("\x03\x01\x00\x02\x02\x01\x09\x02"
                                                         "\x00\x03\x01\x02\x01\x00\x00\x00\x00\x01",
                                                         18))});
  files.push_back(
      {"bmp-rle4-delta", WriteBmpWithRunLengthData(5, 3, true, {0, 0xFFFFFF, 0x0000FF},
                                                   std::string("\x04\x12\x00\x00\x00\x02\x01\x01"
                                                               "\x00\x05\x21\x21\x20\x00\x00\x01",
                                                               16))});

  for (int components : {1, 3}) {
    for (bool progressive : {false, true}) {
      JpegOptions o;
      o.components = components;
      o.progressive = progressive;
      files.push_back({std::string("jpeg-") + (components == 1 ? "grey" : "rgb") +
                           (progressive ? "-progressive" : ""),
                       WriteJpeg(MakeBlockPicture(16, 8, 6), o)});
    }
  }
  for (bool adobe : {true, false}) {
    JpegOptions o;
    o.components = 4;
    o.adobeMarker = adobe;
    files.push_back(
        {adobe ? "jpeg-cmyk-adobe" : "jpeg-cmyk-plain", WriteJpeg(MakeBlockPicture(16, 8, 7), o)});
  }

  struct PngVariant {
    const char* name;
    int type, depth;
    bool interlaced, trns;
  };
  const PngVariant pngs[] = {
      {"png-grey1", 0, 1, false, false},      {"png-grey2", 0, 2, false, false},
      {"png-grey4", 0, 4, true, false},       {"png-grey8", 0, 8, false, false},
      {"png-grey16", 0, 16, false, false},    {"png-grey8-trns", 0, 8, false, true},
      {"png-greyalpha8", 4, 8, false, false}, {"png-greyalpha16", 4, 16, true, false},
      {"png-rgb8", 2, 8, false, false},       {"png-rgb16", 2, 16, false, false},
      {"png-rgb8-trns", 2, 8, false, true},   {"png-rgb8-interlaced", 2, 8, true, false},
      {"png-rgba8", 6, 8, false, false},      {"png-rgba16-interlaced", 6, 16, true, false},
  };
  for (const PngVariant& v : pngs) {
    PngOptions o;
    o.colourType = v.type;
    o.bitDepth = v.depth;
    o.interlaced = v.interlaced;
    o.transparency = v.trns;
    files.push_back({v.name, WritePng(pic, o)});
  }
  for (int depth : {1, 2, 4, 8}) {
    IndexedPicture ip = MakeIndexedPicture(9, 5, 1 << (depth < 8 ? depth : 6), 8);
    files.push_back({"png-palette" + std::to_string(depth), WriteIndexedPng(ip, depth, false)});
  }
  files.push_back({"png-palette4-trns", WriteIndexedPng(pal16, 4, true)});

  files.push_back({"bgra8", WriteBgra(pic, false)});
  files.push_back({"bgra16", WriteBgra(pic, true)});

  struct TgaVariant {
    const char* name;
    int type, depth;
    bool topDown, rightToLeft, footer;
    int attributes, mapFirst;
  };
  const TgaVariant tgas[] = {
      {"tga-24", 2, 24, false, false, false, -1, 0},
      {"tga-24-topdown", 2, 24, true, false, false, -1, 0},
      {"tga-32-righttoleft", 2, 32, false, true, false, -1, 0},
      {"tga-16", 2, 16, true, true, false, -1, 0},
      {"tga-rle24", 10, 24, false, false, false, -1, 0},
      {"tga-rle32-footer", 10, 32, true, false, true, -1, 0},
      {"tga-16-ext3", 2, 16, false, false, true, 3, 0},
      {"tga-32-ext0", 2, 32, false, false, true, 0, 0},
      {"tga-mapped24", 1, 24, false, false, false, -1, 0},
      {"tga-mapped16-first", 1, 16, true, false, false, -1, 20},
      {"tga-mapped32-rle", 9, 32, false, false, true, -1, 3},
  };
  for (const TgaVariant& v : tgas) {
    TgaOptions o;
    o.type = v.type;
    o.depth = v.depth;
    o.topDown = v.topDown;
    o.rightToLeft = v.rightToLeft;
    o.footer = v.footer;
    o.attributesType = v.attributes;
    o.mapFirst = v.mapFirst;
    files.push_back(
        {v.name, v.type == 1 || v.type == 9 ? WriteIndexedTga(pal16, o) : WriteTga(pic, o)});
  }

  struct DdsVariant {
    uint32_t code;
    int bits;
    uint32_t masks[4];
  };
  const DdsVariant dds[] = {
      {20, 24, {0xFF0000, 0xFF00, 0xFF, 0}},
      {21, 32, {0xFF0000, 0xFF00, 0xFF, 0xFF000000}},
      {22, 32, {0xFF0000, 0xFF00, 0xFF, 0}},
      {23, 16, {0xF800, 0x7E0, 0x1F, 0}},
      {24, 16, {0x7C00, 0x3E0, 0x1F, 0}},
      {25, 16, {0x7C00, 0x3E0, 0x1F, 0x8000}},
      {26, 16, {0xF00, 0xF0, 0xF, 0xF000}},
      {27, 8, {0xE0, 0x1C, 0x3, 0}},
      {29, 16, {0xE0, 0x1C, 0x3, 0xFF00}},
      {30, 16, {0xF00, 0xF0, 0xF, 0}},
      {31, 32, {0x3FF, 0xFFC00, 0x3FF00000, 0xC0000000}},
      {32, 32, {0xFF, 0xFF00, 0xFF0000, 0xFF000000}},
      {33, 32, {0xFF, 0xFF00, 0xFF0000, 0}},
      {35, 32, {0x3FF00000, 0xFFC00, 0x3FF, 0xC0000000}},
  };
  for (const DdsVariant& v : dds) {
    DdsOptions o;
    o.pixelFlags = 0x4;
    o.fourCc = v.code;
    o.bits = v.bits;
    std::memcpy(o.masks, v.masks, sizeof o.masks);
    files.push_back({"dds-code" + std::to_string(v.code), WriteDds(pic, o)});
  }
  {
    DdsOptions o;
    files.push_back({"dds-argb32", WriteDds(pic, o)});
    o.pitch = 7 * 4 + 6;
    files.push_back({"dds-argb32-pitch", WriteDds(pic, o)});
    o.bits = 16;
    o.pitch = 0;
    o.masks[0] = 0x0F00;
    o.masks[1] = 0x00F0;
    o.masks[2] = 0x000F;
    o.masks[3] = 0xF000;
    files.push_back({"dds-argb16", WriteDds(pic, o)});
  }
  return files;
}

}  // namespace imagetest
