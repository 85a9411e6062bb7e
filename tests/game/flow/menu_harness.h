// Runs the menu scenes frame by frame on the recording stand-in of the library, as the frame loop
// runs them: each frame counts the four pads (computer players from their wishes), runs the scene
// of SceneId and advances the counters; a frame that asks for a capture is noted.
//
// The menu pictures are loaded (LoadGameResources(0)) into the recorder's handle table, so a draw
// log can name every picture by its file and cell.
#pragma once

#include <array>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "game/core/frame_state.h"
#include "game/core/input.h"
#include "game/core/match_setup.h"
#include "game/core/records.h"
#include "game/core/resource_tables.h"
#include "game/flow/flow.h"
#include "game/flow/frame_loop.h"
#include "game/flow/frame_steps.h"
#include "game/flow/menu_common.h"
#include "game/flow/resource_lists.h"
#include "morrow/recording/library_recorder.h"
#include "morrow/system/library.h"
#include "tests/support/battle_state.h"

namespace testsupport {

// Pad bits of one frame.
inline constexpr int kDown = 0x1;
inline constexpr int kLeft = 0x2;
inline constexpr int kRight = 0x4;
inline constexpr int kUp = 0x8;
inline constexpr int kB1 = 0x10;
inline constexpr int kB2 = 0x20;
inline constexpr int kB3 = 0x40;
inline constexpr int kB4 = 0x80;

using Pads = std::array<int, 4>;

class MenuHarness : public ::testing::Test {
 protected:
  void SetUp() override { Fresh(); }
  void TearDown() override {
    Recorder().onCall = nullptr;
    Recorder().Reset();
    ResetBattleState();
  }

  // Program start, with the library up and the menu pictures loaded; the calls so far forgotten.
  void Fresh() {
    using namespace veyrdale;
    Recorder().Reset();
    ResetBattleState();
    g_scores = ScoreTable{};
    g_survival = SurvivalRecord{};
    MenuCursor = MenuReturnCursor = MenuSlideFrames = BattleStartCountdown = 0;
    CaptureGraph = -1;
    for (int d = 0; d < 10; ++d) DigitGraphs[d] = SmallDigitGraphs[d] = BigDigitGraphs[d] = -1;
    morrow::InitLibrary();
    LoadGameResources(0);
    Recorder().ClearCalls();
    captures_.clear();
    frames_ = 0;
  }

  // Enters `scene` at its frame 0.
  void Enter(int scene) {
    veyrdale::SceneId = scene;
    veyrdale::SceneFrame = 0;
  }

  // One frame with the pads holding `pads` (held over frames: a press needs a frame without).
  void Frame(const Pads& pads = {}) {
    using namespace veyrdale;
    for (int p = 0; p < 4; ++p) {
      if (g_match.cpuFlag[p] != 0) {
        ApplyCpuInput(p);
      } else {
        CountPadInput(p, pads[p], g_buttonMap);
      }
    }
    ++frames_;
    RunScene(SceneId);
    AdvanceFrameCounters();
    if (TakeCaptureRequests()) captures_.push_back(frames_);
  }
  void Frames(int n, const Pads& pads = {}) {
    for (int i = 0; i < n; ++i) Frame(pads);
  }
  // Runs idle frames until SceneFrame (as the scene will see it next) is n.
  void UntilSceneFrame(int n) {
    for (int guard = 0; veyrdale::SceneFrame < n && guard < 100000; ++guard) Frame();
  }
  // A press of player p's bits in one frame, then a frame with nothing held.
  void Press(int p, int bits) {
    Pads pads{};
    pads[p] = bits;
    Frame(pads);
    Frame();
  }
  // A press without the release frame (the frame of the press is the last one run).
  void PressOnly(int p, int bits) {
    Pads pads{};
    pads[p] = bits;
    Frame(pads);
  }

  // Whether the last frame run asked for a capture.
  bool LastFrameCaptured() const { return !captures_.empty() && captures_.back() == frames_; }

  // Library calls recorded since the last ClearCalls, as text, with every graph handle of the menu
  // pictures named "name:cell".
  std::vector<std::string> DrawLog() const {
    std::map<std::string, std::string> names = PictureNames();
    std::vector<std::string> out;
    for (const RecordedCall& call : Recorder().Calls()) {
      std::string text = call.name;
      for (size_t i = 0; i < call.args.size(); ++i) {
        const bool graphArg = (call.name == "DrawGraph" && i == 2) ||
                              (call.name == "DrawRotaGraph" && i == 4) ||
                              (call.name == "DrawGraphPart" && i == 6);
        auto named = names.find(call.args[i]);
        text += " " + (graphArg && named != names.end() ? named->second : call.args[i]);
      }
      out.push_back(text);
    }
    return out;
  }
  static std::map<std::string, std::string> PictureNames() {
    using namespace veyrdale;
    std::map<std::string, std::string> names;
    for (int slot = 0; slot < kMenuListSize; ++slot) {
      const PictureGrid& grid = kMenuList[slot];
      if (grid.name == nullptr) continue;
      for (int cell = 0; cell < grid.cells; ++cell) {
        names[std::to_string(PictureSlots[slot][cell])] =
            std::string(grid.name) + ":" + std::to_string(cell);
      }
    }
    return names;
  }
  int Count(const std::string& text) const {
    int n = 0;
    for (const std::string& line : DrawLog()) n += line == text ? 1 : 0;
    return n;
  }
  int CountContaining(const std::string& part) const {
    int n = 0;
    for (const std::string& line : DrawLog()) n += line.find(part) != std::string::npos ? 1 : 0;
    return n;
  }
  int CountPrefix(const std::string& prefix) const {
    int n = 0;
    for (const std::string& line : DrawLog()) n += line.rfind(prefix, 0) == 0 ? 1 : 0;
    return n;
  }

  std::vector<int> captures_;  // the frames (counted from 1 by Frame) that asked for a capture
  int frames_ = 0;
};

}  // namespace testsupport
