// The 32-bit piece draw: the choice of loop and the table of its instantiations.
#include <algorithm>
#include <array>

#include "morrow/raster/piece_draw.h"
#include "morrow/raster/raster_path.h"
#include "morrow/raster/rules32.h"
#include "morrow/raster/walkers.h"
#include "morrow/raster/walkers_sse2.h"

namespace morrow::raster {
namespace {

using Id = PieceLoop32;
using LoopFn = void (*)(const RectSurfaces&, uint32_t key, const BlendParams&);

struct LoopEntry {
  Id id;
  const char* name;
  LoopFn reference;
  LoopFn sse2;  // null where the rule has no vector form
};

template <class Rule, KeyGate K, AlphaGate A>
void RunReference(const RectSurfaces& r, uint32_t key, const BlendParams& b) {
  RectWalk<F32, K, A>(r, key, Rule(b));
}

#if defined(MORROW_RASTER_SSE2)
template <class Rule, KeyGate K>
void RunSse2(const RectSurfaces& r, uint32_t key, const BlendParams& b) {
  RectWalkSse2<K>(r, key, Rule(b));
}
#endif

template <class Rule, KeyGate K, AlphaGate A = AlphaGate::kNone>
constexpr LoopEntry Loop(Id id, const char* name) {
  LoopEntry e{id, name, &RunReference<Rule, K, A>, nullptr};
#if defined(MORROW_RASTER_SSE2)
  if constexpr (A == AlphaGate::kNone && HasApply4Rect<Rule>) e.sse2 = &RunSse2<Rule, K>;
#endif
  return e;
}

// Both keyed and unkeyed rows of one variant.
template <class Rule, AlphaGate A = AlphaGate::kNone>
constexpr std::array<LoopEntry, 2> Pair(Id id, const char* name, const char* keyedName) {
  return {Loop<Rule, KeyGate::kNone, A>(id, name),
          Loop<Rule, KeyGate::kCompare, A>(static_cast<Id>(static_cast<int>(id) + 1), keyedName)};
}

constexpr AlphaGate kMap = AlphaGate::kMap;
using AlphaShiftedDiff = ShiftedDiff<ParamAlphaWeight, TableBlend<PlainSource>>;

template <size_t... N>
constexpr auto Join(const std::array<LoopEntry, N>&... parts) {
  std::array<LoopEntry, (N + ...)> all{};
  size_t i = 0;
  ((std::copy(parts.begin(), parts.end(), all.begin() + i), i += N), ...);
  return all;
}

constexpr auto kLoops = Join(
    std::array<LoopEntry, 2>{LoopEntry{Id::kNothing, "Nothing", nullptr, nullptr},
                             LoopEntry{Id::kPlainCopy, "PlainCopy", nullptr, nullptr}},
    Pair<Tint>(Id::kTint, "Tint", "TintKey"),
    Pair<Coverage<TintSource, AlphaWeight>, kMap>(Id::kCoverage, "Coverage", "CoverageKey"),
    Pair<ShiftedDiff<AlphaWeight, Copy>, kMap>(Id::kShiftedDiff, "ShiftedDiff", "ShiftedDiffKey"),
    Pair<TableBlend<PlainSource>>(Id::kTableBlend, "TableBlend", "TableBlendKey"),
    Pair<MmxBlend32>(Id::kMmxBlend, "MmxBlend", "MmxBlendKey"),
    Pair<TableBlend<TintSource>>(Id::kTintTableBlend, "TintTableBlend", "TintTableBlendKey"),
    Pair<AlphaShiftedDiff, kMap>(Id::kAlphaTableBlend, "AlphaTableBlend", "AlphaTableBlendKey"),
    Pair<Coverage<TintSource, ParamAlphaWeight>, kMap>(Id::kAlphaCoverage, "AlphaCoverage",
                                                       "AlphaCoverageKey"),
    Pair<Add32<PlainSource>>(Id::kAdd, "Add", "AddKey"),
    Pair<MmxAdd32>(Id::kMmxAdd, "MmxAdd", "MmxAddKey"),
    Pair<Add32<TintSource>>(Id::kTintAdd, "TintAdd", "TintAddKey"),
    Pair<Add32<PlainSource>, kMap>(Id::kAlphaAdd, "AlphaAdd", "AlphaAddKey"),
    Pair<Add32<TintSource, AlphaOpaque::kAsPartial>, kMap>(Id::kAlphaTintAdd, "AlphaTintAdd",
                                                           "AlphaTintAddKey"),
    Pair<Sub32<PlainSource>>(Id::kSub, "Sub", "SubKey"),
    Pair<Sub32<TintSource>>(Id::kTintSub, "TintSub", "TintSubKey"),
    Pair<Sub32<PlainSource>, kMap>(Id::kAlphaSub, "AlphaSub", "AlphaSubKey"),
    Pair<Sub32<TintSource, AlphaOpaque::kAsPartial>, kMap>(Id::kAlphaTintSub, "AlphaTintSub",
                                                           "AlphaTintSubKey"),
    std::array<LoopEntry, 2>{
        Loop<Multiply32<PlainSource>, KeyGate::kNone>(Id::kMultiply, "Multiply"),
        Loop<Multiply32<TintSource>, KeyGate::kNone>(Id::kTintMultiply, "TintMultiply")});

constexpr bool IdsInOrder() {
  for (size_t i = 0; i < kLoops.size(); ++i) {
    if (static_cast<size_t>(kLoops[i].id) != i) return false;
  }
  return kLoops.size() == static_cast<size_t>(Id::kCount);
}
static_assert(IdsInOrder(), "the loop table lists every id once, in the order of the ids");

// The keyed loop of a variant follows its unkeyed one.
constexpr Id Keyed(Id id, int keyFlag) {
  return keyFlag != 0 ? static_cast<Id>(static_cast<int>(id) + 1) : id;
}

}  // namespace

const char* PieceLoop32Name(PieceLoop32 id) {
  const size_t i = static_cast<size_t>(id);
  return i < kLoops.size() ? kLoops[i].name : "?";
}

PieceLoop32 ChoosePieceLoop32(int32_t mode, uint32_t p, bool alphaChannel, bool bright, bool mmx,
                              int keyFlag) {
  switch (mode) {
    case 0:
      if (alphaChannel) return Keyed(bright ? Id::kCoverage : Id::kShiftedDiff, keyFlag);
      return bright ? Keyed(Id::kTint, keyFlag) : Id::kPlainCopy;
    case 1:
      if (p == 0) return Id::kNothing;
      if (alphaChannel) {
        if (p == 255) return ChoosePieceLoop32(0, p, alphaChannel, bright, mmx, keyFlag);
        return Keyed(bright ? Id::kAlphaCoverage : Id::kAlphaTableBlend, keyFlag);
      }
      if (p == 255) return bright ? Keyed(Id::kTint, keyFlag) : Id::kPlainCopy;
      if (bright) return Keyed(Id::kTintTableBlend, keyFlag);
      return Keyed(mmx ? Id::kMmxBlend : Id::kTableBlend, keyFlag);
    case 2:
      if (alphaChannel) {
        if (p == 0) return Id::kNothing;
        return Keyed(bright ? Id::kAlphaTintAdd : Id::kAlphaAdd, keyFlag);
      }
      if (p == 0) return Id::kNothing;
      if (bright) return Keyed(Id::kTintAdd, keyFlag);
      return Keyed(mmx ? Id::kMmxAdd : Id::kAdd, keyFlag);
    case 3:
      if (alphaChannel) {
        if (p == 0) return Id::kNothing;
        return Keyed(bright ? Id::kAlphaTintSub : Id::kAlphaSub, keyFlag);
      }
      if (p == 0) return Id::kNothing;
      return Keyed(bright ? Id::kTintSub : Id::kSub, keyFlag);
    case 4:
      return bright ? Id::kTintMultiply : Id::kMultiply;
    default:
      return Id::kNothing;
  }
}

PieceOutcome DrawPiece32(const PieceDraw& draw) {
  const Id id = ChoosePieceLoop32(draw.mode, draw.blend.p, draw.alphaChannel,
                                  draw.blend.bright != 0xFFFFFFFFu, draw.mmx, draw.keyFlag);
  if (id == Id::kPlainCopy) return PieceOutcome::kPlainCopy;
  const LoopEntry& loop = kLoops[static_cast<size_t>(id)];
  if (loop.reference == nullptr) return PieceOutcome::kDrawn;
  const bool vector =
      loop.sse2 != nullptr && !draw.sourceIsTarget && CurrentRasterPath() == RasterPath::kSse2;
  (vector ? loop.sse2 : loop.reference)(draw.walk, draw.key, draw.blend);
  return PieceOutcome::kDrawn;
}

}  // namespace morrow::raster
