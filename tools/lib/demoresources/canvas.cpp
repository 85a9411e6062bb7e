#include "tools/lib/demoresources/canvas.h"

#include <algorithm>
#include <cmath>

#include "platform/png_file.h"

namespace demo {

namespace {

// Five rows of three pixels, the leftmost pixel in bit 2 of each row.
struct Glyph {
  char c;
  uint8_t rows[5];
};
constexpr Glyph kFont[] = {
    {'0', {7, 5, 5, 5, 7}}, {'1', {2, 6, 2, 2, 7}}, {'2', {7, 1, 7, 4, 7}}, {'3', {7, 1, 7, 1, 7}},
    {'4', {5, 5, 7, 1, 1}}, {'5', {7, 4, 7, 1, 7}}, {'6', {7, 4, 7, 5, 7}}, {'7', {7, 1, 1, 2, 2}},
    {'8', {7, 5, 7, 5, 7}}, {'9', {7, 5, 7, 1, 7}}, {'a', {2, 5, 7, 5, 5}}, {'b', {6, 5, 6, 5, 6}},
    {'c', {3, 4, 4, 4, 3}}, {'d', {6, 5, 5, 5, 6}}, {'e', {7, 4, 6, 4, 7}}, {'f', {7, 4, 6, 4, 4}},
    {'g', {3, 4, 5, 5, 3}}, {'h', {5, 5, 7, 5, 5}}, {'i', {7, 2, 2, 2, 7}}, {'j', {1, 1, 1, 5, 2}},
    {'k', {5, 5, 6, 5, 5}}, {'l', {4, 4, 4, 4, 7}}, {'m', {5, 7, 7, 5, 5}}, {'n', {6, 5, 5, 5, 5}},
    {'o', {2, 5, 5, 5, 2}}, {'p', {6, 5, 6, 4, 4}}, {'q', {3, 5, 5, 3, 1}}, {'r', {6, 5, 6, 5, 5}},
    {'s', {3, 4, 2, 1, 6}}, {'t', {7, 2, 2, 2, 2}}, {'u', {5, 5, 5, 5, 7}}, {'v', {5, 5, 5, 5, 2}},
    {'w', {5, 5, 7, 7, 5}}, {'x', {5, 5, 2, 5, 5}}, {'y', {5, 5, 2, 2, 2}}, {'z', {7, 1, 2, 4, 7}},
    {'_', {0, 0, 0, 0, 7}}, {'.', {0, 0, 0, 0, 2}}, {'-', {0, 0, 7, 0, 0}}, {'/', {1, 1, 2, 4, 4}},
};

const Glyph* FindGlyph(char c) {
  if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  for (const Glyph& g : kFont) {
    if (g.c == c) return &g;
  }
  return nullptr;
}

}  // namespace

Canvas::Canvas(int width, int height, Rgb fill)
    : width_(std::max(width, 1)), height_(std::max(height, 1)) {
  rgb_.resize(static_cast<size_t>(width_) * static_cast<size_t>(height_) * 3);
  for (size_t i = 0; i < rgb_.size(); i += 3) {
    rgb_[i] = fill.r;
    rgb_[i + 1] = fill.g;
    rgb_[i + 2] = fill.b;
  }
}

Rgb Canvas::At(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return {0, 0, 0};
  size_t i = (static_cast<size_t>(y) * static_cast<size_t>(width_) + static_cast<size_t>(x)) * 3;
  return {rgb_[i], rgb_[i + 1], rgb_[i + 2]};
}

void Canvas::Fill(int x, int y, int w, int h, Rgb c) {
  int x0 = std::max(x, 0), y0 = std::max(y, 0);
  int x1 = std::min(x + w, width_), y1 = std::min(y + h, height_);
  for (int py = y0; py < y1; ++py) {
    uint8_t* row = rgb_.data() + static_cast<size_t>(py) * static_cast<size_t>(width_) * 3;
    for (int px = x0; px < x1; ++px) {
      row[px * 3] = c.r;
      row[px * 3 + 1] = c.g;
      row[px * 3 + 2] = c.b;
    }
  }
}

void Canvas::Outline(int x, int y, int w, int h, Rgb c) {
  if (w <= 0 || h <= 0) return;
  Fill(x, y, w, 1, c);
  Fill(x, y + h - 1, w, 1, c);
  Fill(x, y, 1, h, c);
  Fill(x + w - 1, y, 1, h, c);
}

template <typename Inside>
void Canvas::Paint(double x0, double y0, double x1, double y1, Rgb c, Inside inside) {
  const int left = std::max(static_cast<int>(std::floor(x0)), 0);
  const int top = std::max(static_cast<int>(std::floor(y0)), 0);
  const int right = std::min(static_cast<int>(std::ceil(x1)), width_);
  const int bottom = std::min(static_cast<int>(std::ceil(y1)), height_);
  for (int py = top; py < bottom; ++py) {
    uint8_t* row = rgb_.data() + static_cast<size_t>(py) * static_cast<size_t>(width_) * 3;
    for (int px = left; px < right; ++px) {
      if (!inside(px + 0.5, py + 0.5)) continue;
      row[px * 3] = c.r;
      row[px * 3 + 1] = c.g;
      row[px * 3 + 2] = c.b;
    }
  }
}

void Canvas::Disc(double cx, double cy, double r, Rgb c) {
  Ring(cx, cy, -1.0, r, c);
}

void Canvas::Ring(double cx, double cy, double inner, double outer, Rgb c) {
  const double in2 = inner < 0 ? -1.0 : inner * inner, out2 = outer * outer;
  Paint(cx - outer, cy - outer, cx + outer, cy + outer, c, [&](double x, double y) {
    const double d2 = (x - cx) * (x - cx) + (y - cy) * (y - cy);
    return d2 <= out2 && d2 >= in2;
  });
}

void Canvas::Ellipse(double cx, double cy, double rx, double ry, double angle, Rgb c) {
  if (rx <= 0 || ry <= 0) return;
  const double ca = std::cos(angle), sa = std::sin(angle), reach = std::max(rx, ry);
  Paint(cx - reach, cy - reach, cx + reach, cy + reach, c, [&](double x, double y) {
    // Screen y grows downwards: a counter-clockwise angle turns toward -y.
    const double u = (x - cx) * ca - (y - cy) * sa, v = (x - cx) * sa + (y - cy) * ca;
    return (u * u) / (rx * rx) + (v * v) / (ry * ry) <= 1.0;
  });
}

void Canvas::Line(double x0, double y0, double x1, double y1, double width, Rgb c) {
  const double r = width / 2, dx = x1 - x0, dy = y1 - y0, length2 = dx * dx + dy * dy;
  Paint(std::min(x0, x1) - r, std::min(y0, y1) - r, std::max(x0, x1) + r, std::max(y0, y1) + r, c,
        [&](double x, double y) {
          double t = length2 > 0 ? ((x - x0) * dx + (y - y0) * dy) / length2 : 0.0;
          t = std::clamp(t, 0.0, 1.0);
          const double ex = x - (x0 + t * dx), ey = y - (y0 + t * dy);
          return ex * ex + ey * ey <= r * r;
        });
}

void Canvas::Triangle(double x0, double y0, double x1, double y1, double x2, double y2, Rgb c) {
  auto side = [](double ax, double ay, double bx, double by, double x, double y) {
    return (bx - ax) * (y - ay) - (by - ay) * (x - ax);
  };
  Paint(std::min({x0, x1, x2}), std::min({y0, y1, y2}), std::max({x0, x1, x2}),
        std::max({y0, y1, y2}), c, [&](double x, double y) {
          const double a = side(x0, y0, x1, y1, x, y), b = side(x1, y1, x2, y2, x, y),
                       d = side(x2, y2, x0, y0, x, y);
          return (a >= 0 && b >= 0 && d >= 0) || (a <= 0 && b <= 0 && d <= 0);
        });
}

void Canvas::Text(int x, int y, std::string_view text, int scale, Rgb c) {
  for (char ch : text) {
    const Glyph* g = FindGlyph(ch);
    if (g != nullptr) {
      for (int row = 0; row < 5; ++row) {
        for (int col = 0; col < 3; ++col) {
          if ((g->rows[row] >> (2 - col)) & 1)
            Fill(x + col * scale, y + row * scale, scale, scale, c);
        }
      }
    }
    x += 4 * scale;
  }
}

void Canvas::EdgedText(int x, int y, std::string_view text, int scale, Rgb c, Rgb edge) {
  for (int dy = -1; dy <= 1; ++dy) {
    for (int dx = -1; dx <= 1; ++dx) {
      if (dx != 0 || dy != 0) Text(x + dx, y + dy, text, scale, edge);
    }
  }
  Text(x, y, text, scale, c);
}

int Canvas::TextWidth(std::string_view text, int scale) {
  if (text.empty()) return 0;
  return static_cast<int>(text.size()) * 4 * scale - scale;
}

namespace {

// Placeholders are large flat areas: the fastest compression keeps the whole tree well under a
// minute and still shrinks them to a few kilobytes.
platform::PngCompression Fast() {
  platform::PngCompression fast;
  fast.level = 1;
  fast.rowFilters = false;
  return fast;
}

}  // namespace

bool WritePng(const std::string& path, const Canvas& canvas, std::string* error) {
  // The writer's reasons name the file already.
  return platform::WritePngRgb(path, canvas.width(), canvas.height(), canvas.pixels().data(), error,
                               Fast());
}

bool EncodePng(const Canvas& canvas, std::string* bytes, std::string* error) {
  return platform::EncodePngRgb(canvas.width(), canvas.height(), canvas.pixels().data(), bytes,
                                error, Fast());
}

}  // namespace demo
