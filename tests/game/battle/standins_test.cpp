#include "game/battle/standins/standin_calls.h"

#include <string>

#include <gtest/gtest.h>

#include "game/core/entry_points.h"

namespace {

using namespace veyrdale;

// The recorded arguments as text: integers and pool indices as numbers, floats with one decimal.
std::string Args(const char* name) {
  const StandInCall* call = FindStandInCall(name);
  if (call == nullptr) return "no stand-in";
  std::string text;
  for (int i = 0; i < call->argCount; ++i) {
    if (i > 0) text += " ";
    const StandInArg& arg = call->args[i];
    if (arg.kind == StandInArg::Kind::kFloat) {
      text += std::to_string(arg.real).substr(0, std::to_string(arg.real).find('.') + 2);
    } else {
      text += std::to_string(arg.integer);
    }
  }
  return text;
}

int64_t Calls(const char* name) {
  const StandInCall* call = FindStandInCall(name);
  return call == nullptr ? -1 : call->calls;
}

TEST(StandIns, EveryNameIsFound) {
  for (std::string_view name : kStandInNames) {
    const StandInCall* call = FindStandInCall(name);
    ASSERT_NE(call, nullptr) << name;
    EXPECT_EQ(call->name, name);
  }
  EXPECT_EQ(FindStandInCall("UpdateDashChara0"), nullptr) << "built: no stand-in any more";
  EXPECT_EQ(FindStandInCall("NotAnEntryPoint"), nullptr);
  EXPECT_EQ(FindStandInCall("CreateShot"), nullptr) << "built: no stand-in any more";
  EXPECT_EQ(FindStandInCall("CreateEffect"), nullptr) << "built: no stand-in any more";
  EXPECT_EQ(FindStandInCall("DispatchHitEffect"), nullptr) << "built: no stand-in any more";
  EXPECT_EQ(FindStandInCall("CreateItem"), nullptr) << "built: no stand-in any more";
  EXPECT_EQ(FindStandInCall("LaunchShotChara8"), nullptr) << "built: no stand-in any more";
}

TEST(StandIns, RecordCountsAndLastArguments) {
  ResetStandInCalls();
  BattleObject local{};
  UpdateSpecialMove(&g_familiars[3], 3);
  UpdateSpecialMove(&local, 5);
  StartSpellCard(&g_shots[511], 1, 15);
  UpdateSpecialMove(&g_shots[1], 1);
  RunSpellCard(&g_players[3], 3);
  struct Case {
    const char* name;
    int64_t calls;
    const char* args;
  } cases[] = {
      {"UpdateSpecialMove", 3, "1 1"},
      {"StartSpellCard", 1, "511 1 15"},
      {"RunSpellCard", 1, "3 3"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Calls(c.name), c.calls) << c.name;
    EXPECT_EQ(Args(c.name), c.args) << c.name;
  }
  ResetStandInCalls();
  EXPECT_EQ(Calls("UpdateSpecialMove"), 0);
  EXPECT_EQ(Args("UpdateSpecialMove"), "");
}

TEST(StandIns, AnswersThatLetTheBattleGoOn) {
  BattleObject& player = g_players[1];
  player.state = 8;
  player.stateTimer = 33;
  player.life = 200;
  UpdateSpecialMove(&player, 1);
  EXPECT_EQ(player.state, 0);
  EXPECT_EQ(player.stateTimer, 0);
  EXPECT_EQ(player.life, 200);
  EXPECT_EQ(StartSpecialSpellCard(&player, 1), 0);
  EXPECT_EQ(LoadScenarioScript(3), 0) << "a script is never found";
}

int g_actions;
void CountAction() {
  ++g_actions;
}

TEST(StandIns, ActionsRunAfterTheRecordAndObjectsAreKeptAsPassed) {
  ResetStandInCalls();
  g_actions = 0;
  EXPECT_TRUE(SetStandInAction("UpdateSpecialMove", CountAction));
  EXPECT_FALSE(SetStandInAction("NotAnEntryPoint", CountAction));
  UpdateSpecialMove(&g_shots[2], 2);
  UpdateSpecialMove(&g_shots[3], 3);
  EXPECT_EQ(g_actions, 2);
  EXPECT_TRUE(SetStandInAction("UpdateSpecialMove", nullptr));
  UpdateSpecialMove(&g_shots[4], 4);
  EXPECT_EQ(g_actions, 2);
  SetStandInAction("UpdateSpecialMove", CountAction);
  ResetStandInCalls();
  UpdateSpecialMove(&g_shots[5], 5);
  EXPECT_EQ(g_actions, 2) << "a reset removes the actions";
  // A source of the caller's own: its contents are what the call is about.
  BattleObject source{};
  source.x = 640;
  source.y = 480;
  source.stun = 3;
  UpdateSpecialMove(&source, 0);
  source.x = 1;
  const StandInCall* call = FindStandInCall("UpdateSpecialMove");
  EXPECT_EQ(call->args[0].integer, -1);
  EXPECT_EQ(call->args[0].object.x, 640);
  EXPECT_EQ(call->args[0].object.y, 480);
  EXPECT_EQ(call->args[0].object.stun, 3);
}

}  // namespace
