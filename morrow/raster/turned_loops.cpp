// The turned draws' loops: the choice and the loop tables, one per walk.
#include <algorithm>
#include <cstdint>
#include <type_traits>
#include <vector>

#include "morrow/raster/loop_table.h"
#include "morrow/raster/stretch_loops.h"
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

namespace {

bool SameSegment(const EdgeSegment& a, const EdgeSegment& b) {
  return a.x == b.x && a.y == b.y && a.rows == b.rows && a.step == b.step;
}

// The pixels the two halves of an upright rectangle visit, as one rectangle: false when the halves
// are not such. Each half has one segment a side, all four over the same rows; one half runs
// from an upright edge (step 0) on the left to the shared diagonal, the other from the diagonal
// to an upright edge on the right, and the diagonal stays between the upright edges on every row
// (its whole positions move one way, so its first and last rows tell). On each row the walk then
// visits [max(L, left), min(D, right - 1)] in one half and [max(D, left), min(R, right - 1)] in
// the other, with L <= D <= R: together [max(L, left), min(R, right - 1)], empty or not.
bool VisitedRectangle(const TriangleSetup& a, const TriangleSetup& b, const platform::Rect& area,
                      platform::Rect* out) {
  if (a.left.count != 1 || a.right.count != 1 || b.left.count != 1 || b.right.count != 1) {
    return false;
  }
  const EdgeSegment& al = a.left.segments[0];
  const EdgeSegment& ar = a.right.segments[0];
  const EdgeSegment& bl = b.left.segments[0];
  const EdgeSegment& br = b.right.segments[0];
  for (const EdgeSegment* s : {&ar, &bl, &br}) {
    if (s->y != al.y || s->rows != al.rows) return false;
  }
  if (al.rows < 1) return false;
  const EdgeSegment *upLeft = nullptr, *upRight = nullptr, *diagonal = nullptr;
  if (al.step == 0 && br.step == 0 && SameSegment(ar, bl)) {
    upLeft = &al;
    upRight = &br;
    diagonal = &ar;
  } else if (bl.step == 0 && ar.step == 0 && SameSegment(br, al)) {
    upLeft = &bl;
    upRight = &ar;
    diagonal = &al;
  } else {
    return false;
  }
  const int64_t l = Whole18(upLeft->x), r = Whole18(upRight->x);
  const int64_t d0 = Whole18(diagonal->x);
  const int64_t d1 = Whole18(diagonal->x + (diagonal->rows - 1) * diagonal->step);
  if (d0 < l || d0 > r || d1 < l || d1 > r) return false;
  const int64_t y = Whole18(al.y);
  const int64_t top = std::max<int64_t>(y, area.top);
  const int64_t bottom = std::min<int64_t>(y + al.rows, area.bottom);
  const int64_t left = std::max<int64_t>(l, area.left);
  const int64_t right = std::min<int64_t>(r + 1, area.right);
  if (top >= bottom || left >= right) {
    *out = platform::Rect{};
    return true;
  }
  *out = platform::Rect{static_cast<int32_t>(left), static_cast<int32_t>(top),
                        static_cast<int32_t>(right), static_cast<int32_t>(bottom)};
  return true;
}

// The texel indices of n pixels (index(i) for pixel i) into table, and the run [first, last) of
// those below size; false when those below size do not form one run.
template <class Index>
bool TexelRun(int32_t n, uint32_t size, Index&& index, std::vector<int32_t>* table, int32_t* first,
              int32_t* last) {
  table->resize(static_cast<size_t>(n));
  *first = n;
  *last = n;
  for (int32_t i = 0; i < n; ++i) {
    const uint32_t texel = index(i);
    (*table)[static_cast<size_t>(i)] = static_cast<int32_t>(texel);
    const bool inside = texel < size;
    if (inside && *first == n) *first = i;
    if (!inside && *first != n && *last == n) *last = i;
    if (inside && *last != n) return false;
  }
  if (*first == n) *last = n;
  return true;
}

}  // namespace

bool DrawUprightQuad32(const TriangleSetup& first, const TriangleSetup& second,
                       const TriangleSpanWalk& walk, const TurnedDraw& draw) {
  if (CurrentRasterPath() == RasterPath::kReference || draw.sourceIsTarget) return false;
  const Id loop = Choose32(TurnedShape::kTriangle, draw);
  if (loop != Id::kCopy && loop != Id::kCopyKey && loop != Id::kTint && loop != Id::kTintKey) {
    return false;
  }
  const TriangleSetup& a = first;
  const TriangleSetup& b = second;
  // Each texel index a function of one coordinate, the same in both halves (wrapping as the
  // plane does).
  if (a.uRow != 0 || a.vStep != 0 || b.uRow != 0 || b.vStep != 0 || a.uStep != b.uStep ||
      a.vRow != b.vRow ||
      a.u0 - static_cast<uint32_t>(a.x0) * a.uStep !=
          b.u0 - static_cast<uint32_t>(b.x0) * b.uStep ||
      a.v0 - static_cast<uint32_t>(a.y0) * a.vRow != b.v0 - static_cast<uint32_t>(b.y0) * b.vRow) {
    return false;
  }
  platform::Rect visited;
  if (!VisitedRectangle(a, b, walk.area, &visited)) return false;
  if (visited.right <= visited.left || visited.bottom <= visited.top) return true;
  // Of those, the pixels whose texel lies inside the texture: again one rectangle.
  std::vector<int32_t> columns, rows;
  int32_t c0 = 0, c1 = 0, r0 = 0, r1 = 0;
  if (!TexelRun(
          visited.right - visited.left, draw.texture.width,
          [&](int32_t i) {
            return (a.u0 + static_cast<uint32_t>(visited.left + i - a.x0) * a.uStep) >> 18;
          },
          &columns, &c0, &c1) ||
      !TexelRun(
          visited.bottom - visited.top, draw.texture.height,
          [&](int32_t i) {
            return (a.v0 + static_cast<uint32_t>(visited.top + i - a.y0) * a.vRow) >> 18;
          },
          &rows, &r0, &r1)) {
    return false;
  }
  if (c0 == c1 || r0 == r1) return true;

  StretchDraw stretch;
  StretchSurfaces& s = stretch.walk;
  const int64_t x = int64_t{visited.left} + c0, y = int64_t{visited.top} + r0;
  s.dest = walk.dest + int64_t{walk.destPitch} * y + 4 * x;
  s.destPitch = walk.destPitch;
  s.read = walk.read + int64_t{walk.readPitch} * y + 4 * x;
  s.readPitch = walk.readPitch;
  s.src = draw.texture.src;
  s.srcPitch = draw.texture.pitch;
  s.columns = columns.data() + c0;
  s.rows = rows.data() + r0;
  s.width = c1 - c0;
  s.height = r1 - r0;
  stretch.key = draw.key;
  stretch.keyFlag = loop == Id::kCopyKey || loop == Id::kTintKey ? 1 : 0;
  stretch.mode = 0;
  stretch.blend = draw.blend;
  stretch.format = FormatClass::k32;
  DrawStretch(stretch);
  return true;
}

}  // namespace morrow::raster
