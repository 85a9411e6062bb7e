// The story's dialogue inside the battle: black bars, the two speakers' portraits and the message
// box over the arena while a stage's script runs, sliding in before the first page and out after
// the last. The script is stepped here, on drawn frames, and its end either gives way to the
// fight (restarting the stage's music when the fight follows) or ends the run.
#include <cstdint>

#include "game/battle/story_stages.h"
#include "game/core/data_files.h"
#include "game/core/match_setup.h"
#include "game/core/numeric.h"
#include "game/core/records.h"
#include "game/core/scenario_state.h"
#include "game/flow/flow.h"
#include "game/flow/glyph_text.h"
#include "game/flow/menu_common.h"
#include "game/flow/scenario.h"
#include "morrow/device/color_format.h"
#include "morrow/graphics/draw.h"
#include "morrow/sound/music.h"
#include "morrow/sound/sound.h"

namespace veyrdale {

namespace {

constexpr int kSlideFrames = 32;
constexpr int kTalkFrom = 119;    // StoryPreFight from which the pages are shown
constexpr int kTalkEnded = 120;   // above it the dialogue is over and slides out
constexpr int kPlateCap = 48;     // the name plate's fade-out
constexpr int kFightFollows = 1;  // stage type
constexpr int kNextStage = 3;     // stage type

void Box(int x1, int y1, int x2, int y2) {
  morrow::DrawRectangle(x1, y1, x2, y2, morrow::PackScreenColor(0, 0, 0), 1);
}

void DrawBars(int64_t height) {
  SetPlainDrawing();
  Box(0, 0, 640, SaturateToInt(height));
  Box(0, SaturateToInt(480 - height), 640, 480);
}

void DrawMessageBox(int alpha) {
  morrow::SetModulationColor(255, 255, 255);
  SetAlphaDrawing(alpha);
  Box(24, 330, 616, 422);
}

// Pages from StoryPreFight 119 on; the script's result decides what follows the dialogue. True
// when it ends the run.
bool StepPages(int shake) {
  DrawSpeakerPortraits(shake);
  DrawMessageBox(192);
  SetPlainDrawing();
  const int result = StepScenario(g_match.storyStage);
  if (result == 1) {
    StoryScriptFade = kSlideFrames;
    if (NamePlateFrames > kPlateCap) NamePlateFrames = kPlateCap;
    if (StageTypeOf(g_match.storyStage) == kFightFollows) {
      morrow::StopMusicPlayback();
      PlayStageBgm(g_match.stage, 1);
      morrow::SetMusicVolume(MusicVolumeSetting());
    }
  }
  return result >= 2;
}

}  // namespace

void DrawSpeakerPortraits(int shake) {
  const double m = kSpeakerMotionFrames - static_cast<double>(g_players[0].recovery);
  const bool moving = SpeakerChanged == 1;
  const double lift = moving ? 0.3 * m : 3;
  const double offset = moving ? 0.5 * m : 5;
  for (int i = 0; i < 2; ++i) {
    if (PortraitSlots[i] == kNoPortrait) continue;
    const int cell = PortraitCell(i);
    if (cell < 0) continue;
    const int32_t graph = PortraitHandles[cell / 10][cell % 10];
    const int side = 1 - 2 * i;
    if (i == SpeakerSlot) {
      morrow::SetModulationColor(255, 255, 255);
      SetPlainDrawing();
      morrow::DrawRotaGraph(TruncToInt(160 + 320 * i + offset * side),
                            TruncToInt(166 - lift) - shake, 1, 0, graph, 1, i);
    } else {
      morrow::SetModulationColor(160, 160, 160);
      SetAlphaDrawing(224);
      morrow::DrawRotaGraph(TruncToInt(160 + 320 * i - offset * side),
                            TruncToInt(166 + lift) - shake, 1, 0, graph, 1, i);
    }
  }
  morrow::SetModulationColor(255, 255, 255);
}

bool DrawStoryDialogue(int shake) {
  if (StoryPreFight <= 0) return false;
  bool endsRun = false;
  const int32_t v = StoryScriptFade;
  const double fade = static_cast<double>(v) * (1.0 / kSlideFrames);
  const double rise = (kSlideFrames - static_cast<double>(v)) * (1.0 / kSlideFrames);
  if (v <= 0) {
    DrawBars(32);
    if (StoryPreFight >= kTalkFrom) endsRun = StepPages(shake);
    if (g_players[0].recovery > 0) --g_players[0].recovery;
  } else if (StoryPreFight <= kTalkEnded) {
    DrawBars(32);
    DrawSpeakerPortraits(shake);
    DrawMessageBox(TruncToInt(rise * 192));
  } else if (StageTypeOf(g_match.storyStage) == kNextStage) {
    // The next stage follows at once: the screen goes black behind the box.
    DrawBars(32);
    DrawMessageBox(TruncToInt(fade * 192));
    SetAlphaDrawing(TruncToInt(rise * 255));
    Box(0, 0, 640, 480);
  } else {
    DrawBars(v);
    DrawMessageBox(TruncToInt(fade * 192));
  }
  if (NamePlateFrames > 1) NamePlateFrames = static_cast<uint16_t>(NamePlateFrames - 2);
  return endsRun;
}

}  // namespace veyrdale
