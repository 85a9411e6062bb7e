#include "morrow/sound/sound.h"

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "morrow/sound/sound_internal.h"
#include "platform/audio/audio_device.h"
#include "tests/morrow/sound/sound_test_util.h"
#include "tests/support/wave_writer.h"

namespace {

using morrow::GetSoundRecord;
using testsupport::PcmWave;
using testsupport::Samples16;

std::string Tone(int frames, int16_t value = 1000) {
  return PcmWave(1, 44100, 16, Samples16(std::vector<int16_t>(static_cast<size_t>(frames), value)));
}

uint32_t PlayCursor(int handle, int buffer) {
  uint32_t play = 0;
  GetSoundRecord(handle)->buffers[buffer]->GetCurrentPosition(&play, nullptr);
  return play;
}

bool Playing(int handle, int buffer) {
  uint32_t status = 0;
  GetSoundRecord(handle)->buffers[buffer]->GetStatus(&status);
  return (status & platform::kStatusPlaying) != 0;
}

int Load(const std::string& wave, int buffers = 1) {
  return morrow::LoadSoundFromMemory(wave.data(), static_cast<int>(wave.size()), buffers);
}

// The sound system on the manual mixer, with a log of its own.
class SoundHandle : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("MORROW_AUDIO", "manual", 1);
    ASSERT_EQ(morrow::InitSoundSystem(), 0);
  }
  void TearDown() override {
    morrow::EndSoundSystem();
    unsetenv("MORROW_AUDIO");
  }
  static void Pull(int frames) { ASSERT_EQ(platform::MixerPull(frames, nullptr), frames); }
  soundtest::LogCapture log_;
};

TEST_F(SoundHandle, StartLogsTheDevice) {
  std::string t = log_.Text();
  const char* lines[] = {
      "DirectSound の初期化を行います\n",
      "DirectSound インターフェースの取得を行います....  成功\n",
      "引き続きインターフェースの初期化処理...  成功\n",
      "DirectSound デバイスを列挙します\n",
      "\t\tモジュール名:         manual  ドライバ記述:manual mixer \n",
      "\t最大サンプリングレート:192.00KHz 最小サンプリングレート:0.10KHz \n",
      "\t総サウンドメモリ領域:0.00KB 空きサウンドメモリ領域:0.00KB \n",
      "\t プライマリ １６bit = OK  ８bit = OK \n",
      "\t セカンダリ MONO = OK  STEREO = OK \n",
      "DirectSound の初期化は正常に終了しました\n",
  };
  for (const char* line : lines) EXPECT_NE(t.find(line), std::string::npos) << line;
  EXPECT_EQ(morrow::InitSoundSystem(), -1) << "started once";
  EXPECT_EQ(morrow::GetSoundSystemState().oneShotHandle, -1);
  ASSERT_NE(morrow::GetSoundSystemState().silent, nullptr);
  uint32_t status = 0;
  morrow::GetSoundSystemState().silent->GetStatus(&status);
  EXPECT_EQ(status, platform::kStatusPlaying | platform::kStatusLooping);
}

TEST_F(SoundHandle, LoadsIntoIdenticalBuffers) {
  std::string pcm = Samples16({1, 2, 3, 4, 5, 6});
  int h = Load(PcmWave(2, 22050, 16, pcm), 3);
  ASSERT_NE(h, -1);
  EXPECT_EQ(static_cast<uint32_t>(h) & 0x78000000u, 0x10000000u);
  morrow::SoundRecord* r = GetSoundRecord(h);
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(r->bufferCount, 3);
  EXPECT_EQ(r->pcmSize, 12u);
  EXPECT_EQ(std::memcmp(r->pcmData, pcm.data(), 12), 0);
  EXPECT_EQ(r->format.channels, 2);
  EXPECT_EQ(r->format.samplesPerSecond, 22050u);
  EXPECT_EQ(r->averageBytesPerSecond, 88200);
  EXPECT_EQ(r->streamFlag, 0);
  for (int i = 0; i < 3; ++i) {
    void* p1;
    void* p2;
    uint32_t n1, n2;
    ASSERT_EQ(r->buffers[i]->Lock(0, 12, &p1, &n1, &p2, &n2), platform::kAudioOk);
    EXPECT_EQ(std::memcmp(p1, pcm.data(), 12), 0) << "buffer " << i;
    r->buffers[i]->Unlock(p1, n1, p2, n2);
  }
  EXPECT_EQ(r->buffers[3], nullptr);
}

