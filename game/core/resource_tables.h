// The tables of graph handles that the resource loader fills and the drawing reads, and the small
// state the loader sets on the way. -1 wherever the last load filled nothing: every free stores
// -1, so no table ever names a graph that is gone.
#pragma once

#include <cstdint>

namespace veyrdale {

// 200 slots of 64 handles: slot k holds the cells of one picture, cell i in entry i. Slots 0-159
// hold the picture list of the current mode, 160-167 the pictures of the current arena, 168-199
// four blocks of eight per player. The slots lie end to end, so a picture of more than 64 cells
// runs on into the next slot, where its cells are read as they were written.
constexpr int kPictureSlots = 200;
constexpr int kPictureCells = 64;
constexpr int kListSlots = 160;
// Slot 141: the battle's picture digits 0 to 9.
constexpr int kPictureDigitSlot = 141;

struct PictureSlotTable {
  int32_t cells[kPictureSlots * kPictureCells];
  constexpr PictureSlotTable() : cells() {
    for (int32_t& cell : cells) cell = -1;
  }
  // The first entry of a slot; the caller keeps within the table.
  int32_t* operator[](int slot) { return cells + slot * kPictureCells; }
  const int32_t* operator[](int slot) const { return cells + slot * kPictureCells; }
};

extern PictureSlotTable PictureSlots;

// The arena's three whole-screen backgrounds (layers one to three).
extern int32_t StageBackgrounds[3];
// The cells of each player's character sheet, and of its second sheet when it has one.
extern int32_t CharacterSheetCells[4][400];
extern int32_t CharacterSheetCellsB[4][400];

// Per player: 1 leaves the face, caption and portrait sheets unloaded (the story sets it).
extern uint8_t PortraitSkipFlags[4];
// 1 while the battle draw covers the arena with black (the story and its scripts set it).
extern uint8_t ArenaBlackout;
// Year, month 1-12, day, hour, minute, second, taken at every load.
extern int32_t LocalDateTime[6];

}  // namespace veyrdale
