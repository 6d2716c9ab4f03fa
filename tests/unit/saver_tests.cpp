#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "harness.h"
#include "saver/frmMain.h"

namespace vss::test {
namespace {

using ::testing::ElementsAre;

std::vector<std::string> From(const Program& program, const std::string& first) {
  const int start = program.log.IndexOf(first);
  if (start < 0) return {};
  return {program.Calls().begin() + start, program.Calls().end()};
}

TEST(FormLoad, SaverInContinuousModeStartsTheLoopBeforeHidingTheCursorAndSizing) {
  Program program;
  program.Start("/s");
  auto* saver = program.module.frmMain.get();
  ASSERT_NE(saver, nullptr);
  const std::string h = std::to_string(program.runtime.FindForm("frmMain")->hWnd());
  EXPECT_THAT(
      From(program, "Load frmMain"),
      ElementsAre("Load frmMain", "LoadResData(101,WAVE)", "PlaySoundA(sound,0,15)",
                  "ShowCursor(0)", "frmMain.Caption=Vorlan Screen Saver 2", "frmMain.AutoRedraw=-1",
                  "frmMain.BackColor=0", "frmMain.Width=28800", "frmMain.Height=16200",
                  "tmrTimer.Interval=500", "frmMain.Cls", "LoadResPicture(101,0)",
                  "frmMain.PaintPicture(101,11754,3866.5,5292,8467)",
                  "SetWindowPos(" + h + ",-1,0,0,1920,1080,64)"));
  // The whole clip resource is handed over, from its first byte.
  ASSERT_EQ(saver->SoundData.size(), 32004u);
  EXPECT_EQ(program.win32.LastSound, saver->SoundData.data());
  EXPECT_EQ(std::memcmp(saver->SoundData.data(), "RIFF", 4), 0);
  EXPECT_EQ(saver->RandomDelay, 0);
  EXPECT_EQ(saver->FrameToggle, False);
  EXPECT_EQ(saver->IntervalElapsed, 500);
  EXPECT_EQ(saver->RandomElapsed, 500);
}

TEST(FormLoad, SaverInRandomModeDrawsADelayAndPlaysNothing) {
  Program program;
  program.Store("Delay Random", "-1");
  program.runtime.RandomValues = {0.5f};
  program.Start("/s");
  EXPECT_THAT(From(program, "Load frmMain"),
              testing::IsSupersetOf({"Randomize", "Rnd=0.5", "ShowCursor(0)"}));
  EXPECT_LT(program.log.IndexOf("Rnd="), program.log.IndexOf("ShowCursor(0)"));
  EXPECT_LT(program.log.IndexOf("ShowCursor(0)"), program.log.IndexOf("frmMain.Width"));
  EXPECT_EQ(program.log.IndexOf("PlaySoundA"), -1);
  EXPECT_EQ(program.module.frmMain->RandomDelay, 3605);  // floor(0.5 * 7191) + 10
}

TEST(FormLoad, PreviewStretchesSilentlyAndLeavesTheCursorAlone) {
  Program program;
  program.win32.Windows[4321] = {0, 0, 152, 112};
  program.Start("/p 4321");
  auto* preview = program.module.frmMain.get();
  ASSERT_NE(preview, nullptr);
  EXPECT_THAT(program.log.Matching("frmMain.PaintPicture"),
              ElementsAre("frmMain.PaintPicture(101,0,0,2280,1680)"));
  EXPECT_EQ(program.log.IndexOf("ShowCursor"), -1);
  EXPECT_EQ(program.log.IndexOf("PlaySoundA"), -1);
  EXPECT_EQ(program.log.IndexOf("LoadResData"), -1);
  EXPECT_TRUE(preview->SoundData.empty());
  EXPECT_EQ(preview->RandomDelay, 0);
  for (int i = 0; i < 5; ++i) program.Tick();
  EXPECT_EQ(preview->IntervalElapsed, 0);
  EXPECT_EQ(preview->RandomElapsed, 0);
  EXPECT_THAT(
      program.log.Matching("frmMain.PaintPicture"),
      ElementsAre(
          "frmMain.PaintPicture(101,0,0,2280,1680)", "frmMain.PaintPicture(102,0,0,2280,1680)",
          "frmMain.PaintPicture(101,0,0,2280,1680)", "frmMain.PaintPicture(102,0,0,2280,1680)",
          "frmMain.PaintPicture(101,0,0,2280,1680)", "frmMain.PaintPicture(102,0,0,2280,1680)"));
}

TEST(RandomDelay, SpansTenToSevenThousandTwoHundredTicks) {
  const float largestBelowOne = std::nextafter(1.0f, 0.0f);
  const std::pair<float, std::int32_t> cases[] = {
      {0.0f, 10}, {largestBelowOne, 7200}, {0.5f, 3605}, {1.5f / 7191.0f, 11}};
  for (const auto& [r, delay] : cases) {
    Program program;
    program.Store("Delay Random", "-1");
    program.runtime.RandomValues = {r};
    program.Start("/s");
    EXPECT_EQ(program.module.frmMain->RandomDelay, delay) << r;
  }
}

TEST(Tick, FramesAlternateAndAreCentredAtTheirHimetricSize) {
  Program program;
  program.Start("/s");
  program.Tick();
  program.Tick();
  EXPECT_THAT(program.log.Matching("frmMain.PaintPicture"),
              ElementsAre("frmMain.PaintPicture(101,11754,3866.5,5292,8467)",
                          "frmMain.PaintPicture(102,11754,3866.5,5292,8467)",
                          "frmMain.PaintPicture(101,11754,3866.5,5292,8467)"));
  // Each Tick clears before it draws, so the image holds one frame.
  EXPECT_EQ(program.runtime.FindForm("frmMain")->Image().Kept().size(), 1u);
}

TEST(Tick, ASmallScreenPlacesTheFrameAtNegativeOffsets) {
  Program program;
  program.win32.DesktopRect = {0, 0, 640, 480};
  program.Start("/s");
  EXPECT_THAT(program.log.Matching("frmMain.PaintPicture"),
              ElementsAre("frmMain.PaintPicture(101,2154,-633.5,5292,8467)"));
}

TEST(Tick, ContinuousPlayStopsOnTheIntervalthTickAndNeverRestarts) {
  Program program;
  program.Store("Delay Interval", "10");
  program.Start("/s");  // the load runs Tick 1
  auto stops = [&] { return program.log.Matching("PlaySoundA(null,0,4)").size(); };
  for (int tick = 2; tick < 10; ++tick) program.Tick();
  EXPECT_EQ(stops(), 0u);
  program.Tick();  // Tick 10
  EXPECT_EQ(stops(), 1u);
  EXPECT_EQ(program.module.frmMain->IntervalElapsed, 0);
  for (int tick = 11; tick < 20; ++tick) program.Tick();
  EXPECT_EQ(stops(), 1u);
  program.Tick();  // Tick 20
  EXPECT_EQ(stops(), 2u);
  EXPECT_EQ(program.log.Matching("PlaySoundA(sound").size(), 1u);  // only the load's loop
  EXPECT_EQ(program.log.Matching("PlaySoundA(sound,0,15)").size(), 1u);
}

TEST(Tick, RandomPlayComesAfterTheDrawnDelayThenRedraws) {
  Program program;
  program.Store("Delay Random", "-1");
  program.runtime.RandomValues = {0.0f, 1.5f / 7191.0f, 0.0f};  // delays 10, 11, 10
  program.Start("/s");
  std::vector<void const*> played;
  program.win32.OnPlaySound = [&](const void* sound, std::int32_t flags) {
    EXPECT_EQ(flags, 7);
    played.push_back(sound);
  };
  for (int tick = 2; tick < 10; ++tick) program.Tick();
  EXPECT_TRUE(played.empty());
  program.Tick();  // Tick 10
  ASSERT_EQ(played.size(), 1u);
  EXPECT_EQ(played[0], program.module.frmMain->SoundData.data());
  EXPECT_EQ(program.module.frmMain->RandomDelay, 11);
  EXPECT_EQ(program.module.frmMain->RandomElapsed, 0);
  // The play comes before the new draw.
  const auto tail = From(program, "PlaySoundA(sound,0,7)");
  ASSERT_GE(tail.size(), 3u);
  EXPECT_EQ(tail[1], "Randomize");
  EXPECT_EQ(tail[2].rfind("Rnd=", 0), 0u);
  for (int tick = 0; tick < 10; ++tick) program.Tick();
  EXPECT_EQ(played.size(), 1u);
  program.Tick();  // 11 Ticks after the first play
  EXPECT_EQ(played.size(), 2u);
  EXPECT_EQ(program.log.IndexOf("PlaySoundA(null"), -1);  // random mode never stops a loop
}

TEST(Tick, TheIdleCounterDoesNotEndTheSaverAfterWeeks) {
  Program program;
  program.Start("/s");
  auto* saver = program.module.frmMain.get();
  saver->RandomElapsed = std::numeric_limits<std::int32_t>::max() - 100;
  saver->IntervalElapsed = 0;
  for (int tick = 0; tick < 119; ++tick) program.Tick();
  EXPECT_TRUE(program.log.Matching("PlaySoundA(null").empty());
  program.Tick();
  EXPECT_EQ(program.log.Matching("PlaySoundA(null,0,4)").size(), 1u);

  Program random;
  random.Store("Delay Random", "-1");
  random.runtime.RandomValues = {0.0f, 0.0f};
  random.Start("/s");
  random.module.frmMain->IntervalElapsed = std::numeric_limits<std::int32_t>::max() - 100;
  for (int tick = 2; tick < 10; ++tick) random.Tick();
  random.Tick();
  EXPECT_EQ(random.log.Matching("PlaySoundA(sound,0,7)").size(), 1u);
}

// Pointer events in twips, each with whether the saver is still there after it.
TEST(Movement, EndsOnAMoveOfFiveTwipsFromTheLastRecordedPosition) {
  using Moves = std::vector<std::tuple<float, float, bool>>;
  const std::pair<const char*, Moves> cases[] = {
      {"the first event only records", {{9000, 6000, true}, {9015, 6000, false}}},
      {"under 5 both ways is recorded", {{100, 100, true}, {104.9f, 95.1f, true}, {105, 100, false}}},
      {"exactly 5 across", {{100, 100, true}, {95, 100, false}}},
      {"(0, 0) records nothing", {{0, 0, true}, {30, 0, true}, {45, 0, false}}},
      {"beyond 32767 twips", {{57585, 32385, true}, {57589, 32385, true}, {57570, 32385, false}}},
  };
  for (const auto& [what, moves] : cases) {
    Program program;
    program.Start("/s");
    for (const auto& [x, y, stays] : moves) {
      program.Raise("frmMain", [x = x, y = y](platform::FormModule& c) { c.Form_MouseMove(0, 0, x, y); });
      EXPECT_EQ(program.Form("frmMain") != nullptr, stays) << what << " at " << x << "," << y;
    }
  }
}

TEST(Movement, SmallMovesNeverEndHoweverFarTheyAddUpAndHalvesRoundToEven) {
  Program program;
  program.Start("/s");
  auto move = [&](float x, float y) {
    program.Raise("frmMain", [&](platform::FormModule& c) { c.Form_MouseMove(0, 0, x, y); });
  };
  move(100.5f, 101.5f);
  EXPECT_EQ(program.module.frmMain->LastMouseX, 100);
  EXPECT_EQ(program.module.frmMain->LastMouseY, 102);
  for (int i = 1; i <= 1000; ++i) move(100.0f + 4.0f * i, 102);
  ASSERT_NE(program.Form("frmMain"), nullptr);
  EXPECT_EQ(program.module.frmMain->LastMouseX, 4100);
}

TEST(Dismissal, EveryKeyAndButtonEventEndsTheSaver) {
  using Raiser = void (*)(platform::FormModule&);
  const Raiser raisers[] = {
      [](platform::FormModule& c) { c.Form_Click(); },
      [](platform::FormModule& c) { c.Form_DblClick(); },
      [](platform::FormModule& c) {
        std::int16_t k = 65, s = 0;
        c.Form_KeyDown(k, s);
      },
      [](platform::FormModule& c) {
        std::int16_t k = 97;
        c.Form_KeyPress(k);
      },
      [](platform::FormModule& c) {
        std::int16_t k = 65, s = 0;
        c.Form_KeyUp(k, s);
      },
      [](platform::FormModule& c) { c.Form_MouseDown(1, 0, 10, 10); },
      [](platform::FormModule& c) { c.Form_MouseUp(2, 0, 10, 10); },
  };
  for (const auto raise : raisers) {
    Program program;
    program.Start("/s");
    EXPECT_TRUE(program.Raise("frmMain", raise));
    EXPECT_EQ(program.runtime.LoadedForms().size(), 0u);
    EXPECT_EQ(program.module.frmMain, nullptr);
    EXPECT_EQ(program.win32.CursorCount(), 0);
  }
}

TEST(Dismissal, ARuntimeErrorEndsTheSaverWithoutAMessage) {
  Program program;
  program.Start("/s");
  program.module.DelayInterval = 0x7FFFFFFF;  // 500 x this overflows
  program.Tick();
  EXPECT_EQ(program.exitCode, 6);
  EXPECT_TRUE(program.backend.ErrorsShown.empty());
}

TEST(Dismissal, UnloadRestoresTheCursorAndStopsTheSoundBeforeReleasingIt) {
  Program program;
  program.Start("/s");
  frmMain* saver = program.module.frmMain.get();
  std::size_t bytesAtStop = 0;
  program.win32.OnPlaySound = [&](const void*, std::int32_t) {
    bytesAtStop = saver->SoundData.size();
  };
  program.log.Clear();
  program.Raise("frmMain", [](platform::FormModule& c) { c.Form_Click(); });
  EXPECT_THAT(program.Calls(), ElementsAre("Unload frmMain", "ShowCursor(-1)",
                                           "PlaySoundA(null,0,4)", "frmMain.Cls"));
  EXPECT_EQ(bytesAtStop, 32004u);  // still alive while the stop runs
  EXPECT_TRUE(saver->SoundData.empty());
  EXPECT_EQ(program.module.frmMain, nullptr);
  EXPECT_EQ(program.win32.CursorCount(), 0);
}

TEST(Dismissal, ThePreviewIgnoresInputAndUnloadsQuietly) {
  Program program;
  program.win32.Windows[4321] = {0, 0, 152, 112};
  program.Start("/p 4321");
  program.log.Clear();
  std::int16_t key = 27, shift = 0;
  program.Raise("frmMain", [&](platform::FormModule& c) {
    c.Form_MouseMove(0, 0, 10, 10);
    c.Form_MouseMove(0, 0, 500, 500);
    c.Form_MouseDown(1, 0, 500, 500);
    c.Form_Click();
    c.Form_KeyDown(key, shift);
  });
  EXPECT_TRUE(program.Calls().empty());
  ASSERT_NE(program.runtime.FindForm("frmMain"), nullptr);

  program.runtime.Unload(*program.runtime.FindForm("frmMain"));
  EXPECT_THAT(program.Calls(), ElementsAre("Unload frmMain", "frmMain.Cls"));
  EXPECT_EQ(program.module.frmMain, nullptr);
}

}  // namespace
}  // namespace vss::test

