// Entry points of the graphics core standing in until their components exist.
#include <algorithm>

#include "morrow/device/screen.h"
#include "morrow/graphics/draw.h"
#include "morrow/graphics/draw_state.h"

namespace morrow {

// TEMPORARY: replaced by "Draw state, drawing calls and the screen back end"
int SetGraphReloadCallback(GraphReloadCallback) {
  return 0;
}
// TEMPORARY: replaced by "Draw state, drawing calls and the screen back end"
int IsRestoreCallbackSet() {
  return 1;
}
// TEMPORARY: replaced by "Draw state, drawing calls and the screen back end"
int RebuildGraphicsDevice() {
  return 0;
}
// TEMPORARY: replaced by "Graph loading, division and restore"
int RestoreLostGraphs() {
  return 0;
}
// TEMPORARY: replaced by "Draw state, drawing calls and the screen back end"
int GetScreenSizeAndDepth(int* width, int* height, int* depth) {
  GetScreenSize(width, height);
  if (depth != nullptr) *depth = GetScreenBitDepth();
  return 0;
}
// TEMPORARY: replaced by "Draw state, drawing calls and the screen back end"
int GetDrawTargetHandle() {
  return -2;
}
// TEMPORARY: replaced by "Draw state, drawing calls and the screen back end"
int SetScreenRect(const int*) {
  return 0;
}
// TEMPORARY: replaced by "Draw state, drawing calls and the screen back end"
int SetClipRect(int x1, int y1, int x2, int y2) {
  DrawState& ds = GetDrawState();
  ds.drawArea = Rect{std::clamp(std::min(x1, x2), 0, ds.targetWidth),
                     std::clamp(std::min(y1, y2), 0, ds.targetHeight),
                     std::clamp(std::max(x1, x2), 0, ds.targetWidth),
                     std::clamp(std::max(y1, y2), 0, ds.targetHeight)};
  ds.emptyArea = ds.drawArea.Empty() ? 1 : 0;
  return 0;
}
// TEMPORARY: replaced by "Graph loading, division and restore"
int CopyGraphForRegion(int, GraphImage*) {
  return -1;
}

}  // namespace morrow

#include "morrow/graphics/font.h"

namespace morrow {

// TEMPORARY: replaced by the font handle component
int CreateFontToHandle(const char*, int, int, int, int, int, int, int) {
  return -1;
}
// TEMPORARY: replaced by the font handle component
int DeleteFontHandle(int) {
  return -1;
}
// TEMPORARY: replaced by the font handle component
int SetFontLostNotify(int, int*) {
  return -1;
}

}  // namespace morrow

#include "morrow/graphics/draw_state.h"
#include "morrow/graphics/graph.h"
#include "morrow/graphics/mask.h"

namespace morrow {

// TEMPORARY: replaced by "Draw state, drawing calls and the screen back end"
int SelectDrawTarget(int target) {
  if (GetGraphicsState().initialised == 0) return -1;
  DrawState& ds = GetDrawState();
  ds.drawScreen = target;
  if (target == kFrontScreen || target == kBackScreen) {
    SelectDrawTargetDDraw(target);
    GetScreenSize(&ds.targetWidth, &ds.targetHeight);
  } else if (const GraphRecord* g = GetGraphRecord(target)) {
    ds.targetWidth = g->width;
    ds.targetHeight = g->height;
  }
  return 0;
}
// TEMPORARY: replaced by the font handle component
int InitFontSystem() {
  return 0;
}
// TEMPORARY: replaced by the font handle component
int EndFontSystem() {
  return 0;
}
// TEMPORARY: replaced by the mask screen component
int DeleteMaskBuffer() {
  return 0;
}

// TEMPORARY: replaced by the font handle component
int GetDefaultFontHandleValue() {
  return -1;
}
// TEMPORARY: replaced by the font handle component
int IsValidFontHandle(int) {
  return 0;
}
// TEMPORARY: replaced by the font handle component
int GetFontInfo(char*, int*, int*, int) {
  return -1;
}
// TEMPORARY: replaced by the font handle component
int SetDefaultFontSizeThickness(int, int, int) {
  return -1;
}

}  // namespace morrow
