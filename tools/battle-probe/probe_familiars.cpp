// Familiars and arena objects through the probe: updates of a slot, summons, launches, the search
// for a parked familiar and the beam chain.
#include <cstdio>

#include "game/battle/battle.h"
#include "game/battle/familiars.h"
#include "game/core/records.h"
#include "tools/battle-probe/probe_args.h"
#include "tools/battle-probe/probe_commands.h"

namespace battleprobe {

void UpdateFamiliarCommand(const Args& a) {
  const int slot = static_cast<int>(ToInteger(a[1], 0, veyrdale::kFamiliarCount - 1));
  const long long n = a.size() > 2 ? ToInteger(a[2], 0, 1000000) : 1;
  for (long long i = 0; i < n; ++i) veyrdale::UpdateFamiliar(&veyrdale::g_familiars[slot]);
}

void Summon(const Args& a) {
  veyrdale::SpawnFamiliar(RecordArg(a[1]), ToInt(a[2]), ToInt(a[3]));
}

void SendFamiliars(const Args& a) {
  std::printf("%d\n", veyrdale::LaunchFamiliars(ToInt(a[1]), ToInt(a[2])));
}

void RelaunchFamiliarCommand(const Args& a) {
  std::printf("%d\n", veyrdale::RelaunchFamiliar(ToInt(a[1]), ToInt(a[2])));
}

void FindFamiliarCommand(const Args& a) {
  std::printf("%d\n", veyrdale::FindFamiliar(ToInt(a[1]), ToInt(a[2]), ToInt(a[3]), ToInt(a[4])));
}

void Chain(const Args& a) {
  veyrdale::ChainFamiliarBeams(ToInt(a[1]), ToInt(a[2]), ToInt(a[3]), ToInt(a[4]));
}

}  // namespace battleprobe
