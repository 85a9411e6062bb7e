// What makes a demo music file, arena map or scenario script acceptable to the game. Each check
// answers "" for a good file, else the first fault found.
#pragma once

#include <string>
#include <string_view>

namespace demo {

// A sound effect as the tree holds it: RIFF WAVE, 16-bit mono PCM at 22050 Hz, its data chunk
// exactly as long as the file says, 50 to 150 ms. A sound cut short would still play, shorter;
// this names it.
std::string CheckSound(std::string_view bytes);

// A standard MIDI file of type 0 or 1 whose every track parses to its end-of-track event and
// which plays at least one note.
std::string CheckMusic(std::string_view bytes);

// The music the game also loads as a sound (kWaveMusic): a WAVE file as CheckSound asks, 1 to 10
// seconds long.
std::string CheckWaveMusic(std::string_view bytes);

// Arena map n: 20 columns by 15 rows exactly, at least one breakable cell (1-3), and on map 11,
// whose values 3 and 2 mark two places, exactly one cell of each.
std::string CheckMapFile(std::string_view bytes, int n);

// Loads the map through the game's map loader (a game path, relative to the working folder) and
// asks the game's wall query at every start place: nothing may block a player's box there.
std::string CheckMapStarts(const char* gamePath);

// A scenario script: GBK two-byte characters (each converting to one character of Unicode),
// rows of at most 24 characters (48 for the final stage's script), at most three rows a page,
// commands the dialogue can run outside a battle (speaker, portraits, pictures, name plate,
// blackout, sounds, wait), entries ("!1"-"!4") right after a page end outside the final stage's
// text, and the end mark "_" after the last page with nothing but line ends after it.
std::string CheckScript(std::string_view bytes, bool finalStage);

}  // namespace demo
