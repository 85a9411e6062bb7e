// How every tool starts, reads, writes and ends, so that none reports success for work it did not
// do: a start that cannot be made, an input that cannot be read, an output that cannot be written
// whole and a standard output that cannot take what was printed each end in a non-zero status and
// one line on stderr that names the tool, and no output file is ever left cut under its final
// name.
#pragma once

#include <cstddef>
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

// First thing in main: names the tool in its lines and arranges for standard output to be checked
// when the process ends through exit() without passing End().
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

// Starts the library as a tool needs it. The tool claims the library's lock itself first, so that
// no other start can slip in between: when another instance holds it, the line
// "<tool>: <kLockHeldLine>" and exit(kLockHeld), with nothing else said or written. When there
// is no display service: "<tool>: the library did not start: <reason>" and exit(refusedStatus).
// Otherwise the library's start result: 0, or -1 once the library has said why on stderr. A start
// the library ends itself (a desktop smaller than the window) ends the process with 255 and the
// library's line.
int StartLibrary(int refusedStatus);
// The library's last presented picture as a PNG at `path`, written whole or not at all; false
// after a line "<tool>: cannot write <path>: <reason>".
bool WriteLastPicture(const std::string& path);

// Empty when `path` opens for reading and is no folder; else the reason, naming the path. For
// inputs the library reads itself, so that a tool can say why one did not load.
std::string InputRefusal(const std::string& path);
// The whole of an input file; false after a line "<tool>: cannot read <path>: <reason>".
bool ReadWholeFile(const std::string& path, std::string* bytes);

// A whole file written through platform::OutputFile; false after a line
// "<tool>: cannot write <target>: <reason>" (nothing is left at the target).
bool WriteFile(const std::string& path, const void* data, size_t size);
// For writers that stream: commit `out`, saying why on a failure.
bool Commit(platform::OutputFile& out);
// Open `out` for `path`, saying why on a failure.
bool Open(platform::OutputFile& out, const std::string& path);

// Why `path` cannot be read as an input file, or "" when it can: "PATH: <the system's reason>"
// when it cannot be opened for reading, "PATH: is a folder, not a file" for a folder.
std::string InputProblem(const std::string& path);

// For a tool that must take away what it made before it ends (temporary folders, child
// processes): after CatchStopSignals, SIGINT, SIGTERM and SIGHUP only record themselves (one the
// tool was started with ignored stays ignored). The tool looks at StopSignal() between its steps,
// 0 while none came, cleans up and ends non-zero with the line StoppedBy() words.
void CatchStopSignals();
int StopSignal();
// "stopped by SIGTERM" for the signal that came.
std::string StoppedBy();

}  // namespace toolrun
