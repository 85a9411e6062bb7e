#include "platform/audio/sequencer.h"

#include <fluidsynth.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "platform/audio/audio_device.h"
#include "platform/audio/midi_file.h"
#include "platform/env.h"
#include "platform/input_file.h"

namespace platform {
namespace {

constexpr const char* kDefaultSoundfonts[] = {
    "/usr/share/sounds/sf2/default-GM.sf2",
    "/usr/share/sounds/sf2/TimGM6mb.sf2",
};
// Loud enough for one piano note to be plainly heard, quiet enough for a full arrangement not
// to clip against the sound effects.
constexpr double kSynthGain = 0.4;
// The mixer renders in pieces of this many frames and looks for the end after each: the
// player's clock moves in steps of the synthesizer's own block, which is as long.
constexpr int kRenderFrames = 64;

// Everything but the construction is guarded by the device lock.
class Engine final : public MixerInput {
 public:
  fluid_settings_t* settings = nullptr;
  fluid_synth_t* synth = nullptr;
  fluid_player_t* player = nullptr;
  std::vector<uint8_t> smf;  // the open piece, kept to rebuild a finished player
  uint32_t device = 0;       // the open device; 0 = none
  uint32_t nextDevice = 1;
  bool playing = false;
  // The end is looked for only after the player has been seen before it, so a position left
  // over from before a rewind never counts.
  bool armed = false;
  bool ended = false;
  std::atomic<uint32_t> pendingEnd{0};
  std::vector<SoundfontRefusal> refusals;  // of the last open, when no soundfont loaded

  void MixInto(int32_t* stereo, int frames) override {
    if (!playing || player == nullptr) return;
    int16_t block[kRenderFrames * 2];
    while (frames > 0) {
      int n = std::min(frames, kRenderFrames);
      fluid_synth_write_s16(synth, n, block, 0, 2, block, 1, 2);
      for (int i = 0; i < n * 2; ++i) stereo[i] += block[i];
      stereo += n * 2;
      frames -= n;
      WatchForEnd();
    }
  }

  // The piece ends when the player's tick reaches the file's last one; the player's own
  // finished state comes only once every voice has died away, which would put a pause into
  // every loop. A file whose length the player never learns ends with that state instead.
  void WatchForEnd() {
    if (ended) return;
    int total = fluid_player_get_total_ticks(player);
    int tick = fluid_player_get_current_tick(player);
    if (total > 0 && tick < total) armed = true;
    if ((armed && total > 0 && tick >= total) ||
        fluid_player_get_status(player) == FLUID_PLAYER_DONE) {
      ended = true;
      pendingEnd.store(device);
    }
  }

  bool MakePlayer() {
    player = new_fluid_player(synth);
    if (player == nullptr) return false;
    if (fluid_player_add_mem(player, smf.data(), smf.size()) != FLUID_OK) {
      delete_fluid_player(player);
      player = nullptr;
      return false;
    }
    return true;
  }

