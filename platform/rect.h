// A rectangle of pixels: left and top inside, right and bottom outside, as window systems and
// the library's drawing calls count them.
#pragma once

#include <algorithm>
#include <cstdint>

namespace platform {

struct Rect {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;

  int32_t Width() const { return right - left; }
  int32_t Height() const { return bottom - top; }
  bool Empty() const { return right <= left || bottom <= top; }
};

inline bool operator==(const Rect& a, const Rect& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

// The common part of two rectangles; empty (possibly reversed) when they do not meet.
inline Rect Intersect(const Rect& a, const Rect& b) {
  return Rect{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
              std::min(a.bottom, b.bottom)};
}

// True when r is non-empty and lies wholly inside 0..width x 0..height.
inline bool InsideSize(const Rect& r, int32_t width, int32_t height) {
  return !r.Empty() && r.left >= 0 && r.top >= 0 && r.right <= width && r.bottom <= height;
}

}  // namespace platform
