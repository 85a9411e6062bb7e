// Which loops the software rasterisers run: the scalar reference loops, or the SSE2 loops where
// a rule has them. The start-up choice follows the processor and MORROW_RASTER=reference
// (platform::ReadVectorSupport); both paths write the same pixels, bit for bit.
#pragma once

#include <cstdint>

namespace morrow::raster {

enum class RasterPath : uint8_t { kReference, kSse2 };

// The path in use; read from the platform at the first call.
RasterPath CurrentRasterPath();
// Tests and benchmarks switch paths; kSse2 is taken only where the processor and the build have
// it (false otherwise, and the path stays).
bool SetRasterPath(RasterPath path);
// The processor and the build can run the SSE2 loops, whatever the setting says.
bool Sse2Available();

}  // namespace morrow::raster
