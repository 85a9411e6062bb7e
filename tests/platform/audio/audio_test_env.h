// Environment settings and a manual sound device for the audio services' tests.
#pragma once

#include <cstdlib>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "platform/audio/audio_device.h"

namespace audiotest {

// Sets (or, with null, clears) a variable for the scope and puts the old value back after.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) {
      old_ = old;
      had_ = true;
    }
    if (value != nullptr) {
      setenv(name, value, 1);
    } else {
      unsetenv(name);
    }
  }
  ~ScopedEnv() {
    if (had_) {
      setenv(name_, old_.c_str(), 1);
    } else {
      unsetenv(name_);
    }
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  const char* name_;
  std::string old_;
  bool had_ = false;
};

// An initialised manual device: the mixer moves only when pulled.
inline std::unique_ptr<platform::AudioDevice> MakeManualDevice() {
  ScopedEnv env("MORROW_AUDIO", "manual");
  std::unique_ptr<platform::AudioDevice> device = platform::AudioDevice::Create();
  if (device == nullptr || device->Initialize() != platform::kAudioOk) return nullptr;
  return device;
}

// Pulls frames and gives back the left channel.
inline std::vector<int16_t> PullLeft(int frames) {
  std::vector<int16_t> stereo(static_cast<size_t>(frames) * 2);
  EXPECT_EQ(platform::MixerPull(frames, stereo.data()), frames);
  std::vector<int16_t> left(static_cast<size_t>(frames));
  for (size_t i = 0; i < left.size(); ++i) left[i] = stereo[2 * i];
  return left;
}

inline int Peak(const std::vector<int16_t>& v) {
  int peak = 0;
  for (int16_t s : v) peak = std::max(peak, std::abs(static_cast<int>(s)));
  return peak;
}

}  // namespace audiotest
