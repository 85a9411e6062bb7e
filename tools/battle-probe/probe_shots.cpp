// Shots made and moved by the probe: a shot created from a bare source, one update of a slot, and
// the steering operations.
#include <cstdint>
#include <cstdio>
#include <string>

#include "game/battle/battle.h"
#include "game/battle/shots.h"
#include "game/core/records.h"
#include "tools/battle-probe/probe_args.h"
#include "tools/battle-probe/probe_commands.h"

namespace battleprobe {

namespace {

int16_t ToInt16(const std::string& text) {
  return static_cast<int16_t>(ToInteger(text, INT16_MIN, INT16_MAX));
}

veyrdale::BattleObject* ShotArg(const std::string& text) {
  return &veyrdale::g_shots[ToInteger(text, 0, veyrdale::kShotCount - 1)];
}

}  // namespace

void Shot(const Args& a) {
  const int owner = ToInt16(a[1]);
  veyrdale::BattleObject source{};
  source.kind = static_cast<uint16_t>(ToInteger(a[2], 0, UINT16_MAX));
  const int16_t move = ToInt16(a[3]);
  source.x = ToFloat(a[4]);
  source.y = ToFloat(a[5]);
  source.heading = ToInt(a[6]);
  source.owner = static_cast<int16_t>(owner);
  source.stateTimer = 0;
  const float speed = ToFloat(a[7]);
  // The shot takes the lowest free slot.
  int slot = -1;
  for (int s = 0; s < veyrdale::kShotCount && slot < 0; ++s) {
    if (veyrdale::g_shots[s].state == 0) slot = s;
  }
  veyrdale::CreateShot(&source, move, owner);
  if (slot >= 0 && veyrdale::g_shots[slot].state == 0) slot = -1;
  if (slot >= 0) {
    veyrdale::BattleObject& shot = veyrdale::g_shots[slot];
    shot.x = source.x;
    shot.y = source.y;
    shot.heading = source.heading;
    shot.speed = speed;
    veyrdale::FinishShotMotion(&shot, source.x, source.y);
  }
  std::printf("slot %d\n", slot);
}

void UpdateShotCommand(const Args& a) {
  veyrdale::BattleObject* shot = ShotArg(a[1]);
  const int slot = ToInt(a[1]);
  const int64_t times = a.size() > 2 ? ToInteger(a[2], 0, INT32_MAX) : 1;
  for (int64_t i = 0; i < times && shot->state != 0; ++i) veyrdale::UpdateShot(shot, slot);
}

namespace {

struct SteerOp {
  const char* name;
  int args;                                                  // after the slot
  void (*run)(veyrdale::BattleObject* shot, const Args& a);  // a[3] is the first after the slot
};

const SteerOp kSteerOps[] = {
    {"home", 5,
     [](veyrdale::BattleObject* s, const Args& a) {
       veyrdale::HomeShotInWindow(s, ToInt(a[3]), ToInt(a[4]), ToInt16(a[5]), ToInt16(a[6]),
                                  ToInt16(a[7]));
     }},
    {"homeobj", 5,
     [](veyrdale::BattleObject* s, const Args& a) {
       veyrdale::HomeObjectInWindow(s, ToInt(a[3]), ToInt(a[4]), ToInt16(a[5]), ToInt16(a[6]),
                                    ToInt16(a[7]));
     }},
    {"turn", 5,
     [](veyrdale::BattleObject* s, const Args& a) {
       veyrdale::TurnShotToPoint(s, ToInt(a[3]), ToInt(a[4]), ToInt16(a[5]), ToInt16(a[6]),
                                 ToInt16(a[7]));
     }},
    {"turnlimited", 5,
     [](veyrdale::BattleObject* s, const Args& a) {
       veyrdale::HomeShotTurnLimited(s, ToInt(a[3]), ToInt(a[4]), ToInt16(a[5]), ToInt16(a[6]),
                                     ToInt16(a[7]));
     }},
    {"aim", 4,
     [](veyrdale::BattleObject* s, const Args& a) {
       veyrdale::AimShotAtPoint(s, ToInt(a[3]), ToInt(a[4]), ToInt16(a[5]), ToInt16(a[6]));
     }},
    {"retarget", 4,
     [](veyrdale::BattleObject* s, const Args& a) {
       veyrdale::RetargetShot(s, ToInt(a[3]), ToFloat(a[4]), ToInt16(a[5]), ToInt16(a[6]));
     }},
    {"scale", 3,
     [](veyrdale::BattleObject* s, const Args& a) {
       veyrdale::ScaleShotSpeed(s, ToFloat(a[3]), ToInt(a[4]), ToInt(a[5]));
     }},
};

}  // namespace

void Steer(const Args& a) {
  for (const SteerOp& op : kSteerOps) {
    if (a[1] != op.name) continue;
    if (static_cast<int>(a.size()) - 3 != op.args)
      Fail("wrong number of arguments for steer " + a[1]);
    op.run(ShotArg(a[2]), a);
    return;
  }
  Fail("unknown steering operation: " + a[1]);
}

}  // namespace battleprobe
