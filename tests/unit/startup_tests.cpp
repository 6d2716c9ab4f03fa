#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "harness.h"
#include "options/frmOptions.h"
#include "saver/frmMain.h"

namespace vss::test {
namespace {

using ::testing::ElementsAre;

TEST(Main, TheSwitchDecidesTheMode) {
  const std::tuple<const char*, RunMode, const char*> cases[] = {
      {"", RunMode::Saver, "frmMain"},          {"    ", RunMode::Saver, "frmMain"},
      {"/s", RunMode::Saver, "frmMain"},        {"/S", RunMode::Saver, "frmMain"},
      {"  /s  ", RunMode::Saver, "frmMain"},    {"/s5", RunMode::Saver, "frmMain"},
      {"/s /x", RunMode::Saver, "frmMain"},     {"/c", RunMode::Configure, "frmOptions"},
      {"/C", RunMode::Configure, "frmOptions"}, {"/c:1234", RunMode::Configure, "frmOptions"},
      {"/p 1234", RunMode::Preview, "frmMain"}, {"/p:1234", RunMode::Preview, "frmMain"},
      {"/P 1234", RunMode::Preview, "frmMain"}, {"s", RunMode::None, nullptr},
      {"-s", RunMode::None, nullptr},           {"/x", RunMode::None, nullptr},
      {"/a", RunMode::None, nullptr},           {"/", RunMode::None, nullptr},
      {"\t/s", RunMode::None, nullptr}};
  for (const auto& [commandLine, mode, form] : cases) {
    Program program;
    program.win32.Windows[1234] = {0, 0, 152, 112};
    EXPECT_FALSE(program.Start(commandLine)) << commandLine;
    EXPECT_EQ(program.module.Mode, mode) << '"' << commandLine << '"';
    EXPECT_EQ(program.runtime.LoadedForms().size(), form ? 1u : 0u) << commandLine;
    if (form) {
      EXPECT_NE(program.Form(form), nullptr) << commandLine;
    }
  }
}

TEST(Main, APreviousInstanceEndsBeforeAnySettingIsRead) {
  Program program;
  program.backend.PrevInstance = true;
  EXPECT_TRUE(program.Start("/s"));
  EXPECT_THAT(program.Calls(), ElementsAre("App.PrevInstance", "End"));
  EXPECT_EQ(program.exitCode, 0);
}

TEST(Main, AFoundSaverWindowEndsTheSaverBeforeItDoesAnything) {
  Program program;
  program.win32.FoundWindow = 0x4242;
  program.Start("/s");
  EXPECT_EQ(program.module.Mode, RunMode::None);
  EXPECT_TRUE(program.runtime.LoadedForms().empty());
  EXPECT_EQ(program.Calls().back(), "FindWindowA(ThunderRT5Form,Vorlan Screen Saver 2)");
}

TEST(Main, ThePreviewIsEmbeddedInOrderCaptionStyleParentOwnerPlacement) {
  Program program;
  program.win32.Windows[1234] = {0, 0, 152, 112};
  program.Start("/p 1234");
  const std::string h = std::to_string(program.Form("frmMain")->hWnd());
  EXPECT_THAT(program.log.Matching("GetClientRect"), ElementsAre("GetClientRect(1234)"));
  EXPECT_LT(program.log.IndexOf("GetClientRect"), program.log.IndexOf("Load frmMain"));
  const int first = program.log.IndexOf("frmMain.Caption=Preview");
  ASSERT_GE(first, 0);
  EXPECT_THAT(
      std::vector<std::string>(program.Calls().begin() + first, program.Calls().end()),
      ElementsAre("frmMain.Caption=Preview", "GetWindowLongA(" + h + ",-16)",
                  // WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_CHILD
                  "SetWindowLongA(" + h + ",-16,1174405120)", "SetParent(" + h + ",1234)",
                  "SetWindowLongA(" + h + ",-8,1234)", "SetWindowPos(" + h + ",0,0,0,152,112,84)"));
}

TEST(Main, APreviewWithoutAUsableHostEndsQuietlyAndNeverShows) {
  // 65552 is the desktop window: no host's preview area. 1234 goes while
  // the preview starts.
  for (const char* commandLine :
       {"/p", "/p 0", "/p 99999999999", "/p 777", "/p abc", "/p 65552", "/p 1234"}) {
    Program program;
    program.win32.Windows[65552] = {0, 0, 1920, 1080};
    program.win32.Windows[1234] = {0, 0, 152, 112};
    program.win32.HostGoesBeforeSetParent = true;
    EXPECT_FALSE(program.Start(commandLine)) << commandLine;
    EXPECT_TRUE(program.runtime.LoadedForms().empty()) << commandLine;
    EXPECT_EQ(program.log.IndexOf("SetWindowPos"), -1) << commandLine;
    EXPECT_TRUE(program.backend.QuitRequested) << commandLine;
  }
}

TEST(Main, TheConfigurationShowsTheDialogModelessWithTheTitle) {
  Program program;
  program.Start("/c:1234");
  EXPECT_TRUE(program.Form("frmOptions")->Shown());
  const int captioned = program.log.IndexOf("frmOptions.Caption=Vorlan Screen Saver 2");
  EXPECT_GT(captioned, program.log.IndexOf("Load frmOptions"));
  EXPECT_LT(captioned, program.log.IndexOf("frmOptions.Show(0)"));
  EXPECT_EQ(program.log.IndexOf("FindWindowA"), -1);
}

TEST(ParseHandle, TakesTheLongestNumericTail) {
  const std::pair<const char*, std::int32_t> cases[] = {
      {"/p 1234", 1234},
      {"/p:1234", 1234},
      {"  /p 1234  ", 1234},
      {"/p", 0},
      {"", 0},
      {"   ", 0},
      {"/p 0", 0},
      {"/p -5", -5},
      {"/p 12.5", 12},
      {"/p 13.5", 14},      // halves go to the even neighbour
      {"/p 12.34.56", 35},  // "34.56" is the longest numeric tail
      {"/p 1e3", 1000},
      {"/p &h10", 16},
      {"/p 2147483647", 2147483647},
      {"/p -2147483648", -2147483647 - 1},
      // Too large for a handle: no handle, and no overflow error.
      {"/p 2147483648", 0},
      {"/p 99999999999", 0},
      {"/p 1e300", 0}};
  for (const auto& [text, handle] : cases) {
    EXPECT_EQ(basMain::ParseHandle(text), handle) << '"' << text << '"';
  }
}

}  // namespace
}  // namespace vss::test
