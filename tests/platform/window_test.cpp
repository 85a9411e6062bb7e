#include "platform/window.h"

#include <SDL.h>
#include <stdlib.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/instance_lock.h"
#include "platform/window_sdl.h"
#include "tests/support/temp_dir.h"

namespace {

using platform::WindowMessage;
namespace msg = platform::msg;

struct DesktopCase {
  const char* text;
  bool ok;
  int width = 0, height = 0, bits = 0;
};

class DesktopSetting : public ::testing::TestWithParam<DesktopCase> {};

TEST_P(DesktopSetting, ParsesWidthHeightAndDepth) {
  const DesktopCase& c = GetParam();
  platform::DesktopInfo d{1, 2, 3};
  EXPECT_EQ(platform::ParseDesktopSetting(c.text, &d), c.ok) << c.text;
  if (c.ok) {
    EXPECT_EQ(d.width, c.width);
    EXPECT_EQ(d.height, c.height);
    EXPECT_EQ(d.bitsPerPixel, c.bits);
  } else {
    EXPECT_EQ(d.width, 1);  // untouched
  }
}

INSTANTIATE_TEST_SUITE_P(
    Texts, DesktopSetting,
    ::testing::Values(DesktopCase{"1024x768x24", true, 1024, 768, 24},
                      DesktopCase{"640x480x16", true, 640, 480, 16},
                      DesktopCase{"1x1x8", true, 1, 1, 8},
                      DesktopCase{"800x600x32", true, 800, 600, 32},
                      DesktopCase{"800x600x15", false}, DesktopCase{"800x600", false},
                      DesktopCase{"800x600x32x1", false}, DesktopCase{"0x600x32", false},
                      DesktopCase{"800x-600x32", false}, DesktopCase{"x600x32", false},
                      DesktopCase{"800X600X32", false},
                      DesktopCase{"99999999999999999999x1x8", false},
                      DesktopCase{"800x600x32 ", false}, DesktopCase{"", false}),
    [](const auto& info) { return "Case" + std::to_string(info.index); });

TEST(MessageQueue, ThreadMessagesAreTakenBeforeWindowMessages) {
  platform::MessageQueue q;
  q.Post(WindowMessage{msg::kPaint, 0, 0});
  q.Post(WindowMessage{msg::kQuit, 0, 0, true});
  q.Post(WindowMessage{msg::kClose, 0, 0});
  ASSERT_NE(q.Head(), nullptr);
  EXPECT_EQ(q.Head()->id, msg::kPaint);
  WindowMessage m;
  ASSERT_TRUE(q.TakeThread(&m));
  EXPECT_EQ(m.id, msg::kQuit);
  EXPECT_FALSE(q.TakeThread(&m));
  ASSERT_TRUE(q.TakeWindow(&m));
  EXPECT_EQ(m.id, msg::kPaint);
  q.Post(WindowMessage{msg::kQuit, 0, 0, true});
  q.DropWindowMessages();
  ASSERT_EQ(q.size(), 1u);
  ASSERT_TRUE(q.TakeHead(&m));
  EXPECT_EQ(m.id, msg::kQuit);
  EXPECT_FALSE(q.TakeHead(&m));
  EXPECT_EQ(q.Head(), nullptr);
}

class InstanceLockTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* old = getenv("XDG_RUNTIME_DIR");
    if (old != nullptr) saved_ = old;
    had_ = old != nullptr;
    setenv("XDG_RUNTIME_DIR", dir_.path().c_str(), 1);
  }
  void TearDown() override {
    if (had_) {
      setenv("XDG_RUNTIME_DIR", saved_.c_str(), 1);
    } else {
      unsetenv("XDG_RUNTIME_DIR");
    }
  }
  testsupport::TempDir dir_;
  std::string saved_;
  bool had_ = false;
};

