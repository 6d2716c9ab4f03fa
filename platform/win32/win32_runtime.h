// The forms runtime on Windows: application, screen, forms, message loop,
// settings in the registry, resources of the executable, random numbers,
// and the orderly end after a runtime error.
//
//  - App.PrevInstance: a named mutex keyed by the title, taken at start
//  - settings: HKCU\Software\<app>\<section>, value <key>, REG_SZ
//  - the message loop runs until the start procedure has returned and no
//    form is loaded; a watchdog unloads an embedded form whose host is gone
//  - no C++ exception crosses a Windows frame: every callback ends the
//    process with the error's number instead
#pragma once

#include "platform/basWin32API.h"
#include "platform/random.h"
#include "platform/runtime.h"
// Only now <windows.h>: its macros share names with constants declared above.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace vss::win32 {

class Win32Form;

class Win32Runtime final : public platform::Runtime {
 public:
  // One runtime per process.
  explicit Win32Runtime(const platform::AppDescription& app);
  ~Win32Runtime() override;
  Win32Runtime(const Win32Runtime&) = delete;
  Win32Runtime& operator=(const Win32Runtime&) = delete;

  // Runs before the process ends after a runtime error.
  void SetErrorCleanup(std::function<void()> cleanup) { errorCleanup_ = std::move(cleanup); }

  // Calls the start procedure, then runs the message loop until no form is
  // loaded. Returns the process's exit code.
  int Run(const std::function<void()>& startProcedure);

  // The pieces of Run, for tests that look at the forms in between.
  void CallStartProcedure(const std::function<void()>& startProcedure);
  // Dispatches messages until done() holds, the time is up or the loop is
  // told to quit; returns done(). Never from inside a handler: it frees the
  // forms unloaded so far.
  bool PumpMessages(const std::function<bool()>& done, DWORD timeoutMilliseconds);
  bool QuitPosted() const { return quitPosted_; }
  std::size_t LoadedFormCount() const { return forms_.size(); }

  // Ends the process after a runtime error: cleanup, then exit code = the
  // error's number. Call inside a catch block.
  [[noreturn]] void EndWithCurrentException() noexcept;
  [[noreturn]] void EndWithError(int code) noexcept;

  HINSTANCE Instance() const { return instance_; }
  int PixelsPerInchX() const { return pixelsPerInchX_; }
  int PixelsPerInchY() const { return pixelsPerInchY_; }
  // The classic dialog font: 8-point "MS Sans Serif".
  HFONT DialogFont();
  // The window of the form went without an unload by the runtime.
  void FormWindowLost(Win32Form& form, bool destroyWindow);

  // platform::Runtime
  std::string AppTitle() override { return app_.Title; }
  Boolean AppPrevInstance() override { return prevInstance_ ? True : False; }
  [[noreturn]] void End() override;
  std::string Command() override;
  float TwipsPerPixelX() override;
  float TwipsPerPixelY() override;
  float ScreenWidth() override;
  float ScreenHeight() override;
  platform::Form& Load(platform::FormModule& code, const platform::FormDesign& design) override;
  void Unload(platform::Form& form) override;
  std::unique_ptr<platform::Picture> LoadResPicture(std::int32_t id, std::int16_t kind) override;
  std::vector<std::uint8_t> LoadResData(std::int16_t id, const std::string& type) override;
  std::string GetSetting(const std::string& appName, const std::string& section,
                         const std::string& key, const std::string& defaultValue) override;
  void SaveSetting(const std::string& appName, const std::string& section, const std::string& key,
                   const std::string& setting) override;
  void Randomize() override;
  float Rnd() override;

 private:
  static void CALLBACK WatchdogTick(HWND, UINT, UINT_PTR, DWORD) noexcept;
  void DispatchOne(MSG& message);
  void RetireForm(Win32Form& form, bool destroyWindow);
  void MaybeQuit();
  void CheckEmbeddedForms();
  Win32Form* Find(const platform::Form& form) const;

  platform::AppDescription app_;
  HINSTANCE instance_;
  HANDLE instanceMutex_ = nullptr;
  bool prevInstance_ = false;
  int pixelsPerInchX_ = 96;
  int pixelsPerInchY_ = 96;
  HFONT dialogFont_ = nullptr;
  UINT_PTR watchdog_ = 0;
  bool startReturned_ = false;
  bool quitPosted_ = false;
  bool ending_ = false;
  std::function<void()> errorCleanup_;
  platform::RandomNumbers random_;
  std::vector<std::unique_ptr<Win32Form>> forms_;
  // Unloaded forms live until the message being dispatched has unwound.
  std::vector<std::unique_ptr<Win32Form>> unloaded_;
};

}  // namespace vss::win32
