// The pictures the resource loader loads, as constant tables: the menu, ending and battle lists,
// the character sheets, the per-player sheets and the arena pictures. The loader, the demo
// resource generator and its checker read these same tables, so a picture is named and cut in
// one place.
//
// Every picture is "Resource\\<name>.dat" (character sheets and per-player sheets have patterns
// of their own, below) and is cut into a grid of columns x rows cells of cellWidth x cellHeight,
// of which the first `cells` are taken, row by row.
#pragma once

#include <cstdint>
#include <iterator>

#include "game/core/match_setup.h"

namespace veyrdale {

struct PictureGrid {
  const char* name;  // null: an empty entry that loads nothing
  int cells;
  int columns;
  int rows;
  int cellWidth;
  int cellHeight;
};

// The characters whose presence in a match loads a battle picture: bit (1 << CharacterId).
using CharacterSet = uint16_t;
inline constexpr CharacterSet kAllCharacters = 0xFFFF;
template <typename... Ids>
constexpr CharacterSet Characters(Ids... ids) {
  return static_cast<CharacterSet>(((1u << ids) | ...));
}

struct BattlePicture {
  PictureGrid grid;
  CharacterSet characters;
};

inline constexpr int kMenuListSize = 36;
inline constexpr int kEndingListSize = 19;
inline constexpr int kBattleListSize = 159;

// Mode 0: slot = entry.
inline constexpr PictureGrid kMenuList[kMenuListSize] = {
    {"blk", 1, 1, 1, 322, 171},      // 0
    {"g_o2", 1, 1, 1, 424, 252},     // 1
    {"g_o", 1, 1, 1, 326, 55},       // 2
    {"bst", 16, 3, 6, 320, 240},     // 3
    {"push", 1, 1, 1, 102, 13},      // 4
    {"c_logo", 1, 1, 1, 203, 47},    // 5
    {"c_logo2", 1, 1, 1, 170, 10},   // 6
    {"mapt", 10, 1, 10, 330, 50},    // 7
    {"name", 16, 1, 16, 256, 44},    // 8
    {"font01", 18, 1, 18, 256, 53},  // 9
    {"font02", 8, 1, 8, 96, 25},     // 10
    {"font03", 12, 1, 12, 256, 12},  // 11
    {"font04", 13, 1, 13, 126, 20},  // 12
    {"font05", 1, 1, 1, 958, 12},    // 13
    {"font06", 16, 4, 4, 146, 222},  // 14
    {"line", 1, 1, 1, 446, 2},       // 15
    {"bgt00", 1, 1, 1, 640, 480},    // 16
    {"bgt01", 1, 1, 1, 640, 480},    // 17
    {"bgt02", 1, 1, 1, 640, 480},    // 18
    {"bgt03", 1, 1, 1, 640, 480},    // 19
    {"bgt04", 1, 1, 1, 640, 480},    // 20
    {"logo00", 1, 1, 1, 540, 95},    // 21
    {"green", 1, 1, 1, 334, 30},     // 22
    {"kak", 3, 1, 3, 187, 174},      // 23
    {"c_bg", 16, 8, 2, 108, 384},    // 24
    {"p_num", 5, 1, 5, 52, 11},      // 25
    {"numt", 3, 1, 3, 54, 50},       // 26
    {"wait", 1, 1, 1, 160, 64},      // 27
    {"font07", 1, 1, 1, 138, 13},    // 28
    {"font08", 2, 1, 2, 51, 50},     // 29
    {"font09", 1, 1, 1, 140, 27},    // 30
    {"font11", 2, 1, 2, 115, 12},    // 31
    {"font12", 1, 1, 1, 172, 20},    // 32
    {"font15", 1, 1, 1, 120, 28},    // 33
    {"star", 2, 2, 1, 25, 25},       // 34
    {"names", 16, 1, 16, 128, 12},   // 35
};

// Mode 2: slot = entry; entries 16-18 are empty.
inline constexpr PictureGrid kEndingList[kEndingListSize] = {
    {"logo00", 1, 1, 1, 540, 95},   // 0
    {"ed01", 1, 1, 1, 640, 480},    // 1
    {"ed02", 1, 1, 1, 640, 480},    // 2
    {"ed03", 1, 1, 1, 640, 480},    // 3
    {"ed04", 1, 1, 1, 640, 480},    // 4
    {"ed05", 1, 1, 1, 640, 480},    // 5
    {"ed06", 1, 1, 1, 640, 480},    // 6
    {"ed07", 1, 1, 1, 640, 480},    // 7
    {"ed08", 1, 1, 1, 640, 480},    // 8
    {"ed09", 1, 1, 1, 640, 480},    // 9
    {"bgs", 1, 1, 1, 1024, 512},    // 10
    {"bgs2", 1, 1, 1, 256, 480},    // 11
    {"stf01", 1, 1, 1, 248, 1024},  // 12
    {"stf02", 1, 1, 1, 248, 1024},  // 13
    {"stf03", 1, 1, 1, 248, 1024},  // 14
    {"stf04", 1, 1, 1, 248, 1024},  // 15
    {nullptr, 0, 0, 0, 0, 0},       // 16
    {nullptr, 0, 0, 0, 0, 0},       // 17
    {nullptr, 0, 0, 0, 0, 0},       // 18
};

// Mode 1: slot = entry, loaded when a player of the match plays a character of the entry's set.
inline constexpr BattlePicture kBattleList[kBattleListSize] = {
    {{"gorv", 32, 4, 8, 64, 64}, Characters(15)},          // 0
    {{"quarn", 20, 10, 3, 64, 64}, Characters(15)},        // 1
    {{"shadow2", 1, 1, 1, 32, 32}, kAllCharacters},        // 2
    {{"dot", 1, 1, 1, 2, 2}, kAllCharacters},              // 3
    {{"doll01", 56, 7, 8, 48, 48}, Characters(14)},        // 4
    {{"doll02", 56, 7, 8, 48, 48}, Characters(14)},        // 5
    {{"doll011", 4, 1, 4, 48, 48}, Characters(14)},        // 6
    {{"doll012", 4, 1, 4, 48, 48}, Characters(14)},        // 7
    {{"doll021", 4, 1, 4, 48, 48}, Characters(14)},        // 8
    {{"name", 16, 1, 16, 256, 44}, kAllCharacters},        // 9
    {{"p_num", 5, 1, 5, 52, 11}, kAllCharacters},          // 10
    {{"symbol", 16, 4, 4, 24, 24}, kAllCharacters},        // 11
    {{"names", 16, 1, 16, 128, 12}, kAllCharacters},       // 12
    {{"ready01", 3, 1, 3, 192, 22}, kAllCharacters},       // 13
    {{"ready02", 22, 6, 4, 75, 71}, kAllCharacters},       // 14
    {{"ready03", 1, 1, 1, 224, 128}, kAllCharacters},      // 15
    {{"ready04", 5, 1, 5, 264, 26}, kAllCharacters},       // 16
    {{"shot01", 8, 8, 1, 16, 16}, Characters(1)},          // 17
    {{"shot02", 16, 8, 2, 32, 32}, Characters(1)},         // 18
    {{"shot02b", 16, 8, 2, 48, 48}, Characters(1)},        // 19
    {{"shot04", 1, 1, 1, 96, 48}, Characters(2)},          // 20
    {{"shot05", 1, 1, 1, 128, 64}, Characters(2)},         // 21
    {{"shot06", 2, 1, 2, 180, 72}, Characters(2)},         // 22
    {{"shot07", 1, 1, 1, 16, 16}, Characters(2, 4)},       // 23
    {{"shot08", 1, 1, 1, 96, 96}, Characters(2)},          // 24
    {{"shot09", 1, 1, 1, 128, 128}, Characters(1, 2)},     // 25
    {{"shot10", 3, 3, 1, 128, 128}, Characters(1)},        // 26
    {{"shot11", 4, 2, 2, 64, 64}, kAllCharacters},         // 27
    {{"shot12", 1, 1, 1, 128, 128}, Characters(1)},        // 28
    {{"shot13", 1, 1, 1, 160, 160}, Characters(4)},        // 29
    {{"shot14", 1, 1, 1, 128, 128}, Characters(4)},        // 30
    {{"shot15", 6, 2, 3, 32, 32}, kAllCharacters},         // 31
    {{"shot16", 1, 1, 1, 160, 160}, Characters(1)},        // 32
    {{"shot17", 1, 1, 1, 64, 64}, Characters(0, 10)},      // 33
    {{"shot18", 1, 1, 1, 48, 32}, kAllCharacters},         // 34
    {{"shot19", 1, 1, 1, 160, 160}, Characters(4)},        // 35
    {{"shot20", 2, 2, 1, 32, 32}, Characters(4)},          // 36
    {{"shot21", 1, 1, 1, 128, 128}, Characters(0, 10)},    // 37
    {{"shot22", 1, 1, 1, 80, 80}, Characters(0, 10)},      // 38
    {{"shot23", 2, 2, 1, 32, 32}, Characters(4)},          // 39
    {{"shot24", 1, 1, 1, 64, 64}, Characters(5, 12)},      // 40
    {{"shot25", 1, 1, 1, 128, 128}, Characters(5)},        // 41
    {{"shot26", 14, 7, 2, 32, 32}, Characters(0, 10)},     // 42
    {{"shot27", 1, 1, 1, 160, 96}, Characters(8)},         // 43
    {{"shot28", 1, 1, 1, 64, 64}, Characters(8)},          // 44
    {{"shot29", 1, 1, 1, 24, 24}, Characters(8)},          // 45
    {{"shot30", 3, 1, 3, 400, 64}, Characters(10)},        // 46
    {{"shot31", 2, 2, 1, 80, 80}, kAllCharacters},         // 47
    {{"shot32", 2, 1, 2, 80, 80}, Characters(7)},          // 48
    {{"shot33", 1, 1, 1, 64, 64}, Characters(7)},          // 49
    {{"shot34", 3, 3, 1, 80, 80}, Characters(7)},          // 50
    {{"shot35", 1, 1, 1, 96, 36}, kAllCharacters},         // 51
    {{"shot36", 1, 1, 1, 96, 96}, Characters(11)},         // 52
    {{"shot37", 1, 1, 1, 128, 128}, kAllCharacters},       // 53
    {{"shot38", 3, 3, 1, 64, 64}, Characters(6)},          // 54
    {{"shot39", 2, 2, 1, 64, 64}, Characters(6)},          // 55
    {{"shot40", 1, 1, 1, 64, 64}, Characters(6)},          // 56
    {{"shot48", 1, 1, 1, 64, 64}, Characters(6)},          // 57
    {{"shot49", 5, 5, 1, 32, 32}, Characters(6)},          // 58
    {{"shot50", 2, 1, 2, 128, 32}, Characters(9)},         // 59
    {{"shot51", 1, 1, 1, 32, 32}, Characters(9)},          // 60
    {{"shot52", 2, 2, 1, 64, 64}, Characters(9)},          // 61
    {{"shot53", 24, 4, 6, 64, 64}, Characters(13)},        // 62
    {{"shot54", 96, 8, 12, 32, 32}, Characters(13)},       // 63
    {{"shot55", 1, 1, 1, 64, 64}, Characters(12)},         // 64
    {{"shot56", 12, 4, 5, 48, 48}, Characters(12)},        // 65
    {{"shot57", 2, 2, 1, 100, 270}, Characters(12)},       // 66
    {{"shot58", 1, 1, 1, 160, 160}, Characters(14)},       // 67
    {{"shot59", 1, 1, 1, 128, 128}, Characters(14)},       // 68
    {{"shot65", 2, 1, 2, 32, 16}, Characters(15)},         // 69
    {{"shot66", 2, 1, 2, 32, 16}, Characters(15)},         // 70
    {{"shot67", 1, 1, 1, 128, 128}, Characters(15)},       // 71
    {{"shot68", 3, 1, 3, 96, 32}, kAllCharacters},         // 72
    {{"font10", 7, 7, 1, 82, 80}, Characters(0)},          // 73
    {{"font13", 1, 1, 1, 194, 12}, Characters(5)},         // 74
    {{"font14", 1, 1, 1, 602, 90}, Characters(10)},        // 75
    {{"fram", 2, 2, 1, 320, 480}, kAllCharacters},         // 76
    {{"gauge2", 2, 1, 2, 246, 13}, kAllCharacters},        // 77
    {{"gauge1", 1, 1, 1, 13, 140}, kAllCharacters},        // 78
    {{"shadow", 5, 1, 5, 60, 60}, kAllCharacters},         // 79
    {{"hit", 25, 5, 5, 160, 160}, kAllCharacters},         // 80
    {{"item", 36, 6, 6, 16, 16}, kAllCharacters},          // 81
    {{"card", 16, 4, 4, 32, 32}, kAllCharacters},          // 82
    {{"ef01", 1, 1, 1, 128, 64}, kAllCharacters},          // 83
    {{"ef02", 1, 1, 1, 128, 128}, kAllCharacters},         // 84
    {{"ef03", 1, 1, 1, 160, 160}, kAllCharacters},         // 85
    {{"ef04", 1, 1, 1, 48, 96}, Characters(2)},            // 86
    {{"ef05", 1, 1, 1, 256, 256}, kAllCharacters},         // 87
    {{"ef06", 1, 1, 1, 256, 256}, kAllCharacters},         // 88
    {{"ef07", 1, 1, 1, 256, 256}, kAllCharacters},         // 89
    {{"ef08", 2, 1, 2, 360, 360}, kAllCharacters},         // 90
    {{"ef09", 16, 4, 4, 160, 160}, kAllCharacters},        // 91
    {{"ef10", 12, 6, 2, 96, 96}, kAllCharacters},          // 92
    {{"ef11", 1, 1, 1, 128, 128}, kAllCharacters},         // 93
    {{"ef12", 1, 1, 1, 640, 480}, kAllCharacters},         // 94
    {{"ef14", 1, 1, 1, 256, 128}, kAllCharacters},         // 95
    {{"ef15", 1, 1, 1, 64, 64}, kAllCharacters},           // 96
    {{"ef16", 1, 1, 1, 512, 128}, Characters(4)},          // 97
    {{"ef17", 1, 1, 1, 160, 160}, Characters(4)},          // 98
    {{"ef18", 1, 1, 1, 640, 480}, kAllCharacters},         // 99
    {{"ef19", 1, 1, 1, 160, 160}, Characters(2)},          // 100
    {{"ef20", 1, 1, 1, 160, 160}, Characters(0, 10)},      // 101
    {{"ef21", 20, 5, 4, 64, 64}, Characters(0, 7, 10)},    // 102
    {{"ef22", 1, 1, 1, 128, 128}, Characters(5, 12)},      // 103
    {{"ef23", 10, 5, 2, 128, 128}, Characters(3)},         // 104
    {{"ef24", 4, 4, 1, 32, 64}, Characters(5)},            // 105
    {{"ef25", 1, 1, 1, 128, 128}, Characters(8)},          // 106
    {{"ef26", 3, 3, 1, 24, 24}, Characters(8)},            // 107
    {{"ef27", 16, 4, 4, 160, 160}, kAllCharacters},        // 108
    {{"ef28", 1, 1, 1, 160, 160}, Characters(10)},         // 109
    {{"ef29", 1, 1, 1, 128, 128}, Characters(7)},          // 110
    {{"ef30", 1, 1, 1, 128, 128}, Characters(7, 11, 13)},  // 111
    {{"ef31", 1, 1, 1, 192, 192}, Characters(7)},          // 112
    {{"ef32", 7, 7, 1, 32, 64}, Characters(7)},            // 113
    {{"ef33", 2, 2, 1, 16, 16}, Characters(10)},           // 114
    {{"ef34", 1, 1, 1, 256, 256}, Characters(7)},          // 115
    {{"ef35", 1, 1, 1, 160, 160}, Characters(7)},          // 116
    {{"ef36", 1, 1, 1, 256, 256}, Characters(11)},         // 117
    {{"ef37", 6, 6, 1, 16, 16}, Characters(6)},            // 118
    {{"ef38", 16, 8, 2, 64, 64}, Characters(6, 13)},       // 119
    {{"ef39", 1, 1, 1, 640, 480}, Characters(6)},          // 120
    {{"ef40", 2, 1, 2, 256, 15}, Characters(9)},           // 121
    {{"ef41", 5, 5, 1, 64, 64}, Characters(9)},            // 122
    {{"ef42", 4, 2, 2, 96, 96}, Characters(9)},            // 123
    {{"ef43", 1, 1, 1, 192, 192}, Characters(9, 12)},      // 124
    {{"ef44", 6, 2, 3, 150, 64}, Characters(13)},          // 125
    {{"ef45", 2, 2, 1, 280, 280}, Characters(13)},         // 126
    {{"ef46", 1, 1, 1, 64, 64}, Characters(12)},           // 127
    {{"ef47", 1, 1, 1, 160, 160}, Characters(12)},         // 128
    {{"ef48", 1, 1, 1, 64, 64}, Characters(12)},           // 129
    {{"ef49", 1, 1, 1, 128, 128}, Characters(12)},         // 130
    {{"ef50", 1, 1, 1, 128, 128}, Characters(12)},         // 131
    {{"ef51", 1, 1, 1, 128, 128}, Characters(14)},         // 132
    {{"ef52", 1, 1, 1, 128, 128}, Characters(14)},         // 133
    {{"ef53", 1, 1, 1, 96, 96}, Characters(14)},           // 134
    {{"ef54", 1, 1, 1, 128, 128}, Characters(14)},         // 135
    {{"ef55", 1, 1, 1, 48, 96}, Characters(14)},           // 136
    {{"font01s", 1, 1, 1, 37, 12}, kAllCharacters},        // 137
    {{"font02s", 1, 1, 1, 168, 29}, kAllCharacters},       // 138
    {{"font03s", 1, 1, 1, 30, 11}, kAllCharacters},        // 139
    {{"font04s", 1, 1, 1, 112, 14}, kAllCharacters},       // 140
    {{"font05s", 10, 10, 1, 12, 14}, kAllCharacters},      // 141
    {{"font06s", 1, 1, 1, 44, 13}, kAllCharacters},        // 142
    {{"font07s", 1, 1, 1, 72, 12}, kAllCharacters},        // 143
    {{"font08s", 1, 1, 1, 66, 12}, kAllCharacters},        // 144
    {{"shot41", 6, 1, 6, 400, 160}, Characters(2)},        // 145
    {{"shot42", 1, 1, 1, 72, 144}, kAllCharacters},        // 146
    {{"shot43", 2, 1, 2, 80, 80}, Characters(1)},          // 147
    {{"shot44", 16, 4, 4, 32, 32}, Characters(3)},         // 148
    {{"shot45", 1, 1, 1, 128, 128}, Characters(8)},        // 149
    {{"shot46", 1, 1, 1, 96, 24}, Characters(8, 14)},      // 150
    {{"shot47", 16, 16, 1, 32, 32}, Characters(11)},       // 151
    {{"cont01", 1, 1, 1, 570, 480}, kAllCharacters},       // 152
    {{"cont02", 1, 1, 4, 278, 18}, kAllCharacters},        // 153
    {{"cont03", 2, 1, 2, 78, 34}, kAllCharacters},         // 154
    {{"grv_r", 16, 4, 4, 128, 52}, kAllCharacters},        // 155
    {{"grv_t", 16, 16, 1, 32, 128}, kAllCharacters},       // 156
    {{"grv_l", 16, 4, 4, 128, 52}, kAllCharacters},        // 157
    {{"grv_d", 16, 16, 1, 32, 144}, kAllCharacters},       // 158
};

// Character sheets of mode 1, by CharacterId: "Resource\\c_<code>0<colour slot>.dat", cells of
// 64 x 64, ten to a row; some characters have a second sheet "Resource\\c_<code>0<slot>b.dat",
// and character 8 one second sheet for every colour slot, "Resource\\c_zw00b.dat".
inline constexpr int kSheetCellSize = 64;
inline constexpr int kSheetColumns = 10;
inline constexpr int kSheetCellLimit = 400;
inline constexpr int kColourSlots = 8;
inline constexpr int kSharedSecondSheetCharacter = 8;
inline constexpr char kSharedSecondSheet[] = "c_zw00b";

struct CharacterSheets {
  int cells;  // first sheet: kSheetColumns x rows
  int rows;
  int secondCells;  // 0: no second sheet
  int secondColumns;
  int secondRows;
};

inline constexpr CharacterSheets kCharacterSheets[16] = {
    {400, 40, 0, 0, 0},      // 0 qz
    {320, 32, 0, 0, 0},      // 1 qj
    {320, 32, 0, 0, 0},      // 2 qx
    {330, 33, 330, 10, 33},  // 3 qv
    {250, 25, 0, 0, 0},      // 4 qw
    {360, 36, 360, 10, 36},  // 5 zj
    {260, 26, 260, 10, 26},  // 6 zx
    {290, 29, 0, 0, 0},      // 7 zv
    {270, 27, 16, 4, 4},     // 8 zw: the shared second sheet
    {250, 25, 80, 10, 8},    // 9 jx
    {400, 40, 0, 0, 0},      // 10 jv
    {270, 27, 0, 0, 0},      // 11 jw
    {400, 40, 50, 10, 5},    // 12 xw
    {260, 26, 0, 0, 0},      // 13 xv
    {330, 33, 0, 0, 0},      // 14 zk
    {400, 40, 16, 8, 2},     // 15 qk
};

// The per-player sheets of mode 1, in the player's block of eight slots from slot 168 + 8p, with
// the pattern each is named by: the portrait sheet by CharacterCode, face and caption by
// CharacterId.
inline constexpr int kPlayerBlockBase = 168;
inline constexpr int kPlayerBlockSlots = 8;
inline constexpr int kFaceBlockSlot = 0;
inline constexpr int kCaptionBlockSlot = 1;
inline constexpr int kPortraitBlockSlot = 2;
inline constexpr PictureGrid kPortraitSheet = {"b_%s", 10, 5, 2, 360, 480};
inline constexpr PictureGrid kFaceSheet = {"face_%02d", 24, 12, 2, 64, 48};
inline constexpr PictureGrid kCaptionSheet = {"fonts%02d", 4, 1, 4, 256, 16};

// The pictures of each arena (mode 1): three whole-screen backgrounds (layers one to three; a
// null name is not loaded), and the arena's own pictures in slots 160 upward. A `whole` picture
// is loaded as one graph into the first entry of its slot.
inline constexpr int kArenaSlotBase = 160;
inline constexpr int kArenaSlotCount = 8;
inline constexpr int kArenaPictureLimit = 7;

struct ArenaPicture {
  int slot;
  PictureGrid grid;
  bool whole;
};

struct ArenaPictures {
  const char* backgrounds[3];
  int count;
  ArenaPicture pictures[kArenaPictureLimit];
};

inline constexpr ArenaPictures kArenaPictures[] = {
    {{"bg00", "bg00b", "bg00a"},
     5,
     {{160, {"en00", 30, 6, 5, 64, 64}, false},
      {161, {"shot61", 1, 1, 1, 128, 128}, false},
      {162, {"shot62", 4, 2, 2, 192, 192}, false},
      {163, {"ef13", 1, 1, 1, 128, 128}, false},
      {164, {"tree", 2, 2, 1, 128, 208}, false}}},
    {{"bg07", "bg07b", "bg07a"},
     5,
     {{160, {"en00", 30, 6, 5, 64, 64}, false},
      {161, {"shot61", 1, 1, 1, 128, 128}, false},
      {162, {"shot62", 4, 2, 2, 192, 192}, false},
      {163, {"ef13", 1, 1, 1, 128, 128}, false},
      {164, {"treeb", 2, 2, 1, 128, 208}, false}}},
    {{"bg01", "bg01b", "bg01a"}, 1, {{160, {"shot63", 2, 2, 1, 16, 48}, false}}},
    {{"bg02", "bg02b", "bg02a"}, 1, {{160, {"shot63", 2, 2, 1, 16, 48}, false}}},
    {{"bg03", "bg03a", "bg03b"},
     2,
     {{160, {"en01", 63, 3, 21, 64, 64}, false}, {161, {"shadow2", 1, 1, 1, 32, 32}, false}}},
    {{"bg04", "bg04a", nullptr},
     4,
     {{160, {"en02", 18, 6, 3, 48, 48}, false},
      {161, {"en03", 25, 5, 5, 64, 64}, false},
      {162, {"shadow2", 1, 1, 1, 32, 32}, false},
      {163, {"shot64", 1, 1, 1, 64, 64}, false}}},
    {{"bg05", "bg05a", "bg05b"}, 1, {{160, {"en04", 4, 4, 1, 32, 32}, false}}},
    {{"bg06", "bg06a", "bg06b"}, 0, {}},
    {{"bg08", "bg08a", "bg08b"},
     7,
     {{160, {"wall", 2, 2, 1, 64, 480}, false},
      {161, {"en05", 12, 6, 2, 64, 64}, false},
      {162, {"bg08c", 24, 8, 3, 64, 80}, false},
      {163, {"bg08d", 8, 4, 2, 144, 80}, false},
      {164, {"box", 6, 6, 1, 96, 96}, false},
      {165, {"shadow2", 1, 1, 1, 32, 32}, false},
      {166, {"bg08e", 4, 4, 1, 64, 64}, false}}},
    {{"bg09", "ef56", "bg09b"},
     6,
     {{160, {"en06", 24, 8, 3, 64, 64}, false},
      {161, {"en07", 32, 8, 4, 64, 64}, false},
      {162, {"bg09c", 8, 4, 2, 96, 96}, false},
      {163, {"en08", 6, 6, 1, 64, 64}, false},
      {164, {"bg00b", 1, 1, 1, 640, 480}, true},
      {165, {"bg09d", 2, 2, 1, 176, 128}, false}}},
};
static_assert(std::size(kArenaPictures) == kArenaCount, "one row of pictures per arena");

// Whole-screen backgrounds are 640 x 480.
inline constexpr int kScreenWidth = 640;
inline constexpr int kScreenHeight = 480;

// A picture's full size as its grid cuts it, whatever number of cells is taken.
constexpr int GridWidth(const PictureGrid& g) {
  return g.columns * g.cellWidth;
}
constexpr int GridHeight(const PictureGrid& g) {
  return g.rows * g.cellHeight;
}

}  // namespace veyrdale
