// Round start, the story's start positions and the companion that follows character 4.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iterator>

#include "game/battle/access.h"
#include "game/battle/arena.h"
#include "game/battle/battle.h"
#include "game/battle/characters.h"
#include "game/battle/directions.h"
#include "game/battle/motion.h"
#include "game/battle/player_control.h"
#include "game/core/frame_state.h"
#include "game/core/match_setup.h"
#include "game/core/numeric.h"
#include "game/core/records.h"
#include "morrow/system/time.h"

namespace veyrdale {

namespace {

// A start place of the story tables; heading -1 keeps the default facing.
struct Place {
  bool set;
  float x, y;
  int heading;
};

constexpr Place kKeep{false, 0, 0, -1};

constexpr Place At(float x, float y, int heading = -1) {
  return {true, x, y, heading};
}

struct StartLayout {
  int stage;
  Place places[4];
  int variant;
  bool fullGauge[4];  // spellGauge 200
};

constexpr StartLayout kMainLayouts[] = {
    {0, {At(320, 310, 64), At(320, 200, 192), kKeep, kKeep}, 4, {}},
    {1, {At(320, 330, 64), At(320, 200, 192), kKeep, kKeep}, 4, {}},
    {3, {At(270, 240, 0), At(370, 240, 128), At(320, 120), kKeep}, 0, {}},
    {5, {At(320, 330, 64), At(320, 200, 192), At(280, 200, 64), kKeep}, 3, {true, true}},
    {9, {At(320, 300, 64), At(320, 180, 192), At(320, 220, 192), kKeep}, 1, {}},
    {11, {At(120, 240, 0), At(520, 240, 128), At(440, 240, 128), kKeep}, 2, {}},
    {13, {At(160, 180, 0), At(480, 180, 128), At(520, 280, 128), kKeep}, 1, {false, true}},
    {15,
     {At(248, 100, 224), At(320, 360, 64), At(390, 96, 192), At(480, 180, 128)},
     3,
     {true, true}},
    {16, {At(120, 240, 0), At(520, 240, 128), At(320, 96, 192), kKeep}, 3, {true, true}},
};

// Stage 7 by the route: two fighters, or three with the third below.
constexpr StartLayout kMainStage7Pair{
    7, {At(320, 330, 64), At(320, 200, 192), kKeep, kKeep}, 1, {}};
constexpr StartLayout kMainStage7Three{
    7, {At(320, 300, 64), At(320, 200, 192), At(320, 420, 64), kKeep}, 2, {}};

constexpr StartLayout kExtraLayouts[] = {
    {0, {At(240, 240, 0), At(400, 240, 128), kKeep, kKeep}, 1, {}},
    {2, {At(320, 330, 64), At(300, 200, 192), At(340, 200, 160), kKeep}, 0, {}},
    {4, {At(320, 100, 192), At(320, 330, 64), At(320, 220, 192), At(360, 190, 192)}, 2, {}},
    {6, {At(320, 270, 0), At(320, 210, 160), At(40, 240, 0), At(600, 240, 128)}, 0, {}},
    {8,
     {At(320, 300, 64), At(320, 180, 192), At(280, 220, 192), At(360, 220, 192)},
     3,
     {true, true, true, true}},
};

void ApplyLayout(const StartLayout& layout) {
  for (int p = 0; p < 4; ++p) {
    const Place& place = layout.places[p];
    if (place.set) {
      g_players[p].x = place.x;
      g_players[p].y = place.y;
      if (place.heading >= 0) g_players[p].heading = place.heading;
    }
    if (layout.fullGauge[p]) g_playerState.spellGauge[p] = 200.0f;
  }
  ArenaVariant = layout.variant;
}

template <size_t N>
const StartLayout* FindLayout(const StartLayout (&layouts)[N], int stage) {
  for (const StartLayout& layout : layouts) {
    if (layout.stage == stage) return &layout;
  }
  return nullptr;
}

// A source object for an effect at a point that is no live object.
BattleObject SourceAt(float x, float y) {
  BattleObject source{};
  source.x = x;
  source.y = y;
  return source;
}

// Arena 8 marks its first cell of a value (searched column by column) with an effect. Without such
// a cell the search ends past the grid, at (640, 480), where no cell state is read.
void MarkFirstCell(int32_t value, int effect) {
  int column = kMapColumns;
  int row = kMapRows;
  for (int c = 0; c < kMapColumns && column == kMapColumns; ++c) {
    for (int r = 0; r < kMapRows; ++r) {
      if (CellValue(c, r) == value) {
        column = c;
        row = r;
        break;
      }
    }
  }
  BattleObject source =
      SourceAt(static_cast<float>(column * kCellPixels), static_cast<float>(row * kCellPixels));
  if (column < kMapColumns) {
    source.stun = static_cast<float>(g_arenaMap.cellState[CellIndex(column, row)]);
  }
  CreateEffect(&source, effect);
}

#ifndef NDEBUG
// The mode whose set-up led to this round, for the message of a guard.
const char* ModeOfMatch() {
  if (DemoFrames >= kDemoStart) return "demo";
  if (g_match.storyMode > 0) return g_match.storyKind == 1 ? "extra story" : "story";
  if (g_match.survivalMode != 0) return "survival";
  return "versus";
}

// A set-up that skipped the maps would give an open arena, or the maps an earlier match took, and
// fail nothing else. So a round on a map never read stops debug builds, and so does a round that
// `takes` the maps when a round took them since they were read: a round end that leaves the match
// going on hands them on to its next round, a story stage's continue takes none, and only a read
// clears them for another match. A map the set-up could not read stays allowed: a tree without
// maps plays on open arenas, and the set-up has logged it.
void CheckMapsWereRead(int arena, ArenaMapChoice maps, bool takes) {
  for (int n = maps.first; n < maps.first + maps.count; ++n) {
    const ArenaMapImage& image = g_arenaMapFiles[n];
    const char* fault = nullptr;
    if (image.kind == ArenaMapImage::Kind::kNotRead) {
      fault = "its set-up never read";
    } else if (takes && image.kind == ArenaMapImage::Kind::kRead && image.taken) {
      fault = "an earlier set-up left";
    }
    if (fault == nullptr) continue;
    std::fprintf(stderr, "round start: arena %d (%s) takes map %d, which %s\n", arena,
                 ModeOfMatch(), n, fault);
    std::abort();
  }
  if (!takes) return;
  for (int n = maps.first; n < maps.first + maps.count; ++n) g_arenaMapFiles[n].taken = true;
}
#endif

// The arena's map as the stage's set-up read it, then what the arena places on it. Arena 7 draws
// its map here, every time, whether or not the maps were read.
void LoadArenaOfStage([[maybe_unused]] bool takes) {
  const ArenaMapChoice maps = ArenaMapsOf(g_match.stage);
  if (maps.count == 0) return;
#ifndef NDEBUG
  CheckMapsWereRead(g_match.stage, maps, takes);
#endif
  int map = maps.first;
  if (maps.count > 1) map += morrow::GetRandomNumber(maps.count - 1);
  ApplyArenaMap(g_arenaMapFiles[map]);
  switch (g_match.stage) {
    case 2:
    case 3:
    case 5:
    case 7:
      PlaceArenaObjects();
      break;
    case 8:
      MarkFirstCell(3, 90);
      MarkFirstCell(2, 94);
      PlaceArenaObjects();
      break;
    case 9:
      // The arena objects of arena 9 are those of the arena numbered 10.
      g_match.stage = 10;
      PlaceArenaObjects();
      g_match.stage = 9;
      break;
    default:
      break;
  }
}

}  // namespace

void StartRound(BattleObject* player, int p) {
  if (player == nullptr || p < 0 || p > 3) {
    ++IndexMisses;
    return;
  }
  PlayerBattleState& s = g_playerState;
  const bool survival = g_match.survivalMode != 0;
  // The wins the round starts from, the guards cleared, and life full again.
  s.winsAtRoundStart[p] = s.wins[p];
  s.recoveryGuard[p] = 0;
  s.airborne[p] = 0;
  if (!(p == 0 && survival)) player->life = 350;
  // The start values at the player's corner; survival keeps player 0's life from round to round.
  player->meter = 700.0f;
  player->heading = 192;
  player->vx = player->vy = player->vz = 0.0f;
  player->z = 0.0f;
  player->stun = 0.0f;
  player->guard = 0;
  player->stateTimer = 0;
  player->recovery = 0;
  player->move = 0;
  player->attackDelay = 0;
  player->state = 0;
  player->rooted = 0;
  player->owner = static_cast<int16_t>(p);
  player->x = static_cast<float>(96 + 448 * (p % 2));
  player->y = static_cast<float>(96 + 346 * (p / 2));
  // Modes and counters: the spell gauge at the chosen start level (survival keeps player 0's
  // after the first round), and a survival run's items cut by a quarter.
  s.lowLifeMode[p] = 0;
  s.specialMode[p] = 0;
  if (survival && p == 0) {
    if (RoundNumber == 0) s.spellGauge[p] = 100.0f;
  } else {
    s.spellGauge[p] = 100.0f * static_cast<float>(g_match.startGaugeLevel[p]);
  }
  s.gaugeAtFrameStart[p] = static_cast<uint16_t>(TruncToInt(s.spellGauge[p]));
  s.cardBar[p] = 0;
  s.powerUp[p] = 0;
  s.reverseTimer[p] = 0;
  s.freezeTimer[p] = 0;
  s.holdTimer[p] = 0;
  s.heldFlag[p] = 0;
  if (survival) s.itemCount[p] = static_cast<int32_t>(s.itemCount[p] * 0.75);
  s.moveShotCount[p] = 0;
  s.slowTimer[p] = 0;
  // The companion just above the player, and the marker point cleared.
  BattleObject& companion = g_companions[p];
  companion.owner = static_cast<int16_t>(p);
  companion.x = player->x;
  companion.y = player->y - 48.0f;
  companion.vx = companion.vy = 0.0f;
  companion.state = HasCompanion(player->kind) ? 1 : 0;
  g_markerPoints[p].x = 0.0f;
  g_markerPoints[p].y = 0.0f;
  g_markerPoints[p].timer = 0;
  // Round-wide, so it runs once per player: the last call's arena 7 draw stands.
  ClearRoundPools();
  CutInFrames = 0;
  ScreenShake = 0;
  FreezeFrames = 0;
  SpellScreenActive = 0;
  ReversedControlsActive = 0;
  ContinuePause = 0;
  ContinueChoice = 0;
  FlashFrames = 0;
  FlashLength = 0;
  // The arena, the story's start positions, and the survival boss round's opponents powered up.
  // Every caller starts the four players in order, so the round takes the maps with player 0's
  // start; a story round started once the fight runs is its stage's continue, on the maps the
  // stage's first round took.
  LoadArenaOfStage(p == 0 && !(g_match.storyMode > 0 && StoryPreFight == 0));
  if (g_match.storyMode > 0) SetStoryStartPositions(g_match.storyStage, g_match.storyKind);
  if (survival && SurvivalBossRound != 0) {
    for (int i = 1; i < 4; ++i) {
      s.powerUp[i] = 3;
      s.cardChoice[i] = 2;
    }
  }
}

void SetStoryStartPositions(int stage, int kind) {
  if (kind == 1) {
    SetExtraStoryStartPositions(stage);
    return;
  }
  if (stage == 7) {
    ApplyLayout(RouteFlagA != 0 && RouteFlagB != 1 ? kMainStage7Pair : kMainStage7Three);
    return;
  }
  const StartLayout* layout = FindLayout(kMainLayouts, stage);
  if (layout == nullptr) return;
  ApplyLayout(*layout);
  // Stage 16: player 2 has a full gauge on the route where it fights on player 1's side.
  if (stage == 16 && (RouteFlagA == 0 || RouteFlagC == 1)) g_playerState.spellGauge[2] = 200.0f;
}

void SetExtraStoryStartPositions(int stage) {
  const StartLayout* layout = FindLayout(kExtraLayouts, stage);
  if (layout == nullptr) return;
  ApplyLayout(*layout);
  if (stage == 2) {
    g_playerState.powerUp[2] = 3;
    g_playerState.cardChoice[2] = 2;
  }
}

void UpdateCompanionFollow(BattleObject* c, int p) {
  BattleObject* owner = PlayerOrNull(p);
  if (c == nullptr || owner == nullptr) return;
  if (g_match.storyMode > 0 && StoryPreFight > 0) return;
  c->kind = owner->kind;
  c->owner = static_cast<int16_t>(p);
  c->drawTag = 9999;
  float tx = 0.0f;
  float ty = 0.0f;
  int weight = 3;
  const bool holding = owner->state == kStateDash || owner->modifierHeld == 1;
  // The companion waits where it is while its owner dashes or holds the modifier, unless it
  // stands on a wall, from which it keeps following.
  if (!(holding &&
        MapCellAt(TruncToInt(c->x), TruncToInt(c->y), 32, 32, 16, nullptr, nullptr) == 0)) {
    const int h = owner->heading;
    const int fx = TruncToInt(owner->x - CosOf(h) / 256.0f * 24.0f);
    const int fy = TruncToInt(owner->y - NegSinOf(h) / 256.0f * 24.0f);
    if (GetSquaredDistance(TruncToInt(c->x), TruncToInt(c->y), fx, fy) >= 25601) {
      c->speed += 0.15f;
      weight = 3;
    } else {
      c->speed -= 0.15f;
      weight = 1;
    }
    if (c->speed < 3.5f) c->speed = 3.5f;
    if (c->speed > 9.0f) c->speed = 9.0f;
    const int d = (257 - GetDirectionToPoint(TruncToInt(c->x), TruncToInt(c->y), fx, fy)) & 255;
    tx = CosOf(d) / 256.0f * c->speed;
    ty = NegSinOf(d) / 256.0f * c->speed;
  }
  BlendVelocity(&c->vx, &c->vy, tx, ty, 12, weight);
  if (SceneFrame % 2 == 0 && g_playerState.powerUp[p] == 0) CreateEffect(c, 42);
  ++c->stateTimer;
  c->heading = owner->heading;
  c->x += c->vx;
  c->y += c->vy;
}

void UpdateCompanionLaunched(BattleObject* c, int p) {
  BattleObject* owner = PlayerOrNull(p);
  if (c == nullptr || owner == nullptr) return;
  const int extra = g_playerState.powerUp[p] >= 1 ? 16 : 0;
  if (c->stateTimer == 0) {
    c->speed = 16.0f;
    c->heading = owner->heading;
    c->vx = CosOf(c->heading) / 256.0f * 16.0f;
    c->vy = NegSinOf(c->heading) / 256.0f * 16.0f;
    c->stateTimer = 120;
  } else {
    c->vx = (c->vx > -0.1f && c->vx < 0.1f) ? 0.0f : c->vx * 0.9f;
    c->vy = (c->vy > -0.1f && c->vy < 0.1f) ? 0.0f : c->vy * 0.9f;
    // The companion fires while its timer is in the window, paid from the owner's meter.
    if (c->stateTimer >= 64 - extra && c->stateTimer < 80 && owner->meter >= 10.0f) {
      CreateShot(owner, 3, p);
      owner->meter -= 10.0f;
    }
  }
  if (SceneFrame % 2 == 0) CreateEffect(c, 42);
  c->x += c->vx;
  c->y += c->vy;
  const int before = c->stateTimer;
  --c->stateTimer;
  if (before == 1) c->state = 1;
}

}  // namespace veyrdale
