// The pixel loops of the turned draws, as their frames hand them over: the rotated draw
// (turned_rota.cpp) fills a RotaWalk, the textured triangle (turned_triangle.cpp) a
// TriangleSpanWalk, both a TurnedDraw, and call the dispatch of the screen's depth. A decision
// function turns the draw into one loop id; a loop table per walk (loop_table.h) maps the id to
// one instantiation of TexelSpanWalk with its gates and rule (turned_rules32.h), in reference and,
// where the rule has one, SSE2 form.
#pragma once

#include <cstdint>

#include "morrow/device/color_format.h"
#include "morrow/raster/pixel_format.h"
#include "morrow/raster/turned_rules32.h"
#include "morrow/raster/turned_walkers.h"

namespace morrow::raster {

struct TurnedDraw {
  Texture texture;
  uint32_t key = 0;   // PackScreenColor of the source surface's colour key
  int keyFlag = 0;    // 32 bits: exactly 1 tests the key; 8 bits: non-zero leaves index 0 out
  int32_t mode = 0;   // the draw state's blend mode
  TurnedBlend blend;  // parameter, bright and the screen's channel maxima
  bool alphaChannel = false;
  FormatClass format = FormatClass::k32;
  const ColorFormat* screenFormat = nullptr;
  // The source lies on the target surface itself: only the reference loops keep the order in
  // which a pixel that is both read and written is visited.
  bool sourceIsTarget = false;
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

}  // namespace morrow::raster
