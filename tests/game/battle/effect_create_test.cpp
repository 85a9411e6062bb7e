// Effect creation: every kind of CreateEffect and CreateRingEffect against its row (code, timer,
// position, velocity, heading and the fields it sets, with the random numbers drawn in the row's
// order), the first free slot and its flag, the effect-level lists, a full pool, and the kinds
// with rules of their own.
#include <cmath>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "game/battle/battle.h"
#include "game/battle/directions.h"
#include "game/core/data_files.h"
#include "game/core/frame_state.h"
#include "game/core/records.h"
#include "morrow/system/time.h"
#include "tests/support/battle_state.h"

namespace {

using namespace veyrdale;
using testsupport::SetUpMatch;

int R(int max) {
  return morrow::GetRandomNumber(max);
}

int Wrap(int64_t h) {
  return static_cast<int>(h & 255);
}

float F(int v) {
  return static_cast<float>(v);
}

// What a row writes. Fields left empty must keep what the slot held.
struct Expect {
  int code = 0;
  int timer = 0;
  float x = 0.0f, y = 0.0f, vx = 0.0f, vy = 0.0f;
  std::optional<int> heading = 0;  // empty: not written
  std::optional<int> player;
  std::optional<float> z, aux;
  int flag = 0;

  Expect& H(int h) {
    heading = h;
    return *this;
  }
  Expect& KeepHeading() {
    heading.reset();
    return *this;
  }
  // Speed s on heading h.
  Expect& V(int h, float s) {
    vx = CosOf(h) * s / 256.0f;
    vy = NegSinOf(h) * s / 256.0f;
    return *this;
  }
  // The point d along h from (px, py).
  Expect& Along(float px, float py, int h, float d) {
    x = px + CosOf(h) * d / 256.0f;
    y = py + NegSinOf(h) * d / 256.0f;
    return *this;
  }
  Expect& P(int p) {
    player = p;
    return *this;
  }
  Expect& Z(float value) {
    z = value;
    return *this;
  }
  Expect& A(float value) {
    aux = value;
    return *this;
  }
};

Expect E(int code, int timer, float x, float y) {
  Expect e;
  e.code = code;
  e.timer = timer;
  e.x = x;
  e.y = y;
  return e;
}

// The source every row reads: player 1's, away from every special value.
BattleObject Source() {
  BattleObject s{};
  s.kind = 3;
  s.x = 200.5f;
  s.y = 150.25f;
  s.z = -4.0f;
  s.vx = 1.5f;
  s.vy = -2.0f;
  s.heading = 20;
  s.pushHeading = 40;
  s.owner = 1;
  s.life = 77;
  s.stateTimer = 500;
  s.move = 5;
  s.recovery = 3;
  s.stun = 6.7f;
  return s;
}

constexpr int kOwnerHeading = 100;  // P[1].heading
constexpr float kMarkerX = 300.0f, kMarkerY = 310.0f;

// Kinds 4, 5 and ring kind 0: R(64) for the heading, R(10) for the speed.
Expect& Fling(Expect& e, const BattleObject& s) {
  const int h = Wrap(s.heading + 96 + R(64));
  const float speed = 2.0f + 0.2f * F(R(10));
  return e.H(h).V(h, speed);
}

// Kinds 8, 9, 21.
Expect& ThrowBack(Expect& e, const BattleObject& s) {
  const int h = Wrap(s.heading + 116 + R(24));
  const float speed = 1.5f + 0.2f * F(R(10));
  e.V(h, speed);
  return e.H(GetDirectionToPoint(static_cast<int>(e.vx * -10.0f),
                                 static_cast<int>((e.vy - 0.1f) * 10.0f), 0, 0));
}

Expect Drift(float zRange) {
  const int y = 48 + R(90);
  Expect e = E(132, 420, -118.0f, F(y));
  e.vx = 2.0f + 0.05f * F(R(16));
  e.vy = 1.0f + 0.04f * F(R(16));
  return e.Z(F(R(static_cast<int>(zRange)) / 15));
}

using Row = std::function<Expect(const BattleObject&)>;

// Kinds 0-118 of CreateEffect from Source(); kinds 34-40 make nothing.
const std::map<int, Row>& EffectRows() {
  static const std::map<int, Row> rows = {
      {0, [](const BattleObject& s) { return E(1, 16, s.x, s.y + 20.0f); }},
      {1, [](const BattleObject& s) { return E(0, 16, s.x, s.y); }},
      {2, [](const BattleObject& s) { return E(2, 16, s.x, s.y); }},
      {3, [](const BattleObject& s) { return E(9, 16, s.x, s.y); }},
      {4, [](const BattleObject& s) { Expect e = E(40, 16, s.x, s.y); return Fling(e, s); }},
      {5, [](const BattleObject& s) { Expect e = E(41, 16, s.x, s.y); return Fling(e, s); }},
      {6, [](const BattleObject& s) { return E(42, 16, s.x, s.y); }},
      {7, [](const BattleObject& s) { return E(10, 24, s.x, s.y); }},
      {8, [](const BattleObject& s) { Expect e = E(11, 16, s.x, s.y + s.z); return ThrowBack(e, s); }},
      {9, [](const BattleObject& s) {
         Expect e = E(11, 16, s.x, s.y + s.z + 8.0f);
         return ThrowBack(e, s);
       }},
      {10, [](const BattleObject& s) { return E(12, 24, s.x, s.y).H(s.heading).Z(1.0f); }},
      {11, [](const BattleObject& s) {
         const int rx = R(32);
         const int ry = R(32);
         Expect e = E(13, 16, s.x + s.vx + F(rx) - 16.0f, s.y + s.vy + F(ry) - 16.0f);
         const int h = (SceneFrame / 2) % 4 * 32 + R(31);
         const float speed = 0.5f + 0.15625f * F(R(32));
         return e.H(h).V(h, speed);
       }},
      {12, [](const BattleObject& s) { return E(14, 24, s.x, s.y); }},
      {13, [](const BattleObject& s) { return E(15, 24, s.x, s.y).Z(1.0f); }},
      {14, [](const BattleObject& s) {
         const int rx = R(16);
         const int ry = R(16);
         return E(16, 24, s.x - 8.0f + F(rx), s.y - 8.0f + F(ry));
       }},
      {15, [](const BattleObject& s) { return E(17, 25, s.x, s.y).Z(1.0f); }},
      {16, [](const BattleObject& s) { return E(18, 25, s.x, s.y).Z(1.0f); }},
      {17, [](const BattleObject& s) { return E(19, 24, s.x, s.y + 14.0f - 2010.0f).P(1); }},
      {18, [](const BattleObject& s) { return E(20, 24, s.x, s.y + 14.0f - 2000.0f).P(1); }},
      {19, [](const BattleObject& s) { return E(21, 80, s.x, s.y - 96.0f).Z(1.0f); }},
      {20, [](const BattleObject& s) {
         const int rx = R(16);
         const int ry = R(16);
         return E(22, 24, s.x - 8.0f + F(rx), s.y - 2000.0f - 8.0f + F(ry));
       }},
      {21, [](const BattleObject& s) { Expect e = E(11, 16, s.x, s.y + 24.0f); return ThrowBack(e, s); }},
      {22, [](const BattleObject& s) { return E(23, 12, 0, 0).Along(s.x, s.y, 20, 16).H(20); }},
      {23, [](const BattleObject& s) { return E(24, 16, s.x, s.y).H(20); }},
      {24, [](const BattleObject& s) { return E(25, 20, s.x, s.y).H(20); }},
      {25, [](const BattleObject& s) { return E(26, 4, s.x, s.y).H(20).Z(1.0f); }},
      {26, [](const BattleObject& s) { return E(27, 4, s.x, s.y).H(20).Z(1.0f); }},
      {27, [](const BattleObject& s) { return E(52, 54, s.x, s.y).H(20).Z(1.0f); }},
      {28, [](const BattleObject& s) { return E(29, 24, s.x, s.y - 1000.0f).H(R(255)).Z(1.0f); }},
      {29, [](const BattleObject& s) { return E(54, 16, s.x, s.y).H(R(255)); }},
      {30, [](const BattleObject& s) { return E(55, 22, s.x, s.y).H(20).Z(1.0f); }},
      {31, [](const BattleObject& s) { return E(58, 16, s.x, s.y - 1000.0f).H(20).Z(1.0f); }},
      {32, [](const BattleObject& s) { return E(65, 24, s.x, s.y).H(R(255)); }},
      {33, [](const BattleObject& s) { return E(66, 24, s.x, s.y).H(R(255)); }},
      {41, [](const BattleObject& s) { return E(34, 220, 0, 0).Along(s.x, s.y, 20, 328).H(20).P(1); }},
      {42, [](const BattleObject& s) {
         Expect e = E(37, 8, s.x + s.vx, s.y + s.vy);
         const int h = 58 + R(12);
         const float speed = 1.0f + 0.25f * F(R(10));
         return e.H(h).V(h, speed);
       }},
      {43, [](const BattleObject& s) {
         Expect e = E(201, 16, s.x, s.y).H(20);
         e.flag = 1;
         return e;
       }},
      {44, [](const BattleObject& s) { return E(39, 24, s.x, s.y).H(20).P(1); }},
      {45, [](const BattleObject& s) { return E(43, 80, s.x, s.y).H(20); }},
      {46, [](const BattleObject& s) {
         Expect e = E(44, 24, s.x, s.y);
         const int h = Wrap(20 + 248 + R(16));
         const float speed = 22.0f + 0.25f * F(R(16));
         return e.H(h).V(h, speed);
       }},
      {47, [](const BattleObject& s) {
         const int h = R(255);
         const int dx = 128 + R(16);
         const int dy = 128 + R(16);
         Expect e = E(45, 24, s.x + CosOf(h) * F(dx) / 256.0f, s.y + NegSinOf(h) * F(dy) / 256.0f);
         const float speed = 4.5f + 0.09375f * F(R(32));
         return e.H(h).V(Wrap(h + 208 + R(96)), speed).P(1).A(F(kOwnerHeading));
       }},
      {48, [](const BattleObject& s) { return E(47, 40, s.x, s.y - 32.0f).H(20); }},
      {49, [](const BattleObject& s) { return E(51, 90, 0, 0).Along(s.x, s.y, 20, 328).H(20).P(1); }},
      {50, [](const BattleObject& s) { return E(53, 60, s.x, s.y).H(20).V(20, -5).A(-3).Z(0).P(1); }},
      {51, [](const BattleObject&) {
         const int x = 64 + R(512);
         const int y = 64 + R(352);
         return E(36, 48, F(x), F(y)).H(20);
       }},
      {52, [](const BattleObject&) {
         const int x = 64 + R(512);
         const int y = 64 + R(352);
         return E(46, 48, F(x), F(y)).H(20).A(-4).Z(0).P(1);
       }},
      // Kind 53 at stateTimer 500: a = (int)(50 x 42.666668) mod 256 = 85, b = 106.
      {53, [](const BattleObject& s) {
         Expect e = E(48, 300, 0, 0).Along(s.x, s.y, 85, 400);
         e.y += 6.0f;
         e.Along(e.x, e.y, 106, 260);
         e.y += 6.0f;
         return e.H(213).P(1);
       }},
      {54, [](const BattleObject& s) { return E(56, 324, s.x, s.y).H(20).P(1); }},
      {55, [](const BattleObject& s) { return E(57, 24, s.x, s.y).H(20); }},
      {56, [](const BattleObject& s) { return E(59, 56, s.x, s.y).H(20).P(1); }},
      {57, [](const BattleObject& s) { return E(62, 800, s.x, s.y - 1500.0f).H(20).P(1); }},
      {58, [](const BattleObject& s) { return E(63, 64, s.x, s.y - 2000.0f).H(R(255)); }},
      {59, [](const BattleObject& s) { return E(64, 48, s.x, s.y - 48.0f); }},
      {60, [](const BattleObject& s) { return E(68, 24, s.x, s.y).H(R(255)); }},
      {61, [](const BattleObject& s) { return E(71, 16, s.x, s.y).H(40).P(1); }},
      {62, [](const BattleObject& s) { return E(72, 190, s.x, s.y).H(20).P(1); }},
      {63, [](const BattleObject& s) {
         const int rx = R(48);
         const int ry = R(48);
         return E(74, 48, s.x - 24.0f + F(rx), s.y - 24.0f + F(ry))
             .H(R(255))
             .Z(0.8f + 0.05f * F(R(8)));
       }},
      {64, [](const BattleObject& s) { return E(74, 48, s.x, s.y).H(R(255)).Z(0.8f + 0.05f * F(R(8))); }},
      {65, [](const BattleObject& s) {
         Expect e = E(74, 48, s.x, s.y);
         const int h = R(255);
         e.vx = CosOf(h) / 256.0f * (4.0f + 0.1f * F(R(8)));
         e.vy = NegSinOf(h) / 256.0f * (4.0f + 0.1f * F(R(8)));
         return e.H(h).Z(0.8f + 0.05f * F(R(8)));
       }},
      {66, [](const BattleObject&) { return E(75, 24, 320, 240).P(1); }},
      {67, [](const BattleObject& s) { return E(77, 92, s.x, s.y + 600.0f).H(20).P(1); }},
      {68, [](const BattleObject& s) { return E(78, 70, 0, 0).Along(s.x, s.y, 20, 800).H(20).P(0); }},
      {69, [](const BattleObject& s) { return E(78, 70, 0, 0).Along(s.x, s.y, 20, 800).H(20).P(1); }},
      {70, [](const BattleObject& s) { return E(79, 24, s.x, s.y).H(20).P(1); }},
      {71, [](const BattleObject& s) { return E(80, 24, s.x, s.y).H(219).P(1); }},
      {72, [](const BattleObject& s) { return E(81, 16, s.x, s.y).H(20); }},
      {73, [](const BattleObject& s) { return E(82, 16, s.x, s.y).H(20); }},
      {74, [](const BattleObject& s) { return E(83, 24, s.x, s.y + 6.0f).H(20); }},
      {75, [](const BattleObject& s) { return E(84, 60, s.x, s.y + 6.0f).H(20); }},
      {76, [](const BattleObject& s) { return E(85, 561, s.x, s.y + 6.0f).P(1); }},
      {77, [](const BattleObject& s) {
         const int h = Wrap(40 + 96 + R(64));
         Expect e = E(86, 96, s.x, s.y).H(h).A(-3.5f).Z(-1.0f).P(1);
         e.vx = -CosOf(h) / 256.0f;
         e.vy = -NegSinOf(h) / 256.0f;
         return e;
       }},
      {78, [](const BattleObject& s) { return E(89, 16, s.x, s.y).P(1); }},
      {79, [](const BattleObject& s) { return E(90, 16, s.x, s.y).P(1); }},
      {80, [](const BattleObject&) { return E(92, 424, 320, 248).P(1); }},
      {81, [](const BattleObject& s) {
         const int h = R(127);
         return E(87, 24, 0, 0).Along(s.x, s.y, h, 96).H(h).P(1);
       }},
      {82, [](const BattleObject& s) {
         const int h = 128 + R(127);
         return E(88, 24, 0, 0).Along(s.x, s.y, h, 96).H(h).P(1);
       }},
      {83, [](const BattleObject& s) { return E(93, 408, s.x, s.y).P(1); }},
      {84, [](const BattleObject& s) { return E(94, 464, s.x, -200).P(1); }},
      {85, [](const BattleObject& s) { return E(95, 60, s.x + 6.0f, s.y - 48.0f).P(1); }},
      {86, [](const BattleObject& s) { return E(96, 60, s.x, s.y - 48.0f); }},
      {87, [](const BattleObject& s) { return E(97, 90, s.x, s.y - 60.0f); }},
      {88, [](const BattleObject& s) { return E(98, 90, s.x - 4.0f, s.y - 48.0f).P(500); }},
      {89, [](const BattleObject& s) { return E(99, 90, s.x, s.y - 56.0f); }},
      {90, [](const BattleObject& s) { return E(100, 9999, s.x, s.y).H(77); }},
      {91, [](const BattleObject& s) { return E(101, 32, s.x, s.y).H(77); }},
      {92, [](const BattleObject& s) { return E(102, 128, s.x + 32.0f, s.y + 32.0f).A(0).Z(-48); }},
      {93, [](const BattleObject& s) { return E(103, 128, s.x, s.y).H(20); }},
      {94, [](const BattleObject& s) { return E(104, 9999, s.x, s.y).H(77); }},
      {95, [](const BattleObject& s) { return E(105, 32, s.x, s.y).H(77); }},
      // Move 5 takes the source's recovery.
      {96, [](const BattleObject& s) { return E(106, 12, s.x, s.y - 600.0f).H(20).Z(-4).P(3); }},
      {97, [](const BattleObject& s) { return E(108, 360, s.x, s.y + 18.0f - 600.0f).KeepHeading(); }},
      {98, [](const BattleObject&) { return E(109, 525, kMarkerX, kMarkerY).A(26).Z(-600).P(1); }},
      {99, [](const BattleObject& s) {
         const int q = R(96);
         const int h = Wrap(20 + 80 + q);
         const int rx = 56 + R(48);
         const int ry = 56 + R(48);
         Expect e = E(110, 128, s.x + CosOf(h) * F(rx) / 256.0f, s.y + NegSinOf(h) * F(ry) / 256.0f);
         return e.H(Wrap(20 + 252 + R(8))).Z(F(R(11))).P(1);
       }},
      {100, [](const BattleObject& s) {
         const int rx = R(24);
         const int ry = R(24);
         return E(111, 80, s.x - 12.0f + F(rx), s.y - 12.0f + F(ry));
       }},
      {101, [](const BattleObject& s) { return E(112, 26, s.x, s.y).H(220).P(1); }},
      // The owner faces 100, inside 64-192: + 8 without a power-up.
      {102, [](const BattleObject& s) { return E(113, 12, s.x, s.y).H(28).Z(-4).P(1); }},
      {103, [](const BattleObject& s) { return E(114, 32, s.x, s.y - 2000.0f).H(R(255)).P(24); }},
      {104, [](const BattleObject& s) { return E(119, 32, s.x, s.y + s.z).H(192); }},
      {105, [](const BattleObject& s) { return E(115, 48, s.x, s.y); }},
      {106, [](const BattleObject& s) { return E(117, 80, s.x, s.y + 10.0f); }},
      {107, [](const BattleObject& s) { return E(118, 9999, s.x, s.y).P(1); }},
      {108, [](const BattleObject& s) { return E(122, 24, s.x, s.y - 8.0f).H(20).Z(1.0f); }},
      {109, [](const BattleObject& s) { return E(125, 56, 0, 0).Along(s.x, s.y, 20, -32).H(20).P(1); }},
      {110, [](const BattleObject& s) { return E(126, 480, s.x, s.y).H(20).A(16).Z(-320).P(1); }},
      {111, [](const BattleObject& s) { return E(127, 12, s.x, s.y); }},
      {112, [](const BattleObject& s) {
         return E(128, 48, s.x + CosOf(20) * 32.0f / 256.0f, s.y - 12.0f).H(20);
       }},
      {113, [](const BattleObject& s) { return E(129, 48, s.x, s.y).H(20).P(1).Z(77); }},
      {114, [](const BattleObject& s) { return E(130, 240, 0, 0).Along(s.x, s.y, 169, 86).H(169).P(6); }},
      {115, [](const BattleObject&) {
         const int y = R(520) - 96;
         Expect e = E(131, 420, -32, F(y)).H(R(255));
         e.vx = 2.0f + 0.05f * F(R(16));
         e.vy = 1.0f + 0.04f * F(R(16));
         const int sign = 1 - 2 * R(1);
         return e.Z(F(sign * (R(1) + 1)));
       }},
      {116, [](const BattleObject&) { return Drift(15); }},
      {117, [](const BattleObject&) { return Drift(25); }},
      {118, [](const BattleObject& s) { return E(133, 9999, s.x, -99999); }},
  };
  return rows;
}

// Kinds 0-21 of CreateRingEffect from Source() with index k.
Expect RingRow(const BattleObject& s, int kind, int k) {
  auto piece = [&](Expect e, float base, float step, int range) {
    const int h = Wrap(32 * k + R(31));
    const float speed = base + step * F(R(range));
    return e.H(h).V(h, speed);
  };
  switch (kind) {
    case 0: {
      Expect e = E(31, 16, s.x, s.y);
      return Fling(e, s);
    }
    case 1:
      return piece(E(32, 24, s.x + s.vx, s.y + s.vy), 4.0f, 0.25f, 10);
    case 2:
      return E(33, 8, s.x, s.y).H(20);
    case 3:
      return E(35, 8, 0, 0).Along(s.x, s.y, 20, 16).H(20);
    case 4:
      return piece(E(38, 32, s.x, s.y), 2.0f, 0.25f, 16);
    case 5:
      return piece(E(49, 90, s.x, s.y), 4.5f, 0.25f, 32);
    case 6:
      return piece(E(50, 90, s.x - 90.0f * s.vx, s.y - 90.0f * s.vy), 4.5f, 0.25f, 32).P(1);
    case 7:
      return E(30, 40, s.x, s.y).H(16 * (k % 16)).V(16 * (k % 16), 3.0f).P(5);
    case 8: {
      const int h = Wrap(k % 2 + 36 * k);
      return E(60, 999, 0, 0).Along(s.x, s.y, h, 56).H(h).Z(F(k)).P(1);
    }
    case 9: {
      Expect e = E(61, 18, s.x + s.vx, s.y + s.vy - 2000.0f);
      const int h = Wrap(64 * k + R(64));
      const float speed = 2.5f + 0.075f * F(R(10));
      return e.H(h).V(h, speed).Z(F((SceneFrame / 2 % 2 + k) % 2));
    }
    case 10: {
      const int h = Wrap(64 * (k + 1) + 20);
      return E(67, 36, s.x, s.y).H(h).V(h, 12).P(1);
    }
    case 11:
      return E(69, 12, s.x, s.y).H(20);
    case 12:
      return E(70, 12, 0, 0).Along(s.x, s.y, 20, 16).H(20);
    case 13:
    case 16: {
      const int h = Wrap(20 + (kind == 13 ? 64 : 32) * k);
      Expect e = E(73, 12, 0, 0).Along(s.x, s.y, h, 64).H(h).P(1);
      e.y -= 64.0f;
      return e;
    }
    case 14: {
      Expect e = E(76, 24, s.x, s.y);
      const int h = Wrap(64 * k + R(63));
      const float speed = 3.5f + 0.2f * F(R(32));
      return e.H(h).V(h, speed).P(3 + R(1));
    }
    case 15:
      return E(91, 16, 0, 0).Along(s.x, s.y, Wrap(5 * (500 + 17 * k)), 80).P(1);
    case 17: {
      const int a = 64 + 42 * k + (k < 4 ? (k + 1) / 2 : k / 2 + 1);
      Expect e = E(107, 485, 0, 0).Along(s.x, s.y, Wrap(a), 104).H(1).A(8).Z(-600).P(R(7));
      e.y -= 12.0f;
      return e;
    }
    case 18: {
      const BattleObject& target = g_players[k];
      const int h =
          Wrap(257 - GetDirectionToPoint(static_cast<int>(s.x), static_cast<int>(s.y),
                                         static_cast<int>(target.x), static_cast<int>(target.y)));
      return E(116, 200, s.x, s.y - 1000.0f + 20.0f).H(h).V(h, 9).Z(1.0f).P(k);
    }
    case 19: {
      const int h = 16 * (k % 16);
      return E(121, 32, 0, 0).Along(s.x, s.y, h, 8).H(h).V(h, 13).P(5);
    }
    case 20:
      return E(123, 8, s.x, s.y).H(20);
    default:
      return piece(E(124, 24, s.x + s.vx, s.y + s.vy), 4.0f, 0.25f, 10);
  }
}

// The held values of the slot a creation takes; a row that does not write a field keeps them.
constexpr int kOldHeading = 44, kOldPlayer = 33;
constexpr float kOldZ = 77.0f, kOldAux = 55.0f;

// A battle whose pool has slots 0-2 live and slot 3 free, holding old values, with its flag set;
// slot 4's flag is set too.
void PreparePool() {
  SetUpMatch({0, 1, 2});
  BuildTrigTables();
  g_players[1].heading = kOwnerHeading;
  g_players[2].x = 40.0f;
  g_players[2].y = 420.0f;
  g_markerPoints[1].x = kMarkerX;
  g_markerPoints[1].y = kMarkerY;
  SceneFrame = 1234;
  for (int slot = 0; slot < 3; ++slot) g_effectInUse[slot] = 1;
  EffectRecord& old = g_effects[3];
  old.heading = kOldHeading;
  old.player = kOldPlayer;
  old.z = kOldZ;
  old.aux = kOldAux;
  old.flag = 7;
  g_effects[4].flag = 7;
}

void ExpectSlot3(const Expect& want) {
  const EffectRecord& e = g_effects[3];
  EXPECT_EQ(g_effectInUse[3], 1);
  EXPECT_EQ(e.code, want.code);
  EXPECT_EQ(e.timer, want.timer);
  EXPECT_EQ(e.x, want.x);
  EXPECT_EQ(e.y, want.y);
  EXPECT_EQ(e.vx, want.vx);
  EXPECT_EQ(e.vy, want.vy);
  EXPECT_EQ(e.heading, want.heading.value_or(kOldHeading));
  EXPECT_EQ(e.player, want.player.value_or(kOldPlayer));
  EXPECT_EQ(e.z, want.z.value_or(kOldZ));
  EXPECT_EQ(e.aux, want.aux.value_or(kOldAux));
  EXPECT_EQ(e.flag, want.flag);
  EXPECT_EQ(g_effects[4].flag, 7) << "only the slot taken";
  EXPECT_EQ(g_effectInUse[4], 0);
}

// The draws after a creation and after the row's own draws agree only when both drew the same
// numbers in the same order.
void ExpectSameDraws(int64_t afterCreation, int64_t afterRow) {
  EXPECT_EQ(afterCreation, afterRow) << "draw count";
}

TEST(CreateEffect, EveryKindAgainstItsRow) {
  const BattleObject source = Source();
  for (int kind = 0; kind <= 118; ++kind) {
    SCOPED_TRACE("kind " + std::to_string(kind));
    PreparePool();
    const uint32_t seed = 1000 + static_cast<uint32_t>(kind);
    morrow::SeedRandom(seed);
    CreateEffect(&source, kind);
    const int afterCreation = R(1 << 30);
    const auto row = EffectRows().find(kind);
    if (row == EffectRows().end()) {
      // 34-40: nothing but the flag of the slot found.
      EXPECT_EQ(g_effectInUse[3], 0);
      EXPECT_EQ(g_effects[3].flag, 0);
      EXPECT_EQ(g_effects[3].heading, kOldHeading);
      continue;
    }
    morrow::SeedRandom(seed);
    const Expect want = row->second(source);
    ExpectSameDraws(afterCreation, R(1 << 30));
    ExpectSlot3(want);
  }
}

TEST(CreateRingEffect, EveryKindAgainstItsRow) {
  const BattleObject source = Source();
  for (int kind = 0; kind <= 21; ++kind) {
    for (int k : {2, 5, 13}) {
      SCOPED_TRACE("ring kind " + std::to_string(kind) + " index " + std::to_string(k));
      if (kind == 18 && k > 3) continue;  // an index that is a player
      PreparePool();
      const uint32_t seed = 500 + static_cast<uint32_t>(kind * 16 + k);
      morrow::SeedRandom(seed);
      CreateRingEffect(&source, kind, k);
      const int afterCreation = R(1 << 30);
      morrow::SeedRandom(seed);
      const Expect want = RingRow(source, kind, k);
      ExpectSameDraws(afterCreation, R(1 << 30));
      ExpectSlot3(want);
    }
  }
}

TEST(CreateEffect, FewEffectsFullPoolAndKindsOutOfRange) {
  const BattleObject source = Source();
  struct Case {
    const char* name;
    bool ring;
    int kind;
    int effectLevel;
    bool full;
  } cases[] = {
      {"kind 4 at level 1", false, 4, 1, false},
      {"kind 5 at level 1", false, 5, 1, false},
      {"kind 46 at level 1", false, 46, 1, false},
      {"kind 96 at level 1", false, 96, 1, false},
      {"kind 111 at level 1", false, 111, 1, false},
      {"kind 115 at level 1", false, 115, 1, false},
      {"ring 0 at level 1", true, 0, 1, false},
      {"ring 1 at level 1", true, 1, 1, false},
      {"ring 21 at level 1", true, 21, 1, false},
      {"kind 34", false, 34, 0, false},
      {"kind 40", false, 40, 0, false},
      {"kind 119", false, 119, 0, false},
      {"kind -1", false, -1, 0, false},
      {"ring 22", true, 22, 0, false},
      {"ring -1", true, -1, 0, false},
      {"kind 0, full pool", false, 0, 0, true},
      {"ring 2, full pool", true, 2, 0, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PreparePool();
    g_options.effectLevel = c.effectLevel;
    if (c.full) {
      for (uint16_t& flag : g_effectInUse) flag = 1;
    }
    morrow::SeedRandom(5);
    if (c.ring) {
      CreateRingEffect(&source, c.kind, 1);
    } else {
      CreateEffect(&source, c.kind);
    }
    const int found = c.kind >= 0 && !c.full && c.kind <= (c.ring ? 21 : 118);
    EXPECT_EQ(g_effectInUse[3], c.full ? 1 : 0);
    EXPECT_EQ(g_effects[3].flag, found ? 0 : 7) << "cleared only when a slot was found";
    EXPECT_EQ(g_effects[4].flag, 7);
    EXPECT_EQ(g_effects[3].heading, kOldHeading);
    const int next = R(1 << 30);
    morrow::SeedRandom(5);
    EXPECT_EQ(next, R(1 << 30)) << "nothing drawn";
  }
  // The level-1 kinds still take their slot at level 0 (the table test above draws them).
  PreparePool();
  CreateEffect(&source, 111);
  EXPECT_EQ(g_effects[3].code, 127);
}

TEST(CreateEffect, RulesByOwnerTimerAndMove) {
  BattleObject s = Source();
  // Kind 96: the variant by the source's move, 0 while the owner is powered up.
  const int variants[11] = {0, 2, 1, 2, 0, 3, 0, 1, 0, 3, 0};  // moves 0-10, recovery 3
  for (int move = 0; move <= 10; ++move) {
    for (int powerUp : {0, 1}) {
      PreparePool();
      g_playerState.powerUp[1] = powerUp;
      s.move = move;
      CreateEffect(&s, 96);
      EXPECT_EQ(g_effects[3].player, powerUp ? 0 : variants[move]) << move << " " << powerUp;
    }
  }
  s = Source();
  // Kind 102: + 8 / - 8 by the owner's facing; powered up - 11 / + 11 the other way round.
  struct Turn {
    int facing;
    int powerUp;
    int heading;
  } turns[] = {{64, 0, 28}, {192, 0, 28}, {63, 0, 12}, {193, 0, 12},
               {63, 1, 9},  {193, 1, 9},  {64, 1, 31}, {192, 1, 31}};
  for (const Turn& t : turns) {
    PreparePool();
    g_players[1].heading = t.facing;
    g_playerState.powerUp[1] = t.powerUp;
    CreateEffect(&s, 102);
    EXPECT_EQ(g_effects[3].heading, t.heading) << t.facing << " " << t.powerUp;
  }
  // Kind 103: (540 - stateTimer) x 72 / 120 above 420, else 72.
  const int timers[][2] = {{480, 36}, {421, 71}, {420, 72}, {0, 72}, {540, 0}, {600, -36}};
  for (const auto& t : timers) {
    PreparePool();
    s.stateTimer = t[0];
    CreateEffect(&s, 103);
    EXPECT_EQ(g_effects[3].player, t[1]) << t[0];
  }
  // Kind 99 while powered up: radii 48 + R(92).
  s = Source();
  PreparePool();
  g_playerState.powerUp[1] = 5;
  morrow::SeedRandom(3);
  CreateEffect(&s, 99);
  morrow::SeedRandom(3);
  const int q = R(96);
  const int h = Wrap(20 + 80 + q);
  const int rx = 48 + R(92);
  const int ry = 48 + R(92);
  EXPECT_EQ(g_effects[3].x, s.x + CosOf(h) * F(rx) / 256.0f);
  EXPECT_EQ(g_effects[3].y, s.y + NegSinOf(h) * F(ry) / 256.0f);
  // Kind 11 spreads by the scene frame: (SceneFrame / 2) mod 4 = 2 gives headings 64-95.
  for (int seed = 1; seed <= 40; ++seed) {
    PreparePool();
    SceneFrame = 1000 + 4 * 8 * seed + 5;  // / 2 gives ... 2 mod 4
    ASSERT_EQ(SceneFrame / 2 % 4, 2);
    morrow::SeedRandom(static_cast<uint32_t>(seed));
    CreateEffect(&s, 11);
    EXPECT_GE(g_effects[3].heading, 64);
    EXPECT_LE(g_effects[3].heading, 95);
  }
}

TEST(CreateEffect, OwnersThatAreNoPlayer) {
  // At creation an owner outside 0-3 counts as no power-up and facing 0; kind 98 has no marker.
  for (int owner : {4, 7, -2}) {
    SCOPED_TRACE(owner);
    BattleObject s = Source();
    s.owner = static_cast<int16_t>(owner);
    s.move = 1;
    PreparePool();
    CreateEffect(&s, 98);
    EXPECT_EQ(g_effectInUse[3], 0);
    EXPECT_EQ(g_effects[3].flag, 0);
    CreateEffect(&s, 96);
    EXPECT_EQ(g_effects[3].player, 2) << "no power-up";
    CreateEffect(&s, 102);
    EXPECT_EQ(g_effects[4].heading, 12) << "facing 0, outside 64-192";
    CreateEffect(&s, 47);
    EXPECT_EQ(g_effects[5].aux, 0.0f);
    EXPECT_EQ(g_effects[5].player, owner);
    // Ring kind 18 aims at a player index; none there, nothing made.
    CreateRingEffect(&s, 18, owner);
    EXPECT_EQ(g_effectInUse[6], 0);
    EXPECT_EQ(IndexMisses, owner == 4 ? 0 : 6) << "4 is nobody, the others are misses";
  }
  // Wild headings, indices and NaN positions stay inside every table.
  BattleObject s = Source();
  s.heading = INT32_MIN;
  s.pushHeading = INT32_MAX;
  s.stateTimer = INT32_MAX;
  s.x = std::nanf("");
  s.stun = std::nanf("");
  for (int kind = 0; kind <= 118; ++kind) {
    PreparePool();
    CreateEffect(&s, kind);
  }
  for (int kind = 0; kind <= 21; ++kind) {
    PreparePool();
    CreateRingEffect(&s, kind, INT32_MIN);
    CreateRingEffect(&s, kind, INT32_MAX);
  }
  PreparePool();
  CreateEffect(&s, 114);
  EXPECT_EQ(g_effects[3].player, 0) << "a NaN familiar slot is 0";
  EXPECT_GE(g_effects[3].heading, 0);
  EXPECT_LE(g_effects[3].heading, 255);
}

}  // namespace
