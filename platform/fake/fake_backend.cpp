#include "platform/fake/fake_backend.h"

#include <algorithm>

namespace vss::fake {

// ---- CallLog ---------------------------------------------------------------------

std::vector<std::string> CallLog::Matching(const std::string& prefix) const {
  std::vector<std::string> found;
  for (const auto& entry : entries_) {
    if (entry.rfind(prefix, 0) == 0) found.push_back(entry);
  }
  return found;
}

int CallLog::IndexOf(const std::string& prefix) const {
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    if (entries_[i].rfind(prefix, 0) == 0) return static_cast<int>(i);
  }
  return -1;
}

// ---- Windows and controls -------------------------------------------------------

FakeWindow::FakeWindow(FakeRegistry& registry, platform::WindowHandle handle,
                       runtime::PixelRect bounds, int frameWidth, int frameHeight)
    : registry_(registry),
      handle_(handle),
      bounds_(bounds),
      frameWidth_(frameWidth),
      frameHeight_(frameHeight) {
  registry_.windows[handle] = this;
}

int FakeWindow::ClientWidth() const {
  return std::max(0, bounds_.right - bounds_.left - frameWidth_);
}

int FakeWindow::ClientHeight() const {
  return std::max(0, bounds_.bottom - bounds_.top - frameHeight_);
}

void FakeWindow::Move(int x, int y) {
  bounds_ = {x, y, x + bounds_.right - bounds_.left, y + bounds_.bottom - bounds_.top};
}

void FakeWindow::Resize(int width, int height) {
  bounds_.right = bounds_.left + width;
  bounds_.bottom = bounds_.top + height;
}

void FakeWindow::Render(const std::vector<runtime::PixelRect>& fills,
                        const std::vector<runtime::DrawOp>& draws, std::uint32_t,
                        const runtime::PixelRect* clip) {
  renders.push_back({fills, draws, clip != nullptr});
}

void FakeControl::InsertItem(int index, const std::string& text) {
  items.insert(items.begin() + index, text);
}

// ---- FakeBackend ------------------------------------------------------------------

std::string FakeBackend::SettingKey(const std::string& app, const std::string& section,
                                    const std::string& key) {
  return app + "\\" + section + "\\" + key;
}

FakeWindow* FakeBackend::Window(platform::WindowHandle handle) const {
  const auto found = registry_.windows.find(handle);
  return found == registry_.windows.end() ? nullptr : found->second;
}

FakeControl* FakeBackend::Peer(const runtime::Control& control) const {
  const auto found = registry_.controls.find(&control);
  return found == registry_.controls.end() ? nullptr : found->second;
}

std::unique_ptr<runtime::FormPeer> FakeBackend::CreateForm(runtime::Form& form) {
  const auto& design = form.Design();
  const runtime::Units& units = form.Owner().Metrics();
  // A sizable frame adds a border and a caption bar around the client area.
  const bool framed = design.Border == platform::BorderStyle::Sizable;
  const int frameWidth = framed ? 8 : 0;
  const int frameHeight = framed ? 27 : 0;
  const runtime::PixelRect bounds{0, 0, units.PixelsX(design.ClientWidth) + frameWidth,
                                  units.PixelsY(design.ClientHeight) + frameHeight};
  auto window =
      std::make_unique<FakeWindow>(registry_, nextHandle_, bounds, frameWidth, frameHeight);
  nextHandle_ += 0x10;
  for (const auto& control : form.Controls()) {
    control->Attach(std::make_unique<FakeControl>(registry_, *control));
  }
  return window;
}

runtime::ResourceBytes FakeBackend::FindResource(const runtime::ResourceType& type,
                                                 std::int32_t id) {
  return runtime::FindEmbeddedResource(type, id);
}

std::optional<std::string> FakeBackend::ReadSetting(const std::string& app,
                                                    const std::string& section,
                                                    const std::string& key) {
  if (StoreUnreadable) {
    throw RuntimeError(ErrorNumber::InvalidProcedureCall, "The settings could not be read.");
  }
  const auto found = Settings.find(SettingKey(app, section, key));
  if (found == Settings.end()) return std::nullopt;
  return found->second;
}

void FakeBackend::WriteSetting(const std::string& app, const std::string& section,
                               const std::string& key, const std::string& value) {
  if (StoreUnwritable) {
    throw RuntimeError(ErrorNumber::InvalidProcedureCall, "Your options could not be saved.");
  }
  Settings[SettingKey(app, section, key)] = value;
}

