#include "backends/win32/win32_control.h"

#include <algorithm>

#include "backends/win32/win32_form.h"
#include "runtime/loaded_control.h"
#include "runtime/loaded_form.h"
#include "runtime/forms_runtime.h"

namespace vss::win32 {

namespace {

// A drop-down list shows this many items before it scrolls.
constexpr int VisibleListItems = 17;

void SetStyleBit(HWND window, LONG bit, bool on) {
  const LONG style = ::GetWindowLongA(window, GWL_STYLE);
  const LONG wanted = on ? (style | bit) : (style & ~bit);
  if (wanted != style) ::SetWindowLongA(window, GWL_STYLE, wanted);
}

class TimerWindow final : public Win32Control {
 public:
  using Win32Control::Win32Control;
  void SetTimer(std::int32_t milliseconds) override {
    HWND form = form_.Window();
    if (form == nullptr) return;
    // A new SetTimer with the same id counts afresh.
    if (milliseconds > 0) {
      ::SetTimer(form, static_cast<UINT_PTR>(id_), static_cast<UINT>(milliseconds), nullptr);
    } else {
      ::KillTimer(form, static_cast<UINT_PTR>(id_));
    }
  }
};

class FrameWindow final : public Win32Control {
 public:
  FrameWindow(Win32Form& form, runtime::LoadedControl& control, int id, const RECT& pixels,
              HFONT font)
      : Win32Control(form, control, id) {
    Create("BUTTON", BS_GROUPBOX | WS_GROUP, pixels, font);
    FitCaption(2 * 8);  // the outline's indent on both sides
  }
};

class LabelWindow final : public Win32Control {
 public:
  // Its access key moves the focus to the next control in the tab order
  // (IsDialogMessage does that for statics).
  LabelWindow(Win32Form& form, runtime::LoadedControl& control, int id, const RECT& pixels,
              HFONT font)
      : Win32Control(form, control, id) {
    Create("STATIC", SS_LEFT | WS_GROUP, pixels, font);
    FitCaption(0);
  }
};

// Not BS_AUTORADIOBUTTON: the runtime keeps the checks (Control::Clicked),
// Windows must not change them itself.
class OptionWindow final : public Win32Control {
 public:
  OptionWindow(Win32Form& form, runtime::LoadedControl& control, int id, const RECT& pixels,
               HFONT font)
      : Win32Control(form, control, id) {
    const bool first = Group().empty();
    Create("BUTTON", BS_RADIOBUTTON | (first ? WS_GROUP : 0), pixels, font);
    // The check mark, a gap of half a digit before the caption, and room for
    // the focus rectangle drawn a pixel outside the caption on each side.
    const int dpi = form.Owner().Owner().Platform().Screen().PixelsPerInchX;
    FitCaption(std::max(::GetSystemMetrics(SM_CXMENUCHECK), ::MulDiv(12, dpi, 96) + 1) +
               CharWidth('0') / 2 + 4);
    ::SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    original_ = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrA(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&OptionProc)));
    UpdateTabStops();
  }
  ~OptionWindow() override {
    if (window_ != nullptr) {
      ::SetWindowLongPtrA(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original_));
      ::SetWindowLongPtrA(window_, GWLP_USERDATA, 0);
    }
  }

  void SetChecked(bool checked) override {
    checked_ = checked;
    ::SendMessageA(window_, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
    UpdateTabStops();
  }
  void Command(WORD notification) override {
    if (notification == BN_CLICKED) control_.InputClick();
  }

 private:
  // The other option buttons of the container created so far.
  std::vector<OptionWindow*> Group() const {
    std::vector<OptionWindow*> group;
    for (Win32Control* peer : form_.Controls()) {
      const auto& d = peer->Model().Design();
      if (peer != this && d.Kind == ControlKind::OptionButton &&
          d.Container == control_.Design().Container) {
        group.push_back(static_cast<OptionWindow*>(peer));
      }
    }
    return group;
  }

  // Only the button where Tab enters the group is a tab stop.
  void UpdateTabStops() {
    const runtime::LoadedControl* entry =
        form_.Owner().OptionGroupEntry(control_.Design().Container);
    auto group = Group();
    group.push_back(this);
    for (OptionWindow* o : group) {
      if (o->window_ != nullptr) SetStyleBit(o->window_, WS_TABSTOP, &o->control_ == entry);
    }
  }

  static LRESULT CALLBACK OptionProc(HWND window, UINT message, WPARAM wParam,
                                     LPARAM lParam) noexcept {
    auto* self = reinterpret_cast<OptionWindow*>(::GetWindowLongPtrA(window, GWLP_USERDATA));
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
    // selects only automatic radio buttons; these are the runtime's.
    if (message == WM_SETFOCUS && !self->checked_ && ::GetKeyState(VK_LBUTTON) >= 0) {
      auto* from = reinterpret_cast<OptionWindow*>(
          ::GetWindowLongPtrA(reinterpret_cast<HWND>(wParam), GWLP_USERDATA));
      const auto group = self->Group();
      if (from != nullptr && std::find(group.begin(), group.end(), from) != group.end()) {
        self->control_.InputClick();
      }
    }
    return result;
  }

  bool checked_ = false;
  WNDPROC original_ = nullptr;
};

