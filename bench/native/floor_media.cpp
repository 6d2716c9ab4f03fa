#include "bench/native/floor_media.h"

#include <alsa/asoundlib.h>

#include <cstring>
#include <vector>

#include "runtime/resources.h"

namespace vss::bench {

namespace {

using runtime::FindEmbeddedResource;

std::uint32_t Le32(const std::uint8_t* p) {
  return p[0] | p[1] << 8 | p[2] << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

}  // namespace

void ScaleFrame(int id, int width, int height,
                const std::function<void(int y, const std::uint32_t* row)>& take) {
  const auto bytes = FindEmbeddedResource({2, ""}, id);
  const std::uint8_t* info = bytes.Data;
  const int w = static_cast<int>(Le32(info + 4)), h = static_cast<int>(Le32(info + 8));
  const std::uint32_t colours = Le32(info + 32) ? Le32(info + 32) : 256;
  const std::uint8_t* palette = info + Le32(info);
  const std::uint8_t* bits = palette + colours * 4;
  const int stride = (w + 3) & ~3;
  std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width));
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* row = bits + static_cast<std::size_t>(h - 1 - y * h / height) * stride;
    for (int x = 0; x < width; ++x) {
      const std::uint8_t* c = palette + row[x * w / width] * 4;
      pixels[static_cast<std::size_t>(x)] =
          static_cast<std::uint32_t>(c[2]) << 16 | c[1] << 8 | c[0];
    }
    take(y, pixels.data());
  }
}

void PlayClipLooped() {
  const auto wave = FindEmbeddedResource({0, "WAVE"}, 101);
  const std::uint8_t* p = wave.Data + 12;
  unsigned channels = 1, rate = 8000, bits = 16;
  const std::uint8_t* samples = nullptr;
  std::uint32_t size = 0;
  while (p + 8 <= wave.Data + wave.Size) {
    const std::uint32_t length = Le32(p + 4);
    if (std::memcmp(p, "fmt ", 4) == 0) {
      channels = p[10] | p[11] << 8;
      rate = Le32(p + 12);
      bits = p[22] | p[23] << 8;
    } else if (std::memcmp(p, "data", 4) == 0) {
      samples = p + 8;
      size = length;
    }
    p += 8 + length + (length & 1);
  }
  snd_pcm_t* pcm = nullptr;
  if (samples == nullptr || snd_pcm_open(&pcm, "default", SND_PCM_STREAM_PLAYBACK, 0) < 0) return;
  const auto format = bits == 8 ? SND_PCM_FORMAT_U8 : SND_PCM_FORMAT_S16_LE;
  if (snd_pcm_set_params(pcm, format, SND_PCM_ACCESS_RW_INTERLEAVED, channels, rate, 1, 200000) <
      0) {
    return;
  }
  const snd_pcm_uframes_t frames = size / (channels * bits / 8);
  for (;;) {
    const snd_pcm_sframes_t written = snd_pcm_writei(pcm, samples, frames);
    if (written < 0) snd_pcm_recover(pcm, static_cast<int>(written), 1);
  }
}

}  // namespace vss::bench
