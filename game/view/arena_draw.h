// The draw list's arena entries: blocks and props (tag 4), items (tag 5) and familiars (tag 6).
// DrawArenaEntry, declared with the entry points, sends each entry to its drawing here.
#pragma once

#include <cstdint>

#include "game/core/records.h"

namespace veyrdale::view {

// Every entry leaves the modulation white. Items leave the alpha blend they are drawn with.
void DrawBlockOrProp(const BattleObject& entry, int shake, bool dark);
void DrawItem(const BattleObject& entry, int shake);
void DrawFamiliar(const BattleObject& entry, int shake);

// The frame of a block's strip by its damage d over its strength s and its removal countdown r,
// for cell value `kind` (1, 2, 3 or 5) on `arena`; -1 when the pair has no strip.
int BlockFrame(int kind, int arena, int32_t damage, float strength, int32_t countdown);

// Where the frames of a block's strip are cut from: a part of a background or of the whole
// picture in row 164, or the cells of a divided picture, frame f being cell f.
enum class StripSource : uint8_t {
  kNone,
  kBlockSheet,       // the second background
  kThirdBackground,  // the third background
  kRow164Part,       // the whole picture in row 164's first cell
  kRow163Cells,
  kRow164Cells,
};
// Frame `frame` of the strip of cell value `kind` on `arena`: its source and, for the parts, the
// rectangle it is cut from (for the cells, the whole cell: x and y 0). `frames` is the strip's
// frame count; a pair without a strip gives kNone.
struct StripCut {
  StripSource source;
  int x, y, width, height;
  int frames;
};
StripCut BlockStripCut(int kind, int arena, int frame);

// The crack stage 0-3 of a block standing whole: three stages from undamaged to its strength.
int CrackStage(int32_t damage, float strength);

// The remainder of a by m in 0 .. m-1 whatever a's sign, so that a cell computed from a timer or
// a state always lands in its table.
constexpr int64_t Wrap(int64_t a, int64_t m) {
  const int64_t r = a % m;
  return r < 0 ? r + m : r;
}

}  // namespace veyrdale::view
