// Every Wine workaround of the Windows backend, each with the reason for it.
// On Windows itself none of them changes anything.
//
//  1. Re-parenting across processes (the preview). Under Wine a window
//     created with WS_POPUP becomes an invalid handle once WS_CHILD is added
//     and it is re-parented into another process's window. A top-level
//     window created without WS_POPUP, with its caption and frame stripped
//     and SWP_FRAMECHANGED, goes through: WineStripFrame.
//  2. Painting into another process's window. Wine 8 gives a child window
//     whose top-level window belongs to another process no drawable
//     (win32u's update_visible_region has no surface for such a window; the
//     X11 trace shows "drawable 0"), so nothing it draws reaches the screen.
//     WinePaintsAreLost tells when; WineHostSurface then draws through a DC of the
//     host's top-level window, clipped to where this window is visible.
//  3. Default-button border. Wine's IsDialogMessage redraws the push
//     buttons' borders after Tab from what DM_GETDEFID answers, taking the
//     border off the focused button; Enter then presses the default button
//     instead of the focused one. The loop restores the border after each
//     dialog message (RefreshDefaultBorder in win32_controls).
#pragma once

#include "backends/win32/win32_handle.h"

namespace vss::win32 {

bool RunningUnderWine();

// 1: makes a freshly created overlapped window borderless.
void WineStripFrame(HWND window);

// 2: true only under Wine, for a child of another process's window.
bool WinePaintsAreLost(HWND window);

// 2: a DC of the host's top-level window in which the client coordinates
// of `window` draw where the window is, clipped to its visible part (taken
// from paintDc, a BeginPaint DC of the window).
class WineHostSurface {
 public:
  WineHostSurface(HWND window, HDC paintDc);
  ~WineHostSurface();
  WineHostSurface(const WineHostSurface&) = delete;
  WineHostSurface& operator=(const WineHostSurface&) = delete;
  HDC Dc() const { return dc_; }  // null when nothing of the window shows

 private:
  HWND root_ = nullptr;
  HDC dc_ = nullptr;
};

}  // namespace vss::win32
