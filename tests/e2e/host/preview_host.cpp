// Test helper for the end-to-end tests: stands in for a screen-saver host and
// inspects windows from inside Wine, where the X server sees no window class,
// child window or control state.
//
//   preview_host host "<scr>"           a top-level window with a 152 x 112 child
//       area; starts "<scr>" /p <area handle> as a host does, then obeys
//       commands on stdin, each answer ending with a line "end":
//         wait MS   waits up to MS for the saver process to end; each child
//                   window of the area, the saver's state
//         destroy   destroys the area on its own thread, as a host does
//         quit      ends this process at once, leaving the windows to the system
//   preview_host find CLASS CAPTION     FindWindowA's answer, then a line for
//                                       each window inside it
//   preview_host handles                a handle that names no window, and
//                                       the desktop window's handle
//   preview_host deny KEY MASK          sets the access rights of HKCU\KEY: MASK
//       (hex; 1 reads values, 2 writes them) denied to everyone, everything
//       else allowed; 0 allows everything again
//
// A window is described on one line as a JSON object.
#include <windows.h>
// After <windows.h>, which it needs.
#include <sddl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

HWND g_top = nullptr;
HWND g_area = nullptr;
HANDLE g_saver = nullptr;
constexpr UINT kDestroyArea = WM_APP + 1;

void Emit(const std::string& line) {
  std::printf("%s\n", line.c_str());
  std::fflush(stdout);
}

unsigned long long Num(HWND hwnd) {
  return static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(hwnd));
}

// A message to a window of another process, which may not answer.
LRESULT Ask(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  DWORD_PTR result = 0;
  SendMessageTimeoutA(hwnd, msg, wp, lp, SMTO_ABORTIFHUNG, 5000, &result);
  return static_cast<LRESULT>(result);
}

std::string Text(HWND hwnd, bool className) {
  char buf[256] = "";
  if (className) {
    GetClassNameA(hwnd, buf, sizeof buf);
  } else {
    // Not GetWindowText: for another process's window it does not ask the
    // window, so a list box shows no selection.
    Ask(hwnd, WM_GETTEXT, sizeof buf, reinterpret_cast<LPARAM>(buf));
  }
  for (char* p = buf; *p; ++p) {
    if (*p == '"' || *p == '\\' || static_cast<unsigned char>(*p) < ' ') *p = '?';
  }
  return buf;
}

std::string Describe(HWND hwnd) {
  char buf[512];
  if (!hwnd || !IsWindow(hwnd)) {
    std::snprintf(buf, sizeof buf, "{\"hwnd\":%llu,\"exists\":0}", Num(hwnd));
    return buf;
  }
  RECT wr{}, cr{};
  GetWindowRect(hwnd, &wr);
  GetClientRect(hwnd, &cr);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  const HWND parent = GetAncestor(hwnd, GA_PARENT);
  std::snprintf(buf, sizeof buf,
                "{\"hwnd\":%llu,\"exists\":1,\"class\":\"%s\",\"caption\":\"%s\","
                "\"rect\":[%ld,%ld,%ld,%ld],\"client\":[%ld,%ld],\"parent\":%llu,"
                "\"visible\":%d,\"enabled\":%d,\"checked\":%d,\"style\":%lu,\"exstyle\":%lu,"
                "\"pid\":%lu}",
                Num(hwnd), Text(hwnd, true).c_str(), Text(hwnd, false).c_str(), wr.left, wr.top,
                wr.right, wr.bottom, cr.right, cr.bottom, Num(parent),
                IsWindowVisible(hwnd) ? 1 : 0, IsWindowEnabled(hwnd) ? 1 : 0,
                static_cast<int>(Ask(hwnd, BM_GETCHECK, 0, 0)),
                static_cast<unsigned long>(GetWindowLongPtrA(hwnd, GWL_STYLE)),
                static_cast<unsigned long>(GetWindowLongPtrA(hwnd, GWL_EXSTYLE)), pid);
  return buf;
}

