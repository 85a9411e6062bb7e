#include <algorithm>
#include <cstring>
#include <string>

#include "morrow/sound/music_internal.h"
#include "morrow/sound/sound.h"
#include "morrow/sound/sound_decode.h"
#include "morrow/sound/sound_internal.h"
#include "morrow/system/library.h"
#include "morrow/system/log.h"
#include "morrow/system/memory.h"
#include "morrow/system/stream.h"

namespace morrow {
namespace {

SoundSystemState g_sound;

constexpr uint32_t kStaticBufferFlags = platform::kBufferGlobalFocus | platform::kBufferVolume |
                                        platform::kBufferPan | platform::kBufferFrequency |
                                        platform::kBufferStatic;
// Asked for when the first flags are refused: no global focus, no rate control.
constexpr uint32_t kFallbackBufferFlags =
    platform::kBufferVolume | platform::kBufferPan | platform::kBufferStatic;
constexpr uint32_t kStreamBufferFlags = kStaticBufferFlags | platform::kBufferExactPosition;
constexpr uint32_t kSilentBufferBytes = 400;
constexpr int kMaxSoundVolume = 10000;

const char* Ok(bool flag) {
  return flag ? "OK" : "NO";
}

platform::PcmFormat ToPcm(const WaveFormat& f) {
  return platform::PcmFormat{f.channels, static_cast<int>(f.samplesPerSecond), f.bitsPerSample};
}

void LogCapabilities() {
  platform::AudioDevice& device = *g_sound.device;
  IncreaseLogIndent();
  platform::AudioCaps caps;
  device.GetCaps(&caps);
  WriteLog("DirectSound デバイスを列挙します\n");
  IncreaseLogIndent();
  device.EnumerateDevices(
      [](const platform::AudioDeviceInfo& info) { return LogSoundDevice(info) == 1; });
  DecreaseLogIndent();
  WriteLogFormat("最大サンプリングレート:%.2fKHz 最小サンプリングレート:%.2fKHz ",
                 caps.maxSecondaryRate / 1000.0, caps.minSecondaryRate / 1000.0);
  WriteLogFormat("総サウンドメモリ領域:%.2fKB 空きサウンドメモリ領域:%.2fKB ",
                 caps.totalHardwareBytes / 1024.0, caps.freeHardwareBytes / 1024.0);
  WriteLog("利用可能サンプリング精度\n");
  WriteLogFormat(" プライマリ １６bit = %s  ８bit = %s ", Ok(caps.primary16Bit),
                 Ok(caps.primary8Bit));
  WriteLogFormat(" セカンダリ １６bit = %s  ８bit = %s ", Ok(caps.secondary16Bit),
                 Ok(caps.secondary8Bit));
  WriteLog("利用可能チャンネル\n");
  WriteLogFormat(" プライマリ MONO = %s  STEREO = %s ", Ok(caps.primaryMono),
                 Ok(caps.primaryStereo));
  WriteLogFormat(" セカンダリ MONO = %s  STEREO = %s ", Ok(caps.secondaryMono),
                 Ok(caps.secondaryStereo));
  DecreaseLogIndent();
}

void MakeSilentBuffer() {
  platform::PcmFormat format{2, 44100, 16};
  std::unique_ptr<platform::AudioBuffer> silent;
  if (g_sound.device->CreateBuffer(format, kSilentBufferBytes,
                                   platform::kBufferGlobalFocus | platform::kBufferStatic,
                                   &silent) != platform::kAudioOk) {
    WriteLog("無音バッファの作成に失敗しました");
    return;
  }
  void* p1 = nullptr;
  void* p2 = nullptr;
  uint32_t n1 = 0;
  uint32_t n2 = 0;
  if (silent->Lock(0, kSilentBufferBytes, &p1, &n1, &p2, &n2) != platform::kAudioOk) {
    WriteLog("無音バッファのロックに失敗しました");
    return;
  }
  std::memset(p1, 0, n1);
  if (p2 != nullptr) std::memset(p2, 0, n2);
  silent->Unlock(p1, n1, p2, n2);
  silent->Play(true);
  g_sound.silent = std::move(silent);
}

// Copies the PCM into every buffer of the record. -1 after logging the failed step.
int FillBuffers(SoundRecord* r) {
  for (int i = 0; i < r->bufferCount; ++i) {
    void* p1 = nullptr;
    void* p2 = nullptr;
    uint32_t n1 = 0;
    uint32_t n2 = 0;
    if (r->buffers[i]->Lock(0, r->pcmSize, &p1, &n1, &p2, &n2) != platform::kAudioOk) {
      return WriteLog("サウンドデータの転送に失敗しました_1");
    }
    std::memcpy(p1, r->pcmData, n1);
    if (p2 != nullptr) std::memcpy(p2, r->pcmData + n1, n2);
    if (r->buffers[i]->Unlock(p1, n1, p2, n2) != platform::kAudioOk) {
      return WriteLog("サウンドデータの転送に失敗しました_2");
    }
  }
  return 0;
}

}  // namespace

SoundSystemState& GetSoundSystemState() {
  return g_sound;
}

int SoundHandleOfSlot(int slot) {
  return MakeHandle(kSoundHandle, g_sound.table.slots[slot]->checkNumber, slot);
}

SoundRecord* GetSoundRecord(int handle) {
  if (!g_sound.device) return nullptr;
  return g_sound.table.Get(handle);
}

int LogSoundDevice(const platform::AudioDeviceInfo& device) {
  WriteLogFormat("モジュール名:%15s  ドライバ記述:%s ", device.module.c_str(),
                 device.description.c_str());
  return 1;
}

int InitSoundSystem() {
  if (g_sound.device) return -1;
  if (g_sound.startMode == 1) {
    WriteLog("DirectSound8 の初期化を行います\n");
    // No music-system loader exists on this system: the plain start takes over.
    WriteLog("DirectMusicLoader8 オブジェクトの作成に失敗しました\n");
    WriteLog("前バージョンでの初期化処理に移ります\n");
    g_sound.startMode = 0;
    return InitSoundSystem();
  }
  WriteLog("DirectSound の初期化を行います\n");
  WriteLog("DirectSound インターフェースの取得を行います....  ");
  g_sound.device = platform::AudioDevice::Create();
  if (!g_sound.device) return WriteLog("DirectSoundインターフェースの作成に失敗しました\n");
  WriteLog("成功\n");
  WriteLog("引き続きインターフェースの初期化処理...  ");
  if (g_sound.device->Initialize() != platform::kAudioOk) {
    g_sound.device.reset();
    return WriteLog("初期化に失敗しました\n");
  }
  WriteLog("成功\n");
  // No cooperative level to set: nothing here mutes a program that loses the focus.
  if (g_sound.device->CreatePrimaryBuffer(&g_sound.primary) != platform::kAudioOk) {
    g_sound.device.reset();
    return WriteLog("DirectSoundのプライマリサウンドバッファの作成に失敗しました\n");
  }
  platform::AudioCaps caps;
  g_sound.device->GetCaps(&caps);
  platform::PcmFormat primary;
  primary.channels = caps.primaryStereo ? 2 : 1;
  primary.bitsPerSample = caps.primary16Bit ? 16 : 8;
  primary.samplesPerSecond = static_cast<int>(std::min<uint32_t>(caps.maxSecondaryRate, 44100));
  if (g_sound.primary->SetFormat(primary) != platform::kAudioOk) {
    WriteLog("DirectSoundのプライマリサウンドバッファのフォーマット設定に失敗しました\n");
  }
  MakeSilentBuffer();
  g_sound.createAsStream = 0;
  SetOggSampleWidth(2);
  LogCapabilities();
  WriteLog("DirectSound の初期化は正常に終了しました\n");
  DeleteAllSounds(0);
  return 0;
}

int EndSoundSystem() {
  if (!g_sound.device) return -1;
  DeleteAllSounds(0);
  DeleteAllMidiHandles();
  // The music renders into the mixer: it goes with the device, and the synthesizer's soundfont
  // is kept no longer than the sound system.
  EndMusicServices();
  if (g_sound.startMode == 0) g_sound.oneShotHandle = -1;
  g_sound.primary.reset();
  if (g_sound.silent) g_sound.silent->Stop();
  g_sound.silent.reset();
  g_sound.device.reset();
  WriteLog("DirectSound の終了処理は正常に終了しました\n");
  return 0;
}

int DeleteAllSounds(int) {
  if (!g_sound.device) return -1;
  // The high-water index falls as the last records go: read it again every time.
  for (int i = 0; i < g_sound.table.highWater; ++i) {
    if (g_sound.table.slots[i] != nullptr) DeleteSoundHandle(SoundHandleOfSlot(i), 0);
  }
  g_sound.oneShotHandle = -1;
  return 0;
}

int AddSoundData(int handle) {
  SoundTable& t = g_sound.table;
  if (t.Full()) ExitWithError("サウンドの数が許容量を越えました終了します");
  auto* r = static_cast<SoundRecord*>(AllocateZeroMemory(sizeof(SoundRecord)));
  if (r == nullptr) ExitWithError("メモリ領域の確保に失敗しました in AddSoundData");
  uint32_t h = static_cast<uint32_t>(handle);
  int slot = static_cast<int>(h & kHandleSlotMask);
  // A handle given back whose slot is free is made again as it was; any other value (every
  // caller passes -1) gets a new handle.
  if (handle >= 0 && (h & kHandleKindMask) == static_cast<uint32_t>(kSoundHandle) &&
      slot < kSoundLimit && t.slots[slot] == nullptr) {
    r->checkNumber = (h & kHandleCheckMask) >> 16;
    t.slots[slot] = r;
    ++t.count;
    t.highWater = std::max(t.highWater, slot + 1);
    return handle;
  }
  return t.Insert(t.FreeSlot(), r);
}

int LoadSoundFile(const char* path) {
  return LoadSoundFileWithBuffers(path, 1);
}

int LoadSoundFileWithBuffers(const char* path, int bufferCount) {
  // A count below 1 would make a handle that plays nothing.
  if (!g_sound.device || bufferCount > kMaxSoundBuffers || bufferCount < 1) return -1;
  if (g_sound.createAsStream != 0) {
    int handle = AddSoundData(-1);
    if (AddStreamSoundFile(path, 0, handle, g_sound.createAsStream) == -1 ||
        PrepareStreamSound(handle) == -1) {
      DeleteSoundHandle(handle, 0);
      return -1;
    }
    return handle;
  }
  uint8_t* data = nullptr;
  uint32_t size = 0;
  if (LoadWholeFile(path, &data, &size) != 0) {
    return WriteLogFormat("右記の音声ファイルのロードに失敗しました_1：%s", LogText(path).c_str());
  }
  int handle =
      size <= 0x7FFFFFFF ? LoadSoundFromMemory(data, static_cast<int>(size), bufferCount) : -1;
  FreeMemory(data);
  if (handle == -1) {
    return WriteLogFormat("右記の音声ファイルのロードに失敗しました_2：%s", LogText(path).c_str());
  }
  SoundRecord* r = g_sound.table.Get(handle);
  CopyString(r->fileName, sizeof r->fileName, path);
  std::string directory(kMaxPathBytes, '\0');
  if (GetCurrentDir(directory.data(), directory.size()) != 0) directory[0] = '\0';
  // The directory is cut so that its separator always fits behind it.
  CopyString(r->loadDirectory, sizeof r->loadDirectory - 1, directory.c_str());
  size_t n = std::strlen(r->loadDirectory);
  if (n == 0 || r->loadDirectory[n - 1] != '\\') {
    AppendString(r->loadDirectory, sizeof r->loadDirectory, "\\");
  }
  return handle;
}

int LoadSoundFromMemory(const void* data, int size, int bufferCount) {
  if (!g_sound.device || bufferCount > kMaxSoundBuffers || bufferCount < 1) return -1;
  int handle = AddSoundData(-1);
  if (g_sound.createAsStream != 0) {
    if (AddStreamSoundMemory(data, size, 0, handle, g_sound.createAsStream) == -1 ||
        PrepareStreamSound(handle) == -1) {
      DeleteSoundHandle(handle, 0);
      return -1;
    }
    return handle;
  }
  WaveFormat format;
  uint8_t* pcm = nullptr;
  uint32_t bytes = 0;
  if (size < 0 || DecodeSoundImage(data, static_cast<size_t>(size), &format, &pcm, &bytes) != 0) {
    DeleteSoundHandle(handle, 0);
    return -1;
  }
  SoundRecord* r = g_sound.table.Get(handle);
  r->format = format;
  r->pcmData = pcm;
  r->pcmSize = bytes;
  CreateSoundHandleBuffers(&format, bytes, 0, bufferCount, handle);
  if (FillBuffers(r) != 0) {
    DeleteSoundHandle(handle, 0);
    return -1;
  }
  return handle;
}

int CreateSoundHandleBuffers(const WaveFormat* format, uint32_t bytes, int streamFlag,
                             int bufferCount, int handle) {
  SoundRecord* r = GetSoundRecord(handle);
  if (r == nullptr || format == nullptr) return -1;
  platform::AudioDevice& device = *g_sound.device;
  platform::PcmFormat pcm = ToPcm(*format);
  if (streamFlag == 0) {
    // Past the record's ten slots there is nowhere to keep a buffer.
    if (bufferCount > kMaxSoundBuffers) return -1;
    if (bufferCount < 1) {
      r->bufferCount = 0;
      return -1;
    }
    for (int i = 0; i < bufferCount; ++i) {
      std::unique_ptr<platform::AudioBuffer> buffer;
      if (device.CreateBuffer(pcm, bytes, kStaticBufferFlags, &buffer) != platform::kAudioOk &&
          device.CreateBuffer(pcm, bytes, kFallbackBufferFlags, &buffer) != platform::kAudioOk) {
        for (int j = 0; j < i; ++j) {
          delete r->buffers[j];
          r->buffers[j] = nullptr;
        }
        ExitWithError("DirectSoundBuffer の作成に失敗しました");
      }
      r->buffers[i] = buffer.release();
    }
    r->bufferCount = bufferCount;
  } else {
    std::unique_ptr<platform::AudioBuffer> buffer;
    uint64_t ring = uint64_t{format->averageBytesPerSecond} * 6;
    if (ring > platform::kMaxBufferBytes ||
        device.CreateBuffer(pcm, static_cast<uint32_t>(ring), kStreamBufferFlags, &buffer) !=
            platform::kAudioOk) {
      ExitWithError("ストリーム風サウンドバッファの作成に失敗しました");
    }
    r->buffers[0] = buffer.release();
    r->bufferCount = 1;
  }
  r->averageBytesPerSecond = static_cast<int32_t>(format->averageBytesPerSecond);
  r->streamFlag = streamFlag;
  return 0;
}

int DeleteSoundHandle(int handle, int) {
  SoundRecord* r = GetSoundRecord(handle);
  if (r == nullptr) return -1;
  if (r->buffers[0] != nullptr) StopSoundHandle(handle);
  if (r->streamFlag == 0) {
    for (platform::AudioBuffer*& b : r->buffers) {
      delete b;
      b = nullptr;
    }
    FreeMemory(r->pcmData);
  } else {
    ReleaseStreamSoundSources(r);
    delete r->buffers[0];
    r->buffers[0] = nullptr;
  }
  FreeMemory(g_sound.table.Remove(handle));
  return 0;
}

int PlaySoundHandle(int handle, int playType, int rewind) {
  SoundRecord* r = GetSoundRecord(handle);
  if (r == nullptr) return -1;
  if (r->streamFlag != 0) return PlayStreamSound(handle, playType, rewind);
  if (r->bufferCount < 1) return -1;
  // A free buffer, else the one furthest into its play (the first of equals).
  int chosen = -1;
  for (int i = 0; i < r->bufferCount && chosen < 0; ++i) {
    uint32_t status = 0;
    if (r->buffers[i]->GetStatus(&status) != platform::kAudioOk) return -1;
    if ((status & platform::kStatusPlaying) == 0) chosen = i;
  }
  if (chosen < 0) {
    uint32_t furthest = 0;
    for (int i = 0; i < r->bufferCount; ++i) {
      uint32_t play = 0;
      if (r->buffers[i]->GetCurrentPosition(&play, nullptr) != platform::kAudioOk) return -1;
      if (i == 0 || play > furthest) {
        furthest = play;
        chosen = i;
      }
    }
  }
  platform::AudioBuffer* b = r->buffers[chosen];
  uint32_t status = 0;
  if (b->GetStatus(&status) != platform::kAudioOk) return -1;
  if ((status & platform::kStatusPlaying) != 0) {
    if (rewind == 0) return 0;
    b->Stop();
  }
  if (rewind != 0) b->SetCurrentPosition(0);
  if (b->Play(playType == kPlayLoop) != platform::kAudioOk) return -1;
  if (playType == kPlayWait) {
    while (PumpMessages() == 0 && CheckSoundHandle(handle) == 1) {
    }
  }
  return 0;
}

int StopSoundHandle(int handle) {
  SoundRecord* r = GetSoundRecord(handle);
  if (r == nullptr) return -1;
  if (r->streamFlag != 0) return StopStreamSound(handle);
  for (int i = 0; i < r->bufferCount; ++i) {
    uint32_t status = 0;
    if (r->buffers[i]->GetStatus(&status) != platform::kAudioOk) return -1;
    if ((status & platform::kStatusPlaying) != 0) r->buffers[i]->Stop();
  }
  return 0;
}

int CheckSoundHandle(int handle) {
  SoundRecord* r = GetSoundRecord(handle);
  if (r == nullptr) return -1;
  if (r->streamFlag != 0) return CheckStreamSound(handle);
  for (int i = 0; i < r->bufferCount; ++i) {
    uint32_t status = 0;
    if (r->buffers[i]->GetStatus(&status) == platform::kAudioOk &&
        (status & platform::kStatusPlaying) != 0) {
      return 1;
    }
  }
  return 0;
}

int SetSoundVolume(int volume, int handle) {
  SoundRecord* r = GetSoundRecord(handle);
  if (r == nullptr) return -1;
  // Clamped before the subtraction, which would overflow for volumes near INT_MIN.
  int level = std::clamp(volume, 0, kMaxSoundVolume) - kMaxSoundVolume;
  for (int i = 0; i < r->bufferCount; ++i) r->buffers[i]->SetVolume(level);
  return 0;
}

}  // namespace morrow
