// Writers of small image files for the loader tests, the seed corpus of the fuzz targets and the
// imgdump tests. BMP, TGA, DDS and BGRA files are built byte by byte here; PNG and JPEG files are
// written by the system's encoders, so the loaders meet files they did not make themselves.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "morrow/graphics/graph_image.h"

namespace imagetest {

struct Rgba {
  uint8_t r, g, b, a;
  bool operator==(const Rgba& o) const { return r == o.r && g == o.g && b == o.b && a == o.a; }
};

// A picture in RGBA, rows top-down.
struct Picture {
  int width = 0;
  int height = 0;
  std::vector<Rgba> pixels;
  Rgba At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

// A palette picture: indices into palette (0x00RRGGBB entries), rows top-down.
struct IndexedPicture {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> indices;
  std::vector<uint32_t> palette;
  uint8_t At(int x, int y) const { return indices[static_cast<size_t>(y) * width + x]; }
  Rgba ColourAt(int x, int y) const;  // alpha 255; black past the palette
};

// Deterministic test pictures: every pixel different where the depth allows, with alpha varying.
Picture MakePicture(int width, int height, uint32_t seed);
// Blocks of 8 x 8 pixels of one colour each, which lossy coders keep almost exactly.
Picture MakeBlockPicture(int width, int height, uint32_t seed);
IndexedPicture MakeIndexedPicture(int width, int height, int colours, uint32_t seed);

void PutLe16(std::string* out, uint32_t v);
void PutLe32(std::string* out, uint32_t v);

// ---- BMP ----
struct BmpOptions {
  int bitCount = 24;         // 1, 4, 8, 16, 24, 32
  uint32_t compression = 0;  // 0 plain, 1 RLE8, 2 RLE4, 3 bit fields
  uint32_t headerSize = 40;  // 40, 108 (V4) or 124 (V5)
  bool topDown = false;
  uint32_t colorsUsed = 0;        // written into the header; 0 means the full table
  uint32_t masks[3] = {0, 0, 0};  // bit fields (red, green, blue); 0 = the depth's default
};
// Colour depths 16, 24 and 32 from a picture (alpha is not stored).
std::string WriteBmp(const Picture& p, const BmpOptions& o);
// Depths 1, 4 and 8 (plain or run-length coded) from indices.
std::string WriteIndexedBmp(const IndexedPicture& p, const BmpOptions& o);
// Run-length data alone (rows bottom-up, end-of-line codes, end-of-bitmap), for hand-made files.
std::string EncodeBmpRunLength(const IndexedPicture& p, bool fourBit);
// A header for run-length data given as bytes (8 or 4-bit, palette of the given entries).
std::string WriteBmpWithRunLengthData(int width, int height, bool fourBit,
                                      const std::vector<uint32_t>& palette,
                                      const std::string& data);
// What the loader makes of a channel of `width` bits: narrowed from 8 bits, widened back.
uint8_t QuantizeChannel(uint8_t v, int width);

// ---- TGA ----
struct TgaOptions {
  int type = 2;    // 1 or 9 colour-mapped, 2 or 10 true colour (9 and 10 run-length coded)
  int depth = 24;  // pixel depth, or the colour-map entry size for colour-mapped images
  bool topDown = false;
  bool rightToLeft = false;
  int mapFirst = 0;         // first colour-map index for colour-mapped images
  bool footer = false;      // write the footer with its signature
  int attributesType = -1;  // with a footer: >= 0 writes an extension area with this byte
};
// True-colour: 16-bit pixels are 5:5:5 with the top bit from alpha >= 128.
std::string WriteTga(const Picture& p, const TgaOptions& o);
std::string WriteIndexedTga(const IndexedPicture& p, const TgaOptions& o);

// ---- DDS ----
struct DdsOptions {
  uint32_t pixelFlags = 0x41;  // DDPF_RGB | DDPF_ALPHAPIXELS
  uint32_t fourCc = 0;
  int bits = 32;
  uint32_t masks[4] = {0xFF0000, 0xFF00, 0xFF, 0xFF000000};  // red, green, blue, alpha
  uint32_t pitch = 0;                                        // with DDSD_PITCH when non-zero
};
// Pixels packed with the masks (8-bit channels narrowed to each mask's width).
std::string WriteDds(const Picture& p, const DdsOptions& o);
// One pixel of a picture packed with four masks.
uint32_t PackPixel(Rgba c, const uint32_t masks[4]);

// ---- BGRA ----
std::string WriteBgra(const Picture& p, bool sixteenBit);

// ---- PNG (system encoder) ----
struct PngOptions {
  int colourType = 2;  // 0 grey, 2 RGB, 3 palette, 4 grey + alpha, 6 RGBA
  int bitDepth = 8;
  bool interlaced = false;
  bool transparency = false;  // a tRNS chunk: for grey/RGB the colour of pixel (0, 0)
};
// Grey types take the red channel; sub-byte depths keep the top bits.
std::string WritePng(const Picture& p, const PngOptions& o);
// Palette PNG; with transparency, entry i gets alpha 255 - 16 i for the first entries.
std::string WriteIndexedPng(const IndexedPicture& p, int bitDepth, bool transparency);

// ---- JPEG (system encoder) ----
struct JpegOptions {
  int components = 3;  // 1 grey, 3 colour, 4 CMYK (samples from r, g, b, a)
  bool progressive = false;
  bool adobeMarker = true;  // for CMYK: write the Adobe marker
  bool manyScans = false;   // a progressive script of one scan per coefficient and component
  int quality = 100;
};
std::string WriteJpeg(const Picture& p, const JpegOptions& o);

// ---- Reading back ----
// One pixel of a decoded image as RGBA by the image's format: palette formats through their
// palette, alpha 255 when the format has none.
Rgba ReadPixel(const morrow::GraphImage& image, int x, int y);

// Every fixture variant the tests and the seed corpus use, named.
struct NamedFile {
  std::string name;
  std::string bytes;
};
std::vector<NamedFile> AllFixtures();

}  // namespace imagetest
