#include "backends/win32/win32_backend.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "backends/win32/win32_form.h"
#include "runtime/loaded_form.h"

namespace vss::win32 {

namespace {

std::string KeyPath(const std::string& app, const std::string& section) {
  return "Software\\" + app + "\\" + section;
}

// What Windows said, in words a user can read.
std::string Reason(LONG status) {
  if (status == ERROR_ACCESS_DENIED) return "access denied";
  char* text = nullptr;
  const DWORD length = ::FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, static_cast<DWORD>(status), 0, reinterpret_cast<LPSTR>(&text), 0, nullptr);
  std::string reason = length > 0 && text != nullptr ? text : "";
  if (text != nullptr) ::LocalFree(text);
  while (!reason.empty() && std::strchr(" .\r\n", reason.back()) != nullptr) reason.pop_back();
  return reason.empty() ? "Windows error " + std::to_string(status) : reason;
}

[[noreturn]] void StoreFailure(const std::string& what, LONG status) {
  throw RuntimeError(ErrorNumber::InvalidProcedureCall, what + " (" + Reason(status) + ").");
}

struct OpenKey {
  HKEY handle = nullptr;
  ~OpenKey() {
    if (handle != nullptr) ::RegCloseKey(handle);
  }
};

}  // namespace

Win32Backend::Win32Backend() : instance_(::GetModuleHandleA(nullptr)) {
  if (HDC screen = ::GetDC(nullptr)) {
    pixelsPerInchX_ = std::max(1, ::GetDeviceCaps(screen, LOGPIXELSX));
    pixelsPerInchY_ = std::max(1, ::GetDeviceCaps(screen, LOGPIXELSY));
    ::ReleaseDC(nullptr, screen);
  }
  RegisterFormClass(instance_);
}

Win32Backend::~Win32Backend() {
  if (dialogFont_ != nullptr) ::DeleteObject(dialogFont_);
  if (instanceMutex_ != nullptr) ::CloseHandle(instanceMutex_);
}

HFONT Win32Backend::DialogFont() {
  if (dialogFont_ == nullptr) {
    dialogFont_ = ::CreateFontA(-::MulDiv(8, pixelsPerInchY_, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE,
                                FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, "MS Sans Serif");
  }
  return dialogFont_;
}

bool Win32Backend::ClaimInstance(const std::string& title) {
  // The mutex name space knows no backslash after its prefix.
  std::string name = title + " instance";
  std::replace(name.begin(), name.end(), '\\', '/');
  instanceMutex_ = ::CreateMutexA(nullptr, FALSE, name.c_str());
  const DWORD status = ::GetLastError();
  return status == ERROR_ALREADY_EXISTS || status == ERROR_ACCESS_DENIED;
}

std::string Win32Backend::CommandLine() {
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

runtime::ScreenMetrics Win32Backend::Screen() {
  return {::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN), pixelsPerInchX_,
          pixelsPerInchY_};
}

std::uint32_t Win32Backend::SystemColor(int index) {
  const COLORREF c = ::GetSysColor(index);
  return static_cast<std::uint32_t>(GetRValue(c)) << 16 | GetGValue(c) << 8 | GetBValue(c);
}

std::unique_ptr<runtime::FormPeer> Win32Backend::CreateForm(runtime::LoadedForm& form) {
  return CreateFormWindow(*this, form);
}

runtime::ResourceBytes Win32Backend::FindResource(const runtime::ResourceType& type,
                                                  std::int32_t id) {
  if (id < 1 || id > 0xFFFF) return {};
  const LPCSTR typeName = type.Name.empty() ? MAKEINTRESOURCEA(type.Number) : type.Name.c_str();
  HRSRC found = ::FindResourceA(instance_, MAKEINTRESOURCEA(id), typeName);
  HGLOBAL loaded = found != nullptr ? ::LoadResource(instance_, found) : nullptr;
  const void* data = loaded != nullptr ? ::LockResource(loaded) : nullptr;
  if (data == nullptr) return {};
  return {static_cast<const std::uint8_t*>(data), ::SizeofResource(instance_, found)};
}

std::optional<std::string> Win32Backend::ReadSetting(const std::string& app,
                                                     const std::string& section,
                                                     const std::string& key) {
  const std::string path = KeyPath(app, section);
  OpenKey open;
  LONG status = ::RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_QUERY_VALUE, &open.handle);
  std::vector<char> buffer(256);
  while (status == ERROR_SUCCESS) {
    DWORD type = 0;
    auto size = static_cast<DWORD>(buffer.size());
    status = ::RegQueryValueExA(open.handle, key.c_str(), nullptr, &type,
                                reinterpret_cast<BYTE*>(buffer.data()), &size);
    if (status == ERROR_MORE_DATA) {
      buffer.resize(static_cast<std::size_t>(size) + 1);  // it may grow again in between
      status = ERROR_SUCCESS;
      continue;
    }
    if (status != ERROR_SUCCESS) break;
    // Written by someone else as a number or bytes: a text no option accepts.
    if (type != REG_SZ) return std::string();
    // The stored bytes need not end with a terminator.
    return std::string(buffer.data(), std::find(buffer.data(), buffer.data() + size, '\0'));
  }
  if (status == ERROR_FILE_NOT_FOUND) return std::nullopt;
  StoreFailure("Your options could not be read: Windows refused to read HKEY_CURRENT_USER\\" + path,
               status);
}

void Win32Backend::WriteSetting(const std::string& app, const std::string& section,
                                const std::string& key, const std::string& value) {
  const std::string path = KeyPath(app, section);
  OpenKey open;
  LONG status = ::RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                                  nullptr, &open.handle, nullptr);
  if (status == ERROR_SUCCESS) {
    status = value.size() >= 0xFFFFFFFEu
                 ? ERROR_INVALID_PARAMETER
                 : ::RegSetValueExA(open.handle, key.c_str(), 0, REG_SZ,
                                    reinterpret_cast<const BYTE*>(value.c_str()),
                                    static_cast<DWORD>(value.size() + 1));
  }
  if (status != ERROR_SUCCESS) {
    StoreFailure(
        "Your options could not be saved: Windows refused to write HKEY_CURRENT_USER\\" + path,
        status);
  }
}

double Win32Backend::SecondsSinceMidnight() {
  SYSTEMTIME now;
  ::GetLocalTime(&now);
  return now.wHour * 3600.0 + now.wMinute * 60.0 + now.wSecond + now.wMilliseconds / 1000.0;
}

void Win32Backend::Quit() { ::PostQuitMessage(0); }

void Win32Backend::ShowError(runtime::LoadedForm& owner, const std::string& title,
                             const std::string& text) {
  ::MessageBoxA(ToHwnd(owner.hWnd()), text.c_str(), title.c_str(), MB_OK | MB_ICONERROR);
}

void Win32Backend::Exit(int code) { ::ExitProcess(static_cast<UINT>(code)); }

}  // namespace vss::win32
