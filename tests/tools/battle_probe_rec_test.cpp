// The drawing commands of the battle probes: drawlog on the recording probe, and draw, drawlist,
// number and rotarect on both; scenes run through the frame loop's body with self-naming handles.
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "tests/support/arena_map_files.h"
#include "tests/support/temp_dir.h"

namespace {

struct ProbeRun {
  std::string out;
  int status;
};

// Runs the probe in `folder` when one is given.
ProbeRun RunProbe(const char* probe, const std::string& commands, const std::string& folder = "") {
  const std::string command = (folder.empty() ? "" : "cd '" + folder + "' && ") +
                              std::string(probe) + " -e '" + commands + "' 2>/dev/null";
  FILE* pipe = popen(command.c_str(), "r");
  ProbeRun run{"", -1};
  if (pipe == nullptr) return run;
  char buffer[4096];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) run.out.append(buffer, n);
  const int status = pclose(pipe);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

// A folder holding every arena map file, each without a wall: `match` reads whole maps there that
// leave the arena open.
class OpenArenaMaps : public testsupport::TempDir {
 public:
  OpenArenaMaps() { testsupport::WriteArenaMaps(*this); }
};

// The probe runs the commands (in `folder` when one is given) and prints `out`.
void ExpectRun(const char* probe, const std::string& commands, const std::string& out,
               const std::string& folder = "") {
  const ProbeRun run = RunProbe(probe, commands, folder);
  EXPECT_EQ(run.status, 0) << commands;
  EXPECT_EQ(run.out, out) << commands;
}

TEST(BattleProbeRec, DrawLogPrintsTheLibraryCallsWhileOn) {
  struct Case {
    const char* commands;
    const char* out;
  } cases[] = {
      {"number 50 60 42 0 0", ""},
      {"drawlog on; number 50 60 42 0 0; drawlog off; number 1 2 3 0 0",
       "DrawGraph 50 60 1002 1\nDrawGraph 38 60 1004 1\n"},
      {"drawlog on; number 50 60 7 9 1", "DrawGraph 50 60 3007 1\n"},
      {"drawlog on; number 50 60 12 0 1", "DrawGraph 50 60 2002 1\nDrawGraph 41 60 2001 1\n"},
      {"drawlog on; rotarect 10 20 4 2 -256 5", "DrawModiGraph 8 19 12 19 12 21 8 21 5 1\n"},
      {"drawlog on; call DrawResultNumber 30 40 907 0; call DrawResultNumber 30 40 -5 0",
       "SetModulationColor 255 255 255\nDrawGraph 30 40 1007 1\nDrawGraph 18 40 1000 1\n"
       "DrawGraph 6 40 1009 1\nSetModulationColor 255 255 255\nDrawGraph 30 40 1000 1\n"},
      // A frame of an empty arena (the story's player not yet there): the key test, the tint,
      // the background, the modulation reset; then the head-up display of the round's first
      // frame: the badge, the bar and panel with no life left, the timer at 0 and the tag.
      {"match players=1 chars=3 arena=5; set storyMode 1; drawlog on; set ScreenShake 4; draw",
       "IsKeyPressed 59\nSetModulationColor 255 255 255\nDrawGraphPart 0 -2 0 0 640 480 -1 1 0\n"
       "SetModulationColor 255 255 255\n"
       "SetBlendMode 2 160\nDrawRotaGraph 65 14 1 0 -1 1 0\nSetFilterMode 1\nSetFilterMode 0\n"
       "SetBlendMode 0 255\nDrawGraph 0 0 -1 1\nDrawGraph 320 0 -1 1\nDrawGraph 1 1 -1 1\n"
       "SetModulationColor 255 255 255\nDrawGraph 68 16 -1 1\n"
       "DrawGraphPart 2 96 2 2 9 0 -1 1 0\nSetBlendMode 2 255\nSetBlendMode 0 255\n"
       "DrawGraph 320 1 1000 1\nSetFilterMode 1\nSetBlendMode 1 0\n"
       "DrawRotaGraph 0 -32 1 0 -1 1 0\nSetFilterMode 0\nSetBlendMode 0 255\n"
       "SetBlendMode 0 255\n"},
  };
  const OpenArenaMaps maps;
  for (const Case& c : cases) ExpectRun(BATTLE_PROBE_REC, c.commands, c.out, maps.path());
}

TEST(BattleProbeRec, DrawListOnBothProbes) {
  const char* commands =
      "match players=2 chars=4,1 arena=5; set p0.y 50; set p1.y 40; set comp0.y 45; "
      "set cells[1,2] 3; set openTimer[1,2] 2; drawlist; print openTimer[1,2] p0.drawTag "
      "comp0.drawTag";
  const char* out = "5\n4 3 32 64 0\n0 1 0 40 0\n1 0 0 45 0\n0 4 0 50 0\n4 3 32 64 1\n1 0 1\n";
  const OpenArenaMaps maps;
  for (const char* probe : {BATTLE_PROBE, BATTLE_PROBE_REC}) {
    const ProbeRun run = RunProbe(probe, commands, maps.path());
    EXPECT_EQ(run.status, 0) << probe;
    EXPECT_EQ(run.out, out) << probe;
  }
}

TEST(BattleProbeRec, RefusesBadDrawingCommands) {
  struct Case {
    const char* probe;
    const char* commands;
  } cases[] = {
      {BATTLE_PROBE, "drawlog on"},         {BATTLE_PROBE_REC, "drawlog maybe"},
      {BATTLE_PROBE_REC, "drawlog"},        {BATTLE_PROBE_REC, "number 1 2 3 0 256"},
      {BATTLE_PROBE_REC, "number 1 2 3 0"}, {BATTLE_PROBE_REC, "rotarect 1 2 3 4 x 6"},
      {BATTLE_PROBE_REC, "drawlist 4"},
  };
  for (const Case& c : cases) {
    const ProbeRun run = RunProbe(c.probe, c.commands);
    EXPECT_EQ(run.status, 2) << c.commands;
    EXPECT_EQ(run.out, "") << c.commands;
  }
}

// cell: the frame selection of a player's record with its side effects (turns, the aim, the catch
// record), on both probes; the tint shows in the recording probe's log.
TEST(BattleProbeRec, CellSelectsAPlayersFrame) {
  const std::string match = "match players=2 chars=0,1 arena=-1; round; ";
  struct Case {
    const char* probe;
    std::string commands;
    const char* out;
  } cases[] = {
      {BATTLE_PROBE_REC,
       match + "set p1.state 10; set p1.stateTimer 7; set p1.heading 100; set SceneFrame 3; "
               "drawlog on; cell 1",
       "SetModulationColor 255 0 0\ncell 135\n"},
      {BATTLE_PROBE,
       match + "set p1.state 0; set p1.heading 200; set p1.stateTimer 20; cell 1; set p1.kind 16; "
               "cell 1 1; cell 1",
       "cell 242\ncell 1\ncell 0\n"},
      {BATTLE_PROBE,
       match + "set p0.state 2; set poseClass[0] 1; set currentMove[0] 2; set p0.stateTimer 30; "
               "set p0.heading 0; cell 0; set halfRatePresent 1; cell 0; cell 0 1; "
               "print p0.heading",
       "cell 25\ncell 25\ncell 75\n48\n"},
      {BATTLE_PROBE,
       "match players=2 chars=8,1 arena=-1; round; set p0.state 2; set poseClass[0] 3; "
       "set p0.stateTimer 64; set p0.heading 0; set p0.x 100; set p0.y 100; set p1.x 100; "
       "set p1.y 200; cell 0; print p0.heading; set p0.heading 40; set p1.state 13; cell 0; "
       "print p0.heading",
       "cell 18\n193\ncell 48\n40\n"},
      {BATTLE_PROBE_REC,
       "match players=2 chars=15,13 arena=-1; round; set p0.state 9; set p0.stateTimer 8888; "
       "set p0.heading 100; cell 0; set p1.state 9; set cardChoice[1] 1; set p1.stateTimer 400; "
       "set p1.heading 0; set mark1.player 9; cell 1; set mark1.player 0; cell 1",
       "cell 511\ncell 14\ncell 0\n"},
  };
  for (const Case& c : cases) {
    const ProbeRun run = RunProbe(c.probe, c.commands);
    EXPECT_EQ(run.status, 0) << c.commands;
    EXPECT_EQ(run.out, c.out) << c.commands;
  }
  for (const char* bad : {"cell", "cell 4", "cell -1", "cell x", "cell 0 1 2", "cell 0 y"}) {
    const ProbeRun run = RunProbe(BATTLE_PROBE, bad);
    EXPECT_EQ(run.status, 2) << bad;
    EXPECT_EQ(run.out, "") << bad;
  }
}

// The lines of the output that contain `part`.
std::string LinesWith(const std::string& out, const std::string& part) {
  std::istringstream in(out);
  std::string picked;
  for (std::string line; std::getline(in, line);) {
    if (line.find(part) != std::string::npos) picked += line + "\n";
  }
  return picked;
}

TEST(BattleProbeRec, ScenesRunThroughTheFrameLoopBody) {
  struct Case {
    const char* commands;
    const char* part;  // only the lines holding it are compared
    const char* out;
  } cases[] = {
      // The library's start values, then what the calls leave: parameters held within 0-255.
      {"drawlog state; number 50 60 7 0 0", "|", "DrawGraph 50 60 1007 1 | 0 0 ffffff 0\n"},
      {"scene 6; set FadeFrames 30; stubhandles; drawlog state; loop 1", "|",
       "DrawRotaGraph 320 240 1 0 8000 1 0 | 2 255 ffffff 1\n"
       "DrawGraph 320 465 2001 1 | 0 255 ffffff 0\n"},
      // The "T" of each column's fourth label: cell 0xA3D4 of glyph sheet 5 of set B, shadow
      // first, one advance into the line: 13 pixels, 12 in the last column, as that line is
      // drawn closer to end inside its column.
      {"scene 16; stubhandles; drawlog state; loop 1", " 770 2 24 24 7105 ",
       "DrawGraphPart 68 305 770 2 24 24 7105 1 0 | 1 224 000000 1\n"
       "DrawGraphPart 67 304 770 2 24 24 7105 1 0 | 1 224 ffffff 1\n"
       "DrawGraphPart 218 305 770 2 24 24 7105 1 0 | 1 224 000000 1\n"
       "DrawGraphPart 217 304 770 2 24 24 7105 1 0 | 1 224 ffffff 1\n"
       "DrawGraphPart 368 305 770 2 24 24 7105 1 0 | 1 224 000000 1\n"
       "DrawGraphPart 367 304 770 2 24 24 7105 1 0 | 1 224 ffffff 1\n"
       "DrawGraphPart 517 305 770 2 24 24 7105 1 0 | 1 224 000000 1\n"
       "DrawGraphPart 516 304 770 2 24 24 7105 1 0 | 1 224 ffffff 1\n"},
      // The options' pointer half way through its pulse.
      {"scene 15 45; stubhandles; drawlog state; loop 1", " 242 2 24 24 7105 ",
       "DrawGraphPart 361 101 242 2 24 24 7105 1 0 | 2 127 000000 1\n"
       "DrawGraphPart 360 100 242 2 24 24 7105 1 0 | 2 127 ffffff 1\n"},
      // The story result's panel, faded in: a hit percentage of 1 in 3, no breakable cell.
      {"scene 10 30; stubhandles; set shotsHit[0] 1; set shotsFired[0] 3; set "
       "obstaclesBroken[0] 2; drawlog state; loop 1",
       "DrawGraph 208 ",
       "DrawGraph 208 385 1000 1 | 0 255 ffffff 0\nDrawGraph 208 185 1003 1 | 0 255 ffffff 0\n"
       "DrawGraph 208 235 1000 1 | 0 255 ffffff 0\nDrawGraph 208 285 1000 1 | 0 255 ffffff 0\n"
       "DrawGraph 208 335 1000 1 | 0 255 ffffff 0\nDrawGraph 208 135 1000 1 | 0 255 ffffff 0\n"},
      // The music follows the level; at 20 a right press keeps full volume.
      {"scene 15 40; stubhandles; set OptionCursor 7; set musicVolume 10; drawlog on; "
       "hold 0 right 1; loop 2; set musicVolume 20; hold 0 right 1; loop 2",
       "Music", "SetMusicVolume 140\nSetMusicVolume 255\n"},
  };
  for (const Case& c : cases) {
    const ProbeRun run = RunProbe(BATTLE_PROBE_REC, c.commands);
    EXPECT_EQ(run.status, 0) << c.commands;
    EXPECT_EQ(LinesWith(run.out, c.part), c.out) << c.commands;
  }
  const ProbeRun sounds =
      RunProbe(BATTLE_PROBE_REC,
               "scene 15 40; stubhandles; set OptionCursor 8; set soundVolume 8; drawlog on; "
               "hold 0 right 1; loop 1");
  std::string expected;
  for (int i = 0; i < 85; ++i) expected += "SetSoundVolume 4500 " + std::to_string(5000 + i) + "\n";
  EXPECT_EQ(LinesWith(sounds.out, "SetSoundVolume"), expected);
}

// Both probes run the loop body; it stops once the quit scene asks to end.
TEST(BattleProbeRec, LoopStopsWhenTheExitIsRequested) {
  for (const char* probe : {BATTLE_PROBE, BATTLE_PROBE_REC}) {
    const ProbeRun run =
        RunProbe(probe,
                 "scene 6 119; loop 5; print ExitRequested SceneFrame FrameCount; "
                 "scene 15 40; set OptionCursor 2; hold 0 left 1; loop 2; print timeLimit");
    EXPECT_EQ(run.out, "1 121 2\n1\n") << probe << ": no frame runs once the exit is asked";
    const ProbeRun keys =
        RunProbe(probe,
                 "scene 15 40; set OptionCursor 9; set KeyConfigCursors[2] 4; hold 0 b1 1; "
                 "loop 1; print SceneId FadeFrames KeyConfigCursors[2] ButtonMap[3,4]");
    EXPECT_EQ(keys.out, "16 30 0 256\n") << probe;
  }
}

TEST(BattleProbeRec, RefusesBadSceneCommands) {
  for (const char* commands : {"scene", "scene x", "scene 1 2 3", "scene 1 99999999999", "loop",
                               "loop -1", "loop 2x", "stubhandles 1", "drawlog states"}) {
    const ProbeRun run = RunProbe(BATTLE_PROBE_REC, commands);
    EXPECT_EQ(run.status, 2) << commands;
    EXPECT_EQ(run.out, "") << commands;
  }
}

// drawentry: one entry of the draw list alone, as the frame draws it: a frozen dash, a spell card
// shaking, a companion's ghost and a dash spinner.
TEST(BattleProbeRec, DrawEntryDrawsOneEntryAlone) {
  const std::string match = "round; stubhandles; ";
  struct Case {
    std::string commands;
    const char* out;
  } cases[] = {
      {"match players=2 chars=0,1 arena=-1; " + match +
           "set p0.x 100; set p0.state 5; set p0.heading 0; set p0.attackDelay 4; "
           "set freezeTimer[0] 3; set SceneFrame 0; set p0.trailX[0] 10; set p0.trailX[1] 20; "
           "set p0.trailX[2] 30; set p0.trailX[3] 40; set p0.trailX[4] 50; drawlog state; "
           "drawentry 0",
       "DrawRotaGraph 100 116 1 0 107900 1 0 | 2 128 ffffff 1\n"
       "DrawCircle 100 101 12 0xff00ff00 0 | 2 64 ffffff 0\n"
       "DrawGraph 18 -32 200039 1 | 1 20 ffffff 0\n"
       "DrawGraph 8 -32 200039 1 | 1 40 ffffff 0\n"
       "DrawGraph -2 -32 200039 1 | 1 60 ffffff 0\n"
       "DrawGraph -12 -32 200039 1 | 1 80 ffffff 0\n"
       "DrawGraph -22 -32 200039 1 | 1 100 ffffff 0\n"
       "DrawGraph 68 64 200039 1 | 0 255 4040ff 0\n"
       "DrawGraph 68 64 200039 1 | 2 255 4040ff 0\n"
       "DrawGraph 68 64 200039 1 | 2 255 4040ff 0\n"},
      {"match players=2 chars=2,1 arena=-1; " + match +
           "set p0.x 100; set p0.heading 0; set cardBar[0] 100; set cardBarFull[0] 100; "
           "set SceneFrame 0; drawlog state; drawentry 0 4",
       "DrawRotaGraph 100 112 1 0 107900 1 0 | 2 128 ffffff 1\n"
       "DrawRotaGraph 100 101 1.13 0 108800 1 0 | 2 160 ffffff 1\n"
       "DrawRotaGraph 100 92 1 0 200000 1 0 | 2 192 ffff00 1\n"
       "DrawGraph 68 60 200000 1 | 0 255 ffffff 0\n"},
      {"match players=2 chars=4,1 arena=-1; " + match +
           "set cardBar[0] 50; set SceneFrame 32; drawlog state; drawentry 0",
       "DrawRotaGraph 96 48 1 0 200180 1 0 | 2 244 ffffff 1\n"},
      {"match players=2 chars=6,1 arena=-1; " + match +
           "set ground0.timer 16; set ground0.x 200; set ground0.y 300; drawlog state; "
           "drawentry 2",
       "DrawRotaGraph 200 300 1 4.712388 105700 1 0 | 1 224 ffffff 1\n"
       "DrawRotaGraph 200 300 1 4.712388 105700 1 0 | 2 96 ffffff 1\n"},
  };
  for (const Case& c : cases) ExpectRun(BATTLE_PROBE_REC, c.commands, c.out);
  for (const char* bad :
       {"match players=2 chars=0,1 arena=-1; drawentry 2",
        "match players=2 chars=0,1 arena=-1; drawentry -1",
        "match players=2 chars=0,1 arena=-1; drawentry 0 x", "drawentry", "drawentry 0 1 2"}) {
    const ProbeRun run = RunProbe(BATTLE_PROBE_REC, bad);
    EXPECT_EQ(run.status, 2) << bad;
    EXPECT_EQ(run.out, "") << bad;
  }
}

}  // namespace
