#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "morrow/sound/sound.h"
#include "morrow/sound/sound_internal.h"
#include "platform/audio/audio_device.h"
#include "tests/morrow/sound/sound_test_util.h"
#include "tests/support/temp_dir.h"
#include "tests/support/wave_writer.h"

namespace {

using morrow::GetSoundRecord;
using testsupport::PcmWave;
using testsupport::Samples16;

constexpr int kSecond = 44100;
// One pump pass of a 60-frame-a-second game.
constexpr int kPass = 735;

// Distinct samples from `first` on, kept inside 16 bits.
std::vector<int16_t> Ramp(int frames, int first = 1) {
  std::vector<int16_t> v(static_cast<size_t>(frames));
  for (int i = 0; i < frames; ++i) {
    v[static_cast<size_t>(i)] =
        static_cast<int16_t>((first + i) % 30000 + (first < 0 ? -30000 : 0));
  }
  return v;
}

std::string Wave(const std::vector<int16_t>& mono) {
  return PcmWave(1, kSecond, 16, Samples16(mono));
}

std::vector<int16_t> Repeat(const std::vector<int16_t>& v, int times) {
  std::vector<int16_t> out;
  for (int i = 0; i < times; ++i) out.insert(out.end(), v.begin(), v.end());
  return out;
}

// The sound system on the manual mixer; every test drives the pump's refill by hand.
class StreamSound : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("MORROW_AUDIO", "manual", 1);
    ASSERT_EQ(morrow::InitSoundSystem(), 0);
  }
  void TearDown() override {
    morrow::GetSoundSystemState().createAsStream = 0;
    morrow::EndSoundSystem();
    unsetenv("MORROW_AUDIO");
  }

  // A stream sound of the sources (bytes and loop count), added from memory, or from files for
  // kind 3.
  int Make(const std::vector<std::pair<std::string, uint8_t>>& sources, int kind = 2) {
    int h = morrow::AddSoundData(-1);
    for (size_t i = 0; i < sources.size(); ++i) {
      const auto& [bytes, loops] = sources[i];
      if (kind == 3) {
        std::string path = log_.dir().File("source" + std::to_string(i) + ".wav");
        testsupport::WriteFile(path, bytes);
        EXPECT_EQ(morrow::AddStreamSoundFile(path.c_str(), loops, h, kind), 0);
      } else {
        EXPECT_EQ(morrow::AddStreamSoundMemory(bytes.data(), static_cast<int>(bytes.size()), loops,
                                               h, kind),
                  0);
      }
    }
    return h;
  }

  // Pump passes and mixer pulls, one pass's frames at a time: the left channel heard (or both
  // channels interleaved).
  static std::vector<int16_t> Run(int frames, bool stereo = false) {
    std::vector<int16_t> heard;
    std::vector<int16_t> piece(kPass * 2);
    for (int done = 0; done < frames; done += kPass) {
      morrow::UpdateStreamSounds();
      int n = std::min(kPass, frames - done);
      EXPECT_EQ(platform::MixerPull(n, piece.data()), n);
      for (int i = 0; i < n; ++i) {
        heard.push_back(piece[2 * static_cast<size_t>(i)]);
        if (stereo) heard.push_back(piece[2 * static_cast<size_t>(i) + 1]);
      }
    }
    return heard;
  }

  soundtest::LogCapture log_;
};

