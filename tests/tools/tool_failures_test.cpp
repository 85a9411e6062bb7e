// Every program under tools/ held to the rules the tools share, one row a tool: while another
// instance holds the library's lock a tool that starts it does nothing and says so, and one that
// never starts it runs as usual; without a display a tool that starts the library says so and
// ends with its status for a start that fails; a standard output that cannot take what was printed
// ends in a failure and a line; an output aimed at a missing folder, a device, a folder, a symbolic
// link or a full disk fails with a line naming it and leaves whatever was there as it was, one that
// replaces a file of mode 0600 leaves a file of mode 0600, and one over another user's file the
// run may not write is refused as a plain write would be and leaves it as it was; an input that
// is a folder, missing, empty or cut fails with a line; a named pipe in an input's place is either
// refused at once with that line or read as cat reads it, the run waiting for a writer and then
// giving what a file of the same bytes gives; an input read whole, from a pipe whose writer never
// ends or a file one byte past the limit, ends in its status and a line saying it is larger; a
// wait on a named pipe ends at SIGINT, SIGTERM or SIGHUP with the tool's stop line and status; an
// option no tool takes is a usage error. The list of programs comes from the build, so a new
// program fails here until it has a row.
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "game/flow/flow.h"
#include "platform/instance_lock.h"
#include "platform/png_file.h"
#include "tests/morrow/network/scripted_server.h"
#include "tests/support/midi_writer.h"
#include "tests/support/pipe_writer.h"
#include "tests/support/program_run.h"
#include "tests/support/sanitizers.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_movie.h"
#include "tests/support/text_lines.h"
#include "tests/support/wave_writer.h"
#include "tools/lib/toolrun/tool_run.h"

