#include "backends/win32/win32_form.h"

#include "backends/win32/win32_backend.h"
#include "backends/win32/win32_control.h"
#include "backends/win32/win32_loop.h"
#include "backends/win32/wine_quirks.h"
#include "runtime/loaded_form.h"
#include "runtime/key_codes.h"
#include "runtime/forms_runtime.h"

namespace vss::win32 {

namespace {

// The WM_PAINT being handled: Render draws on its DC. Kept outside the
// window object, which the paint's message may free.
struct Painting {
  HWND window = nullptr;
  HDC dc = nullptr;
};
Painting current;

std::int16_t ShiftState() {
  std::int16_t shift = 0;
  if (::GetKeyState(VK_SHIFT) < 0) shift |= runtime::ShiftMask;
  if (::GetKeyState(VK_CONTROL) < 0) shift |= runtime::CtrlMask;
  if (::GetKeyState(VK_MENU) < 0) shift |= runtime::AltMask;
  return shift;
}

std::int16_t MouseButtons(WPARAM wParam) {
  std::int16_t buttons = 0;
  if (wParam & MK_LBUTTON) buttons |= runtime::LeftButton;
  if (wParam & MK_RBUTTON) buttons |= runtime::RightButton;
  if (wParam & MK_MBUTTON) buttons |= runtime::MiddleButton;
  return buttons;
}

std::int16_t MouseShift(WPARAM wParam) {
  std::int16_t shift = 0;
  if (wParam & MK_SHIFT) shift |= runtime::ShiftMask;
  if (wParam & MK_CONTROL) shift |= runtime::CtrlMask;
  if (::GetKeyState(VK_MENU) < 0) shift |= runtime::AltMask;
  return shift;
}

// The button of a press or release message, 0 for other messages.
std::int16_t ButtonOf(UINT message) {
  switch (message) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
      return runtime::LeftButton;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_RBUTTONDBLCLK:
      return runtime::RightButton;
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
    case WM_MBUTTONDBLCLK:
      return runtime::MiddleButton;
    default:
      return 0;
  }
}

}  // namespace

HDC PaintDcOf(HWND window) { return current.window == window ? current.dc : nullptr; }

LRESULT CALLBACK FormProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
  if (message == WM_NCCREATE) {
    auto* created =
        static_cast<Win32Form*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
    ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(created));
    created->window_ = hwnd;
  }
  auto* self = reinterpret_cast<Win32Form*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (self == nullptr) return ::DefWindowProcA(hwnd, message, wParam, lParam);
  if (message == WM_NCDESTROY || (message == WM_DESTROY && !self->destroying_)) {
    // Destroyed from outside: the preview host destroyed its area, and with
    // it this child; a host process that ends takes it with only
    // WM_NCDESTROY. The object goes with its form; the window's last
    // messages find nothing.
    ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
    self->window_ = nullptr;
    if (!self->destroying_) self->form_.InputWindowLost();
    return ::DefWindowProcA(hwnd, message, wParam, lParam);
  }
  runtime::FormsRuntime& runtime = self->form_.Owner();
  try {
    return self->Handle(message, wParam, lParam);
  } catch (...) {
    // The entry points end a message's errors themselves; this is the
    // backend's own failure (out of memory), which must not cross Windows.
    runtime.EndWithError(static_cast<int>(ErrorNumber::InternalError), "Internal error");
  }
}

void RegisterFormClass(HINSTANCE instance) {
  WNDCLASSEXA wc{};
  wc.cbSize = sizeof wc;
  if (::GetClassInfoExA(instance, FormWindowClass, &wc)) return;
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = &FormProc;
  wc.hInstance = instance;
  wc.hIcon = static_cast<HICON>(::LoadImageA(instance, MAKEINTRESOURCEA(1), IMAGE_ICON,
                                             ::GetSystemMetrics(SM_CXICON),
                                             ::GetSystemMetrics(SM_CYICON), LR_DEFAULTCOLOR));
  wc.hIconSm = static_cast<HICON>(::LoadImageA(instance, MAKEINTRESOURCEA(1), IMAGE_ICON,
                                               ::GetSystemMetrics(SM_CXSMICON),
                                               ::GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR));
  wc.hCursor = ::LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
  wc.hbrBackground = nullptr;  // WM_PAINT paints the form's back colour
  wc.lpszClassName = FormWindowClass;
  ::RegisterClassExA(&wc);
}

