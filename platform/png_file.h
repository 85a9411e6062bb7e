// 8-bit RGB PNG files: the frame dump writes them, the probes and tests read them back.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// Writes rows of width * 3 bytes; false (with a reason) when the file cannot be written.
bool WritePngRgb(const std::string& path, int32_t width, int32_t height, const uint8_t* rgb,
                 std::string* error);

// Reads any PNG as 8-bit RGB rows (palette and grey expanded, 16-bit channels cut to 8, alpha
// dropped). False with a reason for a missing, malformed or truncated file, or a picture of more
// than 2^28 pixels.
bool ReadPngRgb(const std::string& path, int32_t* width, int32_t* height, std::vector<uint8_t>* rgb,
                std::string* error);

}  // namespace platform
