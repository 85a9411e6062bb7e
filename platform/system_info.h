// What the log reports about the machine: the system's name and version, memory, and the
// processor as its identification instruction describes it.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

struct OsInfo {
  std::string name;     // "Linux"
  std::string release;  // "6.1.0-18-amd64"
  std::string version;  // the kernel's build text
  std::string machine;  // "x86_64"
};

struct MemoryInfo {
  uint64_t totalBytes = 0;
  uint64_t freeBytes = 0;
};

struct CpuInfo {
  bool hasCpuid = false;  // false on processors without the identification instruction
  std::string vendor;     // 12 characters
  std::string brand;      // empty when the processor reports none
  bool hasTimeStampCounter = false;
  bool hasMmx = false;  // false also when MORROW_MMX=0
};

bool ReadOsInfo(OsInfo* out);
bool ReadMemoryInfo(MemoryInfo* out);
CpuInfo ReadCpuInfo();
// The processor's time-stamp counter; 0 where there is none.
uint64_t ReadTimeStampCounter();

}  // namespace platform
