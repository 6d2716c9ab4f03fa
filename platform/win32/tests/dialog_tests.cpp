// The options dialog on real Windows controls: layout, font, captions that
// fit, tab order, default button, and the keyboard and click paths through
// the runtime's message loop. Run with "/c", as the screen-saver host does.
#include <algorithm>
#include <cmath>

#include "options/frmOptions.h"
#include "platform/win32/tests/check.h"
#include "platform/win32/win32_api.h"
#include "platform/win32/win32_form.h"
#include "platform/win32/win32_runtime.h"
#include "startup/basMain.h"

using namespace vss::win32;
using namespace vss::win32::test;
using vss::platform::ControlDesign;
using vss::platform::ControlKind;

namespace {

constexpr const char* Title = "VSS Dialog Test";

std::string WithoutAccessMark(const std::string& caption) {
  std::string text;
  for (std::size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] == '&' && i + 1 < caption.size()) ++i;
    text += caption[i];
  }
  return text;
}

struct TextMeasure {
  SIZE extent{};
  std::string face;
  int zeroWidth = 0;
};

TextMeasure Measure(HWND control, const std::string& text) {
  TextMeasure m;
  HDC dc = GetDC(control);
  auto font = reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0));
  HGDIOBJ previous = SelectObject(dc, font != nullptr ? font : GetStockObject(SYSTEM_FONT));
  GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &m.extent);
  char face[LF_FACESIZE] = {};
  GetTextFaceA(dc, LF_FACESIZE, face);
  m.face = face;
  INT zero = 0;
  GetCharWidth32A(dc, '0', '0', &zero);
  m.zeroWidth = zero;
  SelectObject(dc, previous);
  ReleaseDC(control, dc);
  return m;
}

