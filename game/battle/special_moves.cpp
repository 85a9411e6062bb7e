// The charged moves of characters 0, 5, 9, 10 and 15, the poses that lead into a card, and the
// fixed sequences the battle scene starts, run a frame at a time while a player is in this state.
#include <cstdint>

#include "game/battle/access.h"
#include "game/battle/battle.h"
#include "game/battle/dash.h"
#include "game/battle/directions.h"
#include "game/battle/motion.h"
#include "game/battle/player_control.h"
#include "game/core/input.h"
#include "game/core/records.h"
#include "game/core/sound_entries.h"

namespace veyrdale {

namespace {

PlayerBattleState& S() {
  return g_playerState;
}

// Which sequence a character runs. The player's mode field holds a charge below 5000; values from
// 5000, 6666 (for the characters that have it) and 8000 up pick the powered-up sequences.
enum class Variant { kBase, k5000, k6666, k8000 };

Variant VariantOf(int32_t mode, bool has6666) {
  if (mode >= 8000) return Variant::k8000;
  if (mode >= 6666 && has6666) return Variant::k6666;
  if (mode >= 5000) return Variant::k5000;
  return Variant::kBase;
}

// Poses and fixed sequences that find no end of their own stop here.
constexpr int32_t kLongestSequence = 600;

// A count that a field write may have left anywhere stops at the top instead of overflowing.
void CountUp(int32_t& value, int32_t n) {
  value = value > INT32_MAX - n ? INT32_MAX : value + n;
}

bool HeldNow(Input input, int p) {
  return HeldFrameCounts[input][p] > 0;
}

void BackToBase(BattleObject& self) {
  self.state = self.state > kStateKnockedOut ? kStateGhost : kStateStand;
}

void Decay(BattleObject& self) {
  BlendVelocity(&self.vx, &self.vy, 0.0f, 0.0f, 5, 1);
}

void Tail(BattleObject& self) {
  Decay(self);
  ++self.stateTimer;
}

void DeclareCard(BattleObject& self, int p, int card) {
  self.rooted = 0;
  self.state = kStateStand;
  StartSpellCard(&self, p, card);
}

void DeclareSpecial(BattleObject& self, int p) {
  self.rooted = 0;
  self.state = kStateStand;
  StartSpecialSpellCard(&self, p);
}

// The end of a sequence that leaves the player standing where it is.
void StandDown(BattleObject& self, int p) {
  self.state = kStateStand;
  self.stateTimer = 0;
  self.z = 0.0f;
  S().specialMode[p] = 0;
  self.rooted = 0;
}

// The turn of characters 6, 7 and 13 toward a facing: +16 a frame. Character 7's turn stops at a
// heading of 250-255 or 0-5; one that wraps onto 6-9 would never get there, so it lands on 0.
void TurnToward(BattleObject& self, bool wrapStops) {
  const int turned = (self.heading & 255) + 16;
  if (wrapStops && turned > 255) {
    const int wrapped = turned - 256;
    self.heading = wrapped >= 6 && wrapped <= 9 ? 0 : wrapped;
    return;
  }
  self.heading = turned & 255;
}

void TurnChara7(BattleObject& self) {
  if (self.heading >= 6 && self.heading <= 249) {
    TurnToward(self, true);
    --self.stateTimer;
  }
}

// 0 and 10: the player walks while charging; releasing button 2 after 24 frames attacks at once.
void ChargeChara0(BattleObject& self, int p) {
  int32_t& charge = S().specialMode[p];
  UpdatePlayerControl(&self, p);
  CountUp(charge, 1);
  if (self.kind == 10) CountUp(charge, 1);
  if (self.kind == 0 && S().lowLifeMode[p] == 1) CountUp(charge, 1);
  if (self.kind == 10) {
    charge = 160;
    HeldFrameCounts[kInputButton2][p] = 0;
  }
  if (HeldNow(kInputButton2, p)) {
    UpdateDashChara0(&self, p);
    if (S().powerUp[p] > 0) charge = 160;
  } else {
    BackToBase(self);
    if (charge > 24) UpdateAttackInput(&self, p);
  }
  if (charge % 12 == 0) CreateEffect(&self, 10);
}

// After a charge's release: `frames` frames of recovery, then the charge cleared, the next attack
// held off by `attackDelay` and back to base. The end is at or past `frames`, because a launcher
// may move the recovery past the exact frame and the move would then never end.
void CountRelease(BattleObject& self, int32_t& charge, int frames, int16_t attackDelay) {
  ++self.recovery;
  if (self.recovery >= frames) {
    self.rooted = 0;
    self.attackDelay = attackDelay;
    charge = 0;
    self.recovery = 0;
    BackToBase(self);
  }
  Decay(self);
}

// 5: the beam, held through its first 24 frames and then while button 2 is, draining the meter
// every frame; then the release.
void BeamChara5(BattleObject& self, int p) {
  int32_t& charge = S().specialMode[p];
  if (self.rooted == 0 && (HeldNow(kInputButton2, p) || charge <= 24)) {
    if (charge < 24) {
      Decay(self);
    } else {
      UpdatePlayerControl(&self, p);
    }
    self.recovery = 0;
    self.meter -= self.modifierHeld == 1 ? 3.0f : 2.0f;
    if (charge == 0) {
      if (self.meter < 150.0f) {
        BackToBase(self);
        return;
      }
      CreateEffect(&self, self.modifierHeld == 1 ? 15 : 16);
      self.meter -= 150.0f;
    }
    if (charge == 24) CreateShot(&self, self.modifierHeld == 1 ? 8 : 7, self.owner);
    if (charge < 4999) ++charge;
    return;
  }
  CountRelease(self, charge, 28, S().powerUp[p] > 0 ? 42 : 52);
}

// 9's charge step: false when the move is cancelled.
bool ChargeStepChara9(BattleObject& self, int p) {
  int32_t& charge = S().specialMode[p];
  self.recovery = 0;
  self.meter -= charge >= 90 ? 2.0f : 1.0f;
  if (charge == 0) {
    if (self.meter < 120.0f) {
      BackToBase(self);
      return false;
    }
    CreateEffect(&self, 71);
    self.meter -= 120.0f;
  }
  if (charge == 24) CreateShot(&self, 7, self.owner);
  if (charge < 4999) ++charge;
  return true;
}

void ChargeShotChara9(BattleObject& self, int p) {
  int32_t& charge = S().specialMode[p];
  if (charge <= 24) {
    self.rooted = 1;
    Decay(self);
    if (!ChargeStepChara9(self, p)) return;
  } else if (HeldNow(kInputButton2, p)) {
    self.rooted = 0;
    UpdatePlayerControl(&self, p);
    if (HeldDirection(p) == kNoDirection) self.stateTimer = 0;
    if (!ChargeStepChara9(self, p)) return;
  } else {
    self.rooted = 1;
    CountRelease(self, charge, 36, 64);
  }
  ++self.stateTimer;
}

// 15: aims while charging, fires on release.
void AimedChargeChara15(BattleObject& self, int p) {
  int32_t& charge = S().specialMode[p];
  if (self.recovery == 0) {
    if (!HeldNow(kInputButton2, p) && charge > 24) {
      CreateShot(&self, 4, self.owner);
    } else {
      const int h = HeldDirection(p);
      if (h != kNoDirection) self.heading = h;
      Decay(self);
      if (charge == 0) {
        if (self.meter < 180.0f) {
          BackToBase(self);
          return;
        }
        self.meter -= 180.0f;
      }
      if (S().powerUp[p] > 0) {
        if (charge < 128) charge += 2;
      } else if (charge < 64) {
        ++charge;
      }
      Tail(self);
      return;
    }
  }
  CountRelease(self, charge, 48, 64);
  Tail(self);
}

// The powered-up ends of 5 and 9, and their posture before the special card.
void PowerEndOrPose(BattleObject& self, int p, Variant v) {
  const int32_t t = self.stateTimer;
  if (v == Variant::k8000) {
    if (t == 120) {
      StandDown(self, p);
      return;
    }
  } else {
    if (t > 48 && t % 4 == 0) {
      self.guard = 6;
      CreateEffect(&self, 14);
    }
    if (t == 80) {
      DeclareSpecial(self, p);
      return;
    }
  }
  Tail(self);
}

// Character 8 lands and stands (or, powered-up, only decays).
void LandingChara8(BattleObject& self, int p) {
  ++self.stateTimer;
  if (self.z < 0.0f) {
    self.vz += 0.25f;
    self.z += self.vz;
    if (self.z >= 0.0f) {
      self.z = 0.0f;
      self.vz = 0.0f;
      CreateEffect(&self, 0);
    }
  } else {
    Decay(self);
  }
  if (self.stateTimer == 56) {
    self.attackDelay = 56;
    S().moveShotCount[p] = 0;
    StandDown(self, p);
    self.recovery = 0;
  }
}

// Character 2 drops back to the ground after its power-up.
void LandingChara2(BattleObject& self) {
  if (self.z <= 8.0f) {
    self.vz += 0.2f;
    self.z += self.vz;
    self.guard = 2;
    ++self.recovery;
    if (self.z > 8.0f) {
      self.stateTimer = 0;
      self.vz = 0.0f;
      CreateEffect(&self, 0);
    }
  } else {
    self.recovery = 0;
    self.z = 8.1f;
  }
  if (self.stateTimer == 120) {
    self.state = kStateStand;
    self.stateTimer = 0;
    self.z = 0.0f;
    self.rooted = 0;
    return;
  }
  Tail(self);
}

// The shake of character 11's poses: a share of the timer on odd frames, 32 from 96 on.
void ShakeChara11(int32_t t, int32_t divisor) {
  if (t % 2 == 1) ScreenShake = t >= 96 ? 32 : t / divisor;
}

// One frame of the poses and fixed sequences of characters 1-15, chosen by character and
// variant. A declaration ends the frame.
void Sequence(BattleObject& self, int p) {
  const int32_t t = self.stateTimer;
  const int32_t mode = S().specialMode[p];
  switch (self.kind) {
    case 1:
      self.guard = 20;
      if (t < 16) self.heading = ((self.heading & 255) + 16) & 255;
      if (t == 48) return DeclareCard(self, p, 1);
      break;
    case 2:
      return LandingChara2(self);
    case 3:
      if (t == 64) self.guard = 20;
      if (t == 80) return DeclareSpecial(self, p);
      break;
    case 4:
      CountUp(S().specialMode[p], 1);
      if (t % 12 == 1) CreateEffect(&self, 44);
      if (HeldNow(kInputButton5, p)) {
        if (t == 96) {
          self.state = kStateStand;
          return StartSpellCard(&self, p, 0);
        }
      } else if (t == 48 || t == 96) {
        return DeclareCard(self, p, 0);
      }
      break;
    case 5:
    case 9: {
      const Variant v = VariantOf(mode, true);
      if (v == Variant::k8000 || v == Variant::k6666) return PowerEndOrPose(self, p, v);
      if (self.kind == 5) {
        if (t == 24) self.guard = 8;
        if (t == 30) return DeclareCard(self, p, 1);
      } else if (t == 60) {
        self.rooted = 0;
        self.state = kStateStand;
        S().specialMode[p] = 0;
        return StartSpellCard(&self, p, 0);
      }
      break;
    }
    case 6: {
      const Variant v = VariantOf(mode, false);
      if (v == Variant::k5000) {
        if (t == 36) return DeclareSpecial(self, p);
      } else if (v == Variant::kBase) {
        if (t < 16 && self.heading != 192) self.heading = ((self.heading & 255) + 16) & 255;
        if (t == 48) return DeclareCard(self, p, 0);
      }
      break;
    }
    case 7: {
      const Variant v = VariantOf(mode, false);
      if (v == Variant::k8000) break;
      TurnChara7(self);
      if (self.stateTimer == 32) {
        if (v == Variant::kBase) return DeclareCard(self, p, 0);
        self.rooted = 0;
        StartSpellCard(&self, p, 1);
        // Refused (the round ended while posing, say): the pose runs on to its ceiling.
        if (self.state == kStateSpellCard) return;
      }
      break;
    }
    case 8:
      if (mode >= 8000) break;
      return LandingChara8(self, p);
    case 11: {
      const Variant v = VariantOf(mode, false);
      if (v == Variant::k5000) {
        if (t == 16) {
          self.vz = -4.0f;
          self.guard = 108;
          CreateEffect(&self, 0);
          DispatchHitEffect(&self, &self, 13);
          PlaySoundEntry(kSoundJump);
        }
        if (t == 48) {
          PlaySoundEntry(kSoundShotR);
          CreateEffect(&self, 62);
        }
        if (t >= 16 && t <= 107) {
          if (t % 2 == 1) ScreenShake = t >= 96 ? 32 : t / 4;
          self.vz = self.vz < -1.0f ? self.vz * 0.96f : 0.0f;
          self.z += self.vz;
        }
        if (t == 108) return DeclareCard(self, p, 1);
      } else if (v == Variant::kBase) {
        ShakeChara11(t, 3);
        if (t == 2) {
          PlaySoundEntry(kSoundShotRv);
          DispatchHitEffect(&self, &self, 13);
        }
        if (t == 80 || t == 88 || t == 96) CreateEffect(&self, 60);
        if (t == 120) return DeclareCard(self, p, 0);
      }
      break;
    }
    case 12: {
      const Variant v = VariantOf(mode, false);
      if (v == Variant::k8000) {
        self.guard = 2;
        if (t == 120) {
          StandDown(self, p);
          S().airborne[p] = 0;
          return;
        }
      } else if (v == Variant::k5000) {
        self.modifierHeld = 0;
        if (t > 32) self.guard = 4;
        if (t == 128) return DeclareCard(self, p, 1);
      } else {
        if (t == 60) PlaySoundEntry(kSoundShotXwChg);
        if (t >= 60) self.guard = t >= 132 && t <= 203 ? -2 : 4;
        if (t == 128) PlaySoundEntry(kSoundShotXwChg2);
        if (t == 220) return DeclareCard(self, p, 0);
      }
      break;
    }
    case 13: {
      const Variant v = VariantOf(mode, false);
      if (v == Variant::k5000) {
        if (self.heading != 192) self.heading = ((self.heading & 255) + 16) & 255;
        if (t == 32) return DeclareCard(self, p, 0);
      } else if (v == Variant::kBase) {
        if (t == 12) return DeclareCard(self, p, 1);
      }
      break;
    }
    case 14: {
      const Variant v = VariantOf(mode, false);
      if (v == Variant::k5000) {
        if (t == 32) return DeclareCard(self, p, 1);
      } else if (v == Variant::kBase) {
        if (t == 32) CreateShot(&self, 8, p);
        if (t == 44) {
          self.vx = -CosOf(self.heading) / 256.0f * 8.0f;
          self.vy = -NegSinOf(self.heading) / 256.0f * 8.0f;
          PlaySoundEntry(kSoundSyun4);
        }
        if (t == 80) return DeclareCard(self, p, 0);
      }
      break;
    }
    case 15: {
      const Variant v = VariantOf(mode, false);
      if (v == Variant::k8000) {
        if (t == 36) return DeclareSpecial(self, p);
      } else {
        if (t == 36) CreateEffect(&self, 110);
        if (t >= 36) self.guard = 2;
        if (t == 102) return DeclareCard(self, p, 0);
      }
      break;
    }
    default:
      break;
  }
  Tail(self);
}

// The charges keep their own count and end by their own rules.
bool IsCharge(const BattleObject& self, int p) {
  if (self.kind == 0 || self.kind == 10) return true;
  return (self.kind == 5 || self.kind == 9 || self.kind == 15) &&
         VariantOf(S().specialMode[p], false) == Variant::kBase;
}

}  // namespace

void UpdateSpecialMove(BattleObject* player, int p) {
  if (p < 0 || p >= 4) {
    ++IndexMisses;
    return;
  }
  BattleObject& self = *player;
  if (self.kind > 15) {
    // No routine: the player would stay in the move for ever.
    ++IndexMisses;
    BackToBase(self);
    return;
  }
  if (IsCharge(self, p)) {
    // A charge below 0 (written from outside) would take billions of frames to count up: it
    // starts afresh instead.
    if (S().specialMode[p] < 0) S().specialMode[p] = 0;
    switch (self.kind) {
      case 5:
        return BeamChara5(self, p);
      case 9:
        return ChargeShotChara9(self, p);
      case 15:
        return AimedChargeChara15(self, p);
      default:
        return ChargeChara0(self, p);
    }
  }
  if (self.stateTimer >= kLongestSequence) {
    self.rooted = 0;
    BackToBase(self);
    return;
  }
  self.rooted = 1;
  Sequence(self, p);
}

}  // namespace veyrdale