namespace {

namespace fs = std::filesystem;
using testsupport::Describe;
using testsupport::Listing;
using testsupport::ProgramRun;
using testsupport::ReadFile;
using testsupport::WriteFile;

// ---------------------------------------------------------------------------------------------
// The rows

using Args = std::vector<std::string>;

constexpr const char* kUnknown = "--no-such-option";
constexpr int kAnyFailure = -1;  // no status documented for the case: any but 0
constexpr const char* kOldBytes = "old bytes";

// Where an output is aimed, and what stands where an input should be; the names are those of the
// cases.
enum class Spot { kMissingFolder, kFullDevice, kNullDevice, kFolder, kSymlink, kFullDisk };
constexpr Spot kSpots[] = {Spot::kMissingFolder, Spot::kFullDevice, Spot::kNullDevice,
                           Spot::kFolder,        Spot::kSymlink,    Spot::kFullDisk};
constexpr const char* kSpotNames[] = {"missing_folder", "full_device", "null_device",
                                      "folder",         "symlink",     "full_disk"};
enum class BadInput {
  kFolder,
  kMissing,
  kEmpty,
  kNotAFolder,
  kCut,
  kPipe,
  kEndlessPipe,
  kPastLimit
};
constexpr const char* kBadInputNames[] = {"folder", "missing", "empty",        "not_a_folder",
                                          "cut",    "pipe",    "endless_pipe", "past_limit"};
// Every input read whole stops one byte past this; the forms of too much input hold more.
constexpr const char* kTooLarge = ": larger than 67108864 bytes";
static_assert(toolrun::kInputLimit == 67108864);
// The signals that stop a tool waiting on an input, the status it ends with then, and whether a
// writer holds the pipe open without writing or none ever comes.
constexpr int kStopSignals[] = {SIGTERM, SIGINT, SIGHUP};
constexpr const char* kStopSignalNames[] = {"sigterm", "sigint", "sighup"};
constexpr int kStoppedStatus = 1;
constexpr const char* kWriterNames[] = {"no_writer", "silent_writer"};
// netprobe's own time allowed, widened from its ten seconds to the tests' bound: a busy machine
// may take longer than that to start the library.
const std::string kNetprobeRoom = std::to_string(testsupport::kSeenWithin.count());

// Arguments hold {out} (the output's target), {outdir} (the folder it goes into), {in} (the
// input) and {port} (the port of an HTTP server the test starts for the run).
struct LockRun {
  const char* label;
  Args args;
  bool startsLibrary;  // or takes the library's lock as a start does
};

struct Output {
  const char* label;
  Args args;
  const char* name;   // the target, in the working folder
  rlim_t fullAt;      // a file size limit below what the output takes
  bool tree = false;  // a folder of files, made whole or not at all
  std::vector<Spot> skip = {};
  const char* skipWhy = nullptr;
  // The other files the run writes, each whole in its own right, which may appear beside the
  // target when its own write fails.
  std::vector<std::string> alongside = {};
  // Why no run that succeeds is tried over an old file (a tree is a folder, and has no mode).
  const char* noReplaceWhy = nullptr;
};

struct Input {
  const char* label;
  Args args;
  const char* name;  // where the input is, in the working folder
  std::vector<BadInput> forms;
  int status;  // the documented status for bad input, or kAnyFailure
  // What the tool's line says, on either stream; by default the line on stderr names the input.
  const char* says = nullptr;
  // A fixture in the working folder holding a good input: a cut input is its first half, and a
  // writer gives its bytes to a named pipe the tool reads.
  const char* whole = nullptr;
  // A named pipe in the input's place: read as cat reads it, or (false) refused at once.
  bool readsPipe = false;
  // What a stop during the wait for a pipe's writer prints on stdout, when not the line
  // "<tool>: stopped by SIG... while reading <input>" on stderr.
  const char* stopLine = nullptr;
};

struct ToolRow {
  const char* tool;
  void (*fixtures)(const std::string& work) = nullptr;
  std::vector<LockRun> underLock = {};
  Args printing = {};  // a run that prints and otherwise succeeds
  const char* quietWhy = nullptr;
  std::vector<Output> outputs = {};
  const char* noOutputsWhy = nullptr;
  std::vector<Input> inputs = {};
  const char* noInputsWhy = nullptr;
  Args unknownOption = {};
  int notStartedStatus = 1;  // the documented status when the library does not start
};

void Picture(const std::string& work) {
  const std::vector<uint8_t> rgb(4 * 4 * 3, 0x80);
  std::string error;
  ASSERT_TRUE(platform::WritePngRgb(work + "/pic.png", 4, 4, rgb.data(), &error)) << error;
}

// A second of a 440 Hz tone, 16 bits at 8000 Hz: 16000 bytes of PCM.
std::string Tone() {
  std::vector<int16_t> samples(8000);
  for (size_t i = 0; i < samples.size(); ++i) {
    samples[i] = static_cast<int16_t>(8000 * std::sin(i * 440.0 * 2 * M_PI / 8000));
  }
  return testsupport::PcmWave(1, 8000, 16, testsupport::Samples16(samples));
}

// The sound snddump decodes and the music playmusic plays.
void Sounds(const std::string& work) {
  for (const char* name : {"/sound.wav", "/music.wav"}) WriteFile(work + name, Tone());
}

void Movie(const std::string& work) {
  const std::string bytes = testsupport::TestMovieBytes(16, 16, 10, {0xff0000, 0x00ff00});
  ASSERT_FALSE(bytes.empty());
  WriteFile(work + "/movie.mkv", bytes);
}

void Maps(const std::string& work) {
  fs::create_directory(work + "/maps");
  fs::copy_file(std::string(SOURCE_DIR) + "/tests/data/maps/00.mpd", work + "/maps/00.mpd");
}

// The maps and an input script that moves both players.
void SimFiles(const std::string& work) {
  Maps(work);
  WriteFile(work + "/moves.script", "0-59 0 right b1\n30-90 1 left\n");
}

// A script that paints the probed pixel.
void DrawScript(const std::string& work) {
  WriteFile(work + "/red.txt", "box 0 0 8 8 255 0 0 1\n");
}

void Body(const std::string& work) {
  WriteFile(work + "/body.ok", "a body\n");
}

// One page and the end, in GBK.
void Script(const std::string& work) {
  fs::create_directories(work + "/Resource/Srd");
  WriteFile(work + "/Resource/Srd/00.srd", "\xb0\xa1\\_");
}

void TreeFolder(const std::string& work) {
  fs::create_directory(work + "/tree");
}

Args SimRun(Args more) {
  Args args = {"--seed", "1",      "--players", "2",        "--chars", "0,1",         "--arena",
               "0",      "--maps", "maps",      "--frames", "1200",    "--final-hash"};
  args.insert(args.end(), more.begin(), more.end());
  return args;
}

// Both battle probes, on the library and on its recording stand-in, take the same commands. An
// arena map is the file `map` names, or the one a match or a story arena (arena 0, the story's
// until a match sets another) reads from the working folder.
ToolRow BattleProbe(const char* tool) {
  const std::vector<BadInput> unreadable = {BadInput::kFolder, BadInput::kMissing, BadInput::kEmpty,
                                            BadInput::kCut, BadInput::kPipe};
  return {
      .tool = tool,
      .fixtures = Maps,
      .underLock = {{"print", {"-e", "print RoundFrame"}, false}},
      .printing = {"-e", "print RoundFrame"},
      .noOutputsWhy = "it prints its answers and writes no file",
      .inputs = {{"map", {"-e", "map {in}"}, "arena.mpd", unreadable, 2, nullptr, "maps/00.mpd"},
                 {"match_map",
                  {"-e", "match players=2 chars=0,1 arena=0"},
                  "Resource/Mpd/00.mpd",
                  unreadable,
                  2,
                  nullptr,
                  "maps/00.mpd"},
                 {"story_map",
                  {"-e", "story 0 0"},
                  "Resource/Mpd/00.mpd",
                  unreadable,
                  2,
                  nullptr,
                  "maps/00.mpd"}},
      .unknownOption = {kUnknown}};
}

const std::vector<ToolRow>& Rows() {
  static const std::vector<ToolRow> rows = {
      BattleProbe("battle-probe"),
      // The recording stand-in of the library: no lock either.
      BattleProbe("battle-probe-rec"),
      {.tool = "battle-sim",
       .fixtures = SimFiles,
       .underLock = {{"run", SimRun({}), false}},
       .printing = SimRun({}),
       .outputs = {{"trace", SimRun({"--trace", "{out}"}), "run.trace", 512}},
       .inputs =
           {{"input",
             SimRun({"--input", "{in}"}),
             "moves.txt",
             {BadInput::kFolder, BadInput::kMissing, BadInput::kPipe, BadInput::kEndlessPipe,
              BadInput::kPastLimit},
             2,
             nullptr,
             "moves.script",
             true},
            {"maps",
             SimRun({"--maps", "{in}"}),
             "maps",
             {BadInput::kMissing, BadInput::kNotAFolder},
             2},
            // A map of the folder is copied for the game, which reads regular files only.
            {"maps_file", SimRun({}), "maps/00.mpd", {BadInput::kFolder, BadInput::kPipe}, 2}},
       .unknownOption = {kUnknown}},
      {.tool = "check-demo-resources",
       .fixtures = TreeFolder,
       .underLock = {{"check", {"tree"}, true}},
       // An empty tree fails its check; the line about standard output is owed all the same.
       .printing = {"tree"},
       .noOutputsWhy = "it reads the tree and writes no file but the library's log",
       // A file of the tree the library refuses is one more failure of the check.
       .inputs = {{"dir", {"{in}"}, "tree", {BadInput::kMissing, BadInput::kNotAFolder}, 2},
                  {"tree_file",
                   {"tree"},
                   "tree/Resource/Mpd/00.mpd",
                   {BadInput::kPipe},
                   1,
                   "failed: Resource/Mpd/00.mpd\n"}},
       .unknownOption = {kUnknown},
       .notStartedStatus = 2},
      {.tool = "datafiles",
       .underLock = {{"show", {"show", "."}, false}, {"save", {"save", "."}, true}},
       .printing = {"show", "."},
       .outputs = {{"save",
                    {"save", "."},
                    "Data/score.sav",
                    16,
                    false,
                    {Spot::kMissingFolder, Spot::kSymlink},
                    "the save makes its Data folder and writes through a link to the file it "
                    "names, as the game does",
                    {"Data/config.sav", "Data/key.inf", "Data/score_s.sav"}}},
       .inputs = {{"dir", {"show", "{in}"}, "game", {BadInput::kMissing, BadInput::kNotAFolder}, 2},
                  {"record",
                   {"show", "."},
                   "Data/score.sav",
                   {BadInput::kPipe},
                   1,
                   "Data\\score.sav: is not a file"}},
       .unknownOption = {"show", kUnknown}},
      {.tool = "devparity",
       .underLock = {{"parity", {"--depth", "16", "--script", "parity-exact"}, true}},
       .printing = {"--depth", "16", "--script", "parity-exact"},
       .noOutputsWhy = "its pictures go to a temporary folder of its own",
       .noInputsWhy = "its scripts are built in",
       .unknownOption = {kUnknown}},
      {.tool = "devshot",
       .fixtures = DrawScript,
       .underLock = {{"shot", {"--script", "blank", "--out", "shot.png"}, true}},
       .printing = {"--script", "blank", "--probe", "0,0"},
       .outputs = {{"out", {"--script", "boxes", "--out", "{out}"}, "shot.png", 1024}},
       .inputs = {{"script",
                   {"--script", "{in}", "--probe", "0,0"},
                   "draw.txt",
                   {BadInput::kFolder, BadInput::kMissing, BadInput::kPipe, BadInput::kEndlessPipe,
                    BadInput::kPastLimit},
                   2,
                   nullptr,
                   "red.txt",
                   true}},
       .unknownOption = {"--script", "blank", kUnknown}},
      {.tool = "gfxprobe",
       .underLock = {{"dump", {"pack:1,2,3", "dump:shot.png"}, true}},
       .printing = {"pack:1,2,3"},
       .outputs = {{"dump", {"fill:10,20,30", "dump:{out}"}, "dump.png", 256}},
       .noInputsWhy = "its operations take numbers and font names, no file",
       .unknownOption = {kUnknown}},
      {.tool = "imgdump",
       .fixtures = Picture,
       .underLock = {{"decode", {"pic.png"}, false}},
       .printing = {"pic.png"},
       .noOutputsWhy = "it prints what it decoded and writes no file",
       .inputs = {{"file",
                   {"{in}"},
                   "image.png",
                   {BadInput::kFolder, BadInput::kMissing, BadInput::kEmpty, BadInput::kPipe},
                   1}},
       .unknownOption = {kUnknown, "pic.png"}},
      {.tool = "make-demo-resources",
       .underLock = {{"tree", {"."}, false}},
       .quietWhy = "it prints nothing when the tree is written",
       .outputs = {{"dir", {"{outdir}"}, "Resource", 4096, true}},
       .noInputsWhy = "it takes nothing but where to write",
       .unknownOption = {kUnknown}},
      {.tool = "make-test-movie",
       .underLock = {{"movie", {"movie.mkv", "16", "16", "10", "1,2,3"}, false}},
       .quietWhy = "it prints nothing when the movie is written",
       .outputs =
           {{"out", {"{out}", "64", "64", "10", "1,2,3", "4,5,6", "7,8,9"}, "movie.mkv", 256}},
       .noInputsWhy = "its frames are the colours given",
       .unknownOption = {kUnknown, "16", "16", "10", "1,2,3"}},
      {.tool = "morrow-probe",
       .underLock = {{"start_end", {"start-end"}, true},
                     {"pad", {"pad", "1", "--frames", "1"}, true},
                     {"text", {"text", "--events", "text:a"}, true},
                     {"rng", {"rng", "1", "3"}, false}},
       .printing = {"rng", "1", "5000"},
       .noOutputsWhy = "it prints and writes no file but the library's log",
       .noInputsWhy = "it takes numbers and events, no file",
       .unknownOption = {"start-end", kUnknown}},
      {.tool = "movieprobe",
       .fixtures = Movie,
       .underLock = {{"play", {"movie.mkv", "--frames", "1", "--step", "0"}, true}},
       .printing = {"movie.mkv", "--frames", "1", "--step", "0"},
       .noOutputsWhy = "it prints and writes no file but the library's log",
       .inputs = {{"file",
                   {"{in}", "--frames", "1", "--step", "0"},
                   "clip.mkv",
                   {BadInput::kFolder, BadInput::kMissing, BadInput::kEmpty, BadInput::kPipe},
                   1,
                   "open -1"}},
       .unknownOption = {"movie.mkv", kUnknown}},
      {.tool = "netprobe",
       .fixtures = Body,
       .underLock = {{"serve", {"serve", "--expect", "1", "--port-file", "port"}, true},
                     {"http", {"http", "get", "1", "/", "--give-up", kNetprobeRoom}, true}},
       .printing = {"http", "get", "{port}", "/a", "--memory", "--give-up", kNetprobeRoom},
       .outputs = {{.label = "port_file",
                    .args = {"serve", "--expect", "1", "--port-file", "{out}"},
                    .name = "port",
                    .fullAt = 2,
                    .noReplaceWhy = "once its port is written it serves until a client comes"},
                   {"file",
                    {"http", "get", "{port}", "/body", "--file", "{out}", "--give-up",
                     kNetprobeRoom},
                    "body.out",
                    4096}},
       .inputs = {{"body_file",
                   {"http", "post", "{port}", "/p", "--body-file", "{in}", "--give-up",
                    kNetprobeRoom},
                   "body.txt",
                   {BadInput::kFolder, BadInput::kMissing, BadInput::kPipe, BadInput::kEndlessPipe,
                    BadInput::kPastLimit},
                   1,
                   nullptr,
                   "body.ok",
                   true,
                   "stopped\n"}},
       .unknownOption = {"serve", "--expect", "1", "--port-file", "port", kUnknown}},
      {.tool = "playmusic",
       .fixtures = Sounds,
       .underLock = {{"play", {"music.wav", "0"}, true}},
       .printing = {"music.wav", "0"},
       .noOutputsWhy = "it plays and prints, and writes no file but the library's log",
       .inputs = {{"file",
                   {"{in}", "0"},
                   "tune.wav",
                   {BadInput::kFolder, BadInput::kMissing, BadInput::kEmpty, BadInput::kPipe},
                   1}},
       .unknownOption = {kUnknown, "0"}},
      {.tool = "pngprobe",
       .fixtures = Picture,
       .underLock = {{"probe", {"pic.png", "0,0"}, false}},
       .printing = {"pic.png", "0,0"},
       .noOutputsWhy = "it prints the pixels and writes no file",
       .inputs = {{"file",
                   {"{in}", "0,0"},
                   "image.png",
                   {BadInput::kFolder, BadInput::kMissing, BadInput::kEmpty, BadInput::kPipe,
                    BadInput::kEndlessPipe, BadInput::kPastLimit},
                   1,
                   nullptr,
                   "pic.png",
                   true}},
       .unknownOption = {kUnknown}},
      {.tool = "scriptrun",
       .fixtures = Script,
       .underLock = {{"run", {"0"}, false}},
       .printing = {"0"},
       .noOutputsWhy = "it prints the pages and writes no file",
       .inputs = {{"script",
                   {"0"},
                   "Resource/Srd/00.srd",
                   {BadInput::kFolder, BadInput::kMissing, BadInput::kPipe},
                   1,
                   "missing"}},
       .unknownOption = {kUnknown}},
      {.tool = "snddump",
       .fixtures = Sounds,
       .underLock = {{"decode", {"sound.wav"}, false}, {"play", {"--play", "sound.wav"}, true}},
       .printing = {"sound.wav"},
       .outputs = {{"raw", {"sound.wav", "--raw", "{out}"}, "pcm.raw", 1024}},
       .inputs = {{"file",
                   {"{in}"},
                   "noise.wav",
                   {BadInput::kFolder, BadInput::kMissing, BadInput::kEmpty, BadInput::kPipe,
                    BadInput::kPastLimit},
                   1},
                  {"play",
                   {"--play", "{in}"},
                   "noise.wav",
                   {BadInput::kFolder, BadInput::kMissing, BadInput::kEmpty, BadInput::kPipe,
                    BadInput::kPastLimit},
                   1}},
       .unknownOption = {kUnknown, "sound.wav"}},
  };
  return rows;
}

// The programs tools/CMakeLists.txt adds, each with where it was built (NAME=PATH, each followed
// by a comma), as CMake gave them.
std::map<std::string, std::string> Programs() {
  std::map<std::string, std::string> programs;
  const std::string list = TOOL_PROGRAMS;
  for (size_t at = 0, end; (end = list.find(',', at)) != std::string::npos; at = end + 1) {
    const size_t is = list.find('=', at);
    programs[list.substr(at, is - at)] = list.substr(is + 1, end - is - 1);
  }
  return programs;
}

const char* ProgramPath(const std::string& tool) {
  static const std::map<std::string, std::string> programs = Programs();
  const auto it = programs.find(tool);
  return it == programs.end() ? nullptr : it->second.c_str();
}

// ---------------------------------------------------------------------------------------------
// The cases

enum class Kind {
  kHeldLock,
  kNoDisplay,
  kStdoutFull,
  kOutput,
  kOverPrivateFile,
  kOverForeignFile,
  kInput,
  kStoppedWhileWaiting,
  kUnknownOption
};

// An output whose row leaves out the link case writes through a link to the file it names.
bool FollowsLinks(const Output& output) {
  return std::find(output.skip.begin(), output.skip.end(), Spot::kSymlink) != output.skip.end();
}

struct CaseId {
  size_t row;
  Kind kind;
  size_t item = 0;  // which lock run, output or input of the row
  int variant = 0;  // which spot or bad input
  std::string name;
};

void PrintTo(const CaseId& c, std::ostream* os) {
  *os << c.name;
}

std::string TestName(const std::string& text) {
  std::string name = text;
  for (char& c : name) {
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  }
  return name;
}

// The runs of the table that take the library's lock without starting it, and why.
const std::map<std::string, const char*> kLockOnlyRuns = {
    {"datafiles_save", "it takes the lock to save and starts nothing"},
};

std::vector<CaseId> AllCases() {
  std::vector<CaseId> cases;
  const std::vector<ToolRow>& rows = Rows();
  for (size_t r = 0; r < rows.size(); ++r) {
    const ToolRow& row = rows[r];
    const std::string tool = row.tool;
    for (size_t i = 0; i < row.underLock.size(); ++i) {
      const std::string label =
          row.underLock.size() > 1 ? "_" + std::string(row.underLock[i].label) : "";
      cases.push_back({r, Kind::kHeldLock, i, 0, tool + "_held_lock" + label});
      if (row.underLock[i].startsLibrary &&
          !kLockOnlyRuns.contains(TestName(tool + "_" + row.underLock[i].label))) {
        cases.push_back({r, Kind::kNoDisplay, i, 0, tool + "_no_display" + label});
      }
    }
    if (!row.printing.empty()) cases.push_back({r, Kind::kStdoutFull, 0, 0, tool + "_stdout_full"});
    for (size_t o = 0; o < row.outputs.size(); ++o) {
      const Output& output = row.outputs[o];
      for (Spot spot : kSpots) {
        if (std::find(output.skip.begin(), output.skip.end(), spot) != output.skip.end()) continue;
        cases.push_back({r, Kind::kOutput, o, static_cast<int>(spot),
                         tool + "_" + output.label + "_" + kSpotNames[static_cast<int>(spot)]});
      }
      if (!output.tree && output.noReplaceWhy == nullptr) {
        cases.push_back(
            {r, Kind::kOverPrivateFile, o, 0, tool + "_" + output.label + "_over_private_file"});
        for (int throughLink = 0; throughLink <= (FollowsLinks(output) ? 1 : 0); ++throughLink) {
          cases.push_back({r, Kind::kOverForeignFile, o, throughLink,
                           tool + "_" + output.label + "_over_foreign_file" +
                               (throughLink ? "_through_link" : "")});
        }
      }
    }
    for (size_t i = 0; i < row.inputs.size(); ++i) {
      const Input& input = row.inputs[i];
      for (BadInput form : input.forms) {
        cases.push_back(
            {r, Kind::kInput, i, static_cast<int>(form),
             tool + "_" + input.label + "_input_" + kBadInputNames[static_cast<int>(form)]});
      }
      for (int v = 0; input.readsPipe && v < 2 * static_cast<int>(std::size(kStopSignals)); ++v) {
        cases.push_back({r, Kind::kStoppedWhileWaiting, i, v,
                         tool + "_" + input.label + "_stopped_by_" + kStopSignalNames[v / 2] + "_" +
                             kWriterNames[v % 2]});
      }
    }
    cases.push_back({r, Kind::kUnknownOption, 0, 0, tool + "_unknown_option"});
  }
  for (CaseId& c : cases) c.name = TestName(c.name);
  return cases;
}

Args Substitute(const Args& args, const std::string& key, const std::string& value) {
  Args out = args;
  for (std::string& a : out) {
    for (size_t at = a.find(key); at != std::string::npos; at = a.find(key, at + value.size())) {
      a.replace(at, key.size(), value);
    }
  }
  return out;
}

bool Mentions(const Args& args, const std::string& key) {
  return std::any_of(args.begin(), args.end(),
                     [&](const std::string& a) { return a.find(key) != std::string::npos; });
}

const std::string kBody(65536, 'b');

class ToolFailures : public ::testing::TestWithParam<CaseId> {
 protected:
  void SetUp() override {
    row_ = &Rows()[GetParam().row];
    const char* path = ProgramPath(row_->tool);
    ASSERT_NE(path, nullptr) << row_->tool << " is not among the programs the build makes";
    program_ = path;
    if (row_->fixtures != nullptr) row_->fixtures(folder_.path());
  }

