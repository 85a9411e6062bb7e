#include "platform/audio/audio_device.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/state_wait.h"

namespace {

using platform::AudioBuffer;
using platform::AudioDevice;
using platform::PcmFormat;

class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old, had_ = true;
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

 private:
  const char* name_;
  std::string old_;
  bool had_ = false;
};

// A manual device for each test: the mixer moves only when the test pulls.
class AudioMixer : public ::testing::Test {
 protected:
  void SetUp() override {
    device_ = AudioDevice::Create();
    ASSERT_NE(device_, nullptr);
    ASSERT_EQ(device_->backend(), AudioDevice::Backend::kManual);
    ASSERT_EQ(device_->Initialize(), platform::kAudioOk);
  }

  std::unique_ptr<AudioBuffer> Make(PcmFormat f, uint32_t bytes,
                                    uint32_t flags = platform::kBufferVolume) {
    std::unique_ptr<AudioBuffer> b;
    EXPECT_EQ(device_->CreateBuffer(f, bytes, flags, &b), platform::kAudioOk);
    return b;
  }

  // Writes bytes at offset through a lock, in one or two parts.
  static void Write(AudioBuffer* b, uint32_t offset, const void* data, uint32_t bytes) {
    void* p1;
    void* p2;
    uint32_t n1;
    uint32_t n2;
    ASSERT_EQ(b->Lock(offset, bytes, &p1, &n1, &p2, &n2), platform::kAudioOk);
    std::memcpy(p1, data, n1);
    if (p2 != nullptr) std::memcpy(p2, static_cast<const uint8_t*>(data) + n1, n2);
    ASSERT_EQ(b->Unlock(p1, n1, p2, n2), platform::kAudioOk);
  }

  static void Write16(AudioBuffer* b, const std::vector<int16_t>& s) {
    Write(b, 0, s.data(), static_cast<uint32_t>(s.size() * 2));
  }

  static std::vector<int16_t> Pull(int frames) {
    std::vector<int16_t> out(static_cast<size_t>(frames) * 2, 0x5555);
    EXPECT_EQ(platform::MixerPull(frames, out.data()), frames);
    return out;
  }

  ScopedEnv env_{"MORROW_AUDIO", "manual"};
  std::unique_ptr<AudioDevice> device_;
};

TEST_F(AudioMixer, LockSplitsAtTheRingEnd) {
  auto b = Make({2, 44100, 16}, 400);
  struct Case {
    uint32_t offset, bytes;
    int result;
    uint32_t first, second;
  } cases[] = {
      {0, 400, platform::kAudioOk, 400, 0},        {100, 300, platform::kAudioOk, 300, 0},
      {300, 200, platform::kAudioOk, 100, 100},    {396, 400, platform::kAudioOk, 4, 396},
      {0, 0, platform::kAudioBadArgument, 0, 0},   {0, 401, platform::kAudioBadArgument, 0, 0},
      {400, 4, platform::kAudioBadArgument, 0, 0},
  };
  for (const Case& c : cases) {
    void* p1 = nullptr;
    void* p2 = reinterpret_cast<void*>(1);
    uint32_t n1 = 99, n2 = 99;
    ASSERT_EQ(b->Lock(c.offset, c.bytes, &p1, &n1, &p2, &n2), c.result)
        << c.offset << "+" << c.bytes;
    if (c.result != platform::kAudioOk) continue;
    EXPECT_EQ(n1, c.first);
    EXPECT_EQ(n2, c.second);
    EXPECT_EQ(p2 != nullptr, c.second > 0);
    if (p2 != nullptr) {
      EXPECT_EQ(static_cast<uint8_t*>(p2) + 400, static_cast<uint8_t*>(p1) - c.offset + 400)
          << "the second part starts the ring";
    }
    EXPECT_EQ(b->Unlock(p1, n1, p2, n2), platform::kAudioOk);
  }
  // A wrapping lock without room for the second part is refused, not cut short.
  void* p1;
  uint32_t n1;
  EXPECT_EQ(b->Lock(300, 200, &p1, &n1, nullptr, nullptr), platform::kAudioBadArgument);
  uint8_t outside[4];
  EXPECT_EQ(b->Unlock(outside, 4, nullptr, 0), platform::kAudioBadArgument);
}

