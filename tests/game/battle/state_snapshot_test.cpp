// The whole battle state as the drawn frame's guard sees it: the hash of each range sees every
// change, structured ones too, and the blocks beside the field table are under the guard and in
// the copy, while the traces (which serialise the table field by field) never see them.
#include "game/battle/state_snapshot.h"

#include <cstdint>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <utility>
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

void AddToWord(unsigned char* p, uint64_t delta) {
  PutWord(p, WordAt(p) + delta);
}

// What a range holds before the change: zeros, random bytes, or the commonest shape of game state,
// small counters (2 to 7) in every other word beside zero words.
enum class Content { kZeros, kRandom, kSmallCounters };

void Fill(unsigned char* r, size_t size, Content content, std::mt19937& random) {
  for (size_t b = 0; b < size; ++b) {
    r[b] = content == Content::kRandom ? static_cast<unsigned char>(random()) : 0;
  }
  if (content != Content::kSmallCounters) return;
  for (size_t w = 0; w + 8 <= size; w += 16) PutWord(r + w, 2 + random() % 6);
}

// +1, -2, +1 to three words kApart bytes apart: what a sum keyed evenly by place makes up for.
template <size_t kApart>
void PlusMinusPlus(unsigned char* at) {
  AddToWord(at, 1);
  AddToWord(at + kApart, ~uint64_t{1});  // -2
  AddToWord(at + 2 * kApart, 1);
}

constexpr uint64_t kTopBit = uint64_t{1} << 63;

// A change made at a start word of a range, reaching `reach` bytes from it; `prepare` (or nullptr)
// puts what the change needs in place before the hashes are taken. Each change is tried from every
// start word among the range's first kStarts that leaves it room.
constexpr size_t kStarts = 48;
struct Case {
  const char* what;
  size_t reach;
  void (*prepare)(unsigned char* at);
  void (*apply)(unsigned char* at);
};
const Case kPatterns[] = {
    {"+1, -2, +1 to three words 8 bytes apart", 24, nullptr, &PlusMinusPlus<8>},
    {"+1, -2, +1 to three words 64 bytes apart", 136, nullptr, &PlusMinusPlus<64>},
    {"+1, -2, +1 to three words 128 bytes apart", 264, nullptr, &PlusMinusPlus<128>},
    {"two words 64 bytes apart swapped", 72,
     [](unsigned char* at) { PutWord(at + 64, WordAt(at) + 1); },
     [](unsigned char* at) {
       const uint64_t first = WordAt(at);
       PutWord(at, WordAt(at + 64));
       PutWord(at + 64, first);
     }},
    {"the top bit flipped in two words of one lane", 136, nullptr,
     [](unsigned char* at) {
       AddToWord(at, kTopBit);
       AddToWord(at + 128, kTopBit);
     }},
    {"the top bit flipped in two neighbouring words", 16, nullptr,
     [](unsigned char* at) {
       AddToWord(at, kTopBit);
       AddToWord(at + 8, kTopBit);
     }},
    {"the top bit of one word", 8, nullptr, [](unsigned char* at) { AddToWord(at, kTopBit); }},
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

// Whether the hashes name `target` for the change `apply` makes to it, and none before it or once
// it is undone; `target` holds what it held before.
bool SeenAndForgotten(const Target& target, const std::function<void()>& apply) {
  StateHashes hashes;
  hashes.Take();
  char found[96] = "";
  EXPECT_FALSE(hashes.FindChange(found, sizeof found)) << found << " changed before the change";
  const std::vector<unsigned char> before(target.address, target.address + target.size);
  apply();
  EXPECT_NE(std::memcmp(before.data(), target.address, target.size), 0) << "nothing changed";
  const bool seen = hashes.FindChange(found, sizeof found) && std::string(found) == target.name;
  std::memcpy(target.address, before.data(), target.size);
  EXPECT_FALSE(hashes.FindChange(found, sizeof found)) << found << " differs once undone";
  return seen;
}

TEST(StateHashes, SeeEveryPatternOfChangesOnAnyContent) {
  std::mt19937 random(5);
  for (const Target& target : Targets()) {
    const std::vector<unsigned char> saved(target.address, target.address + target.size);
    for (const auto& [content, contentName] :
         {std::pair{Content::kZeros, "zeros"}, std::pair{Content::kRandom, "random bytes"},
          std::pair{Content::kSmallCounters, "small counters beside zeros"}}) {
      for (const Case& c : kPatterns) {
        std::string missed;
        for (size_t start = 0; start < kStarts && 8 * start + c.reach <= target.size; ++start) {
          Fill(target.address, target.size, content, random);
          unsigned char* at = target.address + 8 * start;
          if (c.prepare != nullptr) c.prepare(at);
          if (!SeenAndForgotten(target, [&] { c.apply(at); })) {
            missed += " " + std::to_string(start);
          }
          std::memcpy(target.address, saved.data(), target.size);
        }
        EXPECT_EQ(missed, "") << target.name << " holding " << contentName << ": " << c.what
                              << " not seen from start word(s)" << missed;
      }
      Fill(target.address, target.size, content, random);
      EXPECT_TRUE(SeenAndForgotten(target, [&] { target.address[target.size - 1] ^= 0x40; }))
          << target.name << " holding " << contentName << ": a bit of the last byte not seen";
      std::memcpy(target.address, saved.data(), target.size);
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