  // Runs the tool with `args` in the case's folder; {port} becomes the port of a server that
  // answers with a body (or, when `answering` is false, takes no connection). The runtime folder,
  // where the library's lock is, is the test's own.
  ProgramRun Run(const Args& args, bool stdoutFull = false, rlim_t limit = RLIM_INFINITY,
                 bool answering = true, int giveUpSeconds = testsupport::kRunSeconds,
                 const testsupport::RunExtras& extras = {}) {
    std::unique_ptr<testsupport::ScriptedServer> server;
    Args final = args;
    if (Mentions(args, "{port}")) {
      testsupport::ScriptedServer::Script script;
      script.answer =
          "HTTP/1.0 200 OK\r\nContent-Length: " + std::to_string(kBody.size()) + "\r\n\r\n" + kBody;
      script.noAccept = !answering;
      server = std::make_unique<testsupport::ScriptedServer>(script);
      final = Substitute(args, "{port}", std::to_string(server->port()));
    }
    return testsupport::RunWords(folder_.path(), program_,
                                 {.words = final,
                                  .settings = "SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy",
                                  .stdoutFull = stdoutFull,
                                  .fullAt = limit,
                                  .extras = extras},
                                 giveUpSeconds);
  }

  // Makes a device node like /dev/full or /dev/null at `path`, so that no case puts the
  // system's own at risk.
  void DeviceNode(const std::string& path, unsigned minor) {
    if (mknod(path.c_str(), S_IFCHR | 0666, makedev(1, minor)) != 0) {
      GTEST_SKIP() << "cannot make a device node here: " << std::strerror(errno);
    }
  }

