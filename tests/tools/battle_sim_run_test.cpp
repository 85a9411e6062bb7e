// The battle runner as a program: same options give the same trace, the input moves the hash,
// --corrupt trips each invariant, the battle leaving scene 4 ends the run, soaks count their
// failures, and bad options, scripts and map files are handled.
#include <signal.h>
#include <sys/stat.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/pipe_writer.h"
#include "tests/support/program_run.h"
#include "tests/support/script_files.h"
#include "tests/support/temp_dir.h"
#include "tests/support/text_lines.h"

namespace {

using testsupport::Lines;
using testsupport::ProgramRun;
using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;

const std::string kMaps = std::string(SOURCE_DIR) + "/tests/data/maps";
const std::string kScript = std::string(SOURCE_DIR) + "/tests/data/battle_2p.script";
const std::string kTwoPlayers =
    "--seed 42 --date 2024-01-01T12:00:00 --players 2 --chars 0,1 "
    "--arena 0 --maps " +
    kMaps + " --input " + kScript;
const std::string kFourPlayers =
    "--seed 5 --date 2024-01-01T12:00:00 --players 4 --chars 0,1,0,1 --teams 0,1,0,1 --arena 0 "
    "--maps " +
    kMaps;

ProgramRun Sim(const TempDir& dir, const std::string& args) {
  return testsupport::RunProgram(dir.path(), BATTLE_SIM, args);
}

// The last field of a trace line: the state hash.
std::string HashOf(const std::string& line) {
  return line.substr(line.rfind(' ') + 1);
}

TEST(BattleSimRun, SameOptionsGiveByteIdenticalTraces) {
  TempDir dir;
  const std::string runs[] = {kTwoPlayers + " --frames 1200",
                              kFourPlayers + " --input-seed 11 --frames 1200"};
  for (const std::string& args : runs) {
    ASSERT_EQ(Sim(dir, args + " --trace a").exitCode, 0) << args;
    ASSERT_EQ(Sim(dir, args + " --trace b --check-invariants").exitCode, 0) << args;
    const std::string a = ReadFile(dir.File("a"));
    EXPECT_EQ(Lines(a).size(), 20u) << args;
    EXPECT_EQ(a, ReadFile(dir.File("b"))) << args;
  }
}

// The generator's input reaches the battle early; the game's own random numbers may not be drawn
// that early, so only the input seed is varied.
TEST(BattleSimRun, AnotherInputSeedGivesAnotherHashByFrame600) {
  TempDir dir;
  for (const char* players : {"--players 2 --chars 0,1", "--players 4 --chars 0,1,0,1"}) {
    const std::string base = std::string("--seed 1 --arena 0 --frames 600 --maps ") + kMaps + " " +
                             players + " --input-seed ";
    ASSERT_EQ(Sim(dir, base + "11 --trace a").exitCode, 0);
    ASSERT_EQ(Sim(dir, base + "12 --trace b").exitCode, 0);
    const std::vector<std::string> a = Lines(ReadFile(dir.File("a")));
    const std::vector<std::string> b = Lines(ReadFile(dir.File("b")));
    ASSERT_EQ(a.size(), 10u);
    ASSERT_EQ(b.size(), 10u);
    // The scene frame holds through the freezes of any spell card declared on the way.
    EXPECT_EQ(a[9].substr(0, 6), "600 4 ");
    EXPECT_NE(HashOf(a[9]), HashOf(b[9])) << players;
  }
}

TEST(BattleSimRun, CorruptWriteTripsEachInvariant) {
  struct Case {
    const char* corrupt;
    const char* message;
  } cases[] = {
      {"p1.life=351@100", "frame 100: invariant life: player 1 life 351"},
      {"p0.state=3@7 --corrupt p0.life=-5@7",
       "frame 7: invariant life: player 0 life -5 in state 3"},
      {"spellGauge[1]=200.5@250", "frame 250: invariant gauge: player 1 gauge 200.5"},
      {"p0.spellGauge=-1@3", "frame 3: invariant gauge: player 0 gauge -1"},
      // A free slot made live keeps the stun of its last use: 0, not its slot.
      {"shot5.state=1@20", "frame 20: invariant stun: shot 5 stun 0 in slot 5"},
      {"p0.x=nan@30", "frame 30: invariant finite: p0.x nan"},
      {"comp1.vy=-inf@31", "frame 31: invariant finite: comp1.vy -inf"},
      {"IndexMisses=1@40", "frame 40: invariant index-misses: IndexMisses 1"},
      {"p1.heading=256@41", "frame 41: invariant heading: player 1 heading 256"},
      {"p0.state=19@42", "frame 42: invariant state: player 0 state 19"},
      {"LiveShotCount=513@43", "frame 43: invariant live-shots: LiveShotCount 513"},
      {"ShotHitFlags[7,1]=2@44", "frame 44: invariant hit-flag: ShotHitFlags[7,1] 2"},
      {"EffectInUse[9]=3@45", "frame 45: invariant effect-flag: effect 9 in-use 3"},
      {"ItemFlags[2]=3@46", "frame 46: invariant item-flag: item 2 flag 3"},
      {"EffectInUse[1000]=1@100 --corrupt eff1000.timer=5@100 --corrupt eff1000.code=7777@100",
       "frame 100: invariant effect-code: slot 1000 code 7777"},
      {"EffectInUse[1000]=1@47", "frame 47: invariant effect-timer: slot 1000 timer 0"},
      {"fam3.kind=8@100 --corrupt fam3.state=1@100", "frame 100: invariant familiar: slot 3"},
      {"fam9.kind=8@50 --corrupt fam9.state=2@50 --corrupt fam9.owner=4@50",
       "frame 50: invariant familiar: slot 9"},
      {"fam9.kind=8@50 --corrupt fam9.state=6@50", "frame 50: invariant familiar: slot 9"},
      {"CpuMode[1]=3@48", "frame 48: invariant cpu-mode: player 1 CpuMode 3"},
      {"CpuCountdown[0]=76@49", "frame 49: invariant cpu-countdown: player 0 CpuCountdown 76"},
      {"CpuTarget[3]=4@50", "frame 50: invariant cpu-target: player 3 CpuTarget 4"},
      {"PendingPressCounts[8,2]=137@51",
       "frame 51: invariant pending: player 2 input 8 pending 137"},
      {"PendingPressCounts[0,0]=-1@52", "frame 52: invariant pending: player 0 input 0 pending -1"},
      {"heldFlag[1]=1@100", "frame 100: invariant held-player: player 1 slot 0"},
      {"heldFlag[2]=1@53 --corrupt holdingShot[2]=-7@53",
       "frame 53: invariant held-player: player 2 slot -7"},
  };
  TempDir dir;
  for (const Case& c : cases) {
    const ProgramRun run =
        Sim(dir, kTwoPlayers + " --frames 600 --check-invariants --corrupt " + c.corrupt);
    EXPECT_EQ(run.exitCode, 1) << c.corrupt;
    EXPECT_EQ(run.out, std::string(c.message) + "\n") << c.corrupt;
  }
  // The write alone is not reported: only the checker reports it.
  EXPECT_EQ(Sim(dir, kTwoPlayers + " --frames 600 --corrupt p1.life=351@100").exitCode, 0);
  // A write the checker allows passes it.
  const ProgramRun allowed =
      Sim(dir, kTwoPlayers + " --frames 200 --check-invariants --corrupt p1.life=1@100");
  EXPECT_EQ(allowed.exitCode, 0) << allowed.out;
}

TEST(BattleSimRun, LeavingTheBattleSceneEndsTheRun) {
  TempDir dir;
  // At once: a battle that ends on its first frame is a fault.
  ProgramRun first = Sim(dir, kTwoPlayers + " --frames 600 --corrupt SceneId=5@1 --trace t");
  EXPECT_EQ(first.exitCode, 1);
  EXPECT_EQ(first.out, "frame 1: the battle left scene 4 on its first frame (scene 5)\n");
  EXPECT_EQ(ReadFile(dir.File("t")), "");
  // Later: the run stops there, cleanly.
  ProgramRun later = Sim(dir, kTwoPlayers + " --frames 600 --corrupt SceneId=5@130 --trace t");
  EXPECT_EQ(later.exitCode, 0);
  EXPECT_NE(later.err.find("left scene 4 after frame 130 (scene 5)"), std::string::npos)
      << later.err;
  const std::vector<std::string> lines = Lines(ReadFile(dir.File("t")));
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[1].substr(0, 16), "120 4 120 120 | ");
}

