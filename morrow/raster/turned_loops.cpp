// The turned draws' loops: the choice and the loop tables, one per walk.
#include <type_traits>

#include "morrow/raster/loop_table.h"
#include "morrow/raster/turned_loops.h"
#include "morrow/raster/turned_rules32.h"
#include "morrow/raster/turned_walkers.h"
#include "morrow/raster/turned_walkers_avx2.h"
#include "morrow/raster/turned_walkers_sse2.h"

namespace morrow::raster {
namespace {

using Id = TurnedLoop;

// The loops of one walk; every loop exists once per walk.
template <class Walk>
struct TurnedLoops {
  using Id = TurnedLoop;
  using Fn = void (*)(const Walk&, const TurnedDraw&);

  template <class F, class Rule, KeyGate K, AlphaGate A>
  static void Reference(const Walk& walk, const TurnedDraw& draw) {
    const Rule rule(draw.blend);
    walk.template ForEachSpan<F::kBytes>([&](const TexelSpan& span) {
      TexelSpanWalk<F, Walk::kMap, K, A>(span, draw.texture, draw.key, rule);
    });
  }

#if defined(MORROW_RASTER_SSE2)
  template <class Rule, KeyGate K, AlphaGate A>
  static void Sse2(const Walk& walk, const TurnedDraw& draw) {
    const Rule rule(draw.blend);
    walk.template ForEachSpan<4>([&](const TexelSpan& span) {
      TexelSpanWalkSse2<Walk::kMap, K, A>(span, draw.texture, draw.key, rule);
    });
  }
#endif

  template <class F, class Rule, KeyGate K, AlphaGate A>
  static constexpr Fn Vector() {
#if defined(MORROW_RASTER_SSE2)
    constexpr bool kHasVectorForm = (A == AlphaGate::kNone && HasApply4Rect<Rule>) ||
                                    (A == AlphaGate::kMap && HasApply4Alpha<Rule>);
    if constexpr (std::is_same_v<F, F32> && kHasVectorForm) return &Sse2<Rule, K, A>;
#endif
    return nullptr;
  }

#if defined(MORROW_RASTER_AVX2)
  // One function for the whole walk: a triangle's rows are many and short, and a call per row
  // would cost about what the row's pixels cost.
  template <class Rule, KeyGate K>
  MORROW_AVX2 __attribute__((flatten)) static void Avx2(const Walk& walk, const TurnedDraw& draw) {
    const Rule rule(draw.blend);
    const WideTurnedShared shared =
        MakeWideTurnedShared(draw.texture, walk.StepU(), walk.StepV(), draw.key);
    const uint32_t key = draw.key;
    auto spans = [&]<bool kWindow>() MORROW_AVX2_LAMBDA {
      walk.template ForEachSpan<4>([&](const TexelSpan& span) MORROW_AVX2 {
        TexelSpanWalkAvx2<Walk::kMap, K, kWindow>(span, shared, key, rule);
      });
    };
    if (shared.window) {
      spans.template operator()<true>();
    } else {
      spans.template operator()<false>();
    }
  }
#endif

