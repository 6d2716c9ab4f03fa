// The Windows runtime: application and screen, the settings store, forms
// (load, size, events, unload, destruction from outside, the persistent
// image and what it repaints), the timer, basWin32API, and the orderly end
// of a process. Run by CTest with "/p 1234"; it starts copies of itself, the
// case named in VSS_TEST_CHILD, for what ends a process.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "platform/win32/tests/check.h"
#include "platform/win32/win32_api.h"
#include "platform/win32/win32_form.h"
#include "platform/win32/win32_runtime.h"

using namespace vss::win32;
using namespace vss::win32::test;
using vss::platform::BorderStyle;
using vss::platform::ControlDesign;
using vss::platform::ControlKind;
using vss::platform::FormDesign;

namespace {

constexpr const char* Title = "VSS Runtime Test";
constexpr const char* MarkerKey = "Software\\VSS Runtime Test\\Child";

FormDesign SaverLikeDesign(const char* caption) {
  FormDesign d;
  d.Name = "frmTest";
  d.Caption = caption;
  d.Border = BorderStyle::None;
  ControlDesign timer;
  timer.Name = "tmrTimer";
  timer.Kind = ControlKind::Timer;
  d.Controls.push_back(timer);
  return d;
}

// Records every event it is given, as text.
class RecordingForm : public vss::platform::FormModule {
 public:
  std::vector<std::string> events;
  std::string unloadOn;   // the event after which the handler unloads the form
  int cancelUnloads = 0;  // how many unloads to cancel
  int ticksToUnload = 0;  // unload on this Tick when non-zero
  vss::platform::Runtime* runtime = nullptr;
  bool loadedInsideLoad = false;
  std::function<void()> onTick;  // run by each Tick

  void Form_Load() override {
    loadedInsideLoad = Loaded();
    Record("Load");
  }
  void Form_Unload(std::int16_t& Cancel) override {
    Record("Unload");
    if (cancelUnloads > 0) {
      --cancelUnloads;
      Cancel = 1;
    }
  }
  void Form_Click() override { Record("Click"); }
  void Form_DblClick() override { Record("DblClick"); }
  void Form_KeyDown(std::int16_t& KeyCode, std::int16_t& Shift) override {
    Record("KeyDown " + std::to_string(KeyCode) + " " + std::to_string(Shift));
  }
  void Form_KeyPress(std::int16_t& KeyAscii) override {
    Record("KeyPress " + std::to_string(KeyAscii));
  }
  void Form_KeyUp(std::int16_t& KeyCode, std::int16_t& Shift) override {
    Record("KeyUp " + std::to_string(KeyCode) + " " + std::to_string(Shift));
  }
  void Form_MouseDown(std::int16_t Button, std::int16_t Shift, float X, float Y) override {
    Record("MouseDown " + Mouse(Button, Shift, X, Y));
  }
  void Form_MouseMove(std::int16_t Button, std::int16_t Shift, float X, float Y) override {
    Record("MouseMove " + Mouse(Button, Shift, X, Y));
  }
  void Form_MouseUp(std::int16_t Button, std::int16_t Shift, float X, float Y) override {
    Record("MouseUp " + Mouse(Button, Shift, X, Y));
  }
  void ControlEvent(const std::string& control, std::int16_t index) override {
    Record(control + " " + std::to_string(index));
    if (control == "tmrTimer" && onTick) onTick();
    if (control == "tmrTimer" && ticksToUnload > 0 && --ticksToUnload == 0) runtime->Unload(Me());
  }

  int Count(const std::string& event) const {
    return static_cast<int>(std::count(events.begin(), events.end(), event));
  }
  std::string Joined() const {
    std::string all;
    for (const auto& e : events) all += (all.empty() ? "" : ", ") + e;
    return all;
  }

 private:
  static std::string Mouse(std::int16_t button, std::int16_t shift, float x, float y) {
    return std::to_string(button) + " " + std::to_string(shift) + " " +
           std::to_string(static_cast<long>(x)) + " " + std::to_string(static_cast<long>(y));
  }
  void Record(const std::string& event) {
    events.push_back(event);
    if (event.rfind(unloadOn, 0) == 0 && !unloadOn.empty() && runtime != nullptr) {
      unloadOn.clear();
      runtime->Unload(Me());
    }
  }
};

RECT UpdateRect(HWND window) {
  RECT r{};
  GetUpdateRect(window, &r, FALSE);
  return r;
}

std::string Describe(const RECT& r) {
  return "(" + std::to_string(r.left) + ", " + std::to_string(r.top) + ", " +
         std::to_string(r.right) + ", " + std::to_string(r.bottom) + ")";
}

bool SameRect(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

// ---- Child processes ------------------------------------------------------------

void WriteMarker(const std::string& text, const char* name = "cleanup") {
  HKEY key = nullptr;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, MarkerKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                      nullptr) == ERROR_SUCCESS) {
    RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>(text.size() + 1));
    RegCloseKey(key);
  }
}

