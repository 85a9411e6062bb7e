// The battle probe end to end: its output formats and its refusal of bad input.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <utility>

#include <gtest/gtest.h>

#include "tests/support/arena_map_files.h"
#include "tests/support/program_run.h"
#include "tests/support/temp_dir.h"

namespace {

struct ProbeRun {
  std::string out;
  int status;
};

// Runs the probe through the shell with the given arguments, in `folder` when one is given;
// stderr is discarded.
ProbeRun Probe(const std::string& arguments, const std::string& folder = "") {
  std::string command = (folder.empty() ? "" : "cd '" + folder + "' && ") +
                        std::string(BATTLE_PROBE) + " " + arguments + " 2>/dev/null";
  FILE* pipe = popen(command.c_str(), "r");
  ProbeRun run{"", -1};
  if (pipe == nullptr) return run;
  char buffer[4096];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) run.out.append(buffer, n);
  int status = pclose(pipe);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

using testsupport::MapFile;
using testsupport::WriteArenaMaps;

TEST(BattleProbe, AnswersOneLinePerQuery) {
  struct Case {
    const char* commands;
    const char* out;
  } cases[] = {
      {"dir 0 0 10 10; dir 0 0 -10 5", "32\n110\n"},
      {"cos 128; negsin 32; atan 512", "-256\n-181.019302\n32\n"},
      {"dist 0 0 50000 0; moverow 4 16", "2147483647\n0 0 0 0 0 0 0 0 0 0 0\n"},
      {"circle 0 0 9.9 0 10; box 0 0 10 0 5 5", "1\n0\n"},
      {"blend 0 0 3.5 0 5 1", "0.583333313 0\n"},
      {"set p1.trailX[2] 2.5; set score[3] -7; print p1.trailX[2] score[3] p0.x", "2.5 -7 0\n"},
      {"set cells[5,5] 1; walls 176.5 190.25 176.5 196 32 32 16", "40 176 192\n"},
      {"set cells[10,5] 1; snap 330 193.5 330 200 8 8 0", "4 330 196\n"},
      {"set cells[0,5] 9; mapcell 630 144 32 2 0; mapcell 0 0 2 2 0", "9 20 4\n0\n"},
      {"misses", "0\n"},
  };
  for (const Case& c : cases) {
    ProbeRun run = Probe(std::string("-e '") + c.commands + "'");
    EXPECT_EQ(run.status, 0) << c.commands;
    EXPECT_EQ(run.out, c.out) << c.commands;
  }
}

TEST(BattleProbe, ReadsCommandsFromStdin) {
  testsupport::TempDir dir;
  testsupport::WriteFile(dir.File("script"), "dir 0 0 0 10\ncos 0; negsin 64\n");
  ProbeRun run = Probe("< " + dir.File("script"));
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, "64\n256\n-256\n");
}

// Commands on standard input are read whole within the limit every input has: more (an endless
// device) is refused with 2. A stop while the probe waits for them ends it with 1. Each says one
// line.
TEST(BattleProbe, StandardInputEndsAtItsLimitOrAStop) {
  testsupport::TempDir dir;
  const auto endless = testsupport::RunProgram(dir.path(), BATTLE_PROBE, "< /dev/zero");
  EXPECT_EQ(endless.exitCode, 2);
  EXPECT_EQ(endless.err, "battle-probe: cannot read standard input: larger than 67108864 bytes\n");
  struct sigaction inherited {};
  ASSERT_EQ(sigaction(SIGTERM, nullptr, &inherited), 0);
  if (inherited.sa_handler == SIG_IGN) GTEST_SKIP() << "the probe would keep SIGTERM ignored";
  // A writer that holds the pipe and says nothing.
  int silent[2];
  ASSERT_EQ(pipe2(silent, O_CLOEXEC), 0);
  ::testing::AssertionResult waiting = ::testing::AssertionSuccess();
  const auto run = testsupport::RunProgram(
      dir.path(), BATTLE_PROBE, "", "exec", testsupport::kRunSeconds,
      {.input = silent[0], .during = [&](pid_t pid) {
         waiting = testsupport::SignalOnceWaiting(pid, BATTLE_PROBE, SIGTERM, "");
       }});
  close(silent[0]);
  close(silent[1]);
  ASSERT_TRUE(waiting);
  EXPECT_EQ(run.exitCode, 1) << testsupport::Describe(run);
  EXPECT_EQ(run.err, "battle-probe: stopped by SIGTERM while reading standard input\n");
}