namespace vss::test {
namespace {

struct Memory : ScheduleMemory {
  std::optional<SoundSchedule> kept;
  std::optional<SoundSchedule> Recall() override { return kept; }
  void Keep(const SoundSchedule& schedule) override { kept = schedule; }
};

// A run of the saver for a host that restarts it within one blanking.
struct SaverRun : Program {
  SaverRun(Memory& memory, const char* interval, const char* random) {
    module.Schedule = &memory;
    Store("Delay Interval", interval);
    Store("Delay Random", random);
    runtime.RandomValues = {0.0f, 0.0f};  // delays of 10 Ticks
    Start("/s");
  }
  std::size_t Count(const char* call) const { return log.Matching(call).size(); }
};

TEST(Restart, AFinishedLoopStaysFinishedAndAnUnfinishedOneKeepsItsTime) {
  Memory memory;
  {
    SaverRun first(memory, "10", "0");  // Tick 1
    for (int tick = 2; tick <= 4; ++tick) first.Tick();
  }
  SaverRun second(memory, "10", "0");  // Tick 5: the loop goes on
  EXPECT_EQ(second.Count("PlaySoundA(sound,0,15)"), 1u);
  for (int tick = 6; tick < 10; ++tick) second.Tick();
  EXPECT_EQ(second.Count("PlaySoundA(null,0,4)"), 0u);
  second.Tick();  // Tick 10 of the blanking
  EXPECT_EQ(second.Count("PlaySoundA(null,0,4)"), 1u);

  SaverRun third(memory, "10", "0");
  EXPECT_EQ(third.Count("PlaySoundA(sound"), 0u);

  SaverRun otherChoice(memory, "20", "0");
  EXPECT_EQ(otherChoice.Count("PlaySoundA(sound,0,15)"), 1u);
}

TEST(Restart, TheRandomCountdownGoesOn) {
  Memory memory;
  {
    SaverRun first(memory, "120", "-1");  // a delay of 10; Tick 1
    for (int tick = 2; tick <= 6; ++tick) first.Tick();
  }
  SaverRun second(memory, "120", "-1");  // Tick 7
  EXPECT_EQ(second.Count("Randomize"), 0u);
  second.Tick();
  second.Tick();
  EXPECT_EQ(second.Count("PlaySoundA(sound,0,7)"), 0u);
  second.Tick();  // Tick 10
  EXPECT_EQ(second.Count("PlaySoundA(sound,0,7)"), 1u);
}

}  // namespace
}  // namespace vss::test
