#include "api/vbnum.h"

#include <cfloat>
#include <cmath>
#include <limits>

namespace vss {

namespace {

[[noreturn]] void Overflow() { throw RuntimeError(ErrorNumber::Overflow, "Overflow"); }

template <typename Int>
Int RoundChecked(double value) {
  const double rounded = RoundHalfEven(value);
  // NaN fails both comparisons and is an overflow too.
  if (!(rounded >= static_cast<double>(std::numeric_limits<Int>::min()) &&
        rounded <= static_cast<double>(std::numeric_limits<Int>::max()))) {
    Overflow();
  }
  return static_cast<Int>(rounded);
}

}  // namespace

double RoundHalfEven(double value) {
  if (!std::isfinite(value)) return value;
  const double floor = std::floor(value);
  const double diff = value - floor;
  if (diff < 0.5) return floor;
  if (diff > 0.5) return floor + 1.0;
  return std::fmod(floor, 2.0) == 0.0 ? floor : floor + 1.0;
}

std::int16_t CInt(double value) { return RoundChecked<std::int16_t>(value); }

std::int32_t CLng(double value) { return RoundChecked<std::int32_t>(value); }

float CSng(double value) {
  if (std::isnan(value) || std::fabs(value) > static_cast<double>(FLT_MAX)) Overflow();
  return static_cast<float>(value);
}

std::int32_t AddLng(std::int32_t a, std::int32_t b) {
  std::int32_t result = 0;
  if (__builtin_add_overflow(a, b, &result)) Overflow();
  return result;
}

std::int32_t MulLng(std::int32_t a, std::int32_t b) {
  std::int32_t result = 0;
  if (__builtin_mul_overflow(a, b, &result)) Overflow();
  return result;
}

}  // namespace vss
