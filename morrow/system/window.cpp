#include "morrow/system/window.h"

#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "morrow/device/screen.h"
#include "morrow/graphics/draw.h"
#include "morrow/network/network.h"
#include "morrow/sound/sound.h"
#include "morrow/system/char_input.h"
#include "morrow/system/input.h"
#include "morrow/system/library.h"
#include "morrow/system/log.h"
#include "morrow/system/memory.h"
#include "morrow/system/window_state.h"
#include "platform/clock.h"
#include "platform/codepage.h"
#include "platform/input.h"
#include "platform/window.h"

namespace morrow {

namespace msg = platform::msg;
namespace vk = platform::vk;

struct Menu {
  struct Item {
    uint16_t identifier;
    std::string text;
    bool separator;
    Menu* subMenu;
  };
  std::vector<Item> items;
};

struct Region {
  std::vector<std::array<int, 4>> rects;
};

namespace {

WindowSystemState g_state;

platform::WindowService& Service() {
  return platform::CurrentWindowService();
}

// Edges of the sizing message.
constexpr uint64_t kSizeLeft = 1, kSizeRight = 2, kSizeTop = 3, kSizeTopLeft = 4, kSizeTopRight = 5,
                   kSizeBottom = 6, kSizeBottomLeft = 7, kSizeBottomRight = 8;

int ClientWidth() {
  return g_state.client[2] - g_state.client[0];
}
int ClientHeight() {
  return g_state.client[3] - g_state.client[1];
}

void StoreClient(const platform::ClientRect& c) {
  g_state.client[0] = c.x;
  g_state.client[1] = c.y;
  g_state.client[2] = c.x + c.width;
  g_state.client[3] = c.y + c.height;
}

// The window keeps the screen's proportions while its frame is dragged. The window has no frame
// of its own here: the rectangle is the client area.
void HandleSizing(uint64_t edge, int32_t* rect) {
  int w = 0, h = 0;
  GetScreenSize(&w, &h);
  if (w <= 0 || h <= 0) return;
  const int frameWidth = 0, frameHeight = 0;
  int pw = rect[2] - rect[0] - frameWidth;
  int ph = rect[3] - rect[1] - frameHeight;
  bool widthLeads;
  switch (edge) {
    case kSizeLeft:
    case kSizeRight:
      widthLeads = true;
      break;
    case kSizeTop:
    case kSizeBottom:
      widthLeads = false;
      break;
    case kSizeTopLeft:
    case kSizeTopRight:
    case kSizeBottomLeft:
    case kSizeBottomRight:
      widthLeads = static_cast<double>(ph) / h < static_cast<double>(pw) / w;
      break;
    default:
      return;
  }
  if (widthLeads) {
    g_state.scale = static_cast<double>(pw) / w;
    rect[3] = rect[1] + static_cast<int32_t>(int64_t{pw} * h / w) + frameHeight;
  } else {
    pw = static_cast<int>(int64_t{ph} * w / h);
    rect[2] = rect[0] + pw + frameWidth;
    g_state.scale = static_cast<double>(pw) / w;
  }
}

void HandleDisplayChange(uint64_t wParam, int64_t lParam) {
  if (g_state.windowMode && !g_state.modeChanging) {
    int newDepth = static_cast<int>(wParam);
    int newWidth = static_cast<int>(lParam & 0xFFFF);
    int newHeight = static_cast<int>((lParam >> 16) & 0xFFFF);
    int w = 0, h = 0, depth = 0;
    GetScreenSizeAndDepth(&w, &h, &depth);
    if (newDepth == depth && newWidth == w && newHeight == h) {
      g_state.displayChanged = 1;
      return;
    }
    if (!IsRestoreCallbackSet() || newDepth == 24 || (newDepth == 8 && depth != 8) ||
        newWidth < w || newHeight < h) {
      WriteLog(
          "復元関数が登録されていないためか画面が２４ビットカラーに変更されたため終了します\n");
      WriteLog("またはスクリーンが小さすぎるためか色ビット数の違いが大きいためか終了します\n");
      if (!g_state.closePosted) {
        g_state.closePosted = 1;
        PostToWindow(msg::kClose);
      }
      return;
    }
    ReleaseAllMovies();
    LogColorFormat();
    RebuildGraphicsDevice();
    PlayAllMovies();
    g_state.displayChanged = 1;
    return;
  }
  // Full screen, or a window whose mode is being switched: the change is the switch's own.
  g_state.displayChanged = 1;
}

void HandleActivate(uint64_t wParam) {
  int becomingActive = (wParam & 0xFFFF) != 0 ? 1 : 0;
  g_state.active = becomingActive;
  if (g_state.creating) return;
  if (becomingActive) {
    if (!g_state.windowMode && g_state.surfacesLost && g_state.initialised) {
      RebuildGraphicsDevice();
      g_state.surfacesLost = 0;
    } else {
      PlayAllMovies();
    }
    return;
  }
  if (!g_state.windowMode && GetDisplayModeChangedFlag() && IsDirectDrawReady()) {
    if (!IsRestoreCallbackSet()) {
      WriteLog("復元関数が登録されていないため終了します\n");
      if (!g_state.closePosted) {
        g_state.closePosted = 1;
        PostToWindow(msg::kClose);
      }
    } else {
      g_state.surfacesLost = 1;
    }
  } else {
    PauseAllMovies();
  }
}

// The keys that type a control character of their own.
void TranslateMessage(const platform::WindowMessage& m) {
  if (m.thread || m.id != msg::kKeyDown) return;
  switch (m.wParam) {
    case vk::kBack:
    case vk::kTab:
    case vk::kReturn:
    case vk::kEscape:
      Service().Queue().Post(platform::WindowMessage{msg::kChar, m.wParam, m.lParam, false});
      break;
    default:
      break;
  }
}

void DispatchMessage(const platform::WindowMessage& m) {
  if (m.thread || g_state.window == 0 || !Service().HasWindow()) return;
  MainWindowProc(g_state.window, m.id, m.wParam, m.lParam);
}

bool IsScreenSaveCommand(const platform::WindowMessage& m) {
  return !m.thread && m.id == msg::kSysCommand && (m.wParam & 0xFFF0) == msg::kScreenSave;
}

bool TakeMessage(platform::WindowMessage* out) {
  platform::MessageQueue& q = Service().Queue();
  const platform::WindowMessage* head = q.Head();
  if (head != nullptr && IsScreenSaveCommand(*head)) return q.TakeHead(out);
  return q.TakeThread(out) || q.TakeWindow(out);
}

void CollectMenuItems(const Menu* menu, std::vector<MenuItemRecord>* out) {
  for (size_t i = 0; i < menu->items.size(); ++i) {
    const Menu::Item& item = menu->items[i];
    if (item.separator) continue;
    MenuItemRecord r{};
    r.menu = menu;
    r.position = static_cast<uint16_t>(i);
    r.identifier = item.identifier;
    CopyString(r.text, sizeof r.text, item.text.c_str());
    out->push_back(r);
    if (item.subMenu != nullptr) CollectMenuItems(item.subMenu, out);
  }
}

}  // namespace

WindowSystemState& WindowState() {
  return g_state;
}

void ClearWindowStateForStart() {
  WindowSystemState kept;
  kept.windowMode = g_state.windowMode;
  kept.styleMode = g_state.styleMode;
  std::memcpy(kept.title, g_state.title, sizeof kept.title);
  kept.iconId = g_state.iconId;
  // A menu or region made before the start is the caller's; the fresh window starts without.
  if (g_state.menu != nullptr) DestroyMenu(g_state.menu);
  if (g_state.region != nullptr) DeleteRegion(g_state.region);
  g_state = std::move(kept);
}

WindowStyleRow StyleRow(int styleMode) {
  static const WindowStyleRow kRows[6] = {
      {0x80CA0000, 0x300, 0x80000000, 0x8}, {0x80080000, 0x300, 0x80000000, 0x8},
      {0x80080000, 0, 0x80000000, 0x8},     {0x80CA0000, 0x80, 0x80000000, 0x8},
      {0x80080000, 0x80, 0x80000000, 0x8},  {0x80C80000, 0, 0, 0},
  };
  if (styleMode < 0 || styleMode > 5) styleMode = 0;
  return kRows[styleMode];
}

int64_t SendToWindow(uint32_t message, uint64_t wParam, int64_t lParam) {
  if (g_state.window == 0 || !Service().HasWindow()) return 0;
  return MainWindowProc(g_state.window, message, wParam, lParam);
}

void PostToWindow(uint32_t message, uint64_t wParam, int64_t lParam) {
  if (g_state.window == 0 || !Service().HasWindow()) return;
  Service().Queue().Post(platform::WindowMessage{message, wParam, lParam, false});
}

void DestroyWindowNow() {
  if (g_state.window == 0 || !Service().HasWindow()) return;
  SendToWindow(msg::kDestroy);
  Service().DestroyMainWindow();
}

int64_t MainWindowProc(WindowHandle window, uint32_t message, uint64_t wParam, int64_t lParam) {
  switch (message) {
    case msg::kCreate:
      // The region is kept as state; the window system here draws no shaped windows.
      break;
    case msg::kDestroy:
      WriteLog("ウインドウが破棄されようとしています\n");
      WriteLog("ソフトを終了する準備が整いました\n");
      Service().Queue().Post(platform::WindowMessage{msg::kQuit, 0, 0, true});
      g_state.destroyed = 1;
      break;
    case msg::kMove:
      if (g_state.windowMode && !g_state.modeChanging) HandleWindowMove(lParam);
      break;
    case msg::kSize:
      if (wParam != msg::kSizeMaximized) AdjustWindowToClientSize();
      break;
    case msg::kActivate:
      HandleActivate(wParam);
      break;
    case msg::kPaint:
      if (!g_state.initialised && g_state.region == nullptr) {
        Service().PaintBlack();
      } else {
        PresentFrameWindowed();
      }
      break;
    case msg::kClose:
      WriteLog("ウインドウを閉じようとしています\n");
      DestroyWindowNow();
      return 0;
    case msg::kSetCursor:
    case msg::kMouseMove:
    case msg::kLButtonDown:
    case msg::kLButtonUp:
    case msg::kRButtonDown:
    case msg::kRButtonUp:
    case msg::kMButtonDown:
    case msg::kMButtonUp:
      if (g_state.cursorState == 0) Service().SetCursorShown(false);
      break;
    case msg::kDisplayChange:
      HandleDisplayChange(wParam, lParam);
      break;
    case msg::kKeyDown: {
      if (IsCharCodeRingFull()) break;
      int code = 0;
      switch (wParam) {
        case vk::kDelete:
          code = kCharCodeDelete;
          break;
        case vk::kLeft:
          code = kCharCodeLeft;
          break;
        case vk::kRight:
          code = kCharCodeRight;
          break;
        case vk::kUp:
          code = kCharCodeUp;
          break;
        case vk::kDown:
          code = kCharCodeDown;
          break;
        default:
          break;
      }
      if (code != 0) PutCharCode(code);
      break;
    }
    case msg::kChar:
      PutCharCode(static_cast<int>(wParam & 0xFF));
      break;
    case msg::kImeStartComposition:
    case msg::kImeEndComposition:
    case msg::kImeComposition:
    case msg::kImeSetContext:
    case msg::kImeNotify:
      return HandleImeMessage(window, message, wParam, lParam);
    case msg::kSysCommand:
      if ((wParam & 0xFFF0) == msg::kScreenSave) return 1;
      break;
    case msg::kSizing:
      if (g_state.windowMode && lParam != 0) {
        HandleSizing(wParam, reinterpret_cast<int32_t*>(static_cast<intptr_t>(lParam)));
      }
      break;
    case msg::kMoving:
      if (!g_state.windowMode && lParam != 0) {
        auto* rect = reinterpret_cast<int32_t*>(static_cast<intptr_t>(lParam));
        platform::ClientRect c = Service().GetClientRect();
        rect[0] = c.x;
        rect[1] = c.y;
        rect[2] = c.x + c.width;
        rect[3] = c.y + c.height;
      }
      break;
    case msg::kMciNotify:
      HandleMciNotify();
      break;
    case msg::kSocket:
      return HandleSocketMessage(window, message, wParam, lParam);
    case msg::kMediaEvent:
      HandleDirectShowMusicNotify();
      break;
    default:
      break;
  }
  return 0;
}

int PumpMessages() {
  WindowSystemState& s = g_state;
  if (s.pumpGuard) return 0;
  // Without a window nothing can become active, so there is nothing to hold for.
  auto inactive = [&]() { return !s.active && s.window != 0 && Service().HasWindow(); };
  int taken = 0;
  bool queueEmpty = false;
  bool limitReached = false;
  bool firstPass = true;
  for (;;) {
    bool mayLeave = s.closePosted || !inactive();
    if (!firstPass && mayLeave && (queueEmpty || s.destroyed || limitReached)) break;
    firstPass = false;
    if (inactive()) platform::SleepMilliseconds(1);
    Service().PollEvents();
    queueEmpty = false;
    bool leave = false;
    for (;;) {
      platform::WindowMessage m;
      if (!TakeMessage(&m)) {
        queueEmpty = true;
        break;
      }
      if (m.id == msg::kActivateApp) s.active = (m.wParam & 0xFFFF) != 0 ? 1 : 0;
      if (s.destroyed) {
        leave = true;
        break;
      }
      if (m.id == msg::kQuit) s.destroyed = 1;
      TranslateMessage(m);
      DispatchMessage(m);
      // Five messages in the first pass, then one per pass: an active window gives the frame
      // back after at most six.
      if (++taken >= 5) {
        if (taken > 5) limitReached = true;
        break;
      }
    }
    if (leave) break;
    if (inactive()) {
      PumpNetWorkMessages(1);
      ProcessHttpTransfers();
      UpdateStreamSounds();
      platform::SleepMilliseconds(1);
    }
    if (s.destroyed) break;
  }
  UpdateCursorAndMenu();
  UpdateStreamSounds();
  UpdateMidiHandles();
  ClearKeyboardBuffer();
  PumpNetWorkMessages(1);
  ProcessHttpTransfers();
  s.pumpGuard = 1;
  ProcessKeyInput();
  s.pumpGuard = 0;
  // A program that never presents counts its pump calls as the frames of scripted input.
  platform::NotifyPump();
  return s.destroyed ? -1 : 0;
}

int IsWindowDestroyed() {
  return g_state.destroyed;
}

int HasMainWindow() {
  return g_state.window != 0 ? 1 : 0;
}

void WaitActiveAndRestore() {
  if (g_state.active || g_state.window == 0) return;
  while (!g_state.active && g_state.window != 0 && Service().HasWindow()) {
    if (PumpMessages() != 0) break;
  }
  RestoreLostGraphs();
}

int ChangeWindowMode(int flag) {
  WriteLog("ChangeWindowMode実行 \n");
  flag = flag != 0 ? 1 : 0;
  if (flag == g_state.windowMode) return 0;
  g_state.styleApplied = 1;
  SetWindowModeFlag(flag);
  if (g_state.window == 0) return 0;
  g_state.modeChanging = 1;
  g_state.displayChanged = 0;
  ApplyWindowStyle();
  int result = ChangeScreenMode(-1, -1, -1, 1, -1);
  while (PumpMessages() == 0 && !g_state.displayChanged) {
  }
  g_state.modeChanging = 0;
  return result;
}

int SetWindowModeFlag(int flag) {
  g_state.windowMode = flag != 0 ? 1 : 0;
  WriteLog(g_state.windowMode ? "ウインドウモードフラグが立てられました\n"
                              : "ウインドウモードフラグが倒されました\n");
  if (g_state.menuInUse) g_state.menuShown = ShouldShowMenu();
  return 0;
}

int ApplyWindowStyle() {
  if (g_state.window == 0) return 0;
  platform::WindowService& svc = Service();
  int w = 0, h = 0;
  GetScreenSize(&w, &h);
  if (!g_state.windowMode) {
    WriteLog("ウインドウスタイルをフルスクリーンモード用に変更します... ");
    svc.SetKind(platform::WindowKind::kFullScreen);
    g_state.client[0] = 0;
    g_state.client[1] = 0;
    g_state.client[2] = w;
    g_state.client[3] = h;
    svc.SetClientRect(platform::ClientRect{0, 0, w, h});
    SetMouseVisible(0);
  } else {
    WriteLog("ウインドウスタイルをウインドウモード用に変更します... ");
    svc.SetKind(platform::WindowKind::kWindowed);
    double scale = GetWindowScale();
    int sw = static_cast<int>(w * scale);
    int sh = static_cast<int>(h * scale);
    platform::ClientRect c{(g_state.desktopWidth - sw) / 2, (g_state.desktopHeight - sh) / 2, sw,
                           sh};
    svc.SetClientRect(c);
    StoreClient(c);
    if (c.x < 0 || c.y < 0) {
      c.x = 0;
      c.y = 0;
      StoreClient(c);
      svc.SetClientRect(c);
    }
    SetMouseVisible(1);
  }
  WriteLog("完了\n");
  svc.Raise();
  PostToWindow(msg::kSetCursor, g_state.window, 0);
  return 0;
}

int SetWindowTitle(const char* text) {
  CopyString(g_state.title, sizeof g_state.title, text != nullptr ? text : "");
  if (g_state.window != 0) Service().SetTitle(platform::GbkToUtf8(g_state.title));
  return 0;
}

int SetWindowIcon(int resourceId) {
  // Recorded only: programs here carry no icon resources.
  g_state.iconId = resourceId;
  return 0;
}

int SetMouseVisible(int flag) {
  g_state.cursorRequest = flag;
  int wanted = flag == 1 ? 1 : ShouldShowMenu();
  if (wanted == g_state.cursorState) return 0;
  Service().SetCursorShown(wanted != 0);
  PostToWindow(msg::kSetCursor, g_state.window, 0);
  g_state.cursorState = wanted;
  return 0;
}

int GetMousePosition(int* x, int* y) {
  int mx = 0, my = 0;
  Service().MousePosition(&mx, &my);
  if (g_state.windowMode) {
    double scale = GetWindowScale();
    mx = static_cast<int>((mx - g_state.client[0]) / scale);
    my = static_cast<int>((my - g_state.client[1]) / scale);
  }
  if (x != nullptr) *x = mx;
  if (y != nullptr) *y = my;
  return 0;
}

int UpdateCursorAndMenu() {
  if (g_state.windowMode || g_state.window == 0) return 0;
  int mx = 0, my = 0;
  Service().MousePosition(&mx, &my);
  g_state.mouseNearTop = my < 60 ? 1 : 0;
  SetMouseVisible(g_state.cursorRequest);
  SetMenuVisible(!g_state.menuHiddenByRequest);
  return 0;
}

void HandleWindowMove(int64_t lParam) {
  int x = static_cast<int16_t>(static_cast<uint16_t>(lParam & 0xFFFF));
  int y = static_cast<int16_t>(static_cast<uint16_t>((lParam >> 16) & 0xFFFF));
  int w = ClientWidth(), h = ClientHeight();
  g_state.client[0] = x;
  g_state.client[1] = y;
  g_state.client[2] = x + w;
  g_state.client[3] = y + h;
  // While a mask is in use draws go to the mask surface at the screen's origin, and the copy
  // back finds the client position itself.
  if (GetDrawTargetHandle() == -4 && DrawsAtClientPosition(-4)) SetScreenRect(g_state.client);
  SetClipRect(g_state.drawArea[0], g_state.drawArea[1], g_state.drawArea[2], g_state.drawArea[3]);
}

int StoreDrawArea(const int area[4]) {
  std::memcpy(g_state.drawArea, area, sizeof g_state.drawArea);
  return 0;
}

WindowHandle GetMainWindow() {
  return g_state.window;
}
int IsWindowMode() {
  return g_state.windowMode;
}

int GetWindowClientScreenRect(int out[4]) {
  std::memcpy(out, g_state.client, sizeof g_state.client);
  return 0;
}

int GetDesktopScreenInfo(int* width, int* height, int* depth) {
  if (width != nullptr) *width = g_state.desktopWidth;
  if (height != nullptr) *height = g_state.desktopHeight;
  if (depth != nullptr) *depth = g_state.desktopDepth;
  return 0;
}

int GetDefaultCursorVisible() {
  return g_state.cursorRequest;
}

int GetLibraryVersion(int* version, int* directXLevel, int* osNumber) {
  if (version != nullptr) *version = 0x219B;
  if (directXLevel != nullptr) *directXLevel = LibraryDirectXLevel();
  // The system's version is not reduced to one number here.
  if (osNumber != nullptr) *osNumber = 0;
  return 0;
}

int GetDisplayValue() {
  return 0;
}
int IsClosePosted() {
  return g_state.closePosted;
}
int HasWindowRegion() {
  return g_state.region != nullptr ? 1 : 0;
}
double GetWindowScale() {
  return g_state.scale > 0.0 ? g_state.scale : 1.0;
}
int IsMenuInUse() {
  return g_state.menuInUse;
}

Menu* CreateMenu() {
  return new Menu();
}

int AppendMenuItem(Menu* menu, uint16_t identifier, const char* text, Menu* subMenu) {
  if (menu == nullptr) return -1;
  menu->items.push_back(
      Menu::Item{identifier, text != nullptr ? text : "", text == nullptr, subMenu});
  return 0;
}

void DestroyMenu(Menu* menu) {
  if (menu == nullptr) return;
  for (Menu::Item& item : menu->items) DestroyMenu(item.subMenu);
  delete menu;
}

int SetMenuInUse(int flag) {
  if (flag) {
    if (g_state.menu == nullptr) g_state.menu = CreateMenu();
    g_state.menuInUse = 1;
    g_state.menuShown = 0;
    SetMenuVisible(1);
    g_state.menuItems.clear();
    return 0;
  }
  if (!g_state.menuInUse && g_state.menu == nullptr) return 0;
  SetMenuVisible(0);
  DestroyMenu(g_state.menu);
  g_state.menu = nullptr;
  g_state.menuInUse = 0;
  g_state.menuShown = 0;
  g_state.menuHiddenByRequest = 0;
  g_state.menuItems.clear();
  return 0;
}

int SetMenuVisible(int flag) {
  g_state.menuHiddenByRequest = flag ? 0 : 1;
  int wanted = ShouldShowMenu();
  if (wanted != g_state.menuShown) {
    g_state.menuShown = wanted;
    if (g_state.windowMode) ApplyWindowStyle();
    PostToWindow(msg::kPaint);
  }
  return 0;
}

int IsMenuShownByRequest() {
  return g_state.menuHiddenByRequest ? 0 : 1;
}

int ShouldShowMenu() {
  return g_state.window != 0 && g_state.menuInUse && !g_state.menuHiddenByRequest &&
                 (g_state.windowMode || g_state.mouseNearTop)
             ? 1
             : 0;
}

int GetMenuItemText(uint16_t identifier, char text[128]) {
  const MenuItemRecord* r = FindMenuItem(nullptr, identifier);
  if (r == nullptr) return -1;
  CopyString(text, 128, r->text);
  return 0;
}

int ReadMenuItem(const Menu* menu, int position, MenuItemInfo* info) {
  if (menu == nullptr || position < 0 || static_cast<size_t>(position) >= menu->items.size()) {
    return -1;
  }
  const Menu::Item& item = menu->items[static_cast<size_t>(position)];
  if (info != nullptr) {
    info->identifier = item.identifier;
    CopyString(info->text, sizeof info->text, item.text.c_str());
    info->subMenu = item.subMenu;
  }
  return item.separator ? 1 : 0;
}

int RegisterMenuItems(const Menu* menu) {
  if (menu == nullptr) return -1;
  CollectMenuItems(menu, &g_state.menuItems);
  return 0;
}

const MenuItemRecord* FindMenuItem(const char* name, uint16_t identifier) {
  for (const MenuItemRecord& r : g_state.menuItems) {
    if (name != nullptr ? std::strcmp(r.text, name) == 0 : r.identifier == identifier) return &r;
  }
  return nullptr;
}

Region* CreateRegionFromPixels(int width, int height, const void* pixels, int pitch,
                               int bytesPerPixel) {
  if (width <= 0 || height <= 0 || pixels == nullptr || bytesPerPixel < 1 || bytesPerPixel > 4 ||
      pitch < width * bytesPerPixel) {
    return nullptr;
  }
  auto* region = new Region();
  const auto* base = static_cast<const unsigned char*>(pixels);
  for (int y = 0; y < height; ++y) {
    const unsigned char* row = base + static_cast<size_t>(y) * static_cast<size_t>(pitch);
    int runStart = -1;
    for (int x = 0; x <= width; ++x) {
      bool opaque = false;
      if (x < width) {
        const unsigned char* p = row + static_cast<size_t>(x) * static_cast<size_t>(bytesPerPixel);
        for (int b = 0; b < bytesPerPixel; ++b) opaque = opaque || p[b] != 0;
      }
      if (opaque && runStart < 0) runStart = x;
      if (!opaque && runStart >= 0) {
        region->rects.push_back({runStart, y, x, y + 1});
        runStart = -1;
      }
    }
  }
  return region;
}

void DeleteRegion(Region* region) {
  delete region;
}

int GetRegionRectCount(const Region* region) {
  return region != nullptr ? static_cast<int>(region->rects.size()) : 0;
}

int GetRegionRect(const Region* region, int index, int out[4]) {
  if (region == nullptr || index < 0 || static_cast<size_t>(index) >= region->rects.size()) {
    return -1;
  }
  std::memcpy(out, region->rects[static_cast<size_t>(index)].data(), 4 * sizeof(int));
  return 0;
}

int SetWindowRegion(Region* region) {
  if (g_state.region != region) DeleteRegion(g_state.region);
  g_state.region = region;
  if (g_state.window != 0) PostToWindow(msg::kPaint);
  return 0;
}

int SetWindowRegionFromGraph(int graph) {
  if (graph == 0) return SetWindowRegion(nullptr);
  GraphImage image{};
  if (CopyGraphForRegion(graph, &image) != 0) return -1;
  int bytes = image.format.bytesPerPixel;
  Region* region =
      CreateRegionFromPixels(image.width, image.height, image.pixels, image.pitch, bytes);
  FreeGraphImage(&image);
  if (region == nullptr) return -1;
  return SetWindowRegion(region);
}

}  // namespace morrow
