// The window service: one main window, the single-instance check, the desktop, message boxes,
// and the queue of window messages that the library's pump dispatches.
//
// The library was written against a window system that delivers numbered messages with two
// parameters to one window procedure. The back ends translate their own events into such
// messages (the numbers below), so the library's procedure and pump stay as they were written.
// Back ends: SDL2 (window_sdl.cpp) and a fake one for tests (window_fake.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

namespace platform {

// Message numbers of the queue.
namespace msg {
inline constexpr uint32_t kCreate = 0x0001;
inline constexpr uint32_t kDestroy = 0x0002;
inline constexpr uint32_t kMove = 0x0003;      // lParam: client x (low word), y (high word), signed
inline constexpr uint32_t kSize = 0x0005;      // wParam: kSize*; lParam: width | height << 16
inline constexpr uint32_t kActivate = 0x0006;  // wParam low word: 0 inactive, else active
inline constexpr uint32_t kPaint = 0x000F;
inline constexpr uint32_t kClose = 0x0010;
inline constexpr uint32_t kQuit = 0x0012;
inline constexpr uint32_t kActivateApp = 0x001C;
inline constexpr uint32_t kSetCursor = 0x0020;
inline constexpr uint32_t kDisplayChange = 0x007E;  // wParam: bits per pixel; lParam: w | h << 16
inline constexpr uint32_t kKeyDown = 0x0100;        // wParam: virtual key (vk:: below)
inline constexpr uint32_t kChar = 0x0102;           // wParam: one byte of GBK text
inline constexpr uint32_t kImeStartComposition = 0x010D;
inline constexpr uint32_t kImeEndComposition = 0x010E;
inline constexpr uint32_t kImeComposition = 0x010F;
inline constexpr uint32_t kSysCommand = 0x0112;  // wParam: kScreenSave, ...
inline constexpr uint32_t kMouseMove = 0x0200;
inline constexpr uint32_t kLButtonDown = 0x0201;
inline constexpr uint32_t kLButtonUp = 0x0202;
inline constexpr uint32_t kRButtonDown = 0x0204;
inline constexpr uint32_t kRButtonUp = 0x0205;
inline constexpr uint32_t kMButtonDown = 0x0207;
inline constexpr uint32_t kMButtonUp = 0x0208;
inline constexpr uint32_t kSizing = 0x0214;  // wParam: edge; lParam: int32_t[4] rectangle in/out
inline constexpr uint32_t kMoving = 0x0216;  // lParam: int32_t[4] rectangle in/out
inline constexpr uint32_t kImeSetContext = 0x0281;
inline constexpr uint32_t kImeNotify = 0x0282;
inline constexpr uint32_t kMciNotify = 0x03B9;
inline constexpr uint32_t kSocket = 0x0505;
inline constexpr uint32_t kMediaEvent = 0x0522;

inline constexpr uint64_t kScreenSave = 0xF140;  // kSysCommand: the screen saver wants to start
// kImeComposition's lParam: which parts of the composition changed.
inline constexpr int64_t kCompositionString = 0x0008;
inline constexpr int64_t kCompositionClauses = 0x0020;
inline constexpr int64_t kCompositionCursor = 0x0080;
inline constexpr int64_t kCompositionResult = 0x0800;
// kImeNotify's wParam: what the input method announces.
inline constexpr uint64_t kImeChangeCandidate = 3;
inline constexpr uint64_t kImeCloseCandidate = 4;
inline constexpr uint64_t kImeOpenCandidate = 5;
inline constexpr uint64_t kImeSetOpenStatus = 8;
inline constexpr uint64_t kImeSetCandidatePos = 9;
inline constexpr uint64_t kSizeRestored = 0;
inline constexpr uint64_t kSizeMinimized = 1;
inline constexpr uint64_t kSizeMaximized = 2;
}  // namespace msg

// Virtual key numbers carried by kKeyDown.
namespace vk {
inline constexpr uint32_t kBack = 0x08, kTab = 0x09, kReturn = 0x0D, kShift = 0x10, kControl = 0x11,
                          kMenu = 0x12, kPause = 0x13, kCapital = 0x14, kEscape = 0x1B,
                          kSpace = 0x20, kPrior = 0x21, kNext = 0x22, kEnd = 0x23, kHome = 0x24,
                          kLeft = 0x25, kUp = 0x26, kRight = 0x27, kDown = 0x28, kInsert = 0x2D,
                          kDelete = 0x2E, kNumpad0 = 0x60, kMultiply = 0x6A, kAdd = 0x6B,
                          kSubtract = 0x6D, kDecimal = 0x6E, kDivide = 0x6F, kF1 = 0x70;
}  // namespace vk

struct WindowMessage {
  uint32_t id = 0;
  uint64_t wParam = 0;
  int64_t lParam = 0;
  // A message for the thread rather than the window (the quit message).
  bool thread = false;
};

// First in, first out; the pump takes thread messages before window messages.
class MessageQueue {
 public:
  void Post(const WindowMessage& m) { q_.push_back(m); }
  const WindowMessage* Head() const { return q_.empty() ? nullptr : &q_.front(); }
  bool TakeHead(WindowMessage* out);
  bool TakeThread(WindowMessage* out);
  bool TakeWindow(WindowMessage* out);
  // A destroyed window receives nothing more.
  void DropWindowMessages();
  void Clear() { q_.clear(); }
  size_t size() const { return q_.size(); }

