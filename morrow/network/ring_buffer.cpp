#include "morrow/network/ring_buffer.h"

#include <algorithm>
#include <cstring>

#include "morrow/system/log.h"
#include "morrow/system/memory.h"

namespace morrow {
namespace {

// Sizes are kept in 32 bits and printed as int: nothing grows past this.
constexpr int64_t kMaxRingBytes = 0x7FFFFFFF;
// Doubling goes no further than the largest ring a connection keeps (64 MiB unread or queued, and
// the spare), so a block is never much larger than what it may have to hold.
constexpr int64_t kRingDoublingLimit = (int64_t{64} << 20) + 1000;

void WrapPositions(RingBuffer* ring) {
  if (ring->read == ring->size) ring->read = 0;
  if (ring->write == ring->size) ring->write = 0;
}

}  // namespace

int InitRingBuffer(RingBuffer* ring) {
  *ring = RingBuffer{};
  return 0;
}

int FreeRingBuffer(RingBuffer* ring) {
  FreeMemory(ring->data);
  *ring = RingBuffer{};
  return 0;
}

int ReserveRingBuffer(RingBuffer* ring, int64_t extra) {
  WrapPositions(ring);
  if (int64_t{ring->size} >= int64_t{ring->held} + extra) return 0;
  const int64_t wanted = int64_t{ring->held} + extra + 1000;
  // Growing by at least what the block already holds keeps the copies of a ring that fills
  // unread linear in what it comes to hold.
  int64_t size = std::max(wanted, std::min(int64_t{ring->size} * 2, kRingDoublingLimit));
  uint8_t* block = nullptr;
  if (wanted <= kMaxRingBytes) {
    block = static_cast<uint8_t*>(AllocateMemory(static_cast<size_t>(size)));
    // Short of memory for the larger block, the bytes asked for may still fit.
    if (block == nullptr && size > wanted) {
      size = wanted;
      block = static_cast<uint8_t*>(AllocateMemory(static_cast<size_t>(size)));
    }
  }
  if (block == nullptr) {
    FreeRingBuffer(ring);
    WriteLogFormat("リングバッファの再確保に失敗しました(確保しようとしたサイズ %lld byte)",
                   static_cast<long long>(wanted));
    return -1;
  }
  if (ring->held > 0) {
    const uint32_t first = ring->size - ring->read;
    if (ring->held <= first) {
      std::memcpy(block, ring->data + ring->read, ring->held);
    } else {
      std::memcpy(block, ring->data + ring->read, first);
      std::memcpy(block + first, ring->data, ring->held - first);
    }
  }
  FreeMemory(ring->data);
  ring->data = block;
  ring->read = 0;
  ring->write = ring->held;
  ring->size = static_cast<uint32_t>(size);
  return 0;
}

int RingBufferWrite(RingBuffer* ring, const void* data, int length) {
  WrapPositions(ring);
  if (length < 0 || ReserveRingBuffer(ring, length) == -1) {
    WriteLogFormat("リングバッファへのデータの追加に失敗しました(追加する長さ %d byte)", length);
    return -1;
  }
  if (length == 0) return 0;
  const auto* from = static_cast<const uint8_t*>(data);
  const auto n = static_cast<uint32_t>(length);
  if (ring->write + n <= ring->size) {
    std::memcpy(ring->data + ring->write, from, n);
    ring->write += n;
  } else {
    const uint32_t first = ring->size - ring->write;
    std::memcpy(ring->data + ring->write, from, first);
    std::memcpy(ring->data, from + first, n - first);
    ring->write = n - first;
  }
  ring->held += n;
  return 0;
}

int RingBufferRead(RingBuffer* ring, void* out, int length, int peek) {
  if (length < 0 || ring->held < static_cast<uint32_t>(length)) return -1;
  WrapPositions(ring);
  if (length == 0) return 0;
  auto* to = static_cast<uint8_t*>(out);
  const auto n = static_cast<uint32_t>(length);
  const uint32_t first = ring->size - ring->read;
  if (n <= first) {
    std::memcpy(to, ring->data + ring->read, n);
  } else {
    std::memcpy(to, ring->data + ring->read, first);
    std::memcpy(to + first, ring->data, n - first);
  }
  if (!peek) {
    ring->read = n <= first ? ring->read + n : n - first;
    ring->held -= n;
  }
  return 0;
}

int GetRingBufferLength(const RingBuffer* ring) {
  return static_cast<int>(ring->held);
}

}  // namespace morrow
