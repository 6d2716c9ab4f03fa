#include "runtime/timer_queue.h"

#include <algorithm>
#include <vector>

namespace vss::runtime {

class TimerQueue::Peer final : public ControlPeer {
 public:
  Peer(TimerQueue& queue, LoadedControl& control) : queue_(queue), control_(control) {}
  ~Peer() override { queue_.Remove(this); }
  void SetTimer(std::int32_t milliseconds) override { queue_.Set(this, control_, milliseconds); }

 private:
  TimerQueue& queue_;
  LoadedControl& control_;
};

std::unique_ptr<ControlPeer> TimerQueue::CreateTimer(LoadedControl& control) {
  return std::make_unique<Peer>(*this, control);
}

void TimerQueue::Set(const Peer* peer, LoadedControl& control, std::int32_t milliseconds) {
  if (milliseconds <= 0) {
    Remove(peer);
    return;
  }
  const auto interval = std::chrono::milliseconds(milliseconds);
  timers_[peer] = Timer{&control, interval, Clock::now() + interval};
}

void TimerQueue::FireDue(const std::function<bool()>& stopped) {
  const auto now = Clock::now();
  std::vector<const Peer*> due;
  for (const auto& [peer, timer] : timers_) {
    if (timer.due <= now) due.push_back(peer);
  }
  for (const Peer* peer : due) {
    // An earlier timer's handler may have stopped or changed this one.
    const auto found = timers_.find(peer);
    if (found == timers_.end() || found->second.due > now || stopped()) continue;
    Timer& timer = found->second;
    timer.due += timer.interval;
    if (timer.due <= now) timer.due = now + timer.interval;
    timer.control->InputTimer();
  }
}

int TimerQueue::MillisecondsToNext() const {
  if (timers_.empty()) return -1;
  auto next = Clock::time_point::max();
  for (const auto& entry : timers_) next = std::min(next, entry.second.due);
  const auto wait = std::chrono::ceil<std::chrono::milliseconds>(next - Clock::now()).count();
  return static_cast<int>(std::clamp<long long>(wait, 0, 60 * 60 * 1000));
}

}  // namespace vss::runtime
