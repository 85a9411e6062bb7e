// Writes small lossless movies for tests and fixtures: FFV1 frames (32-bit BGR) in Matroska, one
// solid colour per frame, so that every colour comes back exactly from a decode.
#pragma once

#include <cstdint>
#include <cstdio>
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

// Writes the movie into `stream`, a file open for writing, seekable and at its start, through that
// stream alone: no file is opened by name, so the bytes go to the file the caller made and to
// nothing a name may lead to since. The stream stays the caller's to flush and close. False with
// a reason when the movie described is unusable, or with the system's reason for a write or seek
// that failed ("No space left on device"); what was written then is the caller's to drop.
bool WriteTestMovie(std::FILE* stream, const TestMovieSpec& spec, std::string* error);

}  // namespace platform
