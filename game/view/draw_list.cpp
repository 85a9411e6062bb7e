// The draw list builder: collection, the depth sort and the top layer.
#include "game/view/draw_list.h"

#include "game/battle/access.h"
#include "game/battle/arena.h"
#include "game/battle/characters.h"
#include "game/core/data_files.h"
#include "game/core/match_setup.h"
#include "game/core/records.h"
#include "game/view/view.h"

namespace veyrdale {

BattleObject DrawList[kDrawListLimit];
EffectRecord LateEffectList[kLateEffectLimit];
uint16_t LateEffectCount;

namespace {

constexpr int kArenaWithSunkenBlocks = 7;  // its blocks lie under everything that stands
constexpr float kSunkenBlockLift = 2000.0f;
constexpr uint16_t kBaseCopy = 0;
constexpr uint16_t kSortedCopy = 1;

// Static rather than on the stack: 1024 records are too large for a frame of the battle loop.
BattleObject g_topLayer[kTopLayerLimit];
// The y of each list entry beside the list, so that the sort compares packed floats instead of
// reading a field of each 140-byte record.
float g_sortKeys[kDrawListLimit];

// One call's collection. Copies of blocks, props, effects, items and the dash spinner are made
// from one template, which keeps in the fields a kind does not name what the previous template
// copy left there; the drawing code reads only the named fields.
class Collector {
 public:
  explicit Collector(int arena) : arena_(arena) {
    for (int value = 0; value < 6; ++value) strength_[value] = BlockStrength(arena, value);
  }

  int mainCount() const { return n_; }

  void Main(const BattleObject& copy) {
    // The pools together can hold more than the list; what does not fit is not drawn.
    if (n_ >= kDrawListLimit) return;
    g_sortKeys[n_] = copy.y;
    DrawList[n_++] = copy;
  }

  void Top(const BattleObject& copy) {
    if (t_ < kTopLayerLimit) g_topLayer[t_++] = copy;
  }

  // The block at (c, r) as `block` shows it.
  void Block(int c, int r, uint16_t move, const DrawnBlock& block) {
    const int index = CellIndex(c, r);
    const int32_t value = block.value;
    template_.drawTag = kTagArena;
    template_.kind = static_cast<uint16_t>(value);
    template_.x = static_cast<float>(kCellPixels * c);
    template_.y = static_cast<float>(kCellPixels * r);
    if (move == kSortedCopy && arena_ == kArenaWithSunkenBlocks) template_.y -= kSunkenBlockLift;
    template_.meter = static_cast<float>(strength_[IsBlockValue(value) ? value : 0]);
    template_.life = g_arenaMap.cellState[index];
    template_.recovery = block.openTimer;
    template_.move = move;
    Main(template_);
  }

  void Prop(uint16_t kind, int x, int y, uint16_t move, bool top) {
    template_.drawTag = kTagArena;
    template_.kind = kind;
    template_.x = static_cast<float>(x);
    template_.y = static_cast<float>(y);
    template_.meter = 1.0f;
    template_.life = 0;
    template_.recovery = 0;
    template_.move = move;
    if (top) {
      Top(template_);
    } else {
      Main(template_);
    }
  }

  void Spinner(const GroundMark& mark) {
    template_.drawTag = kTagSpinner;
    template_.x = mark.x;
    template_.y = mark.y;
    template_.z = mark.z;
    template_.stateTimer = mark.timer;
    template_.heading = mark.heading;
    Top(template_);
  }

  void Effect(const EffectRecord& effect) {
    template_.drawTag = kTagEffect;
    template_.x = effect.x;
    template_.y = effect.y;
    template_.z = effect.z;
    template_.stateTimer = effect.timer;
    template_.kind = static_cast<uint16_t>(effect.code);
    template_.heading = effect.heading;
    template_.owner = static_cast<int16_t>(effect.player);
    template_.meter = static_cast<float>(effect.player);
    if (IsSortedEffectKind(effect.code)) {
      Main(template_);
    } else {
      Top(template_);
    }
  }

  void Item(const ItemRecord& item) {
    template_.drawTag = kTagItem;
    template_.x = item.x;
    template_.y = item.y;
    template_.z = item.z;
    template_.stateTimer = item.age;
    template_.kind = static_cast<uint16_t>(item.kind);
    Main(template_);
  }

  // Selection sort of the entries from `first` on by y: the first of equal values wins and is
  // swapped into place. Its tie order is what the screen shows, so no other sort may replace it.
  void Sort(int first) {
    for (int i = first; i < n_ - 1; ++i) {
      int lowest = i;
      for (int j = i + 1; j < n_; ++j) {
        if (g_sortKeys[j] < g_sortKeys[lowest]) lowest = j;
      }
      const BattleObject entry = DrawList[i];
      DrawList[i] = DrawList[lowest];
      DrawList[lowest] = entry;
      const float key = g_sortKeys[i];
      g_sortKeys[i] = g_sortKeys[lowest];
      g_sortKeys[lowest] = key;
    }
  }

  // Appends the top layer and gives the entry count.
  int Finish() {
    for (int k = 0; k < t_ && n_ + k < kDrawListLimit; ++k) DrawList[n_ + k] = g_topLayer[k];
    return n_ + t_ < kDrawListLimit ? n_ + t_ : kDrawListLimit;
  }

