// The story's media: the stage music, the loading picture, and the story stages' set-up with the
// portraits of their dialogue loaded and released.
#include "game/flow/stage_media.h"

#include <cstdint>
#include <cstdio>

#include "game/battle/access.h"
#include "game/battle/battle.h"
#include "game/core/data_files.h"
#include "game/core/frame_state.h"
#include "game/core/match_setup.h"
#include "game/core/records.h"
#include "game/flow/flow.h"
#include "morrow/graphics/draw.h"
#include "morrow/graphics/graph.h"
#include "morrow/graphics/graph_load.h"
#include "morrow/sound/music.h"
#include "morrow/system/time.h"

namespace veyrdale {

namespace {

// Loads one portrait slot: the sheet of the character shown, ten pictures of 360 by 480. The
// slot is emptied first, so a sheet that fails to load leaves no stale handles behind.
void LoadPortrait(int slot, int character) {
  int32_t* handles = PortraitHandles[slot];
  for (int i = 0; i < 10; ++i) handles[i] = -1;
  char path[64];
  std::snprintf(path, sizeof path, "Resource\\b_%s.dat", CharacterCodeOf(character));
  morrow::LoadDividedGraph(path, 10, 5, 2, 360, 480, handles);
}

}  // namespace

void SetupStoryStage(int stage, int kind) {
  SetStoryStageFighters(stage, kind);
  for (int slot = 0; slot < 4; ++slot) {
    const int character = StoryStagePortrait(stage, kind, slot);
    if (character >= 0) LoadPortrait(slot, character);
  }
}

void SetupExtraStoryStage(int stage) {
  SetupStoryStage(stage, 1);
}

void DeletePortraits() {
  for (auto& slot : PortraitHandles) {
    for (int32_t& handle : slot) {
      morrow::FreeGraphHandle(handle, 0);
      // A freed handle left in the table could later match a newer graph and free it.
      handle = -1;
    }
  }
}

const char* StageBgmPath(int arena, int force) {
  const int storyStage = g_match.storyStage;
  if (g_match.storyMode < 1 || force != 0) {
    switch (arena) {
      case 0:
        return "Resource\\Bgm\\03.bgm";
      case 1:
        return "Resource\\Bgm\\04.bgm";
      case 2:
        return "Resource\\Bgm\\05.bgm";
      case 3:
        return "Resource\\Bgm\\06.bgm";
      case 4:
        return storyStage == 6 && g_match.storyKind == 1 ? "Resource\\Bgm\\11.bgm"
                                                         : "Resource\\Bgm\\08.bgm";
      case 5:
        return "Resource\\Bgm\\07.bgm";
      case 6:
        return "Resource\\Bgm\\09.bgm";
      case 7:
        return storyStage == 16 ? "Resource\\Bgm\\11.bgm" : "Resource\\Bgm\\10.bgm";
      case 8:
        return "Resource\\Bgm\\14.bgm";
      case 9:
        return "Resource\\Bgm\\15.bgm";
      default:
        return nullptr;
    }
  }
  if (g_match.storyKind == 0) {
    switch (arena) {
      case 0:
        return "Resource\\Bgm\\27.bgm";
      case 2:
        return "Resource\\Bgm\\21.bgm";
      case 3:
      case 4:
        return "Resource\\Bgm\\22.bgm";
      case 5:
        return "Resource\\Bgm\\24.bgm";
      case 6:
        return storyStage == 15 ? "Resource\\Bgm\\23.bgm" : "Resource\\Bgm\\25.bgm";
      case 7:
        return "Resource\\Bgm\\23.bgm";
      default:
        return nullptr;
    }
  }
  if (g_match.storyKind == 1) {
    switch (arena) {
      case 3:
        return "Resource\\Bgm\\22.bgm";
      case 4:
        return storyStage == 6 ? "Resource\\Bgm\\23.bgm" : "Resource\\Bgm\\22.bgm";
      case 5:
        return "Resource\\Bgm\\24.bgm";
      case 7:
        return "Resource\\Bgm\\23.bgm";
      case 8:
        return "Resource\\Bgm\\26.bgm";
      default:
        return nullptr;
    }
  }
  return nullptr;
}

void PlayStageBgm(int arena, int force) {
  const char* path = StageBgmPath(arena, force);
  if (path != nullptr) morrow::StartMusicPlayback(path, 3);
  morrow::SetMusicVolume(MusicVolumeSetting());
}

int LoadingPictureNumber(int r, int frameCount) {
  int64_t n = (static_cast<int64_t>(r) + frameCount) % 29;
  return static_cast<int>(n < 0 ? n + 29 : n);
}

int LoadLoadingPicture() {
  // A picture still held would otherwise be lost with its handle, and every demo would leak one.
  DeleteLoadingPicture();
  char path[32];
  // The number is drawn in the story too, where it goes unused, so the random sequence does not
  // depend on the mode.
  int n = LoadingPictureNumber(morrow::GetRandomNumber(31), FrameCount);
  if (g_match.storyMode >= 1) {
    std::snprintf(path, sizeof path, "Resource\\NLG\\nl.nlg");
  } else {
    std::snprintf(path, sizeof path, "Resource\\NLG\\%02d.nlg", n);
  }
  LoadingPicture = morrow::LoadImageAsGraph(path);
  return LoadingPicture;
}

void DrawLoadingPicture() {
  morrow::SetModulationColor(255, 255, 255);
  morrow::SetFilterMode(0);
  morrow::SetBlendMode(0, 255);
  morrow::DrawGraph(0, 0, LoadingPicture, 1);
}

void DeleteLoadingPicture() {
  morrow::FreeGraphHandle(LoadingPicture, 0);
  LoadingPicture = -1;
}

}  // namespace veyrdale
