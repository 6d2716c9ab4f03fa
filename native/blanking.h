// What the saver processes of one blanking share through small files in the
// user's run-time folder (RuntimeFolder): each monitor's sound schedule,
// kept across the host's restarts (XScreenSaver restarts its hacks every
// `cycle`), and the lock that lets one of them play.
//
// A blanking is told by the host process that started the saver, its pid
// and start time: XScreenSaver starts a new xscreensaver-gfx for each
// blanking and restarts its hacks from it, xsecurelock a new
// saver_multiplex for each lock.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "saver/schedule.h"

namespace vss::native {

class SoundPlayer;

// "<pid>-<start time>" of a live process; empty when it is gone or there
// is no /proc.
std::string ProcessKey(pid_t pid);

// Removes the files of blankings whose host process has gone.
void RemoveStale(const std::string& folder);

// The schedule as one line of a file, replaced whole with each Keep.
class ScheduleFile final : public ScheduleMemory {
 public:
  explicit ScheduleFile(std::string path) : path_(std::move(path)) {}
  std::optional<SoundSchedule> Recall() override;
  void Keep(const SoundSchedule& schedule) override;

 private:
  std::string path_;
};

// The player of one process among those of a blanking: it plays only while
// it holds the blanking's lock, which the first to play takes. A loop that
// cannot sound yet waits for the lock (a restarted saver's predecessor may
// still be ending, or the holder's monitor may go) and starts then.
class SharedVoice {
 public:
  SharedVoice(SoundPlayer& player, const std::string& lockPath);
  ~SharedVoice();
  SharedVoice(const SharedVoice&) = delete;
  SharedVoice& operator=(const SharedVoice&) = delete;

  // As SoundPlayer's; a looped image must stay until Stop.
  void Play(const std::uint8_t* image, bool loop);
  void Stop();

 private:
  struct State;
  std::shared_ptr<State> state_;
};

}  // namespace vss::native
