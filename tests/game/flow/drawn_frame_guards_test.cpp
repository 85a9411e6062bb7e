// The rules of the drawn frame held over whole battles and one story frame: the view's parts of a
// drawn frame leave the battle state and the random generator as they found them, with the pools
// as the battle leaves them, with every pool past the limits of the draw, and on a dark arena under
// a running flash, where the flow's own frame and its debug guard draw; the most requests a
// frame can make all find room; and the parts run in an order that keeps the story's script turns
// and draws the continue prompt as the frame found it.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <iterator>
#include <optional>
#include <random>
#include <span>
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "game/battle/access.h"
#include "game/battle/arena.h"
#include "game/battle/battle.h"
#include "game/battle/drawn_frame.h"
#include "game/battle/effects.h"
#include "game/battle/familiars.h"
#include "game/battle/hit_effects.h"
#include "game/battle/items.h"
#include "game/battle/player_control.h"
#include "game/battle/shots.h"
#include "game/battle/state_snapshot.h"
#include "game/core/frame_state.h"
#include "game/core/input.h"
#include "game/core/match_setup.h"
#include "game/core/records.h"
#include "game/core/resource_tables.h"
#include "game/core/scenes.h"
#include "game/flow/flow.h"
#include "game/flow/frame_steps.h"
#include "game/flow/scenario.h"
#include "game/view/draw_list.h"
#include "game/view/view.h"
#include "morrow/recording/library_recorder.h"
#include "morrow/system/time.h"
#include "tests/support/battle_state.h"
#include "tests/support/script_files.h"

namespace {

using namespace veyrdale;
using testsupport::Recorder;

// The whole battle state (every pool, side table, per-player array and global of the field table,
// byte for byte) and the generator's next number, as a view part found them: what it changed, or
// "" when it changed nothing.
class StateBefore {
 public:
  void Take() {
    snapshot_.Take();
    next_ = morrow::PeekRandomNumber(INT32_MAX - 1, 0);
  }
  std::string Changed() const {
    char field[96];
    if (snapshot_.FindChange(field, sizeof field)) return field;
    return morrow::PeekRandomNumber(INT32_MAX - 1, 0) == next_ ? "" : "the generator";
  }

