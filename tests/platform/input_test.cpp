#include "platform/input.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/input_script.h"
#include "platform/key_codes.h"
#include "platform/window.h"
#include "platform/window_fake.h"
#include "tests/support/temp_dir.h"

namespace {

using platform::ParseInputScript;
using platform::ScriptEvent;

struct LineCase {
  const char* line;
  bool ok;
  ScriptEvent event;
};

class KeyboardScriptLine : public ::testing::TestWithParam<LineCase> {};

TEST_P(KeyboardScriptLine, ParsesOrRejectsOneLine) {
  const LineCase& c = GetParam();
  platform::ParsedScript p = ParseInputScript(c.line);
  if (c.ok) {
    ASSERT_EQ(p.events.size(), 1u) << c.line;
    EXPECT_EQ(p.badLines, 0);
    EXPECT_EQ(p.events[0].frame, c.event.frame);
    EXPECT_EQ(p.events[0].pad, c.event.pad);
    EXPECT_EQ(p.events[0].target, c.event.target);
    EXPECT_EQ(p.events[0].value, c.event.value);
  } else {
    EXPECT_TRUE(p.events.empty()) << c.line;
    EXPECT_EQ(p.badLines, 1) << c.line;
    EXPECT_EQ(p.firstBadLine, 1);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Lines, KeyboardScriptLine,
    ::testing::Values(LineCase{"1 key 44 1", true, {1, false, 44, 1}},
                      LineCase{"0 key 1 1", true, {0, false, 1, 1}},
                      LineCase{"  12\tkey 203   0  ", true, {12, false, 203, 0}},
                      LineCase{"7 key 255 1\r", true, {7, false, 255, 1}},
                      LineCase{"3 pad 1 12", true, {3, true, 1, 0x12}},
                      LineCase{"3 pad 8 0xFFFFFFFF", true, {3, true, 8, 0xFFFFFFFFu}},
                      LineCase{"3 pad 2 0XaB", true, {3, true, 2, 0xAB}},
                      LineCase{"1 key 256 1", false, {}}, LineCase{"1 key 44 2", false, {}},
                      LineCase{"1 key -1 1", false, {}}, LineCase{"-1 key 1 1", false, {}},
                      LineCase{"x key 1 1", false, {}}, LineCase{"1 key 0x2C 1", false, {}},
                      LineCase{"1 pad 0 10", false, {}}, LineCase{"1 pad 9 10", false, {}},
                      LineCase{"1 pad 1 1G", false, {}}, LineCase{"1 pad 1 0x", false, {}},
                      LineCase{"1 pad 1 100000000", false, {}}, LineCase{"1 key 44", false, {}},
                      LineCase{"1 key", false, {}}, LineCase{"1", false, {}},
                      LineCase{"1 key 44 1 1", false, {}}, LineCase{"1 mouse 1 1", false, {}},
                      LineCase{"1 KEY 44 1", false, {}},
                      LineCase{"99999999999999999999999 key 1 1", false, {}},
                      LineCase{"1 key +4 1", false, {}}),
    [](const auto& info) { return "Line" + std::to_string(info.index); });

TEST(KeyboardScript, EmptyLinesAreSkippedAndLinesSortByFrameKeepingFileOrder) {
  platform::ParsedScript p =
      ParseInputScript("5 key 1 1\n\n  \n2 pad 1 4\nbad line\n2 key 1 0\n0 key 2 1\nworse\n");
  EXPECT_EQ(p.badLines, 2);
  EXPECT_EQ(p.firstBadLine, 5);
  ASSERT_EQ(p.events.size(), 4u);
  EXPECT_EQ(p.events[0].frame, 0u);
  EXPECT_EQ(p.events[1].frame, 2u);
  EXPECT_TRUE(p.events[1].pad);
  EXPECT_EQ(p.events[2].frame, 2u);
  EXPECT_FALSE(p.events[2].pad);
  EXPECT_EQ(p.events[3].frame, 5u);
}

// A script cut anywhere, or made of noise, parses without harm and keeps only whole lines.
TEST(KeyboardScript, TruncatedAndRandomTextIsHarmless) {
  const std::string full = "1 key 44 1\n1 key 203 1\n30 pad 2 0x1F\n31 key 44 0\n";
  for (size_t cut = 0; cut <= full.size(); ++cut) {
    platform::ParsedScript p = ParseInputScript(full.substr(0, cut));
    EXPECT_LE(p.events.size(), 4u);
    EXPECT_LE(p.badLines, 1);
  }
  std::mt19937 rng(12345);
  for (int round = 0; round < 200; ++round) {
    std::string noise(static_cast<size_t>(rng() % 300), '\0');
    for (char& c : noise) c = static_cast<char>(rng() % 256);
    platform::ParsedScript p = ParseInputScript(noise);
    for (const ScriptEvent& e : p.events) {
      EXPECT_TRUE(e.pad ? (e.target >= 1 && e.target <= 8) : (e.target >= 0 && e.target <= 255));
    }
  }
}

TEST(PadInputScript, BitsBecomeAStickAndButtons) {
  platform::PadState s = platform::PadStateFromBits(0x2 | 0x1 | 0x10 | (1u << 27));
  EXPECT_EQ(s.axisCount, 2);
  EXPECT_LT(s.axes[0], 0);
  EXPECT_GT(s.axes[1], 0);
  EXPECT_EQ(s.buttons[0], 0x80);
  EXPECT_EQ(s.buttons[1], 0);
  EXPECT_EQ(s.buttons[23], 0x80);
  // Opposite ends together leave the stick near its rest position.
  platform::PadState both = platform::PadStateFromBits(0xF);
  EXPECT_GE(both.axes[0], -1);
  EXPECT_LE(both.axes[0], 1);
  EXPECT_GE(both.axes[1], -1);
  EXPECT_LE(both.axes[1], 1);
}

class PadInputScriptFrames : public ::testing::Test {
 protected:
  void SetUp() override { platform::BeginInputFrames(); }
  void TearDown() override { platform::EndInputFrames(); }
  static uint8_t Key(platform::InputService& s, int code) {
    uint8_t keys[platform::kKeyCount];
    EXPECT_TRUE(s.ReadKeyboard(keys));
    return keys[code];
  }
};

TEST_F(PadInputScriptFrames, LinesApplyWhenTheirFrameComes) {
  platform::ScriptInputService s(
      ParseInputScript("0 key 1 1\n1 key 2 1\n2 key 3 1\n3 pad 2 0x10\n3 key 1 0\n").events);
  ASSERT_TRUE(s.Start());
  EXPECT_EQ(s.EnumeratePads(), 2);
  // Frames 0 and 1 from the start.
  EXPECT_EQ(Key(s, 1), 0x80);
  EXPECT_EQ(Key(s, 2), 0x80);
  EXPECT_EQ(Key(s, 3), 0);
  EXPECT_TRUE(s.KeyboardSignalled());
  s.ResetKeyboardSignal();
  EXPECT_FALSE(s.KeyboardSignalled());
  platform::NotifyPump();  // frame 1 done: frame 2's lines
  EXPECT_TRUE(s.KeyboardSignalled());
  EXPECT_EQ(Key(s, 3), 0x80);
  platform::PadState pad;
  ASSERT_EQ(s.ReadPad(1, &pad), platform::PadRead::kOk);
  EXPECT_EQ(pad.buttons[0], 0);
  EXPECT_FALSE(s.PadSignalled(1));
  platform::NotifyPump();
  EXPECT_TRUE(s.PadSignalled(1));
  ASSERT_EQ(s.ReadPad(1, &pad), platform::PadRead::kOk);
  EXPECT_EQ(pad.buttons[0], 0x80);
  EXPECT_EQ(Key(s, 1), 0);
  EXPECT_EQ(s.ReadPad(2, &pad), platform::PadRead::kDetached);
  // The buffer saw every key change: four of them.
  EXPECT_EQ(s.DrainKeyboardEvents(5), 4);
  EXPECT_EQ(s.DrainKeyboardEvents(5), 0);
}

TEST_F(PadInputScriptFrames, PresentsTakeOverFromPumpCalls) {
  platform::NotifyPump();
  platform::NotifyPump();
  EXPECT_EQ(platform::CompletedInputFrames(), 2u);
  platform::NotifyPresent();
  EXPECT_EQ(platform::CompletedInputFrames(), 1u);
  platform::NotifyPump();
  EXPECT_EQ(platform::CompletedInputFrames(), 1u);
  platform::NotifyPresent();
  EXPECT_EQ(platform::CompletedInputFrames(), 2u);
  platform::EndInputFrames();
  EXPECT_EQ(platform::NotifyPresent(), 0u);
  EXPECT_EQ(platform::CompletedInputFrames(), 2u);  // nothing counts after the end
  platform::BeginInputFrames();
  EXPECT_EQ(platform::CompletedInputFrames(), 0u);
}

TEST_F(PadInputScriptFrames, SystemKeysFollowTheScriptedKeys) {
  platform::ScriptInputService s(ParseInputScript("1 key 1 1\n1 key 203 1\n").events);
  uint8_t vk[platform::kKeyCount];
  s.SystemKeyState(vk);
  EXPECT_EQ(vk[0x1B], 0x80);
  EXPECT_EQ(vk[0x25], 0x80);
  EXPECT_EQ(vk[0x27], 0);
}

// Only a regular file within the limit is a script: anything else is named on stderr with why,
// at once (a named pipe with no writer must not hold the start), and the script is empty.
TEST(KeyboardScript, UnreadableOrUnfitInputIsReported) {
  testsupport::TempDir dir;
  const std::string pipe = dir.File("pipe");
  ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
  const std::string large = dir.File("large.txt");
  const std::string limit = dir.File("limit.txt");
  for (const auto& [path, size] : {std::pair{large, platform::kMaxInputScriptBytes + 1},
                                   std::pair{limit, platform::kMaxInputScriptBytes}}) {
    testsupport::WriteFile(path, "");
    ASSERT_EQ(truncate(path.c_str(), static_cast<off_t>(size)), 0);
  }
  const struct {
    std::string path;
    std::string reason;
  } cases[] = {{"/nonexistent/dir/script.txt", "No such file or directory"},
               {dir.path(), "is a folder, not a file"},
               {pipe, "is a named pipe, not a file"},
               {"/dev/zero", "is a device, not a file"},
               {large, "larger than 67108864 bytes"}};
  for (const auto& c : cases) {
    platform::ScriptInputService* s = nullptr;
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(platform::ScriptInputService::LoadFile(c.path, &s)) << c.path;
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "morrow: cannot read the input script " + c.path + ": " + c.reason + "\n");
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->EnumeratePads(), 0);
    delete s;
  }
  // A file of exactly the limit is read (its zero bytes are one long malformed line).
  platform::ScriptInputService* s = nullptr;
  ::testing::internal::CaptureStderr();
  EXPECT_TRUE(platform::ScriptInputService::LoadFile(limit, &s));
  ::testing::internal::GetCapturedStderr();
  delete s;
}

