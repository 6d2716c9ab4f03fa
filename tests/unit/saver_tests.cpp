#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>

#include "harness.h"
#include "saver/frmMain.h"

namespace vss::test {
namespace {

using ::testing::ElementsAre;
using ::testing::StartsWith;

std::vector<std::string> From(const Program& program, const std::string& first) {
  const int start = program.log.IndexOf(first);
  if (start < 0) return {};
  return {program.Calls().begin() + start, program.Calls().end()};
}

// On a small screen the frame, centred, starts above its top.
TEST(FormLoad, SaverInContinuousModeStartsTheLoopHidesTheCursorThenCoversTheScreen) {
  Program program;
  program.win32.DesktopRect = {0, 0, 640, 480};
  const void* played = nullptr;
  program.win32.OnPlaySound = [&](const void* sound, std::int32_t) { played = sound; };
  program.Start("/s");
  const std::string h = std::to_string(program.Form("frmMain")->hWnd());
  EXPECT_TRUE(program.InOrder(
      {"PlaySoundA(sound,0,15)", "ShowCursor(0)", "SetWindowPos(" + h + ",-1,0,0,640,480,64)"}));
  // The whole clip resource is handed over.
  EXPECT_EQ(program.module.frmMain->SoundData.size(), 32004u);
  EXPECT_EQ(played, program.module.frmMain->SoundData.data());
  const auto* window = static_cast<fake::FakeForm*>(program.Form("frmMain")->Peer());
  const runtime::DrawOp& frame = window->renders.back().Draws.back();
  EXPECT_EQ(std::make_pair(frame.Width, frame.Height), std::make_pair(353, 564));
  EXPECT_NEAR(2 * frame.X + frame.Width, 640, 1);  // centred, each side rounded
  EXPECT_NEAR(2 * frame.Y + frame.Height, 480, 1);
}

TEST(FormLoad, SaverInRandomModeDrawsADelayOfTenTo7200TicksAndPlaysNothing) {
  const float largestBelowOne = std::nextafter(1.0f, 0.0f);
  const std::pair<float, std::int32_t> cases[] = {
      {0.0f, 10}, {largestBelowOne, 7200}, {0.5f, 3605}, {1.5f / 7191.0f, 11}};
  for (const auto& [r, delay] : cases) {
    Program program;
    program.Store("Delay Random", "-1");
    program.runtime.RandomValues = {r};
    program.Start("/s");
    EXPECT_EQ(program.module.frmMain->RandomDelay, delay) << r;
    EXPECT_THAT(program.log.Matching("R"), ElementsAre("Randomize", StartsWith("Rnd=")));
    EXPECT_LT(program.log.IndexOf("Rnd="), program.log.IndexOf("ShowCursor(0)"));
    EXPECT_EQ(program.log.IndexOf("PlaySoundA"), -1);
  }
}

TEST(Tick, ContinuousPlayStopsOnTheIntervalthTickAndNeverRestarts) {
  Program program;
  program.Store("Delay Interval", "10");
  program.Start("/s");  // the load runs Tick 1
  auto stops = [&] { return program.log.Matching("PlaySoundA(null,0,4)").size(); };
  program.Tick(8);
  EXPECT_EQ(stops(), 0u);
  program.Tick();  // Tick 10
  EXPECT_EQ(stops(), 1u);
  program.Tick(9);
  EXPECT_EQ(stops(), 1u);
  program.Tick();  // Tick 20
  EXPECT_EQ(stops(), 2u);
  EXPECT_EQ(program.log.Matching("PlaySoundA(sound").size(), 1u);  // only the load's loop
}

TEST(Tick, RandomPlayComesAfterTheDrawnDelayThenRedraws) {
  Program program;
  program.Store("Delay Random", "-1");
  program.runtime.RandomValues = {0.0f, 1.5f / 7191.0f, 0.0f};  // delays 10, 11, 10
  program.Start("/s");
  std::vector<const void*> played;
  program.win32.OnPlaySound = [&](const void* sound, std::int32_t flags) {
    EXPECT_EQ(flags, 7);
    played.push_back(sound);
  };
  program.Tick(8);
  EXPECT_TRUE(played.empty());
  program.Tick();  // Tick 10
  ASSERT_EQ(played.size(), 1u);
  EXPECT_EQ(played[0], program.module.frmMain->SoundData.data());
  // The play comes before the new draw and the frame.
  EXPECT_THAT(From(program, "PlaySoundA"),
              ElementsAre("PlaySoundA(sound,0,7)", "Randomize", StartsWith("Rnd="),
                          StartsWith("LoadResPicture"), StartsWith("frmMain.PaintPicture")));
  program.Tick(10);
  EXPECT_EQ(played.size(), 1u);
  program.Tick();  // 11 Ticks after the first play
  EXPECT_EQ(played.size(), 2u);
  EXPECT_EQ(program.log.IndexOf("PlaySoundA(null"), -1);  // random mode never stops a loop
}

TEST(Tick, TheIdleCounterDoesNotEndTheSaverAfterWeeks) {
  constexpr std::int32_t nearLimit = std::numeric_limits<std::int32_t>::max() - 100;
  Program program;
  program.Start("/s");
  program.module.frmMain->RandomElapsed = nearLimit;
  program.module.frmMain->IntervalElapsed = 0;
  program.Tick(119);
  EXPECT_TRUE(program.log.Matching("PlaySoundA(null").empty());
  program.Tick();
  EXPECT_EQ(program.log.Matching("PlaySoundA(null,0,4)").size(), 1u);

  Program random;
  random.Store("Delay Random", "-1");
  random.runtime.RandomValues = {0.0f, 0.0f};
  random.Start("/s");
  random.module.frmMain->IntervalElapsed = nearLimit;
  random.Tick(9);
  EXPECT_EQ(random.log.Matching("PlaySoundA(sound,0,7)").size(), 1u);
}

// Pointer events in twips, each with whether the saver is still there after it.
TEST(Movement, EndsOnAMoveOfFiveTwipsFromTheLastRecordedPosition) {
  using Moves = std::vector<std::tuple<float, float, bool>>;
  const std::pair<const char*, Moves> cases[] = {
      {"the first event only records", {{9000, 6000, true}, {9015, 6000, false}}},
      {"under 5 both ways is recorded",
       {{100, 100, true}, {104.9f, 95.1f, true}, {105, 100, false}}},
      {"exactly 5 across", {{100, 100, true}, {95, 100, false}}},
      {"small moves never add up",
       {{100, 9, true}, {104, 9, true}, {108, 9, true}, {112, 9, true}}},
      {"a half rounds down to even", {{102.5f, 9, true}, {107, 9, false}}},
      {"a half rounds up to even", {{101.5f, 9, true}, {106.9f, 9, true}}},
      {"(0, 0) records nothing", {{0, 0, true}, {30, 0, true}, {45, 0, false}}},
      {"the left edge is a recorded position", {{0, 6000, true}, {0, 6015, false}}},
      {"beyond 32767 twips", {{57585, 32385, true}, {57589, 32385, true}, {57570, 32385, false}}},
  };
  for (const auto& [what, moves] : cases) {
    Program program;
    program.Start("/s");
    for (const auto& [x, y, stays] : moves) {
      program.Raise("frmMain", [x = x, y = y](auto& c) { c.Form_MouseMove(0, 0, x, y); });
      EXPECT_EQ(program.Form("frmMain") != nullptr, stays) << what << " at " << x << "," << y;
    }
  }
}

TEST(Dismissal, EveryKeyAndButtonEventEndsTheSaver) {
  std::int16_t key = 65, shift = 0;
  const std::function<void(FormModule&)> raisers[] = {
      [](FormModule& c) { c.Form_Click(); },
      [](FormModule& c) { c.Form_DblClick(); },
      [&](FormModule& c) { c.Form_KeyDown(key, shift); },
      [&](FormModule& c) { c.Form_KeyPress(key); },
      [&](FormModule& c) { c.Form_KeyUp(key, shift); },
      [](FormModule& c) { c.Form_MouseDown(1, 0, 10, 10); },
      [](FormModule& c) { c.Form_MouseUp(2, 0, 10, 10); }};
  for (const auto& raise : raisers) {
    Program program;
    program.Start("/s");
    EXPECT_TRUE(program.Raise("frmMain", raise));
    EXPECT_TRUE(program.runtime.LoadedForms().empty());
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
  program.Raise("frmMain", [](FormModule& c) { c.Form_Click(); });
  EXPECT_THAT(program.Calls(), ElementsAre("Unload frmMain", "ShowCursor(-1)",
                                           "PlaySoundA(null,0,4)", "frmMain.Cls"));
  EXPECT_EQ(bytesAtStop, 32004u);  // still alive while the stop runs
  EXPECT_TRUE(saver->SoundData.empty());
  EXPECT_EQ(program.module.frmMain, nullptr);
}

TEST(Preview, StretchesSilentlyIgnoresInputAndUnloadsQuietly) {
  Program program;
  program.win32.Windows[4321] = {0, 0, 152, 112};
  program.Start("/p 4321");
  program.Tick(2);
  EXPECT_THAT(program.log.Matching("frmMain.PaintPicture"),
              ElementsAre("frmMain.PaintPicture(101,0,0,2280,1680)",
                          "frmMain.PaintPicture(102,0,0,2280,1680)",
                          "frmMain.PaintPicture(101,0,0,2280,1680)"));
  for (const char* call : {"LoadResData", "PlaySoundA", "ShowCursor"}) {
    EXPECT_EQ(program.log.IndexOf(call), -1) << call;
  }
  program.log.Clear();
  std::int16_t key = 27, shift = 0;
  program.Raise("frmMain", [&](FormModule& c) {
    c.Form_MouseMove(0, 0, 10, 10);
    c.Form_MouseMove(0, 0, 500, 500);
    c.Form_MouseDown(1, 0, 500, 500);
    c.Form_Click();
    c.Form_KeyDown(key, shift);
  });
  EXPECT_TRUE(program.Calls().empty());
  ASSERT_NE(program.Form("frmMain"), nullptr);
  program.runtime.Unload(*program.Form("frmMain"));
  EXPECT_THAT(program.Calls(), ElementsAre("Unload frmMain", "frmMain.Cls"));
}

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
};

// A kept schedule is taken up only for the options it was kept with and
// while its counters can still meet their targets: each bound, one step
// inside and one outside. Stored: 10 Ticks of continuous play, or random.
TEST(Restart, AKeptScheduleCountsOnlyWithinItsBounds) {
  const std::tuple<bool, SoundSchedule, bool> cases[] = {
      {false, {10, False, 4000, 0, 0, false}, true},
      {false, {10, False, 5000, 0, 0, false}, false},  // the loop's end reached
      {false, {10, False, -500, 0, 0, false}, false},
      {false, {20, False, 1000, 0, 0, false}, false},  // other options
      {false, {10, True, 1000, 0, 10, false}, false},
      {true, {10, True, 0, 1000, 3600, false}, true},
      {true, {10, True, 0, 5000, 10, false}, false},  // the delay's end reached
      {true, {10, True, 0, -500, 10, false}, false},
      {true, {10, True, 0, 1000, 9, false}, false},
      {true, {10, True, 0, 1000, 7200, false}, true},
      {true, {10, True, 0, 1000, 7201, false}, false},
  };
  for (const auto& [random, kept, recalled] : cases) {
    Memory memory;
    memory.kept = kept;
    const SaverRun program(memory, "10", random ? "-1" : "0");  // Tick 1; drawn delays of 10
    const frmMain& saver = *program.module.frmMain;
    const auto after = std::array{saver.IntervalElapsed, saver.RandomElapsed, saver.RandomDelay};
    const auto expected = recalled
                              ? std::array{kept.IntervalElapsed + 500, kept.RandomElapsed + 500,
                                           random ? kept.RandomDelay : 0}
                              : std::array{500, 500, random ? 10 : 0};
    EXPECT_EQ(after, expected) << kept.DelayInterval << " " << kept.DelayRandom << " "
                               << kept.IntervalElapsed << " " << kept.RandomElapsed << " "
                               << kept.RandomDelay;
  }
}

}  // namespace
}  // namespace vss::test
