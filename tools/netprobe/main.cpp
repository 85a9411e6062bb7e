// netprobe: the library's network component from the command line, headless.
//
//   netprobe serve [--plain] --expect N --port-file F [--give-up S]
//     listens on 127.0.0.1 (a free port, written to F), pumps every millisecond and prints, as each
//     happens: "accepted 0x%08x" (the first connection's handle), "recv N HEX" once N bytes can
//     be taken, "state S" when the connection state first reads other than 1, and "handles 0"
//     (exit 0) once the connection is gone. --plain takes plain sockets instead of framed ones.
//   netprobe http get|post|head PORT PATH [--memory | --file OUT] [--body TEXT | --body-file F]
//       [--give-up S]
//     runs one transfer to 127.0.0.1:PORT, the body into memory, into OUT, or nowhere, and
//     prints "result R error E bytes N crc32=%08x" (CRC-32 of the body in memory); the POST body
//     is TEXT or the bytes of F (read as cat reads it, up to the 64 MiB a POST may send).
//     The body goes into a temporary file beside OUT, which takes OUT's place only when the
//     transfer succeeds: on any failure OUT is left as it was.
// Both give up 10 seconds after they start, or S seconds with --give-up S (1 to 3600; a wait for
// F's bytes among what the time covers), with "timeout" and exit 1; told to end (SIGTERM, SIGINT,
// SIGHUP), waiting for F too, they print "stopped" and exit 1. Exit 1 when the library, the
// listener, the port file (written whole, only over a regular file), OUT, the body file or the
// transfer does not start, when the transfer fails (with a line on stderr) or standard output
// cannot be written; 255 when the library ends the process itself; 2 on a usage error, or when
// another instance holds the library's lock.
#include <zlib.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "morrow/network/network.h"
#include "morrow/system/library.h"
#include "morrow/system/log.h"
#include "morrow/system/memory.h"
#include "platform/clock.h"
#include "platform/output_file.h"
#include "platform/window.h"
#include "tools/lib/toolrun/tool_run.h"

