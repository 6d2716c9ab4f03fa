// The options dialog on real Windows controls: where they sit, captions
// that fit in the font actually found, the tab order and the one radio
// group, and the keyboard through the backend's loop. Run with "/c", as a
// screen-saver host does.
#include <memory>
#include <string>

#include "options/frmOptions.h"
#include "tests/win32/check.h"
#include "backends/win32/win32_api.h"
#include "backends/win32/win32_backend.h"
#include "backends/win32/win32_form.h"
#include "runtime/loaded_form.h"
#include "startup/basMain.h"

using namespace vss;
using namespace vss::win32;
using namespace vss::win32::test;

namespace {

constexpr const char* Title = "VSS Dialog Test";

std::string Stored(runtime::Backend& backend, const char* key) {
  return backend.ReadSetting(Title, "Options", key).value_or("(absent)");
}

bool Checked(HWND button) { return ::SendMessageA(button, BM_GETCHECK, 0, 0) == BST_CHECKED; }

// The caption's width in the control's own font, and that font's face.
std::pair<int, std::string> Measure(HWND control, const std::string& caption) {
  std::string text;
  for (std::size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] == '&') ++i;
    if (i < caption.size()) text += caption[i];
  }
  HDC dc = ::GetDC(control);
  ::SelectObject(dc, reinterpret_cast<HFONT>(::SendMessageA(control, WM_GETFONT, 0, 0)));
  SIZE extent{};
  ::GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &extent);
  char face[LF_FACESIZE] = {};
  ::GetTextFaceA(dc, LF_FACESIZE, face);
  ::ReleaseDC(control, dc);
  return {extent.cx, face};
}

// The dialog loaded by "/c", its controls found by name.
struct Dialog {
  Win32Backend& backend;
  runtime::FormsRuntime& runtime;
  runtime::LoadedForm* form;
  HWND window;

  HWND Control(const std::string& name, std::int16_t index = 0) const {
    const auto* peer = static_cast<const Win32Form*>(form->Peer());
    return ::GetDlgItem(window, peer->IdOf(*form->FindControl(name, index)));
  }
  void Key(UINT message, WPARAM code) const {
    ::PostMessageA(::GetFocus(), message, code, message == WM_SYSCHAR ? 1 << 29 : 0);
    Pump(runtime, 100, [] { return false; });
  }
  bool Closed() const {
    return Pump(runtime, 5000, [&] { return runtime.FindForm("frmOptions") == nullptr; });
  }
};

// Where the design puts each control, in twips of its container, and a
// caption that fits in the control's width in the font found here.
void CheckPlacesAndCaptions(const Dialog& dialog) {
  for (const auto& d : frmOptions::Design().Controls) {
    HWND control = dialog.Control(d.Name, d.Index);
    const int frameLeft = d.Container.empty() ? 0 : 120, frameTop = d.Container.empty() ? 0 : 120;
    RECT r{};
    ::GetWindowRect(control, &r);
    ::MapWindowPoints(nullptr, dialog.window, reinterpret_cast<POINT*>(&r), 2);
    const std::string name = d.Name + "(" + std::to_string(d.Index) + ")";
    Check(r.left * 15 == d.Left + frameLeft && r.top * 15 == d.Top + frameTop,
          name + " at " + std::to_string(r.left) + "," + std::to_string(r.top));
    if (d.Caption.empty()) continue;
    // Beside the caption: a check mark, a frame's indents, a button's edges.
    const int beside = d.Kind == ControlKind::Label           ? 0
                       : d.Kind == ControlKind::CommandButton ? 4
                                                              : 16;
    const auto [width, face] = Measure(control, d.Caption);
    Check(face == "MS Sans Serif" && width + beside <= r.right - r.left,
          name + " caption of " + std::to_string(width) + " pixels in " + face + " fits in " +
              std::to_string(r.right - r.left));
  }
}

void CheckTabOrderAndGroup(const Dialog& dialog) {
  HWND d = dialog.window;
  HWND opt0 = dialog.Control("optOption", 0), opt1 = dialog.Control("optOption", 1);
  HWND combo = dialog.Control("cboSeconds"), ok = dialog.Control("cmdCommand", 1);
  HWND cancel = dialog.Control("cmdCommand", 0), defaults = dialog.Control("cmdCommand", 2);
  Check(::GetNextDlgTabItem(d, ok, FALSE) == cancel &&
            ::GetNextDlgTabItem(d, cancel, FALSE) == defaults &&
            ::GetNextDlgTabItem(d, defaults, FALSE) == opt1 &&
            ::GetNextDlgTabItem(d, opt1, FALSE) == combo &&
            ::GetNextDlgTabItem(d, combo, FALSE) == ok,
        "tab order: Ok, Cancel, Defaults, the selected option, the list");
  Check(::GetNextDlgGroupItem(d, opt1, FALSE) == opt0 &&
            ::GetNextDlgGroupItem(d, opt0, FALSE) == opt1,
        "the option buttons are one group");
}

