// The parts of the battle frame that its files share. scene.cpp runs the frame in its fixed order
// and the round around it; scene_story.cpp the story's round ends and the ending fade;
// scene_player.cpp one player's frame; scene_knockout.cpp knock-outs, the round award and the
// players out of the round.
#pragma once

#include "game/battle/battle.h"
#include "game/core/match_setup.h"
#include "game/core/records.h"

namespace veyrdale::battle_scene {

inline PlayerBattleState& S() {
  return g_playerState;
}

inline bool StoryOrSurvival() {
  return g_match.storyMode != 0 || g_match.survivalMode != 0;
}

inline void Advance(BattleObject& o) {
  o.x += o.vx;
  o.y += o.vy;
}

// Players whose power-up counts as held this frame: the spell screen stays while one is.
extern bool g_powerUpHeld[4];

// On even scene frames the position histories move one place back; element 0 takes the current
// position when `take` is set.
inline void ShiftTrails(BattleObject& o, bool take) {
  for (int i = 4; i > 0; --i) {
    o.trailX[i] = o.trailX[i - 1];
    o.trailY[i] = o.trailY[i - 1];
    o.trailZ[i] = o.trailZ[i - 1];
  }
  if (take) {
    o.trailX[0] = o.x;
    o.trailY[0] = o.y;
    o.trailZ[0] = o.z;
  }
}

// The story's round end and the ending fade, with what they ask of the scene.
BattleOutcome EndStoryRound();
BattleOutcome RunEndingFade();

// One player's frame, and the pieces of it the round end and the cut-ins use.
void UpdatePlayer(int p);
// Enters the special-move state from a power-up or at the end of a round.
void EnterSpecialMove(BattleObject& player, int p);
bool InHitReaction(const BattleObject& player);
// A player that damage outside a shot hit (a cut-in, a damage event) leaves at life 0 or less
// outside a hit reaction would never meet the knock-out test: like a shot hit on armour it enters
// hit-stun, and its next frame knocks it out. Players already knocked out are left alone.
void StunIfFinished(BattleObject& player);

// Knock-outs, the award and the players out of the round.
void KnockOutTest(BattleObject& player, int p, int fromState);
// State 13. False when the rest of the player's frame is skipped.
bool UpdateKnockedOut(BattleObject& player, int p);
// States 14-18: out of the round.
void UpdateGhost(BattleObject& player, int p);

}  // namespace veyrdale::battle_scene
