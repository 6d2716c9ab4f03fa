#include "backends/wayland/wayland_api.h"

namespace vss::wayland {

namespace {

// The style of a borderless form window: WS_CLIPSIBLINGS | WS_CLIPCHILDREN.
constexpr std::int32_t FormStyle = 0x06000000;

}  // namespace

WindowHandle WaylandAPI::FindWindowA(const char*, const char*) { return 0; }

// GetWindowRect of the desktop: the form's output (Connection::FormOutput)
// at the origin, in logical pixels; 0 x 0 while there is no output. Of a
// form: its place.
std::int32_t WaylandAPI::GetWindowRect(WindowHandle hWnd, Rect& lpRect) {
  if (hWnd == Desktop) {
    const Output* output = windows_.Display().FormOutput();
    lpRect = {0, 0, output != nullptr ? output->Width() : 0,
              output != nullptr ? output->Height() : 0};
    return 1;
  }
  const WaylandForm* form = windows_.Find(hWnd);
  if (form == nullptr) return 0;
  lpRect = form->Bounds();
  return 1;
}

std::int32_t WaylandAPI::GetClientRect(WindowHandle hWnd, Rect& lpRect) {
  if (hWnd != Desktop && windows_.Find(hWnd) == nullptr) return 0;
  GetWindowRect(hWnd, lpRect);
  lpRect = {0, 0, lpRect.right - lpRect.left, lpRect.bottom - lpRect.top};
  return 1;
}

// No window words to keep: nothing is ever a child here.
std::int32_t WaylandAPI::GetWindowLongA(WindowHandle hWnd, std::int32_t nIndex) {
  return windows_.Find(hWnd) != nullptr && nIndex == GWL_STYLE ? FormStyle : 0;
}

std::int32_t WaylandAPI::SetWindowLongA(WindowHandle, std::int32_t, std::int32_t) { return 0; }

WindowHandle WaylandAPI::SetParent(WindowHandle, WindowHandle) { return 0; }

// Every form window covers each output above every other window (an
// overlay layer), its client area centred there; SWP_SHOWWINDOW shows it.
std::int32_t WaylandAPI::SetWindowPos(WindowHandle hWnd, WindowHandle, std::int32_t x,
                                      std::int32_t y, std::int32_t cx, std::int32_t cy,
                                      std::int32_t wFlags) {
  WaylandForm* form = windows_.Find(hWnd);
  if (form == nullptr) return 0;
  form->Move(x, y);
  form->Resize(cx, cy);
  if ((wFlags & SWP_SHOWWINDOW) != 0) form->Show();
  return 1;
}

// While the count is below 0 the pointer shows no cursor over the forms (a
// host's run takes no input and leaves the cursor to the host).
std::int32_t WaylandAPI::ShowCursor(std::int32_t bShow) {
  const std::int32_t count = cursor_.Move(bShow != 0);
  windows_.SetCursorHidden(cursor_.Hidden());
  return count;
}

std::int32_t WaylandAPI::PlaySoundA(const void* pszSound, WindowHandle, std::int32_t fdwSound) {
  return runtime::PlaySoundOn(sound_, pszSound, fdwSound);
}

void WaylandAPI::RestoreAfterError() noexcept {
  try {
    cursor_.Reset();
    windows_.SetCursorHidden(false);
    windows_.ApplyCursor();
    wl_display_flush(windows_.Display().Display());
  } catch (...) {
  }
  try {
    sound_.Stop();
  } catch (...) {
  }
}

}  // namespace vss::wayland
