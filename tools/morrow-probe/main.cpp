// morrow-probe: small probes of the library from the command line.
//
//   morrow-probe rng SEED N        the first N words of the generator after SeedRandom(SEED)
//   morrow-probe rng-unseeded N    the first N words of a generator that seeds itself
//   morrow-probe start-end [--window|--full]
//                                  starts the library (in the mode given, else its default),
//                                  pumps a few frames and ends it; exit 1 when the start fails
//   morrow-probe pad DEVICE --frames N
//                                  starts the library, then for frames F = 1 to N prints
//                                  "F 0x<bits>" of GetPadInputBits(DEVICE) and pumps once
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "morrow/system/input.h"
#include "morrow/system/library.h"
#include "morrow/system/time.h"
#include "morrow/system/window.h"

namespace {

int Usage() {
  std::fprintf(stderr,
               "usage: morrow-probe rng SEED N\n"
               "       morrow-probe rng-unseeded N\n"
               "       morrow-probe start-end [--window|--full]\n"
               "       morrow-probe pad DEVICE --frames N\n");
  return 2;
}

bool ParseNumber(const char* text, long long min, long long max, long long* out) {
  errno = 0;
  char* end = nullptr;
  long long v = std::strtoll(text, &end, 0);
  if (errno != 0 || end == text || *end != '\0' || v < min || v > max) return false;
  *out = v;
  return true;
}

void PrintWords(long long count) {
  for (long long i = 0; i < count; ++i) {
    std::printf(i == 0 ? "%u" : " %u", morrow::NextRandomWord());
  }
  std::printf("\n");
}

// The frames the probe pumps between the start and the end.
constexpr int kProbeFrames = 5;

int StartEnd(int argc, char** argv) {
  if (argc > 3) return Usage();
  if (argc == 3) {
    std::string mode = argv[2];
    if (mode == "--window") {
      morrow::ChangeWindowMode(1);
    } else if (mode == "--full") {
      morrow::ChangeWindowMode(0);
    } else {
      return Usage();
    }
  }
  if (morrow::InitLibrary() != 0) {
    std::fprintf(stderr, "morrow-probe: the library start failed\n");
    return 1;
  }
  for (int i = 0; i < kProbeFrames; ++i) {
    if (morrow::PumpMessages() != 0) break;
  }
  morrow::EndLibrary();
  return 0;
}

int Pad(int argc, char** argv) {
  long long device = 0, frames = 0;
  if (argc != 5 || !ParseNumber(argv[2], INT32_MIN, INT32_MAX, &device) ||
      std::string(argv[3]) != "--frames" || !ParseNumber(argv[4], 0, 1000000, &frames)) {
    return Usage();
  }
  if (morrow::InitLibrary() != 0) {
    std::fprintf(stderr, "morrow-probe: the library start failed\n");
    return 1;
  }
  for (long long f = 1; f <= frames; ++f) {
    int bits = morrow::GetPadInputBits(static_cast<int>(device));
    std::printf("%lld 0x%x\n", f, static_cast<unsigned>(bits));
    morrow::PumpMessages();
  }
  std::fflush(stdout);
  morrow::EndLibrary();
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage();
  std::string op = argv[1];
  long long seed = 0, count = 0;
  if (op == "rng") {
    if (argc != 4 || !ParseNumber(argv[2], 0, 0xFFFFFFFFLL, &seed) ||
        !ParseNumber(argv[3], 0, 1000000, &count)) {
      return Usage();
    }
    morrow::SeedRandom(static_cast<uint32_t>(seed));
    PrintWords(count);
    return 0;
  }
  if (op == "rng-unseeded") {
    if (argc != 3 || !ParseNumber(argv[2], 0, 1000000, &count)) return Usage();
    PrintWords(count);
    return 0;
  }
  if (op == "start-end") return StartEnd(argc, argv);
  if (op == "pad") return Pad(argc, argv);
  return Usage();
}
