// The queries of the battle's records, tables and helpers: fields by name, the direction and
// distance tables, the motion and hit tests, move rows, arena maps and walls, and the count of
// out-of-range indices.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>

#include "game/battle/access.h"
#include "game/battle/arena.h"
#include "game/battle/directions.h"
#include "game/battle/field_table.h"
#include "game/battle/motion.h"
#include "game/core/records.h"
#include "game/flow/flow.h"
#include "morrow/system/stream.h"
#include "tools/battle-probe/probe_args.h"
#include "tools/battle-probe/probe_commands.h"
#include "tools/lib/toolrun/tool_run.h"

namespace battleprobe {

void Set(const Args& a) {
  veyrdale::FieldRef ref = Resolve(a[1]);
  veyrdale::FieldValue v{false, 0, 0.0f};
  if (ref.type == veyrdale::FieldType::kF32) {
    v.isFloat = true;
    v.real = ToFloat(a[2]);
  } else {
    v.integer = ToInteger(a[2], INT64_MIN, INT64_MAX);
  }
  veyrdale::WriteField(ref, v);
}

void Print(const Args& a) {
  for (size_t i = 1; i < a.size(); ++i) {
    if (i > 1) std::printf(" ");
    PrintValue(veyrdale::ReadField(Resolve(a[i])));
  }
  std::printf("\n");
}

void Dir(const Args& a) {
  std::printf("%d\n",
              veyrdale::GetDirectionToPoint(ToInt(a[1]), ToInt(a[2]), ToInt(a[3]), ToInt(a[4])));
}

void Dist(const Args& a) {
  std::printf("%d\n",
              veyrdale::GetSquaredDistance(ToInt(a[1]), ToInt(a[2]), ToInt(a[3]), ToInt(a[4])));
}

void Cos(const Args& a) {
  PrintFloat(veyrdale::CosOf(ToInt(a[1])));
  std::printf("\n");
}

void NegSin(const Args& a) {
  PrintFloat(veyrdale::NegSinOf(ToInt(a[1])));
  std::printf("\n");
}

void Atan(const Args& a) {
  std::printf("%d\n", veyrdale::g_trig.atan[ToInteger(a[1], 0, 512)]);
}

void Blend(const Args& a) {
  float vx = ToFloat(a[1]);
  float vy = ToFloat(a[2]);
  veyrdale::BlendVelocity(&vx, &vy, ToFloat(a[3]), ToFloat(a[4]), ToInt(a[5]), ToInt(a[6]));
  PrintFloat(vx);
  std::printf(" ");
  PrintFloat(vy);
  std::printf("\n");
}

void Circle(const Args& a) {
  bool hit = veyrdale::CheckCircleHit(ToFloat(a[1]), ToFloat(a[2]), ToFloat(a[3]), ToFloat(a[4]),
                                      ToInt(a[5]));
  std::printf("%d\n", hit ? 1 : 0);
}

void Box(const Args& a) {
  bool hit = veyrdale::CheckBoxHit(ToFloat(a[1]), ToFloat(a[2]), ToFloat(a[3]), ToFloat(a[4]),
                                   ToInt(a[5]), ToInt(a[6]));
  std::printf("%d\n", hit ? 1 : 0);
}

void MoveRowCommand(const Args& a) {
  PrintMoveRow(veyrdale::MoveRow(ToInt(a[1]), ToInt(a[2])));
}

void PrintMoveRow(const veyrdale::MoveTableEntry& row) {
  std::printf("%d %d %d %d %d %d %d %d %d %d %d\n", row.moveLength, row.timing, row.afterDelay,
              row.rootFlag, row.hitClass, row.hitTag, row.shotLimit, row.damage, row.stunDamage,
              row.meterCost, row.hitRadius);
}

std::string MapProblem(const std::string& path) {
  std::string mapped;
  if (!morrow::MapGamePath(path.c_str(), &mapped)) return path + ": the path is too long";
  // As the game reads it: a regular file only, never a pipe opened to wait for its writer.
  toolrun::RegularFile file;
  std::string refusal;
  if (!toolrun::ReadRegularFile(mapped, &file, &refusal, 4)) return refusal;
  const auto* header = reinterpret_cast<const uint8_t*>(file.bytes.data());
  if (file.bytes.size() < 4) return mapped + ": ends inside its header";
  // Columns and rows, little-endian 16-bit; the columns past the stored ones are never read.
  const uint64_t columns = header[0] | header[1] << 8;
  const uint64_t rows = header[2] | header[3] << 8;
  const uint64_t cells = std::min<uint64_t>(columns, veyrdale::kMapColumns) * rows;
  const uint64_t held = file.size - 4;
  if (held < cells) {
    return mapped + ": holds " + std::to_string(held) + " of its " + std::to_string(cells) +
           " cells";
  }
  return "";
}

void Map(const Args& a) {
  const std::string problem = MapProblem(a[1]);
  if (!problem.empty()) Fail("map " + problem);
  veyrdale::LoadArenaMap(a[1].c_str());
}

void MapCell(const Args& a) {
  int col = 0;
  int row = 0;
  int value = veyrdale::MapCellAt(ToInt(a[1]), ToInt(a[2]), ToInt(a[3]), ToInt(a[4]), ToInt(a[5]),
                                  &col, &row);
  if (value == 0) {
    std::printf("0\n");
  } else {
    std::printf("%d %d %d\n", value, col, row);
  }
}

namespace {

template <int (*Move)(float*, float*, float, float, int, int, int)>
void WallMove(const Args& a) {
  float x = ToFloat(a[1]);
  float y = ToFloat(a[2]);
  int code = Move(&x, &y, ToFloat(a[3]), ToFloat(a[4]), ToInt(a[5]), ToInt(a[6]), ToInt(a[7]));
  std::printf("%d ", code);
  PrintFloat(x);
  std::printf(" ");
  PrintFloat(y);
  std::printf("\n");
}

}  // namespace

void Walls(const Args& a) {
  WallMove<veyrdale::MoveWithWalls>(a);
}

void Snap(const Args& a) {
  WallMove<veyrdale::SnapToWalls>(a);
}

void Misses(const Args&) {
  std::printf("%d\n", veyrdale::IndexMisses);
}

}  // namespace battleprobe