  void UnderHeldLock(const LockRun& lockRun) {
    platform::InstanceLock lock;
    ASSERT_TRUE(lock.Acquire("Morrow"));
    const std::vector<std::string> before = Listing(folder_.path(), true);
    const ProgramRun run = Run(lockRun.args);
    if (!lockRun.startsLibrary) {
      EXPECT_EQ(run.exitCode, 0) << Describe(run);
      EXPECT_EQ(run.err.find("another instance"), std::string::npos) << Describe(run);
      return;
    }
    EXPECT_EQ(run.exitCode, 2) << Describe(run);
    EXPECT_EQ(run.err, std::string(row_->tool) +
                           ": nothing done: another instance holds the library's lock\n");
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(Listing(folder_.path(), true), before) << "the run wrote a file";
  }

  // With no display and no video driver chosen, SDL would draw nowhere: the tool does not start
  // the library, says so in one line and ends with its status for that, writing nothing.
  void WithoutADisplay(const LockRun& lockRun) {
    const std::vector<std::string> before = Listing(folder_.path(), true);
    const ProgramRun run = testsupport::RunWords(
        folder_.path(), program_,
        {.words = lockRun.args,
         .settings = "unset DISPLAY WAYLAND_DISPLAY SDL_VIDEODRIVER; SDL_AUDIODRIVER=dummy"});
    EXPECT_EQ(run.exitCode, row_->notStartedStatus) << Describe(run);
    EXPECT_EQ(run.err, std::string(row_->tool) + ": " + toolrun::kNoDisplayLine +
                           " (DISPLAY and WAYLAND_DISPLAY are unset; SDL_VIDEODRIVER=dummy runs "
                           "it headless)\n");
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(Listing(folder_.path(), true), before) << "the run wrote a file";
  }

  void WithStdoutFull() {
    const ProgramRun run = Run(row_->printing, true);
    EXPECT_GT(run.exitCode, 0) << Describe(run);
    EXPECT_NE(run.err.find(std::string(row_->tool) + ": cannot write standard output: "),
              std::string::npos)
        << Describe(run);
  }

  // Puts what the spot stands for where the output goes; the file size limit of the run.
  rlim_t Prepare(const Output& output, Spot spot, const std::string& place) {
    fs::create_directories(fs::path(place).parent_path());
    const std::string linked =
        (fs::path(place).parent_path() / ("linked-" + fs::path(place).filename().string()))
            .string();
    switch (spot) {
      case Spot::kMissingFolder:
        fs::remove_all(folder_.File("missing"));
        break;
      case Spot::kFullDevice:
        DeviceNode(place, 7);
        break;
      case Spot::kNullDevice:
        DeviceNode(place, 3);
        break;
      case Spot::kFolder:
        fs::create_directory(place);
        WriteFile(place + "/keep.txt", kOldBytes);
        break;
      case Spot::kSymlink:
        fs::create_symlink(fs::path(linked).filename(), place);
        WriteFile(linked, kOldBytes);
        break;
      case Spot::kFullDisk:
        // A tree goes where there is none: a folder the tool did not write would be kept as it is
        // whatever the disk, and the case would not reach the write.
        if (!output.tree) WriteFile(place, kOldBytes);
        return output.fullAt;
    }
    return RLIM_INFINITY;
  }

