// The benchmark's floor: the least a program can do to show the same
// animation and play the same sound. At load the clip resource starts looped,
// from memory, asynchronously, as the saver plays it; a black full-screen
// topmost window; every 500 ms the next frame goes to the place and size the
// saver uses, with one StretchDIBits and nothing else (no persistent image,
// no reloading).
#include <windows.h>
#include <mmsystem.h>

namespace {

const BITMAPINFO* g_frames[2] = {nullptr, nullptr};
int g_current = 0;

const BITMAPINFO* LoadFrame(int id) {
  HRSRC res = FindResourceA(nullptr, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(2));  // RT_BITMAP
  if (!res) return nullptr;
  HGLOBAL mem = LoadResource(nullptr, res);
  return mem ? static_cast<const BITMAPINFO*>(LockResource(mem)) : nullptr;
}

void Draw(HDC dc, int screenW, int screenH) {
  const BITMAPINFO* bmi = g_frames[g_current];
  const int srcW = bmi->bmiHeader.biWidth;
  const int srcH = bmi->bmiHeader.biHeight;
  // The saver's drawn size: HIMETRIC extent taken as twips, 2540/1440 of
  // the pixel size, centred.
  const int w = MulDiv(srcW, 2540, 1440);
  const int h = MulDiv(srcH, 2540, 1440);
  const int colours = bmi->bmiHeader.biClrUsed ? static_cast<int>(bmi->bmiHeader.biClrUsed)
                                               : (1 << bmi->bmiHeader.biBitCount);
  const BYTE* bits =
      reinterpret_cast<const BYTE*>(bmi) + bmi->bmiHeader.biSize + colours * sizeof(RGBQUAD);
  StretchDIBits(dc, (screenW - w) / 2, (screenH - h) / 2, w, h, 0, 0, srcW, srcH, bits, bmi,
                DIB_RGB_COLORS, SRCCOPY);
}

LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_TIMER: {
      g_current ^= 1;
      RECT r;
      GetClientRect(hwnd, &r);
      HDC dc = GetDC(hwnd);
      Draw(dc, r.right, r.bottom);
      ReleaseDC(hwnd, dc);
      return 0;
    }
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      RECT r;
      GetClientRect(hwnd, &r);
      Draw(dc, r.right, r.bottom);
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_KEYDOWN:
    case WM_LBUTTONDOWN:
    case WM_CLOSE:
      DestroyWindow(hwnd);
      return 0;
    case WM_DESTROY:
      PlaySoundA(nullptr, nullptr, 0);
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcA(hwnd, msg, wp, lp);
  }
}

}  // namespace

int WINAPI WinMain(HINSTANCE inst, HINSTANCE, LPSTR, int) {
  g_frames[0] = LoadFrame(101);
  g_frames[1] = LoadFrame(102);
  if (!g_frames[0] || !g_frames[1]) return 2;
  HRSRC clip = FindResourceA(nullptr, MAKEINTRESOURCEA(101), "WAVE");
  HGLOBAL clipMemory = clip ? LoadResource(nullptr, clip) : nullptr;
  if (!clipMemory) return 4;
  PlaySoundA(static_cast<LPCSTR>(LockResource(clipMemory)), nullptr,
             SND_ASYNC | SND_NODEFAULT | SND_MEMORY | SND_LOOP);

  WNDCLASSA wc{};
  wc.lpfnWndProc = Proc;
  wc.hInstance = inst;
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  wc.lpszClassName = "VssFloor";
  RegisterClassA(&wc);
  const int w = GetSystemMetrics(SM_CXSCREEN);
  const int h = GetSystemMetrics(SM_CYSCREEN);
  HWND hwnd = CreateWindowExA(WS_EX_TOPMOST, "VssFloor", "Vorlan Floor", WS_POPUP | WS_VISIBLE, 0,
                              0, w, h, nullptr, nullptr, inst, nullptr);
  if (!hwnd) return 3;
  SetTimer(hwnd, 1, 500, nullptr);
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return 0;
}
