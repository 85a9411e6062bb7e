// Lossless test movies as bytes, made by the platform's movie writer (one solid colour a frame).
#pragma once

#include <string>
#include <vector>

#include "platform/media/movie_writer.h"
#include "platform/output_file.h"
#include "tests/support/temp_dir.h"

namespace testsupport {

// The file's bytes; empty when the writer failed.
inline std::string TestMovieBytes(int width, int height, int framesPerSecond,
                                  const std::vector<uint32_t>& colours,
                                  bool silentSoundTrack = false) {
  TempDir dir;
  platform::TestMovieSpec spec;
  spec.width = width;
  spec.height = height;
  spec.framesPerSecond = framesPerSecond;
  spec.colours = colours;
  spec.silentSoundTrack = silentSoundTrack;
  std::string error;
  platform::OutputFile out;
  if (!out.Open(dir.File("movie.mkv"), &error) ||
      !platform::WriteTestMovie(out.Stream(), spec, &error) || !out.Commit(&error)) {
    return "";
  }
  return ReadFile(dir.File("movie.mkv"));
}

// The movie with the frame width of its Matroska track header (element 0xB0 with a one-byte
// value, so width is below 128) written as 0: a video track of no size. Empty when not found.
inline std::string WithZeroFrameWidth(std::string bytes, int width) {
  const std::string element{'\xB0', '\x81', static_cast<char>(width)};
  const size_t at = bytes.find(element);
  if (at == std::string::npos) return "";
  bytes[at + 2] = 0;
  return bytes;
}

}  // namespace testsupport
