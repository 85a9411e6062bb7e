// A picture stretched onto a turned rectangle, for the effects that spin a box.
#pragma once

namespace veyrdale {

// Draws `graph` stretched onto a width x height rectangle centred on (cx, cy) and turned by
// `heading` (256ths of a turn, 64 up the screen; only the low 8 bits count), transparent.
void DrawRotaRectGraph(float cx, float cy, float width, float height, int heading, int graph);

}  // namespace veyrdale
