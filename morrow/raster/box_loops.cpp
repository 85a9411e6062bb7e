// The filled box's blending loops: the choice and the table of instantiations.
#include <array>
#include <cstddef>
#include <type_traits>

#include "morrow/raster/box_draw.h"
#include "morrow/raster/raster_path.h"
#include "morrow/raster/solid_rules.h"
#include "morrow/raster/walkers.h"
#include "morrow/raster/walkers_sse2.h"

namespace morrow::raster {
namespace {

using Id = BoxLoop;
using LoopFn = void (*)(const SolidSurfaces&, const SolidParams&, const FGeneric16&);

struct LoopEntry {
  Id id;
  const char* name;
  LoopFn reference;
  LoopFn sse2;
};

template <class F>
F FormatObject(const FGeneric16& generic) {
  if constexpr (std::is_same_v<F, FGeneric16>) {
    return generic;
  } else {
    (void)generic;
    return F{};
  }
}

template <class F, class Rule>
void RunReference(const SolidSurfaces& s, const SolidParams& sp, const FGeneric16& generic) {
  const F format = FormatObject<F>(generic);
  SolidSpan<F>(s, Rule(sp, format));
}

#if defined(MORROW_RASTER_SSE2)
template <class Rule>
void RunSse2(const SolidSurfaces& s, const SolidParams& sp, const FGeneric16&) {
  SolidSpanSse2(s, Rule(sp, F32{}));
}
#endif

template <class F, class Rule>
constexpr LoopEntry Loop(Id id, const char* name) {
  LoopEntry e{id, name, &RunReference<F, Rule>, nullptr};
#if defined(MORROW_RASTER_SSE2)
  if constexpr (std::is_same_v<F, F32> && HasApply4Solid<Rule>) e.sse2 = &RunSse2<Rule>;
#endif
  return e;
}

// The four blending rows of a fixed layout.
template <class F>
constexpr std::array<LoopEntry, 4> Layout(Id first, const char* const (&names)[4]) {
  const int i = static_cast<int>(first);
  return {Loop<F, SolidTable<F>>(first, names[0]),
          Loop<F, SolidAddGuard<F>>(static_cast<Id>(i + 1), names[1]),
          Loop<F, SolidSubGuard<F>>(static_cast<Id>(i + 2), names[2]),
          Loop<F, SolidDivide<F>>(static_cast<Id>(i + 3), names[3])};
}

constexpr const char* kNames32[4] = {"Table32", "AddGuard32", "SubGuard32", "Divide32"};
constexpr const char* kNames565[4] = {"Table565", "AddGuard565", "SubGuard565", "Divide565"};
constexpr const char* kNames555[4] = {"Table555", "AddGuard555", "SubGuard555", "Divide555"};

constexpr std::array<LoopEntry, static_cast<size_t>(Id::kCount)> Build() {
  std::array<LoopEntry, static_cast<size_t>(Id::kCount)> all{};
  all[0] = LoopEntry{Id::kNothing, "Nothing", nullptr, nullptr};
  all[1] = LoopEntry{Id::kColourFill, "ColourFill", nullptr, nullptr};
  size_t i = 2;
  for (const auto& part :
       {Layout<F32>(Id::kTable32, kNames32), Layout<F565>(Id::kTable565, kNames565),
        Layout<F555>(Id::kTable555, kNames555)}) {
    for (const LoopEntry& e : part) all[i++] = e;
  }
  all[i++] = Loop<FGeneric16, ChannelBlend>(Id::kChannelBlend, "ChannelBlend");
  all[i++] = Loop<FGeneric16, ChannelAdd>(Id::kChannelAdd, "ChannelAdd");
  all[i++] = Loop<FGeneric16, ChannelSub>(Id::kChannelSub, "ChannelSub");
  all[i++] = Loop<FGeneric16, SolidDivide<FGeneric16>>(Id::kDivideGeneric, "DivideGeneric");
  return all;
}

constexpr auto kLoops = Build();

constexpr bool IdsInOrder() {
  for (size_t i = 0; i < kLoops.size(); ++i) {
    if (static_cast<size_t>(kLoops[i].id) != i || kLoops[i].name == nullptr) return false;
  }
  return true;
}
static_assert(IdsInOrder(), "the loop table lists every id once, in the order of the ids");

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

const char* BoxLoopName(BoxLoop id) {
  const size_t i = static_cast<size_t>(id);
  return i < kLoops.size() ? kLoops[i].name : "?";
}

BoxLoop ChooseBoxLoop(FormatClass format, int32_t mode, uint32_t p) {
  if (mode == 0 || format == FormatClass::k8) return Id::kColourFill;
  if (mode < 1 || mode > 4) return Id::kNothing;
  const Id first = FirstOfLayout(format);
  if (first == Id::kNothing) return Id::kNothing;
  if (mode == 1 && p == 255) return Id::kColourFill;
  if (mode <= 3 && p == 0) return Id::kNothing;
  return static_cast<Id>(static_cast<int>(first) + mode - 1);
}

void DrawBoxLoop(BoxLoop id, const SolidSurfaces& walk, const SolidParams& params,
                 const FGeneric16& generic) {
  const size_t i = static_cast<size_t>(id);
  if (i >= kLoops.size() || kLoops[i].reference == nullptr) return;
  const LoopEntry& loop = kLoops[i];
  const bool vector = loop.sse2 != nullptr && CurrentRasterPath() == RasterPath::kSse2;
  (vector ? loop.sse2 : loop.reference)(walk, params, generic);
}

}  // namespace morrow::raster
