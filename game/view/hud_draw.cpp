// The head-up display that closes every drawn battle frame, over everything the battle drew:
// the corner badges, the spell cards' declarations and flashes, the blackout and the screen
// flashes, the beams, the status bar with one panel per player and the round timer, the round's
// announcements and its end, the story's dialogue and the opponent's name plate, the survival
// notice, the cross-fades of the captured screen, the round clock, the continue prompt and the
// white fade.
//
// The display only reads the presentation counters it shows (FlashFrames, FadeFrames,
// SpellFadeFrames, NamePlateFrames). The flow spends them after the part of the display that
// showed them, and steps the story's script, runs the round clock and the continue prompt's
// choice between and after its parts, so all of them advance on drawn frames only.
//
// Every panel element slides off screen by the frame's slide (the badges by twice as much) while
// the story's dialogue runs. Even players sit on the left, odd players on the right, players 0
// and 1 at the top and 2 and 3 at the bottom.
#include <algorithm>
#include <cstdint>

#include "game/battle/player_control.h"
#include "game/battle/story_stages.h"
#include "game/core/frame_state.h"
#include "game/core/match_setup.h"
#include "game/core/numeric.h"
#include "game/core/records.h"
#include "game/core/resource_tables.h"
#include "game/view/draw_conventions.h"
#include "game/view/draw_list.h"
#include "game/view/hud_parts.h"
#include "game/view/rota_rect.h"
#include "game/view/view.h"
#include "morrow/device/color_format.h"
#include "morrow/graphics/draw.h"

