#include "morrow/system/library.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include "morrow/device/screen.h"
#include "morrow/graphics/draw.h"
#include "morrow/network/network.h"
#include "morrow/sound/sound.h"
#include "morrow/system/char_input.h"
#include "morrow/system/input.h"
#include "morrow/system/log.h"
#include "morrow/system/stream.h"
#include "morrow/system/time.h"
#include "morrow/system/window_state.h"
#include "platform/clock.h"
#include "platform/codepage.h"
#include "platform/debug_output.h"
#include "platform/input.h"
#include "platform/instance_lock.h"
#include "platform/system_info.h"
#include "platform/window.h"

namespace morrow {
namespace {

// What the start measures once and the end needs; unlike the window block it is not cleared
// when the window is set up, so the end still finds COM to end and the version call still finds
// the level measured.
struct LibraryState {
  std::string directory;  // GBK, as the file-access table gave it
  int comInitialised = 0;
  int directXLevel = 0;
  int windowMade = 0;  // a window was created by this start
  uint64_t timeStampTicks = 0;
  std::string noDisplay;  // why the last start found no display, for its caller to tell
};
LibraryState g_library;

constexpr const char* kClassName = "Morrow";
constexpr int kDirectXReady = 0x70000;

platform::WindowService& Service() {
  return platform::CurrentWindowService();
}

[[noreturn]] void EndProcess(int code) {
  std::fflush(nullptr);
  std::_Exit(code);
}

// A start that returns -1 says why on standard error too: the caller has nothing else to show,
// and the log may sit in a folder nobody looks in.
int RefuseStart(const char* reason) {
  platform::ErrorOutput(std::string("morrow: the library did not start: ") + reason + "\n");
  return -1;
}

int DesktopDepth() {
  platform::DesktopInfo d;
  return Service().Desktop(&d) ? d.bitsPerPixel : 0;
}

void LogDirectXLevel(int level) {
  std::string text = "ＤｉｒｅｃｔＸ　Ver";
  text += std::to_string((level >> 16) & 0xFF);
  text += ".";
  text += std::to_string((level >> 8) & 0xFF);
  int letter = level & 0xFF;
  if (letter >= 'a' && letter <= 'z') text += static_cast<char>(letter);
  text += "以上";
  WriteLog(text.c_str());
  WriteLog("\n");
}

void LogProcessor() {
  platform::CpuInfo cpu = platform::ReadCpuInfo();
  if (cpu.hasCpuid && cpu.hasTimeStampCounter) {
    int32_t start = GetMillisecondCount(0);
    uint64_t first = platform::ReadTimeStampCounter();
    while (GetMillisecondCount(0) - start < 500) {
    }
    g_library.timeStampTicks = platform::ReadTimeStampCounter() - first;
    WriteLogFormat("ＣＰＵ動作速度：%dMHz", static_cast<int>(g_library.timeStampTicks / 500000));
  }
  if (!cpu.hasCpuid) {
    WriteLog("ＣＰＵＩＤ命令は使えません\n");
    return;
  }
  WriteLog(cpu.hasMmx ? "ＭＭＸ命令を使用します\n" : "ＭＭＸは使えません\n");
  WriteLog("ＣＰＵベンダ：");
  WriteLog(cpu.vendor.c_str());
  WriteLog("\n");
  if (!cpu.brand.empty()) {
    WriteLog("ＣＰＵ名：");
    WriteLog(cpu.brand.c_str());
    WriteLog("\n");
  }
}

// The start's test of which clock changes more often: the millisecond timer or the counter.
void TestTimerPrecision(WindowSystemState& s) {
  WriteLog("タイマーの精度を検査します\n");
  int32_t lastTimer = GetMillisecondCount(0);
  int64_t lastCounter = GetHighResolutionCount(1);
  int timerChanges = 0, counterChanges = 0;
  while (timerChanges < 60 && counterChanges < 60) {
    if (PumpMessages() != 0) break;
    int64_t counter = GetHighResolutionCount(1);
    if (counter != lastCounter) {
      ++counterChanges;
      lastCounter = counter;
    }
    int32_t timer = GetMillisecondCount(0);
    if (timer != lastTimer) {
      ++timerChanges;
      lastTimer = timer;
    }
  }
  WriteLogFormat("精度結果 更新回数 マルチメディアタイマー：%d  パフォーマンスカウンター：%d",
                 timerChanges, counterChanges);
  if (timerChanges > counterChanges) {
    WriteLogFormat("マルチメディアタイマーを使用します タイマー分解能 : %d.00 ms ",
                   s.timerMinimumPeriod);
    s.useCounter = 0;
  } else {
    WriteLogFormat("パフォーマンスカウンターを使用します タイマー分解能 : %lf KHz ",
                   static_cast<double>(s.counterFrequency) * 0.001);
  }
}

// The high-resolution count is the monotonic clock in microseconds.
void QueryCounter(WindowSystemState& s) {
  s.counterFrequency = 1000000;
  s.useCounter = s.counterFrequency != 0 ? 1 : 0;
}

}  // namespace

int LibraryDirectXLevel() {
  return g_library.directXLevel;
}

const char* LibraryNoDisplayReason() {
  return g_library.noDisplay.c_str();
}

int InitLibrary() {
  WindowSystemState& s = WindowState();
  SetFileAccessTable(nullptr);
  char directory[kMaxPathBytes + 1];
  if (GetCurrentDir(directory, sizeof directory) != 0) directory[0] = '\0';
  g_library.directory = directory;
  SetLogDirectory(platform::GbkToUtf8(directory));

  // The instance check comes before the log is started, so a second start cannot truncate the
  // log of the first: it only adds its own lines.
  if (!Service().AcquireInstance(kClassName)) {
    // A second start leaves without a window: this line is all it shows.
    platform::ErrorOutput("morrow: another instance is running (it holds " +
                          platform::InstanceLock::PathFor(kClassName) + ")\n");
    ContinueLogFile();
    WriteLog("ソフトの２重起動検査... ");
    WriteLog("２重起動されています、ソフトを終了します\n");
    EndProcess(0);
  }
  StartLogFile();

  // A display service that would draw nowhere is no display, but no error of the machine's
  // either: the start ends before anything is shown, and the caller tells the user what to set.
  g_library.noDisplay.clear();
  if (!Service().StartVideo() && !Service().VideoRefusal().empty()) {
    g_library.noDisplay = Service().VideoRefusal();
    Service().ReleaseInstance();
    return -1;
  }
  if ((DesktopDepth() == 24 && s.windowMode) || GetScreenBitDepth() == 24) {
    WriteLog("Morrowは２４ビットカラーモードに対応していません\n");
    Service().ReleaseInstance();
    Service().StopVideo();
    return RefuseStart("24-bit colour is not supported");
  }
  QueryCounter(s);
  LogSystemInfo();
  InitStreamTables();
  SetGraphReloadCallback(nullptr);

  const char* failed = InitCom() == -1            ? "COM is started already"
                       : CreateMainWindow() == -1 ? "the main window could not be made"
                       : ClearHttpTable() == -1   ? "the HTTP table could not be cleared"
                       : InitDirectInput() == -1  ? "the input devices could not be opened"
                                                  : nullptr;
  if (failed != nullptr) {
    EndLibrary();
    return RefuseStart(failed);
  }
  // Without a sound device the game runs silent.
  InitSoundSystem();
  if (StartDisplay(s.window) < 0) {
    EndLibrary();
    return RefuseStart("the display could not be set up");
  }
  InitCharCodeBuffer();
  s.initialised = 1;
  SetDDrawStartFlag(1);
  if (!s.windowMode) ForceForegroundWindow(s.window, 1);
  InitScreenLog();
  // Scripted input counts its frames from here.
  platform::BeginInputFrames();
  return 0;
}

int EndLibrary() {
  WindowSystemState& s = WindowState();
  platform::EndInputFrames();
  EndScreenLog();
  EndHttp();
  EndNetWork();
  ReleaseMusicObjects();
  StopMusicPlayback();
  EndDisplay();
  TerminateDirectInput();
  EndSoundSystem();
  DestroyMainWindow();
  EndCom();
  s.initialised = 0;
  // Without a window there is nothing to wait for: the pump would report it open for ever.
  while (g_library.windowMade && PumpMessages() == 0 && !s.destroyed) {
  }
  g_library.windowMade = 0;
  if (!g_library.directory.empty()) SetCurrentDir(g_library.directory.c_str());
  Service().ReleaseInstance();
  Service().StopVideo();
  return 0;
}

int CreateMainWindow() {
  platform::WindowService& svc = Service();
  ClearWindowStateForStart();
  WindowSystemState& s = WindowState();
  s.creating = 1;

  // The instance lock was taken before the log started; a second instance never gets here.
  WriteLog("ソフトの２重起動検査... ");
  WriteLog("２重起動はされていませんでした\n");

  platform::MemoryInfo mem;
  platform::ReadMemoryInfo(&mem);
  WriteLogFormat("メモリ総量:%.2fMB  空きメモリ領域:%.2fMB ",
                 static_cast<double>(mem.totalBytes) * (1.0 / 1048576),
                 static_cast<double>(mem.freeBytes) * (1.0 / 1048576));

  platform::DesktopInfo desktop;
  svc.Desktop(&desktop);
  s.desktopWidth = desktop.width;
  s.desktopHeight = desktop.height;
  s.desktopDepth = desktop.bitsPerPixel;
  int w = 0, h = 0;
  GetScreenSize(&w, &h);

  // The class is the window's identity; the window system here needs no registration.
  WriteLog("ウインドウクラスを登録します... ");
  WriteLog("登録に成功しました\n");

  if (s.title[0] == '\0') SetWindowTitle(kClassName);
  std::string title = platform::GbkToUtf8(s.title);

  bool created;
  if (s.windowMode) {
    WriteLog("ウインドウモード起動用のウインドウを作成します\n");
    s.cursorRequest = 1;
    platform::ClientRect c{(s.desktopWidth - w) / 2, (s.desktopHeight - h) / 2, w, h};
    created = svc.CreateMainWindow(title, c, platform::WindowKind::kWindowed);
  } else {
    WriteLog("フルスクリーンモード用のウインドウを作成します\n");
    s.cursorRequest = 0;
    created = svc.CreateMainWindow(title, platform::ClientRect{0, 0, w, h},
                                   platform::WindowKind::kFullScreen);
  }
  if (!created) {
    WriteLog("ウインドウの作成に失敗しました\n");
    s.creating = 0;
    return -1;
  }
  s.window = kMainWindowHandle;
  g_library.windowMade = 1;
  SendToWindow(platform::msg::kCreate);

  svc.Show();
  SendToWindow(platform::msg::kPaint);

  s.closePosted = 0;
  s.destroyed = 0;
  s.active = 1;

  if (!s.windowMode) {
    WriteLog("カーソルを不可視にしました\n");
    svc.SetCursorShown(false);
  }
  // Typed characters still arrive as character messages; only composing is switched off.
  WriteLog("ＩＭＥを無効にしました\n");
  svc.EnableInputMethod(false);

  if (s.windowMode) {
    platform::ClientRect c = svc.GetClientRect();
    s.client[0] = c.x;
    s.client[1] = c.y;
    s.client[2] = c.x + c.width;
    s.client[3] = c.y + c.height;
  }
  // The text is GBK: the lead-byte rule of the Korean code page never applies.
  s.leadByteSelector = 1;
  SetMouseVisible(s.cursorRequest);

  QueryCounter(s);
  s.timerMinimumPeriod = 1;
  if (s.useCounter) TestTimerPrecision(s);

  SeedRandom(static_cast<uint32_t>(GetMillisecondCount(0)));

  svc.Raise();
  int32_t start = GetMillisecondCount(0);
  while (GetMillisecondCount(0) - start < 200) {
    if (PumpMessages() != 0) break;
    platform::SleepMilliseconds(1);
  }
  AdjustWindowToClientSize();
  s.creating = 0;
  return 0;
}

int DestroyMainWindow() {
  WindowSystemState& s = WindowState();
  if (s.window == 0) return 0;
  SetMouseVisible(1);
  SetWindowRegion(nullptr);
  SetMenuInUse(0);
  if (!s.closePosted) {
    s.closePosted = 1;
    PostToWindow(platform::msg::kClose);
    while (PumpMessages() == 0) {
    }
  }
  // A close posted earlier may not have been dispatched yet: the window goes now in any case, and
  // its procedure still sees the destroy message.
  DestroyWindowNow();
  DeleteAllKeyInputs();
  s.window = 0;
  Service().ReleaseInstance();
  return 0;
}

int InitCom() {
  WriteLog("ＣＯＭの初期化... ");
  if (g_library.comInitialised) {
    WriteLog("ＣＯＭの初期化に失敗しました\n");
    return -1;
  }
  g_library.comInitialised = 1;
  WriteLog("成功しました\n");
  return 0;
}

int EndCom() {
  if (!g_library.comInitialised) return -1;
  g_library.comInitialised = 0;
  WriteLog("ＣＯＭを終了... 完了\n");
  return 0;
}

void LogSystemInfo() {
  WriteLog("システムの情報を出力します\n");
  IncreaseLogIndent();
  WriteLog("Morrow Ver");
  WriteLog("2.19b");
  WriteLog("\n");

  platform::OsInfo os;
  WriteLog("ＯＳ  ");
  if (platform::ReadOsInfo(&os)) {
    WriteLog((os.name + " " + os.release).c_str());
    WriteLogFormat(" ( Build %s %s )", os.version.c_str(), os.machine.c_str());
  } else {
    WriteLogFormat("%s", "");
  }

  // The display service stands where the graphics runtime stood: present, it offers everything
  // the library asks of that runtime's seventh version.
  int level = 0;
  if (Service().StartVideo()) {
    level = kDirectXReady;
  } else {
    WriteLog("DirectX がインストールされていません\n");
  }
  g_library.directXLevel = level;
  LogDirectXLevel(level);
  LogProcessor();
  DecreaseLogIndent();

  if (level < kDirectXReady) {
    Service().ShowMessageBox(
        "エラー", level == 0 ? "DirectX がインストールされていないのでここで終了します"
                             : "DirectX バージョン 7 以前なのでソフトを起動することが出来ません");
    EndProcess(-1);
  }
}

int StartDisplay(WindowHandle) {
  InitDirectDraw();
  return 0;
}

int EndDisplay() {
  TerminateDirectDraw();
  return 0;
}

void AdjustWindowToClientSize() {
  WindowSystemState& s = WindowState();
  if (s.window == 0) return;
  int w = 0, h = 0;
  GetScreenSize(&w, &h);
  double scale = GetWindowScale();
  platform::ClientRect c = Service().GetClientRect();
  c.width = static_cast<int>(w * scale);
  c.height = static_cast<int>(h * scale);
  Service().SetClientRect(c);
  if (s.windowMode && !s.styleApplied) {
    s.styleApplied = 1;
    ApplyWindowStyle();
  }
}

void ForceForegroundWindow(WindowHandle window, int topmost) {
  if (window == 0) return;
  Service().Raise();
  if (topmost == 1) Service().SetTopmost(true);
}

}  // namespace morrow
