#include "native/files.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

namespace vss::native {

std::string Why(int error) { return std::generic_category().message(error); }

Descriptor::~Descriptor() {
  if (fd_ >= 0) ::close(fd_);
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
