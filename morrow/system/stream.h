// Streams and file access.
//
// Every file the library reads goes through one replaceable table of file operations, and every
// decoder reads through a stream: six operations and an opaque handle, so that one decoder reads
// a file or a block of memory alike. The game's own Data files and scripts do not use these.
//
// Paths are the game's: GBK bytes with '\' separators ("Resource\\SE\\a.wav"). MapGamePath is
// the one place that turns such a path into a path of this system.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

namespace morrow {

// The longest path, in bytes, that the library accepts (as given and as mapped).
constexpr size_t kMaxPathBytes = 4096;

struct StreamFunctions {
  int64_t (*tell)(void* handle);
  // origin: 0 from the start, 1 from the current position, 2 from the end. 0 on success.
  int (*seek)(void* handle, int64_t offset, int origin);
  // Returns the number of whole items read.
  size_t (*read)(void* buffer, size_t itemSize, size_t count, void* handle);
  int (*eof)(void* handle);
  // 1 when the stream can be read now.
  int (*idle)(void* handle);
  int (*close)(void* handle);
};

// What a decoder receives: a copy of a table of operations and the handle they work on.
struct StreamSource {
  StreamFunctions functions;
  void* handle;
};

struct MemoryStream {
  const unsigned char* data;  // not owned
  uint32_t size;
  uint32_t position;  // 0..size
  int32_t end;        // set by a read at the end, cleared by a seek or a successful read
};

struct FileAccessFunctions {
  void* (*open)(const char* path, int, int);  // null on failure
  int (*close)(void* handle);
  int64_t (*tell)(void* handle);
  int (*seek)(void* handle, int64_t offset, int origin);
  size_t (*read)(void* buffer, size_t size, size_t count, void* handle);
  int (*eof)(void* handle);
  int (*idle)(void* handle);
  int (*setDirectory)(const char* path);
  // Writes the current directory (GBK) with its terminator; -1 when it does not fit.
  int (*getDirectory)(char* out, size_t size);
};

// Replaces the nine file operations (null puts the defaults back). Always 0.
int SetFileAccessTable(const FileAccessFunctions* table);
// 1 when every entry but the idle test is the default.
int IsDefaultFileAccess();

// Front ends over the current file-access table.
void* StreamOpen(const char* path, int a, int b);
int StreamClose(void* handle);
int64_t StreamTell(void* handle);
int StreamSeek(void* handle, int64_t offset, int origin);
size_t StreamRead(void* buffer, size_t size, size_t count, void* handle);
int StreamEof(void* handle);
int StreamIdleCheck(void* handle);
int SetCurrentDir(const char* path);
int GetCurrentDir(char* out, size_t size);

// Fills the two global stream tables (done by the library start).
void InitStreamTables();
const StreamFunctions* GetFileStreamTable();
const StreamFunctions* GetMemoryStreamTable();

MemoryStream* CreateMemoryStream(const void* data, size_t size);
int64_t GetThirdRecordWord(void* record);
int MemoryStreamSeek(void* stream, int64_t offset, int origin);
size_t MemoryStreamRead(void* buffer, size_t itemSize, size_t count, void* stream);
int MemoryStreamEof(void* stream);
int AlwaysReady(void* handle);
int CloseMemoryStream(void* stream);

// Stream sources over a file (through the file-access table) and over memory. false when the file
// does not open or memory runs out; the source is then untouched.
bool OpenFileStreamSource(const char* path, StreamSource* out);
bool OpenMemoryStreamSource(const void* data, size_t size, StreamSource* out);

// The game's path as a path of this system: '\' becomes '/' (a GBK trail byte 0x5C stays part of
// its character), the text becomes UTF-8, and when the exact path does not exist each component
// is matched case-insensitively against its directory. Returns false when the path is too long.
bool MapGamePath(const char* gbkPath, std::string* out);

// A file the game or the library reads, by a path of this system, opened as every input is:
// without waiting, and kept only when what opened is a regular file (a folder, a named pipe or a
// device in its place is refused at once, and nothing can take the file's place after that look).
// Null otherwise, with *error (when given) the errno of the failed open (ENOENT when nothing is
// there), or 0 when something other than a regular file stands there. *size (when given) is the
// file's size when it was opened.
std::FILE* OpenGameInput(const std::string& path, int* error = nullptr, int64_t* size = nullptr);

// The game's own files (its saves), by a path of this system: `size` bytes written whole or not
// at all, through a temporary file beside `path` that nobody can have prepared, and on the disk
// with their folder before this returns. A file replaced keeps its mode; anything but a regular
// file at `path`, and a file the process may not write into, is refused. False with a reason that
// names the path.
bool WriteWholeGameFile(const std::string& path, const void* data, size_t size, std::string* error);
// Whether `name`, an entry of the folder `path` is in, is one of the temporary files
// WriteWholeGameFile makes for `path`: what a save that was killed leaves.
bool IsWholeFileTemporaryOf(const std::string& name, const std::string& path);

}  // namespace morrow
