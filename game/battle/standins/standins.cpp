// Stand-ins for the entry points not built yet: each records its call and otherwise does nothing,
// except where the battle needs an answer to go on: a launcher places the shot at its source with
// speed 6 (a familiar's shot carrying its index in `life`) and ends the volley (or, for a test of
// volleys, goes on as SetStandInVolley says), a special move ends at once, and the special card is
// refused.
#include <cstdint>

#include "game/battle/standins/standin_calls.h"
#include "game/core/entry_points.h"
#include "game/core/records.h"

namespace veyrdale {

namespace {

StandInArg I(int64_t value) {
  return StandInInt(value);
}
template <typename Record>
StandInArg R(const Record* record) {
  return StandInRecord(record);
}

#define RECORD(name, ...) RecordStandInCall(StandInIndex(#name), {__VA_ARGS__})

int Launch(int index, BattleObject* source, BattleObject* shot, int count) {
  RecordStandInCall(index, {R(source), R(shot), I(count)});
  shot->x = source->x;
  shot->y = source->y;
  shot->heading = source->heading;
  shot->speed = 6.0f;
  // Shots bound to a familiar carry its index; any other shot starts its counter at 0.
  const auto at = reinterpret_cast<uintptr_t>(source);
  const auto first = reinterpret_cast<uintptr_t>(&g_familiars[0]);
  const bool fromFamiliar = at >= first && at < first + sizeof g_familiars;
  shot->life = fromFamiliar ? static_cast<int32_t>((at - first) / sizeof(BattleObject)) : 0;
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

void UpdateSpecialMove(BattleObject* player, int p) {
  RECORD(UpdateSpecialMove, R(player), I(p));
  // The move ends at once, so a player never stays in the special-move state.
  player->state = 0;
  player->stateTimer = 0;
}

void StartSpellCard(BattleObject* player, int index, int card) {
  RECORD(StartSpellCard, R(player), I(index), I(card));
}
int StartSpecialSpellCard(BattleObject* player, int index) {
  RECORD(StartSpecialSpellCard, R(player), I(index));
  return 0;
}
void RunSpellCard(BattleObject* player, int index) {
  RECORD(RunSpellCard, R(player), I(index));
}

}  // namespace veyrdale
