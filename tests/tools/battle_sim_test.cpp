// The battle runner's parts in this process: options, input scripts, the input generator, the
// state hash, the trace line and the invariants.
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "game/battle/arena.h"
#include "game/battle/field_table.h"
#include "game/core/data_files.h"
#include "game/core/frame_state.h"
#include "game/core/input.h"
#include "game/core/records.h"
#include "morrow/system/time.h"
#include "tools/battle-sim/sim_input.h"
#include "tools/battle-sim/sim_options.h"
#include "tools/battle-sim/sim_state.h"

namespace {

using battlesim::InvariantFailure;
using battlesim::ScriptLine;
using battlesim::SimOptions;

// ---- Options -----------------------------------------------------------------------------------

std::vector<std::string> Words(const std::string& text) {
  std::vector<std::string> words;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find(' ', start);
    if (end == std::string::npos) end = text.size();
    if (end > start) words.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return words;
}

const std::string kBase = "--seed 1 --players 2 --chars 0,1 --arena 0 --frames 100 ";
const std::string kStory = "--seed 3 --frames 50 --scripts s ";

TEST(BattleSimOptions, ReadsEveryOption) {
  SimOptions o;
  std::string error;
  ASSERT_TRUE(battlesim::ParseSimOptions(
      Words("--seed 4294967295 --date 2024-02-29T23:59:59 --players 4 --chars 0,1,15,3 "
            "--teams 0,1,1,0 --handicap 0,4,2,1 --arena 9 --win-count 2 --time-limit 0 "
            "--effect-level 1 --obstacle 2 --maps m --input-seed 18446744073709551615 "
            "--frames 7 --trace t --check-invariants --corrupt p1.x=nan@3 --corrupt "
            "score[2]=-9@7 --half-rate --frame-digest"),
      &o, &error))
      << error;
  EXPECT_EQ(o.seed, 4294967295u);
  EXPECT_EQ(o.date, "2024-02-29T23:59:59");
  EXPECT_EQ(o.chars, (std::vector<int>{0, 1, 15, 3}));
  EXPECT_EQ(o.teams, (std::vector<int>{0, 1, 1, 0}));
  EXPECT_EQ(o.handicaps, (std::vector<int>{0, 4, 2, 1}));
  EXPECT_EQ(o.arena, 9);
  EXPECT_EQ(o.winCount, 2);
  EXPECT_EQ(o.timeLimit, 0);
  EXPECT_EQ(o.effectLevel, 1);
  EXPECT_EQ(o.obstacle, 2);
  EXPECT_EQ(o.inputSeed, UINT64_MAX);
  EXPECT_TRUE(o.checkInvariants);
  ASSERT_EQ(o.corrupt.size(), 2u);
  EXPECT_TRUE(o.corrupt[0].isFloat);
  EXPECT_TRUE(std::isnan(o.corrupt[0].real));
  EXPECT_EQ(o.corrupt[0].frame, 3);
  EXPECT_FALSE(o.corrupt[1].isFloat);
  EXPECT_EQ(o.corrupt[1].integer, -9);
  EXPECT_TRUE(o.halfRate);
  EXPECT_TRUE(o.frameDigest);
  EXPECT_EQ(o.story, -1);
  ASSERT_TRUE(battlesim::ParseSimOptions(Words(kBase), &o, &error)) << error;
  EXPECT_FALSE(o.halfRate);
  EXPECT_FALSE(o.frameDigest);
}

// A story run: its kind and scripts; an input script may address every player. (Its stages choose
// who plays where: the options that say so are refused above.)
TEST(BattleSimOptions, ReadsAStoryRun) {
  struct Good {
    std::string args;
    int kind;
  } goods[] = {{kStory + "--story main", 0},
               {kStory + "--story extra --half-rate --input-seed 5 --difficulty 2", 1}};
  for (const Good& g : goods) {
    SimOptions o;
    std::string error;
    ASSERT_TRUE(battlesim::ParseSimOptions(Words(g.args), &o, &error)) << g.args << ": " << error;
    EXPECT_EQ(o.story, g.kind) << g.args;
    EXPECT_EQ(o.scripts, "s");
    EXPECT_EQ(o.players, 4);
  }
}

TEST(BattleSimOptions, RefusesBadOptionsWithTheirReason) {
  struct Case {
    std::string args;
    const char* reason;
  } cases[] = {
      {"--seed 1 --players 5 --chars 0 --arena 0 --frames 9",
       "--players needs a whole number from 1 to 4"},
      {"--seed 1 --players 0 --chars 0 --arena 0 --frames 9", "--players needs"},
      {kBase + "--speed 3", "unknown option '--speed'"},
      {kBase + "--frames", "--frames needs a value"},
      {"--seed 1 --players 1 --chars 0 --arena 0 --frames 0", "--frames needs a whole number"},
      {kBase + "--seed 2", "--seed is given twice"},
      {"--players 2 --chars 0,1 --arena 0 --frames 9", "one of --seed N and --seeds A-B"},
      {kBase + "--seeds 1-2", "one of --seed N and --seeds A-B"},
      {"--seeds 5-2 --players 2 --chars 0,1 --arena 0 --frames 9", "out of order"},
      {"--seeds 5 --players 2 --chars 0,1 --arena 0 --frames 9", "--seeds needs A-B"},
      {"--seed 1 --players 3 --chars 0,1 --arena 0 --frames 9", "--chars needs one value per"},
      {"--seed 1 --players 2 --chars 0,16 --arena 0 --frames 9", "--chars needs comma-separated"},
      {"--seed 1 --players 2 --chars 0,,1 --arena 0 --frames 9", "--chars needs comma-separated"},
      {kBase + "--teams 1,1", "players on both teams"},
      {kBase + "--teams 0,2", "--teams needs"},
      {kBase + "--handicap 5,0", "--handicap needs"},
      {"--seed 1 --players 2 --chars 0,1 --arena 10 --frames 9", "--arena needs"},
      {kBase + "--win-count 3", "--win-count needs"},
      {kBase + "--obstacle -1", "--obstacle needs"},
      {kBase + "--seed x", "--seed"},
      {"--seed 1 --players 2 --chars 0,1 --arena 0", "--frames is needed"},
      {kBase + "--date 2023-02-29T00:00:00", "--date needs YYYY-MM-DDThh:mm:ss"},
      {kBase + "--input a --input-seed 3", "do not go together"},
      {"--seeds 1-2 --players 2 --chars 0,1 --arena 0 --frames 9 --trace t", "do not go together"},
      {kBase + "--input-seed -1", "--input-seed needs"},
      {kBase + "--corrupt p1.life=351", "NAME=VALUE@FRAME"},
      {kBase + "--corrupt p9.life=1@5", "no field named p9.life"},
      {kBase + "--corrupt p1.life=1.5@5", "takes a whole number"},
      {kBase + "--corrupt p1.x=fast@5", "takes a number"},
      {kBase + "--corrupt p1.life=1@0", "the frame after @"},
      {kBase + "--corrupt p1.life=1@101", "after the last frame 100"},
      {kStory + "--story side", "--story needs main or extra, not 'side'"},
      {"--seed 3 --frames 50 --story main", "--story needs --scripts DIR"},
      {kStory + "--story main --players 2", "--players does not go with --story"},
      {kStory + "--story main --chars 0", "--chars does not go with --story"},
      {kStory + "--story main --arena 1", "--arena does not go with --story"},
      {kStory + "--story main --cpu all", "--cpu does not go with --story"},
      {kStory + "--story main --teams 0,1", "--teams does not go with --story"},
      {"--seeds 1-3 --frames 50 --scripts s --story main", "--story runs one --seed N"},
      {kStory + "--story main --input a --input-seed 1", "do not go together"},
      {"--seed 3 --scripts s --story main", "--frames is needed"},
      {kBase + "--scripts s", "--scripts goes with --story only"},
  };
  for (const Case& c : cases) {
    SimOptions o;
    std::string error;
    EXPECT_FALSE(battlesim::ParseSimOptions(Words(c.args), &o, &error)) << c.args;
    EXPECT_NE(error.find(c.reason), std::string::npos) << c.args << " -> " << error;
  }
}

// Each run of a soak carries its own seed, and its own random input unless the soak gives one.
TEST(BattleSimOptions, EachRunOfASoakCarriesItsOwnSeed) {
  struct Case {
    std::string soak;
    std::string run;
  } cases[] = {
      {"--arena 0 --seeds 3-9 --frames 10",
       "--arena 0 --seed 7 --frames 10 --input-seed 7 --final-hash"},
      {"--arena 0 --seeds 3-9 --input-seed 4 --frames 10",
       "--arena 0 --seed 7 --input-seed 4 --frames 10 --final-hash"},
      {"--arena 0 --seeds 3-9 --input in.txt --frames 10 --final-hash",
       "--arena 0 --seed 7 --input in.txt --frames 10 --final-hash"},
      {"--arena 0 --seeds 3-9 --jobs 4 --cpu 1,0 --frames 10",
       "--arena 0 --seed 7 --cpu 1,0 --frames 10 --input-seed 7 --final-hash"},
      {"--arena 0 --seeds 3-9 --half-rate --frames 10",
       "--arena 0 --seed 7 --half-rate --frames 10 --input-seed 7 --final-hash"},
  };
  for (const Case& c : cases) {
    SimOptions o;
    std::string error;
    const std::string players = "--players 2 --chars 0,1 ";
    ASSERT_TRUE(battlesim::ParseSimOptions(Words(players + c.soak), &o, &error)) << error;
    EXPECT_EQ(battlesim::ArgsForSeed(o, Words(players + c.soak), 7), Words(players + c.run))
        << c.soak;
  }
}

// --chars random: each run carries the characters its seed draws, from every one of the sixteen.
TEST(BattleSimOptions, RandomCharactersFollowTheSeed) {
  SimOptions o;
  std::string error;
  const std::string soak =
      "--seeds 1-300 --players 4 --chars random --cpu all --arena 0 --frames 9";
  ASSERT_TRUE(battlesim::ParseSimOptions(Words(soak), &o, &error)) << error;
  EXPECT_TRUE(o.chars.empty());
  EXPECT_EQ(o.cpu, (std::vector<int>{1, 1, 1, 1}));
  bool seen[16] = {};
  for (uint32_t seed = 1; seed <= 300; ++seed) {
    const std::vector<int> chars = battlesim::RandomCharsForSeed(seed, 4);
    ASSERT_EQ(chars.size(), 4u);
    std::string list;
    for (int c : chars) {
      ASSERT_GE(c, 0);
      ASSERT_LE(c, 15);
      seen[c] = true;
      list += (list.empty() ? "" : ",") + std::to_string(c);
    }
    const std::vector<std::string> run = battlesim::ArgsForSeed(o, Words(soak), seed);
    EXPECT_EQ(run[5], list) << seed;
  }
  for (int c = 0; c < 16; ++c) EXPECT_TRUE(seen[c]) << c;
  EXPECT_NE(battlesim::RandomCharsForSeed(1, 4), battlesim::RandomCharsForSeed(2, 4));
}

// ---- Input -------------------------------------------------------------------------------------

TEST(BattleSimScript, HoldsEachLinesInputsOverItsFrames) {
  std::vector<ScriptLine> script;
  std::string error;
  ASSERT_TRUE(battlesim::ParseInputScript(
      "# a comment\n\n0-9 0 right b1  # walks and fires\n5-5 0 up\n3-4 1 b5 left\n", 2, &script,
      &error))
      << error;
  const uint32_t right = battlesim::InputOfName("right");
  const uint32_t b1 = battlesim::InputOfName("b1");
  const uint32_t up = battlesim::InputOfName("up");
  struct Case {
    int64_t frame;
    int player;
    uint32_t inputs;
  } cases[] = {
      {0, 0, right | b1}, {5, 0, right | b1 | up},
      {9, 0, right | b1}, {10, 0, 0},
      {2, 1, 0},          {3, 1, battlesim::InputOfName("b5") | battlesim::InputOfName("left")},
      {5, 1, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(battlesim::ScriptInputsAt(script, c.frame, c.player), c.inputs)
        << "frame " << c.frame << " player " << c.player;
  }
}

TEST(BattleSimScript, RefusesMalformedLinesByNumber) {
  struct Case {
    const char* text;
    const char* error;
  } cases[] = {
      {"0-9 0\n", "line 1: needs FROM-TO PLAYER INPUT"},
      {"\n9-3 0 up\n", "line 2: the range 9-3 is out of order"},
      {"5 0 up\n", "line 1: '5' is not a range"},
      {"a-3 0 up\n", "line 1: 'a-3' is not a range"},
      {"-3-5 0 up\n", "line 1: '-3-5' is not a range"},
      {"0-3 4 up\n", "line 1: '4' is not a player 0-3"},
      {"0-3 x up\n", "line 1: 'x' is not a player 0-3"},
      {"0-3 2 up\n", "line 1: player 2 is not in a match of 2 players"},
      {"0-3 1 up jump\n", "line 1: unknown input 'jump'"},
      {"0-3 1 b6\n", "line 1: unknown input 'b6'"},
  };
  for (const Case& c : cases) {
    std::vector<ScriptLine> script;
    std::string error;
    EXPECT_FALSE(battlesim::ParseInputScript(c.text, 2, &script, &error)) << c.text;
    EXPECT_EQ(error.rfind(c.error, 0), 0u) << c.text << " -> " << error;
  }
}

// Script files are untrusted: every prefix of a script (a file cut anywhere) and bytes that are no
// script either parse or fail with the number of the line at fault.
TEST(BattleSimScript, CutAndGarbledScriptsParseOrNameTheLine) {
  const std::string script =
      "# walks, then fires\n0-99 0 right\n300-340 0 b1 b2  # both\n\n120-999999 1 down left b5\n";
  int parsed = 0;
  for (size_t n = 0; n <= script.size(); ++n) {
    const std::string cut = script.substr(0, n);
    std::vector<ScriptLine> lines;
    std::string error;
    if (battlesim::ParseInputScript(cut, 2, &lines, &error)) {
      ++parsed;
      EXPECT_LE(lines.size(), 3u) << n;
      continue;
    }
    int lineNumber = 0;
    ASSERT_EQ(std::sscanf(error.c_str(), "line %d:", &lineNumber), 1) << n << ": " << error;
    EXPECT_GE(lineNumber, 2) << n << ": " << error;  // the comment line never fails
    EXPECT_LE(lineNumber, 5) << n << ": " << error;
  }
  // The whole script, the empty one and every cut at a line end parse at least.
  EXPECT_GE(parsed, 5);

  struct Case {
    std::string text;
    bool parses;
  } cases[] = {
      {std::string("0-9 0 up\0 b1\n", 14), false},
      {"0-9 0 up\r\n", true},  // a line end of another system
      {"\xff\xfe"
       "0-9 0 up\n",
       false},
      {"0-99999999999999999999 0 up\n", false},
      {"0-999999999999999999 0 up\n", true},
      {"0-9 00 up\n", true},
      {"0-9 +1 up\n", false},
      {"0--9 0 up\n", false},
      {"0-9-9 0 up\n", false},
      {"- 0 up\n", false},
      {std::string(100000, ' ') + "0-9 1 b1\n", true},
      {std::string(100000, 'x') + "\n", false},
      {"0-9 1 b1 b1 b1 b1 b1 b1 b1 b1 b1 b1 b1\n", true},
  };
  for (const Case& c : cases) {
    std::vector<ScriptLine> lines;
    std::string error;
    EXPECT_EQ(battlesim::ParseInputScript(c.text, 2, &lines, &error), c.parses)
        << c.text.substr(0, 40) << " -> " << error;
    if (!c.parses) {
      EXPECT_EQ(error.rfind("line 1: ", 0), 0u) << error;
    }
  }
}

// The pad bits of each input count as that input, and only that one, in the game's counting step.
TEST(BattleSimInput, PadBitsCountAsTheirInput) {
  const char* names[] = {"down", "up", "left", "right", "b1", "b2", "b3", "b4", "b5"};
  const veyrdale::ButtonMap defaults;
  for (int k = 0; k < battlesim::kSimInputCount; ++k) {
    const uint32_t input = battlesim::InputOfName(names[k]);
    ASSERT_EQ(input, 1u << k) << names[k];
    veyrdale::CountPadInput(2, 0, defaults);
    veyrdale::CountPadInput(2, battlesim::PadBitsOfInputs(input), defaults);
    for (int j = 0; j < veyrdale::kInputCount; ++j) {
      EXPECT_EQ(veyrdale::HeldFrameCounts[j][2], j == k ? 1 : 0) << names[k] << " counted as " << j;
    }
  }
}

// Runs of the generator: input sets per frame and player.
std::vector<std::vector<uint32_t>> Generate(uint64_t seed, int players, int frames) {
  battlesim::InputGenerator generator(seed);
  std::vector<std::vector<uint32_t>> sets(4);
  for (int f = 0; f < frames; ++f) {
    uint32_t inputs[4];
    generator.Next(players, inputs);
    for (int p = 0; p < 4; ++p) sets[p].push_back(inputs[p]);
  }
  return sets;
}

TEST(BattleSimInput, GeneratorHoldsEachSetAtLeastFiveFramesAndDrivesEveryInput) {
  // The four-player golden's generator.
  const auto sets = Generate(11, 4, 3600);
  for (int p = 0; p < 4; ++p) {
    uint32_t seen = 0;
    int run = 1;
    int changes = 0;
    for (size_t f = 1; f < sets[p].size(); ++f) {
      seen |= sets[p][f];
      if (sets[p][f] == sets[p][f - 1]) {
        ++run;
        continue;
      }
      EXPECT_GE(run, 5) << "player " << p << " before frame " << f;
      run = 1;
      ++changes;
    }
    EXPECT_EQ(seen, (1u << battlesim::kSimInputCount) - 1) << "player " << p;
    // Sets last at most 40 frames, and two in a row are rarely the same.
    EXPECT_GE(changes, 3600 / 40 / 2) << "player " << p;
  }
  EXPECT_NE(sets[0], sets[1]);
}

TEST(BattleSimInput, GeneratorFollowsItsSeedOnly) {
  EXPECT_EQ(Generate(11, 4, 600), Generate(11, 4, 600));
  EXPECT_NE(Generate(11, 4, 600)[0], Generate(12, 4, 600)[0]);
  const auto two = Generate(11, 2, 600);
  for (int p = 2; p < 4; ++p) {
    for (uint32_t set : two[p]) ASSERT_EQ(set, 0u) << "player " << p << " is not in the match";
  }
  // Players in the match do not depend on how many others there are.
  EXPECT_EQ(two[1], Generate(11, 4, 600)[1]);
}

// ---- Hash --------------------------------------------------------------------------------------

// A value of the field's type that differs from the one it holds.
veyrdale::FieldValue Other(const veyrdale::FieldValue& v) {
  veyrdale::FieldValue other = v;
  if (v.isFloat) {
    other.real = v.real == 1.0f ? 2.0f : 1.0f;
  } else {
    other.integer = v.integer ^ 1;
  }
  return other;
}

void ExpectChangeShowsInHash(const veyrdale::FieldRef& ref, const std::string& name) {
  const uint64_t before = battlesim::HashBattleState();
  const veyrdale::FieldValue saved = veyrdale::ReadField(ref);
  veyrdale::WriteField(ref, Other(saved));
  EXPECT_NE(battlesim::HashBattleState(), before) << name;
  veyrdale::WriteField(ref, saved);
  EXPECT_EQ(battlesim::HashBattleState(), before) << name;
}

// Every field of every pool (first and last record, each array element), and the first and last
// element of every global.
TEST(BattleSimHash, ChangingAnyFieldOfTheTableChangesTheHash) {
  for (const veyrdale::RecordPool& pool : veyrdale::RecordPools()) {
    for (int index : {0, pool.count - 1}) {
      for (const veyrdale::RecordField& field : pool.layout->fields) {
        for (int k = 0; k < field.count; ++k) {
          std::string name = std::string(pool.prefix) + std::to_string(index) + "." + field.name;
          if (field.count > 1) name += "[" + std::to_string(k) + "]";
          veyrdale::FieldRef ref{};
          ASSERT_TRUE(veyrdale::ResolveField(name, &ref)) << name;
          ExpectChangeShowsInHash(ref, name);
        }
      }
    }
  }
  for (const veyrdale::GlobalField& g : veyrdale::GlobalFields()) {
    const int width = veyrdale::FieldWidth(g.type);
    const int last = (g.dims[0] - 1) * g.strides[0] + (g.dims[1] - 1) * g.strides[1];
    for (int element : {0, last}) {
      ExpectChangeShowsInHash({static_cast<unsigned char*>(g.address) + element * width, g.type},
                              std::string(g.name) + " element " + std::to_string(element));
    }
  }
}

// The frame hash sees the players, the counters and the per-player arrays, and the random
// generator's position; not the big pools and tables, which the final hash covers.
TEST(BattleSimHash, FrameHashSeesPlayersCountersAndTheGenerator) {
  const struct {
    const char* name;
    bool seen;
  } cases[] = {{"p0.heading", true},        {"p3.vz", true},
               {"ScreenShake", true},       {"FlashFrames", true},
               {"ContinuePause", true},     {"spellGauge[3]", true},
               {"shot5.x", false},          {"eff0.timer", false},
               {"cells[3,4]", false},       {"comp1.heading", false},
               {"ShotHitFlags[9,2]", false}};
  for (const auto& c : cases) {
    veyrdale::FieldRef ref{};
    ASSERT_TRUE(veyrdale::ResolveField(c.name, &ref)) << c.name;
    const uint64_t before = battlesim::HashFrameState();
    const veyrdale::FieldValue saved = veyrdale::ReadField(ref);
    veyrdale::WriteField(ref, Other(saved));
    EXPECT_EQ(battlesim::HashFrameState() != before, c.seen) << c.name;
    veyrdale::WriteField(ref, saved);
    EXPECT_EQ(battlesim::HashFrameState(), before) << c.name;
  }
  morrow::SeedRandom(77);
  const uint64_t seeded = battlesim::HashFrameState();
  morrow::GetRandomNumber(9);
  EXPECT_NE(battlesim::HashFrameState(), seeded);
  morrow::SeedRandom(77);
  EXPECT_EQ(battlesim::HashFrameState(), seeded);
}

// The benchmark's snapshot puts back every field of the table, whatever was written over it.
TEST(BattleSimHash, SnapshotRestoresEveryFieldOfTheTable) {
  std::vector<veyrdale::FieldRef> refs;
  for (const veyrdale::RecordPool& pool : veyrdale::RecordPools()) {
    auto* base = static_cast<unsigned char*>(pool.base);
    for (int index : {0, pool.count - 1}) {
      for (const veyrdale::RecordField& field : pool.layout->fields) {
        const int width = veyrdale::FieldWidth(field.type);
        unsigned char* record = base + pool.layout->size * static_cast<size_t>(index);
        refs.push_back({record + field.offset + (field.count - 1) * width, field.type});
      }
    }
  }
  for (const veyrdale::GlobalField& g : veyrdale::GlobalFields()) {
    const int last = (g.dims[0] - 1) * g.strides[0] + (g.dims[1] - 1) * g.strides[1];
    refs.push_back(
        {static_cast<unsigned char*>(g.address) + last * veyrdale::FieldWidth(g.type), g.type});
  }
  const uint64_t before = battlesim::HashBattleState();
  std::vector<veyrdale::FieldValue> saved;
  for (const veyrdale::FieldRef& ref : refs) saved.push_back(veyrdale::ReadField(ref));
  battlesim::StateSnapshot snapshot;
  snapshot.Take();
  EXPECT_GE(snapshot.bytes(), sizeof veyrdale::g_shots + sizeof veyrdale::g_effects +
                                  sizeof veyrdale::g_arenaMap.cells);
  for (size_t i = 0; i < refs.size(); ++i) veyrdale::WriteField(refs[i], Other(saved[i]));
  ASSERT_NE(battlesim::HashBattleState(), before);
  snapshot.Restore();
  EXPECT_EQ(battlesim::HashBattleState(), before);
  for (size_t i = 0; i < refs.size(); ++i) {
    const veyrdale::FieldValue now = veyrdale::ReadField(refs[i]);
    EXPECT_EQ(now.integer, saved[i].integer) << i;
    EXPECT_EQ(std::memcmp(&now.real, &saved[i].real, sizeof now.real), 0) << i;
  }
}

// Bytes of a record that no field covers are padding: whatever they hold is not state.
TEST(BattleSimHash, PaddingIsNotHashed) {
  int scribbled = 0;
  for (const veyrdale::RecordPool& pool : veyrdale::RecordPools()) {
    std::vector<bool> covered(pool.layout->size, false);
    for (const veyrdale::RecordField& field : pool.layout->fields) {
      const int bytes = field.count * veyrdale::FieldWidth(field.type);
      for (int b = 0; b < bytes; ++b) covered[field.offset + b] = true;
    }
    auto* record = static_cast<unsigned char*>(pool.base);
    for (size_t b = 0; b < covered.size(); ++b) {
      if (covered[b]) continue;
      const uint64_t before = battlesim::HashBattleState();
      const unsigned char saved = record[b];
      record[b] = static_cast<unsigned char>(saved ^ 0xA5);
      EXPECT_EQ(battlesim::HashBattleState(), before) << pool.prefix << " byte " << b;
      record[b] = saved;
      ++scribbled;
    }
  }
  // The battle object has padding after its 16-bit kind and its flags.
  EXPECT_GT(scribbled, 0);
}

// ---- Trace line --------------------------------------------------------------------------------

TEST(BattleSimTrace, LineHoldsTheCountersEachPlayerAndThePools) {
  // The line counts every live record of the pools: none but the ones set here.
  veyrdale::ClearRoundPools();
  veyrdale::SceneId = 4;
  veyrdale::SceneFrame = 118;
  veyrdale::RoundFrame = -7;
  veyrdale::BattleObject& p0 = veyrdale::g_players[0];
  p0.state = 10;
  p0.life = -3;
  p0.meter = -0.75f;
  veyrdale::g_playerState.spellGauge[0] = 100.59f;
  veyrdale::g_playerState.score[0] = 1234;
  veyrdale::g_playerState.wins[0] = 1;
  veyrdale::BattleObject& p1 = veyrdale::g_players[1];
  p1.state = 0;
  p1.life = 350;
  p1.meter = 699.9f;
  veyrdale::g_playerState.spellGauge[1] = 0.0f;
  veyrdale::g_playerState.score[1] = 0;
  veyrdale::g_playerState.wins[1] = 0;
  veyrdale::g_shots[0].state = 1;
  veyrdale::g_shots[511].state = 1;
  veyrdale::g_effectInUse[3] = 1;
  veyrdale::g_itemFlags[5] = 1;
  veyrdale::g_itemFlags[6] = 2;  // claimed, not live
  char hash[17];
  std::snprintf(hash, sizeof hash, "%016" PRIx64, battlesim::HashBattleState());
  EXPECT_EQ(battlesim::TraceLine(120, 2),
            "120 4 118 -7 | 10 -3 0 1005 1234 1 | 0 350 699 0 0 0 | 2 1 1 | " + std::string(hash));
}

// ---- Invariants --------------------------------------------------------------------------------

class BattleSimInvariants : public ::testing::Test {
 protected:
  // A sound state: four players at the start of a round, one live shot in slot 3.
  void SetUp() override {
    veyrdale::ClearRoundPools();
    std::memset(veyrdale::ShotHitFlags, 0, sizeof veyrdale::ShotHitFlags);
    for (int p = 0; p < 4; ++p) {
      veyrdale::g_players[p] = veyrdale::BattleObject{};
      veyrdale::g_players[p].life = 350;
      veyrdale::g_players[p].heading = 192;
      veyrdale::g_companions[p] = veyrdale::BattleObject{};
      veyrdale::g_playerState.spellGauge[p] = 100.0f;
    }
    veyrdale::g_shots[3].state = 1;
    veyrdale::g_shots[3].stun = 3.0f;
    veyrdale::g_shots[3].owner = 1;
    veyrdale::LiveShotCount = 1;
    veyrdale::IndexMisses = 0;
  }
  void TearDown() override { SetUp(); }
};

TEST_F(BattleSimInvariants, EachBreaksWithItsNameAndDetail) {
  struct Case {
    void (*breakIt)();
    const char* name;
    const char* detail;
  } cases[] = {
      {[] { veyrdale::g_players[1].life = 351; }, "life", "player 1 life 351"},
      {[] { veyrdale::g_players[2].life = -1; }, "life", "player 2 life -1 in state 0"},
      {[] { veyrdale::g_playerState.spellGauge[3] = 200.5f; }, "gauge", "player 3 gauge 200.5"},
      {[] { veyrdale::g_playerState.spellGauge[0] = -1.0f; }, "gauge", "player 0 gauge -1"},
      {[] { veyrdale::g_shots[9].state = 2; }, "shot-state", "shot 9 state 2"},
      {[] { veyrdale::ShotHitFlags[4][2] = 2; }, "hit-flag", "ShotHitFlags[4,2] 2"},
      {[] { veyrdale::g_shots[3].stun = 4.0f; }, "stun", "shot 3 stun 4 in slot 3"},
      {[] { veyrdale::g_shots[3].owner = 5; }, "owner", "shot 3 owner 5"},
      {[] { veyrdale::g_effectInUse[1023] = 2; }, "effect-flag", "effect 1023 in-use 2"},
      {[] { veyrdale::g_itemFlags[127] = 3; }, "item-flag", "item 127 flag 3"},
      {[] {
         veyrdale::g_itemFlags[100] = 1;
         veyrdale::g_items[100].age = 480;
       },
       "item", "slot 100 age 480"},
      {[] {
         veyrdale::g_itemFlags[0] = 2;
         veyrdale::g_items[0].age = -1;
       },
       "item", "slot 0 age -1"},
      {[] {
         veyrdale::g_itemFlags[9] = 1;
         veyrdale::g_items[9].kind = 6;
       },
       "item", "slot 9 kind 6"},
      {[] {
         veyrdale::g_itemFlags[127] = 2;
         veyrdale::g_items[127].player = 4;
       },
       "item", "slot 127 player 4"},
      {[] {
         veyrdale::g_effectInUse[40] = 1;
         veyrdale::g_effects[40].code = 134;
         veyrdale::g_effects[40].timer = 5;
       },
       "effect-code", "slot 40 code 134"},
      {[] {
         veyrdale::g_effectInUse[2] = 1;
         veyrdale::g_effects[2].code = 9000;
         veyrdale::g_effects[2].timer = 5;
       },
       "effect-code", "slot 2 code 9000"},
      {[] {
         veyrdale::g_effectInUse[3] = 1;
         veyrdale::g_effects[3].code = -1;
         veyrdale::g_effects[3].timer = 0;
       },
       "effect-code", "slot 3 code -1"},
      {[] {
         veyrdale::g_effectInUse[1023] = 1;
         veyrdale::g_effects[1023].code = 133;
       },
       "effect-timer", "slot 1023 timer 0"},
      {[] { veyrdale::LiveShotCount = 513; }, "live-shots", "LiveShotCount 513"},
      {[] { veyrdale::g_players[1].trailY[4] = std::numeric_limits<float>::infinity(); }, "finite",
       "p1.trailY[4] inf"},
      {[] { veyrdale::g_companions[2].vx = -std::numeric_limits<float>::infinity(); }, "finite",
       "comp2.vx -inf"},
      {[] { veyrdale::g_shots[3].x = std::numeric_limits<float>::quiet_NaN(); }, "finite",
       "shot3.x nan"},
      {[] { veyrdale::g_players[0].heading = 256; }, "heading", "player 0 heading 256"},
      {[] { veyrdale::g_players[3].state = 19; }, "state", "player 3 state 19"},
      {[] { veyrdale::IndexMisses = 1; }, "index-misses", "IndexMisses 1"},
  };
  InvariantFailure failure;
  ASSERT_FALSE(battlesim::FindBrokenInvariant(&failure)) << failure.name << ": " << failure.detail;
  for (const Case& c : cases) {
    SetUp();
    c.breakIt();
    InvariantFailure broken;
    ASSERT_TRUE(battlesim::FindBrokenInvariant(&broken)) << c.detail;
    EXPECT_EQ(broken.name, c.name);
    EXPECT_EQ(broken.detail, c.detail);
  }
}

// What the rules allow does not trip them.
TEST_F(BattleSimInvariants, AllowedStatesHold) {
  struct Case {
    void (*set)();
    const char* what;
  } cases[] = {
      {[] {
         veyrdale::g_players[1].life = -40;
         veyrdale::g_players[1].state = 10;
       },
       "life below 0 in hit-stun"},
      {[] {
         veyrdale::g_players[2].life = -1;
         veyrdale::g_players[2].state = 11;
       },
       "life below 0 in knock-back"},
      {[] {
         veyrdale::g_playerState.spellGauge[0] = 200.0f;
         veyrdale::g_playerState.spellGauge[1] = 0.0f;
       },
       "gauge at its ends"},
      {[] {
         veyrdale::g_shots[7].state = 1;
         veyrdale::g_shots[7].kind = 51;
         veyrdale::g_shots[7].move = 12;
         veyrdale::g_shots[7].stun = 2.5f;
         veyrdale::g_shots[7].owner = 4;
         veyrdale::LiveShotCount = 2;
       },
       "a neutral move-12 shot with its source's stun"},
      {[] { veyrdale::g_shots[8].x = std::numeric_limits<float>::quiet_NaN(); },
       "a free shot's leftover"},
      {[] {
         veyrdale::g_itemFlags[0] = 2;
         veyrdale::g_players[0].state = 18;
         veyrdale::g_players[0].heading = 255;
       },
       "claimed item, last state and heading"},
      {[] {
         veyrdale::g_itemFlags[3] = 2;
         veyrdale::g_items[3] = {1, 2, 0, 0, 0, 0, 0, 0, 479, 77, 0, 3};
         veyrdale::g_itemFlags[4] = 1;
         veyrdale::g_items[4].kind = 11;
         veyrdale::g_items[4].player = -9;  // a live item's player is no claim
         veyrdale::g_items[5].age = 9999;   // a free slot keeps its leftovers
       },
       "items at the ends of their ranges"},
      {[] {
         const int32_t codes[] = {0, 133, 201, 9001, 9002};
         for (int i = 0; i < 5; ++i) {
           veyrdale::g_effectInUse[i] = 1;
           veyrdale::g_effects[i].code = codes[i];
           veyrdale::g_effects[i].timer = 1;
         }
         // A free slot keeps whatever its last use left.
         veyrdale::g_effects[5].code = 7777;
       },
       "live effects of every code family, a free slot's leftover"},
  };
  for (const Case& c : cases) {
    SetUp();
    c.set();
    InvariantFailure failure;
    EXPECT_FALSE(battlesim::FindBrokenInvariant(&failure))
        << c.what << ": " << failure.name << ": " << failure.detail;
  }
}

}  // namespace