class ComboWindow final : public Win32Control {
 public:
  ComboWindow(Win32Form& form, runtime::LoadedControl& control, int id, const RECT& pixels,
              HFONT font)
      : Win32Control(form, control, id) {
    Create("COMBOBOX", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP | WS_GROUP, pixels, font);
    // The closed height follows the font; the window's height is that of
    // the dropped list.
    const LRESULT item = ::SendMessageA(window_, CB_GETITEMHEIGHT, 0, 0);
    RECT closed{};
    ::GetWindowRect(window_, &closed);
    const int closedHeight = closed.bottom - closed.top;
    const int itemHeight = item > 0 ? static_cast<int>(item) : closedHeight;
    ::SetWindowPos(window_, nullptr, 0, 0, pixels.right - pixels.left,
                   closedHeight + itemHeight * VisibleListItems + 2,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  void InsertItem(int index, const std::string& text) override {
    ::SendMessageA(window_, CB_INSERTSTRING, static_cast<WPARAM>(index),
                   reinterpret_cast<LPARAM>(text.c_str()));
  }
  void SetSelection(int index) override {
    ::SendMessageA(window_, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  }
  void Command(WORD notification) override {
    if (notification == CBN_SELCHANGE) {
      control_.InputSelect(static_cast<int>(::SendMessageA(window_, CB_GETCURSEL, 0, 0)));
    }
  }
};

class CommandWindow final : public Win32Control {
 public:
  CommandWindow(Win32Form& form, runtime::LoadedControl& control, int id, const RECT& pixels,
                HFONT font)
      : Win32Control(form, control, id) {
    // BS_NOTIFY: the focus notifications move the default-button border.
    Create("BUTTON", BS_PUSHBUTTON | BS_NOTIFY | WS_TABSTOP | WS_GROUP, pixels, font);
    FitCaption(2 * (::GetSystemMetrics(SM_CXEDGE) + 2));  // edge and focus rectangle
  }
  void SetDefault(bool) override { RefreshDefaultBorder(form_.Window()); }
  void Command(WORD notification) override {
    if (notification == BN_CLICKED) {
      control_.InputClick();
    } else if (notification == BN_SETFOCUS || notification == BN_KILLFOCUS) {
      RefreshDefaultBorder(form_.Window());
    }
  }
};

bool IsPushButton(HWND window) {
  char name[16] = {};
  ::GetClassNameA(window, name, sizeof name);
  const LONG type = ::GetWindowLongA(window, GWL_STYLE) & BS_TYPEMASK;
  return ::lstrcmpiA(name, "Button") == 0 && (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON);
}

}  // namespace

Win32Control::~Win32Control() = default;

void Win32Control::SetEnabled(bool enabled) {
  if (window_ != nullptr) ::EnableWindow(window_, enabled ? TRUE : FALSE);
}

void Win32Control::Create(const char* className, DWORD style, const RECT& pixels, HFONT font) {
  window_ = ::CreateWindowExA(
      0, className, control_.Design().Caption.c_str(), WS_CHILD | WS_VISIBLE | style, pixels.left,
      pixels.top, pixels.right - pixels.left, pixels.bottom - pixels.top, form_.Window(),
      reinterpret_cast<HMENU>(static_cast<INT_PTR>(id_)), ::GetModuleHandleA(nullptr), nullptr);
  if (window_ == nullptr) {
    throw RuntimeError(ErrorNumber::OutOfMemory, "Out of memory: " + control_.Design().Name);
  }
  ::SendMessageA(window_, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
}

void Win32Control::FitCaption(int decoration) {
  const std::string& caption = control_.Design().Caption;
  if (caption.empty()) return;
  std::string text;
  for (std::size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] == '&' && i + 1 < caption.size()) ++i;
    text += caption[i];
  }
  HDC dc = ::GetDC(window_);
  if (dc == nullptr) return;
  HGDIOBJ previous =
      ::SelectObject(dc, reinterpret_cast<HFONT>(::SendMessageA(window_, WM_GETFONT, 0, 0)));
  SIZE extent{};
  ::GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &extent);
  ::SelectObject(dc, previous);
  ::ReleaseDC(window_, dc);