TEST_F(InstanceLockTest, OneHolderAtATime) {
  EXPECT_EQ(platform::InstanceLock::PathFor("Morrow"), dir_.File("Morrow.lock"));
  platform::InstanceLock a, b, other;
  EXPECT_TRUE(a.Acquire("Morrow"));
  EXPECT_TRUE(a.Acquire("Morrow"));  // held already
  EXPECT_FALSE(b.Acquire("Morrow"));
  EXPECT_FALSE(b.held());
  EXPECT_TRUE(other.Acquire("Other"));
  a.Release();
  EXPECT_TRUE(b.Acquire("Morrow"));
  EXPECT_TRUE(b.held());
}

TEST_F(InstanceLockTest, WithoutRuntimeDirectoryAPerUserFileInTheTemporaryDirectory) {
  unsetenv("XDG_RUNTIME_DIR");
  std::string path = platform::InstanceLock::PathFor("Morrow");
  std::string uid = std::to_string(getuid());
  EXPECT_NE(path.find("Morrow-" + uid + ".lock"), std::string::npos) << path;
}

TEST_F(InstanceLockTest, UnusableDirectoryDoesNotStopTheStart) {
  setenv("XDG_RUNTIME_DIR", dir_.File("missing/dir").c_str(), 1);
  platform::InstanceLock a;
  EXPECT_TRUE(a.Acquire("Morrow"));
  EXPECT_FALSE(a.held());
}

// The display settings a video start reads, each given a value or unset (nullptr) for one test
// and put back as they were after it.
class DisplaySettings : public ::testing::Test {
 protected:
  static constexpr const char* kNames[] = {"DISPLAY", "WAYLAND_DISPLAY", "SDL_VIDEODRIVER",
                                           "XDG_RUNTIME_DIR"};
  void SetUp() override {
    for (size_t i = 0; i < std::size(kNames); ++i) {
      if (const char* value = getenv(kNames[i])) saved_[i].emplace(value);
    }
  }
  void TearDown() override {
    svc().StopVideo();
    for (size_t i = 0; i < std::size(kNames); ++i) Put(kNames[i], saved_[i]);
  }
  // A machine whose environment gives these; the runtime folder is empty, so that no display
  // server's socket is found there by default either.
  void Give(const char* display, const char* wayland, const char* driver) {
    Put("DISPLAY", display);
    Put("WAYLAND_DISPLAY", wayland);
    Put("SDL_VIDEODRIVER", driver);
    setenv("XDG_RUNTIME_DIR", dir_.path().c_str(), 1);
  }
  static void Put(const char* name, const char* value) {
    if (value != nullptr) {
      setenv(name, value, 1);
    } else {
      unsetenv(name);
    }
  }
  static void Put(const char* name, const std::optional<std::string>& value) {
    Put(name, value ? value->c_str() : nullptr);
  }
  static platform::WindowService& svc() { return platform::CurrentWindowService(); }

  testsupport::TempDir dir_;
  std::optional<std::string> saved_[std::size(kNames)];
};

constexpr const char* kHeadless = "; SDL_VIDEODRIVER=dummy runs it headless";

// Finding no display, SDL falls back to a driver that draws nowhere: unless the user chose the
// driver, that start is refused with what the environment named (an empty setting counts as
// unset, as it does for SDL). A chosen driver starts whatever it draws on; one that cannot start
// at all fails with no reason, as it did.
TEST_F(DisplaySettings, ADriverThatDrawsNowhereStartsOnlyWhenChosen) {
  const struct {
    const char *display, *wayland, *driver;
    bool starts;
    std::string refusal;
  } cases[] = {
      {nullptr, nullptr, nullptr, false,
       std::string("DISPLAY and WAYLAND_DISPLAY are unset") + kHeadless},
      {"", "", "", false, std::string("DISPLAY and WAYLAND_DISPLAY are unset") + kHeadless},
      {":4711", nullptr, nullptr, false, std::string("DISPLAY=:4711 cannot be opened") + kHeadless},
      {nullptr, "wayland-nowhere", nullptr, false,
       std::string("WAYLAND_DISPLAY=wayland-nowhere cannot be opened") + kHeadless},
      {":4711", "wayland-nowhere", nullptr, false,
       std::string("neither DISPLAY=:4711 nor WAYLAND_DISPLAY=wayland-nowhere can be opened") +
           kHeadless},
      {nullptr, nullptr, "dummy", true, ""},
      {nullptr, nullptr, "offscreen", true, ""},
      {":4711", nullptr, "offscreen", true, ""},
      {nullptr, nullptr, "none", false, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string("DISPLAY=") + (c.display ? c.display : "(unset)") +
                 " WAYLAND_DISPLAY=" + (c.wayland ? c.wayland : "(unset)") +
                 " SDL_VIDEODRIVER=" + (c.driver ? c.driver : "(unset)"));
    Give(c.display, c.wayland, c.driver);
    EXPECT_EQ(svc().StartVideo(), c.starts);
    EXPECT_EQ(svc().VideoRefusal(), c.refusal);
    // A refused start leaves nothing up: the next one looks again.
    EXPECT_EQ(SDL_WasInit(SDL_INIT_VIDEO), c.starts ? SDL_INIT_VIDEO : 0u);
    svc().StopVideo();
  }
}

