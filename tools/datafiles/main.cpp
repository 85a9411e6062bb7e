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
//                        (options, buttons, scores, survival), silently.
//
// Exit 0; 1 when a save fails; 2 for a usage error or a DIR that cannot be entered.
#include <cstdio>
#include <cstring>
#include <string>

#include "game/core/data_files.h"
#include "platform/directory.h"

namespace {

using namespace veyrdale;

void LoadAll() {
  WriteOptionDefaults();
  LoadDataFile(kDisplayFile, kLoadDisplay);
  LoadDataFile(kOptionsFile, kLoadOptions);
  LoadDataFile(kScoresFile, kLoadScores);
  LoadDataFile(kSurvivalFile, kLoadSurvival);
  LoadDataFile(kButtonsFile, kLoadButtons);
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
    if (SaveDataFile(path, kind) != 0) failed = 1;
  }
  return failed;
}

int Usage() {
  std::fprintf(stderr, "usage: datafiles show|save DIR\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) return Usage();
  const bool show = std::strcmp(argv[1], "show") == 0;
  if (!show && std::strcmp(argv[1], "save") != 0) return Usage();
  if (!platform::SetCurrentDirectory(argv[2])) {
    std::fprintf(stderr, "datafiles: cannot enter %s\n", argv[2]);
    return 2;
  }
  LoadAll();
  if (show) {
    Show();
    return 0;
  }
  return SaveAll();
}
