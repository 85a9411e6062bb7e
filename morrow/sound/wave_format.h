// The PCM and coded-audio format record the sound component passes around: the 18 bytes of a
// RIFF "fmt " chunk's common part.
#pragma once

#include <cstdint>

namespace morrow {

struct WaveFormat {
  uint16_t formatTag = 0;  // 1 = integer PCM
  uint16_t channels = 0;
  uint32_t samplesPerSecond = 0;
  uint32_t averageBytesPerSecond = 0;
  uint16_t blockAlign = 0;
  uint16_t bitsPerSample = 0;
  uint16_t extraSize = 0;  // bytes following in the chunk

  friend bool operator==(const WaveFormat&, const WaveFormat&) = default;
};

constexpr uint16_t kWaveFormatPcm = 1;
// The size of the common part in a file.
constexpr uint32_t kWaveFormatBytes = 18;

// The common part from the first min(size, 18) bytes of a chunk (missing bytes read as 0).
WaveFormat ReadWaveFormat(const uint8_t* bytes, uint32_t size);
// The 18 little-endian bytes of the common part.
void WriteWaveFormat(const WaveFormat& format, uint8_t out[kWaveFormatBytes]);

}  // namespace morrow
