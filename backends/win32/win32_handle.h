// Window handles cross the portable interfaces as 64-bit integers. Handles
// are 32-bit significant on Windows (also between 32- and 64-bit processes),
// so a handle parsed from a command line is sign-extended back.
#pragma once

#include "api/basWin32API.h"
#include "api/forms.h"
// Only now <windows.h>: its macros share names with constants declared above.
#include <windows.h>

#include <cstdint>

namespace vss::win32 {

inline HWND ToHwnd(WindowHandle handle) {
  return reinterpret_cast<HWND>(static_cast<std::intptr_t>(handle));
}

inline WindowHandle FromHwnd(HWND window) {
  return static_cast<WindowHandle>(reinterpret_cast<std::intptr_t>(window));
}

}  // namespace vss::win32
