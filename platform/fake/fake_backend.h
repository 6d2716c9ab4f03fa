// The recording backend: the shared runtime over windows that exist only as
// records. Every operation the behaviour asks of the runtime (through the
// runtime's trace) and of the OS calls is appended to one log, in order;
// answers come from scripted state. Tests read the log back and drive input
// through the same entry points a real backend uses.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/basWin32API.h"
#include "runtime/runtime.h"

namespace vss::fake {

// Thrown where the process would end (End, or the end after a runtime error).
struct Ended {
  int code;
};

class CallLog {
 public:
  void Add(std::string entry) { entries_.push_back(std::move(entry)); }
  const std::vector<std::string>& Entries() const { return entries_; }
  void Clear() { entries_.clear(); }
  // Entries that start with prefix, in order.
  std::vector<std::string> Matching(const std::string& prefix) const;
  // Index of the first entry starting with prefix, or -1.
  int IndexOf(const std::string& prefix) const;

 private:
  std::vector<std::string> entries_;
};

// What a window was asked to show.
struct Rendered {
  std::vector<runtime::PixelRect> Fills;
  std::vector<runtime::DrawOp> Draws;
  bool Clipped = false;
};

class FakeWindow;
struct FakeControl;

// Windows and controls by what they belong to, while they exist.
struct FakeRegistry {
  std::map<platform::WindowHandle, FakeWindow*> windows;
  std::map<const runtime::Control*, FakeControl*> controls;
};

class FakeWindow : public runtime::FormPeer {
 public:
  FakeWindow(FakeRegistry& registry, platform::WindowHandle handle, runtime::PixelRect bounds,
             int frameWidth, int frameHeight);
  ~FakeWindow() override { registry_.windows.erase(handle_); }
  platform::WindowHandle Handle() const override { return handle_; }
  void SetCaption(const std::string&) override {}
  runtime::PixelRect Bounds() const override { return bounds_; }
  int ClientWidth() const override;
  int ClientHeight() const override;
  void Move(int x, int y) override;
  void Resize(int width, int height) override;
  void Show() override { shown = true; }
  void Render(const std::vector<runtime::PixelRect>& fills,
              const std::vector<runtime::DrawOp>& draws, std::uint32_t backRgb,
              const runtime::PixelRect* clip) override;
  void Destroy() override { destroyed = true; }

  bool shown = false;
  bool destroyed = false;
  std::vector<Rendered> renders;

 private:
  FakeRegistry& registry_;
  platform::WindowHandle handle_;
  runtime::PixelRect bounds_;
  int frameWidth_, frameHeight_;
};

// A control's native side: it only remembers the last thing it was told.
struct FakeControl : runtime::ControlPeer {
  FakeControl(FakeRegistry& registry, const runtime::Control& control)
      : registry_(registry), control_(control) {
    registry_.controls[&control_] = this;
  }
  ~FakeControl() override { registry_.controls.erase(&control_); }
  void SetEnabled(bool value) override { enabled = value; }
  void SetChecked(bool value) override { checked = value; }
  void SetDefault(bool value) override { isDefault = value; }
  void InsertItem(int index, const std::string& text) override;
  void SetSelection(int index) override { selection = index; }
  void SetTimer(std::int32_t milliseconds) override { timer = milliseconds; }
  bool enabled = true, checked = false, isDefault = false;
  std::vector<std::string> items;
  int selection = -1;
  std::int32_t timer = 0;

 private:
  FakeRegistry& registry_;
  const runtime::Control& control_;
};

class FakeBackend : public runtime::Backend {
 public:
  explicit FakeBackend(CallLog& log) : log_(log) {}

  // Scripted state.
  bool PrevInstance = false;
  std::string CommandLineText;
  runtime::ScreenMetrics ScreenSize{1920, 1080, 96, 96};
  // Settings by "app\section\key"; absent keys read as absent.
  std::map<std::string, std::string> Settings;
  bool StoreUnreadable = false;
  bool StoreUnwritable = false;
  double Clock = 45296.5;  // seconds since midnight

