// What the rules layer asks of a backend: native windows, controls,
// drawing, resources, the settings store and the process. Backends only
// translate; every rule the behaviour can observe lives in runtime/.
//
// Input goes the other way, through the event API: a backend reports each
// native event to the LoadedForm or LoadedControl it belongs to
// (LoadedForm::InputMouseDown, LoadedControl::InputClick, ...), which
// raises the form's events in the runtime's order.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "api/forms.h"
#include "runtime/image.h"
#include "runtime/resources.h"

namespace vss::runtime {

class LoadedControl;
class LoadedForm;

// A native control. Its state lives in LoadedControl; the peer shows it.
class ControlPeer {
 public:
  virtual ~ControlPeer() = default;
  virtual void SetEnabled(bool /*enabled*/) {}
  virtual void SetChecked(bool /*checked*/) {}
  virtual void SetDefault(bool /*isDefault*/) {}
  virtual void InsertItem(int /*index*/, const std::string& /*text*/) {}
  virtual void SetSelection(int /*index*/) {}  // -1: none
  // A timer: fire every `milliseconds`, counting afresh from now; 0 stops it.
  virtual void SetTimer(std::int32_t /*milliseconds*/) {}
};

// A form's native window.
class FormPeer {
 public:
  virtual ~FormPeer() = default;
  virtual WindowHandle Handle() const = 0;
  virtual void SetCaption(const std::string& caption) = 0;
  // The outer rectangle in pixels, in the parent's client coordinates.
  virtual PixelRect Bounds() const = 0;
  virtual int ClientWidth() const = 0;
  virtual int ClientHeight() const = 0;
  virtual void Move(int x, int y) = 0;
  virtual void Resize(int width, int height) = 0;
  virtual void Show() = 0;
  // Puts image content on the window: the back colour on each fill, then
  // each picture scaled to its place; all of it within clip when given.
  virtual void Render(const std::vector<PixelRect>& fills, const std::vector<DrawOp>& draws,
                      std::uint32_t backRgb, const PixelRect* clip) = 0;
  // Destroys the native window and its controls. Not called for a window
  // that went by itself (LoadedForm::WindowLost).
  virtual void Destroy() = 0;
};

struct ScreenMetrics {
  int WidthPixels = 0;
  int HeightPixels = 0;
  int PixelsPerInchX = 96;
  int PixelsPerInchY = 96;
};

class Backend {
 public:
  virtual ~Backend() = default;

  // True when another instance of the program runs. Asked once, at start;
  // the claim lasts for the life of the process.
  virtual bool ClaimInstance(const std::string& title) = 0;
  // What follows the program's name on its command line.
  virtual std::string CommandLine() = 0;
  virtual ScreenMetrics Screen() = 0;
  // 0x00RRGGBB of a system colour (the low byte of 0x800000nn).
  virtual std::uint32_t SystemColor(int index) = 0;

  // The hidden native window of the form, with a peer attached to each of
  // its controls (LoadedControl::Attach), created in the order LoadedForm::Controls
  // lists them (the tab order).
  virtual std::unique_ptr<FormPeer> CreateForm(LoadedForm& form) = 0;

  virtual ResourceBytes FindResource(const ResourceType& type, std::int32_t id) = 0;

  // The stored text, or nullopt when absent; a store that cannot be read
  // throws RuntimeError. Writing throws RuntimeError with plain words on
  // failure.
  virtual std::optional<std::string> ReadSetting(const std::string& app, const std::string& section,
                                                 const std::string& key) = 0;
  virtual void WriteSetting(const std::string& app, const std::string& section,
                            const std::string& key, const std::string& value) = 0;

  virtual double SecondsSinceMidnight() = 0;

  // The start procedure has returned and no form is left: end the loop.
  virtual void Quit() = 0;
  // Tells the user why the program ends, in a message box owned by form.
  virtual void ShowError(LoadedForm& owner, const std::string& title, const std::string& text) = 0;
  [[noreturn]] virtual void Exit(int code) = 0;
};

}  // namespace vss::runtime