void CheckKeysThenOk(const Dialog& dialog) {
  HWND opt0 = dialog.Control("optOption", 0), opt1 = dialog.Control("optOption", 1);
  HWND combo = dialog.Control("cboSeconds");
  dialog.Key(WM_SYSCHAR, 'r');
  Check(Checked(opt0) && !Checked(opt1) && !::IsWindowEnabled(combo),
        "Alt+R selects random play and disables the list");
  dialog.Key(WM_KEYDOWN, VK_DOWN);
  Check(::GetFocus() == opt1 && Checked(opt1) && ::IsWindowEnabled(combo),
        "an arrow key moves to the other option button and selects it");
  dialog.Key(WM_SYSCHAR, 'e');
  Check(::GetFocus() == combo, "Alt+E (the label) gives the focus to the list");
  dialog.Key(WM_SYSCHAR, 's');
  Check(::GetFocus() == opt1, "Alt+S (the frame) gives the focus to the selected option");
  dialog.Key(WM_KEYDOWN, VK_ESCAPE);
  Check(dialog.runtime.FindForm("frmOptions") != nullptr, "Esc does nothing");

  dialog.Key(WM_SYSCHAR, 'e');
  dialog.Key(WM_KEYDOWN, VK_DOWN);
  dialog.Key(WM_KEYDOWN, VK_RETURN);
  Check(dialog.Closed() && Stored(dialog.backend, "Delay Random") == "0" &&
            Stored(dialog.backend, "Delay Interval") == "600",
        "Enter in the list presses Ok, which stores the next interval, continuous play");
}

// Tab past the disabled list and Ok: the focused button has the border.
void CheckDefaultBorderThenCancel(Dialog dialog, basMain& module) {
  module.frmOptions = std::make_unique<frmOptions>(module);
  dialog.runtime.Dispatch([&] {
    dialog.runtime.Load(*module.frmOptions, frmOptions::Design());
    module.frmOptions->Me().Show(ShowMode::Modeless);
  });
  dialog.form = dialog.runtime.FindForm("frmOptions");
  dialog.window = ToHwnd(dialog.form->hWnd());
  Pump(dialog.runtime, 5000, [] { return ::GetFocus() != nullptr; });
  const int okId = ::GetDlgCtrlID(dialog.Control("cmdCommand", 1));
  const int cancelId = ::GetDlgCtrlID(dialog.Control("cmdCommand", 0));
  dialog.Key(WM_SYSCHAR, 'r');
  dialog.Key(WM_KEYDOWN, VK_TAB);
  dialog.Key(WM_KEYDOWN, VK_TAB);
  HWND focus = ::GetFocus();
  const auto bordered = [](HWND button) {
    return (::GetWindowLongA(button, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
  };
  Check(::GetDlgCtrlID(focus) == cancelId && bordered(focus) &&
            !bordered(::GetDlgItem(::GetParent(focus), okId)),
        "Tab to Cancel moves the default border from Ok to it");
  dialog.Key(WM_KEYDOWN, VK_RETURN);
  Check(dialog.Closed() && Stored(dialog.backend, "Delay Random") == "0",
        "Enter on Cancel presses Cancel, which stores nothing");
}

}  // namespace

int main() {
  Win32Backend backend;
  runtime::FormsRuntime runtime(backend, AppDescription{Title});
  Win32API win32;
  basMain module(runtime, win32);
  runtime.Start([&module] { module.Main(); });
  runtime::LoadedForm* form = runtime.FindForm("frmOptions");
  if (!Check(form != nullptr, "\"/c\" loads frmOptions")) return Summary();
  const Dialog dialog{backend, runtime, form, ToHwnd(form->hWnd())};
  Check(Pump(runtime, 10000, [] { return ::GetFocus() != nullptr; }), "the dialog has the focus");
  CheckPlacesAndCaptions(dialog);
  CheckTabOrderAndGroup(dialog);
  CheckKeysThenOk(dialog);
  CheckDefaultBorderThenCancel(dialog, module);
  return Summary();
}
