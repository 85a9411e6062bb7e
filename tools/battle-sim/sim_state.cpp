#include "tools/battle-sim/sim_state.h"

#include <cinttypes>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <string_view>
#include <utility>

#include "game/battle/cpu_player.h"
#include "game/battle/effects.h"
#include "game/battle/familiars.h"
#include "game/battle/items.h"
#include "game/battle/player_control.h"
#include "game/core/frame_state.h"
#include "game/core/input.h"
#include "game/core/numeric.h"
#include "game/core/records.h"
#include "morrow/system/time.h"

namespace battlesim {

namespace {

using veyrdale::BattleObject;
using veyrdale::g_playerState;

constexpr int kMaxLife = 350;
constexpr float kMaxGauge = 200.0f;
constexpr int kLastState = 18;
constexpr int kNeutralKind = 51;
// The neutral launcher of move 12 copies its source's stun into the shot.
constexpr int kStunCopyMove = 12;
constexpr int kLastCpuMode = veyrdale::kCpuEvade;
constexpr int kLongestCpuMode = 75;  // an Easy wander: GetRandomNumber(35) + 40
constexpr int kLongestPress = 136;   // character 12's button 2: GetRandomNumber(72) + 64

constexpr uint64_t kFnvOffset = 0xcbf29ce484222325ull;
constexpr uint64_t kFnvPrime = 0x100000001b3ull;

std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Format(const char* format, ...) {
  char buffer[256];
  va_list args;
  va_start(args, format);
  std::vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  return buffer;
}

bool Fail(InvariantFailure* failure, const char* name, std::string detail) {
  failure->name = name;
  failure->detail = std::move(detail);
  return true;
}

const veyrdale::RecordPool* PoolNamed(std::string_view prefix) {
  for (const veyrdale::RecordPool& pool : veyrdale::RecordPools()) {
    if (prefix == pool.prefix) return &pool;
  }
  return nullptr;
}

// The first float of the record that is not finite, as "<prefix><index>.<field>[k] <value>".
bool FindNonFinite(const char* prefix, int index, InvariantFailure* failure) {
  const veyrdale::RecordPool* pool = PoolNamed(prefix);
  if (pool == nullptr) return false;
  auto* record =
      static_cast<unsigned char*>(pool->base) + pool->layout->size * static_cast<size_t>(index);
  for (const veyrdale::RecordField& field : pool->layout->fields) {
    if (field.type != veyrdale::FieldType::kF32) continue;
    for (int k = 0; k < field.count; ++k) {
      const veyrdale::FieldValue v =
          veyrdale::ReadField({record + field.offset + 4 * k, field.type});
      if (std::isfinite(v.real)) continue;
      std::string name = std::string(prefix) + std::to_string(index) + "." + field.name;
      if (field.count > 1) name += "[" + std::to_string(k) + "]";
      return Fail(failure, "finite", Format("%s %g", name.c_str(), static_cast<double>(v.real)));
    }
  }
  return false;
}

bool PlayersBroken(InvariantFailure* failure) {
  for (int p = 0; p < veyrdale::kPlayerCount; ++p) {
    const BattleObject& player = veyrdale::g_players[p];
    if (player.life > kMaxLife)
      return Fail(failure, "life", Format("player %d life %d", p, player.life));
    // A player in hit-stun or knock-back waits for the knock-out test of its next update (a
    // frozen or held player, a cut-in or damage-event victim): only there may life be below 0.
    if (player.life < 0 && player.state != veyrdale::kStateHitStun &&
        player.state != veyrdale::kStateKnockBack) {
      return Fail(failure, "life",
                  Format("player %d life %d in state %d", p, player.life, player.state));
    }
  }
  for (int p = 0; p < veyrdale::kPlayerCount; ++p) {
    const float gauge = g_playerState.spellGauge[p];
    if (!(gauge >= 0.0f && gauge <= kMaxGauge)) {
      return Fail(failure, "gauge", Format("player %d gauge %g", p, static_cast<double>(gauge)));
    }
  }
  return false;
}

bool ShotsBroken(InvariantFailure* failure) {
  for (int s = 0; s < veyrdale::kShotCount; ++s) {
    const BattleObject& shot = veyrdale::g_shots[s];
    if (shot.state != 0 && shot.state != 1) {
      return Fail(failure, "shot-state", Format("shot %d state %d", s, shot.state));
    }
    for (int p = 0; p < veyrdale::kPlayerCount; ++p) {
      const int flag = veyrdale::ShotHitFlags[s][p];
      if (flag > 1) return Fail(failure, "hit-flag", Format("ShotHitFlags[%d,%d] %d", s, p, flag));
    }
    if (shot.state != 1) continue;
    const bool copiesStun = shot.kind == kNeutralKind && shot.move == kStunCopyMove;
    if (!copiesStun && shot.stun != static_cast<float>(s)) {
      return Fail(failure, "stun",
                  Format("shot %d stun %g in slot %d", s, static_cast<double>(shot.stun), s));
    }
    if (shot.owner < 0 || shot.owner > veyrdale::kNobody) {
      return Fail(failure, "owner", Format("shot %d owner %d", s, shot.owner));
    }
    if (shot.kind > 15 && shot.kind != kNeutralKind) {
      return Fail(failure, "shot-kind", Format("shot %d kind %d", s, shot.kind));
    }
  }
  return false;
}

// A carried player is carried by a live character-10 carrier that names it.
bool HeldPlayersBroken(InvariantFailure* failure) {
  for (int p = 0; p < veyrdale::kPlayerCount; ++p) {
    if (g_playerState.heldFlag[p] != 1) continue;
    const int32_t s = g_playerState.holdingShot[p];
    const bool carried = s >= 0 && s < veyrdale::kShotCount && veyrdale::g_shots[s].state == 1 &&
                         veyrdale::g_shots[s].kind == 10 && veyrdale::g_shots[s].move == 9 &&
                         veyrdale::g_shots[s].recovery == p;
    if (!carried) return Fail(failure, "held-player", Format("player %d slot %d", p, s));
  }
  return false;
}

bool SideTablesBroken(InvariantFailure* failure) {
  for (int i = 0; i < veyrdale::kEffectCount; ++i) {
    if (veyrdale::g_effectInUse[i] > 1) {
      return Fail(failure, "effect-flag",
                  Format("effect %d in-use %d", i, veyrdale::g_effectInUse[i]));
    }
  }
  for (int i = 0; i < veyrdale::kItemCount; ++i) {
    if (veyrdale::g_itemFlags[i] > 2) {
      return Fail(failure, "item-flag", Format("item %d flag %d", i, veyrdale::g_itemFlags[i]));
    }
  }
  if (veyrdale::LiveShotCount < 0 || veyrdale::LiveShotCount > veyrdale::kShotCount) {
    return Fail(failure, "live-shots", Format("LiveShotCount %d", veyrdale::LiveShotCount));
  }
  return false;
}

// A live effect holds a code the game makes and a timer that has not run out.
bool EffectsBroken(InvariantFailure* failure) {
  for (int i = 0; i < veyrdale::kEffectCount; ++i) {
    if (veyrdale::g_effectInUse[i] != 1) continue;
    const veyrdale::EffectRecord& effect = veyrdale::g_effects[i];
    if (!veyrdale::IsEffectCode(effect.code)) {
      return Fail(failure, "effect-code", Format("slot %d code %d", i, effect.code));
    }
    if (effect.timer <= 0) {
      return Fail(failure, "effect-timer", Format("slot %d timer %d", i, effect.timer));
    }
  }
  return false;
}

// A live or claimed item is young enough to be kept, holds a kind the game makes, and a claimed
// one flies to a player.
bool ItemsBroken(InvariantFailure* failure) {
  for (int i = 0; i < veyrdale::kItemCount; ++i) {
    const uint16_t flag = veyrdale::g_itemFlags[i];
    if (flag != 1 && flag != 2) continue;
    const veyrdale::ItemRecord& item = veyrdale::g_items[i];
    if (item.age < 0 || item.age > veyrdale::kLastItemAge) {
      return Fail(failure, "item", Format("slot %d age %d", i, item.age));
    }
    if (!veyrdale::IsItemKind(item.kind)) {
      return Fail(failure, "item", Format("slot %d kind %d", i, item.kind));
    }
    if (flag == 2 && (item.player < 0 || item.player >= veyrdale::kPlayerCount)) {
      return Fail(failure, "item", Format("slot %d player %d", i, item.player));
    }
  }
  return false;
}

// A live summoned familiar sits in the summons' slots, belongs to a player and is in one of the
// states its update knows.
bool FamiliarsBroken(InvariantFailure* failure) {
  for (int i = 0; i < veyrdale::kFamiliarCount; ++i) {
    const BattleObject& f = veyrdale::g_familiars[i];
    if (f.kind != veyrdale::kSummonedKind || f.state <= 0) continue;
    const bool knownState = f.state <= 4 || f.state == 9;
    if (i < veyrdale::kFirstSummonSlot || f.owner < 0 || f.owner >= veyrdale::kPlayerCount ||
        !knownState) {
      return Fail(failure, "familiar", Format("slot %d", i));
    }
  }
  return false;
}

bool RecordsBroken(InvariantFailure* failure) {
  for (int p = 0; p < veyrdale::kPlayerCount; ++p) {
    if (FindNonFinite("p", p, failure) || FindNonFinite("comp", p, failure)) return true;
  }
  for (int s = 0; s < veyrdale::kShotCount; ++s) {
    if (veyrdale::g_shots[s].state == 1 && FindNonFinite("shot", s, failure)) return true;
  }
  for (int p = 0; p < veyrdale::kPlayerCount; ++p) {
    const BattleObject& player = veyrdale::g_players[p];
    if (player.heading < 0 || player.heading > 255) {
      return Fail(failure, "heading", Format("player %d heading %d", p, player.heading));
    }
    if (player.state < 0 || player.state > kLastState) {
      return Fail(failure, "state", Format("player %d state %d", p, player.state));
    }
  }
  if (veyrdale::IndexMisses != 0) {
    return Fail(failure, "index-misses", Format("IndexMisses %d", veyrdale::IndexMisses));
  }
  return false;
}

// The computer players' modes, countdowns and targets stay in their ranges, and no wished press
// is longer than the longest the controller makes.
bool ComputerBroken(InvariantFailure* failure) {
  for (int p = 0; p < veyrdale::kPlayerCount; ++p) {
    if (veyrdale::CpuMode[p] < 0 || veyrdale::CpuMode[p] > kLastCpuMode) {
      return Fail(failure, "cpu-mode", Format("player %d CpuMode %d", p, veyrdale::CpuMode[p]));
    }
    if (veyrdale::CpuCountdown[p] < 0 || veyrdale::CpuCountdown[p] > kLongestCpuMode) {
      return Fail(failure, "cpu-countdown",
                  Format("player %d CpuCountdown %d", p, veyrdale::CpuCountdown[p]));
    }
    if (veyrdale::CpuTarget[p] < 0 || veyrdale::CpuTarget[p] >= veyrdale::kPlayerCount) {
      return Fail(failure, "cpu-target",
                  Format("player %d CpuTarget %d", p, veyrdale::CpuTarget[p]));
    }
    for (int input = 0; input < veyrdale::kInputCount; ++input) {
      const int32_t pending = veyrdale::PendingPressCounts[input][p];
      if (pending < 0 || pending > kLongestPress) {
        return Fail(failure, "pending", Format("player %d input %d pending %d", p, input, pending));
      }
    }
  }
  return false;
}

}  // namespace

namespace {

// FNV-1a 64 of elements, each little-endian (floats by their bit pattern).
class ElementHash {
 public:
  void operator()(const veyrdale::FieldRef& ref) {
    uint8_t bytes[8];
    veyrdale::EncodeField(ref, bytes);
    const int width = veyrdale::FieldWidth(ref.type);
    for (int k = 0; k < width; ++k) {
      hash_ ^= bytes[k];
      hash_ *= kFnvPrime;
    }
  }
  uint64_t value() const { return hash_; }

