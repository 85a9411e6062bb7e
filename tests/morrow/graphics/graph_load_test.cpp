// Graphs from picture files on a started library: alpha companions, refused files, division into
// cells, derived graphs, and the restore of every graph from its file after the display was lost.
// Pictures are BMP files written by the tests; pixels are read back through surface locks.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "morrow/graphics/draw.h"
#include "morrow/graphics/graph_load.h"
#include "morrow/system/stream.h"
#include "platform/directory.h"
#include "tests/morrow/graphics/graphics_fixture.h"
#include "tests/morrow/graphics/image_writers.h"

namespace {

using imagetest::Picture;
using imagetest::Rgba;
using morrow::GetGraphRecord;
using morrow::GraphRecord;

std::string Bmp(const Picture& p) {
  return imagetest::WriteBmp(p, imagetest::BmpOptions{});
}

// A picture whose red channel carries the alpha the test expects: (x * 37 + y * 11) & 255.
Picture AlphaPicture(int w, int h) {
  Picture p;
  p.width = w;
  p.height = h;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x)
      p.pixels.push_back({static_cast<uint8_t>(x * 37 + y * 11), 1, 2, 255});
  }
  return p;
}

// Every open through the file-access table, counted by path.
std::map<std::string, int> g_opens;

void* CountingOpen(const char* path, int, int) {
  std::string mapped;
  if (path == nullptr || !morrow::MapGamePath(path, &mapped)) return nullptr;
  ++g_opens[path];
  return std::fopen(mapped.c_str(), "rb");
}

const morrow::FileAccessFunctions kCountingAccess = {
    CountingOpen,
    [](void* h) { return std::fclose(static_cast<FILE*>(h)); },
    [](void* h) -> int64_t { return ftello(static_cast<FILE*>(h)); },
    [](void* h, int64_t offset, int origin) {
      return fseeko(static_cast<FILE*>(h), offset, origin);
    },
    [](void* buffer, size_t size, size_t count, void* h) {
      return std::fread(buffer, size, count, static_cast<FILE*>(h));
    },
    [](void* h) { return std::feof(static_cast<FILE*>(h)); },
    [](void*) { return 1; },
    [](const char* path) {
      std::string mapped;
      return path != nullptr && morrow::MapGamePath(path, &mapped) &&
                     platform::SetCurrentDirectory(mapped)
                 ? 1
                 : 0;
    },
    [](char* out, size_t size) {
      std::string cwd;
      if (!platform::GetCurrentDirectory(&cwd) || cwd.size() + 1 > size) return -1;
      std::snprintf(out, size, "%s", cwd.c_str());
      return 0;
    },
};

class GraphFiles : public testsupport::GraphicsFixture {
 protected:
  void SetUp() override {
    GraphicsFixture::SetUp();
    g_opens.clear();
  }
  void TearDown() override {
    morrow::SetFileAccessTable(nullptr);
    morrow::SetGraphReloadCallback(nullptr);
    GraphicsFixture::TearDown();
  }
  void Write(const std::string& name, const std::string& bytes) {
    testsupport::WriteFile(dir_.File(name), bytes);
  }
  static int LiveGraphs() { return morrow::GetGraphicsState().graphs.count; }

  // The raw pixel and the alpha byte at (x, y) of a graph, through its piece on the surface.
  static uint32_t Pixel(int graph, int x, int y) {
    const morrow::Surface2DRecord* p = PieceOf(graph);
    return SurfacePixel(SurfaceOf(graph)->surface.get(), p->xOnSurface + x, p->yOnSurface + y);
  }
  static int Alpha(int graph, int x, int y) {
    const morrow::Surface2DRecord* p = PieceOf(graph);
    const morrow::SurfaceRecord* s = SurfaceOf(graph);
    if (s->alphaBuffer == nullptr) return -1;
    return s->alphaBuffer[(p->yOnSurface + y) * s->alphaPitch + p->xOnSurface + x];
  }
  static uint32_t Want(const Picture& p, int x, int y) {
    const Rgba c = p.At(x, y);
    return morrow::PackScreenColor(c.r, c.g, c.b);
  }
  // The graph shows the picture's area at (left, top), mirrored left to right when asked.
  static void ExpectShows(int graph, const Picture& p, int left, int top, bool mirrored,
                          const std::string& what) {
    const GraphRecord* r = GetGraphRecord(graph);
    ASSERT_NE(r, nullptr) << what;
    int wrong = 0;
    for (int y = 0; y < r->height; ++y) {
      for (int x = 0; x < r->width; ++x) {
        const int px = mirrored ? left + r->width - 1 - x : left + x;
        if (Pixel(graph, x, y) != Want(p, px, top + y) && ++wrong <= 3) {
          ADD_FAILURE() << what << ": pixel " << x << "," << y;
        }
      }
    }
  }
  // Wipes the pixels of the surface a graph lies on, as a lost surface comes back.
  static void Wipe(int graph) {
    ASSERT_EQ(morrow::FillSurface(PieceOf(graph)->surface, 0, 0, 0, 0), 0);
  }
};

