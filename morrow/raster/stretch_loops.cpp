// The stretched draw's loops: the choice and the family's one loop table over every depth.
#include "morrow/raster/stretch_loops.h"

#include <cstddef>
#include <type_traits>

#include "morrow/raster/loop_table.h"
#include "morrow/raster/piece_rules16.h"
#include "morrow/raster/stretch_rules.h"
#include "morrow/raster/stretch_walkers_avx2.h"
#include "morrow/raster/stretch_walkers_sse2.h"
#include "morrow/raster/walkers.h"

namespace morrow::raster {
namespace {

constexpr size_t kRules = static_cast<size_t>(StretchRule::kCount);
constexpr size_t kLayouts = static_cast<size_t>(StretchLayout::kCount);

constexpr const char* kRuleNames[kRules] = {
    "Nothing",      "Copy",       "Tint",           "Cover",    "CoverTint",    "Blend",
    "BlendTint",    "AlphaBlend", "AlphaBlendTint", "Add",      "AddTint",      "AlphaAdd",
    "AlphaAddTint", "Sub",        "SubTint",        "AlphaSub", "AlphaSubTint", "Multiply",
    "MultiplyTint"};

// What the rules of a draw are made from: the 32-bit blend values, and at 16 bits the set-up.
struct StretchParams {
  const TurnedBlend* blend = nullptr;
  const Setup16* setup = nullptr;
};

#if defined(MORROW_RASTER_SSE2)
template <class Rule>
concept HasStretch4 = requires(const Rule& r, Vec v) {
  r.Source4(v);
  r.Apply4(v, v);
};
template <class Rule>
concept HasStretch4Alpha = requires(const Rule& r, Vec v) {
  r.Source4(v);
  r.Apply4Alpha(v, v, v);
};
template <class Rule>
concept HasStretch8 = requires(const Rule& r, Vec v) {
  r.Source8(v);
  r.Apply8(v, v);
};
#endif

// A loop is a rule, a layout and the key test: one row each, those of a rule side by side.
struct StretchLoops {
  using Id = StretchLoop;
  using Fn = void (*)(const StretchSurfaces&, uint32_t key, const StretchParams&);
  static constexpr size_t kRows = kRules * kLayouts * 2;

  static constexpr size_t Index(const StretchLoop& loop) {
    const size_t rule = static_cast<size_t>(loop.rule), layout = static_cast<size_t>(loop.layout);
    if (rule >= kRules || layout >= kLayouts) return kRows;
    return (rule * kLayouts + layout) * 2 + (loop.keyed ? 1 : 0);
  }

  template <class F, class Rule>
  static Rule Make(const StretchParams& p) {
    if constexpr (F::kBytes == 2) {
      return Rule(*p.setup);
    } else {
      return Rule(*p.blend);
    }
  }

  template <class F, class Rule, KeyGate K, AlphaGate A>
  static void Reference(const StretchSurfaces& r, uint32_t key, const StretchParams& p) {
    StretchWalk<F, K, A>(r, key, Make<F, Rule>(p));
  }

#if defined(MORROW_RASTER_SSE2)
  template <class Rule, KeyGate K, AlphaGate A>
  static void Sse2(const StretchSurfaces& r, uint32_t key, const StretchParams& p) {
    StretchWalkSse2<K, A>(r, key, Make<F32, Rule>(p));
  }
  template <class F, class Rule, KeyGate K>
  static void Sse2_16(const StretchSurfaces& r, uint32_t key, const StretchParams& p) {
    StretchWalkSse2_16<F, K>(r, key, Make<F, Rule>(p));
  }
#endif

