// The spell cards as the head-up display shows them: the declaration (a glow over the screen, a
// burst ring and a turning magic circle at the caster, the caster's cut-in sliding through) while
// the declaration freeze runs, the name panel of every running card, the full-screen flashes of a
// few cards at their moment, and the special declaration of characters 0 and 10 with its
// silhouettes, plates, rings and white-out.
//
// The silhouettes choose their frames through SelectCharaFrame with the drawn frame's players,
// whose changes the battle takes over after the draw.
#include <cstdint>

#include "game/battle/player_control.h"
#include "game/core/frame_state.h"
#include "game/core/match_setup.h"
#include "game/core/numeric.h"
#include "game/core/records.h"
#include "game/core/resource_tables.h"
#include "game/view/draw_conventions.h"
#include "game/view/hud_parts.h"
#include "game/view/view.h"
#include "morrow/device/color_format.h"
#include "morrow/graphics/draw.h"

namespace veyrdale::view {

namespace {

constexpr int kPlateRow = 73;
constexpr int kDarkCardRow = 74;
constexpr int kSpecialTitleRow = 75;
constexpr int kSmallRingRow = 83;
constexpr int kBurstRow = 87;
constexpr int kCircleRow = 88;
constexpr int kRingRow = 93;
constexpr int kStartGlowRow = 94;
constexpr int kGlowRow = 99;
constexpr int kBonusLabelRow = 137;
constexpr int kCardPanelRow = 138;
constexpr int kCardNameRow = 169;  // player p's card names are row 169 + 8p
constexpr int kCutInRow = 170;     // player p's cut-ins are row 170 + 8p

// The state timer's two declaration flags: a card declared by its button, the special card.
constexpr int32_t kDeclared = 9999;
constexpr int32_t kSpecialDeclared = 8888;
constexpr double kFreeze = 60;

constexpr int kSheetCells = 400;
constexpr int kHiddenFrame = 999;
constexpr int kTriplePieceCode = 2;
constexpr double kRingLife = 12;

// The cut-in cell by character: while the card's bar runs, and before.
constexpr int kCutInRunning[16] = {1, 6, 9, 8, 3, 6, 0, 2, 4, 0, 3, 0, 3, 4, 1, 3};
constexpr int kCutInDeclared[16] = {1, 3, 0, 0, 2, 2, 0, 3, 0, 0, 3, 0, 0, 1, 0, 2};

// The special declaration's plates: plate k fades in over the 8 frames before kPlateStart - 24k.
constexpr int kPlates = 7;
constexpr int kPlateStart = 252;
constexpr int kPlateStep = 24;
constexpr int kPlateFade = 8;

void Centred(int64_t x, int64_t y, double scale, double angle, int32_t graph) {
  morrow::DrawRotaGraph(SaturateToInt(x), SaturateToInt(y), scale, angle, graph, 1, 0);
}

void Screen(int r, int g, int b) {
  morrow::DrawRectangle(0, 0, 640, 480, morrow::PackScreenColor(r, g, b), 1);
}

bool IsCharacter(int64_t kind) {
  return kind >= 0 && kind < 16;
}

// The cell of a player's character sheet, or -1 outside the sheet (999 and above: not drawn).
int32_t SheetGraph(int p, int64_t cell) {
  if (cell < 0 || cell >= kSheetCells) return -1;
  return CharacterSheetCells[p][cell];
}

// ---- The declaration -----------------------------------------------------------------------

void DrawDeclarationGlow(const BattleObject& player, int32_t freeze) {
  const double f = freeze;
  if (freeze > 0) {
    morrow::SetBlendMode(kBlendAdd, TruncToInt(f * (1.0 / 60) * 255));
    const int row = player.stateTimer == kDeclared ? kStartGlowRow : kGlowRow;
    Centred(320, 240, 1 + (kFreeze - f) * 0.01, 0.0, PictureCell(row, 0));
  }
  const int x = TruncToInt(player.x);
  const int y = TruncToInt(player.y);
  morrow::SetBlendMode(kBlendAdd, kOpaque);
  Centred(x, y, (kFreeze - f) * 0.2 + 0.1, 0.0, PictureCell(kBurstRow, 0));
  const double angle = static_cast<double>(Unsigned(FrameCount) * 4u) * kPiOver128;
  const int32_t circle = PictureCell(kCircleRow, 0);
  const int64_t cy = static_cast<int64_t>(y) + 5;
  if (freeze > 40) {
    morrow::SetBlendMode(kBlendAdd, 192);
    Centred(x, cy, (kFreeze - f) * 0.05 + 0.1, angle, circle);
  } else if (freeze > 10) {
    morrow::SetBlendMode(kBlendAdd, 192);
    Centred(x, cy, (40 - f) * 0.001 + 1.1, angle, circle);
  } else {
    morrow::SetBlendMode(kBlendAdd, TruncToInt(f * 0.1 * 192));
    Centred(x, cy, (10 - f) * 0.15 + 1.13, angle, circle);
    morrow::SetBlendMode(kBlendAdd, 160);
    Centred(x, cy, 1.13, angle, circle);
  }
}

void DrawCutIn(const BattleObject& player, int p, int32_t freeze) {
  if (!IsCharacter(player.kind)) return;
  if (player.kind == 15 && player.state == kStateSpellCard &&
      player.stateTimer == kSpecialDeclared) {
    return;
  }
  const bool running = g_playerState.cardBar[p] > 0;
  const int cell = (running ? kCutInRunning : kCutInDeclared)[player.kind];
  const int64_t f = freeze;
  const bool odd = p % 2 == 1;
  int64_t x;
  double alpha = 192;
  double scale = 1;
  if (f > 40) {
    x = odd ? 20 * f - 357 : 997 - 20 * f;
    alpha = (kFreeze - static_cast<double>(f)) * 0.05 * 192;
  } else {
    x = odd ? 403 + f : 237 - f;
    if (f <= 10) {
      alpha = static_cast<double>(f) * 0.1 * 192;
      scale = 1 + (10 - static_cast<double>(f)) * 0.1;
    }
  }
  morrow::SetBlendMode(kBlendAlpha, TruncToInt(alpha));
  Centred(x, 240, scale, 0.0, PictureCell(kCutInRow + 8 * p, cell));
}

// ---- The name panel ------------------------------------------------------------------------

// How far a long card name on the right stands further left.
int NameShift(int64_t character, int64_t card) {
  if (character == 8 && card == 2) return 64;
  if ((character == 11 && card == 2) || (character == 15 && card == 1)) return 56;
  if (character == 14 && card == 0) return 60;
  if ((character == 15 && card == 3) || (character == 12 && card == 2)) return 48;
  return 0;
}

void DrawNamePanel(const BattleObject& player, int p, bool declaring, int32_t freeze) {
  const bool odd = p % 2 == 1;
  const int h = p / 2;
  const int shiftX = odd ? 360 : 0;
  int64_t card = g_playerState.cardChoice[p];
  if (player.kind == 15 && player.state == kStateSpellCard && player.recovery > 0) card = 3;
  const int k = NameShift(player.kind, card);
  const int32_t name = PictureCell(kCardNameRow + 8 * p, card);
  // The declaration fades the panel in and zooms the name into place.
  const bool zooming = declaring && freeze > 30;
  const double f = freeze;
  morrow::SetBlendMode(
      kBlendAlpha, zooming && freeze > 45 ? TruncToInt((kFreeze - f) * (1.0 / 15) * 255) : kOpaque);
  morrow::DrawGraph(54 + shiftX, 391 * h + 28, PictureCell(kCardPanelRow, 0), 1);
  morrow::DrawGraph(84 + shiftX, 375 * h + 44, PictureCell(kBonusLabelRow, 0), 1);
  DrawNumber(192 + shiftX, 375 * h + 44, g_playerState.cardBar[p], 0, 1);
  if (zooming) {
    const int64_t x = odd ? 1112 - 20 * static_cast<int64_t>(freeze) - k
                          : 20 * static_cast<int64_t>(freeze) - 408;
    Centred(x, 404 * h + 36, (f - 30) * 0.2 + 1, 0.0, name);
  } else {
    morrow::DrawGraph(odd ? 384 - k : 64, 391 * h + 28, name, 1);
  }
}

// ---- The special declaration ---------------------------------------------------------------

bool IsPlayerIndex(int32_t p) {
  return p >= 0 && p < kPlayerCount;
}

// Caster and target in black, each in the frame it shows now.
void DrawSilhouettes(int caster, int target, int shake) {
  morrow::SetBlendMode(kBlendNone, kOpaque);
  for (const int p : {caster, target}) {
    BattleObject& player = g_drawnFrame.players[p];
    const int cell = SelectCharaFrame(&player, 0);
    if (cell >= kHiddenFrame) continue;
    morrow::SetModulationColor(0, 0, 0);
    morrow::DrawGraph(TruncToInt(player.x - 32), TruncToInt(player.y - shake - 32),
                      SheetGraph(p, cell), 1);
  }
  morrow::SetModulationColor(255, 255, 255);
}

void DrawRedScreens(int alpha) {
  morrow::SetBlendMode(kBlendMultiply, kOpaque);
  Screen(255, 0, 0);
  morrow::SetBlendMode(kBlendAlpha, alpha);
  Screen(255, 0, 0);
}

void DrawWhiteOut(int32_t d) {
  if (d >= 48) return;
  morrow::SetBlendMode(kBlendAlpha, TruncToInt((47 - static_cast<double>(d)) * (1.0 / 47) * 255));
  Screen(255, 255, 255);
}

void DrawPlates(int32_t d, int shake) {
  for (int k = 0; k < kPlates; ++k) {
    const int start = kPlateStart - kPlateStep * k;
    if (d >= start + kPlateFade) break;
    const int alpha = d < start ? kOpaque : TruncToInt((start - d + 7) * 0.125 * 255);
    morrow::SetBlendMode(kBlendAlpha, alpha);
    const int y = k < 4 ? 80 * k - shake + 64 : 80 * k - shake - 96;
    Centred(k < 4 ? 420 : 220, y, 1.0, 0.0, PictureCell(kPlateRow, k));
  }
}

void DrawScatterRings(int shake) {
  morrow::SetBlendMode(kBlendNone, kOpaque);
  Screen(0, 0, 0);
  morrow::SetBlendMode(kBlendAdd, kOpaque);
  for (const EffectRecord& ring : g_secondEffects) {
    if (ring.timer <= 0) continue;
    const int row = ring.code == kTriplePieceCode ? kSmallRingRow : kRingRow;
    Centred(TruncToInt(ring.x), TruncToInt(ring.y - static_cast<float>(shake)),
            ring.timer / kRingLife, 0.0, PictureCell(row, 0));
  }
}

}  // namespace

void DrawSpellDeclarations() {
  const int32_t freeze = FreezeFrames;
  const int players = PlayerCountUpToFour();
  for (int p = 0; p < players; ++p) {
    const BattleObject& player = g_drawnFrame.players[p];
    const PlayerBattleState& s = g_playerState;
    if (player.state != kStateSpellCard && s.cardBar[p] <= 0 && s.cardBarFull[p] <= 0) continue;
    const bool declaring = player.stateTimer == kDeclared || player.stateTimer == kSpecialDeclared;
    if (declaring) {
      DrawDeclarationGlow(player, freeze);
      DrawCutIn(player, p, freeze);
    }
    DrawNamePanel(player, p, declaring, freeze);
  }
}

void DrawCardFlashes() {
  if (FreezeFrames <= 0) return;
  const int players = PlayerCountUpToFour();
  for (int p = 0; p < players; ++p) {
    const BattleObject& player = g_drawnFrame.players[p];
    if (player.state != kStateSpellCard || g_playerState.cardChoice[p] != 1) continue;
    const int32_t t = player.stateTimer;
    const int kind = player.kind;
    if ((kind == 3 && t == 239) || (kind == 13 && t == 524) ||
        (kind == 15 && (t == 180 || t == 137))) {
      morrow::SetBlendMode(kBlendMultiply, kOpaque);
      Screen(255, 0, 0);
      return;
    }
    if (kind == 5 && t == 123 && player.rooted == 1) {
      morrow::SetBlendMode(kBlendNone, kOpaque);
      Screen(0, 0, 0);
      Centred(320, 230, 1.0, 0.0, SheetGraph(p, 337));
      Centred(320, 265, 1.0, 0.0, PictureCell(kDarkCardRow, 0));
      return;
    }
  }
}

void DrawSpecialDeclaration(int shake) {
  const int32_t d = CutInFrames;
  if (FreezeFrames <= 0 || d <= 0) return;
  if (!IsPlayerIndex(CutInAttacker) || !IsPlayerIndex(CutInVictim)) return;
  const int caster = CutInAttacker;
  const int target = CutInVictim;
  if (g_drawnFrame.players[caster].kind == 0) {
    DrawRedScreens(192);
    DrawSilhouettes(caster, target, shake);
    DrawPlates(d, shake);
    DrawWhiteOut(d);
  } else if (g_drawnFrame.players[caster].kind == 10) {
    DrawRedScreens(96);
    DrawSilhouettes(caster, target, shake);
    if (d <= 128) {
      morrow::SetBlendMode(kBlendNone, kOpaque);
      Centred(320, 240 - static_cast<int64_t>(shake), 1.0, 0.0, PictureCell(kSpecialTitleRow, 0));
    }
    DrawWhiteOut(d);
    if (d > 128 && d < 256) DrawScatterRings(shake);
  }
}

}  // namespace veyrdale::view
