#include "morrow/device/movie.h"

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "morrow/device/color_format.h"
#include "morrow/device/screen.h"
#include "morrow/graphics/draw.h"
#include "morrow/graphics/graph_load.h"
#include "morrow/system/window.h"
#include "platform/media/media_stream.h"
#include "platform/pixel_layout.h"
#include "platform/window.h"
#include "tests/morrow/device/direct3d_fixture.h"
#include "tests/morrow/graphics/image_writers.h"
#include "tests/support/midi_writer.h"
#include "tests/support/test_movie.h"
#include "tests/support/wave_writer.h"

namespace {

constexpr int64_t kFrameUs = 100'000;  // 10 frames a second
const std::vector<uint32_t> kColours = {0x280000, 0x500000, 0x780000, 0xA00000};
const char kOpenFailed[] = "ムービーファイルオープン処理時にエラーが発生しました";

class MovieTest : public testsupport::Direct3DFixture {
 protected:
  void TearDown() override {
    platform::SetMediaStreamFault("");
    Direct3DFixture::TearDown();
  }

  void WriteMovie(const std::string& path, int fps = 10,
                  const std::vector<uint32_t>& colours = kColours) {
    const std::string bytes = testsupport::TestMovieBytes(32, 16, fps, colours);
    ASSERT_FALSE(bytes.empty());
    testsupport::WriteFile(path, bytes);
  }

  // Draws the graph twice and presents: the frame copies made and the graph's pixel (0, 0) as
  // 0xRRGGBB, from its 2D or 3D piece.
  std::pair<uint64_t, uint32_t> Frame(int graph) {
    const uint64_t before = morrow::GetMovieFrameCopyCount();
    morrow::DrawGraph(0, 0, graph, 0);
    morrow::DrawGraph(0, 0, graph, 0);
    morrow::PresentFrame();
    return {morrow::GetMovieFrameCopyCount() - before, GraphRgb(graph)};
  }

  static uint32_t GraphRgb(int graph) {
    const morrow::GraphRecord* g = morrow::GetGraphRecord(graph);
    if (g == nullptr) return 0xDEADBEEF;
    platform::Surface* s = nullptr;
    int x = 0, y = 0;
    if (g->flags.texture == 1) {
      const morrow::Surface3DRecord* p = morrow::Get3DGraphRecord(g->pieces[0]);
      s = morrow::GetSurfaceRecord(p->surface)->surface.get();
      x = p->textureX;
      y = p->textureY;
    } else {
      s = SurfaceOf(graph)->surface.get();
    }
    const platform::Rgb8 c =
        platform::LayoutCodec(s->format(), nullptr).Decode(SurfacePixel(s, x, y));
    return uint32_t{c.r} << 16 | uint32_t{c.g} << 8 | c.b;
  }

  static morrow::MovieRecord* MovieOf(int graph) {
    const morrow::GraphRecord* g = morrow::GetGraphRecord(graph);
    return g != nullptr ? morrow::GetMovieRecord(g->movieHandle) : nullptr;
  }

  static int64_t StreamTime(const morrow::MovieRecord* m) {
    int64_t t = -1;
    m->multiMediaStream->GetTime(&t);
    return t;
  }

