// The thread's message loop and the watchdog of embedded forms.
#pragma once

#include "backends/win32/win32_handle.h"
#include "runtime/forms_runtime.h"

namespace vss::win32 {

// One message of the thread's queue: the dialog keys (Tab, arrows, Enter,
// access keys) go to the dialog forms first.
void ProcessMessage(runtime::FormsRuntime& runtime, MSG& message);

// Until Backend::Quit; returns the exit code it carries.
int RunMessageLoop(runtime::FormsRuntime& runtime);

// Every second while a form's window is a child window, an embedded form
// whose window or host is gone is reported through Form::WindowLost; the
// window of an orphaned child goes with its form. Without it a preview whose
// host died would run on, unseen. Top-level forms need no watching, and the
// saver no extra wake-ups. One per thread.
class Watchdog {
 public:
  explicit Watchdog(runtime::FormsRuntime& runtime);
  ~Watchdog();
  Watchdog(const Watchdog&) = delete;
  Watchdog& operator=(const Watchdog&) = delete;
  // A form's window became a child window.
  static void Watch();
  void Check();

 private:
  runtime::FormsRuntime& runtime_;
  UINT_PTR timer_ = 0;
};

}  // namespace vss::win32
