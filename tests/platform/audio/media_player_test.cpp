#include "platform/audio/media_player.h"

#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/platform/audio/audio_test_env.h"
#include "tests/support/memory_source.h"
#include "tests/support/midi_writer.h"
#include "tests/support/wave_writer.h"

namespace {

using audiotest::PullLeft;

using testsupport::MemorySource;

// Distinct samples: the frame number, so that any lost or repeated frame shows.
std::vector<int16_t> Ramp(int frames) {
  std::vector<int16_t> v(static_cast<size_t>(frames));
  for (int i = 0; i < frames; ++i) v[static_cast<size_t>(i)] = static_cast<int16_t>(i + 1);
  return v;
}

std::string RampWave(int frames, uint32_t rate = 44100) {
  return testsupport::PcmWave(1, rate, 16, testsupport::Samples16(Ramp(frames)));
}

class MusicMediaPlayer : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(device_, nullptr);
    player_ = platform::MediaPlayer::Create();
    ASSERT_NE(player_, nullptr);
  }
  int Render(const std::string& bytes) {
    return player_->Render(std::make_unique<MemorySource>(bytes));
  }
  std::unique_ptr<platform::AudioDevice> device_ = audiotest::MakeManualDevice();
  std::unique_ptr<platform::MediaPlayer> player_;
};

TEST_F(MusicMediaPlayer, PlaysEverySampleThenCompletesOnce) {
  const int frames = 3000;
  ASSERT_EQ(Render(RampWave(frames)), platform::kAudioOk);
  EXPECT_EQ(player_->rate(), 44100);
  EXPECT_EQ(audiotest::Peak(PullLeft(100)), 0) << "nothing plays before it runs";
  ASSERT_EQ(player_->Run(), platform::kAudioOk);
  player_->SetNotify(true);
  EXPECT_FALSE(player_->Update());
  std::vector<int16_t> heard = PullLeft(frames - 1);
  std::vector<int16_t> all = Ramp(frames);
  EXPECT_EQ(heard, std::vector<int16_t>(all.begin(), all.end() - 1));
  EXPECT_FALSE(player_->Update()) << "one sample is still to play";
  int32_t code = 0;
  EXPECT_EQ(player_->GetEvent(&code), platform::kAudioFailed);
  heard = PullLeft(2);
  EXPECT_EQ(heard, (std::vector<int16_t>{frames, 0}));
  EXPECT_TRUE(player_->Update());
  EXPECT_FALSE(player_->Update()) << "the end is queued once";
  ASSERT_EQ(player_->GetEvent(&code), platform::kAudioOk);
  EXPECT_EQ(code, platform::kMediaEventComplete);
  EXPECT_EQ(player_->GetEvent(&code), platform::kAudioFailed);
}

TEST_F(MusicMediaPlayer, RewindPlaysFromTheFirstSampleAgain) {
  const int frames = 2000;
  ASSERT_EQ(Render(RampWave(frames)), platform::kAudioOk);
  ASSERT_EQ(player_->Run(), platform::kAudioOk);
  PullLeft(frames + 10);
  player_->Update();
  ASSERT_EQ(player_->SetPositionToStart(), platform::kAudioOk);
  EXPECT_EQ(PullLeft(frames), Ramp(frames));
  // Rewound in the middle: what was decoded ahead is dropped.
  ASSERT_EQ(player_->SetPositionToStart(), platform::kAudioOk);
  std::vector<int16_t> again = PullLeft(5);
  EXPECT_EQ(again, (std::vector<int16_t>{1, 2, 3, 4, 5}));
}

TEST_F(MusicMediaPlayer, NotificationsOffStillQueueTheEvent) {
  ASSERT_EQ(Render(RampWave(500)), platform::kAudioOk);
  ASSERT_EQ(player_->Run(), platform::kAudioOk);
  player_->SetNotify(false);
  PullLeft(600);
  EXPECT_FALSE(player_->Update());
  int32_t code = 0;
  ASSERT_EQ(player_->GetEvent(&code), platform::kAudioOk);
  EXPECT_EQ(code, platform::kMediaEventComplete);
}

