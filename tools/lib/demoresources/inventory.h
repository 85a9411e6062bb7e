// What the demo resource tree holds: every picture the game loads, with the grid the game cuts it
// by, every sound effect, music file, arena map and scenario script. The generator writes exactly
// these files and the checker reads exactly these, so the two never disagree on a name or a size.
//
// The picture lists come from the game's own tables (game/flow/resource_lists.h); the rest are the
// files the game names by pattern: the digit sheets, the loading sign, the loading pictures, the
// glyph sheets, the per-character sheets.
#pragma once

#include <string>
#include <vector>

#include "game/flow/resource_lists.h"

namespace demo {

// How a picture is drawn.
enum class PictureStyle {
  kCells,   // words, on green or on the plate of their character or player; a cell without
            // words falls back to a box labelled with its number (labels.h)
  kScreen,  // a whole opaque screen: a quiet pattern, its name small in a corner
  kLayer,   // an arena's block sheet or overlay: obstacles where the battle cuts them, else green
  kDigits,  // digits 0-9, one per cell, legible
  kGlyphs,  // a glyph sheet: each cell its GBK code in four hex digits
  kFrame,   // the status bar's two halves: a thin frame along the screen's edges
  kSheet,   // a character sheet: the character's figure, cell by cell as the battle picks it
  kSecondSheet,  // its second sheet: the same figures glowing
  kPortrait,     // the character's face, one expression a cell
  kPanel,        // the character's corner panel, one player state a cell
  kByCharacter,  // one figure per character: busts, selection figures, result faces, gauge ticks
  kShot,         // glowing drops in the owner's colour, each cell pointing its way
  kGlow,         // round glows of the shared colour: shots the game never turns
  kEffect,       // rings and bursts with green between them
  kRing,         // the players' rings: under each player and in the corner badges
  kShadow,       // a soft grey disc, taken away from the screen under fixed objects
  kItem,         // silver items and cards
  kFamiliar,     // a character's companion creatures, in its colour
  kArenaObject,  // the arenas' own objects: stones with one eye, turrets
  kArenaProp,    // the arenas' fixed scenery: trees, walls, crates
  kBar,          // the life and meter bars
  kOrnament,     // plates, bars and frames under the scenes' words and numbers; the stars
  kClear,        // loaded, but drawn by no scene: clear
};

struct DemoPicture {
  std::string file;            // relative to the tree's folder, with '/': "Resource/bst.dat"
  std::string gamePath;        // as the game names it: "Resource\\bst.dat"
  std::string label;           // the name drawn on it: the file name without the extension
  veyrdale::PictureGrid grid;  // the grid the game cuts it by (name: label)
  bool whole;                  // loaded whole with LoadImageAsGraph, not divided
  PictureStyle style;
  int tint;   // picks the colour of the boxes: a colour slot, or 0
  int owner;  // the character whose colour it wears, -1 for none or several
};

// The 554 pictures, each once, sorted by file.
const std::vector<DemoPicture>& DemoPictures();

// Sound effects "Resource/SE/<name>.wav", in SoundHandles order.
std::vector<std::string> DemoSoundFiles();
inline constexpr int kMusicCount = 28;  // "Resource/Bgm/00.bgm" - "27.bgm"
inline constexpr int kMapCount = 13;    // "Resource/Mpd/00.mpd" - "12.mpd"
std::string MusicFile(int n);
std::string MapFile(int n);
// The music the game also plays as a one-shot sound at start ("Resource/Bgm/00.bgm"): the sound
// loaders read no MIDI, so it is the one music file in a form both paths read.
inline constexpr int kWaveMusic = 0;

struct DemoScript {
  std::string file;  // "Resource/Srd/00.srd"
  // Final-stage scripts fill the ending's text rows of 48 characters instead of the message
  // window's rows of 24.
  bool finalStage;
};
// The 44 scenario scripts.
const std::vector<DemoScript>& DemoScripts();

// Every file of the tree: 724.
std::vector<std::string> DemoFiles();

// The game path of a tree file: "Resource/SE/a.wav" -> "Resource\\SE\\a.wav".
std::string GamePath(const std::string& file);

}  // namespace demo
