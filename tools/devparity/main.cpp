// devparity [--depth 16|32]... [--script NAME]...
//
// Runs each parity script (a devshot built-in) through devshot on the software path and on the
// 3D path at each depth (default 16 and 32) and compares the two frames. The script's first line
// says how:
//   # parity exact           every pixel's red, green and blue equal in the screen's widths
//   # parity tolerance D F   a pixel passes when each channel is within D steps of the other
//                            frame's, or of some pixel of its 3 x 3 neighbourhood there; at most
//                            F pixels in 1000 may fail
// Prints "NAME DEPTH exact|tolerance pass|fail differing=N" per run, then "N passed, M failed".
// Exit 0 when all pass, 1 on any failure, 2 for bad arguments or a script without its line.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "platform/png_file.h"
#include "tools/devshot/script.h"

namespace {

constexpr const char* kDefaultScripts[] = {"parity-exact", "parity-blend"};

struct Rule {
  bool exact = true;
  int steps = 0;
  int perMille = 0;
};

bool RuleOf(const std::string& name, Rule* rule) {
  for (int i = 0; i < devshot::kBuiltinScriptCount; ++i) {
    if (name != devshot::kBuiltinScripts[i].name) continue;
    std::istringstream in(devshot::kBuiltinScripts[i].text);
    std::string hash, word, kind;
    in >> hash >> word >> kind;
    if (hash != "#" || word != "parity") return false;
    if (kind == "exact") return true;
    rule->exact = false;
    return kind == "tolerance" && static_cast<bool>(in >> rule->steps >> rule->perMille);
  }
  return false;
}

std::string ToolDir() {
  char path[4096];
  const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  if (n <= 0) return ".";
  std::string p(path, static_cast<size_t>(n));
  return p.substr(0, p.rfind('/'));
}

struct Frame {
  int32_t width = 0, height = 0;
  std::vector<uint8_t> rgb;
};

bool Shoot(const std::string& devshot, const std::string& path, int depth,
           const std::string& script, const std::string& out, Frame* frame) {
  const std::string command = "'" + devshot + "' --path " + path + " --depth " +
                              std::to_string(depth) + " --script " + script + " --out '" + out +
                              "' >/dev/null";
  if (std::system(command.c_str()) != 0) return false;
  std::string error;
  return platform::ReadPngRgb(out, &frame->width, &frame->height, &frame->rgb, &error);
}

// A channel in steps of the screen's width (565 at 16 bits).
int Step(int value, int channel, int depth) {
  if (depth != 16) return value;
  return value >> (channel == 1 ? 2 : 3);
}

bool Near(const Frame& a, const Frame& b, size_t i, size_t j, int steps, int depth) {
  for (int c = 0; c < 3; ++c) {
    const int d = Step(a.rgb[i * 3 + c], c, depth) - Step(b.rgb[j * 3 + c], c, depth);
    if (d > steps || d < -steps) return false;
  }
  return true;
}

// Pixels that fail the rule.
long Differing(const Frame& a, const Frame& b, const Rule& rule, int depth) {
  long failed = 0;
  for (int y = 0; y < a.height; ++y) {
    for (int x = 0; x < a.width; ++x) {
      const size_t i = static_cast<size_t>(y) * a.width + x;
      bool ok = Near(a, b, i, i, rule.steps, depth);
      for (int dy = -1; !ok && !rule.exact && dy <= 1; ++dy) {
        for (int dx = -1; !ok && dx <= 1; ++dx) {
          const int nx = x + dx, ny = y + dy;
          if (nx < 0 || ny < 0 || nx >= a.width || ny >= a.height) continue;
          ok = Near(a, b, i, static_cast<size_t>(ny) * a.width + nx, rule.steps, depth);
        }
      }
      if (!ok) ++failed;
    }
  }
  return failed;
}

int Usage(const char* problem) {
  std::fprintf(stderr, "devparity: %s\nusage: devparity [--depth 16|32]... [--script NAME]...\n",
               problem);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<int> depths;
  std::vector<std::string> scripts;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--depth" && i + 1 < argc) {
      const std::string v = argv[++i];
      if (v != "16" && v != "32") return Usage("--depth takes 16 or 32");
      depths.push_back(std::atoi(v.c_str()));
    } else if (a == "--script" && i + 1 < argc) {
      scripts.emplace_back(argv[++i]);
    } else {
      return Usage(("bad argument: " + a).c_str());
    }
  }
  if (depths.empty()) depths = {16, 32};
  if (scripts.empty()) scripts.assign(std::begin(kDefaultScripts), std::end(kDefaultScripts));

  char dir[] = "/tmp/devparity.XXXXXX";
  if (mkdtemp(dir) == nullptr) return Usage("no temporary folder");
  // devshot writes its log where it runs and needs a runtime folder when headless.
  if (chdir(dir) != 0) return Usage("no temporary folder");
  setenv("XDG_RUNTIME_DIR", dir, 0);
  setenv("SDL_VIDEODRIVER", "dummy", 0);
  const std::string devshot = ToolDir() + "/devshot";

  int passed = 0, failed = 0;
  for (const std::string& script : scripts) {
    Rule rule;
    if (!RuleOf(script, &rule)) {
      std::fprintf(stderr, "devparity: %s: no parity line\n", script.c_str());
      return 2;
    }
    for (int depth : depths) {
      Frame soft, d3d;
      const std::string base = std::string(dir) + "/" + script + "-" + std::to_string(depth);
      long differing = -1;
      if (Shoot(devshot, "soft", depth, script, base + "-soft.png", &soft) &&
          Shoot(devshot, "d3d", depth, script, base + "-d3d.png", &d3d) &&
          soft.width == d3d.width && soft.height == d3d.height) {
        differing = Differing(soft, d3d, rule, depth);
      }
      const long total = static_cast<long>(soft.width) * soft.height;
      const bool pass = differing == 0 ||
                        (!rule.exact && differing > 0 && differing * 1000 <= rule.perMille * total);
      std::printf("%s %d %s %s differing=%ld\n", script.c_str(), depth,
                  rule.exact ? "exact" : "tolerance", pass ? "pass" : "fail", differing);
      std::fflush(stdout);
      (pass ? passed : failed) += 1;
    }
  }
  std::printf("%d passed, %d failed\n", passed, failed);
  std::error_code ignored;
  std::filesystem::remove_all(dir, ignored);
  return failed == 0 ? 0 : 1;
}
