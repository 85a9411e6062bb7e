// DispatchHitEffect: the burst of a hit, by the kind of the hitting object (a character 0-15 or
// the neutral kind 51) and an event number (a shot's hit class, or a number a behaviour passes).
// Kinds 16-50, kinds above 51 and the events a kind does not list lay nothing.
//
// Short names for the pieces every burst is made of: RA, RB, RC and RD are the ring spawners on
// (a, b); RV is ring A around the victim alone; SP the spark; DE the damage event with the
// victim's freeze; G(q, n) the ring effects q with indices 0 to n-1.
#include <cstdint>

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

  // RA, then the spark for the heavy moves 5 and 6.
  void RASparkOnHeavy() const {
    RA();
    if (Move(5, 6)) SP();
  }

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

void Kind0(const Hit& h, int event) {
  switch (event) {
    case 0:
      h.RA();
      if (h.Move(6)) h.CutIn();
      break;
    case 2:
      h.RA();
      break;
    case 6:
      h.DE();
      break;
    case 13:
      h.G(0);
      break;
    case 14:
      h.G(4, 32);
      break;
    case 15:
      h.RC();
      break;
    default:
      break;
  }
}

// Characters 1 and 7 share all but their events 14 and 15.
void Kind1Or7(const Hit& h, int event, int kind) {
  switch (event) {
    case 0:
    case 6:
      h.RASparkOnHeavy();
      break;
    case 2:
    case 4:
      h.RA();
      break;
    case 14:
      h.G(kind == 1 ? 1 : 7, 16);
      break;
    case 15:
      if (kind == 1) {
        h.SP();
        h.SP();
      } else {
        h.G(8, 7);
      }
      break;
    default:
      break;
  }
}

void Kind2(const Hit& h, int event) {
  switch (event) {
    case 0:
    case 2:
      h.RA();
      break;
    case 3:
    case 4:
      h.RD();
      break;
    case 13:
      h.G(0);
      break;
    case 14:
      h.G(1, 16);
      break;
    case 15:
      h.G(2);
      break;
    case 16:
      h.G(3);
      break;
    default:
      break;
  }
}

// Characters 3 and 13 share all but their events from 13 on.
void Kind3Or13(const Hit& h, int event, int kind) {
  switch (event) {
    case 0:
    case 1:
    case 5:
      h.RA();
      break;
    case 4:
      h.RB();
      break;
    default:
      if (kind == 3 && event == 13) h.G(0);
      // Character 13's events 13-18: ring 17 around the victim, one place each.
      if (kind == 13 && event >= 13 && event <= 18) CreateRingEffect(h.b, 17, event - 13);
      break;
  }
}

void Kind4(const Hit& h, int event) {
  switch (event) {
    case 0:
      h.RA();
      break;
    case 5:
      h.RB();
      break;
    case 6:
      h.DE();
      break;
    case 13:
      h.G(0);
      break;
    case 14:
      h.G(4, 32);
      break;
    case 15:
      h.RC();
      break;
    default:
      break;
  }
}

void Kind5(const Hit& h, int event) {
  switch (event) {
    case 0:
      h.RV();
      break;
    case 6:
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
      break;
    case 13:
      h.G(0);
      break;
    default:
      break;
  }
}

void Kind6(const Hit& h, int event) {
  switch (event) {
    case 0:
    case 1:
    case 6:
      h.RASparkOnHeavy();
      break;
    case 2:
    case 4:
      h.RA();
      break;
    case 14:
      if (PowerUpOf(h.a->owner) > 0) {
        h.G(16, 8);
      } else {
        h.G(13, 4);
      }
      break;
    case 15:
      h.G(14, 4);
      break;
    default:
      break;
  }
}

void Kind8(const Hit& h, int event) {
  switch (event) {
    case 0:
    case 5:
    case 6:
      h.RV();
      break;
    case 4:
      h.RD();
      break;
    case 13:
      h.G(5, 48);
      break;
    case 14:
      h.G(6, 48);
      break;
    default:
      break;
  }
}

void Kind9(const Hit& h, int event) {
  switch (event) {
    case 0:
    case 2:
      h.RV();
      break;
    case 6:
      if (h.Move(3, 6) || h.Move(13)) {
        h.SP();
        h.SP();
      }
      h.RA();
      break;
    case 13:
      h.G(15, 3);
      break;
    default:
      break;
  }
}

