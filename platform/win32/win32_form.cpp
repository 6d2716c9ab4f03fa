#include "platform/win32/win32_form.h"

#include <algorithm>
#include <cmath>

#include "platform/vbnum.h"
#include "platform/win32/win32_handle.h"
#include "platform/win32/win32_runtime.h"

namespace vss::win32 {

using platform::ControlKind;

namespace {

constexpr const char* FormClassName = "ThunderRT5Form";
// Control ids stay clear of IDOK and IDCANCEL, which IsDialogMessage sends
// for Enter without a default button and for Esc: both must do nothing.
constexpr int FirstControlId = 100;
// A drop-down list shows this many items before it scrolls.
constexpr int VisibleListItems = 17;
// More rectangles than this between two clears are kept as their union.
constexpr std::size_t MaxDrawnRects = 16;

[[noreturn]] void InvalidIndex(const std::string& what, int index) {
  throw RuntimeError(ErrorNumber::InvalidPropertyArrayIndex,
                     "Invalid property array index: " + what + "(" + std::to_string(index) + ")");
}

[[noreturn]] void InvalidValue(const std::string& what) {
  throw RuntimeError(ErrorNumber::InvalidPropertyValue, "Invalid property value: " + what);
}

bool Contains(const RECT& outer, const RECT& inner) {
  return outer.left <= inner.left && outer.top <= inner.top && outer.right >= inner.right &&
         outer.bottom >= inner.bottom;
}

// Adds a rectangle to a short list, dropping what it contains; past
// MaxDrawnRects the list becomes their union.
void AddRect(std::vector<RECT>& list, const RECT& r) {
  if (::IsRectEmpty(&r)) return;
  for (const RECT& have : list) {
    if (Contains(have, r)) return;
  }
  list.erase(std::remove_if(list.begin(), list.end(),
                            [&r](const RECT& have) { return Contains(r, have); }),
             list.end());
  if (list.size() >= MaxDrawnRects) {
    RECT all = r;
    for (const RECT& have : list) ::UnionRect(&all, &all, &have);
    list.assign(1, all);
    return;
  }
  list.push_back(r);
}

RECT Normalized(int x, int y, int width, int height) {
  RECT r{x, y, x + width, y + height};
  if (r.right < r.left) std::swap(r.left, r.right);
  if (r.bottom < r.top) std::swap(r.top, r.bottom);
  return r;
}

std::int16_t ShiftState() {
  std::int16_t shift = 0;
  if (::GetKeyState(VK_SHIFT) < 0) shift |= 1;
  if (::GetKeyState(VK_CONTROL) < 0) shift |= 2;
  if (::GetKeyState(VK_MENU) < 0) shift |= 4;
  return shift;
}

std::int16_t MouseButtons(WPARAM wParam) {
  std::int16_t buttons = 0;
  if (wParam & MK_LBUTTON) buttons |= 1;
  if (wParam & MK_RBUTTON) buttons |= 2;
  if (wParam & MK_MBUTTON) buttons |= 4;
  return buttons;
}

std::int16_t MouseShift(WPARAM wParam) {
  std::int16_t shift = 0;
  if (wParam & MK_SHIFT) shift |= 1;
  if (wParam & MK_CONTROL) shift |= 2;
  if (::GetKeyState(VK_MENU) < 0) shift |= 4;
  return shift;
}

void SetStyleBit(HWND window, LONG bit, bool on) {
  const LONG style = ::GetWindowLongA(window, GWL_STYLE);
  const LONG wanted = on ? (style | bit) : (style & ~bit);
  if (wanted != style) ::SetWindowLongA(window, GWL_STYLE, wanted);
}

LRESULT CALLBACK FormWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

bool RunningUnderWine() {
  static const bool wine = [] {
    HMODULE ntdll = ::GetModuleHandleA("ntdll.dll");
    return ntdll != nullptr && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
  }();
  return wine;
}

// Wine (8.0) paints a child window into its top-level window's surface, and
// only the process that owns the top-level holds that surface. A window
// re-parented into another process's window (the preview area) gets a DC
// with no surface and no X drawable ("SET_DRAWABLE ... drawable 0" in the
// x11drv trace): whatever it paints is dropped, nothing reaches the screen.
// Windows itself paints such a child normally.
bool PaintsAreLost(HWND window) {
  if (!RunningUnderWine()) return false;
  HWND root = ::GetAncestor(window, GA_ROOT);
  if (root == nullptr || root == window) return false;
  DWORD process = 0;
  ::GetWindowThreadProcessId(root, &process);
  return process != ::GetCurrentProcessId();
}

}  // namespace

// ---- The persistent image ----------------------------------------------------

class Win32Form::Image {
 public:
  Image() = default;
  Image(const Image&) = delete;
  Image& operator=(const Image&) = delete;
  ~Image() { Release(); }

  HDC Dc() const { return dc_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  bool Covers(const RECT& r) const { return r.right <= width_ && r.bottom <= height_; }

  // At least width x height, keeping the content; new parts get fill.
  void Ensure(int width, int height, COLORREF fill) {
    if (dc_ != nullptr && width <= width_ && height <= height_) return;
    const int newWidth = std::max({width, width_, 1});
    const int newHeight = std::max({height, height_, 1});

    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = newWidth;
    info.bmiHeader.biHeight = -newHeight;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HDC dc = ::CreateCompatibleDC(nullptr);
    HBITMAP bitmap =
        dc != nullptr ? ::CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0) : nullptr;
    if (bitmap == nullptr) {
      if (dc != nullptr) ::DeleteDC(dc);
      throw RuntimeError(ErrorNumber::OutOfMemory, "Out of memory: form image");
    }
    HGDIOBJ previous = ::SelectObject(dc, bitmap);
    HBRUSH brush = ::CreateSolidBrush(fill);
    const RECT all{0, 0, newWidth, newHeight};
    ::FillRect(dc, &all, brush);
    ::DeleteObject(brush);
    if (dc_ != nullptr) ::BitBlt(dc, 0, 0, width_, height_, dc_, 0, 0, SRCCOPY);
    Release();
    dc_ = dc;
    bitmap_ = bitmap;
    previous_ = previous;
    width_ = newWidth;
    height_ = newHeight;
  }

