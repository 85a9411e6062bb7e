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
