// Effect creation: one record of the effect pool filled for one kind, by CreateEffect (kinds
// 0-118) and CreateRingEffect (kinds 0-21, placed by an index k: a place in a ring or a player).
//
// Every kind is a row of one of two tables: its code and timer, where its heading starts and what
// is added to it, its point (the source's, moved by offsets, a layout shift or a random jitter, or
// taken along the heading), its speed, the player, z and aux it stores, and a placer for what the
// kind computes beyond that. FillEffect reads a row. Random numbers are drawn one statement at a
// time in a fixed order, so that a seeded battle replays exactly: the heading's spread, the
// point's jitter, the speed's range, then what the placer draws.
#include <cstddef>
#include <cstdint>
#include <iterator>

#include "game/battle/access.h"
#include "game/battle/battle.h"
#include "game/battle/directions.h"
#include "game/battle/effects.h"
#include "game/battle/shots.h"
#include "game/core/data_files.h"
#include "game/core/frame_state.h"
#include "game/core/numeric.h"
#include "game/core/records.h"
#include "game/core/sound_entries.h"
#include "morrow/system/time.h"

namespace veyrdale {

namespace {

constexpr int kLastKind = 118;
constexpr int kLastRingKind = 21;

int R(int max) {
  return morrow::GetRandomNumber(max);
}

// A heading sum, reduced to 0-255.
int Wrap(int64_t heading) {
  return WrapHeading(heading);
}

// What a creation writes. code, timer, position, velocity and (unless keepHeading) heading are
// always written; player, z and aux only when the kind sets them.
struct NewEffect {
  int32_t code = 0;
  int32_t timer = 0;
  float x = 0.0f;
  float y = 0.0f;
  float vx = 0.0f;
  float vy = 0.0f;
  int32_t heading = 0;
  bool keepHeading = false;
  bool setsPlayer = false;
  int32_t player = 0;
  bool setsZ = false;
  float z = 0.0f;
  bool setsAux = false;
  float aux = 0.0f;
  uint8_t flag = 0;

