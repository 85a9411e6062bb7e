// The shots CreateShot made. Sources of kinds 8-15 still launch through recording stand-ins, which
// keep each call's source and new slot. The launchers of kinds 0-7 and of the neutral kind are
// built: their shots are read back from the pool, where a shot CreateShot made is live, of its
// source's kind, and carries its own slot in `stun` (a record a test placed by hand seldom does).
#pragma once

#include <cstdint>

#include "game/battle/standins/standin_calls.h"
#include "game/core/records.h"

namespace testsupport {

constexpr int kFirstStandInKind = 8;
constexpr int kNeutralShotKind = 51;

// Kinds 0-7 and the neutral kind (any kind above 15 stands for it) launch through built routines.
inline bool LaunchedByBuiltRoutine(int kind) {
  return (kind >= 0 && kind < kFirstStandInKind) || kind > 15;
}
inline int PoolKind(int kind) {
  return kind > 15 ? kNeutralShotKind : kind;
}

inline bool MadeByCreateShot(int slot, int kind) {
  const veyrdale::BattleObject& s = veyrdale::g_shots[slot];
  return s.state == 1 && s.kind == kind && s.stun == static_cast<float>(slot);
}

// The launcher stand-in of a kind 8-15.
inline const veyrdale::StandInCall& LauncherCall(int kind) {
  static const char* const kNames[8] = {
      "LaunchShotChara8",  "LaunchShotChara9",  "LaunchShotChara10", "LaunchShotChara11",
      "LaunchShotChara12", "LaunchShotChara13", "LaunchShotChara14", "LaunchShotChara15",
  };
  const int index = kind < kFirstStandInKind ? 0 : (kind > 15 ? 7 : kind - kFirstStandInKind);
  return *veyrdale::FindStandInCall(kNames[index]);
}

// How many shots sources of this kind launched (for built kinds: how many are live in the pool).
inline int64_t ShotsMade(int kind) {
  if (!LaunchedByBuiltRoutine(kind)) return LauncherCall(kind).calls;
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

// The record of the last shot a source of this kind launched (null before the first); for built
// kinds the live one in the highest slot.
inline const veyrdale::BattleObject* LastShotMade(int kind) {
  if (LaunchedByBuiltRoutine(kind)) {
    for (int slot = veyrdale::kShotCount - 1; slot >= 0; --slot) {
      if (MadeByCreateShot(slot, PoolKind(kind))) return &veyrdale::g_shots[slot];
    }
    return nullptr;
  }
  const veyrdale::StandInCall& call = LauncherCall(kind);
  if (call.calls == 0) return nullptr;
  const int64_t slot = call.args[1].integer;
  if (slot < 0 || slot >= veyrdale::kShotCount) return nullptr;
  return &veyrdale::g_shots[slot];
}

// The source of that last shot as it was at the launch (kinds 8-15 only).
inline const veyrdale::BattleObject& LastShotSource(int kind) {
  return LauncherCall(kind).args[0].object;
}

}  // namespace testsupport
