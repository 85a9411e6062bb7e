// The window service on SDL2.
#include <SDL.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/codepage.h"
#include "platform/end_signals.h"
#include "platform/env.h"
#include "platform/instance_lock.h"
#include "platform/window.h"
#include "platform/window_sdl.h"

// Under the leak checker of the sanitizer build: the desktop-bus library that SDL loads on a real
// display keeps a buffer until the process ends; it is not ours to free.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libdbus-1.so\n";
}
extern "C" const char* __lsan_default_options() {
  return "print_suppressions=0";
}

namespace platform {
namespace {

// Virtual keys of the keys the library and the text input distinguish; others are not posted.
uint32_t VirtualKey(SDL_Keycode k) {
  if (k >= SDLK_a && k <= SDLK_z) return 'A' + static_cast<uint32_t>(k - SDLK_a);
  if (k >= SDLK_0 && k <= SDLK_9) return '0' + static_cast<uint32_t>(k - SDLK_0);
  if (k >= SDLK_F1 && k <= SDLK_F12) return vk::kF1 + static_cast<uint32_t>(k - SDLK_F1);
  if (k >= SDLK_KP_1 && k <= SDLK_KP_9)
    return vk::kNumpad0 + 1 + static_cast<uint32_t>(k - SDLK_KP_1);
  switch (k) {
    case SDLK_BACKSPACE:
      return vk::kBack;
    case SDLK_TAB:
      return vk::kTab;
    case SDLK_RETURN:
    case SDLK_KP_ENTER:
      return vk::kReturn;
    case SDLK_LSHIFT:
    case SDLK_RSHIFT:
      return vk::kShift;
    case SDLK_LCTRL:
    case SDLK_RCTRL:
      return vk::kControl;
    case SDLK_LALT:
    case SDLK_RALT:
      return vk::kMenu;
    case SDLK_PAUSE:
      return vk::kPause;
    case SDLK_CAPSLOCK:
      return vk::kCapital;
    case SDLK_ESCAPE:
      return vk::kEscape;
    case SDLK_SPACE:
      return vk::kSpace;
    case SDLK_PAGEUP:
      return vk::kPrior;
    case SDLK_PAGEDOWN:
      return vk::kNext;
    case SDLK_END:
      return vk::kEnd;
    case SDLK_HOME:
      return vk::kHome;
    case SDLK_LEFT:
      return vk::kLeft;
    case SDLK_UP:
      return vk::kUp;
    case SDLK_RIGHT:
      return vk::kRight;
    case SDLK_DOWN:
      return vk::kDown;
    case SDLK_INSERT:
      return vk::kInsert;
    case SDLK_DELETE:
      return vk::kDelete;
    case SDLK_KP_0:
      return vk::kNumpad0;
    case SDLK_KP_MULTIPLY:
      return vk::kMultiply;
    case SDLK_KP_PLUS:
      return vk::kAdd;
    case SDLK_KP_MINUS:
      return vk::kSubtract;
    case SDLK_KP_PERIOD:
      return vk::kDecimal;
    case SDLK_KP_DIVIDE:
      return vk::kDivide;
    default:
      return 0;
  }
}

// The first count characters of a UTF-8 text (all of it when it has fewer).
std::string Utf8Prefix(const char* utf8, int count) {
  std::string_view text(utf8);
  size_t end = 0;
  for (int n = 0; n < count && end < text.size(); ++n) {
    ++end;
    while (end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) ++end;
  }
  return std::string(text.substr(0, end));
}

int64_t PackWords(int low, int high) {
  return static_cast<int64_t>(static_cast<uint16_t>(low)) |
         (static_cast<int64_t>(static_cast<uint16_t>(high)) << 16);
}

// Drivers that draw nowhere: a message box would have no screen (or would wait for a click
// nobody can give).
bool HeadlessDriverForced() {
  auto v = EnvSetting("SDL_VIDEODRIVER");
  return v && *v != "x11" && *v != "wayland";
}

// Why SDL found no display, named by what the user's environment gives it to look for.
std::string NoDisplayReason() {
  std::vector<std::string> given;
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"}) {
    if (auto v = EnvSetting(name)) given.push_back(name + ("=" + *v));
  }
  const std::string where = given.empty() ? "DISPLAY and WAYLAND_DISPLAY are unset"
                            : given.size() == 1
                                ? given[0] + " cannot be opened"
                                : "neither " + given[0] + " nor " + given[1] + " can be opened";
  return where + "; SDL_VIDEODRIVER=dummy runs it headless";
}

void QuitVideo() {
  SDL_QuitSubSystem(SDL_INIT_VIDEO);
  // The last service out ends SDL itself, which lets go of its desktop-bus connection too.
  if (SDL_WasInit(SDL_INIT_EVERYTHING) == 0) SDL_Quit();
}

// SDL's video as the environment asks for it. When the user chose no driver and SDL, finding no
// display, fell back to one that draws nowhere, a game would run unseen until killed: that is no
// display service, and *refusal says so.
bool InitVideo(std::string* refusal) {
  refusal->clear();
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return false;
  const char* started = SDL_GetCurrentVideoDriver();
  const std::string_view driver = started != nullptr ? started : "";
  if (EnvSetting("SDL_VIDEODRIVER") || (driver != "offscreen" && driver != "dummy")) return true;
  QuitVideo();
  *refusal = NoDisplayReason();
  return false;
}

class SdlWindowService : public WindowService {
 public:
  bool AcquireInstance(const char* className) override { return lock_.Acquire(className); }
  void ReleaseInstance() override { lock_.Release(); }

