// Font handles: the font table, the default font RenderText draws with, and the small queries
// on fonts. Fonts are made on the platform's font service (platform/font.h) and draw through
// their glyph cache (morrow/graphics/font_record.h).
//
// A font type is a set of bits: 1 edged (an outline of the edge colour around each glyph), 2
// anti-aliased (17-level glyphs). A character-set index is 0 (the default set), 1 (GB2312) or 2
// (Hangul). Font handles have kind kFontHandle and 40 slots; every call that takes one checks it
// fully and answers -1 (or null, or 0 for IsValidFontHandle) for a value that is no live font.
#pragma once

namespace morrow {

struct FontRecord;

// The font table's start (run by the graphics start: every font deleted, the default font made
// again with its settings) and end (afterwards no font exists). -1 while drawing is off or the
// display is not ready.
int InitFontSystem();
int EndFontSystem();
// The graphics start's clearing of the font table (records freed, the check-number counter at 0)
// and of the default settings (no face, size 16, thickness 6, type 0, character set 1, edge 1).
void ClearFontSystem();

// Face name (GBK; null or "" = none), size (pixels: positive the cell height, negative the
// character height), thickness (weight / 100), font type, character-set index, edge size, slot
// and check number to reuse; only -1 means "default" (16, 6, 0, by the OEM code page, 1, any
// slot, the next check number). An edge size above 0 makes the font edged. A font handle, or -1
// with a log line.
int CreateFontToHandle(const char* faceName, int size, int thickness, int fontType,
                       int charSetIndex, int edgeSize, int reuseSlot, int reuseCheck);
// Frees everything of the font and writes 1 through its lost flag. 0 / -1.
int DeleteFontHandle(int font);
// flag (may be null) is written 0 now and 1 when the font is deleted. 0 / -1.
int SetFontLostNotify(int font, int* flag);

// Makes every font again in place after the display was lost: the same slot, check number and
// settings, so every handle stays valid; a registered lost flag stays registered. 0.
int RefreshAllFonts();
// Makes the default font again when the record differs from the default settings. 0.
int GetDefaultFontHandle();
// The default font's handle.
int GetDefaultFontHandleValue();
// 1 for a live font handle, else 0.
int IsValidFontHandle(int font);
// The record behind a live font handle, or null.
FontRecord* GetFontRecord(int font);
// name (at least 256 bytes), size and thickness may each be null. 0 / -1.
int GetFontInfo(char* name, int* size, int* thickness, int font);

// The default font's settings; -1 (and only -1) stands for 16, 6 and 0. Each makes the default
// font again when it changed. Always 0.
int SetDefaultFontSize(int size);
int SetDefaultFontThickness(int thickness);
int SetDefaultFontType(int type);
// The same for size and thickness; -1 while drawing is off or the display is not ready.
int SetDefaultFontSizeThickness(int unused, int size, int thickness);

// Non-zero when *p begins a two-byte character: a byte from 0x80 up for character-set index 2,
// from 0x81 up for any other. A lead byte before the terminating zero still begins a pair.
int IsLeadByte(const unsigned char* p, int charSetIndex);

}  // namespace morrow
