// What the battle runner reads of the battle state: its hash, its trace line and its invariants.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "game/battle/field_table.h"
#include "game/battle/state_snapshot.h"

namespace battlesim {

// Visits every element of one pool record by record and field by field (array fields element by
// element).
template <typename Visit>
void ForEachPoolElement(const veyrdale::RecordPool& pool, Visit&& visit) {
  auto* base = static_cast<unsigned char*>(pool.base);
  for (int i = 0; i < pool.count; ++i) {
    unsigned char* record = base + pool.layout->size * static_cast<size_t>(i);
    for (const veyrdale::RecordField& field : pool.layout->fields) {
      const int width = veyrdale::FieldWidth(field.type);
      for (int k = 0; k < field.count; ++k) {
        visit(veyrdale::FieldRef{record + field.offset + k * width, field.type});
      }
    }
  }
}

// Visits every element of one global, row-major.
template <typename Visit>
void ForEachGlobalElement(const veyrdale::GlobalField& g, Visit&& visit) {
  const int width = veyrdale::FieldWidth(g.type);
  for (int i = 0; i < g.dims[0]; ++i) {
    for (int j = 0; j < g.dims[1]; ++j) {
      const int element = i * g.strides[0] + j * g.strides[1];
      visit(veyrdale::FieldRef{static_cast<unsigned char*>(g.address) + element * width, g.type});
    }
  }
}

// Visits every element of the field table in table order: each pool, then each global.
template <typename Visit>
void ForEachStateElement(Visit&& visit) {
  for (const veyrdale::RecordPool& pool : veyrdale::RecordPools()) ForEachPoolElement(pool, visit);
  for (const veyrdale::GlobalField& g : veyrdale::GlobalFields()) ForEachGlobalElement(g, visit);
}

// The battle's copy of everything the field table reaches, put back in one pass: the battle
// benchmark starts every frame from the same full pools.
using StateSnapshot = veyrdale::StateSnapshot;

// FNV-1a 64 over the field-by-field serialisation of the whole field table (every pool and side
// table, the per-player arrays, the battle globals, the arena map, the frame state and the
// match set-up): each element little-endian, floats by their bit pattern. Never the records' raw
// bytes, whose padding is not state.
uint64_t HashBattleState();

// The same hash over what a frame may change and a later frame undo, cheap enough to take after
// every frame: the player records, the globals of one value or one per player (the counters of
// shakes, flashes, freezes and slow motion, the story's phases, the per-player arrays), and the
// next number the random generator gives. Folded over every frame of a run, it tells runs apart
// that end alike but went differently (a screen shake of another strength, a number drawn and
// made up for).
uint64_t HashFrameState();

// One trace line (without the newline), after `frame` frames have run:
//   frame SceneId SceneFrame RoundFrame
//   | state life trunc(meter) trunc(10 x gauge) score wins     (for each player in play)
//   | liveShots liveEffects liveItems | hash (16 hex digits)
std::string TraceLine(int64_t frame, int players);

// The first invariant the battle state breaks, as NAME and detail; false when every one holds.
struct InvariantFailure {
  std::string name;
  std::string detail;
};
bool FindBrokenInvariant(InvariantFailure* failure);

}  // namespace battlesim