TEST_F(AudioMixer, WrappedWriteLandsAtBothEnds) {
  auto b = Make({1, 44100, 16}, 8);  // four frames
  const int16_t s[3] = {100, 200, 300};
  Write(b.get(), 6, s, 6);  // frame 3, then frames 0 and 1
  b->Play(false);
  auto out = Pull(4);
  EXPECT_EQ(out[0], 200);
  EXPECT_EQ(out[2], 300);
  EXPECT_EQ(out[4], 0);
  EXPECT_EQ(out[6], 100);
}

TEST_F(AudioMixer, EqualRatesPassSampleForSample) {
  std::vector<int16_t> s(2 * 300);
  for (size_t i = 0; i < s.size(); ++i) s[i] = static_cast<int16_t>((i * 7919) % 65536 - 32768);
  auto b = Make({2, 44100, 16}, static_cast<uint32_t>(s.size() * 2));
  Write16(b.get(), s);
  b->Play(false);
  auto out = Pull(300);
  EXPECT_EQ(out, s);
}

TEST_F(AudioMixer, SampleWidthsAndMonoReachSixteenBits) {
  struct Case {
    PcmFormat format;
    std::vector<uint8_t> frame;
    int16_t left, right;
  } cases[] = {
      {{1, 44100, 8}, {0x80}, 0, 0},
      {{1, 44100, 8}, {0xFF}, 127 * 256, 127 * 256},
      {{2, 44100, 8}, {0x00, 0x81}, -32768, 256},
      {{1, 44100, 16}, {0x34, 0x12}, 0x1234, 0x1234},
      {{2, 44100, 24}, {0xAA, 0x34, 0x12, 0xBB, 0xCD, 0xAB}, 0x1234, static_cast<int16_t>(0xABCD)},
      {{1, 44100, 32}, {0x11, 0x22, 0x78, 0x56}, 0x5678, 0x5678},
  };
  for (const Case& c : cases) {
    auto b = Make(c.format, static_cast<uint32_t>(c.frame.size()));
    Write(b.get(), 0, c.frame.data(), static_cast<uint32_t>(c.frame.size()));
    b->Play(false);
    auto out = Pull(1);
    EXPECT_EQ(out[0], c.left) << c.format.bitsPerSample << " bits";
    EXPECT_EQ(out[1], c.right) << c.format.bitsPerSample << " bits";
  }
}

TEST_F(AudioMixer, CursorsFollowThePull) {
  auto b = Make({2, 44100, 16}, 4 * 5000);
  uint32_t play = 1, write = 1;
  ASSERT_EQ(b->GetCurrentPosition(&play, &write), platform::kAudioOk);
  EXPECT_EQ(play, 0u);
  EXPECT_EQ(write, 4u * platform::kMixerPeriodFrames);
  b->Play(false);
  Pull(1234);
  b->GetCurrentPosition(&play, &write);
  EXPECT_EQ(play, 4u * 1234);
  EXPECT_EQ(write, 4u * (1234 + platform::kMixerPeriodFrames));
  Pull(4000 - 1234);
  b->GetCurrentPosition(&play, &write);
  EXPECT_EQ(write, (4u * (4000 + platform::kMixerPeriodFrames)) % (4 * 5000)) << "wraps";
  // Half the rate: one period reads half as many frames.
  auto slow = Make({1, 22050, 16}, 2 * 2000);
  slow->GetCurrentPosition(&play, &write);
  EXPECT_EQ(write, 2u * platform::kMixerPeriodFrames / 2);
}

