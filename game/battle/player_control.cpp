// The routines that move a player under its own control (walking, facing, the modifier's burst,
// the spell-card and special-move triggers, the dash and the motion step), the two hit reactions
// (hit-stun and knock-back) and the three hand-overs other routines call: a player's shots turned
// into items, other players' shots taken over, and the slowing of nearby opponents.
#include <cstdint>
#include <initializer_list>

#include "game/battle/access.h"
#include "game/battle/battle.h"
#include "game/battle/characters.h"
#include "game/battle/dash.h"
#include "game/battle/directions.h"
#include "game/battle/motion.h"
#include "game/battle/player_control.h"
#include "game/battle/shots.h"
#include "game/core/frame_state.h"
#include "game/core/input.h"
#include "game/core/match_setup.h"
#include "game/core/numeric.h"
#include "game/core/records.h"
#include "game/core/sound_entries.h"

namespace veyrdale {

namespace {

struct WalkSpeed {
  float base;
  float powerUpBonus;
};

constexpr WalkSpeed kWalkSpeeds[16] = {
    {3.5f, 0.75f}, {3.0f, -0.5f}, {4.0f, 1.5f}, {3.2f, 0.0f}, {4.0f, 0.5f}, {3.5f, 0.5f},
    {3.8f, 0.5f},  {2.8f, -1.3f}, {4.2f, 1.6f}, {2.7f, 0.0f}, {3.8f, 0.5f}, {4.2f, 1.5f},
    {3.5f, 0.5f},  {3.5f, 0.5f},  {3.5f, 0.5f}, {3.5f, 0.5f},
};

// A player's dash routine, by character; characters 0 and 10 share one.
void (*const kDashRoutines[16])(BattleObject*, int) = {
    UpdateDashChara0,  UpdateDashChara1,  UpdateDashChara2,  UpdateDashChara3,
    UpdateDashChara4,  UpdateDashChara5,  UpdateDashChara6,  UpdateDashChara7,
    UpdateDashChara8,  UpdateDashChara9,  UpdateDashChara0,  UpdateDashChara11,
    UpdateDashChara12, UpdateDashChara13, UpdateDashChara14, UpdateDashChara15,
};

constexpr int kSlowRadius = 72;
constexpr int kSlowFrames = 64;

PlayerBattleState& S() {
  return g_playerState;
}

int Held(Input input, int p) {
  return HeldFrameCounts[input][p];
}

bool ValidPlayer(const BattleObject* player, int p) {
  if (player != nullptr && p >= 0 && p < kPlayerCount) return true;
  ++IndexMisses;
  return false;
}

void Advance(BattleObject& o) {
  o.x += o.vx;
  o.y += o.vy;
}

// The velocity of `speed` pixels a frame along a heading; components of magnitude below 1 (those
// that truncate to 0) become exactly 0.
void PushAlong(BattleObject& o, int heading, float speed) {
  o.vx = CosOf(heading) * speed / 256.0f;
  o.vy = NegSinOf(heading) * speed / 256.0f;
  if (TruncToInt(o.vx) == 0) o.vx = 0.0f;
  if (TruncToInt(o.vy) == 0) o.vy = 0.0f;
}

float Magnitude(float v) {
  return v < 0.0f ? -v : v;
}

// Special move with value v: only with a full gauge and no power-up running.
bool EnterSpecialMove(BattleObject& player, int p, int32_t value) {
  if (S().spellGauge[p] < 100.0f || S().powerUp[p] != 0) return false;
  player.state = kStateSpecialMove;
  player.stateTimer = 0;
  S().specialMode[p] = value;
  return true;
}

bool IsOneOf(int value, std::initializer_list<int> values) {
  for (int v : values) {
    if (v == value) return true;
  }
  return false;
}

// Walking, facing and the modifier's burst.
void Walk(BattleObject& player, int p, float speed, int weight) {
  const int h = HeldDirection(p);
  float tx = 0.0f;
  float ty = 0.0f;
  if (h != kNoDirection) {
    if (player.state < kStateAttackStanding) player.state = kStateWalk;
    tx = CosOf(h) * speed / 256.0f;
    // Straight left or right: the table's sine of a half turn is not quite 0.
    ty = (h == 0 || h == 128) ? 0.0f : NegSinOf(h) * speed / 256.0f;
  } else if (player.state == kStateWalk) {
    player.state = kStateStand;
    player.stateTimer = 0;
  }
  if (player.state == kStateSpecialMove) {
    const double scale = player.kind == 0   ? 0.9
                         : player.kind == 5 ? 0.75
                         : player.kind == 9 ? 1.0
                                            : 0.85;
    tx = static_cast<float>(tx * scale);
    ty = static_cast<float>(ty * scale);
  }
  if (S().slowTimer[p] > 0) {
    tx *= 0.5f;
    ty *= 0.5f;
  }
  if (player.rooted == 1) {
    tx = ty = 0.0f;
  } else if (h != kNoDirection) {
    player.heading = h;
  }
  // Character 11 slides through the middle of its standing pose's attacks.
  const bool keepsVelocity =
      player.kind == 11 && S().poseClass[p] == 0 &&
      IsOneOf(player.state,
              {kStateAttackStanding, kStateAttackMoving, kStateFollowThrough,
               kStateGhostAttackStanding, kStateGhostAttackMoving, kStateGhostFollowThrough}) &&
      player.stateTimer >= 32 && player.stateTimer <= 48;
  if (!keepsVelocity) BlendVelocity(&player.vx, &player.vy, tx, ty, weight + 5, 1);
  if (player.state < kStateAttackStanding && Held(kInputButton4, p) == 1) {
    player.vx = static_cast<float>(tx * 0.8);
    player.vy = static_cast<float>(ty * 0.8);
  }
}

// The spell-card button, with and without the modifier.
void SpellButton(BattleObject& player, int p) {
  const int c = player.kind;
  if (player.modifierHeld == 1) {
    if (c == 1) {
      EnterSpecialMove(player, p, 0);
    } else if (IsOneOf(c, {5, 7, 11, 12, 14})) {
      EnterSpecialMove(player, p, 5000);
    } else if (c == 13) {
      if (EnterSpecialMove(player, p, 0)) SlowMotionFrames = 16;
    } else {
      StartSpellCard(&player, p, 1);
    }
    return;
  }
  if (IsOneOf(c, {4, 6, 7, 11, 12, 14})) {
    EnterSpecialMove(player, p, 0);
  } else if (c == 9 || c == 13) {
    EnterSpecialMove(player, p, 5000);
  } else {
    StartSpellCard(&player, p, 0);
  }
}

bool PressedTogether(int p) {
  const int b1 = Held(kInputButton1, p);
  const int b2 = Held(kInputButton2, p);
  return b1 >= 1 && b1 <= 3 && b2 >= 1 && b2 <= 3;
}

// Buttons 1 and 2 together. False when the control frame ends here.
bool BothButtons(BattleObject& player, int p) {
  switch (player.kind) {
    case 3:
      if (player.life <= 175) EnterSpecialMove(player, p, 0);
      return true;
    case 5:
      if (player.life <= 80) {
        EnterSpecialMove(player, p, 6666);
        CreateEffect(&player, 19);
      }
      return true;
    case 6:
      EnterSpecialMove(player, p, 5000);
      return true;
    case 15:
      EnterSpecialMove(player, p, 8000);
      return true;
    default:
      return StartSpecialSpellCard(&player, p) != 1;
  }
}

bool TriggersOpen() {
  return RoundFrame > 280 && RoundEndFrames == 0;
}

}  // namespace

int DirectionOf(bool up, bool down, bool left, bool right) {
  if (up && !down) return left ? 96 : (right ? 32 : 64);
  if (down && !up) return left ? 160 : (right ? 224 : 192);
  // Level: left and right together cancel, as up and down do.
  if (left && !right) return 128;
  if (right && !left) return 0;
  return kNoDirection;
}

int HeldDirection(int p) {
  if (p < 0 || p >= kPlayerCount) return kNoDirection;
  return DirectionOf(Held(kInputUp, p) > 0, Held(kInputDown, p) > 0, Held(kInputLeft, p) > 0,
                     Held(kInputRight, p) > 0);
}

float WalkingSpeed(int character, bool poweredUp) {
  if (character < 0 || character >= 16) return 0.0f;
  const WalkSpeed& w = kWalkSpeeds[character];
  return poweredUp ? w.base + w.powerUpBonus : w.base;
}

void UpdatePlayerControl(BattleObject* player, int p) {
  if (!ValidPlayer(player, p)) return;
  BattleObject& self = *player;
  const int character = self.kind;
  // The held flag cleared; low life mode for the characters that have one.
  S().heldFlag[p] = 0;
  if (HasLowLifeMode(character) && S().lowLifeMode[p] == 0 && self.life < 80)
    S().lowLifeMode[p] = 1;
  // The walking speed and weight: faster with the modifier held, heavier for a powered-up
  // character 6.
  const bool poweredUp = S().powerUp[p] > 0;
  float speed = WalkingSpeed(character, poweredUp);
  int weight = 0;
  if (character != 5 && self.state == kStateSpecialMove) self.modifierHeld = 0;
  if (self.modifierHeld == 1) {
    speed *= 1.5f;
    weight = 5;
  }
  if (character == 6 && poweredUp) weight += 10;
  // Walking, unless dashing or before the story's fight starts.
  if (self.state != kStateDash && StoryPreFight == 0) Walk(self, p, speed, weight);
  // The spell button and both buttons together, once the attack delay is over and while the
  // controls are not reversed.
  if (self.attackDelay == 0 && ReversedControlsActive == 0) {
    if (Held(kInputButton5, p) == 1 && self.state <= kStateWalk && TriggersOpen()) {
      SpellButton(self, p);
    }
    if (PressedTogether(p) && self.state <= kStateAttackMoving && TriggersOpen()) {
      if (!BothButtons(self, p)) return;
    }
  }
  // A special move takes the rest of the frame.
  if (self.state == kStateSpecialMove) return;
  // The character's dash, outside the round's opening 280 frames.
  if (RoundFrame > 280 || RoundFrame < 0) {
    if (character < 16) {
      kDashRoutines[character](player, p);
    } else {
      ++IndexMisses;  // no such character: no dash
    }
  }
  // Creeping speeds stop, the player moves, and the walk's timer counts.
  if (Magnitude(self.vx) < 0.1f) self.vx = 0.0f;
  if (Magnitude(self.vy) < 0.1f) self.vy = 0.0f;
  Advance(self);
  if (self.state <= kStateWalk) ++self.stateTimer;
}

void UpdateHitStun(BattleObject* player, int p) {
  if (!ValidPlayer(player, p)) return;
  BattleObject& self = *player;
  const bool slowed = S().slowTimer[p] > 0;
  if (self.stateTimer == 16) self.guard = 2;
  // A slowed player's timer moves on every fourth frame only.
  if (self.stateTimer > 0 && (!slowed || S().slowTimer[p] % 4 == 0)) --self.stateTimer;
  if (self.stateTimer == 0 && self.speed < 1.0f && self.z >= 0.0f) self.state = kStateStand;
  if (self.stateTimer < 12) {
    if (self.speed < 0.1f) {
      self.speed = 0.0f;
    } else {
      self.speed = static_cast<float>(self.speed * (slowed ? 0.94 : 0.91));
    }
    PushAlong(self, self.pushHeading, self.speed < 10.0f ? self.speed : 10.0f);
  } else {
    // The first four frames of a hit hold the player still.
    self.vx = self.vy = 0.0f;
  }
  if (self.z < 0.0f) {
    self.vz = static_cast<float>(self.vz + 0.1);
    self.z += self.vz;
    if (self.z > 0.0f) self.z = 0.0f;
  }
  Advance(self);
}

void UpdateKnockBack(BattleObject* player, int p) {
  if (!ValidPlayer(player, p)) return;
  BattleObject& self = *player;
  self.guard = 1000;
  if (S().heldFlag[p] == 1) {
    // Carried by a shot: it moves along, nothing else runs.
    PushAlong(self, self.pushHeading, self.speed < 10.5f ? self.speed : 10.5f);
    Advance(self);
    return;
  }
  if (self.z <= 8.0f) {
    self.vz = static_cast<float>(self.vz + 0.2);
    self.z += self.vz;
    PushAlong(self, self.pushHeading, self.speed < 10.0f ? self.speed : 10.0f);
    Advance(self);
    if (self.z > 8.0f) {
      CreateEffect(&self, 0);
      PlaySoundEntry(kSoundDown);
      self.speed = 0.0f;
      if (self.kind == 12) {
        const float y = self.y;
        self.y = y + 14.0f;
        CreateEffect(&self, 74);
        self.y = y;
      }
    }
    if (self.vz >= -1.0f) S().airborne[p] = 0;
    if (FreezeFrames == 0) ++self.recovery;
    return;
  }
  // Lying. A lying time that was already used up gets the player up at once rather than never.
  --self.stateTimer;
  if (self.stateTimer <= 0) {
    S().recoveryGuard[p] = 90;
    self.guard = 90;
    self.state = kStateStand;
    self.z = 0.0f;
    self.recovery = 0;
  }
  for (float* v : {&self.vx, &self.vy}) {
    *v = Magnitude(*v) < 0.1f ? 0.0f : static_cast<float>(*v * 0.6);
    if (Magnitude(*v) < 1.0f) *v = 0.0f;
  }
  BlendVelocity(&self.vx, &self.vy, 0.0f, 0.0f, 5, 1);
  Advance(self);
}

void ApplyReleaseRules(int owner, int move, int32_t carried) {
  BattleObject* player = PlayerOrNull(owner);
  if (player == nullptr) return;
  if (OwnerRidesShot(player->kind, move)) {
    player->stateTimer = 100;
    player->vz = -3.0f;
    player->vx = VelocityX(player->heading, -4.0f);
    player->vy = VelocityY(player->heading, -4.0f);
  } else if (ShotCarriesPlayer(player->kind, move)) {
    BattleObject* held = PlayerOrNull(carried);
    if (held == nullptr) return;
    held->pushHeading = WrapHeading(static_cast<int64_t>(held->pushHeading) + 128);
    S().heldFlag[carried] = 0;
  }
}

void RemovePlayerShots(int p) {
  if (p < 0 || p >= kPlayerCount) {
    ++IndexMisses;
    return;
  }
  for (BattleObject& shot : g_shots) {
    if (shot.state != 1 || shot.owner != p) continue;
    shot.state = 0;
    CreateItem(TruncToInt(shot.x), TruncToInt(shot.y), 1, 1, p);
    ApplyReleaseRules(p, shot.move, shot.recovery);
  }
}

void ConvertOtherShots(int p) {
  if (p < 0 || p >= kPlayerCount) {
    ++IndexMisses;
    return;
  }
  // Chosen before the pass, so the shots the pass makes are never taken over again.
  bool convert[kShotCount];
  for (int slot = 0; slot < kShotCount; ++slot) {
    convert[slot] = g_shots[slot].state == 1 && g_shots[slot].owner != p;
  }
  for (int slot = 0; slot < kShotCount; ++slot) {
    if (!convert[slot]) continue;
    BattleObject& shot = g_shots[slot];
    const int oldOwner = shot.owner;
    const int move = shot.move;
    const int32_t carried = shot.recovery;
    shot.kind = 6;
    CreateShot(&shot, 9, p);
    shot.state = 0;
    ApplyReleaseRules(oldOwner, move, carried);
  }
}

void SlowNearbyOpponents(int p) {
  const BattleObject* slower = PlayerOrNull(p);
  if (slower == nullptr) return;
  const int inPlay = PlayersInPlay();
  for (int q = 0; q < inPlay; ++q) {
    if (q == p) continue;
    const BattleObject& other = g_players[q];
    if (other.state >= kStateKnockedOut) continue;
    if (g_match.teamMode == 1 && g_match.team[q] == g_match.team[p]) continue;
    if (S().slowTimer[q] > 0) continue;
    if (CheckCircleHit(other.x, other.y, slower->x, slower->y, kSlowRadius)) {
      S().slowTimer[q] = kSlowFrames;
    }
  }
}

}  // namespace veyrdale
