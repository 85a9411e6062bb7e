// Graphs made from picture files.
#pragma once

namespace morrow {

// A path as the game writes it ("Resource\\title.bmp"). A graph handle, or -1.
int LoadImageAsGraph(const char* path);

}  // namespace morrow