// ---- companions and single pictures ----

TEST(AlphaCompanion, NameIsTakenBeforeTheLastDotOfTheFileName) {
  struct Case {
    const char* path;
    const char* companion;
  } cases[] = {
      {"x.png", "x_a.png"},
      {"pic", "pic_a"},
      {"a.b.c", "a.b_a.c"},
      {"x.", "x_a."},
      {"Resource\\v1.0\\pic", "Resource\\v1.0\\pic_a"},
      {"Resource\\v1.0\\pic.bmp", "Resource\\v1.0\\pic_a.bmp"},
      {"dir/v1.0/pic", "dir/v1.0/pic_a"},
      {"dir.d\\sub/x.tga", "dir.d\\sub/x_a.tga"},
      // 0x95 0x5C is one GBK character: its second byte is no separator.
      {"a.\x95\x5C"
       "b",
       "a_a.\x95\x5C"
       "b"},
      {"\x95\x5C.bmp", "\x95\x5C_a.bmp"},
      {"", "_a"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(morrow::MakeAlphaCompanionName(c.path), c.companion) << c.path;
}

TEST_F(GraphFiles, CompanionGivesTheAlphaOfThePicture) {
  Start(1, 32);
  ASSERT_EQ(mkdir(dir_.File("v1.0").c_str(), 0755), 0);
  struct Case {
    const char* path;       // as the game writes it
    const char* file;       // the picture on disk
    const char* companion;  // on disk, "" for none
  } cases[] = {
      {"x.bmp", "x.bmp", "x_a.bmp"},           {"pic", "pic", "pic_a"},
      {"v1.0\\pic", "v1.0/pic", "v1.0/pic_a"}, {"v1.0\\y.bmp", "v1.0/y.bmp", "v1.0/y_a.bmp"},
      {"alone.bmp", "alone.bmp", ""},
  };
  const Picture picture = imagetest::MakePicture(7, 5, 3);
  for (const Case& c : cases) {
    Write(c.file, Bmp(picture));
    if (*c.companion != '\0') Write(c.companion, Bmp(AlphaPicture(7, 5)));
    const int graph = morrow::LoadImageAsGraph(c.path);
    const GraphRecord* r = GetGraphRecord(graph);
    ASSERT_NE(r, nullptr) << c.path;
    EXPECT_EQ(r->fileName, c.path);
    EXPECT_EQ(r->loadDirectory, dir_.path());
    EXPECT_EQ(r->flags.alphaChannel, *c.companion != '\0' ? 1 : 0) << c.path;
    ExpectShows(graph, picture, 0, 0, false, c.path);
    for (int y = 0; y < 5; ++y) {
      for (int x = 0; x < 7; ++x) {
        EXPECT_EQ(Alpha(graph, x, y), *c.companion != '\0' ? (x * 37 + y * 11) & 255 : -1)
            << c.path << " " << x << "," << y;
      }
    }
  }
}

TEST_F(GraphFiles, CompanionOfAnotherSizeMakesNoGraph) {
  Start(1, 32);
  const Picture picture = imagetest::MakePicture(8, 4, 5);
  for (const Picture& companion : {AlphaPicture(9, 4), AlphaPicture(8, 3), AlphaPicture(1, 1)}) {
    Write("p.bmp", Bmp(picture));
    Write("p_a.bmp", Bmp(companion));
    const int before = LiveGraphs();
    EXPECT_EQ(morrow::LoadImageAsGraph("p.bmp"), -1);
    int cells[2] = {77, 77};
    EXPECT_EQ(morrow::LoadDividedGraph("p.bmp", 2, 2, 1, 4, 4, cells), -1);
    EXPECT_EQ(cells[0], 77);
    EXPECT_EQ(cells[1], 77);
    EXPECT_EQ(LiveGraphs(), before);
  }
}

TEST_F(GraphFiles, FilesThatAreNoPictureAreRefusedWithTheirLogLine) {
  Start(1, 32);
  const std::string good = Bmp(imagetest::MakePicture(6, 6, 9));
  std::string huge = good.substr(0, 54);
  huge[18] = '\x60';  // a width of 0xEA60 pixels over a few bytes of data
  huge[19] = '\xEA';
  struct Case {
    const char* name;
    const char* bytes;  // null: the file does not exist
    size_t size;
  } cases[] = {
      {"missing.bmp", nullptr, 0},
      {"empty.bmp", "", 0},
      {"note.txt", "hello\n", 6},
      {"cut.bmp", good.data(), 40},
      {"rows.bmp", good.data(), good.size() - 10},
      {"huge.bmp", huge.data(), huge.size()},
      {"zeros.bmp", "\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0", 16},
  };
  morrow::DrawState& ds = morrow::GetDrawState();
  ds.newGraphBitDepth = 16;
  ds.newGraphAlphaChannel = 1;
  for (const Case& c : cases) {
    if (c.bytes != nullptr) Write(c.name, std::string(c.bytes, c.size));
    const int before = LiveGraphs();
    const std::string missing = std::string("グラフィックファイル ") + c.name + " がありません";
    const std::string refused =
        std::string("右記のグラフィックファイルのロードに失敗しました：") + c.name;
    EXPECT_EQ(morrow::LoadImageAsGraph(c.name), -1) << c.name;
    EXPECT_EQ(Count(missing), c.bytes == nullptr ? 1 : 0) << c.name;
    EXPECT_EQ(Count(refused), c.bytes == nullptr ? 0 : 1) << c.name;
    int cells[3] = {5, 5, 5};
    EXPECT_EQ(morrow::LoadDividedGraph(c.name, 3, 3, 1, 2, 2, cells), -1) << c.name;
    EXPECT_EQ(Count(refused), c.bytes == nullptr ? 1 : 2) << c.name;
    EXPECT_EQ(cells[0] + cells[1] + cells[2], 15);
    EXPECT_EQ(LiveGraphs(), before) << c.name;
  }
  EXPECT_EQ(ds.newGraphBitDepth, 16);
  EXPECT_EQ(ds.newGraphAlphaChannel, 1);
}

TEST_F(GraphFiles, ImageReadsReportWhetherAnAlphaImageCameWithThem) {
  Start(1, 32);
  const std::string rgb = Bmp(imagetest::MakePicture(4, 3, 1));
  const std::string alpha = Bmp(AlphaPicture(4, 3));
  Write("c.bmp", rgb);
  Write("c_a.bmp", alpha);
  Write("g.bmp", rgb);
  Write("g_a.bmp", "not a picture");
  Write("n.bmp", rgb);
  const std::string junk = "junk";
  struct Case {
    const char* what;
    const char* path;
    const std::string* memory;  // with fromMemory 1
    const std::string* memoryAlpha;
    int alphaMode;
    int result;
  } cases[] = {
      {"file and companion", "c.bmp", nullptr, nullptr, 0, 0},
      {"no companion", "n.bmp", nullptr, nullptr, 0, 1},
      {"a companion that is no picture", "g.bmp", nullptr, nullptr, 0, 1},
      {"companion not asked for", "c.bmp", nullptr, nullptr, 2, 1},
      {"memory alpha ignored for a file", "n.bmp", nullptr, &alpha, 0, 1},
      {"memory with memory alpha", nullptr, &rgb, &alpha, 1, 0},
      {"memory without alpha given", nullptr, &rgb, nullptr, 1, 1},
      {"memory alpha not a picture", nullptr, &rgb, &junk, 1, 1},
      {"missing file", "none.bmp", nullptr, nullptr, 0, -1},
      {"memory that is no picture", nullptr, &junk, &alpha, 1, -1},
  };
  for (const Case& c : cases) {
    morrow::GraphImage image, mask;
    const std::string* a = c.memoryAlpha;
    const int result = morrow::LoadImageFileToGraphImage(
        c.path, c.memory != nullptr ? c.memory->data() : nullptr,
        c.memory != nullptr ? static_cast<int>(c.memory->size()) : 0, c.memory != nullptr ? 1 : 0,
        a != nullptr ? a->data() : nullptr, a != nullptr ? static_cast<int>(a->size()) : 0,
        c.alphaMode, &image, &mask, 0);
    EXPECT_EQ(result, c.result) << c.what;
    EXPECT_EQ(image.width, c.result == -1 ? 0 : 4) << c.what;
    EXPECT_EQ(mask.pixels != nullptr, c.result == 0) << c.what;
    morrow::FreeGraphImage(&image);
    morrow::FreeGraphImage(&mask);
  }
}

TEST_F(GraphFiles, ConversionWidensPalettePictures) {
  Start(1, 32);
  const imagetest::IndexedPicture indexed = imagetest::MakeIndexedPicture(5, 3, 16, 7);
  imagetest::BmpOptions o;
  o.bitCount = 8;
  Write("i.bmp", imagetest::WriteIndexedBmp(indexed, o));
  for (int convert : {0, 1}) {
    morrow::GraphImage image, mask;
    ASSERT_EQ(morrow::LoadImageFileToGraphImage("i.bmp", nullptr, 0, 0, nullptr, 0, 0, &image,
                                                &mask, convert),
              1);
    EXPECT_EQ(image.format.bitsPerPixel, convert == 1 ? 24 : 8);
    for (int y = 0; y < 3; ++y) {
      for (int x = 0; x < 5; ++x) {
        EXPECT_EQ(imagetest::ReadPixel(image, x, y), indexed.ColourAt(x, y)) << x << "," << y;
      }
    }
    morrow::FreeGraphImage(&image);
  }
}

TEST_F(GraphFiles, LoadAndDrawShowsThePictureAndKeepsNoGraph) {
  Start(1, 32);
  ASSERT_EQ(morrow::SelectDrawTarget(morrow::kBackScreen), 0);
  const Picture picture = imagetest::MakePicture(6, 4, 15);
  Write("p.bmp", Bmp(picture));
  const int before = LiveGraphs();
  ASSERT_EQ(morrow::LoadAndDrawGraphFile(5, 7, "p.bmp", 0), 0);
  EXPECT_EQ(LiveGraphs(), before);
  int wrong = 0;
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 6; ++x) {
      if (SurfacePixel(morrow::GetBackSurface(), 5 + x, 7 + y) != Want(picture, x, y) &&
          ++wrong <= 3) {
        ADD_FAILURE() << "pixel " << x << "," << y;
      }
    }
  }
  EXPECT_EQ(SurfacePixel(morrow::GetBackSurface(), 4, 7), 0u);
  EXPECT_EQ(SurfacePixel(morrow::GetBackSurface(), 11, 10), 0u);
  EXPECT_EQ(morrow::LoadAndDrawGraphFile(5, 7, "none.bmp", 0), -1);
  EXPECT_EQ(LiveGraphs(), before);
}

