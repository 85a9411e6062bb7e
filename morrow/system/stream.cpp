#include "morrow/system/stream.h"

#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "morrow/system/memory.h"
#include "platform/codepage.h"
#include "platform/directory.h"
#include "platform/input_file.h"
#include "platform/output_file.h"

namespace morrow {
namespace {

bool IsGbkLead(unsigned char c) {
  return c >= 0x81 && c <= 0xFE;
}

bool Exists(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0;
}

// Finds an entry of dir whose name equals name ignoring ASCII case.
bool FindCaseless(const std::string& dir, const std::string& name, std::string* found) {
  DIR* d = opendir(dir.empty() ? "." : dir.c_str());
  if (d == nullptr) return false;
  bool ok = false;
  while (dirent* e = readdir(d)) {
    if (strcasecmp(e->d_name, name.c_str()) == 0) {
      *found = e->d_name;
      ok = true;
      break;
    }
  }
  closedir(d);
  return ok;
}

void* DefaultOpen(const char* path, int, int) {
  std::string mapped;
  if (path == nullptr || !MapGamePath(path, &mapped)) return nullptr;
  // Directories and devices open as files on this system; the library only reads regular files.
  return OpenGameInput(mapped);
}
int DefaultClose(void* h) {
  return std::fclose(static_cast<FILE*>(h));
}
int64_t DefaultTell(void* h) {
  return ftello(static_cast<FILE*>(h));
}
int DefaultSeek(void* h, int64_t offset, int origin) {
  int whence = origin == 1 ? SEEK_CUR : origin == 2 ? SEEK_END : SEEK_SET;
  return fseeko(static_cast<FILE*>(h), static_cast<off_t>(offset), whence);
}
size_t DefaultRead(void* buffer, size_t size, size_t count, void* h) {
  return std::fread(buffer, size, count, static_cast<FILE*>(h));
}
int DefaultEof(void* h) {
  return std::feof(static_cast<FILE*>(h));
}
int DefaultSetDirectory(const char* path) {
  std::string mapped;
  if (path == nullptr || !MapGamePath(path, &mapped)) return 0;
  return platform::SetCurrentDirectory(mapped) ? 1 : 0;
}
int DefaultGetDirectory(char* out, size_t size) {
  std::string cwd;
  if (out == nullptr || size == 0 || !platform::GetCurrentDirectory(&cwd)) return -1;
  std::string gbk = platform::Utf8ToGbk(cwd);
  if (gbk.size() + 1 > size) {
    out[0] = '\0';
    return -1;
  }
  std::memcpy(out, gbk.c_str(), gbk.size() + 1);
  return 0;
}

constexpr FileAccessFunctions kDefaultFileAccess = {
    DefaultOpen, DefaultClose, DefaultTell,         DefaultSeek,         DefaultRead,
    DefaultEof,  AlwaysReady,  DefaultSetDirectory, DefaultGetDirectory,
};
FileAccessFunctions g_fileAccess = kDefaultFileAccess;

StreamFunctions g_fileStreams{};
StreamFunctions g_memoryStreams{};

}  // namespace

int SetFileAccessTable(const FileAccessFunctions* table) {
  g_fileAccess = table != nullptr ? *table : kDefaultFileAccess;
  return 0;
}

int IsDefaultFileAccess() {
  const FileAccessFunctions& f = g_fileAccess;
  const FileAccessFunctions& d = kDefaultFileAccess;
  return (f.open == d.open && f.close == d.close && f.tell == d.tell && f.seek == d.seek &&
          f.read == d.read && f.eof == d.eof && f.setDirectory == d.setDirectory &&
          f.getDirectory == d.getDirectory)
             ? 1
             : 0;
}

void* StreamOpen(const char* path, int a, int b) {
  return g_fileAccess.open(path, a, b);
}
int StreamClose(void* h) {
  return g_fileAccess.close(h);
}
int64_t StreamTell(void* h) {
  return g_fileAccess.tell(h);
}
int StreamSeek(void* h, int64_t offset, int origin) {
  return g_fileAccess.seek(h, offset, origin);
}
size_t StreamRead(void* buffer, size_t size, size_t count, void* h) {
  return g_fileAccess.read(buffer, size, count, h);
}
int StreamEof(void* h) {
  return g_fileAccess.eof(h);
}
int StreamIdleCheck(void* h) {
  return g_fileAccess.idle(h);
}
int SetCurrentDir(const char* path) {
  return g_fileAccess.setDirectory(path);
}
int GetCurrentDir(char* out, size_t size) {
  return g_fileAccess.getDirectory(out, size);
}

void InitStreamTables() {
  g_fileStreams = {StreamTell, StreamSeek, StreamRead, StreamEof, StreamIdleCheck, StreamClose};
  g_memoryStreams = {GetThirdRecordWord, MemoryStreamSeek, MemoryStreamRead,
                     MemoryStreamEof,    AlwaysReady,      CloseMemoryStream};
}

const StreamFunctions* GetFileStreamTable() {
  if (g_fileStreams.read == nullptr) InitStreamTables();
  return &g_fileStreams;
}

const StreamFunctions* GetMemoryStreamTable() {
  if (g_memoryStreams.read == nullptr) InitStreamTables();
  return &g_memoryStreams;
}

MemoryStream* CreateMemoryStream(const void* data, size_t size) {
  if (size > 0xFFFFFFFFu) return nullptr;
  auto* s = static_cast<MemoryStream*>(AllocateMemory(sizeof(MemoryStream)));
  if (s == nullptr) return nullptr;
  s->data = static_cast<const unsigned char*>(data);
  s->size = static_cast<uint32_t>(size);
  s->position = 0;
  s->end = 0;
  return s;
}

int64_t GetThirdRecordWord(void* record) {
  return static_cast<MemoryStream*>(record)->position;
}

int MemoryStreamSeek(void* stream, int64_t offset, int origin) {
  auto* s = static_cast<MemoryStream*>(stream);
  int64_t target = origin == 1   ? int64_t{s->position} + offset
                   : origin == 2 ? int64_t{s->size} + offset
                                 : offset;
  if (target < 0) target = 0;
  if (target > s->size) target = s->size;
  s->position = static_cast<uint32_t>(target);
  s->end = 0;
  return 0;
}

size_t MemoryStreamRead(void* buffer, size_t itemSize, size_t count, void* stream) {
  auto* s = static_cast<MemoryStream*>(stream);
  if (s->position >= s->size) {
    s->end = 1;
    return 0;
  }
  if (itemSize == 0 || count == 0) return 0;
  uint64_t remaining = s->size - s->position;
  // 64-bit products, so a huge request cannot wrap past the bound test.
  unsigned __int128 wanted = static_cast<unsigned __int128>(itemSize) * count;
  size_t n = wanted > remaining ? static_cast<size_t>(remaining / itemSize) : count;
  auto* out = static_cast<unsigned char*>(buffer);
  if (n > 0) {
    size_t bytes = n * itemSize;
    std::memcpy(out, s->data + s->position, bytes);
    s->position += static_cast<uint32_t>(bytes);
    s->end = 0;
    return n;
  }
  // Fewer bytes than one item remain: they are delivered as one item, whose missing tail is zero.
  std::memcpy(out, s->data + s->position, static_cast<size_t>(remaining));
  std::memset(out + remaining, 0, itemSize - static_cast<size_t>(remaining));
  s->position = s->size;
  s->end = 0;
  return 1;
}

int MemoryStreamEof(void* stream) {
  return static_cast<MemoryStream*>(stream)->end;
}

int AlwaysReady(void*) {
  return 1;
}

int CloseMemoryStream(void* stream) {
  FreeMemory(stream);
  return 0;
}

bool OpenFileStreamSource(const char* path, StreamSource* out) {
  void* h = StreamOpen(path, 0, 1);
  if (h == nullptr) return false;
  out->functions = *GetFileStreamTable();
  out->handle = h;
  return true;
}

bool OpenMemoryStreamSource(const void* data, size_t size, StreamSource* out) {
  MemoryStream* s = CreateMemoryStream(data, size);
  if (s == nullptr) return false;
  out->functions = *GetMemoryStreamTable();
  out->handle = s;
  return true;
}

bool MapGamePath(const char* gbkPath, std::string* out) {
  size_t len = std::strlen(gbkPath);
  if (len >= kMaxPathBytes) return false;
  std::string slashed(gbkPath, len);
  for (size_t i = 0; i < slashed.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(slashed[i]);
    if (IsGbkLead(c) && i + 1 < slashed.size()) {
      ++i;  // the trail byte belongs to the character, even when it is 0x5C
    } else if (c == '\\') {
      slashed[i] = '/';
    }
  }
  std::string path = platform::GbkToUtf8(slashed);
  if (path.size() >= kMaxPathBytes) return false;
  if (path.empty() || Exists(path)) {
    *out = path;
    return true;
  }
  // Walk the components, keeping each that exists as written and looking up the others
  // without regard to case.
  std::string built = path[0] == '/' ? "/" : "";
  size_t pos = path[0] == '/' ? 1 : 0;
  bool lost = false;
  while (pos <= path.size()) {
    size_t next = path.find('/', pos);
    if (next == std::string::npos) next = path.size();
    std::string part = path.substr(pos, next - pos);
    pos = next + 1;
    if (part.empty()) continue;
    std::string candidate = built + part;
    if (!lost && part != "." && part != ".." && !Exists(candidate)) {
      std::string found;
      if (FindCaseless(built, part, &found)) {
        candidate = built + found;
      } else {
        lost = true;
      }
    }
    built = candidate;
    if (next < path.size()) built += '/';
  }
  *out = built;
  return built.size() < kMaxPathBytes;
}

std::FILE* OpenGameInput(const std::string& path, int* error, int64_t* size) {
  platform::InputFile file;
  std::FILE* stream = file.Open(path) ? file.ReleaseStream() : nullptr;
  if (error != nullptr) *error = file.Error();
  if (size != nullptr) *size = stream != nullptr ? static_cast<int64_t>(file.Size()) : 0;
  return stream;
}

bool WriteWholeGameFile(const std::string& path, const void* data, size_t size,
                        std::string* error) {
  return platform::WriteWholeFile(path, data, size, error, platform::Durability::kSynced);
}

bool IsWholeFileTemporaryOf(const std::string& name, const std::string& path) {
  return platform::IsTemporaryNameOf(name, path);
}

}  // namespace morrow
