#include "game/core/input.h"

#include <utility>

#include "game/core/frame_state.h"
#include "game/core/match_setup.h"
#include "game/core/records.h"
#include "game/core/scenes.h"
#include "morrow/system/input.h"

namespace veyrdale {

namespace {

// The direction inputs and their fixed bits, in the order they are refreshed.
constexpr struct {
  Input input;
  int bit;
} kDirections[] = {
    {kInputDown, kPadDown}, {kInputUp, kPadUp}, {kInputLeft, kPadLeft}, {kInputRight, kPadRight}};

// Counts have no upper limit and wishes may be anything a script writes: both step with
// wrap-around rather than overflow.
int32_t Step(int32_t value, int32_t by) {
  return static_cast<int32_t>(static_cast<uint32_t>(value) + static_cast<uint32_t>(by));
}

void Count(Input input, int player, bool held) {
  int32_t& count = HeldFrameCounts[input][player];
  count = held ? Step(count, 1) : 0;
}

// One input of a computer player: held while presses are pending.
void CountPending(Input input, int player) {
  int32_t& pending = PendingPressCounts[input][player];
  if (pending != 0) {
    HeldFrameCounts[input][player] = Step(HeldFrameCounts[input][player], 1);
    pending = Step(pending, -1);
  } else {
    HeldFrameCounts[input][player] = 0;
  }
}

bool ValidPlayer(int player) {
  return player >= 0 && player < 4;
}

}  // namespace

int PadBitsOrNone(int bits) {
  return bits < 0 ? 0 : bits;
}

void CountPadInput(int player, int bits, const ButtonMap& map) {
  if (!ValidPlayer(player)) return;
  bits = PadBitsOrNone(bits);
  for (const auto& d : kDirections) Count(d.input, player, (bits & d.bit) != 0);
  for (int button = 0; button < 5; ++button) {
    Count(static_cast<Input>(kInputButton1 + button), player,
          (bits & map.masks[player][button]) != 0);
  }
}

void ReadPadInput(int deviceCode, int player) {
  CountPadInput(player, morrow::GetPadInputBits(deviceCode), g_buttonMap);
}

void ApplyCpuInput(int player) {
  if (!ValidPlayer(player)) return;
  if (!(SceneId == kSceneBattle && FreezeFrames != 0)) {
    for (const auto& d : kDirections) CountPending(d.input, player);
  }
  for (int button = 0; button < 5; ++button) {
    CountPending(static_cast<Input>(kInputButton1 + button), player);
  }
}

void ApplyReversedControls() {
  int count = PlayerCountUpToFour();
  int caster = -1;
  for (int p = 0; p < count; ++p) {
    if (g_playerState.reverseTimer[p] > 0) caster = p;
  }
  if (caster < 0) return;
  for (int p = 0; p < count; ++p) {
    if (g_playerState.reverseTimer[p] > 0) continue;
    if (g_match.teamMode == 1 && g_match.team[p] == g_match.team[caster]) continue;
    if (g_match.cpuFlag[p] != 0) continue;
    std::swap(HeldFrameCounts[kInputUp][p], HeldFrameCounts[kInputDown][p]);
    std::swap(HeldFrameCounts[kInputLeft][p], HeldFrameCounts[kInputRight][p]);
  }
}

}  // namespace veyrdale
