// Bytes in memory as a media source for the platform's media services.
#pragma once

#include <algorithm>
#include <cstring>
#include <string>

#include "platform/media/media_source.h"

namespace testsupport {

class MemorySource final : public platform::MediaSource {
 public:
  explicit MemorySource(std::string bytes) : bytes_(std::move(bytes)) {}
  int Read(uint8_t* buffer, int bytes) override {
    size_t n = std::min(static_cast<size_t>(bytes), bytes_.size() - at_);
    std::memcpy(buffer, bytes_.data() + at_, n);
    at_ += n;
    return static_cast<int>(n);
  }
  int64_t Seek(int64_t offset, int origin) override {
    int64_t base = origin == 0   ? 0
                   : origin == 1 ? static_cast<int64_t>(at_)
                                 : static_cast<int64_t>(bytes_.size());
    int64_t to = base + offset;
    if (to < 0 || to > static_cast<int64_t>(bytes_.size())) return -1;
    at_ = static_cast<size_t>(to);
    return to;
  }
  int64_t Size() override { return static_cast<int64_t>(bytes_.size()); }

 private:
  std::string bytes_;
  size_t at_ = 0;
};

}  // namespace testsupport
