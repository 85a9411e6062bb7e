// The loaders that stand on the system's PNG and JPEG decoders, fed by the system's encoders.
#include <zlib.h>

#include <cstdlib>
#include <cstring>
#include <functional>

#include "morrow/system/log.h"
#include "tests/morrow/graphics/image_test_util.h"
#include "tests/support/temp_dir.h"

namespace {

using imagetest::Decode;
using imagetest::Decoded;
using imagetest::Rgba;

bool Near(Rgba a, Rgba b, int tolerance) {
  return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance &&
         std::abs(a.b - b.b) <= tolerance && a.a == b.a;
}

template <typename Expected>
void ExpectNear(const morrow::GraphImage& image, Expected expected, int tolerance,
                const std::string& what) {
  int wrong = 0;
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < image.width; ++x) {
      Rgba got = imagetest::ReadPixel(image, x, y);
      Rgba want = expected(x, y);
      if (!Near(got, want, tolerance) && ++wrong <= 3) {
        ADD_FAILURE() << what << " pixel " << x << "," << y << ": got " << imagetest::Hex(got)
                      << " want " << imagetest::Hex(want);
      }
    }
  }
  EXPECT_EQ(wrong, 0) << what;
}

// ---- JPEG ----

TEST(ImageJpeg, ColourAndGreyBaselineAndProgressive) {
  const imagetest::Picture pic = imagetest::MakeBlockPicture(21, 16, 3);
  for (int components : {1, 3}) {
    for (bool progressive : {false, true}) {
      std::string name = std::to_string(components) + (progressive ? " progressive" : " baseline");
      imagetest::JpegOptions o;
      o.components = components;
      o.progressive = progressive;
      Decoded d;
      Decode(imagetest::WriteJpeg(pic, o), morrow::LoadJpegImage, &d);
      ASSERT_EQ(d.result, 0) << name;
      EXPECT_EQ(d.image.width, 21) << name;
      EXPECT_EQ(d.image.height, 16) << name;
      if (components == 1) {
        // One byte for red, green, blue and alpha at once; rows not padded.
        imagetest::ExpectMasks(d.image, 8, 0xFF, 0xFF, 0xFF, 0xFF, name);
        EXPECT_EQ(d.image.pitch, 21) << name;
        int wrong = 0;
        for (int y = 0; y < 16; ++y) {
          for (int x = 0; x < 21; ++x) {
            int got = static_cast<uint8_t*>(d.image.pixels)[y * 21 + x];
            if (std::abs(got - pic.At(x, y).r) > 2) ++wrong;
          }
        }
        EXPECT_EQ(wrong, 0) << name;
      } else {
        imagetest::ExpectMasks(d.image, 24, 0xFF0000, 0xFF00, 0xFF, 0, name);
        EXPECT_EQ(d.image.pitch, 63) << name;
        ExpectNear(
            d.image,
            [&](int x, int y) {
              Rgba p = pic.At(x, y);
              return Rgba{p.r, p.g, p.b, 255};
            },
            4, name);
      }
    }
  }
}

TEST(ImageJpeg, CmykIsConvertedToRgb) {
  const imagetest::Picture pic = imagetest::MakeBlockPicture(16, 16, 8);
  for (bool adobe : {true, false}) {
    imagetest::JpegOptions o;
    o.components = 4;
    o.adobeMarker = adobe;
    Decoded d;
    Decode(imagetest::WriteJpeg(pic, o), morrow::LoadJpegImage, &d);
    ASSERT_EQ(d.result, 0) << adobe;
    imagetest::ExpectMasks(d.image, 24, 0xFF0000, 0xFF00, 0xFF, 0, "cmyk");
    EXPECT_EQ(d.image.pitch, 48);
    // The picture's r, g, b, a were written as C, M, Y, K. Files with the Adobe marker store the
    // inks inverted (255 = no ink).
    ExpectNear(
        d.image,
        [&](int x, int y) {
          Rgba p = pic.At(x, y);
          auto ink = [&](int v) {
            int c = adobe ? v : 255 - v;
            int k = adobe ? p.a : 255 - p.a;
            return static_cast<uint8_t>((c * k + 127) / 255);
          };
          return Rgba{ink(p.r), ink(p.g), ink(p.b), 255};
        },
        5, adobe ? "adobe" : "plain");
  }
}

