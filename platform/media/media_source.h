// The bytes of a media file as the platform's media services read them. The library supplies the
// source (its own file access), so no media service ever opens a path.
#pragma once

#include <cstdint>

namespace platform {

class MediaSource {
 public:
  virtual ~MediaSource() = default;
  // Up to bytes into buffer: the count read, 0 at the end, -1 on an error.
  virtual int Read(uint8_t* buffer, int bytes) = 0;
  // origin 0 from the start, 1 from the current position, 2 from the end: the new position, or
  // -1.
  virtual int64_t Seek(int64_t offset, int origin) = 0;
  // The size in bytes, -1 when unknown.
  virtual int64_t Size() = 0;
};

}  // namespace platform
