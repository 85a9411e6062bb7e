#include "morrow/raster/raster_path.h"

#include "morrow/raster/simd.h"
#include "morrow/raster/simd_avx2.h"

namespace morrow::raster {
namespace {

RasterPath& Path() {
  static RasterPath path = ChooseRasterPath(platform::ReadVectorSupport());
  return path;
}

}  // namespace

RasterPath ChooseRasterPath(const platform::VectorSupport& support) {
#if defined(MORROW_RASTER_AVX2)
  if (support.sse2 && support.avx2) return RasterPath::kAvx2;
#endif
#if defined(MORROW_RASTER_SSE2)
  if (support.sse2) return RasterPath::kSse2;
#endif
  (void)support;
  return RasterPath::kReference;
}

const char* RasterPathName(RasterPath path) {
  switch (path) {
    case RasterPath::kAvx2:
      return "avx2";
    case RasterPath::kSse2:
      return "sse2";
    default:
      return "reference";
  }
}

RasterPath CurrentRasterPath() {
  return Path();
}

bool SetRasterPath(RasterPath path) {
  if (path == RasterPath::kSse2 && !Sse2Available()) return false;
  if (path == RasterPath::kAvx2 && !Avx2Available()) return false;
  Path() = path;
  return true;
}

bool Sse2Available() {
#if defined(MORROW_RASTER_SSE2) && (defined(__x86_64__) || defined(__i386__))
  static const bool available = __builtin_cpu_supports("sse2") != 0;
  return available;
#else
  return false;
#endif
}

bool Avx2Available() {
#if defined(MORROW_RASTER_AVX2)
  static const bool available = Sse2Available() && __builtin_cpu_supports("avx2") != 0;
  return available;
#else
  return false;
#endif
}

}  // namespace morrow::raster
