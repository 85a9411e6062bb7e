#include "morrow/system/library.h"

#include <string>
#include <vector>

#include <SDL.h>
#include <stdlib.h>

#include <gtest/gtest.h>

#include "morrow/system/time.h"
#include "morrow/system/window.h"
#include "platform/system_info.h"
#include "tests/morrow/system/library_fixture.h"

namespace {

using testsupport::LibraryFixture;

// The system-information block as this machine writes it.
std::vector<std::string> SystemInfoLines(bool display) {
  std::vector<std::string> lines = {"システムの情報を出力します", "\tMorrow Ver2.19b",
                                    "\tＯＳ  * ( Build * )"};
  if (display) {
    lines.push_back("\tＤｉｒｅｃｔＸ　Ver7.0以上");
  } else {
    lines.push_back("\tDirectX がインストールされていません");
    lines.push_back("\tＤｉｒｅｃｔＸ　Ver0.0以上");
  }
  platform::CpuInfo cpu = platform::ReadCpuInfo();
  if (cpu.hasCpuid && cpu.hasTimeStampCounter) lines.push_back("\tＣＰＵ動作速度：#MHz");
  if (!cpu.hasCpuid) {
    lines.push_back("\tＣＰＵＩＤ命令は使えません");
    return lines;
  }
  lines.push_back(cpu.hasMmx ? "\tＭＭＸ命令を使用します" : "\tＭＭＸは使えません");
  lines.push_back("\tＣＰＵベンダ：*");
  if (!cpu.brand.empty()) lines.push_back("\tＣＰＵ名：*");
  return lines;
}

std::vector<std::string> Concat(std::vector<std::string> a, const std::vector<std::string>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// The sound start on the manual mixer (the fixture's choice), then the sound end that comes
// before the window's.
const std::vector<std::string> kSoundStartLines = {
    "DirectSound の初期化を行います",
    "DirectSound インターフェースの取得を行います....  成功",
    "引き続きインターフェースの初期化処理...  成功",
    "\tDirectSound デバイスを列挙します",
    "\t\tモジュール名:         manual  ドライバ記述:manual mixer ",
    "\t最大サンプリングレート:192.00KHz 最小サンプリングレート:0.10KHz ",
    "\t総サウンドメモリ領域:0.00KB 空きサウンドメモリ領域:0.00KB ",
    "\t利用可能サンプリング精度",
    "\t プライマリ １６bit = OK  ８bit = OK ",
    "\t セカンダリ １６bit = OK  ８bit = OK ",
    "\t利用可能チャンネル",
    "\t プライマリ MONO = OK  STEREO = OK ",
    "\t セカンダリ MONO = OK  STEREO = OK ",
    "DirectSound の初期化は正常に終了しました",
};

const std::vector<std::string> kEndLines = {
    "DirectInput 関連の終了処理... 完了", "DirectSound の終了処理は正常に終了しました",
    "ウインドウを閉じようとしています",   "ウインドウが破棄されようとしています",
    "ソフトを終了する準備が整いました",   "ＣＯＭを終了... 完了",
};

class LibraryStart : public LibraryFixture {};

// The display's start inside a window-mode start, and its end.
const std::vector<std::string> kDisplayStartLines = {
    "DirectDraw 関連の初期化を行います",
    "\tDirectDraw オブジェクトの取得を行います....  成功",
    "\t引き続き初期化処理... 初期化に成功しました",
    "\tビデオカードの情報",
    "\t\tビデオカードドライバ:* バージョン:#.#.#.# ",
    "\t\tドライバ記述:* ",
    "\t\tビデオメモリ総量:#.#MB ビデオメモリ空き容量:#.#MB",
    "\t画面モード変更処理を開始します",
    "\t\t画面モードの変更処理を開始します 640 x 480  16 bit ",
    "\t\t\tウインドウモードにします",
    "\t\t画面モードの変更は正常に終了しました ",
    "\t\tカラー情報",
    "\t\tA:00000000  B:*  G:*  B:*",
    "\t\tウインドウスタイルをウインドウモード用に変更します... 完了",
    "\t\t出力画面用の DirectDrawSurface を作成します",
    "\t\t\t各スクリーンメモリの配置位置",
    "\t\t\t\tPrimaryBuffer : VIDEOMEMORY  ",
    "\t\t\t\tBaskBuffer : VIDEOMEMORY  ",
    "\t\t出力画面用の DirectDrawSurface の作成は正常に終了しました",
    "\t\tDirect3D 関連の初期化を行います",
    "\t\tＤｉｒｅｃｔ３Ｄオブジェクトを取得します",
    "\t\tDirect3Dオブジェクトの作成に失敗しました",
    "\t\tグラフィック管理系の初期化を行います",
    "\t\t\t３Ｄグラフィック描画機能は使用しません",
    "\t\t\tフォントの初期化を行います",
    "\t\t\tフォントの初期化は正常に終了しました",
    "\t\tグラフィック管理系の初期化は正常に終了しました",
    "\t\tサーフェス間転送には * を使用します",
    "\t\tBitBlt:#μs   BltFast:#μs",
    "\t\t１フレーム当たりの時間は # msecです",
    "\t\t\tTri#:# msec",
    "\t\t\tTri#:# msec",
    "\t\t\tTri#:# msec",
    "\t\t\tTri#:# msec",
    "\t画面モード変更処理は正常に終了しました",
    "\tオーバーレイサーフェスは使用しません",
    "DirectDraw 関連の初期化は正常に終了しました",
};

const std::vector<std::string> kDisplayEndLines = {
    "DirectDraw 関連の終了処理をおこないます",
    "\tフォントの初期化を行います",
    "\tフォントの初期化は正常に終了しました",
    "\tグラフィック管理系の終了処理は正常に終了しました",
    "\tメインサーフェスを破棄をします... 完了しました",
    "\t画面モードを元に戻す処理は正常に終了しました",
    "\tＤｉｒｅｃｔＤｒａｗオブジェクトを解放します",
    "\tＤｉｒｅｃｔＤｒａｗオブジェクトを解放しました",
    "DirectDraw 関連の終了処理は正常に終了しました",
};

// A window-mode start, one pump and the end, as the log tells it.
std::vector<std::string> WindowModeRunLines() {
  return Concat(
      Concat(SystemInfoLines(true),
             {
                 "ＣＯＭの初期化... 成功しました",
                 "ソフトの２重起動検査... ２重起動はされていませんでした",
                 "メモリ総量:#.#MB  空きメモリ領域:#.#MB ",
                 "ウインドウクラスを登録します... 登録に成功しました",
                 "ウインドウモード起動用のウインドウを作成します",
                 "ＩＭＥを無効にしました",
                 "タイマーの精度を検査します",
                 // The counter (microseconds) changes on every round, so it wins.
                 "精度結果 更新回数 マルチメディアタイマー：#  パフォーマンスカウンター：60",
                 "パフォーマンスカウンターを使用します タイマー分解能 : 1000.000000 KHz ",
                 "ウインドウスタイルをウインドウモード用に変更します... 完了",
                 "DirectInput関係初期化処理",
                 "\tDirectInputオブジェクトの取得中... 成功",
                 "\t\t引き続き初期化処理... 初期化成功",
                 "\tジョイパッドの初期化... ",
                 "\tジョイパッドの初期化は正常に終了しました",
                 "\tキーボードデバイスの初期化... 初期化成功",
                 "DirectInput 関連の初期化は正常に終了しました",
             }),
      Concat(Concat(Concat(kSoundStartLines, kDisplayStartLines),
                    {"文字コードバッファの初期化を行います... 完了しました"}),
             Concat(kDisplayEndLines, kEndLines)));
}

TEST_F(LibraryStart, WindowModeWritesEveryLineInOrder) {
  // The title a start with none gives the window is among what is checked; a title set before, in
  // this process, would outlive its library's end.
  morrow::SetWindowTitle("");
  morrow::ChangeWindowMode(1);
  ASSERT_EQ(morrow::InitLibrary(), 0);
  EXPECT_EQ(morrow::PumpMessages(), 0);
  EXPECT_EQ(morrow::EndLibrary(), 0);
  ExpectLines(LogLines(), WindowModeRunLines());
  // Centred on the 1024 x 768 desktop, titled by the class name, shown, then removed.
  ASSERT_GE(fake_.calls.size(), 4u);
  EXPECT_EQ(fake_.calls[0], "acquire");
  EXPECT_EQ(fake_.calls[1], "create Morrow");
  EXPECT_EQ(fake_.calls[2], "show");
  EXPECT_EQ(fake_.calls[3], "paint black");
  EXPECT_EQ(fake_.calls.back(), "release");
  EXPECT_EQ(fake_.calls[fake_.calls.size() - 2], "destroy");
  EXPECT_EQ(fake_.client.x, 192);
  EXPECT_EQ(fake_.client.y, 144);
  EXPECT_EQ(fake_.client.width, 640);
  EXPECT_EQ(fake_.client.height, 480);
  EXPECT_EQ(fake_.kind, platform::WindowKind::kWindowed);
  EXPECT_FALSE(fake_.window);
  EXPECT_FALSE(fake_.instanceHeld);
}

// The same run on SDL's dummy video driver and the real instance lock (the pads stay fake: the
// machine's own controllers would add their lines).
class LibraryStartSdl : public LibraryFixture {
 protected:
  void SetUp() override {
    LibraryFixture::SetUp();
    platform::InstallWindowService(nullptr);
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    unsetenv("MORROW_DESKTOP");
    setenv("XDG_RUNTIME_DIR", dir_.path().c_str(), 1);
  }
};

TEST_F(LibraryStartSdl, DummyDriverWritesTheSameLines) {
  morrow::ChangeWindowMode(1);
  ASSERT_EQ(morrow::InitLibrary(), 0);
  EXPECT_EQ(morrow::PumpMessages(), 0);
  int w = 0, h = 0, d = 0;
  morrow::GetDesktopScreenInfo(&w, &h, &d);
  EXPECT_GT(w, 0);
  EXPECT_NE(d, 24);  // 32-bit pixels count as 32 whatever SDL says of their bits
  EXPECT_EQ(morrow::EndLibrary(), 0);
  ExpectLines(LogLines(), WindowModeRunLines());
}

TEST_F(LibraryStartSdl, PushedQuitEndsTheRun) {
  morrow::ChangeWindowMode(0);
  ASSERT_EQ(morrow::InitLibrary(), 0);
  SDL_Event quit{};
  quit.type = SDL_QUIT;
  ASSERT_EQ(SDL_PushEvent(&quit), 1);
  EXPECT_EQ(morrow::PumpMessages(), -1);
  EXPECT_EQ(morrow::PumpMessages(), -1);
  EXPECT_EQ(morrow::EndLibrary(), 0);
  EXPECT_EQ(Count("ウインドウを閉じようとしています\n"), 1);
  EXPECT_EQ(Count("ＣＯＭを終了... 完了\n"), 1);
}

TEST_F(LibraryStart, FullScreenHidesTheCursorAndRaisesTheWindowOnTop) {
  morrow::ChangeWindowMode(0);
  ASSERT_EQ(morrow::InitLibrary(), 0);
  EXPECT_EQ(fake_.kind, platform::WindowKind::kFullScreen);
  EXPECT_FALSE(fake_.cursorShown);
  EXPECT_TRUE(fake_.topmost);
  EXPECT_EQ(morrow::IsWindowMode(), 0);
  int rect[4];
  morrow::GetWindowClientScreenRect(rect);
  // The display's start styles the window for full screen: it covers the screen from (0, 0).
  EXPECT_EQ(std::vector<int>(rect, rect + 4), (std::vector<int>{0, 0, 640, 480}));
  EXPECT_EQ(morrow::EndLibrary(), 0);
  std::vector<std::string> lines = LogLines();
  std::vector<std::string> wanted = {"フルスクリーンモード用のウインドウを作成します",
                                     "カーソルを不可視にしました", "ＩＭＥを無効にしました"};
  auto at = std::find(lines.begin(), lines.end(), wanted[0]);
  ASSERT_NE(at, lines.end());
  ASSERT_LE(static_cast<size_t>(lines.end() - at), lines.size());
  EXPECT_EQ(*(at + 1), wanted[1]);
  EXPECT_EQ(*(at + 2), wanted[2]);
  EXPECT_EQ(Count("ウインドウスタイルをフルスクリーンモード用に変更します... 完了\n"), 1);
  EXPECT_EQ(Count("ウインドウスタイルをウインドウモード用に変更します"), 0);
}

TEST_F(LibraryStart, SeedsTheGeneratorFromTheMillisecondClock) {
  morrow::ChangeWindowMode(1);
  ASSERT_EQ(morrow::InitLibrary(), 0);
  uint32_t first = morrow::NextRandomWord();
  morrow::EndLibrary();
  // The same start on the same clock gives the same words; a later start gives others.
  clock_.SetNow(1'000'000);
  ASSERT_EQ(morrow::InitLibrary(), 0);
  EXPECT_EQ(morrow::NextRandomWord(), first);
  morrow::EndLibrary();
  clock_.SetNow(9'000'000);
  ASSERT_EQ(morrow::InitLibrary(), 0);
  EXPECT_NE(morrow::NextRandomWord(), first);
}

TEST_F(LibraryStart, EmptyTitleBecomesTheClassNameAndTitlesConvertToUtf8) {
  morrow::SetWindowTitle("");
  morrow::ChangeWindowMode(1);
  ASSERT_EQ(morrow::InitLibrary(), 0);
  EXPECT_EQ(fake_.title, "Morrow");
  morrow::SetWindowTitle("\xD6\xD0\xCE\xC4");  // two GBK characters
  EXPECT_EQ(fake_.title, "中文");
  // At most 255 bytes are kept.
  morrow::SetWindowTitle(std::string(300, 'a').c_str());
  EXPECT_EQ(fake_.title, std::string(255, 'a'));
}

struct RefusalCase {
  int windowMode;
  int desktopBits;
  bool refused;
};

class LibraryRefusal : public LibraryFixture, public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(LibraryRefusal, TwentyFourBitDesktopIsRefusedInWindowMode) {
  const RefusalCase& c = GetParam();
  fake_.desktop.bitsPerPixel = c.desktopBits;
  morrow::ChangeWindowMode(c.windowMode);
  int r = morrow::InitLibrary();
  if (c.refused) {
    EXPECT_EQ(r, -1);
    ExpectLines(LogLines(), {"Morrowは２４ビットカラーモードに対応していません"});
    // Nothing was started: no window, the instance claim given back.
    EXPECT_EQ(std::count(fake_.calls.begin(), fake_.calls.end(), "create Morrow"), 0);
    EXPECT_FALSE(fake_.instanceHeld);
    EXPECT_EQ(morrow::EndLibrary(), 0);
    EXPECT_EQ(Count("\n"), 1);  // the end after a refused start adds nothing
  } else {
    EXPECT_EQ(r, 0);
    EXPECT_EQ(Count("２４ビット"), 0);
  }
}

INSTANTIATE_TEST_SUITE_P(Depths, LibraryRefusal,
                         ::testing::Values(RefusalCase{1, 24, true}, RefusalCase{0, 24, false},
                                           RefusalCase{1, 16, false}, RefusalCase{1, 32, false},
                                           RefusalCase{0, 32, false}),
                         [](const auto& info) {
                           return std::string(info.param.windowMode ? "Window" : "Full") +
                                  std::to_string(info.param.desktopBits);
                         });

TEST_F(LibraryStart, EndAfterAFailedWindowCompletesAndReturnsZero) {
  fake_.failCreate = true;
  morrow::ChangeWindowMode(1);
  EXPECT_EQ(morrow::InitLibrary(), -1);
  EXPECT_EQ(Count("ウインドウの作成に失敗しました\n"), 1);
  // The failed start ended the library itself (COM included); a second end changes nothing.
  EXPECT_EQ(Count("ＣＯＭを終了... 完了\n"), 1);
  EXPECT_EQ(morrow::EndLibrary(), 0);
  EXPECT_EQ(Count("ＣＯＭを終了... 完了\n"), 1);
  EXPECT_FALSE(fake_.instanceHeld);
  EXPECT_EQ(morrow::HasMainWindow(), 0);
}

TEST_F(LibraryStart, SecondInstanceAddsItsLinesToTheFirstLogAndExitsZero) {
  const std::string firstRun = "17:the first instance's line\n";
  testsupport::WriteFile(dir_.File("AppLog.txt"), firstRun);
  fake_.otherInstanceRunning = true;
  morrow::ChangeWindowMode(1);
  EXPECT_EXIT(morrow::InitLibrary(), ::testing::ExitedWithCode(0), "");
  std::string log = Log();
  ASSERT_EQ(log.substr(0, firstRun.size()), firstRun);
  EXPECT_TRUE(testsupport::LineMatches(
      log.substr(firstRun.size()),
      "#:ソフトの２重起動検査... ２重起動されています、ソフトを終了します\n"))
      << log;
}

TEST_F(LibraryStart, NoDisplayShowsTheMessageAndExitsMinusOne) {
  fake_.videoAvailable = false;
  morrow::ChangeWindowMode(1);
  EXPECT_EXIT(morrow::InitLibrary(), ::testing::ExitedWithCode(255), "");
  ExpectLines(LogLines(), SystemInfoLines(false));
  EXPECT_EQ(Count("ＣＯＭ"), 0);
}

TEST_F(LibraryStart, NoDisplayMessageBoxTextIsTheMissingRuntimeOne) {
  fake_.videoAvailable = false;
  // The box is the last thing before the exit: make the child report what it was asked.
  EXPECT_EXIT(
      {
        struct Reporter : platform::FakeWindowService {
          void ShowMessageBox(const char* caption, const char* text) override {
            std::fprintf(stderr, "box[%s][%s]\n", caption, text);
          }
        } reporter;
        platform::InstallWindowService(&reporter);
        reporter.videoAvailable = false;
        morrow::InitLibrary();
      },
      ::testing::ExitedWithCode(255),
      "box\\[エラー\\]\\[DirectX がインストールされていないのでここで終了します\\]");
}

// A display service that would draw nowhere, which the user did not choose, is no display: the
// start ends before anything is made or logged, with no exit and no line of its own, and leaves
// the reason for its caller to tell. The next start that finds a display starts, with no reason
// left over from the one before.
TEST_F(LibraryStart, ADisplayThatDrawsNowhereEndsTheStartForTheCallerToTell) {
  fake_.noDisplay = "DISPLAY is nowhere";
  morrow::ChangeWindowMode(1);
  ::testing::internal::CaptureStderr();
  const int started = morrow::InitLibrary();
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
  EXPECT_EQ(started, -1);
  EXPECT_STREQ(morrow::LibraryNoDisplayReason(), "DISPLAY is nowhere");
  EXPECT_EQ(fake_.calls, (std::vector<std::string>{"acquire", "release"}));
  EXPECT_FALSE(fake_.instanceHeld);
  EXPECT_EQ(Log(), "");

  fake_.noDisplay.clear();
  ASSERT_EQ(morrow::InitLibrary(), 0);
  EXPECT_STREQ(morrow::LibraryNoDisplayReason(), "");
  EXPECT_TRUE(fake_.window);
}

// The window closed at any moment of the start or the run: the pump reports it from then on,
// waits end early and the end still completes.
class LibraryClose : public LibraryFixture, public ::testing::WithParamInterface<int> {};

TEST_P(LibraryClose, ClosedWindowEndsWaitsAndTheEndCompletes) {
  int closeAtPoll = GetParam();
  fake_.onPoll = [this, closeAtPoll](platform::MessageQueue& q) {
    if (fake_.polls == closeAtPoll) q.Post(platform::WindowMessage{platform::msg::kClose, 0, 0});
  };
  morrow::ChangeWindowMode(1);
  ASSERT_EQ(morrow::InitLibrary(), 0);
  for (int i = 0; i < 400 && fake_.polls < closeAtPoll; ++i) morrow::PumpMessages();
  EXPECT_EQ(morrow::PumpMessages(), -1);
  EXPECT_EQ(morrow::PumpMessages(), -1);
  EXPECT_EQ(morrow::IsWindowDestroyed(), 1);
  int64_t before = clock_.Peek();
  morrow::WaitMilliseconds(1000);
  EXPECT_LT(clock_.Peek() - before, 1'000'000);
  EXPECT_EQ(morrow::EndLibrary(), 0);
  EXPECT_EQ(Count("ウインドウを閉じようとしています\n"), 1);
  EXPECT_EQ(Count("ウインドウが破棄されようとしています\n"), 1);
  EXPECT_EQ(Count("ＣＯＭを終了... 完了\n"), 1);
  EXPECT_FALSE(fake_.window);
}

// Poll 1 falls in the timer test, 70 in the start's 200 ms pump, 500 after the start.
INSTANTIATE_TEST_SUITE_P(Moments, LibraryClose, ::testing::Values(1, 70, 500),
                         [](const auto& info) { return "Poll" + std::to_string(info.param); });

}  // namespace