TEST_F(StreamSound, LoopCountsGiveTheirPlays) {
  const std::vector<int16_t> ramp = Ramp(4410);
  struct Case {
    uint8_t loops;
    int plays;
  };
  const Case cases[] = {{0, 1}, {2, 3}, {200, 1}, {128, 1}, {9, 10}};
  for (int kind : {0, 2, 3}) {
    for (const Case& c : cases) {
      int h = Make({{Wave(ramp), c.loops}}, kind);
      ASSERT_EQ(morrow::PlaySoundHandle(h, 1, 1), 0);
      std::vector<int16_t> heard = Run(c.plays * 4410 + kSecond / 2);
      std::vector<int16_t> expected = Repeat(ramp, c.plays);
      expected.resize(heard.size(), 0);
      EXPECT_EQ(heard, expected) << "kind " << kind << " loops " << int{c.loops};
      EXPECT_EQ(morrow::CheckSoundHandle(h), 0) << "kind " << kind << " loops " << int{c.loops};
      EXPECT_EQ(morrow::DeleteSoundHandle(h, 0), 0);
    }
  }
}

TEST_F(StreamSound, EndlessSourcePlaysUntilStopped) {
  const std::vector<int16_t> ramp = Ramp(4410);
  int h = Make({{Wave(ramp), 255}});
  ASSERT_EQ(morrow::PlaySoundHandle(h, 1, 1), 0);
  EXPECT_EQ(Run(10 * kSecond), Repeat(ramp, 100));
  EXPECT_EQ(morrow::CheckSoundHandle(h), 1);
  EXPECT_EQ(morrow::StopSoundHandle(h), 0);
  EXPECT_EQ(morrow::CheckSoundHandle(h), 0);
}

TEST_F(StreamSound, SourcesFollowEachOtherAndLoopWithoutAGap) {
  const std::vector<int16_t> a = Ramp(3 * kSecond);
  const std::vector<int16_t> b = Ramp(kSecond * 5 / 2, -1);
  int h = Make({{Wave(a), 0}, {Wave(b), 0}});
  ASSERT_EQ(morrow::PlaySoundHandle(h, 3, 1), 0);
  // Before the refill, four seconds ahead, reaches the second wrap.
  const int total = 13 * kSecond / 2;
  std::vector<int16_t> expected = a;
  expected.insert(expected.end(), b.begin(), b.end());
  expected.insert(expected.end(), a.begin(), a.end());
  expected.resize(total);
  EXPECT_EQ(Run(total), expected);
  morrow::UpdateStreamSounds();
  morrow::SoundRecord* r = GetSoundRecord(h);
  // Counted again from the point where the first source began anew.
  EXPECT_EQ(r->wrapFlag, 0);
  EXPECT_EQ(r->playedBytes, int64_t{total - 11 * kSecond / 2} * 2);
  EXPECT_EQ(morrow::CheckSoundHandle(h), 1);
}

TEST_F(StreamSound, PlayOnceStopsWhenTheCursorPassesTheEnd) {
  const int frames = kSecond / 2 + 100;
  int h = Make({{Wave(Ramp(frames)), 0}});
  ASSERT_EQ(morrow::PlaySoundHandle(h, 1, 1), 0);
  int pulled = 0;
  std::vector<int16_t> piece(2 * kPass);
  while (morrow::CheckSoundHandle(h) == 1) {
    ASSERT_LT(pulled, 2 * kSecond) << "never stopped";
    platform::MixerPull(kPass, piece.data());
    pulled += kPass;
    morrow::UpdateStreamSounds();
    // The first refill that finds the cursor past the data stops the ring, and none before.
    EXPECT_EQ(morrow::CheckSoundHandle(h), pulled >= frames ? 0 : 1) << pulled;
  }
  EXPECT_EQ(GetSoundRecord(h)->endOfData, 0);
}

