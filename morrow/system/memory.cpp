#include "morrow/system/memory.h"

#include <cstdlib>
#include <cstring>

namespace morrow {

void* AllocateMemory(size_t size) {
  return std::malloc(size == 0 ? 1 : size);
}

void* AllocateZeroMemory(size_t size) {
  return std::calloc(size == 0 ? 1 : size, 1);
}

void FreeMemory(void* pointer) {
  std::free(pointer);
}

int CopyString(char* dest, size_t destSize, const char* src) {
  if (dest == nullptr || destSize == 0) return -1;
  size_t n = src == nullptr ? 0 : std::strlen(src);
  bool fits = n < destSize;
  if (!fits) n = destSize - 1;
  if (n > 0) std::memcpy(dest, src, n);
  dest[n] = '\0';
  return fits ? 0 : -1;
}

int AppendString(char* dest, size_t destSize, const char* src) {
  if (dest == nullptr || destSize == 0) return -1;
  size_t used = strnlen(dest, destSize);
  if (used == destSize) {
    dest[destSize - 1] = '\0';
    return -1;
  }
  return CopyString(dest + used, destSize - used, src);
}

}  // namespace morrow
