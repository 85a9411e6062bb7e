// The library calls the game makes, in one place.
//
// Calls the library offers are taken from it. The others are declared here with the library's own
// name and signature, so that game code calls them as it will call the library; until the game is
// bound to the library's components they answer as a component that was never started: -1 at
// once, with no other effect. Every caller ignores the answer, as the game does.
#pragma once

#include "morrow/sound/sound.h"
#include "morrow/system/input.h"

namespace veyrdale {

// The bits held on a pad (device & 0xFFF), the keyboard merged in when bit 0x1000 is set.
using morrow::GetPadInputBits;
using morrow::PlaySoundHandle;
using morrow::StopMusicPlayback;

// Music: play types 1 (once, in the background) and 3 (looping).
int StartMusicPlayback(const char* path, int playType);
int SetMusicVolume(int volume);  // 0-255

// Graphs. LoadDividedGraph cuts count cells row by row into handles and leaves them unchanged when
// the file cannot be loaded.
int LoadImageAsGraph(const char* path);
int LoadDividedGraph(const char* path, int count, int xCount, int yCount, int cellWidth,
                     int cellHeight, int* handles);
int FreeGraphHandle(int handle, int logFlag);
int DrawGraph(int x, int y, int handle, int transparent);
int LoadAndDrawGraphFile(int x, int y, const char* path, int transparent);
int SetBlendMode(int mode, int parameter);
int SetModulationColor(int r, int g, int b);
int SetFilterMode(int mode);

}  // namespace veyrdale
