// The fixture of the character frame selection tests: a match of one character against
// character 1, and player 0's record and its owner's arrays written as a short row of keys.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>

#include <gtest/gtest.h>

#include "game/core/frame_state.h"
#include "game/core/input.h"
#include "game/core/records.h"
#include "game/view/view.h"
#include "morrow/recording/library_recorder.h"
#include "tests/support/battle_state.h"
#include "tools/lib/battlesupport/select_now.h"

namespace charaframetest {

using namespace veyrdale;
using testsupport::Recorder;

// A record as a row of the table writes it: s state, t state timer, h heading, a attack heading,
// z, vz, q recovery, f the flag byte, x and y; the owner's P pose, K card choice, S special
// counter, e the frames elapsed in its move (its length is set to t + e), L the length of the
// move's second phase, d 1 when it holds a direction.
struct Row {
  int character;
  const char* record;
  int cell;
};

// The landing puffs made so far: the live effects.
inline int LandingPuffs() {
  int puffs = 0;
  for (uint16_t inUse : g_effectInUse) puffs += inUse != 0 ? 1 : 0;
  return puffs;
}

class CharaFrame : public ::testing::Test {
 protected:
  void SetUp() override { Prepare(0); }
  void TearDown() override {
    testsupport::ResetBattleState();
    Recorder().Reset();
  }

  // A match of `character` against character 1, both players owning their records.
  void Prepare(int character) {
    testsupport::SetUpMatch({character, 1});
    g_players[0].owner = 0;
    g_players[1].owner = 1;
    Recorder().Reset();
  }

  // Player 0 as a row describes it.
  BattleObject& Fill(const char* text) {
    BattleObject& r = g_players[0];
    const char* c = text;
    while (*c != '\0') {
      while (*c == ' ') ++c;
      std::string key;
      while ((*c >= 'a' && *c <= 'z') || (*c >= 'A' && *c <= 'Z')) key += *c++;
      char* end;
      const double v = std::strtod(c, &end);
      EXPECT_NE(end, c) << text;
      c = end;
      const int i = static_cast<int>(v);
      if (key == "s")
        r.state = i;
      else if (key == "t")
        r.stateTimer = i;
      else if (key == "h")
        r.heading = i;
      else if (key == "a")
        r.pushHeading = i;
      else if (key == "z")
        r.z = static_cast<float>(v);
      else if (key == "vz")
        r.vz = static_cast<float>(v);
      else if (key == "q")
        r.recovery = i;
      else if (key == "f")
        r.modifierHeld = static_cast<uint8_t>(i);
      else if (key == "x")
        r.x = static_cast<float>(v);
      else if (key == "y")
        r.y = static_cast<float>(v);
      else if (key == "P")
        g_playerState.poseClass[0] = static_cast<uint16_t>(i);
      else if (key == "K")
        g_playerState.cardChoice[0] = i;
      else if (key == "S")
        g_playerState.specialMode[0] = i;
      else if (key == "d")
        HeldFrameCounts[kInputLeft][0] = i;
      else if (key == "e") {
        g_playerState.currentMove[0] = 1;
        MoveTable[1].moveLength = static_cast<uint16_t>(r.stateTimer + i);
      } else if (key == "L") {
        g_playerState.currentMove[0] = 1;
        MoveTable[1].timing = static_cast<uint16_t>(i);
      } else {
        ADD_FAILURE() << "unknown key " << key << " in " << text;
      }
    }
    return r;
  }

  // Each row's record, selected once in a fresh match, gives the row's cell.
  void ExpectCells(std::span<const Row> rows) {
    for (const Row& row : rows) {
      Prepare(row.character);
      BattleObject& player = Fill(row.record);
      EXPECT_EQ(SelectCharaFrameNow(&player, 0), row.cell)
          << "character " << row.character << ": " << row.record;
    }
  }
};

}  // namespace charaframetest
