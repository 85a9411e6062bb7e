// Hit effects made by the probe: a whole dispatch, or one spawner, on two named records.
#include <string>

#include "game/battle/battle.h"
#include "game/battle/hit_effects.h"
#include "game/core/records.h"
#include "tools/battle-probe/probe_args.h"
#include "tools/battle-probe/probe_commands.h"

namespace battleprobe {

namespace {

using Spawner = void (*)(veyrdale::BattleObject*, veyrdale::BattleObject*);

struct NamedSpawner {
  const char* name;
  Spawner spawn;
};

const NamedSpawner kSpawners[] = {
    {"ringA", veyrdale::SpawnHitRingA},   {"ringB", veyrdale::SpawnHitRingB},
    {"ringC", veyrdale::SpawnHitRingC},   {"ringD", veyrdale::SpawnHitRingD},
    {"spark", veyrdale::SpawnHitSpark},   {"scatter", veyrdale::SpawnScatterSparks},
    {"big", veyrdale::SpawnBigHitEffect},
};

}  // namespace

void HitCommand(const Args& a) {
  veyrdale::BattleObject* attacker = RecordArg(a[1]);
  veyrdale::BattleObject* victim = RecordArg(a[2]);
  veyrdale::DispatchHitEffect(attacker, victim, ToInt(a[3]));
}

void Spawn(const Args& a) {
  veyrdale::BattleObject* attacker = RecordArg(a[2]);
  veyrdale::BattleObject* victim = RecordArg(a[3]);
  if (a[1] == "damage") {
    veyrdale::SpawnDamageEffect(attacker, victim, a.size() > 4 ? ToInt(a[4]) : 1);
    return;
  }
  if (a.size() > 4) Fail("spawn: N is only for damage");
  for (const NamedSpawner& s : kSpawners) {
    if (a[1] != s.name) continue;
    s.spawn(attacker, victim);
    return;
  }
  Fail("spawn: unknown spawner: " + a[1]);
}

}  // namespace battleprobe
