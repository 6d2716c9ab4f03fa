// The forms runtime's backend for the native Linux program: the instance
// lock, the command line, the screen and the saver's windows on X11, dialog
// forms in GTK, the compiled-in resources, the settings file (with the
// values the command line puts in its place), the clock and the end of the
// process. A hack (FormWindows::Host) claims no instance: one runs on each
// monitor.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>

#include "runtime/backend.h"

#include "native/settings_file.h"
#include "backends/x11/x11_display.h"
#include "backends/x11/x11_form.h"
#include "backends/x11/x11_loop.h"

namespace vss::native {

class LinuxBackend final : public runtime::Backend {
 public:
  // settings: values of the "Options" section read instead of the file's.
  LinuxBackend(x11::Connection& connection, x11::FormWindows& windows, std::string commandText,
               std::map<std::string, std::string> settings);
  ~LinuxBackend() override;
  LinuxBackend(const LinuxBackend&) = delete;
  LinuxBackend& operator=(const LinuxBackend&) = delete;

  // The native loop (X11's, or GTK's once a dialog is open) until Quit.
  // In X11's, a signal that ends savers (native::EndSignals) calls ended.
  void Run(const std::function<void()>& ended);

  bool ClaimInstance(const std::string& title) override;
  std::string CommandLine() override { return commandText_; }
  runtime::ScreenMetrics Screen() override;
  std::uint32_t SystemColor(int index) override;
  std::unique_ptr<runtime::FormPeer> CreateForm(runtime::LoadedForm& form) override;
  runtime::ResourceBytes FindResource(const runtime::ResourceType& type, std::int32_t id) override;
  std::optional<std::string> ReadSetting(const std::string& app, const std::string& section,
                                         const std::string& key) override;
  void WriteSetting(const std::string& app, const std::string& section, const std::string& key,
                    const std::string& value) override;
  double SecondsSinceMidnight() override;
  void Quit() override;
  void ShowError(runtime::LoadedForm& owner, const std::string& title,
                 const std::string& text) override;
  [[noreturn]] void Exit(int code) override;

 private:
  x11::Connection& connection_;
  x11::FormWindows& windows_;
  x11::EventLoop loop_;
  std::string commandText_;
  std::map<std::string, std::string> overrides_;
  native::SettingsFile settings_;
  int lock_ = -1;
  bool gtk_ = false;
  bool quit_ = false;
};

}  // namespace vss::native
