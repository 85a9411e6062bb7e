// Font handles: the calls the library's own on-screen log and the screen set-up make.
#pragma once

namespace morrow {

// The font table's start (run by the graphics start) and end (run by the graphics end).
int InitFontSystem();
int EndFontSystem();

// Face name (null or "" = none), size, thickness, font type, character-set index, edge size,
// slot and check number to reuse; -1 = default. A font handle, or -1.
int CreateFontToHandle(const char* faceName, int size, int thickness, int fontType,
                       int charSetIndex, int edgeSize, int reuseSlot, int reuseCheck);
int DeleteFontHandle(int font);
// flag (may be null) is set to 1 when the font is deleted.
int SetFontLostNotify(int font, int* flag);

// Makes every font again in place (after the display was lost). 0.
int RefreshAllFonts();
// Makes the default font again when its settings changed since it was made. 0.
int RefreshDefaultFont();
// The default font, as a screen-mode change keeps and remakes it.
int GetDefaultFontHandleValue();
int IsValidFontHandle(int font);
// name, size and thickness may each be null. -1 for an invalid handle.
int GetFontInfo(char* name, int* size, int* thickness, int font);
// size -1 = 16, thickness -1 = 6. -1 while drawing is off or the display is not ready.
int SetDefaultFontSizeThickness(int unused, int size, int thickness);

// The default font of RenderText: size (-1 = 16), thickness (-1 = 6) and type (-1 = 0; 3 is
// edged and anti-aliased). Always 0.
int SetDefaultFontSize(int size);
int SetDefaultFontThickness(int thickness);
int SetDefaultFontType(int type);

}  // namespace morrow
