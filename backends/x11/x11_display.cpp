#include "backends/x11/x11_display.h"

#include <X11/Xatom.h>
#include <X11/Xlib-xcb.h>
#include <X11/Xresource.h>
#include <X11/extensions/XShm.h>
#include <X11/extensions/Xrandr.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace vss::x11 {

namespace {

unsigned long errorCount = 0;

int CountError(::Display*, XErrorEvent*) {
  ++errorCount;
  return 0;
}

}  // namespace

void InstallErrorHandler() { XSetErrorHandler(CountError); }

ErrorTrap::ErrorTrap(::Display* display) : display_(display) {
  XSync(display_, False);
  errorsBefore_ = errorCount;
}

ErrorTrap::~ErrorTrap() = default;

bool ErrorTrap::Failed() {
  XSync(display_, False);
  return errorCount != errorsBefore_;
}

std::unique_ptr<Connection> Connection::Open() {
  ::Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) return nullptr;
  InstallErrorHandler();
  return std::unique_ptr<Connection>(new Connection(display));
}

Connection::Connection(::Display* display)
    : display_(display), root_(DefaultRootWindow(display)), screen_(DefaultScreen(display)) {
  const char* names[] = {
      "WM_PROTOCOLS",  "WM_DELETE_WINDOW",         "_NET_WM_NAME",        "UTF8_STRING",
      "_NET_WM_STATE", "_NET_WM_STATE_FULLSCREEN", "_NET_WM_STATE_ABOVE", "_NET_WM_ICON",
      "_NET_WM_PID",   "_NET_SUPPORTING_WM_CHECK", "_MOTIF_WM_HINTS"};
  ::Atom got[sizeof names / sizeof names[0]];
  XInternAtoms(display_, const_cast<char**>(names), sizeof names / sizeof names[0], False, got);
  atoms_ = {got[0], got[1], got[2], got[3], got[4], got[5],
            got[6], got[7], got[8], got[9], got[10]};
  // Shared memory only helps a client on the server's machine.
  int major = 0, minor = 0;
  Bool pixmaps = False;
  const char* name = DisplayString(display_);
  const bool local = name != nullptr && name[0] == ':';
  shm_ = local && XShmQueryVersion(display_, &major, &minor, &pixmaps);
  int errorBase = 0;
  randr_ = XRRQueryExtension(display_, &randrEvents_, &errorBase) &&
           XRRQueryVersion(display_, &major, &minor) && (major > 1 || minor >= 5);
  // A monitor plugged in, unplugged or moved changes a CRTC, an output or
  // the screen's size; monitors set by hand (xrandr --setmonitor) send none.
  if (randr_) {
    XRRSelectInput(display_, root_,
                   RRScreenChangeNotifyMask | RRCrtcChangeNotifyMask | RROutputChangeNotifyMask);
  }
}

Connection::~Connection() {
  if (invisible_ != 0) XFreeCursor(display_, invisible_);
  XCloseDisplay(display_);
}

Visual* Connection::ScreenVisual() const { return DefaultVisual(display_, screen_); }
int Connection::ScreenDepth() const { return DefaultDepth(display_, screen_); }

const std::vector<runtime::PixelRect>& Connection::Monitors() {
  if (!monitors_.empty()) return monitors_;
  int count = 0;
  XRRMonitorInfo* monitors = randr_ ? XRRGetMonitors(display_, root_, True, &count) : nullptr;
  for (int i = 0; i < count; ++i) {
    const XRRMonitorInfo& m = monitors[i];
    const runtime::PixelRect place{m.x, m.y, m.x + m.width, m.y + m.height};
    // Outputs that clone each other on CRTCs of their own are one place.
    const bool known = std::find(monitors_.begin(), monitors_.end(), place) != monitors_.end();
    if (known || runtime::IsEmpty(place)) continue;
    monitors_.insert(m.primary ? monitors_.begin() : monitors_.end(), place);
  }
  if (monitors != nullptr) XRRFreeMonitors(monitors);
  if (monitors_.empty()) {
    monitors_.push_back({0, 0, DisplayWidth(display_, screen_), DisplayHeight(display_, screen_)});
  }
  return monitors_;
}

bool Connection::MonitorEventQueued() {
  if (!randr_) return false;
  // Everything the server has sent so far, then a look without taking.
  XSync(display_, False);
  struct Look {
    int first;
    bool found;
  } look{randrEvents_, false};
  XEvent unused;
  XCheckIfEvent(
      display_, &unused,
      [](::Display*, XEvent* event, XPointer arg) -> Bool {
        auto& seen = *reinterpret_cast<Look*>(arg);
        seen.found = seen.found || event->type == seen.first + RRScreenChangeNotify ||
                     event->type == seen.first + RRNotify;
        return False;
      },
      reinterpret_cast<XPointer>(&look));
  return look.found;
}

bool Connection::MonitorEvent(XEvent& event) {
  if (!randr_ || (event.type != randrEvents_ + RRScreenChangeNotify &&
                  event.type != randrEvents_ + RRNotify)) {
    return false;
  }
  // Xlib's idea of the screen's size follows.
  XRRUpdateConfiguration(&event);
  monitors_.clear();
  return true;
}

