// The turned draws at 16 bits: the choice of loop and the loop tables, one per walk, each a row
// per rule of the 32-bit ids and layout.
#include <cstddef>
#include <string>
#include <type_traits>

#include "morrow/raster/loop_table.h"
#include "morrow/raster/piece_rules16.h"
#include "morrow/raster/turned_loops.h"
#include "morrow/raster/turned_rules16.h"
#include "morrow/raster/turned_walkers.h"
#include "morrow/raster/turned_walkers16_sse2.h"

namespace morrow::raster {
namespace {

using Id = TurnedLoop;
constexpr size_t kIds = static_cast<size_t>(TurnedLoop::kCount);
constexpr size_t kLayouts = static_cast<size_t>(Layout16::kCount);
constexpr const char* kLayoutNames[kLayouts] = {"565", "555", "Generic"};

template <class Walk>
struct TurnedLoops16 {
  using Id = TurnedLoop16;
  using Fn = void (*)(const Walk&, const TurnedDraw&, const Setup16&);
  static constexpr size_t kRows = kIds * kLayouts;

  static constexpr size_t Index(const TurnedLoop16& id) {
    const size_t loop = static_cast<size_t>(id.loop), layout = static_cast<size_t>(id.layout);
    return loop < kIds && layout < kLayouts ? loop * kLayouts + layout : kRows;
  }

  template <class F, class Rule, KeyGate K, AlphaGate A>
  static void Reference(const Walk& walk, const TurnedDraw& draw, const Setup16& setup) {
    const Rule rule(setup);
    walk.template ForEachSpan<2>([&](const TexelSpan& span) {
      TexelSpanWalk<F, Walk::kMap, K, A>(span, draw.texture, draw.key, rule);
    });
  }

#if defined(MORROW_RASTER_SSE2)
  template <class F, class Rule, KeyGate K, AlphaGate A>
  static void Sse2(const Walk& walk, const TurnedDraw& draw, const Setup16& setup) {
    const Rule rule(setup);
    walk.template ForEachSpan<2>([&](const TexelSpan& span) {
      TexelSpanWalkSse2_16<F, Walk::kMap, K, A>(span, draw.texture, draw.key, rule);
    });
  }
#endif

