// The demo resource tree: its inventory against the game's tables, the pictures, sounds, music,
// maps and scripts it writes, the rules the checker applies to them, and a tree that comes out the
// same twice.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <numbers>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "game/core/records.h"
#include "game/flow/glyph_text.h"
#include "game/flow/resource_lists.h"
#include "morrow/sound/sound_decode.h"
#include "morrow/system/memory.h"
#include "platform/codepage.h"
#include "platform/font.h"
#include "tests/support/other_user.h"
#include "tests/support/temp_dir.h"
#include "tools/lib/demoresources/canvas.h"
#include "tools/lib/demoresources/content.h"
#include "tools/lib/demoresources/figures.h"
#include "tools/lib/demoresources/glyphs.h"
#include "tools/lib/demoresources/inventory.h"
#include "tools/lib/demoresources/labels.h"
#include "tools/lib/demoresources/looks.h"
#include "tools/lib/demoresources/palette.h"
#include "tools/lib/demoresources/rules.h"
#include "tools/lib/demoresources/tree.h"
#include "tools/lib/demoresources/words.h"

namespace {

using namespace demo;
namespace fs = std::filesystem;
using testsupport::Listing;
using testsupport::Names;
using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;

const DemoPicture* Find(const std::string& file) {
  for (const DemoPicture& p : DemoPictures()) {
    if (p.file == file) return &p;
  }
  return nullptr;
}

uint32_t Le(const std::string& s, size_t at, int n) {
  uint32_t v = 0;
  for (int i = n - 1; i >= 0; --i) v = (v << 8) | static_cast<uint8_t>(s[at + i]);
  return v;
}

// ---------------------------------------------------------------------------------------------
// Inventory

TEST(DemoInventory, CountsOfEveryKindOfFile) {
  EXPECT_EQ(DemoPictures().size(), 554u);
  EXPECT_EQ(DemoSoundFiles().size(), 85u);
  EXPECT_EQ(DemoScripts().size(), 44u);
  std::vector<std::string> files = DemoFiles();
  EXPECT_EQ(files.size(), 724u);
  EXPECT_EQ(std::set<std::string>(files.begin(), files.end()).size(), files.size())
      << "every file once";
  int nlg = 0, fnt = 0;
  for (const DemoPicture& p : DemoPictures()) {
    nlg += p.file.find("/NLG/") != std::string::npos;
    fnt += p.file.find("/Fnt/") != std::string::npos;
  }
  EXPECT_EQ(nlg, 30);
  EXPECT_EQ(fnt, 36);
}

TEST(DemoInventory, PictureSizesFollowTheGridEvenWhereFewerCellsAreTaken) {
  struct Case {
    const char* file;
    int width, height;
    bool whole;
  } cases[] = {
      {"Resource/bst.dat", 960, 1440, false},         {"Resource/quarn.dat", 640, 192, false},
      {"Resource/ready02.dat", 450, 284, false},      {"Resource/shot56.dat", 192, 240, false},
      {"Resource/cont02.dat", 278, 72, false},        {"Resource/c_zw00b.dat", 256, 256, false},
      {"Resource/c_qk07b.dat", 512, 128, false},      {"Resource/c_qz00.dat", 640, 2560, false},
      {"Resource/c_jx03b.dat", 640, 512, false},      {"Resource/b_qz.dat", 1800, 960, false},
      {"Resource/face_15.dat", 768, 96, false},       {"Resource/fonts00.dat", 256, 64, false},
      {"Resource/font00.dat", 110, 16, false},        {"Resource/font00s.dat", 100, 13, false},
      {"Resource/font00b.dat", 150, 25, false},       {"Resource/loading.dat", 128, 24, true},
      {"Resource/NLG/00.nlg", 640, 480, true},        {"Resource/NLG/nl.nlg", 640, 480, true},
      {"Resource/Fnt/fnt_b17.dat", 1010, 1010, true}, {"Resource/bg00b.dat", 640, 480, true},
      {"Resource/bg04a.dat", 640, 480, true},         {"Resource/en01.dat", 192, 1344, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    const DemoPicture* p = Find(c.file);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(veyrdale::GridWidth(p->grid), c.width);
    EXPECT_EQ(veyrdale::GridHeight(p->grid), c.height);
    EXPECT_EQ(p->whole, c.whole);
  }
  EXPECT_EQ(Find("Resource/c_zw03b.dat"), nullptr) << "character 8 shares one second sheet";
  EXPECT_EQ(Find("Resource/c_qz00b.dat"), nullptr) << "character 0 has no second sheet";
}

// A picture named by two tables is one file, cut the same way by both.
TEST(DemoInventory, EveryTableEntryIsInTheTreeWithItsGrid) {
  using namespace veyrdale;
  auto expect = [](const PictureGrid& g, bool whole) {
    SCOPED_TRACE(g.name);
    const DemoPicture* p = Find(std::string("Resource/") + g.name + ".dat");
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(GridWidth(p->grid), GridWidth(g));
    EXPECT_EQ(GridHeight(p->grid), GridHeight(g));
    if (!whole && !p->whole) {
      EXPECT_EQ(p->grid.cells, g.cells);
      EXPECT_EQ(p->grid.columns, g.columns);
      EXPECT_EQ(p->grid.cellWidth, g.cellWidth);
    }
  };
  for (const PictureGrid& g : kMenuList) expect(g, false);
  for (const PictureGrid& g : kEndingList) {
    if (g.name != nullptr) expect(g, false);
  }
  for (const BattlePicture& b : kBattleList) expect(b.grid, false);
  for (const ArenaPictures& a : kArenaPictures) {
    for (const char* name : a.backgrounds) {
      if (name != nullptr) expect({name, 1, 1, 1, kScreenWidth, kScreenHeight}, true);
    }
    for (int i = 0; i < a.count; ++i) expect(a.pictures[i].grid, a.pictures[i].whole);
  }
}

TEST(DemoInventory, ListsHoldWhatTheSlotsCanTake) {
  using namespace veyrdale;
  auto check = [](const PictureGrid& g) {
    SCOPED_TRACE(g.name);
    EXPECT_GE(g.cells, 1);
    EXPECT_LE(g.cells, g.columns * g.rows) << "the grid holds every cell taken";
    EXPECT_GT(g.cellWidth, 0);
    EXPECT_GT(g.cellHeight, 0);
  };
  int pictures = 0;
  for (const PictureGrid& g : kMenuList) check(g), ++pictures;
  for (const PictureGrid& g : kEndingList) {
    if (g.name != nullptr) check(g), ++pictures;
  }
  for (const BattlePicture& b : kBattleList) {
    check(b.grid);
    EXPECT_NE(b.characters, 0) << b.grid.name;
    ++pictures;
  }
  EXPECT_EQ(pictures, 36 + 16 + 159);
  for (const CharacterSheets& s : kCharacterSheets) {
    EXPECT_EQ(s.cells, s.rows * kSheetColumns);
    EXPECT_LE(s.cells, kSheetCellLimit);
    EXPECT_LE(s.secondCells, s.secondColumns * s.secondRows);
  }
}

TEST(DemoInventory, NoFileLooksLikeAnAlphaCompanion) {
  for (const std::string& file : DemoFiles()) {
    std::string stem = file.substr(0, file.rfind('.'));
    EXPECT_FALSE(stem.size() >= 2 && stem.compare(stem.size() - 2, 2, "_a") == 0) << file;
  }
}

// ---------------------------------------------------------------------------------------------
// Pictures

int CountColour(const Canvas& c, Rgb colour, int x0, int y0, int w, int h) {
  int n = 0;
  for (int y = y0; y < y0 + h; ++y) {
    for (int x = x0; x < x0 + w; ++x) n += c.At(x, y) == colour;
  }
  return n;
}

// Labelled boxes fill their cells; figures and shapes leave green around them. A cell the game
// does not take stays green.
TEST(DemoPictures, TakenCellsAreDrawnAndTheRestOfTheGridIsGreen) {
  struct Case {
    const char* file;
    bool box;
  } cases[] = {{"Resource/bst.dat", false},
               {"Resource/dot.dat", true},
               {"Resource/c_qk03b.dat", false},
               {"Resource/shot56.dat", false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    const DemoPicture* p = Find(c.file);
    ASSERT_NE(p, nullptr);
    Canvas canvas = DrawPicture(*p);
    const veyrdale::PictureGrid& g = p->grid;
    ASSERT_EQ(canvas.width(), g.columns * g.cellWidth);
    ASSERT_EQ(canvas.height(), g.rows * g.cellHeight);
    for (int i = 0; i < g.columns * g.rows; ++i) {
      int x = (i % g.columns) * g.cellWidth, y = (i / g.columns) * g.cellHeight;
      int green = CountColour(canvas, kGreen, x, y, g.cellWidth, g.cellHeight);
      if (i >= g.cells) {
        EXPECT_EQ(green, g.cellWidth * g.cellHeight) << "cell " << i << " is not taken";
      } else if (c.box) {
        EXPECT_EQ(green, 0) << "cell " << i << " is a box through and through";
      } else {
        EXPECT_LT(green, g.cellWidth * g.cellHeight * 95 / 100) << "cell " << i << " is drawn";
        EXPECT_GT(green, 0) << "cell " << i << " shows what lies beneath around its shape";
      }
    }
  }
}

TEST(DemoPictures, ScreensAreOpaqueAndLayersMostlyGreen) {
  struct Case {
    const char* file;
    double greenAtLeast, greenAtMost;
  } cases[] = {
      {"Resource/bg00.dat", 0, 0},    {"Resource/bgt03.dat", 0, 0},  {"Resource/ed05.dat", 0, 0},
      {"Resource/NLG/17.nlg", 0, 0},  {"Resource/NLG/nl.nlg", 0, 0}, {"Resource/bg00b.dat", 0.8, 1},
      {"Resource/bg03b.dat", 0.8, 1}, {"Resource/ef56.dat", 0.8, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    const DemoPicture* p = Find(c.file);
    ASSERT_NE(p, nullptr);
    Canvas canvas = DrawPicture(*p);
    double share = CountColour(canvas, kGreen, 0, 0, canvas.width(), canvas.height()) /
                   static_cast<double>(canvas.width() * canvas.height());
    EXPECT_GE(share, c.greenAtLeast);
    EXPECT_LE(share, c.greenAtMost);
  }
}

// Reads a text of the built-in font back from a canvas, character by character.
char ReadGlyph(const Canvas& c, int x, int y, int scale, const std::string& alphabet) {
  for (char ch : alphabet) {
    Canvas probe(3 * scale, 5 * scale, kGreen);
    probe.Text(0, 0, std::string(1, ch), scale, {255, 255, 255});
    bool same = true;
    for (int py = 0; py < 5 * scale && same; ++py) {
      for (int px = 0; px < 3 * scale && same; ++px)
        same = probe.At(px, py) == c.At(x + px, y + py);
    }
    if (same) return ch;
  }
  return '?';
}

// A stroke mask cut to its bounding box and sampled on a coarse grid: the share of each square
// that is ink. Two renderings of one character at different sizes give nearly the same grid.
std::vector<double> Shape(int w, int h, const std::function<bool(int, int)>& inked) {
  int x0 = w, y0 = h, x1 = -1, y1 = -1;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      if (inked(x, y))
        x0 = std::min(x0, x), x1 = std::max(x1, x), y0 = std::min(y0, y), y1 = std::max(y1, y);
    }
  }
  constexpr int kGrid = 6;
  std::vector<double> grid(kGrid * kGrid, 0.0), count(kGrid * kGrid, 0.0);
  for (int y = y0; y <= y1; ++y) {
    for (int x = x0; x <= x1; ++x) {
      const size_t k = static_cast<size_t>((y - y0) * kGrid / (y1 - y0 + 1) * kGrid +
                                           (x - x0) * kGrid / (x1 - x0 + 1));
      grid[k] += inked(x, y), count[k] += 1;
    }
  }
  for (size_t k = 0; k < grid.size(); ++k) grid[k] /= std::max(count[k], 1.0);
  return grid;
}

// The sheets' cells hold the font's characters: each cell's ink has the shape of the font's own
// large rendering of its character rather than of any other one, full-width letters included;
// ink is a mid grey with a dark edge on transparent green, and codes that are no characters stay
// green.
TEST(DemoPictures, GlyphCellsHoldTheFontsCharacters) {
  if (!HaveCjkFont()) GTEST_SKIP() << "no CJK font on this machine";
  struct Case {
    int sheet;
    uint32_t code;
  } cases[] = {{8, 0xBDAE}, {8, 0xB9FA}, {8, 0xBAC3}, {8, 0xB9A4},  // 疆 国 好 工
               {5, 0xA3C1}, {5, 0xA3DA}, {5, 0xA3B9}};              // Ａ Ｚ ９
  platform::FontRequest request;
  request.height = -64;
  std::unique_ptr<platform::Font> font = platform::CreateFont(request);
  ASSERT_NE(font, nullptr);
  std::map<int, Canvas> sheets;
  for (int n : {5, 8})
    sheets.emplace(n, DrawPicture(*Find("Resource/Fnt/fnt_a" + std::to_string(n) + ".dat")));
  std::vector<std::vector<double>> cells, references;
  for (const Case& c : cases) {
    veyrdale::GlyphCell cell;
    ASSERT_TRUE(veyrdale::FindGlyphCell(c.code, &cell));
    const Canvas& sheet = sheets.at(c.sheet);
    int greys = 0;
    for (int y = 0; y < 24; ++y) {
      for (int x = 0; x < 24; ++x) {
        const Rgb p = sheet.At(cell.sourceX + x, cell.sourceY + y);
        EXPECT_TRUE(p == kGreen || (p.r == p.g && p.g == p.b && p.r <= 160)) << std::hex << c.code;
        greys += p != kGreen;
      }
    }
    EXPECT_GT(greys, 24) << std::hex << c.code;
    cells.push_back(Shape(24, 24, [&](int x, int y) {
      const Rgb p = sheet.At(cell.sourceX + x, cell.sourceY + y);
      return p != kGreen && p.r >= 96;
    }));
    platform::GlyphMetrics m;
    const int64_t size = font->GlyphOutline(c.code, platform::GlyphFormat::kMono1, &m, nullptr, 0);
    ASSERT_GT(size, 0);
    std::vector<uint8_t> bits(static_cast<size_t>(size));
    font->GlyphOutline(c.code, platform::GlyphFormat::kMono1, &m, bits.data(), bits.size());
    const int64_t pitch = platform::GlyphPitch(platform::GlyphFormat::kMono1, m.blackBoxWidth);
    references.push_back(Shape(m.blackBoxWidth, m.blackBoxHeight, [&](int x, int y) {
      return (bits[static_cast<size_t>(y * pitch + x / 8)] & (0x80 >> (x % 8))) != 0;
    }));
  }
  auto distance = [](const std::vector<double>& a, const std::vector<double>& b) {
    double d = 0;
    for (size_t k = 0; k < a.size(); ++k) d += std::abs(a[k] - b[k]);
    return d;
  };
  for (size_t i = 0; i < cells.size(); ++i) {
    for (size_t j = 0; j < references.size(); ++j) {
      if (j != i) {
        EXPECT_LT(distance(cells[i], references[i]), distance(cells[i], references[j]))
            << std::hex << cases[i].code << " looks like " << cases[j].code;
      }
    }
  }
  // No character: 0xB97F and 0xA3FF have trail bytes GBK never uses; the margin stays clear too.
  for (auto [sheet, code] : {std::pair{8, 0xB97Fu}, std::pair{5, 0xA3FFu}}) {
    veyrdale::GlyphCell cell;
    ASSERT_TRUE(veyrdale::FindGlyphCell(code, &cell));
    EXPECT_EQ(CountColour(sheets.at(sheet), kGreen, cell.sourceX, cell.sourceY, 24, 24), 24 * 24);
  }
  EXPECT_EQ(CountColour(sheets.at(8), kGreen, 0, 0, 1010, 2), 1010 * 2);
}

// Every cell with words shows them in light greys on transparent green, within the cell, or on its
// plate; cells without words (a clear title letter, cells the grid does not take) stay green.
// Words on a plate read on every colour: the characters' names and name plates and their card
// names on each character's colour, the player tags on each player's. Such a cell holds the plate,
// the ink and blends of the two at the strokes' rims, nothing else (a dark edge on a dark plate
// leaves only the strokes' thin light middles), and the ink, the pixel that stands furthest from
// the plate, stands at least 4.5:1 from it.
TEST(DemoPictures, WordCellsShowTheirWordsOnGreenOrReadOnTheirPlate) {
  auto between = [](uint8_t v, uint8_t a, uint8_t b) {
    return v >= std::min(a, b) && v <= std::max(a, b);
  };
  int pictures = 0, inked = 0;
  std::map<std::string, int> platedOf;
  for (const DemoPicture& p : DemoPictures()) {
    const veyrdale::PictureGrid& g = p.grid;
    std::string words;
    WordPlace place;
    if (p.style != PictureStyle::kCells || !CellWords(p.label, 0, &words, &place)) continue;
    ++pictures;
    Canvas canvas = DrawPicture(p);
    for (int i = 0; i < g.columns * g.rows; ++i) {
      SCOPED_TRACE(p.file + " cell " + std::to_string(i));
      const bool has = i < g.cells && CellWords(p.label, i, &words, &place) && !words.empty();
      const int x = (i % g.columns) * g.cellWidth, y = (i / g.columns) * g.cellHeight;
      const int green = CountColour(canvas, kGreen, x, y, g.cellWidth, g.cellHeight);
      Rgb plate;
      const bool onPlate = PlateColour(p, i, &plate);
      EXPECT_EQ(green == g.cellWidth * g.cellHeight, !has);
      inked += has;
      if (!has || !onPlate) {
        for (int py = y; py < y + g.cellHeight; ++py) {
          for (int px = x; px < x + g.cellWidth; ++px) {
            const Rgb c = canvas.At(px, py);
            ASSERT_TRUE(c == kGreen || (c.r == c.g && c.g == c.b)) << px << "," << py;
          }
        }
        continue;
      }
      Rgb ink = plate;
      for (int py = y; py < y + g.cellHeight; ++py) {
        for (int px = x; px < x + g.cellWidth; ++px) {
          const Rgb c = canvas.At(px, py);
          if (ContrastRatio(c, plate) > ContrastRatio(ink, plate)) ink = c;
        }
      }
      EXPECT_GE(ContrastRatio(ink, plate), kLegibleContrast);
      int foreign = 0;  // pixels neither plate nor ink nor a blend of the two
      for (int py = y; py < y + g.cellHeight; ++py) {
        for (int px = x; px < x + g.cellWidth; ++px) {
          const Rgb c = canvas.At(px, py);
          foreign += !(between(c.r, plate.r, ink.r) && between(c.g, plate.g, ink.g) &&
                       between(c.b, plate.b, ink.b));
        }
      }
      EXPECT_EQ(foreign, 0);
      ++platedOf[p.label];
    }
  }
  EXPECT_EQ(pictures, 57) << "pictures with words";
  EXPECT_EQ(inked, 240) << "cells with words";
  // Every character's name in both sizes and its four card names, the plates of characters 0, 5
  // and 10 in their special declarations, the five tags.
  std::map<std::string, int> want = {{"name", 16},  {"names", 16}, {"font10", 7},
                                     {"font13", 1}, {"font14", 1}, {"p_num", 5}};
  for (int id = 0; id < kCharacters; ++id)
    want[(id < 10 ? "fonts0" : "fonts") + std::to_string(id)] = 4;
  EXPECT_EQ(platedOf, want);
}

TEST(DemoPictures, DigitSheetsShowTheirDigits) {
  for (const char* file : {"Resource/font00.dat", "Resource/font00s.dat", "Resource/font00b.dat"}) {
    SCOPED_TRACE(file);
    const DemoPicture* p = Find(file);
    Canvas canvas = DrawPicture(*p);
    const veyrdale::PictureGrid& g = p->grid;
    int scale = 1;
    while (3 * (scale + 1) + 2 <= g.cellWidth && 5 * (scale + 1) + 2 <= g.cellHeight) ++scale;
    for (int d = 0; d < 10; ++d) {
      int x = d * g.cellWidth + (g.cellWidth - 3 * scale) / 2;
      int y = (g.cellHeight - 5 * scale) / 2;
      // The digit's white strokes, read back; the edge around them is dark, never green.
      Canvas strokes(3 * scale, 5 * scale, kGreen);
      for (int py = 0; py < 5 * scale; ++py) {
        for (int px = 0; px < 3 * scale; ++px) {
          if (canvas.At(x + px, y + py) == Rgb{255, 255, 255})
            strokes.Fill(px, py, 1, 1, {255, 255, 255});
        }
      }
      EXPECT_EQ(ReadGlyph(strokes, 0, 0, scale, "0123456789"), '0' + d);
    }
  }
}

// Sixteen colours far apart, none near the transparent green nor the obstacles' stone or the
// items' silver; and no pixel of the pictures below turns transparent on a 16-bit screen.
TEST(DemoLooks, EveryCharacterWearsAColourOfItsOwn) {
  for (int a = 0; a < kCharacters; ++a) {
    const Rgb c = kCharacterColours[a];
    EXPECT_GT(ColourDistance(c, kGreen), 70) << a;
    EXPECT_GT(ColourDistance(c, kStone), 30) << a;
    EXPECT_GT(ColourDistance(c, kItemSilver), 30) << a;
    for (int b = a + 1; b < kCharacters; ++b) {
      EXPECT_GE(ColourDistance(c, kCharacterColours[b]), kCharacterToCharacter)
          << a << " and " << b;
    }
  }
}

// No player colour is taken for a character's, and each is bright enough to show when the battle
// adds the rings to the arena.
TEST(DemoLooks, PlayersWearColoursNoCharacterWears) {
  for (size_t p = 0; p < kPlayerColours.size(); ++p) {
    EXPECT_GE(Lightness(kPlayerColours[p]), 50) << p;
    for (int id = 0; id < kCharacters; ++id) {
      EXPECT_GE(ColourDistance(kPlayerColours[p], kCharacterColours[id]), kPlayerToCharacter)
          << "player colour " << p << ", character " << id;
    }
    for (size_t q = p + 1; q < kPlayerColours.size(); ++q)
      EXPECT_GE(ColourDistance(kPlayerColours[p], kPlayerColours[q]), kPlayerToPlayer) << p << q;
  }
}

int NearGreen(const Canvas& c) {
  int n = 0;
  for (int y = 0; y < c.height(); ++y) {
    for (int x = 0; x < c.width(); ++x) n += LooksTransparent(c.At(x, y)) && c.At(x, y) != kGreen;
  }
  return n;
}

// Every character's sheet holds the poses the battle shows most, in the character's colour, and
// its standing figure in heading row r leans toward heading 32r: the frame selection's turns show.
TEST(DemoLooks, FiguresFaceTheirHeadingRowInTheirColour) {
  for (int id = 0; id < kCharacters; ++id) {
    SCOPED_TRACE(id);
    const std::vector<CellLook>& looks = SheetLooks(id, false);
    std::set<Pose> poses;
    for (const CellLook& l : looks) {
      if (l.used) poses.insert(l.pose);
    }
    for (Pose p : {Pose::kStand, Pose::kWalk, Pose::kAttack, Pose::kDown})
      EXPECT_EQ(poses.count(p), 1u) << static_cast<int>(p);
    const std::string file = std::string("Resource/c_") + veyrdale::CharacterCode[id] + "00.dat";
    const Canvas sheet = DrawPicture(*Find(file));
    EXPECT_EQ(NearGreen(sheet), 0);
    for (int row = 0; row < 8; ++row) {
      auto standing = std::find_if(looks.begin(), looks.end(), [&](const CellLook& l) {
        return l.used && l.pose == Pose::kStand && l.row == row;
      });
      ASSERT_NE(standing, looks.end()) << "row " << row;
      const int cell = static_cast<int>(standing - looks.begin());
      const int x0 = (cell % 10) * 64, y0 = (cell / 10) * 64;
      double sx = 0, sy = 0, n = 0;
      int own = 0;
      for (int y = y0; y < y0 + 64; ++y) {
        for (int x = x0; x < x0 + 64; ++x) {
          if (sheet.At(x, y) == kGreen) continue;
          own += sheet.At(x, y) == kCharacterColours[id];
          sx += x + 0.5 - (x0 + 32), sy += y + 0.5 - (y0 + 34), ++n;
        }
      }
      EXPECT_GT(own, 200) << "row " << row;
      const double angle = std::atan2(-sy, sx) * 128 / std::numbers::pi;  // in heading steps
      const double off = std::remainder(angle - 32 * row, 256.0);
      EXPECT_LT(std::abs(off), 12) << "row " << row << " leans toward heading " << angle;
    }
  }
}

// What the battle draws over the players (the status bar's frame, the trees' leaves, the side
// walls, the borders of the arenas' overlays), placed where it draws them, leaves the field where
// the players stand green.
TEST(DemoLooks, PicturesOverTheArenaLeaveTheFieldGreen) {
  struct Placement {
    const char* file;
    int sx, sy, w, h;  // the part drawn
    int dx, dy;        // where its corner lands on the screen
  } placements[] = {
      {"Resource/fram.dat", 0, 0, 320, 480, 0, 0},
      {"Resource/fram.dat", 320, 0, 320, 480, 320, 0},
      {"Resource/tree.dat", 0, 0, 128, 208, -48, 0},
      {"Resource/treeb.dat", 0, 0, 128, 208, 560, 0},
      {"Resource/wall.dat", 0, 0, 64, 480, 0, 0},
      {"Resource/wall.dat", 64, 0, 64, 480, 576, 0},
      {"Resource/bg00a.dat", 0, 0, 320, 160, 160, 0},
      {"Resource/bg07a.dat", 0, 320, 320, 96, 160, 384},
      {"Resource/bg09b.dat", 16, 0, 544, 32, 112, 0},
      {"Resource/bg09b.dat", 480, 32, 64, 448, 576, 32},
  };
  constexpr int kLeft = 24, kTop = 24, kRight = 616, kBottom = 456;
  for (const Placement& at : placements) {
    SCOPED_TRACE(std::string(at.file) + " at " + std::to_string(at.dx) + "," +
                 std::to_string(at.dy));
    const Canvas c = DrawPicture(*Find(at.file));
    EXPECT_EQ(NearGreen(c), 0);
    int inside = 0, covered = 0;
    for (int v = at.sy; v < at.sy + at.h; ++v) {
      for (int u = at.sx; u < at.sx + at.w; ++u) {
        const int x = at.dx + u - at.sx, y = at.dy + v - at.sy;
        if (x < kLeft || x >= kRight || y < kTop || y >= kBottom) continue;
        ++inside;
        covered += c.At(u, v) != kGreen;
      }
    }
    EXPECT_GT(inside, 0);
    EXPECT_EQ(covered, 0);
  }
}

// The pixels of a cell that differ from the cell turned about its middle by `quarters` quarter
// turns (1, which takes a square cell, or 2).
int TurnedMismatches(const Canvas& c, int x0, int y0, int w, int h, int quarters) {
  int n = 0;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const int tx = quarters == 2 ? w - 1 - x : y, ty = quarters == 2 ? h - 1 - y : w - 1 - x;
      n += c.At(x0 + x, y0 + y) != c.At(x0 + tx, y0 + ty);
    }
  }
  return n;
}

