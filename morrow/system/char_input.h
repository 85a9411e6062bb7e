// Character input and the input method: the ring of typed character codes that the window
// procedure fills (WM_CHAR bytes, five editing keys, composed text), the input method's
// composition as its messages leave it, and key-input strings that take characters from the ring
// once per pump and edit a line of text with them.
//
// Texts are GBK: a lead byte (IsLeadByte, morrow/graphics/font.h) starts a two-byte character.
// The ring never keeps half a character: a lead byte is taken only when its trail byte fits too,
// and the trail byte of a refused lead byte is refused with it. Key-input strings find character
// boundaries by scanning from the start of their text, since trail bytes can look like lead
// bytes.
#pragma once

#include <cstdint>

namespace morrow {

// The control codes the editing keys put into the ring; 8, 9, 13 and 27 arrive as characters.
inline constexpr int kCharCodeDelete = 0x10;
inline constexpr int kCharCodeRight = 0x1C;
inline constexpr int kCharCodeLeft = 0x1D;
inline constexpr int kCharCodeUp = 0x1E;
inline constexpr int kCharCodeDown = 0x1F;

// Clears the ring and the input-method state and sets the key-input display values. 0.
int InitCharCodeBuffer();
// 0, or -1 when the byte was refused (the ring is full, or the byte is the trail of a refused
// lead byte).
int PutCharCode(int code);
// 1 when the character-code ring has no room.
int IsCharCodeRingFull();
// The next character into out (both bytes cleared first): its byte count 1 or 2, or 0 when the
// ring is empty or holds only the lead byte of a pair. With consume 0 it stays in the ring.
int GetCharCode(unsigned char out[2], int consume);
// Characters that start within the first byteCount bytes of text; stops at a zero byte.
int CountCharsInBytes(const char* text, int byteCount);
// 1 for the five control codes above.
int IsControlCharCode(int code);

// The window procedure's result for the input-method messages: 0 at once while the input
// method is disabled.
int64_t HandleImeMessage(uintptr_t window, uint32_t message, uint64_t wParam, int64_t lParam);
// Switches the window's input method; disabling also drops the composition and the candidate
// list. 0.
int SetImeEnabled(int flag);
// The input method's state as the handler keeps it. The pointers stay valid until the next
// input-method message.
struct ImeState {
  int enabled;
  int openStatus;
  int inputUsed;
  int composing;
  const char* composition;  // zero-terminated, at most 1023 bytes
  int cursor;               // in characters
  int clauseCount;
  const uint8_t* clauses;  // clauseCount 32-bit offsets
  const void* candidates;  // the candidate list's copy, null when there is none
  int candidateBytes;
};
ImeState GetImeState();

// Key-input strings (handle kind 0x50000000, 20 slots). MakeKeyInput: a string of at most
// maxBytes bytes (1 or more); escapeAllowed lets Escape cancel it, singleByteOnly refuses
// two-byte characters, digitsOnly refuses everything but '0'-'9' and a '-' at the start. -1 for
// a bad size or a full table.
int MakeKeyInput(int maxBytes, int escapeAllowed, int singleByteOnly, int digitsOnly);
// The string the pump feeds (-1: none). -1 for a handle that is not live.
int SetActiveKeyInput(int handle);
// The text, zero-terminated, cut at a character boundary to fit size. -1 for a handle that is
// not live or no room.
int GetKeyInputText(int handle, char* buffer, int size);
// Any pointer may be null. -1 for a handle that is not live.
int GetKeyInputState(int handle, int* length, int* cursor, int* ended, int* cancelled);
int DeleteKeyInput(int handle);
int DeleteAllKeyInputs();
// Run by every pump, with the pump's nesting guard set: the active string takes characters
// from the ring until it is empty or the string ends. -1 when the active handle is not live.
int ProcessKeyInput();
// The cursor shown from now for a blink period. 0.
int ResetInputBlink();

}  // namespace morrow
