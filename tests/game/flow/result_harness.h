// The menu harness for the result screens and the ending: program start in a temporary working
// directory (the score file and scripts are written there), the result counters idle, the plain
// digits named 1000 + d and the captured frame 8000, so that draw logs name what they show.
#pragma once

#include "game/core/frame_state.h"
#include "game/core/option_cursors.h"
#include "game/core/records.h"
#include "game/core/result_state.h"
#include "game/core/scenario_state.h"
#include "game/flow/glyph_text.h"
#include "game/flow/scenario.h"
#include "tests/game/flow/menu_harness.h"
#include "tests/support/script_files.h"

namespace testsupport {

class ResultHarness : public MenuHarness {
 protected:
  void SetUp() override {
    MenuHarness::SetUp();
    Restart();
  }

  void Restart() {
    using namespace veyrdale;
    Fresh();
    LeaveCountdown = TallyTargetScore = TallyMusicFade = RunEndMusicFade = 0;
    EpilogueLeaveFrames = StatisticsShown = WinQuoteIndex = 0;
    RecordsMenuCursor = 0;
    ScoreTableCursor = 1;
    DestructibleCells = 0;
    PictureIndex = PreviousPictureIndex = PictureFadeFrames = 0;
    SpeakerSlot = 0;
    for (auto& row : EndingTextRows) row[0] = 0;
    for (int d = 0; d < 10; ++d) DigitGraphs[d] = 1000 + d;
    CaptureGraph = 8000;
  }

  ScriptTree tree_;  // the working directory
};

}  // namespace testsupport