  template <class F, class Rule, KeyGate K, AlphaGate A>
  static constexpr Fn Vector() {
#if defined(MORROW_RASTER_SSE2)
    if constexpr (std::is_same_v<F, F32>) {
      if constexpr ((A == AlphaGate::kNone && HasStretch4<Rule>) ||
                    (A == AlphaGate::kMap && HasStretch4Alpha<Rule>)) {
        return &Sse2<Rule, K, A>;
      }
    } else if constexpr (F::kBytes == 2) {
      if constexpr (A == AlphaGate::kNone && HasStretch8<Rule>) return &Sse2_16<F, Rule, K>;
    }
#endif
    return nullptr;
  }

#if defined(MORROW_RASTER_AVX2)
  template <class Rule, KeyGate K>
  static void Avx2(const StretchSurfaces& r, uint32_t key, const StretchParams& p) {
    StretchWalkAvx2<K>(r, key, Make<F32, Rule>(p));
  }
#endif

  template <class F, class Rule, KeyGate K, AlphaGate A>
  static constexpr Fn WideVector() {
#if defined(MORROW_RASTER_AVX2)
    if constexpr (std::is_same_v<F, F32> && A == AlphaGate::kNone &&
                  requires(const Rule& r, Wide v) {
                    r.SourceWide(v);
                    r.ApplyWide(v, v);
                  }) {
      return &Avx2<Rule, K>;
    }
#endif
    return nullptr;
  }
};

using L = StretchLoops;
using Table = LoopTable<L, L::kRows>;
constexpr AlphaGate kMap = AlphaGate::kMap;

template <class F>
constexpr StretchLayout LayoutOf() {
  if constexpr (std::is_same_v<F, F32>) return StretchLayout::k32;
  if constexpr (std::is_same_v<F, F8>) return StretchLayout::k8;
  if constexpr (std::is_same_v<F, F565>) return StretchLayout::k565;
  if constexpr (std::is_same_v<F, F555>) return StretchLayout::k555;
  return StretchLayout::kGeneric;
}

// The keyed and the unkeyed loop of one rule on F's layout (or only the unkeyed one).
template <class F, class Term, class Combine, AlphaGate A = AlphaGate::kNone>
constexpr void Put(Table& t, StretchRule rule, bool withKey = true) {
  using Rule = Staged<Term, Combine>;
  const char* name = kRuleNames[static_cast<size_t>(rule)];
  const StretchLoop loop{rule, LayoutOf<F>(), false};
  t[L::Index(loop)] = LoopRow<L, F, Rule, KeyGate::kNone, A>(loop, name);
  if (!withKey) return;
  const StretchLoop keyed{rule, LayoutOf<F>(), true};
  t[L::Index(keyed)] = LoopRow<L, F, Rule, KeyGate::kCompare, A>(keyed, name);
}

// The plain and the brightened member of one rule: Src is SameSource or the bright term.
template <class F, class Plain, class Tint, class Combine, AlphaGate A = AlphaGate::kNone>
constexpr void PutPair(Table& t, StretchRule plain, bool withKey = true) {
  Put<F, Plain, Combine, A>(t, plain, withKey);
  Put<F, Tint, Combine, A>(t, static_cast<StretchRule>(static_cast<int>(plain) + 1), withKey);
}

constexpr void Put32(Table& t) {
  using F = F32;
  using S = SameSource;
  using T = TintSource;
  Put<F, S, StoreSource>(t, StretchRule::kCopy);
  Put<F, T, StoreSource>(t, StretchRule::kTint);
  PutPair<F, S, T, ExactCoverage<PlainSource, ByteWeight, StoreSource>, kMap>(t,
                                                                              StretchRule::kCover);
  PutPair<F, ParamTerm32<PlainSource>, ParamTerm32<TintSource>, PlusComplement32>(
      t, StretchRule::kBlend);
  PutPair<F, S, T, ExactCoverage<PlainSource, ParamByteWeight, ComplementBlend<PlainSource>>, kMap>(
      t, StretchRule::kAlphaBlend);
  PutPair<F, ParamTerm32<PlainSource>, ParamTerm32<TintSource>, GuardTerm32<false>>(
      t, StretchRule::kAdd);
  PutPair<F, ParamTerm32<PlainSource>, ParamTerm32<TintSource>, GuardTerm32<false>, kMap>(
      t, StretchRule::kAlphaAdd);
  PutPair<F, ParamTerm32<PlainSource>, ParamTerm32<TintSource>, GuardTerm32<true>>(
      t, StretchRule::kSub);
  PutPair<F, ParamTerm32<PlainSource>, ParamTerm32<TintSource>, GuardTerm32<true>, kMap>(
      t, StretchRule::kAlphaSub);
  PutPair<F, S, T, MultiplyMax32<PlainSource>>(t, StretchRule::kMultiply, false);
}

template <class F>
constexpr void Put16(Table& t) {
  using S = SameSource;
  using T = TintTerm16Pack<F>;
  Put<F, S, StoreSource>(t, StretchRule::kCopy);
  Put<F, T, StoreSource>(t, StretchRule::kTint);
  PutPair<F, S, T, Coverage16Of<F, AlphaWeight16, StoreSource>, kMap>(t, StretchRule::kCover);
  PutPair<F, PlainTerm16<F>, TintTerm16<F>, PlusComplement16<F>>(t, StretchRule::kBlend);
  PutPair<F, S, T, Coverage16Of<F, ParamAlphaWeight16, TableBlend16<F>>, kMap>(
      t, StretchRule::kAlphaBlend);
  PutPair<F, PlainTerm16<F>, TintTerm16<F>, GuardTerm16<F, false>>(t, StretchRule::kAdd);
  PutPair<F, PlainTerm16<F>, TintTerm16<F>, GuardTerm16<F, false>, kMap>(t, StretchRule::kAlphaAdd);
  PutPair<F, PlainTerm16<F>, TintTerm16<F>, GuardTerm16<F, true>>(t, StretchRule::kSub);
  PutPair<F, PlainTerm16<F>, TintTerm16<F>, GuardTerm16<F, true>, kMap>(t, StretchRule::kAlphaSub);
  PutPair<F, S, T, Multiply16<F>>(t, StretchRule::kMultiply, false);
}

constexpr Table BuildTable() {
  Table t{};
  // Every loop has its row, named by its rule; the members put below give it its instantiation.
  for (size_t rule = 0; rule < kRules; ++rule) {
    for (size_t layout = 0; layout < kLayouts; ++layout) {
      for (bool keyed : {false, true}) {
        const StretchLoop loop{static_cast<StretchRule>(rule), static_cast<StretchLayout>(layout),
                               keyed};
        t[L::Index(loop)] = NoLoopRow<L>(loop, kRuleNames[rule]);
      }
    }
  }
  Put32(t);
  Put<F8, SameSource, StoreSource>(t, StretchRule::kCopy);
  Put16<F565>(t);
  Put16<F555>(t);
  Put16<FGeneric16>(t);
  return t;
}

constexpr Table kLoops = BuildTable();
static_assert(RowsAtTheirIds(kLoops), "every loop has its row, named, in the order of the loops");

StretchLayout LayoutOfClass(FormatClass format) {
  switch (format) {
    case FormatClass::k32:
      return StretchLayout::k32;
    case FormatClass::k8:
      return StretchLayout::k8;
    case FormatClass::k565:
      return StretchLayout::k565;
    case FormatClass::k555:
      return StretchLayout::k555;
    case FormatClass::kGeneric16:
      return StretchLayout::kGeneric;
    default:
      return StretchLayout::kCount;
  }
}

// The brightened member of a rule follows its plain one.
StretchRule Tinted(StretchRule plain, bool tint) {
  return tint ? static_cast<StretchRule>(static_cast<int>(plain) + 1) : plain;
}

}  // namespace

const char* StretchRuleName(StretchRule rule) {
  const size_t i = static_cast<size_t>(rule);
  return i < kRules ? kRuleNames[i] : "?";
}

const char* StretchLayoutName(StretchLayout layout) {
  switch (layout) {
    case StretchLayout::k32:
      return "32";
    case StretchLayout::k8:
      return "8";
    case StretchLayout::k565:
      return "565";
    case StretchLayout::k555:
      return "555";
    case StretchLayout::kGeneric:
      return "Generic";
    default:
      return "?";
  }
}

StretchLoop ChooseStretchLoop(FormatClass format, int32_t mode, uint32_t p, bool alphaChannel,
                              bool bright, int keyFlag) {
  const StretchLayout layout = LayoutOfClass(format);
  const StretchLoop nothing{StretchRule::kNothing, layout, false};
  if (layout == StretchLayout::kCount) return StretchLoop{};
  const bool copyKeyed = KeyTested(KeyFlagRule::kLowestBit, keyFlag);
  if (layout == StretchLayout::k8) return StretchLoop{StretchRule::kCopy, layout, copyKeyed};
  const bool keyed = KeyTested(KeyFlagRule::kNonZero, keyFlag);
  // A generic 16-bit layout brightens only under an alpha map.
  const bool tint = bright && layout != StretchLayout::kGeneric;
  auto loop = [&](StretchRule rule, bool withKey) { return StretchLoop{rule, layout, withKey}; };
  auto mode0 = [&] {
    if (alphaChannel) return loop(Tinted(StretchRule::kCover, bright), keyed);
    if (tint) return loop(StretchRule::kTint, keyed);
    return loop(StretchRule::kCopy, copyKeyed);
  };
  switch (mode) {
    case 0:
      return mode0();
    case 1:
      if (p == 0) return nothing;
      if (p >= 255) return mode0();
      if (alphaChannel) return loop(Tinted(StretchRule::kAlphaBlend, bright), keyed);
      return loop(Tinted(StretchRule::kBlend, tint), keyed);
    case 2:
    case 3: {
      if (p == 0) return nothing;
      const bool add = mode == 2;
      if (alphaChannel) {
        return loop(Tinted(add ? StretchRule::kAlphaAdd : StretchRule::kAlphaSub, bright), keyed);
      }
      return loop(Tinted(add ? StretchRule::kAdd : StretchRule::kSub, tint), keyed);
    }
    case 4:
      return loop(Tinted(StretchRule::kMultiply, tint), false);
    default:
      return nothing;
  }
}

bool StretchLoopHasReference(const StretchLoop& loop) {
  return FindLoop(kLoops, loop) != nullptr;
}

bool StretchLoopHasVector(const StretchLoop& loop) {
  const LoopEntry<L>* row = FindLoop(kLoops, loop);
  return row != nullptr && row->vector != nullptr;
}

void DrawStretch(const StretchDraw& draw) {
  const StretchLoop loop =
      ChooseStretchLoop(draw.format, draw.mode, draw.blend.p, draw.alphaChannel,
                        draw.blend.bright != 0xFFFFFFFFu, draw.keyFlag);
  const LoopEntry<L>* row = FindLoop(kLoops, loop);
  if (row == nullptr) return;
  StretchParams params{&draw.blend, nullptr};
  bool vectorAllowed = !draw.sourceIsTarget;
  uint32_t key = draw.key;
  if (loop.layout == StretchLayout::k8) key = 0;  // palette index 0 is the transparent one
  if (loop.layout == StretchLayout::k565 || loop.layout == StretchLayout::k555 ||
      loop.layout == StretchLayout::kGeneric) {
    if (draw.screenFormat == nullptr || draw.products == nullptr) return;
    const FGeneric16 format = FGeneric16::From(*draw.screenFormat);
    const Setup16 setup = MakeSetup16(draw.blend.p, draw.blend.bright, draw.products, format);
    params.setup = &setup;
    // A generic layout runs eight lanes only where its channels fit them.
    if (loop.layout == StretchLayout::kGeneric)
      vectorAllowed = vectorAllowed && FitsLanes16(format);
    RunLoop(*row, vectorAllowed, draw.walk, key, params);
    return;
  }
  RunLoop(*row, vectorAllowed, draw.walk, key, params);
}

}  // namespace morrow::raster
