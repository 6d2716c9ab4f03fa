#include "backends/x11/x11_loop.h"

#include <poll.h>

#include <cerrno>

namespace vss::x11 {

void EventLoop::Run() {
  ::Display* display = connection_.Dpy();
  while (!quit_) {
    DispatchPending();
    if (quit_) break;
    timers_.FireDue([this] { return quit_; });
    if (quit_ || XEventsQueued(display, QueuedAfterFlush) > 0) continue;
    pollfd fds[2] = {{ConnectionNumber(display), POLLIN, 0}, {watchFd_, POLLIN, 0}};
    const nfds_t count = watchFd_ >= 0 ? 2 : 1;
    if (poll(fds, count, timers_.MillisecondsToNext()) < 0 && errno != EINTR) break;
    if (count == 2 && (fds[1].revents & POLLIN) != 0) ready_();
  }
  XFlush(display);
}

void EventLoop::DispatchPending() {
  ::Display* display = connection_.Dpy();
  // One change of the monitors comes as several events; what they leave
  // counts.
  bool monitors = false;
  while (!quit_ && XPending(display) > 0) {
    XEvent event;
    XNextEvent(display, &event);
    // Sent to every client: a key's keysyms changed (xmodmap, a layout
    // switch, a tool that binds a spare key for a moment).
    if (event.type == MappingNotify) XRefreshKeyboardMapping(&event.xmapping);
    if (connection_.MonitorEvent(event)) {
      monitors = true;
    } else if (EventSink* sink = connection_.SinkOf(event.xany.window)) {
      sink->HandleEvent(event);
    }
  }
  if (monitors && !quit_ && monitorsChanged_) monitorsChanged_();
}

}  // namespace vss::x11
