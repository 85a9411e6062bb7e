// The probe's commands, one function each, run from the command table in main.cpp with the
// command's words (the name first; the table has checked how many there are).
#pragma once

#include <string>

#include "game/battle/field_table.h"
#include "game/core/records.h"
#include "tools/battle-probe/probe_args.h"

namespace battleprobe {

// probe_queries.cpp: records, tables, helpers and the index misses.
void Set(const Args& a);
void Print(const Args& a);
void Dir(const Args& a);
void Dist(const Args& a);
void Cos(const Args& a);
void NegSin(const Args& a);
void Atan(const Args& a);
void Blend(const Args& a);
void Circle(const Args& a);
void Box(const Args& a);
void MoveRowCommand(const Args& a);
void Map(const Args& a);
void MapCell(const Args& a);
void Walls(const Args& a);
void Snap(const Args& a);
void Misses(const Args& a);
// One move row as its eleven fields in table order.
void PrintMoveRow(const veyrdale::MoveTableEntry& row);
// Why the arena map at game path `path` would not load whole, naming the file, or "" when it
// would. The game reads a missing or cut map as far as it goes and leaves the rest of the arena
// open; a command must not pass that off as the map asked for.
std::string MapProblem(const std::string& path);

// probe_battle.cpp: matches, stories, rounds, held inputs, frames and the stage music.
void Match(const Args& a);
void Story(const Args& a);
void Round(const Args& a);
void Hold(const Args& a);
void Frame(const Args& a);
void Bgm(const Args& a);
// The pad words of one frame from what `hold` holds; each held input's frames count down.
void TakeHeldPadBits(int bits[4]);

// probe_shots.cpp: shots and their steering.
void Shot(const Args& a);
void UpdateShotCommand(const Args& a);
void Steer(const Args& a);

// probe_calls.cpp: the entry points by name.
void Call(const Args& a);

// probe_draw.cpp: the battle draw, and the library calls it makes where they are recorded.
void DrawLog(const Args& a);
void Draw(const Args& a);
void DrawListCommand(const Args& a);
void Number(const Args& a);
void RotaRect(const Args& a);
// The recording stand-in prints each library call while `drawlog` is on; what was recorded is
// forgotten after every command. Both do nothing in battle-probe.
void StartRecorder();
void ForgetRecordedCalls();
// The digit tables hold handles that name their table and digit.
void FillDigitTables();

// probe_frames.cpp: the character frame selection.
void CellCommand(const Args& a);
// probe_scenes.cpp: any scene through the frame loop's own body, with handles that name
// themselves.
void SceneCommand(const Args& a);
void Loop(const Args& a);
void StubHandles(const Args& a);
// probe_effects.cpp: the random seed, the probe's own source record and effects.
void Seed(const Args& a);
void Source(const Args& a);
void Effect(const Args& a);
void Ring(const Args& a);
void UpdateEffectCommand(const Args& a);
// probe_entries.cpp: one entry of the draw list drawn alone, and the head-up display alone.
void DrawEntry(const Args& a);
void Hud(const Args& a);
// "src.FIELD" (an array field with [k]) names a field of the probe's own source record; false for
// any other name.
bool ResolveSourceField(const std::string& name, veyrdale::FieldRef* out);
// A record named as a command's argument: p0-3, comp0-3, shot0-511, fam0-63 or src; any other
// name fails the command.
veyrdale::BattleObject* RecordArg(const std::string& name);

// probe_hits.cpp: hit effects, dispatched or from one spawner.
void HitCommand(const Args& a);
void Spawn(const Args& a);

// probe_items.cpp: items made and updated.
void Item(const Args& a);
void UpdateItemCommand(const Args& a);
// probe_fire.cpp: shots fired from records, the live shots and the built-in move blocks.
void Fire(const Args& a);
void Shots(const Args& a);
void MoveBlock(const Args& a);
// probe_familiars.cpp: familiars and arena objects.
void UpdateFamiliarCommand(const Args& a);
void Summon(const Args& a);
void SendFamiliars(const Args& a);
void RelaunchFamiliarCommand(const Args& a);
void FindFamiliarCommand(const Args& a);
void Chain(const Args& a);
// probe_dash.cpp: the way out of walls.
void WayOut(const Args& a);
// probe_cpu.cpp: the computer player for one player and one frame.
void Cpu(const Args& a);

}  // namespace battleprobe
