// The 16-bit piece draw: the set-up of one call, the choice of loop and the loop table.
#include <cstddef>
#include <type_traits>

#include "morrow/raster/loop_table.h"
#include "morrow/raster/piece_loops.h"
#include "morrow/raster/piece_loops16.h"
#include "morrow/raster/piece_rules16.h"
#include "morrow/raster/walkers.h"
#include "morrow/raster/walkers16.h"

namespace morrow::raster {

Setup16 MakeSetup16(uint32_t p, uint32_t bright, const uint32_t (*products)[256],
                    const FGeneric16& format) {
  Setup16 s;
  s.p = p > 255 ? 255 : p;
  s.q = 255 - s.p;
  s.bright[0] = bright >> 16 & 0xFF;
  s.bright[1] = bright >> 8 & 0xFF;
  s.bright[2] = bright & 0xFF;
  for (int c = 0; c < 3; ++c) s.tint[c] = products[s.bright[c]];
  for (int x = 0; x < 256; ++x) {
    s.pRow[x] = products[s.p][x];
    s.qRow[x] = products[s.q][x];
  }
  s.format = format;
  return s;
}

namespace {

constexpr size_t kRules = static_cast<size_t>(Rule16::kCount);
constexpr size_t kLayouts = static_cast<size_t>(Layout16::kCount);

constexpr const char* kRuleNames[kRules] = {
    "Nothing",         "PlainCopy",  "Xor",      "TintCoverage",
    "InPlace",         "Tint",       "Weighted", "AlphaTableBlend",
    "TintTableBlend",  "TableBlend", "MmxBlend", "AddTintWeighted",
    "AddAlpha",        "AddTint",    "Add",      "MmxAdd",
    "SubTintWeighted", "SubAlpha",   "SubTint",  "Sub",
    "MultiplyTint",    "Multiply"};

// A loop is a rule, a layout and the key test: one row each, those of a rule side by side.
struct PieceLoops16 {
  using Id = PieceLoop16;
  using Fn = void (*)(const RectSurfaces&, uint32_t key, const Setup16&);
  static constexpr size_t kRows = kRules * kLayouts * 2;

  static constexpr size_t Index(const PieceLoop16& loop) {
    const size_t rule = static_cast<size_t>(loop.rule), layout = static_cast<size_t>(loop.layout);
    if (rule >= kRules || layout >= kLayouts) return kRows;
    return (rule * kLayouts + layout) * 2 + (loop.keyed ? 1 : 0);
  }

  // The unkeyed XOR goes by words (XorRows16); every other loop walks pixel by pixel.
  template <class Rule, KeyGate K>
  static constexpr bool kXorRows = (K == KeyGate::kNone && std::is_same_v<Rule, Xor16>);

  template <class F, class Rule, KeyGate K, AlphaGate A>
  static void Reference(const RectSurfaces& r, uint32_t key, const Setup16& s) {
    if constexpr (kXorRows<Rule, K>) {
      (void)key;
      (void)s;
      XorRows16(r);
    } else {
      RectWalk<F, K, A>(r, key, Rule(s));
    }
  }

#if defined(MORROW_RASTER_SSE2)
  template <class F, class Rule, KeyGate K>
  static void Sse2(const RectSurfaces& r, uint32_t key, const Setup16& s) {
    RectWalkSse2_16<F, K>(r, key, Rule(s));
  }
#endif

