// battle-probe: queries of the battle's records, tables and helpers from the command line.
//
//   battle-probe -e 'cmd; cmd'     runs the commands given (several -e run in order)
//   battle-probe                   reads the commands from stdin, one or more per line
//
// Each query prints one line; floats print as %.9g. An unknown command or name, or a malformed
// argument, prints a message on stderr and ends the probe with status 2. The library is never
// started: the entry points not built yet are the recording stand-ins. battle-probe-rec is the
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
//   map PATH                           loads an arena map
//   mapcell CX CY W H DY               "value col row", or "0"
//   walls X Y OLDX OLDY W H DY         the wall move: "code x y"
//   snap X Y OLDX OLDY W H DY          the shot variant: "code x y"
//   calls NAME | args NAME             a stand-in's call count / its last call's arguments
//   misses                             the count of out-of-range indices
//   match players=N chars=A,B.. arena=A [teams=T,..] [handicap=H,..] [survival]
//                                      a match as the menus leave it before the battle: start
//                                      gauge level 1, handicap 2 unless given, the start-up
//                                      options, the move table installed, scene 4
//   story KIND STAGE                   a story stage: the stage-type table and the stage set-up
//   round                              a round start for players 0-3
//   frame [N]                          N battle frames (1 if not given)
//   hold P INPUT... N                  player P holds the inputs (down up left right b1-b5) for
//                                      the next N frames
//   call NAME ARGS...                  runs an entry point with integer arguments; a player's
//                                      index stands for its record (see kCalls)
//   bgm ARENA FORCE                    the stage music's path, or "-"
//   shot OWNER KIND MOVE X Y HEADING SPEED
//                                      CreateShot from a zeroed source of that kind at (X, Y)
//                                      with that heading, owner and stateTimer 0, then the new
//                                      shot put at (X, Y) with that heading and speed: "slot N"
//                                      (-1 when the pool was full)
//   update-shot SLOT                   one UpdateShot of the shot in that slot
//   drawlog on|off                     (battle-probe-rec only) print each library call the
//                                      game makes as one line: its name, then its arguments
//                                      (integers in decimal, reals as %.9g)
//   draw                               one DrawBattleScene
//   drawlist                           one BuildDrawList for the match's player count, as the
//                                      battle draw makes it: the entry count, then one line
//                                      "tag kind x y move" per entry
//   number X Y VALUE STYLE SMALL       DrawNumber
//   rotarect CX CY W H HEADING GRAPH   DrawRotaRectGraph
//   steer OP SLOT ARGS...              a steering operation on the shot in that slot:
//                                        home|homeobj|turn|turnlimited SLOT T0 T1 WOLD WNEW N
//                                        aim SLOT T0 T1 WOLD WNEW
//                                        retarget SLOT T SPEED MODE D
//                                        scale SLOT FACTOR T0 T1
//
// Names: p0-p3, comp0-3, shot0-511, fam0-63, eff0-1023, seff0-63, item0-127, mark0-3, ground0-3,
// spark0-127, move0-80 with a .field suffix (an array field with [k]); dmg<slot>.field; a
// per-player array as score[1] or p1.score; cells[c,r], cellState[c,r], openTimer[c,r];
// ShotHitFlags[s,p]; any other battle global, set-up field or option by its name.
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "game/battle/access.h"
#include "game/battle/arena.h"
#include "game/battle/directions.h"
#include "game/battle/field_table.h"
#include "game/battle/motion.h"
#include "game/battle/shots.h"
#include "game/battle/standins/standin_calls.h"
#include "game/battle/story_stages.h"
#include "game/core/data_files.h"
#include "game/core/entry_points.h"
#include "game/core/frame_state.h"
#include "game/core/input.h"
#include "game/core/match_setup.h"
#include "game/core/records.h"
#include "game/core/resource_tables.h"
#include "game/flow/move_table.h"
#include "game/view/draw_list.h"
#include "game/view/rota_rect.h"
#include "tools/lib/battlesupport/step_battle_frame.h"
#ifdef BATTLE_PROBE_RECORDING
#include "morrow/recording/library_recorder.h"
#endif

