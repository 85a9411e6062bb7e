// The loop table every family of software draw keeps: one row per loop id, with the id's name and
// the instantiation of its loop in reference and (where the rule has one) vector form, checked at
// compile time to list every id at its place; and the one way a row is found and run.
//
// A family is the pixel loops of one kind of draw. Its word names its rules, its loop table, its
// frame in morrow/softdraw and its tests alike:
//   piece   an unscaled piece of a graph (G_DDraw_DrawGraph): piece_rules32.h, piece_rules16.h,
//           piece_loops.h, piece_loops16.h, piece_loops32.cpp, piece_loops16.cpp;
//           softdraw/piece_frame.cpp
//   solid   one solid colour blended into the pixels: the filled box (G_DDraw_DrawFillBox),
//           solid_rules.h, solid_loops.h, solid_loops.cpp; the line, the circle and the untextured
//           triangle (G_DDraw_DrawLine, G_DDraw_DrawCircle, the null-graph half of
//           G_DDraw_RenderTexturedTriangle), a table each in solid_shapes.h, solid_shapes.cpp,
//           circle_walk.cpp; softdraw/solid_frame.h, solid_frame.cpp, line_frame.cpp,
//           circle_frame.cpp, untextured_frame.cpp
//   turned  a graph read at stepped source positions: rotated, quadrilateral and textured
//           triangle (G_DDraw_DrawRotaGraph, G_DDraw_DrawModiGraph,
//           G_DDraw_RenderTexturedTriangle): turned_rules32.h, turned_walkers.h, turned_loops.h,
//           turned_loops.cpp; softdraw/turned_frame.h, turned_source.h, turned_rota.cpp,
//           turned_modi.cpp, turned_triangle.cpp
//   stretch a whole graph stretched, shrunk or mirrored onto a rectangle (G_DDraw_DrawExtendGraph):
//           stretch_rules.h, stretch_walkers_sse2.h, stretch_loops.h, stretch_loops.cpp;
//           softdraw/stretch_frame.cpp
// Shapes keep their own words wherever families share them: walkers.h (rectangles and solid
// spans), triangle.h (the set-up of both triangle draws). The 16-bit turned draws belong to the
// turned files, and the untextured triangle, the line and the circle each take a solid table over
// the solid rules.
//
// A new family (or a new depth of one) brings a class that says how one of its loops is made:
//   struct Family {
//     using Id = ...;            // an enum ending in kCount, or any id with
//                                // static constexpr size_t Index(Id) and kRows here
//     using Fn = void (*)(...);  // the signature of its loops
//     template <class F, class Rule, KeyGate K, AlphaGate A>
//     static void Reference(...);          // the walk with its gates and rule
//     template <class F, class Rule, KeyGate K, AlphaGate A>
//     static constexpr Fn Vector();        // its SSE2 form, or nullptr
//     template <class F, class Rule, KeyGate K, AlphaGate A>
//     static constexpr Fn WideVector();    // optional: its AVX2 form, or nullptr
//   };
// lists its rows once with LoopRow, KeyPair and NoLoopRow joined by JoinRows, asserts
// RowsAtTheirIds, and runs a chosen id with RunLoop.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "morrow/raster/raster_path.h"
#include "morrow/raster/walkers.h"

