// The forms runtime's backend for the native Linux program: the instance
// lock, the command line, the screen and the saver's windows on the window
// system (X11 or Wayland), dialog forms in GTK, the compiled-in resources,
// the settings file (with the values the command line puts in its place),
// the clock and the end of the process. A host's run claims no instance:
// XScreenSaver runs one on each monitor, and a locker's must not end for
// an idle manager's.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>

#include "runtime/backend.h"

#include "native/settings_file.h"
#include "native/window_system.h"

namespace vss::native {

class LinuxBackend final : public runtime::Backend {
 public:
  // settings: values of the "Options" section read instead of the file's.
  LinuxBackend(WindowSystem& system, std::string commandText,
               std::map<std::string, std::string> settings);
  ~LinuxBackend() override;
  LinuxBackend(const LinuxBackend&) = delete;
  LinuxBackend& operator=(const LinuxBackend&) = delete;

  // The native loop (the window system's, or GTK's once a dialog is open)
  // until Quit. In the window system's, a signal that ends savers
  // (native::EndSignals) calls ended.
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
  WindowSystem& system_;
  std::string commandText_;
  std::map<std::string, std::string> overrides_;
  native::SettingsFile settings_;
  int lock_ = -1;
  bool gtk_ = false;
  bool quit_ = false;
};

}  // namespace vss::native