std::string ReadMarker(const char* name = "cleanup") {
  char text[256] = {};
  DWORD size = sizeof text - 1;
  if (RegGetValueA(HKEY_CURRENT_USER, MarkerKey, name, RRF_RT_REG_SZ, nullptr, text, &size) !=
      ERROR_SUCCESS) {
    return "(none)";
  }
  return text;
}

class ThrowingForm : public vss::platform::FormModule {
 public:
  void ControlEvent(const std::string&, std::int16_t) override {
    throw vss::RuntimeError(vss::ErrorNumber::SubscriptOutOfRange, "test: out of range");
  }
};

int RunChild(const std::string& mode, const char* argument) {
  Win32Runtime runtime(vss::platform::AppDescription{Title});
  Win32API win32;
  runtime.SetErrorCleanup([&win32, &mode] {
    win32.RestoreAfterError();
    WriteMarker(mode + " " + std::to_string(win32.NetCursorHides()));
  });
  const FormDesign design = SaverLikeDesign("VSS child form");

  if (mode == "prev") return runtime.AppPrevInstance() != vss::False ? 10 : 11;
  if (mode == "command") {
    WriteMarker("[" + runtime.Command() + "]", "command");
    return 0;
  }
  if (mode == "no-form") return runtime.Run([] {});
  if (mode == "throw-main") {
    return runtime.Run(
        [] { throw vss::RuntimeError(vss::ErrorNumber::Overflow, "test: overflow"); });
  }
  if (mode == "throw-timer") {
    ThrowingForm form;
    return runtime.Run([&] {
      win32.ShowCursor(0);
      win32.ShowCursor(0);
      runtime.Load(form, design).Controls("tmrTimer").SetInterval(20);
    });
  }
  if (mode == "run-ends") {
    RecordingForm form;
    form.runtime = &runtime;
    form.ticksToUnload = 2;
    return runtime.Run([&] { runtime.Load(form, design).Controls("tmrTimer").SetInterval(20); });
  }
  if (mode == "embedded") {
    // Into the parent's window, as the preview does; the parent then
    // destroys its window.
    RecordingForm form;
    form.runtime = &runtime;
    const auto host = static_cast<vss::platform::WindowHandle>(std::strtoll(argument, nullptr, 10));
    return runtime.Run([&] {
      auto& me = runtime.Load(form, design);
      me.SetCaption("VSS embedded child");
      const auto hwnd = me.hWnd();
      win32.SetWindowLongA(hwnd, -16, win32.GetWindowLongA(hwnd, -16) | 0x40000000);
      win32.SetParent(hwnd, host);
      win32.SetWindowLongA(hwnd, -8, static_cast<std::int32_t>(host));
      win32.SetWindowPos(hwnd, 0, 0, 0, 152, 112, 0x54);
    });
  }
  return 99;
}

struct ChildResult {
  bool finished = false;
  DWORD code = 0;
};

std::string OwnPath() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  return path;
}

// Starts a copy of a program (this one by default) and waits for it with a
// deadline, keeping this thread's windows answering (the child may send
// messages to them).
ChildResult StartChild(const std::string& mode, const std::string& argument = "",
                       const std::function<void()>& onStarted = {},
                       const std::string& program = OwnPath(),
                       const std::string& commandLineGiven = "") {
  std::string commandLine = commandLineGiven.empty() ? "\"" + program + "\" /s" : commandLineGiven;
  SetEnvironmentVariableA("VSS_TEST_CHILD", mode.c_str());
  SetEnvironmentVariableA("VSS_TEST_ARGUMENT", argument.c_str());
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  ChildResult result;
  const BOOL started = CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                                      0, nullptr, nullptr, &startup, &process);
  SetEnvironmentVariableA("VSS_TEST_CHILD", nullptr);
  SetEnvironmentVariableA("VSS_TEST_ARGUMENT", nullptr);
  if (!started) return result;
  if (onStarted) onStarted();
  const ULONGLONG deadline = GetTickCount64() + 60000;
  for (;;) {
    const ULONGLONG now = GetTickCount64();
    if (now >= deadline) break;
    const DWORD wait = MsgWaitForMultipleObjects(1, &process.hProcess, FALSE,
                                                 static_cast<DWORD>(deadline - now), QS_ALLINPUT);
    if (wait == WAIT_OBJECT_0) {
      result.finished = true;
      break;
    }
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
  }
  if (result.finished) {
    GetExitCodeProcess(process.hProcess, &result.code);
  } else {
    TerminateProcess(process.hProcess, 1);
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return result;
}

void CheckChild(const std::string& mode, DWORD expectedCode, const std::string& expectedMarker,
                const std::string& what) {
  RegDeleteKeyA(HKEY_CURRENT_USER, MarkerKey);
  const ChildResult r = StartChild(mode);
  Check(r.finished, what + ": the process ends");
  CheckEqual(static_cast<long>(r.code), static_cast<long>(expectedCode), what + ": exit code");
  CheckEqual(ReadMarker(), expectedMarker, what + ": error cleanup");
}