int Connection::PixelsPerInch() const {
  const char* resources = XResourceManagerString(display_);
  if (resources == nullptr) return 96;
  XrmInitialize();
  XrmDatabase database = XrmGetStringDatabase(resources);
  int dpi = 96;
  char* type = nullptr;
  XrmValue value{};
  if (database != nullptr && XrmGetResource(database, "Xft.dpi", "Xft.Dpi", &type, &value) &&
      value.addr != nullptr) {
    const int read = std::atoi(value.addr);
    if (read >= 48 && read <= 960) dpi = read;
  }
  if (database != nullptr) XrmDestroyDatabase(database);
  return dpi;
}

std::optional<std::vector<unsigned long>> ReadProperty(::Display* display, Window window,
                                                       ::Atom property, ::Atom type, int format,
                                                       long maxItems) {
  ::Atom actualType = 0;
  int actualFormat = 0;
  unsigned long items = 0, after = 0;
  unsigned char* data = nullptr;
  std::optional<std::vector<unsigned long>> found;
  if (XGetWindowProperty(display, window, property, 0, maxItems, False, type, &actualType,
                         &actualFormat, &items, &after, &data) == Success &&
      actualType == type && actualFormat == format && data != nullptr) {
    found.emplace(items);
    for (unsigned long i = 0; i < items; ++i) {
      (*found)[i] = format == 32 ? reinterpret_cast<const unsigned long*>(data)[i] : data[i];
    }
  }
  if (data != nullptr) XFree(data);
  return found;
}

std::vector<Window> ChildrenOf(::Display* display, Window window) {
  Window root = 0, parent = 0;
  Window* children = nullptr;
  unsigned count = 0;
  std::vector<Window> list;
  if (XQueryTree(display, window, &root, &parent, &children, &count) && children != nullptr) {
    list.assign(children, children + count);
  }
  if (children != nullptr) XFree(children);
  return list;
}

namespace {

// The window a window names in a property of one window id, or 0.
Window WindowIn(::Display* display, Window window, ::Atom property) {
  const auto items = ReadProperty(display, window, property, XA_WINDOW, 32, 1);
  return items && items->size() == 1 ? static_cast<Window>(items->front()) : 0;
}

}  // namespace

bool Connection::HasWindowManager() const {
  // EWMH: the root names a window of the manager that names itself back.
  ErrorTrap trap(display_);
  const Window check = WindowIn(display_, root_, atoms_.NetSupportingWmCheck);
  const bool named = check != 0 && WindowIn(display_, check, atoms_.NetSupportingWmCheck) == check;
  return !trap.Failed() && named;
}

Cursor Connection::InvisibleCursor() {
  if (invisible_ == 0) {
    // Through XCB: Xlib's own call first loads libXcursor and searches the
    // cursor themes on disk, which costs the first frame tens of ms.
    const char none[1] = {0};
    Pixmap blank = XCreateBitmapFromData(display_, root_, none, 1, 1);
    xcb_connection_t* xcb = XGetXCBConnection(display_);
    const xcb_cursor_t cursor = xcb_generate_id(xcb);
    xcb_create_cursor(xcb, cursor, static_cast<xcb_pixmap_t>(blank),
                      static_cast<xcb_pixmap_t>(blank), 0, 0, 0, 0, 0, 0, 0, 0);
    XFreePixmap(display_, blank);
    invisible_ = cursor;
  }
  return invisible_;
}

namespace {

Window VirtualRoot(Connection& connection) {
  if (const char* named = std::getenv("XSCREENSAVER_WINDOW")) {
    const bool hex = named[0] == '0' && (named[1] == 'x' || named[1] == 'X');
    char* end = nullptr;
    const unsigned long id = std::strtoul(named, &end, hex ? 16 : 10);
    if (end != named && *end == '\0') return static_cast<Window>(id);
  }
  ::Display* display = connection.Dpy();
  const ::Atom vroot = XInternAtom(display, "__SWM_VROOT", False);
  ErrorTrap trap(display);
  for (const Window child : ChildrenOf(display, connection.Root())) {
    if (const Window named = WindowIn(display, child, vroot)) return named;
  }
  return connection.Root();
}

}  // namespace

std::optional<HostWindow> WatchHostWindow(Connection& connection) {
  ::Display* display = connection.Dpy();
  const Window window = VirtualRoot(connection);
  ErrorTrap trap(display);
  XSelectInput(display, window, ExposureMask | StructureNotifyMask);
  XWindowAttributes attributes{};
  int x = 0, y = 0;
  Window child = 0;
  if (!XGetWindowAttributes(display, window, &attributes) ||
      !XTranslateCoordinates(display, window, connection.Root(), 0, 0, &x, &y, &child) ||
      trap.Failed()) {
    return std::nullopt;
  }
  return HostWindow{window, {x, y, x + attributes.width, y + attributes.height}};
}

EventSink* Connection::SinkOf(Window window) const {
  const auto found = sinks_.find(window);
  return found == sinks_.end() ? nullptr : found->second;
}

}  // namespace vss::x11
