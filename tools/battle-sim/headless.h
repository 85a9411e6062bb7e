// A battle without the library's devices, as the battle runner and the battle benchmark run it.
//
// Graphics, sound and input are never started, so every library call the battle makes answers at
// once: drawing and sound calls with -1, pad and key reads with 0. Nothing waits and nothing
// exits. The clock is the platform's virtual clock, so the date the resource loader reseeds from
// is fixed.
#pragma once

#include <string>
#include <vector>

namespace battlesim {

// Selects the virtual clock starting at `date` (YYYY-MM-DDThh:mm:ss; empty for the clock's own
// start) and a machine without input devices. Call it before anything reads the clock.
void StartHeadless(const std::string& date);

// A fresh temporary folder that holds only Resource/Mpd, with the map files (*.mpd) of a folder
// copied in; removed with its contents when it goes.
class WorkFolder {
 public:
  WorkFolder() = default;
  ~WorkFolder();
  WorkFolder(const WorkFolder&) = delete;
  WorkFolder& operator=(const WorkFolder&) = delete;

  // Makes the folder and copies the map files of `maps` (none when empty). false with a
  // message when the folder cannot be made, `maps` is not a readable folder, or a map file there
  // is no regular file or is larger than the game reads of a map (veyrdale::kMaxArenaMapBytes).
  bool Create(const std::string& maps, std::string* error);
  // Create, then make the folder the current one, which is where the game looks for Resource/.
  bool Enter(const std::string& maps, std::string* error);
  // The same with the scenario scripts (*.srd) of `scripts` (none when empty, none larger than
  // the tools' limit) copied into Resource/Srd as well.
  bool Enter(const std::string& maps, const std::string& scripts, std::string* error);
  const std::string& path() const { return path_; }
  // Resource/Mpd inside the folder, where the game reads its maps.
  std::string MapFolder() const;

 private:
  std::string path_;
};

// What the menus leave before the battle starts.
struct MatchSpec {
  int players = 2;
  std::vector<int> chars;      // one per player
  std::vector<int> teams;      // empty: free for all
  std::vector<int> handicaps;  // empty: 2 for everyone
  int arena = 0;
  int winCount = -1;  // -1: the start-up default of each option
  int timeLimit = -1;
  int effectLevel = -1;
  int obstacle = -1;
  std::vector<int> cpu;   // computer flags, one per player; empty: every player is human
  int difficulty = -1;    // -1: the start-up default
  bool halfRate = false;  // the display setting of half-rate presentation
};

// The options of the option menu given in a match (-1 keeps the start-up default) and the display
// setting of half-rate presentation, over the start-up defaults.
void SetOptions(const MatchSpec& match);

// The set-up the game makes before scene 4, in the current folder: the option defaults and the
// options given, the match set-up as the menus leave it (start gauge level 1, handicap 2 unless
// given, each player on the first free colour of its character, the computer flags given or 0,
// the computer players' modes at their program-start zero),
// LoadGameResources(1) (move table, trig and stage-type tables, the reseed), then SeedRandom(seed),
// SceneId 4, RoundFrame 0, SceneFrame 0 and half-rate presentation as given (off unless asked).
void SetUpBattle(const MatchSpec& match, uint32_t seed);

// The story kinds of the story menu.
constexpr int kMainStory = 0;
constexpr int kExtraStory = 1;

// A story run of `kind` started as a player starts it, in the current folder: the options of
// `options` (SetOptions; its players, characters, teams, arena and computer flags are the story's
// own and not read), a score file that has opened the extra story, the menu resources
// (LoadGameResources(0)), then the story menu itself, its cursor on `kind`, run through the frame
// loop's body with player 0 pressing button 1 on every second frame until its countdown has
// started the first stage (scene 4); then SeedRandom(seed). false when the menu did not start the
// story within kStoryMenuFrames frames.
constexpr int kStoryMenuFrames = 600;
bool SetUpStory(const MatchSpec& options, int kind, uint32_t seed);

}  // namespace battlesim
