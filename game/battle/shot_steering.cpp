// Shot steering: speed scaling, homing inside an angular window, turning toward a stored point or
// the nearest target by a limited angle, aiming at once, and the slow-down, spin and new aim of a
// retargeting shot. Each windowed operation acts only while t0 < age < t1.
#include <cstdint>
#include <cstdlib>

#include "game/battle/access.h"
#include "game/battle/battle.h"
#include "game/battle/directions.h"
#include "game/battle/motion.h"
#include "game/battle/shots.h"
#include "game/core/match_setup.h"
#include "game/core/numeric.h"
#include "game/core/records.h"

namespace veyrdale {

namespace {

// The farthest a target may be (squared) to be chosen at all.
constexpr int kNoTargetDistance = 999999;

bool InWindow(const BattleObject& shot, int t0, int t1) {
  return t0 < shot.stateTimer && shot.stateTimer < t1;
}

// The hit flags of the shot's slot; a record outside the pool has none set.
const uint8_t* HitFlagsOf(const BattleObject& shot) {
  static const uint8_t kNone[kPlayerCount] = {};
  const int slot = ShotSlotOf(&shot);
  if (slot < 0) {
    ++IndexMisses;
    return kNone;
  }
  return ShotHitFlags[slot];
}

// A player the shot may still go for: an enemy in the round that it has not hit yet.
bool IsTarget(const BattleObject& shot, const uint8_t* flags, int p) {
  return IsEnemyOfShot(shot, p) && g_players[p].state < 13 && flags[p] == 0;
}

int SquaredDistanceTo(const BattleObject& from, const BattleObject& to) {
  return GetSquaredDistance(TruncToInt(from.x), TruncToInt(from.y), TruncToInt(to.x),
                            TruncToInt(to.y));
}

// The nearest target player, the earlier one on a tie; -1 when there is none.
int NearestTarget(const BattleObject& shot) {
  const uint8_t* flags = HitFlagsOf(shot);
  int best = kNoTargetDistance;
  int chosen = -1;
  const int inPlay = PlayersInPlay();
  for (int p = 0; p < inPlay; ++p) {
    if (!IsTarget(shot, flags, p)) continue;
    const int distance = SquaredDistanceTo(shot, g_players[p]);
    if (distance < best) {
      best = distance;
      chosen = p;
    }
  }
  return chosen;
}

// The shared search of the two windowed homings: the nearest candidate whose direction lies
// within `window` of the current heading, measured across the 0/256 seam for this player alone.
template <typename Candidate>
void HomeInWindow(BattleObject* object, int16_t wOld, int16_t wNew, int16_t window,
                  Candidate isCandidate) {
  int best = kNoTargetDistance;
  int chosen = object->heading;
  const int64_t heading = object->heading;
  const int half = window / 2;
  const int inPlay = PlayersInPlay();
  for (int p = 0; p < inPlay; ++p) {
    if (!isCandidate(p)) continue;
    const BattleObject& player = g_players[p];
    const int h = HeadingBetween(object->x, object->y, player.x, player.y);
    const bool acrossSeam =
        (heading > 256 - half && h < half) || (heading < half && h > 256 - half);
    const int64_t offset = acrossSeam ? 256 : 0;
    const int64_t diff = std::llabs(offset - h + heading) % 256;
    if (diff >= window) continue;
    const int distance = SquaredDistanceTo(*object, player);
    if (distance < best) {
      best = distance;
      chosen = h;
    }
  }
  object->heading = chosen;
  BlendVelocity(&object->vx, &object->vy, VelocityX(chosen, object->speed),
                VelocityY(chosen, object->speed), wOld, wNew);
}

// Turns the velocity toward heading h by at most maxTurn steps: straight toward it when it lies
// within the limit, else by the limit on the side that points more toward (towardX, towardY).
void TurnLimited(BattleObject* shot, int h, float towardX, float towardY, int16_t wOld,
                 int16_t wNew, int16_t maxTurn) {
  const float vx = shot->vx;
  const float vy = shot->vy;
  const float dx = VelocityX(h, shot->speed);
  const float dy = VelocityY(h, shot->speed);
  const float c = CosOf(maxTurn) / 256.0f;
  const float s = NegSinOf(maxTurn) / 256.0f;
  const float r1x = c * vx - s * vy;
  const float r1y = s * vx + c * vy;
  const float r2x = c * vx + s * vy;
  const float r2y = c * vy - s * vx;
  float nx = vx;
  float ny = vy;
  if (r1x * vx + r1y * vy < dx * vx + dy * vy) {
    BlendVelocity(&nx, &ny, dx, dy, 16, 1);
  } else {
    const float deltaX = towardX - shot->x;
    const float deltaY = towardY - shot->y;
    const bool firstCloser = deltaX * r2x + deltaY * r2y < deltaX * r1x + deltaY * r1y;
    nx = firstCloser ? r1x : r2x;
    ny = firstCloser ? r1y : r2y;
  }
  BlendVelocity(&shot->vx, &shot->vy, nx, ny, wOld, wNew);
  shot->heading = HeadingBetween(0.0f, 0.0f, static_cast<float>(TruncToInt(shot->vx)),
                                 static_cast<float>(TruncToInt(shot->vy)));
}

// The owner's record, or null for nobody.
const BattleObject* OwnerOf(const BattleObject& shot) {
  const int owner = ShotOwnerIndex(shot);
  return owner >= 0 ? &g_players[owner] : nullptr;
}

int TeamOf(int p) {
  return p >= 0 && p < kPlayerCount ? g_match.team[p] : -1;
}

}  // namespace

void ScaleShotSpeed(BattleObject* shot, float factor, int t0, int t1) {
  if (shot == nullptr || !InWindow(*shot, t0, t1)) return;
  shot->vx *= factor;
  shot->vy *= factor;
  shot->speed *= factor;
}

void HomeShotInWindow(BattleObject* shot, int t0, int t1, int16_t wOld, int16_t wNew,
                      int16_t window) {
  if (shot == nullptr || !InWindow(*shot, t0, t1)) return;
  const uint8_t* flags = HitFlagsOf(*shot);
  HomeInWindow(shot, wOld, wNew, window, [&](int p) { return IsTarget(*shot, flags, p); });
}

void HomeObjectInWindow(BattleObject* object, int t0, int t1, int16_t wOld, int16_t wNew,
                        int16_t window) {
  if (object == nullptr || !InWindow(*object, t0, t1)) return;
  const int owner = object->owner;
  HomeInWindow(object, wOld, wNew, window, [&](int p) {
    if (g_match.teamMode == 0 && p == owner) return false;
    if (g_match.teamMode == 1 && g_match.team[p] == TeamOf(owner)) return false;
    return g_players[p].state < 13;
  });
}

void AimShotAtPoint(BattleObject* shot, int t0, int t1, int16_t wOld, int16_t wNew) {
  if (shot == nullptr || !InWindow(*shot, t0, t1)) return;
  const int h = HeadingBetween(shot->x, shot->y, static_cast<float>(PackedPointX(shot->recovery)),
                               static_cast<float>(PackedPointY(shot->recovery)));
  shot->heading = h;
  BlendVelocity(&shot->vx, &shot->vy, VelocityX(h, shot->speed), VelocityY(h, shot->speed), wOld,
                wNew);
}

void TurnShotToPoint(BattleObject* shot, int t0, int t1, int16_t wOld, int16_t wNew,
                     int16_t maxTurn) {
  if (shot == nullptr || !InWindow(*shot, t0, t1)) return;
  const float px = static_cast<float>(PackedPointX(shot->recovery));
  const float py = static_cast<float>(PackedPointY(shot->recovery));
  TurnLimited(shot, HeadingBetween(shot->x, shot->y, px, py), px, py, wOld, wNew, maxTurn);
}

void HomeShotTurnLimited(BattleObject* shot, int t0, int t1, int16_t wOld, int16_t wNew,
                         int16_t maxTurn) {
  if (shot == nullptr || !InWindow(*shot, t0, t1)) return;
  const int target = NearestTarget(*shot);
  if (target >= 0) {
    const BattleObject& player = g_players[target];
    TurnLimited(shot, HeadingBetween(shot->x, shot->y, player.x, player.y), player.x, player.y,
                wOld, wNew, maxTurn);
    return;
  }
  // With nobody to go for, the turn leans toward the owner (a shot of nobody leans nowhere).
  const BattleObject* owner = OwnerOf(*shot);
  const BattleObject& toward = owner != nullptr ? *owner : *shot;
  TurnLimited(shot, shot->heading, toward.x, toward.y, wOld, wNew, maxTurn);
}

void RetargetShot(BattleObject* shot, int t, float speed, int16_t mode, int16_t d) {
  if (shot == nullptr) return;
  int chosen = shot->pushHeading;
  const int64_t spinStart = static_cast<int64_t>(t) - d;
  if (shot->stateTimer < spinStart) {
    const float decay = mode >= 1 ? 0.95f : 0.97f;
    shot->vx *= decay;
    shot->vy *= decay;
    shot->pushHeading = shot->heading;
  }
  const BattleObject* owner = OwnerOf(*shot);
  const MarkerPoint* marker = owner != nullptr ? &g_markerPoints[ShotOwnerIndex(*shot)] : nullptr;
  const bool markerSet = marker != nullptr && marker->timer > 0;
  if (shot->stateTimer < t) {
    // A marker set by the owner calls the shot round at once.
    if (markerSet) shot->stateTimer = t;
    if (shot->stateTimer >= spinStart) {
      shot->vx = 0.0f;
      shot->vy = 0.0f;
      const int64_t spin = 8 * (static_cast<int64_t>(shot->stateTimer) - spinStart);
      shot->heading = WrapHeading(shot->heading + spin);
    }
  }
  if (shot->stateTimer != t) return;
  if (mode == 0 || mode == 2) {
    const int target = NearestTarget(*shot);
    if (target >= 0) {
      chosen = HeadingBetween(shot->x, shot->y, g_players[target].x, g_players[target].y);
    }
  } else if (mode == 1) {
    // A shot of nobody has no marker and no owner: it measures to itself.
    const float x = markerSet ? marker->x : (owner != nullptr ? owner->x : shot->x);
    const float y = markerSet ? marker->y : (owner != nullptr ? owner->y : shot->y);
    chosen = HeadingBetween(shot->x, shot->y, x, y);
  }
  shot->heading = chosen;
  shot->vx = VelocityX(chosen, speed);
  shot->vy = VelocityY(chosen, speed);
}

}  // namespace veyrdale
