// The graphics core as the screen set-up sees it: its start and end, the deletion of every graph
// and 2D piece, the release and re-creation of the pieces' display surfaces around a display
// loss, and the draw-state words a screen-mode change keeps or obeys.
#pragma once

#include <cstdint>

namespace morrow {

int InitGraphicsSystem();
int EndGraphicsSystem();
int DeleteAllGraphs(int logIt);
// -1 while the display is down.
int DeleteAllSurface2D();
// Every 2D piece's display surface released (records kept), and made again with its colour key.
int ReleaseAllSurface2DObjects();
int RecreateAllSurface2DObjects();
// The draw state's transparent colour of new surfaces (0x00RRGGBB).
uint32_t GetDrawStateKeyColor();
int SetDrawStateKeyColor(uint32_t keyColor);
// Non-zero while the graphics-off word is set (the display is being rebuilt).
int IsGraphicsOff();

}  // namespace morrow
