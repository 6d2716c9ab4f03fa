// The native loop: X events to their windows, and the timers of the forms'
// timer controls, waiting in poll() on the connection until the nearest
// timer is due.
#pragma once

#include <functional>
#include <memory>

#include "runtime/backend.h"
#include "runtime/loaded_control.h"
#include "runtime/timer_queue.h"

#include "backends/x11/x11_display.h"

namespace vss::x11 {

class EventLoop {
 public:
  explicit EventLoop(Connection& connection) : connection_(connection) {}

  // The native side of a timer control.
  std::unique_ptr<runtime::ControlPeer> CreateTimer(runtime::LoadedControl& control) {
    return timers_.CreateTimer(control);
  }

  // Calls ready whenever fd has something to read (one descriptor).
  void Watch(int fd, std::function<void()> ready) {
    watchFd_ = fd;
    ready_ = std::move(ready);
  }

  // Called once the events of a change of the monitors are all read.
  void OnMonitorsChanged(std::function<void()> changed) { monitorsChanged_ = std::move(changed); }

  // Until Quit.
  void Run();
  void Quit() { quit_ = true; }

 private:
  void DispatchPending();

  Connection& connection_;
  runtime::TimerQueue timers_;
  int watchFd_ = -1;
  std::function<void()> ready_;
  std::function<void()> monitorsChanged_;
  bool quit_ = false;
};

}  // namespace vss::x11
