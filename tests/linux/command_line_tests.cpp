#include <gtest/gtest.h>

#include "platform/linux/command_line.h"

namespace vss::posix {
namespace {

TEST(CommandLine, TranslatesLinuxOptionsAndPassesWindowsSwitchesThrough) {
  using Args = std::vector<std::string>;
  // The arguments, and the command text for Run or else the action.
  std::vector<std::pair<Args, std::string>> cases = {
      {{}, ""},
      {{"--fullscreen"}, "/s"},
      {{"--settings"}, "/c"},
      {{"--window-id", "0x2a00007"}, "/p 44040199"},
      {{"--window-id=0X7fffFFFF"}, "/p 2147483647"},
      {{"", "/p", "", "1234"}, " /p  1234"},
      {{"--help"}, "<help>"},
      {{"/s", "--version"}, "<version>"},
      {{"--bogus", "--help"}, "<usage>"},
      {{"--window-id"}, "<usage>"},
      {{"--fullscreen", "--settings"}, "<usage>"},
  };
  for (const std::string id :
       {"", "0", "0x", "0x80000000", "99999999999999999999", "+5", "12g", "0x1g", "--fullscreen"}) {
    cases.push_back({{"--window-id", id}, "<usage>"});
    cases.push_back({{"--window-id=" + id}, "<usage>"});
  }
  const char* const names[] = {"", "<help>", "<version>", "<usage>"};
  for (const auto& [args, expected] : cases) {
    const CommandLine parsed = ParseCommandLine(args);
    const bool run = parsed.action == CommandLine::Action::Run;
    EXPECT_EQ(run ? parsed.commandText : names[int(parsed.action)], expected)
        << testing::PrintToString(args);
    EXPECT_EQ(parsed.message.rfind("vorlan-screen-saver-2: ", 0) == 0, expected == "<usage>");
    EXPECT_EQ(parsed.message.find('\n'), std::string::npos);
  }
  EXPECT_EQ(VersionText(), "vorlan-screen-saver-2 2.00");
}

}  // namespace
}  // namespace vss::posix
