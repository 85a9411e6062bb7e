// Which loops the software rasterisers run: the scalar reference loops, the SSE2 loops, or the
// AVX2 loops, each where a rule has them (a rule without an AVX2 form runs its SSE2 one on the
// AVX2 path). The start-up choice follows the processor and MORROW_RASTER=reference or sse2
// (platform::ReadVectorSupport); every path writes the same pixels, bit for bit.
#pragma once

#include <cstdint>

#include "platform/vector_support.h"

namespace morrow::raster {

enum class RasterPath : uint8_t { kReference, kSse2, kAvx2 };

// The path in use; read from the platform at the first call.
RasterPath CurrentRasterPath();
// Tests and benchmarks switch paths; a vector path is taken only where the processor and the
// build have it (false otherwise, and the path stays).
bool SetRasterPath(RasterPath path);
// The processor and the build can run the SSE2 (AVX2) loops, whatever the setting says.
bool Sse2Available();
bool Avx2Available();
// The widest path the build has among those support allows.
RasterPath ChooseRasterPath(const platform::VectorSupport& support);
// "reference", "sse2" or "avx2".
const char* RasterPathName(RasterPath path);

}  // namespace morrow::raster
