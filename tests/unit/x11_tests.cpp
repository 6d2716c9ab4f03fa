// Scaling pictures to their drawn size, which the end-to-end screenshots see
// only in blocks. The X11 backend's double click has no effect: the saver
// ends on the first press, and the dialog is GTK's.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/x11/x11_scale.h"

namespace vss::x11 {
namespace {

// A 24-bit top-down picture of one row per string of colours.
class Picture {
 public:
  Picture(int width, const std::vector<std::uint32_t>& pixels) {
    const int height = static_cast<int>(pixels.size()) / width;
    const int stride = (width * 3 + 3) / 4 * 4;
    bytes_.assign(40 + static_cast<std::size_t>(stride) * height, 0);
    const std::int32_t header[] = {40, width, -height};
    std::memcpy(bytes_.data(), header, sizeof header);
    bytes_[12] = 1;   // planes
    bytes_[14] = 24;  // bits per pixel
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        const std::uint32_t rgb = pixels[static_cast<std::size_t>(y * width + x)];
        std::uint8_t* p = &bytes_[40 + static_cast<std::size_t>(y * stride + x * 3)];
        p[0] = rgb & 0xFF;
        p[1] = rgb >> 8 & 0xFF;
        p[2] = rgb >> 16 & 0xFF;
      }
    }
  }
  runtime::Dib Dib() const { return *runtime::Dib::Parse(bytes_.data(), bytes_.size()); }

 private:
  std::vector<std::uint8_t> bytes_;
};

constexpr std::uint32_t R = 0xFF0000, B = 0x0000FF, W = 0xFFFFFF, K = 0;

TEST(ScalePicture, EnlargesByNearestNeighbourAndShrinksByAreaSoThinLinesStay) {
  EXPECT_EQ(ScalePicture(Picture(2, {R, B, W, K}).Dib(), 4, 2),
            (std::vector<std::uint32_t>{R, R, B, B, W, W, K, K}));
  // A line one pixel wide in an 8 x 8 picture, shrunk to 2 x 2.
  std::vector<std::uint32_t> pixels(64, K);
  for (int y = 0; y < 8; ++y) pixels[static_cast<std::size_t>(y * 8 + 3)] = W;
  EXPECT_EQ(ScalePicture(Picture(8, pixels).Dib(), 2, 2),
            (std::vector<std::uint32_t>{0x404040, K, 0x404040, K}));
  // Three to two: the middle pixel is shared by both, a third to each side.
  EXPECT_EQ(ScalePicture(Picture(3, {K, 0x00F000, 0x000090}).Dib(), 2, 1),
            (std::vector<std::uint32_t>{0x005000, 0x005060}));
}

}  // namespace
}  // namespace vss::x11
