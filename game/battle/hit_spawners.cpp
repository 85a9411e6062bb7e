// The spawners of the hit effects: the four rings, the spark, the scatter of sparks in the second
// pool, the damage event and the beam.
//
// Positions and speeds stay in float as the game computes them; random numbers are drawn one
// statement at a time, each piece's heading before its speed and a centre's heading after all the
// pieces, so that a seeded battle replays exactly.
#include <cstdint>

#include "game/battle/access.h"
#include "game/battle/battle.h"
#include "game/battle/directions.h"
#include "game/battle/effects.h"
#include "game/battle/hit_effects.h"
#include "game/battle/shots.h"
#include "game/core/data_files.h"
#include "game/core/match_setup.h"
#include "game/core/numeric.h"
#include "game/core/records.h"
#include "morrow/system/time.h"

namespace veyrdale {

namespace {

constexpr int kRingPieces = 8;
constexpr int kEvenHandicap = 2;

int R(int max) {
  return morrow::GetRandomNumber(max);
}

bool AllEffects() {
  return g_options.effectLevel == 0;
}

struct Point {
  float x;
  float y;
};

Point Midpoint(const BattleObject& a, const BattleObject& b) {
  return {(a.x + b.x) / 2.0f, (a.y + b.y) / 2.0f};
}

// What a spawner writes into a record: code, timer, position, velocity and heading. The other
// fields keep what the record held.
struct Laid {
  int32_t code;
  int32_t timer;
  float x;
  float y;
  float vx;
  float vy;
  int32_t heading;
};

void Write(EffectRecord& e, const Laid& l) {
  e.code = l.code;
  e.timer = l.timer;
  e.x = l.x;
  e.y = l.y;
  e.vx = l.vx;
  e.vy = l.vy;
  e.heading = l.heading;
}

void Lay(int slot, const Laid& l) {
  g_effectInUse[slot] = 1;
  Write(g_effects[slot], l);
}

// Piece k of a burst around (x, y): heading 32k + R(31), then the speed, then the position one step
// of that speed out from the point.
Laid Piece(int k, float x, float y, int32_t code, int32_t timer, float (*speed)()) {
  const int h = WrapHeading(int64_t{32} * k + R(31));
  const float s = speed();
  const float vx = CosOf(h) * s / 256.0f;
  const float vy = NegSinOf(h) * s / 256.0f;
  return {code, timer, x + vx, y + vy, vx, vy, h};
}

float Speed6() {
  return 6.0f;
}
float SpeedWide() {
  return 0.5f + 0.21875f * static_cast<float>(R(32));
}
float SpeedNarrow() {
  return 0.5f + 0.15625f * static_cast<float>(R(32));
}

enum class Height { kOfA, kOfB, kNone };

struct RingMember {
  float (*speed)();
  int32_t pieceCode;
  int32_t pieceTimer;
  Height height;
  bool centreHeadingDrawn;  // R(255), else 0
  int32_t centreCode;       // for ring D the owner's character may change it
  int32_t centreTimer;
};

constexpr RingMember kRingA{Speed6, 2, 12, Height::kOfA, false, 3, 25};
constexpr RingMember kRingB{SpeedWide, 5, 16, Height::kOfB, true, 7, 16};
constexpr RingMember kRingC{SpeedWide, 32, 24, Height::kNone, true, 8, 24};
constexpr RingMember kRingD{SpeedNarrow, 5, 16, Height::kNone, true, 4, 16};

void SpawnRing(const BattleObject& a, const BattleObject& b, const RingMember& m, bool pieces) {
  const Point mid = Midpoint(a, b);
  float y = mid.y;
  if (m.height == Height::kOfA) y = mid.y + a.z;
  if (m.height == Height::kOfB) y = mid.y + b.z;
  int k = 0;
  for (int slot = 0; slot < kEffectCount; ++slot) {
    if (g_effectInUse[slot] != 0) continue;
    g_effects[slot].flag = 0;
    if (k == kRingPieces) {
      const int32_t heading = m.centreHeadingDrawn ? R(255) : 0;
      Lay(slot, {m.centreCode, m.centreTimer, mid.x, y, 0.0f, 0.0f, heading});
      return;
    }
    if (pieces) Lay(slot, Piece(k, mid.x, y, m.pieceCode, m.pieceTimer, m.speed));
    ++k;
  }
}

// The damage of a hit from record a: its shot slot's, none for a record outside the shot pool.
uint16_t DamageOf(const BattleObject* a) {
  const int slot = ShotSlotOf(a);
  return slot < 0 ? 0 : g_shotDamage[slot].damage;
}

int32_t HandicapOf(int owner) {
  return PlayerOrNull(owner) == nullptr ? kEvenHandicap : g_match.handicap[owner];
}

}  // namespace

void SpawnHitRingA(BattleObject* a, BattleObject* b) {
  if (a == nullptr || b == nullptr) return;
  SpawnRing(*a, *b, kRingA, AllEffects());
}

void SpawnHitRingB(BattleObject* a, BattleObject* b) {
  if (a == nullptr || b == nullptr) return;
  SpawnRing(*a, *b, kRingB, AllEffects());
}

void SpawnHitRingC(BattleObject* a, BattleObject* b) {
  if (a == nullptr || b == nullptr) return;
  SpawnRing(*a, *b, kRingC, AllEffects());
}

void SpawnHitRingD(BattleObject* a, BattleObject* b) {
  if (a == nullptr || b == nullptr) return;
  RingMember member = kRingD;
  // A neutral shot's owner is no player: its centre keeps the common code.
  const BattleObject* owner = PlayerOrNull(a->owner);
  if (owner != nullptr && (owner->kind == 8 || owner->kind == 14)) member.centreCode = 28;
  SpawnRing(*a, *b, member, AllEffects() && a->kind != 99);
}

void SpawnHitSpark(BattleObject* a, BattleObject* b) {
  if (a == nullptr || b == nullptr || !AllEffects()) return;
  const int slot = TakeFreeEffectSlot();
  if (slot < 0) return;
  const Point mid = Midpoint(*a, *b);
  Lay(slot, {6, 12, mid.x, mid.y + a->z, 0.0f, 0.0f, R(255)});
}

void SpawnDamageEffect(BattleObject* a, BattleObject* b, int n) {
  if (a == nullptr || b == nullptr) return;
  const int slot = TakeFreeEffectSlot();
  if (slot < 0) return;
  const Point mid = Midpoint(*a, *b);
  const double d = DamageOf(a);
  const double handicap = HandicapOf(b->owner);
  Lay(slot, {SaturateToInt(int64_t{9000} + n), 9000, mid.x, mid.y, 0.0f, 0.0f, b->owner});
  EffectRecord& e = g_effects[slot];
  e.player = a->owner;
  e.aux = static_cast<float>(d + d * 0.1 * (2.0 - handicap));
}

void SpawnScatterSparks(BattleObject* a, BattleObject* b) {
  if (a == nullptr || b == nullptr) return;
  const Point mid = Midpoint(*a, *b);
  const int dx = R(320) - 160;
  const int dy = R(320) - 160;
  const float qx = mid.x + static_cast<float>(dx);
  const float qy = mid.y + static_cast<float>(dy);
  int i = 0;
  for (EffectRecord& e : g_secondEffects) {
    if (e.timer != 0) continue;
    if (i < kRingPieces) {
      if (AllEffects()) Write(e, Piece(i, qx, qy, 0, 12, Speed6));
    } else if (i == kRingPieces) {
      Write(e, {1, 25, qx, qy, 0.0f, 0.0f, 0});
    } else {
      Write(e, {2, 12, qx, qy, 0.0f, 0.0f, R(255)});
      return;
    }
    ++i;
  }
}

void SpawnBigHitEffect(BattleObject* a, BattleObject* b) {
  if (a == nullptr || b == nullptr) return;
  const int slot = TakeFreeEffectSlot();
  if (slot < 0) return;
  const bool same = a == b || (a->stun == b->stun && a->x == b->x && a->y == b->y);
  float endX = b->x;
  int32_t endY = TruncToInt(b->y - 6.0f);
  if (same) {
    endX = b->x + CosOf(b->heading) * 900.0f / 256.0f;
    endY = TruncToInt(b->y + NegSinOf(b->heading) * 900.0f / 256.0f);
  }
  Lay(slot, {120, 64, a->x, a->y - 6.0f, 0.0f, 0.0f, endY});
  g_effects[slot].z = endX;
}

}  // namespace veyrdale
