#include "morrow/system/file_media_source.h"

#include "morrow/system/stream.h"

namespace morrow {

std::unique_ptr<FileMediaSource> FileMediaSource::Open(const char* path) {
  void* file = StreamOpen(path, 0, 1);
  if (file == nullptr) return nullptr;
  int64_t size = -1;
  if (StreamSeek(file, 0, 2) == 0) size = StreamTell(file);
  if (StreamSeek(file, 0, 0) != 0) {
    StreamClose(file);
    return nullptr;
  }
  return std::unique_ptr<FileMediaSource>(new FileMediaSource(file, size));
}

FileMediaSource::~FileMediaSource() {
  StreamClose(file_);
}

int FileMediaSource::Read(uint8_t* buffer, int bytes) {
  if (bytes <= 0) return 0;
  return static_cast<int>(StreamRead(buffer, 1, static_cast<size_t>(bytes), file_));
}

int64_t FileMediaSource::Seek(int64_t offset, int origin) {
  if (StreamSeek(file_, offset, origin) != 0) return -1;
  return StreamTell(file_);
}

}  // namespace morrow
