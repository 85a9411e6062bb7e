// The story's media: the battle music of an arena and the loading picture's number. The calls
// that play and draw them are declared in game/flow/flow.h.
#pragma once

namespace veyrdale {

// The battle music of an arena: "Resource\\Bgm\\NN.bgm", or null where none is started. Outside
// the story, or with force set, by arena; in the story by story kind, arena and stage.
const char* StageBgmPath(int arena, int force);

// The loading picture's file number 0-28 for a random draw r: (r + frameCount) modulo 29, never
// negative however far FrameCount has run.
int LoadingPictureNumber(int r, int frameCount);

}  // namespace veyrdale
