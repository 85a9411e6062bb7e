// netprobe as a program: serving framed and plain peers and fetching from a scripted server, with
// the lines it prints; its usage errors.
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/morrow/network/scripted_server.h"
#include "tests/platform/loopback_peer.h"
#include "tests/support/program_run.h"
#include "tests/support/temp_dir.h"

namespace {

using testsupport::Le32;
using testsupport::LoopbackPeer;
using testsupport::ProgramRun;
using testsupport::ScriptedServer;

constexpr const char* kHeadless = "SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy";
// The time netprobe allows itself, widened from its ten seconds to the tests' bound: a busy
// machine may take longer than that to start the library.
const std::string kRoom = " --give-up " + std::to_string(testsupport::kSeenWithin.count());

class NetprobeTool : public ::testing::Test {
 protected:
  ProgramRun Run(const std::string& args, const testsupport::RunExtras& extras = {}) {
    return testsupport::RunProgram(
        dir_.path(), NETPROBE, args,
        std::string(kHeadless) + " XDG_RUNTIME_DIR='" + dir_.path() + "' exec",
        testsupport::kRunSeconds, extras);
  }
  testsupport::TempDir dir_;
};

struct ServeCase {
  const char* options;
  std::vector<std::string> sends;  // "-" waits until the tool's end has what came before
  const char* out;
};

TEST_F(NetprobeTool, ServeReportsWhatThePeerDid) {
  const ServeCase cases[] = {
      {"--expect 13",
       {Le32(10) + "abcd", "-", "efghij" + Le32(3).substr(0, 2), "-", Le32(3).substr(2) + "xyz"},
       "accepted 0x48000000\nrecv 13 6162636465666768696a78797a\nstate 0\nhandles 0\n"},
      {"--expect 1", {Le32(0x7FFFFFFF) + "x"}, "accepted 0x48000000\nstate -1\nhandles 0\n"},
      {"--plain --expect 5",
       {"he", "-", "llo!"},
       "accepted 0x48000000\nrecv 5 68656c6c6f\nstate 0\nhandles 0\n"},
      {"--expect 4", {Le32(9) + "ab"}, "accepted 0x48000000\nstate 0\nhandles 0\n"},
  };
  for (const ServeCase& c : cases) {
    SCOPED_TRACE(c.options);
    const std::string portFile = dir_.File("port");
    std::filesystem::remove(portFile);
    // The peer, once the port is written (whole or not at all); the run is ended should it fail.
    auto peerOf = [&]() -> ::testing::AssertionResult {
      const auto written = testsupport::SeenWithin(
          "the port file", [&] { return std::filesystem::exists(portFile); });
      if (!written) return written;
      LoopbackPeer peer;
      const std::string port = testsupport::ReadFile(portFile);
      if (!peer.Connect(std::stoi(port))) {
        return ::testing::AssertionFailure() << "no connection to port " << port;
      }
      for (const std::string& bytes : c.sends) {
        if (!(bytes == "-" ? peer.Delivered() : peer.Send(bytes))) {
          return ::testing::AssertionFailure() << "the tool did not take the peer's bytes";
        }
      }
      if (!peer.Delivered()) {
        return ::testing::AssertionFailure() << "the tool did not take the peer's bytes";
      }
      return ::testing::AssertionSuccess();
    };
    ::testing::AssertionResult served = ::testing::AssertionSuccess();
    const ProgramRun run = Run(std::string("serve ") + c.options + " --port-file port" + kRoom,
                               {.during = [&](pid_t pid) {
                                 served = peerOf();
                                 if (!served) testsupport::EndRun(pid);
                               }});
    ASSERT_TRUE(served);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, c.out);
  }
}

struct FetchCase {
  const char* args;  // after "http", with PORT for the server's port
  std::string answer;
  const char* out;       // null: not compared
  const char* err = "";  // the start of the line a failure gives, which exits 1
};