// A program that never shows its window has SDL draw nowhere only where the environment gives a
// display: the driver it would put in is no choice of the user's, so a start without a display is
// still refused, and a driver the user chose is kept.
TEST_F(DisplaySettings, KeepingTheWindowUnseenLeavesAStartWithoutADisplayRefused) {
  const struct {
    const char* driver;
    bool starts;
    bool refused;
  } cases[] = {{nullptr, false, true}, {"offscreen", true, false}, {"x11", false, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.driver != nullptr ? c.driver : "(unset)");
    Give(nullptr, nullptr, c.driver);
    platform::KeepWindowUnseen();
    const char* now = getenv("SDL_VIDEODRIVER");
    EXPECT_EQ(now != nullptr ? std::string(now) : "(unset)",
              c.driver != nullptr ? c.driver : "(unset)");
    EXPECT_EQ(svc().StartVideo(), c.starts);
    EXPECT_EQ(svc().VideoRefusal().empty(), !c.refused) << svc().VideoRefusal();
    svc().StopVideo();
  }
}

// The SDL back end under the dummy video driver: events become window messages.
class SdlWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    unsetenv("MORROW_DESKTOP");
    ASSERT_TRUE(svc().StartVideo());
    ASSERT_TRUE(svc().CreateMainWindow("Probe 中", platform::ClientRect{10, 20, 64, 48},
                                       platform::WindowKind::kWindowed));
    svc().PollEvents();
    svc().Queue().Clear();
  }
  void TearDown() override { svc().StopVideo(); }
  platform::WindowService& svc() { return platform::CurrentWindowService(); }
  std::vector<WindowMessage> Drain() {
    svc().PollEvents();
    std::vector<WindowMessage> out;
    WindowMessage m;
    while (svc().Queue().TakeHead(&m)) out.push_back(m);
    return out;
  }
  Uint32 WindowId() { return SDL_GetWindowID(platform::SdlMainWindow()); }
};

TEST_F(SdlWindow, DesktopDepthIsBytesPerPixelTimesEight) {
  platform::DesktopInfo d;
  ASSERT_TRUE(svc().Desktop(&d));
  SDL_DisplayMode mode;
  ASSERT_EQ(SDL_GetDesktopDisplayMode(0, &mode), 0);
  EXPECT_EQ(d.bitsPerPixel, SDL_BYTESPERPIXEL(mode.format) * 8);
  EXPECT_EQ(d.width, mode.w);
  setenv("MORROW_DESKTOP", "800x600x24", 1);
  ASSERT_TRUE(svc().Desktop(&d));
  EXPECT_EQ(d.width, 800);
  EXPECT_EQ(d.bitsPerPixel, 24);
  unsetenv("MORROW_DESKTOP");
}

