#include "native/x11_window_system.h"

#include <cstdlib>

namespace vss::native {

std::unique_ptr<X11WindowSystem> X11WindowSystem::Open(runtime::SoundOutput& sound) {
  auto connection = x11::Connection::Open();
  if (!connection) return nullptr;
  return std::unique_ptr<X11WindowSystem>(new X11WindowSystem(std::move(connection), sound));
}

X11WindowSystem::X11WindowSystem(std::unique_ptr<x11::Connection> connection,
                                 runtime::SoundOutput& sound)
    : connection_(std::move(connection)), loop_(*connection_), api_(*connection_, windows_, sound) {
  loop_.OnMonitorsChanged([this] { windows_.MonitorsChanged(); });
}

std::string X11WindowSystem::Name() const {
  const char* display = std::getenv("DISPLAY");
  return std::string("the X display \"") + (display != nullptr ? display : "") + "\"";
}

bool X11WindowSystem::AdoptHost() {
  const auto host = x11::WatchHostWindow(*connection_);
  if (!host) return false;
  windows_.SetHost(*host);
  return true;
}

// The screen and the host window's place on it.
std::string X11WindowSystem::HostPlace() const {
  if (!windows_.Host()) return "";
  const runtime::PixelRect& place = windows_.Host()->place;
  return std::to_string(connection_->ScreenNumber()) + "-" + std::to_string(place.left) + "-" +
         std::to_string(place.top) + "-" + std::to_string(place.right - place.left) + "x" +
         std::to_string(place.bottom - place.top);
}

runtime::ScreenMetrics X11WindowSystem::Screen() {
  const runtime::PixelRect monitor =
      windows_.Host() ? windows_.Host()->place : connection_->PrimaryMonitor();
  const int dpi = connection_->PixelsPerInch();
  return {monitor.right - monitor.left, monitor.bottom - monitor.top, dpi, dpi};
}

std::unique_ptr<runtime::FormPeer> X11WindowSystem::CreateForm(runtime::LoadedForm& form) {
  return std::make_unique<x11::X11Form>(*connection_, windows_, loop_, form);
}

void X11WindowSystem::Run(int fd, const std::function<void()>& ready) {
  if (fd >= 0) loop_.Watch(fd, ready);
  loop_.Run();
}

void X11WindowSystem::Flush() { XFlush(connection_->Dpy()); }

}  // namespace vss::native

extern "C" __attribute__((visibility("default"))) vss::native::WindowSystem* vss_open_window_system(
    vss::runtime::SoundOutput& sound) {
  return vss::native::X11WindowSystem::Open(sound).release();
}
