// battle-probe: queries of the battle's records, tables and helpers from the command line.
//
//   battle-probe -e 'cmd; cmd'     runs the commands given (several -e run in order)
//   battle-probe                   reads the commands from stdin, one or more per line
//
// Each query prints one line; floats print as %.9g. An unknown command or name, a malformed
// argument or a map that cannot be read whole (the file `map` names, or one that the round starts
// of a `match` or `story` arena can choose) prints a message on stderr naming it and ends the
// probe with status 2; standard output that cannot take what was printed ends it with 1. The
// library is never started. battle-probe-rec is the
// same probe linked with the recording stand-in of the library instead of the library, so that
// `drawlog` can show the library calls the game makes.
//
// The digit tables hold stand-in handles that name their table and digit: plain digits 1000 + d,
// small digits 2000 + d, the picture digits of slot 141 3000 + d.
//
// Commands:
//   set NAME VALUE                     writes one field (see names below)
//   print NAME...                      prints the fields, space separated
//   dir X1 Y1 X2 Y2 | dist X1 Y1 X2 Y2 direction and squared distance of integer points
//   cos H | negsin H | atan I          table entries
//   blend VX VY TX TY WOLD WNEW        the blended velocity "vx vy"
//   circle X1 Y1 X2 Y2 R               1 when the circle test hits, else 0
//   box X1 Y1 X2 Y2 W H                1 when the box test hits, else 0
//   moverow OWNER MOVE                 the eleven fields of the move row
//   map PATH                           loads an arena map (a missing, unreadable or cut file,
//                                      or anything but a regular file, fails)
//   mapcell CX CY W H DY               "value col row", or "0"
//   walls X Y OLDX OLDY W H DY         the wall move: "code x y"
//   snap X Y OLDX OLDY W H DY          the shot variant: "code x y"
//   misses                             the count of out-of-range indices
//   match players=N chars=A,B.. arena=A [teams=T,..] [handicap=H,..] [survival]
//                                      a match as the menus leave it before the battle: start
//                                      gauge level 1, handicap 2 unless given, the start-up
//                                      options, the move table installed, the arena's maps read
//                                      from the current folder (each must load whole, as
//                                      `map`'s file), scene 4
//   story KIND STAGE                   a story stage: the stage-type table, the stage set-up
//                                      and the maps of the match's arena read, as `match` does
//   round                              a round start for players 0-3, as the battle's own: the
//                                      frames after it go on with that round; past a round's
//                                      frame 0 it is the match's next round, on the same maps
//   frame [N]                          N battle frames (1 if not given)
//   hold P INPUT... N                  player P holds the inputs (down up left right b1-b5) for
//                                      the next N frames
//   call NAME ARGS...                  runs an entry point with integer arguments; a player's
//                                      index stands for its record (see probe_calls.cpp)
//   bgm ARENA FORCE                    the stage music's path, or "-"
//   shot OWNER KIND MOVE X Y HEADING SPEED
//                                      CreateShot from a zeroed source of that kind at (X, Y)
//                                      with that heading, owner and stateTimer 0, then the new
//                                      shot put at (X, Y) with that heading and speed: "slot N"
//                                      (-1 when the pool was full)
//   update-shot SLOT [N]               N UpdateShot calls of the shot in that slot (1 if not
//                                      given), stopping once the slot is free
//   drawlog on|off                     (battle-probe-rec only) print each library call the
//                                      game makes as one line: its name, then its arguments
//                                      (integers in decimal, reals as %.9g)
//   drawlog state                      (battle-probe-rec only) print only the drawing calls,
//                                      each followed by " | MODE PARAM RRGGBB FILTER": the draw
//                                      state the library holds at that call (parameter and
//                                      channels within 0-255), from its start values 0 0 ffffff 0
//   draw                               one drawn battle frame (DrawBattleFrame): the view's draw
//                                      and what the battle and the flow carry out after it
//   drawlist                           one BuildDrawList for the match's player count, as the
//                                      battle draw makes it (its tags and block countdown
//                                      carried out): the entry count, then one line
//                                      "tag kind x y move" per entry
//   number X Y VALUE STYLE SMALL       DrawNumber
//   rotarect CX CY W H HEADING GRAPH   DrawRotaRectGraph
//   steer OP SLOT ARGS...              a steering operation on the shot in that slot:
//                                        home|homeobj|turn|turnlimited SLOT T0 T1 WOLD WNEW N
//                                        aim SLOT T0 T1 WOLD WNEW
//                                        retarget SLOT T SPEED MODE D
//                                        scale SLOT FACTOR T0 T1
//   cell P [S]                         SelectCharaFrame of player P's record with suppressTurn S
//                                      (0 if not given), carried out as after a drawn frame:
//                                      "cell C"
//   scene ID [FRAME]                   sets SceneId and SceneFrame (0 if not given)
//   loop N                             N iterations of the frame loop's body (the function the
//                                      game's loop runs): clear, input (the pad words of `hold`
//                                      through the counting step, computer players through the
//                                      computer player), reversal, the scene, blend reset, frame
//                                      rate, counters and capture requests (a request starts
//                                      the fade counters); no waits, screen copy, presentation
//                                      or pump. Stops once ExitRequested is set
//   stubhandles                        fills the handle tables with numbers that name themselves:
//                                      PictureSlots[s][c] 100000 + 100s + c (slot 141: 3000 + c),
//                                      StageBackgrounds[i] 900 + i, CharacterSheetCells[p][c]
//                                      200000 + 1000p + c, CharacterSheetCellsB 300000 + 1000p +
//                                      c, PortraitHandles[p][e] 400 + 10p + e, SoundHandles[i]
//                                      5000 + i, GlyphSheetsA[i] 7000 + i, GlyphSheetsB[i]
//                                      7100 + i, CaptureGraph 8000, LoadingPicture 8001,
//                                      BigDigitGraphs[d] 4000 + d
//   seed N                             SeedRandom(N)
//   src FIELD=VALUE...                 the probe's own source record, zeroed, with those fields
//                                      (named src.FIELD in set and print, src as a REC)
//   effect REC KIND                    CreateEffect from a record: p0-3, comp0-3, shot0-511,
//                                      fam0-63 or src
//   ring REC KIND INDEX                CreateRingEffect from a record
//   update-effect SLOT [N]             N UpdateEffect calls of that slot (1 if not given),
//                                      stopping once the slot is free
//   hit A B EVENT                      DispatchHitEffect with two records (REC names)
//   spawn NAME A B [N]                 one hit-effect spawner on two records: NAME is ringA,
//                                      ringB, ringC, ringD, spark, scatter (the second pool,
//                                      seff0-63), big or damage; N, only for damage, is the
//                                      event number n (1 if not given)
//   drawentry I [E]                    sets the late-effect count to 0 and builds the draw list
//                                      as the frame does, sets blend 0 255, white and filter 0,
//                                      then draws entry I alone through the frame's dispatch by
//                                      draw tag, with shake offset E (0 if not given) and the
//                                      dark flag off, its selection carried out; I outside the
//                                      list fails
//   item X Y COUNT MODE PLAYER         CreateItem (X and Y a map cell in modes 0 and 76, else
//                                      pixels)
//   update-item SLOT [N]               N UpdateItem calls of that slot (1 if not given),
//                                      stopping once the slot is free; ItemFlags[i] are the
//                                      items' flags (0 free, 1 live, 2 claimed)
//   hud [S]                            the state of drawentry (without an entry), then the
//                                      battle frame's head-up display alone with shake offset S
//                                      (0 if not given), as RunBattleHud runs it: what it draws,
//                                      and what is carried out after it (the flash and fade
//                                      counters, the dialogue, the round clock and the time-up,
//                                      the continue prompt's choice)
//   fire SRC MOVE OWNER                CreateShot from a record (REC names, as `effect`) with
//                                      that move and owner: "slots" and the slots that became
//                                      live
//   shots                              one line per live shot: "slot kind move x y heading
//                                      speed"
//   moveblock C                        the 16 rows of character C's built-in move block (16 the
//                                      neutral one), eleven numbers each in `moverow`'s order
//   update-fam SLOT [N]                N UpdateFamiliar calls of that familiar slot (1 if not
//                                      given); `call PlaceArenaObjects` places the arena's set
//   summon SRC MOVE P                  SpawnFamiliar from a record (REC names, as `effect`)
//   sendfam MODE P                     LaunchFamiliars: its result, 0 or 1
//   refam SLOT P                       RelaunchFamiliar: its result
//   findfam LIMIT P EXCL ABOVE         FindFamiliar: the slot, or 9999
//   chain LIMIT P START ABOVE          ChainFamiliarBeams
//   wayout P                           the way out of walls for player P (0-3), keeping off the
//                                      other players for characters 3 and 13: "x y"
//   cpu P                              one UpdateCpuPlayer of player P (0-3): "CpuMode
//                                      CpuCountdown CpuTarget heading | " and the nine pending
//                                      counts: down up left right b1 b2 b3 b4 b5
//
// Names: p0-p3, comp0-3, shot0-511, fam0-63, eff0-1023, seff0-63, item0-127, mark0-3, ground0-3,
// spark0-127, move0-80 with a .field suffix (an array field with [k]); dmg<slot>.field; a
// per-player array as score[1] or p1.score; cells[c,r], cellState[c,r], openTimer[c,r];
// ShotHitFlags[s,p]; ButtonMap[p,b]; OptionCursor, KeyConfigCursors[p]; EffectInUse[i] (the
// effects' in-use flags); src.field; the result screens' LeaveCountdown and TallyTargetScore, the
// arena's DestructibleCells (counted by the map load) and the score file's unlockLevel; any other
// battle global, set-up field or option by its name. `call DrawResultNumber X Y VALUE STYLE` draws
// a number of the result screens. The survival run, the records and the win quotes add
// SurvivalOpponentUsed[c], SurvivalArenaCycle, SurvivalLastPick, SurvivalLeaveCountdown,
// RecordsMenuCursor, ScoreTableCursor, WinQuoteIndex and StatisticsShown; `call
// SetupSurvivalRound` prepares the round of RoundNumber (or ends the run in scene 29). The computer
// players' CpuMode[p], CpuCountdown[p] and CpuTarget[p].
#include <cstring>
#include <string>
#include <vector>

