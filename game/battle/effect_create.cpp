// Effect creation: one record of the effect pool filled for one kind, by CreateEffect (kinds
// 0-118) and CreateRingEffect (kinds 0-21, placed by an index: a place in a ring or a player).
//
// Random numbers are drawn one statement at a time, in a fixed order (x, y, heading, speed, the
// rest, a value another needs coming first), so that a seeded battle replays exactly.
#include <cstdint>

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

bool FewEffects() {
  return g_options.effectLevel == 1;
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

  void Make(int32_t c, int32_t t, float px, float py) {
    code = c;
    timer = t;
    x = px;
    y = py;
  }
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

// Kinds 4 and 5, and ring kind 0: a spark flung backwards within a quarter turn.
void FlingBack(NewEffect& n, const BattleObject& s) {
  n.heading = Wrap(int64_t{s.heading} + 96 + R(64));
  const float speed = 2.0f + 0.2f * static_cast<float>(R(10));
  n.Speed(n.heading, speed);
}

// Kinds 8, 9 and 21: a spark thrown back, its heading taken from its motion.
void ThrowBack(NewEffect& n, const BattleObject& s) {
  const int h = Wrap(int64_t{s.heading} + 116 + R(24));
  const float speed = 1.5f + 0.2f * static_cast<float>(R(10));
  n.Speed(h, speed);
  n.heading =
      GetDirectionToPoint(TruncToInt(n.vx * -10.0f), TruncToInt((n.vy - 0.1f) * 10.0f), 0, 0);
}

// Kinds 116 and 117: a drift from the left edge.
void Drift(NewEffect& n, int zRange) {
  const int y = R(90);
  n.Make(132, 420, -118.0f, static_cast<float>(48 + y));
  n.vx = 2.0f + 0.05f * static_cast<float>(R(16));
  n.vy = 1.0f + 0.04f * static_cast<float>(R(16));
  n.Z(static_cast<float>(R(zRange) / 15));
}

// The heading of a player index at creation; 0 for an index outside 0-3.
int PlayerHeading(int player) {
  const BattleObject* p = PlayerOrNull(player);
  return p == nullptr ? 0 : p->heading;
}

// Kind 53: two legs out from the source, by its timer.
void PlaceKind53(NewEffect& n, const BattleObject& s) {
  PlaySoundEntry(kSoundShotS);
  const int a = Wrap(TruncToInt(static_cast<float>(s.stateTimer / 10) * 42.666668f));
  n.Along(s.x, s.y, a, 400.0f);
  n.y += 6.0f;
  const int b = Wrap(TruncToInt(static_cast<float>(a) + 21.333334f));
  n.Along(n.x, n.y, b, 260.0f);
  n.y += 6.0f;
  n.heading = Wrap(a + 128);
}

// Kind 96: the variant by the source's move, none while its owner is powered up.
int32_t ShadowVariant(const BattleObject& s) {
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
  return PowerUpOf(s.owner) > 0 ? 0 : variant;
}

// Kind 99: a point on an arc beside the source, wider while its owner is powered up.
void PlaceKind99(NewEffect& n, const BattleObject& s) {
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
}

// Kind 102: turned by the owner's facing, the other way while it is powered up.
int TurnKind102(const BattleObject& s) {
  const int p = PlayerHeading(s.owner);
  const int64_t h = s.heading;
  if (PowerUpOf(s.owner) < 1) return Wrap(p >= 64 && p <= 192 ? h + 8 : h + 248);
  return Wrap(p < 64 || p > 192 ? h + 245 : h + 267);
}

// Fills n for a kind of CreateEffect; false when the kind creates nothing.
bool FillEffect(NewEffect& n, const BattleObject& s, int kind) {
  const float x = s.x;
  const float y = s.y;
  const int own = s.owner;
  const float ownZ = static_cast<float>(s.owner);
  const int h = s.heading;
  switch (kind) {
    case 0:
      n.Make(1, 16, x, y + 20.0f);
      break;
    case 1:
      n.Make(0, 16, x, y);
      break;
    case 2:
      n.Make(2, 16, x, y);
      break;
    case 3:
      n.Make(9, 16, x, y);
      break;
    case 4:
    case 5:
      if (FewEffects()) return false;
      n.Make(kind == 4 ? 40 : 41, 16, x, y);
      FlingBack(n, s);
      break;
    case 6:
      n.Make(42, 16, x, y);
      break;
    case 7:
      n.Make(10, 24, x, y);
      break;
    case 8:
      n.Make(11, 16, x, y + s.z);
      ThrowBack(n, s);
      break;
    case 9:
      n.Make(11, 16, x, y + s.z + 8.0f);
      ThrowBack(n, s);
      break;
    case 10:
      n.Make(12, 24, x, y);
      n.heading = h;
      n.Z(ownZ);
      break;
    case 11: {
      const int rx = R(32);
      const float px = x + s.vx + static_cast<float>(rx) - 16.0f;
      const int ry = R(32);
      n.Make(13, 16, px, y + s.vy + static_cast<float>(ry) - 16.0f);
      n.heading = Wrap(int64_t{SceneFrame / 2 % 4} * 32 + R(31));
      const float speed = 0.5f + 0.15625f * static_cast<float>(R(32));
      n.Speed(n.heading, speed);
      break;
    }
    case 12:
      n.Make(14, 24, x, y);
      break;
    case 13:
      n.Make(15, 24, x, y);
      n.Z(ownZ);
      break;
    case 14: {
      const int rx = R(16);
      const float px = x - 8.0f + static_cast<float>(rx);
      const int ry = R(16);
      n.Make(16, 24, px, y - 8.0f + static_cast<float>(ry));
      break;
    }
    case 15:
    case 16:
      n.Make(kind + 2, 25, x, y);
      n.Z(ownZ);
      break;
    case 17:
      n.Make(19, 24, x, y + 14.0f - 2010.0f);
      n.Player(own);
      break;
    case 18:
      n.Make(20, 24, x, y + 14.0f - 2000.0f);
      n.Player(own);
      break;
    case 19:
      n.Make(21, 80, x, y - 96.0f);
      n.Z(ownZ);
      break;
    case 20: {
      const int rx = R(16);
      const float px = x - 8.0f + static_cast<float>(rx);
      const int ry = R(16);
      n.Make(22, 24, px, y - 2000.0f - 8.0f + static_cast<float>(ry));
      break;
    }
    case 21:
      n.Make(11, 16, x, y + 24.0f);
      ThrowBack(n, s);
      break;
    case 22:
      n.Make(23, 12, x, y);
      n.Along(x, y, h, 16.0f);
      n.heading = h;
      break;
    case 23:
    case 24:
      n.Make(kind + 1, kind == 23 ? 16 : 20, x, y);
      n.heading = h;
      break;
    case 25:
    case 26:
      n.Make(kind + 1, 4, x, y);
      n.heading = h;
      n.Z(ownZ);
      break;
    case 27:
      n.Make(52, 54, x, y);
      n.heading = h;
      n.Z(ownZ);
      break;
    case 28:
      n.Make(29, 24, x, y - 1000.0f);
      n.heading = R(255);
      n.Z(ownZ);
      break;
    case 29:
      n.Make(54, 16, x, y);
      n.heading = R(255);
      break;
    case 30:
      n.Make(55, 22, x, y);
      n.heading = h;
      n.Z(ownZ);
      break;
    case 31:
      n.Make(58, 16, x, y - 1000.0f);
      n.heading = h;
      n.Z(ownZ);
      break;
    case 32:
    case 33:
      n.Make(kind + 33, 24, x, y);
      n.heading = R(255);
      break;
    case 41:
    case 49:
      n.Make(kind == 41 ? 34 : 51, kind == 41 ? 220 : 90, x, y);
      n.Along(x, y, h, 328.0f);
      n.heading = h;
      n.Player(own);
      break;
    case 42: {
      n.Make(37, 8, x + s.vx, y + s.vy);
      n.heading = Wrap(58 + R(12));
      const float speed = 1.0f + 0.25f * static_cast<float>(R(10));
      n.Speed(n.heading, speed);
      break;
    }
    case 43:
      n.Make(201, 16, x, y);
      n.heading = h;
      n.flag = 1;
      break;
    case 44:
      n.Make(39, 24, x, y);
      n.heading = h;
      n.Player(own);
      break;
    case 45:
      n.Make(43, 80, x, y);
      n.heading = h;
      break;
    case 46: {
      if (FewEffects()) return false;
      n.Make(44, 24, x, y);
      n.heading = Wrap(int64_t{h} + 248 + R(16));
      const float speed = 22.0f + 0.25f * static_cast<float>(R(16));
      n.Speed(n.heading, speed);
      break;
    }
    case 47: {
      const int a = R(255);
      const int dx = 128 + R(16);
      const float px = x + CosOf(a) * static_cast<float>(dx) / 256.0f;
      const int dy = 128 + R(16);
      n.Make(45, 24, px, y + NegSinOf(a) * static_cast<float>(dy) / 256.0f);
      n.heading = a;
      const float speed = 4.5f + 0.09375f * static_cast<float>(R(32));
      n.Speed(Wrap(int64_t{a} + 208 + R(96)), speed);
      n.Player(own);
      n.Aux(static_cast<float>(PlayerHeading(own)));
      break;
    }
    case 48:
      n.Make(47, 40, x, y - 32.0f);
      n.heading = h;
      break;
    case 50:
      n.Make(53, 60, x, y);
      n.heading = h;
      n.Speed(h, -5.0f);
      n.Aux(-3.0f);
      n.Z(0.0f);
      n.Player(own);
      break;
    case 51:
    case 52: {
      const int px = 64 + R(512);
      const int py = 64 + R(352);
      n.Make(kind == 51 ? 36 : 46, 48, static_cast<float>(px), static_cast<float>(py));
      n.heading = h;
      if (kind == 52) {
        n.Aux(-4.0f);
        n.Z(0.0f);
        n.Player(own);
      }
      break;
    }
    case 53:
      n.Make(48, 300, x, y);
      PlaceKind53(n, s);
      n.Player(own);
      break;
    case 54:
      n.Make(56, 324, x, y);
      n.heading = h;
      n.Player(own);
      break;
    case 55:
      n.Make(57, 24, x, y);
      n.heading = h;
      break;
    case 56:
      n.Make(59, 56, x, y);
      n.heading = h;
      n.Player(own);
      break;
    case 57:
      n.Make(62, 800, x, y - 1500.0f);
      n.heading = h;
      n.Player(own);
      break;
    case 58:
      n.Make(63, 64, x, y - 2000.0f);
      n.heading = R(255);
      break;
    case 59:
      n.Make(64, 48, x, y - 48.0f);
      break;
    case 60:
      n.Make(68, 24, x, y);
      n.heading = R(255);
      break;
    case 61:
      n.Make(71, 16, x, y);
      n.heading = s.pushHeading;
      n.Player(own);
      break;
    case 62:
      n.Make(72, 190, x, y);
      n.heading = h;
      n.Player(own);
      break;
    case 63: {
      const int rx = R(48);
      const float px = x - 24.0f + static_cast<float>(rx);
      const int ry = R(48);
      n.Make(74, 48, px, y - 24.0f + static_cast<float>(ry));
      n.heading = R(255);
      n.Z(0.8f + 0.05f * static_cast<float>(R(8)));
      break;
    }
    case 64:
      n.Make(74, 48, x, y);
      n.heading = R(255);
      n.Z(0.8f + 0.05f * static_cast<float>(R(8)));
      break;
    case 65: {
      n.Make(74, 48, x, y);
      n.heading = R(255);
      const float sx = 4.0f + 0.1f * static_cast<float>(R(8));
      n.vx = CosOf(n.heading) / 256.0f * sx;
      const float sy = 4.0f + 0.1f * static_cast<float>(R(8));
      n.vy = NegSinOf(n.heading) / 256.0f * sy;
      n.Z(0.8f + 0.05f * static_cast<float>(R(8)));
      break;
    }
    case 66:
      n.Make(75, 24, 320.0f, 240.0f);
      n.Player(own);
      break;
    case 67:
      n.Make(77, 92, x, y + 600.0f);
      n.heading = h;
      n.Player(own);
      break;
    case 68:
    case 69:
      n.Make(78, 70, x, y);
      n.Along(x, y, h, 800.0f);
      n.heading = h;
      n.Player(kind - 68);
      break;
    case 70:
      n.Make(79, 24, x, y);
      n.heading = h;
      n.Player(own);
      break;
    case 71:
      n.Make(80, 24, x, y);
      n.heading = Wrap(int64_t{h} + 199);
      n.Player(own);
      break;
    case 72:
    case 73:
      n.Make(kind + 9, 16, x, y);
      n.heading = h;
      break;
    case 74:
    case 75:
      n.Make(kind + 9, kind == 74 ? 24 : 60, x, y + 6.0f);
      n.heading = h;
      break;
    case 76:
      n.Make(85, 561, x, y + 6.0f);
      n.Player(own);
      break;
    case 77:
      n.Make(86, 96, x, y);
      n.heading = Wrap(int64_t{s.pushHeading} + 96 + R(64));
      n.vx = -CosOf(n.heading) / 256.0f;
      n.vy = -NegSinOf(n.heading) / 256.0f;
      n.Aux(-3.5f);
      n.Z(-1.0f);
      n.Player(own);
      break;
    case 78:
      PlaySoundEntry(kSoundTelepo);
      n.Make(89, 16, x, y);
      n.Player(own);
      break;
    case 79:
      n.Make(90, 16, x, y);
      n.Player(own);
      break;
    case 80:
      n.Make(92, 424, 320.0f, 248.0f);
      n.Player(own);
      break;
    case 81:
    case 82:
      n.heading = kind == 81 ? R(127) : 128 + R(127);
      n.Make(kind + 6, 24, x, y);
      n.Along(x, y, n.heading, 96.0f);
      n.Player(own);
      break;
    case 83:
      n.Make(93, 408, x, y);
      n.Player(own);
      break;
    case 84:
      n.Make(94, 464, x, -200.0f);
      n.Player(own);
      break;
    case 85:
      n.Make(95, 60, x + 6.0f, y - 48.0f);
      n.Player(own);
      break;
    case 86:
      n.Make(96, 60, x, y - 48.0f);
      break;
    case 87:
      n.Make(97, 90, x, y - 60.0f);
      break;
    case 88:
      n.Make(98, 90, x - 4.0f, y - 48.0f);
      n.Player(s.stateTimer);
      break;
    case 89:
      n.Make(99, 90, x, y - 56.0f);
      break;
    case 90:
    case 91:
    case 94:
    case 95:
      n.Make(kind + 10, kind == 90 || kind == 94 ? kHeldTimer : 32, x, y);
      n.heading = s.life;
      break;
    case 92:
      n.Make(102, 128, x + 32.0f, y + 32.0f);
      n.Aux(0.0f);
      n.Z(-48.0f);
      break;
    case 93:
      n.Make(103, 128, x, y);
      n.heading = h;
      break;
    case 96:
      if (FewEffects()) return false;
      n.Make(106, 12, x, y - 600.0f);
      n.heading = h;
      n.Z(s.z);
      n.Player(ShadowVariant(s));
      break;
    case 97:
      n.Make(108, 360, x, y + 18.0f - 600.0f);
      n.keepHeading = true;
      break;
    case 98: {
      // The owner's marker point; an owner that is no player has none.
      if (PlayerOrNull(own) == nullptr) return false;
      const MarkerPoint& marker = g_markerPoints[own];
      n.Make(109, 525, marker.x, marker.y);
      n.Aux(26.0f);
      n.Z(-600.0f);
      n.Player(own);
      break;
    }
    case 99:
      n.Make(110, 128, x, y);
      PlaceKind99(n, s);
      n.Player(own);
      break;
    case 100: {
      const int rx = R(24);
      const float px = x - 12.0f + static_cast<float>(rx);
      const int ry = R(24);
      n.Make(111, 80, px, y - 12.0f + static_cast<float>(ry));
      break;
    }
    case 101:
      n.Make(112, 26, x, y);
      n.heading = Wrap(h < 64 || h > 192 ? int64_t{h} + 200 : int64_t{h} + 56);
      n.Player(own);
      break;
    case 102:
      n.Make(113, 12, x, y);
      n.heading = TurnKind102(s);
      n.Z(s.z);
      n.Player(own);
      break;
    case 103:
      n.Make(114, 32, x, y - 2000.0f);
      n.heading = R(255);
      n.Player(s.stateTimer > 420 ? SaturateToInt((540 - int64_t{s.stateTimer}) * 72 / 120) : 72);
      break;
    case 104:
      n.Make(119, 32, x, y + s.z);
      n.heading = 192;
      break;
    case 105:
      n.Make(115, 48, x, y);
      break;
    case 106:
      n.Make(117, 80, x, y + 10.0f);
      break;
    case 107:
      n.Make(118, kHeldTimer, x, y);
      n.Player(own);
      break;
    case 108:
      n.Make(122, 24, x, y - 8.0f);
      n.heading = h;
      n.Z(ownZ);
      break;
    case 109:
      n.Make(125, 56, x, y);
      n.Along(x, y, h, -32.0f);
      n.heading = h;
      n.Player(own);
      break;
    case 110:
      n.Make(126, 480, x, y);
      n.heading = h;
      n.Aux(16.0f);
      n.Z(-320.0f);
      n.Player(own);
      break;
    case 111:
      if (FewEffects()) return false;
      n.Make(127, 12, x, y);
      break;
    case 112:
      n.Make(128, 48, x + CosOf(h) * 32.0f / 256.0f, y - 12.0f);
      n.heading = h;
      break;
    case 113:
      n.Make(129, 48, x, y);
      n.heading = h;
      n.Player(own);
      n.Z(static_cast<float>(s.life));
      break;
    case 114:
      n.heading = Wrap(int64_t{h} + 149);
      n.Make(130, 240, x, y);
      n.Along(x, y, n.heading, 86.0f);
      n.Player(TruncToInt(s.stun));
      break;
    case 115: {
      if (FewEffects()) return false;
      const int py = R(520) - 96;
      n.Make(131, 420, -32.0f, static_cast<float>(py));
      n.heading = R(255);
      n.vx = 2.0f + 0.05f * static_cast<float>(R(16));
      n.vy = 1.0f + 0.04f * static_cast<float>(R(16));
      const int sign = 1 - 2 * R(1);
      n.Z(static_cast<float>(sign * (R(1) + 1)));
      break;
    }
    case 116:
      Drift(n, 15);
      break;
    case 117:
      Drift(n, 25);
      break;
    case 118:
      n.Make(133, kHeldTimer, x, -99999.0f);
      break;
    default:  // 34-40
      return false;
  }
  return true;
}

// A ring piece at 32k + R(31) with speed base + step x R(range).
void RingPiece(NewEffect& n, int k, float base, float step, int range) {
  n.heading = Wrap(int64_t{k} * 32 + R(31));
  const float speed = base + step * static_cast<float>(R(range));
  n.Speed(n.heading, speed);
}

// Fills n for a kind of CreateRingEffect; false when the kind creates nothing.
bool FillRingEffect(NewEffect& n, const BattleObject& s, int kind, int k) {
  const float x = s.x;
  const float y = s.y;
  const int own = s.owner;
  const int h = s.heading;
  const int64_t k64 = k;
  switch (kind) {
    case 0:
      if (FewEffects()) return false;
      n.Make(31, 16, x, y);
      FlingBack(n, s);
      break;
    case 1:
    case 21:
      if (FewEffects()) return false;
      n.Make(kind == 1 ? 32 : 124, 24, x + s.vx, y + s.vy);
      RingPiece(n, k, 4.0f, 0.25f, 10);
      break;
    case 2:
    case 11:
    case 20:
      n.Make(kind == 2 ? 33 : kind == 11 ? 69 : 123, kind == 11 ? 12 : 8, x, y);
      n.heading = h;
      break;
    case 3:
    case 12:
      n.Make(kind == 3 ? 35 : 70, kind == 3 ? 8 : 12, x, y);
      n.Along(x, y, h, 16.0f);
      n.heading = h;
      break;
    case 4:
      n.Make(38, 32, x, y);
      RingPiece(n, k, 2.0f, 0.25f, 16);
      break;
    case 5:
    case 6:
      if (kind == 5) {
        n.Make(49, 90, x, y);
      } else {
        n.Make(50, 90, x - 90.0f * s.vx, y - 90.0f * s.vy);
        n.Player(own);
      }
      RingPiece(n, k, 4.5f, 0.25f, 32);
      break;
    case 7:
      n.Make(30, 40, x, y);
      n.heading = Wrap(16 * (k64 % 16));
      n.Speed(n.heading, s.move == 7 ? 2.25f : 3.0f);
      n.Player(s.move);
      break;
    case 8:
      n.heading = Wrap(k64 % 2 + 36 * k64);
      n.Make(60, 999, x, y);
      n.Along(x, y, n.heading, 56.0f);
      n.Z(static_cast<float>(k));
      n.Player(own);
      break;
    case 9: {
      n.Make(61, 18, x + s.vx, y + s.vy - 2000.0f);
      n.heading = Wrap(64 * k64 + R(64));
      const float speed = 2.5f + 0.075f * static_cast<float>(R(10));
      n.Speed(n.heading, speed);
      n.Z(static_cast<float>((SceneFrame / 2 % 2 + k64) % 2));
      break;
    }
    case 10:
      n.Make(67, 36, x, y);
      n.heading = Wrap(64 * (k64 + 1) + h);
      n.Speed(n.heading, 12.0f);
      n.Player(own);
      break;
    case 13:
    case 16:
      n.heading = Wrap(int64_t{h} + (kind == 13 ? 64 : 32) * k64);
      n.Make(73, 12, x, y);
      n.Along(x, y, n.heading, 64.0f);
      n.y -= 64.0f;
      n.Player(own);
      break;
    case 14: {
      n.Make(76, 24, x, y);
      n.heading = Wrap(64 * k64 + R(63));
      const float speed = 3.5f + 0.2f * static_cast<float>(R(32));
      n.Speed(n.heading, speed);
      n.Player(3 + R(1));
      break;
    }
    case 15:
      n.Make(91, 16, x, y);
      n.Along(x, y, Wrap(5 * (int64_t{s.stateTimer} + 17 * k64)), 80.0f);
      n.Player(own);
      break;
    case 17: {
      const int64_t a = 64 + 42 * k64 + (k < 4 ? (k64 + 1) / 2 : k64 / 2 + 1);
      n.Make(107, 485, x, y);
      n.Along(x, y, Wrap(a), 104.0f);
      n.y -= 12.0f;
      n.heading = own;
      n.Aux(8.0f);
      n.Z(-600.0f);
      n.Player(R(7));
      break;
    }
    case 18: {
      // Aimed at player k from the source's point; no player k, no effect.
      const BattleObject* target = PlayerOrNull(k);
      if (target == nullptr) return false;
      n.Make(116, 200, x, y - 1000.0f + 20.0f);
      n.heading = HeadingBetween(x, y, target->x, target->y);
      n.Speed(n.heading, 9.0f);
      n.Z(static_cast<float>(own));
      n.Player(k);
      break;
    }
    case 19:
      n.heading = Wrap(16 * (k64 % 16));
      n.Make(121, 32, x, y);
      n.Along(x, y, n.heading, 8.0f);
      n.Speed(n.heading, 13.0f);
      n.Player(s.move);
      break;
    default:
      return false;
  }
  return true;
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
  if (source == nullptr || kind < 0 || kind > kLastKind) return;
  const int slot = TakeFreeEffectSlot();
  if (slot < 0) return;
  NewEffect n;
  if (FillEffect(n, *source, kind)) Commit(n, slot);
}

void CreateRingEffect(const BattleObject* source, int kind, int index) {
  if (source == nullptr || kind < 0 || kind > kLastRingKind) return;
  const int slot = TakeFreeEffectSlot();
  if (slot < 0) return;
  NewEffect n;
  if (FillRingEffect(n, *source, kind, index)) Commit(n, slot);
}

}  // namespace veyrdale
