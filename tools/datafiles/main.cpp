// datafiles: the game's five Data files through the game's own reader and writer.
//
//   datafiles show DIR   reads the five files of DIR/Data in the order the game starts with and
//                        prints the records as lines of words:
//                          display <4 words>
//                          options <11 words>
//                          buttons <20 words, player by player>
//                          unlock <the unlock level>
//                          record <score> <stage> <cards>   120 lines, one per score row in
//                                 file order (table t is rows 10t to 10t + 9), as the game holds
//                                 them after its repair: a row the file held out of reach of any
//                                 story run shows its default row and ends in " repaired"
//   datafiles save DIR   reads them the same way and writes the four records the game writes
//                        (options, buttons, scores, survival), silently. It holds the library's
//                        lock as a running game does, since a game's start removes what looks
//                        like a save's temporary file; show reads without it.
//
// What the game would log about the files (a damaged file, a failed save with its reason) goes to
// stderr, one line each. Exit 0; 1 when a save fails, a file is there but cannot be read (the
// game takes its record's defaults) or standard output cannot take the lines; 2 for a usage error,
// a DIR that cannot be entered, or a save while another instance holds the library's lock
// (nothing read or written).
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "game/core/data_files.h"
#include "platform/directory.h"
#include "tools/lib/toolrun/tool_run.h"

namespace {

using namespace veyrdale;

// The log this tool never starts keeps the Data files' lines; they are said here instead. Returns
// them as well.
std::vector<std::string> SayWaitingLog() {
  std::vector<std::string> lines = TakeWaitingDataFileLog();
  for (const std::string& line : lines) toolrun::Say(line);
  return lines;
}

// In the order the game starts with. false when a file that is there could not be read: a missing
// file is a first start's and says nothing, one the reader could not take gets a line.
bool LoadAll() {
  WriteOptionDefaults();
  bool readable = true;
  for (auto [path, kind] :
       {std::pair{kDisplayFile, kLoadDisplay}, std::pair{kOptionsFile, kLoadOptions},
        std::pair{kScoresFile, kLoadScores}, std::pair{kSurvivalFile, kLoadSurvival},
        std::pair{kButtonsFile, kLoadButtons}}) {
    const bool unread = LoadDataFile(path, kind) != 0;
    if (!SayWaitingLog().empty() && unread) readable = false;
  }
  return readable;
}

void PrintWords(const char* name, const int32_t* words, int count) {
  std::printf("%s", name);
  for (int i = 0; i < count; ++i) std::printf(" %d", words[i]);
  std::printf("\n");
}

void Show() {
  const DisplaySettings& d = g_display;
  const int32_t display[] = {d.windowMode, d.use16BitColor, d.noVsyncWait, d.halfRatePresent};
  PrintWords("display", display, 4);
  const OptionSettings& o = g_options;
  const int32_t options[] = {o.difficulty,  o.winCount,        o.timeLimit,        o.effectLevel,
                             o.meleeLevel,  o.stunRingDisplay, o.obstacleStrength, o.musicVolume,
                             o.soundVolume, o.spare[0],        o.spare[1]};
  PrintWords("options", options, 11);
  PrintWords("buttons", &g_buttonMap.masks[0][0], 20);
  PrintWords("unlock", &g_scores.unlockLevel, 1);
  for (int row = 0; row < kScoreRows; ++row) {
    std::printf("record %d %d %d%s\n", g_scores.score[row], g_scores.stage[row],
                g_scores.cards[row], ScoreRowRepaired(row) ? " repaired" : "");
  }
}

int SaveAll() {
  int failed = 0;
  for (auto [path, kind] :
       {std::pair{kOptionsFile, kSaveOptions}, std::pair{kButtonsFile, kSaveButtons},
        std::pair{kScoresFile, kSaveScores}, std::pair{kSurvivalFile, kSaveSurvival}}) {
    if (SaveDataFile(path, kind) == 0) continue;
    failed = 1;
    if (SayWaitingLog().empty()) toolrun::Say(std::string(path) + ": the save failed");
  }
  return failed;
}

int Usage() {
  std::fprintf(stderr, "usage: datafiles show|save DIR\n");
  return toolrun::kUsage;
}

int Run(int argc, char** argv) {
  if (argc != 3 || toolrun::IsOption(argv[2])) return Usage();
  const bool show = std::strcmp(argv[1], "show") == 0;
  if (!show && std::strcmp(argv[1], "save") != 0) return Usage();
  if (!show) toolrun::ClaimLibraryLock();
  if (!platform::SetCurrentDirectory(argv[2])) {
    toolrun::Say(std::string("cannot enter ") + argv[2]);
    return toolrun::kUsage;
  }
  const int readable = LoadAll() ? 0 : 1;
  if (!show) return SaveAll() | readable;
  Show();
  return readable;
}

}  // namespace

int main(int argc, char** argv) {
  toolrun::Begin("datafiles");
  return toolrun::End(Run(argc, argv));
}
