// Story stages: what follows a stage's dialogue. The set-ups are declared in game/battle/battle.h.
#pragma once

namespace veyrdale {

// What follows a story stage's dialogue: 1 the fight, 3 the next stage, 0 or 2 the story result.
// A stage outside the table reads as 1.
int StageTypeOf(int stage);

// The stages SetupStoryStage sets up for story kind `kind` (0 main, 1 extra): 18 and 11. 0 for any
// other kind.
int StoryStageRows(int kind);

}  // namespace veyrdale
