// The round's announcements over the first 280 frames of a round (the player tags, a red band
// through the middle of the screen, the turning emblem, the first round's title, the four letters
// of the round, the closing word and the slogans that slide through), the knock-out and time-up
// banner while the round ends, and the survival notice before each survival round.
#include <cstdint>

#include "game/core/frame_state.h"
#include "game/core/match_setup.h"
#include "game/core/numeric.h"
#include "game/core/records.h"
#include "game/view/draw_conventions.h"
#include "game/view/hud_parts.h"
#include "game/view/view.h"
#include "morrow/device/color_format.h"
#include "morrow/graphics/draw.h"

namespace veyrdale::view {

namespace {

constexpr int kTagRow = 10;
constexpr int kSloganRow = 13;  // cell 0 and 1 the round's slogans, cell 2 the knock-out word
constexpr int kLetterRow = 14;
constexpr int kBannerRow = 15;
constexpr int kTitleRow = 16;
constexpr int kBurstRow = 87;
constexpr int kEmblemRow = 89;
constexpr int kRoundEndRow = 90;
constexpr int kRoundLabelRow = 140;

constexpr int kTenthRound = 9;

// The four letters' centres and the columns they are squeezed and unfolded in.
constexpr int kLetterX[4] = {210, 284, 358, 432};
constexpr int kColumnLeft[4] = {173, 247, 321, 395};
constexpr int kColumnRight[4] = {248, 322, 396, 470};
// The phase each letter appears at; all but the first settle from a larger size.
constexpr int kLetterStart[4] = {78, 79, 87, 95};
constexpr int kLetterSettle = 7;

void Centred(int x, int y, double scale, double angle, int32_t graph) {
  morrow::DrawRotaGraph(x, y, scale, angle, graph, 1, 0);
}

void Stretched(int x1, int y1, int x2, int y2, int32_t graph) {
  morrow::DrawExtendGraph(x1, y1, x2, y2, graph, 1);
}

bool AnyoneHasWon() {
  const int players = PlayerCountUpToFour();
  for (int p = 0; p < players; ++p) {
    if (g_playerState.wins[p] > 0) return true;
  }
  return false;
}

void DrawPlayerTags(int phase, int shake) {
  morrow::SetBlendMode(kBlendAlpha, TruncToInt((phase % 30) * (1.0 / 29) * 255));
  const int players = PlayerCountUpToFour();
  for (int p = 0; p < players; ++p) {
    const BattleObject& player = g_drawnFrame.players[p];
    Centred(TruncToInt(player.x), TruncToInt(player.y - static_cast<float>(shake) - 30.0f), 1.0,
            0.0, PictureCell(kTagRow, p));
  }
}

// The band opens from the middle, stays, and closes to the middle again.
void DrawRedBand(int phase) {
  int top = 190;
  int bottom = 290;
  if (phase < 40) return;
  if (phase <= 64) {
    top = (160 - phase) * 2;
    bottom = 2 * phase + 160;
  } else if (phase >= 255) {
    top = 2 * phase - 320;
    bottom = (400 - phase) * 2;
  }
  morrow::SetBlendMode(kBlendMultiply, kOpaque);
  morrow::DrawRectangle(0, top, 640, bottom, morrow::PackScreenColor(255, 0, 0), 1);
}

void DrawEmblem(int phase) {
  if (phase < 31) return;
  const int alpha = phase <= 60 ? TruncToInt((3 * phase - 90) * 64 * (1.0 / 30)) : 192;
  double scale = 1.6 + (phase - 30) * 0.0008;
  if (phase >= 265) scale += (phase - 265) * 0.18;
  morrow::SetBlendMode(kBlendAlpha, alpha);
  Centred(320, 240, scale, phase * 1.25 * kPiOver128, PictureCell(kEmblemRow, 0));
}

// The first round's title: it zooms in, stands, and then is pulled wide and flat. The arena's
// presentation picks its cell.
void DrawFirstRoundTitle(int phase) {
  const int32_t title = PictureCell(kTitleRow, ArenaVariant);
  if (phase < 20) {
    morrow::SetBlendMode(kBlendAlpha, TruncToInt((phase - 13) * (1.0 / 7) * 255));
    Centred(320, 240, 1 + (20 - phase) * 0.1, 0.0, title);
  } else if (phase < 70) {
    morrow::SetBlendMode(kBlendAlpha, kOpaque);
    Centred(320, 240, 1.0, 0.0, title);
  } else {
    const double v = (phase - 70) * 0.125 * 13;
    morrow::SetBlendMode(kBlendAlpha, kOpaque);
    Stretched(2708 - 36 * phase, TruncToInt(227 + v), 36 * phase - 2068, TruncToInt(253 - v),
              title);
  }
}

// The last round of a match (the tenth, or the story's last stage) and survival rounds spell
// their own words.
int64_t RoundLetterCell(int letter) {
  if (g_match.survivalMode != 0) return 18 + letter;
  if (letter >= 2) return 10 + letter;
  const bool last = RoundNumber == kTenthRound ||
                    (g_match.storyMode != 0 && g_match.storyStage == g_match.storyStageCount - 1);
  if (last) return 10 + letter;
  return letter == 0 ? 0 : static_cast<int64_t>(RoundNumber) + 1;
}

// A slogan of slot 13 at phase q (81-179): it slides in from the left, drifts right, and slides
// out to the right.
void DrawSlogan(int cell, int q) {
  const int32_t slogan = PictureCell(kSloganRow, cell);
  morrow::SetBlendMode(kBlendNone, kOpaque);
  if (q <= 95) {
    Stretched(60 * q - 5553, 229, 36 * q - 3057, 251, slogan);
  } else if (q <= 163) {
    Centred((q - 96) / 2 + 303, 240, 1.0, 0.0, slogan);
  } else {
    Stretched(36 * q - 5663, 229, 60 * q - 9407, 251, slogan);
  }
}

void DrawRoundLetters(int phase) {
  morrow::SetBlendMode(kBlendAlpha, 128);
  for (int i = 0; i < 4; ++i) {
    const int start = kLetterStart[i];
    if (phase < start) continue;
    const int32_t letter = PictureCell(kLetterRow, RoundLetterCell(i));
    if (phase >= 170) {
      // Squeezed flat toward the end.
      Stretched(kColumnLeft[i], 240 - TruncToInt(3.5 * (180 - phase)), kColumnRight[i],
                240 + TruncToInt(3.6 * (180 - phase)), letter);
      continue;
    }
    double scale = 1.0;
    if (i > 0 && phase < start + kLetterSettle) scale = 1 + (start + kLetterSettle - phase) * 0.04;
    Centred(kLetterX[i], 240, scale, 0.0, letter);
  }
  if (phase >= 81) DrawSlogan(0, phase);
}

void DrawClosingWord(int phase) {
  if (phase < 210) {
    morrow::SetBlendMode(kBlendAdd, kOpaque);
    Centred(320, 240, (phase - 180) * 0.2 + 0.1, 0.0, PictureCell(kBurstRow, 0));
  }
  morrow::SetBlendMode(kBlendAlpha, phase >= 265 ? (280 - phase) * 128 / 15 : 128);
  for (int i = 0; i < 4; ++i) {
    const int32_t letter = PictureCell(kLetterRow, 14 + i);
    if (phase < 190) {
      // Unfolded from a line.
      Stretched(kColumnLeft[i], 205 + TruncToInt(3.5 * (190 - phase)), kColumnRight[i],
                276 - TruncToInt(3.6 * (190 - phase)), letter);
    } else {
      const double angle = phase >= 265 ? (phase - 265) * 8 * kPiOver128 : 0.0;
      Centred(kLetterX[i], 240, 1.0, angle, letter);
    }
  }
  if (phase >= 181) DrawSlogan(1, phase - 100);
}

}  // namespace

void DrawRoundAnnouncements(int shake) {
  const int phase = RoundFrame;
  morrow::SetFilterMode(1);
  DrawPlayerTags(phase, shake);
  DrawRedBand(phase);
  DrawEmblem(phase);
  if (phase >= 13 && phase <= 77) {
    // Only the first round has a title; later rounds show nothing more until their letters.
    if (!AnyoneHasWon()) DrawFirstRoundTitle(phase);
  } else if (phase >= 78 && phase < 180) {
    DrawRoundLetters(phase);
  } else if (phase >= 180) {
    DrawClosingWord(phase);
  }
  morrow::SetFilterMode(0);
  morrow::SetBlendMode(kBlendNone, kOpaque);
}

void DrawRoundEndDisplay() {
  const int freeze = FreezeFrames;
  const double f = freeze;
  const double e = RoundEndFrames;
  morrow::SetFilterMode(1);
  if (freeze >= 31 && freeze <= 59) {
    // The freeze's flash and burst.
    morrow::SetBlendMode(kBlendAdd, TruncToInt((f - 30) * (1.0 / 30) * 128));
    morrow::DrawRectangle(0, 0, 640, 480, morrow::PackScreenColor(255, 255, 255), 1);
    Centred(320, 240, (60 - f) * 0.2 + 0.1, 0.0, PictureCell(kBurstRow, 0));
  } else {
    morrow::SetBlendMode(kBlendAdd, 192);
    if (freeze > 26) {
      Centred(320, 240, (30 - f) * 0.03 + 1, 0.0, PictureCell(kRoundEndRow, 0));
    } else {
      Centred(320, 240, (27 - f) * 0.8 + 1.12, 0.0, PictureCell(kRoundEndRow, 1));
    }
  }
  const int32_t banner = PictureCell(kBannerRow, 0);
  if (freeze > 30 && freeze <= 60) {
    // Turning in while the battle is frozen, shrinking toward its resting size.
    morrow::SetBlendMode(kBlendAlpha, TruncToInt((60 - f) * (1.0 / 30) * 192));
    Centred(320, 240, 1.2 + (f - 30) * 0.002, (f - 30) * 16 * kPiOver128, banner);
  } else if (freeze > 0 && freeze <= 30) {
    morrow::SetBlendMode(kBlendAlpha, TruncToInt((60 - f) * (1.0 / 60) * 192));
    Centred(320, 240, 1.2 - (30 - f) * 0.002, 0.0, banner);
  } else if (freeze == 0) {
    // The banner and the knock-out word fade over the last 60 frames.
    const int alpha = e <= 60 ? TruncToInt(e * (1.0 / 60) * 192) : 192;
    morrow::SetBlendMode(kBlendAlpha, alpha);
    Centred(320, 240, 1.14 - (120 - e) * 0.002, 0.0, banner);
    morrow::SetBlendMode(kBlendAdd, alpha);
    Centred(320, 240, 1.2 - (120 - e) * 0.001, 0.0, PictureCell(kSloganRow, 2));
  }
  morrow::SetFilterMode(0);
}

void DrawSurvivalNotice() {
  const int phase = RoundFrame;  // counts up to 0 before the round
  if (phase < -80) return;
  morrow::SetBlendMode(kBlendSubtract, 128);
  const int right = phase < -64 ? (5 * phase + 400) * 8 : 640;
  morrow::DrawRectangle(0, 216, right, 260, morrow::PackScreenColor(0, 255, 255), 1);
  if (phase >= -64) {
    // The label slides in from the left as it fades in.
    const bool arriving = phase < -48;
    morrow::SetBlendMode(kBlendAlpha, arriving ? TruncToInt((phase + 64) * (1.0 / 16) * 255) : 255);
    morrow::DrawGraph(arriving ? 244 + (phase + 48) * 8 : 244, 230, PictureCell(kRoundLabelRow, 0),
                      1);
  }
  if (phase >= -24) {
    morrow::SetBlendMode(kBlendAlpha,
                         phase < -8 ? TruncToInt((phase + 24) * (1.0 / 16) * 255) : 255);
    DrawNumber(374, 230, RoundNumber + 1, 9, 1);
  }
}

}  // namespace veyrdale::view
