// Entry points of the sound component standing in until it exists: no sound device.
#include "morrow/sound/sound.h"

namespace morrow {

// TEMPORARY: replaced by "Sound output, sound handles and sound decoding"
int InitSoundSystem() {
  return -1;
}
// TEMPORARY: replaced by "Sound output, sound handles and sound decoding"
int EndSoundSystem() {
  return 0;
}
// TEMPORARY: replaced by "Music, one-shot sounds and stream sounds"
int UpdateStreamSounds() {
  return 0;
}
// TEMPORARY: replaced by "Music, one-shot sounds and stream sounds"
int UpdateMidiHandles() {
  return 0;
}
// TEMPORARY: replaced by "Music, one-shot sounds and stream sounds"
int ReleaseMusicObjects() {
  return 0;
}
// TEMPORARY: replaced by "Music, one-shot sounds and stream sounds"
int StopMusicPlayback() {
  return 0;
}
// TEMPORARY: replaced by "Music, one-shot sounds and stream sounds"
int HandleMciNotify() {
  return 0;
}
// TEMPORARY: replaced by "Music, one-shot sounds and stream sounds"
int HandleDirectShowMusicNotify() {
  return 0;
}

}  // namespace morrow
