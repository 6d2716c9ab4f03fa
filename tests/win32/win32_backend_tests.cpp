// What only the real Windows backend can show: the registry store, drawing
// that reaches the screen and its repaint on exposure, the watchdog, and the
// cursor shown again after a runtime error. The runtime's rules are
// tested once, on the recording backend (tests/unit); a key whose rights
// deny reading or writing, end to end (tests/e2e/test_options.py).
#include <memory>
#include <string>

#include "tests/win32/check.h"
#include "backends/win32/win32_api.h"
#include "backends/win32/win32_backend.h"
#include "backends/win32/win32_form.h"
#include "runtime/loaded_form.h"

using namespace vss;
using namespace vss::win32;
using namespace vss::win32::test;

namespace {

constexpr const char* Title = "VSS Backend Test";
const std::string KeyPath = std::string("Software\\") + Title + "\\Options";

const FormDesign SaverLike{"frmTest", "", BorderStyle::None,
                           0,         0,  {{"tmr", 0, ControlKind::Timer, "", ""}}};

struct TickForm : FormModule {
  std::function<void()> onTick;
  int unloads = 0;
  void ControlEvent(const std::string&, std::int16_t) override { onTick(); }
  void Form_Unload(std::int16_t&) override { ++unloads; }
};

void SetValue(const char* name, DWORD type, const void* data, DWORD size) {
  ::RegSetKeyValueA(HKEY_CURRENT_USER, KeyPath.c_str(), name, type, data, size);
}

void CheckStore(Win32Backend& backend) {
  ::RegDeleteTreeA(HKEY_CURRENT_USER, (std::string("Software\\") + Title).c_str());
  Check(!backend.ReadSetting(Title, "Options", "Delay Interval"), "store: absent reads absent");
  backend.WriteSetting(Title, "Options", "Delay Interval", " 600 ");
  Check(backend.ReadSetting(Title, "Options", "Delay Interval") == " 600 ",
        "store: a written text reads back as it was");
  const DWORD number = 120;
  SetValue("Number", REG_DWORD, &number, sizeof number);
  SetValue("Unterminated", REG_SZ, "600", 3);
  const std::string longText(100000, '6');
  SetValue("Long", REG_SZ, longText.c_str(), static_cast<DWORD>(longText.size() + 1));
  Check(backend.ReadSetting(Title, "Options", "Number") == "", "store: a DWORD reads as \"\"");
  Check(backend.ReadSetting(Title, "Options", "Unterminated") == "600",
        "store: a text stored without its terminator");
  Check(backend.ReadSetting(Title, "Options", "Long") == longText,
        "store: a long text reads whole");
}

COLORREF Pixel(HWND window, int x, int y) {
  HDC dc = ::GetDC(window);
  const COLORREF c = ::GetPixel(dc, x, y);
  ::ReleaseDC(window, dc);
  return c;
}

void CheckDrawing(runtime::FormsRuntime& runtime) {
  TickForm code;
  auto picture = runtime.LoadResPicture(101, PictureKind::Bitmap);
  int place = 0;
  code.onTick = [&] {
    code.Me().Cls();
    code.Me().PaintPicture(*picture, (40 + place) * 15.0f, 300, picture->Width(),
                           picture->Height());
  };
  HWND window = nullptr;
  runtime.Dispatch([&] {
    auto& form = runtime.Load(code, SaverLike);
    form.SetAutoRedraw(True);
    form.SetBackColor(0xFF0000);  // blue, as 0x00BBGGRR
    form.SetWidth(500 * 15);
    form.SetHeight(600 * 15);
    form.Controls("tmr").SetInterval(60000);  // the test's WM_TIMER comes first
    window = ToHwnd(form.hWnd());
    ::SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW | SWP_NOACTIVATE);
  });
  ::UpdateWindow(window);
  const COLORREF blue = RGB(0, 0, 255), black = RGB(0, 0, 0), green = RGB(0, 255, 0);
  const auto tick = [&] {
    HDC dc = ::GetDC(window);
    ::SetPixel(dc, 5, 5, green);  // where the image holds the back colour
    ::ReleaseDC(window, dc);
    ::SendMessageA(window, WM_TIMER, Win32Form::IdOf(0), 0);
  };
  tick();
  Check(Pixel(window, 41, 21) == black, "drawing: a Tick's frame reaches the screen");
  Check(Pixel(window, 5, 5) == green, "drawing: a Tick repaints the frame's rectangle only");
  place = 20;
  tick();
  Check(Pixel(window, 41, 21) == blue && Pixel(window, 61, 21) == black,
        "drawing: a moved frame leaves the back colour where it was");
  Check(Pixel(window, 5, 5) == green, "drawing: ... and repaints nothing else");
  ::InvalidateRect(window, nullptr, FALSE);
  ::UpdateWindow(window);
  Check(Pixel(window, 5, 5) == blue && Pixel(window, 61, 21) == black &&
            Pixel(window, 41, 21) == blue,
        "drawing: exposure repaints what was drawn since Cls, the back colour elsewhere");

  // A child window whose parent went (a preview whose embedding failed).
  Watchdog watchdog(runtime);
  ::SetWindowLongA(window, GWL_STYLE, ::GetWindowLongA(window, GWL_STYLE) | WS_CHILD);
  Check(Pump(runtime, 10000, [&] { return !::IsWindow(window); }) && code.unloads == 1,
        "watchdog: an orphaned child is unloaded and its window destroyed");
}

// What the runtime's error cleanup asks of the OS calls (the cleanups' order
// and the exit code are the runtime's, tested on the recording backend and
// end to end).
void CheckRestoreAfterError() {
  Win32API win32;
  win32.ShowCursor(0);
  win32.ShowCursor(0);
  win32.RestoreAfterError();
  const int count = ::ShowCursor(FALSE);
  Check(count == -1,
        "error end: the cursor hidden twice shows again, count " + std::to_string(count + 1));
}

}  // namespace

int main() {
  Win32Backend backend;
  runtime::FormsRuntime runtime(backend, AppDescription{Title});
  CheckDrawing(runtime);
  CheckRestoreAfterError();
  CheckStore(backend);
  return Summary();
}
