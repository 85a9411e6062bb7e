// pngprobe FILE X,Y...: prints the picture's size as WxH, then each asked pixel as X,Y RRGGBB.
// FILE is read as cat reads it (a named pipe waits for its writer), up to 64 MiB.
// Exit 0; 1 when the file cannot be read as a PNG, SIGINT, SIGTERM or SIGHUP ended the wait for
// it ("pngprobe: stopped by SIG... while reading FILE") or standard output cannot take the lines;
// 2 for bad arguments (an option among them) or a pixel outside.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/png_file.h"
#include "tools/lib/toolrun/tool_run.h"

namespace {

bool ParsePoint(const char* text, long* x, long* y) {
  char* end = nullptr;
  *x = std::strtol(text, &end, 10);
  if (end == text || *end != ',') return false;
  const char* second = end + 1;
  *y = std::strtol(second, &end, 10);
  return end != second && *end == '\0';
}

int Run(int argc, char** argv) {
  if (argc < 2 || toolrun::IsOption(argv[1])) {
    std::fprintf(stderr, "usage: pngprobe FILE [X,Y]...\n");
    return toolrun::kUsage;
  }
  int32_t w = 0, h = 0;
  std::vector<uint8_t> rgb;
  std::string bytes, error;
  if (!toolrun::ReadWholeFile(argv[1], toolrun::kInputLimit, &bytes)) return 1;
  if (!platform::DecodePngRgb(bytes, &w, &h, &rgb, &error)) {
    toolrun::Say(std::string(argv[1]) + ": " + error);
    return 1;
  }
  std::printf("%dx%d\n", w, h);
  for (int i = 2; i < argc; ++i) {
    long x = 0, y = 0;
    if (!ParsePoint(argv[i], &x, &y)) {
      toolrun::Say(std::string("not a point: ") + argv[i]);
      return toolrun::kUsage;
    }
    if (x < 0 || y < 0 || x >= w || y >= h) {
      toolrun::Say(std::to_string(x) + "," + std::to_string(y) + " lies outside " +
                   std::to_string(w) + "x" + std::to_string(h));
      return toolrun::kUsage;
    }
    const uint8_t* p =
        rgb.data() + (static_cast<size_t>(y) * static_cast<size_t>(w) + static_cast<size_t>(x)) * 3;
    std::printf("%ld,%ld %02x%02x%02x\n", x, y, p[0], p[1], p[2]);
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  toolrun::Begin("pngprobe");
  toolrun::CatchStopSignals();
  return toolrun::End(Run(argc, argv));
}