 private:
  StateSnapshot snapshot_;
  int next_ = 0;
};

// What a case fills on each drawn frame, between the battle's step and the draw, so that the draw
// meets every pool full whatever the step freed: shots, effects, items, familiars and the second
// effects, made by the battle's own creators from sources spread over the field, with the kinds,
// moves and codes the view draws differently.
struct PoolSet {
  const char* name;
  // Of every four shots and effects made, how many are for the top layer (the others for the
  // sorted part); kAnyPart takes them as they come, kBattleAlone fills nothing.
  int topQuarters;
  bool beams;        // twice as many beams as the late list holds, other effects making way
  bool blocks;       // on arena kMapArena with a block on every cell but the starting ones
  bool declaration;  // character 10's special declaration, which draws the second effects
  uint8_t reaches;   // the limit of the draw its frames must go past (a Limit), or 0
  // On a dark arena (blackout 1) with a flash always running, as the story's lights command and a
  // card leave them; its frames are drawn as the battle scene draws them, each view part checked
  // by the debug builds' guard.
  bool dark;
};
constexpr int kAnyPart = -1;
constexpr int kBattleAlone = -2;

// The limits of the draw: the late list, the sorted part filling the list, the top layer, the
// top layer cut at the list's end; and the second pool drawn full.
enum Limit : uint8_t {
  kLateList = 1,
  kSortedPart = 2,
  kTopLayer = 4,
  kListEnd = 8,
  kRings = 16,
  kDarkFlash = 32,  // the dark arena under a flash
};

const PoolSet kPoolSets[] = {
    {"BattleAlone", kBattleAlone, false, false, false, 0, false},
    {"LateEffects", kAnyPart, true, false, false, kLateList, false},
    // 592 block copies, 512 shots and 1024 effects: the sorted part fills the list before it
    // collects the items.
    {"SortedPart", 0, false, true, false, kSortedPart, false},
    {"TopLayer", 4, false, false, false, kTopLayer, false},
    // 384 shots and 768 effects overfill the top layer; about 1170 in the sorted part leave it
    // less room than that at the end of the list.
    {"ListEnd", 3, false, true, false, kListEnd, false},
    {"Declaration", kAnyPart, false, false, true, kRings, false},
    {"DarkArena", kAnyPart, false, false, false, kDarkFlash, true},
};

// The drawn frames of a case, and those that went past the limit of its set.
struct Reach {
  int viewParts = 0;
  int frames = 0;
  int reached = 0;
};

constexpr int kMapArena = 5;  // its five arena objects fill the familiars' first slots
constexpr int kDeclarationFrames = 255;
constexpr int kScatterEnd = 128;  // the declaration's frames from which the scatter is not drawn
constexpr int kBeamMaker = 43;    // the effect kind that makes a beam

// Arena kMapArena's map as its stage's set-up reads it: the four block values in turn on every
// cell but the players' starting ones.
void ReadBlockMap() {
  ArenaMapImage& image = g_arenaMapFiles[ArenaMapsOf(kMapArena).first];
  image = ArenaMapImage{};
  image.kind = ArenaMapImage::Kind::kRead;
  constexpr uint8_t kBlocks[] = {1, 2, 3, 5};
  for (int c = 0; c < kMapColumns; ++c) {
    image.rows[c] = kMapRows;
    for (int r = 0; r < kMapRows; ++r) {
      const bool start = (c == 3 || c == 17) && (r == 3 || r == 13);
      if (!start) image.cells[CellIndex(c, r)] = kBlocks[(c + r) % 4];
    }
  }
}

template <typename T, int N, typename Pred>
int CountOf(const T (&pool)[N], Pred pred) {
  return static_cast<int>(std::count_if(std::begin(pool), std::end(pool), pred));
}

// Live effects: the beams (flagged for the late list) or the others.
int LiveEffects(bool beams) {
  int count = 0;
  for (int slot = 0; slot < kEffectCount; ++slot) {
    count += g_effectInUse[slot] == 1 && (g_effects[slot].flag != 0) == beams;
  }
  return count;
}

class PoolFiller {
 public:
  PoolFiller(const PoolSet& set, uint32_t seed) : set_(set), pick_(seed) {}

  void Fill() {
    if (set_.topQuarters == kBattleAlone) return;
    if (set_.declaration && (FreezeFrames <= 0 || CutInFrames <= kScatterEnd)) {
      // As character 10's move 6 leaves it on hitting player 1, some frames on; again once the
      // scatter is over.
      FreezeFrames = CutInFrames = kDeclarationFrames;
      CutInAttacker = 0;
      CutInVictim = 1;
    }
    if (set_.blocks) RestoreBlocks();
    KeepShare();
    if (set_.beams) Beams();
    Effects();
    Shots();
    Items();
    Familiars();
    for (int i = 0; i < kSecondEffectCount && CountOf(g_secondEffects, RingFree) > 0; ++i) {
      SpawnScatterSparks(&g_players[0], &g_players[1]);
    }
  }

 private:
  int Below(int n) { return static_cast<int>(pick_() % static_cast<uint32_t>(n)); }
  int Player() { return Below(g_match.playerCount); }

  // Whether a shot or effect for the top layer (or the sorted part) is the one the set's share
  // asks for next.
  bool Wanted(bool top) {
    if (set_.topQuarters == kAnyPart) return true;
    if (!nextTop_) nextTop_ = Below(4) < set_.topQuarters;
    if (top != *nextTop_) return false;
    nextTop_.reset();
    return true;
  }

  // Player p, or for kNobody an arena object, anywhere on the field, facing anywhere, its timer
  // anywhere a charge reads it.
  BattleObject Source(int p) {
    BattleObject source = p == kNobody ? EffectSource(kNeutralKind, 0, 0) : g_players[p];
    source.owner = static_cast<int16_t>(p);
    source.x = static_cast<float>(16 + Below(608));
    source.y = static_cast<float>(16 + Below(448));
    source.heading = Below(256);
    source.stateTimer = Below(400);
    return source;
  }

  // Characters 0 and 10's move 6 starts a cut-in on its hit, which freezes the battle for 280
  // frames and fills the free shot slots with its volley: only the declaration set has one.
  static bool StartsCutIn(int owner, int move) {
    const int kind = owner == kNobody ? kNeutralKind : g_players[owner].kind;
    return move == 6 && (kind == 0 || kind == 10);
  }

