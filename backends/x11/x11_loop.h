// The native loop: X events to their windows, and the timers of the forms'
// timer controls, waiting in poll() on the connection until the nearest
// timer is due.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>

#include "runtime/backend.h"
#include "runtime/loaded_control.h"

#include "backends/x11/x11_display.h"

namespace vss::x11 {

class EventLoop {
 public:
  explicit EventLoop(Connection& connection) : connection_(connection) {}

  // The native side of a timer control.
  std::unique_ptr<runtime::ControlPeer> CreateTimer(runtime::LoadedControl& control);

  // Calls ready whenever fd has something to read (one descriptor).
  void Watch(int fd, std::function<void()> ready) {
    watchFd_ = fd;
    ready_ = std::move(ready);
  }

  // Until Quit.
  void Run();
  void Quit() { quit_ = true; }

 private:
  using Clock = std::chrono::steady_clock;
  struct Timer {
    runtime::LoadedControl* control;
    Clock::duration interval;
    Clock::time_point due;
  };
  class Peer;

  void SetTimer(const Peer* peer, runtime::LoadedControl& control, std::int32_t milliseconds);
  void RemoveTimer(const Peer* peer) { timers_.erase(peer); }
  void DispatchPending();
  void FireDueTimers();
  int MillisecondsToNextTimer() const;

  Connection& connection_;
  std::map<const Peer*, Timer> timers_;
  int watchFd_ = -1;
  std::function<void()> ready_;
  bool quit_ = false;
};

}  // namespace vss::x11