  template <class F, class Rule, KeyGate K, AlphaGate A>
  static constexpr Fn Vector() {
#if defined(MORROW_RASTER_SSE2)
    if constexpr (A == AlphaGate::kNone && HasApply8Rect<Rule> && !kXorRows<Rule, K>) {
      return &Sse2<F, Rule, K>;
    }
#endif
    return nullptr;
  }
};

using L = PieceLoops16;
using Table = LoopTable<L, L::kRows>;

template <class F>
constexpr Layout16 LayoutOf() {
  if constexpr (std::is_same_v<F, F565>) return Layout16::k565;
  if constexpr (std::is_same_v<F, F555>) return Layout16::k555;
  return Layout16::kGeneric;
}

// The keyed and the unkeyed loop of one member (or only the unkeyed one).
template <class F, class Rule, AlphaGate A = AlphaGate::kNone>
constexpr void Put(Table& t, Rule16 rule, bool withKey = true) {
  const PieceLoop16 loop{rule, LayoutOf<F>(), false};
  const char* name = kRuleNames[static_cast<size_t>(rule)];
  t[L::Index(loop)] = LoopRow<L, F, Rule, KeyGate::kNone, A>(loop, name);
  if (!withKey) return;
  const PieceLoop16 keyed{rule, LayoutOf<F>(), true};
  t[L::Index(keyed)] = LoopRow<L, F, Rule, KeyGate::kCompare, A>(keyed, name);
}

constexpr AlphaGate kMap = AlphaGate::kMap;

// The members of a fixed layout.
template <class F>
constexpr void PutFixed(Table& t) {
  Put<F, Xor16>(t, Rule16::kXor);
  Put<F, Coverage16<F>, kMap>(t, Rule16::kTintCoverage);
  Put<F, InPlace16<F, AlphaWeight16, Copy16>, kMap>(t, Rule16::kInPlace);
  Put<F, Tint16<F>>(t, Rule16::kTint);
  Put<F, Weighted16<F>, kMap>(t, Rule16::kWeighted);
  Put<F, InPlace16<F, ParamAlphaWeight16, TableBlend16<F>>, kMap>(t, Rule16::kAlphaTableBlend);
  Put<F, TableBlend16<F, TintChannel>>(t, Rule16::kTintTableBlend);
  Put<F, TableBlend16<F>>(t, Rule16::kTableBlend);
  Put<F, AddGuard16<F, TintAlphaTerm16<F>>, kMap>(t, Rule16::kAddTintWeighted);
  Put<F, AddGuard16<F, AlphaTerm16<F>>, kMap>(t, Rule16::kAddAlpha);
  Put<F, AddGuard16<F, TintTerm16<F>>>(t, Rule16::kAddTint);
  Put<F, AddGuard16<F, PlainTerm16<F>>>(t, Rule16::kAdd);
  Put<F, MmxAdd16<F>>(t, Rule16::kMmxAdd);
  Put<F, SubGuard16<F, TintAlphaTerm16<F>>, kMap>(t, Rule16::kSubTintWeighted);
  Put<F, SubGuard16<F, AlphaTerm16<F>>, kMap>(t, Rule16::kSubAlpha);
  Put<F, SubGuard16<F, TintTerm16<F>>>(t, Rule16::kSubTint);
  Put<F, SubGuard16<F, PlainTerm16<F>>>(t, Rule16::kSub);
  Put<F, Multiply16<F, TintChannel>>(t, Rule16::kMultiplyTint, false);
  Put<F, Multiply16<F>>(t, Rule16::kMultiply, false);
}

constexpr Table BuildTable() {
  Table t{};
  // Every loop has its row, named by its rule; the members put below give it its instantiation.
  for (size_t rule = 0; rule < kRules; ++rule) {
    for (size_t layout = 0; layout < kLayouts; ++layout) {
      for (bool keyed : {false, true}) {
        const PieceLoop16 loop{static_cast<Rule16>(rule), static_cast<Layout16>(layout), keyed};
        t[L::Index(loop)] = NoLoopRow<L>(loop, kRuleNames[rule]);
      }
    }
  }
  PutFixed<F565>(t);
  PutFixed<F555>(t);
  // 5:5:5 has an MMX blend with its own masks; 5:6:5 and the rest take the format's.
  Put<F555, MmxBlend16<F555>>(t, Rule16::kMmxBlend);
  using G = FGeneric16;
  Put<G, Xor16>(t, Rule16::kXor);
  Put<G, TableBlend16<G>>(t, Rule16::kTableBlend);
  Put<G, MmxBlend16<G>>(t, Rule16::kMmxBlend);
  Put<G, AddGuard16<G, PlainTerm16<G>>>(t, Rule16::kAdd);
  Put<G, MmxAdd16<G>>(t, Rule16::kMmxAdd);
  Put<G, SubGuard16<G, PlainTerm16<G>>>(t, Rule16::kSub);
  Put<G, Multiply16<G>>(t, Rule16::kMultiply, false);
  return t;
}

constexpr Table kLoops = BuildTable();
static_assert(RowsAtTheirIds(kLoops), "every loop has its row, named, in the order of the loops");

Layout16 LayoutOfClass(FormatClass format) {
  switch (format) {
    case FormatClass::k565:
      return Layout16::k565;
    case FormatClass::k555:
      return Layout16::k555;
    default:
      return Layout16::kGeneric;
  }
}

struct Decision {
  Layout16 layout;
  bool fixed;  // 5:6:5 or 5:5:5
  bool keyed;

  PieceLoop16 Loop(Rule16 rule) const { return PieceLoop16{rule, layout, keyed}; }
  PieceLoop16 Loop(Rule16 rule, Layout16 at) const { return PieceLoop16{rule, at, keyed}; }
  PieceLoop16 Unkeyed(Rule16 rule) const { return PieceLoop16{rule, layout, false}; }

  // Mode 0 from its first item; also where mode 1 at p = 255 continues.
  PieceLoop16 Mode0(bool alphaChannel, bool bright) const {
    if (alphaChannel && fixed) return Loop(bright ? Rule16::kTintCoverage : Rule16::kInPlace);
    if (fixed) return Loop(Rule16::kTint);
    return Unkeyed(Rule16::kPlainCopy);
  }