TEST_F(AudioMixer, StopKeepsThePositionAndPlayGoesOn) {
  std::vector<int16_t> s(200);
  for (int i = 0; i < 200; ++i) s[i] = static_cast<int16_t>(i + 1);
  auto b = Make({1, 44100, 16}, 400);
  Write16(b.get(), s);
  b->Play(false);
  Pull(50);
  b->Stop();
  uint32_t status = 9;
  b->GetStatus(&status);
  EXPECT_EQ(status, 0u);
  auto silent = Pull(10);
  EXPECT_EQ(silent[0], 0);
  uint32_t play;
  b->GetCurrentPosition(&play, nullptr);
  EXPECT_EQ(play, 100u);
  b->Play(false);
  auto out = Pull(1);
  EXPECT_EQ(out[0], 51);
  EXPECT_EQ(b->SetCurrentPosition(20), platform::kAudioOk);
  EXPECT_EQ(Pull(1)[0], 11);
  EXPECT_EQ(b->SetCurrentPosition(400), platform::kAudioBadArgument);
}

TEST_F(AudioMixer, LoopingWrapsAndOneShotStopsAtZero) {
  std::vector<int16_t> s(100);
  for (int i = 0; i < 100; ++i) s[i] = static_cast<int16_t>(1000 + i);
  for (bool loop : {true, false}) {
    auto b = Make({1, 44100, 16}, 200);
    Write16(b.get(), s);
    b->Play(loop);
    uint32_t status = 0;
    b->GetStatus(&status);
    EXPECT_EQ(status, platform::kStatusPlaying | (loop ? platform::kStatusLooping : 0u));
    auto out = Pull(250);
    for (int i = 0; i < 250; ++i) {
      int16_t want = loop ? static_cast<int16_t>(1000 + i % 100) : (i < 100 ? 1000 + i : 0);
      ASSERT_EQ(out[2 * i], want) << (loop ? "loop" : "once") << " frame " << i;
    }
    uint32_t play = 7;
    b->GetStatus(&status);
    b->GetCurrentPosition(&play, nullptr);
    EXPECT_EQ(status, loop ? (platform::kStatusPlaying | platform::kStatusLooping) : 0u);
    EXPECT_EQ(play, loop ? 100u : 0u);
  }
}

TEST_F(AudioMixer, VolumeIsAGainInHundredthsOfADecibel) {
  struct Case {
    int32_t volume;
    int16_t in;
    int lo, hi;
  } cases[] = {
      {0, 12345, 12345, 12345},  {0, -32768, -32768, -32768}, {-10000, 32767, 0, 0},
      {-602, 10000, 4999, 5001}, {-2000, 20000, 1999, 2001},  {-1, 30000, 29964, 29967},
  };
  for (const Case& c : cases) {
    auto b = Make({1, 44100, 16}, 2);
    Write16(b.get(), {c.in});
    ASSERT_EQ(b->SetVolume(c.volume), platform::kAudioOk);
    int32_t back = 1;
    b->GetVolume(&back);
    EXPECT_EQ(back, c.volume);
    b->Play(false);
    int16_t got = Pull(1)[0];
    EXPECT_GE(got, c.lo) << c.volume;
    EXPECT_LE(got, c.hi) << c.volume;
  }
  auto b = Make({1, 44100, 16}, 2);
  EXPECT_EQ(b->SetVolume(1), platform::kAudioBadArgument);
  EXPECT_EQ(b->SetVolume(-10001), platform::kAudioBadArgument);
  auto fixed = Make({1, 44100, 16}, 2, platform::kBufferStatic);
  EXPECT_EQ(fixed->SetVolume(-100), platform::kAudioNoControl);
  EXPECT_EQ(platform::VolumeToGain(0), 65536);
  EXPECT_EQ(platform::VolumeToGain(-10000), 0);
}

