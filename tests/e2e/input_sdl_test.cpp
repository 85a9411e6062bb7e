// Keyboard and pads through SDL itself: pushed key events and virtual joysticks under the dummy
// video driver, read by the library as the game reads them.
#include <SDL.h>
#include <stdlib.h>

#include <gtest/gtest.h>

#include "morrow/system/input.h"
#include "morrow/system/library.h"
#include "morrow/system/window.h"
#include "platform/input.h"
#include "tests/morrow/system/library_fixture.h"

namespace {

class SdlInputFixture : public testsupport::LibraryFixture {
 protected:
  void SetUp() override {
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    unsetenv("MORROW_INPUT_SCRIPT");
    LibraryFixture::SetUp();
    platform::InstallInputService(nullptr);
  }
  void TearDown() override {
    LibraryFixture::TearDown();
    if (joystick_ != nullptr) SDL_JoystickClose(joystick_);
    if (virtualIndex_ >= 0) SDL_JoystickDetachVirtual(virtualIndex_);
    if (joystickUp_) SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
  }
  // A virtual pad of two axes and four buttons, attached before the library starts.
  void AttachPad() {
    ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_JOYSTICK), 0);
    joystickUp_ = true;
    virtualIndex_ = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, 2, 4, 0);
    ASSERT_GE(virtualIndex_, 0) << SDL_GetError();
    joystick_ = SDL_JoystickOpen(virtualIndex_);
    ASSERT_NE(joystick_, nullptr);
  }
  void Start() {
    morrow::ChangeWindowMode(1);
    ASSERT_EQ(morrow::InitLibrary(), 0);
    clock_.SetStepPerRead(0);
    clock_.Advance(1000);
  }
  static void PushKey(SDL_Scancode s, bool down) {
    SDL_Event e{};
    e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    e.key.keysym.scancode = s;
    e.key.keysym.sym = SDL_GetKeyFromScancode(s);
    ASSERT_EQ(SDL_PushEvent(&e), 1);
  }

  SDL_Joystick* joystick_ = nullptr;
  int virtualIndex_ = -1;
  bool joystickUp_ = false;
};

class PadInputSdl : public SdlInputFixture {};
class KeyboardSdl : public SdlInputFixture {};

TEST_F(PadInputSdl, VirtualStickAndButtonsReadAsPadBits) {
  AttachPad();
  Start();
  ASSERT_EQ(morrow::GetPadCount(), 1);
  const struct {
    int axis;
    Sint16 value;
    int bits;
  } axes[] = {{0, -20000, 0x2}, {0, -5000, 0}, {0, 20000, 0x4},
              {1, -20000, 0x8}, {1, 5000, 0},  {1, 30000, 0x1}};
  for (const auto& a : axes) {
    SDL_JoystickSetVirtualAxis(joystick_, 0, 0);
    SDL_JoystickSetVirtualAxis(joystick_, 1, 0);
    SDL_JoystickSetVirtualAxis(joystick_, a.axis, a.value);
    clock_.Advance(1000);
    EXPECT_EQ(morrow::GetPadInputBits(1), a.bits) << "axis " << a.axis << " at " << a.value;
  }
  SDL_JoystickSetVirtualAxis(joystick_, 1, 0);
  SDL_JoystickSetVirtualButton(joystick_, 3, SDL_PRESSED);  // the fourth button
  clock_.Advance(1000);
  EXPECT_EQ(morrow::GetPadInputBits(1), 0x80);
  EXPECT_EQ(morrow::GetPadInputBits(0x1001), 0x80);
  EXPECT_EQ(morrow::GetPadInputBits(2), 0);
}

TEST_F(PadInputSdl, ReadsAtMostOncePerMillisecond) {
  AttachPad();
  Start();
  EXPECT_EQ(morrow::GetPadInputBits(1), 0);
  SDL_JoystickSetVirtualButton(joystick_, 0, SDL_PRESSED);
  // Within the same millisecond the device is not read again, so the press is not seen yet.
  EXPECT_EQ(morrow::GetPadInputBits(1), 0);
  clock_.Advance(1000);
  EXPECT_EQ(morrow::GetPadInputBits(1), 0x10);
}

TEST_F(PadInputSdl, DetachedPadHoldsNothing) {
  AttachPad();
  Start();
  SDL_JoystickSetVirtualButton(joystick_, 1, SDL_PRESSED);
  EXPECT_EQ(morrow::GetPadInputBits(1), 0x20);
  SDL_JoystickClose(joystick_);
  joystick_ = nullptr;
  ASSERT_EQ(SDL_JoystickDetachVirtual(virtualIndex_), 0);
  virtualIndex_ = -1;
  clock_.Advance(1000);
  EXPECT_EQ(morrow::GetPadInputBits(1), 0);
}

TEST_F(KeyboardSdl, PushedKeysReachThePadBitsAndKeyTests) {
  Start();
  PushKey(SDL_SCANCODE_Z, true);
  PushKey(SDL_SCANCODE_LEFT, true);
  EXPECT_EQ(morrow::GetPadInputBits(0x1000), 0x12);
  EXPECT_EQ(morrow::GetPadInputBits(0x1001), 0x12);  // no pad: the keyboard's bits only
  EXPECT_EQ(morrow::GetPadInputBits(9), 0);
  EXPECT_EQ(morrow::GetPadInputBits(0x1009), 0);
  EXPECT_EQ(morrow::GetPadInputBits(0), 0);
  EXPECT_EQ(morrow::IsKeyPressed(0x2C), 1);
  EXPECT_EQ(morrow::IsKeyPressed(0xCB), 1);
  PushKey(SDL_SCANCODE_Z, false);
  // The release signalled the keyboard, so it is read again within the same millisecond.
  EXPECT_EQ(morrow::GetPadInputBits(0x1000), 0x2);
  const struct {
    SDL_Scancode scancode;
    int key;
  } keys[] = {{SDL_SCANCODE_ESCAPE, 0x01}, {SDL_SCANCODE_SPACE, 0x39}, {SDL_SCANCODE_F1, 0x3B},
              {SDL_SCANCODE_F2, 0x3C},     {SDL_SCANCODE_F5, 0x3F},    {SDL_SCANCODE_KP_2, 0x50},
              {SDL_SCANCODE_KP_8, 0x48},   {SDL_SCANCODE_Q, 0x10},     {SDL_SCANCODE_W, 0x11},
              {SDL_SCANCODE_A, 0x1E},      {SDL_SCANCODE_S, 0x1F},     {SDL_SCANCODE_D, 0x20},
              {SDL_SCANCODE_X, 0x2D},      {SDL_SCANCODE_C, 0x2E},     {SDL_SCANCODE_DOWN, 0xD0},
              {SDL_SCANCODE_UP, 0xC8},     {SDL_SCANCODE_RIGHT, 0xCD}, {SDL_SCANCODE_KP_4, 0x4B},
              {SDL_SCANCODE_KP_6, 0x4D}};
  for (const auto& k : keys) {
    PushKey(k.scancode, true);
    EXPECT_EQ(morrow::IsKeyPressed(k.key), 1) << SDL_GetScancodeName(k.scancode);
    PushKey(k.scancode, false);
    EXPECT_EQ(morrow::IsKeyPressed(k.key), 0) << SDL_GetScancodeName(k.scancode);
  }
}

}  // namespace
