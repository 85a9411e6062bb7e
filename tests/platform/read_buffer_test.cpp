#include "platform/read_buffer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace platform {
namespace {

// Read up to a limit in pieces of any size, the buffer never holds more than the limit, and no
// growth copies more than half of it (its old bytes and their copy together within the limit);
// the bytes are kept in order.
TEST(ReadBuffer, NeverHoldsMoreThanTheLimit) {
  const struct {
    size_t limit;
    size_t piece;
  } cases[] = {{1000, 97},
               {(size_t{1} << 20) + 1, 65536},
               {3 * (size_t{1} << 20) + 7, 4093},
               {(size_t{1} << 20) + 1, (size_t{1} << 20) + 1},
               {1000, 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.limit) + " in pieces of " + std::to_string(c.piece));
    std::string bytes;
    size_t copiedMost = 0;
    while (bytes.size() < c.limit) {
      const size_t n = std::min(c.piece, c.limit - bytes.size());
      const size_t capacity = bytes.capacity();
      const size_t held = bytes.size();
      MakeReadRoom(&bytes, n, c.limit);
      ASSERT_GE(bytes.capacity(), held + n);
      if (bytes.capacity() != capacity) copiedMost = std::max(copiedMost, held);
      const std::string piece(n, static_cast<char>('a' + bytes.size() % 26));
      bytes.append(piece);
    }
    EXPECT_LE(bytes.capacity(), c.limit);
    EXPECT_LE(2 * copiedMost, c.limit);
    for (size_t at = 0; at < bytes.size(); at += c.piece) {
      ASSERT_EQ(bytes[at], static_cast<char>('a' + at % 26)) << at;
    }
  }
}

}  // namespace
}  // namespace platform
