// A form's native window: the "ThunderRT5Form" class, created per
// BorderStyle, and its window procedure, which reports each message to the
// Form or Control it is for. Drawing is in win32_render.cpp.
#pragma once

#include <memory>
#include <vector>

#include "backends/win32/win32_handle.h"
#include "runtime/backend.h"

namespace vss::runtime {
class LoadedControl;
class LoadedForm;
}  // namespace vss::runtime

namespace vss::win32 {

class Win32Control;
class Win32Backend;

// The class of every form window, with the executable's icon group 1.
void RegisterFormClass(HINSTANCE instance);

std::unique_ptr<runtime::FormPeer> CreateFormWindow(Win32Backend& backend,
                                                    runtime::LoadedForm& form);

class Win32Form final : public runtime::FormPeer {
 public:
  Win32Form(Win32Backend& backend, runtime::LoadedForm& form);
  ~Win32Form() override;
  Win32Form(const Win32Form&) = delete;
  Win32Form& operator=(const Win32Form&) = delete;

  HWND Window() const { return window_; }
  runtime::LoadedForm& Owner() const { return form_; }
  // The control peers, at the positions of Form::Controls.
  const std::vector<Win32Control*>& Controls() const { return controls_; }
  // A control's id: its position in Form::Controls from 100 on, clear of
  // IDOK and IDCANCEL, which IsDialogMessage sends for Enter without a
  // default button and for Esc: both must do nothing.
  static int IdOf(std::size_t position) { return 100 + static_cast<int>(position); }
  int IdOf(const runtime::LoadedControl& control) const;

  // runtime::FormPeer
  WindowHandle Handle() const override { return FromHwnd(window_); }
  void SetCaption(const std::string& caption) override;
  runtime::PixelRect Bounds() const override;
  int ClientWidth() const override;
  int ClientHeight() const override;
  void Move(int x, int y) override;
  void Resize(int width, int height) override;
  void Show() override;
  void Render(const std::vector<runtime::PixelRect>& fills,
              const std::vector<runtime::DrawOp>& draws, std::uint32_t backRgb,
              const runtime::PixelRect* clip) override;
  void Destroy() override;

 private:
  friend LRESULT CALLBACK FormProc(HWND, UINT, WPARAM, LPARAM) noexcept;
  friend std::unique_ptr<runtime::FormPeer> CreateFormWindow(Win32Backend&, runtime::LoadedForm&);
  void CreateControls(Win32Backend& backend);
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
  bool DialogMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
  void RestoreFocus();
  HBRUSH BackBrush();

  runtime::LoadedForm& form_;
  HWND window_ = nullptr;
  std::vector<Win32Control*> controls_;
  bool hasWindowedControls_ = false;
  bool destroying_ = false;
  HWND savedFocus_ = nullptr;
  HBRUSH backBrush_ = nullptr;
  COLORREF backBrushColor_ = 0;
};

// The DC of the WM_PAINT being handled for window, or null.
HDC PaintDcOf(HWND window);

}  // namespace vss::win32
