// Library calls the game makes that the library does not offer yet.
//
// Each is declared with the library's own name and signature, so that game code calls them as it
// will call the library. Until the game is bound to the library's components they answer as a
// component that was never started: -1 at once (0 for a pad read), with no other effect. Every
// caller ignores the answer, as the game does.
#pragma once

namespace veyrdale {

// Sound: play types 1 (once, in the background) and 3 (looping).
int PlaySoundHandle(int handle, int playType, int rewind);
int StartMusicPlayback(const char* path, int playType);
int StopMusicPlayback();
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

// The bits held on a pad (device & 0xFFF), the keyboard merged in when bit 0x1000 is set.
int GetPadInputBits(int device);

}  // namespace veyrdale
