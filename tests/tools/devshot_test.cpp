// devshot as a separate program: scripts run headless, their state, trace, probes and pictures,
// and the refusals of bad options and bad scripts.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "tests/morrow/graphics/image_writers.h"
#include "tests/support/temp_dir.h"

namespace {

struct ProgramRun {
  int status;
  std::string out;
};

// Runs a command in dir with SDL's dummy drivers and the virtual clock; the single-instance lock
// lives in dir too, so runs in parallel do not meet. Standard error is dropped unless joined.
ProgramRun Shell(const testsupport::TempDir& dir, const std::string& command,
                 bool withErrors = false) {
  std::string full = "cd '" + dir.path() +
                     "' && SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy MORROW_CLOCK=virtual " +
                     "XDG_RUNTIME_DIR='" + dir.path() + "' " + command +
                     (withErrors ? " 2>&1" : " 2>/dev/null");
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

const std::string kDevshot = DEVSHOT;
const std::string kPng = PNGPROBE;

struct ScriptCase {
  const char* name;
  const char* script;  // written to s.txt
  const char* args;    // after "devshot --script s.txt"
  int status;
  const char* out;
};

void PrintTo(const ScriptCase& c, std::ostream* os) {
  *os << c.name;
}

class Devshot : public ::testing::TestWithParam<ScriptCase> {};

TEST_P(Devshot, RunsTheScript) {
  const ScriptCase& c = GetParam();
  testsupport::TempDir dir;
  testsupport::WriteFile(dir.File("s.txt"), c.script);
  // Text is measured on the fixed-geometry font.
  ProgramRun r =
      Shell(dir, "MORROW_FONT=fake " + kDevshot + " --script s.txt " + c.args, c.status == 2);
  EXPECT_EQ(r.status, c.status);
  EXPECT_EQ(r.out, c.out);
}

INSTANTIATE_TEST_SUITE_P(
    Scripts, Devshot,
    ::testing::Values(
        ScriptCase{"ClampedBlendAndReversedClip",
                   "blend 1 300\nbright 255 255 255\nclip 100 100 10 10\n", "--state", 0,
                   "state target=-2 area=10,10,100,100 blend=1,255 bright=0xffffffff empty=0\n"},
        ScriptCase{"EmptyAreaDrawsNothing", "clip 5 5 5 50\nbox 0 0 10 10 255 255 255\n",
                   "--state --trace", 0,
                   "state target=-2 area=5,5,5,50 blend=0,0 bright=0xffffffff empty=1\n"},
        ScriptCase{"DeletedTargetFallsBackToTheBackScreen",
                   "graph g 32 32 10 20 30\ntarget g\ndelete g\ntarget g\n", "--state", 0,
                   "state target=-2 area=0,0,640,480 blend=0,0 bright=0xffffffff empty=0\n"},
        ScriptCase{"GraphTargetIsPrintedAsAHandle",
                   "graph g 32 16 1 2 3 # the first graph\ntarget g\n", "--state", 0,
                   "state target=0x08000000 area=0,0,32,16 blend=0,0 bright=0xffffffff empty=0\n"},
        ScriptCase{"FrontScreen", "target front\nbright 300 -4 0x80\nkey 1 2 3\n", "--state", 0,
                   "state target=-4 area=0,0,640,480 blend=0,0 bright=0xffff0080 empty=0\n"},
        ScriptCase{"TraceAtSixteenBits",
                   "graph g 8 8 255 0 0\ndraw 10 20 g 1\nmodi 10 10 18 10 18 18 10 18 g 1\n"
                   "rota 100 100 1.5 0.5 g 1 0\nbox 5 5 1 1 255 255 255\n",
                   "--depth 16 --trace", 0,
                   "DrawGraphDDraw 10 20 1\nG_DDraw_DrawModiGraph 10 10 18 10 10 18 18 18 1\n"
                   "G_DDraw_DrawRotaGraph 100 100 1.5 0.5 1 0\n"
                   "G_DDraw_DrawFillBox 5 5 1 1 0xffff\n"},
        ScriptCase{"TraceOfEveryCommand",
                   "graph4 q 8 4 255 0 0 0 255 0 0 0 255 255 255 255\n"
                   "part 1 2 3 1 4 2 q 1 1\nextend 9 8 7 6 q 0\nfmodi 1.5 2 3 4 5 6 7 8.25 q 1\n"
                   "rota 1 2 nan inf q 0 1\npaint q 1 2 3 4\nline 1 2 3 4 0 0 255\n"
                   "circle 5 6 7 255 0 0 1\nbox 0 0 4 3 0 255 0 0\n",
                   "--trace", 0,
                   "G_DDraw_DrawExtendGraph 8 1 0 5 1\nG_DDraw_DrawExtendGraph 9 8 7 6 0\n"
                   "G_DDraw_DrawFloatModiGraph 1.5 2 3 4 7 8.25 5 6 1\n"
                   "G_DDraw_DrawRotaGraph 1 2 nan inf 0 1\nline 5: rota -1\n"
                   "PaintGraphDDraw 1 2 3 4\nG_DDraw_DrawLine 1 2 3 4 0xff0000ff\n"
                   "G_DDraw_DrawCircle 5 6 7 0xffff0000 1\n"
                   "G_DDraw_DrawFrameBox 0 0 4 3 0xff00ff00\n"
                   "G_DDraw_DrawLine 0 0 4 0 0xff00ff00\nG_DDraw_DrawLine 3 1 3 3 0xff00ff00\n"
                   "G_DDraw_DrawLine 0 2 3 2 0xff00ff00\nG_DDraw_DrawLine 0 1 0 2 0xff00ff00\n"},
        ScriptCase{"FailedCallsAreNamed",
                   "graph big 0 5 1 2 3\ngraph g 4 4 1 2 3\ndelete g\ndelete g\ndraw 0 0 g 0\n"
                   "draw 0 0 big 1\ncircle 1 1 -1 0 0 0 0\n",
                   "", 0,
                   "line 1: graph -1\nline 4: delete -1\nline 5: draw -1\nline 6: draw -1\n"},
        ScriptCase{"ProbesAtThirtyTwoBits", "clear\n", "--probe 0,0 --probe 639,479 --probe 640,0",
                   0, "0,0 0x00000000\n639,479 0x00000000\n640,0 -1\n"},
        ScriptCase{"ProbesAtSixteenBits", "clear\n", "--depth 16 --layout 555 --probe 3,4", 0,
                   "3,4 0x0000\n"},
        ScriptCase{"ProbesAtEightBits", "clear\n", "--full --depth 8 --probe 3,4 --probe -1,0", 0,
                   "3,4 0x00\n-1,0 -1\n"},
        ScriptCase{"UnknownCommand", "clear\n\n  # nothing\nsparkle 1 2\n", "", 2,
                   "s.txt:4: unknown command 'sparkle'\n"},
        ScriptCase{"MissingArguments", "box 1 2 3 4 5 6\n", "", 2,
                   "s.txt:1: missing arguments for 'box'\n"},
        ScriptCase{"TooManyArguments", "clear now\n", "", 2,
                   "s.txt:1: too many arguments for 'clear'\n"},
        ScriptCase{"UndefinedName", "graph a 1 1 0 0 0\ndraw 0 0 b 0\n", "", 2,
                   "s.txt:2: undefined name 'b'\n"},
        ScriptCase{"NameUsedBeforeItIsDefined", "target g\ngraph g 1 1 0 0 0\n", "", 2,
                   "s.txt:1: undefined name 'g'\n"},
        ScriptCase{"BadInteger", "clip 1 2 3 0x\n", "", 2, "s.txt:1: bad integer '0x'\n"},
        ScriptCase{"OctalLooksAreDecimal", "clip 010 0 20 20\n", "--state", 0,
                   "state target=-2 area=10,0,20,20 blend=0,0 bright=0xffffffff empty=0\n"},
        ScriptCase{"IntegerOutOfRange", "clip 1 2 3 2147483648\n", "", 2,
                   "s.txt:1: bad integer '2147483648'\n"},
        ScriptCase{"ColourOutOfRange", "line 0 0 1 1 256 0 0\n", "", 2,
                   "s.txt:1: bad colour byte '256'\n"},
        ScriptCase{"TriangleWithoutItsColour", "tri 0 0 9 0 0 9 1 2\n", "", 2,
                   "s.txt:1: missing arguments for 'tri'\n"},
        ScriptCase{"BadReal", "graph g 1 1 0 0 0\nrota 0 0 1.5x 0 g 0 0\n", "", 2,
                   "s.txt:2: bad number '1.5x'\n"},
        ScriptCase{"ScreenNamesAreReserved", "graph back 1 1 0 0 0\n", "", 2,
                   "s.txt:1: 'back' names a screen\n"},
        ScriptCase{"FilesThatDoNotLoad",
                   "load m missing.bmp\nloaddiv d missing.bmp 2 2 1 1 1\ndraw 0 0 d1 0\n"
                   "draw 0 0 m 0\nload t s.txt\nlose\n",
                   "", 0,
                   "line 1: load -1\nline 2: loaddiv -1\nline 3: draw -1\nline 4: draw -1\n"
                   "line 5: load -1\n"},
        ScriptCase{"CellNamesEndAtTheCount", "loaddiv c x.bmp 2 2 1 2 2\ndraw 0 0 c2 0\n", "", 2,
                   "s.txt:2: undefined name 'c2'\n"},
        ScriptCase{"TheBaseNameIsNoGraph", "loaddiv c x.bmp 2 2 1 2 2\ndelete c\n", "", 2,
                   "s.txt:2: undefined name 'c'\n"},
        ScriptCase{"TooManyCells", "loaddiv c x.bmp 30001 1 1 1 1\n", "", 2,
                   "s.txt:1: too many cells '30001'\n"},
        ScriptCase{"CellsOfAScreenName", "loaddiv front x.bmp 1 1 1 1 1\n", "", 2,
                   "s.txt:1: 'front' names a screen\n"},
        ScriptCase{"LoadWithoutAPath", "load g\n", "", 2,
                   "s.txt:1: missing arguments for 'load'\n"},
        ScriptCase{"LoseTakesNothing", "lose now\n", "", 2,
                   "s.txt:1: too many arguments for 'lose'\n"},
        ScriptCase{"TextIsRequired", "font f 16 6 0 -1\nftext 0 0 f 1 2 3 4 5 6 0   # none\n", "",
                   2, "s.txt:2: missing arguments for 'ftext'\n"},
        ScriptCase{"BadEscape", "deffont 16 6 0\ntext 0 0 1 2 3 4 5 6 a\\x2g\n", "", 2,
                   "s.txt:2: bad escape in 'a\\x2g'\n"},
        ScriptCase{"FontNamesAreNames", "font f 16 6 0 -1\nmeasure g 0 a\n", "", 2,
                   "s.txt:2: undefined name 'g'\n"},
        // The comment is cut before the text is taken: '#' is written \x23. A stale font
        // measures -1.
        ScriptCase{"TextTakesTheRestOfTheLine",
                   "font f 16 6 0 -1\nmeasure f 0 a b \\x23 # c\nmeasure f 1 \\x20\n"
                   "font g 3000 6 0 -1\nmeasure g 0 a\n",
                   "", 0, "measure 40 16\nmeasure 16 8\nline 4: font -1\nline 5: measure -1\n"},
        // The graph takes the box's corner, then shows it doubled and mirrored at the right.
        ScriptCase{"CaptureAndStretch",
                   "box 0 0 640 480 10 20 30\nbox 0 0 64 64 200 100 50\ngraph g 8 8 0 0 0\n"
                   "capture 60 60 61 61 g 1\nextend 116 100 100 108 g 0\ncapture 0 0 9 1 g 1\n",
                   "--probe 107,100 --probe 108,100 --probe 115,103 --probe 115,104", 0,
                   "line 6: capture -1\n107,100 0xff0a141e\n108,100 0xffc86432\n"
                   "115,103 0xffc86432\n115,104 0xff0a141e\n"},
        ScriptCase{"CaptureTakesAFlag", "graph g 8 8 0 0 0\ncapture 0 0 1 1 g\n", "", 2,
                   "s.txt:2: missing arguments for 'capture'\n"},
        // The mask shows the red box only where it was filled; without mask memory the switch
        // is refused.
        ScriptCase{"MaskKeywords",
                   "clear\nmask on\nmask create\nmask fill 1 1 3 3 1\nbox 0 0 5 5 255 0 0\n"
                   "mask delete\nmask off\nmask fill 0 0 1 1 1\n",
                   "--probe 1,1 --probe 2,2 --probe 0,0 --probe 3,3", 0,
                   "line 2: mask -1\nline 7: mask -1\nline 8: mask -1\n1,1 0xffff0000\n"
                   "2,2 0xffff0000\n0,0 0x00000000\n3,3 0x00000000\n"},
        ScriptCase{"UnknownMaskKeyword", "mask sparkle\n", "", 2,
                   "s.txt:1: unknown mask keyword 'sparkle'\n"},
        ScriptCase{"MaskFillTakesFiveNumbers", "mask fill 1 2 3 4\n", "", 2,
                   "s.txt:1: 'mask fill' takes 5 numbers\n"},
        ScriptCase{"MaskOnTakesNone", "mask on 1\n", "", 2,
                   "s.txt:1: 'mask on' takes 0 numbers\n"}),
    [](const auto& info) { return std::string(info.param.name); });

// Text in each font type on the fixed-geometry font, directly and through the draw screen,
// with worked pixels at 32 bits and in both 16-bit layouts; measures come before the probes.
TEST(DevshotRun, TextDrawsItsWorkedPixels) {
  testsupport::TempDir dir;
  testsupport::WriteFile(dir.File("t.txt"),
                         "clear\nbox 290 90 340 140 200 200 200\nfont f0 16 6 0 -1\n"
                         "font f1 16 6 1 1\nfont f3 16 6 3 1\n"
                         "ftext 100 100 f0 255 255 255 0 0 0 0 中\n"
                         "ftext 200 100 f1 255 0 0 0 0 255 0 中\n"
                         "ftext 300 100 f3 255 255 255 0 0 0 0 中\n"
                         "measure f3 0 中a\\x20\nmeasure f3 1 中a\\x20\nmeasure f0 0 \\xd6\n"
                         "deffont 16 6 0\ntext 500 100 0 255 0 0 0 0 中\nbright 255 128 128\n"
                         "ftext 400 100 f0 255 255 255 0 0 0 0 中\n");
  const std::string run = "MORROW_FONT=fake " + kDevshot + " --script t.txt ";
  ProgramRun r = Shell(dir, run +
                                "--depth 32 --probe 100,100 --probe 101,101 --probe 114,110 "
                                "--probe 115,110 --probe 202,102 --probe 201,102 --probe 216,111 "
                                "--probe 201,101 --probe 302,102 --probe 301,102 --probe 315,102 "
                                "--probe 316,102 --probe 301,101 --probe 501,101 --probe 401,101");
  EXPECT_EQ(r.status, 0);
  // 316,102: the edge at alpha 127 over grey 200, blended by the piece draw.
  EXPECT_EQ(r.out,
            "measure 38 18\nmeasure 18 38\nmeasure 8 16\n"
            "100,100 0x00000000\n101,101 0xffffffff\n114,110 0xffffffff\n115,110 0x00000000\n"
            "202,102 0xffff0000\n201,102 0x000000ff\n216,111 0x000000ff\n201,101 0x00000000\n"
            "302,102 0xffffffff\n301,102 0xff000000\n315,102 0xff7e7e7e\n316,102 0x00656564\n"
            "301,101 0xffc8c8c8\n501,101 0xff00ff00\n401,101 0xffff8080\n");
  r = Shell(dir,
            run + "--depth 16 --probe 101,101 --probe 302,102 --probe 315,102 --probe 301,102");
  EXPECT_EQ(r.out,
            "measure 38 18\nmeasure 18 38\nmeasure 8 16\n"
            "101,101 0xffff\n302,102 0xffff\n315,102 0x7bef\n301,102 0x0000\n");
  r = Shell(dir, run + "--depth 16 --layout 555 --probe 302,102 --probe 315,102 --probe 301,102");
  EXPECT_EQ(r.out,
            "measure 38 18\nmeasure 18 38\nmeasure 8 16\n"
            "302,102 0xffff\n315,102 0xbdef\n301,102 0x8000\n");
}

TEST(DevshotRun, BlankFrameIsWrittenAsAPicture) {
  testsupport::TempDir dir;
  ProgramRun r = Shell(dir, kDevshot + " --depth 16 --script blank --out b.png");
  ASSERT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(Shell(dir, kPng + " b.png 0,0 639,479").out, "640x480\n0,0 000000\n639,479 000000\n");
  r = Shell(dir, kDevshot + " --full --script blank --out f.png");
  ASSERT_EQ(r.status, 0);
  EXPECT_EQ(Shell(dir, kPng + " f.png 5,5").out, "640x480\n5,5 000000\n");
}

TEST(DevshotRun, BuiltInScriptsRunInEveryDepthAndMode) {
  testsupport::TempDir dir;
  for (const char* script : {"blank", "boxes", "sprites", "rotate", "quads"}) {
    for (const char* mode : {"--window --depth 8", "--window --depth 16", "--full --depth 32"}) {
      ProgramRun r = Shell(dir, kDevshot + " " + mode + " --script " + script + " --trace");
      EXPECT_EQ(r.status, 0) << script << " " << mode;
      EXPECT_EQ(r.out.find("-1\n"), std::string::npos) << script << " " << mode << r.out;
      if (std::string(script) != "blank") {
        EXPECT_FALSE(r.out.empty()) << script;
      }
    }
  }
}

// Filled boxes in every mode at 32 bits: the plain colour keeps its fill bits, subtract leaves
// the guard bits, alpha at 254 loses one twice, add carries into the fourth byte, multiply
// ignores p, alpha at 0 draws nothing, and a box is cut to the draw area.
TEST(DevshotRun, BoxesDrawTheirWorkedPixels) {
  testsupport::TempDir dir;
  testsupport::WriteFile(dir.File("box.txt"),
                         "clear\nbox 0 0 64 64 100 100 100\nbox 100 0 164 64 255 255 255\n"
                         "box 200 0 264 64 200 100 50\nblend 3 255\nbox 10 10 20 20 50 50 50\n"
                         "blend 1 254\nbox 110 10 120 20 255 255 255\nblend 2 255\n"
                         "box 130 10 140 20 255 255 255\nblend 4 0\n"
                         "box 210 10 220 20 128 64 255\nblend 1 0\nbox 0 40 64 64 255 0 0\n"
                         "blend 0 0\nclip 300 0 310 10\nbox 290 0 320 20 255 0 0\n");
  ProgramRun r = Shell(dir, kDevshot +
                                " --depth 32 --script box.txt --probe 5,5 --probe 15,15 "
                                "--probe 115,15 --probe 135,15 --probe 215,15 --probe 5,50 "
                                "--probe 305,5 --probe 295,5 --probe 305,15");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out,
            "5,5 0xff646464\n15,15 0x00353533\n115,15 0x00fdfdfd\n135,15 0x01ffffff\n"
            "215,15 0x00641932\n5,50 0xff646464\n305,5 0xffff0000\n295,5 0x00000000\n"
            "305,15 0x00000000\n");
}

// Lines (the end left out), a blended outline, filled and outlined circles, and a plain triangle
// added onto a box; a triangle without area is refused.
TEST(DevshotRun, ShapesDrawTheirWorkedPixels) {
  testsupport::TempDir dir;
  testsupport::WriteFile(dir.File("shapes.txt"),
                         "clear\nline 0 0 10 5 255 255 255\nline 30 0 20 0 255 255 255\n"
                         "blend 2 128\nbox 40 10 50 20 100 100 100 0\nblend 0 0\n"
                         "circle 100 100 3 255 0 0 1\ncircle 200 100 3 0 255 0 0\n"
                         "box 300 300 320 320 240 240 240\nblend 2 255\n"
                         "tri 300 300 310 300 300 310 33 33 33\ntri 0 0 5 5 9 9 1 1 1\n");
  ProgramRun r = Shell(dir, kDevshot +
                                " --depth 32 --script shapes.txt --probe 9,4 --probe 10,5 "
                                "--probe 21,0 --probe 20,0 --probe 49,19 --probe 41,11 "
                                "--probe 97,100 --probe 98,97 --probe 202,102 --probe 201,101 "
                                "--probe 310,300 --probe 311,300 --probe 300,310");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out,
            "line 12: tri -1\n9,4 0xffffffff\n10,5 0x00000000\n21,0 0xffffffff\n"
            "20,0 0x00000000\n49,19 0x00323232\n41,11 0x00000000\n97,100 0xffff0000\n"
            "98,97 0x00000000\n202,102 0xff00ff00\n201,101 0x00000000\n310,300 0x01ffffff\n"
            "311,300 0xfff0f0f0\n300,310 0xfff0f0f0\n");
}

