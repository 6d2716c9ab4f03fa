// The native loop on Wayland: the compositor's events to their listeners,
// the forms' timers (runtime::TimerQueue), and one more descriptor, waiting
// in poll() until the nearest timer is due.
#pragma once

#include <functional>
#include <memory>

#include "runtime/loaded_control.h"
#include "runtime/timer_queue.h"

#include "backends/wayland/wayland_display.h"

namespace vss::wayland {

class EventLoop {
 public:
  explicit EventLoop(Connection& connection) : connection_(connection) {}

  std::unique_ptr<runtime::ControlPeer> CreateTimer(runtime::LoadedControl& control) {
    return timers_.CreateTimer(control);
  }
  // Called before each wait, when everything that came has been handled.
  void BeforeWait(std::function<void()> idle) { idle_ = std::move(idle); }

  // Until Quit, or until the connection breaks (then lost is called);
  // ready whenever fd (if not -1) can be read.
  void Run(int fd, const std::function<void()>& ready, const std::function<void()>& lost);
  void Quit() { quit_ = true; }

 private:
  // Sends and waits; false when the connection broke.
  bool Wait(int fd, const std::function<void()>& ready);

  Connection& connection_;
  runtime::TimerQueue timers_;
  std::function<void()> idle_;
  bool quit_ = false;
};

}  // namespace vss::wayland
