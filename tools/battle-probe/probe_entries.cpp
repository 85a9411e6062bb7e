// One entry of the draw list drawn alone, as the battle frame draws it.
#include <string>

#include "game/core/entry_points.h"
#include "game/core/match_setup.h"
#include "game/view/battle_draw.h"
#include "game/view/draw_list.h"
#include "morrow/graphics/draw.h"
#include "tools/battle-probe/probe_args.h"
#include "tools/battle-probe/probe_commands.h"

namespace battleprobe {

void DrawEntry(const Args& a) {
  veyrdale::LateEffectCount = 0;
  const int count = veyrdale::BuildDrawList(veyrdale::g_match.playerCount);
  if (count == 0) Fail("drawentry: the draw list is empty");
  const int i = static_cast<int>(ToInteger(a[1], 0, count - 1));
  const int shake = a.size() > 2 ? ToInt(a[2]) : 0;
  // The state the frame leaves before its first entry.
  morrow::SetBlendMode(0, 255);
  morrow::SetModulationColor(255, 255, 255);
  morrow::SetFilterMode(0);
  veyrdale::DrawEntryByTag(&veyrdale::DrawList[i], shake, 0);
}

}  // namespace battleprobe
