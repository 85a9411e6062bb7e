// Shared helpers of the sound component's tests.
#pragma once

#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "morrow/sound/sound_decode.h"
#include "morrow/system/log.h"
#include "morrow/system/memory.h"
#include "morrow/system/stream.h"
#include "tests/support/temp_dir.h"

namespace soundtest {

inline std::string Fixture(const std::string& name) {
  return testsupport::ReadFile(std::string(MORROW_TEST_DATA) + "/sound/" + name);
}

struct Decoded {
  int result = -1;
  morrow::WaveFormat format;
  std::string pcm;
  int32_t method = -1;
};

// What a sound handle would be made from.
inline Decoded Decode(const std::string& bytes) {
  Decoded d;
  uint8_t* pcm = nullptr;
  uint32_t size = 0;
  d.result =
      morrow::DecodeSoundImage(bytes.data(), bytes.size(), &d.format, &pcm, &size, &d.method);
  if (d.result == 0) {
    d.pcm.assign(reinterpret_cast<char*>(pcm), size);
    morrow::FreeMemory(pcm);
  }
  return d;
}

// A converter over a copy of the bytes, closed with its stream at the end of the scope.
class OpenConverter {
 public:
  explicit OpenConverter(std::string bytes) : bytes_(std::move(bytes)) {
    EXPECT_TRUE(morrow::OpenMemoryStreamSource(bytes_.data(), bytes_.size(), &source_));
    result_ = morrow::OpenSoundConverter(&source_, &c_);
  }
  ~OpenConverter() {
    if (result_ == 0) morrow::CloseSoundConverter(&c_);
    source_.functions.close(source_.handle);
  }
  int result() const { return result_; }
  morrow::SoundConverter* get() { return &c_; }
  morrow::SoundConverter* operator->() { return &c_; }
  // Reads n bytes (fewer at the end).
  std::string Read(int n) {
    std::string out(static_cast<size_t>(n), '\0');
    int got = morrow::ReadSoundConverter(&c_, out.data(), n);
    out.resize(got > 0 ? static_cast<size_t>(got) : 0);
    return out;
  }
  std::string ReadAll() {
    std::string all;
    for (;;) {
      std::string piece = Read(3001);
      if (piece.empty()) return all;
      all += piece;
    }
  }

 private:
  std::string bytes_;
  morrow::StreamSource source_{};
  morrow::SoundConverter c_{};
  int result_ = -1;
};

// A log in a fresh directory for one test.
class LogCapture {
 public:
  LogCapture() {
    morrow::SetLogDirectory(dir_.path());
    morrow::StartLogFile();
  }
  ~LogCapture() { morrow::SetLogDirectory(""); }
  std::string Text() const { return testsupport::ReadFile(dir_.File("AppLog.txt")); }
  int Count(const std::string& needle) const {
    std::string t = Text();
    int n = 0;
    for (size_t at = t.find(needle); at != std::string::npos; at = t.find(needle, at + 1)) ++n;
    return n;
  }
  const testsupport::TempDir& dir() const { return dir_; }

 private:
  testsupport::TempDir dir_;
};

}  // namespace soundtest
