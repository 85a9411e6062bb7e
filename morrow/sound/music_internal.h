// The music part's state and the calls the sound component, the pump and the tests share.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "morrow/graphics/handle.h"
#include "platform/audio/media_player.h"
#include "platform/audio/sequencer.h"

namespace morrow {

// The room MakeFullPath writes into, terminator included: this system's longest path.
constexpr size_t kFullPathBytes = 4096;

// One per MIDI handle. Nothing in this program makes one; the table exists for its delete,
// stop, check and update calls.
struct MidiRecord {
  uint32_t checkNumber;
  int32_t playing;
  int32_t started;
  void* data;     // from AllocateMemory
  void* segment;  // never set here
};

using MidiTable = HandleTable<MidiRecord, kMusicHandle, kMusicLimit>;

struct MusicState {
  uint32_t sequencerDevice = 0;  // the open sequencer device
  int sequencerPlaying = 0;      // from a successful start until the device is closed
  int loopFlag = 0;              // the sequencer's music was started to loop
  std::unique_ptr<platform::MediaPlayer> media;  // the second path's player; null when none
  int mediaPlaying = 0;
  int mediaPlayType = 0;
  // Loop restarts handled (the sequencer's end notifications and the player's complete events
  // that started the music again), counted for the tools and the tests.
  int loopRestarts = 0;
  // The soundfonts the last start of music tried for a MIDI file and could not load, with why
  // (each also a line of the log); empty when that start needed none or loaded one.
  std::vector<platform::SoundfontRefusal> soundfontRefusals;
  MidiTable midiTable;
};

MusicState& GetMusicState();

int PlayDirectShowMusic(const char* path, int playType);
int StopDirectShowMusic();
int SetDirectShowMusicVolume(int volume);
// The player's volume for a music volume 0..255: 0 for 255, else -10000 + trunc(v x 39.0625).
int32_t MusicVolumeToHundredths(int volume);

// The absolute form of a path (GBK, '\' or '/' separators; base null = the current directory)
// into out, which holds kFullPathBytes. -1 for an empty component, a result that does not fit,
// or a null argument.
int MakeFullPath(const char* path, char* out, const char* base);
// Splits at the last '\', '/' or ':' outside a two-byte character. name and directory (either
// may be null) each need room for the path with its terminator.
int SplitPath(const char* path, char* name, char* directory);

int DeleteMidiHandle(int handle);

// Turns the music services' notifications into window messages and keeps the second path's
// player decoded ahead; run by every pump pass.
void PollMusicServices();
// Releases the music that plays into the mixer and the synthesizer, before the device goes.
void EndMusicServices();

}  // namespace morrow
