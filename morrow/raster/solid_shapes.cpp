// The solid colour's lines, circles and untextured triangles: the choices, the line's clip and
// one loop table per shape.
#include "morrow/raster/solid_shapes.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <type_traits>

#include "morrow/raster/loop_table.h"
#include "morrow/raster/solid_loops.h"
#include "morrow/raster/solid_rules.h"
#include "morrow/raster/turned_walkers.h"
#include "morrow/raster/walkers.h"
#include "morrow/raster/walkers_sse2.h"

namespace morrow::raster {
namespace {

using Id = ShapeLoop;

// How each shape hands its pixels to a rule: lines and outlines pixel by pixel, the span shapes
// row by row, so that the rows can take a vector kernel.
template <class F, class Rule>
void EachPixel(const LineSurfaces& walk, const Rule& rule) {
  LineWalk<F>(walk, rule);
}
template <class F, class Rule>
void EachPixel(const CircleWalk& walk, const Rule& rule) {
  CirclePoints<F>(walk, rule);
}

template <class W>
struct PixelShape {
  using Walk = W;
  static constexpr bool kSpans = false;
  template <class F, class Rule>
  static void Run(const Walk& walk, const Rule& rule) {
    EachPixel<F>(walk, rule);
  }
};
using LineShape = PixelShape<LineSurfaces>;
using CirclePointShape = PixelShape<CircleWalk>;

// The rows of a span shape as one-row solid walks.
struct CircleSpanShape {
  using Walk = CircleWalk;
  static constexpr bool kSpans = true;
  template <int kBytes, class Kernel>
  static void Rows(const Walk& walk, Kernel&& kernel) {
    walk.ForEachSpan<kBytes>(kernel);
  }
};

struct TriangleShape {
  using Walk = TriangleSpanWalk;
  static constexpr bool kSpans = true;
  template <int kBytes, class Kernel>
  static void Rows(const Walk& walk, Kernel&& kernel) {
    walk.ForEachSpan<kBytes>([&](const TexelSpan& span) {
      SolidSurfaces s;
      s.dest = span.dest;
      s.read = span.read;
      s.width = span.count;
      s.height = 1;
      kernel(static_cast<const SolidSurfaces&>(s));
    });
  }
};

template <class Shape>
struct ShapeLoops {
  using Id = ShapeLoop;
  using Fn = void (*)(const typename Shape::Walk&, const SolidParams&, const FGeneric16&);

  template <class F, class Rule, KeyGate K, AlphaGate A>
  static void Reference(const typename Shape::Walk& walk, const SolidParams& sp,
                        const FGeneric16& generic) {
    static_assert(K == KeyGate::kNone && A == AlphaGate::kNone);
    const Rule rule(sp, FormatObject<F>(generic));
    if constexpr (Shape::kSpans) {
      Shape::template Rows<F::kBytes>(walk, [&](const SolidSurfaces& s) { SolidSpan<F>(s, rule); });
    } else {
      Shape::template Run<F>(walk, rule);
    }
  }

#if defined(MORROW_RASTER_SSE2)
  template <class F, class Rule>
  static void Sse2(const typename Shape::Walk& walk, const SolidParams& sp,
                   const FGeneric16& generic) {
    const Rule rule(sp, FormatObject<F>(generic));
    Shape::template Rows<F::kBytes>(
        walk, [&](const SolidSurfaces& s) { SolidSpanLanes<F::kBytes>(s, rule); });
  }
#endif

