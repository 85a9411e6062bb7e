#include "morrow/system/input.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "morrow/system/library.h"
#include "morrow/system/window.h"
#include "platform/input_fake.h"
#include "platform/input_script.h"
#include "platform/key_codes.h"
#include "tests/morrow/system/library_fixture.h"

namespace {

namespace key = platform::key;

// The library on fake window and input services; the clock stands still unless a test moves it.
class InputFixture : public testsupport::LibraryFixture {
 protected:
  void SetUp() override {
    LibraryFixture::SetUp();
    platform::InstallInputService(&input_);
  }
  void TearDown() override {
    LibraryFixture::TearDown();
    platform::InstallInputService(nullptr);
  }
  void Start() {
    morrow::ChangeWindowMode(1);
    ASSERT_EQ(morrow::InitLibrary(), 0);
    clock_.SetStepPerRead(0);
    // The keyboard's first poll was stamped at its start; reads in that millisecond see nothing.
    NextMillisecond();
  }
  void NextMillisecond() { clock_.Advance(1000); }

  platform::FakeInputService input_;
};

class PadInput : public InputFixture {};
class Keyboard : public InputFixture {};

struct DeviceCase {
  int device;
  int bits;
};

class PadInputDevice : public InputFixture, public ::testing::WithParamInterface<DeviceCase> {};

TEST_P(PadInputDevice, DeviceNumberSelectsThePadAndTheKeyboard) {
  platform::FakeInputService::Pad& pad = input_.AddPad();
  pad.state.axes[1] = 32767;  // down
  pad.state.buttons[1] = 0x80;
  input_.keys[key::kZ] = 0x80;
  input_.keys[key::kLeft] = 0x80;
  Start();
  EXPECT_EQ(morrow::GetPadInputBits(GetParam().device), GetParam().bits);
}

INSTANTIATE_TEST_SUITE_P(
    Devices, PadInputDevice,
    ::testing::Values(DeviceCase{0x1000, 0x12},  // the keyboard alone: Z and left
                      DeviceCase{0x1001, 0x33},  // pad 1 (down, button 2) with the keyboard
                      DeviceCase{1, 0x21},       // pad 1 alone
                      DeviceCase{0x1002, 0x12},  // no pad 2: the keyboard's bits only
                      DeviceCase{2, 0}, DeviceCase{9, 0}, DeviceCase{0x1009, 0}, DeviceCase{0, 0},
                      DeviceCase{-1, 0}, DeviceCase{0x3001, 0}, DeviceCase{0x1008, 0x12}),
    [](const auto& info) { return "Device" + std::to_string(info.index); });

struct AxisCase {
  int32_t x;
  int32_t y;
  int bits;
};

class PadInputAxis : public InputFixture, public ::testing::WithParamInterface<AxisCase> {};

TEST_P(PadInputAxis, AnyValueOutsideTheDeadZoneSetsItsDirection) {
  platform::FakeInputService::Pad& pad = input_.AddPad();
  pad.state.axes[0] = GetParam().x;
  pad.state.axes[1] = GetParam().y;
  Start();
  EXPECT_EQ(morrow::GetPadInputBits(1), GetParam().bits);
}

// The dead zone is a quarter of the travel: up to 8191 of 32767 reads as the rest position.
INSTANTIATE_TEST_SUITE_P(Values, PadInputAxis,
                         ::testing::Values(AxisCase{-20000, 0, 0x2}, AxisCase{-5000, 0, 0},
                                           AxisCase{20000, 0, 0x4}, AxisCase{0, -20000, 0x8},
                                           AxisCase{0, 20000, 0x1}, AxisCase{8191, -8191, 0},
                                           AxisCase{8192, -8192, 0xC}, AxisCase{-32768, 32767, 0x3},
                                           AxisCase{32767, -32768, 0xC}),
                         [](const auto& info) { return "Axis" + std::to_string(info.index); });

TEST_F(PadInput, ButtonsGiveOneBitEachFromSixteen) {
  platform::FakeInputService::Pad& pad = input_.AddPad(32);
  Start();
  const struct {
    int button;
    int bits;
  } cases[] = {{0, 0x10}, {3, 0x80}, {9, 0x2000}, {23, 1 << 27}, {24, 0}, {31, 0}};
  for (const auto& c : cases) {
    pad.state = platform::PadState{};
    pad.state.axisCount = 2;
    pad.state.buttonCount = 32;
    pad.state.buttons[c.button] = 0x80;
    NextMillisecond();
    EXPECT_EQ(morrow::GetPadInputBits(1), c.bits) << "button " << c.button;
  }
}

TEST_F(PadInput, DeviceWithoutStickOrButtonsReadsAsNothingHeld) {
  platform::FakeInputService::Pad& oneAxis = input_.AddPad(4);
  oneAxis.state.axisCount = 1;
  oneAxis.state.axes[0] = -32768;
  oneAxis.state.buttons[0] = 0x80;
  platform::FakeInputService::Pad& noButtons = input_.AddPad(0);
  noButtons.state.axes[0] = -32768;
  Start();
  EXPECT_EQ(morrow::GetPadCount(), 2);
  EXPECT_EQ(morrow::GetPadInputBits(1), 0);
  EXPECT_EQ(morrow::GetPadInputBits(2), 0);
}

TEST_F(PadInput, ReadsAtMostOncePerMillisecondUnlessTheDeviceSignalled) {
  platform::FakeInputService::Pad& pad = input_.AddPad();
  Start();
  EXPECT_EQ(morrow::GetPadInputBits(1), 0);
  int reads = pad.reads;
  pad.state.buttons[0] = 0x80;
  EXPECT_EQ(morrow::GetPadInputBits(1), 0);  // same millisecond: the stored state
  EXPECT_EQ(morrow::GetPadInputBits(1), 0);
  EXPECT_EQ(pad.reads, reads);
  pad.signal = true;  // the device reported a change
  EXPECT_EQ(morrow::GetPadInputBits(1), 0x10);
  EXPECT_EQ(pad.reads, reads + 1);
  EXPECT_FALSE(pad.signal);
  pad.state.buttons[0] = 0;
  NextMillisecond();
  EXPECT_EQ(morrow::GetPadInputBits(1), 0);
  EXPECT_EQ(pad.reads, reads + 2);
}

TEST_F(PadInput, FailedReadsKeepTheLastStateAndADetachedPadHoldsNothing) {
  platform::FakeInputService::Pad& pad = input_.AddPad();
  pad.state.buttons[2] = 0x80;
  Start();
  EXPECT_EQ(morrow::GetPadInputBits(1), 0x40);
  // One failure: the pad is acquired again and the second read answers.
  pad.failingReads = 1;
  pad.state.buttons[3] = 0x80;
  NextMillisecond();
  int acquisitions = pad.acquisitions;
  EXPECT_EQ(morrow::GetPadInputBits(1), 0xC0);
  EXPECT_EQ(pad.acquisitions, acquisitions + 1);
  // Failing for good: the held buttons stay held.
  pad.failingReads = -1;
  pad.state.buttons[2] = 0;
  NextMillisecond();
  EXPECT_EQ(morrow::GetPadInputBits(1), 0xC0);
  // Unplugged: nothing is held any more.
  pad.detached = true;
  NextMillisecond();
  EXPECT_EQ(morrow::GetPadInputBits(1), 0);
}

TEST_F(PadInput, WindowClosedDuringARetryEndsTheRead) {
  platform::FakeInputService::Pad& pad = input_.AddPad();
  Start();
  pad.failingReads = -1;
  fake_.Queue().Post(platform::WindowMessage{platform::msg::kClose, 0, 0});
  NextMillisecond();
  EXPECT_EQ(morrow::UpdateJoypadState(0), -1);
  EXPECT_EQ(morrow::IsWindowDestroyed(), 1);
  EXPECT_EQ(morrow::UpdateJoypadState(7), 0);  // no such pad
  EXPECT_EQ(morrow::UpdateJoypadState(-1), 0);
}

TEST_F(PadInput, EnumerationSkipsDevicesThatFailAndLogsEachStep) {
  input_.AddPad().info = platform::PadInfo{"First", "Maker one"};
  input_.AddPad().openFails = true;
  input_.AddPad().notificationFails = true;
  input_.AddPad().info = platform::PadInfo{"Fourth", "Maker four"};
  Start();
  EXPECT_EQ(morrow::GetPadCount(), 2);
  // The device whose notification failed was let go.
  EXPECT_FALSE(input_.pads[2].opened);
  EXPECT_TRUE(input_.pads[3].opened);
  input_.pads[3].state.buttons[0] = 0x80;
  EXPECT_EQ(morrow::GetPadInputBits(2), 0x10);

  std::vector<std::string> lines = LogLines();
  auto at = std::find(lines.begin(), lines.end(), "\tジョイパッドの初期化... ");
  ASSERT_NE(at, lines.end());
  const std::vector<std::string> expected = {
      "\tジョイパッドの初期化... ",
      "\t入力装置を見つけました",
      "\t\tデバイスの登録名:First",
      "\t\tデバイスの製品登録名:Maker one",
      "\tジョイパッドの追加は正常に終了しました",
      "\t入力装置を見つけました",
      "\t入力装置の取得に失敗しました",
      "\t入力装置を見つけました",
      "\t\tデバイスの登録名:Fake pad",
      "\t\tデバイスの製品登録名:Fake product",
      "\tジョイパッドイベントのセットアップが失敗しました",
      "\t入力装置を見つけました",
      "\t\tデバイスの登録名:Fourth",
      "\t\tデバイスの製品登録名:Maker four",
      "\tジョイパッドの追加は正常に終了しました",
      "\tジョイパッドの初期化は正常に終了しました",
      "\tキーボードデバイスの初期化... 初期化成功",
      "DirectInput 関連の初期化は正常に終了しました",
  };
  ASSERT_GE(static_cast<size_t>(lines.end() - at), expected.size());
  EXPECT_EQ(std::vector<std::string>(at, at + static_cast<long>(expected.size())), expected);
}

TEST_F(PadInput, AtMostEightPadsAreTaken) {
  for (int i = 0; i < 10; ++i) input_.AddPad().state.buttons[i] = 0x80;
  Start();
  EXPECT_EQ(morrow::GetPadCount(), 8);
  EXPECT_EQ(morrow::GetPadInputBits(8), 0x10 << 7);
  EXPECT_FALSE(input_.pads[8].opened);
  EXPECT_FALSE(input_.pads[9].opened);
  // A ninth pad cannot be added by hand either.
  EXPECT_EQ(morrow::EnumJoypadCallback(8), 0);
  EXPECT_FALSE(input_.pads[8].opened);
  EXPECT_EQ(morrow::GetPadCount(), 8);
}

struct NotStartedCase {
  bool startFails;
  int device;
};

class PadInputNotStarted : public InputFixture,
                           public ::testing::WithParamInterface<NotStartedCase> {
 protected:
  void SetUp() override {
    InputFixture::SetUp();
    testsupport::ForgetEarlierStarts();
  }
};

// Reads made before the input system runs start it and read as nothing held (not as the start's
// -1 or 1, which would read as every bit held or as Escape down).
TEST_P(PadInputNotStarted, ReadStartsTheInputSystemAndReturnsZero) {
  const NotStartedCase& c = GetParam();
  input_.startFails = c.startFails;
  input_.keyboardNotificationFails = true;  // the start answers 1
  input_.keys[key::kEscape] = 0x80;
  EXPECT_EQ(morrow::GetPadInputBits(c.device), 0);
  if (c.startFails) {
    // Every read tries the start again, and each reads as nothing held.
    EXPECT_EQ(morrow::IsKeyPressed(key::kEscape), 0);
    EXPECT_EQ(morrow::GetPadCount(), 0);
    EXPECT_EQ(input_.starts, 3);
  } else {
    EXPECT_EQ(input_.starts, 1);
    EXPECT_EQ(morrow::IsKeyPressed(key::kEscape), 1);
    clock_.Advance(1000);
    EXPECT_EQ(morrow::GetPadInputBits(c.device), 0x1000);
    EXPECT_EQ(input_.starts, 1);
  }
}

INSTANTIATE_TEST_SUITE_P(Starts, PadInputNotStarted,
                         ::testing::Values(NotStartedCase{false, 0x1000},
                                           NotStartedCase{true, 0x1000},
                                           NotStartedCase{false, 0x1001}),
                         [](const auto& info) { return "Case" + std::to_string(info.index); });

TEST_F(Keyboard, TwoTestsInOneMillisecondReadTheDeviceOnce) {
  Start();
  input_.keys[key::kF5] = 0x80;
  NextMillisecond();
  int reads = input_.keyboardReads;
  EXPECT_EQ(morrow::IsKeyPressed(key::kF5), 1);
  input_.keys[key::kF5] = 0;
  EXPECT_EQ(morrow::IsKeyPressed(key::kF5), 1);
  EXPECT_EQ(input_.keyboardReads, reads + 1);
  input_.keyboardSignal = true;
  EXPECT_EQ(morrow::IsKeyPressed(key::kF5), 0);
  EXPECT_EQ(input_.keyboardReads, reads + 2);
  EXPECT_FALSE(input_.keyboardSignal);
  EXPECT_EQ(morrow::IsKeyPressed(256), 0);
  EXPECT_EQ(morrow::IsKeyPressed(-1), 0);
}

TEST_F(Keyboard, FailedReadIsRetriedOnceAfterAcquiring) {
  Start();
  input_.keys[key::kSpace] = 0x80;
  input_.failingKeyboardReads = 1;
  NextMillisecond();
  int acquisitions = input_.keyboardAcquisitions;
  EXPECT_EQ(morrow::UpdateKeyboardState(), 1);
  EXPECT_EQ(input_.keyboardAcquisitions, acquisitions + 1);
  EXPECT_EQ(morrow::IsKeyPressed(key::kSpace), 1);
  input_.keys[key::kSpace] = 0;
  input_.failingKeyboardReads = -1;
  NextMillisecond();
  EXPECT_EQ(morrow::UpdateKeyboardState(), 0);
  EXPECT_EQ(morrow::IsKeyPressed(key::kSpace), 1);  // the last state stays
}

TEST_F(Keyboard, KeyboardMapFeedsThePadBits) {
  Start();
  const struct {
    uint8_t key;
    int bit;
  } map[] = {{0x50, 0x1},   {0xD0, 0x1},    {0x4B, 0x2},    {0xCB, 0x2},   {0x4D, 0x4},
             {0xCD, 0x4},   {0x48, 0x8},    {0xC8, 0x8},    {0x2C, 0x10},  {0x2D, 0x20},
             {0x2E, 0x40},  {0x1E, 0x80},   {0x1F, 0x100},  {0x20, 0x200}, {0x10, 0x400},
             {0x11, 0x800}, {0x01, 0x1000}, {0x39, 0x2000}, {0x3B, 0},     {0x1C, 0}};
  for (const auto& m : map) {
    std::fill(input_.keys, input_.keys + 256, 0);
    input_.keys[m.key] = 0x80;
    NextMillisecond();
    EXPECT_EQ(morrow::GetPadInputBits(0x1000), m.bit) << "key " << int{m.key};
  }
}

TEST_F(Keyboard, PumpEmptiesTheKeyBufferFiveAtATime) {
  Start();
  input_.bufferedEvents = 12;
  int drains = input_.drains;
  morrow::PumpMessages();
  EXPECT_EQ(input_.bufferedEvents, 0);
  EXPECT_EQ(input_.drains - drains, 3);  // 5, 5, then 2 ends it
  input_.bufferedEvents = 10;
  drains = input_.drains;
  morrow::PumpMessages();
  EXPECT_EQ(input_.drains - drains, 3);  // 5, 5, then 0 ends it
}

TEST_F(Keyboard, NotificationFailureLeavesAWorkingKeyboardAndReturnsOne) {
  input_.keyboardNotificationFails = true;
  EXPECT_EQ(morrow::InitDirectInput(), 1);
  EXPECT_EQ(input_.keyboardAcquisitions, 0);
  input_.keys[key::kX] = 0x80;
  clock_.SetStepPerRead(0);
  clock_.Advance(1000);
  EXPECT_EQ(morrow::IsKeyPressed(key::kX), 1);
  EXPECT_EQ(morrow::InitDirectInput(), 0);  // already running
  EXPECT_EQ(morrow::TerminateDirectInput(), 0);
  EXPECT_EQ(input_.stops, 1);
}

TEST_F(Keyboard, StartFailureReturnsMinusOneAndEndsTheLibraryStart) {
  input_.startFails = true;
  morrow::ChangeWindowMode(1);
  EXPECT_EQ(morrow::InitLibrary(), -1);
  EXPECT_EQ(Count("DirectInputオブジェクトの取得中... 取得に失敗\n"), 1);
  EXPECT_EQ(Count("ＣＯＭを終了... 完了\n"), 1);
  EXPECT_FALSE(fake_.window);
}

struct FatalCase {
  platform::KeyboardOpen open;
  int failingAcquisitions;
  const char* line;
};

class KeyboardFatal : public InputFixture, public ::testing::WithParamInterface<FatalCase> {};

TEST_P(KeyboardFatal, KeyboardFailuresEndTheProgram) {
  input_.keyboardOpen = GetParam().open;
  input_.failingAcquisitions = GetParam().failingAcquisitions;
  morrow::ChangeWindowMode(1);
  EXPECT_EXIT(morrow::InitLibrary(), ::testing::ExitedWithCode(255), "");
  EXPECT_EQ(Count(std::string("キーボードデバイスの初期化... ") + GetParam().line + "\n"), 1);
  std::string log = Log();
  const std::string last = "ソフトをエラー終了します";
  ASSERT_GE(log.size(), last.size());
  EXPECT_EQ(log.substr(log.size() - last.size()), last);
  // The library was ended on the way out.
  EXPECT_EQ(Count("ウインドウが破棄されようとしています\n"), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Steps, KeyboardFatal,
    ::testing::Values(
        FatalCase{platform::KeyboardOpen::kNoDevice, 0, "キーボードデバイスの取得に失敗しました"},
        FatalCase{platform::KeyboardOpen::kNoFormat, 0,
                  "キーボードデバイスのデータ形式の設定に失敗しました"},
        FatalCase{platform::KeyboardOpen::kNoCooperation, 0,
                  "キーボードデバイスの協調レベルの設定に失敗しました"},
        FatalCase{platform::KeyboardOpen::kOk, 2, "キーボードデバイスの取得に失敗しました"}),
    [](const auto& info) { return "Step" + std::to_string(info.index); });

TEST_F(Keyboard, OneFailedAcquisitionIsRetried) {
  input_.failingAcquisitions = 1;
  Start();
  EXPECT_EQ(input_.keyboardAcquisitions, 2);
  EXPECT_EQ(Count("キーボードデバイスの初期化... 初期化成功\n"), 1);
}

TEST_F(Keyboard, BufferPropertyFailureIsOnlyLogged) {
  input_.bufferFails = true;
  Start();
  EXPECT_EQ(input_.bufferSize, 100);
  EXPECT_EQ(Count("キーボードのプロパティ設定に失敗しました\n"), 1);
}

// After the end (the library posted its own close and the input system is gone) keys are read
// from the window system's key state through the fixed table of virtual keys.
struct FallbackCase {
  uint8_t virtualKey;
  std::vector<int> keys;
};

class KeyboardFallback : public InputFixture, public ::testing::WithParamInterface<FallbackCase> {};

TEST_P(KeyboardFallback, WindowSystemKeysAfterTheEnd) {
  Start();
  morrow::EndLibrary();
  ASSERT_EQ(morrow::IsClosePosted(), 1);
  input_.systemKeys[GetParam().virtualKey] = 0x80;
  int down = 0;
  for (int k = 0; k < 256; ++k) {
    bool expected =
        std::find(GetParam().keys.begin(), GetParam().keys.end(), k) != GetParam().keys.end();
    EXPECT_EQ(morrow::IsKeyPressed(k), expected ? 1 : 0) << "key " << k;
    down += morrow::IsKeyPressed(k);
  }
  EXPECT_EQ(down, static_cast<int>(GetParam().keys.size()));
  EXPECT_EQ(input_.starts, 1);  // reading did not start the input system again
}

INSTANTIATE_TEST_SUITE_P(Keys, KeyboardFallback,
                         ::testing::Values(FallbackCase{0x1B, {0x01}}, FallbackCase{0x25, {0xCB}},
                                           FallbackCase{0x0D, {0x1C, 0x9C}},
                                           FallbackCase{0x5A, {0x2C}}, FallbackCase{0x30, {0x0B}},
                                           FallbackCase{0xDC, {0x7D}}, FallbackCase{0x7B, {0x58}},
                                           FallbackCase{0x10, {}}, FallbackCase{0xFF, {}}),
                         [](const auto& info) {
                           return "Vk" + std::to_string(info.param.virtualKey);
                         });

// A script drives the reads frame by frame; without presents, each pump call ends a frame.
TEST_F(PadInput, ScriptFramesFollowThePumpCalls) {
  platform::ScriptInputService script(
      platform::ParseInputScript("1 key 44 1\n1 key 203 1\n3 pad 1 0x81\n4 key 44 0\n"
                                 "6 pad 1 0\n")
          .events);
  platform::InstallInputService(&script);
  Start();
  EXPECT_EQ(morrow::GetPadCount(), 1);
  std::vector<int> bits;
  for (int frame = 1; frame <= 6; ++frame) {
    bits.push_back(morrow::GetPadInputBits(0x1001));
    morrow::PumpMessages();
  }
  EXPECT_EQ(bits, (std::vector<int>{0x12, 0x12, 0x93, 0x83, 0x83, 0x2}));
  morrow::EndLibrary();
  platform::InstallInputService(&input_);
}

}  // namespace
