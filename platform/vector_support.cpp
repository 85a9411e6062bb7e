#include "platform/vector_support.h"

#include <string>

#include "platform/env.h"

namespace platform {

VectorSupport ApplyRasterSetting(VectorSupport detected, const char* setting) {
  VectorSupport support = detected;
  support.avx2 = support.avx2 && support.sse2;
  if (setting == nullptr) return support;
  const std::string v = setting;
  if (v == "reference") {
    support = VectorSupport{};
  } else if (v == "sse2") {
    support.avx2 = false;
  } else if (v != "auto") {
    ReportBadSetting("MORROW_RASTER", v, "reference, sse2 or auto");
  }
  return support;
}

VectorSupport ReadVectorSupport() {
  VectorSupport detected;
#if defined(__x86_64__) || defined(__i386__)
  detected.sse2 = __builtin_cpu_supports("sse2") != 0;
  // The check covers the system's saving of the wide registers too.
  detected.avx2 = __builtin_cpu_supports("avx2") != 0;
#endif
  const auto v = EnvSetting("MORROW_RASTER");
  return ApplyRasterSetting(detected, v ? v->c_str() : nullptr);
}

}  // namespace platform