  // A run that replaces a file of mode 0600 leaves a file of mode 0600, as writing into it would.
  void OverPrivateFile(const Output& output) {
    const std::string place = folder_.File(output.name);
    fs::create_directories(fs::path(place).parent_path());
    WriteFile(place, kOldBytes);
    ASSERT_EQ(chmod(place.c_str(), 0600), 0);
    const ProgramRun run =
        Run(Substitute(Substitute(output.args, "{outdir}", "."), "{out}", output.name));
    EXPECT_EQ(run.exitCode, 0) << Describe(run);
    struct stat st;
    ASSERT_EQ(lstat(place.c_str(), &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode));
    EXPECT_EQ(st.st_mode & 07777, 0600u);
    EXPECT_NE(ReadFile(place), kOldBytes) << "the run did not replace the file";
  }

  // What the working folder holds, less the other files of the output's run, each whole in its
  // own right.
  std::vector<std::string> ListingBeside(const Output& output) const {
    std::vector<std::string> entries = Listing(folder_.path());
    std::erase_if(entries, [&](const std::string& entry) {
      return std::any_of(output.alongside.begin(), output.alongside.end(),
                         [&](const std::string& other) { return entry.starts_with(other + ": "); });
    });
    return entries;
  }

  // Another user's file (the superuser's, of mode 0600 or 0444) where the output goes, or behind
  // a link there for an output that writes through one, in folders the run may write, with the
  // run as nobody: refused with a line naming the output and the reason a plain write meets, and
  // left as it was (bytes, owner, mode), with nothing beside it.
  void OverForeignFile(const Output& output, bool throughLink) {
    if (geteuid() != 0) GTEST_SKIP() << "another user's file and a run as another user: superuser";
    const fs::path place = folder_.File(output.name);
    const fs::path file =
        throughLink ? place.parent_path() / ("linked-" + place.filename().string()) : place;
    fs::create_directories(place.parent_path());
    // The run's folders, its runtime folder among them (for the library's lock), are anyone's.
    testsupport::TempDir runtime;
    for (const fs::path& folder :
         {fs::path(folder_.path()), place.parent_path(), fs::path(runtime.path())}) {
      ASSERT_EQ(chmod(folder.c_str(), 0777), 0) << folder;
    }
    const Args args = Substitute(Substitute(output.args, "{outdir}", "."), "{out}", output.name);
    Args asNobody = {"--reuid=65534",
                     "--regid=65534",
                     "--clear-groups",
                     "env",
                     "XDG_RUNTIME_DIR=" + runtime.path(),
                     program_};
    asNobody.insert(asNobody.end(), args.begin(), args.end());
    for (mode_t mode : {0600, 0444}) {
      SCOPED_TRACE(mode == 0600 ? "mode 0600" : "mode 0444");
      fs::remove(place);
      fs::remove(file);
      WriteFile(file, kOldBytes);
      ASSERT_EQ(chmod(file.c_str(), mode), 0);
      if (throughLink) fs::create_symlink(file.filename(), place);
      const std::vector<std::string> before = ListingBeside(output);
      // Run() runs program_: here setpriv, which runs the tool as nobody.
      const std::string tool = std::exchange(program_, "setpriv");
      const ProgramRun run = Run(asNobody);
      program_ = tool;
      EXPECT_GT(run.exitCode, 0) << Describe(run);
      const std::string named = place.filename().string();
      const std::vector<std::string> lines = testsupport::Lines(run.err);
      EXPECT_TRUE(std::any_of(lines.begin(), lines.end(),
                              [&](const std::string& line) {
                                return line.find(named) != std::string::npos &&
                                       line.find("Permission denied") != std::string::npos;
                              }))
          << "no line names " << named << " and says Permission denied\n"
          << Describe(run);
      struct stat st;
      ASSERT_EQ(stat(file.c_str(), &st), 0);
      EXPECT_EQ(ReadFile(file), kOldBytes);
      EXPECT_EQ(st.st_uid, 0u);
      EXPECT_EQ(st.st_mode & 07777, mode);
      EXPECT_EQ(fs::is_symlink(fs::symlink_status(place)), throughLink);
      EXPECT_EQ(ListingBeside(output), before);
    }
  }

  void AimedAt(const Output& output, Spot spot) {
    const fs::path target =
        spot == Spot::kMissingFolder ? fs::path("missing") / output.name : fs::path(output.name);
    const std::string place = folder_.File(target.string());
    const rlim_t limit = Prepare(output, spot, place);
    if (IsSkipped()) return;
    const std::vector<std::string> before = Listing(folder_.path());
    const std::string outdir = target.has_parent_path() ? target.parent_path().string() : ".";
    const ProgramRun run =
        Run(Substitute(Substitute(output.args, "{outdir}", outdir), "{out}", target.string()),
            false, limit);
    EXPECT_GT(run.exitCode, 0) << Describe(run);
    // The line names the target, or the folder it was asked to go into.
    const std::string named = target.filename().string();
    const bool givenFolder = Mentions(output.args, "{outdir}") && outdir != ".";
    EXPECT_TRUE(run.err.find(named) != std::string::npos ||
                (givenFolder && run.err.find(outdir) != std::string::npos))
        << "no line names " << named << "\n"
        << Describe(run);
    // What was there is as it was, and nothing was added beside it (no temporary file left).
    EXPECT_EQ(ListingBeside(output), before);
    const fs::file_status st = fs::symlink_status(place);
    switch (spot) {
      case Spot::kMissingFolder:
        EXPECT_FALSE(fs::exists(folder_.File("missing")));
        break;
      case Spot::kFullDevice:
      case Spot::kNullDevice:
        EXPECT_TRUE(fs::is_character_file(st));
        break;
      case Spot::kFolder:
        EXPECT_EQ(ReadFile(place + "/keep.txt"), kOldBytes);
        break;
      case Spot::kSymlink:
        EXPECT_TRUE(fs::is_symlink(st));
        EXPECT_EQ(ReadFile(place), kOldBytes);
        break;
      case Spot::kFullDisk:
        if (output.tree) {
          EXPECT_FALSE(fs::exists(place));
        } else {
          EXPECT_EQ(ReadFile(place), kOldBytes);
        }
        break;
    }
  }

  void GivenBad(const Input& input, BadInput form) {
    const std::string place = folder_.File(input.name);
    fs::remove_all(place);
    fs::create_directories(fs::path(place).parent_path());
    if (form == BadInput::kPipe && input.readsPipe) return GivenPipeToRead(input, place);
    if (form == BadInput::kEndlessPipe || form == BadInput::kPastLimit) {
      return GivenTooMuch(input, form, place);
    }
    if (form == BadInput::kFolder) fs::create_directory(place);
    if (form == BadInput::kEmpty) WriteFile(place, "");
    if (form == BadInput::kNotAFolder) WriteFile(place, "not a folder\n");
    if (form == BadInput::kCut) {
      const std::string whole = ReadFile(folder_.File(input.whole));
      WriteFile(place, whole.substr(0, whole.size() / 2));
    }
    // No writer ever comes: the run must not wait for one.
    if (form == BadInput::kPipe) {
      ASSERT_EQ(mkfifo(place.c_str(), 0600), 0) << std::strerror(errno);
    }
    const ProgramRun run =
        Run(Substitute(input.args, "{in}", input.name), false, RLIM_INFINITY, false);
    if (input.status == kAnyFailure) {
      EXPECT_GT(run.exitCode, 0) << Describe(run);
    } else {
      EXPECT_EQ(run.exitCode, input.status) << Describe(run);
    }
    if (input.says != nullptr) {
      EXPECT_NE((run.out + run.err).find(input.says), std::string::npos) << Describe(run);
    } else {
      EXPECT_NE(run.err.find(input.name), std::string::npos)
          << "no line names " << input.name << "\n"
          << Describe(run);
    }
  }

