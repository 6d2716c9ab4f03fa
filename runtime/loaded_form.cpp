#include "runtime/loaded_form.h"

#include <algorithm>

#include "runtime/forms_runtime.h"

namespace vss::runtime {

LoadedForm::LoadedForm(FormsRuntime& runtime, FormModule& code, const FormDesign& design)
    : runtime_(runtime), code_(code), design_(design), caption_(design.Caption) {
  // Creation order is the tab order.
  std::vector<const ControlDesign*> order;
  for (const auto& c : design_.Controls) order.push_back(&c);
  std::stable_sort(order.begin(), order.end(),
                   [](const auto* a, const auto* b) { return a->TabIndex < b->TabIndex; });
  for (const auto* c : order) controls_.push_back(std::make_unique<LoadedControl>(*this, *c));
}

LoadedForm::~LoadedForm() = default;

void LoadedForm::Create() { peer_ = runtime_.Platform().CreateForm(*this); }

LoadedControl* LoadedForm::FindControl(const std::string& name, std::int16_t index) const {
  for (const auto& control : controls_) {
    if (control->Design().Name == name && control->Design().Index == index) return control.get();
  }
  return nullptr;
}

bool LoadedForm::IsDialog() const {
  return std::any_of(controls_.begin(), controls_.end(),
                     [](const auto& c) { return c->Kind() != ControlKind::Timer; });
}

std::uint32_t LoadedForm::BackRgb() const {
  if (backColor_ & 0x80000000u) {
    return runtime_.Platform().SystemColor(static_cast<int>(backColor_ & 0xFFu));
  }
  // The runtime's colours are 0x00BBGGRR.
  return (backColor_ & 0xFFu) << 16 | (backColor_ & 0xFF00u) | (backColor_ >> 16 & 0xFFu);
}

LoadedControl* LoadedForm::OptionGroupEntry(const std::string& container) const {
  LoadedControl* entry = nullptr;
  for (const auto& control : controls_) {
    if (control->Kind() != ControlKind::OptionButton || control->Design().Container != container) {
      continue;
    }
    if (control->Value() != False) return control.get();
    if (entry == nullptr) entry = control.get();
  }
  return entry;
}

void LoadedForm::SetDefaultButton(LoadedControl* button) {
  if (defaultButton_ == button) return;
  if (defaultButton_ != nullptr) defaultButton_->ShowDefault(false);
  defaultButton_ = button;
  if (button != nullptr) button->ShowDefault(true);
}

// ---- Life cycle ----------------------------------------------------------------

bool LoadedForm::BeginUnload() {
  if (!loaded_ || unloading_) return false;
  unloading_ = true;
  return true;
}

void LoadedForm::Retire(bool destroyWindow) {
  unloading_ = true;
  loaded_ = false;
  for (auto& control : controls_) control->Retire();
  code_.Bind(nullptr);
  // The peer itself lives as long as the form: the native event that
  // unloaded it may still be on the stack.
  if (peer_ && destroyWindow) peer_->Destroy();
  retired_ = true;
}

void LoadedForm::RaiseControlEvent(const std::string& name, std::int16_t index) {
  if (loaded_) code_.ControlEvent(name, index);
}

void LoadedForm::Changed() {
  if (!runtime_.InMessage()) Flush();
}

void LoadedForm::Flush() {
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

// ---- Properties ------------------------------------------------------------------

void LoadedForm::SetCaption(const std::string& caption) {
  runtime_.Trace([&] { return Name() + ".Caption=" + caption; });
  caption_ = caption;
  if (Live()) peer_->SetCaption(caption);
}

void LoadedForm::SetAutoRedraw(Boolean autoRedraw) {
  runtime_.Trace([&] { return Name() + ".AutoRedraw=" + std::to_string(autoRedraw); });
  autoRedraw_ = autoRedraw != False;
}

void LoadedForm::SetBackColor(std::int32_t color) {
  runtime_.Trace([&] { return Name() + ".BackColor=" + std::to_string(color); });
  backColor_ = static_cast<std::uint32_t>(color);
  // A new back colour clears what was drawn, as a Cls would.
  image_.Reset();
  Changed();
}

bool LoadedForm::Live() const { return peer_ && !retired_; }

PixelRect LoadedForm::Bounds() const { return Live() ? peer_->Bounds() : PixelRect{}; }

float LoadedForm::Width() const {
  const PixelRect r = Bounds();
  return runtime_.Metrics().TwipsX(r.right - r.left);
}

float LoadedForm::Height() const {
  const PixelRect r = Bounds();
  return runtime_.Metrics().TwipsY(r.bottom - r.top);
}

float LoadedForm::Left() const { return runtime_.Metrics().TwipsX(Bounds().left); }
float LoadedForm::Top() const { return runtime_.Metrics().TwipsY(Bounds().top); }

void LoadedForm::SetWidth(float twips) {
  if (twips < 0) {
    throw RuntimeError(ErrorNumber::InvalidPropertyValue,
                       "Invalid property value: " + Name() + ".Width");
  }
  runtime_.Trace([&] { return Name() + ".Width=" + FormatNumber(twips); });
  const PixelRect r = Bounds();
  if (Live()) peer_->Resize(runtime_.Metrics().PixelsX(twips), r.bottom - r.top);
}

void LoadedForm::SetHeight(float twips) {
  if (twips < 0) {
    throw RuntimeError(ErrorNumber::InvalidPropertyValue,
                       "Invalid property value: " + Name() + ".Height");
  }
  runtime_.Trace([&] { return Name() + ".Height=" + FormatNumber(twips); });
  const PixelRect r = Bounds();
  if (Live()) peer_->Resize(r.right - r.left, runtime_.Metrics().PixelsY(twips));
}

void LoadedForm::SetLeft(float twips) {
  runtime_.Trace([&] { return Name() + ".Left=" + FormatNumber(twips); });
  if (Live()) peer_->Move(runtime_.Metrics().PixelsX(twips), Bounds().top);
}

void LoadedForm::SetTop(float twips) {
  runtime_.Trace([&] { return Name() + ".Top=" + FormatNumber(twips); });
  if (Live()) peer_->Move(Bounds().left, runtime_.Metrics().PixelsY(twips));
}

WindowHandle LoadedForm::hWnd() const { return Live() ? peer_->Handle() : 0; }

// ---- Drawing -------------------------------------------------------------------

void LoadedForm::Cls() {
  runtime_.Trace([&] { return Name() + ".Cls"; });
  image_.Clear(autoRedraw_);
  Changed();
}

void LoadedForm::PaintPicture(const Picture& picture, float x, float y, float width, float height) {
  const auto* loaded = dynamic_cast<const LoadedPicture*>(&picture);
  if (loaded == nullptr) {
    throw RuntimeError(ErrorNumber::InvalidPicture, "Invalid picture: not loaded by this runtime");
  }
  runtime_.Trace([&] {
    return Name() + ".PaintPicture(" + std::to_string(loaded->Id()) + "," + FormatNumber(x) + "," +
           FormatNumber(y) + "," + FormatNumber(width) + "," + FormatNumber(height) + ")";
  });
  const Units& units = runtime_.Metrics();
  DrawOp op{loaded->Bitmap(),     units.PixelsX(x),      units.PixelsY(y),
            units.PixelsX(width), units.PixelsY(height), autoRedraw_};
  if (op.Width == 0 || op.Height == 0) return;
  image_.Draw(op);
  Changed();
}

void LoadedForm::Show(ShowMode mode) {
  if (mode != ShowMode::Modeless) {
    throw RuntimeError(ErrorNumber::InvalidProcedureCall,
                       "Invalid procedure call: modal forms are not supported");
  }
  runtime_.Trace([&] { return Name() + ".Show(" + std::to_string(static_cast<int>(mode)) + ")"; });
  shown_ = true;
  if (Live()) peer_->Show();
}

Control& LoadedForm::Controls(const std::string& name, std::int16_t index) {
  if (LoadedControl* control = FindControl(name, index)) return *control;
  // A control name is a subscript of the form's controls.
  throw RuntimeError(
      ErrorNumber::SubscriptOutOfRange,
      "LoadedControl array element '" + name + "(" + std::to_string(index) + ")' doesn't exist");
}

}  // namespace vss::runtime
