#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "harness.h"
#include "options/frmOptions.h"

namespace vss::test {
namespace {

class Dialog : public ::testing::Test {
 protected:
  void Open() {
    program.Start("/c");
    form = program.runtime.FindForm("frmOptions");
    ASSERT_NE(form, nullptr);
  }
  platform::Control& Control(const std::string& name, std::int16_t index = 0) {
    return form->Controls(name, index);
  }
  std::string SelectedText() {
    auto& list = Control("cboSeconds");
    return list.ListIndex() < 0 ? "<none>" : list.List(list.ListIndex());
  }
  void Press(std::int16_t index) {
    program.Raise("frmOptions",
                  [&](platform::FormModule& code) { code.ControlEvent("cmdCommand", index); });
  }
  // What a click on an option button does: the runtime sets its Value.
  void Choose(std::int16_t index) { Control("optOption", index).SetValue(True); }
  void ExpectContinuous() {
    EXPECT_EQ(Control("optOption", 0).Value(), False);
    EXPECT_EQ(Control("optOption", 1).Value(), True);
    EXPECT_EQ(Control("lblSeconds").Enabled(), True);
    EXPECT_EQ(Control("cboSeconds").Enabled(), True);
  }
  void ExpectRandom() {
    EXPECT_EQ(Control("optOption", 0).Value(), True);
    EXPECT_EQ(Control("optOption", 1).Value(), False);
    EXPECT_EQ(Control("lblSeconds").Enabled(), False);
    EXPECT_EQ(Control("cboSeconds").Enabled(), False);
  }
  std::size_t Writes() const { return program.log.Matching("SaveSetting").size(); }

