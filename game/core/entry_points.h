// The entry points that the layers of the game call across one another: the game flow's resource
// loader, glyph sheets, scenario scripts, story stages and survival rounds; the battle's scene,
// players, shots, effects, familiars, items, spell cards and computer player; the drawing of the
// battle. Declared here, in the floor every layer stands on, so that no layer includes from a
// layer above it; each is defined once, by the layer that builds it (the game's programs link the
// layers as one group).
#pragma once

#include <cstdint>

#include "game/core/records.h"

namespace veyrdale {

// Game flow.
// Frees every picture and sound and loads the set of `mode`: 0 menus, 1 battle, 2 ending.
void LoadGameResources(int mode);

// Glyph sheets: set B always, set A unless mode is 999.
void LoadFontSheets(int mode);
void DeleteFontSheets();

// Scenario scripts: 99 when loaded, 0 when the file cannot be opened.
int LoadScenarioScript(int number);
// Interprets one page of the loaded script.
void RunScenarioScript(int number);

// The next story stage, or the end of the story after the last.
void AdvanceStoryStage();

// Prepares the next survival round, or ends the run in scene 29.
void SetupSurvivalRound();

// Battle scene, round start, companions and story stages.
void BattleScene(int unused);
// The battle left for the title (F1 in the battle draw): the battle and story state cleared, the
// spell-card flags with it, the menu resources and the title music loaded, scene 0.
void ReturnToTitle();
void StartRound(BattleObject* player, int p);
// The story stage's start positions, facings and arena variant; kind 1 is the extra story.
void SetStoryStartPositions(int stage, int kind);
void SetExtraStoryStartPositions(int stage);
void UpdateCompanionFollow(BattleObject* companion, int p);
void UpdateCompanionLaunched(BattleObject* companion, int p);
// Who fights on a story stage; kind 1 is the extra story.
void SetupStoryStage(int stage, int kind);
void SetupExtraStoryStage(int stage);
void DeletePortraits();
void PlayStageBgm(int arena, int force);
void InitStageTypeTable(int kind);
int LoadLoadingPicture();  // graph handle or -1
void DrawLoadingPicture();
void DeleteLoadingPicture();

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

// Launchers: make one shot of the volley and return how many are still to make (0 or less ends
// it). Chosen by the source's kind: 0-15 the characters, 51 the neutral objects.
int LaunchShotChara0(BattleObject* source, BattleObject* shot, int count);
int LaunchShotChara1(BattleObject* source, BattleObject* shot, int count);
int LaunchShotChara2(BattleObject* source, BattleObject* shot, int count);
int LaunchShotChara3(BattleObject* source, BattleObject* shot, int count);
int LaunchShotChara4(BattleObject* source, BattleObject* shot, int count);
int LaunchShotChara5(BattleObject* source, BattleObject* shot, int count);
int LaunchShotChara6(BattleObject* source, BattleObject* shot, int count);
int LaunchShotChara7(BattleObject* source, BattleObject* shot, int count);
int LaunchShotChara8(BattleObject* source, BattleObject* shot, int count);
int LaunchShotChara9(BattleObject* source, BattleObject* shot, int count);
int LaunchShotChara10(BattleObject* source, BattleObject* shot, int count);
int LaunchShotChara11(BattleObject* source, BattleObject* shot, int count);
int LaunchShotChara12(BattleObject* source, BattleObject* shot, int count);
int LaunchShotChara13(BattleObject* source, BattleObject* shot, int count);
int LaunchShotChara14(BattleObject* source, BattleObject* shot, int count);
int LaunchShotChara15(BattleObject* source, BattleObject* shot, int count);
int LaunchShotNeutral(BattleObject* source, BattleObject* shot, int remaining);

// Per-shot behaviour hooks, chosen by the shot's kind and move. The behaviour says whether the
// shot's update ends there (no motion, no ageing). The impact reaction runs after a hit on a player
// (with the damage A the hit computed), a familiar or an arena cell.
struct ShotCell {
  int column;
  int row;
};
bool RunShotBehaviour(BattleObject* shot, int slot);
void RunShotImpactReaction(BattleObject* shot, int slot, int victim, float damage);
void RunShotImpactReaction(BattleObject* shot, int slot, BattleObject* familiar);
void RunShotImpactReaction(BattleObject* shot, int slot, ShotCell cell);
void RunShotEdgeReaction(BattleObject* shot, int slot);

// Special moves, dashes and spell cards.
void UpdateSpecialMove(BattleObject* player, int p);
// Characters 0 and 10 share UpdateDashChara0.
void UpdateDashChara0(BattleObject* player, int index);
void UpdateDashChara1(BattleObject* player, int index);
void UpdateDashChara2(BattleObject* player, int index);
void UpdateDashChara3(BattleObject* player, int index);
void UpdateDashChara4(BattleObject* player, int index);
void UpdateDashChara5(BattleObject* player, int index);
void UpdateDashChara6(BattleObject* player, int index);
void UpdateDashChara7(BattleObject* player, int index);
void UpdateDashChara8(BattleObject* player, int index);
void UpdateDashChara9(BattleObject* player, int index);
void UpdateDashChara11(BattleObject* player, int index);
void UpdateDashChara12(BattleObject* player, int index);
void UpdateDashChara13(BattleObject* player, int index);
void UpdateDashChara14(BattleObject* player, int index);
void UpdateDashChara15(BattleObject* player, int index);
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

// Familiars, arena objects and items.
void PlaceArenaObjects();
void UpdateFamiliar(BattleObject* record);
void CreateItem(int x, int y, int count, int mode, int player);
void UpdateItem(ItemRecord* item, int slot);
void ClaimAllItems(int player);

// The computer player: one frame of decisions for one player.
void UpdateCpuPlayer(BattleObject* player, int index);

// Battle drawing.
void DrawBattleScene();
int BuildDrawList(int count);  // the number of entries
void DrawNumber(int x, int y, int value, int style, uint8_t small);
void DrawContinueOverlay();
// The sprite cell of a player; suppressTurn skips the turning side effects.
int SelectCharaFrame(BattleObject* player, int suppressTurn);
void DrawPlayerEntry(const BattleObject* entry, int shake, int dark);
void DrawArenaEntry(const BattleObject* entry, int shake, int dark);
void DrawShotEntry(const BattleObject* entry, int shake, int dark);
void DrawEffectEntry(const BattleObject* entry, int shake, int dark);
void DrawBattleHud(int shake);
// While StoryPreFight runs: the story's dialogue over the battle, which also steps its script.
void DrawStoryDialogue(int shake);

// Hit effects: the third ring spawner, eight pieces and a centre around the point between a and b
// (also called by the damage events).
void SpawnHitRingC(BattleObject* a, BattleObject* b);

}  // namespace veyrdale
