// The win quotes and the match statistics.
#include "game/flow/win_quotes.h"

#include <cstdint>

#include "game/core/data_files.h"
#include "game/core/frame_state.h"
#include "game/core/input.h"
#include "game/core/match_setup.h"
#include "game/core/numeric.h"
#include "game/core/records.h"
#include "game/core/result_state.h"
#include "game/flow/glyph_text.h"
#include "game/flow/menu_common.h"
#include "game/flow/result_number.h"
#include "game/flow/result_pictures.h"
#include "game/flow/story_results.h"
#include "morrow/device/color_format.h"
#include "morrow/graphics/draw.h"
#include "morrow/sound/music.h"
#include "morrow/sound/sound.h"
#include "morrow/system/time.h"

namespace veyrdale {

namespace {

constexpr int kChoiceFrame = 100;
constexpr int kFirstStatisticsPress = 121;
constexpr int kStatisticsFrame = 200;
constexpr int kFirstLeavePress = 231;
constexpr int kLeaveFrames = 40;
constexpr int kRandomQuotes = 6;
constexpr int kNoCardQuote = 6;

// Per winner character, the three characters whose knock-out last in the match brings special
// quotes 10, 11 and 12.
constexpr int kRivals[kQuoteCharacters][kSpecialQuotes] = {
    {3, 7, 10}, {4, 8, 9}, {1, 7, 14}, {0, 8, 12}, {2, 5, 8},  {6, 3, 9},  {0, 5, 10}, {3, 8, 14},
    {1, 0, 13}, {1, 2, 4}, {1, 6, 13}, {2, 3, 8},  {7, 8, 11}, {0, 8, 10}, {2, 7, 10}, {5, 0, 6},
};

bool QuoteCharacter(int c) {
  return c >= 0 && c < kQuoteCharacters;
}

// The winner's player slot; a winner number outside 1-4 reads player 0.
int WinnerSlot() {
  return RoundWinner >= 1 && RoundWinner <= 4 ? RoundWinner - 1 : 0;
}

// Button 1 pressed by the winner, or by any human of the match for a computer winner: a computer
// never advances the scene itself.
bool AdvancePressed(int w) {
  if (g_match.cpuFlag[w] == 0) return Pressed(kInputButton1, w);
  for (int p = 0; p < PlayersInPlay(); ++p) {
    if (g_match.cpuFlag[p] == 0 && Pressed(kInputButton1, p)) return true;
  }
  return false;
}

void RunInput(int w) {
  if (SceneFrame >= kFirstStatisticsPress && StatisticsShown == 0 && AdvancePressed(w)) {
    StatisticsShown = 1;
    SceneFrame = kStatisticsFrame;
  }
  if (SceneFrame >= kFirstLeavePress && StatisticsShown == 1 && LeaveCountdown == 0 &&
      AdvancePressed(w)) {
    LeaveCountdown = kLeaveFrames;
    PlayAcceptSound();
  }
  if (!StepLeaveCountdown()) return;
  ReturnToCharacterSelection();
  morrow::StopMusicPlayback();
  morrow::StartMusicPlayback("Resource\\Bgm\\01.bgm", 3);
  morrow::SetMusicVolume(MusicVolumeSetting());
}

// The portrait slides in beside the quote's box and lines as they fade in; the name.
void DrawQuote(int f, int w) {
  if (f < 101) return;
  const int c = g_players[w].kind;
  const int quote = WinQuoteIndex;
  const bool fading = f < 110;
  const double t = (f - 100) * 0.1;
  morrow::SetFilterMode(1);
  if (fading) {
    SetAlphaDrawing(TruncToInt(t * 255));
  } else {
    SetPlainDrawing();
  }
  DrawCentred(fading ? 2 * f - 10 : 210, 164, ResultPortrait(w, WinQuoteExpression(c, quote)));
  SetAlphaDrawing(fading ? TruncToInt(t * 192) : 192);
  morrow::DrawRectangle(24, 330, 616, 422, morrow::PackScreenColor(0, 0, 0), 1);
  if (fading) {
    SetAlphaDrawing(TruncToInt(t * 255));
  } else {
    SetPlainDrawing();
  }
  if (const QuoteLines* lines = WinQuoteLines(c, quote)) {
    for (int l = 0; l < kQuoteLines; ++l) DrawSheetString(32, 338 + 24 * l, (*lines)[l]);
  }
  DrawCentred(120, 305, QuoteCharacter(c) ? MenuPicture(kPicName, c) : -1);
  morrow::SetFilterMode(0);
}

// The statistics table, one column per player, fading in over 20 frames from frame 200.
void DrawStatistics(int f) {
  if (StatisticsShown != 1) return;
  const double g = (f - kStatisticsFrame) * 0.05;
  const bool fading = f < kStatisticsFrame + 20;
  SetAlphaDrawing(fading ? TruncToInt(96 * g) : 96);
  DrawScreenBox(0, 0, 0);
  if (fading) {
    SetAlphaDrawing(TruncToInt(255 * g));
  } else {
    SetPlainDrawing();
  }
  const PlayerBattleState& s = g_playerState;
  for (int i = 0; i < PlayersInPlay(); ++i) {
    const int x = 208 + 128 * i;
    morrow::DrawGraph(x - 88, 80, MenuPicture(kPicCBg, g_players[i].kind), 1);
    morrow::DrawGraph(x - 80, 100, MenuPicture(kPicPNum, i), 1);
    DrawResultNumber(x, 135, s.score[i], 0);
    DrawResultNumber(x, 185, StatPercentage(s.shotsHit[i], s.shotsFired[i]), 0);
    DrawResultNumber(x, 235, s.knockOuts[i], 0);
    DrawResultNumber(x, 285, DestructionPercentage(i), 0);
    DrawResultNumber(x, 335, s.damageDealt[i], 0);
    DrawResultNumber(x, 385, s.roundsWonTotal[i], 0);
  }
  morrow::DrawGraph(0, 0, MenuPicture(kPicFont01, 9), 1);
  morrow::DrawGraph(fading ? TruncToInt(-480 * (1 - g)) : 0, 54, MenuPicture(kPicLine, 0), 1);
  morrow::DrawGraph(160, 24, MenuPicture(kPicFont04, 5), 1);
  constexpr int kLabelCells[6] = {0, 2, 3, 4, 5, 1};
  for (int i = 0; i < 6; ++i) {
    morrow::DrawGraph(10, 130 + 50 * i, MenuPicture(kPicFont02, kLabelCells[i]), 1);
  }
  SetAlphaDrawing(fading ? TruncToInt(128 * g) : 128);
  const uint32_t white = morrow::PackScreenColor(255, 255, 255);
  for (int y = 158; y <= 408; y += 50) morrow::DrawLine(10, y, 603, y, white);
}

}  // namespace

int ChooseWinQuote(int c, int draw, bool cardDeclared, int lastKnockedOut) {
  int quote = cardDeclared ? draw : kNoCardQuote;
  if (!QuoteCharacter(c)) return quote;
  for (int k = 0; k < kSpecialQuotes; ++k) {
    if (kRivals[c][k] == lastKnockedOut) return kFirstSpecialQuote + k;
  }
  return quote;
}

const QuoteLines* WinQuoteLines(int c, int quote) {
  if (!QuoteCharacter(c)) return nullptr;
  if (quote >= 0 && quote < kOrdinaryQuotes) return &WinQuoteTable[c][quote];
  const int k = quote - kFirstSpecialQuote;
  if (k >= 0 && k < kSpecialQuotes) return &SpecialQuoteTable[c][k];
  return nullptr;
}

int WinQuoteExpression(int c, int quote) {
  if (!QuoteCharacter(c)) return 0;
  if (quote >= 0 && quote < kOrdinaryQuotes) return QuoteExpressionTable[c][quote];
  const int k = quote - kFirstSpecialQuote;
  if (k >= 0 && k < kSpecialQuotes) return SpecialExpressionTable[c][k];
  return 0;
}

void WinQuoteScene() {
  const int w = WinnerSlot();
  if (SceneFrame == kChoiceFrame) {
    const int draw = morrow::GetRandomNumber(kRandomQuotes - 1);
    WinQuoteIndex =
        ChooseWinQuote(g_players[w].kind, draw, g_playerState.cardUsed[w] != 0, LastKnockedOut);
    LoadResultPortrait(w);
  }
  RunInput(w);
  const int f = SceneFrame;
  morrow::SetFilterMode(0);
  morrow::SetModulationColor(192, 160, 128);
  SetPlainDrawing();
  morrow::DrawGraph(0, 0, CaptureGraph, 1);
  morrow::SetModulationColor(255, 255, 255);
  DrawSpinningEmblem(f, MenuPicture(kPicKak, 0), 450, 192, false);
  DrawQuote(f, w);
  DrawStatistics(f);
  DrawResultCrossFade();
}

}  // namespace veyrdale
