// Scenario scripts: the story's dialogue pages and the text of its ending, as GBK text mixed with
// one-byte commands, and their interpreter.
//
// A page is at most three rows of 24 characters shown in the message window (glyph_text.h). The
// commands between the characters set the speaker and the portraits, play sounds with flashes and
// shakes, turn or move players, wait for their scripted entries, hold the reader and end the
// script ("_"). Every read stops at a 0 byte: the buffer always ends with one, and the bytes after
// a loaded file are 0, so a script that runs out ends its page there.
#pragma once

#include <cstddef>
#include <cstdint>

#include "game/core/scenario_state.h"

namespace veyrdale {

constexpr int kScriptBytes = 65535;
constexpr int kEndingRowBytes = 96;
constexpr int kNoPortrait = 99;

// The script's bytes and one 0 after them that nothing overwrites.
extern uint8_t ScriptBuffer[kScriptBytes + 1];
// The offset in ScriptBuffer of the next byte to interpret, 0 to kScriptBytes.
extern int32_t ScriptReadPointer;
// The final stage's script fills these 3 rows of raw bytes instead of the message window; each
// row ends with a 0 byte after its 96.
extern char EndingTextRows[3][kEndingRowBytes + 1];
// The portrait of speaker slots 0 and 1: 1-10 for the letters A-J, 0 for P, 99 for none (any
// other letter keeps its byte value), and its expression (a digit's value, or what another byte
// gives). PortraitCell checks both.
extern uint16_t PortraitSlots[2];
extern uint16_t PortraitExpressions[2];
// 1 when the last step changed SpeakerSlot (and after a load).
extern uint8_t SpeakerChanged;
// Above 0: counts down to an automatic page turn at 1. Below 0: counts up, blocking page turns.
extern int32_t ScriptWait;
extern uint16_t PictureFadeFrames;
// NamePlateFrames, with the ending's picture numbers, is declared in game/core/scenario_state.h.

// The numbers the battle loads scripts by besides a stage's own: in the extra story the stage
// after a lost fight takes that stage's number plus kLostFightScripts; in the main story a lost
// second fight leads to stage kSecondFightLostStage with script kSecondFightLostScript.
constexpr int kLostFightScripts = 50;
constexpr int kSecondFightLostStage = 2;
constexpr int kSecondFightLostScript = 99;

// The file of script `number` for story kind `kind` (0 main, 1 extra) and the route flags:
// "Resource\\Srd\\..." into out. False when it does not fit.
bool ScenarioFileName(int number, int kind, int routeA, int routeB, char* out, size_t size);

// Loads script `number` of the current story kind: 99, or 0 when the file cannot be opened, in
// which case only the read position goes back to the start.
int LoadScenarioScript(int number);
// Interprets one page from the read position.
void RunScenarioScript(int number);
// One frame of a shown script: waits or turns a page by the players' entries, the wait counter
// and player 0's buttons, draws the message window. 0 while the script runs; on the frame that
// reaches "_" 1 when the stage's type is non-zero, else RoundWinner.
int StepScenario(int number);

// The cell (0-39) of the portrait sheets for speaker slot `slot` (0 or 1): portrait x 10 +
// expression. -1 when the slot shows none, or its portrait (0-3) or expression (0-9) is out of
// range: every dialogue drawer draws nothing then.
int PortraitCell(int slot);

// Frames the speakers take to slide into place after a page ends; player 0's recovery counts them
// down in the dialogue scenes.
constexpr int kSpeakerMotionFrames = 10;
// The two speakers' portraits of a dialogue, the one speaking in front and lifted, the other grey
// and behind, sliding into place while a changed speaker's motion runs; `shake` lifts both.
// Leaves the modulation white.
void DrawSpeakerPortraits(int shake);

}  // namespace veyrdale
