#include "morrow/sound/mpeg_audio.h"

#include <cstring>

namespace morrow {
namespace {

// kbit/s by [MPEG-1?][layer][index].
constexpr int kBitrates[2][3][16] = {
    {
        // MPEG-2
        {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256, 0},
        {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0},
        {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0},
    },
    {
        // MPEG-1
        {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448, 0},
        {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, 0},
        {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0},
    },
};
constexpr int kRates[2][3] = {{22050, 24000, 16000}, {44100, 48000, 32000}};

}  // namespace

bool ParseMpegHeader(const uint8_t b[4], MpegFrameHeader* h) {
  MpegFrameHeader r;
  r.mpeg1 = (b[1] & 0x08) != 0;
  r.layer = 3 - ((b[1] >> 1) & 3);
  r.bitrateIndex = b[2] >> 4;
  r.rateIndex = (b[2] >> 2) & 3;
  r.padding = (b[2] >> 1) & 1;
  r.channels = (b[3] & 0xC0) == 0xC0 ? 1 : 2;
  *h = r;
  if (r.layer == 3 || r.rateIndex == 3 || r.bitrateIndex == 15 || r.bitrateIndex == 0) {
    return false;
  }
  h->bitrateKbps = kBitrates[r.mpeg1 ? 1 : 0][r.layer][r.bitrateIndex];
  h->samplesPerSecond = kRates[r.mpeg1 ? 1 : 0][r.rateIndex];
  return true;
}

int MpegFrameLength(const MpegFrameHeader& h) {
  if (h.samplesPerSecond == 0) return 0;
  if (h.layer == 0) return 4 * (12000 * h.bitrateKbps / h.samplesPerSecond + h.padding);
  return (h.mpeg1 ? 144000 : 72000) * h.bitrateKbps / h.samplesPerSecond + h.padding;
}

int MpegBlockSize(const MpegFrameHeader& h) {
  if (h.samplesPerSecond == 0) return 4;
  if (h.layer == 0) return 4 * (12 * h.bitrateKbps / h.samplesPerSecond + h.padding) + 4;
  return (h.mpeg1 ? 144 : 72) * h.bitrateKbps / h.samplesPerSecond + h.padding + 4;
}

uint64_t Id3v2HeadSize(const uint8_t b[10]) {
  if (std::memcmp(b, "ID3", 3) != 0) return 0;
  uint64_t size = ((uint64_t{b[6]} * 128 + b[7]) * 128 + b[8]) * 128 + b[9] + 10;
  if (b[3] == 4 && (b[5] & 0x10) != 0) size += 10;
  return size;
}

}  // namespace morrow
