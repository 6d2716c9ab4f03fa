// The native side of each control kind: a timer of the form's window, a
// BUTTON (frame, option button, command button), a STATIC label or a
// drop-down COMBOBOX, in the 8-point "MS Sans Serif" dialog font. Their
// state lives in runtime::LoadedControl; these only show it and report the
// user's clicks and choices.
#pragma once

#include <memory>
#include <string>

#include "backends/win32/win32_handle.h"
#include "runtime/backend.h"

namespace vss::runtime {
class LoadedControl;
}

namespace vss::win32 {

class Win32Form;

class Win32Control : public runtime::ControlPeer {
 public:
  Win32Control(Win32Form& form, runtime::LoadedControl& control, int id)
      : form_(form), control_(control), id_(id) {}
  ~Win32Control() override;
  Win32Control(const Win32Control&) = delete;
  Win32Control& operator=(const Win32Control&) = delete;

  // The control's own window; null for a timer.
  HWND Window() const { return window_; }
  runtime::LoadedControl& Model() const { return control_; }
  // A WM_COMMAND notification from the native control. It may unload the
  // form, and with it this object: nothing may follow it.
  virtual void Command(WORD /*notification*/) {}

  void SetEnabled(bool enabled) override;

 protected:
  void Create(const char* className, DWORD style, const RECT& pixels, HFONT font);
  // Widens the control when its caption, in the font actually found, would
  // be clipped: the design was measured in a font that may be narrower, or
  // at another resolution. Never narrower, never past the form.
  void FitCaption(int decoration);
  int CharWidth(char c) const;

  Win32Form& form_;
  runtime::LoadedControl& control_;
  const int id_;
  HWND window_ = nullptr;
};

// The peer of control, at a pixel rectangle of the form's client area.
std::unique_ptr<Win32Control> CreateControlWindow(Win32Form& form, runtime::LoadedControl& control,
                                                  int id, const RECT& pixels, HFONT font);

// Shows the default-button border on the focused push button, or on the
// form's default button (DM_GETDEFID) when the focus is elsewhere, as a
// dialog box does: Enter presses the bordered button.
void RefreshDefaultBorder(HWND form);

}  // namespace vss::win32
