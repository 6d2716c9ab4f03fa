// Scaling pictures to their drawn size, which the end-to-end screenshots see
// only in blocks, and the key code each keysym reports, which they do not
// see at all (any key ends the saver).
#include <X11/XF86keysym.h>
#include <X11/keysym.h>
#include <gtest/gtest.h>

#include <cstring>

#include "runtime/keysyms.h"
#include "runtime/picture_scale.h"

namespace vss::runtime {
namespace {

// A 32-bit top-down picture, rows of `width` colours.
struct Picture {
  Picture(int width, const std::vector<std::uint32_t>& pixels) : bytes(40 + 4 * pixels.size()) {
    const auto height = static_cast<std::int32_t>(pixels.size()) / width;
    const std::int32_t header[] = {40, width, -height, 32 << 16 | 1};  // bits, planes
    std::memcpy(bytes.data(), header, sizeof header);
    std::memcpy(bytes.data() + 40, pixels.data(), 4 * pixels.size());
  }
  runtime::Dib Dib() const { return *runtime::Dib::Parse(bytes.data(), bytes.size()); }
  std::vector<std::uint8_t> bytes;
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

// Windows' documented virtual-key numbers, for keys of every kind.
TEST(KeyCodeOfKeysym, TheWindowsVirtualKeyElseTheCodeOfAKeyWithout) {
  // The last two have none (0 is NoSymbol): Windows gives such a key 0xFF.
  const std::pair<std::uint32_t, int> cases[] = {
      {XK_a, 0x41},         {XK_7, 0x37},      {XK_KP_7, 0x67},      {XK_F13, 0x7C},
      {XK_KP_Begin, 0x0C},  {XK_Cancel, 0x03}, {XK_Kanji, 0x19},     {XF86XK_AudioMute, 0xAD},
      {XK_semicolon, 0xBA}, {XK_less, 0xE2},   {XK_Multi_key, 0xFF}, {0, 0xFF}};
  for (const auto& [keysym, code] : cases) {
    EXPECT_EQ(runtime::KeyCodeOfKeysym(keysym), code) << std::hex << keysym;
  }
}

}  // namespace
}  // namespace vss::runtime
