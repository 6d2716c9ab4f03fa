// Test helper for the end-to-end tests: stands in for a screen-saver host
// and inspects windows from inside Wine, where the X server cannot see
// window classes or child windows.
//
//   preview_host host "<scr>" [TEMPLATE]  top-level window with a 152 x 112
//       child area; starts "<scr>" TEMPLATE with %d replaced by the area's
//       decimal handle (default "/p %d"); then obeys commands on stdin.
//   preview_host decoy [CLASS] [CAPTION]  a top-level window of that class and
//       caption (default "ThunderRT5Form", "Vorlan Screen Saver 2") until
//       stdin ends or says "quit".
//   preview_host find CLASS CAPTION       one FindWindowA, described.
//   preview_host window HANDLE            one window, described.
//   preview_host stale                    a handle that names no window.
//   preview_host close HANDLE             posts WM_CLOSE to the window.
//   preview_host deny KEY MASK            sets the access rights of HKCU\KEY:
//       MASK (hex, 1 = query values, 2 = set values) denied to everyone,
//       everything else allowed; 0 allows everything again.
//
// Commands of "host" (one a line; every answer ends with a line "end"):
//   info           the area, each child window of the area, the saver process
//   find C|N       FindWindowA(C, N)
//   window H       one window
//   wait MS        waits up to MS for the saver process to end
//   destroy        destroys the area (on the window's own thread, as a host does)
//   quit           ends this process at once, leaving the windows to the system
//
// A window is described on one line as key=value pairs; text values are
// quoted with "" and carry no quote or newline of their own.
#include <windows.h>
// After <windows.h>, which it needs.
#include <sddl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr int kAreaWidth = 152;
constexpr int kAreaHeight = 112;
constexpr UINT kDestroyArea = WM_APP + 1;

HWND g_top = nullptr;
HWND g_area = nullptr;
HANDLE g_saver = nullptr;
DWORD g_saverPid = 0;
DWORD g_saverTid = 0;
CRITICAL_SECTION g_out;

void Emit(const std::string& line) {
  EnterCriticalSection(&g_out);
  std::fputs(line.c_str(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
  LeaveCriticalSection(&g_out);
}

std::string Clean(const char* text) {
  std::string out;
  for (const char* p = text; *p; ++p) out += (*p == '"' || *p == '\n' || *p == '\r') ? '?' : *p;
  return out;
}

std::string Describe(HWND hwnd) {
  char buf[512];
  if (!hwnd || !IsWindow(hwnd)) {
    std::snprintf(buf, sizeof buf, "hwnd=%llu exists=0",
                  static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(hwnd)));
    return buf;
  }
  char cls[256] = "";
  char text[256] = "";
  GetClassNameA(hwnd, cls, sizeof cls);
  GetWindowTextA(hwnd, text, sizeof text);
  RECT wr{}, cr{};
  GetWindowRect(hwnd, &wr);
  GetClientRect(hwnd, &cr);
  POINT origin{0, 0};
  ClientToScreen(hwnd, &origin);
  DWORD pid = 0;
  const DWORD tid = GetWindowThreadProcessId(hwnd, &pid);
  const HWND parent = GetAncestor(hwnd, GA_PARENT);
  const HWND owner = GetWindow(hwnd, GW_OWNER);
  const auto style = static_cast<unsigned long>(GetWindowLongPtrA(hwnd, GWL_STYLE));
  const auto exstyle = static_cast<unsigned long>(GetWindowLongPtrA(hwnd, GWL_EXSTYLE));
  const bool topLevel = parent == GetDesktopWindow();
  std::snprintf(
      buf, sizeof buf,
      "hwnd=%llu exists=1 class=\"%s\" caption=\"%s\" rect=%ld,%ld,%ld,%ld "
      "client=%ld,%ld origin=%ld,%ld parent=%llu toplevel=%d owner=%llu visible=%d "
      "style=%08lx "
      "exstyle=%08lx pid=%lu tid=%lu",
      static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(hwnd)), Clean(cls).c_str(),
      Clean(text).c_str(), wr.left, wr.top, wr.right, wr.bottom, cr.right, cr.bottom, origin.x,
      origin.y, static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(parent)),
      topLevel ? 1 : 0, static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(owner)),
      IsWindowVisible(hwnd) ? 1 : 0, style, exstyle, pid, tid);
  return buf;
}

