// What the Linux tests share: a private folder, whole-file reads, and
// waiting for a condition with a deadline rather than a fixed sleep.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>

namespace vss::posix {

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

}  // namespace vss::posix