TEST(BattleSimRun, SoakRunsEachSeedAndCountsFailures) {
  TempDir dir;
  const std::string base = kFourPlayers + " --frames 120 --check-invariants ";
  // Each run's input follows from its seed: three runs, three battles.
  const ProgramRun clean = Sim(dir, base.substr(base.find("--players")) + "--seeds 1-3");
  EXPECT_EQ(clean.exitCode, 0);
  EXPECT_EQ(clean.out,
            "seed 1 chars 0,1,0,1 frames 120 winner none hash 6d9aff707c015826\n"
            "seed 2 chars 0,1,0,1 frames 120 winner none hash 0fcbf6cebfe44715\n"
            "seed 3 chars 0,1,0,1 frames 120 winner none hash 0825a6e744c123cd\n"
            "soak: 3 runs, 0 failures, 3 distinct\n");
  // One input for all: the seeds alone.
  const ProgramRun same =
      Sim(dir, base.substr(base.find("--players")) + "--seeds 1-3 --input " + kScript);
  EXPECT_EQ(same.exitCode, 0);
  EXPECT_EQ(same.out.substr(same.out.rfind("soak: "), 24), "soak: 3 runs, 0 failures");

  const ProgramRun failing =
      Sim(dir, base.substr(base.find("--players")) + "--seeds 4-5 --corrupt p2.life=400@10");
  EXPECT_EQ(failing.exitCode, 1);
  EXPECT_EQ(failing.out,
            "seed 4: frame 10: invariant life: player 2 life 400\n"
            "seed 5: frame 10: invariant life: player 2 life 400\n"
            "soak: 2 runs, 2 failures, 0 distinct\n");

  // Bad input is reported once, before any run.
  const ProgramRun bad = Sim(dir,
                             "--seeds 1-3 --players 2 --chars 0,1 --arena 0 --frames 9 "
                             "--input " +
                                 dir.File("missing"));
  EXPECT_EQ(bad.exitCode, 2);
  EXPECT_EQ(bad.out, "");
  EXPECT_NE(bad.err.find("cannot read --input"), std::string::npos) << bad.err;
}

