// The saver on Wayland: the compositor connection, the form windows on
// every output, the loop and the OS calls there. A run whose connection a
// locker handed over (WAYLAND_SOCKET) is a host's: it takes no input and
// the locker ends it.
#pragma once

#include <memory>

#include "runtime/sound_output.h"

#include "native/window_system.h"
#include "backends/wayland/wayland_api.h"
#include "backends/wayland/wayland_display.h"
#include "backends/wayland/wayland_form.h"
#include "backends/wayland/wayland_loop.h"

namespace vss::native {

class WaylandWindowSystem final : public WindowSystem {
 public:
  // Null when no compositor answers.
  static std::unique_ptr<WaylandWindowSystem> Open(runtime::SoundOutput& sound);
  bool CanCover() const override { return connection_->CanCover(); }
  std::string Name() const override {
    return "the Wayland compositor \"" + connection_->Name() + "\"";
  }

  bool Hosted() const override { return connection_->Handed(); }
  runtime::ScreenMetrics Screen() override;
  std::unique_ptr<runtime::FormPeer> CreateForm(runtime::LoadedForm& form) override;
  basWin32API& Api() override { return api_; }
  void RestoreAfterError() noexcept override { api_.RestoreAfterError(); }
  void Run(int fd, const std::function<void()>& ready) override;
  void Quit() override { loop_.Quit(); }
  void Flush() override { wl_display_flush(connection_->Display()); }

 private:
  WaylandWindowSystem(std::unique_ptr<wayland::Connection> connection, runtime::SoundOutput& sound);

  std::unique_ptr<wayland::Connection> connection_;
  wayland::FormWindows windows_;
  wayland::EventLoop loop_;
  wayland::WaylandAPI api_;
};

}  // namespace vss::native
