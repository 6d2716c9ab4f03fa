#include "backends/x11/x11_loop.h"

#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <vector>

namespace vss::x11 {

class EventLoop::Peer final : public runtime::ControlPeer {
 public:
  Peer(EventLoop& loop, runtime::LoadedControl& control) : loop_(loop), control_(control) {}
  ~Peer() override { loop_.RemoveTimer(this); }
  void SetTimer(std::int32_t milliseconds) override {
    loop_.SetTimer(this, control_, milliseconds);
  }

 private:
  EventLoop& loop_;
  runtime::LoadedControl& control_;
};

std::unique_ptr<runtime::ControlPeer> EventLoop::CreateTimer(runtime::LoadedControl& control) {
  return std::make_unique<Peer>(*this, control);
}

void EventLoop::SetTimer(const Peer* peer, runtime::LoadedControl& control,
                         std::int32_t milliseconds) {
  if (milliseconds <= 0) {
    RemoveTimer(peer);
    return;
  }
  const auto interval = std::chrono::milliseconds(milliseconds);
  timers_[peer] = Timer{&control, interval, Clock::now() + interval};
}

void EventLoop::Run() {
  ::Display* display = connection_.Dpy();
  while (!quit_) {
    DispatchPending();
    if (quit_) break;
    FireDueTimers();
    if (quit_ || XEventsQueued(display, QueuedAfterFlush) > 0) continue;
    pollfd fds[2] = {{ConnectionNumber(display), POLLIN, 0}, {watchFd_, POLLIN, 0}};
    const nfds_t count = watchFd_ >= 0 ? 2 : 1;
    if (poll(fds, count, MillisecondsToNextTimer()) < 0 && errno != EINTR) break;
    if (count == 2 && (fds[1].revents & POLLIN) != 0) ready_();
  }
  XFlush(display);
}

void EventLoop::DispatchPending() {
  ::Display* display = connection_.Dpy();
  while (!quit_ && XPending(display) > 0) {
    XEvent event;
    XNextEvent(display, &event);
    // Sent to every client: a key's keysyms changed (xmodmap, a layout
    // switch, a tool that binds a spare key for a moment).
    if (event.type == MappingNotify) XRefreshKeyboardMapping(&event.xmapping);
    if (EventSink* sink = connection_.SinkOf(event.xany.window)) sink->HandleEvent(event);
  }
}

void EventLoop::FireDueTimers() {
  const auto now = Clock::now();
  std::vector<const Peer*> due;
  for (const auto& [peer, timer] : timers_) {
    if (timer.due <= now) due.push_back(peer);
  }
  for (const Peer* peer : due) {
    // An earlier timer's handler may have stopped or changed this one.
    const auto found = timers_.find(peer);
    if (found == timers_.end() || found->second.due > now || quit_) continue;
    Timer& timer = found->second;
    // A late timer fires once and keeps its rhythm; one far behind starts
    // counting afresh, as a coalesced timer message does.
    timer.due += timer.interval;
    if (timer.due <= now) timer.due = now + timer.interval;
    timer.control->InputTimer();
  }
}

int EventLoop::MillisecondsToNextTimer() const {
  if (timers_.empty()) return -1;
  auto next = Clock::time_point::max();
  for (const auto& entry : timers_) next = std::min(next, entry.second.due);
  const auto wait = std::chrono::ceil<std::chrono::milliseconds>(next - Clock::now()).count();
  return static_cast<int>(std::clamp<long long>(wait, 0, 60 * 60 * 1000));
}

}  // namespace vss::x11