  static void Activate(int active) {
    morrow::MainWindowProc(morrow::GetMainWindow(), platform::msg::kActivate,
                           static_cast<uint64_t>(active), 0);
  }
};

// A movie no image loader takes plays into a graph frame by frame with the presented frames, at
// 16 and 32 bits, on the software path and as textures; after the last frame it stops.
TEST_F(MovieTest, PlaysFrameByFrameAtBothDepthsOnBothPaths) {
  struct Case {
    const char* d3d;
    int depth;
    std::vector<uint32_t> pixels;  // of the four frames, widened back to 8 bits
  };
  const std::vector<uint32_t> at16 = {0x290000, 0x520000, 0x7B0000, 0xA40000};
  const Case cases[] = {
      {"off", 32, kColours}, {"off", 16, at16}, {"on", 32, kColours}, {"on", 16, at16}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.d3d) + " " + std::to_string(c.depth));
    Start3D(c.d3d, c.depth);
    WriteMovie("m.mkv");
    const int graph = morrow::LoadGraphFile("m.mkv", 1, 0, 0);
    ASSERT_NE(morrow::GetGraphRecord(graph), nullptr);
    const morrow::GraphRecord* g = morrow::GetGraphRecord(graph);
    EXPECT_EQ(g->flags.texture, std::string(c.d3d) == "on" ? 1 : 0);
    EXPECT_EQ(g->movieHandle & 0x7800FFFF, 0x18000000) << "kind, slot 0";
    EXPECT_EQ(g->width, 32);
    EXPECT_EQ(g->height, 16);
    ASSERT_EQ(morrow::PlayGraphMovie(graph), 0);
    for (int f = 0; f < 5; ++f, clock_.Advance(kFrameUs)) {
      const auto [copies, pixel] = Frame(graph);
      EXPECT_EQ(copies, f < 4 ? 1u : 0u) << "frame " << f;
      EXPECT_EQ(pixel, c.pixels[static_cast<size_t>(std::min(f, 3))]) << "frame " << f;
      EXPECT_EQ(MovieOf(graph)->playing, f < 3 ? 1u : 0u) << "frame " << f;
    }
    const int movie = g->movieHandle;
    morrow::EndLibrary();
    EXPECT_EQ(morrow::GetMovieRecord(movie), nullptr) << "closed with its graph";
  }
}

