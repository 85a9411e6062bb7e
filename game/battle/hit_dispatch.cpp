// DispatchHitEffect: the burst of a hit, by the kind of the hitting object (a character 0-15 or
// the neutral kind 51) and an event number (a shot's hit class, or a number a behaviour passes).
// Each burst is a row of one table: the kinds and events it answers and its pieces in order, or a
// named burst where it depends on the move, a power-up or the players in play. Kinds 16-50, kinds
// above 51 and the events no row lists lay nothing.
//
// Short names for the pieces every burst is made of: RA, RB, RC and RD are the ring spawners on
// (a, b); RV is ring A around the victim alone; SP the spark; DE the damage event with the
// victim's freeze; G(q, n) the ring effects q with indices 0 to n-1.
#include <cstddef>
#include <cstdint>
#include <iterator>

#include "game/battle/access.h"
#include "game/battle/battle.h"
#include "game/battle/effects.h"
#include "game/battle/hit_effects.h"
#include "game/battle/shots.h"
#include "game/core/frame_state.h"
#include "game/core/match_setup.h"
#include "game/core/records.h"
#include "game/core/sound_entries.h"

namespace veyrdale {

namespace {

constexpr int32_t kCutInFrames = 280;
constexpr int32_t kDamageFreeze = 100;
constexpr uint16_t kPiecelessKind = 99;  // ring D lays only its centre for this kind

void Flash(int32_t frames, int32_t length) {
  FlashFrames = frames;
  FlashLength = length;
}

struct Hit {
  BattleObject* a;
  BattleObject* b;

  void RA() const { SpawnHitRingA(a, b); }
  void RV() const { SpawnHitRingA(b, b); }
  void RB() const { SpawnHitRingB(a, b); }
  void RC() const { SpawnHitRingC(a, b); }
  void RD() const { SpawnHitRingD(a, b); }
  void SP() const { SpawnHitSpark(a, b); }
  // The damage event, and the victim held out of its hit reaction until it lands. A victim that is
  // no player has nothing to hold.
  void DE() const {
    SpawnDamageEffect(a, b, 1);
    if (PlayerOrNull(b->owner) != nullptr) g_playerState.freezeTimer[b->owner] = kDamageFreeze;
  }
  void G(int q, int n = 1) const {
    for (int i = 0; i < n; ++i) CreateRingEffect(a, q, i);
  }
  bool Move(int m) const { return a->move == m; }
  bool Move(int m1, int m2) const { return a->move == m1 || a->move == m2; }

