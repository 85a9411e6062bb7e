// Entry points of the stream-sound and music parts of the sound component.
#include "morrow/sound/sound.h"
#include "morrow/sound/sound_internal.h"

namespace morrow {

// TEMPORARY: replaced by "Music, one-shot sounds and stream sounds"
int AddStreamSoundFile(const char*, uint8_t, int, int) {
  return -1;
}
// TEMPORARY: replaced by "Music, one-shot sounds and stream sounds"
int AddStreamSoundMemory(const void*, int, uint8_t, int, int) {
  return -1;
}
// TEMPORARY: replaced by "Music, one-shot sounds and stream sounds"
int PrepareStreamSound(int) {
  return -1;
}
// TEMPORARY: replaced by "Music, one-shot sounds and stream sounds"
int PlayStreamSound(int, int, int) {
  return -1;
}
// TEMPORARY: replaced by "Music, one-shot sounds and stream sounds"
int StopStreamSound(int) {
  return -1;
}
// TEMPORARY: replaced by "Music, one-shot sounds and stream sounds"
int CheckStreamSound(int) {
  return -1;
}
// TEMPORARY: replaced by "Music, one-shot sounds and stream sounds"
void ReleaseStreamSoundSources(SoundRecord*) {}
// TEMPORARY: replaced by "Music, one-shot sounds and stream sounds"
int DeleteAllMidiHandles() {
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
