#include "morrow/system/window.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "morrow/system/library.h"
#include "tests/morrow/system/library_fixture.h"

namespace {

namespace msg = platform::msg;
using platform::WindowMessage;

constexpr uint32_t kUserMessage = 0x0400;  // a message the procedure passes on untouched

// A library started in window mode on the fake service.
class WindowRun : public testsupport::LibraryFixture {
 protected:
  void SetUp() override {
    LibraryFixture::SetUp();
    morrow::ChangeWindowMode(1);
    ASSERT_EQ(morrow::InitLibrary(), 0);
    queue().Clear();
  }
  platform::MessageQueue& queue() { return fake_.Queue(); }
  void Post(uint32_t id, uint64_t w = 0, int64_t l = 0) { queue().Post(WindowMessage{id, w, l}); }
  void PostThread(uint32_t id) { queue().Post(WindowMessage{id, 0, 0, true}); }
  int64_t Send(uint32_t id, uint64_t w = 0, int64_t l = 0) {
    return morrow::MainWindowProc(morrow::GetMainWindow(), id, w, l);
  }
  int Queued(uint32_t id) {
    int n = 0;
    platform::MessageQueue copy = queue();
    WindowMessage m;
    while (copy.TakeHead(&m)) n += m.id == id ? 1 : 0;
    return n;
  }
};

struct LimitCase {
  int posted;
  int leftAfterFirstCall;
  int leftAfterSecondCall;
};

class PumpLimit : public WindowRun, public ::testing::WithParamInterface<LimitCase> {};

TEST_P(PumpLimit, AnActiveWindowTakesAtMostSixMessagesPerCall) {
  const LimitCase& c = GetParam();
  for (int i = 0; i < c.posted; ++i) Post(kUserMessage);
  EXPECT_EQ(morrow::PumpMessages(), 0);
  EXPECT_EQ(static_cast<int>(queue().size()), c.leftAfterFirstCall);
  EXPECT_EQ(morrow::PumpMessages(), 0);
  EXPECT_EQ(static_cast<int>(queue().size()), c.leftAfterSecondCall);
}

INSTANTIATE_TEST_SUITE_P(Counts, PumpLimit,
                         ::testing::Values(LimitCase{0, 0, 0}, LimitCase{1, 0, 0},
                                           LimitCase{5, 0, 0}, LimitCase{6, 0, 0},
                                           LimitCase{7, 1, 0}, LimitCase{13, 7, 1}),
                         [](const auto& info) {
                           return "Posted" + std::to_string(info.param.posted);
                         });

TEST_F(WindowRun, PumpQuitLatchHoldsForEveryLaterCall) {
  PostThread(msg::kQuit);
  Post(kUserMessage);
  EXPECT_EQ(morrow::PumpMessages(), -1);
  EXPECT_EQ(morrow::IsWindowDestroyed(), 1);
  // Whatever arrives later is taken without being handled, and the answer stays -1.
  Post(msg::kClose);
  EXPECT_EQ(morrow::PumpMessages(), -1);
  EXPECT_EQ(morrow::PumpMessages(), -1);
  EXPECT_EQ(Count("ウインドウを閉じようとしています"), 0);
}

TEST_F(WindowRun, PumpTakesThreadMessagesBeforeWindowMessages) {
  Post(msg::kClose);
  PostThread(msg::kQuit);
  EXPECT_EQ(morrow::PumpMessages(), -1);
  // The quit came first, so the close was never handled.
  EXPECT_EQ(Count("ウインドウを閉じようとしています"), 0);
}

TEST_F(WindowRun, PumpHoldsWhileInactiveUntilAnActivateMessage) {
  const int start = fake_.polls;
  fake_.onPoll = [this, start](platform::MessageQueue& q) {
    if (fake_.polls == start + 20) q.Post(WindowMessage{msg::kActivate, 1, 0});
  };
  Post(msg::kActivate, 0);
  int sleepsBefore = clock_.sleeps();
  EXPECT_EQ(morrow::PumpMessages(), 0);
  EXPECT_EQ(fake_.polls, start + 20);
  // Each held pass sleeps before it looks and after it has run the inactive steps.
  EXPECT_GE(clock_.sleeps() - sleepsBefore, 2 * 18);
  morrow::WaitActiveAndRestore();  // active again: returns at once
  EXPECT_EQ(fake_.polls, start + 20);
}

TEST_F(WindowRun, PumpHoldsWhileTheApplicationIsInactive) {
  const int start = fake_.polls;
  fake_.onPoll = [this, start](platform::MessageQueue& q) {
    if (fake_.polls == start + 5) q.Post(WindowMessage{msg::kActivateApp, 1, 0});
  };
  Post(msg::kActivateApp, 0);
  EXPECT_EQ(morrow::PumpMessages(), 0);
  EXPECT_EQ(fake_.polls, start + 5);
}

TEST_F(WindowRun, WaitActiveAndRestoreReturnsWhenTheWindowCloses) {
  const int start = fake_.polls;
  fake_.onPoll = [this, start](platform::MessageQueue& q) {
    if (fake_.polls == start + 8) q.Post(WindowMessage{msg::kClose, 0, 0});
  };
  Send(msg::kActivate, 0);
  morrow::WaitActiveAndRestore();
  EXPECT_EQ(fake_.polls, start + 8);
  EXPECT_EQ(morrow::IsWindowDestroyed(), 1);
}

TEST_F(WindowRun, EndCompletesWhileTheWindowIsInactive) {
  Send(msg::kActivate, 0);
  EXPECT_EQ(morrow::EndLibrary(), 0);
  EXPECT_EQ(morrow::IsClosePosted(), 1);
  EXPECT_FALSE(fake_.window);
}

TEST_F(WindowRun, ScreenSaverIsSwallowed) {
  EXPECT_EQ(Send(msg::kSysCommand, msg::kScreenSave), 1);
  EXPECT_EQ(Send(msg::kSysCommand, msg::kScreenSave | 2), 1);
  EXPECT_EQ(Send(msg::kSysCommand, 0xF020), 0);  // other commands go on to the default
  // Through the queue as well, ahead of everything else.
  Post(msg::kSysCommand, msg::kScreenSave);
  EXPECT_EQ(morrow::PumpMessages(), 0);
  EXPECT_EQ(queue().size(), 0u);
}

TEST_F(WindowRun, CloseDestroysTheWindowAndEndsThePump) {
  Post(msg::kClose);
  EXPECT_EQ(morrow::PumpMessages(), -1);
  EXPECT_FALSE(fake_.window);
  std::vector<std::string> lines = LogLines();
  auto at = std::find(lines.begin(), lines.end(), "ウインドウを閉じようとしています");
  ASSERT_NE(at, lines.end());
  ASSERT_GE(lines.end() - at, 3);
  EXPECT_EQ(at[1], "ウインドウが破棄されようとしています");
  EXPECT_EQ(at[2], "ソフトを終了する準備が整いました");
}

TEST_F(WindowRun, ChangeWindowModeToTheCurrentModeOnlyLogs) {
  size_t calls = fake_.calls.size();
  EXPECT_EQ(morrow::ChangeWindowMode(1), 0);
  EXPECT_EQ(fake_.calls.size(), calls);
  EXPECT_EQ(Count("ChangeWindowMode実行 \n"), 1);
  EXPECT_EQ(Count("ウインドウモードフラグ"), 0);
}

TEST_F(WindowRun, ChangeWindowModeRestylesTheWindowBothWays) {
  EXPECT_EQ(morrow::ChangeWindowMode(0), 0);
  EXPECT_EQ(morrow::IsWindowMode(), 0);
  EXPECT_EQ(fake_.kind, platform::WindowKind::kFullScreen);
  EXPECT_EQ(fake_.client.x, 0);
  EXPECT_EQ(Count("ウインドウモードフラグが倒されました\n"), 1);
  EXPECT_EQ(Count("ウインドウスタイルをフルスクリーンモード用に変更します... 完了\n"), 1);
  EXPECT_EQ(morrow::ChangeWindowMode(1), 0);
  EXPECT_EQ(fake_.kind, platform::WindowKind::kWindowed);
  EXPECT_EQ(fake_.client.x, 192);
  EXPECT_EQ(fake_.client.y, 144);
  EXPECT_EQ(Count("ウインドウモードフラグが立てられました\n"), 1);
  EXPECT_TRUE(fake_.cursorShown);
}

TEST_F(WindowRun, WindowLargerThanTheDesktopIsKeptOnIt) {
  // A window scaled to twice the screen no longer fits the 1024 x 768 desktop.
  int32_t frame[4] = {0, 0, 1280, 100};
  Send(msg::kSizing, 2, static_cast<int64_t>(reinterpret_cast<intptr_t>(frame)));
  ASSERT_EQ(morrow::GetWindowScale(), 2.0);
  morrow::ApplyWindowStyle();
  // Centring would put the client area at (-128, -96); it is moved to the corner instead.
  EXPECT_EQ(fake_.client.x, 0);
  EXPECT_EQ(fake_.client.y, 0);
  int rect[4];
  morrow::GetWindowClientScreenRect(rect);
  EXPECT_EQ(rect[0], 0);
  EXPECT_EQ(rect[2], 1280);
}

struct SizingCase {
  uint64_t edge;
  int32_t in[4];
  int32_t out[4];
  double scale;
};

class WindowSizing : public WindowRun, public ::testing::WithParamInterface<SizingCase> {};

TEST_P(WindowSizing, DraggedFrameKeepsTheScreenProportions) {
  const SizingCase& c = GetParam();
  EXPECT_EQ(morrow::GetWindowScale(), 1.0);
  int32_t rect[4];
  std::memcpy(rect, c.in, sizeof rect);
  Send(msg::kSizing, c.edge, static_cast<int64_t>(reinterpret_cast<intptr_t>(rect)));
  EXPECT_EQ(std::vector<int32_t>(rect, rect + 4), std::vector<int32_t>(c.out, c.out + 4));
  EXPECT_DOUBLE_EQ(morrow::GetWindowScale(), c.scale);
}

// The screen is 640 x 480; edges 1 left, 2 right, 3 top, 6 bottom, 8 bottom-right.
INSTANTIATE_TEST_SUITE_P(
    Edges, WindowSizing,
    ::testing::Values(SizingCase{2, {0, 0, 1280, 100}, {0, 0, 1280, 960}, 2.0},
                      SizingCase{1, {10, 20, 330, 30}, {10, 20, 330, 260}, 0.5},
                      SizingCase{6, {10, 10, 100, 250}, {10, 10, 330, 250}, 0.5},
                      SizingCase{3, {0, 0, 5, 720}, {0, 0, 960, 720}, 1.5},
                      SizingCase{8, {0, 0, 960, 480}, {0, 0, 960, 720}, 1.5},
                      SizingCase{8, {0, 0, 640, 960}, {0, 0, 1280, 960}, 2.0},
                      SizingCase{9, {1, 2, 3, 4}, {1, 2, 3, 4}, 1.0}),
    [](const auto& info) { return "Case" + std::to_string(info.index); });

TEST_F(WindowRun, SizingIsIgnoredInFullScreenAndMovingIsPinned) {
  morrow::ChangeWindowMode(0);
  int32_t rect[4] = {5, 5, 50, 50};
  Send(msg::kSizing, 2, static_cast<int64_t>(reinterpret_cast<intptr_t>(rect)));
  EXPECT_EQ(rect[2], 50);
  EXPECT_EQ(morrow::GetWindowScale(), 1.0);
  Send(msg::kMoving, 0, static_cast<int64_t>(reinterpret_cast<intptr_t>(rect)));
  EXPECT_EQ(std::vector<int32_t>(rect, rect + 4), (std::vector<int32_t>{0, 0, 640, 480}));
}

TEST_F(WindowRun, MoveMessageMovesTheClientRectangle) {
  Post(msg::kMove, 0, 100 | (50 << 16));
  morrow::PumpMessages();
  int rect[4];
  morrow::GetWindowClientScreenRect(rect);
  EXPECT_EQ(std::vector<int>(rect, rect + 4), (std::vector<int>{100, 50, 740, 530}));
  // The words are signed: a window partly off the desktop's top-left corner.
  Post(msg::kMove, 0, 0xFFEC | (0xFFF6 << 16));
  morrow::PumpMessages();
  morrow::GetWindowClientScreenRect(rect);
  EXPECT_EQ(std::vector<int>(rect, rect + 4), (std::vector<int>{-20, -10, 620, 470}));
}

TEST_F(WindowRun, MousePositionIsRelativeToTheClientArea) {
  fake_.mouseX = 292;
  fake_.mouseY = 194;
  int x = -1, y = -1;
  EXPECT_EQ(morrow::GetMousePosition(&x, &y), 0);
  EXPECT_EQ(x, 100);
  EXPECT_EQ(y, 50);
  EXPECT_EQ(morrow::GetMousePosition(nullptr, nullptr), 0);
}

TEST_F(WindowRun, MouseVisibilityPostsSetCursorOnlyWhenItChanges) {
  ASSERT_TRUE(fake_.cursorShown);
  EXPECT_EQ(morrow::SetMouseVisible(1), 0);
  EXPECT_EQ(Queued(msg::kSetCursor), 0);
  morrow::SetMouseVisible(0);
  EXPECT_FALSE(fake_.cursorShown);
  EXPECT_EQ(Queued(msg::kSetCursor), 1);
  EXPECT_EQ(morrow::GetDefaultCursorVisible(), 0);
  morrow::SetMouseVisible(0);
  EXPECT_EQ(Queued(msg::kSetCursor), 1);
  // While hidden, mouse messages keep the cursor hidden.
  fake_.cursorShown = true;
  Send(msg::kMouseMove);
  EXPECT_FALSE(fake_.cursorShown);
}

struct DisplayCase {
  int depth;
  int width;
  int height;
  bool closes;
};

class DisplayChange : public WindowRun, public ::testing::WithParamInterface<DisplayCase> {};

TEST_P(DisplayChange, UnfollowableChangesCloseTheWindowOnce) {
  const DisplayCase& c = GetParam();
  int64_t size = c.width | (static_cast<int64_t>(c.height) << 16);
  Send(msg::kDisplayChange, static_cast<uint64_t>(c.depth), size);
  Send(msg::kDisplayChange, static_cast<uint64_t>(c.depth), size);
  EXPECT_EQ(morrow::IsClosePosted(), c.closes ? 1 : 0);
  EXPECT_EQ(Queued(msg::kClose), c.closes ? 1 : 0);
  EXPECT_EQ(Count("またはスクリーンが小さすぎるためか色ビット数の違いが大きいためか終了します\n"),
            c.closes ? 2 : 0);
}

// The screen stands at 640 x 480 in 32 bits.
INSTANTIATE_TEST_SUITE_P(
    Modes, DisplayChange,
    ::testing::Values(DisplayCase{32, 640, 480, false}, DisplayCase{16, 1024, 768, false},
                      DisplayCase{24, 1024, 768, true}, DisplayCase{8, 1024, 768, true},
                      DisplayCase{32, 320, 200, true}, DisplayCase{32, 1024, 400, true}),
    [](const auto& info) {
      const DisplayCase& c = info.param;
      return std::to_string(c.width) + "x" + std::to_string(c.height) + "x" +
             std::to_string(c.depth);
    });

TEST_F(WindowRun, GettersReportTheStartedWindow) {
  int w = 0, h = 0, d = 0;
  morrow::GetDesktopScreenInfo(&w, &h, &d);
  EXPECT_EQ(w, 1024);
  EXPECT_EQ(h, 768);
  EXPECT_EQ(d, 32);
  EXPECT_EQ(morrow::GetDesktopScreenInfo(nullptr, nullptr, nullptr), 0);
  int version = 0, level = 0, os = -1;
  morrow::GetLibraryVersion(&version, &level, &os);
  EXPECT_EQ(version, 0x219B);
  EXPECT_EQ(level, 0x70000);
  EXPECT_EQ(morrow::GetDisplayValue(), 0);
  EXPECT_NE(morrow::GetMainWindow(), 0u);
  EXPECT_EQ(morrow::HasWindowRegion(), 0);
}

// Regions: runs of opaque pixels, one rectangle of height 1 each.
struct RegionCase {
  int bytesPerPixel;
  std::vector<uint8_t> pixels;  // 4 x 2 pixels, pitch = 4 * bytes + 3 padding bytes
  std::vector<std::vector<int>> rects;
};

class WindowRegion : public ::testing::TestWithParam<RegionCase> {};

TEST_P(WindowRegion, OpaqueRunsBecomeRectangles) {
  const RegionCase& c = GetParam();
  int pitch = 4 * c.bytesPerPixel + 3;
  std::vector<uint8_t> buffer(static_cast<size_t>(pitch) * 2, 0xEE);  // padding is never read
  for (int y = 0; y < 2; ++y) {
    std::memcpy(&buffer[static_cast<size_t>(y * pitch)],
                &c.pixels[static_cast<size_t>(y * 4 * c.bytesPerPixel)],
                static_cast<size_t>(4 * c.bytesPerPixel));
  }
  morrow::Region* r = morrow::CreateRegionFromPixels(4, 2, buffer.data(), pitch, c.bytesPerPixel);
  ASSERT_NE(r, nullptr);
  std::vector<std::vector<int>> got;
  for (int i = 0; i < morrow::GetRegionRectCount(r); ++i) {
    int rect[4];
    ASSERT_EQ(morrow::GetRegionRect(r, i, rect), 0);
    got.emplace_back(rect, rect + 4);
  }
  EXPECT_EQ(got, c.rects);
  int rect[4];
  EXPECT_EQ(morrow::GetRegionRect(r, morrow::GetRegionRectCount(r), rect), -1);
  morrow::DeleteRegion(r);
}

INSTANTIATE_TEST_SUITE_P(
    Depths, WindowRegion,
    ::testing::Values(
        RegionCase{1, {0, 1, 1, 0, 9, 0, 0, 9}, {{1, 0, 3, 1}, {0, 1, 1, 2}, {3, 1, 4, 2}}},
        RegionCase{2, {0, 0, 0, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, {{1, 0, 3, 1}}},
        // Three bytes: a pixel whose only non-zero byte is any one of the three is opaque.
        RegionCase{3,
                   {0, 0, 7, 7, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 5},
                   {{0, 0, 2, 1}, {3, 1, 4, 2}}},
        RegionCase{4,
                   {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                    0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1},
                   {{0, 1, 4, 2}}}),
    [](const auto& info) { return "Bytes" + std::to_string(info.param.bytesPerPixel); });

TEST(WindowRegionArguments, BadArgumentsMakeNoRegion) {
  uint8_t pixels[16] = {1};
  EXPECT_EQ(morrow::CreateRegionFromPixels(0, 1, pixels, 4, 1), nullptr);
  EXPECT_EQ(morrow::CreateRegionFromPixels(1, -1, pixels, 4, 1), nullptr);
  EXPECT_EQ(morrow::CreateRegionFromPixels(4, 1, nullptr, 4, 1), nullptr);
  EXPECT_EQ(morrow::CreateRegionFromPixels(4, 1, pixels, 3, 1), nullptr);  // pitch too small
  EXPECT_EQ(morrow::CreateRegionFromPixels(2, 1, pixels, 16, 5), nullptr);
  EXPECT_EQ(morrow::GetRegionRectCount(nullptr), 0);
}

TEST_F(WindowRun, RegionIsKeptAndRemoved) {
  uint8_t pixels[4] = {1, 1, 0, 1};
  EXPECT_EQ(morrow::SetWindowRegion(morrow::CreateRegionFromPixels(4, 1, pixels, 4, 1)), 0);
  EXPECT_EQ(morrow::HasWindowRegion(), 1);
  // A graph's pixels cannot be had yet, so no region comes from a graph.
  EXPECT_EQ(morrow::SetWindowRegionFromGraph(5), -1);
  EXPECT_EQ(morrow::HasWindowRegion(), 1);
  EXPECT_EQ(morrow::SetWindowRegionFromGraph(0), 0);
  EXPECT_EQ(morrow::HasWindowRegion(), 0);
}

TEST_F(WindowRun, MenuItemsAreRegisteredWithTheirTextsCut) {
  morrow::Menu* sub = morrow::CreateMenu();
  morrow::AppendMenuItem(sub, 21, "inner", nullptr);
  morrow::Menu* top = morrow::CreateMenu();
  std::string longText(200, 'x');
  morrow::AppendMenuItem(top, 10, longText.c_str(), nullptr);
  morrow::AppendMenuItem(top, 0, nullptr, nullptr);  // separator
  morrow::AppendMenuItem(top, 20, "file", sub);
  EXPECT_EQ(morrow::RegisterMenuItems(top), 0);

  char text[128];
  ASSERT_EQ(morrow::GetMenuItemText(10, text), 0);
  EXPECT_EQ(std::string(text), std::string(127, 'x'));
  ASSERT_EQ(morrow::GetMenuItemText(21, text), 0);
  EXPECT_STREQ(text, "inner");
  EXPECT_EQ(morrow::GetMenuItemText(99, text), -1);
  const morrow::MenuItemRecord* found = morrow::FindMenuItem("file", 0);
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(found->identifier, 20);
  EXPECT_EQ(found->position, 2);
  EXPECT_EQ(morrow::FindMenuItem(nullptr, 21)->menu, sub);

  morrow::MenuItemInfo info;
  EXPECT_EQ(morrow::ReadMenuItem(top, 0, &info), 0);
  EXPECT_EQ(morrow::ReadMenuItem(top, 1, &info), 1);
  EXPECT_EQ(morrow::ReadMenuItem(top, 3, &info), -1);
  EXPECT_EQ(morrow::ReadMenuItem(top, -1, &info), -1);
  morrow::DestroyMenu(top);
}

TEST_F(WindowRun, MenuIsShownOnlyWhenInUseAndNotHidden) {
  EXPECT_EQ(morrow::ShouldShowMenu(), 0);
  EXPECT_EQ(morrow::SetMenuInUse(1), 0);
  EXPECT_EQ(morrow::IsMenuInUse(), 1);
  EXPECT_EQ(morrow::ShouldShowMenu(), 1);
  morrow::SetMenuVisible(0);
  EXPECT_EQ(morrow::IsMenuShownByRequest(), 0);
  EXPECT_EQ(morrow::ShouldShowMenu(), 0);
  morrow::SetMenuVisible(1);
  EXPECT_EQ(morrow::ShouldShowMenu(), 1);
  EXPECT_EQ(morrow::SetMenuInUse(0), 0);
  EXPECT_EQ(morrow::IsMenuInUse(), 0);
  EXPECT_EQ(morrow::ShouldShowMenu(), 0);
}

// The library never started: the window block as a fresh process has it, and left so, so that
// the settings recorded here reach no later test.
class WindowBeforeStart : public ::testing::Test {
 protected:
  void SetUp() override { testsupport::ForgetEarlierStarts(); }
  void TearDown() override { testsupport::ForgetEarlierStarts(); }
};

TEST_F(WindowBeforeStart, SettingsAreOnlyRecorded) {
  EXPECT_EQ(morrow::GetWindowScale(), 1.0);
  EXPECT_EQ(morrow::ChangeWindowMode(5), 0);  // any non-zero value is window mode
  EXPECT_EQ(morrow::IsWindowMode(), 1);
  EXPECT_EQ(morrow::SetWindowIcon(101), 0);
  EXPECT_EQ(morrow::SetWindowTitle(nullptr), 0);
  EXPECT_EQ(morrow::GetMainWindow(), 0u);
  // Without a window the pump neither holds nor reports a closed window.
  EXPECT_EQ(morrow::PumpMessages(), 0);
  morrow::WaitActiveAndRestore();
}

}  // namespace
