// Entry points of the graphics core standing in until their components exist.
#include "morrow/graphics/font.h"

namespace morrow {

// TEMPORARY: replaced by the font handle component
int CreateFontToHandle(const char*, int, int, int, int, int, int, int) {
  return -1;
}
// TEMPORARY: replaced by the font handle component
int DeleteFontHandle(int) {
  return -1;
}
// TEMPORARY: replaced by the font handle component
int SetFontLostNotify(int, int*) {
  return -1;
}

}  // namespace morrow

#include "morrow/graphics/draw_state.h"
#include "morrow/graphics/graph.h"
#include "morrow/graphics/mask.h"

namespace morrow {

// TEMPORARY: replaced by the font handle component
int InitFontSystem() {
  return 0;
}
// TEMPORARY: replaced by the font handle component
int EndFontSystem() {
  return 0;
}
// TEMPORARY: replaced by the mask screen component
int DeleteMaskBuffer() {
  return 0;
}
// TEMPORARY: replaced by the mask screen component
int SetMaskEnabled(int) {
  return -1;
}
// TEMPORARY: replaced by the mask screen component
platform::Surface* GetMaskSurface() {
  return nullptr;
}
// TEMPORARY: replaced by the mask screen component
int ApplyMaskBeforeDraw(int, int, int, int, platform::Surface*) {
  return 0;
}
// TEMPORARY: replaced by the mask screen component
int ApplyMaskAfterDraw(int, int, int, int, platform::Surface*) {
  return 0;
}
// TEMPORARY: replaced by the mask screen component
int ReleaseMaskSurface() {
  return 0;
}
// TEMPORARY: replaced by the mask screen component
int RecreateMaskSurface() {
  return 0;
}

// TEMPORARY: replaced by the font handle component
int RefreshAllFonts() {
  return 0;
}
// TEMPORARY: replaced by the font handle component
int RefreshDefaultFont() {
  return 0;
}
// TEMPORARY: replaced by the font handle component
int GetDefaultFontHandleValue() {
  return -1;
}
// TEMPORARY: replaced by the font handle component
int IsValidFontHandle(int) {
  return 0;
}
// TEMPORARY: replaced by the font handle component
int GetFontInfo(char*, int*, int*, int) {
  return -1;
}
// TEMPORARY: replaced by the font handle component
int SetDefaultFontSizeThickness(int, int, int) {
  return -1;
}
// TEMPORARY: replaced by the font handle component
int SetDefaultFontSize(int) {
  return 0;
}
// TEMPORARY: replaced by the font handle component
int SetDefaultFontThickness(int) {
  return 0;
}
// TEMPORARY: replaced by the font handle component
int SetDefaultFontType(int) {
  return 0;
}

}  // namespace morrow