// ---- division ----

TEST_F(GraphFiles, CellsAreNumberedRowByRowAndStopAtTheCount) {
  Start(1, 32);
  const Picture sheet = imagetest::MakePicture(12, 8, 11);
  Write("sheet.bmp", Bmp(sheet));
  int cells[6] = {9, 9, 9, 9, 9, 9};
  const int before = LiveGraphs();
  ASSERT_EQ(morrow::LoadDividedGraph("sheet.bmp", 4, 3, 2, 4, 4, cells), 0);
  EXPECT_EQ(LiveGraphs(), before + 4);  // the whole-picture graph is gone
  const int left[] = {0, 4, 8, 0}, top[] = {0, 0, 0, 4};
  for (int i = 0; i < 4; ++i) {
    ExpectShows(cells[i], sheet, left[i], top[i], false, "cell " + std::to_string(i));
    EXPECT_EQ(GetGraphRecord(cells[i])->fileName, "sheet.bmp");
    EXPECT_EQ(GetGraphRecord(cells[i])->sourceX, left[i]);
    EXPECT_EQ(GetGraphRecord(cells[i])->sourceY, top[i]);
  }
  EXPECT_EQ(cells[4], 9);
  EXPECT_EQ(cells[5], 9);
}

TEST_F(GraphFiles, ReversedDivisionMirrorsEachCellInItsPlace) {
  Start(1, 32);
  const Picture sheet = imagetest::MakePicture(12, 8, 12);
  Write("sheet.bmp", Bmp(sheet));
  Write("sheet_a.bmp", Bmp(AlphaPicture(12, 8)));
  int cells[6];
  ASSERT_EQ(morrow::LoadDividedGraphFile("sheet.bmp", 6, 3, 2, 4, 4, cells, 1, 1), 0);
  for (int i = 0; i < 6; ++i) {
    const int left = i % 3 * 4, top = i / 3 * 4;
    ExpectShows(cells[i], sheet, left, top, true, "cell " + std::to_string(i));
    EXPECT_EQ(Alpha(cells[i], 0, 1), ((left + 3) * 37 + (top + 1) * 11) & 255);
  }
}

