// 8-bit RGB PNG files: the frame dump, the probes and the demo-resource writer write them (the
// demo-resource tool also makes them in memory, to compare), the probes and tests read them back.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// How hard a PNG is compressed. The default is libpng's own: its zlib level and its choice of
// row filters.
struct PngCompression {
  int level = -1;          // zlib level 0..9; -1 keeps libpng's
  bool rowFilters = true;  // false writes every row unfiltered
};

// Writes rows of width * 3 bytes; false (with a reason) when the file cannot be written. The
// bytes depend on the pixels and the compression only (no time stamp).
bool WritePngRgb(const std::string& path, int32_t width, int32_t height, const uint8_t* rgb,
                 std::string* error, const PngCompression& compression = {});

// The bytes WritePngRgb would write for the same picture and compression, in `bytes` instead of a
// file; false (with a reason) for an empty picture or when memory runs out.
bool EncodePngRgb(int32_t width, int32_t height, const uint8_t* rgb, std::string* bytes,
                  std::string* error, const PngCompression& compression = {});

// Reads any PNG as 8-bit RGB rows (palette and grey expanded, 16-bit channels cut to 8, alpha
// dropped). False with a reason for a missing, malformed or truncated file, anything but a regular
// file (refused at once), or a picture of more than 2^28 pixels.
bool ReadPngRgb(const std::string& path, int32_t* width, int32_t* height, std::vector<uint8_t>* rgb,
                std::string* error);
// The same from the bytes of a PNG file in memory.
bool DecodePngRgb(const std::string& bytes, int32_t* width, int32_t* height,
                  std::vector<uint8_t>* rgb, std::string* error);

}  // namespace platform
