// The input of a headless battle: a script of held inputs by frame, or a generator of random
// input. Both give pad-state words, which the game's own counting step turns into held-frame
// counts, so a scripted press behaves exactly as a pad press.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace battlesim {

// The nine inputs as bits, in the order of the game's counters: down, up, left, right, b1-b5.
constexpr int kSimInputCount = 9;

// The pad-state word (as a pad read answers) of a set of inputs, under the default button map.
int PadBitsOfInputs(uint32_t inputs);

// The input bit of a name ("down", "up", "left", "right", "b1" .. "b5"); 0 for an unknown name.
uint32_t InputOfName(const std::string& name);

// One script line: FROM-TO PLAYER INPUT..., frames counted from 0, both ends held.
struct ScriptLine {
  int64_t from;
  int64_t to;
  int player;  // 0-3
  uint32_t inputs;
};

// Parses a whole script. Blank lines and text after '#' are ignored. false with "line N: ..."
// for a malformed line, a range out of order, an unknown input or a player that is not in a match
// of `players` players.
bool ParseInputScript(const std::string& text, int players, std::vector<ScriptLine>* out,
                      std::string* error);

// The inputs every line holds for this player in this frame (0-based).
uint32_t ScriptInputsAt(const std::vector<ScriptLine>& script, int64_t frame, int player);

// A seed spread over all 64 bits (splitmix64's finaliser after its step): the runner's own
// generators start from it.
uint64_t MixSeed(uint64_t x);

// Random input: one 64-bit linear congruential generator per player, each holding a random set
// of inputs (no direction or one of the eight, each button with a chance of one in four) for 5 to
// 40 frames before it draws the next. It never draws the game's random numbers, so the battle's
// own draws stay where the game puts them.
class InputGenerator {
 public:
  explicit InputGenerator(uint64_t seed);
  // The input sets of the next frame for players 0 to players - 1; the others hold nothing.
  void Next(int players, uint32_t inputs[4]);

 private:
  uint32_t Draw(int player);

  uint64_t state_[4];
  int framesLeft_[4] = {};
  uint32_t held_[4] = {};
};

}  // namespace battlesim
