// Writes small lossless movies for tests and fixtures: FFV1 frames (32-bit BGR) in Matroska, one
// solid colour per frame, so that every colour comes back exactly from a decode.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

struct TestMovieSpec {
  int width = 0;
  int height = 0;
  int framesPerSecond = 0;
  std::vector<uint32_t> colours;  // 0xRRGGBB, one frame each
  bool silentSoundTrack = false;  // adds a track of 16-bit mono silence beside the video
};

// False with a reason when the movie described is unusable or the file cannot be written.
bool WriteTestMovie(const std::string& path, const TestMovieSpec& spec, std::string* error);

}  // namespace platform
