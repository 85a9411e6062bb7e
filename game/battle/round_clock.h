// The round clock and the round that time runs out on. The clock runs once per drawn frame,
// right after the head-up display, so at half rate it runs half as often.
#pragma once

namespace veyrdale {

// One tick of the round clock: while no round end or freeze runs and the fight has begun,
// FrameBudget falls by 1, except in survival and, outside the story, with no time limit. On the
// tick that brings it to 0 the round is awarded by life (the time-up) and ends as a knock-out
// does: FreezeFrames 60, RoundEndFrames 120 and a short guard for every player still standing.
void RunRoundClock();

}  // namespace veyrdale
