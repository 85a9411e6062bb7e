#include "tools/battle-sim/sim_run.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <set>
#include <sstream>
#include <string>

#include "game/battle/field_table.h"
#include "game/core/frame_state.h"
#include "game/core/match_setup.h"
#include "game/core/records.h"
#include "game/core/scenes.h"
#include "tools/battle-sim/headless.h"
#include "tools/battle-sim/sim_card_checks.h"
#include "tools/battle-sim/sim_dash_checks.h"
#include "tools/battle-sim/sim_input.h"
#include "tools/battle-sim/sim_state.h"
#include "tools/lib/battlesupport/step_battle_frame.h"
#include "tools/lib/toolrun/tool_run.h"
#include "tools/lib/toolrun/workers.h"

namespace battlesim {

namespace {

constexpr int kTraceEvery = 60;
constexpr uint64_t kDigestPrime = 0x100000001b3ull;  // FNV's, folding one frame hash at a time
// The input script read whole into *text and parsed; false after a line saying why. The script is
// read as cat reads it (a named pipe waits for its writer), up to a size no script reaches, and a
// stop ends the wait.
bool LoadScript(const SimOptions& o, std::vector<ScriptLine>* script, std::string* text) {
  if (o.input.empty()) return true;
  std::string why;
  if (!toolrun::ReadInputFile(o.input, toolrun::kInputLimit, text, &why)) {
    if (toolrun::StopSignal() != 0) {
      toolrun::Say(toolrun::StoppedBy() + " while reading --input " + o.input);
    } else {
      std::fprintf(stderr, "battle-sim: cannot read --input %s\n", why.c_str());
    }
    return false;
  }
  std::string error;
  if (!ParseInputScript(*text, o.players, script, &error)) {
    std::fprintf(stderr, "battle-sim: %s: %s\n", o.input.c_str(), error.c_str());
    return false;
  }
  return true;
}

// The status of a script that did not load: a stop fails the run, anything else is bad input.
int ScriptFailure() {
  return toolrun::StopSignal() != 0 ? kRunFailed : kRunBadInput;
}

// A soak run's arguments with --input naming `input` instead.
std::vector<std::string> WithInput(std::vector<std::string> args, const std::string& input) {
  for (size_t i = 0; i + 1 < args.size(); ++i) {
    if (args[i] == "--input") args[i + 1] = input;
  }
  return args;
}

MatchSpec SpecOf(const SimOptions& o) {
  MatchSpec spec;
  spec.players = o.players;
  spec.chars = o.charsRandom ? RandomCharsForSeed(o.seed, o.players) : o.chars;
  spec.teams = o.teams;
  spec.handicaps = o.handicaps;
  spec.arena = o.arena;
  spec.winCount = o.winCount;
  spec.timeLimit = o.timeLimit;
  spec.effectLevel = o.effectLevel;
  spec.obstacle = o.obstacle;
  spec.cpu = o.cpu;
  spec.difficulty = o.difficulty;
  spec.halfRate = o.halfRate;
  return spec;
}

void Corrupt(const CorruptWrite& w) {
  veyrdale::FieldRef ref{};
  if (!veyrdale::ResolveField(w.name, &ref)) return;  // checked when the options were read
  veyrdale::WriteField(ref, veyrdale::FieldValue{w.isFloat, w.integer, w.real});
}

// The trace goes to a temporary file beside its target and takes the target's name only once
// whole, so a full disk or a stopped run leaves no cut trace.
class TraceFile {
 public:
  // The name is made absolute first: the run moves into its work folder before the trace ends.
  bool Open(const std::string& path) {
    if (path.empty()) return true;
    std::error_code ec;
    const std::filesystem::path absolute = std::filesystem::absolute(path, ec);
    return toolrun::Open(out_, ec ? path : absolute.string());
  }
  bool open() const { return out_.Stream() != nullptr; }
  void Write(const std::string& line) { std::fprintf(out_.Stream(), "%s\n", line.c_str()); }
  // false, after a line naming the trace, when it could not be written whole.
  bool Close() { return !open() || toolrun::Commit(out_); }

