// The sound schedule as it stands after a Tick. A host that restarts the
// saver within one blanking (XScreenSaver does, every few minutes) keeps it
// for the next run, so a finished loop stays finished and a random countdown
// goes on from where it was.
#pragma once

#include <cstdint>
#include <optional>

#include "api/vbnum.h"

namespace vss {

struct SoundSchedule {
  // The options it was counted for; another choice starts afresh.
  std::int32_t DelayInterval = 0;
  Boolean DelayRandom = False;
  std::int32_t IntervalElapsed = 0;
  std::int32_t RandomElapsed = 0;
  std::int32_t RandomDelay = 0;
  bool LoopStopped = false;
};

class ScheduleMemory {
 public:
  virtual ~ScheduleMemory() = default;
  // What the last run of this blanking kept, if any.
  virtual std::optional<SoundSchedule> Recall() = 0;
  virtual void Keep(const SoundSchedule& schedule) = 0;
};

}  // namespace vss
