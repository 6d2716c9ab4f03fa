// The saver's sound: a music-box "hello" that rises through a major chord and settles.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace mediagen {

struct ClipLayout {
  uint32_t rate;       // samples per second
  size_t samples;      // all of them, silence included
  size_t leadSilence;  // samples of 128 before the first sound
  size_t tailSilence;  // samples of 128 after the last sound
};

// Unsigned 8-bit samples (128 = silence) with exactly the given silent head and tail.
std::vector<uint8_t> synthesizeClip(const ClipLayout& layout);

}  // namespace mediagen
