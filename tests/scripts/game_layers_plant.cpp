// One symbol a layer's archive must not need (or, for WEAK_INLINE and CORE_DATA_WORD, one that it
// may need; for BATTLE_GLOBAL, data it must not define unlisted), chosen by the object's PLANT_*
// definition; CORE_RANDOM is the core helper that VIEW_CORE_RANDOM needs. Each object is added to a
// copy of one layer's archive and never linked into a program.
#include <cstdio>
#include <fstream>
#include <new>

#include "game/battle/battle.h"
#include "game/battle/launchers.h"
#include "game/core/data_files.h"
#include "game/core/sound_entries.h"
#include "game/flow/flow.h"
#include "morrow/sound/music.h"
#include "morrow/system/time.h"

namespace plant {

int Need();
int DrawThroughCore(int range);

#if defined(PLANT_WEAK_INLINE)
// The address keeps a weak copy of the placement operator new in every build, as an unoptimised
// build keeps one wherever it is used; core needs the plain operator new of the same name.
// A constant, so that it is no writable data of the battle's.
extern void* (*const g_placement)(std::size_t, void*) noexcept;
void* (*const g_placement)(std::size_t, void*) noexcept = &::operator new;
#endif

#if defined(PLANT_BATTLE_GLOBAL)
// A global the battle keeps without a place in the field table, beside it or among what it leaves
// out.
extern int g_roundsSeen;
int g_roundsSeen = 0;
#endif

#if defined(PLANT_CORE_RANDOM)
// Not built with a section per function as core is: the call below is resolved inside the one
// section without a relocation, and the check must still follow it.
namespace {
[[gnu::noinline]] int Draw(int range) {
  return morrow::GetRandomNumber(range);
}
}  // namespace

int DrawThroughCore(int range) {
  return Draw(range) + 1;
}
#endif

int Need() {
#if defined(PLANT_LIBRARY_RANDOM)
  return morrow::GetRandomNumber(7);
#elif defined(PLANT_CORE_RANDOM)
  return 0;
#elif defined(PLANT_VIEW_CORE_RANDOM)
  return DrawThroughCore(7);
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
#elif defined(PLANT_CORE_DATA_FILE)
  return veyrdale::LoadDataFile(veyrdale::kOptionsFile, veyrdale::kLoadOptions);
#elif defined(PLANT_CORE_DATA_WORD)
  // Compiled beside the file calls, needing none of them.
  return veyrdale::MusicVolumeSetting();
#elif defined(PLANT_BATTLE_GLOBAL)
  return ++g_roundsSeen;
#elif defined(PLANT_PATH_SOUND)
  return morrow::PlayOneShotSound("planted.wav", 0);
#elif defined(PLANT_FILE_STREAM)
  std::filebuf stream;
  return stream.open("planted.mpd", std::ios::in) == nullptr ? 0 : 1;
#elif defined(PLANT_WEAK_INLINE)
  int slot = 0;
  return g_placement(sizeof slot, &slot) == &slot ? 1 : 0;
#else
#error "no PLANT_* definition"
#endif
}

}  // namespace plant