// Pieces with both formula sets: the wide-register blend and add carry all four bytes with one
// rounding; the table formulas lose one and clear the fourth byte. Keyed, plain and alpha-map
// pieces draw the same either way.
TEST(DevshotRun, PiecesDrawTheirWorkedPixelsWithAndWithoutMmx) {
  testsupport::TempDir dir;
  testsupport::WriteFile(dir.File("spr.txt"),
                         "clear\nbox 0 0 64 64 255 255 255\nbox 100 0 164 64 100 100 100\n"
                         "graph w 16 16 255 255 255\ngraph c 16 16 200 100 50\n"
                         "graph a 16 16 200 100 50 128\nkey 0 255 0\ngraph k 16 16 0 255 0\n"
                         "blend 1 128\ndraw 8 8 w 0\ndraw 108 8 c 0\nblend 2 128\n"
                         "draw 108 40 c 0\nblend 0 0\ndraw 200 8 k 1\ndraw 300 8 k 0\n"
                         "draw 400 8 a 0\n");
  const std::string probes =
      " --depth 32 --script spr.txt --probe 10,10 --probe 110,10 --probe 110,45 --probe 210,10 "
      "--probe 310,10 --probe 410,10";
  ProgramRun r = Shell(dir, kDevshot + probes);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out,
            "10,10 0xffffffff\n110,10 0xff96644b\n110,45 0xffc8967d\n210,10 0x00000000\n"
            "310,10 0xff00ff00\n410,10 0x00643219\n");
  r = Shell(dir, "MORROW_MMX=0 " + kDevshot + probes);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out,
            "10,10 0x00fefefe\n110,10 0x0096644b\n110,45 0x00c8967d\n210,10 0x00000000\n"
            "310,10 0xff00ff00\n410,10 0x00643219\n");
}

