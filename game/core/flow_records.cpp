// The one definition of each game-flow record the rest of the game reads.
#include "game/core/data_files.h"
#include "game/core/frame_state.h"
#include "game/core/input.h"
#include "game/core/match_setup.h"
#include "game/core/option_cursors.h"
#include "game/core/resource_tables.h"
#include "game/core/scenario_state.h"
#include "game/core/scenes.h"
#include "game/core/sound_entries.h"

namespace veyrdale {

MatchSetup g_match;
int32_t SurvivalBossRound = 0;
int32_t SurvivalOpponentUsed[16] = {};
int32_t SurvivalArenaCycle = 0;
int32_t SurvivalLastPick = 0;
int32_t SurvivalLeaveCountdown = 0;

DisplaySettings g_display;
OptionSettings g_options;
ButtonMap g_buttonMap;
ScoreTable g_scores;
SurvivalRecord g_survival;

int32_t SoundHandles[kSoundCount] = {
    -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1,
    -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1,
    -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1,
    -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1};
uint16_t PictureIndex = 0;
uint16_t PreviousPictureIndex = 0;
uint16_t NamePlateFrames = 0;

int32_t HeldFrameCounts[kInputCount][4] = {};
int32_t PendingPressCounts[kInputCount][4] = {};

int32_t SceneId = kSceneTitleReturn;
int32_t SceneFrame = 0;
int32_t FrameCount = 0;
int32_t FreezeFrames = 0;
int32_t ExitRequested = 0;
int32_t SlowMotionFrames = 0;
int32_t CaptureGraph = 0;
uint8_t FadeCaptureRequest = 0;
int32_t FadeFrames = 0;
uint8_t SpellCaptureRequest = 0;
int32_t SpellFadeFrames = 0;
uint8_t ReversedControlsActive = 0;
int64_t FrameStartTime = 0;
int32_t DigitGraphs[10] = {-1, -1, -1, -1, -1, -1, -1, -1, -1, -1};
int32_t SmallDigitGraphs[10] = {-1, -1, -1, -1, -1, -1, -1, -1, -1, -1};
int32_t BigDigitGraphs[10] = {-1, -1, -1, -1, -1, -1, -1, -1, -1, -1};

int32_t OptionCursor = 0;
int32_t KeyConfigCursors[4] = {};
int32_t RecordsMenuCursor = 0;
int32_t ScoreTableCursor = 1;

}  // namespace veyrdale
