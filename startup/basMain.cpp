#include "startup/basMain.h"

#include <cmath>
#include <limits>

#include "options/frmOptions.h"
#include "api/vbstring.h"
#include "saver/frmMain.h"
#include "settings/settings.h"

namespace vss {

// Here, where both forms are complete types: the shared variables own them.
Shared::Shared(vss::Runtime& runtime, basWin32API& win32) : Runtime(runtime), Win32(win32) {}

Shared::~Shared() = default;

void basMain::Main() {
  if (Runtime.AppPrevInstance() != False) Runtime.End();

  LoadSettings(*this);

  const std::string commandText = LCase(Trim(Runtime.Command()));
  const std::string switchText = Left(commandText, 2);

  if (switchText.empty() || switchText == "/s") {
    RunSaver();
  } else if (switchText == "/p") {
    RunPreview(commandText);
  } else if (switchText == "/c") {
    RunConfigure();
  }
  // "/a" and every other switch: nothing to do; with no form the process ends.
}

void basMain::RunSaver() {
  const std::string title = Runtime.AppTitle();
  if (Win32.FindWindowA(FormWindowClass, title.c_str()) != 0) return;

  Mode = RunMode::Saver;
  Win32.GetWindowRect(Win32.GetDesktopWindow(), ScreenRect);
  frmMain = std::make_unique<class frmMain>(*this);
  Runtime.Load(*frmMain, frmMain::Design());
  Win32.SetWindowPos(frmMain->Me().hWnd(), HWND_TOPMOST, 0, 0, ScreenRect.right, ScreenRect.bottom,
                     SWP_SHOWWINDOW);
}

void basMain::RunPreview(const std::string& commandText) {
  Mode = RunMode::Preview;
  const WindowHandle host = ParseHandle(commandText);
  // Without a usable host there is nothing to draw into: end quietly rather
  // than leave a stray window and a process behind. The desktop is no host's
  // preview area: it would get an undismissable full-screen picture.
  if (host == Win32.GetDesktopWindow() || Win32.GetClientRect(host, ScreenRect) == 0) return;

  frmMain = std::make_unique<class frmMain>(*this);
  Runtime.Load(*frmMain, frmMain::Design());
  Form& me = frmMain->Me();
  me.SetCaption("Preview");
  const std::int32_t style = Win32.GetWindowLongA(me.hWnd(), GWL_STYLE) | WS_CHILD;
  Win32.SetWindowLongA(me.hWnd(), GWL_STYLE, style);
  // A host that goes while the preview starts leaves nothing to embed into:
  // the window must never show on its own.
  if (Win32.SetParent(me.hWnd(), host) == 0) {
    Runtime.Unload(me);
    return;
  }
  Win32.SetWindowLongA(me.hWnd(), GWL_HWNDPARENT, static_cast<std::int32_t>(host));
  Win32.SetWindowPos(me.hWnd(), HWND_TOP, 0, 0, ScreenRect.right, ScreenRect.bottom,
                     SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
}

void basMain::RunConfigure() {
  Mode = RunMode::Configure;
  frmOptions = std::make_unique<class frmOptions>(*this);
  Runtime.Load(*frmOptions, frmOptions::Design());
  frmOptions->Me().SetCaption(Runtime.AppTitle());
  frmOptions->Me().Show(ShowMode::Modeless);
}

std::int32_t basMain::ParseHandle(const std::string& text) {
  const std::string s = Trim(text);
  for (std::size_t n = s.size(); n >= 1; --n) {
    const auto value = NumericValue(Right(s, n));
    if (!value) continue;
    const double rounded = RoundHalfEven(*value);
    // A tail too large for a handle names no window; it must not end the
    // program with an overflow.
    if (rounded < static_cast<double>(std::numeric_limits<std::int32_t>::min()) ||
        rounded > static_cast<double>(std::numeric_limits<std::int32_t>::max())) {
      return 0;
    }
    return static_cast<std::int32_t>(rounded);
  }
  return 0;
}

}  // namespace vss