// An 8 x 8 four-coloured graph turned: unturned, a quarter turn (red lands at the top right),
// mirrored, and onto its own square; a scale of 0 draws nothing, a scale that is no number is
// refused. Blended at 128, the square's diagonal is blended once where the target is read from
// a staged copy and twice where it is read in place.
TEST(DevshotRun, TurnedDrawsGiveTheirWorkedPixels) {
  testsupport::TempDir dir;
  testsupport::WriteFile(dir.File("rot.txt"),
                         "clear\ngraph4 q 8 8 255 0 0 0 255 0 0 0 255 255 255 255\n"
                         "rota 100 100 1 0 q 1 0\nrota 200 100 1 1.5707963267948966 q 1 0\n"
                         "rota 300 100 1 0 q 1 1\nmodi 10 10 18 10 18 18 10 18 q 1\n"
                         "rota 400 100 0 0 q 1 0\nrota 400 100 nan 0 q 1 0\n");
  ProgramRun r = Shell(dir, kDevshot +
                                " --depth 32 --script rot.txt --probe 96,96 --probe 103,103 "
                                "--probe 104,104 --probe 204,96 --probe 197,96 --probe 196,96 "
                                "--probe 297,96 --probe 304,96 --probe 296,96 --probe 10,17 "
                                "--probe 18,17 --probe 400,100");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out,
            "line 8: rota -1\n96,96 0xffff0000\n103,103 0xffffffff\n104,104 0x00000000\n"
            "204,96 0xffff0000\n197,96 0xff0000ff\n196,96 0x00000000\n297,96 0xff00ff00\n"
            "304,96 0xffff0000\n296,96 0x00000000\n10,17 0xff0000ff\n18,17 0x00000000\n"
            "400,100 0x00000000\n");
  testsupport::WriteFile(dir.File("blend.txt"),
                         "clear\ngraph4 q 8 8 255 0 0 0 255 0 0 0 255 255 255 255\n"
                         "blend 1 128\nrota 100 100 1 0 q 1 0\nmodi 10 10 18 10 18 18 10 18 q 1\n");
  r = Shell(dir, kDevshot + " --depth 32 --script blend.txt --probe 96,96 --probe 17,11");
  EXPECT_EQ(r.out, "96,96 0x007f0000\n17,11 0x00007f00\n");
  // In place: 127 + T[127][127] = 127 + 63.
  r = Shell(dir, "MORROW_VIDMEM=0 " + kDevshot +
                     " --depth 32 --script blend.txt --probe 16,11 --probe 17,11");
  EXPECT_EQ(r.out, "16,11 0x00007f00\n17,11 0x0000be00\n");
}

