#include "backends/x11/x11_window.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <unistd.h>

#include <algorithm>

namespace vss::x11 {

Window CreateTopLevel(Connection& connection, const runtime::PixelRect& place, long eventMask,
                      bool decorated) {
  ::Display* display = connection.Dpy();
  XSetWindowAttributes attributes{};
  attributes.background_pixel = BlackPixel(display, connection.ScreenNumber());
  attributes.border_pixel = 0;
  attributes.event_mask = eventMask;
  // X has no empty window: the least it has is one pixel.
  const Window window = XCreateWindow(display, connection.Root(), place.left, place.top,
                                      static_cast<unsigned>(std::max(1, place.right - place.left)),
                                      static_cast<unsigned>(std::max(1, place.bottom - place.top)),
                                      0, CopyFromParent, InputOutput, CopyFromParent,
                                      CWBackPixel | CWBorderPixel | CWEventMask, &attributes);
  // Placed by the program: a window manager leaves it on its monitor.
  XSizeHints hints{};
  hints.flags = USPosition | USSize;
  hints.x = place.left;
  hints.y = place.top;
  hints.width = place.right - place.left;
  hints.height = place.bottom - place.top;
  XSetWMNormalHints(display, window, &hints);
  const AtomSet& atoms = connection.Atoms();
  std::string instance = "vorlan-screen-saver-2";
  std::string windowClass = FormWindowClass;
  XClassHint hint{instance.data(), windowClass.data()};
  XSetClassHint(display, window, &hint);
  ::Atom protocols[] = {atoms.WmDeleteWindow};
  XSetWMProtocols(display, window, protocols, 1);
  const long pid = static_cast<long>(getpid());
  XChangeProperty(display, window, atoms.NetWmPid, XA_CARDINAL, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(&pid), 1);
  if (!decorated) {
    // Motif hints: flags = decorations given, decorations = none.
    const long motif[5] = {2, 0, 0, 0, 0};
    XChangeProperty(display, window, atoms.MotifWmHints, atoms.MotifWmHints, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(motif), 5);
  }
  return window;
}

void SetWindowName(Connection& connection, Window window, const std::string& caption) {
  ::Display* display = connection.Dpy();
  XStoreName(display, window, caption.c_str());
  XChangeProperty(display, window, connection.Atoms().NetWmName, connection.Atoms().Utf8String, 8,
                  PropModeReplace, reinterpret_cast<const unsigned char*>(caption.data()),
                  static_cast<int>(caption.size()));
}

void MakeWindowTopmost(Connection& connection, Window window, bool windowManager) {
  ::Display* display = connection.Dpy();
  if (windowManager) {
    // Set before the map, the state is the window's from the start.
    const AtomSet& atoms = connection.Atoms();
    const ::Atom state[] = {atoms.NetWmStateFullscreen, atoms.NetWmStateAbove};
    XChangeProperty(display, window, atoms.NetWmState, XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(state), 2);
    return;
  }
  XSetWindowAttributes attributes{};
  attributes.override_redirect = True;
  XChangeWindowAttributes(display, window, CWOverrideRedirect, &attributes);
}

// ---- MonitorView ----------------------------------------------------------------

MonitorView::MonitorView(Connection& connection, EventSink& sink, const runtime::PixelRect& monitor,
                         long eventMask, const std::string& caption, bool windowManager)
    : connection_(connection),
      monitor_(monitor),
      window_(CreateTopLevel(connection, monitor, eventMask, false)) {
  SetWindowName(connection_, window_, caption);
  MakeWindowTopmost(connection_, window_, windowManager);
  connection_.Register(window_, &sink);
}

MonitorView::~MonitorView() {
  connection_.Unregister(window_);
  if (lost_) return;
  ErrorTrap trap(connection_.Dpy());
  XDestroyWindow(connection_.Dpy(), window_);
  trap.Failed();
}

runtime::Offset MonitorView::OffsetOf(int formWidth, int formHeight) const {
  return runtime::CentreOffset(formWidth, formHeight, monitor_.right - monitor_.left,
                               monitor_.bottom - monitor_.top);
}

void MonitorView::Show(Cursor cursor) {
  SetCursor(cursor);
  XMapRaised(connection_.Dpy(), window_);
}

void MonitorView::SetCursor(Cursor cursor) {
  if (!lost_) XDefineCursor(connection_.Dpy(), window_, cursor);
}

void MonitorView::SetBackground(unsigned long pixel) {
  if (lost_) return;
  XSetWindowBackground(connection_.Dpy(), window_, pixel);
  XClearWindow(connection_.Dpy(), window_);
}

void MonitorView::Repaint() {
  if (!lost_) XClearArea(connection_.Dpy(), window_, 0, 0, 0, 0, True);
}

}  // namespace vss::x11
