// The ten OS calls of the behaviour (api/basWin32API.h) on X11, with
// the Windows meaning of each translated where it is implemented.
#pragma once

#include <cstdint>
#include <map>

#include "api/basWin32API.h"
#include "runtime/cursor_count.h"
#include "runtime/sound_output.h"
#include "backends/x11/x11_display.h"
#include "backends/x11/x11_form.h"

namespace vss::x11 {

class X11API final : public basWin32API {
 public:
  X11API(Connection& connection, FormWindows& windows, runtime::SoundOutput& sound)
      : connection_(connection), windows_(windows), sound_(sound) {}

  // After a runtime error: the cursor shown, the sound stopped.
  void RestoreAfterError() noexcept;

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

 private:
  bool Matches(Window window, const char* className, const char* title) const;

  Connection& connection_;
  FormWindows& windows_;
  runtime::SoundOutput& sound_;
  // The window words the program set, by window and index.
  std::map<std::pair<Window, std::int32_t>, std::int32_t> words_;
  runtime::CursorCount cursor_;
};

}  // namespace vss::x11
