// devshot as a separate program: scripts run headless, their state, trace, probes and pictures,
// and the refusals of bad options and bad scripts.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <ostream>
#include <string>

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
  ProgramRun r = Shell(dir, kDevshot + " --script s.txt " + c.args, c.status == 2);
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
                   "G_DDraw_DrawRotaGraph 1 2 nan inf 0 1\nPaintGraphDDraw 1 2 3 4\n"
                   "G_DDraw_DrawLine 1 2 3 4 0xff0000ff\n"
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
        ScriptCase{"BadReal", "graph g 1 1 0 0 0\nrota 0 0 1.5x 0 g 0 0\n", "", 2,
                   "s.txt:2: bad number '1.5x'\n"},
        ScriptCase{"ScreenNamesAreReserved", "graph back 1 1 0 0 0\n", "", 2,
                   "s.txt:1: 'back' names a screen\n"}),
    [](const auto& info) { return std::string(info.param.name); });

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

TEST(DevshotRun, ScriptFromAFileWinsOnlyWhenNoBuiltInHasItsName) {
  testsupport::TempDir dir;
  testsupport::WriteFile(dir.File("blank"), "nonsense\n");
  EXPECT_EQ(Shell(dir, kDevshot + " --script blank").status, 0);
  EXPECT_EQ(Shell(dir, kDevshot + " --script ./blank", true).out,
            "./blank:1: unknown command 'nonsense'\n");
  ProgramRun r = Shell(dir, kDevshot + " --script nowhere.txt", true);
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.out, "devshot: nowhere.txt: no such script or file\n");
}

TEST(DevshotRun, BadOptionsAreRefused) {
  testsupport::TempDir dir;
  for (const char* args : {"", "--script", "--script blank --depth 24", "--script blank --depth",
                           "--script blank --layout 565x", "--script blank --probe 1",
                           "--script blank --probe 1,x", "--script blank --colour"}) {
    EXPECT_EQ(Shell(dir, kDevshot + " " + args).status, 2) << args;
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
  EXPECT_EQ(Shell(dir, "MORROW_DESKTOP=1024x768x24 " + kDevshot + " --script blank").status, 1);
}

}  // namespace