namespace {

constexpr int kGiveUpSeconds = 10;
// The most --give-up takes: an hour.
constexpr int kMostGiveUpSeconds = 3600;
constexpr int kMaxExpected = 1 << 20;
// The largest body StartHttpTransfer sends.
constexpr size_t kMaxBody = size_t{64} << 20;

using toolrun::WaitClock;

int Usage() {
  std::fprintf(stderr,
               "usage: netprobe serve [--plain] --expect N --port-file F [--give-up S]\n"
               "       netprobe http get|post|head PORT PATH [--memory | --file OUT] "
               "[--body TEXT | --body-file F] [--give-up S]\n");
  return toolrun::kUsage;
}

bool ParseInt(const char* text, int low, int high, int* out) {
  char* end = nullptr;
  long v = std::strtol(text, &end, 10);
  if (end == text || *end != '\0' || v < low || v > high) return false;
  *out = static_cast<int>(v);
  return true;
}

bool StartLibrary() {
  // A probe never shows its window.
  platform::KeepWindowUnseen();
  morrow::ChangeWindowMode(1);
  if (toolrun::StartLibrary(1) != 0) return false;
  if (morrow::InitNetWork() != 0) {
    toolrun::Say("the network did not start");
    morrow::EndLibrary();
    return false;
  }
  return true;
}

void Print(const std::string& line) {
  std::printf("%s\n", line.c_str());
  std::fflush(stdout);
}

// Pumps every millisecond until done() says so; false, after saying why, when the time allowed
// (up to `giveUpAt`) has passed or the program was told to end: the library's window closed by a
// stop signal, or one recorded before the library took them over.
template <typename Done>
bool PumpUntil(WaitClock::time_point giveUpAt, Done done) {
  const int64_t left =
      std::chrono::duration_cast<std::chrono::microseconds>(giveUpAt - WaitClock::now()).count();
  const int64_t end = platform::NowMicroseconds() + left;
  while (platform::NowMicroseconds() < end) {
    if (morrow::PumpMessages() != 0 || toolrun::StopSignal() != 0) {
      Print("stopped");
      return false;
    }
    if (done()) return true;
    platform::SleepMilliseconds(1);
  }
  Print("timeout");
  return false;
}

int Serve(int argc, char** argv, WaitClock::time_point started) {
  int giveUpSeconds = kGiveUpSeconds;
  bool plain = false;
  int expect = -1;
  std::string portFile;
  for (int i = 2; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--plain") {
      plain = true;
    } else if (a == "--expect" && i + 1 < argc) {
      if (!ParseInt(argv[++i], 0, kMaxExpected, &expect)) return Usage();
    } else if (a == "--port-file" && i + 1 < argc) {
      portFile = argv[++i];
    } else if (a == "--give-up" && i + 1 < argc) {
      if (!ParseInt(argv[++i], 1, kMostGiveUpSeconds, &giveUpSeconds)) return Usage();
    } else {
      return Usage();
    }
  }
  if (expect < 0 || portFile.empty()) return Usage();
  const WaitClock::time_point giveUpAt = started + std::chrono::seconds(giveUpSeconds);
  if (!StartLibrary()) return 1;
  morrow::SetNetWorkNoFraming(plain ? 1 : 0);
  if (morrow::ListenNetWork("127.0.0.1", 0) != 0) {
    toolrun::Say("cannot listen on 127.0.0.1");
    morrow::EndLibrary();
    return 1;
  }
  // Whole or not at all: whoever waits for the file never reads half a number.
  const std::string port = std::to_string(morrow::GetListenNetWorkPort());
  if (!toolrun::WriteFile(portFile, port.data(), port.size())) {
    morrow::EndLibrary();
    return 1;
  }
  int handle = -1;
  bool received = false, stated = false;
  std::vector<unsigned char> bytes(static_cast<size_t>(expect) + 1);
  bool ended = PumpUntil(giveUpAt, [&]() {
    if (handle == -1) {
      handle = morrow::TakeAcceptedNetWork();
      if (handle == -1) return false;
      char text[32];
      std::snprintf(text, sizeof text, "accepted 0x%08x", static_cast<unsigned>(handle));
      Print(text);
    }
    if (!received) {
      // A plain socket hands over what it has, so the bytes are first counted where they wait.
      bool whole = plain ? morrow::NetWorkRecvToPeek(handle, bytes.data(), expect) == expect &&
                               morrow::NetWorkRecv(handle, bytes.data(), expect) == expect
                         : morrow::NetWorkRecv(handle, bytes.data(), expect) == 0;
      if (whole) {
        received = true;
        std::string line = "recv " + std::to_string(expect) + " ";
        char hex[3];
        for (int i = 0; i < expect; ++i) {
          std::snprintf(hex, sizeof hex, "%02x", bytes[static_cast<size_t>(i)]);
          line += hex;
        }
        Print(line);
      }
    }
    if (!stated) {
      const int state = morrow::GetNetWorkAcceptStateh(handle);
      if (state != 1) {
        stated = true;
        Print("state " + std::to_string(state));
      }
    }
    if (morrow::CountNetWorkHandles() != 0) return false;
    Print("handles 0");
    return true;
  });
  morrow::EndLibrary();
  return ended ? 0 : 1;
}

// The bytes of `file` for a POST; false after saying why, a wait for them cut short as the pump
// says it.
bool ReadBody(const std::string& file, WaitClock::time_point giveUpAt, std::string* body) {
  std::string refusal;
  if (toolrun::ReadInputFile(file, kMaxBody, body, &refusal, giveUpAt)) return true;
  if (toolrun::StopSignal() != 0) {
    Print("stopped");
  } else if (WaitClock::now() >= giveUpAt) {
    Print("timeout");
  } else {
    toolrun::Say("cannot read " + refusal);
  }
  return false;
}

// What a failed transfer's error number stands for.
std::string FailureText(int error) {
  switch (error) {
    case 1:
      return "the server answered 404";
    case 2:
      // A full disk may have kept the reason out of the log as well: what kept it out is said.
      if (const std::string& unlogged = morrow::GetLogWriteError(); !unlogged.empty()) {
        return "no room for the body (AppLog.txt could not be written either: " + unlogged + ")";
      }
      return "no room for the body (AppLog.txt says why)";
    case 3:
      return "the connection failed or was lost";
    default:
      return "the server answered with a status other than 200, or none";
  }
}

