// The pieces every character's launch routine is built from: the common steps around a move's own
// rule, the volley protocol, start points, the source's recovery, recoil and lunge, and the
// per-player values a launch reads.
//
// A launch routine makes one shot of a volley per call. The first call gets count 0; a volley sets
// k to its size there and plays its sound, and each call makes the shot of the current k and
// returns k - 1, so the shots are made with k = size, size - 1, ..., 1. A single shot returns 0. A
// move a routine has no rule for returns the count unchanged.
//
// Per-player values are read and written only for owners 0-3. Any other owner (4 is nobody) is
// not powered up, has charge 0, no shots of its move so far, nothing held and no companion, stands
// at z 0 with the source's heading, and is not counted in shotsFired.
#pragma once

#include <cstdint>

#include "game/core/records.h"

namespace veyrdale {

struct Launch {
  BattleObject* source;
  BattleObject* shot;
  int count;  // the count passed in: 0 on a volley's first call
  int owner;  // 0-3, or -1 for any other owner
  int64_t h;  // the source's heading as a whole number; sums are reduced with WrapHeading
  int slot;   // the shot's pool slot, -1 for a record outside the pool
  bool powered;
  int moveShotCount;

  bool First() const { return count == 0; }
  // The damage record of the shot's slot, or null for a record outside the pool.
  ShotDamageRecord* Damage() const;
};

// The start every launch shares: the default start point (16 ahead of the source plus `yOffset`)
// with speed 0, shotsFired of the owner counted, and the charge clamped to `chargeLimit` (0: no
// charge).
Launch BeginLaunch(BattleObject* source, BattleObject* shot, int count, float yOffset,
                   int chargeLimit);
// The end of every launch: while powered up the source's recovery x 0.8, truncated; then, when
// `clearsCharge`, the charge goes to 0.
void EndLaunch(const Launch& l, bool scalesRecovery, bool clearsCharge);

// The volley protocol: on the first call the size (and the volley's sound, none for -1), else the
// count passed in. The caller makes shot k and returns k - 1.
int VolleyK(const Launch& l, int size, int sound);

// The point n pixels from (x, y) along heading a.
void PointAlong(float x, float y, int64_t a, float n, float* outX, float* outY);
// The shot placed n along heading a from the source, then dy added to y.
void PlaceAlong(const Launch& l, int64_t a, float n, float dy);
// The shot placed at the source, plus dy in y.
void PlaceAtSource(const Launch& l, float dy);
// A still shot at the source along its heading, with its sound (none for -1).
void StillAtSource(const Launch& l, int sound);
// The shot moved n along heading a from where it is.
void MoveAlong(BattleObject* shot, int64_t a, float n);

void SetHeading(BattleObject* object, int64_t heading);
void SetRecovery(const Launch& l, int32_t frames);
// The source's velocity := n pixels a frame opposite to its heading (recoil) or along it (lunge).
void Recoil(const Launch& l, float n);
void Lunge(const Launch& l, float n);
// The shot's recovery := the point packed as (x + 320) x 1000 + (y + 280), each term truncated.
void SetPackedPoint(BattleObject* shot, float x, float y);

// GetRandomNumber(n): 0 to n inclusive.
int Rand(int n);
// The hit effect n of the shot: DispatchHitEffect(shot, shot, n).
void ShotHitEffect(const Launch& l, int n);
// A variant number from a timer: the remainder of value by n, never negative.
int64_t Variant(int64_t value, int64_t n);

// k held to 1..size, for tables by k (a count passed in by hand may be anything).
inline int KIndex(int k, int size) {
  return k < 1 ? 1 : (k > size ? size : k);
}
// A damage field plus delta, held inside 0-65535.
uint16_t AddToU16(uint16_t value, int64_t delta);

// The owner's charge (specialMode), 0 for any other owner.
int32_t ChargeOf(const Launch& l);
// The owner's companion, null for any other owner.
BattleObject* CompanionOf(const Launch& l);
// The owner player's record, null for any other owner.
BattleObject* OwnerPlayer(const Launch& l);

// The damage record's hit class, for a shot in the pool.
void SetHitClass(const Launch& l, uint16_t hitClass);
// The charge bonus: the first shot after a charge hits harder.
void AddChargeBonus(const Launch& l, int32_t charge);
// The charged thrust (heading h, faster with the charge, lunge 3) and the charged dive (32 ahead
// +12 at the source's height, lunge 6 and a hop), shared by characters 0 and 10.
void ChargedThrust(const Launch& l);
void ChargedDive(const Launch& l);
// A stream that turns three steps a shot (a pair while powered up), each shot with life 1,
// recovery 2 and its sound.
int TurningStream(const Launch& l, float speed, int sound);
// The move makes no shot of its own: the record is freed again (still counted in shotsFired).
void ReleaseShot(const Launch& l);
// The source is a stand-in that carries a move on (an effect, a familiar): its `meter` holds the
// mark 9999.0.
bool FromMarkedSource(const Launch& l);
// Held-frame count of a button of the owner, 0 for any other owner.
int32_t OwnerHeld(const Launch& l, int input);

// Launchers: make one shot of the volley and return how many are still to make (0 or less ends
// it). Chosen by the source's kind: 0-15 the characters, 51 the neutral objects.
int LaunchShotChara0(BattleObject* source, BattleObject* shot, int count);
int LaunchShotChara1(BattleObject* source, BattleObject* shot, int count);
int LaunchShotChara2(BattleObject* source, BattleObject* shot, int count);
int LaunchShotChara3(BattleObject* source, BattleObject* shot, int count);
int LaunchShotChara4(BattleObject* source, BattleObject* shot, int count);
int LaunchShotChara5(BattleObject* source, BattleObject* shot, int count);
int LaunchShotChara6(BattleObject* source, BattleObject* shot, int count);
int LaunchShotChara7(BattleObject* source, BattleObject* shot, int count);
int LaunchShotChara8(BattleObject* source, BattleObject* shot, int count);
int LaunchShotChara9(BattleObject* source, BattleObject* shot, int count);
int LaunchShotChara10(BattleObject* source, BattleObject* shot, int count);
int LaunchShotChara11(BattleObject* source, BattleObject* shot, int count);
int LaunchShotChara12(BattleObject* source, BattleObject* shot, int count);
int LaunchShotChara13(BattleObject* source, BattleObject* shot, int count);
int LaunchShotChara14(BattleObject* source, BattleObject* shot, int count);
int LaunchShotChara15(BattleObject* source, BattleObject* shot, int count);
int LaunchShotNeutral(BattleObject* source, BattleObject* shot, int remaining);

}  // namespace veyrdale