  bool StartVideo() override {
    if (video_) return true;
    if (!InitVideo(&videoRefusal_)) return false;
    // After SDL's own handlers (SIGTERM, SIGINT), which the video start installs.
    CatchEndSignals();
    if (SDL_GetNumVideoDisplays() < 1) {
      SDL_QuitSubSystem(SDL_INIT_VIDEO);
      return false;
    }
    video_ = true;
    return true;
  }

  void StopVideo() override {
    if (window_ != nullptr) DestroyMainWindow();
    if (!video_) return;
    QuitVideo();
    video_ = false;
  }

  bool Desktop(DesktopInfo* out) override {
    if (DesktopFromEnvironment(out)) return true;
    if (!StartVideo()) return false;
    SDL_DisplayMode mode;
    if (SDL_GetDesktopDisplayMode(0, &mode) != 0) return false;
    out->width = mode.w;
    out->height = mode.h;
    // Bytes per pixel, not bits: a 32-bit desktop with an unused byte reports 24 bits.
    out->bitsPerPixel = SDL_BYTESPERPIXEL(mode.format) * 8;
    return true;
  }

  bool CreateMainWindow(const std::string& title, const ClientRect& client,
                        WindowKind kind) override {
    if (window_ != nullptr || !StartVideo()) return false;
    Uint32 flags = SDL_WINDOW_HIDDEN;
    if (kind == WindowKind::kFullScreen)
      flags |= SDL_WINDOW_FULLSCREEN_DESKTOP | SDL_WINDOW_ALWAYS_ON_TOP;
    window_ =
        SDL_CreateWindow(title.c_str(), client.x, client.y, client.width, client.height, flags);
    if (window_ == nullptr) return false;
    windowId_ = SDL_GetWindowID(window_);
    queue_.Clear();
    return true;
  }

  void DestroyMainWindow() override {
    if (window_ == nullptr) return;
    SDL_DestroyWindow(window_);
    window_ = nullptr;
    windowId_ = 0;
    SDL_FlushEvent(SDL_WINDOWEVENT);
    queue_.DropWindowMessages();
  }

