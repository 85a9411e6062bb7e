// The scenario interpreter: loading a script, one page of it, and the per-frame step.
#include "game/flow/scenario.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "game/battle/arena.h"
#include "game/core/frame_state.h"
#include "game/core/input.h"
#include "game/core/match_setup.h"
#include "game/core/records.h"
#include "game/core/resource_tables.h"
#include "game/core/scenario_state.h"
#include "game/core/sound_entries.h"
#include "game/flow/glyph_text.h"
#include "morrow/system/log.h"
#include "morrow/system/stream.h"

namespace veyrdale {

uint8_t ScriptBuffer[kScriptBytes + 1] = {};
int32_t ScriptReadPointer = 0;
char EndingTextRows[3][kEndingRowBytes + 1] = {};
uint16_t PortraitSlots[2] = {kNoPortrait, kNoPortrait};
uint16_t PortraitExpressions[2] = {};
uint8_t SpeakerChanged = 0;
int32_t ScriptWait = 0;
uint16_t PictureFadeFrames = 0;

namespace {

constexpr int kPortraitSheets = 4;
constexpr int kExpressions = 10;
constexpr int kMaxPlayers = 4;
constexpr int kEntryDone = 29;         // entryFrames when a scripted entry has run
constexpr int kHeldOnce = 99;          // a button-1 count that no longer turns pages
constexpr int kPageTurnRecovery = 10;  // player 0 does not fire with the page-turning button
constexpr int kOpenedWallRow = 2;      // the "M" event opens two cells of this row
constexpr int kOpenedWallFrames = 96;

// The sound and screen effects of "S1" to "S7".
struct ScriptEffect {
  int sound;  // entry of SoundHandles, -1 none
  int flash;
  int shake;  // 0: unchanged
  int slow;   // 0: unchanged
  int wait;   // 0: unchanged
  bool lightsOn;
};
constexpr ScriptEffect kEffects[7] = {
    {kSoundHitB, 8, 8, 0, 0, false},     {kSoundZan, 8, 8, 0, 0, false},
    {kSoundHit, 8, 12, 0, 0, false},     {kSoundCSpell, 24, 20, 16, -16, false},
    {kSoundOut, 24, 20, 16, -16, false}, {-1, 24, 0, 0, -48, false},
    {-1, 36, 0, 0, -48, true},
};

// The byte at a position; 0 past the buffer, so that no read leaves it.
uint8_t ByteAt(int position) {
  if (position < 0 || position > kScriptBytes) return 0;
  return ScriptBuffer[position];
}

bool IsFinalStageScript(int number) {
  return number == g_match.storyStageCount;
}

void ClearPortraits() {
  PortraitSlots[0] = PortraitSlots[1] = kNoPortrait;
}

void SetFlash(int frames) {
  FlashFrames = frames;
  FlashLength = frames;
}

void RunEffect(uint8_t digit) {
  if (digit < '1' || digit > '7') return;
  const ScriptEffect& e = kEffects[digit - '1'];
  if (e.sound >= 0) PlaySoundEntry(e.sound);
  SetFlash(e.flash);
  if (e.shake != 0) ScreenShake = e.shake;
  if (e.slow != 0) SlowMotionFrames = e.slow;
  if (e.wait != 0) ScriptWait = e.wait;
  if (e.lightsOn) ArenaBlackout = 0;
}

// The arena event: the middle of the wall row opens with a blast, the first two players look up
// and the third jumps into its special move.
void RunArenaEvent() {
  SetFlash(30);
  PlaySoundEntry(kSoundWall);
  PlaySoundEntry(kSoundBomb);
  for (int column : {9, 10}) {
    g_arenaMap.openTimer[column + kMapColumns * kOpenedWallRow] = kOpenedWallFrames;
  }
  g_players[0].heading = 64;
  g_players[1].heading = 64;
  BattleObject& jumper = g_players[2];
  jumper.state = 8;
  jumper.stateTimer = 0;
  jumper.recovery = 0;
  jumper.vz = -3.0f;
  ScreenShake = 20;
  SlowMotionFrames = 16;
}

// One page, read from `pos`. Every command reads its operands through Operand, which stops at a
// 0 byte: the command is then dropped and the page ends there.
class PageReader {
 public:
  PageReader(int number, int pos) : final_(IsFinalStageScript(number)), pos_(pos) {}

