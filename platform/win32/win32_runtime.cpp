#include "platform/win32/win32_runtime.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "platform/vbnum.h"
#include "platform/win32/win32_form.h"

namespace vss::win32 {

namespace {

Win32Runtime* activeRuntime = nullptr;

constexpr UINT WatchdogMilliseconds = 1000;

// The mutex name space knows no backslash after its prefix.
std::string InstanceMutexName(const std::string& title) {
  std::string name = title + " instance";
  std::replace(name.begin(), name.end(), '\\', '/');
  return name;
}

[[noreturn]] void SettingsFailure(const char* what, LONG status) {
  throw RuntimeError(ErrorNumber::InvalidProcedureCall,
                     std::string(what) + " failed (registry error " + std::to_string(status) + ")");
}

std::string SettingsPath(const std::string& appName, const std::string& section,
                         const std::string& key) {
  if (appName.empty() || section.empty() || key.empty()) {
    throw RuntimeError(ErrorNumber::InvalidProcedureCall,
                       "Invalid procedure call: empty settings name");
  }
  return "Software\\" + appName + "\\" + section;
}

struct ResourceBytes {
  const std::uint8_t* data;
  DWORD size;
};

// FindResource and friends; the bytes stay mapped with the executable.
ResourceBytes FindResourceBytes(HINSTANCE instance, int id, LPCSTR type) {
  if (id < 1 || id > 0xFFFF) {
    throw RuntimeError(ErrorNumber::ResourceNotFound,
                       "Resource with identifier '" + std::to_string(id) + "' not found");
  }
  HRSRC found = ::FindResourceA(instance, MAKEINTRESOURCEA(id), type);
  HGLOBAL loaded = found != nullptr ? ::LoadResource(instance, found) : nullptr;
  const void* data = loaded != nullptr ? ::LockResource(loaded) : nullptr;
  if (data == nullptr) {
    throw RuntimeError(ErrorNumber::ResourceNotFound,
                       "Resource with identifier '" + std::to_string(id) + "' not found");
  }
  return {static_cast<const std::uint8_t*>(data), ::SizeofResource(instance, found)};
}

[[noreturn]] void InvalidPicture(int id) {
  throw RuntimeError(ErrorNumber::InvalidPicture, "Invalid picture: bitmap " + std::to_string(id));
}

std::int32_t Himetric(int pixels, int pixelsPerInch) {
  return CLng(static_cast<double>(pixels) * 2540.0 / static_cast<double>(pixelsPerInch));
}

}  // namespace

Win32Runtime::Win32Runtime(const platform::AppDescription& app)
    : app_(app), instance_(::GetModuleHandleA(nullptr)) {
  activeRuntime = this;

  // Held for the life of the process, so any copy started later sees it
  // whatever its switch.
  instanceMutex_ = ::CreateMutexA(nullptr, FALSE, InstanceMutexName(app_.Title).c_str());
  const DWORD status = ::GetLastError();
  prevInstance_ = status == ERROR_ALREADY_EXISTS || status == ERROR_ACCESS_DENIED;

  HDC screen = ::GetDC(nullptr);
  if (screen != nullptr) {
    pixelsPerInchX_ = std::max(1, ::GetDeviceCaps(screen, LOGPIXELSX));
    pixelsPerInchY_ = std::max(1, ::GetDeviceCaps(screen, LOGPIXELSY));
    ::ReleaseDC(nullptr, screen);
  }

  RegisterFormClass(instance_);
}

Win32Runtime::~Win32Runtime() {
  if (watchdog_ != 0) ::KillTimer(nullptr, watchdog_);
  // The forms' code may be gone before the runtime: windows only.
  for (auto& form : forms_) form->Retire(true, false);
  forms_.clear();
  unloaded_.clear();
  if (dialogFont_ != nullptr) ::DeleteObject(dialogFont_);
  if (instanceMutex_ != nullptr) ::CloseHandle(instanceMutex_);
  if (activeRuntime == this) activeRuntime = nullptr;
}

// ---- Start, loop and end ---------------------------------------------------

void Win32Runtime::CallStartProcedure(const std::function<void()>& startProcedure) {
  try {
    startProcedure();
  } catch (...) {
    EndWithCurrentException();
  }
  startReturned_ = true;
  unloaded_.clear();
  MaybeQuit();
}

int Win32Runtime::Run(const std::function<void()>& startProcedure) {
  CallStartProcedure(startProcedure);
  if (forms_.empty()) return 0;
  MSG message;
  for (;;) {
    const BOOL got = ::GetMessageA(&message, nullptr, 0, 0);
    if (got == 0 || got == -1) break;
    DispatchOne(message);
    unloaded_.clear();
  }
  return 0;
}

bool Win32Runtime::PumpMessages(const std::function<bool()>& done, DWORD timeoutMilliseconds) {
  const ULONGLONG deadline = ::GetTickCount64() + timeoutMilliseconds;
  for (;;) {
    MSG message;
    while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_QUIT) {
        quitPosted_ = true;
        return done();
      }
      DispatchOne(message);
      unloaded_.clear();
      if (done()) return true;
    }
    if (done()) return true;
    const ULONGLONG now = ::GetTickCount64();
    if (now >= deadline) return false;
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(deadline - now), QS_ALLINPUT);
  }
}

