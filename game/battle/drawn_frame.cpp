// The battle's side of a drawn frame: what the draw showed is spent and what its character frame
// selections worked out on the view's copies is taken over, right after the draw.
#include "game/battle/drawn_frame.h"

#include "game/battle/arena.h"
#include "game/battle/battle.h"
#include "game/battle/characters.h"
#include "game/core/frame_state.h"
#include "game/core/match_setup.h"
#include "game/core/numeric.h"
#include "game/core/scenario_state.h"
#include "game/core/sound_entries.h"
#include "morrow/system/time.h"

namespace veyrdale {

namespace {

constexpr int kRoundEndHold = 120;  // the frame the round ends on does not shake
constexpr int kArenaWithSunkenBlocks = 7;
constexpr int32_t kClearedCellArena7 = 44;

}  // namespace

void DrawnFrameEffects::Begin() {
  for (int p = 0; p < kPlayerCount; ++p) players[p] = g_players[p];
  stepCount = 0;
  randomDraws = 0;
}

DrawnFrameEffects::Step* DrawnFrameEffects::Add(Kind kind, int32_t value) {
  if (stepCount >= kMostSteps) return nullptr;
  Step& step = steps[stepCount++];
  step.kind = kind;
  step.value = value;
  return &step;
}

int DrawnFrameEffects::Random(int max) {
  // A step the list has no room for is not drawn later either: nor is it looked ahead at.
  if (Add(Kind::kRandom, max) == nullptr) return morrow::PeekRandomNumber(max, randomDraws);
  return morrow::PeekRandomNumber(max, randomDraws++);
}

int ScreenShakeOffset() {
  const int n = ScreenShake;
  if (n <= 0 || RoundEndFrames == kRoundEndHold) return 0;
  const double sign = n % 2 == 0 ? 1.0 : -1.0;
  return TruncToInt(sign * n * 0.5);
}

void SpendScreenShake() {
  if (ScreenShake > 0 && RoundEndFrames != kRoundEndHold) --ScreenShake;
}

void MarkDrawnRecords(int players) {
  const int count = players < 0 ? 0 : (players > kPlayerCount ? kPlayerCount : players);
  for (int p = 0; p < count; ++p) {
    g_players[p].drawTag = kTagPlayer;
    if (HasCompanion(g_players[p].kind)) g_companions[p].drawTag = kTagCompanion;
  }
  for (BattleObject& familiar : g_familiars) {
    if (familiar.state != 0) familiar.drawTag = kTagFamiliar;
  }
  for (BattleObject& shot : g_shots) {
    // Character 2's fifth move is drawn by its owner's frames, never as a shot. Most records hold
    // the tag already: only a changed one is written.
    if (shot.drawTag != kTagShot && !(shot.kind == 2 && shot.move == 5)) shot.drawTag = kTagShot;
  }
}

DrawnBlock CountedDownBlock(int index) {
  DrawnBlock block{g_arenaMap.cells[index], g_arenaMap.openTimer[index]};
  if (block.openTimer > 0) {
    --block.openTimer;
    if (block.openTimer == 0) {
      block.value = g_match.stage == kArenaWithSunkenBlocks ? kClearedCellArena7 : 0;
    }
  }
  return block;
}

void CountDownOpeningBlocks() {
  for (int index = 0; index < kMapColumns * kMapRows; ++index) {
    // Only a running countdown changes a cell; the timer is the cheaper test.
    if (g_arenaMap.openTimer[index] <= 0 || !IsBlockValue(g_arenaMap.cells[index])) continue;
    const DrawnBlock block = CountedDownBlock(index);
    g_arenaMap.cells[index] = block.value;
    g_arenaMap.openTimer[index] = block.openTimer;
  }
}

void CarryOutDrawList(int players) {
  MarkDrawnRecords(players);
  CountDownOpeningBlocks();
}

void CarryOutSelections(const DrawnFrameEffects& effects) {
  for (int i = 0; i < effects.stepCount; ++i) {
    const DrawnFrameEffects::Step& step = effects.steps[i];
    switch (step.kind) {
      case DrawnFrameEffects::Kind::kRandom:
        morrow::GetRandomNumber(step.value);
        break;
      case DrawnFrameEffects::Kind::kSound:
        PlaySoundEntry(step.value);
        break;
      case DrawnFrameEffects::Kind::kPuff:
        CreateEffect(&step.source, 0);
        break;
      case DrawnFrameEffects::Kind::kShake:
        ScreenShake = step.value;
        break;
    }
  }
  for (int p = 0; p < kPlayerCount; ++p) {
    const BattleObject& drawn = effects.players[p];
    BattleObject& player = g_players[p];
    player.heading = drawn.heading;
    player.guard = drawn.guard;
    player.x = drawn.x;
    player.y = drawn.y;
    player.z = drawn.z;
    player.vx = drawn.vx;
    player.vy = drawn.vy;
    player.vz = drawn.vz;
  }
}

void SpendFlash() {
  if (FlashFrames > 0) {
    --FlashFrames;
  } else if (FlashFrames < 0) {
    ++FlashFrames;
  }
}

void SpendDisplayCounters() {
  if (NamePlateFrames != 0) --NamePlateFrames;
  if (FadeFrames > 0) --FadeFrames;
  if (SpellFadeFrames > 0) --SpellFadeFrames;
}

}  // namespace veyrdale
