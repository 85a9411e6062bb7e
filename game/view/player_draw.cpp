// The draw list's players, companions and dash spinners (draw tags 0, 1 and 7).
//
// A player is the cell of its character sheet that SelectCharaFrame chooses, over a turning ground
// ring, the stun ring and a spell card's aura, behind a trail of five afterimages, with glows and
// tinted or additive passes over the body. The story's entrance squashes the body flat as it
// comes and goes. A companion is a glowing ball, or a ghost of its owner while the owner's spell
// card runs. A spinner is the mark character 6's dash leaves, turning while it fades.
//
// Only the aura stands still while the screen shakes. Every entry leaves the modulation white.
#include "game/view/player_draw.h"

#include <cstdint>
#include <initializer_list>

#include "game/battle/player_control.h"
#include "game/core/data_files.h"
#include "game/core/frame_state.h"
#include "game/core/match_setup.h"
#include "game/core/numeric.h"
#include "game/core/records.h"
#include "game/core/resource_tables.h"
#include "game/view/chara_frame.h"
#include "game/view/draw_conventions.h"
#include "game/view/draw_list.h"
#include "game/view/view.h"
#include "morrow/device/color_format.h"
#include "morrow/graphics/draw.h"

namespace veyrdale {

uint8_t NoShadowFlags[kPlayerCount] = {};

namespace {

using namespace view;

constexpr int kRingRow = 79;  // "shadow": one ring per player, or per team from cell 0 and 4
constexpr int kAuraRow = 88;
constexpr int kCompanionRow = 23;
constexpr int kSpinnerRow = 57;

constexpr int kSheetCells = 400;
constexpr int kNoBody = 999;         // a cell from here on: no body this frame
constexpr int kSheetBFrom = 500;     // characters 12 and 15: cells from here are on sheet B
constexpr int kHoldTintBelow = 634;  // a hold counter from here on shows no red

using Sheets = int32_t[kPlayerCount][kSheetCells];

// The handle of cell `cell` of player p's sheet, or null when the cell is none of its 400.
const int32_t* SheetCell(const Sheets& sheets, int p, int64_t cell) {
  if (cell < 0 || cell >= kSheetCells) return nullptr;
  return &sheets[p][cell];
}

void DrawCellAt(float x, float y, const int32_t* cell) {
  if (cell != nullptr) morrow::DrawGraph(TruncToInt(x), TruncToInt(y), *cell, 1);
}

void DrawCellCentred(float x, float y, double scale, const int32_t* cell) {
  if (cell != nullptr) {
    morrow::DrawRotaGraph(TruncToInt(x), TruncToInt(y), scale, 0.0, *cell, 1, 0);
  }
}

void White() {
  morrow::SetModulationColor(255, 255, 255);
}

bool IsOneOf(int kind, std::initializer_list<int> kinds) {
  for (int k : kinds) {
    if (k == kind) return true;
  }
  return false;
}

// The body as it was drawn, so that the passes over it draw it again the same way.
struct Body {
  enum class Form { kHidden, kPlain, kStretched } form = Form::kHidden;
  const int32_t* cell = nullptr;
  int x1 = 0, y1 = 0, x2 = 0, y2 = 0;  // the top-left corner, and for a stretch the far corner
};

void Draw(const Body& body) {
  if (body.cell == nullptr) return;
  if (body.form == Body::Form::kPlain) {
    morrow::DrawGraph(body.x1, body.y1, *body.cell, 1);
  } else if (body.form == Body::Form::kStretched) {
    morrow::DrawExtendGraph(body.x1, body.y1, body.x2, body.y2, *body.cell, 1);
  }
}

// What one player entry reads: the copy lifted by its height, as the frame selection left it.
struct PlayerView {
  BattleObject copy;
  int p;
  int shake;
  int cell;
  int kind;
  int32_t state;
  bool card;  // the player's spell card runs