  template <class F, class Rule, KeyGate K, AlphaGate A>
  static constexpr Fn Vector() {
#if defined(MORROW_RASTER_SSE2)
    if constexpr (Shape::kSpans) {
      if constexpr (std::is_same_v<F, F32> && HasApply4Solid<Rule>) return &Sse2<F, Rule>;
      if constexpr (F::kBytes == 2 && HasApply8Solid<Rule>) return &Sse2<F, Rule>;
    }
#endif
    return nullptr;
  }
};

template <class L, class F>
constexpr std::array<LoopEntry<L>, 4> Blends(Id first, const char* const (&names)[4],
                                             bool divides) {
  const int i = static_cast<int>(first);
  return {LoopRow<L, F, SolidTable<F>>(first, names[0]),
          LoopRow<L, F, SolidAddGuard<F>>(static_cast<Id>(i + 1), names[1]),
          LoopRow<L, F, SolidSubGuard<F>>(static_cast<Id>(i + 2), names[2]),
          divides ? LoopRow<L, F, SolidDivide<F>>(static_cast<Id>(i + 3), names[3])
                  : NoLoopRow<L>(static_cast<Id>(i + 3), names[3])};
}

constexpr const char* kNames32[4] = {"Table32", "AddGuard32", "SubGuard32", "Divide32"};
constexpr const char* kNames565[4] = {"Table565", "AddGuard565", "SubGuard565", "Divide565"};
constexpr const char* kNames555[4] = {"Table555", "AddGuard555", "SubGuard555", "Divide555"};

using G = FGeneric16;

// Every shape has every id; the untextured triangle does not multiply (its divide rows draw
// nothing).
template <class Shape, bool kDivides>
constexpr auto ShapeRows() {
  using L = ShapeLoops<Shape>;
  return JoinRows<L>(NoLoopRow<L>(Id::kNothing, "Nothing"),
                     LoopRow<L, F32, SolidFill<F32>>(Id::kFill32, "Fill32"),
                     LoopRow<L, F565, SolidFill<F565>>(Id::kFill16, "Fill16"),
                     LoopRow<L, F8, SolidFill<F8>>(Id::kFill8, "Fill8"),
                     Blends<L, F32>(Id::kTable32, kNames32, kDivides),
                     Blends<L, F565>(Id::kTable565, kNames565, kDivides),
                     Blends<L, F555>(Id::kTable555, kNames555, kDivides),
                     LoopRow<L, G, GenericTable>(Id::kGenericTable, "GenericTable"),
                     LoopRow<L, G, GenericAddGuard>(Id::kGenericAdd, "GenericAdd"),
                     LoopRow<L, G, GenericSubGuard>(Id::kGenericSub, "GenericSub"),
                     kDivides ? LoopRow<L, G, SolidDivide<G>>(Id::kDivideGeneric, "DivideGeneric")
                              : NoLoopRow<L>(Id::kDivideGeneric, "DivideGeneric"));
}

constexpr auto kLineLoops = ShapeRows<LineShape, true>();
constexpr auto kPointLoops = ShapeRows<CirclePointShape, true>();
constexpr auto kCircleSpanLoops = ShapeRows<CircleSpanShape, true>();
constexpr auto kTriangleLoops = ShapeRows<TriangleShape, false>();
static_assert(RowsAtTheirIds(kLineLoops) && RowsAtTheirIds(kPointLoops) &&
                  RowsAtTheirIds(kCircleSpanLoops) && RowsAtTheirIds(kTriangleLoops),
              "every shape's loop table lists every id once, in the order of the ids");

// The vector loops of a generic layout work in 16-bit lanes.
bool VectorAllowed(ShapeLoop id, const FGeneric16& generic) {
  const bool genericRow = id >= Id::kGenericTable && id <= Id::kDivideGeneric;
  return !genericRow || FitsLanes16(generic);
}

// The box's blending ids from kTable32 on stand at the same distances as ours.
static_assert(static_cast<int>(SolidLoop::kDivideGeneric) - static_cast<int>(SolidLoop::kTable32) ==
                  static_cast<int>(Id::kDivideGeneric) - static_cast<int>(Id::kTable32) &&
              static_cast<int>(SolidLoop::kCount) - static_cast<int>(SolidLoop::kTable32) ==
                  static_cast<int>(Id::kCount) - static_cast<int>(Id::kTable32));

// Converts toward zero after keeping v inside the 32-bit range, where the conversion is defined.
int64_t TruncateIntoRange(double v) {
  return static_cast<int64_t>(std::clamp(v, -2147483648.0, 2147483647.0));
}

// One axis of a line's ends and of the area (low inside, high outside).
struct LineAxis {
  int64_t v1, v2;
  int64_t low, high;