TEST_F(GraphFiles, GridsThatDoNotFitThePicture) {
  Start(1, 32);
  Write("sheet.bmp", Bmp(imagetest::MakePicture(12, 8, 13)));
  const char* failed = "グラフィックの分割に失敗しました in CreateDivGraphFromGraphImage";
  struct Case {
    const char* what;
    int count, xCount, yCount, width, height;
    int result;
    int made;
    int lastWidth;  // of the last cell made
  } cases[] = {
      {"a row wider than the picture", 4, 4, 1, 4, 4, -1, 0, 0},
      {"a column taller than the picture", 3, 1, 3, 4, 4, -1, 0, 0},
      {"cells far past the edge", 2, 2, 1, 40, 4, -1, 0, 0},
      {"zero width", 2, 2, 1, 0, 4, -1, 0, 0},
      {"negative height", 2, 2, 1, 4, -4, -1, 0, 0},
      {"a count above the grid", 8, 3, 2, 4, 4, 0, 6, 4},
      {"no cells asked for", 0, 3, 2, 4, 4, 0, 0, 0},
      {"a negative count", -3, 3, 2, 4, 4, 0, 0, 0},
      {"an empty grid", 2, 0, 2, 4, 4, 0, 0, 0},
      {"the last column cut at the edge", 3, 3, 1, 5, 4, 0, 3, 2},
  };
  for (const Case& c : cases) {
    std::vector<int> cells(10, 123);
    const int before = LiveGraphs();
    const int failures = Count(failed);
    EXPECT_EQ(morrow::LoadDividedGraph("sheet.bmp", c.count, c.xCount, c.yCount, c.width, c.height,
                                       cells.data()),
              c.result)
        << c.what;
    EXPECT_EQ(LiveGraphs(), before + c.made) << c.what;
    EXPECT_EQ(Count(failed), failures + (c.result == -1 ? 1 : 0)) << c.what;
    for (int i = 0; i < 10; ++i) {
      const bool written = i < c.count;
      if (!written) {
        EXPECT_EQ(cells[i], 123) << c.what << " " << i;
      } else if (i < c.made) {
        ASSERT_NE(GetGraphRecord(cells[i]), nullptr) << c.what << " " << i;
        EXPECT_EQ(GetGraphRecord(cells[i])->fileName, "sheet.bmp") << c.what;
      } else {
        // Cells past the grid hold -1; those of a failed cut were deleted again.
        EXPECT_EQ(GetGraphRecord(cells[i]), nullptr) << c.what << " " << i;
        if (c.result == 0) {
          EXPECT_EQ(cells[i], -1) << c.what << " " << i;
        }
      }
    }
    if (c.made > 0) {
      EXPECT_EQ(GetGraphRecord(cells[c.made - 1])->width, c.lastWidth) << c.what;
    }
    for (int i = 0; i < c.made; ++i) morrow::FreeGraphHandle(cells[i], 0);
  }
}

