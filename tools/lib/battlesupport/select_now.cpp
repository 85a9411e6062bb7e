#include "tools/lib/battlesupport/select_now.h"

#include "game/battle/drawn_frame.h"
#include "game/view/view.h"

namespace veyrdale {

int SelectCharaFrameNow(BattleObject* record, int suppressTurn) {
  DrawnFrame& frame = g_drawnFrame;
  frame.Begin(0, 0);
  const bool isPlayer = record >= g_players && record < g_players + kPlayerCount;
  BattleObject* selected = isPlayer ? &frame.players[record - g_players] : record;
  const int cell = SelectCharaFrame(selected, suppressTurn);
  CarryOutSelections(frame);
  return cell;
}

}  // namespace veyrdale
