// Character, team and stage selection and the battle starts they lead to.
#include "game/flow/selection.h"

#include <algorithm>
#include <cstdint>

#include "game/battle/directions.h"
#include "game/core/data_files.h"
#include "game/core/frame_state.h"
#include "game/core/match_setup.h"
#include "game/core/numeric.h"
#include "game/core/records.h"
#include "game/core/scenes.h"
#include "game/flow/flow.h"
#include "game/flow/frame_loop.h"
#include "game/flow/menu_common.h"
#include "game/flow/resource_lists.h"
#include "game/flow/result_number.h"
#include "game/view/draw_conventions.h"
#include "game/view/view.h"
#include "morrow/device/color_format.h"
#include "morrow/graphics/draw.h"
#include "morrow/sound/music.h"
#include "morrow/sound/sound.h"
#include "morrow/system/time.h"

namespace veyrdale {

namespace {

constexpr int kCharacters = 16;
constexpr int kColours = 8;
constexpr int kComputerSign = 4;  // the piece of "p_num" of a computer player
using view::kBlendAdd;
constexpr int kSurvivalStartLife = 350;
constexpr int kCountdown = 70;
constexpr int kModeMenuSurvival = 3;

int UnlockLevel() {
  return std::clamp(g_scores.unlockLevel, 0, kMaxUnlockLevel);
}

bool Survival() {
  return g_match.survivalMode != 0;
}

int32_t& SelectStateOf(int slot) {
  return g_match.selectState[slot];
}

bool IsDecided(int state) {
  return state == kSlotDecided || state == kSlotComputerDecided;
}

// Whether some slot below `slots` is in `state`.
bool AnySlotIn(int slots, int state) {
  for (int j = 0; j < slots; ++j) {
    if (g_match.selectState[j] == state) return true;
  }
  return false;
}

bool AnySlotDecided(int slots) {
  for (int j = 0; j < slots; ++j) {
    if (IsDecided(g_match.selectState[j])) return true;
  }
  return false;
}

// The colour taken-table cell of a slot's character and colour; null when either is out of the
// table (a character or colour that no selection wrote).
int32_t* TakenCell(int slot) {
  const int character = g_players[slot].kind;
  const int colour = g_match.colourSlot[slot];
  if (character >= kCharacters || colour < 0 || colour >= kColours) return nullptr;
  return &g_match.colourTaken[character][colour];
}

void TakeColour(int slot) {
  if (int32_t* cell = TakenCell(slot)) *cell = 1;
}
void FreeColour(int slot) {
  if (int32_t* cell = TakenCell(slot)) *cell = 0;
}

void ClearChoices() {
  for (int p = 0; p < 4; ++p) {
    g_match.cpuFlag[p] = 0;
    g_match.selectState[p] = 0;
    g_match.colourSlot[p] = 0;
  }
  for (auto& row : g_match.colourTaken) {
    for (int32_t& taken : row) taken = 0;
  }
}

void TogglePanel(int slot) {
  g_match.settingsPanelOpen[slot] = g_match.settingsPanelOpen[slot] != 0 ? 0 : 1;
}

// Skips locked characters downward (after a move left or a wrap below 0) or upward.
int SkipLockedDownward(int c, int u) {
  if (u < 3) {
    if (c == 15) c = 14;
    if (c == 14) c = 13;
    if (c == 13) c = 12;
    if (c == 12) c = 11;
    if (c == 11) c = 10;
  }
  if (u == 0 && c == 10) c = 9;
  if (u < 3 && c == 9) c = 8;
  if (u < 3 && c == 6) c = 5;
  return c;
}

int SkipLockedUpward(int c, int u) {
  if (u < 3 && c == 6) c = 7;
  if (u < 3 && c == 9) c = 10;
  if (u == 0 && c == 10) c = 11;
  if (u < 3) {
    if (c == 11) c = 12;
    if (c == 12) c = 13;
    if (c == 13) c = 14;
    if (c == 14) c = 15;
    if (c == 15) c = 16;
  }
  return c;
}

// ---- Character selection ------------------------------------------------------------------

void RunIdleSlot(int i, int slots) {
  int32_t& state = SelectStateOf(i);
  if (Pressed(kInputButton1, i)) {
    state = kSlotChoosing;
    PlayCursorSound();
  }
  if (!AnySlotIn(slots, kSlotChoosing) && AnySlotDecided(slots)) state = kSlotComputerChoosing;
  if (state != kSlotChoosing && Pressed(kInputButton2, i)) {
    PlayCancelSound();
    FadeCaptureRequest = 1;
    SceneFrame = -16;
  }
}

void RunChoosingSlot(int i) {
  int32_t& state = SelectStateOf(i);
  g_match.cpuFlag[i] = 0;
  if (g_match.settingsPanelOpen[i] != 0) {
    ChangePlayerSetting(i, i);
  } else {
    g_players[i].kind = static_cast<uint16_t>(ChooseCharacter(i, i));
    ChooseColourSlot(i, i);
    if (Pressed(kInputButton1, i)) {
      state = kSlotDecided;
      TakeColour(i);
      PlayAcceptSound();
    } else if (Pressed(kInputButton2, i)) {
      state = kSlotIdle;
      PlayCancelSound();
    }
  }
  if (!Survival() && Pressed(kInputButton4, i)) TogglePanel(i);
}

// A computer slot is served by the first decided human, one slot a frame, in slot order.
void RunComputerSlot(int i, int slots, bool& served) {
  int32_t& state = SelectStateOf(i);
  g_match.cpuFlag[i] = 1;
  if (!served) {
    int h = -1;
    for (int j = 0; j < slots && h < 0; ++j) {
      if (IsDecided(g_match.selectState[j]) && g_match.cpuFlag[j] == 0) h = j;
    }
    if (h >= 0) {
      if (g_match.settingsPanelOpen[i] != 0) {
        ChangePlayerSetting(i, h);
      } else {
        g_players[i].kind = static_cast<uint16_t>(ChooseCharacter(i, h));
        ChooseColourSlot(i, h);
        if (Pressed(kInputButton1, h)) {
          state = kSlotComputerDecided;
          TakeColour(i);
          PlayAcceptSound();
        }
      }
      if (Pressed(kInputButton4, h)) TogglePanel(i);
    }
    served = true;
  }
  if (AnySlotIn(slots, kSlotChoosing)) {
    state = kSlotIdle;
    g_match.cpuFlag[i] = 0;
    g_match.settingsPanelOpen[i] = 0;
  }
}

void RunDecidedSlot(int i, int slots) {
  if (g_match.cpuFlag[i] != 0) return;
  // A human choosing a computer's settings keeps the deciders where they are.
  for (int j = 0; j < slots; ++j) {
    if (g_match.selectState[j] == kSlotComputerChoosing && g_match.settingsPanelOpen[j] != 0) {
      return;
    }
  }
  if (!Pressed(kInputButton2, i)) return;
  SelectStateOf(i) = kSlotChoosing;
  FreeColour(i);
  PlayCancelSound();
  for (int j = 0; j < slots; ++j) {
    if (g_match.selectState[j] != kSlotComputerDecided) continue;
    g_match.selectState[j] = kSlotIdle;
    g_match.cpuFlag[j] = 0;
    FreeColour(j);
  }
}

void StartSurvivalRun() {
  SceneId = kSceneBattle;
  RoundNumber = 0;
  for (int32_t& used : SurvivalOpponentUsed) used = 0;
  SurvivalArenaCycle = 0;
  SetupSurvivalRound();
  g_players[0].life = kSurvivalStartLife;
  ClearBattleStatistics();
  for (int p = 0; p < 4; ++p) {
    g_playerState.roundsWonTotal[p] = 0;
    g_match.selectState[p] = 0;
  }
  // The round set-up counts the first round and pays its bonus; the run starts from nothing.
  RoundNumber = 0;
  g_playerState.score[0] = 0;
}

void RunCharacterSelectSwitches() {
  switch (SceneFrame) {
    case -8:
      SceneId = kSceneStageSelect;
      break;
    case -12:
      SceneId = kSceneTeamAssign;
      break;
    case -15:
      if (Survival()) {
        SceneId = kSceneModeMenu;
        MenuReturnCursor = kModeMenuSurvival;
        g_match.survivalMode = 0;
      } else {
        SceneId = kScenePlayerCount;
        MenuReturnCursor = 0;
      }
      for (int p = 0; p < 4; ++p) {
        g_match.cpuFlag[p] = 0;
        g_match.selectState[p] = 0;
      }
      break;
    default:
      return;
  }
  SceneFrame = 0;
}

void DrawSettingsPanel(int i, int n) {
  const bool left = i % 2 == 0;
  const int y0 = 240 * (i / 2);
  const int x1 = left ? 24 : 352;
  const int x2 = left ? 288 : 616;
  const int labelX = left ? 40 : 368;
  const int starX = left ? 64 : 360;
  const int row = g_match.settingsRow[i] == 0 ? 0 : 1;

  SetAlphaDrawing(128);
  morrow::DrawRectangle(x1, y0 + 44, x2, y0 + 208, morrow::PackScreenColor(0, 0, 0), 1);
  SetPlainDrawing();
  morrow::DrawRectangle(x1, y0 + 44, x2, y0 + 208, morrow::PackScreenColor(255, 255, 255), 0);
  morrow::DrawGraph(left ? 32 : 360, y0 + 48, MenuPicture(kPicFont12, 0), 1);
  const float glow = g_trig.negsin[PositiveModulo(n, 128)];
  morrow::SetBlendMode(kBlendAdd, TruncToInt(glow / 256.0 * 255));
  morrow::DrawGraph(left ? 32 : 360, y0 + 48, MenuPicture(kPicFont12, 0), 1);

  constexpr int kLabelY[2] = {82, 135};
  for (int r = 0; r < 2; ++r) {
    if (r == row) {
      SetPlainDrawing();
    } else {
      SetAlphaDrawing(128);
    }
    morrow::DrawGraph(labelX, y0 + kLabelY[r], MenuPicture(kPicFont11, r), 1);
  }

  // The row not chosen has its stars tinted grey.
  const int gauge = row == 0 ? 255 : 192;
  morrow::SetModulationColor(gauge, gauge, gauge);
  for (int k = 0; k < 2; ++k) {
    if (k < g_match.startGaugeLevel[i]) {
      SetPlainDrawing();
    } else {
      SetAlphaDrawing(96);
    }
    morrow::DrawGraph(starX + 32 * k, y0 + 97, MenuPicture(kPicStar, 0), 1);
  }
  const int handicap = row == 1 ? 255 : 192;
  morrow::SetModulationColor(handicap, handicap, handicap);
  for (int k = 0; k < 5; ++k) {
    if (k <= g_match.handicap[i]) {
      SetPlainDrawing();
    } else {
      SetAlphaDrawing(96);
    }
    morrow::DrawGraph(starX + 32 * k, y0 + 150, MenuPicture(kPicStar, 1), 1);
  }
  morrow::SetModulationColor(255, 255, 255);
}

void DrawSlotPanel(int i, int n) {
  const bool left = i % 2 == 0;
  const int r = i / 2;
  const int y0 = 240 * r;
  const int state = g_match.selectState[i];
  if (state == kSlotIdle) {
    const float k = g_trig.cos[PositiveModulo(n, 64)];
    SetAlphaDrawing(TruncToInt(k / 256.0 * 192));
    DrawCentred(left ? 144 : 496, y0 + 124, MenuPicture(kPicWait, 0));
    SetPlainDrawing();
    DrawCentred(left ? 144 : 496, y0 + 80, MenuPicture(kPicPNum, i));
    return;
  }
  const int c = PositiveModulo(g_match.characterCursor[i], kCharacters);
  if (IsDecided(state)) {
    SetPlainDrawing();
  } else {
    SetAlphaDrawing(192);
  }
  const int32_t bust = MenuPicture(kPicBst, c);
  if (left) {
    morrow::DrawGraph(-30, y0, bust, 1);
  } else {
    morrow::DrawGraphPart(342, y0, 0, 0, 320, 240, bust, 1, 1);
  }

  const int numberX = left ? 22 : 600;
  SetAlphaDrawing(96);
  for (int k = 0; k < kColours; ++k) DrawNumber(numberX, y0 + 56 + 12 * k, k + 1, 0, 1);
  const int colour = g_match.colourSlot[i];
  SetPlainDrawing();
  if (colour >= 0 && colour < kColours) {
    DrawNumber(numberX, y0 + 56 + 12 * colour, colour + 1, 0, 1);
  }
  const int sign = g_match.cpuFlag[i] != 0 ? kComputerSign : i;
  DrawCentred(left ? 35 : 600, y0 + 170, MenuPicture(kPicPNum, sign));
  DrawCentred(left ? 80 : 544, y0 + 202, MenuPicture(kPicName, c));
  morrow::DrawGraph(left ? 162 : 322, 249 * r + 1, MenuPicture(kPicFont06, c), 1);

  if (g_match.settingsPanelOpen[i] != 0) DrawSettingsPanel(i, n);
}

// Player 0's best survival run with the chosen character.
void DrawSurvivalPanel(int n) {
  const bool joined = g_match.selectState[0] != kSlotIdle;
  SetAlphaDrawing(64);
  morrow::DrawGraph(318, 32, MenuPicture(kPicBlk, 0), 1);
  if (joined) {
    SetPlainDrawing();
  } else {
    SetAlphaDrawing(128);
  }
  morrow::DrawGraph(360, 50, MenuPicture(kPicFont02, 6), 1);
  morrow::DrawGraph(360, 80, MenuPicture(kPicFont02, 7), 1);
  morrow::DrawGraph(360, 119, MenuPicture(kPicFont09, 0), 1);
  if (!joined) return;

  const int c = PositiveModulo(g_match.characterCursor[0], kCharacters);
  const bool completed = g_survival.stage[c] == kSurvivalCompletedStage;
  DrawResultNumber(488, 55, completed ? kSurvivalCompletedStage - 1 : g_survival.stage[c], 0);
  DrawResultNumber(488, 85, g_survival.breaks[c], 0);
  DrawBigNumber(542, 156, g_survival.bestScore[c]);
  if (completed && PositiveModulo(n, 2) == 0) {
    morrow::SetBlendMode(kBlendAdd, 255);
    morrow::DrawRotaGraph(515, 62, 0.5, 0.0, MenuPicture(kPicStar, 1), 1, 0);
  }
}

void DrawCharacterSelect(int slots) {
  const int n = SceneFrame;
  DrawMenuHeader(1, 1 + std::clamp(g_match.teamMode, 0, 1), 64);
  for (int i = 0; i < slots; ++i) DrawSlotPanel(i, n);
  if (Survival()) DrawSurvivalPanel(n);
  SetAlphaDrawing(64);
  morrow::DrawRectangle(0, 230, 640, 250, morrow::PackScreenColor(0, 0, 0), 1);
  SetPlainDrawing();
  morrow::DrawGraph((321 - n % 800) * 2, 233, MenuPicture(kPicFont05, 0), 1);
  DrawBattleStartCountdown(true);
  DrawCrossFade();
}

// ---- Stage selection ----------------------------------------------------------------------

void StartVersusBattle() {
  SceneId = kSceneBattle;
  for (int p = 0; p < 4; ++p) {
    g_playerState.wins[p] = 0;
    g_playerState.cardUsed[p] = 0;
  }
  RoundWinner = 0;
  RoundNumber = 0;
  ArenaVariant = g_match.teamMode == 1 ? 2 : 0;
  for (int p = 0; p < 4; ++p) g_match.selectState[p] = 0;
  LoadGameResources(1);
  ClearBattleStatistics();
  ClearItemCounters();
  morrow::StopMusicPlayback();
  PlayStageBgm(g_match.stage, 0);
  morrow::SetMusicVolume(MusicVolumeSetting());
  DeleteLoadingPicture();
}

}  // namespace

bool IsCharacterOpen(int character, int unlockLevel) {
  if (character < 0 || character >= kCharacters) return false;
  if (unlockLevel >= 3) return true;
  if (character == 6 || character == 9 || character >= 11) return false;
  return character != 10 || unlockLevel >= 1;
}

int OpenCharacters(int unlockLevel, int* out) {
  int count = 0;
  for (int c = 0; c < kCharacters; ++c) {
    if (IsCharacterOpen(c, unlockLevel)) out[count++] = c;
  }
  return count;
}

int ChooseCharacter(int slot, int p) {
  if (slot < 0 || slot >= 4) return 0;
  const int u = UnlockLevel();
  int c = g_match.characterCursor[slot];
  if (Pressed(kInputLeft, p)) {
    --c;
    PlayCursorSound();
    c = SkipLockedDownward(c, u);
  }
  if (Pressed(kInputRight, p)) {
    ++c;
    PlayCursorSound();
    c = SkipLockedUpward(c, u);
  }
  if (Held(kInputButton3, p)) {
    int open[kCharacters];
    const int count = OpenCharacters(u, open);
    c = open[morrow::GetRandomNumber(count - 1)];
  }
  if (c > 15) c = 0;
  if (c < 0) c = SkipLockedDownward(15, u);
  g_match.characterCursor[slot] = c;
  return c;
}

void ChooseColourSlot(int slot, int p) {
  if (slot < 0 || slot >= 4) return;
  const int character = g_players[slot].kind;
  if (character >= kCharacters) return;
  const int32_t* taken = g_match.colourTaken[character];
  int s = PositiveModulo(g_match.colourSlot[slot], kColours);
  // Each search stops after one round: with all eight colours taken the colour stays.
  if (Pressed(kInputDown, p)) {
    int tries = 0;
    do {
      s = (s + 1) % kColours;
    } while (taken[s] == 1 && ++tries < kColours);
    PlayCursorSound();
  }
  if (Pressed(kInputUp, p)) {
    int tries = 0;
    do {
      s = s == 0 ? kColours - 1 : s - 1;
    } while (taken[s] == 1 && ++tries < kColours);
    PlayCursorSound();
  }
  for (int tries = 0; taken[s] == 1 && tries < kColours; ++tries) s = (s + 1) % kColours;
  g_match.colourSlot[slot] = s;
}

void ChangePlayerSetting(int slot, int p) {
  if (slot < 0 || slot >= 4) return;
  if (Pressed(kInputDown, p)) {
    g_match.settingsRow[slot] = 1;
    PlayCursorSound();
  }
  if (Pressed(kInputUp, p)) {
    g_match.settingsRow[slot] = 0;
    PlayCursorSound();
  }
  int32_t& value =
      g_match.settingsRow[slot] == 0 ? g_match.startGaugeLevel[slot] : g_match.handicap[slot];
  const int top = g_match.settingsRow[slot] == 0 ? 2 : 4;
  if (Pressed(kInputRight, p)) {
    value = std::min(value + 1, top);
    PlayCursorSound();
  }
  if (Pressed(kInputLeft, p)) {
    value = std::max(value - 1, 0);
    PlayCursorSound();
  }
  value = std::clamp(value, 0, top);
  if (Pressed(kInputButton1, p) || Pressed(kInputButton2, p)) g_match.settingsPanelOpen[slot] = 0;
}

void CharacterSelectScene(int kind) {
  BeginMenuFrame();
  const int slots = PlayersInPlay();
  if (SceneFrame > 30 && BattleStartCountdown == 0) {
    bool served = false;
    // A back press ends the reading: nothing after it may start what the back leaves.
    for (int i = 0; i < slots && SceneFrame >= 0; ++i) {
      switch (g_match.selectState[i]) {
        case kSlotIdle:
          RunIdleSlot(i, slots);
          break;
        case kSlotChoosing:
          RunChoosingSlot(i);
          break;
        case kSlotComputerChoosing:
          RunComputerSlot(i, slots, served);
          break;
        case kSlotDecided:
        case kSlotComputerDecided:
          RunDecidedSlot(i, slots);
          break;
        default:
          break;
      }
    }
    const int deciding = Survival() ? 1 : slots;
    bool all = SceneFrame > 0;
    for (int i = 0; i < deciding && all; ++i) all = IsDecided(g_match.selectState[i]);
    if (all) {
      if (Survival()) {
        BattleStartCountdown = kCountdown;
      } else {
        FadeCaptureRequest = 1;
        SceneFrame = kind == 2 ? -13 : -9;
      }
    }
  }
  if (StepBattleStartCountdown()) StartSurvivalRun();
  RunCharacterSelectSwitches();
  DrawCharacterSelect(slots);
  EndMenuFrame();
}

void TeamAssignScene() {
  BeginMenuFrame();
  const int n = SceneFrame;
  const int slots = PlayersInPlay();
  if (n == 1) MenuCursor = MenuReturnCursor;
  if (MenuCursor < 0 || MenuCursor >= slots) MenuCursor = 0;
  if (n > 30) {
    for (int i = 0; i < slots && SceneFrame >= 0; ++i) {
      if (g_match.cpuFlag[i] != 0) continue;
      if (Pressed(kInputLeft, i)) {
        if (--MenuCursor < 0) MenuCursor = slots - 1;
        PlayCursorSound();
      }
      if (Pressed(kInputRight, i)) {
        if (++MenuCursor >= slots) MenuCursor = 0;
        PlayCursorSound();
      }
      if (Pressed(kInputUp, i)) {
        g_match.team[MenuCursor] = 0;
        PlayCursorSound();
      }
      if (Pressed(kInputDown, i)) {
        g_match.team[MenuCursor] = 1;
        PlayCursorSound();
      }
      if (Pressed(kInputButton1, i)) {
        int teamZero = 0;
        for (int j = 0; j < slots; ++j) teamZero += g_match.team[j] == 0 ? 1 : 0;
        // Both sides need someone.
        if (teamZero >= 1 && teamZero <= slots - 1) {
          PlayAcceptSound();
          FadeCaptureRequest = 1;
          SceneFrame = -9;
        }
      } else if (Pressed(kInputButton2, i)) {
        PlayCancelSound();
        FadeCaptureRequest = 1;
        SceneFrame = -16;
        ClearChoices();
      }
    }
  }
  if (SceneFrame == -8) {
    SceneId = kSceneStageSelect;
    SceneFrame = 0;
  } else if (SceneFrame == -15) {
    SceneId = kSceneTeamCharacterSelect;
    SceneFrame = 0;
  }

  DrawMenuHeader(2, 2, 255);
  for (int i = 0; i < slots; ++i) {
    const int x = 95 + 150 * i;
    SetPlainDrawing();
    DrawCentred(x, 110, MenuPicture(kPicPNum, g_match.cpuFlag[i] != 0 ? kComputerSign : i));
    const int team = std::clamp(g_match.team[i], 0, 1);
    SetAlphaDrawing(128);
    DrawCentred(x, 210 + 80 * team, MenuPicture(kPicFont08, team));
    // The sign of the player under the cursor pulses; it is drawn once per player.
    const int j = MenuCursor;
    const int cursorTeam = std::clamp(g_match.team[j], 0, 1);
    SetAlphaDrawing(TruncToInt((30 - n % 30) * (1.0 / 30) * 96 + 32));
    DrawCentred(95 + 150 * j, 210 + 80 * cursorTeam, MenuPicture(kPicFont08, cursorTeam));
  }
  DrawCrossFade();
  EndMenuFrame();
}

static_assert(kMenuList[kPicMapt].cells == kArenaCount,
              "the stage selection's picture of each arena");

void StageSelectScene() {
  BeginMenuFrame();
  const int slots = PlayersInPlay();
  const int count = std::max(g_match.versusStageCount, 1);
  if (SceneFrame >= 31 && BattleStartCountdown == 0) {
    for (int i = 0; i < slots; ++i) {
      if (g_match.cpuFlag[i] != 0) continue;
      if (Pressed(kInputLeft, i)) {
        if (--g_match.stage < 0 || g_match.stage >= count) g_match.stage = count - 1;
        PlayCursorSound();
      }
      if (Pressed(kInputRight, i)) {
        if (++g_match.stage >= count || g_match.stage < 0) g_match.stage = 0;
        PlayCursorSound();
      }
      if (Held(kInputButton3, i)) g_match.stage = morrow::GetRandomNumber(count - 1);
      // A final choice or a back ends the reading: the countdown must run out in this scene.
      if (Pressed(kInputButton1, i)) {
        BattleStartCountdown = kCountdown;
        PlayAcceptSound();
        break;
      }
      if (Pressed(kInputButton2, i)) {
        PlayCancelSound();
        FadeCaptureRequest = 1;
        if (g_match.teamMode == 1) {
          SceneFrame = -13;
        } else {
          ClearChoices();
          SceneFrame = -9;
        }
        break;
      }
    }
  }
  if (StepBattleStartCountdown()) StartVersusBattle();
  if (SceneFrame == -12) {
    SceneId = kSceneTeamAssign;
    SceneFrame = 0;
  } else if (SceneFrame == -8) {
    SceneId = kSceneCharacterSelect;
    SceneFrame = 0;
  }

  DrawMenuHeader(3, 1 + std::clamp(g_match.teamMode, 0, 1), 255);
  SetPlainDrawing();
  DrawCentred(320, 240, MenuPicture(kPicMapt, g_match.stage));
  DrawBattleStartCountdown(true);
  DrawCrossFade();
  EndMenuFrame();
}

}  // namespace veyrdale
