// The growable ring buffers of the network connections: received payload waiting to be taken and
// bytes queued for sending.
//
// A position equal to the size counts as 0; every operation first puts such a position back to
// 0. Growth keeps 1000 bytes to spare, at least doubles the block (up to a block of 64 MiB and the
// spare) and moves the held bytes to the start of the new block.
#pragma once

#include <cstdint>

namespace morrow {

struct RingBuffer {
  uint8_t* data;
  uint32_t read;
  uint32_t write;
  uint32_t held;
  uint32_t size;
};

// All fields 0. Always 0.
int InitRingBuffer(RingBuffer* ring);
// Frees the block and sets all fields 0. Always 0.
int FreeRingBuffer(RingBuffer* ring);
// Appends length bytes; -1 with a log line when the ring cannot grow (the ring is then empty).
int RingBufferWrite(RingBuffer* ring, const void* data, int length);
// Copies length bytes from the oldest held ones; unless peek they are taken. -1 when fewer held.
int RingBufferRead(RingBuffer* ring, void* out, int length, int peek);
int GetRingBufferLength(const RingBuffer* ring);
// Makes room for extra more bytes. A failed allocation frees the block, empties the ring and
// writes a log line; -1.
int ReserveRingBuffer(RingBuffer* ring, int64_t extra);

}  // namespace morrow
