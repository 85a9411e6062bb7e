// The turned draws' loops: the choice and the table of instantiations, one per walk.
#include <algorithm>
#include <array>
#include <cstddef>
#include <type_traits>

#include "morrow/raster/raster_path.h"
#include "morrow/raster/texel_draw.h"
#include "morrow/raster/texel_rules32.h"
#include "morrow/raster/texel_walkers.h"
#include "morrow/raster/texel_walkers_sse2.h"

namespace morrow::raster {
namespace {

using Id = TexelLoop;
using RotaFn = void (*)(const RotaWalk&, const TexelDraw&);
using SpanFn = void (*)(const TriangleSpanWalk&, const TexelDraw&);

struct LoopEntry {
  Id id;
  const char* name;
  RotaFn rota;
  RotaFn rotaSse2;  // null where the rule has no vector form
  SpanFn span;
  SpanFn spanSse2;
};

template <class Walk, class F, KeyGate K, AlphaGate A, class Rule>
void RunReference(const Walk& walk, const TexelDraw& draw) {
  const Rule rule(draw.blend);
  walk.template ForEachSpan<F::kBytes>([&](const TexelSpan& span) {
    TexelSpanWalk<F, Walk::kMap, K, A>(span, draw.texture, draw.key, rule);
  });
}

#if defined(MORROW_RASTER_SSE2)
template <class Walk, KeyGate K, AlphaGate A, class Rule>
void RunSse2(const Walk& walk, const TexelDraw& draw) {
  const Rule rule(draw.blend);
  walk.template ForEachSpan<4>([&](const TexelSpan& span) {
    TexelSpanWalkSse2<Walk::kMap, K, A>(span, draw.texture, draw.key, rule);
  });
}

template <class Rule, AlphaGate A>
constexpr bool kHasVectorForm = (A == AlphaGate::kNone && HasApply4Rect<Rule>) ||
                                (A == AlphaGate::kMap && HasApply4Alpha<Rule>);
#endif

template <class Rule, KeyGate K, AlphaGate A = AlphaGate::kNone, class F = F32>
constexpr LoopEntry Loop(Id id, const char* name) {
  LoopEntry e{id,
              name,
              &RunReference<RotaWalk, F, K, A, Rule>,
              nullptr,
              &RunReference<TriangleSpanWalk, F, K, A, Rule>,
              nullptr};
#if defined(MORROW_RASTER_SSE2)
  if constexpr (std::is_same_v<F, F32> && kHasVectorForm<Rule, A>) {
    e.rotaSse2 = &RunSse2<RotaWalk, K, A, Rule>;
    e.spanSse2 = &RunSse2<TriangleSpanWalk, K, A, Rule>;
  }
#endif
  return e;
}

// The unkeyed and keyed rows of one variant.
template <class Rule, AlphaGate A = AlphaGate::kNone, class F = F32>
constexpr std::array<LoopEntry, 2> Pair(Id id, const char* name, const char* keyedName) {
  return {
      Loop<Rule, KeyGate::kNone, A, F>(id, name),
      Loop<Rule, KeyGate::kCompare, A, F>(static_cast<Id>(static_cast<int>(id) + 1), keyedName)};
}

template <size_t... N>
constexpr auto Join(const std::array<LoopEntry, N>&... parts) {
  std::array<LoopEntry, (N + ...)> all{};
  size_t i = 0;
  ((std::copy(parts.begin(), parts.end(), all.begin() + i), i += N), ...);
  return all;
}

constexpr AlphaGate kMap = AlphaGate::kMap;
using Cover = ExactCoverage<PlainSource, ByteWeight, Copy>;
using CoverTint = ExactCoverage<TintSource, ByteWeight, Tint>;
using AlphaBlend = ExactCoverage<PlainSource, ParamByteWeight, ComplementBlend<PlainSource>>;
using AlphaBlendTint = ExactCoverage<TintSource, ParamByteWeight, ComplementBlend<TintSource>>;

constexpr auto kLoops = Join(
    std::array<LoopEntry, 1>{
        LoopEntry{Id::kNothing, "Nothing", nullptr, nullptr, nullptr, nullptr}},
    Pair<Copy>(Id::kCopy, "Copy", "CopyKey"), Pair<Tint>(Id::kTint, "Tint", "TintKey"),
    Pair<Cover, kMap>(Id::kCover, "Cover", "CoverKey"),
    Pair<CoverTint, kMap>(Id::kCoverTint, "CoverTint", "CoverTintKey"),
    Pair<ComplementBlend<PlainSource>>(Id::kBlend, "Blend", "BlendKey"),
    Pair<ComplementBlend<TintSource>>(Id::kBlendTint, "BlendTint", "BlendTintKey"),
    Pair<AlphaBlend, kMap>(Id::kAlphaBlend, "AlphaBlend", "AlphaBlendKey"),
    Pair<AlphaBlendTint, kMap>(Id::kAlphaBlendTint, "AlphaBlendTint", "AlphaBlendTintKey"),
    Pair<Add32<PlainSource>>(Id::kAdd, "Add", "AddKey"),
    Pair<Add32<TintSource>>(Id::kAddTint, "AddTint", "AddTintKey"),
    Pair<ScaledAlphaAdd32<PlainSource>, kMap>(Id::kAlphaAdd, "AlphaAdd", "AlphaAddKey"),
    Pair<ScaledAlphaAdd32<TintSource>, kMap>(Id::kAlphaAddTint, "AlphaAddTint", "AlphaAddTintKey"),
    Pair<Sub32<PlainSource>>(Id::kSub, "Sub", "SubKey"),
    Pair<Sub32<TintSource>>(Id::kSubTint, "SubTint", "SubTintKey"),
    Pair<ScaledAlphaSub32<PlainSource>, kMap>(Id::kAlphaSub, "AlphaSub", "AlphaSubKey"),
    Pair<ScaledAlphaSub32<TintSource>, kMap>(Id::kAlphaSubTint, "AlphaSubTint", "AlphaSubTintKey"),
    std::array<LoopEntry, 2>{
        Loop<MultiplyMax32<PlainSource>, KeyGate::kNone>(Id::kMultiply, "Multiply"),
        Loop<MultiplyMax32<TintSource>, KeyGate::kNone>(Id::kMultiplyTint, "MultiplyTint")},
    Pair<Copy, AlphaGate::kNone, F8>(Id::kCopy8, "Copy8", "Copy8Key"));

constexpr bool IdsInOrder() {
  for (size_t i = 0; i < kLoops.size(); ++i) {
    if (static_cast<size_t>(kLoops[i].id) != i) return false;
  }
  return kLoops.size() == static_cast<size_t>(Id::kCount);
}
static_assert(IdsInOrder(), "the loop table lists every id once, in the order of the ids");

constexpr Id Keyed(Id id, int keyFlag) {
  return keyFlag == 1 ? static_cast<Id>(static_cast<int>(id) + 1) : id;
}

bool UseVector(const TexelDraw& draw) {
  return !draw.sourceIsTarget && CurrentRasterPath() == RasterPath::kSse2;
}

const LoopEntry& Entry(Id id) {
  return kLoops[static_cast<size_t>(id)];
}

void RunRota(Id id, const RotaWalk& walk, const TexelDraw& draw) {
  const LoopEntry& e = Entry(id);
  if (e.rota == nullptr) return;
  (e.rotaSse2 != nullptr && UseVector(draw) ? e.rotaSse2 : e.rota)(walk, draw);
}

void RunSpan(Id id, const TriangleSpanWalk& walk, const TexelDraw& draw) {
  const LoopEntry& e = Entry(id);
  if (e.span == nullptr) return;
  (e.spanSse2 != nullptr && UseVector(draw) ? e.spanSse2 : e.span)(walk, draw);
}

Id Choose32(TexelShape shape, const TexelDraw& draw) {
  return ChooseTexelLoop32(shape, draw.mode, draw.blend.p, draw.alphaChannel,
                           draw.blend.bright != 0xFFFFFFFFu, draw.keyFlag);
}

}  // namespace

const char* TexelLoopName(TexelLoop id) {
  const size_t i = static_cast<size_t>(id);
  return i < kLoops.size() ? kLoops[i].name : "?";
}

TexelLoop ChooseTexelLoop32(TexelShape shape, int32_t mode, uint32_t p, bool alphaChannel,
                            bool bright, int keyFlag) {
  switch (mode) {
    case 0:
      if (alphaChannel) return Keyed(bright ? Id::kCoverTint : Id::kCover, keyFlag);
      return Keyed(bright ? Id::kTint : Id::kCopy, keyFlag);
    case 1:
      if (p == 0) return Id::kNothing;
      if (p >= 255) return ChooseTexelLoop32(shape, 0, p, alphaChannel, bright, keyFlag);
      if (alphaChannel) return Keyed(bright ? Id::kAlphaBlendTint : Id::kAlphaBlend, keyFlag);
      return Keyed(bright ? Id::kBlendTint : Id::kBlend, keyFlag);
    case 2:
    case 3: {
      if (p == 0) return Id::kNothing;
      const bool add = mode == 2;
      if (alphaChannel && shape == TexelShape::kRota) {
        return Keyed(add ? (bright ? Id::kAlphaAddTint : Id::kAlphaAdd)
                         : (bright ? Id::kAlphaSubTint : Id::kAlphaSub),
                     keyFlag);
      }
      return Keyed(add ? (bright ? Id::kAddTint : Id::kAdd) : (bright ? Id::kSubTint : Id::kSub),
                   keyFlag);
    }
    case 4:
      return bright ? Id::kMultiplyTint : Id::kMultiply;
    default:
      return Id::kNothing;
  }
}

TexelLoop ChooseTexelLoop8(int keyFlag) {
  return keyFlag != 0 ? Id::kCopy8Key : Id::kCopy8;
}

void DrawRota32(const RotaWalk& walk, const TexelDraw& draw) {
  RunRota(Choose32(TexelShape::kRota, draw), walk, draw);
}

void DrawRota8(const RotaWalk& walk, const TexelDraw& draw) {
  TexelDraw zeroKey = draw;
  zeroKey.key = 0;  // palette index 0 is the transparent one
  RunRota(ChooseTexelLoop8(draw.keyFlag), walk, zeroKey);
}

void DrawTriangle32(const TriangleSpanWalk& walk, const TexelDraw& draw) {
  RunSpan(Choose32(TexelShape::kTriangle, draw), walk, draw);
}

void DrawTriangle8(const TriangleSpanWalk& walk, const TexelDraw& draw) {
  TexelDraw zeroKey = draw;
  zeroKey.key = 0;
  RunSpan(ChooseTexelLoop8(draw.keyFlag), walk, zeroKey);
}

}  // namespace morrow::raster