 private:
  void Release() {
    if (dc_ == nullptr) return;
    ::SelectObject(dc_, previous_);
    ::DeleteObject(bitmap_);
    ::DeleteDC(dc_);
    dc_ = nullptr;
    bitmap_ = nullptr;
    width_ = height_ = 0;
  }

  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ previous_ = nullptr;
  int width_ = 0;
  int height_ = 0;
};

// ---- Controls ----------------------------------------------------------------

Win32Control::Win32Control(Win32Form& form, const platform::ControlDesign& design, int id)
    : form_(form), design_(design), id_(id) {}

void Win32Control::SetEnabled(Boolean enabled) {
  enabled_ = enabled != False;
  if (window_ != nullptr) ::EnableWindow(window_, enabled_ ? TRUE : FALSE);
}

Boolean Win32Control::Enabled() const { return enabled_ ? True : False; }

void Win32Control::Create(HWND, const RECT&, HFONT) {}

void Win32Control::CreateWindowed(const char* className, DWORD style, const RECT& pixels,
                                  HWND parent, HFONT font) {
  window_ = ::CreateWindowExA(
      0, className, design_.Caption.c_str(), WS_CHILD | WS_VISIBLE | style, pixels.left, pixels.top,
      pixels.right - pixels.left, pixels.bottom - pixels.top, parent,
      reinterpret_cast<HMENU>(static_cast<INT_PTR>(id_)), form_.Runtime().Instance(), nullptr);
  if (window_ == nullptr) {
    throw RuntimeError(ErrorNumber::OutOfMemory, "Out of memory: control " + design_.Name);
  }
  ::SendMessageA(window_, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
}

void Win32Control::FitCaption(int decoration) {
  if (window_ == nullptr || design_.Caption.empty()) return;
  std::string text;
  for (std::size_t i = 0; i < design_.Caption.size(); ++i) {
    if (design_.Caption[i] == '&' && i + 1 < design_.Caption.size()) ++i;
    text += design_.Caption[i];
  }
  HDC dc = ::GetDC(window_);
  if (dc == nullptr) return;
  auto* font = reinterpret_cast<HFONT>(::SendMessageA(window_, WM_GETFONT, 0, 0));
  HGDIOBJ previous = font != nullptr ? ::SelectObject(dc, font) : nullptr;
  SIZE extent{};
  ::GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &extent);
  if (previous != nullptr) ::SelectObject(dc, previous);
  ::ReleaseDC(window_, dc);

  RECT r{};
  ::GetWindowRect(window_, &r);
  HWND parent = ::GetParent(window_);
  ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
  RECT client{};
  ::GetClientRect(parent, &client);
  const int needed = std::min<int>(extent.cx + decoration, client.right - r.left);
  if (needed > r.right - r.left) {
    ::SetWindowPos(window_, nullptr, 0, 0, needed, r.bottom - r.top,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

int Win32Control::CharWidth(char c) const {
  HDC dc = ::GetDC(window_);
  if (dc == nullptr) return 0;
  auto* font = reinterpret_cast<HFONT>(::SendMessageA(window_, WM_GETFONT, 0, 0));
  HGDIOBJ previous = font != nullptr ? ::SelectObject(dc, font) : nullptr;
  INT width = 0;
  ::GetCharWidth32A(dc, static_cast<UINT>(static_cast<unsigned char>(c)),
                    static_cast<UINT>(static_cast<unsigned char>(c)), &width);
  if (previous != nullptr) ::SelectObject(dc, previous);
  ::ReleaseDC(window_, dc);
  return width;
}

namespace {

class TimerControl final : public Win32Control {
 public:
  using Win32Control::Win32Control;

  void SetInterval(std::int32_t milliseconds) override {
    if (milliseconds < 0) InvalidValue(design_.Name + ".Interval");
    interval_ = milliseconds;
    Apply();
  }
  std::int32_t Interval() const override { return interval_; }
  void SetEnabled(Boolean enabled) override {
    enabled_ = enabled != False;
    Apply();
  }
  void Retire() override {
    retired_ = true;
    Apply();
  }

 private:
  void Apply() {
    HWND window = form_.Window();
    if (window == nullptr) return;
    if (!retired_ && enabled_ && interval_ > 0) {
      // Setting the interval again restarts the count, as a new SetTimer does.
      ::SetTimer(window, static_cast<UINT_PTR>(id_), static_cast<UINT>(interval_), nullptr);
    } else {
      ::KillTimer(window, static_cast<UINT_PTR>(id_));
    }
  }

  std::int32_t interval_ = 0;
  bool retired_ = false;
};

class FrameControl final : public Win32Control {
 public:
  using Win32Control::Win32Control;
  void Create(HWND parent, const RECT& pixels, HFONT font) override {
    CreateWindowed("BUTTON", BS_GROUPBOX | WS_GROUP, pixels, parent, font);
    FitCaption(2 * 8);  // the outline's indent on both sides
  }
};

class LabelControl final : public Win32Control {
 public:
  using Win32Control::Win32Control;
  // Its access key moves the focus to the next control in the tab order
  // (IsDialogMessage does that for statics).
  void Create(HWND parent, const RECT& pixels, HFONT font) override {
    CreateWindowed("STATIC", SS_LEFT | WS_GROUP, pixels, parent, font);
    FitCaption(0);
  }
};

// The runtime keeps the checks: a click, access key or arrow key on a
// cleared button sets its Value, which clears the others of its container
// and raises the Click, nested in the assignment.
class OptionControl final : public Win32Control {
 public:
  using Win32Control::Win32Control;

  void Create(HWND parent, const RECT& pixels, HFONT font) override {
    bool first = true;
    for (Win32Control* other : form_.ControlsOfKind(ControlKind::OptionButton)) {
      if (other != this && other->Window() != nullptr &&
          other->Design().Container == design_.Container) {
        first = false;
      }
    }
    // Not BS_AUTORADIOBUTTON: Windows must not change the checks itself.
    CreateWindowed("BUTTON", BS_RADIOBUTTON | (first ? WS_GROUP : 0), pixels, parent, font);
    // The check mark, then a gap of half a digit before the caption, and room
    // for the focus rectangle drawn a pixel outside the caption on each side.
    const int dpi = form_.Runtime().PixelsPerInchX();
    FitCaption(std::max(::GetSystemMetrics(SM_CXMENUCHECK), ::MulDiv(12, dpi, 96) + 1) +
               CharWidth('0') / 2 + 4);
    ::SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    original_ = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrA(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&OptionProc)));
    UpdateTabStops();
  }

  void SetValue(Boolean value) override {
    if (value == False) {
      if (!checked_) return;
      checked_ = false;
      ShowCheck();
      UpdateTabStops();
      return;
    }
    if (checked_) return;
    checked_ = true;
    ShowCheck();
    for (OptionControl* other : Group()) {
      if (other != this && other->checked_) {
        other->checked_ = false;
        other->ShowCheck();
      }
    }
    UpdateTabStops();
    form_.RaiseControlEvent(design_.Name, design_.Index);
  }

  Boolean Value() const override { return checked_ ? True : False; }

  void OnCommand(WORD notification) override {
    if (notification == BN_CLICKED && !checked_) SetValue(True);
  }

 private:
  std::vector<OptionControl*> Group() const {
    std::vector<OptionControl*> group;
    for (Win32Control* c : form_.ControlsOfKind(ControlKind::OptionButton)) {
      if (c->Design().Container == design_.Container)
        group.push_back(static_cast<OptionControl*>(c));
    }
    return group;
  }

  void ShowCheck() {
    if (window_ != nullptr) {
      ::SendMessageA(window_, BM_SETCHECK, checked_ ? BST_CHECKED : BST_UNCHECKED, 0);
    }
  }

  // Tab enters a group at its checked button, or at the first when none is.
  void UpdateTabStops() {
    const auto group = Group();
    const bool anyChecked =
        std::any_of(group.begin(), group.end(), [](const OptionControl* c) { return c->checked_; });
    bool first = true;
    for (OptionControl* c : group) {
      if (c->window_ == nullptr) continue;
      SetStyleBit(c->window_, WS_TABSTOP, c->checked_ || (!anyChecked && first));
      first = false;
    }
  }

  bool InGroup(HWND window) const {
    if (window == nullptr || window == window_) return false;
    const auto group = Group();
    return std::any_of(group.begin(), group.end(),
                       [window](const OptionControl* c) { return c->window_ == window; });
  }

  static LRESULT CALLBACK OptionProc(HWND window, UINT message, WPARAM wParam,
                                     LPARAM lParam) noexcept {
    auto* self = reinterpret_cast<OptionControl*>(::GetWindowLongPtrA(window, GWLP_USERDATA));
    if (self == nullptr) return ::DefWindowProcA(window, message, wParam, lParam);
    const WNDPROC original = self->original_;
    if (message == WM_NCDESTROY) {
      ::SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
      ::SetWindowLongPtrA(window, GWLP_USERDATA, 0);
      self->window_ = nullptr;
      return ::CallWindowProcA(original, window, message, wParam, lParam);
    }
    const LRESULT result = ::CallWindowProcA(original, window, message, wParam, lParam);
    // The dialog manager moves the focus within the group on arrow keys but
    // only selects automatic radio buttons; these are the runtime's.
    if (message == WM_SETFOCUS && self->InGroup(reinterpret_cast<HWND>(wParam)) &&
        ::GetKeyState(VK_LBUTTON) >= 0 && !self->checked_) {
      try {
        self->SetValue(True);
      } catch (...) {
        self->form_.Runtime().EndWithCurrentException();
      }
    }
    return result;
  }

  bool checked_ = false;
  WNDPROC original_ = nullptr;
};

class ComboControl final : public Win32Control {
 public:
  using Win32Control::Win32Control;

  void Create(HWND parent, const RECT& pixels, HFONT font) override {
    CreateWindowed("COMBOBOX", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP | WS_GROUP, pixels,
                   parent, font);
    // The closed height follows the font; the window height given here is
    // the height of the dropped list.
    const LRESULT item = ::SendMessageA(window_, CB_GETITEMHEIGHT, 0, 0);
    RECT closed{};
    ::GetWindowRect(window_, &closed);
    const int closedHeight = closed.bottom - closed.top;
    const int itemHeight = item > 0 ? static_cast<int>(item) : closedHeight;
    ::SetWindowPos(window_, nullptr, 0, 0, pixels.right - pixels.left,
                   closedHeight + itemHeight * VisibleListItems + 2,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }

  void AddItem(const std::string& text, std::int16_t index) override {
    if (index < 0 || index > ListCount()) InvalidIndex(design_.Name + ".AddItem", index);
    const LRESULT at = ::SendMessageA(window_, CB_INSERTSTRING, static_cast<WPARAM>(index),
                                      reinterpret_cast<LPARAM>(text.c_str()));
    if (at < 0) throw RuntimeError(ErrorNumber::OutOfMemory, "Out of memory: " + design_.Name);
  }

  void SetItemData(std::int16_t index, std::int32_t data) override {
    CheckIndex("ItemData", index);
    ::SendMessageA(window_, CB_SETITEMDATA, static_cast<WPARAM>(index), static_cast<LPARAM>(data));
  }

  std::int32_t ItemData(std::int16_t index) const override {
    CheckIndex("ItemData", index);
    return static_cast<std::int32_t>(
        ::SendMessageA(window_, CB_GETITEMDATA, static_cast<WPARAM>(index), 0));
  }

  std::int16_t ListCount() const override {
    const LRESULT count = ::SendMessageA(window_, CB_GETCOUNT, 0, 0);
    return static_cast<std::int16_t>(std::clamp<LRESULT>(count, 0, 0x7FFF));
  }

  void SetListIndex(std::int16_t index) override {
    if (index != -1) CheckIndex("ListIndex", index);
    ::SendMessageA(window_, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  }

  std::int16_t ListIndex() const override {
    const LRESULT selected = ::SendMessageA(window_, CB_GETCURSEL, 0, 0);
    return selected < 0 ? -1 : static_cast<std::int16_t>(selected);
  }

  std::string List(std::int16_t index) const override {
    CheckIndex("List", index);
    const LRESULT length = ::SendMessageA(window_, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length <= 0) return {};
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    const LRESULT got = ::SendMessageA(window_, CB_GETLBTEXT, static_cast<WPARAM>(index),
                                       reinterpret_cast<LPARAM>(text.data()));
    text.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    return text;
  }

 private:
  void CheckIndex(const char* what, int index) const {
    if (index < 0 || index >= ListCount()) InvalidIndex(design_.Name + "." + what, index);
  }
};

class CommandControl final : public Win32Control {
 public:
  using Win32Control::Win32Control;

  void Create(HWND parent, const RECT& pixels, HFONT font) override {
    // BS_NOTIFY: the focus notifications move the default-button border.
    CreateWindowed("BUTTON", BS_PUSHBUTTON | BS_NOTIFY | WS_TABSTOP | WS_GROUP, pixels, parent,
                   font);
    FitCaption(2 * (::GetSystemMetrics(SM_CXEDGE) + 2));  // edge and focus rectangle
  }

  void SetDefault(Boolean isDefault) override {
    if (isDefault != False) {
      form_.SetDefaultButton(this);
    } else if (form_.DefaultButton() == this) {
      form_.SetDefaultButton(nullptr);
    }
  }

  Boolean Default() const override { return form_.DefaultButton() == this ? True : False; }

  void OnCommand(WORD notification) override {
    if (notification == BN_CLICKED) {
      form_.RaiseControlEvent(design_.Name, design_.Index);
    } else if (notification == BN_SETFOCUS || notification == BN_KILLFOCUS) {
      form_.RefreshDefaultBorder();
    }
  }
};

std::unique_ptr<Win32Control> MakeControl(Win32Form& form, const platform::ControlDesign& design,
                                          int id) {
  switch (design.Kind) {
    case ControlKind::Timer:
      return std::make_unique<TimerControl>(form, design, id);
    case ControlKind::Frame:
      return std::make_unique<FrameControl>(form, design, id);
    case ControlKind::OptionButton:
      return std::make_unique<OptionControl>(form, design, id);
    case ControlKind::Label:
      return std::make_unique<LabelControl>(form, design, id);
    case ControlKind::ComboBox:
      return std::make_unique<ComboControl>(form, design, id);
    case ControlKind::CommandButton:
      return std::make_unique<CommandControl>(form, design, id);
  }
  throw RuntimeError(ErrorNumber::NotSupported, "Unknown control kind: " + design.Name);
}

}  // namespace

// ---- The form window ---------------------------------------------------------

void RegisterFormClass(HINSTANCE instance) {
  WNDCLASSEXA existing{};
  existing.cbSize = sizeof existing;
  if (::GetClassInfoExA(instance, FormClassName, &existing)) return;

  WNDCLASSEXA wc{};
  wc.cbSize = sizeof wc;
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = &FormWindowProc;
  wc.hInstance = instance;
  wc.hIcon = static_cast<HICON>(::LoadImageA(instance, MAKEINTRESOURCEA(1), IMAGE_ICON,
                                             ::GetSystemMetrics(SM_CXICON),
                                             ::GetSystemMetrics(SM_CYICON), LR_DEFAULTCOLOR));
  wc.hIconSm = static_cast<HICON>(::LoadImageA(instance, MAKEINTRESOURCEA(1), IMAGE_ICON,
                                               ::GetSystemMetrics(SM_CXSMICON),
                                               ::GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR));
  wc.hCursor = ::LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
  wc.hbrBackground = nullptr;  // WM_ERASEBKGND paints the form's BackColor
  wc.lpszClassName = FormClassName;
  ::RegisterClassExA(&wc);
}

Win32Form::Win32Form(Win32Runtime& runtime, platform::FormModule& code,
                     const platform::FormDesign& design)
    : runtime_(runtime), code_(code), design_(design) {}

Win32Form::~Win32Form() {
  Retire(true, false);
  if (backBrush_ != nullptr) ::DeleteObject(backBrush_);
}

void Win32Form::Create() {
  const bool sizable = design_.Border == platform::BorderStyle::Sizable;
  // No WS_CLIPCHILDREN: a group box paints only its outline, so the form
  // must paint the inside of a frame.
  DWORD style = WS_OVERLAPPEDWINDOW;
  DWORD exStyle = 0;
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  if (sizable) {
    exStyle = WS_EX_CONTROLPARENT | WS_EX_WINDOWEDGE;
    x = CW_USEDEFAULT;
    y = CW_USEDEFAULT;
    if (design_.ClientWidth > 0 && design_.ClientHeight > 0) {
      RECT outer{0, 0, ToPixelsX(design_.ClientWidth), ToPixelsY(design_.ClientHeight)};
      ::AdjustWindowRectEx(&outer, style, FALSE, exStyle);
      width = outer.right - outer.left;
      height = outer.bottom - outer.top;
    } else {
      width = CW_USEDEFAULT;
      height = CW_USEDEFAULT;
    }
  } else if (design_.ClientWidth > 0 && design_.ClientHeight > 0) {
    width = ToPixelsX(design_.ClientWidth);
    height = ToPixelsY(design_.ClientHeight);
  }

  window_ = ::CreateWindowExA(exStyle, FormClassName, design_.Caption.c_str(), style, x, y, width,
                              height, nullptr, nullptr, runtime_.Instance(), this);
  if (window_ == nullptr)
    throw RuntimeError(ErrorNumber::OutOfMemory, "Out of memory: " + design_.Name);

  if (!sizable) {
    // Under Wine a WS_POPUP window becomes an invalid handle once WS_CHILD is
    // added and it is re-parented into another process's window; an
    // overlapped window with its frame taken away goes through.
    SetStyleBit(window_, WS_CAPTION | WS_THICKFRAME | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX,
                false);
    ::SetWindowPos(window_, nullptr, 0, 0, 0, 0,
                   SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }

  // Creation order is the z-order, which is the tab order.
  std::vector<const platform::ControlDesign*> order;
  for (const auto& c : design_.Controls) order.push_back(&c);
  std::stable_sort(order.begin(), order.end(),
                   [](const auto* a, const auto* b) { return a->TabIndex < b->TabIndex; });
  int id = FirstControlId;
  for (const auto* c : order) controls_.push_back(MakeControl(*this, *c, id++));

  for (auto& control : controls_) {
    const auto& d = control->Design();
    if (d.Kind == ControlKind::Timer) continue;
    isDialog_ = true;
    // Positions are in the container, which may itself sit in a frame.
    double left = d.Left;
    double top = d.Top;
    std::string container = d.Container;
    for (int depth = 0; !container.empty() && depth < 16; ++depth) {
      const auto it = std::find_if(design_.Controls.begin(), design_.Controls.end(),
                                   [&container](const auto& c) { return c.Name == container; });
      if (it == design_.Controls.end()) break;
      left += it->Left;
      top += it->Top;
      container = it->Container;
    }
    const int x0 = ToPixelsX(left);
    const int y0 = ToPixelsY(top);
    const RECT pixels{x0, y0, x0 + ToPixelsX(d.Width), y0 + ToPixelsY(d.Height)};
    control->Create(window_, pixels, runtime_.DialogFont());
  }
}

bool Win32Form::BeginUnload() {
  if (!loaded_ || unloading_) return false;
  unloading_ = true;
  return true;
}

void Win32Form::Retire(bool destroyWindow, bool unbind) {
  unloading_ = true;
  const bool wasLoaded = loaded_;
  loaded_ = false;
  for (auto& control : controls_) control->Retire();
  if (wasLoaded && unbind) code_.Bind(nullptr);
  if (window_ != nullptr) {
    HWND window = window_;
    if (destroyWindow && ::IsWindow(window)) ::DestroyWindow(window);
    window_ = nullptr;
  }
}

// ---- Units -------------------------------------------------------------------

int Win32Form::ToPixelsX(double twips) const {
  return CLng(twips / static_cast<double>(runtime_.TwipsPerPixelX()));
}

int Win32Form::ToPixelsY(double twips) const {
  return CLng(twips / static_cast<double>(runtime_.TwipsPerPixelY()));
}

RECT Win32Form::OuterRect() const {
  RECT r{};
  if (window_ == nullptr) return r;
  ::GetWindowRect(window_, &r);
  // A child window's position is in its parent's client area.
  if (::GetWindowLongA(window_, GWL_STYLE) & WS_CHILD) {
    HWND parent = ::GetAncestor(window_, GA_PARENT);
    if (parent != nullptr) ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
  }
  return r;
}

RECT Win32Form::ClientPixels() const {
  RECT r{};
  if (window_ != nullptr) ::GetClientRect(window_, &r);
  return r;
}

void Win32Form::MoveTo(int x, int y) {
  if (window_ == nullptr) return;
  ::SetWindowPos(window_, nullptr, x, y, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOOWNERZORDER | SWP_NOACTIVATE);
}

void Win32Form::ResizeTo(int width, int height) {
  if (window_ == nullptr) return;
  ::SetWindowPos(window_, nullptr, 0, 0, width, height,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOOWNERZORDER | SWP_NOACTIVATE);
}

float Win32Form::Width() const {
  const RECT r = OuterRect();
  return static_cast<float>(r.right - r.left) * runtime_.TwipsPerPixelX();
}

float Win32Form::Height() const {
  const RECT r = OuterRect();
  return static_cast<float>(r.bottom - r.top) * runtime_.TwipsPerPixelY();
}

float Win32Form::Left() const {
  return static_cast<float>(OuterRect().left) * runtime_.TwipsPerPixelX();
}

float Win32Form::Top() const {
  return static_cast<float>(OuterRect().top) * runtime_.TwipsPerPixelY();
}

void Win32Form::SetWidth(float twips) {
  if (twips < 0) InvalidValue(design_.Name + ".Width");
  const RECT r = OuterRect();
  ResizeTo(ToPixelsX(twips), r.bottom - r.top);
}

void Win32Form::SetHeight(float twips) {
  if (twips < 0) InvalidValue(design_.Name + ".Height");
  const RECT r = OuterRect();
  ResizeTo(r.right - r.left, ToPixelsY(twips));
}

void Win32Form::SetLeft(float twips) { MoveTo(ToPixelsX(twips), OuterRect().top); }

void Win32Form::SetTop(float twips) { MoveTo(OuterRect().left, ToPixelsY(twips)); }

platform::WindowHandle Win32Form::hWnd() const { return FromHwnd(window_); }

// ---- Caption, colour, drawing ------------------------------------------------

void Win32Form::SetCaption(const std::string& caption) {
  if (window_ != nullptr) ::SetWindowTextA(window_, caption.c_str());
}

std::string Win32Form::Caption() const {
  if (window_ == nullptr) return {};
  const int length = ::GetWindowTextLengthA(window_);
  std::string text(static_cast<std::size_t>(std::max(length, 0)) + 1, '\0');
  const int got = ::GetWindowTextA(window_, text.data(), static_cast<int>(text.size()));
  text.resize(static_cast<std::size_t>(std::max(got, 0)));
  return text;
}

COLORREF Win32Form::BackRgb() const {
  if (backColor_ & 0x80000000u) return ::GetSysColor(static_cast<int>(backColor_ & 0xFFu));
  return backColor_ & 0x00FFFFFFu;
}

HBRUSH Win32Form::BackBrush() {
  const COLORREF color = BackRgb();
  if (backBrush_ == nullptr || backBrushColor_ != color) {
    if (backBrush_ != nullptr) ::DeleteObject(backBrush_);
    backBrush_ = ::CreateSolidBrush(color);
    backBrushColor_ = color;
  }
  return backBrush_;
}

void Win32Form::EnsureImage() {
  const RECT client = ClientPixels();
  const COLORREF back = BackRgb();
  if (!image_) {
    image_ = std::make_unique<Image>();
    image_->Ensure(client.right, client.bottom, back);
    imageClean_ = true;
    imageCleanColor_ = back;
    drawn_.clear();
    pendingClears_.clear();
    return;
  }
  // Growing copies the content: it must be whole first.
  if (client.right > image_->Width() || client.bottom > image_->Height()) FillPendingClears();
  const int oldWidth = image_->Width();
  const int oldHeight = image_->Height();
  image_->Ensure(client.right, client.bottom, back);
  const bool grew = image_->Width() != oldWidth || image_->Height() != oldHeight;
  if (grew && back != imageCleanColor_) imageClean_ = false;
}

void Win32Form::SetAutoRedraw(Boolean autoRedraw) {
  autoRedraw_ = autoRedraw != False;
  if (autoRedraw_) EnsureImage();
}

void Win32Form::SetBackColor(std::int32_t color) {
  backColor_ = static_cast<std::uint32_t>(color);
  // A new back colour clears what was drawn, as a Cls would.
  if (image_) {
    const COLORREF back = BackRgb();
    HBRUSH brush = BackBrush();
    const RECT all{0, 0, image_->Width(), image_->Height()};
    ::FillRect(image_->Dc(), &all, brush);
    imageClean_ = true;
    imageCleanColor_ = back;
    drawn_.clear();
    pendingClears_.clear();
  }
  if (window_ != nullptr) ::InvalidateRect(window_, nullptr, TRUE);
}

void Win32Form::PaintOnScreen(HDC paintDc, const RECT& rect) {
  // A DC of the foreign top-level window does reach the screen: it draws
  // straight into that window's X window, so the X server clips it by the
  // windows stacked above. Its child windows are not clipped out (the host
  // may have WS_CLIPCHILDREN): the clip is where this window is visible. The
  // host's own repaints of its area may cover the image again until this
  // window's next paint.
  HWND root = ::GetAncestor(window_, GA_ROOT);
  POINT origin{0, 0};
  if (root == nullptr || !::ClientToScreen(root, &origin)) return;
  HRGN clip = ::CreateRectRgn(0, 0, 0, 0);
  if (clip == nullptr) return;
  RECT target = rect;
  ::MapWindowPoints(window_, root, reinterpret_cast<POINT*>(&target), 2);
  HRGN painted = ::CreateRectRgnIndirect(&target);
  // The system region comes in screen coordinates.
  if (painted != nullptr && ::GetRandomRgn(paintDc, clip, SYSRGN) == 1 &&
      ::OffsetRgn(clip, -origin.x, -origin.y) != ERROR &&
      ::CombineRgn(clip, clip, painted, RGN_AND) > NULLREGION) {
    if (HDC dc = ::GetDCEx(root, nullptr, DCX_CACHE)) {
      ::SelectClipRgn(dc, clip);
      ::BitBlt(dc, target.left, target.top, rect.right - rect.left, rect.bottom - rect.top,
               image_->Dc(), rect.left, rect.top, SRCCOPY);
      ::ReleaseDC(root, dc);
    }
  }
  if (painted != nullptr) ::DeleteObject(painted);
  ::DeleteObject(clip);
}

void Win32Form::Changed(const RECT& rect) {
  if (window_ == nullptr) return;
  if (messageDepth_ > 0) {
    AddRect(changed_, rect);
  } else {
    ::InvalidateRect(window_, &rect, FALSE);
  }
}

void Win32Form::FillPendingClears() {
  if (pendingClears_.empty() || !image_) return;
  // The colour the image was cleared to, whatever the back colour is now.
  HDC dc = image_->Dc();
  const COLORREF previous = ::SetDCBrushColor(dc, imageCleanColor_);
  const auto brush = static_cast<HBRUSH>(::GetStockObject(DC_BRUSH));
  for (const RECT& r : pendingClears_) ::FillRect(dc, &r, brush);
  ::SetDCBrushColor(dc, previous);
  pendingClears_.clear();
}

void Win32Form::ShowChanged() {
  if (changed_.empty()) return;
  // Straight onto the window: under Wine (8.0) two invalidations and the
  // WM_PAINT they cause take nine server requests per Tick, a GetDC and a
  // BitBlt none. The paint path stays where a direct copy would be wrong or
  // lost: over child controls (the form has no WS_CLIPCHILDREN) and in a
  // window whose painting Wine drops. Exposures are still answered by
  // WM_PAINT.
  const bool overControls = std::any_of(controls_.begin(), controls_.end(),
                                        [](const auto& c) { return c->Window() != nullptr; });
  const bool lost = (::GetWindowLongA(window_, GWL_STYLE) & WS_CHILD) && PaintsAreLost(window_);
  const bool direct = autoRedraw_ && image_ && !overControls && !lost;
  HDC dc = direct ? ::GetDC(window_) : nullptr;
  for (const RECT& r : changed_) {
    if (dc != nullptr) {
      ::BitBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, image_->Dc(), r.left, r.top,
               SRCCOPY);
    } else {
      ::InvalidateRect(window_, &r, FALSE);
    }
  }
  if (dc != nullptr) ::ReleaseDC(window_, dc);
  changed_.clear();
}

void Win32Form::EndMessage() {
  if (messageDepth_ == 0 || --messageDepth_ > 0) return;
  // The outermost message is over: make the image whole and show its changes.
  FillPendingClears();
  if (window_ != nullptr) ShowChanged();
}

void Win32Form::Cls() {
  if (!autoRedraw_ || !image_) {
    drawn_.clear();
    if (window_ != nullptr) ::InvalidateRect(window_, nullptr, TRUE);
    return;
  }
  const COLORREF back = BackRgb();
  HBRUSH brush = BackBrush();
  if (imageClean_ && imageCleanColor_ == back) {
    // Only what was drawn since the last clear differs from the back colour:
    // clear and repaint just that, never the whole window. Within a
    // message the fill waits: the saver paints the next frame right over it.
    for (const RECT& r : drawn_) {
      if (messageDepth_ > 0) {
        AddRect(pendingClears_, r);
      } else {
        ::FillRect(image_->Dc(), &r, brush);
      }
      Changed(r);
    }
  } else {
    const RECT all{0, 0, image_->Width(), image_->Height()};
    pendingClears_.clear();
    ::FillRect(image_->Dc(), &all, brush);
    imageClean_ = true;
    imageCleanColor_ = back;
    if (window_ != nullptr) ::InvalidateRect(window_, nullptr, FALSE);
  }
  drawn_.clear();
}

void Win32Form::PaintPicture(const platform::Picture& picture, float x, float y, float width,
                             float height) {
  const auto* dib = dynamic_cast<const Win32Picture*>(&picture);
  if (dib == nullptr) {
    throw RuntimeError(ErrorNumber::InvalidPicture, "Invalid picture: not loaded by this runtime");
  }
  const int px = ToPixelsX(x);
  const int py = ToPixelsY(y);
  const int pw = ToPixelsX(width);
  const int ph = ToPixelsY(height);
  if (pw == 0 || ph == 0 || window_ == nullptr) return;

  if (autoRedraw_) EnsureImage();
  HDC target = autoRedraw_ ? image_->Dc() : ::GetDC(window_);
  if (target == nullptr) return;
  if (autoRedraw_ && !pendingClears_.empty()) {
    // A SRCCOPY picture replaces every pixel of its rectangle: clears it
    // covers need no fill; those it overlaps are filled before it lands.
    RECT over = Normalized(px, py, pw, ph);
    pendingClears_.erase(std::remove_if(pendingClears_.begin(), pendingClears_.end(),
                                        [&](const RECT& r) { return Contains(over, r); }),
                         pendingClears_.end());
    RECT overlap;
    if (std::any_of(pendingClears_.begin(), pendingClears_.end(),
                    [&](const RECT& r) { return ::IntersectRect(&overlap, &r, &over) != FALSE; })) {
      FillPendingClears();
    }
  }
  // Enlarged frames keep their hard pixels; a shrunk one (the preview) is
  // averaged, or thin lines of the figure would drop out.
  const bool shrinking = std::abs(pw) < dib->PixelWidth() || std::abs(ph) < dib->PixelHeight();
  ::SetStretchBltMode(target, shrinking ? HALFTONE : COLORONCOLOR);
  if (shrinking) ::SetBrushOrgEx(target, 0, 0, nullptr);
  ::StretchDIBits(target, px, py, pw, ph, 0, 0, dib->PixelWidth(), dib->PixelHeight(), dib->Bits(),
                  dib->Info(), DIB_RGB_COLORS, SRCCOPY);
  if (!autoRedraw_) {
    ::ReleaseDC(window_, target);
    return;
  }

  RECT drawn = Normalized(px, py, pw, ph);
  const RECT bounds{0, 0, image_->Width(), image_->Height()};
  if (!::IntersectRect(&drawn, &drawn, &bounds)) return;
  if (drawn_.size() >= MaxDrawnRects) {
    RECT all = drawn_.front();
    for (const RECT& r : drawn_) ::UnionRect(&all, &all, &r);
    drawn_.assign(1, all);
  }
  drawn_.push_back(drawn);
  Changed(drawn);
}

void Win32Form::Show(std::int32_t modal) {
  if (modal != 0) {
    throw RuntimeError(ErrorNumber::InvalidProcedureCall,
                       "Invalid procedure call: modal forms are not supported");
  }
  if (window_ == nullptr) return;
  ::ShowWindow(window_, SW_SHOWNORMAL);
  ::SetForegroundWindow(window_);
  ::UpdateWindow(window_);
}

// ---- Controls ----------------------------------------------------------------

Win32Control& Win32Form::Controls(const std::string& name, std::int16_t index) {
  for (auto& control : controls_) {
    if (control->Design().Name == name && control->Design().Index == index) return *control;
  }
  throw RuntimeError(
      ErrorNumber::SubscriptOutOfRange,
      "Control array element '" + name + "(" + std::to_string(index) + ")' doesn't exist");
}

std::vector<Win32Control*> Win32Form::ControlsOfKind(ControlKind kind) const {
  std::vector<Win32Control*> found;
  for (const auto& control : controls_) {
    if (control->Kind() == kind) found.push_back(control.get());
  }
  return found;
}

Win32Control* Win32Form::ControlById(int id) const {
  for (const auto& control : controls_) {
    if (control->Id() == id) return control.get();
  }
  return nullptr;
}

void Win32Form::RaiseControlEvent(const std::string& name, std::int16_t index) {
  if (loaded_) code_.ControlEvent(name, index);
}

void Win32Form::SetDefaultButton(Win32Control* button) {
  defaultButton_ = button;
  RefreshDefaultBorder();
}

void Win32Form::RefreshDefaultBorder() {
  HWND focus = ::GetFocus();

  Win32Control* bordered = defaultButton_;
  for (Win32Control* c : ControlsOfKind(ControlKind::CommandButton)) {
    if (c->Window() != nullptr && c->Window() == focus) bordered = c;
  }
  for (Win32Control* c : ControlsOfKind(ControlKind::CommandButton)) {
    HWND button = c->Window();
    if (button == nullptr) continue;
    const LONG style = ::GetWindowLongA(button, GWL_STYLE);
    const LONG type = c == bordered ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
    if ((style & BS_TYPEMASK) != type) {
      ::SendMessageA(button, BM_SETSTYLE,
                     static_cast<WPARAM>((style & 0xFFFF & ~BS_TYPEMASK) | type), TRUE);
    }
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

// ---- Messages ----------------------------------------------------------------

void Win32Form::RaiseKey(UINT message, WPARAM wParam) {
  std::int16_t shift = ShiftState();
  switch (message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN: {
      auto keyCode = static_cast<std::int16_t>(wParam & 0xFFFF);
      code_.Form_KeyDown(keyCode, shift);
      break;
    }
    case WM_KEYUP:
    case WM_SYSKEYUP: {
      auto keyCode = static_cast<std::int16_t>(wParam & 0xFFFF);
      code_.Form_KeyUp(keyCode, shift);
      break;
    }
    case WM_CHAR: {
      auto keyAscii = static_cast<std::int16_t>(wParam & 0xFF);
      code_.Form_KeyPress(keyAscii);
      break;
    }
    default:
      break;
  }
}

void Win32Form::RaiseMouse(UINT message, WPARAM wParam, LPARAM lParam) {
  const float x =
      static_cast<float>(static_cast<short>(LOWORD(lParam))) * runtime_.TwipsPerPixelX();
  const float y =
      static_cast<float>(static_cast<short>(HIWORD(lParam))) * runtime_.TwipsPerPixelY();
  const std::int16_t shift = MouseShift(wParam);
  std::int16_t button = 0;
  switch (message) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
      button = 1;
      break;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_RBUTTONDBLCLK:
      button = 2;
      break;
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
    case WM_MBUTTONDBLCLK:
      button = 4;
      break;
    default:
      break;
  }
  switch (message) {
    case WM_MOUSEMOVE:
      code_.Form_MouseMove(MouseButtons(wParam), shift, x, y);
      break;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
      afterDoubleClick_ = false;
      code_.Form_MouseDown(button, shift, x, y);
      break;
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDBLCLK:
      // The second press of a double click: DblClick in place of MouseDown.
      afterDoubleClick_ = true;
      code_.Form_DblClick();
      break;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP: {
      const bool click = !afterDoubleClick_;
      afterDoubleClick_ = false;
      code_.Form_MouseUp(button, shift, x, y);
      // A handler that unloaded the form ends the sequence.
      if (click && loaded_) code_.Form_Click();
      break;
    }
    default:
      break;
  }
}

LRESULT Win32Form::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  // A handler may unload the form, which forgets the window.
  HWND const self = window_;
  switch (message) {
    case WM_TIMER:
      if (Win32Control* timer = ControlById(static_cast<int>(wParam))) {
        if (loaded_ && timer->Kind() == ControlKind::Timer) {
          code_.ControlEvent(timer->Design().Name, timer->Design().Index);
        }
      }
      return 0;

    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_CHAR:
      if (loaded_) RaiseKey(message, wParam);
      return 0;

    case WM_SYSKEYDOWN:
    case WM_SYSKEYUP:
      if (loaded_) RaiseKey(message, wParam);
      // Alt+F4 and the system menu still work while the form stays.
      if (!loaded_) return 0;
      break;

    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDBLCLK:
      if (loaded_) RaiseMouse(message, wParam, lParam);
      return 0;

    case WM_COMMAND:
      if (lParam != 0) {
        if (Win32Control* control = ControlById(LOWORD(wParam))) {
          if (loaded_) control->OnCommand(HIWORD(wParam));
        }
      }
      // IDOK and IDCANCEL from IsDialogMessage name no control: ignored.
      return 0;

    case DM_GETDEFID:
      if (defaultButton_ != nullptr && defaultButton_->Window() != nullptr) {
        return MAKELRESULT(defaultButton_->Id(), DC_HASDEFID);
      }
      return 0;

    case WM_NEXTDLGCTL: {
      // IsDialogMessage sends this to move the focus (access keys of labels
      // and frames); only dialog boxes answer it themselves.
      HWND target = nullptr;
      if (LOWORD(lParam) != 0) {
        target = reinterpret_cast<HWND>(wParam);
      } else {
        HWND focus = ::GetFocus();
        target = ::GetNextDlgTabItem(self, ::IsChild(self, focus) ? focus : nullptr, wParam != 0);
      }
      if (target != nullptr) ::SetFocus(target);
      return 0;
    }

    case WM_ACTIVATE:
      if (!isDialog_) break;
      if (LOWORD(wParam) == WA_INACTIVE) {
        HWND focus = ::GetFocus();
        if (focus != nullptr && ::IsChild(window_, focus)) savedFocus_ = focus;
      } else if (!HIWORD(wParam)) {
        RestoreFocus();
      }
      return 0;

    case WM_SETFOCUS:
      if (isDialog_) {
        RestoreFocus();
        return 0;
      }
      break;

    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN: {
      HDC dc = reinterpret_cast<HDC>(wParam);
      ::SetBkColor(dc, BackRgb());
      ::SetTextColor(dc, ::GetSysColor(COLOR_BTNTEXT));
      return reinterpret_cast<LRESULT>(BackBrush());
    }

    case WM_SIZE:
      if (autoRedraw_ && image_) EnsureImage();
      break;

    case WM_ERASEBKGND: {
      RECT client = ClientPixels();
      if (autoRedraw_ && image_ && image_->Covers(client)) return 1;
      ::FillRect(reinterpret_cast<HDC>(wParam), &client, BackBrush());
      return 1;
    }

    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = ::BeginPaint(self, &ps);
      if (dc != nullptr && autoRedraw_ && image_) {
        FillPendingClears();
        const RECT& r = ps.rcPaint;
        ::BitBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, image_->Dc(), r.left, r.top,
                 SRCCOPY);
        if (PaintsAreLost(self)) PaintOnScreen(dc, r);
      }
      ::EndPaint(self, &ps);
      return 0;
    }

    case WM_CLOSE:
      runtime_.Unload(*this);
      return 0;

    case WM_DESTROY:
      // Destroyed from outside: the preview host destroyed its area and
      // with it this child, or the window was taken down some other way.
      if (!unloading_ && loaded_) runtime_.FormWindowLost(*this, false);
      break;

    default:
      break;
  }
  return ::DefWindowProcA(self, message, wParam, lParam);
}

namespace {

LRESULT CALLBACK FormWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
    ::SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* form = reinterpret_cast<Win32Form*>(::GetWindowLongPtrA(window, GWLP_USERDATA));
  if (message == WM_NCDESTROY) ::SetWindowLongPtrA(window, GWLP_USERDATA, 0);
  if (form == nullptr || (form->Window() != window && form->Window() != nullptr)) {
    return ::DefWindowProcA(window, message, wParam, lParam);
  }
  if (form->Window() == nullptr) {
    // Messages during CreateWindowEx, and those of a retired form.
    return ::DefWindowProcA(window, message, wParam, lParam);
  }
  LRESULT result = 0;
  form->BeginMessage();
  try {
    result = form->HandleMessage(message, wParam, lParam);
  } catch (...) {
    form->Runtime().EndWithCurrentException();
  }
  // Unless the handler unloaded the form and took the window with it.
  if (reinterpret_cast<Win32Form*>(::GetWindowLongPtrA(window, GWLP_USERDATA)) == form &&
      form->Window() == window) {
    form->EndMessage();
  }
  return result;
}

}  // namespace

}  // namespace vss::win32
