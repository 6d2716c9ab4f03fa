#include "native/blanking.h"

#include <signal.h>
#include <sys/resource.h>

#include <set>
#include <vector>

#include "support.h"

namespace vss::native {
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

  const auto fields = [](const SoundSchedule& s) {
    return std::vector<int>{s.DelayInterval, s.DelayRandom, s.IntervalElapsed,
                            s.RandomElapsed, s.RandomDelay, s.LoopStopped};
  };
  const SoundSchedule kept{600, True, 37, 12, 95, true};
  file.Keep(kept);
  ASSERT_TRUE(file.Recall().has_value());
  EXPECT_EQ(fields(*file.Recall()), fields(kept));

  // No byte may be written, as on a full tmpfs.
  EXPECT_TRUE(InChild([&] {
    const rlimit none{0, 0};
    if (::signal(SIGXFSZ, SIG_IGN) == SIG_ERR || ::setrlimit(RLIMIT_FSIZE, &none) != 0)
      return false;
    file.Keep(SoundSchedule{120, False, 1, 2, 3, false});
    return true;
  }));
  ASSERT_TRUE(file.Recall().has_value());
  EXPECT_EQ(fields(*file.Recall()), fields(kept));
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
}  // namespace vss::native