  bool HasWindow() const override { return window_ != nullptr; }
  void Show() override {
    if (window_ != nullptr) SDL_ShowWindow(window_);
  }
  void Raise() override {
    if (window_ != nullptr) SDL_RaiseWindow(window_);
  }
  void SetTopmost(bool topmost) override {
    if (window_ != nullptr) SDL_SetWindowAlwaysOnTop(window_, topmost ? SDL_TRUE : SDL_FALSE);
  }
  void SetTitle(const std::string& title) override {
    if (window_ != nullptr) SDL_SetWindowTitle(window_, title.c_str());
  }
  void SetKind(WindowKind kind) override {
    if (window_ == nullptr) return;
    if (kind == WindowKind::kFullScreen) {
      SDL_SetWindowFullscreen(window_, SDL_WINDOW_FULLSCREEN_DESKTOP);
      SDL_SetWindowAlwaysOnTop(window_, SDL_TRUE);
    } else {
      SDL_SetWindowFullscreen(window_, 0);
      SDL_SetWindowAlwaysOnTop(window_, SDL_FALSE);
      SDL_SetWindowBordered(window_, SDL_TRUE);
    }
  }
  void SetClientRect(const ClientRect& c) override {
    if (window_ == nullptr) return;
    SDL_SetWindowPosition(window_, c.x, c.y);
    SDL_SetWindowSize(window_, c.width, c.height);
  }
  ClientRect GetClientRect() override {
    ClientRect c;
    if (window_ == nullptr) return c;
    SDL_GetWindowPosition(window_, &c.x, &c.y);
    SDL_GetWindowSize(window_, &c.width, &c.height);
    return c;
  }
  void SetCursorShown(bool shown) override {
    if (video_) SDL_ShowCursor(shown ? SDL_ENABLE : SDL_DISABLE);
  }
  bool MousePosition(int* x, int* y) override {
    if (window_ == nullptr) return false;
    int mx = 0, my = 0, wx = 0, wy = 0;
    SDL_GetMouseState(&mx, &my);
    SDL_GetWindowPosition(window_, &wx, &wy);
    *x = wx + mx;
    *y = wy + my;
    return true;
  }
  void PaintBlack() override {
    // Only through a renderer the presentation made: a window surface taken here would keep
    // the presentation from making one later.
    if (window_ == nullptr) return;
    if (SDL_Renderer* r = SDL_GetRenderer(window_)) {
      SDL_SetRenderDrawColor(r, 0, 0, 0, 255);
      SDL_RenderClear(r);
      SDL_RenderPresent(r);
    }
  }
  void ShowMessageBox(const char* caption, const char* text) override {
    std::fprintf(stderr, "%s: %s\n", caption, text);
    if (!HeadlessDriverForced()) {
      SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, caption, text, nullptr);
    }
  }

  void PollEvents() override {
    if (!video_) return;
    SDL_Event e;
    while (SDL_PollEvent(&e) != 0) Translate(e);
    if (TakeEndSignal()) PostWindow(msg::kClose, 0, 0);
  }

  SDL_Window* window() const { return window_; }

 private:
  void PostWindow(uint32_t id, uint64_t w, int64_t l) {
    if (window_ != nullptr) queue_.Post(WindowMessage{id, w, l, false});
  }