std::unique_ptr<runtime::FormPeer> CreateFormWindow(Win32Backend& backend,
                                                    runtime::LoadedForm& form) {
  auto window = std::make_unique<Win32Form>(backend, form);
  window->CreateControls(backend);
  return window;
}

Win32Form::Win32Form(Win32Backend& backend, runtime::LoadedForm& form) : form_(form) {
  const auto& design = form.Design();
  const runtime::Units& units = form.Owner().Metrics();
  const bool sizable = design.Border == BorderStyle::Sizable;
  const bool sized = design.ClientWidth > 0 && design.ClientHeight > 0;
  // No WS_CLIPCHILDREN: a group box paints only its outline, so the form
  // paints the inside of a frame.
  const DWORD style = WS_OVERLAPPEDWINDOW;
  const DWORD exStyle = sizable ? WS_EX_CONTROLPARENT | WS_EX_WINDOWEDGE : 0;
  RECT outer{0, 0, sized ? units.PixelsX(design.ClientWidth) : 0,
             sized ? units.PixelsY(design.ClientHeight) : 0};
  if (sizable && sized) ::AdjustWindowRectEx(&outer, style, FALSE, exStyle);
  const int width = sizable && !sized ? CW_USEDEFAULT : outer.right - outer.left;
  const int height = sizable && !sized ? CW_USEDEFAULT : outer.bottom - outer.top;
  const int at = sizable ? CW_USEDEFAULT : 0;
  ::CreateWindowExA(exStyle, FormWindowClass, design.Caption.c_str(), style, at, at, width, height,
                    nullptr, nullptr, backend.Instance(), this);
  if (window_ == nullptr) {
    throw RuntimeError(ErrorNumber::OutOfMemory, "Out of memory: window of " + design.Name);
  }
  if (!sizable) WineStripFrame(window_);
}

void Win32Form::CreateControls(Win32Backend& backend) {
  const auto& design = form_.Design();
  const runtime::Units& units = form_.Owner().Metrics();
  const auto& controls = form_.Controls();
  for (std::size_t i = 0; i < controls.size(); ++i) {
    const ControlDesign& d = controls[i]->Design();
    // Positions are in the container, which may itself sit in a frame.
    double left = d.Left;
    double top = d.Top;
    std::string container = d.Container;
    for (int depth = 0; !container.empty() && depth < 16; ++depth) {
      const ControlDesign* outer = nullptr;
      for (const auto& c : design.Controls) {
        if (c.Name == container) outer = &c;
      }
      if (outer == nullptr) break;
      left += outer->Left;
      top += outer->Top;
      container = outer->Container;
    }
    const int x = units.PixelsX(left);
    const int y = units.PixelsY(top);
    const RECT pixels{x, y, x + units.PixelsX(d.Width), y + units.PixelsY(d.Height)};
    auto peer = CreateControlWindow(*this, *controls[i], IdOf(i), pixels, backend.DialogFont());
    hasWindowedControls_ = hasWindowedControls_ || peer->Window() != nullptr;
    controls_.push_back(peer.get());
    controls[i]->Attach(std::move(peer));
  }
}

Win32Form::~Win32Form() {
  // A window the runtime let go without destroying it (an orphaned
  // preview): it must not outlive the object its messages go to.
  if (window_ != nullptr && ::IsWindow(window_)) {
    ::SetWindowLongPtrA(window_, GWLP_USERDATA, 0);
    ::DestroyWindow(window_);
  }
  if (backBrush_ != nullptr) ::DeleteObject(backBrush_);
}

