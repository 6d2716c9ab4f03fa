// A minimal check helper for the Windows test programs: each check prints
// one line; the program's exit code is the number of failed checks.
#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <type_traits>

#include "platform/vbnum.h"

namespace vss::win32::test {

inline int& Failures() {
  static int failures = 0;
  return failures;
}

inline bool Check(bool ok, const std::string& what) {
  std::printf("%s %s\n", ok ? "ok  " : "FAIL", what.c_str());
  std::fflush(stdout);
  if (!ok) ++Failures();
  return ok;
}

template <typename T>
std::string Describe(const T& value) {
  if constexpr (std::is_arithmetic_v<T>) {
    return std::to_string(value);
  } else if constexpr (std::is_pointer_v<T>) {
    char text[32];
    std::snprintf(text, sizeof text, "%p", static_cast<const void*>(value));
    return text;
  } else {
    return "\"" + std::string(value) + "\"";
  }
}

template <typename A, typename B>
bool CheckEqual(const A& actual, const B& expected, const std::string& what) {
  const bool ok = actual == expected;
  return Check(
      ok,
      ok ? what : what + " (got " + Describe(actual) + ", expected " + Describe(expected) + ")");
}

// Runs body and reports whether it threw RuntimeError with that number.
template <typename Body>
bool CheckRaises(Body&& body, int number, const std::string& what) {
  try {
    body();
  } catch (const RuntimeError& error) {
    return CheckEqual(static_cast<int>(error.Number()), number, what);
  } catch (...) {
    return Check(false, what + " (threw something else)");
  }
  return Check(false, what + " (nothing raised)");
}

inline int Summary() {
  std::printf("%d check(s) failed\n", Failures());
  std::fflush(stdout);
  return Failures() == 0 ? 0 : 1;
}

}  // namespace vss::win32::test