// ---- The parent's checks ----------------------------------------------------------

void CheckSettings(Win32Runtime& runtime) {
  const std::string path = std::string("Software\\") + Title + "\\Options";
  RegDeleteTreeA(HKEY_CURRENT_USER, (std::string("Software\\") + Title).c_str());

  CheckEqual(runtime.GetSetting(Title, "Options", "Delay Interval", "120"), std::string("120"),
             "settings: an absent section gives the default");
  runtime.SaveSetting(Title, "Options", "Delay Interval", "3600");
  runtime.SaveSetting(Title, "Options", "Delay Random", "-1");
  CheckEqual(runtime.GetSetting(Title, "Options", "Delay Interval", "120"), std::string("3600"),
             "settings: a saved text reads back");
  CheckEqual(runtime.GetSetting(Title, "Options", "Delay Random", "0"), std::string("-1"),
             "settings: a second key of the section");
  CheckEqual(runtime.GetSetting(Title, "Options", "Missing", "dflt"), std::string("dflt"),
             "settings: an absent value gives the default");
  runtime.SaveSetting(Title, "Options", "Delay Interval", " 600 ");
  CheckEqual(runtime.GetSetting(Title, "Options", "Delay Interval", "120"), std::string(" 600 "),
             "settings: overwritten, spaces kept");
  runtime.SaveSetting(Title, "Options", "Empty", "");
  CheckEqual(runtime.GetSetting(Title, "Options", "Empty", "dflt"), std::string(""),
             "settings: an empty text is a text, not absent");
  {
    char data[8] = {};
    DWORD size = sizeof data;
    DWORD type = 0;
    RegGetValueA(HKEY_CURRENT_USER, path.c_str(), "Delay Random", RRF_RT_ANY, &type, data, &size);
    Check(type == REG_SZ && std::string(data) == "-1", "settings: stored as REG_SZ under HKCU");
  }

  HKEY key = nullptr;
  RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE | KEY_QUERY_VALUE,
                  nullptr, &key, nullptr);
  const DWORD number = 120;
  RegSetValueExA(key, "Dword", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
  const BYTE bytes[3] = {'1', '2', '0'};
  RegSetValueExA(key, "Binary", 0, REG_BINARY, bytes, sizeof bytes);
  RegSetValueExA(key, "Unterminated", 0, REG_SZ, reinterpret_cast<const BYTE*>("600"), 3);
  const std::string longText(100000, 'x');
  RegSetValueExA(key, "Long", 0, REG_SZ, reinterpret_cast<const BYTE*>(longText.c_str()),
                 static_cast<DWORD>(longText.size() + 1));

  CheckEqual(runtime.GetSetting(Title, "Options", "Dword", "120"), std::string(""),
             "settings: a DWORD value reads as a text no option accepts");
  CheckEqual(runtime.GetSetting(Title, "Options", "Binary", "120"), std::string(""),
             "settings: a binary value likewise");
  {
    DWORD type = 0;
    DWORD value = 0;
    DWORD size = sizeof value;
    RegQueryValueExA(key, "Dword", nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
    Check(type == REG_DWORD && value == 120, "settings: reading leaves the DWORD value as it was");
  }
  CheckEqual(runtime.GetSetting(Title, "Options", "Unterminated", "120"), std::string("600"),
             "settings: a text stored without its terminator");
  const std::string readLong = runtime.GetSetting(Title, "Options", "Long", "");
  Check(readLong == longText, "settings: a 100000-character text is read whole (" +
                                  std::to_string(readLong.size()) + " characters)");
  RegCloseKey(key);

  const int invalidCall = static_cast<int>(vss::ErrorNumber::InvalidProcedureCall);
  CheckRaises([&] { runtime.GetSetting("", "Options", "Key", "x"); }, invalidCall,
              "settings: an empty application name is refused");
  CheckRaises([&] { runtime.SaveSetting(Title, "", "Key", "x"); }, invalidCall,
              "settings: an empty section is refused");
  CheckRaises([&] { runtime.SaveSetting(std::string(300, 'n'), "Options", "Key", "x"); },
              invalidCall, "settings: a failing write raises the runtime's error");
  RegDeleteTreeA(HKEY_CURRENT_USER, (std::string("Software\\") + Title).c_str());
}

void CheckFormBasics(Win32Runtime& runtime) {
  RecordingForm code;
  code.runtime = &runtime;
  auto& form = dynamic_cast<Win32Form&>(runtime.Load(code, SaverLikeDesign("Form1")));
  HWND window = form.Window();
  Check(code.loadedInsideLoad && code.events == std::vector<std::string>{"Load"},
        "Load binds the code and raises Form_Load inside the call");
  CheckEqual(&runtime.Load(code, SaverLikeDesign("Form1")),
             static_cast<vss::platform::Form*>(&form), "loading a loaded form gives the same form");
  CheckEqual(code.Count("Load"), 1, "... without a second Form_Load");
  char className[64] = {};
  GetClassNameA(window, className, sizeof className);
  CheckEqual(std::string(className), std::string("ThunderRT5Form"), "the form window class");
  CheckEqual(form.Caption(), std::string("Form1"), "the window text is the design caption");
  form.SetCaption("VSS caption test");
  Check(FindWindowA("ThunderRT5Form", "VSS caption test") == window,
        "a new caption is the window text FindWindowA looks for");
  const LONG style = GetWindowLongA(window, GWL_STYLE);
  Check(!IsWindowVisible(window), "the loaded form is hidden");
  Check((style & (WS_POPUP | WS_CAPTION | WS_THICKFRAME | WS_SYSMENU | WS_CHILD)) == 0,
        "BorderStyle None: an overlapped window without frame, caption or WS_POPUP");

  const float tpp = runtime.TwipsPerPixelX();
  form.SetWidth(200 * tpp);
  form.SetHeight(100 * runtime.TwipsPerPixelY());
  form.SetLeft(10 * tpp);
  form.SetTop(20 * runtime.TwipsPerPixelY());
  RECT r{};
  GetWindowRect(window, &r);
  Check(r.left == 10 && r.top == 20 && r.right - r.left == 200 && r.bottom - r.top == 100,
        "Width, Height, Left, Top in twips place the window " + Describe(r));
  Check(form.Width() == 200 * tpp && form.Height() == 100 * runtime.TwipsPerPixelY() &&
            form.Left() == 10 * tpp && form.Top() == 20 * runtime.TwipsPerPixelY(),
        "... and read back from the real window in twips");
  GetClientRect(window, &r);
  Check(r.right == 200 && r.bottom == 100, "no border: the client area is the whole window");
  Check(!IsWindowVisible(window), "sizing does not show the window");
  form.SetWidth(201.4f * tpp);
  CheckEqual(static_cast<int>(form.Width() / tpp), 201, "twips round to the nearest pixel");
  CheckRaises([&] { form.SetWidth(-1); }, 380, "a negative Width is refused");
  CheckRaises([&] { form.Controls("tmrTimer", 1); },
              static_cast<int>(vss::ErrorNumber::SubscriptOutOfRange), "an unknown control index");
  CheckRaises([&] { form.Controls("tmrTimer").SetValue(vss::True); },
              static_cast<int>(vss::ErrorNumber::NotSupported), "a timer has no Value");
  CheckRaises([&] { form.Show(1); }, static_cast<int>(vss::ErrorNumber::InvalidProcedureCall),
              "a modal Show is refused");

  // Input: client pixels become twips; button up raises MouseUp then Click;
  // a double click replaces the second MouseDown and raises no Click.
  code.events.clear();
  const LPARAM at = MAKELPARAM(10, 20);
  const std::string xy = std::to_string(static_cast<long>(10 * tpp)) + " " +
                         std::to_string(static_cast<long>(20 * runtime.TwipsPerPixelY()));
  SendMessageA(window, WM_MOUSEMOVE, MK_LBUTTON | MK_SHIFT, at);
  SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, at);
  SendMessageA(window, WM_LBUTTONUP, 0, at);
  SendMessageA(window, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
  SendMessageA(window, WM_LBUTTONUP, 0, at);
  SendMessageA(window, WM_RBUTTONDOWN, MK_RBUTTON | MK_CONTROL, at);
  SendMessageA(window, WM_RBUTTONUP, MK_CONTROL, at);
  SendMessageA(window, WM_MBUTTONDOWN, MK_MBUTTON, at);
  SendMessageA(window, WM_KEYDOWN, 'A', 0);
  SendMessageA(window, WM_CHAR, 'a', 0);
  SendMessageA(window, WM_KEYUP, 'A', 0);
  SendMessageA(window, WM_SYSKEYDOWN, VK_F10, 0);
  const std::vector<std::string> expected = {"MouseMove 1 1 " + xy,
                                             "MouseDown 1 0 " + xy,
                                             "MouseUp 1 0 " + xy,
                                             "Click",
                                             "DblClick",
                                             "MouseUp 1 0 " + xy,
                                             "MouseDown 2 2 " + xy,
                                             "MouseUp 2 2 " + xy,
                                             "Click",
                                             "MouseDown 4 0 " + xy,
                                             "KeyDown 65 0",
                                             "KeyPress 97",
                                             "KeyUp 65 0",
                                             "KeyDown 121 0"};
  Check(code.events == expected, "input events in order: " + code.Joined());

  // A handler that unloads the form ends the sequence: no Click after it.
  code.events.clear();
  code.unloadOn = "MouseUp";
  SendMessageA(window, WM_LBUTTONUP, 0, at);
  Check(code.events == std::vector<std::string>{"MouseUp 1 0 " + xy, "Unload"},
        "MouseUp unloading the form: Form_Unload, then no Click (" + code.Joined() + ")");
  Check(!IsWindow(window) && !code.Loaded() && !form.Loaded(),
        "the window is destroyed and the code unbound");
  CheckEqual(runtime.LoadedFormCount(), std::size_t{0}, "no form is left");
  SendMessageA(window, WM_KEYDOWN, 'A', 0);
  CheckEqual(code.Count("KeyDown 65 0"), 0, "events after the unload find no window");
  runtime.Unload(form);
  CheckEqual(code.Count("Unload"), 1, "unloading again raises nothing");
}

void CheckCancelAndClose(Win32Runtime& runtime) {
  RecordingForm code;
  code.runtime = &runtime;
  code.cancelUnloads = 1;
  auto& form = dynamic_cast<Win32Form&>(runtime.Load(code, SaverLikeDesign("VSS cancel")));
  HWND window = form.Window();
  runtime.Unload(form);
  Check(code.Count("Unload") == 1 && IsWindow(window) && code.Loaded(),
        "Cancel = 1 in Form_Unload keeps the form");
  SendMessageA(window, WM_CLOSE, 0, 0);
  Check(code.Count("Unload") == 2 && !IsWindow(window) && !code.Loaded(),
        "WM_CLOSE unloads through Form_Unload");
}

void CheckTimer(Win32Runtime& runtime) {
  RecordingForm code;
  code.runtime = &runtime;
  auto& form = runtime.Load(code, SaverLikeDesign("VSS timer"));
  auto& timer = form.Controls("tmrTimer");
  CheckEqual(timer.Interval(), 0, "the timer starts with Interval 0");
  timer.SetInterval(20);
  Check(runtime.PumpMessages([&] { return code.Count("tmrTimer 0") >= 3; }, 5000),
        "Interval 20 raises the timer's event with its name and index");
  timer.SetInterval(0);
  const int ticks = code.Count("tmrTimer 0");
  runtime.PumpMessages([] { return false; }, 200);
  CheckEqual(code.Count("tmrTimer 0"), ticks, "Interval 0 stops it");
  timer.SetEnabled(vss::False);
  timer.SetInterval(20);
  runtime.PumpMessages([] { return false; }, 200);
  CheckEqual(code.Count("tmrTimer 0"), ticks, "a disabled timer raises nothing");
  timer.SetEnabled(vss::True);
  Check(runtime.PumpMessages([&] { return code.Count("tmrTimer 0") > ticks; }, 5000),
        "enabled again, it runs");
  code.ticksToUnload = 1;
  Check(runtime.PumpMessages([&] { return !code.Loaded(); }, 5000), "a Tick may unload the form");
  const int after = code.Count("tmrTimer 0");
  runtime.PumpMessages([] { return false; }, 200);
  CheckEqual(code.Count("tmrTimer 0"), after, "no Tick after the unload");
}

void CheckDrawing(Win32Runtime& runtime) {
  RecordingForm code;
  code.runtime = &runtime;
  auto& form = dynamic_cast<Win32Form&>(runtime.Load(code, SaverLikeDesign("VSS drawing")));
  HWND window = form.Window();
  const float tppX = runtime.TwipsPerPixelX();
  const float tppY = runtime.TwipsPerPixelY();
  form.SetAutoRedraw(vss::True);
  form.SetBackColor(0xFF0000);  // blue, as 0x00BBGGRR
  form.SetWidth(500 * tppX);
  form.SetHeight(600 * tppY);
  SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW | SWP_NOACTIVATE);

  const auto picture = runtime.LoadResPicture(101, 0);
  // As the saver draws: HIMETRIC units used as twips.
  form.Cls();
  form.PaintPicture(*picture, 40 * tppX, 20 * tppY, static_cast<float>(picture->Width()),
                    static_cast<float>(picture->Height()));
  const int w = static_cast<int>(vss::RoundHalfEven(picture->Width() / tppX));
  const int h = static_cast<int>(vss::RoundHalfEven(picture->Height() / tppY));
  UpdateWindow(window);
  HDC dc = GetDC(window);
  const COLORREF outside = GetPixel(dc, 5, 5);
  const COLORREF corner = GetPixel(dc, 40 + 1, 20 + 1);
  const COLORREF beyond = GetPixel(dc, 40 + w + 1, 20 + 1);
  ReleaseDC(window, dc);
  CheckEqual(static_cast<long>(outside), static_cast<long>(RGB(0, 0, 255)),
             "the window shows the back colour");
  CheckEqual(static_cast<long>(corner), static_cast<long>(RGB(0, 0, 0)),
             "and the frame's black background where it was painted");
  CheckEqual(static_cast<long>(beyond), static_cast<long>(RGB(0, 0, 255)),
             "the painted width is the picture's HIMETRIC size taken as twips");

  // The next Tick repaints only the frame's rectangle, not the window.
  ValidateRect(window, nullptr);
  form.Cls();
  form.PaintPicture(*picture, 40 * tppX, 20 * tppY, static_cast<float>(picture->Width()),
                    static_cast<float>(picture->Height()));
  const RECT frame{40, 20, 40 + w, 20 + h};
  Check(SameRect(UpdateRect(window), frame),
        "Cls + PaintPicture invalidate only the frame " + Describe(UpdateRect(window)));
  ValidateRect(window, nullptr);
  form.Cls();
  form.PaintPicture(*picture, 60 * tppX, 30 * tppY, static_cast<float>(picture->Width()),
                    static_cast<float>(picture->Height()));
  const RECT both{40, 20, 60 + w, 30 + h};
  Check(SameRect(UpdateRect(window), both),
        "a moved frame invalidates the old and the new place " + Describe(UpdateRect(window)));
  UpdateWindow(window);
  dc = GetDC(window);
  const COLORREF cleared = GetPixel(dc, 41, 21);
  ReleaseDC(window, dc);
  CheckEqual(static_cast<long>(cleared), static_cast<long>(RGB(0, 0, 255)),
             "Cls cleared the old place to the back colour");

  // The same drawing from a Tick, as the saver does it: on the screen once
  // the message is handled, and only the frame's rectangles. A green mark
  // put on the screen where the image holds the back colour must stay: a
  // repaint of the whole window, at once or on WM_PAINT, would cover it.
  int place = 0;
  bool paint = true;
  code.onTick = [&] {
    form.Cls();
    if (paint) {
      form.PaintPicture(*picture, (40 + place) * tppX, (20 + place / 2) * tppY,
                        static_cast<float>(picture->Width()),
                        static_cast<float>(picture->Height()));
    }
  };
  const auto tick = [&] {
    HDC mark = GetDC(window);
    SetPixel(mark, 5, 5, RGB(0, 255, 0));
    ReleaseDC(window, mark);
    const int ticks = code.Count("tmrTimer 0");
    SendMessageA(window, WM_TIMER, static_cast<WPARAM>(form.Controls("tmrTimer").Id()), 0);
    CheckEqual(code.Count("tmrTimer 0"), ticks + 1, "a WM_TIMER of the form is a Tick");
    UpdateWindow(window);
  };
  const auto pixel = [&](int x, int y) {
    HDC screen = GetDC(window);
    const COLORREF c = GetPixel(screen, x, y);
    ReleaseDC(window, screen);
    return static_cast<long>(c);
  };
  const long green = static_cast<long>(RGB(0, 255, 0));
  const long blue = static_cast<long>(RGB(0, 0, 255));
  const long black = static_cast<long>(RGB(0, 0, 0));
  tick();
  CheckEqual(pixel(41, 21), black, "a Tick's frame reaches the screen");
  CheckEqual(pixel(5, 5), green, "a Tick repaints the frame, not the window");
  // The next frame lands over part of the cleared one: that part shows the
  // frame, the rest the back colour.
  place = 20;
  tick();
  CheckEqual(pixel(61, 31), black, "a frame over the cleared place is not cleared after it");
  CheckEqual(pixel(41, 21), blue, "the Tick's Cls cleared what the new frame leaves");
  CheckEqual(pixel(5, 5), green, "a moved frame repaints the two places, not the window");
  paint = false;
  tick();
  CheckEqual(pixel(61, 31), blue, "a Tick with Cls alone clears the frame on the screen");
  CheckEqual(pixel(5, 5), green, "Cls repaints what was drawn, not the window");
  code.onTick = nullptr;

  // The preview: the whole picture stretched over the whole window.
  ValidateRect(window, nullptr);
  form.Cls();
  form.PaintPicture(*picture, 0, 0, form.Width(), form.Height());
  Check(SameRect(UpdateRect(window), RECT{0, 0, 500, 600}),
        "a stretched frame invalidates the window it covers");
  UpdateWindow(window);
  dc = GetDC(window);
  const COLORREF stretchedCorner = GetPixel(dc, 1, 1);
  ReleaseDC(window, dc);
  CheckEqual(static_cast<long>(stretchedCorner), static_cast<long>(RGB(0, 0, 0)),
             "the stretched frame reaches the window's corner");

  // The preview size: the frame shrunk to 152 x 112 covers all of it.
  form.SetWidth(152 * tppX);
  form.SetHeight(112 * tppY);
  form.Cls();
  form.PaintPicture(*picture, 0, 0, form.Width(), form.Height());
  UpdateWindow(window);
  dc = GetDC(window);
  int backPixels = 0;
  for (int y = 0; y < 112; y += 4) {
    for (int x = 0; x < 152; x += 4) {
      if (GetPixel(dc, x, y) == RGB(0, 0, 255)) ++backPixels;
    }
  }
  ReleaseDC(window, dc);
  CheckEqual(backPixels, 0, "a frame shrunk to the preview covers the whole window");
  form.SetHeight(600 * tppY);

  // The image grows with the window and keeps its content.
  form.SetWidth(700 * tppX);
  UpdateWindow(window);
  dc = GetDC(window);
  const COLORREF kept = GetPixel(dc, 1, 1);
  const COLORREF grown = GetPixel(dc, 650, 10);
  ReleaseDC(window, dc);
  Check(kept == RGB(0, 0, 0) && grown == RGB(0, 0, 255),
        "a wider window keeps the drawing and shows the back colour beyond it");
  runtime.Unload(form);
}

