#include "platform/frame_dump.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/env.h"
#include "platform/pixel_layout.h"
#include "platform/png_file.h"

namespace platform {
namespace {

bool ParseNumber(const std::string& s, uint64_t* out) {
  if (s.empty() || s.size() > 18) return false;
  uint64_t v = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + static_cast<uint64_t>(c - '0');
  }
  *out = v;
  return true;
}

}  // namespace

std::vector<uint8_t> PictureToRgb(const PresentedPicture& p) {
  std::vector<uint8_t> rgb(static_cast<size_t>(p.width) * static_cast<size_t>(p.height) * 3);
  if (p.pixels == nullptr) return rgb;
  const int bpp = static_cast<int>(p.format.bitCount / 8);
  LayoutCodec codec(p.format, p.palette);
  for (int32_t y = 0; y < p.height; ++y) {
    const uint8_t* row = p.pixels + static_cast<ptrdiff_t>(y) * p.pitch;
    uint8_t* out = rgb.data() + static_cast<size_t>(y) * static_cast<size_t>(p.width) * 3;
    for (int32_t x = 0; x < p.width; ++x) {
      Rgb8 c = codec.Decode(ReadPixel(row + x * bpp, bpp));
      out[x * 3] = c.r;
      out[x * 3 + 1] = c.g;
      out[x * 3 + 2] = c.b;
    }
  }
  return rgb;
}

bool ParseFrameList(const std::string& text, std::vector<std::pair<uint64_t, uint64_t>>* out) {
  std::vector<std::pair<uint64_t, uint64_t>> ranges;
  size_t start = 0;
  while (start <= text.size()) {
    size_t comma = text.find(',', start);
    std::string item =
        text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
    uint64_t a = 0, b = 0;
    size_t dash = item.find('-');
    if (dash == std::string::npos) {
      if (!ParseNumber(item, &a)) return false;
      b = a;
    } else if (!ParseNumber(item.substr(0, dash), &a) || !ParseNumber(item.substr(dash + 1), &b)) {
      return false;
    }
    if (a < 1 || b < a) return false;
    ranges.emplace_back(a, b);
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  *out = std::move(ranges);
  return true;
}

bool FrameDumpSettings::Listed(uint64_t n) const {
  for (const auto& r : frames) {
    if (n >= r.first && n <= r.second) return true;
  }
  return false;
}

FrameDumpSettings FrameDumpSettingsFromEnvironment() {
  FrameDumpSettings s;
  auto dir = EnvSetting("MORROW_DUMP_DIR");
  auto frames = EnvSetting("MORROW_DUMP_FRAMES");
  if (frames && !ParseFrameList(*frames, &s.frames)) {
    ReportBadSetting("MORROW_DUMP_FRAMES", *frames, "a list like 1,100,200-210");
    s.frames.clear();
  }
  if (dir) s.dir = *dir;
  return s;
}

bool DumpFrame(const FrameDumpSettings& settings, uint64_t n, const PresentedPicture& picture,
               std::string* error) {
  if (settings.dir.empty() || !settings.Listed(n)) return true;
  char name[64];
  std::snprintf(name, sizeof(name), "/frame_%06llu.png", static_cast<unsigned long long>(n));
  std::vector<uint8_t> rgb = PictureToRgb(picture);
  return WritePngRgb(settings.dir + name, picture.width, picture.height, rgb.data(), error);
}

void FrameDump::Take(uint64_t n, const PresentedPicture& picture) {
  if (stopped_) return;
  std::string error;
  if (DumpFrame(settings_, n, picture, &error)) return;
  stopped_ = true;
  std::fprintf(stderr, "morrow: frame dump stopped at frame %llu (no later frame is written): %s\n",
               static_cast<unsigned long long>(n), error.c_str());
}

void DumpFrameIfListed(uint64_t n, const PresentedPicture& picture) {
  static FrameDump dump(FrameDumpSettingsFromEnvironment());
  dump.Take(n, picture);
}

bool WriteLastPresentedPng(Display* display, const std::string& path, std::string* error) {
  for (int i = 0; i < 3 && display->PresentPending(); ++i) {
    display->WaitForVerticalBlank(kWaitBlankEnd);
    display->WaitForVerticalBlank(kWaitBlankBegin);
  }
  int32_t w = 0, h = 0;
  std::vector<uint8_t> rgb;
  if (!display->LastPresentedRgb(&w, &h, &rgb)) {
    if (error != nullptr) *error = "nothing has been presented";
    return false;
  }
  return WritePngRgb(path, w, h, rgb.data(), error);
}

}  // namespace platform
