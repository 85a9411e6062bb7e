// The credits, the unlock picture and the extra story's epilogue.
#include "game/flow/ending.h"

#include <cstdint>
#include <limits>

#include "game/battle/battle.h"
#include "game/core/data_files.h"
#include "game/core/frame_state.h"
#include "game/core/input.h"
#include "game/core/match_setup.h"
#include "game/core/numeric.h"
#include "game/core/records.h"
#include "game/core/resource_tables.h"
#include "game/core/result_state.h"
#include "game/core/scenes.h"
#include "game/flow/flow.h"
#include "game/flow/glyph_text.h"
#include "game/flow/menu_common.h"
#include "game/flow/scenario.h"
#include "game/flow/story_results.h"
#include "game/view/draw_conventions.h"
#include "morrow/device/color_format.h"
#include "morrow/graphics/draw.h"
#include "morrow/sound/sound.h"

namespace veyrdale {

namespace {

using view::kBlendAdd;

// The credits.
constexpr int kCreditsEnd = 6500;
constexpr int kFlashEnd = 600;
constexpr int kPanelStart = 660;
constexpr int kWhiteOutStart = 6260;
constexpr int kSkipExtraFrames = 4;  // button 3 runs the credits five times as fast
constexpr int kBlackOutFrames = 240;
constexpr double kCreditSpeed = 4576.0 / 5840.0;  // pixels a frame

// Slots of the ending picture set (LoadGameResources(2)).
constexpr int kEndLogo = 0;
constexpr int kEndBackground = 10;
constexpr int kEndPanel = 11;
constexpr int kEndCredits = 12;  // four strips

struct CreditStrip {
  int first;  // frames it is shown, both included
  int last;
  int top;  // y at frame 660
};
constexpr CreditStrip kCreditStrips[4] = {
    {660, 2948, 480}, {1460, 4092, 1504}, {2260, 5236, 2528}, {3060, 6380, 3552}};

// The unlock picture.
constexpr int kHoldFrame = 350;
constexpr int kFirstSkipFrame = 21;
constexpr int kSignFrame = 449;
constexpr int kPictureEnd = 450;

// The epilogue.
constexpr int kEpilogueStage = 10;
constexpr int kEpilogueScript = 60;
constexpr int kEpilogueTextFrame = 60;
constexpr int kEpilogueLeaveEnd = 120;
constexpr int kMotionFrames = kSpeakerMotionFrames;

int32_t CreditPicture(int slot) {
  return PictureSlots[slot][0];
}

void DrawWhiteBox() {
  DrawScreenBox(255, 255, 255);
}

// The credits, frame f below 6500.
void DrawCredits(int f) {
  morrow::SetModulationColor(255, 255, 255);
  SetPlainDrawing();
  const double s = f / static_cast<double>(kCreditsEnd);
  morrow::DrawGraph(TruncToInt(384 * s - 384), TruncToInt(32 * s - 32),
                    CreditPicture(kEndBackground), 1);

  int flash = 0;
  if (f < 300) {
    flash = 255;
  } else if (f < kFlashEnd) {
    flash = TruncToInt((kFlashEnd - f) / 300.0 * 255);
  }
  morrow::SetBlendMode(kBlendAdd, flash);
  DrawWhiteBox();

  if (f < kFlashEnd) {
    int alpha = 255;
    if (f < 120) {
      alpha = TruncToInt(f / 120.0 * 255);
    } else if (f >= 300) {
      alpha = TruncToInt((kFlashEnd - f) / 300.0 * 255);
    }
    SetAlphaDrawing(alpha);
    morrow::SetFilterMode(1);
    DrawCentred(320, 240, CreditPicture(kEndLogo));
    morrow::SetFilterMode(0);
  }

  if (f > kFlashEnd) {
    morrow::SetBlendMode(kBlendAdd,
                         f < kPanelStart ? TruncToInt((f - kFlashEnd) / 60.0 * 255) : 255);
    morrow::DrawRectangle(384, 0, 640, 480, morrow::PackScreenColor(255, 255, 255), 1);
    SetPlainDrawing();
    const int k = f - kPanelStart;
    for (int i = 0; i < 4; ++i) {
      const CreditStrip& strip = kCreditStrips[i];
      if (f < strip.first || f > strip.last) continue;
      morrow::DrawGraph(392, TruncToInt(strip.top - k * kCreditSpeed),
                        CreditPicture(kEndCredits + i), 1);
    }
    if (f >= kPanelStart) morrow::DrawGraph(384, 0, CreditPicture(kEndPanel), 1);
  }

  if (f > kWhiteOutStart) {
    morrow::SetBlendMode(kBlendAdd, TruncToInt((f - kWhiteOutStart) / 240.0 * 255));
    DrawWhiteBox();
  }
}

// The unlock rules: a first clear opens level 1, or level 2 with the picture of scene 27 on the
// story's other route; a clear of the extra story at level 2 opens level 3 and its epilogue. Any
// other clear changes nothing.
void ApplyUnlockRules() {
  int32_t& level = g_scores.unlockLevel;
  int next = kSceneTitleReturn;
  if (level <= 1) {
    if (RouteFlagB == 1) {
      level = 2;
      next = kSceneUnlockPicture;
    } else {
      level = 1;
    }
  } else if (level == 2 && g_match.storyKind == 1) {
    level = 3;
    next = kSceneExtraEpilogue;
  }
  SceneId = next;
}

// After the credits: white turning black over 240 frames, then the unlocks and the high score.
void RunCreditsEnd() {
  SetPlainDrawing();
  DrawWhiteBox();
  if (LeaveCountdown == 0) LeaveCountdown = kBlackOutFrames;
  SetAlphaDrawing(TruncToInt((kBlackOutFrames - LeaveCountdown) / 240.0 * 255));
  DrawScreenBox(0, 0, 0);
  if (LeaveCountdown > 1) {
    --LeaveCountdown;
    return;
  }
  if (LeaveCountdown != 1) return;
  FadeCaptureRequest = 1;
  LeaveCountdown = 0;
  ApplyUnlockRules();
  SceneFrame = 0;
  LoadGameResources(0);
  ClearStoryRun();
  InsertStoryHighScore();
}

void StartEpilogue() {
  morrow::StopMusicPlayback();
  g_match.storyKind = 1;
  SetupStoryStage(kEpilogueStage, 1);
  LoadFontSheets(kEpilogueStage);
  LoadScenarioScript(kEpilogueScript);
  g_match.storyKind = 0;
  g_players[0].recovery = kMotionFrames;
  PortraitExpressions[0] = 1;
  PortraitSlots[0] = 0;
}

}  // namespace

void EndingSequenceScene() {
  if (SceneFrame == 0 || SceneFrame == 1) RunEndMusicFade = 0;
  if (SceneFrame < kCreditsEnd) {
    DrawCredits(SceneFrame);
    if (Held(kInputButton3, 0)) SceneFrame += kSkipExtraFrames;
  }
  // A skip that passes 6500 runs the end in the same frame.
  if (SceneFrame >= kCreditsEnd) RunCreditsEnd();
  DrawCrossFade();
}

void UnlockPictureScene() {
  const int f = SceneFrame;
  SetPlainDrawing();
  if (f == kSignFrame) morrow::LoadAndDrawGraphFile(502, 454, "Resource\\loading.dat", 1);
  if (f == kPictureEnd) {
    SceneId = kSceneTitleReturn;
    SceneFrame = 0;
  }
  // The picture stays until button 1: frame 351 goes back to 350 every frame.
  if (f == kHoldFrame + 1) SceneFrame = kHoldFrame;
  if (SceneFrame >= kFirstSkipFrame && SceneFrame <= kHoldFrame && Pressed(kInputButton1, 0)) {
    SceneFrame = kHoldFrame + 1;
  }
  DrawScreenBox(0, 0, 0);
  // Fades in over frames 5 to 69 and out from 350 to 413; the library clamps to 0..255. The frame
  // as the hold left it, so a held picture is fully shown.
  const int64_t shown = SceneFrame;
  SetAlphaDrawing(SaturateToInt(shown < kHoldFrame ? 4 * shown - 20 : 1655 - 4 * shown));
  DrawCentred(320, 240, MenuPicture(kPicBgt04, 0));
  DrawCrossFade();
}

void ExtraEpilogueScene() {
  const int f = SceneFrame;
  if (f == 1) StartEpilogue();
  int32_t& entry = g_playerState.entryFrames[0];
  if (f >= kEpilogueTextFrame && entry > 0 && entry < std::numeric_limits<int32_t>::max()) ++entry;

  morrow::SetModulationColor(255, 255, 255);
  SetPlainDrawing();
  const uint32_t black = morrow::PackScreenColor(0, 0, 0);
  morrow::DrawRectangle(0, 0, 640, 32, black, 1);
  morrow::DrawRectangle(0, 448, 640, 480, black, 1);
  DrawSpeakerPortraits(0);
  morrow::SetModulationColor(255, 255, 255);
  SetAlphaDrawing(192);
  morrow::DrawRectangle(24, 330, 616, 422, black, 1);

  if (f >= kEpilogueTextFrame) {
    SetPlainDrawing();
    // Once the script has ended every further page turn reports the end again; only the first
    // starts the fade, so a held or pressed button cannot keep restarting it.
    if (StepScenario(kEpilogueStage) >= 1 && EpilogueLeaveFrames == 0) EpilogueLeaveFrames = 1;
    if (g_players[0].recovery > 0) --g_players[0].recovery;
  }
  if (f < kEpilogueTextFrame) {
    SetAlphaDrawing(SaturateToInt((kEpilogueTextFrame - int64_t{f}) * 255 / 60));
    DrawScreenBox(0, 0, 0);
  }
  const int c = EpilogueLeaveFrames;
  if (c > 0) {
    if (c > 60) {
      SetPlainDrawing();
    } else {
      SetAlphaDrawing(c * 255 / 60);
    }
    DrawScreenBox(0, 0, 0);
    ++EpilogueLeaveFrames;
    if (EpilogueLeaveFrames >= kEpilogueLeaveEnd) {
      SceneId = kSceneTitleReturn;
      SceneFrame = 0;
      EpilogueLeaveFrames = 0;
      DeleteFontSheets();
      DeletePortraits();
    }
  }
}

}  // namespace veyrdale