 private:
  bool TakeFirst(bool thread, WindowMessage* out);
  std::deque<WindowMessage> q_;
};

// Bits per pixel is bytes per pixel times 8: a desktop of 32-bit pixels with an unused byte
// counts as 32.
struct DesktopInfo {
  int width = 0;
  int height = 0;
  int bitsPerPixel = 0;
};

// The input method's side of a composition, as the window procedure reads it while it handles
// the input-method messages. Texts are GBK.
struct InputMethodState {
  bool enabled = true;  // the window's input-method switch; it is also the open status
  bool composing = false;
  std::string composition;
  int cursor = 0;                // bytes of the composition before its cursor
  std::vector<uint8_t> clauses;  // 32-bit offsets into the composition
  // Composed text not yet read: results that come before the procedure reads them add up.
  std::string result;
};

// The client area of the window in desktop coordinates.
struct ClientRect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
};

enum class WindowKind {
  kWindowed,    // captioned, not resizable
  kFullScreen,  // borderless, covering the desktop; the desktop's mode is never changed
};

class WindowService {
 public:
  virtual ~WindowService() = default;

  // The single-instance check for a window class name: false when another process runs one.
  // The claim lasts until ReleaseInstance or the end of the process.
  virtual bool AcquireInstance(const char* className) = 0;
  virtual void ReleaseInstance() = 0;

  // Brings up the display service; false when there is no display. Repeated calls are cheap.
  // Without a video driver chosen by the user (SDL_VIDEODRIVER), a display service that would
  // draw nowhere (SDL's fallback when it finds no display) is refused too: VideoRefusal then
  // says why, in words the user can act on.
  virtual bool StartVideo() = 0;
  virtual void StopVideo() = 0;
  // Why the last StartVideo refused a display service that draws nowhere; empty after one that
  // started, or failed outright.
  const std::string& VideoRefusal() const { return videoRefusal_; }
  // The desktop (MORROW_DESKTOP=WxHxBPP replaces the real one). false without a display.
  virtual bool Desktop(DesktopInfo* out) = 0;

  // The window is created hidden. The title is UTF-8.
  virtual bool CreateMainWindow(const std::string& title, const ClientRect& client,
                                WindowKind kind) = 0;
  virtual void DestroyMainWindow() = 0;
  virtual bool HasWindow() const = 0;
  virtual void Show() = 0;
  virtual void Raise() = 0;
  virtual void SetTopmost(bool topmost) = 0;
  virtual void SetTitle(const std::string& title) = 0;
  virtual void SetKind(WindowKind kind) = 0;
  virtual void SetClientRect(const ClientRect& client) = 0;
  virtual ClientRect GetClientRect() = 0;
  virtual void SetCursorShown(bool shown) = 0;
  // The mouse in desktop coordinates; false without a window.
  virtual bool MousePosition(int* x, int* y) = 0;
  // Fills the client area black (the window before anything has been presented).
  virtual void PaintBlack() = 0;
  // A box without owner; also written to stderr. No box is shown without a real display.
  virtual void ShowMessageBox(const char* caption, const char* text) = 0;

  // Moves the back end's pending events into the queue as window messages.
  virtual void PollEvents() = 0;

  MessageQueue& Queue() { return queue_; }

  // The input method. Switched off, a composition in progress is dropped and editing events
  // make no messages; typed text still arrives as character messages.
  void EnableInputMethod(bool on);
  InputMethodState& InputMethod() { return ime_; }
  // The candidate list, as a record of the input method's own layout: with size 0 the bytes it
  // needs, else the bytes copied into out. 0 when there is none or it does not fit.
  virtual int CandidateList(void* out, int size) {
    (void)out;
    (void)size;
    return 0;
  }

 protected:
  MessageQueue queue_;
  InputMethodState ime_;
  std::string videoRefusal_;
};

// The service in use: one a test installed, else the SDL back end.
WindowService& CurrentWindowService();
// For a program that never shows its window: unless the user chose a video driver, the SDL back
// end draws nowhere (SDL_VIDEODRIVER=dummy, for this process and the programs it starts), so that
// no window flashes up; but only where the user's environment gives a display, so that a start
// without one is still refused for want of it. Call it before the video starts.
void KeepWindowUnseen();
// Installs a service (not owned); nullptr goes back to the SDL back end.
void InstallWindowService(WindowService* service);

// Events pushed into the SDL back end's own event queue as a user's typing makes them, for the
// probes (which see no SDL header); the next poll translates them. Text is UTF-8: typed text is
// split into events at character boundaries as SDL splits it; an editing text comes with the
// number of characters before its cursor; a key is a virtual key of vk::. False when SDL has no
// event queue or the key has no SDL key.
bool PushTextInputEvent(const std::string& utf8);
bool PushTextEditingEvent(const std::string& utf8, int cursorChars);
bool PushKeyDownEvent(uint32_t virtualKey);

// Parses "WxHxBPP" (BPP 8, 16, 24 or 32); false when malformed.
bool ParseDesktopSetting(const std::string& text, DesktopInfo* out);
// MORROW_DESKTOP when set and well formed.
bool DesktopFromEnvironment(DesktopInfo* out);

}  // namespace platform
