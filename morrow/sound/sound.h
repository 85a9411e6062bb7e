// Entry points of the sound component that the library's start, end, pump and window procedure
// call.
#pragma once

namespace morrow {

// 0 with a sound device, -1 without one (the game then runs silent).
int InitSoundSystem();
int EndSoundSystem();
// Refills the playing stream sounds; run by every pump.
int UpdateStreamSounds();
// Polls the music handles; run by every pump.
int UpdateMidiHandles();
int ReleaseMusicObjects();
int StopMusicPlayback();
// The music device's end-of-piece notification.
int HandleMciNotify();
// The media player's event notification.
int HandleDirectShowMusicNotify();

}  // namespace morrow
