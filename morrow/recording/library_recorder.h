// The recording stand-in of the library: a program linked with `morrow_recording` instead of
// `morrow` gets every library call the game makes from this file's library, which records the
// call and its arguments and answers as the library would, without a window, a display or a
// sound device.
//
// - Graph and sound handles come from tables of the library's own kind (HandleTable): a freed,
//   stale or foreign handle is refused with -1 as the library refuses it, and drawing with it is
//   recorded but answers -1.
// - Pictures and sounds load unless the test says a path is missing.
// - Keys and pad bits are what the test sets; the pump answers 0 until the test's pump script
//   answers -1, and -1 from then on (the window is gone).
// - Time is the recorder's fake clock (installed as the platform clock by Reset): it advances by a
//   step on every read and by the whole length of every wait. The date follows it.
// - Before InitLibrary and after EndLibrary the components answer as never started: drawing and
//   sound calls give -1, keys and pads read as nothing held; the settings the game makes before
//   the start are taken.
// - The pure parts of the library are its own: paths (MapGamePath), memory and the random
//   generator.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "platform/clock.h"

namespace testsupport {

struct RecordedCall {
  std::string name;
  // Integers in decimal, reals as %.9g, texts as given.
  std::vector<std::string> args;
  int answer = 0;
  int64_t time = 0;  // the fake clock, in microseconds, when the call was made

  // "Name arg arg ..."
  std::string Text() const;
  int64_t Int(size_t i) const;
};

class LibraryRecorder {
 public:
  // Forgets every call, handle and scripted state and installs the fake clock again (time 0,
  // 50 µs per read, date 2000-01-01 00:00:00).
  void Reset();

  // What was called, in order; calls whose names are in `quiet` are answered but not kept.
  const std::vector<RecordedCall>& Calls() const { return calls_; }
  std::vector<std::string> Names() const;
  // The calls of one name, in order.
  std::vector<RecordedCall> Named(const std::string& name) const;
  int Count(const std::string& name) const;
  void ClearCalls() { calls_.clear(); }
  std::set<std::string> quiet = {"GetHighResolutionCount", "GetMillisecondCount", "SleepThread",
                                 "SleepUntilHighResolutionCount"};

  // The answer of InitLibrary: 0 starts every component, -1 starts none.
  int initResult = 0;
  // With initResult -1, why the start found no display ("" for a start that failed otherwise).
  std::string noDisplay;
  // With false, the sound component never starts (a machine without sound).
  bool soundDevice = true;
  // Pictures and sounds whose game path is listed here do not load.
  std::set<std::string> missingFiles;

  // With true, IsKeyPressed answers -1 for every key, as an input component that failed does.
  bool keysFail = false;

  void SetKey(int code, bool down);
  // pad 1 to 8; bits as GetPadInputBits answers them.
  void SetPadBits(int pad, int bits);
  // The bits the keyboard adds to a read with 0x1000.
  void SetKeyboardBits(int bits);

  // Called with the number of the pump call (1 first); its answer is the pump's. Once it has
  // answered -1 the pump answers -1 without asking again.
  std::function<int(int call)> pumpScript;
  // Called after every call is recorded (quiet ones included), with the call.
  std::function<void(const RecordedCall&)> onCall;

  platform::FakeClock clock{0, 50};

  int LiveGraphs() const;
  int LiveSounds() const;
  bool IsLiveGraph(int handle) const;
  bool IsLiveSound(int handle) const;
  bool started() const { return started_; }

  // Used by the stand-in calls themselves.
  int Record(const char* name, std::vector<std::string> args, int answer);
  int Pump();
  bool KeyDown(int code) const { return started_ && keys_[code & 0xFF] != 0; }
  int PadBits(int device) const;
  void Start(bool ok);
  void Stop();

 private:
  std::vector<RecordedCall> calls_;
  std::array<uint8_t, 256> keys_{};
  std::array<int, 9> pads_{};
  int keyboardBits_ = 0;
  int pumpCalls_ = 0;
  bool closed_ = false;
  bool started_ = false;
};

LibraryRecorder& Recorder();

}  // namespace testsupport
