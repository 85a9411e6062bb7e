// pngprobe FILE X,Y...: prints the picture's size as WxH, then each asked pixel as X,Y RRGGBB.
// Exit 0; 1 when the file cannot be read as a PNG; 2 for bad arguments or a pixel outside.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/png_file.h"

namespace {

bool ParsePoint(const char* text, long* x, long* y) {
  char* end = nullptr;
  *x = std::strtol(text, &end, 10);
  if (end == text || *end != ',') return false;
  const char* second = end + 1;
  *y = std::strtol(second, &end, 10);
  return end != second && *end == '\0';
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: pngprobe FILE [X,Y]...\n");
    return 2;
  }
  int32_t w = 0, h = 0;
  std::vector<uint8_t> rgb;
  std::string error;
  if (!platform::ReadPngRgb(argv[1], &w, &h, &rgb, &error)) {
    std::fprintf(stderr, "pngprobe: %s: %s\n", argv[1], error.c_str());
    return 1;
  }
  std::printf("%dx%d\n", w, h);
  for (int i = 2; i < argc; ++i) {
    long x = 0, y = 0;
    if (!ParsePoint(argv[i], &x, &y)) {
      std::fprintf(stderr, "pngprobe: not a point: %s\n", argv[i]);
      return 2;
    }
    if (x < 0 || y < 0 || x >= w || y >= h) {
      std::fprintf(stderr, "pngprobe: %ld,%ld lies outside %dx%d\n", x, y, w, h);
      return 2;
    }
    const uint8_t* p =
        rgb.data() + (static_cast<size_t>(y) * static_cast<size_t>(w) + static_cast<size_t>(x)) * 3;
    std::printf("%ld,%ld %02x%02x%02x\n", x, y, p[0], p[1], p[2]);
  }
  return 0;
}