TEST(BattleProbe, RefusesUnknownCommandsNamesAndNumbers) {
  const char* bad[] = {
      "dir 0 0 1 1; frobnicate",  // the answers before the error are kept
      "dir 0 0 1 1; print p4.x", "dir 0 0 1 1; print cells[20,0]",     "dir 0 0 1 1; set nothing 3",
      "dir 0 0 1 1; dir 0 0 1",  "dir 0 0 1 1; dist 0 0 x 1",          "dir 0 0 1 1; atan 513",
      "dir 0 0 1 1; misses 3",   "dir 0 0 1 1; dir 0 0 1 99999999999",
  };
  for (const char* commands : bad) {
    ProbeRun run = Probe(std::string("-e '") + commands + "'");
    EXPECT_EQ(run.status, 2) << commands;
    EXPECT_EQ(run.out, "32\n") << commands;
  }
  EXPECT_EQ(Probe("--bogus").status, 2);
}

TEST(BattleProbe, BattlesFromMatchAndStorySetUps) {
  testsupport::TempDir maps;
  WriteArenaMaps(maps);
  struct Case {
    const char* commands;
    const char* out;
  } cases[] = {
      {"match players=4 chars=0,1,0,1 arena=-1; round; print p0.x p0.y p1.x p1.y p2.x p2.y p3.x "
       "p3.y p3.life p3.meter p3.heading p3.owner spellGauge[2]",
       "96 96 544 96 96 442 544 442 350 700 192 3 100\n"},
      {"story 0 5; round; print playerCount p0.x p0.y p0.heading p1.x p1.y p1.heading p2.x p2.y "
       "p2.heading ArenaVariant spellGauge[0] spellGauge[1] p1.kind",
       "2 320 330 64 320 200 192 280 200 64 3 200 200 4\n"},
      {"match players=2 chars=0,1 arena=-1 survival; set RoundNumber 1; set p0.life 123; set "
       "itemCount[0] 101; set spellGauge[0] 150; round; print p0.life p1.life itemCount[0] "
       "spellGauge[0] spellGauge[1]",
       "123 350 75 150 100\n"},
      {"story 0 0; print StageTypeTable[0] StageTypeTable[1] StageTypeTable[2] StageTypeTable[15] "
       "StageTypeTable[16] StageTypeTable[17] storyStageCount; story 1 0; print StageTypeTable[0] "
       "StageTypeTable[1] storyStageCount",
       "3 1 2 3 1 1 17\n1 0 9\n"},
      {"bgm 4 0; bgm 12 0; story 1 6; bgm 4 0; bgm 4 1",
       "Resource\\Bgm\\08.bgm\n-\nResource\\Bgm\\23.bgm\nResource\\Bgm\\11.bgm\n"},
      {"match players=2 chars=0,1 arena=-1 handicap=4,2; frame 300; set p0.meter 600; set p1.meter "
       "600; frame 10; print p0.meter p1.meter",
       "650 640\n"},
      {"match players=2 chars=0,1 arena=-1; frame 300; set p1.state 10; set p1.stateTimer 16; set "
       "p1.life 0; frame 1; print p1.state p1.stateTimer FreezeFrames RoundEndFrames "
       "p0.recoveryGuard; frame 179; print p1.state wins[0] RoundFrame RoundNumber; frame 101; "
       "print RoundFrame p1.life p1.state",
       "13 120 59 120 100\n14 1 -100 1\n1 350 0\n"},
      {"match players=2 chars=0,1 arena=-1; set winCount 0; frame 300; set p1.state 10; set "
       "p1.stateTimer 16; set p1.life 0; frame 281; print RoundWinner SceneId roundsWonTotal[0]",
       "1 7 1\n"},
      // Held inputs count from 1 and stop after their frames.
      {"match players=2 chars=0,1 arena=-1; hold 0 right b1 3; hold 1 b5 1; frame 2; print "
       "HeldFrameCounts[3,0] HeldFrameCounts[4,0] HeldFrameCounts[8,1]; frame 2; print "
       "HeldFrameCounts[3,0] p0.recoveryGuard",
       "2 2 0\n0 0\n"},
      {"match players=2 chars=0,1 arena=-1; set p1.life 7; call StartRound 1; print p1.life; "
       "call LoadLoadingPicture; call SetupStoryStage 5 0; print playerCount p2.kind",
       "350\n-1\n2 9\n"},
      {"match players=1 chars=4 arena=-1; frame 1; print comp0.state; set shot5.state 1; set "
       "shot5.x -3.9; call RemovePlayerShots 0; print shot5.state ItemFlags[0] item0.x item0.y "
       "ItemFlags[1]",
       "1\n0 1 -3 0 0\n"},
  };
  for (const Case& c : cases) {
    ProbeRun run = Probe(std::string("-e '") + c.commands + "'", maps.path());
    EXPECT_EQ(run.status, 0) << c.commands;
    EXPECT_EQ(run.out, c.out) << c.commands;
  }
}

