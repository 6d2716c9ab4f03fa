// What a backend's PlaySoundA hands the clip to: the platform's sound
// device, played in the background.
#pragma once

#include <cstdint>

#include "api/basWin32API.h"

namespace vss::runtime {

class SoundOutput {
 public:
  virtual ~SoundOutput() = default;
  // A RIFF WAVE image, played in the background, once or looped.
  virtual void Play(const std::uint8_t* riffImage, bool loop) = 0;
  virtual void Stop() = 0;
};

// PlaySoundA where the platform has no such call: an in-memory wave image
// (SND_MEMORY), looped with SND_LOOP, always in the background; null stops
// what plays. Sound files by name are not used by the program and not
// offered.
inline std::int32_t PlaySoundOn(SoundOutput& output, const void* pszSound, std::int32_t fdwSound) {
  if (pszSound == nullptr) {
    output.Stop();
    return 1;
  }
  if ((fdwSound & SND_MEMORY) == 0) return 0;
  output.Play(static_cast<const std::uint8_t*>(pszSound), (fdwSound & SND_LOOP) != 0);
  return 1;
}

}  // namespace vss::runtime