// The scalar reference loops and the vector loops give the same pictures.
TEST(DevshotRun, ReferencePathDrawsTheSamePictures) {
  testsupport::TempDir dir;
  for (const char* script : {"boxes", "sprites", "rotate", "quads"}) {
    for (const char* mmx : {"", "MORROW_MMX=0 "}) {
      SCOPED_TRACE(std::string(script) + " " + mmx);
      const std::string run = std::string(mmx) + kDevshot + " --depth 32 --script " + script;
      ASSERT_EQ(Shell(dir, run + " --out a.png").status, 0);
      ASSERT_EQ(Shell(dir, "MORROW_RASTER=reference " + run + " --out b.png").status, 0);
      const std::string a = testsupport::ReadFile(dir.File("a.png"));
      ASSERT_EQ(Shell(dir, kDevshot + " --depth 32 --script blank --out blank.png").status, 0);
      EXPECT_NE(a, testsupport::ReadFile(dir.File("blank.png")));
      EXPECT_EQ(a, testsupport::ReadFile(dir.File("b.png")));
    }
  }
}

TEST(DevshotRun, ScriptFromAFileWinsOnlyWhenNoBuiltInHasItsName) {
  testsupport::TempDir dir;
  testsupport::WriteFile(dir.File("blank"), "nonsense\n");
  EXPECT_EQ(Shell(dir, kDevshot + " --script blank").status, 0);
  EXPECT_EQ(Shell(dir, kDevshot + " --script ./blank", true).out,
            "./blank:1: unknown command 'nonsense'\n");
  // A script that cannot be read is refused with its reason, and no picture is written.
  ProgramRun r = Shell(dir, kDevshot + " --script nowhere.txt --out x.png", true);
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.out, "devshot: cannot read nowhere.txt: No such file or directory\n");
  EXPECT_FALSE(std::filesystem::exists(dir.File("x.png")));
}

