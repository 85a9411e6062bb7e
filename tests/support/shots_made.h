// The shots CreateShot made, read back from the pool: a shot CreateShot made is live, of its
// source's kind, and carries its own slot in `stun` (a record a test placed by hand seldom does).
#pragma once

#include <cstdint>

#include "game/core/records.h"

namespace testsupport {

constexpr int kNeutralShotKind = 51;

// Any kind above 15 stands for the neutral kind.
inline int PoolKind(int kind) {
  return kind > 15 ? kNeutralShotKind : kind;
}

inline bool MadeByCreateShot(int slot, int kind) {
  const veyrdale::BattleObject& s = veyrdale::g_shots[slot];
  return s.state == 1 && s.kind == kind && s.stun == static_cast<float>(slot);
}

// How many shots of this kind are live in the pool.
inline int64_t ShotsMade(int kind) {
  int64_t n = 0;
  for (int slot = 0; slot < veyrdale::kShotCount; ++slot) {
    n += MadeByCreateShot(slot, PoolKind(kind));
  }
  return n;
}

// How many shots sources of any kind launched.
inline int64_t AllShotsMade() {
  int64_t total = 0;
  for (int kind = 0; kind <= 16; ++kind) total += ShotsMade(kind);
  return total;
}

// The live shot of this kind in the highest slot (null before the first).
inline const veyrdale::BattleObject* LastShotMade(int kind) {
  for (int slot = veyrdale::kShotCount - 1; slot >= 0; --slot) {
    if (MadeByCreateShot(slot, PoolKind(kind))) return &veyrdale::g_shots[slot];
  }
  return nullptr;
}

}  // namespace testsupport
