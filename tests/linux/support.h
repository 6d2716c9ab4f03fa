// What the Linux tests share: a private folder, whole-file reads, a body run
// in a child process, and waiting for a condition with a deadline rather
// than a fixed sleep.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>

namespace vss::native {

namespace fs = std::filesystem;

struct TempDir {
  std::string pattern = testing::TempDir() + "vss-linux-XXXXXX";
  const fs::path path = ::mkdtemp(pattern.data());
  ~TempDir() { fs::remove_all(path); }
};

inline std::string Slurp(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

// Gives up after a minute at the earliest, which no healthy machine reaches.
inline bool WaitUntil(const std::function<bool()>& condition) {
  for (int i = 0; i < 60000 && !condition(); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  return condition();
}

// Runs `body` in a child process while `meanwhile` runs here; whether the
// body returned true.
inline bool InChild(
    const std::function<bool()>& body, const std::function<void()>& meanwhile = [] {}) {
  const pid_t pid = ::fork();
  if (pid == 0) ::_exit(body() ? 0 : 1);
  meanwhile();
  int status = 0;
  return ::waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace vss::native
