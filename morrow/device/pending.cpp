// Entry points of the device layer standing in until their components exist: the 3D side of the
// drawing calls, of the draw target and of the viewport.
#include "morrow/device/direct3d.h"

namespace morrow {

// TEMPORARY: replaced by "Direct3D shapes, text, draw target and viewport"
int SelectDrawTarget3D(int) {
  return -1;
}
// TEMPORARY: replaced by "Direct3D shapes, text, draw target and viewport"
int SetClipRect3D(const Rect*) {
  return -1;
}
// TEMPORARY: replaced by "Direct3D shapes, text, draw target and viewport"
int ClearDrawTarget3D() {
  return -1;
}
// TEMPORARY: replaced by "Direct3D vertex batch and image drawing"
int G_D3D_DrawGraph(int, int, GraphRecord*, int) {
  return -1;
}
// TEMPORARY: replaced by "Direct3D vertex batch and image drawing"
int G_D3D_DrawExtendGraph(int, int, int, int, GraphRecord*, int) {
  return -1;
}
// TEMPORARY: replaced by "Direct3D vertex batch and image drawing"
int G_D3D_DrawRotaGraph(int, int, double, double, GraphRecord*, int, int) {
  return -1;
}
// TEMPORARY: replaced by "Direct3D vertex batch and image drawing"
int G_D3D_DrawModiGraph(int, int, int, int, int, int, int, int, GraphRecord*, int) {
  return -1;
}
// TEMPORARY: replaced by "Direct3D vertex batch and image drawing"
int G_D3D_DrawFloatModiGraph(float, float, float, float, float, float, float, float, GraphRecord*,
                             int) {
  return -1;
}
// TEMPORARY: replaced by "Direct3D shapes, text, draw target and viewport"
int G_D3D_DrawLine(int, int, int, int, uint32_t) {
  return -1;
}
// TEMPORARY: replaced by "Direct3D shapes, text, draw target and viewport"
int G_D3D_DrawFillBox(int, int, int, int, uint32_t) {
  return -1;
}
// TEMPORARY: replaced by "Direct3D shapes, text, draw target and viewport"
int G_D3D_DrawFrameBox(int, int, int, int, uint32_t) {
  return -1;
}
// TEMPORARY: replaced by "Direct3D shapes, text, draw target and viewport"
int G_D3D_DrawCircle(int, int, int, uint32_t, int) {
  return -1;
}
// TEMPORARY: replaced by "Direct3D shapes, text, draw target and viewport"
int PaintGraph3D(GraphRecord*, int, int, int, int) {
  return -1;
}
// TEMPORARY: replaced by "Screen capture into graphs"
int G_D3D_CopyScreenToGraph(int, int, int, int, GraphRecord*, int) {
  return -1;
}
// TEMPORARY: replaced by "Direct3D shapes, text, draw target and viewport"
int RenderTextD3D(int, int, const char*, uint32_t, int, uint32_t, int) {
  return -1;
}

}  // namespace morrow
