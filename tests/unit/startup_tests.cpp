#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "harness.h"
#include "options/frmOptions.h"
#include "saver/frmMain.h"

namespace vss::test {
namespace {

using ::testing::ElementsAre;

struct SwitchCase {
  const char* commandLine;
  RunMode mode;
  const char* form;  // the form loaded, or "" for none
};

TEST(Main, TheSwitchDecidesTheMode) {
  const SwitchCase cases[] = {
      {"", RunMode::Saver, "frmMain"},
      {"    ", RunMode::Saver, "frmMain"},
      {"/s", RunMode::Saver, "frmMain"},
      {"/S", RunMode::Saver, "frmMain"},
      {"  /s  ", RunMode::Saver, "frmMain"},
      {"/s5", RunMode::Saver, "frmMain"},
      {"/s /x", RunMode::Saver, "frmMain"},
      {"/c", RunMode::Configure, "frmOptions"},
      {"/C", RunMode::Configure, "frmOptions"},
      {"/c:1234", RunMode::Configure, "frmOptions"},
      {"/p 1234", RunMode::Preview, "frmMain"},
      {"/p:1234", RunMode::Preview, "frmMain"},
      {"/P 1234", RunMode::Preview, "frmMain"},
      {"s", RunMode::None, ""},
      {"-s", RunMode::None, ""},
      {"/x", RunMode::None, ""},
      {"/a", RunMode::None, ""},
      {"/", RunMode::None, ""},
      {"\t/s", RunMode::None, ""},
  };
  for (const auto& c : cases) {
    Program program;
    program.win32.Windows[1234] = {0, 0, 152, 112};
    EXPECT_FALSE(program.Start(c.commandLine)) << c.commandLine;
    EXPECT_EQ(program.module.Mode, c.mode) << '"' << c.commandLine << '"';
    EXPECT_EQ(program.runtime.LoadedForms().size(), std::string(c.form).empty() ? 0u : 1u)
        << c.commandLine;
    if (!std::string(c.form).empty()) {
      EXPECT_NE(program.runtime.FindForm(c.form), nullptr) << c.commandLine;
    }
  }
}

TEST(Main, SwitchesThatStartNothingReadTheSettingsAndLoadNoForm) {
  Program program;
  program.Start("/a");
  EXPECT_THAT(program.Calls(),
              ElementsAre("App.PrevInstance",
                          "GetSetting(Vorlan Screen Saver 2,Options,Delay Interval,120)",
                          "GetSetting(Vorlan Screen Saver 2,Options,Delay Random,0)", "Command"));
}

TEST(Main, APreviousInstanceEndsBeforeAnySettingIsRead) {
  Program program;
  program.backend.PrevInstance = true;
  EXPECT_TRUE(program.Start("/s"));
  EXPECT_THAT(program.Calls(), ElementsAre("App.PrevInstance", "End"));
  EXPECT_EQ(program.module.Mode, RunMode::None);
  EXPECT_EQ(program.module.DelayInterval, 0);
}

TEST(Main, AFoundWindowLoadsNoFormAndLeavesModeZero) {
  Program program;
  program.win32.FoundWindow = 0x4242;
  program.Start("/s");
  EXPECT_EQ(program.module.Mode, RunMode::None);
  EXPECT_EQ(program.runtime.LoadedForms().size(), 0u);
  EXPECT_EQ(program.log.Matching("FindWindowA"),
            std::vector<std::string>{"FindWindowA(ThunderRT5Form,Vorlan Screen Saver 2)"});
  EXPECT_EQ(program.log.IndexOf("GetDesktopWindow"), -1);
  EXPECT_EQ(program.log.IndexOf("ShowCursor"), -1);
  EXPECT_EQ(program.log.IndexOf("PlaySoundA"), -1);
}

TEST(Main, TheSaverIsPlacedTopmostOverTheDesktopAfterItsFirstFrame) {
  Program program;
  program.win32.DesktopRect = {0, 0, 2560, 1440};
  program.Start("/s");
  auto* form = program.runtime.FindForm("frmMain");
  ASSERT_NE(form, nullptr);
  const int painted = program.log.IndexOf("frmMain.PaintPicture(101,");
  const int placed = program.log.IndexOf("SetWindowPos(");
  ASSERT_GE(painted, 0);
  EXPECT_GT(placed, painted);
  EXPECT_EQ(program.Calls()[static_cast<std::size_t>(placed)],
            "SetWindowPos(" + std::to_string(form->hWnd()) + ",-1,0,0,2560,1440,64)");
  EXPECT_EQ(form->Caption(), "Vorlan Screen Saver 2");
}

TEST(Main, ThePreviewIsEmbeddedInOrderCaptionStyleParentOwnerPlacement) {
  Program program;
  program.win32.Windows[1234] = {0, 0, 152, 112};
  program.Start("/p 1234");
  auto* form = program.runtime.FindForm("frmMain");
  ASSERT_NE(form, nullptr);
  const std::string h = std::to_string(form->hWnd());
  const int first = program.log.IndexOf("frmMain.Caption=Preview");
  ASSERT_GE(first, 0);
  const std::vector<std::string> tail(program.Calls().begin() + first, program.Calls().end());
  EXPECT_THAT(tail, ElementsAre("frmMain.Caption=Preview", "GetWindowLongA(" + h + ",-16)",
                                // WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_CHILD
                                "SetWindowLongA(" + h + ",-16,1174405120)",
                                "SetParent(" + h + ",1234)", "SetWindowLongA(" + h + ",-8,1234)",
                                "SetWindowPos(" + h + ",0,0,0,152,112,84)"));
  EXPECT_EQ(form->Caption(), "Preview");
  EXPECT_EQ(program.module.ScreenRect.right, 152);
  EXPECT_EQ(program.module.ScreenRect.bottom, 112);
  // The host's client rectangle is read before the window loads.
  EXPECT_LT(program.log.IndexOf("GetClientRect(1234)"), program.log.IndexOf("Load frmMain"));
}

TEST(Main, APreviewWithoutAUsableHostEndsQuietlyAndNeverShows) {
  // 65552 is the desktop window: no host's preview area.
  for (const char* commandLine : {"/p", "/p 0", "/p 99999999999", "/p 777", "/p abc", "/p 65552"}) {
    Program program;
    program.win32.Windows[65552] = {0, 0, 1920, 1080};
    EXPECT_FALSE(program.Start(commandLine)) << commandLine;
    EXPECT_EQ(program.runtime.LoadedForms().size(), 0u) << commandLine;
    EXPECT_EQ(program.log.IndexOf("SetParent"), -1) << commandLine;
    EXPECT_EQ(program.log.IndexOf("SetWindowPos"), -1) << commandLine;
  }
  // The host goes while the preview starts.
  Program program;
  program.win32.Windows[1234] = {0, 0, 152, 112};
  program.win32.HostGoesBeforeSetParent = true;
  EXPECT_FALSE(program.Start("/p 1234"));
  EXPECT_EQ(program.runtime.LoadedForms().size(), 0u);
  EXPECT_EQ(program.log.IndexOf("SetWindowPos"), -1);
  EXPECT_TRUE(program.backend.QuitRequested);
}

TEST(Main, TheConfigurationShowsTheDialogModelessWithTheTitle) {
  Program program;
  program.Start("/c:1234");
  auto* form = program.runtime.FindForm("frmOptions");
  ASSERT_NE(form, nullptr);
  EXPECT_EQ(form->Caption(), "Vorlan Screen Saver 2");
  EXPECT_TRUE(form->Shown());
  const int captioned = program.log.IndexOf("frmOptions.Caption=Vorlan Screen Saver 2");
  EXPECT_GT(captioned, program.log.IndexOf("Load frmOptions"));
  EXPECT_LT(captioned, program.log.IndexOf("frmOptions.Show(0)"));
  EXPECT_EQ(program.log.IndexOf("FindWindowA"), -1);
}

TEST(ParseHandle, TakesTheLongestNumericTail) {
  struct Case {
    const char* text;
    std::int32_t handle;
  };
  const Case cases[] = {
      {"/p 1234", 1234},
      {"/p:1234", 1234},
      {"  /p 1234  ", 1234},
      {"/p", 0},
      {"", 0},
      {"   ", 0},
      {"/p 0", 0},
      {"/p -5", -5},
      {"/p 12.5", 12},  // halves go to the even neighbour
      {"/p 13.5", 14},
      {"/p 12.34.56", 35},  // "34.56" is the longest numeric tail
      {"/p 1e3", 1000},
      {"/p &h10", 16},
      {"/p 2147483647", 2147483647},
      {"/p -2147483648", -2147483647 - 1},
      // Too large for a handle: no handle, and no overflow error.
      {"/p 2147483648", 0},
      {"/p 99999999999", 0},
      {"/p 1e300", 0},
  };
  for (const auto& c : cases) {
    std::string text = c.text;
    EXPECT_EQ(basMain::ParseHandle(text), c.handle) << '"' << c.text << '"';
    EXPECT_EQ(text, c.text);
  }
}

}  // namespace
}  // namespace vss::test
