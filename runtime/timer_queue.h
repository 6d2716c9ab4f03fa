// The forms' timer controls where the system has no timer messages (X11,
// Wayland): each fires every interval, counting afresh when set; a late
// timer fires once and keeps its rhythm, one far behind starts counting
// afresh, as a coalesced timer message does. The backend's loop waits for
// MillisecondsToNext and then calls FireDue.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>

#include "runtime/backend.h"
#include "runtime/loaded_control.h"

namespace vss::runtime {

class TimerQueue {
 public:
  // The native side of a timer control.
  std::unique_ptr<ControlPeer> CreateTimer(LoadedControl& control);

  // Raises Timer on each control that is due; stopped() is asked before
  // each, as a handler may end the loop.
  void FireDue(const std::function<bool()>& stopped);
  // -1 when no timer runs.
  int MillisecondsToNext() const;

 private:
  using Clock = std::chrono::steady_clock;
  struct Timer {
    LoadedControl* control;
    Clock::duration interval;
    Clock::time_point due;
  };
  class Peer;

  void Set(const Peer* peer, LoadedControl& control, std::int32_t milliseconds);
  void Remove(const Peer* peer) { timers_.erase(peer); }

  std::map<const Peer*, Timer> timers_;
};

}  // namespace vss::runtime
