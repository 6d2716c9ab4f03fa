#include <gtest/gtest.h>

#include "native/command_line.h"
#include "native/window_system.h"

namespace vss::native {
namespace {

TEST(CommandLine, TranslatesLinuxOptionsAndPassesWindowsSwitchesThrough) {
  using Args = std::vector<std::string>;
  // The arguments (and whether XSCREENSAVER_WINDOW is set); for Run the
  // command text, "+root" for a hack and the settings read instead of the
  // file's, else the action, a usage error's with a part of its message.
  std::vector<std::tuple<Args, bool, std::string>> cases = {
      {{}, false, ""},
      {{}, true, "/s +root"},
      {{"--fullscreen"}, false, "/s"},
      {{"-fullscreen"}, true, "/s"},
      {{"/p", "5"}, true, "/p 5"},
      {{"--root"}, false, "/s +root"},
      {{"-root", "--random"}, false, "/s +root Delay Random=-1"},
      {{"--root", "--window-id", "0x10"}, true, "/p 16"},
      {{"-window-id", "16", "-root", "-continuous"}, false, "/p 16 Delay Random=0"},
      {{"--interval", "5", "--continuous"}, false, " Delay Interval=10 Delay Random=0"},
      {{"-interval=3600", "--root"}, false, "/s +root Delay Interval=7200"},
      {{"--window-id", "0x2a00007"}, false, "/p 44040199"},
      {{"-window-id=0X7fffFFFF"}, false, "/p 2147483647"},
      // The .scr's own reading: its switch, then whatever follows it.
      {{"", "/p", "", "1234"}, false, " /p  1234"},
      {{"/P", "0x2a00007"}, false, "/P 0x2a00007"},
      {{"/x", "foo"}, true, "/x foo"},
      {{""}, true, ""},
      {{"--help"}, false, "<help>"},
      {{"/s", "-version"}, false, "<version>"},
      {{"--bogus", "--help"}, false, "<usage>--bogus"},
      {{"foo"}, false, "<usage>'foo'"},
      {{"--root", "foo"}, true, "<usage>'foo'"},
      {{"foo", "/s"}, false, "<usage>'foo'"},
      {{"-s"}, false, "<usage>'-s'"},
      {{"--fullscreen=1"}, false, "<usage>takes no value"},
      {{"--fullscreen", "--settings"}, false, "<usage>more than one mode"},
      {{"--root", "--fullscreen"}, false, "<usage>more than one mode"},
      {{"--random", "--continuous"}, false, "<usage>exclude each other"},
      {{"--random", "-random"}, false, "<usage>--random given twice"},
      {{"--settings", "--interval", "5"}, false, "<usage>for the saver"},
      {{"/s", "-root"}, false, "<usage>Windows-style"},
      {{"--interval"}, false, "<usage>needs SECONDS"},
      {{"--backend", "wayland", "--fullscreen"}, false, "/s backend=wayland"},
      {{"-backend=x11"}, true, "/s +root backend=x11"},
      {{"--backend", "mir"}, false, "<usage>needs x11 or wayland"},
      {{"/s", "--backend=x11"}, false, "<usage>Windows-style"},
  };
  for (const std::string seconds : {"0", "4", "05", "65", "120", "7200", "5s", ""}) {
    cases.push_back({{"--interval", seconds}, false, "<usage>bad interval"});
  }
  for (const std::string id :
       {"", "0", "0x", "0x80000000", "99999999999999999999", "+5", "12g", "0x1g", "--fullscreen"}) {
    cases.push_back({{"--window-id", id}, false, "<usage>bad window id"});
    cases.push_back({{"--window-id=" + id}, false, "<usage>bad window id"});
  }
  const char* const names[] = {"", "<help>", "<version>", "<usage>"};
  for (const auto& [args, hostWindow, expected] : cases) {
    const CommandLine parsed = ParseCommandLine(args, hostWindow);
    std::string got = names[int(parsed.action)];
    if (parsed.action == CommandLine::Action::Run) {
      got = parsed.commandText + (parsed.root ? " +root" : "");
      for (const auto& [key, value] : parsed.settings) got += " " + key + "=" + value;
      if (!parsed.backend.empty()) got += " backend=" + parsed.backend;
    }
    const bool usage = expected.rfind("<usage>", 0) == 0;
    EXPECT_EQ(got, usage ? "<usage>" : expected) << testing::PrintToString(args) << hostWindow;
    if (!usage) continue;
    EXPECT_NE(parsed.message.find(expected.substr(7)), std::string::npos) << parsed.message;
    EXPECT_EQ(parsed.message.rfind("vorlan-screen-saver-2: ", 0), 0u) << parsed.message;
    EXPECT_EQ(parsed.message.find('\n'), std::string::npos) << parsed.message;
  }
  EXPECT_EQ(VersionText(), "vorlan-screen-saver-2 2.00");
}

// Which window systems a run tries, in order: what --backend asks, else
// Wayland before X11 where its environment is set; X windows only on X11.
TEST(WindowSystems, AskedForElseWaylandFirstWhenSetAndXWindowsOnX11Only) {
  using K = WindowSystemKind;
  const std::vector<std::tuple<std::string, bool, bool, std::vector<K>>> cases = {
      {"", false, false, {K::X11}},   {"", false, true, {K::Wayland, K::X11}},
      {"x11", false, true, {K::X11}}, {"wayland", false, false, {K::Wayland}},
      {"", true, true, {K::X11}},     {"x11", true, false, {K::X11}},
      {"wayland", true, true, {}},
  };
  for (const auto& [asked, inXWindow, wayland, tried] : cases) {
    EXPECT_EQ(WindowSystemsToTry(asked, inXWindow, wayland), tried)
        << asked << inXWindow << wayland;
  }
}

}  // namespace
}  // namespace vss::native