  float ShakenY() const { return copy.y - static_cast<float>(shake); }
};

void DrawGroundRing(const BattleObject& entry, int p, int shake) {
  const int64_t cell = g_match.teamMode == 1 ? 4 * int64_t{g_match.team[p]} : p;
  morrow::SetFilterMode(1);
  morrow::SetBlendMode(kBlendAdd, 128);
  morrow::DrawRotaGraph(TruncToInt(entry.x), TruncToInt(entry.y - static_cast<float>(shake) + 20),
                        1.0, SceneFrame * kRadiansPerStep, PictureCell(kRingRow, cell), 1, 0);
  morrow::SetFilterMode(0);
}

void DrawStunRing(const BattleObject& entry, int shake) {
  const int delay = entry.attackDelay;
  morrow::SetBlendMode(kBlendAdd, 64);
  morrow::DrawCircle(TruncToInt(entry.x), TruncToInt(entry.y - static_cast<float>(shake) + 5),
                     entry.state > kStateKnockedOut ? delay / 3 : 3 * delay,
                     morrow::PackScreenColor(0, 255, 0), 0);
}

// The aura grows with the share of the card still to run; it does not shake.
void DrawAura(const BattleObject& entry, int p) {
  const int32_t left = g_playerState.cardBar[p];
  const int32_t full = g_playerState.cardBarFull[p];
  if (entry.state != kStateSpellCard && left <= 0) return;
  if (entry.stateTimer == charaframe::kSpellFirstFrame ||
      entry.stateTimer == charaframe::kCardWaiting) {
    return;
  }
  // A card whose length was never set has no share to show.
  if (full <= 0) return;
  morrow::SetFilterMode(1);
  morrow::SetBlendMode(kBlendAdd, 160);
  morrow::DrawRotaGraph(TruncToInt(entry.x), TruncToInt(entry.y + 5),
                        static_cast<double>(left) / full * 1.13, 4.0 * SceneFrame * kRadiansPerStep,
                        PictureCell(kAuraRow, 0), 1, 0);
  morrow::SetFilterMode(0);
}

bool HasAfterimages(const PlayerView& v) {
  if (v.cell >= kNoBody || v.state >= kStateKnockedOut) return false;
  return v.state == kStateHitStun || v.state == kStateKnockBack ||
         (v.state == kStateDash && !IsOneOf(v.kind, {3, 8, 9, 11, 13})) ||
         (v.card && IsOneOf(v.kind, {3, 7, 13, 14})) || v.copy.modifierHeld == 1;
}

// Five images from the oldest history entry to the newest, so the brightest lies on top.
void DrawAfterimages(const PlayerView& v) {
  if (!HasAfterimages(v)) return;
  const int32_t* cell = SheetCell(CharacterSheetCells, v.p, v.cell);
  const int32_t* glow = SheetCell(CharacterSheetCellsB, v.p, v.cell);
  for (int k = 0; k < 5; ++k) {
    const int h = 4 - k;
    const float x = v.copy.trailX[h];
    const float y = v.copy.trailY[h] + v.copy.trailZ[h] - static_cast<float>(v.shake);
    if (v.kind == 2 && v.state == kStateDash) {
      morrow::SetBlendMode(kBlendAdd, 32 * (k + 1));
      morrow::SetModulationColor(0, 128, 255);
      DrawCellAt(x - 32, y - 32, cell);
    } else if (v.card && (v.kind == 3 || v.kind == 13)) {
      morrow::SetModulationColor(255, 0, 0);
      morrow::SetBlendMode(kBlendAdd, 32 * (k + 1));
      DrawCellCentred(x, y, 1 + (4 - k) * 0.07, cell);
    } else if (v.card && (v.kind == 7 || v.kind == 14)) {
      if (v.kind == 7) {
        morrow::SetModulationColor(160, 0, 160);
      } else {
        morrow::SetModulationColor(64, 64, 255);
      }
      morrow::SetBlendMode(kBlendAdd, 32 * (k + 1));
      DrawCellCentred(x, y, 1 + (4 - k) * 0.03, cell);
    } else if (v.kind == 10) {
      if (v.state != kStateKnockBack || v.copy.stateTimer < 60) continue;
      morrow::SetBlendMode(kBlendAlpha, 20 * (k + 1));
      DrawCellAt(x - 32, y - 32, cell);
    } else {
      morrow::SetBlendMode(kBlendAlpha, 20 * (k + 1));
      DrawCellAt(x - 32, y - 32, cell);
      if (v.kind == 6) {
        morrow::SetBlendMode(kBlendAdd,
                             TruncToInt(12 * (k + 1) - 10 * Sin(4 * Unsigned(SceneFrame))));
        DrawCellAt(x - 32, y - 32, glow);
      }
    }
  }
  White();
}

void DrawGlows(const PlayerView& v) {
  if (StoryPreFight != 0) return;
  const int32_t* cell = SheetCell(CharacterSheetCells, v.p, v.cell);
  if (v.card && v.kind == 2) {
    morrow::SetFilterMode(1);
    morrow::SetModulationColor(255, 255, 0);
    morrow::SetBlendMode(kBlendAdd, 192);
    DrawCellCentred(v.copy.x, v.ShakenY(), (SceneFrame % 24) * 0.02 + 1.0, cell);
    White();
    morrow::SetFilterMode(0);
  }
  if (g_playerState.lowLifeMode[v.p] == 1) {
    morrow::SetModulationColor(255, 64, 0);
    morrow::SetBlendMode(kBlendAdd, 160);
    DrawCellCentred(v.copy.x, v.ShakenY(), -Sin(3 * Unsigned(SceneFrame)) * 0.15 + 1.15, cell);
    White();
  }
}

bool BlinksOff(int32_t counter) {
  return counter > 1 && (counter / 2) % 2 == 0;
}

// The body's blend; true when it is translucent.
bool SetBodyBlend(const PlayerView& v) {
  const bool translucent =
      StoryPreFight == 0 && ((BlinksOff(g_playerState.recoveryGuard[v.p]) && RoundEndFrames == 0) ||
                             BlinksOff(v.copy.guard) || v.state >= kStateKnockedOut);
  if (translucent) {
    morrow::SetBlendMode(kBlendAlpha, 64);
  } else {
    morrow::SetBlendMode(kBlendNone, kOpaque);
    if (g_playerState.freezeTimer[v.p] > 0) morrow::SetModulationColor(64, 64, 255);
  }
  return translucent;
}

// Character 10 fades out of a knock-back and out of its card's ending.
void FadeCharacter10(const PlayerView& v) {
  const int32_t t = v.copy.stateTimer;
  if (v.state == kStateKnockBack) {
    if (t >= 45 && t <= 59) {
      morrow::SetBlendMode(kBlendAlpha, TruncToInt((t - 44) * 0.0625 * 255));
    } else if (t >= 9 && t <= 44) {
      morrow::SetBlendMode(kBlendNone, kOpaque);
    }
  } else if (v.state == kStateSpellCard && g_playerState.cardBarFull[v.p] == 0) {
    if (t >= 220 && t <= 279) {
      morrow::SetBlendMode(kBlendAlpha, TruncToInt((t - 220) * 0.0166667 * 255));
    } else if (t >= 124 && t <= 219) {
      morrow::SetBlendMode(kBlendNone, kOpaque);
    }
  }
}

// A player index of a draw-list copy or a per-player array. The battle counts the misses of its
// own reads; the draw, which may run at half rate, only skips.
bool IsPlayer(int i) {
  return i >= 0 && i < kPlayerCount;
}

// Held by another player: a holder that is no player holds nobody, and character 14's hold
// shows no red.
bool Held(int p) {
  const int32_t counter = g_playerState.holdTimer[p];
  if (counter <= 0 || counter >= kHoldTintBelow) return false;
  const int holder = g_playerState.holder[p];
  return IsPlayer(holder) && g_players[holder].kind != 14;
}

// The stretch of the story's entrance: k of the body's width added on each side and k of its
// half-height taken off top and bottom.
Body Stretched(const PlayerView& v, double k) {
  Body body;
  body.form = Body::Form::kStretched;
  body.cell = SheetCell(CharacterSheetCells, v.p, v.cell);
  const double x = v.copy.x;
  const double y = v.copy.y;
  const double e = v.shake;
  body.x1 = TruncToInt(x - 32 - 64 * k);
  body.y1 = TruncToInt(y - 32 + 32 * k - e);
  body.x2 = TruncToInt(x + 32 + 64 * k);
  body.y2 = TruncToInt(y + 32 - 32 * k - e);
  Draw(body);
  return body;
}

Body DrawPlainBody(const PlayerView& v, bool translucent) {
  Body body;
  body.form = Body::Form::kPlain;
  body.x1 = TruncToInt(v.copy.x - 32);
  body.y1 = TruncToInt(v.ShakenY() - 32);
  const int32_t special = g_playerState.specialMode[v.p];
  if ((v.kind == 3 || v.kind == 5) && (v.card || special >= 8000)) {
    body.cell = SheetCell(CharacterSheetCellsB, v.p, v.cell);
    Draw(body);
    return body;
  }
  if ((v.kind == 12 || v.kind == 15) && v.cell >= kSheetBFrom) {
    body.cell = SheetCell(CharacterSheetCellsB, v.p, int64_t{v.cell} - kSheetBFrom);
    Draw(body);
    return body;
  }
  body.cell = SheetCell(CharacterSheetCells, v.p, v.cell);
  if (v.kind == 10) FadeCharacter10(v);
  // The hit tint again: the afterimages left the modulation white.
  if ((v.state == kStateHitStun || v.state == kStateKnockBack) && SceneFrame % 3 == 0) {
    morrow::SetModulationColor(255, 160, 160);
  }
  if (Held(v.p)) morrow::SetModulationColor(255, 0, 0);
  Draw(body);
  if (g_playerState.freezeTimer[v.p] > 0) {
    morrow::SetModulationColor(64, 64, 255);
    morrow::SetBlendMode(kBlendAdd, 255);
    Draw(body);
    Draw(body);
    White();
  }
  if (v.kind == 6) {
    const double base = translucent ? 48 : 128;
    morrow::SetBlendMode(kBlendAdd, TruncToInt(base - 16 * Sin(4 * Unsigned(SceneFrame))));
    DrawCellAt(v.copy.x - 32, v.ShakenY() - 32, SheetCell(CharacterSheetCellsB, v.p, v.cell));
  }
  return body;
}

// By the story's presence counter: present, squashed flat while arriving (1-11) or leaving (-19
// and below), or not there at all (-18 to -1).
Body DrawBody(const PlayerView& v, bool translucent) {
  const int32_t s = g_playerState.entryFrames[v.p];
  if (s == 0 || s >= 12) return DrawPlainBody(v, translucent);
  if (s >= 1 && s <= 11) return Stretched(v, (12 - s) * 0.0833333);
  if (s <= -19) return Stretched(v, (s + 30.0) / 12);
  return Body{};
}

void DrawExtraPasses(const PlayerView& v, const Body& body) {
  White();
  const int32_t special = g_playerState.specialMode[v.p];
  if (v.kind == 0 && special > 160 && v.state == kStateSpecialMove && SceneFrame % 8 == 7) {
    morrow::SetBlendMode(kBlendAdd, 255);
    Draw(body);
  }
  if (v.kind == 15 && (special == 64 || special == 128) && SceneFrame % 4 == 3) {
    morrow::SetModulationColor(255, 128, 128);
    morrow::SetBlendMode(kBlendAdd, 255);
    Draw(body);
    White();
  }
  if (v.kind == 0 && v.card && StoryPreFight == 0) {
    morrow::SetModulationColor(255, 192, 0);
    morrow::SetBlendMode(kBlendAdd, TruncToInt(64 * ((SceneFrame % 6) / 3 + 1) -
                                               64 * Sin(3 * Unsigned(SceneFrame))));
    Draw(body);
    White();
  }
}

void DrawPlayer(const BattleObject& entry, int p, int shake) {
  if (g_match.storyMode > 0 && g_playerState.entryFrames[p] == 0) return;
  const bool noRing =
      entry.state == kStateSpellCard &&
      ((entry.kind == 12 && entry.z < 0) || (entry.kind == 14 && entry.stateTimer >= 2156));
  if (NoShadowFlags[p] == 0 && !noRing) DrawGroundRing(entry, p, shake);
  if (g_options.stunRingDisplay == 0 && entry.attackDelay > 0) DrawStunRing(entry, shake);
  if (!noRing) DrawAura(entry, p);
  morrow::SetBlendMode(kBlendNone, kOpaque);

  PlayerView v{entry, p, shake, 0, entry.kind, entry.state, g_playerState.cardBar[p] > 0};
  v.copy.y += v.copy.z;
  v.cell = SelectCharaFrame(&v.copy, 0);
  DrawAfterimages(v);
  DrawGlows(v);
  const bool translucent = SetBodyBlend(v);
  const Body body = DrawBody(v, translucent);
  DrawExtraPasses(v, body);
}

void DrawCompanion(const BattleObject& entry, int p, int shake) {
  if (g_match.storyMode > 0 && StoryPreFight > 0) return;
  const float x = entry.x;
  const float y = entry.y - static_cast<float>(shake);
  morrow::SetFilterMode(1);
  if (g_playerState.cardBar[p] > 0) {
    // A ghost of its owner: the owner's own copy in the drawn frame, which does not turn a
    // second time.
    morrow::SetBlendMode(kBlendAdd, TruncToInt(96 + 148 * Sin((2 * Unsigned(SceneFrame)) & 127)));
    const int cell = SelectCharaFrame(&g_drawnFrame.players[p], 1);
    DrawCellCentred(x, y, 1.0, SheetCell(CharacterSheetCells, p, cell));
    // The owner's hit tint from the selection stays with the ghost, not with the next entry.
    White();
  } else {
    morrow::SetBlendMode(kBlendAdd, 104);
    morrow::DrawRotaGraph(TruncToInt(x), TruncToInt(y), 2.0, 0.0, PictureCell(kCompanionRow, 0), 1,
                          0);
  }
  morrow::SetFilterMode(0);
}

void DrawSpinner(const BattleObject& entry, int shake) {
  const uint32_t t = Unsigned(entry.stateTimer);
  const double angle = (256 - ((4 * t) & 255)) * kRadiansPerStep;
  const int x = TruncToInt(entry.x);
  const int y = TruncToInt(entry.y - static_cast<float>(shake));
  const int32_t picture = PictureCell(kSpinnerRow, 0);
  morrow::SetFilterMode(1);
  morrow::SetBlendMode(kBlendAlpha, 224);
  morrow::DrawRotaGraph(x, y, 1.0, angle, picture, 1, 0);
  morrow::SetBlendMode(kBlendAdd, TruncToInt(48 - 48 * Sin(12 * t)));
  morrow::DrawRotaGraph(x, y, 1.0, angle, picture, 1, 0);
  morrow::SetFilterMode(0);
}

}  // namespace

void DrawPlayerEntry(const BattleObject* entry, int shake, int) {
  if (entry->drawTag == kTagSpinner) {
    DrawSpinner(*entry, shake);
    return;
  }
  // Players and companions read their owner's arrays: an owner that is no player draws nothing.
  if (!IsPlayer(entry->owner)) return;
  if (entry->drawTag == kTagPlayer) {
    DrawPlayer(*entry, entry->owner, shake);
  } else if (entry->drawTag == kTagCompanion) {
    DrawCompanion(*entry, entry->owner, shake);
  }
}

}  // namespace veyrdale