 private:
  uint64_t hash_ = kFnvOffset;
};

}  // namespace

uint64_t HashBattleState() {
  ElementHash hash;
  ForEachStateElement(hash);
  return hash.value();
}

uint64_t HashFrameState() {
  ElementHash hash;
  const veyrdale::RecordPool* players = PoolNamed("p");
  if (players != nullptr) ForEachPoolElement(*players, hash);
  for (const veyrdale::GlobalField& g : veyrdale::GlobalFields()) {
    if (g.dims[0] * g.dims[1] <= veyrdale::kPlayerCount) ForEachGlobalElement(g, hash);
  }
  int32_t next = morrow::PeekRandomNumber(INT32_MAX - 1, 0);
  hash(veyrdale::FieldRef{reinterpret_cast<unsigned char*>(&next), veyrdale::FieldType::kI32});
  return hash.value();
}

std::string TraceLine(int64_t frame, int players) {
  std::string line = Format("%lld %d %d %d", static_cast<long long>(frame), veyrdale::SceneId,
                            veyrdale::SceneFrame, veyrdale::RoundFrame);
  for (int p = 0; p < players && p < veyrdale::kPlayerCount; ++p) {
    const BattleObject& player = veyrdale::g_players[p];
    line += Format(" | %d %d %d %lld %d %d", player.state, player.life,
                   veyrdale::TruncToInt(player.meter),
                   static_cast<long long>(veyrdale::TruncSaturated<int64_t>(
                       static_cast<double>(g_playerState.spellGauge[p]) * 10.0)),
                   g_playerState.score[p], g_playerState.wins[p]);
  }
  int shots = 0;
  for (const BattleObject& shot : veyrdale::g_shots) shots += shot.state == 1 ? 1 : 0;
  int effects = 0;
  for (uint16_t flag : veyrdale::g_effectInUse) effects += flag == 1 ? 1 : 0;
  int items = 0;
  for (uint16_t flag : veyrdale::g_itemFlags) items += flag == 1 ? 1 : 0;
  line += Format(" | %d %d %d | %016" PRIx64, shots, effects, items, HashBattleState());
  return line;
}

bool FindBrokenInvariant(InvariantFailure* failure) {
  return PlayersBroken(failure) || ShotsBroken(failure) || HeldPlayersBroken(failure) ||
         SideTablesBroken(failure) || EffectsBroken(failure) || ItemsBroken(failure) ||
         FamiliarsBroken(failure) || RecordsBroken(failure) || ComputerBroken(failure);
}

}  // namespace battlesim
