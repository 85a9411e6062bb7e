// What the stand-ins of the battle's entry points saw: per entry point its name, how often it was
// called and the arguments of the last call, in a fixed table (nothing is allocated).
//
// Stand-ins exist for the entry points that are not built yet; the library that builds one
// deletes its stand-in and its name here.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <span>
#include <string_view>

#include "game/core/records.h"

namespace veyrdale {

struct StandInArg {
  enum class Kind : uint8_t { kInt, kFloat, kRecord };
  Kind kind;
  int64_t integer;  // an integer, or a record's pool index (-1 outside every pool)
  float real;
  // A BattleObject argument as it was at the call: callers pass objects of their own (a source
  // at a point that is no live object), whose contents are the point of the call.
  BattleObject object;
};

constexpr int kMaxStandInArgs = 6;

struct StandInCall {
  std::string_view name;
  int64_t calls;
  int argCount;
  StandInArg args[kMaxStandInArgs];
  void (*action)();  // run after each recorded call; null for none
};

// Every stand-in, by name.
inline constexpr std::string_view kStandInNames[] = {
    // Special moves and spell cards.
    "UpdateSpecialMove",
    "StartSpellCard",
    "StartSpecialSpellCard",
    "RunSpellCard",
};
constexpr int kStandInCount = static_cast<int>(std::size(kStandInNames));

// The slot of a stand-in's name; a name that is not in the table does not compile.
consteval int StandInIndex(std::string_view name) {
  for (int i = 0; i < kStandInCount; ++i) {
    if (kStandInNames[i] == name) return i;
  }
  throw "not a stand-in";
}

// Argument makers: records are kept as their pool index.
StandInArg StandInInt(int64_t value);
StandInArg StandInFloat(float value);
StandInArg StandInRecord(const BattleObject* record);
StandInArg StandInRecord(const EffectRecord* record);

// Counts one call and keeps its arguments (the first kMaxStandInArgs).
void RecordStandInCall(int index, std::initializer_list<StandInArg> args);

// The record of a stand-in by name; null when there is no such stand-in.
const StandInCall* FindStandInCall(std::string_view name);
std::span<const StandInCall> StandInCalls();
// Sets every call count to 0 and forgets the arguments and actions.
void ResetStandInCalls();

// Lets a test act for an entry point that is not built yet: `action` runs after each call of the
// stand-in (reading its arguments through FindStandInCall), for example raising a gauge as a hit
// would. Null removes it. false when there is no stand-in of that name.
bool SetStandInAction(std::string_view name, void (*action)());

}  // namespace veyrdale
