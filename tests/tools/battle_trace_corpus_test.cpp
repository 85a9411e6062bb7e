// The battle trace corpus: many whole battles and story runs, each reduced to the final hash of
// the battle state and a digest of every frame's players, counters and random generator, against
// the hashes committed in tests/golden/battle_trace_corpus.txt. The cases cover every character
// on arenas 0, 4, 7 and 9, drawn every frame and at half rate, with and without spell cards
// declared all the time, under computer and random input, and story runs of both kinds whose
// scenario scripts turn players and bring them in while the continue prompt and the stage results
// come and go. A change that moves what any drawn frame does moves some hash.
//
// One line of the expected file per case: its arguments, " => ", and what the runner reported
// (the story's stages and prompts, the frames run, the winner, the final hash, the digest). The
// sanitizer build runs the cases marked for it, the other builds all of them. A failure names each
// case that moved and writes the whole actual file beside the build; UPDATE_GOLDEN=1 rewrites the
// expected file instead, keeping the lines of the cases this build did not run.
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/script_files.h"
#include "tests/support/temp_dir.h"
#include "tests/support/text_lines.h"

namespace {

namespace fs = std::filesystem;
using testsupport::FullWidth;
using testsupport::Lines;
using testsupport::ReadFile;
using testsupport::WriteFile;

const std::string kSource = SOURCE_DIR;
const std::string kExpectedFile = kSource + "/tests/golden/battle_trace_corpus.txt";
constexpr const char* kSeparator = " => ";

#ifdef CORPUS_ALL_CASES
constexpr bool kAllCases = true;
#else
constexpr bool kAllCases = false;
#endif

struct Case {
  std::string args;
  bool sanitized;  // run in the sanitizer build too
  // Story runs: the least number of stages begun and of continue prompts shown, so that a change
  // of the scripts or the input cannot quietly make the run too short to test the story.
  int leastStages = 0;
  int leastPrompts = 0;
};

// ---- The cases ---------------------------------------------------------------------------------

// Every character, four to a match, two of a kind and a two-player match. Some rules of the drawn
// frame need more than the built-in moves give: character 8's dash steps (the turn with its
// looked-ahead random number, the burst, the brake and the aims, from 80 frames left) and
// character 10's swing shakes (at 51 and 50) run only in moves that long, so one line-up
// lengthens those two moves; character 5's last-resort special, with its jitter, needs 80 life
// or less, so another line-up starts everyone low.
const char* const kLineUps[] = {
    "--players 4 --chars 0,1,2,3",
    "--players 4 --chars 4,5,6,7",
    "--players 4 --chars 8,9,10,11",
    "--players 4 --chars 12,13,14,15",
    "--players 4 --chars 0,8,10,13 --corrupt move20.moveLength=90@1 "
    "--corrupt move34.moveLength=56@1",
    "--players 4 --chars 5,9,5,9 --corrupt p0.life=70@300 --corrupt p1.life=70@300 "
    "--corrupt p2.life=70@300 --corrupt p3.life=70@300",
    "--players 2 --chars 8,14",
};
const int kArenas[] = {0, 4, 7, 9};
constexpr int kSeeds = 8;
constexpr int kBattleFrames = 3000;

// Story runs from the story menu to their end, player 0 on random input: a main story lost at its
// fourth stage and continued until given up, the whole main story, and extra stories won to the
// end or lost on the way (the lost-fight scripts and the closing scripts of both endings). Spell
// cards declared all the time let player 0 win.
struct StoryRun {
  const char* args;
  int leastStages;
  int leastPrompts;
};
const StoryRun kStoryRuns[] = {
    {"--seed 2 --story main --input-seed 2", 6, 3},
    {"--seed 1 --story main --input-seed 1 --half-rate", 4, 2},
    {"--seed 4 --story main --input-seed 4 --force-cards", 17, 2},
    {"--seed 1 --story main --input-seed 1 --force-cards --half-rate", 17, 1},
    {"--seed 6 --story extra --input-seed 6 --force-cards", 9, 0},
    {"--seed 6 --story extra --input-seed 6 --force-cards --half-rate", 9, 0},
    {"--seed 4 --story extra --input-seed 4", 6, 0},
    {"--seed 3 --story extra --input-seed 3 --half-rate", 4, 0},
};
// Enough for every story run to reach its end.
constexpr int kStoryFrames = 120000;

std::vector<Case> Cases() {
  std::vector<Case> cases;
  for (const char* lineUp : kLineUps) {
    for (int arena : kArenas) {
      for (const char* rate : {"", " --half-rate"}) {
        for (const char* cards : {"", " --force-cards"}) {
          // Odd seeds: computer players on every side; even seeds: random input for everyone.
          for (int seed = 1; seed <= kSeeds; ++seed) {
            const std::string control =
                seed % 2 == 1 ? " --cpu all" : " --input-seed " + std::to_string(seed);
            Case c;
            c.args = "--seed " + std::to_string(seed) + " " + lineUp + " --arena " +
                     std::to_string(arena) + " --frames " + std::to_string(kBattleFrames) +
                     control + rate + cards;
            // The sanitizer build takes the first two seeds of each group: computers and input.
            c.sanitized = seed <= 2;
            cases.push_back(c);
          }
        }
      }
    }
  }
  for (const StoryRun& story : kStoryRuns) {
    cases.push_back({story.args + std::string(" --frames ") + std::to_string(kStoryFrames), true,
                     story.leastStages, story.leastPrompts});
  }
  return cases;
}

// ---- The fixtures ------------------------------------------------------------------------------

// The arena maps: the goldens' open map where the arenas read 00.mpd and 05-09.mpd, the dense map
// of the dash soak where they read 02.mpd (arena 4) and 12.mpd (arena 9).
void WriteMaps(const fs::path& folder) {
  fs::create_directories(folder);
  const std::string open = ReadFile(kSource + "/tests/data/maps/00.mpd");
  const std::string dense = ReadFile(kSource + "/tests/data/maps-dense/00.mpd");
  ASSERT_FALSE(open.empty());
  ASSERT_FALSE(dense.empty());
  for (const char* name : {"00", "05", "06", "07", "08", "09"}) {
    WriteFile((folder / (std::string(name) + ".mpd")).string(), open);
  }
  WriteFile((folder / "02.mpd").string(), dense);
  WriteFile((folder / "12.mpd").string(), dense);
}

// A turn of player p (0-3) to direction d (0-7, 32 steps of heading each).
std::string Turn(int p, int d) {
  return std::string("T") + static_cast<char>('0' + p) + static_cast<char>('0' + d % 8);
}

// The entry of player p (0-3): the page ends and the script waits for the entry.
std::string Entry(int p) {
  return std::string("!") + static_cast<char>('1' + p);
}

// One scenario script: speakers, text, turns of every player, entries, a shake with slow motion,
// a wait, and on some scripts the arena event that sends player 2 jumping.
std::string StoryScript(int number) {
  std::string s = ">1P0" + FullWidth("SCRIPT" + std::to_string(number)) + Turn(0, number) +
                  Turn(1, number + 3) + "\\";
  s += Entry(1) + ">2A1" + FullWidth("HERE") + Turn(2, number + 5) + "S4" + "\\";
  s += Entry(2) + Entry(3) + ">1P2" + FullWidth("WATCH") + Turn(3, number + 1) + "\\";
  if (number % 3 == 0) s += "M" + FullWidth("LOOK") + "\\";
  s += "D" + FullWidth("WAIT") + Turn(0, number + 6) + Turn(1, number + 2) + "\\";
  s += "_";
  return s;
}

// The closing script after a story's last stage, shown over the ending's pictures where nobody
// enters: two pages that player 0 turns.
std::string ClosingScript(int number) {
  return ">1P0" + FullWidth("END" + std::to_string(number)) + "\\>2A1" + FullWidth("BYE") + "\\_";
}

// Every script the two stories can load: the main story's by stage (with the route variants and
// the lost second fight's) and its closing script 17; the extra story's by stage with their
// lost-fight variants, and its closing scripts 9 and 59.
void WriteScripts(const fs::path& folder) {
  fs::create_directories(folder);
  char name[32];
  for (int n = 0; n <= 17; ++n) {
    std::snprintf(name, sizeof name, "%02d.srd", n);
    WriteFile((folder / name).string(), n == 17 ? ClosingScript(n) : StoryScript(n));
    std::snprintf(name, sizeof name, "%02dn.srd", n);
    WriteFile((folder / name).string(), n == 17 ? ClosingScript(n + 20) : StoryScript(n + 20));
  }
  WriteFile((folder / "02b.srd").string(), StoryScript(99));
  for (int n = 0; n <= 9; ++n) {
    std::snprintf(name, sizeof name, "ex1%02d.srd", n);
    WriteFile((folder / name).string(), n == 9 ? ClosingScript(n + 40) : StoryScript(n + 40));
    std::snprintf(name, sizeof name, "ex1%02db.srd", n);
    WriteFile((folder / name).string(), n == 9 ? ClosingScript(n + 60) : StoryScript(n + 60));
  }
}

// ---- Running ------------------------------------------------------------------------------------

struct Fixtures {
  std::string maps;
  std::string scripts;
};

// The command of a case, run from the test's folder: the runner with the case's arguments, the
// fixtures and the final hash.
std::string Command(const Case& c, const Fixtures& f) {
  std::string command = std::string("'") + BATTLE_SIM + "' " + c.args + " --maps '" + f.maps + "'";
  if (c.args.find("--story") != std::string::npos) command += " --scripts '" + f.scripts + "'";
  return command + " --final-hash --frame-digest";
}

// What the run reported, on one line ("story ... frames F winner W final H digest D"); what went
// wrong when it did not end cleanly.
std::string RunCase(const Case& c, const Fixtures& f) {
  FILE* p = popen((Command(c, f) + " 2>&1").c_str(), "r");
  if (p == nullptr) return "cannot start";
  std::string out;
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, p)) > 0) out.append(buffer, n);
  const int status = pclose(p);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    return "failed (status " + std::to_string(status) + "): " + out;
  }
  std::string result;
  for (const std::string& line : Lines(out)) {
    if (line.rfind("story ", 0) == 0 || line.rfind("frames ", 0) == 0 ||
        line.rfind("final ", 0) == 0 || line.rfind("digest ", 0) == 0) {
      result += (result.empty() ? "" : " ") + line;
    }
  }
  return result;
}

