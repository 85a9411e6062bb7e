// One symbol a layer's archive must not need (or, for WEAK_INLINE, a weak copy of an inline
// function that it may hold), chosen by the object's PLANT_* definition. Each object is added to a
// copy of one layer's archive and never linked into a program.
#include <cstdio>
#include <fstream>
#include <new>

#include "game/battle/battle.h"
#include "game/battle/launchers.h"
#include "game/core/sound_entries.h"
#include "game/flow/flow.h"
#include "morrow/sound/music.h"
#include "morrow/system/time.h"

namespace plant {

int Need();

#if defined(PLANT_WEAK_INLINE)
// The address keeps a weak copy of the placement operator new in every build, as an unoptimised
// build keeps one wherever it is used; core needs the plain operator new of the same name.
extern void* (*g_placement)(std::size_t, void*) noexcept;
void* (*g_placement)(std::size_t, void*) noexcept = &::operator new;
#endif

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
#elif defined(PLANT_FILE_OPEN)
  std::FILE* file = std::fopen("planted.mpd", "rb");
  return file == nullptr ? 0 : 1;
#elif defined(PLANT_FILE_STREAM)
  std::filebuf stream;
  return stream.open("planted.mpd", std::ios::in) == nullptr ? 0 : 1;
#elif defined(PLANT_WEAK_INLINE)
  return g_placement == nullptr ? 0 : 1;
#else
#error "no PLANT_* definition"
#endif
}

}  // namespace plant
