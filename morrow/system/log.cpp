#include "morrow/system/log.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "morrow/system/library.h"
#include "morrow/system/time.h"
#include "platform/codepage.h"
#include "platform/debug_output.h"
#include "platform/input_file.h"

namespace morrow {
namespace {

struct LogState {
  std::string directory;
  int indent = 0;
  int continuation = 0;
  uint32_t startTime = 0;
};
LogState g_log;

// Set while ExitWithError runs, so that a fatal error raised while the library is ending does
// not start the ending again.
bool g_exiting = false;

constexpr size_t kFormatBuffer = 1024;

std::string LogPath() {
  return g_log.directory + "/AppLog.txt";
}

// What first kept a text out of the log, empty while it has taken every one. Reported once: the
// player hears of it once, not at every line.
std::string g_unwritable;

// Reports on standard error, once, that the log file cannot be written.
void ReportUnwritable(const std::string& reason) {
  if (!g_unwritable.empty()) return;
  g_unwritable = reason.empty() ? std::strerror(EIO) : reason;
  platform::ErrorOutput("morrow: cannot write the log " + LogPath() + ": " + g_unwritable + "\n");
}

// The log file, made when missing, for appending or emptied first; null after the report. It is
// appended to line by line rather than written whole through the whole-file writer: a run that
// crashes or is killed must leave every line it wrote up to then, which is what the log is read
// for. Only a regular file is written, opened without waiting: a named pipe or a device at the
// log's name must not hold the game's start.
FILE* OpenLog(bool empty) {
  int error = 0;
  std::string reason;
  int fd =
      platform::OpenRegularFile(LogPath(), O_WRONLY | O_CREAT | O_APPEND, 0666, &error, &reason);
  // Emptied only once it is known to be a regular file.
  if (fd >= 0 && empty && ftruncate(fd, 0) != 0) {
    reason = std::strerror(errno);
    close(fd);
    fd = -1;
  }
  FILE* f = fd >= 0 ? fdopen(fd, "a") : nullptr;
  if (fd >= 0 && f == nullptr) {
    reason = std::strerror(errno);
    close(fd);
  }
  if (f == nullptr) ReportUnwritable(reason);
  return f;
}

// Formats into at most kFormatBuffer - 1 bytes followed by "\n", cutting a truncated text back to
// a whole UTF-8 character.
void FormatLine(char (&buf)[kFormatBuffer], const char* format, va_list args) {
  constexpr size_t kRoom = kFormatBuffer - 1;  // leaves one byte for the newline
  int n = std::vsnprintf(buf, kRoom, format, args);
  size_t len = n < 0 ? 0 : (static_cast<size_t>(n) < kRoom ? static_cast<size_t>(n) : kRoom - 1);
  if (n >= 0 && static_cast<size_t>(n) >= kRoom) {
    size_t cut = len;
    while (cut > 0 && (static_cast<unsigned char>(buf[cut - 1]) & 0xC0) == 0x80) --cut;
    if (cut > 0 && static_cast<unsigned char>(buf[cut - 1]) >= 0xC0) {
      unsigned char lead = static_cast<unsigned char>(buf[cut - 1]);
      size_t need = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
      if (len - (cut - 1) < need) len = cut - 1;
    }
  }
  buf[len] = '\n';
  buf[len + 1] = '\0';
}

}  // namespace

void SetLogDirectory(const std::string& directory) {
  g_log.directory = directory;
}

const std::string& GetLogDirectory() {
  return g_log.directory;
}

int StartLogFile() {
  if (FILE* f = OpenLog(true)) std::fclose(f);
  g_log.indent = 0;
  g_log.continuation = 0;
  g_log.startTime = static_cast<uint32_t>(GetMillisecondCount(0));
  return 0;
}

int ContinueLogFile() {
  g_log.indent = 0;
  g_log.continuation = 0;
  g_log.startTime = static_cast<uint32_t>(GetMillisecondCount(0));
  return 0;
}

int WriteLog(const char* text) {
  if (g_log.directory.empty() || text == nullptr) return -1;
  FILE* f = OpenLog(false);
  if (f == nullptr) return -1;
  if (g_log.continuation == 0) {
    uint32_t now = static_cast<uint32_t>(GetMillisecondCount(0));
    std::fprintf(f, "%d:", static_cast<int>(now - g_log.startTime));
    for (int i = 0; i < g_log.indent; ++i) {
      std::fputc('\t', f);
      platform::DebugOutput("\t");
    }
  }
  size_t len = std::strlen(text);
  std::fwrite(text, 1, len, f);
  platform::DebugOutput(std::string_view(text, len));
  g_log.continuation = (len == 0 || text[len - 1] != '\n') ? 1 : 0;
  // A full disk shows only when the bytes go out.
  errno = 0;
  const bool written = std::fflush(f) == 0 && std::ferror(f) == 0;
  const int error = errno;
  if (std::fclose(f) != 0 || !written) ReportUnwritable(std::strerror(written ? errno : error));
  return -1;
}

const std::string& GetLogWriteError() {
  return g_unwritable;
}

int WriteLogFormat(const char* format, ...) {
  char buf[kFormatBuffer];
  va_list args;
  va_start(args, format);
  FormatLine(buf, format, args);
  va_end(args);
  return WriteLog(buf);
}

int WriteLogNotice(const char* text) {
  if (text == nullptr) return -1;
  const std::string line = std::string(text) + "\n";
  platform::ErrorOutput(line);
  return WriteLog(line.c_str());
}

int IncreaseLogIndent() {
  ++g_log.indent;
  return 0;
}

int DecreaseLogIndent() {
  if (g_log.indent > 0) --g_log.indent;
  return 0;
}

void ExitWithError(const char* text) {
  WriteLog(text);
  WriteLog("\n");
  if (!g_exiting) {
    // The process ends with no caller left to say why: the first reason goes to standard error
    // as one line too.
    std::string_view reason = text != nullptr ? text : "";
    while (!reason.empty() && reason.back() == '\n') reason.remove_suffix(1);
    platform::ErrorOutput("morrow: ended with an error: " + std::string(reason) + " (" + LogPath() +
                          ")\n");
    g_exiting = true;
    EndLibrary();
    // Without a window there is nothing left to close, and the pump would report it open for
    // ever.
    while (HasMainWindow() && PumpMessages() == 0 && !IsWindowDestroyed()) {
    }
  }
  WriteLog("ソフトをエラー終了します");
  std::fflush(nullptr);
  std::_Exit(-1);
}

void ExitWithErrorFormat(const char* format, ...) {
  char buf[kFormatBuffer];
  va_list args;
  va_start(args, format);
  FormatLine(buf, format, args);
  va_end(args);
  // The formatted text carries no newline of its own: ExitWithError adds one.
  size_t len = std::strlen(buf);
  if (len > 0 && buf[len - 1] == '\n') buf[len - 1] = '\0';
  ExitWithError(buf);
}

std::string LogText(const char* gbk) {
  return gbk == nullptr ? std::string() : platform::GbkToUtf8(gbk);
}

}  // namespace morrow
