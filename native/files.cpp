#include "native/files.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <system_error>
#include <vector>

namespace vss::native {

namespace {

constexpr const char* FolderName = "vorlan-screen-saver-2";

// A folder, not a link to one, of this user's, with none of the `others`
// permission bits.
bool OwnFolder(const std::string& path, mode_t others) {
  struct stat info {};
  return ::lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == ::getuid() &&
         (info.st_mode & others) == 0;
}

}  // namespace

std::string Why(int error) { return std::generic_category().message(error); }

Descriptor::~Descriptor() {
  if (fd_ >= 0) ::close(fd_);
}

std::string UserFolder(const char* variable, const char* underHome) {
  const char* given = std::getenv(variable);
  if (given != nullptr && given[0] == '/') return given;
  const char* home = std::getenv("HOME");
  if (home != nullptr && home[0] == '/') return std::string(home) + "/" + underHome;
  std::vector<char> buffer(16384);
  passwd entry{};
  passwd* found = nullptr;
  if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 &&
      found != nullptr && found->pw_dir != nullptr && found->pw_dir[0] == '/') {
    return std::string(found->pw_dir) + "/" + underHome;
  }
  return "";
}

std::string RuntimeFolder() {
  const char* runtimeDir = std::getenv("XDG_RUNTIME_DIR");
  std::string base = runtimeDir != nullptr ? runtimeDir : "";
  if (base.empty() || base[0] != '/' || !OwnFolder(base, S_IWGRP | S_IWOTH)) {
    base = UserFolder("XDG_CACHE_HOME", ".cache");
    if (!base.empty()) ::mkdir(base.c_str(), 0700);
    if (base.empty() || !OwnFolder(base, S_IWGRP | S_IWOTH)) return "";
  }
  const std::string folder = base + "/" + FolderName;
  ::mkdir(folder.c_str(), 0700);
  return OwnFolder(folder, S_IRWXG | S_IRWXO) ? folder : "";
}

std::string ReplaceFile(const std::string& path, std::string_view content, bool durable) {
  const std::string folder = path.substr(0, path.rfind('/'));
  std::string name = path + ".XXXXXX";
  Descriptor fd(::mkostemp(name.data(), O_CLOEXEC));
  if (fd.get() < 0) return "cannot create a temporary file in " + folder + ": " + Why(errno);
  const auto abandon = [&](const std::string& step, int error) {
    ::unlink(name.c_str());
    return step + ": " + Why(error);
  };
  for (std::size_t done = 0; done < content.size();) {
    const ssize_t count = ::write(fd.get(), content.data() + done, content.size() - done);
    if (count < 0 && errno == EINTR) continue;
    if (count < 0) return abandon("cannot write " + name, errno);
    done += static_cast<std::size_t>(count);
  }
  if (durable && ::fsync(fd.get()) != 0) return abandon("cannot flush " + name + " to disk", errno);
  if (::close(fd.release()) != 0) return abandon("cannot close " + name, errno);
  if (::rename(name.c_str(), path.c_str()) != 0) return abandon("cannot replace " + path, errno);
  if (durable) {
    // The rename itself survives a crash only once the folder is on disk too.
    const Descriptor directory(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (directory.get() >= 0) ::fsync(directory.get());
  }
  return "";
}

}  // namespace vss::native