// OUT is replaced only by a whole body: a failure leaves the old bytes and no temporary file.
TEST_F(NetprobeTool, HttpPrintsTheOutcomeAndTheBodysCrc) {
  testsupport::WriteFile(dir_.File("kept.out"), "old bytes");
  const FetchCase cases[] = {
      {"get PORT /a.txt --memory", "HTTP/1.0 200 OK\r\nContent-Length: 5\r\n\r\nhello",
       "result 0 error -1 bytes 5 crc32=3610a686\n"},
      {"get PORT /x --memory", "HTTP/1.0 404 Not Found\r\n\r\n",
       "result 2 error 1 bytes 0 crc32=00000000\n",
       "netprobe: the transfer failed: the server answered 404\n"},
      {"head PORT /h", "HTTP/1.0 200 OK\nContent-Length: 3\n\n",
       "result 0 error -1 bytes 0 crc32=00000000\n"},
      {"post PORT /p --memory --body a=1", "HTTP/1.0 200 OK\r\nContent-Length: 2\r\n\r\nok",
       "result 0 error -1 bytes 2 crc32=79dcdd47\n"},
      {"get PORT /f --file body.out", "HTTP/1.0 200 OK\r\n\r\nfile body",
       "result 0 error -1 bytes 9 crc32=00000000\n"},
      {"get PORT /d --file /dev/full", "HTTP/1.0 200 OK\r\nContent-Length: 5\r\n\r\nhello", "",
       "netprobe: cannot write /dev/full: is a device, not a file\n"},
      {"get PORT /x --file kept.out", "HTTP/1.0 404 Not Found\r\n\r\n", nullptr,
       "netprobe: the transfer failed: the server answered 404; kept.out is left as it was\n"},
      {"get PORT /cut --file kept.out", "HTTP/1.0 200 OK\r\nContent-Length: 9\r\n\r\nhalf",
       "result 2 error 3 bytes 4 crc32=00000000\n",
       "netprobe: the transfer failed: the connection failed or was lost; kept.out"},
  };
  for (const FetchCase& c : cases) {
    SCOPED_TRACE(c.args);
    ScriptedServer server({c.answer});
    std::string args = c.args;
    args.replace(args.find("PORT"), 4, std::to_string(server.port()));
    const ProgramRun run = Run("http " + args + kRoom);
    EXPECT_EQ(run.exitCode, *c.err == '\0' ? 0 : 1);
    if (c.out != nullptr) {
      EXPECT_EQ(run.out, c.out);
    }
    EXPECT_EQ(run.err.substr(0, std::string(c.err).size()), c.err);
    const std::string kept = testsupport::ReadFile(dir_.File("kept.out"));
    EXPECT_TRUE(kept == "old bytes") << kept.size() << " bytes: " << kept.substr(0, 40);
  }
  EXPECT_EQ(testsupport::ReadFile(dir_.File("body.out")), "file body");
  for (const auto& e : std::filesystem::directory_iterator(dir_.path())) {
    EXPECT_EQ(e.path().string().find(".out.tmp"), std::string::npos) << "left: " << e.path();
  }
}

// The ten seconds count from the start, and a wait for the body is among them: a body file that is
// a named pipe no writer comes to ends in "timeout".
TEST_F(NetprobeTool, TheTimeAllowedCoversTheWaitForTheBody) {
  ASSERT_EQ(mkfifo(dir_.File("body").c_str(), 0600), 0);
  // Given up on well past the ten seconds, should they not cover the wait.
  const ProgramRun run = Run("http post 1 /x --body-file body");
  EXPECT_EQ(run.exitCode, 1) << testsupport::Describe(run);
  EXPECT_EQ(run.out, "timeout\n");
  EXPECT_EQ(run.err, "");
}

TEST_F(NetprobeTool, UsageErrorsExitWith2) {
  for (const char* args :
       {"", "listen", "serve --expect 1", "serve --port-file p", "serve --expect -1 --port-file p",
        "serve --expect 1 --port-file p --loud", "http get", "http put 80 /", "http get 0 /",
        "http get 80 / --memory --file x", "http get 80 / --body", "http get 80 / --give-up 0",
        "http get 80 / --give-up 3601", "http get 80 / --give-up",
        "serve --expect 1 --port-file p "
        "--give-up x"}) {
    SCOPED_TRACE(args);
    const ProgramRun run = Run(args);
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.out, "");
  }
}

}  // namespace
