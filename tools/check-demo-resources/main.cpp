// check-demo-resources DIR: checks a resource tree (DIR/Resource/) the way the game will use it.
//
// It starts the library headless in DIR and runs the game's own resource loader over every set a
// game can ask for: the menus, the ending and no pictures; a battle of every character in every
// colour slot (32 four-player loads, arenas 0-9 in turn); the main story's stages 0-17 and the
// extra story's 0-9; survival rounds 0, 3, 10 and 15 as a run sets them up. After each load every
// handle the load should fill must name a live graph of its cell's size, and every sound a live
// sound. Then it loads each picture of the tree outside the loader with the grid the game cuts it
// by, parses every music file, plays the music the game also loads as a sound both ways (a sound
// the sound loader takes, music that starts playing), checks the arena maps (walls clear of every
// start place) and the scripts.
//
// Before the library starts it runs every story stage's scripts on the stage's set-up with the
// game's own interpreter, up to the fight (story_entries.h): who is still absent, whether a stage
// the loader starts dark is still dark, and which pages name a speaker whose portrait sheet the
// stage never loads.
//
// Output: one "failed: <path>" line per failing file, sorted, then
// "554 pictures, 85 sounds, 28 music, 13 maps, 44 scripts; load failures: N", then the story's
// entries ("never brought in: ..." lines, "story stages: S, fighters never brought in: A") and
// lights ("never lit: ..." lines, "dark stages: D, lit by their script: L") and speakers
// ("speaker without a picture: ..." lines, "speakers without a picture: W"); then one
// "labelled: <path>" line per picture a cell of which shows its fallback label (labels.h) and
// "labelled placeholders: P". Exit 0 when N, W and P are 0, every fighter enters and every dark
// stage is lit, 1 otherwise or when standard output cannot be written, 2 on a usage error, when
// DIR cannot be entered, when another instance holds the library's lock or when the library does
// not start (255 when it ends the process itself).
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "game/battle/battle.h"
#include "game/core/match_setup.h"
#include "game/core/records.h"
#include "game/core/resource_tables.h"
#include "game/core/sound_entries.h"
#include "game/flow/flow.h"
#include "game/flow/resource_loader.h"
#include "morrow/graphics/draw.h"
#include "morrow/graphics/graph.h"
#include "morrow/graphics/graph_load.h"
#include "morrow/sound/music.h"
#include "morrow/sound/sound.h"
#include "morrow/system/library.h"
#include "morrow/system/window.h"
#include "platform/directory.h"
#include "tools/lib/demoresources/inventory.h"
#include "tools/lib/demoresources/labels.h"
#include "tools/lib/demoresources/rules.h"
#include "tools/lib/demoresources/story_entries.h"
#include "tools/lib/toolrun/tool_run.h"

