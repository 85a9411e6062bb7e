#include "game/flow/resource_loader.h"

#include <cstdio>

#include "game/battle/battle.h"
#include "game/battle/directions.h"
#include "game/core/data_files.h"
#include "game/core/match_setup.h"
#include "game/core/records.h"
#include "game/core/resource_tables.h"
#include "game/core/sound_entries.h"
#include "game/flow/flow.h"
#include "game/flow/move_table.h"
#include "game/flow/resource_lists.h"
#include "morrow/graphics/draw.h"
#include "morrow/graphics/graph.h"
#include "morrow/graphics/graph_load.h"
#include "morrow/sound/sound.h"
#include "morrow/system/time.h"

namespace veyrdale {

namespace {

// The arena of each story stage, the player whose dialogue sheets are not loaded there, and the
// stages fought in the dark.
struct StoryArena {
  int kind;
  int firstStage, lastStage;
  int arena;
  int skipPlayer;  // -1 none
  bool blackout;
};
constexpr StoryArena kStoryArenas[] = {
    {0, 0, 0, 2, 1, false},    {0, 1, 4, 0, -1, false},   {0, 5, 6, 0, 2, false},
    {0, 7, 8, 3, -1, false},   {0, 9, 10, 5, -1, false},  {0, 11, 12, 4, -1, false},
    {0, 13, 15, 6, -1, false}, {0, 16, 17, 7, -1, false}, {1, 0, 1, 4, -1, false},
    {1, 2, 3, 5, 3, false},    {1, 4, 5, 3, -1, false},   {1, 6, 7, 4, -1, false},
    {1, 8, 9, 8, -1, true},
};

// The row of a story stage, or nullptr for a stage outside the table.
const StoryArena* StoryArenaOf(int kind, int stage) {
  for (const StoryArena& s : kStoryArenas) {
    if (s.kind == kind && stage >= s.firstStage && stage <= s.lastStage) return &s;
  }
  return nullptr;
}

void ChooseStoryArena() {
  for (uint8_t& flag : PortraitSkipFlags) flag = 0;
  if (g_match.storyMode == 0) return;
  const StoryArena* s = StoryArenaOf(g_match.storyKind, g_match.storyStage);
  if (s == nullptr) return;
  g_match.stage = s->arena;
  if (s->skipPlayer >= 0) PortraitSkipFlags[s->skipPlayer] = 1;
  if (s->blackout) ArenaBlackout = 1;
}

// Survival rounds grow harder: Easy below round 3, then Normal, Hard from round 10, Lunatic from
// round 15.
int SurvivalDifficulty(int round) {
  if (round < 3) return 0;
  if (round < 10) return 1;
  if (round < 15) return 2;
  return 3;
}

// The player's own difficulty, set aside while survival's rounds hold theirs in the options. The
// options file cannot give it back on a first start, where there is none, and the options page
// would then show and save survival's.
struct SetAsideDifficulty {
  bool held;
  int32_t value;
};
SetAsideDifficulty g_playerDifficulty;

void TakeSurvivalDifficulty(int round) {
  if (!g_playerDifficulty.held) g_playerDifficulty = {true, g_options.difficulty};
  g_options.difficulty = SurvivalDifficulty(round);
}

// Frees a handle and forgets it. The check number of a handle has 11 bits, so a handle kept after
// its graph is gone can equal a newer graph in the same table slot (the capture graph, a digit or
// glyph sheet, the loading picture), which the next free would then delete.
void Forget(int32_t* handle) {
  if (*handle != -1) morrow::FreeGraphHandle(*handle, 0);
  *handle = -1;
}

void ForgetAll(int32_t* handles, int count) {
  for (int i = 0; i < count; ++i) Forget(&handles[i]);
}

void FreeAllPictures() {
  for (int slot = 0; slot < kListSlots; ++slot) ForgetAll(PictureSlots[slot], kPictureCells);
  ForgetAll(StageBackgrounds, 3);
  for (int p = 0; p < 4; ++p) {
    ForgetAll(CharacterSheetCells[p], kSheetCellLimit);
    ForgetAll(CharacterSheetCellsB[p], kSheetCellLimit);
    ForgetAll(PictureSlots[kPlayerBlockBase + kPlayerBlockSlots * p],
              kPlayerBlockSlots * kPictureCells);
  }
  for (int slot = kArenaSlotBase; slot < kArenaSlotBase + kArenaSlotCount; ++slot) {
    ForgetAll(PictureSlots[slot], kPictureCells);
  }
}

PictureLoad Grid(const PictureGrid& g, int32_t* handles) {
  PictureLoad load{};
  load.cells = g.cells;
  load.columns = g.columns;
  load.rows = g.rows;
  load.cellWidth = g.cellWidth;
  load.cellHeight = g.cellHeight;
  load.handles = handles;
  return load;
}

void VisitNamed(const PictureGrid& g, int32_t* handles, PictureLoadVisitor visit, void* context) {
  PictureLoad load = Grid(g, handles);
  std::snprintf(load.path, sizeof load.path, "Resource\\%s.dat", g.name);
  visit(load, context);
}

void VisitList(const PictureGrid* list, int size, PictureLoadVisitor visit, void* context) {
  for (int k = 0; k < size; ++k) {
    if (list[k].name != nullptr && list[k].cells != 0)
      VisitNamed(list[k], PictureSlots[k], visit, context);
  }
}

// The character a player plays, or -1 when its record holds no character.
int CharacterOf(int p) {
  int id = g_players[p].kind;
  return id < 16 ? id : -1;
}

void VisitBattle(PictureLoadVisitor visit, void* context) {
  int players = PlayerCountUpToFour();
  uint32_t present = 0;
  for (int p = 0; p < players; ++p) {
    int id = CharacterOf(p);
    if (id >= 0) present |= 1u << id;
  }
  for (int k = 0; k < kBattleListSize; ++k) {
    if ((kBattleList[k].characters & present) != 0) {
      VisitNamed(kBattleList[k].grid, PictureSlots[k], visit, context);
    }
  }
  for (int p = 0; p < players; ++p) {
    int id = CharacterOf(p);
    if (id < 0) continue;
    const CharacterSheets& s = kCharacterSheets[id];
    const char* code = CharacterCode[id];
    int colour = g_match.colourSlot[p];
    PictureLoad sheet =
        Grid({nullptr, s.cells, kSheetColumns, s.rows, kSheetCellSize, kSheetCellSize},
             CharacterSheetCells[p]);
    std::snprintf(sheet.path, sizeof sheet.path, "Resource\\c_%s0%d.dat", code, colour);
    visit(sheet, context);
    if (s.secondCells != 0) {
      PictureLoad second = Grid(
          {nullptr, s.secondCells, s.secondColumns, s.secondRows, kSheetCellSize, kSheetCellSize},
          CharacterSheetCellsB[p]);
      if (id == kSharedSecondSheetCharacter) {
        std::snprintf(second.path, sizeof second.path, "Resource\\%s.dat", kSharedSecondSheet);
      } else {
        std::snprintf(second.path, sizeof second.path, "Resource\\c_%s0%db.dat", code, colour);
      }
      visit(second, context);
    }
    if (PortraitSkipFlags[p] != 0) continue;
    int32_t* block = PictureSlots[kPlayerBlockBase + kPlayerBlockSlots * p];
    PictureLoad portrait = Grid(kPortraitSheet, block + kPortraitBlockSlot * kPictureCells);
    std::snprintf(portrait.path, sizeof portrait.path, "Resource\\b_%s.dat", code);
    visit(portrait, context);
    PictureLoad face = Grid(kFaceSheet, block + kFaceBlockSlot * kPictureCells);
    std::snprintf(face.path, sizeof face.path, "Resource\\face_%02d.dat", id);
    visit(face, context);
    PictureLoad caption = Grid(kCaptionSheet, block + kCaptionBlockSlot * kPictureCells);
    std::snprintf(caption.path, sizeof caption.path, "Resource\\fonts%02d.dat", id);
    visit(caption, context);
  }
  int arena = g_match.stage;
  if (arena < 0 || arena >= kArenaCount) return;
  const ArenaPictures& a = kArenaPictures[arena];
  for (int layer = 0; layer < 3; ++layer) {
    if (a.backgrounds[layer] == nullptr) continue;
    PictureLoad background =
        Grid({nullptr, 1, 1, 1, kScreenWidth, kScreenHeight}, &StageBackgrounds[layer]);
    background.whole = true;
    std::snprintf(background.path, sizeof background.path, "Resource\\%s.dat",
                  a.backgrounds[layer]);
    visit(background, context);
  }
  for (int i = 0; i < a.count; ++i) {
    const ArenaPicture& picture = a.pictures[i];
    PictureLoad load = Grid(picture.grid, PictureSlots[picture.slot]);
    load.whole = picture.whole;
    std::snprintf(load.path, sizeof load.path, "Resource\\%s.dat", picture.grid.name);
    visit(load, context);
  }
}

void LoadPicture(const PictureLoad& load, void*) {
  if (load.whole) {
    load.handles[0] = morrow::LoadImageAsGraph(load.path);
    return;
  }
  // A picture of more cells than its slot holds runs on into the next slot, where an earlier
  // picture's cells may still be: free them before the new cells take their place.
  ForgetAll(load.handles, load.cells);
  morrow::LoadDividedGraph(load.path, load.cells, load.columns, load.rows, load.cellWidth,
                           load.cellHeight, load.handles);
}

}  // namespace

void ForEachPictureLoad(int mode, PictureLoadVisitor visit, void* context) {
  switch (mode) {
    case kMenuResources:
      VisitList(kMenuList, kMenuListSize, visit, context);
      break;
    case kEndingResources:
      VisitList(kEndingList, kEndingListSize, visit, context);
      break;
    case kBattleResources:
      VisitBattle(visit, context);
      break;
    default:
      break;
  }
}

bool StoryStageStartsDark(int kind, int stage) {
  const StoryArena* s = StoryArenaOf(kind, stage);
  return s != nullptr && s->blackout;
}

void SoundPath(int entry, char* out, int size) {
  if (entry < 0 || entry >= kSoundCount) entry = 0;
  std::snprintf(out, static_cast<size_t>(size), "Resource\\SE\\%s.wav", kSoundNames[entry]);
}

void RestorePlayerDifficulty() {
  if (!g_playerDifficulty.held) return;
  g_options.difficulty = g_playerDifficulty.value;
  g_playerDifficulty.held = false;
}

void LoadGameResources(int mode) {
  ArenaBlackout = 0;
  // The move table and the story's arena, then the tables, the key colour and the seed.
  InstallMoveTable();
  ChooseStoryArena();
  InitStageTypeTable(g_match.storyKind);
  morrow::SetKeyColor(0, 255, 0);
  morrow::GetLocalDateTime(LocalDateTime);
  morrow::SeedRandom(static_cast<uint32_t>(LocalDateTime[5]));
  BuildTrigTables();
  morrow::SetImageConvertFlag(0);
  // The difficulty: survival's by round, else the player's, and the options file's over it.
  if (g_match.survivalMode > 0) {
    TakeSurvivalDifficulty(RoundNumber);
  } else {
    RestorePlayerDifficulty();
    LoadDataFile(kOptionsFile, kLoadOptions);
  }
  // Every picture and sound freed, then the set of `mode` and the sounds loaded.
  FreeAllPictures();
  morrow::DeleteAllSounds(0);
  ForEachPictureLoad(mode, LoadPicture, nullptr);
  // The battle reads no file: its arena maps are read with its pictures.
  if (mode == kBattleResources) ReadStageArenaMaps(g_match.stage);
  for (int i = 0; i < kSoundCount; ++i) {
    char path[64];
    SoundPath(i, path, sizeof path);
    SoundHandles[i] = morrow::LoadSoundFile(path);
    morrow::SetSoundVolume(g_options.soundVolume * 500, SoundHandles[i]);
  }
}

}  // namespace veyrdale
