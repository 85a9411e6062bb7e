// Entry points of the device layer standing in until their components exist: the least of the
// screen back end that the start-up needs (select a screen, clear it, present it in a window),
// the 3D set-up as far as this display goes, and the movies.
#include "morrow/device/screen.h"
#include "morrow/graphics/graph_system.h"
#include "morrow/system/log.h"
#include "morrow/system/time.h"
#include "morrow/system/window.h"
#include "platform/clock.h"

namespace morrow {
namespace {

// The screen drawing goes to: -4 front, -2 back.
int g_targetScreen = -4;

bool PumpBeforePoll(int* pumpResult) {
  *pumpResult = PumpMessages();
  return *pumpResult == 0;
}

bool InBlank() {
  bool blank = false;
  GetScreenState().directDraw->GetVerticalBlankStatus(&blank);
  return blank;
}

}  // namespace

// TEMPORARY: replaced by "Draw state, drawing calls and the screen back end"
int SelectDrawTargetDDraw(int screen) {
  ScreenState& s = GetScreenState();
  if (screen != -4 && screen != -2) return -1;
  g_targetScreen = screen;
  s.drawTargetSurface = screen == -4 ? s.primarySurface : s.backSurface;
  s.drawingSuspended = 0;
  if (s.primarySurface != nullptr && (IsWindowMode() || IsMenuInUse())) {
    s.primarySurface->SetClipper(screen == -4 ? nullptr : s.clipper);
  }
  return 0;
}

// TEMPORARY: replaced by "Draw state, drawing calls and the screen back end"
int ClearDrawTargetDDraw() {
  ScreenState& s = GetScreenState();
  if (s.drawingSuspended || s.directDraw == nullptr) return -1;
  if (IsGraphicsOff()) return 0;
  if (s.drawTargetSurface == nullptr) return -1;
  int w = 0, h = 0;
  GetScreenSize(&w, &h);
  platform::Rect r{0, 0, w, h};
  if (g_targetScreen == -4 && IsWindowMode()) {
    int client[4] = {};
    GetWindowClientScreenRect(client);
    r = platform::Rect{client[0], client[1], client[0] + w, client[1] + h};
  }
  platform::BltFx fx;
  fx.fillColor = 0;
  s.drawTargetSurface->Blt(&r, nullptr, nullptr, platform::kBltColorFill, &fx);
  return 0;
}

// TEMPORARY: replaced by "Draw state, drawing calls and the screen back end"
int WaitVerticalBlank(int count) {
  ScreenState& s = GetScreenState();
  if (s.directDraw == nullptr) return -1;
  if (IsGraphicsOff()) return 0;
  WaitActiveAndRestore();
  int pumped = 0;
  if (count == 0) {
    while (PumpBeforePoll(&pumped) && !InBlank()) platform::SleepMicroseconds(100);
    return 0;
  }
  for (int i = 0; i < count; ++i) {
    while (PumpBeforePoll(&pumped) && InBlank()) platform::SleepMicroseconds(100);
    while (pumped == 0 && PumpBeforePoll(&pumped) && !InBlank()) platform::SleepMicroseconds(100);
    if (pumped < 0) return -1;
  }
  return 0;
}

// TEMPORARY: replaced by "Draw state, drawing calls and the screen back end"
int PresentFrameWindowed() {
  ScreenState& s = GetScreenState();
  if (s.directDraw == nullptr) return -1;
  if (g_targetScreen == -4) {
    ++s.flipCount;
    return WaitVerticalBlank(1);
  }
  if (s.primarySurface == nullptr || s.backSurface == nullptr) return -1;
  if (s.vsyncWait) {
    int32_t now = GetMillisecondCount(0);
    if (now - s.lastPresentMs >= s.presentSleepMs) {
      if (!InBlank()) s.directDraw->WaitForVerticalBlank(platform::kWaitBlankBegin);
    } else {
      while (GetMillisecondCount(0) - s.lastPresentMs < s.presentSleepMs) {
        platform::SleepMilliseconds(1);
      }
      s.directDraw->WaitForVerticalBlank(platform::kWaitBlankBegin);
    }
    s.lastPresentMs = GetMillisecondCount(0);
  }
  int w = 0, h = 0;
  GetScreenSize(&w, &h);
  platform::Rect source{0, 0, w, h};
  if (IsWindowMode()) {
    int client[4] = {};
    GetWindowClientScreenRect(client);
    double scale = GetWindowScale();
    platform::Rect dest{client[0], client[1], client[0] + static_cast<int>(w * scale),
                        client[1] + static_cast<int>(h * scale)};
    s.primarySurface->Blt(&dest, s.backSurface.get(), &source, platform::kBltWait, nullptr);
  } else if (!IsMenuInUse()) {
    s.primarySurface->BltFast(0, 0, s.backSurface.get(), &source, platform::kBltFastWait);
  } else {
    s.primarySurface->Blt(nullptr, s.backSurface.get(), nullptr, platform::kBltWait, nullptr);
  }
  ++s.flipCount;
  return 0;
}

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

}  // namespace morrow
