#include "game/battle/field_table.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <type_traits>

#include "game/battle/arena.h"
#include "game/battle/cpu_player.h"
#include "game/battle/directions.h"
#include "game/battle/scene_parts.h"
#include "game/core/data_files.h"
#include "game/core/frame_state.h"
#include "game/core/input.h"
#include "game/core/match_setup.h"
#include "game/core/option_cursors.h"
#include "game/core/records.h"
#include "game/core/resource_tables.h"
#include "game/core/result_state.h"
#include "game/core/scenario_state.h"
#include "game/core/sound_entries.h"

namespace veyrdale {

namespace {

template <typename T>
constexpr FieldType TypeOf() {
  if constexpr (std::is_same_v<T, uint8_t>) return FieldType::kU8;
  if constexpr (std::is_same_v<T, int8_t>) return FieldType::kI8;
  if constexpr (std::is_same_v<T, uint16_t>) return FieldType::kU16;
  if constexpr (std::is_same_v<T, int16_t>) return FieldType::kI16;
  if constexpr (std::is_same_v<T, uint32_t>) return FieldType::kU32;
  if constexpr (std::is_same_v<T, int32_t>) return FieldType::kI32;
  if constexpr (std::is_same_v<T, int64_t>) return FieldType::kI64;
  if constexpr (std::is_same_v<T, float>) return FieldType::kF32;
  static_assert(std::is_arithmetic_v<T>, "no field type for this member");
}

// The type and element count come from the declaration, so the table cannot disagree with it.
template <typename Member>
constexpr RecordField MakeField(const char* name, size_t offset) {
  using Element = std::remove_all_extents_t<Member>;
  return {name, TypeOf<Element>(), static_cast<uint16_t>(sizeof(Member) / sizeof(Element)),
          static_cast<uint16_t>(offset)};
}

#define FIELD(Record, member) MakeField<decltype(Record::member)>(#member, offsetof(Record, member))

constexpr RecordField kBattleObjectFields[] = {
    FIELD(BattleObject, kind),
    FIELD(BattleObject, x),
    FIELD(BattleObject, y),
    FIELD(BattleObject, z),
    FIELD(BattleObject, vx),
    FIELD(BattleObject, vy),
    FIELD(BattleObject, vz),
    FIELD(BattleObject, trailX),
    FIELD(BattleObject, trailY),
    FIELD(BattleObject, trailZ),
    FIELD(BattleObject, speed),
    FIELD(BattleObject, guard),
    FIELD(BattleObject, modifierHeld),
    FIELD(BattleObject, rooted),
    FIELD(BattleObject, stateTimer),
    FIELD(BattleObject, recovery),
    FIELD(BattleObject, meter),
    FIELD(BattleObject, life),
    FIELD(BattleObject, stun),
    FIELD(BattleObject, state),
    FIELD(BattleObject, heading),
    FIELD(BattleObject, pushHeading),
    FIELD(BattleObject, move),
    FIELD(BattleObject, attackDelay),
    FIELD(BattleObject, drawTag),
    FIELD(BattleObject, owner),
};

constexpr RecordField kEffectFields[] = {
    FIELD(EffectRecord, x),       FIELD(EffectRecord, y),      FIELD(EffectRecord, z),
    FIELD(EffectRecord, vx),      FIELD(EffectRecord, vy),     FIELD(EffectRecord, aux),
    FIELD(EffectRecord, spare),   FIELD(EffectRecord, timer),  FIELD(EffectRecord, code),
    FIELD(EffectRecord, heading), FIELD(EffectRecord, player), FIELD(EffectRecord, flag),
};

constexpr RecordField kItemFields[] = {
    FIELD(ItemRecord, x),     FIELD(ItemRecord, y),       FIELD(ItemRecord, z),
    FIELD(ItemRecord, vx),    FIELD(ItemRecord, vy),      FIELD(ItemRecord, vz),
    FIELD(ItemRecord, prevX), FIELD(ItemRecord, prevY),   FIELD(ItemRecord, age),
    FIELD(ItemRecord, kind),  FIELD(ItemRecord, heading), FIELD(ItemRecord, player),
};

constexpr RecordField kShotDamageFields[] = {
    FIELD(ShotDamageRecord, damage),    FIELD(ShotDamageRecord, stunDamage),
    FIELD(ShotDamageRecord, hitRadius), FIELD(ShotDamageRecord, hitClass),
    FIELD(ShotDamageRecord, hitTag),
};

constexpr RecordField kMoveFields[] = {
    FIELD(MoveTableEntry, moveLength), FIELD(MoveTableEntry, timing),
    FIELD(MoveTableEntry, afterDelay), FIELD(MoveTableEntry, rootFlag),
    FIELD(MoveTableEntry, hitClass),   FIELD(MoveTableEntry, hitTag),
    FIELD(MoveTableEntry, shotLimit),  FIELD(MoveTableEntry, damage),
    FIELD(MoveTableEntry, stunDamage), FIELD(MoveTableEntry, meterCost),
    FIELD(MoveTableEntry, hitRadius),
};

constexpr RecordField kSparkFields[] = {
    FIELD(KnockOutSpark, x),
    FIELD(KnockOutSpark, y),
    FIELD(KnockOutSpark, vx),
    FIELD(KnockOutSpark, vy),
};

#undef FIELD

const RecordLayout kLayouts[] = {
    {"BattleObject", kBattleObjectFields, sizeof(BattleObject)},
    {"EffectRecord", kEffectFields, sizeof(EffectRecord)},
    {"ItemRecord", kItemFields, sizeof(ItemRecord)},
    {"ShotDamageRecord", kShotDamageFields, sizeof(ShotDamageRecord)},
    {"MoveTableEntry", kMoveFields, sizeof(MoveTableEntry)},
    {"KnockOutSpark", kSparkFields, sizeof(KnockOutSpark)},
};
const RecordLayout& kBattleObjectLayout = kLayouts[0];
const RecordLayout& kEffectLayout = kLayouts[1];
const RecordLayout& kItemLayout = kLayouts[2];
const RecordLayout& kShotDamageLayout = kLayouts[3];
const RecordLayout& kMoveLayout = kLayouts[4];
const RecordLayout& kSparkLayout = kLayouts[5];

const RecordPool kPools[] = {
    {"p", &kBattleObjectLayout, g_players, kPlayerCount},
    {"comp", &kBattleObjectLayout, g_companions, kPlayerCount},
    {"shot", &kBattleObjectLayout, g_shots, kShotCount},
    {"dmg", &kShotDamageLayout, g_shotDamage, kShotCount},
    {"fam", &kBattleObjectLayout, g_familiars, kFamiliarCount},
    {"eff", &kEffectLayout, g_effects, kEffectCount},
    {"seff", &kEffectLayout, g_secondEffects, kSecondEffectCount},
    {"item", &kItemLayout, g_items, kItemCount},
    {"mark", &kEffectLayout, g_markerPoints, kPlayerCount},
    {"ground", &kEffectLayout, g_groundMarks, kPlayerCount},
    // Player p's spark k is spark<p x 32 + k>.
    {"spark", &kSparkLayout, &g_knockOutSparks[0][0], kPlayerCount* kSparkCount},
    {"move", &kMoveLayout, MoveTable, kMoveRowCount},
};

// A global of any scalar or array type: the dimensions come from its declaration, row-major.
template <typename Var>
GlobalField MakeGlobal(const char* name, Var* address) {
  using Element = std::remove_all_extents_t<Var>;
  GlobalField g{name, TypeOf<Element>(), address, {1, 1}, {0, 0}};
  if constexpr (std::rank_v<Var> == 1) {
    g.dims[0] = static_cast<int>(std::extent_v<Var, 0>);
    g.strides[0] = 1;
  } else if constexpr (std::rank_v<Var> == 2) {
    g.dims[0] = static_cast<int>(std::extent_v<Var, 0>);
    g.dims[1] = static_cast<int>(std::extent_v<Var, 1>);
    g.strides[0] = g.dims[1];
    g.strides[1] = 1;
  }
  static_assert(std::rank_v<Var> <= 2);
  return g;
}

// Map arrays are indexed [column, row] at column + 20 x row.
GlobalField MapArray(const char* name, int32_t (&cells)[kMapCells]) {
  return {name, FieldType::kI32, cells, {kMapColumns, kMapStorageRows}, {1, kMapColumns}};
}

#define GLOBAL(var) MakeGlobal(#var, &var)
#define PER_PLAYER(member) MakeGlobal(#member, &g_playerState.member)
#define SETUP(member) MakeGlobal(#member, &g_match.member)
#define OPTION(member) MakeGlobal(#member, &g_options.member)

const GlobalField kGlobals[] = {
    // Per-player arrays.
    PER_PLAYER(spellGauge),
    PER_PLAYER(gaugeAtFrameStart),
    PER_PLAYER(score),
    PER_PLAYER(damageDealt),
    PER_PLAYER(shotsFired),
    PER_PLAYER(wins),
    PER_PLAYER(winsAtRoundStart),
    PER_PLAYER(roundsWonTotal),
    PER_PLAYER(itemCount),
    PER_PLAYER(specialItemCount),
    PER_PLAYER(shotsHit),
    PER_PLAYER(obstaclesBroken),
    PER_PLAYER(knockOuts),
    PER_PLAYER(poseClass),
    PER_PLAYER(cardUsed),
    PER_PLAYER(recoveryGuard),
    PER_PLAYER(entryFrames),
    PER_PLAYER(slowTimer),
    PER_PLAYER(moveShotCount),
    PER_PLAYER(currentMove),
    PER_PLAYER(meterRegenPause),
    PER_PLAYER(specialMode),
    PER_PLAYER(freezeTimer),
    PER_PLAYER(holdTimer),
    PER_PLAYER(holder),
    PER_PLAYER(powerUp),
    PER_PLAYER(cardChoice),
    PER_PLAYER(cardBar),
    PER_PLAYER(cardBarFull),
    PER_PLAYER(reverseTimer),
    PER_PLAYER(heldFlag),
    PER_PLAYER(holdingShot),
    PER_PLAYER(airborne),
    PER_PLAYER(lowLifeMode),
    PER_PLAYER(wallBurstDone),
    PER_PLAYER(actionTimer),
    PER_PLAYER(freezer),
    // Pool side tables.
    MakeGlobal("ShotHitFlags", &ShotHitFlags),
    MakeGlobal("EffectInUse", &g_effectInUse),
    MakeGlobal("ItemFlags", &g_itemFlags),
    // Battle globals.
    GLOBAL(cardsBroken),
    GLOBAL(RoundFrame),
    GLOBAL(RoundEndFrames),
    GLOBAL(RoundWinner),
    GLOBAL(StoryPreFight),
    GLOBAL(StoryScriptFade),
    GLOBAL(FrameBudget),
    GLOBAL(ScreenShake),
    GLOBAL(FlashFrames),
    GLOBAL(FlashLength),
    GLOBAL(ContinuePause),
    GLOBAL(EndingFade),
    GLOBAL(DemoFrames),
    GLOBAL(CutInFrames),
    GLOBAL(CutInAttacker),
    GLOBAL(CutInVictim),
    GLOBAL(LiveShotCount),
    GLOBAL(LastKnockedOut),
    GLOBAL(RoundNumber),
    GLOBAL(StageTypeTable),
    GLOBAL(SpellScreenActive),
    GLOBAL(ArenaVariant),
    GLOBAL(PortraitHandles),
    GLOBAL(RouteFlagA),
    GLOBAL(RouteFlagB),
    GLOBAL(RouteFlagC),
    GLOBAL(ContinueChoice),
    GLOBAL(LoadingPicture),
    GLOBAL(IndexMisses),
    // The arena map.
    MapArray("cells", g_arenaMap.cells),
    MapArray("cellState", g_arenaMap.cellState),
    MapArray("openTimer", g_arenaMap.openTimer),
    // Frame state and input the battle reads.
    GLOBAL(SceneId),
    GLOBAL(SceneFrame),
    GLOBAL(FrameCount),
    GLOBAL(FreezeFrames),
    GLOBAL(ExitRequested),
    GLOBAL(SlowMotionFrames),
    GLOBAL(CaptureGraph),
    GLOBAL(FadeCaptureRequest),
    GLOBAL(FadeFrames),
    GLOBAL(SpellCaptureRequest),
    GLOBAL(SpellFadeFrames),
    GLOBAL(ReversedControlsActive),
    GLOBAL(HeldFrameCounts),
    GLOBAL(PendingPressCounts),
    GLOBAL(SoundHandles),
    GLOBAL(PictureIndex),
    GLOBAL(PreviousPictureIndex),
    GLOBAL(NamePlateFrames),
    // Match set-up.
    SETUP(playerCount),
    SETUP(cpuFlag),
    SETUP(characterCursor),
    SETUP(colourSlot),
    SETUP(colourTaken),
    SETUP(selectState),
    SETUP(settingsPanelOpen),
    SETUP(settingsRow),
    SETUP(startGaugeLevel),
    SETUP(handicap),
    SETUP(teamMode),
    SETUP(team),
    SETUP(stage),
    SETUP(versusStageCount),
    SETUP(storyStageCount),
    SETUP(storyMode),
    SETUP(storyStage),
    SETUP(storyKind),
    SETUP(survivalMode),
    GLOBAL(SurvivalBossRound),
    // Options and display settings.
    OPTION(difficulty),
    OPTION(winCount),
    OPTION(timeLimit),
    OPTION(effectLevel),
    OPTION(meleeLevel),
    OPTION(stunRingDisplay),
    OPTION(obstacleStrength),
    OPTION(musicVolume),
    OPTION(soundVolume),
    MakeGlobal("halfRatePresent", &g_display.halfRatePresent),
    // The menus that edit them: ButtonMap[player, button] is a pad-bit mask.
    GLOBAL(OptionCursor),
    GLOBAL(KeyConfigCursors),
    MakeGlobal("ButtonMap", &g_buttonMap.masks),
    // The story result, the ending and what they read: the arena's breakable cells and the
    // unlock level of the score file.
    GLOBAL(LeaveCountdown),
    GLOBAL(TallyTargetScore),
    GLOBAL(DestructibleCells),
    MakeGlobal("unlockLevel", &g_scores.unlockLevel),
    // The survival run, the records screens and the win quotes.
    GLOBAL(SurvivalOpponentUsed),
    GLOBAL(SurvivalArenaCycle),
    GLOBAL(SurvivalLastPick),
    GLOBAL(SurvivalLeaveCountdown),
    GLOBAL(RecordsMenuCursor),
    GLOBAL(ScoreTableCursor),
    GLOBAL(WinQuoteIndex),
    GLOBAL(StatisticsShown),
    // The computer players' modes, countdowns and targets.
    GLOBAL(CpuMode),
    GLOBAL(CpuCountdown),
    GLOBAL(CpuTarget),
};

#undef GLOBAL
#undef PER_PLAYER
#undef SETUP
#undef OPTION

#define BLOCK(var)         \
  StateBlock {             \
#var, &var, sizeof var \
  }

const StateBlock kBesideTable[] = {
    // What the stage's set-up leaves for its rounds: the maps they choose from, the dark arena
    // the script lights, the flags of the sheets the loader skipped, the direction tables.
    BLOCK(g_arenaMapFiles),
    BLOCK(ArenaBlackout),
    BLOCK(PortraitSkipFlags),
    BLOCK(g_trig),
    // The battle's own marks of the frame.
    BLOCK(battle_scene::g_powerUpHeld),
    // The settings and records of which the table lists some fields or none, whole.
    BLOCK(g_display),
    BLOCK(g_options),
    BLOCK(g_scores),
    BLOCK(g_survival),
    // The result scenes' music fades and the epilogue's countdown.
    BLOCK(TallyMusicFade),
    BLOCK(RunEndMusicFade),
    BLOCK(EpilogueLeaveFrames),
};

#undef BLOCK

constexpr const char kResourceHandles[] =
    "resource handles: the loader fills them when a scene's pictures are loaded, the battle and "
    "the view only pass them to the drawing calls";

const LeftOutState kLeftOut[] = {
    {"drawn_frame.cpp.o", "veyrdale::g_drawnFrame",
     "the drawn frame's workspace: the view's parts fill it and the battle carries it out and "
     "begins it again every drawn frame"},
    {"resource_tables.cpp.o", "veyrdale::PictureSlots", kResourceHandles},
    {"resource_tables.cpp.o", "veyrdale::StageBackgrounds", kResourceHandles},
    {"resource_tables.cpp.o", "veyrdale::CharacterSheetCells", kResourceHandles},
    {"resource_tables.cpp.o", "veyrdale::CharacterSheetCellsB", kResourceHandles},
    {"flow_records.cpp.o", "veyrdale::DigitGraphs", kResourceHandles},
    {"flow_records.cpp.o", "veyrdale::BigDigitGraphs", kResourceHandles},
    {"flow_records.cpp.o", "veyrdale::SmallDigitGraphs", kResourceHandles},
    {"flow_records.cpp.o", "veyrdale::FrameStartTime",
     "the clock: the frame loop's time of the frame's start"},
    {"resource_tables.cpp.o", "veyrdale::LocalDateTime",
     "the clock: the date and time of the last load, for the seed"},
    {"data_files.cpp.o", "veyrdale::(anonymous namespace)::g_dataLog",
     "the data files' notes of what they logged, so that a damaged file is named once"},
    {"data_files.cpp.o", "veyrdale::(anonymous namespace)::g_scoreRowRepaired",
     "the data files' notes of the score rows repaired at the last read"},
    {"field_table.cpp.o", "veyrdale::(anonymous namespace)::kGlobals",
     "the field table itself: built before the game starts, never written after"},
    {"state_snapshot.cpp.o", "veyrdale::(anonymous namespace)::Ranges()::ranges",
     "the state copy's list of where the state lies, built from the table at its first use"},
    {"cpu_player.cpp.o", "veyrdale::(anonymous namespace)::g_source",
     "a hook of the tests and tools: the computer players' random source, null in the game"},
    {"way_out.cpp.o", "veyrdale::g_lastWayOuts",
     "the tools' note of each player's last way out of walls; the battle never reads it"},
};

// Parses a non-negative decimal index; false unless the whole text is digits.
bool ParseIndex(std::string_view text, int* out) {
  if (text.empty() || text.size() > 9) return false;
  int value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  *out = value;
  return true;
}

// Splits "name[i]" or "name[i,j]" into the name and up to two indices; a name without brackets
// has no index. false for malformed brackets.
bool SplitIndices(std::string_view text, std::string_view* name, int indices[2], int* count) {
  *count = 0;
  size_t open = text.find('[');
  if (open == std::string_view::npos) {
    *name = text;
    return !text.empty();
  }
  if (text.back() != ']' || open == 0) return false;
  *name = text.substr(0, open);
  std::string_view inside = text.substr(open + 1, text.size() - open - 2);
  size_t comma = inside.find(',');
  if (comma == std::string_view::npos) {
    *count = 1;
    return ParseIndex(inside, &indices[0]);
  }
  *count = 2;
  return ParseIndex(inside.substr(0, comma), &indices[0]) &&
         ParseIndex(inside.substr(comma + 1), &indices[1]);
}

bool ResolveRecordField(std::string_view head, std::string_view fieldText, FieldRef* out) {
  size_t digits = head.find_first_of("0123456789");
  if (digits == std::string_view::npos || digits == 0) return false;
  std::string_view prefix = head.substr(0, digits);
  int index = 0;
  if (!ParseIndex(head.substr(digits), &index)) return false;
  std::string_view fieldName;
  int indices[2];
  int indexCount = 0;
  if (!SplitIndices(fieldText, &fieldName, indices, &indexCount) || indexCount == 2) return false;
  for (const RecordPool& pool : kPools) {
    if (prefix != pool.prefix) continue;
    if (index >= pool.count) return false;
    for (const RecordField& field : pool.layout->fields) {
      if (fieldName != field.name) continue;
      // An array field needs its element index; a scalar takes none.
      if ((field.count > 1) != (indexCount == 1)) return false;
      int element = indexCount == 1 ? indices[0] : 0;
      if (element >= field.count) return false;
      auto* record = static_cast<unsigned char*>(pool.base) + pool.layout->size * index;
      out->element = record + field.offset + element * FieldWidth(field.type);
      out->type = field.type;
      return true;
    }
    return false;
  }
  return false;
}

bool ResolveGlobal(std::string_view text, FieldRef* out) {
  std::string_view name;
  int indices[2] = {0, 0};
  int indexCount = 0;
  if (!SplitIndices(text, &name, indices, &indexCount)) return false;
  for (const GlobalField& g : kGlobals) {
    if (name != g.name) continue;
    int rank = g.dims[1] > 1 ? 2 : g.dims[0] > 1 ? 1 : 0;
    if (indexCount != rank) return false;
    if (indices[0] >= g.dims[0] || indices[1] >= g.dims[1]) return false;
    int element = indices[0] * g.strides[0] + indices[1] * g.strides[1];
    out->element = static_cast<unsigned char*>(g.address) + element * FieldWidth(g.type);
    out->type = g.type;
    return true;
  }
  return false;
}

// "p1.wins" also names wins[1]: a per-player array element beside the record fields of player 1.
bool ResolvePlayerArray(std::string_view head, std::string_view fieldText, FieldRef* out) {
  if (head.size() != 2 || head[0] != 'p' || head[1] < '0' || head[1] > '3') return false;
  const int player = head[1] - '0';
  for (const GlobalField& g : kGlobals) {
    if (fieldText != g.name || g.dims[0] != kPlayerCount || g.dims[1] != 1) continue;
    out->element = static_cast<unsigned char*>(g.address) + player * FieldWidth(g.type);
    out->type = g.type;
    return true;
  }
  return false;
}

template <typename T>
T Load(const void* p) {
  T value;
  std::memcpy(&value, p, sizeof value);
  return value;
}

template <typename T>
void Store(void* p, T value) {
  std::memcpy(p, &value, sizeof value);
}

}  // namespace

int FieldWidth(FieldType type) {
  switch (type) {
    case FieldType::kU8:
    case FieldType::kI8:
      return 1;
    case FieldType::kU16:
    case FieldType::kI16:
      return 2;
    case FieldType::kU32:
    case FieldType::kI32:
    case FieldType::kF32:
      return 4;
    case FieldType::kI64:
      return 8;
  }
  return 0;
}

const char* FieldTypeName(FieldType type) {
  switch (type) {
    case FieldType::kU8:
      return "u8";
    case FieldType::kI8:
      return "i8";
    case FieldType::kU16:
      return "u16";
    case FieldType::kI16:
      return "i16";
    case FieldType::kU32:
      return "u32";
    case FieldType::kI32:
      return "i32";
    case FieldType::kI64:
      return "i64";
    case FieldType::kF32:
      return "f32";
  }
  return "?";
}

std::span<const RecordLayout> RecordLayouts() {
  return kLayouts;
}
std::span<const RecordPool> RecordPools() {
  return kPools;
}
std::span<const GlobalField> GlobalFields() {
  return kGlobals;
}
std::span<const StateBlock> StateBesideTable() {
  return kBesideTable;
}
std::span<const LeftOutState> StateLeftOut() {
  return kLeftOut;
}

bool ResolveField(std::string_view name, FieldRef* out) {
  size_t dot = name.find('.');
  if (dot != std::string_view::npos) {
    return ResolveRecordField(name.substr(0, dot), name.substr(dot + 1), out) ||
           ResolvePlayerArray(name.substr(0, dot), name.substr(dot + 1), out);
  }
  return ResolveGlobal(name, out);
}

FieldValue ReadField(const FieldRef& ref) {
  FieldValue v{false, 0, 0.0f};
  switch (ref.type) {
    case FieldType::kU8:
      v.integer = Load<uint8_t>(ref.element);
      break;
    case FieldType::kI8:
      v.integer = Load<int8_t>(ref.element);
      break;
    case FieldType::kU16:
      v.integer = Load<uint16_t>(ref.element);
      break;
    case FieldType::kI16:
      v.integer = Load<int16_t>(ref.element);
      break;
    case FieldType::kU32:
      v.integer = Load<uint32_t>(ref.element);
      break;
    case FieldType::kI32:
      v.integer = Load<int32_t>(ref.element);
      break;
    case FieldType::kI64:
      v.integer = Load<int64_t>(ref.element);
      break;
    case FieldType::kF32:
      v.isFloat = true;
      v.real = Load<float>(ref.element);
      break;
  }
  return v;
}

void WriteField(const FieldRef& ref, const FieldValue& value) {
  // Conversions to a narrower unsigned or signed type wrap modulo 2^width.
  auto i = value.integer;
  switch (ref.type) {
    case FieldType::kU8:
      Store(ref.element, static_cast<uint8_t>(i));
      break;
    case FieldType::kI8:
      Store(ref.element, static_cast<int8_t>(i));
      break;
    case FieldType::kU16:
      Store(ref.element, static_cast<uint16_t>(i));
      break;
    case FieldType::kI16:
      Store(ref.element, static_cast<int16_t>(i));
      break;
    case FieldType::kU32:
      Store(ref.element, static_cast<uint32_t>(i));
      break;
    case FieldType::kI32:
      Store(ref.element, static_cast<int32_t>(i));
      break;
    case FieldType::kI64:
      Store(ref.element, static_cast<int64_t>(i));
      break;
    case FieldType::kF32:
      Store(ref.element, value.isFloat ? value.real : static_cast<float>(i));
      break;
  }
}

void EncodeField(const FieldRef& ref, uint8_t* out) {
  uint64_t bits = 0;
  FieldValue v = ReadField(ref);
  if (v.isFloat) {
    uint32_t word;
    std::memcpy(&word, &v.real, sizeof word);
    bits = word;
  } else {
    bits = static_cast<uint64_t>(v.integer);
  }
  int width = FieldWidth(ref.type);
  for (int k = 0; k < width; ++k) out[k] = static_cast<uint8_t>(bits >> (8 * k));
}

}  // namespace veyrdale
