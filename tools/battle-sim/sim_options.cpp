#include "tools/battle-sim/sim_options.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

#include "game/battle/field_table.h"
#include "game/core/match_setup.h"
#include "platform/clock.h"
#include "tools/battle-sim/sim_input.h"

namespace battlesim {

bool ParseInteger(const std::string& text, int64_t min, int64_t max, int64_t* out) {
  if (text.empty() || text.size() > 20) return false;
  errno = 0;
  char* end = nullptr;
  const long long v = std::strtoll(text.c_str(), &end, 10);
  if (errno != 0 || end != text.c_str() + text.size() || v < min || v > max) return false;
  // strtoll also takes leading blanks and a plus sign; a number here is digits only.
  const char first = text[0];
  if (first != '-' && (first < '0' || first > '9')) return false;
  *out = v;
  return true;
}

bool ParseList(const std::string& text, int min, int max, std::vector<int>* out) {
  out->clear();
  size_t start = 0;
  while (true) {
    const size_t comma = text.find(',', start);
    int64_t v = 0;
    if (!ParseInteger(text.substr(start, comma - start), min, max, &v)) return false;
    out->push_back(static_cast<int>(v));
    if (comma == std::string::npos) return true;
    start = comma + 1;
  }
}

bool ParseIntegerRange(const std::string& text, int64_t min, int64_t max, int64_t* a, int64_t* b) {
  // From the second character, so that a leading minus is read as part of A.
  const size_t dash = text.find('-', 1);
  return dash != std::string::npos && ParseInteger(text.substr(0, dash), min, max, a) &&
         ParseInteger(text.substr(dash + 1), min, max, b);
}

namespace {

constexpr int kMaxPlayers = 4;
constexpr int kCharacters = 16;
constexpr int64_t kMaxFrames = INT32_MAX;
constexpr int kMaxJobs = 64;

bool ParseUnsigned64(const std::string& text, uint64_t* out) {
  if (text.empty() || text.size() > 20) return false;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  errno = 0;
  char* end = nullptr;
  const unsigned long long v = std::strtoull(text.c_str(), &end, 10);
  if (errno != 0 || end != text.c_str() + text.size()) return false;
  *out = v;
  return true;
}

std::string Range(int64_t min, int64_t max) {
  return "a whole number from " + std::to_string(min) + " to " + std::to_string(max);
}

// NAME=VALUE@FRAME, the name resolved through the field table and the value read by its type.
bool ParseCorrupt(const std::string& text, CorruptWrite* out, std::string* error) {
  const size_t eq = text.find('=');
  const size_t at = text.rfind('@');
  if (eq == std::string::npos || at == std::string::npos || at < eq) {
    *error = "--corrupt needs NAME=VALUE@FRAME, not " + text;
    return false;
  }
  out->name = text.substr(0, eq);
  const std::string value = text.substr(eq + 1, at - eq - 1);
  veyrdale::FieldRef ref{};
  if (!veyrdale::ResolveField(out->name, &ref)) {
    *error = "--corrupt: no field named " + out->name;
    return false;
  }
  if (ref.type == veyrdale::FieldType::kF32) {
    char* end = nullptr;
    out->isFloat = true;
    out->real = std::strtof(value.c_str(), &end);
    if (value.empty() || end != value.c_str() + value.size()) {
      *error = "--corrupt: " + out->name + " takes a number, not " + value;
      return false;
    }
  } else if (!ParseInteger(value, INT64_MIN, INT64_MAX, &out->integer)) {
    *error = "--corrupt: " + out->name + " takes a whole number, not " + value;
    return false;
  }
  if (!ParseInteger(text.substr(at + 1), 1, kMaxFrames, &out->frame)) {
    *error = "--corrupt: the frame after @ must be " + Range(1, kMaxFrames);
    return false;
  }
  return true;
}

struct Parser {
  const std::vector<std::string>& args;
  SimOptions* o;
  std::string* error;
  std::vector<std::string> seen;
  bool cpuAll = false;

