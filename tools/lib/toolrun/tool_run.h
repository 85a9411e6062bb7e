// How every tool starts, reads, writes and ends, so that none reports success for work it did not
// do: a start that cannot be made, an input that cannot be read, an output that cannot be written
// whole and a standard output that cannot take what was printed each end in a non-zero status and
// one line on stderr that names the tool, and no output file is ever left cut under its final
// name.
#pragma once

#include <signal.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/output_file.h"

namespace toolrun {

// Exit statuses every tool shares: 0 the work done; 2 a usage error, or nothing done because
// another instance holds the library's lock. Other failures keep each tool's own status (1 for
// most).
constexpr int kUsage = 2;
constexpr int kLockHeld = 2;

// What a tool says, after its name, when another instance holds the library's lock. A tool that
// runs another one as a child knows the child's refusal by this text.
constexpr const char* kLockHeldLine = "nothing done: another instance holds the library's lock";
// How a tool's line begins, after its name, when the library does not start for want of a display
// service; the reason follows in brackets. A parent knows the child's refusal by it too.
constexpr const char* kNoDisplayLine = "the library did not start: no display service";

// First thing in main: names the tool in its lines and arranges for standard output to be checked
// when the process ends through exit() without passing End(). From then on an exception that
// nothing catches ends the tool with 1 and one line, after what was printed so far, instead of an
// abort: "<tool>: out of memory" when memory ran out, else "<tool>: <what()>", or "<tool>: ended by
// an exception of an unknown kind" for one that is no std::exception.
void Begin(const char* tool);
const char* ToolName();

// The last thing in main: `return toolrun::End(status);`. Flushes and closes standard output; when
// anything printed could not be written it says so on stderr and gives 1 (or `status`, when that
// already tells a failure).
int End(int status);

// One line on stderr, "<tool>: <text>".
void Say(const std::string& text);

// Whether `arg` looks like an option ("-x", "--name"); a lone "-" does not. A tool that meets one
// it does not take answers with its usage and kUsage, never takes it for a path.
bool IsOption(const char* arg);

// Claims the library's lock for the rest of the process: when another instance holds it (a game,
// a tool that started the library, a save of the tool datafiles), the line "<tool>:
// <kLockHeldLine>" and exit(kLockHeld), with nothing else said or written. For a tool that writes
// what a game's start may clean up, and for StartLibrary.
void ClaimLibraryLock();
// Starts the library as a tool needs it. The tool claims the library's lock itself first
// (ClaimLibraryLock), so that no other start can slip in between. When there
// is no display service: "<tool>: <kNoDisplayLine> (<reason>)" and exit(refusedStatus).
// Otherwise the library's start result: 0, or -1 once the library has said why on stderr. A start
// the library ends itself (a desktop smaller than the window) ends the process with 255 and the
// library's line.
int StartLibrary(int refusedStatus);
// The library's last presented picture as a PNG at `path`, written whole or not at all; false
// after a line "<tool>: cannot write <path>: <reason>".
bool WriteLastPicture(const std::string& path);

// A tool reads each input one of two ways, and never waits on one it then refuses.
//
// An input only the tool reads is read as cat reads it: a named pipe there waits for its writer
// and gives what was written. Empty when `path` opens for reading and is no folder (a named pipe
// is not opened: that is left to the read); else the reason, naming the path. It never waits.
std::string InputRefusal(const std::string& path);

// What an input read whole may hold when the tool knows no tighter bound: no real script, map or
// picture comes near it.
constexpr size_t kInputLimit = size_t{64} << 20;
// When a wait on an input ends although the input has not: never, unless given.
using WaitClock = std::chrono::steady_clock;
constexpr WaitClock::time_point kNoGiveUp = WaitClock::time_point::max();

// The whole of such an input, at most `limit` bytes; false with the reason, naming the path, in
// *refusal: "<path>: larger than <limit> bytes" past it (what is read stops one byte past it, so
// an input that never ends ends here too). A wait for a pipe's writer or bytes ends with "stopped
// by SIG..." as the reason once the tool records a stop signal (CatchStopSignals), and with
// "did not end in time" at `giveUpAt`.
bool ReadInputFile(const std::string& path, size_t limit, std::string* bytes, std::string* refusal,
                   WaitClock::time_point giveUpAt = kNoGiveUp);
// The reason an input past its limit is refused, "<name>: larger than <limit> bytes".
std::string LargerThan(const std::string& name, size_t limit);
// ReadInputFile, false after a line "<tool>: cannot read <path>: <reason>", or after
// "<tool>: stopped by SIG... while reading <path>" when a stop ended it (StopSignal() then tells).
bool ReadWholeFile(const std::string& path, size_t limit, std::string* bytes);
// Standard input read whole in the same way, "standard input" naming it in the lines.
bool ReadStandardInput(size_t limit, std::string* bytes);

// An input the library or the game reads takes a regular file only, so the tool looks at it the
// same way: a folder, a named pipe or a device there is refused at once, never opened to wait.
// The size of such a file, and its first bytes.
struct RegularFile {
  uint64_t size = 0;
  std::string bytes;
};
// Reads at most `limit` bytes of `path` into *file; false with the reason, naming the path, in
// *refusal: the error of its look-up, open or read, or what stands there instead ("is a named
// pipe, not a file"). A file larger than the limit is read no further: its size tells.
bool ReadRegularFile(const std::string& path, RegularFile* file, std::string* refusal,
                     size_t limit);
// The whole of such a file, at most `limit` bytes; false with the reason, as above, or
// "<path>: larger than <limit> bytes" for a larger file, which is refused unread (one that grows
// while it is read is read no further than one byte past the limit).
bool ReadWholeRegularFile(const std::string& path, size_t limit, std::string* bytes,
                          std::string* refusal);
// Empty when `path` is a regular file that opens for reading; else the reason, as above. So that a
// tool can say why such an input did not load.
std::string RegularFileRefusal(const std::string& path);

// A whole file written through platform::OutputFile; false after a line
// "<tool>: cannot write <target>: <reason>" (nothing is left at the target).
bool WriteFile(const std::string& path, const void* data, size_t size);
// For writers that stream: commit `out`, saying why on a failure.
bool Commit(platform::OutputFile& out);
// Open `out` for `path`, saying why on a failure.
bool Open(platform::OutputFile& out, const std::string& path);

// For a tool that must take away what it made before it ends (temporary folders, child
// processes), or that may wait on an input: after CatchStopSignals, SIGINT, SIGTERM and SIGHUP
// only record themselves (one the tool was started with ignored stays ignored). The tool looks at
// StopSignal() between its steps, 0 while none came, cleans up and ends non-zero with the line
// StoppedBy() words. It is called before any input is read. StartLibrary hands the three signals
// over to the library's own end (a close of its window, which its pump reports), so that a stop
// after the start ends the tool as any close does; one recorded before stays in StopSignal().
void CatchStopSignals();
int StopSignal();
// "stopped by SIGTERM" for the signal that came.
std::string StoppedBy();
// Puts back what the stop signals did before CatchStopSignals, for a tool whose waits on input
// are over and which a stop may simply end from then on. One recorded before stays in
// StopSignal(), which the tool looks at after this.
void ReleaseStopSignals();

// For a tool that forks a child to exec a program: until the exec the child has the recorder,
// which would take a stop meant for the child, and the exec then forget it. Just before the fork,
// HoldStopSignalsForFork holds the recorded signals back in the calling thread and gives the mask
// to put back: the parent puts it back after the fork (pthread_sigmask), the child hands it to
// StopSignalsToDefaultsInChild first, which lets a held stop in only once the signal does what it
// does in a fresh program. Both may be called between fork and exec.
sigset_t HoldStopSignalsForFork();
void StopSignalsToDefaultsInChild(const sigset_t& before);

// For StartLibrary. While it lives the three stop signals are held back and do what they did
// before CatchStopSignals, so that the start puts its own handlers in; at its end they are let
// through, one that came meanwhile reaching those handlers, and one the start took no handler for
// is recorded again. Nothing changes when CatchStopSignals was not called.
class StopSignalHandOver {
 public:
  StopSignalHandOver();
  ~StopSignalHandOver();
  StopSignalHandOver(const StopSignalHandOver&) = delete;
  StopSignalHandOver& operator=(const StopSignalHandOver&) = delete;

 private:
  sigset_t holding_{};  // the signals held back, which the tool had been recording
  sigset_t before_{};
};

}  // namespace toolrun
