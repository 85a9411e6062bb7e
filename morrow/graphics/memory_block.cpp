#include "morrow/graphics/memory_block.h"

#include "morrow/system/memory.h"

namespace morrow {

MemoryBlockTable& GetMemoryBlockTable() {
  static MemoryBlockTable table;
  return table;
}

int DeleteMemoryHandle(ResourceHandle handle) {
  MemoryBlockTable& t = GetMemoryBlockTable();
  MemoryBlockRecord* r = t.Get(handle);
  if (r == nullptr) return -1;
  FreeMemory(r->block);
  t.Remove(handle);
  return 0;
}

int DeleteAllMemoryHandles() {
  MemoryBlockTable& t = GetMemoryBlockTable();
  for (int slot = 0; slot < MemoryBlockTable::kLimit; ++slot) {
    const MemoryBlockRecord& r = t.records[slot];
    if (r.used != 0) DeleteMemoryHandle(MakeHandle(kMemoryBlockHandle, r.checkNumber, slot));
  }
  return 0;
}

}  // namespace morrow
