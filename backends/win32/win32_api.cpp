#include "backends/win32/win32_api.h"

#include "backends/win32/win32_handle.h"
// After <windows.h>, which it needs.
#include <mmsystem.h>

namespace vss::win32 {

namespace {

// GWL_HWNDPARENT; the 64-bit headers only name its LONG_PTR twin.
constexpr int OwnerIndex = -8;

void CopyRect(const RECT& from, Rect& to) {
  to.left = from.left;
  to.top = from.top;
  to.right = from.right;
  to.bottom = from.bottom;
}

}  // namespace

WindowHandle Win32API::FindWindowA(const char* lpClassName, const char* lpWindowName) {
  return FromHwnd(::FindWindowA(lpClassName, lpWindowName));
}

WindowHandle Win32API::GetDesktopWindow() { return FromHwnd(::GetDesktopWindow()); }

std::int32_t Win32API::GetWindowRect(WindowHandle hWnd, Rect& lpRect) {
  RECT rect{};
  const BOOL ok = ::GetWindowRect(ToHwnd(hWnd), &rect);
  if (ok) CopyRect(rect, lpRect);
  return ok;
}

std::int32_t Win32API::GetClientRect(WindowHandle hWnd, Rect& lpRect) {
  RECT rect{};
  const BOOL ok = ::GetClientRect(ToHwnd(hWnd), &rect);
  if (ok) CopyRect(rect, lpRect);
  return ok;
}

std::int32_t Win32API::GetWindowLongA(WindowHandle hWnd, std::int32_t nIndex) {
  if (nIndex == OwnerIndex) {
    return static_cast<std::int32_t>(::GetWindowLongPtrA(ToHwnd(hWnd), OwnerIndex));
  }
  return ::GetWindowLongA(ToHwnd(hWnd), nIndex);
}

std::int32_t Win32API::SetWindowLongA(WindowHandle hWnd, std::int32_t nIndex,
                                      std::int32_t dwNewLong) {
  // The owner is a handle: on 64-bit Windows it only goes through the
  // LONG_PTR call, sign-extended like every 32-bit handle value.
  if (nIndex == OwnerIndex) {
    return static_cast<std::int32_t>(
        ::SetWindowLongPtrA(ToHwnd(hWnd), OwnerIndex, static_cast<LONG_PTR>(dwNewLong)));
  }
  return ::SetWindowLongA(ToHwnd(hWnd), nIndex, dwNewLong);
}

WindowHandle Win32API::SetParent(WindowHandle hWndChild, WindowHandle hWndNewParent) {
  return FromHwnd(::SetParent(ToHwnd(hWndChild), ToHwnd(hWndNewParent)));
}

std::int32_t Win32API::SetWindowPos(WindowHandle hWnd, WindowHandle hWndInsertAfter, std::int32_t x,
                                    std::int32_t y, std::int32_t cx, std::int32_t cy,
                                    std::int32_t wFlags) {
  return ::SetWindowPos(ToHwnd(hWnd), ToHwnd(hWndInsertAfter), x, y, cx, cy,
                        static_cast<UINT>(wFlags));
}

std::int32_t Win32API::ShowCursor(std::int32_t bShow) {
  cursor_.Move(bShow != 0);
  return ::ShowCursor(bShow != 0 ? TRUE : FALSE);
}

std::int32_t Win32API::PlaySoundA(const void* pszSound, WindowHandle hmod, std::int32_t fdwSound) {
  return ::PlaySoundA(static_cast<LPCSTR>(pszSound),
                      reinterpret_cast<HMODULE>(static_cast<std::intptr_t>(hmod)),
                      static_cast<DWORD>(fdwSound));
}

void Win32API::RestoreAfterError() noexcept {
  for (std::int32_t n = cursor_.Outstanding(); n > 0; --n) ::ShowCursor(TRUE);
  cursor_.Reset();
  ::PlaySoundA(nullptr, nullptr, 0);
}

}  // namespace vss::win32
