// The icon decoder that the X11 and GTK windows and the packaged PNGs share
// (the package's test reads the PNGs made of the program's own icon).
#include <gtest/gtest.h>

#include <map>

#include "runtime/icon.h"

namespace vss::runtime {
namespace {

using Bytes = std::vector<std::uint8_t>;

void Put32(Bytes& bytes, std::uint32_t value) {
  for (int k = 0; k < 4; ++k) bytes.push_back(static_cast<std::uint8_t>(value >> (8 * k)));
}

// A 32-bit icon image of rows from the top, each pixel 0xAARRGGBB with
// alpha 0 for a set mask bit; `doubled` overrides the header's height.
Bytes IconBytes(int width, const std::vector<std::uint32_t>& pixels, std::int32_t doubled = 0) {
  const int height = static_cast<int>(pixels.size()) / width;
  Bytes b;
  for (const std::uint32_t v : {40u, static_cast<std::uint32_t>(width),
                                static_cast<std::uint32_t>(doubled ? doubled : 2 * height),
                                32u << 16 | 1u, 0u, 0u, 0u, 0u, 0u, 0u}) {
    Put32(b, v);
  }
  for (int y = height - 1; y >= 0; --y) {
    for (int x = 0; x < width; ++x) Put32(b, pixels[static_cast<std::size_t>(y * width + x)]);
  }
  for (int y = height - 1; y >= 0; --y) {
    std::uint32_t row = 0;  // bits from the most significant, bytes in order
    for (int x = 0; x < width; ++x) {
      if (pixels[static_cast<std::size_t>(y * width + x)] >> 24 == 0) row |= 0x80u >> x;
    }
    Put32(b, row);
  }
  return b;
}

ResourceBytes Of(const Bytes& bytes) { return {bytes.data(), bytes.size()}; }
using Pixels = std::vector<std::uint32_t>;

TEST(IconImage, ColoursRowsFromTheTopAndTheMaskAsTransparency) {
  const Pixels pixels = {0x00FF0000, 0xFF00FF00, 0xFF0000FF, 0x00FFFFFF, 0xFF102030, 0xFF405060};
  const auto image = DecodeIconImage(Of(IconBytes(2, pixels)));
  ASSERT_TRUE(image);
  EXPECT_EQ(std::make_pair(image->Width, image->Height), std::make_pair(2, 3));
  EXPECT_EQ(image->Argb, pixels);

  Bytes truncated = IconBytes(2, pixels);
  truncated.pop_back();  // the mask's last row short
  const std::pair<const char*, Bytes> refused[] = {
      {"odd height", IconBytes(2, pixels, 5)},
      {"no height", IconBytes(2, pixels, -6)},
      {"mask cut short", truncated},
      {"wider than 256", IconBytes(257, Pixels(257, ~0u))}};
  for (const auto& [what, bytes] : refused) EXPECT_FALSE(DecodeIconImage(Of(bytes))) << what;
}

TEST(IconImage, AGroupGivesTheImagesItsIdsFind) {
  // Group 1 names ids 8 (none), 0x107 (an image) and 9 (none this reads);
  // group 2 is a cursor's, naming 0x107 too.
  const Bytes icon = {0, 0, 1,  0, 3, 0, 1, 1, 0, 0, 1, 0, 32, 0, 0, 0, 0,  0, 8, 0, 1, 1, 0, 0,
                      1, 0, 32, 0, 0, 0, 0, 0, 7, 1, 1, 1, 0,  0, 1, 0, 32, 0, 0, 0, 0, 0, 9, 0};
  Bytes cursor(icon.begin(), icon.begin() + 20);
  cursor[2] = 2, cursor[4] = 1, cursor[18] = 7, cursor[19] = 1;
  const Bytes good = IconBytes(1, {0xFF123456}), odd = IconBytes(1, {0xFF123456}, 3);
  const ResourceLookup find = [&](const ResourceType& type, std::int32_t id) {
    const std::map<std::pair<std::int32_t, std::int32_t>, const Bytes*> resources = {
        {{IconGroupResource, 1}, &icon},
        {{IconGroupResource, 2}, &cursor},
        {{IconResource, 0x107}, &good},
        {{IconResource, 9}, &odd}};
    const auto found = resources.find({type.Number, id});
    return found == resources.end() ? ResourceBytes{} : Of(*found->second);
  };
  const auto images = LoadIcon(find, 1);
  ASSERT_EQ(images.size(), 1u);
  EXPECT_EQ(images[0].Argb, Pixels{0xFF123456});
  EXPECT_TRUE(LoadIcon(find, 2).empty());
  EXPECT_TRUE(LoadIcon(find, 3).empty());
}

}  // namespace
}  // namespace vss::runtime