TEST_F(StreamSound, EightBitSilenceIsSevenF) {
  std::string pcm(4000, '\x20');
  int h = Make({{PcmWave(1, kSecond, 8, pcm), 0}});
  ASSERT_EQ(morrow::PrepareStreamSound(h), 0);
  morrow::SoundRecord* r = GetSoundRecord(h);
  ASSERT_EQ(r->endOfData, 1);
  EXPECT_EQ(r->endPosition, 4000);
  void* p1 = nullptr;
  void* p2 = nullptr;
  uint32_t n1 = 0;
  uint32_t n2 = 0;
  ASSERT_EQ(r->buffers[0]->Lock(0, 4 * kSecond, &p1, &n1, &p2, &n2), platform::kAudioOk);
  std::string ring(static_cast<char*>(p1), n1);
  r->buffers[0]->Unlock(p1, n1, p2, n2);
  EXPECT_EQ(ring, pcm + std::string(4 * kSecond - 4000, '\x7F'));
  ASSERT_EQ(morrow::PlayStreamSound(h, 1, 0), 0);
  std::vector<int16_t> heard = Run(4000 + kPass);
  EXPECT_EQ(heard[3999], (0x20 - 128) * 256);
  EXPECT_EQ(heard[4000], (0x7F - 128) * 256) << "the padding as heard";
}

TEST_F(StreamSound, EmptySourceEndsInsteadOfHanging) {
  const std::string empty = Wave({});
  for (int kind : {0, 2}) {
    for (uint8_t loops : {0, 255}) {
      for (int playType : {1, 3}) {
        int h = Make({{empty, loops}}, kind);
        ASSERT_EQ(morrow::PlaySoundHandle(h, playType, 1), 0);
        std::vector<int16_t> heard = Run(kSecond / 10);
        EXPECT_EQ(heard, std::vector<int16_t>(heard.size(), 0));
        EXPECT_EQ(morrow::CheckSoundHandle(h), 0)
            << "kind " << kind << " loops " << int{loops} << " play " << playType;
        morrow::DeleteSoundHandle(h, 0);
      }
    }
  }
  // An endless source before a real one: the real one is never reached, and nothing hangs.
  int h = Make({{empty, 255}, {Wave(Ramp(100)), 0}});
  ASSERT_EQ(morrow::PlaySoundHandle(h, 3, 1), 0);
  Run(kSecond / 10);
  EXPECT_EQ(morrow::CheckSoundHandle(h), 0);
}

TEST_F(StreamSound, TwentySecondsKeepExactPositionsPastTwelve) {
  // Stereo 16-bit: the frame number, its low 15 bits left and the rest right.
  const int frames = 20 * kSecond;
  std::vector<int16_t> pcm(static_cast<size_t>(frames) * 2);
  for (int i = 0; i < frames; ++i) {
    pcm[2 * static_cast<size_t>(i)] = static_cast<int16_t>(i & 0x7FFF);
    pcm[2 * static_cast<size_t>(i) + 1] = static_cast<int16_t>(i >> 15);
  }
  int h = Make({{PcmWave(2, kSecond, 16, Samples16(pcm)), 1}});
  // The repeat starts 15 s in: 2,646,000 bytes, which as milliseconds pass 32 bits.
  GetSoundRecord(h)->streamSources[0].loopStart = 15000;
  ASSERT_EQ(morrow::PlaySoundHandle(h, 1, 1), 0);
  std::vector<int16_t> heard = Run(frames + 3 * kSecond, true);
  const int repeatFrom = 15 * kSecond;
  for (int i = 0; i < frames + 3 * kSecond; ++i) {
    int frame = heard[2 * static_cast<size_t>(i)] + (heard[2 * static_cast<size_t>(i) + 1] << 15);
    int expected = i < frames ? i : repeatFrom + (i - frames);
    ASSERT_EQ(frame, expected) << "output frame " << i;
  }
  morrow::UpdateStreamSounds();
  EXPECT_EQ(GetSoundRecord(h)->playedBytes, int64_t{frames + 3 * kSecond} * 4);
}