  void Shots() {
    for (int i = 0; i < 8 * kShotCount && CountOf(g_shots, ShotFree) > 0; ++i) {
      const int owner = Below(8) == 0 ? kNobody : Player();
      const int move = 1 + Below(16);
      const MoveTableEntry& row = MoveRow(owner, move);
      if (row.moveLength == 0 || StartsCutIn(owner, move) || !Wanted(row.hitTag == 1)) continue;
      BattleObject source = Source(owner);
      CreateShot(&source, static_cast<int16_t>(move), owner);
    }
  }

  // An effect just made in `slot`: somewhere along its timer, or undone when the set does not
  // want it.
  void Made(int slot) {
    if (g_effectInUse[slot] != 1) return;
    EffectRecord& effect = g_effects[slot];
    const bool wanted =
        effect.flag != 0 ? set_.topQuarters == kAnyPart : Wanted(!IsSortedEffectKind(effect.code));
    if (!wanted) {
      FreeEffectSlot(slot);
    } else if (effect.timer > 1 && effect.timer < kHeldTimer) {
      effect.timer = 1 + Below(effect.timer);
    }
  }

  // Shots and effects past their part's share (the battle makes its own) end as the battle ends
  // them, for the filling to replace; so do beams, which are in neither part.
  void KeepShare() {
    if (set_.topQuarters == kAnyPart) return;
    int topShots = set_.topQuarters * kShotCount / 4;
    int sortedShots = kShotCount - topShots;
    for (BattleObject& shot : g_shots) {
      if (shot.state == 0) continue;
      int& room = g_shotDamage[&shot - g_shots].hitTag == 1 ? topShots : sortedShots;
      if (room > 0) {
        --room;
      } else {
        shot.state = 0;
        ApplyReleaseRules(ShotOwnerIndex(shot), shot.move, shot.recovery);
      }
    }
    int topEffects = set_.topQuarters * kEffectCount / 4;
    int sortedEffects = kEffectCount - topEffects;
    for (int slot = 0; slot < kEffectCount; ++slot) {
      if (g_effectInUse[slot] != 1) continue;
      const EffectRecord& effect = g_effects[slot];
      int& room = IsSortedEffectKind(effect.code) ? sortedEffects : topEffects;
      if (effect.flag == 0 && room > 0) {
        --room;
      } else {
        FreeEffectSlot(slot);
      }
    }
  }

  void Beams() {
    int beams = LiveEffects(true);
    for (int i = 0; i < kEffectCount && beams < 2 * kLateEffectLimit; ++i) {
      int slot = TakeFreeEffectSlot();
      if (slot < 0) {
        slot = Below(kEffectCount);
        if (g_effects[slot].flag != 0) continue;
        FreeEffectSlot(slot);
      }
      BattleObject source = Source(Player());
      CreateEffect(&source, kBeamMaker);
      Made(slot);
      beams += g_effectInUse[slot] == 1;
    }
  }

  void Effects() {
    for (int i = 0; i < 8 * kEffectCount; ++i) {
      const int slot = TakeFreeEffectSlot();
      if (slot < 0) return;
      BattleObject source = Source(Player());
      if (Below(4) == 0) {
        CreateRingEffect(&source, Below(22), Below(8));
      } else {
        CreateEffect(&source, Below(119));
      }
      Made(slot);
    }
  }

  void Items() {
    uint16_t was[kItemCount];
    std::copy(std::begin(g_itemFlags), std::end(g_itemFlags), was);
    // From a cell, from a point, the special item from a cell and from a point.
    constexpr int kModes[] = {0, 1, 76, 77};
    for (int i = 0; i < kItemCount && CountOf(g_itemFlags, ItemFree) > 0; ++i) {
      const int mode = kModes[Below(4)];
      const bool cell = mode == 0 || mode == 76;
      CreateItem(cell ? Below(kMapColumns) : Below(640), cell ? Below(kMapRows) : Below(480),
                 1 + Below(8), mode, Player());
    }
    for (int slot = 0; slot < kItemCount; ++slot) {
      if (was[slot] == 0 && g_itemFlags[slot] != 0) g_items[slot].age = Below(kLastItemAge + 1);
    }
  }

