#include "api/random.h"

#include <cstring>

namespace vss {

void RandomNumbers::Randomize(double secondsSinceMidnight) {
  const auto timer = static_cast<float>(secondsSinceMidnight);
  std::uint32_t bits = 0;
  std::memcpy(&bits, &timer, sizeof bits);
  const std::uint32_t mixed = ((bits >> 16) ^ bits) & 0xFFFFu;
  seed_ = (seed_ & 0xFF0000FFu) | (mixed << 8);
  seed_ &= 0xFFFFFFu;
}

float RandomNumbers::Next() {
  seed_ = (seed_ * 1140671485u + 12820163u) & 0xFFFFFFu;
  return static_cast<float>(seed_) / 16777216.0f;
}

}  // namespace vss
