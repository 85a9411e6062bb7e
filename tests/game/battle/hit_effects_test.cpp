// Hit effects: the ring spawners' slot accounting, the single spawners on worked values, the
// dispatch table against the effects each entry lays, the cut-in, and a fuzz loop over kinds,
// events and wild records.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "game/battle/battle.h"
#include "game/battle/directions.h"
#include "game/battle/hit_effects.h"
#include "game/core/data_files.h"
#include "game/core/frame_state.h"
#include "game/core/match_setup.h"
#include "game/core/records.h"
#include "morrow/system/time.h"
#include "tests/game/battle/effects_made.h"
#include "tests/support/battle_state.h"
#include "tests/support/shots_made.h"

namespace {

using namespace veyrdale;
using testsupport::EffectsWithCode;
using testsupport::LiveEffects;
using testsupport::SetUpMatch;

int R(int max) {
  return morrow::GetRandomNumber(max);
}

float F32(int v) {
  return static_cast<float>(v);
}

// A battle of two players: player 0 (character `attacker`) at (100, 100), player 1 at (300, 200).
void Battle(int attacker = 0, int players = 2) {
  std::vector<int> characters(static_cast<size_t>(players), 1);
  characters[0] = attacker;
  SetUpMatch(characters);
  for (int p = 0; p < 4; ++p) {
    g_players[p].owner = static_cast<int16_t>(p);
    g_players[p].x = 100.0f + 200.0f * static_cast<float>(p);
    g_players[p].y = 100.0f + 100.0f * static_cast<float>(p);
  }
}

// A live shot in slot 3 of player 0.
BattleObject& Shot(int kind, int move = 0) {
  BattleObject& shot = g_shots[3];
  shot = BattleObject{};
  shot.kind = static_cast<uint16_t>(kind);
  shot.state = 1;
  shot.owner = kind == 51 ? kNobody : 0;
  shot.move = move;
  shot.stun = 3.0f;
  shot.x = 120.0f;
  shot.y = 140.0f;
  shot.z = -4.0f;
  return shot;
}

// ---- Ring spawners ---------------------------------------------------------------------------

using Spawner = void (*)(BattleObject*, BattleObject*);

struct Ring {
  const char* name;
  Spawner spawn;
  int pieceCode, pieceTimer;
  float speedBase, speedStep;  // step 0: a fixed speed, nothing drawn
  int height;                  // 0 none, 1 a.z, 2 b.z
  bool centreDrawn;
  int centreCode, centreTimer;
};

const Ring kRings[] = {
    {"A", SpawnHitRingA, 2, 12, 6.0f, 0.0f, 1, false, 3, 25},
    {"B", SpawnHitRingB, 5, 16, 0.5f, 0.21875f, 2, true, 7, 16},
    {"C", SpawnHitRingC, 32, 24, 0.5f, 0.21875f, 0, true, 8, 24},
    {"D", SpawnHitRingD, 5, 16, 0.5f, 0.15625f, 0, true, 4, 16},
};

// Every flag byte set, and the given slots in use.
void MarkPool(std::initializer_list<int> used) {
  for (EffectRecord& e : g_effects) e.flag = 1;
  for (int slot : used) g_effectInUse[slot] = 1;
}

TEST(HitRing, PiecesThenTheCentreInTheNinthFreeSlot) {
  for (const Ring& ring : kRings) {
    SCOPED_TRACE(ring.name);
    Battle(3);
    BattleObject& a = Shot(3);
    BattleObject& b = g_players[1];
    b.z = -10.0f;
    MarkPool({2, 5});
    morrow::SeedRandom(11);
    ring.spawn(&a, &b);

    const float mx = (120.0f + 300.0f) / 2.0f;
    const float my = (140.0f + 200.0f) / 2.0f + (ring.height == 1 ? -4.0f : 0.0f) +
                     (ring.height == 2 ? -10.0f : 0.0f);
    const int pieceSlots[] = {0, 1, 3, 4, 6, 7, 8, 9};
    morrow::SeedRandom(11);
    for (int k = 0; k < 8; ++k) {
      SCOPED_TRACE(k);
      const EffectRecord& e = g_effects[pieceSlots[k]];
      const int h = 32 * k + R(31);
      const float s =
          ring.speedStep == 0.0f ? ring.speedBase : ring.speedBase + ring.speedStep * F32(R(32));
      EXPECT_EQ(g_effectInUse[pieceSlots[k]], 1);
      EXPECT_EQ(e.flag, 0);
      EXPECT_EQ(e.code, ring.pieceCode);
      EXPECT_EQ(e.timer, ring.pieceTimer);
      EXPECT_EQ(e.heading, h);
      EXPECT_EQ(e.vx, CosOf(h) * s / 256.0f);
      EXPECT_EQ(e.vy, NegSinOf(h) * s / 256.0f);
      EXPECT_EQ(e.x, mx + e.vx);
      EXPECT_EQ(e.y, my + e.vy);
    }
    const EffectRecord& centre = g_effects[10];
    EXPECT_EQ(g_effectInUse[10], 1);
    EXPECT_EQ(centre.code, ring.centreCode);
    EXPECT_EQ(centre.timer, ring.centreTimer);
    EXPECT_EQ(centre.heading, ring.centreDrawn ? R(255) : 0) << "drawn after the pieces";
    EXPECT_EQ(centre.x, mx);
    EXPECT_EQ(centre.y, my);
    EXPECT_EQ(centre.vx, 0.0f);
    EXPECT_EQ(centre.vy, 0.0f);
    EXPECT_EQ(g_effectInUse[11], 0);
    EXPECT_EQ(g_effects[11].flag, 1) << "the pass ends at the centre";
    EXPECT_EQ(g_effects[2].flag, 1) << "slots in use keep their flag";
  }
}

TEST(HitRing, AtEffectLevelOneOnlyTheCentre) {
  for (const Ring& ring : kRings) {
    SCOPED_TRACE(ring.name);
    Battle(3);
    BattleObject& a = Shot(3);
    g_options.effectLevel = 1;
    MarkPool({4});
    morrow::SeedRandom(2);
    ring.spawn(&a, &g_players[1]);
    EXPECT_EQ(LiveEffects(), 2);
    EXPECT_EQ(g_effectInUse[9], 1) << "the ninth free slot";
    EXPECT_EQ(g_effects[9].code, ring.centreCode);
    for (int slot = 0; slot < 9; ++slot) {
      if (slot == 4) continue;
      EXPECT_EQ(g_effectInUse[slot], 0) << slot;
      EXPECT_EQ(g_effects[slot].flag, 0) << slot << ": met and cleared";
    }
    EXPECT_EQ(g_effects[4].flag, 1);
    morrow::SeedRandom(2);
    EXPECT_EQ(g_effects[9].heading, ring.centreDrawn ? R(255) : 0) << "no piece drew a number";
  }
}

TEST(HitRing, NoCentreWhenThePoolEndsFirst) {
  for (const Ring& ring : kRings) {
    for (int level : {0, 1}) {
      SCOPED_TRACE(std::string(ring.name) + " level " + std::to_string(level));
      Battle(3);
      BattleObject& a = Shot(3);
      g_options.effectLevel = level;
      for (uint16_t& flag : g_effectInUse) flag = 1;
      for (int slot : {0, 100, 500, 1019, 1020, 1021, 1022, 1023}) g_effectInUse[slot] = 0;
      ring.spawn(&a, &g_players[1]);
      EXPECT_EQ(LiveEffects(), 1016 + (level == 0 ? 8 : 0));
      EXPECT_EQ(EffectsWithCode(ring.centreCode), 0);
      if (level == 0) {
        EXPECT_EQ(g_effects[1023].code, ring.pieceCode);
      }
    }
  }
}

TEST(HitRing, RingDCentreByTheOwnersCharacter) {
  struct Case {
    int character;  // of player 0
    int owner;
    int code;
  } cases[] = {{8, 0, 28}, {14, 0, 28}, {3, 0, 4}, {14, 4, 4}, {14, 9, 4}, {14, -2, 4}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.character) + " owner " + std::to_string(c.owner));
    Battle(c.character);
    BattleObject& a = Shot(3);
    a.owner = static_cast<int16_t>(c.owner);
    SpawnHitRingD(&a, &a);
    EXPECT_EQ(g_effects[8].code, c.code);
  }
}

