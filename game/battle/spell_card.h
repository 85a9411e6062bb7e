// The spell cards: the frame every card behaviour shares, driven by a small descriptor per card,
// and the pieces the card behaviours are written in.
//
// A card's frame: the first frame (stateTimer holding the declaration marker) sets the duration
// and runs the first-frame actions; then the windows, the bar, the countdown and the end; then the
// recovery countdown and the caster's slowing.
#pragma once

#include <cstdint>

#include "game/core/records.h"

namespace veyrdale::spell_card {

// stateTimer of a declared card whose first frame has not run.
constexpr int32_t kDeclaredMarker = 9999;
// stateTimer of a special-card declaration; the scene clears it outside state 9.
constexpr int32_t kSpecialMarker = 8888;
constexpr int32_t kNoSecondEnd = INT32_MIN;

// How the caster's velocity decays at the end of a card frame.
enum class Slowing : uint8_t {
  kBlend,  // toward (0, 0) with weights 6 and 1
  kNone,
  kOwn,  // the card's `slow` routine
};

struct CardFrame {
  int32_t duration = 120;
  // t values (inclusive) inside which the bar holds; outside it moves by barStep each frame.
  // An empty window (from > to) lowers the bar on every frame.
  int32_t activeFrom = 1;
  int32_t activeTo = 0;
  int32_t barStep = -80;
  bool barFloored = false;  // the bar stops at 0 instead of running negative
  int32_t endValue = 0;     // the card ends when t reaches this
  // A second t at which the card ends (a card with a phase above its first end); kNoSecondEnd
  // for none.
  int32_t secondEndValue = kNoSecondEnd;
  int32_t coolDown = 80;
  bool firstFrameGoesOn = false;
  bool countsRecovery = true;
  Slowing slowing = Slowing::kBlend;
  void (*firstFrame)(BattleObject& caster, int p) = nullptr;
  // Runs with t the stateTimer before this frame's countdown. The countdown then starts from the
  // stateTimer the windows leave, so a window may move t; returning false holds t this frame.
  bool (*windows)(BattleObject& caster, int p, int32_t t) = nullptr;
  void (*slow)(BattleObject& caster, int p) = nullptr;
  // Runs once when the card ends, after state, guard and the cool-down are set.
  void (*end)(BattleObject& caster, int p) = nullptr;
};

// The routine a character's card runs: 0-31 as character x 2 + (0 for card A, 1 for B), with
// character 10's card B sharing routine 1 (card 0B), so 31 routines are in use. -1 for a
// character outside 0-15.
int CardRoutine(int character, int32_t cardChoice);
constexpr int kRoutineSlots = 32;

// The descriptor of a routine 0-31 (a routine that is not in use reads routine 1's).
const CardFrame& CardFrameOf(int routine);

// The descriptors, eight routines (four characters) to a file.
extern const CardFrame kCardsOfCharacters0To3[8];
extern const CardFrame kCardsOfCharacters4To7[8];
extern const CardFrame kCardsOfCharacters8To11[8];
extern const CardFrame kCardsOfCharacters12To15[8];

// One frame of a card for caster p (0-3).
void RunCardFrame(BattleObject& caster, int p, const CardFrame& card);

// --- The pieces of the card behaviours. ---

// "shoot m": on each window frame with recovery 0 the move fires and its launcher sets the
// recovery again, so the launcher sets the rate of fire. True when the shot was asked for.
bool ShootWhenReady(BattleObject& caster, int p, int move);
// "shoot m" whose every shot costs the caster meter and sets its action pose.
void ShootPaying(BattleObject& caster, int p, int move, float meterCost, int32_t action);
// The beams of 02A, 08A and 11A: shoot 5, each shot shaking the screen, costing 10 meter and
// setting the action; with `glowsPowered` a powered-up caster's shot also shows effect 46. True
// when a shot was made.
bool ShootShaking(BattleObject& caster, int p, int32_t action, bool glowsPowered);
// The burst that closes the pulling cards (00A, 10A): shot 8, meter 0, shake and flash.
void ClosingBurst(BattleObject& caster, int p);
// "shot m": one shot of the move, now.
void Shot(BattleObject& caster, int p, int move);

// The caster's held directions as a heading, written to `heading`; the target velocity along it at
// `speed`, or (0, 0) with the heading kept when no single direction is held. False in that case.
bool SteerByHeldDirections(BattleObject& caster, int p, float speed, float* tx, float* ty);

// Draws every other player in play toward the caster at `speed`. A character 8 guarding in its
// card and a character 15 guarding in its special move or card are not drawn.
void PullOthers(const BattleObject& caster, int p, float speed);

// effect k: CreateEffect(caster, k); hit event e: DispatchHitEffect(caster, caster, e).
void Effect(BattleObject& caster, int kind);
void HitEvent(BattleObject& caster, int event);

// The end every card comes to: the caster stands, unguarded, with the cool-down before its next
// attack.
void EndCard(BattleObject& caster, int32_t coolDown);
// The card bar of p moved by step (negative lowers it); a floored bar stops at 0.
void MoveBar(int p, int32_t step, bool floored = false);
void CommonSlowing(BattleObject& caster);

// flash n of m: a negative n darkens instead of brightening.
void Flash(int32_t frames, int32_t length);
void Shake(int32_t n);
void SlowMotion(int32_t n);
void Capture();
void Action(int p, int32_t frames);

}  // namespace veyrdale::spell_card
