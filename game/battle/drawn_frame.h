// The drawn frame: what a drawn battle frame changes, carried out by the battle right after each
// part of the draw, on the same drawn frames and in the order the draw met them. The view reads
// the game and fills the drawn frame: the players' copies, which the character frame selections
// turn, drop, aim and shake, and the requests those selections make beyond the players (random
// numbers, which the view only looks ahead at, sounds, landing puffs and screen shakes).
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

// The drawn frame under way, which the battle owns and the view fills through the members below:
// its shake offset and draw-list entries, the players as its selections turn and move them, and
// the requests those make beyond the players.
struct DrawnFrame {
  struct Request {
    enum class Kind : uint8_t { kRandom, kSound, kPuff, kShake };
    Kind kind;
    int32_t value;        // kRandom: the draw's max; kSound: the sound entry; kShake: the shake
    int32_t lookedAt;     // kRandom: the number looked ahead at
    int32_t player;       // the player whose selection asked, -1 when none
    BattleObject source;  // kPuff: the player as it landed
  };
  // The most a drawn frame asks for. A selection asks for two at most: a jitter's two numbers,
  // or a dash's turn and its sound (a fall or a glide lands with one puff, a swing shakes once).
  // Outside a spell-card freeze each player's own selection asks, and a companion's ghost is
  // character 4's, which asks for nothing: eight. During a freeze nothing turns, falls, glides or
  // dashes, but the special declaration adds the silhouettes of its caster (character 0 or 10,
  // whose selection then asks only for character 10's swing shake) and of its target: the
  // caster's two selections one each, the target's silhouette and the three other players two
  // each make ten.
  static constexpr int kMostRequests = 10;

  int shake;    // the screen shake offset the frame is drawn with
  int entries;  // the entries of its draw list
  // The players as the frame's selections left them.
  BattleObject players[kPlayerCount];
  Request requests[kMostRequests];
  int requestCount;
  int asked;        // requests asked for, those the list had no room for too
  int randomDraws;  // random numbers looked ahead at so far
  // The players as the frame began: the copy-back writes only the fields that differ from them.
  BattleObject begun[kPlayerCount];
  // The frame count the frame was begun on (-1 before the first), and whether its selections
  // were carried out.
  int64_t begunOnFrame = -1;
  bool carriedOut = false;
  // Debug builds: the generator's next number below kGeneratorMark when the frame began, which a
  // random draw before the carrying out would move.
  static constexpr int kGeneratorMark = 0x7FFFFFFE;
  int32_t generatorMark = 0;

  // The frame begun with its shake offset and entry count: the players taken as they stand,
  // nothing asked yet.
  void Begin(int shakeOffset, int entryCount);
  // Adds a request for `player`'s selection (-1 for none); a full list keeps its first
  // kMostRequests (debug builds report it when the frame is carried out).
  Request* Add(Request::Kind kind, int32_t value, int player = -1);
  // The random number the battle will draw for this request, looked ahead at now.
  int Random(int max, int player = -1);
  // A selection's check that the frame it works on was begun this frame and not yet carried out
  // (debug builds): a selection on copies of another frame's players would carry out stale
  // positions, and one after the carrying out would be lost.
  void CheckBegun() const;

  // The rules of motion on drawn frames. `p` is the owner of the selection, whose copy in
  // `players` they move; `record` is the record the selection was made on (a draw-list copy or a
  // player's copy). The selections run once per drawn frame, so at half rate the per-frame steps
  // are doubled.
  // Free: no spell-card freeze runs; FreeAndUnheld: nor is player p held. HalfRate: the display
  // presents, and so selects, every second frame.
  static bool Free();
  static bool FreeAndUnheld(int p);
  static bool HalfRate();
  // Turn: 16 steps in `sign`'s direction (32 at half rate).
  void Turn(int p, int sign);
  // Jump (characters 0 and 10 in attack pose 2): while free and in the air, the player falls
  // under gravity with its guard up, and lands with a puff.
  void Jump(int p);
  // Glide (character 8 in attack pose 2): while free and `z`, the height the selection read, is
  // in the air, the player drifts backwards from `heading` at 6 pixels a frame and falls under a
  // lighter gravity than the jump's, with its guard up, landing with a puff.
  void Glide(int p, int heading, float z);
  // Aim: the player turns toward the opponent nearest to `from` still in the round (truncated
  // positions; on a tie the lower player index), or takes `from`'s heading when there is none.
  void Aim(int p, const BattleObject& from);
  // Jitter: `record` shakes by up to a pixel, x first, then y, by numbers looked ahead at.
  void Jitter(BattleObject& record);
  // Spin: `record` turns by 16 steps a unit of the recovery counter's low four bits.
  static void Spin(BattleObject& record, int64_t recovery);
  // Lift: `record` (the draw list's copy) moves 8 pixels up the screen on every call; the
  // player's copy stays where the battle left it.
  static void Lift(BattleObject& record);
  // Character 8's dash at `t` frames left, with `heading` as the selection read it, while free
  // and unheld: at 80 a turn of 32 steps either way and the dash sound, at 79-73 a burst of speed
  // along the heading behind armour, at 72-71 the brake and an aim from `from`, at 64-63 a second
  // aim. Braking and aiming take two frames so that half rate, which draws one of them, still
  // runs them; its single brake is about the two of full rate (0.45 x 0.45).
  void Dash(int p, int64_t t, int heading, const BattleObject& from);
  // Character 10's swing: the screen shakes as it lands, at `t` 51 and 50.
  void SwingShake(int64_t t);

 private:
  // The player falls one frame: guard up, gravity added while the fall is slower than `limit`,
  // and on reaching the ground it stops with a landing puff.
  void Fall(int p, double limit, double gravity, double halfRateGravity);
};
extern DrawnFrame g_drawnFrame;

// What a broken rule of the drawn frame reports in debug builds: what went wrong (the field or the
// draw, printf-style), the frame number and the player (-1 for none), on the error stream; then
// the program aborts.
[[noreturn]] void FailDrawnFrameGuard(int player, const char* format, ...)
    __attribute__((format(printf, 2, 3)));

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

// The selections' requests in order (the random numbers drawn, the sounds played, the puffs made,
// the shakes set), then the fields the selections move (heading, guard, position, height and
// velocities) of each player copied back where a selection changed them. Debug builds check that
// nothing drew a random number or changed one of those fields since the frame began, that each
// number drawn is the one looked ahead at, and that every request found room in the list.
void CarryOutSelections(DrawnFrame& frame);

// The presentation counters the display spends on a drawn frame: the flash (toward 0 from either
// side), and the name plate and the two cross-fades of the captured screen.
void SpendFlash();
void SpendDisplayCounters();

}  // namespace veyrdale
