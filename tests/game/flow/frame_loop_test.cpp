// The run of the game on the recording stand-in of the library: start-up and shut-down, the frame
// loop's steps, its counters, presentation, pause and frame time, and the quit scene.
#include "game/flow/frame_loop.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "game/battle/cpu_player.h"
#include "game/core/data_files.h"
#include "game/core/frame_state.h"
#include "game/core/input.h"
#include "game/core/match_setup.h"
#include "game/core/records.h"
#include "morrow/recording/library_recorder.h"
#include "platform/directory.h"
#include "tests/support/resource_loads.h"
#include "tests/support/temp_dir.h"

namespace {

using namespace veyrdale;
using testsupport::RecordedCall;
using testsupport::Recorder;

constexpr int kEscape = 1;
constexpr int kF5 = 63;
constexpr int kNoScene = 5;  // a scene number nothing writes

void ResetFrameState() {
  SceneId = kNoScene;
  SceneFrame = 0;
  FrameCount = 0;
  FreezeFrames = 0;
  ExitRequested = 0;
  SlowMotionFrames = 0;
  CaptureGraph = -1;
  FadeCaptureRequest = 0;
  FadeFrames = 0;
  SpellCaptureRequest = 0;
  SpellFadeFrames = 0;
  ReversedControlsActive = 0;
  FrameStartTime = 0;
  for (int d = 0; d < 10; ++d) DigitGraphs[d] = SmallDigitGraphs[d] = BigDigitGraphs[d] = -1;
  g_display = DisplaySettings{};
  g_options = OptionSettings{};
  g_match = MatchSetup{};
  g_frameRate = FrameRateCounter{};
  g_pauseKey = PauseKeyState{};
  g_playerState = PlayerBattleState{};
  for (auto& counts : HeldFrameCounts) {
    for (int32_t& c : counts) c = 0;
  }
  for (auto& counts : PendingPressCounts) {
    for (int32_t& c : counts) c = 0;
  }
}

// What the frame state held when a frame was presented.
struct Snapshot {
  int32_t frameCount;
  int32_t sceneFrame;
  int32_t freezeFrames;
  int32_t fadeFrames;
  int32_t spellFadeFrames;
};

class FrameLoop : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(platform::GetCurrentDirectory(&old_));
    ASSERT_TRUE(platform::SetCurrentDirectory(dir_.path()));
    // A folder the game finds its resources in (the recorder loads them without files), so the
    // start says nothing about them.
    std::filesystem::create_directories("Resource");
    Fresh();
  }
  // A fresh library, fresh stand-ins, the frame state of program start and no hooks.
  void Fresh() {
    Recorder().Reset();
    ResetFrameState();
    frame_ = 0;
    presents_.clear();
    hooks_.clear();
    Recorder().onCall = [this](const RecordedCall& call) {
      if (call.name == "ClearDrawTarget") ++frame_;
      if (call.name == "PresentFrame") {
        presents_.push_back({FrameCount, SceneFrame, FreezeFrames, FadeFrames, SpellFadeFrames});
      }
      for (auto& hook : hooks_) hook(call);
    };
  }
  void TearDown() override {
    Recorder().onCall = nullptr;
    Recorder().Reset();
    ResetFrameState();
    platform::SetCurrentDirectory(old_);
  }

  // Escape goes down during frame n (counted from 1 by the frames' clearing); the loop then ends
  // after that frame.
  void EscapeInFrame(int n) {
    hooks_.push_back([this, n](const RecordedCall& call) {
      if (call.name == "ClearDrawTarget" && frame_ == n) Recorder().SetKey(kEscape, true);
    });
  }
  // At the start of frame n (before input and scene), run `act`.
  void AtFrame(int n, std::function<void()> act) {
    hooks_.push_back([this, n, act](const RecordedCall& call) {
      if (call.name == "ClearDrawTarget" && frame_ == n) act();
    });
  }
  // The recorded calls of frame n, from its clearing to the next frame's.
  std::vector<std::string> FrameCalls(int n) const {
    std::vector<std::string> out;
    int f = 0;
    for (const RecordedCall& c : Recorder().Calls()) {
      if (c.name == "ClearDrawTarget") ++f;
      if (f == n) out.push_back(c.Text());
      if (f > n) break;
    }
    return out;
  }
  std::vector<int32_t> PresentedFrameCounts() const {
    std::vector<int32_t> counts;
    for (const Snapshot& s : presents_) counts.push_back(s.frameCount);
    return counts;
  }

  testsupport::TempDir dir_;
  std::string old_;
  int frame_ = 0;
  std::vector<Snapshot> presents_;
  std::vector<std::function<void(const RecordedCall&)>> hooks_;
};