  RECT r{};
  ::GetWindowRect(window_, &r);
  ::MapWindowPoints(nullptr, form_.Window(), reinterpret_cast<POINT*>(&r), 2);
  RECT client{};
  ::GetClientRect(form_.Window(), &client);
  const int needed = std::min<int>(extent.cx + decoration, client.right - r.left);
  if (needed > r.right - r.left) {
    ::SetWindowPos(window_, nullptr, 0, 0, needed, r.bottom - r.top,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

int Win32Control::CharWidth(char c) const {
  HDC dc = ::GetDC(window_);
  if (dc == nullptr) return 0;
  HGDIOBJ previous =
      ::SelectObject(dc, reinterpret_cast<HFONT>(::SendMessageA(window_, WM_GETFONT, 0, 0)));
  INT width = 0;
  const auto code = static_cast<UINT>(static_cast<unsigned char>(c));
  ::GetCharWidth32A(dc, code, code, &width);
  ::SelectObject(dc, previous);
  ::ReleaseDC(window_, dc);
  return width;
}

std::unique_ptr<Win32Control> CreateControlWindow(Win32Form& form, runtime::LoadedControl& control,
                                                  int id, const RECT& pixels, HFONT font) {
  switch (control.Kind()) {
    case ControlKind::Timer:
      return std::make_unique<TimerWindow>(form, control, id);
    case ControlKind::Frame:
      return std::make_unique<FrameWindow>(form, control, id, pixels, font);
    case ControlKind::OptionButton:
      return std::make_unique<OptionWindow>(form, control, id, pixels, font);
    case ControlKind::Label:
      return std::make_unique<LabelWindow>(form, control, id, pixels, font);
    case ControlKind::ComboBox:
      return std::make_unique<ComboWindow>(form, control, id, pixels, font);
    case ControlKind::CommandButton:
      return std::make_unique<CommandWindow>(form, control, id, pixels, font);
  }
  throw RuntimeError(ErrorNumber::NotSupported, "Unknown control kind: " + control.Design().Name);
}

void RefreshDefaultBorder(HWND form) {
  if (form == nullptr || !::IsWindow(form)) return;
  const LRESULT defId = ::SendMessageA(form, DM_GETDEFID, 0, 0);
  HWND focus = ::GetFocus();
  HWND bordered =
      focus != nullptr && ::GetParent(focus) == form && IsPushButton(focus)
          ? focus
          : (HIWORD(defId) == DC_HASDEFID ? ::GetDlgItem(form, LOWORD(defId)) : nullptr);
  for (HWND child = ::GetWindow(form, GW_CHILD); child != nullptr;
       child = ::GetWindow(child, GW_HWNDNEXT)) {
    if (!IsPushButton(child)) continue;
    const LONG style = ::GetWindowLongA(child, GWL_STYLE);
    const LONG type = child == bordered ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
    if ((style & BS_TYPEMASK) != type) {
      ::SendMessageA(child, BM_SETSTYLE,
                     static_cast<WPARAM>((style & 0xFFFF & ~BS_TYPEMASK) | type), TRUE);
    }
  }
}

}  // namespace vss::win32
