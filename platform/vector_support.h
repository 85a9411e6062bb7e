// The vector instruction sets the software loops may use (the rasterisers' and the block
// copy's): what the processor reports, narrowed by MORROW_RASTER (reference: none, the scalar
// reference loops; sse2: no AVX2; auto or unset: all the processor has).
#pragma once

namespace platform {

struct VectorSupport {
  bool sse2 = false;
  bool avx2 = false;  // only with sse2
};

VectorSupport ReadVectorSupport();
// What a processor with the instruction sets `detected` may use under the MORROW_RASTER value
// `setting` (null: unset); a value other than reference, sse2 or auto is reported and ignored.
VectorSupport ApplyRasterSetting(VectorSupport detected, const char* setting);

}  // namespace platform
