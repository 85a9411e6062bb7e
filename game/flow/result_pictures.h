// What the two match results after a battle share, the win quotes (scene 7) and the survival
// result (scene 29): the emblem that spins in, the portrait sheet loaded into a player's block and
// the slower cross-fade from the captured last battle frame.
#pragma once

#include <cstdint>

namespace veyrdale {

// The emblem `graph` from frame 61: until frame 80 it fades in while it turns and shrinks to its
// size, its centre coming 50 pixels from the left to x and, when `rising`, 20 pixels up to yRest;
// from 80 it stands plainly at (x, yRest).
void DrawSpinningEmblem(int frame, int32_t graph, int x, int yRest, bool rising);

// The portrait sheet of player p's character (ten 360 x 480 cells) loaded into the player's block
// of the picture slots, freeing what that slot held. Nothing for a player outside 0-3 or a
// character outside 0-15.
void LoadResultPortrait(int p);
// A cell of the sheet LoadResultPortrait loaded; -1 (draws nothing) outside the table.
int32_t ResultPortrait(int p, int cell);

// While FadeFrames runs: the captured frame over the scene, fading over all 30 frames.
void DrawResultCrossFade();

}  // namespace veyrdale