namespace {

using namespace veyrdale;

std::set<std::string> g_failed;

// "Resource\\SE\\a.wav" -> "Resource/SE/a.wav"
std::string TreeFile(const char* gamePath) {
  std::string out = gamePath;
  for (char& c : out) {
    if (c == '\\') c = '/';
  }
  return out;
}

bool LiveGraph(int32_t handle, int width, int height) {
  const morrow::GraphRecord* r = morrow::GetGraphRecord(handle);
  return r != nullptr && (width <= 0 || (r->width == width && r->height == height));
}

void VerifyLoad(const PictureLoad& load, void*) {
  int cells = load.whole ? 1 : load.cells;
  for (int i = 0; i < cells; ++i) {
    bool ok = load.whole ? LiveGraph(load.handles[i], 0, 0)
                         : LiveGraph(load.handles[i], load.cellWidth, load.cellHeight);
    if (!ok) {
      g_failed.insert(TreeFile(load.path));
      return;
    }
  }
}

// What the last load of `mode` should have filled.
void VerifyLoaded(int mode) {
  ForEachPictureLoad(mode, VerifyLoad, nullptr);
  for (int i = 0; i < kSoundCount; ++i) {
    if (morrow::CheckSoundHandle(SoundHandles[i]) == -1) {
      char path[64];
      SoundPath(i, path, sizeof path);
      g_failed.insert(TreeFile(path));
    }
  }
}

void LoadAndVerify(int mode) {
  LoadGameResources(mode);
  VerifyLoaded(mode);
}

void Players(const int characters[4], const int colours[4]) {
  g_match.playerCount = 4;
  for (int p = 0; p < 4; ++p) {
    g_players[p].kind = static_cast<uint16_t>(characters[p]);
    g_match.colourSlot[p] = colours[p];
  }
}

void RunLoader() {
  for (int mode : {int{kMenuResources}, int{kEndingResources}, 3}) LoadAndVerify(mode);
  // Every character in every colour slot, four at a time.
  for (int load = 0; load < 32; ++load) {
    g_match = MatchSetup{};
    int characters[4], colours[4];
    for (int p = 0; p < 4; ++p) {
      int n = load * 4 + p;
      characters[p] = n / 8;
      colours[p] = n % 8;
    }
    Players(characters, colours);
    g_match.stage = load % 10;
    LoadAndVerify(kBattleResources);
  }
  // The stories, stage by stage, as the story sets them up.
  for (int kind = 0; kind < 2; ++kind) {
    for (int stage = 0; stage <= (kind == 0 ? 17 : 9); ++stage) {
      g_match = MatchSetup{};
      g_match.storyMode = 1;
      g_match.storyKind = kind;
      g_match.storyStage = stage;
      SetupStoryStage(stage, kind);
      LoadAndVerify(kBattleResources);
      DeletePortraits();
    }
  }
  // Survival rounds of each difficulty, set up by the run's own round set-up (which loads them).
  const int rounds[] = {0, 3, 10, 15};
  for (int i = 0; i < 4; ++i) {
    g_match = MatchSetup{};
    g_match.survivalMode = 1;
    g_players[0].kind = static_cast<uint16_t>(i);
    RoundNumber = rounds[i];
    SurvivalArenaCycle = 0;
    SetupSurvivalRound();
    VerifyLoaded(kBattleResources);
  }
  RoundNumber = 0;
  g_match = MatchSetup{};
  LoadGameResources(3);
}

// Each picture on its own, cut by the game's grid.
void LoadEveryPicture() {
  std::vector<int32_t> cells;
  for (const demo::DemoPicture& p : demo::DemoPictures()) {
    const PictureGrid& g = p.grid;
    bool ok;
    if (p.whole) {
      int32_t h = morrow::LoadImageAsGraph(p.gamePath.c_str());
      ok = LiveGraph(h, GridWidth(g), GridHeight(g));
      if (h != -1) morrow::FreeGraphHandle(h, 0);
    } else {
      cells.assign(static_cast<size_t>(g.cells), -1);
      ok = morrow::LoadDividedGraph(p.gamePath.c_str(), g.cells, g.columns, g.rows, g.cellWidth,
                                    g.cellHeight, cells.data()) == 0;
      for (int32_t h : cells) ok = ok && LiveGraph(h, g.cellWidth, g.cellHeight);
      for (int32_t h : cells) {
        if (h != -1) morrow::FreeGraphHandle(h, 0);
      }
    }
    if (!ok) g_failed.insert(p.file);
  }
}

// A file of the tree as the library reads one: a regular file only, so that a named pipe in its
// place fails at once instead of holding the check until a writer comes.
std::string Read(const std::string& file, bool* present) {
  toolrun::RegularFile read;
  std::string refusal;
  // A file larger than the limit is one no check would take whole; its size tells, unread.
  *present = toolrun::ReadRegularFile(file, &read, &refusal, toolrun::kInputLimit) &&
             read.size <= toolrun::kInputLimit;
  return read.bytes;
}

// The game loads this file as a one-shot sound at start and may play it as music: both must take
// it.
bool PlaysBothWays(const std::string& file) {
  const std::string path = demo::GamePath(file);
  const int sound = morrow::LoadSoundFile(path.c_str());
  if (sound == -1) return false;
  morrow::DeleteSoundHandle(sound, 0);
  const bool playing =
      morrow::StartMusicPlayback(path.c_str(), 1) == 0 && morrow::CheckMusicPlayback() == 1;
  morrow::StopMusicPlayback();
  return playing;
}

void CheckFiles() {
  bool present;
  for (const std::string& file : demo::DemoSoundFiles()) {
    std::string bytes = Read(file, &present);
    if (!present || !demo::CheckSound(bytes).empty()) g_failed.insert(file);
  }
  for (int n = 0; n < demo::kMusicCount; ++n) {
    std::string file = demo::MusicFile(n);
    std::string bytes = Read(file, &present);
    const bool wave = n == demo::kWaveMusic;
    if (!present || !(wave ? demo::CheckWaveMusic(bytes) : demo::CheckMusic(bytes)).empty() ||
        (wave && !PlaysBothWays(file))) {
      g_failed.insert(file);
    }
  }
  for (int n = 0; n < demo::kMapCount; ++n) {
    std::string file = demo::MapFile(n);
    std::string bytes = Read(file, &present);
    if (!present || !demo::CheckMapFile(bytes, n).empty() ||
        !demo::CheckMapStarts(demo::GamePath(file).c_str()).empty()) {
      g_failed.insert(file);
    }
  }
  for (const demo::DemoScript& s : demo::DemoScripts()) {
    std::string bytes = Read(s.file, &present);
    if (!present || !demo::CheckScript(bytes, s.finalStage).empty()) g_failed.insert(s.file);
  }
}

int Run(int argc, char** argv) {
  if (argc != 2 || toolrun::IsOption(argv[1])) {
    std::fprintf(stderr, "usage: check-demo-resources DIR\n");
    return toolrun::kUsage;
  }
  if (!platform::SetCurrentDirectory(argv[1])) {
    toolrun::Say(std::string("cannot enter ") + argv[1] + ": " + std::strerror(errno));
    return 2;
  }
  const demo::StoryEntryReport story = demo::CheckStoryEntries();  // before the library starts
  morrow::ChangeWindowMode(1);
  morrow::SetGraphVideoMemoryFlag(0);
  if (toolrun::StartLibrary(2) != 0) return 2;
  RunLoader();
  LoadEveryPicture();
  CheckFiles();
  morrow::DeleteAllGraphs(0);
  morrow::DeleteAllSounds(0);
  morrow::EndLibrary();
  for (const std::string& file : g_failed) std::printf("failed: %s\n", file.c_str());
  std::printf("%zu pictures, %zu sounds, %d music, %d maps, %zu scripts; load failures: %zu\n",
              demo::DemoPictures().size(), demo::DemoSoundFiles().size(), demo::kMusicCount,
              demo::kMapCount, demo::DemoScripts().size(), g_failed.size());
  for (const std::string& line : demo::StoryEntryLines(story)) std::printf("%s\n", line.c_str());
  for (const std::string& line : demo::SpeakerLines(story)) std::printf("%s\n", line.c_str());
  const std::vector<demo::LabelledPicture> labelled = demo::LabelledPlaceholders(".");
  for (const demo::LabelledPicture& p : labelled) std::printf("labelled: %s\n", p.file.c_str());
  std::printf("labelled placeholders: %zu\n", labelled.size());
  return g_failed.empty() && story.Passed() && labelled.empty() ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  toolrun::Begin("check-demo-resources");
  return toolrun::End(Run(argc, argv));
}
