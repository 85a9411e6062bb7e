#include "morrow/graphics/graph.h"

#include "morrow/device/movie.h"
#include "morrow/device/pieces3d.h"
#include "morrow/device/screen.h"
#include "morrow/graphics/draw.h"
#include "morrow/graphics/draw_state.h"
#include "morrow/graphics/font.h"
#include "morrow/graphics/mask.h"
#include "morrow/graphics/memory_block.h"
#include "morrow/graphics/record_memory.h"
#include "morrow/graphics/surface.h"
#include "morrow/graphics/surface2d.h"
#include "morrow/system/log.h"

namespace morrow {

GraphicsState& GetGraphicsState() {
  static GraphicsState state;
  return state;
}

namespace {

// Records still in the table when the graphics start runs again (their deletion was skipped
// while graphics was off) are freed, not dropped.
void ClearGraphTable() {
  GraphTable& t = GetGraphicsState().graphs;
  for (int i = 0; i < GraphTable::kLimit; ++i) FreeRecord(t.slots[i]);
  t.Clear();
}

// A new graph is held as textures only where the 3D device may draw it.
bool HeldAsTextures(int wantTexture) {
  return wantTexture != 0 && GetDrawState().useDirect3D != 0 &&
         GetGraphicsState().direct3DUsable != 0 && GetSoftwareOnlyFlag() == 0;
}

}  // namespace

int InitGraphicsSystem() {
  GraphicsState& g = GetGraphicsState();
  if (g.initialised != 0) return 0;
  WriteLog("グラフィック管理系の初期化を行います\n");
  IncreaseLogIndent();

  ClearGraphTable();
  ClearSurfaceTable();
  g.direct3DUsable = 0;
  DeleteAllMemoryHandles();
  GetMemoryBlockTable().Clear();

  DrawState& ds = GetDrawState();
  ds.useDirect3D = 1;
  ds.newGraphAlphaTest = 1;
  ds.drawMode = 0;
  ds.blendMode = 0;
  ds.drawBright = 0xFFFFFFFFu;
  g.initialised = 1;

  if (IsDirectDrawReady() != nullptr) DeleteAllSurface2D();
  // The 3D pieces can only be deleted where the 3D device exists: that is the test of it.
  g.direct3DUsable = DeleteAll3DGraphs() != -1 ? 1 : 0;
  WriteLog(g.direct3DUsable != 0 ? "３Ｄグラフィック描画機能を使用します\n"
                                 : "３Ｄグラフィック描画機能は使用しません\n");

  ds.newGraphBitDepth = 0;
  ds.maskOn = 1;
  ds.drawScreen = kBackScreen;
  SelectDrawTarget(kFrontScreen);
  SetClipRect(0, 0, ds.targetWidth, ds.targetHeight);
  ds.graphicsOff = 0;
  SetBackFaceCulling(0);

  // Only now that no piece is left can no piece's lost flag point into a font record.
  ClearFontSystem();
  InitFontSystem();
  DecreaseLogIndent();
  WriteLog("グラフィック管理系の初期化は正常に終了しました\n");
  return 0;
}

int EndGraphicsSystem() {
  GraphicsState& g = GetGraphicsState();
  if (g.initialised == 0) return 0;
  DeleteMaskBuffer();
  DeleteAllMemoryHandles();
  DeleteAllGraphs(0);
  EndFontSystem();
  g.initialised = 0;
  WriteLog("グラフィック管理系の終了処理は正常に終了しました\n");
  return 0;
}

ResourceHandle AddGraphRecord(uint16_t width, uint16_t height, int wantTexture, GraphRecord** out,
                              int alphaChannel) {
  if (IsGraphicsOff()) return 0;
  GraphicsState& g = GetGraphicsState();
  GraphTable& t = g.graphs;
  if (t.Full()) ExitWithError("グラフィックの数が許容量を越えました終了します");
  const int slot = t.FreeSlot();
  GraphRecord* r = NewRecord<GraphRecord>();
  if (r == nullptr) ExitWithError("メモリの確保に失敗しました");
  const ResourceHandle handle = t.Insert(slot, r);
  r->handle = handle;
  r->width = width;
  r->height = height;
  r->movieHandle = -1;
  r->deletedFlag = nullptr;

  const DrawState& ds = GetDrawState();
  const bool alpha = alphaChannel != 0;
  r->flags.texture = HeldAsTextures(wantTexture) ? 1 : 0;
  r->flags.alphaChannel = alpha ? 1 : 0;
  r->flags.drawValid = static_cast<uint8_t>(ds.newGraphDrawValid);
  r->flags.systemMemory = static_cast<uint8_t>(ds.newGraphSystemMemory);
  r->flags.alphaTest = static_cast<uint8_t>(ds.newGraphAlphaTest);
  int depth = ds.newGraphBitDepth;
  if (depth == 0) depth = alpha ? 32 : GetScreenBitDepth();
  r->flags.bitDepth = static_cast<uint8_t>(depth);

  if (out != nullptr) *out = r;
  return handle;
}

ResourceHandle CreateGraph(int width, int height, int wantTexture, int alphaChannel) {
  // The record holds 16-bit sizes: anything else would wrap, or make a store of no pixels.
  if (width < 1 || width > 65535 || height < 1 || height > 65535) return -1;
  if (IsGraphicsOff()) return 0;
  if (GetGraphicsState().initialised == 0) return -1;
  // A graph that would need more textures than a graph holds, or textures the device cannot
  // make, is refused before its record is made.
  TexturePlan plan;
  if (HeldAsTextures(wantTexture) &&
      Plan3DGraphPieces(width, height, GetDrawState().newGraphDrawValid, &plan) != 0) {
    return -1;
  }
  GraphRecord* r = nullptr;
  const ResourceHandle handle = AddGraphRecord(
      static_cast<uint16_t>(width), static_cast<uint16_t>(height), wantTexture, &r, alphaChannel);
  const int stored = r->flags.texture == 1 ? Create3DGraphForGraph(r) : CreateGraphSurface2D(r);
  if (stored != 0) ExitWithError("グラフィックの作成に失敗しました終了します");
  return handle;
}

ResourceHandle CreateEmptyGraph(int width, int height) {
  return CreateGraph(width, height, 1, GetDrawState().newGraphAlphaChannel);
}

int FreeGraphHandle(ResourceHandle graph, int logIt) {
  if (IsGraphicsOff()) return 0;
  GraphRecord* r = GetGraphRecord(graph);
  if (r == nullptr) return -1;
  // Drawing must never go on into the pixels released below.
  if (GetDrawState().drawScreen == graph) {
    SelectDrawTarget(kBackScreen);
    r = GetGraphRecord(graph);
    if (r == nullptr) return -1;
  }
  CloseMovieGraph(graph);
  if (r->flags.texture == 1) {
    Delete3DGraphsOfGraph(r);
  } else {
    DeleteGraphSurface2D(r);
  }
  if (logIt != 0) WriteLogFormat("グラフィック %s の削除", LogText(r->fileName.c_str()).c_str());
  GetGraphicsState().graphs.Remove(graph);
  if (r->deletedFlag != nullptr) *r->deletedFlag = 1;
  FreeRecord(r);
  return 0;
}

int SetGraphDeletedFlag(ResourceHandle graph, int* flag) {
  GraphRecord* r = GetGraphRecord(graph);
  if (r == nullptr) return -1;
  r->deletedFlag = flag;
  if (flag != nullptr) *flag = 0;
  return 0;
}

int DeleteAllGraphs(int logIt) {
  GraphicsState& g = GetGraphicsState();
  if (g.initialised == 0 || IsGraphicsOff()) return 0;
  GraphTable& t = g.graphs;
  // Each deletion may lower the high-water index, so it is read again every round.
  for (int i = 0; i < t.highWater; ++i) {
    if (t.slots[i] != nullptr) FreeGraphHandle(t.slots[i]->handle, logIt);
  }
  return 0;
}

GraphRecord* GetGraphRecord(ResourceHandle graph) {
  return GetGraphicsState().graphs.Get(graph);
}

}  // namespace morrow
