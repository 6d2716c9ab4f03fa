#include "platform/fake/fake_backend.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>
#include <sstream>

#include "platform/vbnum.h"

namespace vss::fake {

using platform::ControlKind;

std::vector<std::string> CallLog::Matching(const std::string& prefix) const {
  std::vector<std::string> result;
  for (const auto& entry : entries_) {
    if (entry.rfind(prefix, 0) == 0) result.push_back(entry);
  }
  return result;
}

int CallLog::IndexOf(const std::string& prefix) const {
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    if (entries_[i].rfind(prefix, 0) == 0) return static_cast<int>(i);
  }
  return -1;
}

std::string FormatNumber(double value) {
  std::ostringstream out;
  out.precision(9);
  out << value;
  return out.str();
}

std::vector<std::uint8_t> ReadMedia(const std::string& name) {
  // The media never change while tests run; read each file once.
  static std::map<std::string, std::vector<std::uint8_t>> cache;
  const auto cached = cache.find(name);
  if (cached != cache.end()) return cached->second;
  std::ifstream in(std::string(VSS_MEDIA_DIR) + "/" + name, std::ios::binary);
  if (!in) throw RuntimeError(ErrorNumber::ResourceNotFound, "Resource not found: " + name);
  std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in),
                                  std::istreambuf_iterator<char>()};
  return cache.emplace(name, std::move(bytes)).first->second;
}

// ---- FakeControl ---------------------------------------------------------

FakeControl::FakeControl(FakeRuntime& runtime, FakeForm& form, platform::ControlDesign design)
    : runtime_(runtime), form_(form), design_(std::move(design)) {}

std::string FakeControl::Label() const {
  bool inArray = false;
  for (auto* other : form_.ControlsIn(design_.Container)) {
    if (other != this && other->design_.Name == design_.Name) inArray = true;
  }
  return inArray ? design_.Name + "(" + std::to_string(design_.Index) + ")" : design_.Name;
}

void FakeControl::Require(ControlKind kind, const char* what) const {
  if (design_.Kind != kind) {
    throw RuntimeError(ErrorNumber::NotSupported,
                       std::string("Object doesn't support this property or method: ") + what);
  }
}

void FakeControl::CheckIndex(std::int16_t index) const {
  if (index < 0 || static_cast<std::size_t>(index) >= items_.size()) {
    throw RuntimeError(ErrorNumber::InvalidPropertyArrayIndex, "Invalid property array index");
  }
}

void FakeControl::SetInterval(std::int32_t milliseconds) {
  Require(ControlKind::Timer, "Interval");
  interval_ = milliseconds;
  runtime_.Log().Add(Label() + ".Interval=" + std::to_string(milliseconds));
}

std::int32_t FakeControl::Interval() const {
  Require(ControlKind::Timer, "Interval");
  return interval_;
}

void FakeControl::SetEnabled(Boolean enabled) {
  enabled_ = enabled;
  runtime_.Log().Add(Label() + ".Enabled=" + std::to_string(enabled));
}

void FakeControl::SetValue(Boolean value) {
  Require(ControlKind::OptionButton, "Value");
  runtime_.Log().Add(Label() + ".Value=" + std::to_string(value));
  const bool raise = value != False && value_ == False;
  value_ = CBool(value != False);
  if (!raise) return;
  for (auto* other : form_.ControlsIn(design_.Container)) {
    if (other != this && other->design_.Kind == ControlKind::OptionButton) other->value_ = False;
  }
  runtime_.Log().Add(Label() + "_Click");
  form_.Code().ControlEvent(design_.Name, design_.Index);
}

Boolean FakeControl::Value() const {
  Require(ControlKind::OptionButton, "Value");
  return value_;
}

void FakeControl::SetDefault(Boolean isDefault) {
  Require(ControlKind::CommandButton, "Default");
  default_ = isDefault;
  runtime_.Log().Add(Label() + ".Default=" + std::to_string(isDefault));
}

Boolean FakeControl::Default() const {
  Require(ControlKind::CommandButton, "Default");
  return default_;
}

void FakeControl::AddItem(const std::string& text, std::int16_t index) {
  Require(ControlKind::ComboBox, "AddItem");
  if (index < 0 || static_cast<std::size_t>(index) > items_.size()) {
    throw RuntimeError(ErrorNumber::InvalidProcedureCall, "Invalid procedure call");
  }
  items_.insert(items_.begin() + index, {text, 0});
  runtime_.Log().Add(Label() + ".AddItem(" + text + "," + std::to_string(index) + ")");
}

void FakeControl::SetItemData(std::int16_t index, std::int32_t data) {
  Require(ControlKind::ComboBox, "ItemData");
  CheckIndex(index);
  items_[static_cast<std::size_t>(index)].second = data;
  runtime_.Log().Add(Label() + ".ItemData(" + std::to_string(index) + ")=" + std::to_string(data));
}