void CheckEmbedding(Win32Runtime& runtime, Win32API& win32) {
  // The preview sequence into a window of this process, then the host goes.
  HWND host = CreateWindowExA(0, "STATIC", "VSS host", WS_POPUP | WS_VISIBLE, 0, 0, 300, 200,
                              nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  HWND area = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE, 20, 20, 152, 112, host,
                              nullptr, GetModuleHandleA(nullptr), nullptr);
  RecordingForm code;
  code.runtime = &runtime;
  auto& form = dynamic_cast<Win32Form&>(runtime.Load(code, SaverLikeDesign("VSS embedded")));
  const auto hwnd = form.hWnd();
  const auto areaHandle = static_cast<std::int32_t>(reinterpret_cast<std::intptr_t>(area));
  win32.SetWindowLongA(hwnd, -16, win32.GetWindowLongA(hwnd, -16) | 0x40000000);
  win32.SetParent(hwnd, areaHandle);
  win32.SetWindowLongA(hwnd, -8, areaHandle);
  win32.SetWindowPos(hwnd, 0, 0, 0, 152, 112, 0x54);
  vss::platform::Rect client;
  Check(win32.GetClientRect(areaHandle, client) != 0 && client.right == 152 && client.bottom == 112,
        "GetClientRect fills the host's client size");
  Check(GetParent(form.Window()) == area && IsWindowVisible(form.Window()),
        "the form is a visible child of the host area");
  CheckEqual(static_cast<long>(form.Width()), static_cast<long>(152 * runtime.TwipsPerPixelX()),
             "Width of the embedded form");
  CheckEqual(static_cast<long>(form.Left()), 0L, "Left is in the host's client area");
  DestroyWindow(host);
  Check(code.Count("Unload") == 1 && !code.Loaded() && runtime.LoadedFormCount() == 0,
        "destroying the host unloads the form: Form_Unload once");

  // A child left without a real parent (the re-parenting failed): the
  // watchdog unloads it rather than leave an invisible process.
  RecordingForm orphan;
  orphan.runtime = &runtime;
  auto& lost = runtime.Load(orphan, SaverLikeDesign("VSS orphan"));
  win32.SetWindowLongA(lost.hWnd(), -16, win32.GetWindowLongA(lost.hWnd(), -16) | 0x40000000);
  Check(runtime.PumpMessages([&] { return !orphan.Loaded(); }, 10000),
        "the watchdog unloads a child window whose host is missing");
  CheckEqual(orphan.Count("Unload"), 1, "... through Form_Unload once");
}

