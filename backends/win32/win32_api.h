// basWin32API on Windows: each call goes straight to its user32/winmm
// namesake. The one addition is the count of cursor hides, so that an
// orderly end after a runtime error can give the cursor back.
#pragma once

#include <cstdint>

#include "api/basWin32API.h"
#include "runtime/cursor_count.h"

namespace vss::win32 {

class Win32API final : public basWin32API {
 public:
  WindowHandle FindWindowA(const char* lpClassName, const char* lpWindowName) override;
  WindowHandle GetDesktopWindow() override;
  std::int32_t GetWindowRect(WindowHandle hWnd, Rect& lpRect) override;
  std::int32_t GetClientRect(WindowHandle hWnd, Rect& lpRect) override;
  std::int32_t GetWindowLongA(WindowHandle hWnd, std::int32_t nIndex) override;
  std::int32_t SetWindowLongA(WindowHandle hWnd, std::int32_t nIndex,
                              std::int32_t dwNewLong) override;
  WindowHandle SetParent(WindowHandle hWndChild, WindowHandle hWndNewParent) override;
  std::int32_t SetWindowPos(WindowHandle hWnd, WindowHandle hWndInsertAfter, std::int32_t x,
                            std::int32_t y, std::int32_t cx, std::int32_t cy,
                            std::int32_t wFlags) override;
  std::int32_t ShowCursor(std::int32_t bShow) override;
  std::int32_t PlaySoundA(const void* pszSound, WindowHandle hmod, std::int32_t fdwSound) override;

  // After a runtime error: shows the cursor once per outstanding hide and
  // stops any sound, so that nothing is left hidden or playing.
  void RestoreAfterError() noexcept;

 private:
  runtime::CursorCount cursor_;
};

}  // namespace vss::win32