TEST(DevshotRun, BadOptionsAreRefused) {
  testsupport::TempDir dir;
  for (const char* args : {"", "--script", "--script blank --depth 24", "--script blank --depth",
                           "--script blank --layout 565x", "--script blank --probe 1",
                           "--script blank --probe 1,x", "--script blank --colour"}) {
    EXPECT_EQ(Shell(dir, kDevshot + " " + args).status, 2) << args;
  }
}

// A sheet of a red and a blue 2 x 2 cell and a sprite at half alpha from its companion: drawn
// after loading, and again after a loss in full screen has rebuilt the display.
TEST(DevshotRun, LoadedPicturesAreDrawnBeforeAndAfterALoss) {
  testsupport::TempDir dir;
  imagetest::Picture sheet{4, 2, {}};
  for (int i = 0; i < 8; ++i) {
    sheet.pixels.push_back(i % 4 < 2 ? imagetest::Rgba{255, 0, 0, 255}
                                     : imagetest::Rgba{0, 0, 255, 255});
  }
  const imagetest::Picture sprite{2, 2, std::vector<imagetest::Rgba>(4, {200, 100, 50, 255})};
  const imagetest::Picture half{2, 2, std::vector<imagetest::Rgba>(4, {128, 128, 128, 255})};
  testsupport::WriteFile(dir.File("sheet.bmp"), imagetest::WriteBmp(sheet, {}));
  testsupport::WriteFile(dir.File("spr.bmp"), imagetest::WriteBmp(sprite, {}));
  testsupport::WriteFile(dir.File("spr_a.bmp"), imagetest::WriteBmp(half, {}));
  const std::string draws = "clear\ndraw 10 10 c1 0\ndraw 20 10 c0 0\ndraw 40 10 s 0\n";
  const std::string probes = " --probe 10,10 --probe 12,10 --probe 20,10 --probe 40,10";
  const std::string want =
      "10,10 0xff0000ff\n12,10 0x00000000\n20,10 0xffff0000\n40,10 0x00643219\n";
  for (const char* lose : {"", "lose\n"}) {
    testsupport::WriteFile(dir.File("s.txt"), "load s spr.bmp\nloaddiv c sheet.bmp 2 2 1 2 2\n" +
                                                  std::string(lose) + draws);
    ProgramRun r = Shell(dir, kDevshot + " --full --depth 32 --script s.txt" + probes);
    EXPECT_EQ(r.status, 0) << lose;
    EXPECT_EQ(r.out, want) << lose;
    const std::string log = testsupport::ReadFile(dir.File("AppLog.txt"));
    EXPECT_EQ(log.find("ファイル:sheet.bmp をロードします") != std::string::npos, *lose != '\0');
  }
}

