// The on-screen log: a fixed text buffer the presentation may draw over the screen. Nothing in
// this system writes lines or enables it, so it is set up at the start, ended at the end and
// never drawn.
#include <algorithm>
#include <cstring>

#include "morrow/device/screen.h"
#include "morrow/graphics/draw.h"
#include "morrow/graphics/font.h"
#include "morrow/system/library.h"
#include "morrow/system/log.h"

namespace morrow {
namespace {

constexpr int kLines = 80;
constexpr int kLineBytes = 255;

struct ScreenLogState {
  int initialised = 0;
  int lineHeight = 16;
  int font = -1;
  int fontLost = 1;
  int enabled = 0;
  char lines[kLines][kLineBytes] = {};
};
ScreenLogState g_screenLog;

}  // namespace

int InitScreenLog() {
  if (!IsDirectDrawReady() || !HasMainWindow()) return -1;
  if (g_screenLog.initialised) return 0;
  g_screenLog.initialised = 1;
  g_screenLog.lineHeight = 16;
  g_screenLog.font = -1;
  g_screenLog.fontLost = 1;
  CreateScreenLogFont();
  g_screenLog.enabled = 0;
  std::memset(g_screenLog.lines, 0, sizeof g_screenLog.lines);
  return 0;
}

int CreateScreenLogFont() {
  if (!g_screenLog.initialised && InitScreenLog() != 0) return 0;
  if (g_screenLog.fontLost == 1) {
    g_screenLog.font = CreateFontToHandle(nullptr, g_screenLog.lineHeight, 4, 1, -1, -1, -1, -1);
    g_screenLog.fontLost = 0;
    SetFontLostNotify(g_screenLog.font, &g_screenLog.fontLost);
  }
  return 0;
}

int DrawScreenLog() {
  CreateScreenLogFont();
  int height = 0;
  GetScreenSize(nullptr, &height);
  const int lines = std::min(height / g_screenLog.lineHeight, kLines);
  for (int i = 0; i < lines; ++i) {
    RenderTextToHandle(0, g_screenLog.lineHeight * i, g_screenLog.lines[i],
                       PackScreenColor(255, 255, 255), g_screenLog.font, PackScreenColor(0, 0, 0),
                       0);
  }
  return 0;
}

int EndScreenLog() {
  if (!g_screenLog.initialised) return 0;
  if (g_screenLog.font != -1) DeleteFontHandle(g_screenLog.font);
  g_screenLog.fontLost = 1;
  g_screenLog.font = -1;
  g_screenLog.initialised = 0;
  return 0;
}

int GetScreenLogState() {
  return g_screenLog.enabled;
}

}  // namespace morrow
