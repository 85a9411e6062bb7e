// Shot creation: one volley of shots into the lowest free slots of the pool, each with its
// identity, side, damage record (adjusted for power-up, charge time, low life and handicap), the
// launch by the source's character and the finished motion.
#include <cstdint>

#include "game/battle/access.h"
#include "game/battle/battle.h"
#include "game/battle/directions.h"
#include "game/battle/launchers.h"
#include "game/battle/shots.h"
#include "game/core/match_setup.h"
#include "game/core/numeric.h"
#include "game/core/records.h"

namespace veyrdale {

namespace {

// Damage added while the owner is powered up, by kind x 10 + move - 1. The table is read flat, so
// a move above 10 reads the next character's row, as the game always has.
constexpr int8_t kPowerUpBonus[160] = {
    -1, 4,  -1, 8,  0, 0, 5, 0,  0, 0,  // 0
    0,  1,  1,  1,  0, 0, 0, 0,  0, 0,  // 1
    1,  4,  1,  4,  2, 0, 9, 12, 0, 0,  // 2
    -3, -4, -1, 0,  0, 0, 0, 0,  0, 0,  // 3
    0,  1,  0,  2,  0, 0, 2, 0,  0, 0,  // 4
    -1, 8,  -2, 10, 0, 0, 0, 0,  0, 0,  // 5
    4,  2,  5,  8,  0, 0, 2, 5,  0, 0,  // 6
    2,  2,  -1, 6,  0, 0, 2, 0,  0, 0,  // 7
    0,  6,  0,  8,  0, 0, 2, 0,  0, 0,  // 8
    0,  4,  4,  12, 0, 0, 2, 0,  0, 0,  // 9
    4,  6,  1,  10, 0, 0, 2, 0,  0, 0,  // 10
    1,  16, 1,  12, 0, 0, 2, 0,  0, 0,  // 11
    1,  16, 1,  4,  0, 0, 0, 0,  0, 0,  // 12
    0,  1,  1,  1,  0, 0, 0, 0,  0, 0,  // 13
    0,  0,  0,  0,  0, 0, 0, 0,  0, 0,  // 14
    2,  1,  2,  1,  0, 0, 0, 0,  0, 0,  // 15
};

// Damage added in low-life mode, by move 1-10.
constexpr int kLowLifeBonus[10] = {1, 8, 2, 10, 0, 2, 3, 0, 0, 0};

using Launcher = int (*)(BattleObject*, BattleObject*, int);

constexpr Launcher kLaunchers[16] = {
    LaunchShotChara0,  LaunchShotChara1,  LaunchShotChara2,  LaunchShotChara3,
    LaunchShotChara4,  LaunchShotChara5,  LaunchShotChara6,  LaunchShotChara7,
    LaunchShotChara8,  LaunchShotChara9,  LaunchShotChara10, LaunchShotChara11,
    LaunchShotChara12, LaunchShotChara13, LaunchShotChara14, LaunchShotChara15,
};

Launcher LauncherOf(int kind) {
  if (kind >= 0 && kind < 16) return kLaunchers[kind];
  if (kind == kNeutralKind) return LaunchShotNeutral;
  return nullptr;
}

// The damage record's fields are 16 bits wide: an adjustment that would leave the range (a
// negative bonus on small damage, a charge held far too long) stops at its end instead of
// wrapping round to a huge value.
uint16_t ClampU16(int64_t value) {
  if (value < 0) return 0;
  if (value > UINT16_MAX) return UINT16_MAX;
  return static_cast<uint16_t>(value);
}

uint16_t ClampU16(double value) {
  if (!(value >= 0.0)) return 0;  // NaN too
  if (value >= 65535.0) return UINT16_MAX;
  return static_cast<uint16_t>(value);
}

// The lowest free slot, or -1. A source that is itself a freed shot record is never overwritten
// by its own volley: its fields are still read while the new record is written.
int FreeSlot(const BattleObject* source) {
  for (int slot = 0; slot < kShotCount; ++slot) {
    if (g_shots[slot].state == 0 && &g_shots[slot] != source) return slot;
  }
  return -1;
}

// The side a shot of this owner is on: the owner, or its team in team mode 1.
float SideOf(int owner) {
  if (g_match.teamMode == 1 && owner >= 0 && owner < kPlayerCount) {
    return static_cast<float>(g_match.team[owner]);
  }
  return static_cast<float>(owner);
}

void AdjustDamageRecord(ShotDamageRecord& record, const BattleObject& source, int kind, int move,
                        int owner) {
  const bool player = owner >= 0 && owner < kPlayerCount;
  if (player && g_playerState.powerUp[owner] > 0) {
    const int index = kind * 10 + move - 1;
    if (index >= 0 && index < 160)
      record.damage = ClampU16(int64_t{record.damage} + kPowerUpBonus[index]);
    double factor = 1.0;
    if ((kind == 2 && move >= 7) || (kind == 5 && (move == 2 || move == 7))) factor = 1.5;
    if (kind == 4 && (move == 2 || move == 4 || move == 7)) factor = 1.75;
    if (factor != 1.0) record.hitRadius = ClampU16(record.hitRadius * factor);
  }
  // Charge: the longer the move was held (the source's timer counts down), the wider the shot.
  if (move == 5 && (kind == 0 || kind == 10 || kind == 5)) {
    const double held = static_cast<double>(source.stateTimer);
    double radius = record.hitRadius;
    if (kind == 0) radius += (380.0 - held) * 0.31;
    if (kind == 10) radius += (380.0 - held) * 0.38;
    if (kind == 5) radius += (394.0 - held) * 0.5;
    record.hitRadius = ClampU16(radius);
  }
  if (player && g_playerState.lowLifeMode[owner] == 1 && move >= 1 && move <= 10) {
    record.damage = ClampU16(int64_t{record.damage} + kLowLifeBonus[move - 1]);
  }
  if (player) {
    const double factor = 0.8 + 0.1 * g_match.handicap[owner];
    record.damage = ClampU16(record.damage * factor);
  }
}

}  // namespace

int HeadingBetween(float ax, float ay, float bx, float by) {
  const int direction =
      GetDirectionToPoint(TruncToInt(ax), TruncToInt(ay), TruncToInt(bx), TruncToInt(by));
  return WrapHeading(257 - direction);
}

void FinishShotMotion(BattleObject* shot, float sourceX, float sourceY) {
  shot->pushHeading = shot->heading;
  const int h = shot->heading & 255;
  shot->vx = VelocityX(h, shot->speed);
  shot->vy = VelocityY(h, shot->speed);
  // The tables leave a rounding residue across the axes; straight shots must not drift.
  if (h == 0 || h == 128) shot->vy = 0.0f;
  if (h == 64 || h == 192) shot->vx = 0.0f;
  shot->trailX[0] = sourceX - shot->vx * 2.2f;
  shot->trailY[0] = sourceY - shot->vy * 2.2f;
}

void CreateShot(BattleObject* source, int16_t move, int owner) {
  if (source == nullptr || owner < 0 || owner > kNobody) {
    ++IndexMisses;
    return;
  }
  int result = 0;
  do {
    const int slot = FreeSlot(source);
    if (slot < 0) return;  // the pool is full: the rest of the volley is dropped
    BattleObject& shot = g_shots[slot];
    const int kind = source->kind;
    shot.kind = source->kind;
    shot.move = move;
    shot.state = 1;
    shot.guard = 0;
    shot.stun = static_cast<float>(slot);
    shot.meter = SideOf(owner);
    shot.owner = static_cast<int16_t>(owner);
    shot.stateTimer = 0;
    shot.recovery = 0;
    shot.z = 0.0f;

    const MoveTableEntry& row = MoveRow(owner, move);
    ShotDamageRecord& record = g_shotDamage[slot];
    record.damage = row.damage;
    record.stunDamage = row.stunDamage;
    record.hitRadius = row.hitRadius;
    record.hitClass = static_cast<uint16_t>(row.hitClass & 0xFFFF);
    record.hitTag = row.hitTag;
    for (uint8_t& flag : ShotHitFlags[slot]) flag = 0;
    AdjustDamageRecord(record, *source, kind, move, owner);

    // These moves start from the source itself rather than where the launcher would put them.
    if ((kind == 2 && move >= 7 && move <= 9) || ((kind == 8 || kind == 11) && move == 7)) {
      shot.x = source->x;
      shot.y = source->y;
    }
    if (Launcher launch = LauncherOf(kind)) result = launch(source, &shot, result);
    if (kind == 4) {
      if (move == 5 && source->speed > 15.0f) {
        record.damage = ClampU16(int64_t{record.damage} + 72);
      }
      // A shot fired by the companion stays attached to it rather than to the owner.
      if (source->drawTag == 9999) shot.guard = 1;
    }
    FinishShotMotion(&shot, source->x, source->y);
  } while (result > 0);
}

}  // namespace veyrdale
