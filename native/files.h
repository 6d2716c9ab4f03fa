// File handling the Linux backends share.
#pragma once

#include <string>
#include <string_view>
#include <utility>

namespace vss::native {

// The system's words for an errno value.
std::string Why(int error);

class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor();
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return fd_; }
  int release() { return std::exchange(fd_, -1); }

 private:
  int fd_;
};

// Replaces the file at `path` by one holding `content`, written beside it
// and renamed over, so a reader sees the old file or the new one, never a
// part, and no temporary file stays behind. `durable` also waits until the
// file and its folder are on disk, for what must outlive a crash. Empty on
// success, else the step that failed and why.
std::string ReplaceFile(const std::string& path, std::string_view content, bool durable);

}  // namespace vss::native
