// The colours of the demo pictures: one per character, told apart at a glance and far from the
// transparent green; one per player for the rings under the players, their tags and the corner
// badges, far from every character's; the stone of the arenas' obstacles and the silver of the
// items, which no character wears.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "tools/lib/demoresources/canvas.h"

namespace demo {

inline constexpr int kCharacters = 16;
inline constexpr std::array<Rgb, kCharacters> kCharacterColours = {{
    {136, 34, 17},    // 0 rust
    {238, 119, 204},  // 1 orchid
    {136, 153, 0},    // 2 olive
    {136, 17, 255},   // 3 electric violet
    {0, 170, 255},    // 4 sky
    {255, 153, 34},   // 5 orange
    {17, 68, 51},     // 6 forest
    {255, 204, 255},  // 7 pale pink
    {153, 255, 187},  // 8 mint
    {119, 85, 0},     // 9 brown
    {255, 0, 136},    // 10 rose
    {51, 85, 136},    // 11 slate
    {204, 204, 136},  // 12 khaki
    {136, 34, 153},   // 13 purple
    {255, 136, 136},  // 14 salmon
    {136, 68, 102},   // 15 mauve
}};

// Ring and badge cells 0-3 are the players', cell 4 the second team's (the first team takes
// cell 0). The players wear the loud colours and the characters the rest, so that a player is
// never taken for a character: bright enough to show when the battle adds them to the arena.
inline constexpr std::array<Rgb, 5> kPlayerColours = {{
    {255, 51, 51},   // 1 red
    {51, 119, 255},  // 2 blue
    {255, 221, 0},   // 3 yellow
    {255, 68, 255},  // 4 magenta
    {0, 221, 238},   // the second team: cyan
}};

// How far apart the colours stand (ColourDistance): a player's from every character's and from
// the other players', and the characters' from one another.
inline constexpr double kPlayerToCharacter = 40;
inline constexpr double kPlayerToPlayer = 60;
inline constexpr double kCharacterToCharacter = 35;

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
// Its CIE L*: 0 black to 100 white.
double Lightness(Rgb c);

// How light a colour is to the eye by the relative-luminance formula, 0 black to 1 white, and how
// far apart two colours stand by it: (lighter + 0.05) / (darker + 0.05), 1 to 21. Text reads at
// kLegibleContrast and above.
double RelativeLuminance(Rgb c);
double ContrastRatio(Rgb a, Rgb b);
inline constexpr double kLegibleContrast = 4.5;
// The ink of words on a plate: white on a dark plate, black on a light one, whichever contrasts
// more, which is never below 4.58:1.
Rgb InkOn(Rgb plate);

// A number from a name, to vary the looks of pictures that have nothing else to tell them apart.
uint32_t NameHash(std::string_view name);

// Whether a 16-bit (5:6:5) screen would take the colour for the transparent green.
bool LooksTransparent(Rgb c);

}  // namespace demo