TEST(HitRing, RingDOfACharacter14ShotLaysOnlyItsCentre) {
  Battle(14);
  BattleObject& a = Shot(14);
  a.x = 50.0f;
  a.y = 60.0f;
  DispatchHitEffect(&a, &a, 4);
  EXPECT_EQ(a.kind, 14) << "its kind back";
  EXPECT_EQ(LiveEffects(), 1);
  EXPECT_EQ(g_effectInUse[8], 1);
  EXPECT_EQ(g_effects[8].code, 28);
  EXPECT_EQ(g_effects[8].x, 50.0f);
  EXPECT_EQ(g_effects[8].y, 60.0f);
}

// ---- The other spawners ----------------------------------------------------------------------

TEST(HitSpark, OneSparkAtTheMidpointRaisedByA) {
  for (int level : {0, 1}) {
    SCOPED_TRACE(level);
    Battle();
    BattleObject& a = Shot(0);
    g_options.effectLevel = level;
    MarkPool({0});
    morrow::SeedRandom(4);
    SpawnHitSpark(&a, &g_players[1]);
    EXPECT_EQ(g_effects[1].flag, level == 0 ? 0 : 1) << "at level 1 not even a slot is taken";
    EXPECT_EQ(LiveEffects(), level == 0 ? 2 : 1);
    if (level == 1) continue;
    const EffectRecord& e = g_effects[1];
    morrow::SeedRandom(4);
    EXPECT_EQ(e.heading, R(255));
    EXPECT_EQ(e.code, 6);
    EXPECT_EQ(e.timer, 12);
    EXPECT_EQ(e.x, 210.0f);
    EXPECT_EQ(e.y, 170.0f - 4.0f);
    EXPECT_EQ(e.vx, 0.0f);
  }
}

