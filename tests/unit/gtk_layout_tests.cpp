// What the GTK backend decides without GTK and no end-to-end test sees: the
// lines of the dialog and the window icon. Its access keys are tested on
// the real dialog.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "options/frmOptions.h"
#include "platform/gtk/gtk_icon.h"
#include "platform/gtk/gtk_layout.h"

namespace vss::test {
namespace {

using ::testing::ElementsAre;

// Each line of the dialog's designs, in tab order as the form holds them, as
// "name(index) ...", button lines marked, secondary buttons starred.
std::vector<std::string> Describe(const std::string& container) {
  auto designs = frmOptions::Design().Controls;
  std::stable_sort(designs.begin(), designs.end(),
                   [](const auto& a, const auto& b) { return a.TabIndex < b.TabIndex; });
  std::vector<std::string> lines;
  for (const auto& line : gtk::Lines(designs, container)) {
    std::string text = line.buttons ? "buttons:" : "";
    for (const int i : line.items) {
      const auto& d = designs[static_cast<std::size_t>(i)];
      const bool apart =
          std::find(line.secondary.begin(), line.secondary.end(), i) != line.secondary.end();
      text += " " + d.Name + "(" + std::to_string(d.Index) + ")" + (apart ? "*" : "");
    }
    lines.push_back(text);
  }
  return lines;
}

TEST(GtkLayout, OptionsDialogLinesFollowTheDesignNotTheTabOrder) {
  EXPECT_THAT(Describe(""),
              ElementsAre(" fraSound(0)", "buttons: cmdCommand(2)* cmdCommand(0) cmdCommand(1)"));
  EXPECT_THAT(Describe("fraSound"),
              ElementsAre(" optOption(0)", " optOption(1)", " lblSeconds(0)", " cboSeconds(0)"));
}

TEST(GtkIcon, TheProgramsIconGroupGivesItsThreeImagesOpaque) {
  const auto images = gtk::DecodeIconGroup(
      runtime::FindEmbeddedResource({gtk::IconGroupResource, ""}, 1), [](std::int32_t id) {
        return runtime::FindEmbeddedResource({gtk::IconResource, ""}, id);
      });
  std::vector<int> sizes;
  for (const auto& image : images) {
    sizes.push_back(image.width);
    ASSERT_EQ(image.height, image.width);
    ASSERT_EQ(image.rgba.size(), static_cast<std::size_t>(image.width * image.height * 4));
    // Its mask is all clear: a mask read from the wrong place would show
    // colour bytes as holes.
    int holes = 0;
    for (std::size_t i = 3; i < image.rgba.size(); i += 4) holes += image.rgba[i] == 0;
    EXPECT_EQ(holes, 0) << image.width;
  }
  EXPECT_THAT(sizes, ElementsAre(16, 32, 48));
}

// An 8 x 2 icon with 1-bit colours: header, two colours, colour rows and
// mask rows (each 4 bytes, bottom row first).
std::vector<std::uint8_t> TinyIcon(std::uint8_t bottomMask, std::uint8_t topMask) {
  std::vector<std::uint8_t> b(40 + 8 + 8 + 8, 0);
  b[0] = 40;
  b[4] = 8;
  b[8] = 4;  // twice the height
  b[12] = 1;
  b[14] = 1;
  b[44] = b[45] = b[46] = 0xFF;  // colour 1: white
  b[48] = 0x80;                  // bottom row: white at x = 0
  b[52] = 0x00;                  // top row: all black
  b[56] = bottomMask;
  b[60] = topMask;
  return b;
}

TEST(GtkIcon, TheAndMaskMakesPixelsTransparentRowForRow) {
  const auto bytes = TinyIcon(0x40, 0x80);  // bottom (1,1) and top (0,0) transparent
  const auto image = gtk::DecodeIcon({bytes.data(), bytes.size()});
  ASSERT_TRUE(image);
  ASSERT_EQ(image->height, 2);
  auto pixel = [&image](int x, int y) {
    const std::uint8_t* p = &image->rgba[static_cast<std::size_t>(y * 8 + x) * 4];
    return std::vector<int>{p[0], p[1], p[2], p[3]};
  };
  EXPECT_THAT(pixel(0, 0), ElementsAre(0, 0, 0, 0));
  EXPECT_THAT(pixel(1, 0), ElementsAre(0, 0, 0, 255));
  EXPECT_THAT(pixel(0, 1), ElementsAre(255, 255, 255, 255));
  EXPECT_THAT(pixel(1, 1), ElementsAre(0, 0, 0, 0));
}

}  // namespace
}  // namespace vss::test