TEST(ImageJpeg, PrematureEndKeepsThePicture) {
  const imagetest::Picture pic = imagetest::MakeBlockPicture(16, 16, 4);
  for (bool progressive : {false, true}) {
    imagetest::JpegOptions o;
    o.progressive = progressive;
    std::string full = imagetest::WriteJpeg(pic, o);
    ASSERT_EQ(static_cast<uint8_t>(full[full.size() - 1]), 0xD9);
    Decoded whole, cut, half;
    Decode(full, morrow::LoadJpegImage, &whole);
    Decode(full.substr(0, full.size() - 2), morrow::LoadJpegImage, &cut);
    ASSERT_EQ(whole.result, 0);
    ASSERT_EQ(cut.result, 0) << progressive;
    EXPECT_EQ(std::memcmp(whole.image.pixels, cut.image.pixels, 16 * 48), 0) << progressive;
    // Cut inside the first scan's coded data: decoded with what arrived.
    size_t scan = full.find("\xFF\xDA");
    ASSERT_NE(scan, std::string::npos);
    size_t data = scan + 2 + (static_cast<uint8_t>(full[scan + 2]) << 8) +
                  static_cast<uint8_t>(full[scan + 3]);
    size_t next = data;
    while (next + 1 < full.size() && !(full[next] == '\xFF' && full[next + 1] != '\0')) ++next;
    ASSERT_GT(next, data + 4);
    Decode(full.substr(0, (data + next) / 2), morrow::LoadJpegImage, &half);
    EXPECT_EQ(half.result, 0) << progressive;
    EXPECT_EQ(half.image.width, 16);
  }
}

TEST(ImageJpeg, TooManyProgressiveScansAreRefused) {
  const imagetest::Picture pic = imagetest::MakeBlockPicture(8, 8, 2);
  struct Case {
    int components;
    int result;  // 1 + 63 x components scans
  } cases[] = {{1, 0}, {3, -1}};
  for (const Case& c : cases) {
    imagetest::JpegOptions o;
    o.components = c.components;
    o.manyScans = true;
    std::string bytes = imagetest::WriteJpeg(pic, o);
    ASSERT_FALSE(bytes.empty());
    Decoded d;
    Decode(bytes, morrow::LoadJpegImage, &d);
    EXPECT_EQ(d.result, c.result) << c.components;
  }
}

// The offset of the first start-of-frame marker.
size_t FindFrame(const std::string& jpeg) {
  for (size_t i = 2; i + 1 < jpeg.size(); ++i) {
    uint8_t m = static_cast<uint8_t>(jpeg[i + 1]);
    if (static_cast<uint8_t>(jpeg[i]) == 0xFF && (m == 0xC0 || m == 0xC2)) return i;
  }
  return std::string::npos;
}

TEST(ImageJpeg, HostileFilesAreRefused) {
  imagetest::JpegOptions o;
  const std::string good = imagetest::WriteJpeg(imagetest::MakeBlockPicture(8, 8, 1), o);
  const size_t frame = FindFrame(good);
  ASSERT_NE(frame, std::string::npos);
  auto size = [&](int w, int h) {
    std::string s = good;
    s[frame + 5] = static_cast<char>(h >> 8);
    s[frame + 6] = static_cast<char>(h);
    s[frame + 7] = static_cast<char>(w >> 8);
    s[frame + 8] = static_cast<char>(w);
    return s;
  };
  struct Case {
    const char* name;
    std::string bytes;
  } cases[] = {
      {"empty", ""},
      {"start of image only", std::string("\xFF\xD8", 2)},
      {"not a JPEG", "GIF89a-----------"},
      {"marker longer than the file", std::string("\xFF\xD8\xFF\xE1\xFF\xF0\x01\x02", 8)},
      {"image too large for memory", size(65535, 65535)},
      {"zero height", size(8, 0)},
      {"zero width", size(0, 8)},
      {"frame cut", good.substr(0, frame + 6)},
  };
  for (const Case& c : cases) {
    Decoded d;
    Decode(c.bytes, morrow::LoadJpegImage, &d);
    EXPECT_EQ(d.result, -1) << c.name;
    EXPECT_TRUE(imagetest::IsEmpty(d.image)) << c.name;
  }
}

