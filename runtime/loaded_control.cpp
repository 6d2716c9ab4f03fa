#include "runtime/loaded_control.h"

#include <algorithm>

#include "runtime/loaded_form.h"
#include "runtime/forms_runtime.h"

namespace vss::runtime {

LoadedControl::LoadedControl(LoadedForm& form, const ControlDesign& design)
    : form_(form), design_(design) {}

std::string LoadedControl::Label() const {
  const auto& all = form_.Controls();
  const bool inArray = std::any_of(all.begin(), all.end(), [this](const auto& other) {
    return other.get() != this && other->design_.Name == design_.Name;
  });
  return inArray ? design_.Name + "(" + std::to_string(design_.Index) + ")" : design_.Name;
}

void LoadedControl::Require(ControlKind kind, const char* property) const {
  if (design_.Kind != kind) {
    throw RuntimeError(ErrorNumber::NotSupported,
                       std::string("Object doesn't support this property or method: ") +
                           design_.Name + "." + property);
  }
}

// Every bad list index is the same error, the one a bad property index gets.
void LoadedControl::CheckItem(const char* property, int index) const {
  if (index < 0 || static_cast<std::size_t>(index) >= items_.size()) {
    throw RuntimeError(ErrorNumber::InvalidPropertyArrayIndex,
                       "Invalid property array index: " + design_.Name + "." + property + "(" +
                           std::to_string(index) + ")");
  }
}

void LoadedControl::Retire() {
  retired_ = true;
  ApplyTimer();
}

void LoadedControl::Raise() { form_.RaiseControlEvent(design_.Name, design_.Index); }

// ---- Timer -------------------------------------------------------------------

void LoadedControl::SetInterval(std::int32_t milliseconds) {
  Require(ControlKind::Timer, "Interval");
  if (milliseconds < 0) {
    throw RuntimeError(ErrorNumber::InvalidPropertyValue,
                       "Invalid property value: " + design_.Name + ".Interval");
  }
  form_.Owner().Trace([&] { return Label() + ".Interval=" + std::to_string(milliseconds); });
  interval_ = milliseconds;
  ApplyTimer();
}

std::int32_t LoadedControl::Interval() const {
  Require(ControlKind::Timer, "Interval");
  return interval_;
}

// Setting the interval again restarts the count.
void LoadedControl::ApplyTimer() {
  if (design_.Kind != ControlKind::Timer || !peer_) return;
  peer_->SetTimer(!retired_ && enabled_ && interval_ > 0 ? interval_ : 0);
}

void LoadedControl::InputTimer() {
  form_.Owner().Dispatch([this] {
    if (!retired_ && enabled_ && interval_ > 0) Raise();
  });
}

// ---- Every kind ---------------------------------------------------------------

void LoadedControl::SetEnabled(Boolean enabled) {
  form_.Owner().Trace([&] { return Label() + ".Enabled=" + std::to_string(enabled); });
  enabled_ = enabled != False;
  if (design_.Kind == ControlKind::Timer) {
    ApplyTimer();
  } else if (peer_) {
    peer_->SetEnabled(enabled_);
  }
}

// ---- Option button -------------------------------------------------------------

void LoadedControl::ShowChecked(bool checked) {
  checked_ = checked;
  if (peer_) peer_->SetChecked(checked);
}

void LoadedControl::SetValue(Boolean value) {
  Require(ControlKind::OptionButton, "Value");
  form_.Owner().Trace([&] { return Label() + ".Value=" + std::to_string(value); });
  if (value == False) {
    if (checked_) ShowChecked(false);
    return;
  }
  if (checked_) return;
  // One button of a container is checked; choosing one raises its Click,
  // nested in the assignment.
  ShowChecked(true);
  for (const auto& other : form_.Controls()) {
    if (other.get() != this && other->design_.Kind == ControlKind::OptionButton &&
        other->design_.Container == design_.Container && other->checked_) {
      other->ShowChecked(false);
    }
  }
  form_.Owner().Trace([&] { return Label() + "_Click"; });
  Raise();
}

Boolean LoadedControl::Value() const {
  Require(ControlKind::OptionButton, "Value");
  return CBool(checked_);
}

// ---- Command button -------------------------------------------------------------

void LoadedControl::ShowDefault(bool isDefault) {
  if (peer_) peer_->SetDefault(isDefault);
}

void LoadedControl::SetDefault(Boolean isDefault) {
  Require(ControlKind::CommandButton, "Default");
  form_.Owner().Trace([&] { return Label() + ".Default=" + std::to_string(isDefault); });
  if (isDefault != False) {
    form_.SetDefaultButton(this);
  } else if (form_.DefaultButton() == this) {
    form_.SetDefaultButton(nullptr);
  }
}

Boolean LoadedControl::Default() const {
  Require(ControlKind::CommandButton, "Default");
  return CBool(form_.DefaultButton() == this);
}

void LoadedControl::InputClick() {
  form_.Owner().Dispatch([this] {
    if (retired_ || !enabled_) return;
    if (design_.Kind == ControlKind::CommandButton) {
      Raise();
    } else if (design_.Kind == ControlKind::OptionButton && !checked_) {
      SetValue(True);
    }
  });
}

// ---- Combo box -------------------------------------------------------------------

void LoadedControl::AddItem(const std::string& text, std::int16_t index) {
  Require(ControlKind::ComboBox, "AddItem");
  if (index < 0 || static_cast<std::size_t>(index) > items_.size()) {
    throw RuntimeError(ErrorNumber::InvalidPropertyArrayIndex,
                       "Invalid property array index: " + design_.Name + ".AddItem(" +
                           std::to_string(index) + ")");
  }
  form_.Owner().Trace(
      [&] { return Label() + ".AddItem(" + text + "," + std::to_string(index) + ")"; });
  items_.insert(items_.begin() + index, {text, 0});
  // The selected item keeps its selection when one is put before it.
  if (listIndex_ >= index) ++listIndex_;
  if (peer_) peer_->InsertItem(index, text);
}

void LoadedControl::SetItemData(std::int16_t index, std::int32_t data) {
  Require(ControlKind::ComboBox, "ItemData");
  CheckItem("ItemData", index);
  form_.Owner().Trace(
      [&] { return Label() + ".ItemData(" + std::to_string(index) + ")=" + std::to_string(data); });
  items_[static_cast<std::size_t>(index)].second = data;
}

std::int32_t LoadedControl::ItemData(std::int16_t index) const {
  Require(ControlKind::ComboBox, "ItemData");
  CheckItem("ItemData", index);
  return items_[static_cast<std::size_t>(index)].second;
}

std::int16_t LoadedControl::ListCount() const {
  Require(ControlKind::ComboBox, "ListCount");
  return static_cast<std::int16_t>(std::min<std::size_t>(items_.size(), 0x7FFF));
}

void LoadedControl::SetListIndex(std::int16_t index) {
  Require(ControlKind::ComboBox, "ListIndex");
  if (index != -1) CheckItem("ListIndex", index);
  form_.Owner().Trace([&] { return Label() + ".ListIndex=" + std::to_string(index); });
  listIndex_ = index;
  if (peer_) peer_->SetSelection(index);
}

std::int16_t LoadedControl::ListIndex() const {
  Require(ControlKind::ComboBox, "ListIndex");
  return static_cast<std::int16_t>(listIndex_);
}

std::string LoadedControl::List(std::int16_t index) const {
  Require(ControlKind::ComboBox, "List");
  CheckItem("List", index);
  return items_[static_cast<std::size_t>(index)].first;
}

void LoadedControl::InputSelect(int index) {
  form_.Owner().Dispatch([this, index] {
    if (retired_ || design_.Kind != ControlKind::ComboBox || index < 0 ||
        static_cast<std::size_t>(index) >= items_.size() || index == listIndex_) {
      return;
    }
    listIndex_ = index;
    Raise();
  });
}

}  // namespace vss::runtime
