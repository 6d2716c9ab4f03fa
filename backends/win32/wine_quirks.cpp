#include "backends/win32/wine_quirks.h"

namespace vss::win32 {

bool RunningUnderWine() {
  static const bool wine = [] {
    HMODULE ntdll = ::GetModuleHandleA("ntdll.dll");
    return ntdll != nullptr && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
  }();
  return wine;
}

void WineStripFrame(HWND window) {
  const LONG style = ::GetWindowLongA(window, GWL_STYLE);
  ::SetWindowLongA(
      window, GWL_STYLE,
      style & ~(WS_CAPTION | WS_THICKFRAME | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
  ::SetWindowPos(window, nullptr, 0, 0, 0, 0,
                 SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool WinePaintsAreLost(HWND window) {
  // The style first: it costs no server round trip, and a top-level window
  // (the saver, every Tick) needs nothing more.
  if (!RunningUnderWine() || !(::GetWindowLongA(window, GWL_STYLE) & WS_CHILD)) return false;
  HWND root = ::GetAncestor(window, GA_ROOT);
  if (root == nullptr || root == window) return false;
  DWORD process = 0;
  ::GetWindowThreadProcessId(root, &process);
  return process != ::GetCurrentProcessId();
}

// The host's DC draws straight into its X window, which the X server clips
// by the windows stacked above; its own children are not clipped out, so
// the clip is where this window is visible. The host's repaints of its area
// may cover the picture again until this window's next paint.
WineHostSurface::WineHostSurface(HWND window, HDC paintDc) {
  root_ = ::GetAncestor(window, GA_ROOT);
  POINT rootOrigin{0, 0};
  POINT at{0, 0};
  if (root_ == nullptr || !::ClientToScreen(root_, &rootOrigin)) return;
  ::MapWindowPoints(window, root_, &at, 1);
  HRGN visible = ::CreateRectRgn(0, 0, 0, 0);
  if (visible == nullptr) return;
  // The system region comes in screen coordinates.
  if (::GetRandomRgn(paintDc, visible, SYSRGN) == 1 &&
      ::OffsetRgn(visible, -rootOrigin.x, -rootOrigin.y) > NULLREGION) {
    dc_ = ::GetDCEx(root_, nullptr, DCX_CACHE);
    if (dc_ != nullptr) {
      ::SelectClipRgn(dc_, visible);
      ::SetViewportOrgEx(dc_, at.x, at.y, nullptr);
    }
  }
  ::DeleteObject(visible);
}

WineHostSurface::~WineHostSurface() {
  if (dc_ != nullptr) ::ReleaseDC(root_, dc_);
}

}  // namespace vss::win32
