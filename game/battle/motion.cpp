#include "game/battle/motion.h"

#include <cstdint>

#include "game/battle/directions.h"
#include "game/core/numeric.h"

namespace veyrdale {

void BlendVelocity(float* vx, float* vy, float tx, float ty, int wOld, int wNew) {
  int64_t sum = static_cast<int64_t>(wOld) + wNew;
  if (sum <= 0) return;
  float old = static_cast<float>(wOld);
  float fresh = static_cast<float>(wNew);
  float total = static_cast<float>(sum);
  *vx = (fresh * tx + old * *vx) / total;
  *vy = (fresh * ty + old * *vy) / total;
}

bool CheckCircleHit(float x1, float y1, float x2, float y2, int r) {
  if (r <= 0) return false;
  uint64_t d = GetSquaredDistance64(TruncToInt(x1), TruncToInt(y1), TruncToInt(x2), TruncToInt(y2));
  return d < static_cast<uint64_t>(r) * static_cast<uint64_t>(r);
}

bool CheckBoxHit(float x1, float y1, float x2, float y2, int w, int h) {
  float fw = static_cast<float>(w);
  float fh = static_cast<float>(h);
  return x2 - fw < x1 + fw && x1 - fw < x2 + fw && y2 - fh < y1 + fh && y1 - fh < y2 + fh;
}

}  // namespace veyrdale