  void Translate(const SDL_Event& e) {
    switch (e.type) {
      case SDL_QUIT:
        PostWindow(msg::kClose, 0, 0);
        break;
      case SDL_WINDOWEVENT:
        if (e.window.windowID != windowId_) break;
        TranslateWindowEvent(e.window);
        break;
      case SDL_KEYDOWN: {
        if (e.key.windowID != 0 && e.key.windowID != windowId_) break;
        uint32_t key = VirtualKey(e.key.keysym.sym);
        if (key != 0) {
          PostWindow(msg::kKeyDown, key,
                     1 | (static_cast<int64_t>(e.key.keysym.scancode & 0xFF) << 16) |
                         (e.key.repeat ? (int64_t{1} << 30) : 0));
        }
        break;
      }
      case SDL_TEXTINPUT:
        TextInput(e.text.text);
        break;
      case SDL_TEXTEDITING:
        TextEditing(e.edit.text, e.edit.start);
        break;
      case SDL_TEXTEDITING_EXT:
        if (e.editExt.text != nullptr) TextEditing(e.editExt.text, e.editExt.start);
        SDL_free(e.editExt.text);
        break;
      case SDL_MOUSEMOTION:
        PostWindow(msg::kMouseMove, 0, PackWords(e.motion.x, e.motion.y));
        break;
      case SDL_MOUSEBUTTONDOWN:
      case SDL_MOUSEBUTTONUP: {
        bool down = e.type == SDL_MOUSEBUTTONDOWN;
        uint32_t id = 0;
        if (e.button.button == SDL_BUTTON_LEFT) id = down ? msg::kLButtonDown : msg::kLButtonUp;
        if (e.button.button == SDL_BUTTON_RIGHT) id = down ? msg::kRButtonDown : msg::kRButtonUp;
        if (e.button.button == SDL_BUTTON_MIDDLE) id = down ? msg::kMButtonDown : msg::kMButtonUp;
        if (id != 0) PostWindow(id, 0, PackWords(e.button.x, e.button.y));
        break;
      }
      case SDL_DISPLAYEVENT: {
        DesktopInfo d;
        if (Desktop(&d))
          PostWindow(msg::kDisplayChange, static_cast<uint64_t>(d.bitsPerPixel),
                     PackWords(d.width, d.height));
        break;
      }
      default:
        break;
    }
  }

  // Typed text: character messages of its GBK bytes, or the result of the composition in
  // progress.
  void TextInput(const char* utf8) {
    const std::string gbk = Utf8ToGbk(utf8);
    if (!ime_.enabled || !ime_.composing) {
      for (unsigned char c : gbk) PostWindow(msg::kChar, c, 1);
      return;
    }
    ime_.result += gbk;
    ime_.composing = false;
    ime_.composition.clear();
    ime_.cursor = 0;
    ime_.clauses.clear();
    PostWindow(msg::kImeComposition, 0,
               msg::kCompositionResult | msg::kCompositionString | msg::kCompositionCursor);
    PostWindow(msg::kImeEndComposition, 0, 0);
  }

  // The composition as it is being edited; an empty text ends it.
  void TextEditing(const char* utf8, int start) {
    if (!ime_.enabled) return;
    const std::string gbk = Utf8ToGbk(utf8);
    if (gbk.empty()) {
      if (!ime_.composing) return;
      ime_.composing = false;
      ime_.composition.clear();
      ime_.cursor = 0;
      ime_.clauses.clear();
      PostWindow(msg::kImeEndComposition, 0, 0);
      return;
    }
    if (!ime_.composing) {
      ime_.composing = true;
      PostWindow(msg::kImeStartComposition, 0, 0);
    }
    ime_.composition = gbk;
    ime_.cursor = static_cast<int>(Utf8ToGbk(Utf8Prefix(utf8, start)).size());
    PostWindow(msg::kImeComposition, 0, msg::kCompositionString | msg::kCompositionCursor);
  }

  void TranslateWindowEvent(const SDL_WindowEvent& w) {
    switch (w.event) {
      case SDL_WINDOWEVENT_CLOSE:
        PostWindow(msg::kClose, 0, 0);
        break;
      case SDL_WINDOWEVENT_FOCUS_GAINED:
        PostWindow(msg::kActivate, 1, 0);
        break;
      case SDL_WINDOWEVENT_FOCUS_LOST:
        PostWindow(msg::kActivate, 0, 0);
        break;
      case SDL_WINDOWEVENT_MOVED:
        PostWindow(msg::kMove, 0, PackWords(w.data1, w.data2));
        break;
      case SDL_WINDOWEVENT_SIZE_CHANGED:
        PostWindow(msg::kSize, msg::kSizeRestored, PackWords(w.data1, w.data2));
        break;
      case SDL_WINDOWEVENT_MINIMIZED:
        PostWindow(msg::kSize, msg::kSizeMinimized, 0);
        break;
      case SDL_WINDOWEVENT_MAXIMIZED: {
        int cw = 0, ch = 0;
        SDL_GetWindowSize(window_, &cw, &ch);
        PostWindow(msg::kSize, msg::kSizeMaximized, PackWords(cw, ch));
        break;
      }
      case SDL_WINDOWEVENT_EXPOSED:
        PostWindow(msg::kPaint, 0, 0);
        break;
      default:
        break;
    }
  }