TEST(ScatterSparks, TenRecordsWithTimerZeroAroundADrawnPoint) {
  for (int level : {0, 1}) {
    SCOPED_TRACE(level);
    Battle(10);
    BattleObject& a = Shot(10);
    g_options.effectLevel = level;
    // Records 2 and 7 are busy; one has a negative timer, which is no free record either.
    g_secondEffects[2].timer = 5;
    g_secondEffects[7].timer = -1;
    morrow::SeedRandom(9);
    SpawnScatterSparks(&a, &g_players[1]);
    morrow::SeedRandom(9);
    const float qx = 210.0f + static_cast<float>(R(320) - 160);
    const float qy = 170.0f + static_cast<float>(R(320) - 160);
    const int freeRecords[] = {0, 1, 3, 4, 5, 6, 8, 9, 10, 11};
    for (int i = 0; i < 8; ++i) {
      SCOPED_TRACE(i);
      const EffectRecord& e = g_secondEffects[freeRecords[i]];
      if (level == 1) {
        EXPECT_EQ(e.timer, 0) << "skipped but counted";
        continue;
      }
      const int h = 32 * i + R(31);
      EXPECT_EQ(e.code, 0);
      EXPECT_EQ(e.timer, 12);
      EXPECT_EQ(e.heading, h);
      EXPECT_EQ(e.vx, CosOf(h) * 6.0f / 256.0f);
      EXPECT_EQ(e.x, qx + e.vx);
      EXPECT_EQ(e.y, qy + e.vy);
    }
    const EffectRecord& centre = g_secondEffects[10];
    EXPECT_EQ(centre.code, 1);
    EXPECT_EQ(centre.timer, 25);
    EXPECT_EQ(centre.x, qx);
    EXPECT_EQ(centre.y, qy);
    const EffectRecord& last = g_secondEffects[11];
    EXPECT_EQ(last.code, 2);
    EXPECT_EQ(last.timer, 12);
    EXPECT_EQ(last.heading, R(255));
    EXPECT_EQ(g_secondEffects[12].timer, 0) << "the tenth ends it";
    EXPECT_EQ(g_secondEffects[2].timer, 5);
    EXPECT_EQ(g_secondEffects[7].timer, -1);
    EXPECT_EQ(LiveEffects(), 0) << "the first pool is not touched";
  }
}