// The arenas' objects are things, not faces: a still one (the eye-stone of arenas 0 and 1 first)
// looks the same turned half round, as a face with its eyes to one side cannot, and the two that
// walk are turrets with a barrel the way their cell faces (arena 5's pacer right, up, left, down,
// five cells each; arena 4's walker right, mirrored by the game). The glow the game never turns
// looks the same turned a quarter, where a drop points; a shot the game turns keeps its drop.
TEST(DemoLooks, ArenaObjectsAndUnturnedGlowsAreThingsThatPointNowhere) {
  int objects = 0;
  for (const DemoPicture& p : DemoPictures()) {
    if (p.style != PictureStyle::kArenaObject) continue;
    ++objects;
    const Canvas c = DrawPicture(p);
    const bool turret = p.label == "en01" || p.label == "en03";
    ForEachCell(p, [&](int i, int x, int y, int w, int h) {
      SCOPED_TRACE(p.label + " cell " + std::to_string(i));
      EXPECT_NE(c.At(x + w / 2, y + h / 2), kGreen);
      if (!turret) {
        EXPECT_LE(TurnedMismatches(c, x, y, w, h, 2), w * h / 100);
        return;
      }
      const double a = (p.label == "en03" ? i / 5 % 4 : 0) * std::numbers::pi / 2;
      const double bx = std::cos(a) * w * 0.37, by = -std::sin(a) * h * 0.37;
      EXPECT_NE(c.At(static_cast<int>(x + w / 2 + bx), static_cast<int>(y + h / 2 + by)), kGreen);
      EXPECT_EQ(c.At(static_cast<int>(x + w / 2 - bx), static_cast<int>(y + h / 2 - by)), kGreen);
    });
  }
  EXPECT_EQ(objects, 9);  // en00-en08
  const Canvas glow = DrawPicture(*Find("Resource/shot61.dat"));
  EXPECT_LE(TurnedMismatches(glow, 0, 0, 128, 128, 1), 128 * 128 / 100);
  EXPECT_NE(glow.At(64, 64), kGreen);
  const Canvas drop = DrawPicture(*Find("Resource/shot64.dat"));
  EXPECT_GT(TurnedMismatches(drop, 0, 0, 64, 64, 2), 64 * 64 / 20);
}

