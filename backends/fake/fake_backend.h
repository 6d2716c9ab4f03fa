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

#include "api/basWin32API.h"
#include "runtime/cursor_count.h"
#include "runtime/forms_runtime.h"

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
  std::vector<std::string> Matching(const std::string& prefix) const {
    std::vector<std::string> found;
    for (const auto& entry : entries_) {
      if (entry.rfind(prefix, 0) == 0) found.push_back(entry);
    }
    return found;
  }
  // Index of the first entry starting with prefix, or -1.
  int IndexOf(const std::string& prefix) const {
    for (std::size_t i = 0; i < entries_.size(); ++i) {
      if (entries_[i].rfind(prefix, 0) == 0) return static_cast<int>(i);
    }
    return -1;
  }

 private:
  std::vector<std::string> entries_;
};

// What a window was asked to show.
struct Rendered {
  std::vector<runtime::PixelRect> Fills;
  std::vector<runtime::DrawOp> Draws;
  bool Clipped = false;
};

// A control's native side: it only remembers the last thing it was told.
struct FakeControl : runtime::ControlPeer {
  void SetChecked(bool value) override { checked = value; }
  void SetDefault(bool value) override { isDefault = value; }
  void InsertItem(int index, const std::string& text) override {
    items.insert(items.begin() + index, text);
  }
  void SetTimer(std::int32_t milliseconds) override { timer = milliseconds; }
  bool checked = false, isDefault = false;
  std::vector<std::string> items;
  std::int32_t timer = 0;
};

class FakeForm : public runtime::FormPeer {
 public:
  FakeForm(WindowHandle handle, runtime::PixelRect bounds, int frameWidth, int frameHeight)
      : handle_(handle), bounds_(bounds), frameWidth_(frameWidth), frameHeight_(frameHeight) {}
  WindowHandle Handle() const override { return handle_; }
  void SetCaption(const std::string&) override {}
  runtime::PixelRect Bounds() const override { return bounds_; }
  int ClientWidth() const override { return bounds_.right - bounds_.left - frameWidth_; }
  int ClientHeight() const override { return bounds_.bottom - bounds_.top - frameHeight_; }
  void Move(int x, int y) override {
    bounds_ = {x, y, x + bounds_.right - bounds_.left, y + bounds_.bottom - bounds_.top};
  }
  void Resize(int width, int height) override {
    bounds_ = {bounds_.left, bounds_.top, bounds_.left + width, bounds_.top + height};
  }
  void Show() override {}
  void Render(const std::vector<runtime::PixelRect>& fills,
              const std::vector<runtime::DrawOp>& draws, std::uint32_t,
              const runtime::PixelRect* clip) override {
    renders.push_back({fills, draws, clip != nullptr});
  }
  void Destroy() override { destroyed = true; }

  bool destroyed = false;
  std::vector<Rendered> renders;
  std::map<const runtime::LoadedControl*, FakeControl*> controls;

 private:
  WindowHandle handle_;
  runtime::PixelRect bounds_;
  int frameWidth_, frameHeight_;
};

class FakeBackend : public runtime::Backend {
 public:
  explicit FakeBackend(CallLog& log) : log_(log) {}

  // Scripted state.
  bool PrevInstance = false;
  std::string CommandLineText;
  runtime::ScreenMetrics ScreenSize{1920, 1080, 96, 96};
  // Settings by key (the trace shows the program's and section's names);
  // absent keys read as absent.
  std::map<std::string, std::string> Settings;

  // Recorded.
  std::vector<std::string> ErrorsShown;
  bool QuitRequested = false;

  bool ClaimInstance(const std::string&) override { return PrevInstance; }
  std::string CommandLine() override { return CommandLineText; }
  runtime::ScreenMetrics Screen() override { return ScreenSize; }
  std::uint32_t SystemColor(int) override { return 0xF0F0F0; }
  std::unique_ptr<runtime::FormPeer> CreateForm(runtime::LoadedForm& form) override;
  runtime::ResourceBytes FindResource(const runtime::ResourceType& type, std::int32_t id) override {
    return runtime::FindEmbeddedResource(type, id);
  }
  std::optional<std::string> ReadSetting(const std::string&, const std::string&,
                                         const std::string& key) override {
    const auto found = Settings.find(key);
    return found == Settings.end() ? std::nullopt : std::optional<std::string>(found->second);
  }
  void WriteSetting(const std::string&, const std::string&, const std::string& key,
                    const std::string& value) override {
    Settings[key] = value;
  }
  double SecondsSinceMidnight() override { return 45296.5; }
  void Quit() override { QuitRequested = true; }
  void ShowError(runtime::LoadedForm& owner, const std::string& title,
                 const std::string& text) override {
    log_.Add("MsgBox(" + owner.Name() + "," + title + ")");
    ErrorsShown.push_back(text);
  }
  [[noreturn]] void Exit(int code) override { throw Ended{code}; }

