// The screen tools as separate programs: gfxprobe starts the library headless in each mode and
// its frames reach pngprobe through PNG files, from the dump op and from the frame dump.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <array>
#include <cstdio>
#include <string>

#include "tests/support/temp_dir.h"

namespace {

struct ProgramRun {
  int status;
  std::string out;
};

// Runs a shell command in dir with SDL's dummy video driver and the virtual clock; the
// single-instance lock lives in dir too, so runs in parallel do not meet.
ProgramRun Shell(const testsupport::TempDir& dir, const std::string& env,
                 const std::string& command) {
  std::string full = "cd '" + dir.path() + "' && SDL_VIDEODRIVER=dummy MORROW_CLOCK=virtual " +
                     "XDG_RUNTIME_DIR='" + dir.path() + "' " + env + " " + command + " 2>/dev/null";
  ProgramRun r{-1, ""};
  FILE* p = popen(full.c_str(), "r");
  if (p == nullptr) return r;
  std::array<char, 4096> buf;
  size_t n;
  while ((n = fread(buf.data(), 1, buf.size(), p)) > 0) r.out.append(buf.data(), n);
  int status = pclose(p);
  r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return r;
}

const std::string kGfx = GFXPROBE;
const std::string kPng = PNGPROBE;

struct ToolCase {
  const char* name;
  const char* env;
  const char* args;
  int status;
  const char* out;
};

class GfxProbe : public ::testing::TestWithParam<ToolCase> {};

TEST_P(GfxProbe, PrintsTheScreenAndItsColours) {
  const ToolCase& c = GetParam();
  testsupport::TempDir dir;
  ProgramRun r = Shell(dir, c.env, kGfx + " " + c.args);
  EXPECT_EQ(r.status, c.status);
  EXPECT_EQ(r.out, c.out);
}

INSTANTIATE_TEST_SUITE_P(
    Modes, GfxProbe,
    ::testing::Values(
        ToolCase{"Window16", "MORROW_DESKTOP=1024x768x16",
                 "--window pack:255,255,255 pack:200,100,50 unpack:0xf800 blend:255,255 "
                 "blend:128,2 fill:200,100,50",
                 0,
                 "screen 640x480x16 r=0000f800 g=000007e0 b=0000001f a=00000000 fill=00000000\n"
                 "pack 255,255,255 0x0000ffff\npack 200,100,50 0x0000cb26\n"
                 "unpack 0x0000f800 255,0,0\nblend 255,255 254\nblend 128,2 1\n"
                 "fill 200,100,50 0x0000cb26\n"},
        ToolCase{"Window555", "MORROW_DESKTOP=1024x768x16 MORROW_PIXEL16=555",
                 "--window pack:200,100,50 unpack:0xe586", 0,
                 "screen 640x480x16 r=00007c00 g=000003e0 b=0000001f a=00000000 fill=00008000\n"
                 "pack 200,100,50 0x0000e586\nunpack 0x0000e586 205,98,49\n"},
        ToolCase{"Full32", "MORROW_DESKTOP=1024x768x16",
                 "--full --depth 32 pack:200,100,50 select:800,600,32", 0,
                 "screen 640x480x32 r=00ff0000 g=0000ff00 b=000000ff a=00000000 fill=ff000000\n"
                 "pack 200,100,50 0xffc86432\nselect 800,600,32 0\n"
                 "screen 800x600x32 r=00ff0000 g=0000ff00 b=000000ff a=00000000 fill=ff000000\n"},
        ToolCase{"WindowFollowsDesktop", "MORROW_DESKTOP=1024x768x32",
                 "--window --depth 16 select:640,480,16", 0,
                 "screen 640x480x32 r=00ff0000 g=0000ff00 b=000000ff a=00000000 fill=ff000000\n"
                 "select 640,480,16 -1\n"
                 "screen 640x480x32 r=00ff0000 g=0000ff00 b=000000ff a=00000000 fill=ff000000\n"},
        ToolCase{"Window24Refused", "MORROW_DESKTOP=1024x768x24", "--window", 1, ""},
        ToolCase{"WindowDepth24Refused", "MORROW_DESKTOP=1024x768x32", "--window --depth 24", 1,
                 ""},
        ToolCase{"Full16On24", "MORROW_DESKTOP=1024x768x24", "--full --depth 16", 0,
                 "screen 640x480x16 r=0000f800 g=000007e0 b=0000001f a=00000000 fill=00000000\n"},
        ToolCase{"GraphHandles", "MORROW_DESKTOP=1024x768x16",
                 "--window graph:64x32 graph:700x10 alphagraph:8x8 delete:0 graph:1x1 "
                 "graph:70000x1 graph:0x5 lock:1 lock:1 unlock:1 unlock:1 unlock:1 delete:0 "
                 "lock:9",
                 0,
                 "screen 640x480x16 r=0000f800 g=000007e0 b=0000001f a=00000000 fill=00000000\n"
                 "graph 64x32 0x08000000 video depth=16\n"
                 "graph 700x10 0x08010001 system depth=16\n"
                 "graph 8x8 0x08020002 video depth=32\n"
                 "delete 0 0\n"
                 "graph 1x1 0x08030003 video depth=16\n"
                 "graph 70000x1 -1\ngraph 0x5 -1\n"
                 "lock 1 0\nlock 1 -2\nunlock 1 0\nunlock 1 0\nunlock 1 -1\n"
                 "delete 0 -1\nlock 9 -1\n"},
        ToolCase{"GraphsFull32", "MORROW_DESKTOP=1024x768x16",
                 "--full --depth 32 graph:4x4 alphagraph:2x2 graph:1000x1", 0,
                 "screen 640x480x32 r=00ff0000 g=0000ff00 b=000000ff a=00000000 fill=ff000000\n"
                 "graph 4x4 0x08000000 video depth=32\n"
                 "graph 2x2 0x08010001 video depth=32\n"
                 "graph 1000x1 0x08020002 system depth=32\n"},
        // The font table on the fixed-geometry font: the start made the default and the
        // on-screen log's font; a cell of 2000 is refused after taking check number 7.
        ToolCase{"FontTable", "MORROW_FONT=fake MORROW_DESKTOP=1024x768x32",
                 "--window fonts font:-,16,6,0,-1,-1 font:-,15,6,3,-1,1 font:-,2000,6,0,-1,-1 "
                 "font:-,12,6,0,-1,-1,39,2047 font:-,12,6,0,-1,-1,40,-1 font:-,12,6,7,-1,-1 "
                 "delfont:1 font:-,16,6,0,-1,-1 delfont:1 delfont:9 refresh fonts deffont:15,6,3 "
                 "leadbyte:0x80,1 leadbyte:0x80,2 leadbyte:0xff,0",
                 0,
                 "screen 640x480x32 r=00ff0000 g=0000ff00 b=000000ff a=00000000 fill=ff000000\n"
                 "fonts 0x20000000 0x20010001\n"
                 "font 0x20020002 type=0 size=16 edge=1 cell=16 line=16 cache=16x16384 rows=1024 "
                 "entries=1024 texture=0\n"
                 "font 0x20030003 type=3 size=15 edge=1 cell=18 line=18 cache=36x9099 rows=505 "
                 "entries=1010 texture=0\n"
                 "font -1\n"
                 "font 0x27ff0027 type=0 size=12 edge=1 cell=12 line=12 cache=12x16380 rows=1365 "
                 "entries=1365 texture=0\n"
                 "font -1\nfont -1\ndelfont 1 0\n"
                 "font 0x20050003 type=0 size=16 edge=1 cell=16 line=16 cache=16x16384 rows=1024 "
                 "entries=1024 texture=0\n"
                 "delfont 1 -1\ndelfont 9 -1\nrefresh 0\n"
                 "fonts 0x20000000 0x20010001 0x20020002 0x20050003 0x27ff0027\n"
                 "deffont 0x20070000 type=3 size=15 edge=1 cell=18 line=18 cache=36x9099 rows=505 "
                 "entries=1010 texture=0\n"
                 "leadbyte 0x80 1 0\nleadbyte 0x80 2 1\nleadbyte 0xff 0 1\n"},
        ToolCase{"FontLimit", "MORROW_FONT=fake MORROW_DESKTOP=1024x768x16",
                 "--window fontmany:39,12", 0,
                 "screen 640x480x16 r=0000f800 g=000007e0 b=0000001f a=00000000 fill=00000000\n"
                 "fontmany 39 made=38\n"},
        // The 3D device: graphs cut into textures, and the states the blend table sends.
        ToolCase{"Direct3DPiecesAndBlends", "MORROW_DESKTOP=1024x768x16",
                 "--window --path d3d graph:640x480 pieces:0 graph:100x100 pieces:1 "
                 "blend3d:1,128 blend3d:1,128 blend3d:1,200 blend3d:2,255 blend3d:0,0 "
                 "blend3d:7,1 blend3d:6,0 filter3d:2 filter3d:1 pieces:9",
                 0,
                 "screen 640x480x16 r=0000f800 g=000007e0 b=0000001f a=00000000 fill=00000000\n"
                 "graph 640x480 0x08020002 texture depth=16\n"
                 "pieces 0 n=2 512x512@0,0 128x512@512,0\n"
                 "graph 100x100 0x08030003 texture depth=16\n"
                 "pieces 1 n=4 64x64@0,0 64x64@64,0 64x64@0,64 64x64@64,64\n"
                 "blend3d 1,128 ALPHABLENDENABLE=1 SRCBLEND=SRCALPHA DESTBLEND=INVSRCALPHA "
                 "cache=1,128 draw=0\n"
                 "blend3d 1,128 - cache=1,128 draw=0\n"
                 "blend3d 1,200 - cache=1,200 draw=0\n"
                 "blend3d 2,255 SRCBLEND=SRCALPHA DESTBLEND=ONE cache=2,255 draw=0\n"
                 "blend3d 0,0 ALPHABLENDENABLE=0 TSS0.ALPHAOP=SELECTARG1 TSS0.ALPHAARG1=DIFFUSE "
                 "cache=0,-1 draw=0\n"
                 "blend3d 7,1 SRCBLEND=SRCALPHA ALPHABLENDENABLE=1 DESTBLEND=INVSRCALPHA "
                 "TSS0.ALPHAARG1=TEXTURE TSS0.ALPHAARG2=DIFFUSE TSS0.ALPHAOP=MODULATE cache=1,256 "
                 "draw=256\n"
                 "blend3d 6,0 - cache=1,256 draw=256\n"
                 "filter3d 2 -1\nfilter3d 1 0\npieces 9 -1\n"},
        ToolCase{"Direct3DSmallTextures", "MORROW_DESKTOP=1024x768x16 MORROW_D3D=on,maxtex=256",
                 "--window --path d3d graph:640x480 pieces:0 graph:5000x5000 alphagraph:8x8 "
                 "pieces:1",
                 0,
                 "screen 640x480x16 r=0000f800 g=000007e0 b=0000001f a=00000000 fill=00000000\n"
                 "graph 640x480 0x08020002 texture depth=16\n"
                 "pieces 0 n=12 256x256@0,0 256x256@256,0 128x256@512,0 256x128@0,256 "
                 "256x128@256,256 128x128@512,256 256x64@0,384 256x64@256,384 128x64@512,384 "
                 "256x32@0,448 256x32@256,448 128x32@512,448\n"
                 "graph 5000x5000 -1\n"
                 "graph 8x8 0x08030003 texture depth=32\n"
                 "pieces 1 n=1 8x8@0,0\n"},
        ToolCase{"Direct3DNoMergePastTheMaximum",
                 "MORROW_DESKTOP=1024x768x16 MORROW_D3D=on,maxtex=1024",
                 "--window --path d3d graph:2000x16 pieces:0", 0,
                 "screen 640x480x16 r=0000f800 g=000007e0 b=0000001f a=00000000 fill=00000000\n"
                 "graph 2000x16 0x08020002 texture depth=16\n"
                 "pieces 0 n=2 1024x16@0,0 1024x16@1024,0\n"},
        ToolCase{"Direct3DSquareOnly", "MORROW_DESKTOP=1024x768x16 MORROW_D3D=on,square",
                 "--window --path d3d graph:256x64 pieces:0", 0,
                 "screen 640x480x16 r=0000f800 g=000007e0 b=0000001f a=00000000 fill=00000000\n"
                 "graph 256x64 0x08020002 texture depth=16\n"
                 "pieces 0 n=4 64x64@0,0 64x64@64,0 64x64@128,0 64x64@192,0\n"},
        // Without the device, or on the software path, graphs stay on display surfaces.
        ToolCase{"Direct3DOff", "MORROW_DESKTOP=1024x768x16 MORROW_D3D=off",
                 "--window --path d3d graph:64x32 pieces:0 blend3d:1,1 filter3d:0", 0,
                 "screen 640x480x16 r=0000f800 g=000007e0 b=0000001f a=00000000 fill=00000000\n"
                 "graph 64x32 0x08000000 video depth=16\n"
                 "pieces 0 n=1 64x32@0,0\n"
                 "blend3d 1,1 -1\nfilter3d 0 -1\n"},
        ToolCase{"SoftPathIgnoresMorrowD3D", "MORROW_DESKTOP=1024x768x16 MORROW_D3D=on",
                 "--window --path soft graph:64x32", 0,
                 "screen 640x480x16 r=0000f800 g=000007e0 b=0000001f a=00000000 fill=00000000\n"
                 "graph 64x32 0x08000000 video depth=16\n"},
        ToolCase{"BadPath", "", "--window --path gl", 2, ""},
        ToolCase{"BadBlend3D", "", "--window blend3d:1", 2, ""},
        ToolCase{"BadFontOp", "", "--window font:-,1,2", 2, ""},
        ToolCase{"BadLeadByte", "", "--window leadbyte:256,1", 2, ""},
        ToolCase{"BadGraphSize", "", "--window graph:5", 2, ""},
        ToolCase{"BadLockIndex", "", "--window lock:x", 2, ""},
        ToolCase{"BadOp", "", "--window pack:1,2", 2, ""},
        ToolCase{"BadBlend", "", "--window blend:256,1", 2, ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(GfxProbeDump, FilledScreenReachesTheDumpAndTheFrameDump) {
  testsupport::TempDir dir;
  ProgramRun r = Shell(dir, "MORROW_DESKTOP=1024x768x16 MORROW_DUMP_DIR=. MORROW_DUMP_FRAMES=1-2",
                       kGfx + " --window fill:200,100,50 dump:a.png");
  ASSERT_EQ(r.status, 0);
  ProgramRun probe = Shell(dir, "", kPng + " a.png 0,0 639,479 320,240");
  EXPECT_EQ(probe.status, 0);
  EXPECT_EQ(probe.out, "640x480\n0,0 cd6531\n639,479 cd6531\n320,240 cd6531\n");
  // Frames are counted from the end of the start: its own present is none of them, the filled
  // screen is the first.
  probe = Shell(dir, "", kPng + " frame_000001.png 10,10");
  EXPECT_EQ(probe.out, "640x480\n10,10 cd6531\n");
  EXPECT_EQ(Shell(dir, "", "ls frame_000002.png").status, 2);
  EXPECT_NE(testsupport::ReadFile(dir.File("AppLog.txt")).find("１フレーム当たりの時間は"),
            std::string::npos);
}

TEST(GfxProbeDump, FullScreenDumpShowsTheWholeFrontBuffer) {
  testsupport::TempDir dir;
  ProgramRun r = Shell(dir, "MORROW_DESKTOP=1024x768x32",
                       kGfx + " --full --depth 32 select:800,600,32 fill:10,20,30 dump:b.png");
  ASSERT_EQ(r.status, 0);
  ProgramRun probe = Shell(dir, "", kPng + " b.png 0,0 799,599");
  EXPECT_EQ(probe.out, "800x600\n0,0 0a141e\n799,599 0a141e\n");
}

// The 3D set-up's log lines: the texture limits and formats it found, and each way it fails.
TEST(GfxProbeDirect3D, TheSetUpLogsWhatItFindsAndWhyItFails) {
  testsupport::TempDir dir;
  auto lines = [&](const std::string& text) {
    const std::string log = testsupport::ReadFile(dir.File("AppLog.txt"));
    int n = 0;
    size_t start = 0;
    while (start < log.size()) {
      size_t end = log.find('\n', start);
      if (end == std::string::npos) end = log.size();
      if (log.substr(start, end - start).find(text) != std::string::npos) ++n;
      start = end + 1;
    }
    return n;
  };
  const std::string g = kGfx + " --window --path d3d";
  ASSERT_EQ(Shell(dir, "MORROW_DESKTOP=1024x768x16", g).status, 0);
  EXPECT_EQ(lines("最大幅:2048 最小幅:1 "), 1);
  EXPECT_EQ(lines("BIT:16  RED:5  GREEN:6  BLUE:5 "), 1);
  EXPECT_EQ(lines("BIT:16  ALPHA:4  RED:4  GREEN:4  BLUE:4 "), 1);
  EXPECT_EQ(lines("３Ｄグラフィック描画機能を使用します"), 1);
  struct Case {
    const char* option;
    const char* line;
  } cases[] = {{"off", "Direct3Dオブジェクトの作成に失敗しました"},
               {"nodevice", "描画デバイスが見つかりませんでした"},
               {"noz", "使用可能なＺバッファが見つかりませんでした"},
               {"bogus", "Direct3Dオブジェクトの作成に失敗しました"}};
  for (const Case& c : cases) {
    ASSERT_EQ(
        Shell(dir, std::string("MORROW_DESKTOP=1024x768x16 MORROW_D3D=") + c.option, g).status, 0);
    EXPECT_EQ(lines(c.line), 1) << c.option;
    EXPECT_EQ(lines("３Ｄグラフィック描画機能は使用しません"), 1) << c.option;
  }
}

TEST(PngProbe, BadFilesAndPoints) {
  testsupport::TempDir dir;
  testsupport::WriteFile(dir.File("junk.png"), "not a png at all");
  EXPECT_EQ(Shell(dir, "", kPng + " junk.png 0,0").status, 1);
  EXPECT_EQ(Shell(dir, "", kPng + " missing.png").status, 1);
  EXPECT_EQ(Shell(dir, "", kPng).status, 2);
  ASSERT_EQ(Shell(dir, "MORROW_DESKTOP=1024x768x16", kGfx + " fill:1,2,3 dump:c.png").status, 0);
  EXPECT_EQ(Shell(dir, "", kPng + " c.png 640,0").status, 2);
  EXPECT_EQ(Shell(dir, "", kPng + " c.png 1x2").status, 2);
  EXPECT_EQ(Shell(dir, "", kPng + " c.png").out, "640x480\n");
}

}  // namespace
