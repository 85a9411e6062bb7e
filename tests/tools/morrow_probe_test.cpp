// morrow-probe as a program: typed text, editing keys and composed text pushed as the window
// system's events reach the ring and key-input strings whole; bad event lists are refused; the
// start's failures end in a status and a line.
#include <stdlib.h>

#include <algorithm>
#include <string>

#include <gtest/gtest.h>

#include "platform/instance_lock.h"
#include "tests/support/program_run.h"
#include "tests/support/temp_dir.h"

namespace {

struct TextCase {
  std::string args;
  int exitCode;
  std::string out;
};

std::string Repeat(const std::string& s, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += s;
  return out;
}

TEST(MorrowProbeText, EventsReachTheRingAndTheKeyInputString) {
  const std::string zhong300 = Repeat("中", 300);
  const TextCase cases[] = {
      {"--events 'text:中a;key:left;key:delete;key:tab;key:backspace;key:return;key:escape;"
       "key:up;key:down;key:right'",
       0, "chars d6d0 61 1d 10 09 08 0d 1b 1e 1f 1c\n"},
      {"--edit 10 --events 'text:中a;key:left;key:backspace;text:b;key:return'", 0,
       "keyinput text=6261 length=2 cursor=1 ended=1 cancelled=0\n"},
      {"--edit 4,digits --events 'text:-12a345'", 0,
       "keyinput text=2d313235 length=4 cursor=4 ended=0 cancelled=0\n"},
      {"--edit 1 --events 'text:中;text:x'", 0,
       "keyinput text=78 length=1 cursor=1 ended=0 cancelled=0\n"},
      {"--edit 8,escape,single --events 'text:a中b;key:escape;text:c'", 0,
       "keyinput text=6162 length=2 cursor=2 ended=1 cancelled=1\n"},
      {"--ime --events 'edit:你好:1;text:你好;text:a'", 0,
       "ime composing=1 comp=c4e3bac3 cursor=1\nime composing=0 comp= cursor=0\n"
       "ime composing=0 comp= cursor=0\nchars c4e3 bac3 61\n"},
      // Without the input method editing is dropped and the text is typed.
      {"--events 'edit:你好:1;text:你好'", 0, "chars c4e3 bac3\n"},
      // A long composition with its cursor past the end; emptied, it ends without a result (the
      // cursor is left as it was).
      {"--ime --events 'edit:" + zhong300 + ":1000;edit::0'", 0,
       "ime composing=1 comp=" + Repeat("d6d0", 300) +
           " cursor=300\nime composing=0 comp= cursor=300\nchars\n"},
      {"--events 'key:f1'", 2, ""},
      {"--events 'edit:a'", 2, ""},
      {"--edit 0 --events 'text:a'", 2, ""},
      {"--edit 4,wide --events 'text:a'", 2, ""},
      {"--ime", 2, ""},
  };
  for (const TextCase& c : cases) {
    SCOPED_TRACE(c.args);
    testsupport::TempDir dir;
    const testsupport::ProgramRun run = testsupport::RunProgram(
        dir.path(), MORROW_PROBE, "text " + c.args,
        "SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy MORROW_CLOCK=virtual XDG_RUNTIME_DIR='" +
            dir.path() + "'");
    EXPECT_EQ(run.exitCode, c.exitCode);
    EXPECT_EQ(run.out, c.out);
  }
}

// start-end does what it says or says why not: the library's lock held elsewhere, no display
// service, a desktop too small for the window (the library's own end, 255).
TEST(MorrowProbeStartEnd, EndsWithItsStatusAndOneLine) {
  const struct {
    const char* env;
    bool lockHeld;
    int exitCode;
    const char* err;  // the start of its one line
  } cases[] = {
      {"SDL_VIDEODRIVER=dummy", false, 0, ""},
      {"SDL_VIDEODRIVER=dummy", true, 2,
       "morrow-probe: nothing done: another instance holds the library's lock\n"},
      {"SDL_VIDEODRIVER=none", false, 1, "morrow-probe: the library did not start: no display"},
      {"SDL_VIDEODRIVER=dummy MORROW_DESKTOP=320x200x32", false, 255,
       "morrow: ended with an error: "},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.env) + (c.lockHeld ? " under a held lock" : ""));
    // The program shares this test's runtime folder, where the lock is held for it.
    testsupport::TempDir dir;
    platform::InstanceLock held;
    if (c.lockHeld) {
      ASSERT_TRUE(held.Acquire("Morrow"));
    }
    const testsupport::ProgramRun run =
        testsupport::RunProgram(dir.path(), MORROW_PROBE, "start-end --window",
                                std::string("XDG_RUNTIME_DIR='") + getenv("XDG_RUNTIME_DIR") +
                                    "' SDL_AUDIODRIVER=dummy MORROW_CLOCK=virtual " + c.env);
    EXPECT_EQ(run.exitCode, c.exitCode);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err.substr(0, std::string(c.err).size()), c.err);
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), *c.err != '\0' ? 1 : 0) << run.err;
  }
}

}  // namespace