namespace {

using veyrdale::FieldRef;
using veyrdale::FieldValue;

using Args = std::vector<std::string>;

// A failed command: the message goes to stderr and the probe ends with status 2.
[[noreturn]] void Fail(const std::string& message) {
  std::fflush(stdout);
  std::fprintf(stderr, "battle-probe: %s\n", message.c_str());
  std::exit(2);
}

long long ToInteger(const std::string& text, long long min = INT32_MIN, long long max = INT32_MAX) {
  errno = 0;
  char* end = nullptr;
  long long v = std::strtoll(text.c_str(), &end, 10);
  if (errno != 0 || end == text.c_str() || *end != '\0' || v < min || v > max) {
    Fail("not an integer in range: " + text);
  }
  return v;
}

int ToInt(const std::string& text) {
  return static_cast<int>(ToInteger(text));
}

float ToFloat(const std::string& text) {
  char* end = nullptr;
  float v = std::strtof(text.c_str(), &end);
  if (end == text.c_str() || *end != '\0') Fail("not a number: " + text);
  return v;
}

void PrintFloat(float v) {
  std::printf("%.9g", static_cast<double>(v));
}

FieldRef Resolve(const std::string& name) {
  FieldRef ref{};
  if (!veyrdale::ResolveField(name, &ref)) Fail("unknown name: " + name);
  return ref;
}

void PrintValue(const FieldValue& v) {
  if (v.isFloat) {
    PrintFloat(v.real);
  } else {
    std::printf("%lld", static_cast<long long>(v.integer));
  }
}

void Set(const Args& a) {
  FieldRef ref = Resolve(a[1]);
  FieldValue v{false, 0, 0.0f};
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
  const veyrdale::MoveTableEntry& row = veyrdale::MoveRow(ToInt(a[1]), ToInt(a[2]));
  std::printf("%d %d %d %d %d %d %d %d %d %d %d\n", row.moveLength, row.timing, row.afterDelay,
              row.rootFlag, row.hitClass, row.hitTag, row.shotLimit, row.damage, row.stunDamage,
              row.meterCost, row.hitRadius);
}

void Map(const Args& a) {
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

const veyrdale::StandInCall& StandIn(const std::string& name) {
  const veyrdale::StandInCall* call = veyrdale::FindStandInCall(name);
  if (call == nullptr) Fail("no stand-in named " + name);
  return *call;
}

void Calls(const Args& a) {
  std::printf("%lld\n", static_cast<long long>(StandIn(a[1]).calls));
}

void StandInArgs(const Args& a) {
  const veyrdale::StandInCall& call = StandIn(a[1]);
  for (int i = 0; i < call.argCount; ++i) {
    if (i > 0) std::printf(" ");
    const veyrdale::StandInArg& arg = call.args[i];
    if (arg.kind == veyrdale::StandInArg::Kind::kFloat) {
      PrintFloat(arg.real);
    } else {
      std::printf("%lld", static_cast<long long>(arg.integer));
    }
  }
  std::printf("\n");
}

void Misses(const Args&) {
  std::printf("%d\n", veyrdale::IndexMisses);
}

// ---- Battles ----------------------------------------------------------------------------------

// Comma-separated integers, each within [min, max].
std::vector<int> ToIntList(const std::string& text, int min, int max) {
  std::vector<int> values;
  size_t start = 0;
  while (true) {
    size_t comma = text.find(',', start);
    values.push_back(static_cast<int>(ToInteger(text.substr(start, comma - start), min, max)));
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  return values;
}

void Match(const Args& a) {
  int players = -1;
  int arena = 0;
  bool arenaGiven = false;
  bool survival = false;
  std::vector<int> chars;
  std::vector<int> teams;
  std::vector<int> handicaps;
  for (size_t i = 1; i < a.size(); ++i) {
    const std::string& word = a[i];
    size_t eq = word.find('=');
    std::string key = word.substr(0, eq);
    std::string value = eq == std::string::npos ? "" : word.substr(eq + 1);
    if (word == "survival") {
      survival = true;
    } else if (key == "players" && eq != std::string::npos) {
      players = static_cast<int>(ToInteger(value, 1, 4));
    } else if (key == "chars" && eq != std::string::npos) {
      chars = ToIntList(value, 0, 15);
    } else if (key == "arena" && eq != std::string::npos) {
      arena = ToInt(value);
      arenaGiven = true;
    } else if (key == "teams" && eq != std::string::npos) {
      teams = ToIntList(value, 0, 1);
    } else if (key == "handicap" && eq != std::string::npos) {
      handicaps = ToIntList(value, 0, 4);
    } else {
      Fail("match: unknown setting " + word);
    }
  }
  if (players < 0 || !arenaGiven) Fail("match: players= and arena= are needed");
  auto perPlayer = [players](const std::vector<int>& list, const char* name) {
    if (!list.empty() && static_cast<int>(list.size()) != players) {
      Fail(std::string("match: ") + name + " needs one value per player");
    }
  };
  if (chars.empty()) Fail("match: chars= is needed");
  perPlayer(chars, "chars");
  perPlayer(teams, "teams");
  perPlayer(handicaps, "handicap");

  veyrdale::MatchSetup& m = veyrdale::g_match;
  m.playerCount = players;
  m.teamMode = teams.empty() ? 0 : 1;
  m.stage = arena;
  m.storyMode = 0;
  m.storyStage = 0;
  m.storyKind = 0;
  m.survivalMode = survival ? 1 : 0;
  for (int p = 0; p < 4; ++p) {
    m.cpuFlag[p] = 0;
    m.startGaugeLevel[p] = 1;
    m.handicap[p] = 2;
    m.team[p] = 0;
  }
  for (int p = 0; p < players; ++p) {
    veyrdale::g_players[p].kind = static_cast<uint16_t>(chars[p]);
    if (!teams.empty()) m.team[p] = teams[p];
    if (!handicaps.empty()) m.handicap[p] = handicaps[p];
  }
  veyrdale::g_options.winCount = 1;
  veyrdale::g_options.timeLimit = 1;
  veyrdale::g_options.obstacleStrength = 1;
  veyrdale::InstallMoveTable();
  veyrdale::BuildTrigTables();
  veyrdale::SceneId = 4;
  veyrdale::SceneFrame = 0;
  veyrdale::FreezeFrames = 0;
  veyrdale::RoundFrame = 0;
  veyrdale::RoundEndFrames = 0;
  veyrdale::RoundWinner = 0;
  veyrdale::RoundNumber = 0;
  veyrdale::StoryPreFight = 0;
  veyrdale::DemoFrames = 0;
}

void Story(const Args& a) {
  int kind = ToInt(a[1]);
  int stage = ToInt(a[2]);
  veyrdale::g_match.storyMode = 1;
  veyrdale::g_match.storyKind = kind;
  veyrdale::g_match.storyStage = stage;
  veyrdale::InitStageTypeTable(kind);
  veyrdale::SetupStoryStage(stage, kind);
}

void Round(const Args&) {
  for (int p = 0; p < 4; ++p) veyrdale::StartRound(&veyrdale::g_players[p], p);
}

// Inputs held by `hold`: frames left per player and input.
int g_holdFrames[4][veyrdale::kInputCount];

// The pad bit of each counted input, in the order of Input.
constexpr int kInputBits[veyrdale::kInputCount] = {
    veyrdale::kPadDown,         veyrdale::kPadUp,           veyrdale::kPadLeft,
    veyrdale::kPadRight,        veyrdale::kPadButton0 << 0, veyrdale::kPadButton0 << 1,
    veyrdale::kPadButton0 << 2, veyrdale::kPadButton0 << 3, veyrdale::kPadButton0 << 4};

constexpr const char* kInputNames[veyrdale::kInputCount] = {"down", "up", "left", "right", "b1",
                                                            "b2",   "b3", "b4",   "b5"};

int InputOf(const std::string& name) {
  for (int k = 0; k < veyrdale::kInputCount; ++k) {
    if (name == kInputNames[k]) return k;
  }
  Fail("unknown input: " + name);
}

void Hold(const Args& a) {
  int p = static_cast<int>(ToInteger(a[1], 0, 3));
  int frames = static_cast<int>(ToInteger(a.back(), 0, INT32_MAX));
  for (size_t i = 2; i + 1 < a.size(); ++i) g_holdFrames[p][InputOf(a[i])] = frames;
}

void Frame(const Args& a) {
  long long frames = a.size() > 1 ? ToInteger(a[1], 0, INT32_MAX) : 1;
  for (long long f = 0; f < frames; ++f) {
    int bits[4] = {};
    for (int p = 0; p < 4; ++p) {
      for (int k = 0; k < veyrdale::kInputCount; ++k) {
        if (g_holdFrames[p][k] > 0) {
          bits[p] |= kInputBits[k];
          --g_holdFrames[p][k];
        }
      }
    }
    veyrdale::StepBattleFrame(bits);
  }
}

void Bgm(const Args& a) {
  const char* path = veyrdale::StageBgmPath(ToInt(a[1]), ToInt(a[2]));
  std::printf("%s\n", path == nullptr ? "-" : path);
}

// ---- Shots ----------------------------------------------------------------------------------

int16_t ToInt16(const std::string& text) {
  return static_cast<int16_t>(ToInteger(text, INT16_MIN, INT16_MAX));
}

veyrdale::BattleObject* ShotArg(const std::string& text) {
  return &veyrdale::g_shots[ToInteger(text, 0, veyrdale::kShotCount - 1)];
}

void Shot(const Args& a) {
  const int owner = ToInt16(a[1]);
  veyrdale::BattleObject source{};
  source.kind = static_cast<uint16_t>(ToInteger(a[2], 0, UINT16_MAX));
  const int16_t move = ToInt16(a[3]);
  source.x = ToFloat(a[4]);
  source.y = ToFloat(a[5]);
  source.heading = ToInt(a[6]);
  source.owner = static_cast<int16_t>(owner);
  source.stateTimer = 0;
  const float speed = ToFloat(a[7]);
  // The shot takes the lowest free slot.
  int slot = -1;
  for (int s = 0; s < veyrdale::kShotCount && slot < 0; ++s) {
    if (veyrdale::g_shots[s].state == 0) slot = s;
  }
  veyrdale::CreateShot(&source, move, owner);
  if (slot >= 0 && veyrdale::g_shots[slot].state == 0) slot = -1;
  if (slot >= 0) {
    veyrdale::BattleObject& shot = veyrdale::g_shots[slot];
    shot.x = source.x;
    shot.y = source.y;
    shot.heading = source.heading;
    shot.speed = speed;
    veyrdale::FinishShotMotion(&shot, source.x, source.y);
  }
  std::printf("slot %d\n", slot);
}

void UpdateShotCommand(const Args& a) {
  veyrdale::UpdateShot(ShotArg(a[1]), ToInt(a[1]));
}

struct SteerOp {
  const char* name;
  int args;                                                  // after the slot
  void (*run)(veyrdale::BattleObject* shot, const Args& a);  // a[3] is the first after the slot
};

const SteerOp kSteerOps[] = {
    {"home", 5,
     [](veyrdale::BattleObject* s, const Args& a) {
       veyrdale::HomeShotInWindow(s, ToInt(a[3]), ToInt(a[4]), ToInt16(a[5]), ToInt16(a[6]),
                                  ToInt16(a[7]));
     }},
    {"homeobj", 5,
     [](veyrdale::BattleObject* s, const Args& a) {
       veyrdale::HomeObjectInWindow(s, ToInt(a[3]), ToInt(a[4]), ToInt16(a[5]), ToInt16(a[6]),
                                    ToInt16(a[7]));
     }},
    {"turn", 5,
     [](veyrdale::BattleObject* s, const Args& a) {
       veyrdale::TurnShotToPoint(s, ToInt(a[3]), ToInt(a[4]), ToInt16(a[5]), ToInt16(a[6]),
                                 ToInt16(a[7]));
     }},
    {"turnlimited", 5,
     [](veyrdale::BattleObject* s, const Args& a) {
       veyrdale::HomeShotTurnLimited(s, ToInt(a[3]), ToInt(a[4]), ToInt16(a[5]), ToInt16(a[6]),
                                     ToInt16(a[7]));
     }},
    {"aim", 4,
     [](veyrdale::BattleObject* s, const Args& a) {
       veyrdale::AimShotAtPoint(s, ToInt(a[3]), ToInt(a[4]), ToInt16(a[5]), ToInt16(a[6]));
     }},
    {"retarget", 4,
     [](veyrdale::BattleObject* s, const Args& a) {
       veyrdale::RetargetShot(s, ToInt(a[3]), ToFloat(a[4]), ToInt16(a[5]), ToInt16(a[6]));
     }},
    {"scale", 3,
     [](veyrdale::BattleObject* s, const Args& a) {
       veyrdale::ScaleShotSpeed(s, ToFloat(a[3]), ToInt(a[4]), ToInt(a[5]));
     }},
};

void Steer(const Args& a) {
  for (const SteerOp& op : kSteerOps) {
    if (a[1] != op.name) continue;
    if (static_cast<int>(a.size()) - 3 != op.args)
      Fail("wrong number of arguments for steer " + a[1]);
    op.run(ShotArg(a[2]), a);
    return;
  }
  Fail("unknown steering operation: " + a[1]);
}

// ---- Drawing --------------------------------------------------------------------------------

#ifdef BATTLE_PROBE_RECORDING
bool g_drawLog = false;

void StartRecorder() {
  testsupport::Recorder().Reset();
  testsupport::Recorder().onCall = [](const testsupport::RecordedCall& call) {
    if (g_drawLog && testsupport::Recorder().quiet.count(call.name) == 0) {
      std::printf("%s\n", call.Text().c_str());
    }
  };
}

// What was recorded is printed as it happens; nothing needs keeping between commands.
void ForgetRecordedCalls() {
  testsupport::Recorder().ClearCalls();
}

void DrawLog(const Args& a) {
  if (a[1] != "on" && a[1] != "off") Fail("drawlog: on or off");
  g_drawLog = a[1] == "on";
}
#else
void StartRecorder() {}
void ForgetRecordedCalls() {}

void DrawLog(const Args&) {
  Fail("drawlog: only battle-probe-rec records the library calls");
}
#endif

void FillDigitTables() {
  for (int d = 0; d < 10; ++d) {
    veyrdale::DigitGraphs[d] = 1000 + d;
    veyrdale::SmallDigitGraphs[d] = 2000 + d;
    veyrdale::PictureSlots[veyrdale::kPictureDigitSlot][d] = 3000 + d;
  }
}

void Draw(const Args&) {
  veyrdale::DrawBattleScene();
}

void DrawListCommand(const Args&) {
  veyrdale::LateEffectCount = 0;
  const int count = veyrdale::BuildDrawList(veyrdale::g_match.playerCount);
  std::printf("%d\n", count);
  for (int i = 0; i < count; ++i) {
    const veyrdale::BattleObject& e = veyrdale::DrawList[i];
    std::printf("%d %d ", e.drawTag, e.kind);
    PrintFloat(e.x);
    std::printf(" ");
    PrintFloat(e.y);
    std::printf(" %d\n", e.move);
  }
}

void Number(const Args& a) {
  veyrdale::DrawNumber(ToInt(a[1]), ToInt(a[2]), ToInt(a[3]), ToInt(a[4]),
                       static_cast<uint8_t>(ToInteger(a[5], 0, UINT8_MAX)));
}

void RotaRect(const Args& a) {
  veyrdale::DrawRotaRectGraph(ToFloat(a[1]), ToFloat(a[2]), ToFloat(a[3]), ToFloat(a[4]),
                              ToInt(a[5]), ToInt(a[6]));
}

// ---- call -------------------------------------------------------------------------------------

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
};

#undef PLAYER_CALL
#undef INDEX_CALL
#undef VOID_CALL

void Call(const Args& a) {
  for (const Callable& c : kCalls) {
    if (a[1] != c.name) continue;
    if (static_cast<int>(a.size()) - 2 != c.args) Fail("wrong number of arguments for " + a[1]);
    c.run(a);
    return;
  }
  Fail("no entry point to call named " + a[1]);
}

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
    {"walls", 7, 7, WallMove<veyrdale::MoveWithWalls>},
    {"snap", 7, 7, WallMove<veyrdale::SnapToWalls>},
    {"calls", 1, 1, Calls},
    {"args", 1, 1, StandInArgs},
    {"misses", 0, 0, Misses},
    {"match", 3, -1, Match},
    {"story", 2, 2, Story},
    {"round", 0, 0, Round},
    {"frame", 0, 1, Frame},
    {"hold", 3, -1, Hold},
    {"call", 1, -1, Call},
    {"bgm", 2, 2, Bgm},
    {"shot", 7, 7, Shot},
    {"update-shot", 1, 1, UpdateShotCommand},
    {"steer", 2, -1, Steer},
    {"drawlog", 1, 1, DrawLog},
    {"draw", 0, 0, Draw},
    {"drawlist", 0, 0, DrawListCommand},
    {"number", 5, 5, Number},
    {"rotarect", 6, 6, RotaRect},
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

int main(int argc, char** argv) {
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
    scripts.emplace_back(std::istreambuf_iterator<char>(std::cin),
                         std::istreambuf_iterator<char>());
  }
  for (const std::string& script : scripts) RunScript(script);
  return 0;
}