// An input script through a named pipe is read as cat reads it: the soak waits for the writer and
// gives the lines the file gives (each of its runs reads the soak's copy: the pipe gives its bytes
// once), and a stop while no writer comes ends the wait with a line.
TEST(BattleSimRun, InputThroughANamedPipe) {
  TempDir dir;
  ASSERT_EQ(mkfifo(dir.File("fifo").c_str(), 0600), 0);
  const std::string soak =
      "--seeds 1-2 --players 2 --chars 0,1 --arena 0 --frames 120 --maps " + kMaps + " --input ";
  const ProgramRun fromFile = Sim(dir, soak + kScript);
  EXPECT_EQ(fromFile.exitCode, 0) << fromFile.err;
  testsupport::PipeWriter writer(dir.File("fifo"), ReadFile(kScript));
  const ProgramRun fromPipe = Sim(dir, soak + "fifo");
  EXPECT_TRUE(writer.Finish());
  EXPECT_EQ(fromPipe.exitCode, 0) << fromPipe.err;
  EXPECT_EQ(fromPipe.out, fromFile.out);

  // The stop comes once the run is seen waiting on the pipe with its handler in.
  struct sigaction inherited {};
  ASSERT_EQ(sigaction(SIGTERM, nullptr, &inherited), 0);
  if (inherited.sa_handler == SIG_IGN) GTEST_SKIP() << "battle-sim would keep SIGTERM ignored";
  ::testing::AssertionResult waiting = ::testing::AssertionSuccess();
  const std::string plain = kTwoPlayers.substr(0, kTwoPlayers.find("--input"));
  const ProgramRun stopped = testsupport::RunProgram(
      dir.path(), BATTLE_SIM, plain + "--input fifo --frames 60", "exec", testsupport::kRunSeconds,
      {.during = [&](pid_t pid) {
        waiting = testsupport::SignalOnceWaiting(pid, BATTLE_SIM, SIGTERM, dir.File("fifo"));
      }});
  ASSERT_TRUE(waiting);
  EXPECT_EQ(stopped.exitCode, 1);
  EXPECT_EQ(stopped.out, "");
  EXPECT_EQ(stopped.err, "battle-sim: stopped by SIGTERM while reading --input fifo\n");
}

