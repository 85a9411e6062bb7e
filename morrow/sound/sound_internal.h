// The sound component's records and state, shared by its parts (handles, stream sounds, music)
// and their tests.
#pragma once

#include <cstdint>
#include <memory>

#include "morrow/graphics/handle.h"
#include "morrow/sound/sound.h"
#include "morrow/sound/sound_decode.h"
#include "morrow/sound/wave_format.h"
#include "morrow/system/stream.h"
#include "platform/audio/audio_device.h"

namespace morrow {

// Source kinds of a stream sound.
enum StreamSourceKind : int32_t {
  kStreamDecodedImage = 0,  // decoded to PCM when added, played from a WAVE image in memory
  kStreamCodedImage = 2,    // the coded file held in memory, decoded while playing
  kStreamCallerStream = 3,  // decoded straight from the caller's stream while playing
};

constexpr int kMaxStreamSources = 3;

// One data source of a stream sound; zero-filled when added.
struct StreamSoundSource {
  // Plays after the first, read as a signed byte: 0..127 more plays, -1 (255) endlessly, other
  // negative values none.
  uint8_t loopCount;
  int32_t kind;
  uint8_t* data;  // the memory image (kinds 0 and 2)
  uint32_t dataSize;
  StreamSource memoryStream;  // over data; null handle when there is none
  int32_t loopStart;          // milliseconds where a repeated play starts
  SoundConverter converter;
};

// One per sound handle, zero-filled when made.
struct SoundRecord {
  uint32_t checkNumber;
  char loadDirectory[256];  // the working directory of the load, ending in '\'
  char fileName[168];       // the path given to the loader
  platform::AudioBuffer* buffers[kMaxSoundBuffers];  // owned
  int32_t bufferCount;
  WaveFormat format;
  uint32_t pcmSize;
  uint8_t* pcmData;  // kept for the sound's life
  int32_t streamFlag;
  int32_t averageBytesPerSecond;

  // Stream sounds: one ring buffer of six seconds refilled from the sources in turn.
  StreamSoundSource streamSources[kMaxStreamSources + 1];
  uint8_t sourceOwnsStream[kMaxStreamSources + 1];  // the source closes its stream on delete
  int32_t sourceCount;
  int32_t currentSource;
  int32_t completedPlays;  // plays of the current source finished so far
  int32_t ringSize;
  int32_t writePosition;  // ring offset of the next refill; kStreamNotFilled before the first
  int32_t guardPosition;  // write position less four seconds, wrapped; -1 before the first fill
  // Bytes: 64-bit, as every conversion between bytes and milliseconds of a stream sound.
  int64_t sourcePosition;  // PCM bytes taken from the current source since its (re)start
  int64_t playedBytes;     // since the start or the last loop wrap
  int32_t lastPlayCursor;
  int32_t wrapFlag;      // the ring holds the point where a looping sound starts again
  int32_t wrapPosition;  // ring offset of that point
  uint8_t prepared;
  uint8_t playType;
  uint8_t sourcesExhausted;
  uint8_t endOfData;  // silence is written until the cursor passes the end position
  int32_t endPosition;
  int32_t endCursor;  // play cursor when the end position was set
  // Sources that end without having given a byte: a whole pass of them ends the data, where
  // otherwise an endless or looping empty source would be restarted for ever.
  int32_t advancesWithoutData;
  uint8_t passYielded;  // a byte came since the loop last wrapped to the first source
};

constexpr int32_t kStreamNotFilled = -800;

using SoundTable = HandleTable<SoundRecord, kSoundHandle, kSoundLimit>;

struct SoundSystemState {
  std::unique_ptr<platform::AudioDevice> device;  // null: not started
  std::unique_ptr<platform::AudioPrimaryBuffer> primary;
  std::unique_ptr<platform::AudioBuffer> silent;  // 400 bytes of silence, looping
  int startMode = 0;  // 0 the output device alone; 1 the music-system start (never chosen)
  int oneShotHandle = -1;
  int createAsStream = 0;  // non-zero: the loaders make stream sounds of this source kind
  SoundTable table;
};

SoundSystemState& GetSoundSystemState();

// The record of a live handle, or null.
SoundRecord* GetSoundRecord(int handle);

// Logs one output device; 1 goes on with the next.
int LogSoundDevice(const platform::AudioDeviceInfo& device);

// The handle of a used slot of the sound table.
int SoundHandleOfSlot(int slot);

// Frees what a stream sound's sources hold (their converters, data and streams).
void ReleaseStreamSoundSources(SoundRecord* record);

// Adds a source read from the stream to a stream sound (the first one makes the sound a stream
// sound). *ownsStream: 1 when the source no longer needs the caller's stream.
int AddSreamSound(const StreamSource* source, uint8_t loopCount, int handle, int kind,
                  int* ownsStream);
// Takes the play cursor into the played-bytes count; cursor -1 reads it from the buffer.
void UpdateStreamPlayPosition(int handle, int cursor);
// Writes what the ring can take ahead of the play cursor. -1 when it is full for now.
int RefillStreamSound(int handle);
// The silence of a format: 0x7F bytes at 8 bits per sample, zero bytes otherwise.
void FillStreamSilence(const WaveFormat& format, uint8_t* bytes, uint32_t size);

}  // namespace morrow
