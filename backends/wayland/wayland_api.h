// The ten OS calls of the behaviour (api/basWin32API.h) on Wayland, where a
// client sees no other client's surfaces: FindWindowA finds nothing (the
// instance lock is the only test of another saver) and nothing can be
// embedded, so a preview ends quietly.
#pragma once

#include <cstdint>

#include "api/basWin32API.h"
#include "runtime/cursor_count.h"
#include "runtime/sound_output.h"

#include "backends/wayland/wayland_form.h"

namespace vss::wayland {

class WaylandAPI final : public basWin32API {
 public:
  // The desktop's handle: no form's.
  static constexpr WindowHandle Desktop = 1;

  WaylandAPI(FormWindows& windows, runtime::SoundOutput& sound)
      : windows_(windows), sound_(sound) {}

  // After a runtime error: the cursor shown, the sound stopped.
  void RestoreAfterError() noexcept;

  WindowHandle FindWindowA(const char* lpClassName, const char* lpWindowName) override;
  WindowHandle GetDesktopWindow() override { return Desktop; }
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
  FormWindows& windows_;
  runtime::SoundOutput& sound_;
  runtime::CursorCount cursor_;
};

}  // namespace vss::wayland
