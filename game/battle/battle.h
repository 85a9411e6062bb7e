// What the battle offers the layers above it: the battle frame and what it answers, the round
// start, the story stages' set-ups, and the players', shots', effects', familiars', items' and
// computer player's routines that other files, the view, the flow and the tools call. The battle
// calls nothing above it: what a frame asks of the scene (a load, a script, another scene) it
// answers with an outcome for the flow to act on.
#pragma once

#include <cstdint>

#include "game/core/records.h"

namespace veyrdale {

// What a battle frame asks of the scene that runs it.
enum class BattleOutcome {
  kGoesOn,           // nothing: the battle goes on
  kMatchOver,        // a winner was decided: the match is handed over (the frame ends at once)
  kStoryStageWon,    // a story fight won before the last stage: the next stage's dialogue
  kExtraStageLost,   // an extra-story fight lost before the last stage: its lost-fight dialogue
  kSecondStageLost,  // the main story's second fight lost: stage 2's other dialogue
  kEndingFades,      // the ending fade counted a frame down: the music fades with EndingFade
  kStoryOver,        // the ending fade has run out: the end of the story
  kDemoLoading,      // the demonstration ends next frame: the loading sign
  kDemoOver,         // the demonstration has ended: back to the title
};

// The round's timing at the start of a battle frame outside the story's dialogue: the start of a
// round (the time budget, the players' round start) and the round counter. kMatchOver, before
// anything else changes, when the round was the match's last; else kGoesOn.
BattleOutcome RunRoundTiming();

// One battle frame after the timing, in two halves around its drawing point. The first: the
// simulation of every pool (unless time is frozen), the start of a cut-in and the card's drum
// beats. The scene then draws the frame when it is drawn, and calls the second: the cut-in's run
// and end, the round end, the ending fade and the end of the demonstration. Its answer is what
// the scene has to do at the end of the frame.
void StepBattleToDraw();
BattleOutcome StepBattleFromDraw();

// Round start for every player, 0-3.
void StartAllPlayers();
// Leaves nothing of the battle or the story behind that would change the next game: every counter
// a new battle or story sets up again back at its start value, the spell-card flags among them,
// every pool and player record as the program starts with them, the last match's player count,
// colours and computer players' modes, and the survival run's opponents and arena cycle. The
// records, unlocks and options stay. The title runs it on its first frame, whichever way it was
// reached.
void ClearBattleForTitle();

// Round start, companions and story stages.
void StartRound(BattleObject* player, int p);
// The story stage's start positions, facings and arena variant; kind 1 is the extra story.
void SetStoryStartPositions(int stage, int kind);
void SetExtraStoryStartPositions(int stage);
void UpdateCompanionFollow(BattleObject* companion, int p);
void UpdateCompanionLaunched(BattleObject* companion, int p);
// Who fights on a story stage, kind 1 the extra story: the player count, the characters, the
// computer flags, the entry counters, the teams and the route flags that decide them (a stage
// outside the tables sets only the team mode 0). The flow's SetupStoryStage adds the portraits.
void SetStoryStageFighters(int stage, int kind);
// The character whose portrait slot `slot` (0-3) of a story stage's dialogue shows, as the stage's
// fighters were set up; -1 for an empty slot.
int StoryStagePortrait(int stage, int kind, int slot);
void InitStageTypeTable(int kind);

// Player control and attacks.
void UpdatePlayerControl(BattleObject* player, int p);
void UpdateHitStun(BattleObject* player, int p);
void UpdateKnockBack(BattleObject* player, int p);
void RemovePlayerShots(int p);
void ConvertOtherShots(int p);
void SlowNearbyOpponents(int p);
void UpdateAttackInput(BattleObject* player, int p);
void StartCharaMove(BattleObject* player, int move);

// Shots and their steering.
void CreateShot(BattleObject* source, int16_t move, int owner);
void UpdateShot(BattleObject* shot, int slot);
void ScaleShotSpeed(BattleObject* shot, float factor, int t0, int t1);
void HomeShotInWindow(BattleObject* shot, int t0, int t1, int16_t wOld, int16_t wNew,
                      int16_t window);
void HomeObjectInWindow(BattleObject* object, int t0, int t1, int16_t wOld, int16_t wNew,
                        int16_t window);
void TurnShotToPoint(BattleObject* shot, int t0, int t1, int16_t wOld, int16_t wNew,
                     int16_t maxTurn);
void AimShotAtPoint(BattleObject* shot, int t0, int t1, int16_t wOld, int16_t wNew);
void HomeShotTurnLimited(BattleObject* shot, int t0, int t1, int16_t wOld, int16_t wNew,
                         int16_t maxTurn);
void RetargetShot(BattleObject* shot, int t, float speed, int16_t mode, int16_t d);

// Special moves and spell cards.
void UpdateSpecialMove(BattleObject* player, int p);
void StartSpellCard(BattleObject* player, int index, int card);
// 0 when the special card may not be used now, else 1.
int StartSpecialSpellCard(BattleObject* player, int index);
// The spell-card state: the behaviour of the player's character and chosen card.
void RunSpellCard(BattleObject* player, int index);

// Effects and hit effects.
void CreateEffect(const BattleObject* source, int kind);
void CreateRingEffect(const BattleObject* source, int kind, int index);
void UpdateEffect(EffectRecord* record, int slot);
void DispatchHitEffect(BattleObject* a, BattleObject* b, int event);
void SpawnHitSpark(BattleObject* a, BattleObject* b);
// The third ring spawner, eight pieces and a centre around the point between a and b (also
// called by the damage events).
void SpawnHitRingC(BattleObject* a, BattleObject* b);

// Familiars, arena objects and items.
void PlaceArenaObjects();
void UpdateFamiliar(BattleObject* record);
void CreateItem(int x, int y, int count, int mode, int player);
void UpdateItem(ItemRecord* item, int slot);
void ClaimAllItems(int player);

// The computer player: one frame of decisions for one player.
void UpdateCpuPlayer(BattleObject* player, int index);

}  // namespace veyrdale
