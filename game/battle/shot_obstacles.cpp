// Obstacle damage: a shot over a blocking arena cell damages it by its hit class, breaks it at
// the arena's strength (with the arena's outcome: neighbours cleared, objects placed, rewards),
// and strikes it: most shots end there, class-1 shots bounce off.
#include <cstdint>

#include "game/battle/access.h"
#include "game/battle/arena.h"
#include "game/battle/battle.h"
#include "game/battle/characters.h"
#include "game/battle/shot_behaviour.h"
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

constexpr int kOpenFrames = 96;  // a broken cell stops blocking for this long
constexpr int kGateBase = 30;    // gate cells hold 31-33: the part of a wider block they stand for

// The value of a cell inside the grid; cells outside it count as empty.
int32_t CellOrEmpty(int c, int r) {
  if (c < 0 || c >= kMapColumns || r < 0 || r >= kMapStorageRows) return 0;
  return g_arenaMap.cells[c + kMapColumns * r];
}

struct Cell {
  int col;
  int row;
  int value;
};

// A gate cell is one part of a block whose damage and break belong to its anchor: column 8, row 7
// when the cell to its left holds 33, else one column left, or two when that cell is itself a gate.
// An anchor that would lie left of the grid leaves the cell where it is.
void MapGate(Cell& cell) {
  const int32_t left = CellOrEmpty(cell.col - 1, cell.row);
  if (left == 33) {
    cell.col = 8;
    cell.row = 7;
  } else {
    const int anchor = cell.col - (left > kGateBase ? 2 : 1);
    if (anchor >= 0) cell.col = anchor;
  }
  cell.value -= kGateBase;
}

// Writes to the right of the cell stay in its row: past column 19 nothing is written.
void ClearToTheRight(const Cell& cell, int distance) {
  if (cell.col + distance < kMapColumns) SetCell(cell.col + distance, cell.row, 0);
}

BattleObject SourceAt(float x, float y, const BattleObject& shot) {
  BattleObject source{};
  source.kind = shot.kind;
  source.x = x;
  source.y = y;
  source.owner = shot.owner;
  return source;
}

// Arena 8's cells of value 1 hold a reward, unless melee is set.
void GiveReward(const Cell& cell, const BattleObject& shot, int owner) {
  if (g_options.meleeLevel != 0) return;
  const int k =
      g_match.survivalMode != 0 ? 3 * morrow::GetRandomNumber(1) : morrow::GetRandomNumber(3);
  const float left = static_cast<float>(kCellPixels * cell.col);
  const float top = static_cast<float>(kCellPixels * cell.row);
  const float centreX = left + kCellPixels / 2;
  const float centreY = top + kCellPixels / 2;
  switch (k) {
    case 0: {
      // A push that throws things away from the cell along the nearest axis.
      BattleObject source = SourceAt(left, top, shot);
      const int heading = shot.vx == 0.0f && shot.vy == 0.0f
                              ? HeadingBetween(centreX, centreY, shot.x, shot.y)
                              : WrapHeading(static_cast<int64_t>(shot.heading) + 128);
      source.heading = heading < 32 || heading >= 224 ? 0
                       : heading < 96                 ? 64
                       : heading < 160                ? 128
                                                      : 192;
      CreateEffect(&source, 93);
      const int index = CellIndex(cell.col, cell.row);
      if (index >= 0) g_arenaMap.openTimer[index] = 0;
      SetCell(cell.col, cell.row, 0);
      break;
    }
    case 1:
      if (owner >= 0) CreateItem(cell.col, cell.row, 32, 0, owner);
      break;
    case 2:
      if (owner >= 0) CreateItem(cell.col, cell.row, 1, 76, owner);
      break;
    default: {
      BattleObject source = SourceAt(centreX, centreY, shot);
      source.kind = kNeutralKind;
      source.owner = kNobody;
      CreateShot(&source, 11, kNobody);
      CreateEffect(&source, 0);
      CreateEffect(&source, 0);
      break;
    }
  }
}

// What else a break does, by arena and the value of the broken cell.
void RunBreakOutcome(int arena, const Cell& cell, const BattleObject& shot, int owner) {
  const int v = cell.value;
  switch (arena) {
    case 0:
    case 1:
      if (v == 2) {
        ClearToTheRight(cell, 1);
        PlaceArenaObjects();
      }
      break;
    case 2:
    case 3:
      if (v == 1 || v == 2) ClearToTheRight(cell, 1);
      if (v == 2) ClearToTheRight(cell, 2);
      break;
    case 4:
      if (v == 2) ClearToTheRight(cell, 1);
      break;
    case 6:
      if (v == 2) ClearToTheRight(cell, 1);
      if (v == 3) {
        // The seal: it keeps blocking, and the gates it held shut become walls.
        const int index = CellIndex(cell.col, cell.row);
        if (index >= 0) g_arenaMap.openTimer[index] = -kOpenFrames;
        PlaceArenaObjects();
        for (int c = 0; c <= 14; ++c) {
          for (int r = 0; r <= 19; ++r) {
            if (CellValue(c, r) == 33) SetCell(c, r, 4);
          }
        }
      }
      break;
    case 8:
      if (v == 3) ClearToTheRight(cell, 1);
      if (v == 1) GiveReward(cell, shot, owner);
      break;
    case 9:
      if (v == 2) {
        ClearToTheRight(cell, 1);
        BattleObject source = SourceAt(static_cast<float>(kCellPixels * cell.col + 16),
                                       static_cast<float>(kCellPixels * cell.row + 16), shot);
        CreateEffect(&source, 118);
      }
      break;
    default:
      break;
  }
}

