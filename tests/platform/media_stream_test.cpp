#include "platform/media/media_stream.h"

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/clock.h"
#include "platform/display.h"
#include "platform/pixel_layout.h"
#include "tests/support/memory_source.h"
#include "tests/support/midi_writer.h"
#include "tests/support/test_movie.h"
#include "tests/support/wave_writer.h"

namespace {

using platform::kStreamEndOfStream;
using platform::kStreamOk;
using platform::kStreamPending;
using platform::StreamState;

constexpr int64_t kFrameUs = 100'000;  // 10 frames a second
// Colours that every channel width tells apart.
const std::vector<uint32_t> kColours = {0xF81C07, 0x2850A0, 0x07E0FF, 0x000000};

class MediaStreamTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::InstallClock(&clock_);
    platform::DisplayConfig c;
    c.desktopBits = 32;
    display_ = platform::Display::Create(c, nullptr);
    movie_ = testsupport::TestMovieBytes(8, 4, 10, kColours);
    ASSERT_FALSE(movie_.empty());
  }
  void TearDown() override {
    platform::SetMediaStreamFault("");
    platform::InstallClock(nullptr);
  }

  // A stream ready for samples, or null with the failing call's result in *result.
  std::unique_ptr<platform::MediaStream> Open(const std::string& bytes, int* result = nullptr) {
    std::unique_ptr<platform::MediaStream> s;
    EXPECT_EQ(platform::MediaStream::Create(&s), kStreamOk);
    EXPECT_EQ(s->Initialize(platform::StreamType::kRead), kStreamOk);
    EXPECT_EQ(s->AddPrimaryVideo(display_), kStreamOk);
    EXPECT_EQ(s->AddDefaultAudio(), kStreamOk);
    const int r = s->OpenFile(std::make_unique<testsupport::MemorySource>(bytes));
    if (result != nullptr) *result = r;
    return r == kStreamOk ? std::move(s) : nullptr;
  }

  std::shared_ptr<platform::Surface> MakeSurface(const platform::PixelFormat& f, bool system) {
    platform::SurfaceDesc d;
    d.flags = platform::kDescCaps | platform::kDescWidth | platform::kDescHeight |
              platform::kDescPixelFormat;
    d.caps = platform::kCapsOffscreenPlain | (system ? platform::kCapsSystemMemory : 0);
    d.width = 16;
    d.height = 8;
    d.pixelFormat = f;
    std::shared_ptr<platform::Surface> s;
    EXPECT_EQ(display_->CreateSurface(d, &s), platform::DisplayResult::kOk);
    return s;
  }

  // Runs a stream on its own surface for 20 frame times, updating once each time: the updates
  // that gave a frame and the ends seen (it stops at the first). Every result is a known one.
  struct Played {
    int frames = 0;
    int ends = 0;
  };
  Played PlayOut(platform::MediaStream* s) {
    Played p;
    std::unique_ptr<platform::VideoStream> video;
    std::unique_ptr<platform::StreamSample> sample;
    if (s->GetPrimaryVideo(&video) != kStreamOk ||
        video->CreateSample(nullptr, nullptr, &sample) != kStreamOk ||
        s->SetState(StreamState::kRun) != kStreamOk) {
      ADD_FAILURE() << "no sample";
      return p;
    }
    platform::StreamEvent event;
    for (int i = 0; i < 20 && p.ends == 0; ++i, clock_.Advance(kFrameUs)) {
      const int r = sample->Update(0, &event);
      EXPECT_TRUE(r == kStreamOk || r == kStreamPending || r == kStreamEndOfStream) << r;
      p.frames += r == kStreamOk ? 1 : 0;
      p.ends += r == kStreamEndOfStream ? 1 : 0;
    }
    return p;
  }

  static uint32_t Pixel(platform::Surface* s, int x, int y) {
    platform::LockedRect l;
    if (s->Lock(nullptr, &l) != platform::DisplayResult::kOk) return 0xDEADBEEF;
    const int bytes = static_cast<int>(l.format.bitCount / 8);
    const uint32_t v = platform::ReadPixel(l.bits + y * l.pitch + x * bytes, bytes);
    s->Unlock();
    return v;
  }

  platform::FakeClock clock_{5'000'000, 0};
  std::shared_ptr<platform::Display> display_;
  std::string movie_;
};