// At most one copy per presented frame, unless more than 17 ms passed since the last copy.
TEST_F(MovieTest, CopiesOncePerPresentedFrameUnlessTimePassed) {
  Start3D("off", 32);
  WriteMovie("m.mkv", 100, {0x010000, 0x020000, 0x030000, 0x040000, 0x050000, 0x060000});
  const int graph = morrow::LoadGraphFile("m.mkv", 1, 0, 0);
  ASSERT_EQ(morrow::PlayGraphMovie(graph), 0);
  auto draw = [&] {
    const uint64_t before = morrow::GetMovieFrameCopyCount();
    morrow::DrawGraph(0, 0, graph, 0);
    return morrow::GetMovieFrameCopyCount() - before;
  };
  EXPECT_EQ(draw(), 1u);
  clock_.Advance(12'000);  // frame 1 is due, but nothing was presented
  EXPECT_EQ(draw(), 0u);
  clock_.Advance(6'000);  // 18 ms since the copy
  EXPECT_EQ(draw(), 1u);
  EXPECT_EQ(GraphRgb(graph), 0x020000u);
  morrow::PresentFrame();
  clock_.Advance(12'000);
  EXPECT_EQ(draw(), 1u);
  const int64_t due = StreamTime(MovieOf(graph)) / 100'000;  // frames of 10 ms
  ASSERT_GE(due, 3);
  EXPECT_EQ(GraphRgb(graph), static_cast<uint32_t>(std::min<int64_t>(due, 5) + 1) << 16)
      << "the newest due frame";
}

// Pausing freezes the stream time; the window's deactivation pauses and its activation resumes;
// a display change releases the streams and the rebuild opens them again at their time, still
// playing, from a path longer than 260 characters.
TEST_F(MovieTest, PauseActivationAndDisplayChangeKeepTheMovie) {
  Start3D("off", 32);
  std::string dir = "d";
  while (dir.size() < 280) dir += "/" + std::string(40, 'x');
  ASSERT_TRUE(std::filesystem::create_directories(dir_.File(dir)));
  const std::string path = dir + "/m.mkv";
  ASSERT_GT(path.size(), 290u);
  WriteMovie(dir_.File(path));
  const int graph = morrow::LoadGraphFile(path.c_str(), 1, 0, 0);
  ASSERT_NE(morrow::GetGraphRecord(graph), nullptr);
  morrow::MovieRecord* m = MovieOf(graph);
  EXPECT_EQ(m->path, path);
  ASSERT_EQ(morrow::PlayGraphMovie(graph), 0);
  EXPECT_EQ(Frame(graph).second, kColours[0]);

  ASSERT_EQ(morrow::PauseGraphMovie(graph), 0);
  EXPECT_EQ(m->playing, 0u);
  const int64_t paused = StreamTime(m);
  clock_.Advance(5 * kFrameUs);
  EXPECT_EQ(StreamTime(m), paused);
  EXPECT_EQ(Frame(graph).first, 0u);
  ASSERT_EQ(morrow::PlayGraphMovie(graph), 0);

  Activate(0);
  EXPECT_EQ(m->playing, 0u);
  const int64_t inactive = StreamTime(m);
  clock_.Advance(5 * kFrameUs);
  EXPECT_EQ(StreamTime(m), inactive);
  Activate(1);
  EXPECT_EQ(m->playing, 1u);
  clock_.Advance(kFrameUs + 20'000);
  EXPECT_EQ(Frame(graph), std::make_pair(uint64_t{1}, kColours[1]));

  // The display-change row of the window procedure.
  const int64_t before = StreamTime(m);
  ASSERT_EQ(morrow::ReleaseAllMovies(), 0);
  EXPECT_EQ(m->surface4, nullptr);
  EXPECT_GE(m->position, before);
  EXPECT_EQ(Frame(graph).first, 0u) << "released: nothing to copy";
  ASSERT_EQ(morrow::RebuildGraphicsDevice(), 0);
  ASSERT_EQ(morrow::PlayAllMovies(), 0);
  ASSERT_NE(m->surface4, nullptr);
  EXPECT_EQ(m->playing, 1u);
  EXPECT_GE(StreamTime(m), m->position);
  EXPECT_LT(StreamTime(m), m->position + 50'000);
  EXPECT_EQ(Frame(graph), std::make_pair(uint64_t{1}, kColours[1]));
  clock_.Advance(kFrameUs);
  EXPECT_EQ(Frame(graph), std::make_pair(uint64_t{1}, kColours[2]));

  // The rebuild after a full-screen loss releases no movie first: their surfaces die with the
  // old display, and the rebuild opens those movies again all the same.
  // The new surface may sit at the old one's address (the allocator reuses it): that it is alive
  // on the new display is what shows the movie was opened again.
  ASSERT_EQ(morrow::RebuildGraphicsDevice(), 0);
  ASSERT_NE(m->surface4, nullptr);
  EXPECT_FALSE(m->surface4->IsDead());
  clock_.Advance(kFrameUs);
  EXPECT_EQ(Frame(graph), std::make_pair(uint64_t{1}, kColours[3]));
}

// The surface mode wished becomes the one the display allows: no overlays exist, so 1 becomes 2,
// and 2 on a 32-bit screen becomes 0 (the stream's own surface in the screen's format).
TEST_F(MovieTest, SurfaceModesFollowTheDisplay) {
  struct Case {
    int depth, wished, mode, frameBits;
  };
  const Case cases[] = {{16, 0, 0, 16}, {16, 1, 2, 24}, {16, 2, 2, 24},
                        {32, 0, 0, 32}, {32, 1, 0, 32}, {32, 2, 0, 32}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.depth) + " " + std::to_string(c.wished));
    Start3D("off", c.depth);
    WriteMovie("m.mkv");
    int w = 0, h = 0;
    const int movie = morrow::OpenMovieToGraph("m.mkv", &w, &h, c.wished);
    const morrow::MovieRecord* m = morrow::GetMovieRecord(movie);
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(w, 32);
    EXPECT_EQ(h, 16);
    EXPECT_EQ(m->surfaceMode, c.mode);
    EXPECT_EQ(m->frameFormat.bitsPerPixel, c.frameBits);
    EXPECT_EQ(m->systemMemory, 1u);
    EXPECT_EQ(morrow::IsMovieOnOverlay(movie), 0);
    EXPECT_EQ(morrow::CloseMovie(movie), 0);
    morrow::EndLibrary();
  }
}

// The copy into a graph takes the frame's rows as they are only when the two formats are equal
// (a 5:5:5 frame is converted into a 5:6:5 graph), and starts at the frame rectangle's origin.
TEST_F(MovieTest, FrameCopyIsRawOnlyForEqualFormats) {
  struct Case {
    const char* layout;  // of the screen
    platform::PixelFormat frame;
    int mode;
    // The frame's pure red as the graph's pixel: a converted 5:5:5 pixel carries the format's
    // unused top bit, as every colour packed for it does.
    uint32_t red;
  };
  const platform::PixelFormat f565 = platform::RgbPixelFormat(16, 0xF800, 0x7E0, 0x1F);
  const platform::PixelFormat f555 = platform::RgbPixelFormat(16, 0x7C00, 0x3E0, 0x1F);
  const platform::PixelFormat f24 = platform::RgbPixelFormat(24, 0xFF0000, 0xFF00, 0xFF);
  const Case cases[] = {{"565", f565, 0, 0xF800},
                        {"565", f555, 0, 0xF800},
                        {"555", f555, 0, 0x7C00},
                        {"565", f24, 2, 0xF800},
                        {"555", f24, 2, 0xFC00}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.layout) + " from " + std::to_string(c.frame.bitCount) + "/" +
                 std::to_string(c.frame.redMask));
    Start3D("off", 16, c.layout);
    const int graph = morrow::CreateGraph(4, 2, 0, 0);
    morrow::GraphRecord* g = morrow::GetGraphRecord(graph);
    ASSERT_NE(g, nullptr);

    // The frame at (3, 2) of a larger surface: pure red there, white on its left and top.
    platform::SurfaceDesc d;
    d.flags = platform::kDescCaps | platform::kDescWidth | platform::kDescHeight |
              platform::kDescPixelFormat;
    d.caps = platform::kCapsOffscreenPlain | platform::kCapsSystemMemory;
    d.width = 8;
    d.height = 5;
    d.pixelFormat = c.frame;
    morrow::MovieRecord m;
    ASSERT_EQ(morrow::IsDirectDrawReady()->CreateSurface(d, &m.surface4),
              platform::DisplayResult::kOk);
    platform::LockedRect l;
    ASSERT_EQ(m.surface4->Lock(nullptr, &l), platform::DisplayResult::kOk);
    const int bytes = static_cast<int>(c.frame.bitCount / 8);
    for (int y = 0; y < 5; ++y) {
      for (int x = 0; x < 8; ++x) {
        platform::WritePixel(l.bits + y * l.pitch + x * bytes, bytes,
                             x >= 3 && y >= 2
                                 ? c.frame.redMask
                                 : c.frame.redMask | c.frame.greenMask | c.frame.blueMask);
      }
    }
    m.surface4->Unlock();
    m.frameRect = {3, 2, 7, 4};
    m.surfaceMode = c.mode;
    morrow::GetSurfaceColorFormat(&c.frame, &m.frameFormat);
    ASSERT_EQ(morrow::CopyMovieFrameToGraph(&m, g), 0);
    platform::Surface* s = SurfaceOf(graph)->surface.get();
    for (int y = 0; y < 2; ++y) {
      for (int x = 0; x < 4; ++x) EXPECT_EQ(SurfacePixel(s, x, y), c.red) << x << "," << y;
    }
    m.surface4->Release();
    morrow::EndLibrary();
  }
}

// Files that are no movie are refused at the open with the open's lines and the loader's, in
// bounded time and with nothing left open.
TEST_F(MovieTest, RefusesFilesThatAreNoMovie) {
  Start3D("off", 32);
  const std::string movie = testsupport::TestMovieBytes(32, 16, 10, kColours);
  const imagetest::Picture picture = imagetest::MakePicture(8, 8, 7);
  const std::string png = imagetest::WritePng(picture, {});
  const std::string jpeg = imagetest::WriteJpeg(picture, {});
  auto damaged = [](std::string bytes) {
    for (size_t i = bytes.size() / 4; i < bytes.size(); i += 3) bytes[i] ^= 0x5A;
    return bytes;
  };
  std::string longName = "p";
  while (longName.size() < 290) longName += "/" + std::string(50, 'n');
  ASSERT_TRUE(std::filesystem::create_directories(dir_.File(longName)));
  longName += "/note.txt";
  const std::vector<std::pair<std::string, std::string>> files = {
      {"note.txt", "hello\n"},
      {"t.png", std::string("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR", 16)},
      {"half.png", png.substr(0, png.size() / 2)},
      {"bad.png", damaged(png)},
      {"half.jpg", jpeg.substr(0, jpeg.size() / 2)},
      {"bad.jpg", damaged(jpeg)},
      {"half.mkv", movie.substr(0, movie.find("\x1F\x43\xB6\x75"))},
      {"bad.mkv", damaged(movie)},
      {"flat.mkv", testsupport::WithZeroFrameWidth(movie, 32)},
      {"tone.wav", testsupport::PcmWave(1, 8000, 16, std::string(1600, '\x10'))},
      {"tune.mid", testsupport::OneNoteMidi(96)},
      {"empty.bin", ""},
      {longName, "no movie at all"},
  };
  for (const auto& [name, bytes] : files) {
    SCOPED_TRACE(name.substr(0, 20));
    testsupport::WriteFile(dir_.File(name), bytes);
    const int opened = Count(kOpenFailed);
    EXPECT_EQ(morrow::LoadGraphFile(name.c_str(), 1, 0, 0), -1);
    EXPECT_EQ(Count(kOpenFailed), opened + 1);
    EXPECT_EQ(Count("ファイル:" + name + " が開けませんでした"), 1);
    EXPECT_EQ(Count("右記のグラフィックファイルのロードに失敗しました：" + name + " "), 1);
  }
  for (int slot = 0; slot < morrow::kMovieLimit; ++slot) {
    EXPECT_EQ(morrow::GetMovieRecord(0x18000000 | slot), nullptr);
  }
}

// A failure at any step of the open writes that step's line and releases what the steps before
// obtained.
TEST_F(MovieTest, EachFailedStepLogsItsLine) {
  struct Case {
    const char* fault;  // the stream call made to fail, or a condition of the display
    int wished;
    const char* line;
  };
  const Case cases[] = {
      {"Create", 0, "IAMMultimediaインターフェイスを取得できませんでした！"},
      {"Initialize", 0, "ストリームを読み取り用にセットアップできませんでした！"},
      {"no display", 0, "DirectDraw4オブジェクトを取得できませんでした"},
      {"AddPrimaryVideo", 0, "プライマリビデオストリームを追加できませんでした！"},
      {"AddDefaultAudio", 0, "デフォルトサウンドレンダラを追加できませんでした！"},
      {"OpenFile", 0, "ファイル:m.mkv が開けませんでした"},
      {"GetDuration", 0, "メディアシーキングインターフェースの取得に失敗しました"},
      {"GetPrimaryVideo", 0, "プライマリビデオストリームインターフェイスを取得できませんでした！"},
      {"GetFormat", 2, "動画ファイルではない可能性があります！"},
      {"overlay", 1, "DirectDrawSurface オブジェクトの作成に失敗しました"},
      {"CreateSample", 0, "ストリームサンプルを作成できませんでした！"},
      {"GetSurface", 0, "ストリームサンプルからIDirectDrawSurfaceインターフェイスを取得できません"},
  };
  Start3D("off", 16);
  WriteMovie("m.mkv");
  const int first = morrow::OpenMovieToGraph("m.mkv", nullptr, nullptr, 0);
  ASSERT_EQ(morrow::CloseMovie(first), 0);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fault);
    const std::string fault = c.fault;
    platform::SetMediaStreamFault(fault);
    // The display offers an overlay format, whose surface it then cannot make.
    morrow::GetScreenState().overlayFormatIndex = fault == "overlay" ? 0 : -1;
    const int before = Count(c.line);
    const int failed = Count(kOpenFailed);
    if (fault == "no display") {
      morrow::MovieRecord m;
      EXPECT_EQ(morrow::OpenMovieStream(nullptr, &m, "m.mkv", nullptr, nullptr, 0), -1);
      EXPECT_EQ(m.multiMediaStream, nullptr);
    } else {
      EXPECT_EQ(morrow::OpenMovieToGraph("m.mkv", nullptr, nullptr, c.wished), -1);
      EXPECT_EQ(Count(kOpenFailed), failed + 1);
    }
    EXPECT_EQ(Count(c.line), before + 1);
  }
  morrow::GetScreenState().overlayFormatIndex = -1;
  platform::SetMediaStreamFault("");
  const int movie = morrow::OpenMovieToGraph("m.mkv", nullptr, nullptr, 0);
  EXPECT_EQ(movie, first + (1 << 16)) << "no check number was used by the failures";
  morrow::CloseMovie(movie);
}

