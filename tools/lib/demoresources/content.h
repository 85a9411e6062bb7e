// The contents of the demo files, each a pure function of the file's place in the inventory, so
// that every run writes the same bytes.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "tools/lib/demoresources/canvas.h"
#include "tools/lib/demoresources/inventory.h"

namespace demo {

// The picture, exactly columns x cell width by rows x cell height of its grid. No pixel of the
// content is pure green; green is what the game sees through.
Canvas DrawPicture(const DemoPicture& picture);

// A sound effect: RIFF WAVE, 16-bit mono PCM at 22050 Hz, 50-150 ms of a tone whose length and
// pitch follow the index.
inline constexpr int kSoundRate = 22050;
std::string MakeSound(int index);

// Music n: a standard MIDI file of type 0 with one track, four seconds of notes of its own;
// music kWaveMusic, which the game also loads as a sound, plays its tune as a RIFF WAVE file of
// the sound effects' format instead.
std::string MakeMusic(int n);

// Arena map n: 20 columns and 15 rows, one byte per cell, column by column, after two 16-bit
// little-endian counts. Blocking cells only where no player starts.
inline constexpr int kMapColumns = 20;
inline constexpr int kMapRows = 15;
std::string MakeMap(int n);

// A scenario script in GBK with line feeds: a page or two of full-width text naming the file,
// speaker commands, pages ended by "\" and the end mark "_". After the first page it brings in
// ("!" n) every player its stage's set-up leaves absent (ScriptEntrants); on an arena the loader
// starts dark, its second page turns the lights on with the flash "S7" (ScriptsToLight).
std::string MakeScript(const DemoScript& script);

// Where players start: the default places of the four players and every place the story's stage
// tables give, on every route. The game's own table decides (SetStoryStartPositions).
struct StartPoint {
  int x, y;
};
std::vector<StartPoint> StartPoints();

}  // namespace demo
