// The end of a story run from inside the battle, shared by the continue prompt's give-up and the
// dialogue's script when it ends the run.
#pragma once

namespace veyrdale::view {

// Leaves the battle for the end of the story run (scene 20): the round, freeze, dialogue and
// continue counters cleared, no computer players, the menu resources loaded, the glyph sheets and
// portraits freed.
void EndStoryRun();

}  // namespace veyrdale::view
