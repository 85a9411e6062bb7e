// The 32-bit piece draw: the choice of loop and the loop table.
#include "morrow/raster/loop_table.h"
#include "morrow/raster/piece_loops.h"
#include "morrow/raster/piece_rules32.h"
#include "morrow/raster/walkers.h"
#include "morrow/raster/walkers_avx2.h"
#include "morrow/raster/walkers_sse2.h"

namespace morrow::raster {
namespace {

using Id = PieceLoop32;

struct PieceLoops32 {
  using Id = PieceLoop32;
  using Fn = void (*)(const RectSurfaces&, uint32_t key, const BlendParams&);

  template <class F, class Rule, KeyGate K, AlphaGate A>
  static void Reference(const RectSurfaces& r, uint32_t key, const BlendParams& b) {
    RectWalk<F, K, A>(r, key, Rule(b));
  }

#if defined(MORROW_RASTER_SSE2)
  template <class Rule, KeyGate K>
  static void Sse2(const RectSurfaces& r, uint32_t key, const BlendParams& b) {
    RectWalkSse2<K>(r, key, Rule(b));
  }
#endif

  template <class F, class Rule, KeyGate K, AlphaGate A>
  static constexpr Fn Vector() {
#if defined(MORROW_RASTER_SSE2)
    if constexpr (A == AlphaGate::kNone && HasApply4Rect<Rule>) return &Sse2<Rule, K>;
#endif
    return nullptr;
  }

#if defined(MORROW_RASTER_AVX2)
  template <class Rule, KeyGate K>
  static void Avx2(const RectSurfaces& r, uint32_t key, const BlendParams& b) {
    RectWalkAvx2<K>(r, key, Rule(b));
  }
#endif

  template <class F, class Rule, KeyGate K, AlphaGate A>
  static constexpr Fn WideVector() {
#if defined(MORROW_RASTER_AVX2)
    if constexpr (A == AlphaGate::kNone && HasWideRect<Rule>) return &Avx2<Rule, K>;
#endif
    return nullptr;
  }
};

using L = PieceLoops32;
constexpr AlphaGate kMap = AlphaGate::kMap;
using AlphaShiftedDiff = ShiftedDiff<ParamAlphaWeight, TableBlend<PlainSource>>;

constexpr auto kLoops = JoinRows<L>(
    NoLoopRow<L>(Id::kNothing, "Nothing"), NoLoopRow<L>(Id::kPlainCopy, "PlainCopy"),
    KeyPair<L, F32, Tint>(Id::kTint, "Tint", "TintKey"),
    KeyPair<L, F32, Coverage<TintSource, AlphaWeight>, kMap>(Id::kCoverage, "Coverage",
                                                             "CoverageKey"),
    KeyPair<L, F32, ShiftedDiff<AlphaWeight, Copy>, kMap>(Id::kShiftedDiff, "ShiftedDiff",
                                                          "ShiftedDiffKey"),
    KeyPair<L, F32, TableBlend<PlainSource>>(Id::kTableBlend, "TableBlend", "TableBlendKey"),
    KeyPair<L, F32, MmxBlend32>(Id::kMmxBlend, "MmxBlend", "MmxBlendKey"),
    KeyPair<L, F32, TableBlend<TintSource>>(Id::kTintTableBlend, "TintTableBlend",
                                            "TintTableBlendKey"),
    KeyPair<L, F32, AlphaShiftedDiff, kMap>(Id::kAlphaTableBlend, "AlphaTableBlend",
                                            "AlphaTableBlendKey"),
    KeyPair<L, F32, Coverage<TintSource, ParamAlphaWeight>, kMap>(
        Id::kAlphaCoverage, "AlphaCoverage", "AlphaCoverageKey"),
    KeyPair<L, F32, Add32<PlainSource>>(Id::kAdd, "Add", "AddKey"),
    KeyPair<L, F32, MmxAdd32>(Id::kMmxAdd, "MmxAdd", "MmxAddKey"),
    KeyPair<L, F32, Add32<TintSource>>(Id::kTintAdd, "TintAdd", "TintAddKey"),
    KeyPair<L, F32, Add32<PlainSource>, kMap>(Id::kAlphaAdd, "AlphaAdd", "AlphaAddKey"),
    KeyPair<L, F32, Add32<TintSource, AlphaOpaque::kAsPartial>, kMap>(
        Id::kAlphaTintAdd, "AlphaTintAdd", "AlphaTintAddKey"),
    KeyPair<L, F32, Sub32<PlainSource>>(Id::kSub, "Sub", "SubKey"),
    KeyPair<L, F32, Sub32<TintSource>>(Id::kTintSub, "TintSub", "TintSubKey"),
    KeyPair<L, F32, Sub32<PlainSource>, kMap>(Id::kAlphaSub, "AlphaSub", "AlphaSubKey"),
    KeyPair<L, F32, Sub32<TintSource, AlphaOpaque::kAsPartial>, kMap>(
        Id::kAlphaTintSub, "AlphaTintSub", "AlphaTintSubKey"),
    LoopRow<L, F32, Multiply32<PlainSource>>(Id::kMultiply, "Multiply"),
    LoopRow<L, F32, Multiply32<TintSource>>(Id::kTintMultiply, "TintMultiply"));
static_assert(RowsAtTheirIds(kLoops),
              "the loop table lists every id once, in the order of the ids");

}  // namespace

const char* PieceLoop32Name(PieceLoop32 id) {
  return LoopName(kLoops, id);
}

PieceLoop32 ChoosePieceLoop32(int32_t mode, uint32_t p, bool alphaChannel, bool bright, bool mmx,
                              int keyFlag) {
  const bool keyed = KeyTested(KeyFlagRule::kNonZero, keyFlag);
  switch (mode) {
    case 0:
      if (alphaChannel) return Keyed(bright ? Id::kCoverage : Id::kShiftedDiff, keyed);
      return bright ? Keyed(Id::kTint, keyed) : Id::kPlainCopy;
    case 1:
      if (p == 0) return Id::kNothing;
      if (alphaChannel) {
        if (p == 255) return ChoosePieceLoop32(0, p, alphaChannel, bright, mmx, keyFlag);
        return Keyed(bright ? Id::kAlphaCoverage : Id::kAlphaTableBlend, keyed);
      }
      if (p == 255) return bright ? Keyed(Id::kTint, keyed) : Id::kPlainCopy;
      if (bright) return Keyed(Id::kTintTableBlend, keyed);
      return Keyed(mmx ? Id::kMmxBlend : Id::kTableBlend, keyed);
    case 2:
      if (alphaChannel) {
        if (p == 0) return Id::kNothing;
        return Keyed(bright ? Id::kAlphaTintAdd : Id::kAlphaAdd, keyed);
      }
      if (p == 0) return Id::kNothing;
      if (bright) return Keyed(Id::kTintAdd, keyed);
      return Keyed(mmx ? Id::kMmxAdd : Id::kAdd, keyed);
    case 3:
      if (alphaChannel) {
        if (p == 0) return Id::kNothing;
        return Keyed(bright ? Id::kAlphaTintSub : Id::kAlphaSub, keyed);
      }
      if (p == 0) return Id::kNothing;
      return Keyed(bright ? Id::kTintSub : Id::kSub, keyed);
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
  RunLoop(kLoops, id, !draw.sourceIsTarget, draw.walk, draw.key, draw.blend);
  return PieceOutcome::kDrawn;
}

}  // namespace morrow::raster
