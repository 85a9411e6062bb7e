// Items (draw tag 5) and familiars (draw tag 6).
//
// Items are small translucent pictures that spin or shimmer, lifted by their height, blinking
// in their last frames before they expire; the special item turns a ring on the ground under it.
// The arena's fixed objects stand on a subtracted ground shadow with an opaque body from the
// arena's own rows; character 14's summoned dolls stand on their owner's colour ring and grow in
// when they appear.
#include <cstdint>

#include "game/core/frame_state.h"
#include "game/core/numeric.h"
#include "game/core/records.h"
#include "game/view/arena_draw.h"
#include "game/view/draw_conventions.h"
#include "morrow/graphics/draw.h"

namespace veyrdale::view {

namespace {

constexpr int kRingRow = 79;  // "shadow": the ground rings, one cell per player colour
constexpr int kItemRow = 81;
constexpr int kExpiresFrom = 420;  // an item older than this blinks
constexpr int kSpecialItem = 77;
constexpr int kShimmer[4] = {0, 1, 2, 1};

// An item picture's corner: the cells are 16 x 16, centred on the item.
void DrawItemCell(double x, double y, int64_t cell) {
  morrow::DrawGraph(TruncToInt(x - 8), TruncToInt(y - 8), PictureCell(kItemRow, cell), 1);
}

// The first cell of the shimmering items' three, by kind; -1 for the kinds that do not shimmer.
int ShimmerBase(int kind) {
  switch (kind) {
    case 3:
      return 18;
    case 4:
      return 21;
    case 5:
      return 24;
    case 10:
      return 27;
    case 11:
      return 30;
    case kSpecialItem:
      return 33;
    default:
      return -1;
  }
}

// Arena rows and the places of their pictures.
constexpr int kArenaRow0 = 160;
constexpr int kArenaRow1 = 161;
constexpr int kArenaRow2 = 162;
constexpr int kArenaRow3 = 163;
constexpr int kArenaRow5 = 165;
constexpr float kShadowDrop = 20.0f;  // a ground shadow lies this far below the object's point

struct Place {
  double x, y;  // the object's point on the screen, lifted by its height
  double groundY;
};

void Shadow(const Place& at, int32_t picture, int blend, double scale, double angle = 0.0) {
  morrow::SetFilterMode(1);
  morrow::SetBlendMode(kBlendSubtract, blend);
  morrow::DrawRotaGraph(TruncToInt(at.x), TruncToInt(at.groundY + kShadowDrop), scale, angle,
                        picture, 1, 0);
  morrow::SetFilterMode(0);
}

void Corner(const Place& at, int half, int32_t picture) {
  morrow::DrawGraph(TruncToInt(at.x - half), TruncToInt(at.y - half), picture, 1);
}

void Centred(const Place& at, int32_t picture) {
  morrow::DrawRotaGraph(TruncToInt(at.x), TruncToInt(at.y), 1.0, 0.0, picture, 1, 0);
}

double FrameAngle() {
  return SceneFrame * kRadiansPerStep;
}

// One of eight directions of a heading, 0 facing right and counting up the screen.
int64_t Octant(int32_t heading) {
  return ((Unsigned(heading) + 16u) & 255u) >> 5;
}

// Kind 0, the object over arenas 0 and 1: a grey pulse, its cells by what it does.
void DrawWatcher(const BattleObject& f, const Place& at) {
  Shadow(at, PictureCell(kRingRow, 0), 128, 1.0, FrameAngle());
  int64_t cell;
  switch (f.state) {
    case 1:
      cell = kShimmer[Wrap(f.stateTimer / 8, 4)];
      break;
    case 2:
      cell = 8;
      break;
    case 3:
      cell = 7;
      break;
    default:
      return;
  }
  morrow::SetBlendMode(kBlendNone, kOpaque);
  const int m = TruncToInt(160 - 32 * Sin(2 * Unsigned(SceneFrame)));
  morrow::SetModulationColor(m, m, m);
  Corner(at, 32, PictureCell(kArenaRow0, cell));
}

// Kind 2, the walker of arena 4: seven looks of nine cells, a row of three per state, turned to
// face the way it walks.
void DrawWalker(const BattleObject& f, const Place& at) {
  Shadow(at, PictureCell(kArenaRow1, 0), 64, 1.5);
  const int64_t look = Wrap(TruncToInt(f.stun), 7);
  const int64_t row = Wrap(int64_t{f.state} - 1, 3);
  const int64_t cell = 9 * look + 3 * row + Wrap(f.stateTimer / 8, 3);
  morrow::SetBlendMode(kBlendNone, kOpaque);
  const int32_t picture = PictureCell(kArenaRow0, cell);
  const uint32_t heading = Unsigned(f.heading) & 255u;
  if (heading >= 108 && heading <= 148) {
    morrow::DrawMirroredGraph(TruncToInt(at.x - 32), TruncToInt(at.y - 32), picture, 1);
  } else {
    Corner(at, 32, picture);
  }
}

// Kind 3, the corner objects of arena 5: a six-frame loop, its second row while firing, with a
// glowing layer over it.
void DrawCornerObject(const BattleObject& f, const Place& at) {
  Shadow(at, PictureCell(kArenaRow2, 0), 64, 1.5);
  const int64_t phase = Wrap(SceneFrame / 8, 6);
  morrow::SetBlendMode(kBlendNone, kOpaque);
  Corner(at, 24, PictureCell(kArenaRow0, (f.state == 3 ? 6 : 0) + phase));
  morrow::SetBlendMode(kBlendAdd, 128);
  Corner(at, 24, PictureCell(kArenaRow0, 12 + phase));
}

// Kind 4, the pacer of arena 5: a row of five cells for each of four facings.
void DrawPacer(const BattleObject& f, const Place& at) {
  Shadow(at, PictureCell(kArenaRow2, 0), 64, 1.5);
  const int64_t facing = ((Unsigned(f.heading) + 32u) & 255u) >> 6;
  morrow::SetBlendMode(kBlendNone, kOpaque);
  Centred(at, PictureCell(kArenaRow1, 5 * facing + Wrap(f.stateTimer / 8, 5)));
}

// Kind 5, the object of arena 6: at rest, or three cells while it fires.
void DrawSentinel(const BattleObject& f, const Place& at) {
  Shadow(at, PictureCell(kRingRow, 0), 128, 1.0);
  const int64_t cell = f.state == 3 ? 1 + Wrap(f.stateTimer / 8, 3) : 0;
  morrow::SetBlendMode(kBlendNone, kOpaque);
  Centred(at, PictureCell(kArenaRow0, cell));
}

// Kind 7, the block that falls into arena 8 and is pushed about: one cell in the air, six rolling
// on the ground; red on alternate frames while it acts.
void DrawFallingBlock(const BattleObject& f, const Place& at) {
  Shadow(at, PictureCell(kArenaRow5, 0), 64, 2.0);
  const int64_t cell = f.z < 0.0f ? 6 : Wrap(f.stateTimer / 4, 6);
  morrow::SetBlendMode(kBlendNone, kOpaque);
  if (f.guard == 2 && (Unsigned(SceneFrame) & 1u) == 1u) morrow::SetModulationColor(255, 128, 128);
  Centred(at, PictureCell(kArenaRow1, cell));
}

// Kind 9, the ring of arena 9: drawn a little ahead along its heading, fading in.
void DrawOrbiter(const BattleObject& f, Place at) {
  const int heading = static_cast<int>(Unsigned(f.heading) & 255u);
  at.x += CosOf(heading) * 16 / 256.0;
  at.y += NegSinOf(heading) * 16 / 256.0;
  morrow::SetBlendMode(kBlendAlpha, TruncToInt(f.stateTimer * 0.0208333 * 255));
  const int64_t row = f.state == 3 ? 2 : (TruncToInt(f.stun) == 0 ? 0 : 1);
  Corner(at, 32, PictureCell(kArenaRow0, 8 * row + Wrap(f.stateTimer / 4, 8)));
}

// Kind 10: a picture fixed at the top right of the screen.
void DrawMarker(const BattleObject& f, int shake) {
  constexpr int kCells[3] = {3, 4, 12};
  morrow::SetBlendMode(kBlendNone, kOpaque);
  morrow::DrawGraph(481, 13 - shake, PictureCell(kArenaRow3, kCells[Wrap(f.stateTimer / 16, 3)]),
                    1);
}

// The doll picture row of each move 0-9: the directional sheets (seven frames in each of eight
// directions) for the moves that fly, the small sheets for the beam, the fall and the blast.
constexpr int kDollRows[10] = {4, 4, 4, 6, 5, 8, 5, 7, 4, 4};
constexpr int kDirectionalCells = 56;

// Kind 8, character 14's doll: its owner's ring, then the doll, growing in while it appears.
void DrawDoll(const BattleObject& f, const Place& at) {
  if (f.owner >= 0 && f.owner < kPlayerCount) {
    morrow::SetFilterMode(1);
    morrow::SetBlendMode(kBlendAdd, 96);
    morrow::DrawRotaGraph(TruncToInt(at.x), TruncToInt(at.groundY + kShadowDrop), 0.6, FrameAngle(),
                          PictureCell(kRingRow, f.owner), 1, 0);
    morrow::SetFilterMode(0);
  }
  const int row = kDollRows[Wrap(f.move, 10)];
  const int64_t cell = row == 4 || row == 5 ? 7 * Octant(f.heading) + Wrap(f.stateTimer / 4, 7)
                                            : Wrap(f.stateTimer / 4, 4);
  static_assert(7 * 8 == kDirectionalCells);
  const int32_t picture = PictureCell(row, cell);
  morrow::SetBlendMode(kBlendNone, kOpaque);
  // The moves that act at once grow in twelve frames, the others in sixteen.
  const bool quick = f.move == 6 || f.move == 7;
  const int growFrames = quick ? 12 : 16;
  if (f.state == 2 && f.stateTimer >= 0 && f.stateTimer < growFrames) {
    const double half = 24 * f.stateTimer * (quick ? 0.0833333 : 0.0625);
    morrow::DrawExtendGraph(TruncToInt(at.x - half), TruncToInt(at.y - half),
                            TruncToInt(at.x + half), TruncToInt(at.y + half), picture, 1);
  } else {
    Corner(at, 24, picture);
  }
}

}  // namespace

void DrawItem(const BattleObject& entry, int shake) {
  const float lifted = entry.y + entry.z;
  morrow::SetBlendMode(kBlendAlpha, 192);
  const int32_t age = entry.stateTimer;
  if (age > kExpiresFrom && age % 4 < 2) return;
  const double x = entry.x;
  const double y = static_cast<double>(lifted) - shake;
  const int kind = entry.kind;
  if (kind <= 2) {
    DrawItemCell(x, y, 6 * kind + Wrap(age / 2, 6));
    return;
  }
  const int base = ShimmerBase(kind);
  if (base < 0) return;
  if (kind == kSpecialItem) {
    // The ring turns on the ground under the floating item.
    morrow::SetBlendMode(kBlendAdd, 96);
    morrow::DrawRotaGraph(TruncToInt(x), TruncToInt(y - entry.z + 20), 1.0,
                          4.0 * age * kRadiansPerStep, PictureCell(kRingRow, 2), 1, 0);
    morrow::SetBlendMode(kBlendAlpha, 192);
  }
  DrawItemCell(x, y, base + kShimmer[Wrap(age / 6, 4)]);
}

void DrawFamiliar(const BattleObject& entry, int shake) {
  const double groundY = static_cast<double>(entry.y) - shake;
  const Place at{entry.x, groundY + entry.z, groundY};
  switch (entry.kind) {
    case 0:
      DrawWatcher(entry, at);
      break;
    case 2:
      DrawWalker(entry, at);
      break;
    case 3:
      DrawCornerObject(entry, at);
      break;
    case 4:
      DrawPacer(entry, at);
      break;
    case 5:
      DrawSentinel(entry, at);
      break;
    case 7:
      DrawFallingBlock(entry, at);
      break;
    case 8:
      DrawDoll(entry, at);
      break;
    case 9:
      DrawOrbiter(entry, at);
      break;
    case 10:
      DrawMarker(entry, shake);
      break;
    default:
      break;
  }
  morrow::SetModulationColor(255, 255, 255);
}

}  // namespace veyrdale::view
