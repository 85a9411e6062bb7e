#include "tools/lib/battlesupport/select_now.h"

#include "game/battle/drawn_frame.h"
#include "game/view/view.h"

namespace veyrdale {

int SelectCharaFrameNow(BattleObject* record, int suppressTurn) {
  DrawnFrameEffects& effects = g_drawnFrame.effects;
  effects.Begin();
  const bool isPlayer = record >= g_players && record < g_players + kPlayerCount;
  BattleObject* selected = isPlayer ? &effects.players[record - g_players] : record;
  const int cell = SelectCharaFrame(selected, suppressTurn);
  CarryOutSelections(effects);
  return cell;
}

}  // namespace veyrdale
