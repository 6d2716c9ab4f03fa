#include "platform/x11/x11_scale.h"

#include <cmath>
#include <cstdlib>

namespace vss::x11 {

namespace {

constexpr std::uint32_t One = 1u << 16;

// Which source pixels make up each pixel along one axis, with weights in
// 1/65536 that add up to One.
struct Tap {
  int source;
  std::uint32_t weight;
};

std::vector<std::vector<Tap>> Taps(int source, int target, bool mirrored) {
  std::vector<std::vector<Tap>> taps(static_cast<std::size_t>(target));
  const double step = static_cast<double>(source) / target;
  for (int i = 0; i < target; ++i) {
    auto& out = taps[static_cast<std::size_t>(mirrored ? target - 1 - i : i)];
    if (target >= source) {
      out.push_back({std::min(source - 1, static_cast<int>((i + 0.5) * step)), One});
      continue;
    }
    const double from = i * step, to = (i + 1) * step;
    std::uint32_t given = 0;
    for (int j = static_cast<int>(from); j < source && j < to; ++j) {
      const double cover = std::min<double>(to, j + 1) - std::max<double>(from, j);
      const auto weight = static_cast<std::uint32_t>(std::lround(cover / step * One));
      if (weight == 0) continue;
      out.push_back({j, weight});
      given += weight;
    }
    out.back().weight += One - given;  // rounding goes to the last tap
  }
  return taps;
}

std::uint32_t Channel(std::uint32_t rgb, int shift) { return rgb >> shift & 0xFFu; }

std::uint32_t Mix(const std::vector<Tap>& taps, const std::uint32_t* line, std::size_t stride) {
  std::uint32_t r = 0, g = 0, b = 0;
  for (const Tap& tap : taps) {
    const std::uint32_t rgb = line[static_cast<std::size_t>(tap.source) * stride];
    r += Channel(rgb, 16) * tap.weight;
    g += Channel(rgb, 8) * tap.weight;
    b += Channel(rgb, 0) * tap.weight;
  }
  const std::uint32_t half = One / 2;
  return (r + half) >> 16 << 16 | (g + half) >> 16 << 8 | (b + half) >> 16;
}

}  // namespace

std::vector<std::uint32_t> ScalePicture(const runtime::Dib& picture, int width, int height) {
  const int sw = picture.Width(), sh = picture.Height();
  const int dw = std::abs(width), dh = std::abs(height);
  std::vector<std::uint32_t> source(static_cast<std::size_t>(sw) * sh);
  for (int y = 0; y < sh; ++y) {
    for (int x = 0; x < sw; ++x) source[static_cast<std::size_t>(y) * sw + x] = picture.Rgb(x, y);
  }
  const auto across = Taps(sw, dw, width < 0);
  const auto down = Taps(sh, dh, height < 0);
  std::vector<std::uint32_t> rows(static_cast<std::size_t>(sh) * dw);
  for (int y = 0; y < sh; ++y) {
    for (int x = 0; x < dw; ++x) {
      rows[static_cast<std::size_t>(y) * dw + x] =
          Mix(across[static_cast<std::size_t>(x)], &source[static_cast<std::size_t>(y) * sw], 1);
    }
  }
  std::vector<std::uint32_t> out(static_cast<std::size_t>(dw) * dh);
  for (int y = 0; y < dh; ++y) {
    for (int x = 0; x < dw; ++x) {
      out[static_cast<std::size_t>(y) * dw + x] =
          Mix(down[static_cast<std::size_t>(y)], &rows[static_cast<std::size_t>(x)],
              static_cast<std::size_t>(dw));
    }
  }
  return out;
}

}  // namespace vss::x11
