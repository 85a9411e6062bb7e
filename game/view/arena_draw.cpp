// The arena's blocks and props (draw tag 4), and the dispatch of tags 4, 5 and 6.
//
// A block stands on its cell as one frame of a strip: while it stands whole the frame shows how
// cracked it is (its damage over its strength, in three stages); once a shot has set its removal
// countdown it crumbles frame by frame and blinks out over its last 39 frames. At effect level 0
// every block is drawn twice: opaque in the base part under everything, and translucent again in
// depth order. Props are the arena's fixed scenery drawn from its backgrounds and its own rows.
#include "game/view/arena_draw.h"

#include <cstdint>
#include <iterator>
#include <numbers>

#include "game/core/data_files.h"
#include "game/core/frame_state.h"
#include "game/core/match_setup.h"
#include "game/core/numeric.h"
#include "game/core/records.h"
#include "game/core/resource_tables.h"
#include "game/view/draw_conventions.h"
#include "game/view/draw_list.h"
#include "game/view/view.h"
#include "morrow/graphics/draw.h"

namespace veyrdale {

namespace view {

namespace {

constexpr int kSunkenArena = 7;
constexpr float kSunkenLift = 2000.0f;  // the draw list lifts arena 7's sorted copies by this
constexpr int32_t kBlinkLast = 39;      // the countdown's last frames, where the block blinks
constexpr uint16_t kSortedCopy = 1;
constexpr int kMirrorBelowX = 320;

using Source = StripSource;

struct Strip {
  Source source;
  int16_t width, height;  // one frame
  int16_t sourceY;        // of the strip's first row
  int8_t perRow;          // frames to a row of the sheet; 0: all on one row
  int16_t dx, dy;         // the picture's corner from the cell's corner
  int16_t start;          // the countdown from which the block crumbles
  int8_t divisor;         // a frame per this many counts below the start
  int8_t first;           // the frame at the start
  int8_t firstWhileHigh;  // the frame while the countdown is above the start
  int8_t last;
  bool restsAtZero;  // frame 0 while standing whole, whatever the damage
  bool mirrorLeft;   // turned on the left half of the arena
};

constexpr Strip kNoStrip{};

// One frame 32 wide standing 32 above its cell, crumbling from 80 at a frame per six counts.
constexpr Strip Standing(Source source, int sourceY, int last) {
  return {source, 32, 64, static_cast<int16_t>(sourceY), 0,     0,    -32, 80,
          6,      3,  3,  static_cast<int8_t>(last),     false, false};
}

// A frame of 96 x 96, crumbling from 86 at a frame per ten counts up to its third frame.
constexpr Strip kBigBlock{
    Source::kBlockSheet, 96, 96, 288, 0, -32, -64, 86, 10, 0, 0, 2, false, false};

// Strips by cell value (1, 2, 3, 5), one row per arena. Cells of kinds 2 and 3 lie beside or below
// those of kind 1 on the same sheet; wide and tall frames are centred on their cell with their foot
// on the cell's foot.
constexpr Strip kKind1Strips[] = {
    Standing(Source::kBlockSheet, 32, 7),
    Standing(Source::kBlockSheet, 32, 7),
    {Source::kBlockSheet, 64, 64, 0, 0, -16, -32, 80, 6, 3, 3, 5, false, false},
    {Source::kBlockSheet, 64, 64, 0, 0, -16, -32, 80, 6, 3, 3, 5, false, false},
    {Source::kThirdBackground, 32, 80, 64, 0, 0, -48, 80, 6, 3, 3, 7, false, false},
    {Source::kBlockSheet, 100, 64, 0, 0, -34, -32, 86, 5, 0, 0, 3, true, false},
    {Source::kBlockSheet, 80, 70, 288, 0, -24, -38, 80, 5, 2, 2, 5, false, true},
    {Source::kBlockSheet, 32, 32, 0, 6, 0, 0, 80, 3, 18, 12, 23, false, false},
    {Source::kRow164Cells, 96, 96, 0, 0, -32, -64, 86, 5, 0, 0, 5, true, false},
    Standing(Source::kRow164Part, 32, 7)};
constexpr Strip kKind2Strips[] = {
    Standing(Source::kBlockSheet, 96, 5),
    Standing(Source::kBlockSheet, 96, 5),
    {Source::kBlockSheet, 64, 64, 64, 0, -16, -32, 80, 6, 3, 3, 5, false, false},
    {Source::kBlockSheet, 64, 64, 64, 0, -16, -32, 80, 6, 3, 3, 5, false, false},
    {Source::kThirdBackground, 32, 80, 144, 0, 0, -48, 80, 6, 3, 3, 5, false, false},
    {Source::kBlockSheet, 100, 64, 64, 0, -34, -32, 80, 6, 3, 3, 5, false, false},
    {Source::kThirdBackground, 80, 70, 288, 0, -24, -38, 80, 6, 3, 3, 5, false, false},
    {Source::kBlockSheet, 32, 32, 128, 6, 0, 0, 80, 6, 3, 3, 5, false, false},
    Standing(Source::kThirdBackground, 0, 5),
    Standing(Source::kRow164Part, 96, 5)};
// One strip on every arena.
constexpr Strip kKind3Strips[] = {kBigBlock, kBigBlock, kBigBlock, kBigBlock, kBigBlock,
                                  kBigBlock, kBigBlock, kBigBlock, kBigBlock, kBigBlock};
// Arena 8 only.
constexpr Strip kKind5Strips[] = {
    kNoStrip,
    kNoStrip,
    kNoStrip,
    kNoStrip,
    kNoStrip,
    kNoStrip,
    kNoStrip,
    kNoStrip,
    {Source::kRow163Cells, 144, 80, 0, 0, -56, -48, 86, 4, 0, 0, 7, true, false},
    kNoStrip};
static_assert(std::size(kKind1Strips) == kArenaCount && std::size(kKind2Strips) == kArenaCount &&
                  std::size(kKind3Strips) == kArenaCount && std::size(kKind5Strips) == kArenaCount,
              "one strip of each kind per arena");

const Strip& StripOf(int kind, int arena) {
  if (arena < 0 || arena >= kArenaCount) return kNoStrip;
  switch (kind) {
    case 1:
      return kKind1Strips[arena];
    case 2:
      return kKind2Strips[arena];
    case 3:
      return kKind3Strips[arena];
    case 5:
      return kKind5Strips[arena];
    default:
      return kNoStrip;
  }
}

int FrameOf(const Strip& strip, int32_t damage, float strength, int32_t countdown) {
  if (countdown == 0) return strip.restsAtZero ? 0 : CrackStage(damage, strength);
  if (countdown > strip.start) return strip.firstWhileHigh;
  // A countdown below zero (a shot's -96) has crumbled as far as it goes.
  const double frame = (static_cast<double>(strip.start) - countdown) / strip.divisor + strip.first;
  return frame >= strip.last ? strip.last : static_cast<int>(frame);
}

StripCut CutOf(const Strip& strip, int frame) {
  StripCut cut{strip.source,
               0,
               0,
               strip.width,
               strip.height,
               strip.source == Source::kNone ? 0 : strip.last + 1};
  if (strip.source == Source::kRow163Cells || strip.source == Source::kRow164Cells) return cut;
  const int column = strip.perRow > 0 ? frame % strip.perRow : frame;
  const int row = strip.perRow > 0 ? frame / strip.perRow : 0;
  cut.x = column * strip.width;
  cut.y = strip.sourceY + row * strip.height;
  return cut;
}

void DrawStrip(const Strip& strip, int frame, int left, int top, int turn) {
  const StripCut cut = CutOf(strip, frame);
  switch (strip.source) {
    case Source::kBlockSheet:
      morrow::DrawGraphPart(left, top, cut.x, cut.y, cut.width, cut.height, StageBackgrounds[1], 1,
                            turn);
      break;
    case Source::kThirdBackground:
      morrow::DrawGraphPart(left, top, cut.x, cut.y, cut.width, cut.height, StageBackgrounds[2], 1,
                            turn);
      break;
    case Source::kRow164Part:
      morrow::DrawGraphPart(left, top, cut.x, cut.y, cut.width, cut.height, PictureCell(164, 0), 1,
                            turn);
      break;
    case Source::kRow163Cells:
      morrow::DrawGraph(left, top, PictureCell(163, frame), 1);
      break;
    case Source::kRow164Cells:
      morrow::DrawGraph(left, top, PictureCell(164, frame), 1);
      break;
    case Source::kNone:
      break;
  }
}

void DrawBlock(const BattleObject& entry, int arena, int shake) {
  const Strip& strip = StripOf(entry.kind, arena);
  if (strip.source == Source::kNone) return;
  const int frame = FrameOf(strip, entry.life, entry.meter, entry.recovery);
  // The sorted copies of arena 7 were lifted so that they sort first; they stand on their cells.
  const double lift = arena == kSunkenArena && entry.move == kSortedCopy ? kSunkenLift : 0.0;
  const int x = TruncToInt(static_cast<double>(entry.x) + strip.dx);
  const int y = TruncToInt(static_cast<double>(entry.y) + lift - shake + strip.dy);
  const int turn = strip.mirrorLeft && entry.x < kMirrorBelowX ? 1 : 0;
  DrawStrip(strip, frame, x, y, turn);
}

// The breathing of the glowing props: the table's negated sine of a point in the first half turn,
// between -1 and 0.
double Breath(uint32_t index) {
  return -Sin(index & 127u);
}

void Rota(int x, int y, int32_t picture, double angle = 0.0) {
  morrow::DrawRotaGraph(x, y, 2.0, angle, picture, 1, 0);
}

void DrawProp(const BattleObject& entry, int shake) {
  const int32_t* bg = StageBackgrounds;
  const double p = Breath(2 * Unsigned(SceneFrame));
  const int e = shake;
  switch (entry.kind) {
    case 51:
      morrow::DrawGraphPart(160, -e, 0, 0, 320, 160, bg[2], 1, 0);
      break;
    case 52:
      morrow::DrawGraphPart(160, 384 - e, 0, 320, 320, 96, bg[2], 1, 0);
      break;
    case 53:
      morrow::SetBlendMode(kBlendNone, kOpaque);
      morrow::DrawGraph(TruncToInt(entry.x), TruncToInt(static_cast<double>(entry.y) - e),
                        PictureCell(164, 0), 1);
      break;
    case 54: {
      morrow::SetFilterMode(1);
      const int upper[3] = {46, 366, 686};
      const int lower[3] = {-166, 206, 526};
      for (int i = 0; i < 3; ++i) {
        morrow::SetBlendMode(kBlendAdd, TruncToInt(24 * p + (i == 0 ? 224 : 231)));
        Rota(upper[i], 240 - e, bg[1]);
      }
      for (int i = 0; i < 3; ++i) {
        morrow::SetBlendMode(kBlendAdd, TruncToInt(24 * p + 231));
        Rota(lower[i], 320 - e, bg[1], std::numbers::pi);
      }
      morrow::SetFilterMode(0);
      break;
    }
    case 55:
      morrow::SetBlendMode(kBlendNone, kOpaque);
      morrow::DrawGraphPart(0, -e, 0, 0, 640, 20, bg[0], 1, 0);
      break;
    case 56:
      morrow::SetFilterMode(1);
      morrow::SetBlendMode(kBlendAdd, TruncToInt(16 * Breath(4 * Unsigned(SceneFrame)) + 192));
      Rota(320, 240 - e, bg[2]);
      morrow::SetFilterMode(0);
      break;
    case 57:
      morrow::SetFilterMode(1);
      for (int x : {112, 224, 416, 528}) {
        morrow::SetBlendMode(kBlendAdd, TruncToInt(24 * p + 231));
        Rota(x, 162 - e, bg[2]);
      }
      morrow::SetFilterMode(0);
      break;
    case 58:
      morrow::SetBlendMode(kBlendNone, kOpaque);
      morrow::DrawGraph(0, -e, PictureCell(160, 0), 1);
      morrow::DrawGraph(576, -e, PictureCell(160, 1), 1);
      break;
    case 59:
      morrow::SetFilterMode(1);
      morrow::SetBlendMode(kBlendAdd, TruncToInt(16 * p + 128));
      Rota(32, 240 - e, bg[1]);
      morrow::SetFilterMode(0);
      break;
    case 60:
      morrow::DrawGraphPart(0, -e, 0, 0, 16, 480, bg[2], 1, 0);
      morrow::DrawGraphPart(112, -e, 16, 0, 544, 32, bg[2], 1, 0);
      morrow::DrawGraphPart(576, 32 - e, 480, 32, 64, 448, bg[2], 1, 0);
      break;
    default:
      break;
  }
}

bool IsProp(int kind) {
  return kind >= 51 && kind <= 60;
}

}  // namespace

int CrackStage(int32_t damage, float strength) {
  // A strength of 0 (most arenas' values 3 and 4) leaves every block uncracked.
  if (!(strength > 0.0f)) return 0;
  const double stage = 3.0 * damage / static_cast<double>(strength);
  if (stage <= 0.0) return 0;
  return stage >= 3.0 ? 3 : static_cast<int>(stage);
}

StripCut BlockStripCut(int kind, int arena, int frame) {
  return CutOf(StripOf(kind, arena), frame);
}

int BlockFrame(int kind, int arena, int32_t damage, float strength, int32_t countdown) {
  const Strip& strip = StripOf(kind, arena);
  if (strip.source == Source::kNone) return -1;
  return FrameOf(strip, damage, strength, countdown);
}

void DrawBlockOrProp(const BattleObject& entry, int shake, bool dark) {
  const int32_t r = entry.recovery;
  if (r >= 1 && r <= kBlinkLast && r % 4 < 2) {
    morrow::SetModulationColor(255, 255, 255);
    return;
  }
  if (SpellScreenActive == 1 || ReversedControlsActive == 1) {
    morrow::SetModulationColor(128, 128, 128);
  }
  if (dark) morrow::SetModulationColor(0, 0, 0);
  if (entry.move == kSortedCopy && g_options.effectLevel != 1) {
    morrow::SetBlendMode(kBlendAlpha, 192);
  } else {
    morrow::SetBlendMode(kBlendNone, kOpaque);
  }
  const int arena = g_match.stage;
  if (arena >= 0 && arena < kArenaCount) {
    if (IsProp(entry.kind)) {
      DrawProp(entry, shake);
    } else {
      DrawBlock(entry, arena, shake);
    }
  }
  morrow::SetModulationColor(255, 255, 255);
}

}  // namespace view

void DrawArenaEntry(const BattleObject* entry, int shake, int dark) {
  switch (entry->drawTag) {
    case kTagArena:
      view::DrawBlockOrProp(*entry, shake, dark != 0);
      break;
    case kTagItem:
      view::DrawItem(*entry, shake);
      break;
    case kTagFamiliar:
      view::DrawFamiliar(*entry, shake);
      break;
    default:
      break;
  }
}

}  // namespace veyrdale
