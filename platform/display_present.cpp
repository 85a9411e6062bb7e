// The virtual beam's blank waits and the presentation: a changed primary is handed to the
// presenter at most once per virtual frame, counted, dumped and passed to the present hook.
#include <algorithm>
#include <cstring>

#include "platform/clock.h"
#include "platform/display.h"
#include "platform/display_beam.h"
#include "platform/frame_dump.h"

namespace platform {
namespace {

std::function<uint64_t(uint64_t)>& PresentHook() {
  static std::function<uint64_t(uint64_t)> hook;
  return hook;
}

class NullPresenter : public Presenter {
 public:
  void Show(const PresentedPicture&) override {}
};

}  // namespace

std::unique_ptr<Presenter> MakeNullPresenter() {
  return std::make_unique<NullPresenter>();
}

void SetPresentHook(std::function<uint64_t(uint64_t)> hook) {
  PresentHook() = std::move(hook);
}

// ---- blank waits ----

DisplayResult Display::GetScanLine(int32_t* line) const {
  if (!Alive("GetScanLine on a dead display")) return DisplayResult::kDeadObject;
  if (line == nullptr) return DisplayResult::kInvalidParams;
  *line = CurrentBeam().At(NowMicroseconds()).line;
  return DisplayResult::kOk;
}

DisplayResult Display::GetVerticalBlankStatus(bool* inBlank) {
  if (!Alive("GetVerticalBlankStatus on a dead display")) return DisplayResult::kDeadObject;
  if (inBlank == nullptr) return DisplayResult::kInvalidParams;
  *inBlank = CurrentBeam().At(NowMicroseconds()).inBlank;
  if (*inBlank) PresentIfDue();
  return DisplayResult::kOk;
}

DisplayResult Display::WaitForVerticalBlank(uint32_t flags) {
  if (!Alive("WaitForVerticalBlank on a dead display")) return DisplayResult::kDeadObject;
  const Beam& beam = CurrentBeam();
  int64_t now = NowMicroseconds();
  bool inBlank = beam.At(now).inBlank;
  if (flags == kWaitBlankBegin) {
    if (!inBlank) SleepMicroseconds(beam.NextBlankStart(now) - now);
  } else if (flags == kWaitBlankEnd) {
    int64_t end = inBlank ? beam.NextBlankEnd(now) : beam.NextBlankEnd(beam.NextBlankStart(now));
    SleepMicroseconds(end - now);
  } else {
    return DisplayResult::kInvalidParams;
  }
  PresentIfDue();
  return DisplayResult::kOk;
}

// ---- presentation ----

void Display::SetPresenter(std::unique_ptr<Presenter> presenter) {
  presenter_ = presenter != nullptr ? std::move(presenter) : MakeNullPresenter();
}

int64_t Display::CurrentFrame() const {
  return CurrentBeam().FrameIndex(NowMicroseconds());
}

void Display::MarkPrimaryChanged(const Surface* s) {
  if (s != nullptr && s == primary_) dirty_ = true;
}

void Display::PresentNow() {
  if (Alive("PresentNow on a dead display")) PresentIfDue(true);
}

void Display::PresentIfDue(bool evenInThisFrame) {
  if (!dirty_ || primary_ == nullptr || primary_->dead_ || primary_->lost_) return;
  int64_t frame = CurrentFrame();
  if (frame == lastPushFrame_ && !evenInThisFrame) return;

  const Surface& p = *primary_;
  Rect area{0, 0, p.width_, p.height_};
  if (primaryInWindow_ && host_ != nullptr) {
    Rect client;
    if (host_->ClientArea(&client) && !client.Empty()) area = client;
  }
  const int32_t bpp = static_cast<int32_t>(p.format_.bitCount / 8);
  const int32_t pitch = area.Width() * bpp;
  lastPicture_.assign(static_cast<size_t>(pitch) * static_cast<size_t>(area.Height()), 0);
  Rect inside = Intersect(area, Rect{0, 0, p.width_, p.height_});
  for (int32_t y = inside.top; y < inside.bottom; ++y) {
    std::memcpy(lastPicture_.data() + static_cast<ptrdiff_t>(y - area.top) * pitch +
                    (inside.left - area.left) * bpp,
                p.Pixels() + static_cast<ptrdiff_t>(y) * p.pitch_ + inside.left * bpp,
                static_cast<size_t>(inside.Width() * bpp));
  }
  lastInfo_ = PresentedPicture{};
  lastInfo_.width = area.Width();
  lastInfo_.height = area.Height();
  lastInfo_.pitch = pitch;
  lastInfo_.format = p.format_;
  lastInfo_.pixels = lastPicture_.data();
  if (p.palette_ != nullptr && !p.palette_->IsDead()) {
    std::copy(p.palette_->Entries(), p.palette_->Entries() + 256, lastPalette_);
  } else {
    for (PaletteEntry& e : lastPalette_) e = PaletteEntry{};
  }
  lastInfo_.palette = bpp == 1 ? lastPalette_ : nullptr;

  dirty_ = false;
  lastPushFrame_ = frame;
  ++presentCount_;
  presenter_->Show(lastInfo_);
  const uint64_t dumpAs = PresentHook() ? PresentHook()(presentCount_) : presentCount_;
  if (dumpAs > 0) DumpFrameIfListed(dumpAs, lastInfo_);
}

bool Display::LastPresentedRgb(int32_t* width, int32_t* height, std::vector<uint8_t>* rgb) const {
  if (presentCount_ == 0) return false;
  PresentedPicture pic = lastInfo_;
  pic.pixels = lastPicture_.data();
  pic.palette = pic.format.bitCount == 8 ? lastPalette_ : nullptr;
  *width = pic.width;
  *height = pic.height;
  *rgb = PictureToRgb(pic);
  return true;
}

}  // namespace platform