// The digits (the canvas's letters at scale 2) that the dark ink spells in ring cell `cell`, each
// with its corner in the cell.
struct Mark {
  int digit, x, y;
};
std::vector<Mark> RingMarks(const Canvas& rings, int cell, int size) {
  Canvas ink(size, size, kGreen);
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      if (rings.At(x, size * cell + y) == kInk) ink.Fill(x, y, 1, 1, {255, 255, 255});
    }
  }
  std::vector<Mark> marks;
  for (int y = 0; y + 10 <= size; ++y) {
    for (int x = 0; x + 6 <= size; ++x) {
      const char c = ReadGlyph(ink, x, y, 2, "0123456789");
      if (c != '?') marks.push_back({c - '0', x, y});
    }
  }
  return marks;
}

// The corner badges: ring cell p (4 x team in team play) centred at (65, 14) or (575, 14), 452
// lower for players 2 and 3. After them the battle draws the corner panel (64 x 48 at
// (1, 430h + 1), mirrored at (575, 430h + 1)), the name plate (128 x 12 at (68, 438h + 16), or at
// 443 + the character's shift) and the status bar's frame. Each badge shows its number whole on
// the screen, clear of all three, whichever character the player plays.
TEST(DemoLooks, TheCornerBadgesShowTheirNumberWhereNothingCoversIt) {
  constexpr int kShift[16] = {34, 34, 28, 43, 26, 82, 86, -10, 28, 28, 48, 28, 82, 43, 26, 34};
  const Canvas rings = DrawPicture(*Find("Resource/shadow.dat"));
  const Canvas frame = DrawPicture(*Find("Resource/fram.dat"));
  auto inside = [](int x, int y, int left, int top, int w, int h) {
    return x >= left && x < left + w && y >= top && y < top + h;
  };
  for (int player = 0; player < 4; ++player) {
    const int h = player / 2, odd = player % 2, cx = odd ? 575 : 65, cy = 14 + 452 * h;
    // Its own cell in free play; either team's in team play, whose marks are 1 and 2.
    for (auto [cell, digit] : {std::pair{player, player + 1}, std::pair{0, 1}, std::pair{4, 2}}) {
      EXPECT_GT(CountColour(rings, kPlayerColours[cell], 0, 60 * cell, 60, 60), 400);
      const std::vector<Mark> marks = RingMarks(rings, cell, 60);
      for (int id = 0; id < kCharacters; ++id) {
        const int plateX = odd ? 443 + kShift[id] : 68;
        auto clear = [&](const Mark& m) {
          for (int v = 0; v < 10; ++v) {
            for (int u = 0; u < 6; ++u) {
              const int x = cx - 30 + m.x + u, y = cy - 30 + m.y + v;
              if (!inside(x, y, 0, 0, 640, 480) ||
                  inside(x, y, odd ? 575 : 1, 430 * h + 1, 64, 48) ||
                  inside(x, y, plateX, 438 * h + 16, 128, 12) || frame.At(x, y) != kGreen) {
                return false;
              }
            }
          }
          return m.digit == digit;
        };
        EXPECT_TRUE(std::any_of(marks.begin(), marks.end(), clear))
            << "player " << player << ", cell " << cell << ", character " << id;
      }
    }
  }
}