void Win32Runtime::DispatchOne(MSG& message) {
  // Dialog keys (Tab, arrows, Enter, access keys) before anything else; the
  // list is copied because a dispatched message may unload forms.
  std::vector<HWND> dialogs;
  for (const auto& form : forms_) {
    if (form->IsDialog() && form->Loaded()) dialogs.push_back(form->Window());
  }
  for (HWND dialog : dialogs) {
    if (::IsWindow(dialog) && ::IsDialogMessageA(dialog, &message)) {
      // Wine's dialog manager redraws the default-button borders after Tab
      // from what DM_GETDEFID says; the focused button must keep it.
      for (const auto& form : forms_) {
        if (form->Window() == dialog && form->Loaded()) form->RefreshDefaultBorder();
      }
      return;
    }
  }
  ::TranslateMessage(&message);
  ::DispatchMessageA(&message);
}

void Win32Runtime::MaybeQuit() {
  if (startReturned_ && forms_.empty() && !quitPosted_) {
    quitPosted_ = true;
    ::PostQuitMessage(0);
  }
}

void Win32Runtime::EndWithCurrentException() noexcept {
  int code = static_cast<int>(ErrorNumber::InternalError);
  try {
    throw;
  } catch (const RuntimeError& error) {
    code = static_cast<int>(error.Number());
  } catch (const std::bad_alloc&) {
    code = static_cast<int>(ErrorNumber::OutOfMemory);
  } catch (...) {
  }
  EndWithError(code);
}

void Win32Runtime::EndWithError(int code) noexcept {
  if (code == 0) code = static_cast<int>(ErrorNumber::InternalError);
  if (!ending_) {
    ending_ = true;
    if (errorCleanup_) {
      try {
        errorCleanup_();
      } catch (...) {
      }
    }
  }
  ::ExitProcess(static_cast<UINT>(code));
}

void Win32Runtime::End() { ::ExitProcess(0); }

std::string Win32Runtime::Command() {
  const char* line = ::GetCommandLineA();
  if (line == nullptr) return {};
  const char* p = line;
  if (*p == '"') {
    ++p;
    while (*p != '\0' && *p != '"') ++p;
    if (*p == '"') ++p;
  } else {
    // A host may start a program whose path holds spaces without quotes;
    // the path is then known only by comparing it with the module's own.
    char path[MAX_PATH + 1] = {};
    const DWORD length = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    const char next = length > 0 && std::strlen(line) >= length ? line[length] : 'x';
    if (length > 0 && length < MAX_PATH && ::_strnicmp(line, path, length) == 0 &&
        (next == '\0' || next == ' ' || next == '\t')) {
      p += length;
    } else {
      while (*p != '\0' && *p != ' ' && *p != '\t') ++p;
    }
  }
  while (*p == ' ' || *p == '\t') ++p;
  return p;
}

// ---- Screen ----------------------------------------------------------------

float Win32Runtime::TwipsPerPixelX() { return 1440.0f / static_cast<float>(pixelsPerInchX_); }
float Win32Runtime::TwipsPerPixelY() { return 1440.0f / static_cast<float>(pixelsPerInchY_); }

float Win32Runtime::ScreenWidth() {
  return static_cast<float>(::GetSystemMetrics(SM_CXSCREEN)) * TwipsPerPixelX();
}

float Win32Runtime::ScreenHeight() {
  return static_cast<float>(::GetSystemMetrics(SM_CYSCREEN)) * TwipsPerPixelY();
}