void BreakCell(int arena, const Cell& cell, int index, const BattleObject& shot, int owner) {
  g_arenaMap.openTimer[index] = kOpenFrames;
  RunBreakOutcome(arena, cell, shot, owner);
  ScreenShake = 20;
  PlaySoundEntry(kSoundObstacleBroken);
  if (owner < 0) return;
  g_playerState.obstaclesBroken[owner] = AddSaturated(g_playerState.obstaclesBroken[owner], 1);
  CreateItem(cell.col, cell.row, 16, 0, owner);
  GiveLowLifeItem(owner);
}

// A class-1 shot with bounces left comes off the cell, mirrored on the side it struck.
void Bounce(BattleObject* shot, int slot) {
  if (shot->life == 0) {
    shot->state = 0;
    return;
  }
  shot->state = 1;
  const int box = g_shotDamage[slot].hitRadius - 8;
  const int side = SnapToWalls(&shot->x, &shot->y, shot->trailX[0], shot->trailY[0], box, box, 4);
  if (side == 1 || side == 2) {
    shot->heading = shot->vy == 0.0f ? (side == 1 ? 128 : 0)
                                     : WrapHeading(384 - static_cast<int64_t>(shot->heading));
    shot->vx = -shot->vx;
  } else if (side == 3 || side == 4) {
    shot->heading = shot->vx == 0.0f ? (side == 3 ? 64 : 192)
                                     : WrapHeading(256 - static_cast<int64_t>(shot->heading));
    shot->vy = -shot->vy;
  }
  shot->life = AddSaturated(shot->life, -1);
  PlaySoundEntry(kSoundCellStruck);
  if (shot->kind == 6 && shot->move == 4) {
    CreateShot(shot, 7, shot->owner);
    for (int i = 0; i < 4; ++i) CreateEffect(shot, 63);
    shot->state = 0;
  } else if (shot->kind == 13 && shot->move == 3) {
    const int64_t spread =
        morrow::GetRandomNumber(12) * (1 - 2 * static_cast<int64_t>(shot->recovery));
    shot->heading = WrapHeading(shot->heading + spread);
    shot->vx = VelocityX(shot->heading, shot->speed);
    shot->vy = VelocityY(shot->heading, shot->speed);
  }
}

}  // namespace

void DamageObstacle(BattleObject* shot, int slot) {
  const ShotDamageRecord& record = g_shotDamage[slot];
  const int box = record.hitRadius - 8;
  Cell cell{0, 0, 0};
  cell.value =
      MapCellAt(TruncToInt(shot->x), TruncToInt(shot->y), box, box, 4, &cell.col, &cell.row);
  const bool solid = (cell.value >= 1 && cell.value <= 5) || (cell.value >= 31 && cell.value <= 33);
  if (!solid) return;
  // A box reaching column 20 reads the storage of the next row's first cell: that is the cell.
  if (cell.col == kMapColumns) {
    cell.col = 0;
    ++cell.row;
  }
  if (cell.value > kGateBase) MapGate(cell);

  const int owner = ShotOwnerIndex(*shot);
  const int ownerKind = owner >= 0 ? g_players[owner].kind : -1;
  const int hitClass = record.hitClass;
  int64_t damage = record.damage;
  if (hitClass == 2 || hitClass == 5) {
    damage /= 2;
    if (ownerKind != 8 && SceneFrame % 4 != 0) return;
  } else if (hitClass == 3 && ownerKind != 10) {
    damage *= 2;
    if (SceneFrame % 2 == 0) {
      shot->state = 0;
      return;
    }
  } else if (hitClass == 4) {
    damage *= 2;
    if (SceneFrame % 5 != 0) return;
  }

  // Only the ten arenas have strengths; elsewhere cells still stop shots but never break.
  const int arena = g_match.stage;
  const int index = CellIndex(cell.col, cell.row);
  if (arena >= 0 && arena <= 9 && index >= 0) {
    const int threshold = BlockStrength(arena, cell.value);
    int32_t& damageTaken = g_arenaMap.cellState[index];
    if (g_arenaMap.openTimer[index] == 0) {
      damageTaken = AddSaturated(damageTaken, damage);
      // Character 4's heavy shots now and then crack a cell at once.
      if (hitClass == 5 && shot->kind == 4 && morrow::GetRandomNumber(8) == 7) {
        damageTaken = threshold;
        FlashFrames = 4;
        FlashLength = 6;
        DispatchHitEffect(shot, shot, 15);
      }
    }
    if (damageTaken >= threshold && g_arenaMap.openTimer[index] == 0) {
      BreakCell(arena, cell, index, *shot, owner);
    }
  }

  // Classes 2 and 4 go on through cells of value 4 without striking them.
  if ((hitClass == 2 || hitClass == 4) && cell.value == 4) return;
  if (hitClass != 2 && hitClass != 4 && hitClass != 5) shot->state = 0;
  PlaySoundEntry(kSoundCellStruck);
  if (!(FightsLikeCharacter0(shot->kind) && shot->move == 6)) {
    DispatchHitEffect(shot, shot, record.hitClass);
  }
  RunShotImpactReaction(shot, slot, ShotCell{cell.col, cell.row});
  if (record.hitClass == 5) {
    shot->state = 0;
  } else if (record.hitClass == 1) {
    Bounce(shot, slot);
  }
}

}  // namespace veyrdale
