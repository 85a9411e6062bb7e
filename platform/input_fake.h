// An input service for tests: keys and pads set by the test, failures on demand, reads counted.
#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "platform/input.h"

namespace platform {

class FakeInputService : public InputService {
 public:
  struct Pad {
    PadInfo info{"Fake pad", "Fake product"};
    PadState state;
    bool openFails = false;
    bool notificationFails = false;
    // Reads to fail before one succeeds again; a negative count fails for ever.
    int failingReads = 0;
    bool detached = false;
    bool signal = false;
    bool opened = false;
    int reads = 0;
    int acquisitions = 0;
  };

  bool Start() override {
    ++starts;
    if (startFails) return false;
    started = true;
    return true;
  }
  void Stop() override {
    ++stops;
    started = false;
  }
  KeyboardOpen OpenKeyboard() override {
    if (keyboardOpen == KeyboardOpen::kOk) keyboardOpened = true;
    return keyboardOpen;
  }
  bool SetKeyboardBuffer(int count) override {
    bufferSize = count;
    return !bufferFails;
  }
  bool EnableKeyboardNotification() override { return !keyboardNotificationFails; }
  bool AcquireKeyboard() override {
    ++keyboardAcquisitions;
    if (failingAcquisitions != 0) {
      if (failingAcquisitions > 0) --failingAcquisitions;
      return false;
    }
    return true;
  }
  void CloseKeyboard() override { keyboardOpened = false; }
  bool ReadKeyboard(uint8_t out[kKeyCount]) override {
    ++keyboardReads;
    if (failingKeyboardReads != 0) {
      if (failingKeyboardReads > 0) --failingKeyboardReads;
      return false;
    }
    std::copy(keys, keys + kKeyCount, out);
    return true;
  }
  int DrainKeyboardEvents(int max) override {
    ++drains;
    int n = std::min(max, bufferedEvents);
    bufferedEvents -= n;
    return n;
  }
  bool KeyboardSignalled() override { return keyboardSignal; }
  void ResetKeyboardSignal() override { keyboardSignal = false; }

  int EnumeratePads() override { return static_cast<int>(pads.size()); }
  bool OpenPad(int i, PadInfo* info) override {
    if (!Valid(i) || pads[static_cast<size_t>(i)].openFails) return false;
    pads[static_cast<size_t>(i)].opened = true;
    *info = pads[static_cast<size_t>(i)].info;
    return true;
  }
  bool EnablePadNotification(int i) override {
    return Valid(i) && !pads[static_cast<size_t>(i)].notificationFails;
  }
  bool AcquirePad(int i) override {
    if (!Valid(i)) return false;
    ++pads[static_cast<size_t>(i)].acquisitions;
    return true;
  }
  PadRead ReadPad(int i, PadState* out) override {
    if (!Valid(i)) return PadRead::kDetached;
    Pad& p = pads[static_cast<size_t>(i)];
    ++p.reads;
    if (p.detached) return PadRead::kDetached;
    if (p.failingReads != 0) {
      if (p.failingReads > 0) --p.failingReads;
      return PadRead::kFailed;
    }
    *out = p.state;
    return PadRead::kOk;
  }
  bool PadSignalled(int i) override { return Valid(i) && pads[static_cast<size_t>(i)].signal; }
  void ResetPadSignal(int i) override {
    if (Valid(i)) pads[static_cast<size_t>(i)].signal = false;
  }
  void ClosePad(int i) override {
    if (Valid(i)) pads[static_cast<size_t>(i)].opened = false;
  }
  void SystemKeyState(uint8_t out[kKeyCount]) override {
    std::copy(systemKeys, systemKeys + kKeyCount, out);
  }

  // A pad with two axes and the given number of buttons.
  Pad& AddPad(int buttons = 12) {
    pads.emplace_back();
    pads.back().state.axisCount = 2;
    pads.back().state.buttonCount = buttons;
    return pads.back();
  }

  // Chosen by the test.
  bool startFails = false;
  KeyboardOpen keyboardOpen = KeyboardOpen::kOk;
  bool bufferFails = false;
  bool keyboardNotificationFails = false;
  int failingAcquisitions = 0;
  int failingKeyboardReads = 0;
  uint8_t keys[kKeyCount] = {};
  uint8_t systemKeys[kKeyCount] = {};
  bool keyboardSignal = false;
  int bufferedEvents = 0;
  std::vector<Pad> pads;

  // Observed.
  bool started = false;
  bool keyboardOpened = false;
  int starts = 0;
  int stops = 0;
  int bufferSize = 0;
  int keyboardAcquisitions = 0;
  int keyboardReads = 0;
  int drains = 0;

 private:
  bool Valid(int i) const { return i >= 0 && static_cast<size_t>(i) < pads.size(); }
};

}  // namespace platform