  // The run with the good input as a file, then with a pipe in its place whose writer gives the
  // same bytes: the tool waits for the writer and the run ends as the first did.
  void GivenPipeToRead(const Input& input, const std::string& place) {
    const Args args = Substitute(input.args, "{in}", input.name);
    const std::string bytes = ReadFile(folder_.File(input.whole));
    WriteFile(place, bytes);
    const ProgramRun fromFile = Run(args);
    EXPECT_EQ(fromFile.exitCode, 0) << Describe(fromFile);
    fs::remove(place);
    ASSERT_EQ(mkfifo(place.c_str(), 0600), 0) << std::strerror(errno);
    testsupport::PipeWriter writer(place, bytes);
    const ProgramRun fromPipe = Run(args);
    EXPECT_TRUE(writer.Finish()) << "the pipe's bytes were not taken\n" << Describe(fromPipe);
    EXPECT_EQ(fromPipe.exitCode, 0) << Describe(fromPipe);
    EXPECT_EQ(fromPipe.out, fromFile.out);
  }

  // More than an input read whole may hold: a pipe whose writer never ends, or a file (sparse)
  // one byte past the limit. The run refuses it as bad input, saying so, instead of reading on
  // until it is given up.
  void GivenTooMuch(const Input& input, BadInput form, const std::string& place) {
    std::unique_ptr<testsupport::EndlessPipeWriter> writer;
    if (form == BadInput::kEndlessPipe) {
      ASSERT_EQ(mkfifo(place.c_str(), 0600), 0) << std::strerror(errno);
      writer = std::make_unique<testsupport::EndlessPipeWriter>(place, "y\n");
    } else {
      WriteFile(place, "");
      ASSERT_EQ(truncate(place.c_str(), toolrun::kInputLimit + 1), 0) << std::strerror(errno);
    }
    const ProgramRun run = Run(Substitute(input.args, "{in}", input.name));
    if (writer != nullptr) {
      EXPECT_GT(writer->Finish(), toolrun::kInputLimit);
    }
    EXPECT_EQ(run.exitCode, input.status) << Describe(run);
    EXPECT_NE(run.err.find(input.name + std::string(kTooLarge)), std::string::npos)
        << Describe(run);
  }

  // A stop signal while the tool waits on a named pipe in the input's place, for a writer that
  // never comes or for bytes from one that holds the pipe and says nothing. It is sent once the
  // tool is seen waiting with the pipe open.
  void StoppedWhileWaiting(const Input& input, int variant) {
    const int signal = kStopSignals[variant / 2];
    struct sigaction inherited {};
    ASSERT_EQ(sigaction(signal, nullptr, &inherited), 0);
    if (inherited.sa_handler == SIG_IGN) {
      GTEST_SKIP() << "the tests run with " << kStopSignalNames[variant / 2]
                   << " ignored, which a tool keeps ignored";
    }
    const std::string place = folder_.File(input.name);
    fs::remove_all(place);
    fs::create_directories(fs::path(place).parent_path());
    ASSERT_EQ(mkfifo(place.c_str(), 0600), 0) << std::strerror(errno);
    std::unique_ptr<testsupport::EndlessPipeWriter> silent;
    if (variant % 2 == 1) silent = std::make_unique<testsupport::EndlessPipeWriter>(place, "");
    ::testing::AssertionResult waiting = ::testing::AssertionSuccess();
    const ProgramRun run = Run(Substitute(input.args, "{in}", input.name), false, RLIM_INFINITY,
                               true, testsupport::kRunSeconds, {.during = [&](pid_t pid) {
                                 waiting =
                                     testsupport::SignalOnceWaiting(pid, program_, signal, place);
                               }});
    ASSERT_TRUE(waiting);
    EXPECT_EQ(run.exitCode, kStoppedStatus) << Describe(run);
    if (input.stopLine != nullptr) {
      EXPECT_EQ(run.out, input.stopLine) << Describe(run);
    } else {
      EXPECT_NE(
          run.err.find(std::string("stopped by SIG") + sigabbrev_np(signal) + " while reading "),
          std::string::npos)
          << Describe(run);
      EXPECT_NE(run.err.find(input.name), std::string::npos) << Describe(run);
    }
  }

  void WithUnknownOption() {
    const ProgramRun run = Run(row_->unknownOption);
    EXPECT_EQ(run.exitCode, 2) << Describe(run);
    EXPECT_NE(run.err.find("usage"), std::string::npos) << Describe(run);
    for (const fs::directory_entry& entry : fs::directory_iterator(folder_.path())) {
      EXPECT_FALSE(entry.path().filename().string().starts_with(kUnknown))
          << "made " << entry.path().filename();
    }
  }