  void Familiars() {
    for (int i = 0; i < 4 * kFamiliarCount; ++i) {
      if (std::none_of(std::begin(g_familiars) + kFirstSummonSlot, std::end(g_familiars),
                       [](const BattleObject& f) { return f.state <= 0; })) {
        return;
      }
      const int p = Player();
      BattleObject source = Source(p);
      SpawnFamiliar(&source, Below(10), p);
    }
  }

  // A broken cell, once cleared, stands again as the map gives it: as a cell no shot has hit.
  static void RestoreBlocks() {
    const ArenaMapImage& image = g_arenaMapFiles[ArenaMapsOf(kMapArena).first];
    for (int index = 0; index < kMapCells; ++index) {
      if (g_arenaMap.cells[index] != 0 || !IsBlockValue(image.cells[index])) continue;
      g_arenaMap.cells[index] = image.cells[index];
      g_arenaMap.cellState[index] = 0;
      g_arenaMap.openTimer[index] = 0;
    }
  }

  static bool ShotFree(const BattleObject& shot) { return shot.state == 0; }
  static bool RingFree(const EffectRecord& ring) { return ring.timer == 0; }
  static bool ItemFree(uint16_t flag) { return flag == 0; }

  const PoolSet& set_;
  std::mt19937 pick_;
  std::optional<bool> nextTop_;
};

// The limits of the draw that the drawn frame's list, just built, went past (Limit bits).
uint8_t LimitsPassed() {
  const int beams = LiveEffects(true);
  const int effects = LiveEffects(false);
  const int items = CountOf(g_itemFlags, [](uint16_t flag) { return flag == 1 || flag == 2; });
  int listedEffects = 0;
  int listedItems = 0;
  for (int i = 0; i < g_drawnFrame.entries; ++i) {
    listedEffects += DrawList[i].drawTag == kTagEffect;
    listedItems += DrawList[i].drawTag == kTagItem;
  }
  uint8_t passed = 0;
  if (beams > kLateEffectLimit && LateEffectCount == kLateEffectLimit) passed |= kLateList;
  // The items are the last the sorted part collects, the effects the last of the top layer.
  if (listedItems < items) {
    passed |= kSortedPart;
  } else if (listedEffects < effects) {
    passed |= g_drawnFrame.entries < kDrawListLimit ? kTopLayer : kListEnd;
  }
  const bool scattering = FreezeFrames > 0 && CutInFrames > kScatterEnd && CutInFrames < 256;
  if (scattering && CountOf(g_secondEffects, [](const EffectRecord& e) { return e.timer > 0; }) ==
                        kSecondEffectCount) {
    passed |= kRings;
  }
  if (ArenaBlackout == 1 && FlashFrames != 0) passed |= kDarkFlash;
  return passed;
}

// A flash that ran out starts again, as a card or a script sets it: black after a white one (whose
// length stays), white after any other.
void KeepFlashRunning() {
  constexpr int kFlashFrames = 20;
  if (FlashFrames != 0) return;
  FlashFrames = FlashLength = FlashLength > 0 ? -kFlashFrames : kFlashFrames;
}

// A battle frame of the battle scene outside the story, with the drawn frame run part by part
// after the pools are filled, or on a dark arena drawn whole by the flow: false once the match is
// over.
bool StepCheckedFrame(PoolFiller& filler, const PoolSet& set, Reach* reach) {
  for (int p = 0; p < kPlayerCount; ++p) {
    UpdateCpuPlayer(&g_players[p], p);
    ApplyCpuInput(p);
  }
  if (ReversedControlsActive == 1) ApplyReversedControls();
  if (RunRoundTiming() == BattleOutcome::kMatchOver) return false;
  StepBattleToDraw();
  const std::span<const DrawnFramePart> parts = DrawnFrameParts();
  if (BattleFrameIsDrawn()) {
    filler.Fill();
    if (set.dark) {
      KeepFlashRunning();
      ++reach->frames;
      reach->reached += (LimitsPassed() & set.reaches) != 0;
      DrawBattleFrame();
      reach->viewParts += static_cast<int>(std::count_if(
          parts.begin(), parts.end(), [](const DrawnFramePart& p) { return p.view; }));
      // Outside the story no part of the frame lights the arena.
      EXPECT_EQ(static_cast<int>(ArenaBlackout), 1) << "frame " << FrameCount;
    } else {
      static StateBefore before;
      for (const DrawnFramePart& part : parts) {
        if (part.view) before.Take();
        const bool goesOn = part.run();
        if (part.view) {
          ++reach->viewParts;
          EXPECT_EQ(before.Changed(), "") << part.name << ", frame " << FrameCount;
        }
        if (&part == &parts.front()) {
          ++reach->frames;
          reach->reached += (LimitsPassed() & set.reaches) != 0;
        }
        if (!goesOn) break;
      }
    }
  }
  StepBattleFromDraw();
  AdvanceFrameCounters();
  TakeCaptureRequests();
  if (SlowMotionFrames > 0) --SlowMotionFrames;
  return true;
}

#ifdef NDEBUG
constexpr int kAloneFrames = 1500;
constexpr int kFullFrames = 240;
#else
constexpr int kAloneFrames = 750;
constexpr int kFullFrames = 96;
#endif

// Each pool set at full rate and at half rate (the display presenting every second frame).
class DrawnFrameGuards : public ::testing::TestWithParam<std::tuple<PoolSet, bool>> {};

TEST_P(DrawnFrameGuards, ViewPartsLeaveTheBattleAsTheyFoundIt) {
  const auto& [set, halfRate] = GetParam();
  const bool alone = set.topQuarters == kBattleAlone;
  const int matches = alone ? 2 : 1;
  const int frames = alone ? kAloneFrames : kFullFrames;
  Recorder().Reset();
  std::mt19937 pick(halfRate ? 80 : 79);  // the two rates play other matches
  Reach reach;
  for (int match = 0; match < matches && !HasFailure(); ++match) {
    const int players = alone ? 2 + static_cast<int>(pick() % 3) : kPlayerCount;
    std::vector<int> characters;
    for (int p = 0; p < players; ++p) characters.push_back(static_cast<int>(pick() % 16));
    if (set.declaration) characters[0] = 10;
    testsupport::SetUpMatch(characters, set.blocks ? kMapArena : -1);
    if (set.blocks) ReadBlockMap();
    for (int p = 0; p < kPlayerCount; ++p) {
      g_match.cpuFlag[p] = 1;
      // The richer a player, the richer the items thrown for it.
      if (!alone) g_playerState.itemCount[p] = static_cast<int32_t>(pick() % 760);
    }
    g_display.halfRatePresent = halfRate ? 1 : 0;
    ArenaBlackout = set.dark ? 1 : 0;
    morrow::SeedRandom(static_cast<uint32_t>(pick()));
    PoolFiller filler(set, static_cast<uint32_t>(pick()));
    for (int f = 0; f < frames && !HasFailure(); ++f) {
      if (!StepCheckedFrame(filler, set, &reach)) break;
      Recorder().ClearCalls();
    }
  }
  ArenaBlackout = 0;
  if (HasFailure()) return;  // the frames stopped at the part that changed the state
  // Every match drew: at full rate every frame, at half rate every second one.
  EXPECT_GT(reach.viewParts, matches * frames);
  // Every drawn frame went past the limit the set is for.
  if (set.reaches != 0) {
    EXPECT_EQ(reach.reached, reach.frames);
  }
}

INSTANTIATE_TEST_SUITE_P(PoolSetsByRate, DrawnFrameGuards,
                         ::testing::Combine(::testing::ValuesIn(kPoolSets), ::testing::Bool()),
                         [](const ::testing::TestParamInfo<std::tuple<PoolSet, bool>>& info) {
                           return std::string(std::get<0>(info.param).name) +
                                  (std::get<1>(info.param) ? "_HalfRate" : "_FullRate");
                         });

// The most requests a drawn frame can make: character 10 declares its special move against a
// jittering character 5 on the frame its swing's shake lands, and two more players jitter. Each of
// the ten finds room in the list and is carried out: eight numbers drawn, the shake set.
TEST(DrawnFrameRequests, TheMostTheDrawCanAskForAreAllCarriedOut) {
  Recorder().Reset();
  testsupport::SetUpMatch({10, 5, 9, 5});
  for (int p = 0; p < kPlayerCount; ++p) g_players[p].owner = static_cast<int16_t>(p);
  g_players[0].state = kStateAttackStanding;
  g_players[0].stateTimer = 51;
  g_playerState.poseClass[0] = 1;
  for (int p = 1; p < kPlayerCount; ++p) {
    g_players[p].state = kStateSpecialMove;
    g_playerState.specialMode[p] = 7000;
  }
  FreezeFrames = 30;
  CutInFrames = 200;
  CutInAttacker = 0;
  CutInVictim = 1;
  morrow::SeedRandom(85);
  for (int i = 0; i < 8; ++i) morrow::GetRandomNumber(2);
  const int next = morrow::GetRandomNumber(1000000);
  morrow::SeedRandom(85);

  DrawBattleFrame();

  EXPECT_EQ(g_drawnFrame.asked, DrawnFrame::kMostRequests);
  EXPECT_EQ(g_drawnFrame.requestCount, g_drawnFrame.asked) << "a request found no room";
  EXPECT_EQ(ScreenShake, 8);
  EXPECT_EQ(morrow::GetRandomNumber(1000000), next) << "not the eight numbers looked ahead at";
}

// A story frame of stage 0 with its dialogue running: player 0 (character 0, the last frames of
// its turning swing) turns in its selection while the page that its finished entry turns to
// turns it too; the continue prompt stands at its 60th frame and player 0 presses right.
class StoryFrame : public ::testing::Test {
 protected:
  void SetUp() override {
    Recorder().Reset();
    testsupport::SetUpMatch({0, 1});
    g_match.storyMode = 1;
    StoryPreFight = 120;
    StageTypeTable[0] = 1;
    BattleObject& player = g_players[0];
    player.state = kStateAttackStanding;
    player.heading = kSelectionFrom;
    player.stateTimer = 20;
    for (int16_t move = 1; move <= 16; ++move) {
      if (MoveRow(0, move).moveLength >= 40) g_playerState.currentMove[0] = move;
    }
    g_playerState.poseClass[0] = 1;
    g_playerState.entryFrames[0] = 29;  // its scripted entry has run: drawn, and the page turns
    g_players[1].owner = 1;
    const std::string page = "T07" + testsupport::FullWidth("A") + "\\_";
    std::fill(std::begin(ScriptBuffer), std::end(ScriptBuffer), 0);
    std::copy(page.begin(), page.end(), ScriptBuffer);
    ContinuePause = 60;
    ContinueChoice = 0;
    HeldFrameCounts[kInputRight][0] = 1;
  }

