// The two damage events that share the effect pool: a hit whose life transfer waits for a moment
// of the attacker's move (9001) or for the end of the spell-card freeze (9002), then lands with
// slow motion, a flash and a shake. `player` is the attacker, `heading` the victim and `aux` the
// damage. Until it fires an event counts its timer down like any effect and expires silently.
#include <cstdint>

#include "game/battle/access.h"
#include "game/battle/battle.h"
#include "game/battle/effects.h"
#include "game/battle/player_control.h"
#include "game/battle/scene_parts.h"
#include "game/battle/shots.h"
#include "game/core/frame_state.h"
#include "game/core/numeric.h"
#include "game/core/records.h"
#include "game/core/sound_entries.h"

namespace veyrdale {

namespace {

constexpr int32_t kFiringMoment = 142;  // the attacker's stateTimer that sets off event 9001
constexpr int32_t kMaxLife = 350;

void LandHit() {
  FlashFrames = 8;
  FlashLength = 12;
  ScreenShake = 20;
}

// Takes the damage off the victim. A victim already knocked out loses no more; one the damage
// finishes outside a hit reaction goes into hit-stun so that the knock-out test meets it.
void TakeLife(BattleObject& victim, float damage) {
  if (victim.state >= kStateKnockedOut) return;
  victim.life = AddSaturated(victim.life, -int64_t{TruncToInt(damage)});
  battle_scene::StunIfFinished(victim);
}

}  // namespace

void ProcessDamageEvent(EffectRecord* record, int slot) {
  if (record == nullptr) return;
  EffectRecord& e = *record;
  if (e.code != kDelayedDamageEvent && e.code != kFreezeDamageEvent) return;
  BattleObject* victim = PlayerOrNull(e.heading);
  if (victim == nullptr) {
    FreeEffectSlot(slot);
    return;
  }
  const int v = e.heading;
  BattleObject* attacker = PlayerOrNull(e.player);
  if (e.code == kDelayedDamageEvent) {
    if (attacker == nullptr || attacker->stateTimer != kFiringMoment) return;
    BattleObject source = EffectSource(attacker->kind, e.x, e.y);
    SpawnHitRingC(&source, &source);
    SpawnHitRingC(&source, &source);
    DispatchHitEffect(&source, &source, 14);
    FreeEffectSlot(slot);
    SlowMotionFrames = 16;
    g_playerState.freezeTimer[v] = 0;
    LandHit();
    PlaySoundEntry(kSoundHitG);
    PlaySoundEntry(kSoundHit);
    TakeLife(*victim, e.aux);
    return;
  }
  if (FreezeFrames != 0) return;
  FreeEffectSlot(slot);
  victim->speed = 0.0f;
  victim->z = 8.0f;
  LandHit();
  victim->stateTimer = 128;
  TakeLife(*victim, e.aux);
  if (attacker != nullptr) {
    const int32_t healed = AddSaturated(attacker->life, TruncToInt(e.aux) / 2);
    attacker->life = healed > kMaxLife ? kMaxLife : healed;
  }
}

}  // namespace veyrdale