// Runs the cases on as many processors as there are, each case its own process.
std::vector<std::string> RunAll(const std::vector<Case>& cases, const Fixtures& f) {
  std::vector<std::string> results(cases.size());
  std::atomic<size_t> next{0};
  const unsigned workers = std::max(1u, std::thread::hardware_concurrency());
  std::vector<std::thread> threads;
  for (unsigned w = 0; w < workers; ++w) {
    threads.emplace_back([&] {
      for (size_t i; (i = next++) < cases.size();) results[i] = RunCase(cases[i], f);
    });
  }
  for (std::thread& t : threads) t.join();
  return results;
}

// The expected file as case arguments to their results.
std::map<std::string, std::string> ReadExpected() {
  std::map<std::string, std::string> expected;
  for (const std::string& line : Lines(ReadFile(kExpectedFile))) {
    const size_t at = line.find(kSeparator);
    if (at != std::string::npos) {
      expected[line.substr(0, at)] = line.substr(at + std::strlen(kSeparator));
    }
  }
  return expected;
}

// A number that follows `word ` in a result; -1 when missing.
int NumberAfter(const std::string& result, const std::string& word) {
  const size_t at = result.find(word + " ");
  return at == std::string::npos ? -1 : std::atoi(result.c_str() + at + word.size() + 1);
}