void CheckApi(Win32Runtime& runtime, Win32API& win32) {
  vss::platform::Rect desktop;
  win32.GetWindowRect(win32.GetDesktopWindow(), desktop);
  Check(desktop.right == GetSystemMetrics(SM_CXSCREEN) &&
            desktop.bottom == GetSystemMetrics(SM_CYSCREEN),
        "GetWindowRect of the desktop gives the screen size");
  vss::platform::Rect untouched{1, 2, 3, 4};
  Check(win32.GetClientRect(0, untouched) == 0 && untouched.right == 3,
        "GetClientRect of no window returns 0");
  Check(win32.GetClientRect(0x7FFFFFF0, untouched) == 0, "... and of a handle naming none");

  RecordingForm code;
  code.runtime = &runtime;
  auto& form = runtime.Load(code, SaverLikeDesign("VSS api"));
  form.SetCaption(Title);
  CheckEqual(win32.FindWindowA("ThunderRT5Form", Title), form.hWnd(),
             "FindWindowA finds the form by class and caption");
  CheckEqual(win32.FindWindowA("ThunderRT5Form", "no such caption"), vss::platform::WindowHandle{0},
             "FindWindowA gives 0 when nothing matches");
  HWND owner = CreateWindowExA(0, "STATIC", "VSS owner", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                               GetModuleHandleA(nullptr), nullptr);
  win32.SetWindowLongA(form.hWnd(), -8,
                       static_cast<std::int32_t>(reinterpret_cast<std::intptr_t>(owner)));
  CheckEqual(GetWindow(reinterpret_cast<HWND>(form.hWnd()), GW_OWNER), owner,
             "SetWindowLongA(-8) sets the owner");
  CheckEqual(
      win32.GetWindowLongA(form.hWnd(), -16),
      static_cast<std::int32_t>(GetWindowLongA(reinterpret_cast<HWND>(form.hWnd()), GWL_STYLE)),
      "GetWindowLongA(-16) gives the style");
  runtime.Unload(form);
  DestroyWindow(owner);

  const int before = ShowCursor(TRUE) - 1;
  ShowCursor(FALSE);
  win32.ShowCursor(0);
  win32.ShowCursor(0);
  win32.ShowCursor(0);
  win32.ShowCursor(-1);
  CheckEqual(win32.NetCursorHides(), 2, "ShowCursor counts the net hides");
  win32.RestoreAfterError();
  const int after = ShowCursor(TRUE) - 1;
  ShowCursor(FALSE);
  Check(win32.NetCursorHides() == 0 && after == before,
        "RestoreAfterError shows the cursor as often as it was hidden");
  Check(win32.PlaySoundA(nullptr, 0, 4) != 0, "PlaySoundA(null) stops nothing and succeeds");
}

}  // namespace

