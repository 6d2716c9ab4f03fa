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

// $<variable> when it is an absolute path, else <home>/<underHome> for
// $HOME or, without it, the home that passwd gives; "" when none is known.
std::string UserFolder(const char* variable, const char* underHome);

// The folder of this user's run-time files, made when missing:
// $XDG_RUNTIME_DIR/vorlan-screen-saver-2 when that folder is the user's own
// and nobody else may write to it, else the same under $XDG_CACHE_HOME;
// never a folder that others share, such as /tmp, where another user's file
// could stand in for ours. "" when no folder of the user's own can be had.
std::string RuntimeFolder();

// Replaces the file at `path` by one holding `content`, written beside it
// and renamed over, so a reader sees the old file or the new one, never a
// part, and no temporary file stays behind. `durable` also waits until the
// file and its folder are on disk, for what must outlive a crash. Empty on
// success, else the step that failed and why.
std::string ReplaceFile(const std::string& path, std::string_view content, bool durable);

}  // namespace vss::native