TEST_F(MusicMediaPlayer, HalfRateIsHeardTwiceAsLong) {
  ASSERT_EQ(Render(RampWave(1000, 22050)), platform::kAudioOk);
  EXPECT_EQ(player_->rate(), 22050);
  ASSERT_EQ(player_->Run(), platform::kAudioOk);
  std::vector<int16_t> heard = PullLeft(2000);
  // Every source frame, and the point halfway to the next one between.
  for (int i = 0; i < 999; ++i) {
    EXPECT_EQ(heard[2 * static_cast<size_t>(i)], i + 1) << i;
    EXPECT_EQ(heard[2 * static_cast<size_t>(i) + 1], i + 1) << i;  // halfway, truncated
  }
  player_->Update();
  int32_t code = 0;
  EXPECT_EQ(player_->GetEvent(&code), platform::kAudioOk);
}

TEST_F(MusicMediaPlayer, VolumeInHundredthsOfADecibel) {
  ASSERT_EQ(Render(testsupport::PcmWave(1, 44100, 16,
                                        testsupport::Samples16(std::vector<int16_t>(400, 10000)))),
            platform::kAudioOk);
  ASSERT_EQ(player_->Run(), platform::kAudioOk);
  const std::pair<int32_t, int16_t> cases[] = {{0, 10000}, {-600, 5012}, {-10000, 0}};
  for (const auto& [volume, heard] : cases) {
    ASSERT_EQ(player_->SetVolume(volume), platform::kAudioOk);
    int32_t read = 1;
    ASSERT_EQ(player_->GetVolume(&read), platform::kAudioOk);
    EXPECT_EQ(read, volume);
    EXPECT_NEAR(PullLeft(1)[0], heard, 1) << volume;
  }
  for (int32_t bad : {1, -10001, 1718}) {
    EXPECT_EQ(player_->SetVolume(bad), platform::kAudioBadArgument) << bad;
  }
  int32_t read = 1;
  player_->GetVolume(&read);
  EXPECT_EQ(read, -10000) << "a refused volume changes nothing";
}

TEST_F(MusicMediaPlayer, RefusesWhatHoldsNoAudio) {
  // A picture's signature and chunk layout (checksums left 0: the demuxer claims it by these).
  auto chunk = [](const std::string& type, const std::string& body) {
    std::string c;
    testsupport::PutBe32(&c, static_cast<uint32_t>(body.size()));
    return c + type + body + std::string(4, '\0');
  };
  std::string png = std::string("\x89PNG\r\n\x1a\n", 8) +
                    chunk("IHDR", std::string("\0\0\0\x01\0\0\0\x01\x08\x02\0\0\0", 13)) +
                    chunk("IDAT", std::string("\x78\x9c\x63\x60\0\0\0\x04\0\x01", 10)) +
                    chunk("IEND", "");
  const std::pair<const char*, std::string> cases[] = {
      {"picture", png},
      {"MIDI", testsupport::OneNoteMidi(96)},
      {"text", "nothing but words in this file"},
      {"empty", ""},
      {"wave without samples", testsupport::PcmWave(1, 44100, 16, "")},
      {"wave header only", RampWave(100).substr(0, 20)},
      {"playlist", "#EXTM3U\n#EXTINF:1,\n/etc/passwd\n"},
  };
  for (const auto& [name, bytes] : cases) {
    auto player = platform::MediaPlayer::Create();
    ASSERT_NE(player, nullptr);
    EXPECT_EQ(player->Render(std::make_unique<MemorySource>(bytes)), platform::kAudioBadArgument)
        << name;
    EXPECT_EQ(player->Run(), platform::kAudioNotReady) << name;
    EXPECT_FALSE(player->Update()) << name;
  }
  EXPECT_EQ(player_->Render(nullptr), platform::kAudioBadArgument);
}

TEST_F(MusicMediaPlayer, TruncatedFilesNeverCrash) {
  std::string whole = RampWave(300);
  for (size_t n = 0; n <= whole.size(); n += 7) {
    auto player = platform::MediaPlayer::Create();
    ASSERT_NE(player, nullptr);
    if (player->Render(std::make_unique<MemorySource>(whole.substr(0, n))) != platform::kAudioOk) {
      continue;
    }
    ASSERT_EQ(player->Run(), platform::kAudioOk);
    PullLeft(400);
    player->Update();
    int32_t code = 0;
    EXPECT_EQ(player->GetEvent(&code), platform::kAudioOk) << n << ": what played has ended";
  }
}

TEST(MusicMediaPlayerSetUp, NeedsAnOutput) {
  EXPECT_EQ(platform::MediaPlayer::Create(), nullptr);
}

}  // namespace
