#include "platform/media/movie_writer.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "platform/output_file.h"
#include "tests/support/temp_dir.h"

namespace {

using testsupport::ReadFile;

const std::string kEbmlMagic = "\x1A\x45\xDF\xA3";
const std::string kVictimBytes = "a file someone else owns\n";

platform::TestMovieSpec Spec() {
  platform::TestMovieSpec spec;
  spec.width = 8;
  spec.height = 8;
  spec.framesPerSecond = 2;
  spec.colours = {0xff0000, 0x00ff00};
  return spec;
}

// What the stream's own file holds, read through the descriptor (the name may lead elsewhere).
std::string BytesBehind(std::FILE* stream) {
  std::fflush(stream);
  return ReadFile("/proc/self/fd/" + std::to_string(fileno(stream)));
}

// A link laid at the temporary name between its making and the muxer's writes leads nowhere: the
// movie goes into the file the output made, and only there.
TEST(MovieWriter, TheMovieGoesOnlyIntoTheStreamItIsGiven) {
  testsupport::TempDir dir;
  const std::string victim = dir.File("victim.txt");
  testsupport::WriteFile(victim, kVictimBytes);
  platform::OutputFile out;
  std::string error;
  ASSERT_TRUE(out.Open(dir.File("out.mkv"), &error)) << error;
  const std::string temporary = out.TemporaryPath();
  ASSERT_EQ(unlink(temporary.c_str()), 0);
  ASSERT_EQ(symlink(victim.c_str(), temporary.c_str()), 0);
  ASSERT_TRUE(platform::WriteTestMovie(out.Stream(), Spec(), &error)) << error;
  EXPECT_EQ(ReadFile(victim), kVictimBytes);
  const std::string movie = BytesBehind(out.Stream());
  EXPECT_EQ(movie.substr(0, 4), kEbmlMagic);
  EXPECT_EQ(static_cast<off_t>(movie.size()), ftello(out.Stream()));
}

// A write or seek that fails ends the movie with the system's reason, not with the step it came
// out in: a stream open for reading refuses the muxer's first write, a full device the flush of
// the muxer's first seek, or, unbuffered, the first of the muxer's own writes.
TEST(MovieWriter, AFailedWriteSaysWhy) {
  testsupport::TempDir dir;
  testsupport::WriteFile(dir.File("read-only.mkv"), "");
  struct Case {
    const char* name;
    const char* path;
    const char* mode;
    bool buffered;
    std::string reason;
  } cases[] = {
      {"no stream", nullptr, nullptr, true, "no stream to write into"},
      {"a full device", "/dev/full", "wb", true, std::strerror(ENOSPC)},
      {"a full device, unbuffered", "/dev/full", "wb", false, std::strerror(ENOSPC)},
      {"a stream open for reading", "read-only.mkv", "rb", true, std::strerror(EBADF)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::FILE* stream = nullptr;
    if (c.path != nullptr) {
      const std::string path = c.path[0] == '/' ? c.path : dir.File(c.path);
      stream = std::fopen(path.c_str(), c.mode);
      ASSERT_NE(stream, nullptr) << path << ": " << std::strerror(errno);
      if (!c.buffered) {
        ASSERT_EQ(std::setvbuf(stream, nullptr, _IONBF, 0), 0);
      }
    }
    std::string error;
    EXPECT_FALSE(platform::WriteTestMovie(stream, Spec(), &error));
    EXPECT_EQ(error, c.reason);
    if (stream != nullptr) std::fclose(stream);
  }
  EXPECT_EQ(ReadFile(dir.File("read-only.mkv")), "");
}

}  // namespace