  bool Fail(const std::string& message) {
    *error = message;
    return false;
  }

  bool Integer(const std::string& option, const std::string& value, int64_t min, int64_t max,
               int64_t* out) {
    if (ParseInteger(value, min, max, out)) return true;
    return Fail(option + " needs " + Range(min, max) + ", not '" + value + "'");
  }

  bool Int(const std::string& option, const std::string& value, int min, int max, int* out) {
    int64_t v = 0;
    if (!Integer(option, value, min, max, &v)) return false;
    *out = static_cast<int>(v);
    return true;
  }

  bool List(const std::string& option, const std::string& value, int min, int max,
            std::vector<int>* out) {
    if (ParseList(value, min, max, out)) return true;
    return Fail(option + " needs comma-separated whole numbers from " + std::to_string(min) +
                " to " + std::to_string(max) + ", not '" + value + "'");
  }

  bool Option(const std::string& option, const std::string& value) {
    if (option == "--seed") {
      int64_t v = 0;
      if (!Integer(option, value, 0, UINT32_MAX, &v)) return false;
      o->seedGiven = true;
      o->seed = static_cast<uint32_t>(v);
    } else if (option == "--seeds") {
      int64_t a = 0;
      int64_t b = 0;
      if (!ParseIntegerRange(value, 0, UINT32_MAX, &a, &b)) {
        return Fail("--seeds needs A-B, two whole numbers from 0 to 4294967295, not '" + value +
                    "'");
      }
      if (a > b) return Fail("--seeds " + value + ": the range is out of order");
      o->seedsGiven = true;
      o->firstSeed = static_cast<uint32_t>(a);
      o->lastSeed = static_cast<uint32_t>(b);
    } else if (option == "--date") {
      platform::LocalDateTime date;
      if (!platform::ParseDateTime(value.c_str(), &date)) {
        return Fail("--date needs YYYY-MM-DDThh:mm:ss, not '" + value + "'");
      }
      o->date = value;
    } else if (option == "--players") {
      return Int(option, value, 1, kMaxPlayers, &o->players);
    } else if (option == "--chars") {
      o->charsRandom = value == "random";
      if (o->charsRandom) return true;
      return List(option, value, 0, kCharacters - 1, &o->chars);
    } else if (option == "--cpu") {
      if (value == "all") {
        o->cpu.assign(kMaxPlayers, 1);
        cpuAll = true;
        return true;
      }
      return List(option, value, 0, 1, &o->cpu);
    } else if (option == "--difficulty") {
      return Int(option, value, 0, 3, &o->difficulty);
    } else if (option == "--jobs") {
      return Int(option, value, 1, kMaxJobs, &o->jobs);
    } else if (option == "--teams") {
      return List(option, value, 0, 1, &o->teams);
    } else if (option == "--handicap") {
      return List(option, value, 0, 4, &o->handicaps);
    } else if (option == "--arena") {
      return Int(option, value, 0, veyrdale::kArenaCount - 1, &o->arena);
    } else if (option == "--win-count") {
      return Int(option, value, 0, 2, &o->winCount);
    } else if (option == "--time-limit") {
      return Int(option, value, 0, 2, &o->timeLimit);
    } else if (option == "--effect-level") {
      return Int(option, value, 0, 1, &o->effectLevel);
    } else if (option == "--obstacle") {
      return Int(option, value, 0, 2, &o->obstacle);
    } else if (option == "--maps") {
      o->maps = value;
    } else if (option == "--input") {
      o->input = value;
    } else if (option == "--input-seed") {
      if (!ParseUnsigned64(value, &o->inputSeed)) {
        return Fail("--input-seed needs a whole number from 0 to 18446744073709551615, not '" +
                    value + "'");
      }
      o->inputSeedGiven = true;
    } else if (option == "--frames") {
      return Integer(option, value, 1, kMaxFrames, &o->frames);
    } else if (option == "--trace") {
      o->trace = value;
    } else if (option == "--story") {
      if (value != "main" && value != "extra") {
        return Fail("--story needs main or extra, not '" + value + "'");
      }
      o->story = value == "main" ? 0 : 1;
    } else if (option == "--scripts") {
      o->scripts = value;
    } else if (option == "--corrupt") {
      CorruptWrite write;
      if (!ParseCorrupt(value, &write, error)) return false;
      o->corrupt.push_back(write);
    }
    return true;
  }

