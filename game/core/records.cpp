// The battle's pools and globals: one definition each, zero at program start.
#include "game/core/records.h"

namespace veyrdale {

BattleObject g_players[kPlayerCount];
BattleObject g_companions[kPlayerCount];
BattleObject g_shots[kShotCount];
ShotDamageRecord g_shotDamage[kShotCount];
uint8_t ShotHitFlags[kShotCount][kPlayerCount];
BattleObject g_familiars[kFamiliarCount];
EffectRecord g_effects[kEffectCount];
uint16_t g_effectInUse[kEffectCount];
EffectRecord g_secondEffects[kSecondEffectCount];
ItemRecord g_items[kItemCount];
uint16_t g_itemFlags[kItemCount];
MarkerPoint g_markerPoints[kPlayerCount];
GroundMark g_groundMarks[kPlayerCount];
KnockOutSpark g_knockOutSparks[kPlayerCount][kSparkCount];
MoveTableEntry MoveTable[kMoveRowCount];
ArenaMap g_arenaMap;
int16_t DestructibleCells;

PlayerBattleState g_playerState;
int32_t cardsBroken;

const char* const CharacterCode[16] = {"qz", "qj", "qx", "qv", "qw", "zj", "zx", "zv",
                                       "zw", "jx", "jv", "jw", "xw", "xv", "zk", "qk"};

int32_t RoundFrame;
int32_t RoundEndFrames;
int32_t RoundWinner;
int32_t StoryPreFight;
int32_t StoryScriptFade;
int32_t FrameBudget;
int32_t ScreenShake;
int32_t FlashFrames;
int32_t FlashLength;
int32_t ContinuePause;
int32_t EndingFade;
int32_t DemoFrames;
int32_t CutInFrames;
int32_t CutInAttacker;
int32_t CutInVictim;
int32_t LiveShotCount;
int32_t LastKnockedOut;
int32_t RoundNumber;
int32_t StageTypeTable[32];
uint8_t SpellScreenActive;

int32_t ArenaVariant;
int32_t PortraitHandles[4][10];
uint8_t RouteFlagA;
uint8_t RouteFlagB;
uint8_t RouteFlagC;
int32_t ContinueChoice;
int32_t LoadingPicture = -1;

int32_t IndexMisses;

namespace {

template <typename T, int N>
void ClearAll(T (&pool)[N]) {
  for (T& record : pool) record = T{};
}

}  // namespace

void ClearRoundPools() {
  ClearAll(g_shots);
  ClearAll(g_familiars);
  ClearAll(g_items);
  ClearAll(g_itemFlags);
  ClearAll(g_effects);
  ClearAll(g_effectInUse);
  ClearAll(g_secondEffects);
  ClearAll(g_groundMarks);
  ClearAll(g_arenaMap.cellState);
  ClearAll(g_arenaMap.openTimer);
}

void ClearBattlePools() {
  ClearRoundPools();
  ClearAll(g_players);
  ClearAll(g_companions);
  ClearAll(g_markerPoints);
  for (auto& sparks : g_knockOutSparks) ClearAll(sparks);
  ClearAll(g_shotDamage);
  for (auto& flags : ShotHitFlags) ClearAll(flags);
}

void ClearBattleStatistics() {
  PlayerBattleState& s = g_playerState;
  ClearAll(s.powerUp);
  ClearAll(s.score);
  ClearAll(s.damageDealt);
  ClearAll(s.shotsFired);
  ClearAll(s.shotsHit);
  ClearAll(s.obstaclesBroken);
  ClearAll(s.knockOuts);
}

void ClearItemCounters() {
  ClearAll(g_playerState.itemCount);
}

}  // namespace veyrdale
