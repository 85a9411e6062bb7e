#include "morrow/system/char_input.h"

#include <algorithm>
#include <cstring>

#include "morrow/device/color_format.h"
#include "morrow/graphics/font.h"
#include "morrow/graphics/handle.h"
#include "morrow/system/log.h"
#include "morrow/system/memory.h"
#include "morrow/system/time.h"
#include "morrow/system/window.h"
#include "morrow/system/window_state.h"
#include "platform/window.h"

namespace morrow {
namespace {

namespace msg = platform::msg;

constexpr int kRingSize = 1025;
constexpr int kCompositionSize = 1024;
constexpr int kClauseBytes = 1024;
// How long a change of the open status lets the messages it causes arrive.
constexpr int64_t kOpenStatusPumpMicroseconds = 2000;

struct KeyInputRecord {
  uint32_t used;
  uint32_t checkNumber;
  int32_t ended;
  int32_t cancelled;
  int32_t length;
  int32_t maxLength;
  int32_t cursor;
  char* text;  // maxLength + 1 bytes, zero-terminated
  int32_t escapeAllowed;
  int32_t singleByteOnly;
  int32_t digitsOnly;
};

using KeyInputTable = InlineHandleTable<KeyInputRecord, kKeyInputHandle, kKeyInputLimit>;

// What the next byte put into the ring is, after a lead byte.
enum class NextByte { kAny, kTrail, kDroppedTrail };

struct CharInputState {
  uint8_t ring[kRingSize] = {};
  int read = 0;
  int write = 0;
  NextByte next = NextByte::kAny;

  int imeEnabled = 0;
  int openStatus = 0;
  int inputUsed = 0;
  int composing = 0;
  char composition[kCompositionSize] = {};
  int compositionCursor = 0;
  uint8_t clauses[kClauseBytes] = {};
  int clauseCount = 0;
  void* candidates = nullptr;
  int candidateBytes = 0;
  int inOpenStatus = 0;