#include "game/battle/directions.h"
#include "tools/battle-probe/probe_args.h"
#include "tools/battle-probe/probe_commands.h"
#include "tools/lib/toolrun/tool_run.h"

namespace battleprobe {
namespace {

struct Command {
  const char* name;
  int minArgs;
  int maxArgs;  // -1: any number
  void (*run)(const Args&);
};

// The one command table; later commands are added here.
const Command kCommands[] = {
    {"set", 2, 2, Set},
    {"print", 1, -1, Print},
    {"dir", 4, 4, Dir},
    {"dist", 4, 4, Dist},
    {"cos", 1, 1, Cos},
    {"negsin", 1, 1, NegSin},
    {"atan", 1, 1, Atan},
    {"blend", 6, 6, Blend},
    {"circle", 5, 5, Circle},
    {"box", 6, 6, Box},
    {"moverow", 2, 2, MoveRowCommand},
    {"map", 1, 1, Map},
    {"mapcell", 5, 5, MapCell},
    {"walls", 7, 7, Walls},
    {"snap", 7, 7, Snap},
    {"misses", 0, 0, Misses},
    {"match", 3, -1, Match},
    {"story", 2, 2, Story},
    {"round", 0, 0, Round},
    {"frame", 0, 1, Frame},
    {"hold", 3, -1, Hold},
    {"call", 1, -1, Call},
    {"bgm", 2, 2, Bgm},
    {"shot", 7, 7, Shot},
    {"update-shot", 1, 2, UpdateShotCommand},
    {"steer", 2, -1, Steer},
    {"drawlog", 1, 1, DrawLog},
    {"draw", 0, 0, Draw},
    {"drawlist", 0, 0, DrawListCommand},
    {"number", 5, 5, Number},
    {"rotarect", 6, 6, RotaRect},
    {"cell", 1, 2, CellCommand},
    {"scene", 1, 2, SceneCommand},
    {"loop", 1, 1, Loop},
    {"stubhandles", 0, 0, StubHandles},
    {"seed", 1, 1, Seed},
    {"src", 0, -1, Source},
    {"effect", 2, 2, Effect},
    {"ring", 3, 3, Ring},
    {"update-effect", 1, 2, UpdateEffectCommand},
    {"hit", 3, 3, HitCommand},
    {"spawn", 3, 4, Spawn},
    {"drawentry", 1, 2, DrawEntry},
    {"item", 5, 5, Item},
    {"update-item", 1, 2, UpdateItemCommand},
    {"hud", 0, 1, Hud},
    {"fire", 3, 3, Fire},
    {"shots", 0, 0, Shots},
    {"moveblock", 1, 1, MoveBlock},
    {"update-fam", 1, 2, UpdateFamiliarCommand},
    {"summon", 3, 3, Summon},
    {"sendfam", 2, 2, SendFamiliars},
    {"refam", 2, 2, RelaunchFamiliarCommand},
    {"findfam", 4, 4, FindFamiliarCommand},
    {"chain", 4, 4, Chain},
    {"wayout", 1, 1, WayOut},
    {"cpu", 1, 1, Cpu},
};

void RunCommand(const Args& words) {
  for (const Command& c : kCommands) {
    if (words[0] != c.name) continue;
    int given = static_cast<int>(words.size()) - 1;
    if (given < c.minArgs || (c.maxArgs >= 0 && given > c.maxArgs)) {
      Fail("wrong number of arguments for " + words[0]);
    }
    c.run(words);
    ForgetRecordedCalls();
    return;
  }
  Fail("unknown command: " + words[0]);
}

// Commands are separated by ';' or new lines; words by blanks.
void RunScript(const std::string& script) {
  Args words;
  std::string word;
  auto endWord = [&] {
    if (!word.empty()) words.push_back(word);
    word.clear();
  };
  for (char c : script + ";") {
    if (c == ';' || c == '\n') {
      endWord();
      if (!words.empty()) RunCommand(words);
      words.clear();
    } else if (c == ' ' || c == '\t' || c == '\r') {
      endWord();
    } else {
      word += c;
    }
  }
}

}  // namespace
}  // namespace battleprobe

