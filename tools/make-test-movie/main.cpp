// make-test-movie OUT W H FPS R,G,B...
//
// Writes a lossless movie (FFV1 frames of 32-bit BGR in Matroska) of W x H pixels at FPS frames
// a second, one frame per colour given, each frame filled with its colour. Decoded, the colours
// come back exactly. The movie is written into a temporary file beside OUT that takes OUT's name
// only once the movie is whole: a failed write leaves no file at OUT (an old file there keeps its
// bytes), and OUT must be a file or nothing. Exit 0; 1 when the file cannot be written, with the
// reason; 2 for bad arguments (an option among them).
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/media/movie_writer.h"
#include "platform/output_file.h"
#include "tools/lib/toolrun/tool_run.h"

namespace {

int Usage(const std::string& problem) {
  toolrun::Say(problem);
  std::fprintf(stderr, "usage: make-test-movie OUT W H FPS R,G,B...\n");
  return toolrun::kUsage;
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

int Run(int argc, char** argv) {
  if (argc < 6) return Usage("too few arguments");
  if (toolrun::IsOption(argv[1])) return Usage(std::string("unknown option ") + argv[1]);
  platform::TestMovieSpec spec;
  if (!ParseInt(argv[2], 1, 4096, &spec.width) || !ParseInt(argv[3], 1, 4096, &spec.height)) {
    return Usage("W and H take 1..4096");
  }
  if (!ParseInt(argv[4], 1, 1000, &spec.framesPerSecond)) return Usage("FPS takes 1..1000");
  for (int i = 5; i < argc; ++i) {
    uint32_t c = 0;
    if (!ParseColour(argv[i], &c)) return Usage(std::string("bad colour: ") + argv[i]);
    spec.colours.push_back(c);
  }
  // The muxer writes through the output's own stream: the temporary file is never opened again by
  // its name, which something else may have taken over in the meantime.
  platform::OutputFile out;
  if (!toolrun::Open(out, argv[1])) return 1;
  std::string error;
  if (!platform::WriteTestMovie(out.Stream(), spec, &error)) {
    toolrun::Say("cannot write " + std::string(argv[1]) + ": " + error);
    return 1;
  }
  return toolrun::Commit(out) ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  toolrun::Begin("make-test-movie");
  return toolrun::End(Run(argc, argv));
}
