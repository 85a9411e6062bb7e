// One symbol the view's archive must not need, chosen by the object's PLANT_* definition. Each
// object is added to a copy of the view's archive and never linked into a program.
#include "game/battle/battle.h"
#include "game/battle/launchers.h"
#include "game/core/sound_entries.h"
#include "game/flow/flow.h"
#include "morrow/sound/music.h"
#include "morrow/system/time.h"

namespace plant {

int Need();

int Need() {
#if defined(PLANT_LIBRARY_RANDOM)
  return morrow::GetRandomNumber(7);
#elif defined(PLANT_GAME_RANDOM)
  return veyrdale::Rand(7);
#elif defined(PLANT_LIBRARY_SOUND)
  return morrow::StartMusicPlayback("planted.bgm", 1);
#elif defined(PLANT_GAME_SOUND)
  veyrdale::PlaySoundEntry(veyrdale::kSoundHit);
  return 0;
#elif defined(PLANT_BATTLE_MAKES)
  veyrdale::CreateEffect(nullptr, 0);
  return 0;
#elif defined(PLANT_BATTLE_STARTS)
  veyrdale::StartSpellCard(nullptr, 0, 0);
  return 0;
#elif defined(PLANT_FLOW)
  veyrdale::LoadGameResources(1);
  return 0;
#else
#error "no PLANT_* definition"
#endif
}

}  // namespace plant
