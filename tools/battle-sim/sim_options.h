// The command line of the battle runner: what battle to run, with which input, for how long, and
// what to write or check while it runs.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace battlesim {

// One --corrupt NAME=VALUE@FRAME: a write through the field table after that frame's update.
struct CorruptWrite {
  std::string name;
  bool isFloat = false;
  int64_t integer = 0;
  float real = 0.0f;
  int64_t frame = 0;  // frames run when the write is made, 1 or more
};

struct SimOptions {
  // Exactly one of a seed and a range of seeds (a soak).
  bool seedGiven = false;
  uint32_t seed = 0;
  bool seedsGiven = false;
  uint32_t firstSeed = 0;
  uint32_t lastSeed = 0;
  std::string date;  // YYYY-MM-DDThh:mm:ss, or empty for the virtual clock's own start
  int players = 0;
  std::vector<int> chars;  // empty with charsRandom
  // --chars random: the characters of each seed drawn from the seed by the runner's own generator.
  bool charsRandom = false;
  std::vector<int> cpu;    // computer flags, one per player; empty: every player is human
  int difficulty = -1;     // -1: the start-up default
  int jobs = 1;            // soak runs at a time
  std::vector<int> teams;  // empty: free for all
  std::vector<int> handicaps;
  int arena = -1;
  // The options of the option menu; -1 keeps the start-up default.
  int winCount = -1;
  int timeLimit = -1;
  int effectLevel = -1;
  int obstacle = -1;
  std::string maps;   // folder of the arena maps copied into Resource/Mpd; empty: none
  std::string input;  // input script; empty: none
  bool inputSeedGiven = false;
  uint64_t inputSeed = 0;
  int64_t frames = 0;
  std::string trace;  // empty: no trace
  bool checkInvariants = false;
  std::vector<CorruptWrite> corrupt;
  // Prints "final HASH" after a clean run: how a soak tells its runs' battles apart.
  bool finalHash = false;
  // Prints "digest HASH" after a clean run: the frame hash of every frame folded in order.
  bool frameDigest = false;
  bool forceCards = false;  // every spell gauge is 200 after each frame
  // The display setting of half-rate presentation: the battle is drawn on every second frame.
  bool halfRate = false;
  // --story main|extra: a story run of that kind (0 main, 1 extra; -1 none) started from the story
  // menu; its stages choose the players, characters and arenas, and its input script may address
  // players 0-3 (players is then 4).
  int story = -1;
  std::string scripts;  // the folder of the story's scenario scripts (*.srd)
};

// Parses the arguments after the program name. false with a message naming the problem for an
// unknown option, a missing or malformed value, a value out of range or options that do not go
// together.
bool ParseSimOptions(const std::vector<std::string>& args, SimOptions* out, std::string* error);

// The arguments of one run of a soak: the soak's own, with the range of seeds replaced by one
// seed, --chars random by the characters drawn for that seed, --jobs dropped and --final-hash
// added. Unless the soak gives its input (--input or --input-seed), the run's
// random input follows from its seed too (--input-seed SEED): a seed alone changes a battle
// little, and every run would otherwise play nearly the same one.
std::vector<std::string> ArgsForSeed(const SimOptions& soak, const std::vector<std::string>& args,
                                     uint32_t seed);

// The characters of `players` players that --chars random gives for a seed: drawn by the runner's
// own generator, never by the game's, so the battle's draws stay where the game puts them.
std::vector<int> RandomCharsForSeed(uint32_t seed, int players);

// A whole decimal number within [min, max]; nothing else may follow it.
bool ParseInteger(const std::string& text, int64_t min, int64_t max, int64_t* out);

// A-B, both whole numbers within [min, max]; whether A is above B is the caller's to judge.
bool ParseIntegerRange(const std::string& text, int64_t min, int64_t max, int64_t* a, int64_t* b);

// Comma-separated whole numbers within [min, max].
bool ParseList(const std::string& text, int min, int max, std::vector<int>* out);

// The usage text, printed after a usage error.
const char* SimUsage();

}  // namespace battlesim