  template <class F, class Rule, KeyGate K, AlphaGate A>
  static constexpr Fn WideVector() {
#if defined(MORROW_RASTER_AVX2)
    if constexpr (std::is_same_v<F, F32> && A == AlphaGate::kNone && HasWideRect<Rule>) {
      return &Avx2<Rule, K>;
    }
#endif
    return nullptr;
  }
};

constexpr AlphaGate kMap = AlphaGate::kMap;
using Cover = ExactCoverage<PlainSource, ByteWeight, Copy>;
using CoverTint = ExactCoverage<TintSource, ByteWeight, Tint>;
using AlphaBlend = ExactCoverage<PlainSource, ParamByteWeight, ComplementBlend<PlainSource>>;
using AlphaBlendTint = ExactCoverage<TintSource, ParamByteWeight, ComplementBlend<TintSource>>;

template <class Walk>
constexpr auto TurnedRows() {
  using L = TurnedLoops<Walk>;
  return JoinRows<L>(
      NoLoopRow<L>(Id::kNothing, "Nothing"), KeyPair<L, F32, Copy>(Id::kCopy, "Copy", "CopyKey"),
      KeyPair<L, F32, Tint>(Id::kTint, "Tint", "TintKey"),
      KeyPair<L, F32, Cover, kMap>(Id::kCover, "Cover", "CoverKey"),
      KeyPair<L, F32, CoverTint, kMap>(Id::kCoverTint, "CoverTint", "CoverTintKey"),
      KeyPair<L, F32, ComplementBlend<PlainSource>>(Id::kBlend, "Blend", "BlendKey"),
      KeyPair<L, F32, ComplementBlend<TintSource>>(Id::kBlendTint, "BlendTint", "BlendTintKey"),
      KeyPair<L, F32, AlphaBlend, kMap>(Id::kAlphaBlend, "AlphaBlend", "AlphaBlendKey"),
      KeyPair<L, F32, AlphaBlendTint, kMap>(Id::kAlphaBlendTint, "AlphaBlendTint",
                                            "AlphaBlendTintKey"),
      KeyPair<L, F32, Add32<PlainSource>>(Id::kAdd, "Add", "AddKey"),
      KeyPair<L, F32, Add32<TintSource>>(Id::kAddTint, "AddTint", "AddTintKey"),
      KeyPair<L, F32, ScaledAlphaAdd32<PlainSource>, kMap>(Id::kAlphaAdd, "AlphaAdd",
                                                           "AlphaAddKey"),
      KeyPair<L, F32, ScaledAlphaAdd32<TintSource>, kMap>(Id::kAlphaAddTint, "AlphaAddTint",
                                                          "AlphaAddTintKey"),
      KeyPair<L, F32, Sub32<PlainSource>>(Id::kSub, "Sub", "SubKey"),
      KeyPair<L, F32, Sub32<TintSource>>(Id::kSubTint, "SubTint", "SubTintKey"),
      KeyPair<L, F32, ScaledAlphaSub32<PlainSource>, kMap>(Id::kAlphaSub, "AlphaSub",
                                                           "AlphaSubKey"),
      KeyPair<L, F32, ScaledAlphaSub32<TintSource>, kMap>(Id::kAlphaSubTint, "AlphaSubTint",
                                                          "AlphaSubTintKey"),
      LoopRow<L, F32, MultiplyMax32<PlainSource>>(Id::kMultiply, "Multiply"),
      LoopRow<L, F32, MultiplyMax32<TintSource>>(Id::kMultiplyTint, "MultiplyTint"),
      KeyPair<L, F8, Copy>(Id::kCopy8, "Copy8", "Copy8Key"));
}

constexpr auto kRotaLoops = TurnedRows<RotaWalk>();
constexpr auto kSpanLoops = TurnedRows<TriangleSpanWalk>();
static_assert(RowsAtTheirIds(kRotaLoops) && RowsAtTheirIds(kSpanLoops),
              "the loop tables list every id once, in the order of the ids");

Id Choose32(TurnedShape shape, const TurnedDraw& draw) {
  return ChooseTurnedLoop32(shape, draw.mode, draw.blend.p, draw.alphaChannel,
                            draw.blend.bright != 0xFFFFFFFFu, draw.keyFlag);
}

}  // namespace

const char* TurnedLoopName(TurnedLoop id) {
  return LoopName(kRotaLoops, id);
}

TurnedLoop ChooseTurnedLoop32(TurnedShape shape, int32_t mode, uint32_t p, bool alphaChannel,
                              bool bright, int keyFlag) {
  const bool keyed = KeyTested(KeyFlagRule::kExactlyOne, keyFlag);
  switch (mode) {
    case 0:
      if (alphaChannel) return Keyed(bright ? Id::kCoverTint : Id::kCover, keyed);
      return Keyed(bright ? Id::kTint : Id::kCopy, keyed);
    case 1:
      if (p == 0) return Id::kNothing;
      if (p >= 255) return ChooseTurnedLoop32(shape, 0, p, alphaChannel, bright, keyFlag);
      if (alphaChannel) return Keyed(bright ? Id::kAlphaBlendTint : Id::kAlphaBlend, keyed);
      return Keyed(bright ? Id::kBlendTint : Id::kBlend, keyed);
    case 2:
    case 3: {
      if (p == 0) return Id::kNothing;
      const bool add = mode == 2;
      if (alphaChannel && shape == TurnedShape::kRota) {
        return Keyed(add ? (bright ? Id::kAlphaAddTint : Id::kAlphaAdd)
                         : (bright ? Id::kAlphaSubTint : Id::kAlphaSub),
                     keyed);
      }
      return Keyed(add ? (bright ? Id::kAddTint : Id::kAdd) : (bright ? Id::kSubTint : Id::kSub),
                   keyed);
    }
    case 4:
      return bright ? Id::kMultiplyTint : Id::kMultiply;
    default:
      return Id::kNothing;
  }
}

TurnedLoop ChooseTurnedLoop8(int keyFlag) {
  return Keyed(Id::kCopy8, KeyTested(KeyFlagRule::kNonZero, keyFlag));
}

void DrawRota32(const RotaWalk& walk, const TurnedDraw& draw) {
  RunLoop(kRotaLoops, Choose32(TurnedShape::kRota, draw), !draw.sourceIsTarget, walk, draw);
}

void DrawRota8(const RotaWalk& walk, const TurnedDraw& draw) {
  TurnedDraw zeroKey = draw;
  zeroKey.key = 0;  // palette index 0 is the transparent one
  RunLoop(kRotaLoops, ChooseTurnedLoop8(draw.keyFlag), !draw.sourceIsTarget, walk, zeroKey);
}

void DrawTriangle32(const TriangleSpanWalk& walk, const TurnedDraw& draw) {
  RunLoop(kSpanLoops, Choose32(TurnedShape::kTriangle, draw), !draw.sourceIsTarget, walk, draw);
}

void DrawTriangle8(const TriangleSpanWalk& walk, const TurnedDraw& draw) {
  TurnedDraw zeroKey = draw;
  zeroKey.key = 0;
  RunLoop(kSpanLoops, ChooseTurnedLoop8(draw.keyFlag), !draw.sourceIsTarget, walk, zeroKey);
}

}  // namespace morrow::raster
