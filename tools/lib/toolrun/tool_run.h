// How every tool starts, writes and ends, so that none reports success for work it did not do:
// a start that cannot be made, an output that cannot be written whole and a standard output that
// cannot take what was printed each end in a non-zero status and one line on stderr that names the
// tool, and no output file is ever left cut under its final name.
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

// Starts the library as a tool needs it. When another instance holds the library's lock: the line
// "<tool>: nothing done: another instance holds the library's lock" and exit(kLockHeld). When there
// is no display service: "<tool>: the library did not start: <reason>" and exit(refusedStatus).
// Returns the library's start result otherwise (0, or -1 after a line with the reason).
int StartLibrary(int refusedStatus);

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