TEST_F(SdlWindow, WindowIsCreatedWithTheClientRectangle) {
  EXPECT_TRUE(svc().HasWindow());
  platform::ClientRect c = svc().GetClientRect();
  EXPECT_EQ(c.width, 64);
  EXPECT_EQ(c.height, 48);
  EXPECT_STREQ(SDL_GetWindowTitle(platform::SdlMainWindow()), "Probe 中");
  EXPECT_EQ(SDL_GetWindowFlags(platform::SdlMainWindow()) & SDL_WINDOW_RESIZABLE, 0u);
  svc().SetKind(platform::WindowKind::kFullScreen);
  EXPECT_EQ(SDL_GetWindowFlags(platform::SdlMainWindow()) & SDL_WINDOW_FULLSCREEN_DESKTOP,
            static_cast<Uint32>(SDL_WINDOW_FULLSCREEN_DESKTOP));
  svc().DestroyMainWindow();
  EXPECT_FALSE(svc().HasWindow());
  EXPECT_EQ(platform::SdlMainWindow(), nullptr);
}

struct EventCase {
  const char* name;
  SDL_Event (*make)(Uint32 windowId);
  std::vector<WindowMessage> expected;
};

SDL_Event WindowEvent(Uint32 id, Uint8 event, int a = 0, int b = 0) {
  SDL_Event e{};
  e.type = SDL_WINDOWEVENT;
  e.window.windowID = id;
  e.window.event = event;
  e.window.data1 = a;
  e.window.data2 = b;
  return e;
}

SDL_Event Key(Uint32 id, SDL_Keycode sym) {
  SDL_Event e{};
  e.type = SDL_KEYDOWN;
  e.key.windowID = id;
  e.key.keysym.sym = sym;
  e.key.keysym.scancode = SDL_GetScancodeFromKey(sym);
  return e;
}

class SdlEvents : public SdlWindow, public ::testing::WithParamInterface<EventCase> {};

