// The solid colour's blending loops (the filled box's): the choice and the loop table.
#include <array>
#include <type_traits>

#include "morrow/raster/loop_table.h"
#include "morrow/raster/solid_loops.h"
#include "morrow/raster/solid_rules.h"
#include "morrow/raster/walkers.h"
#include "morrow/raster/walkers_avx2.h"
#include "morrow/raster/walkers_sse2.h"

namespace morrow::raster {
namespace {

using Id = SolidLoop;

// A solid colour has neither key nor alpha map: every loop runs its rule over the rows.
struct SolidLoops {
  using Id = SolidLoop;
  using Fn = void (*)(const SolidSurfaces&, const SolidParams&, const FGeneric16&);

  template <class F, class Rule, KeyGate K, AlphaGate A>
  static void Reference(const SolidSurfaces& s, const SolidParams& sp, const FGeneric16& generic) {
    static_assert(K == KeyGate::kNone && A == AlphaGate::kNone);
    SolidSpan<F>(s, Rule(sp, FormatObject<F>(generic)));
  }

#if defined(MORROW_RASTER_SSE2)
  template <class Rule>
  static void Sse2(const SolidSurfaces& s, const SolidParams& sp, const FGeneric16&) {
    SolidSpanSse2(s, Rule(sp, F32{}));
  }
#endif

  template <class F, class Rule, KeyGate K, AlphaGate A>
  static constexpr Fn Vector() {
#if defined(MORROW_RASTER_SSE2)
    if constexpr (std::is_same_v<F, F32> && HasApply4Solid<Rule>) return &Sse2<Rule>;
#endif
    return nullptr;
  }

#if defined(MORROW_RASTER_AVX2)
  template <class Rule>
  static void Avx2(const SolidSurfaces& s, const SolidParams& sp, const FGeneric16&) {
    SolidSpanAvx2(s, Rule(sp, F32{}));
  }
#endif

  template <class F, class Rule, KeyGate K, AlphaGate A>
  static constexpr Fn WideVector() {
#if defined(MORROW_RASTER_AVX2)
    if constexpr (std::is_same_v<F, F32> && HasWideSolid<Rule>) return &Avx2<Rule>;
#endif
    return nullptr;
  }
};

// The four blending rows of a fixed layout.
template <class F>
constexpr std::array<LoopEntry<SolidLoops>, 4> Layout(Id first, const char* const (&names)[4]) {
  const int i = static_cast<int>(first);
  return {LoopRow<SolidLoops, F, SolidTable<F>>(first, names[0]),
          LoopRow<SolidLoops, F, SolidAddGuard<F>>(static_cast<Id>(i + 1), names[1]),
          LoopRow<SolidLoops, F, SolidSubGuard<F>>(static_cast<Id>(i + 2), names[2]),
          LoopRow<SolidLoops, F, SolidDivide<F>>(static_cast<Id>(i + 3), names[3])};
}

constexpr const char* kNames32[4] = {"Table32", "AddGuard32", "SubGuard32", "Divide32"};
constexpr const char* kNames565[4] = {"Table565", "AddGuard565", "SubGuard565", "Divide565"};
constexpr const char* kNames555[4] = {"Table555", "AddGuard555", "SubGuard555", "Divide555"};

using G = FGeneric16;
constexpr auto kLoops = JoinRows<SolidLoops>(
    NoLoopRow<SolidLoops>(Id::kNothing, "Nothing"),
    NoLoopRow<SolidLoops>(Id::kColourFill, "ColourFill"), Layout<F32>(Id::kTable32, kNames32),
    Layout<F565>(Id::kTable565, kNames565), Layout<F555>(Id::kTable555, kNames555),
    LoopRow<SolidLoops, G, ChannelBlend>(Id::kChannelBlend, "ChannelBlend"),
    LoopRow<SolidLoops, G, ChannelAdd>(Id::kChannelAdd, "ChannelAdd"),
    LoopRow<SolidLoops, G, ChannelSub>(Id::kChannelSub, "ChannelSub"),
    LoopRow<SolidLoops, G, SolidDivide<G>>(Id::kDivideGeneric, "DivideGeneric"));
static_assert(RowsAtTheirIds(kLoops),
              "the loop table lists every id once, in the order of the ids");

// The first of the four blending rows of a layout; mode 1 to 4 pick among them.
Id FirstOfLayout(FormatClass format) {
  switch (format) {
    case FormatClass::k32:
      return Id::kTable32;
    case FormatClass::k565:
      return Id::kTable565;
    case FormatClass::k555:
      return Id::kTable555;
    case FormatClass::kGeneric16:
      return Id::kChannelBlend;
    default:
      return Id::kNothing;
  }
}

}  // namespace

const char* SolidLoopName(SolidLoop id) {
  return LoopName(kLoops, id);
}

SolidLoop ChooseSolidLoop(FormatClass format, int32_t mode, uint32_t p) {
  if (mode == 0 || format == FormatClass::k8) return Id::kColourFill;
  if (mode < 1 || mode > 4) return Id::kNothing;
  const Id first = FirstOfLayout(format);
  if (first == Id::kNothing) return Id::kNothing;
  if (mode == 1 && p == 255) return Id::kColourFill;
  if (mode <= 3 && p == 0) return Id::kNothing;
  return static_cast<Id>(static_cast<int>(first) + mode - 1);
}

void DrawSolidLoop(SolidLoop id, const SolidSurfaces& walk, const SolidParams& params,
                   const FGeneric16& generic) {
  RunLoop(kLoops, id, true, walk, params, generic);
}

}  // namespace morrow::raster
