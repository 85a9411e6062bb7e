// The frame dump: presented pictures written as 8-bit RGB PNG files.
//
// MORROW_DUMP_DIR=dir with MORROW_DUMP_FRAMES=1,100,200-210 writes those frames as
// dir/frame_NNNNNN.png: within the library the presents after its start (the frames of scripted
// input, platform/input.h), else every present counted from 1 (platform/display.h). Channels
// narrower than 8 bits are widened as the library widens them. Both variables are inert when unset;
// a malformed frame list is reported once on stderr and dumps nothing. Each picture is written
// whole or not at all (platform/output_file.h); the first one that cannot be written ends the dump.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "platform/display.h"

namespace platform {

// A picture as rows of 8-bit red, green, blue (width * 3 bytes each).
std::vector<uint8_t> PictureToRgb(const PresentedPicture& picture);

// Parses "1,100,200-210" into inclusive ranges of present numbers (each at least 1, ranges not
// reversed); false when malformed.
bool ParseFrameList(const std::string& text, std::vector<std::pair<uint64_t, uint64_t>>* out);

struct FrameDumpSettings {
  std::string dir;                                    // empty: no dump
  std::vector<std::pair<uint64_t, uint64_t>> frames;  // inclusive ranges
  bool Listed(uint64_t n) const;
};

// MORROW_DUMP_DIR and MORROW_DUMP_FRAMES.
FrameDumpSettings FrameDumpSettingsFromEnvironment();

// Writes the picture as dir/frame_NNNNNN.png when n is listed. False only when a listed picture
// could not be written (the reason in error).
bool DumpFrame(const FrameDumpSettings& settings, uint64_t n, const PresentedPicture& picture,
               std::string* error);

// The dump of one run. A write that fails (a full disk, a folder that is gone) would fail again for
// every later frame, so the first failure ends the dump with one line on stderr naming the file and
// the reason, and no later frame is tried.
class FrameDump {
 public:
  explicit FrameDump(FrameDumpSettings settings) : settings_(std::move(settings)) {}
  void Take(uint64_t n, const PresentedPicture& picture);

 private:
  FrameDumpSettings settings_;
  bool stopped_ = false;
};

// FrameDump::Take with the environment's settings (read once).
void DumpFrameIfListed(uint64_t n, const PresentedPicture& picture);

// Finishes the frame and writes what the screen shows: a change of the primary still waiting
// for its present is presented first (the display is given up to three virtual frames for it),
// then the last presented picture goes to path as a PNG. False with a reason when nothing has
// been presented or the file cannot be written.
bool WriteLastPresentedPng(Display* display, const std::string& path, std::string* error);

}  // namespace platform