  // Cuts the start into low..high - 1 and the end to at most one past either side, in this
  // order, each time moving the other axis's coordinate along the line (other = k * v + b).
  void Cut(LineAxis* other, double k, double b) {
    const auto at = [&](int64_t v) { return TruncateIntoRange(k * static_cast<double>(v) + b); };
    if (v1 < low) {
      v1 = low;
      other->v1 = at(v1);
    }
    if (v1 >= high) {
      v1 = high - 1;
      other->v1 = at(v1);
    }
    if (v2 < low) {
      v2 = low - 1;
      other->v2 = at(v2);
    }
    if (v2 >= high) {
      v2 = high;
      other->v2 = at(v2);
    }
  }
  // The start inside, the end at most one pixel outside.
  void Clamp() {
    v1 = std::min(std::max(v1, low), high - 1);
    v2 = std::min(std::max(v2, low - 1), high);
  }
};

template <class F>
uint32_t Brighten(uint32_t colour, uint32_t bright) {
  const uint32_t b[3] = {bright >> 16 & 0xFF, bright >> 8 & 0xFF, bright & 0xFF};
  return F::Join((b[0] * F::Channel(colour, 0)) >> 8, (b[1] * F::Channel(colour, 1)) >> 8,
                 (b[2] * F::Channel(colour, 2)) >> 8);
}

}  // namespace

const char* ShapeLoopName(ShapeLoop id) {
  return LoopName(kLineLoops, id);
}

ShapeLoop ChooseShapeLoop(FormatClass format, int32_t mode, uint32_t p) {
  const SolidLoop box = ChooseSolidLoop(format, mode, p);
  if (box == SolidLoop::kNothing) return Id::kNothing;
  if (box == SolidLoop::kColourFill) {
    switch (format) {
      case FormatClass::k8:
        return Id::kFill8;
      case FormatClass::k32:
        return Id::kFill32;
      case FormatClass::kOther:
        return Id::kNothing;
      default:
        return Id::kFill16;
    }
  }
  return static_cast<Id>(static_cast<int>(Id::kTable32) + static_cast<int>(box) -
                         static_cast<int>(SolidLoop::kTable32));
}

ShapeLoop ChooseUntexturedLoop(FormatClass format, int32_t mode, uint32_t p) {
  if (format != FormatClass::k8 && mode == 4) return Id::kNothing;
  return ChooseShapeLoop(format, mode, p);
}

uint32_t UntexturedColour(FormatClass format, uint32_t colour, uint32_t bright) {
  if (bright == 0xFFFFFFFFu) return colour;
  switch (format) {
    case FormatClass::k32:
      return Brighten<F32>(colour, bright);
    case FormatClass::k565:
      return Brighten<F565>(colour, bright);
    case FormatClass::k555:
      return Brighten<F555>(colour, bright);
    default:
      return colour;
  }
}

LineEnds ClipLine(int32_t ax1, int32_t ay1, int32_t ax2, int32_t ay2, const platform::Rect& area) {
  LineEnds out;
  if (area.right <= area.left || area.bottom <= area.top) return out;
  LineAxis x{ax1, ax2, area.left, area.right}, y{ay1, ay2, area.top, area.bottom};
  if (x.low > std::max(x.v1, x.v2) || y.low > std::max(y.v1, y.v2) ||
      x.high <= std::min(x.v1, x.v2) || y.high <= std::min(y.v1, y.v2)) {
    return out;
  }
  // x at row y is kx * y + bx, y at column x is ky * x + by; both from the arguments.
  const int64_t dx = x.v2 - x.v1, dy = y.v2 - y.v1;
  const double kx = dy == 0 ? 0.0 : static_cast<double>(dx) / static_cast<double>(dy);
  const double ky = dx == 0 ? 0.0 : static_cast<double>(dy) / static_cast<double>(dx);
  const double bx = static_cast<double>(x.v1) - static_cast<double>(y.v1) * kx;
  const double by = static_cast<double>(y.v1) - static_cast<double>(x.v1) * ky;
  x.Cut(&y, ky, by);
  y.Cut(&x, kx, bx);
  x.Clamp();
  y.Clamp();
  if (x.v1 == x.v2 && y.v1 == y.v2) return out;
  out.ok = true;
  out.x1 = static_cast<int32_t>(x.v1);
  out.y1 = static_cast<int32_t>(y.v1);
  out.x2 = static_cast<int32_t>(x.v2);
  out.y2 = static_cast<int32_t>(y.v2);
  return out;
}

void DrawLineLoop(ShapeLoop id, const LineSurfaces& walk, const SolidParams& params,
                  const FGeneric16& generic) {
  RunLoop(kLineLoops, id, false, walk, params, generic);
}

void DrawCircleLoop(ShapeLoop id, bool filled, const CircleWalk& walk, const SolidParams& params,
                    const FGeneric16& generic) {
  if (filled) {
    RunLoop(kCircleSpanLoops, id, VectorAllowed(id, generic), walk, params, generic);
  } else {
    RunLoop(kPointLoops, id, false, walk, params, generic);
  }
}

void DrawUntexturedTriangle(const TriangleSpanWalk& walk, const UntexturedDraw& draw) {
  const ShapeLoop id = ChooseUntexturedLoop(draw.format, draw.mode, draw.p);
  const SolidParams params{UntexturedColour(draw.format, draw.colour, draw.bright), draw.p};
  RunLoop(kTriangleLoops, id, VectorAllowed(id, draw.generic), walk, params, draw.generic);
}

}  // namespace morrow::raster