HFONT Win32Runtime::DialogFont() {
  if (dialogFont_ == nullptr) {
    dialogFont_ = ::CreateFontA(-::MulDiv(8, pixelsPerInchY_, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE,
                                FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, "MS Sans Serif");
  }
  return dialogFont_;
}

// ---- Forms -----------------------------------------------------------------

Win32Form* Win32Runtime::Find(const platform::Form& form) const {
  for (const auto& f : forms_) {
    if (f.get() == &form) return f.get();
  }
  return nullptr;
}

platform::Form& Win32Runtime::Load(platform::FormModule& code, const platform::FormDesign& design) {
  for (const auto& f : forms_) {
    if (&f->Code() == &code) return *f;
  }
  auto created = std::make_unique<Win32Form>(*this, code, design);
  created->Create();
  Win32Form& form = *created;
  forms_.push_back(std::move(created));
  if (watchdog_ == 0) watchdog_ = ::SetTimer(nullptr, 0, WatchdogMilliseconds, &WatchdogTick);

  code.Bind(&form);
  form.MarkLoaded();
  code.Form_Load();
  return form;
}

void Win32Runtime::Unload(platform::Form& target) {
  Win32Form* form = Find(target);
  if (form == nullptr || !form->BeginUnload()) return;
  std::int16_t cancel = 0;
  form->Code().Form_Unload(cancel);
  if (cancel != 0) {
    form->CancelUnload();
    return;
  }
  RetireForm(*form, true);
}

void Win32Runtime::FormWindowLost(Win32Form& form, bool destroyWindow) {
  if (!form.BeginUnload()) return;
  // The window is gone or going: a cancel cannot keep it.
  std::int16_t cancel = 0;
  form.Code().Form_Unload(cancel);
  RetireForm(form, destroyWindow);
}

void Win32Runtime::RetireForm(Win32Form& form, bool destroyWindow) {
  form.Retire(destroyWindow);
  const auto it = std::find_if(forms_.begin(), forms_.end(),
                               [&form](const auto& f) { return f.get() == &form; });
  if (it != forms_.end()) {
    unloaded_.push_back(std::move(*it));
    forms_.erase(it);
  }
  if (forms_.empty() && watchdog_ != 0) {
    ::KillTimer(nullptr, watchdog_);
    watchdog_ = 0;
  }
  MaybeQuit();
}

void CALLBACK Win32Runtime::WatchdogTick(HWND, UINT, UINT_PTR, DWORD) noexcept {
  if (activeRuntime == nullptr) return;
  try {
    activeRuntime->CheckEmbeddedForms();
  } catch (...) {
    activeRuntime->EndWithCurrentException();
  }
}

// An embedded form lives in another process's window. If that window goes
// without our child being destroyed in an orderly way (the host process was
// killed, or the re-parenting failed), unload the form so that no invisible
// process is left behind.
void Win32Runtime::CheckEmbeddedForms() {
  std::vector<HWND> windows;
  for (const auto& form : forms_) windows.push_back(form->Window());
  for (HWND window : windows) {
    const auto it = std::find_if(forms_.begin(), forms_.end(),
                                 [window](const auto& f) { return f->Window() == window; });
    if (it == forms_.end()) continue;
    Win32Form& form = **it;
    if (!::IsWindow(window)) {
      FormWindowLost(form, false);
      continue;
    }
    if ((::GetWindowLongA(window, GWL_STYLE) & WS_CHILD) == 0) continue;
    HWND parent = ::GetAncestor(window, GA_PARENT);
    if (parent == nullptr || parent == ::GetDesktopWindow() || !::IsWindow(parent)) {
      FormWindowLost(form, true);
    }
  }
}

// ---- Resources -------------------------------------------------------------

std::unique_ptr<platform::Picture> Win32Runtime::LoadResPicture(std::int32_t id,
                                                                std::int16_t kind) {
  if (kind != 0) {
    throw RuntimeError(ErrorNumber::InvalidProcedureCall,
                       "Invalid procedure call: picture kind " + std::to_string(kind));
  }
  const ResourceBytes resource = FindResourceBytes(instance_, id, MAKEINTRESOURCEA(2));

  // The resource is ours, but a bad one must not make GDI read past it.
  if (resource.size < sizeof(BITMAPINFOHEADER)) InvalidPicture(id);
  BITMAPINFOHEADER header;
  std::copy_n(resource.data, sizeof header, reinterpret_cast<std::uint8_t*>(&header));
  const int bits = header.biBitCount;
  if (header.biSize < sizeof(BITMAPINFOHEADER) || header.biSize > resource.size ||
      header.biWidth <= 0 || header.biHeight == 0 || header.biHeight == INT32_MIN ||
      header.biPlanes != 1 ||
      !(bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32) ||
      !(header.biCompression == BI_RGB ||
        (header.biCompression == BI_BITFIELDS && (bits == 16 || bits == 32)))) {
    InvalidPicture(id);
  }
  const std::uint64_t width = static_cast<std::uint64_t>(header.biWidth);
  const std::uint64_t height = static_cast<std::uint64_t>(
      header.biHeight < 0 ? -static_cast<std::int64_t>(header.biHeight) : header.biHeight);
  std::uint64_t colours = header.biClrUsed;
  if (colours == 0 && bits <= 8) colours = 1u << bits;
  if (colours > 256 && bits <= 8) InvalidPicture(id);
  const std::uint64_t masks =
      header.biCompression == BI_BITFIELDS && header.biSize == sizeof(BITMAPINFOHEADER) ? 12 : 0;
  const std::uint64_t offset = header.biSize + masks + colours * 4;
  const std::uint64_t stride = (width * static_cast<std::uint64_t>(bits) + 31) / 32 * 4;
  if (width > 0x10000 || height > 0x10000 || offset + stride * height > resource.size) {
    InvalidPicture(id);
  }

  const int pixelWidth = static_cast<int>(width);
  const int pixelHeight = static_cast<int>(height);
  return std::make_unique<Win32Picture>(
      reinterpret_cast<const BITMAPINFO*>(resource.data), resource.data + offset, pixelWidth,
      pixelHeight, Himetric(pixelWidth, pixelsPerInchX_), Himetric(pixelHeight, pixelsPerInchY_));
}

std::vector<std::uint8_t> Win32Runtime::LoadResData(std::int16_t id, const std::string& type) {
  if (type.empty()) {
    throw RuntimeError(ErrorNumber::ResourceNotFound,
                       "Resource with identifier '" + std::to_string(id) + "' not found");
  }
  const ResourceBytes resource = FindResourceBytes(instance_, id, type.c_str());
  return std::vector<std::uint8_t>(resource.data, resource.data + resource.size);
}

// ---- Settings --------------------------------------------------------------

std::string Win32Runtime::GetSetting(const std::string& appName, const std::string& section,
                                     const std::string& key, const std::string& defaultValue) {
  const std::string path = SettingsPath(appName, section, key);
  HKEY handle = nullptr;
  LONG status = ::RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_QUERY_VALUE, &handle);
  if (status == ERROR_FILE_NOT_FOUND) return defaultValue;
  if (status != ERROR_SUCCESS) SettingsFailure("Reading a setting", status);

  std::string result;
  bool found = true;
  for (;;) {
    DWORD type = 0;
    DWORD size = 0;
    status = ::RegQueryValueExA(handle, key.c_str(), nullptr, &type, nullptr, &size);
    if (status == ERROR_FILE_NOT_FOUND) {
      found = false;
      break;
    }
    if (status != ERROR_SUCCESS) break;
    // Written by someone else as a number or bytes: not a text the program
    // accepts, and not one to interpret.
    if (type != REG_SZ) {
      result.clear();
      break;
    }
    std::vector<char> buffer(static_cast<std::size_t>(size) + 1, '\0');
    DWORD got = size;
    status = ::RegQueryValueExA(handle, key.c_str(), nullptr, &type,
                                reinterpret_cast<BYTE*>(buffer.data()), &got);
    if (status == ERROR_MORE_DATA) continue;  // it grew in between
    if (status != ERROR_SUCCESS) break;
    if (type != REG_SZ) {
      result.clear();
      break;
    }
    // The stored bytes need not end with a terminator.
    const auto end = std::find(buffer.begin(), buffer.begin() + got, '\0');
    result.assign(buffer.begin(), end);
    break;
  }
  ::RegCloseKey(handle);
  if (!found) return defaultValue;
  if (status != ERROR_SUCCESS) SettingsFailure("Reading a setting", status);
  return result;
}

