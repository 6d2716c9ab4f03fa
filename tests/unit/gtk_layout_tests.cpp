// What the GTK backend decides without GTK and no end-to-end test sees: the
// lines of the dialog and its captions' text. Its access keys are tested on
// the real dialog.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "options/frmOptions.h"
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

TEST(GtkLayout, CaptionsBecomeMnemonicTextWithTheirLiteralAmpersandsAndUnderscores) {
  const std::pair<const char*, const char*> cases[] = {{"&Ok", "_Ok"},
                                                       {"Save && E&xit", "Save & E_xit"},
                                                       {"&&&x", "&_x"},
                                                       {"a_b&c", "a__b_c"},
                                                       {"end&", "end"}};
  for (const auto& [caption, text] : cases) EXPECT_EQ(gtk::MnemonicText(caption), text) << caption;
}

}  // namespace
}  // namespace vss::test
