#include <gtest/gtest.h>

#include "harness.h"
#include "settings/settings.h"

namespace vss::test {
namespace {

TEST(LoadSettings, IntervalsOutsideTheListAreRepairedInMemoryOnly) {
  const std::pair<const char*, std::int32_t> cases[] = {{nullptr, 120},
                                                        {"10", 10},
                                                        {"110", 110},
                                                        {"600", 600},
                                                        {" 600 ", 600},
                                                        {"7200", 7200},
                                                        {"0600", 120},
                                                        {"600.0", 120},
                                                        {"5", 120},
                                                        {"121", 120},
                                                        {"", 120},
                                                        {"-1", 120},
                                                        {"abc", 120},
                                                        {"\t600", 120},
                                                        {"1e3", 120},
                                                        {"99999999999", 120},
                                                        {"3600 (1 Hour)", 120}};
  for (const auto& [stored, interval] : cases) {
    Program program;
    if (stored) program.Store("Delay Interval", stored);
    LoadSettings(program.module);
    EXPECT_EQ(program.module.DelayInterval, interval) << '"' << (stored ? stored : "absent") << '"';
    EXPECT_EQ(program.Stored("Delay Interval"), stored ? stored : "<absent>");
    EXPECT_TRUE(program.log.Matching("SaveSetting").empty());
  }
}

TEST(LoadSettings, OnlyMinusOneExactlyMeansRandom) {
  const std::pair<const char*, Boolean> cases[] = {
      {nullptr, False}, {"-1", True},   {"0", False},   {"1", False},  {"True", False},
      {"", False},      {" -1", False}, {"-1 ", False}, {"-2", False}, {"yes", False}};
  for (const auto& [stored, random] : cases) {
    Program program;
    if (stored) program.Store("Delay Random", stored);
    LoadSettings(program.module);
    EXPECT_EQ(program.module.DelayRandom, random) << '"' << (stored ? stored : "absent") << '"';
  }
}

TEST(SaveSettings, WritesBothValuesInOrderAndReadsThemBack) {
  Program program;
  program.module.DelayInterval = 3600;
  program.module.DelayRandom = True;
  SaveSettings(program.module);
  EXPECT_EQ(
      program.log.Matching("SaveSetting"),
      (std::vector<std::string>{"SaveSetting(Vorlan Screen Saver 2,Options,Delay Interval,3600)",
                                "SaveSetting(Vorlan Screen Saver 2,Options,Delay Random,-1)"}));
  basMain next(program.runtime, program.win32);
  LoadSettings(next);
  EXPECT_EQ(next.DelayInterval, 3600);
  EXPECT_EQ(next.DelayRandom, True);
}

}  // namespace
}  // namespace vss::test
