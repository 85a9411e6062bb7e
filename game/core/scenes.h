// The scenes of the game, by the numbers SceneId holds. The frame loop runs the scene of the
// current number once a frame; a scene changes scene by writing the next number. A number with
// no name here (5, 14, 17-19, anything above 30) runs no scene: such a frame only clears, reads
// input, shows the frame rate and presents.
#pragma once

#include <cstdint>

namespace veyrdale {

enum SceneNumber : int32_t {
  kSceneTitle = 0,            // title and main menu; the demonstration battle starts here
  kSceneModeMenu = 1,         // story, versus, team versus, survival
  kSceneCharacterSelect = 2,  // versus and survival
  kSceneStageSelect = 3,      // the arena, then the count to the battle
  kSceneBattle = 4,
  kSceneQuit = 6,                  // the quit sequence
  kSceneWinQuote = 7,              // win quote and statistics after a versus match
  kScenePlayerCount = 8,           // two to four players
  kSceneTitleReturn = 9,           // opening and return-to-title pictures; the first scene
  kSceneStoryRoundResult = 10,     // a story stage's result and score tally
  kSceneStoryKind = 11,            // main or extra story
  kSceneTeamCharacterSelect = 12,  // team versus
  kSceneTeamAssign = 13,           // two teams
  kSceneOptions = 15,
  kSceneKeyConfig = 16,
  kSceneGameOver = 20,  // the end of a story run: the game-over picture, then the high scores
  kSceneStoryEnd = 21,  // the story's last stage: its closing script, then the ending
  kSceneEnding = 22,    // the ending sequence
  kSceneRecordsMenu = 23,
  kSceneMainStoryScores = 24,
  kScenePicturePage = 25,
  kSceneExtraStoryScores = 26,
  kSceneUnlockPicture = 27,  // the picture after the ending
  kSceneExtraEpilogue = 28,  // dialogue after the extra story's ending
  kSceneSurvivalResult = 29,
  kSceneSurvivalRecords = 30,  // survival records per character
};

}  // namespace veyrdale
