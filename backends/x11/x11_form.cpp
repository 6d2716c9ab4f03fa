#include "backends/x11/x11_form.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "backends/x11/x11_icon.h"
#include "runtime/keysyms.h"
#include "runtime/key_codes.h"

namespace vss::x11 {

namespace {

// Xlib names two event types and a key state as the runtime names its own.
constexpr int KeyPressEvent = KeyPress;
constexpr int ExposeEvent = Expose;
constexpr unsigned ShiftState = ShiftMask;
#undef KeyPress
#undef Expose
#undef ShiftMask

constexpr long InputEvents =
    KeyPressMask | KeyReleaseMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask;
constexpr long WindowEvents = InputEvents | ExposureMask | StructureNotifyMask;

std::int16_t ShiftOf(unsigned state) {
  return static_cast<std::int16_t>(((state & ShiftState) != 0 ? runtime::ShiftMask : 0) |
                                   ((state & ControlMask) != 0 ? runtime::CtrlMask : 0) |
                                   ((state & Mod1Mask) != 0 ? runtime::AltMask : 0));
}

std::int16_t ButtonsOf(unsigned state) {
  return static_cast<std::int16_t>(((state & Button1Mask) != 0 ? runtime::LeftButton : 0) |
                                   ((state & Button3Mask) != 0 ? runtime::RightButton : 0) |
                                   ((state & Button2Mask) != 0 ? runtime::MiddleButton : 0));
}

// The wheel's buttons (4 to 7) are no mouse button of a form.
std::int16_t ButtonOf(unsigned button) {
  switch (button) {
    case Button1:
      return runtime::LeftButton;
    case Button2:
      return runtime::MiddleButton;
    case Button3:
      return runtime::RightButton;
    default:
      return 0;
  }
}

}  // namespace

// ---- FormWindows ---------------------------------------------------------------

X11Form* FormWindows::Find(Window window) const {
  const auto found = windows_.find(window);
  return found == windows_.end() ? nullptr : found->second;
}

void FormWindows::SetCursorHidden(bool hidden) {
  cursorHidden_ = hidden;
  for (const auto& entry : windows_) entry.second->ApplyCursor();
}

void FormWindows::MonitorsChanged() {
  for (const auto& entry : windows_) entry.second->MonitorsChanged();
}

// ---- Life --------------------------------------------------------------------------

X11Form::X11Form(Connection& connection, FormWindows& windows, EventLoop& loop,
                 runtime::LoadedForm& form)
    : connection_(connection), windows_(windows), form_(form) {
  if (windows_.Host()) {
    Adopt(*windows_.Host());
  } else {
    CreateOwnWindow();
  }
  renderer_ = std::make_unique<Renderer>(connection_, window_);
  windows_.windows_[window_] = this;
  connection_.Register(window_, this);
  ApplyCursor();
  for (const auto& control : form.Controls()) {
    if (control->Kind() == ControlKind::Timer) control->Attach(loop.CreateTimer(*control));
  }
}

// The host selected its events and read its size (WatchHostWindow); what
// it has become since comes as ConfigureNotify.
void X11Form::Adopt(const HostWindow& host) {
  window_ = host.id;
  adopted_ = true;
  width_ = host.place.right - host.place.left;
  height_ = host.place.bottom - host.place.top;
}

void X11Form::CreateOwnWindow() {
  const runtime::Units& units = form_.Owner().Metrics();
  width_ = units.PixelsX(form_.Design().ClientWidth);
  height_ = units.PixelsY(form_.Design().ClientHeight);
  window_ = CreateTopLevel(connection_, {0, 0, width_, height_}, WindowEvents,
                           form_.Design().Border == BorderStyle::Sizable);
  const std::vector<unsigned long> icon = IconProperty(runtime::LoadIcon(form_.Owner().Platform()));
  if (!icon.empty()) {
    XChangeProperty(connection_.Dpy(), window_, connection_.Atoms().NetWmIcon, XA_CARDINAL, 32,
                    PropModeReplace, reinterpret_cast<const unsigned char*>(icon.data()),
                    static_cast<int>(icon.size()));
  }
  SetCaption(form_.Caption());
}

X11Form::~X11Form() {
  *alive_ = false;
  Destroy();
}

void X11Form::Destroy() {
  if (window_ == 0) return;
  views_.clear();
  windows_.windows_.erase(window_);
  connection_.Unregister(window_);
  if (host_ != 0) connection_.Unregister(host_);
  renderer_.reset();
  if (!gone_ && !adopted_) {
    ErrorTrap trap(connection_.Dpy());
    XDestroyWindow(connection_.Dpy(), window_);
    trap.Failed();
  }
  gone_ = true;
}

void X11Form::Lost() {
  if (gone_) return;
  gone_ = true;
  form_.InputWindowLost();
}

// ---- Properties ----------------------------------------------------------------

void X11Form::SetCaption(const std::string& caption) {
  if (gone_ || adopted_) return;
  SetWindowName(connection_, window_, caption);
  for (const auto& view : views_) SetWindowName(connection_, view->Xid(), caption);
}

runtime::PixelRect X11Form::Bounds() const { return {x_, y_, x_ + width_, y_ + height_}; }

void X11Form::Move(int x, int y) { Place(x, y, width_, height_); }

void X11Form::Resize(int width, int height) { Place(x_, y_, width, height); }

void X11Form::Place(int x, int y, int width, int height) {
  if (adopted_) return;  // the host's window keeps the size the host gives it
  const bool resized = std::max(0, width) != width_ || std::max(0, height) != height_;
  x_ = x;
  y_ = y;
  width_ = std::max(0, width);
  height_ = std::max(0, height);
  if (gone_) return;
  const runtime::PixelRect origin =
      host_ == 0 ? connection_.PrimaryMonitor() : runtime::PixelRect{};
  // X has no empty window: the least it has is one pixel.
  XMoveResizeWindow(connection_.Dpy(), window_, origin.left + x_, origin.top + y_,
                    static_cast<unsigned>(std::max(1, width_)),
                    static_cast<unsigned>(std::max(1, height_)));
  if (resized) RepaintViews();
}

void X11Form::Show() { Map(); }

void X11Form::Map() {
  if (!gone_ && !adopted_) XMapWindow(connection_.Dpy(), window_);
}

void X11Form::Raise() {
  if (!gone_ && !adopted_) XRaiseWindow(connection_.Dpy(), window_);
}

bool X11Form::Reparent(Window host) {
  if (gone_ || adopted_) return false;
  ErrorTrap trap(connection_.Dpy());
  XReparentWindow(connection_.Dpy(), window_, host, 0, 0);
  if (trap.Failed()) return false;
  host_ = host;
  x_ = y_ = 0;
  return true;
}

void X11Form::WatchHost() {
  if (gone_ || host_ == 0) return;
  connection_.Register(host_, this);
  ErrorTrap trap(connection_.Dpy());
  XSelectInput(connection_.Dpy(), host_, StructureNotifyMask);
  trap.Failed();
}

void X11Form::MakeTopmost(bool windowManager) {
  if (gone_ || adopted_) return;
  windowManager_ = windowManager;
  MakeWindowTopmost(connection_, window_, windowManager);
}

// A monitor that the form's window covers needs no view of its own; one
// that it does not, be it the primary monitor itself once the form's
// window is off it, gets one.
void X11Form::CoverMonitors() {
  if (gone_ || adopted_) return;
  covering_ = true;
  const runtime::PixelRect own = OnRoot();
  const std::vector<runtime::PixelRect>& monitors = connection_.Monitors();
  auto wanted = [&own, &monitors](const runtime::PixelRect& place) {
    return place != own &&
           std::any_of(monitors.begin(), monitors.end(),
                       [&place](const runtime::PixelRect& m) { return m == place; });
  };
  views_.erase(std::remove_if(views_.begin(), views_.end(),
                              [&wanted](const auto& view) { return !wanted(view->Monitor()); }),
               views_.end());
  const Cursor cursor = windows_.CursorHidden() ? connection_.InvisibleCursor() : None;
  for (const runtime::PixelRect& monitor : monitors) {
    const bool shown = std::any_of(views_.begin(), views_.end(), [&monitor](const auto& view) {
      return view->Monitor() == monitor;
    });
    if (shown || !wanted(monitor)) continue;
    views_.push_back(std::make_unique<MonitorView>(connection_, *this, monitor, WindowEvents,
                                                   form_.Caption(), windowManager_));
    if (backRgb_ != 0) views_.back()->SetBackground(renderer_->PixelOf(backRgb_));
    views_.back()->Show(cursor);
  }
  XFlush(connection_.Dpy());
}

void X11Form::MonitorsChanged() {
  if (covering_) CoverMonitors();
}

runtime::PixelRect X11Form::OnRoot() const {
  ::Display* display = connection_.Dpy();
  ErrorTrap trap(display);
  XWindowAttributes attributes{};
  int x = 0, y = 0;
  Window child = 0;
  if (!XGetWindowAttributes(display, window_, &attributes) ||
      !XTranslateCoordinates(display, window_, connection_.Root(), 0, 0, &x, &y, &child) ||
      trap.Failed()) {
    return {};
  }
  return {x, y, x + attributes.width, y + attributes.height};
}

const MonitorView* X11Form::ViewOf(Window window) const {
  for (const auto& view : views_) {
    if (view->Xid() == window) return view.get();
  }
  return nullptr;
}

void X11Form::RepaintViews() {
  for (const auto& view : views_) view->Repaint();
}

bool X11Form::GrabInput() {
  if (gone_ || adopted_) return false;
  ::Display* display = connection_.Dpy();
  const Cursor cursor = windows_.CursorHidden() ? connection_.InvisibleCursor() : None;
  // Another client (a menu, a window manager finishing its map) may hold
  // them for a moment.
  bool keyboard = false, pointer = false;
  for (int attempt = 0; attempt < 50 && !(keyboard && pointer); ++attempt) {
    if (attempt > 0) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    if (!keyboard) {
      keyboard = XGrabKeyboard(display, window_, True, GrabModeAsync, GrabModeAsync, CurrentTime) ==
                 GrabSuccess;
    }
    if (!pointer) {
      pointer = XGrabPointer(display, window_, True,
                             ButtonPressMask | ButtonReleaseMask | PointerMotionMask, GrabModeAsync,
                             GrabModeAsync, None, cursor, CurrentTime) == GrabSuccess;
    }
  }
  grabbed_ = pointer;
  return keyboard && pointer;
}

void X11Form::ApplyCursor() {
  if (gone_ || adopted_) return;
  ::Display* display = connection_.Dpy();
  const Cursor cursor = windows_.CursorHidden() ? connection_.InvisibleCursor() : None;
  XDefineCursor(display, window_, cursor);
  for (const auto& view : views_) view->SetCursor(cursor);
  if (grabbed_) {
    XChangeActivePointerGrab(display, ButtonPressMask | ButtonReleaseMask | PointerMotionMask,
                             cursor, CurrentTime);
  }
}

// ---- Drawing -------------------------------------------------------------------------

void X11Form::Render(const std::vector<runtime::PixelRect>& fills,
                     const std::vector<runtime::DrawOp>& draws, std::uint32_t backRgb,
                     const runtime::PixelRect* clip) {
  if (gone_ || !renderer_) return;
  if (backRgb != backRgb_) {
    backRgb_ = backRgb;
    for (const auto& view : views_) view->SetBackground(renderer_->PixelOf(backRgb));
  }
  if (exposing_ == 0 || exposing_ == window_) {
    renderer_->Render(window_, {}, fills, draws, backRgb, clip);
  }
  for (const auto& view : views_) {
    if (exposing_ != 0 && exposing_ != view->Xid()) continue;
    renderer_->Render(view->Xid(), view->OffsetOf(width_, height_), fills, draws, backRgb, clip);
  }
}

// ---- Events ----------------------------------------------------------------------------

// A monitor's view reports in the form's coordinates, moved back by the
// offset of the form's image there.
void X11Form::HandleEvent(const XEvent& event) {
  const Window window = event.xany.window;
  runtime::Offset offset;
  if (window != window_ && window != host_) {
    const MonitorView* view = ViewOf(window);
    if (view == nullptr) return;
    offset = view->OffsetOf(width_, height_);
  }
  switch (event.type) {
    case ExposeEvent: {
      const XExposeEvent& e = event.xexpose;
      exposing_ = window;
      form_.InputExpose(
          runtime::Moved({e.x, e.y, e.x + e.width, e.y + e.height}, {-offset.X, -offset.Y}));
      exposing_ = 0;
      break;
    }
    case KeyPressEvent:
    case KeyRelease:
      Key(event.xkey, event.type == KeyPressEvent);
      break;
    case ButtonPress: {
      const XButtonEvent& e = event.xbutton;
      const std::int16_t button = ButtonOf(e.button);
      // The forms here end or ignore input on the first press: none waits
      // for a double click.
      if (button != 0) {
        form_.InputMouseDown(button, ShiftOf(e.state), e.x - offset.X, e.y - offset.Y, false);
      }
      break;
    }
    case ButtonRelease: {
      const XButtonEvent& e = event.xbutton;
      const std::int16_t button = ButtonOf(e.button);
      if (button != 0) form_.InputMouseUp(button, ShiftOf(e.state), e.x - offset.X, e.y - offset.Y);
      break;
    }
    case MotionNotify: {
      // Only the latest position counts, as with the system's coalesced moves.
      XEvent latest = event;
      while (XCheckTypedWindowEvent(connection_.Dpy(), window, MotionNotify, &latest)) {
      }
      // A monitor that goes takes the pointer to another, and RandR then
      // tells of the change: that is no move of the user's.
      if (connection_.MonitorEventQueued()) break;
      const XMotionEvent& e = latest.xmotion;
      form_.InputMouseMove(ButtonsOf(e.state), ShiftOf(e.state), e.x - offset.X, e.y - offset.Y);
      break;
    }
    case ConfigureNotify:
      if (event.xconfigure.window == window_) {
        // Those of sizes since changed again count for nothing.
        XEvent latest = event;
        while (XCheckTypedWindowEvent(connection_.Dpy(), window_, ConfigureNotify, &latest)) {
        }
        Configured(latest.xconfigure);
      }
      break;
    case ClientMessage:
      if (event.xclient.message_type == connection_.Atoms().WmProtocols &&
          static_cast<::Atom>(event.xclient.data.l[0]) == connection_.Atoms().WmDeleteWindow) {
        form_.InputCloseRequest();
      }
      break;
    case DestroyNotify:
      // Our window, or the host that held it, went without an unload; a
      // monitor's view that another client destroyed is made again.
      if (event.xdestroywindow.window == window_ || event.xdestroywindow.window == host_) {
        Lost();
      } else if (event.xdestroywindow.window == window) {
        ViewLost(window);
      }
      break;
    default:
      break;
  }
}

// A window manager may move and size the form's window (its full-screen
// state fits it to the monitor it lies on): the views follow.
void X11Form::Configured(const XConfigureEvent& event) {
  const bool resized = event.width != width_ || event.height != height_;
  width_ = event.width;
  height_ = event.height;
  if (resized) RepaintViews();
  MonitorsChanged();
}

void X11Form::ViewLost(Window window) {
  for (const auto& view : views_) {
    if (view->Xid() == window) view->Lost();
  }
  views_.erase(std::remove_if(views_.begin(), views_.end(),
                              [window](const auto& view) { return view->Xid() == window; }),
               views_.end());
  CoverMonitors();
}

void X11Form::Key(const XKeyEvent& event, bool press) {
  const auto alive = alive_;
  XKeyEvent copy = event;
  // The character the key types, in the system's 8-bit code page.
  char text[8] = {};
  KeySym typed = NoSymbol;
  const int length = XLookupString(&copy, text, sizeof text, &typed, nullptr);
  // A key is named unshifted, as a virtual key is; on the keypad NumLock
  // and Shift choose between the digit and the movement, as on Windows.
  KeySym keysym = XLookupKeysym(&copy, 0);
  if (IsKeypadKey(keysym) && IsKeypadKey(typed)) keysym = typed;
  const std::int16_t code = runtime::KeyCodeOfKeysym(static_cast<std::uint32_t>(keysym));
  const std::int16_t shift = ShiftOf(event.state);
  if (!press) {
    form_.InputKeyUp(code, shift);
    return;
  }
  form_.InputKeyDown(code, shift);
  if (*alive && length == 1) {
    form_.InputKeyPress(static_cast<std::int16_t>(static_cast<unsigned char>(text[0])));
  }
}

}  // namespace vss::x11
