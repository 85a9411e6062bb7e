// A file read through the library's file access, as the platform's media services read their
// bytes (music files, movies).
#pragma once

#include <cstdint>
#include <memory>

#include "platform/media/media_source.h"

namespace morrow {

class FileMediaSource final : public platform::MediaSource {
 public:
  // Null when the file access cannot open the path or cannot go back to its start.
  static std::unique_ptr<FileMediaSource> Open(const char* path);
  ~FileMediaSource() override;
  FileMediaSource(const FileMediaSource&) = delete;
  FileMediaSource& operator=(const FileMediaSource&) = delete;
  int Read(uint8_t* buffer, int bytes) override;
  int64_t Seek(int64_t offset, int origin) override;
  int64_t Size() override { return size_; }

 private:
  FileMediaSource(void* file, int64_t size) : file_(file), size_(size) {}
  void* file_;
  int64_t size_;
};

}  // namespace morrow