int Http(int argc, char** argv, WaitClock::time_point started) {
  if (argc < 5) return Usage();
  int giveUpSeconds = kGiveUpSeconds;
  const std::string method = argv[2];
  int kind;
  if (method == "get") {
    kind = morrow::kHttpGet;
  } else if (method == "post") {
    kind = morrow::kHttpPost;
  } else if (method == "head") {
    kind = morrow::kHttpHead;
  } else {
    return Usage();
  }
  int port = 0;
  if (!ParseInt(argv[3], 1, 65535, &port)) return Usage();
  const char* path = argv[4];
  bool memory = false;
  std::string outFile, body, bodyFile;
  for (int i = 5; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--memory" && outFile.empty()) {
      memory = true;
    } else if (a == "--file" && i + 1 < argc && !memory && outFile.empty()) {
      outFile = argv[++i];
    } else if (a == "--body" && i + 1 < argc) {
      body = argv[++i];
    } else if (a == "--body-file" && i + 1 < argc) {
      bodyFile = argv[++i];
    } else if (a == "--give-up" && i + 1 < argc) {
      if (!ParseInt(argv[++i], 1, kMostGiveUpSeconds, &giveUpSeconds)) return Usage();
    } else {
      return Usage();
    }
  }
  if (!body.empty() && !bodyFile.empty()) return Usage();
  const WaitClock::time_point giveUpAt = started + std::chrono::seconds(giveUpSeconds);
  if (!bodyFile.empty() && !ReadBody(bodyFile, giveUpAt, &body)) return 1;
  if (!StartLibrary()) return 1;
  platform::OutputFile out;
  if (!outFile.empty() && !toolrun::Open(out, outFile)) {
    morrow::EndLibrary();
    return 1;
  }
  // The transfer closes the file it is given when it ends.
  FILE* file = outFile.empty() ? nullptr : out.HandOverStream();
  void* block = nullptr;
  const int slot = morrow::StartHttpTransfer(
      kind, "127.0.0.1", port, path, memory ? morrow::kHttpToMemory : morrow::kHttpToFile,
      memory ? static_cast<void*>(&block) : static_cast<void*>(file), body.data(),
      static_cast<int>(body.size()));
  if (slot < 0) {
    if (file != nullptr) std::fclose(file);
    toolrun::Say("the transfer did not start");
    morrow::EndLibrary();
    return 1;
  }
  int result = -1, error = -1, bytes = 0;
  bool ended = PumpUntil(giveUpAt, [&]() {
    morrow::GetHttpTransferResult(slot, &result, &error, &bytes);
    return result != -1;
  });
  int status = 0;
  if (ended) {
    uLong crc = crc32(0L, Z_NULL, 0);
    if (block != nullptr && bytes > 0) {
      crc = crc32(crc, static_cast<const Bytef*>(block), static_cast<uInt>(bytes));
    }
    char line[96];
    std::snprintf(line, sizeof line, "result %d error %d bytes %d crc32=%08lx", result, error,
                  bytes, crc);
    Print(line);
    if (result != 0) {
      toolrun::Say("the transfer failed: " + FailureText(error) +
                   (file != nullptr ? "; " + outFile + " is left as it was" : ""));
      status = 1;
    }
  } else {
    status = 1;
  }
  // Closes the body file too when the transfer was still running.
  morrow::CloseHttpTransfer(slot);
  if (file != nullptr && status == 0 && !toolrun::Commit(out)) status = 1;
  morrow::FreeMemory(block);
  morrow::EndLibrary();
  return status;
}

int Run(int argc, char** argv) {
  const WaitClock::time_point started = WaitClock::now();
  if (argc < 2) return Usage();
  const std::string command = argv[1];
  if (command == "serve") return Serve(argc, argv, started);
  if (command == "http") return Http(argc, argv, started);
  return Usage();
}

}  // namespace

int main(int argc, char** argv) {
  toolrun::Begin("netprobe");
  // Before anything is read: a stop ends the wait for the body as it ends the pump.
  toolrun::CatchStopSignals();
  return toolrun::End(Run(argc, argv));
}
