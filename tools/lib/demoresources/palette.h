// The colours of the demo pictures: one per character, told apart at a glance and far from the
// transparent green; one per player for the rings under the players and the corner badges; the
// stone of the arenas' obstacles and the silver of the items, which no character wears.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "tools/lib/demoresources/canvas.h"

namespace demo {

inline constexpr int kCharacters = 16;
inline constexpr std::array<Rgb, kCharacters> kCharacterColours = {{
    {255, 17, 17},    // 0 red
    {0, 102, 255},    // 1 blue
    {238, 221, 0},    // 2 yellow
    {255, 17, 255},   // 3 magenta
    {0, 204, 255},    // 4 sky
    {255, 153, 17},   // 5 orange
    {102, 17, 255},   // 6 violet
    {255, 187, 255},  // 7 pale pink
    {0, 238, 204},    // 8 aqua
    {119, 85, 17},    // 9 brown
    {255, 0, 136},    // 10 rose
    {68, 102, 170},   // 11 slate
    {221, 221, 153},  // 12 khaki
    {153, 51, 170},   // 13 purple
    {255, 119, 102},  // 14 salmon
    {153, 68, 102},   // 15 mauve
}};

// Ring and badge cells 0-3 are the players', cell 4 the second team's (the first team takes
// cell 0).
inline constexpr std::array<Rgb, 5> kPlayerColours = {
    {{255, 72, 72}, {72, 136, 255}, {255, 224, 40}, {232, 104, 255}, {72, 232, 255}}};

// Obstacles are stone, items silver: colours no character wears.
inline constexpr Rgb kStone = {128, 120, 110};
inline constexpr Rgb kItemSilver = {236, 236, 236};
// What shots and effects that several characters share are drawn in.
inline constexpr Rgb kNeutralGlow = {255, 244, 200};
inline constexpr Rgb kInk = {16, 16, 24};

// The shade of a character's head and hands in colour slot 0-7: slot 0 wears the character's
// colour all over, the others lighten or darken head and hands, so that two players of one
// character differ while the body keeps the character's colour.
Rgb SlotShade(Rgb base, int slot);

// a toward b by t (0-1).
Rgb Mix(Rgb a, Rgb b, double t);
Rgb Lighter(Rgb c, double t);  // toward white
Rgb Darker(Rgb c, double t);   // toward black

// How far apart two colours look: the distance of their CIE L*a*b* values (D65).
double ColourDistance(Rgb a, Rgb b);

// A number from a name, to vary the looks of pictures that have nothing else to tell them apart.
uint32_t NameHash(std::string_view name);

// Whether a 16-bit (5:6:5) screen would take the colour for the transparent green.
bool LooksTransparent(Rgb c);

}  // namespace demo
