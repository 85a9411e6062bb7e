// The hit of a shot on a player: the parry, score and gauges, the damage with its modifiers, the
// armour, the hit reaction, the broken spell card, the knock-back and the knock-out.
//
// The owner's tallies and record exist only for players 0-3: for a shot of nobody every change
// of the owner is skipped and every test of the owner fails, while the victim is hit as usual.
#include <cstdint>

#include "game/battle/access.h"
#include "game/battle/battle.h"
#include "game/battle/characters.h"
#include "game/battle/player_control.h"
#include "game/battle/shot_behaviour.h"
#include "game/battle/shots.h"
#include "game/core/frame_state.h"
#include "game/core/match_setup.h"
#include "game/core/numeric.h"
#include "game/core/records.h"
#include "game/core/sound_entries.h"

namespace veyrdale {

namespace {

PlayerBattleState& S() {
  return g_playerState;
}

bool LowLife(int p) {
  return S().lowLifeMode[p] == 1;
}

bool Survival() {
  return g_match.survivalMode != 0;
}

// A float factor applied as the game does: the product is formed in double and stored back.
void Scale(float& value, double factor) {
  value = static_cast<float>(value * factor);
}

void AddScore(int p, int64_t points) {
  S().score[p] = AddSaturated(S().score[p], points);
}

// The speed and direction a hit knocks the victim with: the stun damage plus 4, along the shot's
// flight, or straight away from a shot that stands still.
void SetKnockMotion(BattleObject& victim, int p, const BattleObject& shot, float stunDamage) {
  double speed = stunDamage + 4.0;
  if (victim.kind == 1 && PoweredUp(p)) speed *= 0.25;
  if (HasLowLifeMode(victim.kind) && LowLife(p)) speed *= 0.5;
  victim.speed = static_cast<float>(speed);
  victim.pushHeading = shot.speed == 0.0f ? HeadingBetween(shot.x, shot.y, victim.x, victim.y)
                                          : WrapHeading(shot.heading);
}

// A spell card broken by a hit: the card's shots become items, the owner takes every item.
void BreakSpellCard(BattleObject& victim, int p, int owner) {
  cardsBroken = AddSaturated(cardsBroken, 1);
  RemovePlayerShots(p);
  S().reverseTimer[p] = 0;
  if (owner >= 0) ClaimAllItems(owner);
  PlaySoundEntry(kSoundCardBroken);
  FlashFrames = 8;
  FlashLength = 16;
  S().powerUp[p] = 0;
  // Character 8's first card slows the whole battle down; breaking it ends that at once.
  if (victim.kind == 8 && S().cardChoice[p] == 0 && victim.stateTimer > 240) SlowMotionFrames = 0;
  if (Survival() && owner == 0) AwardCardBreakBonus();
}

bool AnyPlayerFromOneAlive() {
  const int inPlay = PlayersInPlay();
  for (int q = 1; q < inPlay; ++q) {
    if (g_players[q].life > 0) return true;
  }
  return false;
}

// The victim parried: no damage, the shot is gone (character 10 answers it with a shot of its
// own) and the owner's special cases run.
void Parry(BattleObject* shot, BattleObject& victim, int p, int owner) {
  const int move = shot->move;
  if (victim.state == kStateDashSpin) {
    victim.state = kStateGuardStance;
    victim.stateTimer = victim.kind == 10 ? 12 : 22;
  }
  victim.meter += 16.0f;
  if (victim.kind == 10) {
    shot->heading = WrapHeading(static_cast<int64_t>(shot->heading) + 128);
    shot->kind = 10;
    CreateShot(shot, 10, p);
  }
  shot->state = 0;
  CreateEffect(shot, 1);
  SpawnHitSpark(shot, &victim);
  PlaySoundEntry(kSoundShotTurned);
  if (g_match.storyMode != 0) AddScore(0, 500);
  if (owner >= 0) ApplyReleaseRules(owner, move, shot->recovery);
}

// A running power-up or reversal that a knock-back ends.
void EndPowerUpByKnockBack(BattleObject& victim, int p, int owner, const BattleObject& shot,
                           float stunDamage) {
  if (S().powerUp[p] <= 0 && S().reverseTimer[p] <= 0) return;
  cardsBroken = AddSaturated(cardsBroken, 1);
  victim.meter = 0.0f;
  S().powerUp[p] = 0;
  S().reverseTimer[p] = 0;
  victim.attackDelay = 90;
  if (owner >= 0) ClaimAllItems(owner);
  PlaySoundEntry(kSoundCardBroken);
  FlashFrames = 8;
  FlashLength = 16;
  SetKnockMotion(victim, p, shot, stunDamage);
  if (Survival() && owner == 0 && SurvivalBossRound == 0) AwardCardBreakBonus();
}

void KnockBack(BattleObject& victim, int p, int owner, const BattleObject& shot, float stunDamage) {
  victim.state = kStateKnockBack;
  victim.stateTimer = 64;
  victim.vz = -3.0f;
  victim.stun = 0.0f;
  S().moveShotCount[p] = 0;
  victim.recovery = 0;
  if (!Survival()) S().spellGauge[p] += 25.0f;
  CreateEffect(&victim, 0);
  CreateItem(TruncToInt(victim.x), TruncToInt(victim.y), 8, 1, p);
  GiveLowLifeItem(p);
  RemovePlayerShots(p);
  EndPowerUpByKnockBack(victim, p, owner, shot, stunDamage);
  if (victim.kind == 9 && victim.life > 0) CreateEffect(&victim, 77);
  if (Survival()) S().itemCount[p] = TruncToInt(victim.stun);
}

void KnockOut(BattleObject& victim, int p, int owner, int move) {
  S().airborne[p] = 0;
  S().specialMode[p] = 0;
  if (owner >= 0) {
    S().knockOuts[owner] = AddSaturated(S().knockOuts[owner], 1);
    AddScore(owner, kKnockOutPoints);
  }
  RemovePlayerShots(p);
  if (owner >= 0) ClaimAllItems(owner);
  victim.vx = 0.0f;
  victim.vy = 0.0f;
  if (S().powerUp[p] > 0 || S().reverseTimer[p] > 0) {
    S().powerUp[p] = 0;
    S().reverseTimer[p] = 0;
    cardsBroken = AddSaturated(cardsBroken, 1);
    if (Survival() && owner == 0 && SurvivalBossRound == 0) AwardCardBreakBonus();
  }
  if (g_match.storyMode != 0 && owner == 0 && (move == 5 || move == 6)) AddScore(0, 20000);
  if (!Survival()) return;
  if (owner >= 0 && g_players[owner].life > 0) {
    BattleObject& attacker = g_players[owner];
    const bool boss = SurvivalBossRound == 1;
    const int gain = attacker.state == kStateSpellCard ? (boss ? 132 : 88) : (boss ? 117 : 58);
    const int32_t life = AddSaturated(attacker.life, gain);
    attacker.life = life > 350 ? 350 : life;
  }
  if (g_players[0].life < 80 || !AnyPlayerFromOneAlive()) {
    CreateItem(TruncToInt(victim.x), TruncToInt(victim.y), 1, 77, p);
  }
  if (owner >= 0) CreateEffect(&g_players[owner], 86);
}

}  // namespace

void GiveLowLifeItem(int p) {
  if (Survival() || p < 0 || p >= kPlayerCount) return;
  const BattleObject& player = g_players[p];
  if (player.life >= 260) return;
  constexpr int32_t kThresholds[3] = {200, 520, 860};
  const int32_t made = S().specialItemCount[p];
  if (made < 0 || made > 2 || S().itemCount[p] <= kThresholds[made]) return;
  CreateItem(TruncToInt(player.x), TruncToInt(player.y), 1, 77, p);
}

void AwardCardBreakBonus() {
  const BattleObject& player = g_players[0];
  const int64_t bonus = (static_cast<int64_t>(RoundNumber) / 5 + 1) * 10000;
  AddScore(0, bonus);
  // The effect shows the number it finds in its source's timer.
  BattleObject source{};
  source.kind = player.kind;
  source.x = player.x;
  source.y = player.y;
  source.owner = 0;
  source.stateTimer = AddSaturated(0, bonus);
  CreateEffect(&source, 89);
  CreateEffect(&source, 88);
}

bool HitPlayerWithShot(BattleObject* shot, int slot, int p) {
  BattleObject& victim = g_players[p];
  const ShotDamageRecord& record = g_shotDamage[slot];
  const int owner = ShotOwnerIndex(*shot);
  const int ownerKind = owner >= 0 ? g_players[owner].kind : -1;
  const int kind = shot->kind;
  const int move = shot->move;
  const int stateBefore = victim.state;

  // Parry: the guard stance, or the first frames of the dash that leads into it.
  const bool parrying = victim.state == kStateGuardStance ||
                        (victim.state == kStateDashSpin && victim.stateTimer < 10);
  if (!(kind == kNeutralKind && move == 2) && parrying) {
    Parry(shot, victim, p, owner);
    return true;
  }

  // Score and gauges.
  S().specialMode[p] = 0;
  if (owner >= 0) AddScore(owner, 100);
  AddScore(p, 50);
  S().spellGauge[p] += static_cast<float>(record.damage) / 12.0f;
  if (owner >= 0) S().spellGauge[owner] += static_cast<float>(record.damage) / 60.0f;
  PlaySoundEntry(kSoundShotHit);

  // Damage A and stun damage B, through the modifiers in order.
  float a = record.damage;
  float b = record.stunDamage;
  if (owner >= 0 && g_players[owner].state > kStateKnockedOut) {
    Scale(a, 0.3);
    Scale(b, 0.3);
  }
  if (victim.kind == 1 && PoweredUp(p)) {
    Scale(a, 0.7);
    Scale(b, 0.8);
  } else if (victim.kind == 5 && PoweredUp(p)) {
    Scale(a, 0.7);
    Scale(b, 0.5);
  } else if (victim.kind == 10 && PoweredUp(p)) {
    Scale(a, 0.6);
    Scale(b, 0.1);
  }
  if (HasLowLifeMode(victim.kind)) {
    if (LowLife(p) && !PoweredUp(p)) {
      Scale(a, 0.6);
      Scale(b, 0.7);
    } else if (!LowLife(p) && PoweredUp(p)) {
      Scale(a, 1.3);
    }
  }
  if (S().slowTimer[p] > 0) Scale(a, 1.25);
  const double weaker = 4.0 - g_match.handicap[p];
  Scale(a, 0.6 + 0.2 * weaker);
  Scale(b, 0.9 + 0.05 * weaker);
  if (a < 1.0f) a = 1.0f;
  if (b < 1.0f) b = 1.0f;

  const int32_t dealt = TruncToInt(a);
  if (owner >= 0) S().damageDealt[owner] = AddSaturated(S().damageDealt[owner], dealt);
  victim.life = AddSaturated(victim.life, -static_cast<int64_t>(dealt));
  victim.stun += static_cast<float>(TruncToInt(b));
  S().airborne[p] = 0;
  victim.recovery = 0;
  if (!(kind == 14 && move >= 6)) victim.z = 0.0f;
  if (S().slowTimer[p] > 0 && !(ownerKind == 14 && move >= 6 && move <= 9)) victim.stun = 51.0f;

  // These throws never finish a player off: they leave it at 1 life.
  const bool sparesLastLife = (kind == 13 && move == 9) || (kind == 14 && (move == 6 || move == 9));
  const int hitClass = record.hitClass;
  const bool heavyClass = hitClass == 3 || hitClass == 4;
  if (victim.guard < 0) {
    // Armour: half the damage is given back and there is no hit reaction.
    if (record.damage > 1) {
      if (owner >= 0) S().damageDealt[owner] = TruncToInt(S().damageDealt[owner] - a * 0.5);
      victim.life = TruncToInt(victim.life + a * 0.5);
    }
    if (victim.life <= 0) {
      if (sparesLastLife) {
        victim.life = 1;
      } else {
        victim.state = kStateHitStun;
        victim.stateTimer = 16;
        if (Survival() && owner == 0 && stateBefore == kStateSpellCard) AwardCardBreakBonus();
      }
    }
    if (!heavyClass || victim.stateTimer % 2 != 0) DispatchHitEffect(shot, &victim, hitClass);
    if (victim.stun > 50.0f) {
      SetKnockMotion(victim, p, *shot, b);
      if (victim.state == kStateSpellCard) BreakSpellCard(victim, p, owner);
    }
  } else {
    SetKnockMotion(victim, p, *shot, b);
    victim.rooted = 0;
    S().moveShotCount[p] = 0;
    if (heavyClass) {
      victim.guard = 2;
      if (stateBefore < kStateHitStun || victim.stateTimer < 15) {
        DispatchHitEffect(shot, &victim, hitClass);
      }
    } else {
      DispatchHitEffect(shot, &victim, hitClass);
    }
    if (victim.state == kStateSpellCard) BreakSpellCard(victim, p, owner);
    victim.state = kStateHitStun;
    victim.stateTimer = 16;
  }

  if (victim.stun > 50.0f) KnockBack(victim, p, owner, *shot, b);
  if (victim.life <= 0) {
    if (sparesLastLife) {
      victim.life = 1;
    } else {
      KnockOut(victim, p, owner, move);
    }
  }

  ShotHitFlags[slot][p] = 1;
  if (owner >= 0) S().shotsHit[owner] = AddSaturated(S().shotsHit[owner], 1);
  RunShotImpactReaction(shot, slot, p, a);
  if (record.hitClass == 0 || record.hitClass == 1) shot->state = 0;
  return false;
}

}  // namespace veyrdale
