// The screen state: start and end, modes and their fall-backs, pacing, frame time, surfaces,
// the rebuild pair and presentation, run on the fake window service and a fake clock.
#include "morrow/device/screen.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "morrow/system/window.h"
#include "platform/display_beam.h"
#include "platform/input.h"
#include "tests/morrow/system/library_fixture.h"

namespace {

using morrow::GetScreenState;

class Screen : public testsupport::LibraryFixture {
 protected:
  void SetUp() override {
    LibraryFixture::SetUp();
    GetScreenState() = morrow::ScreenState{};
    unsetenv("MORROW_VIDMEM");
    unsetenv("MORROW_PIXEL16");
  }
  void TearDown() override {
    LibraryFixture::TearDown();
    platform::InstallBeam(nullptr);
    GetScreenState() = morrow::ScreenState{};
    unsetenv("MORROW_VIDMEM");
  }
  void Start(int window, int width, int height, int depth) {
    morrow::ChangeWindowMode(window);
    ASSERT_EQ(morrow::SelectScreenMode(width, height, depth, -1), 0);
    ASSERT_EQ(morrow::InitLibrary(), 0);
  }
  // The log's lines with their millisecond stamps.
  std::vector<std::pair<int, std::string>> StampedLines() const {
    std::vector<std::pair<int, std::string>> out;
    std::string text = Log();
    size_t pos = 0;
    while (pos < text.size()) {
      size_t end = text.find('\n', pos);
      if (end == std::string::npos) end = text.size();
      std::string line = text.substr(pos, end - pos);
      size_t colon = line.find(':');
      if (colon != std::string::npos) {
        out.emplace_back(std::atoi(line.substr(0, colon).c_str()), line.substr(colon + 1));
      }
      pos = end + 1;
    }
    return out;
  }
  static std::string Trim(const std::string& s) {
    size_t i = s.find_first_not_of('\t');
    return i == std::string::npos ? "" : s.substr(i);
  }
  std::vector<int> StampsOf(const std::string& text) const {
    std::vector<int> stamps;
    for (auto& [stamp, line] : StampedLines()) {
      if (Trim(line) == text) stamps.push_back(stamp);
    }
    return stamps;
  }
};

struct ModeCase {
  const char* name;
  int window;
  int desktopBits;
  int requestedDepth;
  int depth;  // what the screen gets
  uint32_t red, fill;
  const char* layout16;
};

class ScreenStart : public Screen, public ::testing::WithParamInterface<ModeCase> {};

TEST_P(ScreenStart, StartsAndEndsInEveryMode) {
  const ModeCase& c = GetParam();
  fake_.desktop.bitsPerPixel = c.desktopBits;
  if (c.layout16 != nullptr) setenv("MORROW_PIXEL16", c.layout16, 1);
  Start(c.window, 640, 480, c.requestedDepth);
  int w = 0, h = 0;
  morrow::GetScreenSize(&w, &h);
  EXPECT_EQ(w, 640);
  EXPECT_EQ(h, 480);
  EXPECT_EQ(morrow::GetScreenBitDepth(), c.depth);
  EXPECT_EQ(morrow::GetScreenColorFormat()->redMask, c.red);
  EXPECT_EQ(morrow::GetScreenColorFormat()->fillMask, c.fill);
  ASSERT_NE(morrow::IsDirectDrawReady(), nullptr);
  EXPECT_EQ(GetScreenState().directDrawReady, 1);
  EXPECT_EQ(morrow::GetDisplayModeChangedFlag(), c.window ? 0 : 1);
  // A window's primary is the desktop; full screen it is the mode.
  EXPECT_EQ(morrow::GetPrimarySurface()->width(), c.window ? 1024 : 640);
  EXPECT_EQ(morrow::GetBackSurface()->width(), 640);
  EXPECT_EQ(morrow::GetWorkSurface()->height(), 480);
  EXPECT_EQ(Count("DirectDraw 関連の初期化は正常に終了しました\n"), 1);
  EXPECT_EQ(Count("Direct3Dオブジェクトの作成に失敗しました\n"), 1);
  EXPECT_EQ(Count("オーバーレイサーフェスは使用しません\n"), 1);
  EXPECT_EQ(morrow::GetOverlayPixelFormat(), nullptr);
  ASSERT_EQ(morrow::EndLibrary(), 0);
  EXPECT_EQ(morrow::IsDirectDrawReady(), nullptr);
  EXPECT_EQ(GetScreenState().directDrawReady, 0);
  EXPECT_EQ(Count("DirectDraw 関連の終了処理は正常に終了しました\n"), 1);
  unsetenv("MORROW_PIXEL16");
}

INSTANTIATE_TEST_SUITE_P(
    Modes, ScreenStart,
    ::testing::Values(ModeCase{"Window16", 1, 16, 16, 16, 0xF800, 0, nullptr},
                      ModeCase{"Window555", 1, 16, 16, 16, 0x7C00, 0x8000, "555"},
                      ModeCase{"Window444", 1, 16, 32, 16, 0x0F00, 0xF000, "444"},
                      // In a window the depth follows the desktop, whatever was asked.
                      ModeCase{"Window32Asked16", 1, 32, 16, 32, 0xFF0000, 0xFF000000, nullptr},
                      ModeCase{"Full16", 0, 32, 16, 16, 0xF800, 0, nullptr},
                      ModeCase{"Full32", 0, 16, 32, 32, 0xFF0000, 0xFF000000, nullptr},
                      ModeCase{"Full16On24BitDesktop", 0, 24, 16, 16, 0xF800, 0, nullptr},
                      // Eight bits have no channel masks: every bit is fill.
                      ModeCase{"Full8", 0, 32, 8, 8, 0, 0xFF, nullptr}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Screen, SelectedDepthOf24IsRefusedBeforeAnythingStarts) {
  morrow::ChangeWindowMode(0);
  EXPECT_EQ(morrow::SelectScreenMode(640, 480, 24, -1), 0);  // only stored before the start
  EXPECT_EQ(morrow::InitLibrary(), -1);
  EXPECT_EQ(Count("Morrowは２４ビットカラーモードに対応していません\n"), 1);
  EXPECT_EQ(Count("DirectDraw"), 0);
  EXPECT_EQ(morrow::IsDirectDrawReady(), nullptr);
}

TEST_F(Screen, AccessorsReadDefaultsBeforeAnyMode) {
  int w = 0, h = 0;
  EXPECT_EQ(morrow::GetScreenSize(&w, &h), 0);
  EXPECT_EQ(w, 640);
  EXPECT_EQ(h, 480);
  EXPECT_EQ(morrow::GetScreenSize(nullptr, nullptr), 0);
  EXPECT_EQ(morrow::GetScreenBitDepth(), 16);
  EXPECT_EQ(morrow::IsDirectDrawReady(), nullptr);
  EXPECT_EQ(morrow::GetPrimarySurface(), nullptr);
  EXPECT_EQ(morrow::TerminateDirectDraw(), 0);
  EXPECT_EQ(morrow::ReleaseScreenSurfaces(), -1);
  EXPECT_EQ(morrow::RestoreScreenSurfaces(), -1);
  EXPECT_EQ(morrow::CreateScreenSurfaces(), -1);
  int32_t values[4];
  EXPECT_EQ(morrow::MeasureFrameTime(values), -1);
}

TEST_F(Screen, InitDirectDrawRefusesASecondDisplay) {
  Start(1, 640, 480, 16);
  EXPECT_EQ(morrow::InitDirectDraw(), -1);
  EXPECT_EQ(Count("DirectDraw 関連の初期化を行います\n"), 1);
}

TEST_F(Screen, BlendProductTable) {
  Start(1, 640, 480, 16);
  const morrow::BlendProductRow* t = morrow::GetBlendProductTable();
  struct Case {
    int a, b;
    uint32_t product;
  } cases[] = {{255, 255, 254}, {128, 2, 1}, {200, 0, 0},    {0, 255, 0},
               {255, 1, 0},     {16, 16, 1}, {100, 200, 78}, {200, 100, 78}};
  for (const Case& c : cases) EXPECT_EQ(t[c.a][c.b], c.product) << c.a << "," << c.b;
}

struct SelectCase {
  const char* name;
  int window;
  int w, h, d;
  int result;
  int nowW, nowH, nowD;
};

class ScreenSelect : public Screen, public ::testing::WithParamInterface<SelectCase> {};

// Every select starts from a 640 x 480 x 16 screen on a 16-bit desktop.
TEST_P(ScreenSelect, ResultTellsWhatTheModeBecame) {
  const SelectCase& c = GetParam();
  fake_.desktop.bitsPerPixel = 16;
  Start(c.window, 640, 480, 16);
  EXPECT_EQ(morrow::SelectScreenMode(c.w, c.h, c.d, -1), c.result);
  int w = 0, h = 0;
  morrow::GetScreenSize(&w, &h);
  EXPECT_EQ(w, c.nowW);
  EXPECT_EQ(h, c.nowH);
  EXPECT_EQ(morrow::GetScreenBitDepth(), c.nowD);
  // Whatever came of it, the screen surfaces exist in the mode in force.
  ASSERT_NE(morrow::GetBackSurface(), nullptr);
  EXPECT_EQ(morrow::GetBackSurface()->width(), c.nowW);
  EXPECT_EQ(morrow::GetBackSurface()->format().bitCount, static_cast<uint32_t>(c.nowD));
}

INSTANTIATE_TEST_SUITE_P(
    Requests, ScreenSelect,
    ::testing::Values(SelectCase{"FullTo800x600x32", 0, 800, 600, 32, 0, 800, 600, 32},
                      SelectCase{"FullKeepsWidthWithMinusOne", 0, -1, 400, 32, 0, 640, 400, 32},
                      // Refused twice, then the old mode is taken again.
                      SelectCase{"FullImpossibleFallsBackToOld", 0, 20000, 480, 16, -1, 640, 480,
                                 16},
                      SelectCase{"Full24", 0, 640, 480, 24, -1, 640, 480, 16},
                      SelectCase{"SameModeChangesNothing", 0, 640, 480, 16, 0, 640, 480, 16},
                      // A window keeps the desktop's depth.
                      SelectCase{"WindowDepthFollowsDesktop", 1, 640, 480, 32, -1, 640, 480, 16},
                      SelectCase{"WindowSmaller", 1, 320, 240, 16, 0, 320, 240, 16}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Screen, SelectingTheCurrentModeDoesNotRebuild) {
  Start(1, 640, 480, 16);
  auto before = GetScreenState().primarySurface;
  EXPECT_EQ(morrow::SelectScreenMode(640, 480, -1, -1), 0);
  EXPECT_EQ(GetScreenState().primarySurface, before);
  EXPECT_EQ(Count("画面モード変更処理を開始します\n"), 1);
  // With force the same mode is built again.
  EXPECT_EQ(morrow::ChangeScreenMode(-1, -1, -1, 1, -1), 0);
  EXPECT_NE(GetScreenState().primarySurface, before);
  EXPECT_EQ(Count("画面モード変更処理を開始します\n"), 2);
}

TEST_F(Screen, ImpossibleModeAtTheStartFallsBackTo640x480x16) {
  morrow::ChangeWindowMode(0);
  ASSERT_EQ(morrow::SelectScreenMode(20000, 300, 32, -1), 0);
  ASSERT_EQ(morrow::InitLibrary(), 0);
  int w = 0, h = 0;
  morrow::GetScreenSize(&w, &h);
  EXPECT_EQ(w, 640);
  EXPECT_EQ(h, 480);
  EXPECT_EQ(morrow::GetScreenBitDepth(), 16);
  EXPECT_EQ(Count("画面モードの変更に失敗しました\n"), 1);  // the request; 640 x 480 x 16 is set
  EXPECT_EQ(morrow::ChangeScreenMode(20000, 300, 32, 1, 0), 0);  // after the start: the old mode
}

TEST_F(Screen, StartChangeReportsTheFallBackToTheDefaultMode) {
  Start(0, 800, 600, 32);
  // The change the start makes (the display up, not yet ready) with a mode that cannot be set
  // and no other to go back to.
  morrow::ScreenState& s = GetScreenState();
  s.directDrawReady = 0;
  // Refused, and the mode before it is taken again.
  EXPECT_EQ(morrow::ChangeScreenMode(20000, 600, 32, 1, 0), -1);
  EXPECT_EQ(s.screenWidth, 800);
  EXPECT_EQ(s.screenBitDepth, 32);
  // Refused with no other mode to go back to.
  s.screenWidth = 20000;
  s.refreshRate = 0;
  EXPECT_EQ(morrow::ChangeScreenMode(-1, -1, -1, 1, -1), -2);
  EXPECT_EQ(s.screenWidth, 640);
  EXPECT_EQ(s.screenHeight, 480);
  EXPECT_EQ(s.screenBitDepth, 16);
  s.directDrawReady = 1;
}

TEST_F(Screen, WindowLargerThanTheDesktopIsFatal) {
  fake_.desktop = platform::DesktopInfo{600, 400, 32};
  morrow::ChangeWindowMode(1);
  EXPECT_EXIT(morrow::InitLibrary(), ::testing::ExitedWithCode(255), "");
  EXPECT_EQ(Count("デスクトップ画面のサイズが足りません、ソフトを終了します"), 1);
  EXPECT_EQ(Count("ソフトをエラー終了します"), 1);
}

TEST_F(Screen, ModeChangesArePaced) {
  Start(0, 640, 480, 16);
  std::vector<int> starts = StampsOf("画面モード変更処理を開始します");
  ASSERT_EQ(starts.size(), 1u);
  // The second change comes well within 2 s of the first: it waits until 2060 ms after it.
  ASSERT_EQ(morrow::SelectScreenMode(800, 600, 32, -1), 0);
  std::vector<int> teardowns = StampsOf("メインサーフェスを破棄をします... 完了しました");
  ASSERT_EQ(teardowns.size(), 1u);
  EXPECT_GE(teardowns[0] - starts[0], 2059);
  EXPECT_LE(teardowns[0] - starts[0], 2063);
  // More than 2 s later a change waits 60 ms only.
  clock_.Advance(5'000'000);
  ASSERT_EQ(morrow::SelectScreenMode(640, 480, 16, -1), 0);
  starts = StampsOf("画面モード変更処理を開始します");
  teardowns = StampsOf("メインサーフェスを破棄をします... 完了しました");
  ASSERT_EQ(starts.size(), 3u);
  ASSERT_EQ(teardowns.size(), 2u);
  EXPECT_GE(teardowns[1] - starts[2], 59);
  EXPECT_LE(teardowns[1] - starts[2], 63);
}

struct BackBufferCase {
  const char* vidmem;
  int w, h, d;
  int backs;
};

class ScreenBackBuffers : public Screen, public ::testing::WithParamInterface<BackBufferCase> {};

TEST_P(ScreenBackBuffers, CountFollowsVideoMemory) {
  const BackBufferCase& c = GetParam();
  setenv("MORROW_VIDMEM", c.vidmem, 1);
  fake_.desktop = platform::DesktopInfo{1600, 1200, 32};
  Start(0, c.w, c.h, c.d);
  platform::SurfaceDesc desc;
  ASSERT_EQ(morrow::GetPrimarySurface()->GetSurfaceDesc(&desc), platform::DisplayResult::kOk);
  EXPECT_EQ(desc.backBufferCount, c.backs);
  EXPECT_EQ(Count(c.backs == 2 || std::string(c.vidmem) != "0" ? "PrimaryBuffer : VIDEOMEMORY"
                                                               : "PrimaryBuffer : SYSTEMMEMORY"),
            1);
}

INSTANTIATE_TEST_SUITE_P(
    Memory, ScreenBackBuffers,
    ::testing::Values(BackBufferCase{"67108864", 640, 480, 16, 2},
                      BackBufferCase{"8388608", 640, 480, 16, 2},
                      BackBufferCase{"8388607", 640, 480, 16, 1},  // below 8 MB
                      BackBufferCase{"67108864", 1280, 1024, 32, 2},
                      BackBufferCase{"33554432", 1280, 1024, 32, 1},  // below 8 screens
                      BackBufferCase{"0", 640, 480, 16, 1}),
    [](const auto& info) { return "Case" + std::to_string(info.index); });

TEST_F(Screen, WindowGetsAPrimaryBackAndTwoKeyedWorkSurfaces) {
  Start(1, 640, 480, 16);
  platform::ColorKey key{7, 7};
  for (platform::Surface* s : {morrow::GetWorkSurface(), GetScreenState().workSurface2.get()}) {
    ASSERT_EQ(s->GetColorKey(platform::kColorKeySrcBlt, &key), platform::DisplayResult::kOk);
    EXPECT_EQ(key.low, 0u);
    EXPECT_EQ(key.high, 0u);
    uint32_t caps = 0;
    s->GetCaps(&caps);
    EXPECT_NE(caps & platform::kCapsSystemMemory, 0u);
  }
  platform::SurfaceDesc desc;
  morrow::GetPrimarySurface()->GetSurfaceDesc(&desc);
  EXPECT_EQ(desc.backBufferCount, 0);
  // The clipper is the window's, attached while the back screen is the target.
  uintptr_t window = 0;
  ASSERT_NE(GetScreenState().clipper, nullptr);
  GetScreenState().clipper->GetWindow(&window);
  EXPECT_EQ(window, morrow::GetMainWindow());
  EXPECT_EQ(Count("\t\t\t\tBaskBuffer : VIDEOMEMORY  \n"), 1);
}

// A work surface grows on demand, made like the first one; asking for less keeps it.
TEST_F(Screen, WorkSurfacesGrowToCoverALargerRectangle) {
  EXPECT_EQ(morrow::GetWorkSurfaceCovering(0, 8, 8), nullptr);  // no display
  Start(1, 640, 480, 32);
  for (int index : {0, 1}) {
    SCOPED_TRACE(index);
    auto& slot = index == 0 ? GetScreenState().workSurface : GetScreenState().workSurface2;
    platform::Surface* first = slot.get();
    EXPECT_EQ(morrow::GetWorkSurfaceCovering(index, 640, 480), first);
    EXPECT_EQ(morrow::GetWorkSurfaceCovering(index, 1, 1), first);
    std::shared_ptr<platform::Surface> old = slot;
    platform::Surface* grown = morrow::GetWorkSurfaceCovering(index, 100, 1000);
    ASSERT_NE(grown, nullptr);
    EXPECT_EQ(grown, slot.get());
    EXPECT_EQ(grown->width(), 640);
    EXPECT_EQ(grown->height(), 1000);
    EXPECT_TRUE(old->IsDead());
    platform::ColorKey key{7, 7};
    ASSERT_EQ(grown->GetColorKey(platform::kColorKeySrcBlt, &key), platform::DisplayResult::kOk);
    EXPECT_EQ(key.low, 0u);
    uint32_t caps = 0;
    grown->GetCaps(&caps);
    EXPECT_NE(caps & platform::kCapsSystemMemory, 0u);
    EXPECT_EQ(grown->format().bitCount, 32u);
    // Beyond what the display can make, the old surface stays.
    EXPECT_EQ(morrow::GetWorkSurfaceCovering(index, 65536, 65536), nullptr);
    EXPECT_EQ(slot.get(), grown);
  }
  EXPECT_EQ(morrow::GetWorkSurfaceCovering(2, 1, 1), nullptr);
  EXPECT_EQ(morrow::GetWorkSurfaceCovering(-1, 1, 1), nullptr);
}

// Each timed span reads the clock twice, which moves it one step either way: a tie.
TEST_F(Screen, CopyTimingTieChoosesTheDeviceContextCopy) {
  Start(1, 640, 480, 16);
  EXPECT_EQ(GetScreenState().useGdiCopy, 1);
  EXPECT_EQ(Count("サーフェス間転送には BitBlt を使用します\n"), 1);
  EXPECT_EQ(Count("BitBlt:50μs   BltFast:50μs\n"), 1);
}

TEST_F(Screen, ReleaseOrderAndEveryObjectReleasedOnce) {
  Start(1, 640, 480, 16);
  morrow::ScreenState& s = GetScreenState();
  auto display = s.directDraw;
  auto clipper = s.clipper;
  auto primary = s.primarySurface;
  auto work = s.workSurface;
  ASSERT_EQ(morrow::EndLibrary(), 0);
  for (bool dead : {display->IsDead(), clipper->IsDead(), primary->IsDead(), work->IsDead()}) {
    EXPECT_TRUE(dead);
  }
  EXPECT_EQ(s.directDraw, nullptr);
  EXPECT_EQ(s.clipper, nullptr);
  EXPECT_EQ(s.primarySurface, nullptr);
  EXPECT_EQ(s.backSurface, nullptr);
  EXPECT_EQ(s.workSurface2, nullptr);
  EXPECT_EQ(s.drawTargetSurface, nullptr);
  std::vector<std::string> lines;
  for (auto& [stamp, line] : StampedLines()) lines.push_back(line);
  auto at = std::find(lines.begin(), lines.end(), "DirectDraw 関連の終了処理をおこないます");
  ASSERT_NE(at, lines.end());
  std::vector<std::string> order(at, std::min(lines.end(), at + 9));
  EXPECT_EQ(order, (std::vector<std::string>{
                       "DirectDraw 関連の終了処理をおこないます",
                       "\tフォントの初期化を行います",
                       "\tフォントの初期化は正常に終了しました",
                       "\tグラフィック管理系の終了処理は正常に終了しました",
                       "\tメインサーフェスを破棄をします... 完了しました",
                       "\t画面モードを元に戻す処理は正常に終了しました",
                       "\tＤｉｒｅｃｔＤｒａｗオブジェクトを解放します",
                       "\tＤｉｒｅｃｔＤｒａｗオブジェクトを解放しました",
                       "DirectDraw 関連の終了処理は正常に終了しました",
                   }));
}

TEST_F(Screen, ModeChangeGivesTheNewDisplayItsOwnClipper) {
  Start(1, 640, 480, 16);
  auto oldClipper = GetScreenState().clipper;
  ASSERT_EQ(morrow::SelectScreenMode(320, 240, -1, -1), 0);
  EXPECT_TRUE(oldClipper->IsDead());
  ASSERT_NE(GetScreenState().clipper, nullptr);
  EXPECT_FALSE(GetScreenState().clipper->IsDead());
  uintptr_t window = 0;
  GetScreenState().clipper->GetWindow(&window);
  EXPECT_EQ(window, morrow::GetMainWindow());
  // The presented back screen is clipped to the window through it.
  EXPECT_EQ(morrow::SelectDrawTargetDDraw(-2), 0);
  EXPECT_EQ(morrow::GetPrimarySurface()->GetClipper(), GetScreenState().clipper);
}

TEST_F(Screen, RebuildPairReleasesEachObjectOnce) {
  platform::SetDisplayMisuseFatal(true);  // a second release would stop the test
  Start(0, 640, 480, 16);
  // The rebuild releases the screen surfaces and then the device.
  EXPECT_EQ(morrow::ReleaseScreenSurfaces(), 0);
  EXPECT_EQ(morrow::ReleaseDirectDrawDevice(), 0);
  EXPECT_EQ(morrow::IsDirectDrawReady(), nullptr);
  EXPECT_EQ(GetScreenState().clipper, nullptr);
  EXPECT_EQ(GetScreenState().displayModeChanged, 0);
  EXPECT_EQ(morrow::ReleaseDirectDrawDevice(), 0);
  EXPECT_EQ(Count("既に解放されています\n"), 1);
  EXPECT_EQ(morrow::SetupDirectDrawDevice(), 0);
  ASSERT_NE(morrow::IsDirectDrawReady(), nullptr);
  EXPECT_NE(GetScreenState().clipper, nullptr);
  EXPECT_EQ(morrow::GetDisplayModeChangedFlag(), 1);
  EXPECT_EQ(morrow::SetupDirectDrawDevice(), 0);  // already there: nothing
  EXPECT_EQ(morrow::CreateScreenSurfaces(), 0);
  EXPECT_EQ(morrow::CreateScreenSurfaces(), -1);  // a primary exists
}

TEST_F(Screen, LossHookRestoresTheScreenSurfaces) {
  Start(1, 640, 480, 16);
  size_t queued = fake_.Queue().size();
  ASSERT_EQ(morrow::IsDirectDrawReady()->SimulateLoss(), platform::DisplayResult::kOk);
  EXPECT_EQ(fake_.Queue().size(), queued + 2);
  EXPECT_EQ(morrow::GetPrimarySurface()->IsLost(), platform::DisplayResult::kSurfaceLost);
  EXPECT_EQ(morrow::GetBackSurface()->IsLost(), platform::DisplayResult::kSurfaceLost);
  EXPECT_EQ(morrow::RestoreScreenSurfaces(), 0);
  EXPECT_EQ(morrow::GetPrimarySurface()->IsLost(), platform::DisplayResult::kOk);
  EXPECT_EQ(morrow::GetBackSurface()->IsLost(), platform::DisplayResult::kOk);
  EXPECT_EQ(morrow::GetWorkSurface()->IsLost(), platform::DisplayResult::kSurfaceLost);
  // The pair reaches the window: it goes inactive and comes back.
  EXPECT_EQ(morrow::PumpMessages(), 0);
}

TEST_F(Screen, FilledBackScreenReachesThePresentedPicture) {
  fake_.desktop.bitsPerPixel = 16;
  Start(1, 640, 480, 16);
  platform::Display* display = morrow::IsDirectDrawReady();
  uint64_t before = display->PresentCount();
  ASSERT_EQ(morrow::SelectDrawTargetDDraw(-2), 0);
  platform::BltFx fx;
  fx.fillColor = morrow::PackScreenColor(200, 100, 50);
  morrow::GetBackSurface()->Blt(nullptr, nullptr, nullptr, platform::kBltColorFill, &fx);
  clock_.Advance(20000);  // a later frame than the start's present
  ASSERT_EQ(morrow::PresentFrameWindowed(), 0);
  EXPECT_EQ(display->PresentCount(), before + 1);
  int32_t w = 0, h = 0;
  std::vector<uint8_t> rgb;
  ASSERT_TRUE(display->LastPresentedRgb(&w, &h, &rgb));
  EXPECT_EQ(w, 640);
  EXPECT_EQ(h, 480);
  for (size_t at : {size_t{0}, rgb.size() - 3}) {
    EXPECT_EQ(rgb[at], 0xCD);
    EXPECT_EQ(rgb[at + 1], 0x65);
    EXPECT_EQ(rgb[at + 2], 0x31);
  }
}

TEST_F(Screen, PresentsAreTheFramesOfScriptedInput) {
  Start(1, 640, 480, 16);
  ASSERT_EQ(morrow::SelectDrawTargetDDraw(-2), 0);
  EXPECT_EQ(platform::CompletedInputFrames(), 0u);  // the start's own present is not counted
  for (uint64_t n = 1; n <= 3; ++n) {
    clock_.Advance(20000);
    ASSERT_EQ(morrow::PresentFrameWindowed(), 0);
    EXPECT_EQ(platform::CompletedInputFrames(), n);
  }
}

TEST_F(Screen, EightBitScreenHasAPaletteFromBlackToWhite) {
  Start(0, 640, 480, 8);
  const morrow::ScreenState& s = GetScreenState();
  ASSERT_NE(s.palette, nullptr);
  EXPECT_EQ(morrow::GetPrimarySurface()->GetPalette(), s.palette);
  EXPECT_EQ(morrow::GetBackSurface()->GetPalette(), s.palette);
  EXPECT_EQ(s.paletteEntries[0].red + s.paletteEntries[0].green + s.paletteEntries[0].blue, 0);
  EXPECT_EQ(s.paletteEntries[255].red, 255);
  EXPECT_EQ(s.paletteEntries[255].blue, 255);
  int last = -1;
  for (const auto& e : s.paletteEntries) {
    int luma = 299 * e.red + 587 * e.green + 114 * e.blue;
    EXPECT_GE(luma, last);
    last = luma;
  }
  EXPECT_EQ(morrow::PackScreenColor(255, 255, 255), 255u);
  EXPECT_EQ(morrow::PackScreenColor(0, 0, 0), 0u);
  int r, g, b;
  EXPECT_EQ(morrow::UnpackScreenColor(255, &r, &g, &b), 0);
  EXPECT_EQ(r + g + b, 765);
  // The rebuild keeps the entries.
  GetScreenState().paletteEntries[3].red = 77;
  auto old = s.palette;
  EXPECT_EQ(morrow::RebuildPalette(), 0);
  EXPECT_NE(s.palette, old);
  EXPECT_EQ(s.paletteEntries[3].red, 77);
  platform::PaletteEntry e[1];
  s.palette->GetEntries(3, 1, e);
  EXPECT_EQ(e[0].red, 77);
}

// Frame time on a scripted beam. The clock moves only by the polls' sleeps, and every blank
// begins 50 us past a whole millisecond, so each frame measures exactly its length.
class ScreenFrameTime : public Screen {
 protected:
  int Measure(std::vector<int64_t> lengths, int32_t values[4]) {
    clock_.SetStepPerRead(0);
    clock_.SetNow(100);
    platform::ScriptedBeam beam(std::move(lengths), 50, 1000);
    platform::InstallBeam(&beam);
    GetScreenState().directDraw = platform::Display::Create(platform::DisplayConfig{}, nullptr);
    int r = morrow::MeasureFrameTime(values);
    GetScreenState().directDraw->Release();
    GetScreenState().directDraw.reset();
    platform::InstallBeam(nullptr);
    return r;
  }
};

TEST_F(ScreenFrameTime, FirstValueThatRepeatsWins) {
  struct Case {
    std::vector<int64_t> lengths;
    int result;
    std::vector<int32_t> values;
  } cases[] = {
      {{16000, 17000, 16000, 17000}, 16, {16, 17, 16, 17}},
      {{17000, 16000, 16000, 17000}, 17, {17, 16, 16, 17}},
      {{15000, 16000, 16000, 20000}, 16, {15, 16, 16, 20}},
      {{16000}, 16, {16, 16, 16, 16}},
  };
  for (const Case& c : cases) {
    int32_t values[4];
    EXPECT_EQ(Measure(c.lengths, values), c.result);
    EXPECT_EQ(std::vector<int32_t>(values, values + 4), c.values);
  }
}

TEST_F(ScreenFrameTime, NoRepeatInFiveTriesGivesMinusOne) {
  int32_t values[4];
  EXPECT_EQ(Measure({16000, 17000, 18000, 19000}, values), -1);
  EXPECT_EQ(std::vector<int32_t>(values, values + 4), (std::vector<int32_t>{16, 17, 18, 19}));
}

TEST_F(ScreenFrameTime, ABlankThatNeverEndsTimesOutInsteadOfHanging) {
  int32_t values[4];
  int64_t start = 100;
  // 60-second frames: every wait gives up after 100 ms.
  EXPECT_EQ(Measure({60'000'000}, values), -1);
  EXPECT_EQ(values[0], -1);
  EXPECT_LT(clock_.Peek() - start, 5'000'000);
}

TEST_F(Screen, FailedFrameTimeIsLoggedAndStopsPresentSleep) {
  platform::ScriptedBeam beam({16000, 19000, 22000, 25000});
  platform::InstallBeam(&beam);
  Start(1, 640, 480, 16);
  EXPECT_EQ(GetScreenState().frameTimeMs, -1);
  EXPECT_EQ(GetScreenState().presentSleepMs, -1);
  EXPECT_EQ(Count("１フレームの時間を正常に取得できませんでした\n"), 1);
  EXPECT_EQ(Count("Tri0"), 4);
}

TEST_F(Screen, MeasuredFrameTimeSetsPresentSleep) {
  Start(1, 640, 480, 16);
  const morrow::ScreenState& s = GetScreenState();
  ASSERT_GE(s.frameTimeMs, 16);
  ASSERT_LE(s.frameTimeMs, 17);
  EXPECT_EQ(s.presentSleepMs, (2 * s.frameTimeMs - 4) / 3);
  EXPECT_EQ(Count("１フレーム当たりの時間は " + std::to_string(s.frameTimeMs) + " msecです\n"), 1);
}

TEST_F(Screen, LogColorFormatWritesTheMasks) {
  fake_.desktop.bitsPerPixel = 16;
  Start(1, 640, 480, 16);
  EXPECT_EQ(Count("\t\tカラー情報\n"), 1);
  EXPECT_EQ(Count("\t\tA:00000000  B:0000f800  G:000007e0  B:0000001f\n"), 1);
}

}  // namespace
