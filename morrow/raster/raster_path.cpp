#include "morrow/raster/raster_path.h"

#include "morrow/raster/simd.h"
#include "platform/system_info.h"

namespace morrow::raster {
namespace {

bool ProcessorHasSse2() {
#if defined(MORROW_RASTER_SSE2) && (defined(__x86_64__) || defined(__i386__))
  return __builtin_cpu_supports("sse2") != 0;
#else
  return false;
#endif
}

RasterPath StartPath() {
#if defined(MORROW_RASTER_SSE2)
  if (platform::ReadVectorSupport().sse2) return RasterPath::kSse2;
#endif
  return RasterPath::kReference;
}

RasterPath& Path() {
  static RasterPath path = StartPath();
  return path;
}

}  // namespace

RasterPath CurrentRasterPath() {
  return Path();
}

bool SetRasterPath(RasterPath path) {
  if (path == RasterPath::kSse2 && !Sse2Available()) return false;
  Path() = path;
  return true;
}

bool Sse2Available() {
  static const bool available = ProcessorHasSse2();
  return available;
}

}  // namespace morrow::raster