struct Match {
  const char* cls;
  const char* caption;
  int count;
};

BOOL CALLBACK CountMatch(HWND hwnd, LPARAM lp) {
  auto* m = reinterpret_cast<Match*>(lp);
  char cls[256] = "";
  char text[256] = "";
  GetClassNameA(hwnd, cls, sizeof cls);
  GetWindowTextA(hwnd, text, sizeof text);
  if (std::strcmp(cls, m->cls) == 0 && std::strcmp(text, m->caption) == 0) ++m->count;
  return TRUE;
}

// FindWindowA's answer, with the number of top-level windows that match.
std::string Find(const char* cls, const char* caption) {
  Match m{cls, caption, 0};
  EnumWindows(CountMatch, reinterpret_cast<LPARAM>(&m));
  return "found count=" + std::to_string(m.count) + " " + Describe(FindWindowA(cls, caption));
}

HWND ParseHwnd(const char* text) {
  return reinterpret_cast<HWND>(static_cast<UINT_PTR>(std::strtoull(text, nullptr, 10)));
}

std::string SaverState(DWORD waitMs) {
  if (!g_saver) return "saver none";
  if (WaitForSingleObject(g_saver, waitMs) == WAIT_OBJECT_0) {
    DWORD code = 0;
    GetExitCodeProcess(g_saver, &code);
    return "saver exited " + std::to_string(code);
  }
  return "saver running";
}

void Command(const std::string& line) {
  if (line == "info") {
    Emit("area " + Describe(g_area));
    if (g_area && IsWindow(g_area)) {
      for (HWND c = GetWindow(g_area, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
        Emit("child " + Describe(c));
    }
    Emit(SaverState(0));
  } else if (line.rfind("find ", 0) == 0) {
    const std::string rest = line.substr(5);
    const auto bar = rest.find('|');
    const std::string cls = rest.substr(0, bar);
    const std::string name = bar == std::string::npos ? std::string() : rest.substr(bar + 1);
    Emit(Find(cls.c_str(), name.c_str()));
  } else if (line.rfind("window ", 0) == 0) {
    Emit("window " + Describe(ParseHwnd(line.c_str() + 7)));
  } else if (line.rfind("wait ", 0) == 0) {
    Emit(SaverState(static_cast<DWORD>(std::strtoul(line.c_str() + 5, nullptr, 10))));
  } else if (line == "destroy") {
    SendMessageA(g_top, kDestroyArea, 0, 0);
    Emit("destroyed " + Describe(g_area));
  } else if (line == "quit") {
    std::fflush(stdout);
    ExitProcess(0);
  } else {
    Emit("error unknown command");
  }
  Emit("end");
}

DWORD WINAPI ReadCommands(void*) {
  char buf[1024];
  while (std::fgets(buf, sizeof buf, stdin)) {
    std::string line(buf);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    if (!line.empty()) Command(line);
  }
  // Stdin closed: the test is gone, so is the host.
  PostMessageA(g_top, WM_CLOSE, 0, 0);
  return 0;
}

LRESULT CALLBACK TopProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case kDestroyArea:
      if (g_area) DestroyWindow(g_area);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcA(hwnd, msg, wp, lp);
  }
}

ATOM Register(const char* name, WNDPROC proc, COLORREF colour) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = proc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  wc.hbrBackground = CreateSolidBrush(colour);
  wc.lpszClassName = name;
  return RegisterClassA(&wc);
}

int MessageLoop() {
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return static_cast<int>(msg.wParam);
}

