#include "canvas.h"

namespace mediagen {

namespace {

Vec2 gradientOf(const Shape& shape, Vec2 p) {
  const double h = 0.5;
  const Vec2 g{shape({p.x + h, p.y}) - shape({p.x - h, p.y}),
               shape({p.x, p.y + h}) - shape({p.x, p.y - h})};
  return normalize(g);
}

}  // namespace

void Canvas::paint(const Shape& shape, const Shader& shade, const Shape* clip, double opacity) {
  for (int j = 0; j < h_; ++j) {
    for (int i = 0; i < w_; ++i) {
      const Vec2 p = centre(i, j);
      const double d = shape(p);
      double a = coverage(d);
      if (a <= 0) continue;
      if (clip) a *= coverage((*clip)(p));
      if (a <= 0) continue;
      const Frag f{p, d, gradientOf(shape, p), scale_};
      RGB& dst = at(i, j);
      dst = mix(dst, shade(f), a * opacity);
    }
  }
}

void Canvas::glow(const Shape& shape, RGB colour, double radius, double reach, const Shape* clip) {
  for (int j = 0; j < h_; ++j) {
    for (int i = 0; i < w_; ++i) {
      const Vec2 p = centre(i, j);
      const double d = shape(p);
      if (d >= reach) continue;
      const double t = d > 0 ? d / radius : 0.0;
      double k = (1.0 / (1.0 + t * t)) * (1.0 - smoothstep(0.4 * reach, reach, d));
      if (clip) k *= coverage((*clip)(p));
      at(i, j) = at(i, j) + colour * k;
    }
  }
}

double sdCircle(Vec2 p, Vec2 c, double r) { return length(p - c) - r; }

double sdEllipse(Vec2 p, Vec2 c, double rx, double ry) {
  const Vec2 q = p - c;
  const double k0 = length({q.x / rx, q.y / ry});
  const double k1 = length({q.x / (rx * rx), q.y / (ry * ry)});
  if (k1 == 0) return -(rx < ry ? rx : ry);
  return k0 * (k0 - 1.0) / k1;
}

double sdRoundBox(Vec2 p, Vec2 c, Vec2 half, double r) {
  const double qx = std::fabs(p.x - c.x) - half.x + r;
  const double qy = std::fabs(p.y - c.y) - half.y + r;
  const double ox = qx > 0 ? qx : 0, oy = qy > 0 ? qy : 0;
  const double inner = qx > qy ? qx : qy;
  return length({ox, oy}) + (inner < 0 ? inner : 0) - r;
}

double sdSegment(Vec2 p, Vec2 a, Vec2 b, double r) {
  const Vec2 pa = p - a, ba = b - a;
  const double h = clamp01(dot(pa, ba) / dot(ba, ba));
  return length(pa - ba * h) - r;
}

double sdArcDown(Vec2 p, Vec2 c, double halfAngle, double ra, double rb) {
  Vec2 q = p - c;
  q.x = std::fabs(q.x);
  const Vec2 sc{sind(halfAngle), cosd(halfAngle)};
  if (sc.y * q.x > sc.x * q.y) return length(q - sc * ra) - rb;
  return std::fabs(length(q) - ra) - rb;
}

double sdHeart(Vec2 p, Vec2 tip, double size) {
  Vec2 q{std::fabs(p.x - tip.x) / size, (tip.y - p.y) / size};
  double d;
  if (q.x + q.y > 1.0) {
    d = length(q - Vec2{0.25, 0.75}) - sqrtd(2.0) / 4.0;
  } else {
    const Vec2 a = q - Vec2{0.0, 1.0};
    const double m = 0.5 * (q.x + q.y > 0 ? q.x + q.y : 0.0);
    const Vec2 b = q - Vec2{m, m};
    const double dd = dot(a, a) < dot(b, b) ? dot(a, a) : dot(b, b);
    d = sqrtd(dd) * (q.x - q.y > 0 ? 1.0 : -1.0);
  }
  return d * size;
}

RGB shadeBevel(const Frag& f, RGB base, double bevel, double gloss, bool inset) {
  const double depth = f.d < 0 ? -f.d : 0.0;
  const double c = clamp01(1.0 - depth / bevel);
  const double s = sqrtd(1.0 - c * c);
  const double side = inset ? -c : c;
  const Vec3 n{f.grad.x * side, f.grad.y * side, s};

  static const Vec3 light = normalize({-0.55, -0.8, 0.9});
  static const Vec3 halfway = normalize({-0.55, -0.8, 0.9 + 1.2247});
  static const Vec3 back = normalize({0.7, 0.45, 0.25});

  const double diffuse = dot(n, light) > 0 ? dot(n, light) : 0.0;
  const double nh = dot(n, halfway) > 0 ? dot(n, halfway) : 0.0;
  const double highlight = powi(nh, 48) * gloss;
  const double nb = dot(n, back) > 0 ? dot(n, back) : 0.0;
  const double rim = powi(nb, 3) * 0.45;

  RGB out = base * (0.30 + 0.78 * diffuse);
  out = out + RGB{255, 255, 255} * highlight + RGB{90, 150, 255} * rim;
  return out;
}

}  // namespace mediagen