RECT RectInClient(HWND control, HWND form) {
  RECT r{};
  GetWindowRect(control, &r);
  MapWindowPoints(nullptr, form, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

bool Checked(HWND button) { return SendMessageA(button, BM_GETCHECK, 0, 0) == BST_CHECKED; }

bool HasStyle(HWND window, LONG bits) { return (GetWindowLongA(window, GWL_STYLE) & bits) == bits; }

std::string ClassOf(HWND window) {
  char name[64] = {};
  GetClassNameA(window, name, sizeof name);
  return name;
}

}  // namespace

int main() {
  Win32Runtime runtime(vss::platform::AppDescription{Title});
  Win32API win32;
  vss::basMain module(runtime, win32);

  CheckEqual(runtime.Command(), std::string("/c"), "the command line after the program name");
  runtime.CallStartProcedure([&module] { module.Main(); });
  CheckEqual(module.Mode, vss::ModeConfigure, "Main takes the configure path");
  if (!Check(module.frmOptions != nullptr && module.frmOptions->Loaded(), "frmOptions is loaded")) {
    return Summary();
  }
  auto& form = dynamic_cast<Win32Form&>(module.frmOptions->Me());
  HWND dialog = form.Window();
  auto control = [&form](const char* name, std::int16_t index = 0) -> Win32Control& {
    return form.Controls(name, index);
  };
  HWND opt0 = control("optOption", 0).Window();
  HWND opt1 = control("optOption", 1).Window();
  HWND label = control("lblSeconds").Window();
  HWND combo = control("cboSeconds").Window();
  HWND ok = control("cmdCommand", 1).Window();
  HWND cancel = control("cmdCommand", 0).Window();
  HWND defaults = control("cmdCommand", 2).Window();

  Check(
      runtime.PumpMessages([&] { return IsWindowVisible(dialog) && GetFocus() != nullptr; }, 10000),
      "the dialog is shown and has the focus");

  // ---- The window -----------------------------------------------------------
  CheckEqual(ClassOf(dialog), std::string("ThunderRT5Form"), "window class");
  CheckEqual(form.Caption(), std::string(Title), "captioned with the application title");
  Check(HasStyle(dialog, WS_CAPTION | WS_THICKFRAME | WS_SYSMENU) && !HasStyle(dialog, WS_POPUP),
        "caption bar, sizable frame and system menu");
  Check(GetClassLongPtrA(dialog, GCLP_HICON) != 0 && GetClassLongPtrA(dialog, GCLP_HICONSM) != 0,
        "the window class carries the program icon, big and small");
  const double tppX = runtime.TwipsPerPixelX();
  const double tppY = runtime.TwipsPerPixelY();
  auto px = [tppX](double twips) { return static_cast<int>(vss::RoundHalfEven(twips / tppX)); };
  auto py = [tppY](double twips) { return static_cast<int>(vss::RoundHalfEven(twips / tppY)); };
  RECT client{};
  GetClientRect(dialog, &client);
  CheckEqual(static_cast<int>(client.right), px(3855), "client width from 3855 twips");
  CheckEqual(static_cast<int>(client.bottom), py(2535), "client height from 2535 twips");
  {
    // Centred by Form_Load: Left = (Screen.Width - Width) / 2 in whole twips.
    RECT outer{};
    GetWindowRect(dialog, &outer);
    const long width = static_cast<long>((outer.right - outer.left) * tppX);
    const long expectedLeft =
        static_cast<long>(vss::RoundHalfEven(GetSystemMetrics(SM_CXSCREEN) * tppX - width) / 2);
    CheckEqual(static_cast<long>(form.Left()), static_cast<long>(px(expectedLeft) * tppX),
               "centred horizontally");
  }

  // ---- Layout, font and captions ----------------------------------------------
  const auto& design = vss::frmOptions::Design();
  const int checkWidth =
      std::max(GetSystemMetrics(SM_CXMENUCHECK), 12 * runtime.PixelsPerInchX() / 96 + 1);
  for (const ControlDesign& d : design.Controls) {
    const std::string name = d.Name + "(" + std::to_string(d.Index) + ")";
    HWND window = control(d.Name.c_str(), d.Index).Window();
    if (!Check(window != nullptr && GetParent(window) == dialog, name + " is a child window")) {
      continue;
    }
    const int id = GetDlgCtrlID(window);
    Check(id != IDOK && id != IDCANCEL, name + " has an id other than IDOK and IDCANCEL");

    double left = d.Left;
    double top = d.Top;
    for (const ControlDesign& c : design.Controls) {
      if (c.Name == d.Container) {
        left += c.Left;
        top += c.Top;
      }
    }
    const RECT r = RectInClient(window, dialog);
    const int width = r.right - r.left;
    const int height = r.bottom - r.top;
    Check(r.left == px(left) && r.top == py(top),
          name + " at (" + std::to_string(r.left) + ", " + std::to_string(r.top) + "), table (" +
              std::to_string(px(left)) + ", " + std::to_string(py(top)) + ")");
    if (d.Kind == ControlKind::ComboBox) {
      // The closed height of a drop-down list follows its font.
      Check(std::abs(height - py(d.Height)) <= 2, name + " closed height " +
                                                      std::to_string(height) + ", table " +
                                                      std::to_string(py(d.Height)));
    } else {
      CheckEqual(height, py(d.Height), name + " height");
    }

    const TextMeasure m = Measure(window, WithoutAccessMark(d.Caption));
    CheckEqual(m.face, std::string("MS Sans Serif"), name + " font face");
    // What the control draws besides its caption.
    int decoration = 0;
    switch (d.Kind) {
      case ControlKind::OptionButton:
        // The check mark, its gap, and the focus rectangle that Wine draws a
        // pixel outside the caption (over its last column when it is tight).
        decoration = checkWidth + m.zeroWidth / 2 + 4;
        break;
      case ControlKind::Frame:
        decoration = 2 * 8;  // the outline's indent on both sides
        break;
      case ControlKind::CommandButton:
        decoration = 2 * (GetSystemMetrics(SM_CXEDGE) + 2);  // edge and focus rectangle
        break;
      default:
        break;
    }
    const bool tableFits = d.Caption.empty() || m.extent.cx + decoration <= px(d.Width);
    // The table's width, unless the caption needs more in the font found here.
    Check(tableFits ? width == px(d.Width) : width > px(d.Width),
          name + " width " + std::to_string(width) + ", table " + std::to_string(px(d.Width)) +
              (tableFits ? "" : " (widened for its caption)"));
    if (d.Caption.empty()) continue;
    const int room = width - decoration;
    Check(m.extent.cx <= room && m.extent.cy <= height,
          name + " caption \"" + WithoutAccessMark(d.Caption) + "\" " +
              std::to_string(m.extent.cx) + " x " + std::to_string(m.extent.cy) + " fits in " +
              std::to_string(room) + " x " + std::to_string(height));
  }
  {
    // All 17 intervals show when the list drops down.
    SendMessageA(combo, CB_SHOWDROPDOWN, TRUE, 0);
    COMBOBOXINFO info{};
    info.cbSize = sizeof info;
    GetComboBoxInfo(combo, &info);
    RECT list{};
    GetClientRect(info.hwndList, &list);
    const LRESULT item = SendMessageA(combo, CB_GETITEMHEIGHT, 0, 0);
    Check(item > 0 && list.bottom >= item * 17, "the dropped list shows all 17 items (" +
                                                    std::to_string(list.bottom) + " >= 17 x " +
                                                    std::to_string(item) + ")");
    SendMessageA(combo, CB_SHOWDROPDOWN, FALSE, 0);
  }

  // ---- State after Form_Load (no stored settings: continuous, 60 s) -------------
  Check(!Checked(opt0) && Checked(opt1), "the continuous option is selected");
  Check(IsWindowEnabled(label) && IsWindowEnabled(combo), "label and list enabled");
  CheckEqual(static_cast<int>(control("cboSeconds").ListIndex()), 11, "60 (1 Minute) selected");
  CheckEqual(static_cast<int>(control("cboSeconds").ListCount()), 17, "17 intervals");
  CheckEqual(control("cboSeconds").List(16), std::string("3600 (1 Hour)"), "List(16)");
  CheckEqual(control("cboSeconds").ItemData(16), 7200, "ItemData(16)");
  CheckEqual(GetFocus(), opt1, "the focus starts on the selected option button");
  const int badIndex = static_cast<int>(vss::ErrorNumber::InvalidPropertyArrayIndex);
  CheckRaises([&] { control("cboSeconds").ItemData(17); }, badIndex, "ItemData(17) is refused");
  CheckRaises([&] { control("cboSeconds").List(-1); }, badIndex, "List(-1) is refused");
  CheckRaises([&] { control("cboSeconds").SetListIndex(17); }, badIndex,
              "ListIndex = 17 is refused");
  CheckRaises([&] { control("cboSeconds").AddItem("x", 19); }, badIndex,
              "AddItem beyond the end is refused");
  CheckRaises([&] { control("lblSeconds").SetValue(vss::True); },
              static_cast<int>(vss::ErrorNumber::NotSupported), "a label has no Value");

  // ---- Default button and tab order ------------------------------------------------
  Check(control("cmdCommand", 1).Default() == vss::True, "Ok is the default button");
  const LRESULT defId = SendMessageA(dialog, DM_GETDEFID, 0, 0);
  Check(HIWORD(defId) == DC_HASDEFID && LOWORD(defId) == GetDlgCtrlID(ok),
        "DM_GETDEFID answers Ok");
  Check((GetWindowLongA(ok, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON,
        "Ok shows the default border");
  CheckEqual(GetNextDlgTabItem(dialog, ok, FALSE), cancel, "Tab from Ok goes to Cancel");
  CheckEqual(GetNextDlgTabItem(dialog, cancel, FALSE), defaults, "then to Defaults");
  CheckEqual(GetNextDlgTabItem(dialog, defaults, FALSE), opt1,
             "then to the selected option button");
  CheckEqual(GetNextDlgTabItem(dialog, opt1, FALSE), combo, "then to the list");
  CheckEqual(GetNextDlgTabItem(dialog, combo, FALSE), ok, "then back to Ok");
  CheckEqual(GetNextDlgGroupItem(dialog, opt1, FALSE), opt0, "the option buttons are one group");
  CheckEqual(GetNextDlgGroupItem(dialog, opt0, FALSE), opt1, "... in both directions");

  // ---- Value and the nested Click ------------------------------------------------------
  control("optOption", 0).SetValue(vss::True);
  Check(Checked(opt0) && !Checked(opt1), "Value = True on option 0 checks it and clears option 1");
  Check(!IsWindowEnabled(label) && !IsWindowEnabled(combo),
        "... and raises optOption_Click(0): label and list disabled");
  Check(HasStyle(opt0, WS_TABSTOP) && !HasStyle(opt1, WS_TABSTOP),
        "Tab now enters the group at option 0");
  CheckEqual(control("cboSeconds").ListIndex(), static_cast<std::int16_t>(11),
             "the disabled list keeps its selection");
  control("optOption", 0).SetValue(vss::False);
  Check(!Checked(opt0) && !Checked(opt1) && !IsWindowEnabled(combo),
        "Value = False clears the button and raises nothing");
  control("optOption", 1).SetValue(vss::True);
  Check(Checked(opt1) && IsWindowEnabled(label) && IsWindowEnabled(combo),
        "Value = True on option 1 raises optOption_Click(1)");

  // ---- The user's keys and clicks, through the message loop ----------------------------
  auto settle = [&runtime] { runtime.PumpMessages([] { return false; }, 50); };
  auto post = [&](HWND to, UINT message, WPARAM key) {
    PostMessageA(to, message, key, message == WM_SYSCHAR ? (1 << 29) : 0);
    settle();
  };

  SendMessageA(opt0, BM_CLICK, 0, 0);
  Check(Checked(opt0) && !Checked(opt1) && !IsWindowEnabled(combo),
        "a click on option 0 selects it");
  post(GetFocus(), WM_SYSCHAR, 'i');
  Check(Checked(opt1) && IsWindowEnabled(combo), "Alt+I selects the continuous option");
  SetFocus(opt1);
  post(opt1, WM_KEYDOWN, VK_DOWN);
  Check(GetFocus() == opt0 && Checked(opt0) && !Checked(opt1),
        "an arrow key moves to the other option button and selects it");
  post(opt0, WM_KEYDOWN, VK_UP);
  Check(GetFocus() == opt1 && Checked(opt1), "... and back");
  post(GetFocus(), WM_SYSCHAR, 'e');
  CheckEqual(GetFocus(), combo, "Alt+E (the label) gives the focus to the list");
  post(GetFocus(), WM_SYSCHAR, 's');
  CheckEqual(GetFocus(), opt1, "Alt+S (the frame) gives the focus to the selected option");
  post(GetFocus(), WM_KEYDOWN, VK_TAB);
  CheckEqual(GetFocus(), combo, "Tab moves to the list");
  post(GetFocus(), WM_KEYDOWN, VK_TAB);
  CheckEqual(GetFocus(), ok, "Tab moves to Ok");
  post(GetFocus(), WM_KEYDOWN, VK_TAB);
  CheckEqual(GetFocus(), cancel, "Tab moves to Cancel");
  Check((GetWindowLongA(cancel, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON &&
            (GetWindowLongA(ok, GWL_STYLE) & BS_TYPEMASK) == BS_PUSHBUTTON,
        "the focused button shows the default border");
  post(GetFocus(), WM_KEYDOWN, VK_TAB);
  post(GetFocus(), WM_KEYDOWN, VK_TAB);
  CheckEqual(GetFocus(), opt1, "Tab wraps round to the selected option");
  Check((GetWindowLongA(ok, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON,
        "away from the buttons Ok shows the default border again");

  post(GetFocus(), WM_KEYDOWN, VK_ESCAPE);
  Check(form.Loaded() && IsWindow(dialog), "Esc does nothing");

  // Defaults: list back to 60 s, continuous, nothing stored.
  control("optOption", 0).SetValue(vss::True);
  control("cboSeconds").SetListIndex(0);
  post(GetFocus(), WM_SYSCHAR, 'd');
  Check(Checked(opt1) && IsWindowEnabled(combo) && control("cboSeconds").ListIndex() == 11,
        "Alt+D: continuous, 60 (1 Minute)");
  CheckEqual(runtime.GetSetting(Title, "Options", "Delay Interval", "none"), std::string("none"),
             "Defaults stores nothing");

  // Enter on an option button presses Ok: stored, unloaded, the loop ends.
  control("cboSeconds").SetListIndex(16);
  control("optOption", 0).SetValue(vss::True);
  SetFocus(opt0);
  post(opt0, WM_KEYDOWN, VK_RETURN);
  Check(runtime.PumpMessages([&runtime] { return runtime.QuitPosted(); }, 5000),
        "Enter presses Ok, which unloads the dialog and ends the loop");
  CheckEqual(runtime.GetSetting(Title, "Options", "Delay Interval", "none"), std::string("7200"),
             "Ok stored the interval of the selected item");
  CheckEqual(runtime.GetSetting(Title, "Options", "Delay Random", "none"), std::string("-1"),
             "Ok stored the random mode");
  Check(!IsWindow(dialog) && runtime.LoadedFormCount() == 0 && module.frmOptions == nullptr,
        "the window is gone and no form is left");

  // A second dialog opens on what Ok took; Enter on the focused Cancel
  // button presses Cancel, not the default button.
  auto reopen = [&]() -> Win32Form& {
    module.frmOptions = std::make_unique<vss::frmOptions>(module);
    runtime.Load(*module.frmOptions, vss::frmOptions::Design());
    module.frmOptions->Me().Show(0);
    return dynamic_cast<Win32Form&>(module.frmOptions->Me());
  };
  {
    Win32Form& again = reopen();
    HWND again0 = again.Controls("optOption", 0).Window();
    HWND againCancel = again.Controls("cmdCommand", 0).Window();
    Check(runtime.PumpMessages([&] { return GetFocus() == again0; }, 5000),
          "the second dialog opens with the random option focused");
    Check(Checked(again0) && again.Controls("cboSeconds").ListIndex() == 16,
          "... selected, and 3600 (1 Hour) in the list");
    again.Controls("optOption", 1).SetValue(vss::True);
    SetFocus(againCancel);
    settle();
    Check((GetWindowLongA(againCancel, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON,
          "a button given the focus shows the default border");
    post(againCancel, WM_KEYDOWN, VK_RETURN);
    Check(runtime.PumpMessages([&runtime] { return runtime.LoadedFormCount() == 0; }, 5000),
          "Enter on Cancel closes the dialog");
    CheckEqual(runtime.GetSetting(Title, "Options", "Delay Random", "none"), std::string("-1"),
               "Cancel stored nothing");
  }
  {
    // Enter while the list has the focus presses Ok too.
    Win32Form& third = reopen();
    HWND thirdList = third.Controls("cboSeconds").Window();
    Check(runtime.PumpMessages([] { return GetFocus() != nullptr; }, 5000), "a third dialog opens");
    third.Controls("optOption", 1).SetValue(vss::True);
    third.Controls("cboSeconds").SetListIndex(0);
    SetFocus(thirdList);
    settle();
    post(thirdList, WM_KEYDOWN, VK_RETURN);
    Check(runtime.PumpMessages([&runtime] { return runtime.LoadedFormCount() == 0; }, 5000),
          "Enter in the list presses Ok");
    Check(runtime.GetSetting(Title, "Options", "Delay Interval", "none") == "10" &&
              runtime.GetSetting(Title, "Options", "Delay Random", "none") == "0",
          "... which stored 5 seconds, continuous");
  }

  return Summary();
}