TEST(BattleProbe, ShotsMadeUpdatedAndSteered) {
  const std::string m = "match players=2 chars=0,1 arena=-1; ";
  struct Case {
    std::string commands;
    const char* out;
  } cases[] = {
      {m + "shot 0 0 7 300 200 64 4; print shot0.x shot0.y shot0.heading shot0.speed shot0.vx "
           "shot0.vy shot0.owner dmg0.damage dmg0.hitRadius",
       "slot 0\n300 200 64 4 0 -4 0 12 24\n"},
      {m + "shot 1 0 1 10 10 0 1; shot 1 0 1 10 10 0 1; print shot1.owner shot1.meter",
       "slot 0\nslot 1\n1 1\n"},
      {m + "shot 5 0 1 10 10 0 1; misses", "slot -1\n1\n"},
      {m + "round; shot 0 0 1 300 200 0 2; update-shot 0; update-shot 0; print shot0.x "
           "shot0.stateTimer",
       "slot 0\n302 2\n"},
      {m + "shot 0 0 1 300 200 0 4; set shot0.stateTimer 5; steer scale 0 2 0 10; print "
           "shot0.speed shot0.vx",
       "slot 0\n8 8\n"},
      {m + "shot 0 30 1 100 0 0 4; set shot0.recovery 320280; set shot0.stateTimer 1; steer aim 0 "
           "0 10 0 1; print shot0.heading",
       "slot 0\n129\n"},
      {m + "set p1.x 400; set p1.y 200; shot 0 0 1 300 200 0 4; set mark0.timer 5; set "
           "shot0.stateTimer 10; steer retarget 0 44 3 0 24; print shot0.stateTimer shot0.heading",
       "slot 0\n44 1\n"},
      {m + "set p1.x 400; set p1.y 200; shot 0 0 1 300 200 64 4; set shot0.stateTimer 5; steer "
           "homeobj 0 0 10 0 1 255; print shot0.heading; set shot0.heading 64; steer home 0 0 5 0 "
           "1 255; print shot0.heading",
       "slot 0\n1\n64\n"},
  };
  for (const Case& c : cases) {
    ProbeRun run = Probe("-e '" + c.commands + "'");
    EXPECT_EQ(run.status, 0) << c.commands;
    EXPECT_EQ(run.out, c.out) << c.commands;
  }
}

TEST(BattleProbe, RefusesBadBattleCommands) {
  const char* bad[] = {
      "match players=5 chars=0,1,2,3,4 arena=0",
      "match players=2 chars=0 arena=0",
      "match players=2 chars=0,16 arena=0",
      "match players=2 chars=0,1",
      "match players=2 chars=0,1 arena=0 teams=0,2",
      "match players=2 chars=0,1 arena=0 handicap=5,2",
      "match players=2 chars=0,1 arena=0 colour=3",
      "match players=2 chars=0,,1 arena=0",
      "hold 4 up 1",
      "hold 0 jump 1",
      "hold 0 up -1",
      "call Nope",
      "call StartRound 7",
      "call StartRound",
      "frame -1",
      "story 0",
      "bgm 1",
      "shot 0 0 1 10 10 0",
      "shot 0 70000 1 10 10 0 1",
      "shot 0 0 40000 10 10 0 1",
      "shot 0 0 1 x 10 0 1",
      "update-shot 512",
      "update-shot -1",
      "steer spin 0 1 2",
      "steer home 0 1 2",
      "steer home 512 0 10 1 1 64",
      "steer retarget 0 44 3 0 99999",
      "steer",
  };
  for (const char* commands : bad) {
    ProbeRun run = Probe(std::string("-e 'dir 0 0 1 1; ") + commands + "'");
    EXPECT_EQ(run.status, 2) << commands;
    EXPECT_EQ(run.out, "32\n") << commands;
  }
}

