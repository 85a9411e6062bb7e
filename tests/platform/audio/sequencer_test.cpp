#include "platform/audio/sequencer.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/platform/audio/audio_test_env.h"
#include "tests/support/midi_writer.h"

namespace {

using audiotest::PullLeft;

constexpr int kSecond = platform::kMixerRate;

int Open(const std::string& bytes, uint32_t* device) {
  return platform::SequencerOpen(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(),
                                 device);
}

int64_t Position(uint32_t device) {
  int64_t ticks = -1;
  EXPECT_EQ(platform::SequencerStatusPosition(device, &ticks), platform::kAudioOk);
  return ticks;
}

// The sequencer over a manual device, with the installed soundfont.
class MusicSequencer : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_NE(device_, nullptr); }
  void TearDown() override { platform::SequencerShutdown(); }

  audiotest::ScopedEnv soundfont_{"MORROW_SOUNDFONT", nullptr};
  std::unique_ptr<platform::AudioDevice> device_ = audiotest::MakeManualDevice();
};

TEST_F(MusicSequencer, PlaysTheNoteAndReportsTheEndOnce) {
  uint32_t id = 0;
  ASSERT_EQ(Open(testsupport::OneNoteMidi(96), &id), platform::kAudioOk);  // half a second
  EXPECT_GE(id, 1u);
  uint32_t port = 0;
  ASSERT_EQ(platform::SequencerStatusPort(id, &port), platform::kAudioOk);
  EXPECT_EQ(port, platform::kSequencerMapperPort);
  // Open but not playing: nothing is heard.
  EXPECT_EQ(audiotest::Peak(PullLeft(kSecond / 10)), 0);
  ASSERT_EQ(platform::SequencerPlay(id, false), platform::kAudioOk);
  EXPECT_GT(audiotest::Peak(PullLeft(kSecond / 4)), 200);
  uint32_t ended = 0;
  EXPECT_FALSE(platform::SequencerTakeEnd(&ended)) << "a quarter of a second in";
  PullLeft(kSecond / 4 + 64);
  ASSERT_TRUE(platform::SequencerTakeEnd(&ended));
  EXPECT_EQ(ended, id);
  EXPECT_FALSE(platform::SequencerTakeEnd(&ended)) << "each end is taken once";
  // The voices fade on and the position runs past the end without a second report.
  PullLeft(kSecond);
  EXPECT_FALSE(platform::SequencerTakeEnd(&ended));
  EXPECT_GE(Position(id), 96);
  EXPECT_EQ(platform::SequencerClose(id), platform::kAudioOk);
  PullLeft(64);
  EXPECT_EQ(audiotest::Peak(PullLeft(kSecond / 10)), 0) << "a closed piece is silent";
}

TEST_F(MusicSequencer, PlayFromTheStartRewindsRunningAndFinishedPlayers) {
  uint32_t id = 0;
  ASSERT_EQ(Open(testsupport::OneNoteMidi(48), &id), platform::kAudioOk);
  ASSERT_EQ(platform::SequencerPlay(id, false), platform::kAudioOk);
  PullLeft(kSecond / 4 + 64);
  uint32_t ended = 0;
  ASSERT_TRUE(platform::SequencerTakeEnd(&ended));
  // Still sounding: the rewind seeks the running player.
  ASSERT_EQ(platform::SequencerPlay(id, true), platform::kAudioOk);
  PullLeft(kSecond / 10);
  EXPECT_LT(Position(id), 48);
  EXPECT_FALSE(platform::SequencerTakeEnd(&ended));
  PullLeft(kSecond / 4);
  ASSERT_TRUE(platform::SequencerTakeEnd(&ended)) << "the rewound piece ends again";
  // Long after the end the player has finished; a rewind builds it again.
  PullLeft(6 * kSecond);
  ASSERT_EQ(platform::SequencerPlay(id, true), platform::kAudioOk);
  EXPECT_GT(audiotest::Peak(PullLeft(kSecond / 10)), 200);
  EXPECT_LT(Position(id), 48);
}

TEST_F(MusicSequencer, CloseDropsAPendingEnd) {
  uint32_t first = 0;
  ASSERT_EQ(Open(testsupport::OneNoteMidi(24), &first), platform::kAudioOk);
  ASSERT_EQ(platform::SequencerPlay(first, false), platform::kAudioOk);
  PullLeft(kSecond / 4);
  ASSERT_EQ(platform::SequencerClose(first), platform::kAudioOk);
  uint32_t ended = 0;
  EXPECT_FALSE(platform::SequencerTakeEnd(&ended));
  uint32_t second = 0;
  ASSERT_EQ(Open(testsupport::OneNoteMidi(192), &second), platform::kAudioOk);
  EXPECT_EQ(second, first + 1) << "identifiers count on";
  EXPECT_EQ(platform::SequencerStatusPort(first, &ended), platform::kAudioBadArgument);
  EXPECT_EQ(platform::SequencerPlay(first, true), platform::kAudioBadArgument);
  EXPECT_EQ(platform::SequencerClose(first), platform::kAudioBadArgument);
  uint32_t third = 0;
  EXPECT_EQ(Open(testsupport::OneNoteMidi(192), &third), platform::kAudioFailed)
      << "one piece at a time";
  EXPECT_EQ(platform::SequencerClose(second), platform::kAudioOk);
}

TEST_F(MusicSequencer, RefusesWhatIsNotMidi) {
  std::string truncated = testsupport::OneNoteMidi(96);
  truncated.resize(truncated.size() - 3);
  const std::pair<const char*, std::string> cases[] = {
      {"text", "not a MIDI file at all"},
      {"truncated track", truncated},
      {"bad header", "MThd" + std::string(10, '\xFF')},
      {"empty", ""},
  };
  for (const auto& [name, bytes] : cases) {
    uint32_t id = 0;
    EXPECT_EQ(Open(bytes, &id), platform::kAudioBadArgument) << name;
  }
  uint32_t id = 0;
  EXPECT_EQ(platform::SequencerOpen(nullptr, 10, &id), platform::kAudioBadArgument);
  EXPECT_EQ(Open(testsupport::RmidFile(testsupport::OneNoteMidi(96)), &id), platform::kAudioOk);
  EXPECT_EQ(platform::SequencerClose(id), platform::kAudioOk);
}

TEST(MusicSequencerSetUp, NeedsASoundfontAndAnOutput) {
  {
    audiotest::ScopedEnv soundfont("MORROW_SOUNDFONT", "/nonexistent/none.sf2");
    EXPECT_EQ(platform::SoundfontCandidates(), std::vector<std::string>{"/nonexistent/none.sf2"});
    auto device = audiotest::MakeManualDevice();
    ASSERT_NE(device, nullptr);
    uint32_t id = 0;
    EXPECT_EQ(Open(testsupport::OneNoteMidi(96), &id), platform::kAudioFailed);
    platform::SequencerShutdown();
  }
  {
    audiotest::ScopedEnv soundfont("MORROW_SOUNDFONT", nullptr);
    EXPECT_EQ(platform::SoundfontCandidates().size(), 2u);
    uint32_t id = 0;
    EXPECT_EQ(Open(testsupport::OneNoteMidi(96), &id), platform::kAudioNotReady);
  }
}

}  // namespace
