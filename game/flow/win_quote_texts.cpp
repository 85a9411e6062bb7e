// The win quotes' texts and expressions. The game's own texts are not part of the project: these
// are placeholders, generated from a few GBK pieces so that every line says whose quote it is,
// which one and which line, in at most 24 full-width characters. A quote of the game replaces a
// set here without changing the tables' shape.
#include <cstdint>

#include "game/flow/win_quotes.h"

namespace veyrdale {

namespace {

constexpr const char kCharacterWord[] = "\xBD\xC7\xC9\xAB";                 // 角色
constexpr const char kWideSpace[] = "\xA1\xA1";                             // the ideographic space
constexpr const char kWinWords[] = "\xCA\xA4\xC0\xFB\xCC\xA8\xB4\xCA";      // 胜利台词
constexpr const char kSpecialWords[] = "\xCC\xD8\xB1\xF0\xCC\xA8\xB4\xCA";  // 特别台词
constexpr const char kNumberWord[] = "\xC6\xE4";                            // 其
constexpr const char kOrdinals[] = "\xD2\xBB\xB6\xFE\xC8\xFD\xCB\xC4\xCE\xE5\xC1\xF9\xC6\xDF";
// （占位）这是占位用的台词。
constexpr const char kPlaceholderLine[] =
    "\xA3\xA8\xD5\xBC\xCE\xBB\xA3\xA9\xD5\xE2\xCA\xC7\xD5\xBC\xCE\xBB\xD3\xC3\xB5\xC4\xCC\xA8\xB4"
    "\xCA\xA1\xA3";
constexpr const char kLineWord[] = "\xB5\xDA";  // 第
constexpr const char kLineEnd[] = "\xD0\xD0";   // 行
constexpr const char kWideZero[] = "\xA3\xB0";  // ０

struct QuoteTexts {
  QuoteLines win[kQuoteCharacters][kOrdinaryQuotes];
  QuoteLines special[kQuoteCharacters][kSpecialQuotes];
};

struct LineWriter {
  char* line;
  int at = 0;
  constexpr void Put(const char* piece, int bytes) {
    for (int i = 0; i < bytes; ++i) line[at++] = piece[i];
  }
  constexpr void Put(const char* piece) {
    int bytes = 0;
    while (piece[bytes] != 0) ++bytes;
    Put(piece, bytes);
  }
  constexpr void Digit(int d) {
    line[at++] = kWideZero[0];
    line[at++] = static_cast<char>(kWideZero[1] + d);
  }
};

// A quote of `lines` lines: who and which, a placeholder sentence, the line's number.
constexpr void WriteQuote(QuoteLines& quote, int c, int n, bool special, int lines) {
  LineWriter first{quote[0]};
  first.Put(kCharacterWord);
  first.Digit(c / 10);
  first.Digit(c % 10);
  first.Put(kWideSpace);
  first.Put(special ? kSpecialWords : kWinWords);
  first.Put(kNumberWord);
  first.Put(kOrdinals + 2 * n, 2);
  for (int l = 1; l < lines; ++l) {
    LineWriter next{quote[l]};
    if (l == 1) {
      next.Put(kPlaceholderLine);
    } else {
      next.Put(kLineWord);
      next.Digit(l + 1);
      next.Put(kLineEnd);
    }
  }
}

constexpr QuoteTexts MakeQuoteTexts() {
  QuoteTexts t{};
  for (int c = 0; c < kQuoteCharacters; ++c) {
    for (int q = 0; q < kOrdinaryQuotes; ++q) WriteQuote(t.win[c][q], c, q, false, 1 + q % 3);
    for (int k = 0; k < kSpecialQuotes; ++k) WriteQuote(t.special[c][k], c, k, true, 3);
  }
  return t;
}

constexpr QuoteTexts kQuoteTexts = MakeQuoteTexts();

template <int N>
constexpr auto MakeExpressions(int offset) {
  struct Table {
    int32_t cells[kQuoteCharacters][N];
  } t{};
  for (int c = 0; c < kQuoteCharacters; ++c) {
    for (int q = 0; q < N; ++q) t.cells[c][q] = (c + 3 * q + offset) % 10;
  }
  return t;
}

constexpr auto kOrdinaryExpressions = MakeExpressions<kOrdinaryQuotes>(0);
constexpr auto kSpecialExpressions = MakeExpressions<kSpecialQuotes>(7);

}  // namespace

const QuoteLines (&WinQuoteTable)[kQuoteCharacters][kOrdinaryQuotes] = kQuoteTexts.win;
const QuoteLines (&SpecialQuoteTable)[kQuoteCharacters][kSpecialQuotes] = kQuoteTexts.special;
const int32_t (&QuoteExpressionTable)[kQuoteCharacters][kOrdinaryQuotes] =
    kOrdinaryExpressions.cells;
const int32_t (&SpecialExpressionTable)[kQuoteCharacters][kSpecialQuotes] =
    kSpecialExpressions.cells;

}  // namespace veyrdale
