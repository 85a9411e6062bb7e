// Font handles: the calls the library's own on-screen log makes.
#pragma once

namespace morrow {

// Face name (null or "" = none), size, thickness, font type, character-set index, edge size,
// slot and check number to reuse; -1 = default. A font handle, or -1.
int CreateFontToHandle(const char* faceName, int size, int thickness, int fontType,
                       int charSetIndex, int edgeSize, int reuseSlot, int reuseCheck);
int DeleteFontHandle(int font);
// flag (may be null) is set to 1 when the font is deleted.
int SetFontLostNotify(int font, int* flag);

}  // namespace morrow
