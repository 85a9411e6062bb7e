// The battle frame: the round's timing, then (unless time is frozen) the simulation of every pool,
// the special-move cut-ins around the drawing point, the round end with its story and survival
// branches, the ending fade and the end of the demonstration battle. The frame runs in two halves
// around the drawing point; the scene (game/flow/battle_scene.cpp) draws between them when the
// frame is drawn, and carries out the outcome the second half answers.
#include <cstdint>

#include "game/battle/access.h"
#include "game/battle/arena.h"
#include "game/battle/battle.h"
#include "game/battle/cpu_player.h"
#include "game/battle/player_control.h"
#include "game/battle/scene_parts.h"
#include "game/core/data_files.h"
#include "game/core/frame_state.h"
#include "game/core/input.h"
#include "game/core/numeric.h"
#include "game/core/resource_tables.h"
#include "game/core/scenario_state.h"
#include "game/core/sound_entries.h"
#include "morrow/sound/sound.h"
#include "morrow/system/input.h"
#include "morrow/system/time.h"

namespace veyrdale::battle_scene {

bool g_powerUpHeld[4];

namespace {

constexpr int kDemoLoadingSign = 6199;
constexpr int kDemoEnd = 6200;

void RunArenaEvents() {
  if (StoryPreFight != 0) return;
  const int f = SceneFrame;
  if (g_match.stage == 4 && f > 800) {
    const int period = f < 2200   ? 300
                       : f < 3000 ? 260
                       : f < 3600 ? 220
                       : f < 4100 ? 190
                       : f < 4500 ? 160
                                  : 100;
    if (f % period == 0) PlaceArenaObjects();
  } else if (g_match.stage == 9) {
    if (f > 1000 && f % 1200 == 0) PlaceArenaObjects();
    if (f % 16 == 1) CreateEffect(&g_players[0], 115);
    if (f == 2800) CreateEffect(&g_players[0], 116);
    if (f == 5500) CreateEffect(&g_players[0], 117);
  }
}

void Simulate() {
  const int inPlay = PlayersInPlay();
  for (bool& held : g_powerUpHeld) held = false;
  // Companions, markers and ground marks, the gauge at the frame's start.
  for (int p = 0; p < inPlay; ++p) {
    BattleObject& companion = g_companions[p];
    if (companion.state == 1) {
      UpdateCompanionFollow(&companion, p);
    } else if (companion.state == 2) {
      UpdateCompanionLaunched(&companion, p);
    }
  }
  for (int p = 0; p < inPlay; ++p) {
    if (g_markerPoints[p].timer > 0) --g_markerPoints[p].timer;
    GroundMark& mark = g_groundMarks[p];
    if (mark.timer > 0) {
      --mark.timer;
      if (mark.timer % 12 == 1) {
        BattleObject source{};
        source.kind = g_players[p].kind;
        source.x = mark.x;
        source.y = mark.y;
        source.owner = static_cast<int16_t>(p);
        CreateEffect(&source, 63);
      }
    }
  }
  for (int p = 0; p < inPlay; ++p) {
    S().gaugeAtFrameStart[p] = static_cast<uint16_t>(TruncToInt(S().spellGauge[p]));
  }
  // Shots in slot order.
  LiveShotCount = 0;
  for (int slot = 0; slot < kShotCount; ++slot) {
    BattleObject& shot = g_shots[slot];
    if (SceneFrame % 2 == 0) ShiftTrails(shot, shot.stateTimer != 0);
    if (shot.state == 1) {
      ++LiveShotCount;
      UpdateShot(&shot, slot);
    }
  }
  // Players.
  for (int p = 0; p < inPlay; ++p) UpdatePlayer(p);
  // The spell screen and reversed controls end once nothing keeps them.
  bool cardRunning = false;
  bool powerUpsDone = true;
  bool reversalsDone = true;
  for (int p = 0; p < inPlay; ++p) {
    if (g_players[p].state == kStateSpellCard) cardRunning = true;
    if (S().powerUp[p] > 0 && !g_powerUpHeld[p]) powerUpsDone = false;
    if (S().reverseTimer[p] > 0) reversalsDone = false;
  }
  if (!cardRunning && powerUpsDone) SpellScreenActive = 0;
  if (!cardRunning && reversalsDone) ReversedControlsActive = 0;
  // Items, arena events, familiars, gauge notices, effects.
  for (int slot = 0; slot < kItemCount; ++slot) {
    if (g_itemFlags[slot] >= 1) UpdateItem(&g_items[slot], slot);
  }
  RunArenaEvents();
  for (BattleObject& familiar : g_familiars) {
    if (familiar.state >= 1) UpdateFamiliar(&familiar);
  }
  for (int p = 0; p < inPlay; ++p) {
    const int before = S().gaugeAtFrameStart[p];
    const float gauge = S().spellGauge[p];
    if ((before < 100 && gauge >= 100.0f) || (before < 200 && gauge >= 200.0f)) {
      for (int k = 0; k < 3; ++k) CreateEffect(&g_players[p], 1);
      PlaySoundEntry(kSoundSpell);
    }
  }
  for (int slot = 0; slot < kEffectCount; ++slot) {
    if (g_effectInUse[slot] == 1) UpdateEffect(&g_effects[slot], slot);
  }
}

BattleObject* CutInPlayer(int index) {
  return index >= 0 && index < 4 ? &g_players[index] : nullptr;
}

void StartCutIn() {
  const BattleObject* attacker = CutInPlayer(CutInAttacker);
  if (CutInFrames == 128 && attacker != nullptr && attacker->kind == 10) {
    PlaySoundEntry(kSoundCSpell);
    SpellCaptureRequest = 1;
    ScreenShake = 28;
    SlowMotionFrames = 20;
  }
}

// Character 5's card with the freeze: its drum beats.
void PlayCardSounds() {
  if (FreezeFrames <= 0) return;
  const int inPlay = PlayersInPlay();
  for (int p = 0; p < inPlay; ++p) {
    const BattleObject& player = g_players[p];
    if (player.kind != 5 || player.state != kStateSpellCard || player.stateTimer != 123 ||
        S().cardChoice[p] != 1 || player.rooted != 1) {
      continue;
    }
    if (FreezeFrames == 64) PlaySoundEntry(kSoundE5);
    if (FreezeFrames > 80 && FreezeFrames <= 220 && (240 - FreezeFrames) % 32 == 0) {
      PlaySoundEntry(kSoundE1 + morrow::GetRandomNumber(3));
    }
    return;
  }
}

void RunCutIn() {
  if (FreezeFrames <= 0 || CutInFrames <= 0) return;
  BattleObject* attacker = CutInPlayer(CutInAttacker);
  BattleObject* victim = CutInPlayer(CutInVictim);
  if (attacker != nullptr && attacker->kind == 0) {
    switch (CutInFrames) {
      case 255:
      case 231:
      case 207:
      case 183:
      case 159:
      case 135:
      case 111:
        PlaySoundEntry(kSoundBomb);
        ScreenShake = 4;
        break;
      case 104:
        PlaySoundEntry(kSoundCSpell);
        ScreenShake = 40;
        break;
      default:
        break;
    }
  } else if (attacker != nullptr && attacker->kind == 10 && CutInFrames > 128 &&
             CutInFrames < 256 && CutInFrames % 4 == 0) {
    if (victim != nullptr) DispatchHitEffect(attacker, victim, 17);
    for (EffectRecord& ring : g_secondEffects) {
      if (ring.timer <= 0) continue;
      ring.x += ring.vx;
      ring.y += ring.vy;
      --ring.timer;
    }
  }
  --CutInFrames;
  if (CutInFrames != 0) return;
  if (attacker != nullptr && victim != nullptr) {
    const double d = MoveRow(CutInAttacker, 6).damage;
    const double handicap = static_cast<double>(g_match.handicap[CutInVictim]);
    victim->life = TruncToInt(victim->life - d - (2.0 - handicap) * 0.1 * d);
    StunIfFinished(*victim);
  }
  FlashFrames = FlashLength = 20;
}

void AwardSurvivalBonus() {
  BattleObject& player = g_players[0];
  const int64_t bonus =
      100 * (static_cast<int64_t>(player.life) + 100 * (static_cast<int64_t>(RoundNumber) + 1)) +
      20 * static_cast<int64_t>(S().itemCount[0]);
  S().score[0] = SaturateToInt(S().score[0] + bonus);
  BattleObject source{};
  source.kind = player.kind;
  source.x = player.x;
  source.y = player.y;
  source.owner = 0;
  source.stateTimer = SaturateToInt(bonus);
  CreateEffect(&source, 87);
  CreateEffect(&source, 88);
}

BattleOutcome RunRoundEnd() {
  if (RoundEndFrames == 120 && FreezeFrames == 0) SlowMotionFrames = 30;
  if (RoundEndFrames <= 0) return BattleOutcome::kGoesOn;
  const int inPlay = PlayersInPlay();
  for (int p = 0; p < inPlay; ++p) {
    BattleObject& player = g_players[p];
    const bool moving = player.state == kStateStand || player.state == kStateWalk ||
                        player.state == kStateSpecialMove;
    if (player.kind == 5 && S().powerUp[p] > 0 && moving) {
      EnterSpecialMove(player, p);
      S().powerUp[p] = 0;
      S().specialMode[p] = 8000;
    }
  }
  if (FreezeFrames == 0) --RoundEndFrames;
  for (int32_t& guard : S().recoveryGuard) guard = 100;
  if (RoundEndFrames != 0) return BattleOutcome::kGoesOn;
  RoundFrame = -100;
  ++RoundNumber;
  if (g_match.storyMode != 0) return EndStoryRound();
  if (g_match.survivalMode != 0 && RoundWinner == 1) AwardSurvivalBonus();
  // A round that decided no match leads to the match's next round on the maps its set-up read, and
  // so does every round of the demonstration until its time is up (RunRoundTiming); a story
  // stage's continue takes no maps.
  if (RoundWinner == 0 || DemoFrames >= kDemoStart) HandOnArenaMaps();
  return BattleOutcome::kGoesOn;
}

BattleOutcome RunDemonstrationEnd() {
  if (DemoFrames < kDemoStart) return BattleOutcome::kGoesOn;
  ++DemoFrames;
  // Any input on the keyboard or the first pad ends the demonstration; an input component that
  // never started answers -1, which is no input.
  if (PadBitsOrNone(morrow::GetPadInputBits(kPlayerDevice[0])) != 0) DemoFrames = kDemoLoadingSign;
  if (DemoFrames == kDemoLoadingSign) return BattleOutcome::kDemoLoading;
  if (DemoFrames == kDemoEnd) return BattleOutcome::kDemoOver;
  return BattleOutcome::kGoesOn;
}

}  // namespace

}  // namespace veyrdale::battle_scene

