// The Windows side of the shared forms runtime: the process, the screen,
// resources of the executable, the settings store in the registry, and the
// forms' windows (win32_window, win32_controls, win32_render). No rule of
// the runtime lives here; each operation is the native call it names.
//
//  - ClaimInstance: a named mutex, held for the life of the process
//  - settings: HKCU\Software\<app>\<section>, value <key>, REG_SZ; a value
//    of another type reads as ""
//  - ShowError: a message box owned by the form's window; Exit: ExitProcess
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "backends/win32/win32_handle.h"
#include "runtime/backend.h"

namespace vss::win32 {

class Win32Backend final : public runtime::Backend {
 public:
  Win32Backend();
  ~Win32Backend() override;
  Win32Backend(const Win32Backend&) = delete;
  Win32Backend& operator=(const Win32Backend&) = delete;

  HINSTANCE Instance() const { return instance_; }
  // The classic dialog font: 8-point "MS Sans Serif".
  HFONT DialogFont();

  bool ClaimInstance(const std::string& title) override;
  std::string CommandLine() override;
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
  HINSTANCE instance_;
  HANDLE instanceMutex_ = nullptr;
  int pixelsPerInchX_ = 96;
  int pixelsPerInchY_ = 96;
  HFONT dialogFont_ = nullptr;
};

}  // namespace vss::win32
