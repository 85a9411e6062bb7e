// What the shots of characters 0 to 7 and the neutral objects do when they strike a player, a
// familiar or an arena cell, and when they touch the edge of the arena: shakes and flashes,
// follow-up shots, damage given back, slowed victims and owners thrown or stopped.
#include <cstdint>

#include "game/battle/shot_behaviour.h"
#include "game/battle/shots.h"
#include "game/core/frame_state.h"
#include "game/core/match_setup.h"
#include "game/core/records.h"
#include "game/core/sound_entries.h"

namespace veyrdale {

namespace {

bool OnPlayer(const ShotImpact& impact) {
  return impact.target == ShotTarget::kPlayer;
}

// The victim player of an impact, or null (counted as a miss) for an index outside 0-3.
BattleObject* Victim(const ShotImpact& impact) {
  if (!OnPlayer(impact)) return nullptr;
  if (impact.victim < 0 || impact.victim >= kPlayerCount) {
    ++IndexMisses;
    return nullptr;
  }
  return &g_players[impact.victim];
}

void SetSlowTimer(const ShotImpact& impact, int32_t frames) {
  if (Victim(impact) != nullptr) g_playerState.slowTimer[impact.victim] = frames;
}

void FourEffects(const BattleObject* shot, int kind) {
  for (int i = 0; i < 4; ++i) ShotEffect(shot, kind);
}

// The big shot that bursts into its move-8 child with a shake.
void Burst(BattleObject* shot) {
  ShotChild(shot, 8);
  ShotHitEvent(shot, 14);
  ScreenShake = 20;
}

// The dive that lost its way: the follow-up, and the owner thrown back.
void EndDive(BattleObject* shot) {
  ShotChild(shot, 9);
  OwnerRecoil(*shot);
}

void TurnBack(BattleObject* shot) {
  shot->heading = WrapHeading(static_cast<int64_t>(shot->heading) + 128);
  ShotChild(shot, 7);
  FourEffects(shot, 63);
}

void FadeOut(BattleObject* shot) {
  ScreenShake = 4;
  ShotEffect(shot, 29);
  shot->state = 0;
}

// Character 5's shots that release its owner's special move when they strike.
void ReleaseOwnerMove(BattleObject* shot) {
  const int move = shot->move;
  BattleObject* owner = ShotOwner(*shot);
  if ((move == 7 || move == 8) && owner != nullptr) owner->attackDelay = 64;
  if (move == 2 || move == 7 || move == 8) ScreenShake = 10;
  if (move == 4 || move == 8) {
    ShotEffect(shot, 14);
    ScreenShake = 20;
    if (OwnerPoweredUp(*shot)) ShotChild(shot, 9);
  }
  if (owner != nullptr && owner->recovery == 0 && owner->state < 13) {
    owner->state = 0;
    g_playerState.specialMode[shot->owner] = 0;
  }
  shot->state = 0;
}

// Character 5's stomp: the damage back, the whole battle frozen and the owner stopped dead.
void Stomp(BattleObject* shot, const ShotImpact& impact) {
  GiveBackDamage(impact.victim, impact.damage);
  FreezeFrames = 240;
  Flash(12, 12);
  if (BattleObject* owner = ShotOwner(*shot)) {
    owner->vx = 0.0f;
    owner->vy = 0.0f;
    owner->vz = 0.0f;
    owner->z = 0.0f;
    owner->stateTimer = 124;
    owner->rooted = 1;
  }
  shot->state = 0;
}

void Chara0(BattleObject* shot, int slot, const ShotImpact& impact) {
  switch (shot->move) {
    case 2:
      ScreenShake = OnPlayer(impact) ? 8 : 10;
      break;
    case 4:
      ScreenShake = 20;
      if (g_shotDamage[slot].damage >= 70) ShotChild(shot, 7);
      break;
    case 6:
      if (Victim(impact) == nullptr) break;
      GiveBackDamage(impact.victim, impact.damage);
      if (g_match.storyMode != 0) {
        g_playerState.score[0] = AddSaturated(g_playerState.score[0], 5000);
      }
      break;
    default:
      break;
  }
}

void Chara1(BattleObject* shot, int slot, const ShotImpact& impact) {
  if (shot->move == 3 && OnPlayer(impact) && g_shotDamage[slot].stunDamage == 49) {
    ShotHitEvent(shot, 15);
    ScreenShake = 20;
  } else if (shot->move == 5) {
    Burst(shot);
  }
}

void Chara2(BattleObject* shot, const ShotImpact& /*impact*/) {
  switch (shot->move) {
    case 2:
      ShotChild(shot, 7);
      break;
    case 4:
      Burst(shot);
      break;
    case 6:
      EndDive(shot);
      break;
    default:
      break;
  }
}

void Chara4(BattleObject* shot, const ShotImpact& impact) {
  if (!OnPlayer(impact)) return;
  switch (shot->move) {
    case 2:
      ScreenShake = 10;
      break;
    case 4:
      if (BattleObject* owner = ShotOwner(*shot)) {
        owner->vx = static_cast<float>(owner->vx * 0.2);
        owner->vy = static_cast<float>(owner->vy * 0.2);
      }
      ScreenShake = 10;
      break;
    case 5:
      if (Victim(impact) != nullptr) GiveBackDamage(impact.victim, impact.damage);
      break;
    case 7:
      ScreenShake = 20;
      break;
    case 8:
      Flash(1, 3);
      ScreenShake = 20;
      break;
    default:
      break;
  }
}

void Chara5(BattleObject* shot, int slot, const ShotImpact& impact) {
  const int move = shot->move;
  if (move == 2 || move == 4 || move == 7 || move == 8) {
    if (impact.target != ShotTarget::kCell) ReleaseOwnerMove(shot);
    return;
  }
  if (!OnPlayer(impact)) return;
  if (move == 5 && g_shotDamage[slot].stunDamage == 99) {
    ScreenShake = 20;
    SlowMotionFrames = 12;
    Flash(-10, -11);
  } else if (move == 6 && Victim(impact) != nullptr) {
    Stomp(shot, impact);
  }
}

void Chara6(BattleObject* shot, const ShotImpact& impact) {
  const bool powered = OwnerPoweredUp(*shot);
  if (shot->move == 4 && impact.target != ShotTarget::kCell) TurnBack(shot);
  if (!OnPlayer(impact)) return;
  if (shot->move == 2) {
    SetSlowTimer(impact, powered ? 224 : 128);
  } else if (shot->move == 4) {
    SetSlowTimer(impact, powered ? 160 : 68);
  } else if (powered) {
    SetSlowTimer(impact, 96);
  }
}

void Chara7(BattleObject* shot, const ShotImpact& impact) {
  if (shot->move == 1) {
    if (impact.target != ShotTarget::kCell) FadeOut(shot);
    return;
  }
  if (!OnPlayer(impact)) return;
  switch (shot->move) {
    case 2:
      ScreenShake = 20;
      break;
    case 4:
      ScreenShake = 28;
      break;
    case 5:
      Flash(1, 3);
      break;
    default:
      break;
  }
}

}  // namespace

void RunImpactReaction0To7(BattleObject* shot, int slot, const ShotImpact& impact) {
  switch (shot->kind) {
    case 0:
      Chara0(shot, slot, impact);
      break;
    case 1:
      Chara1(shot, slot, impact);
      break;
    case 2:
      Chara2(shot, impact);
      break;
    case 3:
      if (shot->move == 5 && OnPlayer(impact)) Flash(1, 3);
      break;
    case 4:
      Chara4(shot, impact);
      break;
    case 5:
      Chara5(shot, slot, impact);
      break;
    case 6:
      Chara6(shot, impact);
      break;
    case 7:
      Chara7(shot, impact);
      break;
    default:
      break;
  }
}

void RunImpactReactionNeutral(BattleObject* shot, int /*slot*/, const ShotImpact& impact) {
  if (!OnPlayer(impact)) return;
  switch (shot->move) {
    case 2:
      // A gust that tips its victim over backwards.
      if (BattleObject* victim = Victim(impact)) {
        victim->pushHeading = 192;
        if (victim->life > 0) g_playerState.airborne[impact.victim] = 1;
      }
      break;
    case 3:
      if (g_match.stage == 3) {
        ScreenShake = 8;
        Flash(12, 12);
      }
      break;
    case 6:
      ScreenShake = 20;
      break;
    case 10:
      ScreenShake = 16;
      break;
    default:
      break;
  }
}

void RunEdgeReaction0To7(BattleObject* shot, int slot) {
  const int kind = shot->kind;
  const int move = shot->move;
  if ((kind == 1 && move == 5) || (kind == 2 && move == 4)) {
    Burst(shot);
    shot->state = 0;
    ShotStrikesWall(shot);
  } else if (kind == 2 && move == 2) {
    ShotChild(shot, 7);
    shot->state = 0;
    ShotStrikesWall(shot);
  } else if (kind == 2 && move == 6) {
    EndDive(shot);
    shot->state = 0;
  } else if (kind == 3 && (move == 1 || move == 3)) {
    BounceWhileCounting(shot, slot);
  } else if (kind == 6 && move == 4) {
    BounceOffEdge(shot, slot);
    ShotChild(shot, 7);
    FourEffects(shot, 63);
    shot->state = 0;
  }
}

}  // namespace veyrdale
