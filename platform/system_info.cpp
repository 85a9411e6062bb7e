#include "platform/system_info.h"

#include <sys/sysinfo.h>
#include <sys/utsname.h>

#include <cstring>

#include "platform/env.h"

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#include <x86intrin.h>
#define MORROW_HAVE_CPUID 1
#endif

namespace platform {

bool ReadOsInfo(OsInfo* out) {
  utsname u;
  if (uname(&u) != 0) return false;
  out->name = u.sysname;
  out->release = u.release;
  out->version = u.version;
  out->machine = u.machine;
  return true;
}

bool ReadMemoryInfo(MemoryInfo* out) {
  struct sysinfo si;
  if (sysinfo(&si) != 0) return false;
  uint64_t unit = si.mem_unit == 0 ? 1 : si.mem_unit;
  out->totalBytes = uint64_t{si.totalram} * unit;
  out->freeBytes = uint64_t{si.freeram} * unit;
  return true;
}

namespace {

// MORROW_MMX=0 stands in for a processor without the instructions, so that the library's other
// formulas can be run on any machine.
void ApplyMmxSetting(CpuInfo* info) {
  if (auto v = EnvSetting("MORROW_MMX")) {
    if (*v == "0") {
      info->hasMmx = false;
    } else if (*v != "1") {
      ReportBadSetting("MORROW_MMX", *v, "0 or 1");
    }
  }
}

CpuInfo ReadProcessor() {
  CpuInfo info;
#ifdef MORROW_HAVE_CPUID
  unsigned a, b, c, d;
  if (__get_cpuid(0, &a, &b, &c, &d) == 0) return info;
  info.hasCpuid = true;
  char vendor[13];
  std::memcpy(vendor, &b, 4);
  std::memcpy(vendor + 4, &d, 4);
  std::memcpy(vendor + 8, &c, 4);
  vendor[12] = '\0';
  info.vendor = vendor;
  if (a >= 1 && __get_cpuid(1, &a, &b, &c, &d) != 0) {
    info.hasTimeStampCounter = (d & (1u << 4)) != 0;
    info.hasMmx = (d & (1u << 23)) != 0;
  }
  if (__get_cpuid(0x80000000u, &a, &b, &c, &d) != 0 && a >= 0x80000004u) {
    char brand[49];
    for (unsigned i = 0; i < 3; ++i) {
      unsigned r[4];
      __get_cpuid(0x80000002u + i, &r[0], &r[1], &r[2], &r[3]);
      std::memcpy(brand + 16 * i, r, 16);
    }
    brand[48] = '\0';
    info.brand = brand;
  }
#endif
  return info;
}

}  // namespace

CpuInfo ReadCpuInfo() {
  CpuInfo info = ReadProcessor();
  ApplyMmxSetting(&info);
  return info;
}

uint64_t ReadTimeStampCounter() {
#ifdef MORROW_HAVE_CPUID
  return __rdtsc();
#else
  return 0;
#endif
}

}  // namespace platform
