// Shots hitting players and familiars: who can be hit, score and gauges, the damage modifiers,
// armour, the parry, knock-back, knock-out, neutral shots and the familiars' reactions.
#include <cstdint>
#include <functional>
#include <string>

#include <gtest/gtest.h>

#include "game/battle/battle.h"
#include "game/battle/player_control.h"
#include "game/core/frame_state.h"
#include "game/core/match_setup.h"
#include "game/core/records.h"
#include "tests/game/battle/effects_made.h"
#include "tests/game/battle/items_made.h"
#include "tests/support/battle_state.h"
#include "tests/support/shots_made.h"

namespace {

using namespace veyrdale;
using testsupport::SetUpMatch;

// Characters 0 and 1 at (100, 100) and (300, 200), full life, in the fight.
void Arena(int victimCharacter = 1) {
  SetUpMatch({0, victimCharacter});
  RoundFrame = 400;
  for (int p = 0; p < 2; ++p) {
    g_players[p].life = 350;
    g_players[p].owner = static_cast<int16_t>(p);
  }
  g_players[0].x = 100;
  g_players[0].y = 100;
  g_players[1].x = 300;
  g_players[1].y = 200;
}

// A still shot of the owner's move with the record given, at (x, y); its slot.
int StillShot(int kind, int move, int owner, float x, float y, int damage = 12, int stun = 16,
              int radius = 24, int hitClass = 0) {
  BattleObject source{};
  source.kind = static_cast<uint16_t>(kind);
  source.x = x;
  source.y = y;
  // Character 14's player moves summon rather than shoot: its shots come from a familiar in slot 5.
  if (kind == 14) {
    source.meter = 9999.0f;
    source.stun = 5.0f;
  }
  CreateShot(&source, static_cast<int16_t>(move), owner);
  const int slot = testsupport::LastShotMade(kind) != nullptr
                       ? static_cast<int>(testsupport::LastShotMade(kind) - g_shots)
                       : 0;
  BattleObject& shot = g_shots[slot];
  // Wherever the character's launcher put it: here, still, on the ground, facing right.
  shot.x = x;
  shot.y = y;
  shot.z = 0.0f;
  shot.vz = 0.0f;
  shot.heading = 0;
  shot.speed = 0.0f;
  shot.vx = 0.0f;
  shot.vy = 0.0f;
  ShotDamageRecord& record = g_shotDamage[slot];
  record.damage = static_cast<uint16_t>(damage);
  record.stunDamage = static_cast<uint16_t>(stun);
  record.hitRadius = static_cast<uint16_t>(radius);
  record.hitClass = static_cast<uint16_t>(hitClass);
  return slot;
}

void Update(int slot) {
  UpdateShot(&g_shots[slot], slot);
}

TEST(ShotHit, DamageScoreGaugesAndReactions) {
  struct Case {
    const char* name;
    std::function<void()> setUp;
    int life;
    int score0;
    float gauge0;
    float gauge1;
    int state;
    int stateTimer;
    int dealt;
    int shotState;
  } cases[] = {
      {"twelve damage", [] {}, 338, 100, 0.2f, 1.0f, 10, 16, 12, 0},
      {"armour gives half back, no reaction", [] { g_players[1].guard = -1; }, 344, 100, 0.2f, 1.0f,
       0, 0, 6, 0},
      {"armour at 1 damage gives nothing back",
       [] {
         g_players[1].guard = -1;
         g_shotDamage[0].damage = 1;
       },
       349, 100, 1.0f / 60, 1.0f / 12, 0, 0, 1, 0},
      {"armour that ends the life: hit-stun",
       [] {
         g_players[1].guard = -1;
         g_players[1].life = 5;
       },
       -1, 100, 0.2f, 1.0f, kStateKnockedOut, 0, 6, 0},
      {"hit class 1 used up too", [] { g_shotDamage[0].hitClass = 1; }, 338, 100, 0.2f, 1.0f, 10,
       16, 12, 0},
      {"hit class 7 goes on", [] { g_shotDamage[0].hitClass = 7; }, 338, 100, 0.2f, 1.0f, 10, 16,
       12, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Arena();
    StillShot(0, 7, 0, 300, 200);
    c.setUp();
    Update(0);
    const BattleObject& victim = g_players[1];
    EXPECT_EQ(victim.life, c.life);
    EXPECT_EQ(g_playerState.score[0], c.state == kStateKnockedOut ? 5100 : c.score0);
    EXPECT_EQ(g_playerState.score[1], 50);
    EXPECT_FLOAT_EQ(g_playerState.spellGauge[0], c.gauge0);
    EXPECT_FLOAT_EQ(g_playerState.spellGauge[1], c.gauge1);
    if (c.state != kStateKnockedOut) {
      EXPECT_EQ(victim.state, c.state);
      EXPECT_EQ(victim.stateTimer, c.stateTimer);
    } else {
      EXPECT_EQ(victim.state, kStateHitStun) << "armour cannot stop the last blow";
      EXPECT_EQ(g_playerState.knockOuts[0], 1);
    }
    EXPECT_EQ(g_playerState.damageDealt[0], c.dealt);
    EXPECT_EQ(g_playerState.shotsHit[0], 1);
    EXPECT_EQ(ShotHitFlags[0][1], 1);
    EXPECT_EQ(g_shots[0].state, c.shotState);
    EXPECT_EQ(g_shots[0].stateTimer, 0) << "a hit ends the update without ageing";
  }
}

TEST(ShotHit, DamageModifiersInOrder) {
  struct Case {
    const char* name;
    int victimCharacter;
    std::function<void()> setUp;
    int lifeLost;
    int stunGained;  // -1: not looked at
  } cases[] = {
      {"none", 1, [] {}, 12, 16},
      {"owner out of the round", 1, [] { g_players[0].state = kStateGhost; }, 3, 4},
      {"character 1 powered", 1, [] { g_playerState.powerUp[1] = 50; }, 8, 12},
      {"character 5 powered", 5, [] { g_playerState.powerUp[1] = 50; }, 8, 8},
      {"character 10 powered", 10, [] { g_playerState.powerUp[1] = 50; }, 7, 1},
      {"character 0 in low life", 0, [] { g_playerState.lowLifeMode[1] = 1; }, 7, 11},
      {"character 0 powered", 0, [] { g_playerState.powerUp[1] = 50; }, 15, 16},
      {"character 0 powered in low life", 0,
       [] {
         g_playerState.powerUp[1] = 50;
         g_playerState.lowLifeMode[1] = 1;
       },
       12, 16},
      {"handicap 0", 1, [] { g_match.handicap[1] = 0; }, 16, 17},
      {"handicap 4", 1, [] { g_match.handicap[1] = 4; }, 7, 14},
      {"no damage still costs 1", 1,
       [] {
         g_shotDamage[0].damage = 0;
         g_shotDamage[0].stunDamage = 0;
       },
       1, 1},
      {"floored once, after every factor", 0,
       [] {
         // 1 x 0.3 x 1.3 x 1.25 x 1.4 is below 1; raised at each step it would come to 2.
         g_shotDamage[0].damage = 1;
         g_players[0].state = kStateGhost;
         g_playerState.powerUp[1] = 50;
         g_playerState.slowTimer[1] = 30;
         g_match.handicap[1] = 0;
       },
       1, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Arena(c.victimCharacter);
    StillShot(0, 7, 0, 300, 200);
    c.setUp();
    Update(0);
    EXPECT_EQ(350 - g_players[1].life, c.lifeLost);
    EXPECT_EQ(g_playerState.damageDealt[0], c.lifeLost);
    if (c.stunGained >= 0) {
      EXPECT_FLOAT_EQ(g_players[1].stun, static_cast<float>(c.stunGained));
    }
  }
}

TEST(ShotHit, SlowedVictimTakesMoreAndIsKnockedBack) {
  Arena();
  StillShot(0, 7, 0, 300, 200);
  g_playerState.slowTimer[1] = 30;
  Update(0);
  EXPECT_EQ(g_players[1].life, 335);
  EXPECT_EQ(g_players[1].state, kStateKnockBack) << "stun 51 passes 50";
  EXPECT_EQ(g_players[1].stun, 0.0f);
}

TEST(ShotHit, KnockBackAboveStunFifty) {
  struct Case {
    float stun;
    bool knocked;
  } cases[] = {{34, false}, {35, true}, {40, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stun);
    Arena();
    g_players[1].stun = c.stun;
    StillShot(0, 7, 0, 300, 200);
    Update(0);
    const BattleObject& victim = g_players[1];
    if (!c.knocked) {
      EXPECT_EQ(victim.state, kStateHitStun);
      EXPECT_EQ(testsupport::ItemsInPool(), 0);
      continue;
    }
    EXPECT_EQ(victim.state, kStateKnockBack);
    EXPECT_EQ(victim.stateTimer, 64);
    EXPECT_EQ(victim.vz, -3.0f);
    EXPECT_EQ(victim.stun, 0.0f);
    EXPECT_FLOAT_EQ(g_playerState.spellGauge[1], 26.0f);
    EXPECT_EQ(testsupport::ItemsInPool(), 8) << "eight items";
    EXPECT_EQ(testsupport::SpecialItems(), 0);
    EXPECT_EQ(testsupport::LastItem()->x, 300.0f) << "at the victim";
  }
}

TEST(ShotHit, KnockBackEndsAPowerUpAndMayThrowTheSpecialItem) {
  Arena();
  g_players[1].stun = 40;
  g_players[1].life = 200;
  g_playerState.powerUp[1] = 300;
  g_playerState.itemCount[1] = 201;
  g_itemFlags[127] = 1;
  StillShot(0, 7, 0, 300, 200);
  Update(0);
  EXPECT_EQ(g_playerState.powerUp[1], 0);
  EXPECT_EQ(cardsBroken, 1);
  EXPECT_EQ(g_players[1].attackDelay, 90);
  EXPECT_EQ(g_players[1].meter, 0.0f);
  EXPECT_EQ(FlashFrames, 8);
  EXPECT_EQ(testsupport::ItemsInPool(), 10) << "eight items, then the special one";
  EXPECT_EQ(testsupport::SpecialItems(), 1);
  EXPECT_EQ(g_playerState.specialItemCount[1], 1);
  EXPECT_EQ(testsupport::ItemsClaimedBy(0), 10) << "the owner takes them";
}

TEST(ShotHit, SpellCardBrokenByAHit) {
  Arena();
  g_players[1].state = kStateSpellCard;
  g_playerState.powerUp[1] = 10;
  g_playerState.reverseTimer[1] = 10;
  g_itemFlags[127] = 1;
  StillShot(0, 7, 0, 300, 200);
  Update(0);
  EXPECT_EQ(cardsBroken, 1);
  EXPECT_EQ(g_playerState.powerUp[1], 0);
  EXPECT_EQ(g_playerState.reverseTimer[1], 0);
  EXPECT_EQ(testsupport::ItemsClaimedBy(0), 1) << "the owner takes them";
  EXPECT_EQ(g_players[1].state, kStateHitStun);
  EXPECT_EQ(FlashLength, 16);
}

TEST(ShotHit, KnockOut) {
  struct Case {
    const char* name;
    int kind;
    int move;
    int story;
    int survival;
    int life;    // of the victim after
    int score0;  // of the owner
    int ownerLife;
  } cases[] = {
      {"versus", 0, 7, 0, 0, -2, 5100, 350},
      {"story, move 5", 0, 5, 1, 0, -2, 25100, 350},
      {"story, move 7", 0, 7, 1, 0, -2, 5100, 350},
      {"character 13 move 9 spares 1 life", 13, 9, 0, 0, 1, 100, 350},
      {"character 14 move 6 spares 1 life", 14, 6, 0, 0, 1, 100, 350},
      {"survival: the owner regains life", 0, 7, 0, 1, -2, 5100, 158},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Arena();
    g_match.storyMode = c.story;
    g_match.survivalMode = c.survival;
    g_players[1].life = 10;
    g_players[0].life = c.survival != 0 ? 100 : 350;
    g_itemFlags[127] = 1;
    Update(StillShot(c.kind, c.move, 0, 300, 200));
    EXPECT_EQ(g_players[1].life, c.life);
    EXPECT_EQ(g_playerState.score[0], c.score0);
    EXPECT_EQ(g_players[0].life, c.ownerLife);
    const bool out = c.life <= 0;
    EXPECT_EQ(g_playerState.knockOuts[0], out ? 1 : 0);
    if (out) {
      EXPECT_EQ(g_players[1].vx, 0.0f);
      EXPECT_EQ(g_itemFlags[127], 2) << "the owner takes them";
      EXPECT_EQ(g_items[127].player, 0);
    }
    EXPECT_EQ(testsupport::EffectsWithCode(96), c.survival != 0 ? 1 : 0) << "kind 86 at the owner";
  }
}

TEST(ShotHit, NobodysShotChangesNoTally) {
  Arena();
  const int slot = StillShot(51, 3, kNobody, 100, 100);
  Update(slot);
  EXPECT_EQ(g_players[0].life, 338) << "player 0 is hit";
  for (int p = 0; p < 4; ++p) {
    EXPECT_EQ(g_playerState.damageDealt[p], 0) << p;
    EXPECT_EQ(g_playerState.shotsHit[p], 0) << p;
  }
  EXPECT_EQ(g_playerState.score[0], 50);
  EXPECT_EQ(g_playerState.score[1], 0);
  EXPECT_FLOAT_EQ(g_playerState.spellGauge[0], 1.0f) << "the victim's gain";
  EXPECT_FLOAT_EQ(g_playerState.spellGauge[1], 0.0f) << "no owner gains gauge";
  EXPECT_EQ(ShotHitFlags[slot][0], 1);
}

TEST(ShotHit, WhoCanBeHit) {
  struct Case {
    const char* name;
    std::function<void()> setUp;
    bool hit;
  } cases[] = {
      {"in reach", [] {}, true},
      {"already hit", [] { ShotHitFlags[0][1] = 1; }, false},
      {"guard above 0", [] { g_players[1].guard = 1; }, false},
      {"knocked back", [] { g_players[1].state = kStateKnockBack; }, false},
      {"recovering", [] { g_playerState.recoveryGuard[1] = 1; }, false},
      {"no life", [] { g_players[1].life = 0; }, false},
      {"held by another",
       [] {
         g_playerState.holdTimer[1] = 5;
         g_playerState.holder[1] = 2;
       },
       false},
      {"held by the owner",
       [] {
         g_playerState.holdTimer[1] = 5;
         g_playerState.holder[1] = 0;
       },
       true},
      {"high in the air", [] { g_shots[0].z = -12.0f; }, false},
      {"just below that", [] { g_shots[0].z = -11.9f; }, true},
      {"distance equal to the radius", [] { g_players[1].x = 324; }, false},
      {"one pixel closer", [] { g_players[1].x = 323; }, true},
      {"parry margin reaches further",
       [] {
         g_players[1].state = kStateGuardStance;
         g_players[1].x = 331;
       },
       true},
      {"same team", [] { g_match.teamMode = 1; }, false},
      {"other team",
       [] {
         g_match.teamMode = 1;
         g_match.team[1] = 1;
       },
       true},
      {"any other team mode hits nobody", [] { g_match.teamMode = 2; }, false},
      {"class 2 at age 4",
       [] {
         g_shotDamage[0].hitClass = 2;
         g_shots[0].stateTimer = 4;
       },
       false},
      {"class 2 at age 5",
       [] {
         g_shotDamage[0].hitClass = 2;
         g_shots[0].stateTimer = 5;
       },
       true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Arena();
    StillShot(0, 7, 0, 300, 200);
    c.setUp();
    Update(0);
    const bool hit = g_playerState.score[1] == 50 || g_players[1].meter != 0.0f;  // or parried
    EXPECT_EQ(hit, c.hit);
    EXPECT_EQ(g_players[0].life, 350) << "never its own side";
  }
}

TEST(ShotHit, ClassThreeAndFourMarkTheVictim) {
  struct Case {
    int state;
    int stateTimer;
    bool effect;
  } cases[] = {{0, 20, true}, {10, 14, true}, {10, 15, false}, {9, 30, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.state) + " " + std::to_string(c.stateTimer));
    Arena();
    // Character 2's class-3 burst is ring D: eight pieces and a centre of code 4.
    StillShot(2, 7, 0, 300, 200, 12, 16, 24, 3);
    g_players[1].state = c.state;
    g_players[1].stateTimer = c.stateTimer;
    Update(0);
    EXPECT_EQ(g_players[1].guard, 2);
    EXPECT_EQ(testsupport::EffectsWithCode(4), c.effect ? 1 : 0);
    EXPECT_EQ(testsupport::EffectsWithCode(5), c.effect ? 8 : 0);
  }
}

TEST(ShotHit, Parry) {
  struct Case {
    const char* name;
    int victimCharacter;
    int state;
    int stateTimer;
    int stateAfter;
    int timerAfter;
    bool answered;
  } cases[] = {
      {"dash start", 1, kStateDashSpin, 5, kStateGuardStance, 22, false},
      {"guard stance", 1, kStateGuardStance, 30, kStateGuardStance, 30, false},
      {"character 10 answers", 10, kStateDashSpin, 9, kStateGuardStance, 12, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Arena(c.victimCharacter);
    g_match.storyMode = 1;
    g_players[1].state = c.state;
    g_players[1].stateTimer = c.stateTimer;
    g_players[1].meter = 100;
    StillShot(0, 7, 0, 300, 200);
    Update(0);
    EXPECT_EQ(g_players[1].life, 350);
    EXPECT_EQ(g_players[1].state, c.stateAfter);
    EXPECT_EQ(g_players[1].stateTimer, c.timerAfter);
    EXPECT_EQ(g_players[1].meter, 116.0f);
    EXPECT_EQ(g_shots[0].state, 0);
    EXPECT_EQ(testsupport::EffectsWithCode(6), 1) << "the spark";
    EXPECT_EQ(g_playerState.score[0], 500) << "the story's parry bonus goes to player 0";
    EXPECT_EQ(testsupport::ShotsMade(10), c.answered ? 1 : 0);
    if (c.answered) {
      const BattleObject* answer = testsupport::LastShotMade(10);
      EXPECT_EQ(answer->owner, 1);
      EXPECT_EQ(answer->move, 10);
    }
  }
  // A dash past its first frames is hit.
  Arena();
  g_players[1].state = kStateDashSpin;
  g_players[1].stateTimer = 10;
  StillShot(0, 7, 0, 300, 200);
  Update(0);
  EXPECT_EQ(g_players[1].life, 338);
  // Nobody's move 2 cannot be parried.
  Arena();
  g_players[0].state = kStateGuardStance;
  const int slot = StillShot(51, 2, kNobody, 100, 100);
  Update(slot);
  EXPECT_EQ(g_players[0].life, 338);
}

TEST(ShotHit, Familiars) {
  struct Case {
    const char* name;
    int kind;
    int owner;
    float distance;
    int life;  // of the familiar before
    bool hit;
    int stateAfter;
  } cases[] = {
      {"summoned, breaks above 96", 8, 0, 0, 90, true, 9},
      {"summoned, takes damage", 8, 0, 0, 10, true, 1},
      {"summoned reach is 4 shorter", 8, 0, 21, 10, false, 1},
      {"arena object full reach", 0, 0, 21, 0, true, 3},
      {"nobody's shot spares arena objects", 0, kNobody, 0, 0, false, 1},
      {"nobody's shot hits the summoned", 8, kNobody, 0, 0, true, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Arena();
    BattleObject& familiar = g_familiars[6];
    familiar.state = 1;
    familiar.kind = static_cast<uint16_t>(c.kind);
    familiar.x = 400 + c.distance;
    familiar.y = 400;
    familiar.life = c.life;
    const int slot = StillShot(c.owner == kNobody ? 51 : 0, 7, c.owner, 400, 400);
    Update(slot);
    EXPECT_EQ(familiar.state, c.stateAfter);
    EXPECT_EQ(g_shots[slot].state, c.hit ? 0 : 1);
    if (c.hit && c.kind == 8) {
      EXPECT_EQ(familiar.life, c.life + 12);
    }
    if (c.hit && c.stateAfter == 9) {
      EXPECT_EQ(familiar.stateTimer, -12);
    }
  }
}

}  // namespace
