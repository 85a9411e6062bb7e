// The effects a test's battle code made, read from the effect pool (which every test starts
// empty): how many are live, how many hold a code, and the last one made.
#pragma once

#include "game/core/records.h"

namespace testsupport {

inline int LiveEffects() {
  int count = 0;
  for (uint16_t flag : veyrdale::g_effectInUse) count += flag == 1 ? 1 : 0;
  return count;
}

inline int EffectsWithCode(int code) {
  int count = 0;
  for (int slot = 0; slot < veyrdale::kEffectCount; ++slot) {
    count += veyrdale::g_effectInUse[slot] == 1 && veyrdale::g_effects[slot].code == code ? 1 : 0;
  }
  return count;
}

// The first live effect holding a code; null when none does.
inline const veyrdale::EffectRecord* FirstEffectWithCode(int code) {
  for (int slot = 0; slot < veyrdale::kEffectCount; ++slot) {
    if (veyrdale::g_effectInUse[slot] == 1 && veyrdale::g_effects[slot].code == code) {
      return &veyrdale::g_effects[slot];
    }
  }
  return nullptr;
}

// The live effect in the highest slot: with nothing freed, the last one made. Null when none is.
inline const veyrdale::EffectRecord* LastEffect() {
  for (int slot = veyrdale::kEffectCount - 1; slot >= 0; --slot) {
    if (veyrdale::g_effectInUse[slot] == 1) return &veyrdale::g_effects[slot];
  }
  return nullptr;
}

}  // namespace testsupport
