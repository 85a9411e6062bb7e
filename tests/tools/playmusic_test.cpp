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
      {"MORROW_AUDIO=null", "half.wav 1", 1, kNone,
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
// file, which plays with a soundfont that loads, is not blamed. Without a sound output the library
// tries no soundfont, and the tool says both: the output missing, then the soundfont.
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
  const struct {
    const char* audio;
    const char* before;  // what the line says before the soundfont
  } outputs[] = {{"manual", ""}, {"null", "no sound output: the library runs silent; "}};
  for (const auto& o : outputs) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(o.audio) + " " + c.name);
      testsupport::TempDir dir;
      testsupport::WriteFile(dir.File("one.mid"), testsupport::OneNoteMidi(192));
      const std::string font = dir.File("font.sf2");
      c.make(font);
      ProgramRun r =
          RunTool(dir, std::string("MORROW_AUDIO=") + o.audio + " MORROW_SOUNDFONT='" + font + "'",
                  "one.mid 1");
      EXPECT_EQ(r.exitCode, 1);
      EXPECT_EQ(r.out, kNone);
      // The synthesizer's other loaders may add lines of their own: the tool's line is looked for.
      const std::string line = std::string("playmusic: nothing played: ") + o.before +
                               "the soundfont " + font + " could not be loaded: " + c.reason;
      const size_t said = r.err.find(line);
      ASSERT_NE(said, std::string::npos) << r.err;
      EXPECT_EQ(r.err.find('\n', said), r.err.size() - 1) << "the tool's line ends its output";
      EXPECT_EQ(r.err.find("one.mid"), std::string::npos) << "the music file is blamed:\n" << r.err;
      const std::string log = testsupport::ReadFile(dir.File("AppLog.txt"));
      const std::string logged =
          "サウンドフォント " + font + " を読み込めませんでした (" + c.reason;
      if (*o.before != '\0') {
        EXPECT_EQ(log.find(logged), std::string::npos) << "a silent library tried no soundfont";
        continue;
      }
      EXPECT_NE(log.find(logged), std::string::npos) << log;
      // The music path still fails once, as any file that does not play.
      const std::string failed = "one.mid の演奏に失敗しました";
      const size_t at = log.find(failed);
      ASSERT_NE(at, std::string::npos);
      EXPECT_EQ(log.find("の演奏に失敗しました", at + failed.size()), std::string::npos);
    }
  }
}

// The soundfont MORROW_SOUNDFONT names is the one taken: with a real one the music plays, and
// without a sound output the output alone is blamed.
TEST(PlayMusicTool, PlaysWithTheSoundfontNamed) {
  const std::string installed = "/usr/share/sounds/sf2/TimGM6mb.sf2";
  if (!std::filesystem::is_regular_file(installed)) GTEST_SKIP() << "no soundfont installed";
  testsupport::TempDir dir;
  testsupport::WriteFile(dir.File("one.mid"), testsupport::OneNoteMidi(192));
  const ToolCase cases[] = {
      {"MORROW_AUDIO=manual", "one.mid 1", 0, "path=sequencer restarts=0 playing=1\n", ""},
      {"MORROW_AUDIO=null", "one.mid 1", 1, kNone,
       "playmusic: nothing played: no sound output: the library runs silent\n"},
  };
  for (const ToolCase& c : cases) {
    ProgramRun r = RunTool(dir, std::string(c.env) + " MORROW_SOUNDFONT=" + installed, c.args);
    EXPECT_EQ(r.exitCode, c.status) << c.env << "\n" << r.err;
    EXPECT_EQ(r.out, c.out) << c.env;
    EXPECT_EQ(r.err, c.err) << c.env;
  }
}

}  // namespace
