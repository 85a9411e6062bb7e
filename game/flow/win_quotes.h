// The win quotes after a versus match (scene 7): over the tinted last battle frame the winner's
// emblem spins in, then its portrait slides in with a three-line quote chosen at frame 100 from
// the winner's character, the match and chance; a press opens a statistics table with a column
// per player, a second press returns to the character selection. WinQuoteIndex and
// StatisticsShown are in game/core/result_state.h.
#pragma once

#include <cstdint>

namespace veyrdale {

constexpr int kQuoteCharacters = 16;
constexpr int kOrdinaryQuotes = 7;  // 0-5 by chance, 6 for a winner who declared no spell card
constexpr int kSpecialQuotes = 3;   // shown as 10-12, by the last character knocked out
constexpr int kQuoteLines = 3;
constexpr int kQuoteLineBytes = 64;  // a zero-terminated GBK line; an unused line is empty
constexpr int kFirstSpecialQuote = 10;

using QuoteLines = char[kQuoteLines][kQuoteLineBytes];
extern const QuoteLines (&WinQuoteTable)[kQuoteCharacters][kOrdinaryQuotes];
extern const QuoteLines (&SpecialQuoteTable)[kQuoteCharacters][kSpecialQuotes];
// The cell 0-9 of the winner's portrait sheet shown with each quote.
extern const int32_t (&QuoteExpressionTable)[kQuoteCharacters][kOrdinaryQuotes];
extern const int32_t (&SpecialExpressionTable)[kQuoteCharacters][kSpecialQuotes];

// The quote of winner character c after a match whose last knocked-out character was
// `lastKnockedOut`: `draw` (0-5), 6 when the winner declared no spell card, or 10 + k when the
// knocked-out character is the k-th of the winner's three special rivals.
int ChooseWinQuote(int c, int draw, bool cardDeclared, int lastKnockedOut);

// The lines and expression of a quote; null lines and expression 0 for a character outside 0-15
// or a quote outside 0-6 and 10-12.
const QuoteLines* WinQuoteLines(int c, int quote);
int WinQuoteExpression(int c, int quote);

void WinQuoteScene();  // 7

}  // namespace veyrdale