// ---- PNG ----

uint8_t Scale(uint8_t v, int depth) {
  if (depth >= 8) return v;
  int top = v >> (8 - depth);
  return static_cast<uint8_t>(top * 255 / ((1 << depth) - 1));
}

TEST(ImagePng, ColourTypesAndDepths) {
  const imagetest::Picture pic = imagetest::MakePicture(9, 7, 12);
  const Rgba first = pic.At(0, 0);
  struct Case {
    int type, depth;
    bool interlaced, trns;
    int bits;
  } cases[] = {
      {0, 1, false, false, 8},  {0, 2, false, false, 8},  {0, 4, true, false, 8},
      {0, 8, false, false, 8},  {0, 16, true, false, 8},  {0, 8, false, true, 32},
      {0, 4, false, true, 32},  {4, 8, false, false, 32}, {4, 16, false, false, 32},
      {4, 8, true, false, 32},  {2, 8, false, false, 24}, {2, 16, false, false, 24},
      {2, 8, true, false, 24},  {2, 8, false, true, 32},  {2, 16, false, true, 32},
      {6, 8, false, false, 32}, {6, 16, true, false, 32},
  };
  for (const Case& c : cases) {
    std::string name = "type " + std::to_string(c.type) + " depth " + std::to_string(c.depth) +
                       (c.interlaced ? " interlaced" : "") + (c.trns ? " tRNS" : "");
    imagetest::PngOptions o;
    o.colourType = c.type;
    o.bitDepth = c.depth;
    o.interlaced = c.interlaced;
    o.transparency = c.trns;
    Decoded d;
    Decode(imagetest::WritePng(pic, o), morrow::LoadPngImage, &d);
    ASSERT_EQ(d.result, 0) << name;
    EXPECT_EQ(d.image.width, 9) << name;
    EXPECT_EQ(d.image.height, 7) << name;
    EXPECT_EQ(d.image.pitch, 9 * c.bits / 8) << name;
    if (c.bits == 8) {
      imagetest::ExpectMasks(d.image, 8, 0xFF, 0xFF, 0xFF, 0xFF, name);
    } else if (c.bits == 24) {
      imagetest::ExpectMasks(d.image, 24, 0xFF0000, 0xFF00, 0xFF, 0, name);
    } else {
      imagetest::ExpectMasks(d.image, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000, name);
    }
    const bool grey = c.type == 0 || c.type == 4;
    imagetest::ExpectPixels(
        d.image,
        [&](int x, int y) {
          Rgba p = pic.At(x, y);
          uint8_t r = Scale(p.r, c.depth);
          if (grey) {
            uint8_t a = c.type == 4 ? p.a : c.trns ? (r == Scale(first.r, c.depth) ? 0 : 255) : r;
            return c.bits == 8 ? Rgba{r, r, r, r} : Rgba{r, r, r, a};
          }
          bool key = p.r == first.r && p.g == first.g && p.b == first.b;
          uint8_t a = c.type == 6 ? p.a : c.trns && key ? 0 : 255;
          return Rgba{p.r, p.g, p.b, a};
        },
        name);
  }
}

