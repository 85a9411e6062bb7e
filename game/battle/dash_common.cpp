// What the dash routines share: the start of a dash (the threshold, the cost and the start
// actions of each character) and the terms the phases are written in.
#include "game/battle/access.h"
#include "game/battle/battle.h"
#include "game/battle/dash.h"
#include "game/battle/motion.h"
#include "game/battle/player_control.h"
#include "game/battle/shots.h"
#include "game/core/input.h"
#include "game/core/records.h"
#include "game/core/sound_entries.h"

namespace veyrdale::dash {

namespace {

constexpr int kNone = -1;

struct DashStart {
  int threshold;  // kNone: the cost is paid whatever the meter holds
  int cost;
  int t;
  int guard;             // kNone: unchanged
  float vz;              // 0: unchanged
  double velocityScale;  // 0: unchanged
  float backward;        // v along the heading at minus this; 0: none
  bool keepsHeadingForPush;
  bool dropsModifier;
  bool clearsSpecialMode;
  bool needsAttackReady;  // attackDelay must be 0
  int action;
  int sound;   // kNone: none
  int effect;  // kNone: none
};

// By character; the rows of 0 and 10, whose dash starts in their own routine, are never read.
constexpr DashStart kStarts[16] = {
    {kNone, 100, 0, kNone, 0.0f, 0.0, 0.0f, false, false, false, false, 0, kNone, kNone},
    {70, 130, 0, 1000, -4.0f, 0.0, 0.0f, false, false, false, false, 56, kSoundJump, 0},
    {80, 120, 26, 10, 0.0f, 0.2, 0.0f, false, false, false, false, 40, kSoundDash, kNone},
    {91, 160, 60, kNone, 0.0f, 0.2, 0.0f, false, false, false, false, 64, kNone, kNone},
    {91, 100, 48, 22, 0.0f, 0.2, 0.0f, false, false, false, false, 48, kSoundDorodoro, kNone},
    {91, 170, 102, kNone, 0.0f, 0.5, 0.0f, false, false, false, false, 80, kNone, kNone},
    {kNone, 160, 0, kNone, 0.0f, 0.0, 0.0f, false, false, true, false, 140, kNone, kNone},
    {70, 152, 0, 1000, -2.0f, 0.4, 0.0f, true, false, false, false, 80, kSoundJump, 0},
    {80, 140, 60, kNone, 0.0f, 0.2, 0.0f, false, true, false, false, 52, kNone, kNone},
    {91, 160, 80, kNone, 0.0f, 0.2, 0.0f, false, false, false, false, 80, kNone, kNone},
    {kNone, 100, 0, kNone, 0.0f, 0.0, 0.0f, false, false, false, false, 0, kNone, kNone},
    {80, 140, 72, kNone, 0.0f, 0.2, 0.0f, true, true, false, false, 52, kNone, kNone},
    {91, 170, 118, kNone, 0.0f, 0.5, 0.0f, false, false, false, false, 80, kNone, kNone},
    {91, 240, 95, kNone, 0.0f, 0.2, 0.0f, false, false, false, false, 90, kNone, kNone},
    {70, 110, 0, 1000, -3.2f, 0.0, 2.5f, true, false, false, true, 56, kSoundJump, 0},
    {160, 160, 0, kNone, 0.0f, 0.2, 0.0f, false, false, false, false, 160, kNone, 109},
};

PlayerBattleState& S() {
  return g_playerState;
}

}  // namespace

void Along(BattleObject& player, int h, float s) {
  player.vx = VelocityX(h, s);
  player.vy = VelocityY(h, s);
}

void BlendAlong(BattleObject& player, int h, float s, int w) {
  BlendVelocity(&player.vx, &player.vy, VelocityX(h, s), VelocityY(h, s), w, 1);
}

void Slow(BattleObject& player, int w) {
  BlendVelocity(&player.vx, &player.vy, 0.0f, 0.0f, w, 1);
}

void ScaleVelocity(BattleObject& player, double factor) {
  player.vx = static_cast<float>(player.vx * factor);
  player.vy = static_cast<float>(player.vy * factor);
}

bool FollowHeld(BattleObject& player, int p) {
  const int h = HeldDirection(p);
  if (h == kNoDirection) return false;
  player.heading = h;
  return true;
}

void BlendHeld(BattleObject& player, int p, float s, int w) {
  if (FollowHeld(player, p)) {
    BlendAlong(player, player.heading, s, w);
  } else {
    Slow(player, w);
  }
}

void Sound(int entry) {
  PlaySoundEntry(entry);
}

void Effect(BattleObject& player, int kind) {
  CreateEffect(&player, kind);
}

void EffectAt(const BattleObject& player, int p, float x, float y, int kind) {
  BattleObject source{};
  source.kind = player.kind;
  source.x = x;
  source.y = y;
  source.heading = player.heading;
  source.owner = static_cast<int16_t>(p);
  CreateEffect(&source, kind);
}

void Shot(BattleObject& player, int p, int move) {
  CreateShot(&player, static_cast<int16_t>(move), p);
}

bool Pressed(int input, int p) {
  return HeldFrameCounts[input][p] == 1;
}

bool ValidDasher(const BattleObject* player, int p) {
  if (player != nullptr && p >= 0 && p < kPlayerCount) return true;
  ++IndexMisses;
  return false;
}

void EndDash(BattleObject& player) {
  player.state = kStateStand;
  player.stateTimer = 0;
}

bool CountDown(BattleObject& player) {
  --player.stateTimer;
  // At or below 0, so that a timer pushed below it by hand still ends the dash.
  if (player.stateTimer > 0) return true;
  EndDash(player);
  return false;
}

bool Trigger(BattleObject& player, int p, int character) {
  if (character < 0 || character >= 16) return false;
  const DashStart& d = kStarts[character];
  if (player.state != kStateStand && player.state != kStateWalk) return false;
  if (d.threshold != kNone && player.meter < static_cast<float>(d.threshold)) return false;
  if (!Pressed(kInputButton3, p) || StoryPreFight != 0) return false;
  if (d.needsAttackReady && player.attackDelay != 0) return false;
  player.meter -= static_cast<float>(d.cost);
  player.stateTimer = d.t;
  if (d.guard != kNone) player.guard = static_cast<int16_t>(d.guard);
  if (d.vz != 0.0f) player.vz = d.vz;
  if (d.velocityScale != 0.0) ScaleVelocity(player, d.velocityScale);
  if (d.backward != 0.0f) Along(player, player.heading, -d.backward);
  if (d.keepsHeadingForPush) player.pushHeading = player.heading;
  if (d.dropsModifier) player.modifierHeld = 0;
  if (d.clearsSpecialMode) S().specialMode[p] = 0;
  S().actionTimer[p] = d.action;
  if (d.sound != kNone) Sound(d.sound);
  if (d.effect != kNone) Effect(player, d.effect);
  player.state = kStateDash;
  return true;
}

}  // namespace veyrdale::dash
