// Records of the graphics tables are made through the library's allocator, zero-filled and then
// value-initialised, so that records holding strings or shared pointers start empty as well.
#pragma once

#include <new>

#include "morrow/system/memory.h"

namespace morrow {

template <typename Record>
Record* NewRecord() {
  void* p = AllocateZeroMemory(sizeof(Record));
  if (p == nullptr) return nullptr;
  return new (p) Record{};
}

template <typename Record>
void FreeRecord(Record* record) {
  if (record == nullptr) return;
  record->~Record();
  FreeMemory(record);
}

}  // namespace morrow