TEST_P(SdlEvents, BecomeTheLibrarysMessages) {
  const EventCase& c = GetParam();
  SDL_Event e = c.make(WindowId());
  ASSERT_EQ(SDL_PushEvent(&e), 1);
  std::vector<WindowMessage> got;
  for (const WindowMessage& m : Drain()) {
    // The dummy driver may add its own focus and exposure events; only the pushed one counts.
    if (c.expected.empty() || m.id == c.expected[0].id) got.push_back(m);
  }
  ASSERT_EQ(got.size(), c.expected.size()) << c.name;
  for (size_t i = 0; i < got.size(); ++i) {
    EXPECT_EQ(got[i].id, c.expected[i].id) << c.name;
    EXPECT_EQ(got[i].wParam, c.expected[i].wParam) << c.name;
    if (c.expected[i].lParam >= 0) {
      EXPECT_EQ(got[i].lParam, c.expected[i].lParam) << c.name;
    }
    EXPECT_FALSE(got[i].thread);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, SdlEvents,
    ::testing::Values(
        EventCase{"quit",
                  [](Uint32) {
                    SDL_Event e{};
                    e.type = SDL_QUIT;
                    return e;
                  },
                  {WindowMessage{msg::kClose, 0, 0}}},
        EventCase{"close",
                  [](Uint32 id) { return WindowEvent(id, SDL_WINDOWEVENT_CLOSE); },
                  {WindowMessage{msg::kClose, 0, 0}}},
        EventCase{"focus lost",
                  [](Uint32 id) { return WindowEvent(id, SDL_WINDOWEVENT_FOCUS_LOST); },
                  {WindowMessage{msg::kActivate, 0, 0}}},
        EventCase{"focus gained",
                  [](Uint32 id) { return WindowEvent(id, SDL_WINDOWEVENT_FOCUS_GAINED); },
                  {WindowMessage{msg::kActivate, 1, 0}}},
        EventCase{"moved off the corner",
                  [](Uint32 id) { return WindowEvent(id, SDL_WINDOWEVENT_MOVED, -3, 7); },
                  {WindowMessage{msg::kMove, 0, 0xFFFD | (7 << 16)}}},
        EventCase{"resized",
                  [](Uint32 id) { return WindowEvent(id, SDL_WINDOWEVENT_SIZE_CHANGED, 640, 480); },
                  {WindowMessage{msg::kSize, msg::kSizeRestored, 640 | (480 << 16)}}},
        EventCase{"exposed",
                  [](Uint32 id) { return WindowEvent(id, SDL_WINDOWEVENT_EXPOSED); },
                  {WindowMessage{msg::kPaint, 0, 0}}},
        EventCase{"another window's close",
                  [](Uint32 id) { return WindowEvent(id + 100, SDL_WINDOWEVENT_CLOSE); },
                  {}},
        EventCase{"left arrow",
                  [](Uint32 id) { return Key(id, SDLK_LEFT); },
                  {WindowMessage{msg::kKeyDown, platform::vk::kLeft, -1}}},
        EventCase{"delete",
                  [](Uint32 id) { return Key(id, SDLK_DELETE); },
                  {WindowMessage{msg::kKeyDown, platform::vk::kDelete, -1}}},
        EventCase{"letter",
                  [](Uint32 id) { return Key(id, SDLK_z); },
                  {WindowMessage{msg::kKeyDown, 'Z', -1}}},
        EventCase{"text in GBK bytes",
                  [](Uint32 id) {
                    SDL_Event e{};
                    e.type = SDL_TEXTINPUT;
                    e.text.windowID = id;
                    strcpy(e.text.text, "a中");
                    return e;
                  },
                  {WindowMessage{msg::kChar, 'a', 1}, WindowMessage{msg::kChar, 0xD6, 1},
                   WindowMessage{msg::kChar, 0xD0, 1}}},
        EventCase{"left button",
                  [](Uint32 id) {
                    SDL_Event e{};
                    e.type = SDL_MOUSEBUTTONDOWN;
                    e.button.windowID = id;
                    e.button.button = SDL_BUTTON_LEFT;
                    e.button.x = 5;
                    e.button.y = 6;
                    return e;
                  },
                  {WindowMessage{msg::kLButtonDown, 0, 5 | (6 << 16)}}}),
    [](const auto& info) {
      std::string name = info.param.name;
      for (char& ch : name) {
        if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
      }
      return name;
    });

// The input-method stand-in: with the switch on, editing texts open, change and end a
// composition and typed text ends it as its result; off, editing is dropped and text is typed.
class SdlInputMethod : public SdlWindow {
 protected:
  void SetUp() override {
    SdlWindow::SetUp();
    svc().EnableInputMethod(false);  // the service outlives each test: start without leftovers
  }
  // The messages of text input, each as "id:wParam:lParam" in hexadecimal.
  std::vector<std::string> Messages() {
    std::vector<std::string> out;
    for (const WindowMessage& m : Drain()) {
      if (m.id != msg::kChar && m.id != msg::kKeyDown && m.id != msg::kImeStartComposition &&
          m.id != msg::kImeComposition && m.id != msg::kImeEndComposition) {
        continue;
      }
      char text[64];
      std::snprintf(text, sizeof text, "%x:%llx:%llx", m.id,
                    static_cast<unsigned long long>(m.wParam),
                    static_cast<unsigned long long>(m.lParam));
      out.push_back(text);
    }
    return out;
  }
  platform::InputMethodState& Ime() { return svc().InputMethod(); }
};

TEST_F(SdlInputMethod, EditingTextsMakeTheComposition) {
  using Lines = std::vector<std::string>;
  svc().EnableInputMethod(true);
  ASSERT_TRUE(platform::PushTextEditingEvent("你好", 1));
  EXPECT_EQ(Messages(), (Lines{"10d:0:0", "10f:0:88"}));
  EXPECT_TRUE(Ime().composing);
  EXPECT_EQ(Ime().composition, "\xC4\xE3\xBA\xC3");
  EXPECT_EQ(Ime().cursor, 2);
  // A cursor past the text stands at its end.
  ASSERT_TRUE(platform::PushTextEditingEvent("你好a", 9));
  EXPECT_EQ(Messages(), (Lines{"10f:0:88"}));
  EXPECT_EQ(Ime().cursor, 5);
  ASSERT_TRUE(platform::PushTextInputEvent("你好"));
  EXPECT_EQ(Messages(), (Lines{"10f:0:888", "10e:0:0"}));
  EXPECT_FALSE(Ime().composing);
  EXPECT_EQ(Ime().result, "\xC4\xE3\xBA\xC3");
  EXPECT_TRUE(Ime().composition.empty());
  EXPECT_EQ(Ime().cursor, 0);
  // Outside a composition typed text is typed, and an empty editing text changes nothing.
  ASSERT_TRUE(platform::PushTextEditingEvent("", 0));
  ASSERT_TRUE(platform::PushTextInputEvent("a"));
  EXPECT_EQ(Messages(), (Lines{"102:61:1"}));
  // An editing text of 300 characters travels as a long one; emptied, the composition ends.
  std::string longText;
  for (int i = 0; i < 300; ++i) longText += "中";
  ASSERT_TRUE(platform::PushTextEditingEvent(longText, 1000));
  EXPECT_EQ(Messages(), (Lines{"10d:0:0", "10f:0:88"}));
  EXPECT_EQ(Ime().composition.size(), 600u);
  EXPECT_EQ(Ime().cursor, 600);
  ASSERT_TRUE(platform::PushTextEditingEvent("", 0));
  EXPECT_EQ(Messages(), (Lines{"10e:0:0"}));
  EXPECT_FALSE(Ime().composing);
}

TEST_F(SdlInputMethod, SwitchedOffEditingIsDroppedAndTextIsTyped) {
  svc().EnableInputMethod(true);
  ASSERT_TRUE(platform::PushTextEditingEvent("你", 1));
  EXPECT_EQ(Messages().size(), 2u);
  svc().EnableInputMethod(false);
  EXPECT_FALSE(Ime().composing);
  EXPECT_TRUE(Ime().composition.empty());
  ASSERT_TRUE(platform::PushTextEditingEvent("你好", 1));
  ASSERT_TRUE(platform::PushTextInputEvent("你"));
  EXPECT_EQ(Messages(), (std::vector<std::string>{"102:c4:1", "102:e3:1"}));
  // Typed text longer than one event is split between characters.
  std::string many;
  for (int i = 0; i < 40; ++i) many += "a中";
  ASSERT_TRUE(platform::PushTextInputEvent(many));
  std::string bytes;
  for (const std::string& m : Messages()) bytes += m.substr(4, m.size() - 6) + " ";
  std::string expected;
  for (int i = 0; i < 40; ++i) expected += "61 d6 d0 ";
  EXPECT_EQ(bytes, expected);
}

TEST_F(SdlInputMethod, PushedKeysBecomeKeyDowns) {
  const uint32_t keys[] = {platform::vk::kBack,   platform::vk::kTab,  platform::vk::kReturn,
                           platform::vk::kEscape, platform::vk::kLeft, platform::vk::kRight,
                           platform::vk::kUp,     platform::vk::kDown, platform::vk::kDelete};
  std::vector<std::string> expected;
  for (uint32_t key : keys) {
    ASSERT_TRUE(platform::PushKeyDownEvent(key));
    char text[16];
    std::snprintf(text, sizeof text, "100:%x", key);
    expected.push_back(text);
  }
  EXPECT_FALSE(platform::PushKeyDownEvent(platform::vk::kF1));
  std::vector<std::string> got;
  for (const std::string& m : Messages()) got.push_back(m.substr(0, m.rfind(':')));
  EXPECT_EQ(got, expected);
}

TEST_F(SdlWindow, DestroyedWindowReceivesNothingMore) {
  SDL_Event e = WindowEvent(WindowId(), SDL_WINDOWEVENT_EXPOSED);
  SDL_PushEvent(&e);
  svc().Queue().Post(WindowMessage{msg::kQuit, 0, 0, true});
  svc().DestroyMainWindow();
  std::vector<WindowMessage> left = Drain();
  ASSERT_EQ(left.size(), 1u);
  EXPECT_EQ(left[0].id, msg::kQuit);
}

}  // namespace
