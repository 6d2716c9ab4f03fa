#include "runtime/loaded_form.h"

#include <algorithm>

#include "runtime/forms_runtime.h"

namespace vss::runtime {

using platform::ControlKind;

Form::Form(Runtime& runtime, platform::FormModule& code, const platform::FormDesign& design)
    : runtime_(runtime), code_(code), design_(design), caption_(design.Caption) {
  // Creation order is the tab order.
  std::vector<const platform::ControlDesign*> order;
  for (const auto& c : design_.Controls) order.push_back(&c);
  std::stable_sort(order.begin(), order.end(),
                   [](const auto* a, const auto* b) { return a->TabIndex < b->TabIndex; });
  for (const auto* c : order) controls_.push_back(std::make_unique<Control>(*this, *c));
}

Form::~Form() = default;

void Form::Create() { peer_ = runtime_.Platform().CreateForm(*this); }

Control* Form::FindControl(const std::string& name, std::int16_t index) const {
  for (const auto& control : controls_) {
    if (control->Design().Name == name && control->Design().Index == index) return control.get();
  }
  return nullptr;
}

bool Form::IsDialog() const {
  return std::any_of(controls_.begin(), controls_.end(),
                     [](const auto& c) { return c->Kind() != ControlKind::Timer; });
}

std::uint32_t Form::BackRgb() const {
  if (backColor_ & 0x80000000u) {
    return runtime_.Platform().SystemColor(static_cast<int>(backColor_ & 0xFFu));
  }
  // The runtime's colours are 0x00BBGGRR.
  return (backColor_ & 0xFFu) << 16 | (backColor_ & 0xFF00u) | (backColor_ >> 16 & 0xFFu);
}

void Form::SetDefaultButton(Control* button) {
  if (defaultButton_ == button) return;
  if (defaultButton_ != nullptr) defaultButton_->ShowDefault(false);
  defaultButton_ = button;
  if (button != nullptr) button->ShowDefault(true);
}

// ---- Life cycle ----------------------------------------------------------------

bool Form::BeginUnload() {
  if (!loaded_ || unloading_) return false;
  unloading_ = true;
  return true;
}

void Form::Retire(bool destroyWindow) {
  unloading_ = true;
  loaded_ = false;
  for (auto& control : controls_) control->Retire();
  code_.Bind(nullptr);
  // The peer itself lives as long as the form: the native event that
  // unloaded it may still be on the stack.
  if (peer_ && destroyWindow) peer_->Destroy();
  retired_ = true;
}

void Form::RaiseControlEvent(const std::string& name, std::int16_t index) {
  if (loaded_) code_.ControlEvent(name, index);
}

void Form::Changed() {
  if (!runtime_.InMessage()) Flush();
}

void Form::Flush() {
  PersistentImage::Changes changes = image_.TakeChanges();
  if (!Live() || changes.Empty()) return;
  if (!changes.Whole) {
    peer_->Render(changes.Fills, changes.Draws, BackRgb(), nullptr);
    return;
  }
  std::vector<DrawOp> all = image_.Kept();
  all.insert(all.end(), changes.Draws.begin(), changes.Draws.end());
  peer_->Render({PixelRect{0, 0, peer_->ClientWidth(), peer_->ClientHeight()}}, all, BackRgb(),
                nullptr);
}

// ---- Input ---------------------------------------------------------------------

void Form::Deliver(const std::function<void()>& event) {
  runtime_.Dispatch([this, &event] {
    if (loaded_ && !unloading_) event();
  });
}

void Form::MouseMove(std::int16_t buttons, std::int16_t shift, int x, int y) {
  const Units& units = runtime_.Metrics();
  Deliver([&] { code_.Form_MouseMove(buttons, shift, units.TwipsX(x), units.TwipsY(y)); });
}

void Form::MouseDown(std::int16_t button, std::int16_t shift, int x, int y, bool secondOfDouble) {
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

void Form::MouseUp(std::int16_t button, std::int16_t shift, int x, int y) {
  const Units& units = runtime_.Metrics();
  Deliver([&] {
    const bool click = !afterDoubleClick_;
    afterDoubleClick_ = false;
    code_.Form_MouseUp(button, shift, units.TwipsX(x), units.TwipsY(y));
    // A handler that unloaded the form ends the sequence.
    if (click && loaded_ && !unloading_) code_.Form_Click();
  });
}

void Form::KeyDown(std::int16_t keyCode, std::int16_t shift) {
  Deliver([&] { code_.Form_KeyDown(keyCode, shift); });
}

void Form::KeyUp(std::int16_t keyCode, std::int16_t shift) {
  Deliver([&] { code_.Form_KeyUp(keyCode, shift); });
}

void Form::KeyPress(std::int16_t character) {
  Deliver([&] { code_.Form_KeyPress(character); });
}

void Form::Expose(const PixelRect& area) {
  runtime_.Dispatch([this, &area] {
    if (Live()) peer_->Render({area}, image_.Kept(), BackRgb(), &area);
  });
}

void Form::CloseRequested() {
  runtime_.Dispatch([this] { runtime_.Unload(*this); });
}

void Form::WindowLost() {
  runtime_.Dispatch([this] { runtime_.FormWindowLost(*this); });
}

// ---- Properties ------------------------------------------------------------------

void Form::SetCaption(const std::string& caption) {
  runtime_.Trace(Name() + ".Caption=" + caption);
  caption_ = caption;
  if (Live()) peer_->SetCaption(caption);
}

void Form::SetAutoRedraw(Boolean autoRedraw) {
  runtime_.Trace(Name() + ".AutoRedraw=" + std::to_string(autoRedraw));
  autoRedraw_ = autoRedraw != False;
}

void Form::SetBackColor(std::int32_t color) {
  runtime_.Trace(Name() + ".BackColor=" + std::to_string(color));
  backColor_ = static_cast<std::uint32_t>(color);
  // A new back colour clears what was drawn, as a Cls would.
  image_.Reset();
  Changed();
}

bool Form::Live() const { return peer_ && !retired_; }

PixelRect Form::Bounds() const { return Live() ? peer_->Bounds() : PixelRect{}; }

float Form::Width() const {
  const PixelRect r = Bounds();
  return runtime_.Metrics().TwipsX(r.right - r.left);
}

float Form::Height() const {
  const PixelRect r = Bounds();
  return runtime_.Metrics().TwipsY(r.bottom - r.top);
}

float Form::Left() const { return runtime_.Metrics().TwipsX(Bounds().left); }
float Form::Top() const { return runtime_.Metrics().TwipsY(Bounds().top); }

void Form::SetWidth(float twips) {
  if (twips < 0) {
    throw RuntimeError(ErrorNumber::InvalidPropertyValue, "Invalid property value: " + Name() + ".Width");
  }
  runtime_.Trace(Name() + ".Width=" + FormatNumber(twips));
  const PixelRect r = Bounds();
  if (Live()) peer_->Resize(runtime_.Metrics().PixelsX(twips), r.bottom - r.top);
}

void Form::SetHeight(float twips) {
  if (twips < 0) {
    throw RuntimeError(ErrorNumber::InvalidPropertyValue, "Invalid property value: " + Name() + ".Height");
  }
  runtime_.Trace(Name() + ".Height=" + FormatNumber(twips));
  const PixelRect r = Bounds();
  if (Live()) peer_->Resize(r.right - r.left, runtime_.Metrics().PixelsY(twips));
}

void Form::SetLeft(float twips) {
  runtime_.Trace(Name() + ".Left=" + FormatNumber(twips));
  if (Live()) peer_->Move(runtime_.Metrics().PixelsX(twips), Bounds().top);
}

void Form::SetTop(float twips) {
  runtime_.Trace(Name() + ".Top=" + FormatNumber(twips));
  if (Live()) peer_->Move(Bounds().left, runtime_.Metrics().PixelsY(twips));
}

platform::WindowHandle Form::hWnd() const { return Live() ? peer_->Handle() : 0; }

// ---- Drawing -------------------------------------------------------------------

void Form::Cls() {
  runtime_.Trace(Name() + ".Cls");
  image_.Clear(autoRedraw_);
  Changed();
}

void Form::PaintPicture(const platform::Picture& picture, float x, float y, float width,
                        float height) {
  const auto* loaded = dynamic_cast<const Picture*>(&picture);
  if (loaded == nullptr) {
    throw RuntimeError(ErrorNumber::InvalidPicture, "Invalid picture: not loaded by this runtime");
  }
  runtime_.Trace(Name() + ".PaintPicture(" + std::to_string(loaded->Id()) + "," + FormatNumber(x) +
                 "," + FormatNumber(y) + "," + FormatNumber(width) + "," + FormatNumber(height) +
                 ")");
  const Units& units = runtime_.Metrics();
  DrawOp op{loaded->Bitmap(), units.PixelsX(x), units.PixelsY(y), units.PixelsX(width),
            units.PixelsY(height), autoRedraw_};
  if (op.Width == 0 || op.Height == 0) return;
  image_.Draw(op);
  Changed();
}

void Form::Show(platform::ShowMode mode) {
  if (mode != platform::ShowMode::Modeless) {
    throw RuntimeError(ErrorNumber::InvalidProcedureCall,
                       "Invalid procedure call: modal forms are not supported");
  }
  runtime_.Trace(Name() + ".Show(" + std::to_string(static_cast<int>(mode)) + ")");
  shown_ = true;
  if (Live()) peer_->Show();
}

platform::Control& Form::Controls(const std::string& name, std::int16_t index) {
  if (Control* control = FindControl(name, index)) return *control;
  // A control name is a subscript of the form's controls.
  throw RuntimeError(ErrorNumber::SubscriptOutOfRange, "Control array element '" + name + "(" +
                                                           std::to_string(index) +
                                                           ")' doesn't exist");
}

}  // namespace vss::runtime
