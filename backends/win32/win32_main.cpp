// The process entry of "Vorlan Screen Saver 2.scr": the shared runtime over
// the Windows backend, the ten OS calls, and the start procedure Main.
#include "backends/win32/win32_api.h"
#include "backends/win32/win32_backend.h"
#include "backends/win32/win32_loop.h"
#include "startup/basMain.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  vss::win32::Win32Backend backend;
  vss::runtime::FormsRuntime runtime(backend, vss::AppDescription{"Vorlan Screen Saver 2"});
  vss::win32::Win32API win32;
  // After a runtime error nothing may be left hidden or playing.
  runtime.AddErrorCleanup([&win32] { win32.RestoreAfterError(); });
  vss::basMain module(runtime, win32);
  vss::win32::Watchdog watchdog(runtime);
  runtime.Start([&module] { module.Main(); });
  return vss::win32::RunMessageLoop(runtime);
}
