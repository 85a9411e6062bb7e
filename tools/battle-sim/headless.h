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
  // message when the folder cannot be made or `maps` is not a readable folder.
  bool Create(const std::string& maps, std::string* error);
  // Create, then make the folder the current one, which is where the game looks for Resource/.
  bool Enter(const std::string& maps, std::string* error);
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
  std::vector<int> cpu;  // computer flags, one per player; empty: every player is human
  int difficulty = -1;   // -1: the start-up default
};

// The set-up the game makes before scene 4, in the current folder: the option defaults and the
// options given, the match set-up as the menus leave it (start gauge level 1, handicap 2 unless
// given, each player on the first free colour of its character, the computer flags given or 0,
// the computer players' modes at their program-start zero),
// LoadGameResources(1) (move table, trig and stage-type tables, the reseed), then SeedRandom(seed),
// SceneId 4, RoundFrame 0, SceneFrame 0 and half-rate presentation off.
void SetUpBattle(const MatchSpec& match, uint32_t seed);

}  // namespace battlesim
