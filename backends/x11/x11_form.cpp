#include "backends/x11/x11_form.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <unistd.h>

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
  ::Display* display = connection_.Dpy();
  const runtime::Units& units = form_.Owner().Metrics();
  width_ = units.PixelsX(form_.Design().ClientWidth);
  height_ = units.PixelsY(form_.Design().ClientHeight);
  XSetWindowAttributes attributes{};
  attributes.background_pixel = BlackPixel(display, connection_.ScreenNumber());
  attributes.border_pixel = 0;
  attributes.event_mask = WindowEvents;
  window_ =
      XCreateWindow(display, connection_.Root(), 0, 0, static_cast<unsigned>(std::max(1, width_)),
                    static_cast<unsigned>(std::max(1, height_)), 0, CopyFromParent, InputOutput,
                    CopyFromParent, CWBackPixel | CWBorderPixel | CWEventMask, &attributes);
  const AtomSet& atoms = connection_.Atoms();

  // The class lets FindWindowA find the window of a running instance.
  std::string instance = "vorlan-screen-saver-2";
  std::string windowClass = FormWindowClass;
  XClassHint hint{instance.data(), windowClass.data()};
  XSetClassHint(display, window_, &hint);
  ::Atom protocols[] = {atoms.WmDeleteWindow};
  XSetWMProtocols(display, window_, protocols, 1);
  const long pid = static_cast<long>(getpid());
  XChangeProperty(display, window_, atoms.NetWmPid, XA_CARDINAL, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(&pid), 1);
  if (form_.Design().Border != BorderStyle::Sizable) {
    // Motif hints: flags = decorations given, decorations = none.
    const long motif[5] = {2, 0, 0, 0, 0};
    XChangeProperty(display, window_, atoms.MotifWmHints, atoms.MotifWmHints, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(motif), 5);
  }
  const std::vector<unsigned long> icon = IconProperty(form_.Owner().Platform());
  if (!icon.empty()) {
    XChangeProperty(display, window_, atoms.NetWmIcon, XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(icon.data()),
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
  ::Display* display = connection_.Dpy();
  XStoreName(display, window_, caption.c_str());
  XChangeProperty(display, window_, connection_.Atoms().NetWmName, connection_.Atoms().Utf8String,
                  8, PropModeReplace, reinterpret_cast<const unsigned char*>(caption.data()),
                  static_cast<int>(caption.size()));
}

runtime::PixelRect X11Form::Bounds() const { return {x_, y_, x_ + width_, y_ + height_}; }

void X11Form::Move(int x, int y) { Place(x, y, width_, height_); }

void X11Form::Resize(int width, int height) { Place(x_, y_, width, height); }

void X11Form::Place(int x, int y, int width, int height) {
  if (adopted_) return;  // the host's window keeps the size the host gives it
  x_ = x;
  y_ = y;
  width_ = std::max(0, width);
  height_ = std::max(0, height);
  if (gone_) return;
  // X has no empty window: the least it has is one pixel.
  XMoveResizeWindow(connection_.Dpy(), window_, x_, y_, static_cast<unsigned>(std::max(1, width_)),
                    static_cast<unsigned>(std::max(1, height_)));
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
  ::Display* display = connection_.Dpy();
  if (windowManager) {
    // Set before the map, the state is the window's from the start.
    const AtomSet& atoms = connection_.Atoms();
    const ::Atom state[] = {atoms.NetWmStateFullscreen, atoms.NetWmStateAbove};
    XChangeProperty(display, window_, atoms.NetWmState, XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(state), 2);
    return;
  }
  XSetWindowAttributes attributes{};
  attributes.override_redirect = True;
  XChangeWindowAttributes(display, window_, CWOverrideRedirect, &attributes);
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
  runtime::PixelRect area{0, 0, width_, height_};
  if (clip != nullptr) {
    area = {std::max(area.left, clip->left), std::max(area.top, clip->top),
            std::min(area.right, clip->right), std::min(area.bottom, clip->bottom)};
  }
  renderer_->Render(fills, draws, backRgb, area);
}

// ---- Events ----------------------------------------------------------------------------

void X11Form::HandleEvent(const XEvent& event) {
  switch (event.type) {
    case ExposeEvent: {
      const XExposeEvent& e = event.xexpose;
      form_.InputExpose({e.x, e.y, e.x + e.width, e.y + e.height});
      break;
    }
    case KeyPressEvent:
    case KeyRelease:
      Key(event.xkey, event.type == KeyPressEvent);
      break;
    case ButtonPress: {
      const XButtonEvent& e = event.xbutton;
      const std::int16_t button = ButtonOf(e.button);
      if (button == 0) break;
      const bool second =
          doubleClick_.Press(button, static_cast<std::uint32_t>(e.time), e.x_root, e.y_root);
      form_.InputMouseDown(button, ShiftOf(e.state), e.x, e.y, second);
      break;
    }
    case ButtonRelease: {
      const XButtonEvent& e = event.xbutton;
      const std::int16_t button = ButtonOf(e.button);
      if (button != 0) form_.InputMouseUp(button, ShiftOf(e.state), e.x, e.y);
      break;
    }
    case MotionNotify: {
      // Only the latest position counts, as with the system's coalesced moves.
      XEvent latest = event;
      while (XCheckTypedWindowEvent(connection_.Dpy(), window_, MotionNotify, &latest)) {
      }
      const XMotionEvent& e = latest.xmotion;
      form_.InputMouseMove(ButtonsOf(e.state), ShiftOf(e.state), e.x, e.y);
      break;
    }
    case ConfigureNotify:
      if (event.xconfigure.window == window_) {
        width_ = event.xconfigure.width;
        height_ = event.xconfigure.height;
      }
      break;
    case ClientMessage:
      if (event.xclient.message_type == connection_.Atoms().WmProtocols &&
          static_cast<::Atom>(event.xclient.data.l[0]) == connection_.Atoms().WmDeleteWindow) {
        form_.InputCloseRequest();
      }
      break;
    case DestroyNotify:
      // Our window, or the host that held it, went without an unload.
      if (event.xdestroywindow.window == window_ || event.xdestroywindow.window == host_) Lost();
      break;
    default:
      break;
  }
}

void X11Form::Key(const XKeyEvent& event, bool press) {
  const auto alive = alive_;
  XKeyEvent copy = event;
  const std::int16_t code = runtime::KeyCodeOfKeysym(XLookupKeysym(&copy, 0));
  const std::int16_t shift = ShiftOf(event.state);
  if (!press) {
    if (code != 0) form_.InputKeyUp(code, shift);
    return;
  }
  if (code != 0) form_.InputKeyDown(code, shift);
  if (!*alive) return;
  // The character the key types, in the system's 8-bit code page.
  char text[8] = {};
  KeySym keysym = NoSymbol;
  const int length = XLookupString(&copy, text, sizeof text, &keysym, nullptr);
  if (length == 1)
    form_.InputKeyPress(static_cast<std::int16_t>(static_cast<unsigned char>(text[0])));
}

}  // namespace vss::x11
