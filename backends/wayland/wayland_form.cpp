#include "backends/wayland/wayland_form.h"

#include <algorithm>
#include <vector>

#include "runtime/forms_runtime.h"

namespace vss::wayland {

// ---- FormWindows ---------------------------------------------------------------

WaylandForm* FormWindows::Find(WindowHandle handle) const {
  const auto found = forms_.find(handle);
  return found == forms_.end() ? nullptr : found->second;
}

void FormWindows::SetCursorHidden(bool hidden) {
  cursorHidden_ = hidden;
  cursorChanged_ = true;
}

// Between messages: a cursor shown as the form goes must not load the
// cursor theme for a surface that is gone the moment after.
void FormWindows::ApplyCursor() {
  if (!cursorChanged_) return;
  cursorChanged_ = false;
  for (const auto& seat : connection_.Seats()) seat->ApplyCursor();
}

WaylandForm* FormWindows::FormOf(wl_surface* surface, runtime::Offset& offset) const {
  for (const auto& [handle, form] : forms_) {
    for (const auto& [output, view] : form->views_) {
      if (view->Surface() != surface) continue;
      offset = view->OffsetOf(form->width_, form->height_);
      return form;
    }
  }
  return nullptr;
}

bool FormWindows::Ours(wl_surface* surface) const {
  runtime::Offset offset;
  return FormOf(surface, offset) != nullptr;
}

void FormWindows::PointerMoved(wl_surface* surface, int x, int y, std::int16_t buttons,
                               std::int16_t shift) {
  runtime::Offset offset;
  if (WaylandForm* form = FormOf(surface, offset)) {
    form->form_.InputMouseMove(buttons, shift, x - offset.X, y - offset.Y);
  }
}

void FormWindows::PointerButton(wl_surface* surface, int x, int y, std::int16_t button,
                                bool pressed, std::int16_t shift) {
  runtime::Offset offset;
  WaylandForm* form = FormOf(surface, offset);
  if (form == nullptr) return;
  x -= offset.X;
  y -= offset.Y;
  // The saver ends on the first press and waits for no second.
  if (pressed) {
    form->form_.InputMouseDown(button, shift, x, y, false);
  } else {
    form->form_.InputMouseUp(button, shift, x, y);
  }
}

// KeyPress carries the character in the system's 8-bit code page: Latin-1
// characters only, as X11's lookup gives them.
void FormWindows::Key(wl_surface* surface, std::int16_t code, bool pressed, std::uint32_t character,
                      std::int16_t shift) {
  runtime::Offset offset;
  WaylandForm* form = FormOf(surface, offset);
  if (form == nullptr) return;
  if (!pressed) {
    if (code != 0) form->form_.InputKeyUp(code, shift);
    return;
  }
  if (code != 0) form->form_.InputKeyDown(code, shift);
  // The handler may have unloaded the form, taking its peer with it.
  form = FormOf(surface, offset);
  if (form != nullptr && character > 0 && character < 0x100) {
    form->form_.InputKeyPress(static_cast<std::int16_t>(character));
  }
}

void FormWindows::OutputReady(Output& output) {
  for (const auto& [handle, form] : forms_) {
    if (form->shown_ && !form->gone_) form->Cover(output);
  }
}

void FormWindows::OutputChanged(Output& output) {
  for (const auto& [handle, form] : forms_) {
    const auto view = form->views_.find(&output);
    if (view != form->views_.end()) view->second->Rescale();
  }
}

void FormWindows::OutputGone(Output& output) {
  for (const auto& [handle, form] : forms_) form->views_.erase(&output);
}

void FormWindows::Lost() {
  std::vector<WaylandForm*> forms;
  for (const auto& [handle, form] : forms_) forms.push_back(form);
  for (WaylandForm* form : forms) {
    form->views_.clear();
    form->gone_ = true;
  }
  // Each report may end the program's last form and with it the others.
  for (WaylandForm* form : forms) {
    if (Find(form->handle_) == form) form->form_.InputWindowLost();
  }
}

// ---- WaylandForm --------------------------------------------------------------------

WaylandForm::WaylandForm(FormWindows& windows, EventLoop& loop, runtime::LoadedForm& form)
    : windows_(windows), form_(form), handle_(windows.nextHandle_++) {
  const runtime::Units& units = form_.Owner().Metrics();
  width_ = units.PixelsX(form_.Design().ClientWidth);
  height_ = units.PixelsY(form_.Design().ClientHeight);
  windows_.forms_[handle_] = this;
  for (const auto& control : form.Controls()) {
    if (control->Kind() == ControlKind::Timer) control->Attach(loop.CreateTimer(*control));
  }
}

WaylandForm::~WaylandForm() {
  Destroy();
  windows_.forms_.erase(handle_);
}

void WaylandForm::Destroy() {
  views_.clear();
  gone_ = true;
}

void WaylandForm::Move(int x, int y) {
  x_ = x;
  y_ = y;
}

// The form's client area is centred on each output: a new size moves its
// image there.
void WaylandForm::Resize(int width, int height) {
  width = std::max(0, width);
  height = std::max(0, height);
  if (width == width_ && height == height_) return;
  width_ = width;
  height_ = height;
  for (const auto& [output, view] : views_) {
    view->Relayout();
    Expose(*view);
  }
}

void WaylandForm::Show() {
  if (gone_) return;
  shown_ = true;
  for (const auto& output : windows_.Display().Outputs()) {
    if (output->ready) Cover(*output);
  }
}

void WaylandForm::Cover(Output& output) {
  if (views_.count(&output) != 0) return;
  views_[&output] = std::make_unique<OutputView>(windows_.Display(), windows_.Pictures(), output,
                                                 *this, !windows_.Host());
}

void WaylandForm::Render(const std::vector<runtime::PixelRect>& fills,
                         const std::vector<runtime::DrawOp>& draws, std::uint32_t backRgb,
                         const runtime::PixelRect* clip) {
  for (const auto& [output, view] : views_) {
    if (exposing_ == nullptr || exposing_ == view.get()) {
      view->Render(fills, draws, backRgb, clip, view->OffsetOf(width_, height_));
    }
  }
}

void WaylandForm::Configured(OutputView& view) { Expose(view); }

void WaylandForm::Closed(OutputView& view) { views_.erase(&view.Of()); }

void WaylandForm::Expose(OutputView& view) {
  if (!view.Configured()) return;
  const runtime::Offset offset = view.OffsetOf(width_, height_);
  exposing_ = &view;
  form_.InputExpose({-offset.X, -offset.Y, -offset.X + view.Width(), -offset.Y + view.Height()});
  exposing_ = nullptr;
}

}  // namespace vss::wayland