 private:
  int arena_;
  int strength_[6];
  int n_ = 0;
  int t_ = 0;
  BattleObject template_{};
};

void BaseProps(Collector& list, int arena) {
  if (arena == 0 || arena == 1) {
    list.Prop(51, 160, 96, kBaseCopy, false);
    list.Prop(52, 160, 480, kBaseCopy, false);
  } else if (arena == 9) {
    list.Prop(60, 160, 481, kBaseCopy, false);
  }
}

void SortedProps(Collector& list, int arena) {
  switch (arena) {
    case 0:
    case 1:
      list.Prop(51, 160, 96, kSortedCopy, false);
      list.Prop(52, 160, 480, kSortedCopy, false);
      // The tree tops over the trunks that the frame draws under everything.
      for (int i = 0; i < 12; ++i) {
        list.Prop(53, 608 * (i / 6) - 48, 80 * (i % 6) - 30, kBaseCopy, true);
      }
      break;
    case 2:
    case 3:
      list.Prop(55, 0, 480, kSortedCopy, false);
      break;
    case 4:
      list.Prop(54, 160, 0, kSortedCopy, true);
      break;
    case 6:
      list.Prop(56, 160, 0, kSortedCopy, true);
      break;
    case 8:
      list.Prop(58, 0, 480, kSortedCopy, false);
      list.Prop(57, 160, 0, kSortedCopy, true);
      break;
    case 9:
      list.Prop(60, 160, 481, kSortedCopy, false);
      list.Prop(59, 32, 320, kSortedCopy, true);
      break;
    default:
      break;
  }
}

// A copy of `record` with the draw tag `tag`.
BattleObject Tagged(const BattleObject& record, DrawTag tag) {
  BattleObject copy = record;
  copy.drawTag = tag;
  return copy;
}

void Players(Collector& list, int count) {
  for (int p = 0; p < count; ++p) {
    const BattleObject player = Tagged(g_players[p], kTagPlayer);
    // A character-12 player under its own card stands over the darkened arena.
    if (CardDarkensArena(player.kind) && g_playerState.cardBar[p] > 0) {
      list.Top(player);
    } else {
      list.Main(player);
    }
    if (HasCompanion(player.kind)) list.Main(Tagged(g_companions[p], kTagCompanion));
    if (LeavesGroundMarks(player.kind) && g_groundMarks[p].timer > 0)
      list.Spinner(g_groundMarks[p]);
  }
}

void Familiars(Collector& list) {
  for (const BattleObject& familiar : g_familiars) {
    if (familiar.state != 0) list.Main(Tagged(familiar, kTagFamiliar));
  }
}

void Shots(Collector& list) {
  for (int slot = 0; slot < kShotCount; ++slot) {
    const BattleObject& record = g_shots[slot];
    // Character 2's fifth move is drawn by its owner's frames, never as a shot.
    if (record.kind == 2 && record.move == 5) continue;
    if (record.state != 1) continue;
    const BattleObject shot = Tagged(record, kTagShot);
    if (g_shotDamage[slot].hitTag == 1) {
      list.Top(shot);
    } else {
      list.Main(shot);
    }
  }
}

// Copies each block as the frame's countdown of its openTimer leaves it.
void SortedBlocks(Collector& list) {
  for (int c = 0; c < kMapColumns; ++c) {
    for (int r = 0; r < kMapRows; ++r) {
      const int index = CellIndex(c, r);
      if (IsBlockValue(g_arenaMap.cells[index]))
        list.Block(c, r, kSortedCopy, CountedDownBlock(index));
    }
  }
}

void Effects(Collector& list) {
  for (int slot = 0; slot < kEffectCount; ++slot) {
    if (g_effectInUse[slot] != 1) continue;
    const EffectRecord& effect = g_effects[slot];
    if (effect.flag != 0) {
      if (LateEffectCount < kLateEffectLimit) LateEffectList[LateEffectCount++] = effect;
    } else {
      list.Effect(effect);
    }
  }
}

void Items(Collector& list) {
  for (int slot = 0; slot < kItemCount; ++slot) {
    if (g_itemFlags[slot] == 1 || g_itemFlags[slot] == 2) list.Item(g_items[slot]);
  }
}

}  // namespace

bool IsSortedEffectKind(int kind) {
  switch (kind) {
    case 19:
    case 20:
    case 22:
    case 29:
    case 57:
    case 58:
    case 61:
    case 62:
    case 63:
    case 67:
    case 77:
    case 86:
    case 87:
    case 88:
    case 89:
    case 90:
    case 94:
    case 100:
    case 101:
    case 103:
    case 104:
    case 105:
    case 106:
    case 107:
    case 108:
    case 116:
    case 125:
    case 133:
      return true;
    default:
      return false;
  }
}

int BuildDrawList(int count) {
  const int players = count < 0 ? 0 : (count > kPlayerCount ? kPlayerCount : count);
  const int arena = g_match.stage;
  Collector list(arena);
  if (g_options.effectLevel == 0) {
    for (int c = 0; c < kMapColumns; ++c) {
      for (int r = 0; r < kMapRows; ++r) {
        if (!IsBlockValue(CellValue(c, r))) continue;
        const int index = CellIndex(c, r);
        list.Block(c, r, kBaseCopy, {g_arenaMap.cells[index], g_arenaMap.openTimer[index]});
      }
    }
    BaseProps(list, arena);
  }
  const int base = list.mainCount();
  Players(list, players);
  Familiars(list);
  Shots(list);
  SortedBlocks(list);
  SortedProps(list, arena);
  Effects(list);
  Items(list);
  list.Sort(base);
  return list.Finish();
}

}  // namespace veyrdale
