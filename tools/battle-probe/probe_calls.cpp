// The entry points `call` can run, by name: the probe's name table of the game's calls.
#include <cstdio>

#include "game/battle/battle.h"
#include "game/core/input.h"
#include "game/core/records.h"
#include "game/flow/flow.h"
#include "game/flow/move_table.h"
#include "game/flow/result_number.h"
#include "game/view/view.h"
#include "tools/battle-probe/probe_args.h"
#include "tools/battle-probe/probe_commands.h"

namespace battleprobe {

namespace {

veyrdale::BattleObject* PlayerArg(const std::string& text) {
  return &veyrdale::g_players[ToInteger(text, 0, 3)];
}

struct Callable {
  const char* name;
  int args;
  void (*run)(const Args&);  // a[2] is the first argument
};

#define PLAYER_CALL(fn)                                                       \
  {                                                                           \
#fn, 1, [](const Args& a) { veyrdale::fn(PlayerArg(a[2]), ToInt(a[2])); } \
  }
#define INDEX_CALL(fn)                                       \
  {                                                          \
#fn, 1, [](const Args& a) { veyrdale::fn(ToInt(a[2])); } \
  }
#define VOID_CALL(fn)                           \
  {                                             \
#fn, 0, [](const Args&) { veyrdale::fn(); } \
  }

// Entry points the probe can run; later issues add theirs here.
const Callable kCalls[] = {
    PLAYER_CALL(StartRound),
    {"UpdateCompanionFollow", 1,
     [](const Args& a) {
       veyrdale::UpdateCompanionFollow(&veyrdale::g_companions[ToInteger(a[2], 0, 3)], ToInt(a[2]));
     }},
    {"UpdateCompanionLaunched", 1,
     [](const Args& a) {
       veyrdale::UpdateCompanionLaunched(&veyrdale::g_companions[ToInteger(a[2], 0, 3)],
                                         ToInt(a[2]));
     }},
    {"SetupStoryStage", 2,
     [](const Args& a) { veyrdale::SetupStoryStage(ToInt(a[2]), ToInt(a[3])); }},
    INDEX_CALL(SetupExtraStoryStage),
    {"SetStoryStartPositions", 2,
     [](const Args& a) { veyrdale::SetStoryStartPositions(ToInt(a[2]), ToInt(a[3])); }},
    INDEX_CALL(SetExtraStoryStartPositions),
    VOID_CALL(DeletePortraits),
    {"PlayStageBgm", 2, [](const Args& a) { veyrdale::PlayStageBgm(ToInt(a[2]), ToInt(a[3])); }},
    INDEX_CALL(InitStageTypeTable),
    {"LoadLoadingPicture", 0,
     [](const Args&) { std::printf("%d\n", veyrdale::LoadLoadingPicture()); }},
    VOID_CALL(DrawLoadingPicture),
    VOID_CALL(DeleteLoadingPicture),
    INDEX_CALL(BattleScene),
    VOID_CALL(InstallMoveTable),
    VOID_CALL(ApplyReversedControls),
    INDEX_CALL(ApplyCpuInput),
    PLAYER_CALL(UpdatePlayerControl),
    PLAYER_CALL(UpdateHitStun),
    PLAYER_CALL(UpdateKnockBack),
    PLAYER_CALL(UpdateAttackInput),
    PLAYER_CALL(UpdateSpecialMove),
    PLAYER_CALL(RunSpellCard),
    PLAYER_CALL(UpdateCpuPlayer),
    INDEX_CALL(RemovePlayerShots),
    INDEX_CALL(ConvertOtherShots),
    INDEX_CALL(SlowNearbyOpponents),
    INDEX_CALL(ClaimAllItems),
    VOID_CALL(PlaceArenaObjects),
    {"UpdateShot", 1,
     [](const Args& a) {
       veyrdale::UpdateShot(&veyrdale::g_shots[ToInteger(a[2], 0, veyrdale::kShotCount - 1)],
                            ToInt(a[2]));
     }},
    VOID_CALL(SetupSurvivalRound),
    {"DrawResultNumber", 4,
     [](const Args& a) {
       veyrdale::DrawResultNumber(ToInt(a[2]), ToInt(a[3]), ToInt(a[4]), ToInt(a[5]));
     }},
    VOID_CALL(DrawContinueOverlay),
};

#undef PLAYER_CALL
#undef INDEX_CALL
#undef VOID_CALL

}  // namespace

void Call(const Args& a) {
  for (const Callable& c : kCalls) {
    if (a[1] != c.name) continue;
    if (static_cast<int>(a.size()) - 2 != c.args) Fail("wrong number of arguments for " + a[1]);
    c.run(a);
    return;
  }
  Fail("no entry point to call named " + a[1]);
}

}  // namespace battleprobe