 private:
  platform::OutputFile out_;
};

// The scenes of a story run: its battles, the stage results between them and the closing script.
bool InStoryScenes(int scene) {
  return scene == veyrdale::kSceneBattle || scene == veyrdale::kSceneStoryRoundResult ||
         scene == veyrdale::kSceneStoryEnd;
}

// What a story run went through: each stage as it began, and the continue prompts shown.
class StoryLog {
 public:
  void Note() {
    if (veyrdale::g_match.storyMode != 0 && veyrdale::g_match.storyStage != lastStage_) {
      lastStage_ = veyrdale::g_match.storyStage;
      stages_ += (stages_.empty() ? "" : ",") + std::to_string(lastStage_);
    }
    const bool prompt = veyrdale::ContinuePause > 0;
    if (prompt && !prompting_) ++prompts_;
    prompting_ = prompt;
  }
  // "story stages 0,1,2 prompts 1"
  std::string Line() const {
    return "story stages " + stages_ + " prompts " + std::to_string(prompts_);
  }

 private:
  int32_t lastStage_ = -1;
  std::string stages_;
  int prompts_ = 0;
  bool prompting_ = false;
};

// The run's frames; the exit code of the run. *ran counts the frames that ran.
int RunFrames(const SimOptions& o, const std::vector<ScriptLine>& script, TraceFile* trace,
              StoryLog* story, uint64_t* digest, int64_t* ran) {
  const bool storyRun = o.story >= 0;
  // In a story only player 0 is a person: the generator drives no one else.
  const int generated = storyRun ? 1 : o.players;
  InputGenerator generator(o.inputSeed);
  DashChecks dashChecks;
  CardChecks cardChecks;
  story->Note();
  for (int64_t f = 0; f < o.frames && toolrun::StopSignal() == 0; ++f) {
    uint32_t inputs[4] = {};
    if (o.inputSeedGiven) {
      generator.Next(generated, inputs);
    } else {
      for (int p = 0; p < o.players; ++p) inputs[p] = ScriptInputsAt(script, f, p);
    }
    int bits[4];
    for (int p = 0; p < 4; ++p) bits[p] = PadBitsOfInputs(inputs[p]);
    if (storyRun) {
      veyrdale::StepGameFrame(bits);
      story->Note();
    } else {
      veyrdale::StepBattleFrame(bits);
    }
    if (o.forceCards) {
      for (float& gauge : veyrdale::g_playerState.spellGauge) gauge = 200.0f;
    }

    const int64_t done = f + 1;
    *ran = done;
    if (o.frameDigest) *digest = (*digest ^ HashFrameState()) * kDigestPrime;
    for (const CorruptWrite& w : o.corrupt) {
      if (w.frame == done) Corrupt(w);
    }
    if (o.checkInvariants) {
      InvariantFailure failure;
      if (FindBrokenInvariant(&failure) || dashChecks.Broken(&failure) ||
          cardChecks.Broken(&failure)) {
        std::printf("frame %lld: invariant %s: %s\n", static_cast<long long>(done),
                    failure.name.c_str(), failure.detail.c_str());
        return kRunFailed;
      }
    }
    if (trace->open() && done % kTraceEvery == 0) {
      trace->Write(TraceLine(done, storyRun ? veyrdale::PlayersInPlay() : o.players));
    }
    if (storyRun) {
      if (InStoryScenes(veyrdale::SceneId)) continue;
      std::fprintf(stderr,
                   "battle-sim: the story run left its scenes after frame %lld (scene %d)\n",
                   static_cast<long long>(done), veyrdale::SceneId);
      break;
    }
    if (veyrdale::SceneId != veyrdale::kSceneBattle) {
      // A battle cannot be decided in one frame: leaving at once is a fault, not an end.
      if (done == 1) {
        std::printf("frame 1: the battle left scene 4 on its first frame (scene %d)\n",
                    veyrdale::SceneId);
        return kRunFailed;
      }
      std::fprintf(stderr, "battle-sim: the battle left scene 4 after frame %lld (scene %d)\n",
                   static_cast<long long>(done), veyrdale::SceneId);
      break;
    }
  }
  return kRunClean;
}

// One run of a soak.
struct SeedRun {
  uint32_t seed = 0;
  std::vector<std::string> args;
  ChildRun run;
};

// The value of --chars in a run's arguments.
std::string CharsArg(const std::vector<std::string>& args) {
  for (size_t i = 0; i + 1 < args.size(); ++i) {
    if (args[i] == "--chars") return args[i + 1];
  }
  return "?";
}

void ReportFailedSeed(uint32_t seed, const ChildRun& run) {
  std::istringstream lines(run.output);
  for (std::string line; std::getline(lines, line);)
    std::printf("seed %u: %s\n", seed, line.c_str());
  if (WIFSIGNALED(run.status) || run.output.empty()) {
    std::printf("seed %u: %s\n", seed, ChildFailure(run).c_str());
  }
}

}  // namespace

// A run that has not ended by then hangs: the runner ends it and counts it as a failure. A
// sanitizer build runs a frame in well under a millisecond; the bound leaves a hundred times that.
unsigned ChildSeconds(int64_t frames) {
  constexpr int64_t kChildBaseSeconds = 60;
  constexpr int64_t kChildFramesPerSecond = 10;
  return static_cast<unsigned>(kChildBaseSeconds + frames / kChildFramesPerSecond);
}

namespace {

// Runs this program with `args` in a child process as ChildRuns::Run says, stopping it once
// `givenUp` is set (looked at before the start too). 0 once the child was reaped; else why not, as
// an errno: what the start (or the wait for its end) failed with, or ECANCELED when given up before
// the start.
int RunChild(const std::vector<std::string>& args, unsigned seconds, ChildRun* run,
             const std::atomic<bool>& givenUp) {
  // Everything the child needs is made before the fork: other threads may hold the allocator.
  std::vector<char*> argv;
  static char name[] = "battle-sim";
  argv.push_back(name);
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  if (givenUp.load()) return ECANCELED;
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) return errno;
  std::fflush(nullptr);
  // A stop passed on to the child, or sent as the runner ends, must reach it before its exec too:
  // else the run would go on for hours.
  const sigset_t before = toolrun::HoldStopSignalsForFork();
  const pid_t parent = getpid();
  const pid_t pid = fork();
  if (pid != 0) pthread_sigmask(SIG_SETMASK, &before, nullptr);
  if (pid < 0) {
    const int error = errno;
    close(fds[0]);
    close(fds[1]);
    return error;
  }
  if (pid == 0) {
    toolrun::StopSignalsToDefaultsInChild(before);
    // A runner that ends without reaping its child (killed, or ended by what nothing caught)
    // stops it as a stop signal would; one that ended before this line was reached too.
    if (prctl(PR_SET_PDEATHSIG, SIGTERM) != 0 || getppid() != parent) _exit(127);
    dup2(fds[1], STDOUT_FILENO);
    dup2(fds[1], STDERR_FILENO);
    close(fds[0]);
    close(fds[1]);
    // The alarm outlives the exec: a run that hangs is ended by it.
    alarm(seconds);
    execv("/proc/self/exe", argv.data());
    _exit(127);
  }
  close(fds[1]);
  // A runner told to stop, or whose runs were given up, passes it on: the child takes its work
  // folder away as it ends.
  constexpr int kStopLookMs = 100;
  bool stopPassedOn = false;
  char buffer[4096];
  while (true) {
    if (!stopPassedOn && (toolrun::StopSignal() != 0 || givenUp.load())) {
      kill(pid, SIGTERM);
      stopPassedOn = true;
    }
    pollfd ready{fds[0], POLLIN, 0};
    const int polled = poll(&ready, 1, stopPassedOn ? -1 : kStopLookMs);
    if (polled == 0 || (polled < 0 && errno == EINTR)) continue;
    if (polled < 0) break;
    const ssize_t n = read(fds[0], buffer, sizeof buffer);
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      break;
    }
    run->output.append(buffer, static_cast<size_t>(n));
  }
  close(fds[0]);
  while (waitpid(pid, &run->status, 0) < 0) {
    if (errno != EINTR) return errno;
  }
  return 0;
}

}  // namespace

