// Arithmetic whose results are the same bit for bit on every IEEE-754 machine:
// only +, -, *, /, sqrt and floor, which the standard requires to be correctly
// rounded, so no libm transcendental can make the media differ between C libraries.
// The generator must also be built without floating-point contraction (no FMA).
#pragma once

#include <cmath>

namespace mediagen {

constexpr double kPi = 3.14159265358979323846;

inline double clamp(double v, double lo, double hi) { return v < lo ? lo : (v > hi ? hi : v); }
inline double clamp01(double v) { return clamp(v, 0.0, 1.0); }
inline double mix(double a, double b, double t) { return a + (b - a) * t; }
inline double smoothstep(double e0, double e1, double x) {
  const double t = clamp01((x - e0) / (e1 - e0));
  return t * t * (3.0 - 2.0 * t);
}
inline double sqrtd(double v) { return std::sqrt(v > 0.0 ? v : 0.0); }

// sin by reduction to [-pi/2, pi/2] and an odd Taylor polynomial (error < 1e-12 there).
inline double sind(double x) {
  const double twoPi = 2.0 * kPi;
  x -= twoPi * std::floor(x / twoPi + 0.5);  // now in [-pi, pi]
  if (x > kPi / 2) x = kPi - x;
  if (x < -kPi / 2) x = -kPi - x;
  const double x2 = x * x;
  double term = x, sum = x;
  for (int n = 1; n <= 9; ++n) {
    term *= -x2 / ((2.0 * n) * (2.0 * n + 1.0));
    sum += term;
  }
  return sum;
}
inline double cosd(double x) { return sind(x + kPi / 2); }

// exp by halving the argument into [-1/1024, 1/1024], a Taylor series, and squaring back.
inline double expd(double x) {
  int halvings = 0;
  while (x > 1.0 / 1024 || x < -1.0 / 1024) {
    x *= 0.5;
    ++halvings;
  }
  double r = 1.0 + x * (1.0 + x * (0.5 + x * (1.0 / 6 + x * (1.0 / 24 + x / 120))));
  while (halvings-- > 0) r *= r;
  return r;
}

inline double powi(double b, int e) {
  double r = 1.0;
  while (e > 0) {
    if (e & 1) r *= b;
    b *= b;
    e >>= 1;
  }
  return r;
}

struct Vec2 {
  double x = 0, y = 0;
};
inline Vec2 operator+(Vec2 a, Vec2 b) { return {a.x + b.x, a.y + b.y}; }
inline Vec2 operator-(Vec2 a, Vec2 b) { return {a.x - b.x, a.y - b.y}; }
inline Vec2 operator*(Vec2 a, double s) { return {a.x * s, a.y * s}; }
inline double dot(Vec2 a, Vec2 b) { return a.x * b.x + a.y * b.y; }
inline double length(Vec2 a) { return sqrtd(dot(a, a)); }
inline Vec2 normalize(Vec2 a) {
  const double l = length(a);
  return l > 0 ? a * (1.0 / l) : Vec2{0, 0};
}

struct Vec3 {
  double x = 0, y = 0, z = 0;
};
inline double dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline Vec3 normalize(Vec3 a) {
  const double l = sqrtd(dot(a, a));
  return {a.x / l, a.y / l, a.z / l};
}

}  // namespace mediagen
