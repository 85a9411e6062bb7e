// The records of the battle and the fixed pools that hold them.
//
// Every moving thing of a battle is a plain record in a global pool of fixed size; nothing is
// allocated while a battle runs. Only the widths and signedness of the fields are fixed: nothing
// may depend on the layout (serialisation goes field by field through the field table).
//
// Data becomes an index only through the checked accessors of game/battle/access.h.
#pragma once

#include <cstdint>

namespace veyrdale {

// Players, companions, shots and familiars share this record; the meaning of a field depends on
// the pool (see the comments: player / shot / companion or familiar).
struct BattleObject {
  uint16_t kind;     // character 0-15 / launching character, 51 neutral / owner's character, kind
  float x, y;        // screen pixels, the arena is 640 by 480
  float z;           // height, negative is up
  float vx, vy, vz;  // pixels per frame
  float trailX[5];   // position history, element 0 newest
  float trailY[5];
  float trailZ[5];
  float speed;           // knock or bounce speed / launch speed / companion follow speed
  int16_t guard;         // > 0 cannot be hit, < 0 armour; steps toward 0 every frame
  uint8_t modifierHeld;  // button 4 held in a control state
  uint8_t rooted;        // walking input is ignored
  int32_t stateTimer;    // timer of the state / age in frames
  int32_t recovery;      // frames to the next shot of a move / packed target point
  float meter;           // attack and dash meter 0-700 / the shot's side
  int32_t life;          // life / sub-kind or link
  float stun;            // stun meter / the shot's own slot
  int32_t state;         // player state 0-18 / 1 live, 0 free
  int32_t heading;       // 0-255, 64 is up the screen
  int32_t pushHeading;   // direction of knock motion / heading at creation
  int32_t move;
  int16_t attackDelay;  // frames before the next attack may start
  uint16_t drawTag;
  int16_t owner;  // player 0-3, 4 nobody
};

// A visual effect or a damage event. Marker points and ground marks use the same layout.
struct EffectRecord {
  float x, y, z;
  float vx, vy;
  float aux;  // fall speed, a heading, or the damage of a damage event
  float spare[2];
  int32_t timer;  // frames left; the record frees itself at 0
  int32_t code;   // what the effect is
  int32_t heading;
  int32_t player;
  uint8_t flag;
};

using MarkerPoint = EffectRecord;  // x, y: a point that steers shots; timer; player
using GroundMark = EffectRecord;   // x, y and timer, set by one dash

struct ItemRecord {
  float x, y, z;
  float vx, vy, vz;
  float prevX, prevY;  // position before this frame's step
  int32_t age;
  int32_t kind;
  int32_t heading;
  int32_t player;  // the claiming player
};

// Per shot slot, copied from the owner's move row when the shot is made.
struct ShotDamageRecord {
  uint16_t damage;
  uint16_t stunDamage;
  uint16_t hitRadius;
  uint16_t hitClass;  // how the shot hits; also the event number of its hit effect
  uint8_t hitTag;
};

struct MoveTableEntry {
  uint16_t moveLength;  // the player's stateTimer at the move's start
  uint16_t timing;      // compared with the stateTimer by the attack input
  uint16_t afterDelay;  // the player's attackDelay after the move
  uint8_t rootFlag;     // 1: the move roots the player
  int32_t hitClass;
  uint8_t hitTag;
  uint16_t shotLimit;  // shots per move
  uint16_t damage;
  uint16_t stunDamage;
  uint16_t meterCost;
  uint16_t hitRadius;
};

struct KnockOutSpark {
  float x, y, vx, vy;
};

// Pool sizes.
// The arena's cell grid: 640 by 480 pixels of 32-pixel cells, 20 columns by 15 rows in use; the
// storage has 25 rows so that a map file may fill the rows below the field. Cell (c, r) is at index
// c + 20 x r. A cell value of 0 is empty, 1 or more blocks, except 44, which never blocks, and a
// cell whose openTimer is above 0 never blocks whatever its value.
constexpr int kMapColumns = 20;
constexpr int kMapRows = 15;         // rows in use
constexpr int kMapStorageRows = 25;  // rows stored
constexpr int kMapCells = kMapColumns * kMapStorageRows;
constexpr int kCellPixels = 32;
constexpr int kCellNeverBlocks = 44;

struct ArenaMap {
  int32_t cells[kMapCells];      // values from the map file; shots change them
  int32_t cellState[kMapCells];  // obstacle damage, cleared at round start
  int32_t openTimer[kMapCells];  // above 0: the cell does not block; cleared at round start
};

extern ArenaMap g_arenaMap;
// The breakable cells (values 1 to 3) of the 20 x 15 field as the last map file left it; the story
// result's destruction percentages divide by it.
extern int16_t DestructibleCells;

constexpr int kPlayerCount = 4;
constexpr int kShotCount = 512;
constexpr int kFamiliarCount = 64;
constexpr int kEffectCount = 1024;
constexpr int kSecondEffectCount = 64;
constexpr int kItemCount = 128;
constexpr int kSparkCount = 32;  // per player
// Move rows are addressed owner x 16 + move with owners 0-4 and moves 1-16, which reaches row 80.
constexpr int kMoveRowCount = 81;
constexpr int kNobody = 4;  // the owner of neutral objects

// The pools: zero at program start; round start clears most of them (ClearRoundPools).
extern BattleObject g_players[kPlayerCount];
extern BattleObject g_companions[kPlayerCount];
extern BattleObject g_shots[kShotCount];
extern ShotDamageRecord g_shotDamage[kShotCount];
extern uint8_t ShotHitFlags[kShotCount][kPlayerCount];  // [slot][player] already hit
extern BattleObject g_familiars[kFamiliarCount];
extern EffectRecord g_effects[kEffectCount];
extern uint16_t g_effectInUse[kEffectCount];              // 0 free, 1 live
extern EffectRecord g_secondEffects[kSecondEffectCount];  // free while timer is 0
extern ItemRecord g_items[kItemCount];
extern uint16_t g_itemFlags[kItemCount];  // 0 free, 1 live, 2 claimed
extern MarkerPoint g_markerPoints[kPlayerCount];
extern GroundMark g_groundMarks[kPlayerCount];
extern KnockOutSpark g_knockOutSparks[kPlayerCount][kSparkCount];
extern MoveTableEntry MoveTable[kMoveRowCount];

// What each knock-out adds to the score of the player who made it, as it adds one to that
// player's knock-outs.
constexpr int32_t kKnockOutPoints = 5000;

// The per-player arrays beside the player records, indexed by player 0-3.
struct PlayerBattleState {
  float spellGauge[4];  // 0-200; 100 pays for a spell card
  uint16_t gaugeAtFrameStart[4];
  int32_t score[4];
  int32_t damageDealt[4];
  int32_t shotsFired[4];
  int32_t wins[4];
  int32_t winsAtRoundStart[4];
  int32_t roundsWonTotal[4];
  int32_t itemCount[4];
  int32_t specialItemCount[4];
  int32_t shotsHit[4];
  int32_t obstaclesBroken[4];
  int32_t knockOuts[4];
  uint16_t poseClass[4];  // attack pose 0-4
  uint8_t cardUsed[4];
  int32_t recoveryGuard[4];  // > 0: shots do not hit
  int32_t entryFrames[4];
  int32_t slowTimer[4];
  int16_t moveShotCount[4];
  int16_t currentMove[4];
  int32_t meterRegenPause[4];
  int32_t specialMode[4];
  int32_t freezeTimer[4];
  int32_t holdTimer[4];
  int32_t holder[4];
  int32_t powerUp[4];
  int32_t cardChoice[4];  // 0 card A, 1 card B, 2 special card
  int32_t cardBar[4];
  int32_t cardBarFull[4];
  int32_t reverseTimer[4];
  uint8_t heldFlag[4];  // carried by the shot in slot holdingShot
  int32_t holdingShot[4];
  uint8_t airborne[4];  // passes over map walls
  uint8_t lowLifeMode[4];
  uint8_t wallBurstDone[4];
  // Frames of the player's current action (a dash, a card), set by what starts it; nothing in the
  // battle lowers it.
  int32_t actionTimer[4];
  // The player whose card froze this player (freezeTimer); written with the freeze.
  int32_t freezer[4];
};
extern PlayerBattleState g_playerState;

// A match or run starts from nothing: every player's power, score, damage dealt, shots fired and
// hit, obstacles broken and knock-outs go to 0. The item counters are cleared apart, since a
// survival run keeps the ones its round set-up leaves.
void ClearBattleStatistics();
void ClearItemCounters();

// Spell cards and power-ups broken by hits.
extern int32_t cardsBroken;

// The two-letter file code of each character, used in sheet, portrait and sound file names.
extern const char* const CharacterCode[16];

// Battle-scene state.
extern int32_t RoundFrame;  // frames since the round started; -100 counts up to the next round
extern int32_t RoundEndFrames;
extern int32_t RoundWinner;  // 0 none, else the match winner's index + 1
extern int32_t StoryPreFight;
extern int32_t StoryScriptFade;
extern int32_t FrameBudget;  // round time in frames
extern int32_t ScreenShake;
extern int32_t FlashFrames;
extern int32_t FlashLength;
extern int32_t ContinuePause;
extern int32_t EndingFade;
extern int32_t DemoFrames;
// DemoFrames from this count on: the demonstration battle runs.
inline constexpr int32_t kDemoStart = 1400;
extern int32_t CutInFrames;
extern int32_t CutInAttacker;
extern int32_t CutInVictim;
extern int32_t LiveShotCount;
extern int32_t LastKnockedOut;
extern int32_t RoundNumber;
extern int32_t StageTypeTable[32];
extern uint8_t SpellScreenActive;

// Story and presentation state the battle sets.
extern int32_t ArenaVariant;            // presentation number of the arena, 0-4
extern int32_t PortraitHandles[4][10];  // graph handles: four portrait sheets of ten pictures
extern uint8_t RouteFlagA;              // the story route bytes the scenario scripts set
extern uint8_t RouteFlagB;
extern uint8_t RouteFlagC;
extern int32_t ContinueChoice;  // the continue prompt's choice: 0 continue, 1 give up
extern int32_t LoadingPicture;  // graph handle of the loading picture, -1 none

// Indices that came from data and were out of range: the action was skipped.
extern int32_t IndexMisses;

// The round-wide clear: the shot pool, the familiar pool, the items and their flags, the effects
// and their flags, the second effect pool, the ground marks and the arena's per-cell side tables,
// in that order. Player records, the per-player arrays, markers, sparks, the move table and the
// map cells are left alone.
void ClearRoundPools();
// Every pool back to its program-start zero but the move table, whose rows the set-up that brings
// a player in builds for that player, and the map cells, which each round start lays from its
// arena's map: the round's pools, then the players, their companions and markers, the knock-out
// sparks, the shots' damage records and hit flags.
void ClearBattlePools();

}  // namespace veyrdale
