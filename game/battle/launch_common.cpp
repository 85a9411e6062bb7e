// The common steps and notation of the launch routines.
#include "game/battle/access.h"
#include "game/battle/battle.h"
#include "game/battle/directions.h"
#include "game/battle/familiars.h"
#include "game/battle/launchers.h"
#include "game/battle/shots.h"
#include "game/core/input.h"
#include "game/core/numeric.h"
#include "game/core/sound_entries.h"
#include "morrow/system/time.h"

namespace veyrdale {

ShotDamageRecord* Launch::Damage() const {
  return slot >= 0 ? &g_shotDamage[slot] : nullptr;
}

Launch BeginLaunch(BattleObject* source, BattleObject* shot, int count, float yOffset,
                   int chargeLimit) {
  Launch l{};
  l.source = source;
  l.shot = shot;
  l.count = count;
  l.owner = ShotOwnerIndex(*shot);
  l.h = source->heading;
  l.slot = ShotSlotOf(shot);
  PlayerBattleState& s = g_playerState;
  l.powered = l.owner >= 0 && s.powerUp[l.owner] > 0;
  l.moveShotCount = l.owner >= 0 ? s.moveShotCount[l.owner] : 0;
  PlaceAlong(l, l.h, 16.0f, yOffset);
  shot->speed = 0.0f;
  if (l.owner >= 0) {
    s.shotsFired[l.owner] = AddSaturated(s.shotsFired[l.owner], 1);
    if (chargeLimit > 0 && s.specialMode[l.owner] > chargeLimit)
      s.specialMode[l.owner] = chargeLimit;
  }
  return l;
}

void EndLaunch(const Launch& l, bool scalesRecovery, bool clearsCharge) {
  if (scalesRecovery && l.powered) l.source->recovery = TruncToInt(l.source->recovery * 0.8);
  if (clearsCharge && l.owner >= 0) g_playerState.specialMode[l.owner] = 0;
}

int VolleyK(const Launch& l, int size, int sound) {
  if (!l.First()) return l.count;
  if (sound >= 0) PlaySoundEntry(sound);
  return size;
}

void PointAlong(float x, float y, int64_t a, float n, float* outX, float* outY) {
  const int heading = WrapHeading(a);
  *outX = x + CosOf(heading) * n / 256.0f;
  *outY = y + NegSinOf(heading) * n / 256.0f;
}

void PlaceAlong(const Launch& l, int64_t a, float n, float dy) {
  PointAlong(l.source->x, l.source->y, a, n, &l.shot->x, &l.shot->y);
  l.shot->y += dy;
}

void PlaceAtSource(const Launch& l, float dy) {
  l.shot->x = l.source->x;
  l.shot->y = l.source->y + dy;
}

void StillAtSource(const Launch& l, int sound) {
  PlaceAtSource(l, 0.0f);
  SetHeading(l.shot, l.h);
  l.shot->speed = 0.0f;
  if (sound >= 0) PlaySoundEntry(sound);
}

void MoveAlong(BattleObject* shot, int64_t a, float n) {
  PointAlong(shot->x, shot->y, a, n, &shot->x, &shot->y);
}

void SetHeading(BattleObject* object, int64_t heading) {
  object->heading = WrapHeading(heading);
}

void SetRecovery(const Launch& l, int32_t frames) {
  l.source->recovery = frames;
}

void Recoil(const Launch& l, float n) {
  l.source->vx = -VelocityX(WrapHeading(l.h), n);
  l.source->vy = -VelocityY(WrapHeading(l.h), n);
}

void Lunge(const Launch& l, float n) {
  l.source->vx = VelocityX(WrapHeading(l.h), n);
  l.source->vy = VelocityY(WrapHeading(l.h), n);
}

void SetPackedPoint(BattleObject* shot, float x, float y) {
  const int64_t packed = (int64_t{TruncToInt(x)} + 320) * 1000 + (int64_t{TruncToInt(y)} + 280);
  shot->recovery = SaturateToInt(packed);
}

int Rand(int n) {
  return morrow::GetRandomNumber(n);
}

void ShotHitEffect(const Launch& l, int n) {
  DispatchHitEffect(l.shot, l.shot, n);
}

int64_t Variant(int64_t value, int64_t n) {
  const int64_t r = value % n;
  return r < 0 ? r + n : r;
}

uint16_t AddToU16(uint16_t value, int64_t delta) {
  const int64_t sum = int64_t{value} + delta;
  return static_cast<uint16_t>(sum < 0 ? 0 : (sum > UINT16_MAX ? UINT16_MAX : sum));
}

int32_t ChargeOf(const Launch& l) {
  return l.owner >= 0 ? g_playerState.specialMode[l.owner] : 0;
}

BattleObject* CompanionOf(const Launch& l) {
  return l.owner >= 0 ? &g_companions[l.owner] : nullptr;
}

BattleObject* OwnerPlayer(const Launch& l) {
  return l.owner >= 0 ? &g_players[l.owner] : nullptr;
}

void SetHitClass(const Launch& l, uint16_t hitClass) {
  if (ShotDamageRecord* d = l.Damage()) d->hitClass = hitClass;
}

void AddChargeBonus(const Launch& l, int32_t charge) {
  if (ShotDamageRecord* d = l.Damage()) {
    d->damage = AddToU16(d->damage, charge / 4);
    d->stunDamage = AddToU16(d->stunDamage, charge / 13);
  }
}

void ChargedThrust(const Launch& l) {
  const int32_t charge = ChargeOf(l);
  SetHeading(l.shot, l.h);
  l.shot->speed = static_cast<float>(12 + charge / 6);
  SetRecovery(l, 10);
  Lunge(l, 3.0f);
  PlaySoundEntry(kSoundShot);
  AddChargeBonus(l, charge);
}

void ChargedDive(const Launch& l) {
  PlaceAlong(l, l.h, 32.0f, 12.0f);
  SetHeading(l.shot, l.h);
  l.shot->z = l.source->z;
  SetRecovery(l, 8);
  Lunge(l, 6.0f);
  l.source->vz = 4.0f;
  PlaySoundEntry(kSoundShot);
  AddChargeBonus(l, ChargeOf(l));
}

int TurningStream(const Launch& l, float speed, int sound) {
  const int k = l.powered ? VolleyK(l, 2, -1) : 0;
  SetHeading(l.shot, l.h + 3 * int64_t{l.moveShotCount} - 4 - 2 * k);
  l.shot->life = 1;
  l.shot->speed = speed;
  SetRecovery(l, 2);
  PlaySoundEntry(sound);
  return k > 0 ? k - 1 : 0;
}

void ReleaseShot(const Launch& l) {
  l.shot->state = 0;
}

bool FromMarkedSource(const Launch& l) {
  return l.source->meter == kFamiliarShotMark;
}

int32_t OwnerHeld(const Launch& l, int input) {
  return l.owner >= 0 ? HeldFrameCounts[input][l.owner] : 0;
}

}  // namespace veyrdale