namespace morrow::raster {

// How a draw reads its caller's key flag. The unscaled piece draw keys on any non-zero flag, as
// its block copy does; the turned draws at 16 and 32 bits only on exactly 1 (2 or -1 draw every
// texel), and at 8 bits again on any non-zero flag; the stretched draw's plain copy and its 8-bit
// path only on the flag's lowest bit (2 draws every pixel), its other loops on any non-zero flag.
// Each decision function reads the flag once, through this, and the tables know only keyed or
// not.
enum class KeyFlagRule : uint8_t { kNonZero, kExactlyOne, kLowestBit };

constexpr bool KeyTested(KeyFlagRule rule, int keyFlag) {
  switch (rule) {
    case KeyFlagRule::kExactlyOne:
      return keyFlag == 1;
    case KeyFlagRule::kLowestBit:
      return (keyFlag & 1) != 0;
    default:
      return keyFlag != 0;
  }
}

// The keyed row of a variant follows its unkeyed one.
template <class Id>
constexpr Id Keyed(Id id, bool keyed) {
  return keyed ? static_cast<Id>(static_cast<int>(id) + 1) : id;
}

template <class Family>
struct LoopEntry {
  typename Family::Id id{};
  const char* name = nullptr;
  typename Family::Fn reference = nullptr;  // null: the id runs no loop
  typename Family::Fn vector = nullptr;     // null where the rule has no SSE2 form
  typename Family::Fn wide = nullptr;       // null where the rule has no AVX2 form
};

template <class Family, size_t N>
using LoopTable = std::array<LoopEntry<Family>, N>;

template <class Family>
constexpr size_t RowOf(typename Family::Id id) {
  if constexpr (std::is_enum_v<typename Family::Id>) {
    return static_cast<size_t>(id);
  } else {
    return Family::Index(id);
  }
}

template <class Family>
constexpr size_t RowCount() {
  if constexpr (std::is_enum_v<typename Family::Id>) {
    return static_cast<size_t>(Family::Id::kCount);
  } else {
    return Family::kRows;
  }
}

// The AVX2 form of a loop, for families that have them.
template <class Family, class F, class Rule, KeyGate K, AlphaGate A>
constexpr typename Family::Fn WideForm() {
  if constexpr (requires { Family::template WideVector<F, Rule, K, A>(); }) {
    return Family::template WideVector<F, Rule, K, A>();
  } else {
    return nullptr;
  }
}

template <class Family, class F, class Rule, KeyGate K = KeyGate::kNone,
          AlphaGate A = AlphaGate::kNone>
constexpr LoopEntry<Family> LoopRow(typename Family::Id id, const char* name) {
  return {id, name, &Family::template Reference<F, Rule, K, A>,
          Family::template Vector<F, Rule, K, A>(), WideForm<Family, F, Rule, K, A>()};
}

// The unkeyed and the keyed row of one variant.
template <class Family, class F, class Rule, AlphaGate A = AlphaGate::kNone>
constexpr std::array<LoopEntry<Family>, 2> KeyPair(typename Family::Id id, const char* name,
                                                   const char* keyedName) {
  return {LoopRow<Family, F, Rule, KeyGate::kNone, A>(id, name),
          LoopRow<Family, F, Rule, KeyGate::kCompare, A>(Keyed(id, true), keyedName)};
}

// An id that runs no loop: it draws nothing, or hands the draw to the blitter.
template <class Family>
constexpr LoopEntry<Family> NoLoopRow(typename Family::Id id, const char* name) {
  return {id, name, nullptr, nullptr, nullptr};
}

template <class Family, class Part>
constexpr size_t RowsIn() {
  if constexpr (std::is_same_v<Part, LoopEntry<Family>>) {
    return 1;
  } else {
    return std::tuple_size_v<Part>;
  }
}

// Rows and pairs of rows, in order.
template <class Family, class... Parts>
constexpr auto JoinRows(const Parts&... parts) {
  using Entry = LoopEntry<Family>;
  std::array<Entry, (RowsIn<Family, Parts>() + ...)> all{};
  size_t i = 0;
  auto put = [&](const auto& part) {
    if constexpr (std::is_same_v<std::decay_t<decltype(part)>, Entry>) {
      all[i++] = part;
    } else {
      for (const Entry& e : part) all[i++] = e;
    }
  };
  (put(parts), ...);
  return all;
}

// Every id has its row, named, at the id's place.
template <class Family, size_t N>
constexpr bool RowsAtTheirIds(const LoopTable<Family, N>& table) {
  if (N != RowCount<Family>()) return false;
  for (size_t i = 0; i < N; ++i) {
    if (table[i].name == nullptr || RowOf<Family>(table[i].id) != i) return false;
  }
  return true;
}

// "?" for a value that is no id.
template <class Family, size_t N>
const char* LoopName(const LoopTable<Family, N>& table, typename Family::Id id) {
  const size_t i = RowOf<Family>(id);
  return i < N ? table[i].name : "?";
}

// The id's row when it runs a loop, else null.
template <class Family, size_t N>
const LoopEntry<Family>* FindLoop(const LoopTable<Family, N>& table, typename Family::Id id) {
  const size_t i = RowOf<Family>(id);
  return i < N && table[i].reference != nullptr ? &table[i] : nullptr;
}

// The form of the row that runs on a path: the widest the path and the row have, the reference
// form when the draw allows no vector form. All of them write the same pixels.
template <class Family>
typename Family::Fn LoopFormFor(const LoopEntry<Family>& row, RasterPath path, bool vectorAllowed) {
  if (!vectorAllowed || path == RasterPath::kReference) return row.reference;
  if (path == RasterPath::kAvx2 && row.wide != nullptr) return row.wide;
  return row.vector != nullptr ? row.vector : row.reference;
}

// Runs the row's form for the path in use.
template <class Family, class... Args>
void RunLoop(const LoopEntry<Family>& row, bool vectorAllowed, const Args&... args) {
  LoopFormFor(row, CurrentRasterPath(), vectorAllowed)(args...);
}

// The id's loop, when it has one.
template <class Family, size_t N, class... Args>
void RunLoop(const LoopTable<Family, N>& table, typename Family::Id id, bool vectorAllowed,
             const Args&... args) {
  if (const LoopEntry<Family>* row = FindLoop(table, id)) RunLoop(*row, vectorAllowed, args...);
}

}  // namespace morrow::raster
