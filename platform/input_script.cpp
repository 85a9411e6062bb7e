#include "platform/input_script.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "platform/input_file.h"
#include "platform/key_codes.h"

namespace platform {
namespace {

bool ParseUnsigned(const std::string& token, int base, uint64_t max, uint64_t* out) {
  if (token.empty() || token[0] == '-' || token[0] == '+') return false;
  std::string digits = token;
  if (base == 16 && digits.size() > 2 && digits[0] == '0' &&
      (digits[1] == 'x' || digits[1] == 'X')) {
    digits = digits.substr(2);
  }
  if (digits.empty()) return false;
  for (char c : digits) {
    bool ok = base == 10
                  ? (c >= '0' && c <= '9')
                  : ((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'));
    if (!ok) return false;
  }
  errno = 0;
  unsigned long long v = std::strtoull(digits.c_str(), nullptr, base);
  if (errno != 0 || v > max) return false;
  *out = v;
  return true;
}

bool ParseLine(const std::string& line, ScriptEvent* out) {
  std::istringstream in(line);
  std::string frame, kind, target, value, extra;
  if (!(in >> frame >> kind >> target >> value) || (in >> extra)) return false;
  uint64_t f, t, v;
  if (!ParseUnsigned(frame, 10, UINT64_MAX / 2, &f)) return false;
  if (kind == "key") {
    if (!ParseUnsigned(target, 10, 255, &t) || !ParseUnsigned(value, 10, 1, &v)) return false;
    *out = ScriptEvent{f, false, static_cast<int>(t), static_cast<uint32_t>(v)};
    return true;
  }
  if (kind == "pad") {
    if (!ParseUnsigned(target, 10, 8, &t) || t < 1 || !ParseUnsigned(value, 16, 0xFFFFFFFFu, &v)) {
      return false;
    }
    *out = ScriptEvent{f, true, static_cast<int>(t), static_cast<uint32_t>(v)};
    return true;
  }
  return false;
}

}  // namespace

ParsedScript ParseInputScript(const std::string& text) {
  ParsedScript parsed;
  std::istringstream in(text);
  std::string line;
  int number = 0;
  while (std::getline(in, line)) {
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.find_first_not_of(" \t") == std::string::npos) continue;
    ScriptEvent e;
    if (ParseLine(line, &e)) {
      parsed.events.push_back(e);
    } else if (parsed.badLines++ == 0) {
      parsed.firstBadLine = number;
    }
  }
  std::stable_sort(parsed.events.begin(), parsed.events.end(),
                   [](const ScriptEvent& a, const ScriptEvent& b) { return a.frame < b.frame; });
  return parsed;
}

PadState PadStateFromBits(uint32_t bits) {
  PadState s;
  s.axisCount = 2;
  s.buttonCount = kPadButtons;
  // The stick's two ends add up, so opposite directions leave it at rest.
  s.axes[0] = ((bits & 0x2) ? -32768 : 0) + ((bits & 0x4) ? 32767 : 0);
  s.axes[1] = ((bits & 0x8) ? -32768 : 0) + ((bits & 0x1) ? 32767 : 0);
  for (int i = 0; i < 28; ++i) s.buttons[i] = (bits >> (i + 4)) & 1 ? 0x80 : 0;
  return s;
}

ScriptInputService::ScriptInputService(std::vector<ScriptEvent> events)
    : events_(std::move(events)) {
  for (const ScriptEvent& e : events_) {
    if (e.pad) padCount_ = std::max(padCount_, e.target);
  }
}

bool ScriptInputService::LoadFile(const std::string& path, ScriptInputService** out) {
  // Only a regular file is a script, opened without waiting, so that a named pipe or a device
  // there never holds the library's start; and it is read no further than a script can reach.
  std::string text;
  InputFile file;
  const bool read = file.Open(path, kMaxInputScriptBytes) && file.ReadAll(&text);
  const std::string failure = file.Reason();
  file.Close();
  if (!read) {
    *out = new ScriptInputService({});
    std::fprintf(stderr, "morrow: cannot read the input script %s: %s\n", path.c_str(),
                 failure.c_str());
    return false;
  }
  ParsedScript parsed = ParseInputScript(text);
  *out = new ScriptInputService(std::move(parsed.events));
  if (parsed.badLines > 0) {
    std::fprintf(stderr, "morrow: %s: %d malformed line(s) skipped, the first is line %d\n",
                 path.c_str(), parsed.badLines, parsed.firstBadLine);
  }
  return true;
}

bool ScriptInputService::Start() {
  Advance();
  return true;
}

void ScriptInputService::Stop() {}

void ScriptInputService::Advance() {
  uint64_t current = CompletedInputFrames() + 1;
  while (next_ < events_.size() && events_[next_].frame <= current) {
    const ScriptEvent& e = events_[next_++];
    if (e.pad) {
      padBits_[e.target - 1] = e.value;
      padSignal_[e.target - 1] = true;
    } else {
      keys_[e.target] = e.value ? 0x80 : 0;
      keyboardSignal_ = true;
      if (keyEvents_.size() >= static_cast<size_t>(kKeyBufferSize)) keyEvents_.pop_front();
      keyEvents_.push_back(static_cast<uint8_t>(e.target));
    }
  }
}

bool ScriptInputService::ReadKeyboard(uint8_t keys[kKeyCount]) {
  Advance();
  std::copy(keys_, keys_ + kKeyCount, keys);
  return true;
}

int ScriptInputService::DrainKeyboardEvents(int max) {
  Advance();
  int n = 0;
  while (n < max && !keyEvents_.empty()) {
    keyEvents_.pop_front();
    ++n;
  }
  return n;
}

bool ScriptInputService::KeyboardSignalled() {
  Advance();
  return keyboardSignal_;
}

int ScriptInputService::EnumeratePads() {
  return padCount_;
}

bool ScriptInputService::OpenPad(int index, PadInfo* info) {
  if (index < 0 || index >= padCount_) return false;
  info->name = "Script pad " + std::to_string(index + 1);
  info->product = "Script pad";
  return true;
}

PadRead ScriptInputService::ReadPad(int index, PadState* out) {
  if (index < 0 || index >= padCount_) return PadRead::kDetached;
  Advance();
  *out = PadStateFromBits(padBits_[index]);
  return PadRead::kOk;
}

bool ScriptInputService::PadSignalled(int index) {
  if (index < 0 || index >= padCount_) return false;
  Advance();
  return padSignal_[index];
}

void ScriptInputService::ResetPadSignal(int index) {
  if (index >= 0 && index < padCount_) padSignal_[index] = false;
}

void ScriptInputService::SystemKeyState(uint8_t keys[kKeyCount]) {
  Advance();
  std::fill(keys, keys + kKeyCount, 0);
  for (int code = 0; code < kKeyCount; ++code) {
    uint8_t vk = VirtualKeyOfKeyCode(static_cast<uint8_t>(code));
    if (vk != 0 && keys_[code]) keys[vk] = 0x80;
  }
}

}  // namespace platform