namespace veyrdale {

void StartAllPlayers() {
  for (int p = 0; p < 4; ++p) StartRound(&g_players[p], p);
}

BattleOutcome RunRoundTiming() {
  using namespace battle_scene;
  if (RoundFrame == 0 && DemoFrames < kDemoStart) {
    SceneFrame = 0;
    if (RoundWinner > 0) return BattleOutcome::kMatchOver;
  }
  if (RoundFrame == -1) FadeCaptureRequest = 1;
  if (RoundFrame >= 0 && RoundFrame < 300) {
    FrameBudget = g_options.timeLimit == 0 ? 6000 : 9900;
    if (StoryOrSurvival()) FrameBudget = 9900;
    if (RoundFrame == 0 && g_match.storyMode == 0) {
      RoundEndFrames = 0;
      StartAllPlayers();
    }
  }
  if (ContinuePause == 0) ++RoundFrame;
  return BattleOutcome::kGoesOn;
}

// Leaves nothing of the battle or the story behind that would change the next game: every counter
// a new battle or story sets up again goes back to its start value.
void ClearBattleForTitle() {
  FreezeFrames = 0;
  RoundEndFrames = 0;
  SpellScreenActive = 0;
  ReversedControlsActive = 0;
  g_match.storyMode = 0;
  g_match.storyStage = 0;
  g_match.survivalMode = 0;
  for (int p = 0; p < 4; ++p) {
    g_match.cpuFlag[p] = 0;
    g_match.colourSlot[p] = 0;
  }
  for (auto& taken : g_match.colourTaken) {
    for (int32_t& slot : taken) slot = 0;
  }
  // The mode menu and the story's start give every player counted here a start gauge and a
  // handicap: all four, as after program start, not only those of the last match.
  g_match.playerCount = MatchSetup{}.playerCount;
  for (int32_t& used : SurvivalOpponentUsed) used = 0;
  SurvivalArenaCycle = 0;
  // Every per-player array, the spell-card flags (which nothing else clears) among them.
  g_playerState = PlayerBattleState{};
  // The records the round start leaves to the battle (a knocked-back player's speed, a
  // companion's pace, the sparks and shot records the next knock-out or shot writes again) and
  // the computer players' modes, which outlive a match.
  ClearBattlePools();
  LiveShotCount = 0;
  ResetCpuPlayers();
  cardsBroken = 0;
  RoundFrame = 0;
  RoundWinner = 0;
  RoundNumber = 0;
  StoryPreFight = 0;
  StoryScriptFade = 0;
  FrameBudget = 0;
  ScreenShake = 0;
  FlashFrames = 0;
  FlashLength = 0;
  ContinuePause = 0;
  ContinueChoice = 0;
  EndingFade = 0;
  CutInFrames = 0;
  CutInAttacker = 0;
  CutInVictim = 0;
  LastKnockedOut = 0;
  SurvivalBossRound = 0;
  ArenaVariant = 0;
  ArenaBlackout = 0;
  RouteFlagA = RouteFlagB = RouteFlagC = 0;
  for (int32_t& type : StageTypeTable) type = 0;
  SlowMotionFrames = 0;
  SpellCaptureRequest = 0;
}

void StepBattleToDraw() {
  using namespace battle_scene;
  if (FreezeFrames == 0 && ContinuePause == 0) Simulate();
  StartCutIn();
  PlayCardSounds();
}

// The round end, the ending fade and the end of the demonstration never ask for something in the
// same frame: the first two run in the story only, the last outside it, and a fade starts only
// on a round's last frame. So one outcome answers for the frame.
BattleOutcome StepBattleFromDraw() {
  using namespace battle_scene;
  RunCutIn();
  BattleOutcome outcome = RunRoundEnd();
  const BattleOutcome fade = RunEndingFade();
  if (fade != BattleOutcome::kGoesOn) outcome = fade;
  const BattleOutcome demo = RunDemonstrationEnd();
  return demo != BattleOutcome::kGoesOn ? demo : outcome;
}

}  // namespace veyrdale
