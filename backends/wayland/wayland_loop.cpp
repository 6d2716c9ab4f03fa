#include "backends/wayland/wayland_loop.h"

#include <poll.h>

#include <cerrno>

namespace vss::wayland {

void EventLoop::Run(int fd, const std::function<void()>& ready, const std::function<void()>& lost) {
  wl_display* display = connection_.Display();
  while (!quit_) {
    if (wl_display_dispatch_pending(display) < 0) break;
    if (quit_) break;
    timers_.FireDue([this] { return quit_; });
    if (quit_) break;
    if (idle_) idle_();
    if (!Wait(fd, ready)) break;
  }
  if (wl_display_get_error(display) != 0) {
    lost();
    return;
  }
  wl_display_flush(display);
}

// Reads the compositor's events into the queue without dispatching them:
// they are dispatched at the top of the loop.
bool EventLoop::Wait(int fd, const std::function<void()>& ready) {
  wl_display* display = connection_.Display();
  while (wl_display_prepare_read(display) != 0) {
    if (wl_display_dispatch_pending(display) < 0) return false;
  }
  // A full socket: wait until it can take the rest as well.
  errno = 0;
  const bool flushed = wl_display_flush(display) >= 0;
  const bool more = !flushed && errno == EAGAIN;
  if (!flushed && !more) {
    wl_display_cancel_read(display);
    return false;
  }
  const short events = static_cast<short>(POLLIN | (more ? POLLOUT : 0));
  pollfd fds[2] = {{wl_display_get_fd(display), events, 0}, {fd, POLLIN, 0}};
  const int count = poll(fds, fd >= 0 ? 2 : 1, timers_.MillisecondsToNext());
  if (count < 0 && errno != EINTR) {
    wl_display_cancel_read(display);
    return false;
  }
  if (count > 0 && (fds[0].revents & (POLLIN | POLLERR | POLLHUP)) != 0) {
    if (wl_display_read_events(display) < 0) return false;
  } else {
    wl_display_cancel_read(display);
  }
  if (fd >= 0 && count > 0 && (fds[1].revents & POLLIN) != 0) ready();
  return true;
}

}  // namespace vss::wayland
