#include "game/battle/state_snapshot.h"

#include <cstdio>
#include <cstring>
#include <span>

#include "game/battle/field_table.h"

namespace veyrdale {

namespace {

// The storage of every pool, then of every global, in table order; it never moves.
struct Range {
  unsigned char* address;
  size_t size;
};

const std::vector<Range>& Ranges() {
  static const std::vector<Range> ranges = [] {
    std::vector<Range> out;
    for (const RecordPool& pool : RecordPools()) {
      out.push_back({static_cast<unsigned char*>(pool.base),
                     pool.layout->size * static_cast<size_t>(pool.count)});
    }
    for (const GlobalField& g : GlobalFields()) {
      // The last element's offset plus one: the whole extent, whatever the strides.
      const int last = (g.dims[0] - 1) * g.strides[0] + (g.dims[1] - 1) * g.strides[1];
      out.push_back({static_cast<unsigned char*>(g.address),
                     static_cast<size_t>(last + 1) * static_cast<size_t>(FieldWidth(g.type))});
    }
    return out;
  }();
  return ranges;
}

// Byte `at` of range k by the name of the field element that holds it.
void NameByte(size_t k, size_t at, char* out, size_t size) {
  const std::span<const RecordPool> pools = RecordPools();
  if (k >= pools.size()) {
    const GlobalField& g = GlobalFields()[k - pools.size()];
    const int element = static_cast<int>(at / static_cast<size_t>(FieldWidth(g.type)));
    for (int i = 0; i < g.dims[0]; ++i) {
      for (int j = 0; j < g.dims[1]; ++j) {
        if (i * g.strides[0] + j * g.strides[1] != element) continue;
        if (g.dims[0] * g.dims[1] == 1) {
          std::snprintf(out, size, "%s", g.name);
        } else if (g.dims[1] == 1) {
          std::snprintf(out, size, "%s[%d]", g.name, i);
        } else {
          std::snprintf(out, size, "%s[%d,%d]", g.name, i, j);
        }
        return;
      }
    }
    std::snprintf(out, size, "%s, byte %zu", g.name, at);
    return;
  }
  const RecordPool& pool = pools[k];
  const size_t record = at / pool.layout->size;
  const size_t within = at % pool.layout->size;
  for (const RecordField& field : pool.layout->fields) {
    const size_t width = static_cast<size_t>(FieldWidth(field.type));
    if (within < field.offset || within >= field.offset + width * field.count) continue;
    if (field.count == 1) {
      std::snprintf(out, size, "%s%zu.%s", pool.prefix, record, field.name);
    } else {
      std::snprintf(out, size, "%s%zu.%s[%zu]", pool.prefix, record, field.name,
                    (within - field.offset) / width);
    }
    return;
  }
  std::snprintf(out, size, "%s%zu, padding at byte %zu", pool.prefix, record, within);
}

// Two 8-byte words, added lane by lane in one instruction where the machine has them.
using Lanes = uint64_t __attribute__((vector_size(16)));

// Debug builds hash every byte of the state several times a drawn frame: the file is built
// optimised, and the sanitizers are not asked to check reads of the field table's own storage
// (an instrumented helper would not be inlined into the loop).
__attribute__((no_sanitize("address", "undefined"))) inline Lanes Load(const unsigned char* p) {
  Lanes words;
  std::memcpy(&words, p, sizeof words);
  return words;
}

__attribute__((no_sanitize("address", "undefined"))) inline uint64_t Word(const unsigned char* p) {
  uint64_t word;
  std::memcpy(&word, p, sizeof word);
  return word;
}

// A running sum and a sum of sums over 8-byte words in eight lanes (a changed word changes its
// lane's sum, a moved one the sum of sums), then over the words and bytes past the last whole
// group. Most globals are a word or two: they skip straight to the tail.
__attribute__((no_sanitize("address", "undefined"), always_inline)) inline uint64_t HashRange(
    const unsigned char* p, size_t size) {
  Lanes sum0 = {1, 2};
  Lanes sum1 = {3, 4};
  Lanes sum2 = {5, 6};
  Lanes sum3 = {7, 8};
  Lanes sums0 = {};
  Lanes sums1 = {};
  Lanes sums2 = {};
  Lanes sums3 = {};
  size_t i = 0;
  for (; i + 64 <= size; i += 64) {
    sum0 += Load(p + i);
    sum1 += Load(p + i + 16);
    sum2 += Load(p + i + 32);
    sum3 += Load(p + i + 48);
    sums0 += sum0;
    sums1 += sum1;
    sums2 += sum2;
    sums3 += sum3;
  }
  uint64_t tail = size;
  uint64_t tails = 0;
  for (; i + 8 <= size; i += 8) {
    tail += Word(p + i);
    tails += tail;
  }
  for (; i < size; ++i) {
    tail += static_cast<uint64_t>(p[i]) << (8 * (i % 8));
    tails += tail;
  }
  // Each lane turned its own way, so that no lane's change can undo another's.
  const Lanes folded = sum0 ^ (sum1 << 3) ^ (sum2 << 5) ^ (sum3 << 7) ^ (sums0 << 13) ^
                       (sums1 << 21) ^ (sums2 << 29) ^ (sums3 << 37);
  return folded[0] ^ (folded[1] << 32 | folded[1] >> 32) ^ (tail << 17 | tail >> 47) ^
         (tails << 43 | tails >> 21);
}

// The hash of each of `count` ranges into `out`, in one loop.
__attribute__((no_sanitize("address", "undefined"))) void HashRanges(const Range* ranges,
                                                                     size_t count, uint64_t* out) {
  for (size_t k = 0; k < count; ++k) out[k] = HashRange(ranges[k].address, ranges[k].size);
}

}  // namespace

void StateSnapshot::Take() {
  size_t total = 0;
  for (const Range& r : Ranges()) total += r.size;
  bytes_.resize(total);
  size_t offset = 0;
  for (const Range& r : Ranges()) {
    std::memcpy(bytes_.data() + offset, r.address, r.size);
    offset += r.size;
  }
}

void StateSnapshot::Restore() const {
  size_t offset = 0;
  for (const Range& r : Ranges()) {
    std::memcpy(r.address, bytes_.data() + offset, r.size);
    offset += r.size;
  }
}

bool StateSnapshot::Matches() const {
  char unused[1];
  return !FindChange(unused, sizeof unused);
}

bool StateSnapshot::FindChange(char* out, size_t size) const {
  const std::vector<Range>& ranges = Ranges();
  size_t offset = 0;
  for (size_t k = 0; k < ranges.size(); ++k) {
    const Range& r = ranges[k];
    const unsigned char* taken = bytes_.data() + offset;
    offset += r.size;
    if (std::memcmp(r.address, taken, r.size) == 0) continue;
    size_t at = 0;
    while (r.address[at] == taken[at]) ++at;
    NameByte(k, at, out, size);
    return true;
  }
  return false;
}

void StateHashes::Take() {
  const std::vector<Range>& ranges = Ranges();
  hashes_.resize(ranges.size());
  HashRanges(ranges.data(), ranges.size(), hashes_.data());
}

bool StateHashes::FindChange(char* out, size_t size) const {
  const std::vector<Range>& ranges = Ranges();
  now_.resize(ranges.size());
  HashRanges(ranges.data(), ranges.size(), now_.data());
  const std::span<const RecordPool> pools = RecordPools();
  for (size_t k = 0; k < ranges.size(); ++k) {
    if (now_[k] == hashes_[k]) continue;
    if (k < pools.size()) {
      std::snprintf(out, size, "pool %s", pools[k].prefix);
    } else {
      std::snprintf(out, size, "%s", GlobalFields()[k - pools.size()].name);
    }
    return true;
  }
  return false;
}

}  // namespace veyrdale
