// The font table: creation of fonts on the platform's font service with the layout of their
// glyph cache, deletion, the rebuild of every font after a display loss, the default font and
// its settings, and the small queries.
#include "morrow/graphics/font.h"

#include <algorithm>
#include <cstring>

#include "morrow/device/color_format.h"
#include "morrow/device/screen.h"
#include "morrow/graphics/draw_state.h"
#include "morrow/graphics/font_record.h"
#include "morrow/graphics/graph.h"
#include "morrow/graphics/record_memory.h"
#include "morrow/graphics/surface2d.h"
#include "morrow/system/log.h"
#include "morrow/system/memory.h"
#include "platform/font.h"

namespace morrow {
namespace {

// The character set asked of the font service for each character-set index.
constexpr int kCharsetOfIndex[3] = {platform::kCharsetDefault, platform::kCharsetGb2312,
                                    platform::kCharsetHangul};

// The software cache holds at most this much memory a column, and no column is taller than this.
constexpr int64_t kSoftwareCacheBytes = 0x50000;
constexpr int64_t kMaxCacheHeight = 16384;
constexpr int kTextureCacheSide = 512;
constexpr int kMinTextureEntries = 10;
constexpr int kMinSoftwareEntries = 20;

struct DefaultFontSettings {
  char faceName[128];
  int32_t size;
  int32_t thickness;
  int32_t type;
  int32_t charSetIndex;
  int32_t edgeSize;
};

struct FontSystemState {
  FontRecord* slots[kFontLimit];
  uint32_t checkCounter;
  int32_t defaultFont;
  DefaultFontSettings settings;
};

FontSystemState g_fonts = {};

bool DrawingUnavailable() {
  return GetDrawState().graphicsOff != 0 || IsDirectDrawReady() == nullptr;
}

// The settings a font was made with, as CreateFontToHandle takes them back.
struct FontSettings {
  char faceName[256];
  int32_t size;
  int32_t thickness;
  int32_t type;
  int32_t charSetIndex;
  int32_t edgeSize;
};

FontSettings NoteSettings(const FontRecord& r) {
  FontSettings s{};
  std::memcpy(s.faceName, r.faceName, sizeof s.faceName);
  s.size = r.size;
  s.thickness = r.thickness;
  s.type = r.fontType;
  s.charSetIndex = r.charSetIndex;
  s.edgeSize = r.edgeSize;
  return s;
}

// A plain font keeps the edge size 1 it got by default; passing that 1 back would make the font
// edged, so the default is asked for instead and the record comes back the same.
int EdgeArgument(int type, int edgeSize) {
  return (type & kFontTypeEdged) == 0 && edgeSize > 0 ? -1 : edgeSize;
}

int MakeAgain(const FontSettings& s, int slot, int check) {
  return CreateFontToHandle(s.faceName, s.size, s.thickness, s.type, s.charSetIndex,
                            EdgeArgument(s.type, s.edgeSize), slot, check);
}

int HandleOfSlot(int slot) {
  return MakeHandle(kFontHandle, g_fonts.slots[slot]->checkNumber, slot);
}

// What the record owns itself, without the draw screen and cache graph (their tables may be gone).
void FreeFontRecord(FontRecord* r) {
  FreeMemory(r->palette);
  FreeMemory(r->cachePixels);
  FreeMemory(r->staging.pixels);
  FreeRecord(r);
}

// Rounded up to an even number, at least 2.
int64_t EvenAtLeastTwo(int64_t v) {
  return std::max<int64_t>(v + (v & 1), 2);
}

void LayoutTextureCache(FontRecord* r) {
  const int cell = r->cellSize;
  int64_t w = kTextureCacheSide, h = kTextureCacheSide;
  int64_t entries = (w / cell) * (h / cell);
  while (entries < kMinTextureEntries) {
    if (w <= h) {
      w *= 2;
    } else {
      h *= 2;
    }
    entries = (h / cell) * (w / cell);
  }
  r->entryCount = static_cast<int32_t>(std::min<int64_t>(entries, kMaxGlyphEntries));
  r->cacheWidth = static_cast<int32_t>(w);
  r->cacheHeight = static_cast<int32_t>(h);
  r->rowsPerColumn = static_cast<int32_t>(h / cell);
}

void LayoutSoftwareCache(FontRecord* r) {
  const int64_t cell = r->cellSize;
  int64_t entries = std::clamp<int64_t>(kSoftwareCacheBytes / (cell * cell), kMinSoftwareEntries,
                                        kMaxGlyphEntries);
  int64_t w = cell, h = cell * entries;
  if (r->fontType == 0) {
    if (h > kMaxCacheHeight) {
      h = kMaxCacheHeight / cell * cell;
      entries = h / cell;
    }
  } else {
    while (h > kMaxCacheHeight) {
      w *= 2;
      h = h / 2 + (h % 2 != 0 ? cell : 0);
    }
  }
  const int64_t rows = h / cell;
  // Halving can leave fewer whole cells than entries: every entry's cell must lie inside.
  entries = std::min(entries, (w / cell) * rows);
  r->entryCount = static_cast<int32_t>(entries);
  r->cacheWidth = static_cast<int32_t>(w);
  r->cacheHeight = static_cast<int32_t>(h);
  r->rowsPerColumn = static_cast<int32_t>(rows);
}

// The presets a 3D device fills: 4:4:4:4 with alpha, 1:5:5:5 with alpha test, both 16 bits.
bool TexturePresetsFit() {
  const ColorFormat* alpha = SelectPresetColorFormat(1, 0, 0, 0);
  const ColorFormat* test = SelectPresetColorFormat(0, 1, 0, 0);
  return alpha != nullptr && test != nullptr && alpha->bitsPerPixel == 16 &&
         alpha->alphaWidth == 4 && alpha->redWidth == 4 && alpha->greenWidth == 4 &&
         alpha->blueWidth == 4 && test->bitsPerPixel == 16 && test->alphaWidth == 1 &&
         test->redWidth == 5 && test->greenWidth == 5 && test->blueWidth == 5;
}

bool UseTextureCache() {
  const bool direct3D = GetGraphicsState().direct3DUsable != 0 || GetSoftwareOnlyFlag() != 1;
  return GetDrawState().useDirect3D != 0 && direct3D && TexturePresetsFit();
}

// The font service's font, with the character-set retries. Null after the failure's log line.
std::unique_ptr<platform::Font> OpenServiceFont(const FontRecord& r, int charSetIndex) {
  platform::FontRequest request;
  request.height = r.size;
  request.weight = static_cast<int>(std::clamp<int64_t>(int64_t{r.thickness} * 100, -1, 1000000));
  request.charset = kCharsetOfIndex[charSetIndex];
  request.face = r.faceName;
  std::unique_ptr<platform::Font> font = platform::CreateFont(request);
  if (font != nullptr) return font;
  const bool named = r.faceName[0] != '\0';
  for (int charset : {platform::kCharsetDefault, platform::kCharsetShiftJis}) {
    request.charset = charset;
    font = platform::CreateFont(request);
    if (font != nullptr) return font;
    if (!named) break;
  }
  WriteLog(named ? "指定のフォントの作成に失敗しました\n" : "フォントの作成に失敗しました\n");
  return nullptr;
}

// The cache bitmap and its colour table on the software path. False after the log line.
bool MakeCacheBitmap(FontRecord* r) {
  const int bits = r->fontType == 0 ? 1 : r->fontType == 3 ? 16 : 8;
  r->cacheBits = bits;
  r->cachePitch = static_cast<int32_t>((int64_t{r->cacheWidth} * bits + 31) / 32 * 4);
  r->cachePixels = static_cast<uint8_t*>(
      AllocateZeroMemory(static_cast<size_t>(r->cachePitch) * static_cast<size_t>(r->cacheHeight)));
  if (r->cachePixels == nullptr) {
    WriteLog("テキストキャッシュ用ＤＩＢの作成に失敗しました\n");
    return false;
  }
  if (bits == 16) return true;
  const int count = 1 << bits;
  r->palette = static_cast<uint32_t*>(AllocateMemory(sizeof(uint32_t) * count));
  if (r->palette == nullptr) {
    WriteLog("テキストキャッシュＤＩＢ用パレットのメモリの確保に失敗しました\n");
    return false;
  }
  for (int i = 0; i < count; ++i) r->palette[i] = static_cast<uint32_t>(i) * 0x010101u;
  r->palette[0] = 0;
  if (bits == 1) {
    r->palette[1] = 0xFFFFFFu;
  } else {
    r->palette[1] = 0xFF0000u;
    r->palette[2] = 0x808080u;
    r->palette[3] = 0xFFFFFFu;
  }
  return true;
}

// The staging image of one glyph on the texture path. False after the log line.
bool MakeStagingImage(FontRecord* r) {
  const bool aa = (r->fontType & kFontTypeAntialiased) != 0;
  const bool edged = (r->fontType & kFontTypeEdged) != 0;
  const ColorFormat* format = SelectPresetColorFormat(aa ? 1 : 0, aa ? 0 : 1, 0, 0);
  GraphImage& s = r->staging;
  s.format = *format;
  s.width = edged ? r->cellSize * 2 : r->cellSize;
  s.height = edged ? r->cellSize + 2 * r->edgeSize : r->cellSize;
  s.height = std::max(s.height, r->cellSize);
  s.pitch = s.width * format->bytesPerPixel;
  s.pixels =
      AllocateZeroMemory(static_cast<size_t>(s.pitch) * static_cast<size_t>(std::max(s.height, 1)));
  if (s.pixels == nullptr) {
    WriteLog("文字キャッシュ処理用メモリの確保に失敗しました\n");
    return false;
  }
  return true;
}

// The rest of the creation, on a record already in its slot. False when it fails.
bool BuildFont(FontRecord* r, int handle, const char* faceName, int charSetIndex) {
  r->textureCache = UseTextureCache() ? 1 : 0;
  CopyString(r->faceName, sizeof r->faceName, faceName);
  r->font = OpenServiceFont(*r, charSetIndex);
  if (r->font == nullptr) return false;

  const platform::FontMetrics m = r->font->Metrics();
  const bool edged = (r->fontType & kFontTypeEdged) != 0;
  const int64_t edge = edged ? 2 * int64_t{r->edgeSize} : 0;
  const int64_t cell = EvenAtLeastTwo(m.maxCharWidth + edge);
  const int64_t line = EvenAtLeastTwo(m.height + edge);
  if (cell > kMaxFontCell) {
    WriteLog("フォントの作成に失敗しました\n");
    return false;
  }
  r->cellSize = static_cast<int32_t>(cell);
  r->lineHeight = static_cast<int32_t>(std::min<int64_t>(line, INT32_MAX));

  if (r->textureCache == 1) {
    LayoutTextureCache(r);
    r->cacheGraphRebuild = 1;
    if (SetupFontCacheSurface(handle) == 0) {
      return MakeStagingImage(r);
    }
    WriteLog("テクスチャ文字キャッシュの作成に失敗しました\n");
    r->textureCache = 0;
  }
  LayoutSoftwareCache(r);
  if (!MakeCacheBitmap(r)) return false;
  r->drawScreenRebuild = 1;
  if (SetupFontCacheSurface(handle) != 0) {
    WriteLog("フォント用描画スクリーンの作成に失敗しました\n");
    return false;
  }
  return true;
}

}  // namespace

void ClearFontSystem() {
  for (FontRecord*& r : g_fonts.slots) {
    if (r != nullptr) FreeFontRecord(r);
    r = nullptr;
  }
  g_fonts.checkCounter = 0;
  g_fonts.defaultFont = 0;
  DefaultFontSettings& s = g_fonts.settings;
  s = DefaultFontSettings{};
  s.size = 16;
  s.thickness = 6;
  s.type = 0;
  s.charSetIndex = 1;
  s.edgeSize = 1;
}

int CreateFontToHandle(const char* faceName, int size, int thickness, int fontType,
                       int charSetIndex, int edgeSize, int reuseSlot, int reuseCheck) {
  if (DrawingUnavailable()) return -1;
  if (fontType == -1) fontType = 0;
  if (edgeSize > 0) fontType |= kFontTypeEdged;
  if (size == -1) size = 16;
  if (thickness == -1) thickness = 6;
  if (edgeSize == -1) edgeSize = 1;
  if (charSetIndex == -1) charSetIndex = platform::OemCodePage() == 949 ? 2 : 1;
  // A type without a cache depth, or a character set past the table, makes no font.
  if (fontType < 0 || fontType > 3 || charSetIndex < 0 || charSetIndex > 2) {
    return WriteLog("フォントの作成に失敗しました\n");
  }
  // Slots and check numbers to reuse must name a slot of the table and fit their bits.
  if ((reuseSlot != -1 && (reuseSlot < 0 || reuseSlot >= kFontLimit)) ||
      (reuseCheck != -1 &&
       (reuseCheck < 0 || static_cast<uint32_t>(reuseCheck) > kMaxCheckNumber))) {
    return -1;
  }

  int slot = reuseSlot;
  if (slot != -1) {
    if (g_fonts.slots[slot] != nullptr) return -1;
  } else {
    for (int i = 0; i < kFontLimit && slot == -1; ++i) {
      if (g_fonts.slots[i] == nullptr) slot = i;
    }
    if (slot == -1) {
      WriteLogFormat("作成できるフォントハンドル数 %d の限界を超えました", kFontLimit);
      return -1;
    }
  }

  FontRecord* r = NewRecord<FontRecord>();
  if (r == nullptr) return WriteLog("フォント管理用メモリ領域の確保に失敗しました\n");
  r->drawScreen = -1;
  r->cacheGraph = -1;
  if (GetScreenBitDepth() == 8) fontType &= ~kFontTypeAntialiased;
  r->size = size;
  r->thickness = thickness;
  r->edgeSize = edgeSize;
  r->fontType = fontType;
  if (reuseCheck != -1) {
    r->checkNumber = static_cast<uint32_t>(reuseCheck);
  } else {
    r->checkNumber = g_fonts.checkCounter;
    if (++g_fonts.checkCounter > kMaxCheckNumber) g_fonts.checkCounter = 0;
  }
  g_fonts.slots[slot] = r;
  const int handle = MakeHandle(kFontHandle, r->checkNumber, slot);

  if (!BuildFont(r, handle, faceName, charSetIndex)) {
    r->checkNumber = 0;
    DeleteFontHandle(MakeHandle(kFontHandle, 0, slot));
    return -1;
  }
  InitFontCache(handle);
  r->charSetIndex = charSetIndex;
  r->lostFlag = nullptr;
  return handle;
}

int DeleteFontHandle(int font) {
  FontRecord* r = GetFontRecord(font);
  if (r == nullptr) return -1;
  FreeMemory(r->palette);
  r->palette = nullptr;
  r->font.reset();
  FreeMemory(r->cachePixels);
  r->cachePixels = nullptr;
  if (r->drawScreen != -1) {
    DeleteSurface2D(r->drawScreen);
    r->drawScreen = -1;
  }
  if (r->cacheGraph != -1) {
    FreeGraphHandle(r->cacheGraph, 0);
    r->cacheGraph = -1;
  }
  FreeMemory(r->staging.pixels);
  r->staging.pixels = nullptr;
  if (r->lostFlag != nullptr) *r->lostFlag = 1;
  g_fonts.slots[font & kHandleSlotMask] = nullptr;
  FreeRecord(r);
  return 0;
}

int InitFontSystem() {
  if (DrawingUnavailable()) return -1;
  WriteLog("フォントの初期化を行います\n");
  IncreaseLogIndent();
  bool noted = false;
  FontSettings settings{};
  if (const FontRecord* d = GetFontRecord(g_fonts.defaultFont)) {
    settings = NoteSettings(*d);
    noted = true;
  }
  for (int i = 0; i < kFontLimit; ++i) {
    if (g_fonts.slots[i] != nullptr) DeleteFontHandle(HandleOfSlot(i));
  }
  g_fonts.defaultFont =
      noted ? MakeAgain(settings, -1, -1) : CreateFontToHandle("", 16, 6, -1, -1, -1, -1, -1);
  DecreaseLogIndent();
  WriteLog("フォントの初期化は正常に終了しました\n");
  return 0;
}

int EndFontSystem() {
  InitFontSystem();
  DeleteFontHandle(g_fonts.defaultFont);
  return 0;
}

int RefreshAllFonts() {
  for (int i = 0; i < kFontLimit; ++i) {
    FontRecord* r = g_fonts.slots[i];
    if (r == nullptr) continue;
    const FontSettings settings = NoteSettings(*r);
    const uint32_t check = r->checkNumber;
    int* lostFlag = r->lostFlag;
    DeleteFontHandle(HandleOfSlot(i));
    const int font = MakeAgain(settings, i, static_cast<int>(check));
    // The holder of the flag keeps the same handle: the font is not lost to it.
    if (lostFlag != nullptr && font != -1) SetFontLostNotify(font, lostFlag);
  }
  return 0;
}

int GetDefaultFontHandle() {
  const DefaultFontSettings& s = g_fonts.settings;
  if (const FontRecord* r = GetFontRecord(g_fonts.defaultFont)) {
    if (std::strcmp(r->faceName, s.faceName) == 0 && r->fontType == s.type && r->size == s.size &&
        r->thickness == s.thickness && r->charSetIndex == s.charSetIndex &&
        r->edgeSize == s.edgeSize) {
      return 0;
    }
  }
  DeleteFontHandle(g_fonts.defaultFont);
  g_fonts.defaultFont =
      CreateFontToHandle(s.faceName, s.size, s.thickness, s.type, s.charSetIndex,
                         (s.type & kFontTypeEdged) != 0 ? s.edgeSize : -1, -1, -1);
  return 0;
}

int GetDefaultFontHandleValue() {
  return g_fonts.defaultFont;
}

int SetDefaultFontSize(int size) {
  g_fonts.settings.size = size == -1 ? 16 : size;
  GetDefaultFontHandle();
  return 0;
}

int SetDefaultFontThickness(int thickness) {
  g_fonts.settings.thickness = thickness == -1 ? 6 : thickness;
  GetDefaultFontHandle();
  return 0;
}

int SetDefaultFontType(int type) {
  g_fonts.settings.type = type == -1 ? 0 : type;
  GetDefaultFontHandle();
  return 0;
}

int SetDefaultFontSizeThickness(int /*unused*/, int size, int thickness) {
  if (DrawingUnavailable()) return -1;
  g_fonts.settings.size = size == -1 ? 16 : size;
  g_fonts.settings.thickness = thickness == -1 ? 6 : thickness;
  GetDefaultFontHandle();
  return 0;
}

int SetFontLostNotify(int font, int* flag) {
  FontRecord* r = GetFontRecord(font);
  if (r == nullptr) return -1;
  r->lostFlag = flag;
  if (flag != nullptr) *flag = 0;
  return 0;
}

int GetFontInfo(char* name, int* size, int* thickness, int font) {
  const FontRecord* r = GetFontRecord(font);
  if (r == nullptr) return -1;
  if (name != nullptr) CopyString(name, sizeof r->faceName, r->faceName);
  if (thickness != nullptr) *thickness = r->thickness;
  if (size != nullptr) *size = r->size;
  return 0;
}

FontRecord* GetFontRecord(int font) {
  const int slot = HandleSlotOf(font, kFontHandle, kFontLimit);
  if (slot < 0) return nullptr;
  FontRecord* r = g_fonts.slots[slot];
  if (r == nullptr || !CheckNumberMatches(r->checkNumber, font)) return nullptr;
  return r;
}

int IsValidFontHandle(int font) {
  return GetFontRecord(font) != nullptr ? 1 : 0;
}

int IsLeadByte(const unsigned char* p, int charSetIndex) {
  if (p == nullptr) return 0;
  return *p >= (charSetIndex == 2 ? 0x80 : 0x81) ? 1 : 0;
}

}  // namespace morrow