TEST_F(SoundHandle, BufferCountsOutsideOneToTen) {
  std::string wave = Tone(10);
  std::string path = log_.dir().File("a.wav");
  testsupport::WriteFile(path, wave);
  std::string before = log_.Text();
  for (int n : {11, 0, -1, 1000}) {
    EXPECT_EQ(Load(wave, n), -1) << n;
    EXPECT_EQ(morrow::LoadSoundFileWithBuffers(path.c_str(), n), -1) << n;
  }
  EXPECT_EQ(log_.Text(), before) << "refused without a log line";
  EXPECT_EQ(morrow::GetSoundSystemState().table.count, 0);
  int h = Load(wave, 10);
  ASSERT_NE(h, -1);
  EXPECT_EQ(GetSoundRecord(h)->bufferCount, 10);
}

TEST_F(SoundHandle, RewindRestartsAndNoRewindLeavesItPlaying) {
  int h = Load(Tone(1000));
  ASSERT_EQ(morrow::PlaySoundHandle(h, morrow::kPlayBackground, 1), 0);
  Pull(300);
  EXPECT_EQ(PlayCursor(h, 0), 600u);
  EXPECT_EQ(morrow::PlaySoundHandle(h, morrow::kPlayBackground, 0), 0);
  EXPECT_EQ(PlayCursor(h, 0), 600u) << "rewind 0 leaves a playing buffer alone";
  EXPECT_TRUE(Playing(h, 0));
  EXPECT_EQ(morrow::PlaySoundHandle(h, morrow::kPlayBackground, 1), 0);
  EXPECT_EQ(PlayCursor(h, 0), 0u) << "rewind 1 starts again";
  EXPECT_TRUE(Playing(h, 0));
  Pull(100);
  morrow::StopSoundHandle(h);
  EXPECT_EQ(morrow::PlaySoundHandle(h, morrow::kPlayBackground, 0), 0);
  EXPECT_EQ(PlayCursor(h, 0), 200u) << "a stopped buffer goes on where it stopped";
  Pull(2000);
  EXPECT_EQ(morrow::CheckSoundHandle(h), 0);
}

TEST_F(SoundHandle, BufferChoiceTakesAFreeOneThenTheFurthest) {
  int h = Load(Tone(1000), 3);
  morrow::PlaySoundHandle(h, morrow::kPlayBackground, 1);  // buffer 0
  Pull(100);
  morrow::PlaySoundHandle(h, morrow::kPlayBackground, 1);  // buffer 1
  Pull(50);
  morrow::PlaySoundHandle(h, morrow::kPlayBackground, 1);  // buffer 2
  Pull(10);
  EXPECT_EQ(PlayCursor(h, 0), 320u);
  EXPECT_EQ(PlayCursor(h, 1), 120u);
  EXPECT_EQ(PlayCursor(h, 2), 20u);
  morrow::PlaySoundHandle(h, morrow::kPlayBackground, 1);  // all busy: buffer 0 restarts
  EXPECT_EQ(PlayCursor(h, 0), 0u);
  EXPECT_EQ(PlayCursor(h, 1), 120u);
  Pull(10);
  morrow::PlaySoundHandle(h, morrow::kPlayBackground, 1);  // now buffer 1 is furthest
  EXPECT_EQ(PlayCursor(h, 1), 0u);
  EXPECT_EQ(PlayCursor(h, 2), 40u);
  // Equal cursors: the first.
  int e = Load(Tone(1000), 2);
  morrow::SoundRecord* r = GetSoundRecord(e);
  r->buffers[0]->SetCurrentPosition(200);
  r->buffers[1]->SetCurrentPosition(200);
  r->buffers[0]->Play(false);
  r->buffers[1]->Play(false);
  morrow::PlaySoundHandle(e, morrow::kPlayBackground, 1);
  EXPECT_EQ(PlayCursor(e, 0), 0u);
  EXPECT_EQ(PlayCursor(e, 1), 200u);
  // A free buffer after busy ones is taken before any restart.
  morrow::StopSoundHandle(h);
  GetSoundRecord(h)->buffers[0]->Play(false);
  morrow::PlaySoundHandle(h, morrow::kPlayBackground, 1);
  EXPECT_TRUE(Playing(h, 1));
}