int main() {
  char mode[64] = {};
  char argument[64] = {};
  if (GetEnvironmentVariableA("VSS_TEST_CHILD", mode, sizeof mode) > 0) {
    GetEnvironmentVariableA("VSS_TEST_ARGUMENT", argument, sizeof argument);
    return RunChild(mode, argument);
  }

  Win32Runtime runtime(vss::platform::AppDescription{Title});
  Win32API win32;
  CheckEqual(runtime.AppTitle(), std::string(Title), "App.Title");
  Check(runtime.AppPrevInstance() == vss::False, "the first instance sees no previous one");
  CheckEqual(runtime.Command(), std::string("/p 1234"), "Command: what follows the program name");
  const int dpi = runtime.PixelsPerInchX();
  CheckEqual(runtime.TwipsPerPixelX(), 1440.0f / static_cast<float>(dpi),
             "TwipsPerPixelX = 1440 / pixels per inch");
  CheckEqual(runtime.ScreenWidth(), GetSystemMetrics(SM_CXSCREEN) * runtime.TwipsPerPixelX(),
             "Screen.Width in twips");
  CheckEqual(runtime.ScreenHeight(), GetSystemMetrics(SM_CYSCREEN) * runtime.TwipsPerPixelY(),
             "Screen.Height in twips");
  {
    bool inRange = true;
    float first = runtime.Rnd();
    bool varied = false;
    for (int i = 0; i < 1000; ++i) {
      const float r = runtime.Rnd();
      inRange = inRange && r >= 0.0f && r < 1.0f;
      varied = varied || r != first;
    }
    runtime.Randomize();
    Check(inRange && varied, "Rnd gives varied singles in [0, 1)");
  }

  CheckSettings(runtime);
  CheckFormBasics(runtime);
  CheckCancelAndClose(runtime);
  CheckTimer(runtime);
  CheckDrawing(runtime);
  CheckEmbedding(runtime, win32);
  CheckApi(runtime, win32);

  {
    // A path with spaces, unquoted on the command line: the switch is still
    // what follows the program's name.
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    const std::string dir = std::string(temp) + "vss runtime test";
    const std::string copy = dir + "\\copy of runtime tests.exe";
    CreateDirectoryA(dir.c_str(), nullptr);
    CopyFileA(OwnPath().c_str(), copy.c_str(), FALSE);
    const ChildResult unquoted = StartChild("command", "", {}, copy, copy + " /P  99 ");
    Check(unquoted.finished, "unquoted path with spaces: the copy ran");
    CheckEqual(ReadMarker("command"), std::string("[/P  99 ]"),
               "unquoted path with spaces: Command skips the whole path");
    const ChildResult quoted = StartChild("command", "", {}, copy, "\"" + copy + "\"\t/c:1234");
    Check(quoted.finished, "quoted path: the copy ran");
    CheckEqual(ReadMarker("command"), std::string("[/c:1234]"),
               "quoted path: Command skips it and the tab after it");
    DeleteFileA(copy.c_str());
    RemoveDirectoryA(dir.c_str());
  }

  // What ends a process.
  {
    const ChildResult r = StartChild("prev");
    Check(r.finished && r.code == 10, "a second copy sees App.PrevInstance");
  }
  CheckChild("no-form", 0, "(none)", "Main loading no form");
  CheckChild("run-ends", 0, "(none)", "the last form unloading");
  CheckChild("throw-main", static_cast<DWORD>(vss::ErrorNumber::Overflow), "throw-main 0",
             "a runtime error out of Main");
  CheckChild("throw-timer", static_cast<DWORD>(vss::ErrorNumber::SubscriptOutOfRange),
             "throw-timer 0", "a runtime error out of a Tick, cursor hidden twice");
  {
    HWND host = CreateWindowExA(0, "STATIC", "VSS cross-process host", WS_POPUP | WS_VISIBLE, 0, 0,
                                300, 200, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    RegDeleteKeyA(HKEY_CURRENT_USER, MarkerKey);
    bool embedded = false;
    const ChildResult r =
        StartChild("embedded", std::to_string(reinterpret_cast<std::intptr_t>(host)), [&] {
          // Wait for the child's window inside the host, then take the host down.
          const ULONGLONG deadline = GetTickCount64() + 30000;
          while (GetTickCount64() < deadline && !embedded) {
            embedded = FindWindowExA(host, nullptr, "ThunderRT5Form", nullptr) != nullptr;
            MSG message;
            while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
            if (!embedded) MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
          }
          DestroyWindow(host);
        });
    Check(embedded, "another process's form embeds into this process's window");
    Check(r.finished && r.code == 0, "destroying the host ends that process, exit code 0");
  }

  return Summary();
}