// A picture a script loads that does not load says why on stderr, naming it as the script does,
// besides the -1: what stands there instead of a file (looked at, never waited on), or a file no
// loader reads (a picture cut short).
TEST(DevshotRun, PicturesThatDoNotLoadSayWhy) {
  testsupport::TempDir dir;
  std::filesystem::create_directory(dir.File("pics"));
  ASSERT_EQ(mkfifo(dir.File("pipe.bmp").c_str(), 0600), 0);
  const std::string whole = imagetest::WriteBmp(imagetest::MakePicture(8, 8, 1), {});
  testsupport::WriteFile(dir.File("cut.bmp"), whole.substr(0, whole.size() / 2));
  const struct {
    const char* command;
    const char* says;
  } cases[] = {
      {"load g pics", "pics: is a folder, not a file"},
      {"load g pipe.bmp", "pipe.bmp: is a named pipe, not a file"},
      {"load g cut.bmp", "cut.bmp: neither a picture nor a movie the library reads"},
      {"loaddiv c cut.bmp 2 2 1 1 1",
       "cut.bmp: not a picture the library reads, or not of those "
       "cells"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.command);
    testsupport::WriteFile(dir.File("s.txt"), std::string("clear\n") + c.command + "\n");
    const ProgramRun r = Shell(dir, kDevshot + " --script s.txt", true);
    EXPECT_EQ(r.status, 0);
    const std::string word = std::string(c.command).substr(0, std::string(c.command).find(' '));
    EXPECT_EQ(r.out, "devshot: line 2: " + std::string(c.says) + "\nline 2: " + word + " -1\n");
  }
}

TEST(DevshotRun, UnwritablePictureFailsTheRun) {
  testsupport::TempDir dir;
  ProgramRun r = Shell(dir, kDevshot + " --script blank --out missing/dir/b.png --state");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "state target=-2 area=0,0,640,480 blend=0,0 bright=0xffffffff empty=0\n");
}

TEST(DevshotRun, TwentyFourBitDesktopInAWindowDoesNotStart) {
  testsupport::TempDir dir;
  ProgramRun r = Shell(dir, "MORROW_DESKTOP=1024x768x24 " + kDevshot + " --script blank", true);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "morrow: the library did not start: 24-bit colour is not supported\n");
}

}  // namespace