TEST(ImagePng, Palettes) {
  for (int depth : {1, 2, 4, 8}) {
    for (bool trns : {false, true}) {
      std::string name = "palette depth " + std::to_string(depth) + (trns ? " tRNS" : "");
      imagetest::IndexedPicture pic =
          imagetest::MakeIndexedPicture(11, 5, depth == 8 ? 150 : 1 << depth, 40 + depth);
      Decoded d;
      Decode(imagetest::WriteIndexedPng(pic, depth, trns), morrow::LoadPngImage, &d);
      ASSERT_EQ(d.result, 0) << name;
      int bits = trns ? 32 : 24;
      EXPECT_EQ(d.image.format.bitsPerPixel, bits) << name;
      EXPECT_EQ(d.image.pitch, 11 * bits / 8) << name;
      imagetest::ExpectPixels(
          d.image,
          [&](int x, int y) {
            Rgba c = pic.ColourAt(x, y);
            int i = pic.At(x, y);
            if (trns && i < 8) c.a = static_cast<uint8_t>(255 - 16 * i);
            return c;
          },
          name);
    }
  }
}

TEST(ImagePng, TruncatedFileFailsWithReadError) {
  testsupport::TempDir dir;
  morrow::SetLogDirectory(dir.path());
  ASSERT_EQ(morrow::StartLogFile(), 0);
  std::string bytes = imagetest::WritePng(imagetest::MakePicture(5, 5, 1), {});
  Decoded d;
  Decode(bytes.substr(0, bytes.size() - 20), morrow::LoadPngImage, &d);
  std::string log = testsupport::ReadFile(dir.File("AppLog.txt"));
  morrow::SetLogDirectory("");
  EXPECT_EQ(d.result, -1);
  EXPECT_TRUE(imagetest::IsEmpty(d.image));
  EXPECT_NE(log.find("Read Error"), std::string::npos) << log;
}

// Rewrites the CRC of the chunk whose data starts at `data` (length n), so that only the change
// under test makes the file hostile.
void FixCrc(std::string* png, size_t data, size_t n) {
  uLong crc =
      crc32(0L, reinterpret_cast<const Bytef*>(png->data() + data - 4), static_cast<uInt>(n + 4));
  for (int i = 0; i < 4; ++i) (*png)[data + n + i] = static_cast<char>(crc >> (24 - 8 * i));
}

TEST(ImagePng, HostileFilesAreRefused) {
  const std::string good = imagetest::WritePng(imagetest::MakePicture(6, 4, 2), {});
  // IHDR data starts at 16: width, height, depth, colour type, compression, filter, interlace.
  auto header = [&](size_t at, std::initializer_list<uint8_t> bytes) {
    std::string s = good;
    size_t i = at;
    for (uint8_t b : bytes) s[i++] = static_cast<char>(b);
    FixCrc(&s, 16, 13);
    return s;
  };
  struct Case {
    const char* name;
    std::string bytes;
  } cases[] = {
      {"empty", ""},
      {"signature only", good.substr(0, 8)},
      {"bad signature", "\x89PNX" + good.substr(4)},
      {"width 70000", header(16, {0, 1, 0x11, 0x70})},
      {"height 65536", header(20, {0, 1, 0, 0})},
      {"65535 x 65535 is too much memory", header(16, {0, 0, 0xFF, 0xFF, 0, 0, 0xFF, 0xFF})},
      {"width 0", header(16, {0, 0, 0, 0})},
      {"depth 3", header(24, {3})},
      {"grey at depth 16 with colour type 5", header(25, {5})},
      {"header CRC broken",
       [&] {
         std::string s = good;
         s[29] = static_cast<char>(s[29] ^ 1);
         return s;
       }()},
      {"image data cut", good.substr(0, good.size() - 16)},
      {"end chunk missing", good.substr(0, good.size() - 12)},
  };
  for (const Case& c : cases) {
    Decoded d;
    Decode(c.bytes, morrow::LoadPngImage, &d);
    EXPECT_EQ(d.result, -1) << c.name;
    EXPECT_TRUE(imagetest::IsEmpty(d.image)) << c.name;
  }
}

}  // namespace