TEST_F(AudioMixer, SumsSaturateAtSixteenBits) {
  struct Case {
    int16_t a, b;
    int16_t want;
  } cases[] = {
      {30000, 30000, 32767}, {-30000, -30000, -32768}, {30000, -30000, 0}, {100, 200, 300}};
  for (const Case& c : cases) {
    auto x = Make({1, 44100, 16}, 2);
    auto y = Make({2, 44100, 16}, 4);
    Write16(x.get(), {c.a});
    Write16(y.get(), {c.b, c.b});
    x->Play(false);
    y->Play(false);
    auto out = Pull(1);
    EXPECT_EQ(out[0], c.want);
    EXPECT_EQ(out[1], c.want);
  }
}

TEST_F(AudioMixer, ResampledLengthFollowsTheRateRatio) {
  struct Case {
    int rate;
    int frames;
    int lo, hi;  // output frames until the buffer stops
  } cases[] = {{22050, 22050, 44100, 44100},
               {8000, 800, 4410, 4411},
               {88200, 1000, 500, 500},
               {11025, 3, 12, 12},
               {48000, 4800, 4410, 4411}};
  for (const Case& c : cases) {
    auto b = Make({1, c.rate, 16}, static_cast<uint32_t>(c.frames * 2));
    std::vector<int16_t> s(c.frames, 1000);
    Write16(b.get(), s);
    b->Play(false);
    auto out = Pull(c.hi + 10);
    int heard = 0;
    while (heard < c.hi + 10 && out[2 * heard] != 0) ++heard;
    EXPECT_GE(heard, c.lo) << c.rate;
    EXPECT_LE(heard, c.hi) << c.rate;
    uint32_t status = 1;
    b->GetStatus(&status);
    EXPECT_EQ(status, 0u) << c.rate;
  }
}

TEST_F(AudioMixer, HalfRateInterpolatesBetweenSamples) {
  auto b = Make({1, 22050, 16}, 6);
  Write16(b.get(), {0, 1000, 3000});
  b->Play(false);
  auto out = Pull(6);
  std::vector<int16_t> left;
  for (int i = 0; i < 6; ++i) left.push_back(out[2 * i]);
  EXPECT_EQ(left, (std::vector<int16_t>{0, 500, 1000, 2000, 3000, 3000}));
}

TEST_F(AudioMixer, ReleasedBuffersAreNoLongerMixed) {
  auto b = Make({1, 44100, 16}, 20);
  Write16(b.get(), std::vector<int16_t>(10, 999));
  b->Play(true);
  EXPECT_EQ(Pull(1)[0], 999);
  b.reset();
  EXPECT_EQ(Pull(1)[0], 0);
}

TEST_F(AudioMixer, RefusesWhatItCannotPlay) {
  struct Case {
    PcmFormat format;
    uint32_t bytes;
    uint32_t flags;
  } cases[] = {
      {{3, 44100, 16}, 600, 0},        {{0, 44100, 16}, 600, 0},
      {{2, 44100, 12}, 600, 0},        {{2, 99, 16}, 600, 0},
      {{2, 192001, 16}, 600, 0},       {{2, 44100, 16}, 3, 0},
      {{2, 44100, 16}, 400, 1u << 20}, {{1, 8000, 8}, platform::kMaxBufferBytes + 1, 0},
  };
  for (const Case& c : cases) {
    std::unique_ptr<AudioBuffer> b;
    EXPECT_EQ(device_->CreateBuffer(c.format, c.bytes, c.flags, &b), platform::kAudioBadArgument)
        << c.format.channels << "ch " << c.format.samplesPerSecond << "Hz "
        << c.format.bitsPerSample << "bit " << c.bytes;
    EXPECT_EQ(b, nullptr);
  }
  std::unique_ptr<AudioBuffer> b;
  EXPECT_EQ(device_->CreateBuffer({2, 100, 32}, 8, 0, &b), platform::kAudioOk);
  EXPECT_EQ(device_->CreateBuffer({1, 192000, 8}, 1, 0, &b), platform::kAudioOk);
}

