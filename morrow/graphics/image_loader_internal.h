// Helpers the image loaders share: exact reads, stream sizes, the size limits and little-endian
// fields. Internal to morrow_graphics.
#pragma once

#include <cstddef>
#include <cstdint>

#include "morrow/graphics/graph_image.h"
#include "morrow/system/stream.h"

namespace morrow::image_internal {

inline uint16_t Le16(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
inline uint32_t Le32(const uint8_t* p) {
  return uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
}

// The current position, or -1.
int64_t Tell(StreamSource* s);
bool SeekTo(StreamSource* s, int64_t position);
// The stream's total size (tell, seek to the end, tell, seek back); false when any step fails.
bool MeasureStream(StreamSource* s, int64_t* size);
// Reads exactly n bytes; a short read is a failure.
bool ReadExact(StreamSource* s, void* buffer, size_t n);

// width and height 1..65535 and pitch x height within kMaxImageBytes, all in 64 bits.
bool ImageSizeFits(int64_t width, int64_t height, int64_t pitch);
// 1 when mask is one run of set bits (and not 0).
bool IsContiguousMask(uint32_t mask);

// Pixel buffers are owned by GraphImage and released with std::free.
void* AllocatePixels(size_t bytes);
void* AllocateZeroPixels(size_t bytes);

// Reads a bounded stretch of a stream in chunks, for the run-length decoders.
struct ChunkReader {
  StreamSource* stream;
  int64_t left;  // bytes not yet taken from the stream
  size_t pos;
  size_t len;
  uint8_t buffer[4096];
};
void StartChunkReader(ChunkReader* r, StreamSource* s, int64_t bytes);
// false when the stretch is used up (or the stream fails).
bool NextByte(ChunkReader* r, uint8_t* out);
bool NextBytes(ChunkReader* r, uint8_t* out, size_t n);

}  // namespace morrow::image_internal
