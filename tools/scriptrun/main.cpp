// scriptrun: runs a scenario script of the current directory's Resource/Srd as the story does,
// and prints its pages.
//
//   scriptrun [--kind K] NUMBER
//
// In a story of kind K (0 main, the default; 1 extra) with one player, loads script NUMBER, runs
// its first page, then steps it once a frame with player 0's button 1 pressed for one frame in
// every ten, as the battle does: with the stage number the game passes for that script (NUMBER;
// NUMBER - 50 from 50; 2 for 99), and raising every player's scripted-entry counter above 0 by
// one a frame. The library is not started: drawing and sounds answer at once and show nothing.
//
// After each page:
//   page N: speaker S portraits P0 P1 expressions E0 E1
//     <each non-empty row of the message window, or of the ending's text, in UTF-8>
// At the script's end "end: result R players C" and exit 0; "missing" and exit 1 when the script
// cannot be loaded (its file and the reason on stderr); "unfinished after 10000 frames" and exit 1
// when it has not ended by then; exit 1 as well when standard output cannot take the lines. Usage
// errors (an option other than --kind among them) exit 2.
#include <cerrno>
#include <climits>
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
#include "game/flow/glyph_text.h"
#include "game/flow/scenario.h"
#include "morrow/system/stream.h"
#include "platform/codepage.h"
#include "tools/lib/toolrun/tool_run.h"

namespace {

using namespace veyrdale;

constexpr int kFrameLimit = 10000;
constexpr int kPressEvery = 10;
constexpr int kPageTurnRecovery = 10;  // what every page end leaves in player 0's recovery

int Usage() {
  std::fprintf(stderr, "usage: scriptrun [--kind K] NUMBER\n");
  return toolrun::kUsage;
}

bool ParseInt(const char* text, int* out) {
  errno = 0;
  char* end = nullptr;
  const long value = std::strtol(text, &end, 10);
  if (end == text || *end != '\0' || errno != 0 || value < INT_MIN || value > INT_MAX) {
    return false;
  }
  *out = static_cast<int>(value);
  return true;
}

// The stage number the battle and the ending pass along with a script.
int StageOfScript(int number) {
  if (number == 99) return 2;
  return number >= 50 ? number - 50 : number;
}

void PrintRow(const std::string& gbk) {
  if (!gbk.empty()) std::printf("  %s\n", platform::GbkToUtf8(gbk).c_str());
}

void PrintPage(int page, int stage) {
  std::printf("page %d: speaker %d portraits %d %d expressions %d %d\n", page, SpeakerSlot,
              PortraitSlots[0], PortraitSlots[1], PortraitExpressions[0], PortraitExpressions[1]);
  for (int r = 0; r < kMessageRows; ++r) {
    std::string gbk;
    if (stage == g_match.storyStageCount) {
      gbk.assign(EndingTextRows[r], strnlen(EndingTextRows[r], sizeof EndingTextRows[r]));
    } else {
      for (int c = 0; c < kMessageColumns; ++c) {
        const uint32_t code = MessageGrid[c * kMessageRows + r];
        if (code == 0) break;
        if (code > 0xFF) gbk.push_back(static_cast<char>(code >> 8));
        gbk.push_back(static_cast<char>(code & 0xFF));
      }
    }
    PrintRow(gbk);
  }
}

// The battle's side of a scripted entry: the counter rises every frame once it has started.
void RaiseEntryCounters() {
  for (int32_t& frames : g_playerState.entryFrames) {
    if (frames > 0 && frames < INT32_MAX) ++frames;
  }
}

// Why script `number` did not load: its file as this system names it and the reason.
void SayWhyMissing(int number) {
  char name[48];
  std::string mapped;
  if (!ScenarioFileName(number, g_match.storyKind, RouteFlagA, RouteFlagB, name, sizeof name) ||
      !morrow::MapGamePath(name, &mapped)) {
    toolrun::Say("script " + std::to_string(number) + " has no file name");
    return;
  }
  const std::string problem = toolrun::RegularFileRefusal(mapped);
  toolrun::Say(problem.empty() ? mapped + ": cannot be read" : problem);
}

int Run(int argc, char** argv) {
  int kind = 0;
  int number = 0;
  bool haveNumber = false;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--kind") == 0) {
      if (i + 1 >= argc || !ParseInt(argv[i + 1], &kind) || kind < 0 || kind > 1) return Usage();
      ++i;
    } else if (!haveNumber && !toolrun::IsOption(argv[i]) && ParseInt(argv[i], &number)) {
      haveNumber = true;
    } else {
      return Usage();
    }
  }
  if (!haveNumber) return Usage();

  g_match.storyMode = 1;
  g_match.storyKind = kind;
  InitStageTypeTable(kind);
  g_match.playerCount = 1;
  const int stage = StageOfScript(number);

  if (LoadScenarioScript(number) == 0) {
    std::printf("missing\n");
    SayWhyMissing(number);
    return 1;
  }
  int page = 0;
  g_players[0].recovery = 0;
  RunScenarioScript(stage);
  PrintPage(++page, stage);

  for (int frame = 1; frame <= kFrameLimit; ++frame) {
    SceneFrame = frame;
    RaiseEntryCounters();
    HeldFrameCounts[kInputButton1][0] = frame % kPressEvery == 1 ? 1 : 0;
    const bool atEnd = ScriptBuffer[ScriptReadPointer] == '_';
    g_players[0].recovery = 0;
    const int result = StepScenario(stage);
    // An advance marks button 1 as held on; at "_" it ends the script instead of turning a page.
    if (atEnd && HeldFrameCounts[kInputButton1][0] == 99) {
      std::printf("end: result %d players %d\n", result, g_match.playerCount);
      return 0;
    }
    if (g_players[0].recovery == kPageTurnRecovery) PrintPage(++page, stage);
  }
  std::printf("unfinished after %d frames\n", kFrameLimit);
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  toolrun::Begin("scriptrun");
  return toolrun::End(Run(argc, argv));
}