void WriteDataFile(const char* local, const std::vector<int32_t>& words) {
  std::string bytes;
  for (int32_t w : words) {
    for (int k = 0; k < 4; ++k)
      bytes += static_cast<char>((static_cast<uint32_t>(w) >> (8 * k)) & 0xFF);
  }
  std::filesystem::create_directories("Data");
  testsupport::WriteFile(local, bytes);
}

TEST_F(FrameLoop, StartUpAndShutDownInOrder) {
  struct Case {
    const char* name;
    std::vector<int32_t> cnf;  // empty: no file
    const char* screenMode;
    const char* windowMode;
    const char* startFlag;
  } cases[] = {
      {"no display file",
       {},
       "SelectScreenMode 640 480 32 -1",
       "ChangeWindowMode 0",
       "SetDDrawStartFlag 1"},
      {"window, 16 bits",
       {1, 1, 0, 0},
       "SelectScreenMode 640 480 16 -1",
       "ChangeWindowMode 1",
       "SetDDrawStartFlag 1"},
      {"no vertical-sync wait",
       {0, 0, 1, 1},
       "SelectScreenMode 640 480 32 -1",
       "ChangeWindowMode 0",
       "SetDDrawStartFlag 0"},
      {"edited words",
       {7, -3, INT_MIN, 1},
       "SelectScreenMode 640 480 32 -1",
       "ChangeWindowMode 0",
       "SetDDrawStartFlag 1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Fresh();
    std::filesystem::remove_all("Data");
    if (!c.cnf.empty()) WriteDataFile("Data/cnf.dat", c.cnf);
    Recorder().SetKey(kEscape, true);
    ASSERT_EQ(WinMain(), 0);
    const std::vector<std::string> want = {
        "SetGraphVideoMemoryFlag 0",
        "SetWindowIcon 114",
        c.screenMode,
        c.windowMode,
        "SetWindowTitle Veyrdale",
        "SetMouseVisible 0",
        "InitLibrary",
        c.startFlag,
        "SetHardwareShapeDrawFlag 1",
        "SetMouseVisible 0",
        "LoadGameResources 0",
        "SetDefaultFontSize 15",
        "SetDefaultFontThickness 6",
        "SetDefaultFontType 3",
        "SelectDrawTarget -2",
        "CreateEmptyGraph 640 480",
        "LoadDividedGraph Resource\\font00.dat 10 10 1 11 16",
        "LoadDividedGraph Resource\\font00s.dat 10 10 1 10 13",
        "LoadDividedGraph Resource\\font00b.dat 10 10 1 15 25",
        "PlayOneShotSound Resource\\Bgm\\00.bgm 3",
        "StopOneShotSound",
        "IsKeyPressed 1",
        "StopMusicPlayback",
        "DeleteAllGraphs 0",
        "DeleteAllSounds 0",
        "DeleteAllMemoryHandles",
        "EndLibrary",
    };
    std::vector<std::string> got;
    // One step for the resource load; its calls and the data files' log are other tests' business.
    for (const RecordedCall& call : testsupport::FoldResourceLoads(Recorder().Calls())) {
      if (call.name != "WriteLog") got.push_back(call.Text());
    }
    EXPECT_EQ(got, want);
    // The capture graph and the 30 digits were made before the loop and released at the end.
    EXPECT_EQ(Recorder().Named("CreateEmptyGraph")[0].answer, CaptureGraph);
    EXPECT_NE(CaptureGraph, -1);
    EXPECT_NE(DigitGraphs[9], -1);
    EXPECT_NE(SmallDigitGraphs[0], BigDigitGraphs[0]);
    EXPECT_EQ(Recorder().LiveGraphs(), 0);
  }
}

TEST_F(FrameLoop, DataFilesAreReadBeforeTheLibraryStarts) {
  WriteDataFile("Data/config.sav", {3, 2, 0, 1, 1, 1, 2, 5, 6, 41, 42});
  WriteDataFile("Data/score.sav", {2});
  WriteDataFile("Data/key.inf", {0x400});
  WriteDataFile("Data/score_s.sav", {555});
  g_options.spare[0] = 9;
  int32_t difficultyAtStart = -1;
  Recorder().onCall = [&](const RecordedCall& call) {
    if (call.name == "InitLibrary") difficultyAtStart = g_options.difficulty;
  };
  Recorder().SetKey(kEscape, true);
  ASSERT_EQ(WinMain(), 0);
  EXPECT_EQ(difficultyAtStart, 3);
  EXPECT_EQ(g_options.spare[0], 41);
  EXPECT_EQ(g_options.soundVolume, 6);
  EXPECT_EQ(g_scores.unlockLevel, 2);
  EXPECT_EQ(g_buttonMap.masks[0][0], 0x400);
  EXPECT_EQ(g_buttonMap.masks[0][1], 0x20);
  EXPECT_EQ(g_survival.bestScore[0], 555);
  g_scores = ScoreTable{};
  g_survival = SurvivalRecord{};
  g_buttonMap = ButtonMap{};
}

TEST_F(FrameLoop, MissingFilesLeaveTheOptionDefaults) {
  g_options = OptionSettings{0, 0, 0, 1, 1, 1, 0, 0, 0, {3, 4}};
  Recorder().SetKey(kEscape, true);
  ASSERT_EQ(WinMain(), 0);
  const OptionSettings& o = g_options;
  EXPECT_EQ((std::vector<int32_t>{o.difficulty, o.winCount, o.timeLimit, o.effectLevel,
                                  o.meleeLevel, o.stunRingDisplay, o.obstacleStrength,
                                  o.musicVolume, o.soundVolume, o.spare[0], o.spare[1]}),
            (std::vector<int32_t>{1, 1, 1, 0, 0, 0, 1, 20, 19, 3, 4}));
}

// A start that fails ends the run at once, the game only asking why: -1 when it failed outright
// (the library said so itself), 1 without a display, after the one line the player is owed (on
// standard error and in the log: the notice writes both).
TEST_F(FrameLoop, FailedLibraryStartReturnsAtOnce) {
  const struct {
    const char* name;
    const char* noDisplay;
    int result;
    std::vector<std::string> after;  // the calls after the start
  } cases[] = {
      {"failed outright", "", -1, {"LibraryNoDisplayReason"}},
      {"no display",
       "DISPLAY is nowhere",
       1,
       {"LibraryNoDisplayReason", "WriteLogNotice veyrdale: no display: DISPLAY is nowhere"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Fresh();
    Recorder().initResult = -1;
    Recorder().noDisplay = c.noDisplay;
    EXPECT_EQ(WinMain(), c.result);
    const std::vector<RecordedCall>& calls = Recorder().Calls();
    const auto start = std::find_if(calls.begin(), calls.end(), [](const RecordedCall& call) {
      return call.name == "InitLibrary";
    });
    ASSERT_NE(start, calls.end());
    std::vector<std::string> after;
    for (auto call = start + 1; call != calls.end(); ++call) after.push_back(call->Text());
    EXPECT_EQ(after, c.after);
    EXPECT_TRUE(testsupport::ResourceLoadModes().empty());
  }
}

TEST_F(FrameLoop, LoopEndsOnEscapeOrClose) {
  struct Case {
    const char* name;
    int frame;
    bool escape;  // else the window closes
  } cases[] = {{"escape in frame 1", 1, true},
               {"escape in frame 4", 4, true},
               {"close in frame 1", 1, false},
               {"close in frame 7", 7, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Fresh();
    if (c.escape) {
      EscapeInFrame(c.frame);
    } else {
      Recorder().pumpScript = [&c](int call) { return call == c.frame ? -1 : 0; };
    }
    EXPECT_EQ(WinMain(), 0);
    EXPECT_EQ(Recorder().Count("ClearDrawTarget"), c.frame);
    EXPECT_EQ(Recorder().Count("PresentFrame"), c.frame);
    EXPECT_EQ(FrameCount, c.frame);
    EXPECT_EQ(Recorder().Count("EndLibrary"), 1);
    EXPECT_EQ(Recorder().Calls().back().name, "EndLibrary");
  }
}

// A number without a scene: the frame only clears, reads input, shows the frame rate and
// presents, and the scene never changes by itself.
TEST_F(FrameLoop, SceneWithoutARowRunsNothing) {
  for (int scene : {5, 14, 17, 18, 19, 31, -1, 1000, INT_MIN}) {
    SCOPED_TRACE(scene);
    Fresh();
    SceneId = scene;
    EscapeInFrame(50);
    ASSERT_EQ(WinMain(), 0);
    const std::string one = std::to_string(SmallDigitGraphs[1]);
    const std::vector<std::string> want = {"ClearDrawTarget",
                                           "GetPadInputBits 4097",
                                           "GetPadInputBits 2",
                                           "GetPadInputBits 3",
                                           "GetPadInputBits 4",
                                           "SetBlendMode 0 255",
                                           "DrawGraph 320 465 " + one + " 1",
                                           "IsKeyPressed 63",
                                           "PresentFrame",
                                           "PumpMessages",
                                           "IsKeyPressed 1"};
    EXPECT_EQ(FrameCalls(2), want);
    EXPECT_EQ(FrameCalls(49), want);
    EXPECT_EQ(SceneId, scene);
    EXPECT_EQ(SceneFrame, 50);
  }
}

TEST_F(FrameLoop, ComputerPlayersWishInsteadOfReadingPads) {
  ResetCpuPlayers();
  g_match.cpuFlag[1] = 1;
  g_match.cpuFlag[3] = 1;
  PendingPressCounts[kInputButton1][1] = 2;
  PendingPressCounts[kInputLeft][3] = 1;
  Recorder().SetPadBits(2, 0x10);  // pad 2 is not read while player 1 is the computer
  std::vector<int32_t> button1;
  hooks_.push_back([&](const RecordedCall& call) {
    if (call.name == "PresentFrame") button1.push_back(HeldFrameCounts[kInputButton1][1]);
  });
  EscapeInFrame(3);
  ASSERT_EQ(WinMain(), 0);
  std::vector<int64_t> devices;
  for (const RecordedCall& c : Recorder().Named("GetPadInputBits")) devices.push_back(c.Int(0));
  EXPECT_EQ(devices, (std::vector<int64_t>{0x1001, 3, 0x1001, 3, 0x1001, 3}));
  // Outside the battle the controller decides nothing: the wishes pass through unchanged.
  EXPECT_EQ(CpuCountdown[1], 0);
  EXPECT_EQ(CpuCountdown[3], 0);
  EXPECT_EQ(button1, (std::vector<int32_t>{1, 2, 0}));
  EXPECT_EQ(HeldFrameCounts[kInputLeft][3], 0);
}

TEST_F(FrameLoop, ReversingCardSwapsDirectionsBeforeTheScene) {
  struct Case {
    uint8_t active;
    int32_t upCount;
    int32_t downCount;
  } cases[] = {{1, 0, 1}, {0, 1, 0}, {2, 1, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.active));
    Fresh();
    g_match.playerCount = 2;
    g_playerState.reverseTimer[0] = 800;
    ReversedControlsActive = c.active;
    Recorder().SetPadBits(2, 0x8);  // player 1 holds up
    EscapeInFrame(1);
    ASSERT_EQ(WinMain(), 0);
    EXPECT_EQ(HeldFrameCounts[kInputUp][1], c.upCount);
    EXPECT_EQ(HeldFrameCounts[kInputDown][1], c.downCount);
  }
}

TEST_F(FrameLoop, FreezeHoldsSceneFrameWhileFrameCountRuns) {
  FreezeFrames = 60;
  SceneFrame = 7;
  EscapeInFrame(65);
  ASSERT_EQ(WinMain(), 0);
  ASSERT_EQ(presents_.size(), 65u);
  for (int f = 1; f <= 65; ++f) {
    const Snapshot& s = presents_[f - 1];
    EXPECT_EQ(s.frameCount, f);
    EXPECT_EQ(s.sceneFrame, f <= 60 ? 7 : 7 + f - 60) << f;
    EXPECT_EQ(s.freezeFrames, f <= 60 ? 60 - f : 0) << f;
  }
}

TEST_F(FrameLoop, HalfRatePresentsOddFramesAndEveryCapture) {
  struct Case {
    const char* name;
    int32_t halfRate;
    std::vector<int> fadeFrames;   // frames that ask for a cross-fade capture
    std::vector<int> spellFrames;  // frames that ask for a spell capture
    std::vector<int32_t> presented;
    std::vector<int32_t> captured;
  } cases[] = {
      {"full rate", 0, {}, {}, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, {}},
      {"half rate", 1, {}, {}, {1, 3, 5, 7, 9}, {}},
      {"any non-zero word", -4, {}, {}, {1, 3, 5, 7, 9}, {}},
      {"captures", 1, {4, 8}, {6, 8}, {1, 3, 4, 5, 6, 7, 8, 9}, {4, 6, 8}},
      {"captures at full rate", 0, {2}, {9}, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, {2, 9}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Fresh();
    g_display.halfRatePresent = c.halfRate;
    for (int f : c.fadeFrames) AtFrame(f, [] { FadeCaptureRequest = 1; });
    for (int f : c.spellFrames) AtFrame(f, [] { SpellCaptureRequest = 1; });
    std::vector<int32_t> captured;
    hooks_.push_back([&](const RecordedCall& call) {
      if (call.name == "CopyScreenToGraph") {
        EXPECT_EQ(call.Text(),
                  "CopyScreenToGraph 0 0 640 480 " + std::to_string(CaptureGraph) + " 1");
        captured.push_back(FrameCount);
      }
    });
    EscapeInFrame(10);
    ASSERT_EQ(WinMain(), 0);
    EXPECT_EQ(PresentedFrameCounts(), c.presented);
    EXPECT_EQ(captured, c.captured);
    for (const Snapshot& s : presents_) {
      auto has = [&](const std::vector<int>& frames) {
        for (int f : frames) {
          if (f == s.frameCount) return true;
        }
        return false;
      };
      if (has(c.fadeFrames)) {
        EXPECT_EQ(s.fadeFrames, 30) << s.frameCount;
      }
      if (has(c.spellFrames)) {
        EXPECT_EQ(s.spellFadeFrames, 20) << s.frameCount;
      }
    }
    // Every capture is presented right after its copy.
    const auto& calls = Recorder().Calls();
    for (size_t i = 0; i + 1 < calls.size(); ++i) {
      if (calls[i].name == "CopyScreenToGraph") {
        EXPECT_EQ(calls[i + 1].name, "PresentFrame");
      }
    }
    EXPECT_EQ(FadeCaptureRequest, 0);
    EXPECT_EQ(SpellCaptureRequest, 0);
  }
}

TEST_F(FrameLoop, RequestsOtherThanOneAreClearedWithoutCapture) {
  g_display.halfRatePresent = 1;
  AtFrame(2, [] {
    FadeCaptureRequest = 2;
    SpellCaptureRequest = 255;
  });
  EscapeInFrame(3);
  ASSERT_EQ(WinMain(), 0);
  EXPECT_EQ(Recorder().Count("CopyScreenToGraph"), 0);
  EXPECT_EQ(PresentedFrameCounts(), (std::vector<int32_t>{1, 3}));
  EXPECT_EQ(FadeCaptureRequest, 0);
  EXPECT_EQ(SpellCaptureRequest, 0);
  EXPECT_EQ(FadeFrames, 0);
}

// F5 pressed in frame 3 pauses: the pause only pumps and reads F5, holding F5 does not toggle
// again, and a second press resumes the same frame.
TEST_F(FrameLoop, PauseKeyTogglesOncePerPress) {
  // Pump calls: 1 and 2 end frames 1 and 2; from 3 on the pause pumps.
  Recorder().pumpScript = [](int call) {
    if (call == 2) Recorder().SetKey(kF5, true);   // down for frame 3: pause
    if (call == 6) Recorder().SetKey(kF5, false);  // held through pumps 3-5: stays paused
    if (call == 8) Recorder().SetKey(kF5, true);   // pressed again: resumes
    if (call == 9) Recorder().SetKey(kF5, false);  // frame 3's own pump
    if (call == 11) Recorder().SetKey(kEscape, true);
    return 0;
  };
  Recorder().quiet.erase("SleepThread");
  ASSERT_EQ(WinMain(), 0);
  EXPECT_EQ(g_pauseKey.presses, 2);
  EXPECT_EQ(Recorder().Count("PresentFrame"), 5);
  EXPECT_EQ(FrameCount, 5);
  // Inside the pause: nothing but the pump, the F5 read, the held frame and the sleep.
  const std::vector<std::string> frame3 = FrameCalls(3);
  auto paused = std::find(frame3.begin(), frame3.end(), "IsKeyPressed 63");
  auto resumed = std::find(frame3.begin(), frame3.end(), "PresentFrame");
  ASSERT_NE(paused, frame3.end());
  ASSERT_NE(resumed, frame3.end());
  int pumps = 0;
  for (auto it = paused; it != resumed; ++it) {
    EXPECT_TRUE(*it == "IsKeyPressed 63" || *it == "PumpMessages" || *it == "SleepThread 1" ||
                *it == "SleepThread 0" || *it == "GetHighResolutionCount 0" || *it == "HoldFrame")
        << *it;
    pumps += *it == "PumpMessages" ? 1 : 0;
  }
  EXPECT_EQ(pumps, 6);
}

TEST_F(FrameLoop, CloseWhilePausedEndsPauseAndLoop) {
  Recorder().pumpScript = [](int call) {
    if (call == 1) Recorder().SetKey(kF5, true);
    return call == 4 ? -1 : 0;
  };
  ASSERT_EQ(WinMain(), 0);
  EXPECT_EQ(g_pauseKey.presses, 1);
  // Frame 2 paused, the close ended the pause, the frame was finished and the loop left.
  EXPECT_EQ(Recorder().Count("ClearDrawTarget"), 2);
  EXPECT_EQ(FrameCount, 2);
  EXPECT_EQ(Recorder().Count("EndLibrary"), 1);
}

// On the fake clock: no frame ends before 16,666.67 µs after its start; the wait sleeps once to
// a deadline and reads the clock only through the last kFrameSpinMicroseconds, whatever the frame
// left of the time; a slow-motion frame waits 51 ms more.
TEST_F(FrameLoop, NoFrameEndsEarly) {
  struct Case {
    int64_t step;  // microseconds per clock read
    int slowFrames;
  } cases[] = {{1, 0}, {50, 0}, {997, 0}, {5000, 0}, {20000, 0}, {50, 2}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.step);
    Fresh();
    Recorder().clock.SetStepPerRead(c.step);
    Recorder().quiet.clear();
    SlowMotionFrames = c.slowFrames;
    std::vector<double> lengths;
    std::vector<int> readsPerWait;
    std::vector<int> sleepsPerWait;
    int reads = 0;
    int sleeps = 0;
    hooks_.push_back([&](const RecordedCall& call) {
      // The wait runs from the present to the frame's last pump.
      if (call.name == "PresentFrame") reads = sleeps = 0;
      if (call.name == "GetHighResolutionCount") ++reads;
      if (call.name == "SleepUntilHighResolutionCount" || call.name == "SleepThread") ++sleeps;
      if (call.name == "PumpMessages") {
        lengths.push_back(static_cast<double>(call.time - FrameStartTime));
        readsPerWait.push_back(reads);
        sleepsPerWait.push_back(sleeps);
      }
    });
    EscapeInFrame(12);
    ASSERT_EQ(WinMain(), 0);
    ASSERT_EQ(lengths.size(), 12u);
    for (size_t f = 0; f < lengths.size(); ++f) {
      const bool slow = static_cast<int>(f) < c.slowFrames;
      const double floor = kFrameMicroseconds + (slow ? 51000 : 0);
      EXPECT_GE(lengths[f], floor) << f;
      // Past the end by no more than the few clock reads of a frame.
      EXPECT_LT(lengths[f], floor + 4.0 * c.step + 1000) << f;
      if (c.step < kFrameSpinMicroseconds) {
        EXPECT_EQ(sleepsPerWait[f], 1) << f;
        EXPECT_LE(readsPerWait[f], kFrameSpinMicroseconds / c.step + 3) << f;
      } else {
        // The frame's own reads used the time up: at most one short sleep.
        EXPECT_LE(sleepsPerWait[f], 1) << f;
        EXPECT_LE(readsPerWait[f], 2 + 16667 / c.step) << f;
      }
    }
    EXPECT_EQ(Recorder().Count("WaitMilliseconds"), c.slowFrames);
    EXPECT_EQ(SlowMotionFrames, 0);
  }
}

TEST_F(FrameLoop, QuitSceneGlowsOutReleasesAndEnds) {
  struct Case {
    int32_t fadeFrames;
    int glowDraws;
  } cases[] = {{30, 30}, {0, 0}, {200, 100}, {-5, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fadeFrames);
    Fresh();
    SceneId = 6;
    FadeFrames = c.fadeFrames;
    // Safety net: a loop that never ends is stopped, and then fails the frame count below.
    EscapeInFrame(400);
    std::vector<int> releaseFrames;
    std::vector<int> failedDrawFrames;
    hooks_.push_back([&](const RecordedCall& call) {
      if (call.name == "DeleteAllGraphs" && Recorder().started()) releaseFrames.push_back(frame_);
      if (call.name == "DrawGraph" && call.answer == -1 &&
          (failedDrawFrames.empty() || failedDrawFrames.back() != frame_)) {
        failedDrawFrames.push_back(frame_);
      }
    });
    ASSERT_EQ(WinMain(), 0);
    // Frames with SceneFrame 0 to 120; the loop ends before the next iteration.
    EXPECT_EQ(Recorder().Count("ClearDrawTarget"), 121);
    EXPECT_EQ(ExitRequested, 1);
    EXPECT_EQ(SceneFrame, 121);
    // Released in the frame with SceneFrame 118, and again at shut-down.
    EXPECT_EQ(releaseFrames, (std::vector<int>{119, 121}));
    int deletes = 0;
    for (const RecordedCall& call : testsupport::FoldResourceLoads(Recorder().Calls())) {
      deletes += call.name == "DeleteAllSounds";
    }
    EXPECT_EQ(deletes, 2) << "besides the start-up's resource load";
    // From then on nothing can be drawn: the frame rate's digits are gone.
    EXPECT_EQ(failedDrawFrames, (std::vector<int>{119, 120, 121}));
    const std::vector<RecordedCall> glows = Recorder().Named("DrawRotaGraph");
    ASSERT_EQ(static_cast<int>(glows.size()), c.glowDraws);
    for (int i = 0; i < c.glowDraws; ++i) {
      const int f = c.fadeFrames - i;
      char scale[32];
      std::snprintf(scale, sizeof scale, "%.9g", 1 + (30 - f) * 0.002);
      EXPECT_EQ(glows[i].Text(), std::string("DrawRotaGraph 320 240 ") + scale + " 0 " +
                                     std::to_string(CaptureGraph) + " 1 0");
    }
    if (c.glowDraws > 0) {
      // The glow of the first frame: filter on, additive blend by the fade, the draw, filter off.
      const std::vector<std::string> first = FrameCalls(1);
      const auto at = std::find(first.begin(), first.end(), "SetFilterMode 1");
      ASSERT_NE(at, first.end());
      ASSERT_LT(at + 3, first.end());
      EXPECT_EQ(*(at + 1),
                "SetBlendMode 2 " + std::to_string(static_cast<int>(c.fadeFrames * 0.05 * 255)));
      EXPECT_EQ((at + 2)->substr(0, 13), "DrawRotaGraph");
      EXPECT_EQ(*(at + 3), "SetFilterMode 0");
    }
    EXPECT_EQ(FadeFrames, c.fadeFrames > 100 ? c.fadeFrames - 100 : std::min(c.fadeFrames, 0));
  }
}

TEST(BigNumbers, NineDigitsSixteenPixelsApart) {
  Recorder().Reset();
  for (int d = 0; d < 10; ++d) BigDigitGraphs[d] = 7000 + d;
  struct Case {
    int value;
    const char* digits;  // from the right
  } cases[] = {{0, "000000000"},          {7, "700000000"},       {123456789, "987654321"},
               {1234567890, "098765432"}, {INT_MAX, "746384741"}, {-5, "000000000"},
               {INT_MIN, "000000000"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    Recorder().ClearCalls();
    DrawBigNumber(300, 40, c.value);
    const auto& calls = Recorder().Calls();
    ASSERT_EQ(calls.size(), 10u);
    EXPECT_EQ(calls[0].Text(), "SetModulationColor 255 255 255");
    for (int k = 0; k < 9; ++k) {
      EXPECT_EQ(calls[k + 1].Text(), "DrawGraph " + std::to_string(300 - 16 * k) + " 40 " +
                                         std::to_string(7000 + (c.digits[k] - '0')) + " 1");
    }
  }
  for (int d = 0; d < 10; ++d) BigDigitGraphs[d] = -1;
}

TEST(FrameRate, CountsTheFramesOfEachSecond) {
  Recorder().Reset();
  struct Step {
    int64_t atMs;  // clock when the frame is counted
    uint32_t shown;
  };
  struct Case {
    const char* name;
    std::vector<Step> steps;
  } cases[] = {
      {"first call closes a period", {{0, 1}, {16, 1}, {999, 1}, {1000, 3}, {1001, 3}}},
      {"late start",
       {{123456, 1}, {123500, 1}, {123600, 1}, {124456, 3}, {125455, 3}, {125456, 2}}},
      // Past 2^32 ms a 32-bit count would wrap and never close a period again.
      {"past 32 bits", {{4294967000, 1}, {4294967600, 1}, {4294968000, 2}, {4294969000, 1}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    g_frameRate = FrameRateCounter{};
    Recorder().clock.SetStepPerRead(0);
    for (const Step& s : c.steps) {
      Recorder().clock.SetNow(s.atMs * 1000);
      EXPECT_EQ(CountFramesPerSecond(), s.shown) << s.atMs;
    }
  }
  g_frameRate = FrameRateCounter{};
}

TEST(PauseKey, SeparatePressesCount) {
  struct Case {
    const char* name;
    std::vector<bool> f5;  // F5 down in each poll
    int32_t presses;
  } cases[] = {{"never", {false, false}, 0},
               {"held", {true, true, true, true}, 1},
               {"two presses", {true, false, true}, 2},
               {"press, hold, release, press", {true, true, false, false, true, true}, 2},
               {"three", {true, false, true, false, true}, 3}};
  Recorder().Reset();
  Recorder().Start(true);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    g_pauseKey = PauseKeyState{};
    int32_t last = -1;
    for (bool down : c.f5) {
      Recorder().SetKey(kF5, down);
      last = PollPauseKey();
    }
    EXPECT_EQ(last, c.presses);
  }
  // A count at its limit wraps and keeps its parity.
  g_pauseKey = PauseKeyState{0, INT32_MAX};
  Recorder().SetKey(kF5, true);
  EXPECT_EQ(PollPauseKey() & 1, 0);
  g_pauseKey = PauseKeyState{};
  Recorder().Reset();
}

}  // namespace
