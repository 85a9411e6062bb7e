#include "morrow/graphics/graph_image.h"

#include <cstdlib>
#include <cstring>

namespace morrow {

int FreeGraphImage(GraphImage* image) {
  if (image == nullptr) return 0;
  std::free(image->pixels);
  std::memset(image, 0, sizeof *image);
  return 0;
}

}  // namespace morrow
