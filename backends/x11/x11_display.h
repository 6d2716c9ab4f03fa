// The X display connection of the native build: atoms, the monitors,
// errors that never end the process, the invisible cursor, and the windows
// whose events the loop hands to their owner.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <vector>

// Every project header an X11 file needs comes before Xlib's, whose macros
// (True, False, None, KeyPress, Expose, ShiftMask) would rename the project's names.
#include "runtime/backend.h"
#include "runtime/loaded_control.h"
#include "runtime/loaded_form.h"
#include "runtime/image.h"
#include "runtime/key_codes.h"
#include "runtime/forms_runtime.h"

#include <X11/Xlib.h>

namespace vss::x11 {

struct AtomSet {
  Atom WmProtocols, WmDeleteWindow, NetWmName, Utf8String, NetWmState, NetWmStateFullscreen,
      NetWmStateAbove, NetWmIcon, NetWmPid, NetSupportingWmCheck, MotifWmHints;
};

// Receives the events of the windows it registered.
class EventSink {
 public:
  virtual ~EventSink() = default;
  virtual void HandleEvent(const XEvent& event) = 0;
};

class Connection {
 public:
  // Null when no display can be opened.
  static std::unique_ptr<Connection> Open();
  ~Connection();
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  ::Display* Dpy() const { return display_; }
  Window Root() const { return root_; }
  int ScreenNumber() const { return screen_; }
  Visual* ScreenVisual() const;
  int ScreenDepth() const;
  const AtomSet& Atoms() const { return atoms_; }
  bool HasShm() const { return shm_; }

  // RandR's monitors, the primary one first (else the first RandR names),
  // each place once; the whole root without RandR.
  const std::vector<runtime::PixelRect>& Monitors();
  runtime::PixelRect PrimaryMonitor() { return Monitors().front(); }
  // True for RandR's notice that the monitors may have changed, which the
  // next Monitors() then reads.
  bool MonitorEvent(XEvent& event);
  // Such a notice is among the events the server has sent so far.
  bool MonitorEventQueued();
  // Xft.dpi from the resource database, as toolkits read it; else 96.
  int PixelsPerInch() const;
  bool HasWindowManager() const;
  // A cursor with no visible pixel.
  Cursor InvisibleCursor();

  void Register(Window window, EventSink* sink) { sinks_[window] = sink; }
  void Unregister(Window window) { sinks_.erase(window); }
  EventSink* SinkOf(Window window) const;

 private:
  explicit Connection(::Display* display);

  ::Display* display_;
  Window root_;
  int screen_;
  AtomSet atoms_{};
  bool shm_ = false;
  bool randr_ = false;
  int randrEvents_ = 0;
  std::vector<runtime::PixelRect> monitors_;  // empty: to be read
  Cursor invisible_ = 0;
  std::map<Window, EventSink*> sinks_;
};

// Catches the X errors of the requests made while it lives, so a bad window
// id from the command line or a host that went never kills the process.
class ErrorTrap {
 public:
  explicit ErrorTrap(::Display* display);
  ~ErrorTrap();
  ErrorTrap(const ErrorTrap&) = delete;
  ErrorTrap& operator=(const ErrorTrap&) = delete;
  // Waits for the server's answer to everything sent so far.
  bool Failed();

 private:
  ::Display* display_;
  unsigned long errorsBefore_;
};

// The window a hack draws on, as XScreenSaver's utils/vroot.h finds it:
// the one XSCREENSAVER_WINDOW names (hex or decimal), else the virtual root
// a window manager marks with __SWM_VROOT, else the real root. Its
// exposure and structure events are selected before its size is read, so
// its end cannot slip by; nullopt when it is no window.
struct HostWindow {
  Window id;
  runtime::PixelRect place;  // on the root
};
std::optional<HostWindow> WatchHostWindow(Connection& connection);

// The items of a window's property when it has the type and format asked
// for (8-bit items widened, 32-bit ones as the longs Xlib hands over), at
// most maxItems of them; nullopt when it has no such property. The caller
// traps the errors of a window that may be gone.
std::optional<std::vector<unsigned long>> ReadProperty(::Display* display, Window window,
                                                       ::Atom property, ::Atom type, int format,
                                                       long maxItems);

// The window's children, bottom to top; none when it is gone.
std::vector<Window> ChildrenOf(::Display* display, Window window);

// Installs the process's handler: errors outside a trap are ignored too.
void InstallErrorHandler();

}  // namespace vss::x11
