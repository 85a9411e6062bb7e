// Stand-ins for the entry points not built yet: each records its call and otherwise does nothing,
// except where the battle needs an answer to go on: a special move ends at once, and the special
// card is refused.
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

#define RECORD(name, ...) RecordStandInCall(StandInIndex(#name), {__VA_ARGS__})

}  // namespace

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
