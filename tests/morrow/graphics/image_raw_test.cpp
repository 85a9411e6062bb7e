// The loaders that parse their formats themselves: TGA, DDS and the library's raw BGRA.
#include <cstring>
#include <functional>

#include "tests/morrow/graphics/image_test_util.h"

namespace {

using imagetest::Decode;
using imagetest::Decoded;
using imagetest::Rgba;

void SetLe16(std::string* s, size_t at, uint32_t v) {
  (*s)[at] = static_cast<char>(v & 0xFF);
  (*s)[at + 1] = static_cast<char>((v >> 8) & 0xFF);
}
void SetLe32(std::string* s, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) (*s)[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

struct Mutation {
  const char* name;
  const std::string* base;
  std::function<void(std::string*)> change;
};

void ExpectRefused(const std::vector<Mutation>& cases, morrow::ImageLoader loader) {
  for (const Mutation& c : cases) {
    std::string bytes = *c.base;
    c.change(&bytes);
    Decoded d;
    Decode(bytes, loader, &d);
    EXPECT_EQ(d.result, -1) << c.name;
    EXPECT_TRUE(imagetest::IsEmpty(d.image)) << c.name;
  }
}

// ---- TGA ----

Rgba Tga16(Rgba p) {
  return {imagetest::QuantizeChannel(p.r, 5), imagetest::QuantizeChannel(p.g, 5),
          imagetest::QuantizeChannel(p.b, 5), 255};
}

TEST(ImageTga, TrueColourInEveryStorageOrder) {
  const imagetest::Picture pic = imagetest::MakePicture(6, 5, 17);
  for (int depth : {16, 24, 32}) {
    for (int order = 0; order < 4; ++order) {
      for (bool rle : {false, true}) {
        imagetest::TgaOptions o;
        o.type = rle ? 10 : 2;
        o.depth = depth;
        o.topDown = (order & 1) != 0;
        o.rightToLeft = (order & 2) != 0;
        std::string name =
            std::to_string(depth) + " order " + std::to_string(order) + (rle ? " rle" : " plain");
        Decoded d;
        Decode(imagetest::WriteTga(pic, o), morrow::LoadTgaImage, &d);
        ASSERT_EQ(d.result, 0) << name;
        EXPECT_EQ(d.image.pitch, 6 * depth / 8) << name;
        if (depth == 16) {
          // Without a footer the top bit of a 16-bit pixel is no alpha.
          imagetest::ExpectMasks(d.image, 16, 0x7C00, 0x3E0, 0x1F, 0, name);
          EXPECT_EQ(d.image.format.fillMask, 0x8000u) << name;
        } else {
          imagetest::ExpectMasks(d.image, depth, 0xFF0000, 0xFF00, 0xFF,
                                 depth == 32 ? 0xFF000000 : 0, name);
        }
        imagetest::ExpectPixels(
            d.image,
            [&](int x, int y) {
              Rgba p = pic.At(x, y);
              if (depth == 16) return Tga16(p);
              return Rgba{p.r, p.g, p.b, depth == 32 ? p.a : uint8_t{255}};
            },
            name);
      }
    }
  }
}

TEST(ImageTga, ColourMapped) {
  const imagetest::IndexedPicture pic = imagetest::MakeIndexedPicture(7, 4, 12, 5);
  struct Case {
    int entryBits;
    int first;
    bool rle;
    bool topDown;
  } cases[] = {{24, 0, false, false}, {24, 100, true, true},   {16, 3, false, true},
               {16, 0, true, false},  {32, 244, false, false}, {32, 7, true, true}};
  for (const Case& c : cases) {
    imagetest::TgaOptions o;
    o.type = c.rle ? 9 : 1;
    o.depth = c.entryBits;
    o.mapFirst = c.first;
    o.topDown = c.topDown;
    std::string name = std::to_string(c.entryBits) + " first " + std::to_string(c.first);
    Decoded d;
    Decode(imagetest::WriteIndexedTga(pic, o), morrow::LoadTgaImage, &d);
    ASSERT_EQ(d.result, 0) << name;
    EXPECT_EQ(d.image.format.bitsPerPixel, c.entryBits) << name;
    EXPECT_EQ(d.image.pitch, 7 * c.entryBits / 8) << name;
    imagetest::ExpectPixels(
        d.image,
        [&](int x, int y) {
          Rgba p = pic.ColourAt(x, y);
          return c.entryBits == 16 ? Tga16(p) : p;
        },
        name);
  }
}

TEST(ImageTga, IndicesOutsideTheMapAreZeroEntries) {
  // A map of two entries at index 10; the pixels use indices 0, 10, 11 and 255.
  std::string f;
  f += '\0';
  f += '\1';
  f += '\1';
  imagetest::PutLe16(&f, 10);
  imagetest::PutLe16(&f, 2);
  f += static_cast<char>(24);
  imagetest::PutLe32(&f, 0);
  imagetest::PutLe16(&f, 4);
  imagetest::PutLe16(&f, 1);
  f += static_cast<char>(8);
  f += static_cast<char>(0x20);
  f += std::string("\x10\x20\x30\x40\x50\x60", 6);
  f += std::string("\x00\x0A\x0B\xFF", 4);
  Decoded d;
  Decode(f, morrow::LoadTgaImage, &d);
  ASSERT_EQ(d.result, 0);
  const Rgba want[] = {
      {0, 0, 0, 255}, {0x30, 0x20, 0x10, 255}, {0x60, 0x50, 0x40, 255}, {0, 0, 0, 255}};
  imagetest::ExpectPixels(
      d.image, [&](int x, int) { return want[x]; }, "map");
}

TEST(ImageTga, FooterAndExtensionAreaDecideAlpha) {
  const imagetest::Picture pic = imagetest::MakePicture(4, 3, 9);
  struct Case {
    const char* name;
    int depth;
    bool footer;
    int attributes;
    uint32_t alphaMask;
  } cases[] = {
      {"no footer, 32", 32, false, -1, 0xFF000000},
      {"no footer, 16", 16, false, -1, 0},
      {"footer without extension, 32", 32, true, -1, 0xFF000000},
      {"footer without extension, 16", 16, true, -1, 0},
      {"attributes 3, 16", 16, true, 3, 0x8000},
      {"attributes 3, 32", 32, true, 3, 0xFF000000},
      {"attributes 0, 32", 32, true, 0, 0},
      {"attributes 2, 32", 32, true, 2, 0},
      {"attributes 4, 16", 16, true, 4, 0},
  };
  for (const Case& c : cases) {
    imagetest::TgaOptions o;
    o.depth = c.depth;
    o.footer = c.footer;
    o.attributesType = c.attributes;
    for (bool rle : {false, true}) {
      o.type = rle ? 10 : 2;
      Decoded d;
      Decode(imagetest::WriteTga(pic, o), morrow::LoadTgaImage, &d);
      ASSERT_EQ(d.result, 0) << c.name;
      EXPECT_EQ(d.image.format.alphaMask, c.alphaMask) << c.name;
      imagetest::ExpectPixels(
          d.image,
          [&](int x, int y) {
            Rgba p = pic.At(x, y);
            Rgba want = c.depth == 16 ? Tga16(p) : Rgba{p.r, p.g, p.b, 255};
            if (c.alphaMask == 0x8000) want.a = p.a >= 128 ? 255 : 0;
            if (c.alphaMask == 0xFF000000) want.a = p.a;
            return want;
          },
          c.name);
    }
  }
}

TEST(ImageTga, RunLengthStopsAtTheLastPixel) {
  // 3 x 1: one repeat packet of 128 pixels, then bytes that are never read.
  std::string f("\0\0\x0A\0\0\0\0\0\0\0\0\0\x03\0\x01\0\x18\x20", 18);
  f += std::string("\xFF\x01\x02\x03", 4);
  f += std::string(40, '\x81');
  Decoded d;
  Decode(f, morrow::LoadTgaImage, &d);
  ASSERT_EQ(d.result, 0);
  imagetest::ExpectPixels(
      d.image,
      [](int, int) {
        return Rgba{3, 2, 1, 255};
      },
      "repeat");
}

TEST(ImageTga, HostileFilesAreRefused) {
  imagetest::TgaOptions plainOptions;
  const imagetest::Picture pic = imagetest::MakePicture(5, 4, 3);
  const std::string plain = imagetest::WriteTga(pic, plainOptions);
  imagetest::TgaOptions rleOptions;
  rleOptions.type = 10;
  const std::string rle = imagetest::WriteTga(pic, rleOptions);
  rleOptions.footer = true;
  const std::string rleFooter = imagetest::WriteTga(pic, rleOptions);
  imagetest::TgaOptions extOptions;
  extOptions.footer = true;
  extOptions.attributesType = 3;
  extOptions.depth = 32;
  const std::string ext = imagetest::WriteTga(pic, extOptions);
  imagetest::TgaOptions mapOptions;
  mapOptions.type = 1;
  mapOptions.mapFirst = 4;
  const std::string mapped =
      imagetest::WriteIndexedTga(imagetest::MakeIndexedPicture(5, 4, 9, 1), mapOptions);

  std::vector<Mutation> cases = {
      {"17 bytes", &plain, [](std::string* s) { s->resize(17); }},
      {"image ID present", &plain, [](std::string* s) { (*s)[0] = 1; }},
      {"no image data", &plain, [](std::string* s) { (*s)[2] = 0; }},
      {"grey", &plain, [](std::string* s) { (*s)[2] = 3; }},
      {"grey run-length", &plain, [](std::string* s) { (*s)[2] = 11; }},
      {"type 32", &plain, [](std::string* s) { (*s)[2] = 32; }},
      {"x origin", &plain, [](std::string* s) { SetLe16(s, 8, 1); }},
      {"y origin", &plain, [](std::string* s) { SetLe16(s, 10, 1); }},
      {"width 4096", &plain, [](std::string* s) { SetLe16(s, 12, 4096); }},
      {"height 4096", &plain, [](std::string* s) { SetLe16(s, 14, 4096); }},
      {"width 0", &plain, [](std::string* s) { SetLe16(s, 12, 0); }},
      {"depth 8 true colour", &plain, [](std::string* s) { (*s)[16] = 8; }},
      {"depth 15", &plain, [](std::string* s) { (*s)[16] = 15; }},
      {"colour map type 2", &plain, [](std::string* s) { (*s)[1] = 2; }},
      {"pixels cut", &plain, [](std::string* s) { s->pop_back(); }},
      {"alpha mode 3 on 24 bits", &ext, [](std::string* s) { (*s)[16] = 24; }},
      {"extension area past the end", &ext,
       [](std::string* s) { SetLe32(s, s->size() - 26, static_cast<uint32_t>(s->size() - 494)); }},
      {"extension offset near 4 GiB", &ext,
       [](std::string* s) { SetLe32(s, s->size() - 26, 0xFFFFFFF0u); }},
      {"run-length data runs out", &rle, [](std::string* s) { s->resize(s->size() - 3); }},
      {"run-length data runs into the footer", &rleFooter,
       [](std::string* s) { s->erase(s->size() - 30, 4); }},
      {"mapped without a map", &mapped, [](std::string* s) { (*s)[1] = 0; }},
      {"mapped with 16-bit indices", &mapped, [](std::string* s) { (*s)[16] = 16; }},
      {"map entries of 15 bits", &mapped, [](std::string* s) { (*s)[7] = 15; }},
      {"map past 256 entries", &mapped, [](std::string* s) { SetLe16(s, 3, 248); }},
      {"map cut", &mapped, [](std::string* s) { s->resize(18 + 10); }},
      {"indices cut", &mapped, [](std::string* s) { s->pop_back(); }},
  };
  ExpectRefused(cases, morrow::LoadTgaImage);
}

// ---- DDS ----

uint8_t Kept(uint8_t v, uint32_t mask) {
  int width = 0;
  for (uint32_t m = mask; m != 0; m >>= 1) width += m & 1;
  return imagetest::QuantizeChannel(v, width);
}

TEST(ImageDds, FormatCodesAndDescriptors) {
  const imagetest::Picture pic = imagetest::MakePicture(7, 3, 23);
  struct Case {
    const char* name;
    uint32_t flags;
    uint32_t code;
    int bits;
    uint32_t masks[4];
    uint32_t pitch;
  } cases[] = {
      {"code 20", 4, 20, 24, {0xFF0000, 0xFF00, 0xFF, 0}, 0},
      {"code 21", 4, 21, 32, {0xFF0000, 0xFF00, 0xFF, 0xFF000000}, 0},
      {"code 22", 4, 22, 32, {0xFF0000, 0xFF00, 0xFF, 0}, 0},
      {"code 23", 4, 23, 16, {0xF800, 0x7E0, 0x1F, 0}, 0},
      {"code 24", 4, 24, 16, {0x7C00, 0x3E0, 0x1F, 0}, 0},
      {"code 25", 4, 25, 16, {0x7C00, 0x3E0, 0x1F, 0x8000}, 0},
      {"code 26", 4, 26, 16, {0xF00, 0xF0, 0xF, 0xF000}, 0},
      {"code 27", 4, 27, 8, {0xE0, 0x1C, 0x3, 0}, 0},
      {"code 29", 4, 29, 16, {0xE0, 0x1C, 0x3, 0xFF00}, 0},
      {"code 30", 4, 30, 16, {0xF00, 0xF0, 0xF, 0}, 0},
      {"code 31", 4, 31, 32, {0x3FF, 0xFFC00, 0x3FF00000, 0xC0000000}, 0},
      {"code 32", 4, 32, 32, {0xFF, 0xFF00, 0xFF0000, 0xFF000000}, 0},
      {"code 33", 4, 33, 32, {0xFF, 0xFF00, 0xFF0000, 0}, 0},
      {"code 35", 4, 35, 32, {0x3FF00000, 0xFFC00, 0x3FF, 0xC0000000}, 0},
      {"code 21 with pitch", 4, 21, 32, {0xFF0000, 0xFF00, 0xFF, 0xFF000000}, 32},
      {"ARGB descriptor", 0x41, 0, 32, {0xFF0000, 0xFF00, 0xFF, 0xFF000000}, 0},
      {"ARGB descriptor with pitch", 0x41, 0, 32, {0xFF, 0xFF00, 0xFF0000, 0xFF000000}, 34},
      {"ARGB 4:4:4:4 descriptor", 0x41, 0, 16, {0xF00, 0xF0, 0xF, 0xF000}, 0},
      {"A1R5G5B5 descriptor", 0x41, 0, 16, {0x7C00, 0x3E0, 0x1F, 0x8000}, 16},
      {"24-bit descriptor with alpha flag", 0x41, 0, 24, {0xFF0000, 0xFF00, 0xFF, 0}, 0},
  };
  for (const Case& c : cases) {
    imagetest::DdsOptions o;
    o.pixelFlags = c.flags;
    o.fourCc = c.code;
    o.bits = c.bits;
    std::memcpy(o.masks, c.masks, sizeof o.masks);
    o.pitch = c.pitch;
    std::string bytes = imagetest::WriteDds(pic, o);
    if (c.flags == 4) {
      // A table code decides the format whatever the descriptor's own fields say.
      SetLe32(&bytes, 4 + 84, 0);
      for (int i = 0; i < 4; ++i) SetLe32(&bytes, 4 + 88 + 4 * i, 0);
    }
    Decoded d;
    Decode(bytes, morrow::LoadDdsImage, &d);
    ASSERT_EQ(d.result, 0) << c.name;
    imagetest::ExpectMasks(d.image, c.bits, c.masks[0], c.masks[1], c.masks[2], c.masks[3], c.name);
    EXPECT_EQ(d.image.pitch, c.pitch != 0 ? c.pitch : 7u * c.bits / 8) << c.name;
    imagetest::ExpectPixels(
        d.image,
        [&](int x, int y) {
          Rgba p = pic.At(x, y);
          return Rgba{Kept(p.r, c.masks[0]), Kept(p.g, c.masks[1]), Kept(p.b, c.masks[2]),
                      c.masks[3] == 0 ? uint8_t{255} : Kept(p.a, c.masks[3])};
        },
        c.name);
  }
}

TEST(ImageDds, HostileFilesAreRefused) {
  const imagetest::Picture pic = imagetest::MakePicture(7, 3, 1);
  const std::string argb = imagetest::WriteDds(pic, {});
  imagetest::DdsOptions codeOptions;
  codeOptions.pixelFlags = 4;
  codeOptions.fourCc = 21;
  const std::string code = imagetest::WriteDds(pic, codeOptions);
  imagetest::DdsOptions pitchOptions;
  pitchOptions.pitch = 40;
  const std::string pitched = imagetest::WriteDds(pic, pitchOptions);
  const size_t pf = 4 + 72;
  std::vector<Mutation> cases = {
      {"magic", &argb, [](std::string* s) { (*s)[3] = '_'; }},
      {"descriptor cut", &argb, [](std::string* s) { s->resize(100); }},
      {"RGB without alpha flag", &argb, [&](std::string* s) { SetLe32(s, pf + 4, 0x40); }},
      {"DXT1", &code, [&](std::string* s) { SetLe32(s, pf + 8, 0x31545844); }},
      {"DXT5", &code, [&](std::string* s) { SetLe32(s, pf + 8, 0x35545844); }},
      {"code 28 is not in the table", &code, [&](std::string* s) { SetLe32(s, pf + 8, 28); }},
      {"code 0", &code, [&](std::string* s) { SetLe32(s, pf + 8, 0); }},
      {"bit count 12", &argb, [&](std::string* s) { SetLe32(s, pf + 12, 12); }},
      {"bit count 0", &argb, [&](std::string* s) { SetLe32(s, pf + 12, 0); }},
      {"bit count 64", &argb, [&](std::string* s) { SetLe32(s, pf + 12, 64); }},
      {"red mask 0", &argb, [&](std::string* s) { SetLe32(s, pf + 16, 0); }},
      {"green mask split", &argb, [&](std::string* s) { SetLe32(s, pf + 20, 0xF00F); }},
      {"alpha mask split", &argb, [&](std::string* s) { SetLe32(s, pf + 28, 0x80000001); }},
      {"mask outside 16 bits", &argb,
       [&](std::string* s) {
         SetLe32(s, pf + 12, 16);
         SetLe32(s, pf + 16, 0xF0000);
       }},
      {"pitch below the row", &pitched, [](std::string* s) { SetLe32(s, 4 + 16, 27); }},
      {"pitch near 4 GiB", &pitched, [](std::string* s) { SetLe32(s, 4 + 16, 0xFFFFFFF0u); }},
      {"width 0", &argb, [](std::string* s) { SetLe32(s, 4 + 12, 0); }},
      {"negative height", &argb,
       [](std::string* s) { SetLe32(s, 4 + 8, static_cast<uint32_t>(-3)); }},
      {"height 70000", &argb, [](std::string* s) { SetLe32(s, 4 + 8, 70000); }},
      {"65535 x 65535", &argb,
       [](std::string* s) {
         SetLe32(s, 4 + 8, 65535);
         SetLe32(s, 4 + 12, 65535);
       }},
      {"pixels cut", &argb, [](std::string* s) { s->pop_back(); }},
      {"padded rows cut", &pitched, [](std::string* s) { s->resize(s->size() - 5); }},
  };
  ExpectRefused(cases, morrow::LoadDdsImage);
}

// ---- BGRA ----

TEST(ImageBgra, SixteenBitChannelsKeepTheirHighBytes) {
  const imagetest::Picture pic = imagetest::MakePicture(5, 4, 77);
  for (bool sixteen : {false, true}) {
    Decoded d;
    Decode(imagetest::WriteBgra(pic, sixteen), morrow::LoadBgraImage, &d);
    ASSERT_EQ(d.result, 0) << sixteen;
    imagetest::ExpectMasks(d.image, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000, "bgra");
    EXPECT_EQ(d.image.pitch, 20);
    imagetest::ExpectPixels(
        d.image, [&](int x, int y) { return pic.At(x, y); }, sixteen ? "16-bit" : "8-bit");
  }
}

TEST(ImageBgra, HostileFilesAreRefused) {
  const imagetest::Picture pic = imagetest::MakePicture(3, 2, 5);
  const std::string eight = imagetest::WriteBgra(pic, false);
  const std::string sixteen = imagetest::WriteBgra(pic, true);
  std::vector<Mutation> cases = {
      {"magic", &eight, [](std::string* s) { (*s)[3] = 'X'; }},
      {"header cut", &eight, [](std::string* s) { s->resize(15); }},
      {"channel word 0x08080800", &eight, [](std::string* s) { SetLe32(s, 4, 0x08080800); }},
      {"channel word 0x20202020", &eight, [](std::string* s) { SetLe32(s, 4, 0x20202020); }},
      {"width 0", &eight, [](std::string* s) { SetLe32(s, 8, 0); }},
      {"negative width", &eight, [](std::string* s) { SetLe32(s, 8, 0xFFFFFFFDu); }},
      {"height 65536", &eight, [](std::string* s) { SetLe32(s, 12, 65536); }},
      {"both 0x7fffffff", &eight,
       [](std::string* s) {
         SetLe32(s, 8, 0x7FFFFFFF);
         SetLe32(s, 12, 0x7FFFFFFF);
       }},
      {"65535 x 65535", &eight,
       [](std::string* s) {
         SetLe32(s, 8, 65535);
         SetLe32(s, 12, 65535);
       }},
      {"8-bit pixels cut", &eight, [](std::string* s) { s->pop_back(); }},
      {"16-bit pixels cut", &sixteen, [](std::string* s) { s->pop_back(); }},
      {"16-bit data read as 8-bit is enough, the other way not", &eight,
       [](std::string* s) { SetLe32(s, 4, 0x10101010); }},
  };
  ExpectRefused(cases, morrow::LoadBgraImage);
}

}  // namespace
