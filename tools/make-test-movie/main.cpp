// make-test-movie OUT W H FPS R,G,B...
//
// Writes a lossless movie (FFV1 frames of 32-bit BGR in Matroska) of W x H pixels at FPS frames
// a second, one frame per colour given, each frame filled with its colour. Decoded, the colours
// come back exactly. Exit 0; 1 when the file cannot be written; 2 for bad arguments.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/media/movie_writer.h"

namespace {

int Usage(const char* problem) {
  std::fprintf(stderr, "make-test-movie: %s\nusage: make-test-movie OUT W H FPS R,G,B...\n",
               problem);
  return 2;
}

bool ParseInt(const char* text, long low, long high, int* out) {
  char* end = nullptr;
  const long v = std::strtol(text, &end, 10);
  if (end == text || *end != '\0' || v < low || v > high) return false;
  *out = static_cast<int>(v);
  return true;
}

// "R,G,B" with each channel 0..255 as 0xRRGGBB.
bool ParseColour(const char* text, uint32_t* out) {
  uint32_t c = 0;
  const char* p = text;
  for (int i = 0; i < 3; ++i) {
    char* end = nullptr;
    const long v = std::strtol(p, &end, 10);
    if (end == p || v < 0 || v > 255 || *end != (i < 2 ? ',' : '\0')) return false;
    c = c << 8 | static_cast<uint32_t>(v);
    p = end + 1;
  }
  *out = c;
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 6) return Usage("too few arguments");
  platform::TestMovieSpec spec;
  if (!ParseInt(argv[2], 1, 4096, &spec.width) || !ParseInt(argv[3], 1, 4096, &spec.height)) {
    return Usage("W and H take 1..4096");
  }
  if (!ParseInt(argv[4], 1, 1000, &spec.framesPerSecond)) return Usage("FPS takes 1..1000");
  for (int i = 5; i < argc; ++i) {
    uint32_t c = 0;
    if (!ParseColour(argv[i], &c)) return Usage((std::string("bad colour: ") + argv[i]).c_str());
    spec.colours.push_back(c);
  }
  std::string error;
  if (!platform::WriteTestMovie(argv[1], spec, &error)) {
    std::fprintf(stderr, "make-test-movie: %s: %s\n", argv[1], error.c_str());
    return 1;
  }
  return 0;
}
