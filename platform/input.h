// The keyboard and game pads, and the frame count that scripted input follows.
//
// The keyboard is a table of 256 key states indexed by key code (the PC keyboard's scan codes:
// Escape 0x01, Z 0x2C, left arrow 0xCB, ...; 0x80 = down), kept up to date from the window
// system's key events as they arrive, with a buffer of the latest key events. Pads are the game
// controllers attached when the service starts (a later one is not seen); each reads as raw
// axes, point-of-view hats and buttons. Each device can say whether it changed since it was last
// told it was seen.
//
// Back ends: SDL2 (input_sdl.cpp), a script of key and pad states by frame (MORROW_INPUT_SCRIPT,
// input_script.cpp) and a fake one for tests (input_fake.h).
#pragma once

#include <cstdint>
#include <string>

namespace platform {

inline constexpr int kKeyCount = 256;
inline constexpr int kPadAxes = 8;  // X, Y, Z, X rotation, Y rotation, Z rotation, 2 sliders
inline constexpr int kPadHats = 4;
inline constexpr int kPadButtons = 32;
// The most key events the keyboard's buffer keeps.
inline constexpr int kKeyBufferSize = 100;

struct PadInfo {
  std::string name;     // the controller's own name
  std::string product;  // the product as the system knows it
};

struct PadState {
  int axisCount = 0;
  int32_t axes[kPadAxes] = {};  // -32768 .. 32767, 0 at rest
  int32_t hats[kPadHats] = {-1, -1, -1,
                            -1};  // hundredths of a degree clockwise from up; -1 centred
  int buttonCount = 0;
  uint8_t buttons[kPadButtons] = {};  // 0x80 pressed
};

enum class PadRead {
  kOk,
  kFailed,    // this read failed; the device may answer again
  kDetached,  // the controller is gone
};

enum class KeyboardOpen {
  kOk,
  kNoDevice,
  kNoFormat,
  kNoCooperation,
};

class InputService {
 public:
  virtual ~InputService() = default;

  // The input system as a whole; false when it cannot be made.
  virtual bool Start() = 0;
  virtual void Stop() = 0;

  virtual KeyboardOpen OpenKeyboard() = 0;
  // Asks for a buffer of count key events; false when it cannot be had.
  virtual bool SetKeyboardBuffer(int count) = 0;
  // false when the keyboard cannot report its changes.
  virtual bool EnableKeyboardNotification() = 0;
  virtual bool AcquireKeyboard() = 0;
  virtual void CloseKeyboard() = 0;
  // false when the state cannot be read now.
  virtual bool ReadKeyboard(uint8_t keys[kKeyCount]) = 0;
  // Takes up to max buffered key events; the number taken.
  virtual int DrainKeyboardEvents(int max) = 0;
  virtual bool KeyboardSignalled() = 0;
  virtual void ResetKeyboardSignal() = 0;

  // The controllers attached now; they are numbered 0 .. count - 1 for the calls below.
  virtual int EnumeratePads() = 0;
  virtual bool OpenPad(int index, PadInfo* info) = 0;
  virtual bool EnablePadNotification(int index) = 0;
  virtual bool AcquirePad(int index) = 0;
  virtual PadRead ReadPad(int index, PadState* out) = 0;
  virtual bool PadSignalled(int index) = 0;
  virtual void ResetPadSignal(int index) = 0;
  virtual void ClosePad(int index) = 0;

  // The window system's own key state indexed by virtual key (0x80 = down), for reading keys
  // while the keyboard device is closed.
  virtual void SystemKeyState(uint8_t keys[kKeyCount]) = 0;
};

// The service in use: one a test installed, else the script when MORROW_INPUT_SCRIPT is set,
// else SDL.
InputService& CurrentInputService();
// Installs a service (not owned); nullptr goes back to the environment's choice.
void InstallInputService(InputService* service);

// Frames for scripted input. Counting starts when the library's start has finished. A frame is a
// present of the display (or a held frame, below); a program that has not presented anything
// counts its pump calls. The display back end calls NotifyPresent on every present, the pump
// NotifyPump on every call.
void BeginInputFrames();
void EndInputFrames();
void NotifyPump();
// The frame the present completed, 0 while frames are not counted (during the start).
uint64_t NotifyPresent();
// A frame that keeps the last picture without presenting (a paused game's pass). While a script
// drives the input it completes a frame as a present would, so the script's later lines and the
// frame limit still come; otherwise nothing. The frame it completed, else 0.
uint64_t NotifyHeldFrame();
// Frames completed since the start finished (0 before and during the start).
uint64_t CompletedInputFrames();

// MORROW_MAX_FRAMES=n: once frame n is complete a close of the main window is posted (once per
// start), so the program ends as if its window had been closed. 0 never. The environment is read
// by every BeginInputFrames, unless SetFrameLimit has set the value; a value there that is no frame
// count (0 among them) is reported once on stderr and sets no limit. ClearFrameLimit hands the
// value back to the environment.
void SetFrameLimit(uint64_t frames);
void ClearFrameLimit();
uint64_t FrameLimit();

}  // namespace platform