TEST_F(AudioMixer, DescribesItsDevice) {
  platform::AudioCaps caps;
  ASSERT_EQ(device_->GetCaps(&caps), platform::kAudioOk);
  EXPECT_TRUE(caps.primaryStereo && caps.primaryMono && caps.primary16Bit && caps.primary8Bit);
  EXPECT_TRUE(caps.secondaryStereo && caps.secondaryMono && caps.secondary16Bit &&
              caps.secondary8Bit);
  EXPECT_EQ(caps.minSecondaryRate, 100u);
  EXPECT_EQ(caps.maxSecondaryRate, 192000u);
  EXPECT_EQ(caps.totalHardwareBytes, 0u);
  int seen = 0;
  device_->EnumerateDevices([&](const platform::AudioDeviceInfo& d) {
    ++seen;
    EXPECT_EQ(d.module, "manual");
    return true;
  });
  EXPECT_EQ(seen, 1);
  std::unique_ptr<platform::AudioPrimaryBuffer> primary;
  ASSERT_EQ(device_->CreatePrimaryBuffer(&primary), platform::kAudioOk);
  EXPECT_EQ(primary->SetFormat({2, 44100, 16}), platform::kAudioOk);
  EXPECT_EQ(primary->SetFormat({2, 44100, 24}), platform::kAudioBadArgument);
  EXPECT_EQ(device_->Initialize(), platform::kAudioFailed) << "opened once only";
  EXPECT_EQ(AudioDevice::Create(), nullptr) << "one device at a time";
}

TEST(AudioDeviceChoice, NullFailsAndNoDeviceMeansNoPull) {
  {
    ScopedEnv env("MORROW_AUDIO", "null");
    EXPECT_EQ(AudioDevice::Create(), nullptr);
  }
  EXPECT_EQ(platform::MixerPull(10, nullptr), -1);
  ScopedEnv env("MORROW_AUDIO", "manual");
  auto device = AudioDevice::Create();
  ASSERT_NE(device, nullptr);
  std::unique_ptr<AudioBuffer> b;
  EXPECT_EQ(device->CreateBuffer({2, 44100, 16}, 400, 0, &b), platform::kAudioNotReady);
  EXPECT_EQ(platform::MixerPull(10, nullptr), -1) << "not initialised yet";
  ASSERT_EQ(device->Initialize(), platform::kAudioOk);
  EXPECT_EQ(platform::MixerPull(10, nullptr), 10);
  device.reset();
  EXPECT_EQ(platform::MixerPull(10, nullptr), -1);
}

// The real back end on SDL's headless driver: the callback mixes on its own thread.
TEST(AudioDeviceChoice, SdlDummyDriverPlaysBuffersToTheirEnd) {
  ScopedEnv audio("MORROW_AUDIO", nullptr);
  ScopedEnv driver("SDL_AUDIODRIVER", "dummy");
  auto device = AudioDevice::Create();
  ASSERT_NE(device, nullptr);
  EXPECT_EQ(device->backend(), AudioDevice::Backend::kSdl);
  ASSERT_EQ(device->Initialize(), platform::kAudioOk);
  std::string module;
  device->EnumerateDevices([&](const platform::AudioDeviceInfo& d) {
    module = d.module;
    return true;
  });
  EXPECT_EQ(module, "dummy");
  std::unique_ptr<AudioBuffer> b;
  ASSERT_EQ(device->CreateBuffer({2, 44100, 16}, 4 * 2205, 0, &b), platform::kAudioOk);
  b->Play(false);
  EXPECT_TRUE(testsupport::SeenWithin("the end of the 50 ms buffer", [&] {
    uint32_t status = platform::kStatusPlaying;
    b->GetStatus(&status);
    return status == 0;
  }));
}

TEST(AudioDeviceChoice, UnknownDriverFailsCreation) {
  ScopedEnv audio("MORROW_AUDIO", nullptr);
  ScopedEnv driver("SDL_AUDIODRIVER", "nosuchdriver");
  EXPECT_EQ(AudioDevice::Create(), nullptr);
}

}  // namespace