// Effects from players and the probe's own source, ring effects and updates, on worked values.
TEST(BattleProbe, EffectsMadeAndUpdated) {
  const std::string m = "match players=2 chars=0,1 arena=-1; round; ";
  const std::string event =
      "set eff3.timer 9000; set eff3.heading 1; set eff3.player 0; set "
      "EffectInUse[3] 1; ";
  struct Case {
    std::string commands;
    const char* out;
  } cases[] = {
      {m + "effect p0 0; effect p0 103; src stateTimer=480 x=10 y=20; effect src 103; print "
           "eff0.code eff0.timer eff0.x eff0.y eff1.code eff1.player eff2.player eff2.y",
       "1 16 96 116 114 72 36 -1980\n"},
      // Two legs of 400 and 260 out from (320, 240), in float.
      {m + "src stateTimer=100 x=320 y=240 owner=1; effect src 53; seed 1; effect p0 29; print "
           "eff0.code eff0.timer eff0.x eff0.y eff0.heading eff0.player eff1.code",
       "48 300 107.977638 855.013 42 1 54\n"},
      {m + "set effectLevel 1; set eff0.flag 1; set eff1.flag 1; effect p0 4; ring p0 0 3; effect "
           "p0 35; effect p0 96; print EffectInUse[0] eff0.flag eff1.flag",
       "0 0 1\n"},
      {m + "src x=5 heading=3 owner=2; set src.y 7.5; print src.x src.y src.heading src.trailX[1]; "
           "ring src 7 2; print eff0.code eff0.heading eff0.vx; src; print src.x",
       "5 7.5 3 0\n30 32 2.12132072\n0\n"},
      {m + "set obstacleStrength 0; set cellState[5,5] 400; set eff5.code 100; set eff5.timer "
           "9999; set eff5.x 170; set eff5.y 170; set EffectInUse[5] 1; update-effect 5; print "
           "EffectInUse[5] eff5.timer eff0.code eff0.heading eff1.code eff1.x eff1.z",
       "0 9998 101 400 102 202 -48\n"},
      {m + "set p1.life 100; set p0.life 340; set eff3.code 9002; set eff3.aux 30.7; " + event +
           "set FreezeFrames 5; update-effect 3; print p1.life EffectInUse[3]; set FreezeFrames "
           "0; update-effect 3; print p1.life p0.life p1.stateTimer EffectInUse[3] eff3.timer",
       "100 1\n70 350 128 0 8998\n"},
      // N updates stop once the slot is free.
      {m + "set eff9.code 1; set eff9.timer 3; set EffectInUse[9] 1; update-effect 9 10; print "
           "eff9.timer EffectInUse[9]",
       "0 0\n"},
      {m + "set eff3.code 79; set eff3.player 7; set eff3.timer 20; set EffectInUse[3] 1; "
           "update-effect 3; print EffectInUse[3] IndexMisses",
       "0 1\n"},
  };
  for (const Case& c : cases) {
    ProbeRun run = Probe("-e '" + c.commands + "'");
    EXPECT_EQ(run.status, 0) << c.commands;
    EXPECT_EQ(run.out, c.out) << c.commands;
  }
  const char* bad[] = {
      "seed -1",
      "seed x",
      "src x",
      "src nothing=3",
      "src x=abc",
      "src trailX=1",
      "print src.nope",
      "print src.trailX[5]",
      "effect p4 0",
      "effect q0 0",
      "effect shot512 0",
      "effect p0 x",
      "effect p0",
      "ring p0 1",
      "ring src 1 x",
      "update-effect 1024",
      "update-effect -1",
      "update-effect 3 -1",
      "update-effect 3 4 5",
  };
  for (const char* commands : bad) {
    ProbeRun run = Probe(std::string("-e 'dir 0 0 1 1; ") + commands + "'");
    EXPECT_EQ(run.status, 2) << commands;
    EXPECT_EQ(run.out, "32\n") << commands;
  }
}

// Hit effects dispatched and spawned on named records, on worked values; malformed commands fail.
TEST(BattleProbe, HitEffectsDispatchedAndSpawned) {
  const std::string m = "match players=2 chars=0,1 arena=-1; round; ";
  struct Case {
    std::string commands;
    const char* out;
  } cases[] = {
      // Eight pieces at 32k + R(31), then the centre in the ninth free slot.
      {m + "src x=100 y=100; seed 2; spawn ringA src src; print eff0.heading eff7.heading "
           "eff8.code eff8.timer eff0.code eff0.timer",
       "12 242 3 25 2 12\n"},
      // The spark is off at level 1; on, it sits halfway to player 1 (544, 96), raised by a.z.
      {m + "src x=50 y=60 z=-4; set effectLevel 1; spawn spark src src; print EffectInUse[0]; set "
           "effectLevel 0; spawn spark src p1; print eff0.code eff0.timer eff0.x eff0.y",
       "0\n6 12 297 74\n"},
      // Event 2 of a shot's slot damage 10 at handicap 4, then ring D's centre after its pieces.
      {m + "set shot3.owner 1; set dmg3.damage 10; set handicap[0] 4; spawn damage shot3 p0 2; "
           "spawn ringD shot3 p0; print eff0.code eff0.aux eff0.heading eff0.player "
           "freezeTimer[0] eff9.code",
       "9002 8 0 1 0 4\n"},
      {"match players=2 chars=14,1 arena=-1; round; src kind=14 x=50 y=60 owner=0; seed 3; hit "
       "src src 4; print eff8.code eff8.timer eff8.x eff8.y eff8.heading EffectInUse[0] src.kind",
       "28 16 50 60 44 0 14\n"},
      {m + "src kind=0 move=6 owner=0 x=300 y=200; hit src p1 0; print FreezeFrames CutInFrames "
           "CutInAttacker CutInVictim FlashFrames FlashLength ScreenShake shot0.move",
       "280 280 0 1 6 6 20 7\n"},
      {m + "set shot20.kind 14; set shot20.stun 20; set shot20.x 500; set shot20.y 100; set "
           "p1.stun 20.6; hit shot20 p1 13; spawn big src src; print eff0.z eff0.heading eff1.z",
       "544 90 900\n"},
      {m + "src kind=10 x=300 y=200; seed 4; hit src src 17; print FlashFrames seff8.code seff8.x "
           "seff8.y seff9.code seff9.heading",
       "3 1 268 183 2 124\n"},
  };
  for (const Case& c : cases) {
    ProbeRun run = Probe("-e '" + c.commands + "'");
    EXPECT_EQ(run.status, 0) << c.commands;
    EXPECT_EQ(run.out, c.out) << c.commands;
  }
  const char* bad[] = {
      "hit p0 p1",
      "hit p0 p1 0 1",
      "hit p0 q1 0",
      "hit p0 p1 x",
      "hit shot512 p0 0",
      "spawn ringE p0 p1",
      "spawn ringA p0 p1 3",
      "spawn damage p0 p1 x",
      "spawn damage p0",
      "spawn spark p0 fam64",
      "spawn",
  };
  for (const char* commands : bad) {
    ProbeRun run = Probe(std::string("-e 'dir 0 0 1 1; ") + commands + "'");
    EXPECT_EQ(run.status, 2) << commands;
    EXPECT_EQ(run.out, "32\n") << commands;
  }
}

