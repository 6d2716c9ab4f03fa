#include "platform/linux/blanking.h"

#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <set>

#include "support.h"

namespace vss::posix {
namespace {

std::set<std::string> Names(const fs::path& folder) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.insert(entry.path().filename());
  return names;
}

TEST(ScheduleFile, KeepsTheWholeScheduleOrTheLastOneWhenTheFolderIsFull) {
  TempDir dir;
  ScheduleFile file((dir.path / "schedule").string());
  EXPECT_FALSE(file.Recall().has_value());

  const SoundSchedule kept{600, True, 37, 12, 95, true};
  file.Keep(kept);
  auto recalled = file.Recall();
  ASSERT_TRUE(recalled.has_value());
  EXPECT_EQ(recalled->DelayInterval, 600);
  EXPECT_EQ(recalled->DelayRandom, True);
  EXPECT_EQ(recalled->IntervalElapsed, 37);
  EXPECT_EQ(recalled->RandomElapsed, 12);
  EXPECT_EQ(recalled->RandomDelay, 95);
  EXPECT_TRUE(recalled->LoopStopped);

  // No byte may be written, as on a full tmpfs.
  rlimit saved{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  const auto oldHandler = signal(SIGXFSZ, SIG_IGN);
  rlimit none = saved;
  none.rlim_cur = 0;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &none), 0);
  file.Keep(SoundSchedule{120, False, 1, 2, 3, false});
  setrlimit(RLIMIT_FSIZE, &saved);
  signal(SIGXFSZ, oldHandler);

  recalled = file.Recall();
  ASSERT_TRUE(recalled.has_value());
  EXPECT_EQ(recalled->DelayInterval, 600);
  EXPECT_EQ(Names(dir.path), std::set<std::string>{"schedule"});
}

TEST(RemoveStale, RemovesOnlyTheFilesOfBlankingsWhoseHostHasGone) {
  TempDir dir;
  const pid_t child = fork();
  if (child == 0) _exit(0);
  ASSERT_EQ(waitpid(child, nullptr, 0), child);
  const std::string live = ProcessKey(getpid());
  ASSERT_FALSE(live.empty());
  const std::string pid = std::to_string(getpid());

  for (const std::string& name :
       std::set<std::string>{live + "-schedule", live + "-chime", pid + "-1-schedule",
                             std::to_string(child) + "-7-chime", "notes", "12abc-x"}) {
    std::ofstream(dir.path / name) << "x";
  }
  RemoveStale(dir.path.string());
  // A reused pid with another start time is another host.
  EXPECT_EQ(Names(dir.path),
            (std::set<std::string>{live + "-schedule", live + "-chime", "notes", "12abc-x"}));
}

}  // namespace
}  // namespace vss::posix
