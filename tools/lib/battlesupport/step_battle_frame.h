// The battle part of one frame of the game's frame loop, for headless runs (the battle probe and
// the battle runner): input, the reversal, the battle scene and the frame counters, without
// clearing, presenting, pausing or waiting.
#pragma once

namespace veyrdale {

// One frame. Human players' input comes from padBits (pad-state words of the directions and pad
// buttons, as a pad read answers), counted by the game's own counting step; computer players
// decide through the computer player. The battle scene runs while SceneId is 4. A frame that asks
// for a capture starts the fade counters as the frame loop does, without copying the screen;
// slow motion counts down without waiting.
void StepBattleFrame(const int padBits[4]);

// One whole frame of the game's frame loop for headless runs that go through scenes other than the
// battle (a story run with its stage results): the loop's body (every scene, input from padBits)
// and the slow-motion countdown, without pausing, presenting or waiting.
void StepGameFrame(const int padBits[4]);

}  // namespace veyrdale
