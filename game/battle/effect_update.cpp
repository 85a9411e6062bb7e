// The effect update: the behaviour of each acting code (slowing, homing, following a player or a
// familiar, falling, firing shots at set frames, watching the arena cell under it, moving a
// player), then the common step (velocity, timer, the last action of four codes) and the damage
// events.
//
// Freeing an effect only clears its in-use value: the rest of the update still runs on the
// record, as the game has always done (a record freed by its behaviour still moves, and an object
// it created in its own slot is moved and freed with it).
#include <cstdint>

#include "game/battle/access.h"
#include "game/battle/battle.h"
#include "game/battle/directions.h"
#include "game/battle/effects.h"
#include "game/battle/motion.h"
#include "game/battle/player_control.h"
#include "game/battle/shots.h"
#include "game/core/data_files.h"
#include "game/core/frame_state.h"
#include "game/core/numeric.h"
#include "game/core/records.h"
#include "game/core/sound_entries.h"
#include "morrow/system/time.h"

namespace veyrdale {

namespace {

// The record being updated with its slot.
struct Effect {
  EffectRecord& e;
  int slot;

  void Free() const { FreeEffectSlot(slot); }
  BattleObject Source(int kind) const { return EffectSource(kind, e.x, e.y); }
  // A source of this kind at the effect with its heading.
  BattleObject Aimed(int kind) const {
    BattleObject source = Source(kind);
    source.heading = e.heading;
    return source;
  }
  void Turn(int64_t by) const { e.heading = WrapHeading(int64_t{e.heading} + by); }
  void Scale(float factor) const {
    e.vx *= factor;
    e.vy *= factor;
  }
  void Speed(float s) const {
    e.vx = VelocityX(e.heading, s);
    e.vy = VelocityY(e.heading, s);
  }
};

void Flash(int frames, int length) {
  FlashFrames = frames;
  FlashLength = length;
}

bool InStates(const BattleObject& player, int first, int last) {
  return player.state >= first && player.state <= last;
}

// By the obstacle-strength option: weak at 0, strong at 2, normal otherwise.
int ByStrength(int weak, int normal, int strong) {
  switch (g_options.obstacleStrength) {
    case 0:
      return weak;
    case 2:
      return strong;
    default:
      return normal;
  }
}

// The damage counter of the map cell under a point. Column 20 is read as the map query reads it,
// in the storage of the next row; only a point past the storage counts as a miss.
int32_t CellStateUnder(float x, float y) {
  const int64_t c = TruncToInt(x) / kCellPixels;
  const int64_t r = TruncToInt(y) / kCellPixels;
  const int64_t index = c + kMapColumns * r;
  if (c < 0 || c > kMapColumns || r < 0 || index >= kMapCells) {
    ++IndexMisses;
    return 0;
  }
  return g_arenaMap.cellState[index];
}

BattleObject SourceWithLife(const Effect& f, int32_t life) {
  BattleObject source = f.Source(0);
  source.life = life;
  return source;
}

// Codes 100 and 101: a breakable object that takes the damage of the cell under it; damage
// beyond what it showed becomes a new object (kind 91) and enough of it becomes debris.
void WatchBreakableCell(const Effect& f) {
  EffectRecord& e = f.e;
  const int32_t c = CellStateUnder(e.x, e.y);
  if (e.heading < c) {
    e.heading = c;
    const BattleObject source = SourceWithLife(f, c);
    CreateEffect(&source, 91);
    f.Free();
  }
  if (e.heading >= ByStrength(333, 666, 1332)) {
    const BattleObject source = f.Source(0);
    CreateEffect(&source, 92);
    f.Free();
  }
}

// Codes 104 and 105: the same for objects that show two damage levels and vanish at a third.
void WatchLayeredCell(const Effect& f) {
  EffectRecord& e = f.e;
  const int32_t m = ByStrength(47, 95, 190);
  const int32_t c = CellStateUnder(e.x, e.y);
  if ((e.heading < m && c >= m) || (e.heading < 2 * m && c >= 2 * m)) {
    e.heading = c;
    const BattleObject source = SourceWithLife(f, c);
    CreateEffect(&source, 95);
    f.Free();
  } else if (c > e.heading) {
    e.heading = c;
  }
  if (e.heading >= ByStrength(140, 280, 560)) f.Free();
}

// Codes 100 and 104 are map objects that their own rule keeps alive (timer 100 goes back to 9999);
// 101 and 105, their damaged look, turn back into them (kinds 90 and 94) at timer 1.
void RunMapObject(const Effect& f) {
  EffectRecord& e = f.e;
  const bool layered = e.code == 104 || e.code == 105;
  const bool damaged = e.code == 101 || e.code == 105;
  if (!damaged && e.timer == 100) e.timer = kHeldTimer;
  if (damaged && e.timer == 1) {
    const BattleObject source = SourceWithLife(f, e.heading);
    CreateEffect(&source, layered ? 94 : 90);
    f.Free();
  } else if (layered) {
    WatchLayeredCell(f);
  } else {
    WatchBreakableCell(f);
  }
}

// Codes 107 and 109: a falling object that lands with a hit; 109 also fires and shakes the screen
// and leaves no shadow on its landing frame.
void Fall(const Effect& f) {
  EffectRecord& e = f.e;
  if (e.aux < 28.0f) e.aux += 0.6f;
  if (e.z < 0.0f) e.z += e.aux;
  if (e.z > 0.0f) {
    e.z = 0.0f;
    e.aux = 0.0f;
    PlaySoundEntry(kSoundHit);
    BattleObject source = SourceWithLife(f, e.heading);
    DispatchHitEffect(&source, &source, 0);
    if (e.code == 109) {
      BattleObject shot = f.Aimed(13);
      CreateShot(&shot, 10, e.player);
      Flash(8, 8);
      ScreenShake = 24;
      SlowMotionFrames = 24;
      f.Free();
      return;
    }
  }
  BattleObject shadow = EffectSource(0, e.x, e.y + e.z + 20.0f);
  shadow.z = e.z < 0.0f ? 0.0f : 1.0f;
  shadow.heading = 192;
  shadow.move = 4;
  CreateEffect(&shadow, 96);
}

// Code 116: a homing piece of caster c's card, steered toward its target by the shot steering,
// that stops and fires at timer 60.
void RunCode116(const Effect& f, BattleObject& caster, const BattleObject& target, int c) {
  EffectRecord& e = f.e;
  if (e.timer < 32) return;
  if (caster.state != kStateSpellCard) {
    e.timer = 32;
  } else if (e.timer > 84) {
    // The true point lies 1000 below the stored y.
    BattleObject shot = EffectSource(0, e.x, e.y + 1000.0f);
    shot.vx = e.vx;
    shot.vy = e.vy;
    shot.heading = e.heading;
    shot.stateTimer = e.timer;
    shot.speed = 9.0f;
    shot.recovery = SaturateToInt(int64_t{TruncToInt(target.x + 320.0f)} * 1000 +
                                  TruncToInt(target.y + 300.0f));
    AimShotAtPoint(&shot, 0, 300, 10, 1);
    e.vx = shot.vx;
    e.vy = shot.vy;
    e.heading = shot.heading;
  } else {
    f.Scale(0.8f);
    if (e.timer == 60) {
      e.vx = 0.0f;
      e.vy = 0.0f;
      caster.meter = 0.0f;
      caster.attackDelay = 150;
      BattleObject shot = EffectSource(12, e.x, e.y + 1000.0f);
      shot.heading = e.heading;
      CreateShot(&shot, 6, c);
      Flash(-8, -16);
      ScreenShake = 32;
      SlowMotionFrames = 16;
    }
  }
}

// Code 126: a body that drops in, lands with a hit, jumps to one side of the arena and fires.
void RunCode126(const Effect& f, const BattleObject& player) {
  EffectRecord& e = f.e;
  if (player.state != kStateSpellCard && player.stateTimer > 40) e.timer = 40;
  if (e.timer >= 414) {
    if (e.z < 0.0f) {
      e.z += e.aux;
      if (e.z >= 0.0f) {
        e.z = 0.0f;
        BattleObject source = f.Aimed(15);
        DispatchHitEffect(&source, &source, 1);
        CreateEffect(&source, 0);
        PlaySoundEntry(kSoundHit);
        ScreenShake = 20;
      }
    }
  } else if (e.timer >= 301) {
    if (e.timer == 413) PlaySoundEntry(kSoundHit);
    if (e.timer == 405) {
      const bool left = morrow::GetRandomNumber(1) == 1;
      e.x = left ? 32.0f : 608.0f;
      e.heading = left ? 0 : 128;
    }
    if (e.timer == 348) {
      const BattleObject source = f.Aimed(0);
      CreateEffect(&source, 112);
    }
  } else if (e.timer >= 121) {
    PlaySoundEntry(kSoundShot);
    if (e.timer / 2 % 2 == 0) {
      BattleObject shot = f.Aimed(15);
      shot.owner = static_cast<int16_t>(e.player);
      CreateShot(&shot, 5, e.player);
    }
  }
}

// The codes that act for a player: P[player] (and for 116 also P[(int)z]) must be a player, else
// the record is freed without acting.
void RunPlayerCode(const Effect& f, BattleObject& player, int p) {
  EffectRecord& e = f.e;
  PlayerBattleState& s = g_playerState;
  switch (e.code) {
    case 45: {
      const int a = TruncToInt(e.aux);
      const float tx = player.x + CosOf(a) * 32.0f / 256.0f;
      const float ty = player.y + NegSinOf(a) * 32.0f / 256.0f + 12.0f;
      const int h = HeadingBetween(e.x, e.y, tx, ty);
      BlendVelocity(&e.vx, &e.vy, CosOf(h) * 7.5f / 256.0f, NegSinOf(h) * 7.5f / 256.0f, 8, 1);
      break;
    }
    case 48:
      if (player.state != kStateSpellCard) f.Free();
      if (e.timer > 20 && e.timer < 241 && e.timer % 3 == 0) {
        if (e.timer == 240) PlaySoundEntry(kSoundShotS2);
        BattleObject shot = f.Aimed(8);
        CreateShot(&shot, 6, p);
      }
      break;
    case 51:
      if (e.timer > 10 && (InStates(player, kStateHitStun, kStateKnockedOut) || player.rooted == 0))
        e.timer = 10;
      break;
    case 56:
      if (player.state != kStateSpellCard) f.Free();
      break;
    case 60:
      f.Turn(2);
      if (s.powerUp[p] == 0) f.Free();
      break;
    case 62:
      if (s.reverseTimer[p] == 0) f.Free();
      if (e.timer % 24 == 1) {
        BattleObject source = f.Source(0);
        source.owner = static_cast<int16_t>(p);
        CreateEffect(&source, 58);
      }
      break;
    case 73:
      e.x = player.x + CosOf(e.heading) * 64.0f / 256.0f;
      e.y = player.y + NegSinOf(e.heading) * 64.0f / 256.0f - 64.0f;
      break;
    case 77: {
      if (InStates(player, kStateKnockBack, kStateKnockedOut)) {
        f.Free();
        break;
      }
      const int every = s.powerUp[p] > 0 ? 3 : 5;
      if (e.timer > 16 && e.timer < 55 && e.timer % every == 0) {
        BattleObject shot = f.Aimed(9);
        shot.owner = static_cast<int16_t>(p);
        shot.meter = 9999.0f;
        CreateShot(&shot, 1, p);
      }
      break;
    }
    case 79:
    case 80:
      if (InStates(player, kStateHitStun, kStateKnockedOut)) f.Free();
      break;
    case 85:
      if (s.powerUp[p] == 0) {
        f.Free();
        break;
      }
      if (e.timer == 497) {
        Flash(23, 24);
        s.powerUp[p] = 994;
        s.cardBar[p] = 9940;
        PlaySoundEntry(kSoundSpell);
      }
      if (e.timer > 16 && e.timer < 497 && e.timer % 3 == 0) {
        BattleObject shot = f.Aimed(9);
        CreateShot(&shot, 13, p);
      }
      break;
    case 91:
      if (player.state != kStateSpellCard) {
        f.Free();
      } else if (e.timer == 14) {
        BattleObject shot = f.Aimed(9);
        shot.stateTimer = 14;
        CreateShot(&shot, 6, p);
      }
      break;
    case 92:
      if (player.state != kStateSpellCard) {
        f.Free();
      } else {
        BattleObject source = f.Aimed(9);
        source.stateTimer = e.timer;
        source.owner = static_cast<int16_t>(p);
        DispatchHitEffect(&source, &source, 13);
      }
      break;
    case 110: {
      const int st = player.state;
      const bool attacking = st == 2 || st == 3 || st == 4 || st == 16 || st == 17 || st == 18;
      if (!attacking) {
        if (e.timer > 16) e.timer = 16;
      } else if (player.stateTimer < 45 && e.timer < 112) {
        BattleObject shot = f.Aimed(12);
        shot.attackDelay = TruncSaturated<int16_t>(e.z);
        shot.owner = static_cast<int16_t>(p);
        shot.meter = 9999.0f;
        CreateShot(&shot, 4, p);
        f.Free();
      }
      break;
    }
    case 118: {
      const bool special = player.state == kStateSpecialMove;
      if ((s.powerUp[p] == 0 && !special) ||
          (special && player.stateTimer >= 56 && s.specialMode[p] >= 8000)) {
        player.x = e.x;
        player.y = e.y;
        f.Free();
        s.airborne[p] = 0;
      }
      break;
    }
    case 125:
      if (e.timer == 44) {
        f.Speed(4.0f);
      } else if (e.timer == 40 && player.state == kStateDash) {
        BattleObject source = f.Aimed(0);
        DispatchHitEffect(&source, &player, 0);
      } else if (e.timer < 25) {
        e.vx = 0.0f;
        e.vy = 0.0f;
      } else {
        f.Scale(0.9f);
      }
      break;
    case 126:
      RunCode126(f, player);
      break;
    default:
      break;
  }
}

bool ActsForPlayer(int code) {
  switch (code) {
    case 45:
    case 48:
    case 51:
    case 56:
    case 60:
    case 62:
    case 73:
    case 77:
    case 79:
    case 80:
    case 85:
    case 91:
    case 92:
    case 110:
    case 116:
    case 118:
    case 125:
    case 126:
      return true;
    default:
      return false;
  }
}

void RunBehaviour(const Effect& f) {
  EffectRecord& e = f.e;
  if (ActsForPlayer(e.code)) {
    BattleObject* player = PlayerOrNull(e.player);
    if (player == nullptr) {
      f.Free();
      return;
    }
    if (e.code == 116) {
      const int c = TruncToInt(e.z);
      BattleObject* caster = PlayerOrNull(c);
      if (caster == nullptr) {
        f.Free();
        return;
      }
      RunCode116(f, *caster, *player, c);
      return;
    }
    RunPlayerCode(f, *player, e.player);
    return;
  }
  switch (e.code) {
    case 30:
      f.Scale(0.95f);
      break;
    case 53:
      if (e.timer < 13) {
        if (e.timer == 12) {
          e.aux = 6.0f;
          f.Speed(14.0f);
        }
      } else {
        if (e.timer < 44) f.Scale(0.9f);
        e.aux *= 0.85f;
      }
      e.z += e.aux;
      if (e.z >= 0.0f) f.Free();
      break;
    case 63:
      f.Turn(4);
      break;
    case 67:
      if (e.timer < 24) {
        BlendVelocity(&e.vx, &e.vy, 0.0f, 0.0f, 6, 1);
        BlendVelocity(&e.vx, &e.vy, 0.0f, 0.0f, 6, 1);
      }
      break;
    case 71:
      f.Turn(8);
      break;
    case 86:
      if (e.z >= 0.0f) {
        f.Scale(0.8f);
      } else {
        e.aux += 0.15f;
        if (e.aux > 4.0f) e.aux = 4.0f;
        e.z += e.aux;
        if (e.z >= 0.0f) e.timer = 16;
      }
      // A second step on top of the common one.
      e.x += e.vx;
      e.y += e.vy;
      break;
    case 100:
    case 101:
    case 104:
    case 105:
      RunMapObject(f);
      break;
    case 102:
      if (e.z >= 0.0f) {
        e.vy *= 0.95f;
        if (e.vy < 0.5f) e.vy = 0.0f;
      } else {
        e.aux += 0.25f;
        e.z += e.aux;
        if (e.z >= 0.0f) {
          e.z = 0.0f;
          e.vy = 2.0f;
        }
      }
      break;
    case 103:
      if (e.timer == 103) PlaySoundEntry(kSoundPunch);
      if (e.timer == 102 || e.timer == 96) {
        BattleObject shot = f.Aimed(kNeutralKind);
        CreateShot(&shot, 10, kNobody);
      }
      break;
    case 107:
    case 109:
      Fall(f);
      break;
    case 121:
      f.Scale(0.8f);
      break;
    case 129: {
      BattleObject shot = f.Aimed(15);
      shot.life = TruncToInt(e.z);
      shot.owner = static_cast<int16_t>(e.player);
      CreateShot(&shot, 12, e.player);
      Flash(8, 16);
      f.Free();
      break;
    }
    case 130: {
      const BattleObject* familiar = FamiliarAt(e.player);
      if (familiar == nullptr) {
        f.Free();
        break;
      }
      if (e.timer > 16) f.Turn(1);
      e.x = familiar->x + CosOf(e.heading) * 86.0f / 256.0f;
      e.y = familiar->y + NegSinOf(e.heading) * 86.0f / 256.0f;
      break;
    }
    case 131:
      f.Turn(TruncToInt(e.z));
      break;
    case 132:
      e.vy -= 0.001f;
      if (e.timer > 370) {
        const BattleObject source = f.Aimed(0);
        CreateEffect(&source, 115);
      }
      break;
    case 133:
      e.timer = kHeldTimer;
      break;
    default:
      break;
  }
}

// The last action of a code whose timer ran out, from the point it has reached.
void RunTimerEnd(const Effect& f) {
  const EffectRecord& e = f.e;
  switch (e.code) {
    case 36: {
      BattleObject shot = f.Source(kNeutralKind);
      CreateShot(&shot, 1, kNobody);
      ScreenShake = 20;
      PlaySoundEntry(kSoundFesk);
      break;
    }
    case 46: {
      BattleObject shot = f.Source(3);
      CreateShot(&shot, 6, e.player);
      break;
    }
    case 87:
    case 88: {
      BattleObject shot = f.Aimed(9);
      CreateShot(&shot, e.code == 87 ? 10 : 11, e.player);
      break;
    }
    default:
      break;
  }
}

}  // namespace

void UpdateEffect(EffectRecord* record, int slot) {
  if (record == nullptr) return;
  const Effect f{*record, slot};
  EffectRecord& e = *record;
  RunBehaviour(f);
  e.x += e.vx;
  e.timer = AddSaturated(e.timer, -1);
  e.y += e.vy;
  // A timer at or below 0 ends the record: one that came in at 0 or below would otherwise never
  // be freed.
  if (e.timer <= 0) {
    RunTimerEnd(f);
    f.Free();
  }
  ProcessDamageEvent(record, slot);
}

}  // namespace veyrdale
