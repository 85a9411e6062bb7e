// The draw state and its plain setters and getters. The draw target and draw area are in
// draw_target.cpp, the drawing calls in draw_calls.cpp.
#include "morrow/graphics/draw_state.h"

#include <algorithm>

#include "morrow/device/direct3d.h"
#include "morrow/device/screen.h"
#include "morrow/graphics/draw.h"
#include "morrow/graphics/font.h"
#include "morrow/graphics/graph.h"
#include "morrow/graphics/graph_system.h"
#include "morrow/system/window.h"

namespace morrow {
namespace {

// Options that live beside the record: the graphics start leaves them as they are.
int g_hardwareShapes = 0;
GraphReloadCallback g_reloadCallback = nullptr;  // null: the default, reload from the files

bool Direct3DUsable() {
  return GetGraphicsState().direct3DUsable != 0;
}

int ClampByte(int v) {
  return std::clamp(v, 0, 255);
}

}  // namespace

DrawState& GetDrawState() {
  static DrawState state;
  return state;
}

uint32_t GetDrawStateKeyColor() {
  return GetDrawState().keyColor;
}

int SetDrawStateKeyColor(uint32_t keyColor) {
  GetDrawState().keyColor = keyColor & 0x00FFFFFFu;
  return 0;
}

int IsGraphicsOff() {
  return GetDrawState().graphicsOff != 0 ? 1 : 0;
}

int SetFilterMode(int mode) {
  DrawState& ds = GetDrawState();
  if (ds.graphicsOff != 0 || mode == ds.drawMode) return 0;
  ds.drawMode = mode;
  if (Direct3DUsable()) SetFilterMode3D(mode);
  return 0;
}

int SetBlendMode(int mode, int parameter) {
  DrawState& ds = GetDrawState();
  if (ds.graphicsOff != 0) return 0;
  // The raw parameter is compared, so a clamped value asked for again is not taken as unchanged.
  if (mode == ds.blendMode && parameter == ds.blendParam) return 0;
  WaitActiveAndRestore();
  if (mode != 7) {
    ds.blendMode = mode;
    ds.blendParam = ClampByte(parameter);
  }
  if (Direct3DUsable()) SetBlendMode3D(mode, mode == 7 ? parameter : ds.blendParam);
  return 0;
}

int SetModulationColor(int r, int g, int b) {
  DrawState& ds = GetDrawState();
  if (ds.graphicsOff != 0) return 0;
  const uint32_t bright = 0xFF000000u | static_cast<uint32_t>(ClampByte(r)) << 16 |
                          static_cast<uint32_t>(ClampByte(g)) << 8 |
                          static_cast<uint32_t>(ClampByte(b));
  ds.drawBright = bright;
  return 0;
}

int SetUseHardwareDrawFlag(int flag) {
  GetDrawState().useDirect3D = flag;
  if (IsDirectDrawReady() == nullptr) SetSoftwareDrawStartFlag(flag == 0 ? 1 : 0);
  return 0;
}

int SetKeyColor(int r, int g, int b) {
  if (GetScreenBitDepth() == 8) return 0;
  GetDrawState().keyColor = (static_cast<uint32_t>(r) & 0xFFu) << 16 |
                            (static_cast<uint32_t>(g) & 0xFFu) << 8 |
                            (static_cast<uint32_t>(b) & 0xFFu);
  return 0;
}

int SetGraphReloadCallback(GraphReloadCallback callback) {
  g_reloadCallback = callback;
  return 0;
}

GraphReloadCallback GetGraphReloadCallback() {
  return g_reloadCallback;
}

int IsRestoreCallbackSet() {
  return 1;  // the default restore is always there when the game sets none
}

int SetBackFaceCulling(int flag) {
  if (Direct3DUsable()) SetBackFaceCulling3D(flag);
  return 0;
}

int SetGraphAlphaTestFlag(int flag) {
  GetDrawState().newGraphAlphaTest = flag;
  return 0;
}
int GetGraphAlphaTestFlag() {
  return GetDrawState().newGraphAlphaTest;
}

int SetGraphVideoMemoryFlag(int flag) {
  GetDrawState().newGraphSystemMemory = flag != 1 ? 1 : 0;
  return 0;
}
int GetGraphVideoMemoryFlag() {
  return GetDrawState().newGraphSystemMemory != 1 ? 1 : 0;
}

int SetGraphBitDepth(int depth) {
  GetDrawState().newGraphBitDepth = depth;
  return 0;
}
int GetGraphBitDepth() {
  return GetDrawState().newGraphBitDepth;
}
int QueryGraphBitDepth() {
  return GetDrawState().newGraphBitDepth;
}

int SetGraphAlphaChannelFlag(int flag) {
  GetDrawState().newGraphAlphaChannel = flag;
  return 0;
}
int GetGraphAlphaChannelFlag() {
  return GetDrawState().newGraphAlphaChannel;
}
int QueryGraphAlphaChannelFlag() {
  return GetDrawState().newGraphAlphaChannel;
}

int SetImageConvertFlag(int value) {
  GetDrawState().imageConvertFlag = value;
  return 0;
}
int GetImageConvertFlag() {
  return GetDrawState().imageConvertFlag;
}

int SetHardwareShapeDrawFlag(int flag) {
  g_hardwareShapes = flag;
  return 0;
}
int GetHardwareShapeDrawFlag() {
  return g_hardwareShapes;
}

int SetScreenRect(const int rect[4]) {
  if (rect == nullptr) return -1;
  GetDrawState().screenOffset = Rect{rect[0], rect[1], rect[2], rect[3]};
  return 0;
}

int QueryGraphSize(int target, int* width, int* height) {
  if (target == kFrontScreen || target == kBackScreen) return GetScreenSize(width, height);
  const GraphRecord* g = GetGraphRecord(target);
  if (g == nullptr) return -1;
  if (width != nullptr) *width = g->width;
  if (height != nullptr) *height = g->height;
  return 0;
}

int GetDrawTargetHandle() {
  return GetDrawState().drawScreen;
}

int GetScreenSizeAndDepth(int* width, int* height, int* depth) {
  GetScreenSize(width, height);
  if (depth != nullptr) *depth = GetScreenBitDepth();
  return 0;
}

int GetFontSizeOfHandle(int font) {
  int size = 0;
  if (GetFontInfo(nullptr, &size, nullptr, font) != 0) return -1;
  return size;
}

int IsDirect3DUsable() {
  return GetDrawState().useDirect3D != 0 && Direct3DUsable() && GetSoftwareOnlyFlag() == 0 &&
                 HasDirect3DDevice() != 0
             ? 1
             : 0;
}

}  // namespace morrow
