#include "game/battle/standins/standin_calls.h"

#include <array>
#include <cstdint>

namespace veyrdale {

namespace {

constexpr std::array<StandInCall, kStandInCount> NamedSlots() {
  std::array<StandInCall, kStandInCount> slots{};
  for (int i = 0; i < kStandInCount; ++i) slots[i].name = kStandInNames[i];
  return slots;
}

// Named at compile time, so a lookup finds every stand-in before its first call.
std::array<StandInCall, kStandInCount> g_calls = NamedSlots();

// The index of a record inside a pool, from its address; -1 when it lies elsewhere.
template <typename T, int N>
int IndexIn(const T (&pool)[N], const void* record) {
  auto address = reinterpret_cast<uintptr_t>(record);
  auto first = reinterpret_cast<uintptr_t>(&pool[0]);
  if (address < first) return -1;
  uintptr_t offset = address - first;
  if (offset % sizeof(T) != 0 || offset / sizeof(T) >= static_cast<uintptr_t>(N)) return -1;
  return static_cast<int>(offset / sizeof(T));
}

StandInArg RecordArg(int index) {
  return {StandInArg::Kind::kRecord, index, 0.0f, {}};
}

}  // namespace

StandInArg StandInInt(int64_t value) {
  return {StandInArg::Kind::kInt, value, 0.0f, {}};
}

StandInArg StandInFloat(float value) {
  return {StandInArg::Kind::kFloat, 0, value, {}};
}

StandInArg StandInRecord(const BattleObject* record) {
  StandInArg arg = RecordArg(-1);
  for (int index : {IndexIn(g_players, record), IndexIn(g_companions, record),
                    IndexIn(g_shots, record), IndexIn(g_familiars, record)}) {
    if (index >= 0) {
      arg.integer = index;
      break;
    }
  }
  if (record != nullptr) arg.object = *record;
  return arg;
}

StandInArg StandInRecord(const EffectRecord* record) {
  for (int index : {IndexIn(g_effects, record), IndexIn(g_secondEffects, record),
                    IndexIn(g_markerPoints, record), IndexIn(g_groundMarks, record)}) {
    if (index >= 0) return RecordArg(index);
  }
  return RecordArg(-1);
}

void RecordStandInCall(int index, std::initializer_list<StandInArg> args) {
  StandInCall& call = g_calls[index];
  ++call.calls;
  call.argCount = 0;
  for (const StandInArg& arg : args) {
    if (call.argCount == kMaxStandInArgs) break;
    call.args[call.argCount++] = arg;
  }
  if (call.action != nullptr) call.action();
}

const StandInCall* FindStandInCall(std::string_view name) {
  for (const StandInCall& call : g_calls) {
    if (call.name == name) return &call;
  }
  return nullptr;
}

std::span<const StandInCall> StandInCalls() {
  return g_calls;
}

void ResetStandInCalls() {
  for (StandInCall& call : g_calls) {
    call.calls = 0;
    call.argCount = 0;
    call.action = nullptr;
  }
}

bool SetStandInAction(std::string_view name, void (*action)()) {
  for (StandInCall& call : g_calls) {
    if (call.name != name) continue;
    call.action = action;
    return true;
  }
  return false;
}

}  // namespace veyrdale
