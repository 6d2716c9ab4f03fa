#include "native/wayland_window_system.h"

namespace vss::native {

std::unique_ptr<WaylandWindowSystem> WaylandWindowSystem::Open(runtime::SoundOutput& sound) {
  auto connection = wayland::Connection::Open();
  if (!connection) return nullptr;
  return std::unique_ptr<WaylandWindowSystem>(
      new WaylandWindowSystem(std::move(connection), sound));
}

WaylandWindowSystem::WaylandWindowSystem(std::unique_ptr<wayland::Connection> connection,
                                         runtime::SoundOutput& sound)
    : connection_(std::move(connection)),
      windows_(*connection_, connection_->Handed()),
      loop_(*connection_),
      api_(windows_, sound) {
  connection_->Watch(&windows_);
  if (!connection_->Handed()) connection_->TakeInput(windows_);
  loop_.BeforeWait([this] { windows_.ApplyCursor(); });
}

// Logical pixels at 96 per inch: the figure is as large on every output as
// on an X11 screen at 96 dots per inch, whatever the output's scale.
runtime::ScreenMetrics WaylandWindowSystem::Screen() {
  const wayland::Output* output = connection_->FormOutput();
  if (output == nullptr) return {0, 0, 96, 96};
  return {output->Width(), output->Height(), 96, 96};
}

std::unique_ptr<runtime::FormPeer> WaylandWindowSystem::CreateForm(runtime::LoadedForm& form) {
  return std::make_unique<wayland::WaylandForm>(windows_, loop_, form);
}

void WaylandWindowSystem::Run(int fd, const std::function<void()>& ready) {
  loop_.Run(fd, ready, [this] { windows_.Lost(); });
}

}  // namespace vss::native

extern "C" __attribute__((visibility("default"))) vss::native::WindowSystem* vss_open_window_system(
    vss::runtime::SoundOutput& sound) {
  return vss::native::WaylandWindowSystem::Open(sound).release();
}
