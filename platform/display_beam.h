// The raster beam of the virtual display: which line is being shown at a moment of the platform
// clock, when the vertical blank begins and ends, and which frame is on screen.
//
// The virtual display shows 525 lines per 1/60 s; lines 480 to 524 are the vertical blank.
// Tests install a scripted beam whose frames last given times, to make a display that is not
// exactly 60 Hz (or not regular at all) on a fake clock.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace platform {

struct BeamPosition {
  int32_t line = 0;      // 0 .. 524
  bool inBlank = false;  // line >= 480
};

class Beam {
 public:
  virtual ~Beam() = default;
  virtual BeamPosition At(int64_t us) const = 0;
  // The number of the frame shown at us (frames start with line 0).
  virtual int64_t FrameIndex(int64_t us) const = 0;
  // The moment the first blank after us begins (us itself never counts).
  virtual int64_t NextBlankStart(int64_t us) const = 0;
  // The moment the current frame ends, which is where its blank ends.
  virtual int64_t NextBlankEnd(int64_t us) const = 0;
};

constexpr int32_t kBeamLines = 525;
constexpr int32_t kBeamBlankLine = 480;

// 60 frames per second from clock time 0.
class VirtualBeam : public Beam {
 public:
  BeamPosition At(int64_t us) const override;
  int64_t FrameIndex(int64_t us) const override;
  int64_t NextBlankStart(int64_t us) const override;
  int64_t NextBlankEnd(int64_t us) const override;
};

// Frames of the given lengths in microseconds, repeated in turn, the first starting at origin.
// The last blankLength microseconds of each frame are the blank, so one blank begins exactly a
// frame length after the one before; lines are spread evenly over each part.
class ScriptedBeam : public Beam {
 public:
  explicit ScriptedBeam(std::vector<int64_t> frameLengths, int64_t origin = 0,
                        int64_t blankLength = 1000);
  BeamPosition At(int64_t us) const override;
  int64_t FrameIndex(int64_t us) const override;
  int64_t NextBlankStart(int64_t us) const override;
  int64_t NextBlankEnd(int64_t us) const override;

 private:
  struct Frame {
    int64_t index, start, length;
  };
  Frame FrameAt(int64_t us) const;
  Frame FrameByIndex(int64_t index) const;
  int64_t BlankStartOf(const Frame& f) const;
  std::vector<int64_t> lengths_;
  int64_t origin_;
  int64_t blank_;
  int64_t cycle_ = 0;
};

// The beam in use: one a test installed, else the 60 Hz virtual beam.
const Beam& CurrentBeam();
// Installs a beam (not owned); nullptr goes back to the virtual beam.
void InstallBeam(const Beam* beam);

}  // namespace platform
