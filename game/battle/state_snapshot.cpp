#include "game/battle/state_snapshot.h"

#include <cstdio>
#include <cstring>
#include <span>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "game/battle/field_table.h"

namespace veyrdale {

namespace {

// The storage of every pool, then of every global, in table order, then of every block beside the
// table; it never moves.
const std::vector<StateRange>& Ranges() {
  static const std::vector<StateRange> ranges = [] {
    std::vector<StateRange> out;
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
    for (const StateBlock& block : StateBesideTable()) {
      out.push_back({static_cast<unsigned char*>(block.address), block.size});
    }
    return out;
  }();
  return ranges;
}

// Range k by its pool's prefix ("pool shot"), its global's name or its block's.
const char* RangeName(size_t k) {
  const std::span<const RecordPool> pools = RecordPools();
  const std::span<const GlobalField> globals = GlobalFields();
  if (k < pools.size()) return pools[k].prefix;
  if (k < pools.size() + globals.size()) return globals[k - pools.size()].name;
  return StateBesideTable()[k - pools.size() - globals.size()].name;
}

// Byte `at` of range k by the name of the field element that holds it.
void NameByte(size_t k, size_t at, char* out, size_t size) {
  const std::span<const RecordPool> pools = RecordPools();
  const std::span<const GlobalField> globals = GlobalFields();
  if (k >= pools.size() + globals.size()) {
    std::snprintf(out, size, "%s, byte %zu", RangeName(k), at);
    return;
  }
  if (k >= pools.size()) {
    const GlobalField& g = globals[k - pools.size()];
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

// Debug builds hash every byte of the state several times a drawn frame: the file is built
// optimised, and the sanitizers are not asked to check reads of the field table's own storage
// (an instrumented helper would not be inlined into the loop).
__attribute__((no_sanitize("address", "undefined"))) inline uint64_t Word(const unsigned char* p) {
  uint64_t word;
  std::memcpy(&word, p, sizeof word);
  return word;
}

// Word i of a range is keyed by its place, XOR the (i + 1)th step of a Weyl sequence, and the two
// 32-bit halves of the keyed word are multiplied; the products and the words themselves are
// summed. The product is not linear in the word and no two places share a key, so no pattern of
// changes cancels in the sum but by chance: not a change made up for by changes elsewhere, not a
// swap, not the top bit flipped in two words. (The word itself is added for a keyed word whose
// low half is 0, whose product would not see its high half.)
constexpr uint64_t kWeyl = 0x9e3779b97f4a7c15;

inline uint64_t Mixed(uint64_t word, uint64_t key) {
  const uint64_t keyed = word ^ key;
  return (keyed & 0xffffffff) * (keyed >> 32) + word;
}

// The sum does not depend on the order its terms are added in: the wide loop, which takes eight
// words at a time, and the word-by-word loop after it give the same hash as one plain loop would.
__attribute__((no_sanitize("address", "undefined"), always_inline)) inline uint64_t HashRange(
    const unsigned char* p, size_t size) {
  uint64_t sum = 0;
  size_t i = 0;
#if defined(__SSE2__)
  const __m128i step = _mm_set1_epi64x(static_cast<int64_t>(8 * kWeyl));
  __m128i keys[4];
  __m128i sums[4];
  for (int k = 0; k < 4; ++k) {
    keys[k] = _mm_set_epi64x(static_cast<int64_t>((2 * k + 2) * kWeyl),
                             static_cast<int64_t>((2 * k + 1) * kWeyl));
    sums[k] = _mm_setzero_si128();
  }
  for (; i + 64 <= size; i += 64) {
    for (int k = 0; k < 4; ++k) {
      const __m128i words = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i + 16 * k));
      const __m128i keyed = _mm_xor_si128(words, keys[k]);
      const __m128i product = _mm_mul_epu32(keyed, _mm_srli_epi64(keyed, 32));
      sums[k] = _mm_add_epi64(sums[k], _mm_add_epi64(product, words));
      keys[k] = _mm_add_epi64(keys[k], step);
    }
  }
  uint64_t lanes[2];
  _mm_storeu_si128(reinterpret_cast<__m128i*>(lanes),
                   _mm_add_epi64(_mm_add_epi64(sums[0], sums[1]), _mm_add_epi64(sums[2], sums[3])));
  sum = lanes[0] + lanes[1];
#endif
  uint64_t key = (i / 8 + 1) * kWeyl;
  for (; i + 8 <= size; i += 8, key += kWeyl) sum += Mixed(Word(p + i), key);
  if (i < size) {
    uint64_t last = 0;
    for (size_t b = 0; i + b < size; ++b) last |= static_cast<uint64_t>(p[i + b]) << (8 * b);
    sum += Mixed(last, key);
  }
  // A 64-bit finishing mix of the sum and the size.
  uint64_t h = sum ^ (size * kWeyl);
  h ^= h >> 33;
  h *= 0xff51afd7ed558ccd;
  h ^= h >> 33;
  h *= 0xc4ceb9fe1a85ec53;
  h ^= h >> 33;
  return h;
}

// The hash of each of `count` ranges into `out`, in one loop.
__attribute__((no_sanitize("address", "undefined"))) void HashRanges(const StateRange* ranges,
                                                                     size_t count, uint64_t* out) {
  for (size_t k = 0; k < count; ++k) out[k] = HashRange(ranges[k].address, ranges[k].size);
}

}  // namespace

std::span<const StateRange> StateRanges() {
  return Ranges();
}

void StateSnapshot::Take() {
  size_t total = 0;
  for (const StateRange& r : Ranges()) total += r.size;
  bytes_.resize(total);
  size_t offset = 0;
  for (const StateRange& r : Ranges()) {
    std::memcpy(bytes_.data() + offset, r.address, r.size);
    offset += r.size;
  }
}

void StateSnapshot::Restore() const {
  size_t offset = 0;
  for (const StateRange& r : Ranges()) {
    std::memcpy(r.address, bytes_.data() + offset, r.size);
    offset += r.size;
  }
}

bool StateSnapshot::Matches() const {
  char unused[1];
  return !FindChange(unused, sizeof unused);
}

bool StateSnapshot::FindChange(char* out, size_t size) const {
  const std::vector<StateRange>& ranges = Ranges();
  size_t offset = 0;
  for (size_t k = 0; k < ranges.size(); ++k) {
    const StateRange& r = ranges[k];
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
  const std::vector<StateRange>& ranges = Ranges();
  hashes_.resize(ranges.size());
  HashRanges(ranges.data(), ranges.size(), hashes_.data());
}

bool StateHashes::FindChange(char* out, size_t size) const {
  const std::vector<StateRange>& ranges = Ranges();
  now_.resize(ranges.size());
  HashRanges(ranges.data(), ranges.size(), now_.data());
  for (size_t k = 0; k < ranges.size(); ++k) {
    if (now_[k] == hashes_[k]) continue;
    std::snprintf(out, size, "%s%s", k < RecordPools().size() ? "pool " : "", RangeName(k));
    return true;
  }
  return false;
}

}  // namespace veyrdale
