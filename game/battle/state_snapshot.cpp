#include "game/battle/state_snapshot.h"

#include <cstdio>
#include <cstring>
#include <span>

#include <xxhash.h>

// On x86-64 XXH3_64bits becomes the library's dispatcher, which takes the widest loop the processor
// has: the plain entry point keeps to SSE2, and a debug build's 3,000-frame battle took 40 % longer
// with it (those builds hash the whole state several times a drawn frame).
#if defined(__x86_64__)
#include <xxh_x86dispatch.h>
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

// The hash of each of `count` ranges into `out`, by xxHash's XXH3: it keys each 8-byte word with a
// word of a random secret, multiplies the two halves of the keyed word and scrambles its sums after
// every block and at the end, so a change made up for by changes elsewhere (small counters moved
// +1, -2, +1), a swap or the top bit flipped in two words cancels only by chance. The library is
// built without the sanitizers: its reads of the state cost those builds nothing.
void HashRanges(const StateRange* ranges, size_t count, uint64_t* out) {
  for (size_t k = 0; k < count; ++k) out[k] = XXH3_64bits(ranges[k].address, ranges[k].size);
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