  InstanceLock lock_;
  bool video_ = false;
  SDL_Window* window_ = nullptr;
  Uint32 windowId_ = 0;
};

SdlWindowService& Service() {
  static SdlWindowService service;
  return service;
}

}  // namespace

WindowService& SdlWindowServiceInstance() {
  return Service();
}

SDL_Window* SdlMainWindow() {
  return Service().window();
}

void KeepWindowUnseen() {
  if (EnvSetting("SDL_VIDEODRIVER")) return;
  // Looked for as the start would look, but neither kept up nor catching the end signals.
  std::string refusal;
  if (InitVideo(&refusal)) QuitVideo();
  if (refusal.empty()) setenv("SDL_VIDEODRIVER", "dummy", 1);
}

bool PushTextInputEvent(const std::string& utf8) {
  // At most the event's text size less its terminator, cut before a continuation byte.
  const size_t most = SDL_TEXTINPUTEVENT_TEXT_SIZE - 1;
  for (size_t at = 0; at < utf8.size();) {
    size_t end = std::min(utf8.size(), at + most);
    while (end > at + 1 && end < utf8.size() &&
           (static_cast<unsigned char>(utf8[end]) & 0xC0) == 0x80) {
      --end;
    }
    SDL_Event e{};
    e.text.type = SDL_TEXTINPUT;
    std::memcpy(e.text.text, utf8.data() + at, end - at);
    if (SDL_PushEvent(&e) != 1) return false;
    at = end;
  }
  return true;
}

bool PushTextEditingEvent(const std::string& utf8, int cursorChars) {
  SDL_Event e{};
  if (utf8.size() < SDL_TEXTEDITINGEVENT_TEXT_SIZE) {
    e.edit.type = SDL_TEXTEDITING;
    std::memcpy(e.edit.text, utf8.data(), utf8.size());
    e.edit.start = cursorChars;
    return SDL_PushEvent(&e) == 1;
  }
  // Longer texts travel as SDL's own long editing texts do: in memory the receiver frees.
  e.editExt.type = SDL_TEXTEDITING_EXT;
  e.editExt.text = SDL_strdup(utf8.c_str());
  e.editExt.start = cursorChars;
  if (e.editExt.text != nullptr && SDL_PushEvent(&e) == 1) return true;
  SDL_free(e.editExt.text);
  return false;
}

bool PushKeyDownEvent(uint32_t virtualKey) {
  static constexpr std::pair<uint32_t, SDL_Keycode> kKeys[] = {
      {vk::kBack, SDLK_BACKSPACE}, {vk::kTab, SDLK_TAB},   {vk::kReturn, SDLK_RETURN},
      {vk::kEscape, SDLK_ESCAPE},  {vk::kLeft, SDLK_LEFT}, {vk::kRight, SDLK_RIGHT},
      {vk::kUp, SDLK_UP},          {vk::kDown, SDLK_DOWN}, {vk::kDelete, SDLK_DELETE},
  };
  for (const auto& [key, sym] : kKeys) {
    if (key != virtualKey) continue;
    SDL_Event e{};
    e.key.type = SDL_KEYDOWN;
    e.key.state = SDL_PRESSED;
    e.key.keysym.sym = sym;
    e.key.keysym.scancode = SDL_GetScancodeFromKey(sym);
    return SDL_PushEvent(&e) == 1;
  }
  return false;
}

}  // namespace platform
