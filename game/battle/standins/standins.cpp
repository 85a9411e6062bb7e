// Stand-ins for the entry points not built yet: each records its call; a launcher places the shot
// at its source with speed 6 and ends the volley (or, for a test of volleys, goes on as
// SetStandInVolley says).
#include "game/battle/standins/standin_calls.h"
#include "game/core/entry_points.h"

namespace veyrdale {

namespace {

StandInArg I(int64_t value) {
  return StandInInt(value);
}
template <typename Record>
StandInArg R(const Record* record) {
  return StandInRecord(record);
}

int Launch(int index, BattleObject* source, BattleObject* shot, int count) {
  RecordStandInCall(index, {R(source), R(shot), I(count)});
  shot->x = source->x;
  shot->y = source->y;
  shot->heading = source->heading;
  shot->speed = 6.0f;
  const int volley = StandInVolley();
  if (volley <= 1) return 0;
  return count == 0 ? volley - 1 : count - 1;
}

}  // namespace

#define LAUNCHER(name)                                            \
  int name(BattleObject* source, BattleObject* shot, int count) { \
    return Launch(StandInIndex(#name), source, shot, count);      \
  }
LAUNCHER(LaunchShotChara8)
LAUNCHER(LaunchShotChara9)
LAUNCHER(LaunchShotChara10)
LAUNCHER(LaunchShotChara11)
LAUNCHER(LaunchShotChara12)
LAUNCHER(LaunchShotChara13)
LAUNCHER(LaunchShotChara14)
LAUNCHER(LaunchShotChara15)
#undef LAUNCHER

}  // namespace veyrdale
