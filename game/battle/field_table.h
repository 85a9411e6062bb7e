// The field table: every field of the battle records, every per-player array, battle global, map
// array and set-up or option field the battle reads, each with its name and type.
//
// Tools reach battle state by name through it (the probe's set and print) and serialise it field
// by field (little-endian, floats by their bit pattern), never as raw bytes, because the record
// layout, padding included, is free. A new record field or global belongs in this table, or, when
// tools have no use for it field by field, beside it (StateBesideTable); data of core or the
// battle that is in neither is listed in StateLeftOut with the reason, or the layer check fails.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace veyrdale {

enum class FieldType : uint8_t { kU8, kI8, kU16, kI16, kU32, kI32, kI64, kF32 };

// Width in bytes of one element.
int FieldWidth(FieldType type);
const char* FieldTypeName(FieldType type);

struct RecordField {
  const char* name;
  FieldType type;
  uint16_t count;   // elements: 1, or the length of an array field such as trailX
  uint16_t offset;  // within the record
};

struct RecordLayout {
  const char* name;
  std::span<const RecordField> fields;
  size_t size;  // sizeof the record, padding included
};

// A pool of records, addressed by name as <prefix><index>.<field>, for example shot12.heading.
struct RecordPool {
  const char* prefix;
  const RecordLayout* layout;
  void* base;
  int count;
};

// A global scalar or array, addressed by name as name, name[i] or name[i,j]. Element (i, j) is at
// element offset i x strides[0] + j x strides[1]; a scalar has dims {1, 1}, a per-player array
// {4, 1}.
struct GlobalField {
  const char* name;
  FieldType type;
  void* address;
  int dims[2];
  int strides[2];
};

std::span<const RecordLayout> RecordLayouts();
std::span<const RecordPool> RecordPools();
std::span<const GlobalField> GlobalFields();

// One element reached by name.
struct FieldRef {
  void* element;
  FieldType type;
};

// Resolves a name such as "p0.x", "p1.trailX[2]", "dmg7.hitRadius", "score[1]" (also "p1.score"),
// "cells[19,4]", "ShotHitFlags[3,1]" or "RoundFrame". false for an unknown name or an index out
// of range.
bool ResolveField(std::string_view name, FieldRef* out);

// One element's value: integers widened to 64 bits, floats as they are.
struct FieldValue {
  bool isFloat;
  int64_t integer;
  float real;
};
FieldValue ReadField(const FieldRef& ref);
// Integers are stored modulo the field's width; a float field takes real when isFloat is set,
// else the integer converted.
void WriteField(const FieldRef& ref, const FieldValue& value);

// Writes the element's FieldWidth bytes, little-endian, floats by their bit pattern.
void EncodeField(const FieldRef& ref, uint8_t* out);

// State kept beside the table as whole objects: the arena maps the stage's set-up read, the
// blackout, the direction tables, the frame's power-up marks, and the settings and saved records
// of which the table lists some fields or none. The drawn frame's guard and the state copy
// (state_snapshot.h) take these byte for byte after the table; the traces and their hashes, which
// serialise the table field by field, never see them, so adding a block here moves no hash.
struct StateBlock {
  const char* name;  // the object's name in the code
  void* address;
  size_t size;
};
std::span<const StateBlock> StateBesideTable();

// Data that core and the battle define and that is neither in the table nor beside it, each by
// the object file that defines it (as the archive names it) and its full demangled name, with the
// reason: the drawn frame's workspace, the resource handles, the clock, the data files' own notes,
// the table's own storage, test hooks. The layer check (scripts/check-game-layers.sh) fails on a
// writable datum of core or the battle that the table and the blocks beside it do not cover byte
// for byte and that is not listed here, and on an entry that names no datum or more than one: a
// datum of the same name in another file is not left out with this one.
struct LeftOutState {
  const char* object;
  const char* symbol;
  const char* reason;
};
std::span<const LeftOutState> StateLeftOut();

}  // namespace veyrdale