TEST(BigHit, ABeamToTheVictimOr900PixelsAhead) {
  struct Case {
    const char* name;
    bool same;   // b is a
    bool copy;   // b is a copy of a
    float stun;  // of the victim
    float z;
    int heading;
  } cases[] = {
      // Heading 0: straight to the right.
      {"the same record", true, false, 0.0f, 1020.0f, 140},
      {"a copy with its stun and position", false, true, 0.0f, 1020.0f, 140},
      {"a player whose stun truncates to the shot's slot", false, false, 3.6f, 300.0f, 194},
      {"a player", false, false, 0.0f, 300.0f, 194},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Battle(14);
    BattleObject& a = Shot(14);
    a.heading = 0;
    BattleObject copy = a;
    BattleObject& victim = g_players[1];
    victim.stun = c.stun;
    victim.heading = 0;
    BattleObject* b = c.same ? &a : c.copy ? &copy : &victim;
    SpawnBigHitEffect(&a, b);
    const EffectRecord& e = g_effects[0];
    EXPECT_EQ(e.code, 120);
    EXPECT_EQ(e.timer, 64);
    EXPECT_EQ(e.x, 120.0f);
    EXPECT_EQ(e.y, 134.0f);
    EXPECT_EQ(e.z, c.z);
    EXPECT_EQ(e.heading, c.heading);
  }
  // Equal stun but another place: the victim's own point.
  Battle(14);
  BattleObject& a = Shot(14);
  BattleObject other = a;
  other.x += 1.0f;
  SpawnBigHitEffect(&a, &other);
  EXPECT_EQ(g_effects[0].z, 121.0f);
}

