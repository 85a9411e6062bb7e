#include "tools/lib/demoresources/content.h"

#include <algorithm>
#include <cstdio>
#include <set>
#include <utility>

#include "game/battle/battle.h"
#include "game/core/records.h"
#include "platform/codepage.h"

namespace demo {

namespace {

// Box colours: none is near pure green, so no content pixel can turn transparent, even after
// conversion to a 16-bit screen.
constexpr Rgb kPalette[] = {
    {200, 64, 64},   {224, 144, 48},  {200, 192, 64},  {64, 144, 224},
    {128, 96, 224},  {208, 80, 176},  {96, 192, 208},  {168, 112, 72},
    {224, 224, 224}, {112, 112, 136}, {248, 128, 128}, {88, 136, 104},
};
constexpr int kPaletteSize = static_cast<int>(sizeof kPalette / sizeof kPalette[0]);
constexpr Rgb kWhite = {255, 255, 255};
constexpr Rgb kBlack = {0, 0, 0};

uint32_t Hash(const std::string& text) {
  uint32_t h = 2166136261u;
  for (unsigned char c : text) h = (h ^ c) * 16777619u;
  return h;
}

Rgb Darker(Rgb c) {
  return {static_cast<uint8_t>(c.r / 3), static_cast<uint8_t>(c.g / 3),
          static_cast<uint8_t>(c.b / 3 + 16)};
}

Rgb Ink(Rgb background) {
  int luma = (background.r * 3 + background.g * 6 + background.b) / 10;
  return luma > 140 ? kBlack : kWhite;
}

// The largest scale at which the text fits in w x h with a margin, or 0.
int FitScale(const std::string& text, int w, int h, int limit) {
  for (int s = limit; s >= 1; --s) {
    if (Canvas::TextWidth(text, s) + 6 <= w && Canvas::TextHeight(s) + 6 <= h) return s;
  }
  return 0;
}

void DrawCell(Canvas* c, int x, int y, int w, int h, Rgb fill, int index, const std::string& name) {
  if (w < 3 || h < 3) {
    c->Fill(x, y, w, h, fill);
    return;
  }
  c->Fill(x + 1, y + 1, w - 2, h - 2, fill);
  c->Outline(x, y, w, h, Darker(fill));
  Rgb ink = Ink(fill);
  std::string number = std::to_string(index);
  int limit = std::clamp(std::min(w, h) / 40, 1, 4);
  int s = FitScale(number, w, h, limit);
  if (s == 0) return;
  c->Text(x + 3, y + 3, number, s, ink);
  int nameTop = 3 + Canvas::TextHeight(s) + s + 1;
  int ns = FitScale(name, w, h - nameTop + 3, s);
  if (ns > 0) c->Text(x + 3, y + nameTop, name, ns, ink);
}

void DrawCells(Canvas* c, const DemoPicture& p) {
  const veyrdale::PictureGrid& g = p.grid;
  Rgb fill = kPalette[(Hash(p.label) + static_cast<uint32_t>(p.tint) * 5u) % kPaletteSize];
  for (int i = 0; i < g.cells && i < g.columns * g.rows; ++i) {
    DrawCell(c, (i % g.columns) * g.cellWidth, (i / g.columns) * g.cellHeight, g.cellWidth,
             g.cellHeight, fill, i, p.label);
  }
}

// Opaque: a checker of two dark shades, so that a moved or cut screen shows, and the file name.
void DrawScreen(Canvas* c, const DemoPicture& p) {
  Rgb base = kPalette[Hash(p.label) % kPaletteSize];
  Rgb a = {static_cast<uint8_t>(base.r / 2), static_cast<uint8_t>(base.g / 2),
           static_cast<uint8_t>(base.b / 2 + 8)};
  Rgb b = {static_cast<uint8_t>(a.r * 3 / 4), static_cast<uint8_t>(a.g * 3 / 4),
           static_cast<uint8_t>(a.b * 3 / 4 + 8)};
  for (int y = 0; y < c->height(); y += 32) {
    for (int x = 0; x < c->width(); x += 32) c->Fill(x, y, 32, 32, ((x + y) / 32) % 2 ? a : b);
  }
  c->Outline(0, 0, c->width(), c->height(), base);
  std::string name = p.file.substr(p.file.find('/') + 1);
  int s = FitScale(name, c->width(), c->height(), 8);
  if (s == 0) return;
  int x = (c->width() - Canvas::TextWidth(name, s)) / 2;
  int y = (c->height() - Canvas::TextHeight(s)) / 2;
  c->EdgedText(x, y, name, s, kWhite, kBlack);
}

// Drawn over the background: green but for a row of block-sized boxes along the top and the
// name in a box at the bottom left.
void DrawLayer(Canvas* c, const DemoPicture& p) {
  Rgb fill = kPalette[Hash(p.label) % kPaletteSize];
  for (int i = 0; i < 8; ++i) DrawCell(c, i * 32, 32, 32, 64, fill, i, "");
  std::string name = p.label;
  int w = Canvas::TextWidth(name, 2) + 8, h = Canvas::TextHeight(2) + 8;
  int y = c->height() - h - 4;
  c->Fill(4, y, w, h, fill);
  c->Outline(4, y, w, h, Darker(fill));
  c->Text(8, y + 4, name, 2, Ink(fill));
}

// Each cell a band along its edges with its number; the inside stays green, so what lies beneath
// shows through.
void DrawOverlay(Canvas* c, const DemoPicture& p) {
  const veyrdale::PictureGrid& g = p.grid;
  Rgb fill = kPalette[Hash(p.label) % kPaletteSize];
  constexpr int kBand = 6;
  for (int i = 0; i < g.cells && i < g.columns * g.rows; ++i) {
    const int x = (i % g.columns) * g.cellWidth, y = (i / g.columns) * g.cellHeight;
    c->Fill(x, y, g.cellWidth, kBand, fill);
    c->Fill(x, y + g.cellHeight - kBand, g.cellWidth, kBand, fill);
    c->Fill(x, y, kBand, g.cellHeight, fill);
    c->Fill(x + g.cellWidth - kBand, y, kBand, g.cellHeight, fill);
  }
}

void DrawDigits(Canvas* c, const DemoPicture& p) {
  const veyrdale::PictureGrid& g = p.grid;
  for (int i = 0; i < g.cells; ++i) {
    std::string digit(1, static_cast<char>('0' + i % 10));
    int s = 1;
    while (3 * (s + 1) + 2 <= g.cellWidth && 5 * (s + 1) + 2 <= g.cellHeight) ++s;
    int x = (i % g.columns) * g.cellWidth + (g.cellWidth - 3 * s) / 2;
    int y = (i / g.columns) * g.cellHeight + (g.cellHeight - 5 * s) / 2;
    c->EdgedText(x, y, digit, s, kWhite, kBlack);
  }
}

// 42 x 42 cells of 24 x 24 after a 2-pixel margin; cell r of sheet n is GBK code
// 0x8140 + 1764 n + r, shown as two rows of two hex digits.
void DrawGlyphs(Canvas* c, const DemoPicture& p) {
  int sheet = std::atoi(p.label.c_str() + 5);  // "fnt_a17" -> 17
  for (int r = 0; r < 42 * 42; ++r) {
    int code = 0x8140 + 1764 * sheet + r;
    char hex[8];
    std::snprintf(hex, sizeof hex, "%04x", code);
    int x = 2 + (r % 42) * 24, y = 2 + (r / 42) * 24;
    c->Text(x + 5, y + 1, std::string_view(hex, 2), 2, kWhite);
    c->Text(x + 5, y + 13, std::string_view(hex + 2, 2), 2, kWhite);
  }
}

void Le16(std::string* s, uint32_t v) {
  s->push_back(static_cast<char>(v & 0xFF));
  s->push_back(static_cast<char>((v >> 8) & 0xFF));
}
void Le32(std::string* s, uint32_t v) {
  Le16(s, v & 0xFFFF);
  Le16(s, v >> 16);
}
void Be16(std::string* s, uint32_t v) {
  s->push_back(static_cast<char>((v >> 8) & 0xFF));
  s->push_back(static_cast<char>(v & 0xFF));
}
void Be32(std::string* s, uint32_t v) {
  Be16(s, v >> 16);
  Be16(s, v & 0xFFFF);
}
// A MIDI variable-length quantity.
void Vlq(std::string* s, uint32_t v) {
  char bytes[5];
  int n = 0;
  bytes[n++] = static_cast<char>(v & 0x7F);
  while ((v >>= 7) != 0) bytes[n++] = static_cast<char>(0x80 | (v & 0x7F));
  while (n > 0) s->push_back(bytes[--n]);
}

// ASCII as full-width characters (U+FF01 - U+FF5E), in UTF-8.
std::string FullWidth(const std::string& ascii) {
  std::string out;
  for (char ch : ascii) {
    unsigned cp = 0xFF01 + static_cast<unsigned>(ch - '!');
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
  return out;
}

}  // namespace

Canvas DrawPicture(const DemoPicture& p) {
  Canvas c(veyrdale::GridWidth(p.grid), veyrdale::GridHeight(p.grid), kGreen);
  switch (p.style) {
    case PictureStyle::kCells:
      DrawCells(&c, p);
      break;
    case PictureStyle::kScreen:
      DrawScreen(&c, p);
      break;
    case PictureStyle::kLayer:
      DrawLayer(&c, p);
      break;
    case PictureStyle::kDigits:
      DrawDigits(&c, p);
      break;
    case PictureStyle::kGlyphs:
      DrawGlyphs(&c, p);
      break;
    case PictureStyle::kOverlay:
      DrawOverlay(&c, p);
      break;
  }
  return c;
}

std::string MakeSound(int index) {
  int ms = 50 + (index * 37) % 101;
  uint32_t frames = static_cast<uint32_t>(kSoundRate * ms / 1000);
  // A triangle wave from a 16.16 phase accumulator: integers only, the same on every machine.
  uint32_t frequency = 220 + static_cast<uint32_t>(index) * 20;
  uint32_t step = frequency * 65536u / kSoundRate;
  uint32_t attack = kSoundRate / 200;  // 5 ms
  std::string pcm;
  uint32_t phase = 0;
  for (uint32_t i = 0; i < frames; ++i) {
    int32_t p = static_cast<int32_t>(phase & 0xFFFF);         // 0..65535 over one period
    int32_t tri = p < 32768 ? p * 2 - 32768 : 98303 - p * 2;  // -32768..32767
    int32_t envelope = i < attack ? static_cast<int32_t>(i * 256 / attack)
                                  : static_cast<int32_t>((frames - i) * 256 / (frames - attack));
    int32_t sample = tri / 4 * envelope / 256;
    Le16(&pcm, static_cast<uint16_t>(static_cast<int16_t>(sample)));
    phase += step;
  }
  std::string wav = "RIFF";
  Le32(&wav, static_cast<uint32_t>(4 + 8 + 16 + 8 + pcm.size()));
  wav += "WAVEfmt ";
  Le32(&wav, 16);
  Le16(&wav, 1);  // PCM
  Le16(&wav, 1);  // mono
  Le32(&wav, kSoundRate);
  Le32(&wav, kSoundRate * 2);
  Le16(&wav, 2);
  Le16(&wav, 16);
  wav += "data";
  Le32(&wav, static_cast<uint32_t>(pcm.size()));
  return wav + pcm;
}

std::string MakeMusic(int n) {
  // A pentatonic tune of sixteen eighth notes at 120 beats a minute: four seconds.
  static constexpr int kScale[] = {0, 2, 4, 7, 9, 12, 14, 16};
  constexpr int kTicks = 96;  // per quarter note
  std::string track;
  Vlq(&track, 0);
  track += "\xFF\x51\x03";  // tempo: 500000 us a quarter note
  track.push_back(static_cast<char>(0x07));
  track.push_back(static_cast<char>(0xA1));
  track.push_back(static_cast<char>(0x20));
  Vlq(&track, 0);
  track.push_back(static_cast<char>(0xC0));
  track.push_back(static_cast<char>((n * 5) % 128));
  int base = 48 + n % 12;
  for (int i = 0; i < 16; ++i) {
    int note = base + kScale[(i * (n + 3) + n) % 8];
    Vlq(&track, 0);
    track.push_back(static_cast<char>(0x90));
    track.push_back(static_cast<char>(note));
    track.push_back(static_cast<char>(80 + (i % 4) * 10));
    Vlq(&track, kTicks / 2);
    track.push_back(static_cast<char>(0x80));
    track.push_back(static_cast<char>(note));
    track.push_back(0);
  }
  Vlq(&track, 0);
  track += std::string("\xFF\x2F\x00", 3);
  std::string smf = "MThd";
  Be32(&smf, 6);
  Be16(&smf, 0);  // type 0
  Be16(&smf, 1);  // one track
  Be16(&smf, kTicks);
  smf += "MTrk";
  Be32(&smf, static_cast<uint32_t>(track.size()));
  return smf + track;
}

std::vector<StartPoint> StartPoints() {
  using namespace veyrdale;
  std::set<std::pair<int, int>> seen;
  auto defaults = [] {
    for (int p = 0; p < kPlayerCount; ++p) {
      g_players[p].x = static_cast<float>(96 + 448 * (p % 2));
      g_players[p].y = static_cast<float>(96 + 346 * (p / 2));
    }
  };
  auto collect = [&] {
    for (const BattleObject& player : g_players) {
      seen.emplace(static_cast<int>(player.x), static_cast<int>(player.y));
    }
  };
  uint8_t savedA = RouteFlagA, savedB = RouteFlagB, savedC = RouteFlagC;
  defaults();
  collect();
  for (int routes = 0; routes < 8; ++routes) {
    RouteFlagA = routes & 1;
    RouteFlagB = (routes >> 1) & 1;
    RouteFlagC = (routes >> 2) & 1;
    for (int kind = 0; kind < 2; ++kind) {
      for (int stage = 0; stage < 20; ++stage) {
        defaults();
        SetStoryStartPositions(stage, kind);
        collect();
      }
    }
  }
  RouteFlagA = savedA;
  RouteFlagB = savedB;
  RouteFlagC = savedC;
  std::vector<StartPoint> out;
  for (auto [x, y] : seen) out.push_back({x, y});
  return out;
}

std::string MakeMap(int n) {
  // Blocks stand on a diagonal lattice that shifts with the map, and keep clear of a 32-pixel
  // margin around the box a player stands in (32 x 32 from y, centred on x) at every start.
  std::vector<StartPoint> starts = StartPoints();
  auto clear = [&](int col, int row) {
    int left = col * 32, top = row * 32;
    for (const StartPoint& s : starts) {
      int bx0 = s.x - 16 - 32, bx1 = s.x + 16 + 32;  // exclusive right edge
      int by0 = s.y - 32, by1 = s.y + 32 + 32;
      if (left < bx1 && left + 32 > bx0 && top < by1 && top + 32 > by0) return false;
    }
    return true;
  };
  uint8_t cells[kMapColumns][kMapRows] = {};
  int placed = 0;
  for (int col = 1; col < kMapColumns - 1; ++col) {
    for (int row = 1; row < kMapRows - 1; ++row) {
      if ((col + 2 * row + n) % 5 != 0 || !clear(col, row)) continue;
      int value;
      if (n == 11) {
        // The arena that marks two places by values 3 and 2: exactly one of each.
        value = placed == 0 ? 3 : (placed == 1 ? 2 : 1);
      } else {
        value = 1 + (placed + n) % 3;
      }
      cells[col][row] = static_cast<uint8_t>(value);
      ++placed;
    }
  }
  std::string out;
  Le16(&out, kMapColumns);
  Le16(&out, kMapRows);
  for (int col = 0; col < kMapColumns; ++col) {
    for (int row = 0; row < kMapRows; ++row) out.push_back(static_cast<char>(cells[col][row]));
  }
  return out;
}

std::string MakeScript(const DemoScript& script) {
  std::string name = script.file.substr(script.file.rfind('/') + 1);
  // Rows of at most 24 characters, three rows to a page; "~" ends a row, "\" right after the last
  // character ends the page.
  std::string text = "# demo script " + name + "\n";
  text += ">1A0\n";
  text += "演示脚本　" + FullWidth(name) + "~\n";
  text += "这是工具生成的占位对话。~\n";
  text += "按下按钮阅读下一页。\\\n";
  text += ">2B1\n";
  text += "第二页：" + FullWidth(name) + "~\n";
  // The end mark right after the last page, so that the next turn ends the script rather than
  // showing an empty page.
  text += "对话到此结束。\\_\n";
  return platform::Utf8ToGbk(text);
}

}  // namespace demo
