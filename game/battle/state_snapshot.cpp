#include "game/battle/state_snapshot.h"

#include <cstdio>
#include <cstring>
#include <span>

#if defined(__SSE2__)
#include <immintrin.h>
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
__attribute__((no_sanitize("address", "undefined"), always_inline)) inline uint64_t Word(
    const unsigned char* p) {
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

__attribute__((no_sanitize("address", "undefined"), always_inline)) inline uint64_t Mixed(
    uint64_t word, uint64_t key) {
  const uint64_t keyed = word ^ key;
  return (keyed & 0xffffffff) * (keyed >> 32) + word;
}

#if defined(__SSE2__)
__attribute__((no_sanitize("address", "undefined"), always_inline)) inline __m128i MixedPair(
    __m128i sum, const unsigned char* p, __m128i keys) {
  const __m128i words = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  const __m128i keyed = _mm_xor_si128(words, keys);
  const __m128i product = _mm_mul_epu32(keyed, _mm_srli_epi64(keyed, 32));
  return _mm_add_epi64(sum, _mm_add_epi64(product, words));
}

__attribute__((always_inline)) inline __m128i KeyPair(uint64_t first) {
  return _mm_set_epi64x(static_cast<int64_t>((first + 1) * kWeyl),
                        static_cast<int64_t>(first * kWeyl));
}

// The sum of the mixed words of the whole groups of eight at the start of `p`, two words to an
// instruction; *done is set to the bytes they take.
__attribute__((no_sanitize("address", "undefined"))) uint64_t GroupSumSse2(const unsigned char* p,
                                                                           size_t size,
                                                                           size_t* done) {
  const __m128i step = _mm_set1_epi64x(static_cast<int64_t>(8 * kWeyl));
  __m128i keys0 = KeyPair(1);
  __m128i keys1 = KeyPair(3);
  __m128i keys2 = KeyPair(5);
  __m128i keys3 = KeyPair(7);
  __m128i sum0 = _mm_setzero_si128();
  __m128i sum1 = _mm_setzero_si128();
  __m128i sum2 = _mm_setzero_si128();
  __m128i sum3 = _mm_setzero_si128();
  size_t i = 0;
  for (; i + 64 <= size; i += 64) {
    sum0 = MixedPair(sum0, p + i, keys0);
    sum1 = MixedPair(sum1, p + i + 16, keys1);
    sum2 = MixedPair(sum2, p + i + 32, keys2);
    sum3 = MixedPair(sum3, p + i + 48, keys3);
    keys0 = _mm_add_epi64(keys0, step);
    keys1 = _mm_add_epi64(keys1, step);
    keys2 = _mm_add_epi64(keys2, step);
    keys3 = _mm_add_epi64(keys3, step);
  }
  *done = i;
  uint64_t lanes[2];
  _mm_storeu_si128(reinterpret_cast<__m128i*>(lanes),
                   _mm_add_epi64(_mm_add_epi64(sum0, sum1), _mm_add_epi64(sum2, sum3)));
  return lanes[0] + lanes[1];
}

// The same, four words to an instruction, where the processor has AVX2: debug builds hash the
// whole state seven times a drawn frame, and the multiplies are most of what the guard costs.
__attribute__((no_sanitize("address", "undefined"), target("avx2"))) uint64_t GroupSumAvx2(
    const unsigned char* p, size_t size, size_t* done) {
  const __m256i step = _mm256_set1_epi64x(static_cast<int64_t>(8 * kWeyl));
  const __m256i keys0Start =
      _mm256_set_epi64x(static_cast<int64_t>(4 * kWeyl), static_cast<int64_t>(3 * kWeyl),
                        static_cast<int64_t>(2 * kWeyl), static_cast<int64_t>(kWeyl));
  __m256i keys0 = keys0Start;
  __m256i keys1 = _mm256_add_epi64(keys0Start, _mm256_set1_epi64x(static_cast<int64_t>(4 * kWeyl)));
  __m256i sum0 = _mm256_setzero_si256();
  __m256i sum1 = _mm256_setzero_si256();
  size_t i = 0;
  for (; i + 64 <= size; i += 64) {
    const __m256i words0 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + i));
    const __m256i words1 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + i + 32));
    const __m256i keyed0 = _mm256_xor_si256(words0, keys0);
    const __m256i keyed1 = _mm256_xor_si256(words1, keys1);
    const __m256i product0 = _mm256_mul_epu32(keyed0, _mm256_srli_epi64(keyed0, 32));
    const __m256i product1 = _mm256_mul_epu32(keyed1, _mm256_srli_epi64(keyed1, 32));
    sum0 = _mm256_add_epi64(sum0, _mm256_add_epi64(product0, words0));
    sum1 = _mm256_add_epi64(sum1, _mm256_add_epi64(product1, words1));
    keys0 = _mm256_add_epi64(keys0, step);
    keys1 = _mm256_add_epi64(keys1, step);
  }
  *done = i;
  uint64_t lanes[4];
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(lanes), _mm256_add_epi64(sum0, sum1));
  return lanes[0] + lanes[1] + lanes[2] + lanes[3];
}

bool HasAvx2() {
  return __builtin_cpu_supports("avx2");
}
#else
bool HasAvx2() {
  return false;
}
#endif

// The sum does not depend on the order its terms are added in: the wide loops, which take eight
// words at a time, and the word-by-word loop after them give the same hash as one plain loop
// would.
__attribute__((no_sanitize("address", "undefined"), always_inline)) inline uint64_t HashRange(
    const unsigned char* p, size_t size, [[maybe_unused]] bool avx2) {
  uint64_t sum = 0;
  size_t i = 0;
#if defined(__SSE2__)
  // Most globals are a word or two: they go straight to the word-by-word loop.
  if (size >= 64) sum = avx2 ? GroupSumAvx2(p, size, &i) : GroupSumSse2(p, size, &i);
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
  const bool avx2 = HasAvx2();
  for (size_t k = 0; k < count; ++k) out[k] = HashRange(ranges[k].address, ranges[k].size, avx2);
}

}  // namespace

std::span<const StateRange> StateRanges() {
  return Ranges();
}

__attribute__((no_sanitize("address", "undefined"))) uint64_t HashStateBytes(const unsigned char* p,
                                                                             size_t size,
                                                                             bool widest) {
  return HashRange(p, size, widest && HasAvx2());
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