 private:
  CallLog& log_;
  WindowHandle nextHandle_ = 0x1000;
};

// The shared runtime with scripted random numbers on top.
class FakeRuntime : public runtime::FormsRuntime {
 public:
  FakeRuntime(FakeBackend& backend, CallLog& log);
  std::deque<float> RandomValues;  // next values of Rnd before the generator's own
  float Rnd() override;
};

// Each call is logged as "name(arg,arg,...)".
class FakeAPI : public basWin32API {
 public:
  explicit FakeAPI(CallLog& log) : log_(log) {}

  static constexpr WindowHandle DesktopWindow = 0x10010;

  // Scripted answers.
  WindowHandle FoundWindow = 0;
  Rect DesktopRect{0, 0, 1920, 1080};
  // Client rectangles of the windows that exist; other handles fail.
  std::map<WindowHandle, Rect> Windows;
  bool HostGoesBeforeSetParent = false;
  // Called inside each PlaySoundA, to look at the program's state right then.
  std::function<void(const void* sound, std::int32_t flags)> OnPlaySound;
  std::int32_t CursorCount() const { return cursor_.Count(); }

  WindowHandle FindWindowA(const char* lpClassName, const char* lpWindowName) override {
    Log("FindWindowA", lpClassName, lpWindowName);
    return FoundWindow;
  }
  WindowHandle GetDesktopWindow() override {
    log_.Add("GetDesktopWindow");
    return DesktopWindow;
  }
  std::int32_t GetWindowRect(WindowHandle hWnd, Rect& lpRect) override {
    Log("GetWindowRect", hWnd);
    if (hWnd == DesktopWindow) lpRect = DesktopRect;
    return hWnd == DesktopWindow;
  }
  std::int32_t GetClientRect(WindowHandle hWnd, Rect& lpRect) override {
    Log("GetClientRect", hWnd);
    if (Windows.count(hWnd) != 0) lpRect = Windows[hWnd];
    return static_cast<std::int32_t>(Windows.count(hWnd));
  }
  std::int32_t GetWindowLongA(WindowHandle hWnd, std::int32_t nIndex) override {
    Log("GetWindowLongA", hWnd, nIndex);
    return nIndex == GWL_STYLE ? 0x06000000 : 0;  // WS_CLIPSIBLINGS | WS_CLIPCHILDREN
  }
  std::int32_t SetWindowLongA(WindowHandle hWnd, std::int32_t nIndex,
                              std::int32_t dwNewLong) override {
    Log("SetWindowLongA", hWnd, nIndex, dwNewLong);
    return 0;
  }
  WindowHandle SetParent(WindowHandle hWndChild, WindowHandle hWndNewParent) override {
    Log("SetParent", hWndChild, hWndNewParent);
    if (HostGoesBeforeSetParent) Windows.erase(hWndNewParent);
    // The previous parent of a top-level window is the desktop; 0 is failure.
    return Windows.count(hWndNewParent) != 0 ? DesktopWindow : 0;
  }
  std::int32_t SetWindowPos(WindowHandle hWnd, WindowHandle hWndInsertAfter, std::int32_t x,
                            std::int32_t y, std::int32_t cx, std::int32_t cy,
                            std::int32_t wFlags) override {
    Log("SetWindowPos", hWnd, hWndInsertAfter, x, y, cx, cy, wFlags);
    return 1;
  }
  std::int32_t ShowCursor(std::int32_t bShow) override {
    Log("ShowCursor", bShow);
    return cursor_.Move(bShow != 0);
  }
  std::int32_t PlaySoundA(const void* pszSound, WindowHandle hmod, std::int32_t fdwSound) override {
    if (OnPlaySound) OnPlaySound(pszSound, fdwSound);
    Log("PlaySoundA", pszSound ? "sound" : "null", hmod, fdwSound);
    return 1;
  }

 private:
  static std::string Text(const char* text) { return text ? text : "null"; }
  template <typename Number>
  static std::string Text(Number number) {
    return std::to_string(number);
  }
  template <typename... Args>
  void Log(const char* name, const Args&... args) {
    std::string entry = std::string(name) + "(";
    const char* separator = "";
    ((entry += separator + Text(args), separator = ","), ...);
    log_.Add(entry + ")");
  }

  CallLog& log_;
  runtime::CursorCount cursor_;
};

}  // namespace vss::fake
