// The process entry of "Vorlan Screen Saver 2.scr": hands the runtime the
// application's description and the start procedure Main, and ends with
// the runtime's exit code.
#include "platform/win32/win32_api.h"
#include "platform/win32/win32_runtime.h"
#include "startup/basMain.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  vss::win32::Win32Runtime runtime(vss::platform::AppDescription{"Vorlan Screen Saver 2"});
  vss::win32::Win32API win32;
  // After a runtime error nothing may be left hidden or playing.
  runtime.SetErrorCleanup([&win32] { win32.RestoreAfterError(); });
  vss::basMain module(runtime, win32);
  return runtime.Run([&module] { module.Main(); });
}