int RunHost(const char* scr, const char* templ) {
  Register("VssTestHost", TopProc, RGB(128, 128, 128));
  // The area is dark blue, so any part that the saver leaves unpainted shows.
  Register("VssTestPreviewArea", DefWindowProcA, RGB(0, 0, 160));
  g_top = CreateWindowExA(0, "VssTestHost", "Vorlan Preview Host", WS_OVERLAPPEDWINDOW, 100, 100,
                          400, 300, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  g_area = CreateWindowExA(0, "VssTestPreviewArea", "", WS_CHILD | WS_VISIBLE, 40, 40, kAreaWidth,
                           kAreaHeight, g_top, nullptr, GetModuleHandleA(nullptr), nullptr);
  if (!g_top || !g_area) {
    std::fprintf(stderr, "preview_host: cannot create windows (%lu)\n", GetLastError());
    return 2;
  }
  ShowWindow(g_top, SW_SHOWNORMAL);
  UpdateWindow(g_top);

  char handle[32];
  std::snprintf(handle, sizeof handle, "%llu",
                static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(g_area)));
  std::string args;
  for (const char* p = templ; *p; ++p) {
    if (p[0] == '%' && p[1] == 'd') {
      args += handle;
      ++p;
    } else {
      args += *p;
    }
  }
  std::string cmd = std::string("\"") + scr + "\" " + args;
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                      &pi)) {
    std::fprintf(stderr, "preview_host: cannot start %s (%lu)\n", cmd.c_str(), GetLastError());
    return 3;
  }
  CloseHandle(pi.hThread);
  g_saver = pi.hProcess;
  g_saverPid = pi.dwProcessId;
  g_saverTid = pi.dwThreadId;

  char line[256];
  std::snprintf(line, sizeof line, "started pid=%lu tid=%lu hosttid=%lu area=%s", g_saverPid,
                g_saverTid, GetCurrentThreadId(), handle);
  Emit(line);
  Emit("area " + Describe(g_area));
  Emit("end");
  CreateThread(nullptr, 0, ReadCommands, nullptr, 0, nullptr);
  return MessageLoop();
}

int RunDecoy(const char* cls, const char* caption) {
  Register(cls, TopProc, RGB(0, 96, 0));
  g_top = CreateWindowExA(0, cls, caption, WS_OVERLAPPEDWINDOW, 50, 50, 200, 150, nullptr, nullptr,
                          GetModuleHandleA(nullptr), nullptr);
  if (!g_top) return 2;
  ShowWindow(g_top, SW_SHOWNORMAL);
  UpdateWindow(g_top);
  Emit("decoy " + Describe(g_top));
  Emit("end");
  CreateThread(nullptr, 0, ReadCommands, nullptr, 0, nullptr);
  return MessageLoop();
}

int RunStale() {
  Register("VssTestStale", DefWindowProcA, RGB(0, 0, 0));
  HWND w = CreateWindowExA(0, "VssTestStale", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
  if (!w) return 2;
  DestroyWindow(w);
  if (IsWindow(w)) return 3;
  std::printf("stale %llu\n", static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(w)));
  return 0;
}

int RunDeny(const char* key, const char* mask) {
  HKEY handle = nullptr;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, key, 0, nullptr, 0, WRITE_DAC, nullptr, &handle,
                      nullptr) != ERROR_SUCCESS) {
    return 2;
  }
  const unsigned long denied = std::strtoul(mask, nullptr, 16);
  char sddl[64];
  std::snprintf(sddl, sizeof sddl, denied ? "D:(D;;0x%lx;;;WD)(A;;KA;;;WD)" : "D:(A;;KA;;;WD)",
                denied);
  PSECURITY_DESCRIPTOR sd = nullptr;
  LONG status = ERROR_INVALID_PARAMETER;
  if (ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl, SDDL_REVISION_1, &sd, nullptr)) {
    status = RegSetKeySecurity(handle, DACL_SECURITY_INFORMATION, sd);
    LocalFree(sd);
  }
  RegCloseKey(handle);
  return status == ERROR_SUCCESS ? 0 : 3;
}

}  // namespace

int main(int argc, char** argv) {
  InitializeCriticalSection(&g_out);
  const std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "host" && argc >= 3) return RunHost(argv[2], argc > 3 ? argv[3] : "/p %d");
  if (mode == "decoy")
    return RunDecoy(argc > 2 ? argv[2] : "ThunderRT5Form",
                    argc > 3 ? argv[3] : "Vorlan Screen Saver 2");
  if (mode == "find" && argc == 4) {
    Emit(Find(argv[2], argv[3]));
    return 0;
  }
  if (mode == "window" && argc == 3) {
    Emit("window " + Describe(ParseHwnd(argv[2])));
    return 0;
  }
  if (mode == "stale") return RunStale();
  if (mode == "deny" && argc == 4) return RunDeny(argv[2], argv[3]);
  if (mode == "close" && argc == 3) return PostMessageA(ParseHwnd(argv[2]), WM_CLOSE, 0, 0) ? 0 : 1;
  std::fprintf(stderr,
               "usage: preview_host host SCR [TEMPLATE] | decoy [CLASS] [CAPTION] | "
               "find CLASS CAPTION | window HANDLE | stale | close HANDLE | deny KEY MASK\n");
  return 64;
}
