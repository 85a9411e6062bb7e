// A library run on the fake window service and a fake clock, in a directory of its own.
#pragma once

#include <cstdlib>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "morrow/device/screen_state.h"
#include "morrow/system/library.h"
#include "morrow/system/log.h"
#include "morrow/system/window_state.h"
#include "platform/clock.h"
#include "platform/directory.h"
#include "platform/input.h"
#include "platform/input_fake.h"
#include "platform/window.h"
#include "platform/window_fake.h"
#include "tests/support/line_match.h"
#include "tests/support/temp_dir.h"

namespace testsupport {

// The window system's block as a process that never started the library has it (an ended library
// leaves its window closed and destroyed there), for a test that reads the state before any start
// whatever ran before it in the same process.
inline void ForgetEarlierStarts() {
  morrow::ClearWindowStateForStart();  // a menu or region made earlier goes with it
  morrow::WindowState() = morrow::WindowSystemState{};
}

class LibraryFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::InstallClock(&clock_);
    platform::InstallWindowService(&fake_);
    platform::InstallInputService(&fakeInput_);
    // The sound start writes the same lines on every machine on the manual mixer.
    setenv("MORROW_AUDIO", "manual", 1);
    morrow::GetScreenState() = morrow::ScreenState{};
    // The title is a setting made before the start, which an end and a new start keep: each test
    // starts with the empty one a fresh process has (the window then takes the class name).
    morrow::SetWindowTitle("");
    // The frames an earlier start in this process counted outlive its end, and a script read
    // during the next start would take them for its own: begun and ended, the count is 0 again.
    platform::BeginInputFrames();
    platform::EndInputFrames();
    ASSERT_TRUE(platform::GetCurrentDirectory(&oldDirectory_));
    ASSERT_TRUE(platform::SetCurrentDirectory(dir_.path()));
  }
  void TearDown() override {
    morrow::EndLibrary();
    platform::SetCurrentDirectory(oldDirectory_);
    platform::InstallWindowService(nullptr);
    platform::InstallInputService(nullptr);
    platform::InstallClock(nullptr);
    unsetenv("MORROW_AUDIO");
    morrow::SetLogDirectory("");
  }

  std::string Log() const { return ReadFile(dir_.File("AppLog.txt")); }

  // The log's lines without their time stamps.
  std::vector<std::string> LogLines() const {
    std::vector<std::string> lines;
    std::string text = Log();
    size_t pos = 0;
    while (pos < text.size()) {
      size_t end = text.find('\n', pos);
      if (end == std::string::npos) end = text.size();
      std::string line = text.substr(pos, end - pos);
      size_t colon = line.find(':');
      if (colon != std::string::npos) line = line.substr(colon + 1);
      lines.push_back(line);
      pos = end + 1;
    }
    return lines;
  }

  // Every pattern (see LineMatches) matches its line, in order, and no line is left over.
  static void ExpectLines(const std::vector<std::string>& lines,
                          const std::vector<std::string>& patterns) {
    for (size_t i = 0; i < patterns.size() && i < lines.size(); ++i) {
      EXPECT_TRUE(LineMatches(lines[i], patterns[i]))
          << "line " << i << ": \"" << lines[i] << "\" against \"" << patterns[i] << "\"";
    }
    EXPECT_EQ(lines.size(), patterns.size());
  }

  int Count(const std::string& text) const {
    std::string log = Log();
    int n = 0;
    for (size_t p = log.find(text); p != std::string::npos; p = log.find(text, p + 1)) ++n;
    return n;
  }

  // Every read moves time on, so the start's clock loops end at once.
  platform::FakeClock clock_{1'000'000, 50};
  platform::FakeWindowService fake_;
  platform::FakeInputService fakeInput_;  // no pads, no keys
  TempDir dir_;
  std::string oldDirectory_;
};

}  // namespace testsupport
