// The shots the real CreateShot made while the launchers are still stand-ins: every shot of a
// volley goes through the launcher of its source's kind, which records the source as it was and
// the new shot's slot.
#pragma once

#include <cstdint>

#include "game/battle/standins/standin_calls.h"
#include "game/core/records.h"

namespace testsupport {

// The launcher stand-in of a kind: 0-15 the characters, anything else the neutral one.
inline const veyrdale::StandInCall& LauncherCall(int kind) {
  static const char* const kNames[16] = {
      "LaunchShotChara0",  "LaunchShotChara1",  "LaunchShotChara2",  "LaunchShotChara3",
      "LaunchShotChara4",  "LaunchShotChara5",  "LaunchShotChara6",  "LaunchShotChara7",
      "LaunchShotChara8",  "LaunchShotChara9",  "LaunchShotChara10", "LaunchShotChara11",
      "LaunchShotChara12", "LaunchShotChara13", "LaunchShotChara14", "LaunchShotChara15",
  };
  const char* name = kind >= 0 && kind < 16 ? kNames[kind] : "LaunchShotNeutral";
  return *veyrdale::FindStandInCall(name);
}

// How many shots sources of this kind launched.
inline int64_t ShotsMade(int kind) {
  return LauncherCall(kind).calls;
}

// How many shots sources of any kind launched.
inline int64_t AllShotsMade() {
  int64_t total = 0;
  for (int kind = 0; kind <= 16; ++kind) total += LauncherCall(kind).calls;
  return total;
}

// The record of the last shot a source of this kind launched (null before the first).
inline const veyrdale::BattleObject* LastShotMade(int kind) {
  const veyrdale::StandInCall& call = LauncherCall(kind);
  if (call.calls == 0) return nullptr;
  const int64_t slot = call.args[1].integer;
  if (slot < 0 || slot >= veyrdale::kShotCount) return nullptr;
  return &veyrdale::g_shots[slot];
}

// The source of that last shot as it was at the launch.
inline const veyrdale::BattleObject& LastShotSource(int kind) {
  return LauncherCall(kind).args[0].object;
}

}  // namespace testsupport
