// Music and the one-shot sound.
//
// A music file plays through the sequencer when it is a MIDI file the sequencer opens, else
// through the media player; one piece plays at a time. Both report through window messages that
// the pump posts and the window procedure hands back here: the sequencer's end of piece
// (restarting a looping piece from its start) and the player's events (rewinding a looping file,
// releasing a finished one). The one-shot sound is a sound handle the library keeps for its
// caller.
#include <algorithm>
#include <climits>
#include <cmath>
#include <vector>

#include "morrow/sound/music.h"
#include "morrow/sound/music_internal.h"
#include "morrow/sound/sound.h"
#include "morrow/sound/sound_internal.h"
#include "morrow/system/file_media_source.h"
#include "morrow/system/library.h"
#include "morrow/system/log.h"
#include "morrow/system/memory.h"
#include "morrow/system/stream.h"
#include "morrow/system/window_state.h"
#include "platform/audio/audio_device.h"
#include "platform/audio/media_player.h"
#include "platform/audio/midi_file.h"
#include "platform/audio/sequencer.h"
#include "platform/window.h"

namespace morrow {
namespace {

MusicState g_music;

// The notification's first parameter for a piece that ended by itself.
constexpr uint64_t kNotifySuccessful = 1;
// No MIDI file is this large; a larger file is not read into memory for the sequencer.
constexpr int64_t kMaxMidiBytes = 16 << 20;
// Pump passes after a stop, so that an end already posted is handled before the next piece.
constexpr int kStopPumpPasses = 5;
// Tries at reading the player's events per notification.
constexpr int kEventTries = 10;

bool SoundStarted() {
  return GetSoundSystemState().device != nullptr;
}

// The whole file when it starts like a MIDI file; anything else is left to the second path
// without being read.
bool ReadMidiFile(const char* path, std::vector<uint8_t>* bytes) {
  void* file = StreamOpen(path, 0, 1);
  if (file == nullptr) return false;
  uint8_t head[12];
  size_t got = StreamRead(head, 1, sizeof head, file);
  int64_t size = -1;
  if (platform::HasMidiSignature(head, got) && StreamSeek(file, 0, 2) == 0) {
    size = StreamTell(file);
  }
  bool read = false;
  if (size > 0 && size <= kMaxMidiBytes && StreamSeek(file, 0, 0) == 0) {
    bytes->resize(static_cast<size_t>(size));
    read = StreamRead(bytes->data(), 1, bytes->size(), file) == bytes->size();
  }
  StreamClose(file);
  return read;
}

int MidiHandleOfSlot(int slot) {
  return MakeHandle(kMusicHandle, g_music.midiTable.slots[slot]->checkNumber, slot);
}

}  // namespace

MusicState& GetMusicState() {
  return g_music;
}

int PlayOneShotSound(const char* path, int playType) {
  SoundSystemState& s = GetSoundSystemState();
  if (!SoundStarted()) return -1;
  if (s.oneShotHandle != -1) DeleteSoundHandle(s.oneShotHandle, 0);
  s.oneShotHandle = LoadSoundFile(path);
  if (s.oneShotHandle == -1) return -1;
  PlaySoundHandle(s.oneShotHandle, playType, 1);
  return 0;
}

int StopOneShotSound() {
  SoundSystemState& s = GetSoundSystemState();
  if (!SoundStarted()) return -1;
  if (s.oneShotHandle == -1) return 0;
  return StopSoundHandle(s.oneShotHandle);
}

int StartMusicPlayback(const char* path, int playType) {
  StopMusicPlayback();
  SetMusicVolume(255);
  char full[kFullPathBytes];
  if (path == nullptr || MakeFullPath(path, full, nullptr) != 0) {
    // No path to play: the music fails as a file that does not play would.
    return WriteLogFormat("ミュージックファイル %s の演奏に失敗しました",
                          path != nullptr ? LogText(path).c_str() : "");
  }
  std::vector<uint8_t> midi;
  uint32_t device = 0;
  g_music.soundfontRefusals.clear();
  if (!ReadMidiFile(full, &midi)) return PlayDirectShowMusic(full, playType);
  if (platform::SequencerOpen(midi.data(), midi.size(), &device) != platform::kAudioOk) {
    // When it is the soundfont that did not load, the MIDI file is not at fault: the log says so.
    g_music.soundfontRefusals = platform::SoundfontRefusals();
    for (const platform::SoundfontRefusal& r : g_music.soundfontRefusals) {
      WriteLogFormat("サウンドフォント %s を読み込めませんでした (%s)", r.path.c_str(),
                     r.reason.c_str());
    }
    return PlayDirectShowMusic(full, playType);
  }
  g_music.sequencerDevice = device;
  uint32_t port = 0;
  if (platform::SequencerStatusPort(device, &port) != platform::kAudioOk ||
      (port & 0xFFFF) != platform::kSequencerMapperPort) {
    platform::SequencerClose(device);
    return WriteLog("ＭＩＤＩ演奏開始処理でエラーが起きました\n");
  }
  if (platform::SequencerPlay(device, false) != platform::kAudioOk) {
    platform::SequencerClose(device);
    return WriteLog("ＭＩＤＩ演奏に失敗しました\n");
  }
  g_music.loopFlag = playType == kPlayLoop ? 1 : 0;
  g_music.sequencerPlaying = 1;
  if (playType == kPlayWait) {
    while (CheckMusicPlayback() == 0 && PumpMessages() == 0) {
    }
    while (CheckMusicPlayback() != 0 && PumpMessages() == 0) {
    }
  }
  return 0;
}

int HandleMciNotify() {
  if (g_music.loopFlag) {
    if (platform::SequencerPlay(g_music.sequencerDevice, true) == platform::kAudioOk) {
      ++g_music.loopRestarts;
    }
    g_music.sequencerPlaying = 1;
  } else if (g_music.sequencerPlaying) {
    platform::SequencerClose(g_music.sequencerDevice);
    g_music.sequencerPlaying = 0;
  }
  return 0;
}

int StopMusicPlayback() {
  StopDirectShowMusic();
  // First, so that the close below ends the piece instead of starting it again.
  g_music.loopFlag = 0;
  if (g_music.sequencerPlaying) {
    HandleMciNotify();
    for (int i = 0; i < kStopPumpPasses; ++i) PumpMessages();
  }
  return 0;
}

int CheckMusicPlayback() {
  return g_music.sequencerPlaying || g_music.mediaPlaying ? 1 : 0;
}

int SetMusicVolume(int volume) {
  if (!SoundStarted()) return -1;
  // The sequencer plays at its own fixed level: only the second path has a volume.
  SetDirectShowMusicVolume(volume);
  return 0;
}

int32_t MusicVolumeToHundredths(int volume) {
  if (volume == 255) return 0;
  // 39.0625 = 10000 / 256. 64-bit and clamped: a volume far out of range must not overflow on
  // its way to being refused by the player.
  int64_t v = -10000 + static_cast<int64_t>(std::trunc(volume * 39.0625));
  return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}

int SetDirectShowMusicVolume(int volume) {
  if (g_music.media) g_music.media->SetVolume(MusicVolumeToHundredths(volume));
  return 0;
}

int PlayDirectShowMusic(const char* path, int playType) {
  if (g_music.mediaPlaying) StopDirectShowMusic();
  if (path == nullptr) return -1;
  auto fail = [path] {
    StopDirectShowMusic();
    return WriteLogFormat("ミュージックファイル %s の演奏に失敗しました", LogText(path).c_str());
  };
  g_music.media = platform::MediaPlayer::Create();
  if (!g_music.media) return fail();
  std::unique_ptr<FileMediaSource> source = FileMediaSource::Open(path);
  if (source == nullptr || g_music.media->Render(std::move(source)) != platform::kAudioOk ||
      g_music.media->Run() != platform::kAudioOk) {
    return fail();
  }
  g_music.mediaPlaying = 1;
  g_music.mediaPlayType = playType;
  g_music.media->SetNotify(true);
  if (playType == kPlayWait) {
    while (PumpMessages() == 0 && g_music.mediaPlaying == 1) {
    }
  }
  return 0;
}

int HandleDirectShowMusicNotify() {
  if (!g_music.media) return 0;
  for (int i = 0; i < kEventTries; ++i) {
    int32_t code = 0;
    if (g_music.media->GetEvent(&code) != platform::kAudioOk) continue;
    switch (code) {
      case 1:     // complete
      case 2:     // aborted by the user
      case 3:     // aborted by an error
      case 6:     // stopped by a stream error
      case 7:     // a stream error, still playing
      case 8:     // an error, still playing
      case 0x1C:  // end of a segment
        if (g_music.mediaPlayType == kPlayLoop) {
          if (g_music.media->SetPositionToStart() == platform::kAudioOk) ++g_music.loopRestarts;
        } else {
          StopDirectShowMusic();
        }
        return 0;
      default:
        break;
    }
  }
  return 0;
}

int StopDirectShowMusic() {
  if (g_music.mediaPlaying && g_music.media) g_music.media->SetNotify(false);
  g_music.media.reset();
  g_music.mediaPlaying = 0;
  return 0;
}

int ReleaseMusicObjects() {
  StopDirectShowMusic();
  return 1;
}

int DeleteMidiHandle(int handle) {
  MidiRecord* r = g_music.midiTable.Get(handle);
  if (r == nullptr) return -1;
  if (r->playing) StopMidiHandle(handle);
  FreeMemory(r->data);
  FreeMemory(g_music.midiTable.Remove(handle));
  return 0;
}

int DeleteAllMidiHandles() {
  for (int i = 0; i < kMusicLimit; ++i) {
    if (g_music.midiTable.slots[i] != nullptr) DeleteMidiHandle(MidiHandleOfSlot(i));
  }
  return 0;
}

// Start-up mode 0 is the only mode here: a MIDI handle's music is the current music.
int StopMidiHandle(int handle) {
  if (g_music.midiTable.Get(handle) == nullptr) return -1;
  return StopMusicPlayback();
}

int CheckMidiHandle(int handle) {
  if (g_music.midiTable.Get(handle) == nullptr) return -1;
  return CheckMusicPlayback();
}

int UpdateMidiHandles() {
  PollMusicServices();
  if (!SoundStarted()) return -1;
  // MIDI handles follow a performance of their own only in start-up mode 1, which this system
  // never runs: in mode 0 there is nothing to update.
  return 0;
}

void PollMusicServices() {
  uint32_t device = 0;
  if (platform::SequencerTakeEnd(&device)) {
    PostToWindow(platform::msg::kMciNotify, kNotifySuccessful, device);
  }
  if (g_music.media && g_music.media->Update()) PostToWindow(platform::msg::kMediaEvent);
}

void EndMusicServices() {
  StopDirectShowMusic();
  if (g_music.sequencerPlaying) platform::SequencerClose(g_music.sequencerDevice);
  g_music.sequencerPlaying = 0;
  g_music.loopFlag = 0;
  platform::SequencerShutdown();
}

}  // namespace morrow
