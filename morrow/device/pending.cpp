// Entry points of the device layer standing in until their components exist: the 3D set-up as
// far as this display goes, the 3D side of the draw state and of the drawing calls (never
// reached: without a 3D device no graph is held as textures and no shape takes the hardware
// path), and the movies.
#include "morrow/device/direct3d.h"
#include "morrow/device/movie.h"
#include "morrow/device/screen.h"
#include "morrow/graphics/graph_system.h"
#include "morrow/system/log.h"

namespace morrow {

// The display offers no 3D interface, so the 3D set-up ends where it asks for one and every
// draw takes the software path.
// TEMPORARY: replaced by "Direct3D set-up, devices and render state"
int InitDirect3D() {
  WriteLogFormat("Direct3D 関連の初期化を行います");
  WriteLogFormat("Ｄｉｒｅｃｔ３Ｄオブジェクトを取得します");
  ScreenState& s = GetScreenState();
  if (s.directDraw == nullptr || s.directDraw->QueryDirect3D() != platform::DisplayResult::kOk) {
    WriteLogFormat("Direct3Dオブジェクトの作成に失敗しました");
    return -1;
  }
  return -1;
}

// TEMPORARY: replaced by "Direct3D set-up, devices and render state"
int TerminateDirect3D() {
  return -1;
}

// TEMPORARY: replaced by "Direct3D set-up, devices and render state"
int DeleteAll3DGraphs() {
  return -1;
}
// TEMPORARY: replaced by "Direct3D set-up, devices and render state"
int Create3DGraphForGraph(GraphRecord*) {
  return -1;
}
// TEMPORARY: replaced by "Direct3D set-up, devices and render state"
int Delete3DGraphsOfGraph(GraphRecord*) {
  return -1;
}
// TEMPORARY: replaced by "Direct3D set-up, devices and render state"
int Derive3DGraphForGraph(GraphRecord*, int, int, int, int, const GraphRecord*) {
  return -1;
}
// TEMPORARY: replaced by "Direct3D set-up, devices and render state"
int Set3DGraphImage(GraphRecord*, int, int, const GraphImage*, const GraphImage*) {
  return -1;
}
// TEMPORARY: replaced by "Direct3D set-up, devices and render state"
int Set3DGraphImageRect(GraphRecord*, const Rect*, int, int, const GraphImage*, const GraphImage*) {
  return -1;
}
// TEMPORARY: replaced by "Direct3D set-up, devices and render state"
int Restore3DGraphSurfaces(GraphRecord*) {
  return -1;
}

// TEMPORARY: replaced by "Direct3D vertex batch and image drawing"
int EndScene3D() {
  return 0;
}
// TEMPORARY: replaced by "Direct3D vertex batch and image drawing"
int Flush3DVertexBatch() {
  return 0;
}
// TEMPORARY: replaced by "Direct3D set-up, devices and render state"
int HasDirect3DDevice() {
  return 0;
}
// TEMPORARY: replaced by "Direct3D shapes, text, draw target and viewport"
int SelectDrawTarget3D(int) {
  return -1;
}
// TEMPORARY: replaced by "Direct3D shapes, text, draw target and viewport"
int SetClipRect3D(const Rect*) {
  return -1;
}
// TEMPORARY: replaced by "Direct3D set-up, devices and render state"
int SetBlendMode3D(int, int) {
  return -1;
}
// TEMPORARY: replaced by "Direct3D set-up, devices and render state"
int SetFilterMode3D(int) {
  return -1;
}
// TEMPORARY: replaced by "Direct3D set-up, devices and render state"
int SetBackFaceCulling3D(int) {
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

// TEMPORARY: replaced by the movie component
int PlayAllMovies() {
  return 0;
}
// TEMPORARY: replaced by the movie component
int PauseAllMovies() {
  return 0;
}
// TEMPORARY: replaced by the movie component
int ReleaseAllMovies() {
  return 0;
}
// No movie can be played yet, so a file that is no picture is refused.
// TEMPORARY: replaced by the movie component
int OpenMovieToGraph(const char*, int*, int*, int) {
  return -1;
}
// TEMPORARY: replaced by the movie component
int IsMovieOnOverlay(int) {
  return 0;
}
// TEMPORARY: replaced by the movie component
int CloseMovie(int) {
  return -1;
}
// TEMPORARY: replaced by the movie component
int RestoreMovieSurfaces(int) {
  return -1;
}

}  // namespace morrow
