// The one definition of each counter of the result screens and the ending.
#include "game/core/result_state.h"

namespace veyrdale {

int32_t LeaveCountdown = 0;
int32_t TallyTargetScore = 0;
int32_t TallyMusicFade = 0;
int32_t RunEndMusicFade = 0;
int32_t EpilogueLeaveFrames = 0;
int32_t StatisticsShown = 0;
int32_t WinQuoteIndex = 0;

}  // namespace veyrdale