TEST(KeyboardCodes, GameKeysHaveVirtualKeys) {
  EXPECT_EQ(platform::VirtualKeyOfKeyCode(platform::key::kEscape), 0x1B);
  EXPECT_EQ(platform::VirtualKeyOfKeyCode(platform::key::kZ), 'Z');
  EXPECT_EQ(platform::VirtualKeyOfKeyCode(platform::key::kLeft), 0x25);
  EXPECT_EQ(platform::VirtualKeyOfKeyCode(platform::key::kF5), 0x74);
  EXPECT_EQ(platform::VirtualKeyOfKeyCode(platform::key::kNumpad2), 0x62);
  EXPECT_EQ(platform::VirtualKeyOfKeyCode(0x00), 0);
  EXPECT_EQ(platform::VirtualKeyOfKeyCode(0xFF), 0);
}

}  // namespace

namespace {

// MORROW_MAX_FRAMES: the frame count of scripted input ends the run with a window close.
TEST(FrameLimit, ClosesTheWindowOnceAfterFrameN) {
  struct Case {
    const char* value;  // null: unset
    bool presents;      // else the program only pumps
    int closedAfter;    // frame after which the close is queued; 0 never
  } cases[] = {
      {nullptr, true, 0}, {"3", true, 3},  {"1", true, 1},   {"3", false, 3},
      {"0", true, 0},     {"-2", true, 0}, {"abc", true, 0}, {"0x4", true, 4},
  };
  platform::ClearFrameLimit();  // the environment's value counts
  platform::FakeWindowService window;
  platform::InstallWindowService(&window);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value != nullptr ? c.value : "unset");
    if (c.value != nullptr) {
      setenv("MORROW_MAX_FRAMES", c.value, 1);
    } else {
      unsetenv("MORROW_MAX_FRAMES");
    }
    window.Queue().Clear();
    platform::BeginInputFrames();
    int closedAfter = 0;
    for (int frame = 1; frame <= 10; ++frame) {
      if (c.presents) {
        EXPECT_EQ(platform::NotifyPresent(), static_cast<uint64_t>(frame));
        platform::NotifyPump();  // pumps between presents change nothing
      } else {
        platform::NotifyPump();
      }
      int closes = 0;
      platform::MessageQueue copy = window.Queue();
      platform::WindowMessage m;
      while (copy.TakeHead(&m)) closes += m.id == platform::msg::kClose ? 1 : 0;
      if (closes > 0 && closedAfter == 0) closedAfter = frame;
      EXPECT_LE(closes, 1) << "posted once";
    }
    EXPECT_EQ(closedAfter, c.closedAfter);
    platform::EndInputFrames();
  }
  unsetenv("MORROW_MAX_FRAMES");
  // A value set by hand holds over the environment's.
  setenv("MORROW_MAX_FRAMES", "1", 1);
  platform::SetFrameLimit(2);
  window.Queue().Clear();
  platform::BeginInputFrames();
  platform::NotifyPresent();
  EXPECT_EQ(window.Queue().size(), 0u);
  platform::NotifyPresent();
  EXPECT_EQ(window.Queue().size(), 1u);
  EXPECT_EQ(platform::FrameLimit(), 2u);
  platform::EndInputFrames();
  platform::NotifyPresent();
  // Cleared, the environment's value holds again.
  platform::ClearFrameLimit();
  EXPECT_EQ(platform::FrameLimit(), 1u);
  unsetenv("MORROW_MAX_FRAMES");
  platform::InstallWindowService(nullptr);
}

// The report comes once a process, so the value is read in a fresh one.
TEST(FrameLimitDeathTest, ZeroIsReportedAsNoFrameCount) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  setenv("MORROW_MAX_FRAMES", "0", 1);
  EXPECT_EXIT((platform::FrameLimit(), std::_Exit(0)), ::testing::ExitedWithCode(0),
              "ignoring MORROW_MAX_FRAMES=\"0\" \\(expected a frame count of 1 or more");
  unsetenv("MORROW_MAX_FRAMES");
}

}  // namespace