  void DropPlayer() {
    if (player == nullptr) return;
    fluid_player_stop(player);
    delete_fluid_player(player);
    player = nullptr;
  }
};

Engine& TheEngine() {
  static auto* engine = new Engine;  // outlives every static object, like the mixer
  return *engine;
}

// Where the synthesizer's first error goes while this thread loads a soundfont; null otherwise.
thread_local std::string* g_loadError = nullptr;

void KeepLoadError(int, const char* message, void*) {
  if (g_loadError != nullptr && g_loadError->empty() && message != nullptr) *g_loadError = message;
}

// The synthesizer says nothing on its own: its errors are kept only while a soundfont loads, to
// say why one did not.
void RouteLibraryLog() {
  static std::once_flag once;
  std::call_once(once, [] {
    for (int level = 0; level < LAST_LOG_LEVEL; ++level) {
      fluid_set_log_function(level, level <= FLUID_ERR ? KeepLoadError : nullptr, nullptr);
    }
  });
}

// The synthesizer's file operations: every file its soundfont loader opens is opened as the
// project opens an input, never by the synthesizer's own open, which would wait on a named pipe.
void* OpenSoundfontFile(const char* name) {
  InputFile file;
  if (name == nullptr || !file.Open(name)) return nullptr;
  return file.ReleaseStream();
}
int ReadSoundfontFile(void* buffer, fluid_long_long_t count, void* handle) {
  if (count < 0) return FLUID_FAILED;
  const size_t wanted = static_cast<size_t>(count);
  return std::fread(buffer, 1, wanted, static_cast<std::FILE*>(handle)) == wanted ? FLUID_OK
                                                                                  : FLUID_FAILED;
}
int SeekSoundfontFile(void* handle, fluid_long_long_t offset, int origin) {
  return fseeko(static_cast<std::FILE*>(handle), static_cast<off_t>(offset), origin) == 0
             ? FLUID_OK
             : FLUID_FAILED;
}
fluid_long_long_t TellSoundfontFile(void* handle) {
  const off_t at = ftello(static_cast<std::FILE*>(handle));
  return at < 0 ? FLUID_FAILED : at;
}
int CloseSoundfontFile(void* handle) {
  return std::fclose(static_cast<std::FILE*>(handle)) == 0 ? FLUID_OK : FLUID_FAILED;
}

// Why the file open at `fd` is no soundfont by its first bytes, which a soundfont has as a RIFF
// file of the form "sfbk"; empty when it may be one.
std::string SignatureRefusal(int fd) {
  char head[12];
  const ssize_t got = pread(fd, head, sizeof head, 0);
  if (got < 0) return std::strerror(errno);
  if (got == 0) return "is empty";
  if (got == static_cast<ssize_t>(sizeof head) && std::memcmp(head, "RIFF", 4) == 0 &&
      std::memcmp(head + 8, "sfbk", 4) == 0) {
    return {};
  }
  return "is not a soundfont: no RIFF sfbk header at its start";
}

// Loads the soundfont at `path` into the synthesizer. The file is opened and its signature read
// here; the synthesizer is then given the name of that open descriptor (/proc/self/fd/N), so that
// every loader that takes it, ours or one the synthesizer brings of its own (each tries a name
// ours gave up on), opens the very file already looked at, never what may stand at `path` now.
// Empty when it loaded, else why not.
std::string LoadSoundfont(fluid_synth_t* synth, const std::string& path) {
  InputFile file;
  if (!file.Open(path)) {
    // The next soundfont is tried.
    SayRefusedUnlessMissing(file, "soundfont", path);
    return file.Reason();
  }
  std::string refusal = SignatureRefusal(file.Descriptor());
  if (!refusal.empty()) return refusal;
  const std::string opened = "/proc/self/fd/" + std::to_string(file.Descriptor());
  std::string error;
  g_loadError = &error;
  const bool loaded = fluid_synth_sfload(synth, opened.c_str(), 1) >= 0;
  g_loadError = nullptr;
  if (loaded) return {};
  return error.empty() ? "the synthesizer refused it" : "the synthesizer refused it: " + error;
}

// A synthesizer with the first soundfont of SoundfontCandidates that loads, and its settings;
// false (and nothing made kept) when none loads, with *refused saying why of each tried.
bool MakeSynth(fluid_settings_t** madeSettings, fluid_synth_t** madeSynth,
               std::vector<SoundfontRefusal>* refused) {
  RouteLibraryLog();
  fluid_settings_t* settings = new_fluid_settings();
  if (settings == nullptr) return false;
  fluid_settings_setnum(settings, "synth.sample-rate", kMixerRate);
  fluid_settings_setnum(settings, "synth.gain", kSynthGain);
  fluid_settings_setstr(settings, "player.timing-source", "sample");
  fluid_synth_t* synth = new_fluid_synth(settings);
  if (synth == nullptr) {
    delete_fluid_settings(settings);
    return false;
  }
  // Added last, the loader is tried first; the synthesizer owns it from here.
  fluid_sfloader_t* loader = new_fluid_defsfloader(settings);
  bool loaded = false;
  if (loader != nullptr) {
    fluid_sfloader_set_callbacks(loader, OpenSoundfontFile, ReadSoundfontFile, SeekSoundfontFile,
                                 TellSoundfontFile, CloseSoundfontFile);
    fluid_synth_add_sfloader(synth, loader);
    for (const std::string& path : SoundfontCandidates()) {
      std::string refusal = LoadSoundfont(synth, path);
      loaded = refusal.empty();
      if (loaded) break;
      refused->push_back({path, std::move(refusal)});
    }
  }
  if (!loaded) {
    delete_fluid_synth(synth);
    delete_fluid_settings(settings);
    return false;
  }
  *madeSettings = settings;
  *madeSynth = synth;
  return true;
}

// Creates the synthesizer and loads a soundfont; false (and nothing kept) when none loads, with
// *refused saying why of each tried. Runs without the device lock: the engine is not attached to
// the mixer yet.
bool StartSynth(Engine& e, std::vector<SoundfontRefusal>* refused) {
  if (!MakeSynth(&e.settings, &e.synth, refused)) return false;
  AttachMixerInput(&e);
  return true;
}

}  // namespace

std::vector<std::string> SoundfontCandidates() {
  if (auto chosen = EnvSetting("MORROW_SOUNDFONT")) return {*chosen};
  return {std::begin(kDefaultSoundfonts), std::end(kDefaultSoundfonts)};
}

int SequencerOpen(const uint8_t* data, size_t size, uint32_t* device) {
  Engine& e = TheEngine();
  if (device == nullptr) return kAudioBadArgument;
  MidiFileInfo info;
  {
    AudioDeviceLock lock;
    e.refusals.clear();
    if (!AudioOutputRunning()) return kAudioNotReady;
    if (e.device != 0) return kAudioFailed;
    if (!ParseMidiFile(data, size, &info)) return kAudioBadArgument;
  }
  bool started;
  {
    AudioDeviceLock lock;
    started = e.synth != nullptr;
  }
  // A soundfont takes a while to load: the mixer goes on meanwhile.
  std::vector<SoundfontRefusal> refused;
  if (!started && !StartSynth(e, &refused)) {
    AudioDeviceLock lock;
    e.refusals = std::move(refused);
    return kAudioFailed;
  }
  AudioDeviceLock lock;
  e.smf.assign(data + info.offset, data + info.offset + info.size);
  if (!e.MakePlayer()) {
    e.smf.clear();
    return kAudioFailed;
  }
  e.device = e.nextDevice;
  e.nextDevice = e.nextDevice == UINT32_MAX ? 1 : e.nextDevice + 1;
  e.playing = false;
  e.armed = false;
  e.ended = false;
  e.pendingEnd.store(0);
  *device = e.device;
  return kAudioOk;
}

std::vector<SoundfontRefusal> SoundfontRefusals() {
  AudioDeviceLock lock;
  return TheEngine().refusals;
}

std::vector<SoundfontRefusal> TrySoundfonts() {
  std::vector<SoundfontRefusal> refused;
  fluid_settings_t* settings = nullptr;
  fluid_synth_t* synth = nullptr;
  if (MakeSynth(&settings, &synth, &refused)) {
    delete_fluid_synth(synth);
    delete_fluid_settings(settings);
  }
  return refused;
}

int SequencerStatusPort(uint32_t device, uint32_t* port) {
  AudioDeviceLock lock;
  Engine& e = TheEngine();
  if (port == nullptr || device == 0 || device != e.device) return kAudioBadArgument;
  *port = kSequencerMapperPort;
  return kAudioOk;
}

int SequencerStatusPosition(uint32_t device, int64_t* ticks) {
  AudioDeviceLock lock;
  Engine& e = TheEngine();
  if (ticks == nullptr || device == 0 || device != e.device) return kAudioBadArgument;
  *ticks = e.player != nullptr ? fluid_player_get_current_tick(e.player) : 0;
  return kAudioOk;
}

int SequencerPlay(uint32_t device, bool fromStart) {
  AudioDeviceLock lock;
  Engine& e = TheEngine();
  if (device == 0 || device != e.device) return kAudioBadArgument;
  int status = e.player != nullptr ? fluid_player_get_status(e.player) : FLUID_PLAYER_DONE;
  bool endedAlready = false;
  if (status == FLUID_PLAYER_PLAYING) {
    if (!fromStart) return kAudioOk;  // on its way already, with its notification
    if (fluid_player_seek(e.player, 0) != FLUID_OK) return kAudioFailed;
  } else if (status == FLUID_PLAYER_READY) {
    if (fluid_player_play(e.player) != FLUID_OK) return kAudioFailed;
  } else if (fromStart) {
    // A finished player does not start again: a fresh one is made from the kept bytes.
    e.DropPlayer();
    if (!e.MakePlayer() || fluid_player_play(e.player) != FLUID_OK) return kAudioFailed;
  } else {
    endedAlready = true;  // played on from its end: it ends at once
  }
  e.playing = true;
  e.armed = false;
  e.ended = endedAlready;
  e.pendingEnd.store(endedAlready ? e.device : 0);
  return kAudioOk;
}

int SequencerClose(uint32_t device) {
  AudioDeviceLock lock;
  Engine& e = TheEngine();
  if (device == 0 || device != e.device) return kAudioBadArgument;
  e.DropPlayer();
  // Voices would otherwise hang in the synthesizer and sound again with the next piece.
  fluid_synth_all_notes_off(e.synth, -1);
  fluid_synth_all_sounds_off(e.synth, -1);
  e.smf.clear();
  e.device = 0;
  e.playing = false;
  e.ended = false;
  e.pendingEnd.store(0);
  return kAudioOk;
}

bool SequencerTakeEnd(uint32_t* device) {
  AudioDeviceLock lock;
  Engine& e = TheEngine();
  uint32_t ended = e.pendingEnd.exchange(0);
  if (ended == 0 || ended != e.device) return false;
  if (device != nullptr) *device = ended;
  return true;
}

void SequencerShutdown() {
  Engine& e = TheEngine();
  {
    AudioDeviceLock lock;
    if (e.device != 0) SequencerClose(e.device);
  }
  DetachMixerInput(&e);
  AudioDeviceLock lock;
  if (e.synth != nullptr) delete_fluid_synth(e.synth);
  if (e.settings != nullptr) delete_fluid_settings(e.settings);
  e.synth = nullptr;
  e.settings = nullptr;
}

}  // namespace platform