// The sheets that arenas also add over the whole screen at twice their size (the glowing props of
// arenas 4 and 9 add their block sheet, 6 and 8 their third background) hold obstacles whose rims
// are all but black: added, they leave no outline of a block across the field.
TEST(DemoLooks, SheetsAddedOverTheScreenLeaveNoOutlineOfABlock) {
  for (auto [arena, layer] : {std::pair{4, 1}, std::pair{9, 1}, std::pair{6, 2}, std::pair{8, 2}}) {
    const Canvas c = DrawPicture(*Find(
        std::string("Resource/") + veyrdale::kArenaPictures[arena].backgrounds[layer] + ".dat"));
    int rim = 0;
    for (int y = 1; y + 1 < c.height(); ++y) {
      for (int x = 1; x + 1 < c.width(); ++x) {
        const Rgb p = c.At(x, y);
        if (p == kGreen || (c.At(x - 1, y) != kGreen && c.At(x + 1, y) != kGreen &&
                            c.At(x, y - 1) != kGreen && c.At(x, y + 1) != kGreen)) {
          continue;
        }
        ++rim;
        ASSERT_LE(std::max({p.r, p.g, p.b}), 8) << arena << ": " << x << "," << y;
      }
    }
    EXPECT_GT(rim, 100) << arena;
  }
}