TEST_F(StreamSound, StopKeepsThePlaceAndRewindStartsAgain) {
  const std::vector<int16_t> ramp = Ramp(2 * kSecond);
  int h = Make({{Wave(ramp), 0}});
  ASSERT_EQ(morrow::PlaySoundHandle(h, 1, 1), 0);
  Run(10 * kPass);
  ASSERT_EQ(morrow::StopSoundHandle(h), 0);
  EXPECT_EQ(Run(kPass), std::vector<int16_t>(kPass, 0)) << "stopped";
  ASSERT_EQ(morrow::PlaySoundHandle(h, 1, 0), 0);
  std::vector<int16_t> goesOn(ramp.begin() + 10 * kPass, ramp.begin() + 12 * kPass);
  EXPECT_EQ(Run(2 * kPass), goesOn);
  ASSERT_EQ(morrow::PlaySoundHandle(h, 1, 0), 0) << "playing: rewind 0 leaves it";
  EXPECT_EQ(Run(kPass), std::vector<int16_t>(ramp.begin() + 12 * kPass, ramp.begin() + 13 * kPass));
  ASSERT_EQ(morrow::PlaySoundHandle(h, 1, 1), 0);
  EXPECT_EQ(Run(kPass), std::vector<int16_t>(ramp.begin(), ramp.begin() + kPass));
  morrow::UpdateStreamSounds();
  EXPECT_EQ(GetSoundRecord(h)->playedBytes, kPass * 2) << "counted from the start again";
}

TEST_F(StreamSound, SourcesThatDoNotFit) {
  int h = Make({{Wave(Ramp(100)), 0}, {Wave(Ramp(200)), 0}, {Wave(Ramp(300)), 0}});
  std::string fourth = Wave(Ramp(50));
  EXPECT_EQ(morrow::AddStreamSoundMemory(fourth.data(), static_cast<int>(fourth.size()), 0, h, 2),
            -1);
  EXPECT_EQ(log_.Count("ストリーム風サウンドの制御データ領域がいっぱいです\n"), 1);
  int g = Make({{Wave(Ramp(100)), 0}});
  for (const std::string& other :
       {PcmWave(1, 22050, 16, Samples16(Ramp(100))), PcmWave(2, kSecond, 16, Samples16(Ramp(100))),
        PcmWave(1, kSecond, 8, std::string(100, 'x'))}) {
    EXPECT_EQ(morrow::AddStreamSoundMemory(other.data(), static_cast<int>(other.size()), 0, g, 0),
              -1);
  }
  EXPECT_EQ(log_.Count("フォーマットの違う音声データは同時に使うことは出来ません"), 3);
  EXPECT_EQ(GetSoundRecord(g)->sourceCount, 1) << "the sound stays as it was";
  ASSERT_EQ(morrow::PlaySoundHandle(g, 1, 1), 0);
  std::string more = Wave(Ramp(50));
  EXPECT_EQ(morrow::AddStreamSoundMemory(more.data(), static_cast<int>(more.size()), 0, g, 2), -1);
  EXPECT_EQ(log_.Count("既に再生中のストリームサウンドデータにデータを追加しようとしました\n"), 1);
}