int Win32Form::IdOf(const runtime::LoadedControl& control) const {
  const auto& controls = form_.Controls();
  for (std::size_t i = 0; i < controls.size(); ++i) {
    if (controls[i].get() == &control) return IdOf(i);
  }
  return 0;
}

// ---- FormPeer --------------------------------------------------------------------

void Win32Form::SetCaption(const std::string& caption) {
  if (window_ != nullptr) ::SetWindowTextA(window_, caption.c_str());
}

runtime::PixelRect Win32Form::Bounds() const {
  RECT r{};
  if (window_ == nullptr || !::GetWindowRect(window_, &r)) return {};
  // A child window's place is in its parent's client area.
  if (::GetWindowLongA(window_, GWL_STYLE) & WS_CHILD) {
    if (HWND parent = ::GetAncestor(window_, GA_PARENT)) {
      ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    }
  }
  return {r.left, r.top, r.right, r.bottom};
}

int Win32Form::ClientWidth() const {
  RECT r{};
  return window_ != nullptr && ::GetClientRect(window_, &r) ? r.right : 0;
}

int Win32Form::ClientHeight() const {
  RECT r{};
  return window_ != nullptr && ::GetClientRect(window_, &r) ? r.bottom : 0;
}

void Win32Form::Move(int x, int y) {
  ::SetWindowPos(window_, nullptr, x, y, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOOWNERZORDER | SWP_NOACTIVATE);
}

void Win32Form::Resize(int width, int height) {
  ::SetWindowPos(window_, nullptr, 0, 0, width, height,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOOWNERZORDER | SWP_NOACTIVATE);
}

void Win32Form::Show() {
  ::ShowWindow(window_, SW_SHOWNORMAL);
  ::SetForegroundWindow(window_);
  ::UpdateWindow(window_);
}

void Win32Form::Destroy() {
  destroying_ = true;
  if (window_ != nullptr) ::DestroyWindow(window_);
}

HBRUSH Win32Form::BackBrush() {
  const std::uint32_t rgb = form_.BackRgb();
  const COLORREF color = RGB(rgb >> 16 & 0xFF, rgb >> 8 & 0xFF, rgb & 0xFF);
  if (backBrush_ == nullptr || backBrushColor_ != color) {
    if (backBrush_ != nullptr) ::DeleteObject(backBrush_);
    backBrush_ = ::CreateSolidBrush(color);
    backBrushColor_ = color;
  }
  return backBrush_;
}

// ---- Messages --------------------------------------------------------------------
// An entry point of the form or a control may unload the form and free this
// object: each case returns right after it, touching nothing of it.