// ---------------------------------------------------------------------------------------------
// Fallback labels

// The label is found in each cell that shows it, whatever the cell's size, and in no cell that
// shows art or words: labelled boxes with the art put back into the odd cells leave the even.
TEST(DemoLabels, TheLabelIsFoundInTheCellsThatShowItAndNoOthers) {
  for (const char* file : {"Resource/star.dat", "Resource/green.dat", "Resource/font06s.dat",
                           "Resource/bst.dat", "Resource/font01.dat", "Resource/p_num.dat"}) {
    SCOPED_TRACE(file);
    const DemoPicture art = *Find(file);
    DemoPicture bare = art;
    bare.style = PictureStyle::kCells;
    bare.label = "no art";  // names no words, so every cell falls back to its label
    const Canvas drawn = DrawPicture(art);
    Canvas mixed = DrawPicture(bare);
    auto found = [&](const Canvas& c) {
      return LabelledCells(bare, [&c](int x, int y) { return c.At(x, y); });
    };
    EXPECT_TRUE(found(drawn).empty());
    const veyrdale::PictureGrid& g = art.grid;
    std::vector<int> even;
    for (int i = 0; i < g.cells; ++i) {
      const int x0 = (i % g.columns) * g.cellWidth, y0 = (i / g.columns) * g.cellHeight;
      for (int y = y0; y < y0 + g.cellHeight && i % 2 == 1; ++y) {
        for (int x = x0; x < x0 + g.cellWidth; ++x) mixed.Fill(x, y, 1, 1, drawn.At(x, y));
      }
      if (i % 2 == 0) even.push_back(i);
    }
    EXPECT_EQ(found(mixed), even);
  }
}

// ---------------------------------------------------------------------------------------------
// Sounds and music

TEST(DemoSounds, PcmOfTheRightFormatLengthAndPitch) {
  int previousCrossings = -1;
  for (int i = 0; i < 85; ++i) {
    SCOPED_TRACE(i);
    std::string wav = MakeSound(i);
    ASSERT_GE(wav.size(), 44u);
    EXPECT_EQ(wav.substr(0, 4), "RIFF");
    EXPECT_EQ(Le(wav, 4, 4), wav.size() - 8);
    EXPECT_EQ(Le(wav, 20, 2), 1u);      // PCM
    EXPECT_EQ(Le(wav, 22, 2), 1u);      // mono
    EXPECT_EQ(Le(wav, 24, 4), 22050u);  // rate
    EXPECT_EQ(Le(wav, 34, 2), 16u);     // bits
    morrow::WaveFormat format{};
    uint8_t* pcm = nullptr;
    uint32_t size = 0;
    ASSERT_EQ(morrow::DecodeSoundImage(wav.data(), wav.size(), &format, &pcm, &size), 0);
    double ms = size / 2 * 1000.0 / 22050;
    EXPECT_GE(ms, 49.9);
    EXPECT_LE(ms, 150.0);
    // Pitch rises with the index: count upward zero crossings per second.
    const int16_t* s = reinterpret_cast<const int16_t*>(pcm);
    int crossings = 0;
    for (uint32_t k = 1; k < size / 2; ++k) crossings += s[k - 1] < 0 && s[k] >= 0;
    int perSecond = static_cast<int>(crossings * 1000 / ms);
    EXPECT_GT(perSecond, previousCrossings);
    previousCrossings = perSecond;
    morrow::FreeMemory(pcm);
  }
}

TEST(DemoSounds, TheCheckerNamesSoundsThatAreNotWhatTheTreeHolds) {
  for (int i = 0; i < 85; ++i) EXPECT_EQ(CheckSound(MakeSound(i)), "") << i;
  std::string good = MakeSound(40);
  auto with = [&](size_t at, std::string bytes) {
    std::string s = good;
    s.replace(at, bytes.size(), bytes);
    return s;
  };
  struct Case {
    const char* name;
    std::string bytes;
  } cases[] = {
      {"empty", ""},
      {"cut in the samples", good.substr(0, good.size() - 100)},
      {"longer than it says", good + std::string(100, '\0')},
      {"stereo", with(22, std::string("\2\0", 2))},
      {"8-bit", with(34, std::string("\x08\0", 2))},
      {"another rate", with(24, std::string("\x44\xac\0\0", 4))},
      {"not PCM", with(20, std::string("\x55\0", 2))},
      {"no samples", good.substr(0, 40) + std::string(4, '\0')},
      {"not RIFF", with(0, "RIFX")},
  };
  for (const Case& c : cases) EXPECT_NE(CheckSound(c.bytes), "") << c.name;
  for (size_t n = 0; n < 64; ++n) EXPECT_NE(CheckSound(good.substr(0, n)), "") << n;
}

// The sound loader takes the music the game also loads as a sound, and only that one.
TEST(DemoMusic, EveryFileIsDistinctAndOnlyTheWaveMusicIsASound) {
  std::set<std::string> seen;
  for (int n = 0; n < kMusicCount; ++n) {
    SCOPED_TRACE(n);
    std::string music = MakeMusic(n);
    const bool wave = n == kWaveMusic;
    EXPECT_EQ(wave ? CheckWaveMusic(music) : CheckMusic(music), "");
    EXPECT_NE(wave ? CheckMusic(music) : CheckWaveMusic(music), "");
    EXPECT_EQ(music[9], wave ? 'A' : 0) << "MIDI type 0, or WAVE";
    EXPECT_TRUE(seen.insert(music).second) << "each file its own notes";
    morrow::WaveFormat format{};
    uint8_t* pcm = nullptr;
    uint32_t size = 0;
    EXPECT_EQ(morrow::DecodeSoundImage(music.data(), music.size(), &format, &pcm, &size),
              wave ? 0 : -1);
    EXPECT_EQ(size, wave ? 16u * (22050 / 4) * 2 : 0u) << "sixteen eighth notes at 120 a minute";
    morrow::FreeMemory(pcm);
  }
}

