// The story's result screens and the high-score entry.
#include "game/flow/story_results.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <numbers>
#include <utility>

#include "game/core/data_files.h"
#include "game/core/frame_state.h"
#include "game/core/input.h"
#include "game/core/match_setup.h"
#include "game/core/numeric.h"
#include "game/core/records.h"
#include "game/core/resource_tables.h"
#include "game/core/result_state.h"
#include "game/core/scenario_state.h"
#include "game/core/scenes.h"
#include "game/flow/flow.h"
#include "game/flow/glyph_text.h"
#include "game/flow/menu_common.h"
#include "game/flow/result_number.h"
#include "game/flow/scenario.h"
#include "morrow/device/color_format.h"
#include "morrow/graphics/draw.h"
#include "morrow/sound/music.h"
#include "morrow/sound/sound.h"

namespace veyrdale {

namespace {

constexpr int kTallyFrame = 50;         // the bonus is worked out here; the count-up holds at 51
constexpr int kTallyStep = 500;         // score counted up per frame
constexpr int kFirstLeaveFrame = 91;    // the winner may leave from here
constexpr int kResultLeaveFrames = 70;  // the countdown of a leave press
constexpr int kTallyFadeFrames = 255;
constexpr int kSpinFrames = 50;
constexpr int kPanelFadeFrames = 20;

constexpr int kScriptStartFrame = 60;  // the ending script's first page is forced open here
constexpr int kWhiteOutFrames = 240;
constexpr int kStoryEndFadeFrames = 120;
constexpr int kFirstGameOverPress = 61;
constexpr int kGameOverLeaveFrames = 120;
constexpr int kGameOverFadeFrames = 255;

constexpr int kTables = kScoreRows / 10;

// The ending pictures of the extra story's won ending start at slot 7 (`ed07`), all others at 1.
constexpr int kMainEndingBase = 1;
constexpr int kExtraEndingBase = 7;

// The text colour of each portrait code of the ending script's speaker.
constexpr uint8_t kSpeakerColours[11][3] = {
    {255, 240, 224}, {224, 224, 224}, {232, 255, 232}, {255, 224, 255},
    {255, 208, 255}, {240, 224, 255}, {224, 208, 255}, {208, 208, 208},
    {224, 224, 255}, {255, 208, 208}, {224, 224, 208},
};

uint32_t White() {
  return morrow::PackScreenColor(255, 255, 255);
}

// A real truncated into 0..UINT32_MAX.
uint32_t TruncToUnsigned(double value) {
  const int64_t whole = TruncSaturated<int64_t>(value);
  return static_cast<uint32_t>(std::clamp<int64_t>(whole, 0, std::numeric_limits<uint32_t>::max()));
}

// Scene 10, the winner's leave press and the 70-frame countdown, then the next stage,
// the end of the story or, outside a story, the character selection.
void RunResultLeave() {
  const int winner = RoundWinner >= 1 && RoundWinner <= 4 ? RoundWinner - 1 : 0;
  if (SceneFrame >= kFirstLeaveFrame && LeaveCountdown == 0 && Pressed(kInputButton1, winner)) {
    LeaveCountdown = kResultLeaveFrames;
  }
  if (!StepLeaveCountdown()) {
    if (LeaveCountdown == 30 && g_match.storyStage < g_match.storyStageCount) {
      LoadLoadingPicture();
    }
    return;
  }
  const int32_t firstTaken = g_match.colourTaken[0][0];
  ReturnToCharacterSelection();
  if (g_match.storyMode > 0) {
    g_match.colourTaken[0][0] = firstTaken;
    SceneId = kSceneBattle;
    AdvanceStoryStage();
  }
}

// Scene 10, the bonus at frame 50, then the count-up, which holds the frame at 50 until
// the target is shown.
void RunTally() {
  int32_t& score = g_playerState.score[0];
  if (SceneFrame == kTallyFrame) {
    TallyTargetScore = SaturateToInt(
        std::clamp<int64_t>(int64_t{score} + StageBonus(), 0, std::numeric_limits<int32_t>::max()));
  }
  if (SceneFrame != kTallyFrame + 1) return;
  SceneFrame = kTallyFrame;
  if (score <= TallyTargetScore) score = SaturateToInt(int64_t{score} + kTallyStep);
  if (score >= TallyTargetScore || Pressed(kInputButton1, 0)) {
    score = TallyTargetScore;
    SceneFrame = kTallyFrame + 1;
  }
}

// Scene 10, the captured battle frame three times, spinning twice while it shrinks from
// the centre into a tinted thumbnail at the upper right, the two fainter copies lagging behind.
void DrawCapturedFrame() {
  constexpr double kTurn = 2 * std::numbers::pi;
  const int f = SceneFrame;
  for (int k = 2; k >= 0; --k) {
    if (k == 0) {
      SetPlainDrawing();
    } else {
      SetAlphaDrawing(k == 2 ? 16 : 32);
    }
    const int m = kSpinFrames - k;
    if (f < k) {
      morrow::SetModulationColor(255, 255, 255);
      morrow::DrawRotaGraph(760, 420, 0.4, kTurn, CaptureGraph, 1, 0);
    } else if (f < m) {
      const double p = (f - k) / 48.0;
      const double q = (m - f) / 48.0;
      morrow::SetModulationColor(255, TruncToInt(192 + 63 * q), TruncToInt(144 + 111 * q));
      const int turned = TruncToInt(512 * p) % 256;
      morrow::DrawRotaGraph(TruncToInt(440 * p + 320 * q), TruncToInt(180 * p + 240 * q),
                            1 - 0.6 * p, (256 - turned) * kTurn / 256, CaptureGraph, 1, 0);
    } else {
      morrow::SetModulationColor(255, 192, 144);
      morrow::DrawRotaGraph(440, 180, 0.4, 0, CaptureGraph, 1, 0);
    }
  }
}

// Scene 10, the statistics panel, fading in over its first 20 frames.
void DrawResultPanel() {
  morrow::SetModulationColor(255, 255, 255);
  morrow::SetFilterMode(0);
  const int f = SceneFrame;
  const double w = f * 0.05;
  const bool fading = f < kPanelFadeFrames;
  auto pictures = [&] {
    if (fading) {
      SetAlphaDrawing(TruncToInt(w * 255));
    } else {
      SetPlainDrawing();
    }
  };
  SetAlphaDrawing(fading ? TruncToInt(w * 96) : 96);
  DrawScreenBox(0, 0, 0);
  pictures();
  const PlayerBattleState& s = g_playerState;
  morrow::DrawGraph(120, 80, MenuPicture(kPicCBg, g_players[0].kind), 1);
  morrow::DrawGraph(128, 100, MenuPicture(kPicPNum, 0), 1);
  DrawResultNumber(208, 385, s.score[0], 0);
  DrawResultNumber(208, 185, StatPercentage(s.shotsHit[0], s.shotsFired[0]), 0);
  DrawResultNumber(208, 235, s.knockOuts[0], 0);
  DrawResultNumber(208, 285, DestructionPercentage(0), 0);
  DrawResultNumber(208, 335, s.damageDealt[0], 0);
  DrawResultNumber(208, 135, s.roundsWonTotal[0], 0);
  morrow::DrawGraph(0, 0, MenuPicture(kPicFont01, 9), 1);
  morrow::DrawGraph(fading ? TruncToInt((1 - w) * -480) : 0, 54, MenuPicture(kPicLine, 0), 1);
  morrow::DrawGraph(160, 24, MenuPicture(kPicFont04, 5), 1);
  constexpr int kLabelCells[6] = {1, 2, 3, 4, 5, 0};
  for (int i = 0; i < 6; ++i) {
    morrow::DrawGraph(10, 130 + 50 * i, MenuPicture(kPicFont02, kLabelCells[i]), 1);
  }
  SetAlphaDrawing(fading ? TruncToInt(w * 128) : 128);
  for (int y = 158; y <= 358; y += 50) morrow::DrawLine(10, y, 230, y, White());
  morrow::DrawLine(10, 408, 603, 408, White());
}

// Scene 10, the next stage's battle, set up in the frame the countdown ended.
void StartNextStage() {
  PlayerBattleState& s = g_playerState;
  std::fill(std::begin(s.wins), std::end(s.wins), 0);
  RoundWinner = 0;
  for (int p = 0; p < PlayerCountUpToFour(); ++p) {
    s.damageDealt[p] = s.obstaclesBroken[p] = s.knockOuts[p] = s.shotsHit[p] = 0;
    s.shotsFired[p] = 0;
  }
  LoadStoryStage();
}

// The ending picture of a slot (cell 0); -1, which draws nothing, outside the picture table: the
// script's picture counter has no upper limit.
int32_t EndingPicture(int64_t slot) {
  if (slot < 0 || slot >= kPictureSlots) return -1;
  return PictureSlots[static_cast<int>(slot)][0];
}

// Scene 21, the current picture, the previous one fading out over it.
void DrawEndingPictures() {
  const int base = g_match.storyKind == 1 && RoundWinner == 1 ? kExtraEndingBase : kMainEndingBase;
  morrow::SetModulationColor(255, 255, 255);
  SetPlainDrawing();
  DrawCentred(320, 240, EndingPicture(int64_t{base} + PictureIndex));
  if (PictureFadeFrames > 0) {
    SetAlphaDrawing(TruncToInt(PictureFadeFrames / 12.0 * 255));
    DrawCentred(320, 240, EndingPicture(int64_t{base} + PreviousPictureIndex));
    SetPlainDrawing();
    --PictureFadeFrames;
  }
}

// Scene 21, the script's three rows in the speaker's colour with a black edge.
void DrawEndingText() {
  uint32_t colour = 1;  // a speaker without a colour of its own draws with the plain value 1
  if (SpeakerSlot == 0 || SpeakerSlot == 1) {
    const int code = PortraitSlots[SpeakerSlot];
    if (code <= 10) {
      const uint8_t* c = kSpeakerColours[code];
      colour = morrow::PackScreenColor(c[0], c[1], c[2]);
    }
  }
  const uint32_t edge = morrow::PackScreenColor(0, 0, 0);
  for (int r = 0; r < 3; ++r) morrow::RenderText(32, 378 + 16 * r, EndingTextRows[r], colour, edge);
}

void RunStoryEnd() {
  if (SceneFrame == 0 || SceneFrame == 1) RunEndMusicFade = 0;
  DrawEndingPictures();
  if (SceneFrame == kScriptStartFrame) HeldFrameCounts[kInputButton1][0] = 1;
  if (SceneFrame >= kScriptStartFrame && LeaveCountdown == 0 &&
      StepScenario(g_match.storyStageCount) >= 1) {
    LeaveCountdown = kWhiteOutFrames;
  }
  DrawEndingText();
  const int c = LeaveCountdown;
  if (c > 0) {
    if (c > 90) {
      morrow::SetBlendMode(2, TruncToInt((kWhiteOutFrames - c) / 150.0 * 255));
    } else {
      SetPlainDrawing();
    }
    DrawScreenBox(255, 255, 255);
    StepMusicFade(RunEndMusicFade, kStoryEndFadeFrames);
  }
  if (StepLeaveCountdown()) {
    SceneFrame = 0;
    if (RoundWinner == 1) {
      SceneId = kSceneEnding;
      ClearStoryRun();
      g_match.storyStage = 0;
      morrow::StartMusicPlayback("Resource\\Bgm\\12.bgm", 1);
      morrow::SetMusicVolume(MusicVolumeSetting());
    } else {
      SceneId = kSceneGameOver;
      LoadGameResources(0);
    }
  }
  DrawCrossFade();
}

void RunGameOver() {
  if (SceneFrame == 0 || SceneFrame == 1) RunEndMusicFade = 0;
  morrow::SetModulationColor(255, 255, 255);
  SetPlainDrawing();
  morrow::DrawGraph(0, 0, MenuPicture(kPicBgt03, 0), 1);
  DrawCentred(320, 240, MenuPicture(kPicGameOver, 0));
  if (SceneFrame >= kFirstGameOverPress && LeaveCountdown == 0 && Pressed(kInputButton1, 0)) {
    LeaveCountdown = kGameOverLeaveFrames;
  }
  const int c = LeaveCountdown;
  if (c > 0) {
    if (c > 90) {
      SetAlphaDrawing(TruncToInt((kGameOverLeaveFrames - c) / 30.0 * 255));
    } else {
      SetPlainDrawing();
    }
    DrawScreenBox(0, 0, 0);
  }
  StepMusicFade(RunEndMusicFade, kGameOverFadeFrames);
  if (StepLeaveCountdown()) {
    SceneId = kSceneTitleReturn;
    SceneFrame = 0;
    ClearStoryRun();
    InsertStoryHighScore();
  }
  DrawCrossFade();
}

}  // namespace

bool StepLeaveCountdown() {
  return StepLeaveCountdown(LeaveCountdown);
}

bool StepLeaveCountdown(int32_t& countdown) {
  if (countdown <= 0) return false;
  --countdown;
  if (countdown == 1) FadeCaptureRequest = 1;
  return countdown == 0;
}

void StepMusicFade(int32_t& counter, int length) {
  // A scene nobody leaves counts on for ever: the count stops at the top instead of overflowing.
  if (counter < std::numeric_limits<int32_t>::max()) ++counter;
  if (counter < length) {
    morrow::SetMusicVolume(MusicVolumeSetting((length - counter) / static_cast<double>(length)));
  }
  if (counter == length) morrow::StopMusicPlayback();
}

void ClearStoryRun() {
  std::fill(std::begin(g_playerState.entryFrames), std::end(g_playerState.entryFrames), 0);
  g_match.storyMode = 0;
}

int32_t DestructionPercentage(int p) {
  // The product is taken in 64 bits: a cell count of 32767 times a large round counter does not
  // fit in 32.
  return StatPercentage(g_playerState.obstaclesBroken[p],
                        int64_t{DestructibleCells} * int64_t{RoundNumber});
}

void ReturnToCharacterSelection() {
  SceneId = g_match.teamMode != 0 ? kSceneTeamCharacterSelect : kSceneCharacterSelect;
  SceneFrame = 0;
  StatisticsShown = 0;
  for (int p = 0; p < 4; ++p) {
    g_match.cpuFlag[p] = 0;
    g_match.colourSlot[p] = 0;
  }
  PlayerBattleState& s = g_playerState;
  for (int p = 0; p < PlayerCountUpToFour(); ++p) {
    s.itemCount[p] = s.powerUp[p] = s.damageDealt[p] = s.obstaclesBroken[p] = 0;
    s.knockOuts[p] = s.shotsHit[p] = s.shotsFired[p] = 0;
  }
  for (auto& row : g_match.colourTaken) std::fill(std::begin(row), std::end(row), 0);
}

int32_t StatPercentage(int64_t part, int64_t whole) {
  if (whole == 0) return 0;
  const int32_t percent = TruncToInt(static_cast<double>(part) / static_cast<double>(whole) * 100);
  return percent < 0 ? 0 : percent;
}

uint32_t StageBonus() {
  const PlayerBattleState& s = g_playerState;
  const auto u = [](int64_t v) { return static_cast<uint32_t>(v); };
  const uint32_t hitPercent = u(StatPercentage(s.shotsHit[0], s.shotsFired[0]));
  const uint32_t destroyedPercent = u(StatPercentage(s.obstaclesBroken[0], DestructibleCells));
  // Wraps as the machine's 32-bit arithmetic does, never as a signed overflow.
  const uint32_t base = 50u * (4u * (hitPercent + destroyedPercent + 50u * u(s.knockOuts[0])) +
                               u(s.powerUp[0]) + u(s.damageDealt[0]));
  const uint32_t staged = TruncToUnsigned(base * (1 + 0.25 * g_match.storyStage));
  return TruncToUnsigned(staged * (static_cast<double>(g_options.difficulty) + 1) * 0.5);
}

void StoryRoundResultScene() {
  if (SceneFrame == 0 || SceneFrame == 1) TallyMusicFade = 0;
  RunResultLeave();
  RunTally();
  StepMusicFade(TallyMusicFade, kTallyFadeFrames);
  morrow::SetModulationColor(255, 255, 255);
  morrow::SetFilterMode(0);
  SetPlainDrawing();
  morrow::DrawGraph(0, 0, MenuPicture(kPicBgt03, 0), 1);
  morrow::SetFilterMode(1);
  DrawCapturedFrame();
  DrawResultPanel();
  DrawLoadingFade(LeaveCountdown, false);
  if (SceneId == kSceneBattle) StartNextStage();
}

void StoryRunEndScene(int ending) {
  if (ending == 1) {
    RunStoryEnd();
  } else {
    RunGameOver();
  }
}

void InsertStoryHighScore() {
  const int64_t table = int64_t{g_options.difficulty} + 4 * int64_t{g_match.storyKind};
  if (table >= 0 && table < kTables) {
    ScoreTable& t = g_scores;
    const int first = static_cast<int>(table) * 10;
    const int last = first + 9;
    const int32_t score = g_playerState.score[0];
    if (static_cast<uint32_t>(score) > static_cast<uint32_t>(t.score[last])) {
      t.score[last] = score;
      t.stage[last] = RoundNumber;
      t.cards[last] = cardsBroken;
    }
    for (int i = first; i < last; ++i) {
      int best = i;
      for (int j = i + 1; j <= last; ++j) {
        if (t.score[j] > t.score[best]) best = j;
      }
      std::swap(t.score[i], t.score[best]);
      std::swap(t.stage[i], t.stage[best]);
      std::swap(t.cards[i], t.cards[best]);
    }
  }
  g_match.storyStage = 0;
  SaveDataFile(kScoresFile, kSaveScores);
}

}  // namespace veyrdale