void Kind10(const Hit& h, int event) {
  switch (event) {
    case 0:
      if (!h.Move(7)) {
        ScreenShake = 8;
        h.SP();
      }
      h.RA();
      if (h.Move(6)) h.CutIn();
      break;
    case 2:
      h.RA();
      break;
    case 3:
      ScreenShake = 4;
      h.SP();
      h.RA();
      break;
    case 4:
      h.RD();
      break;
    case 6:
      h.DE();
      break;
    case 13:
      h.G(0);
      break;
    case 15:
      h.G(9, 4);
      break;
    case 16:
      h.G(3);
      break;
    case 17:
      Flash(3, 5);
      PlaySoundEntry(kSoundHit);
      SpawnScatterSparks(h.a, h.b);
      break;
    default:
      break;
  }
}

// Characters 11 and 15 share all but their event 13.
void Kind11Or15(const Hit& h, int event, int kind) {
  switch (event) {
    case 0:
    case 2:
    case 5:
    case 6:
      h.RV();
      break;
    case 4:
      h.RD();
      break;
    case 13:
      if (kind == 11) {
        h.G(11);
      } else {
        h.G(21, 16);
      }
      break;
    case 14:
      h.G(10, 3);
      break;
    case 15:
      h.G(12);
      break;
    default:
      break;
  }
}

void Kind12(const Hit& h, int event) {
  switch (event) {
    case 0:
    case 2:
      h.RV();
      break;
    case 5:
    case 6:
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
      break;
    case 13: {
      // One homing effect at every other player in play.
      const int inPlay = PlayersInPlay();
      for (int i = 0; i < inPlay; ++i) {
        if (i != h.b->owner) CreateRingEffect(h.a, 18, i);
      }
      break;
    }
    case 14:
      h.G(10, 3);
      break;
    case 15:
      h.G(12);
      break;
    default:
      break;
  }
}

void Kind14(const Hit& h, int event) {
  switch (event) {
    case 6:
      if (h.Move(6)) {
        h.RC();
      } else {
        Flash(6, 6);
        h.SP();
      }
      [[fallthrough]];
    case 0:
      if (h.Move(10)) SpawnHitSpark(h.b, h.b);
      h.RV();
      break;
    case 2:
      h.RV();
      break;
    case 4:
      // Counted as kind 99 for the call, so that only the centre is laid.
      h.a->kind = kPiecelessKind;
      h.RD();
      h.a->kind = 14;
      break;
    case 5:
      h.RB();
      break;
    case 13:
      SpawnBigHitEffect(h.a, h.b);
      break;
    case 14:
      h.G(19, 16);
      break;
    case 15:
      h.G(20);
      break;
    default:
      break;
  }
}

void Neutral(const Hit& h, int event) {
  switch (event) {
    case 0:
    case 4:
    case 6:
      h.RA();
      break;
    case 2:
      h.RA();
      h.SP();
      break;
    case 3:
      h.RD();
      break;
    case 13:
      h.G(0);
      break;
    case 14:
      h.G(3);
      break;
    default:
      break;
  }
}

}  // namespace

void DispatchHitEffect(BattleObject* a, BattleObject* b, int event) {
  if (a == nullptr || b == nullptr) return;
  const Hit h{a, b};
  switch (a->kind) {
    case 0:
      Kind0(h, event);
      break;
    case 1:
    case 7:
      Kind1Or7(h, event, a->kind);
      break;
    case 2:
      Kind2(h, event);
      break;
    case 3:
    case 13:
      Kind3Or13(h, event, a->kind);
      break;
    case 4:
      Kind4(h, event);
      break;
    case 5:
      Kind5(h, event);
      break;
    case 6:
      Kind6(h, event);
      break;
    case 8:
      Kind8(h, event);
      break;
    case 9:
      Kind9(h, event);
      break;
    case 10:
      Kind10(h, event);
      break;
    case 11:
    case 15:
      Kind11Or15(h, event, a->kind);
      break;
    case 12:
      Kind12(h, event);
      break;
    case 14:
      Kind14(h, event);
      break;
    case kNeutralKind:
      Neutral(h, event);
      break;
    default:
      break;
  }
}

}  // namespace veyrdale