// The table holds 100 movies; the 101st is refused without a log line. A closed slot is the
// first free one and is reused with the next check number; deleting a graph closes its movie.
TEST_F(MovieTest, TableHoldsHundredMovies) {
  Start3D("off", 32);
  WriteMovie("m.mkv");
  std::vector<int> movies;
  // Check numbers follow one counter from wherever it stands (0..2047, then 0 again).
  auto handle = [&](int nth, int slot) {
    const int check = ((movies[0] >> 16) + nth) & 0x7FF;
    return 0x18000000 | check << 16 | slot;
  };
  for (int i = 0; i < morrow::kMovieLimit; ++i) {
    movies.push_back(morrow::OpenMovieToGraph("m.mkv", nullptr, nullptr, 0));
    ASSERT_EQ(movies.back(), handle(i, i));
  }
  const std::string log = Log();
  EXPECT_EQ(morrow::OpenMovieToGraph("m.mkv", nullptr, nullptr, 0), -1);
  EXPECT_EQ(Log(), log);

  ASSERT_EQ(morrow::CloseMovie(movies[5]), 0);
  ASSERT_EQ(morrow::CloseMovie(movies[7]), 0);
  EXPECT_EQ(morrow::CloseMovie(movies[5]), -1);
  EXPECT_EQ(morrow::GetMovieRecord(movies[5]), nullptr);
  const int reused = morrow::OpenMovieToGraph("m.mkv", nullptr, nullptr, 0);
  EXPECT_EQ(reused, handle(100, 5));
  EXPECT_EQ(morrow::GetMovieRecord(movies[5]), nullptr) << "the old handle stays dead";
  movies[5] = reused;
  const int graph = morrow::LoadGraphFile("m.mkv", 1, 0, 0);
  const int movie = morrow::GetGraphRecord(graph)->movieHandle;
  EXPECT_EQ(movie, handle(101, 7));
  EXPECT_EQ(morrow::CloseMovieGraph(graph + 1), -1);
  ASSERT_EQ(morrow::FreeGraphHandle(graph, 0), 0);
  EXPECT_EQ(morrow::GetMovieRecord(movie), nullptr);
  for (int i = 0; i < morrow::kMovieLimit; ++i) {
    if (i != 7) {
      EXPECT_EQ(morrow::CloseMovie(movies[static_cast<size_t>(i)]), 0);
    }
  }
}

