#include "tools/lib/demoresources/labels.h"

#include <algorithm>
#include <optional>

#include "morrow/graphics/graph_image.h"
#include "morrow/graphics/image_loader.h"
#include "morrow/system/stream.h"
#include "tools/lib/toolrun/tool_run.h"

namespace demo {

namespace {

// The largest scale up to `limit` at which the text fits in w x h with a margin, or 0.
int FitScale(const std::string& text, int w, int h, int limit) {
  for (int s = limit; s >= 1; --s) {
    if (Canvas::TextWidth(text, s) + 6 <= w && Canvas::TextHeight(s) + 6 <= h) return s;
  }
  return 0;
}

// A decoded picture file; empty when the file is missing or no loader takes it.
class PictureFile {
 public:
  explicit PictureFile(const std::string& path) {
    // A regular file only, as the library reads pictures: a named pipe is never waited on.
    toolrun::RegularFile file;
    std::string refusal;
    if (!toolrun::ReadRegularFile(path, &file, &refusal, toolrun::kInputLimit)) return;
    const std::string& bytes = file.bytes;
    morrow::StreamSource stream;
    if (!morrow::OpenMemoryStreamSource(bytes.data(), bytes.size(), &stream)) return;
    read_ = morrow::LoadImageThroughLoaders(&stream, &image_) == 0;
    stream.functions.close(stream.handle);
  }
  ~PictureFile() { morrow::FreeGraphImage(&image_); }
  PictureFile(const PictureFile&) = delete;
  PictureFile& operator=(const PictureFile&) = delete;

  bool read() const { return read_; }
  int width() const { return image_.width; }
  int height() const { return image_.height; }
  Rgb At(int x, int y) const {
    const uint32_t argb = morrow::GetGraphImagePixel(&image_, x, y);
    return {static_cast<uint8_t>(argb >> 16), static_cast<uint8_t>(argb >> 8),
            static_cast<uint8_t>(argb)};
  }

 private:
  morrow::GraphImage image_{};
  bool read_ = false;
};

}  // namespace

std::vector<LabelLine> FallbackLabel(int w, int h, int index, const std::string& name) {
  if (w < 3 || h < 3) return {};
  const std::string number = std::to_string(index);
  const int s = FitScale(number, w, h, std::clamp(std::min(w, h) / 40, 1, 2));
  if (s == 0) return {};
  std::vector<LabelLine> lines = {{3, 3, number, s}};
  const int nameTop = 3 + Canvas::TextHeight(s) + s + 1;
  const int ns = FitScale(name, w, h - nameTop + 3, s);
  if (ns > 0) lines.push_back({3, nameTop, name, ns});
  return lines;
}

bool ShowsFallbackLabel(const PixelAt& at, int x, int y, int w, int h, int index,
                        const std::string& name) {
  const std::vector<LabelLine> lines = FallbackLabel(w, h, index, name);
  if (lines.empty()) return false;
  constexpr Rgb kPaper = {0, 0, 0}, kLetter = {255, 255, 255};
  std::optional<Rgb> ink;
  // Letters first, so that the paper can be held against their colour.
  for (bool letters : {true, false}) {
    for (const LabelLine& line : lines) {
      const int lw = Canvas::TextWidth(line.text, line.scale), lh = Canvas::TextHeight(line.scale);
      Canvas mask(lw, lh, kPaper);
      mask.Text(0, 0, line.text, line.scale, kLetter);
      for (int v = 0; v < lh; ++v) {
        for (int u = 0; u < lw; ++u) {
          if ((mask.At(u, v) == kLetter) != letters) continue;
          const Rgb p = at(x + line.x + u, y + line.y + v);
          if (letters && !ink) ink = p;
          if ((p == *ink) != letters) return false;
        }
      }
    }
  }
  return ink.has_value();
}

std::vector<int> LabelledCells(const DemoPicture& p, const PixelAt& at) {
  std::vector<int> cells;
  const veyrdale::PictureGrid& g = p.grid;
  for (int i = 0; i < g.cells && i < g.columns * g.rows; ++i) {
    if (ShowsFallbackLabel(at, (i % g.columns) * g.cellWidth, (i / g.columns) * g.cellHeight,
                           g.cellWidth, g.cellHeight, i, p.label)) {
      cells.push_back(i);
    }
  }
  return cells;
}

std::vector<LabelledPicture> LabelledPlaceholders(const std::string& root) {
  std::vector<LabelledPicture> out;
  for (const DemoPicture& p : DemoPictures()) {
    const PictureFile file((root.empty() ? std::string(".") : root) + "/" + p.file);
    if (!file.read()) continue;
    std::vector<int> cells = LabelledCells(p, [&](int x, int y) {
      // Outside a short file the paper reads as the transparent colour: no label there.
      return x < file.width() && y < file.height() ? file.At(x, y) : kGreen;
    });
    if (!cells.empty()) out.push_back({p.file, std::move(cells)});
  }
  return out;
}

}  // namespace demo
