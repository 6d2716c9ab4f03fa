// A control of a form, with the runtime's rules for every kind: which
// properties it has and the error for each misuse, option-button groups
// with their nested Click, the one default button, the list's items and
// selection, and the timer.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "api/forms.h"
#include "runtime/backend.h"

namespace vss::runtime {

class LoadedForm;

class LoadedControl final : public Control {
 public:
  LoadedControl(LoadedForm& form, const ControlDesign& design);

  const ControlDesign& Design() const { return design_; }
  // "optOption(0)" for a member of a control array, else the name.
  std::string Label() const;
  void Attach(std::unique_ptr<ControlPeer> peer) { peer_ = std::move(peer); }
  // The form goes: its timer stops and nothing more is raised.
  void Retire();

  // Reported by the platform; each is one message.
  // A button pressed (click, access key, Enter for the default button).
  void InputClick();
  // The user chose a list item.
  void InputSelect(int index);
  void InputTimer();

  // Control
  ControlKind Kind() const override { return design_.Kind; }
  void SetInterval(std::int32_t milliseconds) override;
  std::int32_t Interval() const override;
  void SetEnabled(Boolean enabled) override;
  Boolean Enabled() const override { return CBool(enabled_); }
  void SetValue(Boolean value) override;
  Boolean Value() const override;
  void SetDefault(Boolean isDefault) override;
  Boolean Default() const override;
  void AddItem(const std::string& text, std::int16_t index) override;
  void SetItemData(std::int16_t index, std::int32_t data) override;
  std::int32_t ItemData(std::int16_t index) const override;
  std::int16_t ListCount() const override;
  void SetListIndex(std::int16_t index) override;
  std::int16_t ListIndex() const override;
  std::string List(std::int16_t index) const override;

 private:
  friend class LoadedForm;
  void Require(ControlKind kind, const char* property) const;
  void CheckItem(const char* property, int index) const;
  void ApplyTimer();
  void ShowChecked(bool checked);
  void ShowDefault(bool isDefault);
  void Raise();

  LoadedForm& form_;
  ControlDesign design_;
  std::unique_ptr<ControlPeer> peer_;
  bool enabled_ = true;
  bool retired_ = false;
  std::int32_t interval_ = 0;
  bool checked_ = false;
  std::vector<std::pair<std::string, std::int32_t>> items_;
  int listIndex_ = -1;
};

}  // namespace vss::runtime