TEST(DamageEvent, MadeWithTheShotSlotsDamageAndTheVictimsHandicap) {
  // Damage 10 over handicaps 4 to 0.
  for (int handicap = 0; handicap <= 4; ++handicap) {
    Battle();
    BattleObject& a = Shot(0);
    g_shotDamage[3].damage = 10;
    g_match.handicap[1] = handicap;
    SpawnDamageEffect(&a, &g_players[1], 2);
    const EffectRecord& e = g_effects[0];
    EXPECT_EQ(e.aux, static_cast<float>(12 - handicap)) << handicap;
    EXPECT_EQ(e.code, 9002);
    EXPECT_EQ(e.timer, 9000);
    EXPECT_EQ(e.heading, 1);
    EXPECT_EQ(e.player, 0);
    EXPECT_EQ(e.x, 210.0f);
    EXPECT_EQ(e.y, 170.0f);
  }
  struct Case {
    const char* name;
    int slot;         // of a; -1 a record of the caller's own
    float stun;       // of a
    int victimOwner;  // of b
    float aux;
  } cases[] = {
      {"the slot is the record's, not its stun", 5, 3.0f, 1, 48.0f},
      {"a record outside the shot pool does no damage", -1, 3.0f, 1, 0.0f},
      {"a victim that is nobody counts as handicap 2", 3, 3.0f, 4, 10.0f},
      {"an owner out of range too", 3, 3.0f, 77, 10.0f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Battle();
    for (int32_t& handicap : g_match.handicap) handicap = 0;
    g_shotDamage[3].damage = 10;
    g_shotDamage[5].damage = 40;
    BattleObject local = Shot(0);
    BattleObject* a = c.slot < 0 ? &local : &g_shots[c.slot];
    *a = local;
    a->stun = c.stun;
    BattleObject victim = g_players[1];
    victim.owner = static_cast<int16_t>(c.victimOwner);
    SpawnDamageEffect(a, &victim, 1);
    EXPECT_EQ(g_effects[0].aux, c.aux);
    EXPECT_EQ(g_effects[0].heading, c.victimOwner);
  }
}

// ---- Dispatch --------------------------------------------------------------------------------

// The effects a burst lays, by code. Tokens: RA/RV (ring A), RB, RC, RD, RD28 (ring D of an owner
// playing 8 or 14), RD0 (ring D's centre only), SP, BIG (the beam), DE/D2 (damage events 1 and 2),
// Gq or GqxN (ring effect q, N of them), Ek (CreateEffect kind k), CUT (the cut-in's three
// effects).
std::map<int, int> Expected(const std::string& burst) {
  static const int kRingCodes[22] = {31, 32, 33, 35, 38, 49, 50,  30,  60,  61,  67,
                                     69, 70, 73, 76, 91, 73, 107, 116, 121, 123, 124};
  static const std::map<int, int> kEffectCodes = {{2, 2}, {12, 14}, {13, 15}, {74, 83}};
  static const std::map<std::string, std::map<int, int>> kFixed = {
      {"RA", {{2, 8}, {3, 1}}},
      {"RV", {{2, 8}, {3, 1}}},
      {"RB", {{5, 8}, {7, 1}}},
      {"RC", {{32, 8}, {8, 1}}},
      {"RD", {{5, 8}, {4, 1}}},
      {"RD28", {{5, 8}, {28, 1}}},
      {"RD0", {{28, 1}}},
      {"BIG", {{120, 1}}},
      {"SP", {{6, 1}}},
      {"DE", {{9001, 1}}},
      {"D2", {{9002, 1}}},
      {"CUT", {{2, 3}}},
      // Character 0's move-7 volley, launched by the cut-in, lays effect 7 twice at its source.
      {"V07", {{10, 2}}},
      // Character 10's lays it once.
      {"V107", {{10, 1}}},
  };
  std::map<int, int> counts;
  std::istringstream words(burst);
  std::string w;
  while (words >> w) {
    if (kFixed.count(w) != 0) {
      for (const auto& [code, n] : kFixed.at(w)) counts[code] += n;
    } else if (w[0] == 'G') {
      const size_t x = w.find('x');
      const int q = std::stoi(w.substr(1, x - 1));
      counts[kRingCodes[q]] += x == std::string::npos ? 1 : std::stoi(w.substr(x + 1));
    } else if (w[0] == 'E') {
      counts[kEffectCodes.at(std::stoi(w.substr(1)))] += 1;
    } else {
      ADD_FAILURE() << "unknown token " << w;
    }
  }
  return counts;
}

std::map<int, int> LaidCounts() {
  std::map<int, int> counts;
  for (int slot = 0; slot < kEffectCount; ++slot) {
    if (g_effectInUse[slot] == 1) ++counts[g_effects[slot].code];
  }
  return counts;
}

struct DispatchCase {
  int kind;
  int event;
  int move;
  const char* burst;
};

// Every listed (kind, event), with each move branch; a shot of player 0 (playing the same
// character) hits player 1.
const DispatchCase kDispatch[] = {
    {0, 0, 0, "RA"},        {0, 0, 6, "RA CUT V07"}, {0, 2, 0, "RA"},
    {0, 6, 0, "DE"},        {0, 13, 0, "G0"},        {0, 14, 0, "G4x32"},
    {0, 15, 0, "RC"},       {1, 0, 0, "RA"},         {1, 0, 5, "RA SP"},
    {1, 6, 6, "RA SP"},     {1, 2, 0, "RA"},         {1, 4, 0, "RA"},
    {1, 14, 0, "G1x16"},    {1, 15, 0, "SP SP"},     {2, 0, 0, "RA"},
    {2, 2, 0, "RA"},        {2, 3, 0, "RD"},         {2, 4, 0, "RD"},
    {2, 13, 0, "G0"},       {2, 14, 0, "G1x16"},     {2, 15, 0, "G2"},
    {2, 16, 0, "G3"},       {3, 0, 0, "RA"},         {3, 1, 0, "RA"},
    {3, 5, 0, "RA"},        {3, 4, 0, "RB"},         {3, 13, 0, "G0"},
    {4, 0, 0, "RA"},        {4, 5, 0, "RB"},         {4, 6, 0, "DE"},
    {4, 13, 0, "G0"},       {4, 14, 0, "G4x32"},     {4, 15, 0, "RC"},
    {5, 0, 0, "RV"},        {5, 6, 4, "E13 RA"},     {5, 6, 8, "E13 RA"},
    {5, 6, 5, "RA RA"},     {5, 6, 6, "D2 RA"},      {5, 6, 1, "E12 RA"},
    {5, 13, 0, "G0"},       {6, 0, 0, "RA"},         {6, 1, 5, "RA SP"},
    {6, 6, 6, "RA SP"},     {6, 2, 0, "RA"},         {6, 4, 0, "RA"},
    {6, 14, 0, "G13x4"},    {6, 15, 0, "G14x4"},     {7, 0, 6, "RA SP"},
    {7, 6, 0, "RA"},        {7, 2, 0, "RA"},         {7, 4, 0, "RA"},
    {7, 14, 0, "G7x16"},    {7, 15, 0, "G8x7"},      {8, 0, 0, "RV"},
    {8, 5, 0, "RV"},        {8, 6, 0, "RV"},         {8, 4, 0, "RD28"},
    {8, 13, 0, "G5x48"},    {8, 14, 0, "G6x48"},     {9, 0, 0, "RV"},
    {9, 2, 0, "RV"},        {9, 6, 3, "SP SP RA"},   {9, 6, 6, "SP SP RA"},
    {9, 6, 13, "SP SP RA"}, {9, 6, 5, "RA"},         {9, 13, 0, "G15x3"},
    {10, 0, 0, "SP RA"},    {10, 0, 7, "RA"},        {10, 0, 6, "SP RA CUT V107"},
    {10, 2, 0, "RA"},       {10, 3, 0, "SP RA"},     {10, 4, 0, "RD"},
    {10, 6, 0, "DE"},       {10, 13, 0, "G0"},       {10, 15, 0, "G9x4"},
    {10, 16, 0, "G3"},      {10, 17, 0, ""},  // the scatter goes to the second pool
    {11, 0, 0, "RV"},       {11, 2, 0, "RV"},        {11, 5, 0, "RV"},
    {11, 6, 0, "RV"},       {11, 4, 0, "RD"},        {11, 13, 0, "G11"},
    {11, 14, 0, "G10x3"},   {11, 15, 0, "G12"},      {12, 0, 0, "RV"},
    {12, 2, 0, "RV"},       {12, 5, 5, "RV E74"},    {12, 6, 6, "RC E2 E2"},
    {12, 5, 1, "RV"},       {12, 6, 3, "RV"},        {12, 6, 0, "RB"},
    {12, 13, 0, "G18"},     {12, 14, 0, "G10x3"},    {12, 15, 0, "G12"},
    {13, 0, 0, "RA"},       {13, 1, 0, "RA"},        {13, 5, 0, "RA"},
    {13, 4, 0, "RB"},       {13, 13, 0, "G17"},      {13, 18, 0, "G17"},
    {14, 0, 0, "RV"},       {14, 0, 10, "SP RV"},    {14, 2, 0, "RV"},
    {14, 4, 0, "RD0"},      {14, 5, 0, "RB"},        {14, 13, 0, "BIG"},
    {14, 6, 6, "RC RV"},    {14, 6, 0, "SP RV"},     {14, 6, 10, "SP SP RV"},
    {14, 14, 0, "G19x16"},  {14, 15, 0, "G20"},      {15, 0, 0, "RV"},
    {15, 2, 0, "RV"},       {15, 5, 0, "RV"},        {15, 6, 0, "RV"},
    {15, 4, 0, "RD"},       {15, 13, 0, "G21x16"},   {15, 14, 0, "G10x3"},
    {15, 15, 0, "G12"},     {51, 0, 0, "RA"},        {51, 6, 0, "RA"},
    {51, 2, 0, "RA SP"},    {51, 3, 0, "RD"},        {51, 4, 0, "RA"},
    {51, 13, 0, "G0"},      {51, 14, 0, "G3"},
};

void Dispatch(int kind, int event, int move) {
  Battle(kind == 51 ? 0 : kind);
  BattleObject& a = Shot(kind, move);
  g_shotDamage[3].damage = 10;
  DispatchHitEffect(&a, &g_players[1], event);
}

TEST(DispatchHitEffect, EveryListedEventLaysItsBurst) {
  for (const DispatchCase& c : kDispatch) {
    SCOPED_TRACE("kind " + std::to_string(c.kind) + " event " + std::to_string(c.event) + " move " +
                 std::to_string(c.move));
    Dispatch(c.kind, c.event, c.move);
    EXPECT_EQ(LaidCounts(), Expected(c.burst));
    EXPECT_EQ(g_shots[3].kind, c.kind);
  }
}

TEST(DispatchHitEffect, EveryOtherEventAndKindLaysNothing) {
  std::map<int, std::vector<int>> listed;
  for (const DispatchCase& c : kDispatch) listed[c.kind].push_back(c.event);
  for (int kind = 0; kind <= 60; ++kind) {
    for (int event = -1; event <= 20; ++event) {
      const std::vector<int>& events = listed[kind];
      if (std::find(events.begin(), events.end(), event) != events.end()) continue;
      if (kind == 13 && event >= 13 && event <= 18) continue;
      SCOPED_TRACE("kind " + std::to_string(kind) + " event " + std::to_string(event));
      Dispatch(kind, event, 6);
      EXPECT_EQ(LiveEffects(), 0);
      EXPECT_EQ(g_secondEffects[0].timer, 0);
      EXPECT_EQ(FreezeFrames, 0);
      // Only the hitting shot, itself a shot CreateShot could have made (of a kind some launcher
      // knows).
      EXPECT_EQ(testsupport::AllShotsMade(), kind <= 15 || kind == 51 ? 1 : 0);
    }
  }
}

TEST(DispatchHitEffect, BurstsAroundTheVictimAndTheDamageEventsFreeze) {
  // RV: the ring around the victim alone, raised by its height.
  Dispatch(8, 0, 0);
  EXPECT_EQ(g_effects[8].x, 300.0f);
  EXPECT_EQ(g_effects[8].y, 200.0f);
  Dispatch(3, 0, 0);
  EXPECT_EQ(g_effects[8].x, 210.0f);
  EXPECT_EQ(g_effects[8].y, 170.0f - 4.0f) << "RA: the midpoint raised by the shot's height";
  // DE holds the victim; the second damage event of character 5 does not.
  Dispatch(0, 6, 0);
  EXPECT_EQ(g_playerState.freezeTimer[1], 100);
  EXPECT_EQ(g_effects[0].aux, 10.0f);
  Dispatch(5, 6, 6);
  EXPECT_EQ(g_playerState.freezeTimer[1], 0);
  // A victim that is nobody is held by nothing.
  Battle();
  BattleObject& a = Shot(0);
  a.owner = kNobody;
  DispatchHitEffect(&a, &a, 6);
  EXPECT_EQ(EffectsWithCode(9001), 1);
  for (int p = 0; p < 4; ++p) EXPECT_EQ(g_playerState.freezeTimer[p], 0);
  // Character 6's event 14 while its owner is powered up.
  Battle(6);
  BattleObject& powered = Shot(6);
  g_playerState.powerUp[0] = 1;
  DispatchHitEffect(&powered, &g_players[1], 14);
  EXPECT_EQ(LaidCounts(), Expected("G16x8"));
  // Character 13's events 13-18 place ring 17 by the victim, index event - 13.
  Battle(13);
  BattleObject& thirteen = Shot(13);
  DispatchHitEffect(&thirteen, &g_players[1], 16);
  EXPECT_EQ(g_effects[0].heading, 1) << "the victim's owner";
  EXPECT_EQ(g_effects[0].aux, 8.0f);
}

TEST(DispatchHitEffect, Kind12Event13AimsAtEveryOtherPlayerInPlay) {
  for (int players : {2, 3, 4}) {
    for (int victim = 0; victim < players; ++victim) {
      SCOPED_TRACE(std::to_string(players) + " players, victim " + std::to_string(victim));
      Battle(12, players);
      BattleObject& a = Shot(12);
      DispatchHitEffect(&a, &g_players[victim], 13);
      EXPECT_EQ(EffectsWithCode(116), players - 1);
      int slot = 0;
      for (int p = 0; p < players; ++p) {
        if (p == victim) continue;
        EXPECT_EQ(g_effects[slot++].player, p);
      }
    }
  }
}

TEST(DispatchHitEffect, TheCutInOfMove6) {
  for (int kind : {0, 10}) {
    SCOPED_TRACE(kind);
    Battle(kind);
    BattleObject& a = Shot(kind, 6);
    a.owner = 2;
    BattleObject& victim = g_players[1];
    DispatchHitEffect(&a, &victim, 0);
    EXPECT_EQ(FreezeFrames, 280);
    EXPECT_EQ(CutInFrames, 280);
    EXPECT_EQ(CutInAttacker, 2);
    EXPECT_EQ(CutInVictim, 1);
    EXPECT_EQ(FlashFrames, 6);
    EXPECT_EQ(FlashLength, 6);
    EXPECT_EQ(ScreenShake, 20);
    // Both launch a sixteen-shot volley beside the hitting shot in slot 3.
    EXPECT_EQ(testsupport::ShotsMade(kind), 17);
    const BattleObject* shot = testsupport::LastShotMade(kind);
    ASSERT_NE(shot, nullptr);
    EXPECT_EQ(shot->move, 7);
    EXPECT_EQ(shot->owner, 2);
    // The three effects of kind 2 come after the ring and the volley's launch effects (and
    // character 10's spark).
    const int first = 11;
    for (int i = 0; i < 3; ++i) {
      EXPECT_EQ(g_effects[first + i].code, 2);
      EXPECT_EQ(g_effects[first + i].x, 120.0f);
    }
  }
}

TEST(DispatchHitEffect, Kind10Event17FlashesAndScattersSparks) {
  Dispatch(10, 17, 0);
  EXPECT_EQ(FlashFrames, 3);
  EXPECT_EQ(FlashLength, 5);
  int laid = 0;
  for (const EffectRecord& e : g_secondEffects) laid += e.timer != 0 ? 1 : 0;
  EXPECT_EQ(laid, 10);
}

// Any kind and event with wild records, owners and full pools: under the sanitizers of the ci
// build any write outside a pool or undefined conversion ends the test.
TEST(DispatchHitEffect, WildKindsEventsAndRecordsStayInsideThePools) {
  const float reals[] = {std::nanf(""), -INFINITY, -1e30f, -3e9f, -600.0f, 0.0f,
                         3.5f,          511.7f,    3e9f,   1e30f, INFINITY};
  const int32_t ints[] = {INT32_MIN, -300, -1, 0, 1, 3, 6, 10, 255, 256, INT32_MAX};
  std::mt19937 rng(38);
  auto pick = [&rng](int n) { return static_cast<int>(rng() % static_cast<uint32_t>(n)); };
  for (int kind = -1; kind <= 60; ++kind) {
    for (int event = -1; event <= 20; ++event) {
      SCOPED_TRACE("kind " + std::to_string(kind) + " event " + std::to_string(event));
      Battle(pick(16), 2 + pick(3));
      g_options.effectLevel = pick(2);
      g_match.handicap[pick(4)] = ints[pick(11)];
      if (pick(4) == 0) {
        for (uint16_t& flag : g_effectInUse) flag = 1;
      }
      if (pick(4) == 0) {
        for (EffectRecord& e : g_secondEffects) e.timer = 1;
      }
      BattleObject local{};
      BattleObject* a = pick(2) == 0 ? &local : &g_shots[pick(kShotCount)];
      a->kind = static_cast<uint16_t>(kind);
      a->x = reals[pick(11)];
      a->y = reals[pick(11)];
      a->z = reals[pick(11)];
      a->stun = reals[pick(11)];
      a->heading = ints[pick(11)];
      a->move = pick(3) == 0 ? ints[pick(11)] : pick(14);
      a->owner = static_cast<int16_t>(pick(12) - 3);
      g_shotDamage[pick(kShotCount)].damage = static_cast<uint16_t>(rng());
      BattleObject* b = pick(3) == 0 ? a : &g_players[pick(4)];
      if (b != a) {
        b->x = reals[pick(11)];
        b->y = reals[pick(11)];
        b->stun = reals[pick(11)];
        b->heading = ints[pick(11)];
        b->owner = static_cast<int16_t>(pick(12) - 3);
      }
      DispatchHitEffect(a, b, event);
      EXPECT_EQ(a->kind, static_cast<uint16_t>(kind));
      for (int slot = 0; slot < kEffectCount; ++slot) ASSERT_LE(g_effectInUse[slot], 1);
    }
  }
  DispatchHitEffect(nullptr, &g_players[0], 0);
  DispatchHitEffect(&g_players[0], nullptr, 0);
}

}  // namespace
