// The arena's own objects: each arena's set placed at round start (and on the scene's schedule),
// and one frame of each kind. They fire neutral shots (owner 4) by wearing the neutral kind for
// the call; the shots' flight is the neutral launcher's and the shot behaviours' business.
#include <cstdint>
#include <cstdlib>

#include "game/battle/access.h"
#include "game/battle/arena.h"
#include "game/battle/battle.h"
#include "game/battle/directions.h"
#include "game/battle/familiars.h"
#include "game/battle/motion.h"
#include "game/battle/shots.h"
#include "game/core/data_files.h"
#include "game/core/frame_state.h"
#include "game/core/match_setup.h"
#include "game/core/numeric.h"
#include "game/core/records.h"
#include "game/core/sound_entries.h"
#include "morrow/system/time.h"

namespace veyrdale {

namespace {

int R(int n) {
  return morrow::GetRandomNumber(n);
}

bool Held() {
  return StoryPreFight > 0;
}

void Flash() {
  FlashFrames = 8;
  FlashLength = 8;
}

// The fields every placed object gets; the rest keep their values.
BattleObject& Place(int slot, int kind, float x, float y, int state, int heading,
                    int32_t recovery) {
  BattleObject& o = g_familiars[slot];
  o.kind = static_cast<uint16_t>(kind);
  o.x = x;
  o.y = y;
  o.state = state;
  o.heading = heading;
  o.recovery = recovery;
  o.stateTimer = 0;
  o.guard = 0;
  return o;
}

void Still(BattleObject& o) {
  o.vx = 0.0f;
  o.vy = 0.0f;
}

void PlaceWalker() {
  int slot = 0;
  while (slot < kFamiliarCount && g_familiars[slot].state > 0) ++slot;
  if (slot == kFamiliarCount) return;
  const int side = R(1);
  const int heading = side == 0 ? 0 : 128;
  BattleObject& o = Place(slot, 2, static_cast<float>(704 * side - 32), 0.0f, 1, heading, 480);
  o.y = static_cast<float>(200 + R(80));
  o.speed = static_cast<float>(2.0 + 0.1 * R(5));
  o.vx = VelocityX(heading, o.speed);
  o.vy = VelocityY(heading, o.speed);
  o.life = 0;
  int variant = R(5);
  if (variant >= 2) ++variant;
  o.stun = static_cast<float>(variant);
  if (R(256) == 1) {
    o.stun = 2.0f;
    o.vx /= 2.0f;
  }
}

void PlaceOrbiters() {
  for (int k = 0; k < 4; ++k) {
    BattleObject& o = g_familiars[k];
    o.kind = 9;
    o.state = 1;
    Still(o);
    o.z = 0.0f;
    o.recovery = 0;
    o.stun = static_cast<float>(k);
    o.stateTimer = 0;
    o.guard = 0;
  }
  BattleObject& centre = g_familiars[0];
  centre.x = static_cast<float>(140 + R(360));
  centre.y = static_cast<float>(140 + R(200));
  centre.heading = R(255);
  const int u = R(255);
  for (int k = 1; k < 4; ++k) {
    BattleObject& o = g_familiars[k];
    o.heading = WrapHeading(int64_t{u} + 85 * k);
    o.x = centre.x + CosOf(o.heading) * 100.0f / 256.0f;
    o.y = centre.y + NegSinOf(o.heading) * 100.0f / 256.0f;
  }
}

// ---- One frame by kind ---------------------------------------------------------------------

// "fires move m" from the object itself, or from a copy of it where the object asks for one.
void FireNeutral(BattleObject* o, int move) {
  FireWearingKind(o, kNeutralKind, move, kNobody);
}
void FireNeutralCopy(const BattleObject& o, int move) {
  BattleObject copy = o;
  copy.kind = static_cast<uint16_t>(kNeutralKind);
  CreateShot(&copy, static_cast<int16_t>(move), kNobody);
}

void LowerDownTo(int32_t* value, int32_t step, int32_t floor) {
  if (*value > floor) *value -= step;
}

// Returns true when the frame ends without the timer's rise.
bool Pole(BattleObject& o) {
  if (Held()) return false;
  if (o.stateTimer % 5 == 0) FireNeutralCopy(o, 2);
  switch (o.state) {
    case 1:
      if (o.stateTimer > o.recovery) {
        o.state = 2;
        o.stateTimer = 1;
        return true;
      }
      break;
    case 2:
      if (o.stateTimer == 24) {
        CreateEffect(&o, 51);
        LowerDownTo(&o.recovery, 30, 240);
      }
      if (o.stateTimer == 40 && o.recovery <= 240) CreateEffect(&o, 51);
      if (o.stateTimer == 96) {
        o.state = 1;
        o.stateTimer = 1;
        return true;
      }
      break;
    case 3:
      if (o.stateTimer == 24) {
        o.state = 2;
        o.stateTimer = 1;
        return true;
      }
      break;
    default:
      break;
  }
  return false;
}

bool Turret(BattleObject& o) {
  o.state = 2;
  if (SceneFrame < 1024 || Held()) return true;
  if (o.stateTimer == o.recovery) {
    FireNeutral(&o, 3);
    if (o.attackDelay < INT16_MAX) ++o.attackDelay;
    o.stateTimer = 0;
    LowerDownTo(&o.recovery, 100, 500);
  }
  return false;
}

bool Walker(BattleObject& o) {
  switch (o.state) {
    case 1:
    case 3:
      if (o.stateTimer % 8 == 0) FireNeutral(&o, 4);
      break;
    case 2:
      if (std::abs(o.vx) > 0.5f || std::abs(o.vy) > 0.5f) {
        o.vx *= 0.91f;
        o.vy *= 0.91f;
      } else {
        Still(o);
      }
      if (o.stateTimer > 89) {
        o.speed *= 3.0f;
        o.state = 3;
        o.vx = VelocityX(o.heading, o.speed);
        o.vy = VelocityY(o.heading, o.speed);
      }
      break;
    default:
      break;
  }
  o.x += o.vx;
  o.y += o.vy;
  if (o.x < -64.0f || o.x >= 704.0f) o.state = 0;
  if (o.guard > 0) --o.guard;
  return false;
}

bool Corner(BattleObject& o) {
  const int n = SceneFrame < 2400 ? 7 : SceneFrame < 3600 ? 5 : SceneFrame < 4800 ? 4 : 3;
  const int r = R(n);
  switch (o.state) {
    case 2:
      if (Held() && o.stateTimer > 60) return true;
      if (o.stateTimer > o.recovery) {
        o.state = r <= 2 ? 3 : 4;
        o.stateTimer = 1;
        return true;
      }
      break;
    case 3:
    case 4:
      if (o.state == 3 && o.stateTimer > 79 && o.stateTimer < 128) FireNeutral(&o, 5);
      if (o.stateTimer == 160) {
        o.state = 2;
        o.stateTimer = 0;
        LowerDownTo(&o.recovery, 40, 480);
      }
      break;
    default:
      break;
  }
  return false;
}

// A walk of the guardian: its length drawn, its direction toward the far side of the middle.
void StartWalk(BattleObject& o) {
  o.state = 3;
  o.stateTimer = 0;
  o.recovery = 100 + R(140);
  o.heading = o.x > 320.0f ? 128 : 0;
}

bool Guardian(BattleObject& o) {
  float target = 0.0f;
  switch (o.state) {
    case 2:
      if (Held() && o.stateTimer > 60) return true;
      if (o.stateTimer > o.recovery) StartWalk(o);
      break;
    case 3: {
      const bool left = o.heading == 128;
      if (o.stateTimer > 12) target = left ? -1.0f : 1.0f;
      const bool passed = left ? o.x < 220.0f : o.x > 420.0f;
      if (o.stateTimer > o.recovery || passed) {
        o.state = SceneFrame % 600 <= 300 ? 4 : 2;
        o.stateTimer = 0;
        o.recovery = 200 + R(100);
      }
      break;
    }
    case 4:
      if (o.stateTimer == 48) CreateEffect(&o, 59);
      if (o.stateTimer == 96) FireNeutral(&o, 6);
      if (o.stateTimer == 240) StartWalk(o);
      break;
    default:
      break;
  }
  BlendVelocity(&o.vx, &o.vy, target, 0.0f, 3, 1);
  o.x += o.vx;
  o.y += o.vy;
  return false;
}

bool Cannon(BattleObject& o) {
  switch (o.state) {
    case 2:
      if (Held()) return true;
      if (o.stateTimer > o.recovery) {
        o.state = 3;
        o.stateTimer = 1;
        return true;
      }
      break;
    case 3:
      if (o.stateTimer == 48) {
        FireNeutral(&o, 7);
        LowerDownTo(&o.recovery, 20, 240);
      }
      if (o.stateTimer == 64) {
        o.state = 2;
        o.stateTimer = 1;
        return true;
      }
      break;
    default:
      break;
  }
  return false;
}

// Up to three cells of value 44, each taken on a coin toss, become walls again while no player
// stands within 64 pixels of them.
void RebuildWalls() {
  int rebuilt = 0;
  const int inPlay = PlayersInPlay();
  for (int col = 0; col < kMapColumns; ++col) {
    for (int row = 0; row < kMapRows; ++row) {
      if (CellValue(col, row) != kCellNeverBlocks || R(1) != 0) continue;
      const float cx = static_cast<float>(16 + kCellPixels * col);
      const float cy = static_cast<float>(16 + kCellPixels * row);
      bool near = false;
      for (int p = 0; p < inPlay; ++p) {
        near = near || CheckCircleHit(cx, cy, g_players[p].x, g_players[p].y, 64);
      }
      if (near) continue;
      SetCell(col, row, 1);
      const int index = CellIndex(col, row);
      g_arenaMap.cellState[index] = 0;
      g_arenaMap.openTimer[index] = 0;
      if (++rebuilt == 3) return;
    }
  }
}

bool Dropper(BattleObject& o) {
  o.state = 2;
  if (Held()) return true;
  if (o.stateTimer == o.recovery) {
    FireNeutral(&o, 8);
    o.stateTimer = 0;
    LowerDownTo(&o.recovery, 20, 600);
  }
  if (SceneFrame % 1000 == 999) RebuildWalls();
  return false;
}

void Bounce(BattleObject& o) {
  const float oldX = o.trailX[0];
  const float oldY = o.trailY[0];
  const int code = SnapToWalls(&o.x, &o.y, oldX, oldY, 56, 56, 4);
  if (code == 1 || code == 2) {
    o.vx = -o.vx;
    o.heading = o.vy == 0.0f ? (code == 1 ? 128 : 0) : WrapHeading(128 - int64_t{o.heading});
  } else if (code == 3 || code == 4) {
    o.vy = -o.vy;
    o.heading = o.vx == 0.0f ? (code == 3 ? 64 : 192) : WrapHeading(-int64_t{o.heading});
  }
  if (code != 0) PlaySoundEntry(kSoundWall);
  if (TruncToInt(o.y) > 452) {
    o.y = 452.0f;
    o.vy = -o.vy;
    o.heading = WrapHeading(-int64_t{o.heading});
    PlaySoundEntry(kSoundWall);
  }
}

bool Block(BattleObject& o) {
  if (o.z < 0.0f) {
    o.guard = 2;
    if (CellValue(9, 8) == 0) {
      o.vz += 0.5f;
      if (o.vz > 9.0f) o.vz = 9.0f;
      o.z += o.vz;
      if (o.z >= 0.0f) {
        o.z = 0.0f;
        CreateEffect(&o, 0);
        PlaySoundEntry(kSoundBomb);
        ScreenShake = 16;
      }
    }
  } else {
    if (o.stateTimer % 16 == 0 && RoundFrame >= 300 && StoryPreFight == 0) FireNeutralCopy(o, 9);
    o.trailX[0] = o.x;
    o.trailY[0] = o.y;
    if (o.recovery < 1) {
      o.vx *= 0.98f;
      o.vy *= 0.98f;
    } else {
      --o.recovery;
      if (o.recovery > 49) o.guard = 32;
    }
    o.x += o.vx;
    o.y += o.vy;
    Bounce(o);
  }
  if (o.guard > 0) --o.guard;
  return false;
}

void FeedPlayers(const BattleObject& o) {
  const int inPlay = PlayersInPlay();
  for (int p = 0; p < inPlay; ++p) {
    BattleObject& player = g_players[p];
    if (player.state >= 10) continue;
    const int x = TruncToInt(player.x);
    const int y = TruncToInt(player.y);
    if (GetSquaredDistance(x, y, TruncToInt(o.x), TruncToInt(o.y)) >= 576) continue;
    CreateItem(x, y, 1, 1, p);
    player.meter = player.meter + 2.0f > 700.0f ? 700.0f : player.meter + 2.0f;
  }
}

bool Orbiter(BattleObject& o) {
  o.guard = 2;
  switch (o.state) {
    case 1:
      if (o.stateTimer == 48) {
        o.state = 2;
        o.stateTimer = 0;
      }
      break;
    case 2:
      if (o.stun == 0.0f) {
        if (o.stateTimer == 1) {
          o.vx = VelocityX(o.heading, 1.5f);
          o.vy = VelocityY(o.heading, 1.5f);
        }
        if (o.x < 108.0f || o.x > 532.0f) {
          o.x = o.x < 108.0f ? 108.0f : 532.0f;
          o.vx = -o.vx;
        }
        if (o.y < 108.0f || o.y > 372.0f) {
          o.y = o.y < 108.0f ? 108.0f : 372.0f;
          o.vy = -o.vy;
        }
        if (o.stateTimer % 2 == 0) FeedPlayers(o);
      } else {
        const BattleObject& centre = g_familiars[0];
        o.heading = WrapHeading(int64_t{o.heading} + 1);
        o.x = centre.x + CosOf(o.heading) * 100.0f / 256.0f;
        o.y = centre.y + NegSinOf(o.heading) * 100.0f / 256.0f;
        if (o.stateTimer == 2) {
          CreateEffect(&o, 114);
          PlaySoundEntry(kSoundShotS);
        }
        if (o.stateTimer > 33 && o.stateTimer % 2 == 0) FireNeutral(&o, 12);
      }
      if (o.stateTimer > 225) {
        o.state = 3;
        o.stateTimer = 0;
      }
      break;
    case 3:
      Still(o);
      if (o.stateTimer == 48) o.state = 0;
      break;
    default:
      break;
  }
  o.x += o.vx;
  o.y += o.vy;
  if (o.x < -64.0f || o.x > 703.0f) o.state = 0;
  return false;
}

}  // namespace

int FamiliarSlotOf(const BattleObject* record) {
  // Compare as integers: relational comparison of pointers into different arrays is unspecified.
  const auto address = reinterpret_cast<uintptr_t>(record);
  const auto first = reinterpret_cast<uintptr_t>(&g_familiars[0]);
  if (address < first) return -1;
  const uintptr_t offset = address - first;
  if (offset % sizeof(BattleObject) != 0) return -1;
  const uintptr_t slot = offset / sizeof(BattleObject);
  return slot < static_cast<uintptr_t>(kFamiliarCount) ? static_cast<int>(slot) : -1;
}

void FireWearingKind(BattleObject* object, int kind, int move, int owner) {
  const uint16_t own = object->kind;
  object->kind = static_cast<uint16_t>(kind);
  CreateShot(object, static_cast<int16_t>(move), owner);
  object->kind = own;
}

void RaiseTimer(BattleObject* object) {
  if (object->stateTimer < INT32_MAX) ++object->stateTimer;
}

void PlaceArenaObjects() {
  if (g_options.meleeLevel == 1) return;
  const int stage = g_match.stage;
  switch (stage) {
    case 0:
    case 1:
      Place(0, 0, 320.0f, 72.0f, 1, 192, stage == 1 ? 240 : 480);
      Flash();
      SlowMotionFrames = 15;
      break;
    case 2:
    case 3:
      Place(0, 1, 320.0f, -32.0f, 1, 192, stage == 3 ? 1300 : 1000);
      break;
    case 4:
      PlaceWalker();
      break;
    case 5: {
      constexpr float kX[4] = {448.0f, 192.0f, 580.0f, 60.0f};
      constexpr float kY[4] = {96.0f, 96.0f, 244.0f, 244.0f};
      for (int k = 0; k < 4; ++k) {
        // The corner objects keep their guard.
        BattleObject& o = g_familiars[k];
        const int16_t guard = o.guard;
        Place(k, 3, kX[k], kY[k], 2, k % 2 == 0 ? 160 : 224, 900);
        o.guard = guard;
        Still(o);
      }
      Still(Place(4, 4, 320.0f, 108.0f, 2, 192, 480));
      break;
    }
    case 6:
      Place(0, 5, 318.0f, 280.0f, 2, 192, 480);
      Flash();
      break;
    case 7:
      Place(0, 6, 320.0f, -32.0f, 1, 192, 800);
      break;
    case 8:
      Place(0, 7, 320.0f, 248.0f, 1, 0, 0).z = -640.0f;
      break;
    case 9:
      PlaceOrbiters();
      break;
    case 10:
      Still(Place(4, 10, 0.0f, 0.0f, 2, 192, 0));
      break;
    default:
      break;
  }
}

void UpdateArenaObject(BattleObject* object, int slot) {
  (void)slot;
  BattleObject& o = *object;
  bool ended = false;
  switch (o.kind) {
    case 0:
      ended = Pole(o);
      break;
    case 1:
      ended = Turret(o);
      break;
    case 2:
      ended = Walker(o);
      break;
    case 3:
      ended = Corner(o);
      break;
    case 4:
      ended = Guardian(o);
      break;
    case 5:
      ended = Cannon(o);
      break;
    case 6:
      ended = Dropper(o);
      break;
    case 7:
      ended = Block(o);
      break;
    case 9:
      ended = Orbiter(o);
      break;
    case 10:
      o.guard = 1;
      break;
    default:
      // No kind of the game: the record is left as it is.
      return;
  }
  if (!ended) RaiseTimer(&o);
}

void UpdateFamiliar(BattleObject* record) {
  if (record == nullptr) {
    ++IndexMisses;
    return;
  }
  const int slot = FamiliarSlotOf(record);
  if (record->kind == kSummonedKind) {
    UpdateSummonedFamiliar(record, slot);
  } else {
    UpdateArenaObject(record, slot);
  }
}

}  // namespace veyrdale