// The story result's tally and leave press, the game over that writes the score file, the
// ending's unlocks and the unlock picture that waits for button 1, through the frame loop's body
// in a folder of their own.
TEST(BattleProbe, StoryResultsAndEndingThroughTheLoop) {
  testsupport::TempDir dir;
  std::filesystem::create_directory(dir.File("Data"));
  struct Case {
    const char* commands;
    const char* out;
  } cases[] = {
      {"set storyMode 1; set storyStage 4; set score[0] 1000; set shotsHit[0] 40; set "
       "shotsFired[0] 80; set obstaclesBroken[0] 3; set DestructibleCells 12; set knockOuts[0] 2; "
       "set powerUp[0] 300; set damageDealt[0] 700; set RoundWinner 1; scene 10; loop 51; print "
       "TallyTargetScore score[0] SceneFrame; hold 0 b1 1; loop 1; print score[0] SceneFrame; "
       "loop 39; hold 0 b1 1; loop 1; print LeaveCountdown",
       "171000 1000 51\n171000 52\n69\n"},
      {"set score[0] 75000; set RoundNumber 7; set cardsBroken 3; scene 20; loop 61; hold 0 b1 1; "
       "loop 120; print SceneId storyStage",
       "9 0\n"},
      {"set RouteFlagB 1; scene 22 6500; loop 240; print unlockLevel SceneId", "2 27\n"},
      {"set unlockLevel 2; set storyKind 1; scene 22 6500; loop 240; print unlockLevel SceneId",
       "3 28\n"},
      {"scene 27; loop 400; print SceneId SceneFrame; hold 0 b1 1; loop 110; print SceneId",
       "27 351\n9\n"},
  };
  for (const Case& c : cases) {
    const std::string commands = std::string("match players=2 chars=0,1 arena=-1; ") + c.commands;
    ProbeRun run = Probe("-e '" + commands + "'", dir.path());
    EXPECT_EQ(run.status, 0) << c.commands;
    EXPECT_EQ(run.out, c.out) << c.commands;
    // Each probe starts from the default tables and writes them whole.
    const std::string scores = testsupport::ReadFile(dir.File("Data/score.sav"));
    if (run.out == "9 0\n") {
      ASSERT_EQ(scores.size(), 1444u);
      // 75000 entered fourth into table 1 (Normal, main story) with stage 7 and 3 cards.
      EXPECT_EQ(scores.substr(4 + 12 * 13, 12), std::string("\xf8\x24\x01\0\7\0\0\0\3\0\0\0", 12));
    }
  }
  EXPECT_EQ(testsupport::ReadFile(dir.File("Data/score.sav")).substr(0, 4),
            std::string("\3\0\0\0", 4));
}

