// Forms, controls and pictures of the Windows forms runtime.
//
// Implements:
//  - one window class "ThunderRT5Form" for every form; window text = Caption
//  - BorderStyle None: a top-level window without WS_POPUP, frame stripped
//    (it can be re-parented into another process's preview window)
//  - BorderStyle Sizable: caption, sizable frame, system menu; client area
//    from the design
//  - AutoRedraw: a persistent 32-bit DIB section the window repaints from;
//    Cls and PaintPicture repaint only what they changed, once at the end
//    of the form's message, straight onto the window
//  - under Wine, a window embedded in another process's window (the
//    preview) copies what it repaints onto the screen itself: Wine drops
//    that window's own painting
//  - input messages raised as the form's events, in the runtime's order
//  - timer, frame, option button, label, combo box and command button as
//    real Windows controls, keyboard handling by IsDialogMessage
#pragma once

#include "platform/basWin32API.h"
#include "platform/runtime.h"
// Only now <windows.h>: its macros share names with constants declared above.
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace vss::win32 {

class Win32Runtime;
class Win32Form;

// A bitmap resource used in place: the DIB stays where the loader mapped it.
class Win32Picture final : public platform::Picture {
 public:
  Win32Picture(const BITMAPINFO* info, const void* bits, int pixelWidth, int pixelHeight,
               std::int32_t himetricWidth, std::int32_t himetricHeight)
      : info_(info),
        bits_(bits),
        pixelWidth_(pixelWidth),
        pixelHeight_(pixelHeight),
        himetricWidth_(himetricWidth),
        himetricHeight_(himetricHeight) {}

  std::int32_t Width() const override { return himetricWidth_; }
  std::int32_t Height() const override { return himetricHeight_; }

  const BITMAPINFO* Info() const { return info_; }
  const void* Bits() const { return bits_; }
  int PixelWidth() const { return pixelWidth_; }
  int PixelHeight() const { return pixelHeight_; }

 private:
  const BITMAPINFO* info_;
  const void* bits_;
  int pixelWidth_;
  int pixelHeight_;
  std::int32_t himetricWidth_;
  std::int32_t himetricHeight_;
};

// One control of a form. Kinds override the properties they have; the rest
// raise the runtime's error through the base class.
class Win32Control : public platform::Control {
 public:
  Win32Control(Win32Form& form, const platform::ControlDesign& design, int id);
  ~Win32Control() override = default;
  Win32Control(const Win32Control&) = delete;
  Win32Control& operator=(const Win32Control&) = delete;

  platform::ControlKind Kind() const override { return design_.Kind; }
  const platform::ControlDesign& Design() const { return design_; }
  int Id() const { return id_; }
  // The control's own window; null for a timer.
  HWND Window() const { return window_; }

  void SetEnabled(Boolean enabled) override;
  Boolean Enabled() const override;

  // Creates the native control (nothing for a timer) at a pixel rectangle
  // of the form's client area.
  virtual void Create(HWND parent, const RECT& pixels, HFONT font);
  // A WM_COMMAND notification from the native control.
  virtual void OnCommand(WORD /*notification*/) {}
  // The form goes: stop whatever runs on its own.
  virtual void Retire() {}

 protected:
  void CreateWindowed(const char* className, DWORD style, const RECT& pixels, HWND parent,
                      HFONT font);
  // Widens the control when its caption, in its font, would be clipped: the
  // design's sizes were made for a font that may measure narrower than the
  // one found here, or at another resolution. Never narrower, never past the
  // form's client area.
  void FitCaption(int decoration);
  int CharWidth(char c) const;
  Win32Form& form_;
  platform::ControlDesign design_;
  int id_;
  HWND window_ = nullptr;
  bool enabled_ = true;
};

class Win32Form final : public platform::Form {
 public:
  Win32Form(Win32Runtime& runtime, platform::FormModule& code, const platform::FormDesign& design);
  ~Win32Form() override;
  Win32Form(const Win32Form&) = delete;
  Win32Form& operator=(const Win32Form&) = delete;

  // Creates the hidden window and its controls.
  void Create();

  Win32Runtime& Runtime() const { return runtime_; }
  platform::FormModule& Code() const { return code_; }
  const platform::FormDesign& Design() const { return design_; }
  HWND Window() const { return window_; }
  bool Loaded() const { return loaded_; }
  void MarkLoaded() { loaded_ = true; }
  // Holds controls that take the keyboard: the message loop runs
  // IsDialogMessage for it.
  bool IsDialog() const { return isDialog_; }
  // False when the form is already unloading (or gone).
  bool BeginUnload();
  void CancelUnload() { unloading_ = false; }
  // Stops timers, unbinds the code (unless it may be gone already) and,
  // unless it is already going, destroys the window. No event is raised
  // afterwards.
  void Retire(bool destroyWindow, bool unbind = true);

  // platform::Form
  void SetCaption(const std::string& caption) override;
  std::string Caption() const override;
  void SetAutoRedraw(Boolean autoRedraw) override;
  void SetBackColor(std::int32_t color) override;
  float Width() const override;
  void SetWidth(float twips) override;
  float Height() const override;
  void SetHeight(float twips) override;
  float Left() const override;
  void SetLeft(float twips) override;
  float Top() const override;
  void SetTop(float twips) override;
  platform::WindowHandle hWnd() const override;
  void Cls() override;
  void PaintPicture(const platform::Picture& picture, float x, float y, float width,
                    float height) override;
  void Show(std::int32_t modal) override;
  Win32Control& Controls(const std::string& name, std::int16_t index = 0) override;

  // Used by the controls.
  void RaiseControlEvent(const std::string& name, std::int16_t index);
  std::vector<Win32Control*> ControlsOfKind(platform::ControlKind kind) const;
  void SetDefaultButton(Win32Control* button);
  Win32Control* DefaultButton() const { return defaultButton_; }
  // Shows the default-button border on the focused command button, or on
  // the default button when the focus is elsewhere.
  void RefreshDefaultBorder();

  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  // Bracket every message handled for this form: drawing done within one
  // reaches the screen once, when the outermost one ends.
  void BeginMessage() { ++messageDepth_; }
  void EndMessage();

 private:
  class Image;

  COLORREF BackRgb() const;
  HBRUSH BackBrush();
  RECT OuterRect() const;
  void MoveTo(int x, int y);
  void ResizeTo(int width, int height);
  int ToPixelsX(double twips) const;
  int ToPixelsY(double twips) const;
  void EnsureImage();
  // A changed part of the image: shown at the end of the form's current
  // message, or at once outside one.
  void Changed(const RECT& rect);
  // Fills what Cls cleared and nothing has covered since.
  void FillPendingClears();
  void ShowChanged();
  // Copies a painted part of the image straight onto the screen, for a
  // window whose own painting cannot reach it (see PaintsAreLost).
  void PaintOnScreen(HDC paintDc, const RECT& rect);
  RECT ClientPixels() const;
  void RaiseMouse(UINT message, WPARAM wParam, LPARAM lParam);
  void RaiseKey(UINT message, WPARAM wParam);
  Win32Control* ControlById(int id) const;
  void RestoreFocus();

  Win32Runtime& runtime_;
  platform::FormModule& code_;
  platform::FormDesign design_;
  HWND window_ = nullptr;
  bool loaded_ = false;
  bool unloading_ = false;
  bool isDialog_ = false;
  std::vector<std::unique_ptr<Win32Control>> controls_;
  Win32Control* defaultButton_ = nullptr;
  HWND savedFocus_ = nullptr;

  bool autoRedraw_ = false;
  // Button face of the system until the code sets a colour of its own.
  std::uint32_t backColor_ = 0x8000000Fu;
  HBRUSH backBrush_ = nullptr;
  COLORREF backBrushColor_ = 0;
  std::unique_ptr<Image> image_;
  // What the image holds besides its clean colour: the rectangles drawn
  // since the last clear. Cls repaints only these.
  bool imageClean_ = false;
  COLORREF imageCleanColor_ = 0;
  std::vector<RECT> drawn_;
  // Cleared by Cls but not yet filled: a picture painted over one before
  // the image is read makes the fill needless.
  std::vector<RECT> pendingClears_;
  // Parts of the image changed since the screen last showed them.
  std::vector<RECT> changed_;
  // Messages of this form being handled (nested ones included).
  int messageDepth_ = 0;
  // The release after a double click raises MouseUp only.
  bool afterDoubleClick_ = false;
};

// Registers the form window class of the runtime, with the executable's
// icon group 1 as its big and small icon.
void RegisterFormClass(HINSTANCE instance);

}  // namespace vss::win32
