#include "tools/battle-sim/sim_input.h"

#include <cerrno>
#include <cstdlib>
#include <sstream>

#include "game/core/input.h"

namespace battlesim {

namespace {

constexpr const char* kInputNames[kSimInputCount] = {"down", "up", "left", "right", "b1",
                                                     "b2",   "b3", "b4",   "b5"};

// The pad bit of each input: directions are fixed; game button i is pad button i - 1 in the
// default button map.
constexpr int kInputPadBits[kSimInputCount] = {
    veyrdale::kPadDown,         veyrdale::kPadUp,           veyrdale::kPadLeft,
    veyrdale::kPadRight,        veyrdale::kPadButton0 << 0, veyrdale::kPadButton0 << 1,
    veyrdale::kPadButton0 << 2, veyrdale::kPadButton0 << 3, veyrdale::kPadButton0 << 4};

constexpr uint32_t kDown = 1u << 0;
constexpr uint32_t kUp = 1u << 1;
constexpr uint32_t kLeft = 1u << 2;
constexpr uint32_t kRight = 1u << 3;

// No direction, then the eight directions.
constexpr uint32_t kDirectionSets[9] = {
    0, kRight, kRight | kUp, kUp, kUp | kLeft, kLeft, kLeft | kDown, kDown, kDown | kRight};

constexpr int kShortestHold = 5;
constexpr int kLongestHold = 40;

bool ParseFrame(const std::string& text, int64_t* out) {
  if (text.empty() || text.size() > 18) return false;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  *out = std::strtoll(text.c_str(), nullptr, 10);
  return true;
}

// A 64-bit mix of the seed and the player, so that neighbouring seeds and players start far apart.

}  // namespace

uint64_t MixSeed(uint64_t x) {
  x += 0x9E3779B97F4A7C15ull;
  x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
  x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
  return x ^ (x >> 31);
}

int PadBitsOfInputs(uint32_t inputs) {
  int bits = 0;
  for (int k = 0; k < kSimInputCount; ++k) {
    if ((inputs >> k) & 1u) bits |= kInputPadBits[k];
  }
  return bits;
}

uint32_t InputOfName(const std::string& name) {
  for (int k = 0; k < kSimInputCount; ++k) {
    if (name == kInputNames[k]) return 1u << k;
  }
  return 0;
}

bool ParseInputScript(const std::string& text, int players, std::vector<ScriptLine>* out,
                      std::string* error) {
  out->clear();
  std::istringstream lines(text);
  std::string line;
  int number = 0;
  auto fail = [&](const std::string& message) {
    *error = "line " + std::to_string(number) + ": " + message;
    return false;
  };
  while (std::getline(lines, line)) {
    ++number;
    const size_t hash = line.find('#');
    if (hash != std::string::npos) line.erase(hash);
    std::istringstream words(line);
    std::vector<std::string> w;
    for (std::string word; words >> word;) w.push_back(word);
    if (w.empty()) continue;
    if (w.size() < 3) return fail("needs FROM-TO PLAYER INPUT...");
    ScriptLine s{};
    const size_t dash = w[0].find('-');
    if (dash == std::string::npos || !ParseFrame(w[0].substr(0, dash), &s.from) ||
        !ParseFrame(w[0].substr(dash + 1), &s.to)) {
      return fail("'" + w[0] + "' is not a range FROM-TO of frames counted from 0");
    }
    if (s.from > s.to) return fail("the range " + w[0] + " is out of order");
    int64_t player = 0;
    if (!ParseFrame(w[1], &player) || player > 3) {
      return fail("'" + w[1] + "' is not a player 0-3");
    }
    if (player >= players) {
      return fail("player " + w[1] + " is not in a match of " + std::to_string(players) +
                  " players");
    }
    s.player = static_cast<int>(player);
    for (size_t i = 2; i < w.size(); ++i) {
      const uint32_t input = InputOfName(w[i]);
      if (input == 0) {
        return fail("unknown input '" + w[i] + "' (down up left right b1 b2 b3 b4 b5)");
      }
      s.inputs |= input;
    }
    out->push_back(s);
  }
  return true;
}

uint32_t ScriptInputsAt(const std::vector<ScriptLine>& script, int64_t frame, int player) {
  uint32_t inputs = 0;
  for (const ScriptLine& s : script) {
    if (s.player == player && frame >= s.from && frame <= s.to) inputs |= s.inputs;
  }
  return inputs;
}

InputGenerator::InputGenerator(uint64_t seed) {
  for (int p = 0; p < 4; ++p) state_[p] = MixSeed(seed * 4 + static_cast<uint64_t>(p));
}

uint32_t InputGenerator::Draw(int player) {
  uint64_t& s = state_[player];
  s = s * 6364136223846793005ull + 1442695040888963407ull;
  // The high bits of a power-of-two LCG are the well-mixed ones.
  return static_cast<uint32_t>(s >> 33);
}

void InputGenerator::Next(int players, uint32_t inputs[4]) {
  for (int p = 0; p < 4; ++p) {
    if (p >= players) {
      inputs[p] = 0;
      continue;
    }
    if (framesLeft_[p] == 0) {
      // Two draws ANDed: each button is held with a chance of one in four.
      uint32_t buttons = Draw(p);
      buttons &= Draw(p);
      held_[p] = kDirectionSets[Draw(p) % 9] | ((buttons & 0x1Fu) << 4);
      framesLeft_[p] =
          kShortestHold + static_cast<int>(Draw(p) % (kLongestHold - kShortestHold + 1));
    }
    --framesLeft_[p];
    inputs[p] = held_[p];
  }
}

}  // namespace battlesim
