// What the GTK backend decides without GTK: the lines of a dialog, the
// targets of access keys, mnemonic text and the window icon.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "options/frmOptions.h"
#include "platform/gtk/gtk_icon.h"
#include "platform/gtk/gtk_layout.h"

namespace vss::test {
namespace {

using platform::ControlDesign;
using platform::ControlKind;
using ::testing::ElementsAre;

// The designs in tab order, as Form::Controls holds them.
std::vector<ControlDesign> TabOrder(std::vector<ControlDesign> designs) {
  std::stable_sort(designs.begin(), designs.end(),
                   [](const auto& a, const auto& b) { return a.TabIndex < b.TabIndex; });
  return designs;
}

std::string Name(const std::vector<ControlDesign>& designs, int i) {
  if (i < 0) return "<none>";
  const auto& d = designs[static_cast<std::size_t>(i)];
  return d.Name + (d.Index != 0 || d.Kind == ControlKind::CommandButton ||
                           d.Kind == ControlKind::OptionButton
                       ? "(" + std::to_string(d.Index) + ")"
                       : "");
}

// Each line as "name name", button lines marked, secondary buttons starred.
std::vector<std::string> Describe(const std::vector<ControlDesign>& designs,
                                  const std::string& container) {
  std::vector<std::string> lines;
  for (const auto& line : gtk::Lines(designs, container)) {
    std::string text = line.buttons ? "buttons:" : "";
    for (const int i : line.items) {
      const bool apart =
          std::find(line.secondary.begin(), line.secondary.end(), i) != line.secondary.end();
      text += " " + Name(designs, i) + (apart ? "*" : "");
    }
    lines.push_back(text);
  }
  return lines;
}

ControlDesign Make(const char* name, ControlKind kind, const char* container, int left, int top,
                   std::int16_t tab) {
  ControlDesign d;
  d.Name = name;
  d.Kind = kind;
  d.Container = container;
  d.Left = left;
  d.Top = top;
  d.TabIndex = tab;
  return d;
}

TEST(GtkLayout, OptionsDialogLinesFollowTheDesignNotTheTabOrder) {
  const auto designs = TabOrder(frmOptions::Design().Controls);
  EXPECT_THAT(Describe(designs, ""),
              ElementsAre(" fraSound", "buttons: cmdCommand(2)* cmdCommand(0) cmdCommand(1)"));
  EXPECT_THAT(Describe(designs, "fraSound"),
              ElementsAre(" optOption(0)", " optOption(1)", " lblSeconds", " cboSeconds"));
}

TEST(GtkLayout, LinesGroupEqualTopsAndKeepButtonsOnlyRowsApart) {
  const auto designs = TabOrder({
      Make("cmdLone", ControlKind::CommandButton, "", 120, 900, 4),
      Make("cboList", ControlKind::ComboBox, "", 900, 120, 1),
      Make("lblList", ControlKind::Label, "", 120, 120, 0),
      Make("tmrTick", ControlKind::Timer, "", 0, 0, 5),
      Make("cmdMixed", ControlKind::CommandButton, "", 2000, 500, 3),
      Make("lblMixed", ControlKind::Label, "", 120, 500, 2),
  });
  // A lone button at the margin still goes right; a timer shows nowhere.
  EXPECT_THAT(Describe(designs, ""),
              ElementsAre(" lblList cboList", " lblMixed cmdMixed(0)", "buttons: cmdLone(0)"));
}

TEST(GtkLayout, AccessKeysOfLabelsAndFramesFocusTheNextControlThatTakesTheKeyboard) {
  const auto designs = TabOrder(frmOptions::Design().Controls);
  auto target = [&designs](const std::string& name) {
    for (int i = 0; i < static_cast<int>(designs.size()); ++i) {
      if (designs[static_cast<std::size_t>(i)].Name == name) {
        return Name(designs, gtk::MnemonicTarget(designs, i));
      }
    }
    return std::string("<missing>");
  };
  EXPECT_EQ(target("fraSound"), "optOption(0)");
  EXPECT_EQ(target("lblSeconds"), "cboSeconds");

  const auto nested = TabOrder({Make("lblA", ControlKind::Label, "", 0, 0, 0),
                                Make("fraB", ControlKind::Frame, "", 0, 0, 1),
                                Make("cmdC", ControlKind::CommandButton, "fraB", 0, 0, 2),
                                Make("lblLast", ControlKind::Label, "", 0, 0, 3)});
  EXPECT_EQ(Name(nested, gtk::MnemonicTarget(nested, 0)), "cmdC(0)");
  EXPECT_EQ(Name(nested, gtk::MnemonicTarget(nested, 3)), "<none>");
}

TEST(GtkLayout, CaptionsBecomeGtkMnemonicsAndSafeMarkup) {
  const std::pair<const char*, const char*> cases[] = {
      {"&Ok", "_Ok"},  {"S&econds:", "S_econds:"},
      {"R&&D", "R&D"}, {"snake_case", "snake__case"},
      {"&_x", "___x"}, {"end&", "end"},
      {"", ""},
  };
  for (const auto& [caption, text] : cases) EXPECT_EQ(gtk::MnemonicText(caption), text) << caption;
  EXPECT_EQ(gtk::EscapeMarkup("<b>Tom & \"Jerry's\"</b>"),
            "&lt;b&gt;Tom &amp; &quot;Jerry&apos;s&quot;&lt;/b&gt;");
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

  // Bytes that stop inside the mask, or an odd doubled height, are refused.
  EXPECT_FALSE(gtk::DecodeIcon({bytes.data(), bytes.size() - 1}));
  auto odd = bytes;
  odd[8] = 3;
  EXPECT_FALSE(gtk::DecodeIcon({odd.data(), odd.size()}));
}

}  // namespace
}  // namespace vss::test
