// Battles run by the probe: a match as the menus leave it, a story stage, round starts, held inputs
// and frames through the frame loop's battle step, and the stage music.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "game/battle/arena.h"
#include "game/battle/battle.h"
#include "game/battle/directions.h"
#include "game/battle/story_stages.h"
#include "game/core/data_files.h"
#include "game/core/frame_state.h"
#include "game/core/input.h"
#include "game/core/match_setup.h"
#include "game/core/records.h"
#include "game/core/scenes.h"
#include "game/flow/flow.h"
#include "game/flow/move_table.h"
#include "game/flow/stage_media.h"
#include "tools/battle-probe/probe_args.h"
#include "tools/battle-probe/probe_commands.h"
#include "tools/lib/battlesupport/step_battle_frame.h"

namespace battleprobe {

namespace {

// Comma-separated integers, each within [min, max].
std::vector<int> ToIntList(const std::string& text, int min, int max) {
  std::vector<int> values;
  size_t start = 0;
  while (true) {
    size_t comma = text.find(',', start);
    values.push_back(static_cast<int>(ToInteger(text.substr(start, comma - start), min, max)));
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  return values;
}

// Every map the round starts of `arena` can choose from must load whole, as `map` asks of its
// file; `command` and the arena lead the line that names the first that would not.
void CheckArenaMaps(int arena, const std::string& command) {
  const veyrdale::ArenaMapChoice maps = veyrdale::ArenaMapsOf(arena);
  for (int n = maps.first; n < maps.first + maps.count; ++n) {
    const std::string problem = MapProblem(veyrdale::ArenaMapPath(n));
    if (!problem.empty()) {
      Fail(command + ": arena " + std::to_string(arena) + ": map " + problem);
    }
  }
}

}  // namespace

void Match(const Args& a) {
  int players = -1;
  int arena = 0;
  bool arenaGiven = false;
  bool survival = false;
  std::vector<int> chars;
  std::vector<int> teams;
  std::vector<int> handicaps;
  for (size_t i = 1; i < a.size(); ++i) {
    const std::string& word = a[i];
    size_t eq = word.find('=');
    std::string key = word.substr(0, eq);
    std::string value = eq == std::string::npos ? "" : word.substr(eq + 1);
    if (word == "survival") {
      survival = true;
    } else if (key == "players" && eq != std::string::npos) {
      players = static_cast<int>(ToInteger(value, 1, 4));
    } else if (key == "chars" && eq != std::string::npos) {
      chars = ToIntList(value, 0, 15);
    } else if (key == "arena" && eq != std::string::npos) {
      arena = ToInt(value);
      arenaGiven = true;
    } else if (key == "teams" && eq != std::string::npos) {
      teams = ToIntList(value, 0, 1);
    } else if (key == "handicap" && eq != std::string::npos) {
      handicaps = ToIntList(value, 0, 4);
    } else {
      Fail("match: unknown setting " + word);
    }
  }
  if (players < 0 || !arenaGiven) Fail("match: players= and arena= are needed");
  auto perPlayer = [players](const std::vector<int>& list, const char* name) {
    if (!list.empty() && static_cast<int>(list.size()) != players) {
      Fail(std::string("match: ") + name + " needs one value per player");
    }
  };
  if (chars.empty()) Fail("match: chars= is needed");
  perPlayer(chars, "chars");
  perPlayer(teams, "teams");
  perPlayer(handicaps, "handicap");

  veyrdale::MatchSetup& m = veyrdale::g_match;
  m.playerCount = players;
  m.teamMode = teams.empty() ? 0 : 1;
  m.stage = arena;
  m.storyMode = 0;
  m.storyStage = 0;
  m.storyKind = 0;
  m.survivalMode = survival ? 1 : 0;
  for (int p = 0; p < 4; ++p) {
    m.cpuFlag[p] = 0;
    m.startGaugeLevel[p] = 1;
    m.handicap[p] = 2;
    m.team[p] = 0;
  }
  for (int p = 0; p < players; ++p) {
    veyrdale::g_players[p].kind = static_cast<uint16_t>(chars[p]);
    if (!teams.empty()) m.team[p] = teams[p];
    if (!handicaps.empty()) m.handicap[p] = handicaps[p];
  }
  veyrdale::g_options.winCount = 1;
  veyrdale::g_options.timeLimit = 1;
  veyrdale::g_options.obstacleStrength = 1;
  veyrdale::InstallMoveTable();
  veyrdale::BuildTrigTables();
  // The arena's maps, from the current folder as the game reads them: its rounds take them.
  CheckArenaMaps(arena, "match");
  veyrdale::ReadStageArenaMaps(arena);
  veyrdale::SceneId = veyrdale::kSceneBattle;
  veyrdale::SceneFrame = 0;
  veyrdale::FreezeFrames = 0;
  veyrdale::RoundFrame = 0;
  veyrdale::RoundEndFrames = 0;
  veyrdale::RoundWinner = 0;
  veyrdale::RoundNumber = 0;
  veyrdale::StoryPreFight = 0;
  veyrdale::DemoFrames = 0;
}

void Story(const Args& a) {
  int kind = ToInt(a[1]);
  int stage = ToInt(a[2]);
  veyrdale::g_match.storyMode = 1;
  veyrdale::g_match.storyKind = kind;
  veyrdale::g_match.storyStage = stage;
  veyrdale::InitStageTypeTable(kind);
  veyrdale::SetupStoryStage(stage, kind);
  // As the game's stage set-up does, so that a round of this stage takes no map unread.
  CheckArenaMaps(veyrdale::g_match.stage, "story " + a[1] + " " + a[2]);
  veyrdale::ReadStageArenaMaps(veyrdale::g_match.stage);
}

void Round(const Args&) {
  using namespace veyrdale;
  // Past a round's frame 0 a round of this set-up has run: this one follows it on the same maps,
  // which a round end hands on when the match goes on.
  if (RoundFrame != 0) HandOnArenaMaps();
  StartAllPlayers();
  // Outside the story the battle's timing starts a round at its frame 0; the timing moved past
  // that start, the frames that follow go on with this round instead of starting it again.
  if (g_match.storyMode == 0) {
    RoundFrame = 1;
    RoundEndFrames = 0;
  }
}

namespace {

// Inputs held by `hold`: frames left per player and input.
int g_holdFrames[4][veyrdale::kInputCount];

// The pad bit of each counted input, in the order of Input.
constexpr int kInputBits[veyrdale::kInputCount] = {
    veyrdale::kPadDown,         veyrdale::kPadUp,           veyrdale::kPadLeft,
    veyrdale::kPadRight,        veyrdale::kPadButton0 << 0, veyrdale::kPadButton0 << 1,
    veyrdale::kPadButton0 << 2, veyrdale::kPadButton0 << 3, veyrdale::kPadButton0 << 4};

constexpr const char* kInputNames[veyrdale::kInputCount] = {"down", "up", "left", "right", "b1",
                                                            "b2",   "b3", "b4",   "b5"};

int InputOf(const std::string& name) {
  for (int k = 0; k < veyrdale::kInputCount; ++k) {
    if (name == kInputNames[k]) return k;
  }
  Fail("unknown input: " + name);
}

}  // namespace

void Hold(const Args& a) {
  int p = static_cast<int>(ToInteger(a[1], 0, 3));
  int frames = static_cast<int>(ToInteger(a.back(), 0, INT32_MAX));
  for (size_t i = 2; i + 1 < a.size(); ++i) g_holdFrames[p][InputOf(a[i])] = frames;
}

void TakeHeldPadBits(int bits[4]) {
  for (int p = 0; p < 4; ++p) {
    bits[p] = 0;
    for (int k = 0; k < veyrdale::kInputCount; ++k) {
      if (g_holdFrames[p][k] > 0) {
        bits[p] |= kInputBits[k];
        --g_holdFrames[p][k];
      }
    }
  }
}

void Frame(const Args& a) {
  long long frames = a.size() > 1 ? ToInteger(a[1], 0, INT32_MAX) : 1;
  for (long long f = 0; f < frames; ++f) {
    int bits[4];
    TakeHeldPadBits(bits);
    veyrdale::StepBattleFrame(bits);
  }
}

void Bgm(const Args& a) {
  const char* path = veyrdale::StageBgmPath(ToInt(a[1]), ToInt(a[2]));
  std::printf("%s\n", path == nullptr ? "-" : path);
}

}  // namespace battleprobe