std::int32_t FakeControl::ItemData(std::int16_t index) const {
  Require(ControlKind::ComboBox, "ItemData");
  CheckIndex(index);
  return items_[static_cast<std::size_t>(index)].second;
}

std::int16_t FakeControl::ListCount() const {
  Require(ControlKind::ComboBox, "ListCount");
  return static_cast<std::int16_t>(items_.size());
}

void FakeControl::SetListIndex(std::int16_t index) {
  Require(ControlKind::ComboBox, "ListIndex");
  if (index != -1) CheckIndex(index);
  listIndex_ = index;
  runtime_.Log().Add(Label() + ".ListIndex=" + std::to_string(index));
}

std::int16_t FakeControl::ListIndex() const {
  Require(ControlKind::ComboBox, "ListIndex");
  return listIndex_;
}

std::string FakeControl::List(std::int16_t index) const {
  Require(ControlKind::ComboBox, "List");
  CheckIndex(index);
  return items_[static_cast<std::size_t>(index)].first;
}

// ---- FakeForm -------------------------------------------------------------

FakeForm::FakeForm(FakeRuntime& runtime, platform::FormModule& code,
                   const platform::FormDesign& design, platform::WindowHandle handle)
    : runtime_(runtime), code_(code), design_(design), handle_(handle), caption_(design.Caption) {
  if (design.ClientWidth > 0) {
    // A sizable frame adds a border and a caption bar around the client area.
    width_ = static_cast<float>(design.ClientWidth + 120);
    height_ = static_cast<float>(design.ClientHeight + 405);
  }
  for (const auto& control : design.Controls) {
    controls_.push_back(std::make_unique<FakeControl>(runtime, *this, control));
  }
}

void FakeForm::SetCaption(const std::string& caption) {
  caption_ = caption;
  runtime_.Log().Add(Name() + ".Caption=" + caption);
}

void FakeForm::SetAutoRedraw(Boolean autoRedraw) {
  autoRedraw_ = autoRedraw;
  runtime_.Log().Add(Name() + ".AutoRedraw=" + std::to_string(autoRedraw));
}

void FakeForm::SetBackColor(std::int32_t color) {
  backColor_ = color;
  runtime_.Log().Add(Name() + ".BackColor=" + std::to_string(color));
}

void FakeForm::SetWidth(float twips) {
  width_ = twips;
  runtime_.Log().Add(Name() + ".Width=" + FormatNumber(twips));
}

void FakeForm::SetHeight(float twips) {
  height_ = twips;
  runtime_.Log().Add(Name() + ".Height=" + FormatNumber(twips));
}

void FakeForm::SetLeft(float twips) {
  left_ = twips;
  runtime_.Log().Add(Name() + ".Left=" + FormatNumber(twips));
}

void FakeForm::SetTop(float twips) {
  top_ = twips;
  runtime_.Log().Add(Name() + ".Top=" + FormatNumber(twips));
}

void FakeForm::Cls() {
  drawn_.clear();
  runtime_.Log().Add(Name() + ".Cls");
}

void FakeForm::PaintPicture(const platform::Picture& picture, float x, float y, float width,
                            float height) {
  const auto& fake = dynamic_cast<const FakePicture&>(picture);
  drawn_.push_back(fake.Id());
  runtime_.Log().Add(Name() + ".PaintPicture(" + std::to_string(fake.Id()) + "," + FormatNumber(x) +
                     "," + FormatNumber(y) + "," + FormatNumber(width) + "," +
                     FormatNumber(height) + ")");
}

void FakeForm::Show(std::int32_t modal) {
  shown_ = true;
  runtime_.Log().Add(Name() + ".Show(" + std::to_string(modal) + ")");
}

FakeControl* FakeForm::FindControl(const std::string& name, std::int16_t index) {
  for (auto& control : controls_) {
    if (control->Design().Name == name && control->Design().Index == index) return control.get();
  }
  return nullptr;
}

platform::Control& FakeForm::Controls(const std::string& name, std::int16_t index) {
  if (auto* control = FindControl(name, index)) return *control;
  throw RuntimeError(ErrorNumber::InvalidPropertyArrayIndex, "No control " + name);
}

std::vector<FakeControl*> FakeForm::ControlsIn(const std::string& container) {
  std::vector<FakeControl*> result;
  for (auto& control : controls_) {
    if (control->Design().Container == container) result.push_back(control.get());
  }
  return result;
}

// ---- FakeRuntime ----------------------------------------------------------

FakeRuntime::FakeRuntime(CallLog& log) : log_(log) {}

std::string FakeRuntime::SettingKey(const std::string& app, const std::string& section,
                                    const std::string& key) {
  return app + "\\" + section + "\\" + key;
}

std::string FakeRuntime::AppTitle() { return Title; }