TEST(BattleSimRun, RefusesBadInputWithExitCode2) {
  TempDir dir;
  WriteFile(dir.File("ok.script"), "0-9 0 right\n");
  WriteFile(dir.File("garbled.script"), "0-9 0 right\n10-x 1 up\n");
  WriteFile(dir.File("reversed.script"), "40-30 0 b1\n");
  WriteFile(dir.File("unknown.script"), "0-9 1 jump\n");
  WriteFile(dir.File("player4.script"), "0-9 4 up\n");
  WriteFile(dir.File("player2.script"), "0-9 2 up\n");
  WriteFile(dir.File("short.script"), "0-9 1\n");
  WriteFile(dir.File("cut.script"), "0-9 0 right\n12-");
  std::filesystem::create_directory(dir.File("folder"));
  const std::string two = "--seed 1 --players 2 --chars 0,1 --arena 0 --frames 60 ";
  struct Case {
    std::string args;
    const char* error;
  } cases[] = {
      {two + "--fast", "unknown option '--fast'"},
      {two + "check-invariants", "unknown option 'check-invariants'"},
      {"--seed 1 --players 5 --chars 0,1,0,1,0 --arena 0 --frames 9", "--players needs"},
      {"--seed 1 --players 0 --chars 0 --arena 0 --frames 9", "--players needs"},
      {two + "--input garbled.script", "garbled.script: line 2: '10-x' is not a range"},
      {two + "--input reversed.script", "line 1: the range 40-30 is out of order"},
      {two + "--input unknown.script", "line 1: unknown input 'jump'"},
      {two + "--input player4.script", "line 1: '4' is not a player 0-3"},
      {two + "--input player2.script", "line 1: player 2 is not in a match of 2 players"},
      {two + "--input short.script", "line 1: needs FROM-TO PLAYER INPUT"},
      {two + "--input cut.script", "line 2: needs FROM-TO PLAYER INPUT"},
      {two + "--input missing.script", "cannot read --input missing.script"},
      {two + "--input folder", "cannot read --input folder"},
      {two + "--maps ok.script", "--maps ok.script is not a folder"},
      {two + "--maps nowhere", "--maps nowhere is not a folder"},
      {two + "--trace folder/none/t", "folder/none/t: No such file or directory"},
      {two + "--corrupt q1.life=1@5", "no field named q1.life"},
      {two + "--seeds 1-2", "one of --seed N and --seeds A-B"},
      {two + "--cpu 2,0", "--cpu needs comma-separated whole numbers from 0 to 1"},
      {two + "--cpu 1", "--cpu needs one value per player (2)"},
      {two + "--cpu none", "--cpu needs"},
      {two + "--difficulty 4", "--difficulty needs a whole number from 0 to 3"},
      {two + "--difficulty -1", "--difficulty needs"},
      {two + "--jobs 0", "--jobs needs a whole number from 1 to 64"},
      {"--seed 1 --players 2 --chars randomly --arena 0 --frames 9", "--chars needs"},
  };
  for (const Case& c : cases) {
    const ProgramRun run = Sim(dir, c.args);
    EXPECT_EQ(run.exitCode, 2) << c.args;
    EXPECT_EQ(run.out, "") << c.args;
    EXPECT_NE(run.err.find(c.error), std::string::npos) << c.args << " -> " << run.err;
  }
}

