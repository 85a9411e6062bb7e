// The head-up display's test harness: handles that name themselves, a fixture that sets up a
// two-player fight with every picture, digit and capture handle named, and the drawing calls of a
// display as the probe's `drawlog state` shows them: the call, then " | MODE PARAM RRGGBB FILTER",
// the draw state the library holds at that call.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "game/core/data_files.h"
#include "game/core/frame_state.h"
#include "game/core/resource_tables.h"
#include "game/flow/flow.h"
#include "game/view/draw_list.h"
#include "game/view/view.h"
#include "morrow/recording/library_recorder.h"
#include "tests/support/battle_state.h"

namespace hudtest {

using namespace veyrdale;
using testsupport::RecordedCall;
using testsupport::Recorder;
using Calls = std::vector<std::string>;

constexpr int kCapture = 8000;
constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
constexpr int32_t kMin = std::numeric_limits<int32_t>::min();

// Handles that name themselves, as the probe's stubhandles makes them.
inline int32_t Picture(int row, int cell) {
  return 100000 + 100 * row + cell;
}
inline std::string Pic(int row, int cell) {
  return std::to_string(Picture(row, cell));
}

// Character sheet cells and story portraits, named the same way.
inline int32_t SheetPicture(int p, int cell) {
  return 300000 + 1000 * p + cell;
}
inline int32_t PortraitPicture(int code, int expression) {
  return 400000 + 10 * code + expression;
}

inline bool IsDrawing(const std::string& name) {
  return name == "DrawGraph" || name == "DrawGraphPart" || name == "DrawRotaGraph" ||
         name == "DrawModiGraph" || name == "DrawRectangle" || name == "DrawExtendGraph" ||
         name == "DrawMirroredGraph";
}

class Hud : public ::testing::Test {
 protected:
  void SetUp() override {
    Recorder().Reset();
    testsupport::SetUpMatch({0, 1});
    for (int row = 0; row < kPictureSlots; ++row) {
      for (int cell = 0; cell < kPictureCells; ++cell) PictureSlots[row][cell] = Picture(row, cell);
    }
    for (int d = 0; d < 10; ++d) {
      DigitGraphs[d] = 1000 + d;
      SmallDigitGraphs[d] = 2000 + d;
    }
    for (int p = 0; p < 4; ++p) {
      for (int cell = 0; cell < 400; ++cell) CharacterSheetCells[p][cell] = SheetPicture(p, cell);
    }
    for (int code = 0; code < 4; ++code) {
      for (int e = 0; e < 10; ++e) PortraitHandles[code][e] = PortraitPicture(code, e);
    }
    CaptureGraph = kCapture;
    RoundFrame = 300;  // the fight runs
    FrameBudget = 5000;
    g_options.winCount = 1;
    g_options.timeLimit = 1;
    for (int p = 0; p < 4; ++p) g_players[p].life = 350;
    g_players[0].x = 100;
    g_players[0].y = 200;
    g_players[1].x = 300;
    g_players[1].y = 100;
  }
  void TearDown() override {
    for (int32_t& cell : PictureSlots.cells) cell = -1;
    for (int d = 0; d < 10; ++d) DigitGraphs[d] = SmallDigitGraphs[d] = -1;
    for (auto& sheet : CharacterSheetCells) {
      for (int32_t& cell : sheet) cell = -1;
    }
    CaptureGraph = 0;
    LateEffectCount = 0;
    ArenaBlackout = 0;
    Recorder().Reset();
  }

  // One display from the draw state the frame leaves (blend 0 255, white, filter 0), with what
  // the frame carries out after it: its drawing calls with the state each was drawn in.
  static Calls Draw(int shake = 0) {
    return Capture([shake] {
      g_drawnFrame.Begin(0, 0);
      RunBattleHud(shake);
    });
  }

  // The drawing calls of `run`, each with the draw state it was drawn in, from the state a frame
  // leaves.
  template <typename Run>
  static Calls Capture(Run run) {
    Recorder().ClearCalls();
    int64_t mode = 0, parameter = 255, filter = 0;
    int64_t rgb[3] = {255, 255, 255};
    run();
    Calls out;
    for (const RecordedCall& call : Recorder().Calls()) {
      if (call.name == "SetBlendMode") {
        mode = call.Int(0);
        parameter = std::clamp<int64_t>(call.Int(1), 0, 255);
      } else if (call.name == "SetModulationColor") {
        for (int i = 0; i < 3; ++i) rgb[i] = std::clamp<int64_t>(call.Int(i), 0, 255);
      } else if (call.name == "SetFilterMode") {
        filter = call.Int(0);
      } else if (IsDrawing(call.name)) {
        char state[64];
        std::snprintf(state, sizeof state, " | %lld %lld %02llx%02llx%02llx %lld",
                      static_cast<long long>(mode), static_cast<long long>(parameter),
                      static_cast<long long>(rgb[0]), static_cast<long long>(rgb[1]),
                      static_cast<long long>(rgb[2]), static_cast<long long>(filter));
        out.push_back(call.Text() + state);
      }
    }
    return out;
  }
};

// The graph handle a drawing call draws, or nullopt for a box.
inline std::optional<int64_t> GraphOf(const std::string& call) {
  std::vector<std::string> words;
  size_t at = 0;
  while (at < call.size() && call[at] != '|') {
    const size_t next = call.find(' ', at);
    words.push_back(call.substr(at, next - at));
    at = next + 1;
  }
  const std::string& name = words[0];
  size_t index = 0;
  if (name == "DrawGraph" || name == "DrawMirroredGraph") index = 3;
  if (name == "DrawRotaGraph" || name == "DrawExtendGraph") index = 5;
  if (name == "DrawGraphPart") index = 7;
  if (name == "DrawModiGraph") index = 9;
  if (index == 0 || index >= words.size()) return std::nullopt;
  return std::stoll(words[index]);
}

// The calls that draw a graph from `low` to `high`, or boxes when `boxes` is set.
inline Calls Drawing(const Calls& calls, int64_t low, int64_t high, bool boxes = false) {
  Calls out;
  for (const std::string& c : calls) {
    const std::optional<int64_t> graph = GraphOf(c);
    if (graph ? (*graph >= low && *graph <= high) : boxes) out.push_back(c);
  }
  return out;
}

inline Calls Boxes(const Calls& calls) {
  return Drawing(calls, 1, 0, true);
}

// The calls drawing a picture of one of the rows, and boxes when `boxes` is set.
inline Calls OfRows(const Calls& calls, std::initializer_list<int> rows, bool boxes = false) {
  Calls out;
  for (const std::string& c : calls) {
    const std::optional<int64_t> graph = GraphOf(c);
    bool keep = !graph && boxes;
    for (int row : rows) {
      if (graph && *graph >= Picture(row, 0) && *graph < Picture(row, kPictureCells)) keep = true;
    }
    if (keep) out.push_back(c);
  }
  return out;
}

inline Calls Starting(const Calls& calls, const std::string& prefix) {
  Calls out;
  for (const std::string& c : calls) {
    if (c.rfind(prefix, 0) == 0) out.push_back(c);
  }
  return out;
}

}  // namespace hudtest