  Program program;
  runtime::Form* form = nullptr;
};

TEST_F(Dialog, ShowsEveryCaptionAsWrittenWithOkAsTheDefault) {
  Open();
  const std::tuple<const char*, std::int16_t, const char*> captions[] = {
      {"fraSound", 0, "&Sound"},
      {"optOption", 0, "Play Sound Once After &Random Intervals"},
      {"optOption", 1, "Play Sound Continuously For A Set &Interval"},
      {"lblSeconds", 0, "S&econds:"},
      {"cmdCommand", 1, "&Ok"},
      {"cmdCommand", 0, "&Cancel"},
      {"cmdCommand", 2, "&Defaults"},
  };
  for (const auto& [name, index, caption] : captions) {
    EXPECT_EQ(form->FindControl(name, index)->Design().Caption, caption) << name << index;
  }
  EXPECT_EQ(Control("cboSeconds").ListCount(), 17);
  EXPECT_EQ(Control("cmdCommand", 1).Default(), True);
  EXPECT_EQ(Control("cmdCommand", 0).Default(), False);
}

TEST_F(Dialog, AnEmptyStoreOpensOnOneMinuteContinuous) {
  Open();
  EXPECT_EQ(SelectedText(), "60 (1 Minute)");
  ExpectContinuous();
}

TEST_F(Dialog, StoredRandomModeOpensWithTheListDisabledOnItsInterval) {
  program.Store("Delay Random", "-1");
  program.Store("Delay Interval", "7200");
  Open();
  ExpectRandom();
  EXPECT_EQ(SelectedText(), "3600 (1 Hour)");
}

TEST_F(Dialog, SettingAnOptionRaisesItsClickNestedAndEndsInTheSameState) {
  Open();
  // Form_Load calls optOption_Click(1), whose Value assignment raises it again.
  EXPECT_EQ(program.log.Matching("optOption(1)_Click").size(), 1u);
  program.log.Clear();
  Choose(0);
  EXPECT_THAT(
      program.Calls(),
      testing::ElementsAre("optOption(0).Value=-1", "optOption(0)_Click", "optOption(0).Value=-1",
                           "optOption(1).Value=0", "lblSeconds.Enabled=0", "cboSeconds.Enabled=0"));
  ExpectRandom();
}

TEST_F(Dialog, TogglingTheOptionsStoresNothing) {
  Open();
  Choose(0);
  ExpectRandom();
  Choose(1);
  ExpectContinuous();
  Choose(0);
  ExpectRandom();
  EXPECT_EQ(Writes(), 0u);
  EXPECT_EQ(program.module.DelayRandom, False);
}

TEST_F(Dialog, DefaultsRestoreOneMinuteContinuousAndWriteNothing) {
  program.Store("Delay Random", "-1");
  program.Store("Delay Interval", "10");
  Open();
  ExpectRandom();
  EXPECT_EQ(SelectedText(), "5");
  Press(2);
  EXPECT_EQ(SelectedText(), "60 (1 Minute)");
  ExpectContinuous();
  EXPECT_EQ(Writes(), 0u);
  EXPECT_EQ(program.module.DelayInterval, 10);
  EXPECT_EQ(program.module.DelayRandom, True);
  ASSERT_NE(program.runtime.FindForm("frmOptions"), nullptr);

  Press(0);
  EXPECT_EQ(Writes(), 0u);
  EXPECT_EQ(program.Stored("Delay Random"), "-1");
  EXPECT_EQ(program.Stored("Delay Interval"), "10");
  EXPECT_EQ(program.runtime.LoadedForms().size(), 0u);
  EXPECT_EQ(program.module.frmOptions, nullptr);
}

TEST_F(Dialog, OkInRandomModeStoresMinusOneAndTheDisabledListsInterval) {
  Open();
  Control("cboSeconds").SetListIndex(13);  // "600 (10 Minutes)"
  Choose(0);
  Press(1);
  EXPECT_EQ(program.Stored("Delay Interval"), "1200");
  EXPECT_EQ(program.Stored("Delay Random"), "-1");
  EXPECT_EQ(program.module.DelayInterval, 1200);
  EXPECT_EQ(program.module.DelayRandom, True);
  EXPECT_EQ(program.runtime.LoadedForms().size(), 0u);
  // Saved before the dialog goes.
  EXPECT_LT(program.log.IndexOf("SaveSetting"), program.log.IndexOf("Unload frmOptions"));
}

TEST_F(Dialog, OkThatCannotStoreSaysSoInTheDialogAndEnds) {
  Open();
  program.backend.StoreUnwritable = true;
  EXPECT_TRUE(program.Run([&] { form->FindControl("cmdCommand", 1)->Clicked(); }));
  EXPECT_EQ(program.exitCode, 5);
  ASSERT_EQ(program.backend.ErrorsShown.size(), 1u);
  EXPECT_THAT(program.backend.ErrorsShown[0], testing::HasSubstr("could not be saved"));
  EXPECT_NE(program.log.IndexOf("MsgBox(frmOptions,Vorlan Screen Saver 2)"), -1);
}

TEST_F(Dialog, OkInContinuousModeStoresZero) {
  program.Store("Delay Random", "-1");
  Open();
  Choose(1);
  Control("cboSeconds").SetListIndex(0);
  Press(1);
  EXPECT_EQ(program.Stored("Delay Interval"), "10");
  EXPECT_EQ(program.Stored("Delay Random"), "0");
}

TEST_F(Dialog, OkWithNothingSelectedKeepsTheCurrentInterval) {
  program.module.DelayInterval = 77;  // matches no item
  program.module.frmOptions = std::make_unique<frmOptions>(program.module);
  program.runtime.Load(*program.module.frmOptions, frmOptions::Design());
  form = program.runtime.FindForm("frmOptions");
  ASSERT_NE(form, nullptr);
  EXPECT_EQ(Control("cboSeconds").ListIndex(), -1);
  EXPECT_NO_THROW(Press(1));
  EXPECT_EQ(program.module.DelayInterval, 77);
  EXPECT_EQ(program.Stored("Delay Random"), "0");
  EXPECT_EQ(program.runtime.LoadedForms().size(), 0u);
}

TEST_F(Dialog, UnknownIndicesCloseOrDoNothing) {
  Open();
  program.log.Clear();
  program.module.frmOptions->optOption_Click(7);
  EXPECT_TRUE(program.Calls().empty());
  Press(9);
  EXPECT_EQ(Writes(), 0u);
  EXPECT_EQ(program.runtime.LoadedForms().size(), 0u);
}

TEST_F(Dialog, IsCentredWithIntegerHalves) {
  program.backend.ScreenSize.WidthPixels = 1024;  // 15360 twips; the dialog is 3975 x 2940
  program.backend.ScreenSize.HeightPixels = 768;
  Open();
  EXPECT_NE(program.log.IndexOf("frmOptions.Left=5692"), -1);  // 11385 halved toward zero
  EXPECT_NE(program.log.IndexOf("frmOptions.Top=4290"), -1);
  EXPECT_LT(program.log.IndexOf("frmOptions.Left="), program.log.IndexOf("frmOptions.Top="));
  EXPECT_LT(program.log.IndexOf("frmOptions.Top="), program.log.IndexOf("cboSeconds.AddItem"));
}

}  // namespace
}  // namespace vss::test
