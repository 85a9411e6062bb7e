#include "platform/display_beam.h"

#include <cstddef>
#include <utility>

namespace platform {
namespace {

// One line lasts 1000000 / (60 * 525) = 2000 / 63 microseconds; line counts and times convert
// exactly through these two integers.
constexpr int64_t kLineNumerator = 2000;
constexpr int64_t kLineDenominator = 63;

int64_t FloorDiv(int64_t a, int64_t b) {
  return a >= 0 ? a / b : -((-a + b - 1) / b);
}
int64_t CeilDiv(int64_t a, int64_t b) {
  return -FloorDiv(-a, b);
}

int64_t LineCount(int64_t us) {
  return FloorDiv(us * kLineDenominator, kLineNumerator);
}
int64_t LineTime(int64_t line) {
  return CeilDiv(line * kLineNumerator, kLineDenominator);
}

const Beam* g_installed = nullptr;

}  // namespace

BeamPosition VirtualBeam::At(int64_t us) const {
  int64_t line = LineCount(us) - FrameIndex(us) * kBeamLines;
  return BeamPosition{static_cast<int32_t>(line), line >= kBeamBlankLine};
}

int64_t VirtualBeam::FrameIndex(int64_t us) const {
  return FloorDiv(LineCount(us), kBeamLines);
}

int64_t VirtualBeam::NextBlankStart(int64_t us) const {
  int64_t frame = FrameIndex(us);
  int64_t t = LineTime(frame * kBeamLines + kBeamBlankLine);
  if (t <= us) t = LineTime((frame + 1) * kBeamLines + kBeamBlankLine);
  return t;
}

int64_t VirtualBeam::NextBlankEnd(int64_t us) const {
  return LineTime((FrameIndex(us) + 1) * kBeamLines);
}

ScriptedBeam::ScriptedBeam(std::vector<int64_t> frameLengths, int64_t origin, int64_t blankLength)
    : lengths_(std::move(frameLengths)),
      origin_(origin),
      blank_(blankLength < 1 ? 1 : blankLength) {
  for (int64_t& l : lengths_) {
    if (l <= blank_) l = blank_ + 1;
  }
  if (lengths_.empty()) lengths_.push_back(16667);
  for (int64_t l : lengths_) cycle_ += l;
}

ScriptedBeam::Frame ScriptedBeam::FrameByIndex(int64_t index) const {
  int64_t n = static_cast<int64_t>(lengths_.size());
  int64_t cycles = FloorDiv(index, n);
  int64_t within = index - cycles * n;
  int64_t start = origin_ + cycles * cycle_;
  for (int64_t i = 0; i < within; ++i) start += lengths_[static_cast<size_t>(i)];
  return Frame{index, start, lengths_[static_cast<size_t>(within)]};
}

ScriptedBeam::Frame ScriptedBeam::FrameAt(int64_t us) const {
  int64_t n = static_cast<int64_t>(lengths_.size());
  int64_t cycles = FloorDiv(us - origin_, cycle_);
  int64_t start = origin_ + cycles * cycle_;
  int64_t index = cycles * n;
  for (size_t i = 0;; ++i) {
    int64_t len = lengths_[i % lengths_.size()];
    if (us < start + len) return Frame{index, start, len};
    start += len;
    ++index;
  }
}

int64_t ScriptedBeam::BlankStartOf(const Frame& f) const {
  return f.start + f.length - blank_;
}

BeamPosition ScriptedBeam::At(int64_t us) const {
  Frame f = FrameAt(us);
  int64_t blankStart = BlankStartOf(f);
  int64_t line;
  if (us < blankStart) {
    line = (us - f.start) * kBeamBlankLine / (blankStart - f.start);
  } else {
    line = kBeamBlankLine + (us - blankStart) * (kBeamLines - kBeamBlankLine) / blank_;
  }
  return BeamPosition{static_cast<int32_t>(line), us >= blankStart};
}

int64_t ScriptedBeam::FrameIndex(int64_t us) const {
  return FrameAt(us).index;
}

int64_t ScriptedBeam::NextBlankStart(int64_t us) const {
  Frame f = FrameAt(us);
  int64_t t = BlankStartOf(f);
  if (t <= us) t = BlankStartOf(FrameByIndex(f.index + 1));
  return t;
}

int64_t ScriptedBeam::NextBlankEnd(int64_t us) const {
  Frame f = FrameAt(us);
  return f.start + f.length;
}

const Beam& CurrentBeam() {
  static VirtualBeam virtualBeam;
  return g_installed != nullptr ? *g_installed : virtualBeam;
}

void InstallBeam(const Beam* beam) {
  g_installed = beam;
}

}  // namespace platform
