// The familiars character 14 summons (kind 8, slots 5-63): their spawn, their launch at the
// nearest opponent, their frames from spawned through waiting, acting and parked to ending, and
// the beams that link the parked ones.
#include <cstdint>

#include "game/battle/access.h"
#include "game/battle/battle.h"
#include "game/battle/directions.h"
#include "game/battle/familiars.h"
#include "game/battle/motion.h"
#include "game/battle/player_control.h"
#include "game/battle/shots.h"
#include "game/core/frame_state.h"
#include "game/core/input.h"
#include "game/core/match_setup.h"
#include "game/core/numeric.h"
#include "game/core/records.h"
#include "morrow/system/time.h"

namespace veyrdale {

namespace {

bool IsPlayer(int p) {
  return p >= 0 && p < kPlayerCount;
}

bool IsSummonOf(const BattleObject& f, int p) {
  return f.kind == kSummonedKind && f.owner == p;
}

void Stop(BattleObject& f) {
  f.vx = 0.0f;
  f.vy = 0.0f;
}

int16_t StampOfSceneFrame() {
  const int stamp = SceneFrame / 10;
  return static_cast<int16_t>(stamp > INT16_MAX ? INT16_MAX
                                                : (stamp < INT16_MIN ? INT16_MIN : stamp));
}

// The heading toward the nearest opponent of p that still fights; the familiar's own heading when
// there is none.
int TargetHeading(const BattleObject& f, int p) {
  const int inPlay = PlayersInPlay();
  int best = -1;
  int bestDistance = 0;
  const int fx = TruncToInt(f.x);
  const int fy = TruncToInt(f.y);
  for (int i = 0; i < inPlay; ++i) {
    if (g_match.teamMode == 0 && i == p) continue;
    if (g_match.teamMode == 1 && g_match.team[i] == g_match.team[p]) continue;
    const BattleObject& player = g_players[i];
    if (player.state >= kStateKnockedOut) continue;
    const int distance = GetSquaredDistance(fx, fy, TruncToInt(player.x), TruncToInt(player.y));
    if (best < 0 || distance < bestDistance) {
      best = i;
      bestDistance = distance;
    }
  }
  if (best < 0) return f.heading;
  return HeadingBetween(f.x, f.y, g_players[best].x, g_players[best].y);
}

int RoundedToEighth(int h) {
  return WrapHeading(int64_t{h} + 16) & ~31;
}

// A shot of the familiar's own: it wears character 14's kind and the familiar's mark.
void FireAsSummon(BattleObject& f, int move, int p) {
  f.meter = kFamiliarShotMark;
  FireWearingKind(&f, kSummonerKind, move, p);
}

// The end of an action: back to waiting, or to ending for a familiar that was sent (not one just
// spawned) while its owner has no power-up.
void AfterAction(BattleObject& f, bool spawned, bool powered) {
  f.stateTimer = 0;
  f.state = !spawned && !powered ? 9 : 1;
}

// The acting frame by move; T is the velocity the familiar is pulled toward.
void Act(BattleObject& f, int slot, int p, float* tx, float* ty) {
  const bool spawned = f.state == 2;
  const bool powered = PoweredUp(p);
  const int s = f.stateTimer;
  const int ownerState = g_players[p].state;
  f.guard = 2;
  auto followVelocity = [&] {
    *tx = f.vx;
    *ty = f.vy;
  };
  switch (f.move) {
    case 1:
      if (s >= 48 && s < 80 && s % 4 == 0) FireAsSummon(f, 1, p);
      if (s == 80) AfterAction(f, spawned, powered);
      break;
    case 2:
    case 9:
      if (s == 28) FireAsSummon(f, f.move, p);
      if (s < 36) followVelocity();
      if (s == 80) {
        f.stateTimer = 0;
        f.state = powered || (spawned && f.move == 2) ? 1 : 9;
      }
      break;
    case 3:
      if (s == 24) ChainFamiliarBeams(SceneFrame / 10, p, slot, f.attackDelay);
      if (s >= 72 && s < 144) FireAsSummon(f, 3, p);
      if (s == 148) {
        f.stateTimer = 0;
        f.state = 9;
      }
      break;
    case 4:
      if (s == 37) f.pushHeading = f.heading;
      if (s > 37 && s < 100 && s % 8 == 0) FireAsSummon(f, 4, p);
      if (s > 37 && s < 108) {
        if (f.state == 3) {
          f.speed = 1.0f;
          HomeObjectInWindow(&f, 38, 108, 32, 1, 128);
          followVelocity();
        }
        f.pushHeading = WrapHeading(int64_t{f.pushHeading} + 16);
      }
      if (s < 36) followVelocity();
      if (s == 108) AfterAction(f, spawned, powered);
      break;
    case 5:
      if (s == 48) {
        FireAsSummon(f, 5, p);
        BattleObject copy = f;
        copy.kind = static_cast<uint16_t>(kSummonerKind);
        DispatchHitEffect(&copy, &f, 14);
        ScreenShake = 32;
        SlowMotionFrames = 16;
        f.state = 0;
      }
      break;
    case 6:
      if (ownerState != kStateSpellCard) {
        f.state = 9;
        f.stateTimer = 0;
        break;
      }
      if (s == 1) f.pushHeading = f.heading;
      if (s > 1 && s < 48) {
        if (s % 8 == 0) FireAsSummon(f, 6, p);
        f.pushHeading = WrapHeading(int64_t{f.pushHeading} + 16);
      }
      if (s < 48) followVelocity();
      if (s == 48) {
        f.stateTimer = 0;
        f.state = 9;
      }
      break;
    case 7:
      if (f.z < 0.0f) {
        f.vz += 0.2f;
        f.z += f.vz;
        followVelocity();
        if (f.z >= 0.0f) {
          f.z = 0.0f;
          f.vz = 0.0f;
        }
      }
      if (s == 48) AfterAction(f, spawned, powered);
      break;
    case 8:
      if (ownerState == kStateHitStun || ownerState == kStateKnockBack) {
        f.state = 9;
        f.stateTimer = 0;
        break;
      }
      if (s < 28) followVelocity();
      if (s == 48) {
        Stop(f);
        f.stateTimer = 0;
        f.state = 1;
      }
      break;
    default:
      break;
  }
}

}  // namespace

void UpdateSummonedFamiliar(BattleObject* familiar, int slot) {
  BattleObject& f = *familiar;
  const int p = f.owner;
  if (!IsPlayer(p)) {
    f.state = 0;
    return;
  }
  float tx = 0.0f;
  float ty = 0.0f;
  if (g_players[p].state == kStateKnockBack && f.state != 9) {
    f.state = 9;
    f.stateTimer = -12;
  }
  if (g_playerState.powerUp[p] == 2) {
    f.state = 9;
    f.stateTimer = 0;
  }
  if (f.state == 1) {
    if (f.guard > 0) --f.guard;
    if (!PoweredUp(p)) {
      f.speed = 0.0f;
    } else {
      f.speed = 2.0f;
      HomeObjectInWindow(&f, 0, 9999, 64, 1, 128);
      tx = f.vx;
      ty = f.vy;
      if (slot >= 0 && f.stateTimer % 210 == (slot * 16) % 90 + 120) {
        RelaunchFamiliar(slot, p);
        return;
      }
    }
  }
  if (f.state == 2 && f.move != 6 && f.move != 7 && f.stateTimer < 16) {
    RaiseTimer(&f);
    return;
  }
  if (f.state == 2 || f.state == 3) Act(f, slot, p, &tx, &ty);
  if (f.state == 4) {
    Stop(f);
    tx = 0.0f;
    ty = 0.0f;
    f.guard = 2;
    if (f.recovery < INT32_MAX) ++f.recovery;
    if (f.stateTimer == 600) {
      f.stateTimer = 0;
      f.state = 9;
    }
  }
  if (f.state == 9 && f.stateTimer >= 12) {
    f.state = 0;
    return;
  }
  BlendVelocity(&f.vx, &f.vy, tx, ty, 3, 1);
  RaiseTimer(&f);
  f.x += f.vx;
  f.y += f.vy;
}

void SpawnFamiliar(BattleObject* source, int move, int player) {
  if (source == nullptr) {
    ++IndexMisses;
    return;
  }
  if (!IsPlayer(player)) return;
  const bool limited = move != 3 && move != 8 && move != 9;
  int live = 0;
  int slot = -1;
  for (int s = kFirstSummonSlot; s < kFamiliarCount; ++s) {
    const BattleObject& f = g_familiars[s];
    if (f.state > 0 && IsSummonOf(f, player)) ++live;
    if (f.state <= 0 && slot < 0) slot = s;
  }
  if ((limited && live >= kSummonLimit) || slot < 0) return;
  BattleObject& f = g_familiars[slot];
  f.owner = static_cast<int16_t>(player);
  f.state = 2;
  f.heading = WrapHeading(source->heading);
  f.x = source->x + CosOf(f.heading) * 24.0f / 256.0f;
  f.y = source->y + NegSinOf(f.heading) * 24.0f / 256.0f + 6.0f;
  f.z = 0.0f;
  f.stateTimer = 0;
  f.recovery = 0;
  f.kind = kSummonedKind;
  f.move = move;
  f.attackDelay = StampOfSceneFrame();
  f.life = 0;
  f.guard = 64;
  f.stun = static_cast<float>(slot);
  switch (move) {
    case 1:
      SetVelocityAlong(f, f.heading, 5.0f);
      break;
    case 2:
      Stop(f);
      break;
    case 3:
      Stop(f);
      f.attackDelay = 0;
      if (HeldFrameCounts[kInputButton1][player] > 0 &&
          HeldFrameCounts[kInputButton4][player] > 0) {
        f.state = 3;
      }
      break;
    case 4:
      SetVelocityAlong(f, f.heading, 4.0f);
      break;
    case 6:
      SetVelocityAlong(f, f.heading, 3.0f);
      break;
    case 7:
      SetVelocityAlong(f, f.heading, 3.0f);
      f.vz = -0.5f;
      f.z = -24.0f;
      break;
    case 8:
      SetVelocityAlong(f, f.heading, 8.0f);
      break;
    case 9: {
      Stop(f);
      f.heading = 32 * morrow::GetRandomNumber(7);
      // The target player comes from the source's pushHeading, which holds a player index only
      // for the card that summons this way; any other value leaves the familiar where the other
      // moves put it.
      const int t = source->pushHeading;
      if (IsPlayer(t)) {
        const BattleObject& target = g_players[t];
        f.x = target.x - CosOf(f.heading) * 56.0f / 256.0f;
        f.y = target.y - NegSinOf(f.heading) * 56.0f / 256.0f + 6.0f;
        f.z = target.z;
      }
      break;
    }
    default:
      break;
  }
}

int LaunchFamiliars(int mode, int player) {
  if (!IsPlayer(player)) return 0;
  int sent = 0;
  for (int s = kFirstSummonSlot; s < kFamiliarCount; ++s) {
    BattleObject& f = g_familiars[s];
    if (!IsSummonOf(f, player) || f.state != 1) continue;
    ++sent;
    const int h = TargetHeading(f, player);
    f.state = 3;
    f.move = mode;
    f.guard = 64;
    switch (mode) {
      case 1:
        f.stateTimer = 28;
        Stop(f);
        f.heading = h;
        break;
      case 2:
        f.stateTimer = 16;
        Stop(f);
        f.heading = RoundedToEighth(h);
        break;
      case 3:
        f.stateTimer = 28;
        Stop(f);
        f.state = 4;
        f.move = 7;
        break;
      case 4:
        f.stateTimer = 16;
        f.heading = h;
        SetVelocityAlong(f, h, 2.5f);
        break;
      case 5:
        f.stateTimer = 16;
        Stop(f);
        CreateEffect(&f, 108);
        break;
      default:
        break;
    }
  }
  return sent > 0 ? 1 : 0;
}

int RelaunchFamiliar(int slot, int player) {
  BattleObject* record = FamiliarAt(slot);
  if (record == nullptr || !IsPlayer(player)) return 1;
  BattleObject& f = *record;
  const int h = TargetHeading(f, player);
  f.state = 3;
  switch (morrow::GetRandomNumber(2)) {
    case 0:
      f.move = 1;
      f.stateTimer = 28;
      Stop(f);
      f.heading = h;
      break;
    case 1:
      f.move = 2;
      f.stateTimer = 16;
      Stop(f);
      f.heading = RoundedToEighth(h);
      break;
    default:
      f.move = 4;
      f.stateTimer = 16;
      f.heading = h;
      SetVelocityAlong(f, h, 2.5f);
      break;
  }
  return 1;
}

int FindFamiliar(int limit, int player, int excludeSlot, int above) {
  int found = kNoFamiliar;
  int best = 0;
  for (int s = kFirstSummonSlot; s < kFamiliarCount; ++s) {
    const BattleObject& f = g_familiars[s];
    if (s == excludeSlot || !IsSummonOf(f, player) || f.state != 4) continue;
    const int v = f.attackDelay;
    if (v == 0 || v <= above || v >= limit) continue;
    if (found == kNoFamiliar || v < best) {
      found = s;
      best = v;
    }
  }
  return found;
}

void ChainFamiliarBeams(int limit, int player, int startSlot, int above) {
  if (FamiliarAt(startSlot) == nullptr) return;
  int parked = 0;
  for (int s = kFirstSummonSlot; s < kFamiliarCount; ++s) {
    const BattleObject& f = g_familiars[s];
    if (IsSummonOf(f, player) && f.state == 4) ++parked;
  }
  int c = startSlot;
  for (int i = 0; i <= parked; ++i) {
    int x = i < parked ? FindFamiliar(limit, player, c, above) : c;
    if (x == kNoFamiliar) x = c;
    BattleObject& from = g_familiars[c];
    BattleObject& to = g_familiars[x];
    BattleObject link = from;
    link.kind = static_cast<uint16_t>(kSummonerKind);
    DispatchHitEffect(&link, &to, 13);
    if (i == 0 && parked > 0) {
      const int direction = GetDirectionToPoint(TruncToInt(from.x), TruncToInt(from.y),
                                                TruncToInt(to.x), TruncToInt(to.y));
      from.heading = WrapHeading(256 - int64_t{direction});
    }
    above = to.attackDelay;
    c = x;
  }
}

}  // namespace veyrdale
