// The tables of graph handles that the resource loader fills and the drawing reads.
#pragma once

#include <cstdint>

namespace veyrdale {

// 200 slots of 64 handles: slot k holds the cells of one picture, cell i in entry i. Slots 0-159
// hold the picture list of the current mode, 160-167 the pictures of the current arena, 168-199
// four blocks of eight per player. -1 where the last load filled nothing.
constexpr int kPictureSlots = 200;
constexpr int kPictureCells = 64;
// Slot 141: the battle's picture digits 0 to 9.
constexpr int kPictureDigitSlot = 141;

struct PictureSlotTable {
  int32_t cells[kPictureSlots][kPictureCells];
  constexpr PictureSlotTable() {
    for (auto& slot : cells) {
      for (int32_t& cell : slot) cell = -1;
    }
  }
  int32_t* operator[](int slot) { return cells[slot]; }
  const int32_t* operator[](int slot) const { return cells[slot]; }
};

extern PictureSlotTable PictureSlots;

}  // namespace veyrdale
