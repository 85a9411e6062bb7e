// An RGB picture to draw placeholders on: filled boxes, outlines, discs, rings, ellipses, thick
// lines, triangles and text in a small built-in font of 3 x 5 pixels (digits, letters, '_', '.',
// '-', '/'), and its PNG file. Shapes are not smoothed: an edge pixel blended toward the green
// around it could turn transparent on a 16-bit screen, so every pixel is a shape's own colour.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace demo {

struct Rgb {
  uint8_t r, g, b;
  bool operator==(const Rgb&) const = default;
};

// The transparent colour of every picture the game loads.
inline constexpr Rgb kGreen = {0, 255, 0};

class Canvas {
 public:
  Canvas(int width, int height, Rgb fill);

  int width() const { return width_; }
  int height() const { return height_; }
  const std::vector<uint8_t>& pixels() const { return rgb_; }  // rows of width x 3 bytes
  Rgb At(int x, int y) const;

  // Everything is clipped to the picture.
  void Fill(int x, int y, int w, int h, Rgb c);
  void Outline(int x, int y, int w, int h, Rgb c);
  // Shapes in pixel coordinates, where pixel (x, y) is the square from (x, y) to (x + 1, y + 1):
  // a pixel is painted when its centre lies inside.
  void Disc(double cx, double cy, double r, Rgb c);
  void Ring(double cx, double cy, double inner, double outer, Rgb c);
  // An ellipse with radii rx along `angle` (radians, counter-clockwise on the screen) and ry
  // across it.
  void Ellipse(double cx, double cy, double rx, double ry, double angle, Rgb c);
  // A line with round ends, `width` across.
  void Line(double x0, double y0, double x1, double y1, double width, Rgb c);
  void Triangle(double x0, double y0, double x1, double y1, double x2, double y2, Rgb c);
  // Text with its top-left corner at (x, y), each font pixel scale x scale. Letters are drawn
  // lower case; a character the font lacks is a blank.
  void Text(int x, int y, std::string_view text, int scale, Rgb c);
  // Text with a one-pixel dark edge around every stroke, legible on any background.
  void EdgedText(int x, int y, std::string_view text, int scale, Rgb c, Rgb edge);

  // 3 + 1 font pixels per character, 5 rows.
  static int TextWidth(std::string_view text, int scale);
  static int TextHeight(int scale) { return 5 * scale; }

 private:
  // Paints c on every pixel of the box x0..x1, y0..y1 whose centre `inside` takes.
  template <typename Inside>
  void Paint(double x0, double y0, double x1, double y1, Rgb c, Inside inside);

  int width_, height_;
  std::vector<uint8_t> rgb_;
};

// Writes the canvas as an 8-bit RGB PNG. The bytes depend on the pixels only (no time stamp),
// so the same picture gives the same file. false with a reason on failure.
bool WritePng(const std::string& path, const Canvas& canvas, std::string* error);
// The same bytes WritePng writes, in memory.
bool EncodePng(const Canvas& canvas, std::string* bytes, std::string* error);

}  // namespace demo
