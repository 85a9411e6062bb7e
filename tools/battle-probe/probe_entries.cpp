// One entry of the draw list drawn alone, as the battle frame draws it, and the frame's head-up
// display alone.
#include <string>

#include "game/battle/drawn_frame.h"
#include "game/core/match_setup.h"
#include "game/flow/flow.h"
#include "game/view/battle_draw.h"
#include "game/view/draw_list.h"
#include "game/view/view.h"
#include "morrow/graphics/draw.h"
#include "tools/battle-probe/probe_args.h"
#include "tools/battle-probe/probe_commands.h"

namespace battleprobe {

namespace {

// The draw list as the frame builds it (with the tags and the block countdown carried out), and
// the draw state the frame leaves before its first entry; the entry count.
int PrepareFrame() {
  veyrdale::PrepareBattleDraw();
  veyrdale::CarryOutDrawList(veyrdale::g_match.playerCount);
  const int count = veyrdale::g_drawnFrame.entries;
  morrow::SetBlendMode(0, 255);
  morrow::SetModulationColor(255, 255, 255);
  morrow::SetFilterMode(0);
  return count;
}

int ShakeArg(const Args& a, size_t at) {
  return a.size() > at ? ToInt(a[at]) : 0;
}

}  // namespace

void DrawEntry(const Args& a) {
  const int count = PrepareFrame();
  if (count == 0) Fail("drawentry: the draw list is empty");
  const int i = static_cast<int>(ToInteger(a[1], 0, count - 1));
  veyrdale::DrawEntryByTag(&veyrdale::DrawList[i], ShakeArg(a, 2), 0);
  veyrdale::CarryOutSelections(veyrdale::g_drawnFrame);
}

void Hud(const Args& a) {
  PrepareFrame();
  veyrdale::RunBattleHud(ShakeArg(a, 1));
}

}  // namespace battleprobe
