#include "game/core/sound_entries.h"
#include "morrow/sound/sound.h"

namespace veyrdale {

void PlaySoundEntry(int entry) {
  if (entry < 0 || entry >= kSoundCount) return;
  morrow::PlaySoundHandle(SoundHandles[entry], 1, 1);
}

}  // namespace veyrdale
