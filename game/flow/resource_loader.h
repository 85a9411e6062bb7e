// The resource loader: LoadGameResources (declared in game/flow/flow.h) frees every
// picture and sound an earlier call loaded and loads the set of its mode into the handle tables
// of game/flow/resource_tables.h, after the set-up every scene change needs (move table, story
// arena, stage types, transparent colour, random seed, direction tables, options).
//
// Modes: 0 the menus, 1 a battle of the current match (its arena maps too, ReadStageArenaMaps),
// 2 the ending; any other frees the pictures and loads none. The 85 sound effects are loaded in
// every mode.
#pragma once

#include <cstdint>

namespace veyrdale {

enum ResourceMode : int {
  kMenuResources = 0,
  kBattleResources = 1,
  kEndingResources = 2,
};

// One picture a call loads: its game path and grid, and the handles its cells go to (a whole
// picture fills handles[0] only).
struct PictureLoad {
  char path[64];
  int cells;
  int columns;
  int rows;
  int cellWidth;
  int cellHeight;
  bool whole;
  int32_t* handles;
};

// Visits, in load order, every picture `mode` loads for the match as it stands now (after a
// call has chosen the story's arena and skip flags, the same pictures that call loaded).
using PictureLoadVisitor = void (*)(const PictureLoad& load, void* context);
void ForEachPictureLoad(int mode, PictureLoadVisitor visit, void* context);

// The "Resource\\SE\\<name>.wav" path of sound entry i (0-84) into out.
void SoundPath(int entry, char* out, int size);

}  // namespace veyrdale