Boolean FakeRuntime::AppPrevInstance() {
  log_.Add("App.PrevInstance");
  return PrevInstance;
}

void FakeRuntime::End() {
  log_.Add("End");
  throw EndRequested{};
}

std::string FakeRuntime::Command() {
  log_.Add("Command");
  return CommandLine;
}

float FakeRuntime::TwipsPerPixelX() { return TwipsX; }
float FakeRuntime::TwipsPerPixelY() { return TwipsY; }
float FakeRuntime::ScreenWidth() { return ScreenWidthTwips; }
float FakeRuntime::ScreenHeight() { return ScreenHeightTwips; }

platform::Form& FakeRuntime::Load(platform::FormModule& code, const platform::FormDesign& design) {
  log_.Add("Load " + design.Name);
  forms_.push_back(std::make_unique<FakeForm>(*this, code, design, nextHandle_));
  nextHandle_ += 0x10;
  FakeForm& form = *forms_.back();
  code.Bind(&form);
  code.Form_Load();
  return form;
}

void FakeRuntime::Unload(platform::Form& form) {
  auto& fake = dynamic_cast<FakeForm&>(form);
  if (!fake.IsLoaded()) return;
  log_.Add("Unload " + fake.Name());
  std::int16_t cancel = 0;
  fake.Code().Form_Unload(cancel);
  if (cancel != 0) return;
  fake.MarkUnloaded();
  fake.Code().Bind(nullptr);
}

std::unique_ptr<platform::Picture> FakeRuntime::LoadResPicture(std::int32_t id, std::int16_t kind) {
  log_.Add("LoadResPicture(" + std::to_string(id) + "," + std::to_string(kind) + ")");
  if (kind != 0) throw RuntimeError(ErrorNumber::InvalidProcedureCall, "Invalid procedure call");
  const auto bytes = ReadMedia("frame" + std::to_string(id) + ".bmp");
  auto field = [&](std::size_t offset) {
    return static_cast<std::int32_t>(bytes.at(offset) | bytes.at(offset + 1) << 8 |
                                     bytes.at(offset + 2) << 16 | bytes.at(offset + 3) << 24);
  };
  const std::int32_t pixelsWide = field(18);
  const std::int32_t pixelsHigh = std::abs(field(22));
  // HIMETRIC from pixels at the screen's pixels per inch (1440 / twips per pixel).
  const auto himetric = [](std::int32_t pixels, float twipsPerPixel) {
    return static_cast<std::int32_t>(std::lround(pixels * 2540.0 * twipsPerPixel / 1440.0));
  };
  return std::make_unique<FakePicture>(id, himetric(pixelsWide, TwipsX),
                                       himetric(pixelsHigh, TwipsY));
}

std::vector<std::uint8_t> FakeRuntime::LoadResData(std::int16_t id, const std::string& type) {
  log_.Add("LoadResData(" + std::to_string(id) + "," + type + ")");
  if (type != "WAVE") throw RuntimeError(ErrorNumber::ResourceNotFound, "Resource not found");
  return ReadMedia("clip" + std::to_string(id) + ".wav");
}

std::string FakeRuntime::GetSetting(const std::string& appName, const std::string& section,
                                    const std::string& key, const std::string& defaultValue) {
  if (LogSettingsReads) {
    log_.Add("GetSetting(" + appName + "," + section + "," + key + "," + defaultValue + ")");
  }
  const auto found = Settings.find(SettingKey(appName, section, key));
  return found == Settings.end() ? defaultValue : found->second;
}

void FakeRuntime::SaveSetting(const std::string& appName, const std::string& section,
                              const std::string& key, const std::string& setting) {
  log_.Add("SaveSetting(" + appName + "," + section + "," + key + "," + setting + ")");
  Settings[SettingKey(appName, section, key)] = setting;
}

void FakeRuntime::Randomize() { log_.Add("Randomize"); }

float FakeRuntime::Rnd() {
  float value = 0.5f;
  if (!RandomValues.empty()) {
    value = RandomValues.front();
    RandomValues.pop_front();
  }
  log_.Add("Rnd=" + FormatNumber(value));
  return value;
}

FakeForm* FakeRuntime::FindForm(const std::string& name) {
  for (auto& form : forms_) {
    if (form->IsLoaded() && form->Name() == name) return form.get();
  }
  return nullptr;
}

std::size_t FakeRuntime::LoadedForms() const {
  return static_cast<std::size_t>(std::count_if(forms_.begin(), forms_.end(),
                                                [](const auto& form) { return form->IsLoaded(); }));
}

// ---- FakeWin32 ------------------------------------------------------------

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
  return 0;
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
  log_.Add(std::string("PlaySoundA(") + (pszSound ? "sound" : "null") + "," + std::to_string(hmod) +
           "," + std::to_string(fdwSound) + ")");
  return 1;
}

}  // namespace vss::fake
