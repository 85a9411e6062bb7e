#include "platform/audio/sequencer.h"

#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/platform/audio/audio_test_env.h"
#include "tests/support/midi_writer.h"
#include "tests/support/pipe_watch.h"
#include "tests/support/temp_dir.h"

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

// The soundfont is opened by the sequencer, not by the synthesizer, and only a regular file: a
// named pipe without a writer, a folder or a device fails the open at once with one line naming
// it; a missing file, or one that is no soundfont (by its signature or past it), fails quietly.
// Either way the caller learns which soundfont did not load and why, never the MIDI file's fault;
// a caller without a sound output learns the same by TrySoundfonts.
TEST(MusicSequencerSetUp, NeedsASoundfontAndAnOutput) {
  const std::string installed = "/usr/share/sounds/sf2/TimGM6mb.sf2";
  struct Case {
    const char* name;
    void (*make)(const std::string& path);
    const char* says;  // the reason the line gives; null: no line
    int status;
    const char* refusal;  // how the reason the caller is given begins; null: none is given
  };
  constexpr const char* kNotASoundfont = "is not a soundfont: no RIFF sfbk header at its start";
  std::vector<Case> cases = {
      {"missing", [](const std::string&) {}, nullptr, platform::kAudioFailed,
       "No such file or directory"},
      {"empty", [](const std::string& p) { testsupport::WriteFile(p, ""); }, nullptr,
       platform::kAudioFailed, "is empty"},
      {"short", [](const std::string& p) { testsupport::WriteFile(p, "RIFF"); }, nullptr,
       platform::kAudioFailed, kNotASoundfont},
      {"wave",
       [](const std::string& p) { testsupport::WriteFile(p, std::string("RIFF\4\0\0\0WAVE", 12)); },
       nullptr, platform::kAudioFailed, kNotASoundfont},
      {"cut_soundfont",
       [](const std::string& p) {
         testsupport::WriteFile(p, std::string("RIFF\xff\0\0\0sfbkLIST", 16));
       },
       nullptr, platform::kAudioFailed, "the synthesizer refused it: "},
      {"installed",
       [](const std::string& p) {
         std::filesystem::create_symlink("/usr/share/sounds/sf2/TimGM6mb.sf2", p);
       },
       nullptr, platform::kAudioOk, nullptr},
  };
  for (const testsupport::NotAFile& n : testsupport::kNotAFile) {
    cases.push_back({n.name, n.make, n.reason, platform::kAudioFailed, n.reason});
  }
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.status == platform::kAudioOk && !std::filesystem::is_regular_file(installed)) continue;
    testsupport::TempDir dir;
    const std::string path = dir.File("font.sf2");
    c.make(path);
    audiotest::ScopedEnv soundfont("MORROW_SOUNDFONT", path.c_str());
    EXPECT_EQ(platform::SoundfontCandidates(), std::vector<std::string>{path});
    // First as a caller without an output looks at it: as an open would, the sequencer not started.
    std::vector<platform::SoundfontRefusal> tried;
    ::testing::internal::CaptureStderr();
    EXPECT_TRUE(testsupport::ReturnsWithoutThePipesOtherEnd(path, [&] {
      tried = platform::TrySoundfonts();
    })) << "the look at the soundfont waited for a writer";
    auto device = audiotest::MakeManualDevice();
    uint32_t id = 0;
    int status = -1;
    EXPECT_TRUE(testsupport::ReturnsWithoutThePipesOtherEnd(path, [&] {
      status = Open(testsupport::OneNoteMidi(96), &id);
    })) << "the soundfont's open waited for a writer";
    // A soundfont cut short is handed to each loader the synthesizer has, and one of them may
    // complain in its own words: only the sequencer's line is looked for, said once.
    const std::string said = ::testing::internal::GetCapturedStderr();
    ASSERT_NE(device, nullptr);
    if (c.says != nullptr) {
      EXPECT_EQ(said, "morrow: cannot read the soundfont " + path + ": " + c.says + "\n");
    } else {
      EXPECT_EQ(said.find("morrow:"), std::string::npos) << said;
    }
    EXPECT_EQ(status, c.status);
    const std::vector<platform::SoundfontRefusal> refused = platform::SoundfontRefusals();
    if (c.refusal == nullptr) {
      EXPECT_TRUE(refused.empty()) << refused.front().reason;
    } else {
      ASSERT_EQ(refused.size(), 1u);
      EXPECT_EQ(refused[0].path, path);
      EXPECT_TRUE(refused[0].reason.starts_with(c.refusal)) << refused[0].reason;
    }
    EXPECT_EQ(tried, refused) << "without an output";
    platform::SequencerShutdown();
  }
  {
    audiotest::ScopedEnv soundfont("MORROW_SOUNDFONT", nullptr);
    EXPECT_EQ(platform::SoundfontCandidates().size(), 2u);
    uint32_t id = 0;
    EXPECT_EQ(Open(testsupport::OneNoteMidi(96), &id), platform::kAudioNotReady);
  }
}

// What an open that failed for want of a soundfont said is not said again by a later open that
// tried none: the caller would blame a soundfont for what a file or the output did.
TEST(MusicSequencerSetUp, RefusalsAreThoseOfTheLastOpen) {
  testsupport::TempDir dir;
  const std::string path = dir.File("none.sf2");
  audiotest::ScopedEnv soundfont("MORROW_SOUNDFONT", path.c_str());
  uint32_t id = 0;
  {
    auto device = audiotest::MakeManualDevice();
    ASSERT_NE(device, nullptr);
    ASSERT_EQ(Open(testsupport::OneNoteMidi(96), &id), platform::kAudioFailed);
    ASSERT_EQ(platform::SoundfontRefusals(),
              (std::vector<platform::SoundfontRefusal>{{path, "No such file or directory"}}));
    EXPECT_EQ(Open("not a MIDI file", &id), platform::kAudioBadArgument);
    EXPECT_TRUE(platform::SoundfontRefusals().empty()) << "after a file that is not MIDI";
    ASSERT_EQ(Open(testsupport::OneNoteMidi(96), &id), platform::kAudioFailed);
    EXPECT_EQ(platform::SoundfontRefusals().size(), 1u);
    platform::SequencerShutdown();
  }
  EXPECT_EQ(Open(testsupport::OneNoteMidi(96), &id), platform::kAudioNotReady);
  EXPECT_TRUE(platform::SoundfontRefusals().empty()) << "without a sound output";
}

}  // namespace