TEST_F(GraphFiles, DerivedGraphsShowTheirRectangleOfTheSource) {
  Start(1, 32);
  const Picture picture = imagetest::MakePicture(10, 6, 14);
  Write("p.bmp", Bmp(picture));
  const int source = morrow::LoadImageAsGraph("p.bmp");
  ASSERT_NE(GetGraphRecord(source), nullptr);
  GetGraphRecord(source)->setupValue = 42;
  struct Case {
    int x, y, w, h;
    int width, height;  // 0: refused
  } cases[] = {
      {0, 0, 4, 4, 4, 4},           {8, 0, 4, 4, 2, 4},  {0, 4, 4, 4, 4, 2},
      {9, 5, 100000, 100000, 1, 1}, {3, 2, 1, 1, 1, 1},  {10, 0, 1, 1, 0, 0},
      {11, 0, 1, 1, 0, 0},          {0, 6, 1, 1, 0, 0},  {0, 70000, 1, 1, 0, 0},
      {-1, 0, 1, 1, 0, 0},          {0, -1, 1, 1, 0, 0}, {0, 0, 0, 1, 0, 0},
      {0, 0, 1, -2, 0, 0},
  };
  for (const Case& c : cases) {
    const int before = LiveGraphs();
    const int graph = morrow::DeriveSubGraph(c.x, c.y, c.w, c.h, source);
    const std::string what = std::to_string(c.x) + "," + std::to_string(c.y);
    if (c.width == 0) {
      EXPECT_EQ(graph, -1) << what;
      EXPECT_EQ(LiveGraphs(), before) << what;
      continue;
    }
    const GraphRecord* r = GetGraphRecord(graph);
    ASSERT_NE(r, nullptr) << what;
    EXPECT_EQ(r->width * 1000 + r->height, c.width * 1000 + c.height) << what;
    EXPECT_EQ(r->fileName, "p.bmp");
    EXPECT_EQ(r->loadDirectory, dir_.path());
    EXPECT_EQ(r->setupValue, 42u);
    EXPECT_EQ(PieceOf(graph)->surface, PieceOf(source)->surface);
    ExpectShows(graph, picture, c.x, c.y, false, what);
    morrow::FreeGraphHandle(graph, 0);
  }
  // A graph derived from a derived graph lies where both offsets add up.
  const int outer = morrow::DeriveSubGraph(2, 1, 6, 4, source);
  const int inner = morrow::DeriveSubGraph(1, 1, 3, 2, outer);
  EXPECT_EQ(GetGraphRecord(inner)->sourceX, 3);
  EXPECT_EQ(GetGraphRecord(inner)->sourceY, 2);
  ExpectShows(inner, picture, 3, 2, false, "inner");
  EXPECT_EQ(morrow::DeriveSubGraph(0, 0, 1, 1, -1), -1);
  EXPECT_EQ(morrow::DeriveSubGraph(0, 0, 1, 1, PieceOf(source)->surface), -1);
}

