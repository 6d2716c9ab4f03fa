#include "backends/win32/win32_loop.h"

#include <vector>

#include "backends/win32/win32_control.h"

namespace vss::win32 {

namespace {

Watchdog* activeWatchdog = nullptr;

void CALLBACK WatchdogTick(HWND, UINT, UINT_PTR, DWORD) noexcept {
  if (activeWatchdog != nullptr) activeWatchdog->Check();
}

HWND WindowOf(const runtime::LoadedForm& form) {
  return form.Peer() != nullptr ? ToHwnd(form.Peer()->Handle()) : nullptr;
}

runtime::LoadedForm* FormOf(runtime::FormsRuntime& runtime, HWND window) {
  for (runtime::LoadedForm* form : runtime.LoadedForms()) {
    if (window != nullptr && WindowOf(*form) == window) return form;
  }
  return nullptr;
}

}  // namespace

void ProcessMessage(runtime::FormsRuntime& runtime, MSG& message) {
  // Copied first: a dispatched message may unload forms.
  std::vector<HWND> dialogs;
  for (runtime::LoadedForm* form : runtime.LoadedForms()) {
    if (form->IsDialog() && WindowOf(*form) != nullptr) dialogs.push_back(WindowOf(*form));
  }
  for (HWND dialog : dialogs) {
    if (::IsWindow(dialog) && ::IsDialogMessageA(dialog, &message)) {
      RefreshDefaultBorder(dialog);  // Wine quirk 3 (wine_quirks.h)
      return;
    }
  }
  ::TranslateMessage(&message);
  ::DispatchMessageA(&message);
}

int RunMessageLoop(runtime::FormsRuntime& runtime) {
  MSG message{};
  while (::GetMessageA(&message, nullptr, 0, 0) > 0) ProcessMessage(runtime, message);
  return message.message == WM_QUIT ? static_cast<int>(message.wParam) : 0;
}

Watchdog::Watchdog(runtime::FormsRuntime& runtime) : runtime_(runtime) { activeWatchdog = this; }

void Watchdog::Watch() {
  if (activeWatchdog != nullptr && activeWatchdog->timer_ == 0) {
    activeWatchdog->timer_ = ::SetTimer(nullptr, 0, 1000, &WatchdogTick);
  }
}

Watchdog::~Watchdog() {
  if (timer_ != 0) ::KillTimer(nullptr, timer_);
  if (activeWatchdog == this) activeWatchdog = nullptr;
}

void Watchdog::Check() {
  std::vector<HWND> windows;
  for (runtime::LoadedForm* form : runtime_.LoadedForms()) windows.push_back(WindowOf(*form));
  for (HWND window : windows) {
    // Looked up again: the last report may have unloaded more than its form.
    runtime::LoadedForm* form = FormOf(runtime_, window);
    if (form == nullptr) continue;
    if (!::IsWindow(window)) {
      form->InputWindowLost();
      continue;
    }
    if ((::GetWindowLongA(window, GWL_STYLE) & WS_CHILD) == 0) continue;
    HWND parent = ::GetAncestor(window, GA_PARENT);
    if (parent == nullptr || parent == ::GetDesktopWindow() || !::IsWindow(parent)) {
      form->InputWindowLost();
    }
  }
  for (runtime::LoadedForm* form : runtime_.LoadedForms()) {
    HWND window = WindowOf(*form);
    if (window != nullptr && (::GetWindowLongA(window, GWL_STYLE) & WS_CHILD)) return;
  }
  ::KillTimer(nullptr, timer_);
  timer_ = 0;
}

}  // namespace vss::win32
