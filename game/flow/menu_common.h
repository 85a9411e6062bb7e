// What every menu scene shares: the menu state, presses, the menu sounds, the pictures of the menu
// set by name, the slide-in header, the highlighted item, the cross-fade, the 70-frame countdown to
// a battle and the resets a match start makes.
//
// A menu leaves by a delayed switch: it sets SceneFrame to -d, the loop counts it up, and at
// -(d - 1) the menu writes the next scene. The one frame between lets the loop capture the menu's
// last picture for the next scene's cross-fade.
#pragma once

#include <cstdint>

#include "game/core/input.h"

namespace veyrdale {

// Menus read input from this frame of their scene on, so a press that ended the last scene does
// not act in the next.
constexpr int kMenuFirstInputFrame = 31;
// The alpha of menu texts drawn over their screen.
constexpr int kMenuTextAlpha = 224;

// The highlighted item of the current menu.
extern int32_t MenuCursor;
// The item the next menu shows highlighted; copied into MenuCursor at that menu's frame 1.
extern int32_t MenuReturnCursor;
// 30 after each cursor move, counted down by every menu frame: the slide of the highlighted item
// and the fade-in of its description.
extern int32_t MenuSlideFrames;
// The countdown from a final choice to the battle; menus read no input while it runs.
extern int32_t BattleStartCountdown;

// value mod divisor in 0..divisor - 1, also for negative values (SceneFrame is negative during
// every scheduled switch). Every table index taken from a frame count goes through it.
int PositiveModulo(int value, int divisor);

// A press is a count of exactly 1: a button held over from the previous scene never acts.
bool Pressed(Input input, int player);
// Held is a count above 0.
bool Held(Input input, int player);

void PlayCursorSound();
void PlayAcceptSound();
void PlayCancelSound();

// The slots of the menu picture set (loaded by LoadGameResources(0)).
enum MenuPictureSlot : int {
  kPicBlk = 0,
  kPicGameOver = 2,  // "g_o"
  kPicBst = 3,
  kPicPush = 4,
  kPicCLogo = 5,
  kPicCLogo2 = 6,
  kPicMapt = 7,
  kPicName = 8,
  kPicFont01 = 9,
  kPicFont02 = 10,
  kPicFont03 = 11,
  kPicFont04 = 12,
  kPicFont05 = 13,
  kPicFont06 = 14,
  kPicLine = 15,
  kPicBgt00 = 16,
  kPicBgt01 = 17,
  kPicBgt02 = 18,
  kPicBgt03 = 19,
  kPicBgt04 = 20,
  kPicLogo00 = 21,
  kPicGreen = 22,
  kPicCBg = 24,
  kPicPNum = 25,
  kPicNumt = 26,
  kPicWait = 27,
  kPicFont07 = 28,
  kPicFont08 = 29,
  kPicFont09 = 30,
  kPicFont11 = 31,
  kPicFont12 = 32,
  kPicStar = 34,
  kPicKak = 23,
  kPicFont15 = 33,
  kPicNames = 35,
};
// The handle of a cell of a menu picture; -1 (which draws nothing) for a cell outside the
// picture's slot.
int32_t MenuPicture(int slot, int cell);

// Blend mode 0 with 255: plain drawing.
void SetPlainDrawing();
// Blend mode 1 (alpha) with a parameter.
void SetAlphaDrawing(int parameter);
// A picture centred on (x, y), unscaled and unturned.
void DrawCentred(int x, int y, int32_t graph);
// A filled full-screen box.
void DrawScreenBox(int r, int g, int b);

// The header of a menu slides in from the left over its first 60 frames while it fades in at
// trunc(t x alphaScale), at most `alphaLimit`, and stays at alphaLimit afterwards (255: opaque,
// and plain from frame 60 on); then the caption at (captionX, 24).
void DrawMenuHeader(int headerPiece, int captionPiece, int alphaLimit, int captionX = 240,
                    int alphaScale = 255);

// One item of a vertical menu. The label's top is at `top`; bar, caption and description are
// placed from it.
struct MenuItem {
  int base;
  int labelWidth;
  int label;        // piece of "font01"
  int caption;      // piece of "font04"
  int description;  // piece of "font03"
};
// The highlighted item slides right and shows its bar, caption and description; the others show
// their label half transparent.
void DrawMenuItem(const MenuItem& item, int top, bool highlighted);

// The start of every menu frame: neutral modulation, plain drawing, the scene's background.
void BeginMenuFrame();

// While FadeFrames runs, the captured last picture of the previous scene over this one.
void DrawCrossFade();
// The end of a menu frame: the slide runs down.
void EndMenuFrame();

// One frame of the battle-start countdown: lowers it, loads the loading picture at 30 and asks
// for the capture at 1. True in the frame it reaches 0, when the caller starts the battle.
bool StepBattleStartCountdown();
// The countdown's picture: a box that fades in over the menu, then the loading picture under a
// box that fades out. Black or white.
void DrawBattleStartCountdown(bool white);
// The battle of the current story stage: its fighters, the battle pictures, its glyph sheets and
// script, its music at the options' volume; the loading picture freed.
void LoadStoryStage();
// The same picture for any countdown of that shape: from 60 down to 30 the box fades in, from 29
// down to 1 the loading picture comes out of it; nothing outside 1-60.
void DrawLoadingFade(int countdown, bool white);

}  // namespace veyrdale
