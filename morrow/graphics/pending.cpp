// Entry points of the graphics core standing in until their components exist.
#include "morrow/device/screen.h"
#include "morrow/graphics/draw.h"

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
int SetClipRect(int, int, int, int) {
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

#include "morrow/graphics/graph_system.h"

namespace morrow {

// TEMPORARY: replaced by "Resource handles, graph records, surfaces and 2D pieces"
int InitGraphicsSystem() {
  return 0;
}
// TEMPORARY: replaced by "Resource handles, graph records, surfaces and 2D pieces"
int EndGraphicsSystem() {
  return 0;
}
// TEMPORARY: replaced by "Resource handles, graph records, surfaces and 2D pieces"
int DeleteAllGraphs(int) {
  return 0;
}
// TEMPORARY: replaced by "Resource handles, graph records, surfaces and 2D pieces"
int DeleteAllSurface2D() {
  return IsDirectDrawReady() != nullptr ? 0 : -1;
}
// TEMPORARY: replaced by "Resource handles, graph records, surfaces and 2D pieces"
int ReleaseAllSurface2DObjects() {
  return 0;
}
// TEMPORARY: replaced by "Resource handles, graph records, surfaces and 2D pieces"
int RecreateAllSurface2DObjects() {
  return 0;
}
// TEMPORARY: replaced by "Resource handles, graph records, surfaces and 2D pieces"
uint32_t GetDrawStateKeyColor() {
  return 0;
}
// TEMPORARY: replaced by "Resource handles, graph records, surfaces and 2D pieces"
int SetDrawStateKeyColor(uint32_t) {
  return 0;
}
// TEMPORARY: replaced by "Resource handles, graph records, surfaces and 2D pieces"
int IsGraphicsOff() {
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