TEST(DemoMusic, DamagedMidiFilesAreRefused) {
  std::string good = MakeMusic(3);
  struct Case {
    const char* name;
    std::string bytes;
  } cases[] = {
      {"empty", ""},
      {"not midi", "RIFF" + good.substr(4)},
      {"type 2", good.substr(0, 9) + '\2' + good.substr(10)},
      {"no end of track", good.substr(0, good.size() - 4) + std::string("\x00\x90\x3c\x40", 4)},
      {"trailing bytes", good + "x"},
      {"track longer than the file",
       good.substr(0, 18) + std::string("\x7f\xff\xff\xff", 4) + good.substr(22)},
  };
  for (const Case& c : cases) EXPECT_NE(CheckMusic(c.bytes), "") << c.name;
  // Every cut of a good file is refused, and none reads past its end (ASan).
  for (size_t n = 0; n < good.size(); ++n) {
    EXPECT_NE(CheckMusic(good.substr(0, n)), "") << "cut at " << n;
  }
}

// ---------------------------------------------------------------------------------------------
// Maps

TEST(DemoMaps, EveryMapKeepsTheRulesAndNoStartIsWalledIn) {
  TempDir dir;
  for (int n = 0; n < kMapCount; ++n) {
    SCOPED_TRACE(n);
    std::string map = MakeMap(n);
    EXPECT_EQ(map.size(), 304u);
    EXPECT_EQ(CheckMapFile(map, n), "");
    WriteFile(dir.File("m.mpd"), map);
    EXPECT_EQ(CheckMapStarts(dir.File("m.mpd").c_str()), "");
  }
  std::string eleven = MakeMap(11);
  EXPECT_EQ(std::count(eleven.begin() + 4, eleven.end(), 3), 1);
  EXPECT_EQ(std::count(eleven.begin() + 4, eleven.end(), 2), 1);
}

TEST(DemoMaps, TheStartPlacesAreTheGamesOwn) {
  std::vector<StartPoint> starts = StartPoints();
  auto has = [&](int x, int y) {
    return std::any_of(starts.begin(), starts.end(),
                       [&](const StartPoint& s) { return s.x == x && s.y == y; });
  };
  EXPECT_TRUE(has(96, 96));
  EXPECT_TRUE(has(544, 442));
  EXPECT_TRUE(has(320, 310)) << "main stage 0";
  EXPECT_TRUE(has(320, 420)) << "main stage 7 with three players";
  EXPECT_TRUE(has(40, 240)) << "extra stage 6";
  EXPECT_TRUE(has(600, 240));
}

TEST(DemoMaps, BrokenMapsAreRefused) {
  std::string good = MakeMap(4);
  std::string noBlocks = good.substr(0, 4) + std::string(300, '\0');
  std::string twoThrees = MakeMap(11);
  size_t one = twoThrees.find('\1', 4);
  twoThrees[one] = 3;
  struct Case {
    const char* name;
    std::string bytes;
    int n;
  } cases[] = {
      {"short", good.substr(0, 303), 4},
      {"long", good + '\0', 4},
      {"columns", std::string("\x13\x00", 2) + good.substr(2), 4},
      {"rows", good.substr(0, 2) + std::string("\x10\x00", 2) + good.substr(4), 4},
      {"nothing breakable", noBlocks, 4},
      {"two cells of 3 on map 11", twoThrees, 11},
  };
  for (const Case& c : cases) EXPECT_NE(CheckMapFile(c.bytes, c.n), "") << c.name;

  // A block under a start place: cell (3, 3) holds the player who starts at (96, 96).
  TempDir dir;
  std::string walled = noBlocks;
  walled[4 + 3 * 15 + 3] = 1;
  WriteFile(dir.File("w.mpd"), walled);
  EXPECT_NE(CheckMapStarts(dir.File("w.mpd").c_str()), "");
  WriteFile(dir.File("short.mpd"), good.substr(0, 100));
  EXPECT_NE(CheckMapStarts(dir.File("short.mpd").c_str()), "") << "cells the file misses";
  EXPECT_NE(CheckMapStarts(dir.File("missing.mpd").c_str()), "");
}

// ---------------------------------------------------------------------------------------------
// Scripts

TEST(DemoScripts, EveryScriptIsGbkTextWithPagesAndAnEnd) {
  for (const DemoScript& s : DemoScripts()) {
    SCOPED_TRACE(s.file);
    std::string gbk = MakeScript(s);
    EXPECT_EQ(CheckScript(gbk, s.finalStage), "");
    // The text names its file in full-width characters.
    std::string name = s.file.substr(s.file.rfind('/') + 1);
    std::string utf8 = platform::GbkToUtf8(gbk);
    EXPECT_NE(utf8.find("ｓｒｄ"), std::string::npos);
    EXPECT_EQ(gbk.find('\r'), std::string::npos) << "line feeds only";
    size_t end = gbk.rfind('_');
    ASSERT_NE(end, std::string::npos);
    EXPECT_EQ(gbk.substr(end), "_\n");
  }
  int finals = 0;
  for (const DemoScript& s : DemoScripts()) finals += s.finalStage;
  EXPECT_EQ(finals, 4) << "17, 17n, ex109, ex109b";
}

TEST(DemoScripts, ScriptsTheDialogueCannotRunAreRefused) {
  auto gbk = [](const std::string& utf8) { return platform::Utf8ToGbk(utf8); };
  std::string row24 = gbk(std::string("一二三四五六七八九十一二三四五六七八九十一二三四"));
  std::string row25 = row24 + gbk("五");
  std::string row48 = row24 + row24;
  struct Case {
    const char* name;
    std::string bytes;
    bool finalStage;
    bool good;
  } cases[] = {
      {"plain page", gbk(">1A0\n你好\\_\n"), false, true},
      {"three rows", gbk("一~\n二~\n三\\_"), false, true},
      {"a full row ends by count, its ~ taken", row24 + "~" + gbk("二\\_"), false, true},
      {"48 on the final stage", row48 + gbk("\\_"), true, true},
      {"effects and blackout", gbk("S4B1B2GNE你\\_"), false, true},
      {"four rows", gbk("一~二~三~四\\_"), false, false},
      {"a long row wraps into a fourth", row25 + "~" + gbk("二~三\\_"), false, false},
      {"a long row wraps on the final stage too", row48 + gbk("五~二~三\\_"), true, false},
      {"no end mark", gbk("你好\\"), false, false},
      {"bytes after the end", gbk("你\\_x"), false, false},
      {"entry before the first page", gbk("!1你\\_"), false, false},
      {"entries after a page", gbk("你\\\n!1\n# enters\n!4\n他\\_"), false, true},
      {"entry of player 5", gbk("你\\!5他\\_"), false, false},
      {"entry in the final text", gbk("你\\!1他\\_"), true, false},
      {"wait command", gbk("$2你\\_"), false, false},
      {"event command", gbk("M你\\_"), false, false},
      {"turn command", gbk("T10你\\_"), false, false},
      {"player count", gbk("P+你\\_"), false, false},
      {"page end first", gbk("\\你\\_"), false, false},
      {"stray ascii", gbk("a你\\_"), false, false},
      {"bad trail byte", std::string("\xC4\x0A\\_"), false, false},
      {"lead byte at the end", std::string("\xC4"), false, false},
      {"speaker slot 3", gbk(">3A0你\\_"), false, false},
      {"speaker cut short", gbk(">1A"), false, false},
      {"sound S8", gbk("S8你\\_"), false, false},
  };
  for (const Case& c : cases) {
    std::string fault = CheckScript(c.bytes, c.finalStage);
    EXPECT_EQ(fault.empty(), c.good) << c.name << ": " << fault;
  }
  // Every cut of a good script is refused without reading past its end.
  std::string good = MakeScript(DemoScripts()[0]);
  for (size_t n = 0; n + 2 < good.size(); ++n) {
    EXPECT_NE(CheckScript(good.substr(0, n), false), "") << "cut at " << n;
  }
}