// Items made, moved, collected and claimed, on worked values; malformed commands fail.
TEST(BattleProbe, ItemsMadeUpdatedAndClaimed) {
  const std::string m = "match players=2 chars=0,1 arena=-1; round; ";
  const std::string laid = "set item0.x 96; set item0.y 96; set item0.z 0; set ItemFlags[0] 1; ";
  struct Case {
    std::string commands;
    const char* out;
  } cases[] = {
      {m + "seed 1; item 5 6 1 0 0; print item0.kind item0.heading item0.age item0.x item0.y "
           "item0.z item0.vz ItemFlags[0]",
       "1 116 2 176 208 -0.100000001 -3 1\n"},
      // The special item at gauge 200: 20000 + 7800, every item to the taker, the gauge cut.
      {m + laid +
           "set item0.kind 77; set item1.x 300; set item1.y 300; set item1.kind 2; set "
           "ItemFlags[1] 1; set spellGauge[0] 200; update-item 0; print score[0] spellGauge[0] "
           "ItemFlags[0] ItemFlags[1] item1.player p0.meter",
       "27800 200 0 2 0 700\n"},
      // Low on life past 200 collected: a special item in the slot just freed.
      {m + laid +
           "set itemCount[0] 200; set p0.life 259; update-item 0; print itemCount[0] "
           "specialItemCount[0] ItemFlags[0] item0.kind item0.z item0.vz score[0]",
       "201 1 1 77 -0.100000001 -3 100\n"},
      {m + "item 5 5 1 0 4; item 5 5 1 76 4; item 5 5 0 0 0; print ItemFlags[0] ItemFlags[1] "
           "ItemFlags[2] item1.kind IndexMisses",
       "1 1 0 77 0\n"},
      {m + "set item0.x 5; set item0.y 300; set item0.vx -2; set ItemFlags[0] 1; update-item 0; "
           "print item0.x item0.vx; set item0.x 96; set item0.y 96; set item0.z -1; update-item "
           "0; print ItemFlags[0]",
       "12 1.89999998\n1\n"},
      // N updates stop once the slot is free; the claim goes through `call`.
      {m + "set ItemFlags[3] 1; set item3.age 470; set item3.x 300; update-item 3 50; print "
           "ItemFlags[3] item3.age; set ItemFlags[4] 1; call ClaimAllItems 1; print ItemFlags[4] "
           "item4.player",
       "0 480\n2 1\n"},
  };
  for (const Case& c : cases) {
    ProbeRun run = Probe("-e '" + c.commands + "'");
    EXPECT_EQ(run.status, 0) << c.commands;
    EXPECT_EQ(run.out, c.out) << c.commands;
  }
  const char* bad[] = {
      "item 1 2 3 4",    "item 1 2 3 4 5 6", "item 1 2 x 4 5",   "item 1 2 3 4 9999999999",
      "update-item 128", "update-item -1",   "update-item 0 -1", "update-item 0 1 2",
      "update-item",
  };
  for (const char* commands : bad) {
    ProbeRun run = Probe(std::string("-e 'dir 0 0 1 1; ") + commands + "'");
    EXPECT_EQ(run.status, 2) << commands;
    EXPECT_EQ(run.out, "32\n") << commands;
  }
}

// Arena objects placed and updated, familiars summoned, sent, searched and chained, on worked
// values; malformed commands fail.
TEST(BattleProbe, FamiliarsAndArenaObjects) {
  testsupport::TempDir maps;
  WriteArenaMaps(maps);
  const std::string m14 = "match players=2 chars=14,1 arena=-1; round; ";
  std::string nine;
  for (int i = 0; i < 9; ++i) nine += "summon p0 1 0; ";
  std::string parked;
  for (const char* f : {"5 30", "6 12", "7 12"}) {
    const std::string slot(f, 1);
    parked += "set fam" + slot + ".kind 8; set fam" + slot + ".state 4; set fam" + slot +
              ".owner 0; set fam" + slot + ".attackDelay " + std::string(f + 2) + "; ";
  }
  struct Case {
    std::string commands;
    const char* out;
  } cases[] = {
      {"match players=2 chars=0,1 arena=5; round; print fam0.kind fam0.x fam0.y fam0.state "
       "fam0.heading fam0.recovery fam3.x fam3.y fam3.heading fam4.kind fam4.x fam4.y "
       "fam4.recovery; set meleeLevel 1; round; print fam0.state fam4.state",
       "3 448 96 2 160 900 60 244 224 4 320 108 480\n0 0\n"},
      {"match players=2 chars=0,1 arena=2; round; set SceneFrame 2000; set fam0.stateTimer "
       "1000; update-fam 0; shots; print shot0.stateTimer shot3.stateTimer dmg0.damage "
       "dmg0.stunDamage fam0.attackDelay fam0.recovery fam0.kind",
       "0 51 3 519 -10 192 0\n1 51 3 455 -10 192 0\n2 51 3 183 -10 192 0\n"
       "3 51 3 119 -10 192 0\n64 16 26 36 1 900 1\n"},
      {"match players=2 chars=0,1 arena=-1; round; set fam1.kind 51; set fam1.x 300; set "
       "fam1.y 200; set fam1.stun 1; fire fam1 12 4; print shot0.x shot0.y shot0.heading "
       "shot0.recovery shot0.stun shot5.x shot5.y shot5.recovery",
       "slots 0 1 2 3 4 5\n167.711746 270.709412 148 5 1 300 200 0\n"},
      {m14 + nine +
           "print fam12.state fam13.state fam5.x fam5.y; summon p0 3 0; print "
           "fam13.state fam13.move fam13.stun fam13.guard",
       "2 0 95.9999771 126\n2 3 13 64\n"},
      {m14 + "set fam5.kind 8; set fam5.state 1; set fam5.owner 0; set fam5.x 96; set fam5.y "
             "200; sendfam 1 0; print fam5.state fam5.move fam5.heading fam5.stateTimer; "
             "sendfam 1 0; set fam5.state 1; seed 4; refam 5 0",
       "1\n3 1 10 28\n0\n1\n"},
      {m14 + parked + "findfam 100 0 -1 10; findfam 100 0 6 10; findfam 12 0 -1 10",
       "6\n7\n9999\n"},
      // Three parked: four links, 5 to 6, 6 back to 5, then twice ahead of 5.
      {m14 + parked +
           "chain 100 0 5 0; print eff0.code eff1.code eff2.code eff3.code EffectInUse[4]",
       "120 120 120 120 0\n"},
      {m14 + "set fam5.kind 8; set fam5.state 9; set fam5.owner 0; set fam5.stateTimer 10; "
             "update-fam 5 3; print fam5.state fam5.stateTimer",
       "0 12\n"},
  };
  for (const Case& c : cases) {
    ProbeRun run = Probe("-e '" + c.commands + "'", maps.path());
    EXPECT_EQ(run.status, 0) << c.commands;
    EXPECT_EQ(run.out, c.out) << c.commands;
  }
  const char* bad[] = {
      "update-fam 64", "update-fam -1", "update-fam 0 -1",   "update-fam 0 1 2", "update-fam",
      "summon p9 1 0", "summon p0 1",   "summon p0 x 0",     "sendfam 1",        "sendfam 1 2 3",
      "refam 5",       "findfam 1 2 3", "findfam 1 2 3 4 5", "chain 1 2 3",      "chain a 0 5 0",
  };
  for (const char* commands : bad) {
    ProbeRun run = Probe(std::string("-e 'dir 0 0 1 1; ") + commands + "'");
    EXPECT_EQ(run.status, 2) << commands;
    EXPECT_EQ(run.out, "32\n") << commands;
  }
}

}  // namespace

