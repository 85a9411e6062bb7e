#include "morrow/sound/music.h"

#include <climits>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "morrow/sound/music_internal.h"
#include "morrow/sound/sound.h"
#include "morrow/sound/sound_internal.h"
#include "morrow/system/library.h"
#include "morrow/system/memory.h"
#include "platform/audio/audio_device.h"
#include "platform/audio/sequencer.h"
#include "tests/morrow/system/library_fixture.h"
#include "tests/support/midi_writer.h"
#include "tests/support/wave_writer.h"

namespace {

using namespace std::string_literals;
using morrow::GetMusicState;
using testsupport::OneNoteMidi;

constexpr int kSecond = platform::kMixerRate;
constexpr const char* kFailed = "の演奏に失敗しました";

std::vector<int16_t> Ramp(int frames) {
  std::vector<int16_t> v(static_cast<size_t>(frames));
  for (int i = 0; i < frames; ++i) v[static_cast<size_t>(i)] = static_cast<int16_t>(i + 1);
  return v;
}

std::vector<int16_t> PullLeft(int frames) {
  std::vector<int16_t> stereo(static_cast<size_t>(frames) * 2);
  EXPECT_EQ(platform::MixerPull(frames, stereo.data()), frames);
  std::vector<int16_t> left(static_cast<size_t>(frames));
  for (size_t i = 0; i < left.size(); ++i) left[i] = stereo[2 * i];
  return left;
}

int64_t SequencerPosition() {
  int64_t ticks = -1;
  platform::SequencerStatusPosition(GetMusicState().sequencerDevice, &ticks);
  return ticks;
}

// The library on the fake window and the manual mixer, with music files in its directory:
// "quarter.mid" (a quarter of a second), "second.mid" (one second) and "ramp.wav" (0.1 s of
// distinct samples).
class Music : public testsupport::LibraryFixture {
 protected:
  void SetUp() override {
    LibraryFixture::SetUp();
    Write("quarter.mid", OneNoteMidi(48));
    Write("second.mid", OneNoteMidi(192));
    Write("ramp.wav", testsupport::PcmWave(1, 44100, 16, testsupport::Samples16(Ramp(4410))));
    morrow::ChangeWindowMode(1);
    ASSERT_EQ(morrow::InitLibrary(), 0);
    GetMusicState().loopRestarts = 0;
  }
  void Write(const std::string& name, const std::string& bytes) {
    testsupport::WriteFile(dir_.File(name), bytes);
  }
  static void Pump(int passes) {
    for (int i = 0; i < passes; ++i) ASSERT_EQ(morrow::PumpMessages(), 0);
  }
};

TEST_F(Music, LoopingPieceStartsAgainAtEachEnd) {
  ASSERT_EQ(morrow::StartMusicPlayback("quarter.mid", 3), 0);
  EXPECT_EQ(GetMusicState().sequencerPlaying, 1);
  EXPECT_EQ(GetMusicState().loopFlag, 1);
  for (int restart = 1; restart <= 2; ++restart) {
    PullLeft(kSecond / 4 + 64);
    Pump(1);  // the end is posted
    EXPECT_EQ(GetMusicState().loopRestarts, restart - 1);
    Pump(1);  // and handled
    EXPECT_EQ(GetMusicState().loopRestarts, restart);
    PullLeft(64);
    EXPECT_LT(SequencerPosition(), 10) << "from the start again";
    EXPECT_EQ(morrow::CheckMusicPlayback(), 1);
  }
}

TEST_F(Music, PieceStartedOnceClosesAtItsEnd) {
  ASSERT_EQ(morrow::StartMusicPlayback("quarter.mid", 1), 0);
  PullLeft(kSecond / 8);
  Pump(2);
  EXPECT_EQ(morrow::CheckMusicPlayback(), 1);
  PullLeft(kSecond / 8 + 64);
  Pump(2);
  EXPECT_EQ(morrow::CheckMusicPlayback(), 0);
  EXPECT_EQ(GetMusicState().loopRestarts, 0);
}

TEST_F(Music, StopClearsTheLoopFlagBeforeTheClose) {
  ASSERT_EQ(morrow::StartMusicPlayback("quarter.mid", 3), 0);
  uint32_t device = GetMusicState().sequencerDevice;
  PullLeft(kSecond / 4 + 64);
  Pump(1);  // the end waits in the queue
  EXPECT_EQ(morrow::StopMusicPlayback(), 0);
  EXPECT_EQ(GetMusicState().loopRestarts, 0);
  EXPECT_EQ(GetMusicState().loopFlag, 0);
  EXPECT_EQ(morrow::CheckMusicPlayback(), 0);
  uint32_t port = 0;
  EXPECT_EQ(platform::SequencerStatusPort(device, &port), platform::kAudioBadArgument) << "closed";
  EXPECT_EQ(morrow::StopMusicPlayback(), 0) << "nothing plays: nothing to stop";
}

TEST_F(Music, NewStartStopsTheOldPiece) {
  ASSERT_EQ(morrow::StartMusicPlayback("second.mid", 3), 0);
  uint32_t first = GetMusicState().sequencerDevice;
  ASSERT_EQ(morrow::StartMusicPlayback("quarter.mid", 3), 0);
  uint32_t second = GetMusicState().sequencerDevice;
  EXPECT_NE(first, second);
  uint32_t port = 0;
  EXPECT_EQ(platform::SequencerStatusPort(first, &port), platform::kAudioBadArgument);
  EXPECT_EQ(platform::SequencerStatusPort(second, &port), platform::kAudioOk);
  // A file for the second path stops the sequencer's piece too, and the other way round.
  ASSERT_EQ(morrow::StartMusicPlayback("ramp.wav", 3), 0);
  EXPECT_EQ(GetMusicState().sequencerPlaying, 0);
  EXPECT_EQ(GetMusicState().mediaPlaying, 1);
  ASSERT_EQ(morrow::StartMusicPlayback("quarter.mid", 3), 0);
  EXPECT_EQ(GetMusicState().mediaPlaying, 0);
  EXPECT_EQ(GetMusicState().media, nullptr);
  EXPECT_EQ(GetMusicState().sequencerPlaying, 1);
}

TEST_F(Music, EndPendingAtAStopNeverReachesTheNextPiece) {
  // The end raised by the mixer but not yet posted, and posted but not yet handled.
  for (int passes : {0, 1}) {
    ASSERT_EQ(morrow::StartMusicPlayback("quarter.mid", 3), 0);
    PullLeft(kSecond / 4 + 64);
    Pump(passes);
    GetMusicState().loopRestarts = 0;
    ASSERT_EQ(morrow::StartMusicPlayback("second.mid", 3), 0);
    Pump(3);
    PullLeft(kSecond / 2);
    Pump(3);
    EXPECT_EQ(GetMusicState().loopRestarts, 0) << passes;
    EXPECT_GE(SequencerPosition(), 90) << passes << ": the new piece was not rewound";
  }
}

TEST_F(Music, GamePathsReachTheSequencer) {
  std::filesystem::create_directories(dir_.File("Resource/Bgm"));
  Write("Resource/Bgm/00.bgm", OneNoteMidi(96));
  Write("Resource/Bgm/01.bgm", testsupport::RmidFile(OneNoteMidi(96)));
  for (const char* path : {"Resource\\Bgm\\00.bgm", "Resource\\Bgm\\01.bgm"}) {
    ASSERT_EQ(morrow::StartMusicPlayback(path, 3), 0) << path;
    EXPECT_EQ(GetMusicState().sequencerPlaying, 1) << path;
  }
}

TEST_F(Music, WaveTakesTheSecondPathAndRewindsWhenLooping) {
  ASSERT_EQ(morrow::StartMusicPlayback("ramp.wav", 3), 0);
  EXPECT_EQ(GetMusicState().sequencerPlaying, 0);
  EXPECT_EQ(GetMusicState().mediaPlaying, 1);
  Pump(1);
  EXPECT_EQ(PullLeft(4410), Ramp(4410));
  PullLeft(10);
  Pump(1);  // complete: posted
  EXPECT_EQ(GetMusicState().loopRestarts, 0);
  Pump(1);  // handled: back to the first sample
  EXPECT_EQ(GetMusicState().loopRestarts, 1);
  EXPECT_EQ(PullLeft(4), (std::vector<int16_t>{1, 2, 3, 4}));
  EXPECT_EQ(morrow::CheckMusicPlayback(), 1);
}

TEST_F(Music, WaveStartedOnceIsReleasedAtItsEnd) {
  ASSERT_EQ(morrow::StartMusicPlayback("ramp.wav", 1), 0);
  Pump(1);
  PullLeft(4500);
  Pump(2);
  EXPECT_EQ(morrow::CheckMusicPlayback(), 0);
  EXPECT_EQ(GetMusicState().media, nullptr);
  EXPECT_EQ(GetMusicState().loopRestarts, 0);
  EXPECT_EQ(morrow::HandleDirectShowMusicNotify(), 0) << "without a player";
}

TEST_F(Music, VolumeOfTheSecondPath) {
  EXPECT_EQ(morrow::SetMusicVolume(100), 0) << "before any music";
  ASSERT_EQ(morrow::StartMusicPlayback("ramp.wav", 3), 0);
  const std::pair<int, int32_t> cases[] = {{255, 0},   {254, -79}, {128, -5000},
                                           {1, -9961}, {256, 0},   {0, -10000}};
  for (const auto& [volume, hundredths] : cases) {
    EXPECT_EQ(morrow::MusicVolumeToHundredths(volume), hundredths) << volume;
    ASSERT_EQ(morrow::SetMusicVolume(volume), 0);
    int32_t set = 1;
    GetMusicState().media->GetVolume(&set);
    EXPECT_EQ(set, hundredths) << volume;
  }
  // Out of range the player refuses the value and keeps its volume.
  for (int bad : {257, 300, -1, INT_MAX, INT_MIN}) {
    ASSERT_EQ(morrow::SetMusicVolume(bad), 0);
    int32_t set = 1;
    GetMusicState().media->GetVolume(&set);
    EXPECT_EQ(set, -10000) << bad;
  }
  // The start sets full volume again.
  ASSERT_EQ(morrow::StartMusicPlayback("ramp.wav", 3), 0);
  int32_t set = 1;
  GetMusicState().media->GetVolume(&set);
  EXPECT_EQ(set, 0);
}

TEST_F(Music, BadFilesFailWithTheLogLine) {
  std::string truncated = OneNoteMidi(96);
  truncated.resize(truncated.size() - 4);
  std::string absurd = testsupport::MidiHeader(0, 1, 96) + "MTrk\x7F\xFF\xFF\xFF";
  const std::pair<const char*, std::string> cases[] = {
      {"bad header", "MThd\0\0\0\x02\0\0"s + OneNoteMidi(96).substr(14)},
      {"truncated track", truncated},
      {"absurd length", absurd},
      {"not MIDI", "this is plain text and no music"},
      {"RMID wrapping nothing", "RIFF\x04\0\0\0RMID"s},
  };
  int expected = Count(kFailed);
  for (const auto& [name, bytes] : cases) {
    Write("bad.bgm", bytes);
    EXPECT_EQ(morrow::StartMusicPlayback("bad.bgm", 3), -1) << name;
    EXPECT_EQ(morrow::CheckMusicPlayback(), 0) << name;
    EXPECT_EQ(Count(kFailed), ++expected) << name;
  }
  EXPECT_EQ(morrow::StartMusicPlayback("missing.mid", 3), -1);
  EXPECT_EQ(Count(kFailed), ++expected);
  // A path that does not make a full path fails the same way.
  EXPECT_EQ(morrow::StartMusicPlayback("a\\\\b.mid", 3), -1);
  EXPECT_EQ(Count(kFailed), ++expected);
  // Longer than any path: the log's line is cut before the end of its text.
  int started = Count("ミュージックファイル xxx");
  EXPECT_EQ(morrow::StartMusicPlayback(std::string(5000, 'x').c_str(), 3), -1);
  EXPECT_EQ(Count("ミュージックファイル xxx"), started + 1);
}

TEST_F(Music, OneShotSound) {
  EXPECT_EQ(morrow::StopOneShotSound(), 0) << "none yet";
  EXPECT_EQ(morrow::PlayOneShotSound("quarter.mid", 1), -1) << "a MIDI file is no sound";
  EXPECT_EQ(morrow::GetSoundSystemState().oneShotHandle, -1);
  EXPECT_EQ(morrow::StopOneShotSound(), 0);
  ASSERT_EQ(morrow::PlayOneShotSound("ramp.wav", 1), 0);
  int first = morrow::GetSoundSystemState().oneShotHandle;
  EXPECT_EQ(morrow::CheckSoundHandle(first), 1);
  ASSERT_EQ(morrow::PlayOneShotSound("ramp.wav", 3), 0);
  int second = morrow::GetSoundSystemState().oneShotHandle;
  EXPECT_EQ(morrow::CheckSoundHandle(first), -1) << "the previous one is deleted";
  EXPECT_EQ(morrow::CheckSoundHandle(second), 1);
  EXPECT_EQ(morrow::StopOneShotSound(), 0);
  EXPECT_EQ(morrow::CheckSoundHandle(second), 0);
}

TEST_F(Music, MidiHandlesFollowTheMusic) {
  morrow::MidiTable& table = GetMusicState().midiTable;
  auto make = [&table](int playing) {
    auto* r =
        static_cast<morrow::MidiRecord*>(morrow::AllocateZeroMemory(sizeof(morrow::MidiRecord)));
    r->playing = playing;
    r->data = morrow::AllocateMemory(16);
    return table.Insert(table.FreeSlot(), r);
  };
  int idle = make(0);
  int playing = make(1);
  EXPECT_EQ(morrow::CheckMidiHandle(idle), 0);
  ASSERT_EQ(morrow::StartMusicPlayback("second.mid", 3), 0);
  EXPECT_EQ(morrow::CheckMidiHandle(idle), 1);
  EXPECT_EQ(morrow::UpdateMidiHandles(), 0);
  EXPECT_EQ(morrow::DeleteMidiHandle(playing), 0);
  EXPECT_EQ(morrow::CheckMusicPlayback(), 0) << "a playing handle stops the music when deleted";
  EXPECT_EQ(morrow::CheckMidiHandle(playing), -1);
  EXPECT_EQ(morrow::StopMidiHandle(playing), -1);
  EXPECT_EQ(morrow::DeleteMidiHandle(playing), -1);
  make(0);
  EXPECT_EQ(morrow::DeleteAllMidiHandles(), 0);
  EXPECT_EQ(table.count, 0);
  EXPECT_EQ(morrow::CheckMidiHandle(idle), -1);
  for (int bad : {-1, 0, morrow::kSoundHandle | 1, morrow::kMusicHandle | 300}) {
    EXPECT_EQ(morrow::CheckMidiHandle(bad), -1) << bad;
  }
}

TEST_F(Music, EndingTheSoundSystemEndsTheMusic) {
  ASSERT_EQ(morrow::StartMusicPlayback("second.mid", 3), 0);
  ASSERT_EQ(morrow::EndSoundSystem(), 0);
  EXPECT_EQ(morrow::CheckMusicPlayback(), 0);
  EXPECT_EQ(morrow::SetMusicVolume(255), -1);
  EXPECT_EQ(morrow::UpdateMidiHandles(), -1);
  EXPECT_EQ(morrow::PlayOneShotSound("ramp.wav", 1), -1);
  EXPECT_EQ(morrow::StopOneShotSound(), -1);
  // Neither path has a mixer to play into.
  EXPECT_EQ(morrow::StartMusicPlayback("second.mid", 3), -1);
  EXPECT_EQ(morrow::StartMusicPlayback("ramp.wav", 3), -1);
}

class MusicWithoutSoundfont : public Music {
 protected:
  void SetUp() override {
    setenv("MORROW_SOUNDFONT", "/nonexistent/none.sf2", 1);
    Music::SetUp();
  }
  void TearDown() override {
    Music::TearDown();
    unsetenv("MORROW_SOUNDFONT");
  }
};

// The log names the soundfont and why it did not load, once for each start that needed it; the
// state keeps it for the tools until the next start.
TEST_F(MusicWithoutSoundfont, MidiIsRefusedAndWaveStillPlays) {
  constexpr const char* kNoSoundfont =
      "サウンドフォント /nonexistent/none.sf2 を読み込めませんでした (No such file or directory)";
  int before = Count(kFailed);
  const int refusedBefore = Count(kNoSoundfont);
  EXPECT_EQ(morrow::StartMusicPlayback("second.mid", 3), -1);
  EXPECT_EQ(Count(kFailed), before + 1);
  EXPECT_EQ(Count(kNoSoundfont), refusedBefore + 1) << Log();
  EXPECT_EQ(GetMusicState().soundfontRefusals,
            (std::vector<platform::SoundfontRefusal>{
                {"/nonexistent/none.sf2", "No such file or directory"}}));
  EXPECT_EQ(morrow::CheckMusicPlayback(), 0);
  EXPECT_EQ(morrow::StartMusicPlayback("ramp.wav", 3), 0);
  EXPECT_EQ(GetMusicState().mediaPlaying, 1);
  EXPECT_TRUE(GetMusicState().soundfontRefusals.empty()) << "a WAVE file needs no soundfont";
  EXPECT_EQ(Count(kNoSoundfont), refusedBefore + 1);
}

}  // namespace
