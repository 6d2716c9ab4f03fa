#include "native/window_modules.h"

#include <dlfcn.h>
#include <unistd.h>

#include <climits>

namespace vss::native {

namespace {

std::string ProgramFolder() {
  char path[PATH_MAX];
  const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
  if (length <= 0) return ".";
  const std::string program(path, static_cast<std::size_t>(length));
  return program.substr(0, program.rfind('/'));
}

}  // namespace

std::unique_ptr<WindowSystem> OpenWindowSystem(WindowSystemKind kind, runtime::SoundOutput& sound,
                                               std::string& problem) {
  const std::string file = kind == WindowSystemKind::X11 ? "x11.so" : "wayland.so";
  const std::string folder = ProgramFolder();
  void* module = nullptr;
  std::string tried;
  for (const char* relative : {VSS_BUILD_MODULES, VSS_INSTALLED_MODULES}) {
    tried = folder + "/" + relative + "/" + file;
    if (access(tried.c_str(), F_OK) != 0) continue;
    // Never unloaded: the window system's code runs until the process ends.
    module = dlopen(tried.c_str(), RTLD_NOW | RTLD_LOCAL);
    break;
  }
  auto* open = module != nullptr
                   ? reinterpret_cast<WindowSystemOpener*>(dlsym(module, WindowSystemOpenerName))
                   : nullptr;
  if (open == nullptr) {
    const char* error = dlerror();
    problem = "cannot load " + tried + (error != nullptr ? std::string(": ") + error : "");
    return nullptr;
  }
  return std::unique_ptr<WindowSystem>(open(sound));
}

}  // namespace vss::native