// ---------------------------------------------------------------------------------------------
// The whole tree

TEST(DemoTree, WritesEveryFileAndTheSameBytesTwice) {
  TempDir a, b;
  std::string error;
  ASSERT_EQ(WriteDemoTree(a.path(), &error), TreeWrite::kDone) << error;
  ASSERT_EQ(WriteDemoTree(b.path(), &error), TreeWrite::kDone) << error;
  std::set<std::string> written;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(a.path())) {
    if (entry.is_regular_file()) {
      written.insert(std::filesystem::relative(entry.path(), a.path()).string());
    }
  }
  std::vector<std::string> files = DemoFiles();
  std::set<std::string> expected(files.begin(), files.end());
  expected.insert(kTreeMark);
  EXPECT_EQ(written, expected) << "every file, the mark last, and no staging folder left";
  for (const std::string& f : files) {
    std::string first = ReadFile(a.File(f));
    ASSERT_FALSE(first.empty()) << f;
    ASSERT_EQ(first, ReadFile(b.File(f))) << f;
  }
  // Pictures are PNG files of their grid's size, whatever the game calls them.
  for (const DemoPicture& p : DemoPictures()) {
    std::string png = ReadFile(a.File(p.file));
    ASSERT_EQ(png.substr(1, 3), "PNG") << p.file;
    uint32_t w = (static_cast<uint8_t>(png[16]) << 24) | (static_cast<uint8_t>(png[17]) << 16) |
                 (static_cast<uint8_t>(png[18]) << 8) | static_cast<uint8_t>(png[19]);
    EXPECT_EQ(static_cast<int>(w), veyrdale::GridWidth(p.grid)) << p.file;
  }
  // A tree an earlier run cut short is replaced with the same bytes.
  WriteFile(a.File("Resource/SE/zan.wav"), ReadFile(b.File("Resource/SE/zan.wav")).substr(0, 9));
  ASSERT_EQ(WriteDemoTree(a.path(), &error), TreeWrite::kDone) << error;
  EXPECT_EQ(ReadFile(a.File("Resource/SE/zan.wav")), ReadFile(b.File("Resource/SE/zan.wav")));
}

TEST(DemoTree, AFolderThatCannotBeWrittenIsReported) {
  TempDir dir;
  WriteFile(dir.File("Resource"), "a file where the folder belongs");
  std::string error;
  EXPECT_EQ(WriteDemoTree(dir.path(), &error), TreeWrite::kKept);
  EXPECT_EQ(ReadFile(dir.File("Resource")), "a file where the folder belongs");
  EXPECT_NE(error, "");
}

