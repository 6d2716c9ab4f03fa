// The program's own top-level windows on X11: what they carry for other
// clients and the window manager, how one stays above everything, and the
// windows that show a form's image on the monitors its own window does not
// cover (MonitorView).
#pragma once

#include <string>

#include "runtime/image.h"

#include "backends/x11/x11_display.h"

namespace vss::x11 {

// A black window on the root with the form class (FindWindowA finds a
// running instance by it), the close request, the process id and, unless
// decorated, no frame.
Window CreateTopLevel(Connection& connection, const runtime::PixelRect& place, long eventMask,
                      bool decorated);
void SetWindowName(Connection& connection, Window window, const std::string& caption);
// Above everything: EWMH full screen and above with a window manager,
// which fits it to the monitor it lies on; out of its reach
// (override-redirect) without one. Before the first map.
void MakeWindowTopmost(Connection& connection, Window window, bool windowManager);

// A window over one monitor: black, showing the form's image moved so that
// the form's centre falls on the monitor's (runtime::CentreOffset). Its
// events go to the sink (the form's window, X11Form), which moves them back
// by that offset.
class MonitorView {
 public:
  MonitorView(Connection& connection, EventSink& sink, const runtime::PixelRect& monitor,
              long eventMask, const std::string& caption, bool windowManager);
  ~MonitorView();
  MonitorView(const MonitorView&) = delete;
  MonitorView& operator=(const MonitorView&) = delete;

  Window Xid() const { return window_; }
  const runtime::PixelRect& Monitor() const { return monitor_; }
  runtime::Offset OffsetOf(int formWidth, int formHeight) const;

  // Mapped above everything, the pointer shaped so.
  void Show(Cursor cursor);
  void SetCursor(Cursor cursor);
  // What shows around the form's image; the window repainted in it.
  void SetBackground(unsigned long pixel);
  // Everything exposed again: the form's image moved.
  void Repaint();
  // Destroyed by another client: nothing left to destroy.
  void Lost() { lost_ = true; }

 private:
  Connection& connection_;
  runtime::PixelRect monitor_;
  Window window_;
  bool lost_ = false;
};

}  // namespace vss::x11
