// devparity [--depth 16|32]... [--script NAME]...
//
// Runs each parity script (a devshot built-in) through devshot on the software path and on the
// 3D path at each depth (default 16 and 32) and compares the two frames. The script's first line
// says how:
//   # parity exact           every pixel's red, green and blue equal in the screen's widths
//   # parity tolerance D F   a pixel passes when each channel is within D steps of the other
//                            frame's, or of some pixel of its 3 x 3 neighbourhood there; at most
//                            F pixels in 1000 may fail
// Prints "NAME DEPTH exact|tolerance pass|fail differing=N" per run, then "N passed, M failed"; a
// devshot run that fails passes its lines on and counts as a failed comparison. A devshot that
// cannot be started (a process limit) ends the runs with "devparity: cannot start devshot:
// REASON"; one whose library finds no display service, with devshot's line as devparity's own.
// Exit 0 when all pass, 1 on any failure, 2 for bad arguments or a script without its line, or
// when another instance holds the library's lock (devshot then draws nothing: nothing is compared).
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "platform/png_file.h"
#include "platform/window.h"
#include "tools/devshot/script.h"
#include "tools/lib/toolrun/tool_run.h"

extern char** environ;

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

enum class Shot { kTaken, kFailed, kLockHeld, kNoDisplay, kNotStarted };

// devshot's exit status, its standard output dropped and its standard error kept in `errors`;
// -1 when it did not end by itself, or could not be started: then *notStarted holds why.
int RunDevshot(std::vector<std::string> args, const std::string& errors, std::string* notStarted) {
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  pid_t pid = -1;
  const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) {
    *notStarted = std::strerror(spawned);
    return -1;
  }
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// One frame drawn by devshot into *frame; kNotStarted with why in *notStarted, kNoDisplay with
// devshot's line, less its name, in *noDisplay.
Shot Shoot(const std::string& devshot, const std::string& path, int depth,
           const std::string& script, const std::string& out, Frame* frame, std::string* notStarted,
           std::string* noDisplay) {
  const std::string errors = out + ".err";
  const int status = RunDevshot(
      {devshot, "--path", path, "--depth", std::to_string(depth), "--script", script, "--out", out},
      errors, notStarted);
  if (!notStarted->empty()) return Shot::kNotStarted;
  std::string said;
  toolrun::ReadWholeFile(errors, toolrun::kInputLimit, &said);
  if (status == toolrun::kLockHeld && said.find(toolrun::kLockHeldLine) != std::string::npos) {
    return Shot::kLockHeld;
  }
  const std::string named = "devshot: ";
  if (status != 0 && said.starts_with(named + toolrun::kNoDisplayLine)) {
    *noDisplay = said.substr(named.size(), said.find('\n') - named.size());
    return Shot::kNoDisplay;
  }
  if (status != 0) {
    std::fputs(said.c_str(), stderr);
    toolrun::Say("devshot --path " + path + " --depth " + std::to_string(depth) + " --script " +
                 script + " failed (status " + std::to_string(status) + ")");
    return Shot::kFailed;
  }
  std::string error;
  if (platform::ReadPngRgb(out, &frame->width, &frame->height, &frame->rgb, &error)) {
    return Shot::kTaken;
  }
  toolrun::Say("cannot read " + out + ": " + error);
  return Shot::kFailed;
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
  toolrun::Say(problem);
  std::fprintf(stderr, "usage: devparity [--depth 16|32]... [--script NAME]...\n");
  return toolrun::kUsage;
}

int Run(int argc, char** argv) {
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
  // devshot writes its log where it runs and needs a runtime folder when headless.
  if (mkdtemp(dir) == nullptr || chdir(dir) != 0) {
    toolrun::Say(std::string("no temporary folder: ") + std::strerror(errno));
    return 1;
  }
  setenv("XDG_RUNTIME_DIR", dir, 0);
  platform::KeepWindowUnseen();
  const std::string devshot = ToolDir() + "/devshot";

  int passed = 0, failed = 0;
  std::error_code ignored;
  for (const std::string& script : scripts) {
    Rule rule;
    if (!RuleOf(script, &rule)) {
      toolrun::Say(script + ": no parity line");
      std::filesystem::remove_all(dir, ignored);
      return 2;
    }
    for (int depth : depths) {
      Frame soft, d3d;
      const std::string base = std::string(dir) + "/" + script + "-" + std::to_string(depth);
      long differing = -1;
      std::string notStarted, noDisplay;
      Shot shot =
          Shoot(devshot, "soft", depth, script, base + "-soft.png", &soft, &notStarted, &noDisplay);
      if (shot == Shot::kTaken)
        shot =
            Shoot(devshot, "d3d", depth, script, base + "-d3d.png", &d3d, &notStarted, &noDisplay);
      // Nothing would be compared from here on, as nothing was: no line of a comparison.
      if (shot == Shot::kNotStarted) {
        toolrun::Say("cannot start devshot: " + notStarted);
        std::filesystem::remove_all(dir, ignored);
        return 1;
      }
      if (shot == Shot::kLockHeld) {
        toolrun::Say(toolrun::kLockHeldLine);
        std::filesystem::remove_all(dir, ignored);
        return toolrun::kLockHeld;
      }
      // No later run would find a display either.
      if (shot == Shot::kNoDisplay) {
        toolrun::Say(noDisplay);
        std::filesystem::remove_all(dir, ignored);
        return 1;
      }
      if (shot == Shot::kTaken && soft.width == d3d.width && soft.height == d3d.height) {
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
  std::filesystem::remove_all(dir, ignored);
  return failed == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  toolrun::Begin("devparity");
  return toolrun::End(Run(argc, argv));
}