TEST_F(StreamSound, BadDataIsRefusedCleanly) {
  const std::string good = Wave(Ramp(1000));
  const std::pair<std::string, int> cases[] = {
      {"words, no sound", 2},
      {"words, no sound", 0},
      {PcmWave(6, kSecond, 16, std::string(1200, '\0')), 2},  // decodes, but no ring plays it
      {good.substr(0, 30), 0},
  };
  for (const auto& [bytes, kind] : cases) {
    int h = morrow::AddSoundData(-1);
    EXPECT_EQ(
        morrow::AddStreamSoundMemory(bytes.data(), static_cast<int>(bytes.size()), 0, h, kind), -1);
    EXPECT_EQ(GetSoundRecord(h)->streamFlag, 0);
    EXPECT_EQ(morrow::DeleteSoundHandle(h, 0), 0);
  }
  EXPECT_GE(log_.Count("ＷＡＶファイルのストリームイメージのセットアップに失敗しました \n"), 4);
  // Every prefix of a good file: refused, or a stream that plays what it holds and ends.
  for (size_t n = 0; n <= good.size(); n += 13) {
    for (int kind : {0, 2}) {
      int h = morrow::AddSoundData(-1);
      if (morrow::AddStreamSoundMemory(good.data(), static_cast<int>(n), 0, h, kind) == 0) {
        ASSERT_EQ(morrow::PlaySoundHandle(h, 3, 1), 0);
        Run(kSecond / 20);
      }
      morrow::DeleteSoundHandle(h, 0);
    }
  }
  int h = morrow::AddSoundData(-1);
  EXPECT_EQ(morrow::AddStreamSoundFile(log_.dir().File("missing.wav").c_str(), 0, h, 3), -1);
  EXPECT_EQ(log_.Count("右記のＷＡＶファイルのロードに失敗しました："), 1);
  EXPECT_EQ(morrow::AddStreamSoundMemory(good.data(), static_cast<int>(good.size()), 0, h, 1), -1);
  EXPECT_EQ(morrow::AddStreamSoundMemory(nullptr, 10, 0, h, 2), -1);
  EXPECT_EQ(morrow::AddStreamSoundMemory(good.data(), -1, 0, h, 2), -1);
  EXPECT_EQ(morrow::AddStreamSoundMemory(good.data(), static_cast<int>(good.size()), 0, -1, 2), -1);
}

TEST_F(StreamSound, StaticSoundsAreLeftAlone) {
  const std::string wave = Wave(Ramp(1000));
  int h = morrow::LoadSoundFromMemory(wave.data(), static_cast<int>(wave.size()), 1);
  ASSERT_NE(h, -1);
  EXPECT_EQ(morrow::AddStreamSoundMemory(wave.data(), static_cast<int>(wave.size()), 0, h, 2), -1);
  EXPECT_EQ(
      log_.Count("ストリーム風サウンドではないサウンドデータが渡されました in AddSreamSound\n"), 1);
  for (int (*call)(int) :
       {morrow::PrepareStreamSound, morrow::StopStreamSound, morrow::CheckStreamSound}) {
    EXPECT_EQ(call(h), 0);
    EXPECT_EQ(call(-1), -1);
  }
  EXPECT_EQ(morrow::PlayStreamSound(h, 1, 1), 0);
  EXPECT_EQ(morrow::CheckSoundHandle(h), 0) << "not played as a stream";
  ASSERT_EQ(morrow::PlaySoundHandle(h, 1, 1), 0);
  EXPECT_EQ(Run(1000), Ramp(1000)) << "still the static sound it was";
}

TEST_F(StreamSound, CreateAsStreamSwitchMakesStreamSounds) {
  morrow::GetSoundSystemState().createAsStream = 2;
  const std::string wave = Wave(Ramp(3000));
  int fromMemory = morrow::LoadSoundFromMemory(wave.data(), static_cast<int>(wave.size()), 1);
  std::string path = log_.dir().File("s.wav");
  testsupport::WriteFile(path, wave);
  int fromFile = morrow::LoadSoundFile(path.c_str());
  for (int h : {fromMemory, fromFile}) {
    ASSERT_NE(h, -1);
    EXPECT_EQ(GetSoundRecord(h)->streamFlag, 1);
    EXPECT_EQ(GetSoundRecord(h)->prepared, 1);
    ASSERT_EQ(morrow::PlaySoundHandle(h, 1, 1), 0);
    EXPECT_EQ(morrow::CheckSoundHandle(h), 1);
    EXPECT_EQ(Run(3000), Ramp(3000));
    EXPECT_EQ(morrow::StopSoundHandle(h), 0);
    EXPECT_EQ(morrow::CheckSoundHandle(h), 0);
  }
  EXPECT_EQ(morrow::LoadSoundFile(log_.dir().File("missing.wav").c_str()), -1);
  EXPECT_EQ(morrow::DeleteAllSounds(0), 0);
  EXPECT_EQ(morrow::GetSoundSystemState().table.count, 0);
}

}  // namespace