  const ToolRow* row_ = nullptr;
  std::string program_;
  testsupport::TempDir folder_;  // the working folder
};

TEST_P(ToolFailures, Holds) {
  switch (GetParam().kind) {
    case Kind::kHeldLock:
      return UnderHeldLock(row_->underLock[GetParam().item]);
    case Kind::kNoDisplay:
      return WithoutADisplay(row_->underLock[GetParam().item]);
    case Kind::kStdoutFull:
      return WithStdoutFull();
    case Kind::kOutput:
      return AimedAt(row_->outputs[GetParam().item], static_cast<Spot>(GetParam().variant));
    case Kind::kOverPrivateFile:
      return OverPrivateFile(row_->outputs[GetParam().item]);
    case Kind::kOverForeignFile:
      return OverForeignFile(row_->outputs[GetParam().item], GetParam().variant != 0);
    case Kind::kInput:
      return GivenBad(row_->inputs[GetParam().item], static_cast<BadInput>(GetParam().variant));
    case Kind::kStoppedWhileWaiting:
      return StoppedWhileWaiting(row_->inputs[GetParam().item], GetParam().variant);
    case Kind::kUnknownOption:
      return WithUnknownOption();
  }
}

INSTANTIATE_TEST_SUITE_P(EveryTool, ToolFailures, ::testing::ValuesIn(AllCases()),
                         [](const ::testing::TestParamInfo<CaseId>& info) {
                           return info.param.name;
                         });

// ---------------------------------------------------------------------------------------------
// Threads and child runs that cannot start
//
// A tool that starts threads, under a limit that leaves it fewer than it starts: a limit of
// processes for a user of the run's own, which counts only the run's threads and children, or an
// address space that no thread's stack fits in (each as large as the whole space). It ends with
// status 1 and the line "<tool>: cannot start a thread: Resource temporarily unavailable", never
// an abort. A limit that leaves every thread but only one child run ends it with "cannot start a
// run: ..." once that child was stopped (the soak's, of players that do nothing, would run for
// hours); devparity, which starts devshot, ends with "cannot start devshot: ...". No process of
// the run's group runs on and no folder it made is left.

constexpr const char* kNoThread = "cannot start a thread: Resource temporarily unavailable";
constexpr const char* kNoRun = "cannot start a run: Resource temporarily unavailable";

struct ThreadsRow {
  const char* label;
  const char* tool;
  Args args;
  int processes;       // the limit of processes
  const char* says;    // after the tool's name, under that limit
  bool addressSpace;   // also run where no thread's stack fits: then kNoThread
  unsigned cores = 1;  // what the run needs to start more threads than the limits leave
};

const std::vector<ThreadsRow>& ThreadsRows() {
  const Args soak = {"--players", "2", "--chars", "0,1", "--arena", "0", "--frames"};
  const Args robin = {"--round-robin", "--chars",  "0,1", "--seeds",
                      "1-4",           "--arenas", "0",   "--cap"};
  auto with = [](Args args, const Args& more) {
    args.insert(args.end(), more.begin(), more.end());
    return args;
  };
  static const std::vector<ThreadsRow> rows = {
      // The runner and two threads: the third cannot start, whether or not a child run has.
      {"soak", "battle-sim", with(soak, {"600", "--seeds", "1-8", "--jobs", "8"}), 3, kNoThread,
       true},
      // The runner, its thread and one child run: the second child cannot start.
      {"soak_child_runs", "battle-sim",
       with(soak, {"99999999", "--input", "/dev/null", "--seeds", "1-4", "--jobs", "2"}), 3, kNoRun,
       false},
      {"round_robin", "battle-sim", with(robin, {"600", "--jobs", "8"}), 3, kNoThread, true},
      {"round_robin_child_runs", "battle-sim", with(robin, {"99999999", "--jobs", "2"}), 3, kNoRun,
       false},
      {"make_demo_resources", "make-demo-resources", {"."}, 2, kNoThread, true, 3},
      // It starts no thread, only devshot, one run at a time.
      {"devparity",
       "devparity",
       {"--depth", "16", "--script", "parity-exact"},
       1,
       "cannot start devshot: Resource temporarily unavailable",
       false},
  };
  return rows;
}

enum class ThreadLimit { kProcesses, kAddressSpace };
// The address space, and the stack each thread is given: no thread fits.
constexpr const char* kWholeSpace = "1073741824";

struct ThreadsCase {
  size_t row;
  ThreadLimit limit;
};

std::string ThreadsCaseName(const ThreadsCase& c) {
  return std::string(ThreadsRows()[c.row].label) +
         (c.limit == ThreadLimit::kProcesses ? "_process_limit" : "_address_space");
}

void PrintTo(const ThreadsCase& c, std::ostream* os) {
  *os << ThreadsCaseName(c);
}

std::vector<ThreadsCase> ThreadsCases() {
  std::vector<ThreadsCase> cases;
  for (size_t r = 0; r < ThreadsRows().size(); ++r) {
    cases.push_back({r, ThreadLimit::kProcesses});
    if (ThreadsRows()[r].addressSpace) cases.push_back({r, ThreadLimit::kAddressSpace});
  }
  return cases;
}

class ThreadsCannotStart : public ::testing::TestWithParam<ThreadsCase> {};

TEST_P(ThreadsCannotStart, EndsWithALineAndNoChildLeft) {
  const ThreadsRow& row = ThreadsRows()[GetParam().row];
  const bool processes = GetParam().limit == ThreadLimit::kProcesses;
  if (std::thread::hardware_concurrency() < row.cores) {
    GTEST_SKIP() << row.tool << " starts no more threads on this machine than the limit leaves";
  }
  testsupport::TempDir folder;
  const std::string temporary = folder.File("t");
  fs::create_directory(temporary);
  Args words;
  if (processes) {
    if (geteuid() != 0) {
      GTEST_SKIP() << "a limit of processes binds only a user other than the superuser, whom "
                      "only the superuser can become";
    }
    for (const std::string& place : {folder.path(), temporary}) {
      ASSERT_EQ(chmod(place.c_str(), 0777), 0);
    }
    const std::string user = std::to_string(testsupport::UnusedUser());
    words = {"setpriv",        "--reuid=" + user, "--regid=" + user,
             "--clear-groups", "prlimit",         "--nproc=" + std::to_string(row.processes)};
  } else {
#ifdef UNDER_ADDRESS_SANITIZER
    GTEST_SKIP() << "AddressSanitizer reserves more address space than the limit leaves";
#endif
    words = {"prlimit", std::string("--as=") + kWholeSpace, std::string("--stack=") + kWholeSpace};
  }
  words.push_back(ProgramPath(row.tool));
  words.insert(words.end(), row.args.begin(), row.args.end());
  pid_t group = 0;
  const ProgramRun run =
      testsupport::RunWords(folder.path(), words[0],
                            {.words = Args(words.begin() + 1, words.end()),
                             .settings = "TMPDIR='" + temporary + "'",
                             .extras = {.during = [&](pid_t pid) { group = pid; }}});
  EXPECT_EQ(run.exitCode, 1) << Describe(run);
  const std::string line = std::string(row.tool) + ": " + (processes ? row.says : kNoThread);
  const std::vector<std::string> lines = testsupport::Lines(run.err);
  EXPECT_NE(std::find(lines.begin(), lines.end(), line), lines.end()) << "no line " << line << "\n"
                                                                      << Describe(run);
  EXPECT_EQ(run.err.find("terminate"), std::string::npos) << Describe(run);
  ASSERT_NE(group, 0);
  EXPECT_EQ(testsupport::GroupLeft(group), std::vector<std::string>{});
  // Nothing beside the temporary folder, and nothing in it.
  EXPECT_EQ(Listing(folder.path()), std::vector<std::string>{"t: folder"});
}

INSTANTIATE_TEST_SUITE_P(EveryToolThatStartsThreads, ThreadsCannotStart,
                         ::testing::ValuesIn(ThreadsCases()),
                         [](const ::testing::TestParamInfo<ThreadsCase>& info) {
                           return ThreadsCaseName(info.param);
                         });

// ---------------------------------------------------------------------------------------------
// A named pipe at a file a setting names

// The files the library opens by a setting: MORROW_FONT's font, which every run that starts the
// library makes its default font from (gfxprobe's font: makes one more, and make-demo-resources
// draws its glyph sheets from it), the soundfont MORROW_SOUNDFONT names for MIDI music, and the
// game-controller mappings SDL_GAMECONTROLLERCONFIG_FILE names for the pads. A named pipe there,
// which no writer ever opens, is refused at once with a line naming it, and the run ends as it
// ends when that file is missing: the same status and the same output.
struct SettingRun {
  std::string name;
  size_t row;
  Args args;
  const char* setting;
  const char* what;  // the file, as the line names it
  void (*fixture)(const std::string& work) = nullptr;
};

void PrintTo(const SettingRun& c, std::ostream* os) {
  *os << c.name;
}

// The runs of the table that start the library but make no font of their own, and why.
const std::map<std::string, const char*> kNoFontRuns = {
    {"devparity_parity",
     "its devshot runs make the fonts, and their lines are passed on only when a run fails: "
     "devshot's own run is here"},
    {"netprobe_serve", "it waits for its client, font or no font: its other run is here"},
};

void Tune(const std::string& work) {
  WriteFile(work + "/tune.mid", testsupport::OneNoteMidi(96));
}

std::vector<SettingRun> SettingRuns() {
  std::vector<SettingRun> runs;
  const std::vector<ToolRow>& rows = Rows();
  for (size_t r = 0; r < rows.size(); ++r) {
    const std::string tool = rows[r].tool;
    for (const LockRun& run : rows[r].underLock) {
      const std::string name = TestName(tool + "_" + run.label);
      if (run.startsLibrary && !kLockOnlyRuns.contains(name) && !kNoFontRuns.contains(name)) {
        runs.push_back({name + "_font", r, run.args, "MORROW_FONT", "font"});
      }
    }
    if (tool == "gfxprobe") {
      runs.push_back({"gfxprobe_font", r, {"font:-,16,4,0,1,0"}, "MORROW_FONT", "font"});
    }
    if (tool == "make-demo-resources") {
      runs.push_back({"make_demo_resources_tree_font", r, {"."}, "MORROW_FONT", "font"});
    }
    if (tool == "playmusic") {
      runs.push_back({"playmusic_midi_soundfont",
                      r,
                      {"tune.mid", "0"},
                      "MORROW_SOUNDFONT",
                      "soundfont",
                      Tune});
    }
    if (tool == "morrow-probe") {
      runs.push_back({"morrow_probe_pad_mappings",
                      r,
                      {"pad", "1", "--frames", "1"},
                      "SDL_GAMECONTROLLERCONFIG_FILE",
                      "game controller mappings"});
    }
  }
  return runs;
}

class SettingPipe : public ::testing::TestWithParam<SettingRun> {
 protected:
  // A run with the setting naming `file` in the run's folder: a named pipe when it is "pipe".
  ProgramRun RunNaming(const std::string& file) {
    const SettingRun& c = GetParam();
    const ToolRow& row = Rows()[c.row];
    testsupport::TempDir folder;
    if (row.fixtures != nullptr) row.fixtures(folder.path());
    if (c.fixture != nullptr) c.fixture(folder.path());
    const std::string path = folder.File(file);
    if (file == "pipe") {
      EXPECT_EQ(mkfifo(path.c_str(), 0600), 0) << std::strerror(errno);
    }
    const char* program = ProgramPath(row.tool);
    EXPECT_NE(program, nullptr) << row.tool;
    ProgramRun run =
        testsupport::RunWords(folder.path(), program != nullptr ? program : "false",
                              {.words = c.args,
                               .settings = "SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy " +
                                           std::string(c.setting) + "=" + path});
    // The folder's name differs between the runs.
    for (std::string* text : {&run.out, &run.err}) {
      for (size_t at; (at = text->find(folder.path())) != std::string::npos;) {
        text->replace(at, folder.path().size(), "FOLDER");
      }
    }
    return run;
  }
};

TEST_P(SettingPipe, IsRefusedAtOnceAsAMissingFileFails) {
  const ProgramRun missing = RunNaming("missing");
  const ProgramRun pipe = RunNaming("pipe");
  EXPECT_NE(pipe.exitCode, -1) << "the run waited on the pipe\n" << Describe(pipe);
  EXPECT_EQ(pipe.exitCode, missing.exitCode) << Describe(pipe) << "\n" << Describe(missing);
  EXPECT_EQ(pipe.out, missing.out);
  const std::string line =
      std::string("morrow: cannot read the ") + GetParam().what + " FOLDER/pipe: ";
  EXPECT_NE(pipe.err.find(line + "is a named pipe, not a file\n"), std::string::npos)
      << Describe(pipe);
  EXPECT_EQ(missing.err.find(line), std::string::npos) << Describe(missing);
}

INSTANTIATE_TEST_SUITE_P(EveryFileASettingNames, SettingPipe, ::testing::ValuesIn(SettingRuns()),
                         [](const ::testing::TestParamInfo<SettingRun>& info) {
                           return info.param.name;
                         });

// ---------------------------------------------------------------------------------------------
// The table against the build

TEST(ToolTable, EveryProgramOfTheBuildHasARow) {
  ASSERT_FALSE(Programs().empty());
  for (const auto& [name, path] : Programs()) {
    EXPECT_TRUE(std::any_of(Rows().begin(), Rows().end(),
                            [&](const ToolRow& row) { return name == row.tool; }))
        << name << " has no row: say how to run it for each case, or why a case does not apply";
  }
}

TEST(ToolTable, EveryRowIsAProgramOfTheBuildAndSaysWhyACaseIsLeftOut) {
  std::set<std::string> seen;
  for (const ToolRow& row : Rows()) {
    SCOPED_TRACE(row.tool);
    EXPECT_TRUE(seen.insert(row.tool).second) << "two rows";
    EXPECT_NE(ProgramPath(row.tool), nullptr) << "no such program in the build";
    EXPECT_FALSE(row.underLock.empty());
    EXPECT_FALSE(row.unknownOption.empty());
    EXPECT_NE(row.printing.empty(), row.quietWhy == nullptr);
    EXPECT_NE(row.outputs.empty(), row.noOutputsWhy == nullptr);
    EXPECT_NE(row.inputs.empty(), row.noInputsWhy == nullptr);
    for (const Output& output : row.outputs) {
      EXPECT_EQ(output.skip.empty(), output.skipWhy == nullptr) << output.label;
    }
    for (const Input& input : row.inputs) {
      EXPECT_FALSE(input.forms.empty()) << input.label;
      const auto has = [&](BadInput form) {
        return std::find(input.forms.begin(), input.forms.end(), form) != input.forms.end();
      };
      // Every input but a folder may be a named pipe: the row says what the tool does with one.
      EXPECT_TRUE(has(BadInput::kNotAFolder) || has(BadInput::kPipe)) << input.label;
      EXPECT_TRUE(input.whole != nullptr || !(has(BadInput::kCut) || input.readsPipe))
          << input.label << " needs the good input it is cut from or a pipe is given";
      // What is read as cat reads it is read whole, and so within a limit.
      EXPECT_TRUE(!input.readsPipe || (has(BadInput::kEndlessPipe) && has(BadInput::kPastLimit)))
          << input.label << " is read whole: an endless pipe and a file past the limit are owed";
    }
  }
}

// ---------------------------------------------------------------------------------------------
// Limits of their own, and a reason the log could not hold

// An input whose limit is its own, not the tools' one the rows' forms know, is refused one byte
// past it (a sparse file) as bad input, with a line naming it and the limit; at the limit it is
// taken.
TEST(ToolLimits, AnInputPastALimitOfItsOwnIsRefused) {
  constexpr uint64_t kMapLimit = 1310704;  // the most the game reads of a map
  static_assert(veyrdale::kMaxArenaMapBytes == kMapLimit);
  const std::string mapTooLarge =
      "battle-sim: --maps maps/00.mpd: larger than 1310704 bytes, more than the game reads of a "
      "map\n";
  const struct {
    const char* name;
    Args args;
    const char* file;
    uint64_t size;
    int status;
    std::string line;  // on stderr
  } cases[] = {
      {"run", SimRun({}), "maps/00.mpd", kMapLimit + 1, 2, mapTooLarge},
      {"run at the limit", SimRun({}), "maps/00.mpd", kMapLimit, 0, ""},
      {"round robin",
       {"--round-robin", "--chars", "0,1", "--seeds", "1-1", "--arenas", "0", "--maps", "maps"},
       "maps/00.mpd",
       kMapLimit + 1,
       2,
       mapTooLarge},
      {"story scripts",
       {"--seed", "1", "--story", "main", "--scripts", "scripts", "--frames", "60"},
       "scripts/00.srd",
       toolrun::kInputLimit + 1,
       2,
       "battle-sim: --scripts scripts/00.srd" + std::string(kTooLarge) + "\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    testsupport::TempDir folder;
    Maps(folder.path());
    fs::create_directory(folder.File("scripts"));
    WriteFile(folder.File(c.file), "");
    ASSERT_EQ(truncate(folder.File(c.file).c_str(), static_cast<off_t>(c.size)), 0);
    const ProgramRun run =
        testsupport::RunWords(folder.path(), ProgramPath("battle-sim"),
                              {.words = c.args, .settings = "SDL_VIDEODRIVER=dummy"});
    EXPECT_EQ(run.exitCode, c.status) << Describe(run);
    EXPECT_EQ(run.err, c.line) << Describe(run);
  }
}

// On a full disk the reason a transfer's body found no room may not fit into AppLog.txt either:
// the line then says what kept it out rather than send the user to the log, and the output is
// left as it was. The limit is low enough for the log's first line to meet it.
TEST(ToolLimits, AReasonTheLogCouldNotHoldIsSaid) {
  testsupport::ScriptedServer server({.answer = "HTTP/1.0 200 OK\r\nContent-Length: " +
                                                std::to_string(kBody.size()) + "\r\n\r\n" + kBody});
  testsupport::TempDir folder;
  WriteFile(folder.File("body.out"), kOldBytes);
  const ProgramRun run =
      testsupport::RunWords(folder.path(), ProgramPath("netprobe"),
                            {.words = {"http", "get", std::to_string(server.port()), "/body",
                                       "--file", "body.out", "--give-up", kNetprobeRoom},
                             .settings = "SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy",
                             .fullAt = 64});
  EXPECT_EQ(run.exitCode, 1) << Describe(run);
  EXPECT_NE(run.err.find("netprobe: the transfer failed: no room for the body (AppLog.txt could "
                         "not be written either: File too large); body.out is left as it was\n"),
            std::string::npos)
      << Describe(run);
  EXPECT_EQ(ReadFile(folder.File("body.out")), kOldBytes);
}

}  // namespace