TEST_F(SoundHandle, PlayTypes) {
  struct Case {
    int type;
    bool loops;
  } cases[] = {{morrow::kPlayBackground, false}, {morrow::kPlayLoop, true}, {2, false}, {7, false}};
  for (const Case& c : cases) {
    int h = Load(Tone(100));
    morrow::PlaySoundHandle(h, c.type, 1);
    Pull(150);
    EXPECT_EQ(morrow::CheckSoundHandle(h), c.loops ? 1 : 0) << c.type;
    morrow::DeleteSoundHandle(h, 0);
  }
}

TEST_F(SoundHandle, PlayTypeZeroWaitsWhilePumping) {
  int h = Load(Tone(2000));
  std::atomic<bool> done{false};
  std::thread mixer([&] {
    while (!done) {
      platform::MixerPull(64, nullptr);
      std::this_thread::yield();
    }
  });
  EXPECT_EQ(morrow::PlaySoundHandle(h, morrow::kPlayWait, 1), 0);
  EXPECT_EQ(morrow::CheckSoundHandle(h), 0) << "returns once the sound has ended";
  done = true;
  mixer.join();
}

TEST_F(SoundHandle, VolumeMapsToHundredthsOfADecibel) {
  struct Case {
    int volume;
    int32_t level;
  } cases[] = {{10000, 0}, {0, -10000},     {-1, -10000},  {-2147483647 - 1, -10000},
               {10001, 0}, {2147483647, 0}, {5000, -5000}, {9999, -1}};
  int h = Load(Tone(10), 2);
  for (const Case& c : cases) {
    EXPECT_EQ(morrow::SetSoundVolume(c.volume, h), 0);
    for (int i = 0; i < 2; ++i) {
      int32_t level = 1;
      GetSoundRecord(h)->buffers[i]->GetVolume(&level);
      EXPECT_EQ(level, c.level) << c.volume << " buffer " << i;
    }
  }
  EXPECT_EQ(morrow::SetSoundVolume(100, h + 1), -1);
}

TEST_F(SoundHandle, StaleHandlesFailAfterTheSlotIsReused) {
  int a = Load(Tone(10));
  ASSERT_EQ(morrow::DeleteSoundHandle(a, 0), 0);
  int b = Load(Tone(10));
  ASSERT_NE(b, -1);
  EXPECT_EQ(b & 0xFFFF, a & 0xFFFF) << "same slot";
  EXPECT_NE(b, a);
  EXPECT_EQ(morrow::PlaySoundHandle(a, 1, 1), -1);
  EXPECT_EQ(morrow::StopSoundHandle(a), -1);
  EXPECT_EQ(morrow::CheckSoundHandle(a), -1);
  EXPECT_EQ(morrow::SetSoundVolume(5000, a), -1);
  EXPECT_EQ(morrow::DeleteSoundHandle(a, 0), -1);
  EXPECT_EQ(morrow::CheckSoundHandle(b), 0);
  int bad[] = {-1, 0, b & 0x0FFFFFFF, (b & ~0x78000000) | 0x08000000, (b & ~0xFFFF) | 4096};
  for (int x : bad) EXPECT_EQ(morrow::CheckSoundHandle(x), -1) << std::hex << x;
}

