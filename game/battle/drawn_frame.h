// What a drawn battle frame changes, carried out by the battle right after the draw, on the same
// drawn frames and in the order the draw met them. The view reads the game and works on its own
// copies: the players as the character frame selections turn, drop, aim and shake them, and the
// list of what those selections asked for beyond the players (random numbers, which the view
// only looked ahead at, sounds, landing puffs and screen shakes).
#pragma once

#include <cstdint>

#include "game/core/records.h"

namespace veyrdale {

// What a draw-list copy is, in its drawTag field; the drawing code chooses its routine by it, and
// the records it was copied from keep it.
enum DrawTag : uint16_t {
  kTagPlayer = 0,
  kTagCompanion = 1,
  kTagShot = 2,
  kTagEffect = 3,
  kTagArena = 4,  // an arena block or prop
  kTagItem = 5,
  kTagFamiliar = 6,
  kTagSpinner = 7,  // character 6's dash mark
};

struct DrawnFrameEffects {
  enum class Kind : uint8_t { kRandom, kSound, kPuff, kShake };
  struct Step {
    Kind kind;
    int32_t value;        // kRandom: the draw's max; kSound: the sound entry; kShake: the shake
    BattleObject source;  // kPuff: the player as it landed
  };
  // Six steps at most per selection, and the draw makes at most twelve selections.
  static constexpr int kMostSteps = 96;

  // The players as the selections of the drawn frame left them.
  BattleObject players[kPlayerCount];
  Step steps[kMostSteps];
  int stepCount;
  int randomDraws;  // random numbers looked ahead at so far

  // The players taken as they stand, nothing asked yet.
  void Begin();
  // Adds a step; a full list keeps its first kMostSteps.
  Step* Add(Kind kind, int32_t value);
  // The random number the battle will draw for this step, looked ahead at now.
  int Random(int max);
};

// The screen shake a drawn frame shows, and the countdown it spends (not on the round end's
// first frame, which does not shake).
int ScreenShakeOffset();
void SpendScreenShake();

// What building the draw list changes: the draw tags written back into the records of the
// players, companions, familiars and shots, and each arena block's openTimer counted down, the
// cell cleared when it ends. `players` is the match's player count.
void MarkDrawnRecords(int players);
void CountDownOpeningBlocks();
void CarryOutDrawList(int players);
// A block cell as a drawn frame shows it: what CountDownOpeningBlocks leaves at `index`.
struct DrawnBlock {
  int32_t value;
  int32_t openTimer;
};
DrawnBlock CountedDownBlock(int index);

// The selections' steps in order (the random numbers drawn, the sounds played, the puffs made,
// the shakes set), then the fields the selections move (heading, guard, position, height and
// velocities) of each player copied back.
void CarryOutSelections(const DrawnFrameEffects& effects);

// The presentation counters the display spends on a drawn frame: the flash (toward 0 from either
// side), and the name plate and the two cross-fades of the captured screen.
void SpendFlash();
void SpendDisplayCounters();

}  // namespace veyrdale