  static constexpr int kSelectionFrom = 0;  // the swing turns it to 16
  static constexpr int kScriptTurn = 224;   // T07: player 0 to heading row 7
};

TEST_F(StoryFrame, TheScriptTurnStandsAndThePromptShowsTheChoiceItFound) {
  ASSERT_GE(MoveRow(0, g_playerState.currentMove[0]).moveLength, 40);
  Recorder().ClearCalls();
  DrawContinuePrompt();
  const std::vector<testsupport::RecordedCall> prompt = Recorder().Calls();
  ASSERT_FALSE(prompt.empty());

  Recorder().ClearCalls();
  DrawBattleFrame();
  const std::vector<testsupport::RecordedCall>& calls = Recorder().Calls();

  // The selection turned player 0 and was carried out before the dialogue, whose page then
  // turned it again: the script's turn stands.
  EXPECT_EQ(g_drawnFrame.players[0].heading, kSelectionFrom + 16);
  EXPECT_EQ(g_players[0].heading, kScriptTurn);
  // The prompt was drawn as the frame found it, and the choice made after it.
  EXPECT_EQ(ContinueChoice, 1);
  std::vector<std::string> texts;
  for (const testsupport::RecordedCall& call : calls) texts.push_back(call.Text());
  bool found = false;
  for (size_t at = 0; at + prompt.size() <= texts.size() && !found; ++at) {
    found = true;
    for (size_t k = 0; k < prompt.size() && found; ++k) found = texts[at + k] == prompt[k].Text();
  }
  EXPECT_TRUE(found) << "the frame did not draw the prompt with the choice it found";
}

}  // namespace
