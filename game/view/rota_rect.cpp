#include "game/view/rota_rect.h"

#include "game/battle/directions.h"
#include "game/core/numeric.h"
#include "morrow/graphics/draw.h"

namespace veyrdale {

void DrawRotaRectGraph(float cx, float cy, float width, float height, int heading, int graph) {
  // The masking accessors keep a heading outside 0-255 inside the tables.
  const float c = CosOf(heading) / 256.0f;
  const float s = NegSinOf(heading) / 256.0f;
  const float hw = width / 2.0f;
  const float hh = height / 2.0f;
  // Top left, top right, bottom right, bottom left.
  const float corners[4][2] = {{-hw, -hh}, {hw, -hh}, {hw, hh}, {-hw, hh}};
  int out[4][2];
  for (int i = 0; i < 4; ++i) {
    const float x = corners[i][0];
    const float y = corners[i][1];
    out[i][0] = TruncToInt(c * x - s * y + cx);
    out[i][1] = TruncToInt(s * x + c * y + cy);
  }
  morrow::DrawModiGraph(out[0][0], out[0][1], out[1][0], out[1][1], out[2][0], out[2][1], out[3][0],
                        out[3][1], graph, 1);
}

}  // namespace veyrdale
