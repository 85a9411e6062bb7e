// RIFF WAVE: the chunk walk every WAVE file takes, the PCM opener of 8 and 16-bit samples and its
// decode steps (copies of the data chunk), the 18-byte format record, and the WAVE image a
// decoded sound is kept as.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "morrow/sound/decode_internal.h"
#include "morrow/sound/sound_decode.h"
#include "morrow/sound/wave_format.h"

namespace morrow {
namespace {

constexpr uint32_t kMinFormatChunk = 16;
constexpr uint32_t kMaxFormatChunk = 65536;

}  // namespace

namespace decode_internal {

bool ReadWaveChunks(SoundConverter* c, std::vector<uint8_t>* fmt) {
  uint8_t h[8];
  if (Read(c, h, 8) != 8 || std::memcmp(h, "RIFF", 4) != 0) return false;
  if (Read(c, h, 4) != 4 || std::memcmp(h, "WAVE", 4) != 0) return false;
  if (Read(c, h, 8) != 8 || std::memcmp(h, "fmt ", 4) != 0) return false;
  uint32_t size = Le32(h + 4);
  // Fewer than 16 bytes leave the format's fields unset; more than 64 KiB is no format.
  if (size < kMinFormatChunk || size > kMaxFormatChunk) return false;
  c->formatPosition = Tell(c);
  c->formatSize = static_cast<int32_t>(size);
  fmt->assign(std::max(size, kWaveFormatBytes), 0);
  if (Read(c, fmt->data(), size) != size) return false;
  int64_t length = StreamLength(c);
  if (length < 0) return false;
  for (;;) {
    if (Read(c, h, 8) != 8) return false;
    uint32_t chunk = Le32(h + 4);
    if (std::memcmp(h, "data", 4) == 0) {
      c->dataPosition = Tell(c);
      if (c->dataPosition < 0) return false;
      // Sizes past the stream (0xFFFFFFFF from writers that never came back) mean "to the end".
      c->dataSize = std::min<int64_t>(chunk, std::max<int64_t>(0, length - c->dataPosition));
      return true;
    }
    // Unsigned 64-bit: a size near 4 GiB must skip forward, never wrap back.
    int64_t skip = int64_t{chunk} + (chunk & 1);
    int64_t at = Tell(c);
    if (at < 0 || at + skip >= length) return false;
    if (Seek(c, at + skip, 0) != 0) return false;
    if (c->stream.functions.eof(c->stream.handle)) return false;
  }
}

bool OpenPcmWave(SoundConverter* c) {
  std::vector<uint8_t> fmt;
  if (!ReadWaveChunks(c, &fmt)) return false;
  WaveFormat f = ReadWaveFormat(fmt.data(), static_cast<uint32_t>(fmt.size()));
  if (f.formatTag != kWaveFormatPcm) return false;
  if (f.channels < 1 || f.channels > kMaxChannels) return false;
  if (c->formatSize == 16) {
    // Writers of the short form often leave the bits field wrong; the block size is right.
    f.bitsPerSample = static_cast<uint16_t>(f.blockAlign / f.channels * 8);
  }
  // Wider samples are the compressed-data path's: it delivers them as 16 bits.
  if (f.bitsPerSample != 8 && f.bitsPerSample != 16) return false;
  if (!ValidRate(f.samplesPerSecond)) return false;
  f.blockAlign = static_cast<uint16_t>(f.channels * f.bitsPerSample / 8);
  f.averageBytesPerSecond = f.samplesPerSecond * f.blockAlign;
  f.extraSize = 0;
  c->outputFormat = f;
  c->outputBufferSize = static_cast<int32_t>(f.averageBytesPerSecond);
  c->method = kSoundMethodPcm;
  return true;
}

int PcmStep(SoundConverter* c) {
  int64_t position = Tell(c) - c->dataPosition;
  int64_t remaining = c->dataSize - position;
  if (c->shortRead || position < 0 || remaining <= 0) return -1;
  size_t want = static_cast<size_t>(std::min<int64_t>(remaining, c->outputBufferSize));
  size_t got = Read(c, c->outputBuffer, want);
  if (got == 0) return -1;
  if (got < want) c->shortRead = 1;
  c->outputAvailable = static_cast<int32_t>(got);
  return 0;
}

void PcmSeek(SoundConverter* c, int64_t target) {
  c->shortRead = 0;
  Seek(c, c->dataPosition + target, 0);
  c->outputDelivered = target;
  c->outputAvailable = 0;
  c->outputOffset = 0;
}

}  // namespace decode_internal

using namespace decode_internal;

WaveFormat ReadWaveFormat(const uint8_t* bytes, uint32_t size) {
  uint8_t b[kWaveFormatBytes] = {};
  std::memcpy(b, bytes, std::min(size, kWaveFormatBytes));
  WaveFormat f;
  f.formatTag = Le16(b);
  f.channels = Le16(b + 2);
  f.samplesPerSecond = Le32(b + 4);
  f.averageBytesPerSecond = Le32(b + 8);
  f.blockAlign = Le16(b + 12);
  f.bitsPerSample = Le16(b + 14);
  f.extraSize = Le16(b + 16);
  return f;
}

void WriteWaveFormat(const WaveFormat& f, uint8_t out[kWaveFormatBytes]) {
  PutLe16(out, f.formatTag);
  PutLe16(out + 2, f.channels);
  PutLe32(out + 4, f.samplesPerSecond);
  PutLe32(out + 8, f.averageBytesPerSecond);
  PutLe16(out + 12, f.blockAlign);
  PutLe16(out + 14, f.bitsPerSample);
  PutLe16(out + 16, f.extraSize);
}

int BuildWaveImage(uint8_t** image, uint32_t* imageSize, const WaveFormat* format,
                   uint32_t formatSize, const uint8_t* pcm, uint32_t pcmSize) {
  if (image == nullptr || imageSize == nullptr || format == nullptr ||
      formatSize > kWaveFormatBytes || (pcm == nullptr && pcmSize > 0)) {
    return -1;
  }
  uint64_t total = uint64_t{28} + formatSize + pcmSize;
  if (total > 0xFFFFFFFFu) return -1;
  auto* out = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(total)));
  if (out == nullptr) return -1;
  uint8_t fmt[kWaveFormatBytes];
  WriteWaveFormat(*format, fmt);
  std::memcpy(out, "RIFF", 4);
  PutLe32(out + 4, static_cast<uint32_t>(total - 8));
  std::memcpy(out + 8, "WAVEfmt ", 8);
  PutLe32(out + 16, formatSize);
  std::memcpy(out + 20, fmt, formatSize);
  std::memcpy(out + 20 + formatSize, "data", 4);
  PutLe32(out + 24 + formatSize, pcmSize);
  if (pcmSize > 0) std::memcpy(out + 28 + formatSize, pcm, pcmSize);
  *image = out;
  *imageSize = static_cast<uint32_t>(total);
  return 0;
}

}  // namespace morrow
