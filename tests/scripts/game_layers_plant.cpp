// Symbols a layer's archive must not need (or, for WEAK_INLINE, CORE_DATA_WORD and ALLOWED_CALLS,
// ones that it may need; for BATTLE_GLOBAL, THREAD_LOCAL, REUSED_SOURCE, WRITTEN_RODATA and
// STATE_DATA, data it must not define unlisted), chosen by the object's PLANT_* definition;
// CORE_RANDOM is the core helper that VIEW_CORE_RANDOM needs. Each object is added to a copy of one
// layer's archive; only STATE_DATA is linked into a program (a state map of its own).
#include <dirent.h>
#include <dlfcn.h>
#include <limits.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <new>
#include <string>

#include "game/battle/battle.h"
#include "game/battle/launchers.h"
#include "game/core/data_files.h"
#include "game/core/sound_entries.h"
#include "game/flow/flow.h"
#include "game/view/view.h"
#include "morrow/graphics/font.h"
#include "morrow/sound/music.h"
#include "morrow/system/log.h"
#include "morrow/system/time.h"

#if defined(PLANT_OUTSIDE_CALLS)
// Only here: <iostream> gives every object that includes it a static of the stream library's.
#include <iostream>
#endif

#if defined(PLANT_REUSED_SOURCE)
// A second random source of the battle's, in another file but of the same name as the computer
// player's, which the table leaves out: this one holds round state.
namespace veyrdale {
namespace {
int g_source = 0;
}  // namespace
}  // namespace veyrdale
#endif

namespace plant {

int Need(int value);
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

#if defined(PLANT_THREAD_LOCAL)
// A global of the battle's, one per thread: no range of the state can hold it.
extern thread_local int g_perThread;
thread_local int g_perThread = 0;
#endif

#if defined(PLANT_STATE_DATA)
// Globals of the battle that its own state map links: it gives g_partly a range over its first
// half, g_outside none.
extern int g_outside[4];
extern int g_partly[4];
int g_outside[4] = {};
int g_partly[4] = {};
#endif

#if defined(PLANT_WRITTEN_RODATA)
// Data the battle writes in a section named as constant data but writable by its flags. Inline, so
// that the section is its group's and the assembler takes those flags without a warning.
[[gnu::section(".rodata.planted")]] inline int g_inRodata[2] = {};
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

int Need(int value) {
#if defined(PLANT_LIBRARY_RANDOM)
  return morrow::GetRandomNumber(value);
#elif defined(PLANT_CORE_RANDOM)
  return value;
#elif defined(PLANT_VIEW_CORE_RANDOM)
  return DrawThroughCore(value);
#elif defined(PLANT_GAME_RANDOM)
  return veyrdale::Rand(value);
#elif defined(PLANT_LIBRARY_SOUND)
  return morrow::StartMusicPlayback("planted.bgm", value);
#elif defined(PLANT_GAME_SOUND)
  veyrdale::PlaySoundEntry(value);
  return 0;
#elif defined(PLANT_BATTLE_MAKES)
  veyrdale::CreateEffect(nullptr, value);
  return 0;
#elif defined(PLANT_BATTLE_STARTS)
  veyrdale::StartSpellCard(nullptr, value, 0);
  return 0;
#elif defined(PLANT_FLOW)
  veyrdale::LoadGameResources(value);
  return 0;
#elif defined(PLANT_VIEW)
  veyrdale::DrawNumber(0, 0, value, 0, 0);
  return 0;
#elif defined(PLANT_FILE_OPEN)
  std::FILE* file = std::fopen("planted.mpd", "rb");
  return file == nullptr ? 0 : value;
#elif defined(PLANT_CORE_DATA_FILE)
  return veyrdale::LoadDataFile(veyrdale::kOptionsFile, value);
#elif defined(PLANT_CORE_DATA_WORD)
  // Compiled beside the file calls, needing none of them.
  return veyrdale::MusicVolumeSetting(value);
#elif defined(PLANT_BATTLE_GLOBAL)
  return g_roundsSeen += value;
#elif defined(PLANT_THREAD_LOCAL)
  return g_perThread += value;
#elif defined(PLANT_REUSED_SOURCE)
  return veyrdale::g_source += value;
#elif defined(PLANT_WRITTEN_RODATA)
  return g_inRodata[value & 1] += value;
#elif defined(PLANT_STATE_DATA)
  g_outside[value & 3] += value;
  return g_partly[value & 3] += value;
#elif defined(PLANT_PATH_SOUND)
  return morrow::PlayOneShotSound("planted.wav", value);
#elif defined(PLANT_FILE_STREAM)
  std::filebuf stream;
  return stream.open("planted.mpd", std::ios::in) == nullptr ? 0 : value;
#elif defined(PLANT_WEAK_INLINE)
  int slot = value;
  return g_placement(sizeof slot, &slot) == &slot ? 1 : 0;
#elif defined(PLANT_OUTSIDE_CALLS)
  // A process, a library, a path, a folder, a stream of its own, the library's log and fonts:
  // each a way to a file, none on the battle's list.
  std::FILE* pipe = popen("planted", "r");
  char path[PATH_MAX];
  dirent** entries = nullptr;
  std::string line;
  std::getline(std::cin, line);
  return (pipe == nullptr ? 0 : 1) + std::system("planted") +
         (dlopen("planted.so", value) == nullptr ? 0 : 1) +
         (realpath("planted", path) == nullptr ? 0 : 1) +
         scandir("planted", &entries, nullptr, nullptr) + static_cast<int>(line.size()) +
         morrow::WriteLog("planted") +
         morrow::CreateFontToHandle("planted", value, -1, -1, -1, -1, -1, -1);
#elif defined(PLANT_ALLOWED_CALLS)
  // A length known only at run time, so that the copy stays a call in every build; the compiler
  // makes the plain fputs a fwrite, and the fprintf stays itself.
  char from[32] = "planted";
  char to[32];
  std::memcpy(to, from, static_cast<unsigned>(value) % sizeof to);
  char text[32];
  std::fputs("planted\n", stderr);
  return to[0] + std::snprintf(text, sizeof text, "planted %d", value) +
         std::fprintf(stderr, "planted %d\n", value);
#else
#error "no PLANT_* definition"
#endif
}

}  // namespace plant