LRESULT Win32Form::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  HWND const self = window_;
  runtime::LoadedForm& form = form_;
  const int x = static_cast<short>(LOWORD(lParam));
  const int y = static_cast<short>(HIWORD(lParam));
  switch (message) {
    case WM_TIMER: {
      const std::size_t position = wParam - static_cast<WPARAM>(IdOf(0));
      if (position < controls_.size()) controls_[position]->Model().InputTimer();
      return 0;
    }
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      form.InputKeyDown(static_cast<std::int16_t>(wParam & 0xFFFF), ShiftState());
      break;
    case WM_KEYUP:
    case WM_SYSKEYUP:
      form.InputKeyUp(static_cast<std::int16_t>(wParam & 0xFFFF), ShiftState());
      break;
    case WM_CHAR:
      form.InputKeyPress(static_cast<std::int16_t>(wParam & 0xFF));
      return 0;
    case WM_MOUSEMOVE:
      form.InputMouseMove(MouseButtons(wParam), MouseShift(wParam), x, y);
      return 0;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDBLCLK:
      form.InputMouseDown(ButtonOf(message), MouseShift(wParam), x, y,
                          message == WM_LBUTTONDBLCLK || message == WM_RBUTTONDBLCLK ||
                              message == WM_MBUTTONDBLCLK);
      return 0;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP:
      form.InputMouseUp(ButtonOf(message), MouseShift(wParam), x, y);
      return 0;
    case WM_COMMAND: {
      // IDOK and IDCANCEL from IsDialogMessage name no control: ignored.
      const std::size_t position = LOWORD(wParam) - static_cast<WPARAM>(IdOf(0));
      if (lParam != 0 && position < controls_.size()) controls_[position]->Command(HIWORD(wParam));
      return 0;
    }
    case WM_PAINT: {
      PAINTSTRUCT ps;
      const Painting outer = current;
      current = {self, ::BeginPaint(self, &ps)};
      const RECT& r = ps.rcPaint;
      if (current.dc != nullptr) form.InputExpose({r.left, r.top, r.right, r.bottom});
      ::EndPaint(self, &ps);
      current = outer;
      return 0;
    }
    case WM_ERASEBKGND:
      return 1;  // WM_PAINT covers every pixel
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN: {
      HDC dc = reinterpret_cast<HDC>(wParam);
      HBRUSH brush = BackBrush();
      ::SetBkColor(dc, backBrushColor_);
      ::SetTextColor(dc, ::GetSysColor(COLOR_BTNTEXT));
      return reinterpret_cast<LRESULT>(brush);
    }
    case WM_CLOSE:
      form.InputCloseRequest();
      return 0;
    case WM_STYLECHANGED:
      if (wParam == static_cast<WPARAM>(GWL_STYLE) &&
          (reinterpret_cast<const STYLESTRUCT*>(lParam)->styleNew & WS_CHILD)) {
        Watchdog::Watch();
      }
      break;
    default: {
      LRESULT result = 0;
      if (form.IsDialog() && DialogMessage(message, wParam, lParam, result)) return result;
      break;
    }
  }
  // After a key the form may be gone; Alt+F4 and the system menu still work
  // while it stays.
  return ::IsWindow(self) ? ::DefWindowProcA(self, message, wParam, lParam) : 0;
}

// What the dialog manager expects of a dialog box's window procedure.
bool Win32Form::DialogMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  result = 0;
  switch (message) {
    case DM_GETDEFID: {
      const runtime::LoadedControl* button = form_.DefaultButton();
      if (button != nullptr) result = MAKELRESULT(IdOf(*button), DC_HASDEFID);
      return true;
    }
    case WM_NEXTDLGCTL: {
      // IsDialogMessage sends this to move the focus (access keys of labels
      // and frames); only dialog boxes answer it themselves.
      HWND target = nullptr;
      if (LOWORD(lParam) != 0) {
        target = reinterpret_cast<HWND>(wParam);
      } else {
        HWND focus = ::GetFocus();
        target =
            ::GetNextDlgTabItem(window_, ::IsChild(window_, focus) ? focus : nullptr, wParam != 0);
      }
      if (target != nullptr) ::SetFocus(target);
      return true;
    }
    case WM_ACTIVATE:
      if (LOWORD(wParam) == WA_INACTIVE) {
        HWND focus = ::GetFocus();
        if (focus != nullptr && ::IsChild(window_, focus)) savedFocus_ = focus;
      } else if (!HIWORD(wParam)) {
        RestoreFocus();
      }
      return true;
    case WM_SETFOCUS:
      RestoreFocus();
      return true;
    default:
      return false;
  }
}

void Win32Form::RestoreFocus() {
  HWND target = savedFocus_;
  if (target == nullptr || !::IsWindow(target) || !::IsChild(window_, target) ||
      !::IsWindowEnabled(target) || !::IsWindowVisible(target)) {
    target = ::GetNextDlgTabItem(window_, nullptr, FALSE);
  }
  if (target != nullptr) ::SetFocus(target);
}

}  // namespace vss::win32