BOOL CALLBACK EmitChild(HWND hwnd, LPARAM) {
  Emit(Describe(hwnd));
  return TRUE;
}

DWORD WINAPI ReadCommands(void*) {
  char buf[256];
  while (std::fgets(buf, sizeof buf, stdin)) {
    if (std::strncmp(buf, "wait ", 5) == 0) {
      DWORD code = STILL_ACTIVE;
      if (WaitForSingleObject(g_saver, std::strtoul(buf + 5, nullptr, 10)) == WAIT_OBJECT_0)
        GetExitCodeProcess(g_saver, &code);
      for (HWND c = GetWindow(g_area, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
        Emit("child " + Describe(c));
      Emit(code == STILL_ACTIVE ? "saver running" : "saver exited " + std::to_string(code));
    } else if (std::strncmp(buf, "destroy", 7) == 0) {
      SendMessageA(g_top, kDestroyArea, 0, 0);
      Emit("destroyed " + Describe(g_area));
    } else if (std::strncmp(buf, "quit", 4) == 0) {
      ExitProcess(0);
    }
    Emit("end");
  }
  // Stdin closed: the test is gone, so is the host.
  PostMessageA(g_top, WM_CLOSE, 0, 0);
  return 0;
}

LRESULT CALLBACK TopProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == kDestroyArea && g_area) DestroyWindow(g_area);
  if (msg == WM_DESTROY) PostQuitMessage(0);
  return DefWindowProcA(hwnd, msg, wp, lp);
}

HWND Create(const char* cls, const char* caption, DWORD style, int x, int y, int w, int h,
            HWND parent, COLORREF colour) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = parent ? DefWindowProcA : TopProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.hbrBackground = CreateSolidBrush(colour);
  wc.lpszClassName = cls;
  RegisterClassA(&wc);
  return CreateWindowExA(0, cls, caption, style, x, y, w, h, parent, nullptr, wc.hInstance,
                         nullptr);
}

int RunHost(const char* scr) {
  g_top = Create("VssTestHost", "Vorlan Preview Host", WS_OVERLAPPEDWINDOW, 100, 100, 400, 300,
                 nullptr, RGB(128, 128, 128));
  // Dark blue, so that any part the saver leaves unpainted shows.
  g_area = Create("VssTestPreviewArea", "", WS_CHILD | WS_VISIBLE, 40, 40, 152, 112, g_top,
                  RGB(0, 0, 160));
  if (!g_area) return 2;
  std::string cmd = std::string("\"") + scr + "\" /p " + std::to_string(Num(g_area));
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                      &pi)) {
    return 3;
  }
  CloseHandle(pi.hThread);
  g_saver = pi.hProcess;
  ShowWindow(g_top, SW_SHOWNORMAL);
  UpdateWindow(g_top);
  Emit("started pid=" + std::to_string(pi.dwProcessId) + "\n" + Describe(g_area) + "\nend");
  CreateThread(nullptr, 0, ReadCommands, nullptr, 0, nullptr);
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
  return 0;
}

int Deny(const char* key, const char* mask) {
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
  const std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "host" && argc == 3) return RunHost(argv[2]);
  if (mode == "find" && argc == 4) {
    const HWND found = FindWindowA(argv[2], argv[3]);
    Emit(Describe(found));
    if (found) EnumChildWindows(found, EmitChild, 0);
    return 0;
  }
  if (mode == "handles") {
    HWND w = Create("VssTestStale", "", WS_POPUP, 0, 0, 1, 1, nullptr, 0);
    DestroyWindow(w);
    if (!w || IsWindow(w)) return 3;
    Emit(std::to_string(Num(w)) + " " + std::to_string(Num(GetDesktopWindow())));
    return 0;
  }
  if (mode == "deny" && argc == 4) return Deny(argv[2], argv[3]);
  std::fprintf(stderr, "usage: see the top of preview_host.cpp\n");
  return 64;
}
