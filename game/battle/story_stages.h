// Story stages: who fights on each stage, what follows its dialogue, the stage music and the
// loading picture. The entry points themselves are declared in game/battle/entry_points.h.
#pragma once

namespace veyrdale {

// The battle music of an arena: "Resource\\Bgm\\NN.bgm", or null where none is started. Outside
// the story, or with force set, by arena; in the story by story kind, arena and stage.
const char* StageBgmPath(int arena, int force);

// What follows a story stage's dialogue: 1 the fight, 3 the next stage, 0 or 2 the story result.
// A stage outside the table reads as 1.
int StageTypeOf(int stage);

// The loading picture's file number 0-28 for a random draw r: (r + frameCount) modulo 29, never
// negative however far FrameCount has run.
int LoadingPictureNumber(int r, int frameCount);

}  // namespace veyrdale