// ---- restore ----

TEST_F(GraphFiles, CellsOfOneSheetComeBackFromOneRead) {
  Start(1, 32);
  morrow::SetFileAccessTable(&kCountingAccess);
  const Picture sheet = imagetest::MakePicture(12, 8, 21);
  const Picture other = imagetest::MakePicture(3, 3, 22);
  Write("sheet.bmp", Bmp(sheet));
  Write("b.bmp", Bmp(other));
  int first[6], second[2];
  ASSERT_EQ(morrow::LoadDividedGraph("sheet.bmp", 6, 3, 2, 4, 4, first), 0);
  ASSERT_EQ(morrow::LoadDividedGraph("sheet.bmp", 2, 2, 1, 6, 8, second), 0);
  const int whole = morrow::LoadImageAsGraph("b.bmp");
  ASSERT_NE(GetGraphRecord(whole), nullptr);
  Wipe(first[0]);
  Wipe(second[0]);
  Wipe(whole);
  g_opens.clear();
  EXPECT_EQ(morrow::RestoreAllGraph(), 0);
  EXPECT_EQ(g_opens["sheet.bmp"], 1);
  EXPECT_EQ(g_opens["b.bmp"], 1);
  EXPECT_EQ(Count("ファイル:sheet.bmp をロードします"), 1);
  EXPECT_EQ(Count("グラフィックを復帰します"), 1);
  for (int i = 0; i < 6; ++i) {
    ExpectShows(first[i], sheet, i % 3 * 4, i / 3 * 4, false, "first " + std::to_string(i));
    EXPECT_EQ(GetGraphRecord(first[i])->awaitingRestore, 0u);
  }
  ExpectShows(second[1], sheet, 6, 0, false, "second");
  ExpectShows(whole, other, 0, 0, false, "whole");
  EXPECT_EQ(GetGraphRecord(whole)->awaitingRestore, 0u);
}