  int Run() {
    uint32_t previous[kMessageColumns * kMessageRows];
    std::memcpy(previous, MessageGrid, sizeof previous);
    std::memset(MessageGrid, 0, sizeof MessageGrid);
    std::memset(EndingTextRows, 0, sizeof EndingTextRows);
    if (ByteAt(pos_) != 0) Loop(previous);
    g_players[0].recovery = kPageTurnRecovery;
    return pos_;
  }

 private:
  // Reads the operand bytes after a command byte into out; false at a 0 byte, where the read
  // position then stays.
  bool Operands(int count, uint8_t* out) {
    for (int i = 0; i < count; ++i) {
      out[i] = ByteAt(pos_ + 1 + i);
      if (out[i] == 0) {
        pos_ += 1 + i;
        return false;
      }
    }
    pos_ += 1 + count;
    return true;
  }

  // The commands that chain inside one pass. False when the page has ended.
  bool ChainedCommands() {
    uint8_t op[1];
    if (ByteAt(pos_) == 'G') {
      PreviousPictureIndex = PictureIndex;
      PictureIndex = static_cast<uint16_t>(PictureIndex + 1);
      PictureFadeFrames = 12;
      ++pos_;
    }
    if (ByteAt(pos_) == 'N') {
      NamePlateFrames = 300;
      ++pos_;
    }
    if (ByteAt(pos_) == 'E') {
      ClearPortraits();
      ++pos_;
    }
    if (ByteAt(pos_) == 'B') {
      if (!Operands(1, op)) return false;
      if (op[0] == '1') ArenaBlackout = 1;
      if (op[0] == '2') ArenaBlackout = 0;
    }
    if (ByteAt(pos_) == 'S') {
      if (!Operands(1, op)) return false;
      RunEffect(op[0]);
    }
    if (ByteAt(pos_) == 'D') {
      ScriptWait = 32;
      ++pos_;
      return false;
    }
    if (ByteAt(pos_) == 'M') {
      ++pos_;
      RunArenaEvent();
    }
    return true;
  }

  // A character into the message grid, or into the ending's rows for the final stage. False
  // when the page has ended.
  bool Character() {
    const uint8_t first = ByteAt(pos_);
    const uint8_t second = ByteAt(pos_ + 1);
    if (second == 0) {
      // A lead byte at the very end has no second byte: the text stops before it.
      ++pos_;
      return false;
    }
    pos_ += 2;
    bool full;
    if (final_) {
      EndingTextRows[row_][column_] = static_cast<char>(first);
      EndingTextRows[row_][column_ + 1] = static_cast<char>(second);
      column_ += 2;
      full = column_ >= kEndingRowBytes;
    } else {
      MessageGrid[column_ * kMessageRows + row_] = static_cast<uint32_t>(first) << 8 | second;
      column_ += 1;
      full = column_ >= kMessageColumns;
    }
    if (full || ByteAt(pos_) == '~') {
      ++row_;
      column_ = 0;
      if (ByteAt(pos_) == '~') ++pos_;
    }
    if (ByteAt(pos_) == '\\') {
      ++pos_;
      return false;
    }
    if (row_ == kMessageRows) {
      // The byte after a third row is the page's "\"; a 0 there stays, since it ends the script.
      if (ByteAt(pos_) != 0) ++pos_;
      return false;
    }
    return true;
  }