// A run that finds another in its folder waits for it, and a stop ends the wait: nothing is made,
// and `stop` is asked while nothing of the run is there yet.
TEST(DemoTree, ARunWaitsForAnotherInItsFolderUntilStopped) {
  TempDir dir;
  const int other = open(dir.path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  ASSERT_EQ(flock(other, LOCK_EX | LOCK_NB), 0);
  std::atomic<int> asked{0};
  std::atomic<bool> building{false};
  std::string error;
  const TreeWrite result = WriteDemoTree(dir.path(), &error, [&] {
    if (!Names(dir.path()).empty()) building = true;
    return ++asked >= 3;
  });
  close(other);
  EXPECT_EQ(result, TreeWrite::kFailed);
  EXPECT_EQ(error, "stopped");
  EXPECT_FALSE(building) << "the run went on while the folder was held";
  EXPECT_TRUE(Names(dir.path()).empty());
}

// A folder its user may write into and enter but not list cannot be locked for a turn: the tree
// is written there all the same, as before runs took turns.
TEST(DemoTree, AFolderThatCannotBeListedStillGetsItsTree) {
  TempDir dir;
  const std::string folder = dir.File("unlisted");
  ASSERT_EQ(mkdir(folder.c_str(), 0333), 0);
  ASSERT_EQ(chmod(folder.c_str(), 0333), 0);
  if (geteuid() == 0) {
    ASSERT_EQ(chmod(dir.path().c_str(), 0755), 0);
    ASSERT_EQ(chown(folder.c_str(), testsupport::kNobody, testsupport::kNobody), 0);
  }
  const std::optional<std::string> said = testsupport::AsUnprivileged([&] {
    if (access(folder.c_str(), R_OK) == 0) return std::string("listable");
    std::string error;
    const TreeWrite result = WriteDemoTree(folder, &error);
    return std::to_string(static_cast<int>(result)) + " " + error;
  });
  ASSERT_TRUE(said.has_value());
  ASSERT_NE(*said, "listable") << "the user may list the folder: nothing to try";
  EXPECT_EQ(*said, std::to_string(static_cast<int>(TreeWrite::kDone)) + " ");
  chmod(folder.c_str(), 0755);
  EXPECT_EQ(ReadFile(folder + "/" + kTreeMark), kTreeMarkText);
}

// Writes the new tree of a run as a copy of one the tool made once in this process: for tests of
// what happens at a run's end, which the way the new tree's bytes were made does not change.
bool CopyATreeMadeOnce(const std::string& root, const std::function<bool()>&, std::string* error) {
  static TempDir made;
  static const bool whole = WriteDemoTree(made.path(), error) == TreeWrite::kDone;
  std::error_code ec;
  if (whole) fs::copy(made.File("Resource"), root + "/Resource", fs::copy_options::recursive, ec);
  if (ec) *error = ec.message();
  return whole && !ec;
}

// A small tree of the tool's own: one sound whole, one map cut short, one picture whole, in DIR.
void WriteOwnCutTree(const TempDir& dir) {
  for (const char* folder : {"Resource/SE", "Resource/Mpd"}) {
    fs::create_directories(dir.File(folder));
  }
  WriteFile(dir.File(DemoSoundFiles()[0]), MakeSound(0));
  WriteFile(dir.File(MapFile(0)), MakeMap(0).substr(0, 100));
  std::string png, why;
  ASSERT_TRUE(EncodePng(DrawPicture(*Find("Resource/wall.dat")), &png, &why)) << why;
  WriteFile(dir.File("Resource/wall.dat"), png);
}

// The old tree is looked at again before the exchange, its names and then each file, and once
// more after it: a file written (even to the same size), appended to, replaced by another file of
// the same bytes or by a link to such a file, removed, put where none was (with the tool's own
// bytes) or under a name not the tool's keeps the whole old tree as it then stands, with a line
// naming the file and no staging folder left; whether made while the new tree was built, between
// the last look at the names and the files' looks, just before the exchange, or just after it
// through folders of the old tree held open (as a shell whose working folder is in it). A change
// the files' last look can see is caught before the trees are exchanged at all. A file only read
// is no change: the new tree goes in.
TEST(DemoTree, AChangeAtTheEndOfARunKeepsTheOldTree) {
  enum Change { kNothing, kWrite, kAppend, kReplace, kLink, kRemove, kAdd, kName };
  const struct {
    TreeMoment moment;
    Change change;
    bool exchanges;  // whether the trees are exchanged (and, on a change, exchanged back)
  } cases[] = {
      {TreeMoment::kExchanged, kNothing, true}, {TreeMoment::kBuilt, kLink, false},
      {TreeMoment::kNamesSeen, kWrite, false},  {TreeMoment::kNamesSeen, kName, true},
      {TreeMoment::kLooked, kWrite, true},      {TreeMoment::kLooked, kAppend, true},
      {TreeMoment::kLooked, kReplace, true},    {TreeMoment::kLooked, kRemove, true},
      {TreeMoment::kLooked, kAdd, true},        {TreeMoment::kExchanged, kWrite, true},
      {TreeMoment::kExchanged, kAppend, true},  {TreeMoment::kExchanged, kReplace, true},
      {TreeMoment::kExchanged, kRemove, true},  {TreeMoment::kExchanged, kAdd, true},
  };
  const std::string sound = DemoSoundFiles()[0];
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message()
                 << "moment " << static_cast<int>(c.moment) << ", change " << c.change);
    const std::string file = c.change == kAdd    ? MapFile(1)
                             : c.change == kName ? "Resource/SE/notes.txt"
                                                 : sound;
    TempDir dir;
    WriteOwnCutTree(dir);
    // The old tree's entries and the bytes of its regular files, wherever it stands.
    auto stands = [&](const std::string& tree) {
      std::vector<std::string> entries = Listing(tree);
      for (const std::string& f : {sound, MapFile(0), std::string("Resource/wall.dat")}) {
        const std::string path = tree + "/" + f.substr(std::string("Resource/").size());
        if (fs::is_regular_file(fs::symlink_status(path))) entries.push_back(ReadFile(path));
      }
      return entries;
    };
    // Every change goes through the file's folder as opened now, which stays the old tree's.
    const int folder =
        open(fs::path(dir.File(file)).parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(folder, 0);
    const std::string name = fs::path(file).filename().string();
    bool exchanged = false;
    std::vector<std::string> was;
    auto changeIt = [&](TreeMoment moment) {
      exchanged |= moment == TreeMoment::kExchanged;
      if (moment != c.moment) return;
      const int fd = openat(folder, name.c_str(), O_RDONLY | O_CLOEXEC);
      if (c.change == kNothing) {
        char byte;
        EXPECT_EQ(read(fd, &byte, 1), 1);
      }
      if (fd >= 0) close(fd);
      if (c.change == kWrite || c.change == kAppend) {
        const int w = openat(folder, name.c_str(),
                             O_WRONLY | O_CLOEXEC | (c.change == kAppend ? O_APPEND : 0));
        EXPECT_EQ(c.change == kAppend ? write(w, "X", 1) : pwrite(w, "X", 1, 0), 1);
        close(w);
      }
      if (c.change == kReplace || c.change == kLink) {
        const std::string copy = dir.File("copy.wav");
        WriteFile(copy, MakeSound(0));
        if (c.change == kReplace) {
          EXPECT_EQ(renameat(AT_FDCWD, copy.c_str(), folder, name.c_str()), 0);
        }
        if (c.change == kLink) {
          EXPECT_EQ(unlinkat(folder, name.c_str(), 0), 0);
          EXPECT_EQ(symlinkat(copy.c_str(), folder, name.c_str()), 0);
        }
      }
      if (c.change == kRemove) {
        EXPECT_EQ(unlinkat(folder, name.c_str(), 0), 0);
      }
      if (c.change == kAdd || c.change == kName) {
        const int w = openat(folder, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        const std::string bytes = c.change == kAdd ? MakeMap(1) : "notes";
        EXPECT_EQ(write(w, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
        close(w);
      }
      // After the exchange the old tree is the staging folder's.
      std::string tree = dir.File("Resource");
      for (const std::string& entry : Names(dir.path())) {
        if (moment == TreeMoment::kExchanged && IsStagingName(entry)) {
          tree = dir.File(entry + "/Resource");
        }
      }
      was = stands(tree);
    };
    std::string error;
    const TreeWrite result = WriteDemoTree(dir.path(), &error, {}, changeIt, CopyATreeMadeOnce);
    close(folder);
    std::vector<std::string> left = Names(dir.path());
    std::erase(left, "copy.wav");
    EXPECT_EQ(left, std::vector<std::string>{"Resource"}) << "no staging folder left";
    EXPECT_EQ(exchanged, c.exchanges);
    if (c.change == kNothing) {
      EXPECT_EQ(result, TreeWrite::kDone) << error;
      EXPECT_EQ(ReadFile(dir.File(kTreeMark)), kTreeMarkText);
      EXPECT_EQ(ReadFile(dir.File(MapFile(0))), MakeMap(0));
      continue;
    }
    EXPECT_EQ(result, TreeWrite::kKept);
    const std::string says = c.change == kRemove
                                 ? file + " was removed while the new tree was built"
                                 : "holds " + file + ", which make-demo-resources did not write";
    EXPECT_NE(error.find(says + "; left as it is"), std::string::npos) << error;
    EXPECT_TRUE(stands(dir.File("Resource")) == was)
        << "the old tree as it stood, the change in it";
    EXPECT_FALSE(fs::exists(dir.File(kTreeMark)));
  }
}

// Another user's tree (the superuser's, of the tool's own bytes but cut short) in a folder anyone
// may write, with the run as nobody: a tree the process could not have written or emptied is kept
// as it is, with a line naming what it may not replace, before anything is written; one whose
// every file and folder it may write is replaced as its own would be. Mode 0755 folders it may not
// write, 0644 files it may not write, sticky folders whose entries it may not remove, a sticky
// folder above a tree it may write but not move out of it, and a 0755 folder above a tree it may
// write, where the new tree cannot be built nor take the old one's name.
TEST(DemoTree, AnotherUsersTreeIsReplacedOnlyWhereTheRunCouldWriteIt) {
  if (geteuid() != 0) GTEST_SKIP() << "another user's tree and a run as another user: superuser";
  const struct {
    mode_t dir, folders, files;
    const char* denied;  // the entry the line names; nullptr: the tree is replaced
  } cases[] = {
      {0777, 0755, 0644, "Resource"},   {0777, 0777, 0644, "Resource/"},
      {0777, 01777, 0644, "Resource/"}, {0777, 01777, 0666, "Resource/"},
      {01777, 0777, 0666, "Resource"},  {0755, 0777, 0666, "Resource"},
      {0777, 0777, 0666, nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << std::oct << "folder " << c.dir << ", tree's folders "
                                    << c.folders << ", files " << c.files);
    TempDir dir;
    WriteOwnCutTree(dir);
    for (const auto& e : fs::recursive_directory_iterator(dir.File("Resource"))) {
      ASSERT_EQ(chmod(e.path().c_str(), e.is_directory() ? c.folders : c.files), 0);
    }
    ASSERT_EQ(chmod(dir.File("Resource").c_str(), c.folders), 0);
    ASSERT_EQ(chmod(dir.path().c_str(), c.dir), 0);
    // Every entry: name, kind and size, and its inode, owner and mode; and the files' bytes.
    auto stands = [&] {
      std::vector<std::string> entries = Listing(dir.path());
      for (const auto& e : fs::recursive_directory_iterator(dir.path())) {
        struct stat st {};
        EXPECT_EQ(lstat(e.path().c_str(), &st), 0);
        entries.push_back(e.path().string() + " " + std::to_string(st.st_ino) + " " +
                          std::to_string(st.st_uid) + " " + std::to_string(st.st_mode));
        if (e.is_regular_file()) entries.push_back(ReadFile(e.path()));
      }
      return entries;
    };
    const std::vector<std::string> was = stands();
    const std::optional<std::string> said = testsupport::AsUnprivileged([&] {
      std::string error;
      const TreeWrite result = WriteDemoTree(dir.path(), &error);
      return std::to_string(static_cast<int>(result)) + " " + error;
    });
    ASSERT_TRUE(said.has_value());
    EXPECT_EQ(Names(dir.path()), std::vector<std::string>{"Resource"}) << "no staging folder";
    if (c.denied == nullptr) {
      EXPECT_EQ(*said, std::to_string(static_cast<int>(TreeWrite::kDone)) + " ");
      EXPECT_EQ(ReadFile(dir.File(kTreeMark)), kTreeMarkText);
      continue;
    }
    const std::string line = std::to_string(static_cast<int>(TreeWrite::kKept)) + " " +
                             dir.File("Resource") + ": cannot replace " + c.denied;
    EXPECT_EQ(said->rfind(line, 0), 0u) << *said;
    EXPECT_NE(said->find(": Permission denied; left as it is"), std::string::npos) << *said;
    EXPECT_TRUE(stands() == was) << "the superuser's tree as it was";
  }
}

}  // namespace