  PieceLoop16 Mode1(uint32_t p, bool alphaChannel, bool bright, bool mmx) const {
    if (p == 0) return Unkeyed(Rule16::kNothing);
    if (alphaChannel && fixed) {
      if (p == 255) return Mode0(alphaChannel, bright);
      return Loop(bright ? Rule16::kWeighted : Rule16::kAlphaTableBlend);
    }
    if (bright && fixed) {
      if (p == 255) return Mode0(false, bright);
      return Loop(Rule16::kTintTableBlend);
    }
    if (p == 255) return Unkeyed(Rule16::kPlainCopy);
    if (mmx) {
      return Loop(Rule16::kMmxBlend,
                  layout == Layout16::k555 ? Layout16::k555 : Layout16::kGeneric);
    }
    return Loop(Rule16::kTableBlend);
  }

  // Add (2) and subtract (3).
  PieceLoop16 AddOrSub(bool add, uint32_t p, bool alphaChannel, bool bright, bool mmx) const {
    if (p == 0) return Unkeyed(Rule16::kNothing);
    if (alphaChannel && fixed) {
      if (add) return Loop(bright ? Rule16::kAddTintWeighted : Rule16::kAddAlpha);
      return Loop(bright ? Rule16::kSubTintWeighted : Rule16::kSubAlpha);
    }
    if (bright && fixed) return Loop(add ? Rule16::kAddTint : Rule16::kSubTint);
    if (add && mmx) return Loop(Rule16::kMmxAdd);
    return Loop(add ? Rule16::kAdd : Rule16::kSub);
  }

  PieceLoop16 Mode4(bool bright) const {
    return Unkeyed(bright && fixed ? Rule16::kMultiplyTint : Rule16::kMultiply);
  }
};

}  // namespace

const char* Rule16Name(Rule16 rule) {
  const size_t i = static_cast<size_t>(rule);
  return i < kRules ? kRuleNames[i] : "?";
}

const char* Layout16Name(Layout16 layout) {
  switch (layout) {
    case Layout16::k565:
      return "565";
    case Layout16::k555:
      return "555";
    case Layout16::kGeneric:
      return "Generic";
    default:
      return "?";
  }
}

PieceLoop16 ChoosePieceLoop16(int32_t mode, uint32_t p, bool alphaChannel, bool bright, bool mmx,
                              int keyFlag, FormatClass format) {
  const Layout16 layout = LayoutOfClass(format);
  const Decision d{layout, layout != Layout16::kGeneric, KeyTested(KeyFlagRule::kNonZero, keyFlag)};
  switch (static_cast<uint32_t>(mode)) {
    case 0:
      return d.Mode0(alphaChannel, bright);
    case 1:
      return d.Mode1(p, alphaChannel, bright, mmx);
    case 2:
      return d.AddOrSub(true, p, alphaChannel, bright, mmx);
    case 3:
      return d.AddOrSub(false, p, alphaChannel, bright, mmx);
    case 4:
      return d.Mode4(bright);
    case 8:
      return d.Loop(Rule16::kXor);
    default:
      return d.Unkeyed(Rule16::kNothing);
  }
}

bool PieceLoop16HasReference(const PieceLoop16& loop) {
  return FindLoop(kLoops, loop) != nullptr;
}

bool PieceLoop16HasVector(const PieceLoop16& loop) {
  const LoopEntry<L>* row = FindLoop(kLoops, loop);
  return row != nullptr && row->vector != nullptr;
}

PieceOutcome DrawPiece16(const PieceDraw& draw) {
  const PieceLoop16 loop =
      ChoosePieceLoop16(draw.mode, draw.blend.p, draw.alphaChannel,
                        draw.blend.bright != 0xFFFFFFFFu, draw.mmx, draw.keyFlag, draw.format);
  if (loop.rule == Rule16::kPlainCopy) return PieceOutcome::kPlainCopy;
  const LoopEntry<L>* row = FindLoop(kLoops, loop);
  if (row == nullptr || draw.screenFormat == nullptr || draw.products == nullptr) {
    return PieceOutcome::kDrawn;
  }
  const FGeneric16 format = FGeneric16::From(*draw.screenFormat);
  const Setup16 setup = MakeSetup16(draw.blend.p, draw.blend.bright, draw.products, format);
  // A generic layout runs eight lanes only where its channels fit them.
  RunLoop(*row, !draw.sourceIsTarget && (loop.layout != Layout16::kGeneric || FitsLanes16(format)),
          draw.walk, draw.key, setup);
  return PieceOutcome::kDrawn;
}

}  // namespace morrow::raster