TEST_F(GraphFiles, ChangedFilesAreSkippedAndTheirGraphsStayUsable) {
  Start(1, 32);
  const Picture sheet = imagetest::MakePicture(12, 8, 31);
  struct Case {
    const char* what;
    std::string picture;  // written over sheet.bmp after the load; "" removes it
    std::string companion;
    bool restored[2];  // the cells at (0, 0) and (4, 0), 4 x 4
  } cases[] = {
      {"shrunk below the second cell", Bmp(imagetest::MakePicture(6, 8, 32)), "", {true, false}},
      {"shrunk below both", Bmp(imagetest::MakePicture(3, 3, 32)), "", {false, false}},
      {"removed", "", "", {false, false}},
      {"no longer a picture", "garbage", "", {false, false}},
      {"companion of another size", Bmp(sheet), Bmp(AlphaPicture(11, 8)), {false, false}},
      {"unchanged", Bmp(sheet), "", {true, true}},
  };
  for (const Case& c : cases) {
    Write("sheet.bmp", Bmp(sheet));
    std::remove(dir_.File("sheet_a.bmp").c_str());
    int cells[2];
    ASSERT_EQ(morrow::LoadDividedGraph("sheet.bmp", 2, 2, 1, 4, 4, cells), 0) << c.what;
    if (c.picture.empty()) {
      std::remove(dir_.File("sheet.bmp").c_str());
    } else {
      Write("sheet.bmp", c.picture);
    }
    if (!c.companion.empty()) Write("sheet_a.bmp", c.companion);
    const std::string line = "パス:" + dir_.path() + " ファイル:sheet.bmp がロードできませんでした";
    const int skippedBefore = Count(line);
    EXPECT_EQ(morrow::RestoreAllGraph(), 0);
    const int skipped = !c.restored[0] + !c.restored[1];
    EXPECT_EQ(Count(line), skippedBefore + skipped) << c.what;
    for (int i = 0; i < 2; ++i) {
      const GraphRecord* r = GetGraphRecord(cells[i]);
      ASSERT_NE(r, nullptr) << c.what;
      EXPECT_EQ(r->awaitingRestore, c.restored[i] ? 0u : 1u) << c.what << " " << i;
      EXPECT_EQ(morrow::DrawGraph(0, 0, cells[i], 0), 0) << c.what;
      morrow::FreeGraphHandle(cells[i], 0);
    }
  }
}

TEST_F(GraphFiles, GraphsOfALongDirectoryComeBack) {
  Start(1, 32);
  std::string deep = dir_.path();
  while (deep.size() < 300) {
    deep += "/" + std::string(60, 'd');
    ASSERT_EQ(mkdir(deep.c_str(), 0755), 0);
  }
  const Picture picture = imagetest::MakePicture(5, 4, 41);
  testsupport::WriteFile(deep + "/p.bmp", Bmp(picture));
  ASSERT_TRUE(platform::SetCurrentDirectory(deep));
  const int graph = morrow::LoadImageAsGraph("p.bmp");
  ASSERT_TRUE(platform::SetCurrentDirectory(dir_.path()));
  ASSERT_NE(GetGraphRecord(graph), nullptr);
  EXPECT_EQ(GetGraphRecord(graph)->loadDirectory, deep);
  Wipe(graph);
  EXPECT_EQ(morrow::RestoreAllGraph(), 0);
  ExpectShows(graph, picture, 0, 0, false, "deep");
  EXPECT_EQ(GetGraphRecord(graph)->awaitingRestore, 0u);
  std::string now;
  ASSERT_TRUE(platform::GetCurrentDirectory(&now));
  EXPECT_EQ(now, dir_.path());
}

std::vector<uint32_t> g_seenFlags;

