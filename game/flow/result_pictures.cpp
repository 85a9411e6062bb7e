// The emblem, portrait and cross-fade of the match results.
#include "game/flow/result_pictures.h"

#include <cstdio>
#include <numbers>

#include "game/core/frame_state.h"
#include "game/core/numeric.h"
#include "game/core/records.h"
#include "game/core/resource_tables.h"
#include "game/flow/menu_common.h"
#include "game/flow/resource_lists.h"
#include "morrow/graphics/draw.h"
#include "morrow/graphics/graph.h"
#include "morrow/graphics/graph_load.h"

namespace veyrdale {

namespace {

constexpr int kEmblemStart = 60;
constexpr int kEmblemRest = 80;
constexpr int kPortraitCells = 10;

int32_t* PortraitBlock(int p) {
  return PictureSlots[kPlayerBlockBase + kPlayerBlockSlots * p + kPortraitBlockSlot];
}

}  // namespace

void DrawSpinningEmblem(int frame, int32_t graph, int x, int yRest, bool rising) {
  const int f = frame;
  if (f <= kEmblemStart) return;
  if (f >= kEmblemRest) {
    SetPlainDrawing();
    morrow::DrawRotaGraph(x, yRest, 1.0, 0.0, graph, 1, 0);
    return;
  }
  const int left = kEmblemRest - f;
  SetAlphaDrawing(TruncToInt((f - kEmblemStart) * 0.05 * 255));
  const int y = rising ? yRest + kEmblemRest - f : yRest;
  morrow::DrawRotaGraph(x - TruncToInt(left * 2.5), y, 1 + 0.09 * left,
                        16.0 * (f - kEmblemRest) * 2 * std::numbers::pi / 256, graph, 1, 0);
}

void LoadResultPortrait(int p) {
  if (p < 0 || p >= kPlayerCount) return;
  const int c = g_players[p].kind;
  if (c >= 16) return;
  int32_t* cells = PortraitBlock(p);
  for (int i = 0; i < kPortraitCells; ++i) {
    if (cells[i] != -1) morrow::FreeGraphHandle(cells[i], 0);
    cells[i] = -1;
  }
  char path[32];
  std::snprintf(path, sizeof path, "Resource\\b_%s.dat", CharacterCode[c]);
  const PictureGrid& g = kPortraitSheet;
  morrow::LoadDividedGraph(path, g.cells, g.columns, g.rows, g.cellWidth, g.cellHeight, cells);
}

int32_t ResultPortrait(int p, int cell) {
  if (p < 0 || p >= kPlayerCount || cell < 0 || cell >= kPortraitCells) return -1;
  return PortraitBlock(p)[cell];
}

void DrawResultCrossFade() {
  if (FadeFrames <= 0) return;
  morrow::SetFilterMode(1);
  SetAlphaDrawing(TruncToInt(FadeFrames / 30.0 * 255));
  morrow::DrawRotaGraph(320, 240, 1.0, 0.0, CaptureGraph, 1, 0);
  --FadeFrames;
  morrow::SetFilterMode(0);
}

}  // namespace veyrdale
