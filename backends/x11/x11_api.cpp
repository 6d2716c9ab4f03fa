#include "backends/x11/x11_api.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <strings.h>

#include <string>
#include <vector>

namespace vss::x11 {

namespace {

// The style a borderless form window starts with: WS_CLIPSIBLINGS |
// WS_CLIPCHILDREN.
constexpr std::int32_t FormStyle = 0x06000000;

// An X resource id has its top three bits clear; anything else names no
// window and must not even reach the server.
bool IsWindowId(WindowHandle handle) { return handle > 0 && handle <= 0x1FFFFFFF; }

std::string NameOf(::Display* display, const AtomSet& atoms, Window window) {
  if (const auto utf8 = ReadProperty(display, window, atoms.NetWmName, atoms.Utf8String, 8, 1024)) {
    return std::string(utf8->begin(), utf8->end());
  }
  std::string name;
  char* old = nullptr;
  if (XFetchName(display, window, &old) && old != nullptr) name = old;
  if (old != nullptr) XFree(old);
  return name;
}

}  // namespace

// FindWindowA: a top-level window of the class and title given (either may
// be null for any), compared without regard to case as Windows does. Ours
// carry the form class in WM_CLASS; a window manager may have reparented a
// top-level window into a frame, so the root's grandchildren count too.
// A hack finds none: one process runs per monitor, side by side.
WindowHandle X11API::FindWindowA(const char* lpClassName, const char* lpWindowName) {
  if (windows_.Host()) return 0;
  ::Display* display = connection_.Dpy();
  ErrorTrap trap(display);
  for (const Window top : ChildrenOf(display, connection_.Root())) {
    if (Matches(top, lpClassName, lpWindowName)) return static_cast<WindowHandle>(top);
    for (const Window inner : ChildrenOf(display, top)) {
      if (Matches(inner, lpClassName, lpWindowName)) return static_cast<WindowHandle>(inner);
    }
  }
  trap.Failed();
  return 0;
}

bool X11API::Matches(Window window, const char* className, const char* title) const {
  ::Display* display = connection_.Dpy();
  XClassHint hint{};
  if (!XGetClassHint(display, window, &hint)) return false;
  const bool classMatches = hint.res_class != nullptr &&
                            (className == nullptr || strcasecmp(hint.res_class, className) == 0);
  if (hint.res_name != nullptr) XFree(hint.res_name);
  if (hint.res_class != nullptr) XFree(hint.res_class);
  if (!classMatches) return false;
  return title == nullptr ||
         strcasecmp(NameOf(display, connection_.Atoms(), window).c_str(), title) == 0;
}

// GetDesktopWindow: the root window.
WindowHandle X11API::GetDesktopWindow() { return static_cast<WindowHandle>(connection_.Root()); }

// GetWindowRect of the desktop: the primary monitor (a hack's: the host's
// window), placed at the origin, as on Windows. Of another window: its
// place on the root, from that origin.
std::int32_t X11API::GetWindowRect(WindowHandle hWnd, Rect& lpRect) {
  if (!IsWindowId(hWnd)) return 0;
  if (static_cast<Window>(hWnd) == connection_.Root()) {
    const runtime::PixelRect monitor =
        windows_.Host() ? windows_.Host()->place : connection_.PrimaryMonitor();
    lpRect = {0, 0, monitor.right - monitor.left, monitor.bottom - monitor.top};
    return 1;
  }
  ::Display* display = connection_.Dpy();
  ErrorTrap trap(display);
  XWindowAttributes attributes{};
  int x = 0, y = 0;
  Window child = 0;
  if (!XGetWindowAttributes(display, static_cast<Window>(hWnd), &attributes) ||
      !XTranslateCoordinates(display, static_cast<Window>(hWnd), connection_.Root(), 0, 0, &x, &y,
                             &child) ||
      trap.Failed()) {
    return 0;
  }
  const runtime::PixelRect origin = connection_.PrimaryMonitor();
  x -= origin.left;
  y -= origin.top;
  lpRect = {x, y, x + attributes.width, y + attributes.height};
  return 1;
}

// GetClientRect: the window's size, 0 when the handle names no window.
std::int32_t X11API::GetClientRect(WindowHandle hWnd, Rect& lpRect) {
  if (!IsWindowId(hWnd)) return 0;
  ::Display* display = connection_.Dpy();
  ErrorTrap trap(display);
  XWindowAttributes attributes{};
  if (!XGetWindowAttributes(display, static_cast<Window>(hWnd), &attributes) || trap.Failed()) {
    return 0;
  }
  lpRect = {0, 0, attributes.width, attributes.height};
  return 1;
}

// GetWindowLongA / SetWindowLongA: X keeps no such words; the program's own
// are kept here per window. The style's WS_CHILD makes SetWindowPos place
// the window inside its parent.
std::int32_t X11API::GetWindowLongA(WindowHandle hWnd, std::int32_t nIndex) {
  const auto found = words_.find({static_cast<Window>(hWnd), nIndex});
  if (found != words_.end()) return found->second;
  const bool ours = windows_.Find(static_cast<Window>(hWnd)) != nullptr;
  return ours && nIndex == GWL_STYLE ? FormStyle : 0;
}

std::int32_t X11API::SetWindowLongA(WindowHandle hWnd, std::int32_t nIndex,
                                    std::int32_t dwNewLong) {
  if (windows_.Find(static_cast<Window>(hWnd)) == nullptr) return 0;
  const std::int32_t previous = GetWindowLongA(hWnd, nIndex);
  words_[{static_cast<Window>(hWnd), nIndex}] = dwNewLong;
  return previous;
}

// SetParent: our window into another client's window (null: back to the
// root); the previous parent, or 0 when either is no window.
WindowHandle X11API::SetParent(WindowHandle hWndChild, WindowHandle hWndNewParent) {
  X11Form* form = windows_.Find(static_cast<Window>(hWndChild));
  if (form == nullptr || (hWndNewParent != 0 && !IsWindowId(hWndNewParent))) return 0;
  const WindowHandle previous = GetDesktopWindow();
  const Window parent =
      hWndNewParent == 0 ? connection_.Root() : static_cast<Window>(hWndNewParent);
  return form->Reparent(parent) ? previous : 0;
}

// SetWindowPos: HWND_TOPMOST places a top-level window over the primary
// monitor, above every other window, shows its image on every other
// monitor too and takes the keyboard and the pointer so every key, click
// and move reaches it, as the topmost active window does on Windows. A
// child (WS_CHILD or embedded) is placed in its parent, and shown there
// with SWP_SHOWWINDOW; the end of its host then ends it.
std::int32_t X11API::SetWindowPos(WindowHandle hWnd, WindowHandle hWndInsertAfter, std::int32_t x,
                                  std::int32_t y, std::int32_t cx, std::int32_t cy,
                                  std::int32_t wFlags) {
  X11Form* form = windows_.Find(static_cast<Window>(hWnd));
  if (form == nullptr) return 0;
  if (form->Adopted()) return 1;  // the host places, shows and stacks its window
  const bool show = (wFlags & SWP_SHOWWINDOW) != 0;
  const bool child = form->Embedded() || (GetWindowLongA(hWnd, GWL_STYLE) & WS_CHILD) != 0;
  if (child) {
    form->Place(x, y, cx, cy);
    if (show) {
      form->Map();
      form->WatchHost();
    }
    if ((wFlags & SWP_NOZORDER) == 0) form->Raise();
  } else if (hWndInsertAfter == HWND_TOPMOST) {
    form->MakeTopmost(connection_.HasWindowManager());
    form->Place(x, y, cx, cy);
    if (show) {
      form->Map();
      form->Raise();
      form->CoverMonitors();
      form->GrabInput();
    }
  } else {
    form->Place(x, y, cx, cy);
    if (show) form->Map();
    if ((wFlags & SWP_NOZORDER) == 0) form->Raise();
  }
  XFlush(connection_.Dpy());
  return 1;
}

// ShowCursor: while the count is below 0 the cursor over our windows is an
// invisible one (a hack's host owns its cursor).
std::int32_t X11API::ShowCursor(std::int32_t bShow) {
  const std::int32_t count = cursor_.Move(bShow != 0);
  windows_.SetCursorHidden(cursor_.Hidden());
  XFlush(connection_.Dpy());
  return count;
}

std::int32_t X11API::PlaySoundA(const void* pszSound, WindowHandle, std::int32_t fdwSound) {
  return runtime::PlaySoundOn(sound_, pszSound, fdwSound);
}

void X11API::RestoreAfterError() noexcept {
  try {
    cursor_.Reset();
    windows_.SetCursorHidden(false);
    XFlush(connection_.Dpy());
  } catch (...) {
  }
  try {
    sound_.Stop();
  } catch (...) {
  }
}

}  // namespace vss::x11
