// imgdump [--pixel X,Y]... FILE
//
// Decodes FILE with the library's loader chain and prints the loader that accepted it, the size,
// the pixel format and a CRC-32 of the pixels as RGBA bytes (each channel widened to 8 bits,
// palette images through their palette, alpha 255 when the format has none), then one
// RRGGBBAA line per requested pixel. Exit 0; 1 when the file is missing, not a file or no loader
// accepts it, or standard output cannot take the lines; 2 on a usage error.
#include <zlib.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "morrow/device/color_format.h"
#include "morrow/graphics/graph_image.h"
#include "morrow/graphics/image_loader.h"
#include "morrow/system/stream.h"
#include "platform/codepage.h"
#include "tools/lib/toolrun/tool_run.h"

namespace {

struct Pixel {
  long x;
  long y;
};

int Usage(const char* why) {
  toolrun::Say(why);
  std::fprintf(stderr, "usage: imgdump [--pixel X,Y]... FILE\n");
  return toolrun::kUsage;
}

bool ParseNumber(const std::string& text, long* out) {
  if (text.empty() || text.size() > 9) return false;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  *out = std::strtol(text.c_str(), nullptr, 10);
  return true;
}

bool ParsePixel(const std::string& text, Pixel* out) {
  size_t comma = text.find(',');
  return comma != std::string::npos && ParseNumber(text.substr(0, comma), &out->x) &&
         ParseNumber(text.substr(comma + 1), &out->y);
}

uint8_t Channel(uint32_t v, uint32_t mask, int shift, int width) {
  return static_cast<uint8_t>(morrow::ConvertChannelWidth((v & mask) >> shift, width, 8));
}

// One pixel as R, G, B, A bytes.
void ReadRgba(const morrow::GraphImage& image, long x, long y, uint8_t* rgba) {
  const morrow::ColorFormat& f = image.format;
  const auto* p = static_cast<const uint8_t*>(image.pixels) + y * image.pitch + x * f.bytesPerPixel;
  uint32_t v = 0;
  for (int i = 0; i < f.bytesPerPixel; ++i) v |= uint32_t{p[i]} << (8 * i);
  // An 8-bit format whose colour masks lie above the pixel is the palette format.
  if (f.bitsPerPixel == 8 && f.redMask > 0xFF) {
    uint32_t e = f.palette[v & 0xFF];
    rgba[0] = static_cast<uint8_t>(e >> 16);
    rgba[1] = static_cast<uint8_t>(e >> 8);
    rgba[2] = static_cast<uint8_t>(e);
    rgba[3] = 255;
    return;
  }
  rgba[0] = Channel(v, f.redMask, f.redShift, f.redWidth);
  rgba[1] = Channel(v, f.greenMask, f.greenShift, f.greenWidth);
  rgba[2] = Channel(v, f.blueMask, f.blueShift, f.blueWidth);
  rgba[3] = f.alphaWidth == 0 ? 255 : Channel(v, f.alphaMask, f.alphaShift, f.alphaWidth);
}

int Run(int argc, char** argv) {
  std::vector<Pixel> pixels;
  const char* file = nullptr;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "--pixel") {
      Pixel p;
      if (i + 1 >= argc || !ParsePixel(argv[i + 1], &p)) return Usage("--pixel needs X,Y");
      pixels.push_back(p);
      ++i;
    } else if (toolrun::IsOption(argv[i])) {
      return Usage(("unknown option " + arg).c_str());
    } else if (file != nullptr) {
      return Usage("more than one file");
    } else {
      file = argv[i];
    }
  }
  if (file == nullptr) return Usage("no file");

  // The library takes paths in the game's code page.
  std::string path = platform::Utf8ToGbk(file);
  morrow::StreamSource stream;
  const std::string problem = toolrun::RegularFileRefusal(file);
  if (!problem.empty() || !morrow::OpenFileStreamSource(path.c_str(), &stream)) {
    toolrun::Say(problem.empty() ? std::string(file) + ": cannot open" : problem);
    return 1;
  }
  morrow::GraphImage image{};
  morrow::ImageLoaderKind kind;
  int result = morrow::LoadImageThroughLoaders(&stream, &image, &kind);
  stream.functions.close(stream.handle);
  if (result != 0) {
    toolrun::Say(std::string(file) + ": not a readable image");
    return 1;
  }
  for (const Pixel& p : pixels) {
    if (p.x >= image.width || p.y >= image.height) {
      toolrun::Say("pixel " + std::to_string(p.x) + "," + std::to_string(p.y) + " is outside the " +
                   std::to_string(image.width) + "x" + std::to_string(image.height) + " image");
      morrow::FreeGraphImage(&image);
      return toolrun::kUsage;
    }
  }

  std::vector<uint8_t> rgba(static_cast<size_t>(image.width) * image.height * 4);
  for (long y = 0; y < image.height; ++y) {
    for (long x = 0; x < image.width; ++x) {
      ReadRgba(image, x, y, &rgba[(static_cast<size_t>(y) * image.width + x) * 4]);
    }
  }
  uLong crc = crc32(0L, Z_NULL, 0);
  // zlib takes lengths in 32 bits; an image may be larger.
  for (size_t done = 0; done < rgba.size();) {
    size_t n = rgba.size() - done < (1u << 30) ? rgba.size() - done : (1u << 30);
    crc = crc32(crc, rgba.data() + done, static_cast<uInt>(n));
    done += n;
  }
  const morrow::ColorFormat& f = image.format;
  std::printf("%s %dx%d bpp=%d masks=%08x/%08x/%08x/%08x crc32=%08lx\n",
              morrow::GetImageLoaderName(kind), image.width, image.height, f.bitsPerPixel,
              f.redMask, f.greenMask, f.blueMask, f.alphaMask, static_cast<unsigned long>(crc));
  for (const Pixel& p : pixels) {
    const uint8_t* c = &rgba[(static_cast<size_t>(p.y) * image.width + p.x) * 4];
    std::printf("%ld,%ld %02x%02x%02x%02x\n", p.x, p.y, c[0], c[1], c[2], c[3]);
  }
  morrow::FreeGraphImage(&image);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  toolrun::Begin("imgdump");
  return toolrun::End(Run(argc, argv));
}
