// What the native floor programs share: the saver's frames, scaled once,
// and its clip, looped on ALSA's default device.
#pragma once

#include <cstdint>
#include <functional>

namespace vss::bench {

// The 8-bit bitmap resource id at width x height by nearest neighbour, a
// row of 0x00RRGGBB pixels at a time from the top.
void ScaleFrame(int id, int width, int height,
                const std::function<void(int y, const std::uint32_t* row)>& take);

// Plays the WAVE resource 101 over and over; returns only when it cannot.
void PlayClipLooped();

}  // namespace vss::bench
