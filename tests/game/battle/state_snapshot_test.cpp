// The whole battle state as the drawn frame's guard sees it: the hash of each range sees every
// change, structured ones too, and the blocks beside the field table are under the guard and in
// the copy, while the traces (which serialise the table field by field) never see them.
#include "game/battle/state_snapshot.h"

#include <cstdint>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "game/battle/arena.h"
#include "game/battle/field_table.h"
#include "game/core/input.h"
#include "game/core/records.h"

namespace {

using veyrdale::StateHashes;
using veyrdale::StateSnapshot;

uint64_t WordAt(const unsigned char* p) {
  uint64_t word;
  std::memcpy(&word, p, sizeof word);
  return word;
}

void PutWord(unsigned char* p, uint64_t word) {
  std::memcpy(p, &word, sizeof word);
}

// A change to a range (its start, its size): each is one a running sum, or a sum of such sums per
// lane of eight words, does not see, or the smallest there is. `prepare` puts what the change needs
// in place before the hashes are taken.
using Change = std::function<void(unsigned char* range, size_t size)>;

void AddToWord(unsigned char* p, uint64_t delta) {
  PutWord(p, WordAt(p) + delta);
}

struct Case {
  const char* what;
  size_t bytesNeeded;
  Change prepare;
  Change apply;
};
const Change kNothing = [](unsigned char*, size_t) {};
const Case kPatterns[] = {
    {"+1, -2, +1 to three words 64 bytes apart", 144, kNothing,
     [](unsigned char* r, size_t) {
       AddToWord(r + 8, 1);
       AddToWord(r + 72, ~uint64_t{1});  // -2
       AddToWord(r + 136, 1);
     }},
    {"the top bit flipped in two words of one lane", 136, kNothing,
     [](unsigned char* r, size_t) {
       AddToWord(r, uint64_t{1} << 63);
       AddToWord(r + 128, uint64_t{1} << 63);
     }},
    {"two words swapped", 72,
     [](unsigned char* r, size_t) {
       PutWord(r, 0x0102030405060708);
       PutWord(r + 64, 0x1122334455667788);
     },
     [](unsigned char* r, size_t) {
       const uint64_t first = WordAt(r);
       PutWord(r, WordAt(r + 64));
       PutWord(r + 64, first);
     }},
    {"bit 63 of a word", 16, kNothing, [](unsigned char* r, size_t) { r[15] ^= 0x80; }},
    {"a bit of the last byte", 1, kNothing,
     [](unsigned char* r, size_t size) { r[size - 1] ^= 0x40; }},
};

// A range of the guard's list: a big pool, a small global, a block beside the table.
struct Target {
  const char* name;  // as FindChange reports it
  unsigned char* address;
  size_t size;
};

std::vector<Target> Targets() {
  return {
      {"pool shot", reinterpret_cast<unsigned char*>(veyrdale::g_shots), sizeof veyrdale::g_shots},
      {"HeldFrameCounts", reinterpret_cast<unsigned char*>(veyrdale::HeldFrameCounts),
       sizeof veyrdale::HeldFrameCounts},
      {"g_arenaMapFiles", reinterpret_cast<unsigned char*>(veyrdale::g_arenaMapFiles),
       sizeof veyrdale::g_arenaMapFiles},
  };
}

TEST(StateHashes, SeeEveryPatternOfChangesOnAnyContent) {
  std::mt19937 fill(5);
  for (const Target& target : Targets()) {
    for (const bool randomContent : {false, true}) {
      for (const Case& c : kPatterns) {
        if (c.bytesNeeded > target.size) continue;
        SCOPED_TRACE(std::string(target.name) + ", " + c.what +
                     (randomContent ? ", random content" : ", zeros"));
        std::vector<unsigned char> saved(target.address, target.address + target.size);
        for (size_t b = 0; b < target.size; ++b) {
          target.address[b] = randomContent ? static_cast<unsigned char>(fill()) : 0;
        }
        c.prepare(target.address, target.size);
        StateHashes hashes;
        hashes.Take();
        char found[96] = "";
        EXPECT_FALSE(hashes.FindChange(found, sizeof found)) << found;
        const std::vector<unsigned char> before(target.address, target.address + target.size);
        c.apply(target.address, target.size);
        ASSERT_NE(std::memcmp(before.data(), target.address, target.size), 0);
        EXPECT_TRUE(hashes.FindChange(found, sizeof found));
        EXPECT_STREQ(found, target.name);
        std::memcpy(target.address, before.data(), target.size);
        EXPECT_FALSE(hashes.FindChange(found, sizeof found)) << found;
        std::memcpy(target.address, saved.data(), target.size);
      }
    }
  }
}

// The widest loop the processor has and the one every x86-64 processor has give one hash, at
// every length and alignment, the words past the last group of eight and the bytes past the last
// word included.
TEST(StateHashes, EveryLoopGivesTheSameHash) {
  std::mt19937 fill(11);
  std::vector<unsigned char> bytes(71680 + 64);
  for (unsigned char& b : bytes) b = static_cast<unsigned char>(fill());
  for (const size_t size : {0, 1, 7, 8, 9, 63, 64, 65, 120, 127, 128, 129, 200, 1000, 71680}) {
    for (const size_t offset : {0, 1, 8, 13}) {
      const unsigned char* p = bytes.data() + offset;
      EXPECT_EQ(veyrdale::HashStateBytes(p, size, true), veyrdale::HashStateBytes(p, size, false))
          << size << " bytes at offset " << offset;
    }
  }
}

// A byte of the block that no global of the table covers, or nullptr.
unsigned char* ByteOutsideTheTable(const veyrdale::StateBlock& block) {
  auto* bytes = static_cast<unsigned char*>(block.address);
  for (size_t b = 0; b < block.size; ++b) {
    bool covered = false;
    for (const veyrdale::GlobalField& g : veyrdale::GlobalFields()) {
      const int last = (g.dims[0] - 1) * g.strides[0] + (g.dims[1] - 1) * g.strides[1];
      const auto* begin = static_cast<const unsigned char*>(g.address);
      const auto* end = begin + static_cast<size_t>(last + 1) * veyrdale::FieldWidth(g.type);
      covered = covered || (bytes + b >= begin && bytes + b < end);
    }
    if (!covered) return bytes + b;
  }
  return nullptr;
}

// Each block beside the table is in the guard's hashes, the copy's comparison and its restore,
// by its own name, while no field of the table reaches it.
TEST(StateBesideTable, EveryBlockIsGuardedAndCopiedByName) {
  ASSERT_FALSE(veyrdale::StateBesideTable().empty());
  for (const veyrdale::StateBlock& block : veyrdale::StateBesideTable()) {
    SCOPED_TRACE(block.name);
    unsigned char* byte = ByteOutsideTheTable(block);
    ASSERT_NE(byte, nullptr) << "the table covers the whole block: it needs no block";
    StateHashes hashes;
    hashes.Take();
    StateSnapshot copy;
    copy.Take();
    const unsigned char was = *byte;
    *byte = static_cast<unsigned char>(was ^ 0x81);
    char found[96] = "";
    EXPECT_TRUE(hashes.FindChange(found, sizeof found));
    EXPECT_STREQ(found, block.name);
    ASSERT_TRUE(copy.FindChange(found, sizeof found));
    EXPECT_EQ(std::string(found),
              std::string(block.name) + ", byte " +
                  std::to_string(byte - static_cast<unsigned char*>(block.address)));
    copy.Restore();
    EXPECT_EQ(*byte, was);
    EXPECT_FALSE(hashes.FindChange(found, sizeof found)) << found;
  }
}

}  // namespace
