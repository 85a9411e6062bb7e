// Scenes from the probe: any scene at any frame, run through the frame loop's own body, with the
// handle tables filled by numbers that name their table and entry.
#include <cstdint>
#include <iterator>

#include "game/core/frame_state.h"
#include "game/core/records.h"
#include "game/core/resource_tables.h"
#include "game/core/sound_entries.h"
#include "game/flow/frame_loop.h"
#include "game/flow/glyph_text.h"
#include "tools/battle-probe/probe_args.h"
#include "tools/battle-probe/probe_commands.h"

namespace battleprobe {

void SceneCommand(const Args& a) {
  veyrdale::SceneId = ToInt(a[1]);
  veyrdale::SceneFrame = a.size() > 2 ? ToInt(a[2]) : 0;
}

void Loop(const Args& a) {
  const long long frames = ToInteger(a[1], 0, INT32_MAX);
  for (long long f = 0; f < frames && veyrdale::ExitRequested == 0; ++f) {
    int bits[4];
    TakeHeldPadBits(bits);
    veyrdale::RunFrameBody(bits);
  }
}

void StubHandles(const Args&) {
  using namespace veyrdale;
  for (int s = 0; s < kPictureSlots; ++s) {
    for (int c = 0; c < kPictureCells; ++c) {
      PictureSlots[s][c] = s == kPictureDigitSlot ? 3000 + c : 100000 + 100 * s + c;
    }
  }
  for (int i = 0; i < static_cast<int>(std::size(StageBackgrounds)); ++i) {
    StageBackgrounds[i] = 900 + i;
  }
  for (int p = 0; p < 4; ++p) {
    for (int c = 0; c < static_cast<int>(std::size(CharacterSheetCells[p])); ++c) {
      CharacterSheetCells[p][c] = 200000 + 1000 * p + c;
      CharacterSheetCellsB[p][c] = 300000 + 1000 * p + c;
    }
    for (int e = 0; e < static_cast<int>(std::size(PortraitHandles[p])); ++e) {
      PortraitHandles[p][e] = 400 + 10 * p + e;
    }
  }
  for (int i = 0; i < kSoundCount; ++i) SoundHandles[i] = 5000 + i;
  for (int i = 0; i < kGlyphSheetCount; ++i) {
    GlyphSheetsA[i] = 7000 + i;
    GlyphSheetsB[i] = 7100 + i;
  }
  CaptureGraph = 8000;
  LoadingPicture = 8001;
  for (int d = 0; d < 10; ++d) BigDigitGraphs[d] = 4000 + d;
}

}  // namespace battleprobe
