#include "runtime/picture_scale.h"

#include <cmath>
#include <cstdlib>

namespace vss::runtime {

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

struct Sum {
  std::uint32_t r = 0, g = 0, b = 0;
  void Add(std::uint32_t rgb, std::uint32_t weight) {
    r += Channel(rgb, 16) * weight;
    g += Channel(rgb, 8) * weight;
    b += Channel(rgb, 0) * weight;
  }
  std::uint32_t Rgb() const {
    const std::uint32_t half = One / 2;
    return (r + half) >> 16 << 16 | (g + half) >> 16 << 8 | (b + half) >> 16;
  }
};

}  // namespace

void ScalePicture(const Dib& picture, int width, int height,
                  const std::function<void(int y, const std::uint32_t* pixels)>& row) {
  const int sw = picture.Width(), sh = picture.Height();
  const int dw = std::abs(width), dh = std::abs(height);
  const auto across = Taps(sw, dw, width < 0);
  const auto down = Taps(sh, dh, height < 0);
  // Down first: each row of the result mixes a few source rows into one,
  // then that row is mixed across.
  std::vector<std::uint32_t> mixed(static_cast<std::size_t>(sw));
  std::vector<std::uint32_t> out(static_cast<std::size_t>(dw));
  for (int y = 0; y < dh; ++y) {
    const auto& rows = down[static_cast<std::size_t>(y)];
    for (int x = 0; x < sw; ++x) {
      Sum sum;
      for (const Tap& tap : rows) sum.Add(picture.Rgb(x, tap.source), tap.weight);
      mixed[static_cast<std::size_t>(x)] = sum.Rgb();
    }
    for (int x = 0; x < dw; ++x) {
      Sum sum;
      for (const Tap& tap : across[static_cast<std::size_t>(x)]) {
        sum.Add(mixed[static_cast<std::size_t>(tap.source)], tap.weight);
      }
      out[static_cast<std::size_t>(x)] = sum.Rgb();
    }
    row(y, out.data());
  }
}

std::vector<std::uint32_t> ScalePicture(const Dib& picture, int width, int height) {
  std::vector<std::uint32_t> all;
  all.reserve(static_cast<std::size_t>(std::abs(width)) * std::abs(height));
  ScalePicture(picture, width, height, [&all, width](int, const std::uint32_t* pixels) {
    all.insert(all.end(), pixels, pixels + std::abs(width));
  });
  return all;
}

}  // namespace vss::runtime
