// The battle's side of a drawn frame: what the draw showed is spent and what its character frame
// selections worked out on the view's copies is taken over, right after the draw.
#include "game/battle/drawn_frame.h"

#include <cstdio>
#include <cstdlib>

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

DrawnFrame g_drawnFrame;

void FailDrawnFrameGuard(const char* what, int player) {
  std::fprintf(stderr, "drawn frame: %s (frame %d, player %d)\n", what, FrameCount, player);
  std::abort();
}

void DrawnFrame::Begin(int shakeOffset, int entryCount) {
  shake = shakeOffset;
  entries = entryCount;
  for (int p = 0; p < kPlayerCount; ++p) players[p] = g_players[p];
  requestCount = 0;
  randomDraws = 0;
  begunOnFrame = FrameCount;
}

DrawnFrame::Request* DrawnFrame::Add(Request::Kind kind, int32_t value) {
  if (requestCount >= kMostRequests) return nullptr;
  Request& request = requests[requestCount++];
  request.kind = kind;
  request.value = value;
  return &request;
}

int DrawnFrame::Random(int max) {
  // A request the list has no room for is not drawn later either: nor is it looked ahead at.
  if (Add(Request::Kind::kRandom, max) == nullptr)
    return morrow::PeekRandomNumber(max, randomDraws);
  return morrow::PeekRandomNumber(max, randomDraws++);
}

void DrawnFrame::CheckBegun() const {
#ifndef NDEBUG
  if (begunOnFrame != FrameCount) FailDrawnFrameGuard("a selection on a frame not begun", -1);
#endif
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

void CarryOutSelections(const DrawnFrame& frame) {
  for (int i = 0; i < frame.requestCount; ++i) {
    const DrawnFrame::Request& request = frame.requests[i];
    switch (request.kind) {
      case DrawnFrame::Request::Kind::kRandom:
        morrow::GetRandomNumber(request.value);
        break;
      case DrawnFrame::Request::Kind::kSound:
        PlaySoundEntry(request.value);
        break;
      case DrawnFrame::Request::Kind::kPuff:
        CreateEffect(&request.source, 0);
        break;
      case DrawnFrame::Request::Kind::kShake:
        ScreenShake = request.value;
        break;
    }
  }
  for (int p = 0; p < kPlayerCount; ++p) {
    const BattleObject& drawn = frame.players[p];
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
