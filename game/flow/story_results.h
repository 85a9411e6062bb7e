// The story's result screens: a stage's result with its score tally (scene 10), the ending
// script's picture pages (scene 21), the game-over picture (scene 20), and the high-score entry at
// the end of a run. Their counters are in game/core/result_state.h.
//
// Scene 10 shows player 0's statistics of the stage while the captured last battle frame spins
// into a thumbnail, counts the stage bonus into the score and, on the winner's press, sets up the
// next stage (or hands over to the end of the story). Scene 21 pages through the ending pictures
// with the final stage's script and whites out into the ending (player 0 won) or the game-over
// picture; scene 20 leaves on a press through black, enters the score and returns to the title.
#pragma once

#include <cstdint>

namespace veyrdale {

void StoryRoundResultScene();  // 10
// 20 with ending 0, 21 with ending 1.
void StoryRunEndScene(int ending);

// Player 0's run score into table difficulty + 4 x story kind when it beats the table's tenth row
// (compared unsigned; an equal score stays out), with the round counter as its stage and the broken
// spell cards as its cards; the table sorted again, best first, a later equal row staying below;
// the story stage back to 0; "Data\score.sav" written, the unlock level with it. A table number
// outside 0-11 enters nothing (the file is still written).
void InsertStoryHighScore();

// What the result scenes and the ending share. StepLeaveCountdown lowers a running LeaveCountdown
// by one and asks for the cross-fade capture when it reaches 1; true in the frame it reaches 0.
bool StepLeaveCountdown();
// The same step on a countdown of the caller's.
bool StepLeaveCountdown(int32_t& countdown);
// One frame of a music fade of `length` frames counted in `counter`: the volume falls from the
// options' level and the music stops in the frame the count reaches `length`.
void StepMusicFade(int32_t& counter, int length);
// The end of a story run: the four players' story counters (entryFrames) and the story flag 0.
void ClearStoryRun();

// trunc(part / whole x 100), the statistics' percentages: 0 when whole is 0 or the ratio is
// negative (corrupt counts), saturated at INT32_MAX.
int32_t StatPercentage(int64_t part, int64_t whole);
// Player p's (0-3) obstacles broken against the arena's breakable cells times the round counter.
int32_t DestructionPercentage(int p);

// A result left for the character selection of the match's mode (scene 12 in team mode, else 2)
// at its frame 0: the statistics table closed, no computer players, every colour slot 0 and free,
// and the statistics of the match's players cleared but their scores and rounds won.
void ReturnToCharacterSelection();

// The stage bonus of player 0's statistics on the current story stage and difficulty, as the
// tally computes it: base wraps in 32 bits and is taken unsigned, as is the staged value; each
// real is truncated saturating into its type.
uint32_t StageBonus();

}  // namespace veyrdale
