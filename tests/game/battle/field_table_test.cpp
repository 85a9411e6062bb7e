#include "game/battle/field_table.h"

#include <algorithm>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "game/battle/arena.h"
#include "game/core/input.h"
#include "game/core/match_setup.h"
#include "game/core/records.h"

namespace {

using veyrdale::FieldRef;
using veyrdale::FieldType;
using veyrdale::FieldWidth;
using veyrdale::RecordLayout;

const RecordLayout& Layout(const std::string& name) {
  for (const RecordLayout& layout : veyrdale::RecordLayouts()) {
    if (name == layout.name) return layout;
  }
  ADD_FAILURE() << "no layout " << name;
  return veyrdale::RecordLayouts()[0];
}

size_t UnpaddedSize(const RecordLayout& layout) {
  size_t sum = 0;
  for (const auto& f : layout.fields) sum += static_cast<size_t>(FieldWidth(f.type)) * f.count;
  return sum;
}

TEST(FieldTable, EachRecordFieldOnceWithItsWidth) {
  // The field widths of the records add up to these sizes; a field missing from the table, or
  // listed twice, changes the sum.
  struct Case {
    const char* record;
    size_t unpadded;
  } cases[] = {{"BattleObject", 136},   {"EffectRecord", 49},   {"ItemRecord", 48},
               {"ShotDamageRecord", 9}, {"MoveTableEntry", 22}, {"KnockOutSpark", 16}};
  ASSERT_EQ(veyrdale::RecordLayouts().size(), std::size(cases));
  for (const Case& c : cases) {
    const RecordLayout& layout = Layout(c.record);
    EXPECT_EQ(UnpaddedSize(layout), c.unpadded) << c.record;
    std::set<std::string> names;
    for (const auto& f : layout.fields) EXPECT_TRUE(names.insert(f.name).second) << f.name;
    // Zeroing every listed field of a record full of 0xFF leaves only padding set.
    std::vector<unsigned char> record(layout.size, 0xFF);
    for (const auto& f : layout.fields) {
      size_t bytes = static_cast<size_t>(FieldWidth(f.type)) * f.count;
      ASSERT_LE(f.offset + bytes, layout.size) << c.record << "." << f.name;
      for (size_t k = 0; k < bytes; ++k) {
        ASSERT_EQ(record[f.offset + k], 0xFF) << c.record << "." << f.name << " overlaps";
        record[f.offset + k] = 0;
      }
    }
    size_t left = static_cast<size_t>(std::count(record.begin(), record.end(), 0xFF));
    EXPECT_EQ(left, layout.size - c.unpadded) << c.record;
  }
}

TEST(FieldTable, BattleObjectFieldsInOrderWithTheirSignedness) {
  struct Want {
    const char* name;
    FieldType type;
    int count;
  } want[] = {
      {"kind", FieldType::kU16, 1},        {"x", FieldType::kF32, 1},
      {"y", FieldType::kF32, 1},           {"z", FieldType::kF32, 1},
      {"vx", FieldType::kF32, 1},          {"vy", FieldType::kF32, 1},
      {"vz", FieldType::kF32, 1},          {"trailX", FieldType::kF32, 5},
      {"trailY", FieldType::kF32, 5},      {"trailZ", FieldType::kF32, 5},
      {"speed", FieldType::kF32, 1},       {"guard", FieldType::kI16, 1},
      {"modifierHeld", FieldType::kU8, 1}, {"rooted", FieldType::kU8, 1},
      {"stateTimer", FieldType::kI32, 1},  {"recovery", FieldType::kI32, 1},
      {"meter", FieldType::kF32, 1},       {"life", FieldType::kI32, 1},
      {"stun", FieldType::kF32, 1},        {"state", FieldType::kI32, 1},
      {"heading", FieldType::kI32, 1},     {"pushHeading", FieldType::kI32, 1},
      {"move", FieldType::kI32, 1},        {"attackDelay", FieldType::kI16, 1},
      {"drawTag", FieldType::kU16, 1},     {"owner", FieldType::kI16, 1},
  };
  const RecordLayout& layout = Layout("BattleObject");
  ASSERT_EQ(layout.fields.size(), std::size(want));
  for (size_t i = 0; i < std::size(want); ++i) {
    EXPECT_STREQ(layout.fields[i].name, want[i].name);
    EXPECT_EQ(layout.fields[i].type, want[i].type) << want[i].name;
    EXPECT_EQ(layout.fields[i].count, want[i].count) << want[i].name;
    if (i > 0) {
      EXPECT_GT(layout.fields[i].offset, layout.fields[i - 1].offset) << want[i].name;
    }
  }
}

TEST(FieldTable, GlobalsAreDistinct) {
  std::set<std::string> names;
  struct Span {
    const unsigned char* begin;
    const unsigned char* end;
    const char* name;
  };
  std::vector<Span> spans;
  for (const auto& g : veyrdale::GlobalFields()) {
    EXPECT_TRUE(names.insert(g.name).second) << g.name;
    size_t elements = static_cast<size_t>(g.dims[0]) * g.dims[1];
    const auto* begin = static_cast<const unsigned char*>(g.address);
    spans.push_back({begin, begin + elements * FieldWidth(g.type), g.name});
  }
  for (const auto& pool : veyrdale::RecordPools()) {
    EXPECT_TRUE(names.insert(pool.prefix).second) << pool.prefix;
  }
  std::sort(spans.begin(), spans.end(),
            [](const Span& a, const Span& b) { return std::less<>()(a.begin, b.begin); });
  for (size_t i = 1; i < spans.size(); ++i) {
    EXPECT_FALSE(std::less<>()(spans[i].begin, spans[i - 1].end))
        << spans[i - 1].name << " overlaps " << spans[i].name;
  }
}

TEST(FieldTable, NamesResolveToTheirElements) {
  using namespace veyrdale;
  struct Case {
    const char* name;
    const void* want;
    FieldType type;
  } cases[] = {
      {"p0.x", &g_players[0].x, FieldType::kF32},
      {"p3.trailX[4]", &g_players[3].trailX[4], FieldType::kF32},
      {"comp2.owner", &g_companions[2].owner, FieldType::kI16},
      {"shot511.heading", &g_shots[511].heading, FieldType::kI32},
      {"fam63.state", &g_familiars[63].state, FieldType::kI32},
      {"eff1023.code", &g_effects[1023].code, FieldType::kI32},
      {"eff5.spare[1]", &g_effects[5].spare[1], FieldType::kF32},
      {"seff63.timer", &g_secondEffects[63].timer, FieldType::kI32},
      {"item127.age", &g_items[127].age, FieldType::kI32},
      {"dmg7.hitRadius", &g_shotDamage[7].hitRadius, FieldType::kU16},
      {"mark3.timer", &g_markerPoints[3].timer, FieldType::kI32},
      {"ground1.x", &g_groundMarks[1].x, FieldType::kF32},
      {"spark127.vy", &g_knockOutSparks[3][31].vy, FieldType::kF32},
      {"move80.hitClass", &MoveTable[80].hitClass, FieldType::kI32},
      {"score[1]", &g_playerState.score[1], FieldType::kI32},
      {"cardUsed[3]", &g_playerState.cardUsed[3], FieldType::kU8},
      {"cells[19,4]", &g_arenaMap.cells[99], FieldType::kI32},
      {"openTimer[0,24]", &g_arenaMap.openTimer[480], FieldType::kI32},
      {"ShotHitFlags[3,1]", &ShotHitFlags[3][1], FieldType::kU8},
      {"EffectInUse[9]", &g_effectInUse[9], FieldType::kU16},
      {"RoundFrame", &RoundFrame, FieldType::kI32},
      {"SpellScreenActive", &SpellScreenActive, FieldType::kU8},
      {"PortraitHandles[3,9]", &PortraitHandles[3][9], FieldType::kI32},
      {"playerCount", &g_match.playerCount, FieldType::kI32},
      {"colourTaken[15,7]", &g_match.colourTaken[15][7], FieldType::kI32},
      {"HeldFrameCounts[7,2]", &HeldFrameCounts[kInputButton4][2], FieldType::kI32},
  };
  for (const Case& c : cases) {
    FieldRef ref{};
    ASSERT_TRUE(ResolveField(c.name, &ref)) << c.name;
    EXPECT_EQ(ref.element, c.want) << c.name;
    EXPECT_EQ(ref.type, c.type) << c.name;
  }
}

TEST(FieldTable, BadNamesAreRefused) {
  const char* bad[] = {
      "",
      "p4.x",
      "shot512.x",
      "p0.nothing",
      "p0.trailX",
      "p0.x[0]",
      "p0.trailX[5]",
      "p0.trailX[1,1]",
      "p.x",
      "0.x",
      "p00x.x",
      "score",
      "score[4]",
      "score[1,1]",
      "score[-1]",
      "score[1",
      "cells[20,0]",
      "cells[0,25]",
      "cells[1,]",
      "cells[1]",
      "RoundFrame[0]",
      "nothing",
      "x",
      "p0.",
      "dmg512.damage",
      "move81.damage",
      "spark128.x",
  };
  for (const char* name : bad) {
    FieldRef ref{};
    EXPECT_FALSE(veyrdale::ResolveField(name, &ref)) << name;
  }
}

TEST(FieldTable, ValuesWrapToTheirWidthAndEncodeLittleEndian) {
  struct Case {
    const char* name;
    veyrdale::FieldValue write;
    veyrdale::FieldValue read;
    std::vector<uint8_t> bytes;
  } cases[] = {
      {"p0.owner", {false, -2, 0}, {false, -2, 0}, {0xFE, 0xFF}},
      {"p0.kind", {false, 70000, 0}, {false, 70000 - 65536, 0}, {0x70, 0x11}},
      {"p0.rooted", {false, -1, 0}, {false, 255, 0}, {0xFF}},
      {"RoundFrame", {false, 0x01020304, 0}, {false, 0x01020304, 0}, {4, 3, 2, 1}},
      {"p0.x", {true, 0, 1.0f}, {true, 0, 1.0f}, {0, 0, 0x80, 0x3F}},
      {"p0.y", {false, 3, 0}, {true, 0, 3.0f}, {0, 0, 0x40, 0x40}},
  };
  for (const Case& c : cases) {
    FieldRef ref{};
    ASSERT_TRUE(veyrdale::ResolveField(c.name, &ref)) << c.name;
    veyrdale::WriteField(ref, c.write);
    veyrdale::FieldValue got = veyrdale::ReadField(ref);
    EXPECT_EQ(got.isFloat, c.read.isFloat) << c.name;
    EXPECT_EQ(got.integer, c.read.integer) << c.name;
    EXPECT_EQ(got.real, c.read.real) << c.name;
    std::vector<uint8_t> encoded(static_cast<size_t>(FieldWidth(ref.type)));
    veyrdale::EncodeField(ref, encoded.data());
    EXPECT_EQ(encoded, c.bytes) << c.name;
  }
}

}  // namespace