  uint32_t colours[7] = {};
  int32_t blinkStart = 0;
  int32_t blinkPeriod = 500;
  int cursorShown = 1;
  int active = -1;
};

CharInputState g_input;
KeyInputTable g_keyInputs;

platform::WindowService& Service() {
  return platform::CurrentWindowService();
}

bool IsLead(uint8_t b) {
  return IsControlCharCode(b) == 0 && IsLeadByte(&b, WindowState().leadByteSelector) != 0;
}

int RingFree() {
  return (g_input.read - g_input.write - 1 + kRingSize) % kRingSize;
}

void RingPush(uint8_t b) {
  g_input.ring[g_input.write] = b;
  g_input.write = (g_input.write + 1) % kRingSize;
}

void FreeCandidates() {
  FreeMemory(g_input.candidates);
  g_input.candidates = nullptr;
  g_input.candidateBytes = 0;
}

void ClearComposition() {
  g_input.composition[0] = '\0';
  g_input.composing = 0;
}

void FetchCandidates() {
  platform::WindowService& svc = Service();
  const int size = svc.CandidateList(nullptr, 0);
  if (size <= 0) {
    WriteLogFormat("漢字変換候補のデータサイズが０でした  DefHWND:%x IMC:%x",
                   static_cast<unsigned>(GetMainWindow()), 0u);
    return;
  }
  FreeCandidates();
  g_input.candidates = AllocateMemory(static_cast<size_t>(size));
  if (g_input.candidates == nullptr) {
    ExitWithErrorFormat(
        "漢字変換候補を保存するメモリの確保に失敗しました( 確保しようとしたサイズ %d バイト )",
        size);
  }
  if (svc.CandidateList(g_input.candidates, size) == 0) {
    FreeCandidates();
    WriteLogFormat("漢字変換候補の取得に失敗しました  BufSize:%d", size);
    return;
  }
  g_input.candidateBytes = size;
}

// The input method's composition, cut to leave room for the terminator.
void ReadComposition() {
  const std::string& text = Service().InputMethod().composition;
  const size_t n = std::min(text.size(), static_cast<size_t>(kCompositionSize - 1));
  std::memcpy(g_input.composition, text.data(), n);
  g_input.composition[n] = '\0';
}

void PumpForOpenStatus() {
  if (g_input.inOpenStatus != 0) return;
  g_input.inOpenStatus = 1;
  const int64_t start = GetHighResolutionCount(0);
  while (GetHighResolutionCount(0) - start < kOpenStatusPumpMicroseconds) {
    if (PumpMessages() != 0) break;
  }
  g_input.inOpenStatus = 0;
}

int64_t HandleComposition(int64_t parts) {
  platform::InputMethodState& ime = Service().InputMethod();
  if ((parts & msg::kCompositionString) != 0) ReadComposition();
  if ((parts & msg::kCompositionResult) != 0) {
    const std::string result = std::move(ime.result);
    ime.result.clear();
    for (unsigned char c : result) PutCharCode(c);
    ReadComposition();
  }
  if ((parts & msg::kCompositionCursor) != 0) {
    g_input.compositionCursor = CountCharsInBytes(g_input.composition, ime.cursor);
  }
  if ((parts & msg::kCompositionClauses) != 0) {
    const size_t bytes = std::min(ime.clauses.size(), static_cast<size_t>(kClauseBytes));
    if (bytes > 0) std::memcpy(g_input.clauses, ime.clauses.data(), bytes);
    g_input.clauseCount = static_cast<int>(bytes / 4);
  }
  return 0;
}

int64_t HandleNotify(uint64_t command) {
  switch (command) {
    case msg::kImeChangeCandidate:
    case msg::kImeOpenCandidate:
    case msg::kImeSetCandidatePos:
      FetchCandidates();
      return 0;
    case msg::kImeCloseCandidate:
      FreeCandidates();
      return 0;
    case msg::kImeSetOpenStatus:
      PumpForOpenStatus();
      g_input.openStatus = Service().InputMethod().enabled ? 1 : 0;
      return 0;
    default:
      return 0;
  }
}

// Where the character at byte pos of a key-input text ends: a lead byte with a byte after it
// covers two.
int CharEnd(const KeyInputRecord& k, int pos) {
  const bool pair = IsLead(static_cast<uint8_t>(k.text[pos])) && pos + 1 < k.length;
  return pos + (pair ? 2 : 1);
}

// Where the character before byte pos starts, found by scanning from the start.
int CharStartBefore(const KeyInputRecord& k, int pos) {
  int start = 0;
  for (int i = 0; i < pos; i = CharEnd(k, i)) start = i;
  return start;
}

void RemoveBytes(KeyInputRecord* k, int from, int to) {
  std::memmove(k->text + from, k->text + to, static_cast<size_t>(k->length - to) + 1);
  k->length -= to - from;
}

bool Acceptable(const KeyInputRecord& k, const unsigned char* c, int n) {
  if (c[0] == 0 || (n == 2 && c[1] == 0)) return false;  // the text is zero-terminated
  if (k.digitsOnly != 0 &&
      (n != 1 || !((c[0] >= '0' && c[0] <= '9') || (c[0] == '-' && k.cursor == 0)))) {
    return false;
  }
  if (k.singleByteOnly != 0 && n == 2) return false;
  // A character longer than the whole string could never be made room for.
  return n <= k.maxLength;
}

void InsertCharacter(KeyInputRecord* k, const unsigned char* c, int n) {
  if (!Acceptable(*k, c, n)) return;
  while (k->length + n > k->maxLength) {
    const int start = CharStartBefore(*k, k->length);
    k->length = start;
    k->text[start] = '\0';
    k->cursor = std::min(k->cursor, k->length);
  }
  std::memmove(k->text + k->cursor + n, k->text + k->cursor,
               static_cast<size_t>(k->length - k->cursor) + 1);
  std::memcpy(k->text + k->cursor, c, static_cast<size_t>(n));
  k->cursor += n;
  k->length += n;
}

void ApplyCharacter(KeyInputRecord* k, const unsigned char* c, int n) {
  switch (n == 1 ? c[0] : -1) {
    case 8:
      if (k->cursor > 0) {
        const int start = CharStartBefore(*k, k->cursor);
        RemoveBytes(k, start, k->cursor);
        k->cursor = start;
      }
      return;
    case kCharCodeDelete:
      if (k->cursor < k->length) RemoveBytes(k, k->cursor, CharEnd(*k, k->cursor));
      return;
    case kCharCodeRight:
      if (k->cursor < k->length) k->cursor = CharEnd(*k, k->cursor);
      return;
    case kCharCodeLeft:
      if (k->cursor > 0) k->cursor = CharStartBefore(*k, k->cursor);
      return;
    case 13:
      k->ended = 1;
      return;
    case 27:
      if (k->escapeAllowed != 0) {
        k->cancelled = 1;
        k->ended = 1;
      }
      return;
    case 9:
    case kCharCodeUp:
    case kCharCodeDown:
      return;
    default:
      InsertCharacter(k, c, n);
      return;
  }
}

}  // namespace

int InitCharCodeBuffer() {
  WriteLog("文字コードバッファの初期化を行います... ");
  FreeCandidates();
  g_input = CharInputState{};
  static constexpr int kColours[7][3] = {{255, 255, 255}, {255, 255, 255}, {255, 255, 0},
                                         {0, 255, 255},   {255, 255, 255}, {255, 50, 50},
                                         {255, 255, 20}};
  for (int i = 0; i < 7; ++i) {
    g_input.colours[i] = PackScreenColor(kColours[i][0], kColours[i][1], kColours[i][2]);
  }
  g_input.blinkStart = 0;
  g_input.blinkPeriod = 500;
  g_input.cursorShown = 1;
  g_input.active = -1;
  WriteLog("完了しました\n");
  return 0;
}

int PutCharCode(int code) {
  const auto b = static_cast<uint8_t>(code & 0xFF);
  switch (g_input.next) {
    case NextByte::kTrail:
      // Its room was kept when the lead byte was taken.
      g_input.next = NextByte::kAny;
      RingPush(b);
      return 0;
    case NextByte::kDroppedTrail:
      g_input.next = NextByte::kAny;
      return -1;
    case NextByte::kAny:
      break;
  }
  const bool lead = IsLead(b);
  if (RingFree() < (lead ? 2 : 1)) {
    if (lead) g_input.next = NextByte::kDroppedTrail;
    return -1;
  }
  RingPush(b);
  if (lead) g_input.next = NextByte::kTrail;
  return 0;
}

int IsCharCodeRingFull() {
  return RingFree() == 0 ? 1 : 0;
}

int GetCharCode(unsigned char out[2], int consume) {
  out[0] = out[1] = 0;
  if (g_input.read == g_input.write) return 0;
  int r = g_input.read;
  const uint8_t first = g_input.ring[r];
  r = (r + 1) % kRingSize;
  int n = 1;
  if (IsLead(first)) {
    if (r == g_input.write) return 0;  // the trail byte is still to come
    out[1] = g_input.ring[r];
    r = (r + 1) % kRingSize;
    n = 2;
  }
  out[0] = first;
  if (consume != 0) g_input.read = r;
  return n;
}

int CountCharsInBytes(const char* text, int byteCount) {
  int count = 0;
  for (int i = 0; i < byteCount && text[i] != '\0'; ++count) {
    const bool pair = IsLead(static_cast<uint8_t>(text[i])) && text[i + 1] != '\0';
    i += pair ? 2 : 1;
  }
  return count;
}

int IsControlCharCode(int code) {
  switch (code) {
    case kCharCodeDelete:
    case kCharCodeRight:
    case kCharCodeLeft:
    case kCharCodeUp:
    case kCharCodeDown:
      return 1;
    default:
      return 0;
  }
}

int64_t HandleImeMessage(uintptr_t, uint32_t message, uint64_t wParam, int64_t lParam) {
  if (g_input.imeEnabled == 0) return 0;
  g_input.inputUsed = 1;
  ResetInputBlink();
  switch (message) {
    case msg::kImeSetContext:
      // The default handling would show the input method's own windows; it has none here.
      return 0;
    case msg::kImeNotify:
      return HandleNotify(wParam);
    case msg::kImeStartComposition:
      g_input.composing = 1;
      g_input.compositionCursor = 0;
      return 0;
    case msg::kImeEndComposition:
      ClearComposition();
      return 0;
    case msg::kImeComposition:
      return HandleComposition(lParam);
    default:
      return 0;
  }
}

int SetImeEnabled(int flag) {
  flag = flag != 0 ? 1 : 0;
  if (flag == g_input.imeEnabled) return 0;
  Service().EnableInputMethod(flag != 0);
  g_input.imeEnabled = flag;
  if (flag == 0) {
    FreeCandidates();
    ClearComposition();
  }
  return 0;
}

ImeState GetImeState() {
  return ImeState{g_input.imeEnabled,    g_input.openStatus,  g_input.inputUsed,
                  g_input.composing,     g_input.composition, g_input.compositionCursor,
                  g_input.clauseCount,   g_input.clauses,     g_input.candidates,
                  g_input.candidateBytes};
}

int MakeKeyInput(int maxBytes, int escapeAllowed, int singleByteOnly, int digitsOnly) {
  if (maxBytes < 1) return -1;
  const int slot = g_keyInputs.FreeSlot();
  if (slot < 0) return -1;
  auto* text = static_cast<char*>(AllocateZeroMemory(static_cast<size_t>(maxBytes) + 1));
  if (text == nullptr) return -1;
  const int handle = g_keyInputs.Insert(slot);
  KeyInputRecord& k = g_keyInputs.records[slot];
  k.maxLength = maxBytes;
  k.text = text;
  k.escapeAllowed = escapeAllowed != 0 ? 1 : 0;
  k.singleByteOnly = singleByteOnly != 0 ? 1 : 0;
  k.digitsOnly = digitsOnly != 0 ? 1 : 0;
  return handle;
}

int SetActiveKeyInput(int handle) {
  if (handle != -1 && g_keyInputs.Get(handle) == nullptr) return -1;
  g_input.active = handle;
  return 0;
}

int GetKeyInputText(int handle, char* buffer, int size) {
  const KeyInputRecord* k = g_keyInputs.Get(handle);
  if (k == nullptr || buffer == nullptr || size < 1) return -1;
  int n = 0;
  while (n < k->length && CharEnd(*k, n) <= size - 1) n = CharEnd(*k, n);
  std::memcpy(buffer, k->text, static_cast<size_t>(n));
  buffer[n] = '\0';
  return 0;
}

int GetKeyInputState(int handle, int* length, int* cursor, int* ended, int* cancelled) {
  const KeyInputRecord* k = g_keyInputs.Get(handle);
  if (k == nullptr) return -1;
  if (length != nullptr) *length = k->length;
  if (cursor != nullptr) *cursor = k->cursor;
  if (ended != nullptr) *ended = k->ended;
  if (cancelled != nullptr) *cancelled = k->cancelled;
  return 0;
}

int DeleteKeyInput(int handle) {
  KeyInputRecord* k = g_keyInputs.Get(handle);
  if (k == nullptr) return -1;
  FreeMemory(k->text);
  g_keyInputs.Remove(handle);
  if (g_input.active == handle) g_input.active = -1;
  if (g_keyInputs.count == 0) SetImeEnabled(0);
  return 0;
}

int DeleteAllKeyInputs() {
  for (int i = 0; i < KeyInputTable::kLimit; ++i) {
    const KeyInputRecord& k = g_keyInputs.records[i];
    if (k.used != 0) DeleteKeyInput(MakeHandle(kKeyInputHandle, k.checkNumber, i));
  }
  g_input.active = -1;
  return 0;
}

int ProcessKeyInput() {
  if (g_input.active == -1) return 0;
  KeyInputRecord* k = g_keyInputs.Get(g_input.active);
  if (k == nullptr) return -1;
  unsigned char c[2];
  while (k->ended == 0) {
    const int n = GetCharCode(c, 1);
    if (n == 0) break;
    ResetInputBlink();
    ApplyCharacter(k, c, n);
  }
  return 0;
}

int ResetInputBlink() {
  g_input.blinkStart = GetMillisecondCount(0);
  g_input.cursorShown = 1;
  return 0;
}

}  // namespace morrow
