// The pixel loops of the turned draws, as their frames hand them over: the rotated draw
// (turned_rota.cpp) fills a RotaWalk, the textured triangle (turned_triangle.cpp) a
// TriangleSpanWalk, both a TurnedDraw, and call the dispatch of the screen's depth. A decision
// function turns the draw into one loop id; a loop table per walk (loop_table.h) maps the id to
// one instantiation of TexelSpanWalk with its gates and rule (turned_rules32.h; at 16 bits
// turned_rules16.h, one row per rule and layout), in reference and, where the rule has one, SSE2
// form.
#pragma once

#include <cstdint>
#include <string>

#include "morrow/raster/piece_loops16.h"
#include "morrow/raster/pixel_format.h"
#include "morrow/raster/turned_rules32.h"
#include "morrow/raster/turned_walkers.h"

namespace morrow::raster {

struct TurnedDraw {
  Texture texture;
  uint32_t key = 0;   // PackScreenColor of the source surface's colour key
  int keyFlag = 0;    // 16, 32 bits: exactly 1 tests the key; 8 bits: non-zero leaves index 0 out
  int32_t mode = 0;   // the draw state's blend mode
  TurnedBlend blend;  // parameter, bright and the screen's channel maxima
  bool alphaChannel = false;
  FormatClass format = FormatClass::k32;
  const ColorFormat* screenFormat = nullptr;
  // The source lies on the target surface itself: only the reference loops keep the order in
  // which a pixel that is both read and written is visited.
  bool sourceIsTarget = false;
  // The screen's blend product table, rows of (a * b) >> 8: the 16-bit rules read it.
  const uint32_t (*products)[256] = nullptr;
};

// The two shapes differ in one rule: the rotated add and subtract weigh by the alpha map, the
// triangle's do not read it.
enum class TurnedShape : uint8_t { kRota, kTriangle };

// *Key ids test the colour key (at 8 bits: leave index 0 out).
enum class TurnedLoop : uint8_t {
  kNothing,  // p = 0 in modes 1 to 3, modes above 4
  kCopy,     // mode 0: the texel whole
  kCopyKey,
  kTint,  // mode 0 with bright: T assembled
  kTintKey,
  kCover,  // mode 0, alpha map: exact blend by a; 255 copies
  kCoverKey,
  kCoverTint,
  kCoverTintKey,
  kBlend,  // mode 1: T[p][s] + T[255 - p][d]
  kBlendKey,
  kBlendTint,
  kBlendTintKey,
  kAlphaBlend,  // mode 1, alpha map: exact blend by (a p) >> 8; 255 as kBlend
  kAlphaBlendKey,
  kAlphaBlendTint,
  kAlphaBlendTintKey,
  kAdd,
  kAddKey,
  kAddTint,
  kAddTintKey,
  kAlphaAdd,  // rotated only: the addend scaled by a after p
  kAlphaAddKey,
  kAlphaAddTint,
  kAlphaAddTintKey,
  kSub,
  kSubKey,
  kSubTint,
  kSubTintKey,
  kAlphaSub,
  kAlphaSubKey,
  kAlphaSubTint,
  kAlphaSubTintKey,
  kMultiply,  // no key, no alpha map
  kMultiplyTint,
  kCopy8,  // 8 bits, every mode
  kCopy8Key,
  kCount
};

const char* TurnedLoopName(TurnedLoop id);

// The 32-bit decision: mode 0 by alpha channel and bright; mode 1 draws nothing at p = 0 and as
// mode 0 at p = 255; modes 2 and 3 nothing at p = 0, the rotated shape by the alpha channel too;
// mode 4 by bright only, never keyed; any other mode nothing. keyFlag of exactly 1 keys.
TurnedLoop ChooseTurnedLoop32(TurnedShape shape, int32_t mode, uint32_t p, bool alphaChannel,
                              bool bright, int keyFlag);
// The 8-bit copy: any non-zero keyFlag leaves index 0 out.
TurnedLoop ChooseTurnedLoop8(int keyFlag);

// The loops of a depth; each returns having drawn what its rule draws.
void DrawRota32(const RotaWalk& walk, const TurnedDraw& draw);
void DrawRota8(const RotaWalk& walk, const TurnedDraw& draw);
void DrawRota16(const RotaWalk& walk, const TurnedDraw& draw);
void DrawTriangle32(const TriangleSpanWalk& walk, const TurnedDraw& draw);
void DrawTriangle8(const TriangleSpanWalk& walk, const TurnedDraw& draw);
void DrawTriangle16(const TriangleSpanWalk& walk, const TurnedDraw& draw);

// The quadrilateral draw's two triangles (halves, as SetUpTriangle made them), drawn at 32 bits
// into walk's surfaces and area as one stretched draw (stretch_loops.h) where that writes exactly
// the pixels the two triangles write: on a vector path, the source not the target, a rule that
// writes the texel whatever lies under it (the copy and the bright store, keyed or not), both
// halves reading the texel column from the pixel's column alone and the texel row from its row by
// the same plane, and the pixels the halves visit inside the texture forming one rectangle. Then
// a pixel both halves visit gets the same value twice, and the stretched draw writes it once.
// false, having drawn nothing, otherwise.
bool DrawUprightQuad32(const TriangleSetup& first, const TriangleSetup& second,
                       const TriangleSpanWalk& walk, const TurnedDraw& draw);

// A loop of the 16-bit turned draws (turned_loops16.cpp): the rule of a 32-bit id (its *Key ids
// test the low 16 bits of the key) at one layout. The 8-bit ids and kTint on the generic layout
// run no loop.
struct TurnedLoop16 {
  TurnedLoop loop = TurnedLoop::kNothing;
  Layout16 layout = Layout16::k565;

  bool operator==(const TurnedLoop16&) const = default;
};

// The 16-bit decision, the 32-bit one's order of tests on the layout of format: mode 1 at p = 255
// continues as mode 0, keyFlag of exactly 1 keys, mode 4 never. The generic layout takes bright
// under the alpha map in modes 0 to 3 and in every triangle; the rotated draw without the alpha
// map ignores it there, as does its generic multiply.
TurnedLoop16 ChooseTurnedLoop16(TurnedShape shape, int32_t mode, uint32_t p, bool alphaChannel,
                                bool bright, int keyFlag, FormatClass format);
// "AddKey 555", ...
std::string TurnedLoop16Name(const TurnedLoop16& loop);
// The loop has its reference form in the tables of both walks, and a vector form there.
bool TurnedLoop16HasReference(const TurnedLoop16& loop);
bool TurnedLoop16HasVector(const TurnedLoop16& loop);

}  // namespace morrow::raster
