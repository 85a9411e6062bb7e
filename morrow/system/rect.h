// The library's pixel rectangle (left and top inside, right and bottom outside).
#pragma once

#include "platform/rect.h"

namespace morrow {

using Rect = platform::Rect;

}  // namespace morrow
