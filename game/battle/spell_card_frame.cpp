// Declaring spell cards, the state-9 dispatch and the frame every card shares.
#include "game/battle/access.h"
#include "game/battle/battle.h"
#include "game/battle/directions.h"
#include "game/battle/motion.h"
#include "game/battle/player_control.h"
#include "game/battle/shots.h"
#include "game/battle/spell_card.h"
#include "game/core/frame_state.h"
#include "game/core/match_setup.h"
#include "game/core/records.h"
#include "game/core/sound_entries.h"

namespace veyrdale {

namespace spell_card {

namespace {

PlayerBattleState& S() {
  return g_playerState;
}

// Both declarations need a full gauge, no round end under way and a round that has begun.
bool GaugeAndRoundAllow(int p) {
  return S().spellGauge[p] >= 100.0f && RoundEndFrames == 0 && RoundFrame >= 0;
}

// What the two declarations share.
void Declare(BattleObject& player, int p, int32_t marker, int32_t card) {
  player.vx = 0.0f;
  player.vy = 0.0f;
  player.stateTimer = marker;
  player.guard = 2;
  FreezeFrames = 60;
  SpellScreenActive = 1;
  PlaySoundEntry(kSoundSpell);
  S().spellGauge[p] -= 100.0f;
  S().cardBar[p] = 10000;
  S().cardBarFull[p] = 10000;
  S().cardChoice[p] = card;
  FlashFrames = 20;
  FlashLength = 20;
  S().cardUsed[p] = 1;
}

bool ValidIndex(int p) {
  if (p >= 0 && p < 4) return true;
  ++IndexMisses;
  return false;
}

}  // namespace

int CardRoutine(int character, int32_t cardChoice) {
  if (character < 0 || character > 15) return -1;
  const int b = cardChoice == 0 ? 0 : 1;
  if (character == 10 && b == 1) return 1;
  return character * 2 + b;
}

const CardFrame& CardFrameOf(int routine) {
  if (routine < 0 || routine >= kRoutineSlots || routine == 21) routine = 1;
  switch (routine / 8) {
    case 0:
      return kCardsOfCharacters0To3[routine % 8];
    case 1:
      return kCardsOfCharacters4To7[routine % 8];
    case 2:
      return kCardsOfCharacters8To11[routine % 8];
    default:
      return kCardsOfCharacters12To15[routine % 8];
  }
}

void RunCardFrame(BattleObject& caster, int p, const CardFrame& card) {
  bool goesOn = true;
  if (caster.stateTimer == kDeclaredMarker) {
    caster.stateTimer = card.duration;
    if (card.firstFrame != nullptr) card.firstFrame(caster, p);
    goesOn = card.firstFrameGoesOn;
  }
  if (goesOn) {
    const int32_t t = caster.stateTimer;
    bool counts = true;
    if (card.windows != nullptr) counts = card.windows(caster, p, t);
    if (t < card.activeFrom || t > card.activeTo) MoveBar(p, card.barStep, card.barFloored);
    if (counts && caster.stateTimer > INT32_MIN) --caster.stateTimer;
    // At or past the end: a timer written below the end value by anything else ends the card too
    // instead of counting down through every negative number.
    if (caster.stateTimer <= card.endValue || caster.stateTimer == card.secondEndValue) {
      EndCard(caster, card.coolDown);
      if (card.end != nullptr) card.end(caster, p);
    }
  }
  if (card.countsRecovery && caster.recovery > 0) --caster.recovery;
  switch (card.slowing) {
    case Slowing::kBlend:
      CommonSlowing(caster);
      break;
    case Slowing::kOwn:
      if (card.slow != nullptr) card.slow(caster, p);
      break;
    case Slowing::kNone:
      break;
  }
}

bool ShootWhenReady(BattleObject& caster, int p, int move) {
  if (caster.recovery != 0) return false;
  Shot(caster, p, move);
  return true;
}

void ShootPaying(BattleObject& caster, int p, int move, float meterCost, int32_t action) {
  if (!ShootWhenReady(caster, p, move)) return;
  caster.meter -= meterCost;
  Action(p, action);
}

bool ShootShaking(BattleObject& caster, int p, int32_t action, bool glowsPowered) {
  if (!ShootWhenReady(caster, p, 5)) return false;
  if (glowsPowered && PoweredUp(p)) Effect(caster, 46);
  Shake(4);
  caster.meter -= 10.0f;
  Action(p, action);
  return true;
}

void EndCard(BattleObject& caster, int32_t coolDown) {
  caster.state = kStateStand;
  caster.guard = 0;
  caster.attackDelay = static_cast<int16_t>(coolDown);
}

void ClosingBurst(BattleObject& caster, int p) {
  Shot(caster, p, 8);
  caster.meter = 0.0f;
  Shake(30);
  Flash(10, 12);
}

void MoveBar(int p, int32_t step, bool floored) {
  int32_t& bar = S().cardBar[p];
  bar += step;
  if (floored && bar < 0) bar = 0;
}

void CommonSlowing(BattleObject& caster) {
  BlendVelocity(&caster.vx, &caster.vy, 0.0f, 0.0f, 6, 1);
}

void Shot(BattleObject& caster, int p, int move) {
  CreateShot(&caster, static_cast<int16_t>(move), p);
}

bool SteerByHeldDirections(BattleObject& caster, int p, float speed, float* tx, float* ty) {
  const int h = HeldDirection(p);
  if (h == kNoDirection) {
    *tx = 0.0f;
    *ty = 0.0f;
    return false;
  }
  caster.heading = h;
  *tx = VelocityX(h, speed);
  *ty = VelocityY(h, speed);
  return true;
}

void PullOthers(const BattleObject& caster, int p, float speed) {
  for (int j = 0; j < PlayersInPlay(); ++j) {
    if (j == p) continue;
    BattleObject& other = g_players[j];
    if (other.guard > 0) {
      if (other.kind == 8 && other.state == kStateSpellCard) continue;
      if (other.kind == 15 &&
          (other.state == kStateSpecialMove || other.state == kStateSpellCard)) {
        continue;
      }
    }
    const int h = HeadingBetween(other.x, other.y, caster.x, caster.y);
    BlendVelocity(&other.vx, &other.vy, VelocityX(h, speed), VelocityY(h, speed), 6, 1);
  }
}

void Effect(BattleObject& caster, int kind) {
  CreateEffect(&caster, kind);
}

void HitEvent(BattleObject& caster, int event) {
  DispatchHitEffect(&caster, &caster, event);
}

void Flash(int32_t frames, int32_t length) {
  FlashFrames = frames;
  FlashLength = length;
}

void Shake(int32_t n) {
  ScreenShake = n;
}

void SlowMotion(int32_t n) {
  SlowMotionFrames = n;
}

void Capture() {
  SpellCaptureRequest = 1;
}

void Action(int p, int32_t frames) {
  if (ValidIndex(p)) S().actionTimer[p] = frames;
}

}  // namespace spell_card

using spell_card::S;

void StartSpellCard(BattleObject* player, int index, int card) {
  if (!spell_card::ValidIndex(index)) return;
  if (S().powerUp[index] > 0 && !(player->kind == 2 && player->modifierHeld != 1)) return;
  if (!spell_card::GaugeAndRoundAllow(index)) return;
  player->state = kStateSpellCard;
  spell_card::Declare(*player, index, spell_card::kDeclaredMarker, card);
}

int StartSpecialSpellCard(BattleObject* player, int index) {
  if (!spell_card::ValidIndex(index)) return 0;
  if (S().powerUp[index] > 0 || S().reverseTimer[index] > 0) return 0;
  if (!spell_card::GaugeAndRoundAllow(index)) return 1;
  player->state = kStateStand;
  player->vz = 0.0f;
  player->z = 0.0f;
  player->stun = 0.0f;
  spell_card::Declare(*player, index, spell_card::kSpecialMarker, 2);
  S().powerUp[index] = 1000;
  S().specialMode[index] = 0;
  return 1;
}

void RunSpellCard(BattleObject* player, int index) {
  if (!spell_card::ValidIndex(index)) return;
  if (S().freezeTimer[index] > 0) return;
  const int routine = spell_card::CardRoutine(player->kind, S().cardChoice[index]);
  if (routine < 0) {
    // No card for this character: the player would stay in the card for ever.
    ++IndexMisses;
    player->state = kStateStand;
    return;
  }
  spell_card::RunCardFrame(*player, index, spell_card::CardFrameOf(routine));
}

}  // namespace veyrdale
