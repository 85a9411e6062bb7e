// Absolute paths and their split into directory and name, for the music files.
//
// Paths are GBK: a byte from 0x81 up starts a two-byte character whose second byte may be a
// '\' (0x5C), which is then no separator. A lead byte just before the terminator stands alone.
#include <cstring>
#include <string>

#include "morrow/graphics/font.h"
#include "morrow/sound/music_internal.h"
#include "morrow/system/stream.h"

namespace morrow {
namespace {

// Paths are of the game's character set (index 1).
bool LeadByteAt(const char* p) {
  return IsLeadByte(reinterpret_cast<const unsigned char*>(p), 1) != 0;
}

bool IsSeparator(char c) {
  return c == '\\' || c == '/';
}

// Bytes of the character at p.
size_t CharLength(const char* p) {
  return LeadByteAt(p) && p[1] != '\0' ? 2 : 1;
}

// "X:" at the start.
bool HasDrive(const char* p) {
  return p[0] != '\0' && !LeadByteAt(p) && p[1] == ':';
}

// Offset of the last separator at or after `from` that is a character of its own; npos if none.
size_t LastSeparator(const std::string& s, size_t from) {
  size_t found = std::string::npos;
  for (size_t i = 0; i < s.size(); i += CharLength(s.c_str() + i)) {
    if (i >= from && IsSeparator(s[i])) found = i;
  }
  return found;
}

}  // namespace

int MakeFullPath(const char* path, char* out, const char* base) {
  if (path == nullptr || out == nullptr) return -1;
  char current[kFullPathBytes];
  if (base == nullptr) {
    if (GetCurrentDir(current, sizeof current) != 0) return -1;
    base = current;
  }
  std::string result;
  size_t floor = 0;  // the drive (and nothing of a root): ".." never goes below it
  const char* p = path;
  if (IsSeparator(p[0])) {
    // From the base's root: its drive where it has one; a base of this system has none, so the
    // path starts at the root itself.
    if (HasDrive(base)) result.assign(base, 2);
    floor = result.size();
    ++p;
  } else if (HasDrive(p)) {
    result.assign(p, 2);
    floor = 2;
    p += 2;
    if (IsSeparator(*p)) ++p;
  } else {
    result = base;
    if (HasDrive(base)) floor = 2;
    size_t last = LastSeparator(result, 0);
    if (last != std::string::npos && last + 1 == result.size() && last >= floor) {
      result.pop_back();
    }
  }
  const char* start = p;
  for (;;) {
    const char* q = start;
    while (*q != '\0' && !IsSeparator(*q)) q += CharLength(q);
    std::string component(start, static_cast<size_t>(q - start));
    if (*q == '\0') {
      // The last component is taken as it stands.
      result += '\\';
      result += component;
      break;
    }
    if (component.empty()) return -1;
    if (component == "..") {
      size_t last = LastSeparator(result, floor);
      result.resize(last != std::string::npos ? last : floor);
    } else if (component != ".") {
      result += '\\';
      result += component;
    }
    start = q + 1;
  }
  if (result.size() + 1 > kFullPathBytes) return -1;
  std::memcpy(out, result.c_str(), result.size() + 1);
  return 0;
}

int SplitPath(const char* path, char* name, char* directory) {
  if (path == nullptr) return -1;
  size_t length = std::strlen(path);
  size_t split = length;  // none
  for (size_t i = 0; i < length; i += CharLength(path + i)) {
    if (IsSeparator(path[i]) || path[i] == ':') split = i;
  }
  if (split == length) {
    if (name != nullptr) std::memcpy(name, path, length + 1);
    if (directory != nullptr) directory[0] = '\0';
    return 0;
  }
  if (name != nullptr) std::memcpy(name, path + split + 1, length - split);
  if (directory != nullptr) {
    std::memcpy(directory, path, split);
    directory[split] = '\0';
  }
  return 0;
}

}  // namespace morrow
