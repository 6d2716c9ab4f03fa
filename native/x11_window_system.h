// The saver and the preview on X11: the display connection, the form
// windows, the loop and the OS calls there. A hack draws on the host's
// window (XSCREENSAVER_WINDOW, else the virtual root).
#pragma once

#include <memory>
#include <string>

#include "runtime/sound_output.h"

#include "native/window_system.h"
#include "backends/x11/x11_api.h"
#include "backends/x11/x11_display.h"
#include "backends/x11/x11_form.h"
#include "backends/x11/x11_loop.h"

namespace vss::native {

class X11WindowSystem final : public WindowSystem {
 public:
  // Null when no X display can be opened.
  static std::unique_ptr<X11WindowSystem> Open(runtime::SoundOutput& sound);
  std::string Name() const override;
  bool AdoptHost() override;
  bool Hosted() const override { return windows_.Host().has_value(); }
  std::string HostPlace() const override;
  runtime::ScreenMetrics Screen() override;
  std::unique_ptr<runtime::FormPeer> CreateForm(runtime::LoadedForm& form) override;
  basWin32API& Api() override { return api_; }
  void RestoreAfterError() noexcept override { api_.RestoreAfterError(); }
  void Run(int fd, const std::function<void()>& ready) override;
  void Quit() override { loop_.Quit(); }
  void Flush() override;

 private:
  X11WindowSystem(std::unique_ptr<x11::Connection> connection, runtime::SoundOutput& sound);

  std::unique_ptr<x11::Connection> connection_;
  x11::FormWindows windows_;
  x11::EventLoop loop_;
  x11::X11API api_;
};

}  // namespace vss::native
