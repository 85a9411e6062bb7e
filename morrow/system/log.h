// The log file "AppLog.txt" and the fatal exit.
//
// Every library component reports its progress and failures here. Each line starts with the
// milliseconds since the log was started and one tab per indent level; a text that does not end
// in a newline is continued by the next one. The file is opened and closed for every text, so it
// survives a crash up to the last text written. Texts are UTF-8; GBK names are converted with
// LogText before they are formatted into a line.
#pragma once

#include <string>

namespace morrow {

// Where the log lives: a full path of any length, kept for the whole run. Until it is set every
// log call is silent and returns -1.
void SetLogDirectory(const std::string& directory);
const std::string& GetLogDirectory();

// Creates or truncates "AppLog.txt" in the log directory; resets the indent and the stamp origin.
// A log that cannot be written (a read-only folder, a full disk; anything but a regular file at its
// name, a named pipe or a device, which is never waited on) is reported once on standard error;
// its texts are dropped.
int StartLogFile();
// Resets the indent and the stamp origin but keeps what the file holds: the lines of a start
// that ends at once are added to the log of the run it found.
int ContinueLogFile();
// Appends a text; always -1, so a failure path can return its result directly.
int WriteLog(const char* text);
// What first kept a text out of the log (a read-only folder, a full disk, a named pipe at its
// name), which standard error has been told; empty while the log has taken every text. So that a
// caller does not send the user to a log that lacks the reason.
const std::string& GetLogWriteError();
// printf-style line: the text, truncated to fit 1024 bytes, then "\n". Always -1.
int WriteLogFormat(const char* format, ...) __attribute__((format(printf, 1, 2)));
// A line (the text, then "\n") in the log and on standard error too, for what a player must learn
// without opening the log (a start without resources). Always -1.
int WriteLogNotice(const char* text);
int IncreaseLogIndent();
int DecreaseLogIndent();

// Writes the reason (to the log, and as the line "morrow: ended with an error: REASON (LOG)" on
// standard error), ends the library, writes the final line and ends the process with -1.
[[noreturn]] void ExitWithError(const char* text);
[[noreturn]] void ExitWithErrorFormat(const char* format, ...)
    __attribute__((format(printf, 1, 2)));

// A GBK text (a file name, a title) as UTF-8 for a log line.
std::string LogText(const char* gbk);

// The on-screen log: set up at start and ended at the end; nothing in this system writes or
// enables it, so it is never drawn.
int InitScreenLog();
int EndScreenLog();
int CreateScreenLogFont();
int DrawScreenLog();
int GetScreenLogState();

}  // namespace morrow