  // The point d pixels along heading h from (px, py).
  void Along(float px, float py, int h, float d) {
    x = px + CosOf(h) * d / 256.0f;
    y = py + NegSinOf(h) * d / 256.0f;
  }
  // Speed s on heading h.
  void Speed(int h, float s) {
    vx = CosOf(h) * s / 256.0f;
    vy = NegSinOf(h) * s / 256.0f;
  }
  void Player(int32_t p) {
    setsPlayer = true;
    player = p;
  }
  void Z(float value) {
    setsZ = true;
    z = value;
  }
  void Aux(float value) {
    setsAux = true;
    aux = value;
  }
};

// x and y each moved by R(2 * size) - size, x drawn first.
void Jitter(NewEffect& n, int size) {
  const float half = static_cast<float>(size);
  const int rx = R(2 * size);
  n.x = n.x - half + static_cast<float>(rx);
  const int ry = R(2 * size);
  n.y = n.y - half + static_cast<float>(ry);
}

// The scale of kinds 63-65, kept in z.
void Scale(NewEffect& n) {
  n.Z(0.8f + 0.05f * static_cast<float>(R(8)));
}

// The heading of a player index at creation; 0 for an index outside 0-3.
int PlayerHeading(int player) {
  const BattleObject* p = PlayerOrNull(player);
  return p == nullptr ? 0 : p->heading;
}

// What a kind computes beyond its row, after the row's heading, point, speed and stored fields;
// false when the kind creates nothing after all.
using Placer = bool (*)(NewEffect& n, const BattleObject& s, int k);

// Kinds 8, 9 and 21: a spark thrown back, its heading taken from its motion.
bool HeadingFromMotion(NewEffect& n, const BattleObject&, int) {
  n.heading =
      GetDirectionToPoint(TruncToInt(n.vx * -10.0f), TruncToInt((n.vy - 0.1f) * 10.0f), 0, 0);
  return true;
}

// Kind 11: a spark near the source's next point, its heading a quarter picked by the scene frame.
bool SparkByFrame(NewEffect& n, const BattleObject& s, int) {
  const int rx = R(32);
  n.x = s.x + s.vx + static_cast<float>(rx) - 16.0f;
  const int ry = R(32);
  n.y = s.y + s.vy + static_cast<float>(ry) - 16.0f;
  n.heading = Wrap(int64_t{SceneFrame / 2 % 4} * 32 + R(31));
  const float speed = 0.5f + 0.15625f * static_cast<float>(R(32));
  n.Speed(n.heading, speed);
  return true;
}

// Kind 47: a shard on a ring round the source at its heading, flung across at another, carrying
// its owner's heading.
bool Shard(NewEffect& n, const BattleObject& s, int) {
  const int a = n.heading;
  const int dx = 128 + R(16);
  n.x = s.x + CosOf(a) * static_cast<float>(dx) / 256.0f;
  const int dy = 128 + R(16);
  n.y = s.y + NegSinOf(a) * static_cast<float>(dy) / 256.0f;
  const float speed = 4.5f + 0.09375f * static_cast<float>(R(32));
  n.Speed(Wrap(int64_t{a} + 208 + R(96)), speed);
  n.Aux(static_cast<float>(PlayerHeading(s.owner)));
  return true;
}

// Kinds 51 and 52: anywhere in the arena.
bool Anywhere(NewEffect& n, const BattleObject&, int) {
  const int px = 64 + R(512);
  const int py = 64 + R(352);
  n.x = static_cast<float>(px);
  n.y = static_cast<float>(py);
  return true;
}

// Kind 53: two legs out from the source, by its timer, after the sound.
bool TwoLegs(NewEffect& n, const BattleObject& s, int) {
  PlaySoundEntry(kSoundShotS);
  const int a = Wrap(TruncToInt(static_cast<float>(s.stateTimer / 10) * 42.666668f));
  n.Along(s.x, s.y, a, 400.0f);
  n.y += 6.0f;
  const int b = Wrap(TruncToInt(static_cast<float>(a) + 21.333334f));
  n.Along(n.x, n.y, b, 260.0f);
  n.y += 6.0f;
  n.heading = Wrap(a + 128);
  return true;
}

// Kind 63: scattered round the source, turned at random, at a random scale.
bool Scattered(NewEffect& n, const BattleObject&, int) {
  Jitter(n, 24);
  n.heading = R(255);
  Scale(n);
  return true;
}

// Kind 64.
bool Scaled(NewEffect& n, const BattleObject&, int) {
  Scale(n);
  return true;
}

// Kind 65: thrown on its heading at a speed drawn for each axis.
bool ScaledAndThrown(NewEffect& n, const BattleObject&, int) {
  const float sx = 4.0f + 0.1f * static_cast<float>(R(8));
  n.vx = CosOf(n.heading) / 256.0f * sx;
  const float sy = 4.0f + 0.1f * static_cast<float>(R(8));
  n.vy = NegSinOf(n.heading) / 256.0f * sy;
  Scale(n);
  return true;
}

// Kind 77: drifting slowly back against its heading.
bool Recoil(NewEffect& n, const BattleObject&, int) {
  n.vx = -CosOf(n.heading) / 256.0f;
  n.vy = -NegSinOf(n.heading) / 256.0f;
  return true;
}

// Kind 78.
bool WarpSound(NewEffect&, const BattleObject&, int) {
  PlaySoundEntry(kSoundTelepo);
  return true;
}

// Kind 88: the source's timer as the player.
bool TimerAsPlayer(NewEffect& n, const BattleObject& s, int) {
  n.Player(s.stateTimer);
  return true;
}

// Kind 96: the source's height, and a variant by its move, none while its owner is powered up.
bool Shadow(NewEffect& n, const BattleObject& s, int) {
  int32_t variant = 0;
  switch (s.move) {
    case 1:
    case 3:
      variant = 2;
      break;
    case 2:
    case 7:
      variant = 1;
      break;
    case 5:
    case 9:
      variant = s.recovery;
      break;
    default:
      break;
  }
  n.Z(s.z);
  n.Player(PowerUpOf(s.owner) > 0 ? 0 : variant);
  return true;
}

// Kind 98: at the owner's marker point; an owner that is no player has none.
bool AtMarker(NewEffect& n, const BattleObject& s, int) {
  if (PlayerOrNull(s.owner) == nullptr) return false;
  const MarkerPoint& marker = g_markerPoints[s.owner];
  n.x = marker.x;
  n.y = marker.y;
  return true;
}

// Kind 99: a point on an arc beside the source, wider while its owner is powered up.
bool ArcBeside(NewEffect& n, const BattleObject& s, int) {
  const int h = s.heading;
  const int q = R(96);
  const bool poweredUp = PowerUpOf(s.owner) >= 1;
  const int base = poweredUp ? 48 : 56;
  const int spread = poweredUp ? 92 : 48;
  const int direction = Wrap(int64_t{h} + 80 + q);
  const int rx = base + R(spread);
  n.x = s.x + CosOf(direction) * static_cast<float>(rx) / 256.0f;
  const int ry = base + R(spread);
  n.y = s.y + NegSinOf(direction) * static_cast<float>(ry) / 256.0f;
  n.heading = Wrap(int64_t{h} + 252 + R(8));
  n.Z(static_cast<float>(R(11)));
  return true;
}

// Kind 101: turned by the side of the screen the source faces.
bool TurnedBySide(NewEffect& n, const BattleObject& s, int) {
  const int h = s.heading;
  n.heading = Wrap(h < 64 || h > 192 ? int64_t{h} + 200 : int64_t{h} + 56);
  return true;
}

// Kind 102: turned by the owner's facing, the other way while it is powered up; at the source's
// height.
bool TurnedByOwner(NewEffect& n, const BattleObject& s, int) {
  const int p = PlayerHeading(s.owner);
  const int64_t h = s.heading;
  if (PowerUpOf(s.owner) < 1) {
    n.heading = Wrap(p >= 64 && p <= 192 ? h + 8 : h + 248);
  } else {
    n.heading = Wrap(p < 64 || p > 192 ? h + 245 : h + 267);
  }
  n.Z(s.z);
  return true;
}

// Kind 103: a fade level from the source's timer over its last 120 frames.
bool FadeByTimer(NewEffect& n, const BattleObject& s, int) {
  n.Player(s.stateTimer > 420 ? SaturateToInt((540 - int64_t{s.stateTimer}) * 72 / 120) : 72);
  return true;
}

// Kind 112: 32 ahead of the source across the screen.
bool AheadAcross(NewEffect& n, const BattleObject& s, int) {
  n.x = s.x + CosOf(s.heading) * 32.0f / 256.0f;
  return true;
}

// Kind 113: the source's life as z.
bool LifeAsZ(NewEffect& n, const BattleObject& s, int) {
  n.Z(static_cast<float>(s.life));
  return true;
}

// Kind 114: the familiar slot the source carries in its stun meter.
bool StunAsPlayer(NewEffect& n, const BattleObject& s, int) {
  n.Player(TruncToInt(s.stun));
  return true;
}

// Kind 115: a leaf tumbling in from the left edge with a spin of 1 or 2 either way.
bool Tumble(NewEffect& n, const BattleObject&, int) {
  n.y = static_cast<float>(R(520) - 96);
  n.heading = R(255);
  n.vx = 2.0f + 0.05f * static_cast<float>(R(16));
  n.vy = 1.0f + 0.04f * static_cast<float>(R(16));
  const int sign = 1 - 2 * R(1);
  n.Z(static_cast<float>(sign * (R(1) + 1)));
  return true;
}

// Kinds 116 and 117: a drift in from the left edge.
void Drift(NewEffect& n, int zRange) {
  n.y = static_cast<float>(48 + R(90));
  n.vx = 2.0f + 0.05f * static_cast<float>(R(16));
  n.vy = 1.0f + 0.04f * static_cast<float>(R(16));
  n.Z(static_cast<float>(R(zRange) / 15));
}
bool DriftLow(NewEffect& n, const BattleObject&, int) {
  Drift(n, 15);
  return true;
}
bool DriftHigh(NewEffect& n, const BattleObject&, int) {
  Drift(n, 25);
  return true;
}

// Ring kind 6: a piece left 90 frames behind the source.
bool Behind(NewEffect& n, const BattleObject& s, int) {
  n.x = s.x - 90.0f * s.vx;
  n.y = s.y - 90.0f * s.vy;
  return true;
}

// Ring kind 7: slower for the source's move 7.
bool SpeedByMove(NewEffect& n, const BattleObject& s, int) {
  n.Speed(n.heading, s.move == 7 ? 2.25f : 3.0f);
  return true;
}

// Ring kind 8: spokes of a wheel round the source, the index as z.
bool Spoke(NewEffect& n, const BattleObject& s, int k) {
  const int64_t k64 = k;
  n.heading = Wrap(k64 % 2 + 36 * k64);
  n.Along(s.x, s.y, n.heading, 56.0f);
  n.Z(static_cast<float>(k));
  return true;
}

// Ring kind 9: the pieces take turns by the scene frame.
bool AlternateByFrame(NewEffect& n, const BattleObject&, int k) {
  n.Z(static_cast<float>((SceneFrame / 2 % 2 + int64_t{k}) % 2));
  return true;
}

// Ring kind 14: player 3 or 4 at random.
bool ThirdOrFourth(NewEffect& n, const BattleObject&, int) {
  n.Player(3 + R(1));
  return true;
}

// Ring kind 15: a place on a circle that turns with the source's timer.
bool Orbit(NewEffect& n, const BattleObject& s, int k) {
  n.Along(s.x, s.y, Wrap(5 * (int64_t{s.stateTimer} + 17 * int64_t{k})), 80.0f);
  return true;
}

// Ring kind 17: one of seven places on a circle round the source, turned by the owner, a random
// variant.
bool Cluster(NewEffect& n, const BattleObject& s, int k) {
  const int64_t k64 = k;
  const int64_t a = 64 + 42 * k64 + (k < 4 ? (k64 + 1) / 2 : k64 / 2 + 1);
  n.Along(s.x, s.y, Wrap(a), 104.0f);
  n.y -= 12.0f;
  n.heading = s.owner;
  n.Player(R(7));
  return true;
}

// Ring kind 18: aimed at player k from the source's point; no player k, no effect.
bool AimedAtPlayer(NewEffect& n, const BattleObject& s, int k) {
  const BattleObject* target = PlayerOrNull(k);
  if (target == nullptr) return false;
  n.y = s.y - 1000.0f + 20.0f;
  n.heading = HeadingBetween(s.x, s.y, target->x, target->y);
  n.Speed(n.heading, 9.0f);
  n.Player(k);
  return true;
}

// Where a heading starts before the row's turn, steps and spread are added.
enum class Facing : uint8_t {
  kNone,    // heading 0
  kSource,  // the source's heading
  kLife,    // the source's life, a value the draw reads as a heading
  kPush,    // the source's pushHeading
  kKeep,    // the record's heading is left as it was
};

enum RowFlag : uint8_t {
  kFew = 1,        // creates nothing while the effect level is 1
  kAhead = 2,      // the point starts at the source's next one: x + vx, y + vy
  kAtHeight = 4,   // the point starts at the source's y + z
  kFixedX = 8,     // x is dx itself, not an offset
  kFixedY = 16,    // y is dy itself
  kOwnZ = 32,      // z = the owner as a number
  kFalls = 64,     // z = height and aux = fall of the row
  kFlagged = 128,  // the record's flag byte is set
};

// The player a row stores: a number from 0 up, or one of these.
constexpr int8_t kNoPlayer = -1;
constexpr int8_t kOwner = -2;  // the source's owner
constexpr int8_t kMove = -3;   // the source's move

// Speed base + step * R(range) on the heading, R drawn only when range is above 0.
struct RowSpeed {
  float base = 0.0f;
  float step = 0.0f;
  int16_t range = 0;
};

struct EffectRow {
  int16_t kind = 0;   // the row's own index
  int32_t code = -1;  // -1: the kind creates nothing
  int32_t timer = 0;
  uint8_t flags = 0;
  Facing facing = Facing::kNone;
  int16_t turn = 0;    // added to the heading
  int16_t step = 0;    // added k times (ring kinds)
  int16_t cycle = 0;   // k counts modulo this for the step when above 0
  int16_t spread = 0;  // R(spread) added when above 0
  RowSpeed speed = {};
  float reach = 0.0f;  // the point this far along the heading from the source's
  float dx = 0.0f;
  float dy = 0.0f;
  float shift = 0.0f;  // the layout shift the draw reads back, added to y after dy
  int16_t jitter = 0;  // see Jitter
  int8_t player = kNoPlayer;
  float height = 0.0f;
  float fall = 0.0f;
  Placer place = nullptr;
};

using enum Facing;

// clang-format off
constexpr EffectRow kEffectRows[] = {
    {.kind = 0, .code = 1, .timer = 16, .dy = 20.0f},
    {.kind = 1, .code = 0, .timer = 16},
    {.kind = 2, .code = 2, .timer = 16},
    {.kind = 3, .code = 9, .timer = 16},
    {.kind = 4, .code = 40, .timer = 16, .flags = kFew, .facing = kSource, .turn = 96,
     .spread = 64, .speed = {2.0f, 0.2f, 10}},
    {.kind = 5, .code = 41, .timer = 16, .flags = kFew, .facing = kSource, .turn = 96,
     .spread = 64, .speed = {2.0f, 0.2f, 10}},
    {.kind = 6, .code = 42, .timer = 16},
    {.kind = 7, .code = 10, .timer = 24},
    {.kind = 8, .code = 11, .timer = 16, .flags = kAtHeight, .facing = kSource, .turn = 116,
     .spread = 24, .speed = {1.5f, 0.2f, 10}, .place = HeadingFromMotion},
    {.kind = 9, .code = 11, .timer = 16, .flags = kAtHeight, .facing = kSource, .turn = 116,
     .spread = 24, .speed = {1.5f, 0.2f, 10}, .dy = 8.0f, .place = HeadingFromMotion},
    {.kind = 10, .code = 12, .timer = 24, .flags = kOwnZ, .facing = kSource},
    {.kind = 11, .code = 13, .timer = 16, .place = SparkByFrame},
    {.kind = 12, .code = 14, .timer = 24},
    {.kind = 13, .code = 15, .timer = 24, .flags = kOwnZ},
    {.kind = 14, .code = 16, .timer = 24, .jitter = 8},
    {.kind = 15, .code = 17, .timer = 25, .flags = kOwnZ},
    {.kind = 16, .code = 18, .timer = 25, .flags = kOwnZ},
    {.kind = 17, .code = 19, .timer = 24, .dy = 14.0f, .shift = -2010.0f, .player = kOwner},
    {.kind = 18, .code = 20, .timer = 24, .dy = 14.0f, .shift = -2000.0f, .player = kOwner},
    {.kind = 19, .code = 21, .timer = 80, .flags = kOwnZ, .dy = -96.0f},
    {.kind = 20, .code = 22, .timer = 24, .shift = -2000.0f, .jitter = 8},
    {.kind = 21, .code = 11, .timer = 16, .facing = kSource, .turn = 116, .spread = 24,
     .speed = {1.5f, 0.2f, 10}, .dy = 24.0f, .place = HeadingFromMotion},
    {.kind = 22, .code = 23, .timer = 12, .facing = kSource, .reach = 16.0f},
    {.kind = 23, .code = 24, .timer = 16, .facing = kSource},
    {.kind = 24, .code = 25, .timer = 20, .facing = kSource},
    {.kind = 25, .code = 26, .timer = 4, .flags = kOwnZ, .facing = kSource},
    {.kind = 26, .code = 27, .timer = 4, .flags = kOwnZ, .facing = kSource},
    {.kind = 27, .code = 52, .timer = 54, .flags = kOwnZ, .facing = kSource},
    {.kind = 28, .code = 29, .timer = 24, .flags = kOwnZ, .spread = 255, .shift = -1000.0f},
    {.kind = 29, .code = 54, .timer = 16, .spread = 255},
    {.kind = 30, .code = 55, .timer = 22, .flags = kOwnZ, .facing = kSource},
    {.kind = 31, .code = 58, .timer = 16, .flags = kOwnZ, .facing = kSource, .shift = -1000.0f},
    {.kind = 32, .code = 65, .timer = 24, .spread = 255},
    {.kind = 33, .code = 66, .timer = 24, .spread = 255},
    {.kind = 34},
    {.kind = 35},
    {.kind = 36},
    {.kind = 37},
    {.kind = 38},
    {.kind = 39},
    {.kind = 40},
    {.kind = 41, .code = 34, .timer = 220, .facing = kSource, .reach = 328.0f, .player = kOwner},
    {.kind = 42, .code = 37, .timer = 8, .flags = kAhead, .turn = 58, .spread = 12,
     .speed = {1.0f, 0.25f, 10}},
    {.kind = 43, .code = 201, .timer = 16, .flags = kFlagged, .facing = kSource},
    {.kind = 44, .code = 39, .timer = 24, .facing = kSource, .player = kOwner},
    {.kind = 45, .code = 43, .timer = 80, .facing = kSource},
    {.kind = 46, .code = 44, .timer = 24, .flags = kFew, .facing = kSource, .turn = 248,
     .spread = 16, .speed = {22.0f, 0.25f, 16}},
    {.kind = 47, .code = 45, .timer = 24, .spread = 255, .player = kOwner, .place = Shard},
    {.kind = 48, .code = 47, .timer = 40, .facing = kSource, .dy = -32.0f},
    {.kind = 49, .code = 51, .timer = 90, .facing = kSource, .reach = 328.0f, .player = kOwner},
    {.kind = 50, .code = 53, .timer = 60, .flags = kFalls, .facing = kSource, .speed = {-5.0f},
     .player = kOwner, .height = 0.0f, .fall = -3.0f},
    {.kind = 51, .code = 36, .timer = 48, .facing = kSource, .place = Anywhere},
    {.kind = 52, .code = 46, .timer = 48, .flags = kFalls, .facing = kSource, .player = kOwner,
     .height = 0.0f, .fall = -4.0f, .place = Anywhere},
    {.kind = 53, .code = 48, .timer = 300, .player = kOwner, .place = TwoLegs},
    {.kind = 54, .code = 56, .timer = 324, .facing = kSource, .player = kOwner},
    {.kind = 55, .code = 57, .timer = 24, .facing = kSource},
    {.kind = 56, .code = 59, .timer = 56, .facing = kSource, .player = kOwner},
    {.kind = 57, .code = 62, .timer = 800, .facing = kSource, .shift = -1500.0f, .player = kOwner},
    {.kind = 58, .code = 63, .timer = 64, .spread = 255, .shift = -2000.0f},
    {.kind = 59, .code = 64, .timer = 48, .dy = -48.0f},
    {.kind = 60, .code = 68, .timer = 24, .spread = 255},
    {.kind = 61, .code = 71, .timer = 16, .facing = kPush, .player = kOwner},
    {.kind = 62, .code = 72, .timer = 190, .facing = kSource, .player = kOwner},
    {.kind = 63, .code = 74, .timer = 48, .place = Scattered},
    {.kind = 64, .code = 74, .timer = 48, .spread = 255, .place = Scaled},
    {.kind = 65, .code = 74, .timer = 48, .spread = 255, .place = ScaledAndThrown},
    {.kind = 66, .code = 75, .timer = 24, .flags = kFixedX | kFixedY, .dx = 320.0f, .dy = 240.0f,
     .player = kOwner},
    {.kind = 67, .code = 77, .timer = 92, .facing = kSource, .shift = 600.0f, .player = kOwner},
    {.kind = 68, .code = 78, .timer = 70, .facing = kSource, .reach = 800.0f, .player = 0},
    {.kind = 69, .code = 78, .timer = 70, .facing = kSource, .reach = 800.0f, .player = 1},
    {.kind = 70, .code = 79, .timer = 24, .facing = kSource, .player = kOwner},
    {.kind = 71, .code = 80, .timer = 24, .facing = kSource, .turn = 199, .player = kOwner},
    {.kind = 72, .code = 81, .timer = 16, .facing = kSource},
    {.kind = 73, .code = 82, .timer = 16, .facing = kSource},
    {.kind = 74, .code = 83, .timer = 24, .facing = kSource, .dy = 6.0f},
    {.kind = 75, .code = 84, .timer = 60, .facing = kSource, .dy = 6.0f},
    {.kind = 76, .code = 85, .timer = 561, .dy = 6.0f, .player = kOwner},
    {.kind = 77, .code = 86, .timer = 96, .flags = kFalls, .facing = kPush, .turn = 96,
     .spread = 64, .player = kOwner, .height = -1.0f, .fall = -3.5f, .place = Recoil},
    {.kind = 78, .code = 89, .timer = 16, .player = kOwner, .place = WarpSound},
    {.kind = 79, .code = 90, .timer = 16, .player = kOwner},
    {.kind = 80, .code = 92, .timer = 424, .flags = kFixedX | kFixedY, .dx = 320.0f, .dy = 248.0f,
     .player = kOwner},
    {.kind = 81, .code = 87, .timer = 24, .spread = 127, .reach = 96.0f, .player = kOwner},
    {.kind = 82, .code = 88, .timer = 24, .turn = 128, .spread = 127, .reach = 96.0f,
     .player = kOwner},
    {.kind = 83, .code = 93, .timer = 408, .player = kOwner},
    {.kind = 84, .code = 94, .timer = 464, .flags = kFixedY, .dy = -200.0f, .player = kOwner},
    {.kind = 85, .code = 95, .timer = 60, .dx = 6.0f, .dy = -48.0f, .player = kOwner},
    {.kind = 86, .code = 96, .timer = 60, .dy = -48.0f},
    {.kind = 87, .code = 97, .timer = 90, .dy = -60.0f},
    {.kind = 88, .code = 98, .timer = 90, .dx = -4.0f, .dy = -48.0f, .place = TimerAsPlayer},
    {.kind = 89, .code = 99, .timer = 90, .dy = -56.0f},
    {.kind = 90, .code = 100, .timer = kHeldTimer, .facing = kLife},
    {.kind = 91, .code = 101, .timer = 32, .facing = kLife},
    {.kind = 92, .code = 102, .timer = 128, .flags = kFalls, .dx = 32.0f, .dy = 32.0f,
     .height = -48.0f, .fall = 0.0f},
    {.kind = 93, .code = 103, .timer = 128, .facing = kSource},
    {.kind = 94, .code = 104, .timer = kHeldTimer, .facing = kLife},
    {.kind = 95, .code = 105, .timer = 32, .facing = kLife},
    {.kind = 96, .code = 106, .timer = 12, .flags = kFew, .facing = kSource, .shift = -600.0f,
     .place = Shadow},
    {.kind = 97, .code = 108, .timer = 360, .facing = kKeep, .dy = 18.0f, .shift = -600.0f},
    {.kind = 98, .code = 109, .timer = 525, .flags = kFalls, .player = kOwner, .height = -600.0f,
     .fall = 26.0f, .place = AtMarker},
    {.kind = 99, .code = 110, .timer = 128, .player = kOwner, .place = ArcBeside},
    {.kind = 100, .code = 111, .timer = 80, .jitter = 12},
    {.kind = 101, .code = 112, .timer = 26, .player = kOwner, .place = TurnedBySide},
    {.kind = 102, .code = 113, .timer = 12, .player = kOwner, .place = TurnedByOwner},
    {.kind = 103, .code = 114, .timer = 32, .spread = 255, .shift = -2000.0f, .place = FadeByTimer},
    {.kind = 104, .code = 119, .timer = 32, .flags = kAtHeight, .turn = 192},
    {.kind = 105, .code = 115, .timer = 48},
    {.kind = 106, .code = 117, .timer = 80, .dy = 10.0f},
    {.kind = 107, .code = 118, .timer = kHeldTimer, .player = kOwner},
    {.kind = 108, .code = 122, .timer = 24, .flags = kOwnZ, .facing = kSource, .dy = -8.0f},
    {.kind = 109, .code = 125, .timer = 56, .facing = kSource, .reach = -32.0f, .player = kOwner},
    {.kind = 110, .code = 126, .timer = 480, .flags = kFalls, .facing = kSource, .player = kOwner,
     .height = -320.0f, .fall = 16.0f},
    {.kind = 111, .code = 127, .timer = 12, .flags = kFew},
    {.kind = 112, .code = 128, .timer = 48, .facing = kSource, .dy = -12.0f, .place = AheadAcross},
    {.kind = 113, .code = 129, .timer = 48, .facing = kSource, .player = kOwner, .place = LifeAsZ},
    {.kind = 114, .code = 130, .timer = 240, .facing = kSource, .turn = 149, .reach = 86.0f,
     .place = StunAsPlayer},
    {.kind = 115, .code = 131, .timer = 420, .flags = kFew | kFixedX, .dx = -32.0f,
     .place = Tumble},
    {.kind = 116, .code = 132, .timer = 420, .flags = kFixedX, .dx = -118.0f, .place = DriftLow},
    {.kind = 117, .code = 132, .timer = 420, .flags = kFixedX, .dx = -118.0f, .place = DriftHigh},
    {.kind = 118, .code = 133, .timer = kHeldTimer, .flags = kFixedY, .dy = -99999.0f},
};

constexpr EffectRow kRingRows[] = {
    {.kind = 0, .code = 31, .timer = 16, .flags = kFew, .facing = kSource, .turn = 96,
     .spread = 64, .speed = {2.0f, 0.2f, 10}},
    {.kind = 1, .code = 32, .timer = 24, .flags = kFew | kAhead, .step = 32, .spread = 31,
     .speed = {4.0f, 0.25f, 10}},
    {.kind = 2, .code = 33, .timer = 8, .facing = kSource},
    {.kind = 3, .code = 35, .timer = 8, .facing = kSource, .reach = 16.0f},
    {.kind = 4, .code = 38, .timer = 32, .step = 32, .spread = 31, .speed = {2.0f, 0.25f, 16}},
    {.kind = 5, .code = 49, .timer = 90, .step = 32, .spread = 31, .speed = {4.5f, 0.25f, 32}},
    {.kind = 6, .code = 50, .timer = 90, .step = 32, .spread = 31, .speed = {4.5f, 0.25f, 32},
     .player = kOwner, .place = Behind},
    {.kind = 7, .code = 30, .timer = 40, .step = 16, .cycle = 16, .player = kMove,
     .place = SpeedByMove},
    {.kind = 8, .code = 60, .timer = 999, .player = kOwner, .place = Spoke},
    {.kind = 9, .code = 61, .timer = 18, .flags = kAhead, .step = 64, .spread = 64,
     .speed = {2.5f, 0.075f, 10}, .shift = -2000.0f, .place = AlternateByFrame},
    {.kind = 10, .code = 67, .timer = 36, .facing = kSource, .turn = 64, .step = 64,
     .speed = {12.0f}, .player = kOwner},
    {.kind = 11, .code = 69, .timer = 12, .facing = kSource},
    {.kind = 12, .code = 70, .timer = 12, .facing = kSource, .reach = 16.0f},
    {.kind = 13, .code = 73, .timer = 12, .facing = kSource, .step = 64, .reach = 64.0f,
     .dy = -64.0f, .player = kOwner},
    {.kind = 14, .code = 76, .timer = 24, .step = 64, .spread = 63, .speed = {3.5f, 0.2f, 32},
     .place = ThirdOrFourth},
    {.kind = 15, .code = 91, .timer = 16, .player = kOwner, .place = Orbit},
    {.kind = 16, .code = 73, .timer = 12, .facing = kSource, .step = 32, .reach = 64.0f,
     .dy = -64.0f, .player = kOwner},
    {.kind = 17, .code = 107, .timer = 485, .flags = kFalls, .height = -600.0f, .fall = 8.0f,
     .place = Cluster},
    {.kind = 18, .code = 116, .timer = 200, .flags = kOwnZ, .place = AimedAtPlayer},
    {.kind = 19, .code = 121, .timer = 32, .step = 16, .cycle = 16, .speed = {13.0f},
     .reach = 8.0f, .player = kMove},
    {.kind = 20, .code = 123, .timer = 8, .facing = kSource},
    {.kind = 21, .code = 124, .timer = 24, .flags = kFew | kAhead, .step = 32, .spread = 31,
     .speed = {4.0f, 0.25f, 10}},
};
// clang-format on

// Every row sits at its own kind.
template <size_t N>
constexpr bool RowsInOrder(const EffectRow (&rows)[N]) {
  for (size_t i = 0; i < N; ++i) {
    if (rows[i].kind != static_cast<int>(i)) return false;
  }
  return true;
}
static_assert(std::size(kEffectRows) == kLastKind + 1 && RowsInOrder(kEffectRows));
static_assert(std::size(kRingRows) == kLastRingKind + 1 && RowsInOrder(kRingRows));

// Fills n by a row for a source and an index k (0 for CreateEffect); false when the kind
// creates nothing.
bool FillEffect(const EffectRow& row, NewEffect& n, const BattleObject& s, int k) {
  if (row.code < 0 || ((row.flags & kFew) != 0 && g_options.effectLevel == 1)) return false;
  n.code = row.code;
  n.timer = row.timer;

  int64_t heading = 0;
  switch (row.facing) {
    case kNone:
      break;
    case kSource:
      heading = s.heading;
      break;
    case kLife:
      heading = s.life;
      break;
    case kPush:
      heading = s.pushHeading;
      break;
    case kKeep:
      n.keepHeading = true;
      break;
  }
  // A heading that nothing is added to is stored as it is, even outside 0-255.
  if (row.turn != 0 || row.step != 0 || row.spread > 0) {
    const int64_t steps = row.cycle > 0 ? int64_t{k} % row.cycle : int64_t{k};
    heading = Wrap(heading + row.step * steps + row.turn + (row.spread > 0 ? R(row.spread) : 0));
  }
  n.heading = static_cast<int32_t>(heading);

  // Offsets of 0 are not added, so that a source at -0 keeps its sign.
  n.x = (row.flags & kAhead) != 0 ? s.x + s.vx : s.x;
  n.y = (row.flags & kAhead) != 0 ? s.y + s.vy : s.y;
  if ((row.flags & kAtHeight) != 0) n.y += s.z;
  if (row.reach != 0.0f) n.Along(s.x, s.y, n.heading, row.reach);
  if ((row.flags & kFixedX) != 0) {
    n.x = row.dx;
  } else if (row.dx != 0.0f) {
    n.x += row.dx;
  }
  if ((row.flags & kFixedY) != 0) {
    n.y = row.dy;
  } else if (row.dy != 0.0f) {
    n.y += row.dy;
  }
  if (row.shift != 0.0f) n.y += row.shift;
  if (row.jitter > 0) Jitter(n, row.jitter);

  if (row.speed.range > 0 || row.speed.base != 0.0f) {
    float speed = row.speed.base;
    if (row.speed.range > 0) speed += row.speed.step * static_cast<float>(R(row.speed.range));
    n.Speed(n.heading, speed);
  }

  if (row.player == kOwner) {
    n.Player(s.owner);
  } else if (row.player == kMove) {
    n.Player(s.move);
  } else if (row.player >= 0) {
    n.Player(row.player);
  }
  if ((row.flags & kOwnZ) != 0) n.Z(static_cast<float>(s.owner));
  if ((row.flags & kFalls) != 0) {
    n.Z(row.height);
    n.Aux(row.fall);
  }
  if ((row.flags & kFlagged) != 0) n.flag = 1;
  return row.place == nullptr || row.place(n, s, k);
}

void Commit(const NewEffect& n, int slot) {
  EffectRecord& e = g_effects[slot];
  g_effectInUse[slot] = 1;
  e.code = n.code;
  e.timer = n.timer;
  e.x = n.x;
  e.y = n.y;
  e.vx = n.vx;
  e.vy = n.vy;
  if (!n.keepHeading) e.heading = n.heading;
  if (n.setsPlayer) e.player = n.player;
  if (n.setsZ) e.z = n.z;
  if (n.setsAux) e.aux = n.aux;
  e.flag = n.flag;
}

void Create(const EffectRow& row, const BattleObject& source, int k) {
  const int slot = TakeFreeEffectSlot();
  if (slot < 0) return;
  NewEffect n;
  if (FillEffect(row, n, source, k)) Commit(n, slot);
}

}  // namespace

int TakeFreeEffectSlot() {
  for (int slot = 0; slot < kEffectCount; ++slot) {
    if (g_effectInUse[slot] == 0) {
      g_effects[slot].flag = 0;
      return slot;
    }
  }
  return -1;
}

void FreeEffectSlot(int slot) {
  if (slot < 0 || slot >= kEffectCount) {
    ++IndexMisses;
    return;
  }
  g_effectInUse[slot] = 0;
}

int32_t PowerUpOf(int player) {
  return PlayerOrNull(player) == nullptr ? 0 : g_playerState.powerUp[player];
}

void CreateEffect(const BattleObject* source, int kind) {
  if (source != nullptr && kind >= 0 && kind <= kLastKind) Create(kEffectRows[kind], *source, 0);
}

void CreateRingEffect(const BattleObject* source, int kind, int index) {
  if (source != nullptr && kind >= 0 && kind <= kLastRingKind) {
    Create(kRingRows[kind], *source, index);
  }
}

}  // namespace veyrdale