void FakeBackend::ShowError(runtime::Form& owner, const std::string& title,
                            const std::string& text) {
  log_.Add("MsgBox(" + owner.Name() + "," + title + ")");
  ErrorsShown.push_back(text);
}

void FakeBackend::Exit(int code) { throw Ended{code}; }

// ---- FakeRuntime --------------------------------------------------------------------

FakeRuntime::FakeRuntime(FakeBackend& backend, CallLog& log)
    : runtime::Runtime(backend, platform::AppDescription{"Vorlan Screen Saver 2"}) {
  SetTrace([&log](const std::string& entry) { log.Add(entry); });
}

float FakeRuntime::Rnd() {
  if (RandomValues.empty()) return runtime::Runtime::Rnd();
  const float value = RandomValues.front();
  RandomValues.pop_front();
  Trace("Rnd=" + runtime::FormatNumber(value));
  return value;
}

// ---- FakeWin32 ----------------------------------------------------------------------

platform::WindowHandle FakeWin32::FindWindowA(const char* lpClassName, const char* lpWindowName) {
  log_.Add(std::string("FindWindowA(") + (lpClassName ? lpClassName : "null") + "," +
           (lpWindowName ? lpWindowName : "null") + ")");
  return FoundWindow;
}

platform::WindowHandle FakeWin32::GetDesktopWindow() {
  log_.Add("GetDesktopWindow");
  return DesktopWindow;
}

std::int32_t FakeWin32::GetWindowRect(platform::WindowHandle hWnd, platform::Rect& lpRect) {
  log_.Add("GetWindowRect(" + std::to_string(hWnd) + ")");
  if (hWnd != DesktopWindow) return 0;
  lpRect = DesktopRect;
  return 1;
}

std::int32_t FakeWin32::GetClientRect(platform::WindowHandle hWnd, platform::Rect& lpRect) {
  log_.Add("GetClientRect(" + std::to_string(hWnd) + ")");
  const auto found = Windows.find(hWnd);
  if (found == Windows.end()) return 0;
  lpRect = found->second;
  return 1;
}

std::int32_t FakeWin32::GetWindowLongA(platform::WindowHandle hWnd, std::int32_t nIndex) {
  log_.Add("GetWindowLongA(" + std::to_string(hWnd) + "," + std::to_string(nIndex) + ")");
  return nIndex == platform::GWL_STYLE ? Style : 0;
}

std::int32_t FakeWin32::SetWindowLongA(platform::WindowHandle hWnd, std::int32_t nIndex,
                                       std::int32_t dwNewLong) {
  log_.Add("SetWindowLongA(" + std::to_string(hWnd) + "," + std::to_string(nIndex) + "," +
           std::to_string(dwNewLong) + ")");
  return 0;
}

platform::WindowHandle FakeWin32::SetParent(platform::WindowHandle hWndChild,
                                            platform::WindowHandle hWndNewParent) {
  log_.Add("SetParent(" + std::to_string(hWndChild) + "," + std::to_string(hWndNewParent) + ")");
  // The previous parent of a top-level window is the desktop; 0 is failure.
  if (HostGoesBeforeSetParent) Windows.erase(hWndNewParent);
  return Windows.count(hWndNewParent) != 0 ? DesktopWindow : 0;
}

std::int32_t FakeWin32::SetWindowPos(platform::WindowHandle hWnd,
                                     platform::WindowHandle hWndInsertAfter, std::int32_t x,
                                     std::int32_t y, std::int32_t cx, std::int32_t cy,
                                     std::int32_t wFlags) {
  log_.Add("SetWindowPos(" + std::to_string(hWnd) + "," + std::to_string(hWndInsertAfter) + "," +
           std::to_string(x) + "," + std::to_string(y) + "," + std::to_string(cx) + "," +
           std::to_string(cy) + "," + std::to_string(wFlags) + ")");
  return 1;
}

std::int32_t FakeWin32::ShowCursor(std::int32_t bShow) {
  cursorCount_ += bShow != 0 ? 1 : -1;
  log_.Add("ShowCursor(" + std::to_string(bShow) + ")");
  return cursorCount_;
}

std::int32_t FakeWin32::PlaySoundA(const void* pszSound, platform::WindowHandle hmod,
                                   std::int32_t fdwSound) {
  LastSound = pszSound;
  if (OnPlaySound) OnPlaySound(pszSound, fdwSound);
  log_.Add(std::string("PlaySoundA(") + (pszSound ? "sound" : "null") + "," +
           std::to_string(hmod) + "," + std::to_string(fdwSound) + ")");
  return 1;
}

}  // namespace vss::fake
