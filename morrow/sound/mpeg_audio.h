// MPEG audio frame headers and ID3 tags, as the sound decoder's MPEG opener reads them.
#pragma once

#include <cstdint>

namespace morrow {

struct MpegFrameHeader {
  bool mpeg1 = false;    // else MPEG-2
  int layer = 0;         // 0 layer I, 1 layer II, 2 layer III, 3 reserved
  int bitrateIndex = 0;  // 0 free format, 15 reserved
  int rateIndex = 0;     // 3 reserved
  int bitrateKbps = 0;
  int samplesPerSecond = 0;
  int padding = 0;
  int channels = 0;
};

// True for the first two bytes of a frame: 0xFF, then a byte with its high four bits set.
inline bool IsMpegSync(uint8_t b0, uint8_t b1) {
  return b0 == 0xFF && (b1 & 0xF0) == 0xF0;
}

// Reads the four header bytes. False when the layer, the rate or the bitrate is reserved, or
// the bitrate is free format (index 0): such a frame has no length to step by.
bool ParseMpegHeader(const uint8_t bytes[4], MpegFrameHeader* header);

// The frame's length in bytes, header included.
int MpegFrameLength(const MpegFrameHeader& h);

// The block size written into the Layer-3 format record (whole-kbit arithmetic, plus 4).
int MpegBlockSize(const MpegFrameHeader& h);

// The size of an ID3v2 head from its first 10 bytes (0 when they do not start one): the
// syncsafe size plus the 10 header bytes, plus 10 more for a version-4 footer.
uint64_t Id3v2HeadSize(const uint8_t bytes[10]);

}  // namespace morrow