namespace {

// A map that cannot be read whole (one cell short is enough) ends the probe as other bad input
// does, with a line naming it.
TEST(BattleProbe, RefusesMapsItCannotReadWhole) {
  testsupport::TempDir dir;
  const std::string whole = MapFile('\x01', {}, '\x01');
  for (const auto& [name, bytes] : {std::pair{"short.mpd", whole.substr(0, 303)},
                                    {"header.mpd", whole.substr(0, 3)},
                                    {"whole.mpd", whole}}) {
    testsupport::WriteFile(dir.File(name), bytes);
  }
  for (const std::string map : {"header.mpd", "short.mpd", "whole.mpd"}) {
    const bool good = map == "whole.mpd";
    const auto run = testsupport::RunProgram(dir.path(), BATTLE_PROBE,
                                             "-e 'dir 0 0 1 1; map " + map + "; print cells[0,0]'");
    EXPECT_EQ(run.exitCode, good ? 0 : 2) << map;
    EXPECT_EQ(run.out, good ? "32\n1\n" : "32\n") << map;
    EXPECT_EQ(run.err.find(map) != std::string::npos, !good) << run.err;
  }
}

// `match` and `story` hold every map their arena's round starts can choose to the same: arena 7
// draws from maps 5-10, and the last of them cut ends the run naming it; an arena without maps
// reads none. The story's arena is the one its set-up leaves.
TEST(BattleProbe, MatchAndStoryReadTheirArenasMapsWhole) {
  testsupport::TempDir dir;
  WriteArenaMaps(dir);
  testsupport::WriteFile(dir.File("Resource/Mpd/10.mpd"), MapFile('\x00').substr(0, 300));
  const std::string m = "match players=2 chars=0,1 arena=";
  const std::string cut = "map Resource/Mpd/10.mpd: holds 296 of its 300 cells\n";
  const struct {
    std::string commands;
    int status;
    std::string out;
    std::string err;
  } cases[] = {
      {m + "7", 2, "", "battle-probe: match: arena 7: " + cut},
      {"set stage 7; story 0 0", 2, "", "battle-probe: story 0 0: arena 7: " + cut},
      {m + "6; set stage 7; print stage", 0, "7\n", ""},
      {m + "-1; print DestructibleCells", 0, "0\n", ""},
      {m + "10; print DestructibleCells", 0, "0\n", ""},
  };
  for (const auto& c : cases) {
    const auto run =
        testsupport::RunProgram(dir.path(), BATTLE_PROBE, "-e 'dir 0 0 1 1; " + c.commands + "'");
    EXPECT_EQ(run.exitCode, c.status) << c.commands;
    EXPECT_EQ(run.out, "32\n" + c.out) << c.commands;
    EXPECT_EQ(run.err, c.err) << c.commands;
  }
}

TEST(BattleProbe, DashesAndTheWayOutOfWalls) {
  testsupport::TempDir dir;
  testsupport::WriteFile(dir.File("all.mpd"), MapFile('\x01', {}, '\x01'));
  testsupport::WriteFile(dir.File("one.mpd"), MapFile('\x01', {{10, 7}}, '\x00'));
  testsupport::WriteFile(dir.File("empty.mpd"), MapFile('\x00', {}, '\x00'));
  testsupport::WriteFile(
      dir.File("blk.mpd"),
      MapFile('\x00',
              {{9, 6}, {9, 7}, {9, 8}, {10, 6}, {10, 7}, {10, 8}, {11, 6}, {11, 7}, {11, 8}},
              '\x01'));
  const std::string m1 = "match players=2 chars=1,0 arena=-1; frame 300; ";
  const std::string m0 = "match players=2 chars=0,1 arena=-1; frame 300; ";
  const std::string w = "match players=2 chars=3,1 arena=-1; round; ";
  struct Case {
    std::string commands;
    const char* out;
  } cases[] = {
      // At the threshold character 1 leaps; one below it does not.
      {m1 + "set p0.meter 70; hold 0 b3 1; frame 1; print p0.state p0.meter p0.guard p0.vz",
       "5 2 999 -4\n"},
      {m1 + "set p0.meter 69; hold 0 b3 1; frame 1; print p0.state p0.meter", "0 73\n"},
      // Character 0 spins whatever its meter holds, and again from the stance at no cost.
      {m0 + "set p0.meter 50; hold 0 b3 1; frame 1; print p0.state p0.meter specialMode[0]",
       "6 2 0\n"},
      {m0 + "set p0.state 7; set p0.stateTimer 5; set p0.meter 600; hold 0 b3 1; frame 1; "
            "print p0.state p0.stateTimer p0.meter",
       "6 0 602\n"},
      // Button 2 in the stance leads into the charged move 2.
      {m0 + "set p0.state 7; set p0.stateTimer 5; hold 0 b2 1; frame 1; print p0.state "
            "p0.stateTimer specialMode[0] p0.guard; frame 2; print p0.state; frame 1; print "
            "p0.state currentMove[0]",
       "7 29 160 3\n0\n2 2\n"},
      {"match players=2 chars=6,1 arena=-1; frame 300; set p0.x 320; set p0.y 240; set "
       "p0.heading 0; hold 0 b3 1; frame 30; print ground0.x ground0.y p0.meter",
       "362 240 600\n"},
      // One free cell: found after the draws run out. None: the player stays.
      {w + "map one.mpd; set p0.x 320; set p0.y 240; seed 7; wayout 0", "336 224\n"},
      {w + "map all.mpd; set p0.x 320; set p0.y 240; seed 7; wayout 0", "320 240\n"},
      // Room enough: the random walk's own answer; and off the other player.
      {w + "map blk.mpd; set p0.x 336; set p0.y 224; seed 7; wayout 0", "209 102\n"},
      {w + "map empty.mpd; set p0.x 320; set p0.y 240; set p1.x 330; set p1.y 250; seed 7; "
           "wayout 0",
       "35 42\n"},
  };
  for (const Case& c : cases) {
    ProbeRun run = Probe("-e '" + c.commands + "'", dir.path());
    EXPECT_EQ(run.status, 0) << c.commands;
    EXPECT_EQ(run.out, c.out) << c.commands;
  }
  EXPECT_EQ(Probe("-e 'wayout 4'").status, 2);
}

// A round on an arena's maps read from the folder, started by `round` or by the battle's own
// timing, and then run: each set-up's first round takes its maps once, so the round-start check of
// debug builds holds, and the frames after `round` go on with that round.
TEST(BattleProbe, RoundsRunOnTheArenasMaps) {
  testsupport::TempDir dir;
  WriteArenaMaps(dir, [](int n) { return MapFile('\x00', {{n, 0}}, '\x09'); });
  struct Case {
    const char* commands;
    const char* out;
  } cases[] = {
      {"match players=2 chars=0,1 arena=0; round; print cells[0,0] RoundFrame; set p0.x 300; "
       "frame 2; print RoundFrame p0.x",
       "9 1\n3 300\n"},
      // A later round of the same set-up, after `round` or after frames, and the battle's own.
      {"match players=2 chars=0,1 arena=5; round; set meleeLevel 1; round; frame 3; print "
       "cells[3,0] RoundFrame",
       "9 4\n"},
      {"match players=2 chars=0,1 arena=2; frame 300; round; print cells[1,0] RoundFrame; frame "
       "1; set p1.state 10; set p1.stateTimer 16; set p1.life 0; frame 400; print RoundNumber",
       "9 1\n1\n"},
      {"story 0 5; round; frame 2; print cells[0,0]", "9\n"},
  };
  for (const Case& c : cases) {
    ProbeRun run = Probe("-e '" + std::string(c.commands) + "'", dir.path());
    EXPECT_EQ(run.status, 0) << c.commands;
    EXPECT_EQ(run.out, c.out) << c.commands;
  }
}

}  // namespace
