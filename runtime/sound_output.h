// What a backend's PlaySoundA hands the clip to: the platform's sound
// device, played in the background.
#pragma once

#include <cstdint>

namespace vss::runtime {

class SoundOutput {
 public:
  virtual ~SoundOutput() = default;
  // A RIFF WAVE image, played in the background, once or looped.
  virtual void Play(const std::uint8_t* riffImage, bool loop) = 0;
  virtual void Stop() = 0;
};

}  // namespace vss::runtime
