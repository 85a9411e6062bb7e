// Effects made and moved by the probe: the random seed, the probe's own source record `src`,
// effects and ring effects from a named record, and updates of an effect slot.
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "game/battle/battle.h"
#include "game/battle/field_table.h"
#include "game/core/records.h"
#include "morrow/system/time.h"
#include "tools/battle-probe/probe_args.h"
#include "tools/battle-probe/probe_commands.h"

namespace battleprobe {

namespace {

// The probe's own source: zeroed by every `src` command, then given its fields.
veyrdale::BattleObject g_source{};

const veyrdale::RecordLayout& BattleObjectLayout() {
  for (const veyrdale::RecordLayout& layout : veyrdale::RecordLayouts()) {
    if (std::strcmp(layout.name, "BattleObject") == 0) return layout;
  }
  Fail("no BattleObject layout in the field table");
}

// Digits only, as the field table reads indices.
bool ParseIndex(std::string_view text, long long* out) {
  if (text.empty() || text.size() > 9) return false;
  long long value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  *out = value;
  return true;
}

// A BattleObject pool's record by name: p0-p3, comp0-3, shot0-511, fam0-63.
veyrdale::BattleObject* PoolRecord(const std::string& name) {
  const veyrdale::RecordLayout* layout = &BattleObjectLayout();
  for (const veyrdale::RecordPool& pool : veyrdale::RecordPools()) {
    if (pool.layout != layout) continue;
    const size_t length = std::strlen(pool.prefix);
    if (name.compare(0, length, pool.prefix) != 0) continue;
    long long index = 0;
    if (!ParseIndex(std::string_view(name).substr(length), &index) || index >= pool.count) {
      continue;
    }
    return static_cast<veyrdale::BattleObject*>(pool.base) + index;
  }
  return nullptr;
}

// Writes a value given as text into a field of any type.
void WriteText(const veyrdale::FieldRef& ref, const std::string& text) {
  veyrdale::FieldValue v{false, 0, 0.0f};
  if (ref.type == veyrdale::FieldType::kF32) {
    v.isFloat = true;
    v.real = ToFloat(text);
  } else {
    v.integer = ToInteger(text, INT64_MIN, INT64_MAX);
  }
  veyrdale::WriteField(ref, v);
}

}  // namespace

veyrdale::BattleObject* RecordArg(const std::string& name) {
  if (name == "src") return &g_source;
  veyrdale::BattleObject* record = PoolRecord(name);
  if (record == nullptr) Fail("not a record: " + name);
  return record;
}

bool ResolveSourceField(const std::string& name, veyrdale::FieldRef* out) {
  constexpr std::string_view kPrefix = "src.";
  if (name.compare(0, kPrefix.size(), kPrefix) != 0) return false;
  std::string_view field = std::string_view(name).substr(kPrefix.size());
  long long element = 0;
  bool indexed = false;
  const size_t open = field.find('[');
  if (open != std::string_view::npos) {
    if (field.back() != ']' ||
        !ParseIndex(field.substr(open + 1, field.size() - open - 2), &element)) {
      return false;
    }
    indexed = true;
    field = field.substr(0, open);
  }
  for (const veyrdale::RecordField& f : BattleObjectLayout().fields) {
    if (field != f.name) continue;
    if ((f.count > 1) != indexed || element >= f.count) return false;
    out->element = reinterpret_cast<unsigned char*>(&g_source) + f.offset +
                   element * veyrdale::FieldWidth(f.type);
    out->type = f.type;
    return true;
  }
  return false;
}

void Seed(const Args& a) {
  morrow::SeedRandom(static_cast<uint32_t>(ToInteger(a[1], 0, UINT32_MAX)));
}

void Source(const Args& a) {
  g_source = veyrdale::BattleObject{};
  for (size_t i = 1; i < a.size(); ++i) {
    const size_t eq = a[i].find('=');
    if (eq == std::string::npos) Fail("src: FIELD=VALUE expected: " + a[i]);
    veyrdale::FieldRef ref{};
    if (!ResolveSourceField("src." + a[i].substr(0, eq), &ref)) {
      Fail("src: unknown field: " + a[i].substr(0, eq));
    }
    WriteText(ref, a[i].substr(eq + 1));
  }
}

void Effect(const Args& a) {
  veyrdale::CreateEffect(RecordArg(a[1]), ToInt(a[2]));
}

void Ring(const Args& a) {
  veyrdale::CreateRingEffect(RecordArg(a[1]), ToInt(a[2]), ToInt(a[3]));
}

void UpdateEffectCommand(const Args& a) {
  const int slot = static_cast<int>(ToInteger(a[1], 0, veyrdale::kEffectCount - 1));
  const long long count = a.size() > 2 ? ToInteger(a[2], 0, INT32_MAX) : 1;
  for (long long i = 0; i < count && veyrdale::g_effectInUse[slot] != 0; ++i) {
    veyrdale::UpdateEffect(&veyrdale::g_effects[slot], slot);
  }
}

}  // namespace battleprobe