// Four computer players on random characters: the same options give the same soak lines, whatever
// --jobs says, and one seed of the soak run alone gives the hash its line reports.
TEST(BattleSimRun, ComputerSoakIsTheSameWhateverTheJobs) {
  TempDir dir;
  const std::string soak =
      "--seeds 3-7 --players 4 --cpu all --chars random --arena 0 --frames 900 "
      "--check-invariants --maps " +
      kMaps;
  const ProgramRun one = Sim(dir, soak + " --jobs 1");
  const ProgramRun three = Sim(dir, soak + " --jobs 3");
  ASSERT_EQ(one.exitCode, 0) << one.out << one.err;
  EXPECT_EQ(three.out, one.out);
  const std::vector<std::string> lines = Lines(one.out);
  ASSERT_EQ(lines.size(), 6u) << one.out;
  EXPECT_EQ(lines[5].substr(0, 26), "soak: 5 runs, 0 failures, ");
  char chars[64] = {};
  unsigned seed = 0;
  long long frames = 0;
  char winner[16] = {};
  char hash[17] = {};
  ASSERT_EQ(std::sscanf(lines[2].c_str(), "seed %u chars %63s frames %lld winner %15s hash %16s",
                        &seed, chars, &frames, winner, hash),
            5)
      << lines[2];
  EXPECT_EQ(seed, 5u);
  EXPECT_EQ(frames, 900);
  // The computers need no input, so the run alone needs only the characters the soak drew.
  const ProgramRun alone = Sim(dir, "--seed 5 --players 4 --cpu all --chars " + std::string(chars) +
                                        " --arena 0 --frames 900 --input-seed 5 --final-hash "
                                        "--maps " +
                                        kMaps);
  EXPECT_NE(alone.out.find(std::string("final ") + hash), std::string::npos) << alone.out;
  const ProgramRun random = Sim(dir,
                                "--seed 5 --players 4 --cpu all --chars random --arena 0 "
                                "--frames 900 --input-seed 5 --final-hash --maps " +
                                    kMaps);
  EXPECT_EQ(random.out, alone.out);
}

// Half rate changes the battle, not only the display word the state hash also holds: the players'
// lives, meters and scores part from full rate's, and the same options still give the same trace.
TEST(BattleSimRun, HalfRateChangesTheBattleAndStaysReproducible) {
  TempDir dir;
  const std::string base =
      "--seed 7 --players 4 --chars 0,8,10,13 --cpu all --arena 0 --frames "
      "1800 --check-invariants --maps " +
      kMaps;
  ASSERT_EQ(Sim(dir, base + " --trace full").exitCode, 0);
  ASSERT_EQ(Sim(dir, base + " --half-rate --trace half").exitCode, 0);
  ASSERT_EQ(Sim(dir, base + " --half-rate --trace again").exitCode, 0);
  const std::vector<std::string> full = Lines(ReadFile(dir.File("full")));
  const std::vector<std::string> half = Lines(ReadFile(dir.File("half")));
  ASSERT_EQ(full.size(), 30u);
  ASSERT_EQ(half.size(), 30u);
  EXPECT_EQ(ReadFile(dir.File("again")), ReadFile(dir.File("half")));
  int parted = 0;
  for (size_t i = 0; i < full.size(); ++i) {
    const std::string withoutHash = full[i].substr(0, full[i].rfind(" | "));
    if (half[i].substr(0, half[i].rfind(" | ")) != withoutHash) ++parted;
  }
  EXPECT_GT(parted, 0);
}

// A story run starts from the story menu and goes through its stages: the first stage's dialogue
// leads straight on to the second. Its scripts come from --scripts; without them it cannot run.
TEST(BattleSimRun, StoryRunStartsFromTheMenuAndGoesOn) {
  TempDir dir;
  std::filesystem::create_directory(dir.File("srd"));
  for (int n = 0; n <= 17; ++n) {
    char name[16];
    std::snprintf(name, sizeof name, "%02d.srd", n);
    WriteFile(dir.File("srd/") + name, ">1P0" + testsupport::FullWidth("HELLO") + "\\_");
  }
  const std::string story =
      "--seed 1 --story main --input-seed 3 --frames 3000 --final-hash --maps " + kMaps;
  const ProgramRun run = Sim(dir, story + " --scripts srd --trace t");
  ASSERT_EQ(run.exitCode, 0) << run.out << run.err;
  EXPECT_NE(run.out.find("story stages 0,1 prompts 0\nframes 3000 winner none\nfinal "),
            std::string::npos)
      << run.out;
  const std::vector<std::string> trace = Lines(ReadFile(dir.File("t")));
  ASSERT_EQ(trace.size(), 50u);
  EXPECT_EQ(trace[0].substr(0, 5), "60 4 ") << trace[0];
  EXPECT_EQ(Sim(dir, story + " --scripts srd").out, run.out);

  const ProgramRun missing = Sim(dir, story + " --scripts nowhere");
  EXPECT_EQ(missing.exitCode, 2);
  EXPECT_NE(missing.err.find("--scripts nowhere is not a folder"), std::string::npos)
      << missing.err;
}

