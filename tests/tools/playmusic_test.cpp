// playmusic as a program: which way each kind of file takes, its lines, its usage errors. The
// mixer is the manual one and the clock virtual, so every run is quick and the same.
#include <gtest/gtest.h>

#include <string>

#include "tests/support/midi_writer.h"
#include "tests/support/program_run.h"
#include "tests/support/temp_dir.h"
#include "tests/support/wave_writer.h"

namespace {

using testsupport::ProgramRun;

ProgramRun RunTool(const testsupport::TempDir& dir, const std::string& env,
                   const std::string& args) {
  return testsupport::RunProgram(dir.path(), PLAYMUSIC, args,
                                 "SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy MORROW_CLOCK=virtual "
                                 "XDG_RUNTIME_DIR='" +
                                     dir.path() + "' " + env);
}

struct ToolCase {
  const char* env;
  const char* args;
  int status;
  const char* out;
  const char* err = nullptr;  // the line on stderr when nothing played
};

constexpr const char* kNone = "path=none restarts=0 playing=0\n";

// Nothing played is a failure with its reason, after the same line.
TEST(PlayMusicTool, TakesTheWayOfEachFile) {
  testsupport::TempDir dir;
  testsupport::WriteFile(dir.File("one.mid"), testsupport::OneNoteMidi(192));
  testsupport::WriteFile(dir.File("half.wav"),
                         testsupport::PcmWave(1, 22050, 16, std::string(22050, '\x10')));
  testsupport::WriteFile(dir.File("pic.png"), "\x89PNG\r\n\x1a\n");
  const ToolCase cases[] = {
      {"MORROW_AUDIO=manual", "one.mid 1", 0, "path=sequencer restarts=0 playing=1\n"},
      {"MORROW_AUDIO=manual", "one.mid 0.5 --once", 0, "path=sequencer restarts=0 playing=1\n"},
      {"MORROW_AUDIO=manual", "half.wav 1", 0, "path=media restarts=0 playing=1\n"},
      {"MORROW_AUDIO=manual", "pic.png 1", 1, kNone,
       "playmusic: nothing played: pic.png: not music the library plays\n"},
      {"MORROW_AUDIO=manual", "missing.mid 1", 1, kNone,
       "playmusic: nothing played: missing.mid: No such file or directory\n"},
      {"MORROW_AUDIO=null", "one.mid 1", 1, kNone,
       "playmusic: nothing played: no sound output: the library runs silent\n"},
      {"", "", 2, ""},
      {"", "one.mid", 2, ""},
      {"", "one.mid ten", 2, ""},
      {"", "one.mid -1", 2, ""},
      {"", "one.mid 1 --twice", 2, ""},
      {"", "one.mid 1 --once more", 2, ""},
  };
  for (const ToolCase& c : cases) {
    ProgramRun r = RunTool(dir, c.env, c.args);
    EXPECT_EQ(r.exitCode, c.status) << c.env << " " << c.args;
    EXPECT_EQ(r.out, c.out) << c.env << " " << c.args;
    if (c.err != nullptr) {
      EXPECT_EQ(r.err, c.err) << c.env << " " << c.args;
    }
  }
}

TEST(PlayMusicTool, WithoutSoundfontMidiFailsOnce) {
  testsupport::TempDir dir;
  testsupport::WriteFile(dir.File("one.mid"), testsupport::OneNoteMidi(192));
  ProgramRun r = RunTool(dir, "MORROW_AUDIO=manual MORROW_SOUNDFONT=/nonexistent", "one.mid 1");
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.out, kNone);
  EXPECT_EQ(r.err,
            "playmusic: nothing played: no sound font for MIDI music (tried /nonexistent)\n");
  std::string log = testsupport::ReadFile(dir.File("AppLog.txt"));
  size_t at = log.find("ミュージックファイル");
  ASSERT_NE(at, std::string::npos);
  EXPECT_NE(log.find("one.mid の演奏に失敗しました", at), std::string::npos);
  EXPECT_EQ(log.find("の演奏に失敗しました", log.find("の演奏に失敗しました") + 1),
            std::string::npos);
}

}  // namespace
