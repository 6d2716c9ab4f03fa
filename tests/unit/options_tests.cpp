#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "harness.h"
#include "options/frmOptions.h"

namespace vss::test {
namespace {

struct Dialog {
  Program program;

  vss::Control& Control(const std::string& name, std::int16_t index = 0) {
    return program.Form("frmOptions")->Controls(name, index);
  }
  // The list's item and the mode the option buttons, label and list agree on.
  std::string Shown() {
    if (program.Form("frmOptions") == nullptr) return "closed";
    auto& list = Control("cboSeconds");
    const bool random = Control("optOption", 0).Value() != False;
    const bool agree = random == (Control("optOption", 1).Value() == False) &&
                       random == (Control("lblSeconds").Enabled() == False) &&
                       random == (list.Enabled() == False);
    const char* mode = !agree ? " disagree" : random ? " random" : " continuous";
    return (list.ListIndex() < 0 ? "<none>" : list.List(list.ListIndex())) + mode;
  }
  // R, C: a click on the random or continuous option; a to q: the user
  // picks that item of the list; O, X, D: Ok, Cancel, Defaults.
  void Do(char step) {
    if (step == 'R' || step == 'C') {
      Control("optOption", step == 'R' ? 0 : 1).SetValue(True);
    } else if (step >= 'a' && step <= 'q') {
      Control("cboSeconds").SetListIndex(static_cast<std::int16_t>(step - 'a'));
    } else {
      const std::int16_t command = step == 'O' ? 1 : step == 'X' ? 0 : 2;
      program.Raise("frmOptions", [&](FormModule& c) { c.ControlEvent("cmdCommand", command); });
    }
  }
};

TEST(OptionsDialog, OpensOnTheStoreAndStoresOnlyOnOk) {
  struct Case {
    const char *interval, *random;  // stored before; nullptr: absent
    const char *steps, *opened, *after, *stored;
  };
  const Case cases[] = {
      // Texts the program reads but would not write show that nothing was written.
      {" 7200", "-1", "X", "3600 (1 Hour) random", "closed", " 7200 -1"},
      {" 10", "-1", "D", "5 random", "60 (1 Minute) continuous", " 10 -1"},
      {" 10", "-1", "DX", "5 random", "closed", " 10 -1"},
      {nullptr, nullptr, "RCR", "60 (1 Minute) continuous", "60 (1 Minute) random",
       "<absent> <absent>"},
      // Random play stores the disabled list's interval.
      {nullptr, nullptr, "nRO", "60 (1 Minute) continuous", "closed", "1200 -1"},
      {"600", "-1", "CaO", "300 (5 Minutes) random", "closed", "10 0"},
  };
  for (const Case& c : cases) {
    Dialog dialog;
    Program& program = dialog.program;
    if (c.interval) program.Store("Delay Interval", c.interval);
    if (c.random) program.Store("Delay Random", c.random);
    program.Start("/c");
    EXPECT_EQ(dialog.Shown(), c.opened) << c.steps;
    for (const char* step = c.steps; *step; ++step) dialog.Do(*step);
    EXPECT_EQ(dialog.Shown(), c.after) << c.steps;
    EXPECT_EQ(program.Stored("Delay Interval") + " " + program.Stored("Delay Random"), c.stored)
        << c.steps;
    // Stored before the dialog goes.
    const int saved = program.log.IndexOf("SaveSetting");
    if (saved >= 0) {
      EXPECT_LT(saved, program.log.IndexOf("Unload frmOptions"));
    }
  }
}

TEST(OptionsDialog, SettingAnOptionRaisesItsClickNestedAndEndsInTheSameState) {
  Dialog dialog;
  Program& program = dialog.program;
  program.Start("/c");
  // Form_Load calls optOption_Click(1), whose Value assignment raises it again.
  EXPECT_EQ(program.log.Matching("optOption(1)_Click").size(), 1u);
  program.log.Clear();
  dialog.Do('R');
  // Raised once, by the assignment; the handler's own assignment of the same
  // value raises nothing more, and the list follows.
  EXPECT_EQ(program.log.Matching("optOption(0)_Click").size(), 1u);
  EXPECT_TRUE(program.InOrder({"optOption(0).Value=-1", "optOption(0)_Click",
                               "optOption(0).Value=-1", "cboSeconds.Enabled=0"}));
  EXPECT_EQ(dialog.Shown(), "60 (1 Minute) random");
}

TEST(OptionsDialog, IsCentredWithIntegerHalves) {
  Program program;
  program.backend.ScreenSize.WidthPixels = 1024;  // 15360 twips; the dialog is 3975 x 2940
  program.backend.ScreenSize.HeightPixels = 768;
  program.Start("/c");
  EXPECT_NE(program.log.IndexOf("frmOptions.Left=5692"), -1);  // 11385 halved toward zero
  EXPECT_NE(program.log.IndexOf("frmOptions.Top=4290"), -1);
}

}  // namespace
}  // namespace vss::test

namespace vss::test {
namespace {

// Only an access key's letter is seen by the keyboard tests: a typo
// anywhere else in a caption would pass them.
TEST(OptionsDialog, ShowsEveryCaptionAsWritten) {
  const std::tuple<const char*, std::int16_t, const char*> captions[] = {
      {"fraSound", 0, "&Sound"},
      {"optOption", 0, "Play Sound Once After &Random Intervals"},
      {"optOption", 1, "Play Sound Continuously For A Set &Interval"},
      {"lblSeconds", 0, "S&econds:"},
      {"cmdCommand", 1, "&Ok"},
      {"cmdCommand", 0, "&Cancel"},
      {"cmdCommand", 2, "&Defaults"},
  };
  Program program;
  program.Start("/c");
  for (const auto& [name, index, caption] : captions) {
    EXPECT_EQ(program.Form("frmOptions")->FindControl(name, index)->Design().Caption, caption)
        << name << index;
  }
}

}  // namespace
}  // namespace vss::test
