#include "morrow/device/screen.h"

#include <algorithm>
#include <cstring>

#include "morrow/device/device3d.h"
#include "morrow/graphics/font.h"
#include "morrow/graphics/graph_system.h"
#include "morrow/system/library.h"
#include "morrow/system/log.h"
#include "morrow/system/time.h"
#include "platform/clock.h"
#include "platform/input.h"
#include "platform/sdl_presenter.h"
#include "platform/system_info.h"
#include "platform/window.h"
#include "platform/window_sdl.h"

namespace morrow {
namespace {

using platform::DisplayResult;

constexpr int kDefaultWidth = 640;
constexpr int kDefaultHeight = 480;
constexpr int kDefaultDepth = 16;

ScreenState& S() {
  return GetScreenState();
}

bool Ok(DisplayResult r) {
  return r == DisplayResult::kOk;
}

// The display's view of the main window: where its client area lies on the desktop, and its
// message queue for activation and display-change messages.
class WindowDisplayHost : public platform::DisplayHost {
 public:
  bool ClientArea(platform::Rect* out) override {
    if (GetMainWindow() == 0) return false;
    int r[4] = {};
    GetWindowClientScreenRect(r);
    *out = platform::Rect{r[0], r[1], r[2], r[3]};
    return !out->Empty();
  }
  void QueueDeactivateActivate() override {
    if (GetMainWindow() == 0) return;
    platform::MessageQueue& q = platform::CurrentWindowService().Queue();
    q.Post(platform::WindowMessage{platform::msg::kActivate, 0, 0, false});
    q.Post(platform::WindowMessage{platform::msg::kActivate, 1, 0, false});
  }
  void DisplayChanged(int bits, int width, int height) override {
    if (GetMainWindow() == 0) return;
    platform::CurrentWindowService().Queue().Post(platform::WindowMessage{
        platform::msg::kDisplayChange, static_cast<uint64_t>(bits),
        static_cast<int64_t>(width) | (static_cast<int64_t>(height) << 16), false});
  }
};

WindowDisplayHost g_host;

uint32_t g_blendProduct[256][256];

struct OverlayFormat {
  platform::PixelFormat format;
  const char* name;
};

platform::PixelFormat FourCCFormat(uint32_t code) {
  platform::PixelFormat f;
  f.flags = platform::kPixelFourCC;
  f.fourCC = code;
  return f;
}

const OverlayFormat kOverlayFormats[4] = {
    {FourCCFormat(platform::MakeFourCC('U', 'Y', 'V', 'Y')), " UYVY"},
    {FourCCFormat(platform::MakeFourCC('Y', 'U', 'Y', '2')), " YUY2"},
    {platform::RgbPixelFormat(16, 0x7C00, 0x3E0, 0x1F), " 16-bit RGB 5:5:5 "},
    {platform::RgbPixelFormat(16, 0xF800, 0x7E0, 0x1F), " 16-bit RGB 5:6:5 "},
};

int ScreenWidth() {
  return S().screenWidth != 0 ? S().screenWidth : kDefaultWidth;
}
int ScreenHeight() {
  return S().screenHeight != 0 ? S().screenHeight : kDefaultHeight;
}

// The 8-bit screen's palette: a 3-3-2 cube of colours ordered by brightness, from black to white.
void FillDefaultPalette(platform::PaletteEntry* out) {
  struct Colour {
    int luma;
    uint8_t r, g, b;
  } colours[256];
  for (int i = 0; i < 256; ++i) {
    uint8_t r = static_cast<uint8_t>(((i >> 5) & 7) * 255 / 7);
    uint8_t g = static_cast<uint8_t>(((i >> 2) & 7) * 255 / 7);
    uint8_t b = static_cast<uint8_t>((i & 3) * 255 / 3);
    colours[i] = Colour{299 * r + 587 * g + 114 * b, r, g, b};
  }
  std::stable_sort(colours, colours + 256,
                   [](const Colour& a, const Colour& b) { return a.luma < b.luma; });
  for (int i = 0; i < 256; ++i)
    out[i] = platform::PaletteEntry{colours[i].r, colours[i].g, colours[i].b, 0};
}

void BuildBlendProductTable() {
  for (uint32_t a = 0; a < 256; ++a) {
    for (uint32_t b = 0; b < 256; ++b) g_blendProduct[a][b] = (a * b) >> 8;
  }
}

void ReleasePalette() {
  if (S().palette != nullptr) {
    if (!S().palette->IsDead()) S().palette->Release();
    S().palette.reset();
  }
}

void ReleaseClipper() {
  if (S().clipper != nullptr) {
    if (!S().clipper->IsDead()) S().clipper->Release();
    S().clipper.reset();
  }
}

// The display object goes, taking whatever it still owns; every pointer to it is dropped.
void ReleaseDisplayObject() {
  ScreenState& s = S();
  // Objects that die with the display are forgotten, never called again.
  s.clipper.reset();
  s.palette.reset();
  if (s.directDraw != nullptr) {
    if (!s.directDraw->IsDead()) s.directDraw->Release();
    s.directDraw.reset();
  }
}

// A new clipper bound to the main window; false when it cannot be made.
bool CreateWindowClipper() {
  ScreenState& s = S();
  std::shared_ptr<platform::Clipper> c;
  if (!Ok(s.directDraw->CreateClipper(&c))) return false;
  if (!Ok(c->SetWindow(GetMainWindow()))) {
    c->Release();
    return false;
  }
  s.clipper = c;
  return true;
}

void ApplyPaletteEntries() {
  ScreenState& s = S();
  if (s.palette == nullptr) return;
  s.palette->SetEntries(0, 256, s.paletteEntries);
  s.palette->GetEntries(0, 256, s.paletteEntries);
}

void AttachPalette() {
  ScreenState& s = S();
  if (s.primarySurface == nullptr) return;
  s.primarySurface->SetPalette(s.palette);
  if (IsWindowMode()) {
    if (s.backSurface != nullptr) s.backSurface->SetPalette(s.palette);
  } else {
    s.primarySurface->EnumAttachedSurfaces(
        [&](const std::shared_ptr<platform::Surface>& back) { back->SetPalette(s.palette); });
  }
}

// The screen palette of an 8-bit mode, made once.
void CreateScreenPalette() {
  ScreenState& s = S();
  if (s.palette != nullptr) return;
  FillDefaultPalette(s.paletteEntries);
  std::shared_ptr<platform::Palette> p;
  if (!Ok(s.directDraw->CreatePalette(s.paletteEntries, &p))) {
    ExitWithError("パレットの作成に失敗しました");
  }
  s.palette = p;
  AttachPalette();
  ApplyPaletteEntries();
}

// Waits with the beam until pred holds or 100 ms have passed; false on the time-out.
template <typename Pred>
bool PollBeam(Pred pred) {
  int32_t start = GetMillisecondCount(0);
  while (!pred()) {
    if (GetMillisecondCount(0) - start >= 100) return false;
    platform::SleepMicroseconds(100);
  }
  return true;
}

int32_t ScanLine() {
  int32_t line = 0;
  S().directDraw->GetScanLine(&line);
  return line;
}

bool InBlank() {
  bool blank = false;
  S().directDraw->GetVerticalBlankStatus(&blank);
  return blank;
}

void MeasureCopyTiming() {
  ScreenState& s = S();
  platform::Rect area{0, 0, ScreenWidth(), ScreenHeight()};
  int64_t start = GetHighResolutionCount(0);
  for (int i = 0; i < 8; ++i) s.workSurface->BltFast(0, 0, s.primarySurface.get(), &area, 0);
  int64_t bltFast = GetHighResolutionCount(0) - start;

  std::shared_ptr<platform::DeviceContext> workDc, primaryDc;
  s.workSurface->GetDC(&workDc);
  s.primarySurface->GetDC(&primaryDc);
  start = GetHighResolutionCount(0);
  for (int i = 0; i < 8; ++i) {
    platform::BitBlt(workDc.get(), 0, 0, area.right, area.bottom, primaryDc.get(), 0, 0);
  }
  if (workDc != nullptr) s.workSurface->ReleaseDC(workDc);
  if (primaryDc != nullptr) s.primarySurface->ReleaseDC(primaryDc);
  int64_t gdi = GetHighResolutionCount(0) - start;

  s.useGdiCopy = gdi <= bltFast ? 1 : 0;
  WriteLogFormat("サーフェス間転送には %s を使用します", s.useGdiCopy ? "BitBlt" : "BltFast");
  WriteLogFormat("BitBlt:%.0lfμs   BltFast:%.0lfμs", static_cast<double>(gdi),
                 static_cast<double>(bltFast));
}

void ProbeOverlay() {
  ScreenState& s = S();
  platform::DisplayCaps caps;  // every field 0, the size field too
  s.directDraw->GetCaps(&caps, nullptr);
  s.driverCaps = caps;
  s.overlayFormatIndex = -1;
  if (caps.minOverlayStretch < 1000 || caps.maxOverlayStretch < 2000) {
    for (int i = 0; i < 4; ++i) {
      platform::SurfaceDesc d;
      d.flags = platform::kDescCaps | platform::kDescHeight | platform::kDescWidth |
                platform::kDescPixelFormat;
      d.caps = platform::kCapsOverlay | platform::kCapsVideoMemory;
      d.width = 16;
      d.height = 16;
      d.pixelFormat = kOverlayFormats[i].format;
      std::shared_ptr<platform::Surface> test;
      if (!Ok(s.directDraw->CreateSurface(d, &test))) continue;
      uint32_t got = 0;
      test->GetCaps(&got);
      test->Release();
      if ((got & platform::kCapsSystemMemory) == 0) {
        s.overlayFormatIndex = i;
        break;
      }
    }
  }
  if (s.overlayFormatIndex >= 0) {
    WriteLogFormat("オーバーレイサーフェスを使用します　　　%s",
                   kOverlayFormats[s.overlayFormatIndex].name);
  } else {
    WriteLog("オーバーレイサーフェスは使用しません\n");
  }
}

void MeasureAndLogFrameTime() {
  ScreenState& s = S();
  int32_t values[4];
  s.frameTimeMs = MeasureFrameTime(values);
  if (s.frameTimeMs == -1) {
    WriteLog("１フレームの時間を正常に取得できませんでした\n");
  } else {
    WriteLogFormat("１フレーム当たりの時間は %d msecです", s.frameTimeMs);
  }
  for (int i = 0; i < 4; ++i) WriteLogFormat("\tTri%02d:%d msec", i, values[i]);
  s.presentSleepMs = s.frameTimeMs == -1 ? -1 : (2 * s.frameTimeMs - 4) / 3;
}

// The exclusive mode given back: the normal level and the desktop's mode.
void RestoreDisplayModeOnEnd() {
  ScreenState& s = S();
  if ((s.cooperativeFlags & platform::kCoopExclusive) != 0) {
    s.directDraw->SetCooperativeLevel(GetMainWindow(), platform::kCoopNormal);
    s.directDraw->RestoreDisplayMode();
  }
  s.displayModeChanged = 0;
  WriteLog("画面モードを元に戻す処理は正常に終了しました\n");
}

}  // namespace

// ---- start and end ----

int CreateDirectDrawObject(std::shared_ptr<platform::Display>* out) {
  WriteLog("DirectDraw オブジェクトの取得を行います....  ");
  int dw = 0, dh = 0, dd = 0;
  GetDesktopScreenInfo(&dw, &dh, &dd);
  if (dw <= 0 || dh <= 0) {
    WriteLog("オブジェクトの取得に失敗しました\n");
    return -1;
  }
  std::shared_ptr<platform::Display> display =
      platform::Display::Create(platform::DisplayConfigFromEnvironment(dw, dh, dd), &g_host);
  display->SetPresenter(platform::MakeSdlPresenter(platform::SdlMainWindow()));
  // Scripted input, the frame limit and the frame dump share one count of frames: the display's
  // presents after the library's start.
  platform::SetPresentHook([](uint64_t) { return platform::NotifyPresent(); });
  WriteLog("成功\n");
  WriteLog("引き続き初期化処理... ");
  WriteLog("初期化に成功しました\n");

  WriteLog("ビデオカードの情報\n");
  IncreaseLogIndent();
  platform::DeviceIdentifier id;
  display->GetDeviceIdentifier(&id);
  WriteLogFormat("ビデオカードドライバ:%s バージョン:%u.%u.%u.%u ", id.driver,
                 static_cast<unsigned>((id.driverVersion >> 48) & 0xFFFF),
                 static_cast<unsigned>((id.driverVersion >> 32) & 0xFFFF),
                 static_cast<unsigned>((id.driverVersion >> 16) & 0xFFFF),
                 static_cast<unsigned>(id.driverVersion & 0xFFFF));
  WriteLogFormat("ドライバ記述:%s ", id.description);
  int64_t total = 0, free = 0;
  display->GetAvailableVidMem(platform::kCapsVideoMemory, &total, &free);
  WriteLogFormat("ビデオメモリ総量:%.2fMB ビデオメモリ空き容量:%.2fMB",
                 static_cast<double>(total) / 1048576.0, static_cast<double>(free) / 1048576.0);
  DecreaseLogIndent();
  *out = std::move(display);
  return 0;
}

int InitDirectDraw() {
  ScreenState& s = S();
  if (s.directDraw != nullptr) return -1;
  WriteLog("DirectDraw 関連の初期化を行います\n");
  IncreaseLogIndent();
  if (CreateDirectDrawObject(&s.directDraw) == -1) {
    ExitWithError("DirectDrawオブジェクトの作成に失敗しました");
  }
  if (!CreateWindowClipper()) {
    WriteLog("ＤｉｒｅｃｔＤｒａｗＣｌｉｐｐｅｒオブジェクトの作成に失敗しました\n");
    ExitWithError("DirectDrawClipperオブジェクトの作成時にエラーが発生しました");
  }
  if (s.screenWidth == 0) s.screenWidth = kDefaultWidth;
  if (s.screenHeight == 0) s.screenHeight = kDefaultHeight;
  if (s.screenBitDepth == 0) s.screenBitDepth = kDefaultDepth;
  ChangeScreenMode(-1, -1, -1, 1, -1);

  if (!HasWindowRegion()) {
    SelectDrawTargetDDraw(-2);
    ClearDrawTargetDDraw();
    PresentFrameWindowed();
    SelectDrawTargetDDraw(-4);
  }
  s.flushDirect3DFirst = 1;
  s.mmxEnabled = platform::ReadCpuInfo().hasMmx ? 1 : 0;
  ProbeOverlay();

  DecreaseLogIndent();
  WriteLog("DirectDraw 関連の初期化は正常に終了しました\n");
  BuildBlendProductTable();
  s.directDrawReady = 1;
  return 0;
}

int TerminateDirectDraw() {
  ScreenState& s = S();
  if (s.directDraw == nullptr) return 0;
  WriteLog("DirectDraw 関連の終了処理をおこないます\n");
  IncreaseLogIndent();
  ReleasePalette();
  EndGraphicsSystem();
  DeleteAllSurface2D();
  TerminateDirect3D();
  ReleaseScreenSurfaces();
  ReleaseClipper();
  RestoreDisplayModeOnEnd();
  WriteLog("ＤｉｒｅｃｔＤｒａｗオブジェクトを解放します\n");
  ReleaseDisplayObject();
  WriteLog("ＤｉｒｅｃｔＤｒａｗオブジェクトを解放しました\n");
  DecreaseLogIndent();
  WriteLog("DirectDraw 関連の終了処理は正常に終了しました\n");
  s.directDrawReady = 0;
  s.cooperativeFlags = 0;
  return 0;
}

// ---- modes ----

int SetDisplayMode(platform::Display* display, int desktopWidth, int desktopHeight, int width,
                   int height, int bitDepth, int* bitDepthOut, uint32_t* cooperativeFlagsOut,
                   int windowMode, int* displayModeChangedFlag, WindowHandle window) {
  ScreenState& s = S();
  WriteLogFormat("画面モードの変更処理を開始します %u x %u  %u bit ", static_cast<unsigned>(width),
                 static_cast<unsigned>(height), static_cast<unsigned>(bitDepth));
  IncreaseLogIndent();
  if (windowMode) {
    WriteLog("ウインドウモードにします\n");
    if (width > desktopWidth || height > desktopHeight) {
      ExitWithError("デスクトップ画面のサイズが足りません、ソフトを終了します");
    }
    if (displayModeChangedFlag != nullptr && *displayModeChangedFlag) {
      WriteLog("フルスクリーンモードから抜けます\n");
      display->RestoreDisplayMode();
      *displayModeChangedFlag = 0;
    }
    int desktopDepth = display->DesktopBitsPerPixel();
    if (desktopDepth == 24) {
      DecreaseLogIndent();
      return -1;
    }
    if (bitDepthOut != nullptr) *bitDepthOut = desktopDepth;
    if (!Ok(display->SetCooperativeLevel(window, platform::kCoopNormal))) {
      ExitWithError("DirectDrawの協調レベルの設定に失敗しました、ソフトを終了します");
    }
    if (cooperativeFlagsOut != nullptr) *cooperativeFlagsOut = platform::kCoopNormal;
  } else {
    if (bitDepth == 24) {
      DecreaseLogIndent();
      return -1;
    }
    WriteLog("画面解像度を変更します... ");
    const uint32_t flags = platform::kCoopFullscreen | platform::kCoopExclusive;
    if (!Ok(display->SetCooperativeLevel(window, flags))) {
      ExitWithError("DirectDrawの協調レベルの設定に失敗しました、ソフトを終了します");
    }
    if (cooperativeFlagsOut != nullptr) *cooperativeFlagsOut = flags;
    if (!Ok(display->SetDisplayMode(width, height, bitDepth, s.refreshRate))) {
      s.refreshRate = 0;
      if (!Ok(display->SetDisplayMode(width, height, bitDepth, 0))) {
        WriteLog("画面モードの変更に失敗しました\n");
        DecreaseLogIndent();
        return -1;
      }
    }
    if (bitDepthOut != nullptr) *bitDepthOut = bitDepth;
    if (displayModeChangedFlag != nullptr) *displayModeChangedFlag = 1;
    WriteLog("成功しました\n");
  }
  DecreaseLogIndent();
  WriteLog("画面モードの変更は正常に終了しました \n");
  return 0;
}

int LogColorFormat() {
  ScreenState& s = S();
  if (s.directDraw == nullptr) return -1;
  platform::SurfaceDesc mode;
  s.directDraw->GetDisplayMode(&mode);
  s.screenPixelFormat = mode.pixelFormat;
  GetSurfaceColorFormat(&s.screenPixelFormat, &s.screenFormat);
  WriteLog("カラー情報\n");
  WriteLogFormat("A:%08x  B:%08x  G:%08x  B:%08x", s.screenPixelFormat.alphaMask,
                 s.screenPixelFormat.redMask, s.screenPixelFormat.greenMask,
                 s.screenPixelFormat.blueMask);
  s.screenBitDepth = static_cast<int32_t>(s.screenPixelFormat.bitCount);
  return 0;
}

int ChangeScreenMode(int width, int height, int bitDepth, int force, int refreshRate) {
  ScreenState& s = S();
  if (width == -1) width = s.screenWidth;
  if (height == -1) height = s.screenHeight;
  if (bitDepth == -1) bitDepth = s.screenBitDepth;
  if (refreshRate == -1) refreshRate = s.refreshRate;
  if (width == s.screenWidth && height == s.screenHeight && bitDepth == s.screenBitDepth &&
      force == 0 && refreshRate == s.refreshRate) {
    return 0;
  }
  WriteLog("画面モード変更処理を開始します\n");
  IncreaseLogIndent();
  int fontSize = -1, fontThickness = -1;
  const bool fontKept =
      IsValidFontHandle(GetDefaultFontHandleValue()) != 0 &&
      GetFontInfo(nullptr, &fontSize, &fontThickness, GetDefaultFontHandleValue()) == 0;

  const int oldWidth = s.screenWidth, oldHeight = s.screenHeight, oldDepth = s.screenBitDepth,
            oldRefresh = s.refreshRate;
  s.screenWidth = width;
  s.screenHeight = height;
  s.screenBitDepth = bitDepth;
  s.refreshRate = refreshRate;
  if (s.directDraw == nullptr) {
    DecreaseLogIndent();  // the values wait for the start
    return 0;
  }

  // Mode changes are paced: at least 2060 ms from one to the next, 60 ms otherwise.
  const int32_t now = GetMillisecondCount(0);
  if (s.lastModeChangeMs != 0 && now - s.lastModeChangeMs < 2000) {
    WaitMilliseconds(s.lastModeChangeMs - now + 2060);
  } else {
    WaitMilliseconds(60);
  }
  s.lastModeChangeMs = now;

  DeleteAllGraphs(0);
  EndGraphicsSystem();
  TerminateDirect3D();
  ReleasePalette();
  ReleaseScreenSurfaces();

  int result = 0;
  const WindowHandle window = GetMainWindow();
  const bool windowMode = IsWindowMode() != 0;
  const bool afterStart = s.directDrawReady == 1;
  uint32_t keptKey = 0;
  if (afterStart) {
    keptKey = GetDrawStateKeyColor();
    WriteLog("ＤｉｒｅｃｔＤｒａｗオブジェクトを解放します\n");
    DeleteAllSurface2D();
    s.directDraw->SetCooperativeLevel(window, platform::kCoopNormal);
    ReleaseDisplayObject();
    WriteLog("ＤｉｒｅｃｔＤｒａｗオブジェクトを解放しました\n");
    if (CreateDirectDrawObject(&s.directDraw) == -1) {
      ExitWithError("DirectDrawオブジェクトの作成に失敗しました");
    }
    // The clipper died with the old object: the new one gets its own, bound as at the start.
    if (!CreateWindowClipper()) {
      WriteLog("ＤｉｒｅｃｔＤｒａｗＣｌｉｐｐｅｒオブジェクトの作成に失敗しました\n");
      ExitWithError("DirectDrawClipperオブジェクトの作成時にエラーが発生しました");
    }
    const uint32_t flags =
        windowMode ? platform::kCoopNormal : platform::kCoopFullscreen | platform::kCoopExclusive;
    if (!Ok(s.directDraw->SetCooperativeLevel(window, flags))) {
      ExitWithError("DirectDrawの協調レベルの設定に失敗しました、ソフトを終了します");
    }
    s.cooperativeFlags = flags;
    s.displayModeChanged = 0;
    if (!windowMode) {
      WriteLog("画面解像度を変更します... ");
      struct Try {
        int w, h, d, refresh;
      } tries[4] = {{width, height, bitDepth, s.refreshRate},
                    {width, height, bitDepth, 0},
                    {oldWidth, oldHeight, oldDepth, 0},
                    {kDefaultWidth, kDefaultHeight, kDefaultDepth, 0}};
      int chosen = -1;
      for (int i = 0; i < 4 && chosen < 0; ++i) {
        if (Ok(s.directDraw->SetDisplayMode(tries[i].w, tries[i].h, tries[i].d,
                                            tries[i].refresh))) {
          chosen = i;
        }
      }
      if (chosen < 0) ExitWithError("予期せぬ画面モード変更不能現象が起きました2\n");
      s.screenWidth = tries[chosen].w;
      s.screenHeight = tries[chosen].h;
      s.screenBitDepth = tries[chosen].d;
      s.refreshRate = tries[chosen].refresh;
      if (chosen == 3) result = -2;
      s.displayModeChanged = 1;
      WriteLog("成功しました\n");
    }
  } else {
    if (!windowMode) ApplyWindowStyle();
    if (s.screenWidth == 0) s.screenWidth = kDefaultWidth;
    if (s.screenHeight == 0) s.screenHeight = kDefaultHeight;
    if (s.screenBitDepth == 0) s.screenBitDepth = kDefaultDepth;
    int dw = 0, dh = 0;
    GetDesktopScreenInfo(&dw, &dh, nullptr);
    auto set = [&] {
      return SetDisplayMode(s.directDraw.get(), dw, dh, s.screenWidth, s.screenHeight,
                            s.screenBitDepth, &s.screenBitDepth, &s.cooperativeFlags,
                            windowMode ? 1 : 0, &s.displayModeChanged, window);
    };
    if (set() == -1) {
      const bool sameAsOld = oldWidth == s.screenWidth && oldHeight == s.screenHeight &&
                             oldDepth == s.screenBitDepth && oldRefresh == 0;
      s.screenWidth = oldWidth;
      s.screenHeight = oldHeight;
      s.screenBitDepth = oldDepth;
      s.refreshRate = oldRefresh;
      result = -1;
      if (!windowMode) ApplyWindowStyle();
      if (sameAsOld || set() == -1) {
        s.screenWidth = kDefaultWidth;
        s.screenHeight = kDefaultHeight;
        s.screenBitDepth = kDefaultDepth;
        s.refreshRate = 0;
        result = -2;
        if (!windowMode) ApplyWindowStyle();
        if (set() == -1) ExitWithError("予期せぬ画面モード変更不能現象が起きました\n");
      }
    }
  }

  LogColorFormat();
  if (windowMode) ApplyWindowStyle();
  CreateScreenSurfaces();
  if (!s.noDirect3DAtStart) InitDirect3D();
  InitGraphicsSystem();
  if (fontKept) SetDefaultFontSizeThickness(0, fontSize, fontThickness);
  InitScreenLog();
  if (s.screenBitDepth == 8) CreateScreenPalette();

  MeasureCopyTiming();
  MeasureAndLogFrameTime();

  if (afterStart) SetDrawStateKeyColor(keptKey);
  DecreaseLogIndent();
  WriteLog("画面モード変更処理は正常に終了しました\n");
  PumpMessages();
  ResetFlipCounter();
  return result;
}

int SelectScreenMode(int width, int height, int bitDepth, int refreshRate) {
  ScreenState& s = S();
  DeleteAllGraphs(0);
  if (width == -1) width = s.screenWidth;
  if (height == -1) height = s.screenHeight;
  if (bitDepth == -1) bitDepth = s.screenBitDepth;
  if (refreshRate == -1) refreshRate = s.refreshRate;
  const int oldWidth = s.screenWidth, oldHeight = s.screenHeight, oldDepth = s.screenBitDepth,
            oldRefresh = s.refreshRate;
  ChangeScreenMode(width, height, bitDepth, 0, refreshRate);
  auto is = [&](int w, int h, int d, int r) {
    return s.screenWidth == w && s.screenHeight == h && s.screenBitDepth == d && s.refreshRate == r;
  };
  if (is(width, height, bitDepth, refreshRate)) return 0;
  if (is(oldWidth, oldHeight, oldDepth, oldRefresh)) return -1;
  if (is(kDefaultWidth, kDefaultHeight, kDefaultDepth, 0)) return -2;
  return -1;
}

int MeasureFrameTime(int32_t values[4]) {
  for (int i = 0; i < 4; ++i) values[i] = -1;
  if (S().directDraw == nullptr) return -1;
  // Settle on the beam: three whole blanks, then the start of a fourth.
  for (int i = 0; i < 4; ++i) {
    const int32_t start = ScanLine();
    PollBeam([&] { return ScanLine() < start || InBlank(); });
    if (i < 3) PollBeam([] { return !InBlank(); });
  }
  for (int attempt = 0; attempt < 5; ++attempt) {
    for (int i = 0; i < 4; ++i) values[i] = -1;
    bool complete = true;
    for (int i = 0; i < 4 && complete; ++i) {
      const int32_t start = GetMillisecondCount(0);
      if (!PollBeam([] { return !InBlank(); })) {
        complete = false;
        break;
      }
      const int32_t line = ScanLine();
      if (!PollBeam([&] { return ScanLine() < line || InBlank(); })) {
        complete = false;
        break;
      }
      values[i] = GetMillisecondCount(0) - start;
    }
    if (!complete) continue;
    for (int i = 0; i < 4; ++i) {
      for (int j = i + 1; j < 4; ++j) {
        if (values[i] == values[j]) return values[i];
      }
    }
  }
  return -1;
}

// ---- surfaces ----

int CreateScreenSurfaces() {
  ScreenState& s = S();
  if (s.directDraw == nullptr || s.primarySurface != nullptr) return -1;
  WriteLog("出力画面用の DirectDrawSurface を作成します\n");
  IncreaseLogIndent();
  const int w = ScreenWidth(), h = ScreenHeight();
  platform::BltFx black;
  if (IsWindowMode()) {
    platform::SurfaceDesc p;
    p.flags = platform::kDescCaps;
    p.caps = platform::kCapsPrimary | platform::kCaps3DDevice;
    if (!Ok(s.directDraw->CreateSurface(p, &s.primarySurface))) {
      ExitWithError("プライマリサーフェスの作成に失敗しました");
    }
    platform::SurfaceDesc b;
    b.flags = platform::kDescCaps | platform::kDescWidth | platform::kDescHeight;
    b.width = w;
    b.height = h;
    b.caps = platform::kCapsOffscreenPlain | platform::kCaps3DDevice;
    if (!Ok(s.directDraw->CreateSurface(b, &s.backSurface))) {
      ExitWithError("バックサーフェスの作成に失敗しました");
    }
    s.backSurface->Blt(nullptr, nullptr, nullptr, platform::kBltColorFill | platform::kBltWait,
                       &black);
  } else {
    int64_t total = 0;
    s.directDraw->GetAvailableVidMem(platform::kCapsVideoMemory, &total, nullptr);
    const int64_t need = int64_t{8} * (GetScreenBitDepth() / 8) * w * h;
    platform::SurfaceDesc p;
    p.flags = platform::kDescCaps | platform::kDescBackBufferCount;
    p.backBufferCount = total >= 8388608 && total >= need ? 2 : 1;
    p.caps = platform::kCapsPrimary | platform::kCapsFlip | platform::kCapsComplex |
             platform::kCaps3DDevice;
    if (!Ok(s.directDraw->CreateSurface(p, &s.primarySurface))) {
      ExitWithError("プライマリサーフェスの作成に失敗しました");
    }
    if (!Ok(s.primarySurface->GetAttachedSurface(platform::kCapsBackBuffer, &s.backSurface))) {
      ExitWithError("バックバッファのポインタ取得に失敗しました");
    }
    for (int i = 0; i < 3; ++i) {
      s.backSurface->Blt(nullptr, nullptr, nullptr, platform::kBltColorFill | platform::kBltWait,
                         &black);
      s.primarySurface->Flip(platform::kFlipNoVsync);
    }
  }
  const platform::ColorKey keyZero{0, 0};
  std::shared_ptr<platform::Surface>* work[2] = {&s.workSurface, &s.workSurface2};
  const char* failures[2] = {"作業用サーフェスの作成に失敗しました",
                             "作業用サーフェス２の作成に失敗しました"};
  for (int i = 0; i < 2; ++i) {
    platform::SurfaceDesc d;
    d.flags = platform::kDescCaps | platform::kDescWidth | platform::kDescHeight;
    d.width = w;
    d.height = h;
    d.caps = platform::kCapsOffscreenPlain | platform::kCapsSystemMemory;
    if (!Ok(s.directDraw->CreateSurface(d, work[i]))) ExitWithError(failures[i]);
    (*work[i])->SetColorKey(platform::kColorKeySrcBlt, &keyZero);
  }
  WriteLog("各スクリーンメモリの配置位置\n");
  IncreaseLogIndent();
  auto where = [](platform::Surface* surface) {
    uint32_t caps = 0;
    surface->GetCaps(&caps);
    return (caps & platform::kCapsVideoMemory) != 0 ? "VIDEOMEMORY" : "SYSTEMMEMORY";
  };
  WriteLogFormat("PrimaryBuffer : %s  ", where(s.primarySurface.get()));
  WriteLogFormat("BaskBuffer : %s  ", where(s.backSurface.get()));
  DecreaseLogIndent();
  DecreaseLogIndent();
  WriteLog("出力画面用の DirectDrawSurface の作成は正常に終了しました\n");
  return 0;
}

int ReleaseScreenSurfaces() {
  ScreenState& s = S();
  if (s.directDraw == nullptr) return -1;
  if (s.primarySurface != nullptr) {
    WriteLog("メインサーフェスを破棄をします... 完了しました\n");
    s.primarySurface->SetClipper(nullptr);
    if (s.backSurface != nullptr) s.backSurface->Release();
    s.primarySurface->Release();
  }
  if (s.workSurface != nullptr) s.workSurface->Release();
  if (s.workSurface2 != nullptr) s.workSurface2->Release();
  s.primarySurface.reset();
  s.backSurface.reset();
  s.workSurface.reset();
  s.workSurface2.reset();
  s.drawTargetSurface.reset();  // it was one of them, or a piece that goes with the graphs
  return 0;
}

int RestoreScreenSurfaces() {
  ScreenState& s = S();
  if (s.directDraw == nullptr) return -1;
  if (IsGraphicsOff()) return 0;
  for (platform::Surface* surface : {s.primarySurface.get(), s.backSurface.get()}) {
    if (surface != nullptr && surface->IsLost() == DisplayResult::kSurfaceLost) surface->Restore();
  }
  return 0;
}

// ---- the graphics rebuild pair ----

int ReleaseDirectDrawDevice() {
  ScreenState& s = S();
  WriteLog("ＤｉｒｅｃｔＤｒａｗオブジェクトを解放します\n");
  if (s.directDraw == nullptr) {
    WriteLog("既に解放されています\n");
    return 0;
  }
  ReleaseAllSurface2DObjects();
  if (!IsWindowMode() && s.displayModeChanged) {
    s.directDraw->SetCooperativeLevel(GetMainWindow(), platform::kCoopNormal);
    s.directDraw->RestoreDisplayMode();
    s.displayModeChanged = 0;
  }
  ReleasePalette();
  ReleaseClipper();
  ReleaseDisplayObject();
  WriteLog("ＤｉｒｅｃｔＤｒａｗオブジェクトを解放しました\n");
  return 0;
}

int SetupDirectDrawDevice() {
  ScreenState& s = S();
  if (s.directDraw != nullptr) return 0;
  if (CreateDirectDrawObject(&s.directDraw) == -1) {
    ExitWithError("DirectDraw オブジェクトの作成処理時にエラーが発生しました");
  }
  int dw = 0, dh = 0;
  GetDesktopScreenInfo(&dw, &dh, nullptr);
  SetDisplayMode(s.directDraw.get(), dw, dh, ScreenWidth(), ScreenHeight(), GetScreenBitDepth(),
                 nullptr, &s.cooperativeFlags, IsWindowMode(), &s.displayModeChanged,
                 GetMainWindow());
  RecreateAllSurface2DObjects();
  if (!CreateWindowClipper()) ExitWithError("クリッパーオブジェクトの作成失敗しました");
  return 0;
}

int SetupWindowClipper() {
  ScreenState& s = S();
  if (s.directDraw == nullptr) return -1;
  if (s.clipper != nullptr) return 0;
  return CreateWindowClipper() ? 0 : -1;
}

int RebuildPalette() {
  ScreenState& s = S();
  if (s.screenBitDepth != 8 || s.directDraw == nullptr) return 0;
  platform::PaletteEntry kept[256];
  std::copy(s.paletteEntries, s.paletteEntries + 256, kept);
  ReleasePalette();
  std::shared_ptr<platform::Palette> p;
  if (!Ok(s.directDraw->CreatePalette(kept, &p))) ExitWithError("パレットの作成に失敗しました");
  s.palette = p;
  AttachPalette();
  std::copy(kept, kept + 256, s.paletteEntries);
  ApplyPaletteEntries();
  return 0;
}

// ---- options and reads ----

int SetDDrawStartFlag(int flag) {
  S().vsyncWait = flag;
  return 0;
}

int SetSoftwareDrawStartFlag(int flag) {
  S().noDirect3DAtStart = flag;
  return 0;
}

int SetLowPrecisionBlendFlag(int flag) {
  S().lowPrecisionBlend = flag;
  return 0;
}

int SetDirect3DFlushFlag(int flag) {
  S().flushDirect3DFirst = flag;
  return 0;
}

int GetScreenSize(int* width, int* height) {
  if (width != nullptr) *width = ScreenWidth();
  if (height != nullptr) *height = ScreenHeight();
  return 0;
}

int GetScreenBitDepth() {
  return S().screenBitDepth != 0 ? S().screenBitDepth : kDefaultDepth;
}

ColorFormat* GetScreenColorFormat() {
  return &S().screenFormat;
}
platform::Surface* GetDrawTargetSurface() {
  return S().drawTargetSurface.get();
}
platform::Surface* GetPrimarySurface() {
  return S().primarySurface.get();
}
platform::Surface* GetBackSurface() {
  return S().backSurface.get();
}
platform::Surface* GetWorkSurface() {
  return S().workSurface.get();
}

platform::Surface* GetWorkSurfaceCovering(int index, int width, int height) {
  ScreenState& s = S();
  if (s.directDraw == nullptr || index < 0 || index > 1) return nullptr;
  std::shared_ptr<platform::Surface>& work = index == 0 ? s.workSurface : s.workSurface2;
  if (work == nullptr) return nullptr;
  if (width <= work->width() && height <= work->height()) return work.get();
  // The copy is scratch: a larger surface replaces the old one, made like it (system memory,
  // source key of pixel value 0).
  platform::SurfaceDesc d;
  d.flags = platform::kDescCaps | platform::kDescWidth | platform::kDescHeight;
  d.width = std::max(width, work->width());
  d.height = std::max(height, work->height());
  d.caps = platform::kCapsOffscreenPlain | platform::kCapsSystemMemory;
  std::shared_ptr<platform::Surface> larger;
  if (!Ok(s.directDraw->CreateSurface(d, &larger))) return nullptr;
  const platform::ColorKey keyZero{0, 0};
  larger->SetColorKey(platform::kColorKeySrcBlt, &keyZero);
  work->Release();
  work = larger;
  return work.get();
}
platform::Display* IsDirectDrawReady() {
  return S().directDraw.get();
}

int IsDrawTargetFront() {
  return IsWindowMode() && S().drawTargetSurface != nullptr &&
                 S().drawTargetSurface == S().primarySurface
             ? 1
             : 0;
}

int GetSoftwareOnlyFlag() {
  return S().softwareOnly;
}
int GetKeepDirectDrawFlag() {
  return S().keepDirectDraw;
}
int GetDisplayModeChangedFlag() {
  return S().displayModeChanged;
}

const platform::PixelFormat* GetOverlayPixelFormat() {
  const ScreenState& s = S();
  if (ScreenWidth() < 640 || ScreenHeight() < 400 || s.overlayFormatIndex < 0 ||
      s.overlayFormatIndex > 3) {
    return nullptr;
  }
  return &kOverlayFormats[s.overlayFormatIndex].format;
}

int CopyDriverCaps(void* dest) {
  if (dest == nullptr) return -1;
  std::memcpy(dest, &S().driverCaps, sizeof(platform::DisplayCaps));
  return 0;
}

const BlendProductRow* GetBlendProductTable() {
  return g_blendProduct;
}

}  // namespace morrow
