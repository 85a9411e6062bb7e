// The library's memory and string functions. Every library allocation goes through the three
// memory calls; the string calls are bounded by the destination's size and always terminate.
#pragma once

#include <cstddef>

namespace morrow {

void* AllocateMemory(size_t size);
void* AllocateZeroMemory(size_t size);
void FreeMemory(void* pointer);

// Copies src with its terminator into dest (destSize bytes), truncating to fit. An empty source
// writes one zero byte. Returns 0, or -1 when the text was truncated or dest has no room at all.
int CopyString(char* dest, size_t destSize, const char* src);
// Copies src onto the terminator of dest, truncating to fit destSize. Returns as CopyString.
int AppendString(char* dest, size_t destSize, const char* src);

}  // namespace morrow