// The overlay of DrawImageScaled: the enlarged frame clipped to the draw area, the source cut by
// the same amounts divided by the factor, moved by the client origin, aligned by the driver's
// rules; nothing when the clipped area is empty.
TEST(MovieOverlay, PlacementClipsScalesAndAligns) {
  struct Case {
    int x, y, factor;
    morrow::Rect area;
    uint32_t align[4];  // boundary and size of the source, then of the destination
    bool shown;
    morrow::Rect src, dest;
  };
  const Case cases[] = {
      {10, 20, 1, {0, 0, 640, 480}, {0, 0, 0, 0}, true, {0, 0, 32, 16}, {110, 220, 142, 236}},
      {10, 20, 2, {0, 0, 640, 480}, {0, 0, 0, 0}, true, {0, 0, 32, 16}, {110, 220, 174, 252}},
      {-6, -4, 2, {0, 0, 40, 20}, {0, 0, 0, 0}, true, {3, 2, 23, 12}, {100, 200, 140, 220}},
      {-6, -4, 2, {0, 0, 40, 20}, {4, 8, 8, 16}, true, {4, 2, 20, 12}, {104, 200, 136, 220}},
      {700, 0, 1, {0, 0, 640, 480}, {0, 0, 0, 0}, false, {}, {}},
      {0, 0, 0, {0, 0, 640, 480}, {0, 0, 0, 0}, false, {}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.x) + "," + std::to_string(c.y) + " x" + std::to_string(c.factor));
    platform::DisplayCaps caps;
    caps.alignBoundarySrc = c.align[0];
    caps.alignSizeSrc = c.align[1];
    caps.alignBoundaryDest = c.align[2];
    caps.alignSizeDest = c.align[3];
    morrow::Rect src, dest;
    EXPECT_EQ(morrow::PlaceOverlay(c.x, c.y, c.factor, 32, 16, c.area, 100, 200, caps, &src, &dest),
              c.shown);
    if (c.shown) {
      EXPECT_EQ(src, c.src);
      EXPECT_EQ(dest, c.dest);
    }
  }
}

}  // namespace