int main(int argc, char** argv) {
  using namespace battleprobe;
#ifdef BATTLE_PROBE_RECORDING
  toolrun::Begin("battle-probe-rec");
#else
  toolrun::Begin("battle-probe");
#endif
  StartRecorder();
  veyrdale::BuildTrigTables();
  FillDigitTables();
  std::vector<std::string> scripts;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "-e") == 0 && i + 1 < argc) {
      scripts.emplace_back(argv[++i]);
    } else {
      Fail(std::string("usage: battle-probe [-e 'cmd; cmd']... (unexpected ") + argv[i] + ")");
    }
  }
  if (scripts.empty()) {
    // A stop ends the wait for commands with a line; once they are in, it simply ends the probe.
    toolrun::CatchStopSignals();
    std::string commands;
    const bool read = toolrun::ReadStandardInput(toolrun::kInputLimit, &commands);
    toolrun::ReleaseStopSignals();
    if (toolrun::StopSignal() != 0) {
      if (read) toolrun::Say(toolrun::StoppedBy() + " while reading standard input");
      return toolrun::End(1);
    }
    if (!read) return toolrun::End(toolrun::kUsage);
    scripts.push_back(std::move(commands));
  }
  for (const std::string& script : scripts) RunScript(script);
  return toolrun::End(0);
}
