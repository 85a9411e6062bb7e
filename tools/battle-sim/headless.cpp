#include "tools/battle-sim/headless.h"

#include <stdlib.h>
#include <unistd.h>

#include <cctype>
#include <filesystem>
#include <system_error>

#include "game/battle/cpu_player.h"
#include "game/core/data_files.h"
#include "game/core/frame_state.h"
#include "game/core/match_setup.h"
#include "game/core/records.h"
#include "game/core/scenes.h"
#include "game/flow/flow.h"
#include "game/flow/menu_common.h"
#include "morrow/system/time.h"
#include "platform/input.h"
#include "platform/output_file.h"
#include "tools/battle-sim/sim_input.h"
#include "tools/lib/battlesupport/step_battle_frame.h"
#include "tools/lib/toolrun/tool_run.h"

namespace battlesim {

namespace {

namespace fs = std::filesystem;

constexpr int kColourSlots = 8;
constexpr int kTeamArenaVariant = 2;

// A machine without input devices: the input system cannot be made, so every pad or key read of
// the library answers 0 at once and nothing is ever started.
class NoInputService final : public platform::InputService {
 public:
  bool Start() override { return false; }
  void Stop() override {}
  platform::KeyboardOpen OpenKeyboard() override { return platform::KeyboardOpen::kNoDevice; }
  bool SetKeyboardBuffer(int) override { return false; }
  bool EnableKeyboardNotification() override { return false; }
  bool AcquireKeyboard() override { return false; }
  void CloseKeyboard() override {}
  bool ReadKeyboard(uint8_t*) override { return false; }
  int DrainKeyboardEvents(int) override { return 0; }
  bool KeyboardSignalled() override { return false; }
  void ResetKeyboardSignal() override {}
  int EnumeratePads() override { return 0; }
  bool OpenPad(int, platform::PadInfo*) override { return false; }
  bool EnablePadNotification(int) override { return false; }
  bool AcquirePad(int) override { return false; }
  platform::PadRead ReadPad(int, platform::PadState*) override {
    return platform::PadRead::kDetached;
  }
  bool PadSignalled(int) override { return false; }
  void ResetPadSignal(int) override {}
  void ClosePad(int) override {}
  void SystemKeyState(uint8_t* keys) override {
    for (int k = 0; k < platform::kKeyCount; ++k) keys[k] = 0;
  }
};

constexpr int kExtraStoryOpen = 2;  // the score file's unlock level that opens the extra story

// A file by its extension, in any case ("00.mpd", "00.MPD"); `extension` in lower case.
bool HasExtension(const fs::path& path, const char* extension) {
  std::string own = path.extension().string();
  for (char& c : own) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return own == extension;
}

// Copies the files of the folder `from` with `extension` into the folder `to`; `option` names
// `from` in messages. An entry with the extension that is no regular file (a folder, a named pipe)
// is refused, never opened: the game would not read it, and a pipe would hold the copy. A file
// larger than `limit` is refused too, with `limitIs` after the line saying what the limit is.
bool CopyFilesByExtension(const std::string& from, const fs::path& to, const char* extension,
                          const char* option, size_t limit, const char* limitIs,
                          std::string* error) {
  std::error_code ec;
  if (!fs::is_directory(from, ec)) {
    *error = std::string(option) + " " + from + " is not a folder";
    return false;
  }
  for (const fs::directory_entry& entry : fs::directory_iterator(from, ec)) {
    if (!HasExtension(entry.path(), extension)) continue;
    const std::string path = entry.path().string();
    std::string bytes, refusal;
    if (!toolrun::ReadWholeRegularFile(path, limit, &bytes, &refusal)) {
      *error = std::string(option) + " " + refusal +
               (refusal == toolrun::LargerThan(path, limit) ? limitIs : "");
      return false;
    }
    if (!platform::WriteWholeFile((to / entry.path().filename()).string(), bytes.data(),
                                  bytes.size(), &refusal)) {
      *error = "cannot copy " + path + ": " + refusal;
      return false;
    }
  }
  if (ec) {
    *error = std::string("cannot read ") + option + " " + from;
    return false;
  }
  return true;
}

// The colour slot the selection gives a player: the first its character has free.
int TakeColourSlot(int character) {
  for (int slot = 0; slot < kColourSlots; ++slot) {
    if (veyrdale::g_match.colourTaken[character][slot] == 0) {
      veyrdale::g_match.colourTaken[character][slot] = 1;
      return slot;
    }
  }
  return 0;
}

}  // namespace

void StartHeadless(const std::string& date) {
  const std::string clock = date.empty() ? "virtual" : "virtual:" + date;
  setenv("MORROW_CLOCK", clock.c_str(), 1);
  static NoInputService noInput;
  platform::InstallInputService(&noInput);
}

WorkFolder::~WorkFolder() {
  if (path_.empty()) return;
  std::error_code ec;
  fs::remove_all(path_, ec);
}

std::string WorkFolder::MapFolder() const {
  return (fs::path(path_) / "Resource" / "Mpd").string();
}

bool WorkFolder::Enter(const std::string& maps, std::string* error) {
  return Enter(maps, "", error);
}

bool WorkFolder::Enter(const std::string& maps, const std::string& scripts, std::string* error) {
  if (!Create(maps, error)) return false;
  if (!scripts.empty()) {
    const fs::path srd = fs::path(path_) / "Resource" / "Srd";
    std::error_code ec;
    if (!fs::create_directories(srd, ec)) {
      *error = "cannot make " + srd.string();
      return false;
    }
    if (!CopyFilesByExtension(scripts, srd, ".srd", "--scripts", toolrun::kInputLimit, "", error)) {
      return false;
    }
  }
  if (chdir(path_.c_str()) != 0) {
    *error = "cannot enter " + path_;
    return false;
  }
  return true;
}

bool WorkFolder::Create(const std::string& maps, std::string* error) {
  std::error_code ec;
  std::string pattern = (fs::temp_directory_path(ec) / "battle-sim-XXXXXX").string();
  if (ec || mkdtemp(pattern.data()) == nullptr) {
    *error = "cannot make a temporary folder";
    return false;
  }
  // Absolute: the run moves into the folder, and must still find it to remove it.
  path_ = fs::absolute(pattern, ec).string();
  const fs::path mpd = MapFolder();
  if (!fs::create_directories(mpd, ec)) {
    *error = "cannot make " + mpd.string();
    return false;
  }
  return maps.empty() ||
         CopyFilesByExtension(maps, mpd, ".mpd", "--maps", veyrdale::kMaxArenaMapBytes,
                              ", more than the game reads of a map", error);
}

void SetOptions(const MatchSpec& match) {
  using veyrdale::g_options;
  veyrdale::WriteOptionDefaults();
  if (match.winCount >= 0) g_options.winCount = match.winCount;
  if (match.timeLimit >= 0) g_options.timeLimit = match.timeLimit;
  if (match.effectLevel >= 0) g_options.effectLevel = match.effectLevel;
  if (match.obstacle >= 0) g_options.obstacleStrength = match.obstacle;
  if (match.difficulty >= 0) g_options.difficulty = match.difficulty;
  // The word of the display settings file: the battle and the view read it as the game does.
  veyrdale::g_display.halfRatePresent = match.halfRate ? 1 : 0;
}

void SetUpBattle(const MatchSpec& match, uint32_t seed) {
  using veyrdale::g_match;
  SetOptions(match);

  g_match.playerCount = match.players;
  g_match.teamMode = match.teams.empty() ? 0 : 1;
  g_match.stage = match.arena;
  g_match.storyMode = 0;
  g_match.storyStage = 0;
  g_match.storyKind = 0;
  g_match.survivalMode = 0;
  for (int p = 0; p < 4; ++p) {
    g_match.cpuFlag[p] = 0;
    g_match.startGaugeLevel[p] = 1;
    g_match.handicap[p] = 2;
    g_match.team[p] = 0;
    g_match.colourSlot[p] = 0;
  }
  for (int p = 0; p < match.players && p < 4; ++p) {
    const int character = match.chars[static_cast<size_t>(p)];
    veyrdale::g_players[p].kind = static_cast<uint16_t>(character);
    g_match.characterCursor[p] = character;
    g_match.colourSlot[p] = TakeColourSlot(character);
    if (!match.teams.empty()) g_match.team[p] = match.teams[static_cast<size_t>(p)];
    if (!match.handicaps.empty()) g_match.handicap[p] = match.handicaps[static_cast<size_t>(p)];
    if (!match.cpu.empty()) g_match.cpuFlag[p] = match.cpu[static_cast<size_t>(p)];
  }
  // What the stage selection sets as it starts the battle.
  veyrdale::RoundWinner = 0;
  veyrdale::RoundNumber = 0;
  veyrdale::ArenaVariant = g_match.teamMode == 1 ? kTeamArenaVariant : 0;
  veyrdale::ResetCpuPlayers();
  veyrdale::LoadGameResources(1);

  morrow::SeedRandom(seed);
  veyrdale::SceneId = veyrdale::kSceneBattle;
  veyrdale::RoundFrame = 0;
  veyrdale::SceneFrame = 0;
}

bool SetUpStory(const MatchSpec& options, int kind, uint32_t seed) {
  SetOptions(options);
  veyrdale::g_scores.unlockLevel = kExtraStoryOpen;
  veyrdale::LoadGameResources(0);
  // Where the mode menu leaves the game for the story menu, whose cursor starts on the kind.
  veyrdale::g_match.stage = 0;
  veyrdale::MenuReturnCursor = kind;
  veyrdale::SceneId = veyrdale::kSceneStoryKind;
  veyrdale::SceneFrame = 0;
  const int press = PadBitsOfInputs(InputOfName("b1"));
  for (int f = 0; f < kStoryMenuFrames && veyrdale::SceneId != veyrdale::kSceneBattle; ++f) {
    const int bits[4] = {f % 2 == 1 ? press : 0, 0, 0, 0};
    veyrdale::StepGameFrame(bits);
  }
  if (veyrdale::SceneId != veyrdale::kSceneBattle) return false;
  morrow::SeedRandom(seed);
  return true;
}

}  // namespace battlesim