namespace veyrdale {

namespace view {

namespace {

constexpr int kBadgeRow = 79;
constexpr int kTickRow = 11;
constexpr int kPortraitRow = 12;
constexpr int kStarRow = 31;
constexpr int kBarRow = 76;
constexpr int kLifeRow = 77;  // cell 0 the life above half, cell 1 the base bar
constexpr int kMeterRow = 78;
constexpr int kBeamRow = 97;
constexpr int kScoreLabelRow = 139;
constexpr int kPanelRow = 168;  // player p's panels are row 168 + 8p

constexpr int kBeamKind = 201;
constexpr int kRoundStartPhases = 280;
constexpr int kLastSurvivalRound = 30;

constexpr int kHalfLife = 175;
constexpr int kLifeBarWidth = 242;
constexpr int kLowLife = 80;  // at or below it the bar blinks
constexpr float kFullMeter = 700.0f;
constexpr int kMeterLength = 136;
// Stars past this many would all stand off screen; a corrupted win count draws no more.
constexpr int kMostStars = 100;

// The right-hand portrait's shift by character, so that every name ends at the panel's edge.
constexpr int kPortraitShift[16] = {34, 34, 28, 43, 26, 82, 86, -10,
                                    28, 28, 48, 28, 82, 43, 26, 34};

// Characters 2, 3 and 5 show their panel's card form while their spell card runs.
bool PanelShowsCard(int character) {
  return character == 2 || character == 3 || character == 5;
}

void FullScreenBox(int r, int g, int b) {
  morrow::DrawRectangle(0, 0, 640, 480, morrow::PackScreenColor(r, g, b), 1);
}

void DrawCornerBadges(int players, int slide) {
  morrow::SetBlendMode(kBlendAdd, 160);
  for (int p = 0; p < players; ++p) {
    // In team mode a badge shows the team, not the player.
    const int64_t cell = g_match.teamMode == 1 ? 4 * static_cast<int64_t>(g_match.team[p]) : p;
    const int x = p % 2 == 0 ? 65 - 2 * slide : 575 + 2 * slide;
    morrow::DrawRotaGraph(x, 14 + 452 * (p / 2), 1.0, 0.0, PictureCell(kBadgeRow, cell), 1, 0);
  }
  morrow::SetFilterMode(1);
}

void DrawBlackout() {
  morrow::SetFilterMode(0);
  if (ArenaBlackout != 1) return;
  // Opaque whatever the blend the steps before left: the screen is black.
  morrow::SetBlendMode(kBlendNone, kOpaque);
  FullScreenBox(0, 0, 0);
}

// A white flash fades out over FlashLength frames, a black one (negative FlashFrames) fades in.
void DrawFlash() {
  if (FlashFrames > 0) {
    // Without a length there is nothing to fade over: no box, but the flash still runs out.
    if (FlashLength != 0) {
      morrow::SetBlendMode(kBlendAdd,
                           SaturateToInt(255 * static_cast<int64_t>(FlashFrames) / FlashLength));
      FullScreenBox(255, 255, 255);
    }
  } else if (FlashFrames < 0) {
    const int64_t alpha =
        FlashLength < 0 ? 255 * static_cast<int64_t>(FlashFrames) / FlashLength : kOpaque;
    morrow::SetBlendMode(kBlendAlpha, SaturateToInt(alpha));
    FullScreenBox(0, 0, 0);
  }
}

void DrawBeams(int shake) {
  const int count = std::min<int>(LateEffectCount, kLateEffectLimit);
  for (int i = 0; i < count; ++i) {
    const EffectRecord& beam = LateEffectList[i];
    if (beam.code != kBeamKind) continue;
    morrow::SetBlendMode(kBlendAdd, kOpaque);
    DrawRotaRectGraph(beam.x, beam.y - static_cast<float>(shake), 2048.0f,
                      16.0f * static_cast<float>(beam.timer), beam.heading,
                      PictureCell(kBeamRow, 0));
  }
}

// ---- The status bar ------------------------------------------------------------------------

struct PanelPlace {
  int p;
  bool odd;  // on the right
  int h;     // 0 at the top, 1 at the bottom
  int slide;
};

void DrawPanelFrame(const PanelPlace& at) {
  const BattleObject& player = g_drawnFrame.players[at.p];
  const PlayerBattleState& s = g_playerState;
  int cell = 0;
  bool grey = false;
  if (player.state == kStateSpellCard) {
    cell = 2;
  } else if (player.state == kStateHitStun || player.state == kStateKnockBack) {
    cell = 1;
  } else if (player.state >= kStateKnockedOut && player.state <= kStateGhostFollowThrough) {
    cell = 1;
    grey = true;
  }
  if (s.wins[at.p] > s.winsAtRoundStart[at.p]) cell = 3;
  if (s.cardBar[at.p] > 0 && PanelShowsCard(player.kind)) cell += 8;
  if (grey) morrow::SetModulationColor(128, 128, 128);
  const int32_t frame = PictureCell(kPanelRow + 8 * at.p, cell + 12 * at.h);
  if (at.odd) {
    morrow::DrawMirroredGraph(575 + at.slide, 430 * at.h + 1, frame, 1);
  } else {
    morrow::DrawGraph(1 - at.slide, 430 * at.h + 1, frame, 1);
  }
  morrow::SetModulationColor(255, 255, 255);
}

void DrawPortrait(const PanelPlace& at) {
  if (g_match.survivalMode != 0 && at.p == 0) {
    // Survival shows player 0's score where its name would be.
    morrow::DrawGraph(68, 14, PictureCell(kScoreLabelRow, 0), 1);
    DrawNumber(182, 14, g_playerState.score[0], 7, 1);
    return;
  }
  const int character = g_drawnFrame.players[at.p].kind;
  if (character >= 16) return;
  const int y = 438 * at.h + 16;
  const int32_t name = PictureCell(kPortraitRow, character);
  if (at.odd) {
    morrow::DrawGraph(443 + kPortraitShift[character] + at.slide, y, name, 1);
  } else {
    morrow::DrawGraph(68 - at.slide, y, name, 1);
  }
}

void DrawGaugeTicks(const PanelPlace& at) {
  const float gauge = g_playerState.spellGauge[at.p];
  const int x = at.odd ? 621 + at.slide : -5 - at.slide;
  const int32_t tick = PictureCell(kTickRow, g_drawnFrame.players[at.p].kind);
  if (gauge >= 100.0f) morrow::DrawGraph(x, 358 * at.h + 49, tick, 1);
  if (gauge >= 200.0f) morrow::DrawGraph(x, 318 * at.h + 69, tick, 1);
}

// A bar's width for `life` above its base, held within the bar.
int LifeWidth(int64_t life) {
  return std::clamp(TruncToInt(static_cast<double>(life) * (1.0 / kHalfLife) * kLifeBarWidth), 0,
                    kLifeBarWidth);
}

// Left-hand bars grow to the right from x 70; right-hand bars are turned and end at x 570.
void DrawLifePart(const PanelPlace& at, int cell, int width) {
  const int x = at.odd ? 570 + at.slide - width : 70 - at.slide;
  morrow::DrawGraphPart(x, 467 * at.h + 3, 2, 3, width, 9, PictureCell(kLifeRow, cell), 1,
                        at.odd ? 1 : 0);
}

void DrawLifeBar(const PanelPlace& at) {
  const int32_t life = g_drawnFrame.players[at.p].life;
  if (life > kHalfLife) {
    DrawLifePart(at, 1, kLifeBarWidth);
    DrawLifePart(at, 0, LifeWidth(static_cast<int64_t>(life) - kHalfLife));
  } else if (life > 0) {
    // Low life blinks: hidden while FrameCount / 2 is odd.
    if (life <= kLowLife && (FrameCount / 2) % 2 != 0) return;
    DrawLifePart(at, 1, LifeWidth(life));
  }
}

// Top players' meters hang from y 96, bottom players' rise to y 383.
void DrawMeterBar(const PanelPlace& at) {
  const double meter = g_drawnFrame.players[at.p].meter;
  const int length =
      std::clamp(TruncToInt(meter * (1.0 / kFullMeter) * kMeterLength), 0, kMeterLength);
  const int x = at.odd ? 629 + at.slide : 2 - at.slide;
  const int32_t strip = PictureCell(kMeterRow, 0);
  if (at.h == 0) {
    morrow::DrawGraphPart(x, 96, 2, 2, 9, length, strip, 1, 0);
  } else {
    morrow::DrawGraphPart(x, 383 - length, 2, 137 - length, 9, length, strip, 1, 0);
  }
}

void DrawWinStars(const PanelPlace& at) {
  morrow::SetBlendMode(kBlendAdd, kOpaque);
  const int stars = std::clamp(g_playerState.wins[at.p], 0, kMostStars);
  const double angle = static_cast<double>(SceneFrame) * 2 * kPiOver128;
  const int32_t star = PictureCell(kStarRow, 0);
  for (int k = 0; k < stars; ++k) {
    const int x = at.odd ? 612 + 6 * k + at.slide : 28 - 6 * k - at.slide;
    morrow::DrawRotaGraph(x, 364 * at.h + 58 + k * (12 - 24 * at.h), 0.5, angle, star, 1, 0);
  }
  morrow::SetBlendMode(kBlendNone, kOpaque);
}

void DrawStatusBar(int players, int slide) {
  morrow::SetBlendMode(kBlendNone, kOpaque);
  morrow::DrawGraph(-slide, 0, PictureCell(kBarRow, 0), 1);
  morrow::DrawGraph(320 + slide, 0, PictureCell(kBarRow, 1), 1);
  for (int p = 0; p < players; ++p) {
    const PanelPlace at{p, p % 2 == 1, p / 2, slide};
    DrawPanelFrame(at);
    DrawPortrait(at);
    DrawGaugeTicks(at);
    DrawLifeBar(at);
    DrawMeterBar(at);
    DrawWinStars(at);
  }
  DrawNumber(320, 1 - slide, FrameBudget / 100, 0, 0);
}

// ---- The end of the frame ------------------------------------------------------------------

void DrawCrossFades(int shake) {
  if (FadeFrames > 0) {
    morrow::SetBlendMode(kBlendAlpha, TruncToInt(FadeFrames * (1.0 / 30) * 255));
    morrow::DrawRotaGraph(320, 240 - shake, 1.0, 0.0, CaptureGraph, 1, 0);
  }
  if (SpellFadeFrames > 0) {
    const double n = SpellFadeFrames;
    morrow::SetBlendMode(kBlendAdd, TruncToInt(n * 0.05 * 255));
    morrow::DrawRotaGraph(320, 240 - shake, 1 + (20 - n) * 0.01, 0.0, CaptureGraph, 1, 0);
    morrow::DrawRotaGraph(320, 240 - shake, 1 + (20 - n) * 0.015, 0.0, CaptureGraph, 1, 0);
  }
  morrow::SetBlendMode(kBlendNone, kOpaque);
}

void DrawWhiteFade() {
  if (EndingFade <= 0) return;
  morrow::SetBlendMode(kBlendAdd, TruncToInt((48 - EndingFade) * (1.0 / 48) * 255));
  FullScreenBox(255, 255, 255);
}

}  // namespace

int HudSlide() {
  if (StoryPreFight <= 0) return 0;
  const int64_t v = StoryScriptFade;
  const bool talking = StoryPreFight <= 120;
  int64_t slide = 64;
  if (StageTypeOf(g_match.storyStage) == 1) {
    // The fight follows: the panels come back as the dialogue fades out.
    if (!talking && v > 16) {
      slide = 4 * v - 64;
    } else if (!talking && v > 0) {
      slide = 0;
    }
  } else if (StageTypeOf(g_match.storyStage) != 3 && talking && v > 16) {
    slide = (32 - v) * 4;
  }
  return static_cast<int>(std::clamp<int64_t>(slide, 0, 64));
}

}  // namespace view

void DrawBattleHud(int shake) {
  using namespace view;
  const int slide = HudSlide();
  const int players = PlayerCountUpToFour();
  DrawCornerBadges(players, slide);
  if (StoryPreFight <= 0) DrawSpellDeclarations();
  DrawCardFlashes();
  DrawSpecialDeclaration(shake);
  DrawBlackout();
  DrawFlash();
  DrawBeams(shake);
  DrawStatusBar(players, slide);
  if (RoundFrame >= 0 && RoundFrame < kRoundStartPhases) DrawRoundAnnouncements(shake);
  if (RoundEndFrames > 0) DrawRoundEndDisplay();
}

void DrawBattleHudTop(int shake) {
  using namespace view;
  DrawNamePlate();
  if (g_match.survivalMode != 0 && RoundFrame <= 0 && RoundWinner == 1 &&
      RoundNumber < kLastSurvivalRound) {
    DrawSurvivalNotice();
  }
  DrawCrossFades(shake);
  if (ContinuePause > 0) DrawContinuePrompt();
  DrawWhiteFade();
}

}  // namespace veyrdale
