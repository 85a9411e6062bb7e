#include "morrow/raster/pixel_format.h"

namespace morrow::raster {

FormatClass ClassifyScreenFormat(int depth, const ColorFormat& format) {
  switch (depth) {
    case 8:
      return FormatClass::k8;
    case 32:
      return FormatClass::k32;
    case 16:
      // Red decides which class is possible; green and blue must then match that class.
      if (format.redMask == F565::kMask[0]) {
        return format.greenMask == F565::kMask[1] && format.blueMask == F565::kMask[2]
                   ? FormatClass::k565
                   : FormatClass::kGeneric16;
      }
      if (format.redMask == F555::kMask[0]) {
        return format.greenMask == F555::kMask[1] && format.blueMask == F555::kMask[2]
                   ? FormatClass::k555
                   : FormatClass::kGeneric16;
      }
      return FormatClass::kGeneric16;
    default:
      return FormatClass::kOther;
  }
}

}  // namespace morrow::raster
