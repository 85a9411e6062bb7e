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
}

TEST(StandIns, RecordCountsAndLastArguments) {
  ResetStandInCalls();
  BattleObject local{};
  LaunchShotChara8(&g_familiars[3], &g_shots[3], 0);
  LaunchShotChara8(&local, &g_shots[5], 2);
  LaunchShotChara9(&g_shots[511], &g_shots[1], 15);
  LaunchShotChara8(&g_shots[1], &g_shots[2], 1);
  LaunchShotChara15(&g_players[3], &g_shots[3], 3);
  struct Case {
    const char* name;
    int64_t calls;
    const char* args;
  } cases[] = {
      {"LaunchShotChara8", 3, "1 2 1"},
      {"LaunchShotChara9", 1, "511 1 15"},
      {"LaunchShotChara15", 1, "3 3 3"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Calls(c.name), c.calls) << c.name;
    EXPECT_EQ(Args(c.name), c.args) << c.name;
  }
  ResetStandInCalls();
  EXPECT_EQ(Calls("LaunchShotChara8"), 0);
  EXPECT_EQ(Args("LaunchShotChara8"), "");
}

TEST(StandIns, LaunchersPlaceTheShotAndEndTheVolley) {
  int (*launchers[])(BattleObject*, BattleObject*, int) = {
      LaunchShotChara8,  LaunchShotChara9,  LaunchShotChara10, LaunchShotChara11,
      LaunchShotChara12, LaunchShotChara13, LaunchShotChara14, LaunchShotChara15,
  };
  ResetStandInCalls();
  BattleObject source{};
  source.x = 120.5f;
  source.y = 300.25f;
  source.heading = 200;
  for (auto* launch : launchers) {
    BattleObject& shot = g_shots[40];
    shot = BattleObject{};
    shot.vx = 7.0f;
    shot.move = 3;
    EXPECT_EQ(launch(&source, &shot, 4), 0);
    EXPECT_EQ(shot.x, 120.5f);
    EXPECT_EQ(shot.y, 300.25f);
    EXPECT_EQ(shot.heading, 200);
    EXPECT_EQ(shot.speed, 6.0f);
    EXPECT_EQ(shot.vx, 7.0f) << "the velocity is the shot creation's";
    EXPECT_EQ(shot.move, 3);
  }
  EXPECT_EQ(Calls("LaunchShotChara8"), 1);
  EXPECT_EQ(Calls("LaunchShotChara15"), 1);
}

TEST(StandIns, AnswersThatLetTheBattleGoOn) {
  EXPECT_EQ(LoadScenarioScript(3), 0) << "a script is never found";
}

int g_actions;
void CountAction() {
  ++g_actions;
}

TEST(StandIns, ActionsRunAfterTheRecordAndObjectsAreKeptAsPassed) {
  ResetStandInCalls();
  g_actions = 0;
  EXPECT_TRUE(SetStandInAction("LaunchShotChara10", CountAction));
  EXPECT_FALSE(SetStandInAction("NotAnEntryPoint", CountAction));
  LaunchShotChara10(&g_shots[2], &g_shots[20], 0);
  LaunchShotChara10(&g_shots[3], &g_shots[20], 0);
  EXPECT_EQ(g_actions, 2);
  EXPECT_TRUE(SetStandInAction("LaunchShotChara10", nullptr));
  LaunchShotChara10(&g_shots[4], &g_shots[20], 0);
  EXPECT_EQ(g_actions, 2);
  SetStandInAction("LaunchShotChara10", CountAction);
  ResetStandInCalls();
  LaunchShotChara10(&g_shots[5], &g_shots[20], 0);
  EXPECT_EQ(g_actions, 2) << "a reset removes the actions";
  // A source of the caller's own: its contents are what the call is about.
  BattleObject source{};
  source.x = 640;
  source.y = 480;
  source.stun = 3;
  LaunchShotChara10(&source, &g_shots[20], 0);
  source.x = 1;
  const StandInCall* call = FindStandInCall("LaunchShotChara10");
  EXPECT_EQ(call->args[0].integer, -1);
  EXPECT_EQ(call->args[0].object.x, 640);
  EXPECT_EQ(call->args[0].object.y, 480);
  EXPECT_EQ(call->args[0].object.stun, 3);
}

}  // namespace
