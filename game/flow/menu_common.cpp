// The menu state, the shared drawing of the menus and the battle-start countdown.
#include "game/flow/menu_common.h"

#include <algorithm>

#include "game/battle/battle.h"
#include "game/core/data_files.h"
#include "game/core/frame_state.h"
#include "game/core/match_setup.h"
#include "game/core/numeric.h"
#include "game/core/records.h"
#include "game/core/resource_tables.h"
#include "game/core/sound_entries.h"
#include "game/flow/flow.h"
#include "game/flow/menus.h"
#include "morrow/device/color_format.h"
#include "morrow/graphics/draw.h"
#include "morrow/sound/sound.h"

namespace veyrdale {

int32_t MenuCursor = 0;
int32_t MenuReturnCursor = 0;
int32_t MenuSlideFrames = 0;
int32_t BattleStartCountdown = 0;

namespace {

constexpr int kBlendAlpha = 1;
constexpr int kSlideFrames = 30;
constexpr int kHeaderFrames = 60;

}  // namespace

int PositiveModulo(int value, int divisor) {
  if (divisor <= 0) return 0;
  const int r = value % divisor;
  return r < 0 ? r + divisor : r;
}

bool Pressed(Input input, int player) {
  if (player < 0 || player >= 4) return false;
  return HeldFrameCounts[input][player] == 1;
}

bool Held(Input input, int player) {
  if (player < 0 || player >= 4) return false;
  return HeldFrameCounts[input][player] > 0;
}

void PlayCursorSound() {
  PlaySoundEntry(kSoundSelect);
}
void PlayAcceptSound() {
  PlaySoundEntry(kSoundEnter);
}
void PlayCancelSound() {
  PlaySoundEntry(kSoundCancel);
}

int32_t MenuPicture(int slot, int cell) {
  if (slot < 0 || slot >= kListSlots || cell < 0 || cell >= kPictureCells) return -1;
  return PictureSlots[slot][cell];
}

void SetPlainDrawing() {
  morrow::SetBlendMode(0, 255);
}

void SetAlphaDrawing(int parameter) {
  morrow::SetBlendMode(kBlendAlpha, parameter);
}

void DrawCentred(int x, int y, int32_t graph) {
  morrow::DrawRotaGraph(x, y, 1.0, 0.0, graph, 1, 0);
}

void DrawScreenBox(int r, int g, int b) {
  morrow::DrawRectangle(0, 0, 640, 480, morrow::PackScreenColor(r, g, b), 1);
}

void DrawMenuHeader(int headerPiece, int captionPiece, int alphaLimit, int captionX,
                    int alphaScale) {
  const int n = SceneFrame;
  if (n >= 0 && n < kHeaderFrames) {
    const double t = n / static_cast<double>(kHeaderFrames);
    SetAlphaDrawing(std::min(TruncToInt(t * alphaScale), alphaLimit));
    morrow::DrawGraph(TruncToInt((1 - t) * -16), 0, MenuPicture(kPicFont01, headerPiece), 1);
    morrow::DrawGraph(TruncToInt((1 - t) * -480), 54, MenuPicture(kPicLine, 0), 1);
  } else {
    if (alphaLimit >= 255) {
      SetPlainDrawing();
    } else {
      SetAlphaDrawing(alphaLimit);
    }
    morrow::DrawGraph(0, 0, MenuPicture(kPicFont01, headerPiece), 1);
    morrow::DrawGraph(0, 54, MenuPicture(kPicLine, 0), 1);
  }
  morrow::DrawGraph(captionX, 24, MenuPicture(kPicFont04, captionPiece), 1);
}

void DrawMenuItem(const MenuItem& item, int top, bool highlighted) {
  if (!highlighted) {
    SetAlphaDrawing(128);
    morrow::DrawGraph(item.base + 50, top, MenuPicture(kPicFont01, item.label), 1);
    return;
  }
  const int s = MenuSlideFrames <= 25 ? 10 : (kSlideFrames - MenuSlideFrames) * 2;
  SetPlainDrawing();
  morrow::DrawGraph(item.base + s + 20, top + 30, MenuPicture(kPicGreen, 0), 1);
  morrow::DrawGraph(item.base + s + item.labelWidth + 50, top + 27,
                    MenuPicture(kPicFont04, item.caption), 1);
  morrow::DrawGraph(item.base + s + 50, top, MenuPicture(kPicFont01, item.label), 1);
  SetAlphaDrawing(TruncToInt((kSlideFrames - MenuSlideFrames) * (1.0 / 30) * 255));
  morrow::DrawGraph(item.base + 140, top + 50, MenuPicture(kPicFont03, item.description), 1);
}

void BeginMenuFrame() {
  morrow::SetModulationColor(255, 255, 255);
  SetPlainDrawing();
  DrawMenuBackground();
}

void DrawCrossFade() {
  if (FadeFrames < 1) return;
  morrow::SetFilterMode(1);
  SetAlphaDrawing(TruncToInt(FadeFrames * 0.1 * 255));
  morrow::DrawRotaGraph(320, 240, 1.0, 0.0, CaptureGraph, 1, 0);
  --FadeFrames;
  morrow::SetFilterMode(0);
}

void EndMenuFrame() {
  if (MenuSlideFrames > 0) --MenuSlideFrames;
}

bool StepBattleStartCountdown() {
  if (BattleStartCountdown <= 0) return false;
  --BattleStartCountdown;
  if (BattleStartCountdown == 30) LoadLoadingPicture();
  if (BattleStartCountdown == 1) FadeCaptureRequest = 1;
  return BattleStartCountdown == 0;
}

void DrawBattleStartCountdown(bool white) {
  DrawLoadingFade(BattleStartCountdown, white);
}

void DrawLoadingFade(int countdown, bool white) {
  const int c = countdown;
  if (c < 1 || c > 60) return;
  const int level = white ? 255 : 0;
  if (c >= 30) {
    SetAlphaDrawing(TruncToInt((60 - c) * (1.0 / 30) * 255));
  } else {
    DrawLoadingPicture();
    SetAlphaDrawing(TruncToInt(c * (1.0 / 29) * 255));
  }
  DrawScreenBox(level, level, level);
}

void LoadStoryStage() {
  SetupStoryStage(g_match.storyStage, g_match.storyKind);
  LoadGameResources(1);
  LoadFontSheets(g_match.storyStage);
  LoadScenarioScript(g_match.storyStage);
  morrow::StopMusicPlayback();
  PlayStageBgm(g_match.stage, 0);
  DeleteLoadingPicture();
}

}  // namespace veyrdale
