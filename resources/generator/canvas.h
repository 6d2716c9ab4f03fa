// Anti-aliased painting of signed-distance shapes onto a floating-point RGB canvas.
#pragma once

#include "dmath.h"

#include <functional>
#include <vector>

namespace mediagen {

struct RGB {
  double r = 0, g = 0, b = 0;  // 0..255
};
inline RGB operator+(RGB a, RGB b) { return {a.r + b.r, a.g + b.g, a.b + b.b}; }
inline RGB operator*(RGB a, double s) { return {a.r * s, a.g * s, a.b * s}; }
inline RGB mix(RGB a, RGB b, double t) {
  return {mix(a.r, b.r, t), mix(a.g, b.g, t), mix(a.b, b.b, t)};
}

// Signed distance in figure units: negative inside.
using Shape = std::function<double(Vec2)>;

// What a shader knows about one pixel of a shape.
struct Frag {
  Vec2 p;         // figure coordinates of the pixel centre
  double d = 0;   // signed distance
  Vec2 grad;      // unit outward direction of the boundary
  double px = 1;  // size of one pixel in figure units
};
using Shader = std::function<RGB(const Frag&)>;

// A raster looking at the figure: pixel (i, j) covers the square of side `scale` at
// origin + (i, j) * scale, so the same figure renders at any size.
class Canvas {
 public:
  Canvas(int width, int height, Vec2 origin, double scale, RGB fill = {})
      : w_(width), h_(height), origin_(origin), scale_(scale), px_(width * height, fill) {}
  int width() const { return w_; }
  int height() const { return h_; }
  double pixelSize() const { return scale_; }
  RGB& at(int i, int j) { return px_[j * w_ + i]; }
  const RGB& at(int i, int j) const { return px_[j * w_ + i]; }
  Vec2 centre(int i, int j) const {
    return {origin_.x + (i + 0.5) * scale_, origin_.y + (j + 0.5) * scale_};
  }

  // Composites the shape's shaded colour with coverage from the distance, optionally
  // clipped to another shape and scaled by `opacity`.
  void paint(const Shape& shape, const Shader& shade, const Shape* clip = nullptr,
             double opacity = 1.0);
  // Adds light around a shape that fades with distance and stops at `reach`.
  void glow(const Shape& shape, RGB colour, double radius, double reach,
            const Shape* clip = nullptr);

 private:
  double coverage(double d) const { return clamp01(0.5 - d / scale_); }
  int w_, h_;
  Vec2 origin_;
  double scale_;
  std::vector<RGB> px_;
};

// Shapes (distances are exact or close to it near the boundary, which is what matters
// for anti-aliasing and bevel shading).
double sdCircle(Vec2 p, Vec2 c, double r);
double sdEllipse(Vec2 p, Vec2 c, double rx, double ry);
double sdRoundBox(Vec2 p, Vec2 c, Vec2 half, double r);
double sdSegment(Vec2 p, Vec2 a, Vec2 b, double r);
// Arc of radius `ra` and half-thickness `rb` centred on the downward direction,
// spanning `halfAngle` radians either side of it.
double sdArcDown(Vec2 p, Vec2 c, double halfAngle, double ra, double rb);
// Heart with its tip at `tip`, pointing down, `size` high.
double sdHeart(Vec2 p, Vec2 tip, double size);

// Metal-like shading: a rounded bevel `bevel` wide lit from the upper left.
// `inset` shades the shape as a recess instead of a bulge.
RGB shadeBevel(const Frag& f, RGB base, double bevel, double gloss, bool inset = false);

}  // namespace mediagen
