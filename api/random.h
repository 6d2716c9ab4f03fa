// The runtime's random-number generator: a 24-bit linear congruential
// sequence, reseeded from the clock. Portable, so every backend draws alike.
#pragma once

#include <cstdint>

namespace vss {

class RandomNumbers {
 public:
  // Mixes the seconds since midnight into the seed, as the runtime's
  // argument-less reseed does with its timer.
  void Randomize(double secondsSinceMidnight);
  // Next single in [0, 1); the largest value is the largest single below 1.
  float Next();

 private:
  std::uint32_t seed_ = 0x50000;
};

}  // namespace vss
