// A recording backend: every operation the behaviour asks of the runtime or
// of the declared OS calls is appended to one log, in order, with its
// arguments; answers come from scripted state. Unit tests read the log back.
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
#include "platform/runtime.h"

namespace vss::fake {

// Thrown by End(): the process would end here.
struct EndRequested {};

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

// Floats as the log shows them: shortest text that reads back the same.
std::string FormatNumber(double value);

class FakeRuntime;

class FakePicture : public platform::Picture {
 public:
  FakePicture(std::int32_t id, std::int32_t width, std::int32_t height)
      : id_(id), width_(width), height_(height) {}
  std::int32_t Id() const { return id_; }
  std::int32_t Width() const override { return width_; }
  std::int32_t Height() const override { return height_; }

 private:
  std::int32_t id_, width_, height_;
};

class FakeControl : public platform::Control {
 public:
  FakeControl(FakeRuntime& runtime, class FakeForm& form, platform::ControlDesign design);

  platform::ControlKind Kind() const override { return design_.Kind; }
  const platform::ControlDesign& Design() const { return design_; }
  std::string Label() const;  // "cmdCommand(1)" or "tmrTimer"

  void SetInterval(std::int32_t milliseconds) override;
  std::int32_t Interval() const override;
  void SetEnabled(Boolean enabled) override;
  Boolean Enabled() const override { return enabled_; }
  void SetValue(Boolean value) override;
  Boolean Value() const override;
  void SetDefault(Boolean isDefault) override;
  Boolean Default() const override;
  void AddItem(const std::string& text, std::int16_t index) override;
  void SetItemData(std::int16_t index, std::int32_t data) override;
  std::int32_t ItemData(std::int16_t index) const override;
  std::int16_t ListCount() const override;
  void SetListIndex(std::int16_t index) override;
  std::int16_t ListIndex() const override;
  std::string List(std::int16_t index) const override;

 private:
  void Require(platform::ControlKind kind, const char* what) const;
  void CheckIndex(std::int16_t index) const;

  FakeRuntime& runtime_;
  class FakeForm& form_;
  platform::ControlDesign design_;
  std::int32_t interval_ = 0;
  Boolean enabled_ = True;
  Boolean value_ = False;
  Boolean default_ = False;
  std::vector<std::pair<std::string, std::int32_t>> items_;
  std::int16_t listIndex_ = -1;
};

class FakeForm : public platform::Form {
 public:
  FakeForm(FakeRuntime& runtime, platform::FormModule& code, const platform::FormDesign& design,
           platform::WindowHandle handle);

  const std::string& Name() const { return design_.Name; }
  platform::FormModule& Code() { return code_; }
  bool IsLoaded() const { return loaded_; }
  void MarkUnloaded() { loaded_ = false; }
  bool Shown() const { return shown_; }
  Boolean AutoRedraw() const { return autoRedraw_; }
  std::int32_t BackColor() const { return backColor_; }
  // The picture ids drawn since the last Cls, as the persistent image holds them.
  const std::vector<std::int32_t>& Drawn() const { return drawn_; }

  void SetCaption(const std::string& caption) override;
  std::string Caption() const override { return caption_; }
  void SetAutoRedraw(Boolean autoRedraw) override;
  void SetBackColor(std::int32_t color) override;
  float Width() const override { return width_; }
  void SetWidth(float twips) override;
  float Height() const override { return height_; }
  void SetHeight(float twips) override;
  float Left() const override { return left_; }
  void SetLeft(float twips) override;
  float Top() const override { return top_; }
  void SetTop(float twips) override;
  platform::WindowHandle hWnd() const override { return handle_; }
  void Cls() override;
  void PaintPicture(const platform::Picture& picture, float x, float y, float width,
                    float height) override;
  void Show(std::int32_t modal) override;
  platform::Control& Controls(const std::string& name, std::int16_t index = 0) override;

  FakeControl* FindControl(const std::string& name, std::int16_t index);
  std::vector<FakeControl*> ControlsIn(const std::string& container);

 private:
  FakeRuntime& runtime_;
  platform::FormModule& code_;
  platform::FormDesign design_;
  platform::WindowHandle handle_;
  bool loaded_ = true;
  bool shown_ = false;
  std::string caption_;
  Boolean autoRedraw_ = False;
  std::int32_t backColor_ = 0x8000000F;
  float width_ = 0, height_ = 0, left_ = 0, top_ = 0;
  std::vector<std::int32_t> drawn_;
  std::vector<std::unique_ptr<FakeControl>> controls_;
};

class FakeRuntime : public platform::Runtime {
 public:
  explicit FakeRuntime(CallLog& log);

  // Scripted state.
  std::string Title = "Vorlan Screen Saver 2";
  Boolean PrevInstance = False;
  std::string CommandLine;
  float TwipsX = 15, TwipsY = 15;
  float ScreenWidthTwips = 1920 * 15, ScreenHeightTwips = 1080 * 15;
  // Settings by "app\section\key"; absent keys read as the default.
  std::map<std::string, std::string> Settings;
  std::deque<float> RandomValues;  // next values of Rnd; 0.5 when empty
  bool LogSettingsReads = true;

  static std::string SettingKey(const std::string& app, const std::string& section,
                                const std::string& key);

  std::string AppTitle() override;
  Boolean AppPrevInstance() override;
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

  // The loaded form of that name, or null.
  FakeForm* FindForm(const std::string& name);
  std::size_t LoadedForms() const;
  CallLog& Log() { return log_; }

 private:
  CallLog& log_;
  std::vector<std::unique_ptr<FakeForm>> forms_;
  platform::WindowHandle nextHandle_ = 0x1000;
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
  // The address last handed to PlaySoundA, to check the bytes behind it.
  const void* LastSound = nullptr;
  // Called inside each PlaySoundA, to look at the program's state right then.
  std::function<void(const void* sound, std::int32_t flags)> OnPlaySound;

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

  std::int32_t CursorCount() const { return cursorCount_; }

 private:
  CallLog& log_;
  std::int32_t cursorCount_ = 0;
};

// Reads a file of the committed media (frames, clip) by name.
std::vector<std::uint8_t> ReadMedia(const std::string& name);

}  // namespace vss::fake
