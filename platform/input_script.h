// Key and pad states read from a script by frame number, for tests and headless runs.
//
// One change per line, decimal numbers unless said otherwise:
//   <frame> key <code> <0|1>     key code 0-255 up (0) or down (1) from that frame on
//   <frame> pad <n> <hex bits>   pad n (1-8) reads as these bits from that frame on
// The bits are those the library's pad read returns: 0x1 down, 0x2 left, 0x4 right, 0x8 up, and
// from 0x10 on the buttons one by one. A pad line moves the stick, so left and right (or up and
// down) together cancel as they would on a stick. Lines of frames 0 and 1 apply from the start;
// lines of frame F apply once F - 1 frames have been completed (see CompletedInputFrames). Empty
// lines are skipped; a malformed line is skipped and reported once on stderr.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "platform/input.h"

namespace platform {

// No script of frames a run could play comes near this; a larger input is refused unread past it.
inline constexpr size_t kMaxInputScriptBytes = size_t{64} << 20;

struct ScriptEvent {
  uint64_t frame;
  bool pad;        // else a key
  int target;      // key code, or pad number 1-8
  uint32_t value;  // 0/1 for a key, bits for a pad
};

// Parses a script; malformed lines are counted (and the first one's number kept) and skipped.
struct ParsedScript {
  std::vector<ScriptEvent> events;  // in frame order; lines of one frame in file order
  int badLines = 0;
  int firstBadLine = 0;
};
ParsedScript ParseInputScript(const std::string& text);

class ScriptInputService : public InputService {
 public:
  explicit ScriptInputService(std::vector<ScriptEvent> events);
  // Reads the file; false when it cannot be read, is no regular file or is larger than
  // kMaxInputScriptBytes (the script is then empty).
  static bool LoadFile(const std::string& path, ScriptInputService** out);

  bool Start() override;
  void Stop() override;
  KeyboardOpen OpenKeyboard() override { return KeyboardOpen::kOk; }
  bool SetKeyboardBuffer(int) override { return true; }
  bool EnableKeyboardNotification() override { return true; }
  bool AcquireKeyboard() override { return true; }
  void CloseKeyboard() override {}
  bool ReadKeyboard(uint8_t keys[kKeyCount]) override;
  int DrainKeyboardEvents(int max) override;
  bool KeyboardSignalled() override;
  void ResetKeyboardSignal() override { keyboardSignal_ = false; }
  int EnumeratePads() override;
  bool OpenPad(int index, PadInfo* info) override;
  bool EnablePadNotification(int) override { return true; }
  bool AcquirePad(int) override { return true; }
  PadRead ReadPad(int index, PadState* out) override;
  bool PadSignalled(int index) override;
  void ResetPadSignal(int index) override;
  void ClosePad(int) override {}
  void SystemKeyState(uint8_t keys[kKeyCount]) override;

 private:
  // Applies the lines whose frame has come.
  void Advance();

  std::vector<ScriptEvent> events_;
  size_t next_ = 0;
  int padCount_ = 0;
  uint8_t keys_[kKeyCount] = {};
  uint32_t padBits_[8] = {};
  bool keyboardSignal_ = false;
  bool padSignal_[8] = {};
  std::deque<uint8_t> keyEvents_;
};

// The pad state that reads as these bits.
PadState PadStateFromBits(uint32_t bits);

}  // namespace platform