  // Recorded.
  std::vector<std::string> ErrorsShown;
  bool QuitRequested = false;

  static std::string SettingKey(const std::string& app, const std::string& section,
                                const std::string& key);
  FakeWindow* Window(platform::WindowHandle handle) const;
  FakeControl* Peer(const runtime::Control& control) const;

  bool ClaimInstance(const std::string&) override { return PrevInstance; }
  std::string CommandLine() override { return CommandLineText; }
  runtime::ScreenMetrics Screen() override { return ScreenSize; }
  std::uint32_t SystemColor(int) override { return 0xF0F0F0; }
  std::unique_ptr<runtime::FormPeer> CreateForm(runtime::Form& form) override;
  runtime::ResourceBytes FindResource(const runtime::ResourceType& type, std::int32_t id) override;
  std::optional<std::string> ReadSetting(const std::string& app, const std::string& section,
                                         const std::string& key) override;
  void WriteSetting(const std::string& app, const std::string& section, const std::string& key,
                    const std::string& value) override;
  double SecondsSinceMidnight() override { return Clock; }
  void Quit() override { QuitRequested = true; }
  void ShowError(runtime::Form& owner, const std::string& title, const std::string& text) override;
  [[noreturn]] void Exit(int code) override;

 private:
  CallLog& log_;
  platform::WindowHandle nextHandle_ = 0x1000;
  FakeRegistry registry_;
};

// The shared runtime with scripted random numbers on top.
class FakeRuntime : public runtime::Runtime {
 public:
  FakeRuntime(FakeBackend& backend, CallLog& log);
  std::deque<float> RandomValues;  // next values of Rnd before the generator's own
  float Rnd() override;
};

class FakeWin32 : public platform::basWin32API {
 public:
  explicit FakeWin32(CallLog& log) : log_(log) {}

  // Scripted answers.
  platform::WindowHandle FoundWindow = 0;
  platform::WindowHandle DesktopWindow = 0x10010;
  platform::Rect DesktopRect{0, 0, 1920, 1080};
  // Client rectangles of the windows that exist; other handles fail.
  std::map<platform::WindowHandle, platform::Rect> Windows;
  std::int32_t Style = 0x06000000;  // WS_CLIPSIBLINGS | WS_CLIPCHILDREN
  bool HostGoesBeforeSetParent = false;
  // The address last handed to PlaySoundA, to check the bytes behind it.
  const void* LastSound = nullptr;
  // Called inside each PlaySoundA, to look at the program's state right then.
  std::function<void(const void* sound, std::int32_t flags)> OnPlaySound;
  std::int32_t CursorCount() const { return cursorCount_; }

  platform::WindowHandle FindWindowA(const char* lpClassName, const char* lpWindowName) override;
  platform::WindowHandle GetDesktopWindow() override;
  std::int32_t GetWindowRect(platform::WindowHandle hWnd, platform::Rect& lpRect) override;
  std::int32_t GetClientRect(platform::WindowHandle hWnd, platform::Rect& lpRect) override;
  std::int32_t GetWindowLongA(platform::WindowHandle hWnd, std::int32_t nIndex) override;
  std::int32_t SetWindowLongA(platform::WindowHandle hWnd, std::int32_t nIndex,
                              std::int32_t dwNewLong) override;
  platform::WindowHandle SetParent(platform::WindowHandle hWndChild,
                                   platform::WindowHandle hWndNewParent) override;
  std::int32_t SetWindowPos(platform::WindowHandle hWnd, platform::WindowHandle hWndInsertAfter,
                            std::int32_t x, std::int32_t y, std::int32_t cx, std::int32_t cy,
                            std::int32_t wFlags) override;
  std::int32_t ShowCursor(std::int32_t bShow) override;
  std::int32_t PlaySoundA(const void* pszSound, platform::WindowHandle hmod,
                          std::int32_t fdwSound) override;

 private:
  CallLog& log_;
  std::int32_t cursorCount_ = 0;
};

}  // namespace vss::fake
