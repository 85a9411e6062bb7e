// The ending after a won story run: the credits (scene 22), the picture shown when the ending
// opened the second unlock level (scene 27), and the extra story's epilogue dialogue (scene 28).
//
// The credits pan a background under a white flash and the logo, then scroll four credit strips
// beside it and white out; button 3 runs them five times as fast. Their end raises the unlock
// level, enters the run's score and chooses the next scene: 27 for a first clear on the story's
// other route, 28 for the first clear of the extra story, else the title-return pictures.
#pragma once

namespace veyrdale {

void EndingSequenceScene();  // 22
void UnlockPictureScene();   // 27
void ExtraEpilogueScene();   // 28

}  // namespace veyrdale
