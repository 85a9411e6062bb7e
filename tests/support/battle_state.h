// A clean battle for each test: every pool, per-player array, battle global, map, set-up and
// option back at its start value, the stand-ins' records and actions cleared, and a match set up
// as the menus leave it before scene 4.
#pragma once

#include <vector>

#include "game/battle/access.h"
#include "game/battle/arena.h"
#include "game/battle/battle.h"
#include "game/battle/cpu_player.h"
#include "game/battle/directions.h"
#include "game/battle/player_control.h"
#include "game/core/data_files.h"
#include "game/core/frame_state.h"
#include "game/core/input.h"
#include "game/core/match_setup.h"
#include "game/core/records.h"
#include "game/core/scenario_state.h"
#include "game/flow/flow.h"
#include "game/flow/glyph_text.h"
#include "game/flow/move_table.h"
#include "game/flow/scenario.h"

namespace testsupport {

template <typename T, int N>
void Zero(T (&array)[N]) {
  for (T& element : array) element = T{};
}

inline void ResetBattleState() {
  using namespace veyrdale;
  ClearBattlePools();
  Zero(g_arenaMap.cells);
  for (ArenaMapImage& image : g_arenaMapFiles) image = ArenaMapImage{};
  Zero(MoveTable);
  g_playerState = PlayerBattleState{};
  cardsBroken = 0;
  RoundFrame = RoundEndFrames = RoundWinner = StoryPreFight = StoryScriptFade = 0;
  FrameBudget = ScreenShake = FlashFrames = FlashLength = ContinuePause = EndingFade = 0;
  DemoFrames = CutInFrames = CutInAttacker = CutInVictim = LiveShotCount = LastKnockedOut = 0;
  RoundNumber = 0;
  Zero(StageTypeTable);
  SpellScreenActive = 0;
  ArenaVariant = 0;
  for (auto& slot : PortraitHandles) Zero(slot);
  RouteFlagA = RouteFlagB = RouteFlagC = 0;
  ContinueChoice = 0;
  LoadingPicture = -1;
  IndexMisses = 0;
  g_match = MatchSetup{};
  SurvivalBossRound = 0;
  Zero(SurvivalOpponentUsed);
  SurvivalArenaCycle = SurvivalLastPick = SurvivalLeaveCountdown = 0;
  // No difficulty a survival round of an earlier test set aside comes back in this one.
  RestorePlayerDifficulty();
  g_options = OptionSettings{};
  g_display = DisplaySettings{};
  g_buttonMap = ButtonMap{};
  for (auto& counts : HeldFrameCounts) Zero(counts);
  for (auto& counts : PendingPressCounts) Zero(counts);
  SceneId = 4;
  SceneFrame = FrameCount = FreezeFrames = ExitRequested = SlowMotionFrames = 0;
  FadeCaptureRequest = SpellCaptureRequest = ReversedControlsActive = 0;
  FadeFrames = SpellFadeFrames = 0;
  PictureIndex = PreviousPictureIndex = 0;
  Zero(ScriptBuffer);
  ScriptReadPointer = 0;
  Zero(MessageGrid);
  for (auto& row : EndingTextRows) Zero(row);
  SpeakerSlot = 0;
  PortraitSlots[0] = PortraitSlots[1] = kNoPortrait;
  Zero(PortraitExpressions);
  SpeakerChanged = 0;
  ScriptWait = 0;
  PictureFadeFrames = NamePlateFrames = 0;
  for (int i = 0; i < kGlyphSheetCount; ++i) GlyphSheetsA[i] = GlyphSheetsB[i] = -1;
  ResetCpuPlayers();
  BuildTrigTables();
}

// The arena maps as a stage's set-up leaves them in a tree without maps: every one tried and
// unreadable. A round may start on any arena then, and its grid stays as it was, as before any
// set-up.
inline void MarkArenaMapsUnreadable() {
  using veyrdale::ArenaMapImage;
  for (ArenaMapImage& image : veyrdale::g_arenaMapFiles) {
    image = ArenaMapImage{};
    image.kind = ArenaMapImage::Kind::kUnreadable;
  }
}

// A versus match of the given characters in arena `arena` (-1: no map), start gauge level 1 and
// handicap 2 for everyone, the move table installed, scene 4 at round frame 0; its stage set up
// in a tree without maps.
inline void SetUpMatch(const std::vector<int>& characters, int arena = -1) {
  using namespace veyrdale;
  ResetBattleState();
  MarkArenaMapsUnreadable();
  g_match.playerCount = static_cast<int>(characters.size());
  int p = 0;
  for (int character : characters) g_players[p++].kind = static_cast<uint16_t>(character);
  for (int i = 0; i < 4; ++i) {
    g_match.startGaugeLevel[i] = 1;
    g_match.handicap[i] = 2;
  }
  g_match.stage = arena;
  InstallMoveTable();
}

// Where ReadyCaster puts player p: (x + dx p, y + dy p).
struct Spread {
  float x, y, dx, dy;
};

// A round under way (RoundFrame 400): player 0 of `character` against players - 1 players of
// character 1, placed by `at`, each with full life and meter; player 0's spell gauge is full.
inline veyrdale::BattleObject& ReadyCaster(int character, int players, Spread at) {
  using namespace veyrdale;
  std::vector<int> characters(static_cast<size_t>(players), 1);
  characters[0] = character;
  SetUpMatch(characters);
  RoundFrame = 400;
  for (int p = 0; p < players; ++p) {
    BattleObject& player = g_players[p];
    player.owner = static_cast<int16_t>(p);
    player.x = at.x + at.dx * p;
    player.y = at.y + at.dy * p;
    player.life = 350;
    player.meter = 700.0f;
  }
  g_playerState.spellGauge[0] = 100.0f;
  return g_players[0];
}

// ReadyCaster, then player 0 declares the card and the declaration freeze is over.
inline veyrdale::BattleObject& DeclaredCard(int character, int card, int players, Spread at) {
  veyrdale::BattleObject& caster = ReadyCaster(character, players, at);
  veyrdale::StartSpellCard(&caster, 0, card);
  veyrdale::FreezeFrames = 0;
  return caster;
}

// Player p as a blow that takes its last life leaves it: in hit stun, with no life.
inline void KnockOut(int p) {
  veyrdale::g_players[p].state = veyrdale::kStateHitStun;
  veyrdale::g_players[p].stateTimer = 16;
  veyrdale::g_players[p].life = 0;
}

}  // namespace testsupport