std::string ChildRuns::RunAtOnce(size_t jobs, const std::function<void(size_t)>& work) {
  const std::string reason = toolrun::RunAtOnce(jobs, work, [this] { givenUp_.store(true); });
  if (!reason.empty()) return toolrun::CannotStartThread(reason);
  // Every thread has been joined: nothing writes the failure any more.
  return failure_;
}

bool ChildRuns::Run(const std::vector<std::string>& args, unsigned seconds, ChildRun* run) {
  const int error = RunChild(args, seconds, run, givenUp_);
  if (error == 0) return true;
  if (error != ECANCELED) {
    std::lock_guard<std::mutex> hold(failureLock_);
    if (failure_.empty()) failure_ = std::string("cannot start a run: ") + std::strerror(error);
    givenUp_.store(true);
  }
  return false;
}

std::string AfterWord(const std::string& output, const std::string& word, int length) {
  const size_t at = output.rfind(word);
  if (at == std::string::npos) return "?";
  const size_t start = at + word.size();
  const size_t end =
      length >= 0 ? start + static_cast<size_t>(length) : output.find_first_of(" \n", start);
  return output.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

std::string ChildFailure(const ChildRun& run) {
  if (WIFSIGNALED(run.status) && WTERMSIG(run.status) == SIGALRM) return "did not end in time";
  if (WIFSIGNALED(run.status)) return "ended by signal " + std::to_string(WTERMSIG(run.status));
  return "exit status " + std::to_string(WEXITSTATUS(run.status));
}

int RunBattle(const SimOptions& o) {
  std::vector<ScriptLine> script;
  std::string text;
  if (!LoadScript(o, &script, &text)) return ScriptFailure();
  TraceFile trace;
  if (!trace.Open(o.trace)) return kRunBadInput;
  StartHeadless(o.date);
  WorkFolder work;
  std::string error;
  if (!work.Enter(o.maps, o.scripts, &error)) {
    std::fprintf(stderr, "battle-sim: %s\n", error.c_str());
    return kRunBadInput;
  }
  if (o.story < 0) {
    SetUpBattle(SpecOf(o), o.seed);
  } else if (!SetUpStory(SpecOf(o), o.story, o.seed)) {
    std::printf("the story menu did not start the story within %d frames\n", kStoryMenuFrames);
    return kRunFailed;
  }
  int64_t ran = 0;
  StoryLog story;
  uint64_t digest = 0;
  int result = RunFrames(o, script, &trace, &story, &digest, &ran);
  if (toolrun::StopSignal() != 0) {
    // The trace is abandoned and the work folder removed on the way out.
    toolrun::Say(toolrun::StoppedBy() + " after frame " + std::to_string(ran));
    return kRunFailed;
  }
  if (!trace.Close()) result = kRunFailed;
  if (o.finalHash && result == kRunClean) {
    if (o.story >= 0) std::printf("%s\n", story.Line().c_str());
    const int winner = veyrdale::RoundWinner - 1;
    std::printf("frames %lld winner %s\n", static_cast<long long>(ran),
                winner < 0 ? "none" : std::to_string(winner).c_str());
    std::printf("final %016llx\n", static_cast<unsigned long long>(HashBattleState()));
  }
  if (o.frameDigest && result == kRunClean) {
    std::printf("digest %016llx\n", static_cast<unsigned long long>(digest));
  }
  std::fflush(stdout);
  return result;
}

bool MapsUsable(const std::string& maps) {
  WorkFolder probe;
  std::string error;
  if (probe.Create(maps, &error)) return true;
  std::fprintf(stderr, "battle-sim: %s\n", error.c_str());
  return false;
}

int RunSoak(const SimOptions& o, const std::vector<std::string>& args) {
  // Bad input is reported once, not by every run.
  std::vector<ScriptLine> script;
  std::string text;
  if (!LoadScript(o, &script, &text)) return ScriptFailure();
  if (!MapsUsable(o.maps)) return kRunBadInput;
  // Every run reads the script the soak read, from a copy: a named pipe gives its bytes only once,
  // and a file could change while the soak runs.
  WorkFolder copy;
  std::string input;
  if (!o.input.empty()) {
    std::string error;
    if (!copy.Create("", &error)) {
      std::fprintf(stderr, "battle-sim: %s\n", error.c_str());
      return kRunBadInput;
    }
    input = copy.path() + "/input.script";
    if (!toolrun::WriteFile(input, text.data(), text.size())) return kRunFailed;
  }
  uint64_t runs = 0;
  uint64_t failures = 0;
  // The final state of each clean run: how many different battles the soak played.
  std::set<std::string> finals;
  const uint64_t jobs = static_cast<uint64_t>(o.jobs < 1 ? 1 : o.jobs);
  // The seeds run in batches of `jobs` children at a time, and each batch reports in seed order,
  // so that the output is the same whatever --jobs says.
  for (uint64_t first = o.firstSeed; first <= o.lastSeed; first += jobs) {
    if (toolrun::StopSignal() != 0) break;
    const uint64_t count = std::min<uint64_t>(jobs, uint64_t{o.lastSeed} - first + 1);
    std::vector<SeedRun> batch(count);
    for (uint64_t k = 0; k < count; ++k) {
      batch[k].seed = static_cast<uint32_t>(first + k);
      batch[k].args = WithInput(ArgsForSeed(o, args, batch[k].seed), input);
    }
    ChildRuns children;
    const std::string failure = children.RunAtOnce(count, [&](size_t k) {
      children.Run(batch[k].args, ChildSeconds(o.frames), &batch[k].run);
    });
    // A batch cut short by a stop says nothing about its seeds.
    if (toolrun::StopSignal() != 0) break;
    // Nor one given up: a run that could not start says nothing of its seed either.
    if (!failure.empty()) {
      toolrun::Say(failure);
      return kRunFailed;
    }
    for (const SeedRun& r : batch) {
      ++runs;
      if (!WIFEXITED(r.run.status) || WEXITSTATUS(r.run.status) != kRunClean) {
        ++failures;
        ReportFailedSeed(r.seed, r.run);
        continue;
      }
      const std::string hash = AfterWord(r.run.output, "final ", 16);
      finals.insert(hash);
      std::printf("seed %u chars %s frames %s winner %s hash %s\n", r.seed,
                  CharsArg(r.args).c_str(), AfterWord(r.run.output, "frames ", -1).c_str(),
                  AfterWord(r.run.output, "winner ", -1).c_str(), hash.c_str());
    }
    std::fflush(stdout);
  }
  if (toolrun::StopSignal() != 0) {
    toolrun::Say(toolrun::StoppedBy() + " after " + std::to_string(runs) + " runs; no summary");
    return kRunFailed;
  }
  std::printf("soak: %llu runs, %llu failures, %zu distinct\n",
              static_cast<unsigned long long>(runs), static_cast<unsigned long long>(failures),
              finals.size());
  return failures == 0 ? kRunClean : kRunFailed;
}

}  // namespace battlesim
