// The Windows test programs: each check prints one line; the exit code is
// the number of failed checks. Pump runs the backend's loop for a while.
#pragma once

#include <cstdio>
#include <functional>
#include <string>

#include "backends/win32/win32_loop.h"

namespace vss::win32::test {

inline int failures = 0;

inline bool Check(bool ok, const std::string& what) {
  std::printf("%s %s\n", ok ? "ok  " : "FAIL", what.c_str());
  std::fflush(stdout);
  if (!ok) ++failures;
  return ok;
}

// Handles messages until done() holds or the time is up; returns done().
inline bool Pump(runtime::FormsRuntime& runtime, DWORD milliseconds,
                 const std::function<bool()>& done) {
  const ULONGLONG deadline = ::GetTickCount64() + milliseconds;
  for (;;) {
    MSG message;
    while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message != WM_QUIT) ProcessMessage(runtime, message);
      if (done()) return true;
    }
    const ULONGLONG now = ::GetTickCount64();
    if (done() || now >= deadline) return done();
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(deadline - now), QS_ALLINPUT);
  }
}

inline int Summary() {
  std::printf("%d check(s) failed\n", failures);
  return failures == 0 ? 0 : 1;
}

}  // namespace vss::win32::test
