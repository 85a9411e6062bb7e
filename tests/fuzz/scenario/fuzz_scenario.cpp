// Fuzz target of the scenario interpreter: the input is stored as a script file and loaded by
// LoadScenarioScript, its first page run, and then stepped for up to 400 frames with button 3
// held every other frame and button 1 counted as the frame loop counts it. The input's length
// picks the stage (the final stage's script when odd) and the player count. Every step must read
// forward inside the loaded bytes and keep the player count 1 to 4; anything else aborts.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "game/battle/battle.h"
#include "game/core/frame_state.h"
#include "game/core/input.h"
#include "game/core/match_setup.h"
#include "game/core/records.h"
#include "game/flow/flow.h"
#include "game/flow/scenario.h"
#include "tests/fuzz/fuzz_folder.h"

namespace {

// The game loads scripts from the working directory.
int LoadFromFolder() {
  fuzzsupport::InFuzzFolder here;
  return veyrdale::LoadScenarioScript(0);
}

void Check(bool ok, const char* what) {
  if (ok) return;
  std::fprintf(stderr, "scenario fuzz: %s\n", what);
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace veyrdale;
  const std::string& folder = fuzzsupport::FuzzFolder("scenario-fuzz", {"Resource/Srd"});
  FILE* file = std::fopen((folder + "/Resource/Srd/00.srd").c_str(), "wb");
  if (file == nullptr) return 0;
  if (size > 0) std::fwrite(data, 1, size, file);
  std::fclose(file);

  g_match = MatchSetup{};
  g_match.storyMode = 1;
  g_match.storyKind = 0;
  InitStageTypeTable(0);
  g_match.playerCount = 1 + static_cast<int>(size % 4);
  const int stage = size % 2 == 1 ? g_match.storyStageCount : static_cast<int>(size % 32);
  for (int32_t& frames : g_playerState.entryFrames) frames = 0;
  ScriptWait = 0;
  for (auto& counts : HeldFrameCounts) {
    for (int32_t& count : counts) count = 0;
  }

  if (LoadFromFolder() != 99) return 0;
  // Bytes after the first 0 are never reached.
  const int loaded =
      static_cast<int>(strnlen(reinterpret_cast<const char*>(ScriptBuffer), sizeof ScriptBuffer));
  RunScenarioScript(stage);
  Check(ScriptReadPointer >= 0 && ScriptReadPointer <= loaded, "first page left the script");
  for (int frame = 1; frame <= 400; ++frame) {
    SceneFrame = frame;
    for (int32_t& frames : g_playerState.entryFrames) {
      if (frames > 0 && frames < 1000) ++frames;
    }
    HeldFrameCounts[kInputButton3][0] = frame % 2;
    HeldFrameCounts[kInputButton1][0] = HeldFrameCounts[kInputButton1][0] % 7 + 1;
    const int before = ScriptReadPointer;
    const int result = StepScenario(stage);
    Check(ScriptReadPointer >= before, "the step read backwards");
    Check(ScriptReadPointer <= loaded, "the step left the script");
    Check(g_match.playerCount >= 1 && g_match.playerCount <= 4, "player count out of 1-4");
    Check(EndingTextRows[0][kEndingRowBytes] == 0 && EndingTextRows[1][kEndingRowBytes] == 0 &&
              EndingTextRows[2][kEndingRowBytes] == 0,
          "an ending row lost its end");
    if (result != 0) break;
  }
  return 0;
}
