// The battle scene: one battle frame per call, in a fixed order. The story's pre-fight phase or
// the round timing, then (unless time is frozen) the simulation of every pool, the draw, the
// special-move cut-ins, the round end with its story and survival branches, the ending fade and
// the end of the demonstration battle.
#include <cstdint>

#include "game/battle/access.h"
#include "game/battle/arena.h"
#include "game/battle/directions.h"
#include "game/battle/motion.h"
#include "game/battle/player_control.h"
#include "game/battle/story_stages.h"
#include "game/core/data_files.h"
#include "game/core/entry_points.h"
#include "game/core/frame_state.h"
#include "game/core/input.h"
#include "game/core/match_setup.h"
#include "game/core/numeric.h"
#include "game/core/records.h"
#include "game/core/scenario_state.h"
#include "game/core/sound_entries.h"
#include "morrow/graphics/draw.h"
#include "morrow/sound/music.h"
#include "morrow/sound/sound.h"
#include "morrow/system/input.h"
#include "morrow/system/time.h"

namespace veyrdale {

namespace {

constexpr int kSceneWinQuote = 7;
constexpr int kSceneTitleReturn = 9;
constexpr int kSceneStoryResult = 10;
constexpr int kSceneStoryEnd = 21;
constexpr int kSceneSurvivalResult = 29;

constexpr int kDemoStart = 1400;
constexpr int kDemoLoadingSign = 6199;
constexpr int kDemoEnd = 6200;

// Players whose power-up counts as held this frame: the spell screen stays while one is.
bool g_powerUpHeld[4];

PlayerBattleState& S() {
  return g_playerState;
}

int Held(Input input, int p) {
  return HeldFrameCounts[input][p];
}

bool StoryOrSurvival() {
  return g_match.storyMode != 0 || g_match.survivalMode != 0;
}

bool OnLastStoryStage() {
  return g_match.storyStage == g_match.storyStageCount - 1;
}

void StartAllPlayers() {
  for (int p = 0; p < 4; ++p) StartRound(&g_players[p], p);
}

// On even scene frames the position histories move one place back; element 0 takes the current
// position when `take` is set.
void ShiftTrails(BattleObject& o, bool take) {
  for (int i = 4; i > 0; --i) {
    o.trailX[i] = o.trailX[i - 1];
    o.trailY[i] = o.trailY[i - 1];
    o.trailZ[i] = o.trailZ[i - 1];
  }
  if (take) {
    o.trailX[0] = o.x;
    o.trailY[0] = o.y;
    o.trailZ[0] = o.z;
  }
}

void Advance(BattleObject& o) {
  o.x += o.vx;
  o.y += o.vy;
}

// Enters the special-move state from a power-up or at the end of a round.
void EnterSpecialMove(BattleObject& player, int p) {
  player.state = kStateSpecialMove;
  player.stateTimer = 0;
  player.recovery = 0;
  if (player.kind == 2 || player.kind == 5) player.vz = -3.0f;
  player.rooted = 0;
  S().moveShotCount[p] = 0;
}

// ---- 1. The story's pre-fight phase -------------------------------------------------------

// False when the call ends here.
bool RunStoryPreFight() {
  const int inPlay = PlayersInPlay();
  for (int p = 0; p < inPlay; ++p) S().recoveryGuard[p] = 4;
  for (int p = 0; p < 4; ++p) {
    if (S().entryFrames[p] > 0) ++S().entryFrames[p];
  }
  if (StoryScriptFade == 0) ++StoryPreFight;
  if (StoryPreFight == 2) StartAllPlayers();
  if (StoryPreFight == 118) {
    StoryScriptFade = 32;
    StoryPreFight = 119;
    RunScenarioScript(g_match.storyStage);
  }
  const int type = StageTypeOf(g_match.storyStage);
  if (StoryPreFight > 120 && StoryScriptFade == 1) {
    if (type == 3) {
      // Straight on to the next stage's dialogue.
      FadeCaptureRequest = 1;
      DeletePortraits();
      StoryPreFight = 1;
      AdvanceStoryStage();
      SetupStoryStage(g_match.storyStage, g_match.storyKind);
      LoadGameResources(1);
      SceneFrame = 0;
      RoundFrame = RoundEndFrames = FreezeFrames = 0;
      LoadScenarioScript(g_match.storyStage);
      StoryScriptFade = 0;
      return false;
    }
    DeletePortraits();
    StoryPreFight = 0;  // the fight begins
    if (OnLastStoryStage()) FlashFrames = FlashLength = 16;
  }
  if (StoryScriptFade > 0) {
    if (StoryScriptFade == 32 && StoryPreFight > 120 && type % 2 == 0) {
      // The dialogue leads to the story result.
      LoadGameResources(0);
      morrow::DrawGraph(0, 0, CaptureGraph, 1);
      SceneId = kSceneStoryResult;
      SceneFrame = 0;
      DeleteFontSheets();
      StoryPreFight = 1;
      RoundFrame = RoundEndFrames = FreezeFrames = 0;
      StoryScriptFade = 0;
      return false;
    }
    --StoryScriptFade;
  }
  return true;
}

// ---- 2. Round timing ----------------------------------------------------------------------

void HandOverMatch() {
  if (g_match.survivalMode != 0) {
    --RoundNumber;
    if (RoundWinner == 1) {
      SetupSurvivalRound();
      morrow::DrawGraph(0, 0, CaptureGraph, 1);
      if (SceneId != kSceneSurvivalResult) LoadGameResources(1);
    } else {
      LoadGameResources(0);
      morrow::StopMusicPlayback();
      morrow::StartMusicPlayback("Resource\\Bgm\\02.bgm", 1);
      morrow::SetMusicVolume(MusicVolumeSetting());
      SceneId = kSceneSurvivalResult;
      morrow::DrawGraph(0, 0, CaptureGraph, 1);
    }
    return;
  }
  LoadGameResources(0);
  LoadFontSheets(999);
  morrow::StopMusicPlayback();
  morrow::StartMusicPlayback("Resource\\Bgm\\02.bgm", 1);
  morrow::SetMusicVolume(MusicVolumeSetting());
  SceneId = kSceneWinQuote;
  morrow::DrawGraph(0, 0, CaptureGraph, 1);
}

// False when the match is handed over and the call ends.
bool RunRoundTiming() {
  if (RoundFrame == 0 && DemoFrames < kDemoStart) {
    SceneFrame = 0;
    if (RoundWinner > 0) {
      HandOverMatch();
      return false;
    }
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
  return true;
}

// ---- Knock-outs and the award -------------------------------------------------------------

bool AllOfTeamOut(int team, int outFrom) {
  const int inPlay = PlayersInPlay();
  bool any = false;
  for (int i = 0; i < inPlay; ++i) {
    if (g_match.team[i] != team) continue;
    any = true;
    if (g_players[i].state < outFrom) return false;
  }
  // A team nobody plays on cannot be knocked out.
  return any;
}

// The round is decided when, counting players in state outFrom or above as out, one player is
// left (or, with teams, one team is all out), and the player `p` is in state `own`.
bool RoundDecided(int p, int outFrom, int own) {
  if (g_players[p].state != own) return false;
  if (g_match.teamMode == 1) return AllOfTeamOut(0, outFrom) || AllOfTeamOut(1, outFrom);
  const int inPlay = PlayersInPlay();
  int left = 0;
  for (int i = 0; i < inPlay; ++i) {
    if (g_players[i].state < outFrom) ++left;
  }
  return left == 1;
}

void KnockOutTest(BattleObject& player, int p, int fromState) {
  if (player.life > 0) return;
  ScreenShake = 20;
  player.life = 0;
  player.state = kStateKnockedOut;
  player.stateTimer = 120;
  if (fromState == kStateHitStun) {
    player.guard = 2;
  } else {
    S().recoveryGuard[p] = 2;
  }
  const int inPlay = PlayersInPlay();
  if (RoundDecided(p, kStateKnockedOut, kStateKnockedOut)) {
    FreezeFrames = 60;
    RoundEndFrames = 120;
    for (int i = 0; i < inPlay; ++i) {
      if (g_players[i].state >= kStateKnockedOut) continue;
      if (fromState == kStateHitStun) {
        S().recoveryGuard[i] = 8;
      } else {
        g_players[i].guard = 1;
      }
    }
  }
  // In the story and in survival the round ends with player 0.
  if (StoryOrSurvival() && p == 0) {
    FreezeFrames = 60;
    RoundEndFrames = 120;
    for (int i = 0; i < inPlay; ++i) {
      if (g_players[i].state < kStateKnockedOut) g_players[i].guard = 1;
    }
  }
}

void AwardFreeForAll() {
  const int inPlay = PlayersInPlay();
  for (int i = 0; i < inPlay; ++i) {
    if (g_players[i].state >= kStateKnockedOut) continue;
    int32_t& wins = S().wins[i];
    ++wins;
    if (g_match.survivalMode != 0 || (g_match.storyMode != 0 && wins == 1) ||
        wins == g_options.winCount + 1) {
      RoundWinner = i + 1;
      ++S().roundsWonTotal[i];
    }
  }
}

// The member of a team with the most life; the first of equals; player 0 when nobody has any.
int BestOfTeam(int team) {
  const int inPlay = PlayersInPlay();
  int best = 0;
  int32_t bestLife = 0;
  for (int i = 0; i < inPlay; ++i) {
    if (g_match.team[i] == team && g_players[i].life > bestLife) {
      best = i;
      bestLife = g_players[i].life;
    }
  }
  return best;
}

// The winning team's players each win the round; `storyWinner` is the story's winner number.
void AwardTeam(int team, int storyWinner) {
  const int inPlay = PlayersInPlay();
  const int best = BestOfTeam(team);
  for (int i = 0; i < inPlay; ++i) {
    if (g_match.team[i] != team) continue;
    int32_t& wins = S().wins[i];
    ++wins;
    bool won = false;
    if (g_match.survivalMode != 0 || wins == g_options.winCount + 1) {
      RoundWinner = best + 1;
      won = true;
    }
    if (g_match.storyMode != 0 && wins == 1) {
      RoundWinner = storyWinner;
      won = true;
    }
    if (won) ++S().roundsWonTotal[i];
  }
}

void AwardRound() {
  if (g_match.teamMode != 1) {
    AwardFreeForAll();
    return;
  }
  if (AllOfTeamOut(0, kStateGhost)) AwardTeam(1, 3);
  if (AllOfTeamOut(1, kStateGhost)) AwardTeam(0, 1);
}

void StartSparks(const BattleObject& player, int p) {
  for (int k = 0; k < kSparkCount; ++k) {
    KnockOutSpark& spark = g_knockOutSparks[p][k];
    const int heading = morrow::GetRandomNumber(63) + 64 * (k % 4);
    const float speed = static_cast<float>((morrow::GetRandomNumber(30) * 0.1 + 1.0) * 1.5);
    spark.x = player.x;
    spark.y = player.y;
    spark.vx = CosOf(heading) / 256.0f * speed;
    spark.vy = NegSinOf(heading) / 256.0f * speed;
  }
}

// State 13. False when the rest of the player's frame is skipped.
bool UpdateKnockedOut(BattleObject& player, int p) {
  player.vx = 0.0f;
  player.vy = 0.0f;
  S().airborne[p] = 0;
  S().recoveryGuard[p] = 2;
  if (player.z < 0.0f && player.stateTimer > 4) {
    player.vz = static_cast<float>(player.vz + 0.1);
    player.z += player.vz;
    if (player.z > 0.0f) player.z = 0.0f;
  }
  if (player.stateTimer == 120) {
    PlaySoundEntry(kSoundOut);
    FlashFrames = 10;
    FlashLength = 20;
    StartSparks(player, p);
  }
  for (KnockOutSpark& spark : g_knockOutSparks[p]) {
    spark.vx = static_cast<float>(spark.vx * 0.98);
    spark.vy = static_cast<float>(spark.vy * 0.98);
    spark.x += spark.vx;
    spark.y += spark.vy;
  }
  --player.stateTimer;
  if (player.stateTimer != 0) return true;
  LastKnockedOut = player.kind;
  player.state = kStateGhost;
  player.rooted = 0;
  S().specialMode[p] = 0;
  // A knock-out that ends between rounds awards nothing.
  if (RoundFrame < 0) return false;
  if (RoundDecided(p, kStateGhost, kStateGhost)) AwardRound();
  if (StoryOrSurvival() && p == 0) {
    RoundWinner = 2;
    ++S().wins[1];
  }
  return true;
}

// States 14-18: out of the round.
void UpdateGhost(BattleObject& player, int p) {
  S().recoveryGuard[p] = 2;
  if (StoryPreFight != 0) return;
  const int heading = HeldDirection(p);
  float tx = 0.0f;
  float ty = 0.0f;
  if (heading != kNoDirection) {
    if (player.state < kStateGhostAttackStanding) player.state = kStateGhostMove;
    tx = static_cast<float>(CosOf(heading) / 256.0f * 1.2);
    ty = static_cast<float>(NegSinOf(heading) / 256.0f * 1.2);
  } else if (player.state < kStateGhostAttackStanding) {
    player.state = kStateGhost;
  }
  if (player.rooted == 1) {
    tx = ty = 0.0f;
  } else if (heading != kNoDirection) {
    player.heading = heading;
  }
  BlendVelocity(&player.vx, &player.vy, tx, ty, 5, 1);
  Advance(player);
  // A ghost drains the meter of the players it passes through.
  const int inPlay = PlayersInPlay();
  for (int i = 0; i < inPlay; ++i) {
    BattleObject& other = g_players[i];
    if (i == p || other.guard > 0) continue;
    if (CheckCircleHit(player.x, player.y, other.x, other.y, 64)) other.meter -= 2.0f;
  }
  if (player.state == kStateGhostMove) {
    ++player.stateTimer;
  } else if (player.state == kStateGhost) {
    player.stateTimer = 0;
  }
  if (RoundFrame > 280 || RoundFrame < 0) UpdateAttackInput(&player, p);
}

// ---- 4. One player ------------------------------------------------------------------------

bool HolderIsCharacter14(int p) {
  const BattleObject* holder = PlayerOrNull(S().holder[p]);
  return holder != nullptr && holder->kind == 14;
}

// Step 3 of a player: false when the rest of the player's frame is skipped.
bool DispatchState(BattleObject& player, int p) {
  const bool free = S().holdTimer[p] <= 0;
  switch (player.state) {
    case kStateStand:
    case kStateWalk:
      if (free) player.rooted = 0;
      [[fallthrough]];
    case 2:
    case 3:
    case 4:
      if (!free) break;
      S().wallBurstDone[p] = 0;
      if (player.state <= kStateWalk) player.modifierHeld = Held(kInputButton4, p) > 0 ? 1 : 0;
      UpdatePlayerControl(&player, p);
      if (StoryPreFight > 0) {
        // The dialogue runs: nobody walks.
        player.modifierHeld = 0;
        if (player.state == kStateWalk) player.state = kStateStand;
        BlendVelocity(&player.vx, &player.vy, 0.0f, 0.0f, 5, 1);
      }
      if (RoundFrame > 280 || RoundFrame < 0) UpdateAttackInput(&player, p);
      break;
    case kStateDash:
      if (free) UpdatePlayerControl(&player, p);
      break;
    case 6:
    case 7:
      if (!free) break;
      UpdateDashChara0(&player, p);
      BlendVelocity(&player.vx, &player.vy, 0.0f, 0.0f, 5, 1);
      break;
    case kStateSpecialMove:
      if (!free) break;
      UpdateSpecialMove(&player, p);
      Advance(player);
      break;
    case kStateSpellCard:
      if (!free) break;
      RunSpellCard(&player, p);
      Advance(player);
      break;
    case kStateHitStun:
      player.modifierHeld = 0;
      if (S().freezeTimer[p] > 0 || (S().holdTimer[p] > 0 && !HolderIsCharacter14(p))) break;
      UpdateHitStun(&player, p);
      KnockOutTest(player, p, kStateHitStun);
      break;
    case kStateKnockBack:
      player.modifierHeld = 0;
      if (S().freezeTimer[p] > 0 || S().holdTimer[p] > 0) break;
      UpdateKnockBack(&player, p);
      KnockOutTest(player, p, kStateKnockBack);
      break;
    case kStateKnockedOut:
      return UpdateKnockedOut(player, p);
    case 14:
    case 15:
    case 16:
    case 17:
    case 18:
      UpdateGhost(player, p);
      break;
    default:
      break;
  }
  return true;
}

void RefillMeter(BattleObject& player, int p) {
  if (player.meter < 0.0f) player.meter = 0.0f;
  if (player.attackDelay > 0) {
    --player.attackDelay;
  } else if (player.meter < 700.0f && S().meterRegenPause[p] == 0 && player.modifierHeld == 0 &&
             player.state != kStateSpecialMove) {
    const double handicap = static_cast<double>(g_match.handicap[p]) - 2.0;
    const double gain = player.state == kStateStand ? 4.0 + handicap * 0.5 : 2.0 + handicap * 0.25;
    player.meter = static_cast<float>(player.meter + gain);
  }
  if ((player.state == kStateStand || player.state == kStateWalk) && Held(kInputButton4, p) > 8) {
    player.meter -= 2.0f;
  }
  if (g_match.storyMode != 0 && player.kind == 10) player.meter = 700.0f;
  if (S().meterRegenPause[p] > 0) --S().meterRegenPause[p];
}

bool InHitReaction(const BattleObject& player) {
  return player.state == kStateHitStun || player.state == kStateKnockBack;
}

// A player in a hit reaction bounces off a wall: off a horizontal wall the heading mirrors
// vertically, off a vertical one horizontally.
void Bounce(BattleObject& player, int p, bool horizontalWall, float burstX, float burstY) {
  const int64_t heading = player.pushHeading;
  // Off a vertical wall while moving down the mirror is written 384 - heading; taken modulo 256
  // it is the same direction and stays inside the tables.
  player.pushHeading = static_cast<int32_t>(((horizontalWall ? 256 : 128) - heading) & 255);
  const float speed = player.speed > 9.0f ? 9.0f : player.speed;
  player.vx = CosOf(player.pushHeading) / 256.0f * speed;
  player.vy = NegSinOf(player.pushHeading) / 256.0f * speed;
  if (player.speed > 9.0f) {
    CreateEffect(&player, 1);
    if (S().wallBurstDone[p] == 0) {
      int n = TruncToInt(player.speed * 0.1111111 * 4);
      if (n > 4) n = 4;
      CreateItem(TruncToInt(burstX), TruncToInt(burstY), n, 1, p);
      S().wallBurstDone[p] = 1;
    }
  }
  if (S().heldFlag[p] == 1) {
    // The shot carrying the player lets go and breaks. Only a live shot that carries this very
    // player does; a stale slot must not take an unrelated shot with it.
    const int slot = S().holdingShot[p];
    BattleObject* shot = slot >= 0 && slot < kShotCount ? &g_shots[slot] : nullptr;
    S().heldFlag[p] = 0;
    if (shot != nullptr && shot->state == 1 && shot->recovery == p) {
      ScreenShake = 30;
      CreateShot(shot, 7, shot->owner);
      shot->state = 0;
    }
  }
}

void KeepInsideArena(BattleObject& player, int p) {
  if (player.y != player.trailY[0]) {
    if (player.y < 36.0f) {
      player.y = 36.0f;
      if (InHitReaction(player)) Bounce(player, p, true, player.x, 38.0f);
    } else if (player.y > 440.0f) {
      player.y = 440.0f;
      if (InHitReaction(player)) Bounce(player, p, true, player.x, 438.0f);
    }
  }
  if (player.x != player.trailX[0]) {
    if (player.x < 32.0f) {
      player.x = 32.0f;
      if (InHitReaction(player)) Bounce(player, p, false, 30.0f, player.y);
    } else if (player.x > 604.0f) {
      player.x = 604.0f;
      if (InHitReaction(player)) Bounce(player, p, false, 610.0f, player.y);
    }
  }
}

void CollideWithWalls(BattleObject& player, int p) {
  if (g_match.stage == 7 || S().airborne[p] == 1) return;
  const int code =
      MoveWithWalls(&player.x, &player.y, player.trailX[0], player.trailY[0], 32, 32, 16);
  if (!InHitReaction(player)) return;
  if (code / 10 > 0) Bounce(player, p, true, player.x, player.y);
  if (code % 10 > 0) Bounce(player, p, false, player.x, player.y);
}

void RunTimers(BattleObject& player, int p) {
  if (player.stun > 0.0f) {
    player.stun = static_cast<float>(player.stun - 0.1);
    if (player.stun < 0.0f) player.stun = 0.0f;
  }
  float& gauge = S().spellGauge[p];
  if (gauge < 0.0f) gauge = 0.0f;
  if (gauge > 200.0f) gauge = 200.0f;
  if (S().recoveryGuard[p] > 0) --S().recoveryGuard[p];
  if (player.guard > 0) {
    --player.guard;
  } else if (player.guard < 0) {
    ++player.guard;
  }
  if (S().freezeTimer[p] > 0) --S().freezeTimer[p];
  if (S().holdTimer[p] > 0) --S().holdTimer[p];
}

bool KeepsStoryPowerUp(const BattleObject& player) {
  if (g_match.storyMode == 0 || g_match.storyKind != 1) return false;
  const int stage = g_match.storyStage;
  return (player.kind == 2 && stage == 2) || (player.kind == 3 && stage == 0) ||
         (player.kind == 5 && stage == 4);
}

void RunPowerUp(BattleObject& player, int p) {
  int32_t& powerUp = S().powerUp[p];
  if (powerUp <= 0 || StoryPreFight != 0 || RoundFrame <= 280) return;
  const int character = player.kind;
  if (FreezeFrames == 0 && powerUp == 998 && player.state != kStateSpellCard) {
    FlashFrames = FlashLength = 16;
    const int inPlay = PlayersInPlay();
    for (int i = 0; i < inPlay; ++i) RemovePlayerShots(i);
    if (character == 1) CreateShot(&player, 7, p);
    if (character == 9) CreateEffect(&player, 76);
    if (character == 12) CreateEffect(&player, 107);
  }
  if (character == 9 && powerUp == 996) {
    powerUp = 998;
    S().cardBar[p] += 20;
  }
  const bool oddFrame = SceneFrame % 2 != 0;
  if (!(player.state == kStateSpellCard || ((character == 5 || character == 13) && oddFrame))) {
    powerUp -= 2;
    S().cardBar[p] -= 20;
  }
  player.meter = 700.0f;
  switch (character) {
    case 0:
      if (SceneFrame % 2 == 0) CreateEffect(&player, 11);
      break;
    case 1:
      if (powerUp % 32 == 30) CreateShot(&player, 7, p);
      break;
    case 2:
      if (powerUp == 0) EnterSpecialMove(player, p);
      break;
    case 5:
      if (SceneFrame % 4 == 0) CreateEffect(&player, 20);
      if (powerUp == 0) {
        EnterSpecialMove(player, p);
        S().specialMode[p] = 8000;
      }
      break;
    case 6:
      SlowNearbyOpponents(p);
      if (SceneFrame % 8 == 1) CreateEffect(&player, 63);
      break;
    case 7:
      if (powerUp == 998) {
        DispatchHitEffect(&player, &player, 15);
        if (player.guard <= 0) player.guard = -2;
      }
      break;
    case 12:
      S().airborne[p] = 1;
      if (powerUp == 0) {
        EnterSpecialMove(player, p);
        S().specialMode[p] = 8000;
      }
      break;
    default:
      break;
  }
  if (KeepsStoryPowerUp(player)) {
    powerUp += 2;
    S().cardBar[p] = 0;
    g_powerUpHeld[p] = true;
  }
}

void UpdatePlayer(int p) {
  BattleObject& player = g_players[p];
  if (player.stateTimer == 8888 && player.state != kStateSpellCard) player.stateTimer = 0;
  if (SceneFrame % 2 == 0) ShiftTrails(player, true);
  if (!DispatchState(player, p)) return;
  RefillMeter(player, p);
  KeepInsideArena(player, p);
  CollideWithWalls(player, p);
  RunTimers(player, p);
  if (player.kind == 10 && (S().entryFrames[p] > 0 || g_match.storyMode == 0) &&
      SceneFrame % 2 == 0 && player.state != kStateKnockBack) {
    DispatchHitEffect(&player, &player, 15);
  }
  if (S().slowTimer[p] > 0) {
    if (S().slowTimer[p] % 16 == 1) CreateEffect(&player, 63);
    --S().slowTimer[p];
  }
  if (g_match.survivalMode != 0 && SurvivalBossRound != 0 && p != 0) {
    S().powerUp[p] = 3;
    S().cardChoice[p] = 2;
    S().cardBar[p] = 0;
    g_powerUpHeld[p] = true;
  }
  RunPowerUp(player, p);
  if (S().reverseTimer[p] > 0) --S().reverseTimer[p];
}

// ---- 3. The simulation --------------------------------------------------------------------

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
  // 1-3: companions, markers and ground marks, the gauge at the frame's start.
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
  // 4: shots in slot order.
  LiveShotCount = 0;
  for (int slot = 0; slot < kShotCount; ++slot) {
    BattleObject& shot = g_shots[slot];
    if (SceneFrame % 2 == 0) ShiftTrails(shot, shot.stateTimer != 0);
    if (shot.state == 1) {
      ++LiveShotCount;
      UpdateShot(&shot, slot);
    }
  }
  // 5: players.
  for (int p = 0; p < inPlay; ++p) UpdatePlayer(p);
  // 6: the spell screen and reversed controls end once nothing keeps them.
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
  // 7-11: items, arena events, familiars, gauge notices, effects.
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

// ---- 5. After the simulation --------------------------------------------------------------

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

void Draw() {
  const bool skipped = g_display.halfRatePresent != 0 && FrameCount % 2 != 0 &&
                       FadeCaptureRequest != 1 && SpellCaptureRequest != 1;
  if (!skipped) DrawBattleScene();
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
    // A victim this damage finishes outside a hit reaction would never meet the knock-out test;
    // like a shot hit on armour it enters hit-stun, and its next frame knocks it out.
    if (victim->life <= 0 && victim->state < kStateKnockedOut && !InHitReaction(*victim)) {
      victim->state = kStateHitStun;
      victim->stateTimer = 16;
    }
  }
  FlashFrames = FlashLength = 20;
}

void GoToStoryStage(int script) {
  ++g_match.storyStage;
  StoryPreFight = 118;
  LoadScenarioScript(script);
  SetupStoryStage(g_match.storyStage, g_match.storyKind);
  StoryScriptFade = 32;
  StoryPreFight = 119;
  RunScenarioScript(g_match.storyStage);
}

void StartEndingFade() {
  EndingFade = 48;
  SlowMotionFrames = 48;
}

void EndStoryRound() {
  if (RoundWinner == 1) {
    if (OnLastStoryStage()) {
      StartEndingFade();
    } else {
      GoToStoryStage(g_match.storyStage + 1);
    }
  } else if (g_match.storyKind == 1) {
    if (OnLastStoryStage()) {
      StartEndingFade();
    } else {
      // A lost extra stage goes on to the next stage with its lost-fight script.
      GoToStoryStage(g_match.storyStage + 1 + 50);
      RoundWinner = 2;
    }
  } else if (g_match.storyStage == 1) {
    // Losing the main story's second fight still leads on, to stage 2's other dialogue.
    g_match.storyStage = 2;
    LoadScenarioScript(99);
    SetupStoryStage(2, g_match.storyKind);
    StoryScriptFade = 32;
    StoryPreFight = 119;
    RunScenarioScript(2);
    RoundWinner = 1;
  } else {
    ContinuePause = 1;  // the continue prompt takes over
    --RoundNumber;
  }
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

void RunRoundEnd() {
  if (RoundEndFrames == 120 && FreezeFrames == 0) SlowMotionFrames = 30;
  if (RoundEndFrames <= 0) return;
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
  if (RoundEndFrames != 0) return;
  RoundFrame = -100;
  ++RoundNumber;
  if (g_match.storyMode != 0) {
    EndStoryRound();
  } else if (g_match.survivalMode != 0 && RoundWinner == 1) {
    AwardSurvivalBonus();
  }
}

void RunEndingFade() {
  if (EndingFade <= 0) return;
  if (EndingFade > 16) {
    morrow::SetMusicVolume(MusicVolumeSetting((EndingFade - 16) * 0.03125));
  }
  if (EndingFade == 16) morrow::StopMusicPlayback();
  --EndingFade;
  if (EndingFade != 0) return;
  const bool extra = g_match.storyKind == 1;
  DeletePortraits();
  SceneId = kSceneStoryEnd;
  g_match.storyMode = 0;
  g_match.storyStage = 0;
  RoundFrame = RoundEndFrames = FreezeFrames = SceneFrame = 0;
  for (int32_t& flag : g_match.cpuFlag) flag = 0;
  PictureIndex = 0;
  PreviousPictureIndex = 0;
  LoadGameResources(2);
  LoadScenarioScript(extra ? (RoundWinner == 1 ? 9 : 59) : 17);
  morrow::StartMusicPlayback(extra ? "Resource\\Bgm\\22.bgm" : "Resource\\Bgm\\13.bgm", 1);
  morrow::SetMusicVolume(MusicVolumeSetting());
  FadeCaptureRequest = 1;
}

void RunDemonstrationEnd() {
  if (DemoFrames < kDemoStart) return;
  ++DemoFrames;
  // Any input on the keyboard or the first pad ends the demonstration; an input component that
  // never started answers -1, which is no input.
  if (PadBitsOrNone(morrow::GetPadInputBits(kPlayerDevice[0])) != 0) DemoFrames = kDemoLoadingSign;
  if (DemoFrames == kDemoLoadingSign)
    morrow::LoadAndDrawGraphFile(502, 454, "Resource\\loading.dat", 1);
  if (DemoFrames == kDemoEnd) {
    SceneId = kSceneTitleReturn;
    RoundFrame = RoundEndFrames = FreezeFrames = SceneFrame = DemoFrames = 0;
    for (int32_t& flag : g_match.cpuFlag) flag = 0;
    LoadGameResources(0);
    morrow::StopMusicPlayback();
    FadeCaptureRequest = 1;
  }
}

}  // namespace

void BattleScene(int) {
  if (StoryPreFight > 0) {
    if (!RunStoryPreFight()) return;
  } else if (!RunRoundTiming()) {
    return;
  }
  if (FreezeFrames == 0 && ContinuePause == 0) Simulate();
  StartCutIn();
  PlayCardSounds();
  Draw();
  RunCutIn();
  RunRoundEnd();
  RunEndingFade();
  RunDemonstrationEnd();
}

}  // namespace veyrdale
