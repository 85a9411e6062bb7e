// The memory-block table: a handle kind whose records (an owned block and four words) live in
// the table itself. Nothing in the library makes such records yet; the graphics end frees
// whatever the table holds.
#pragma once

#include <cstdint>

#include "morrow/graphics/handle.h"

namespace morrow {

struct MemoryBlockRecord {
  uint32_t checkNumber;
  void* block;  // owned, freed with FreeMemory
  uint32_t words[4];
  uint32_t used;
};

using MemoryBlockTable =
    InlineHandleTable<MemoryBlockRecord, kMemoryBlockHandle, kMemoryBlockLimit>;

MemoryBlockTable& GetMemoryBlockTable();

// Frees the block and empties the record. -1 for a value that is no live memory block.
int DeleteMemoryHandle(ResourceHandle handle);
// DeleteMemoryHandle on every used record. 0.
int DeleteAllMemoryHandles();

}  // namespace morrow
