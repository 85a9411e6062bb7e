// The counters of the result screens and the ending that tools and the battle's field table reach
// by name. The scenes that own them are in game/flow (story_results.h, ending.h). Zero at program
// start.
#pragma once

#include <cstdint>

namespace veyrdale {

// Frames left until a result scene changes scene; 0 is idle, and a scene that ends leaves it at 0.
// One counter serves the story result, the end of a run and the ending.
extern int32_t LeaveCountdown;
// The score the story result counts player 0's score up to, 0 to INT32_MAX.
extern int32_t TallyTargetScore;
// Frames of the music fade of the story result and of the end of a run; each is 0 again while the
// scene's frame is 0 or 1.
extern int32_t TallyMusicFade;
extern int32_t RunEndMusicFade;
// The epilogue's frames to the title after its script ended; 0 idle.
extern int32_t EpilogueLeaveFrames;
// 1 once the win quotes' statistics table was opened; the story result clears it as well.
extern int32_t StatisticsShown;
// The win quote shown: 0-6 the winner's ordinary quotes, 10-12 its special ones.
extern int32_t WinQuoteIndex;

}  // namespace veyrdale
