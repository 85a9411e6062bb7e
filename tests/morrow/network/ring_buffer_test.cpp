// The rings: the worked growth and wrap cases, then a seeded run against a plain byte queue.
#include "morrow/network/ring_buffer.h"

#include <algorithm>
#include <cstring>
#include <deque>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "morrow/system/log.h"
#include "tests/support/temp_dir.h"

namespace {

using morrow::RingBuffer;

std::string ReadAll(RingBuffer* ring, int n, int peek) {
  std::string out(static_cast<size_t>(n), '\0');
  EXPECT_EQ(morrow::RingBufferRead(ring, out.data(), n, peek), 0);
  return out;
}

TEST(RingBuffer, GrowsWrapsAndPeeksAsWorkedOut) {
  RingBuffer ring;
  morrow::InitRingBuffer(&ring);
  // An empty ring that must hold 10 bytes keeps 1000 to spare.
  ASSERT_EQ(morrow::RingBufferWrite(&ring, "0123456789", 10), 0);
  EXPECT_EQ(ring.size, 1010u);
  EXPECT_EQ(ring.write, 10u);
  EXPECT_EQ(morrow::GetRingBufferLength(&ring), 10);

  // Five bytes that wrap past the end move to position 0 when the ring grows.
  ring.read = 1007;
  ring.write = 2;
  ring.held = 5;
  std::memcpy(ring.data + 1007, "abc", 3);
  std::memcpy(ring.data, "de", 2);
  ASSERT_EQ(morrow::ReserveRingBuffer(&ring, 2000), 0);
  EXPECT_EQ(ring.size, 3005u);
  EXPECT_EQ(ring.read, 0u);
  EXPECT_EQ(ring.write, 5u);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(ring.data), 5), "abcde");
  // Room enough: nothing moves.
  uint8_t* block = ring.data;
  ASSERT_EQ(morrow::ReserveRingBuffer(&ring, 3000), 0);
  EXPECT_EQ(ring.data, block);

  // A peek leaves positions and count as they were, wrapped or not.
  ring.read = 3003;
  ring.write = 3;
  std::memcpy(ring.data + 3003, "vw", 2);
  std::memcpy(ring.data, "xyz", 3);
  const RingBuffer before = ring;
  EXPECT_EQ(ReadAll(&ring, 5, 1), "vwxyz");
  EXPECT_EQ(std::memcmp(&before, &ring, sizeof ring), 0);
  EXPECT_EQ(ReadAll(&ring, 4, 0), "vwxy");
  EXPECT_EQ(ring.read, 2u);
  EXPECT_EQ(ring.held, 1u);
  char six[6];
  EXPECT_EQ(morrow::RingBufferRead(&ring, six, 2, 0), -1);
  morrow::FreeRingBuffer(&ring);
  EXPECT_EQ(ring.data, nullptr);
  EXPECT_EQ(ring.size, 0u);
}

TEST(RingBuffer, MatchesAByteQueueOverSeededRuns) {
  for (uint32_t seed = 1; seed <= 40; ++seed) {
    std::mt19937 rng(seed);
    RingBuffer ring;
    morrow::InitRingBuffer(&ring);
    std::deque<char> model;
    for (int step = 0; step < 400; ++step) {
      const int n = static_cast<int>(rng() % 1500);
      const int op = static_cast<int>(rng() % 3);
      if (op == 0) {
        std::string bytes(static_cast<size_t>(n), '\0');
        for (char& c : bytes) c = static_cast<char>(rng());
        const uint32_t oldSize = ring.size;
        const size_t held = model.size();
        ASSERT_EQ(morrow::RingBufferWrite(&ring, bytes.data(), n), 0);
        // A ring grows only when it must, and then to what it holds plus 1000 or to twice its
        // size, whichever is more.
        if (ring.size != oldSize) {
          EXPECT_GT(held + static_cast<size_t>(n), oldSize) << "seed " << seed;
          EXPECT_EQ(ring.size, std::max<size_t>(held + static_cast<size_t>(n) + 1000, 2 * oldSize))
              << "seed " << seed;
        }
        model.insert(model.end(), bytes.begin(), bytes.end());
      } else {
        std::string out(static_cast<size_t>(n), '\0');
        const int peek = op == 2;
        const int result = morrow::RingBufferRead(&ring, out.data(), n, peek);
        if (static_cast<size_t>(n) > model.size()) {
          ASSERT_EQ(result, -1) << "seed " << seed;
          continue;
        }
        ASSERT_EQ(result, 0) << "seed " << seed;
        ASSERT_TRUE(std::equal(out.begin(), out.end(), model.begin())) << "seed " << seed;
        if (!peek) model.erase(model.begin(), model.begin() + n);
      }
      ASSERT_EQ(static_cast<size_t>(morrow::GetRingBufferLength(&ring)), model.size());
      ASSERT_LE(ring.read, ring.size);
      ASSERT_LE(ring.write, ring.size);
    }
    morrow::FreeRingBuffer(&ring);
  }
}

// Doubling (which the seeded runs check below the cap) stops at a block of 64 MiB and the spare;
// past that a ring grows to what it must hold.
TEST(RingBuffer, GrowthDoublesUpTo64MiB) {
  RingBuffer ring;
  morrow::InitRingBuffer(&ring);
  const int64_t mib = int64_t{1} << 20;
  ASSERT_EQ(morrow::ReserveRingBuffer(&ring, 40 * mib), 0);
  EXPECT_EQ(ring.size, 40 * mib + 1000);
  ASSERT_EQ(morrow::ReserveRingBuffer(&ring, 41 * mib), 0);
  EXPECT_EQ(ring.size, 64 * mib + 1000);
  ASSERT_EQ(morrow::ReserveRingBuffer(&ring, 65 * mib), 0);
  EXPECT_EQ(ring.size, 65 * mib + 1000);
  morrow::FreeRingBuffer(&ring);
}

TEST(RingBuffer, AGrowthThatCannotBeMadeEmptiesTheRing) {
  testsupport::TempDir dir;
  morrow::SetLogDirectory(dir.path());
  morrow::StartLogFile();
  RingBuffer ring;
  morrow::InitRingBuffer(&ring);
  ASSERT_EQ(morrow::RingBufferWrite(&ring, "abc", 3), 0);
  // Beyond what 32-bit sizes hold: refused as a failed allocation is.
  EXPECT_EQ(morrow::ReserveRingBuffer(&ring, int64_t{0x7FFFFFFF}), -1);
  EXPECT_EQ(ring.data, nullptr);
  EXPECT_EQ(ring.held, 0u);
  EXPECT_EQ(morrow::RingBufferWrite(&ring, "abc", -1), -1);
  const std::string log = testsupport::ReadFile(dir.File("AppLog.txt"));
  EXPECT_NE(
      log.find("リングバッファの再確保に失敗しました(確保しようとしたサイズ 2147484650 byte)"),
      std::string::npos);
  EXPECT_NE(log.find("リングバッファへのデータの追加に失敗しました(追加する長さ -1 byte)"),
            std::string::npos);
  morrow::SetLogDirectory("");
}

}  // namespace
