// A view source that writes game state, in a condition each time, for the layer check's self-test:
// it copies this file into a copy of the source tree's game/view/ and expects each of those lines
// named. Never built.
#include "game/core/records.h"

namespace veyrdale {

int PlantedDraw(int shake) {
  int drawn = 0;
  if (++FlashFrames > shake) {
    ++drawn;
  }
  while (ScreenShake-- > shake) {
    ++drawn;
  }
  if ((g_players[1].life = shake) != 0) {
    ++drawn;
  }
  if ((g_playerState.spellGauge[0] += 1.0f) > 0.0f) {
    ++drawn;
  }
  return drawn;
}

}  // namespace veyrdale