  bool Run() {
    static const char* const kWithValue[] = {
        "--seed",         "--seeds",    "--date",    "--players",   "--chars",
        "--teams",        "--handicap", "--arena",   "--win-count", "--time-limit",
        "--effect-level", "--obstacle", "--maps",    "--input",     "--input-seed",
        "--frames",       "--trace",    "--corrupt", "--cpu",       "--difficulty",
        "--jobs",         "--story",    "--scripts"};
    for (size_t i = 0; i < args.size(); ++i) {
      const std::string& option = args[i];
      if (option == "--check-invariants") {
        o->checkInvariants = true;
        continue;
      }
      if (option == "--final-hash") {
        o->finalHash = true;
        continue;
      }
      if (option == "--force-cards") {
        o->forceCards = true;
        continue;
      }
      if (option == "--half-rate") {
        o->halfRate = true;
        continue;
      }
      if (option == "--frame-digest") {
        o->frameDigest = true;
        continue;
      }
      bool known = false;
      for (const char* name : kWithValue) known = known || option == name;
      if (!known) return Fail("unknown option '" + option + "'");
      if (i + 1 >= args.size()) return Fail(option + " needs a value");
      if (option != "--corrupt") {
        if (Given(option.c_str())) return Fail(option + " is given twice");
        seen.push_back(option);
      }
      if (!Option(option, args[++i])) return false;
    }
    return Check();
  }

  bool PerPlayer(const char* option, const std::vector<int>& list) {
    if (list.empty() || static_cast<int>(list.size()) == o->players) return true;
    return Fail(std::string(option) + " needs one value per player (" + std::to_string(o->players) +
                ")");
  }

  bool Given(const char* option) const {
    for (const std::string& s : seen) {
      if (s == option) return true;
    }
    return false;
  }

  // What holds for every run: the input from one source, the writes within the run.
  bool CheckRun() {
    if (!o->input.empty() && o->inputSeedGiven) {
      return Fail("--input and --input-seed do not go together");
    }
    for (const CorruptWrite& w : o->corrupt) {
      if (w.frame > o->frames) {
        return Fail("--corrupt " + w.name + ": frame " + std::to_string(w.frame) +
                    " is after the last frame " + std::to_string(o->frames));
      }
    }
    return true;
  }

  bool CheckStory() {
    if (!o->seedGiven) return Fail("--story runs one --seed N");
    for (const char* option :
         {"--players", "--chars", "--teams", "--handicap", "--cpu", "--arena", "--jobs"}) {
      if (Given(option)) {
        return Fail(std::string(option) +
                    " does not go with --story: its stages choose players and arenas");
      }
    }
    if (o->scripts.empty()) return Fail("--story needs --scripts DIR");
    if (o->frames == 0) return Fail("--frames is needed");
    o->players = kMaxPlayers;
    return CheckRun();
  }

