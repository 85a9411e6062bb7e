#include "platform/read_buffer.h"

#include <algorithm>

namespace platform {

void MakeReadRoom(std::string* bytes, size_t more, size_t limit) {
  const size_t need = bytes->size() + more;
  if (need <= bytes->capacity()) return;
  size_t room = std::max(need, bytes->capacity() * 2);
  // The step that would pass half the limit goes to the limit itself, from at most half of it.
  if (room > limit / 2) room = std::max(need, limit);
  // A string's own reserve may round a growth of less than double up to double: a new string
  // reserves exactly what is asked.
  std::string grown;
  grown.reserve(room);
  grown.append(*bytes);
  bytes->swap(grown);
}

}  // namespace platform