  // Eight lanes for the fixed layouts only.
  template <class F, class Rule, KeyGate K, AlphaGate A>
  static constexpr Fn Vector() {
#if defined(MORROW_RASTER_SSE2)
    constexpr bool kHasVectorForm = (A == AlphaGate::kNone && HasApply8Rect<Rule>) ||
                                    (A == AlphaGate::kMap && HasApply8Alpha<Rule>);
    if constexpr (!kIsGeneric16<F> && kHasVectorForm) return &Sse2<F, Rule, K, A>;
#endif
    return nullptr;
  }
};

template <class F>
constexpr Layout16 LayoutOf() {
  if constexpr (std::is_same_v<F, F565>) return Layout16::k565;
  if constexpr (std::is_same_v<F, F555>) return Layout16::k555;
  return Layout16::kGeneric;
}

template <class Walk>
using Table = LoopTable<TurnedLoops16<Walk>, TurnedLoops16<Walk>::kRows>;

// The loop of id at F's layout, and with withKey its keyed loop, the id after it.
template <class Walk, class F, class Rule, AlphaGate A = AlphaGate::kNone>
constexpr void Put(Table<Walk>& t, Id id, bool withKey = true) {
  using L = TurnedLoops16<Walk>;
  const Layout16 layout = LayoutOf<F>();
  const char* name = kLayoutNames[static_cast<size_t>(layout)];
  const TurnedLoop16 loop{id, layout};
  t[L::Index(loop)] = LoopRow<L, F, Rule, KeyGate::kNone, A>(loop, name);
  if (!withKey) return;
  const TurnedLoop16 keyed{Keyed(id, true), layout};
  t[L::Index(keyed)] = LoopRow<L, F, Rule, KeyGate::kCompare, A>(keyed, name);
}

constexpr AlphaGate kMap = AlphaGate::kMap;

template <class Walk, class F>
constexpr void PutLayout(Table<Walk>& t) {
  using Plain = PlainChannel;
  using Tinted = TintChannel;
  Put<Walk, F, TexelCopy16>(t, Id::kCopy);
  // The generic layout copies without bright: it has no tinted copy of its own.
  if constexpr (!kIsGeneric16<F>) Put<Walk, F, TintCopy16<F>>(t, Id::kTint);
  Put<Walk, F, TurnedCover16<F>, kMap>(t, Id::kCover);
  Put<Walk, F, TurnedCoverTint16<F>, kMap>(t, Id::kCoverTint);
  Put<Walk, F, TurnedTableBlend16<F, Plain>>(t, Id::kBlend);
  Put<Walk, F, TurnedTableBlend16<F, Tinted>>(t, Id::kBlendTint);
  Put<Walk, F, TurnedAlphaBlend16<F, Plain>, kMap>(t, Id::kAlphaBlend);
  Put<Walk, F, TurnedAlphaBlend16<F, Tinted>, kMap>(t, Id::kAlphaBlendTint);
  Put<Walk, F, TurnedAdd16<F, Plain>>(t, Id::kAdd);
  Put<Walk, F, TurnedAdd16<F, Tinted>>(t, Id::kAddTint);
  Put<Walk, F, TurnedAdd16<F, Plain>, kMap>(t, Id::kAlphaAdd);
  Put<Walk, F, TurnedAdd16<F, Tinted>, kMap>(t, Id::kAlphaAddTint);
  Put<Walk, F, TurnedSub16<F, Plain>>(t, Id::kSub);
  Put<Walk, F, TurnedSub16<F, Tinted>>(t, Id::kSubTint);
  Put<Walk, F, TurnedSub16<F, Plain>, kMap>(t, Id::kAlphaSub);
  Put<Walk, F, TurnedSub16<F, Tinted>, kMap>(t, Id::kAlphaSubTint);
  Put<Walk, F, TurnedMultiply16<F, Plain>>(t, Id::kMultiply, false);
  Put<Walk, F, TurnedMultiply16<F, Tinted>>(t, Id::kMultiplyTint, false);
}

template <class Walk>
constexpr Table<Walk> BuildTable() {
  using L = TurnedLoops16<Walk>;
  Table<Walk> t{};
  for (size_t id = 0; id < kIds; ++id) {
    for (size_t layout = 0; layout < kLayouts; ++layout) {
      const TurnedLoop16 loop{static_cast<Id>(id), static_cast<Layout16>(layout)};
      t[L::Index(loop)] = NoLoopRow<L>(loop, kLayoutNames[layout]);
    }
  }
  PutLayout<Walk, F565>(t);
  PutLayout<Walk, F555>(t);
  PutLayout<Walk, FGeneric16>(t);
  return t;
}

constexpr auto kRotaLoops16 = BuildTable<RotaWalk>();
constexpr auto kSpanLoops16 = BuildTable<TriangleSpanWalk>();
static_assert(RowsAtTheirIds(kRotaLoops16) && RowsAtTheirIds(kSpanLoops16),
              "the loop tables list every rule at every layout once, in the order of the ids");

Layout16 LayoutOfClass(FormatClass format) {
  if (format == FormatClass::k565) return Layout16::k565;
  return format == FormatClass::k555 ? Layout16::k555 : Layout16::kGeneric;
}

template <class Walk>
void Draw16(const Table<Walk>& table, TurnedShape shape, const Walk& walk, const TurnedDraw& draw) {
  if (draw.screenFormat == nullptr || draw.products == nullptr) return;
  const TurnedLoop16 loop =
      ChooseTurnedLoop16(shape, draw.mode, draw.blend.p, draw.alphaChannel,
                         draw.blend.bright != 0xFFFFFFFFu, draw.keyFlag, draw.format);
  const auto* row = FindLoop(table, loop);
  if (row == nullptr) return;
  const Setup16 setup = MakeSetup16(draw.blend.p, draw.blend.bright, draw.products,
                                    FGeneric16::From(*draw.screenFormat));
  RunLoop(*row, !draw.sourceIsTarget, walk, draw, setup);
}

}  // namespace

TurnedLoop16 ChooseTurnedLoop16(TurnedShape shape, int32_t mode, uint32_t p, bool alphaChannel,
                                bool bright, int keyFlag, FormatClass format) {
  const Layout16 layout = LayoutOfClass(format);
  const bool fixed = layout != Layout16::kGeneric;
  const bool keyed = KeyTested(KeyFlagRule::kExactlyOne, keyFlag);
  const bool triangle = shape == TurnedShape::kTriangle;
  // Where a generic layout takes bright in modes 1 to 3: under the alpha map, and in the triangle.
  const bool tint = bright && (fixed || alphaChannel || triangle);
  auto at = [&](Id id) { return TurnedLoop16{Keyed(id, keyed), layout}; };
  switch (static_cast<uint32_t>(mode)) {
    case 1:
      if (p == 0) return TurnedLoop16{Id::kNothing, layout};
      if (p < 255) {
        if (alphaChannel) return at(tint ? Id::kAlphaBlendTint : Id::kAlphaBlend);
        return at(tint ? Id::kBlendTint : Id::kBlend);
      }
      [[fallthrough]];
    case 0:
      if (alphaChannel) return at(bright ? Id::kCoverTint : Id::kCover);
      return at(bright && fixed ? Id::kTint : Id::kCopy);
    case 2:
      if (p == 0) return TurnedLoop16{Id::kNothing, layout};
      if (alphaChannel) return at(tint ? Id::kAlphaAddTint : Id::kAlphaAdd);
      return at(tint ? Id::kAddTint : Id::kAdd);
    case 3:
      if (p == 0) return TurnedLoop16{Id::kNothing, layout};
      if (alphaChannel) return at(tint ? Id::kAlphaSubTint : Id::kAlphaSub);
      return at(tint ? Id::kSubTint : Id::kSub);
    case 4: {
      const bool multiplyTint = bright && (fixed || triangle);
      return TurnedLoop16{multiplyTint ? Id::kMultiplyTint : Id::kMultiply, layout};
    }
    default:
      return TurnedLoop16{Id::kNothing, layout};
  }
}

std::string TurnedLoop16Name(const TurnedLoop16& loop) {
  return std::string(TurnedLoopName(loop.loop)) + " " + LoopName(kRotaLoops16, loop);
}

bool TurnedLoop16HasReference(const TurnedLoop16& loop) {
  return FindLoop(kRotaLoops16, loop) != nullptr && FindLoop(kSpanLoops16, loop) != nullptr;
}

bool TurnedLoop16HasVector(const TurnedLoop16& loop) {
  const auto* rota = FindLoop(kRotaLoops16, loop);
  const auto* span = FindLoop(kSpanLoops16, loop);
  return rota != nullptr && rota->vector != nullptr && span != nullptr && span->vector != nullptr;
}

void DrawRota16(const RotaWalk& walk, const TurnedDraw& draw) {
  Draw16(kRotaLoops16, TurnedShape::kRota, walk, draw);
}

void DrawTriangle16(const TriangleSpanWalk& walk, const TurnedDraw& draw) {
  Draw16(kSpanLoops16, TurnedShape::kTriangle, walk, draw);
}

}  // namespace morrow::raster
