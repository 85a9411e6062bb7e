// The one definition of each table the resource loader fills.
#include "game/core/resource_tables.h"

#include <algorithm>
#include <iterator>

namespace veyrdale {

PictureSlotTable PictureSlots;
int32_t StageBackgrounds[3] = {-1, -1, -1};
int32_t CharacterSheetCells[4][400];
int32_t CharacterSheetCellsB[4][400];
uint8_t PortraitSkipFlags[4] = {};
uint8_t ArenaBlackout = 0;
int32_t LocalDateTime[6] = {};

namespace {

// The sheet tables hold no graph before the first load. A function run at the start, not the
// constructor of an empty object: an optimised build drops such an object, so it would be a datum
// of some builds only.
[[gnu::constructor]] void EmptySheets() {
  for (auto* table : {&CharacterSheetCells, &CharacterSheetCellsB}) {
    for (auto& row : *table) std::fill(std::begin(row), std::end(row), -1);
  }
}

}  // namespace

}  // namespace veyrdale
