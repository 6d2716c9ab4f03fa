// The event API: what a backend reports of native input, and the order in
// which it becomes the form's events. Each report is one message; a form
// that is unloaded, or unloading, receives nothing.
#include "runtime/forms_runtime.h"
#include "runtime/loaded_form.h"

namespace vss::runtime {

void LoadedForm::Deliver(const std::function<void()>& event) {
  runtime_.Dispatch([this, &event] {
    if (loaded_ && !unloading_) event();
  });
}

void LoadedForm::InputMouseMove(std::int16_t buttons, std::int16_t shift, int x, int y) {
  const Units& units = runtime_.Metrics();
  Deliver([&] { code_.Form_MouseMove(buttons, shift, units.TwipsX(x), units.TwipsY(y)); });
}

void LoadedForm::InputMouseDown(std::int16_t button, std::int16_t shift, int x, int y,
                                bool secondOfDouble) {
  const Units& units = runtime_.Metrics();
  Deliver([&] {
    afterDoubleClick_ = secondOfDouble;
    if (secondOfDouble) {
      code_.Form_DblClick();
    } else {
      code_.Form_MouseDown(button, shift, units.TwipsX(x), units.TwipsY(y));
    }
  });
}

void LoadedForm::InputMouseUp(std::int16_t button, std::int16_t shift, int x, int y) {
  const Units& units = runtime_.Metrics();
  Deliver([&] {
    const bool click = !afterDoubleClick_;
    afterDoubleClick_ = false;
    code_.Form_MouseUp(button, shift, units.TwipsX(x), units.TwipsY(y));
    // A handler that unloaded the form ends the sequence.
    if (click && loaded_ && !unloading_) code_.Form_Click();
  });
}

void LoadedForm::InputKeyDown(std::int16_t keyCode, std::int16_t shift) {
  Deliver([&] { code_.Form_KeyDown(keyCode, shift); });
}

void LoadedForm::InputKeyUp(std::int16_t keyCode, std::int16_t shift) {
  Deliver([&] { code_.Form_KeyUp(keyCode, shift); });
}

void LoadedForm::InputKeyPress(std::int16_t character) {
  Deliver([&] { code_.Form_KeyPress(character); });
}

void LoadedForm::InputExpose(const PixelRect& area) {
  runtime_.Dispatch([this, &area] {
    if (Live()) peer_->Render({area}, image_.Kept(), BackRgb(), &area);
  });
}

void LoadedForm::InputCloseRequest() {
  runtime_.Dispatch([this] { runtime_.Unload(*this); });
}

void LoadedForm::InputWindowLost() {
  runtime_.Dispatch([this] { runtime_.FormWindowLost(*this); });
}

}  // namespace vss::runtime