TEST_F(GraphFiles, TheGamesCallbackReplacesTheFileRestore) {
  Start(1, 32);
  Write("p.bmp", Bmp(imagetest::MakePicture(2, 2, 51)));
  const int a = morrow::LoadImageAsGraph("p.bmp");
  const int b = morrow::CreateGraph(3, 3, 0, 0);
  g_seenFlags.clear();
  morrow::SetGraphReloadCallback([] {
    for (int i = 0; i < morrow::GetGraphicsState().graphs.highWater; ++i) {
      GraphRecord* r = morrow::GetGraphicsState().graphs.slots[i];
      if (r != nullptr) g_seenFlags.push_back(r->awaitingRestore);
    }
  });
  EXPECT_EQ(morrow::RestoreAllGraph(), 0);
  EXPECT_EQ(g_seenFlags, (std::vector<uint32_t>{1, 1}));
  EXPECT_EQ(Count("グラフィックを復帰します"), 0);
  morrow::SetGraphReloadCallback(nullptr);
  EXPECT_EQ(morrow::RestoreAllGraph(), 0);
  EXPECT_EQ(Count("グラフィックを復帰します"), 1);
  EXPECT_EQ(GetGraphRecord(a)->awaitingRestore, 0u);
  EXPECT_EQ(GetGraphRecord(b)->awaitingRestore, 1u);  // no file to come back from
  EXPECT_EQ(g_seenFlags.size(), 2u);
}

TEST_F(GraphFiles, ALossInFullScreenReloadsEveryGraph) {
  Start(0, 32);
  const Picture sheet = imagetest::MakePicture(8, 4, 61);
  Write("sheet.bmp", Bmp(sheet));
  Write("sheet_a.bmp", Bmp(AlphaPicture(8, 4)));
  int cells[2];
  ASSERT_EQ(morrow::LoadDividedGraph("sheet.bmp", 2, 2, 1, 4, 4, cells), 0);
  ASSERT_EQ(morrow::IsDirectDrawReady()->SimulateLoss(), platform::DisplayResult::kOk);
  EXPECT_EQ(morrow::PumpMessages(), 0);
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(SurfaceOf(cells[i])->surface->IsLost(), platform::DisplayResult::kOk);
    ExpectShows(cells[i], sheet, i * 4, 0, false, "cell " + std::to_string(i));
    EXPECT_EQ(Alpha(cells[i], 1, 2), ((i * 4 + 1) * 37 + 2 * 11) & 255);
  }
  EXPECT_EQ(Count("ファイル:sheet.bmp をロードします"), 1);
}

TEST_F(GraphFiles, LostSurfacesAreMadeAgainAfterTheWait) {
  Start(1, 32);
  Write("p.bmp", Bmp(imagetest::MakePicture(4, 4, 71)));
  const int graph = morrow::LoadImageAsGraph("p.bmp");
  ASSERT_EQ(morrow::IsDirectDrawReady()->SimulateLoss(), platform::DisplayResult::kOk);
  EXPECT_EQ(SurfaceOf(graph)->surface->IsLost(), platform::DisplayResult::kSurfaceLost);
  EXPECT_EQ(morrow::RestoreLostGraphs(), 0);
  EXPECT_EQ(SurfaceOf(graph)->surface->IsLost(), platform::DisplayResult::kOk);
  EXPECT_EQ(morrow::RestoreGraphSurfaces(graph), 0);
  EXPECT_EQ(morrow::RestoreGraphSurfaces(-1), -1);
  morrow::FreeGraphHandle(graph, 0);
  EXPECT_EQ(morrow::RestoreGraphSurfaces(graph), -1);
}

TEST_F(GraphFiles, RegionCopyHoldsThePixelsWithoutFillBits) {
  Start(1, 32);
  Picture picture = imagetest::MakePicture(5, 3, 81);
  picture.pixels[0] = {0, 0, 0, 255};
  Write("p.bmp", Bmp(picture));
  const int graph = morrow::LoadImageAsGraph("p.bmp");
  morrow::GraphImage copy;
  ASSERT_EQ(morrow::CopyGraphForRegion(graph, &copy), 0);
  ASSERT_EQ(copy.width * 100 + copy.height, 503);
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 5; ++x) {
      const Rgba c = picture.At(x, y);
      const uint32_t want = uint32_t{c.r} << 16 | uint32_t{c.g} << 8 | c.b;
      EXPECT_EQ(morrow::GetGraphImagePixel(&copy, x, y), want) << x << "," << y;
    }
  }
  // Black reads 0, which the window region takes for transparent.
  EXPECT_EQ(*static_cast<const uint32_t*>(copy.pixels), 0u);
  morrow::FreeGraphImage(&copy);
  EXPECT_EQ(morrow::CopyGraphForRegion(-1, &copy), -1);
  EXPECT_EQ(copy.pixels, nullptr);
}

}  // namespace