void Win32Runtime::SaveSetting(const std::string& appName, const std::string& section,
                               const std::string& key, const std::string& setting) {
  const std::string path = SettingsPath(appName, section, key);
  HKEY handle = nullptr;
  LONG status = ::RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                                  nullptr, &handle, nullptr);
  if (status != ERROR_SUCCESS) SettingsFailure("Saving a setting", status);
  if (setting.size() >= 0xFFFFFFFEu) {
    ::RegCloseKey(handle);
    SettingsFailure("Saving a setting", ERROR_INVALID_PARAMETER);
  }
  status = ::RegSetValueExA(handle, key.c_str(), 0, REG_SZ,
                            reinterpret_cast<const BYTE*>(setting.c_str()),
                            static_cast<DWORD>(setting.size() + 1));
  ::RegCloseKey(handle);
  if (status != ERROR_SUCCESS) SettingsFailure("Saving a setting", status);
}

// ---- Random numbers --------------------------------------------------------

void Win32Runtime::Randomize() {
  SYSTEMTIME now;
  ::GetLocalTime(&now);
  const double seconds =
      now.wHour * 3600.0 + now.wMinute * 60.0 + now.wSecond + now.wMilliseconds / 1000.0;
  random_.Randomize(seconds);
}

float Win32Runtime::Rnd() { return random_.Next(); }

}  // namespace vss::win32