// Frames arrive by the clock into surfaces of every layout the library draws in, each colour
// narrowed by dropping low bits; updates before a frame is due wait on the event, whose poll
// completes them; the last frame is followed by the end.
TEST_F(MediaStreamTest, FramesArriveOnTheClockInEveryLayout) {
  struct Case {
    const char* name;
    platform::PixelFormat format;  // bit count 0: the stream's own surface
    std::vector<uint32_t> pixels;  // of the four frames
  };
  const Case cases[] = {
      {"own 32-bit", {}, {0xF81C07, 0x2850A0, 0x07E0FF, 0x000000}},
      {"24-bit",
       platform::RgbPixelFormat(24, 0xFF0000, 0xFF00, 0xFF),
       {0xF81C07, 0x2850A0, 0x07E0FF, 0x000000}},
      {"5:6:5", platform::RgbPixelFormat(16, 0xF800, 0x7E0, 0x1F), {0xF8E0, 0x2A94, 0x071F, 0}},
      {"5:5:5", platform::RgbPixelFormat(16, 0x7C00, 0x3E0, 0x1F), {0x7C60, 0x1554, 0x039F, 0}},
      {"4:4:4", platform::RgbPixelFormat(16, 0xF00, 0xF0, 0xF), {0xF10, 0x25A, 0x0EF, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::unique_ptr<platform::MediaStream> s = Open(movie_);
    ASSERT_NE(s, nullptr);
    std::unique_ptr<platform::VideoStream> video;
    ASSERT_EQ(s->GetPrimaryVideo(&video), kStreamOk);
    int32_t w = 0, h = 0;
    int64_t perFrame = 0, duration = 0;
    ASSERT_EQ(video->GetFormat(&w, &h), kStreamOk);
    ASSERT_EQ(video->GetTimePerFrame(&perFrame), kStreamOk);
    ASSERT_EQ(s->GetDuration(&duration), kStreamOk);
    EXPECT_EQ(w, 8);
    EXPECT_EQ(h, 4);
    EXPECT_EQ(perFrame, kFrameUs * 10);
    EXPECT_EQ(duration, 4 * kFrameUs * 10);
    EXPECT_FALSE(s->DroppedAudio());

    std::shared_ptr<platform::Surface> target;
    const platform::Rect area{3, 2, 11, 6};
    if (c.format.bitCount != 0) target = MakeSurface(c.format, c.format.bitCount == 24);
    std::unique_ptr<platform::StreamSample> sample;
    ASSERT_EQ(video->CreateSample(target, target != nullptr ? &area : nullptr, &sample), kStreamOk);
    std::shared_ptr<platform::Surface> surface;
    platform::Rect rect;
    ASSERT_EQ(sample->GetSurface(&surface, &rect), kStreamOk);
    EXPECT_EQ(rect, (target != nullptr ? area : platform::Rect{0, 0, 8, 4}));

    platform::StreamEvent event;
    EXPECT_EQ(sample->Update(0, &event), platform::kStreamNotRunning) << "stopped";
    ASSERT_EQ(s->SetState(StreamState::kRun), kStreamOk);
    ASSERT_EQ(sample->Update(0, &event), kStreamOk);
    EXPECT_EQ(Pixel(surface.get(), rect.left, rect.top), c.pixels[0]);
    EXPECT_EQ(Pixel(surface.get(), rect.right - 1, rect.bottom - 1), c.pixels[0]);
    for (int f = 1; f < 4; ++f) {
      EXPECT_EQ(sample->Update(0, &event), kStreamPending);
      clock_.Advance(kFrameUs - 1);
      EXPECT_FALSE(event.Poll()) << "frame " << f << " is not due yet";
      clock_.Advance(1);
      EXPECT_TRUE(event.Poll());
      EXPECT_TRUE(event.Poll()) << "stays signalled until reset";
      event.Reset();
      EXPECT_EQ(Pixel(surface.get(), rect.left, rect.top), c.pixels[f]);
    }
    clock_.Advance(kFrameUs);
    EXPECT_EQ(sample->Update(0, &event), kStreamEndOfStream);
    EXPECT_FALSE(event.Poll());
    if (target != nullptr) {
      EXPECT_EQ(Pixel(surface.get(), 0, 0), Pixel(surface.get(), 2, 1)) << "outside: untouched";
    }
    surface->Release();
  }
}

// Stopping holds the clock, running resumes it where it stood; a late update shows the newest
// due frame; a seek moves the clock and the frame shown with it.
TEST_F(MediaStreamTest, ClockPausesResumesSeeksAndSkipsLateFrames) {
  std::unique_ptr<platform::MediaStream> s = Open(movie_);
  ASSERT_NE(s, nullptr);
  std::unique_ptr<platform::VideoStream> video;
  ASSERT_EQ(s->GetPrimaryVideo(&video), kStreamOk);
  std::unique_ptr<platform::StreamSample> sample;
  ASSERT_EQ(video->CreateSample(nullptr, nullptr, &sample), kStreamOk);
  std::shared_ptr<platform::Surface> surface;
  platform::Rect rect;
  ASSERT_EQ(sample->GetSurface(&surface, &rect), kStreamOk);
  platform::StreamEvent event;
  auto time = [&] {
    int64_t t = -1;
    s->GetTime(&t);
    return t;
  };

  ASSERT_EQ(s->SetState(StreamState::kRun), kStreamOk);
  clock_.Advance(30'000);
  ASSERT_EQ(s->SetState(StreamState::kStop), kStreamOk);
  StreamState state = StreamState::kRun;
  s->GetState(&state);
  EXPECT_EQ(state, StreamState::kStop);
  clock_.Advance(5'000'000);
  EXPECT_EQ(time(), 300'000);
  ASSERT_EQ(s->SetState(StreamState::kRun), kStreamOk);
  clock_.Advance(220'000);
  EXPECT_EQ(time(), 2'500'000);
  ASSERT_EQ(sample->Update(0, &event), kStreamOk);
  EXPECT_EQ(Pixel(surface.get(), 0, 0), kColours[2]) << "frames 0 and 1 were late";

  ASSERT_EQ(s->Seek(1'200'000), kStreamOk);
  EXPECT_EQ(time(), 1'200'000);
  ASSERT_EQ(sample->Update(0, &event), kStreamOk);
  EXPECT_EQ(Pixel(surface.get(), 0, 0), kColours[1]);
  ASSERT_EQ(s->Seek(0), kStreamOk);
  ASSERT_EQ(sample->Update(0, &event), kStreamOk);
  EXPECT_EQ(Pixel(surface.get(), 0, 0), kColours[0]);
  surface->Release();
}

// Anything but a decodable video of non-zero size is refused at the open, in bounded time and
// without a leak: text, pictures, sounds, MIDI, empty and damaged movies. Every truncation of a
// good movie either opens and plays to its end or is refused.
TEST_F(MediaStreamTest, RefusesWhatIsNoVideo) {
  const std::string wave = testsupport::PcmWave(1, 8000, 16, std::string(800, '\0'));
  std::string corrupt = movie_;
  for (size_t i = corrupt.size() / 3; i < corrupt.size(); i += 5) corrupt[i] ^= 0x5A;
  const std::vector<std::pair<const char*, std::string>> bad = {
      {"empty", ""},
      {"text", "hello\n"},
      {"png head", std::string("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR", 16)},
      {"wave", wave},
      {"midi", testsupport::OneNoteMidi(96)},
      {"no frame size", testsupport::WithZeroFrameWidth(movie_, 8)},
      {"no cluster", movie_.substr(0, movie_.find("\x1F\x43\xB6\x75"))},
      {"corrupt", corrupt},
  };
  for (const auto& [name, bytes] : bad) {
    SCOPED_TRACE(name);
    if (std::string(name) == "no frame size") {
      ASSERT_FALSE(bytes.empty());
    }
    int result = 0;
    EXPECT_EQ(Open(bytes, &result), nullptr);
    EXPECT_EQ(result, platform::kStreamNoVideo);
  }

  for (size_t length = 0; length < movie_.size(); length += 13) {
    SCOPED_TRACE(length);
    std::unique_ptr<platform::MediaStream> s = Open(movie_.substr(0, length));
    if (s != nullptr) {
      EXPECT_EQ(PlayOut(s.get()).ends, 1) << "the end comes";
    }
  }
}

// A movie with a sound track plays its pictures and reports the sound dropped.
TEST_F(MediaStreamTest, SoundTrackIsDropped) {
  const std::string bytes = testsupport::TestMovieBytes(8, 4, 10, kColours, true);
  ASSERT_FALSE(bytes.empty());
  std::unique_ptr<platform::MediaStream> s = Open(bytes);
  ASSERT_NE(s, nullptr);
  EXPECT_TRUE(s->DroppedAudio());
  EXPECT_EQ(PlayOut(s.get()).frames, 4);
}

}  // namespace