  void Loop(const uint32_t* previous) {
    for (;;) {
      if (ByteAt(pos_) == '\\') {
        // Left unread, it would end every later page at once and the script would never end.
        ++pos_;
        return;
      }
      if (ByteAt(pos_) == '#') {
        while (ByteAt(pos_) != '\n' && ByteAt(pos_) != 0) ++pos_;
      }
      if (!ChainedCommands()) return;
      uint8_t op[3];
      switch (ByteAt(pos_)) {
        case 0:
          return;
        case 'T': {
          if (!Operands(2, op)) return;
          const int player = op[0] >= '1' && op[0] <= '3' ? op[0] - '0' : 0;
          if (op[1] >= '0' && op[1] <= '7') g_players[player].heading = 32 * (op[1] - '0');
          break;
        }
        case 'P':
          if (!Operands(1, op)) return;
          if (op[0] == '+' || op[0] == '-') {
            const int count = g_match.playerCount + (op[0] == '+' ? 1 : -1);
            // Every loop over the players takes four at most.
            g_match.playerCount = count < 1 ? 1 : (count > kMaxPlayers ? kMaxPlayers : count);
          }
          break;
        case '!':
        case '$': {
          const bool entry = ByteAt(pos_) == '!';
          if (!Operands(1, op)) return;
          if (op[0] >= '1' && op[0] <= '4') {
            g_playerState.entryFrames[op[0] - '1'] = entry ? 1 : -30;
          }
          std::memcpy(MessageGrid, previous, sizeof MessageGrid);
          return;
        }
        case '>':
          if (!Operands(3, op)) return;
          SetSpeaker(op[0], op[1], op[2]);
          break;
        case '_':
          return;  // left for the step to find
        case '\n':
        case '\r':
          ++pos_;
          break;
        default:
          if (!Character()) return;
          break;
      }
      if (ByteAt(pos_) == 0) return;
    }
  }

  static void SetSpeaker(uint8_t slot, uint8_t letter, uint8_t expression) {
    if (slot != '1' && slot != '2') return;
    const int s = slot - '1';
    SpeakerSlot = s;
    if (letter >= 'A' && letter <= 'J') {
      PortraitSlots[s] = static_cast<uint16_t>(letter - 'A' + 1);
    } else if (letter == 'P') {
      PortraitSlots[s] = 0;
    } else {
      PortraitSlots[s] = letter;
    }
    PortraitExpressions[s] = static_cast<uint16_t>(expression - '0');
  }