// The stages a story result lists ("story stages 0,1,2,2 prompts 1").
int StagesBegun(const std::string& result) {
  const size_t at = result.find("stages ");
  if (at == std::string::npos) return 0;
  const std::string list = result.substr(at + 7, result.find(' ', at + 7) - at - 7);
  return static_cast<int>(std::count(list.begin(), list.end(), ',')) + (list.empty() ? 0 : 1);
}

// The final hash of a result.
std::string FinalHash(const std::string& result) {
  const size_t at = result.rfind("final ");
  return at == std::string::npos ? "" : result.substr(at + 6, 16);
}

TEST(BattleTraceCorpus, EveryCaseEndsOnItsCommittedHash) {
  const fs::path folder = fs::current_path() / "battle_trace_corpus";
  const Fixtures fixtures{(folder / "maps").string(), (folder / "scripts").string()};
  WriteMaps(fixtures.maps);
  WriteScripts(fixtures.scripts);

  const std::vector<Case> all = Cases();
  std::vector<Case> cases;
  for (const Case& c : all) {
    if (kAllCases || c.sanitized) cases.push_back(c);
  }
  const std::vector<std::string> results = RunAll(cases, fixtures);
  std::map<std::string, std::string> actual;
  for (size_t i = 0; i < cases.size(); ++i) actual[cases[i].args] = results[i];

  // What every run must show whatever its hash: a clean end, and story runs long enough.
  for (size_t i = 0; i < cases.size(); ++i) {
    const Case& c = cases[i];
    EXPECT_FALSE(FinalHash(results[i]).empty()) << Command(c, fixtures) << "\n" << results[i];
    if (c.leastStages > 0) {
      EXPECT_GE(StagesBegun(results[i]), c.leastStages) << c.args << " => " << results[i];
      EXPECT_GE(NumberAfter(results[i], "prompts"), c.leastPrompts)
          << c.args << " => " << results[i];
      // The run ended by itself, at the ending or the game over, not at the frame limit.
      EXPECT_LT(NumberAfter(results[i], "frames"), kStoryFrames) << c.args << " => " << results[i];
    }
  }

  const std::map<std::string, std::string> expected = ReadExpected();
  std::string file;
  int missing = 0;
  for (const Case& c : all) {
    const auto ran = actual.find(c.args);
    const auto want = expected.find(c.args);
    if (ran != actual.end()) {
      file += c.args + kSeparator + ran->second + "\n";
    } else if (want != expected.end()) {
      file += c.args + kSeparator + want->second + "\n";
    } else {
      ++missing;
    }
  }
  const char* update = std::getenv("UPDATE_GOLDEN");
  if (update != nullptr && std::strcmp(update, "1") == 0) {
    WriteFile(kExpectedFile, file);
    std::printf("rewrote %s (%zu cases run, %d not run and not in it before)\n",
                kExpectedFile.c_str(), cases.size(), missing);
    return;
  }
  ASSERT_FALSE(expected.empty()) << kExpectedFile << " is missing or empty";
  int moved = 0;
  for (const Case& c : cases) {
    const auto want = expected.find(c.args);
    if (want == expected.end()) {
      ADD_FAILURE() << "no expected line for: " << c.args;
      ++moved;
    } else if (want->second != actual[c.args]) {
      ADD_FAILURE() << "moved: " << Command(c, fixtures) << "\n  expected: " << want->second
                    << "\n  actual:   " << actual[c.args];
      ++moved;
    }
  }
  if (moved == 0) return;
  const std::string actualPath = (fs::current_path() / "battle_trace_corpus.txt.actual").string();
  WriteFile(actualPath, file);
  ADD_FAILURE() << moved << " of " << cases.size() << " cases moved; the actual file is "
                << actualPath;
}

}  // namespace
