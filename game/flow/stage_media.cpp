// The story's media: the stage music, the loading picture and the portraits' release.
#include "game/flow/stage_media.h"

#include <cstdint>
#include <cstdio>

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
