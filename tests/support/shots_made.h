// The shots CreateShot made. Sources of kinds 8-15 and the neutral kind still launch through
// recording stand-ins, which keep each call's source and new slot. The launchers of kinds 0-7 are
// built: their shots are read back from the pool, where a shot CreateShot made is live, of its
// source's kind, and carries its own slot in `stun` (a record a test placed by hand seldom does).
#pragma once

#include <cstdint>

#include "game/battle/standins/standin_calls.h"
#include "game/core/records.h"

namespace testsupport {

constexpr int kFirstStandInKind = 8;

inline bool MadeByCreateShot(int slot, int kind) {
  const veyrdale::BattleObject& s = veyrdale::g_shots[slot];
  return s.state == 1 && s.kind == kind && s.stun == static_cast<float>(slot);
}

// The launcher stand-in of a kind 8-15, anything above 15 the neutral one.
inline const veyrdale::StandInCall& LauncherCall(int kind) {
  static const char* const kNames[8] = {
      "LaunchShotChara8",  "LaunchShotChara9",  "LaunchShotChara10", "LaunchShotChara11",
      "LaunchShotChara12", "LaunchShotChara13", "LaunchShotChara14", "LaunchShotChara15",
  };
  const char* name = kind >= kFirstStandInKind && kind < 16 ? kNames[kind - kFirstStandInKind]
                                                            : "LaunchShotNeutral";
  return *veyrdale::FindStandInCall(name);
}

// How many shots sources of this kind launched (for kinds 0-7: how many are live in the pool).
inline int64_t ShotsMade(int kind) {
  if (kind < 0 || kind >= kFirstStandInKind) return LauncherCall(kind).calls;
  int64_t n = 0;
  for (int slot = 0; slot < veyrdale::kShotCount; ++slot) n += MadeByCreateShot(slot, kind);
  return n;
}

// How many shots sources of any kind launched.
inline int64_t AllShotsMade() {
  int64_t total = 0;
  for (int kind = 0; kind <= 16; ++kind) total += ShotsMade(kind);
  return total;
}

// The record of the last shot a source of this kind launched (null before the first); for kinds
// 0-7 the live one in the highest slot.
inline const veyrdale::BattleObject* LastShotMade(int kind) {
  if (kind >= 0 && kind < kFirstStandInKind) {
    for (int slot = veyrdale::kShotCount - 1; slot >= 0; --slot) {
      if (MadeByCreateShot(slot, kind)) return &veyrdale::g_shots[slot];
    }
    return nullptr;
  }
  const veyrdale::StandInCall& call = LauncherCall(kind);
  if (call.calls == 0) return nullptr;
  const int64_t slot = call.args[1].integer;
  if (slot < 0 || slot >= veyrdale::kShotCount) return nullptr;
  return &veyrdale::g_shots[slot];
}

// The source of that last shot as it was at the launch (kinds 8-15 and neutral only).
inline const veyrdale::BattleObject& LastShotSource(int kind) {
  return LauncherCall(kind).args[0].object;
}

}  // namespace testsupport
