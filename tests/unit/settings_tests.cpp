#include <gtest/gtest.h>

#include "harness.h"
#include "settings/settings.h"

namespace vss::test {
namespace {

TEST(LoadSettings, AnEmptyStoreGivesTheDefaults) {
  Program program;
  LoadSettings(program.module);
  EXPECT_EQ(program.module.DelayInterval, 120);
  EXPECT_EQ(program.module.DelayRandom, False);
}

TEST(LoadSettings, IntervalsOutsideTheListAreRepairedInMemoryOnly) {
  struct Case {
    const char* stored;
    std::int32_t interval;
  };
  const Case cases[] = {
      {"10", 10},     {"110", 110},  {"600", 600},         {" 600 ", 600},
      {"7200", 7200}, {"0600", 120}, {"600.0", 120},       {"5", 120},
      {"121", 120},   {"", 120},     {"-1", 120},          {"abc", 120},
      {"\t600", 120}, {"1e3", 120},  {"99999999999", 120}, {"3600 (1 Hour)", 120},
  };
  for (const auto& c : cases) {
    Program program;
    program.Store("Delay Interval", c.stored);
    LoadSettings(program.module);
    EXPECT_EQ(program.module.DelayInterval, c.interval) << '"' << c.stored << '"';
    EXPECT_EQ(program.Stored("Delay Interval"), c.stored);
    EXPECT_TRUE(program.log.Matching("SaveSetting").empty());
  }
}

TEST(LoadSettings, OnlyMinusOneExactlyMeansRandom) {
  struct Case {
    const char* stored;
    Boolean random;
  };
  const Case cases[] = {{"-1", True},   {"0", False},   {"1", False},  {"True", False}, {"", False},
                        {" -1", False}, {"-1 ", False}, {"-2", False}, {"yes", False}};
  for (const auto& c : cases) {
    Program program;
    program.Store("Delay Random", c.stored);
    LoadSettings(program.module);
    EXPECT_EQ(program.module.DelayRandom, c.random) << '"' << c.stored << '"';
    EXPECT_EQ(program.Stored("Delay Random"), c.stored);
  }
}

TEST(LoadSettings, AVeryLongStoredTextIsRepaired) {
  Program program;
  program.Store("Delay Interval", std::string(1 << 20, '6'));
  program.Store("Delay Random", std::string(1 << 20, '-'));
  LoadSettings(program.module);
  EXPECT_EQ(program.module.DelayInterval, 120);
  EXPECT_EQ(program.module.DelayRandom, False);
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

TEST(SaveSettings, AMalformedTextStaysUntilTheNextSave) {
  Program program;
  program.Store("Delay Interval", "0600");
  LoadSettings(program.module);
  EXPECT_EQ(program.Stored("Delay Interval"), "0600");
  SaveSettings(program.module);
  EXPECT_EQ(program.Stored("Delay Interval"), "120");
  EXPECT_EQ(program.Stored("Delay Random"), "0");
}

}  // namespace
}  // namespace vss::test
