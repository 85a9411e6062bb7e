// One drawn battle frame's start and its arena: the screen shake, the draw list, then the tint,
// the arena background and decorations, the entries of the draw list, the knock-out bursts and
// character 15's red screen. The head-up display follows (hud_draw.cpp).
//
// Layers, bottom to top: background, arena decorations, the draw list (base copies of the
// blocks, the depth-sorted objects, the top layer), the bursts and red screen, the head-up
// display. Every screen y after the background's source is moved up by the shake offset; x never
// shakes.
#include <cstdint>

#include "game/battle/characters.h"
#include "game/battle/directions.h"
#include "game/battle/player_control.h"
#include "game/core/frame_state.h"
#include "game/core/match_setup.h"
#include "game/core/numeric.h"
#include "game/core/records.h"
#include "game/core/resource_tables.h"
#include "game/view/battle_draw.h"
#include "game/view/draw_conventions.h"
#include "game/view/draw_list.h"
#include "game/view/view.h"
#include "morrow/device/color_format.h"
#include "morrow/graphics/draw.h"

namespace veyrdale {

namespace {

constexpr int kArenaPulsing = 7;
constexpr int kTrunkRow = 164;
constexpr int kBurstRow = 85;
constexpr int kBurstPieceRow = 92;

constexpr int kCardWaiting = 8888;  // a declaration that has not started yet

constexpr int kBlendAlpha = 1;
using view::kBlendAdd;
constexpr int kBlendMultiply = 4;

// The modulation of the background and decorations; true when the scene is a silhouette.
bool SetSceneTint(int players) {
  if (SpellScreenActive == 1 || ReversedControlsActive == 1) {
    morrow::SetModulationColor(96, 96, 96);
  } else {
    morrow::SetModulationColor(255, 255, 255);
  }
  for (int p = 0; p < players; ++p) {
    const BattleObject& player = g_drawnFrame.players[p];
    if (g_playerState.cardBar[p] > 0 && CardDarkensArena(player.kind) &&
        player.stateTimer != kCardWaiting) {
      morrow::SetModulationColor(0, 0, 0);
      return true;
    }
  }
  return false;
}

// A value of the trigonometric tables as a fraction of 1.
double Cos(int heading) {
  return CosOf(heading) * 0.00390625;
}
double NegSin(int heading) {
  return NegSinOf(heading) * 0.00390625;
}

void DrawBackground(int shake) {
  if (g_match.stage != kArenaPulsing) {
    morrow::DrawGraphPart(0, -shake, 0, 0, 640, 480, StageBackgrounds[0], 1, 0);
    return;
  }
  // Two layers pulsing in opposite phase, each breathing in scale.
  morrow::SetFilterMode(1);
  const int t = (SceneFrame / 2) & 255;
  morrow::SetBlendMode(kBlendAlpha, TruncToInt(192 + 64 * Cos(t + 128)));
  morrow::DrawRotaGraph(320, 240 - shake, 1.05 + 0.05 * NegSin(t), 0.0, StageBackgrounds[0], 1, 0);
  morrow::SetBlendMode(kBlendAlpha, TruncToInt(128 + 64 * Cos(t)));
  morrow::DrawRotaGraph(320, 240 - shake, 1.05 + 0.05 * Cos(t), 0.0, StageBackgrounds[2], 1, 0);
  morrow::SetFilterMode(0);
}

void DrawDecorations(int shake) {
  if (g_match.stage != 0 && g_match.stage != 1) return;
  // The trunks under the tree tops of the top layer.
  for (int i = 0; i < 12; ++i) {
    morrow::DrawGraph(608 * (i / 6) - 48, 80 * (i % 6) - 30 - shake, PictureSlots[kTrunkRow][1], 1);
  }
}

void DrawEntries(int count, int shake, bool dark) {
  const int darkFlag = dark ? 1 : 0;
  for (int i = 0; i < count; ++i) DrawEntryByTag(&DrawList[i], shake, darkFlag);
}

int ScreenY(float y, int shake) {
  return TruncToInt(y - static_cast<float>(shake) + 8.0f);
}

void DrawKnockOutBurst(int p, int shake) {
  const BattleObject& player = g_drawnFrame.players[p];
  const int tau = player.stateTimer;
  if (player.state != kStateKnockedOut || tau <= 72 || tau >= 120) return;
  morrow::SetBlendMode(kBlendAdd, TruncToInt(static_cast<float>((tau - 72) * 255) * 0.020833334f));
  morrow::DrawRotaGraph(TruncToInt(player.x), ScreenY(player.y, shake), (121 - tau) * 0.1, 0.0,
                        PictureSlots[kBurstRow][0], 1, 0);
  const int32_t piece = PictureSlots[kBurstPieceRow][(120 - tau) / 4];
  const double scale = 1.0 - (120 - tau) * 0.01;
  for (const KnockOutSpark& spark : g_knockOutSparks[p]) {
    morrow::DrawRotaGraph(TruncToInt(spark.x), ScreenY(spark.y, shake), scale, 0.0, piece, 1, 0);
  }
}

void DrawRedScreen(int p) {
  const int owner = g_drawnFrame.players[p].owner;
  // The owner field names a player; anything else names none.
  if (owner < 0 || owner >= kPlayerCount) return;
  if (g_playerState.cardBar[owner] <= 0 || !CardTintsScreenRed(g_drawnFrame.players[p].kind))
    return;
  morrow::SetBlendMode(kBlendMultiply, 255);
  morrow::DrawRectangle(0, 0, 640, 480, morrow::PackScreenColor(255, 128, 128), 1);
}

}  // namespace

void DrawEntryByTag(const BattleObject* entry, int shake, int dark) {
  switch (entry->drawTag) {
    case kTagPlayer:
    case kTagCompanion:
    case kTagSpinner:
      DrawPlayerEntry(entry, shake, dark);
      break;
    case kTagArena:
    case kTagItem:
    case kTagFamiliar:
      DrawArenaEntry(entry, shake, dark);
      break;
    case kTagShot:
      DrawShotEntry(entry, shake, dark);
      break;
    case kTagEffect:
      DrawEffectEntry(entry, shake, dark);
      break;
    default:
      break;
  }
}

void PrepareBattleDraw() {
  const int shake = ScreenShakeOffset();
  LateEffectCount = 0;
  const int entries = BuildDrawList(g_match.playerCount);
  g_drawnFrame.Begin(shake, entries);
}

void DrawBattleArena() {
  const int shake = g_drawnFrame.shake;
  const int players = PlayerCountUpToFour();
  const bool dark = SetSceneTint(players);
  DrawBackground(shake);
  DrawDecorations(shake);
  morrow::SetModulationColor(255, 255, 255);
  DrawEntries(g_drawnFrame.entries, shake, dark);
  for (int p = 0; p < players; ++p) {
    DrawKnockOutBurst(p, shake);
    DrawRedScreen(p);
  }
}

}  // namespace veyrdale