  // Characters 0 and 10: the hit that starts the cut-in of move 6. The battle scene runs the rest.
  void CutIn() const {
    FreezeFrames = kCutInFrames;
    CutInFrames = kCutInFrames;
    CutInAttacker = a->owner;
    CutInVictim = b->owner;
    Flash(6, 6);
    CreateShot(a, 7, a->owner);
    ScreenShake = 20;
    for (int i = 0; i < 3; ++i) CreateEffect(a, 2);
  }
};

// A burst that depends on more than the kind and the event: the move, a power-up, the players.
using Burst = void (*)(const Hit& h, int event);

// RA, then with move 6 the hit that starts the cut-in (characters 0 and 10).
void RingAThenCutIn(const Hit& h, int) {
  h.RA();
  if (h.Move(6)) h.CutIn();
}

// RA, then the spark for the heavy moves 5 and 6.
void RingASparkOnHeavy(const Hit& h, int) {
  h.RA();
  if (h.Move(5, 6)) h.SP();
}

// Character 13's events 13-18: ring 17 around the victim, one place each.
void VictimCluster(const Hit& h, int event) {
  CreateRingEffect(h.b, 17, event - 13);
}

void Kind5ByMove(const Hit& h, int) {
  if (h.Move(4, 8)) {
    CreateEffect(h.a, 13);
    h.RA();
  } else if (h.Move(5)) {
    h.RA();
    h.RA();
  } else if (h.Move(6)) {
    SpawnDamageEffect(h.a, h.b, 2);
    h.RA();
  } else {
    CreateEffect(h.a, 12);
    h.RA();
  }
}

void Kind6ByPowerUp(const Hit& h, int) {
  if (PowerUpOf(h.a->owner) > 0) {
    h.G(16, 8);
  } else {
    h.G(13, 4);
  }
}

void Kind9SparksByMove(const Hit& h, int) {
  if (h.Move(3, 6) || h.Move(13)) {
    h.SP();
    h.SP();
  }
  h.RA();
}

void Kind10Strike(const Hit& h, int event) {
  if (!h.Move(7)) {
    ScreenShake = 8;
    h.SP();
  }
  RingAThenCutIn(h, event);
}

void Kind10Jolt(const Hit& h, int) {
  ScreenShake = 4;
  h.SP();
  h.RA();
}

void Kind10Scatter(const Hit& h, int) {
  Flash(3, 5);
  PlaySoundEntry(kSoundHit);
  SpawnScatterSparks(h.a, h.b);
}

void Kind12ByMove(const Hit& h, int) {
  if (h.Move(5)) {
    SpawnHitRingA(h.b, h.b);
    CreateEffect(h.b, 74);
  } else if (h.Move(6)) {
    h.RC();
    CreateEffect(h.a, 2);
    CreateEffect(h.a, 2);
  } else if (h.Move(1, 3)) {
    h.RV();
  } else {
    h.RB();
  }
}

// One homing effect at every other player in play.
void Kind12Homing(const Hit& h, int) {
  const int inPlay = PlayersInPlay();
  for (int i = 0; i < inPlay; ++i) {
    if (i != h.b->owner) CreateRingEffect(h.a, 18, i);
  }
}

void Kind14Strike(const Hit& h, int) {
  if (h.Move(10)) SpawnHitSpark(h.b, h.b);
  h.RV();
}

void Kind14Heavy(const Hit& h, int event) {
  if (h.Move(6)) {
    h.RC();
  } else {
    Flash(6, 6);
    h.SP();
  }
  Kind14Strike(h, event);
}

// Counted as kind 99 for the call, so that only the centre is laid.
void Kind14CentreOnly(const Hit& h, int) {
  h.a->kind = kPiecelessKind;
  h.RD();
  h.a->kind = 14;
}

void Kind14Big(const Hit& h, int) {
  SpawnBigHitEffect(h.a, h.b);
}

// The pieces of the plain bursts, in the short names above.
enum class Op : uint8_t { kNone, kRA, kRV, kRB, kRC, kRD, kSP, kDE, kG };
struct Piece {
  Op op = Op::kNone;
  int8_t q = 0;
  int8_t n = 1;
};
constexpr Piece RA{Op::kRA};
constexpr Piece RV{Op::kRV};
constexpr Piece RB{Op::kRB};
constexpr Piece RC{Op::kRC};
constexpr Piece RD{Op::kRD};
constexpr Piece SP{Op::kSP};
constexpr Piece DE{Op::kDE};
constexpr Piece G(int q, int n = 1) {
  return {Op::kG, static_cast<int8_t>(q), static_cast<int8_t>(n)};
}

void Lay(const Hit& h, const Piece& p) {
  switch (p.op) {
    case Op::kNone:
      break;
    case Op::kRA:
      h.RA();
      break;
    case Op::kRV:
      h.RV();
      break;
    case Op::kRB:
      h.RB();
      break;
    case Op::kRC:
      h.RC();
      break;
    case Op::kRD:
      h.RD();
      break;
    case Op::kSP:
      h.SP();
      break;
    case Op::kDE:
      h.DE();
      break;
    case Op::kG:
      h.G(p.q, p.n);
      break;
  }
}

constexpr int kMaskedKinds = 64;
constexpr int kMaskedEvents = 32;

// The kinds of a a row answers, and its events, one bit each.
template <class... T>
constexpr uint64_t K(T... kinds) {
  return ((uint64_t{1} << kinds) | ...);
}
template <class... T>
constexpr uint32_t E(T... events) {
  return ((uint32_t{1} << events) | ...);
}

// The kinds and events a burst answers, and its pieces in order, or a named burst.
struct BurstRow {
  uint64_t kinds;
  uint32_t events;
  Piece pieces[2] = {};
  Burst burst = nullptr;
};

// clang-format off
constexpr BurstRow kBursts[] = {
    {K(0), E(0), {}, RingAThenCutIn},
    {K(0), E(2), {RA}},
    {K(0), E(6), {DE}},
    {K(0), E(13), {G(0)}},
    {K(0), E(14), {G(4, 32)}},
    {K(0), E(15), {RC}},

    {K(1, 7), E(0, 6), {}, RingASparkOnHeavy},
    {K(1, 7), E(2, 4), {RA}},
    {K(1), E(14), {G(1, 16)}},
    {K(1), E(15), {SP, SP}},
    {K(7), E(14), {G(7, 16)}},
    {K(7), E(15), {G(8, 7)}},

    {K(2), E(0, 2), {RA}},
    {K(2), E(3, 4), {RD}},
    {K(2), E(13), {G(0)}},
    {K(2), E(14), {G(1, 16)}},
    {K(2), E(15), {G(2)}},
    {K(2), E(16), {G(3)}},

    {K(3, 13), E(0, 1, 5), {RA}},
    {K(3, 13), E(4), {RB}},
    {K(3), E(13), {G(0)}},
    {K(13), E(13, 14, 15, 16, 17, 18), {}, VictimCluster},

    {K(4), E(0), {RA}},
    {K(4), E(5), {RB}},
    {K(4), E(6), {DE}},
    {K(4), E(13), {G(0)}},
    {K(4), E(14), {G(4, 32)}},
    {K(4), E(15), {RC}},

    {K(5), E(0), {RV}},
    {K(5), E(6), {}, Kind5ByMove},
    {K(5), E(13), {G(0)}},

    {K(6), E(0, 1, 6), {}, RingASparkOnHeavy},
    {K(6), E(2, 4), {RA}},
    {K(6), E(14), {}, Kind6ByPowerUp},
    {K(6), E(15), {G(14, 4)}},

    {K(8), E(0, 5, 6), {RV}},
    {K(8), E(4), {RD}},
    {K(8), E(13), {G(5, 48)}},
    {K(8), E(14), {G(6, 48)}},

    {K(9), E(0, 2), {RV}},
    {K(9), E(6), {}, Kind9SparksByMove},
    {K(9), E(13), {G(15, 3)}},

    {K(10), E(0), {}, Kind10Strike},
    {K(10), E(2), {RA}},
    {K(10), E(3), {}, Kind10Jolt},
    {K(10), E(4), {RD}},
    {K(10), E(6), {DE}},
    {K(10), E(13), {G(0)}},
    {K(10), E(15), {G(9, 4)}},
    {K(10), E(16), {G(3)}},
    {K(10), E(17), {}, Kind10Scatter},

    {K(11, 15), E(0, 2, 5, 6), {RV}},
    {K(11, 15), E(4), {RD}},
    {K(11), E(13), {G(11)}},
    {K(15), E(13), {G(21, 16)}},
    {K(11, 15), E(14), {G(10, 3)}},
    {K(11, 15), E(15), {G(12)}},

    {K(12), E(0, 2), {RV}},
    {K(12), E(5, 6), {}, Kind12ByMove},
    {K(12), E(13), {}, Kind12Homing},
    {K(12), E(14), {G(10, 3)}},
    {K(12), E(15), {G(12)}},

    {K(14), E(0), {}, Kind14Strike},
    {K(14), E(2), {RV}},
    {K(14), E(4), {}, Kind14CentreOnly},
    {K(14), E(5), {RB}},
    {K(14), E(6), {}, Kind14Heavy},
    {K(14), E(13), {}, Kind14Big},
    {K(14), E(14), {G(19, 16)}},
    {K(14), E(15), {G(20)}},

    {K(kNeutralKind), E(0, 4, 6), {RA}},
    {K(kNeutralKind), E(2), {RA, SP}},
    {K(kNeutralKind), E(3), {RD}},
    {K(kNeutralKind), E(13), {G(0)}},
    {K(kNeutralKind), E(14), {G(3)}},
};
// clang-format on

// No kind answers an event in two rows.
constexpr bool BurstsApart() {
  for (size_t i = 0; i < std::size(kBursts); ++i) {
    for (size_t j = i + 1; j < std::size(kBursts); ++j) {
      if ((kBursts[i].kinds & kBursts[j].kinds) != 0 &&
          (kBursts[i].events & kBursts[j].events) != 0) {
        return false;
      }
    }
  }
  return true;
}
static_assert(BurstsApart());

}  // namespace

void DispatchHitEffect(BattleObject* a, BattleObject* b, int event) {
  if (a == nullptr || b == nullptr || a->kind >= kMaskedKinds || event < 0 ||
      event >= kMaskedEvents) {
    return;
  }
  const Hit h{a, b};
  const uint64_t kind = uint64_t{1} << a->kind;
  const uint32_t bit = uint32_t{1} << event;
  for (const BurstRow& row : kBursts) {
    if ((row.kinds & kind) == 0 || (row.events & bit) == 0) continue;
    if (row.burst != nullptr) {
      row.burst(h, event);
    } else {
      for (const Piece& piece : row.pieces) Lay(h, piece);
    }
    return;
  }
}

}  // namespace veyrdale
