#include "game/flow/sound_entries.h"

#include "game/flow/library_calls.h"

namespace veyrdale {

void PlaySoundEntry(int entry) {
  if (entry < 0 || entry >= kSoundCount) return;
  PlaySoundHandle(SoundHandles[entry], 1, 1);
}

}  // namespace veyrdale
