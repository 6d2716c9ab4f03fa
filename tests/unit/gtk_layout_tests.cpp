// What the GTK backend decides without GTK and no end-to-end test sees: the
// lines of the dialog and the window icon. Its access keys are tested on
// the real dialog; the bitmaps' row order, which the icon shares with the
// frames, by the screenshots.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "options/frmOptions.h"
#include "backends/gtk/gtk_icon.h"
#include "backends/gtk/gtk_layout.h"

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

}  // namespace
}  // namespace vss::test