  bool final_;
  int pos_;
  int row_ = 0;
  int column_ = 0;
};

// Reads a file as text: a carriage return before a line feed is dropped, as the game's scripts
// were written with both. Up to `capacity` bytes; -1 when the file cannot be read.
int ReadScriptFile(const std::string& path, uint8_t* out, int capacity) {
  // A folder, a device or a pipe in the script's place is no script.
  FILE* file = morrow::OpenGameInput(path);
  if (file == nullptr) return -1;
  int length = 0;
  int pendingReturn = 0;  // a carriage return waiting to see whether a line feed follows
  int c;
  while (length < capacity && (c = std::fgetc(file)) != EOF) {
    if (pendingReturn != 0) {
      pendingReturn = 0;
      if (c != '\n') {
        out[length++] = '\r';
        if (length == capacity) break;
      }
    }
    if (c == '\r') {
      pendingReturn = 1;
      continue;
    }
    out[length++] = static_cast<uint8_t>(c);
  }
  if (pendingReturn != 0 && length < capacity) out[length++] = '\r';
  std::fclose(file);
  return length;
}

}  // namespace

bool ScenarioFileName(int number, int kind, int routeA, int routeB, char* out, size_t size) {
  int written;
  if (kind == 1) {
    written =
        number < kLostFightScripts
            ? std::snprintf(out, size, "Resource\\Srd\\ex1%02d.srd", number)
            : std::snprintf(out, size, "Resource\\Srd\\ex1%02db.srd", number - kLostFightScripts);
  } else if (number == kSecondFightLostScript) {
    written = std::snprintf(out, size, "Resource\\Srd\\02b.srd");
  } else {
    const bool routeVariant = ((number == 7 || number == 8) && routeA == 1) ||
                              ((number == 15 || number == 16 || number == 17) && routeB == 1);
    written = std::snprintf(
        out, size, routeVariant ? "Resource\\Srd\\%02dn.srd" : "Resource\\Srd\\%02d.srd", number);
  }
  return written > 0 && static_cast<size_t>(written) < size;
}

int LoadScenarioScript(int number) {
  ScriptReadPointer = 0;
  char name[48];
  if (!ScenarioFileName(number, g_match.storyKind, RouteFlagA, RouteFlagB, name, sizeof name)) {
    return 0;
  }
  std::string mapped;
  if (!morrow::MapGamePath(name, &mapped)) return 0;
  const int length = ReadScriptFile(mapped, ScriptBuffer, kScriptBytes);
  if (length < 0) {
    morrow::WriteLogFormat("Scenario script %s cannot be read", morrow::LogText(name).c_str());
    return 0;
  }
  // Nothing of an earlier, longer script may remain after this one.
  std::memset(ScriptBuffer + length, 0, sizeof ScriptBuffer - static_cast<size_t>(length));
  ClearPortraits();
  SpeakerChanged = 1;
  ScriptWait = 0;
  return 99;
}

void RunScenarioScript(int number) {
  ScriptReadPointer = PageReader(number, ScriptReadPointer).Run();
}

int StepScenario(int number) {
  const bool finalScript = IsFinalStageScript(number);
  enum class Decision { kNone, kWait, kAdvance } decision = Decision::kNone;
  const int players = PlayerCountUpToFour();
  for (int p = 0; p < players && decision == Decision::kNone; ++p) {
    int32_t& entry = g_playerState.entryFrames[p];
    if (ScriptWait == 1) {
      decision = Decision::kAdvance;
      ClearPortraits();
    } else if (ScriptWait != 0) {
      decision = Decision::kWait;
    } else if (entry == kEntryDone) {
      decision = Decision::kAdvance;
    } else if (entry >= 1 && entry < kEntryDone) {
      decision = Decision::kWait;
    } else if (finalScript && SceneFrame == 1) {
      decision = Decision::kAdvance;
    } else if (entry == -1) {
      decision = Decision::kAdvance;
      ClearPortraits();
      entry = 0;
    } else if (entry < -1) {
      ++entry;
      decision = Decision::kWait;
    }
  }
  if (decision == Decision::kNone) {
    const int32_t button1 = HeldFrameCounts[kInputButton1][0];
    if (HeldFrameCounts[kInputButton3][0] > 0 || button1 == 1 || button1 == 2) {
      decision = Decision::kAdvance;
    }
  }

  int result = 0;
  if (decision == Decision::kAdvance) {
    HeldFrameCounts[kInputButton1][0] = kHeldOnce;
    const int32_t speakerBefore = SpeakerSlot;
    if (ByteAt(ScriptReadPointer) == '_') {
      const int32_t type = number >= 0 && number < 32 ? StageTypeTable[number] : 0;
      if (StoryPreFight > 120 && (type & 1) == 0) FadeCaptureRequest = 1;
      result = type != 0 ? 1 : RoundWinner;
    } else {
      RunScenarioScript(number);
    }
    SpeakerChanged = SpeakerSlot != speakerBefore ? 1 : 0;
  }

  if (!finalScript && ByteAt(ScriptReadPointer) != 0) DrawMessageWindow();
  if (ScriptWait > 0) {
    --ScriptWait;
  } else if (ScriptWait < 0) {
    ++ScriptWait;
  }
  return result;
}

int PortraitCell(int slot) {
  if (slot < 0 || slot > 1) return -1;
  const int portrait = PortraitSlots[slot];
  const int expression = PortraitExpressions[slot];
  if (portrait >= kPortraitSheets || expression >= kExpressions) return -1;
  return portrait * kExpressions + expression;
}

}  // namespace veyrdale
