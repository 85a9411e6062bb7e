// playmusic as a program: which way each kind of file takes, its lines, its usage errors. The
// mixer is the manual one and the clock virtual, so every run is quick and the same.
#include <gtest/gtest.h>

#include <filesystem>
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

// A soundfont that does not load is named with its reason, on stderr and in the log; the MIDI
// file, which plays with a soundfont that loads, is not blamed.
TEST(PlayMusicTool, NamesTheSoundfontThatDidNotLoad) {
  struct Case {
    const char* name;
    void (*make)(const std::string& path);
    const char* reason;  // how the reason begins
  };
  const Case cases[] = {
      {"missing", [](const std::string&) {}, "No such file or directory"},
      {"empty", [](const std::string& p) { testsupport::WriteFile(p, ""); }, "is empty"},
      {"folder", [](const std::string& p) { std::filesystem::create_directory(p); },
       "is a folder, not a file"},
      {"junk", [](const std::string& p) { testsupport::WriteFile(p, std::string(1000, '\x5a')); },
       "is not a soundfont: no RIFF sfbk header at its start"},
      {"cut_soundfont",
       [](const std::string& p) {
         testsupport::WriteFile(p, std::string("RIFF\xff\0\0\0sfbkLIST", 16));
       },
       "the synthesizer refused it: "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    testsupport::TempDir dir;
    testsupport::WriteFile(dir.File("one.mid"), testsupport::OneNoteMidi(192));
    const std::string font = dir.File("font.sf2");
    c.make(font);
    ProgramRun r = RunTool(dir, "MORROW_AUDIO=manual MORROW_SOUNDFONT='" + font + "'", "one.mid 1");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, kNone);
    // The synthesizer's other loaders may add lines of their own: the tool's line is looked for.
    const std::string line =
        "playmusic: nothing played: the soundfont " + font + " could not be loaded: " + c.reason;
    const size_t said = r.err.find(line);
    ASSERT_NE(said, std::string::npos) << r.err;
    EXPECT_EQ(r.err.find('\n', said), r.err.size() - 1) << "the tool's line ends its output";
    EXPECT_EQ(r.err.find("one.mid"), std::string::npos) << "the music file is blamed:\n" << r.err;
    const std::string log = testsupport::ReadFile(dir.File("AppLog.txt"));
    EXPECT_NE(log.find("サウンドフォント " + font + " を読み込めませんでした (" + c.reason),
              std::string::npos)
        << log;
    // The music path still fails once, as any file that does not play.
    const std::string failed = "one.mid の演奏に失敗しました";
    const size_t at = log.find(failed);
    ASSERT_NE(at, std::string::npos);
    EXPECT_EQ(log.find("の演奏に失敗しました", at + failed.size()), std::string::npos);
  }
}

// The soundfont MORROW_SOUNDFONT names is the one taken, and with a real one the music plays.
TEST(PlayMusicTool, PlaysWithTheSoundfontNamed) {
  const std::string installed = "/usr/share/sounds/sf2/TimGM6mb.sf2";
  if (!std::filesystem::is_regular_file(installed)) GTEST_SKIP() << "no soundfont installed";
  testsupport::TempDir dir;
  testsupport::WriteFile(dir.File("one.mid"), testsupport::OneNoteMidi(192));
  ProgramRun r = RunTool(dir, "MORROW_AUDIO=manual MORROW_SOUNDFONT=" + installed, "one.mid 1");
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "path=sequencer restarts=0 playing=1\n");
  EXPECT_EQ(r.err, "");
}

}  // namespace
