// The ten operating-system calls the behaviour makes outside the forms
// runtime, with the argument types it passes. Backends translate each to
// the native call (or its equivalent on another platform).
#pragma once

#include <cstdint>

#include "api/forms.h"

namespace vss {

inline constexpr std::int32_t GWL_STYLE = -16;
inline constexpr std::int32_t GWL_HWNDPARENT = -8;
inline constexpr std::int32_t WS_CHILD = 0x40000000;
inline constexpr WindowHandle HWND_TOP = 0;
inline constexpr WindowHandle HWND_TOPMOST = -1;
inline constexpr std::int32_t SWP_NOZORDER = 0x4;
inline constexpr std::int32_t SWP_NOACTIVATE = 0x10;
inline constexpr std::int32_t SWP_SHOWWINDOW = 0x40;
inline constexpr std::int32_t SND_ASYNC = 0x1;
inline constexpr std::int32_t SND_NODEFAULT = 0x2;
inline constexpr std::int32_t SND_MEMORY = 0x4;
inline constexpr std::int32_t SND_LOOP = 0x8;

class basWin32API {
 public:
  virtual ~basWin32API() = default;

  virtual WindowHandle FindWindowA(const char* lpClassName, const char* lpWindowName) = 0;
  virtual WindowHandle GetDesktopWindow() = 0;
  virtual std::int32_t GetWindowRect(WindowHandle hWnd, Rect& lpRect) = 0;
  // Non-zero on success; 0 when hWnd names no window.
  virtual std::int32_t GetClientRect(WindowHandle hWnd, Rect& lpRect) = 0;
  virtual std::int32_t GetWindowLongA(WindowHandle hWnd, std::int32_t nIndex) = 0;
  virtual std::int32_t SetWindowLongA(WindowHandle hWnd, std::int32_t nIndex,
                                      std::int32_t dwNewLong) = 0;
  virtual WindowHandle SetParent(WindowHandle hWndChild, WindowHandle hWndNewParent) = 0;
  virtual std::int32_t SetWindowPos(WindowHandle hWnd, WindowHandle hWndInsertAfter, std::int32_t x,
                                    std::int32_t y, std::int32_t cx, std::int32_t cy,
                                    std::int32_t wFlags) = 0;
  virtual std::int32_t ShowCursor(std::int32_t bShow) = 0;
  // pszSound is the address of an in-memory wave image with SND_MEMORY, or
  // null to stop whatever plays.
  virtual std::int32_t PlaySoundA(const void* pszSound, WindowHandle hmod,
                                  std::int32_t fdwSound) = 0;
};

}  // namespace vss
