#include "platform/frame_dump.h"

#include <png.h>

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/env.h"
#include "platform/pixel_layout.h"

namespace platform {
namespace {

struct DumpSettings {
  std::string dir;
  std::vector<std::pair<uint64_t, uint64_t>> frames;
};

const DumpSettings& Settings() {
  static const DumpSettings settings = [] {
    DumpSettings s;
    auto dir = EnvSetting("MORROW_DUMP_DIR");
    auto frames = EnvSetting("MORROW_DUMP_FRAMES");
    if (frames && !ParseFrameList(*frames, &s.frames)) {
      ReportBadSetting("MORROW_DUMP_FRAMES", *frames, "a list like 1,100,200-210");
      s.frames.clear();
    }
    if (dir) s.dir = *dir;
    return s;
  }();
  return settings;
}

// libpng reports errors by longjmp; this writer keeps no C++ object alive across it.
bool WritePngFile(FILE* file, int32_t width, int32_t height, const uint8_t* rgb) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  if (png == nullptr) return false;
  png_infop info = png_create_info_struct(png);
  if (info == nullptr) {
    png_destroy_write_struct(&png, nullptr);
    return false;
  }
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_init_io(png, file);
  png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
               PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int32_t y = 0; y < height; ++y) {
    png_write_row(png, const_cast<png_bytep>(rgb + static_cast<size_t>(y) * width * 3));
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return true;
}

bool ParseNumber(const std::string& s, uint64_t* out) {
  if (s.empty() || s.size() > 18) return false;
  uint64_t v = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + static_cast<uint64_t>(c - '0');
  }
  *out = v;
  return true;
}

}  // namespace

std::vector<uint8_t> PictureToRgb(const PresentedPicture& p) {
  std::vector<uint8_t> rgb(static_cast<size_t>(p.width) * static_cast<size_t>(p.height) * 3);
  if (p.pixels == nullptr) return rgb;
  const int bpp = static_cast<int>(p.format.bitCount / 8);
  LayoutCodec codec(p.format, p.palette);
  for (int32_t y = 0; y < p.height; ++y) {
    const uint8_t* row = p.pixels + static_cast<ptrdiff_t>(y) * p.pitch;
    uint8_t* out = rgb.data() + static_cast<size_t>(y) * static_cast<size_t>(p.width) * 3;
    for (int32_t x = 0; x < p.width; ++x) {
      Rgb8 c = codec.Decode(ReadPixel(row + x * bpp, bpp));
      out[x * 3] = c.r;
      out[x * 3 + 1] = c.g;
      out[x * 3 + 2] = c.b;
    }
  }
  return rgb;
}

bool WritePngRgb(const std::string& path, int32_t width, int32_t height, const uint8_t* rgb,
                 std::string* error) {
  if (width < 1 || height < 1 || rgb == nullptr) {
    if (error != nullptr) *error = "empty picture";
    return false;
  }
  FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) {
    if (error != nullptr) *error = std::strerror(errno);
    return false;
  }
  bool ok = WritePngFile(f, width, height, rgb);
  if (std::fclose(f) != 0) ok = false;
  if (!ok && error != nullptr) *error = "the PNG could not be written";
  return ok;
}

bool ParseFrameList(const std::string& text, std::vector<std::pair<uint64_t, uint64_t>>* out) {
  std::vector<std::pair<uint64_t, uint64_t>> ranges;
  size_t start = 0;
  while (start <= text.size()) {
    size_t comma = text.find(',', start);
    std::string item = text.substr(start, comma == std::string::npos ? std::string::npos
                                                                      : comma - start);
    uint64_t a = 0, b = 0;
    size_t dash = item.find('-');
    if (dash == std::string::npos) {
      if (!ParseNumber(item, &a)) return false;
      b = a;
    } else if (!ParseNumber(item.substr(0, dash), &a) || !ParseNumber(item.substr(dash + 1), &b)) {
      return false;
    }
    if (a < 1 || b < a) return false;
    ranges.emplace_back(a, b);
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  *out = std::move(ranges);
  return true;
}

void DumpFrameIfListed(uint64_t n, const PresentedPicture& picture) {
  const DumpSettings& s = Settings();
  if (s.dir.empty()) return;
  bool listed = false;
  for (const auto& r : s.frames) listed = listed || (n >= r.first && n <= r.second);
  if (!listed) return;
  char name[64];
  std::snprintf(name, sizeof(name), "/frame_%06llu.png", static_cast<unsigned long long>(n));
  std::vector<uint8_t> rgb = PictureToRgb(picture);
  std::string error;
  if (!WritePngRgb(s.dir + name, picture.width, picture.height, rgb.data(), &error)) {
    static bool reported = false;
    if (!reported) {
      std::fprintf(stderr, "morrow: frame dump into %s failed: %s\n", s.dir.c_str(),
                   error.c_str());
      reported = true;
    }
  }
}

}  // namespace platform
