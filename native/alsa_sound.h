// Asynchronous playback of an in-memory RIFF WAVE image through ALSA's
// "default" device: what PlaySoundA gives the saver with SND_ASYNC |
// SND_MEMORY (once, or with SND_LOOP until stopped) and with a null sound.
//
// Sound is a nicety: no sound card, a busy device or an audio server that is
// gone give silence, never an error, a message or a wait for the caller.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>

namespace vss::native {

// The playable part of a RIFF WAVE image.
struct WaveClip {
  unsigned channels = 0;                  // 1 or 2
  unsigned bitsPerSample = 0;             // 8 (unsigned) or 16 (signed, little-endian)
  unsigned rate = 0;                      // frames per second
  const std::uint8_t* samples = nullptr;  // inside the image
  std::size_t frames = 0;
};

// Reads the image that begins at `image`, no further than its RIFF header
// says it reaches; nullopt unless it is a PCM WAVE the player can play.
std::optional<WaveClip> ParseWave(const std::uint8_t* image);

class SoundPlayer {
 public:
  SoundPlayer();  // opens no device
  // Stops, and waits for the player's thread half a second at most: a
  // device that blocks (an open or a write that never returns) must not
  // keep the process from ending, which then takes the thread along.
  ~SoundPlayer();
  SoundPlayer(const SoundPlayer&) = delete;
  SoundPlayer& operator=(const SoundPlayer&) = delete;

  // Starts playing the image at `image`, once or looped until stopped,
  // replacing whatever plays, and returns at once; the samples are copied,
  // so the caller may free the image as soon as this returns. False (and
  // nothing plays) when the image is not a playable PCM WAVE.
  bool Play(const std::uint8_t* image, bool loop);

  // Stops whatever plays; returns at once. The device is released within
  // moments, as soon as the player's thread sees the request.
  void Stop();

  // True from Play until the clip has ended, failed or been stopped and the
  // device is closed again.
  bool Playing() const;

 private:
  struct Impl;
  std::shared_ptr<Impl> impl_;  // shared with the player's thread
};

}  // namespace vss::native