TEST_F(SoundHandle, DeleteAllLeavesNoHandleValid) {
  std::vector<int> handles;
  for (int i = 0; i < 20; ++i) handles.push_back(Load(Tone(10)));
  morrow::DeleteSoundHandle(handles[19], 0);
  morrow::DeleteSoundHandle(handles[5], 0);
  morrow::GetSoundSystemState().oneShotHandle = handles[3];
  EXPECT_EQ(morrow::DeleteAllSounds(0), 0);
  for (int h : handles) EXPECT_EQ(morrow::CheckSoundHandle(h), -1);
  EXPECT_EQ(morrow::GetSoundSystemState().table.count, 0);
  EXPECT_EQ(morrow::GetSoundSystemState().table.highWater, 0);
  EXPECT_EQ(morrow::GetSoundSystemState().oneShotHandle, -1);
}

TEST_F(SoundHandle, GivenHandleIsMadeAgainInItsSlot) {
  int h = Load(Tone(10));
  morrow::DeleteSoundHandle(h, 0);
  EXPECT_EQ(morrow::AddSoundData(h), h);
  ASSERT_NE(GetSoundRecord(h), nullptr);
  EXPECT_EQ(GetSoundRecord(h)->bufferCount, 0);
  int again = morrow::AddSoundData(h);
  EXPECT_NE(again, h) << "a slot in use is not made twice";
  int far = morrow::MakeHandle(morrow::kSoundHandle, 5, 100);
  EXPECT_EQ(morrow::AddSoundData(far), far);
  EXPECT_EQ(morrow::GetSoundSystemState().table.highWater, 101) << "delete-all reaches it";
  morrow::DeleteAllSounds(0);
  EXPECT_EQ(morrow::GetSoundSystemState().table.count, 0);
}

TEST_F(SoundHandle, FileLoadKeepsThePathAndDirectory) {
  std::string path = log_.dir().File("se.wav");
  testsupport::WriteFile(path, Tone(100));
  int h = morrow::LoadSoundFile(path.c_str());
  ASSERT_NE(h, -1);
  morrow::SoundRecord* r = GetSoundRecord(h);
  EXPECT_STREQ(r->fileName, path.c_str());
  std::string dir = r->loadDirectory;
  ASSERT_FALSE(dir.empty());
  EXPECT_EQ(dir.back(), '\\');
  EXPECT_EQ(dir.find('\\'), dir.size() - 1) << "one separator added";
  EXPECT_EQ(r->pcmSize, 200u);
}

TEST_F(SoundHandle, FileLoadFailuresLogTheirStep) {
  std::string missing = log_.dir().File("none.wav");
  EXPECT_EQ(morrow::LoadSoundFile(missing.c_str()), -1);
  EXPECT_EQ(log_.Count("右記の音声ファイルのロードに失敗しました_1：" + missing), 1);
  std::string text = log_.dir().File("text.wav");
  testsupport::WriteFile(text, "not a sound at all");
  EXPECT_EQ(morrow::LoadSoundFile(text.c_str()), -1);
  EXPECT_EQ(log_.Count("右記の音声ファイルのロードに失敗しました_2：" + text), 1);
  EXPECT_EQ(log_.Count("音声ファイルのＰＣＭへの変換に失敗しました"), 1);
  EXPECT_EQ(morrow::GetSoundSystemState().table.count, 0) << "the handle was deleted";
}

