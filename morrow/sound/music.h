// Music files and the one-shot sound. StopMusicPlayback is in morrow/sound/sound.h.
//
// Play types as for sounds: 0 play and wait, 1 in the background, 3 looping. Without a working
// sound device every call answers -1.
#pragma once

namespace morrow {

// Stops the current music and plays the file ("Resource\\Bgm\\00.bgm" ...). 0 / -1.
int StartMusicPlayback(const char* path, int playType);
// 0..255, 255 full. -1 while sound is not running.
int SetMusicVolume(int volume);
// Replaces the previous one-shot sound by the file and plays it. 0 / -1.
int PlayOneShotSound(const char* path, int playType);
int StopOneShotSound();

}  // namespace morrow
