// The survival run: player 0 against computer opponents in up to 29 rounds (0-28). Each round is
// prepared by SetupSurvivalRound (game/flow/flow.h) from its row of a fixed round table:
// random opponents from a pool that gives each character once before any repeats, pairs and
// triples from fixed tables, boss rounds with fixed opponents and arenas, and an arena cycle for
// the rest. The run ends in scene 29, which shows it and keeps a new best per character in
// "Data\score_s.sav". Its counters are in game/core/match_setup.h.
#pragma once

#include <cstdint>

namespace veyrdale {

void SurvivalResultScene();  // 29

// Whether player 0's score beats the stored best of its character, compared unsigned as the
// record file holds it: an equal score is no new best; no character outside 0-15 has a record.
bool SurvivalNewBest();

}  // namespace veyrdale
