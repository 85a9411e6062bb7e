// The battle's side of a drawn frame: what the draw showed is spent and what its character frame
// selections worked out on the view's copies is taken over, right after the draw.
#include "game/battle/drawn_frame.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

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

void FailDrawnFrameGuard(int player, const char* format, ...) {
  std::fputs("drawn frame: ", stderr);
  va_list args;
  va_start(args, format);
  std::vfprintf(stderr, format, args);
  va_end(args);
  std::fprintf(stderr, " (frame %d, player %d)\n", FrameCount, player);
  std::abort();
}

void DrawnFrame::Begin(int shakeOffset, int entryCount) {
  shake = shakeOffset;
  entries = entryCount;
  for (int p = 0; p < kPlayerCount; ++p) players[p] = begun[p] = g_players[p];
  requestCount = 0;
  asked = 0;
  randomDraws = 0;
  begunOnFrame = FrameCount;
  carriedOut = false;
#ifndef NDEBUG
  generatorMark = morrow::PeekRandomNumber(kGeneratorMark, 0);
#endif
}

DrawnFrame::Request* DrawnFrame::Add(Request::Kind kind, int32_t value, int player) {
  ++asked;
  if (requestCount >= kMostRequests) return nullptr;
  Request& request = requests[requestCount++];
  request.kind = kind;
  request.value = value;
  request.player = player;
  return &request;
}

int DrawnFrame::Random(int max, int player) {
  Request* request = Add(Request::Kind::kRandom, max, player);
  // A request the list has no room for is not drawn later either: nor is it looked ahead at.
  if (request == nullptr) return morrow::PeekRandomNumber(max, randomDraws);
  request->lookedAt = morrow::PeekRandomNumber(max, randomDraws++);
  return request->lookedAt;
}

void DrawnFrame::CheckBegun() const {
#ifndef NDEBUG
  if (begunOnFrame != FrameCount || carriedOut) {
    FailDrawnFrameGuard(-1, "a selection outside a begun frame");
  }
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

namespace {

template <typename T>
bool SameBits(const T& a, const T& b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

// One field of player p copied back from the frame's copy, when a selection changed it. Debug
// builds first check that nothing else changed it since the frame began: the copy would undo
// that change, or (when no selection changed the field) keep a change the frame never saw.
template <typename T>
void CopyBack(const DrawnFrame& frame, int p, T BattleObject::*field,
              [[maybe_unused]] const char* name) {
  const T& drawn = frame.players[p].*field;
  const T& begun = frame.begun[p].*field;
  T& now = g_players[p].*field;
#ifndef NDEBUG
  if (!SameBits(now, begun)) {
    FailDrawnFrameGuard(p, "%s changed between the draw's start and the copy-back", name);
  }
#endif
  if (!SameBits(drawn, begun)) now = drawn;
}

// Debug builds: the random numbers the selections looked ahead at are still the next ones, so
// nothing drew one since the frame began; the selections' requests all found room.
void CheckBeforeReplay([[maybe_unused]] const DrawnFrame& frame) {
#ifndef NDEBUG
  if (morrow::PeekRandomNumber(DrawnFrame::kGeneratorMark, 0) != frame.generatorMark) {
    FailDrawnFrameGuard(-1, "a random number drawn between the draw's start and the copy-back");
  }
  if (frame.asked > DrawnFrame::kMostRequests) {
    FailDrawnFrameGuard(-1, "%d requests asked, the list holds %d", frame.asked,
                        DrawnFrame::kMostRequests);
  }
#endif
}

// Debug builds: the number drawn is the one the selection looked ahead at.
void CheckReplayed([[maybe_unused]] const DrawnFrame::Request& request, [[maybe_unused]] int drawn,
                   [[maybe_unused]] int index) {
#ifndef NDEBUG
  if (drawn != request.lookedAt) {
    FailDrawnFrameGuard(request.player, "random draw %d (max %d) gave %d, %d was looked ahead at",
                        index, request.value, drawn, request.lookedAt);
  }
#endif
}

}  // namespace

void CarryOutSelections(DrawnFrame& frame) {
  CheckBeforeReplay(frame);
  frame.carriedOut = true;
  int draws = 0;
  for (int i = 0; i < frame.requestCount; ++i) {
    const DrawnFrame::Request& request = frame.requests[i];
    switch (request.kind) {
      case DrawnFrame::Request::Kind::kRandom:
        CheckReplayed(request, morrow::GetRandomNumber(request.value), draws++);
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
    CopyBack(frame, p, &BattleObject::heading, "heading");
    CopyBack(frame, p, &BattleObject::guard, "guard");
    CopyBack(frame, p, &BattleObject::x, "x");
    CopyBack(frame, p, &BattleObject::y, "y");
    CopyBack(frame, p, &BattleObject::z, "z");
    CopyBack(frame, p, &BattleObject::vx, "vx");
    CopyBack(frame, p, &BattleObject::vy, "vy");
    CopyBack(frame, p, &BattleObject::vz, "vz");
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
