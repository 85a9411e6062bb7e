// Sound output and sound handles.
//
// The sound component starts and ends the output device, keeps the table of sound handles and
// loads sound files into them: each handle owns up to 10 buffers holding the same PCM, so one
// effect can overlap itself. Without a device the library runs silent: the start fails and
// every call of the component answers -1 at once.
//
// Play types (sounds, the one-shot sound and music): 0 play and wait, pumping messages; 1 play
// in the background; 3 loop in the background; any other value plays once like 1. A sound's
// volume runs from 0 (silent) to 10000 (full).
#pragma once

#include <cstdint>

#include "morrow/sound/wave_format.h"

namespace morrow {

constexpr int kMaxSoundBuffers = 10;

enum PlayType : int {
  kPlayWait = 0,
  kPlayBackground = 1,
  kPlayLoop = 3,
};

int InitSoundSystem();
int EndSoundSystem();
int DeleteAllSounds(int unused);
int AddSoundData(int handle);
int LoadSoundFile(const char* path);
int LoadSoundFileWithBuffers(const char* path, int bufferCount);
int LoadSoundFromMemory(const void* data, int size, int bufferCount);
int DeleteSoundHandle(int handle, int unused);
int PlaySoundHandle(int handle, int playType, int rewind);
int StopSoundHandle(int handle);
// 1 while one of its buffers plays, 0 when none does, -1 for a bad handle.
int CheckSoundHandle(int handle);
int SetSoundVolume(int volume, int handle);
int CreateSoundHandleBuffers(const WaveFormat* format, uint32_t bytes, int streamFlag,
                             int bufferCount, int handle);

// Stream sounds: one ring buffer refilled from up to three sources while the pump runs.
int AddStreamSoundFile(const char* path, uint8_t loopCount, int handle, int kind);
int AddStreamSoundMemory(const void* data, int size, uint8_t loopCount, int handle, int kind);
int PrepareStreamSound(int handle);
int PlayStreamSound(int handle, int playType, int rewind);
int StopStreamSound(int handle);
int CheckStreamSound(int handle);

// Refills the playing stream sounds; run by every pump.
int UpdateStreamSounds();

// Music (StartMusicPlayback and the one-shot sound: morrow/sound/music.h) and MIDI handles.
int DeleteAllMidiHandles();
int StopMidiHandle(int handle);
int CheckMidiHandle(int handle);
// Polls the music handles and the music services; run by every pump.
int UpdateMidiHandles();
// Releases the second music path at the library's end; always 1.
int ReleaseMusicObjects();
// Stops and closes the current music; may be called when none plays.
int StopMusicPlayback();
// Non-zero while music plays.
int CheckMusicPlayback();
// The sequencer's end-of-piece notification: the piece starts again when it loops, else it is
// closed.
int HandleMciNotify();
// The media player's event notification.
int HandleDirectShowMusicNotify();

}  // namespace morrow