TEST_F(SoundHandle, LayoutsTheOutputCannotPlayAreRefused) {
  struct Case {
    uint16_t channels;
    uint32_t rate;
  } cases[] = {{4, 44100}, {8, 8000}, {1, 50}, {2, 200000}};
  for (const Case& c : cases) {
    EXPECT_EQ(Load(PcmWave(c.channels, c.rate, 16, std::string(c.channels * 200u, '\1'))), -1);
  }
  EXPECT_EQ(log_.Count("音声ファイルのＰＣＭへの変換に失敗しました"), 4);
  EXPECT_EQ(morrow::GetSoundSystemState().table.count, 0);
  EXPECT_EQ(Load(PcmWave(1, 8000, 16, "")), -1) << "no bytes, no buffer";
}

TEST_F(SoundHandle, EndStopsEverything) {
  int h = Load(Tone(100));
  morrow::PlaySoundHandle(h, morrow::kPlayLoop, 1);
  EXPECT_EQ(morrow::EndSoundSystem(), 0);
  EXPECT_NE(log_.Text().find("DirectSound の終了処理は正常に終了しました\n"), std::string::npos);
  EXPECT_EQ(morrow::EndSoundSystem(), -1);
  EXPECT_EQ(morrow::CheckSoundHandle(h), -1);
  EXPECT_EQ(platform::MixerPull(1, nullptr), -1);
  ASSERT_EQ(morrow::InitSoundSystem(), 0) << "can start again";
  EXPECT_EQ(morrow::CheckSoundHandle(h), -1);
}

TEST_F(SoundHandle, MusicSystemStartFallsBackToThePlainStart) {
  morrow::EndSoundSystem();
  soundtest::LogCapture log;
  morrow::GetSoundSystemState().startMode = 1;
  ASSERT_EQ(morrow::InitSoundSystem(), 0);
  EXPECT_EQ(morrow::GetSoundSystemState().startMode, 0);
  std::string t = log.Text();
  size_t a = t.find("DirectSound8 の初期化を行います\n");
  size_t b = t.find("DirectMusicLoader8 オブジェクトの作成に失敗しました\n");
  size_t c = t.find("前バージョンでの初期化処理に移ります\n");
  size_t d = t.find("DirectSound の初期化を行います\n");
  ASSERT_NE(a, std::string::npos);
  EXPECT_LT(a, b);
  EXPECT_LT(b, c);
  EXPECT_LT(c, d);
  EXPECT_NE(t.find("DirectSound の初期化は正常に終了しました"), std::string::npos);
}

TEST(SoundSilent, EveryCallAnswersMinusOne) {
  soundtest::LogCapture log;
  setenv("MORROW_AUDIO", "null", 1);
  EXPECT_EQ(morrow::InitSoundSystem(), -1);
  unsetenv("MORROW_AUDIO");
  EXPECT_NE(log.Text().find("DirectSound インターフェースの取得を行います....  "
                            "DirectSoundインターフェースの作成に失敗しました\n"),
            std::string::npos);
  std::string wave = Tone(10);
  std::string path = log.dir().File("a.wav");
  testsupport::WriteFile(path, wave);
  EXPECT_EQ(morrow::LoadSoundFile(path.c_str()), -1);
  EXPECT_EQ(Load(wave), -1);
  int fake = morrow::MakeHandle(morrow::kSoundHandle, 0, 0);
  EXPECT_EQ(morrow::PlaySoundHandle(fake, 1, 1), -1);
  EXPECT_EQ(morrow::StopSoundHandle(fake), -1);
  EXPECT_EQ(morrow::CheckSoundHandle(fake), -1);
  EXPECT_EQ(morrow::SetSoundVolume(100, fake), -1);
  EXPECT_EQ(morrow::DeleteSoundHandle(fake, 0), -1);
  EXPECT_EQ(morrow::DeleteAllSounds(0), -1);
  EXPECT_EQ(morrow::EndSoundSystem(), -1);
  EXPECT_EQ(log.Count("右記"), 0) << "nothing is tried";
}

}  // namespace