// Records written with values no battle makes: a stale target, a mode that is none of the three,
// a difficulty outside 0-3, headings out of range and positions that are not numbers. The run
// goes on to its end without a sanitizer report.
TEST(BattleSimRun, ComputerPlayersSurviveCorruptRecords) {
  TempDir dir;
  const std::string base =
      "--seed 9 --players 4 --cpu all --chars 0,1,0,1 --arena 0 --maps " + kMaps + " --frames 400";
  const char* writes[] = {"CpuTarget[1]=9@200", "CpuMode[2]=-1@200",   "difficulty=7@200",
                          "p3.heading=-77@200", "p0.heading=9999@200", "shot0.heading=-300@200",
                          "p2.x=nan@210",       "p1.y=inf@210"};
  std::string all;
  for (const char* w : writes) all += std::string(" --corrupt ") + w;
  const ProgramRun run = Sim(dir, base + all);
  EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
  EXPECT_EQ(run.err.find("runtime error"), std::string::npos) << run.err;
  EXPECT_EQ(run.err.find("Sanitizer"), std::string::npos) << run.err;
}

// Map files are data: a missing or empty one leaves the cells as they were (here, empty), a cut one
// loads the cells it holds, a garbled or oversized one (more rows than the map keeps) what it
// holds within the map. None stops the run or breaks an invariant.
TEST(BattleSimRun, BadMapFilesLetTheRoundRun) {
  TempDir dir;
  const std::string map = ReadFile(kMaps + "/00.mpd");
  ASSERT_EQ(map.size(), 304u);
  std::string garbled = map;
  for (size_t i = 4; i < garbled.size(); ++i) garbled[i] = static_cast<char>(i * 37 + 11);
  // 20 columns of 40 rows, a block on row 6 of every fourth column, and more bytes after them.
  std::string oversized("\x14\0\x28\0", 4);
  for (int c = 0; c < 20; ++c) {
    for (int r = 0; r < 40; ++r) oversized += static_cast<char>(r == 6 && c % 4 == 0 ? 1 : 0);
  }
  oversized += std::string(4096, '\x7f');
  struct Case {
    const char* name;
    const char* bytes;  // null: no map file at all
    size_t size;
    bool likeMissing;  // the cells stay empty
  } cases[] = {
      {"missing", nullptr, 0, true},
      {"empty", "", 0, true},
      {"header", map.data(), 4, true},
      {"oddbyte", map.data(), 3, true},
      {"column0", map.data(), 17, true},  // the first column only, which is open
      {"half", map.data(), 150, false},   // up to column 7, with the blocks of columns 5-6
      {"garbled", garbled.data(), garbled.size(), false},
      {"oversized", oversized.data(), oversized.size(), false},
      {"whole", map.data(), map.size(), false},
  };
  const std::string base =
      "--seed 2 --players 4 --chars 0,1,0,1 --arena 0 --input-seed 4 "
      "--frames 1200 --check-invariants ";
  std::string missing;
  for (const Case& c : cases) {
    const std::string folder = dir.File(c.name);
    std::filesystem::create_directory(folder);
    if (c.bytes != nullptr) WriteFile(folder + "/00.mpd", std::string(c.bytes, c.size));
    const ProgramRun run = Sim(dir, base + "--maps " + folder + " --trace " + c.name + ".t");
    EXPECT_EQ(run.exitCode, 0) << c.name << ": " << run.out << run.err;
    const std::string trace = ReadFile(dir.File(std::string(c.name) + ".t"));
    EXPECT_EQ(Lines(trace).size(), 20u) << c.name;
    if (c.bytes == nullptr) missing = trace;
    if (c.likeMissing) {
      EXPECT_EQ(trace, missing) << c.name;
    } else {
      EXPECT_NE(trace, missing) << c.name;
    }
  }
}

}  // namespace
