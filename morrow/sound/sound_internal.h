// The sound component's records and state, shared by its parts (handles, stream sounds, music)
// and their tests.
#pragma once

#include <cstdint>
#include <memory>

#include "morrow/graphics/handle.h"
#include "morrow/sound/sound.h"
#include "morrow/sound/wave_format.h"
#include "platform/audio/audio_device.h"

namespace morrow {

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
};

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

// Frees what a stream sound's sources hold (their converters, data and streams).
void ReleaseStreamSoundSources(SoundRecord* record);

}  // namespace morrow
