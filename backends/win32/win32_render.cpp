// FormPeer::Render: the back colour and the pictures straight onto the
// window, with no image of the window kept in between.
#include <cstdlib>
#include <optional>

#include "backends/win32/win32_form.h"
#include "backends/win32/wine_quirks.h"
#include "runtime/dib.h"

namespace vss::win32 {

namespace {

void DrawPicture(HDC dc, const runtime::DrawOp& op) {
  const runtime::Dib& picture = op.Picture;
  // Enlarged frames keep their hard pixels; a shrunk one (the preview) is
  // averaged, or thin lines of the figure would drop out.
  const bool shrinking =
      std::abs(op.Width) < picture.Width() || std::abs(op.Height) < picture.Height();
  ::SetStretchBltMode(dc, shrinking ? HALFTONE : COLORONCOLOR);
  if (shrinking) ::SetBrushOrgEx(dc, 0, 0, nullptr);
  ::StretchDIBits(dc, op.X, op.Y, op.Width, op.Height, 0, 0, picture.Width(), picture.Height(),
                  picture.Bits(), reinterpret_cast<const BITMAPINFO*>(picture.Info()),
                  DIB_RGB_COLORS, SRCCOPY);
}

void Paint(HDC dc, const std::vector<runtime::PixelRect>& fills,
           const std::vector<runtime::DrawOp>& draws, std::uint32_t backRgb,
           const runtime::PixelRect* clip) {
  // Saved only for a clip; the stretch mode is set for every picture anyway.
  const int saved = clip != nullptr ? ::SaveDC(dc) : 0;
  if (clip != nullptr) ::IntersectClipRect(dc, clip->left, clip->top, clip->right, clip->bottom);
  // The back colour around the pictures, not under them: no flicker. Under
  // Wine each change of a DC's clip costs the next draw new X state (and a
  // look for ~/.Xdefaults), so a Tick that only swaps the frame, with
  // nothing to fill, changes no clip at all.
  if (!fills.empty()) {
    const int beforeFill = ::SaveDC(dc);
    for (const auto& op : draws) {
      const runtime::PixelRect r = op.Bounds();
      ::ExcludeClipRect(dc, r.left, r.top, r.right, r.bottom);
    }
    ::SetDCBrushColor(dc, RGB(backRgb >> 16 & 0xFF, backRgb >> 8 & 0xFF, backRgb & 0xFF));
    const auto brush = static_cast<HBRUSH>(::GetStockObject(DC_BRUSH));
    for (const auto& f : fills) {
      const RECT r{f.left, f.top, f.right, f.bottom};
      ::FillRect(dc, &r, brush);
    }
    ::RestoreDC(dc, beforeFill);
  }
  for (const auto& op : draws) DrawPicture(dc, op);
  if (saved != 0) ::RestoreDC(dc, saved);
}

}  // namespace

void Win32Form::Render(const std::vector<runtime::PixelRect>& fills,
                       const std::vector<runtime::DrawOp>& draws, std::uint32_t backRgb,
                       const runtime::PixelRect* clip) {
  if (window_ == nullptr) return;
  HDC paintDc = PaintDcOf(window_);
  const bool lost = WinePaintsAreLost(window_);
  if (paintDc == nullptr && (hasWindowedControls_ || lost)) {
    // Over child controls (the form has no WS_CLIPCHILDREN), and where only
    // a paint can reach the screen, the change goes through WM_PAINT.
    for (const auto& f : fills) {
      const RECT r{f.left, f.top, f.right, f.bottom};
      ::InvalidateRect(window_, &r, FALSE);
    }
    for (const auto& op : draws) {
      const runtime::PixelRect b = op.Bounds();
      const RECT r{b.left, b.top, b.right, b.bottom};
      ::InvalidateRect(window_, &r, FALSE);
    }
    return;
  }
  if (paintDc != nullptr) {
    std::optional<WineHostSurface> host;
    if (lost) host.emplace(window_, paintDc);
    if (HDC dc = lost ? host->Dc() : paintDc) Paint(dc, fills, draws, backRgb, clip);
    return;
  }
  if (HDC dc = ::GetDC(window_)) {
    Paint(dc, fills, draws, backRgb, clip);
    ::ReleaseDC(window_, dc);
  }
}

}  // namespace vss::win32