  bool Check() {
    if (o->story >= 0) return CheckStory();
    if (!o->scripts.empty()) return Fail("--scripts goes with --story only");
    if (o->seedGiven == o->seedsGiven) return Fail("one of --seed N and --seeds A-B is needed");
    if (o->players == 0) return Fail("--players is needed");
    if (o->chars.empty() && !o->charsRandom) return Fail("--chars is needed");
    if (cpuAll) o->cpu.resize(static_cast<size_t>(o->players));
    if (o->arena < 0) return Fail("--arena is needed");
    if (o->frames == 0) return Fail("--frames is needed");
    if (!PerPlayer("--chars", o->chars) || !PerPlayer("--teams", o->teams) ||
        !PerPlayer("--handicap", o->handicaps) || !PerPlayer("--cpu", o->cpu)) {
      return false;
    }
    if (!o->teams.empty()) {
      // As the team menu allows: each team holds at least one player.
      int team1 = 0;
      for (int t : o->teams) team1 += t;
      if (team1 == 0 || team1 == o->players) return Fail("--teams needs players on both teams");
    }
    if (o->seedsGiven && !o->trace.empty()) {
      return Fail("--trace and --seeds do not go together (one trace per run)");
    }
    return CheckRun();
  }
};

}  // namespace

bool ParseSimOptions(const std::vector<std::string>& args, SimOptions* out, std::string* error) {
  *out = SimOptions{};
  Parser parser{args, out, error, {}};
  return parser.Run();
}

std::vector<std::string> ArgsForSeed(const SimOptions& soak, const std::vector<std::string>& args,
                                     uint32_t seed) {
  std::vector<std::string> result;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--seeds" && i + 1 < args.size()) {
      result.push_back("--seed");
      result.push_back(std::to_string(seed));
      ++i;
    } else if (args[i] == "--chars" && soak.charsRandom && i + 1 < args.size()) {
      std::string list;
      for (int c : RandomCharsForSeed(seed, soak.players)) {
        list += (list.empty() ? "" : ",") + std::to_string(c);
      }
      result.push_back("--chars");
      result.push_back(list);
      ++i;
    } else if (args[i] == "--jobs" && i + 1 < args.size()) {
      ++i;
    } else if (args[i] != "--final-hash") {
      result.push_back(args[i]);
    }
  }
  if (soak.input.empty() && !soak.inputSeedGiven) {
    result.push_back("--input-seed");
    result.push_back(std::to_string(seed));
  }
  result.push_back("--final-hash");
  return result;
}

std::vector<int> RandomCharsForSeed(uint32_t seed, int players) {
  // Apart from the input generator's streams, which start from seed x 4 + p.
  constexpr uint64_t kCharsStream = uint64_t{1} << 40;
  std::vector<int> chars;
  for (int p = 0; p < players; ++p) {
    const uint64_t z = MixSeed(kCharsStream + uint64_t{seed} * 4 + static_cast<uint64_t>(p));
    chars.push_back(static_cast<int>(z % kCharacters));
  }
  return chars;
}

const char* SimUsage() {
  return "usage: battle-sim (--seed N | --seeds A-B) [--date YYYY-MM-DDThh:mm:ss]\n"
         "         --players N --chars A,B,..|random [--teams T,..] [--handicap H,..] --arena A\n"
         "         [--cpu all|F,..] [--difficulty D] [--jobs N]\n"
         "         [--win-count K] [--time-limit T] [--effect-level L] [--obstacle S]\n"
         "         [--maps DIR] [--input FILE | --input-seed N] --frames N\n"
         "         [--trace FILE] [--check-invariants] [--corrupt NAME=VALUE@FRAME]...\n"
         "         [--force-cards] [--half-rate]\n"
         "         [--final-hash] [--frame-digest]\n"
         "       battle-sim --seed N --story main|extra --scripts DIR [--date ...] [--difficulty "
         "D]\n"
         "         [--win-count K] [--time-limit T] [--effect-level L] [--obstacle S]\n"
         "         [--maps DIR] [--input FILE | --input-seed N] --frames N [--trace FILE]\n"
         "         [--check-invariants] [--corrupt NAME=VALUE@FRAME]... [--force-cards]\n"
         "         [--half-rate] [--final-hash] [--frame-digest]\n";
}

}  // namespace battlesim
