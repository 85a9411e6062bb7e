// What the view offers the flow and the tools: the battle frame drawn in parts around the flow's
// story dialogue, and the pieces of it that tests and probes draw alone. The view reads the game
// and draws; what a drawn frame changes it leaves in the battle's drawn frame (g_drawnFrame) for
// the battle to carry out right after each part.
#pragma once

#include <cstdint>

#include "game/battle/drawn_frame.h"
#include "game/core/records.h"

namespace veyrdale {

// The start of a drawn frame: the battle's drawn frame begun with the shake offset, the draw list
// for the match's player count and the players taken for the selections.
void PrepareBattleDraw();
// The arena and the draw list: the tint, the background and decorations, the entries, the
// knock-out bursts and character 15's red screen.
void DrawBattleArena();
// The head-up display up to the story's dialogue: the badges, the spell cards, the blackout, the
// flash, the beams, the status bar, the round's announcements and its end.
void DrawBattleHud(int shake);
// The head-up display over the dialogue: the name plate, the survival notice, the cross-fades of
// the captured screen, the continue prompt and the white fade.
void DrawBattleHudTop(int shake);

int BuildDrawList(int count);  // the number of entries
void DrawNumber(int x, int y, int value, int style, uint8_t small);
// The story's continue prompt, as ContinuePause and ContinueChoice stand.
void DrawContinuePrompt();
// The sprite cell of `player` (a draw-list copy or one of g_drawnFrame's players); suppressTurn
// skips the turning. What the choice changes lands on `player` and on its owner's copy in
// g_drawnFrame, and what it asks beyond them in g_drawnFrame's steps.
int SelectCharaFrame(BattleObject* player, int suppressTurn);
void DrawPlayerEntry(const BattleObject* entry, int shake, int dark);
void DrawArenaEntry(const BattleObject* entry, int shake, int dark);
void DrawShotEntry(const BattleObject* entry, int shake, int dark);
void DrawEffectEntry(const BattleObject* entry, int shake, int dark);

}  // namespace veyrdale
